// The spreadsheet engine's in-memory workbook: sparse cells, a shared style table, merged areas,
// column and row sizes. File readers fill it, file writers save it, and the automation objects
// (Application, Workbook, Worksheet, Range ...) work on it.
//
// Coordinates are 0-based here (row 0 = Excel row 1). Memory is proportional to the cells that
// exist: whole-sheet, whole-row and whole-column formats are kept once, never as a grid.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "automation/error_values.h"

namespace tq::office {

inline constexpr uint32_t kMaxRows = 1048576;
inline constexpr uint32_t kMaxCols = 16384;

enum class CellType : uint8_t { Empty, Number, String, Bool, Error };

/// Error values of cells (#DIV/0! ...), as the spreadsheet numbers them.
using CellError = automation::CellError;

/// Horizontal and vertical alignment, as Excel's constants (xlGeneral 1, xlCenter -4108 ...).
enum Align : int32_t {
    kAlignGeneral = 1,
    kAlignLeft = -4131,
    kAlignCenter = -4108,
    kAlignRight = -4152,
    kAlignTop = -4160,
    kAlignBottom = -4107,
    kAlignJustify = -4130,
    kAlignDistributed = -4117,
    kAlignFill = 5,
    kAlignCenterAcross = 7,
};

/// One cell format. Style 0 of every workbook is the default (General, Calibri 11, no fill).
struct Style {
    std::string numFmt = "General";  // the number format code (UTF-8)
    int32_t hAlign = kAlignGeneral;
    int32_t vAlign = kAlignBottom;
    bool wrap = false;
    std::string fontName = "Calibri";  // UTF-8
    double fontSize = 11;
    bool bold = false;
    bool italic = false;
    bool hasFill = false;
    uint32_t fillColor = 0;  // 0x00BBGGRR
    bool operator==(const Style&) const = default;
};

// Kept to 16 bytes: the cells are most of the memory a large sheet takes, and reading, walking
// and freeing them costs by their size.
struct Cell {
    uint16_t col = 0;  // below kMaxCols; every reader and the engine check that before storing
    CellType type = CellType::Empty;
    uint32_t style = 0;  // index into Workbook::styles
    union {
        double num;     // Number (dates are numbers with a date format)
        uint32_t str;   // String: index into Workbook::strings
        bool boolean;   // Bool
        int32_t error;  // Error: a CellError code
    };
    Cell() : num(0) {}
};
static_assert(kMaxCols <= 65536 && sizeof(Cell) == 16);

struct Row {
    uint32_t row = 0;
    int32_t style = -1;       // a whole-row format, or -1
    double height = -1;       // points; -1 = default height
    std::vector<Cell> cells;  // sorted by column, unique
};

/// Width and format of a run of columns [first, last].
struct ColInfo {
    uint32_t first = 0;
    uint32_t last = 0;
    double width = -1;   // in characters of the default font; -1 = default width
    int32_t style = -1;  // a whole-column format, or -1
};

/// A merged area, 0-based, both ends included.
struct MergeArea {
    uint32_t r1 = 0, c1 = 0, r2 = 0, c2 = 0;
    bool operator==(const MergeArea&) const = default;
};

/// Finds the merged areas of a sheet that hold a cell or meet a rectangle in logarithmic time.
/// Each area is filed under the aligned blocks of rows (1, 2, 4 ... 2^20 rows) that make up its
/// rows; all areas of one block span all of its rows and, as merged areas never overlap, have
/// disjoint column spans, so a block answers by a search on the first column. The index follows
/// Sheet::merges: the model's merge operations keep it up to date, and a change of the vector
/// made elsewhere is noticed by its size and address and answered by a rebuild.
class MergeIndex {
  public:
    MergeIndex() = default;
    MergeIndex(const MergeIndex&) {}  // a copy is rebuilt on first use
    MergeIndex& operator=(const MergeIndex&) {
        clear();
        return *this;
    }
    MergeIndex(MergeIndex&& o) noexcept { *this = std::move(o); }
    MergeIndex& operator=(MergeIndex&& o) noexcept {
        blocks_ = std::move(o.blocks_);
        std::copy(std::begin(o.levelCount_), std::end(o.levelCount_), levelCount_);
        size_ = o.size_;
        data_ = o.data_;
        valid_ = o.valid_;
        levels_ = o.levels_;
        hinted_ = 0;
        lastFound_ = SIZE_MAX;
        o.clear();
        return *this;
    }

    /// Rebuilds the index unless it was made for exactly `areas`.
    void sync(const std::vector<MergeArea>& areas);
    /// Records that the index now describes `areas` (after insert/erase/update).
    void stamp(const std::vector<MergeArea>& areas);
    void clear();

    /// The position in the areas of the one that holds (r, c), or -1.
    int64_t find(uint32_t r, uint32_t c) const;
    /// The positions of the areas that meet rows [r1, r2] x columns [c1, c2], ascending.
    std::vector<uint32_t> meeting(uint32_t r1, uint32_t c1, uint32_t r2, uint32_t c2) const;

    void insert(const MergeArea& m, uint32_t pos);
    void erase(const MergeArea& m);
    /// The area `m` moved to position `pos`.
    void move(const MergeArea& m, uint32_t pos);

  private:
    using Blocks = std::map<uint64_t, uint64_t>;
    template <class Fn>
    static void forEachBlock(const MergeArea& m, Fn fn);
    /// The last entry of `level` with a key at most `key`, or end(). Cell-by-cell callers ask
    /// about neighbouring cells, so the entry found last on each level is tried first.
    Blocks::const_iterator floor(int level, uint64_t key) const;
    Blocks blocks_;                            // (level, block, first column) -> (last column, pos)
    uint32_t levelCount_[21] = {};             // entries per level
    uint32_t levels_ = 0;                      // the levels that have entries, one bit each
    mutable Blocks::const_iterator hint_[21];  // per level: the entry floor() found last
    mutable uint32_t hinted_ = 0;              // levels whose hint_ is set
    mutable size_t lastFound_ = SIZE_MAX;      // the position find() answered last
    size_t size_ = 0;
    const MergeArea* data_ = nullptr;
    bool valid_ = false;
};

/// What a sheet holds. Only worksheets are listed by Workbook.Worksheets; Workbook.Sheets lists
/// every kind, in workbook order.
enum class SheetKind : uint8_t { Worksheet, Chart, Macro, Dialog };

struct Sheet {
    std::string name;  // UTF-8
    SheetKind kind = SheetKind::Worksheet;
    uint32_t id = 0;                // the engine's identity of the sheet (0 = not assigned yet)
    std::vector<Row> rows;          // sorted by row, unique
    mutable size_t rowHint = 0;     // where the last row looked up was: cell-by-cell readers
                                    // ask for the same row or the next one
    std::vector<ColInfo> cols;      // sorted, not overlapping
    std::vector<MergeArea> merges;  // not overlapping; changed through Merge, Unmerge, SetMerges
    mutable MergeIndex mergeIndex;  // finds the areas of `merges`
    int32_t sheetStyle = -1;        // a whole-sheet format (Cells.NumberFormat ...), or -1
    double defaultColWidth = 8.43;
    double defaultRowHeight = 15;
};

struct Workbook {
    std::vector<Sheet> sheets;
    std::vector<std::string> strings;  // UTF-8 texts of string cells
    std::vector<Style> styles{Style{}};
    bool date1904 = false;
};

}  // namespace tq::office
