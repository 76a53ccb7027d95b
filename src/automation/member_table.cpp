// Lookups in a server's member table, and member names for messages.
#include "automation/member_table.h"

#include "automation/dispatch.h"
#include "text/text.h"

namespace tq::automation {

const Member* MemberTable::find(std::string_view type, DISPID id) const {
    for (const Member& m : members_)
        if (m.id == id && m.type == type) return &m;
    return nullptr;
}

std::string_view MemberTable::NameOf(std::string_view type, DISPID id) const {
    if (const Member* m = find(type, id)) return m->name;
    return id == DISPID_VALUE ? "_Default" : "";
}

std::string_view MemberTable::ResultOf(std::string_view type, DISPID id) const {
    const Member* m = find(type, id);
    return m ? m->result : "";
}

std::string MemberName(const MemberTable* table, std::string_view type, DISPID id) {
    std::string out(type);
    std::string_view name = table ? table->NameOf(type, id) : std::string_view();
    if (name.empty() && id == DISPID_VALUE) name = "_Default";
    if (name.empty()) return out + text::format(".#0x%X", static_cast<unsigned>(id));
    out += '.';
    out += name;
    return out;
}

std::string MemberName(const IDispatch& object, DISPID id) {
    return MemberName(object.Members(), object.TypeName(), id);
}

}  // namespace tq::automation
