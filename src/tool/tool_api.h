// What the tqtool program needs from the library beyond the public API: text conversion, bounded
// reading of input files, the runs of equal texts, walking and converting workbook files, and the
// exports written to a file of the caller's choice instead of the show folder.
//
// This is the program's only way into the library's internals; the program's include path holds
// this folder alone. Every function is exported from the shared library. Paths are file-system
// paths in UTF-8. Failures raise tq::AutomationError (code E_FAIL unless a server gave another)
// with a message naming the file and the problem.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tqtool/table.h"
#include "tqtool/types.h"

namespace tq::tool {

// ---- Text ----

/// UTF-8 -> GBK; characters GBK cannot hold and invalid UTF-8 become '?'.
TQTOOL_API String Utf8ToGbk(std::string_view utf8);
/// GBK -> UTF-8; bytes that are not valid GBK become U+FFFD.
TQTOOL_API std::string GbkToUtf8(std::string_view gbk);
/// `atoi` in the "C" locale: leading white space, optional sign, digits; saturates at the int
/// range.
TQTOOL_API int ParseIntC(const char* text);
/// `strtod` in the "C" locale ('.' is the decimal point whatever the process locale is).
TQTOOL_API double ParseDoubleC(const char* text, char** end);

// ---- Files ----

/// Reads the whole regular file `path` (links followed) into `out`. A folder, FIFO, device or
/// socket is refused at once, and so is a file of more than `maxBytes` bytes. False with a reason
/// (English, without the path) in `why`.
TQTOOL_API bool ReadInputFile(const std::string& path, uint64_t maxBytes, std::string& out,
                              std::string& why);

/// Checks, before anything is built, that a new file can replace `path`: links are followed, an
/// existing folder, device, FIFO or socket is refused, and the folder must take a new file.
/// Returns the path with its links followed (the file that a save then replaces).
TQTOOL_API std::string CheckOutputFile(const std::string& path);

// ---- Folders ----

/// What a folder operation did not do: `ok` when everything was done; otherwise why (English)
/// and the entries left undone (file-system paths, at most 100 of them).
struct FolderResult {
    bool ok = true;
    std::string error;
    std::vector<std::string> left;
};

/// CopyFolder (GBK paths) with its whole result.
TQTOOL_API FolderResult CopyFolderReport(const String& source, const String& target);
/// DeleteAllFile (a GBK path) with its whole result.
TQTOOL_API FolderResult EmptyFolderReport(const String& folder);

// ---- Runs of equal texts ----

/// The runs [start, stop) of equal cell texts that WordTable merges for `act` in `table`.
TQTOOL_API std::vector<std::pair<int, int>> EqualRuns(const Table& table, const action& act);

// ---- Workbook files ----

/// One cell of a sheet, as `tqtool workbook dump` prints it (texts UTF-8).
struct DumpCell {
    std::string ref;        // "B3"
    uint32_t row = 0;       // 1-based
    uint32_t col = 0;       // 1-based
    const char* type = "";  // "string", "number", "date", "boolean" or "error"
    std::string text;       // the text form every reader gives
};

/// One sheet without its cells.
struct DumpSheet {
    std::string name;
    const char* kind = "";  // "worksheet", "chart", "macro" or "dialog"
    std::string usedRange;  // "A1:C8"
    uint64_t rows = 0;
    uint64_t columns = 0;
    std::vector<std::string> merged;  // "A1:C1", ...
};

/// A workbook file (.xlsx/.xlsm, .xls, .csv) read whole into memory.
class TQTOOL_API WorkbookFile {
  public:
    /// Reads the file; raises AutomationError when it cannot be read.
    explicit WorkbookFile(const std::string& path);
    ~WorkbookFile();
    WorkbookFile(const WorkbookFile&) = delete;
    WorkbookFile& operator=(const WorkbookFile&) = delete;

    bool date1904() const;
    size_t sheetCount() const;
    /// Sheet `index` (0-based) without its cells.
    DumpSheet sheet(size_t index) const;
    /// Calls `visit` for every cell of sheet `index` that is not empty, row by row, left to right.
    /// The cell passed is reused between calls.
    void forEachCell(size_t index, const std::function<void(const DumpCell&)>& visit) const;
    /// Saves the workbook by the extension of `path` (.csv: the first sheet); the target is
    /// checked as CheckOutputFile does and replaced only by a complete file.
    void saveAs(const std::string& path) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// ---- Exports into a file ----

/// The forms of ExcelTable the program offers.
enum class ExcelForm {
    OpenWorkbook,           // CTqExcel opened for writing, member ExcelTable(tables, fixedCells)
    FixedCells,             // free ExcelTable(tables, fixedCells)
    FixedCellsAndRowMarks,  // free ExcelTable(tables, fixedCells, rowMarks)
    Actions,                // free ExcelTable(tables, actions)
};

struct ExcelExport {
    TableSet tables;
    std::vector<std::vector<STqFixedCellInfo>> fixedCells;
    std::vector<std::vector<action>> actions;
    std::vector<std::pair<int32_t, int32_t>> rowMarks;
};

/// Writes `in` with the chosen form (the tables are handed on, not copied). With `out` empty the
/// workbook is left to the show folder as the form leaves it; otherwise it is built as a new
/// workbook (never on `out` as a template), not shown, and saved at `out` only when complete: on
/// any failure `out` stays as it was. False when no spreadsheet server could be started.
TQTOOL_API bool ExportExcel(ExcelForm form, ExcelExport in, const std::string& out);

/// The folder that shown workbooks and documents are saved in.
TQTOOL_API std::string ShowFolder();

struct WordExport {
    std::vector<String> titles;
    TableSet tables;
    std::vector<std::vector<action>> actions;
    bool portrait = true;
    bool merge = true;  // false: WordTable2
};

struct WordResult {
    bool result = false;  // what WordTable returned
    std::string file;     // where the document is; empty when none was written
};

/// WordTable (or WordTable2) on `in`. With `out` empty the document is shown as WordTable shows
/// it; otherwise it is not shown and, when WordTable succeeded, saved at `out` (checked first, as
/// CheckOutputFile does). A failed WordTable leaves `out` as it was.
TQTOOL_API WordResult ExportWord(const WordExport& in, const std::string& out);

}  // namespace tq::tool
