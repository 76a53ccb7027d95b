// The reader of one BIFF workbook stream, shared by its parts: the workbook globals (sheet list,
// shared strings, fonts, number formats, cell formats, palette, date system) and the sheets
// (cells, merged areas, column widths, row heights).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "office/spreadsheet/model/workbook_model.h"
#include "office/spreadsheet/xls/biff_stream.h"

namespace tq::office::xls {

struct Font {
    std::string name;
    double size = 10;
    bool bold = false;
    bool italic = false;
};

/// A cell format record as read, before it becomes a model style.
struct Xf {
    uint16_t font = 0;
    uint16_t format = 0;
    uint8_t hAlign = 0;  // 0 general, 1 left, 2 centre, 3 right, 4 fill, 5 justify, 6 centre
                         // across, 7 distributed
    uint8_t vAlign = 2;  // 0 top, 1 centre, 2 bottom, 3 justify, 4 distributed
    bool wrap = false;
    uint8_t pattern = 0;  // 1 = solid
    uint16_t patternColor = 64;
};

/// Where a sheet's records start, from the sheet list.
struct SheetEntry {
    std::string name;
    size_t offset = 0;
    SheetKind kind = SheetKind::Worksheet;
};

class BookReader {
  public:
    BookReader(StreamSource& stream, Workbook& wb) : s_(stream), wb_(wb) {}
    /// Reads the whole stream into the workbook. Raises Damaged.
    void read();

  private:
    // ---- globals (xls_globals.cpp) ----
    /// Reads the globals from the BOF at `pos`; returns the position after their EOF.
    size_t readGlobals(size_t pos);
    void onBof(const Record& r);
    /// The records that may stand in the globals and, in BIFF2-4, in a worksheet: code page, date
    /// system, encryption, fonts, formats, cell formats, palette. False for any other record.
    bool onFormatRecord(const Record& r);
    void onFont(const Record& r);
    void onFormat(const Record& r);
    void onXf(const Record& r);
    void onPalette(const Record& r);
    void onSheetEntry(const Record& r);
    void onSst(Cursor& c);
    /// The model style of cell format `ixfe` (made when first used).
    uint32_t styleOf(uint16_t ixfe) {
        if (ixfe < xfStyle_.size() && xfStyle_[ixfe] >= 0)
            return static_cast<uint32_t>(xfStyle_[ixfe]);
        return makeStyle(ixfe);
    }
    /// Makes the model style of cell format `ixfe` (0 for a format the file lacks).
    uint32_t makeStyle(uint16_t ixfe);
    /// 0x00BBGGRR of a palette index; false for the system colours.
    bool colour(uint16_t icv, uint32_t& out) const;

    // ---- sheets (xls_cells.cpp) ----
    /// Reads the sheet whose BOF is at `pos` into `sh`; returns the position after its EOF.
    size_t readSheet(size_t pos, Sheet& sh);
    void countCell() {
        if (++cells_ > maxCells_) tooManyCells();
    }
    [[noreturn]] void tooManyCells() const;
    void countText(size_t bytes);
    /// The pool index of shared string `i`.
    uint32_t sharedString(uint32_t i);
    uint32_t addText(std::string&& utf8);

    StreamSource& s_;
    Workbook& wb_;
    TextCodec codec_;
    std::vector<SheetEntry> entries_;
    // The shared strings are the first sstCount_ strings of the pool, in their file order; the
    // pool drops the ones no cell used at the end.
    uint32_t sstCount_ = 0;
    std::vector<bool> sstUsed_;
    uint32_t sstUsedCount_ = 0;
    std::vector<Font> fonts_;
    std::unordered_map<uint32_t, std::string> formats_;
    uint32_t formatCount_ = 0;  // BIFF2-3 number their formats in order
    std::vector<Xf> xfs_;
    std::vector<int64_t> xfStyle_;                          // model style of each XF, or -1
    std::unordered_map<std::string, uint32_t> styleIndex_;  // model style by its fields
    std::vector<uint32_t> palette_;                         // colours 8.. as 0x00BBGGRR
    uint64_t cells_ = 0, textBytes_ = 0;
    uint64_t maxCells_ = 0, maxText_ = 0;
};

}  // namespace tq::office::xls
