// The calls CTqExcel sends to the spreadsheet server, with their argument types, and the range
// each member leaves current. What the calls read and write is checked end to end in
// excel_read_test.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "automation/excel_ops.h"
#include "support/golden.h"
#include "support/os_support.h"
#include "support/recording_server.h"
#include "text/text.h"
#include "tqtool/excel.h"
#include "tqtool/messagebox.h"

namespace {

using Lines = std::vector<std::string>;
using tq::automation::InvokeKind;
namespace xl = tq::automation::xl;

const Lines kPrologue = {"Application.UserControl(put) BOOL:FALSE",
                         "Application.DisplayAlerts(put) BOOL:FALSE", "Application.Workbooks(get)"};

class ExcelCalls : public ::testing::Test {
  protected:
    void SetUp() override {
        ostest::writeFile(tq::text::pathToOs(existing_), "x");
        previous_ = tq::SetMessageBoxHandler(
            [this](const tq::String& text, const tq::String&, unsigned, tq::WindowHandle) {
                boxes_.push_back(text);
                return tq::mb::IDOK;
            });
    }
    void TearDown() override { tq::SetMessageBoxHandler(previous_); }

    // The log by type from call `from` on, the temporary folder written $D.
    Lines since(size_t from) const {
        Lines out = rec_.LogByType();
        out.erase(out.begin(), out.begin() + static_cast<long>(from));
        for (std::string& line : out)
            for (size_t at; (at = line.find(dir_.path())) != std::string::npos;)
                line.replace(at, dir_.path().size(), "$D");
        return out;
    }
    // How the object of the last call to `member` was reached: "...UsedRange", "...Cells".
    std::string lastPath(const std::string& member) const {
        for (auto it = rec_.Calls().rbegin(); it != rec_.Calls().rend(); ++it)
            if (it->member == member) return it->path;
        return "(no call)";
    }

