// Operations on the in-memory workbook (see model_ops.h).
#include "office/spreadsheet/model/model_ops.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <queue>
#include <stdexcept>

#include "automation/error_values.h"
#include "text/dates.h"
#include "text/number_text.h"
#include "text/text.h"
#include "tqtool/types.h"

namespace tq::office {

// ---- Number formats and text forms ----

namespace {
// The default palette behind indexed colours, as 0xRRGGBB.
const uint32_t kIndexed[64] = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
    0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
    0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
    0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
    0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
    0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333,
};
}  // namespace

bool IndexedColor(uint32_t index, uint32_t& bgr) {
    if (index >= 64) return false;
    uint32_t rgb = kIndexed[index];
    bgr = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    return true;
}

std::string NumberText(double v) {
    if (std::isnan(v) || std::isinf(v)) return "#NUM!";
    return text::FormatNumber(v, 15);
}

double SerialToOle(double serial, bool date1904) {
    if (date1904) return serial + 1462;
    // The 1900 system counts a 29 February 1900 that never was: its first 59 days are one day
    // behind the automation date.
    if (serial >= 1 && serial < 60) return serial + 1;
    return serial;
}

double OleToSerial(double date, bool date1904) {
    if (date1904) return date - 1462;
    if (date >= 2 && date < 61) return date - 1;
    return date;
}

std::string DateText(double serial) {
    std::optional<std::string> t = text::FormatDate(serial);
    return t ? *t : NumberText(serial);
}

const char* ErrorText(int32_t code) {
    const char* t = automation::ErrorValueText(code);
    return t ? t : "#VALUE!";
}

int32_t ErrorFromText(std::string_view t) {
    return automation::ErrorValueFromText(t);
}

namespace {
template <class Ch>
std::optional<double> plainDecimal(std::basic_string_view<Ch> t) {
    if (t.empty() || t.size() > 400) return std::nullopt;
    char buf[402];
    size_t n = 0, i = 0;
    if (t[0] == '+' || t[0] == '-') buf[n++] = static_cast<char>(t[i++]);
    size_t intStart = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') buf[n++] = static_cast<char>(t[i++]);
    size_t intDigits = i - intStart;
    size_t fracDigits = 0;
    if (i < t.size() && t[i] == '.') {
        buf[n++] = '.';
        ++i;
        size_t fs = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') buf[n++] = static_cast<char>(t[i++]);
        fracDigits = i - fs;
    }
    if (i != t.size() || intDigits + fracDigits == 0) return std::nullopt;
    if (intDigits > 1 && t[intStart] == '0') return std::nullopt;  // "007" stays a text
    // Significant digits: all digits without leading and trailing zeros.
    std::string digits;
    for (size_t k = 0; k < n; ++k)
        if (buf[k] >= '0' && buf[k] <= '9') digits += buf[k];
    size_t a = digits.find_first_not_of('0');
    if (a != std::string::npos) {
        size_t b = digits.find_last_not_of('0');
        if (b - a + 1 > 15) return std::nullopt;
    }
    buf[n] = 0;
    return text::strtod(buf, nullptr);
}
}  // namespace

std::optional<double> PlainDecimal(std::u16string_view text) {
    return plainDecimal(text);
}
std::optional<double> PlainDecimal(std::string_view text) {
    return plainDecimal(text);
}

