// Writing a compound document (version 3, 512-byte sectors) that holds one stream, as .xls
// workbooks need: the stream's sectors, one directory sector, the allocation table and, for
// streams over about 7 MB, the table's extension sectors.
#include <algorithm>
#include <cstring>

#include "office/common/compound_file.h"

namespace tq::office::cfb {
namespace {

constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFatSector = 0xFFFFFFFD;
constexpr uint32_t kDifSector = 0xFFFFFFFC;
constexpr size_t kSector = 512;
constexpr size_t kPerSector = kSector / 4;
// Streams below this size would belong in the small-stream area; the stream is padded up to it.
constexpr size_t kMiniCutoff = 4096;

void put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

void dirEntry(uint8_t* e, const std::string& name, uint8_t type, uint32_t child, uint32_t start,
              uint32_t size) {
    for (size_t i = 0; i < name.size() && i < 31; ++i) put16(e + i * 2, uint8_t(name[i]));
    put16(e + 64, static_cast<uint32_t>((std::min<size_t>(name.size(), 31) + 1) * 2));
    e[66] = type;
    e[67] = 1;  // black
    put32(e + 68, kFree);
    put32(e + 72, kFree);
    put32(e + 76, child);
    put32(e + 116, start);
    put32(e + 120, size);
}

}  // namespace

bool WriteSingleStream(const std::string& name, std::string_view data,
                       const std::function<bool(const void*, size_t)>& write) {
    uint64_t streamSize = std::max<uint64_t>(data.size(), kMiniCutoff);
    if (streamSize > 0xFFFFFFFFull - kSector) return false;
    uint32_t nData = static_cast<uint32_t>((streamSize + kSector - 1) / kSector);
    uint32_t nFat = 1, nDif = 0;
    for (;;) {  // the table must also cover its own sectors and those of its extension
        uint64_t total = uint64_t(nData) + 1 + nFat + nDif;
        uint32_t fat = static_cast<uint32_t>((total + kPerSector - 1) / kPerSector);
        uint32_t dif = fat > 109 ? (fat - 109 + kPerSector - 2) / (kPerSector - 1) : 0;
        if (fat == nFat && dif == nDif) break;
        nFat = fat;
        nDif = dif;
    }
    uint32_t dirSector = nData, fat0 = nData + 1, dif0 = fat0 + nFat;

    std::vector<uint8_t> header(kSector, 0);
    const uint8_t sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(header.data(), sig, 8);
    put16(&header[24], 0x3E);
    put16(&header[26], 3);
    put16(&header[28], 0xFFFE);
    put16(&header[30], 9);
    put16(&header[32], 6);
    put32(&header[44], nFat);
    put32(&header[48], dirSector);
    put32(&header[56], kMiniCutoff);
    put32(&header[60], kEndOfChain);
    put32(&header[68], nDif ? dif0 : kEndOfChain);
    put32(&header[72], nDif);
    for (uint32_t i = 0; i < 109; ++i) put32(&header[76 + i * 4], i < nFat ? fat0 + i : kFree);

    std::vector<uint8_t> dir(kSector, 0);
    for (size_t i = 0; i < 4; ++i) {
        put32(&dir[i * 128 + 68], kFree);
        put32(&dir[i * 128 + 72], kFree);
        put32(&dir[i * 128 + 76], kFree);
    }
    dirEntry(&dir[0], "Root Entry", 5, 1, kEndOfChain, 0);
    dirEntry(&dir[128], name, 2, kFree, 0, static_cast<uint32_t>(streamSize));

    std::vector<uint8_t> fat(size_t(nFat) * kSector, 0xFF);
    for (uint32_t i = 0; i < nData; ++i) put32(&fat[i * 4], i + 1 < nData ? i + 1 : kEndOfChain);
    put32(&fat[dirSector * 4], kEndOfChain);
    for (uint32_t i = 0; i < nFat; ++i) put32(&fat[(fat0 + i) * 4], kFatSector);
    for (uint32_t i = 0; i < nDif; ++i) put32(&fat[(dif0 + i) * 4], kDifSector);

    std::vector<uint8_t> dif(size_t(nDif) * kSector, 0xFF);
    for (uint32_t i = 109; i < nFat; ++i) {
        uint32_t k = i - 109, sector = k / (kPerSector - 1), slot = k % (kPerSector - 1);
        put32(&dif[sector * kSector + slot * 4], fat0 + i);
    }
    for (uint32_t s = 0; s < nDif; ++s)
        put32(&dif[s * kSector + kSector - 4], s + 1 < nDif ? dif0 + s + 1 : kEndOfChain);

    std::vector<uint8_t> pad(size_t(nData) * kSector - data.size(), 0);
    return write(header.data(), header.size()) && write(data.data(), data.size()) &&
           write(pad.data(), pad.size()) && write(dir.data(), dir.size()) &&
           write(fat.data(), fat.size()) && write(dif.data(), dif.size());
}

}  // namespace tq::office::cfb
