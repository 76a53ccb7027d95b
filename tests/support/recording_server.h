// A recording automation server for tests: it stands in for "Excel.Application" (or any program
// identifier), logs every call it receives and answers from a script.
//
// Quick start
//
//     tqtest::RecordingServer rec;                        // registers "Excel.Application"
//     rec.Answer("Sheets", xl::Sheets_Count, InvokeKind::PropertyGet, Variant::I4(3));
//     rec.On("Range", DISPID_VALUE, InvokeKind::PropertyGet, [](tqtest::CallContext& c) {
//         auto& a = c.self.creationArgs();                // the Item(row, col) that made this cell
//         return Variant::Str(u"cell");
//     });
//     ... run the code under test (it attaches through tq::os as usual) ...
//     EXPECT_THAT(rec.Log(), ElementsAre("Application[1].UserControl(put) BOOL:FALSE", ...));
//
// Objects. The server starts with one object "Application[1]". Objects are created on demand:
// a property get or a method whose member has a result type (DefineMember; the spreadsheet object
// model is predefined) returns a child object of that type. Objects are named Type[n], numbered
// per type in order of creation across the whole server (Workbook[1], Workbook[2] ...).
//  - A property get returns the same child for the same member and the same arguments
//    (Range[1].Item(I4:1 I4:2) twice gives the same cell object).
//  - A method returns a new child on every call (each Workbooks.Add gives a new Workbook).
//  - path() tells how an object was reached: "Application[1].Workbooks.Add(MISSING).Worksheets".
//
// Log. Every call is logged before it is answered, as one line:
//     <object>.<member>(<get|put|method>) <arg> <arg> ...
// with the arguments in the caller's order (for a put, the value last), each as TYPE:value:
//     EMPTY  NULL  I2:5  I4:-1  INT:7  UI4:9  R4:1.5  R8:0.25  DATE:2024/1/2 3:04:05
//     BOOL:TRUE  BOOL:FALSE  BSTR:"text"  (GBK bytes)  DISPATCH:Range[3]  DISPATCH:null
//     MISSING (the omitted-argument value)  ERROR:0x800A07D7  BYREF:<inner>
// Member names come from DefineMember (the spreadsheet members are predefined; DISPID_VALUE is
// "_Default"), otherwise "#0x1A2". The coercion of an object to a value shows up as a
// "_Default(get)" call on it.
//
// Answers, in this order of precedence for a call (object, member, kind):
//  1. a script entry for the object's name ("Range[2]"), then for its type ("Range"), then for
//     "*" (any object): its queued answers first (Queue: each used once, in order), then its
//     handler (On / Answer / Fail);
//  2. the defaults:
//     - put: the value is stored on the object (per member and leading arguments); for a member
//       with a result type (Range.Item put) the value is stored as the child's default value;
//     - get: a stored value (per member and arguments; DISPID_VALUE reads the type's default
//       member, e.g. Range.Value), else a child object when the member has a result type, else
//       EMPTY. Predefined answers: Sheets.Count and Range.Count I4:1, Range.Row and
//       Range.Column I4:1, Range.MergeCells BOOL:FALSE (replace them with Answer/On);
//     - method: a new child when the member has a result type, else EMPTY.
//
// Registration. The constructor registers the program identifier (replacing and remembering any
// factory registered before, such as the built-in engine) and forgets the server's running
// instance, so the code under test starts a fresh recorded instance through CreateDispatch. The
// destructor restores the previous factory and forgets the recorded instance. Start() makes a
// recorded instance run before the code under test looks for one (a user's running server).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "automation/dispatch.h"
#include "automation/servers.h"

namespace tqtest {

using tq::automation::DISPID;
using tq::automation::InvokeKind;
using tq::automation::Variant;

class RecordingServer;
struct ServerState;

/// One call received by a recorded object.
struct RecordedCall {
    std::string object;  ///< the object's name, "Range[2]"
    std::string type;    ///< its type, "Range"
    std::string path;    ///< how it was reached, "Application[1].Workbooks.Add(MISSING)"
    std::string member;  ///< "Item", "_Default" or "#0x1A2"
    DISPID id = 0;
    InvokeKind kind = InvokeKind::Method;
    std::vector<Variant> args;  ///< in the caller's order (a put's value last)
    std::string text;           ///< the log line
};

/// An object of the recording server. Tests reach it through RecordingServer::Find or the
/// handler's context.
class RecordingObject : public tq::automation::IDispatch {
  public:
    RecordingObject(std::shared_ptr<ServerState> state, std::string type, std::string name,
                    std::string path, std::weak_ptr<RecordingObject> parent,
                    std::vector<Variant> creationArgs);
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override;
    std::string TypeName() const override { return type_; }
    const tq::automation::MemberTable* Members() const override;

