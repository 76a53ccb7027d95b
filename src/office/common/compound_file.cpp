// Compound document signature and directory walk (see compound_file.h). Only the header, the
// sector allocation table entries of the directory's chain and the directory itself are read.
#include "office/common/compound_file.h"

#include <cstring>
#include <vector>

namespace tq::office {

namespace {

constexpr unsigned char kMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr uint32_t kLastRegularSector = 0xFFFFFFFA;  // larger ids mark chain ends and free sectors
constexpr size_t kMaxFatSectors = size_t(1) << 20;   // 4 GB of 4 KB sectors
constexpr size_t kMaxDirectorySectors = 4096;        // 16384+ directory entries

uint32_t le32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t le16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// A directory entry's name: UTF-16LE, its byte length (terminator included) at 0x40.
bool entryNamed(const unsigned char* e, std::string_view name) {
    size_t bytes = le16(e + 0x40);
    if (bytes != (name.size() + 1) * 2 || bytes > 64) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        uint16_t ch = le16(e + 2 * i);
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<uint16_t>(ch - 'A' + 'a');
        char want = name[i];
        if (want >= 'A' && want <= 'Z') want = static_cast<char>(want - 'A' + 'a');
        if (ch != static_cast<unsigned char>(want)) return false;
    }
    return true;
}

class Directory {
  public:
    explicit Directory(const ReadAt& read) : read_(read) {}

    bool open() {
        if (!read_(0, head_, sizeof head_) || !IsCompoundDocument(head_, sizeof head_))
            return false;
        uint16_t shift = le16(head_ + 0x1E);
        if (shift != 9 && shift != 12) return false;
        shift_ = shift;
        return loadFat();
    }

    bool hasStream(std::string_view name) {
        std::vector<unsigned char> sector(size_t(1) << shift_);
        uint32_t s = le32(head_ + 0x30);
        for (size_t walked = 0; s <= kLastRegularSector && walked < kMaxDirectorySectors;
             ++walked) {
            if (!read_(offsetOf(s), sector.data(), sector.size())) return false;
            for (size_t e = 0; e + 128 <= sector.size(); e += 128)
                if (sector[e + 0x42] == 2 && entryNamed(&sector[e], name)) return true;
            if (!next(s, s)) return false;
        }
        return false;
    }

  private:
    uint64_t offsetOf(uint32_t sector) const { return (uint64_t(sector) + 1) << shift_; }

    // The sectors of the allocation table: the first 109 listed in the header, the rest in the
    // chain of extension sectors.
    bool loadFat() {
        uint32_t count = le32(head_ + 0x2C);
        if (count > kMaxFatSectors) return false;
        for (size_t i = 0; i < 109 && fat_.size() < count; ++i)
            fat_.push_back(le32(head_ + 0x4C + 4 * i));
        std::vector<unsigned char> sector(size_t(1) << shift_);
        uint32_t d = le32(head_ + 0x44);
        size_t perSector = sector.size() / 4 - 1;
        while (fat_.size() < count && d <= kLastRegularSector) {
            if (!read_(offsetOf(d), sector.data(), sector.size())) return false;
            for (size_t i = 0; i < perSector && fat_.size() < count; ++i)
                fat_.push_back(le32(&sector[4 * i]));
            d = le32(&sector[4 * perSector]);
        }
        return true;
    }

    bool next(uint32_t s, uint32_t& out) const {
        uint32_t perSector = (uint32_t(1) << shift_) / 4;
        size_t idx = s / perSector;
        if (idx >= fat_.size() || fat_[idx] > kLastRegularSector) return false;
        unsigned char b[4];
        if (!read_(offsetOf(fat_[idx]) + uint64_t(s % perSector) * 4, b, 4)) return false;
        out = le32(b);
        return true;
    }

    const ReadAt& read_;
    unsigned char head_[512] = {};
    uint16_t shift_ = 9;
    std::vector<uint32_t> fat_;
};

}  // namespace

bool IsCompoundDocument(const void* head, size_t n) {
    return n >= sizeof kMagic && std::memcmp(head, kMagic, sizeof kMagic) == 0;
}

bool CompoundHasStream(const ReadAt& read, std::string_view name) {
    Directory dir(read);
    return dir.open() && dir.hasStream(name);
}

bool IsEncryptedPackage(const ReadAt& read) {
    Directory dir(read);
    return dir.open() && dir.hasStream("EncryptedPackage") && dir.hasStream("EncryptionInfo");
}

}  // namespace tq::office
