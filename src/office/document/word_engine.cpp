// The automation objects of the document engine: Application, Documents, Document, Window, Pane,
// View, Selection, Font, ParagraphFormat, PageSetup, Tables, Table, Rows, Cell, Range and
// Paragraphs, answering the members the library calls with the document server's meaning.
#include "office/document/word_engine.h"

#include <cmath>
#include <span>

#include "automation/word_ops.h"
#include "tqtool/types.h"
#include "text/text.h"

namespace tq::office::word {

namespace ops = tq::automation::word;
using automation::DispatchPtr;
using automation::DISPID;
using automation::IDispatch;
using automation::InvokeKind;
using automation::Variant;

namespace {

// Failure codes the document server reports.
constexpr int32_t kNoDocument = static_cast<int32_t>(0x800A1098u);   // no document is open
constexpr int32_t kBadCell = static_cast<int32_t>(0x800A1758u);      // requested member missing
constexpr int32_t kCannotMerge = static_cast<int32_t>(0x800A1766u);  // cells cannot be merged

struct AppState {
    std::vector<std::shared_ptr<Document>> docs;
    std::shared_ptr<Document> active;
    bool visible = false;
    int created = 0;  // documents made so far (their default names)
};

bool g_showOnVisible = true;

const char* kindName(InvokeKind k) {
    switch (k) {
        case InvokeKind::Method:
            return "call";
        case InvokeKind::PropertyGet:
            return "get";
        case InvokeKind::PropertyPut:
            return "put";
    }
    return "?";
}

/// Base of every object: error reporting and argument conversion.
class Obj : public IDispatch {
  public:
    explicit Obj(std::string type) : type_(std::move(type)) {}
    std::string TypeName() const override { return type_; }

  protected:
    [[noreturn]] void fail(int32_t code, const char* member, const std::string& why) const {
        throw AutomationError(code, type_ + "." + member + ": " + why);
    }
    [[noreturn]] void notFound(DISPID id, InvokeKind kind) const {
        throw AutomationError(hresult::DISP_E_MEMBERNOTFOUND_,
                              type_ + ": no member " +
                                  text::format("0x%X", static_cast<unsigned>(id)) + " to " +
                                  kindName(kind));
    }
    /// Argument `i`, followed through a reference; nullptr when absent or omitted.
    static const Variant* arg(std::span<const Variant> args, size_t i) {
        if (i >= args.size()) return nullptr;
        const Variant& v = args[i].deref();
        if (v.isMissing()) return nullptr;
        return &v;
    }
    const Variant& need(std::span<const Variant> args, size_t i, const char* member) const {
        const Variant* v = arg(args, i);
        if (!v)
            fail(hresult::DISP_E_PARAMNOTFOUND_, member,
                 "argument " + std::to_string(i + 1) + " missing");
        return *v;
    }
    double toNumber(const Variant& v, const char* member) const {
        switch (v.vt) {
            case automation::VT_EMPTY:
                return 0;
            case automation::VT_I2:
                return v.iVal;
            case automation::VT_I4:
            case automation::VT_INT:
                return v.lVal;
            case automation::VT_UI4:
                return v.ulVal;
            case automation::VT_R4:
                return v.fltVal;
            case automation::VT_R8:
            case automation::VT_DATE:
                return v.dblVal;
            case automation::VT_BOOL:
                return v.boolVal ? -1 : 0;
            case automation::VT_BSTR: {
                std::string s = text::utf16ToUtf8(v.bstr);
                char* end = nullptr;
                double d = text::strtod(s.c_str(), &end);
                if (end != s.c_str() && text::trim(end).empty()) return d;
                break;
            }
            default:
                break;
        }
        fail(hresult::DISP_E_TYPEMISMATCH_, member, "a number is expected");
    }
    int32_t toInt(const Variant& v, const char* member) const {
        double d = std::nearbyint(toNumber(v, member));
        if (!(d >= -2147483648.0 && d <= 2147483647.0))
            fail(hresult::DISP_E_OVERFLOW_, member, "value out of range");
        return static_cast<int32_t>(d);
    }
    std::u16string toText(const Variant& v, const char* member) const {
        if (v.vt == automation::VT_BSTR) return v.bstr;
        if (v.vt == automation::VT_EMPTY) return {};
        double d = toNumber(v, member);
        return text::utf8ToUtf16(text::format("%.15g", d));
    }
    template <class T>
    std::shared_ptr<T> toObject(const Variant& v, const char* member, const char* what) const {
        std::shared_ptr<T> p;
        if (v.vt == automation::VT_DISPATCH) p = std::dynamic_pointer_cast<T>(v.disp);
        if (!p)
            fail(hresult::DISP_E_TYPEMISMATCH_, member,
                 std::string("a ") + what + " object is expected");
        return p;
    }
    static bool isGet(InvokeKind k) { return k == InvokeKind::PropertyGet; }
    static bool isPut(InvokeKind k) { return k == InvokeKind::PropertyPut; }
    static bool isCall(InvokeKind k) { return k == InvokeKind::Method; }
    /// The value of a property put (the last argument).
    const Variant& putValue(std::span<const Variant> args, const char* member) const {
        if (args.empty()) fail(hresult::DISP_E_PARAMNOTFOUND_, member, "no value given");
        return args.back().deref();
    }

