// The calls CTqExcel sends to the spreadsheet server, with their argument types, and the range
// each member leaves current. What the calls read and write is checked end to end in
// excel_read_test.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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

std::string missingArgs(int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += " MISSING";
    return out;
}

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

    size_t mark() const { return rec_.Calls().size(); }
    Lines since(size_t from) const {
        Lines all = rec_.LogByType();
        return Lines(all.begin() + static_cast<long>(from), all.end());
    }
    // The log by type, the temporary folder written $D.
    Lines logHere() const {
        Lines out = rec_.LogByType();
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
    tqtest::ExpectGolden("calls/excel_open.txt", logHere());
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

TEST_F(ExcelCalls, ExitClosesTheWorkbookOnceUnderItsPath) {
    tq::CTqExcel fresh;
    fresh.exit();
    EXPECT_EQ(rec_.Started(), 0);
    tq::CTqExcel x(existing_);
    ASSERT_TRUE(x.open(true));
    const size_t from = mark();
    x.exit();
    x.exit();
    EXPECT_EQ(since(from),
              Lines{"Workbook.Close(method) MISSING BSTR:\"" + existing_ + "\" MISSING"});
}

TEST_F(ExcelCalls, SaveGivesThePathAndAnIntegerAccessMode) {
    tq::CTqExcel x(missing_);
    ASSERT_TRUE(x.open(false));
    const size_t from = mark();
    EXPECT_TRUE(x.save());
    EXPECT_EQ(since(from), Lines{"Workbook.SaveAs(method) BSTR:\"" + missing_ + "\"" +
                                 missingArgs(5) + " I4:0" + missingArgs(4)});
}

TEST_F(ExcelCalls, OpeningAgainClosesTheFirstWorkbookFirst) {
    tq::CTqExcel x(existing_);
    ASSERT_TRUE(x.open(false));
    const size_t from = mark();
    ASSERT_TRUE(x.open(true));
    const Lines after = since(from);
    ASSERT_GE(after.size(), 5u);
    EXPECT_EQ(after[0], "Workbook.Close(method) MISSING BSTR:\"" + existing_ + "\" MISSING");
    EXPECT_EQ(after[4].rfind("Workbooks.Open(method)", 0), 0u) << after[4];
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
        size_t from = mark();
        read();
        const Lines log = since(from);
        EXPECT_EQ(std::count(log.begin(), log.end(), "Range.Count(get)"), 3);  // 2 columns + end
    }
}

TEST_F(ExcelCalls, GetMegeCellAsksEveryCellOfTheScannedRectangle) {
    rec_.sheet().merges = {{1, 1, 1, 2}};  // A1:B1
    tq::CTqExcel x(existing_);
    ASSERT_TRUE(x.open(true));
    tq::Table empty;
    std::vector<tq::STqFixedCellInfo> merged(1);
    size_t from = mark();
    x.getMegeCell(empty, merged);
    EXPECT_EQ(mark(), from);
    EXPECT_EQ(merged.size(), 1u);

    tq::Table oneEmptyRow{{}};  // scans A1 and A2
    x.getMegeCell(oneEmptyRow, merged);
    EXPECT_EQ(since(from),
              (Lines{"Worksheet.Cells(get)", "Range.Item(get) I4:1 I4:1", "Range.MergeCells(get)",
                     "Range.MergeArea(get)", "Range.Rows(get)", "Range.Count(get)",
                     "Range.Columns(get)", "Range.Count(get)", "Worksheet.Cells(get)",
                     "Range.Item(get) I4:2 I4:1", "Range.MergeCells(get)"}));
    ASSERT_EQ(merged.size(), 2u);
    EXPECT_EQ((std::array{merged[1].row, merged[1].col, merged[1].rowExtent, merged[1].colExtent}),
              (std::array{1, 1, 1, 2}));
}

TEST_F(ExcelCalls, ColumnWidthIsAnIntegerOnTheColumnsFirstCell) {
    tq::CTqExcel x(missing_);
    ASSERT_TRUE(x.open(false));
    const size_t from = mark();
    x.setColWidth(3, 20);
    EXPECT_EQ(since(from), (Lines{"Range.Item(get) I4:3 MISSING", "Range.ColumnWidth(put) INT:20",
                                  "Worksheet.Cells(get)"}));
}

TEST_F(ExcelCalls, FontSettersAddressTheCurrentRange) {
    tq::CTqExcel x(existing_);
    ASSERT_TRUE(x.open(true));  // the used range
    const size_t from = mark();
    x.setFontSize(65547);  // only the low 16 bits pass
    x.setFont(std::string("\xcb\xce\xcc\xe5\0Arial", 10));
    EXPECT_EQ(since(from), (Lines{"Range.Font(get)", "Font.Size(put) I2:11", "Range.Font(get)",
                                  "Font.Name(put) BSTR:\"\xcb\xce\xcc\xe5\""}));
    EXPECT_TRUE(lastPath("Name").ends_with(".UsedRange.Font")) << lastPath("Name");
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
