// The pull parser of office XML parts (see xml_pull.h).
#include "office/common/xml_pull.h"

#include <algorithm>
#include <cstring>

namespace tq::office {
namespace {

constexpr size_t kChunk = 256 * 1024;
constexpr size_t kMaxToken = 64u * 1024 * 1024;  // one tag, text run or comment

inline bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
inline bool isNameEnd(char c) {
    return isSpace(c) || c == '/' || c == '>' || c == '=';
}

std::string_view localOf(std::string_view q) {
    size_t p = q.rfind(':');
    return p == std::string_view::npos ? q : q.substr(p + 1);
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

XmlPull::XmlPull(ByteSource& src, std::string partName, uint64_t sizeHint, uint32_t maxDepth)
    : src_(src), part_(std::move(partName)), maxDepth_(maxDepth) {
    // A small part gets a small buffer; a claim that is wrong costs only a regrowth.
    size_t size = kChunk;
    if (sizeHint > 0 && sizeHint < kChunk)
        size = std::max<size_t>(4096, static_cast<size_t>(sizeHint) + 1);
    buf_.resize(size);
}

void XmlPull::fail(const std::string& what) const {
    throw ZipError("malformed XML in " + part_ + " near byte " + std::to_string(consumed_ + pos_) +
                   ": " + what);
}

bool XmlPull::more() {
    if (eof_) return false;
    if (pos_ > 0) {
        std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
        consumed_ += pos_;
        end_ -= pos_;
        pos_ = 0;
    }
    if (end_ == buf_.size()) {
        if (buf_.size() >= kMaxToken) fail("a single tag or text is larger than 64 MB");
        buf_.resize(buf_.size() * 2);
    }
    size_t got = src_.read(buf_.data() + end_, buf_.size() - end_);
    if (got == 0) {
        eof_ = true;
        return false;
    }
    end_ += got;
    return true;
}

void XmlPull::needMore() {
    if (!more()) fail("unexpected end of data (the part is truncated)");
}

bool XmlPull::ensure(size_t n) {
    while (end_ - pos_ < n)
        if (!more()) return false;
    return true;
}

XmlPull::Event XmlPull::next() {
    if (pendingEnd_) {
        pendingEnd_ = false;
        selfClosing_ = false;
        --depth_;
        attrs_.clear();
        return End;
    }
    selfClosing_ = false;
    attrs_.clear();
    if (!started_) {
        started_ = true;
        if (ensure(3) && std::memcmp(buf_.data() + pos_, "\xEF\xBB\xBF", 3) == 0) pos_ += 3;
    }
    for (;;) {
        if (pos_ == end_ && !more()) {
            if (depth_ > 0) fail("unexpected end of data (the part is truncated)");
            if (!rootSeen_) fail("no root element");
            return Eof;
        }
        const char* b = buf_.data();
        if (b[pos_] != '<') {
            const void* lt = std::memchr(b + pos_, '<', end_ - pos_);
            if (!lt) {
                if (more()) continue;
                text_ = std::string_view(b + pos_, end_ - pos_);
                pos_ = end_;
            } else {
                size_t at = static_cast<const char*>(lt) - b;
                text_ = std::string_view(b + pos_, at - pos_);
                pos_ = at;
            }
            if (depth_ == 0) {
                for (char c : text_)
                    if (!isSpace(c)) fail("text outside the root element");
                continue;
            }
            cdata_ = false;
            return Text;
        }
        if (!ensure(2)) fail("unexpected end of data (the part is truncated)");
        b = buf_.data();
        char c2 = b[pos_ + 1];
        if (c2 == '/') {
            const void* gt = std::memchr(b + pos_ + 2, '>', end_ - pos_ - 2);
            if (!gt) {
                needMore();
                continue;
            }
            size_t at = static_cast<const char*>(gt) - b;
            std::string_view q(b + pos_ + 2, at - pos_ - 2);
            while (!q.empty() && isSpace(q.back())) q.remove_suffix(1);
            if (depth_ == 0) fail("closing tag </" + std::string(q) + "> without an opening tag");
            if (q != stack_[depth_ - 1])
                fail("</" + std::string(q) + "> closes <" + stack_[depth_ - 1] + ">");
            --depth_;
            qname_ = q;
            name_ = localOf(q);
            pos_ = at + 1;
            return End;
        }
        if (c2 == '?' || c2 == '!') {
            if (otherMarkup(c2)) return Text;
            continue;
        }
        if (parseStartTag()) return Start;
        needMore();
    }
}

// Processing instructions and comments are skipped; character data is a Text event (true);
// a document type declaration is refused.
bool XmlPull::otherMarkup(char c2) {
    if (c2 == '?') {
        std::string_view v(buf_.data() + pos_, end_ - pos_);
        size_t e = v.find("?>", 2);
        if (e == std::string_view::npos)
            needMore();
        else
            pos_ += e + 2;
        return false;
    }
    if (!ensure(9)) fail("unexpected end of data (the part is truncated)");
    std::string_view v(buf_.data() + pos_, end_ - pos_);
    if (v.substr(0, 4) == "<!--") {
        size_t e = v.find("-->", 4);
        if (e == std::string_view::npos)
            needMore();
        else
            pos_ += e + 3;
        return false;
    }
    if (v.substr(0, 9) == "<![CDATA[") {
        size_t e = v.find("]]>", 9);
        if (e == std::string_view::npos) {
            needMore();
            return false;
        }
        if (depth_ == 0) fail("character data outside the root element");
        text_ = v.substr(9, e - 9);
        pos_ += e + 3;
        cdata_ = true;
        return true;
    }
    if (v.substr(0, 9) == "<!DOCTYPE")
        fail("document type declarations (DOCTYPE) are not accepted");
    fail("unexpected markup '<!'");
}

bool XmlPull::parseStartTag() {
    const char* b = buf_.data();
    size_t p = pos_ + 1;
    size_t e = end_;
    // The name of an element or attribute (`what`) at p: up to a blank, '/', '>' or '='; '<' and
    // quotes cannot stand in it. False when the buffer ends inside it.
    auto scanName = [&](const char* what, std::string_view& out) {
        const size_t n0 = p;
        while (p < e && !isNameEnd(b[p])) {
            if (b[p] == '<' || b[p] == '"' || b[p] == '\'')
                fail(std::string("invalid character in an ") + what + " name");
            ++p;
        }
        if (p >= e) return false;
        if (p == n0) fail(std::string("an ") + what + " without a name");
        out = std::string_view(b + n0, p - n0);
        return true;
    };
    std::string_view q;
    if (!scanName("element", q)) return false;
    attrs_.clear();
    bool selfClose = false;
    for (;;) {
        while (p < e && isSpace(b[p])) ++p;
        if (p >= e) return false;
        char c = b[p];
        if (c == '>') {
            ++p;
            break;
        }
        if (c == '/') {
            if (p + 1 >= e) return false;
            if (b[p + 1] != '>') fail("'/' inside a tag");
            p += 2;
            selfClose = true;
            break;
        }
        std::string_view an;
        if (!scanName("attribute", an)) return false;
        while (p < e && isSpace(b[p])) ++p;
        if (p >= e) return false;
        if (b[p] != '=') fail("attribute " + std::string(an) + " without a value");
        ++p;
        while (p < e && isSpace(b[p])) ++p;
        if (p >= e) return false;
        char quote = b[p];
        if (quote != '"' && quote != '\'') fail("attribute " + std::string(an) + " not quoted");
        ++p;
        const void* qe = std::memchr(b + p, quote, e - p);
        if (!qe) return false;
        size_t v1 = static_cast<const char*>(qe) - b;
        std::string_view val(b + p, v1 - p);
        if (val.find('<') != std::string_view::npos) fail("'<' inside an attribute value");
        // Namespace declarations (xmlns, xmlns:x) are not attributes of the element.
        if (an.substr(0, 5) != "xmlns" || (an.size() > 5 && an[5] != ':'))
            attrs_.push_back({localOf(an), val});
        p = v1 + 1;
        if (p < e && !isSpace(b[p]) && b[p] != '/' && b[p] != '>')
            fail("attributes not separated by white space");
    }
    if (depth_ == 0 && rootSeen_) fail("more than one root element");
    rootSeen_ = true;
    qname_ = q;
    name_ = localOf(q);
    pos_ = p;
    if (depth_ >= maxDepth_)
        fail("elements nested deeper than " + std::to_string(maxDepth_) + " (limit maxXmlDepth)");
    if (depth_ == stack_.size())
        stack_.emplace_back(q);
    else
        stack_[depth_].assign(q.data(), q.size());
    ++depth_;
    selfClosing_ = selfClose;
    pendingEnd_ = selfClose;
    if (attrScratch_.size() < attrs_.size()) attrScratch_.resize(attrs_.size());
    return true;
}

std::string_view XmlPull::attr(std::string_view localName, bool* found) {
    for (size_t i = 0; i < attrs_.size(); ++i) {
        if (attrs_[i].local != localName) continue;
        if (found) *found = true;
        std::string_view raw = attrs_[i].raw;
        if (raw.find('&') == std::string_view::npos) return raw;
        std::string& s = attrScratch_[i];
        s.clear();
        decode(raw, s, part_);
        return s;
    }
    if (found) *found = false;
    return {};
}

void XmlPull::appendText(std::string& out) const {
    if (cdata_) {
        out.append(text_);
        return;
    }
    decode(text_, out, part_);
}

void XmlPull::skipElement() {
    if (selfClosing_) {
        next();
        return;
    }
    size_t target = depth_ - 1;
    while (depth_ > target) {
        if (next() == Eof) return;
    }
}

void XmlPull::decode(std::string_view raw, std::string& out, const std::string& partName) {
    const char* p = raw.data();
    const char* e = p + raw.size();
    while (p < e) {
        const char* q = p;
        while (q < e && *q != '&' && *q != '\r') ++q;
        out.append(p, q - p);
        if (q == e) break;
        if (*q == '\r') {
            out.push_back('\n');
            p = q + 1;
            if (p < e && *p == '\n') ++p;
            continue;
        }
        const char* semi =
            static_cast<const char*>(std::memchr(q, ';', std::min<size_t>(e - q, 12)));
        if (!semi) throw ZipError("malformed XML in " + partName + ": '&' without a reference");
        std::string_view ent(q + 1, semi - q - 1);
        if (ent == "amp") {
            out.push_back('&');
        } else if (ent == "lt") {
            out.push_back('<');
        } else if (ent == "gt") {
            out.push_back('>');
        } else if (ent == "quot") {
            out.push_back('"');
        } else if (ent == "apos") {
            out.push_back('\'');
        } else if (ent.size() >= 2 && ent[0] == '#') {
            uint32_t cp = 0;
            bool ok = true;
            if (ent[1] == 'x' || ent[1] == 'X') {
                ok = ent.size() > 2;
                for (size_t i = 2; ok && i < ent.size(); ++i) {
                    int h = hexValue(ent[i]);
                    if (h < 0 || cp > 0x10FFFF)
                        ok = false;
                    else
                        cp = cp * 16 + static_cast<uint32_t>(h);
                }
            } else {
                for (size_t i = 1; ok && i < ent.size(); ++i) {
                    if (ent[i] < '0' || ent[i] > '9' || cp > 0x10FFFF)
                        ok = false;
                    else
                        cp = cp * 10 + static_cast<uint32_t>(ent[i] - '0');
                }
            }
            if (!ok || cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
                throw ZipError("malformed XML in " + partName + ": invalid character reference &" +
                               std::string(ent) + ";");
            appendUtf8(out, cp);
        } else {
            throw ZipError("malformed XML in " + partName + ": unknown entity &" +
                           std::string(ent.substr(0, 10)) + ";");
        }
        p = semi + 1;
    }
}

void DecodeXEscapes(std::string& s) {
    size_t i = s.find("_x");
    if (i == std::string::npos) return;
    std::string out;
    out.reserve(s.size());
    out.append(s, 0, i);
    uint32_t pendingHigh = 0;
    auto flushHigh = [&] {
        if (pendingHigh) appendUtf8(out, 0xFFFD);
        pendingHigh = 0;
    };
    while (i < s.size()) {
        if (s[i] == '_' && i + 6 < s.size() && s[i + 1] == 'x' && s[i + 6] == '_') {
            int h0 = hexValue(s[i + 2]), h1 = hexValue(s[i + 3]), h2 = hexValue(s[i + 4]),
                h3 = hexValue(s[i + 5]);
            if (h0 >= 0 && h1 >= 0 && h2 >= 0 && h3 >= 0) {
                uint32_t cp = static_cast<uint32_t>((h0 << 12) | (h1 << 8) | (h2 << 4) | h3);
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    flushHigh();
                    pendingHigh = cp;
                } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                    if (pendingHigh)
                        appendUtf8(out, 0x10000 + ((pendingHigh - 0xD800) << 10) + (cp - 0xDC00));
                    else
                        appendUtf8(out, 0xFFFD);
                    pendingHigh = 0;
                } else {
                    flushHigh();
                    appendUtf8(out, cp);
                }
                i += 7;
                continue;
            }
        }
        flushHigh();
        out.push_back(s[i]);
        ++i;
    }
    flushHigh();
    s.swap(out);
}

}  // namespace tq::office