    tqtest::RecordingServer rec_;
    ostest::TempDir dir_;
    // 礬 (trail byte '\') and 磡 (trail byte '|') in the name: neither is a separator.
    std::string existing_ = dir_.path() + "/\xb5\x5c\xb4\x7c.xlsx";
    std::string missing_ = dir_.path() + "/none.xlsx";
    std::vector<std::string> boxes_;
    tq::MessageBoxHandler previous_;
};

TEST_F(ExcelCalls, OpeningForReadingOrWriting) {
    // Reading opens sheet one read-only and takes its used range. Writing keeps one text-formatted
    // sheet of a new workbook, which has an existing file as its template.
    rec_.sheet().sheetCount = 3;
    ASSERT_TRUE(tq::CTqExcel(existing_).open(true));
    for (const auto& [sheets, path] : {std::pair{1, missing_}, {3, existing_}}) {
        rec_.sheet().sheetCount = sheets;
        tq::CTqExcel x(path);
        ASSERT_TRUE(x.open(false));
    }
    tqtest::ExpectGolden("calls/excel_open.txt", since(0));
}

TEST_F(ExcelCalls, OpenForReadingWithoutAFileFailsQuietlyAndLaterMembersSendNothing) {
    for (const std::string& path : {missing_, std::string()}) {
        rec_.ClearLog();
        tq::CTqExcel x(path);
        EXPECT_FALSE(x.open(true));
        EXPECT_TRUE(x.save());
        EXPECT_TRUE(x.clear());
        EXPECT_EQ(x.getNumRow(), 0);
        x.setFontSize(12);
        x.exit();
        EXPECT_EQ(rec_.LogByType(), kPrologue) << path;
    }
    EXPECT_TRUE(boxes_.empty());
}

// The calls of each member after an open, one block per member in calls/excel_members.txt.
TEST_F(ExcelCalls, EachMembersCallsAfterAnOpen) {
    tq::CTqExcel().exit();
    EXPECT_EQ(rec_.Started(), 0);          // nothing opened: no server
    rec_.sheet().merges = {{1, 1, 1, 2}};  // A1:B1
    struct Member {
        const char* name;
        bool read;  // opens the existing file to read, or writes a new one
        std::function<void(tq::CTqExcel&, Lines&)> run;
    };
    const auto show = [](const tq::STqFixedCellInfo& m) {
        return "-> " + std::to_string(m.row) + "," + std::to_string(m.col) + " extent " +
               std::to_string(m.rowExtent) + "x" + std::to_string(m.colExtent);
    };
    const Member members[] = {
        {"exit twice: one close under the path", true,
         [](tq::CTqExcel& x, Lines&) { x.exit(), x.exit(); }},
        {"save: the path and an integer access mode", false,
         [](tq::CTqExcel& x, Lines& log) { log.push_back(x.save() ? "-> true" : "-> false"); }},
        {"open again: the first workbook closed first", true,
         [](tq::CTqExcel& x, Lines&) { x.open(true); }},
        {"getMegeCell of no rows: no calls", true,
         [&](tq::CTqExcel& x, Lines& log) {
             tq::Table empty;
             std::vector<tq::STqFixedCellInfo> merged(1);
             x.getMegeCell(empty, merged);
             log.push_back("-> " + std::to_string(merged.size()) + " record");
         }},
        {"getMegeCell of one empty row: every cell of A1:A2 asked", true,
         [&](tq::CTqExcel& x, Lines& log) {
             tq::Table oneEmptyRow{{}};
             std::vector<tq::STqFixedCellInfo> merged;
             x.getMegeCell(oneEmptyRow, merged);
             for (const auto& m : merged) log.push_back(show(m));
         }},
        {"setColWidth(3, 20): an integer on the column's first cell", false,
         [](tq::CTqExcel& x, Lines&) { x.setColWidth(3, 20); }},
        {"font setters on the used range; only the low 16 bits of the size", true,
         [&](tq::CTqExcel& x, Lines& log) {
             x.setFontSize(65547);
             x.setFont(std::string("\xcb\xce\xcc\xe5\0Arial", 10));
             const std::string path = lastPath("Name");
             log.push_back("-> " + path.substr(path.rfind(").") + 2));
         }}};
    Lines log;
    for (const Member& m : members) {
        tq::CTqExcel x(m.read ? existing_ : missing_);
        ASSERT_TRUE(x.open(m.read)) << m.name;
        const size_t from = rec_.Calls().size();
        Lines calls;
        m.run(x, calls);
        const Lines sent = since(from);
        log.push_back(std::string("## ") + m.name);
        log.insert(log.end(), sent.begin(), sent.end());
        log.insert(log.end(), calls.begin(), calls.end());
    }
    tqtest::ExpectGolden("calls/excel_members.txt", log);
}

TEST_F(ExcelCalls, EachMemberLeavesTheCurrentRangeTheSpecifiedOne) {
    struct Case {
        const char* member;
        std::function<void(tq::CTqExcel&)> run;
        const char* range;  // how clear() then reaches its range
    };
    tq::Table table{{"a"}};
    std::vector<tq::STqFixedCellInfo> merged;
    const Case cases[] = {
        {"open(true)", [](tq::CTqExcel&) {}, ".UsedRange"},
        {"getNumRow", [](tq::CTqExcel& x) { x.getNumRow(); }, ".Cells"},
        {"getNumCol", [](tq::CTqExcel& x) { x.getNumCol(); }, ".Cells"},
        {"getMegeCell", [&](tq::CTqExcel& x) { x.getMegeCell(table, merged); }, ".Cells"},
        {"setColWidth", [](tq::CTqExcel& x) { x.setColWidth(2, 9); }, ".Cells"}};
    for (const Case& c : cases) {
        tq::CTqExcel x(existing_);
        ASSERT_TRUE(x.open(true));
        c.run(x);
        x.clear();
        const std::string path = lastPath("Clear");
        EXPECT_TRUE(path.ends_with(c.range)) << c.member << ": " << path;
    }
}

TEST_F(ExcelCalls, HeaderFormsAskTheColumnCountBeforeEveryColumn) {
    rec_.sheet().usedCols = 2;
    tq::CTqExcel x(existing_);
    ASSERT_TRUE(x.open(true));
    tq::StringArray list;
    tq::CTqExcel::ColumnMap map;
    const std::function<void()> forms[] = {[&] { x.getHeader(list); }, [&] { x.getHeader(map); }};
    for (const auto& read : forms) {
        size_t from = rec_.Calls().size();
        read();
        const Lines log = since(from);
        EXPECT_EQ(std::count(log.begin(), log.end(), "Range.Count(get)"), 3);  // 2 columns + end
    }
}

TEST_F(ExcelCalls, ARefusedColumnWidthLeavesItsCellCurrent) {
    rec_.Fail("Range", xl::Range_ColumnWidth, InvokeKind::PropertyPut, tq::hresult::E_FAIL_, "no");
    tq::CTqExcel x(missing_);
    ASSERT_TRUE(x.open(false));
    EXPECT_THROW(x.setColWidth(2, 500), tq::AutomationError);
    x.clear();
    EXPECT_TRUE(lastPath("Clear").ends_with(".Item(I4:2 MISSING)")) << lastPath("Clear");
}

}  // namespace