  private:
    std::string type_;
};

template <class T, class... A>
Variant obj(A&&... a) {
    return Variant::Dispatch(std::make_shared<T>(std::forward<A>(a)...));
}

using DocPtr = std::shared_ptr<Document>;
using TablePtr = std::shared_ptr<TableData>;

// ---------------------------------------------------------------- Paragraphs
/// The paragraphs of a range: those of a cell, or the one an insertion point stands in.
class ParagraphsObj : public Obj {
  public:
    ParagraphsObj(DocPtr doc, TablePtr table, uint32_t r, uint32_t c, Position pos)
        : Obj("Paragraphs"),
          doc_(std::move(doc)),
          table_(std::move(table)),
          r_(r),
          c_(c),
          pos_(pos) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (id == ops::kParaAlignment && (isGet(kind) || isPut(kind))) {
            std::vector<Paragraph*> ps = paragraphs();
            if (isGet(kind)) {
                // Mixed alignments answer wdUndefined, as the document server does.
                int32_t a = ps.front()->align;
                for (auto* p : ps)
                    if (p->align != a) return Variant::I4(9999999);
                return Variant::I4(a);
            }
            int32_t a = toInt(putValue(args, "Alignment"), "Alignment");
            for (auto* p : ps) p->align = a;
            return {};
        }
        notFound(id, kind);
    }

  private:
    std::vector<Paragraph*> paragraphs() {
        std::vector<Paragraph*> out;
        if (table_) {
            for (auto& p : table_->at(r_, c_).paras) out.push_back(&p);
        } else {
            if (!doc_->valid(pos_))
                fail(hresult::DISP_E_EXCEPTION_, "Alignment", "the range no longer exists");
            out.push_back(&doc_->paraAt(pos_));
        }
        return out;
    }
    DocPtr doc_;
    TablePtr table_;
    uint32_t r_, c_;
    Position pos_;
};

// ---------------------------------------------------------------- Range
/// A range: the content of a cell, or an insertion point (the selection's range).
class RangeObj : public Obj {
  public:
    RangeObj(DocPtr doc, TablePtr table, uint32_t r, uint32_t c)
        : Obj("Range"), doc_(std::move(doc)), table_(std::move(table)), r_(r), c_(c) {}
    RangeObj(DocPtr doc, Position pos) : Obj("Range"), doc_(std::move(doc)), pos_(pos) {}

    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (id == ops::kRangeText && isPut(kind)) {
            setText(toText(putValue(args, "Text"), "Text"));
            return {};
        }
        if (id == ops::kRangeText && isGet(kind)) return Variant::Str(getText());
        if (id == ops::kRangeParagraphs && isGet(kind)) {
            return obj<ParagraphsObj>(doc_, table_, r_, c_, pos_);
        }
        notFound(id, kind);
    }

    const DocPtr& doc() const { return doc_; }
    bool inCell() const { return static_cast<bool>(table_); }
    const Position& pos() const { return pos_; }

