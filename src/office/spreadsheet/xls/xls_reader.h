// Reading legacy .xls workbooks (BIFF) into the engine's model, through libfreexl.
#pragma once

#include <string>

#include "office/spreadsheet/model/workbook_model.h"

namespace tq::office {

/// Reads the workbook at `utf8Path` into `out` (replacing what it held): every sheet in order
/// with its name and cell values (numbers, texts, dates and times as date-formatted numbers).
/// Formats and merged areas are not available from this format's reader. A file that cannot be
/// read raises tq::AutomationError naming the file and the problem; `out` is then unchanged.
void ReadXls(const std::string& utf8Path, Workbook& out);

}  // namespace tq::office
