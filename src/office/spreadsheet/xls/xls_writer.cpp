// Saving workbooks as .xls: the BIFF8 workbook stream is built in memory (globals with fonts,
// number formats, cell formats, palette, sheet list and shared strings; then each sheet), checked
// against the format's limits before any file is touched, and written as a compound document
// through an atomic file replacement.
#include "office/spreadsheet/xls/xls_writer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>
#include <stdexcept>
#include <tuple>

#include "office/spreadsheet/xls/biff_records.h"
#include "office/common/compound_file.h"
#include "os/replace_file.h"
#include "text/text.h"
#include "tqtool/types.h"

namespace tq::office {
namespace {

using namespace xls;

constexpr uint32_t kXlsRows = 65536, kXlsCols = 256, kMaxChars = 32767;
constexpr size_t kMaxRecord = 8224;    // data bytes of one record
constexpr uint16_t kFirstCellXf = 15;  // XFs 0-14 are the style formats
constexpr uint32_t kFirstCustomFormat = 164;

struct Refused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The workbook stream being built: records appended with their length patched at the end.
class Stream {
  public:
    std::string buf;

    void begin(uint16_t type) {
        start_ = buf.size();
        u16(type);
        u16(0);
    }
    void end() {
        size_t n = buf.size() - start_ - 4;
        buf[start_ + 2] = static_cast<char>(n & 0xFF);
        buf[start_ + 3] = static_cast<char>(n >> 8);
    }
    size_t recordStart() const { return start_; }
    size_t recordSize() const { return buf.size() - start_ - 4; }
    void u8(uint32_t v) { buf.push_back(static_cast<char>(v)); }
    void u16(uint32_t v) {
        char b[2] = {static_cast<char>(v), static_cast<char>(v >> 8)};
        buf.append(b, 2);
    }
    void u32(uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void f64(double d) {
        uint64_t bits;
        std::memcpy(&bits, &d, 8);
        u32(static_cast<uint32_t>(bits));
        u32(static_cast<uint32_t>(bits >> 32));
    }
    // Characters 8-bit when every one fits, else UTF-16; `count16` writes a 16-bit count.
    void text(const std::u16string& t, bool count16) {
        count16 ? u16(static_cast<uint32_t>(t.size())) : u8(static_cast<uint32_t>(t.size()));
        bool wide = std::any_of(t.begin(), t.end(), [](char16_t c) { return c > 0xFF; });
        u8(wide ? 1 : 0);
        for (char16_t c : t) wide ? u16(c) : u8(c);
    }
    void record(uint16_t type, std::initializer_list<uint16_t> words) {
        begin(type);
        for (uint16_t w : words) u16(w);
        end();
    }

  private:
    size_t start_ = 0;
};

std::u16string utf16(const std::string& utf8) {
    return text::utf8ToUtf16(utf8);
}

// Column width in characters -> the file's width (characters plus padding, as the column
// records store it): the inverse of ColumnWidthFromFile, in whole pixels of a 7-pixel digit.
double fileWidth(double chars) {
    double px = chars < 1 ? std::round(chars * 12) : std::round(chars * 7 + 5);
    return px / 7;
}

// The code of an alignment in a cell format: its position in the shared table, or the
// format's default (general, bottom).
uint8_t hAlignCode(int32_t a) {
    const auto* it = std::find(std::begin(kHAligns), std::end(kHAligns), a);
    return it == std::end(kHAligns) ? 0 : static_cast<uint8_t>(it - std::begin(kHAligns));
}

uint8_t vAlignCode(int32_t a) {
    const auto* it = std::find(std::begin(kVAligns), std::end(kVAligns), a);
    return it == std::end(kVAligns) ? 2 : static_cast<uint8_t>(it - std::begin(kVAligns));
}

class XlsWriter {
  public:
    XlsWriter(BookModel& b, int active) : wb_(b.wb), active_(active) {}

    std::string build() {
        check();
        out_.buf.reserve(1 << 16);
        std::vector<size_t> sheetPos = globals();
        for (size_t i = 0; i < wb_.sheets.size(); ++i) {
            uint32_t at = static_cast<uint32_t>(out_.buf.size());
            std::memcpy(&out_.buf[sheetPos[i]], &at, 4);  // the stream is little-endian
            sheet(wb_.sheets[i], static_cast<int>(i) == active_);
        }
        return std::move(out_.buf);
    }

