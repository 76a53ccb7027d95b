// The in-memory workbook operations (number rules, format codes and cell texts:
// golden/text_forms.txt): formats stored once, columns, merged areas and their index.
#include <gtest/gtest.h>

#include <random>

#include "office/spreadsheet/model/model_ops.h"
#include "tqtool/types.h"

using namespace tq::office;

namespace {

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

// The merged areas that Merge leaves, and what the index answers, against a plain scan of them.
TEST(EngineModel, MergedAreasAndTheirIndexAgreeWithAScan) {
    BookModel b;
    Sheet& s = b.wb.sheets.emplace_back();
    std::mt19937 rng(12345);
    auto scan = [&](uint32_t r, uint32_t c) -> const MergeArea* {
        for (const MergeArea& m : s.merges)
            if (ToRect(m).contains(r, c)) return &m;
        return nullptr;
    };
    for (int i = 0; i < 3000; ++i) {
        uint32_t r = rng() % 300, c = rng() % 40;
        Rect area{r, c, r + static_cast<uint32_t>(rng() % (i % 50 == 0 ? 40 : 3)),
                  c + static_cast<uint32_t>(rng() % 3)};
        if (i % 7 == 0)
            Unmerge(s, area);
        else
            Merge(b, s, area, i % 11 == 0);
        if (i % 500 != 499) continue;
        for (uint32_t rr = 0; rr < 345; ++rr)
            for (uint32_t cc = 0; cc < 45; ++cc) ASSERT_EQ(MergeAt(s, rr, cc), scan(rr, cc));
    }
    for (size_t i = 0; i < s.merges.size(); ++i)
        for (size_t j = i + 1; j < s.merges.size(); ++j)
            ASSERT_FALSE(ToRect(s.merges[i]).intersects(ToRect(s.merges[j])));
    Rect probe{50, 5, 120, 20};
    std::vector<uint32_t> expected;
    for (uint32_t i = 0; i < s.merges.size(); ++i)
        if (ToRect(s.merges[i]).intersects(probe)) expected.push_back(i);
    EXPECT_EQ(MergesMeeting(s, probe), expected);
    // An index rebuilt for a copy, and for areas replaced behind its back.
    Sheet copy = s;
    ASSERT_FALSE(s.merges.empty());
    EXPECT_EQ(MergeAt(copy, s.merges[0].r2, s.merges[0].c2), &copy.merges[0]);
    SetMerges(s, {{5, 5, 9, 9}, {7, 7, 20, 20}, {0, 0, 0, 0}, {1048575, 0, 1048575, 16383}});
    EXPECT_EQ(s.merges, (std::vector<MergeArea>{{5, 5, 9, 9}, {1048575, 0, 1048575, 16383}}));
    EXPECT_EQ(MergeAt(s, 1048575, 9000), &s.merges[1]);
    EXPECT_EQ(MergeAt(s, 8, 8), &s.merges[0]);
    EXPECT_EQ(MergeAt(s, 12, 12), nullptr);
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
