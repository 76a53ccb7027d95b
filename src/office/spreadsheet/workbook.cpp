// The spreadsheet engine's Workbook object: its sheets, its names, saving and closing.
#include <algorithm>

#include "office/spreadsheet/engine_state.h"
#include "office/spreadsheet/xlsx/xlsx_writer.h"
#include "os/files.h"
#include "text/text.h"
#include "tqtool/types.h"

namespace tq::office::sheet_engine {

namespace {

bool samePath(const std::string& a, const std::string& b) {
    return a == b || os::SameFile(a, b);
}

class WorkbookObj : public Object {
  public:
    explicit WorkbookObj(BookPtr b) : b_(std::move(b)) {}
    std::string TypeName() const override { return "Workbook"; }

    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        b_->check(member(id));
        if (kind == InvokeKind::PropertyPut) notFound(id, kind);
        switch (id) {
            case xl::Workbook_Sheets:
            case xl::Workbook_Worksheets: {
                DispatchPtr sheets = MakeSheets(b_, id == xl::Workbook_Worksheets);
                if (args.empty()) return Variant::Dispatch(sheets);
                return sheets->Invoke(xl::Sheets_Item, InvokeKind::PropertyGet, args);
            }
            case xl::Workbook_ActiveSheet: {
                auto& sheets = b_->model.wb.sheets;
                size_t i = static_cast<size_t>(
                    std::clamp(b_->active, 0, static_cast<int>(sheets.size()) - 1));
                return Variant::Dispatch(MakeWorksheet(b_, sheets[i].id));
            }
            case xl::Workbook_Name:
                return Str(b_->name);
            case xl::Workbook_FullName:
                return Str(b_->path.empty() ? b_->name : b_->path);
            case xl::Workbook_Save:
                save();
                return Variant();
            case xl::Workbook_SaveAs:
                saveAs(Arg(args, 0));
                return Variant();
            case xl::Workbook_Close:
                close(args);
                return Variant();
            default:
                notFound(id, kind);
        }
    }

  private:
    void save() {
        const MemberRef who = member(xl::Workbook_Save);
        if (b_->path.empty()) Fail(who, "the workbook has no file yet; use SaveAs");
        if (b_->readOnly) Fail(who, "'" + PathForMessage(b_->path) + "' is open read-only");
        SaveBook(*b_, b_->path, who);
    }

    void saveAs(const Variant& f) {
        const MemberRef who = member(xl::Workbook_SaveAs);
        if (f.vt != automation::VT_BSTR || f.bstr.empty())
            Fail(hresult::DISP_E_TYPEMISMATCH_, who, "Filename must be a file name");
        std::string path = OsPath(text::utf16ToUtf8(f.bstr));
        if (b_->readOnly && !b_->path.empty() && samePath(path, b_->path))
            Fail(who, "'" + PathForMessage(path) +
                          "' is open read-only; save the workbook under another name");
        SaveBook(*b_, path, who);
        b_->path = path;
        b_->name = FileName(path);
        b_->readOnly = false;
    }

    void close(std::span<const Variant> args) {
        const MemberRef who = member(xl::Workbook_Close);
        const Variant& save = Arg(args, 0);
        if (Given(save) && ToBool(save, who)) {
            const Variant& f = Arg(args, 1);
            std::string path = f.vt == automation::VT_BSTR && !f.bstr.empty()
                                   ? OsPath(text::utf16ToUtf8(f.bstr))
                                   : b_->path;
            if (path.empty()) Fail(who, "the workbook has no file to be saved to");
            if (b_->readOnly && samePath(path, b_->path))
                Fail(who, "'" + PathForMessage(path) + "' is open read-only");
            SaveBook(*b_, path, who);
        }
        CloseBook(b_);
    }

    BookPtr b_;
};

}  // namespace

DispatchPtr MakeWorkbook(const BookPtr& b) {
    return std::make_shared<WorkbookObj>(b);
}

}  // namespace tq::office::sheet_engine
