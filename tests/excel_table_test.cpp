// ExcelTable end to end on the embedded spreadsheet engine: every form writes a real workbook that
// openpyxl reads back (the forms that add a workbook leave it in the show folder).
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "support/engine_support.h"
#include "support/require.h"
#include "text/text.h"
#include "tqtool/excel.h"
#include "tqtool/export.h"

namespace {

using nlohmann::json;
using Fixed = std::vector<std::vector<tq::STqFixedCellInfo>>;
using Actions = std::vector<std::vector<tq::action>>;
using Marks = std::vector<std::pair<int32_t, int32_t>>;

const std::string kFan = "\xb5\x5c", kKan = "\xb4\x7c", kHou = "\xb3\x40";
const std::string kSurvey = "\xb2\xe2\xc1\xbf\xb3\xc9\xb9\xfb";  // 测量成果
const std::string kSummary = "\xbb\xe3\xd7\xdc" + kFan;          // 汇总礬
// 一标段起点左侧水准点礬磡矦: a long text
const std::string kLong =
    "\xd2\xbb\xb1\xea\xb6\xce\xc6\xf0\xb5\xe3\xd7\xf3\xb2\xe0\xcb\xae\xd7\xbc\xb5\xe3" + kFan +
    kKan + kHou;

std::string u8(const std::string& gbk) {
    return tq::text::gbkToUtf8(gbk);
}

tq::STqFixedCellInfo area(int row, int col, int rowExtent, int colExtent) {
    tq::STqFixedCellInfo f;
    f.row = row;
    f.col = col;
    f.rowExtent = rowExtent;
    f.colExtent = colExtent;
    return f;
}

// A cell as openpyxl read it; one it did not list is empty and unfilled.
json cell(const json& sheet, const char* ref) {
    const json& cells = sheet["cells"];
    return cells.contains(ref) ? cells[ref] : json{{"value", nullptr}, {"fill", nullptr}};
}

class ExcelTableFiles : public ::testing::Test {
  protected:
    void SetUp() override { TQ_REQUIRE(tqtest::HavePythonModule("openpyxl"), "python3-openpyxl"); }

    std::set<std::string> shownFiles() const {
        std::set<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(show_.path()))
            out.insert(e.path().string());
        return out;
    }
    // Runs a form that adds a workbook and reads back the one workbook it left in the show folder.
    template <class F>
    json shown(F form) {
        const auto before = shownFiles();
        EXPECT_TRUE(form());
        std::vector<std::string> added;
        for (const auto& f : shownFiles())
            if (!before.count(f)) added.push_back(f);
        if (added.size() != 1) {
            ADD_FAILURE() << "expected one new workbook, got " << added.size();
            return json();
        }
        return tqtest::ReadWorkbook(added[0]);
    }

    ostest::TempDir show_;
    ostest::TempDir dir_;
    ostest::ScopedEnv showDir_{"TQTOOL_OFFICE_DIR", show_.path().c_str()};
    ostest::ScopedEnv noDesktop_{"TQTOOL_OFFICE_OPEN", "0"};
};

TEST_F(ExcelTableFiles, FreeFormWithFixedCells) {
    tq::TableSet tables{{{kSurvey, "b", "c"}, {"1", kLong, "007"}, {"2"}},
                        {{kSummary, "x"}, {"10", "20"}}};
    json wb = shown([&] { return tq::ExcelTable(tables, Fixed{{area(0, 0, 0, 2)}, {}}); });
    ASSERT_EQ(wb["sheets"].size(), 2u);  // a sheet added after the new workbook's one
    const json& s1 = wb["sheets"][0];
    const json& s2 = wb["sheets"][1];
    EXPECT_EQ(s1["name"], u8(kSurvey));
    EXPECT_EQ(s2["name"], u8(kSummary));
    // A1:C1 merged, keeping A1's text; the other texts of the area dropped.
    EXPECT_EQ(s1["merged"], json::array({"A1:C1"}));
    EXPECT_EQ(cell(s1, "A1")["value"], u8(kSurvey));
    EXPECT_TRUE(cell(s1, "B1")["value"].is_null());
    EXPECT_EQ(cell(s1, "B2")["value"], u8(kLong));
    EXPECT_EQ(cell(s1, "C2")["value"], "007");  // text format: kept as written
    EXPECT_EQ(cell(s1, "C2")["format"], "@");
    EXPECT_EQ(cell(s1, "C2")["h"], "center");
    EXPECT_EQ(cell(s1, "C2")["v"], "center");
    EXPECT_TRUE(cell(s1, "B3")["value"].is_null());  // a short row
    EXPECT_EQ(cell(s2, "B2")["value"], "20");
    EXPECT_TRUE(s2["merged"].empty());
    // Fitted columns: the long Chinese text makes its column wider than a short number's.
    const double narrowA = s1["widths"].contains("A") ? s1["widths"]["A"].get<double>() : 8.43;
    EXPECT_GT(s1["widths"].value("B", 0.0), narrowA + 5);
}

