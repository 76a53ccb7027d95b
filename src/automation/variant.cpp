// Variants: the automation values passed to and returned by calls.
#include "automation/variant.h"

#include <utility>

namespace tq::automation {

Variant Variant::I2(int16_t v) {
    Variant r;
    r.vt = VT_I2;
    r.iVal = v;
    return r;
}

Variant Variant::I4(int32_t v) {
    Variant r;
    r.vt = VT_I4;
    r.lVal = v;
    return r;
}

Variant Variant::Int(int32_t v) {
    Variant r;
    r.vt = VT_INT;
    r.lVal = v;
    return r;
}

Variant Variant::UI4(uint32_t v) {
    Variant r;
    r.vt = VT_UI4;
    r.ulVal = v;
    return r;
}

Variant Variant::R4(float v) {
    Variant r;
    r.vt = VT_R4;
    r.fltVal = v;
    return r;
}

Variant Variant::R8(double v) {
    Variant r;
    r.vt = VT_R8;
    r.dblVal = v;
    return r;
}

Variant Variant::Date(double v) {
    Variant r;
    r.vt = VT_DATE;
    r.date = v;
    return r;
}

Variant Variant::Bool(bool v) {
    Variant r;
    r.vt = VT_BOOL;
    r.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    return r;
}

Variant Variant::Error(int32_t code) {
    Variant r;
    r.vt = VT_ERROR;
    r.scode = code;
    return r;
}

Variant Variant::Str(std::u16string v) {
    Variant r;
    r.vt = VT_BSTR;
    r.bstr = std::move(v);
    return r;
}

Variant Variant::Dispatch(DispatchPtr v) {
    Variant r;
    r.vt = VT_DISPATCH;
    r.disp = std::move(v);
    return r;
}

Variant Variant::ByRef(Variant* target) {
    Variant r;
    r.vt = VT_BYREF | VT_VARIANT;
    r.byref = target;
    return r;
}

Variant Variant::Missing() {
    return Error(hresult::DISP_E_PARAMNOTFOUND_);
}

}  // namespace tq::automation
