// The spreadsheet engine's Worksheet object: its name, its cells, rows, columns and used range,
// a range by reference, deleting and activating it.
#include "office/spreadsheet/range.h"
#include "text/text.h"
#include "tqtool/types.h"

namespace tq::office::sheet_engine {

namespace {

class WorksheetObj : public Object {
  public:
    WorksheetObj(BookPtr b, uint32_t id) : b_(std::move(b)), id_(id) {}
    std::string TypeName() const override { return "Worksheet"; }
    const BookPtr& book() const { return b_; }
    uint32_t sheetId() const { return id_; }

    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        Sheet& s = b_->sheet(id_, cache_, member(id));
        if (kind == InvokeKind::PropertyPut) {
            if (id != xl::Worksheet_Name) notFound(id, kind);
            std::string n = ToUtf8(PutValue(args, member(id)), member(id));
            b_->validateSheetName(n, id_, member(id));
            s.name = n;
            return Variant();
        }
        switch (id) {
            case xl::Worksheet_Name:
                return Str(s.name);
            case xl::Worksheet_Index:
                return Variant::I4(cache_ + 1);
            case xl::Worksheet_Cells:
                return sub(View::Cells, id, args);
            case xl::Worksheet_Rows:
                return sub(View::Rows, id, args);
            case xl::Worksheet_Columns:
                return sub(View::Columns, id, args);
            case xl::Worksheet_UsedRange:
                return Variant::Dispatch(MakeRange(b_, id_, cache_, UsedRange(s)));
            case xl::Worksheet_Range:
                return rangeByName(args);
            case xl::Worksheet_Delete:
                remove(s);
                return Variant();
            case xl::Worksheet_Select:
            case xl::Worksheet_Activate:
                b_->active = cache_;
                return Variant();
            case xl::Worksheet_Parent:
                return Variant::Dispatch(MakeWorkbook(b_));
            default:
                notFound(id, kind);
        }
    }

  private:
    Variant sub(View v, DISPID id, std::span<const Variant> args) {
        if (args.empty()) return Variant::Dispatch(MakeRange(b_, id_, cache_, Rect::All(), v));
        RangeObj all(b_, id_, cache_, Rect::All(), v);
        return Variant::Dispatch(all.item(args, id));
    }

    // "A1", "B2:C5": a cell or rectangle given by reference.
    Variant rangeByName(std::span<const Variant> args) {
        const MemberRef who = member(xl::Worksheet_Range);
        std::string t = ToUtf8(Arg(args, 0), who);
        Rect r;
        if (ParseRectRef(t, r) != RefParse::Ok)
            Fail(hresult::E_INVALIDARG_, who, "'" + Gbk(t) + "' is not a cell reference");
        return Variant::Dispatch(MakeRange(b_, id_, cache_, r));
    }

    void remove(const Sheet& s) {
        if (b_->model.wb.sheets.size() <= 1)
            Fail(member(xl::Worksheet_Delete), "a workbook must keep at least one sheet");
        for (const Row& row : s.rows)
            for (const Cell& c : row.cells)
                if (c.type == CellType::String) b_->model.releaseString();
        b_->model.wb.sheets.erase(b_->model.wb.sheets.begin() + cache_);
        if (b_->active >= cache_ && b_->active > 0) --b_->active;
    }

    BookPtr b_;
    uint32_t id_;
    int cache_ = -1;
};

}  // namespace

DispatchPtr MakeWorksheet(const BookPtr& b, uint32_t sheetId) {
    return std::make_shared<WorksheetObj>(b, sheetId);
}

bool WorksheetIdentity(const DispatchPtr& obj, BookPtr& book, uint32_t& sheetId) {
    auto* ws = dynamic_cast<WorksheetObj*>(obj.get());
    if (!ws) return false;
    book = ws->book();
    sheetId = ws->sheetId();
    return true;
}

}  // namespace tq::office::sheet_engine
