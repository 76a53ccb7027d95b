// Argument conversion shared by the spreadsheet and the document engine.
#include "office/common/arguments.h"

#include <cmath>

#include "automation/coercion.h"
#include "automation/member_table.h"
#include "text/text.h"
#include "tqtool/types.h"

namespace tq::office {

using automation::Variant;

std::string MemberRef::text() const {
    return object_ ? automation::MemberName(*object_, id_) : std::string(name_);
}

std::string Gbk(std::string_view utf8) {
    return text::utf8ToGbk(utf8);
}

void Fail(int32_t code, const MemberRef& member, std::string_view why) {
    std::string m = member.text();
    m += ": ";
    m += why;
    throw AutomationError(code, m);
}

void Fail(const MemberRef& member, std::string_view why) {
    Fail(hresult::E_FAIL_, member, why);
}

const Variant& MissingArg() {
    static const Variant missing = Variant::Missing();
    return missing;
}

const Variant& PutValue(std::span<const Variant> args, const MemberRef& member) {
    if (args.empty()) Fail(hresult::DISP_E_PARAMNOTFOUND_, member, "no value was given");
    return args.back().deref();
}

Variant Convert(const Variant& v, uint16_t to, const MemberRef& member) {
    if (v.isMissing())
        Fail(hresult::DISP_E_PARAMNOTFOUND_, member, "a required argument is missing");
    try {
        return automation::ChangeType(v, to);
    } catch (const AutomationError& e) {
        Fail(e.code(), member, e.what());
    }
}

int64_t ToInteger(const Variant& v, const MemberRef& member, int64_t lo, int64_t hi) {
    int64_t n = 0;
    switch (v.vt) {
        case automation::VT_I4:
        case automation::VT_INT:
            n = v.lVal;
            break;
        case automation::VT_I2:
            n = v.iVal;
            break;
        default: {
            // Half to even, as the platform's coercion rounds.
            double d = std::nearbyint(Convert(v, automation::VT_R8, member).dblVal);
            if (!(d >= static_cast<double>(lo) && d <= static_cast<double>(hi)))
                Fail(hresult::DISP_E_OVERFLOW_, member, "the number is out of range");
            return static_cast<int64_t>(d);
        }
    }
    if (n < lo || n > hi) Fail(hresult::DISP_E_OVERFLOW_, member, "the number is out of range");
    return n;
}

int32_t ToInt32(const Variant& v, const MemberRef& member) {
    return static_cast<int32_t>(ToInteger(v, member, INT32_MIN, INT32_MAX));
}

double ToDouble(const Variant& v, const MemberRef& member) {
    if (v.vt == automation::VT_R8) return v.dblVal;
    return Convert(v, automation::VT_R8, member).dblVal;
}

bool ToBool(const Variant& v, const MemberRef& member) {
    if (v.vt == automation::VT_BOOL) return v.boolVal != 0;
    return Convert(v, automation::VT_BOOL, member).boolVal != 0;
}

std::u16string ToUtf16(const Variant& v, const MemberRef& member) {
    if (v.vt == automation::VT_BSTR) return v.bstr;
    return Convert(v, automation::VT_BSTR, member).bstr;
}

std::string ToUtf8(const Variant& v, const MemberRef& member) {
    return text::utf16ToUtf8(ToUtf16(v, member));
}

}  // namespace tq::office
