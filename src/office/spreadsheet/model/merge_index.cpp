// The index of a sheet's merged areas (see MergeIndex in workbook_model.h).
#include <algorithm>
#include <bit>

#include "office/spreadsheet/model/workbook_model.h"

namespace tq::office {

namespace {

// Level L (0 ... 20) holds blocks of 2^(20 - L) rows.
static_assert(kMaxRows == (1u << 20));

uint64_t blockKey(int level, uint64_t block, uint32_t col) {
    return (uint64_t(level) << 40) | (block << 14) | col;
}
uint64_t entry(uint32_t lastCol, uint32_t pos) {
    return (uint64_t(lastCol) << 32) | pos;
}

}  // namespace

// Calls fn(level, block) for the aligned blocks that make up rows [m.r1, m.r2].
template <class Fn>
void MergeIndex::forEachBlock(const MergeArea& m, Fn fn) {
    uint64_t lo = m.r1, hi = uint64_t(m.r2) + 1;
    while (lo < hi) {
        int k = lo == 0 ? 20 : std::min(20, std::countr_zero(lo));
        while ((uint64_t(1) << k) > hi - lo) --k;
        fn(20 - k, lo >> k);
        lo += uint64_t(1) << k;
    }
}

void MergeIndex::clear() {
    hinted_ = 0;
    levels_ = 0;
    lastFound_ = SIZE_MAX;
    blocks_.clear();
    std::fill(std::begin(levelCount_), std::end(levelCount_), 0);
    valid_ = false;
}

void MergeIndex::stamp(const std::vector<MergeArea>& areas) {
    size_ = areas.size();
    data_ = areas.data();
    valid_ = true;
}

void MergeIndex::sync(const std::vector<MergeArea>& areas) {
    if (valid_ && size_ == areas.size() && data_ == areas.data()) return;
    clear();
    for (size_t i = 0; i < areas.size(); ++i) insert(areas[i], static_cast<uint32_t>(i));
    stamp(areas);
}

void MergeIndex::insert(const MergeArea& m, uint32_t pos) {
    forEachBlock(m, [&](int level, uint64_t block) {
        // Areas listed by rows arrive in key order: placed at the end in constant time.
        blocks_.insert_or_assign(blocks_.end(), blockKey(level, block, m.c1), entry(m.c2, pos));
        if (levelCount_[level]++ == 0) levels_ |= 1u << level;
    });
}

void MergeIndex::erase(const MergeArea& m) {
    hinted_ = 0;  // a hint may be the erased entry
    forEachBlock(m, [&](int level, uint64_t block) {
        if (blocks_.erase(blockKey(level, block, m.c1)) && --levelCount_[level] == 0)
            levels_ &= ~(1u << level);
    });
}

void MergeIndex::move(const MergeArea& m, uint32_t pos) {
    forEachBlock(m, [&](int level, uint64_t block) {
        auto it = blocks_.find(blockKey(level, block, m.c1));
        if (it != blocks_.end()) it->second = entry(m.c2, pos);
    });
}

MergeIndex::Blocks::const_iterator MergeIndex::floor(int level, uint64_t key) const {
    // A hint is an entry of the map; whether it is the floor of `key` is checked here, so a
    // hint left from before an insertion still gives the right answer.
    Blocks::const_iterator& h = hint_[level];
    if ((hinted_ >> level & 1) && h->first <= key)
        for (int step = 0; step < 2; ++step) {
            auto n = std::next(h);
            if (n == blocks_.end() || n->first > key) return h;
            h = n;
        }
    auto it = blocks_.upper_bound(key);
    if (it == blocks_.begin()) return blocks_.end();
    h = std::prev(it);
    hinted_ |= 1u << level;
    return h;
}

int64_t MergeIndex::find(uint32_t r, uint32_t c) const {
    // The area found last answers again for its own cells (areas never overlap).
    if (lastFound_ < size_) {
        const MergeArea& m = data_[lastFound_];
        if (r >= m.r1 && r <= m.r2 && c >= m.c1 && c <= m.c2) return lastFound_;
    }
    for (uint32_t left = levels_; left != 0; left &= left - 1) {
        int level = std::countr_zero(left);
        uint64_t block = uint64_t(r) >> (20 - level);
        auto it = floor(level, blockKey(level, block, c));
        if (it == blocks_.end()) continue;
        if ((it->first >> 14) != (blockKey(level, block, 0) >> 14)) continue;
        if (c <= (it->second >> 32)) {
            lastFound_ = it->second & 0xFFFFFFFFu;
            return static_cast<int64_t>(lastFound_);
        }
    }
    return -1;
}

std::vector<uint32_t> MergeIndex::meeting(uint32_t r1, uint32_t c1, uint32_t r2,
                                          uint32_t c2) const {
    std::vector<uint32_t> out;
    for (uint32_t left = levels_; left != 0; left &= left - 1) {
        int level = std::countr_zero(left);
        const int shift = 20 - level;
        const uint64_t last = uint64_t(r2) >> shift;
        auto it = blocks_.lower_bound(blockKey(level, uint64_t(r1) >> shift, 0));
        while (it != blocks_.end() && (it->first >> 40) == uint64_t(level) &&
               ((it->first >> 14) & ((uint64_t(1) << 26) - 1)) <= last) {
            // One block: the area before column c1 may reach into it, then those starting in it.
            uint64_t block = (it->first >> 14) & ((uint64_t(1) << 26) - 1);
            auto b = blocks_.upper_bound(blockKey(level, block, c1));
            if (b != blocks_.begin() && (std::prev(b)->first >> 14) == (it->first >> 14)) --b;
            for (; b != blocks_.end() && (b->first >> 14) == (it->first >> 14) &&
                   (b->first & 0x3FFF) <= c2;
                 ++b)
                if ((b->second >> 32) >= c1) out.push_back(static_cast<uint32_t>(b->second));
            it = blocks_.lower_bound(blockKey(level, block + 1, 0));
        }
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

}  // namespace tq::office
