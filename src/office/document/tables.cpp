// The document engine's Tables, Table, Rows and Cell objects: adding a table at the insertion
// point, reaching its cells, merging cells, and row and cell alignment.
#include "office/document/document_objects.h"
#include "text/text.h"

namespace tq::office::word {

namespace {

class CellObj : public Obj {
  public:
    CellObj(DocPtr doc, TablePtr table, uint32_t r, uint32_t c)
        : Obj("Cell"), doc_(std::move(doc)), table_(std::move(table)), r_(r), c_(c) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (id == ops::kCellMerge && isCall(kind)) {
            auto other = toObject<CellObj>(need(args, 0, id), id, "Cell");
            if (other->table_ != table_)
                fail(kCannotMerge, id, "the cells are not in the same table");
            if (!table_->merge(r_, c_, other->r_, other->c_))
                fail(kCannotMerge, id, "the cells do not make a rectangle");
            doc_->fixSelection();
            return {};
        }
        if (id == ops::kCellRange && isGet(kind)) return MakeCellRange(doc_, table_, r_, c_);
        if (id == ops::kCellVerticalAlignment && isPut(kind)) {
            table_->at(r_, c_).vAlign = putChoice(args, id, {kVTop, kVCenter, kVBottom});
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
            table_->rowAlign = putChoice(args, id, {0, 1, 2});
            return {};
        }
        if (id == ops::kRowsAlignment && isGet(kind)) return Variant::I4(table_->rowAlign);
        if (id == ops::kRowsCount && isGet(kind))
            return Variant::I4(static_cast<int32_t>(table_->rows));
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
            int32_t r = ToInt32(need(args, 0, id), member(id));
            int32_t c = ToInt32(need(args, 1, id), member(id));
            if (r < 1 || c < 1 || static_cast<uint32_t>(r) > table_->rows ||
                static_cast<uint32_t>(c) > table_->cols)
                fail(kBadCell, id, text::format("the table has no cell (%d, %d)", r, c));
            return MakeObject<CellObj>(doc_, table_, static_cast<uint32_t>(r - 1),
                                       static_cast<uint32_t>(c - 1));
        }
        if (id == ops::kTableRows && isGet(kind)) return MakeObject<RowsObj>(table_);
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
            int32_t k = ToInt32(need(args, 0, id), member(id));
            if (k < 1 || static_cast<size_t>(k) > tables.size())
                fail(hresult::DISP_E_BADINDEX_, id,
                     "the document has no table " + std::to_string(k));
            return MakeObject<TableObj>(doc_, tables[static_cast<size_t>(k) - 1]);
        }
        if (id == ops::kTablesAdd && isCall(kind)) return add(args);
        notFound(id, kind);
    }

  private:
    Variant add(std::span<const Variant> args) {
        const DISPID id = ops::kTablesAdd;
        const MemberRef who = member(id);
        DocPtr rangeDoc;
        Position at;
        bool inCell = false;
        const Variant& range = need(args, 0, id);
        if (range.vt != automation::VT_DISPATCH ||
            !RangeInsertionPoint(range.disp, rangeDoc, at, inCell))
            fail(hresult::DISP_E_TYPEMISMATCH_, id, "a Range object is expected");
        int32_t rows = ToInt32(need(args, 1, id), who);
        int32_t cols = ToInt32(need(args, 2, id), who);
        int32_t behavior = 0, autoFit = 0;
        if (const Variant* v = arg(args, 3)) behavior = ToInt32(*v, who);
        if (const Variant* v = arg(args, 4)) autoFit = ToInt32(*v, who);
        if (rangeDoc != doc_) fail(hresult::E_INVALIDARG_, id, "the range is in another document");
        if (inCell) fail(hresult::E_NOTIMPL_, id, "tables inside tables are not supported");
        if (rows < 1 || rows > 32767)
            fail(hresult::E_INVALIDARG_, id, "the number of rows must be 1 to 32767");
        if (cols < 1 || cols > 63)
            fail(hresult::E_INVALIDARG_, id, "the number of columns must be 1 to 63");
        if (behavior < 0 || behavior > 1 || autoFit < 0 || autoFit > 2)
            fail(hresult::E_INVALIDARG_, id, "table behaviour out of range");
        if (!doc_->valid(at) || at.inTable)
            fail(hresult::DISP_E_EXCEPTION_, id, "the range no longer exists");
        auto t = doc_->addTable(at, static_cast<uint32_t>(rows), static_cast<uint32_t>(cols));
        t->defaultBehavior = behavior;
        t->autoFit = autoFit;
        return MakeObject<TableObj>(doc_, t);
    }
    DocPtr doc_;
};

}  // namespace

Variant MakeTables(const DocPtr& doc) {
    return MakeObject<TablesObj>(doc);
}

}  // namespace tq::office::word
