// The GBK text layer: character stepping, searches, trimming and case folding, number text in
// the "C" locale, and conversions between GBK, UTF-16, UTF-8 and file-system paths.
#include "text/text.h"

#include <iconv.h>
#include <locale.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

namespace tq::text {

// ---------------------------------------------------------------------------------------------
// Character-aware search and trimming

size_t find(std::string_view s, char c, size_t from) {
    for (size_t i = from; i < s.size(); i += charLen(s, i))
        if (s[i] == c) return i;
    return npos;
}

size_t find(std::string_view s, std::string_view sub, size_t from) {
    if (from > s.size()) return npos;
    if (sub.empty()) return from;
    for (size_t i = from; i + sub.size() <= s.size(); i += charLen(s, i))
        if (s.compare(i, sub.size(), sub) == 0) return i;
    return npos;
}

size_t rfind(std::string_view s, char c) {
    size_t hit = npos;
    for (size_t i = 0; i < s.size(); i += charLen(s, i))
        if (s[i] == c) hit = i;
    return hit;
}

size_t rfind(std::string_view s, std::string_view sub) {
    if (sub.empty()) return s.size();
    size_t hit = npos;
    for (size_t i = 0; i + sub.size() <= s.size(); i += charLen(s, i))
        if (s.compare(i, sub.size(), sub) == 0) hit = i;
    return hit;
}

bool isCharBoundary(std::string_view s, size_t pos) {
    if (pos >= s.size()) return pos == s.size();
    size_t i = 0;
    while (i < pos) i += charLen(s, i);
    return i == pos;
}

String trimLeft(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && isSpace(static_cast<unsigned char>(s[b]))) ++b;
    return String(s.substr(b));
}

String trimRight(std::string_view s) {
    // White space bytes (0x09-0x0D, 0x20) are never trail bytes, so the last character is white
    // space exactly when the last byte is; still, walk forward to keep the rule in one place.
    size_t keep = 0;
    for (size_t i = 0; i < s.size();) {
        size_t n = charLen(s, i);
        if (n == 2 || !isSpace(static_cast<unsigned char>(s[i]))) keep = i + n;
        i += n;
    }
    return String(s.substr(0, keep));
}

String trim(std::string_view s) {
    return trimRight(trimLeft(s));
}

String toLower(std::string_view s) {
    String out(s);
    for (size_t i = 0; i < out.size(); i += charLen(out, i))
        if (charLen(out, i) == 1) out[i] = toLowerAscii(out[i]);
    return out;
}

String toUpper(std::string_view s) {
    String out(s);
    for (size_t i = 0; i < out.size(); i += charLen(out, i))
        if (charLen(out, i) == 1) out[i] = toUpperAscii(out[i]);
    return out;
}

int compareNoCase(std::string_view a, std::string_view b) {
    size_t i = 0;
    while (i < a.size() && i < b.size()) {
        size_t na = charLen(a, i), nb = charLen(b, i);
        unsigned char ca = static_cast<unsigned char>(na == 1 ? toLowerAscii(a[i]) : a[i]);
        unsigned char cb = static_cast<unsigned char>(nb == 1 ? toLowerAscii(b[i]) : b[i]);
        if (ca != cb) return ca < cb ? -1 : 1;
        if (na != nb) return na < nb ? -1 : 1;
        if (na == 2 && a[i + 1] != b[i + 1])
            return static_cast<unsigned char>(a[i + 1]) < static_cast<unsigned char>(b[i + 1]) ? -1
                                                                                               : 1;
        i += na;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (prefix.size() > s.size()) return false;
    return compareNoCase(s.substr(0, prefix.size()), prefix) == 0 &&
           isCharBoundary(s, prefix.size());
}

// ---------------------------------------------------------------------------------------------
// Locale-independent number text

namespace {
locale_t cLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

// Switches the calling thread to the "C" locale for the lifetime of the object.
class CLocaleScope {
  public:
    CLocaleScope() : old_(uselocale(cLocale())) {}
    ~CLocaleScope() { uselocale(old_); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

  private:
    locale_t old_;
};
}  // namespace

String vformat(const char* fmt, va_list ap) {
    CLocaleScope scope;
    char buf[256];
    va_list copy;
    va_copy(copy, ap);
    int n = std::vsnprintf(buf, sizeof buf, fmt, copy);
    va_end(copy);
    if (n < 0) return String();
    if (static_cast<size_t>(n) < sizeof buf) return String(buf, static_cast<size_t>(n));
    String out(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), fmt, ap);
    out.resize(static_cast<size_t>(n));
    return out;
}

String format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    String out = vformat(fmt, ap);
    va_end(ap);
    return out;
}

