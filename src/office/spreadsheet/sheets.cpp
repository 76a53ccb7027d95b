// The spreadsheet engine's Sheets collections: Workbook.Sheets lists every sheet of the workbook
// in order (worksheets, chart sheets ...), Workbook.Worksheets the worksheets only. Both find a
// sheet by number (within the collection), name or object, count, and add worksheets.
#include <algorithm>

#include "office/spreadsheet/engine_state.h"
#include "text/text.h"
#include "tqtool/types.h"

namespace tq::office::sheet_engine {

namespace {

class SheetsObj : public Object {
  public:
    SheetsObj(BookPtr b, bool worksheetsOnly) : b_(std::move(b)), worksheetsOnly_(worksheetsOnly) {}
    std::string TypeName() const override { return "Sheets"; }

    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        b_->check(member(id));
        if (kind == InvokeKind::PropertyPut) notFound(id, kind);
        switch (id) {
            case automation::DISPID_VALUE:
            case xl::Sheets_Item: {
                size_t i = indexOf(Arg(args, 0), member(xl::Sheets_Item));
                return Variant::Dispatch(MakeWorksheet(b_, b_->model.wb.sheets[i].id));
            }
            case xl::Sheets_Count:
                return Variant::I4(static_cast<int32_t>(count()));
            case xl::Sheets_Add:
                return add(args);
            case xl::Sheets_Select:
                return Variant();
            default:
                notFound(id, kind);
        }
    }

  private:
    bool inCollection(const Sheet& s) const {
        return !worksheetsOnly_ || s.kind == SheetKind::Worksheet;
    }
    size_t count() const {
        const auto& sheets = b_->model.wb.sheets;
        if (!worksheetsOnly_) return sheets.size();
        return static_cast<size_t>(std::count_if(sheets.begin(), sheets.end(),
                                                 [&](const Sheet& s) { return inCollection(s); }));
    }

    // The index in the workbook's list of the sheet that `v` names in this collection: its
    // 1-based number, its name, or its object.
    size_t indexOf(const Variant& v, const MemberRef& who) {
        auto& sheets = b_->model.wb.sheets;
        if (v.vt == automation::VT_BSTR) {
            std::string n = text::utf16ToUtf8(v.bstr);
            for (size_t i = 0; i < sheets.size(); ++i)
                if (inCollection(sheets[i]) && SameName(sheets[i].name, n)) return i;
            Fail(hresult::DISP_E_BADINDEX_, who, "there is no sheet named '" + Gbk(n) + "'");
        }
        if (v.vt == automation::VT_DISPATCH) return sheetOfObject(v, who);
        int64_t k = ToInteger(v, who);
        if (k >= 1)
            for (size_t i = 0, seen = 0; i < sheets.size(); ++i)
                if (inCollection(sheets[i]) && ++seen == static_cast<uint64_t>(k)) return i;
        Fail(hresult::DISP_E_BADINDEX_, who,
             "there is no sheet " + std::to_string(k) + " (the workbook has " +
                 std::to_string(count()) + ")");
    }

    size_t sheetOfObject(const Variant& v, const MemberRef& who) {
        BookPtr book;
        uint32_t sheetId = 0;
        if (!WorksheetIdentity(v.disp, book, sheetId))
            Fail(hresult::DISP_E_TYPEMISMATCH_, who, "a worksheet of this workbook is expected");
        if (book != b_)
            Fail(hresult::DISP_E_TYPEMISMATCH_, who, "the worksheet belongs to another workbook");
        int i = b_->model.sheetIndex(sheetId);
        if (i < 0) Fail(who, "the worksheet has been deleted");
        return static_cast<size_t>(i);
    }

    Variant add(std::span<const Variant> args) {
        const MemberRef who = member(xl::Sheets_Add);
        auto& sheets = b_->model.wb.sheets;
        const Variant& before = Arg(args, 0);
        const Variant& after = Arg(args, 1);
        int64_t n = Given(Arg(args, 2)) ? ToInteger(Arg(args, 2), who) : 1;
        if (n < 1 || n > 255) Fail(hresult::E_INVALIDARG_, who, "Count must be between 1 and 255");
        size_t pos;
        if (Given(before))
            pos = indexOf(before, who);
        else if (Given(after))
            pos = indexOf(after, who) + 1;
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
        return Variant::Dispatch(MakeWorksheet(b_, lastId));
    }

    BookPtr b_;
    bool worksheetsOnly_;
};

}  // namespace

DispatchPtr MakeSheets(const BookPtr& b, bool worksheetsOnly) {
    return std::make_shared<SheetsObj>(b, worksheetsOnly);
}

}  // namespace tq::office::sheet_engine
