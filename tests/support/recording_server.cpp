#include "support/recording_server.h"
#include "text/dates.h"
#include "text/number_text.h"

#include <tuple>

#include "automation/excel_ops.h"
#include "automation/holder.h"
#include "automation/word_ops.h"
#include "office/builtin_servers.h"
#include "text/text.h"

namespace tqtest {

namespace xl = tq::automation::xl;
using tq::automation::DispatchPtr;
using tq::automation::DISPID_VALUE;

struct ScriptEntry {
    std::deque<Variant> queue;
    Handler handler;
};

struct MemberInfo {
    std::string name;
    std::string resultType;
};

struct ServerState {
    std::recursive_mutex mutex;
    const tq::automation::MemberTable* table = nullptr;            // the modelled server's members
    std::map<std::pair<std::string, DISPID>, MemberInfo> members;  // added by DefineMember
    std::map<std::string, DISPID> defaultMembers;
    std::map<std::tuple<std::string, DISPID, int>, ScriptEntry> script;
    std::map<std::string, int> counters;
    std::map<std::string, std::weak_ptr<RecordingObject>> objects;
    std::vector<RecordedCall> calls;
    int started = 0;
    RecordingServer* server = nullptr;

    std::string memberName(const std::string& type, DISPID id) {
        auto it = members.find({type, id});
        if (it != members.end()) return it->second.name;
        if (table && !table->NameOf(type, id).empty()) return std::string(table->NameOf(type, id));
        if (id == DISPID_VALUE) return "_Default";
        return tq::text::format("#0x%X", static_cast<unsigned>(id));
    }
    std::string resultType(const std::string& type, DISPID id) {
        auto it = members.find({type, id});
        if (it != members.end()) return it->second.resultType;
        return table ? std::string(table->ResultOf(type, id)) : std::string();
    }
    std::shared_ptr<RecordingObject> create(const std::shared_ptr<ServerState>& self,
                                            const std::string& type, const std::string& path,
                                            std::weak_ptr<RecordingObject> parent,
                                            std::vector<Variant> args) {
        std::string name = type + "[" + std::to_string(++counters[type]) + "]";
        auto obj = std::make_shared<RecordingObject>(self, type, name, path.empty() ? name : path,
                                                     std::move(parent), std::move(args));
        objects[name] = obj;
        return obj;
    }
};

namespace {

const char* kindText(InvokeKind k) {
    switch (k) {
        case InvokeKind::PropertyGet:
            return "get";
        case InvokeKind::PropertyPut:
            return "put";
        default:
            return "method";
    }
}

std::string argsText(std::span<const Variant> args) {
    std::string out;
    for (const Variant& a : args) {
        if (!out.empty()) out += ' ';
        out += DescribeVariant(a);
    }
    return out;
}

std::string keyOf(DISPID id, std::span<const Variant> args) {
    return std::to_string(id) + "|" + argsText(args);
}

}  // namespace

std::string DescribeVariant(const Variant& v) {
    using namespace tq::automation;
    if (v.vt & VT_BYREF)
        return "BYREF:" + (v.byref ? DescribeVariant(*v.byref) : std::string("null"));
    switch (v.vt) {
        case VT_EMPTY:
            return "EMPTY";
        case VT_NULL:
            return "NULL";
        case VT_I2:
            return "I2:" + std::to_string(v.iVal);
        case VT_I4:
            return "I4:" + std::to_string(v.lVal);
        case VT_INT:
            return "INT:" + std::to_string(v.lVal);
        case VT_UI4:
            return "UI4:" + std::to_string(v.ulVal);
        case VT_R4:
            return "R4:" + tq::text::FormatNumber(v.fltVal, 7);
        case VT_R8:
            return "R8:" + tq::text::FormatNumber(v.dblVal, 15);
        case VT_DATE:
            try {
                return "DATE:" + FormatDate(v.date);
            } catch (const tq::AutomationError&) {
                return "DATE:" + tq::text::FormatNumber(v.date, 15);
            }
        case VT_BOOL:
            return v.boolVal ? "BOOL:TRUE" : "BOOL:FALSE";
        case VT_BSTR:
            return "BSTR:\"" + FromBstr(v.bstr) + "\"";
        case VT_DISPATCH: {
            if (!v.disp) return "DISPATCH:null";
            if (auto* r = dynamic_cast<RecordingObject*>(v.disp.get()))
                return "DISPATCH:" + r->name();
            return "DISPATCH:" + v.disp->TypeName();
        }
        case VT_ERROR:
            if (v.isMissing()) return "MISSING";
            return tq::text::format("ERROR:0x%08X", static_cast<unsigned>(v.scode));
        default:
            return tq::text::format("VT%u", static_cast<unsigned>(v.vt));
    }
}

// ---------------------------------------------------------------------------------------------
// RecordingObject

RecordingObject::RecordingObject(std::shared_ptr<ServerState> state, std::string type,
                                 std::string name, std::string path,
                                 std::weak_ptr<RecordingObject> parent,
                                 std::vector<Variant> creationArgs)
    : state_(std::move(state)),
      type_(std::move(type)),
      name_(std::move(name)),
      path_(std::move(path)),
      parent_(std::move(parent)),
      creationArgs_(std::move(creationArgs)) {}

Variant RecordingObject::Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) {
    std::unique_lock<std::recursive_mutex> lock(state_->mutex);
    RecordedCall call;
    call.object = name_;
    call.type = type_;
    call.path = path_;
    call.member = state_->memberName(type_, id);
    call.id = id;
    call.kind = kind;
    call.args.assign(args.begin(), args.end());
    call.text = name_ + "." + call.member + "(" + kindText(kind) + ")";
    if (!args.empty()) call.text += " " + argsText(args);
    state_->calls.push_back(std::move(call));

    for (const std::string& sel : {name_, type_, std::string("*")}) {
        auto it = state_->script.find({sel, id, static_cast<int>(kind)});
        if (it == state_->script.end()) continue;
        ScriptEntry& e = it->second;
        if (!e.queue.empty()) {
            Variant v = std::move(e.queue.front());
            e.queue.pop_front();
            return v;
        }
        if (e.handler) {
            Handler h = e.handler;  // the handler may change the script
            CallContext ctx{*this, id, kind, args, *state_->server};
            return h(ctx);
        }
    }
    return DefaultAnswer(id, kind, args);
}

