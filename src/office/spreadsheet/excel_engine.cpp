// The spreadsheet engine's automation objects (see excel_engine.h).
//
// Objects are light handles: a Range is the workbook's shared state, a sheet identity and a
// rectangle, so the many Range objects that cell-by-cell callers create cost one small
// allocation each. Every member checks that its workbook is still open and its sheet still
// exists, and reports a refused call as tq::AutomationError whose message names the member.
#include "office/spreadsheet/excel_engine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "automation/holder.h"
#include "automation/servers.h"
#include "office/builtin_servers.h"
#include "office/spreadsheet/file_io.h"
#include "office/spreadsheet/model/model_ops.h"
#include "office/spreadsheet/xlsx/xlsx_writer.h"
#include "os/process.h"
#include "text/text.h"
#include "tqtool/types.h"

namespace tq::office {

using automation::DispatchPtr;
using automation::DISPID;
using automation::IDispatch;
using automation::InvokeKind;
using automation::Variant;
namespace vt = automation;

namespace {

// ---------------------------------------------------------------------------------------------
// Member identifiers (besides those the library itself calls, a few more that callers of a
// spreadsheet commonly use).

enum : DISPID {
    kValue = 0,
    kValueProp = 0x6,
    kColorIndex = 0x61,
    kColor = 0x63,
    kSize = 0x68,
    kBold = 0x60,
    kItalic = 0x65,
    kName = 0x6E,
    kClear = 0x6F,
    kClearFormats = 0x70,
    kClearContents = 0x71,
    kDelete = 0x75,
    kCount = 0x76,
    kInterior = 0x81,
    kHAlign = 0x88,
    kVAlign = 0x89,
    kText = 0x8A,
    kFont = 0x92,
    kParent = 0x96,
    kItem = 0xAA,
    kAdd = 0xB5,
    kNumberFormat = 0xC1,
    kRangeProp = 0xC5,
    kMergeCells = 0xD0,
    kAddress = 0xEC,
    kAutoFit = 0xED,
    kCells = 0xEE,
    kColumn = 0xF0,
    kColumns = 0xF1,
    kColumnWidth = 0xF2,
    kEntireColumn = 0xF6,
    kEntireRow = 0xF7,
    kSelect = 0xEB,
    kResize = 0x100,
    kRow = 0x101,
    kRows = 0x102,
    kRowHeight = 0x110,
    kWrapText = 0x114,
    kClose = 0x115,
    kSave = 0x11B,
    kSaveAs = 0x11C,
    kFullName = 0x121,
    kQuit = 0x12E,
    kActivate = 0x130,
    kActiveSheet = 0x133,
    kDisplayAlerts = 0x157,
    kWorksheet = 0x15C,
    kUsedRange = 0x19C,
    kSheets = 0x1E5,
    kIndex = 0x1E6,
    kWorksheets = 0x1EE,
    kVisible = 0x22E,
    kMerge = 0x234,
    kWorkbooks = 0x23C,
    kOpen = 0x2AA,
    kNumberFormatLocal = 0x449,
    kUserControl = 0x4BA,
    kUnMerge = 0x568,
    kMergeArea = 0x569,
    kValue2 = 0x56C,
};

constexpr int32_t kXlNone = -4142;
constexpr uint64_t kMaxCellByCell = 10'000'000;
// "G/通用格式": the name of the general format in the Chinese user interface.
const char* const kGeneralLocal = "G/\xe9\x80\x9a\xe7\x94\xa8\xe6\xa0\xbc\xe5\xbc\x8f";

[[noreturn]] void fail(int32_t code, const std::string& member, const std::string& why) {
    throw AutomationError(code, member + ": " + why);
}
[[noreturn]] void fail(const std::string& member, const std::string& why) {
    fail(hresult::E_FAIL_, member, why);
}

std::string gbk(const std::string& utf8) {
    return text::utf8ToGbk(utf8);
}

// ---- Arguments ----

const Variant& missingValue() {
    static const Variant m = Variant::Missing();
    return m;
}
const Variant& arg(std::span<const Variant> args, size_t i) {
    return i < args.size() ? args[i].deref() : missingValue();
}
bool given(const Variant& v) {
    return !v.isMissing() && v.vt != vt::VT_EMPTY;
}

Variant convert(const Variant& v, uint16_t to, const std::string& member) {
    try {
        return vt::ChangeType(v, to);
    } catch (const AutomationError& e) {
        fail(e.code(), member, e.what());
    }
}

int64_t toInt(const Variant& v, const std::string& member) {
    switch (v.vt) {
        case vt::VT_I4:
        case vt::VT_INT:
            return v.lVal;
        case vt::VT_I2:
            return v.iVal;
        case vt::VT_UI4:
            return v.ulVal;
        case vt::VT_R8:
            if (std::isfinite(v.dblVal) && std::fabs(v.dblVal) < 9e15)
                return std::llround(v.dblVal);
            break;
        default:
            break;
    }
    if (v.isMissing())
        fail(hresult::DISP_E_PARAMNOTFOUND_, member, "a required argument is missing");
    Variant d = convert(v, vt::VT_R8, member);
    if (!std::isfinite(d.dblVal) || std::fabs(d.dblVal) > 9e15)
        fail(hresult::DISP_E_OVERFLOW_, member, "the number is out of range");
    return std::llround(d.dblVal);
}

double toDouble(const Variant& v, const std::string& member) {
    if (v.vt == vt::VT_R8) return v.dblVal;
    if (v.isMissing())
        fail(hresult::DISP_E_PARAMNOTFOUND_, member, "a required argument is missing");
    return convert(v, vt::VT_R8, member).dblVal;
}

bool toBool(const Variant& v, const std::string& member) {
    if (v.vt == vt::VT_BOOL) return v.boolVal != 0;
    if (v.isMissing())
        fail(hresult::DISP_E_PARAMNOTFOUND_, member, "a required argument is missing");
    return convert(v, vt::VT_BOOL, member).boolVal != 0;
}

std::string toUtf8(const Variant& v, const std::string& member) {
    if (v.vt == vt::VT_BSTR) return text::utf16ToUtf8(v.bstr);
    if (v.isMissing())
        fail(hresult::DISP_E_PARAMNOTFOUND_, member, "a required argument is missing");
    return text::utf16ToUtf8(convert(v, vt::VT_BSTR, member).bstr);
}

Variant str(const std::string& utf8) {
    return Variant::Str(text::utf8ToUtf16(utf8));
}
Variant nullVariant() {
    Variant v;
    v.vt = vt::VT_NULL;
    return v;
}

// A file path handed to the server (Windows or POSIX form) as a file-system path.
std::string osPath(const std::string& utf8) {
    std::string p = utf8;
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

std::string fileName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// ---- Sheet names ----

// Simple case folding for the scripts whose letters have case (Latin, Greek, Cyrillic,
// full-width Latin).
char16_t foldCase(char16_t ch) {
    if ((ch >= u'A' && ch <= u'Z') || (ch >= 0xC0 && ch <= 0xDE && ch != 0xD7) ||
        (ch >= 0x391 && ch <= 0x3A9) || (ch >= 0x410 && ch <= 0x42F))
        return static_cast<char16_t>(ch + 0x20);
    if (ch >= 0x400 && ch <= 0x40F) return static_cast<char16_t>(ch + 0x50);
    if (ch >= 0xFF21 && ch <= 0xFF3A) return static_cast<char16_t>(ch + 0x20);
    return ch;
}

bool sameNameIgnoringCase(const std::string& a, const std::string& b) {
    std::u16string x = text::utf8ToUtf16(a), y = text::utf8ToUtf16(b);
    if (x.size() != y.size()) return false;
    for (size_t i = 0; i < x.size(); ++i)
        if (foldCase(x[i]) != foldCase(y[i])) return false;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Shared state

struct AppState;

struct BookState {
    BookModel model;
    std::string name;  // "Book1", or the file's name
    std::string path;  // file-system path; empty for a workbook never saved
    bool readOnly = false;
    bool shown = false;
    bool closed = false;
    bool fromFile = false;
    int active = 0;
    uint32_t sheetCounter = 0;

    explicit BookState(Workbook&& wb) : model(std::move(wb)) {}

    void check(const char* member) const {
        if (closed) fail(member, "the workbook '" + gbk(name) + "' has been closed");
    }
    Sheet& sheet(uint32_t id, int& cache, const char* member) {
        check(member);
        auto& sheets = model.wb.sheets;
        if (cache < 0 || static_cast<size_t>(cache) >= sheets.size() ||
            sheets[static_cast<size_t>(cache)].id != id) {
            cache = model.sheetIndex(id);
            if (cache < 0) fail(member, "the worksheet has been deleted");
        }
        return sheets[static_cast<size_t>(cache)];
    }
    // The same for callers that name the member only when something is wrong.
    Sheet& sheetOf(uint32_t id, int& cache, const IDispatch& obj, DISPID member) {
        auto& sheets = model.wb.sheets;
        if (!closed && cache >= 0 && static_cast<size_t>(cache) < sheets.size() &&
            sheets[static_cast<size_t>(cache)].id == id)
            return sheets[static_cast<size_t>(cache)];
        return sheet(id, cache, vt::MemberName(obj.TypeName(), member).c_str());
    }
    void checkOf(const IDispatch& obj, DISPID member) const {
        if (closed) check(vt::MemberName(obj.TypeName(), member).c_str());
    }
    bool nameTaken(const std::string& n, uint32_t exceptId) const {
        for (const Sheet& s : model.wb.sheets)
            if (s.id != exceptId && sameNameIgnoringCase(s.name, n)) return true;
        return false;
    }
    std::string nextSheetName() {
        std::string n;
        do {
            n = "Sheet" + std::to_string(++sheetCounter);
        } while (nameTaken(n, 0));
        return n;
    }
};
using BookPtr = std::shared_ptr<BookState>;

struct AppState {
    std::vector<BookPtr> books;
    bool visible = false;
    bool displayAlerts = true;
    bool userControl = false;
    uint32_t newBooks = 0;
};
using AppPtr = std::shared_ptr<AppState>;

void validateSheetName(const BookState& b, const std::string& n, uint32_t selfId,
                       const char* member) {
    std::u16string w = text::utf8ToUtf16(n);
    if (w.empty()) fail(hresult::E_INVALIDARG_, member, "a sheet name cannot be empty");
    if (w.size() > 31)
        fail(hresult::E_INVALIDARG_, member,
             "the sheet name '" + gbk(n) + "' is longer than 31 characters");
    for (char16_t ch : w)
        if (ch == ':' || ch == '\\' || ch == '/' || ch == '?' || ch == '*' || ch == '[' ||
            ch == ']')
            fail(hresult::E_INVALIDARG_, member,
                 "the sheet name '" + gbk(n) +
                     "' holds a character that sheet names cannot hold (: \\ / ? * [ ])");
    if (w.front() == '\'' || w.back() == '\'')
        fail(hresult::E_INVALIDARG_, member, "a sheet name cannot begin or end with an apostrophe");
    if (b.nameTaken(n, selfId))
        fail(hresult::E_INVALIDARG_, member, "a sheet named '" + gbk(n) + "' already exists");
}

// ---------------------------------------------------------------------------------------------
// Objects

class Object : public IDispatch {
  protected:
    [[noreturn]] void notFound(DISPID id, InvokeKind kind) const {
        fail(hresult::DISP_E_MEMBERNOTFOUND_, vt::MemberName(TypeName(), id),
             kind == InvokeKind::PropertyPut ? "this property cannot be set" : "no such member");
    }
};

DispatchPtr makeWorksheet(const BookPtr& b, uint32_t id);
DispatchPtr makeWorkbook(const BookPtr& b);

enum class View : uint8_t { Cells, Rows, Columns };

class RangeObj;
DispatchPtr makeRange(const BookPtr& b, uint32_t id, int cache, const Rect& r,
                      View v = View::Cells);

// Font and Interior of a range: each property change is a format change of the range.
class FormatPart : public Object {
  public:
    FormatPart(BookPtr b, uint32_t id, int cache, Rect r, bool font)
        : b_(std::move(b)), id_(id), cache_(cache), r_(r), font_(font) {}
    std::string TypeName() const override { return font_ ? "Font" : "Interior"; }

    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        Sheet& s = b_->sheetOf(id_, cache_, *this, id);
        const Style& st = b_->model.wb.styles[EffectiveStyle(s, r_.r1, r_.c1)];
        if (kind == InvokeKind::PropertyGet) {
            if (font_) {
                switch (id) {
                    case kName:
                        return str(st.fontName);
                    case kSize:
                        return Variant::R8(st.fontSize);
                    case kBold:
                        return Variant::Bool(st.bold);
                    case kItalic:
                        return Variant::Bool(st.italic);
                    default:
                        break;
                }
            } else {
                switch (id) {
                    case kColor:
                        return Variant::R8(st.hasFill ? st.fillColor : 0xFFFFFF);
                    case kColorIndex:
                        return Variant::I4(st.hasFill ? 0 : kXlNone);
                    default:
                        break;
                }
            }
            notFound(id, kind);
        }
        if (kind != InvokeKind::PropertyPut || args.empty()) notFound(id, kind);
        const std::string member = vt::MemberName(TypeName(), id);
        const Variant& v = args.back().deref();
        std::function<void(Style&)> edit;
        if (font_) {
            switch (id) {
                case kName: {
                    std::string n = toUtf8(v, member);
                    if (n.empty())
                        fail(hresult::E_INVALIDARG_, member, "a font name cannot be empty");
                    edit = [n](Style& x) { x.fontName = n; };
                    break;
                }
                case kSize: {
                    double sz = toDouble(v, member);
                    if (!(sz >= 1 && sz <= 409))
                        fail(hresult::E_INVALIDARG_, member,
                             "a font size must be between 1 and 409");
                    sz = std::round(sz * 2) / 2;
                    edit = [sz](Style& x) { x.fontSize = sz; };
                    break;
                }
                case kBold: {
                    bool on = toBool(v, member);
                    edit = [on](Style& x) { x.bold = on; };
                    break;
                }
                case kItalic: {
                    bool on = toBool(v, member);
                    edit = [on](Style& x) { x.italic = on; };
                    break;
                }
                default:
                    notFound(id, kind);
            }
        } else {
            switch (id) {
                case kColor: {
                    int64_t c = toInt(v, member);
                    if (c < 0 || c > 0xFFFFFF)
                        fail(hresult::E_INVALIDARG_, member,
                             "a colour must be between 0 and 16777215");
                    edit = [c](Style& x) {
                        x.hasFill = true;
                        x.fillColor = static_cast<uint32_t>(c);
                    };
                    break;
                }
                case kColorIndex: {
                    if (toInt(v, member) != kXlNone)
                        fail(hresult::E_INVALIDARG_, member,
                             "only xlNone (-4142) is supported; set Color instead");
                    edit = [](Style& x) {
                        x.hasFill = false;
                        x.fillColor = 0;
                    };
                    break;
                }
                default:
                    notFound(id, kind);
            }
        }
        ApplyFormat(b_->model, s, r_, edit, member.c_str());
        return Variant();
    }

  private:
    BookPtr b_;
    uint32_t id_;
    int cache_;
    Rect r_;
    bool font_;
};

class RangeObj : public Object {
  public:
    RangeObj(BookPtr b, uint32_t id, int cache, const Rect& r, View v)
        : b_(std::move(b)), id_(id), cache_(cache), r_(r), view_(v) {}
    std::string TypeName() const override { return "Range"; }

    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (kind == InvokeKind::PropertyPut) return put(id, args);
        switch (id) {
            case kItem:
                return Variant::Dispatch(item(args, "Range.Item"));
            case kValue:
                if (!args.empty()) return Variant::Dispatch(item(args, "Range.Item"));
                return value(false);
            case kValueProp:
                return value(false);
            case kValue2:
                return value(true);
            case kText:
                return textOf();
            case kCells:
                if (!args.empty())
                    return Variant::Dispatch(withView(View::Cells)->itemOf(args, "Range.Cells"));
                return Variant::Dispatch(makeRange(b_, id_, cache_, r_, View::Cells));
            case kRows:
                if (!args.empty())
                    return Variant::Dispatch(withView(View::Rows)->itemOf(args, "Range.Rows"));
                return Variant::Dispatch(makeRange(b_, id_, cache_, r_, View::Rows));
            case kColumns:
                if (!args.empty())
                    return Variant::Dispatch(
                        withView(View::Columns)->itemOf(args, "Range.Columns"));
                return Variant::Dispatch(makeRange(b_, id_, cache_, r_, View::Columns));
            case kEntireRow:
                return Variant::Dispatch(
                    makeRange(b_, id_, cache_, Rect{r_.r1, 0, r_.r2, kMaxCols - 1}, View::Rows));
            case kEntireColumn:
                return Variant::Dispatch(
                    makeRange(b_, id_, cache_, Rect{0, r_.c1, kMaxRows - 1, r_.c2}, View::Columns));
            case kCount:
                return count();
            case kRow:
                sheet("Range.Row");
                return Variant::I4(static_cast<int32_t>(r_.r1 + 1));
            case kColumn:
                sheet("Range.Column");
                return Variant::I4(static_cast<int32_t>(r_.c1 + 1));
            case kAddress:
                sheet("Range.Address");
                return str(address());
            case kResize:
                return Variant::Dispatch(resize(args));
            case kMergeCells:
                return mergeCells();
            case kMergeArea: {
                Sheet& s = sheet("Range.MergeArea");
                const MergeArea* m = MergeAt(s, r_.r1, r_.c1);
                Rect a = m ? ToRect(*m) : Rect{r_.r1, r_.c1, r_.r1, r_.c1};
                return Variant::Dispatch(makeRange(b_, id_, cache_, a));
            }
            case kMerge: {
                Sheet& s = sheet("Range.Merge");
                bool across = given(arg(args, 0)) && toBool(arg(args, 0), "Range.Merge");
                Merge(b_->model, s, r_, across);
                return Variant();
            }
            case kUnMerge:
                Unmerge(sheet("Range.UnMerge"), r_);
                return Variant();
            case kClear:
                Clear(b_->model, sheet("Range.Clear"), r_);
                return Variant();
            case kClearContents:
                ClearContents(b_->model, sheet("Range.ClearContents"), r_);
                return Variant();
            case kClearFormats:
                ApplyFormat(
                    b_->model, sheet("Range.ClearFormats"), r_, [](Style& x) { x = Style{}; },
                    "Range.ClearFormats");
                return Variant();
            case kAutoFit:
                autoFit();
                return Variant();
            case kNumberFormat:
                return str(style("Range.NumberFormat").numFmt);
            case kNumberFormatLocal: {
                std::string f = style("Range.NumberFormatLocal").numFmt;
                return str(IsGeneralFormat(f) ? std::string(kGeneralLocal) : f);
            }
            case kHAlign:
                return Variant::I4(style("Range.HorizontalAlignment").hAlign);
            case kVAlign:
                return Variant::I4(style("Range.VerticalAlignment").vAlign);
            case kWrapText:
                return Variant::Bool(style("Range.WrapText").wrap);
            case kColumnWidth:
                return columnWidth();
            case kRowHeight: {
                Sheet& s = sheet("Range.RowHeight");
                const Row* row = FindRow(s, r_.r1);
                return Variant::R8(row && row->height >= 0 ? row->height : s.defaultRowHeight);
            }
            case kFont:
                sheet("Range.Font");
                return Variant::Dispatch(std::make_shared<FormatPart>(b_, id_, cache_, r_, true));
            case kInterior:
                sheet("Range.Interior");
                return Variant::Dispatch(std::make_shared<FormatPart>(b_, id_, cache_, r_, false));
            case kWorksheet:
            case kParent:
                sheet("Range.Worksheet");
                return Variant::Dispatch(makeWorksheet(b_, id_));
            case kSelect:
            case kActivate:
                sheet("Range.Select");
                return Variant::Bool(true);
            default:
                notFound(id, kind);
        }
    }

    DispatchPtr itemOf(std::span<const Variant> args, const char* member) {
        return item(args, member);
    }

  private:
    Sheet& sheet(const char* member) { return b_->sheet(id_, cache_, member); }
    std::shared_ptr<RangeObj> withView(View v) {
        return std::make_shared<RangeObj>(b_, id_, cache_, r_, v);
    }

    const Style& style(const char* member) {
        Sheet& s = sheet(member);
        return b_->model.wb.styles[EffectiveStyle(s, r_.r1, r_.c1)];
    }

    std::string address() const {
        auto cell = [](uint32_t r, uint32_t c) {
            return "$" + ColumnName(c) + "$" + std::to_string(r + 1);
        };
        if (r_.wholeRows() && !r_.wholeCols())
            return "$" + std::to_string(r_.r1 + 1) + ":$" + std::to_string(r_.r2 + 1);
        if (r_.wholeCols() && !r_.wholeRows())
            return "$" + ColumnName(r_.c1) + ":$" + ColumnName(r_.c2);
        if (r_.wholeSheet()) return "$1:$" + std::to_string(kMaxRows);
        if (r_.single()) return cell(r_.r1, r_.c1);
        return cell(r_.r1, r_.c1) + ":" + cell(r_.r2, r_.c2);
    }

    static bool inSheet(int64_t r, int64_t c) {
        return r >= 0 && r < kMaxRows && c >= 0 && c < kMaxCols;
    }

    int64_t indexArg(const Variant& v, const char* member, bool columns) {
        if (columns && v.vt == vt::VT_BSTR && !v.bstr.empty()) {
            // A column given by its letters ("B", "AA").
            uint32_t col = 0;
            if (ParseColumnLetters(text::utf16ToUtf8(v.bstr), col) == RefParse::Ok)
                return int64_t(col) + 1 - static_cast<int64_t>(r_.c1);
        }
        return toInt(v, member);
    }

    DispatchPtr item(std::span<const Variant> args, const char* member) {
        sheet(member);
        const Variant& a = arg(args, 0);
        const Variant& b = arg(args, 1);
        if (args.size() >= 2 && given(b)) {
            int64_t r = int64_t(r_.r1) + toInt(a, member) - 1;
            int64_t c = int64_t(r_.c1) + indexArg(b, member, true) - 1;
            if (!inSheet(r, c))
                fail(hresult::DISP_E_BADINDEX_, member, "the cell is outside the sheet");
            uint32_t rr = static_cast<uint32_t>(r), cc = static_cast<uint32_t>(c);
            return makeRange(b_, id_, cache_, Rect{rr, cc, rr, cc});
        }
        if (!given(a))
            fail(hresult::DISP_E_PARAMNOTFOUND_, member, "a row or cell index is required");
        if (view_ == View::Rows) {
            int64_t r = int64_t(r_.r1) + toInt(a, member) - 1;
            if (!inSheet(r, 0))
                fail(hresult::DISP_E_BADINDEX_, member, "the row is outside the sheet");
            uint32_t rr = static_cast<uint32_t>(r);
            return makeRange(b_, id_, cache_, Rect{rr, r_.c1, rr, r_.c2}, View::Rows);
        }
        if (view_ == View::Columns) {
            int64_t c = int64_t(r_.c1) + indexArg(a, member, true) - 1;
            if (!inSheet(0, c))
                fail(hresult::DISP_E_BADINDEX_, member, "the column is outside the sheet");
            uint32_t cc = static_cast<uint32_t>(c);
            return makeRange(b_, id_, cache_, Rect{r_.r1, cc, r_.r2, cc}, View::Columns);
        }
        // One index counts the cells row by row across the range's width.
        int64_t i = toInt(a, member) - 1;
        int64_t w = static_cast<int64_t>(r_.colCount());
        int64_t dr = i >= 0 ? i / w : -((-i + w - 1) / w);
        int64_t dc = i - dr * w;
        int64_t r = int64_t(r_.r1) + dr, c = int64_t(r_.c1) + dc;
        if (!inSheet(r, c))
            fail(hresult::DISP_E_BADINDEX_, member, "the cell is outside the sheet");
        uint32_t rr = static_cast<uint32_t>(r), cc = static_cast<uint32_t>(c);
        return makeRange(b_, id_, cache_, Rect{rr, cc, rr, cc});
    }

    DispatchPtr resize(std::span<const Variant> args) {
        const char* member = "Range.Resize";
        sheet(member);
        int64_t rows = given(arg(args, 0)) ? toInt(arg(args, 0), member) : int64_t(r_.rowCount());
        int64_t cols = given(arg(args, 1)) ? toInt(arg(args, 1), member) : int64_t(r_.colCount());
        if (rows < 1 || cols < 1)
            fail(hresult::E_INVALIDARG_, member, "the size must be at least 1 × 1");
        if (int64_t(r_.r1) + rows > kMaxRows || int64_t(r_.c1) + cols > kMaxCols)
            fail(hresult::E_INVALIDARG_, member, "the resized range reaches beyond the sheet");
        return makeRange(b_, id_, cache_,
                         Rect{r_.r1, r_.c1, static_cast<uint32_t>(r_.r1 + rows - 1),
                              static_cast<uint32_t>(r_.c1 + cols - 1)},
                         view_);
    }

    Variant count() {
        sheet("Range.Count");
        uint64_t n = view_ == View::Rows      ? r_.rowCount()
                     : view_ == View::Columns ? r_.colCount()
                                              : r_.cellCount();
        if (n > INT32_MAX)
            fail(hresult::DISP_E_OVERFLOW_, "Range.Count",
                 "the range holds more cells than a count can hold");
        return Variant::I4(static_cast<int32_t>(n));
    }

    Variant cellValue(const Sheet& s, uint32_t r, uint32_t c, bool raw) {
        const Cell* cell = FindCell(s, r, c);
        if (!cell) return Variant();
        switch (cell->type) {
            case CellType::Empty:
                return Variant();
            case CellType::String: {
                const auto& pool = b_->model.wb.strings;
                return str(cell->str < pool.size() ? pool[cell->str] : std::string());
            }
            case CellType::Number:
                if (!raw && b_->model.styleIsDate(cell->style))
                    return Variant::Date(SerialToOle(cell->num, b_->model.wb.date1904));
                return Variant::R8(cell->num);
            case CellType::Bool:
                return Variant::Bool(cell->boolean);
            case CellType::Error:
                return Variant::Error(
                    static_cast<int32_t>(0x800A0000u | static_cast<uint32_t>(cell->error)));
        }
        return Variant();
    }

    // The value of the range's top-left cell (a range of several cells has no single value to
    // hand back through a variant; its first cell stands for it).
    Variant value(bool raw) {
        Sheet& s = sheet(raw ? "Range.Value2" : "Range.Value");
        return cellValue(s, r_.r1, r_.c1, raw);
    }

    Variant textOf() {
        Sheet& s = sheet("Range.Text");
        const Cell* cell = FindCell(s, r_.r1, r_.c1);
        return str(cell ? CellText(b_->model, *cell) : std::string());
    }

    void putCell(Sheet& s, uint32_t r, uint32_t c, const Variant& in, const char* member,
                 int depth = 0) {
        const Variant& v = in.deref();
        BookModel& m = b_->model;
        switch (v.vt) {
            case vt::VT_EMPTY:
            case vt::VT_NULL:
                SetEmpty(m, s, r, c);
                return;
            case vt::VT_BSTR: {
                if (v.bstr.empty()) {
                    SetEmpty(m, s, r, c);
                    return;
                }
                uint32_t st = EffectiveStyle(s, r, c);
                if (m.styleIsText(st)) {
                    SetString(m, s, r, c, text::utf16ToUtf8(v.bstr));
                    return;
                }
                if (v.bstr[0] == u'\'') {  // a leading apostrophe keeps the rest as text
                    SetString(m, s, r, c, text::utf16ToUtf8(std::u16string_view(v.bstr).substr(1)));
                    return;
                }
                if (auto num = PlainDecimal(std::u16string_view(v.bstr))) {
                    SetNumber(m, s, r, c, *num);
                    return;
                }
                SetString(m, s, r, c, text::utf16ToUtf8(v.bstr));
                return;
            }
            case vt::VT_I2:
            case vt::VT_I4:
            case vt::VT_INT:
            case vt::VT_UI4:
            case vt::VT_R4:
            case vt::VT_R8:
                SetNumber(m, s, r, c, v.vt == vt::VT_R8 ? v.dblVal : toDouble(v, member));
                return;
            case vt::VT_BOOL:
                SetBool(m, s, r, c, v.boolVal != 0);
                return;
            case vt::VT_DATE: {
                SetNumber(m, s, r, c, OleToSerial(v.date, m.wb.date1904));
                Cell* cell = FindCell(s, r, c);
                if (cell && !m.styleIsDate(cell->style)) {
                    Style st = m.wb.styles[cell->style];
                    st.numFmt = v.date == std::floor(v.date) ? "yyyy/m/d" : "yyyy/m/d h:mm";
                    cell->style = m.internStyle(st);
                }
                return;
            }
            case vt::VT_ERROR: {
                if (v.isMissing())
                    fail(hresult::DISP_E_PARAMNOTFOUND_, member, "no value was given");
                uint32_t sc = static_cast<uint32_t>(v.scode);
                int32_t code =
                    (sc & 0xFFFF0000u) == 0x800A0000u ? static_cast<int32_t>(sc & 0xFFFF) : 2015;
                SetError(m, s, r, c, code);
                return;
            }
            case vt::VT_DISPATCH: {
                if (!v.disp || depth > 2)
                    fail(hresult::DISP_E_TYPEMISMATCH_, member, "an object has no value to store");
                Variant inner = v.disp->Invoke(kValue, InvokeKind::PropertyGet, {});
                putCell(s, r, c, inner, member, depth + 1);
                return;
            }
            default:
                fail(hresult::DISP_E_TYPEMISMATCH_, member,
                     "this kind of value cannot be stored in a cell");
        }
    }

    void putValue(const Variant& v, const char* member) {
        Sheet& s = sheet(member);
        if (r_.single()) {
            putCell(s, r_.r1, r_.c1, v, member);
            return;
        }
        const Variant& d = v.deref();
        if (d.vt == vt::VT_EMPTY || d.vt == vt::VT_NULL ||
            (d.vt == vt::VT_BSTR && d.bstr.empty())) {
            ClearContents(b_->model, s, r_);
            return;
        }
        if (r_.cellCount() > kMaxCellByCell)
            fail(member, "the range is too large to fill cell by cell");
        // Every cell gets the value, except the hidden cells of merged areas.
        for (uint64_t r = r_.r1; r <= r_.r2; ++r)
            for (uint64_t c = r_.c1; c <= r_.c2; ++c) {
                uint32_t rr = static_cast<uint32_t>(r), cc = static_cast<uint32_t>(c);
                const MergeArea* m = s.merges.empty() ? nullptr : MergeAt(s, rr, cc);
                if (m && (m->r1 != rr || m->c1 != cc)) continue;
                putCell(s, rr, cc, v, member);
            }
    }

    Variant put(DISPID id, std::span<const Variant> args) {
        if (args.empty())
            fail(hresult::DISP_E_PARAMNOTFOUND_, vt::MemberName("Range", id), "no value was given");
        const Variant& v = args.back().deref();
        // The default member with indices is Item.
        if (id == kValue && args.size() > 1) id = kItem;
        switch (id) {
            case kItem: {
                std::span<const Variant> idx = args.first(args.size() - 1);
                DispatchPtr target = item(idx, "Range.Item");
                static_cast<RangeObj&>(*target).putValue(v, "Range.Item");
                return Variant();
            }
            case kValue:
            case kValueProp:
            case kValue2:
                putValue(v, "Range.Value");
                return Variant();
            case kNumberFormat:
            case kNumberFormatLocal: {
                const char* member =
                    id == kNumberFormat ? "Range.NumberFormat" : "Range.NumberFormatLocal";
                std::string f = toUtf8(v, member);
                if (IsGeneralFormat(f)) f = "General";
                checkFormatCode(f, member);
                format(member, [f](Style& x) { x.numFmt = f; });
                return Variant();
            }
            case kHAlign: {
                int64_t a = toInt(v, "Range.HorizontalAlignment");
                static const int64_t ok[] = {kAlignGeneral, kAlignLeft,        kAlignCenter,
                                             kAlignRight,   kAlignJustify,     kAlignDistributed,
                                             kAlignFill,    kAlignCenterAcross};
                if (std::find(std::begin(ok), std::end(ok), a) == std::end(ok))
                    fail(hresult::E_INVALIDARG_, "Range.HorizontalAlignment",
                         "unknown alignment " + std::to_string(a));
                format("Range.HorizontalAlignment",
                       [a](Style& x) { x.hAlign = static_cast<int32_t>(a); });
                return Variant();
            }
            case kVAlign: {
                int64_t a = toInt(v, "Range.VerticalAlignment");
                static const int64_t ok[] = {kAlignTop, kAlignCenter, kAlignBottom, kAlignJustify,
                                             kAlignDistributed};
                if (std::find(std::begin(ok), std::end(ok), a) == std::end(ok))
                    fail(hresult::E_INVALIDARG_, "Range.VerticalAlignment",
                         "unknown alignment " + std::to_string(a));
                format("Range.VerticalAlignment",
                       [a](Style& x) { x.vAlign = static_cast<int32_t>(a); });
                return Variant();
            }
            case kWrapText: {
                bool w = toBool(v, "Range.WrapText");
                format("Range.WrapText", [w](Style& x) { x.wrap = w; });
                return Variant();
            }
            case kColumnWidth: {
                double w = toDouble(v, "Range.ColumnWidth");
                if (!(w >= 0 && w <= 255))
                    fail(hresult::E_INVALIDARG_, "Range.ColumnWidth",
                         "a column width must be between 0 and 255");
                EditColumns(sheet("Range.ColumnWidth"), r_.c1, r_.c2,
                            [w](ColInfo& ci) { ci.width = w; });
                return Variant();
            }
            case kRowHeight: {
                double h = toDouble(v, "Range.RowHeight");
                if (!(h >= 0 && h <= 409))
                    fail(hresult::E_INVALIDARG_, "Range.RowHeight",
                         "a row height must be between 0 and 409");
                Sheet& s = sheet("Range.RowHeight");
                if (r_.rowCount() > kMaxCellByCell) fail("Range.RowHeight", "too many rows");
                for (uint64_t r = r_.r1; r <= r_.r2; ++r)
                    RowAt(s, static_cast<uint32_t>(r)).height = h;
                return Variant();
            }
            case kMergeCells: {
                Sheet& s = sheet("Range.MergeCells");
                if (toBool(v, "Range.MergeCells"))
                    Merge(b_->model, s, r_, false);
                else
                    Unmerge(s, r_);
                return Variant();
            }
            default:
                notFound(id, InvokeKind::PropertyPut);
        }
    }

    static void checkFormatCode(const std::string& f, const char* member) {
        bool quote = false;
        int bracket = 0;
        for (size_t i = 0; i < f.size(); ++i) {
            char ch = f[i];
            if (quote) {
                if (ch == '"') quote = false;
                continue;
            }
            if (ch == '\\') {
                ++i;
                continue;
            }
            if (ch == '"') quote = true;
            if (ch == '[') ++bracket;
            if (ch == ']' && --bracket < 0) break;
        }
        if (quote || bracket != 0 || f.empty())
            fail(hresult::E_INVALIDARG_, member, "'" + gbk(f) + "' is not a valid number format");
    }

    void format(const char* member, const std::function<void(Style&)>& edit) {
        ApplyFormat(b_->model, sheet(member), r_, edit, member);
    }

    Variant columnWidth() {
        Sheet& s = sheet("Range.ColumnWidth");
        double w = ColumnWidth(s, r_.c1);
        // The same width for every column of the range, or Null.
        for (const ColInfo& ci : s.cols) {
            if (ci.last < r_.c1 || ci.first > r_.c2) continue;
            double cw = ci.width >= 0 ? ci.width : s.defaultColWidth;
            if (cw != w) return nullVariant();
            if (ci.first > r_.c1 || ci.last < r_.c2) {
                if (w != s.defaultColWidth) return nullVariant();
            }
        }
        return Variant::R8(w);
    }

    Variant mergeCells() {
        Sheet& s = sheet("Range.MergeCells");
        if (r_.single()) return Variant::Bool(MergeAt(s, r_.r1, r_.c1) != nullptr);
        uint64_t covered = 0;
        for (const MergeArea& m : s.merges) {
            Rect mr = ToRect(m);
            if (!mr.intersects(r_)) continue;
            Rect x{std::max(mr.r1, r_.r1), std::max(mr.c1, r_.c1), std::min(mr.r2, r_.r2),
                   std::min(mr.c2, r_.c2)};
            covered += x.cellCount();
        }
        if (covered == 0) return Variant::Bool(false);
        if (covered == r_.cellCount()) return Variant::Bool(true);
        return nullVariant();
    }

    void autoFit() {
        Sheet& s = sheet("Range.AutoFit");
        bool rows = view_ == View::Rows || (view_ == View::Cells && r_.wholeRows());
        bool cols =
            view_ == View::Columns || (view_ == View::Cells && r_.wholeCols() && !r_.wholeRows());
        if (rows)
            AutoFitRows(b_->model, s, r_);
        else if (cols)
            AutoFitColumns(b_->model, s, r_);
        else
            fail("Range.AutoFit",
                 "only whole rows or whole columns can be fitted (use Rows or Columns)");
    }

    BookPtr b_;
    uint32_t id_;
    int cache_;
    Rect r_;
    View view_;
};

DispatchPtr makeRange(const BookPtr& b, uint32_t id, int cache, const Rect& r, View v) {
    return std::make_shared<RangeObj>(b, id, cache, r, v);
}

class WorksheetObj : public Object {
  public:
    WorksheetObj(BookPtr b, uint32_t id) : b_(std::move(b)), id_(id) {}
    std::string TypeName() const override { return "Worksheet"; }
    const BookPtr& book() const { return b_; }
    uint32_t sheetId() const { return id_; }

    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        Sheet& s = b_->sheetOf(id_, cache_, *this, id);
        if (kind == InvokeKind::PropertyPut) {
            if (id != kName || args.empty()) notFound(id, kind);
            std::string n = toUtf8(args.back().deref(), "Worksheet.Name");
            validateSheetName(*b_, n, id_, "Worksheet.Name");
            s.name = n;
            return Variant();
        }
        switch (id) {
            case kName:
                return str(s.name);
            case kIndex:
                return Variant::I4(cache_ + 1);
            case kCells:
                return sub(Rect::All(), View::Cells, args);
            case kRows:
                return sub(Rect::All(), View::Rows, args);
            case kColumns:
                return sub(Rect::All(), View::Columns, args);
            case kUsedRange:
                return Variant::Dispatch(makeRange(b_, id_, cache_, UsedRange(s)));
            case kRangeProp:
                return rangeByName(args);
            case kDelete: {
                if (b_->model.wb.sheets.size() <= 1)
                    fail("Worksheet.Delete", "a workbook must keep at least one sheet");
                for (const Row& row : s.rows)
                    for (const Cell& c : row.cells)
                        if (c.type == CellType::String) b_->model.releaseString();
                b_->model.wb.sheets.erase(b_->model.wb.sheets.begin() + cache_);
                if (b_->active >= cache_ && b_->active > 0) --b_->active;
                return Variant();
            }
            case kSelect:
            case kActivate:
                b_->active = cache_;
                return Variant();
            case kParent:
                return Variant::Dispatch(makeWorkbook(b_));
            default:
                notFound(id, kind);
        }
    }

