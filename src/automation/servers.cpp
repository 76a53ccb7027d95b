// The process-wide registry of automation servers: program identifiers, their factories and
// their running instances.
#include "automation/servers.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <vector>

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

}  // namespace

bool ServersDisabled() {
    const char* v = std::getenv("TQTOOL_OFFICE");
    return v && text::equalsNoCase(text::trim(v), "none");
}

void RegisterServer(const std::string& progId, ServerFactory factory) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    Server& s = r.servers[keyOf(progId)];
    s.progId = progId;
    s.factory = std::move(factory);
}

void UnregisterServer(const std::string& progId) {
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
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.servers.find(keyOf(progId));
    return it == r.servers.end() ? ServerFactory() : it->second.factory;
}

int32_t CoInitialize() {
    return hresult::S_OK_;
}

bool AfxOleInit() {
    return true;
}

int32_t CLSIDFromProgID(const std::string& progId, CLSID& clsid) {
    if (ServersDisabled()) return hresult::CO_E_CLASSSTRING_;
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.servers.find(keyOf(progId));
    if (it == r.servers.end() || !it->second.factory) return hresult::CO_E_CLASSSTRING_;
    clsid.progId = it->second.progId;
    return hresult::S_OK_;
}

int32_t GetActiveObject(const CLSID& clsid, DispatchPtr& out) {
    if (ServersDisabled()) return hresult::MK_E_UNAVAILABLE_;
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.servers.find(keyOf(clsid.progId));
    if (it == r.servers.end() || !it->second.running) return hresult::MK_E_UNAVAILABLE_;
    out = it->second.running;
    return hresult::S_OK_;
}

int32_t QueryInterfaceDispatch(const DispatchPtr& unknown, DispatchPtr& out) {
    if (!unknown) return hresult::E_NOINTERFACE_;
    out = unknown;
    return hresult::S_OK_;
}

bool CreateDispatch(const CLSID& clsid, DispatchPtr& out) {
    if (ServersDisabled()) return false;
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
    if (CLSIDFromProgID(progId, clsid) != hresult::S_OK_) return false;
    return CreateDispatch(clsid, out);
}

}  // namespace tq::automation
