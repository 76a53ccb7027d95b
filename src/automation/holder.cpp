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
    Variant result = invoke(*target, id, kind, args);
    if (resultType == VT_EMPTY) return Variant();
    // A result that already has the type asked for is handed back as it is (the coercion would
    // copy it).
    if (!(result.vt & VT_BYREF) && (resultType == VT_VARIANT || resultType == result.vt))
        return result;
    try {
        return ChangeType(result, resultType);
    } catch (const AutomationError& e) {
        fail(e.code(), MemberName(*target, id) + ": " + e.what());
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
