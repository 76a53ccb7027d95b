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
const std::string kHeng = "\xba\xe2";  // 衡

TEST(TextChars, StepsOverDoubleByteCharacters) {
    std::string s = "a" + kFan + kKan + kHou + "\\";
    EXPECT_EQ(1u, text::charLen(s, 0));
    EXPECT_EQ(2u, text::charLen(s, 1));
    EXPECT_EQ(2u, text::charLen(s, 3));
    EXPECT_EQ(2u, text::charLen(s, 5));
    EXPECT_EQ(1u, text::charLen(s, 7));
    EXPECT_TRUE(text::isCharBoundary(s, 0));
    EXPECT_TRUE(text::isCharBoundary(s, 1));
    EXPECT_FALSE(text::isCharBoundary(s, 2));
    EXPECT_FALSE(text::isCharBoundary(s, 4));
    EXPECT_FALSE(text::isCharBoundary(s, 6));
    EXPECT_TRUE(text::isCharBoundary(s, 7));
    EXPECT_TRUE(text::isCharBoundary(s, 8));   // the end
    EXPECT_FALSE(text::isCharBoundary(s, 9));  // beyond the end
    // A lead byte at the end, or before a byte that cannot be a trail byte, is a character alone.
    EXPECT_EQ(1u, text::charLen("\xb5", 0));
    EXPECT_EQ(1u, text::charLen("\xb5"
                                "1",
                                0));
    EXPECT_EQ(1u, text::charLen("\xb5\x7f", 0));
    EXPECT_EQ(1u, text::charLen("\xff\x40", 0));
    EXPECT_EQ(1u, text::charLen("\x80\x40", 0));
}

TEST(TextSearch, AsciiNeverMatchesATrailByte) {
    std::string s = kFan + "\\" + kKan + "|" + kHou + "@" + kFan;
    EXPECT_EQ(2u, text::find(s, '\\'));
    EXPECT_EQ(5u, text::find(s, '|'));
    EXPECT_EQ(8u, text::find(s, '@'));
    EXPECT_EQ(2u, text::rfind(s, '\\'));
    EXPECT_EQ(5u, text::rfind(s, '|'));
    EXPECT_EQ(8u, text::rfind(s, '@'));
    EXPECT_EQ(text::npos, text::find(kFan + kKan + kHou, '\\'));
    EXPECT_EQ(text::npos, text::rfind(kFan + kKan + kHou, '|'));
    // Searching from a position.
    EXPECT_EQ(text::npos, text::find(s, '\\', 3));
    EXPECT_EQ(0u, text::find("a,b,c", ',') - 1);
    EXPECT_EQ(3u, text::find("a,b,c", ',', 2));
    EXPECT_EQ(text::npos, text::find("a,b,c", ',', 99));
    // A start position inside a character is never a hit itself.
    EXPECT_EQ(text::npos, text::find(kFan, '\\', 1));

    // Substrings: only at character boundaries.
    std::string t = "x" + kFan + kQing + "\\" + kQing;
    EXPECT_EQ(1u, text::find(t, kFan));
    EXPECT_EQ(3u, text::find(t, kQing));
    EXPECT_EQ(6u, text::find(t, kQing, 4));
    EXPECT_EQ(6u, text::rfind(t, kQing));
    EXPECT_EQ(5u, text::find(t, std::string("\\")));
    EXPECT_EQ(text::npos, text::find(t, "\\" + kQing.substr(0, 1) + "\xe0\\"));
    // "\x5c\xc7\xe0" occurs at byte 2 (inside 礬) and at byte 5: only the second counts.
    EXPECT_EQ(5u, text::find(t, "\\" + kQing));
    EXPECT_EQ(5u, text::rfind(t, "\\" + kQing));
    // 磡 followed by '|': the byte pair "||" spans the character and must not be found.
    EXPECT_EQ(text::npos, text::find(kKan + "|", "||"));
    EXPECT_EQ(text::npos, text::rfind(kKan + "|", "||"));
    EXPECT_EQ(0u, text::find("abc", ""));
    EXPECT_EQ(3u, text::find("abc", "", 3));
    EXPECT_EQ(text::npos, text::find("abc", "", 4));
    EXPECT_EQ(text::npos, text::find(kFan, "", 1));
    EXPECT_EQ(text::npos, text::find("ab", "abc"));
}

