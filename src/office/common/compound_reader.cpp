// Finding one stream in a compound document (the container of .xls workbooks), checking
// every sector number, chain and size against what the file really holds.
#include <algorithm>
#include <cstring>

#include "office/common/compound_file.h"
#include "text/text.h"

namespace tq::office::cfb {
namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr size_t kDirEntry = 128;
const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

uint32_t u32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t u16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

class Container {
  public:
    Container(const ReadAt& read, uint64_t size) : read_(read), size_(size) {}

    // The stream entry of the root storage named `want` (ASCII case ignored), or null.
    const uint8_t* streamEntry(const std::vector<uint8_t>& dir,
                               const std::vector<uint32_t>& children, const std::string& want) {
        for (uint32_t i : children) {
            const uint8_t* e = dir.data() + size_t(i) * kDirEntry;
            if (e[66] == 2 && text::equalsNoCase(entryName(e), want)) return e;
        }
        return nullptr;
    }

    // The directory and the entries of its root storage.
    std::vector<uint8_t> directory(std::vector<uint32_t>& children) {
        readHeader();
        readFat();
        std::vector<uint8_t> dir = chainBytes(u32(header_ + 48), UINT64_MAX, fat_, secSize_);
        size_t entries = dir.size() / kDirEntry;
        if (entries == 0 || dir[66] != 5) throw Error("the container has no root storage");
        children = rootChildren(dir, entries);
        return dir;
    }

    bool hasStreams(const std::vector<std::string>& names) {
        std::vector<uint32_t> children;
        std::vector<uint8_t> dir = directory(children);
        for (const std::string& want : names)
            if (!streamEntry(dir, children, want)) return false;
        return true;
    }

    bool findStream(const std::vector<std::string>& names, uint64_t maxStream, StreamPlace& out) {
        std::vector<uint32_t> children;
        std::vector<uint8_t> dir = directory(children);
        for (const std::string& want : names)
            if (const uint8_t* e = streamEntry(dir, children, want)) {
                uint64_t size = u32(e + 120);
                if (secShift_ == 12) size |= uint64_t(u32(e + 124)) << 32;
                if (size > maxStream)
                    throw Error("the workbook stream is larger than the limit of " +
                                std::to_string(maxStream) + " bytes");
                if (size < u32(header_ + 56)) {
                    const uint8_t* root = dir.data();
                    std::vector<uint8_t> mini =
                        chainBytes(u32(root + 116), u32(root + 120), fat_, secSize_);
                    std::vector<uint32_t> miniFat =
                        table(chainBytes(u32(header_ + 60), UINT64_MAX, fat_, secSize_),
                              mini.size() / 64);
                    out.bytes = chainIn(mini, u32(e + 116), size, miniFat, 64);
                    out.size = out.bytes.size();
                } else {
                    std::vector<uint32_t> sectors = chain(u32(e + 116), size, fat_, secSize_);
                    out.size = std::min<uint64_t>(size, uint64_t(sectors.size()) << secShift_);
                    out.runs = runs(sectors);
                }
                return true;
            }
        return false;
    }

  private:
    void readHeader() {
        if (read_(0, header_, 512) != 512 || std::memcmp(header_, kSignature, 8) != 0)
            throw Error("not a compound document");
        uint16_t shift = u16(header_ + 30);
        if (shift != 9 && shift != 12) throw Error("unsupported sector size");
        secShift_ = shift;
        secSize_ = size_t(1) << shift;
        if (size_ <= secSize_) throw Error("the file ends after its header");
        sectors_ = (size_ - secSize_ + secSize_ - 1) / secSize_;
        if (sectors_ > 0xFFFFFFF0) throw Error("the file is too large");
    }

    // The sector allocation table: from the sectors the header lists, then from the chain of
    // extension sectors. Only as many entries as the file has sectors are kept.
    void readFat() {
        std::vector<uint32_t> fatSectors;
        uint64_t needed = (sectors_ * 4 + secSize_ - 1) / secSize_;
        auto add = [&](uint32_t s) {
            if (s < sectors_ && fatSectors.size() < needed) fatSectors.push_back(s);
        };
        for (size_t i = 0; i < 109; ++i) add(u32(header_ + 76 + i * 4));
        std::vector<bool> seen(sectors_);
        std::vector<uint8_t> buf(secSize_);
        for (uint32_t s = u32(header_ + 68); s < sectors_ && fatSectors.size() < needed;) {
            if (seen[s]) throw Error("the sector table's chain loops");
            seen[s] = true;
            readSector(s, buf.data());
            for (size_t i = 0; i + 1 < secSize_ / 4; ++i) add(u32(buf.data() + i * 4));
            s = u32(buf.data() + secSize_ - 4);
        }
        std::vector<uint8_t> raw(fatSectors.size() * secSize_);
        for (size_t i = 0; i < fatSectors.size(); ++i)
            readSector(fatSectors[i], raw.data() + i * secSize_);
        fat_ = table(raw, sectors_);
    }

    static std::vector<uint32_t> table(const std::vector<uint8_t>& raw, uint64_t limit) {
        std::vector<uint32_t> t(std::min<uint64_t>(raw.size() / 4, limit));
        for (size_t i = 0; i < t.size(); ++i) t[i] = u32(raw.data() + i * 4);
        return t;
    }