  private:
    void setText(const std::u16string& s) {
        if (!table_) {
            // Text given to an insertion point is typed there.
            if (!doc_->valid(pos_))
                fail(hresult::DISP_E_EXCEPTION_, "Text", "the range no longer exists");
            doc_->sel = pos_;
            doc_->typeText(s);
            return;
        }
        // A cell's text is replaced whole; the new text takes the format of the cell's first
        // character (or of its first paragraph mark).
        CellArea& a = table_->at(r_, c_);
        const Paragraph& first = a.paras.front();
        Paragraph proto;
        proto.align = first.align;
        proto.markSize = first.markSize;
        float size = first.runs.empty() ? first.markSize : first.runs.front().size;
        std::vector<Paragraph> paras;
        size_t i = 0;
        while (true) {
            size_t j = s.find_first_of(u"\r\n", i);
            size_t end = j == std::u16string::npos ? s.size() : j;
            Paragraph p = proto;
            if (end > i) p.runs.push_back(Run{s.substr(i, end - i), size});
            paras.push_back(std::move(p));
            if (j == std::u16string::npos) break;
            i = j + 1;
            if (s[j] == u'\r' && i < s.size() && s[i] == u'\n') ++i;
            if (i >= s.size()) break;  // a final paragraph mark ends the text
        }
        a.paras = std::move(paras);
        doc_->fixSelection();
    }
    std::u16string getText() const {
        if (!table_) return {};
        std::u16string s;
        for (const auto& p : table_->at(r_, c_).paras) {
            s += p.text();
            s += u'\r';
        }
        s += u'\a';  // the end-of-cell mark
        return s;
    }
    DocPtr doc_;
    TablePtr table_;
    uint32_t r_ = 0, c_ = 0;
    Position pos_;
};

// ---------------------------------------------------------------- Cell, Rows, Table
class CellObj : public Obj {
  public:
    CellObj(DocPtr doc, TablePtr table, uint32_t r, uint32_t c)
        : Obj("Cell"), doc_(std::move(doc)), table_(std::move(table)), r_(r), c_(c) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (id == ops::kCellMerge && isCall(kind)) {
            auto other = toObject<CellObj>(need(args, 0, "Merge"), "Merge", "Cell");
            if (other->table_ != table_)
                fail(kCannotMerge, "Merge", "the cells are not in the same table");
            if (!table_->merge(r_, c_, other->r_, other->c_))
                fail(kCannotMerge, "Merge", "the cells do not make a rectangle");
            doc_->fixSelection();
            return {};
        }
        if (id == ops::kCellRange && isGet(kind)) return obj<RangeObj>(doc_, table_, r_, c_);
        if (id == ops::kCellVerticalAlignment && isPut(kind)) {
            int32_t v = toInt(putValue(args, "VerticalAlignment"), "VerticalAlignment");
            if (v != kVTop && v != kVCenter && v != kVBottom)
                fail(hresult::E_INVALIDARG_, "VerticalAlignment", "value out of range");
            table_->at(r_, c_).vAlign = v;
            return {};
        }
        if (id == ops::kCellVerticalAlignment && isGet(kind))
            return Variant::I4(table_->at(r_, c_).vAlign);
        notFound(id, kind);
    }

  private:
    DocPtr doc_;
    TablePtr table_;
    uint32_t r_, c_;
};

class RowsObj : public Obj {
  public:
    explicit RowsObj(TablePtr table) : Obj("Rows"), table_(std::move(table)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (id == ops::kRowsAlignment && isPut(kind)) {
            int32_t v = toInt(putValue(args, "Alignment"), "Alignment");
            if (v < 0 || v > 2) fail(hresult::E_INVALIDARG_, "Alignment", "value out of range");
            table_->rowAlign = v;
            return {};
        }
        if (id == ops::kRowsAlignment && isGet(kind)) return Variant::I4(table_->rowAlign);
        if (id == 0x2 && isGet(kind))
            return Variant::I4(static_cast<int32_t>(table_->rows));  // Count
        notFound(id, kind);
    }

  private:
    TablePtr table_;
};

class TableObj : public Obj {
  public:
    TableObj(DocPtr doc, TablePtr table)
        : Obj("Table"), doc_(std::move(doc)), table_(std::move(table)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (id == ops::kTableCell && (isCall(kind) || isGet(kind))) {
            int32_t r = toInt(need(args, 0, "Cell"), "Cell");
            int32_t c = toInt(need(args, 1, "Cell"), "Cell");
            if (r < 1 || c < 1 || static_cast<uint32_t>(r) > table_->rows ||
                static_cast<uint32_t>(c) > table_->cols)
                fail(kBadCell, "Cell", text::format("the table has no cell (%d, %d)", r, c));
            return obj<CellObj>(doc_, table_, static_cast<uint32_t>(r - 1),
                                static_cast<uint32_t>(c - 1));
        }
        if (id == ops::kTableRows && isGet(kind)) return obj<RowsObj>(table_);
        notFound(id, kind);
    }

