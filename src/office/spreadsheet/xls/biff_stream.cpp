// The windowed bytes, records, CONTINUE parts and strings of a BIFF stream.
#include "office/spreadsheet/xls/biff_stream.h"

#include <algorithm>
#include <cstring>

#include "text/text.h"

namespace tq::office::xls {

double F64(const uint8_t* p) {
    uint64_t bits = uint64_t(U32(p)) | uint64_t(U32(p + 4)) << 32;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

namespace {
// The window over a stream in a file: twice the longest record, so that most records come
// from one read.
constexpr size_t kWindow = 2 * StreamSource::kMaxSpan;
}  // namespace

StreamSource::StreamSource(std::vector<uint8_t> bytes) : buf_(std::move(bytes)) {
    data_ = buf_.data();
    end_ = size_ = buf_.size();
}

StreamSource::StreamSource(const cfb::ReadAt& read, std::vector<cfb::StreamPlace::Run> runs,
                           size_t size)
    : read_(&read), runs_(std::move(runs)), size_(size) {
    size_t at = 0;
    for (const auto& run : runs_) {
        runStart_.push_back(at);
        at += static_cast<size_t>(std::min<uint64_t>(run.size, size_ - std::min(at, size_)));
    }
    if (at < size_) size_ = at;  // the runs hold no more
}

// Reads [pos, pos + kWindow) (or to the stream's end) into the window.
const uint8_t* StreamSource::fill(size_t pos, size_t n) {
    if (!read_ || pos > size_ || n > size_ - pos || n > kMaxSpan)
        throw Damaged("a read at byte " + std::to_string(pos) + " lies outside the stream");
    size_t len = std::min(kWindow, size_ - pos);
    if (buf_.size() < len) buf_.resize(std::min(kWindow, size_));
    size_t k = static_cast<size_t>(std::upper_bound(runStart_.begin(), runStart_.end(), pos) -
                                   runStart_.begin() - 1);
    for (size_t done = 0; done < len; ++k) {
        size_t into = pos + done - runStart_[k];
        size_t take = std::min<uint64_t>(len - done, runs_[k].size - into);
        size_t got = (*read_)(runs_[k].offset + into, buf_.data() + done, take);
        if (got < take) std::memset(buf_.data() + done + got, 0, take - got);
        done += take;
    }
    data_ = buf_.data();
    begin_ = pos;
    end_ = pos + len;
    return data_;
}

void RecordReader::overrun() const {
    throw Damaged("a record at byte " + std::to_string(pos_) + " runs past the stream's end");
}

std::string TextCodec::bytes(const uint8_t* p, size_t n) const {
    std::string_view raw(reinterpret_cast<const char*>(p), n);
    if (codePage == 936) return text::gbkToUtf8(raw);
    bool ascii = true;
    for (unsigned char c : raw) ascii = ascii && c < 0x80;
    if (ascii) return std::string(raw);
    std::u16string wide(raw.begin(), raw.end());
    for (char16_t& c : wide) c = static_cast<unsigned char>(c);
    return text::utf16ToUtf8(wide);
}

Cursor Cursor::WithContinues(const Record& first, RecordReader& rd) {
    Cursor c(first.data, first.size);
    c.offset_ = first.offset + 4;
    c.rd_ = &rd;
    return c;
}

bool Cursor::more() {
    Record r;
    while (rd_ && rd_->peek(r) && r.type == rec::kContinue) {
        if (r.size > 0) return true;
        rd_->next(r);
    }
    return false;
}

void Cursor::need() {
    while (at_ >= n_) {
        if (!more()) throw Damaged("a record ends in the middle of its data");
        Record r;
        rd_->next(r);
        p_ = r.data;
        n_ = r.size;
        offset_ = r.offset + 4;
        at_ = 0;
    }
}

bool Cursor::atEnd() {
    return at_ >= n_ && !more();
}

size_t Cursor::left() {
    size_t n = n_ - at_;
    if (!rd_) return n;
    RecordReader ahead = *rd_;
    Record r;
    while (ahead.peek(r) && r.type == rec::kContinue) {
        n += r.size;
        ahead.next(r);
    }
    // Looking ahead has moved the stream's window: the current part is read again.
    if (n_ > 0) p_ = rd_->source().at(offset_, n_);
    return n;
}

uint16_t Cursor::u16() {
    if (n_ - at_ >= 2) {
        uint16_t v = U16(p_ + at_);
        at_ += 2;
        return v;
    }
    uint16_t lo = u8();
    return static_cast<uint16_t>(lo | u8() << 8);
}

uint32_t Cursor::u32() {
    uint32_t lo = u16();
    return lo | uint32_t(u16()) << 16;
}

void Cursor::skip(size_t n) {
    while (n > 0) {
        if (at_ >= n_) need();
        size_t take = std::min(n, n_ - at_);
        at_ += take;
        n -= take;
    }
}

void Cursor::chars(size_t count, bool wide, std::u16string& out) {
    out.reserve(out.size() + count);  // at most 65,535
    while (count > 0) {
        if (at_ >= n_) {
            // The characters go on in the next part, behind an option byte of their own.
            need();
            wide = (u8() & 1) != 0;
            continue;
        }
        size_t width = wide ? 2 : 1;
        size_t avail = (n_ - at_) / width;
        if (avail == 0) throw Damaged("a character is split between two records");
        size_t take = std::min(count, avail);
        const uint8_t* p = p_ + at_;
        for (size_t i = 0; i < take; ++i)
            out.push_back(wide ? static_cast<char16_t>(U16(p + i * 2)) : char16_t(p[i]));
        at_ += take * width;
        count -= take;
    }
}

void Cursor::unicode(bool shortCount, std::string& out) {
    size_t count = shortCount ? u8() : u16();
    uint8_t opt = u8();
    size_t runs = (opt & 0x08) ? u16() : 0;
    size_t phonetic = (opt & 0x04) ? u32() : 0;
    if (!(opt & 1) && count <= n_ - at_ &&
        std::all_of(p_ + at_, p_ + at_ + count, [](uint8_t b) { return b < 0x80; })) {
        out.append(reinterpret_cast<const char*>(p_ + at_), count);  // ASCII in one part
        at_ += count;
    } else {
        wide_.clear();
        chars(count, (opt & 1) != 0, wide_);
        if (out.empty())
            out = text::utf16ToUtf8(wide_);
        else
            out += text::utf16ToUtf8(wide_);
    }
    skip(runs * 4);
    skip(phonetic);
}

void Cursor::text(const TextCodec& codec, bool shortCount, std::string& out) {
    if (codec.biff >= 8) return unicode(shortCount, out);
    size_t count = shortCount ? u8() : u16();
    std::string raw;
    raw.reserve(count);  // at most 65,535
    while (raw.size() < count) {
        if (at_ >= n_) need();
        size_t take = std::min(count - raw.size(), n_ - at_);
        raw.append(reinterpret_cast<const char*>(p_ + at_), take);
        at_ += take;
    }
    out += codec.bytes(reinterpret_cast<const uint8_t*>(raw.data()), raw.size());
}

}  // namespace tq::office::xls
