// The program's JSON output: a writer that streams one value (object members and array elements
// one after another) through a small buffer, with the escaping and number forms of the output
// format (see JsonOut in cli.h).
#include <cerrno>
#include <cstring>

#include "cli.h"

namespace tqcli {

namespace {

constexpr size_t kFlushAt = 1 << 16;
constexpr const char* kReplacement = "\xEF\xBF\xBD";

// Length of the well-formed UTF-8 sequence starting at s[i] (1-4), or 0 when the bytes there do
// not begin one. `valid` is how many bytes were acceptable before a wrong one (for the caller to
// resume after a broken sequence at the byte that broke it).
size_t utf8Sequence(std::string_view s, size_t i, size_t& valid) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    valid = 0;
    size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF)
        len = 2;
    else if (c >= 0xE0 && c <= 0xEF)
        len = 3, lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
    else if (c >= 0xF0 && c <= 0xF4)
        len = 4, lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
    else
        return 0;
    valid = 1;
    for (size_t k = 1; k < len; ++k) {
        if (i + k >= s.size()) return 0;
        const unsigned char x = b(i + k);
        if (k == 1 ? (x < lo || x > hi) : (x < 0x80 || x > 0xBF)) return 0;
        ++valid;
    }
    return len;
}

void appendEscaped(std::string& out, std::string_view s) {
    out += '"';
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t valid = 0;
        const size_t len = utf8Sequence(s, i, valid);
        if (len == 0) {
            // A broken sequence becomes one replacement character; the byte that broke it is
            // read again as the start of the next character.
            out += kReplacement;
            i += valid == 0 ? 1 : valid;
            continue;
        }
        if (len > 1) {
            out.append(s.data() + i, len);
            i += len;
            continue;
        }
        ++i;
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    static const char hex[] = "0123456789abcdef";
                    out += "\\u00";
                    out += hex[c >> 4];
                    out += hex[c & 15];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
}

}  // namespace

std::string jsonString(std::string_view utf8) {
    std::string out;
    appendEscaped(out, utf8);
    return out;
}

JsonOut::~JsonOut() = default;

void JsonOut::flush() {
    if (!buffer_.empty()) std::fwrite(buffer_.data(), 1, buffer_.size(), stream_);
    buffer_.clear();
}

void JsonOut::raw(std::string_view s) {
    buffer_ += s;
    if (buffer_.size() >= kFlushAt) flush();
}

void JsonOut::separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back()) buffer_ += ',';
        first_.back() = false;
    }
}

JsonOut& JsonOut::beginObject() {
    separate();
    raw("{");
    first_.push_back(true);
    return *this;
}

JsonOut& JsonOut::endObject() {
    first_.pop_back();
    raw("}");
    return *this;
}

JsonOut& JsonOut::beginArray() {
    separate();
    raw("[");
    first_.push_back(true);
    return *this;
}

JsonOut& JsonOut::endArray() {
    first_.pop_back();
    raw("]");
    return *this;
}

JsonOut& JsonOut::key(std::string_view name) {
    separate();
    appendEscaped(buffer_, name);
    raw(":");
    afterKey_ = true;
    return *this;
}

JsonOut& JsonOut::str(std::string_view utf8) {
    separate();
    appendEscaped(buffer_, utf8);
    raw("");
    return *this;
}

JsonOut& JsonOut::num(int64_t v) {
    separate();
    raw(std::to_string(v));
    return *this;
}

JsonOut& JsonOut::unum(uint64_t v) {
    separate();
    raw(std::to_string(v));
    return *this;
}

JsonOut& JsonOut::dbl(double v) {
    separate();
    raw(jsonDouble(v));
    return *this;
}

JsonOut& JsonOut::boolean(bool v) {
    separate();
    raw(v ? "true" : "false");
    return *this;
}

JsonOut& JsonOut::value(std::string_view json) {
    separate();
    raw(json);
    return *this;
}

JsonOut& JsonOut::gbkArray(const tq::StringArray& a) {
    beginArray();
    for (const auto& s : a) gbk(s);
    return endArray();
}

void JsonOut::end() {
    buffer_ += '\n';
    flush();
    if (std::fflush(stream_) != 0 || std::ferror(stream_))
        throw CommandError(std::string("cannot write the output: ") + std::strerror(errno));
}

}  // namespace tqcli