  private:
    Variant sub(const Rect& r, View v, std::span<const Variant> args) {
        auto range = std::make_shared<RangeObj>(b_, id_, cache_, r, v);
        if (args.empty()) return Variant::Dispatch(range);
        return Variant::Dispatch(range->itemOf(args, v == View::Cells  ? "Worksheet.Cells"
                                                     : v == View::Rows ? "Worksheet.Rows"
                                                                       : "Worksheet.Columns"));
    }

    // "A1", "B2:C5": a cell or rectangle given by name.
    Variant rangeByName(std::span<const Variant> args) {
        std::string t = toUtf8(arg(args, 0), "Worksheet.Range");
        Rect r;
        if (ParseRectRef(t, r) != RefParse::Ok)
            fail(hresult::E_INVALIDARG_, "Worksheet.Range",
                 "'" + gbk(t) + "' is not a cell reference");
        return Variant::Dispatch(makeRange(b_, id_, cache_, r));
    }

    BookPtr b_;
    uint32_t id_;
    int cache_ = -1;
};

DispatchPtr makeWorksheet(const BookPtr& b, uint32_t id) {
    return std::make_shared<WorksheetObj>(b, id);
}

class SheetsObj : public Object {
  public:
    explicit SheetsObj(BookPtr b) : b_(std::move(b)) {}
    std::string TypeName() const override { return "Sheets"; }

    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        b_->checkOf(*this, id);
        auto& sheets = b_->model.wb.sheets;
        if (kind == InvokeKind::PropertyPut) notFound(id, kind);
        switch (id) {
            case kValue:
            case kItem:
                return Variant::Dispatch(
                    makeWorksheet(b_, sheets[indexOf(arg(args, 0), "Sheets.Item")].id));
            case kCount:
                return Variant::I4(static_cast<int32_t>(sheets.size()));
            case kAdd:
                return add(args);
            case kSelect:
                return Variant();
            default:
                notFound(id, kind);
        }
    }