int atoi(const char* s) {
    if (!s) return 0;
    while (isSpace(static_cast<unsigned char>(*s))) ++s;
    bool neg = false;
    if (*s == '+' || *s == '-') neg = (*s++ == '-');
    long long v = 0;
    while (isDigit(static_cast<unsigned char>(*s))) {
        v = v * 10 + (*s++ - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) {
            v = static_cast<long long>(INT_MAX) + 1;
            while (isDigit(static_cast<unsigned char>(*s))) ++s;
        }
    }
    if (neg) return static_cast<int>(-v);
    return v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

double strtod(const char* s, char** end) {
    if (!s) {
        if (end) *end = nullptr;
        return 0.0;
    }
    return ::strtod_l(s, end, cLocale());
}

// ---------------------------------------------------------------------------------------------
// Conversions

namespace {

bool isAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

// One iconv descriptor per thread and direction, opened on first use.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts `in`; `onError(rest, restLen, out)` is called at an invalid or incomplete input
    // sequence and returns how many input bytes to skip (0 aborts and makes run() return false).
    template <typename OnError>
    bool run(const char* in, size_t len, std::string& out, OnError onError) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in);
        size_t left = len;
        char buf[4096];
        while (left > 0) {
            char* dst = buf;
            size_t room = sizeof buf;
            size_t r = iconv(cd_, &src, &left, &dst, &room);
            out.append(buf, static_cast<size_t>(dst - buf));
            if (r == static_cast<size_t>(-1)) {
                if (errno == E2BIG) continue;
                size_t skip = onError(src, left, out);
                if (skip == 0 || skip > left) return false;
                src += skip;
                left -= skip;
                iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            }
        }
        char* dst = buf;
        size_t room = sizeof buf;
        iconv(cd_, nullptr, nullptr, &dst, &room);
        out.append(buf, static_cast<size_t>(dst - buf));
        return true;
    }

  private:
    iconv_t cd_;
};

Converter& gbkToUtf16Conv() {
    thread_local Converter c("UTF-16LE", "CP936");
    return c;
}
Converter& utf16ToGbkConv() {
    thread_local Converter c("CP936", "UTF-16LE");
    return c;
}
Converter& gbkToUtf8Conv() {
    thread_local Converter c("UTF-8", "CP936");
    return c;
}
Converter& utf8ToGbkConv() {
    thread_local Converter c("CP936", "UTF-8");
    return c;
}

size_t utf8SeqLen(unsigned char c) {
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) return 2;
    if ((c & 0xF0) == 0xE0) return 3;
    if ((c & 0xF8) == 0xF0) return 4;
    return 1;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at s[i]; returns the code point or U+FFFD and advances i.
