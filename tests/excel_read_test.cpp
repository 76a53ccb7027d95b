// CTqExcel end to end on the embedded spreadsheet engine: workbooks made by openpyxl are read,
// and workbooks written and saved are read back by openpyxl.
#include <gtest/gtest.h>

#include <array>

#include "support/engine_support.h"
#include "support/require.h"
#include "text/text.h"
#include "tqtool/excel.h"
#include "tqtool/export.h"

namespace {

using tqtest::MakeWorkbook;
using tqtest::ReadWorkbook;
using Records = std::vector<std::array<int, 4>>;

// GBK texts (礬 磡 矦 carry ASCII trail bytes).
const std::string kFan = "\xb5\x5c", kKan = "\xb4\x7c", kHou = "\xb3\x40";
const std::string kTitle = "\xb5\xc0\xc2\xb7\xb2\xe2\xc1\xbf" + kFan;  // 道路测量礬
const std::string kStation = "\xd7\xae\xba\xc5";                       // 桩号
const std::string kHeight = "\xb8\xdf\xb3\xcc";                        // 高程
const std::string kNote = "\xb1\xb8\xd7\xa2" + kKan;                   // 备注磡
const std::string kSong = "\xcb\xce\xcc\xe5";                          // 宋体

// A Python string literal holding the GBK text.
std::string py(const std::string& gbk) {
    std::u16string w;
    EXPECT_TRUE(tq::text::gbkToUtf16(gbk, w));
    std::string out = "'";
    for (char16_t ch : w) out += tq::text::format("\\u%04x", static_cast<unsigned>(ch));
    return out + "'";
}

std::string u8(const std::string& gbk) {
    return tq::text::gbkToUtf8(gbk);
}

Records records(const std::vector<tq::STqFixedCellInfo>& v) {
    Records r;
    for (const auto& f : v) r.push_back({f.row, f.col, f.rowExtent, f.colExtent});
    return r;
}

class ExcelRead : public ::testing::Test {
  protected:
    void SetUp() override { TQ_REQUIRE(tqtest::HavePythonModule("openpyxl"), "python3-openpyxl"); }
    // The workbook's path as the library takes it (GBK) and as the file system has it (UTF-8).
    std::string gbkPath(const std::string& name) const { return dir_.path() + "/" + name; }
    std::string osPath(const std::string& name) const { return tq::text::pathToOs(gbkPath(name)); }

