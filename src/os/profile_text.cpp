// The INI text itself: reading sections, keys and values by the Windows profile rules, and the
// edits that change only the lines they must.
#include "os/profile_text.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "text/text.h"

namespace tq::os::profile {

std::string_view cstr(std::string_view s) {
    if (s.empty()) return s;
    const void* z = std::memchr(s.data(), '\0', s.size());
    return z ? s.substr(0, static_cast<size_t>(static_cast<const char*>(z) - s.data())) : s;
}

std::string_view trimBlanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && isBlank(static_cast<unsigned char>(s[b]))) ++b;
    // A blank is never a trail byte, so trimming from the right cannot split a character.
    while (e > b && isBlank(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

bool namesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    const size_t n = a.size();
    for (size_t i = 0; i < n;) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x < 0x80 && y < 0x80) {
            if (x != y && text::toLowerAscii(static_cast<char>(x)) !=
                              text::toLowerAscii(static_cast<char>(y)))
                return false;
            ++i;
            continue;
        }
        if (x != y) return false;
        // Both start with the same non-ASCII byte: a lead byte takes its trail byte along, which
        // then has to match exactly (it may look like an ASCII letter).
        if (text::isLeadByte(x) && i + 1 < n &&
            text::isTrailByte(static_cast<unsigned char>(a[i + 1]))) {
            if (a[i + 1] != b[i + 1]) return false;
            i += 2;
        } else {
            ++i;
        }
    }
    return true;
}

