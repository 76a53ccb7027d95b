// libFuzzer target for the pull parser of XML parts. The first byte of an input chooses the
// sizes in which the rest arrives (so that tokens straddle the parser's buffer refills) and which
// accessors are called; the parser must either walk the document to its end or refuse it with
// ZipError, within a small nesting limit.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "office/common/xml_pull.h"

namespace {

class ChunkedSource : public tq::office::ByteSource {
  public:
    ChunkedSource(const uint8_t* data, size_t size, size_t chunk)
        : data_(data), size_(size), chunk_(chunk) {}
    size_t read(char* buf, size_t n) override {
        n = std::min({n, size_ - pos_, chunk_});
        std::memcpy(buf, data_ + pos_, n);
        pos_ += n;
        return n;
    }

  private:
    const uint8_t* data_;
    size_t size_, pos_ = 0, chunk_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const unsigned mode = data[0];
    ChunkedSource src(data + 1, size - 1, (mode & 0x0F) == 0 ? 1 << 20 : (mode & 0x0F) * 7);
    try {
        tq::office::XmlPull x(src, "fuzz.xml", 0, 64);
        std::string text;
        for (tq::office::XmlPull::Event ev; (ev = x.next()) != tq::office::XmlPull::Eof;) {
            if (ev == tq::office::XmlPull::Start) {
                if (x.depth() > 64) __builtin_trap();
                for (const char* a : {"r", "t", "s", "val"}) text.append(x.attr(a));
                if ((mode & 0x10) && x.name() == "skip") x.skipElement();
            } else if (ev == tq::office::XmlPull::Text) {
                x.appendText(text);
                if (mode & 0x20) tq::office::DecodeXEscapes(text);
            }
            if (text.size() > (1u << 20)) text.clear();
        }
        if (x.depth() != 0) __builtin_trap();
    } catch (const tq::office::ZipError&) {
    }
    return 0;
}
