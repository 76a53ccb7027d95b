// Number tests and conversions, comparisons, colours and angles (the point as decimal separator
// whatever the locale: locale_test).
#include <gtest/gtest.h>

#include <cmath>

#include "tqtool/numutil.h"

namespace {

constexpr double kPi = 3.141592653589793;

TEST(NumberTests, WhatCountsAsANumber) {
    for (const char* yes : {"  12.5 \t", "-0.5", "007", "", "-", ".", "-.", " -3 "})
        EXPECT_TRUE(tq::tIsNum(yes)) << yes;
    for (const char* no : {"1.2.3", "5-", "1e5", "+3", "1,000", "--1", "1 2", "\xa3\xb1"})
        EXPECT_FALSE(tq::tIsNum(no)) << no;
    EXPECT_TRUE(tq::IsNumStr("007") && tq::IsNumStr(""));
    for (const char* no : {"7.0", " 7", "-7", "\xa3\xb1"}) EXPECT_FALSE(tq::IsNumStr(no)) << no;
    for (const char* yes : {"5.", ".5", "0.001"}) EXPECT_EQ(tq::DblStrIsLaw(yes), 1) << yes;
    for (const char* no : {"0", "0.000", "", "abc", "3.1.4", "-5", "+5", " 5", "1e5", "5,5"})
        EXPECT_EQ(tq::DblStrIsLaw(no), 0) << no;
}

TEST(Conversions, TextAndNumbers) {
    EXPECT_EQ(tq::GetIntForStr("  42abc") + tq::GetIntForStr("") + tq::GetIntForStr("x1"), 42);
    EXPECT_DOUBLE_EQ(tq::GetDoubleForStr(" -12.5m"), -12.5);
    EXPECT_DOUBLE_EQ(tq::GetDoubleForStr("1.5e3"), 1.5e3);
    EXPECT_EQ(tq::GetStrForInt(0) + "|" + tq::GetStrForInt(-12), "|-12");
    const std::pair<double, const char*> display[] = {
        {0.005, "0"},     {-0.009, "0"}, {12.30, "12.3"},
        {2.00, "2"},      {10.00, "10"},  // the point stops the removal of zeros
        {-1.25, "-1.25"}, {0.01, "0.01"}};
    for (const auto& [v, s] : display) EXPECT_EQ(tq::GetStrForDoulbe(v), s) << v;
    // Halves rounded up, against the stored value that lies below them; or no adjustment.
    EXPECT_EQ(tq::GetStrForDoulbe(1.005, 2) + tq::GetStrForDoulbe(3.1, 2), "1.013.10");
    EXPECT_EQ(tq::GetStrForDoulbe(3.14, -2) + "|" + tq::Dbl2Str(2.675, 2), "3|2.67");
    EXPECT_EQ(tq::Dbl2Str(-0.5, 2) + "|" + tq::Dbl2Str(7.25, -1), "-0.50|7");
    EXPECT_EQ(tq::Dbl2Str(1e300, 2).size(), 304u);  // written in full, not cut at a buffer
}

TEST(Comparisons, TolerancesSwapAndColours) {
    EXPECT_TRUE(tq::IsEq(1.0, 1.000009));
    EXPECT_FALSE(tq::IsEq(1.0, 1.00001));
    EXPECT_EQ(tq::FloatComp(1.25, 1.0, 0.125), 1);
    EXPECT_EQ(tq::FloatComp(1.0, 1.25, 0.125), -1);
    double a = 1.5, b = -2.5;
    tq::Swap(&a, &b);
    tq::Swap(&a, nullptr);  // a null pointer exchanges nothing
    EXPECT_EQ(a + 10 * b, 12.5);
    EXPECT_EQ(tq::RGB2Str(0xFF030201u, ';'), "1;2;3");  // the highest byte is ignored
    EXPECT_EQ(tq::Str2RGB("1,2", ','), 0u);
    EXPECT_EQ(tq::Str2RGB("256,-1,1,99", ','), 0u | (255u << 8) | (1u << 16));
    EXPECT_EQ(tq::Str2RGB(" 20; 19;18", ';'), 0x00121314u);
}

TEST(Angles, DmsTextAndRadians) {
    tq::String out = "old";
    tq::Dms2Str(-1, -2, -3, out);
    EXPECT_EQ(out, "-1d-2'-3\"");
    EXPECT_EQ(tq::Dms2d(180, 0, 0), kPi);
    const double sec = kPi / 180 / 3600;
    const std::pair<double, const char*> cases[] = {
        {kPi / 2, "90d0'0\""},
        {-30.5 / 180 * kPi, "-30d-30'0\""},  // negative angles give negative parts
        // Floating-point noise a hair below a whole second counts as that second ...
        {tq::Dms2d(-30, -15, -20), "-30d-15'-20\""},
        {tq::Dms2d(2, 0, 0) - 1e-9 * sec, "2d0'0\""},  // carried into minutes and degrees
        // ... otherwise seconds are truncated, not rounded.
        {tq::Dms2d(1, 0, 10) - 1e-4 * sec, "1d0'9\""},
        {tq::Dms2d(1, 0, 10) + 0.9 * sec, "1d0'10\""}};
    for (const auto& [rad, text] : cases) EXPECT_EQ(tq::D2dmsStr(rad), text) << text;
    for (int d = -360; d <= 360; d += 7) {
        const std::string s = d < 0 ? "-" : "";
        EXPECT_EQ(tq::D2dmsStr(tq::Dms2d(d, d < 0 ? -13 : 13, d < 0 ? -47 : 47)),
                  std::to_string(d) + "d" + s + "13'" + s + "47\"");
    }
    // Values no int can hold do not overflow.
    for (double v : {double(NAN), 1e300, -double(INFINITY)}) EXPECT_FALSE(tq::D2dmsStr(v).empty());
}

}  // namespace
