// The recording automation server of the tests: objects and answers from the servers' member
// tables, the call log, chosen refusals, and the spreadsheet model behind the Excel answers.
#include "support/recording_server.h"

#include <algorithm>
#include <optional>

#include "automation/excel_ops.h"
#include "automation/holder.h"
#include "automation/word_ops.h"
#include "office/builtin_servers.h"
#include "text/number_text.h"
#include "text/text.h"

namespace tqtest {

namespace xl = tq::automation::xl;
using tq::automation::DispatchPtr;

struct ServerState {
    const tq::automation::MemberTable* table = nullptr;
    std::map<std::tuple<std::string, DISPID, InvokeKind>, Handler> handlers;
    std::map<std::string, int> counters;
    std::vector<std::weak_ptr<RecordingObject>> objects;
    std::vector<RecordedCall> calls;
    SheetModel sheet;
    int started = 0;

    std::shared_ptr<RecordingObject> create(const std::shared_ptr<ServerState>& self,
                                            const std::string& type, std::string path,
                                            std::shared_ptr<RecordingObject> parent, DISPID id,
                                            std::span<const Variant> args) {
        const std::string name = type + "[" + std::to_string(++counters[type]) + "]";
        auto obj = std::make_shared<RecordingObject>(
            self, type, name, path.empty() ? name : std::move(path), std::move(parent), id,
            std::vector<Variant>(args.begin(), args.end()));
        objects.push_back(obj);
        return obj;
    }
    std::string member(const std::string& type, DISPID id) const {
        const std::string full = tq::automation::MemberName(table, type, id);
        return full.substr(type.size() + 1);
    }
};

namespace {

std::string argsText(std::span<const Variant> args) {
    std::string out;
    for (const Variant& a : args) out += (out.empty() ? "" : " ") + DescribeVariant(a);
    return out;
}

std::string keyOf(DISPID id, std::span<const Variant> args) {
    return std::to_string(id) + "|" + argsText(args);
}

const char* kindText(InvokeKind k) {
    return k == InvokeKind::PropertyGet ? "get" : k == InvokeKind::PropertyPut ? "put" : "method";
}

// ---- The spreadsheet model ----

constexpr int kSheetRows = 1048576, kSheetCols = 16384;

int intOf(const Variant& v0) {
    const Variant& v = v0.deref();
    if (v.vt == tq::automation::VT_I2) return v.iVal;
    return v.vt == tq::automation::VT_I4 || v.vt == tq::automation::VT_INT ? v.lVal : 0;
}

// A range's place on the sheet, and whether its Count counts cells, rows or columns.
struct Geometry {
    int top = 1, left = 1, rows = kSheetRows, cols = kSheetCols;
    char counts = 'c';
};

const SheetModel::Area* mergeAt(const SheetModel& m, int r, int c) {
    for (const auto& a : m.merges)
        if (r >= a.r1 && r <= a.r2 && c >= a.c1 && c <= a.c2) return &a;
    return nullptr;
}

// Follows the calls that reached a range from its worksheet, as the server counts them.
std::optional<Geometry> geometryOf(const RecordingObject& o, const SheetModel& m) {
    const auto& parent = o.parent();
    if (o.TypeName() != "Range" || !parent) return std::nullopt;
    const auto& a = o.creationArgs();
    const DISPID id = o.creationId();
    if (parent->TypeName() == "Worksheet") {
        if (id == xl::Worksheet_UsedRange)
            return Geometry{m.usedTop, m.usedLeft, m.usedRows, m.usedCols};
        return Geometry{1, 1, kSheetRows, kSheetCols,
                        id == xl::Worksheet_Rows      ? 'r'
                        : id == xl::Worksheet_Columns ? 'l'
                                                      : 'c'};
    }
    auto p = geometryOf(*parent, m);
    if (!p) return std::nullopt;
    switch (id) {
        case xl::Range_Item:
            if (a.size() < 2 || a[1].isMissing())
                return Geometry{p->top, p->left + intOf(a[0]) - 1, 1, 1};
            return Geometry{p->top + intOf(a[0]) - 1, p->left + intOf(a[1]) - 1, 1, 1};
        case xl::Range_Rows:
            return Geometry{p->top, p->left, p->rows, p->cols, 'r'};
        case xl::Range_Columns:
            return Geometry{p->top, p->left, p->rows, p->cols, 'l'};
        case xl::Range_Resize:
            return Geometry{p->top, p->left, intOf(a[0]), intOf(a[1])};
        case xl::Range_MergeArea:
            if (const auto* area = mergeAt(m, p->top, p->left))
                return Geometry{area->r1, area->c1, area->r2 - area->r1 + 1,
                                area->c2 - area->c1 + 1};
            return Geometry{p->top, p->left, 1, 1};
        default:
            return p;
    }
}

void installSheetModel(RecordingServer& rec, SheetModel& m) {
    using K = InvokeKind;
    rec.On("Sheets", xl::Sheets_Count, K::PropertyGet,
           [&m](CallContext&) { return Variant::I4(m.sheetCount); });
    rec.On("Sheets", xl::Sheets_Add, K::Method, [&m](CallContext& c) {
        ++m.sheetCount;
        return c.Default();
    });
    rec.On("Range", xl::Range_Count, K::PropertyGet, [&m](CallContext& c) {
        const Geometry g = geometryOf(c.self, m).value_or(Geometry{});
        return Variant::I4(g.counts == 'r' ? g.rows : g.counts == 'l' ? g.cols : g.rows * g.cols);
    });
    rec.On("Range", xl::Range_MergeCells, K::PropertyGet, [&m](CallContext& c) {
        const Geometry g = geometryOf(c.self, m).value_or(Geometry{});
        return Variant::Bool(mergeAt(m, g.top, g.left) != nullptr);
    });
}

}  // namespace

std::string DescribeVariant(const Variant& v) {
    using namespace tq::automation;
    if (v.vt & VT_BYREF) return "BYREF:" + (v.byref ? DescribeVariant(*v.byref) : "null");
    if (v.vt == VT_EMPTY) return "EMPTY";
    if (v.vt == VT_I2) return "I2:" + std::to_string(v.iVal);
    if (v.vt == VT_I4) return "I4:" + std::to_string(v.lVal);
    if (v.vt == VT_INT) return "INT:" + std::to_string(v.lVal);
    if (v.vt == VT_UI4) return "UI4:" + std::to_string(v.ulVal);
    if (v.vt == VT_R4) return "R4:" + tq::text::FormatNumber(v.fltVal, 7);
    if (v.vt == VT_R8) return "R8:" + tq::text::FormatNumber(v.dblVal, 15);
    if (v.vt == VT_BOOL) return v.boolVal ? "BOOL:TRUE" : "BOOL:FALSE";
    if (v.vt == VT_BSTR) return "BSTR:\"" + FromBstr(v.bstr) + "\"";
    if (v.isMissing()) return "MISSING";
    if (v.vt == VT_ERROR) return tq::text::format("ERROR:0x%08X", static_cast<unsigned>(v.scode));
    if (v.vt != VT_DISPATCH) return "VT" + std::to_string(v.vt);
    auto* r = dynamic_cast<RecordingObject*>(v.disp.get());
    return "DISPATCH:" + (r ? r->name() : v.disp ? v.disp->TypeName() : "null");
}

RecordingObject::RecordingObject(std::shared_ptr<ServerState> state, std::string type,
                                 std::string name, std::string path,
                                 std::shared_ptr<RecordingObject> parent, DISPID creationId,
                                 std::vector<Variant> creationArgs)
    : state_(std::move(state)),
      type_(std::move(type)),
      name_(std::move(name)),
      path_(std::move(path)),
      parent_(std::move(parent)),
      creationId_(creationId),
      creationArgs_(std::move(creationArgs)) {}

const tq::automation::MemberTable* RecordingObject::Members() const {
    return state_->table;
}

Variant RecordingObject::Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) {
    RecordedCall call{name_, type_,
                      path_, state_->member(type_, id),
                      kind,  std::vector<Variant>(args.begin(), args.end()),
                      ""};
    call.text = name_ + "." + call.member + "(" + kindText(kind) + ")" +
                (args.empty() ? "" : " " + argsText(args));
    state_->calls.push_back(std::move(call));
    for (const std::string& selector : {name_, type_}) {
        auto it = state_->handlers.find({selector, id, kind});
        if (it == state_->handlers.end()) continue;
        Handler h = it->second;  // a handler may change the handlers
        CallContext context{*this, id, kind, args};
        return h(context);
    }
    return DefaultAnswer(id, kind, args);
}