    const std::string& name() const { return name_; }
    const std::string& path() const { return path_; }
    /// The object that returned this one (null for the application, or once it is gone).
    std::shared_ptr<RecordingObject> parent() const { return parent_.lock(); }
    /// "Item", "_Default" or "#0x1A2": the name of member `id` of this object's type.
    std::string MemberName(DISPID id) const;
    /// The arguments of the call that returned this object (Item(row, col) -> {row, col}).
    const std::vector<Variant>& creationArgs() const { return creationArgs_; }
    /// The DISPID of the call that returned this object (-1 for the application).
    DISPID creationId() const { return creationId_; }

    /// A value stored by a put (for `id` with the given leading arguments), or EMPTY.
    Variant Property(DISPID id, std::span<const Variant> args = {}) const;
    /// Stores a value as a put would.
    void SetProperty(DISPID id, const Variant& value, std::span<const Variant> args = {});
    /// The child returned by a get of `id` with `args` (created when it does not exist yet; null
    /// when the member has no result type).
    std::shared_ptr<RecordingObject> Child(DISPID id, std::span<const Variant> args = {});

    /// The answer the server gives when no script entry takes the call.
    Variant DefaultAnswer(DISPID id, InvokeKind kind, std::span<const Variant> args);

  private:
    friend class RecordingServer;
    std::shared_ptr<RecordingObject> makeChild(DISPID id, InvokeKind kind,
                                               std::span<const Variant> args,
                                               const std::string& type);

    std::shared_ptr<ServerState> state_;
    std::string type_, name_, path_;
    std::weak_ptr<RecordingObject> parent_;
    std::vector<Variant> creationArgs_;
    DISPID creationId_ = -1;
    std::map<std::string, Variant> properties_;                         // key: member + args
    std::map<std::string, std::shared_ptr<RecordingObject>> children_;  // gets: member + args
    std::vector<std::shared_ptr<RecordingObject>> made_;                // results of methods
};

/// What a handler sees.
struct CallContext {
    RecordingObject& self;
    DISPID id;
    InvokeKind kind;
    std::span<const Variant> args;
    RecordingServer& server;
    /// The answer the server would give without this handler.
    Variant Default() const { return self.DefaultAnswer(id, kind, args); }
};

using Handler = std::function<Variant(CallContext&)>;

/// Which object model the server predefines.
enum class Model { Excel, Word, None };

class RecordingServer {
  public:
    explicit RecordingServer(std::string progId = "Excel.Application", Model model = Model::Excel);
    ~RecordingServer();
    RecordingServer(const RecordingServer&) = delete;
    RecordingServer& operator=(const RecordingServer&) = delete;

    const std::string& progId() const { return progId_; }

    // ---- Object model ----

    /// Names member `id` of `type` and, when `resultType` is not empty, makes its gets and method
    /// calls return objects of that type.
    void DefineMember(const std::string& type, DISPID id, const std::string& name,
                      const std::string& resultType = "");
    /// The member that DISPID_VALUE reads on objects of `type` (Range: Value).
    void SetDefaultMember(const std::string& type, DISPID id);

    // ---- Script. `selector` is an object name ("Range[2]"), a type ("Range") or "*". ----

    /// Answers every call (selector, id, kind) with `handler`.
    void On(const std::string& selector, DISPID id, InvokeKind kind, Handler handler);
    /// Answers every call (selector, id, kind) with `value`.
    void Answer(const std::string& selector, DISPID id, InvokeKind kind, Variant value);
    /// Answers the next call (selector, id, kind) with `value` (queued answers are used once each,
    /// in order, before any handler).
    void Queue(const std::string& selector, DISPID id, InvokeKind kind, Variant value);
    /// Rejects every call (selector, id, kind) with tq::AutomationError(code, message).
    void Fail(const std::string& selector, DISPID id, InvokeKind kind, int32_t code,
              std::string message);
    /// Removes the script entry (queue and handler) of (selector, id, kind).
    void Clear(const std::string& selector, DISPID id, InvokeKind kind);

    // ---- Instances ----

    /// Starts a recorded instance and makes it the running one (as if the user had the server
    /// open before the code under test looked for it).
    std::shared_ptr<RecordingObject> Start();
    /// How many instances have been started (by CreateDispatch or Start).
    int Started() const;
    /// The object of that name ("Workbook[1]"), or null.
    std::shared_ptr<RecordingObject> Find(const std::string& name) const;

    // ---- Log ----

    /// Every call so far, one line each.
    std::vector<std::string> Log() const;
    /// The lines from position `mark` (a value of Mark()) on.
    std::vector<std::string> LogSince(size_t mark) const;
    /// The lines of the calls for which `pred` is true.
    std::vector<std::string> LogWhere(const std::function<bool(const RecordedCall&)>& pred) const;
    /// The log as one text, lines ended by '\n' (for failure messages).
    std::string LogText() const;
    /// Every call so far, in full.
    std::vector<RecordedCall> Calls() const;
    /// The number of calls so far.
    size_t Mark() const;
    void ClearLog();

  private:
    std::string progId_;
    std::shared_ptr<ServerState> state_;
    tq::automation::ServerFactory previous_;
};

/// A variant as the log writes it ("I4:1", "BSTR:\"x\"", "MISSING" ...).
std::string DescribeVariant(const Variant& v);

}  // namespace tqtest
