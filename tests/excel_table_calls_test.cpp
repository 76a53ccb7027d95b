// Call sequences of the six ExcelTable forms against a scripted spreadsheet server.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/excel_recorder.h"
#include "tqtool/excel.h"
#include "tqtool/export.h"
#include "tqtool/messagebox.h"

namespace {

using excel_rec::join;
using Lines = std::vector<std::string>;
using Fixed = std::vector<std::vector<tq::STqFixedCellInfo>>;
using Actions = std::vector<std::vector<tq::action>>;
using Marks = std::vector<std::pair<int32_t, int32_t>>;

const std::string kNoOffice =
    "\xc4\xfa\xc3\xbb\xd3\xd0\xb0\xb2\xd7\xb0"
    "OFFICE"
    "\xa3\xac\xb4\xcb\xb9\xa6\xc4\xdc\xb2\xbb\xc4\xdc\xd6\xb4\xd0\xd0\xa3\xa1";
// 礬 (trail byte 0x5C), 磡 (0x7C), 矦 (0x40) as cell texts and sheet names.
const std::string kT1 = "\xb5\x5c";
const std::string kT2 = "\xb4\x7c";
const std::string kT3 = "\xb3\x40";

tq::STqFixedCellInfo fixedCell(int row, int col, int rowExtent, int colExtent) {
    tq::STqFixedCellInfo f;
    f.row = row;
    f.col = col;
    f.rowExtent = rowExtent;
    f.colExtent = colExtent;
    return f;
}

Lines matching(const Lines& lines, const std::string& part) {
    Lines out;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(out),
                 [&](const std::string& l) { return l.find(part) != std::string::npos; });
    return out;
}

// The calls that write one cell (r, c) of Sheet<s> with `text`.
Lines writeCell(int s, int r, int c, const std::string& text) {
    const std::string cell =
        "Sheet" + std::to_string(s) + ".Cells[" + std::to_string(r) + "," + std::to_string(c) + "]";
    return {"Sheet" + std::to_string(s) + ".Cells.Item(I4 " + std::to_string(r) + ", I4 " +
                std::to_string(c) + ")",
            cell + ".Item=(I2 1, I2 1, BSTR \"" + text + "\")"};
}

Lines concat(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class ExcelTableCalls : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = tq::SetMessageBoxHandler(
            [this](const tq::String& text, const tq::String&, unsigned flags, tq::WindowHandle) {
                boxes_.push_back({text, flags});
                return tq::mb::IDOK;
            });
    }
    void TearDown() override { tq::SetMessageBoxHandler(previous_); }
    const Lines& log() const { return server_.log(); }

    excel_rec::Server server_;
    std::vector<std::pair<std::string, unsigned>> boxes_;
    tq::MessageBoxHandler previous_;
};

TEST_F(ExcelTableCalls, EmptyTableSetStillAddsSelectsAndShowsAWorkbook) {
    ASSERT_TRUE(tq::ExcelTable(tq::TableSet{}, Fixed{}));
    EXPECT_EQ(join(log()), join({"App.Workbooks", "Workbooks.Add(MISSING)", "Book1.Sheets",
                                 "Sheets.Count", "Sheets.Select(I2 1)", "App.Visible=(BOOL -1)"}));
    EXPECT_TRUE(boxes_.empty());

    server_.clearLog();
    ASSERT_TRUE(tq::ExcelTable(tq::TableSet{}, Actions{}));
    ASSERT_TRUE(tq::ExcelTable(tq::TableSet{}, Fixed{}, Marks{{0, 0}}));
    tq::CTqExcel member;
    ASSERT_TRUE(member.ExcelTable(tq::TableSet{}, Actions{}));
    ASSERT_TRUE(member.ExcelTable(tq::TableSet{}, Fixed{}, Marks{}));
    EXPECT_EQ(matching(log(), "Workbooks.Add").size(), 4u);
    EXPECT_EQ(matching(log(), "App.Visible=(BOOL -1)").size(), 4u);
    // One server serves every call.
    EXPECT_EQ(server_.started(), 1);
}

