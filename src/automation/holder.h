// Holder: owns one automation object's reference and makes typed calls on it
// (the counterpart of a dispatch driver: AttachDispatch, DetachDispatch, ReleaseDispatch,
// InvokeHelper, GetProperty, SetProperty).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "automation/dispatch.h"

namespace tq::automation {

class Holder {
  public:
    Holder() = default;
    explicit Holder(DispatchPtr p) : p_(std::move(p)) {}
    /// Copying takes a new reference to the same object.
    Holder(const Holder&) = default;
    Holder& operator=(const Holder&) = default;
    Holder(Holder&&) noexcept = default;
    Holder& operator=(Holder&&) noexcept = default;
    ~Holder() = default;

    /// Takes `p`, releasing the reference held before.
    void AttachDispatch(DispatchPtr p) { p_ = std::move(p); }
    /// Gives up the reference without releasing it and returns it.
    DispatchPtr DetachDispatch() { return std::move(p_); }
    /// Releases the reference; the holder becomes empty.
    void ReleaseDispatch() { p_.reset(); }

    bool empty() const { return !p_; }
    const DispatchPtr& get() const { return p_; }

    /// Calls member `id` of kind `kind` and converts the result to `resultType` (VT_EMPTY: the
    /// result is dropped). On an empty holder nothing is sent and an empty variant is returned.
    Variant InvokeHelper(DISPID id, InvokeKind kind, uint16_t resultType,
                         std::initializer_list<Variant> args = {}) const;
    Variant InvokeHelper(DISPID id, InvokeKind kind, uint16_t resultType,
                         std::span<const Variant> args) const;

    /// Property get with no arguments, converted to `resultType`.
    Variant GetProperty(DISPID id, uint16_t resultType) const {
        return InvokeHelper(id, InvokeKind::PropertyGet, resultType);
    }
    /// Property put of one value.
    void SetProperty(DISPID id, const Variant& value) const {
        InvokeHelper(id, InvokeKind::PropertyPut, VT_EMPTY, {value});
    }
    /// Property get that returns an object, as a new holder (empty when this one is).
    Holder GetObject(DISPID id, std::initializer_list<Variant> args = {}) const;
    Holder GetObject(DISPID id, std::span<const Variant> args) const;
    /// A call of any kind whose result is an object (Workbooks.Add, Sheets.Add ...), as a new
    /// holder (empty when this one is, or when the server returned no object).
    Holder InvokeObject(DISPID id, InvokeKind kind, std::initializer_list<Variant> args = {}) const;
    Holder InvokeObject(DISPID id, InvokeKind kind, std::span<const Variant> args) const;

  private:
    DispatchPtr p_;
};

/// Converts a variant to another type as the platform's coercion does (no flags): numbers between
/// each other, numbers and dates to text, text to numbers, an object through its default member
/// (DISPID_VALUE). Raises tq::AutomationError (DISP_E_TYPEMISMATCH) when it cannot.
Variant ChangeType(const Variant& v, uint16_t vt);

/// GBK text -> wide automation string. Raises tq::AutomationError when the text is not valid GBK.
std::u16string ToBstr(const String& gbk);
/// Wide automation string -> GBK text.
String FromBstr(const std::u16string& bstr);
/// A VT_BSTR variant from GBK text (raises as ToBstr).
Variant StrVariant(const String& gbk);
/// The text of a variant as the coercion to VT_BSTR gives it, in GBK.
String VariantToString(const Variant& v);

/// An automation date as text (text::FormatDate); raises tq::AutomationError (DISP_E_OVERFLOW)
/// outside 100/1/1 ... 9999/12/31, as the coercion to text does.
std::string FormatDate(double date);

/// "Type.Member" for error messages: the member's name when known (the spreadsheet members,
/// and any registered with RegisterMemberName), else "Type.#0x1A2".
std::string MemberName(const std::string& typeName, DISPID id);
/// Registers the name of a member of a server object type (used in error messages and logs).
void RegisterMemberName(const std::string& typeName, DISPID id, const std::string& name);

/// Failure codes of the coercion and the string conversion (besides those in tqtool/types.h).
inline constexpr int32_t DISP_E_BADVARTYPE = static_cast<int32_t>(0x80020008u);
inline constexpr int32_t DISP_E_OVERFLOW = static_cast<int32_t>(0x8002000Au);
inline constexpr int32_t DISP_E_TYPEMISMATCH = static_cast<int32_t>(0x80020005u);
inline constexpr int32_t DISP_E_EXCEPTION = static_cast<int32_t>(0x80020009u);
/// No mapping for the multibyte character in the target code page (invalid GBK text).
inline constexpr int32_t E_NO_UNICODE_TRANSLATION = static_cast<int32_t>(0x80070459u);

}  // namespace tq::automation
