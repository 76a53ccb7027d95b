// The spreadsheet's error values (see error_values.h).
#include "automation/error_values.h"

namespace tq::automation {

namespace {

struct ErrorName {
    CellError code;
    const char* text;
};

constexpr ErrorName kErrors[] = {
    {CellError::Null, "#NULL!"},   {CellError::Div0, "#DIV/0!"},
    {CellError::Value, "#VALUE!"}, {CellError::Ref, "#REF!"},
    {CellError::Name, "#NAME?"},   {CellError::Num, "#NUM!"},
    {CellError::NA, "#N/A"},       {CellError::GettingData, "#GETTING_DATA"},
};

}  // namespace

const char* ErrorValueText(int32_t code) {
    for (const ErrorName& e : kErrors)
        if (static_cast<int32_t>(e.code) == code) return e.text;
    return nullptr;
}

int32_t ErrorValueFromText(std::string_view text) {
    for (const ErrorName& e : kErrors)
        if (text == e.text) return static_cast<int32_t>(e.code);
    return 0;
}

}  // namespace tq::automation
