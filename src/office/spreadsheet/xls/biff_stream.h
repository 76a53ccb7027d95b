// The record layer of a BIFF workbook stream: the stream's bytes read through a window of bounded
// size, records with their CONTINUE parts, a bounded cursor over them, and the decoding of the
// format's strings (BIFF8 Unicode strings with their option byte re-read after every record
// boundary; 8-bit strings of BIFF2-7 in the workbook's code page).
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "office/spreadsheet/xls/biff_records.h"
#include "office/common/compound_file.h"

namespace tq::office::xls {

/// A damaged stream (English, naming no path).
class Damaged : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct Record {
    uint16_t type = 0;
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t offset = 0;  // of the record's header in the stream
};

/// The bytes of a workbook stream. A stream in a file is read on demand into a window of bounded
/// size, so reading a workbook never holds its whole stream; bytes missing at the end of the file
/// read as zeros.
class StreamSource {
  public:
    /// The longest span `at` hands out: a record's header and its largest body.
    static constexpr size_t kMaxSpan = 4 + 0xFFFF;

    /// A stream held in memory.
    explicit StreamSource(std::vector<uint8_t> bytes);
    /// A stream of `size` bytes lying in `runs` of a file read through `read` (which must outlive
    /// the source).
    StreamSource(const cfb::ReadAt& read, std::vector<cfb::StreamPlace::Run> runs, size_t size);

    size_t size() const { return size_; }
    /// The bytes [pos, pos + n), which must lie in the stream, n <= kMaxSpan. They stay valid
    /// until the next call.
    const uint8_t* at(size_t pos, size_t n) {
        if (pos >= begin_ && pos + n <= end_) return data_ + (pos - begin_);
        return fill(pos, n);
    }

    /// The bytes [pos, pos + n) when the window already holds them, or null: a look ahead that
    /// leaves the bytes handed out before valid.
    const uint8_t* held(size_t pos, size_t n) const {
        return pos >= begin_ && pos <= end_ && n <= end_ - pos ? data_ + (pos - begin_) : nullptr;
    }

  private:
    const uint8_t* fill(size_t pos, size_t n);
    const cfb::ReadAt* read_ = nullptr;
    std::vector<cfb::StreamPlace::Run> runs_;
    std::vector<size_t> runStart_;  // stream position of each run
    std::vector<uint8_t> buf_;      // the stream held in memory, or the window
    const uint8_t* data_ = nullptr;
    size_t begin_ = 0, end_ = 0;  // the stream positions data_ holds
    size_t size_ = 0;
};

/// The records of a stream in order. Each record's length is checked against the stream. A
/// record's data stays valid until the reader (or another on the same source) reads again.
class RecordReader {
  public:
    explicit RecordReader(StreamSource& stream, size_t pos = 0) : s_(&stream), pos_(pos) {}
    /// The next record; false at the end of the stream.
    bool next(Record& r) {
        if (!peek(r)) return false;
        pos_ += 4 + r.size;
        return true;
    }
    /// The record at the current position without moving past it.
    bool peek(Record& r) const;
    size_t pos() const { return pos_; }
    void seek(size_t pos) { pos_ = pos; }
    StreamSource& source() const { return *s_; }
    /// Moves past the CONTINUE records at the current position.
    void skipContinues() {
        Record r;
        while (peek(r) && r.type == rec::kContinue) next(r);
    }

  private:
    [[noreturn]] void overrun() const;
    StreamSource* s_;
    size_t pos_;
};

inline uint16_t U16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline bool RecordReader::peek(Record& r) const {
    if (pos_ + 4 > s_->size()) return false;
    const uint8_t* h = s_->at(pos_, 4);
    r.type = U16(h);
    r.size = U16(h + 2);
    r.offset = pos_;
    if (pos_ + 4 + r.size > s_->size()) overrun();
    r.data = s_->at(pos_, 4 + r.size) + 4;
    return true;
}
inline uint32_t U32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
double F64(const uint8_t* p);

/// How the workbook's 8-bit texts are decoded.
struct TextCodec {
    int biff = 8;         // 2, 3, 4, 5 (also 7) or 8
    int codePage = 1252;  // from the CODEPAGE record
    /// 8-bit text of BIFF2-7 in the code page (936: GBK through the text layer; otherwise each
    /// byte is the character of the same number) -> UTF-8.
    std::string bytes(const uint8_t* p, size_t n) const;
};

/// Reads a record and the CONTINUE records after it as one sequence of parts. Reading past the
/// last part raises Damaged. A string's characters that run into the next part are preceded there
/// by a new option byte, which decides their width.
class Cursor {
  public:
    Cursor() = default;
    Cursor(const uint8_t* p, size_t n) : p_(p), n_(n) {}
    /// `first` (just read by `rd`) and the CONTINUE records right after it. They are read from
    /// the stream as the cursor reaches them (`rd` moves past each); nothing else may read the
    /// stream meanwhile. The caller then skips the ones left (RecordReader::skipContinues).
    static Cursor WithContinues(const Record& first, RecordReader& rd);

    uint8_t u8() {
        if (at_ >= n_) need();
        return p_[at_++];
    }
    uint16_t u16();
    uint32_t u32();
    void skip(size_t n);
    bool atEnd();
    /// Bytes left in all parts.
    size_t left();

    /// A BIFF8 string: character count (16-bit, or 8-bit when `shortCount`), option byte,
    /// optional rich-text run count and phonetic block size, characters, then the runs and the
    /// phonetic block are skipped. Appends UTF-8 to `out`.
    void unicode(bool shortCount, std::string& out);
    /// A string of the stream's version: BIFF8 as `unicode`, earlier versions a count (16-bit, or
    /// 8-bit when `shortCount`) and bytes in the code page.
    void text(const TextCodec& codec, bool shortCount, std::string& out);

  private:
    /// Enters the next part with data; Damaged when none is left.
    void need();
    /// Whether another part with data follows (entering the empty ones on the way).
    bool more();
    void chars(size_t count, bool wide, std::u16string& out);
    const uint8_t* p_ = nullptr;  // the current part
    size_t n_ = 0, at_ = 0;
    size_t offset_ = 0;           // of the current part's data in the stream
    RecordReader* rd_ = nullptr;  // where the CONTINUE records come from
    std::u16string wide_;         // the characters of the string being read, kept for the next one
};

}  // namespace tq::office::xls
