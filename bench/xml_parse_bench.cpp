// Parsing a worksheet part: the engine's pull parser (office/common/xml_pull) against expat, in
// the same run, on the same bytes held in memory.
//
//   xml_parse_bench WORKBOOK.xlsx [PART] [REPEATS]
//
// PART (default xl/worksheets/sheet1.xml) is inflated once into memory; each parser then reads
// it REPEATS times (default 5) doing the work the sheet reader does: every element's name, the
// attributes r, s and t of each one, and the text of each <v>. Prints the best time of each, the
// throughput and the ratio expat / pull parser.
#include <expat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "office/common/xml_pull.h"
#include "office/common/zip_archive.h"

using Clock = std::chrono::steady_clock;
using tq::office::XmlPull;

namespace {

class MemorySource : public tq::office::ByteSource {
  public:
    explicit MemorySource(const std::string& s) : s_(s) {}
    size_t read(char* buf, size_t n) override {
        n = std::min(n, s_.size() - pos_);
        std::memcpy(buf, s_.data() + pos_, n);
        pos_ += n;
        return n;
    }

  private:
    const std::string& s_;
    size_t pos_ = 0;
};

struct Tally {
    size_t elements = 0, attrs = 0, textBytes = 0;
};

Tally pull(const std::string& xml) {
    MemorySource src(xml);
    XmlPull x(src, "bench", xml.size(), 1000);
    Tally t;
    std::string text;
    bool inV = false;
    for (XmlPull::Event ev; (ev = x.next()) != XmlPull::Eof;) {
        if (ev == XmlPull::Start) {
            ++t.elements;
            for (const char* a : {"r", "s", "t"}) t.attrs += x.attr(a).size();
            inV = x.name() == "v";
            text.clear();
        } else if (ev == XmlPull::Text && inV) {
            x.appendText(text);
            t.textBytes += text.size();
        } else if (ev == XmlPull::End) {
            inV = false;
        }
    }
    return t;
}

struct ExpatState {
    Tally t;
    bool inV = false;
    std::string text;
};

void XMLCALL onStart(void* p, const XML_Char* name, const XML_Char** atts) {
    auto* st = static_cast<ExpatState*>(p);
    ++st->t.elements;
    for (const XML_Char** a = atts; *a; a += 2)
        if (!std::strcmp(a[0], "r") || !std::strcmp(a[0], "s") || !std::strcmp(a[0], "t"))
            st->t.attrs += std::strlen(a[1]);
    st->inV = std::strcmp(name, "v") == 0;
    st->text.clear();
}
void XMLCALL onEnd(void* p, const XML_Char*) {
    static_cast<ExpatState*>(p)->inV = false;
}
void XMLCALL onText(void* p, const XML_Char* s, int len) {
    auto* st = static_cast<ExpatState*>(p);
    if (!st->inV) return;
    st->text.append(s, static_cast<size_t>(len));
    st->t.textBytes += static_cast<size_t>(len);
}

Tally expat(const std::string& xml) {
    XML_Parser p = XML_ParserCreate(nullptr);
    ExpatState st;
    XML_SetUserData(p, &st);
    XML_SetElementHandler(p, onStart, onEnd);
    XML_SetCharacterDataHandler(p, onText);
    // Fed in chunks of the pull parser's size, as a part streams from the package.
    const size_t chunk = 256 * 1024;
    for (size_t off = 0; off < xml.size(); off += chunk) {
        size_t n = std::min(chunk, xml.size() - off);
        if (XML_Parse(p, xml.data() + off, static_cast<int>(n), off + n == xml.size()) ==
            XML_STATUS_ERROR) {
            std::fprintf(stderr, "expat: %s\n", XML_ErrorString(XML_GetErrorCode(p)));
            break;
        }
    }
    XML_ParserFree(p);
    return st.t;
}

template <class Fn>
double best(Fn fn, int repeats, Tally& t) {
    double b = 1e100;
    for (int i = 0; i < repeats; ++i) {
        auto t0 = Clock::now();
        t = fn();
        b = std::min(b, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s WORKBOOK.xlsx [PART] [REPEATS]\n", argv[0]);
        return 2;
    }
    std::string part = argc > 2 ? argv[2] : "xl/worksheets/sheet1.xml";
    int repeats = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    std::string xml;
    try {
        tq::office::ZipArchive zip(argv[1]);
        auto s = zip.open(part);
        char buf[65536];
        for (size_t n; (n = s->read(buf, sizeof buf)) > 0;) xml.append(buf, n);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot read %s: %s\n", argv[1], e.what());
        return 1;
    }
    Tally tp, te;
    double sp = best([&] { return pull(xml); }, repeats, tp);
    double se = best([&] { return expat(xml); }, repeats, te);
    double mb = static_cast<double>(xml.size()) / 1e6;
    std::printf("part %s: %.1f MB, %zu elements, best of %d\n", part.c_str(), mb, tp.elements,
                repeats);
    std::printf("pull parser %8.3f s %8.1f MB/s  (attrs %zu, text %zu)\n", sp, mb / sp, tp.attrs,
                tp.textBytes);
    std::printf("expat       %8.3f s %8.1f MB/s  (attrs %zu, text %zu)\n", se, mb / se, te.attrs,
                te.textBytes);
    std::printf("ratio expat / pull parser: %.2fx\n", se / sp);
    return tp.elements == te.elements && tp.attrs == te.attrs && tp.textBytes == te.textBytes ? 0
                                                                                              : 1;
}