  private:
    // ---- limits ----
    void check() {
        if (wb_.sheets.empty()) throw Refused("the workbook has no sheets");
        if (wb_.styles.size() > 4000)
            throw Refused(std::to_string(wb_.styles.size()) +
                          " cell formats; an .xls workbook holds at most 4,000");
        for (const Sheet& s : wb_.sheets) {
            std::string name = "sheet '" + text::utf8ToGbk(s.name) + "'";
            size_t len = utf16(s.name).size();
            if (len == 0 || len > 31)
                throw Refused(name + ": an .xls sheet name has 1 to 31 characters");
            for (const Row& r : s.rows) {
                if (r.row >= kXlsRows)
                    throw Refused(name + " uses row " + std::to_string(r.row + 1) +
                                  "; an .xls sheet has at most 65,536 rows");
                for (const Cell& c : r.cells) {
                    if (c.col >= kXlsCols)
                        throw Refused(name + " uses column " + ColumnName(c.col) +
                                      "; an .xls sheet has at most 256 columns (A to IV)");
                }
            }
            for (const MergeArea& m : s.merges)
                if (m.r2 >= kXlsRows || m.c2 >= kXlsCols)
                    throw Refused(name + " has the merged area " + RectName(ToRect(m)) +
                                  " beyond the 65,536 rows and 256 columns of an .xls sheet");
        }
    }

    // ---- globals ----
    std::vector<size_t> globals() {
        bof(substream::kGlobals);
        out_.record(rec::kCodePage, {1200});  // CODEPAGE: texts are UTF-16
        out_.record(rec::kWindow1, {0, 0, 0x4000, 0x2000, 0x0038,
                                    static_cast<uint16_t>(std::max(active_, 0)), 0, 1, 0x0258});
        out_.record(rec::kDateMode, {static_cast<uint16_t>(wb_.date1904 ? 1 : 0)});
        fonts();
        formats();
        palette();
        xfs();
        out_.record(rec::kStyle, {0x8000, 0xFF00});  // STYLE: Normal is XF 0
        if (paletteChanged_) {
            out_.begin(rec::kPalette);
            out_.u16(56);
            for (uint32_t c : palette_) out_.u32(c);
            out_.end();
        }
        std::vector<size_t> pos;
        for (const Sheet& s : wb_.sheets) {
            out_.begin(rec::kBoundSheet);  // BOUNDSHEET
            pos.push_back(out_.buf.size());
            out_.u32(0);
            out_.u16(0);  // visible worksheet
            out_.text(utf16(s.name), false);
            out_.end();
        }
        sst();
        out_.record(rec::kEof, {});
        return pos;
    }

    void bof(uint16_t type) {
        out_.begin(rec::kBof8);
        out_.u16(0x0600);
        out_.u16(type);
        out_.u16(0x0DBB);
        out_.u16(0x07CC);
        out_.u32(0x41);
        out_.u32(0x06);
        out_.end();
    }

    // Font 0 is the default style's; the format has no font number 4, so the default font is
    // written four times and the others take numbers from 5 on.
    void fonts() {
        std::map<std::tuple<std::string, double, bool, bool>, uint16_t> seen;
        fontOf_.resize(wb_.styles.size());
        std::vector<const Style*> order;
        for (size_t i = 0; i < wb_.styles.size(); ++i) {
            const Style& s = wb_.styles[i];
            auto key = std::make_tuple(s.fontName, s.fontSize, s.bold, s.italic);
            auto it = seen.find(key);
            if (it == seen.end()) {
                uint16_t n = order.empty() ? 0 : static_cast<uint16_t>(order.size() + 4);
                it = seen.emplace(key, n).first;
                order.push_back(&s);
            }
            fontOf_[i] = it->second;
        }
        for (size_t k = 0; k < order.size(); ++k)
            for (int copies = k == 0 ? 4 : 1; copies > 0; --copies) font(*order[k]);
    }

    void font(const Style& s) {
        out_.begin(rec::kFont);
        double size = s.fontSize > 0 ? s.fontSize : 11;
        out_.u16(static_cast<uint32_t>(std::lround(std::min(size, 409.0) * 20)));
        out_.u16((s.italic ? 0x02 : 0) | (s.bold ? 0x01 : 0));  // readers take either bold mark
        out_.u16(0x7FFF);                                       // automatic colour
        out_.u16(s.bold ? 700 : 400);
        out_.u16(0);
        out_.u32(0);  // underline, family, character set, reserved
        out_.text(utf16(s.fontName.empty() ? "Calibri" : s.fontName.substr(0, 255)), false);
        out_.end();
    }

