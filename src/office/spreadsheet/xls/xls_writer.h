// Saving the in-memory workbook as an .xls (BIFF8) workbook.
#pragma once

#include <string>

#include "office/spreadsheet/model/model_ops.h"

namespace tq::office {

/// Writes every sheet, in order, as a BIFF8 worksheet in a compound document: values (numbers,
/// texts as shared strings, booleans, errors), number formats, alignment, wrap, fonts, solid
/// fills, merged areas, column widths, row heights, sheet names, the date system, and
/// `activeSheet` as the sheet that opens first. A sheet beyond the format's limits (65,536 rows,
/// 256 columns, 32,767 characters in a cell, 31 characters in a sheet name) is refused before
/// anything is written. The file is written beside the target and renamed over it at the end,
/// so a failed save leaves an existing file untouched. Raises tq::AutomationError (E_FAIL)
/// "cannot write '<path>': <problem>".
void WriteXls(BookModel& b, const std::string& utf8Path, int activeSheet = 0);

}  // namespace tq::office
