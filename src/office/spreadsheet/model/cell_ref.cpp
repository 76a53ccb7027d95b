// Cell references and their names (see cell_ref.h).
#include "office/spreadsheet/model/cell_ref.h"

#include <utility>

namespace tq::office {

std::string ColumnName(uint32_t c) {
    std::string s;
    uint32_t n = c + 1;
    while (n > 0) {
        uint32_t rem = (n - 1) % 26;
        s.insert(s.begin(), static_cast<char>('A' + rem));
        n = (n - 1) / 26;
    }
    return s;
}

std::string CellName(uint32_t r, uint32_t c) {
    return ColumnName(c) + std::to_string(r + 1);
}

std::string RectName(const Rect& r) {
    if (r.single()) return CellName(r.r1, r.c1);
    return CellName(r.r1, r.c1) + ":" + CellName(r.r2, r.c2);
}

RefParse ParseColumnLetters(std::string_view s, uint32_t& col) {
    if (s.empty()) return RefParse::Invalid;
    uint64_t c = 0;
    for (char ch : s) {
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
        if (ch < 'A' || ch > 'Z') return RefParse::Invalid;
        // Saturates far past the limit, so long runs of letters cannot overflow.
        if (c <= kMaxCols) c = c * 26 + static_cast<uint64_t>(ch - 'A' + 1);
    }
    if (c > kMaxCols) return RefParse::Beyond;
    col = static_cast<uint32_t>(c - 1);
    return RefParse::Ok;
}

RefParse ParseCellRef(std::string_view s, uint32_t& row, uint32_t& col) {
    size_t i = 0;
    if (i < s.size() && s[i] == '$') ++i;
    const size_t l0 = i;
    while (i < s.size() && ((s[i] >= 'A' && s[i] <= 'Z') || (s[i] >= 'a' && s[i] <= 'z'))) ++i;
    std::string_view letters = s.substr(l0, i - l0);
    if (i < s.size() && s[i] == '$') ++i;
    const size_t d0 = i;
    uint64_t r = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        if (r <= kMaxRows) r = r * 10 + static_cast<uint64_t>(s[i] - '0');
        ++i;
    }
    if (i == d0 || i != s.size() || r == 0) return RefParse::Invalid;
    uint32_t c = 0;
    RefParse letterResult = ParseColumnLetters(letters, c);
    if (letterResult == RefParse::Invalid) return RefParse::Invalid;
    if (letterResult == RefParse::Beyond || r > kMaxRows) return RefParse::Beyond;
    row = static_cast<uint32_t>(r - 1);
    col = c;
    return RefParse::Ok;
}

RefParse ParseRectRef(std::string_view s, Rect& out) {
    Rect r;
    const size_t colon = s.find(':');
    RefParse a = ParseCellRef(colon == std::string_view::npos ? s : s.substr(0, colon), r.r1, r.c1);
    if (a != RefParse::Ok) return a;
    if (colon == std::string_view::npos) {
        r.r2 = r.r1;
        r.c2 = r.c1;
    } else {
        RefParse b = ParseCellRef(s.substr(colon + 1), r.r2, r.c2);
        if (b != RefParse::Ok) return b;
        if (r.r1 > r.r2) std::swap(r.r1, r.r2);
        if (r.c1 > r.c2) std::swap(r.c1, r.c2);
    }
    out = r;
    return RefParse::Ok;
}

}  // namespace tq::office