const tq::automation::MemberTable* RecordingObject::Members() const {
    return state_->table;
}

std::string RecordingObject::MemberName(DISPID id) const {
    std::lock_guard<std::recursive_mutex> lock(state_->mutex);
    return state_->memberName(type_, id);
}

Variant RecordingObject::Property(DISPID id, std::span<const Variant> args) const {
    std::lock_guard<std::recursive_mutex> lock(state_->mutex);
    auto it = properties_.find(keyOf(id, args));
    return it == properties_.end() ? Variant() : it->second;
}

void RecordingObject::SetProperty(DISPID id, const Variant& value, std::span<const Variant> args) {
    std::lock_guard<std::recursive_mutex> lock(state_->mutex);
    properties_[keyOf(id, args)] = value;
}

std::shared_ptr<RecordingObject> RecordingObject::makeChild(DISPID id, InvokeKind kind,
                                                            std::span<const Variant> args,
                                                            const std::string& type) {
    std::string path = path_ + "." + state_->memberName(type_, id);
    if (kind == InvokeKind::Method || !args.empty()) path += "(" + argsText(args) + ")";
    auto self = std::static_pointer_cast<RecordingObject>(shared_from_this());
    auto child =
        state_->create(state_, type, path, self, std::vector<Variant>(args.begin(), args.end()));
    child->creationId_ = id;
    return child;
}

std::shared_ptr<RecordingObject> RecordingObject::Child(DISPID id, std::span<const Variant> args) {
    std::lock_guard<std::recursive_mutex> lock(state_->mutex);
    std::string type = state_->resultType(type_, id);
    if (type.empty()) return nullptr;
    std::string key = keyOf(id, args);
    auto it = children_.find(key);
    if (it != children_.end()) return it->second;
    auto child = makeChild(id, InvokeKind::PropertyGet, args, type);
    children_[key] = child;
    return child;
}

