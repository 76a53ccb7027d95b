#include "support/excel_recorder.h"

#include <algorithm>

#include "automation/excel_ops.h"
#include "automation/servers.h"
#include "office/builtin_servers.h"
#include "text/text.h"

namespace excel_rec {

using tq::automation::DispatchPtr;
using tq::automation::DISPID;
using tq::automation::IDispatch;
using tq::automation::InvokeKind;
using tq::automation::Variant;
namespace xl = tq::automation::xl;

struct State {
    Script script;
    std::vector<std::string> log;
    int started = 0;
    int books = 0;
};

namespace {

constexpr int kSheetRows = 1048576;
constexpr int kSheetCols = 16384;

std::string argText(const Variant& v0) {
    const Variant& v = v0.deref();
    using namespace tq::automation;
    switch (v.vt) {
        case VT_EMPTY:
            return "EMPTY";
        case VT_I2:
            return "I2 " + std::to_string(v.iVal);
        case VT_I4:
            return "I4 " + std::to_string(v.lVal);
        case VT_INT:
            return "INT " + std::to_string(v.lVal);
        case VT_UI4:
            return "UI4 " + std::to_string(v.ulVal);
        case VT_R8:
            return "R8 " + tq::text::format("%g", v.dblVal);
        case VT_BOOL:
            return "BOOL " + std::to_string(v.boolVal);
        case VT_BSTR:
            return "BSTR \"" + tq::text::utf16ToGbk(v.bstr) + "\"";
        case VT_ERROR:
            return v.isMissing() ? "MISSING" : "ERROR " + std::to_string(v.scode);
        case VT_DISPATCH: {
            return "DISP " + (v.disp ? v.disp->TypeName() : std::string("null"));
        }
        default:
            return "VT " + std::to_string(v.vt);
    }
}

std::string argsText(std::span<const Variant> args) {
    std::string out;
    size_t i = 0;
    while (i < args.size()) {
        if (!out.empty()) out += ", ";
        if (args[i].isMissing()) {
            size_t j = i;
            while (j < args.size() && args[j].isMissing()) ++j;
            if (j - i >= 3) {
                out += "MISSING x" + std::to_string(j - i);
                i = j;
                continue;
            }
        }
        out += argText(args[i]);
        ++i;
    }
    return out;
}

int intArg(std::span<const Variant> args, size_t i) {
    if (i >= args.size()) return 0;
    const Variant& v = args[i].deref();
    using namespace tq::automation;
    switch (v.vt) {
        case VT_I2:
            return v.iVal;
        case VT_I4:
        case VT_INT:
            return v.lVal;
        case VT_UI4:
            return static_cast<int>(v.ulVal);
        case VT_R8:
            return static_cast<int>(v.dblVal);
        default:
            return 0;
    }
}

std::string memberName(const std::string& type, DISPID id) {
    static const std::map<std::pair<std::string, DISPID>, std::string> names = {
        {{"Application", xl::Application_Workbooks}, "Workbooks"},
        {{"Application", xl::Application_Visible}, "Visible"},
        {{"Application", xl::Application_DisplayAlerts}, "DisplayAlerts"},
        {{"Application", xl::Application_UserControl}, "UserControl"},
        {{"Workbooks", xl::Workbooks_Add}, "Add"},
        {{"Workbooks", xl::Workbooks_Open}, "Open"},
        {{"Workbook", xl::Workbook_Sheets}, "Sheets"},
        {{"Workbook", xl::Workbook_Worksheets}, "Worksheets"},
        {{"Workbook", xl::Workbook_Close}, "Close"},
        {{"Workbook", xl::Workbook_SaveAs}, "SaveAs"},
        {{"Sheets", xl::Sheets_Item}, "Item"},
        {{"Sheets", xl::Sheets_Add}, "Add"},
        {{"Sheets", xl::Sheets_Count}, "Count"},
        {{"Sheets", xl::Sheets_Select}, "Select"},
        {{"Worksheet", xl::Worksheet_Name}, "Name"},
        {{"Worksheet", xl::Worksheet_Cells}, "Cells"},
        {{"Worksheet", xl::Worksheet_Rows}, "Rows"},
        {{"Worksheet", xl::Worksheet_Columns}, "Columns"},
        {{"Worksheet", xl::Worksheet_UsedRange}, "UsedRange"},
        {{"Worksheet", xl::Worksheet_Delete}, "Delete"},
        {{"Range", xl::Range_Item}, "Item"},
        {{"Range", xl::Range_Value}, "Value"},
        {{"Range", xl::Range_Rows}, "Rows"},
        {{"Range", xl::Range_Columns}, "Columns"},
        {{"Range", xl::Range_MergeArea}, "MergeArea"},
        {{"Range", xl::Range_Font}, "Font"},
        {{"Range", xl::Range_Interior}, "Interior"},
        {{"Range", xl::Range_Resize}, "Resize"},
        {{"Range", xl::Range_Count}, "Count"},
        {{"Range", xl::Range_MergeCells}, "MergeCells"},
        {{"Range", xl::Range_Merge}, "Merge"},
        {{"Range", xl::Range_Clear}, "Clear"},
        {{"Range", xl::Range_ClearContents}, "ClearContents"},
        {{"Range", xl::Range_AutoFit}, "AutoFit"},
        {{"Range", xl::Range_NumberFormat}, "NumberFormat"},
        {{"Range", xl::Range_NumberFormatLocal}, "NumberFormatLocal"},
        {{"Range", xl::Range_HorizontalAlignment}, "HorizontalAlignment"},
        {{"Range", xl::Range_VerticalAlignment}, "VerticalAlignment"},
        {{"Range", xl::Range_ColumnWidth}, "ColumnWidth"},
        {{"Font", xl::Font_Name}, "Name"},
        {{"Font", xl::Font_Size}, "Size"},
        {{"Interior", xl::Interior_Color}, "Color"},
    };
    if (id == tq::automation::DISPID_VALUE) return "<value>";
    auto it = names.find({type, id});
    return it != names.end() ? it->second : tq::text::format("#0x%X", static_cast<unsigned>(id));
}

// Which count a range gives: all its cells, its rows or its columns.
enum class Dim { Cells, Rows, Cols };

struct Obj : IDispatch {
    std::shared_ptr<State> st;
    std::string type;
    std::string name;
    // Workbook: its sheet count; Range: geometry (1-based top-left, size) and counting dimension.
    std::shared_ptr<int> sheetCount;
    int top = 1, left = 1, rows = 1, cols = 1;
    Dim dim = Dim::Cells;

