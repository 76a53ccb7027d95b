// Attaching to a running automation server, or starting one.
#include "excel/connect.h"

#include "automation/servers.h"
#include "office/builtin_servers.h"
#include "tqtool/types.h"

namespace tq {

automation::DispatchPtr ConnectServer(const std::string& progId) {
    office::RegisterBuiltinServers();
    automation::CLSID clsid;
    if (automation::CLSIDFromProgID(progId, clsid) != hresult::S_OK_) return nullptr;
    automation::DispatchPtr unknown;
    if (automation::GetActiveObject(clsid, unknown) == hresult::S_OK_) {
        automation::DispatchPtr disp;
        if (automation::QueryInterfaceDispatch(unknown, disp) == hresult::S_OK_ && disp)
            return disp;
    }
    automation::DispatchPtr started;
    if (!automation::CreateDispatch(clsid, started)) return nullptr;
    return started;
}

}  // namespace tq