TEST_F(ExcelTableCalls, OneTableFullSequenceWithFixedCells) {
    // The record {0, 0, 0, 2} merges A1:C1 and keeps A1's text.
    tq::TableSet tables{{{kT1, "b", "c"}, {"d"}}};
    ASSERT_TRUE(tq::ExcelTable(tables, Fixed{{fixedCell(0, 0, 0, 2)}}));
    Lines want = {"App.Workbooks",
                  "Workbooks.Add(MISSING)",
                  "Book1.Sheets",
                  "Sheets.Count",
                  "Sheets.Item(I2 1)",
                  "Sheet1.Cells",
                  "Sheet1.Cells.HorizontalAlignment=(I2 -4108)",
                  "Sheet1.Cells.VerticalAlignment=(I2 -4108)",
                  "Sheet1.Cells.NumberFormatLocal=(BSTR \"@\")"};
    want = concat(want, writeCell(1, 1, 1, kT1));
    want = concat(want, writeCell(1, 1, 2, "b"));
    want = concat(want, writeCell(1, 1, 3, "c"));
    want = concat(want, writeCell(1, 2, 1, "d"));
    want = concat(
        want,
        {"Sheet1.Cells.Item(I4 1, I4 1)", "Sheet1.Cells[1,1].Value",
         "Sheet1.Cells[1,1].Resize(I4 1, I4 3)", "Sheet1.Cells[1,1].Resize.ClearContents()",
         "Sheet1.Cells[1,1].Resize.Merge(I4 0)",
         "Sheet1.Cells[1,1].Resize.Value=(BSTR \"" + kT1 + "\")", "Sheet1.Rows",
         "Sheet1.Rows.AutoFit()", "Sheet1.Columns", "Sheet1.Columns.AutoFit()",
         "Sheet1.Name=(BSTR \"" + kT1 + "\")", "Sheets.Select(I2 1)", "App.Visible=(BOOL -1)"});
    EXPECT_EQ(join(log()), join(want));
    const auto& cells = server_.script().cells;
    EXPECT_EQ(cells.at({1, 1}), kT1);
    EXPECT_EQ(cells.count({1, 2}), 0u);
    EXPECT_EQ(cells.count({1, 3}), 0u);
    EXPECT_EQ(cells.at({2, 1}), "d");
}

TEST_F(ExcelTableCalls, SheetsAreAddedAfterTheLastOnlyWhenTooFew) {
    tq::TableSet three{{{kT1}}, {{kT2}}, {{kT3}}};
    server_.script().sheetCount = 1;
    ASSERT_TRUE(tq::ExcelTable(three, Actions{}));
    EXPECT_EQ(join(Lines(log().begin() + 3, log().begin() + 12)),
              join({"Sheets.Count", "Sheets.Count", "Sheets.Item(I4 1)",
                    "Sheets.Add(MISSING, DISP Worksheet, MISSING, MISSING)", "Sheets.Count",
                    "Sheets.Item(I4 2)", "Sheets.Add(MISSING, DISP Worksheet, MISSING, MISSING)",
                    "Sheets.Item(I2 1)", "Sheet1.Cells"}));
    EXPECT_EQ(join(matching(log(), ".Name=")),
              join({"Sheet1.Name=(BSTR \"" + kT1 + "\")", "Sheet2.Name=(BSTR \"" + kT2 + "\")",
                    "Sheet3.Name=(BSTR \"" + kT3 + "\")"}));
    // The actions form sets no text format.
    EXPECT_TRUE(matching(log(), "NumberFormatLocal").empty());

    server_.clearLog();
    server_.script().sheetCount = 5;
    ASSERT_TRUE(tq::ExcelTable(three, Fixed{}));
    EXPECT_TRUE(matching(log(), "Sheets.Add").empty());
    EXPECT_EQ(matching(log(), "Sheets.Count").size(), 1u);
    EXPECT_EQ(matching(log(), ".Name=").size(), 3u);
}