TEST(TextTrim, AsciiWhiteSpaceOnly) {
    EXPECT_EQ("a b", text::trim(" \t\r\n\v\fa b \t\r\n\v\f"));
    EXPECT_EQ("a ", text::trimLeft("  a "));
    EXPECT_EQ("  a", text::trimRight("  a \n"));
    EXPECT_EQ("", text::trim(" \t "));
    EXPECT_EQ("", text::trim(""));
    // The ideographic space (A1A1) is not ASCII white space.
    EXPECT_EQ("\xa1\xa1" + kQing, text::trim(" \xa1\xa1" + kQing + " "));
    EXPECT_EQ(kFan + kKan + kHou, text::trim(" " + kFan + kKan + kHou + "\t"));
}

TEST(TextCase, AsciiFoldingOnly) {
    EXPECT_EQ("abc" + kQing + "x", text::toLower("ABC" + kQing + "X"));
    EXPECT_EQ("ABC" + kQing, text::toUpper("abc" + kQing));
    // Trail bytes 0x40-0x5A / 0x60-0x7A look like letters; they are never folded.
    std::string upperTrail = "\x81\x41";  // 丄 with trail 'A'
    std::string lowerTrail = "\x81\x61";  // trail 'a'
    EXPECT_EQ(upperTrail, text::toLower(upperTrail));
    EXPECT_EQ(lowerTrail, text::toUpper(lowerTrail));
    EXPECT_NE(0, text::compareNoCase(upperTrail, lowerTrail));
    EXPECT_FALSE(text::equalsNoCase(kFan, "\xb5\x7c"));

    EXPECT_EQ(0, text::compareNoCase("Road" + kQing, "rOAD" + kQing));
    EXPECT_LT(text::compareNoCase("abc", "ABD"), 0);
    EXPECT_GT(text::compareNoCase("abd", "ABC"), 0);
    EXPECT_LT(text::compareNoCase("ab", "ABC"), 0);
    EXPECT_GT(text::compareNoCase("abc", "AB"), 0);
    EXPECT_EQ(0, text::compareNoCase("", ""));
    EXPECT_GT(text::compareNoCase(kQing, "z"), 0);  // high bytes sort after ASCII

    EXPECT_TRUE(text::startsWithNoCase("ROAD 1", "road"));
    EXPECT_TRUE(text::startsWithNoCase(kQing + kHeng, kQing));
    EXPECT_FALSE(text::startsWithNoCase("ro", "road"));
    // A prefix that ends inside a character does not start the text.
    EXPECT_FALSE(text::startsWithNoCase(kFan, kFan.substr(0, 1)));
}

TEST(TextNumbers, CLocaleFormattingAndParsing) {
    EXPECT_EQ("3.50|-7|x", text::format("%.2f|%d|%s", 3.5, -7, "x"));
    std::string longText = text::format("%0300d", 5);
    EXPECT_EQ(300u, longText.size());
    EXPECT_EQ('5', longText.back());
    EXPECT_EQ(std::string("a\0b", 3), text::format("a%cb", '\0'));

    EXPECT_EQ(42, text::atoi("  \t42xyz"));
    EXPECT_EQ(-42, text::atoi("-42"));
    EXPECT_EQ(42, text::atoi("+42"));
    EXPECT_EQ(0, text::atoi(""));
    EXPECT_EQ(0, text::atoi("-"));
    EXPECT_EQ(0, text::atoi("x1"));
    EXPECT_EQ(0, text::atoi(static_cast<const char*>(nullptr)));
    EXPECT_EQ(2147483647, text::atoi("2147483647"));
    EXPECT_EQ(-2147483647 - 1, text::atoi("-2147483648"));
    EXPECT_EQ(2147483647, text::atoi("99999999999999999999999"));
    EXPECT_EQ(-2147483647 - 1, text::atoi("-99999999999999999999999"));

    EXPECT_DOUBLE_EQ(12.5, text::atof(" 12.5abc"));
    EXPECT_DOUBLE_EQ(-1e-3, text::atof("-1e-3"));
    EXPECT_DOUBLE_EQ(3.0, text::atof("3,5"));
    EXPECT_DOUBLE_EQ(0.0, text::atof("abc"));
    const char* in = "2.5rest";
    char* end = nullptr;
    EXPECT_DOUBLE_EQ(2.5, text::strtod(in, &end));
    EXPECT_STREQ("rest", end);
    EXPECT_DOUBLE_EQ(0.0, text::strtod(nullptr, &end));
}

