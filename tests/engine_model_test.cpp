// The in-memory workbook operations: number rules, date formats, formats stored once, columns,
// fitting measures.
#include <gtest/gtest.h>

#include "office/spreadsheet/model/model_ops.h"
#include "tqtool/types.h"

using namespace tq::office;

namespace {

TEST(EngineModel, PlainDecimalRules) {
    EXPECT_EQ(PlainDecimal(std::string_view("12.5")), 12.5);
    EXPECT_EQ(PlainDecimal(std::string_view("-3")), -3);
    EXPECT_EQ(PlainDecimal(std::string_view("+.5")), 0.5);
    EXPECT_EQ(PlainDecimal(std::string_view("0")), 0);
    EXPECT_EQ(PlainDecimal(std::string_view("0.25")), 0.25);
    EXPECT_EQ(PlainDecimal(std::u16string_view(u"100000000000000000000")),
              1e20);  // one significant digit
    for (const char* t : {"", "-", ".", "007", "00.5", "1e5", " 1", "1 ", "1,000", "0x10", "1.2.3",
                          "1234567890123456", "12345678901234567890", "\xe4\xb8\x80"})
        EXPECT_FALSE(PlainDecimal(std::string_view(t)).has_value()) << t;
    EXPECT_TRUE(PlainDecimal(std::string_view("123456789012345")).has_value());
    EXPECT_TRUE(PlainDecimal(std::string_view("0.000000000000000000001")).has_value());
}

TEST(EngineModel, DateFormats) {
    for (int id : {14, 15, 16, 17, 18, 19, 20, 21, 22, 45, 46, 47, 27, 31, 57, 58})
        EXPECT_TRUE(IsDateFormat(BuiltinNumFmt(id))) << id;
    for (int id : {0, 1, 2, 3, 4, 9, 10, 11, 12, 13, 37, 49})
        EXPECT_FALSE(IsDateFormat(BuiltinNumFmt(id))) << id;
    EXPECT_TRUE(IsDateFormat("yyyy\\-mm\\-dd"));
    EXPECT_TRUE(IsDateFormat("[$-804]aaaa h:mm"));
    EXPECT_FALSE(IsDateFormat("0.0\"days\""));
    EXPECT_FALSE(IsDateFormat("[Red]0.00"));
    EXPECT_FALSE(IsDateFormat("General"));
    EXPECT_FALSE(IsDateFormat("#,##0_);\\(#,##0\\)"));
    EXPECT_FALSE(IsDateFormat("0.00E+00"));
    EXPECT_EQ(DateText(SerialToOle(45000.25, false)), "2023/3/15 6:00:00");
    EXPECT_EQ(DateText(SerialToOle(0, true)), "1904/1/1");
    EXPECT_EQ(DateText(SerialToOle(1, false)), "1900/1/1");
    EXPECT_EQ(OleToSerial(SerialToOle(59, false), false), 59);
}

TEST(EngineModel, FormatsOfWholeRowsColumnsAndSheetAreStoredOnce) {
    BookModel b;
    b.wb.sheets.emplace_back().name = "S";
    b.assignIds();
    Sheet& s = b.wb.sheets[0];
    auto center = [](Style& x) { x.hAlign = kAlignCenter; };
    auto text = [](Style& x) { x.numFmt = "@"; };
    ApplyFormat(b, s, Rect::All(), center, "t");
    EXPECT_TRUE(s.rows.empty());
    EXPECT_EQ(b.wb.styles[EffectiveStyle(s, 500000, 9000)].hAlign, kAlignCenter);
    // Whole columns C:D: one column record.
    ApplyFormat(b, s, Rect{0, 2, kMaxRows - 1, 3}, text, "t");
    ASSERT_EQ(s.cols.size(), 1u);
    EXPECT_EQ(s.cols[0].first, 2u);
    EXPECT_EQ(s.cols[0].last, 3u);
    const Style& cd = b.wb.styles[EffectiveStyle(s, 1000, 3)];
    EXPECT_EQ(cd.numFmt, "@");
    EXPECT_EQ(cd.hAlign, kAlignCenter);
    // A new cell starts with the format it shows.
    SetString(b, s, 4, 2, "x");
    EXPECT_TRUE(b.styleIsText(FindCell(s, 4, 2)->style));
    // Whole rows: one record per row, no cells.
    ApplyFormat(
        b, s, Rect{10, 0, 11, kMaxCols - 1}, [](Style& x) { x.bold = true; }, "t");
    EXPECT_EQ(s.rows.size(), 3u);
    EXPECT_TRUE(b.wb.styles[EffectiveStyle(s, 11, 16000)].bold);
    // Equal styles are shared.
    size_t styles = b.wb.styles.size();
    ApplyFormat(b, s, Rect{20, 0, 20, 0}, center, "t");
    EXPECT_EQ(b.wb.styles.size(), styles);
    // The used range ignores formats that only repeat what the cell inherits.
    EXPECT_EQ(UsedRange(s), (Rect{4, 2, 4, 2}));
    // A rectangle too large to format cell by cell is refused instead of exhausting memory.
    EXPECT_THROW(ApplyFormat(b, s, Rect{1, 1, kMaxRows - 2, kMaxCols - 2}, center, "Range.X"),
                 tq::AutomationError);
}

TEST(EngineModel, ColumnRecordsSplitAndJoin) {
    Sheet s;
    EditColumns(s, 2, 5, [](ColInfo& c) { c.width = 10; });
    EditColumns(s, 4, 8, [](ColInfo& c) { c.width = 12; });
    ASSERT_EQ(s.cols.size(), 2u);
    EXPECT_EQ(s.cols[0].last, 3u);
    EXPECT_EQ(s.cols[1].first, 4u);
    EXPECT_EQ(s.cols[1].last, 8u);
    EXPECT_EQ(ColumnWidth(s, 9), 8.43);
    EditColumns(s, 2, 3, [](ColInfo& c) { c.width = 12; });
    ASSERT_EQ(s.cols.size(), 1u);
    EXPECT_EQ(s.cols[0].first, 2u);
    EditColumns(s, 0, kMaxCols - 1, [](ColInfo& c) { c.width = -1; });
    EXPECT_TRUE(s.cols.empty());
}

TEST(EngineModel, MeasuresAndNames) {
    EXPECT_EQ(TextWidthUnits("abc"), 3);
    EXPECT_EQ(TextWidthUnits("\xe9\x9d\x92\xe8\xa1\xa1"), 4);  // 青衡
    EXPECT_EQ(TextWidthUnits("ab\nabcd\nx"), 4);
    EXPECT_EQ(TextLines("a\nb\nc"), 3u);
    EXPECT_EQ(ColumnName(0), "A");
    EXPECT_EQ(ColumnName(25), "Z");
    EXPECT_EQ(ColumnName(26), "AA");
    EXPECT_EQ(ColumnName(kMaxCols - 1), "XFD");
    EXPECT_EQ(RectName(Rect{0, 0, 2, 2}), "A1:C3");
    EXPECT_EQ(NumberText(1e20), "1E+20");
    EXPECT_EQ(NumberText(0.1 + 0.2), "0.3");
    EXPECT_EQ(ErrorFromText("#DIV/0!"), 2007);
}

TEST(EngineModel, StringPoolIsCompactedWhenMostlyUnused) {
    BookModel b;
    b.wb.sheets.emplace_back().name = "S";
    Sheet& s = b.wb.sheets[0];
    for (int i = 0; i < 300000; ++i) SetString(b, s, 0, 0, "text " + std::to_string(i));
    EXPECT_LT(b.wb.strings.size(), 200000u);
    EXPECT_EQ(b.wb.strings[FindCell(s, 0, 0)->str], "text 299999");
}

}  // namespace
