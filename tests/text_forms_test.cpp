// Conversions from a text or a value to a text, one call per line of tests/golden/text_forms.txt
// (["FUNCTION", "INPUT", "RESULT"]): the inputs are read from that file and the results written
// back, so that adding a case is adding a line.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "automation/coercion.h"
#include "office/spreadsheet/model/model_ops.h"
#include "office/spreadsheet/model/number_formats.h"
#include "os/process.h"
#include "support/golden.h"
#include "support/os_support.h"
#include "support/recording_server.h"
#include "text/text.h"

using namespace tq::automation;
using namespace tq::office;

namespace {

std::string number(double v) {
    return tq::text::format("%.15g", v);
}

const std::map<std::string, uint16_t> kTypes = {
    {"I2", VT_I2},     {"I4", VT_I4},     {"UI4", VT_UI4},  {"R8", VT_R8},
    {"BOOL", VT_BOOL}, {"DATE", VT_DATE}, {"BSTR", VT_BSTR}};

// "TYPE:VALUE" as a variant: R4, R8, I4, UI4, DATE, BOOL:TRUE, BSTR:text (UTF-8), ERROR:hex;
// EMPTY, NULL, MISSING, and null DISPATCH and BYREF.
Variant variantOf(const std::string& s) {
    const size_t colon = s.find(':');
    const std::string type = s.substr(0, colon), value = s.substr(colon + 1);
    if (type == "R8") return Variant::R8(std::stod(value));
    if (type == "R4") return Variant::R4(std::stof(value));
    if (type == "I4") return Variant::I4(std::stoi(value));
    if (type == "UI4") return Variant::UI4(static_cast<uint32_t>(std::stoul(value)));
    if (type == "DATE") return Variant::Date(std::stod(value));
    if (type == "BOOL") return Variant::Bool(value == "TRUE");
    if (type == "BSTR") return Variant::Str(tq::text::utf8ToUtf16(value));
    if (type == "ERROR")
        return Variant::Error(static_cast<int32_t>(std::stoul(value, nullptr, 16)));
    if (type == "MISSING") return Variant::Missing();
    if (type == "DISPATCH") return Variant::Dispatch(nullptr);
    if (type == "BYREF") return Variant::ByRef(nullptr);
    Variant v;
    if (type == "NULL") v.vt = VT_NULL;
    return v;
}

// The result of `f`, or the code of the automation error it raises.
std::string orError(const std::function<std::string()>& f) {
    try {
        return f();
    } catch (const tq::AutomationError& e) {
        return tq::text::format("error 0x%08X", static_cast<unsigned>(e.code()));
    }
}

// A converted variant as the call logs show it; true is -1, dates are serial numbers.
std::string typed(const Variant& v) {
    if (v.vt == VT_BOOL) return "BOOL:" + std::to_string(v.boolVal);
    return v.vt == VT_DATE ? "DATE:" + number(v.dblVal) : tqtest::DescribeVariant(v);
}

// A number in a cell of format FORMAT, "VALUE FORMAT" or "VALUE FORMAT 1904"; the serial number
// must survive the round trip through the automation date.
std::string cellText(const std::string& in) {
    std::istringstream s(in);
    double value = 0;
    std::string format, system;
    s >> value >> format >> system;
    BookModel b;
    b.wb.date1904 = system == "1904";
    Sheet& sheet = b.wb.sheets.emplace_back();
    SetNumber(b, sheet, 0, 0, value);
    Style st;
    st.numFmt = format;
    FindCell(sheet, 0, 0)->style = b.internStyle(st);
    const double back = OleToSerial(SerialToOle(value, b.wb.date1904), b.wb.date1904);
    return CellText(b, *FindCell(sheet, 0, 0)) +
           (back == value ? "" : " (round trip gives " + number(back) + ")");
}

const std::map<std::string, std::function<std::string(const std::string&)>> kFunctions = {
    {"text::atoi", [](const std::string& in) { return number(tq::text::atoi(in)); }},
    {"PlainDecimal",
     [](const std::string& in) {
         const auto v = PlainDecimal(std::string_view(in));
         const auto w = PlainDecimal(std::u16string_view(tq::text::utf8ToUtf16(in)));
         return v != w ? "the two forms disagree" : v ? number(*v) : "no";
     }},
    {"IsDateFormat", [](const std::string& in) { return IsDateFormat(in) ? "yes" : "no"; }},
    {"IsGeneralFormat", [](const std::string& in) { return IsGeneralFormat(in) ? "yes" : "no"; }},
    {"CellText", cellText},
    {"VariantToString",
     [](const std::string& in) {
         return orError([&] { return tq::text::gbkToUtf8(VariantToString(variantOf(in))); });
     }},
    {"SplitCommandLine", [](const std::string& in) {
         std::string out;
         for (const auto& arg : tq::os::SplitCommandLine(tq::text::utf8ToGbk(in)))
             out += "[" + tq::text::gbkToUtf8(arg) + "]";
         return out;
     }}};

TEST(TextForms, EachLineGivesItsResult) {
    std::istringstream in(
        ostest::readFile(TQTEST_SOURCE_DIR "/tests/golden/text_forms.txt").value_or(""));
    std::string out;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] != '[') {
            out += line + "\n";
            continue;
        }
        const auto j = nlohmann::json::parse(line);
        const std::string name = j[0], input = j[1], to = name.substr(name.find(' ') + 1);
        std::string result;
        if (name.starts_with("ChangeType "))  // "ChangeType TYPE"
            result = orError([&] { return typed(ChangeType(variantOf(input), kTypes.at(to))); });
        else
            result = kFunctions.at(name)(input);
        out += nlohmann::json::array({name, input, result}).dump() + "\n";
    }
    tqtest::ExpectGolden("text_forms.txt", out);
}

}  // namespace