TEST_F(ExcelTableCalls, RaggedRowsAndMergeListEdgeCases) {
    tq::TableSet tables{{{"a", "b", "c", "d"}, {"e"}, {"f", "g"}, {"h"}, {"i"}}, {{"x", "y"}}};
    // Actions: unionRow 0 with ep -1 spans the first row's 4 cells (A1:D1); unionCol 1 rows 2..4
    // (B3:B5); a noAction between them does not stop the list. The second table has no list.
    Actions actions{{tq::action(tq::unionRow, 0, 0, -1), tq::action(tq::noAction, 0, 0, 0),
                     tq::action(static_cast<tq::actionType>(7), 0, 0, 2),
                     tq::action(tq::unionCol, 1, 2, 5)}};
    ASSERT_TRUE(tq::ExcelTable(tables, actions));
    EXPECT_EQ(join(matching(log(), "Resize(")), join({"Sheet1.Cells[1,1].Resize(I4 1, I4 4)",
                                                      "Sheet1.Cells[3,2].Resize(I4 3, I4 1)"}));
    EXPECT_EQ(join(matching(log(), ".Merge(")), join({"Sheet1.Cells[1,1].Resize.Merge(I4 0)",
                                                      "Sheet1.Cells[3,2].Resize.Merge(I4 0)"}));
    // Ragged rows: each row written to its own length.
    EXPECT_EQ(matching(log(), "Sheet1.Cells.Item(I4 2,").size(), 1u);
    EXPECT_EQ(matching(log(), "Sheet1.Cells.Item(I4 3,").size(), 3u);  // 2 written + 1 merge start
    EXPECT_TRUE(matching(log(), "Sheet2.Cells[1,1].Resize").empty());

    // unionCol with ep -1 spans every row of the table.
    server_.clearLog();
    ASSERT_TRUE(tq::ExcelTable(tables, Actions{{tq::action(tq::unionCol, 0, 1, -1)}, {}}));
    EXPECT_EQ(join(matching(log(), "Resize(")), join({"Sheet1.Cells[2,1].Resize(I4 4, I4 1)"}));

    // An empty merge-list sequence: no merges in any table.
    server_.clearLog();
    ASSERT_TRUE(tq::ExcelTable(tables, Fixed{}));
    EXPECT_TRUE(matching(log(), "Merge").empty());
}

TEST_F(ExcelTableCalls, RowMarksFillTheCellsTwoRowsBelow) {
    tq::TableSet tables{{{"a", "b"}, {"c"}, {"d", "e", "f"}}};
    // Mark (0, x): after each cell of row 1 its cell two rows below is filled yellow. A mark naming
    // no row of the table does nothing.
    ASSERT_TRUE(tq::ExcelTable(tables, Fixed{}, Marks{{0, 99}, {7, 0}}));
    Lines want = concat(writeCell(1, 1, 1, "a"),
                        {"Sheet1.Cells.Item(I4 3, I4 1)", "Sheet1.Cells[3,1].Interior",
                         "Sheet1.Cells[3,1].Interior.Color=(UI4 65535)"});
    want = concat(want, writeCell(1, 1, 2, "b"));
    want = concat(want, {"Sheet1.Cells.Item(I4 3, I4 2)", "Sheet1.Cells[3,2].Interior",
                         "Sheet1.Cells[3,2].Interior.Color=(UI4 65535)"});
    want = concat(want, writeCell(1, 2, 1, "c"));
    auto first = std::find(log().begin(), log().end(), want.front());
    ASSERT_NE(first, log().end());
    EXPECT_EQ(join(Lines(first, first + static_cast<long>(want.size()))), join(want));
    EXPECT_EQ(matching(log(), "Interior.Color").size(), 2u);
    // The free form with marks sets no text format.
    EXPECT_TRUE(matching(log(), "NumberFormatLocal").empty());

    // The member form fills the same cells, and sets the text format.
    server_.clearLog();
    tq::CTqExcel x;
    ASSERT_TRUE(x.ExcelTable(tables, Fixed{}, Marks{{0, 1}}));
    EXPECT_EQ(matching(log(), "Interior.Color=(UI4 65535)").size(), 2u);
    EXPECT_EQ(matching(log(), "NumberFormatLocal=(BSTR \"@\")").size(), 1u);
    server_.clearLog();
    ASSERT_TRUE(x.ExcelTable(tables, Actions{{tq::action(tq::unionRow, 2, 0, 3)}}));
    EXPECT_EQ(matching(log(), "NumberFormatLocal=(BSTR \"@\")").size(), 1u);
    EXPECT_EQ(join(matching(log(), "Resize(")), join({"Sheet1.Cells[3,1].Resize(I4 1, I4 3)"}));
}

TEST_F(ExcelTableCalls, TablesWithoutAFirstCellKeepTheServersSheetName) {
    tq::TableSet tables{{}, {{}, {"x"}}, {{"name"}}};
    ASSERT_TRUE(tq::ExcelTable(tables, Fixed{}));
    EXPECT_EQ(join(matching(log(), ".Name=")), join({"Sheet3.Name=(BSTR \"name\")"}));
    EXPECT_EQ(join(matching(log(), ".Item=(")),
              join({"Sheet2.Cells[2,1].Item=(I2 1, I2 1, BSTR \"x\")",
                    "Sheet3.Cells[1,1].Item=(I2 1, I2 1, BSTR \"name\")"}));
}