namespace {
bool isWide(uint32_t cp) {
    return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
           (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
           (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
           (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
}
}  // namespace

double TextWidthUnits(std::string_view s) {
    double best = 0, cur = 0;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        uint32_t cp;
        size_t len;
        if (c < 0x80) {
            cp = c;
            len = 1;
        } else if ((c >> 5) == 6) {
            cp = c & 0x1F;
            len = 2;
        } else if ((c >> 4) == 14) {
            cp = c & 0x0F;
            len = 3;
        } else {
            cp = c & 0x07;
            len = 4;
        }
        for (size_t k = 1; k < len && i + k < s.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        i += len;
        if (cp == '\n') {
            best = std::max(best, cur);
            cur = 0;
        } else if (cp != '\r') {
            cur += isWide(cp) ? 2 : 1;
        }
    }
    return std::max(best, cur);
}

uint32_t TextLines(std::string_view s) {
    return 1 + static_cast<uint32_t>(std::count(s.begin(), s.end(), '\n'));
}

// ---- BookModel ----

void BookModel::assignIds() {
    for (auto& s : wb.sheets) lastId_ = std::max(lastId_, s.id);
    for (auto& s : wb.sheets)
        if (s.id == 0) s.id = ++lastId_;
}

int BookModel::sheetIndex(uint32_t id) const {
    for (size_t i = 0; i < wb.sheets.size(); ++i)
        if (wb.sheets[i].id == id) return static_cast<int>(i);
    return -1;
}

namespace {
std::string styleKey(const Style& s) {
    std::string k = s.numFmt;
    k += '\x1f';
    k += s.fontName;
    k += text::format("\x1f%d\x1f%d\x1f%d\x1f%.17g\x1f%d%d%d\x1f%u", s.hAlign, s.vAlign,
                      s.wrap ? 1 : 0, s.fontSize, s.bold ? 1 : 0, s.italic ? 1 : 0,
                      s.hasFill ? 1 : 0, s.hasFill ? s.fillColor : 0u);
    return k;
}
}  // namespace

uint32_t BookModel::internStyle(const Style& s) {
    if (wb.styles.empty()) wb.styles.emplace_back();
    for (size_t i = indexed_; i < wb.styles.size(); ++i)
        styleIndex_.emplace(styleKey(wb.styles[i]), static_cast<uint32_t>(i));
    indexed_ = wb.styles.size();
    auto [it, added] = styleIndex_.emplace(styleKey(s), static_cast<uint32_t>(wb.styles.size()));
    if (added) {
        wb.styles.push_back(s);
        indexed_ = wb.styles.size();
    }
    return it->second;
}

bool BookModel::styleIsDate(uint32_t idx) {
    if (idx >= wb.styles.size()) return false;
    if (dateCache_.size() < wb.styles.size()) dateCache_.resize(wb.styles.size(), -1);
    int8_t& v = dateCache_[idx];
    if (v < 0) v = IsDateFormat(wb.styles[idx].numFmt) ? 1 : 0;
    return v == 1;
}

uint32_t BookModel::addString(std::string&& s) {
    wb.strings.push_back(std::move(s));
    return static_cast<uint32_t>(wb.strings.size() - 1);
}

void BookModel::releaseString() {
    if (++released_ > 65536 && released_ > wb.strings.size() / 2) compactStrings();
}

void BookModel::compactStrings() {
    CompactStrings(wb);
    released_ = 0;
}

void CompactStrings(Workbook& wb) {
    std::vector<uint32_t> remap(wb.strings.size(), UINT32_MAX);
    std::vector<std::string> out;
    for (auto& sh : wb.sheets)
        for (auto& row : sh.rows)
            for (auto& cell : row.cells) {
                if (cell.type != CellType::String || cell.str >= remap.size()) continue;
                uint32_t& m = remap[cell.str];
                if (m == UINT32_MAX) {
                    m = static_cast<uint32_t>(out.size());
                    out.push_back(std::move(wb.strings[cell.str]));
                }
                cell.str = m;
            }
    wb.strings = std::move(out);
}

// ---- Cells ----

namespace {
template <class S>
auto findRowImpl(S& s, uint32_t r) -> decltype(&s.rows[0]) {
    auto& rows = s.rows;
    if (rows.empty()) return nullptr;
    size_t h = s.rowHint;
    if (h < rows.size() && rows[h].row == r) return &rows[h];
    if (h + 1 < rows.size() && rows[h + 1].row == r) {
        s.rowHint = h + 1;
        return &rows[h + 1];
    }
    if (rows.back().row == r) return &rows.back();
    auto it = std::lower_bound(rows.begin(), rows.end(), r,
                               [](const Row& a, uint32_t v) { return a.row < v; });
    if (it == rows.end() || it->row != r) return nullptr;
    s.rowHint = static_cast<size_t>(it - rows.begin());
    return &*it;
}
template <class R>
auto findCellInRow(R& row, uint32_t c) -> decltype(&row.cells[0]) {
    auto& cells = row.cells;
    if (cells.empty()) return nullptr;
    // Columns are unique and ascending, so column c is at most c - first places in; rows are
    // mostly filled without gaps, which puts it right there.
    if (c < cells[0].col) return nullptr;
    size_t k = size_t(c) - cells[0].col;
    if (k < cells.size() && cells[k].col == c) return &cells[k];
    auto end = cells.begin() + static_cast<std::ptrdiff_t>(std::min(k, cells.size()));
    auto it = std::lower_bound(cells.begin(), end, c,
                               [](const Cell& a, uint32_t v) { return a.col < v; });
    return (it != end && it->col == c) ? &*it : nullptr;
}
auto rowLower(std::vector<Row>& rows, uint32_t r) {
    return std::lower_bound(rows.begin(), rows.end(), r,
                            [](const Row& a, uint32_t v) { return a.row < v; });
}
auto cellLower(std::vector<Cell>& cells, uint32_t c) {
    return std::lower_bound(cells.begin(), cells.end(), c,
                            [](const Cell& a, uint32_t v) { return a.col < v; });
}
int32_t colStyle(const Sheet& s, uint32_t c) {
    if (s.cols.empty()) return -1;
    auto it = std::upper_bound(s.cols.begin(), s.cols.end(), c,
                               [](uint32_t v, const ColInfo& ci) { return v < ci.first; });
    if (it == s.cols.begin()) return -1;
    --it;
    return it->last >= c ? it->style : -1;
}
}  // namespace

const Row* FindRow(const Sheet& s, uint32_t r) {
    return findRowImpl(s, r);
}
Row* FindRow(Sheet& s, uint32_t r) {
    return findRowImpl(s, r);
}

const Cell* FindCell(const Sheet& s, uint32_t r, uint32_t c) {
    const Row* row = FindRow(s, r);
    return row ? findCellInRow(*row, c) : nullptr;
}
Cell* FindCell(Sheet& s, uint32_t r, uint32_t c) {
    Row* row = FindRow(s, r);
    return row ? findCellInRow(*row, c) : nullptr;
}

uint32_t InheritedStyle(const Sheet& s, const Row* row, uint32_t c) {
    if (row && row->style >= 0) return static_cast<uint32_t>(row->style);
    int32_t cs = colStyle(s, c);
    if (cs >= 0) return static_cast<uint32_t>(cs);
    return s.sheetStyle >= 0 ? static_cast<uint32_t>(s.sheetStyle) : 0;
}
uint32_t InheritedStyle(const Sheet& s, uint32_t r, uint32_t c) {
    return InheritedStyle(s, FindRow(s, r), c);
}

uint32_t EffectiveStyle(const Sheet& s, uint32_t r, uint32_t c) {
    const Row* row = FindRow(s, r);
    if (row) {
        if (const Cell* cell = findCellInRow(*row, c)) return cell->style;
    }
    return InheritedStyle(s, row, c);
}

Row& RowAt(Sheet& s, uint32_t r) {
    auto& rows = s.rows;
    if (rows.empty() || rows.back().row < r) {
        rows.emplace_back().row = r;
        return rows.back();
    }
    if (rows.back().row == r) return rows.back();
    auto it = rowLower(rows, r);
    if (it != rows.end() && it->row == r) return *it;
    it = rows.insert(it, Row{});
    it->row = r;
    return *it;
}

Cell& CellAt(Sheet& s, uint32_t r, uint32_t c) {
    // Cell::col holds the columns of a sheet and no more.
    if (c >= kMaxCols)
        throw std::out_of_range("column " + std::to_string(c + 1) + " is beyond the sheet");
    Row& row = RowAt(s, r);
    auto& cells = row.cells;
    if (cells.empty() || cells.back().col < c) {
        uint32_t st = InheritedStyle(s, &row, c);
        Cell& cell = cells.emplace_back();
        cell.col = c;
        cell.style = st;
        return cell;
    }
    if (cells.back().col == c) return cells.back();
    auto it = cellLower(cells, c);
    if (it != cells.end() && it->col == c) return *it;
    uint32_t st = InheritedStyle(s, &row, c);
    it = cells.insert(it, Cell{});
    it->col = c;
    it->style = st;
    return *it;
}

namespace {
Cell& valueCell(BookModel& b, Sheet& s, uint32_t r, uint32_t c) {
    Cell& cell = CellAt(s, r, c);
    if (cell.type == CellType::String) b.releaseString();
    return cell;
}
}  // namespace

void SetNumber(BookModel& b, Sheet& s, uint32_t r, uint32_t c, double v) {
    Cell& cell = valueCell(b, s, r, c);
    cell.type = CellType::Number;
    cell.num = v;
}

void SetString(BookModel& b, Sheet& s, uint32_t r, uint32_t c, std::string utf8) {
    if (utf8.empty()) {
        SetEmpty(b, s, r, c);
        return;
    }
    Cell& cell = valueCell(b, s, r, c);
    uint32_t idx = b.addString(std::move(utf8));
    // addString never touches the sheet, so `cell` is still valid.
    cell.type = CellType::String;
    cell.str = idx;
}

void SetBool(BookModel& b, Sheet& s, uint32_t r, uint32_t c, bool v) {
    Cell& cell = valueCell(b, s, r, c);
    cell.type = CellType::Bool;
    cell.boolean = v;
}

void SetError(BookModel& b, Sheet& s, uint32_t r, uint32_t c, int32_t code) {
    Cell& cell = valueCell(b, s, r, c);
    cell.type = CellType::Error;
    cell.error = code;
}

void SetEmpty(BookModel& b, Sheet& s, uint32_t r, uint32_t c) {
    Row* row = FindRow(s, r);
    if (!row) return;
    Cell* cell = findCellInRow(*row, c);
    if (!cell) return;
    if (cell->type == CellType::String) b.releaseString();
    cell->type = CellType::Empty;
    cell->num = 0;
    if (cell->style == InheritedStyle(s, row, c))
        row->cells.erase(row->cells.begin() + (cell - row->cells.data()));
}

std::optional<double> CellDate(BookModel& b, const Cell& cell) {
    if (cell.type != CellType::Number || !b.styleIsDate(cell.style)) return std::nullopt;
    double date = SerialToOle(cell.num, b.wb.date1904);
    if (!text::InDateRange(date)) return std::nullopt;
    return date;
}

std::string CellText(BookModel& b, const Cell& cell) {
    switch (cell.type) {
        case CellType::Empty:
            return {};
        case CellType::String:
            return cell.str < b.wb.strings.size() ? b.wb.strings[cell.str] : std::string();
        case CellType::Number:
            if (std::optional<double> date = CellDate(b, cell)) return DateText(*date);
            return NumberText(cell.num);
        case CellType::Bool:
            return cell.boolean ? "TRUE" : "FALSE";
        case CellType::Error:
            return ErrorText(cell.error);
    }
    return {};
}

// ---- Formats ----

void EditColumns(Sheet& s, uint32_t c1, uint32_t c2, const std::function<void(ColInfo&)>& edit) {
    std::vector<ColInfo> out;
    out.reserve(s.cols.size() + 3);
    uint32_t next = c1;
    auto fillGap = [&](uint32_t upto) {  // columns [next, upto) that have no record yet
        if (next < upto) {
            ColInfo g;
            g.first = next;
            g.last = upto - 1;
            edit(g);
            out.push_back(g);
            next = upto;
        }
    };
    for (const ColInfo& ci : s.cols) {
        if (ci.last < c1) {
            out.push_back(ci);
            continue;
        }
        if (ci.first > c2) {
            if (next <= c2) fillGap(c2 + 1);
            out.push_back(ci);
            continue;
        }
        if (ci.first < c1) {
            ColInfo a = ci;
            a.last = c1 - 1;
            out.push_back(a);
        }
        uint32_t f = std::max(ci.first, c1), l = std::min(ci.last, c2);
        fillGap(f);
        ColInfo m = ci;
        m.first = f;
        m.last = l;
        edit(m);
        out.push_back(m);
        next = l + 1;
        if (ci.last > c2) {
            ColInfo z = ci;
            z.first = c2 + 1;
            out.push_back(z);
        }
    }
    if (next <= c2) fillGap(c2 + 1);
    // Drop records that say nothing and join neighbours that say the same.
    std::vector<ColInfo> joined;
    joined.reserve(out.size());
    for (const ColInfo& ci : out) {
        if (ci.width < 0 && ci.style < 0) continue;
        if (!joined.empty() && joined.back().last + 1 == ci.first &&
            joined.back().width == ci.width && joined.back().style == ci.style) {
            joined.back().last = ci.last;
            continue;
        }
        joined.push_back(ci);
    }
    s.cols = std::move(joined);
}

double ColumnWidth(const Sheet& s, uint32_t c) {
    auto it = std::upper_bound(s.cols.begin(), s.cols.end(), c,
                               [](uint32_t v, const ColInfo& ci) { return v < ci.first; });
    if (it != s.cols.begin()) {
        --it;
        if (it->last >= c && it->width >= 0) return it->width;
    }
    return s.defaultColWidth;
}

namespace {
constexpr uint64_t kMaxCellByCell = 10'000'000;

// Rebuilds the rows vector so that every row of [r1, r2] has a record, then calls fn on each.
void forEachRowCreate(Sheet& s, uint32_t r1, uint32_t r2, const std::function<void(Row&)>& fn) {
    std::vector<Row> out;
    out.reserve(s.rows.size() + (r2 - r1 + 1));
    auto it = s.rows.begin();
    for (; it != s.rows.end() && it->row < r1; ++it) out.push_back(std::move(*it));
    for (uint64_t r = r1; r <= r2; ++r) {
        if (it != s.rows.end() && it->row == r) {
            out.push_back(std::move(*it));
            ++it;
        } else {
            out.emplace_back().row = static_cast<uint32_t>(r);
        }
        fn(out.back());
    }
    for (; it != s.rows.end(); ++it) out.push_back(std::move(*it));
    s.rows = std::move(out);
}

template <class Fn>
void forEachRowIn(Sheet& s, uint32_t r1, uint32_t r2, Fn fn) {
    for (auto it = rowLower(s.rows, r1); it != s.rows.end() && it->row <= r2; ++it) fn(*it);
}
}  // namespace

void ApplyFormat(BookModel& b, Sheet& s, const Rect& area, const std::function<void(Style&)>& edit,
                 const char* member) {
    std::unordered_map<uint32_t, uint32_t> memo;
    auto conv = [&](uint32_t old) -> uint32_t {
        auto it = memo.find(old);
        if (it != memo.end()) return it->second;
        Style st = old < b.wb.styles.size() ? b.wb.styles[old] : Style{};
        edit(st);
        uint32_t idx = b.internStyle(st);
        memo.emplace(old, idx);
        return idx;
    };
    auto base = [&](int32_t own) -> uint32_t {
        if (own >= 0) return static_cast<uint32_t>(own);
        return s.sheetStyle >= 0 ? static_cast<uint32_t>(s.sheetStyle) : 0;
    };
    auto convCells = [&](Row& row) {
        for (auto it = cellLower(row.cells, area.c1); it != row.cells.end() && it->col <= area.c2;
             ++it)
            it->style = conv(it->style);
    };
    if (area.wholeSheet()) {
        s.sheetStyle = static_cast<int32_t>(conv(base(-1)));
        for (auto& ci : s.cols)
            if (ci.style >= 0)
                ci.style = static_cast<int32_t>(conv(static_cast<uint32_t>(ci.style)));
        for (auto& row : s.rows) {
            if (row.style >= 0)
                row.style = static_cast<int32_t>(conv(static_cast<uint32_t>(row.style)));
            for (auto& cell : row.cells) cell.style = conv(cell.style);
        }
        return;
    }
    if (area.wholeRows()) {
        forEachRowCreate(s, area.r1, area.r2, [&](Row& row) {
            row.style = static_cast<int32_t>(conv(base(row.style)));
            for (auto& cell : row.cells) cell.style = conv(cell.style);
        });
        return;
    }
    if (area.wholeCols()) {
        EditColumns(s, area.c1, area.c2,
                    [&](ColInfo& ci) { ci.style = static_cast<int32_t>(conv(base(ci.style))); });
        for (auto& row : s.rows) convCells(row);
        return;
    }
    if (area.cellCount() > kMaxCellByCell)
        throw AutomationError(hresult::E_FAIL_, std::string(member) + ": the range " +
                                                    RectName(area) +
                                                    " is too large to format cell by cell");
    for (uint64_t r = area.r1; r <= area.r2; ++r) {
        uint32_t rr = static_cast<uint32_t>(r);
        for (uint64_t c = area.c1; c <= area.c2; ++c) {
            uint32_t cc = static_cast<uint32_t>(c);
            if (Cell* cell = FindCell(s, rr, cc)) {
                cell->style = conv(cell->style);
                continue;
            }
            uint32_t inh = InheritedStyle(s, rr, cc);
            uint32_t n = conv(inh);
            if (n != inh) CellAt(s, rr, cc).style = n;
        }
    }
}

// ---- Used range ----

Rect UsedRange(const Sheet& s) {
    bool any = false;
    Rect u;
    auto add = [&](uint32_t r1, uint32_t c1, uint32_t r2, uint32_t c2) {
        if (!any) {
            u = {r1, c1, r2, c2};
            any = true;
            return;
        }
        u.r1 = std::min(u.r1, r1);
        u.c1 = std::min(u.c1, c1);
        u.r2 = std::max(u.r2, r2);
        u.c2 = std::max(u.c2, c2);
    };
    // A row's extent is its first and last cell that holds a value or a format of its own:
    // looked for from each end, so a full row is not walked through.
    for (const Row& row : s.rows) {
        auto counts = [&](const Cell& cell) {
            return cell.type != CellType::Empty || cell.style != InheritedStyle(s, &row, cell.col);
        };
        auto first = std::find_if(row.cells.begin(), row.cells.end(), counts);
        if (first == row.cells.end()) continue;
        auto last = std::find_if(row.cells.rbegin(), row.cells.rend(), counts);
        add(row.row, first->col, row.row, last->col);
    }
    for (const MergeArea& m : s.merges) add(m.r1, m.c1, m.r2, m.c2);
    return any ? u : Rect{};
}

// ---- Merges ----

const MergeArea* MergeAt(const Sheet& s, uint32_t r, uint32_t c) {
    if (s.merges.empty()) return nullptr;
    s.mergeIndex.sync(s.merges);
    int64_t i = s.mergeIndex.find(r, c);
    return i < 0 ? nullptr : &s.merges[static_cast<size_t>(i)];
}

std::vector<uint32_t> MergesMeeting(const Sheet& s, const Rect& area) {
    if (s.merges.empty()) return {};
    s.mergeIndex.sync(s.merges);
    return s.mergeIndex.meeting(area.r1, area.c1, area.r2, area.c2);
}

void Unmerge(Sheet& s, const Rect& area) {
    std::vector<uint32_t> gone = MergesMeeting(s, area);
    MergeIndex& index = s.mergeIndex;
    // From the last position down, each area leaves its place to the vector's last one.
    for (auto it = gone.rbegin(); it != gone.rend(); ++it) {
        size_t pos = *it;
        index.erase(s.merges[pos]);
        if (pos + 1 != s.merges.size()) {
            s.merges[pos] = s.merges.back();
            index.move(s.merges[pos], static_cast<uint32_t>(pos));
        }
        s.merges.pop_back();
    }
    if (!gone.empty()) index.stamp(s.merges);
}

void SetMerges(Sheet& s, std::vector<MergeArea> areas) {
    std::stable_sort(areas.begin(), areas.end(), [](const MergeArea& a, const MergeArea& b) {
        return a.r1 != b.r1 ? a.r1 < b.r1 : a.c1 < b.c1;
    });
    // Sweep down the rows; the accepted areas that reach the current row have disjoint column
    // spans, kept in a map by first column.
    s.merges.clear();
    std::map<uint32_t, MergeArea> active;          // c1 -> area
    using Expiry = std::pair<uint32_t, uint32_t>;  // (r2, c1)
    std::priority_queue<Expiry, std::vector<Expiry>, std::greater<Expiry>> expiry;
    for (const MergeArea& m : areas) {
        if (m.r1 == m.r2 && m.c1 == m.c2) continue;
        while (!expiry.empty() && expiry.top().first < m.r1) {
            auto it = active.find(expiry.top().second);
            if (it != active.end() && it->second.r2 == expiry.top().first) active.erase(it);
            expiry.pop();
        }
        auto it = active.upper_bound(m.c2);
        if (it != active.begin() && std::prev(it)->second.c2 >= m.c1) continue;
        active[m.c1] = m;
        expiry.push({m.r2, m.c1});
        s.merges.push_back(m);
    }
    s.merges.shrink_to_fit();
    s.mergeIndex.clear();
}

namespace {
void mergeOne(BookModel& b, Sheet& s, Rect area) {
    // Grow to the bounding rectangle of every merged area it meets, until nothing changes.
    for (bool grown = true; grown;) {
        grown = false;
        for (uint32_t pos : MergesMeeting(s, area)) {
            Rect mr = ToRect(s.merges[pos]);
            Rect u{std::min(area.r1, mr.r1), std::min(area.c1, mr.c1), std::max(area.r2, mr.r2),
                   std::max(area.c2, mr.c2)};
            if (!(u == area)) {
                area = u;
                grown = true;
            }
        }
    }
    Unmerge(s, area);
    if (area.single()) return;
    s.mergeIndex.sync(s.merges);
    s.merges.push_back(ToMerge(area));
    s.mergeIndex.insert(s.merges.back(), static_cast<uint32_t>(s.merges.size() - 1));
    s.mergeIndex.stamp(s.merges);
    // Only the top-left cell keeps its value.
    forEachRowIn(s, area.r1, area.r2, [&](Row& row) {
        for (auto it = cellLower(row.cells, area.c1); it != row.cells.end() && it->col <= area.c2;
             ++it) {
            if (row.row == area.r1 && it->col == area.c1) continue;
            if (it->type == CellType::String) b.releaseString();
            it->type = CellType::Empty;
            it->num = 0;
        }
    });
}
}  // namespace

void Merge(BookModel& b, Sheet& s, const Rect& area, bool across) {
    if (!across || area.r1 == area.r2) {
        mergeOne(b, s, area);
        return;
    }
    for (uint64_t r = area.r1; r <= area.r2; ++r)
        mergeOne(b, s, Rect{static_cast<uint32_t>(r), area.c1, static_cast<uint32_t>(r), area.c2});
}

// ---- Clearing ----

void Clear(BookModel& b, Sheet& s, const Rect& area) {
    Unmerge(s, area);
    if (area.wholeSheet()) {
        for (auto& row : s.rows) {
            for (auto& cell : row.cells)
                if (cell.type == CellType::String) b.releaseString();
            row.cells.clear();
            row.style = -1;
        }
        std::erase_if(s.rows, [](const Row& r) { return r.height < 0; });
        for (auto& ci : s.cols) ci.style = -1;
        EditColumns(s, 0, 0, [](ColInfo&) {});  // drops records left without meaning
        s.sheetStyle = -1;
        return;
    }
    bool inherited = s.sheetStyle > 0 || std::any_of(s.cols.begin(), s.cols.end(),
                                                     [](const ColInfo& c) { return c.style > 0; });
    forEachRowIn(s, area.r1, area.r2, [&](Row& row) {
        auto a = cellLower(row.cells, area.c1);
        auto e = a;
        while (e != row.cells.end() && e->col <= area.c2) {
            if (e->type == CellType::String) b.releaseString();
            ++e;
        }
        row.cells.erase(a, e);
        if (area.wholeRows()) row.style = inherited ? 0 : -1;
    });
    if (area.wholeCols()) {
        EditColumns(s, area.c1, area.c2,
                    [&](ColInfo& ci) { ci.style = s.sheetStyle > 0 ? 0 : -1; });
        return;
    }
    if (area.wholeRows() || area.cellCount() > kMaxCellByCell) return;
    // Cells that would show a row, column or sheet format get the default format of their own.
    for (uint64_t r = area.r1; r <= area.r2; ++r)
        for (uint64_t c = area.c1; c <= area.c2; ++c) {
            uint32_t rr = static_cast<uint32_t>(r), cc = static_cast<uint32_t>(c);
            if (InheritedStyle(s, rr, cc) != 0) CellAt(s, rr, cc).style = 0;
        }
    (void)inherited;
}

void ClearContents(BookModel& b, Sheet& s, const Rect& area) {
    forEachRowIn(s, area.r1, area.r2, [&](Row& row) {
        auto a = cellLower(row.cells, area.c1);
        auto e = a;
        while (e != row.cells.end() && e->col <= area.c2) ++e;
        for (auto it = a; it != e; ++it) {
            if (it->type == CellType::String) b.releaseString();
            it->type = CellType::Empty;
            it->num = 0;
        }
        auto keepEnd = std::remove_if(
            a, e, [&](const Cell& c) { return c.style == InheritedStyle(s, &row, c.col); });
        row.cells.erase(keepEnd, e);
    });
}

// ---- Fitting ----

namespace {
// Walks the rows of `area` with the merged areas (of more than one cell) that cover each row.
template <class Fn>
void walkWithMerges(Sheet& s, const Rect& area, Fn fn) {
    std::vector<MergeArea> ms = s.merges;
    std::sort(ms.begin(), ms.end(),
              [](const MergeArea& a, const MergeArea& b) { return a.r1 < b.r1; });
    size_t nextMerge = 0;
    std::vector<MergeArea> active;
    forEachRowIn(s, area.r1, area.r2, [&](Row& row) {
        while (nextMerge < ms.size() && ms[nextMerge].r1 <= row.row)
            active.push_back(ms[nextMerge++]);
        std::erase_if(active, [&](const MergeArea& m) { return m.r2 < row.row; });
        fn(row, active);
    });
}
const MergeArea* coveredBy(const std::vector<MergeArea>& active, uint32_t c) {
    for (const MergeArea& m : active)
        if (c >= m.c1 && c <= m.c2) return &m;
    return nullptr;
}
double fontSizeOf(const BookModel& b, uint32_t style) {
    return style < b.wb.styles.size() && b.wb.styles[style].fontSize > 0
               ? b.wb.styles[style].fontSize
               : 11;
}
}  // namespace

void AutoFitColumns(BookModel& b, Sheet& s, const Rect& area) {
    std::unordered_map<uint32_t, double> widths;
    walkWithMerges(s, area, [&](Row& row, const std::vector<MergeArea>& active) {
        for (auto it = cellLower(row.cells, area.c1); it != row.cells.end() && it->col <= area.c2;
             ++it) {
            if (it->type == CellType::Empty || coveredBy(active, it->col)) continue;
            double w = TextWidthUnits(CellText(b, *it)) * fontSizeOf(b, it->style) / 11.0;
            double& best = widths[it->col];
            best = std::max(best, w);
        }
    });
    std::vector<std::pair<uint32_t, double>> sorted(widths.begin(), widths.end());
    std::sort(sorted.begin(), sorted.end());
    for (auto [col, units] : sorted) {
        double w = std::min(255.0, std::round((units + 1.0) * 100) / 100);
        EditColumns(s, col, col, [&](ColInfo& ci) { ci.width = w; });
    }
}

void AutoFitRows(BookModel& b, Sheet& s, const Rect& area) {
    walkWithMerges(s, area, [&](Row& row, const std::vector<MergeArea>& active) {
        double h = 0;
        for (auto it = cellLower(row.cells, area.c1); it != row.cells.end() && it->col <= area.c2;
             ++it) {
            if (it->type == CellType::Empty) continue;
            const MergeArea* m = coveredBy(active, it->col);
            if (m && m->r1 != m->r2) continue;  // areas over several rows do not size a row
            double lineHeight = 15.0 * fontSizeOf(b, it->style) / 11.0;
            uint32_t lines = it->type == CellType::String ? TextLines(CellText(b, *it)) : 1;
            h = std::max(h, lines * lineHeight);
        }
        h = std::min(409.0, std::round(h * 4) / 4);
        row.height = (h == 0 || h == s.defaultRowHeight) ? -1 : h;
    });
}

}  // namespace tq::office
