// Saving the in-memory workbook as .xlsx (through libxlsxwriter) and as .csv.
#pragma once

#include <string>

#include "office/spreadsheet/model/model_ops.h"

namespace tq::office {

/// Writes every sheet, in order, with values, number formats, alignment, fonts, fill colours,
/// merged areas, column widths and row heights. The file is written beside the target and
/// renamed over it at the end, so a failed save leaves an existing file untouched.
/// `activeSheet` is the sheet that opens first. Raises tq::AutomationError naming the file.
void WriteXlsx(BookModel& b, const std::string& utf8Path, int activeSheet = 0);

/// Writes one sheet as comma-separated text (UTF-8 with a byte-order mark, CRLF line ends) from
/// A1 to the bottom-right cell of its used range; each cell as its text form.
void WriteCsv(BookModel& b, const Sheet& s, const std::string& utf8Path);

/// Reads a comma-separated file: UTF-8 with or without a byte-order mark, otherwise GBK. Plain
/// decimal numbers become numbers, TRUE and FALSE booleans, everything else text. The one sheet
/// is named after the file.
void ReadCsv(const std::string& utf8Path, Workbook& out);

/// A temporary file name beside `path` that does not exist yet (the file is created empty).
std::string TempFileBeside(const std::string& path);
/// Renames `tmp` over `path`; raises tq::AutomationError (removing `tmp`) when it cannot.
void CommitTempFile(const std::string& tmp, const std::string& path);
/// `path` for an error message (GBK).
std::string PathForMessage(const std::string& utf8Path);

}  // namespace tq::office