    // Reads a sector; a sector cut short by the end of the file is padded with zeros.
    void readSector(uint32_t s, uint8_t* out) {
        uint64_t off = (uint64_t(s) + 1) << secShift_;
        size_t got = read_(off, out, secSize_);
        if (got < secSize_) std::memset(out + got, 0, secSize_ - got);
    }

    // The sectors of a chain, in order, at most `maxBytes` worth of them.
    static std::vector<uint32_t> chain(uint32_t start, uint64_t maxBytes,
                                       const std::vector<uint32_t>& t, size_t unit) {
        std::vector<uint32_t> out;
        std::vector<bool> seen(t.size());
        for (uint32_t s = start; s != kEndOfChain && s != kNoStream;) {
            if (uint64_t(out.size()) * unit >= maxBytes) break;
            if (s >= t.size()) throw Error("a sector chain points outside the file");
            if (seen[s]) throw Error("a sector chain loops");
            seen[s] = true;
            out.push_back(s);
            s = t[s];
        }
        return out;
    }

    // Runs of consecutive sectors as runs of the file.
    std::vector<StreamPlace::Run> runs(const std::vector<uint32_t>& sectors) const {
        std::vector<StreamPlace::Run> out;
        for (size_t i = 0; i < sectors.size();) {
            size_t j = i + 1;
            while (j < sectors.size() && sectors[j] == sectors[j - 1] + 1) ++j;
            out.push_back({(uint64_t(sectors[i]) + 1) << secShift_, uint64_t(j - i) << secShift_});
            i = j;
        }
        return out;
    }

    std::vector<uint8_t> chainBytes(uint32_t start, uint64_t size, const std::vector<uint32_t>& t,
                                    size_t unit) {
        std::vector<uint32_t> sectors = chain(start, size, t, unit);
        std::vector<uint8_t> out(sectors.size() * unit);
        for (size_t i = 0; i < sectors.size();) {
            // Runs of consecutive sectors are read at once.
            size_t j = i + 1;
            while (j < sectors.size() && sectors[j] == sectors[j - 1] + 1) ++j;
            uint64_t off = (uint64_t(sectors[i]) + 1) << secShift_;
            size_t want = (j - i) * unit;
            size_t got = read_(off, out.data() + i * unit, want);
            if (got < want) std::memset(out.data() + i * unit + got, 0, want - got);
            i = j;
        }
        if (out.size() > size) out.resize(static_cast<size_t>(size));
        return out;
    }

    static std::vector<uint8_t> chainIn(const std::vector<uint8_t>& mini, uint32_t start,
                                        uint64_t size, const std::vector<uint32_t>& t,
                                        size_t unit) {
        std::vector<uint32_t> sectors = chain(start, size, t, unit);
        std::vector<uint8_t> out;
        out.reserve(sectors.size() * unit);
        for (uint32_t s : sectors) {
            size_t off = size_t(s) * unit;
            if (off + unit > mini.size()) throw Error("a small stream lies outside its container");
            out.insert(out.end(), mini.begin() + off, mini.begin() + off + unit);
        }
        if (out.size() > size) out.resize(static_cast<size_t>(size));
        return out;
    }

    // The entries of the root storage: the tree under its child, every entry visited once.
    static std::vector<uint32_t> rootChildren(const std::vector<uint8_t>& dir, size_t entries) {
        std::vector<uint32_t> out, stack{u32(dir.data() + 76)};
        std::vector<bool> seen(entries);
        while (!stack.empty()) {
            uint32_t i = stack.back();
            stack.pop_back();
            if (i >= entries || seen[i]) continue;
            seen[i] = true;
            out.push_back(i);
            const uint8_t* e = dir.data() + size_t(i) * kDirEntry;
            stack.push_back(u32(e + 68));
            stack.push_back(u32(e + 72));
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    static std::string entryName(const uint8_t* e) {
        size_t n = std::min<size_t>(u16(e + 64), 64) / 2;
        std::u16string name;
        for (size_t i = 0; i < n; ++i) {
            char16_t c = u16(e + i * 2);
            if (c == 0) break;
            name.push_back(c);
        }
        return text::utf16ToUtf8(name);
    }

    const ReadAt& read_;
    uint64_t size_;
    uint8_t header_[512];
    unsigned secShift_ = 9;
    size_t secSize_ = 512;
    uint64_t sectors_ = 0;
    std::vector<uint32_t> fat_;
};

}  // namespace

bool HasSignature(std::string_view b) {
    return b.size() >= 8 && std::memcmp(b.data(), kSignature, 8) == 0;
}

bool IsEncryptedPackage(const ReadAt& read, uint64_t size) {
    try {
        return Container(read, size).hasStreams({"EncryptedPackage", "EncryptionInfo"});
    } catch (const Error&) {
        return false;
    }
}

bool FindStream(const ReadAt& read, uint64_t size, const std::vector<std::string>& names,
                uint64_t maxStream, StreamPlace& out) {
    Container c(read, size);
    return c.findStream(names, maxStream, out);
}

}  // namespace tq::office::cfb
