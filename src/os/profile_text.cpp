#include "os/profile_text.h"

#include <algorithm>
#include <cstring>

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
}  // namespace

template <class F>
void ProfileText::forFirstBlock(std::string_view section, F f) const {
    LineReader r(text_, start_);
    Line l;
    bool in = false;
    while (r.next(l)) {
        char c = firstByte(text_, l);
        if (c == 0 || (!in && c != '[')) continue;
        LineInfo info = classify(text_.substr(l.begin, l.end - l.begin));
        if (info.kind == LineKind::Header) {
            if (in) return;  // the first block ended
            in = namesEqual(info.name, section);
        } else if (in && info.kind == LineKind::Entry) {
            if (!f(info)) return;
        }
    }
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

struct Range {
    size_t begin, end;
};

// Removes the ranges (in ascending order, not overlapping) from the text.
void removeRanges(std::string& text, const std::vector<Range>& ranges) {
    if (ranges.empty()) return;
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (const Range& r : ranges) {
        out.append(text, pos, r.begin - pos);
        pos = r.end;
    }
    out.append(text, pos, std::string::npos);
    text.swap(out);
}

bool setValue(std::string& text, std::string_view section, std::string_view key,
              std::string_view value) {
    const size_t start = bomLength(text);
    const std::string_view eol = detectEol(text);
    std::string_view t = text;
    LineReader r(t, start);
    Line l, last;
    bool in = false, found = false;
    while (r.next(l)) {
        char c = firstByte(t, l);
        if (c == 0 || (!in && c != '[')) continue;
        LineInfo info = classify(t.substr(l.begin, l.end - l.begin));
        if (info.kind == LineKind::Header) {
            if (in) break;
            if (!found && namesEqual(info.name, section)) {
                in = found = true;
                last = l;
            }
            continue;
        }
        if (!in || info.kind != LineKind::Entry) continue;
        last = l;
        if (!namesEqual(info.name, key)) continue;
        // Replace the value, keeping the key as written and the spacing around '='.
        String line;
        if (info.hasEquals) {
            size_t eq = static_cast<size_t>(info.equals - t.data());
            size_t keep = eq + 1;
            if (!info.value.empty())
                while (keep < l.end && isBlank(static_cast<unsigned char>(t[keep]))) ++keep;
            line.assign(t.substr(l.begin, keep - l.begin));
        } else {
            size_t nameEnd = static_cast<size_t>(info.name.data() + info.name.size() - t.data());
            line.assign(t.substr(l.begin, nameEnd - l.begin)).append(1, '=');
        }
        line.append(value);
        if (t.substr(l.begin, l.end - l.begin) == line) return false;
        text.replace(l.begin, l.end - l.begin, line);
        return true;
    }
    String entry;
    entry.append(key).append(1, '=').append(value);
    if (found) {
        if (last.next == last.end) {  // the file's last line, without a line end
            String ins;
            ins.append(eol).append(entry);
            text.insert(last.end, ins);
        } else {
            entry.append(eol);
            text.insert(last.next, entry);
        }
        return true;
    }
    if (text.size() > start && text.back() != '\n' && text.back() != '\r') text.append(eol);
    text.append(1, '[').append(section).append(1, ']').append(eol).append(entry).append(eol);
    return true;
}

bool deleteKey(std::string& text, std::string_view section, std::string_view key) {
    std::string_view t = text;
    LineReader r(t, bomLength(t));
    Line l;
    bool in = false;
    std::vector<Range> gone;
    while (r.next(l)) {
        char c = firstByte(t, l);
        if (c == 0 || (!in && c != '[')) continue;
        LineInfo info = classify(t.substr(l.begin, l.end - l.begin));
        if (info.kind == LineKind::Header) {
            if (in) break;
            in = namesEqual(info.name, section);
        } else if (in && info.kind == LineKind::Entry && namesEqual(info.name, key)) {
            gone.push_back({l.begin, l.next});
        }
    }
    removeRanges(text, gone);
    return !gone.empty();
}

// Removes every block whose header matches (all = every block with a non-empty name): the
// header and its lines up to the last entry. Comments and blank lines that follow the last entry
// stay, as they often introduce the next section.
bool deleteSections(std::string& text, std::string_view section, bool all) {
    std::string_view t = text;
    LineReader r(t, bomLength(t));
    Line l;
    bool in = false;
    Range cur{0, 0};
    std::vector<Range> gone;
    while (r.next(l)) {
        char c = firstByte(t, l);
        if (c == 0 || (!in && c != '[')) continue;
        LineInfo info = classify(t.substr(l.begin, l.end - l.begin));
        if (info.kind == LineKind::Header) {
            if (in) gone.push_back(cur);
            in = all ? !info.name.empty() : namesEqual(info.name, section);
            cur = {l.begin, l.next};
        } else if (in && info.kind == LineKind::Entry) {
            cur.end = l.next;
        }
    }
    if (in) gone.push_back(cur);
    removeRanges(text, gone);
    return !gone.empty();
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
    std::string_view section = cstr(e.section), key = cstr(e.key);
    if (hasLineBreak(section)) return false;
    if (e.kind == Edit::Set || e.kind == Edit::DeleteKey) {
        if (hasLineBreak(key)) return false;
        std::string_view k = trimBlanks(key);
        // A key that would not read back as itself: a header, a comment, or a shorter key.
        if (e.kind == Edit::Set && !k.empty() &&
            (k[0] == '[' || k[0] == ';' || k.find('=') != k.npos))
            return false;
    }
    return true;
}

bool applyEdit(std::string& text, const Edit& e) {
    if (!editIsValid(e)) return false;
    std::string_view section = trimBlanks(cstr(e.section));
    std::string_view key = trimBlanks(cstr(e.key));
    switch (e.kind) {
        case Edit::Set: {
            // A value ends at its first line break: the rest could only turn into other lines.
            std::string_view value = cstr(e.value);
            value = value.substr(0, std::min(value.size(), value.find_first_of("\r\n")));
            return setValue(text, section, key, value);
        }
        case Edit::DeleteKey:
            return deleteKey(text, section, key);
        case Edit::DeleteSection:
            return deleteSections(text, section, false);
        case Edit::DeleteAllSections:
            return deleteSections(text, {}, true);
    }
    return false;
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
