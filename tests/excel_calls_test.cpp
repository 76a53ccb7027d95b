// Call sequences of CTqExcel against a scripted spreadsheet server: what each member sends, with
// which argument types, and which range it leaves current.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/excel_recorder.h"
#include "support/os_support.h"
#include "text/text.h"
#include "tqtool/excel.h"
#include "tqtool/messagebox.h"

namespace {

using excel_rec::join;
using Lines = std::vector<std::string>;

// 礬 (trail byte 0x5C) and 磡 (trail byte 0x7C) in a path: neither may be taken for a separator.
const std::string kName = "\xb5\x5c\xb4\x7c.xlsx";
const std::string kNoOffice =
    "\xc4\xfa\xc3\xbb\xd3\xd0\xb0\xb2\xd7\xb0"
    "OFFICE"
    "\xa3\xac\xb4\xcb\xb9\xa6\xc4\xdc\xb2\xbb\xc4\xdc\xd6\xb4\xd0\xd0\xa3\xa1";

struct Box {
    std::string text, caption;
    unsigned flags;
};

class ExcelCalls : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = tmp_.path();
        existing_ = tq::text::pathFromOs(dir_.string()) + "/" + kName;
        std::ofstream(tq::text::pathToOs(existing_)) << "x";
        missing_ = tq::text::pathFromOs(dir_.string()) + "/none.xlsx";
        previous_ =
            tq::SetMessageBoxHandler([this](const tq::String& text, const tq::String& caption,
                                            unsigned flags, tq::WindowHandle) {
                boxes_.push_back({text, caption, flags});
                return tq::mb::IDOK;
            });
    }
    void TearDown() override { tq::SetMessageBoxHandler(previous_); }
    Lines since(size_t from) const { return server_.callsFrom(from); }

    excel_rec::Server server_;
    ostest::TempDir tmp_;
    std::filesystem::path dir_;
    std::string existing_, missing_;
    std::vector<Box> boxes_;
    tq::MessageBoxHandler previous_;
};

const std::string kOpenPrologue[] = {"App.UserControl=(BOOL 0)", "App.DisplayAlerts=(BOOL 0)",
                                     "App.Workbooks"};

Lines prologue() {
    return Lines(std::begin(kOpenPrologue), std::end(kOpenPrologue));
}