    ostest::TempDir dir_;
    ostest::ScopedEnv showDir_{"TQTOOL_OFFICE_DIR", dir_.path().c_str()};
    ostest::ScopedEnv noDesktop_{"TQTOOL_OFFICE_OPEN", "0"};
};

TEST_F(ExcelRead, DefaultStartThenAnotherStart) {
    const std::string name = kFan + ".xlsx";
    MakeWorkbook(osPath(name),
                 "ws['A1'] = " + py(kTitle) + "\nws.append([" + py(kStation) + ", " + py(kHeight) +
                     ", " + py(kNote) + "])\nws.append(['K0+000', 12.5, " + py(kHou) +
                     "])\nws.append(['K0+020', 3, None])\nws.append(['K0+040', -0.25, 'x'])\n");
    tq::CTqExcel x(gbkPath(name));
    ASSERT_TRUE(x.open(true));
    x.setStartRowAndCol(0, 5);  // a start below 1 changes nothing
    x.setStartRowAndCol(3, 0);
    tq::String title;
    x.getTableName(title);
    EXPECT_EQ(title, kTitle);
    EXPECT_EQ(x.getNumRow(), 5);
    EXPECT_EQ(x.getNumCol(), 3);

    tq::StringArray header;
    x.getHeader(header);
    EXPECT_EQ(header, (tq::StringArray{kStation, kHeight, kNote}));
    tq::Table data;
    x.getData(data);
    EXPECT_EQ(data,
              (tq::Table{{"K0+000", "12.5", kHou}, {"K0+020", "3", ""}, {"K0+040", "-0.25", "x"}}));
    x.getAllData(data);
    ASSERT_EQ(data.size(), 5u);
    EXPECT_EQ(data[0], (tq::CellRow{kTitle, "", ""}));
    x.getData({kHeight, kStation}, data);
    EXPECT_EQ(data, (tq::Table{{"12.5", "K0+000"}, {"3", "K0+020"}, {"-0.25", "K0+040"}}));

    // Start (2, 2): offset (0, 0) is B2; the counts stay those of the used range.
    x.setStartRowAndCol(2, 2);
    x.getAllData(data);
    ASSERT_EQ(data.size(), 5u);
    EXPECT_EQ(data[0], (tq::CellRow{kHeight, kNote, ""}));
    EXPECT_EQ(data[4], (tq::CellRow{"", "", ""}));
}

TEST_F(ExcelRead, UsedRangeNotAtA1) {
    MakeWorkbook(osPath("c3.xlsx"), "ws['C3'] = " + py(kTitle) +
                                        "\nws['C4'] = 'a'\nws['D4'] = 'b'\nws['E4'] = 'c'" +
                                        "\nws['C5'] = 1\nws['E6'] = " + py(kKan) + "\n");
    tq::CTqExcel x(gbkPath("c3.xlsx"));
    ASSERT_TRUE(x.open(true));
    // Right after open the offsets count from the used range's first cell ...
    tq::String v;
    x.getTableName(v);
    EXPECT_EQ(v, kTitle);
    EXPECT_EQ(x.getNumRow(), 4);
    EXPECT_EQ(x.getNumCol(), 3);
    // ... after counting, from A1.
    x.getTableName(v);
    EXPECT_EQ(v, "");
    x.setStartRowAndCol(3, 3);
    x.getTableName(v);
    EXPECT_EQ(v, kTitle);
    tq::StringArray header;
    x.getHeader(header);
    EXPECT_EQ(header, (tq::StringArray{"a", "b", "c"}));
    tq::Table data;
    x.getData(data);
    EXPECT_EQ(data, (tq::Table{{"1", "", ""}, {"", "", kKan}}));
}

TEST_F(ExcelRead, DuplicateAndEmptyHeadersBlankRowsUnknownNames) {
    MakeWorkbook(osPath("dup.xlsx"),
                 "ws['A1'] = 'T'\nws.append(['a', None, 'a', 'b'])\n"
                 "ws.append([1, 'x', 2, 'y'])\nws.append([])\nws.append([3, None, 4, 'z'])\n"
                 "ws['D4'] = None\nws['A6'] = None\nws['B6'] = 'only'\n");
    tq::CTqExcel x(gbkPath("dup.xlsx"));
    ASSERT_TRUE(x.open(true));
    tq::CTqExcel::ColumnMap map;
    x.getHeader(map);
    EXPECT_EQ(map, (tq::CTqExcel::ColumnMap{{"", 1}, {"a", 0}, {"b", 3}}));

    // Every data row, the blank one in the middle included.
    tq::Table data;
    x.getData(data);
    EXPECT_EQ(data.size(), 4u);
    EXPECT_EQ(data[1], (tq::CellRow{"", "", "", ""}));

    // By names: the title row gives one name only, so the names come from the header row (the
    // title stays a key); duplicates keep the leftmost column; rows whose picked cells are all
    // empty are left out; an unknown name gives "".
    x.getData({"b", "a", "zz", "a"}, data);
    EXPECT_EQ(data, (tq::Table{{"y", "1", "", "1"}, {"z", "3", "", "3"}}));
    x.getData({"zz"}, data);
    EXPECT_TRUE(data.empty());
    x.getData({"T"}, data);
    EXPECT_EQ(data, (tq::Table{{"1"}, {"3"}}));
}

TEST_F(ExcelRead, SheetsOfOneOrTwoRowsHaveNoData) {
    MakeWorkbook(osPath("one.xlsx"), "ws.append(['t1', 't2'])\n");
    MakeWorkbook(osPath("two.xlsx"), "ws.append(['t1', 't2'])\nws.append(['h1', 'h2'])\n");
    for (auto [name, rows] : {std::pair{"one.xlsx", 1u}, std::pair{"two.xlsx", 2u}}) {
        tq::CTqExcel x(gbkPath(name));
        ASSERT_TRUE(x.open(true));
        tq::Table data{{"stale"}};
        x.getData(data);
        EXPECT_TRUE(data.empty()) << name;
        x.getData({"t1", "h1"}, data);
        EXPECT_TRUE(data.empty()) << name;
        x.getAllData(data);
        EXPECT_EQ(data.size(), rows);
    }
}

TEST_F(ExcelRead, MergedAreasInsideAndAcrossTheScannedRectangle) {
    MakeWorkbook(osPath("merged.xlsx"),
                 "ws['A1'] = " + py(kFan) +
                     "\nws.merge_cells('A1:B2')\nws['C1'] = 'c'\nws.merge_cells('C1:C5')\n"
                     "ws['E7'] = 'e'\nws.merge_cells('E7:F8')\n");
    tq::CTqExcel x(gbkPath("merged.xlsx"));
    ASSERT_TRUE(x.open(true));
    tq::Table t{{"a", "b"}, {"c", "d"}};
    std::vector<tq::STqFixedCellInfo> merged(1);  // records already there stay in front
    x.getMegeCell(t, merged);
    EXPECT_EQ(records(merged), (Records{{0, 0, 0, 0},
                                        {1, 1, 2, 2},
                                        {1, 2, 2, 2},
                                        {1, 3, 5, 1},
                                        {2, 1, 2, 2},
                                        {2, 2, 2, 2},
                                        {2, 3, 5, 1},
                                        {3, 3, 5, 1}}));
    // The merged area shows its top-left cell's text.
    tq::String v;
    x.read(0, 0, v);
    EXPECT_EQ(v, kFan);
}

TEST_F(ExcelRead, ThreeSheetWorkbookAndTemplate) {
    MakeWorkbook(osPath("three.xlsx"),
                 "ws.title = 'S1'\nws['A1'] = 'one'\n"
                 "wb.create_sheet('S2')['A1'] = 'two'\nwb.create_sheet('S3')['A1'] = 'three'\n");
    tq::CTqExcel x(gbkPath("three.xlsx"));
    ASSERT_TRUE(x.open(true));
    tq::String v;
    x.getTableName(v);
    EXPECT_EQ(v, "one");
    x.exit();
    auto before = ReadWorkbook(osPath("three.xlsx"));
    EXPECT_EQ(before["sheets"].size(), 3u);

    // open(false) builds a new workbook on the file as template and keeps its first sheet only;
    // saving writes it under the object's path.
    ASSERT_TRUE(x.open(false));
    x.save();
    x.exit();
    auto after = ReadWorkbook(osPath("three.xlsx"));
    ASSERT_EQ(after["sheets"].size(), 1u);
    EXPECT_EQ(after["sheets"][0]["cells"]["A1"]["value"], "one");
}

TEST_F(ExcelRead, WritingAndSavingANewWorkbook) {
    const std::string name = kHou + ".xlsx";
    tq::CTqExcel x(gbkPath(name));
    ASSERT_TRUE(x.open(false));  // the file does not exist yet
    tq::TableSet tables{{{kTitle, "", ""}, {kStation, kHeight, kNote}, {"007", "12.50", kKan}}};
    ASSERT_TRUE(x.ExcelTable(tables, std::vector<std::vector<tq::STqFixedCellInfo>>{}));
    x.setColWidth(3, 20);
    x.setFont(kSong);
    x.setFontSize(14);
    EXPECT_TRUE(x.save());
    x.exit();

    auto wb = ReadWorkbook(osPath(name));
    ASSERT_EQ(wb["sheets"].size(), 1u);
    const auto& s = wb["sheets"][0];
    EXPECT_EQ(s["name"], u8(kTitle));
    // 20 characters (the file stores the width with the cell padding, as Excel does).
    EXPECT_GE(s["widths"]["C"].get<double>(), 20.0);
    EXPECT_LT(s["widths"]["C"].get<double>(), 21.0);
    const auto& a3 = s["cells"]["A3"];
    // Text stays text: leading zeros and trailing decimals are kept.
    EXPECT_EQ(a3["value"], "007");
    EXPECT_EQ(s["cells"]["B3"]["value"], "12.50");
    EXPECT_EQ(a3["format"], "@");
    EXPECT_EQ(a3["font"], u8(kSong));
    EXPECT_DOUBLE_EQ(a3["size"].get<double>(), 14.0);
    EXPECT_EQ(s["cells"]["C3"]["value"], u8(kKan));
}

TEST_F(ExcelRead, ColumnMapSurvivesExitAndReopenCopiesShareTheWorkbook) {
    MakeWorkbook(osPath("k.xlsx"),
                 "ws.append(['k1', 'k2'])\nws.append(['h', 'h'])\nws.append([1, 2])\n");
    tq::CTqExcel x(gbkPath("k.xlsx"));
    ASSERT_TRUE(x.open(true));
    tq::Table data;
    x.getData({"k2"}, data);
    EXPECT_EQ(data, (tq::Table{{"2"}}));
    x.exit();

    // The file now has the names the other way round: the object keeps the columns it learnt.
    MakeWorkbook(osPath("k.xlsx"),
                 "ws.append(['k2', 'k1'])\nws.append(['h', 'h'])\nws.append([3, 4])\n");
    ASSERT_TRUE(x.open(true));
    tq::CTqExcel& self = x;
    x = self;
    x.getData({"k2"}, data);
    EXPECT_EQ(data, (tq::Table{{"4"}}));

    // A copy drives the same workbook: closing it through the copy closes it for both.
    {
        tq::CTqExcel copy(x);
        copy.getData({"k1"}, data);
        EXPECT_EQ(data, (tq::Table{{"3"}}));
        copy.exit();
    }
    EXPECT_THROW(x.getNumRow(), tq::AutomationError);
    // Closing it again is refused, but the object lets it go and can open again.
    EXPECT_THROW(x.exit(), tq::AutomationError);
    x.exit();
    ASSERT_TRUE(x.open(true));
    x.getData({"k1"}, data);
    EXPECT_EQ(data, (tq::Table{{"3"}}));
}

TEST_F(ExcelRead, ReadingAFarCellIsRefusedBeforeAnyCellIsRead) {
    MakeWorkbook(osPath("far.xlsx"), "ws['A1'] = 't'\nws['XFD4068'] = 'far'\n");
    tq::CTqExcel x(gbkPath("far.xlsx"));
    ASSERT_TRUE(x.open(true));
    tq::Table data;
    try {
        x.getAllData(data);
        FAIL() << "read " << data.size() << " rows";
    } catch (const tq::AutomationError& e) {
        EXPECT_NE(std::string(e.what()).find("A1:XFD4068 of '" + gbkPath("far.xlsx") +
                                             "' holds 66,650,112 cells, more than the limit of "
                                             "50,000,000"),
                  std::string::npos)
            << e.what();
    }
}

TEST_F(ExcelRead, DateFormattedNumberOutsideTheDatesReadsAsItsNumber) {
    MakeWorkbook(osPath("far_date.xlsx"),
                 "ws['A1'] = 't'\nws['A2'] = 'h'\nws['A3'] = -1e308\n"
                 "ws['A3'].number_format = 'yyyy/m/d'\n");
    tq::CTqExcel x(gbkPath("far_date.xlsx"));
    ASSERT_TRUE(x.open(true));
    tq::Table data;
    x.getData(data);
    EXPECT_EQ(data, (tq::Table{{"-1E+308"}}));
    x.exit();
}

}  // namespace
