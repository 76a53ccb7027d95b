// The spreadsheet engine behind "Excel.Application": Application, Workbooks, Workbook, Sheets,
// Worksheet, Range, Font and Interior objects answering automation calls on in-memory
// workbooks, which are read from and saved to real files.
#pragma once

#include <string>

#include "automation/dispatch.h"

namespace tq::office {

/// A new, invisible Application object with no workbook open.
automation::DispatchPtr CreateExcelApplication();

/// Whether making an application visible saves each workbook not shown yet into the show folder
/// and opens it on the desktop (the default), or only marks the application visible (a program
/// that saves the workbooks itself turns it off).
void SetShowOnVisible(bool enabled);
bool ShowOnVisible();

/// The folder that shown workbooks are saved in: $TQTOOL_OFFICE_DIR, else
/// ${XDG_RUNTIME_DIR:-/tmp}/tqtool-office.
std::string ShowFolder();

}  // namespace tq::office