  private:
    size_t indexOf(const Variant& v, const char* member) {
        auto& sheets = b_->model.wb.sheets;
        if (v.vt == vt::VT_BSTR) {
            std::string n = text::utf16ToUtf8(v.bstr);
            for (size_t i = 0; i < sheets.size(); ++i)
                if (sameNameIgnoringCase(sheets[i].name, n)) return i;
            fail(hresult::DISP_E_BADINDEX_, member, "there is no sheet named '" + gbk(n) + "'");
        }
        if (v.vt == vt::VT_DISPATCH) return sheetOfObject(v, member);
        int64_t i = toInt(v, member);
        if (i < 1 || static_cast<uint64_t>(i) > sheets.size())
            fail(hresult::DISP_E_BADINDEX_, member,
                 "there is no sheet " + std::to_string(i) + " (the workbook has " +
                     std::to_string(sheets.size()) + ")");
        return static_cast<size_t>(i - 1);
    }

    size_t sheetOfObject(const Variant& v, const char* member) {
        auto* ws = dynamic_cast<WorksheetObj*>(v.disp.get());
        if (!ws)
            fail(hresult::DISP_E_TYPEMISMATCH_, member, "a worksheet of this workbook is expected");
        if (ws->book() != b_)
            fail(hresult::DISP_E_TYPEMISMATCH_, member,
                 "the worksheet belongs to another workbook");
        int i = b_->model.sheetIndex(ws->sheetId());
        if (i < 0) fail(member, "the worksheet has been deleted");
        return static_cast<size_t>(i);
    }

