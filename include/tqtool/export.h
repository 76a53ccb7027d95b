// Writing table sets into new workbooks (ExcelTable, free forms) and new documents (WordTable,
// WordTable2), with the merges the caller planned.
#pragma once

#include "tqtool/types.h"

// ==== Excel table export (free forms; the member forms are in tqtool/excel.h) ====
//
// Each form attaches to the running spreadsheet server or starts one, adds a new workbook and
// writes one sheet per table: the whole sheet centred both ways, every cell's text (each row with
// its own length), the caller's merges (each area keeps the text of its top-left cell), rows and
// columns fitted to their contents, and the sheet named after its table's first cell. Sheets are
// added after the last one when the new workbook has fewer than there are tables. At the end all
// sheets are selected and the application is made visible, leaving the new workbook to the user
// (on Linux the engine saves it into the show folder and opens it on the desktop).
//
// A merge-list sequence is either empty (no merges at all) or holds list k for table k; tables
// beyond a shorter sequence get no merges. A table without rows, or whose first row is empty,
// gets an empty sheet that keeps the name the server gave it.
//
// Returns false, after the message that Office is not installed, when no server can be started
// (nothing is added then). A call the server refuses (a sheet name it does not accept or that is
// already used, a merge size of 0 or less) raises tq::AutomationError; the workbook keeps what was
// written before. The calling thread must have been initialised for automation (CTqExcel::open
// does it); the forms initialise nothing themselves.

#include <utility>
#include <vector>

#include "tqtool/table.h"

namespace tq {

/// Merges from `fixedCells` (list k for table k: 0-based top-left cell, extents minus one); every
/// sheet is text-formatted ("@") before its values are written.
TQTOOL_API bool ExcelTable(TableSet tables, std::vector<std::vector<STqFixedCellInfo>> fixedCells);

/// Merges from `fixedCells`; no text format. For each pair (m, any) of `rowMarks`, the cells of
/// 0-based sheet row m + 2 in columns 1 to the length of table row m are filled yellow, in every
/// table that has a row m. The second member of a pair is not used.
TQTOOL_API bool ExcelTable(TableSet tables, std::vector<std::vector<STqFixedCellInfo>> fixedCells,
                           std::vector<std::pair<int32_t, int32_t>> rowMarks);

/// Merges from `actions` (list k for table k): each unionRow / unionCol action merges its whole
/// span (an `ep` of -1 standing for the first row's length or the number of rows); other types
/// are skipped. No text format.
TQTOOL_API bool ExcelTable(TableSet tables, std::vector<std::vector<action>> actions);

}  // namespace tq

// ==== Word table export ====
//
// WordTable and WordTable2 attach to the running document server or start one, add a new
// document and write each table under its title: the title in 16 pt, centred, then a table with
// as many rows as the table has and as many columns as its first row has cells, the cell texts
// centred in the font size the document had. With `portrait` false the pages are turned to
// landscape. At the end every table of the document is centred on the page, the font size and
// alignment the document had are restored and the server is made visible with the new document
// open for the user (on Linux the engine saves it into the show folder and opens it on the
// desktop).
//
// WordTable also merges: list i of `actions` holds the merges of table i, read from the front;
// each unionRow / unionCol action is split into runs of equal cell texts and every run becomes
// one cell (text of its first cell; centred vertically down a column, centred across a row). A
// noAction ends the list; other types are skipped.
//
// Titles decide how many tables are written. A missing table, or a table without rows, is
// reported ("绘制表格时出错！") and gives false after the document has been made visible with the
// tables before it; a missing action list means no merges; rows shorter than the first row get
// empty cells; spans that reach outside the table are cut at its edge. False is also returned,
// after a message, when the server cannot be initialised or started. A call the server refuses
// raises tq::AutomationError and leaves the document as far as it got.

#include <vector>

#include "tqtool/table.h"

namespace tq {

/// Writes `tables` under `titles` into a new document, merging runs of equal texts along the
/// spans of `actions`; `portrait` false turns the pages to landscape.
TQTOOL_API bool WordTable(const std::vector<String>& titles, const TableSet& tables,
                          const std::vector<std::vector<action>>& actions, bool portrait);

/// The same document as WordTable without any merges.
TQTOOL_API bool WordTable2(const std::vector<String>& titles, const TableSet& tables,
                           bool portrait);

}  // namespace tq