TEST_F(ExcelTableFiles, FreeFormWithRowMarksFillsTheRowTwoBelowWithoutTextFormat) {
    tq::TableSet tables{{{"t1", "t2", "t3"}, {"a"}, {"1", "2", "3", "4"}, {"z"}}};
    json wb = shown([&] { return tq::ExcelTable(tables, Fixed{}, Marks{{0, 5}, {9, 0}}); });
    const json& s = wb["sheets"][0];
    // Mark 0: sheet row 3, columns 1 to the length of table row 0; mark 9 names no row.
    for (const char* ref : {"A3", "B3", "C3"}) EXPECT_EQ(cell(s, ref)["fill"], "FFFFFF00") << ref;
    for (const char* ref : {"D3", "A1", "A2", "A4"}) EXPECT_TRUE(cell(s, ref)["fill"].is_null());
    EXPECT_NE(cell(s, "A1")["format"], "@");
    EXPECT_EQ(cell(s, "D3")["value"].dump(), "4");  // a number without the text format
}

TEST_F(ExcelTableFiles, FreeFormWithActionsMergesWhatEachActionSpans) {
    tq::TableSet tables{
        {{kSurvey, "", "", ""}, {"a", "b", "c", "d"}, {"1", kFan, "3"}, {"4", "5"}, {"7", "8"}}};
    // noAction and an unknown type are skipped; actions outside the table merge nothing.
    Actions actions{{tq::action(tq::unionRow, 0, 0, -1), tq::action(tq::noAction),
                     tq::action(static_cast<tq::actionType>(7), 1, 0, 2),
                     tq::action(tq::unionCol, 1, 2, 5), tq::action(tq::unionRow, 5, 0, -1),
                     tq::action(tq::unionCol, -1, 0, 2)}};
    json wb = shown([&] { return tq::ExcelTable(tables, actions); });
    const json& s = wb["sheets"][0];
    EXPECT_EQ(s["merged"], json::array({"A1:D1", "B3:B5"}));
    EXPECT_EQ(cell(s, "B3")["value"], u8(kFan));
    EXPECT_TRUE(cell(s, "B4")["value"].is_null());
    EXPECT_NE(cell(s, "A2")["format"], "@");
}

TEST_F(ExcelTableFiles, MemberFormsFillAndMergeWithTheTextFormat) {
    tq::CTqExcel x;  // not opened: these forms do not use the object
    tq::TableSet tables{{{"t", "u"}, {"v"}, {"001", "002"}}};
    json marked = shown([&] {
        return x.ExcelTable(tables, Fixed{{area(1, 0, 0, 1)}}, Marks{{0, 0}});
    });
    const json& s = marked["sheets"][0];
    EXPECT_EQ(cell(s, "B3")["fill"], "FFFFFF00");
    EXPECT_EQ(s["merged"], json::array({"A2:B2"}));
    EXPECT_EQ(cell(s, "A3")["value"], "001");

    json acted =
        shown([&] { return x.ExcelTable(tables, Actions{{tq::action(tq::unionCol, 0, 0, -1)}}); });
    const json& a = acted["sheets"][0];
    EXPECT_EQ(a["merged"], json::array({"A1:A3"}));
    EXPECT_EQ(cell(a, "B3")["format"], "@");
}

TEST_F(ExcelTableFiles, OpenWorkbookFormWritesIntoTheObjectsWorkbookForItToSave) {
    const std::string path = dir_.path() + "/" + kKan + ".xlsx";
    tq::CTqExcel x(path);
    ASSERT_TRUE(x.open(false));
    const auto before = shownFiles();
    ASSERT_TRUE(x.ExcelTable(tq::TableSet{{{"old"}, {"", "", "", "gone"}}}, Fixed{}));
    tq::TableSet tables{{{kSurvey, "", ""}, {"k", "v", "w"}, {"1", "2", "3"}},
                        {{kSummary}, {kLong}}};
    ASSERT_TRUE(x.ExcelTable(tables, Fixed{{area(0, 0, 0, 2)}, {area(0, 0, 1, 0)}}));
    EXPECT_EQ(shownFiles(), before);  // neither shown nor saved
    EXPECT_TRUE(x.save());
    x.exit();

    json wb = tqtest::ReadWorkbook(tq::text::pathToOs(path));
    ASSERT_EQ(wb["sheets"].size(), 2u);
    const json& s1 = wb["sheets"][0];
    const json& s2 = wb["sheets"][1];
    EXPECT_EQ(s1["name"], u8(kSurvey));
    EXPECT_EQ(s2["name"], u8(kSummary));
    EXPECT_EQ(s1["merged"], json::array({"A1:C1"}));
    EXPECT_EQ(s2["merged"], json::array({"A1:A2"}));
    EXPECT_EQ(cell(s1, "C3")["value"], "3");
    EXPECT_EQ(cell(s1, "C3")["format"], "@");
    EXPECT_TRUE(cell(s1, "D2")["value"].is_null());  // the first call's text cleared
}

TEST_F(ExcelTableFiles, OpenWorkbookFormRefusedMidwayKeepsWhatItWrote) {
    const std::string path = dir_.path() + "/dup.xlsx";
    tq::CTqExcel x(path);
    ASSERT_TRUE(x.open(false));
    // Both tables would name their sheet "same": the second name is refused.
    EXPECT_THROW(x.ExcelTable(tq::TableSet{{{"same", "1"}}, {{"same", "2"}}}, Fixed{}),
                 tq::AutomationError);
    x.save();
    x.exit();
    json wb = tqtest::ReadWorkbook(path);
    ASSERT_EQ(wb["sheets"].size(), 2u);
    EXPECT_EQ(cell(wb["sheets"][1], "B1")["value"], "2");
}

}  // namespace
