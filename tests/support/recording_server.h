// The tests' one stand-in for an office automation server: it registers itself under the server's
// program identifier, records every call a client makes, answers from the server's member table
// and (for the spreadsheet) from a small sheet model, and refuses the calls a test chooses.
//
//     tqtest::RecordingServer rec;                      // "Excel.Application"
//     rec.sheet().usedRows = 3;                         // the model the answers come from
//     rec.Fail("Workbook", xl::Workbook_SaveAs, InvokeKind::Method, code, "disk full");
//     ... run the client ...
//     EXPECT_EQ(rec.Log()[0], "Application[1].UserControl(put) BOOL:FALSE");
//
// Objects are named Type[n], numbered per type in order of creation. A property get returns the
// same child object for the same member and arguments; a method with a result type returns a new
// one each time. Log lines read "<object>.<member>(<get|put|method>) <arg> <arg> ...", arguments in
// the caller's order, each as DescribeVariant writes it (I2:5, I4:1, INT:7, UI4:9, R4:1.5,
// BOOL:TRUE, BSTR:"text" in GBK, DISPATCH:Range[3], MISSING, BYREF:<inner>, EMPTY).
//
// Answers, first match wins: a handler for the object's name ("Range[2]"), then for its type
// ("Range"); then the default: a put stores its value, a get returns the stored value, else a
// child object when the member table gives a result type, else EMPTY. The spreadsheet model is a
// set of type handlers (Sheets.Count, the geometry of ranges and their counts, merged areas),
// so a test's own handler for the same call replaces it.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "automation/dispatch.h"
#include "automation/servers.h"

namespace tqtest {

using tq::automation::DISPID;
using tq::automation::InvokeKind;
using tq::automation::Variant;

struct ServerState;

/// One call received.
struct RecordedCall {
    std::string object;  ///< "Range[2]"
    std::string type;    ///< "Range"
    std::string path;    ///< how the object was reached: "Application[1].Workbooks.Add(MISSING)"
    std::string member;  ///< "Item", "_Default" or "#0x1A2"
    InvokeKind kind = InvokeKind::Method;
    std::vector<Variant> args;
    std::string text;  ///< the log line
};

class RecordingObject : public tq::automation::IDispatch {
  public:
    RecordingObject(std::shared_ptr<ServerState> state, std::string type, std::string name,
                    std::string path, std::shared_ptr<RecordingObject> parent, DISPID creationId,
                    std::vector<Variant> creationArgs);
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override;
    std::string TypeName() const override { return type_; }
    const tq::automation::MemberTable* Members() const override;

    const std::string& name() const { return name_; }
    /// The object whose call returned this one (null for the application).
    const std::shared_ptr<RecordingObject>& parent() const { return parent_; }
    /// The member and arguments of that call (Item(row, col) -> {row, col}).
    DISPID creationId() const { return creationId_; }
    const std::vector<Variant>& creationArgs() const { return creationArgs_; }
    /// The answer the server gives when no handler takes the call.
    Variant DefaultAnswer(DISPID id, InvokeKind kind, std::span<const Variant> args);

  private:
    friend class RecordingServer;
    std::shared_ptr<RecordingObject> child(DISPID id, InvokeKind kind,
                                           std::span<const Variant> args);

    std::shared_ptr<ServerState> state_;
    std::string type_, name_, path_;
    std::shared_ptr<RecordingObject> parent_;
    DISPID creationId_;
    std::vector<Variant> creationArgs_;
    std::map<std::string, Variant> stored_;                             // puts: member + args
    std::map<std::string, std::shared_ptr<RecordingObject>> children_;  // gets: member + args
};

struct CallContext {
    RecordingObject& self;
    DISPID id;
    InvokeKind kind;
    std::span<const Variant> args;
    Variant Default() const { return self.DefaultAnswer(id, kind, args); }
};
using Handler = std::function<Variant(CallContext&)>;

enum class Model { Excel, Word };

/// The spreadsheet behind the Excel model: the number of sheets, and one sheet's used range and
/// merged areas, shared by every worksheet.
struct SheetModel {
    struct Area {
        int r1, c1, r2, c2;  // 1-based, both ends included
    };
    int sheetCount = 1;
    int usedTop = 1, usedLeft = 1, usedRows = 1, usedCols = 1;
    std::vector<Area> merges;
};

class RecordingServer {
  public:
    explicit RecordingServer(Model model = Model::Excel);
    ~RecordingServer();
    RecordingServer(const RecordingServer&) = delete;
    RecordingServer& operator=(const RecordingServer&) = delete;

    /// The Excel model's sheet.
    SheetModel& sheet();

    /// `selector` is an object name ("Range[2]") or a type ("Range").
    void On(const std::string& selector, DISPID id, InvokeKind kind, Handler handler);
    void Answer(const std::string& selector, DISPID id, InvokeKind kind, Variant value);
    /// Refuses the call with tq::AutomationError(code, "Type.Member: message").
    void Fail(const std::string& selector, DISPID id, InvokeKind kind, int32_t code,
              std::string message);

    /// Starts an instance as if the user had the server running before the client looked.
    std::shared_ptr<RecordingObject> Start();
    /// How many instances were started.
    int Started() const;

    std::vector<std::string> Log() const;
    /// The log with each object's type in place of its name ("Range.Item(get) I4:1 I4:2").
    std::vector<std::string> LogByType() const;
    std::vector<std::string> LogWhere(const std::function<bool(const RecordedCall&)>& pred) const;
    const std::vector<RecordedCall>& Calls() const;
    /// The log as one text (for failure messages).
    std::string LogText() const;
    void ClearLog();

  private:
    std::shared_ptr<ServerState> state_;
    std::string progId_;
    tq::automation::ServerFactory previous_;
};

std::string DescribeVariant(const Variant& v);

}  // namespace tqtest
