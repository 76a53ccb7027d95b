// The spreadsheet engine behind "Excel.Application": Application, Workbooks, Workbook, Sheets,
// Worksheet, Range, Font and Interior objects (one file each under src/office/spreadsheet/)
// answering automation calls on in-memory workbooks, which are read from and saved to real files.
#pragma once

#include "automation/dispatch.h"
#include "office/common/show_folder.h"

namespace tq::office {

/// A new, invisible Application object with no workbook open.
automation::DispatchPtr CreateExcelApplication();

}  // namespace tq::office
