// CTqExcel: reading a worksheet of a workbook as text, preparing a new one-sheet workbook for
// writing, and writing table sets into the open workbook.
//
// The object drives the spreadsheet server "Excel.Application" by automation (on Linux the
// library's embedded spreadsheet engine, which reads and writes real .xlsx files). It holds one
// reference to each server object it works with (application, workbooks, workbook, sheets,
// sheet, the current range and a scratch range) and a little reading state.
//
// Typical read:
//
//     tq::CTqExcel xl(path);
//     if (xl.open(true)) {
//         tq::StringArray header;
//         xl.getHeader(header);
//         tq::Table rows;
//         xl.getData({name1, name2}, rows);  // the columns whose header texts are given
//         xl.exit();
//     }
//
// Offsets: the reading members address cells by 0-based (row, column) offsets; offset (r, c) is
// Excel row r + startRow and column c + startCol (both 1-based, default 1) counted from the
// top-left cell of the *current range*. Offset row 0 is the table's title, row 1 its header,
// rows 2 onward its data.
//
// The current range is the used range of worksheet 1 right after open(true), all cells of the
// sheet after open(false), and all cells of the current sheet after every member that counts
// rows or columns (getNumRow, getNumCol and everything that calls them), after setColWidth,
// getMegeCell and the open-workbook form of ExcelTable; exit empties it.
//
// Copies share the server objects: a copy takes its own references to the same workbook, so
// both drive the same workbook. The destructor releases the references and closes nothing;
// call exit() to close the workbook.
//
// A call the server rejects raises tq::AutomationError; what was written (or read into an output
// argument) before it stays. Calling save, clear or a reading, counting or formatting member on an
// object that is not open (never opened, or after exit) does nothing and gives empty results.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tqtool/table.h"
#include "tqtool/types.h"

namespace tq {

namespace automation {
class IDispatch;
}

class TQTOOL_API CTqExcel {
  public:
    /// One reference to a server object (empty when the object holds none).
    using ObjectRef = std::shared_ptr<automation::IDispatch>;
    /// Header text -> 0-based column offset; keys in unsigned byte-wise order.
    using ColumnMap = std::map<String, int32_t>;

    /// Empty object: no connection, start (1, 1), empty path and column map.
    CTqExcel();
    /// As the default constructor, then the path of the workbook (used unchanged).
    explicit CTqExcel(String path);
    /// Takes its own references to the other object's server objects and copies the rest.
    CTqExcel(const CTqExcel& other);
    /// Releases this object's references and takes new ones to the other's objects; copies the
    /// start, the path and the column map (the map is kept on self-assignment).
    CTqExcel& operator=(const CTqExcel& other);
    /// Releases every reference; sends nothing to the server (no close, no quit).
    ~CTqExcel();

    // ---- Workbook lifecycle ----

    /// Connects to a running server or starts one, then opens the workbook at the path
    /// read-only (openExisting true; false when the file does not exist) or creates a new
    /// one-sheet workbook whose cells are text-formatted (openExisting false; built from the
    /// file at the path as template when it exists). Calls exit() first. When no server can be
    /// started, shows the message that Office is not installed and returns false.
    bool open(bool openExisting);
    /// Releases the server objects and closes the workbook (without saving it); the server keeps
    /// running. The start, the path and the column map are kept.
    void exit();
    /// Saves the workbook under the path. Returns true.
    bool save();
    /// Clears contents and formats of the current range. Returns true.
    bool clear();

    // ---- Reading ----

    /// The text of the cell at offset (row, col) of the current range.
    void read(int32_t row, int32_t col, String& value);
    /// The table's title: the text at offset (0, 0).
    void getTableName(String& name);
    /// Row count of the sheet's used range; the current range becomes all cells of the sheet.
    int32_t getNumRow();
    /// Column count of the sheet's used range; the current range becomes all cells of the sheet.
    int32_t getNumCol();
    /// Sets the Excel row and column (1-based) of offset (0, 0) when both are at least 1;
    /// otherwise changes nothing.
    void setStartRowAndCol(int32_t row, int32_t col);
    /// True when every string of `row` is empty (also for a row without strings).
    bool IsRowEmpty(StringArray row);
    /// The texts of offset row 1, one per column of the used range.
    void getHeader(StringArray& header);
    /// Header text of offset row 1 -> column offset of its leftmost occurrence.
    void getHeader(ColumnMap& header);
    /// Adds the non-empty texts of offset row 0 (and of row 1 when row 0 gives fewer than two)
    /// to the column map, each with its leftmost column; names already known keep their column.
    /// Returns true.
    bool initColIndex();
    /// Every row of the used range (offset rows 0 ... count - 1), every column.
    void getAllData(Table& data);
    /// The data rows (offset rows 2 ... count - 1), every column.
    void getData(Table& data);
    /// The data rows, one cell per name in `names` (the column the column map gives the name, an
    /// empty string for an unknown name); rows whose picked cells are all empty are left out.
    void getData(StringArray names, Table& data);

    // ---- Merged cells ----

    /// Appends one record per merged cell in Excel rows 1 ... n + 1 and columns 1 ... m + 1
    /// (n rows in `table`, m cells in its longest row): the cell's 1-based row and column and the
    /// full row and column counts of its merged area. An empty `table` sends nothing.
    void getMegeCell(Table& table, std::vector<STqFixedCellInfo>& mergedCells);

    // ---- Formatting ----

    /// Sets the width of column `col` (1-based) to `width` characters.
    void setColWidth(int32_t col, int32_t width);
    /// Sets the font name of the current range (the text up to its first zero byte).
    void setFont(const std::string& fontName);
    /// Sets the font size of the current range (the low 16 bits of `size` pass).
    void setFontSize(int32_t size);

    // ---- Writing tables (see tqtool/export.h for the free forms) ----

    /// Writes `tables` into this object's open workbook, one sheet per table (sheets added after
    /// the last when there are fewer), after clearing the current range: every cell centred and
    /// text-formatted, the merges of `fixedCells` (list k for table k; 0-based top-left and extents
    /// minus one), rows and columns fitted, each sheet named after its table's first cell. The
    /// workbook is neither shown nor saved: save() writes it. Returns true.
    bool ExcelTable(const TableSet& tables,
                    const std::vector<std::vector<STqFixedCellInfo>>& fixedCells);
    /// As the free form with row marks, in a new workbook of its own server instance, with every
    /// sheet text-formatted; the marked cells are filled yellow. Does not use this object.
    /// Returns false (after a message) when no server can be started.
    bool ExcelTable(const TableSet& tables,
                    const std::vector<std::vector<STqFixedCellInfo>>& fixedCells,
                    const std::vector<std::pair<int32_t, int32_t>>& rowMarks);
    /// As the free form with actions, in a new workbook of its own server instance, with every
    /// sheet text-formatted. Does not use this object. Returns false (after a message) when no
    /// server can be started.
    bool ExcelTable(const TableSet& tables, const std::vector<std::vector<action>>& actions);

  private:
    friend struct CTqExcelAccess;  // internal: the export code and tests

    ObjectRef app;
    ObjectRef range;      // the current range
    ObjectRef workRange;  // scratch range of the open-workbook ExcelTable
    ObjectRef sheet;
    ObjectRef sheets;
    ObjectRef book;
    ObjectRef books;
    int32_t startRow = 1;
    int32_t startCol = 1;
    String path;
    ColumnMap colIndex;
};

}  // namespace tq
