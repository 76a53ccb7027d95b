// The spreadsheet engine's Application object: its workbooks, its flags, and showing its
// workbooks when it is made visible (each saved into the show folder and opened there).
#include <algorithm>

#include "office/common/show_folder.h"
#include "office/spreadsheet/engine_state.h"
#include "office/spreadsheet/excel_engine.h"
#include "office/spreadsheet/xlsx/xlsx_writer.h"
#include "tqtool/types.h"

namespace tq::office {

namespace sheet_engine {

namespace {

// The k-th candidate name of a shown workbook: BookN.xlsx from the workbook's own number upward,
// or <name>.xlsx, <name> (2).xlsx ...
std::string showName(const std::string& bookName, uint64_t k) {
    std::string stem = bookName;
    size_t dot = stem.rfind('.');
    if (dot != std::string::npos && dot > 0) stem.resize(dot);
    bool numbered =
        stem.size() > 4 && stem.size() < 14 && stem.compare(0, 4, "Book") == 0 &&
        std::all_of(stem.begin() + 4, stem.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (numbered) return "Book" + std::to_string(std::stoull(stem.substr(4)) + k) + ".xlsx";
    return k == 0 ? stem + ".xlsx" : stem + " (" + std::to_string(k + 1) + ").xlsx";
}

class ApplicationObj : public Object {
  public:
    ApplicationObj() : app_(std::make_shared<AppState>()) { RegisterApp(app_); }
    std::string TypeName() const override { return "Application"; }

    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (kind == InvokeKind::PropertyPut) return put(id, args);
        switch (id) {
            case xl::Application_Workbooks:
                return Variant::Dispatch(MakeWorkbooks(app_));
            case xl::Application_Visible:
                return Variant::Bool(app_->visible);
            case xl::Application_DisplayAlerts:
                return Variant::Bool(app_->displayAlerts);
            case xl::Application_UserControl:
                return Variant::Bool(app_->userControl);
            case xl::Application_Quit: {
                auto books = app_->books;
                for (auto& b : books) CloseBook(b);
                return Variant();
            }
            default:
                notFound(id, kind);
        }
    }

  private:
    Variant put(DISPID id, std::span<const Variant> args) {
        bool on = ToBool(PutValue(args, member(id)), member(id));
        switch (id) {
            case xl::Application_Visible:
                app_->visible = on;
                if (on) showBooks();
                return Variant();
            case xl::Application_DisplayAlerts:
                app_->displayAlerts = on;
                return Variant();
            case xl::Application_UserControl:
                app_->userControl = on;
                return Variant();
            default:
                notFound(id, InvokeKind::PropertyPut);
        }
    }

    // Every open workbook not shown yet is saved into the show folder and opened there.
    void showBooks() {
        if (!ShowOnVisible()) return;
        std::vector<BookPtr> pending;
        for (auto& b : app_->books)
            if (!b->shown && !b->closed) pending.push_back(b);
        for (auto& b : pending) {
            ShowFile([&](uint64_t k) { return showName(b->name, k); },
                     [&](const std::string& path) { WriteXlsx(b->model, path, b->active); },
                     member(xl::Application_Visible));
            b->shown = true;
        }
    }

    AppPtr app_;
};

}  // namespace

}  // namespace sheet_engine

automation::DispatchPtr CreateExcelApplication() {
    return std::make_shared<sheet_engine::ApplicationObj>();
}

}  // namespace tq::office