    Obj(std::shared_ptr<State> s, std::string t, std::string n)
        : st(std::move(s)), type(std::move(t)), name(std::move(n)) {}

    std::string TypeName() const override { return type; }

    DispatchPtr make(const std::string& t, const std::string& n) {
        auto o = std::make_shared<Obj>(st, t, n);
        o->sheetCount = sheetCount;
        return o;
    }
    DispatchPtr range(const std::string& n, int t, int l, int r, int c, Dim d = Dim::Cells) {
        auto o = std::make_shared<Obj>(st, "Range", n);
        o->sheetCount = sheetCount;
        o->top = t;
        o->left = l;
        o->rows = r;
        o->cols = c;
        o->dim = d;
        return o;
    }

    std::string cellText(int r, int c) const {
        auto it = st->script.cells.find({r, c});
        return it == st->script.cells.end() ? std::string() : it->second;
    }
    const Area* mergeAt(int r, int c) const {
        for (const Area& a : st->script.merges)
            if (r >= a.r1 && r <= a.r2 && c >= a.c1 && c <= a.c2) return &a;
        return nullptr;
    }
    Variant textValue(int r, int c) const {
        const std::string t = cellText(r, c);
        if (t.empty()) return Variant();
        std::u16string w;
        tq::text::gbkToUtf16(t, w);
        return Variant::Str(w);
    }

    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        const std::string member = memberName(type, id);
        std::string line = name + "." + member;
        if (kind == InvokeKind::PropertyPut)
            line += "=(" + argsText(args) + ")";
        else if (kind == InvokeKind::Method || !args.empty())
            line += "(" + argsText(args) + ")";
        st->log.push_back(line);
        if (st->script.failing.count(type + "." + member))
            throw tq::AutomationError(tq::hresult::DISP_E_EXCEPTION_,
                                      type + "." + member + " failed");

