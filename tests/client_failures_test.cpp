// How every client of the automation servers (CTqExcel::open, the ExcelTable forms, WordTable,
// WordTable2) fails: with no server it shows the one message and returns false; a call the server
// rejects leaves it as tq::AutomationError without a message and without showing the server.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "automation/excel_ops.h"
#include "automation/word_ops.h"
#include "support/os_support.h"
#include "support/recording_server.h"
#include "tqtool/excel.h"
#include "tqtool/export.h"
#include "tqtool/messagebox.h"

namespace {

using tq::automation::InvokeKind;
using Fixed = std::vector<std::vector<tq::STqFixedCellInfo>>;
using Marks = std::vector<std::pair<int32_t, int32_t>>;
using Actions = std::vector<std::vector<tq::action>>;

// "您没有安装OFFICE，此功能不能执行！" and "青衡软件" (GBK).
const std::string kNoOffice =
    "\xc4\xfa\xc3\xbb\xd3\xd0\xb0\xb2\xd7\xb0OFFICE"
    "\xa3\xac\xb4\xcb\xb9\xa6\xc4\xdc\xb2\xbb\xc4\xdc\xd6\xb4\xd0\xd0\xa3\xa1";
const std::string kSuiteCaption = "\xc7\xe0\xba\xe2\xc8\xed\xbc\xfe";

struct Client {
    const char* name;
    const char* progId;
    std::function<bool(const std::string& path)> run;
    unsigned boxFlags;  // of the no-server message
    // The call made to fail in the rejected case: the last one before the server is shown.
    const char* rejectedType;
    tq::automation::DISPID rejectedId;
    InvokeKind rejectedKind;
};

const tq::TableSet kTables{{{"a", "b"}, {"c", "d"}}};

const Client kClients[] = {
    {"CTqExcelOpenExisting", "Excel.Application",
     [](const std::string& path) { return tq::CTqExcel(path).open(true); }, 0, "Application",
     tq::automation::xl::Application_Workbooks, InvokeKind::PropertyGet},
    {"CTqExcelOpenNew", "Excel.Application",
     [](const std::string& path) { return tq::CTqExcel(path + ".new").open(false); }, 0,
     "Application", tq::automation::xl::Application_Workbooks, InvokeKind::PropertyGet},
    {"ExcelTableFixed", "Excel.Application",
     [](const std::string&) { return tq::ExcelTable(kTables, Fixed{}); }, 0, "Worksheet",
     tq::automation::xl::Worksheet_Name, InvokeKind::PropertyPut},
    {"ExcelTableMarks", "Excel.Application",
     [](const std::string&) {
         return tq::ExcelTable(kTables, Fixed{}, Marks{{0, 0}});
     },
     0, "Worksheet", tq::automation::xl::Worksheet_Name, InvokeKind::PropertyPut},
    {"ExcelTableActions", "Excel.Application",
     [](const std::string&) { return tq::ExcelTable(kTables, Actions{}); }, 0, "Worksheet",
     tq::automation::xl::Worksheet_Name, InvokeKind::PropertyPut},
    {"MemberExcelTableMarks", "Excel.Application",
     [](const std::string&) { return tq::CTqExcel().ExcelTable(kTables, Fixed{}, Marks{}); }, 0,
     "Worksheet", tq::automation::xl::Worksheet_Name, InvokeKind::PropertyPut},
    {"MemberExcelTableActions", "Excel.Application",
     [](const std::string&) { return tq::CTqExcel().ExcelTable(kTables, Actions{}); }, 0,
     "Worksheet", tq::automation::xl::Worksheet_Name, InvokeKind::PropertyPut},
    {"WordTable", "Word.Application",
     [](const std::string&) { return tq::WordTable({"t"}, kTables, Actions{{}}, true); }, 0x2040,
     "Tables", tq::automation::word::kTablesAdd, InvokeKind::Method},
    {"WordTable2", "Word.Application",
     [](const std::string&) { return tq::WordTable2({"t"}, kTables, false); }, 0x2040, "Tables",
     tq::automation::word::kTablesAdd, InvokeKind::Method}};

void PrintTo(const Client& c, std::ostream* os) {
    *os << c.name;
}

struct Box {
    std::string text, caption;
    unsigned flags;
};

class EveryClient : public ::testing::TestWithParam<Client> {
  protected:
    void SetUp() override {
        ostest::writeFile(path_, "x");
        previous_ =
            tq::SetMessageBoxHandler([this](const tq::String& text, const tq::String& caption,
                                            unsigned flags, tq::WindowHandle) {
                boxes_.push_back({text, caption, flags});
                return tq::mb::IDOK;
            });
    }
    void TearDown() override { tq::SetMessageBoxHandler(previous_); }

    bool madeVisible() const {
        for (const auto& call : rec_.Calls())
            if (call.member == "Visible" && call.kind == InvokeKind::PropertyPut &&
                call.args.back().deref().boolVal)
                return true;
        return false;
    }

    ostest::TempDir dir_;
    std::string path_ = dir_.path() + "/book.xlsx";
    ostest::ScopedEnv showDir_{"TQTOOL_OFFICE_DIR", dir_.path().c_str()};
    tqtest::RecordingServer rec_{std::string(GetParam().progId) == "Word.Application"
                                     ? tqtest::Model::Word
                                     : tqtest::Model::Excel};
    std::vector<Box> boxes_;
    tq::MessageBoxHandler previous_;
};

TEST_P(EveryClient, WithoutAServerShowsTheMessageAndFails) {
    ostest::ScopedEnv none("TQTOOL_OFFICE", "none");
    EXPECT_FALSE(GetParam().run(path_));
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, kNoOffice);
    EXPECT_EQ(boxes_[0].flags, GetParam().boxFlags);
    if (GetParam().boxFlags != 0) {
        EXPECT_EQ(boxes_[0].caption, kSuiteCaption);
    }
    EXPECT_EQ(rec_.Started(), 0);
}

TEST_P(EveryClient, ARejectedCallLeavesAsAnAutomationErrorWithoutShowing) {
    rec_.Fail(GetParam().rejectedType, GetParam().rejectedId, GetParam().rejectedKind,
              static_cast<int32_t>(0x800A03ECu), "refused \xc7\xe0");
    try {
        GetParam().run(path_);
        FAIL() << "no error";
    } catch (const tq::AutomationError& e) {
        EXPECT_EQ(static_cast<uint32_t>(e.code()), 0x800A03ECu);
        // The server's GBK message arrives as it was sent, after the member it names.
        const std::string what = e.what();
        EXPECT_EQ(what.rfind(std::string(GetParam().rejectedType) + ".", 0), 0u) << what;
        EXPECT_EQ(what.substr(what.find(": ")), ": refused \xc7\xe0") << what;
    }
    EXPECT_TRUE(boxes_.empty());
    EXPECT_FALSE(madeVisible()) << rec_.LogText();
}

INSTANTIATE_TEST_SUITE_P(Clients, EveryClient, ::testing::ValuesIn(kClients),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
