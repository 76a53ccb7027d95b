// Cell references: rectangles of cells, their "A1" names, column letters, and the one parser of
// references that files and automation calls hand in ("B2", "$AB$12", "b2:c5").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "office/spreadsheet/model/workbook_model.h"

namespace tq::office {

/// A rectangle of cells, 0-based, both ends included.
struct Rect {
    uint32_t r1 = 0, c1 = 0, r2 = 0, c2 = 0;

    uint64_t rowCount() const { return uint64_t(r2) - r1 + 1; }
    uint64_t colCount() const { return uint64_t(c2) - c1 + 1; }
    uint64_t cellCount() const { return rowCount() * colCount(); }
    bool wholeRows() const { return c1 == 0 && c2 == kMaxCols - 1; }
    bool wholeCols() const { return r1 == 0 && r2 == kMaxRows - 1; }
    bool wholeSheet() const { return wholeRows() && wholeCols(); }
    bool single() const { return r1 == r2 && c1 == c2; }
    bool contains(uint32_t r, uint32_t c) const { return r >= r1 && r <= r2 && c >= c1 && c <= c2; }
    bool intersects(const Rect& o) const {
        return r1 <= o.r2 && o.r1 <= r2 && c1 <= o.c2 && o.c1 <= c2;
    }
    bool operator==(const Rect&) const = default;
    static Rect All() { return {0, 0, kMaxRows - 1, kMaxCols - 1}; }
};

inline Rect ToRect(const MergeArea& m) {
    return {m.r1, m.c1, m.r2, m.c2};
}
inline MergeArea ToMerge(const Rect& r) {
    return {r.r1, r.c1, r.r2, r.c2};
}

/// "A1" style name of a cell (0-based coordinates) and of a rectangle ("A1:C3", "B2").
std::string CellName(uint32_t r, uint32_t c);
std::string RectName(const Rect& r);
/// Column letters of a 0-based column ("A", "AA", "XFD").
std::string ColumnName(uint32_t c);

/// The result of parsing a reference.
enum class RefParse {
    Ok,      // a cell inside the sheet's limits
    Beyond,  // well formed, but beyond the last row or column
    Invalid  // not a cell reference
};

/// Parses column letters ("A", "xfd"; either case) into a 0-based column. Beyond when past the
/// last column.
RefParse ParseColumnLetters(std::string_view letters, uint32_t& col);
/// Parses a cell reference: column letters in either case, then a row number of at least 1, each
/// optionally preceded by '$' ("B2", "$ab$12"). Nothing else may follow.
RefParse ParseCellRef(std::string_view ref, uint32_t& row, uint32_t& col);
/// Parses a cell ("B2") or a rectangle ("B2:C5", corners in any order) into a normalised Rect.
RefParse ParseRectRef(std::string_view ref, Rect& out);

}  // namespace tq::office