        if (type == "Application") {
            if (id == xl::Application_Workbooks)
                return Variant::Dispatch(make("Workbooks", "Workbooks"));
            return Variant();
        }
        if (type == "Workbooks") {
            if (id == xl::Workbooks_Open || id == xl::Workbooks_Add) {
                auto o =
                    std::make_shared<Obj>(st, "Workbook", "Book" + std::to_string(++st->books));
                o->sheetCount = std::make_shared<int>(st->script.sheetCount);
                return Variant::Dispatch(o);
            }
            return Variant();
        }
        if (type == "Workbook") {
            if (id == xl::Workbook_Sheets || id == xl::Workbook_Worksheets)
                return Variant::Dispatch(make("Sheets", "Sheets"));
            return Variant();
        }
        if (type == "Sheets") {
            if (id == xl::Sheets_Count) return Variant::I4(*sheetCount);
            if (id == xl::Sheets_Item) {
                const int n = intArg(args, 0);
                if (n < 1 || n > *sheetCount)
                    throw tq::AutomationError(tq::hresult::DISP_E_BADINDEX_,
                                              "Sheets.Item: no such sheet");
                return Variant::Dispatch(make("Worksheet", "Sheet" + std::to_string(n)));
            }
            if (id == xl::Sheets_Add) {
                ++*sheetCount;
                return Variant::Dispatch(make("Worksheet", "Sheet" + std::to_string(*sheetCount)));
            }
            return Variant();
        }
        if (type == "Worksheet") {
            const Script& s = st->script;
            if (id == xl::Worksheet_Cells)
                return Variant::Dispatch(range(name + ".Cells", 1, 1, kSheetRows, kSheetCols));
            if (id == xl::Worksheet_Rows)
                return Variant::Dispatch(
                    range(name + ".Rows", 1, 1, kSheetRows, kSheetCols, Dim::Rows));
            if (id == xl::Worksheet_Columns)
                return Variant::Dispatch(
                    range(name + ".Columns", 1, 1, kSheetRows, kSheetCols, Dim::Cols));
            if (id == xl::Worksheet_UsedRange)
                return Variant::Dispatch(
                    range(name + ".UsedRange", s.usedTop, s.usedLeft, s.usedRows, s.usedCols));
            if (id == xl::Worksheet_Delete) --*sheetCount;
            return Variant();
        }
        if (type == "Range") {
            if (id == xl::Range_Item && kind == InvokeKind::PropertyGet) {
                const int r = intArg(args, 0);
                if (args.size() < 2 || args[1].isMissing())
                    return Variant::Dispatch(
                        range(name + "[" + std::to_string(r) + "]", top, left + r - 1, 1, 1));
                const int c = intArg(args, 1);
                return Variant::Dispatch(
                    range(name + "[" + std::to_string(r) + "," + std::to_string(c) + "]",
                          top + r - 1, left + c - 1, 1, 1));
            }
            if (id == xl::Range_Item && kind == InvokeKind::PropertyPut) {
                const int r = top + intArg(args, 0) - 1, c = left + intArg(args, 1) - 1;
                const Variant& v = args.back().deref();
                st->script.cells[{r, c}] =
                    v.vt == tq::automation::VT_BSTR ? tq::text::utf16ToGbk(v.bstr) : "";
                return Variant();
            }
            if ((id == tq::automation::DISPID_VALUE || id == xl::Range_Value) &&
                kind == InvokeKind::PropertyGet)
                return textValue(top, left);
            if (id == xl::Range_Value && kind == InvokeKind::PropertyPut) {
                const Variant& v = args.back().deref();
                st->script.cells[{top, left}] =
                    v.vt == tq::automation::VT_BSTR ? tq::text::utf16ToGbk(v.bstr) : "";
                return Variant();
            }
            if (id == xl::Range_Rows)
                return Variant::Dispatch(range(name + ".Rows", top, left, rows, cols, Dim::Rows));
            if (id == xl::Range_Columns)
                return Variant::Dispatch(
                    range(name + ".Columns", top, left, rows, cols, Dim::Cols));
            if (id == xl::Range_Count) {
                if (dim == Dim::Rows) return Variant::I4(rows);
                if (dim == Dim::Cols) return Variant::I4(cols);
                return Variant::I4(rows * cols);
            }
            if (id == xl::Range_MergeCells) return Variant::Bool(mergeAt(top, left) != nullptr);
            if (id == xl::Range_MergeArea) {
                const Area* a = mergeAt(top, left);
                if (!a) return Variant::Dispatch(range(name + ".MergeArea", top, left, 1, 1));
                return Variant::Dispatch(
                    range(name + ".MergeArea", a->r1, a->c1, a->r2 - a->r1 + 1, a->c2 - a->c1 + 1));
            }
            if (id == xl::Range_Resize) {
                const int r = intArg(args, 0), c = intArg(args, 1);
                if (r <= 0 || c <= 0)
                    throw tq::AutomationError(tq::hresult::DISP_E_EXCEPTION_,
                                              "Range.Resize: bad size");
                return Variant::Dispatch(range(name + ".Resize", top, left, r, c));
            }
            if (id == xl::Range_Font) return Variant::Dispatch(make("Font", name + ".Font"));
            if (id == xl::Range_Interior)
                return Variant::Dispatch(make("Interior", name + ".Interior"));
            if (id == xl::Range_ClearContents || id == xl::Range_Clear) {
                for (auto it = st->script.cells.begin(); it != st->script.cells.end();) {
                    const auto [r, c] = it->first;
                    if (r >= top && r < top + rows && c >= left && c < left + cols)
                        it = st->script.cells.erase(it);
                    else
                        ++it;
                }
            }
            return Variant();
        }
        return Variant();
    }
};

}  // namespace

