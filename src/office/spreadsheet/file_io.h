// Opening and saving workbook files by their type: .xlsx/.xlsm, .xls and .csv.
#pragma once

#include <string>

#include "office/spreadsheet/model/model_ops.h"

namespace tq::office {

enum class FileKind { Xlsx, Xls, Csv, Unknown };

/// The kind of file a path names, by its extension (case ignored).
FileKind KindOfPath(const std::string& utf8Path);

/// Reads a workbook file into `out`. The content decides between a zip package (.xlsx, .xlsm)
/// and a compound document (.xls); other files are read as comma-separated text when their
/// extension is .csv or .txt. Raises tq::AutomationError naming the file and the problem.
void LoadWorkbook(const std::string& utf8Path, Workbook& out);

/// Saves a workbook by the extension of `utf8Path`: .csv saves the sheet `activeSheet` as text;
/// .xls saves every sheet as a BIFF8 workbook; .xlsx and .xlsm (and a name without a known
/// extension) save every sheet as a package. Raises tq::AutomationError naming the file and the
/// problem.
void SaveWorkbook(BookModel& b, const std::string& utf8Path, int activeSheet = 0);

}  // namespace tq::office
