// The library side of the tqtool program's internal interface (tool_api.h): thin wrappers over the
// text layer, bounded reading, the workbook model and the office engines, so that the program
// links the shipped shared library and includes no engine header.
#include "tool/tool_api.h"

#include "automation/excel_ops.h"
#include "automation/holder.h"
#include "automation/servers.h"
#include "excel/connect.h"
#include "excel/excel_access.h"
#include "export/runs.h"
#include "office/common/show_folder.h"
#include "office/document/word_engine.h"
#include "office/spreadsheet/excel_engine.h"
#include "office/spreadsheet/file_io.h"
#include "os/file_read.h"
#include "os/replace_file.h"
#include "text/text.h"
#include "util/fileutil_result.h"
#include "tqtool/excel.h"
#include "tqtool/export.h"

namespace tq::tool {

using automation::DispatchPtr;
using automation::Holder;
using automation::InvokeKind;
using automation::Variant;
namespace xl = automation::xl;

String Utf8ToGbk(std::string_view utf8) {
    return text::utf8ToGbk(utf8);
}

std::string GbkToUtf8(std::string_view gbk) {
    return text::gbkToUtf8(gbk);
}

int ParseIntC(const char* s) {
    return text::atoi(s);
}

double ParseDoubleC(const char* s, char** end) {
    return text::strtod(s, end);
}

bool ReadInputFile(const std::string& path, uint64_t maxBytes, std::string& out, std::string& why) {
    return os::ReadRegularFile(path, maxBytes, out, why);
}

std::string CheckOutputFile(const std::string& path) {
    // A replacement that is begun and dropped checks the target as every save does, leaving the
    // target untouched (its temporary file is removed again).
    os::FileReplacement probe;
    std::string why;
    if (!probe.begin(path, why))
        throw AutomationError(hresult::E_FAIL_,
                              "cannot write '" + text::utf8ToGbk(path) + "': " + why);
    return probe.finalPath();
}

namespace {
FolderResult folderResult(const os::TreeResult& r) {
    FolderResult out;
    out.ok = r.ok();
    out.error = r.error;
    out.left = r.left;
    return out;
}
}  // namespace

FolderResult CopyFolderReport(const String& source, const String& target) {
    return folderResult(CopyFolderResult(source.c_str(), target.c_str()));
}

FolderResult EmptyFolderReport(const String& folder) {
    return folderResult(DeleteAllFileResult(folder));
}

std::vector<std::pair<int, int>> EqualRuns(const Table& table, const action& act) {
    return findEqualRuns(table, act);
}

// ---- Workbook files ----

namespace {

const char* cellTypeName(office::BookModel& b, const office::Cell& c) {
    switch (c.type) {
        case office::CellType::String:
            return "string";
        case office::CellType::Number:
            return b.styleIsDate(c.style) ? "date" : "number";
        case office::CellType::Bool:
            return "boolean";
        case office::CellType::Error:
            return "error";
        case office::CellType::Empty:
            break;
    }
    return "empty";
}

const char* sheetKindName(office::SheetKind kind) {
    switch (kind) {
        case office::SheetKind::Chart:
            return "chart";
        case office::SheetKind::Macro:
            return "macro";
        case office::SheetKind::Dialog:
            return "dialog";
        case office::SheetKind::Worksheet:
            break;
    }
    return "worksheet";
}

office::Workbook load(const std::string& path) {
    office::Workbook wb;
    office::LoadWorkbook(path, wb);
    return wb;
}

}  // namespace

struct WorkbookFile::Impl {
    // The model's style lookups cache, so the walk works on a mutable model.
    mutable office::BookModel book;
    explicit Impl(office::Workbook&& wb) : book(std::move(wb)) {}
};

WorkbookFile::WorkbookFile(const std::string& path) : impl_(std::make_unique<Impl>(load(path))) {}

WorkbookFile::~WorkbookFile() = default;

bool WorkbookFile::date1904() const {
    return impl_->book.wb.date1904;
}

size_t WorkbookFile::sheetCount() const {
    return impl_->book.wb.sheets.size();
}

DumpSheet WorkbookFile::sheet(size_t index) const {
    const office::Sheet& s = impl_->book.wb.sheets.at(index);
    const office::Rect used = office::UsedRange(s);
    DumpSheet out;
    out.name = s.name;
    out.kind = sheetKindName(s.kind);
    out.usedRange = office::RectName(used);
    out.rows = used.rowCount();
    out.columns = used.colCount();
    for (const auto& m : s.merges) out.merged.push_back(office::RectName(office::ToRect(m)));
    return out;
}

void WorkbookFile::forEachCell(size_t index,
                               const std::function<void(const DumpCell&)>& visit) const {
    office::BookModel& b = impl_->book;
    const office::Sheet& s = b.wb.sheets.at(index);
    DumpCell cell;
    for (const auto& row : s.rows)
        for (const auto& c : row.cells) {
            if (c.type == office::CellType::Empty) continue;
            cell.ref = office::CellName(row.row, c.col);
            cell.row = row.row + 1;
            cell.col = c.col + 1;
            cell.type = cellTypeName(b, c);
            cell.text = office::CellText(b, c);
            visit(cell);
        }
}

void WorkbookFile::saveAs(const std::string& path) const {
    office::SaveWorkbook(impl_->book, CheckOutputFile(path), 0);
}

// ---- Exports into a file ----

namespace {

// Turns the engines' show-on-visible behaviour off for one export and back on after it.
class ShowOff {
  public:
    ShowOff() { office::SetShowOnVisible(false); }
    ~ShowOff() { office::SetShowOnVisible(true); }
    ShowOff(const ShowOff&) = delete;
    ShowOff& operator=(const ShowOff&) = delete;
};

// Saves a workbook through the engine's Workbook.SaveAs (a complete file replaces the target).
void saveWorkbookAs(const DispatchPtr& book, const std::string& path) {
    Holder(book).InvokeHelper(xl::Workbook_SaveAs, InvokeKind::Method, automation::VT_EMPTY,
                              {Variant::Str(text::utf8ToUtf16(path))});
}

void closeWorkbook(const DispatchPtr& book) {
    Holder(book).InvokeHelper(xl::Workbook_Close, InvokeKind::Method, automation::VT_EMPTY,
                              {Variant::Bool(false)});
}

// The workbook the last free form added to the running spreadsheet server.
DispatchPtr lastWorkbook() {
    DispatchPtr app = ConnectServer("Excel.Application");
    if (!app) return nullptr;
    Holder books = Holder(app).GetObject(xl::Application_Workbooks);
    const int32_t count = books.GetProperty(xl::Workbooks_Count, automation::VT_I4).lVal;
    if (count < 1) return nullptr;
    return books.GetObject(xl::Workbooks_Item, {Variant::I4(count)}).get();
}

bool exportOpenWorkbookForm(const ExcelExport& in, const std::string& target) {
    CTqExcel x;  // no path: a new workbook, never one built on a file as template
    if (!x.open(false)) return false;
    try {
        x.ExcelTable(in.tables, in.fixedCells);
        saveWorkbookAs(CTqExcelAccess::book(x), target);
    } catch (...) {
        x.exit();
        throw;
    }
    x.exit();
    return true;
}

bool runFreeForm(ExcelForm form, ExcelExport& in) {
    switch (form) {
        case ExcelForm::FixedCellsAndRowMarks:
            return ExcelTable(std::move(in.tables), std::move(in.fixedCells),
                              std::move(in.rowMarks));
        case ExcelForm::Actions:
            return ExcelTable(std::move(in.tables), std::move(in.actions));
        case ExcelForm::FixedCells:
        case ExcelForm::OpenWorkbook:
            break;
    }
    return ExcelTable(std::move(in.tables), std::move(in.fixedCells));
}

}  // namespace

bool ExportExcel(ExcelForm form, ExcelExport in, const std::string& out) {
    automation::CoInitialize();  // the free forms expect an initialised thread
    if (out.empty()) return runFreeForm(form, in);
    const std::string target = CheckOutputFile(out);
    if (form == ExcelForm::OpenWorkbook) return exportOpenWorkbookForm(in, target);
    {
        ShowOff hidden;
        if (!runFreeForm(form, in)) return false;
    }
    DispatchPtr book = lastWorkbook();
    if (!book) throw AutomationError(hresult::E_FAIL_, "the workbook was not made");
    saveWorkbookAs(book, target);
    closeWorkbook(book);
    return true;
}

std::string ShowFolder() {
    return office::ShowFolder();
}

namespace {

// The document the last export added to the running document server, or null.
std::shared_ptr<office::word::Document> lastDocument() {
    automation::CLSID clsid;
    DispatchPtr app;
    if (automation::CLSIDFromProgID("Word.Application", clsid) != hresult::S_OK_ ||
        automation::GetActiveObject(clsid, app) != hresult::S_OK_)
        return nullptr;
    auto docs = office::word::DocumentsOf(app);
    return docs.empty() ? nullptr : docs.back();
}

}  // namespace

WordResult ExportWord(const WordExport& in, const std::string& out) {
    WordResult r;
    if (out.empty()) {
        r.result = in.merge ? WordTable(in.titles, in.tables, in.actions, in.portrait)
                            : WordTable2(in.titles, in.tables, in.portrait);
        if (auto doc = lastDocument()) r.file = doc->shownFile;
        return r;
    }
    const std::string target = CheckOutputFile(out);
    {
        ShowOff hidden;
        r.result = in.merge ? WordTable(in.titles, in.tables, in.actions, in.portrait)
                            : WordTable2(in.titles, in.tables, in.portrait);
    }
    auto doc = lastDocument();
    if (r.result && doc) {
        office::word::saveDocx(*doc, target);
        r.file = out;
    }
    return r;
}

}  // namespace tq::tool