TEST(TextConvert, GbkAndUtf16) {
    std::u16string u;
    ASSERT_TRUE(text::gbkToUtf16(kQing + kHeng + "a" + kFan + kKan + kHou, u));
    EXPECT_EQ(u"\u9752\u8861a\u792c\u78e1\u77e6", u);
    ASSERT_TRUE(text::gbkToUtf16("", u));
    EXPECT_TRUE(u.empty());
    ASSERT_TRUE(text::gbkToUtf16("\x80", u));  // the euro sign of code page 936
    EXPECT_EQ(u"\u20ac", u);

    // Invalid GBK fails: a lone lead byte, a lead byte before a non-trail byte, 0xFF.
    EXPECT_FALSE(text::gbkToUtf16("ab\xb5", u));
    EXPECT_FALSE(
        text::gbkToUtf16("\xb5"
                         "1",
                         u));
    EXPECT_FALSE(text::gbkToUtf16("\xff", u));
    EXPECT_FALSE(text::isValidGbk("\xb5"));
    EXPECT_TRUE(text::isValidGbk(kFan + "abc"));

    EXPECT_EQ(kQing + kHeng + "a" + kFan + kKan + kHou,
              text::utf16ToGbk(u"\u9752\u8861a\u792c\u78e1\u77e6"));
    // Characters code page 936 lacks become '?', a surrogate pair as one character; unpaired
    // surrogates too.
    EXPECT_EQ("a?b", text::utf16ToGbk(u"a\U0001F600b"));
    EXPECT_EQ("?" + kQing, text::utf16ToGbk(u"\u0e01\u9752"));
    EXPECT_EQ("x?y", text::utf16ToGbk(std::u16string(u"x") + char16_t(0xD800) + u"y"));
    EXPECT_EQ("x?", text::utf16ToGbk(std::u16string(u"x") + char16_t(0xDC00)));
    EXPECT_EQ("x?", text::utf16ToGbk(std::u16string(u"x") + char16_t(0xD800)));
}

TEST(TextConvert, UserDefinedCharactersMapToPrivateUse) {
    // The three user-defined areas of code page 936 map to U+E000-U+E765, as on Windows.
    const std::string uda =
        "\xaa\xa1\xaf\xfe\xf8\xa1\xfe\xfe\xa1\x40\xa1\x7e\xa1\x80\xa7\xa0\xa1\x5c";
    const std::u16string pua = u"\ue000\ue233\ue234\ue4c5\ue4c6\ue504\ue505\ue765\ue4e2";
    std::u16string u;
    ASSERT_TRUE(text::gbkToUtf16("x" + uda + kQing, u));
    EXPECT_EQ(u"x" + pua + u"\u9752", u);
    EXPECT_TRUE(text::isValidGbk(uda));
    EXPECT_EQ("x" + uda + kQing, text::utf16ToGbk(u"x" + pua + u"\u9752"));
    EXPECT_EQ(uda, text::utf8ToGbk(text::gbkToUtf8(uda)));
    EXPECT_EQ("\xee\x80\x80", text::gbkToUtf8("\xaa\xa1"));
    // A user-defined character whose trail byte is '\' is one character in a path too.
    EXPECT_EQ("/d/\xee\x93\xa2/f", text::pathToOs("\\d\\\xa1\x5c\\f"));
    EXPECT_EQ("/d/\xa1\x5c", text::pathFromOs("/d/\xee\x93\xa2"));
    // Private-use characters beyond the mapped block are still '?'.
    EXPECT_EQ("?", text::utf16ToGbk(u"\ue766"));
}

