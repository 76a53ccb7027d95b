// Reading .xls workbooks (BIFF2-BIFF8) into the engine's model.
#pragma once

#include <cstddef>
#include <string>

#include "office/spreadsheet/model/workbook_model.h"

namespace tq::office {

/// Reads the workbook at `utf8Path` into `out` (replacing what it held): every sheet in order
/// (worksheets, and chart, macro and dialog sheets as sheets of their kind) with cell values
/// (numbers, texts, booleans, errors, cached results of formulas), cell formats, merged areas,
/// column widths, row heights and the date system. The file is a compound document holding a
/// Workbook or Book stream, or a bare BIFF2-4 worksheet. A damaged, encrypted or hostile file
/// raises tq::AutomationError (E_FAIL) "cannot read workbook '<path>': <problem>"; `out` is
/// then unchanged.
void ReadXls(const std::string& utf8Path, Workbook& out);

/// The same for a file held in memory; `displayName` names it in error messages.
void ReadXlsMemory(const void* data, size_t size, const std::string& displayName, Workbook& out);

}  // namespace tq::office
