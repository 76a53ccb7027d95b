// Member tables: for each automation server, the one list of its objects' members the library
// knows by dispatch identifier, with their names and the object type a get or call returns. The
// clients call members by these identifiers, the embedded engines answer them, error messages
// name members from the table, and the test double models a server from it.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "automation/variant.h"

namespace tq::automation {

class IDispatch;

/// One member of one object type.
struct Member {
    std::string_view type;    ///< "Range"
    DISPID id;                ///< 0xAA
    std::string_view name;    ///< "Item"
    std::string_view result;  ///< type of the object a get or call returns ("Range"), or ""
};

/// The members of one server's objects.
class MemberTable {
  public:
    constexpr explicit MemberTable(std::span<const Member> members) : members_(members) {}
    /// The name of member `id` of `type`: "_Default" for DISPID_VALUE (0) unless the table names
    /// it, "" when the table does not know it.
    std::string_view NameOf(std::string_view type, DISPID id) const;
    /// The object type a get or call of the member returns, or "".
    std::string_view ResultOf(std::string_view type, DISPID id) const;
    std::span<const Member> members() const { return members_; }

  private:
    const Member* find(std::string_view type, DISPID id) const;
    std::span<const Member> members_;
};

/// "Type.Member" for messages: the member's name from `table` when it knows it, else
/// "Type.#0x1A2".
std::string MemberName(const MemberTable* table, std::string_view type, DISPID id);
/// The same for an object, from the member table of its server (IDispatch::Members).
std::string MemberName(const IDispatch& object, DISPID id);

}  // namespace tq::automation
