// Number tests and conversions, comparisons, colours and angles.
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
    for (const char* yes : {"007", ""}) EXPECT_TRUE(tq::IsNumStr(yes)) << yes;
    for (const char* no : {"7.0", " 7", "-7", "\xa3\xb1"}) EXPECT_FALSE(tq::IsNumStr(no)) << no;
    for (const char* yes : {"3.14", "5.", ".5", "0.001"}) EXPECT_EQ(tq::DblStrIsLaw(yes), 1) << yes;
    for (const char* no : {"0", "0.000", "", "abc", "3.1.4", "-5", "+5", " 5", "1e5", "5,5"})
        EXPECT_EQ(tq::DblStrIsLaw(no), 0) << no;
}

TEST(Conversions, TextToNumbers) {
    EXPECT_EQ(tq::GetIntForStr(""), 0);
    EXPECT_EQ(tq::GetIntForStr("  42abc"), 42);
    EXPECT_EQ(tq::GetIntForStr("x1"), 0);
    EXPECT_DOUBLE_EQ(tq::GetDoubleForStr(" -12.5m"), -12.5);
    EXPECT_DOUBLE_EQ(tq::GetDoubleForStr("1.5e3"), 1.5e3);
    EXPECT_DOUBLE_EQ(tq::GetDoubleForStr("3,75"), 3.0);  // the comma is never a decimal point
}

TEST(Conversions, NumbersToText) {
    EXPECT_EQ(tq::GetStrForInt(0) + "|" + tq::GetStrForInt(-12), "|-12");
    const std::pair<double, const char*> display[] = {
        {0.005, "0"},     {-0.009, "0"}, {12.30, "12.3"},
        {2.00, "2"},      {10.00, "10"},  // the point stops the removal of zeros
        {-1.25, "-1.25"}, {0.01, "0.01"}};
    for (const auto& [v, s] : display) EXPECT_EQ(tq::GetStrForDoulbe(v), s) << v;
    const std::tuple<double, int, const char*> fixed[] = {
        {2.675, 2, "2.68"}, {1.005, 2, "1.01"}, {3.1, 2, "3.10"}, {3.14, -2, "3"}};
    for (const auto& [v, d, s] : fixed) EXPECT_EQ(tq::GetStrForDoulbe(v, d), s) << v;
    // No adjustment: the stored 2.675 is below the half.
    const std::tuple<double, int, const char*> plain[] = {
        {3.14159, 3, "3.142"}, {2.675, 2, "2.67"}, {-0.5, 2, "-0.50"}, {7.25, -1, "7"}};
    for (const auto& [v, d, s] : plain) EXPECT_EQ(tq::Dbl2Str(v, d), s) << v;
    // Large values are written in full, not cut at a buffer size.
    EXPECT_EQ(tq::Dbl2Str(1e300, 2).size(), 304u);
}

TEST(Comparisons, TolerancesAndSwap) {
    EXPECT_TRUE(tq::IsEq(1.0, 1.000009));
    EXPECT_FALSE(tq::IsEq(1.0, 1.00001));
    EXPECT_EQ(tq::FloatComp(1.0, 1.5, 0.5), 0);
    EXPECT_EQ(tq::FloatComp(1.25, 1.0, 0.125), 1);
    EXPECT_EQ(tq::FloatComp(1.0, 1.25, 0.125), -1);
    double a = 1.5, b = -2.5;
    tq::Swap(&a, &b);
    tq::Swap(&a, nullptr);  // a null pointer exchanges nothing
    EXPECT_EQ(a, -2.5);
    EXPECT_EQ(b, 1.5);
}

TEST(Colours, PackedRedGreenBlue) {
    EXPECT_EQ(tq::RGB2Str(86u | (52u << 8) | (18u << 16), ';'), "86;52;18");
    EXPECT_EQ(tq::RGB2Str(0xFF030201u, ','), "1,2,3");  // the highest byte is ignored
    EXPECT_EQ(tq::Str2RGB("255,128,0", ','), 33023u);
    EXPECT_EQ(tq::Str2RGB("1,2", ','), 0u);
    EXPECT_EQ(tq::Str2RGB("256,-1,1,99", ','), 0u | (255u << 8) | (1u << 16));
    EXPECT_EQ(tq::Str2RGB(" 20; 19;18", ';'), 0x00121314u);
}

TEST(Angles, DmsTextAndRadians) {
    tq::String out = "old";
    tq::Dms2Str(-1, -2, -3, out);
    EXPECT_EQ(out, "-1d-2'-3\"");
    EXPECT_EQ(tq::Dms2d(180, 0, 0), kPi);
    EXPECT_DOUBLE_EQ(tq::Dms2d(30, 15, 20), (30 + 15 / 60.0 + 20 / 3600.0) * kPi / 180);
    const double sec = kPi / 180 / 3600;
    const std::pair<double, const char*> cases[] = {
        {kPi / 2, "90d0'0\""},
        {-30.5 / 180 * kPi, "-30d-30'0\""},  // negative angles give negative parts
        // Floating-point noise a hair below a whole second counts as that second ...
        {tq::Dms2d(13, 0, 0), "13d0'0\""},
        {tq::Dms2d(-30, -15, -20), "-30d-15'-20\""},
        {tq::Dms2d(2, 0, 0) - 1e-9 * sec, "2d0'0\""},  // carried into minutes and degrees
        // ... otherwise seconds are truncated, not rounded.
        {tq::Dms2d(1, 0, 10) - 1e-4 * sec, "1d0'9\""},
        {tq::Dms2d(1, 0, 10) + 0.9 * sec, "1d0'10\""}};
    for (const auto& [rad, text] : cases) EXPECT_EQ(tq::D2dmsStr(rad), text) << text;
    for (int d = -360; d <= 360; d += 7) {
        const int s = d < 0 ? -1 : 1;
        EXPECT_EQ(
            tq::D2dmsStr(tq::Dms2d(d, s * 13, s * 47)),
            std::to_string(d) + "d" + std::to_string(s * 13) + "'" + std::to_string(s * 47) + "\"");
    }
    // Values no int can hold do not overflow.
    for (double v : {double(NAN), 1e300, -double(INFINITY)}) EXPECT_FALSE(tq::D2dmsStr(v).empty());
}

}  // namespace