char32_t decodeUtf8(std::string_view s, size_t& i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = utf8SeqLen(c);
    if (n == 1) {
        ++i;
        return c < 0x80 ? c : 0xFFFD;
    }
    if (i + n > s.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t cp = c & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
        unsigned char t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (t & 0x3F);
    }
    static const char32_t minByLen[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < minByLen[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
    i += n;
    return cp;
}

// Windows code page 936 maps its three user-defined areas (AAA1-AFFE, F8A1-FEFE, A140-A7A0) to
// the Private Use Area U+E000-U+E765; glibc's table lacks them, so they are mapped here. Texts
// with user-made characters then convert both ways instead of failing or turning into '?'.
char16_t userDefinedToUnicode(unsigned char lead, unsigned char trail) {
    if (lead >= 0xAA && lead <= 0xAF && trail >= 0xA1 && trail <= 0xFE)
        return static_cast<char16_t>(0xE000 + (lead - 0xAA) * 94 + (trail - 0xA1));
    if (lead >= 0xF8 && lead <= 0xFE && trail >= 0xA1 && trail <= 0xFE)
        return static_cast<char16_t>(0xE234 + (lead - 0xF8) * 94 + (trail - 0xA1));
    if (lead >= 0xA1 && lead <= 0xA7 && trail >= 0x40 && trail <= 0xA0 && trail != 0x7F)
        return static_cast<char16_t>(0xE4C6 + (lead - 0xA1) * 96 + (trail - 0x40) -
                                     (trail > 0x7F ? 1 : 0));
    return 0;
}

// Appends the GBK bytes of a user-defined character; false when `cp` is not one.
bool appendUserDefined(char32_t cp, std::string& out) {
    if (cp < 0xE000 || cp > 0xE765) return false;
    unsigned lead, trail;
    if (cp < 0xE234) {
        lead = 0xAA + (cp - 0xE000) / 94;
        trail = 0xA1 + (cp - 0xE000) % 94;
    } else if (cp < 0xE4C6) {
        lead = 0xF8 + (cp - 0xE234) / 94;
        trail = 0xA1 + (cp - 0xE234) % 94;
    } else {
        lead = 0xA1 + (cp - 0xE4C6) / 96;
        trail = 0x40 + (cp - 0xE4C6) % 96;
        if (trail >= 0x7F) ++trail;
    }
    out += static_cast<char>(lead);
    out += static_cast<char>(trail);
    return true;
}

// The user-defined character at a position glibc could not convert, or 0.
char16_t userDefinedAt(const char* rest, size_t left) {
    if (left < 2) return 0;
    return userDefinedToUnicode(static_cast<unsigned char>(rest[0]),
                                static_cast<unsigned char>(rest[1]));
}

// Error handlers for GBK input: convert a user-defined character (2 bytes) or fail.
size_t userDefinedToUtf16(const char* rest, size_t left, std::string& out) {
    char16_t u = userDefinedAt(rest, left);
    if (!u) return 0;
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
    return 2;
}
size_t userDefinedToUtf8(const char* rest, size_t left, std::string& out) {
    char16_t u = userDefinedAt(rest, left);
    if (!u) return 0;
    appendUtf8(out, u);
    return 2;
}

}  // namespace

bool isValidGbk(std::string_view s) {
    if (isAscii(s)) return true;
    std::string sink;
    return gbkToUtf16Conv().run(s.data(), s.size(), sink, userDefinedToUtf16);
}

bool gbkToUtf16(std::string_view s, std::u16string& out) {
    out.clear();
    if (isAscii(s)) {
        out.assign(s.begin(), s.end());
        return true;
    }
    std::string bytes;
    if (!gbkToUtf16Conv().run(s.data(), s.size(), bytes, userDefinedToUtf16)) return false;
    out.resize(bytes.size() / 2);
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return true;
}

namespace {

// The GBK bytes of one UTF-16 code unit that is neither ASCII nor a surrogate, as glibc's
// converter gives them, with the user-defined area mapped and '?' for a character that code
// page 936 lacks.
std::string gbkOfUnit(char16_t c) {
    std::string out;
    utf16ToGbkConv().run(reinterpret_cast<const char*>(&c), 2, out,
                         [](const char* rest, size_t left, std::string& o) {
                             char16_t u;
                             std::memcpy(&u, rest, 2);
                             if (!appendUserDefined(u, o)) o += '?';
                             return left;
                         });
    return out;
}

// The converter's answers for the characters met so far, one entry per code unit: 0 = not
// asked yet, below 0x100 = that one byte, else lead byte * 256 + trail byte. Code page 936 is
// stateless, so a character converts the same alone as inside a text. Entries are written by
// whichever thread asks first; every thread would write the same value.
std::atomic<uint16_t> gbkUnits[0x10000];

}  // namespace

String utf16ToGbk(std::u16string_view s) {
    size_t ascii = 0;
    while (ascii < s.size() && s[ascii] < 0x80) ++ascii;
    if (ascii == s.size()) return String(s.begin(), s.end());
    // Every code unit gives at most two bytes.
    String out(s.size() * 2, '\0');
    char* o = out.data();
    for (size_t i = 0; i < s.size(); ++i) {
        char16_t c = s[i];
        if (c < 0x80) {
            *o++ = static_cast<char>(c);
            continue;
        }
        if (c >= 0xD800 && c <= 0xDFFF) {
            // No character beyond the basic plane is in code page 936: a valid surrogate pair
            // is one character and one '?', as is a lone half; glibc's converter drops the
            // tag characters (U+E0000 ... U+E007F) instead.
            if (c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
                char32_t cp = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (s[i + 1] - 0xDC00);
                ++i;
                if (cp >> 7 == 0xE0000 >> 7) continue;
            }
            *o++ = '?';
            continue;
        }
        uint16_t g = gbkUnits[c].load(std::memory_order_relaxed);
        if (g == 0) {
            std::string bytes = gbkOfUnit(c);
            if (bytes.size() == 1 && bytes[0] != 0)
                g = static_cast<unsigned char>(bytes[0]);
            else if (bytes.size() == 2 && static_cast<unsigned char>(bytes[0]) != 0)
                g = static_cast<uint16_t>(static_cast<unsigned char>(bytes[0]) << 8 |
                                          static_cast<unsigned char>(bytes[1]));
            if (g == 0) {  // not a one- or two-byte answer: used as it is, never remembered
                size_t at = static_cast<size_t>(o - out.data());
                out.resize(at);
                out += bytes;
                out.resize(out.size() + (s.size() - i - 1) * 2);
                o = out.data() + at + bytes.size();
                continue;
            }
            gbkUnits[c].store(g, std::memory_order_relaxed);
        }
        if (g > 0xFF) *o++ = static_cast<char>(g >> 8);
        *o++ = static_cast<char>(g & 0xFF);
    }
    out.resize(static_cast<size_t>(o - out.data()));
    return out;
}

std::string gbkToUtf8(std::string_view s) {
    if (isAscii(s)) return std::string(s);
    std::string out;
    gbkToUtf8Conv().run(s.data(), s.size(), out, [](const char* rest, size_t left, std::string& o) {
        if (size_t n = userDefinedToUtf8(rest, left, o)) return n;
        o += "\xEF\xBF\xBD";
        return size_t{1};
    });
    return out;
}

String utf8ToGbk(std::string_view s) {
    if (isAscii(s)) return String(s);
    std::string out;
    utf8ToGbkConv().run(s.data(), s.size(), out, [](const char* rest, size_t left, std::string& o) {
        // Skip the whole sequence when it is a well-formed one that CP936 lacks.
        std::string_view v(rest, left);
        size_t i = 0;
        char32_t cp = decodeUtf8(v, i);
        if (!appendUserDefined(cp, o)) o += '?';
        return i == 0 ? size_t{1} : i;
    });
    return out;
}

bool isValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        size_t start = i;
        char32_t cp = decodeUtf8(s, i);
        if (cp == 0xFFFD && !(i - start == 3 && s.compare(start, 3, "\xEF\xBF\xBD") == 0))
            return false;
    }
    return true;
}

