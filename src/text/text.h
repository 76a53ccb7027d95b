// Text layer: code page 936 (GBK) character rules, locale-independent number text, and
// conversions between GBK, UTF-16 and UTF-8.
//
// A lead byte 0x81-0xFE followed by a trail byte 0x40-0x7E or 0x80-0xFE is one character; every
// other byte is a character by itself. Searches, trimming and comparisons step over whole
// characters, so a search for an ASCII byte never matches the trail byte of a double-byte
// character (many trail bytes are ASCII: 0x5C '\', 0x7C '|', 0x40 '@' ...).
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tqtool/types.h"

namespace tq::text {

inline constexpr size_t npos = std::string::npos;

inline bool isLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}
inline bool isTrailByte(unsigned char c) {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFE);
}
/// Length in bytes (1 or 2) of the character that starts at `pos`.
inline size_t charLen(std::string_view s, size_t pos) {
    if (pos + 1 < s.size() && isLeadByte(static_cast<unsigned char>(s[pos])) &&
        isTrailByte(static_cast<unsigned char>(s[pos + 1])))
        return 2;
    return 1;
}

/// ASCII white space: blank, tab, line feed, vertical tab, form feed, carriage return.
inline bool isSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
/// ASCII printable characters that are neither letters, digits nor blank.
inline bool isPunct(unsigned char c) {
    return c > 0x20 && c < 0x7F && !(c >= '0' && c <= '9') &&
           !((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
}
inline bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
inline char toLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
inline char toUpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

/// Calls `at(pos)` at the start of every character of `s`, in order: one pass over the text.
template <typename At>
void forEachChar(std::string_view s, At at) {
    for (size_t i = 0; i < s.size(); i += charLen(s, i)) at(i);
}

/// Position of the first character equal to `c` at or after `from`, or npos. The search starts
/// at `from`, which must be a character boundary (0, or the end of a character found before), so
/// that repeated searches go over the text once.
size_t find(std::string_view s, char c, size_t from = 0);
/// Position of the first occurrence of `sub` that starts on a character boundary at or after
/// `from` (itself a character boundary), or npos. An empty `sub` is found at `from`.
size_t find(std::string_view s, std::string_view sub, size_t from = 0);
/// Position of the last character equal to `c`, or npos.
size_t rfind(std::string_view s, char c);
/// Position of the last occurrence of `sub` that starts on a character boundary, or npos.
size_t rfind(std::string_view s, std::string_view sub);
/// True when `pos` is the start of a character (not the trail byte of a double-byte character).
bool isCharBoundary(std::string_view s, size_t pos);

/// Trims ASCII white space at both ends / the left end / the right end.
String trim(std::string_view s);
String trimLeft(std::string_view s);
String trimRight(std::string_view s);

/// Lower-cases ASCII letters only; double-byte characters are copied whole and unchanged.
String toLower(std::string_view s);
String toUpper(std::string_view s);
/// Compares ignoring the case of ASCII letters only (<0, 0, >0). Trail bytes are never folded.
int compareNoCase(std::string_view a, std::string_view b);
inline bool equalsNoCase(std::string_view a, std::string_view b) {
    return compareNoCase(a, b) == 0;
}
/// True when `s` starts with `prefix`, ignoring ASCII case.
bool startsWithNoCase(std::string_view s, std::string_view prefix);

// ---- Locale-independent number text ("C" locale whatever the process locale is) ----

/// printf-style formatting in the "C" locale (decimal point is always '.').
String format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
String vformat(const char* fmt, va_list ap);
/// `atoi` in the "C" locale: leading white space skipped, optional sign, digits; no digits gives 0.
/// Values beyond the int range saturate instead of overflowing.
int atoi(const char* s);
inline int atoi(const String& s) {
    return atoi(s.c_str());
}
/// `strtod` in the "C" locale.
double strtod(const char* s, char** end);
/// `atof` in the "C" locale.
inline double atof(const char* s) {
    return strtod(s, nullptr);
}
inline double atof(const String& s) {
    return strtod(s.c_str(), nullptr);
}

// ---- Conversions ----

/// True when every byte sequence of `s` is a valid code page 936 character.
bool isValidGbk(std::string_view s);
/// GBK -> UTF-16. Returns false (and leaves `out` unspecified) when `s` is not valid GBK.
bool gbkToUtf16(std::string_view s, std::u16string& out);
/// UTF-16 -> GBK. Characters that code page 936 cannot represent, and unpaired surrogates, become
/// '?' as the Windows conversion does by default. Never fails.
String utf16ToGbk(std::u16string_view s);
/// GBK -> UTF-8. Bytes that are not valid GBK are replaced by U+FFFD.
std::string gbkToUtf8(std::string_view s);
/// UTF-8 -> GBK. Characters outside code page 936 and invalid UTF-8 become '?'.
String utf8ToGbk(std::string_view s);
/// UTF-8 <-> UTF-16 (invalid sequences become U+FFFD).
std::u16string utf8ToUtf16(std::string_view s);
std::string utf16ToUtf8(std::u16string_view s);
/// True when `s` is valid UTF-8.
bool isValidUtf8(std::string_view s);

/// A path as the caller gave it (GBK, Windows form) to the path the file system takes: valid GBK
/// is converted to UTF-8, bytes that are not valid GBK pass through unchanged (they may already
/// be UTF-8), and a backslash (never a trail byte) becomes '/'.
std::string pathToOs(std::string_view gbkPath);
/// A name read from the file system (UTF-8) as GBK. Names that are not valid UTF-8, or hold
/// characters outside code page 936, are returned unchanged.
String pathFromOs(std::string_view osPath);

}  // namespace tq::text
