// Number text must not follow the process locale: a host application running with a
// comma-decimal locale still gets '.' in every formatted number, and reads '.' back.
#include <gtest/gtest.h>

#include <locale.h>
#include <clocale>
#include <cstdio>

#include "tqtool/numutil.h"
#include "tqtool/table.h"
#include "text/text.h"

namespace {

const char* const kCommaLocales[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE"};

class CommaLocale : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : kCommaLocales) {
            if (std::setlocale(LC_ALL, name)) {
                name_ = name;
                break;
            }
        }
        if (!name_)
            GTEST_SKIP()
                << "no comma-decimal locale (de_DE.UTF-8) is installed; "
                   "run scripts/setup.sh test (or locale-gen de_DE.UTF-8) to enable this test";
        // Make sure the locale really writes a comma, otherwise the test proves nothing.
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.1f", 1.5);
        ASSERT_STREQ("1,5", buf) << "locale " << name_ << " does not use a decimal comma";
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }

    const char* name_ = nullptr;
};

void expectPointFormats() {
    EXPECT_EQ("1.500000", tq::text::format("%f", 1.5));
    EXPECT_EQ("-2.25|7", tq::text::format("%.2f|%d", -2.25, 7));
    EXPECT_DOUBLE_EQ(1.5, tq::text::atof("1.5"));
    EXPECT_DOUBLE_EQ(1.0, tq::text::atof("1,5"));  // the comma ends the number
    char* end = nullptr;
    EXPECT_DOUBLE_EQ(0.25, tq::text::strtod("0.25x", &end));
    EXPECT_STREQ("x", end);

    EXPECT_EQ("1.5", tq::GetStrForDoulbe(1.5));
    EXPECT_EQ("2.68", tq::GetStrForDoulbe(2.675, 2));
    EXPECT_EQ("3.142", tq::Dbl2Str(3.14159, 3));
    EXPECT_DOUBLE_EQ(12.75, tq::GetDoubleForStr("12.75"));
    EXPECT_EQ(1, tq::DblStrIsLaw("3.14"));
    EXPECT_EQ(0, tq::DblStrIsLaw("0.0"));
    EXPECT_EQ("30d15'20\"", tq::D2dmsStr(tq::Dms2d(30, 15, 20)));
    EXPECT_EQ("unionRow, row=1, sp=-2, ep=-1", tq::action(tq::unionRow, 1, -2, -1).toStr());
}

TEST_F(CommaLocale, ProcessLocaleDoesNotChangeNumberText) {
    expectPointFormats();
}

TEST_F(CommaLocale, NumericCategoryAloneDoesNotChangeNumberText) {
    std::setlocale(LC_ALL, "C");
    ASSERT_TRUE(std::setlocale(LC_NUMERIC, name_));
    expectPointFormats();
}

TEST_F(CommaLocale, ThreadLocaleDoesNotChangeNumberText) {
    std::setlocale(LC_ALL, "C");
    locale_t de = newlocale(LC_ALL_MASK, name_, static_cast<locale_t>(nullptr));
    ASSERT_NE(static_cast<locale_t>(nullptr), de);
    locale_t old = uselocale(de);
    expectPointFormats();
    // The caller's thread locale is left as it was.
    EXPECT_EQ(de, uselocale(static_cast<locale_t>(nullptr)));
    uselocale(old);
    freelocale(de);
}

}  // namespace