std::shared_ptr<RecordingObject> RecordingObject::child(DISPID id, InvokeKind kind,
                                                        std::span<const Variant> args) {
    const std::string type(state_->table->ResultOf(type_, id));
    if (type.empty()) return nullptr;
    std::string path = path_ + "." + state_->member(type_, id);
    if (kind == InvokeKind::Method || !args.empty()) path += "(" + argsText(args) + ")";
    auto self = std::static_pointer_cast<RecordingObject>(shared_from_this());
    return state_->create(state_, type, path, self, id, args);
}

Variant RecordingObject::DefaultAnswer(DISPID id, InvokeKind kind, std::span<const Variant> args) {
    if (kind == InvokeKind::PropertyPut) {
        if (!args.empty()) stored_[keyOf(id, args.first(args.size() - 1))] = args.back();
        return Variant();
    }
    if (kind == InvokeKind::Method) {
        auto made = child(id, kind, args);
        return made ? Variant::Dispatch(made) : Variant();
    }
    const std::string key = keyOf(id, args);
    if (auto it = stored_.find(key); it != stored_.end()) return it->second;
    auto& made = children_[key];
    if (!made) made = child(id, kind, args);
    return made ? Variant::Dispatch(made) : Variant();
}

RecordingServer::RecordingServer(Model model)
    : state_(std::make_shared<ServerState>()),
      progId_(model == Model::Excel ? "Excel.Application" : "Word.Application") {
    state_->table = model == Model::Excel ? &xl::Members() : &tq::automation::word::Members();
    if (model == Model::Excel) installSheetModel(*this, state_->sheet);
    tq::office::RegisterBuiltinServers();  // so that the engine is the factory given back
    previous_ = tq::automation::GetServerFactory(progId_);
    std::weak_ptr<ServerState> weak = state_;
    tq::automation::RegisterServer(progId_, [weak]() -> DispatchPtr {
        auto state = weak.lock();
        if (!state) return nullptr;
        ++state->started;
        return state->create(state, "Application", "", nullptr, -1, {});
    });
    tq::automation::ForgetRunningServer(progId_);
}