    Variant add(std::span<const Variant> args) {
        const char* member = "Sheets.Add";
        auto& sheets = b_->model.wb.sheets;
        const Variant& before = arg(args, 0);
        const Variant& after = arg(args, 1);
        int64_t n = given(arg(args, 2)) ? toInt(arg(args, 2), member) : 1;
        if (n < 1 || n > 255)
            fail(hresult::E_INVALIDARG_, member, "Count must be between 1 and 255");
        size_t pos;
        if (given(before))
            pos = indexOf(before, member);
        else if (given(after))
            pos = indexOf(after, member) + 1;
        else
            pos = static_cast<size_t>(std::clamp(b_->active, 0, static_cast<int>(sheets.size())));
        uint32_t lastId = 0;
        for (int64_t k = 0; k < n; ++k) {
            Sheet s;
            s.name = b_->nextSheetName();
            s.id = b_->model.newSheetId();
            lastId = s.id;
            sheets.insert(sheets.begin() + static_cast<std::ptrdiff_t>(pos), std::move(s));
        }
        b_->active = static_cast<int>(pos);
        return Variant::Dispatch(makeWorksheet(b_, lastId));
    }

    BookPtr b_;
};

void saveBook(BookState& b, const std::string& path, const char* member) {
    try {
        SaveWorkbook(b.model, path, b.active);
    } catch (const AutomationError& e) {
        fail(e.code(), member, e.what());
    }
}

