// Number utilities where the command-line cases (tests/cli/cases.txt, group util) cannot reach:
// null pointers, out-parameters that hold a value before the call, values no int can hold, and
// the round trip of angles over the whole circle. The point is the decimal separator whatever
// the locale: locale_test.
#include <gtest/gtest.h>

#include <cmath>

#include "tqtool/numutil.h"

namespace {

TEST(Swap, ANullPointerExchangesNothing) {
    double a = 1.5;
    tq::Swap(&a, nullptr);
    tq::Swap(nullptr, &a);
    EXPECT_EQ(a, 1.5);
}

TEST(Angles, DmsTextReplacesTheOutAndSurvivesTheWholeCircle) {
    tq::String out = "old";
    tq::Dms2Str(-1, -2, -3, out);
    EXPECT_EQ(out, "-1d-2'-3\"");
    for (int d = -360; d <= 360; d += 7) {
        const std::string s = d < 0 ? "-" : "";
        EXPECT_EQ(tq::D2dmsStr(tq::Dms2d(d, d < 0 ? -13 : 13, d < 0 ? -47 : 47)),
                  std::to_string(d) + "d" + s + "13'" + s + "47\"");
    }
    // Values no int can hold do not overflow.
    for (double v : {double(NAN), 1e300, -double(INFINITY)}) EXPECT_FALSE(tq::D2dmsStr(v).empty());
}

}  // namespace
