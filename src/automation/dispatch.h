// Automation objects: the dispatch interface every automation server object implements, and the
// holder through which the library's code owns and calls them.
#pragma once

#include <initializer_list>
#include <memory>
#include <span>
#include <string>

#include "automation/variant.h"

namespace tq::automation {

class MemberTable;

/// The kind of an automation call.
enum class InvokeKind : uint16_t { Method = 1, PropertyGet = 2, PropertyPut = 4 };

/// DISPID of an object's default member (the value a coercion fetches).
inline constexpr DISPID DISPID_VALUE = 0;

/// An automation object. Objects are reference counted through DispatchPtr (shared ownership).
class IDispatch : public std::enable_shared_from_this<IDispatch> {
  public:
    virtual ~IDispatch() = default;
    /// Calls member `id`. `args` are in the caller's order (first argument first); for a property
    /// put, the value to store is the last argument. Raises tq::AutomationError when the server
    /// rejects the call (the message names the member and the reason).
    virtual Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) = 0;
    /// The object's type name ("Range", "Worksheet" ...), used in error messages.
    virtual std::string TypeName() const = 0;
    /// The member table of the object's server (names members in error messages), or none.
    virtual const MemberTable* Members() const { return nullptr; }
};

}  // namespace tq::automation