TEST_F(ExcelTableCalls, OpenWorkbookFormWritesThroughTheObjectsHolders) {
    server_.script().sheetCount = 3;
    tq::CTqExcel x("\xb5\x5c.xlsx");
    ASSERT_TRUE(x.open(false));  // one sheet left
    server_.clearLog();
    tq::TableSet tables{{{kT1, "v"}}, {{kT2}}};
    ASSERT_TRUE(x.ExcelTable(tables, Fixed{{fixedCell(0, 0, 0, 1)}, {}}));
    Lines want = {"Sheet1.Cells.Clear()",
                  "Sheets.Count",
                  "Sheets.Count",
                  "Sheets.Item(I4 1)",
                  "Sheets.Add(MISSING, DISP Worksheet, MISSING, MISSING)",
                  "Sheets.Item(I2 1)",
                  "Sheet1.Cells",
                  "Sheet1.Cells.HorizontalAlignment=(I2 -4108)",
                  "Sheet1.Cells.VerticalAlignment=(I2 -4108)",
                  "Sheet1.Cells.NumberFormatLocal=(BSTR \"@\")"};
    want = concat(want, writeCell(1, 1, 1, kT1));
    want = concat(want, writeCell(1, 1, 2, "v"));
    want = concat(
        want,
        {"Sheet1.Cells.Item(I4 1, I4 1)", "Sheet1.Cells[1,1].Value",
         "Sheet1.Cells[1,1].Resize(I4 1, I4 2)", "Sheet1.Cells[1,1].Resize.ClearContents()",
         "Sheet1.Cells[1,1].Resize.Merge(I4 0)",
         "Sheet1.Cells[1,1].Resize.Value=(BSTR \"" + kT1 + "\")", "Sheet1.Rows",
         "Sheet1.Rows.AutoFit()", "Sheet1.Columns", "Sheet1.Columns.AutoFit()",
         "Sheet1.Name=(BSTR \"" + kT1 + "\")", "Sheets.Item(I2 2)", "Sheet2.Cells",
         "Sheet2.Cells.HorizontalAlignment=(I2 -4108)", "Sheet2.Cells.VerticalAlignment=(I2 -4108)",
         "Sheet2.Cells.NumberFormatLocal=(BSTR \"@\")"});
    want = concat(want, writeCell(2, 1, 1, kT2));
    want = concat(
        want, {"Sheet2.Rows", "Sheet2.Rows.AutoFit()", "Sheet2.Columns", "Sheet2.Columns.AutoFit()",
               "Sheet2.Name=(BSTR \"" + kT2 + "\")", "Sheets.Select(I2 1)", "Sheet2.Cells"});
    EXPECT_EQ(join(log()), join(want));

    // Afterwards the current range is the last sheet's cells, and save writes the object's path.
    server_.clearLog();
    x.clear();
    x.save();
    EXPECT_EQ(join(log()),
              join({"Sheet2.Cells.Clear()",
                    "Book1.SaveAs(BSTR \"\xb5\x5c.xlsx\", MISSING x5, I4 0, MISSING x4)"}));

    // An empty table set: clear, select, and the current range reset.
    server_.clearLog();
    ASSERT_TRUE(x.ExcelTable(tq::TableSet{}, Fixed{}));
    EXPECT_EQ(join(log()), join({"Sheet2.Cells.Clear()", "Sheets.Count", "Sheets.Select(I2 1)",
                                 "Sheet2.Cells"}));
}

}  // namespace

namespace {

TEST_F(ExcelTableCalls, ActionsOutsideTheirTableMergeNothing) {
    tq::TableSet tables{{{"a", "b"}, {"c", "d"}}};
    EXPECT_TRUE(tq::ExcelTable(tables, Actions{{tq::action(tq::unionRow, 2, 0, -1),
                                                tq::action(tq::unionCol, -1, 0, -1),
                                                tq::action(tq::unionCol, 2, 0, -1)}}));
    EXPECT_TRUE(matching(log(), "Merge").empty()) << join(log());
    EXPECT_EQ(matching(log(), "App.Visible=(BOOL -1)").size(), 1u);
}

}  // namespace
