// Merge records (ordering, assignment) and actions (text form) and the splitting of an action's
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

std::vector<int> fields(const tq::STqFixedCellInfo& c) {
    return {c.row, c.col, c.rowExtent, c.colExtent};
}

TEST(FixedCellInfo, SortsRightToLeftThenBottomToTopIgnoringExtents) {
    std::vector<tq::STqFixedCellInfo> v = {cellAt(0, 1), cellAt(5, 1, 9), cellAt(3, 4)};
    std::sort(v.begin(), v.end());
    EXPECT_EQ(fields(v[0]), fields(cellAt(3, 4)));
    EXPECT_EQ(fields(v[1]), fields(cellAt(5, 1, 9)));
    EXPECT_EQ(fields(v[2]), fields(cellAt(0, 1)));
    tq::STqFixedCellInfo a = cellAt(2, 2, 0, 0), b = cellAt(2, 2, 9, 9);
    EXPECT_FALSE(a < b);
    EXPECT_FALSE(b < a);
    EXPECT_TRUE(a = b);  // assignment answers true
    EXPECT_EQ(fields(a), fields(b));
}

TEST(Action, TextFormNamesTheKindAndPrintsSignedFields) {
    EXPECT_EQ(tq::action().toStr(), "noAction||NULL");
    EXPECT_EQ(tq::action(tq::unionRow, 0, 0, -1).toStr(), "unionRow, row=0, sp=0, ep=-1");
    EXPECT_EQ(tq::action(tq::unionCol, 2, 1, 5).toStr(), "unionCol, col=2, sp=1, ep=5");
    EXPECT_EQ(tq::action(static_cast<tq::actionType>(7), 1, 2, 3).toStr(), "noAction||NULL");
    EXPECT_EQ(tq::action(tq::noAction, 1, 2, 3).toStr(), "noAction||NULL");
}

TEST(FindEqualRuns, SplitsASpanIntoMaximalRunsOfEqualTexts) {
    // Column 0 holds A A y "" "" Z; column 1 is ragged; row 1 is longer than row 0 and row 2 is
    // shorter. Two empty cells are equal; case and a GBK trail byte make texts differ.
    const tq::Table t = {{"A", "k", "h", "h", "h", "h"},
                         {"A", "k", "x", "x", "x", "x", "x", "x"},
                         {"y", "y", "y"},
                         {"", "k", "\xb5\x5c", "\xb5\x5d"},
                         {"", "k", "a", "A"},
                         {"Z"}};
    struct Case {
        tq::action act;
        Runs runs;
    };
    const Case cases[] = {
        {tq::action(tq::unionCol, 0, 0, -1), {{0, 2}, {3, 5}}},
        {tq::action(tq::unionCol, 0, 0, 4), {{0, 2}}},  // the end is excluded
        {tq::action(tq::unionCol, 0, 1, -1), {{3, 5}}},
        {tq::action(tq::unionCol, 0, 2, 2), {}},
        {tq::action(tq::unionCol, 0, 3, 1), {}},
        {tq::action(tq::unionCol, 1, 0, -1), {{0, 2}, {3, 5}}},  // row 5 has no column 1
        {tq::action(tq::unionRow, 1, 2, -1), {{2, 6}}},          // -1: the first row's width
        {tq::action(tq::unionRow, 1, 0, 100), {{2, 8}}},         // cut at the row's end
        {tq::action(tq::unionRow, 2, 0, -1), {{0, 3}}},          // cut at the short row's end
        {tq::action(tq::unionRow, 3, 0, -1), {}},
        {tq::action(tq::unionRow, 4, 0, -1), {}},
        {tq::action(tq::unionRow, 0, -5, -1), {{2, 6}}},          // nothing before position 0
        {tq::action(tq::unionCol, 0, -1, -1), {{0, 2}, {3, 5}}},  // ... and position 0 itself
        {tq::action(tq::unionCol, 0, 0, -2), {}},  // other negative ends are used as they are
        {tq::action(tq::unionCol, 9, 0, -1), {}},
        {tq::action(tq::unionCol, -1, 0, -1), {}},
        {tq::action(tq::unionRow, 6, 0, -1), {}},
        {tq::action(tq::noAction, 0, 0, -1), {}},
        {tq::action(static_cast<tq::actionType>(9), 0, 0, -1), {}}};
    for (const Case& c : cases) EXPECT_EQ(tq::findEqualRuns(t, c.act), c.runs) << c.act.toStr();
    EXPECT_TRUE(tq::findEqualRuns(tq::Table{}, tq::action(tq::unionRow, 0, 0, -1)).empty());
}

}  // namespace
