// The coercion of variants (ChangeType) and the conversion between GBK text and wide automation
// strings, as the platform's automation layer does them.
#include "automation/coercion.h"

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>

#include "automation/dispatch.h"
#include "automation/error_values.h"
#include "text/dates.h"
#include "text/number_text.h"
#include "text/text.h"

namespace tq::automation {

namespace {

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
    if (code <= 0xFFFF)
        if (const char* t = ErrorValueText(static_cast<int32_t>(code))) return t;
    if (scode == hresult::DISP_E_PARAMNOTFOUND_) return "missing value";
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
    fail(hresult::DISP_E_OVERFLOW_, "cannot convert " + text::FormatNumber(d) + " to " +
                                        typeText(to) + ": the value is out of range");
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
            if (!text::InDateRange(d)) overflow(d, to);
            return Variant::Date(d);
        case VT_BOOL:
            return Variant::Bool(d != 0);
        default:
            fail(hresult::DISP_E_TYPEMISMATCH_, "cannot convert a number to " + typeText(to));
    }
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
        if (text::ParseDate(text::trim(ascii), d)) return Variant::Date(d);
        fail(hresult::DISP_E_TYPEMISMATCH_,
             "cannot convert the text \"" + FromBstr(v.bstr) + "\" to VT_DATE: it is not a date");
    }
    if (to == VT_BOOL) {
        String t = text::trim(ascii);
        if (text::equalsNoCase(t, "true")) return Variant::Bool(true);
        if (text::equalsNoCase(t, "false")) return Variant::Bool(false);
    }
    double d = 0;
    if (!text::ParseNumber(ascii, d))
        fail(hresult::DISP_E_TYPEMISMATCH_, "cannot convert the text \"" + FromBstr(v.bstr) +
                                                "\" to " + typeText(to) + ": it is not a number");
    return numberTo(d, to);
}

// Whether plainText gives the text form of a value of this type.
bool hasPlainText(uint16_t vt) {
    return isNumeric(vt);
}

// The text form of an empty value, a number, a date or a flag: ASCII, so the same bytes in GBK
// and (widened) in a wide string.
std::string plainText(const Variant& v) {
    char buf[16];
    switch (v.vt) {
        case VT_EMPTY:
            return {};
        case VT_I2:
            return std::string(buf, std::to_chars(buf, buf + sizeof buf, v.iVal).ptr);
        case VT_I4:
        case VT_INT:
            return std::string(buf, std::to_chars(buf, buf + sizeof buf, v.lVal).ptr);
        case VT_UI4:
            return std::string(buf, std::to_chars(buf, buf + sizeof buf, v.ulVal).ptr);
        case VT_R4:
            return text::FormatNumber(v.fltVal, 7);
        case VT_R8:
            return text::FormatNumber(v.dblVal, 15);
        case VT_DATE:
            return FormatDate(v.date);
        case VT_BOOL:
            return v.boolVal ? "TRUE" : "FALSE";
        default:
            fail(hresult::DISP_E_TYPEMISMATCH_, "cannot convert " + typeText(v.vt) + " to text");
    }
}

Variant toText(const Variant& v) {
    if (v.vt == VT_BSTR) return v;
    std::string ascii = plainText(v);
    return Variant::Str(std::u16string(ascii.begin(), ascii.end()));
}

Variant changeType(const Variant& in, uint16_t to, int depth) {
    if (to & VT_BYREF) fail(hresult::DISP_E_BADVARTYPE_, "cannot convert to a by-reference type");
    if ((in.vt & VT_BYREF) && !in.byref)
        fail(hresult::DISP_E_TYPEMISMATCH_, "cannot convert an unset reference");
    const Variant& v = in.deref();
    if (to == VT_VARIANT) return v;
    if (to == VT_EMPTY) return Variant();
    if (v.vt == to) return v;

    if (!isNumeric(v.vt) && v.vt != VT_NULL && v.vt != VT_BSTR && v.vt != VT_ERROR &&
        v.vt != VT_DISPATCH)
        fail(hresult::DISP_E_BADVARTYPE_,
             "cannot convert " + typeText(v.vt) + ": unknown variant type");

    // An error value (a sheet error such as #DIV/0!, or the missing value) has no other form.
    if (v.vt == VT_ERROR)
        fail(hresult::DISP_E_TYPEMISMATCH_,
             "cannot convert an error value (" + errorText(v.scode) + ") to " +
                 (to == VT_BSTR ? std::string("text") : typeText(to)));

    // An object converts through its default member.
    if (v.vt == VT_DISPATCH) {
        if (!v.disp) {
            if (to == VT_DISPATCH) return v;
            fail(hresult::DISP_E_TYPEMISMATCH_,
                 "cannot convert an empty object to " + typeText(to));
        }
        if (depth >= kMaxDefaultDepth)
            fail(hresult::DISP_E_TYPEMISMATCH_, "cannot convert " + v.disp->TypeName() + " to " +
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
        case VT_ERROR:
            break;
        default:
            // The numeric targets: the scalar types but the empty one.
            if (to == VT_EMPTY || !isNumeric(to))
                fail(hresult::DISP_E_BADVARTYPE_,
                     "cannot convert to " + typeText(to) + ": unsupported target type");
            if (v.vt == VT_BSTR) return textTo(v, to);
            if (isNumeric(v.vt)) return numberTo(numberOf(v), to);
            break;
    }
    fail(hresult::DISP_E_TYPEMISMATCH_, "cannot convert " + typeText(v.vt) + " to " + typeText(to));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Text forms

std::string FormatDate(double date) {
    std::optional<std::string> t = text::FormatDate(date);
    if (!t)
        fail(hresult::DISP_E_OVERFLOW_, "cannot convert the date " + text::FormatNumber(date) +
                                            " to text: it is outside 100/1/1 ... 9999/12/31");
    return *t;
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
        fail(hresult::E_NO_UNICODE_TRANSLATION_,
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
    // Texts and plain values directly, without the wide copy the coercion hands back.
    if (!(v.vt & VT_BYREF) || v.byref) {
        const Variant& d = v.deref();
        if (d.vt == VT_BSTR) return FromBstr(d.bstr);
        if (hasPlainText(d.vt)) return plainText(d);
    }
    return FromBstr(ChangeType(v, VT_BSTR).bstr);
}

}  // namespace tq::automation