Variant RecordingObject::DefaultAnswer(DISPID id, InvokeKind kind, std::span<const Variant> args) {
    std::lock_guard<std::recursive_mutex> lock(state_->mutex);
    std::string resultType = state_->resultType(type_, id);
    switch (kind) {
        case InvokeKind::PropertyPut: {
            if (args.empty()) return Variant();
            std::span<const Variant> lead = args.first(args.size() - 1);
            if (!resultType.empty()) {
                auto child = Child(id, lead);
                auto dm = state_->defaultMembers.find(child->type_);
                child->properties_[keyOf(
                    dm == state_->defaultMembers.end() ? DISPID_VALUE : dm->second, {})] =
                    args.back();
            } else {
                properties_[keyOf(id, lead)] = args.back();
            }
            return Variant();
        }
        case InvokeKind::PropertyGet: {
            auto it = properties_.find(keyOf(id, args));
            if (it != properties_.end()) return it->second;
            auto dm = state_->defaultMembers.find(type_);
            if (dm != state_->defaultMembers.end()) {
                // DISPID_VALUE and the default member name the same value.
                DISPID other =
                    id == DISPID_VALUE ? dm->second : (id == dm->second ? DISPID_VALUE : id);
                if (other != id) {
                    it = properties_.find(keyOf(other, args));
                    if (it != properties_.end()) return it->second;
                }
            }
            if (!resultType.empty()) return Variant::Dispatch(Child(id, args));
            return Variant();
        }
        default: {
            if (resultType.empty()) return Variant();
            auto child = makeChild(id, kind, args, resultType);
            made_.push_back(child);
            return Variant::Dispatch(child);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// RecordingServer

RecordingServer::RecordingServer(std::string progId, Model model)
    : progId_(std::move(progId)), state_(std::make_shared<ServerState>()) {
    state_->server = this;
    if (model == Model::Word) state_->table = &tq::automation::word::Members();
    if (model == Model::Excel) {
        using namespace xl;
        state_->table = &xl::Members();
        SetDefaultMember("Range", Range_Value);
        Answer("Sheets", Sheets_Count, InvokeKind::PropertyGet, Variant::I4(1));
        Answer("Range", Range_Count, InvokeKind::PropertyGet, Variant::I4(1));
        Answer("Range", Range_Row, InvokeKind::PropertyGet, Variant::I4(1));
        Answer("Range", Range_Column, InvokeKind::PropertyGet, Variant::I4(1));
        Answer("Range", Range_MergeCells, InvokeKind::PropertyGet, Variant::Bool(false));
    }
    tq::office::RegisterBuiltinServers();  // so that the engine is the factory given back
    previous_ = tq::automation::GetServerFactory(progId_);
    std::weak_ptr<ServerState> weak = state_;
    tq::automation::RegisterServer(progId_, [weak]() -> DispatchPtr {
        auto state = weak.lock();
        if (!state) return nullptr;
        std::lock_guard<std::recursive_mutex> lock(state->mutex);
        ++state->started;
        return state->create(state, "Application", "", {}, {});
    });
    tq::automation::ForgetRunningServer(progId_);
}

RecordingServer::~RecordingServer() {
    tq::automation::ForgetRunningServer(progId_);
    if (previous_)
        tq::automation::RegisterServer(progId_, previous_);
    else
        tq::automation::UnregisterServer(progId_);
    // Break the reference cycles the log and stored values can form (an object passed as an
    // argument, a handler that captured a holder), so nothing outlives the test.
    std::vector<std::shared_ptr<RecordingObject>> live;
    std::vector<RecordedCall> calls;
    decltype(state_->script) script;
    {
        std::lock_guard<std::recursive_mutex> lock(state_->mutex);
        state_->server = nullptr;
        calls.swap(state_->calls);
        script.swap(state_->script);
        for (auto& [name, weak] : state_->objects)
            if (auto obj = weak.lock()) live.push_back(std::move(obj));
        for (auto& obj : live) {
            obj->properties_.clear();
            obj->children_.clear();
            obj->made_.clear();
        }
    }
}

void RecordingServer::DefineMember(const std::string& type, DISPID id, const std::string& name,
                                   const std::string& resultType) {
    std::lock_guard<std::recursive_mutex> lock(state_->mutex);
    state_->members[{type, id}] = MemberInfo{name, resultType};
}

void RecordingServer::SetDefaultMember(const std::string& type, DISPID id) {
    std::lock_guard<std::recursive_mutex> lock(state_->mutex);
    state_->defaultMembers[type] = id;
}

void RecordingServer::On(const std::string& selector, DISPID id, InvokeKind kind, Handler handler) {
    std::lock_guard<std::recursive_mutex> lock(state_->mutex);
    state_->script[{selector, id, static_cast<int>(kind)}].handler = std::move(handler);
}

void RecordingServer::Answer(const std::string& selector, DISPID id, InvokeKind kind,
                             Variant value) {
    On(selector, id, kind, [value](CallContext&) { return value; });
}

void RecordingServer::Queue(const std::string& selector, DISPID id, InvokeKind kind,
                            Variant value) {
    std::lock_guard<std::recursive_mutex> lock(state_->mutex);
    state_->script[{selector, id, static_cast<int>(kind)}].queue.push_back(std::move(value));
}

void RecordingServer::Fail(const std::string& selector, DISPID id, InvokeKind kind, int32_t code,
                           std::string message) {
    On(selector, id, kind, [code, message](CallContext& c) -> Variant {
        throw tq::AutomationError(
            code, c.self.TypeName() + "." + c.self.MemberName(c.id) + ": " + message);
    });
}

void RecordingServer::Clear(const std::string& selector, DISPID id, InvokeKind kind) {
    std::lock_guard<std::recursive_mutex> lock(state_->mutex);
    state_->script.erase({selector, id, static_cast<int>(kind)});
}

std::shared_ptr<RecordingObject> RecordingServer::Start() {
    DispatchPtr app;
    if (!tq::automation::CreateDispatch(progId_, app)) return nullptr;
    return std::dynamic_pointer_cast<RecordingObject>(app);
}

int RecordingServer::Started() const {
    std::lock_guard<std::recursive_mutex> lock(state_->mutex);
    return state_->started;
}

std::shared_ptr<RecordingObject> RecordingServer::Find(const std::string& name) const {
    std::lock_guard<std::recursive_mutex> lock(state_->mutex);
    auto it = state_->objects.find(name);
    return it == state_->objects.end() ? nullptr : it->second.lock();
}

std::vector<std::string> RecordingServer::Log() const {
    return LogSince(0);
}

std::vector<std::string> RecordingServer::LogSince(size_t mark) const {
    std::lock_guard<std::recursive_mutex> lock(state_->mutex);
    std::vector<std::string> out;
    for (size_t i = mark; i < state_->calls.size(); ++i) out.push_back(state_->calls[i].text);
    return out;
}

std::vector<std::string> RecordingServer::LogWhere(
    const std::function<bool(const RecordedCall&)>& pred) const {
    std::lock_guard<std::recursive_mutex> lock(state_->mutex);
    std::vector<std::string> out;
    for (const RecordedCall& c : state_->calls)
        if (pred(c)) out.push_back(c.text);
    return out;
}

std::string RecordingServer::LogText() const {
    std::string out;
    for (const std::string& line : Log()) out += line + "\n";
    return out;
}

std::vector<RecordedCall> RecordingServer::Calls() const {
    std::lock_guard<std::recursive_mutex> lock(state_->mutex);
    return state_->calls;
}

size_t RecordingServer::Mark() const {
    std::lock_guard<std::recursive_mutex> lock(state_->mutex);
    return state_->calls.size();
}

void RecordingServer::ClearLog() {
    std::lock_guard<std::recursive_mutex> lock(state_->mutex);
    state_->calls.clear();
}

}  // namespace tqtest