class WorkbookObj : public Object {
  public:
    WorkbookObj(BookPtr b) : b_(std::move(b)) {}
    std::string TypeName() const override { return "Workbook"; }

    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override;

  private:
    BookPtr b_;
};

DispatchPtr makeWorkbook(const BookPtr& b) {
    return std::make_shared<WorkbookObj>(b);
}

// ---------------------------------------------------------------------------------------------
// Application state shared by its objects

class WorkbooksObj : public Object {
  public:
    explicit WorkbooksObj(AppPtr app) : app_(std::move(app)) {}
    std::string TypeName() const override { return "Workbooks"; }

    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (kind == InvokeKind::PropertyPut) notFound(id, kind);
        switch (id) {
            case kAdd:
                return add(arg(args, 0));
            case kOpen:
                return open(args);
            case kCount:
                return Variant::I4(static_cast<int32_t>(app_->books.size()));
            case kValue:
            case kItem: {
                const Variant& v = arg(args, 0);
                if (v.vt == vt::VT_BSTR) {
                    std::string n = text::utf16ToUtf8(v.bstr);
                    for (auto& b : app_->books)
                        if (sameNameIgnoringCase(b->name, n))
                            return Variant::Dispatch(makeWorkbook(b));
                    fail(hresult::DISP_E_BADINDEX_, "Workbooks.Item",
                         "no open workbook is named '" + gbk(n) + "'");
                }
                int64_t i = toInt(v, "Workbooks.Item");
                if (i < 1 || static_cast<uint64_t>(i) > app_->books.size())
                    fail(hresult::DISP_E_BADINDEX_, "Workbooks.Item",
                         "there is no workbook " + std::to_string(i));
                return Variant::Dispatch(makeWorkbook(app_->books[static_cast<size_t>(i - 1)]));
            }
            default:
                notFound(id, kind);
        }
    }

  private:
    BookPtr registerBook(Workbook&& wb) {
        auto b = std::make_shared<BookState>(std::move(wb));
        app_->books.push_back(b);
        return b;
    }

    Variant add(const Variant& tmpl) {
        Workbook wb;
        bool fromTemplate = tmpl.vt == vt::VT_BSTR;
        if (fromTemplate) {
            std::string path = osPath(text::utf16ToUtf8(tmpl.bstr));
            try {
                LoadWorkbook(path, wb);
            } catch (const AutomationError& e) {
                fail(e.code(), "Workbooks.Add", e.what());
            }
        } else {
            wb.sheets.emplace_back().name = "Sheet1";
        }
        BookPtr b = registerBook(std::move(wb));
        b->name = "Book" + std::to_string(++app_->newBooks);
        b->sheetCounter = static_cast<uint32_t>(b->model.wb.sheets.size());
        return Variant::Dispatch(makeWorkbook(b));
    }

    Variant open(std::span<const Variant> args) {
        const Variant& f = arg(args, 0);
        if (f.vt != vt::VT_BSTR)
            fail(hresult::DISP_E_TYPEMISMATCH_, "Workbooks.Open", "Filename must be a text");
        std::string path = osPath(text::utf16ToUtf8(f.bstr));
        bool readOnly = given(arg(args, 2)) && toBool(arg(args, 2), "Workbooks.Open");
        Workbook wb;
        try {
            LoadWorkbook(path, wb);
        } catch (const AutomationError& e) {
            fail(e.code(), "Workbooks.Open", e.what());
        }
        BookPtr b = registerBook(std::move(wb));
        b->name = fileName(path);
        b->path = path;
        b->readOnly = readOnly;
        b->fromFile = true;
        b->sheetCounter = static_cast<uint32_t>(b->model.wb.sheets.size());
        return Variant::Dispatch(makeWorkbook(b));
    }

    AppPtr app_;
};

