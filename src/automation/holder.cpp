// The holder: owns one automation object's reference and makes typed calls on it.
#include "automation/holder.h"

#include <utility>

#include "automation/member_table.h"

namespace tq::automation {

namespace {

[[noreturn]] void fail(int32_t code, const std::string& message) {
    throw AutomationError(code, message);
}

// Calls the member; an exception other than an AutomationError becomes one naming the member.
Variant invoke(IDispatch& target, DISPID id, InvokeKind kind, std::span<const Variant> args) {
    try {
        return target.Invoke(id, kind, args);
    } catch (const AutomationError&) {
        throw;
    } catch (const std::exception& e) {
        fail(hresult::DISP_E_EXCEPTION_, MemberName(target, id) + ": " + e.what());
    }
}

}  // namespace

Variant Invoke(const DispatchPtr& obj, DISPID id, InvokeKind kind, uint16_t resultType,
               std::span<const Variant> args) {
    // Keep the object alive for the call even if the caller's reference is replaced from inside
    // it. Every path hands back `result` itself, so that it is built in the caller's place.
    DispatchPtr target = obj;
    Variant result = target ? invoke(*target, id, kind, args) : Variant();
    if (!target || resultType == VT_EMPTY) {
        result = Variant();
    } else if ((result.vt & VT_BYREF) || (resultType != VT_VARIANT && resultType != result.vt)) {
        // A result of the type asked for is handed back as it is; others are converted.
        try {
            result = ChangeType(result, resultType);
        } catch (const AutomationError& e) {
            fail(e.code(), MemberName(*target, id) + ": " + e.what());
        }
    }
    return result;
}

DispatchPtr ObjectOf(const Variant& v) {
    const Variant& d = v.deref();
    return d.vt == VT_DISPATCH ? d.disp : nullptr;
}

DispatchPtr GetObjectOf(const DispatchPtr& obj, DISPID id, std::initializer_list<Variant> args) {
    if (!obj) return nullptr;
    Variant r = Invoke(obj, id, InvokeKind::PropertyGet, VT_DISPATCH,
                       std::span<const Variant>(args.begin(), args.size()));
    return std::move(r.disp);
}

// ---------------------------------------------------------------------------------------------
// Holder

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
