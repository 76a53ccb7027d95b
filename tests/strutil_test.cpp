// String and string-array utilities, with GBK text whose trail bytes are ASCII: 礬 "\xb5\x5c"
// (trail '\'), 磡 "\xb4\x7c" (trail '|'), 矦 "\xb3\x40" (trail '@').
#include <gtest/gtest.h>

#include "tqtool/strutil.h"

namespace {

using tq::String;
using tq::StringArray;

const String kFan = "\xb5\x5c";
const String kKan = "\xb4\x7c";
const String kHou = "\xb3\x40";
const String kQing = "\xc7\xe0";  // both bytes high

TEST(Split, PiecesBetweenSeparatorsAppendedToWhatIsThere) {
    const struct {
        String text;
        char first, separator;
        StringArray pieces;
    } cases[] = {{"", ',', ',', {}},
                 {",", ',', ',', {"", ""}},
                 {"a;;b;", ';', ';', {"a", "", "b", ""}},
                 {"xyz", ';', ';', {"xyz"}},
                 // A separator equal to a trail byte never cuts a double-byte character.
                 {kFan + "\\" + kKan + "|" + kHou, '\\', '\\', {kFan, kKan + "|" + kHou}},
                 {kKan + "|" + kKan, '|', '|', {kKan, kKan}},
                 {kHou + "@x@" + kHou, '@', '@', {kHou, "x", kHou}},
                 // Two separators: the first cut at the first one, later ones ordinary text.
                 {"k:a:b,c", ':', ',', {"k", "a:b", "c"}},
                 {"a,b:c", ':', ',', {"a,b", "c"}},
                 {"abc", ':', ',', {"abc"}},
                 {kFan + "=" + kHou + "," + kKan, '=', ',', {kFan, kHou, kKan}}};
    for (const auto& c : cases) {
        StringArray want{"kept"};
        want.insert(want.end(), c.pieces.begin(), c.pieces.end());
        StringArray a{"kept"}, v{"kept"};
        if (c.first == c.separator) {
            tq::Str2StrArr(c.text, a, c.separator);
            tq::Str2Vector(c.text, v, c.separator);
            EXPECT_EQ(v, want) << c.text;
        } else {
            tq::Str2StrArr(c.text, a, c.first, c.separator);
        }
        EXPECT_EQ(a, want) << c.text;
    }
}

TEST(Split, LongTextsAreScannedOnce) {
    // 200,000 separators between pieces that end in a character with trail byte '\'.
    String text, words;
    for (int i = 0; i < 200000; ++i) {
        text += std::to_string(i) + kFan + "\\";
        words += "w" + std::to_string(i) + "  ";
    }
    StringArray a;
    tq::Str2StrArr(text, a, '\\');
    ASSERT_EQ(a.size(), 200001u);
    EXPECT_EQ(a[0], "0" + kFan);
    EXPECT_EQ(a[123456], "123456" + kFan);
    EXPECT_EQ(a.back(), "");
    EXPECT_EQ(tq::FindChNumInStr(text, '\\'), 200000);
    EXPECT_EQ(tq::StrArr2Str(a, '\\'), text);
    EXPECT_EQ(tq::NthSpaceStr(words, 200000), "w199999");
}

TEST(Join, SeparatorRemovedFromItems) {
    const struct {
        StringArray items;
        String separator, joined;
    } cases[] = {{{"a-b", "c"}, "-", "ab-c"},
                 {{}, "-", ""},
                 {{"a::b", "c:", ""}, "", "a::bc:"},  // an empty separator removes nothing
                 {{"a::b", "c:", ""}, "::", "ab::c:::"},
                 {{"a::b", "c:", ""}, ":", "ab:c:"},
                 // Removed only where it is a character of its own, never a trail byte.
                 {{kFan + "\\x", kKan + "|"}, "\\", kFan + "x\\" + kKan + "|"},
                 {{kFan + "\\x", kKan + "|"}, "|", kFan + "\\x|" + kKan},
                 // NUL is a separator like any other, so the split at NUL gives the items back.
                 {{String("a\0b", 3), "c"}, String(1, '\0'), String("ab\0c", 4)}};
    for (auto c : cases) {
        EXPECT_EQ(tq::StrArr2Str(c.items, c.separator), c.joined);
        if (c.separator.size() == 1) {
            EXPECT_EQ(tq::StrArr2Str(c.items, c.separator[0]), c.joined);
        }
    }
}

TEST(NthSpaceStr, WordsSeparatedByRunsOfBlanks) {
    const struct {
        String text;
        int n;
        String word;
    } cases[] = {{"one two three", 1, "one"},
                 {"one  two   three", 2, "two"},
                 {"one  two   three", 3, "three"},
                 {"abc", 1, "abc"},
                 {"one two", 0, ""},
                 {"one two", -4, ""},
                 {" one two", 1, ""},  // a leading blank makes an empty first word
                 {" one two", 2, "one"},
                 {"\tone two", 1, "\tone"},          // n = 1 is not trimmed
                 {"one \ttwo\t three", 2, "two\t"},  // n >= 2 is, but only the blank ends a word
                 {"one two ", 3, ""},
                 {kFan + " x " + kKan + "|" + kHou, 3, kKan + "|" + kHou}};
    for (const auto& c : cases) EXPECT_EQ(tq::NthSpaceStr(c.text, c.n), c.word) << c.text << c.n;
    EXPECT_THROW(tq::NthSpaceStr("one two", 3), tq::InvalidArgument);
    EXPECT_THROW(tq::NthSpaceStr("", 2), std::invalid_argument);
}

TEST(FindChNumInStr, CountsAndOneBasedPositionsAppended) {
    tq::UIntArray pos = {99};
    EXPECT_EQ(tq::FindChNumInStr("a/b/c", '/', pos), 2);
    EXPECT_EQ(pos, (tq::UIntArray{99, 2, 4}));
    // Trail bytes are never counted.
    const String g = kFan + "\\" + kFan + kKan + "|" + kHou + "@";
    tq::UIntArray at;
    EXPECT_EQ(tq::FindChNumInStr(g, '@', at), 1);
    EXPECT_EQ(tq::FindChNumInStr(g, '\\', at), 1);
    EXPECT_EQ(at, (tq::UIntArray{11, 3}));
    EXPECT_EQ(tq::FindChNumInStr(g, '|'), 1);
    EXPECT_EQ(tq::FindChNumInStr("", '/'), 0);
}

TEST(Cleaning, TrimZerosPaddingAndBackslash) {
    const std::pair<String, String> alltrim[] = {
        {"a, b-c", "abc"},
        {" \t1\r\n2\v\f3 !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~", "123"},
        // Characters whose trail byte is '\', '|' or '@' stay whole; a lone high byte stays.
        {" " + kFan + "\\ " + kKan + "|" + kHou + "@, " + kQing + ".", kFan + kKan + kHou + kQing},
        {"x\xb5", "x\xb5"}};
    for (auto [in, out] : alltrim) {
        EXPECT_EQ(tq::StrAlltrim(in), out);
        EXPECT_EQ(in, out);  // stored back into the argument
    }
    const std::pair<String, String> trim0[] = {{"12.3400", "12.34"}, {"5.000", "5"},
                                               {"100", "100"},       {".000", ""},
                                               {" 3.10\t", "3.1"},   {"1..0", "1"}};
    for (const auto& [in, out] : trim0) EXPECT_EQ(tq::StrTrim0(in), out) << in;
    const std::tuple<String, int, String> pad[] = {{"42", 5, "00042"}, {"42", 2, "42"},
                                                   {"42", -3, "42"},   {"  42 \t", 3, "042"},
                                                   {"", 4, "0000"},    {kQing, 4, "00" + kQing}};
    for (const auto& [in, width, out] : pad) EXPECT_EQ(tq::AddZeroToStr(in, width), out) << in;
    EXPECT_EQ(tq::Space(0) + tq::Space(-3) + tq::Space(3), "   ");
    // A folder whose name ends in a character with trail byte 0x5C still needs its backslash.
    const std::pair<String, String> slash[] = {
        {"", "\\"}, {"C:\\d\\", "C:\\d\\"}, {"C:\\" + kFan, "C:\\" + kFan + "\\"}};
    for (auto [in, out] : slash) {
        EXPECT_EQ(tq::ConfirmBackslash(in), out);
        EXPECT_EQ(in, out);
    }
}

TEST(ArraySearch, ExactAndCaseInsensitiveMembership) {
    StringArray a = {"abc", kFan, "Road", "abc"};
    EXPECT_TRUE(tq::IsStrInStrArr(a, "abc"));
    EXPECT_FALSE(tq::IsStrInStrArr(a, "ABC"));
    EXPECT_FALSE(tq::IsStrInStrArr("road", a));
    EXPECT_TRUE(tq::IsStrInStrArrNoCase("ROAD", a));
    // Case folding is ASCII only: a trail byte 0x5C is not folded into 0x7C.
    EXPECT_FALSE(tq::IsStrInStrArrNoCase("\xb5\x7c", a));
    EXPECT_TRUE(tq::StrInStrArr(a, "ABC", 0));
    EXPECT_FALSE(tq::StrInStrArr(a, "ABC", 1));

    int pos = -7;
    EXPECT_FALSE(tq::FindPos(a, "ROAD", pos));
    EXPECT_EQ(pos, -7);  // untouched on failure
    EXPECT_TRUE(tq::FindPos(a, "abc", pos));
    EXPECT_EQ(pos, 0);

    StringArray x = {"a", "b"}, y = {"b", "a"}, z = {"a", "b"}, e1, e2;
    EXPECT_TRUE(tq::StrArrIsEq(e1, e2));
    EXPECT_TRUE(tq::StrArrIsEq(x, z));
    EXPECT_FALSE(tq::StrArrIsEq(x, y));
}

TEST(ArraySearch, FindFromAStartIndex) {
    StringArray a = {"Alpha", "road 1", "ALPHA", "alphabet", kKan + "x"};
    int idx = -1;
    EXPECT_TRUE(tq::StrArrFindStr(a, "ALPHA", idx, 0, true));
    EXPECT_EQ(idx, 2);
    EXPECT_TRUE(tq::StrArrFindStr(a, "alpha", idx, 1, false));
    EXPECT_EQ(idx, 2);
    EXPECT_TRUE(tq::StrArrFindStrLeftPart(a, "ROAD", idx, 0, false));
    EXPECT_EQ(idx, 1);
    EXPECT_TRUE(tq::StrArrFindStrLeftPart(a, "", idx, 3, true));  // "" matches at the start
    EXPECT_EQ(idx, 3);
    idx = 42;
    EXPECT_FALSE(tq::StrArrFindStr(a, "alpha", idx, 3, false));
    EXPECT_FALSE(tq::StrArrFindStr(a, "Alpha", idx, 5, true));  // start at the size
    EXPECT_FALSE(tq::StrArrFindStrLeftPart(a, "road 1 x", idx, 0, false));
    EXPECT_EQ(idx, 42);

    tq::UIntArray hits = {7};
    EXPECT_TRUE(tq::StrArrFindStr(a, "lpha", hits, 0));
    EXPECT_TRUE(tq::StrArrFindStr(a, "", hits, 4));
    EXPECT_FALSE(tq::StrArrFindStr(a, "|", hits, 0));  // the trail byte of 磡 is no '|'
    EXPECT_EQ(hits, (tq::UIntArray{7, 0, 3, 4}));
    EXPECT_THROW(tq::StrArrFindStr(a, "x", idx, -1, true), tq::InvalidArgument);
    EXPECT_THROW(tq::StrArrFindStr(a, "x", hits, -2), tq::InvalidArgument);
    EXPECT_THROW(tq::StrArrFindStrLeftPart(a, "r", idx, -1, true), tq::InvalidArgument);
}

}  // namespace
