// Argument conversion for the embedded engines' automation objects: every argument a member
// takes is converted here, through the platform's coercion (automation::ChangeType), so both
// engines read numbers, flags and texts the same way: integers rounded half to even, numbers as
// text in the library's one number form.
//
// `member` names the member a refusal starts with ("Type.Member"); its text is built only when a
// call is refused, so the calls that succeed cost no text. Messages are GBK.
#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>

#include "automation/variant.h"

namespace tq::automation {
class IDispatch;
}

namespace tq::office {

/// The member a refusal names: a member of an object (named from its server's member table) or
/// a fixed name.
class MemberRef {
  public:
    MemberRef(const automation::IDispatch& object, automation::DISPID id)
        : object_(&object), id_(id) {}
    MemberRef(const char* name) : name_(name) {}  // NOLINT: a fixed name reads as a member
    /// "Type.Member".
    std::string text() const;

  private:
    const automation::IDispatch* object_ = nullptr;
    automation::DISPID id_ = 0;
    const char* name_ = "";
};

/// Raises tq::AutomationError(code, "<member>: <why>"); `why` is GBK.
[[noreturn]] void Fail(int32_t code, const MemberRef& member, std::string_view why);
/// GBK text from UTF-8 (names and texts quoted in messages; characters that code page 936 lacks
/// become '?').
std::string Gbk(std::string_view utf8);
/// The same with E_FAIL.
[[noreturn]] void Fail(const MemberRef& member, std::string_view why);

/// The missing value (an omitted optional argument).
const automation::Variant& MissingArg();
/// Argument `i` followed through a reference; the missing value when the caller gave fewer.
inline const automation::Variant& Arg(std::span<const automation::Variant> args, size_t i) {
    return i < args.size() ? args[i].deref() : MissingArg();
}
/// True when an argument was given: neither the missing value nor empty.
inline bool Given(const automation::Variant& v) {
    return !v.isMissing() && v.vt != automation::VT_EMPTY;
}
/// The value of a property put (the last argument); refused when there is none.
const automation::Variant& PutValue(std::span<const automation::Variant> args,
                                    const MemberRef& member);

/// `v` converted to `to` by the coercion; a refusal names `member`.
automation::Variant Convert(const automation::Variant& v, uint16_t to, const MemberRef& member);
/// An integer: numbers rounded half to even, texts parsed. Refused when missing or outside
/// [lo, hi].
int64_t ToInteger(const automation::Variant& v, const MemberRef& member,
                  int64_t lo = -(int64_t(1) << 53), int64_t hi = int64_t(1) << 53);
/// ToInteger with its default range, the common case of a 32-bit integer answered in line.
inline int64_t ToIndex(const automation::Variant& v, const MemberRef& member) {
    if (v.vt == automation::VT_I4) return v.lVal;
    return ToInteger(v, member);
}
/// An int32 (the range of the document server's integer arguments).
int32_t ToInt32(const automation::Variant& v, const MemberRef& member);
double ToDouble(const automation::Variant& v, const MemberRef& member);
bool ToBool(const automation::Variant& v, const MemberRef& member);
/// Text: a string as it is, a number in the library's number form, empty for an empty value.
std::u16string ToUtf16(const automation::Variant& v, const MemberRef& member);
std::string ToUtf8(const automation::Variant& v, const MemberRef& member);

}  // namespace tq::office
