// What both embedded engines share: argument conversion and the show folder, each checked over
// the spreadsheet and the document engine alike.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "automation/excel_ops.h"
#include "automation/holder.h"
#include "automation/word_ops.h"
#include "office/common/show_folder.h"
#include "office/document/word_engine.h"
#include "office/spreadsheet/excel_engine.h"
#include "support/os_support.h"

namespace {

using tq::automation::Holder;
using tq::automation::InvokeKind;
using tq::automation::Variant;
namespace xl = tq::automation::xl;
namespace w = tq::automation::word;

// One engine as the tests drive it: an integer argument whose value can be read back, and
// showing one new workbook or document.
struct Engine {
    const char* name;
    // Passes `v` where the engine takes an integer and returns the integer it used.
    std::function<int32_t(const Variant& v)> integerTaken;
    // Makes a new application with one unsaved file and makes it visible.
    std::function<void()> show;
    // The names the first and the second file shown get in an empty show folder.
    const char* firstShown;
    const char* secondShown;
};

Holder newWorkbookApp() {
    Holder app(tq::office::CreateExcelApplication());
    app.GetObject(xl::Application_Workbooks)
        .InvokeObject(xl::Workbooks_Add, InvokeKind::Method, {Variant::Missing()});
    return app;
}

Holder newDocumentApp() {
    Holder app(tq::office::word::CreateApplication());
    app.GetObject(w::kAppDocuments).InvokeObject(w::kDocumentsAdd, InvokeKind::Method);
    return app;
}

const Engine kEngines[] = {
    {"spreadsheet",
     [](const Variant& v) {
         Holder book = newWorkbookApp()
                           .GetObject(xl::Application_Workbooks)
                           .GetObject(xl::Workbooks_Item, {Variant::I4(1)});
         Holder cells = book.GetObject(xl::Workbook_Worksheets, {Variant::I4(1)})
                            .GetObject(xl::Worksheet_Cells);
         Holder cell = cells.GetObject(xl::Range_Item, {v, Variant::I4(1)});
         return cell.GetProperty(xl::Range_Row, tq::automation::VT_I4).lVal;
     },
     [] { newWorkbookApp().SetProperty(xl::Application_Visible, Variant::Bool(true)); },
     "Book1.xlsx", "Book2.xlsx"},
    {"document",
     [](const Variant& v) {
         Holder format =
             newDocumentApp().GetObject(w::kAppSelection).GetObject(w::kSelParagraphFormat);
         format.SetProperty(w::kParaAlignment, v);
         return format.GetProperty(w::kParaAlignment, tq::automation::VT_I4).lVal;
     },
     [] { newDocumentApp().SetProperty(w::kAppVisible, Variant::Bool(true)); }, "Document1.docx",
     "Document2.docx"},
};

class BothEngines : public ::testing::TestWithParam<Engine> {};

TEST_P(BothEngines, RoundIntegerArgumentsHalfToEven) {
    EXPECT_EQ(GetParam().integerTaken(Variant::R8(2.5)), 2);
    EXPECT_EQ(GetParam().integerTaken(Variant::R8(1.5)), 2);
    EXPECT_EQ(GetParam().integerTaken(Variant::Str(u"2.5")), 2);
}

TEST_P(BothEngines, OpenSettingOfZeroWithBlanksKeepsShownFilesClosed) {
    ostest::TempDir dir;
    const std::string show = dir.path() + "/show";
    // The desktop's opener, found first on the search path, reports each file it is given.
    ostest::ReportPipe opened(dir.path() + "/opened");
    ostest::writeScript(dir.path() + "/xdg-open",
                        "#!/bin/sh\necho \"$1\" > '" + opened.path() + "'\n");
    const std::string path = dir.path() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "");
    ostest::ScopedEnv searched("PATH", path.c_str());
    ostest::ScopedEnv display("DISPLAY", ":99");
    ostest::ScopedEnv folder("TQTOOL_OFFICE_DIR", show.c_str());
    {
        ostest::ScopedEnv off("TQTOOL_OFFICE_OPEN", " 0 ");
        EXPECT_FALSE(tq::office::OpenOnDesktopEnabled());
        GetParam().show();
    }
    {
        ostest::ScopedEnv on("TQTOOL_OFFICE_OPEN", nullptr);
        GetParam().show();
    }
    // Only the second file is opened: the opener runs detached, so its report is waited for (at
    // most 60 s); an opener started for the first file would have reported first.
    EXPECT_EQ(opened.read(), show + "/" + GetParam().secondShown + "\n");
    EXPECT_TRUE(ostest::readFile(show + "/" + GetParam().firstShown).has_value());
}

INSTANTIATE_TEST_SUITE_P(Office, BothEngines, ::testing::ValuesIn(kEngines),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
