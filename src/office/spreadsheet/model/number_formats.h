// Number formats: the spreadsheet's built-in formats by id, and what a format code shows (dates
// and times, or the general format).
#pragma once

#include <string_view>

namespace tq::office {

/// The general format's name in the Chinese user interface ("G/通用格式", UTF-8): what
/// Range.NumberFormat shows for the general format, and a name it accepts.
inline constexpr std::string_view kGeneralFormatLocal =
    "G/\xe9\x80\x9a\xe7\x94\xa8\xe6\xa0\xbc\xe5\xbc\x8f";

/// The format code (UTF-8) of a built-in number format id, as a workbook may use it without
/// defining it: 0 "General", 14 "m/d/yyyy" ..., and for the East Asian ids 27-36 and 50-58 the
/// codes of the Chinese (PRC) locale. nullptr for an id without a built-in code.
const char* BuiltinNumFmt(int id);

/// True for the general format: the empty code, "General" in any case, and its Chinese name.
bool IsGeneralFormat(std::string_view code);

/// True when a format code shows dates or times: a date or time token (y m d h s) outside quoted
/// text, brackets and escapes.
bool IsDateFormat(std::string_view code);

}  // namespace tq::office