    // Built-in number formats the same in every locale are referred to by number; every other
    // code (the Chinese dates included) is written out.
    void formats() {
        std::map<std::string, uint16_t> custom;
        formatOf_.resize(wb_.styles.size());
        for (size_t i = 0; i < wb_.styles.size(); ++i) {
            const std::string& code = wb_.styles[i].numFmt;
            int builtin = IsGeneralFormat(code) ? 0 : -1;
            for (int id : {1,  2,  3,  4,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18,
                           19, 20, 21, 22, 37, 38, 39, 40, 45, 46, 47, 48, 49})
                if (builtin < 0 && code == BuiltinNumFmt(id)) builtin = id;
            if (builtin >= 0) {
                formatOf_[i] = static_cast<uint16_t>(builtin);
                continue;
            }
            auto it = custom.find(code);
            if (it == custom.end()) {
                uint16_t n = static_cast<uint16_t>(kFirstCustomFormat + custom.size());
                it = custom.emplace(code, n).first;
                out_.begin(rec::kFormat);
                out_.u16(n);
                out_.text(utf16(code.substr(0, 255)), true);
                out_.end();
            }
            formatOf_[i] = it->second;
        }
    }

    // Fill colours: the default palette where it has the colour, otherwise a palette entry is
    // given to it (from the last one back); past 56 colours the nearest one is taken.
    void palette() {
        for (uint32_t i = 8; i < 64; ++i) IndexedColor(i, palette_.emplace_back());
        std::vector<bool> taken(palette_.size());
        fillOf_.assign(wb_.styles.size(), 64);
        size_t nextFree = palette_.size();
        for (size_t i = 0; i < wb_.styles.size(); ++i) {
            if (!wb_.styles[i].hasFill) continue;
            uint32_t c = wb_.styles[i].fillColor & 0xFFFFFF;
            auto it = std::find(palette_.begin(), palette_.end(), c);
            if (it == palette_.end() && nextFree > 0) {
                while (nextFree > 0 && taken[nextFree - 1]) --nextFree;
                if (nextFree > 0) {
                    palette_[--nextFree] = c;
                    paletteChanged_ = true;
                    it = palette_.begin() + static_cast<std::ptrdiff_t>(nextFree);
                }
            }
            if (it == palette_.end()) it = nearest(c);
            taken[static_cast<size_t>(it - palette_.begin())] = true;
            fillOf_[i] = static_cast<uint16_t>(8 + (it - palette_.begin()));
        }
    }

    std::vector<uint32_t>::iterator nearest(uint32_t c) {
        auto dist = [c](uint32_t p) {
            int d = 0;
            for (int s = 0; s < 24; s += 8) {
                int x = int((c >> s) & 0xFF) - int((p >> s) & 0xFF);
                d += x * x;
            }
            return d;
        };
        return std::min_element(palette_.begin(), palette_.end(),
                                [&](uint32_t a, uint32_t b) { return dist(a) < dist(b); });
    }

    void xfs() {
        for (int i = 0; i < kFirstCellXf; ++i) xf(0, true);
        for (size_t i = 0; i < wb_.styles.size(); ++i) xf(i, false);
    }

    void xf(size_t style, bool styleXf) {
        const Style& s = wb_.styles[style];
        out_.begin(rec::kXf);
        out_.u16(fontOf_[style]);
        out_.u16(formatOf_[style]);
        out_.u16(styleXf ? 0xFFF5 : 0x0001);  // locked; a style format, or a cell format of XF 0
        out_.u8(hAlignCode(s.hAlign) | (s.wrap ? 0x08 : 0) | vAlignCode(s.vAlign) << 4);
        out_.u8(0);
        out_.u8(0);
        out_.u8(styleXf ? (style == 0 ? 0 : 0xF4) : 0xFC);  // which attributes the format sets
        out_.u32(0);                                        // borders
        out_.u32(s.hasFill ? 1u << 26 : 0);                 // solid pattern
        out_.u16(static_cast<uint32_t>(s.hasFill ? fillOf_[style] : 64) | 65u << 7);
        out_.end();
    }

