// Reading .xlsx / .xlsm workbooks into the engine's model.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "office/spreadsheet/model/workbook_model.h"
#include "tqtool/limits.h"

namespace tq::office {

/// Reads the workbook at `utf8Path` into `out` (replacing what it held): every sheet in workbook
/// order with its name and kind, cell values (shared, inline and rich-text strings, numbers,
/// booleans, errors, cached results of formulas), cell formats, merged areas, column widths, row
/// heights and the date system. A damaged, encrypted or hostile file, or one beyond the limits,
/// raises tq::AutomationError naming the file and the problem; `out` is then left unchanged.
void ReadXlsx(const std::string& utf8Path, Workbook& out);
/// ReadXlsx within explicit limits.
void ReadXlsx(const std::string& utf8Path, Workbook& out, const Limits& limits);

/// The same for a package held in memory; `displayName` names it in error messages.
void ReadXlsxMemory(const void* data, size_t size, const std::string& displayName, Workbook& out,
                    const Limits& limits = GetLimits());

/// Column width as a workbook file stores it (characters plus cell padding) -> the width the
/// spreadsheet shows and the model keeps (characters of the default font).
double ColumnWidthFromFile(double fileWidth);

/// ISO 8601 date and/or time text ("2024-01-31", "2024-01-31T08:30:00.5Z", "08:30:00") -> serial
/// day number of the 1900 (or 1904) date system; false when the text is not understood.
bool IsoDateToSerial(std::string_view text, bool date1904, double& serial);

}  // namespace tq::office
