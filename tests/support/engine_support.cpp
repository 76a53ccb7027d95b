#include "support/engine_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "office/spreadsheet/excel_engine.h"
#include "text/text.h"

namespace tqtest {

std::string RunPython(const std::string& script, const std::string& arg1, const std::string& arg2) {
    EngineTempDir dir;
    std::string py = dir.file("check.py");
    WriteFileBytes(py, script);
    std::string cmd = std::string(TQTEST_PYTHON) + " '" + py + "'";
    for (const std::string* a : {&arg1, &arg2})
        if (!a->empty()) cmd += " '" + *a + "'";
    cmd += " 2>&1";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) {
        ADD_FAILURE() << "cannot run python";
        return {};
    }
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int status = ::pclose(p);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        ADD_FAILURE() << "python failed:\n" << out;
        return {};
    }
    return out;
}

bool FileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary);
    f << bytes;
}

namespace xlh {
using namespace tq::automation;

Holder NewApplication() {
    return Holder(tq::office::CreateExcelApplication());
}
Holder Workbooks(const Holder& app) {
    return app.GetObject(xl::Application_Workbooks);
}
Holder AddBook(const Holder& app, const Variant& tmpl) {
    return Workbooks(app).InvokeObject(xl::Workbooks_Add, InvokeKind::Method, {tmpl});
}
Holder OpenBook(const Holder& app, const std::string& utf8Path, bool readOnly) {
    auto args = xl::OpenArgs(StrVariant(tq::text::utf8ToGbk(utf8Path)), Variant::Missing(),
                             Variant::Bool(readOnly));
    return Workbooks(app).InvokeObject(xl::Workbooks_Open, InvokeKind::Method, args);
}
Holder Sheets(const Holder& book) {
    return book.GetObject(xl::Workbook_Worksheets);
}
Holder Sheet(const Holder& book, int index) {
    return Sheets(book).GetObject(xl::Sheets_Item, {Variant::I4(index)});
}
Holder Cells(const Holder& sheet) {
    return sheet.GetObject(xl::Worksheet_Cells);
}
Holder Cell(const Holder& sheet, int row, int col) {
    return Cells(sheet).GetObject(xl::Range_Item, {Variant::I4(row), Variant::I4(col)});
}
void PutText(const Holder& sheet, int row, int col, const tq::String& gbk) {
    PutValue(sheet, row, col, StrVariant(gbk));
}
void PutValue(const Holder& sheet, int row, int col, const Variant& v) {
    Cells(sheet).InvokeHelper(xl::Range_Item, InvokeKind::PropertyPut, VT_EMPTY,
                              {Variant::I4(row), Variant::I4(col), v});
}
Variant Value(const Holder& range) {
    return range.GetProperty(xl::Range_Value, VT_VARIANT);
}
tq::String Text(const Holder& range) {
    return VariantToString(Variant::Dispatch(range.get()));
}
int32_t Count(const Holder& range) {
    return range.GetProperty(xl::Range_Count, VT_I4).lVal;
}
void SaveAs(const Holder& book, const std::string& utf8Path) {
    book.InvokeHelper(xl::Workbook_SaveAs, InvokeKind::Method, VT_EMPTY,
                      xl::SaveAsArgs(StrVariant(tq::text::utf8ToGbk(utf8Path)), Variant::I4(0)));
}
void Close(const Holder& book, const Variant& saveChanges) {
    book.InvokeHelper(xl::Workbook_Close, InvokeKind::Method, VT_EMPTY, xl::CloseArgs(saveChanges));
}
void SetName(const Holder& sheet, const tq::String& gbk) {
    sheet.SetProperty(xl::Worksheet_Name, StrVariant(gbk));
}
}  // namespace xlh

}  // namespace tqtest
