#include "automation/holder.h"

#include <charconv>

#include <cfloat>
#include <climits>
#include <cmath>
#include <map>
#include <mutex>
#include <utility>

#include "automation/excel_ops.h"
#include "text/text.h"

namespace tq::automation {

namespace {

// Valid dates: 100/1/1 ... 9999/12/31 23:59:59.
constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958466.0;
// Days from 1970-01-01 back to 1899-12-30, the day 0 of automation dates.
constexpr int64_t kUnixToOleDays = 25569;
// A number or object coercion follows an object's default member at most this deep.
constexpr int kMaxDefaultDepth = 8;

[[noreturn]] void fail(int32_t code, const std::string& message) {
    throw AutomationError(code, message);
}

std::string typeText(uint16_t vt) {
    switch (vt & ~VT_BYREF) {
        case VT_EMPTY:
            return "VT_EMPTY";
        case VT_NULL:
            return "VT_NULL";
        case VT_I2:
            return "VT_I2";
        case VT_I4:
            return "VT_I4";
        case VT_R4:
            return "VT_R4";
        case VT_R8:
            return "VT_R8";
        case VT_DATE:
            return "VT_DATE";
        case VT_BSTR:
            return "VT_BSTR";
        case VT_DISPATCH:
            return "VT_DISPATCH";
        case VT_ERROR:
            return "VT_ERROR";
        case VT_BOOL:
            return "VT_BOOL";
        case VT_VARIANT:
            return "VT_VARIANT";
        case VT_UI4:
            return "VT_UI4";
        case VT_INT:
            return "VT_INT";
        default:
            return text::format("type %u", static_cast<unsigned>(vt));
    }
}

// The sheet error names for the codes a spreadsheet server returns (2007, or 0x800A07D7 as a
// sheet's error value travels through automation).
std::string errorText(int32_t scode) {
    uint32_t u = static_cast<uint32_t>(scode);
    uint32_t code = (u >> 16) == 0x800A ? (u & 0xFFFF) : u;
    switch (code) {
        case 2000:
            return "#NULL!";
        case 2007:
            return "#DIV/0!";
        case 2015:
            return "#VALUE!";
        case 2023:
            return "#REF!";
        case 2029:
            return "#NAME?";
        case 2036:
            return "#NUM!";
        case 2042:
            return "#N/A";
        default:
            break;
    }
    if (scode == DISP_E_PARAMNOTFOUND) return "missing value";
    return text::format("0x%08X", u);
}

bool isNumeric(uint16_t vt) {
    switch (vt) {
        case VT_EMPTY:
        case VT_I2:
        case VT_I4:
        case VT_INT:
        case VT_UI4:
        case VT_R4:
        case VT_R8:
        case VT_DATE:
        case VT_BOOL:
            return true;
        default:
            return false;
    }
}

double numberOf(const Variant& v) {
    switch (v.vt) {
        case VT_I2:
            return v.iVal;
        case VT_I4:
        case VT_INT:
            return v.lVal;
        case VT_UI4:
            return v.ulVal;
        case VT_R4:
            return v.fltVal;
        case VT_R8:
            return v.dblVal;
        case VT_DATE:
            return v.date;
        case VT_BOOL:
            return v.boolVal ? -1.0 : 0.0;
        default:
            return 0.0;
    }
}

// Integers are rounded half to even, as the platform's coercion rounds.
double roundToInteger(double d) {
    return std::nearbyint(d);
}

[[noreturn]] void overflow(double d, uint16_t to) {
    fail(DISP_E_OVERFLOW, "cannot convert " + FormatNumber(d) + " to " + typeText(to) +
                              ": the value is out of range");
}

Variant numberTo(double d, uint16_t to) {
    if (std::isnan(d)) overflow(d, to);
    switch (to) {
        case VT_I2: {
            double r = roundToInteger(d);
            if (r < INT16_MIN || r > INT16_MAX) overflow(d, to);
            return Variant::I2(static_cast<int16_t>(r));
        }
        case VT_I4:
        case VT_INT: {
            double r = roundToInteger(d);
            if (r < INT32_MIN || r > INT32_MAX) overflow(d, to);
            return to == VT_I4 ? Variant::I4(static_cast<int32_t>(r))
                               : Variant::Int(static_cast<int32_t>(r));
        }
        case VT_UI4: {
            double r = roundToInteger(d);
            if (r < 0 || r > UINT32_MAX) overflow(d, to);
            return Variant::UI4(static_cast<uint32_t>(r));
        }
        case VT_R4:
            if (std::isfinite(d) && std::fabs(d) > FLT_MAX) overflow(d, to);
            return Variant::R4(static_cast<float>(d));
        case VT_R8:
            return Variant::R8(d);
        case VT_DATE:
            if (!(d >= kMinDate && d < kMaxDate)) overflow(d, to);
            return Variant::Date(d);
        case VT_BOOL:
            return Variant::Bool(d != 0);
        default:
            fail(DISP_E_TYPEMISMATCH, "cannot convert a number to " + typeText(to));
    }
}

// days since 1970-01-01 -> civil date (proleptic Gregorian).
void civilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
}

int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

bool isLeap(int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned daysInMonth(int64_t y, unsigned m) {
    static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

// Reads an unsigned decimal field of 1..maxDigits digits.
bool readUnsigned(std::string_view s, size_t& pos, int maxDigits, unsigned& out) {
    size_t start = pos;
    unsigned v = 0;
    while (pos < s.size() && text::isDigit(static_cast<unsigned char>(s[pos])) &&
           pos - start < static_cast<size_t>(maxDigits)) {
        v = v * 10 + static_cast<unsigned>(s[pos] - '0');
        ++pos;
    }
    if (pos == start) return false;
    if (pos < s.size() && text::isDigit(static_cast<unsigned char>(s[pos]))) return false;
    out = v;
    return true;
}

bool readTime(std::string_view s, size_t& pos, double& fraction) {
    unsigned h = 0, mi = 0, se = 0;
    if (!readUnsigned(s, pos, 2, h) || pos >= s.size() || s[pos] != ':') return false;
    ++pos;
    if (!readUnsigned(s, pos, 2, mi)) return false;
    if (pos < s.size() && s[pos] == ':') {
        ++pos;
        if (!readUnsigned(s, pos, 2, se)) return false;
    }
    if (h > 23 || mi > 59 || se > 59) return false;
    fraction = (h * 3600.0 + mi * 60.0 + se) / 86400.0;
    return true;
}

std::string asciiOf(const std::u16string& s) {
    std::string out;
    out.reserve(s.size());
    for (char16_t c : s) {
        if (c >= 0x80) return {};  // no number or date form holds other characters
        out.push_back(static_cast<char>(c));
    }
    return out;
}

Variant textTo(const Variant& v, uint16_t to) {
    std::string ascii = asciiOf(v.bstr);
    if (to == VT_DATE) {
        double d = 0;
        if (ParseDate(text::trim(ascii), d)) return Variant::Date(d);
        fail(DISP_E_TYPEMISMATCH,
             "cannot convert the text \"" + FromBstr(v.bstr) + "\" to VT_DATE: it is not a date");
    }
    if (to == VT_BOOL) {
        String t = text::trim(ascii);
        if (text::equalsNoCase(t, "true")) return Variant::Bool(true);
        if (text::equalsNoCase(t, "false")) return Variant::Bool(false);
    }
    double d = 0;
    if (!ParseNumber(ascii, d))
        fail(DISP_E_TYPEMISMATCH, "cannot convert the text \"" + FromBstr(v.bstr) + "\" to " +
                                      typeText(to) + ": it is not a number");
    return numberTo(d, to);
}

Variant toText(const Variant& v) {
    switch (v.vt) {
        case VT_EMPTY:
            return Variant::Str(u"");
        case VT_BSTR:
            return v;
        case VT_I2:
        case VT_I4:
        case VT_INT:
            return Variant::Str(
                text::utf8ToUtf16(text::format("%d", static_cast<int>(numberOf(v)))));
        case VT_UI4:
            return Variant::Str(text::utf8ToUtf16(text::format("%u", v.ulVal)));
        case VT_R4:
            return Variant::Str(text::utf8ToUtf16(FormatNumber(v.fltVal, 7)));
        case VT_R8:
            return Variant::Str(text::utf8ToUtf16(FormatNumber(v.dblVal, 15)));
        case VT_DATE:
            return Variant::Str(text::utf8ToUtf16(FormatDate(v.date)));
        case VT_BOOL:
            return Variant::Str(v.boolVal ? u"TRUE" : u"FALSE");
        default:
            break;
    }
    fail(DISP_E_TYPEMISMATCH, "cannot convert " + typeText(v.vt) + " to text");
}

Variant changeType(const Variant& in, uint16_t to, int depth) {
    if (to & VT_BYREF) fail(DISP_E_BADVARTYPE, "cannot convert to a by-reference type");
    if ((in.vt & VT_BYREF) && !in.byref)
        fail(DISP_E_TYPEMISMATCH, "cannot convert an unset reference");
    const Variant& v = in.deref();
    if (to == VT_VARIANT) return v;
    if (to == VT_EMPTY) return Variant();
    if (v.vt == to) return v;

    switch (v.vt) {
        case VT_EMPTY:
        case VT_NULL:
        case VT_I2:
        case VT_I4:
        case VT_INT:
        case VT_UI4:
        case VT_R4:
        case VT_R8:
        case VT_DATE:
        case VT_BOOL:
        case VT_BSTR:
        case VT_ERROR:
        case VT_DISPATCH:
            break;
        default:
            fail(DISP_E_BADVARTYPE, "cannot convert " + typeText(v.vt) + ": unknown variant type");
    }

    // An error value (a sheet error such as #DIV/0!, or the missing value) has no other form.
    if (v.vt == VT_ERROR)
        fail(DISP_E_TYPEMISMATCH, "cannot convert an error value (" + errorText(v.scode) + ") to " +
                                      (to == VT_BSTR ? std::string("text") : typeText(to)));

    // An object converts through its default member.
    if (v.vt == VT_DISPATCH) {
        if (!v.disp) {
            if (to == VT_DISPATCH) return v;
            fail(DISP_E_TYPEMISMATCH, "cannot convert an empty object to " + typeText(to));
        }
        if (depth >= kMaxDefaultDepth)
            fail(DISP_E_TYPEMISMATCH, "cannot convert " + v.disp->TypeName() + " to " +
                                          typeText(to) +
                                          ": its default member yields only objects");
        Variant value = v.disp->Invoke(DISPID_VALUE, InvokeKind::PropertyGet, {});
        try {
            return changeType(value, to, depth + 1);
        } catch (const AutomationError& e) {
            fail(e.code(), v.disp->TypeName() + " value: " + e.what());
        }
    }

    switch (to) {
        case VT_NULL:
            if (v.vt == VT_EMPTY) {
                Variant r;
                r.vt = VT_NULL;
                return r;
            }
            break;
        case VT_DISPATCH:
            if (v.vt == VT_EMPTY) return Variant::Dispatch(nullptr);
            break;
        case VT_BSTR:
            if (v.vt == VT_NULL) break;
            return toText(v);
        case VT_I2:
        case VT_I4:
        case VT_INT:
        case VT_UI4:
        case VT_R4:
        case VT_R8:
        case VT_DATE:
        case VT_BOOL:
            if (v.vt == VT_BSTR) return textTo(v, to);
            if (isNumeric(v.vt)) return numberTo(numberOf(v), to);
            break;
        case VT_ERROR:
            break;
        default:
            fail(DISP_E_BADVARTYPE,
                 "cannot convert to " + typeText(to) + ": unsupported target type");
    }
    fail(DISP_E_TYPEMISMATCH, "cannot convert " + typeText(v.vt) + " to " + typeText(to));
}

std::mutex& namesMutex() {
    static std::mutex m;
    return m;
}

std::map<std::pair<std::string, DISPID>, std::string>& extraNames() {
    static auto* names = new std::map<std::pair<std::string, DISPID>, std::string>;
    return *names;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Text forms

std::string FormatNumber(double v, int digits) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v < 0 ? "-Infinity" : "Infinity";
    if (v == 0) return "0";
    if (digits < 1) digits = 1;
    if (digits > 17) digits = 17;
    // d.ddddde+XX with at most `digits` significant digits, rounded once. The shortest form
    // that reads back as `v` is the same text whenever it has no more digits than asked for
    // (any decimal of 15 digits or fewer survives a round trip through a double), and it is
    // much cheaper than printf; otherwise printf rounds to `digits`.
    char shortest[64];
    auto conv =
        std::to_chars(shortest, shortest + sizeof shortest, v, std::chars_format::scientific);
    std::string e(shortest, conv.ptr);
    size_t sigDigits = 0;
    for (char c : e) {
        if (c == 'e') break;
        if (text::isDigit(static_cast<unsigned char>(c))) ++sigDigits;
    }
    if (conv.ec != std::errc() || sigDigits > static_cast<size_t>(digits))
        e = text::format("%.*e", digits - 1, v);
    size_t ePos = e.find('e');
    int exponent = text::atoi(e.c_str() + ePos + 1);
    std::string mantissa;
    for (size_t i = 0; i < ePos; ++i)
        if (text::isDigit(static_cast<unsigned char>(e[i]))) mantissa.push_back(e[i]);
    while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();

    std::string out = v < 0 ? "-" : "";
    if (exponent >= digits || exponent < -6) {
        out += mantissa[0];
        if (mantissa.size() > 1) out += "." + mantissa.substr(1);
        out += text::format("E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        return out;
    }
    if (exponent >= 0) {
        size_t intDigits = static_cast<size_t>(exponent) + 1;
        if (mantissa.size() <= intDigits) {
            out += mantissa + std::string(intDigits - mantissa.size(), '0');
        } else {
            out += mantissa.substr(0, intDigits) + "." + mantissa.substr(intDigits);
        }
    } else {
        out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + mantissa;
    }
    return out;
}

std::string FormatDate(double date) {
    if (!(date >= kMinDate && date < kMaxDate))
        fail(DISP_E_OVERFLOW, "cannot convert the date " + FormatNumber(date) +
                                  " to text: it is outside 100/1/1 ... 9999/12/31");
    double whole = std::trunc(date);
    double fraction = std::fabs(date - whole);
    int64_t days = static_cast<int64_t>(whole);
    int64_t seconds = std::llround(fraction * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;
    }
    std::string timeText;
    if (seconds > 0 || days == 0) {
        timeText =
            text::format("%d:%02d:%02d", static_cast<int>(seconds / 3600),
                         static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    }
    if (days == 0) return timeText;
    int64_t y = 0;
    unsigned m = 0, d = 0;
    civilFromDays(days - kUnixToOleDays, y, m, d);
    std::string out = text::format("%lld/%u/%u", static_cast<long long>(y), m, d);
    if (!timeText.empty()) out += " " + timeText;
    return out;
}

bool ParseNumber(std::string_view s, double& out) {
    size_t b = 0, e = s.size();
    while (b < e && text::isSpace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && text::isSpace(static_cast<unsigned char>(s[e - 1]))) --e;
    std::string body(s.substr(b, e - b));
    size_t i = 0;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
    size_t digits = 0;
    while (i < body.size() && text::isDigit(static_cast<unsigned char>(body[i]))) ++i, ++digits;
    if (i < body.size() && body[i] == '.') {
        ++i;
        while (i < body.size() && text::isDigit(static_cast<unsigned char>(body[i]))) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
        ++i;
        if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < body.size() && text::isDigit(static_cast<unsigned char>(body[i])))
            ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    if (i != body.size()) return false;
    double d = text::strtod(body.c_str(), nullptr);
    if (!std::isfinite(d)) return false;
    out = d;
    return true;
}

bool ParseDate(std::string_view s, double& out) {
    size_t pos = 0;
    double fraction = 0;
    // A time alone.
    {
        size_t p = 0;
        double f = 0;
        if (readTime(s, p, f) && p == s.size()) {
            out = f;
            return true;
        }
    }
    unsigned y = 0, m = 0, d = 0;
    if (!readUnsigned(s, pos, 4, y) || pos >= s.size() || (s[pos] != '/' && s[pos] != '-'))
        return false;
    char sep = s[pos++];
    if (!readUnsigned(s, pos, 2, m) || pos >= s.size() || s[pos] != sep) return false;
    ++pos;
    if (!readUnsigned(s, pos, 2, d)) return false;
    if (y < 100 || m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m)) return false;
    if (pos < s.size()) {
        if (s[pos] != ' ' && s[pos] != 'T') return false;
        ++pos;
        if (!readTime(s, pos, fraction) || pos != s.size()) return false;
    }
    double days = static_cast<double>(daysFromCivil(y, m, d) + kUnixToOleDays);
    // Before day 0 the time of day still counts forward from the day's start.
    out = days < 0 ? days - fraction : days + fraction;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Conversions

Variant ChangeType(const Variant& v, uint16_t vt) {
    return changeType(v, vt, 0);
}

std::u16string ToBstr(const String& gbk) {
    std::u16string out;
    if (!text::gbkToUtf16(gbk, out)) {
        size_t bad = 0;
        while (bad < gbk.size()) {
            size_t n = text::charLen(gbk, bad);
            if (!text::isValidGbk(std::string_view(gbk).substr(bad, n))) break;
            bad += n;
        }
        fail(E_NO_UNICODE_TRANSLATION,
             text::format("cannot convert the text to a wide string: byte %zu is not valid GBK",
                          bad));
    }
    return out;
}

String FromBstr(const std::u16string& bstr) {
    return text::utf16ToGbk(bstr);
}

Variant StrVariant(const String& gbk) {
    return Variant::Str(ToBstr(gbk));
}

String VariantToString(const Variant& v) {
    return FromBstr(ChangeType(v, VT_BSTR).bstr);
}

// ---------------------------------------------------------------------------------------------
// Member names

std::string MemberName(const std::string& typeName, DISPID id) {
    {
        std::lock_guard<std::mutex> lock(namesMutex());
        auto it = extraNames().find({typeName, id});
        if (it != extraNames().end()) return typeName + "." + it->second;
    }
    std::string_view known = xl::MemberNameOf(typeName, id);
    if (!known.empty()) return typeName + "." + std::string(known);
    return typeName + text::format(".#0x%X", static_cast<unsigned>(id));
}

void RegisterMemberName(const std::string& typeName, DISPID id, const std::string& name) {
    std::lock_guard<std::mutex> lock(namesMutex());
    extraNames()[{typeName, id}] = name;
}

// ---------------------------------------------------------------------------------------------
// Holder

Variant Holder::InvokeHelper(DISPID id, InvokeKind kind, uint16_t resultType,
                             std::initializer_list<Variant> args) const {
    return InvokeHelper(id, kind, resultType, std::span<const Variant>(args.begin(), args.size()));
}

Variant Holder::InvokeHelper(DISPID id, InvokeKind kind, uint16_t resultType,
                             std::span<const Variant> args) const {
    if (!p_) return Variant();
    // Keep the object alive for the call even if the holder is re-attached from inside it.
    DispatchPtr target = p_;
    Variant result;
    try {
        result = target->Invoke(id, kind, args);
    } catch (const AutomationError&) {
        throw;
    } catch (const std::exception& e) {
        fail(DISP_E_EXCEPTION, MemberName(target->TypeName(), id) + ": " + e.what());
    }
    if (resultType == VT_EMPTY) return Variant();
    try {
        return ChangeType(result, resultType);
    } catch (const AutomationError& e) {
        fail(e.code(), MemberName(target->TypeName(), id) + ": " + e.what());
    }
}

Holder Holder::GetObject(DISPID id, std::initializer_list<Variant> args) const {
    return InvokeObject(id, InvokeKind::PropertyGet,
                        std::span<const Variant>(args.begin(), args.size()));
}

Holder Holder::GetObject(DISPID id, std::span<const Variant> args) const {
    return InvokeObject(id, InvokeKind::PropertyGet, args);
}

Holder Holder::InvokeObject(DISPID id, InvokeKind kind, std::initializer_list<Variant> args) const {
    return InvokeObject(id, kind, std::span<const Variant>(args.begin(), args.size()));
}

Holder Holder::InvokeObject(DISPID id, InvokeKind kind, std::span<const Variant> args) const {
    if (!p_) return Holder();
    Variant r = InvokeHelper(id, kind, VT_DISPATCH, args);
    return Holder(std::move(r.disp));
}

}  // namespace tq::automation