    // Shared strings: a string's header never splits from its first character; characters that
    // run into a CONTINUE record are preceded there by their option byte.
    void sst() {
        sstOf_.assign(wb_.strings.size(), UINT32_MAX);
        std::vector<uint32_t> order;
        uint32_t total = 0;
        for (const Sheet& s : wb_.sheets)
            for (const Row& r : s.rows)
                for (const Cell& c : r.cells)
                    if (c.type == CellType::String && c.str < wb_.strings.size()) {
                        ++total;
                        if (sstOf_[c.str] == UINT32_MAX) {
                            sstOf_[c.str] = static_cast<uint32_t>(order.size());
                            order.push_back(c.str);
                        }
                    }
        size_t bucket = std::max<size_t>(8, (order.size() + 127) / 128);
        std::vector<std::pair<uint32_t, uint16_t>> index;
        out_.begin(rec::kSst);
        out_.u32(total);
        out_.u32(static_cast<uint32_t>(order.size()));
        for (size_t k = 0; k < order.size(); ++k) {
            std::u16string t = utf16(wb_.strings[order[k]]);
            if (t.size() > kMaxChars)
                throw Refused("a cell holds " + std::to_string(t.size()) +
                              " characters; an .xls cell holds at most 32,767");
            bool wide = std::any_of(t.begin(), t.end(), [](char16_t c) { return c > 0xFF; });
            size_t width = wide ? 2 : 1;
            if (out_.recordSize() + 3 + width > kMaxRecord) {
                out_.end();
                out_.begin(rec::kContinue);
            }
            if (k % bucket == 0)
                index.emplace_back(static_cast<uint32_t>(out_.buf.size()),
                                   static_cast<uint16_t>(out_.buf.size() - out_.recordStart()));
            out_.u16(static_cast<uint32_t>(t.size()));
            out_.u8(wide ? 1 : 0);
            for (size_t i = 0; i < t.size(); ++i) {
                if (out_.recordSize() + width > kMaxRecord) {
                    out_.end();
                    out_.begin(rec::kContinue);
                    out_.u8(wide ? 1 : 0);
                }
                wide ? out_.u16(t[i]) : out_.u8(t[i]);
            }
        }
        out_.end();
        out_.begin(rec::kExtSst);  // EXTSST: where every `bucket`-th string starts
        out_.u16(static_cast<uint32_t>(bucket));
        for (auto& [at, inRecord] : index) {
            out_.u32(at);
            out_.u16(inRecord);
            out_.u16(0);
        }
        out_.end();
    }

    // ---- sheets ----
    uint16_t xfOf(int64_t style) const {
        if (style < 0 || static_cast<size_t>(style) >= wb_.styles.size()) return kFirstCellXf;
        return static_cast<uint16_t>(kFirstCellXf + style);
    }

    void sheet(const Sheet& s, bool active) {
        bof(substream::kWorksheet);
        out_.record(
            rec::kDefColWidth,
            {static_cast<uint16_t>(std::clamp(std::lround(s.defaultColWidth - 0.43), 0l, 255l))});
        columns(s);
        out_.record(rec::kDefRowHeight, {0, rowHeight(s.defaultRowHeight)});
        Rect used = UsedRange(s);
        out_.begin(rec::kDimensions);  // DIMENSIONS
        out_.u32(s.rows.empty() ? 0 : used.r1);
        out_.u32(s.rows.empty() ? 0 : std::min<uint32_t>(used.r2 + 1, kXlsRows));
        out_.u16(s.rows.empty() ? 0 : used.c1);
        out_.u16(s.rows.empty() ? 0 : std::min<uint32_t>(used.c2 + 1, kXlsCols));
        out_.u16(0);
        out_.end();
        // Rows in blocks of 32: the block's row records, then its cells.
        for (size_t b = 0; b < s.rows.size();) {
            size_t e = b;
            while (e < s.rows.size() && s.rows[e].row / 32 == s.rows[b].row / 32) ++e;
            for (size_t i = b; i < e; ++i) rowRecord(s, s.rows[i]);
            for (size_t i = b; i < e; ++i)
                for (const Cell& c : s.rows[i].cells) cell(s.rows[i].row, c);
            b = e;
        }
        uint16_t flags = 0x00B6 | (active ? 0x0600 : 0);  // grid, headers, zeros ...; selected
        out_.record(rec::kWindow2, {flags, 0, 0, 64, 0, 0, 0, 0, 0});
        for (size_t i = 0; i < s.merges.size(); i += 1026) {
            size_t n = std::min<size_t>(1026, s.merges.size() - i);
            out_.begin(rec::kMergedCells);
            out_.u16(static_cast<uint32_t>(n));
            for (size_t k = i; k < i + n; ++k) {
                const MergeArea& m = s.merges[k];
                out_.u16(m.r1);
                out_.u16(m.r2);
                out_.u16(m.c1);
                out_.u16(m.c2);
            }
            out_.end();
        }
        out_.record(rec::kEof, {});
    }

    static uint16_t rowHeight(double points) {
        return static_cast<uint16_t>(std::lround(std::clamp(points, 0.0, 409.0) * 20));
    }

