// Number tests and conversions, comparisons, colours and angles.
#include <gtest/gtest.h>

#include <cmath>

#include "tqtool/numutil.h"

namespace {

constexpr double kPi = 3.141592653589793;

TEST(NumberTests, tIsNum) {
    EXPECT_TRUE(tq::tIsNum("  12.5 \t"));
    EXPECT_TRUE(tq::tIsNum("-0.5"));
    EXPECT_TRUE(tq::tIsNum("007"));
    EXPECT_TRUE(tq::tIsNum(""));
    EXPECT_TRUE(tq::tIsNum("-"));
    EXPECT_TRUE(tq::tIsNum("."));
    EXPECT_TRUE(tq::tIsNum("-."));
    EXPECT_TRUE(tq::tIsNum(" -3 "));
    EXPECT_FALSE(tq::tIsNum("1.2.3"));
    EXPECT_FALSE(tq::tIsNum("5-"));
    EXPECT_FALSE(tq::tIsNum("1e5"));
    EXPECT_FALSE(tq::tIsNum("+3"));
    EXPECT_FALSE(tq::tIsNum("1,000"));
    EXPECT_FALSE(tq::tIsNum("1-2"));
    EXPECT_FALSE(tq::tIsNum("--1"));
    EXPECT_FALSE(tq::tIsNum("1 2"));
    EXPECT_FALSE(tq::tIsNum("\xa3\xb1"));  // full-width digit one: not an ASCII digit
}

TEST(NumberTests, IsNumStrAndDblStrIsLaw) {
    EXPECT_TRUE(tq::IsNumStr("007"));
    EXPECT_TRUE(tq::IsNumStr(""));
    EXPECT_FALSE(tq::IsNumStr("7.0"));
    EXPECT_FALSE(tq::IsNumStr(" 7"));
    EXPECT_FALSE(tq::IsNumStr("-7"));
    EXPECT_FALSE(tq::IsNumStr("\xa3\xb1"));

    EXPECT_EQ(1, tq::DblStrIsLaw("3.14"));
    EXPECT_EQ(1, tq::DblStrIsLaw("5."));
    EXPECT_EQ(1, tq::DblStrIsLaw(".5"));
    EXPECT_EQ(1, tq::DblStrIsLaw("0.001"));
    EXPECT_EQ(0, tq::DblStrIsLaw("0"));
    EXPECT_EQ(0, tq::DblStrIsLaw("0.0"));
    EXPECT_EQ(0, tq::DblStrIsLaw("0.000"));
    EXPECT_EQ(0, tq::DblStrIsLaw(""));
    EXPECT_EQ(0, tq::DblStrIsLaw("abc"));
    EXPECT_EQ(0, tq::DblStrIsLaw("3.1.4"));
    EXPECT_EQ(0, tq::DblStrIsLaw("-5"));
    EXPECT_EQ(0, tq::DblStrIsLaw("+5"));
    EXPECT_EQ(0, tq::DblStrIsLaw(" 5"));
    EXPECT_EQ(0, tq::DblStrIsLaw("1e5"));
    EXPECT_EQ(0, tq::DblStrIsLaw("5,5"));
}

TEST(Conversions, TextToNumbers) {
    EXPECT_EQ(0, tq::GetIntForStr(""));
    EXPECT_EQ(42, tq::GetIntForStr("  42abc"));
    EXPECT_EQ(-7, tq::GetIntForStr("-7"));
    EXPECT_EQ(0, tq::GetIntForStr("x1"));
    EXPECT_DOUBLE_EQ(0.0, tq::GetDoubleForStr(""));
    EXPECT_DOUBLE_EQ(12.5, tq::GetDoubleForStr(" 12.5m"));
    EXPECT_DOUBLE_EQ(-0.25, tq::GetDoubleForStr("-0.25"));
    EXPECT_DOUBLE_EQ(1.5e3, tq::GetDoubleForStr("1.5e3"));
    EXPECT_DOUBLE_EQ(3.0, tq::GetDoubleForStr("3,75"));  // the comma is never a decimal point
    EXPECT_DOUBLE_EQ(0.0, tq::GetDoubleForStr("\xc7\xe0"));
}

TEST(Conversions, NumbersToText) {
    EXPECT_EQ("", tq::GetStrForInt(0));
    EXPECT_EQ("-12", tq::GetStrForInt(-12));
    EXPECT_EQ("2147483647", tq::GetStrForInt(2147483647));

    EXPECT_EQ("0", tq::GetStrForDoulbe(0.005));
    EXPECT_EQ("0", tq::GetStrForDoulbe(0.004));
    EXPECT_EQ("0", tq::GetStrForDoulbe(-0.009));
    EXPECT_EQ("0", tq::GetStrForDoulbe(0.0));
    EXPECT_EQ("12.3", tq::GetStrForDoulbe(12.30));
    EXPECT_EQ("1.5", tq::GetStrForDoulbe(1.50));
    EXPECT_EQ("2", tq::GetStrForDoulbe(2.00));
    EXPECT_EQ("10", tq::GetStrForDoulbe(10.00));  // the point stops the removal of zeros
    EXPECT_EQ("100", tq::GetStrForDoulbe(100.0));
    EXPECT_EQ("-1.25", tq::GetStrForDoulbe(-1.25));
    EXPECT_EQ("0.01", tq::GetStrForDoulbe(0.01));

    EXPECT_EQ("2.68", tq::GetStrForDoulbe(2.675, 2));
    EXPECT_EQ("1.01", tq::GetStrForDoulbe(1.005, 2));
    EXPECT_EQ("3.10", tq::GetStrForDoulbe(3.1, 2));
    EXPECT_EQ("3", tq::GetStrForDoulbe(3.14, 0));
    EXPECT_EQ("3", tq::GetStrForDoulbe(3.14, -2));  // a negative digit count counts as 0

    EXPECT_EQ("3.142", tq::Dbl2Str(3.14159, 3));
    EXPECT_EQ("2", tq::Dbl2Str(2.0, 0));
    EXPECT_EQ("2.67", tq::Dbl2Str(2.675, 2));  // no adjustment: the stored value is below the half
    EXPECT_EQ("-0.50", tq::Dbl2Str(-0.5, 2));
    EXPECT_EQ("7", tq::Dbl2Str(7.25, -1));
    // Large values are written in full, not cut at a buffer size.
    tq::String big = tq::Dbl2Str(1e300, 2);
    EXPECT_EQ(304u, big.size());
    EXPECT_EQ('1', big.front());
    EXPECT_EQ(".00", big.substr(301));
}

TEST(Comparisons, TolerancesAndSwap) {
    EXPECT_TRUE(tq::IsEq(1.0, 1.000009));
    EXPECT_FALSE(tq::IsEq(1.0, 1.00001));
    EXPECT_TRUE(tq::IsEq(-2.0, -2.0));
    EXPECT_FALSE(tq::IsEq(1.0, -1.0));

    EXPECT_EQ(0, tq::FloatComp(1.0, 1.5, 0.5));
    EXPECT_EQ(1, tq::FloatComp(1.25, 1.0, 0.125));
    EXPECT_EQ(-1, tq::FloatComp(1.0, 1.25, 0.125));
    EXPECT_EQ(0, tq::FloatComp(2.0, 2.0, 0.0));
    EXPECT_EQ(1, tq::FloatComp(2.0, 1.0, 0.0));

    double a = 1.5, b = -2.5;
    tq::Swap(&a, &b);
    EXPECT_EQ(-2.5, a);
    EXPECT_EQ(1.5, b);
    tq::Swap(&a, nullptr);  // a null pointer exchanges nothing
    EXPECT_EQ(-2.5, a);
}

TEST(Colours, PackedRedGreenBlue) {
    EXPECT_EQ("255,0,0", tq::RGB2Str(255, ','));
    EXPECT_EQ("86;52;18", tq::RGB2Str(86u | (52u << 8) | (18u << 16), ';'));
    EXPECT_EQ("1,2,3", tq::RGB2Str(0xFF030201u, ','));  // the highest byte is ignored

    EXPECT_EQ(33023u, tq::Str2RGB("255,128,0", ','));
    EXPECT_EQ(0u, tq::Str2RGB("1,2", ','));
    EXPECT_EQ(0u, tq::Str2RGB("", ','));
    EXPECT_EQ(0u | (255u << 8) | (1u << 16), tq::Str2RGB("256,-1,1,99", ','));
    EXPECT_EQ(0x00121314u, tq::Str2RGB(" 20; 19;18", ';'));
    // Round trip.
    EXPECT_EQ(0x00ABCDEFu, tq::Str2RGB(tq::RGB2Str(0x00ABCDEFu, '|'), '|'));
}

TEST(Angles, DmsTextAndRadians) {
    tq::String out = "old";
    tq::Dms2Str(30, 15, 20, out);
    EXPECT_EQ("30d15'20\"", out);
    tq::Dms2Str(-1, -2, -3, out);
    EXPECT_EQ("-1d-2'-3\"", out);

    EXPECT_EQ(kPi, tq::Dms2d(180, 0, 0));
    EXPECT_DOUBLE_EQ(kPi / 2, tq::Dms2d(90, 0, 0));
    EXPECT_DOUBLE_EQ((30 + 15 / 60.0 + 20 / 3600.0) * kPi / 180, tq::Dms2d(30, 15, 20));
    EXPECT_DOUBLE_EQ(-kPi / 4, tq::Dms2d(-45, 0, 0));

    EXPECT_EQ("90d0'0\"", tq::D2dmsStr(kPi / 2));
    EXPECT_EQ("45d0'0\"", tq::D2dmsStr(tq::Dms2d(45, 0, 0)));
    EXPECT_EQ("0d0'0\"", tq::D2dmsStr(0.0));
    // Negative angles give negative parts: -30.5 degrees.
    EXPECT_EQ("-30d-30'0\"", tq::D2dmsStr(-30.5 / 180 * kPi));
    EXPECT_EQ("-90d0'0\"", tq::D2dmsStr(-kPi / 2));
}

TEST(Angles, RoundTripKeepsWholeSeconds) {
    // Floating-point noise a hair below a whole second counts as that second.
    EXPECT_EQ("13d0'0\"", tq::D2dmsStr(tq::Dms2d(13, 0, 0)));
    EXPECT_EQ("30d15'20\"", tq::D2dmsStr(tq::Dms2d(30, 15, 20)));
    EXPECT_EQ("1d0'10\"", tq::D2dmsStr(tq::Dms2d(1, 0, 10)));
    EXPECT_EQ("-13d0'0\"", tq::D2dmsStr(tq::Dms2d(-13, 0, 0)));
    EXPECT_EQ("-30d-15'-20\"", tq::D2dmsStr(tq::Dms2d(-30, -15, -20)));
    for (int d = -360; d <= 360; d += 7)
        for (int m = 0; m < 60; m += 13)
            for (int s = 0; s < 60; s += 11) {
                int sd = d < 0 ? -1 : 1;
                tq::String want = std::to_string(d) + "d" + std::to_string(sd * m) + "'" +
                                  std::to_string(sd * s) + "\"";
                if (d == 0) want = "0d" + std::to_string(m) + "'" + std::to_string(s) + "\"";
                EXPECT_EQ(want, tq::D2dmsStr(tq::Dms2d(d, sd * m, sd * s)))
                    << d << " " << m << " " << s;
            }

    // Otherwise seconds are truncated, not rounded.
    double sec = kPi / 180 / 3600;
    EXPECT_EQ("1d0'9\"", tq::D2dmsStr(tq::Dms2d(1, 0, 10) - 0.5 * sec));
    EXPECT_EQ("1d0'9\"", tq::D2dmsStr(tq::Dms2d(1, 0, 10) - 1e-4 * sec));
    EXPECT_EQ("1d0'10\"", tq::D2dmsStr(tq::Dms2d(1, 0, 10) + 0.9 * sec));
    EXPECT_EQ("0d0'59\"", tq::D2dmsStr(59.5 * sec));
    // A carried second carries on into minutes and degrees.
    EXPECT_EQ("2d0'0\"", tq::D2dmsStr(tq::Dms2d(2, 0, 0) - 1e-9 * sec));

    // Values no int can hold do not overflow.
    EXPECT_FALSE(tq::D2dmsStr(NAN).empty());
    EXPECT_FALSE(tq::D2dmsStr(1e300).empty());
    EXPECT_FALSE(tq::D2dmsStr(-INFINITY).empty());
}

}  // namespace
