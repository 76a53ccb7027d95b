// The GBK text layer: character stepping, searches, trimming, case folding, locale-independent
// number text and the conversions to UTF-16, UTF-8 and file-system paths.
#include <gtest/gtest.h>

#include "text/text.h"

namespace {

namespace text = tq::text;

const std::string kFan = "\xb5\x5c";   // 礬, trail byte '\'
const std::string kKan = "\xb4\x7c";   // 磡, trail byte '|'
const std::string kHou = "\xb3\x40";   // 矦, trail byte '@'
const std::string kQing = "\xc7\xe0";  // 青

// What the string, file and INI tests do not reach of the searches, trimming and case folding.
TEST(TextSearch, OnlyWholeCharactersMatchOrFold) {
    // A lead byte at the end, or before a byte that cannot be a trail byte, is a character alone.
    for (const char* lone : {"\xb5", "\xb5\x31", "\xb5\x7f", "\xff\x40", "\x80\x40"})
        EXPECT_EQ(text::charLen(lone, 0), 1u) << lone;
    EXPECT_EQ(text::find(kFan + "\\", '\\'), 2u);
    EXPECT_EQ(text::rfind(kKan + "|", "||"), text::npos);           // would span 磡 and '|'
    EXPECT_FALSE(text::startsWithNoCase(kFan, kFan.substr(0, 1)));  // ends inside a character
    // Trail bytes 0x40-0x5A / 0x60-0x7A look like letters; they are never folded.
    EXPECT_EQ(text::toLower("ABC" + kQing + "X\x81\x41"), "abc" + kQing + "x\x81\x41");
    EXPECT_NE(text::compareNoCase("\x81\x41", "\x81\x61"), 0);
    // The ideographic space (A1A1) is not ASCII white space.
    EXPECT_EQ(text::trim(" \t\r\n\v\f\xa1\xa1" + kFan + "\t"), "\xa1\xa1" + kFan);
}

TEST(TextNumbers, CLocaleFormattingAndParsing) {
    EXPECT_EQ(text::format("%.2f|%d|%s", 3.5, -7, "x"), "3.50|-7|x");
    EXPECT_EQ(text::format("%0300d", 5).size(), 300u);  // past the stack buffer
    EXPECT_EQ(text::format("a%cb", '\0'), std::string("a\0b", 3));
    EXPECT_EQ(text::atoi(nullptr), 0);  // the other integers: golden/text_forms.txt
    EXPECT_DOUBLE_EQ(text::atof(" 12.5abc"), 12.5);
    EXPECT_DOUBLE_EQ(text::atof("3,5"), 3.0);
    char* end = nullptr;
    EXPECT_DOUBLE_EQ(text::strtod("2.5rest", &end), 2.5);
    EXPECT_STREQ(end, "rest");
}

TEST(TextConvert, GbkUtf16AndUtf8) {
    std::u16string u;
    ASSERT_TRUE(text::gbkToUtf16(kQing + "a" + kFan + kKan + kHou + "\x80", u));
    EXPECT_EQ(u, u"\u9752a\u792c\u78e1\u77e6\u20ac");
    EXPECT_EQ(text::utf16ToGbk(u), kQing + "a" + kFan + kKan + kHou + "\x80");
    // Invalid GBK fails: a lone lead byte, a lead byte before a non-trail byte, 0xFF.
    for (const char* bad : {"ab\xb5", "\xb5\x31", "\xff"}) EXPECT_FALSE(text::gbkToUtf16(bad, u));
    // Characters code page 936 lacks become '?', a surrogate pair as one; lone surrogates too.
    EXPECT_EQ(text::utf16ToGbk(u"a\U0001F600b\u0e01"), "a?b?");
    EXPECT_EQ(text::utf16ToGbk(std::u16string(u"x") + char16_t(0xD800) + u"y"), "x?y");
    EXPECT_EQ(text::utf16ToGbk(std::u16string(u"x") + char16_t(0xDC00)), "x?");

    EXPECT_EQ(text::gbkToUtf8(kQing + kFan + "\\"), "\xe9\x9d\x92\xe7\xa4\xac\\");
    EXPECT_EQ(text::utf8ToGbk("\xe9\x9d\x92\xe7\xa4\xac\\"), kQing + kFan + "\\");
    EXPECT_EQ(text::gbkToUtf8("a\xb5"), "a\xef\xbf\xbd");
    EXPECT_EQ(text::utf8ToGbk("a\xf0\x9f\x98\x80"
                              "b\xff"),
              "a?b?");
    for (const char* bad : {"\xc7\xe0", "\xc0\x80", "\xed\xa0\x80"})
        EXPECT_FALSE(text::isValidUtf8(bad)) << bad;
    EXPECT_EQ(text::utf8ToUtf16("\xe9\x9d\x92\xf0\x9f\x98\x80"), u"\u9752\U0001F600");
    EXPECT_EQ(text::utf16ToUtf8(u"\u9752\U0001F600"), "\xe9\x9d\x92\xf0\x9f\x98\x80");
}

TEST(TextConvert, UserDefinedCharactersMapToPrivateUse) {
    // The three user-defined areas of code page 936 map to U+E000-U+E765, as on Windows.
    const std::string uda =
        "\xaa\xa1\xaf\xfe\xf8\xa1\xfe\xfe\xa1\x40\xa1\x7e\xa1\x80\xa7\xa0\xa1\x5c";
    const std::u16string pua = u"\ue000\ue233\ue234\ue4c5\ue4c6\ue504\ue505\ue765\ue4e2";
    std::u16string u;
    ASSERT_TRUE(text::gbkToUtf16("x" + uda + kQing, u));
    EXPECT_EQ(u, u"x" + pua + u"\u9752");
    EXPECT_EQ(text::utf16ToGbk(u), "x" + uda + kQing);
    EXPECT_EQ(text::utf8ToGbk(text::gbkToUtf8(uda)), uda);
    EXPECT_EQ(text::utf16ToGbk(u"\ue766"), "?");  // beyond the mapped block
    // A user-defined character whose trail byte is '\' is one character in a path too.
    EXPECT_EQ(text::pathToOs("\\d\\\xa1\x5c\\f"), "/d/\xee\x93\xa2/f");
    EXPECT_EQ(text::pathFromOs("/d/\xee\x93\xa2"), "/d/\xa1\x5c");
}

TEST(TextConvert, Paths) {
    // Backslashes become '/', but never the trail byte of 礬; UTF-8 that is not GBK and bytes
    // that are not valid GBK pass through.
    EXPECT_EQ(text::pathToOs("C:\\" + kFan + "\\" + kKan + "|" + kHou + "@"),
              "C:/\xe7\xa4\xac/\xe7\xa3\xa1|\xe7\x9f\xa6@");
    EXPECT_EQ(text::pathToOs("/tmp\\\xe9\x9d\x92/x"), "/tmp/\xe9\x9d\x92/x");
    EXPECT_EQ(text::pathToOs("/t/\xff"
                             "a\\" +
                             kQing),
              "/t/\xff"
              "a/\xe9\x9d\x92");
    // Names that are not UTF-8, or hold characters outside code page 936, come back unchanged.
    EXPECT_EQ(text::pathFromOs("/t/\xe9\x9d\x92\xe7\xa4\xac"), "/t/" + kQing + kFan);
    EXPECT_EQ(text::pathFromOs("/t/\xff"), "/t/\xff");
    EXPECT_EQ(text::pathFromOs("/t/\xf0\x9f\x98\x80"), "/t/\xf0\x9f\x98\x80");
}

}  // namespace