bool samePath(const std::string& a, const std::string& b) {
    if (a == b) return true;
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// Workbooks remember their application only through the application's list; closing removes
// the workbook from every application that lists it.
std::vector<std::weak_ptr<AppState>>& allApps() {
    static auto* apps = new std::vector<std::weak_ptr<AppState>>;
    return *apps;
}

void closeBook(const BookPtr& b) {
    b->closed = true;
    auto& apps = allApps();
    for (auto& w : apps)
        if (auto app = w.lock()) std::erase(app->books, b);
    std::erase_if(apps, [](const std::weak_ptr<AppState>& w) { return w.expired(); });
}

Variant WorkbookObj::Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) {
    b_->checkOf(*this, id);
    if (kind == InvokeKind::PropertyPut) notFound(id, kind);
    switch (id) {
        case kSheets:
        case kWorksheets: {
            auto sheets = std::make_shared<SheetsObj>(b_);
            if (args.empty()) return Variant::Dispatch(sheets);
            return sheets->Invoke(kItem, InvokeKind::PropertyGet, args);
        }
        case kActiveSheet: {
            auto& sheets = b_->model.wb.sheets;
            size_t i =
                static_cast<size_t>(std::clamp(b_->active, 0, static_cast<int>(sheets.size()) - 1));
            return Variant::Dispatch(makeWorksheet(b_, sheets[i].id));
        }
        case kName:
            return str(b_->name);
        case kFullName:
            return str(b_->path.empty() ? b_->name : b_->path);
        case kSave:
            if (b_->path.empty()) fail("Workbook.Save", "the workbook has no file yet; use SaveAs");
            if (b_->readOnly)
                fail("Workbook.Save", "'" + PathForMessage(b_->path) + "' is open read-only");
            saveBook(*b_, b_->path, "Workbook.Save");
            return Variant();
        case kSaveAs: {
            const Variant& f = arg(args, 0);
            if (f.vt != vt::VT_BSTR || f.bstr.empty())
                fail(hresult::DISP_E_TYPEMISMATCH_, "Workbook.SaveAs",
                     "Filename must be a file name");
            std::string path = osPath(text::utf16ToUtf8(f.bstr));
            if (b_->readOnly && !b_->path.empty() && samePath(path, b_->path))
                fail("Workbook.SaveAs",
                     "'" + PathForMessage(path) +
                         "' is open read-only; save the workbook under another name");
            saveBook(*b_, path, "Workbook.SaveAs");
            b_->path = path;
            b_->name = fileName(path);
            b_->readOnly = false;
            return Variant();
        }
        case kClose: {
            const Variant& save = arg(args, 0);
            if (given(save) && toBool(save, "Workbook.Close")) {
                const Variant& f = arg(args, 1);
                std::string path = f.vt == vt::VT_BSTR && !f.bstr.empty()
                                       ? osPath(text::utf16ToUtf8(f.bstr))
                                       : b_->path;
                if (path.empty()) fail("Workbook.Close", "the workbook has no file to be saved to");
                if (b_->readOnly && samePath(path, b_->path))
                    fail("Workbook.Close", "'" + PathForMessage(path) + "' is open read-only");
                saveBook(*b_, path, "Workbook.Close");
            }
            closeBook(b_);
            return Variant();
        }
        default:
            notFound(id, kind);
    }
}