RecordingServer::~RecordingServer() {
    tq::automation::ForgetRunningServer(progId_);
    if (previous_)
        tq::automation::RegisterServer(progId_, previous_);
    else
        tq::automation::UnregisterServer(progId_);
    // Break the cycles that children, stored values, the log and handlers form, so nothing
    // outlives the test.
    std::vector<std::shared_ptr<RecordingObject>> live;
    for (auto& weak : state_->objects)
        if (auto obj = weak.lock()) live.push_back(std::move(obj));
    for (auto& obj : live) {
        obj->children_.clear();
        obj->stored_.clear();
        obj->parent_.reset();
    }
    auto calls = std::move(state_->calls);
    auto handlers = std::move(state_->handlers);
}

SheetModel& RecordingServer::sheet() {
    return state_->sheet;
}

void RecordingServer::On(const std::string& selector, DISPID id, InvokeKind kind, Handler handler) {
    state_->handlers[{selector, id, kind}] = std::move(handler);
}

void RecordingServer::Answer(const std::string& selector, DISPID id, InvokeKind kind,
                             Variant value) {
    On(selector, id, kind, [value](CallContext&) { return value; });
}

void RecordingServer::Fail(const std::string& selector, DISPID id, InvokeKind kind, int32_t code,
                           std::string message) {
    On(selector, id, kind, [code, message](CallContext& c) -> Variant {
        throw tq::AutomationError(code, tq::automation::MemberName(c.self, c.id) + ": " + message);
    });
}

std::shared_ptr<RecordingObject> RecordingServer::Start() {
    DispatchPtr app;
    if (!tq::automation::CreateDispatch(progId_, app)) return nullptr;
    return std::dynamic_pointer_cast<RecordingObject>(app);
}

int RecordingServer::Started() const {
    return state_->started;
}

std::vector<std::string> RecordingServer::Log() const {
    return LogWhere([](const RecordedCall&) { return true; });
}

std::vector<std::string> RecordingServer::LogByType() const {
    std::vector<std::string> out;
    for (const RecordedCall& c : state_->calls)
        out.push_back(c.type + c.text.substr(c.object.size()));
    return out;
}

std::vector<std::string> RecordingServer::LogWhere(
    const std::function<bool(const RecordedCall&)>& pred) const {
    std::vector<std::string> out;
    for (const RecordedCall& c : state_->calls)
        if (pred(c)) out.push_back(c.text);
    return out;
}

const std::vector<RecordedCall>& RecordingServer::Calls() const {
    return state_->calls;
}

std::string RecordingServer::LogText() const {
    std::string out;
    for (const std::string& line : Log()) out += line + "\n";
    return out;
}

void RecordingServer::ClearLog() {
    state_->calls.clear();
}

}  // namespace tqtest
