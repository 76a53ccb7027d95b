// String utilities where the command-line cases (tests/cli/cases.txt, group util) cannot reach:
// bytes that are not valid GBK, out-parameters that hold a value before the call, and the types
// of the exceptions thrown.
#include <gtest/gtest.h>

#include "tqtool/strutil.h"

namespace {

TEST(StrAlltrim, ALoneLeadByteStays) {
    tq::String text = " x\xb5";
    EXPECT_EQ(tq::StrAlltrim(text), "x\xb5");
}

TEST(ArraySearch, FailedSearchesLeaveTheIndexAndRefuseANegativeStart) {
    tq::StringArray a = {"Alpha", "road 1", "ALPHA", "alphabet"};
    int idx = 42;
    EXPECT_FALSE(tq::FindPos(a, "alpha", idx));
    EXPECT_FALSE(tq::StrArrFindStr(a, "alpha", idx, 3, false));
    EXPECT_FALSE(tq::StrArrFindStr(a, "Alpha", idx, 4, true));
    EXPECT_FALSE(tq::StrArrFindStrLeftPart(a, "road 1 x", idx, 0, false));
    EXPECT_EQ(idx, 42);
    tq::UIntArray hits;
    EXPECT_THROW(tq::StrArrFindStr(a, "x", idx, -1, true), tq::InvalidArgument);
    EXPECT_THROW(tq::StrArrFindStr(a, "x", hits, -2), tq::InvalidArgument);
    EXPECT_THROW(tq::NthSpaceStr("", 2), std::invalid_argument);
}

}  // namespace
