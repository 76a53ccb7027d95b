// The spreadsheet engine's Workbooks collection: adding a workbook (blank or from a template
// file), opening a file, and the open workbooks by number or name.
#include "office/spreadsheet/engine_state.h"
#include "office/spreadsheet/file_io.h"
#include "text/text.h"
#include "tqtool/types.h"

namespace tq::office::sheet_engine {

namespace {

class WorkbooksObj : public Object {
  public:
    explicit WorkbooksObj(AppPtr app) : app_(std::move(app)) {}
    std::string TypeName() const override { return "Workbooks"; }

    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (kind == InvokeKind::PropertyPut) notFound(id, kind);
        switch (id) {
            case xl::Workbooks_Add:
                return add(Arg(args, 0));
            case xl::Workbooks_Open:
                return open(args);
            case xl::Workbooks_Count:
                return Variant::I4(static_cast<int32_t>(app_->books.size()));
            case automation::DISPID_VALUE:
            case xl::Workbooks_Item:
                return item(Arg(args, 0));
            default:
                notFound(id, kind);
        }
    }

  private:
    Variant item(const Variant& v) {
        const MemberRef who = member(xl::Workbooks_Item);
        if (v.vt == automation::VT_BSTR) {
            std::string n = text::utf16ToUtf8(v.bstr);
            for (auto& b : app_->books)
                if (SameName(b->name, n)) return Variant::Dispatch(MakeWorkbook(b));
            Fail(hresult::DISP_E_BADINDEX_, who, "no open workbook is named '" + Gbk(n) + "'");
        }
        int64_t i = ToInteger(v, who);
        if (i < 1 || static_cast<uint64_t>(i) > app_->books.size())
            Fail(hresult::DISP_E_BADINDEX_, who, "there is no workbook " + std::to_string(i));
        return Variant::Dispatch(MakeWorkbook(app_->books[static_cast<size_t>(i - 1)]));
    }

    BookPtr registerBook(Workbook&& wb) {
        auto b = std::make_shared<BookState>(std::move(wb));
        app_->books.push_back(b);
        b->sheetCounter = static_cast<uint32_t>(b->model.wb.sheets.size());
        return b;
    }

    Variant add(const Variant& tmpl) {
        Workbook wb;
        if (tmpl.vt == automation::VT_BSTR) {
            load(OsPath(text::utf16ToUtf8(tmpl.bstr)), wb, xl::Workbooks_Add);
        } else {
            wb.sheets.emplace_back().name = "Sheet1";
        }
        BookPtr b = registerBook(std::move(wb));
        b->name = "Book" + std::to_string(++app_->newBooks);
        return Variant::Dispatch(MakeWorkbook(b));
    }

    Variant open(std::span<const Variant> args) {
        const Variant& f = Arg(args, 0);
        if (f.vt != automation::VT_BSTR)
            Fail(hresult::DISP_E_TYPEMISMATCH_, member(xl::Workbooks_Open),
                 "Filename must be a text");
        std::string path = OsPath(text::utf16ToUtf8(f.bstr));
        bool readOnly = Given(Arg(args, 2)) && ToBool(Arg(args, 2), member(xl::Workbooks_Open));
        Workbook wb;
        load(path, wb, xl::Workbooks_Open);
        BookPtr b = registerBook(std::move(wb));
        b->name = FileName(path);
        b->path = path;
        b->readOnly = readOnly;
        return Variant::Dispatch(MakeWorkbook(b));
    }

    void load(const std::string& path, Workbook& wb, DISPID id) {
        try {
            LoadWorkbook(path, wb);
        } catch (const AutomationError& e) {
            Fail(e.code(), member(id), e.what());
        }
    }

    AppPtr app_;
};

}  // namespace

DispatchPtr MakeWorkbooks(const AppPtr& app) {
    return std::make_shared<WorkbooksObj>(app);
}

}  // namespace tq::office::sheet_engine
