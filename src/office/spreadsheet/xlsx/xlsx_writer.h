// Saving the in-memory workbook as .xlsx (through libxlsxwriter) and as .csv.
#pragma once

#include <string>

#include "office/spreadsheet/file_messages.h"
#include "office/spreadsheet/model/model_ops.h"

namespace tq::office {

/// Writes every sheet, in order, with values, number formats, alignment, fonts, fill colours,
/// merged areas, column widths and row heights. The file is written beside the target and
/// renamed over it when complete (tq::os::FileReplacement), so a failed save leaves an existing
/// file untouched.
/// `activeSheet` is the sheet that opens first. Raises tq::AutomationError naming the file.
void WriteXlsx(BookModel& b, const std::string& utf8Path, int activeSheet = 0);

/// Writes one sheet as comma-separated text (UTF-8 with a byte-order mark, CRLF line ends) from
/// A1 to the bottom-right cell of its used range; each cell as its text form. Replaced as
/// WriteXlsx replaces.
void WriteCsv(BookModel& b, const Sheet& s, const std::string& utf8Path);

/// Reads a comma-separated file: UTF-8 with or without a byte-order mark, otherwise GBK. Plain
/// decimal numbers become numbers, TRUE and FALSE booleans, everything else text. The one sheet
/// is named after the file. Only a regular file of at most tq::Limits::maxTextFileBytes is read,
/// and its cells and texts count against maxCells and maxTextBytes.
void ReadCsv(const std::string& utf8Path, Workbook& out);

}  // namespace tq::office