std::string_view stripQuotes(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

size_t bomLength(std::string_view text) {
    return text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
}

bool LineReader::next(Line& l) {
    const size_t n = t_.size();
    if (pos_ >= n) return false;
    const char* base = t_.data();
    if (!nlValid_ || nl_ < pos_) {
        const void* p = std::memchr(base + pos_, '\n', n - pos_);
        nl_ = p ? static_cast<size_t>(static_cast<const char*>(p) - base) : n;
        nlValid_ = true;
    }
    const void* cr = std::memchr(base + pos_, '\r', nl_ - pos_);
    l.begin = pos_;
    if (cr) {
        l.end = static_cast<size_t>(static_cast<const char*>(cr) - base);
        l.next = (l.end + 1 < n && base[l.end + 1] == '\n') ? l.end + 2 : l.end + 1;
    } else {
        l.end = nl_;
        l.next = nl_ < n ? nl_ + 1 : n;
    }
    pos_ = l.next;
    return true;
}

LineInfo classify(std::string_view content) {
    LineInfo info;
    std::string_view s = content;
    if (s.empty()) return info;
    const void* z = std::memchr(s.data(), '\0', s.size());
    if (z) s = s.substr(0, static_cast<size_t>(static_cast<const char*>(z) - s.data()));
    size_t b = 0;
    while (b < s.size() && isBlank(static_cast<unsigned char>(s[b]))) ++b;
    if (b == s.size()) return info;
    s.remove_prefix(b);
    if (s[0] == '[') {
        // The last ']' that starts a character ends the name.
        size_t close = std::string_view::npos;
        for (size_t i = 1; i < s.size(); i += text::charLen(s, i))
            if (s[i] == ']') close = i;
        if (close != std::string_view::npos) {
            info.kind = LineKind::Header;
            info.name = trimBlanks(s.substr(1, close - 1));
            return info;
        }
    }
    if (s[0] == ';') {
        info.kind = LineKind::Comment;
        return info;
    }
    info.kind = LineKind::Entry;
    const void* eq = std::memchr(s.data(), '=', s.size());  // '=' is never a trail byte
    if (!eq) {
        info.name = trimBlanks(s);
        return info;
    }
    size_t e = static_cast<size_t>(static_cast<const char*>(eq) - s.data());
    info.hasEquals = true;
    info.equals = s.data() + e;
    info.name = trimBlanks(s.substr(0, e));
    info.value = trimBlanks(s.substr(e + 1));
    return info;
}

namespace {
// First non-blank byte of a line's content, or 0.
inline char firstByte(std::string_view t, const Line& l) {
    for (size_t i = l.begin; i < l.end; ++i)
        if (!isBlank(static_cast<unsigned char>(t[i]))) return t[i];
    return 0;
}

// Calls f(line, info) for every entry of the first block headed `section` in `t` (read from
// `start`), in file order, until f returns false. Only the first block counts: a later header
// with the same name starts a block that is never read. Returns that block's header line, or
// nothing when the section is missing.
template <class F>
std::optional<Line> forEntriesOfFirstBlock(std::string_view t, size_t start,
                                           std::string_view section, F f) {
    LineReader r(t, start);
    Line l;
    std::optional<Line> header;
    while (r.next(l)) {
        char c = firstByte(t, l);
        if (c == 0 || (!header && c != '[')) continue;
        LineInfo info = classify(t.substr(l.begin, l.end - l.begin));
        if (info.kind == LineKind::Header) {
            if (header) break;  // the first block ended
            if (namesEqual(info.name, section)) header = l;
        } else if (header && info.kind == LineKind::Entry) {
            if (!f(l, info)) break;
        }
    }
    return header;
}
}  // namespace

template <class F>
void ProfileText::forFirstBlock(std::string_view section, F f) const {
    forEntriesOfFirstBlock(text_, start_, section,
                           [&](const Line&, const LineInfo& info) { return f(info); });
}

bool ProfileText::value(std::string_view section, std::string_view key, String& out) const {
    section = trimBlanks(cstr(section));
    key = trimBlanks(cstr(key));
    bool found = false;
    forFirstBlock(section, [&](const LineInfo& info) {
        if (!namesEqual(info.name, key)) return true;
        out.assign(stripQuotes(info.value));
        found = true;
        return false;
    });
    return found;
}

StringArray ProfileText::sectionNames() const {
    StringArray out;
    LineReader r(text_, start_);
    Line l;
    while (r.next(l)) {
        if (firstByte(text_, l) != '[') continue;
        LineInfo info = classify(text_.substr(l.begin, l.end - l.begin));
        if (info.kind == LineKind::Header && !info.name.empty()) out.emplace_back(info.name);
    }
    return out;
}

StringArray ProfileText::keyNames(std::string_view section) const {
    StringArray out;
    forFirstBlock(trimBlanks(cstr(section)), [&](const LineInfo& info) {
        if (!info.name.empty()) out.emplace_back(info.name);
        return true;
    });
    return out;
}

StringArray ProfileText::entries(std::string_view section) const {
    StringArray out;
    forFirstBlock(trimBlanks(cstr(section)), [&](const LineInfo& info) {
        if (!info.hasEquals) {
            out.emplace_back(info.name);
        } else {
            String e;
            e.reserve(info.name.size() + 1 + info.value.size());
            e.append(info.name).append(1, '=').append(info.value);
            out.push_back(std::move(e));
        }
        return true;
    });
    return out;
}

// ---------------------------------------------------------------------------------------------
// Editing

namespace {

bool hasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

using Splices = std::vector<Splice>;

Splices planSet(std::string_view t, std::string_view section, std::string_view key,
                std::string_view value) {
    const size_t start = bomLength(t);
    const std::string_view eol = detectEol(t);
    std::optional<Line> lastEntry;
    std::optional<Splices> replaced;
    const std::optional<Line> header =
        forEntriesOfFirstBlock(t, start, section, [&](const Line& l, const LineInfo& info) {
            lastEntry = l;
            if (!namesEqual(info.name, key)) return true;
            // Replace the value, keeping the key as written and the spacing around '='.
            std::string line;
            if (info.hasEquals) {
                size_t eq = static_cast<size_t>(info.equals - t.data());
                size_t keep = eq + 1;
                if (!info.value.empty())
                    while (keep < l.end && isBlank(static_cast<unsigned char>(t[keep]))) ++keep;
                line.assign(t.substr(l.begin, keep - l.begin));
            } else {
                size_t nameEnd =
                    static_cast<size_t>(info.name.data() + info.name.size() - t.data());
                line.assign(t.substr(l.begin, nameEnd - l.begin)).append(1, '=');
            }
            line.append(value);
            if (t.substr(l.begin, l.end - l.begin) == line)
                replaced.emplace();
            else
                replaced = Splices{{l.begin, l.end, std::move(line)}};
            return false;
        });
    if (replaced) return std::move(*replaced);
    std::string entry;
    entry.append(key).append(1, '=').append(value);
    if (header) {
        const Line last = lastEntry ? *lastEntry : *header;
        if (last.next == last.end) {  // the file's last line, without a line end
            std::string ins(eol);
            return {{last.end, last.end, ins.append(entry)}};
        }
        return {{last.next, last.next, entry.append(eol)}};
    }
    std::string add;
    if (t.size() > start && t.back() != '\n' && t.back() != '\r') add.append(eol);
    add.append(1, '[').append(section).append(1, ']').append(eol).append(entry).append(eol);
    return {{t.size(), t.size(), std::move(add)}};
}

Splices planDeleteKey(std::string_view t, std::string_view section, std::string_view key) {
    Splices gone;
    forEntriesOfFirstBlock(t, bomLength(t), section, [&](const Line& l, const LineInfo& info) {
        if (namesEqual(info.name, key)) gone.push_back({l.begin, l.next, {}});
        return true;
    });
    return gone;
}

// Removes every block whose header matches (all = every block with a non-empty name): the
// header and its lines up to the last entry. Comments and blank lines that follow the last entry
// stay, as they often introduce the next section.
Splices planDeleteSections(std::string_view t, std::string_view section, bool all) {
    LineReader r(t, bomLength(t));
    Line l;
    bool in = false;
    Splice cur{0, 0, {}};
    Splices gone;
    while (r.next(l)) {
        char c = firstByte(t, l);
        if (c == 0 || (!in && c != '[')) continue;
        LineInfo info = classify(t.substr(l.begin, l.end - l.begin));
        if (info.kind == LineKind::Header) {
            if (in) gone.push_back(cur);
            in = all ? !info.name.empty() : namesEqual(info.name, section);
            cur = {l.begin, l.next, {}};
        } else if (in && info.kind == LineKind::Entry) {
            cur.end = l.next;
        }
    }
    if (in) gone.push_back(cur);
    return gone;
}

// True when the last character of `s` is a lead byte without its trail byte: written before
// ']' or '=' it would take that byte as its own.
bool endsInLoneLeadByte(std::string_view s) {
    size_t i = 0, last = 0;
    while (i < s.size()) {
        last = i;
        i += text::charLen(s, i);
    }
    return !s.empty() && last == s.size() - 1 &&
           text::isLeadByte(static_cast<unsigned char>(s[last]));
}

}  // namespace

std::string_view detectEol(std::string_view text) {
    if (text.empty()) return "\r\n";
    const void* p = std::memchr(text.data(), '\n', text.size());
    size_t lim = p ? static_cast<size_t>(static_cast<const char*>(p) - text.data()) : text.size();
    const void* cr = std::memchr(text.data(), '\r', lim);
    if (cr) {
        size_t c = static_cast<size_t>(static_cast<const char*>(cr) - text.data());
        return (c + 1 < text.size() && text[c + 1] == '\n') ? "\r\n" : "\r";
    }
    return p ? "\n" : "\r\n";
}

bool editIsValid(const Edit& e) {
    std::string_view rawSection = cstr(e.section), rawKey = cstr(e.key);
    if (hasLineBreak(rawSection)) return false;
    if (e.kind != Edit::Set && e.kind != Edit::DeleteKey) return true;
    if (hasLineBreak(rawKey)) return false;
    if (e.kind == Edit::DeleteKey) return true;
    // A name to set must read back as itself from the lines that will hold it.
    std::string_view section = trimBlanks(rawSection), key = trimBlanks(rawKey);
    if (endsInLoneLeadByte(section) || endsInLoneLeadByte(key)) return false;
    std::string header;
    header.append(1, '[').append(section).append(1, ']');
    LineInfo h = classify(header);
    if (h.kind != LineKind::Header || h.name != section) return false;
    // A key starting with '[' or ';' reads as a header or a comment (depending on the value), one
    // holding '=' as a shorter key.
    return key.empty() || (key[0] != '[' && key[0] != ';' && key.find('=') == key.npos);
}

Splices planEdit(std::string_view text, const Edit& e) {
    if (!editIsValid(e)) return {};
    std::string_view section = trimBlanks(cstr(e.section));
    std::string_view key = trimBlanks(cstr(e.key));
    switch (e.kind) {
        case Edit::Set: {
            // A value ends at its first line break: the rest could only turn into other lines.
            std::string_view value = cstr(e.value);
            value = value.substr(0, std::min(value.size(), value.find_first_of("\r\n")));
            return planSet(text, section, key, value);
        }
        case Edit::DeleteKey:
            return planDeleteKey(text, section, key);
        case Edit::DeleteSection:
            return planDeleteSections(text, section, false);
        case Edit::DeleteAllSections:
            return planDeleteSections(text, {}, true);
    }
    return {};
}

void applySplices(std::string& text, const std::vector<Splice>& splices) {
    if (splices.size() == 1) {
        const Splice& s = splices[0];
        text.replace(s.begin, s.end - s.begin, s.text);
        return;
    }
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (const Splice& s : splices) {
        out.append(text, pos, s.begin - pos).append(s.text);
        pos = s.end;
    }
    out.append(text, pos, std::string::npos);
    text.swap(out);
}

bool applyEdit(std::string& text, const Edit& e) {
    Splices s = planEdit(text, e);
    if (s.empty()) return false;
    applySplices(text, s);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Files saved as UTF-16

namespace {

inline bool isBreak(char16_t c) {
    return c == u'\r' || c == u'\n';
}

void appendUtf16(std::string& out, std::u16string_view u, bool bigEndian) {
    size_t at = out.size();
    out.resize(at + 2 * u.size());
    for (char16_t c : u) {
        char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        out[at++] = bigEndian ? hi : lo;
        out[at++] = bigEndian ? lo : hi;
    }
}

// Maps positions of the GBK form of a UTF-16 text to positions in the UTF-16 text. Both hold the
// same line breaks in the same order (CR and LF convert one to one and are never part of a GBK
// character), so a position next to a line break is found by counting breaks. Positions are
// asked for in ascending order; every edit begins and ends next to a line break or at an end.
class BreakMap {
  public:
    BreakMap(std::string_view gbk, std::u16string_view u) : g_(gbk), u_(u) {}

    /// The UTF-16 position of GBK position `g`, or npos when `g` is next to no line break.
    size_t at(size_t g) {
        if (g == 0) return 0;
        if (g >= g_.size()) return g == g_.size() ? u_.size() : npos;
        const bool after = g_[g - 1] == '\r' || g_[g - 1] == '\n';
        if (!after && g_[g] != '\r' && g_[g] != '\n') return npos;
        for (; gi_ < g; ++gi_)
            if (g_[gi_] == '\r' || g_[gi_] == '\n') ++breaks_;
        // ui_ rests just past the ubreaks_-th break of the UTF-16 text.
        while (ubreaks_ < breaks_) {
            if (ui_ >= u_.size()) return npos;
            if (isBreak(u_[ui_++])) ++ubreaks_;
        }
        if (after) return ui_;
        for (size_t i = ui_; i < u_.size(); ++i)
            if (isBreak(u_[i])) return i;
        return npos;
    }

  private:
    static constexpr size_t npos = std::string::npos;
    std::string_view g_;
    std::u16string_view u_;
    size_t gi_ = 0, breaks_ = 0, ui_ = 0, ubreaks_ = 0;
};

// Applies the changes planned on the GBK form to the UTF-16 text; false when one of them does
// not map or its text is not valid GBK (the UTF-16 text is then unchanged).
bool applyToUtf16(std::u16string& u, std::string_view gbk, const Splices& splices) {
    BreakMap map(gbk, u);
    std::u16string out, piece;
    out.reserve(u.size());
    size_t pos = 0;
    for (const Splice& s : splices) {
        size_t b = map.at(s.begin), e = map.at(s.end);
        if (b == std::string::npos || e == std::string::npos || b < pos || e < b ||
            !text::gbkToUtf16(s.text, piece))
            return false;
        out.append(u, pos, b - pos).append(piece);
        pos = e;
    }
    out.append(u, pos, std::u16string::npos);
    u.swap(out);
    return true;
}

}  // namespace

Encoding encodingOf(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') return Encoding::Utf16Le;
    if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') return Encoding::Utf16Be;
    return Encoding::Ansi;
}

std::u16string decodeUtf16(std::string_view bytes) {
    const Encoding enc = encodingOf(bytes);
    if (enc == Encoding::Ansi) return {};
    std::u16string u((bytes.size() - 2) / 2, u'\0');
    for (size_t i = 0; i < u.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(bytes[2 + 2 * i]),
                      y = static_cast<unsigned char>(bytes[3 + 2 * i]);
        u[i] = static_cast<char16_t>(enc == Encoding::Utf16Be ? (x << 8 | y) : (y << 8 | x));
    }
    return u;
}

std::string decodeFile(std::string bytes) {
    if (encodingOf(bytes) == Encoding::Ansi) return bytes;
    return text::utf16ToGbk(decodeUtf16(bytes));
}

FileEdit editFile(std::string& bytes, const std::vector<Edit>& edits) {
    FileEdit r;
    const Encoding enc = encodingOf(bytes);
    const bool bigEndian = enc == Encoding::Utf16Be;
    std::u16string u;
    std::string gbk;
    if (enc != Encoding::Ansi) {
        u = decodeUtf16(bytes);
        gbk = text::utf16ToGbk(u);
    }
    std::string& t = enc == Encoding::Ansi ? bytes : gbk;
    for (const Edit& e : edits) {
        if (!editIsValid(e)) {
            r.refused = r.refused || e.kind == Edit::Set;
            continue;
        }
        Splices s = planEdit(t, e);
        if (s.empty()) continue;
        if (enc != Encoding::Ansi && !applyToUtf16(u, t, s)) {
            r.refused = true;
            continue;
        }
        applySplices(t, s);
        r.changed = true;
    }
    if (r.changed && enc != Encoding::Ansi) {
        // The mark, the text, and an odd last byte as it was.
        std::string out = bytes.substr(0, 2);
        appendUtf16(out, u, bigEndian);
        if (bytes.size() % 2) out.push_back(bytes.back());
        bytes.swap(out);
    }
    return r;
}

uint32_t copyList(const StringArray& items, char* buf, uint32_t size) {
    if (!buf || size == 0) return 0;
    if (size == 1) {
        buf[0] = '\0';
        return 0;
    }
    size_t pos = 0;
    for (const String& raw : items) {
        std::string_view item = cstr(raw);
        if (pos + item.size() + 1 > size - 1) {
            // Does not fit: copy what does and end the list with two NULs.
            size_t n = size - 2 > pos ? size - 2 - pos : 0;
            std::memcpy(buf + pos, item.data(), n);
            buf[size - 2] = '\0';
            buf[size - 1] = '\0';
            return size - 2;
        }
        std::memcpy(buf + pos, item.data(), item.size());
        pos += item.size();
        buf[pos++] = '\0';
    }
    buf[pos] = '\0';
    return static_cast<uint32_t>(pos);
}

}  // namespace tq::os::profile
