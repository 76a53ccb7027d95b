// Holder: owns one automation object's reference and makes typed calls on it
// (the counterpart of a dispatch driver: AttachDispatch, DetachDispatch, ReleaseDispatch,
// InvokeHelper, GetProperty, SetProperty).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "automation/coercion.h"
#include "automation/dispatch.h"

namespace tq::automation {

/// Calls member `id` of kind `kind` on `obj` and converts the result to `resultType` (VT_EMPTY:
/// the result is dropped): what Holder::InvokeHelper does, without a holder. On an empty reference
/// nothing is sent and an empty variant is returned.
Variant Invoke(const DispatchPtr& obj, DISPID id, InvokeKind kind, uint16_t resultType,
               std::span<const Variant> args = {});
/// The object a call gave back (VT_DISPATCH, also by reference), or an empty reference.
DispatchPtr ObjectOf(const Variant& v);
/// A property get that returns an object; an empty reference on an empty `obj`.
DispatchPtr GetObjectOf(const DispatchPtr& obj, DISPID id,
                        std::initializer_list<Variant> args = {});

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
    /// (Inline, as the other typed calls: a cell-by-cell caller makes millions of them.)
    Variant InvokeHelper(DISPID id, InvokeKind kind, uint16_t resultType,
                         std::initializer_list<Variant> args = {}) const {
        return Invoke(p_, id, kind, resultType,
                      std::span<const Variant>(args.begin(), args.size()));
    }
    Variant InvokeHelper(DISPID id, InvokeKind kind, uint16_t resultType,
                         std::span<const Variant> args) const {
        return Invoke(p_, id, kind, resultType, args);
    }

    /// Property get with no arguments, converted to `resultType`.
    Variant GetProperty(DISPID id, uint16_t resultType) const {
        return Invoke(p_, id, InvokeKind::PropertyGet, resultType);
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

}  // namespace tq::automation