  private:
    DocPtr doc_;
    TablePtr table_;
};

class TablesObj : public Obj {
  public:
    explicit TablesObj(DocPtr doc) : Obj("Tables"), doc_(std::move(doc)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (id == ops::kTablesCount && isGet(kind))
            return Variant::I4(static_cast<int32_t>(doc_->tables().size()));
        if (id == ops::kTablesItem && (isCall(kind) || isGet(kind))) {
            auto tables = doc_->tables();
            int32_t k = toInt(need(args, 0, "Item"), "Item");
            if (k < 1 || static_cast<size_t>(k) > tables.size())
                fail(hresult::DISP_E_BADINDEX_, "Item",
                     "the document has no table " + std::to_string(k));
            return obj<TableObj>(doc_, tables[static_cast<size_t>(k) - 1]);
        }
        if (id == ops::kTablesAdd && isCall(kind)) return add(args);
        notFound(id, kind);
    }

  private:
    Variant add(std::span<const Variant> args) {
        auto range = toObject<RangeObj>(need(args, 0, "Add"), "Add", "Range");
        int32_t rows = toInt(need(args, 1, "Add"), "Add");
        int32_t cols = toInt(need(args, 2, "Add"), "Add");
        int32_t behavior = 0, autoFit = 0;
        if (const Variant* v = arg(args, 3)) behavior = toInt(*v, "Add");
        if (const Variant* v = arg(args, 4)) autoFit = toInt(*v, "Add");
        if (range->doc() != doc_)
            fail(hresult::E_INVALIDARG_, "Add", "the range is in another document");
        if (range->inCell())
            fail(hresult::E_NOTIMPL_, "Add", "tables inside tables are not supported");
        if (rows < 1 || rows > 32767)
            fail(hresult::E_INVALIDARG_, "Add", "the number of rows must be 1 to 32767");
        if (cols < 1 || cols > 63)
            fail(hresult::E_INVALIDARG_, "Add", "the number of columns must be 1 to 63");
        if (behavior < 0 || behavior > 1 || autoFit < 0 || autoFit > 2)
            fail(hresult::E_INVALIDARG_, "Add", "table behaviour out of range");
        const Position& at = range->pos();
        if (!doc_->valid(at) || at.inTable)
            fail(hresult::DISP_E_EXCEPTION_, "Add", "the range no longer exists");
        auto t = doc_->addTable(at, static_cast<uint32_t>(rows), static_cast<uint32_t>(cols));
        t->defaultBehavior = behavior;
        t->autoFit = autoFit;
        return obj<TableObj>(doc_, t);
    }
    DocPtr doc_;
};

// ---------------------------------------------------------------- Selection and its formats
class FontObj : public Obj {
  public:
    explicit FontObj(DocPtr doc) : Obj("Font"), doc_(std::move(doc)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (id == ops::kFontSize && isGet(kind)) return Variant::R4(doc_->fontSize);
        if (id == ops::kFontSize && isPut(kind)) {
            double v = toNumber(putValue(args, "Size"), "Size");
            if (!(v >= 1 && v <= 1638)) fail(hresult::E_INVALIDARG_, "Size", "value out of range");
            doc_->fontSize = static_cast<float>(v);
            // On an empty paragraph the size goes to its mark as well.
            Paragraph& p = doc_->paraAt(doc_->sel);
            if (p.length() == 0) p.markSize = doc_->fontSize;
            return {};
        }
        notFound(id, kind);
    }

  private:
    DocPtr doc_;
};

class ParagraphFormatObj : public Obj {
  public:
    explicit ParagraphFormatObj(DocPtr doc) : Obj("ParagraphFormat"), doc_(std::move(doc)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (id == ops::kParaAlignment && isGet(kind))
            return Variant::I4(doc_->paraAt(doc_->sel).align);
        if (id == ops::kParaAlignment && isPut(kind)) {
            int32_t v = toInt(putValue(args, "Alignment"), "Alignment");
            if (v < 0 || v > 9 || v == 6)
                fail(hresult::E_INVALIDARG_, "Alignment", "value out of range");
            doc_->paraAt(doc_->sel).align = v;
            return {};
        }
        notFound(id, kind);
    }

  private:
    DocPtr doc_;
};