TEST(TextConvert, GbkAndUtf8) {
    EXPECT_EQ("\xe9\x9d\x92\xe8\xa1\xa1", text::gbkToUtf8(kQing + kHeng));
    EXPECT_EQ("\xe7\xa4\xac\\", text::gbkToUtf8(kFan + "\\"));
    EXPECT_EQ(kQing + kHeng, text::utf8ToGbk("\xe9\x9d\x92\xe8\xa1\xa1"));
    EXPECT_EQ(kFan + kKan + kHou, text::utf8ToGbk(text::gbkToUtf8(kFan + kKan + kHou)));
    // Invalid GBK becomes U+FFFD; UTF-8 that code page 936 lacks, or invalid UTF-8, becomes '?'.
    EXPECT_EQ("a\xef\xbf\xbd", text::gbkToUtf8("a\xb5"));
    EXPECT_EQ("a?b", text::utf8ToGbk("a\xf0\x9f\x98\x80"
                                     "b"));
    EXPECT_EQ("a?b", text::utf8ToGbk("a\xff"
                                     "b"));
    EXPECT_TRUE(text::isValidUtf8("\xe9\x9d\x92"));
    EXPECT_FALSE(text::isValidUtf8("\xc7\xe0"));
    EXPECT_FALSE(text::isValidUtf8("\xc0\x80"));      // overlong
    EXPECT_FALSE(text::isValidUtf8("\xed\xa0\x80"));  // surrogate
    EXPECT_EQ(u"\u9752\U0001F600", text::utf8ToUtf16("\xe9\x9d\x92\xf0\x9f\x98\x80"));
    EXPECT_EQ("\xe9\x9d\x92\xf0\x9f\x98\x80", text::utf16ToUtf8(u"\u9752\U0001F600"));
}

TEST(TextConvert, Paths) {
    // Backslashes become '/', but never the trail byte of 礬.
    EXPECT_EQ("C:/\xe7\xa4\xac/a.txt", text::pathToOs("C:\\" + kFan + "\\a.txt"));
    EXPECT_EQ("/tmp/\xe9\x9d\x92\xe8\xa1\xa1/\xe7\xa3\xa1|\xe7\x9f\xa6@",
              text::pathToOs("/tmp/" + kQing + kHeng + "\\" + kKan + "|" + kHou + "@"));
    // UTF-8 that is not GBK passes through (only the separators change).
    EXPECT_EQ("/tmp/\xe9\x9d\x92/x", text::pathToOs("/tmp\\\xe9\x9d\x92/x"));
    // Bytes that are not valid GBK pass through unchanged.
    EXPECT_EQ(
        "/tmp/\xff"
        "a/"
        "\xe9\x9d\x92",
        text::pathToOs("/tmp/\xff"
                       "a\\" +
                       kQing));

    EXPECT_EQ("/tmp/" + kQing + kFan, text::pathFromOs("/tmp/\xe9\x9d\x92\xe7\xa4\xac"));
    EXPECT_EQ("/tmp/plain", text::pathFromOs("/tmp/plain"));
    EXPECT_EQ("/tmp/\xff", text::pathFromOs("/tmp/\xff"));
    // Names with characters outside code page 936 come back unchanged.
    EXPECT_EQ("/tmp/\xf0\x9f\x98\x80", text::pathFromOs("/tmp/\xf0\x9f\x98\x80"));
    // GBK -> OS -> GBK gives the name back.
    std::string name = "D:\\" + kFan + kKan + kHou + "\\" + kQing + ".ini";
    EXPECT_EQ("D:/" + kFan + kKan + kHou + "/" + kQing + ".ini",
              text::pathFromOs(text::pathToOs(name)));
}

}  // namespace
