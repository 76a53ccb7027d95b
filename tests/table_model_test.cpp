// Merge records (construction, ordering, assignment, text form) and the splitting of an action's
// span into runs of equal texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "export/runs.h"
#include "tqtool/table.h"

namespace {

using Runs = std::vector<std::pair<int, int>>;

tq::STqFixedCellInfo cellAt(int row, int col, int rowExtent = 0, int colExtent = 0) {
    tq::STqFixedCellInfo c;
    c.row = row;
    c.col = col;
    c.rowExtent = rowExtent;
    c.colExtent = colExtent;
    return c;
}

// A table with one column holding `texts`, one text per row.
tq::Table column(const std::vector<tq::String>& texts) {
    tq::Table t;
    for (const auto& s : texts) t.push_back({s});
    return t;
}

TEST(FixedCellInfo, DefaultIsZeroAndAssignmentCopiesAllFieldsReturningTrue) {
    tq::STqFixedCellInfo c;
    EXPECT_EQ(0, c.row);
    EXPECT_EQ(0, c.col);
    EXPECT_EQ(0, c.rowExtent);
    EXPECT_EQ(0, c.colExtent);

    tq::STqFixedCellInfo src = cellAt(3, 4, 5, 6);
    bool r = (c = src);
    EXPECT_TRUE(r);
    EXPECT_EQ(3, c.row);
    EXPECT_EQ(4, c.col);
    EXPECT_EQ(5, c.rowExtent);
    EXPECT_EQ(6, c.colExtent);
    static_assert(sizeof(tq::STqFixedCellInfo) == 16, "four 32-bit fields");
}

TEST(FixedCellInfo, SortsRightToLeftThenBottomToTopIgnoringExtents) {
    std::vector<tq::STqFixedCellInfo> v = {cellAt(0, 1), cellAt(5, 1), cellAt(3, 4)};
    std::sort(v.begin(), v.end());
    ASSERT_EQ(3u, v.size());
    EXPECT_EQ(3, v[0].row);
    EXPECT_EQ(4, v[0].col);
    EXPECT_EQ(5, v[1].row);
    EXPECT_EQ(1, v[1].col);
    EXPECT_EQ(0, v[2].row);
    EXPECT_EQ(1, v[2].col);

    tq::STqFixedCellInfo a = cellAt(2, 2, 0, 0), b = cellAt(2, 2, 9, 9);
    EXPECT_FALSE(a < b);
    EXPECT_FALSE(b < a);
    tq::STqFixedCellInfo left = cellAt(9, 0), right = cellAt(0, 1);
    EXPECT_TRUE(right < left);
    EXPECT_FALSE(left < right);
}

TEST(Action, ConstructionAssignmentAndText) {
    tq::action d;
    EXPECT_EQ(tq::noAction, d.type);
    EXPECT_EQ(0, d.index);
    EXPECT_EQ(0, d.sp);
    EXPECT_EQ(0, d.ep);
    EXPECT_EQ("noAction||NULL", d.toStr());
    static_assert(sizeof(tq::action) == 16, "four 32-bit fields");

    EXPECT_EQ("unionRow, row=0, sp=0, ep=-1", tq::action(tq::unionRow, 0, 0, -1).toStr());
    EXPECT_EQ("unionCol, col=2, sp=1, ep=5", tq::action(tq::unionCol, 2, 1, 5).toStr());
    EXPECT_EQ("unionCol, col=-3, sp=-4, ep=-5", tq::action(tq::unionCol, -3, -4, -5).toStr());
    EXPECT_EQ("noAction||NULL", tq::action(static_cast<tq::actionType>(7), 1, 2, 3).toStr());
    EXPECT_EQ("noAction||NULL", tq::action(tq::noAction, 1, 2, 3).toStr());

    tq::action x(tq::unionRow, 4), y, z;
    EXPECT_EQ(0, x.sp);
    EXPECT_EQ(0, x.ep);
    z = y = tq::action(tq::unionCol, 1, 2, 3);  // returns a reference, so it chains
    EXPECT_EQ(tq::unionCol, z.type);
    EXPECT_EQ(1, z.index);
    EXPECT_EQ(2, z.sp);
    EXPECT_EQ(3, z.ep);
}

TEST(FindEqualRuns, ColumnRunsIncludeEmptyCellsAndSkipSingles) {
    tq::Table t = column({"A", "A", "B", "", "", "Z"});
    EXPECT_EQ((Runs{{0, 2}, {3, 5}}), tq::findEqualRuns(t, tq::action(tq::unionCol, 0, 0, -1)));
    // An explicit end excludes the end row.
    EXPECT_EQ((Runs{{0, 2}}), tq::findEqualRuns(t, tq::action(tq::unionCol, 0, 0, 4)));
    EXPECT_EQ((Runs{{3, 5}}), tq::findEqualRuns(t, tq::action(tq::unionCol, 0, 1, -1)));

    // All equal: one run over the whole span; all different or an empty span: nothing.
    tq::Table same = column({"\xb5\x5c", "\xb5\x5c", "\xb5\x5c", "\xb5\x5c"});
    EXPECT_EQ((Runs{{1, 4}}), tq::findEqualRuns(same, tq::action(tq::unionCol, 0, 1, -1)));
    tq::Table diff = column({"\xb5\x5c", "\xb4\x7c", "\xb3\x40", "a"});
    EXPECT_TRUE(tq::findEqualRuns(diff, tq::action(tq::unionCol, 0, 0, -1)).empty());
    EXPECT_TRUE(tq::findEqualRuns(same, tq::action(tq::unionCol, 0, 2, 2)).empty());
    EXPECT_TRUE(tq::findEqualRuns(same, tq::action(tq::unionCol, 0, 3, 1)).empty());

    // Exact comparison: case matters, and GBK texts that differ only in the trail byte differ.
    tq::Table cs = column({"a", "A", "\xb5\x5c", "\xb5\x5d"});
    EXPECT_TRUE(tq::findEqualRuns(cs, tq::action(tq::unionCol, 0, 0, -1)).empty());
}

TEST(FindEqualRuns, RowSpanEndsAtFirstRowWidthWhateverTheRowLength) {
    tq::Table t = {
        {"h1", "h2", "h3", "h4", "h5", "h6"},
        {"x", "x", "x", "x", "x", "x", "x", "x"},  // longer than the first row
        {"y", "y", "y"},                           // shorter than the first row
    };
    EXPECT_EQ((Runs{{0, 6}}), tq::findEqualRuns(t, tq::action(tq::unionRow, 1, 0, -1)));
    EXPECT_EQ((Runs{{2, 6}}), tq::findEqualRuns(t, tq::action(tq::unionRow, 1, 2, -1)));
    // The short row is cut at its own end: no cell beyond it is read.
    EXPECT_EQ((Runs{{0, 3}}), tq::findEqualRuns(t, tq::action(tq::unionRow, 2, 0, -1)));
    // An explicit end past the row is cut at the row's end.
    EXPECT_EQ((Runs{{0, 8}}), tq::findEqualRuns(t, tq::action(tq::unionRow, 1, 0, 100)));
}

TEST(FindEqualRuns, SpansOutsideTheTableAreCutNotRead) {
    tq::Table t = column({"a", "a", "a"});
    // End beyond the table.
    EXPECT_EQ((Runs{{0, 3}}), tq::findEqualRuns(t, tq::action(tq::unionCol, 0, 0, 50)));
    // Negative start: positions before 0 hold no cell.
    EXPECT_EQ((Runs{{0, 3}}), tq::findEqualRuns(t, tq::action(tq::unionCol, 0, -5, -1)));
    // Other negative ends are used unchanged: the span is empty.
    EXPECT_TRUE(tq::findEqualRuns(t, tq::action(tq::unionCol, 0, 0, -2)).empty());
    // Row or column index outside the table, or no table at all.
    EXPECT_TRUE(tq::findEqualRuns(t, tq::action(tq::unionCol, 1, 0, -1)).empty());
    EXPECT_TRUE(tq::findEqualRuns(t, tq::action(tq::unionCol, -1, 0, -1)).empty());
    EXPECT_TRUE(tq::findEqualRuns(t, tq::action(tq::unionRow, 3, 0, -1)).empty());
    EXPECT_TRUE(tq::findEqualRuns(tq::Table{}, tq::action(tq::unionRow, 0, 0, -1)).empty());
    EXPECT_TRUE(tq::findEqualRuns(tq::Table{}, tq::action(tq::unionCol, 0, 0, -1)).empty());
    EXPECT_TRUE(tq::findEqualRuns(t, tq::action(tq::noAction, 0, 0, -1)).empty());
    EXPECT_TRUE(tq::findEqualRuns(t, tq::action(static_cast<tq::actionType>(9), 0, 0, -1)).empty());

    // A column span over ragged rows: a row too short for the column has no cell there, which
    // ends the run before it; runs after it are still found.
    tq::Table ragged = {{"k", "v"}, {"k", "v"}, {"k"}, {"k", "v"}, {"k", "v"}, {"k", "w"}};
    EXPECT_EQ((Runs{{0, 2}, {3, 5}}),
              tq::findEqualRuns(ragged, tq::action(tq::unionCol, 1, 0, -1)));
    EXPECT_EQ((Runs{{0, 6}}), tq::findEqualRuns(ragged, tq::action(tq::unionCol, 0, 0, -1)));
}

}  // namespace
