// The engine test helpers: the one Python runner of the tests, openpyxl workbooks, and the
// spreadsheet engine short-hands.
#include "support/engine_support.h"

#include <gtest/gtest.h>

#include "office/spreadsheet/excel_engine.h"
#include "os/process.h"
#include "support/os_support.h"
#include "text/text.h"

namespace tqtest {

std::string RunPython(const std::string& script, const std::string& arg1, const std::string& arg2) {
    ostest::TempDir dir;
    ostest::writeFile(dir.file("script.py"), script);
    std::vector<std::string> argv = {TQTEST_PYTHON, dir.file("script.py")};
    for (const std::string* a : {&arg1, &arg2})
        if (!a->empty()) argv.push_back(*a);
    std::string out, err;
    int status = 0;
    if (!tq::os::RunCapture(argv, out, err, status) || status != 0) {
        ADD_FAILURE() << "python failed (" << status << "):\n" << err;
        return {};
    }
    return out;
}

void MakeWorkbook(const std::string& path, const std::string& body) {
    RunPython("import sys, openpyxl\nwb = openpyxl.Workbook()\nws = wb.active\n" + body +
                  "\nwb.save(sys.argv[1])\n",
              path);
}

nlohmann::json ReadWorkbook(const std::string& path) {
    static const char* kDump = R"PY(
import json, sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
sheets = []
for ws in wb.worksheets:
    cells = {}
    for (r, c), cell in sorted(ws._cells.items()):
        fill = None
        if cell.fill is not None and cell.fill.fill_type == "solid":
            fill = cell.fill.fgColor.rgb if isinstance(cell.fill.fgColor.rgb, str) else None
        v = cell.value
        cells[cell.coordinate] = {
            "value": v if v is None or isinstance(v, (str, int, float)) else str(v),
            "format": cell.number_format, "h": cell.alignment.horizontal,
            "v": cell.alignment.vertical, "fill": fill, "font": cell.font.name,
            "size": float(cell.font.sz) if cell.font.sz is not None else None,
        }
    widths = {k: v.width for k, v in ws.column_dimensions.items() if v.customWidth or v.width}
    sheets.append({"name": ws.title, "merged": sorted(str(m) for m in ws.merged_cells.ranges),
                   "widths": widths, "cells": cells})
print(json.dumps({"sheets": sheets}, ensure_ascii=False))
)PY";
    return nlohmann::json::parse(RunPython(kDump, path), nullptr, false);
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
