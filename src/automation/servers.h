// Platform automation: the counterparts of CoInitialize, AfxOleInit, CLSIDFromProgID,
// GetActiveObject, QueryInterface for the dispatch interface and CreateDispatch, over a
// process-wide registry that maps program identifiers ("Excel.Application") to server factories.
//
// A server started by CreateDispatch keeps running until the process ends, as an office process
// would: GetActiveObject returns it, so a second caller attaches to the same instance.
// TQTOOL_OFFICE=none in the environment makes every server unavailable.
#pragma once

#include <functional>
#include <string>

#include "automation/dispatch.h"

namespace tq::automation {

/// A class identifier: here simply the program identifier it was looked up from.
struct CLSID {
    std::string progId;
    bool operator==(const CLSID&) const = default;
};

using ServerFactory = std::function<DispatchPtr()>;

/// Registers (or replaces) the factory of a server. The registry knows no server of its own: the
/// library classes register the built-in engines before they look a server up
/// (office::RegisterBuiltinServers), and tests register what they need.
void RegisterServer(const std::string& progId, ServerFactory factory);
/// Removes a registration and forgets its running instance (tests).
void UnregisterServer(const std::string& progId);
/// Forgets the running instance of a server, so the next CreateDispatch starts a new one (tests).
void ForgetRunningServer(const std::string& progId);

/// Initialises the calling thread for automation: always succeeds (hresult::S_OK_).
int32_t CoInitialize();
/// The framework's OLE initialisation: always succeeds (true).
bool AfxOleInit();
/// Looks a program identifier up: S_OK and the class id, or CO_E_CLASSSTRING when unknown or
/// when servers are disabled.
int32_t CLSIDFromProgID(const std::string& progId, CLSID& clsid);
/// The running instance of the class: S_OK and the object, or MK_E_UNAVAILABLE.
int32_t GetActiveObject(const CLSID& clsid, DispatchPtr& out);
/// Queries an object for the dispatch interface: S_OK and the object, or E_NOINTERFACE.
int32_t QueryInterfaceDispatch(const DispatchPtr& unknown, DispatchPtr& out);
/// Starts a server (or returns false); the new instance becomes the running one. Every instance
/// started keeps running until the process ends.
bool CreateDispatch(const CLSID& clsid, DispatchPtr& out);
/// CreateDispatch from a program identifier (as the dispatch driver's CreateDispatch takes it).
bool CreateDispatch(const std::string& progId, DispatchPtr& out);
/// The factory registered for a program identifier, or an empty function (tests use it to put a
/// double in place of a server and restore the server afterwards).
ServerFactory GetServerFactory(const std::string& progId);
/// True when TQTOOL_OFFICE=none disables every server.
bool ServersDisabled();

}  // namespace tq::automation
