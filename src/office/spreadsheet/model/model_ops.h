// Operations on the in-memory workbook: finding and inserting cells, the style table, formats
// applied to ranges, the used range, merged areas, clearing, column widths and fitting.
//
// Formats of a whole sheet, whole rows or whole columns are stored once (Sheet::sheetStyle,
// Row::style, ColInfo::style) and never spread over a grid. A cell that exists carries its own
// style; a cell that does not exist shows the style of its row, else of its column, else of the
// sheet, else style 0. A new cell starts with that inherited style, as in the spreadsheet.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "office/spreadsheet/model/cell_ref.h"
#include "office/spreadsheet/model/number_formats.h"
#include "office/spreadsheet/model/workbook_model.h"

namespace tq::office {

// ---- Number formats and text forms ----

/// A colour of the legacy 64-colour palette behind indexed colours (.xls palette indices 0-63,
/// .xlsx indexed="n") as 0x00BBGGRR; false for 64 and above (system colours).
bool IndexedColor(uint32_t index, uint32_t& bgr);

/// Text form of a number: up to 15 significant digits, no trailing zeros, exponent form (1E+20,
/// 1E-07) for very large or small magnitudes.
std::string NumberText(double v);
/// A cell's date serial (1900 or 1904 date system) as an automation date (days since
/// 1899-12-30), and back.
double SerialToOle(double serial, bool date1904);
double OleToSerial(double date, bool date1904);
/// Text form of an automation date (days since 1899-12-30): yyyy/m/d, plus " h:mm:ss" when there
/// is a time of day.
std::string DateText(double serial);
/// The spreadsheet's text of an error code (#DIV/0! ...).
const char* ErrorText(int32_t code);
/// The error code of an error text, or 0.
int32_t ErrorFromText(std::string_view text);

/// When `text` is a plain decimal number (optional sign, digits, optional fraction), the number;
/// otherwise nothing. Texts with leading zeros ("007") or more than 15 significant digits stay
/// texts, so codes and identity numbers keep every digit.
std::optional<double> PlainDecimal(std::u16string_view text);
std::optional<double> PlainDecimal(std::string_view text);

/// Display width of a text in widths of an ASCII character: double-width (CJK, full-width)
/// characters count 2. For several lines, the widest line.
double TextWidthUnits(std::string_view utf8);
/// Number of lines of a text (line feeds + 1).
uint32_t TextLines(std::string_view utf8);

// ---- The workbook with its caches ----

/// The workbook plus what the engine keeps beside it: the style lookup, sheet identities and
/// the bookkeeping of released strings.
class BookModel {
  public:
    Workbook wb;

    BookModel() = default;
    explicit BookModel(Workbook&& w) : wb(std::move(w)) { assignIds(); }
    BookModel(const BookModel&) = delete;
    BookModel& operator=(const BookModel&) = delete;

    /// Gives every sheet without one a fresh identity.
    void assignIds();
    uint32_t newSheetId() { return ++lastId_; }
    /// Index of the sheet with that identity, or -1 when it was deleted.
    int sheetIndex(uint32_t id) const;

    /// The index of an equal style, added when new.
    uint32_t internStyle(const Style& s);
    bool styleIsDate(uint32_t idx);
    bool styleIsText(uint32_t idx) {
        return idx < wb.styles.size() && wb.styles[idx].numFmt == "@";
    }

    /// Adds a string to the pool and returns its index.
    uint32_t addString(std::string&& s);
    /// Notes that a string cell stopped using its string; compacts the pool when most of it is
    /// unused.
    void releaseString();

