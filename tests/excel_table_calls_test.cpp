// The calls the ExcelTable forms send to the spreadsheet server. The workbooks they write are
// checked end to end in excel_table_test.
#include <gtest/gtest.h>

#include <algorithm>

#include "automation/excel_ops.h"
#include "support/golden.h"
#include "support/recording_server.h"
#include "tqtool/excel.h"
#include "tqtool/export.h"

namespace {

using Lines = std::vector<std::string>;
using Fixed = std::vector<std::vector<tq::STqFixedCellInfo>>;
using Actions = std::vector<std::vector<tq::action>>;

const std::string kFan = "\xb5\x5c";  // 礬 (trail byte '\')

size_t countOf(const Lines& lines, const std::string& prefix) {
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(),
                                             [&](const auto& l) { return l.starts_with(prefix); }));
}

TEST(ExcelTableCalls, OneTableIsCentredWrittenMergedFittedAndNamedInThisOrder) {
    tqtest::RecordingServer rec;
    rec.Answer("Range", tq::automation::xl::Range_Value, tq::automation::InvokeKind::PropertyGet,
               tq::automation::StrVariant("v"));  // what the merge keeps
    tq::STqFixedCellInfo area;                    // A1:C1
    area.colExtent = 2;
    ASSERT_TRUE(tq::ExcelTable(tq::TableSet{{{kFan, "b", "c"}, {"d"}}}, Fixed{{area}}));
    tqtest::ExpectGolden("calls/excel_table_one_table.txt", rec.LogByType());
}

TEST(ExcelTableCalls, SheetsAreAddedAfterTheLastOnlyWhenTooFew) {
    const tq::TableSet three{{{"x"}}, {{"y"}}, {{"z"}}};
    {
        tqtest::RecordingServer rec;
        ASSERT_TRUE(tq::ExcelTable(three, Actions{}));
        tqtest::ExpectGolden("calls/excel_table_three_sheets.txt", rec.Log());
    }
    tqtest::RecordingServer rec;
    rec.sheet().sheetCount = 5;
    ASSERT_TRUE(tq::ExcelTable(three, Fixed{}));
    EXPECT_EQ(countOf(rec.LogByType(), "Sheets.Add"), 0u);
}

TEST(ExcelTableCalls, ATableWithoutAFirstCellKeepsTheServersSheetName) {
    tqtest::RecordingServer rec;
    ASSERT_TRUE(tq::ExcelTable(tq::TableSet{{}, {{}, {"x"}}, {{"name"}}}, Fixed{}));
    const Lines log = rec.LogByType();
    EXPECT_EQ(countOf(log, "Worksheet.Name"), 1u);
    EXPECT_EQ(countOf(log, "Worksheet.Name(put) BSTR:\"name\""), 1u);
}

TEST(ExcelTableCalls, OpenWorkbookFormClearsWritesThroughItsHoldersAndLeavesTheLastSheet) {
    tqtest::RecordingServer rec;
    tq::CTqExcel x("book.xlsx");
    ASSERT_TRUE(x.open(false));
    rec.ClearLog();
    ASSERT_TRUE(x.ExcelTable(tq::TableSet{{{"a"}}, {{"b"}}}, Fixed{}));
    tqtest::ExpectGolden("calls/excel_table_open_workbook.txt", rec.LogByType());  // not shown

    // The current range is now the last sheet's cells; save writes the object's path.
    rec.ClearLog();
    x.clear();
    x.save();
    EXPECT_TRUE(rec.Calls()[0].path.ends_with("Item(I2:2).Cells")) << rec.Calls()[0].path;
    EXPECT_TRUE(rec.Log()[1].find("SaveAs(method) BSTR:\"book.xlsx\"") != std::string::npos);

    // An empty table set: clear, select, and the current range taken again.
    rec.ClearLog();
    ASSERT_TRUE(x.ExcelTable(tq::TableSet{}, Fixed{}));
    tqtest::ExpectGolden("calls/excel_table_open_workbook_empty.txt", rec.LogByType());
}

}  // namespace
