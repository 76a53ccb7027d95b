// Automation variants: the typed values that cross every automation call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "tqtool/types.h"

namespace tq::automation {

class IDispatch;
using DispatchPtr = std::shared_ptr<IDispatch>;
using DISPID = int32_t;

/// Variant types (the values of the Windows VARTYPE constants).
enum VarType : uint16_t {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UI4 = 19,
    VT_INT = 22,
    VT_BYREF = 0x4000,
};

inline constexpr int16_t VARIANT_TRUE = -1;
inline constexpr int16_t VARIANT_FALSE = 0;

/// A tagged value. Only the member that `vt` names is meaningful. A by-reference variant
/// (VT_BYREF | VT_VARIANT) points at another variant owned by the caller.
struct Variant {
    uint16_t vt = VT_EMPTY;
    union {
        int16_t iVal;     // VT_I2
        int32_t lVal;     // VT_I4, VT_INT
        uint32_t ulVal;   // VT_UI4
        float fltVal;     // VT_R4
        double dblVal;    // VT_R8
        double date;      // VT_DATE: days since 1899-12-30, time as the fraction
        int16_t boolVal;  // VT_BOOL: VARIANT_TRUE (-1) or VARIANT_FALSE (0)
        int32_t scode;    // VT_ERROR
    };
    std::u16string bstr;       // VT_BSTR (UTF-16)
    DispatchPtr disp;          // VT_DISPATCH
    Variant* byref = nullptr;  // VT_BYREF | VT_VARIANT

    Variant() : dblVal(0) {}

    // The factories are defined here so that the many variants of a cell-by-cell caller are made
    // without a call.
    static Variant I2(int16_t v) {
        return Variant(VT_I2, [v](Variant& r) { r.iVal = v; });
    }
    static Variant I4(int32_t v) {
        return Variant(VT_I4, [v](Variant& r) { r.lVal = v; });
    }
    static Variant Int(int32_t v) {
        return Variant(VT_INT, [v](Variant& r) { r.lVal = v; });
    }
    static Variant UI4(uint32_t v) {
        return Variant(VT_UI4, [v](Variant& r) { r.ulVal = v; });
    }
    static Variant R4(float v) {
        return Variant(VT_R4, [v](Variant& r) { r.fltVal = v; });
    }
    static Variant R8(double v) {
        return Variant(VT_R8, [v](Variant& r) { r.dblVal = v; });
    }
    static Variant Date(double v) {
        return Variant(VT_DATE, [v](Variant& r) { r.date = v; });
    }
    static Variant Bool(bool v) {
        return Variant(VT_BOOL, [v](Variant& r) { r.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE; });
    }
    static Variant Error(int32_t code) {
        return Variant(VT_ERROR, [code](Variant& r) { r.scode = code; });
    }
    static Variant Str(std::u16string v) {
        return Variant(VT_BSTR, [&v](Variant& r) { r.bstr = std::move(v); });
    }
    static Variant Dispatch(DispatchPtr v) {
        return Variant(VT_DISPATCH, [&v](Variant& r) { r.disp = std::move(v); });
    }
    /// An object that `make` (a callable returning a DispatchPtr) makes, built in the variant's
    /// place: a cell-by-cell caller's Range objects are not moved on the way.
    template <class Make>
    static Variant DispatchOf(Make&& make) {
        return Variant(std::forward<Make>(make), 0);
    }
    static Variant ByRef(Variant* target) {
        return Variant(VT_BYREF | VT_VARIANT, [target](Variant& r) { r.byref = target; });
    }
    /// The missing value: VT_ERROR with DISP_E_PARAMNOTFOUND (an omitted optional argument).
    static Variant Missing() { return Error(hresult::DISP_E_PARAMNOTFOUND_); }

    bool isMissing() const { return vt == VT_ERROR && scode == hresult::DISP_E_PARAMNOTFOUND_; }
    bool isEmpty() const { return vt == VT_EMPTY; }
    /// The variant a by-reference variant points at, or this one.
    const Variant& deref() const { return (vt & VT_BYREF) && byref ? *byref : *this; }

  private:
    template <class Set>
    Variant(uint16_t type, Set set) : vt(type), dblVal(0) {
        set(*this);
    }
    template <class Make>
    Variant(Make&& make, int) : vt(VT_DISPATCH), dblVal(0), disp(make()) {}
};

}  // namespace tq::automation
