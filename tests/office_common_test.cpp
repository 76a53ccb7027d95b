// What both embedded engines share: argument conversion and the show folder, each checked over
// the spreadsheet and the document engine alike.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
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
// applications with unsaved files to show.
struct Engine {
    const char* name;
    // Passes `v` where the engine takes an integer and returns the integer it used.
    std::function<int32_t(const Variant& v)> integerTaken;
    // A new application with one unsaved file; another file added to it; showing it.
    std::function<Holder()> newApp;
    std::function<void(const Holder&)> add;
    std::function<void(const Holder&)> show;
    // The names of the files shown: prefix, number, extension ("Book", "2", ".xlsx").
    const char* prefix;
    const char* extension;
    std::string shown(int n) const { return prefix + std::to_string(n) + extension; }
};

void addWorkbook(const Holder& app) {
    app.GetObject(xl::Application_Workbooks)
        .InvokeObject(xl::Workbooks_Add, InvokeKind::Method, {Variant::Missing()});
}

void addDocument(const Holder& app) {
    app.GetObject(w::kAppDocuments).InvokeObject(w::kDocumentsAdd, InvokeKind::Method);
}

Holder newWorkbookApp() {
    Holder app(tq::office::CreateExcelApplication());
    addWorkbook(app);
    return app;
}

Holder newDocumentApp() {
    Holder app(tq::office::word::CreateApplication());
    addDocument(app);
    return app;
}

const Engine kEngines[] = {
    {"spreadsheet",
     [](const Variant& v) {
         Holder cell = newWorkbookApp()
                           .GetObject(xl::Application_Workbooks)
                           .GetObject(xl::Workbooks_Item, {Variant::I4(1)})
                           .GetObject(xl::Workbook_Worksheets, {Variant::I4(1)})
                           .GetObject(xl::Worksheet_Cells)
                           .GetObject(xl::Range_Item, {v, Variant::I4(1)});
         return cell.GetProperty(xl::Range_Row, tq::automation::VT_I4).lVal;
     },
     newWorkbookApp, addWorkbook,
     [](const Holder& app) { app.SetProperty(xl::Application_Visible, Variant::Bool(true)); },
     "Book", ".xlsx"},
    {"document",
     [](const Variant& v) {
         Holder format =
             newDocumentApp().GetObject(w::kAppSelection).GetObject(w::kSelParagraphFormat);
         format.SetProperty(w::kParaAlignment, v);
         return format.GetProperty(w::kParaAlignment, tq::automation::VT_I4).lVal;
     },
     newDocumentApp, addDocument,
     [](const Holder& app) { app.SetProperty(w::kAppVisible, Variant::Bool(true)); }, "Document",
     ".docx"}};

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
        GetParam().show(GetParam().newApp());
    }
    {
        ostest::ScopedEnv on("TQTOOL_OFFICE_OPEN", nullptr);
        GetParam().show(GetParam().newApp());
    }
    // Only the second file is opened: the opener runs detached, so its report is waited for (at
    // most 60 s); an opener started for the first file would have reported first.
    EXPECT_EQ(opened.read(), show + "/" + GetParam().shown(2) + "\n");
    EXPECT_TRUE(std::filesystem::exists(show + "/" + GetParam().shown(1)));
}

TEST_P(BothEngines, ShowingSavesEachUnshownFileOnceUnderAFreeName) {
    ostest::TempDir dir;
    const std::string show = dir.path() + "/show";
    ostest::ScopedEnv folder("TQTOOL_OFFICE_DIR", show.c_str());
    ostest::ScopedEnv off("TQTOOL_OFFICE_OPEN", "0");
    ASSERT_EQ(tq::office::ShowFolder(), show);
    ASSERT_EQ(::mkdir(show.c_str(), 0700), 0);
    ostest::writeFile(show + "/" + GetParam().shown(1), "mine");  // from an earlier run
    Holder app = GetParam().newApp();
    GetParam().show(app);
    EXPECT_EQ(ostest::readFile(show + "/" + GetParam().shown(1)), "mine");
    EXPECT_TRUE(std::filesystem::exists(show + "/" + GetParam().shown(2)));
    GetParam().add(app);
    GetParam().show(app);
    EXPECT_TRUE(std::filesystem::exists(show + "/" + GetParam().shown(3)));
    EXPECT_FALSE(std::filesystem::exists(show + "/" + GetParam().shown(4)));
}

TEST_P(BothEngines, AShowFolderThatCannotBeMadeIsAnErrorOfTheCall) {
    ostest::TempDir dir;
    ostest::writeFile(dir.file("file"), "x");
    ostest::ScopedEnv folder("TQTOOL_OFFICE_DIR", dir.file("file/sub").c_str());
    EXPECT_THROW(GetParam().show(GetParam().newApp()), tq::AutomationError);
}

TEST(ShowFolder, DefaultsToTheUsersRuntimeFolderElseTmp) {
    ostest::ScopedEnv folder("TQTOOL_OFFICE_DIR", nullptr);
    {
        ostest::ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/4242");
        EXPECT_EQ(tq::office::ShowFolder(), "/run/user/4242/tqtool-office");
    }
    ostest::ScopedEnv runtime("XDG_RUNTIME_DIR", "");
    EXPECT_EQ(tq::office::ShowFolder(), "/tmp/tqtool-office");
}

INSTANTIATE_TEST_SUITE_P(Office, BothEngines, ::testing::ValuesIn(kEngines),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
