#include "automation/servers.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <vector>

#include "office/builtin_servers.h"
#include "text/text.h"

namespace tq::automation {

namespace {

struct Server {
    std::string progId;  // as registered
    ServerFactory factory;
    DispatchPtr running;               // the instance GetActiveObject returns
    std::vector<DispatchPtr> started;  // every instance started: they run until the process ends
};

struct Registry {
    std::mutex mutex;
    std::map<std::string, Server> servers;  // key: program identifier, lower case
};

// Never destroyed: running servers stay alive until the process ends, and no server's
// destructor runs while other static objects are being torn down.
Registry& registry() {
    static Registry* r = new Registry;
    return *r;
}

std::string keyOf(const std::string& progId) {
    return text::toLower(progId);
}

thread_local bool tRegisteringBuiltins = false;

void ensureBuiltins() {
    static std::once_flag once;
    if (tRegisteringBuiltins) return;
    std::call_once(once, [] {
        tRegisteringBuiltins = true;
        try {
            office::RegisterExcelServer();
            office::RegisterWordServer();
        } catch (...) {
            tRegisteringBuiltins = false;
            throw;
        }
        tRegisteringBuiltins = false;
    });
}

}  // namespace

bool ServersDisabled() {
    const char* v = std::getenv("TQTOOL_OFFICE");
    return v && text::equalsNoCase(text::trim(v), "none");
}

void RegisterBuiltinServers() {
    ensureBuiltins();
}

void RegisterServer(const std::string& progId, ServerFactory factory) {
    ensureBuiltins();
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    Server& s = r.servers[keyOf(progId)];
    s.progId = progId;
    s.factory = std::move(factory);
}

void UnregisterServer(const std::string& progId) {
    ensureBuiltins();
    Registry& r = registry();
    Server removed;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        auto it = r.servers.find(keyOf(progId));
        if (it == r.servers.end()) return;
        removed = std::move(it->second);
        r.servers.erase(it);
    }
    // `removed` (and possibly the last references to its instances) goes away outside the lock.
}

void ForgetRunningServer(const std::string& progId) {
    ensureBuiltins();
    Registry& r = registry();
    DispatchPtr running;
    std::vector<DispatchPtr> started;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        auto it = r.servers.find(keyOf(progId));
        if (it == r.servers.end()) return;
        running = std::move(it->second.running);
        started = std::move(it->second.started);
        it->second.running.reset();
        it->second.started.clear();
    }
}

ServerFactory GetServerFactory(const std::string& progId) {
    ensureBuiltins();
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.servers.find(keyOf(progId));
    return it == r.servers.end() ? ServerFactory() : it->second.factory;
}

int32_t CoInitialize() {
    return S_OK;
}

bool AfxOleInit() {
    return true;
}

int32_t CLSIDFromProgID(const std::string& progId, CLSID& clsid) {
    if (ServersDisabled()) return CO_E_CLASSSTRING;
    ensureBuiltins();
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.servers.find(keyOf(progId));
    if (it == r.servers.end() || !it->second.factory) return CO_E_CLASSSTRING;
    clsid.progId = it->second.progId;
    return S_OK;
}

int32_t GetActiveObject(const CLSID& clsid, DispatchPtr& out) {
    if (ServersDisabled()) return MK_E_UNAVAILABLE;
    ensureBuiltins();
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.servers.find(keyOf(clsid.progId));
    if (it == r.servers.end() || !it->second.running) return MK_E_UNAVAILABLE;
    out = it->second.running;
    return S_OK;
}

int32_t QueryInterfaceDispatch(const DispatchPtr& unknown, DispatchPtr& out) {
    if (!unknown) return E_NOINTERFACE;
    out = unknown;
    return S_OK;
}

bool CreateDispatch(const CLSID& clsid, DispatchPtr& out) {
    if (ServersDisabled()) return false;
    ensureBuiltins();
    Registry& r = registry();
    ServerFactory factory;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        auto it = r.servers.find(keyOf(clsid.progId));
        if (it == r.servers.end() || !it->second.factory) return false;
        factory = it->second.factory;
    }
    // The factory runs outside the lock: a server may look other servers up while starting.
    DispatchPtr instance;
    try {
        instance = factory();
    } catch (const std::exception&) {
        return false;  // a server that cannot start is a server that is not there
    }
    if (!instance) return false;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        auto it = r.servers.find(keyOf(clsid.progId));
        if (it != r.servers.end()) {
            it->second.running = instance;
            it->second.started.push_back(instance);
        }
    }
    out = std::move(instance);
    return true;
}

bool CreateDispatch(const std::string& progId, DispatchPtr& out) {
    CLSID clsid;
    if (CLSIDFromProgID(progId, clsid) != S_OK) return false;
    return CreateDispatch(clsid, out);
}

}  // namespace tq::automation