std::u16string utf8ToUtf16(std::string_view s) {
    // Every byte yields at most one code unit (a four-byte sequence yields two). A short text is
    // decoded on the stack first, so that the result is made at its final size.
    char16_t local[64];
    std::u16string out;
    if (s.size() > std::size(local)) out.resize(s.size());
    char16_t* const begin = s.size() > std::size(local) ? out.data() : local;
    char16_t* o = begin;
    size_t i = 0;
    while (i < s.size()) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            *o++ = b;
            ++i;
            continue;
        }
        if ((b & 0xF0) == 0xE0 && i + 2 < s.size()) {  // the common case for Chinese text
            unsigned char t1 = static_cast<unsigned char>(s[i + 1]);
            unsigned char t2 = static_cast<unsigned char>(s[i + 2]);
            char32_t cp = char32_t(b & 0x0F) << 12 | char32_t(t1 & 0x3F) << 6 | (t2 & 0x3F);
            if ((t1 & 0xC0) == 0x80 && (t2 & 0xC0) == 0x80 && cp >= 0x800 &&
                (cp < 0xD800 || cp > 0xDFFF)) {
                *o++ = static_cast<char16_t>(cp);
                i += 3;
                continue;
            }
        }
        char32_t cp = decodeUtf8(s, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            *o++ = static_cast<char16_t>(0xD800 + (cp >> 10));
            *o++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            *o++ = static_cast<char16_t>(cp);
        }
    }
    if (begin == local) return std::u16string(local, o);
    out.resize(static_cast<size_t>(o - begin));
    return out;
}

std::string utf16ToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        appendUtf8(out, cp);
    }
    return out;
}

std::string pathToOs(std::string_view p) {
    std::string out;
    if (!isValidGbk(p) && isValidUtf8(p)) {
        // Already UTF-8 (not readable as GBK): only the separators change.
        out.assign(p);
        for (char& c : out)
            if (c == '\\') c = '/';
        return out;
    }
    out.reserve(p.size() + p.size() / 2);
    size_t i = 0;
    while (i < p.size()) {
        unsigned char c = static_cast<unsigned char>(p[i]);
        if (c < 0x80) {
            out += c == '\\' ? '/' : static_cast<char>(c);
            ++i;
            continue;
        }
        // A run of non-ASCII characters: convert those that are valid GBK, pass the rest on.
        size_t n = charLen(p, i);
        std::string piece;
        std::string_view ch = p.substr(i, n);
        bool ok = gbkToUtf8Conv().run(ch.data(), ch.size(), piece, userDefinedToUtf8);
        if (ok && !piece.empty()) {
            out += piece;
            i += n;
        } else {
            out += static_cast<char>(c);
            ++i;
        }
    }
    return out;
}

String pathFromOs(std::string_view s) {
    if (isAscii(s)) return String(s);
    if (!isValidUtf8(s)) return String(s);
    std::string out;
    bool ok = utf8ToGbkConv().run(s.data(), s.size(), out,
                                  [](const char* rest, size_t left, std::string& o) {
                                      std::string_view v(rest, left);
                                      size_t i = 0;
                                      char32_t cp = decodeUtf8(v, i);
                                      return appendUserDefined(cp, o) ? i : size_t{0};
                                  });
    return ok ? out : String(s);
}

}  // namespace tq::text