class PageSetupObj : public Obj {
  public:
    explicit PageSetupObj(DocPtr doc) : Obj("PageSetup"), doc_(std::move(doc)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (id == ops::kPageOrientation && isPut(kind)) {
            int32_t v = toInt(putValue(args, "Orientation"), "Orientation");
            if (v != 0 && v != 1) fail(hresult::E_INVALIDARG_, "Orientation", "value out of range");
            doc_->orientation = v;
            doc_->orientationSet = true;
            return {};
        }
        if (id == ops::kPageOrientation && isGet(kind)) return Variant::I4(doc_->orientation);
        notFound(id, kind);
    }

  private:
    DocPtr doc_;
};

class SelectionObj : public Obj {
  public:
    explicit SelectionObj(DocPtr doc) : Obj("Selection"), doc_(std::move(doc)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (isGet(kind)) {
            switch (id) {
                case ops::kSelFont:
                    return obj<FontObj>(doc_);
                case ops::kSelParagraphFormat:
                    return obj<ParagraphFormatObj>(doc_);
                case ops::kSelPageSetup:
                    return obj<PageSetupObj>(doc_);
                case ops::kSelRange:
                    return obj<RangeObj>(doc_, doc_->sel);
                default:
                    break;
            }
        }
        if (isCall(kind)) {
            switch (id) {
                case ops::kSelTypeText:
                    doc_->typeText(toText(need(args, 0, "TypeText"), "TypeText"));
                    return {};
                case ops::kSelTypeParagraph:
                    doc_->typeParagraph();
                    return {};
                case ops::kSelMoveRight:
                    return moveRight(args);
                default:
                    break;
            }
        }
        notFound(id, kind);
    }

  private:
    Variant moveRight(std::span<const Variant> args) {
        int32_t unit = 1, count = 1, extend = 0;
        if (const Variant* v = arg(args, 0)) unit = toInt(*v, "MoveRight");
        if (const Variant* v = arg(args, 1)) count = toInt(*v, "MoveRight");
        if (const Variant* v = arg(args, 2)) extend = toInt(*v, "MoveRight");
        if (extend != 0)
            fail(hresult::E_NOTIMPL_, "MoveRight", "extending the selection is not supported");
        if (count < 0) fail(hresult::E_NOTIMPL_, "MoveRight", "moving left is not supported");
        if (unit == 1) return Variant::I4(doc_->moveRight(count));  // characters
        if (unit == 12) {                                           // cells
            int32_t moved = 0;
            while (moved < count && doc_->sel.inTable && doc_->moveToNextCell()) ++moved;
            return Variant::I4(moved);
        }
        fail(hresult::E_NOTIMPL_, "MoveRight",
             "unit " + std::to_string(unit) + " is not supported");
    }
    DocPtr doc_;
};

// ---------------------------------------------------------------- Window, Pane, View
class ViewObj : public Obj {
  public:
    explicit ViewObj(DocPtr doc) : Obj("View"), doc_(std::move(doc)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (id == ops::kViewSplitSpecial && isGet(kind)) return Variant::I4(0);  // not split
        if (id == ops::kViewType && isPut(kind)) {
            int32_t v = toInt(putValue(args, "Type"), "Type");
            if (v < 1 || v > 8) fail(hresult::E_INVALIDARG_, "Type", "value out of range");
            doc_->viewType = v;
            return {};
        }
        if (id == ops::kViewType && isGet(kind)) return Variant::I4(doc_->viewType);
        notFound(id, kind);
    }

  private:
    DocPtr doc_;
};

class PaneObj : public Obj {
  public:
    explicit PaneObj(DocPtr doc) : Obj("Pane"), doc_(std::move(doc)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant>) override {
        if (id == ops::kPaneView && isGet(kind)) return obj<ViewObj>(doc_);
        notFound(id, kind);
    }

  private:
    DocPtr doc_;
};

class WindowObj : public Obj {
  public:
    explicit WindowObj(DocPtr doc) : Obj("Window"), doc_(std::move(doc)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant>) override {
        if (id == ops::kWindowActivePane && isGet(kind)) return obj<PaneObj>(doc_);
        if (id == ops::kWindowView && isGet(kind)) return obj<ViewObj>(doc_);
        notFound(id, kind);
    }

  private:
    DocPtr doc_;
};