Lines concat(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(ExcelCalls, OpenForReadingOpensReadOnlyAndTakesUsedRangeOfSheetOne) {
    server_.script().sheetCount = 3;
    tq::CTqExcel x(existing_);
    ASSERT_TRUE(x.open(true));
    const Lines want = concat(
        prologue(), {
                        "Workbooks.Open(BSTR \"" + existing_ + "\", MISSING, BOOL -1, MISSING x10)",
                        "Book1.Worksheets",
                        "Sheets.Item(I4 1)",
                        "Sheet1.UsedRange",
                    });
    EXPECT_EQ(join(server_.log()), join(want));
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(server_.started(), 1);

    // The current range is the used range: clear() clears it.
    const size_t mark = server_.log().size();
    EXPECT_TRUE(x.clear());
    EXPECT_EQ(join(since(mark)), join({"Sheet1.UsedRange.Clear()"}));

    // Closing sends the path as the file name; a second exit sends nothing more.
    const size_t mark2 = server_.log().size();
    x.exit();
    x.exit();
    EXPECT_EQ(join(since(mark2)),
              join({"Book1.Close(MISSING, BSTR \"" + existing_ + "\", MISSING)"}));
}

TEST_F(ExcelCalls, OpenForWritingKeepsOneTextFormattedSheet) {
    for (int sheets : {1, 3}) {
        SCOPED_TRACE(sheets);
        server_.script().sheetCount = sheets;
        server_.clearLog();
        tq::CTqExcel x(missing_);
        ASSERT_TRUE(x.open(false));
        Lines want =
            concat(prologue(),
                   {"Workbooks.Add(MISSING)",
                    "Book" + std::to_string(sheets == 1 ? 1 : 2) + ".Worksheets", "Sheets.Count"});
        for (int i = 1; i < sheets; ++i) {
            want.push_back("Sheets.Item(I4 2)");
            want.push_back("Sheet2.Delete()");
        }
        want.insert(want.end(), {"Sheets.Item(I4 1)", "Sheet1.Cells",
                                 "Sheet1.Cells.NumberFormat=(BSTR \"@\")"});
        EXPECT_EQ(join(server_.log()), join(want));
        // A second object attaches to the server the first started.
        EXPECT_EQ(server_.started(), 1);
    }
}

TEST_F(ExcelCalls, OpenForWritingOnAnExistingFileUsesItAsTemplate) {
    tq::CTqExcel x(existing_);
    ASSERT_TRUE(x.open(false));
    EXPECT_EQ(server_.log().at(3), "Workbooks.Add(BSTR \"" + existing_ + "\")");

    // Saving: the path as file name, AccessMode the plain integer 0, the rest omitted.
    const size_t mark = server_.log().size();
    EXPECT_TRUE(x.save());
    EXPECT_EQ(join(since(mark)),
              join({"Book1.SaveAs(BSTR \"" + existing_ + "\", MISSING x5, I4 0, MISSING x4)"}));

    // Opening again closes the first workbook before the second is opened.
    const size_t mark2 = server_.log().size();
    ASSERT_TRUE(x.open(true));
    const Lines after = since(mark2);
    ASSERT_GE(after.size(), 2u);
    EXPECT_EQ(after[0], "Book1.Close(MISSING, BSTR \"" + existing_ + "\", MISSING)");
    EXPECT_EQ(after[4],
              "Workbooks.Open(BSTR \"" + existing_ + "\", MISSING, BOOL -1, MISSING x10)");
}

TEST_F(ExcelCalls, OpenForReadingAMissingOrEmptyPathFailsQuietly) {
    for (const std::string& path : {missing_, std::string()}) {
        SCOPED_TRACE(path);
        server_.clearLog();
        tq::CTqExcel x(path);
        EXPECT_FALSE(x.open(true));
        // The server stays attached with alerts and user control off; nothing is opened.
        EXPECT_EQ(join(server_.log()), join(prologue()));
        // Nothing is open: the members send nothing and give empty results.
        EXPECT_TRUE(x.save());
        EXPECT_TRUE(x.clear());
        EXPECT_EQ(x.getNumRow(), 0);
        tq::Table t{{"a"}};
        std::vector<tq::STqFixedCellInfo> merged;
        x.getMegeCell(t, merged);
        EXPECT_TRUE(merged.empty());
        x.setFontSize(12);
        x.setColWidth(1, 10);
        x.exit();
        EXPECT_EQ(join(server_.log()), join(prologue()));
    }
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(ExcelCalls, FreshObjectExitSendsNothing) {
    tq::CTqExcel x;
    x.exit();
    EXPECT_TRUE(server_.log().empty());
    EXPECT_EQ(server_.started(), 0);
}

TEST_F(ExcelCalls, ReadingCountsAndCurrentRange) {
    auto& s = server_.script();
    s.usedTop = 2;
    s.usedLeft = 3;
    s.usedRows = 4;
    s.usedCols = 2;
    s.cells[{2, 3}] = "\xb3\x40";  // 矦: the used range's top-left cell
    s.cells[{1, 1}] = "A1";
    s.cells[{4, 5}] = "E4";
    tq::CTqExcel x(existing_);
    ASSERT_TRUE(x.open(true));

    // Right after open(true) offsets count from the used range's top-left cell.
    size_t mark = server_.log().size();
    tq::String name;
    x.getTableName(name);
    EXPECT_EQ(name, "\xb3\x40");
    EXPECT_EQ(join(since(mark)),
              join({"Sheet1.UsedRange.Item(I4 1, I4 1)", "Sheet1.UsedRange[1,1].<value>"}));

    mark = server_.log().size();
    EXPECT_EQ(x.getNumRow(), 4);
    EXPECT_EQ(join(since(mark)), join({"Sheet1.UsedRange", "Sheet1.UsedRange.Rows",
                                       "Sheet1.UsedRange.Rows.Count", "Sheet1.Cells"}));
    mark = server_.log().size();
    EXPECT_EQ(x.getNumCol(), 2);
    EXPECT_EQ(join(since(mark)), join({"Sheet1.UsedRange", "Sheet1.UsedRange.Columns",
                                       "Sheet1.UsedRange.Columns.Count", "Sheet1.Cells"}));

    // Now the current range is all cells: offset (0, 0) is A1.
    x.getTableName(name);
    EXPECT_EQ(name, "A1");

    // A start of (3, 2) makes offset (1, 3) the cell E4; offsets are 32-bit sums.
    x.setStartRowAndCol(0, 5);
    x.setStartRowAndCol(3, 0);
    mark = server_.log().size();
    x.read(0, 0, name);
    EXPECT_EQ(since(mark).at(0), "Sheet1.Cells.Item(I4 1, I4 1)");
    x.setStartRowAndCol(3, 2);
    mark = server_.log().size();
    x.read(1, 3, name);
    EXPECT_EQ(name, "E4");
    EXPECT_EQ(since(mark).at(0), "Sheet1.Cells.Item(I4 4, I4 5)");

    mark = server_.log().size();
    EXPECT_TRUE(x.clear());
    EXPECT_EQ(join(since(mark)), join({"Sheet1.Cells.Clear()"}));
}

TEST_F(ExcelCalls, HeaderFormsAskTheColumnCountBeforeEveryColumn) {
    auto& s = server_.script();
    s.usedRows = 3;
    s.usedCols = 3;
    s.cells[{2, 1}] = "x";
    s.cells[{2, 2}] = "y";
    s.cells[{2, 3}] = "x";
    tq::CTqExcel x(existing_);
    ASSERT_TRUE(x.open(true));

    size_t mark = server_.log().size();
    tq::StringArray list{"stale"};
    x.getHeader(list);
    EXPECT_EQ(list, (tq::StringArray{"x", "y", "x"}));
    const Lines count = {"Sheet1.UsedRange", "Sheet1.UsedRange.Columns",
                         "Sheet1.UsedRange.Columns.Count", "Sheet1.Cells"};
    Lines want;
    for (int c = 1; c <= 3; ++c) {
        want = concat(want, count);
        want.push_back("Sheet1.Cells.Item(I4 2, I4 " + std::to_string(c) + ")");
        want.push_back("Sheet1.Cells[2," + std::to_string(c) + "].<value>");
    }
    want = concat(want, count);
    EXPECT_EQ(join(since(mark)), join(want));

    mark = server_.log().size();
    tq::CTqExcel::ColumnMap map{{"stale", 9}};
    x.getHeader(map);
    EXPECT_EQ(map, (tq::CTqExcel::ColumnMap{{"x", 0}, {"y", 1}}));
    EXPECT_EQ(join(since(mark)), join(want));
}

TEST_F(ExcelCalls, InitColIndexFallsBackToTheHeaderRowAndKeepsEarlierNames) {
    auto& s = server_.script();
    s.usedRows = 5;
    s.usedCols = 3;
    s.cells[{1, 1}] = "\xb1\xed";  // a title only in row 1
    s.cells[{2, 1}] = "a";
    s.cells[{2, 2}] = "b";
    s.cells[{2, 3}] = "a";
    tq::CTqExcel x(existing_);
    ASSERT_TRUE(x.open(true));
    size_t mark = server_.log().size();
    EXPECT_TRUE(x.initColIndex());
    Lines want = {"Sheet1.UsedRange", "Sheet1.UsedRange.Columns", "Sheet1.UsedRange.Columns.Count",
                  "Sheet1.Cells"};
    for (int row : {1, 2})
        for (int c = 1; c <= 3; ++c) {
            want.push_back("Sheet1.Cells.Item(I4 " + std::to_string(row) + ", I4 " +
                           std::to_string(c) + ")");
            want.push_back("Sheet1.Cells[" + std::to_string(row) + "," + std::to_string(c) +
                           "].<value>");
        }
    EXPECT_EQ(join(since(mark)), join(want));

    // Data by names: one cell per name (unknown names give ""), empty rows left out, the map kept
    // across calls (the title stays a key for its column).
    s.cells[{3, 1}] = "1";
    s.cells[{3, 2}] = "2";
    s.cells[{5, 2}] = "4";
    tq::Table data{{"stale"}};
    x.getData({"b", "nope", "a", "b"}, data);
    EXPECT_EQ(data, (tq::Table{{"2", "", "1", "2"}, {"4", "", "", "4"}}));
    tq::Table titled;
    x.getData({"\xb1\xed"}, titled);
    EXPECT_EQ(titled, (tq::Table{{"1"}}));
}

TEST_F(ExcelCalls, DataFormsReadRowByRow) {
    auto& s = server_.script();
    s.usedRows = 3;
    s.usedCols = 2;
    s.cells[{1, 1}] = "t";
    s.cells[{3, 2}] = "v";
    tq::CTqExcel x(existing_);
    ASSERT_TRUE(x.open(true));

    size_t mark = server_.log().size();
    tq::Table data{{"stale"}};
    x.getData(data);
    EXPECT_EQ(data, (tq::Table{{"", "v"}}));
    EXPECT_EQ(join(since(mark)),
              join({"Sheet1.UsedRange", "Sheet1.UsedRange.Rows", "Sheet1.UsedRange.Rows.Count",
                    "Sheet1.Cells", "Sheet1.UsedRange", "Sheet1.UsedRange.Columns",
                    "Sheet1.UsedRange.Columns.Count", "Sheet1.Cells",
                    "Sheet1.Cells.Item(I4 3, I4 1)", "Sheet1.Cells[3,1].<value>",
                    "Sheet1.Cells.Item(I4 3, I4 2)", "Sheet1.Cells[3,2].<value>"}));

    x.getAllData(data);
    EXPECT_EQ(data, (tq::Table{{"t", ""}, {"", ""}, {"", "v"}}));

    // One row: getData gives nothing without reading a cell; getAllData the one row.
    s.usedRows = 1;
    mark = server_.log().size();
    x.getData(data);
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(since(mark).size(), 4u);
    x.getAllData(data);
    EXPECT_EQ(data, (tq::Table{{"t", ""}}));
    s.usedRows = 2;
    x.getData(data);
    EXPECT_TRUE(data.empty());
    x.getData({"t"}, data);
    EXPECT_TRUE(data.empty());

    EXPECT_TRUE(x.IsRowEmpty({}));
    EXPECT_TRUE(x.IsRowEmpty({"", ""}));
    EXPECT_FALSE(x.IsRowEmpty({"", " "}));
}

TEST_F(ExcelCalls, GetDataByNamesWithNoNamesReadsNoDataRow) {
    auto& s = server_.script();
    s.usedRows = 6;
    s.usedCols = 2;
    s.cells[{4, 1}] = "data";
    tq::CTqExcel x(existing_);
    ASSERT_TRUE(x.open(true));
    tq::Table data{{"stale"}};
    const size_t mark = server_.log().size();
    x.getData({"a"}, data);
    EXPECT_TRUE(data.empty());
    for (const auto& line : since(mark))
        EXPECT_EQ(line.find("Cells.Item(I4 3"), std::string::npos) << line;
}

TEST_F(ExcelCalls, GetMegeCellScansOneRowAndColumnBeyondTheTable) {
    auto& s = server_.script();
    s.merges = {{1, 1, 2, 2}, {1, 3, 5, 3}};
    tq::CTqExcel x(existing_);
    ASSERT_TRUE(x.open(true));

    // An empty table sends nothing and leaves the output alone.
    tq::Table empty;
    std::vector<tq::STqFixedCellInfo> merged(1);
    size_t mark = server_.log().size();
    x.getMegeCell(empty, merged);
    EXPECT_EQ(merged.size(), 1u);
    EXPECT_EQ(server_.log().size(), mark);

    // One row without strings: A1 and A2.
    tq::Table oneEmptyRow{{}};
    x.getMegeCell(oneEmptyRow, merged);
    const Lines a1 = {"Sheet1.Cells",
                      "Sheet1.Cells.Item(I4 1, I4 1)",
                      "Sheet1.Cells[1,1].MergeCells",
                      "Sheet1.Cells[1,1].MergeArea",
                      "Sheet1.Cells[1,1].MergeArea.Rows",
                      "Sheet1.Cells[1,1].MergeArea.Rows.Count",
                      "Sheet1.Cells[1,1].MergeArea.Columns",
                      "Sheet1.Cells[1,1].MergeArea.Columns.Count"};
    Lines want =
        concat(a1, {"Sheet1.Cells", "Sheet1.Cells.Item(I4 2, I4 1)", "Sheet1.Cells[2,1].MergeCells",
                    "Sheet1.Cells[2,1].MergeArea", "Sheet1.Cells[2,1].MergeArea.Rows",
                    "Sheet1.Cells[2,1].MergeArea.Rows.Count", "Sheet1.Cells[2,1].MergeArea.Columns",
                    "Sheet1.Cells[2,1].MergeArea.Columns.Count"});
    EXPECT_EQ(join(since(mark)), join(want));
    ASSERT_EQ(merged.size(), 3u);

    // A 2 x 2 table: rows 1..3, columns 1..3 in row-major order; records appended.
    tq::Table t{{"a", "b"}, {"c"}};
    x.getMegeCell(t, merged);
    std::vector<std::array<int, 4>> got;
    for (size_t i = 3; i < merged.size(); ++i)
        got.push_back({merged[i].row, merged[i].col, merged[i].rowExtent, merged[i].colExtent});
    const std::vector<std::array<int, 4>> expect = {{1, 1, 2, 2}, {1, 2, 2, 2}, {1, 3, 5, 1},
                                                    {2, 1, 2, 2}, {2, 2, 2, 2}, {2, 3, 5, 1},
                                                    {3, 3, 5, 1}};
    EXPECT_EQ(got, expect);

    // The current range is all cells afterwards.
    mark = server_.log().size();
    x.clear();
    EXPECT_EQ(join(since(mark)), join({"Sheet1.Cells.Clear()"}));
}

TEST_F(ExcelCalls, Formatting) {
    tq::CTqExcel x(missing_);
    ASSERT_TRUE(x.open(false));
    size_t mark = server_.log().size();
    x.setColWidth(3, 20);
    EXPECT_EQ(join(since(mark)), join({"Sheet1.Cells.Item(I4 3, MISSING)",
                                       "Sheet1.Cells[3].ColumnWidth=(INT 20)", "Sheet1.Cells"}));
    mark = server_.log().size();
    x.setFontSize(65547);  // only the low 16 bits pass
    x.setFont(std::string("\xcb\xce\xcc\xe5\0Arial", 10));
    EXPECT_EQ(join(since(mark)),
              join({"Sheet1.Cells.Font", "Sheet1.Cells.Font.Size=(I2 11)", "Sheet1.Cells.Font",
                    "Sheet1.Cells.Font.Name=(BSTR \"\xcb\xce\xcc\xe5\")"}));

    // Right after open(true) the font setters address the used range.
    tq::CTqExcel r(existing_);
    ASSERT_TRUE(r.open(true));
    mark = server_.log().size();
    r.setFontSize(9);
    EXPECT_EQ(since(mark).at(0), "Sheet1.UsedRange.Font");
}

TEST_F(ExcelCalls, RejectedCallsLeaveWhatWasDoneInPlace) {
    server_.script().failing = {"Workbook.SaveAs", "Range.ColumnWidth"};
    tq::CTqExcel x(missing_);
    ASSERT_TRUE(x.open(false));
    EXPECT_THROW(x.save(), tq::AutomationError);
    EXPECT_THROW(x.setColWidth(2, 5), tq::AutomationError);
    // The current range stays at the single cell of the failed call.
    const size_t mark = server_.log().size();
    x.clear();
    EXPECT_EQ(join(since(mark)), join({"Sheet1.Cells[2].Clear()"}));

    // An error value in a cell has no text: the exception leaves with the rows read so far kept.
    server_.script().failing = {"Range.<value>"};
    server_.script().usedRows = 2;
    server_.script().usedCols = 1;
    tq::Table data;
    EXPECT_THROW(x.getAllData(data), tq::AutomationError);
    EXPECT_TRUE(data.empty());
}

TEST_F(ExcelCalls, CopiesShareTheWorkbookAndKeepTheirOwnState) {
    auto& s = server_.script();
    s.usedRows = 3;
    s.usedCols = 2;
    s.cells[{1, 1}] = "k1";
    s.cells[{1, 2}] = "k2";
    tq::CTqExcel a(existing_);
    ASSERT_TRUE(a.open(true));
    a.initColIndex();
    a.setStartRowAndCol(1, 1);

    tq::CTqExcel b(a);
    // exit on the copy closes the shared workbook; the original still holds its references.
    size_t mark = server_.log().size();
    b.exit();
    EXPECT_EQ(join(since(mark)),
              join({"Book1.Close(MISSING, BSTR \"" + existing_ + "\", MISSING)"}));
    mark = server_.log().size();
    a.clear();
    EXPECT_EQ(join(since(mark)), join({"Sheet1.Cells.Clear()"}));

    // The column map survives exit and a later open, and self-assignment.
    a.exit();
    ASSERT_TRUE(a.open(true));
    tq::CTqExcel& self = a;
    a = self;
    s.cells.clear();
    s.cells[{3, 2}] = "v";
    tq::Table data;
    a.getData({"k2"}, data);
    EXPECT_EQ(data, (tq::Table{{"v"}}));

    // Assignment takes the other's objects and map.
    tq::CTqExcel c;
    c = a;
    data.clear();
    c.getData({"k2"}, data);
    EXPECT_EQ(data, (tq::Table{{"v"}}));

    // Destruction closes nothing.
    mark = server_.log().size();
    { tq::CTqExcel d(a); }
    EXPECT_EQ(server_.log().size(), mark);
}

}  // namespace