    void colInfo(uint32_t c1, uint32_t c2, double width, int64_t style) {
        if (c1 >= kXlsCols) return;
        out_.begin(rec::kColInfo);
        out_.u16(c1);
        out_.u16(std::min(c2, kXlsCols - 1));
        out_.u16(static_cast<uint32_t>(std::lround(fileWidth(std::min(width, 255.0)) * 256)));
        out_.u16(xfOf(style));
        out_.u16(width == 0 ? 1 : 0);
        out_.u16(0);
        out_.end();
    }

    void columns(const Sheet& s) {
        uint32_t next = 0;
        bool sheetWide = s.sheetStyle > 0;
        auto gap = [&](uint32_t upto) {
            if (sheetWide && next < upto) colInfo(next, upto - 1, s.defaultColWidth, s.sheetStyle);
        };
        for (const ColInfo& ci : s.cols) {
            if (ci.first >= kXlsCols || ci.last < ci.first) continue;
            gap(ci.first);
            colInfo(ci.first, ci.last, ci.width >= 0 ? ci.width : s.defaultColWidth,
                    ci.style >= 0 ? ci.style : s.sheetStyle);
            next = std::min(ci.last, kXlsCols - 1) + 1;
        }
        gap(kXlsCols);
    }

    void rowRecord(const Sheet& s, const Row& r) {
        out_.begin(rec::kRow);
        out_.u16(r.row);
        out_.u16(r.cells.empty() ? 0 : r.cells.front().col);
        out_.u16(r.cells.empty() ? 0 : r.cells.back().col + 1);
        bool custom = r.height >= 0;
        out_.u16(rowHeight(custom ? r.height : s.defaultRowHeight));
        out_.u32(0);
        uint16_t flags =
            0x0100 | (custom ? 0x40 : 0) | (r.height == 0 ? 0x20 : 0) | (r.style >= 0 ? 0x80 : 0);
        out_.u16(flags);
        out_.u16(xfOf(r.style));
        out_.end();
    }

    void cell(uint32_t row, const Cell& c) {
        uint16_t xf = xfOf(c.style);
        switch (c.type) {
            case CellType::Number:
                out_.begin(rec::kNumber);
                out_.u16(row);
                out_.u16(c.col);
                out_.u16(xf);
                out_.f64(c.num);
                break;
            case CellType::String:
                if (c.str >= wb_.strings.size()) return;
                out_.begin(rec::kLabelSst);
                out_.u16(row);
                out_.u16(c.col);
                out_.u16(xf);
                out_.u32(sstOf_[c.str]);
                break;
            case CellType::Bool:
            case CellType::Error:
                out_.begin(rec::kBoolErr);
                out_.u16(row);
                out_.u16(c.col);
                out_.u16(xf);
                out_.u8(c.type == CellType::Bool ? (c.boolean ? 1 : 0)
                                                 : static_cast<uint32_t>(c.error - 2000));
                out_.u8(c.type == CellType::Error ? 1 : 0);
                break;
            case CellType::Empty:
                out_.begin(rec::kBlank);
                out_.u16(row);
                out_.u16(c.col);
                out_.u16(xf);
                break;
        }
        out_.end();
    }

    Workbook& wb_;
    int active_;
    Stream out_;
    std::vector<uint16_t> fontOf_, formatOf_, fillOf_;
    std::vector<uint32_t> palette_;
    bool paletteChanged_ = false;
    std::vector<uint32_t> sstOf_;
};

}  // namespace

void WriteXls(BookModel& b, const std::string& utf8Path, int activeSheet) {
    auto fail = [&](const std::string& why) {
        throw AutomationError(hresult::E_FAIL_,
                              "cannot write '" + text::pathFromOs(utf8Path) + "': " + why);
    };
    if (activeSheet < 0 || static_cast<size_t>(activeSheet) >= b.wb.sheets.size()) activeSheet = 0;
    std::string stream;
    try {
        stream = XlsWriter(b, activeSheet).build();
    } catch (const Refused& e) {
        fail(e.what());
    }
    if (stream.size() > (uint64_t(1) << 31))
        fail("the workbook is larger than the 2 GB an .xls file can hold");
    os::FileReplacement out;
    std::string why;
    if (!out.begin(utf8Path, why)) fail(why);
    bool ok = cfb::WriteSingleStream("Workbook", stream,
                                     [&](const void* p, size_t n) { return out.write(p, n); });
    if (!ok) fail(std::strerror(errno));
    if (!out.commit(why)) fail(why);
}

}  // namespace tq::office