// ---------------------------------------------------------------- Document(s), Application
class DocumentObj : public Obj {
  public:
    explicit DocumentObj(DocPtr doc) : Obj("Document"), doc_(std::move(doc)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant>) override {
        if (id == ops::kDocTables && isGet(kind)) return obj<TablesObj>(doc_);
        if (id == 0x0 && isGet(kind)) return Variant::Str(doc_->name);  // Name
        notFound(id, kind);
    }

  private:
    DocPtr doc_;
};

class DocumentsObj : public Obj {
  public:
    explicit DocumentsObj(std::shared_ptr<AppState> app) : Obj("Documents"), app_(std::move(app)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (id == ops::kDocumentsAdd && isCall(kind)) return add(args);
        if (id == 0x2 && isGet(kind))
            return Variant::I4(static_cast<int32_t>(app_->docs.size()));  // Count
        if (id == 0x0 && (isCall(kind) || isGet(kind))) {                 // Item
            int32_t k = toInt(need(args, 0, "Item"), "Item");
            if (k < 1 || static_cast<size_t>(k) > app_->docs.size())
                fail(hresult::DISP_E_BADINDEX_, "Item", "no document " + std::to_string(k));
            return obj<DocumentObj>(app_->docs[static_cast<size_t>(k) - 1]);
        }
        notFound(id, kind);
    }

  private:
    Variant add(std::span<const Variant> args) {
        if (const Variant* t = arg(args, 0);
            t && t->vt != automation::VT_EMPTY && !toText(*t, "Add").empty())
            fail(hresult::E_NOTIMPL_, "Add", "document templates are not supported");
        if (const Variant* t = arg(args, 2);
            t && t->vt != automation::VT_EMPTY && toInt(*t, "Add") != 0)
            fail(hresult::E_NOTIMPL_, "Add", "only blank documents can be made");
        auto doc = std::make_shared<Document>();
        doc->name = text::utf8ToUtf16("Document" + std::to_string(++app_->created));
        if (const Variant* v = arg(args, 3); v && v->vt != automation::VT_EMPTY)
            doc->visible = toNumber(*v, "Add") != 0;
        app_->docs.push_back(doc);
        app_->active = doc;
        return obj<DocumentObj>(doc);
    }
    std::shared_ptr<AppState> app_;
};

class ApplicationObj : public Obj {
  public:
    ApplicationObj() : Obj("Application"), app_(std::make_shared<AppState>()) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (isGet(kind)) {
            switch (id) {
                case ops::kAppDocuments:
                    return obj<DocumentsObj>(app_);
                case ops::kAppActiveDocument:
                    return obj<DocumentObj>(active("ActiveDocument"));
                case ops::kAppActiveWindow:
                    return obj<WindowObj>(active("ActiveWindow"));
                case ops::kAppSelection:
                    return obj<SelectionObj>(active("Selection"));
                case ops::kAppVisible:
                    return Variant::Bool(app_->visible);
                default:
                    break;
            }
        }
        if (id == ops::kAppVisible && isPut(kind)) {
            bool v = toNumber(putValue(args, "Visible"), "Visible") != 0;
            app_->visible = v;
            if (v) show();
            return {};
        }
        notFound(id, kind);
    }
    const std::shared_ptr<AppState>& state() const { return app_; }

  private:
    DocPtr active(const char* member) const {
        if (!app_->active) fail(kNoDocument, member, "no document is open");
        return app_->active;
    }
    /// Shows the documents not shown yet: each is saved in the show folder and opened there.
    void show() {
        if (!g_showOnVisible) return;
        for (auto& doc : app_->docs) {
            if (doc->shown || !doc->visible) continue;
            std::string path = SaveToShowFolder(*doc, "Document");
            doc->shown = true;
            doc->shownFile = path;
            OpenOnDesktop(path);
        }
    }
    std::shared_ptr<AppState> app_;
};

}  // namespace

DispatchPtr CreateApplication() {
    return std::make_shared<ApplicationObj>();
}

std::vector<std::shared_ptr<Document>> DocumentsOf(const DispatchPtr& app) {
    auto a = std::dynamic_pointer_cast<ApplicationObj>(app);
    if (!a) return {};
    return a->state()->docs;
}

void SetShowOnVisible(bool enabled) {
    g_showOnVisible = enabled;
}
bool ShowOnVisible() {
    return g_showOnVisible;
}

}  // namespace tq::office::word
