// String and string-array utilities, with GBK text whose trail bytes are ASCII: 礬 "\xb5\x5c"
// (trail '\'), 磡 "\xb4\x7c" (trail '|'), 矦 "\xb3\x40" (trail '@').
#include <gtest/gtest.h>

#include "tqtool/strutil.h"

namespace {

using tq::String;
using tq::StringArray;

const String kFan = "\xb5\x5c", kKan = "\xb4\x7c", kHou = "\xb3\x40", kQing = "\xc7\xe0";

TEST(Split, PiecesBetweenSeparatorsAppendedToWhatIsThere) {
    const std::tuple<String, char, char, StringArray> cases[] = {
        {"", ',', ',', {}},
        {",", ',', ',', {"", ""}},
        {"a;;b;", ';', ';', {"a", "", "b", ""}},
        // A separator equal to a trail byte never cuts a double-byte character.
        {kFan + "\\" + kKan + "|" + kHou, '\\', '\\', {kFan, kKan + "|" + kHou}},
        {kKan + "|" + kKan, '|', '|', {kKan, kKan}},
        {kHou + "@x@" + kHou, '@', '@', {kHou, "x", kHou}},
        // Two separators: the first cut at the first one, later ones ordinary text.
        {"k:a:b,c", ':', ',', {"k", "a:b", "c"}},
        {"a,b:c", ':', ',', {"a,b", "c"}},
        {kFan + "=" + kHou + "," + kKan, '=', ',', {kFan, kHou, kKan}}};
    for (const auto& [text, first, separator, pieces] : cases) {
        StringArray want{"kept"}, a{"kept"}, v{"kept"};
        want.insert(want.end(), pieces.begin(), pieces.end());
        if (first == separator) {
            tq::Str2StrArr(text, a, separator);
            tq::Str2Vector(text, v, separator);
            EXPECT_EQ(v, want) << text;
        } else {
            tq::Str2StrArr(text, a, first, separator);
        }
        EXPECT_EQ(a, want) << text;
    }
    tq::UIntArray at = {99};
    EXPECT_EQ(tq::FindChNumInStr(kFan + "\\" + kKan + "|/" + kHou + "@", '@', at), 1);
    EXPECT_EQ(tq::FindChNumInStr("a/b/c", '/', at), 2);
    EXPECT_EQ(at, (tq::UIntArray{99, 10, 2, 4}));  // 1-based, appended
    EXPECT_EQ(tq::FindChNumInStr(kFan + "\\" + kKan, '\\'), 1);
}

TEST(Join, SeparatorRemovedFromItems) {
    const std::tuple<StringArray, String, String> cases[] = {
        {{}, "-", ""},
        {{"a::b", "c:", ""}, "", "a::bc:"},  // an empty separator removes nothing
        {{"a::b", "c:", ""}, "::", "ab::c:::"},
        // Removed only where it is a character of its own, never a trail byte.
        {{kFan + "\\x", kKan + "|"}, "\\", kFan + "x\\" + kKan + "|"},
        {{kFan + "\\x", kKan + "|"}, "|", kFan + "\\x|" + kKan},
        {{String("a\0b", 3), "c"}, String(1, '\0'), String("ab\0c", 4)}};  // NUL like any other
    for (auto [items, separator, joined] : cases) {
        EXPECT_EQ(tq::StrArr2Str(items, separator), joined);
        EXPECT_EQ(separator.size() == 1 ? tq::StrArr2Str(items, separator[0]) : joined, joined);
    }
}

TEST(NthSpaceStr, WordsSeparatedByRunsOfBlanks) {
    const std::tuple<String, int, String> cases[] = {
        {"one two three", 1, "one"},
        {"one  two   three", 3, "three"},
        {"abc", 1, "abc"},
        {"one two", 0, ""},
        {" one two", 1, ""},  // a leading blank makes an empty first word
        {" one two", 2, "one"},
        {"\tone two", 1, "\tone"},          // n = 1 is not trimmed
        {"one \ttwo\t three", 2, "two\t"},  // n >= 2 is, but only the blank ends a word
        {"one two ", 3, ""},
        {kFan + " x " + kKan + "|" + kHou, 3, kKan + "|" + kHou}};
    for (const auto& [text, n, word] : cases) EXPECT_EQ(tq::NthSpaceStr(text, n), word) << text;
    EXPECT_THROW(tq::NthSpaceStr("one two", 3), tq::InvalidArgument);
    EXPECT_THROW(tq::NthSpaceStr("", 2), std::invalid_argument);
}

TEST(Cleaning, TrimZerosPaddingAndBackslash) {
    // StrAlltrim and ConfirmBackslash store their result back into the argument.
    const std::pair<String, String> alltrim[] = {
        {" \t1\r\n2\v\f3 !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~", "123"},
        // Characters whose trail byte is '\', '|' or '@' stay whole; a lone high byte stays.
        {" " + kFan + "\\ " + kKan + "|" + kHou + "@, " + kQing + ".", kFan + kKan + kHou + kQing},
        {"x\xb5", "x\xb5"}};
    for (auto [in, out] : alltrim) EXPECT_EQ(tq::StrAlltrim(in) + "|" + in, out + "|" + out);
    const std::pair<String, String> slash[] = {
        {"", "\\"}, {"C:\\d\\", "C:\\d\\"}, {"C:\\" + kFan, "C:\\" + kFan + "\\"}};
    for (auto [in, out] : slash) EXPECT_EQ(tq::ConfirmBackslash(in) + "|" + in, out + "|" + out);
    for (auto [in, out] : {std::pair<String, String>{"12.3400", "12.34"},
                           {"5.000", "5"},
                           {"100", "100"},
                           {".000", ""},
                           {" 3.10\t", "3.1"},
                           {"1..0", "1"}})
        EXPECT_EQ(tq::StrTrim0(in), out) << in;
    EXPECT_EQ(tq::AddZeroToStr("42", 5) + "|" + tq::AddZeroToStr("42", -3) + "|" +
                  tq::AddZeroToStr(" 4 ", 2),
              "00042|42|04");
    EXPECT_EQ(tq::AddZeroToStr(kQing, 4), "00" + kQing);  // widths are bytes
    EXPECT_EQ(tq::Space(0) + tq::Space(-3) + tq::Space(3), "   ");
}

TEST(ArraySearch, MembershipAndPositions) {
    StringArray a = {"Alpha", kFan, "road 1", "ALPHA", "alphabet", kKan + "x"}, b = a;
    EXPECT_TRUE(tq::IsStrInStrArr(a, "Alpha") && !tq::IsStrInStrArr("alpha", a));
    EXPECT_TRUE(tq::IsStrInStrArrNoCase("ROAD 1", a) && tq::StrInStrArr(a, "ROAD 1", 0));
    EXPECT_FALSE(tq::IsStrInStrArrNoCase("\xb5\x7c", a));  // trail bytes are never folded
    EXPECT_FALSE(tq::StrInStrArr(a, "ROAD 1", 1));
    EXPECT_TRUE(tq::StrArrIsEq(a, b));
    b[0] = "alpha";
    EXPECT_FALSE(tq::StrArrIsEq(a, b));
    int idx = 42;
    EXPECT_FALSE(tq::FindPos(a, "alpha", idx));
    EXPECT_FALSE(tq::StrArrFindStr(a, "alpha", idx, 4, false));
    EXPECT_FALSE(tq::StrArrFindStr(a, "Alpha", idx, 6, true));  // start at the size
    EXPECT_FALSE(tq::StrArrFindStrLeftPart(a, "road 1 x", idx, 0, false));
    EXPECT_EQ(idx, 42);  // untouched on failure
    const std::pair<bool, int> found[] = {
        {tq::FindPos(a, "ALPHA", idx), idx},
        {tq::StrArrFindStr(a, "ALPHA", idx, 0, true), idx},
        {tq::StrArrFindStr(a, "alpha", idx, 1, false), idx},
        {tq::StrArrFindStrLeftPart(a, "ROAD", idx, 0, false), idx},
        {tq::StrArrFindStrLeftPart(a, "", idx, 4, true), idx}};  // "" matches at the start
    EXPECT_EQ(
        std::vector(std::begin(found), std::end(found)),
        (std::vector<std::pair<bool, int>>{{true, 3}, {true, 3}, {true, 3}, {true, 2}, {true, 4}}));
    tq::UIntArray hits = {7};
    EXPECT_TRUE(tq::StrArrFindStr(a, "lpha", hits, 0));
    EXPECT_TRUE(tq::StrArrFindStr(a, "", hits, 5));
    EXPECT_FALSE(tq::StrArrFindStr(a, "|", hits, 0));  // the trail byte of 磡 is no '|'
    EXPECT_EQ(hits, (tq::UIntArray{7, 0, 4, 5}));
    EXPECT_THROW(tq::StrArrFindStr(a, "x", idx, -1, true), tq::InvalidArgument);
    EXPECT_THROW(tq::StrArrFindStr(a, "x", hits, -2), tq::InvalidArgument);
    EXPECT_THROW(tq::StrArrFindStrLeftPart(a, "r", idx, -1, true), tq::InvalidArgument);
}

}  // namespace