  private:
    void compactStrings();
    std::unordered_map<std::string, uint32_t> styleIndex_;
    size_t indexed_ = 0;  // styles[0, indexed_) are in styleIndex_
    std::vector<int8_t> dateCache_;
    uint32_t lastId_ = 0;
    size_t released_ = 0;
};

/// Drops the strings of the pool that no cell uses; the cells' string numbers follow.
void CompactStrings(Workbook& wb);

// ---- Cells ----

const Row* FindRow(const Sheet& s, uint32_t r);
Row* FindRow(Sheet& s, uint32_t r);
const Cell* FindCell(const Sheet& s, uint32_t r, uint32_t c);
Cell* FindCell(Sheet& s, uint32_t r, uint32_t c);
/// The style a cell that does not exist shows: its row's, else its column's, else the sheet's,
/// else 0.
uint32_t InheritedStyle(const Sheet& s, const Row* row, uint32_t c);
uint32_t InheritedStyle(const Sheet& s, uint32_t r, uint32_t c);
/// The style of a cell, existing or not.
uint32_t EffectiveStyle(const Sheet& s, uint32_t r, uint32_t c);
/// The row record of row `r`, created when missing.
Row& RowAt(Sheet& s, uint32_t r);
/// The cell at (r, c), created (empty, with the inherited style) when missing.
Cell& CellAt(Sheet& s, uint32_t r, uint32_t c);

/// Value setters. They keep the cell's style.
void SetNumber(BookModel& b, Sheet& s, uint32_t r, uint32_t c, double v);
void SetString(BookModel& b, Sheet& s, uint32_t r, uint32_t c, std::string utf8);
void SetBool(BookModel& b, Sheet& s, uint32_t r, uint32_t c, bool v);
void SetError(BookModel& b, Sheet& s, uint32_t r, uint32_t c, int32_t code);
/// Removes the value; the cell disappears when its style is the inherited one.
void SetEmpty(BookModel& b, Sheet& s, uint32_t r, uint32_t c);

/// The automation date a number cell shows: when its format shows dates and its serial lies
/// within 100/1/1 ... 9999/12/31. Nothing otherwise; such a cell shows its number.
std::optional<double> CellDate(BookModel& b, const Cell& cell);
/// Text form of a cell's value (empty for an empty cell; dates by their format, numbers outside
/// the date range as numbers).
std::string CellText(BookModel& b, const Cell& cell);

// ---- Formats, sizes, merges ----

/// Changes the format of every cell of `area` with `edit`. Whole-sheet, whole-row and
/// whole-column areas are stored on the sheet, rows and columns. Raises tq::AutomationError
/// (naming `member`) for an area too large to format cell by cell.
void ApplyFormat(BookModel& b, Sheet& s, const Rect& area, const std::function<void(Style&)>& edit,
                 const char* member);

/// The column record properties of columns [c1, c2] changed by `edit` (runs are split and joined
/// as needed).
void EditColumns(Sheet& s, uint32_t c1, uint32_t c2, const std::function<void(ColInfo&)>& edit);
/// Width of column c (characters).
double ColumnWidth(const Sheet& s, uint32_t c);

/// The bounding rectangle of the cells that hold a value or a format of their own, and of the
/// merged areas; A1 for an empty sheet.
Rect UsedRange(const Sheet& s);

/// The merged area that holds (r, c), or nullptr. Logarithmic in the number of areas.
const MergeArea* MergeAt(const Sheet& s, uint32_t r, uint32_t c);
/// The positions in s.merges of the areas that meet `area`, ascending.
std::vector<uint32_t> MergesMeeting(const Sheet& s, const Rect& area);
/// Replaces the merged areas of `s` with `areas`, in row order, leaving out single cells and an
/// area that overlaps one before it (as the spreadsheet's repair of a file does).
void SetMerges(Sheet& s, std::vector<MergeArea> areas);
/// Merges `area` (each row of it separately when `across`). An area that overlaps merged areas
/// grows to the bounding rectangle of all of them. The top-left cell keeps its value; the values
/// of the other cells are dropped.
void Merge(BookModel& b, Sheet& s, const Rect& area, bool across);
/// Removes the merged areas that overlap `area`.
void Unmerge(Sheet& s, const Rect& area);

/// Removes values, formats and merged areas of `area`.
void Clear(BookModel& b, Sheet& s, const Rect& area);
/// Removes the values of `area`; formats stay.
void ClearContents(BookModel& b, Sheet& s, const Rect& area);

/// Fits the widths of columns [c1, c2] to the texts of their cells in rows [r1, r2] (merged
/// cells are left out, as the spreadsheet does). Columns without text keep their width.
void AutoFitColumns(BookModel& b, Sheet& s, const Rect& area);
/// Fits the heights of rows [r1, r2] to the texts of their cells in columns [c1, c2]: a text of
/// n lines makes a row n lines tall.
void AutoFitRows(BookModel& b, Sheet& s, const Rect& area);

}  // namespace tq::office
