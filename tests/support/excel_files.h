// Workbooks for the end-to-end tests of CTqExcel and ExcelTable: made with openpyxl before a test
// and read back with openpyxl after it, so the files are checked by an independent reader.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace excel_files {

/// Runs Python code (UTF-8) with openpyxl available as `openpyxl`; `args` become sys.argv[1:].
/// Raises std::runtime_error with the error output when it fails. Returns standard output.
std::string runPython(const std::string& code, const std::vector<std::string>& args = {});

/// Makes a workbook at `path`. `body` is Python run with `wb` (a new openpyxl workbook) and `ws`
/// (its active sheet) defined; the workbook is saved afterwards.
void makeWorkbook(const std::string& path, const std::string& body);

/// Reads a workbook back: {"sheets": [{"name", "merged": ["A1:C1", ...], "widths": {"C": 20.0},
/// "cells": {"A1": {"value": ..., "format": "@", "h": "center", "v": "center",
/// "fill": "FFFFFF00" | null, "font": "Calibri", "size": 11.0}}}]}. Texts are UTF-8.
nlohmann::json readWorkbook(const std::string& path);

}  // namespace excel_files
