// Test helpers for the embedded engines: running Python (openpyxl, python-docx) as an
// independent reader and writer of the files, and short-hands for the automation calls the tests
// make on the spreadsheet engine.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "automation/excel_ops.h"
#include "automation/holder.h"
#include "support/os_support.h"

namespace tqtest {

/// Runs the Python code `script` with the arguments following it in sys.argv; returns its
/// standard output. Fails the test (and returns "") when the script exits with an error.
std::string RunPython(const std::string& script, const std::string& arg1 = "",
                      const std::string& arg2 = "");

/// Makes a workbook at `path` with openpyxl: `body` runs with `wb` (a new workbook) and `ws` (its
/// active sheet) defined; the workbook is saved afterwards.
void MakeWorkbook(const std::string& path, const std::string& body);

/// A workbook as openpyxl reads it: {"sheets": [{"name", "merged": ["A1:C1", ...], "widths":
/// {"C": 20.0}, "cells": {"A1": {"value", "format", "h", "v", "fill", "font", "size"}}}]}, UTF-8.
nlohmann::json ReadWorkbook(const std::string& path);

/// Short-hands over Holder for the spreadsheet engine's objects.
namespace xlh {
using tq::automation::Holder;
using tq::automation::Variant;

/// A new Application of the engine (not the registered, shared one).
Holder NewApplication();
Holder Workbooks(const Holder& app);
Holder AddBook(const Holder& app, const Variant& tmpl = Variant::Missing());
Holder OpenBook(const Holder& app, const std::string& utf8Path, bool readOnly);
Holder Sheets(const Holder& book);
Holder Sheet(const Holder& book, int index);
Holder Cells(const Holder& sheet);
Holder Cell(const Holder& sheet, int row, int col);
/// Range.Item(row, col) put of a GBK text on the sheet's cells.
void PutText(const Holder& sheet, int row, int col, const tq::String& gbk);
void PutValue(const Holder& sheet, int row, int col, const Variant& v);
Variant Value(const Holder& range);
/// The text of a cell as the coercion of the cell object gives it (GBK).
tq::String Text(const Holder& range);
int32_t Count(const Holder& range);
void SaveAs(const Holder& book, const std::string& utf8Path);
void Close(const Holder& book, const Variant& saveChanges = Variant::Missing());
void SetName(const Holder& sheet, const tq::String& gbk);
}  // namespace xlh

}  // namespace tqtest
