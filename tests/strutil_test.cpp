// String and string-array utilities, with GBK text whose trail bytes are ASCII: 礬 "\xb5\x5c"
// (trail '\'), 磡 "\xb4\x7c" (trail '|'), 矦 "\xb3\x40" (trail '@').
#include <gtest/gtest.h>

#include "tqtool/strutil.h"

namespace {

using tq::StringArray;

const tq::String kFan = "\xb5\x5c";   // trail byte is a backslash
const tq::String kKan = "\xb4\x7c";   // trail byte is '|'
const tq::String kHou = "\xb3\x40";   // trail byte is '@'
const tq::String kQing = "\xc7\xe0";  // both bytes high
const tq::String kHeng = "\xba\xe2";  // both bytes high
const tq::String kDou = "\xb6\xba";   // both bytes high

TEST(Split, PiecesBetweenSeparatorsAppendedToWhatIsThere) {
    StringArray a;
    tq::Str2StrArr("", a, ',');
    EXPECT_TRUE(a.empty());
    tq::Str2StrArr(",", a, ',');
    EXPECT_EQ((StringArray{"", ""}), a);
    a.clear();
    tq::Str2StrArr("a;;b;", a, ';');
    EXPECT_EQ((StringArray{"a", "", "b", ""}), a);
    tq::Str2StrArr("xyz", a, ';');
    EXPECT_EQ((StringArray{"a", "", "b", "", "xyz"}), a);

    // A separator equal to a trail byte never cuts a double-byte character.
    StringArray g;
    tq::Str2StrArr(kFan + "\\" + kKan + "|" + kHou + "@" + kQing, g, '\\');
    EXPECT_EQ((StringArray{kFan, kKan + "|" + kHou + "@" + kQing}), g);
    g.clear();
    tq::Str2StrArr(kKan + "|" + kKan, g, '|');
    EXPECT_EQ((StringArray{kKan, kKan}), g);
    g.clear();
    tq::Str2StrArr(kHou + "@x@" + kHou, g, '@');
    EXPECT_EQ((StringArray{kHou, "x", kHou}), g);

    std::vector<tq::String> v = {"keep"};
    tq::Str2Vector(kFan + "," + kQing + ",,", v, ',');
    EXPECT_EQ((std::vector<tq::String>{"keep", kFan, kQing, "", ""}), v);
}

TEST(Split, TwoSeparatorsFirstCutAtFirstSeparator) {
    StringArray a;
    tq::Str2StrArr("k:a,b,c", a, ':', ',');
    EXPECT_EQ((StringArray{"k", "a", "b", "c"}), a);
    a.clear();
    tq::Str2StrArr("a,b:c", a, ':', ',');
    EXPECT_EQ((StringArray{"a,b", "c"}), a);
    a.clear();
    // Later colons are ordinary text; no colon at all gives the whole text.
    tq::Str2StrArr("k:a:b,c", a, ':', ',');
    EXPECT_EQ((StringArray{"k", "a:b", "c"}), a);
    a.clear();
    tq::Str2StrArr("abc", a, ':', ',');
    EXPECT_EQ((StringArray{"abc"}), a);
    a.clear();
    tq::Str2StrArr(kFan + "=" + kHou + "," + kKan, a, '=', ',');
    EXPECT_EQ((StringArray{kFan, kHou, kKan}), a);
}

TEST(Join, SeparatorRemovedFromItems) {
    StringArray a = {"a-b", "c"};
    EXPECT_EQ("ab-c", tq::StrArr2Str(a, "-"));
    EXPECT_EQ("ab-c", tq::StrArr2Str(a, '-'));
    StringArray empty;
    EXPECT_EQ("", tq::StrArr2Str(empty, "-"));
    EXPECT_EQ("", tq::StrArr2Str(empty, '-'));
    StringArray b = {"a::b", "c:", ""};
    EXPECT_EQ("a::bc:", tq::StrArr2Str(b, ""));  // an empty separator removes nothing
    EXPECT_EQ("ab::c:::", tq::StrArr2Str(b, "::"));
    EXPECT_EQ("ab:c:", tq::StrArr2Str(b, ':'));

    // The separator is removed only where it is a character of its own, never a trail byte.
    StringArray g = {kFan + "\\x", kKan + "|"};
    EXPECT_EQ(kFan + "x\\" + kKan + "|", tq::StrArr2Str(g, '\\'));
    EXPECT_EQ(kFan + "\\x|" + kKan, tq::StrArr2Str(g, '|'));

    // NUL is a separator like any other: removed from the items, joined with one NUL byte, so the
    // split at NUL gives the items back.
    StringArray n = {tq::String("a\0b", 3), "c"};
    tq::String joined = tq::StrArr2Str(n, '\0');
    EXPECT_EQ(tq::String("ab\0c", 4), joined);
    StringArray back;
    tq::Str2StrArr(joined, back, '\0');
    EXPECT_EQ((StringArray{"ab", "c"}), back);
}

TEST(NthSpaceStr, WordsSeparatedByRunsOfBlanks) {
    EXPECT_EQ("one", tq::NthSpaceStr("one two three", 1));
    EXPECT_EQ("two", tq::NthSpaceStr("one two three", 2));
    EXPECT_EQ("three", tq::NthSpaceStr("one two three", 3));
    EXPECT_EQ("abc", tq::NthSpaceStr("abc", 1));
    EXPECT_EQ("two", tq::NthSpaceStr("one  two   three", 2));
    EXPECT_EQ("three", tq::NthSpaceStr("one  two   three", 3));
    EXPECT_EQ("", tq::NthSpaceStr("one two", 0));
    EXPECT_EQ("", tq::NthSpaceStr("one two", -4));
    // A leading blank makes an empty first word; n = 1 is not trimmed.
    EXPECT_EQ("", tq::NthSpaceStr(" one two", 1));
    EXPECT_EQ("one", tq::NthSpaceStr(" one two", 2));
    EXPECT_EQ("\tone", tq::NthSpaceStr("\tone two", 1));
    // For n >= 2 the rest is trimmed of white space (tabs too), but only the blank ends a word.
    EXPECT_EQ("two\t", tq::NthSpaceStr("one \ttwo\t three", 2));
    // A trailing blank run leaves an empty last word.
    EXPECT_EQ("", tq::NthSpaceStr("one two ", 3));
    EXPECT_EQ(kQing + kHeng, tq::NthSpaceStr(kFan + " " + kQing + kHeng + " " + kKan, 2));
    EXPECT_EQ(kKan + "|" + kHou, tq::NthSpaceStr(kFan + " x " + kKan + "|" + kHou, 3));

    EXPECT_THROW(tq::NthSpaceStr("one two", 3), tq::InvalidArgument);
    EXPECT_THROW(tq::NthSpaceStr("abc", 2), tq::InvalidArgument);
    EXPECT_THROW(tq::NthSpaceStr("", 2), std::invalid_argument);
}

TEST(FindChNumInStr, CountsAndOneBasedPositionsAppended) {
    EXPECT_EQ(2, tq::FindChNumInStr("a/b/c", '/'));
    tq::UIntArray pos = {99};
    EXPECT_EQ(2, tq::FindChNumInStr("a/b/c", '/', pos));
    EXPECT_EQ((tq::UIntArray{99, 2, 4}), pos);
    EXPECT_EQ(0, tq::FindChNumInStr("", '/'));
    EXPECT_EQ(3, tq::FindChNumInStr("///", '/'));

    // Trail bytes are never counted.
    tq::String g = kFan + "\\" + kFan + kKan + "|" + kHou + "@";
    EXPECT_EQ(1, tq::FindChNumInStr(g, '\\'));
    EXPECT_EQ(1, tq::FindChNumInStr(g, '|'));
    tq::UIntArray at;
    EXPECT_EQ(1, tq::FindChNumInStr(g, '@', at));
    EXPECT_EQ((tq::UIntArray{11}), at);
    at.clear();
    EXPECT_EQ(1, tq::FindChNumInStr(g, '\\', at));
    EXPECT_EQ((tq::UIntArray{3}), at);
}

TEST(StrAlltrim, RemovesAsciiSpaceAndPunctuationKeepsDoubleByteCharactersWhole) {
    tq::String s = "a, b-c";
    EXPECT_EQ("abc", tq::StrAlltrim(s));
    EXPECT_EQ("abc", s);
    tq::String ws = " \t1\r\n2\v\f3 !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~";
    EXPECT_EQ("123", tq::StrAlltrim(ws));

    tq::String plain = kQing + kHeng + kDou;
    EXPECT_EQ(plain, tq::StrAlltrim(plain));
    // Characters whose trail byte is '\', '|' or '@' stay whole (byte-wise testing would cut
    // the trail byte and corrupt the text); the ASCII punctuation between them goes.
    tq::String g = " " + kFan + "\\ " + kKan + "|" + kHou + "@, " + kQing + ".";
    tq::String r = tq::StrAlltrim(g);
    EXPECT_EQ(kFan + kKan + kHou + kQing, r);
    EXPECT_EQ(r, g);

    // A lone high byte (a lead byte without trail) is kept; empty stays empty.
    tq::String lone = "x\xb5";
    EXPECT_EQ("x\xb5", tq::StrAlltrim(lone));
    tq::String e;
    EXPECT_EQ("", tq::StrAlltrim(e));
}

TEST(StrTrim0, TrailingZerosOnlyAfterAPoint) {
    EXPECT_EQ("12.34", tq::StrTrim0("12.3400"));
    EXPECT_EQ("5", tq::StrTrim0("5.000"));
    EXPECT_EQ("100", tq::StrTrim0("100"));
    EXPECT_EQ("", tq::StrTrim0(".000"));
    EXPECT_EQ("3.1", tq::StrTrim0(" 3.10\t"));
    EXPECT_EQ("30", tq::StrTrim0("30"));
    EXPECT_EQ("1", tq::StrTrim0("1..0"));
    EXPECT_EQ("", tq::StrTrim0("   "));
}

TEST(AddZeroToStr, TrimsThenPads) {
    EXPECT_EQ("00042", tq::AddZeroToStr("42", 5));
    EXPECT_EQ("42", tq::AddZeroToStr("42", 2));
    EXPECT_EQ("42", tq::AddZeroToStr("42", 1));
    EXPECT_EQ("42", tq::AddZeroToStr("42", -3));
    EXPECT_EQ("042", tq::AddZeroToStr("  42 \t", 3));
    EXPECT_EQ("0000", tq::AddZeroToStr("", 4));
    EXPECT_EQ("00" + kQing, tq::AddZeroToStr(kQing, 4));  // widths are bytes
}

TEST(SpaceAndBackslash, Basics) {
    EXPECT_EQ("", tq::Space(0));
    EXPECT_EQ("", tq::Space(-3));
    EXPECT_EQ("   ", tq::Space(3));

    tq::String e;
    EXPECT_EQ("\\", tq::ConfirmBackslash(e));
    EXPECT_EQ("\\", e);
    tq::String p = "C:\\dir\\";
    EXPECT_EQ("C:\\dir\\", tq::ConfirmBackslash(p));
    EXPECT_EQ("C:\\dir\\", p);
    tq::String q = "C:\\dir";
    EXPECT_EQ("C:\\dir\\", tq::ConfirmBackslash(q));
    EXPECT_EQ("C:\\dir\\", q);
    // A folder whose name ends in a character with trail byte 0x5C still needs its backslash.
    tq::String g = "C:\\" + kFan;
    EXPECT_EQ("C:\\" + kFan + "\\", tq::ConfirmBackslash(g));
    EXPECT_EQ("C:\\" + kFan + "\\", g);
    tq::String g2 = "C:\\" + kFan + "\\";
    EXPECT_EQ("C:\\" + kFan + "\\", tq::ConfirmBackslash(g2));
}

TEST(ArraySearch, ExactAndCaseInsensitiveMembership) {
    StringArray a = {"abc", kFan, "Road"};
    const std::vector<tq::String> v = a;
    EXPECT_TRUE(tq::IsStrInStrArr(a, "abc"));
    EXPECT_FALSE(tq::IsStrInStrArr(a, "ABC"));
    EXPECT_TRUE(tq::IsStrInStrArr(kFan, v));
    EXPECT_FALSE(tq::IsStrInStrArr("road", v));
    EXPECT_FALSE(tq::IsStrInStrArr(StringArray{}, ""));
    EXPECT_TRUE(tq::IsStrInStrArrNoCase("ROAD", a));
    EXPECT_TRUE(tq::IsStrInStrArrNoCase(kFan, a));
    // Case folding is ASCII only: a trail byte 0x5C is not folded into 0x7C and vice versa.
    EXPECT_FALSE(tq::IsStrInStrArrNoCase("\xb5\x7c", a));
    EXPECT_TRUE(tq::StrInStrArr(a, "ABC", 0));
    EXPECT_TRUE(tq::StrInStrArr(a, "ABC", 2));
    EXPECT_FALSE(tq::StrInStrArr(a, "ABC", 1));
    EXPECT_TRUE(tq::StrInStrArr(a, "abc", 1));

    int pos = -7;
    EXPECT_FALSE(tq::FindPos(a, "ROAD", pos));
    EXPECT_EQ(-7, pos);  // untouched on failure
    EXPECT_TRUE(tq::FindPos(a, "Road", pos));
    EXPECT_EQ(2, pos);
    StringArray dup = {"x", "y", "x"};
    EXPECT_TRUE(tq::FindPos(dup, "x", pos));
    EXPECT_EQ(0, pos);

    StringArray e1, e2;
    EXPECT_TRUE(tq::StrArrIsEq(e1, e2));
    StringArray x = {"a", "b"}, y = {"b", "a"}, z = {"a", "b"}, w = {"a", "B"}, u = {"a"};
    EXPECT_FALSE(tq::StrArrIsEq(x, y));
    EXPECT_TRUE(tq::StrArrIsEq(x, z));
    EXPECT_FALSE(tq::StrArrIsEq(x, w));
    EXPECT_FALSE(tq::StrArrIsEq(x, u));
}

TEST(ArraySearch, FindStrFromStart) {
    StringArray a = {"Alpha", "beta", "ALPHA", "alphabet", kKan + "x"};
    int idx = -1;
    EXPECT_TRUE(tq::StrArrFindStr(a, "ALPHA", idx, 0, true));
    EXPECT_EQ(2, idx);
    EXPECT_TRUE(tq::StrArrFindStr(a, "alpha", idx, 0, false));
    EXPECT_EQ(0, idx);
    EXPECT_TRUE(tq::StrArrFindStr(a, "alpha", idx, 1, false));
    EXPECT_EQ(2, idx);
    idx = 42;
    EXPECT_FALSE(tq::StrArrFindStr(a, "alpha", idx, 3, false));
    EXPECT_FALSE(tq::StrArrFindStr(a, "beta", idx, 5, true));  // start at the size
    EXPECT_FALSE(tq::StrArrFindStr(a, "beta", idx, 99, true));
    EXPECT_EQ(42, idx);
    EXPECT_THROW(tq::StrArrFindStr(a, "beta", idx, -1, true), tq::InvalidArgument);

    tq::UIntArray hits = {7};
    EXPECT_TRUE(tq::StrArrFindStr(a, "lpha", hits, 0));
    EXPECT_EQ((tq::UIntArray{7, 0, 3}), hits);  // case-sensitive substring, appended
    hits.clear();
    EXPECT_TRUE(tq::StrArrFindStr(a, "", hits, 3));
    EXPECT_EQ((tq::UIntArray{3, 4}), hits);
    hits.clear();
    // '|' inside 磡 is a trail byte, not a '|'.
    EXPECT_FALSE(tq::StrArrFindStr(a, "|", hits, 0));
    EXPECT_FALSE(tq::StrArrFindStr(a, "x", hits, 5));
    EXPECT_TRUE(hits.empty());
    EXPECT_THROW(tq::StrArrFindStr(a, "x", hits, -2), tq::InvalidArgument);
}

TEST(ArraySearch, FindLeftPart) {
    StringArray a = {"ab", "Road 1", "road 2", kFan + "x", "r"};
    int idx = -1;
    EXPECT_TRUE(tq::StrArrFindStrLeftPart(a, "road", idx, 0, true));
    EXPECT_EQ(2, idx);
    EXPECT_TRUE(tq::StrArrFindStrLeftPart(a, "ROAD", idx, 0, false));
    EXPECT_EQ(1, idx);
    EXPECT_TRUE(tq::StrArrFindStrLeftPart(a, kFan.c_str(), idx, 0, true));
    EXPECT_EQ(3, idx);
    // An item shorter than the prefix is compared whole, so it does not match.
    idx = -1;
    EXPECT_FALSE(tq::StrArrFindStrLeftPart(a, "road 2 x", idx, 0, false));
    EXPECT_EQ(-1, idx);
    // The empty prefix matches the item at the start index.
    EXPECT_TRUE(tq::StrArrFindStrLeftPart(a, "", idx, 3, true));
    EXPECT_EQ(3, idx);
    EXPECT_FALSE(tq::StrArrFindStrLeftPart(a, "", idx, 5, true));
    EXPECT_THROW(tq::StrArrFindStrLeftPart(a, "r", idx, -1, true), tq::InvalidArgument);
    EXPECT_TRUE(tq::StrArrFindStrLeftPart(a, nullptr, idx, 1, true));  // null counts as ""
    EXPECT_EQ(1, idx);
}

}  // namespace
