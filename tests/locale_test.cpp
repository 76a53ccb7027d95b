// Number text must not follow the process locale: a host application running with a
// comma-decimal locale still gets '.' in every formatted number, and reads '.' back.
#include <gtest/gtest.h>
#include <locale.h>

#include <clocale>
#include <cstdio>

#include "support/require.h"
#include "text/text.h"
#include "tqtool/numutil.h"
#include "tqtool/table.h"

namespace {

void expectPointFormats() {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", 1.5);
    EXPECT_STRNE(buf, "1.5") << "the locale in force writes a point: the test proves nothing";
    EXPECT_EQ(tq::text::format("%.2f|%d", -2.25, 7), "-2.25|7");
    EXPECT_DOUBLE_EQ(tq::text::atof("1,5"), 1.0);  // the comma ends the number
    EXPECT_EQ(tq::GetStrForDoulbe(2.675, 2), "2.68");
    EXPECT_EQ(tq::Dbl2Str(3.14159, 3), "3.142");
    EXPECT_DOUBLE_EQ(tq::GetDoubleForStr("12.75"), 12.75);
    EXPECT_EQ(tq::DblStrIsLaw("3.14"), 1);
    EXPECT_EQ(tq::D2dmsStr(tq::Dms2d(30, 15, 20)), "30d15'20\"");
    EXPECT_EQ(tq::action(tq::unionRow, 1, -2, -1).toStr(), "unionRow, row=1, sp=-2, ep=-1");
}

// The numeric category alone is the INI golden files' locale.
TEST(CommaLocale, ProcessAndThreadLocalesDoNotChangeNumberText) {
    const char* name = "de_DE.UTF-8";  // installed by the test set-up
    TQ_REQUIRE(std::setlocale(LC_ALL, name), "the de_DE.UTF-8 locale");
    expectPointFormats();
    // The calling thread's locale, which is left as it was.
    std::setlocale(LC_ALL, "C");
    locale_t de = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(nullptr));
    locale_t old = uselocale(de);
    expectPointFormats();
    EXPECT_EQ(uselocale(static_cast<locale_t>(nullptr)), de);
    uselocale(old);
    freelocale(de);
}

}  // namespace