Server::Server() : state_(std::make_shared<State>()) {
    tq::office::RegisterBuiltinServers();  // so that the engine is the factory given back
    previous_ = tq::automation::GetServerFactory("Excel.Application");
    std::weak_ptr<State> weak = state_;
    tq::automation::RegisterServer("Excel.Application", [weak]() -> DispatchPtr {
        auto st = weak.lock();
        if (!st) return nullptr;
        ++st->started;
        return std::make_shared<Obj>(st, "Application", "App");
    });
    tq::automation::ForgetRunningServer("Excel.Application");
}

Server::~Server() {
    tq::automation::ForgetRunningServer("Excel.Application");
    if (previous_)
        tq::automation::RegisterServer("Excel.Application", previous_);
    else
        tq::automation::UnregisterServer("Excel.Application");
}

void Server::uninstall() {
    tq::automation::UnregisterServer("Excel.Application");
}

Script& Server::script() {
    return state_->script;
}
const std::vector<std::string>& Server::log() const {
    return state_->log;
}
std::vector<std::string> Server::callsFrom(size_t from) const {
    const auto& l = state_->log;
    return std::vector<std::string>(l.begin() + static_cast<long>(std::min(from, l.size())),
                                    l.end());
}
void Server::clearLog() {
    state_->log.clear();
}
int Server::started() const {
    return state_->started;
}

std::string join(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

}  // namespace excel_rec
