// The spreadsheet's error values (#DIV/0!, #N/A ...): their codes and their texts, shared by the
// coercion (a VT_ERROR variant holds 0x800A0000 | code) and the spreadsheet engine's cells and
// files.
#pragma once

#include <cstdint>
#include <string_view>

namespace tq::automation {

/// The error codes, as the spreadsheet numbers them.
enum class CellError : int32_t {
    Null = 2000,
    Div0 = 2007,
    Value = 2015,
    Ref = 2023,
    Name = 2029,
    Num = 2036,
    NA = 2042,
    GettingData = 2043,
};

/// The text of an error code ("#DIV/0!"), or nullptr for a code that is no error value.
const char* ErrorValueText(int32_t code);
/// The code of an error text ("#N/A" -> 2042), or 0 when the text is no error value.
int32_t ErrorValueFromText(std::string_view text);

}  // namespace tq::automation