// ---------------------------------------------------------------------------------------------
// Showing workbooks

bool makeFolders(const std::string& dir) {
    std::string cur;
    size_t pos = 0;
    while (pos <= dir.size()) {
        size_t next = dir.find('/', pos);
        if (next == std::string::npos) next = dir.size();
        cur = dir.substr(0, next);
        if (!cur.empty() && ::mkdir(cur.c_str(), 0700) != 0 && errno != EEXIST) return false;
        pos = next + 1;
    }
    struct stat st;
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Creates a new, empty file for the workbook in the show folder and returns its path: BookN.xlsx
// (from the workbook's own number upward) or <name>.xlsx, <name> (2).xlsx ... Never an existing
// file.
std::string reserveShowFile(const std::string& dir, const std::string& bookName) {
    std::string stem = bookName;
    size_t dot = stem.rfind('.');
    if (dot != std::string::npos && dot > 0) stem.resize(dot);
    uint64_t number = 0;
    bool numbered =
        stem.size() > 4 && stem.compare(0, 4, "Book") == 0 &&
        std::all_of(stem.begin() + 4, stem.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
        stem.size() < 14;
    if (numbered) number = std::stoull(stem.substr(4));
    for (uint64_t k = 0; k < 100000; ++k) {
        std::string name;
        if (numbered)
            name = "Book" + std::to_string(number + k) + ".xlsx";
        else
            name = k == 0 ? stem + ".xlsx" : stem + " (" + std::to_string(k + 1) + ").xlsx";
        std::string path = dir + "/" + name;
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST)
            fail("Application.Visible",
                 "cannot create '" + PathForMessage(path) + "': " + std::strerror(errno));
    }
    fail("Application.Visible", "no free file name in '" + PathForMessage(dir) + "'");
}

bool desktopPresent() {
    const char* d = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    const char* open = std::getenv("TQTOOL_OFFICE_OPEN");
    if (open && std::string(open) == "0") return false;
    return (d && *d) || (w && *w);
}

bool g_showOnVisible = true;

void showBooks(AppState& app) {
    if (!g_showOnVisible) return;
    std::vector<BookPtr> pending;
    for (auto& b : app.books)
        if (!b->shown && !b->closed) pending.push_back(b);
    if (pending.empty()) return;
    std::string dir = ShowFolder();
    if (!makeFolders(dir))
        fail("Application.Visible",
             "cannot create the folder '" + PathForMessage(dir) + "': " + std::strerror(errno));
    for (auto& b : pending) {
        std::string path = reserveShowFile(dir, b->name);
        try {
            WriteXlsx(b->model, path, b->active);
        } catch (const AutomationError& e) {
            ::unlink(path.c_str());
            fail(e.code(), "Application.Visible", e.what());
        }
        b->shown = true;
        if (desktopPresent()) os::StartDetached({"xdg-open", path}, false);
    }
}

class ApplicationObj : public Object {
  public:
    ApplicationObj() : app_(std::make_shared<AppState>()) { allApps().push_back(app_); }
    std::string TypeName() const override { return "Application"; }

    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        const std::string member = vt::MemberName(TypeName(), id);
        if (kind == InvokeKind::PropertyPut) {
            if (args.empty()) fail(hresult::DISP_E_PARAMNOTFOUND_, member, "no value was given");
            bool on = toBool(args.back().deref(), member);
            switch (id) {
                case kVisible:
                    app_->visible = on;
                    if (on) showBooks(*app_);
                    return Variant();
                case kDisplayAlerts:
                    app_->displayAlerts = on;
                    return Variant();
                case kUserControl:
                    app_->userControl = on;
                    return Variant();
                default:
                    notFound(id, kind);
            }
        }
        switch (id) {
            case kWorkbooks:
                return Variant::Dispatch(std::make_shared<WorkbooksObj>(app_));
            case kVisible:
                return Variant::Bool(app_->visible);
            case kDisplayAlerts:
                return Variant::Bool(app_->displayAlerts);
            case kUserControl:
                return Variant::Bool(app_->userControl);
            case kQuit: {
                auto books = app_->books;
                for (auto& b : books) closeBook(b);
                return Variant();
            }
            default:
                notFound(id, kind);
        }
    }

  private:
    AppPtr app_;
};

}  // namespace

void SetShowOnVisible(bool enabled) {
    g_showOnVisible = enabled;
}
bool ShowOnVisible() {
    return g_showOnVisible;
}

std::string ShowFolder() {
    const char* dir = std::getenv("TQTOOL_OFFICE_DIR");
    if (dir && *dir) return dir;
    const char* run = std::getenv("XDG_RUNTIME_DIR");
    return std::string(run && *run ? run : "/tmp") + "/tqtool-office";
}

DispatchPtr CreateExcelApplication() {
    return std::make_shared<ApplicationObj>();
}

void RegisterExcelServer() {
    automation::RegisterServer("Excel.Application", CreateExcelApplication);
}

}  // namespace tq::office
