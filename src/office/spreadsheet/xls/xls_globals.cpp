// The workbook globals of a BIFF stream: version and code page, the sheet list, shared strings,
// fonts, number formats, cell formats and the palette, and how a cell format becomes a model
// style.
#include <algorithm>

#include "office/spreadsheet/model/model_ops.h"
#include "office/spreadsheet/xls/xls_book.h"

namespace tq::office::xls {
namespace {

void need(const Record& r, size_t n, const char* what) {
    if (r.size < n) throw Damaged(std::string("a ") + what + " record is too short");
}

}  // namespace

void BookReader::onBof(const Record& r) {
    switch (r.type) {
        case rec::kBof2:
            codec_.biff = 2;
            break;
        case rec::kBof3:
            codec_.biff = 3;
            break;
        case rec::kBof4:
            codec_.biff = 4;
            break;
        default: {
            uint16_t vers = r.size >= 2 ? U16(r.data) : 0;
            codec_.biff = vers == 0x0600 || (vers != 0x0500 && r.size >= 16) ? 8 : 5;
        }
    }
}

size_t BookReader::readGlobals(size_t pos) {
    RecordReader rd(s_, pos);
    Record r;
    rd.next(r);
    onBof(r);
    while (rd.next(r)) {
        if (r.type == rec::kEof) return rd.pos();
        if (rec::IsBof(r.type)) break;
        if (r.type == rec::kBoundSheet) {
            onSheetEntry(r);
        } else if (r.type == rec::kSst) {
            Cursor c = Cursor::WithContinues(r, rd);
            onSst(c);
            rd.skipContinues();
        } else {
            onFormatRecord(r);
        }
    }
    throw Damaged("the workbook globals have no EOF record");
}

bool BookReader::onFormatRecord(const Record& r) {
    switch (r.type) {
        case rec::kFilePass:
            throw Damaged("the workbook is password-protected (encrypted); it cannot be read");
        case rec::kCodePage:
            need(r, 2, "CODEPAGE");
            codec_.codePage = U16(r.data);
            return true;
        case rec::kDateMode:
            need(r, 2, "DATEMODE");
            wb_.date1904 = U16(r.data) == 1;
            return true;
        case rec::kFont:
        case rec::kFont34:
            onFont(r);
            return true;
        case rec::kFormat:
        case rec::kFormat23:
            onFormat(r);
            return true;
        case rec::kXf:
        case rec::kXf2:
        case rec::kXf3:
        case rec::kXf4:
            onXf(r);
            return true;
        case rec::kPalette:
            onPalette(r);
            return true;
        default:
            return false;
    }
}

void BookReader::onFont(const Record& r) {
    Cursor c(r.data, r.size);
    Font f;
    f.size = c.u16() / 20.0;
    uint16_t flags = c.u16();
    f.italic = (flags & 0x02) != 0;
    if (codec_.biff >= 5) {
        c.skip(2);  // colour
        f.bold = c.u16() >= 700;
        c.skip(6);  // super/subscript, underline, family, character set, reserved
    } else {
        f.bold = (flags & 0x01) != 0;
        if (codec_.biff >= 3) c.skip(2);  // colour
    }
    c.text(codec_, true, f.name);
    fonts_.push_back(std::move(f));
    // Font number 4 does not exist: references to 4 and above count from the fifth record on.
    if (fonts_.size() == 4) fonts_.push_back(fonts_.back());
}

void BookReader::onFormat(const Record& r) {
    Cursor c(r.data, r.size);
    uint32_t index = formatCount_++;
    if (codec_.biff >= 4) index = c.u16();
    std::string code;
    c.text(codec_, codec_.biff < 8, code);
    formats_[index] = std::move(code);
}

void BookReader::onXf(const Record& r) {
    Xf x;
    const uint8_t* p = r.data;
    switch (codec_.biff) {
        case 2:
            need(r, 4, "XF");
            x.font = p[0];
            x.format = p[2] & 0x3F;
            x.hAlign = p[3] & 0x07;
            break;
        case 3:
        case 4: {
            need(r, 8, "XF");
            x.font = p[0];
            x.format = p[1];
            uint8_t al = p[4];
            x.hAlign = al & 0x07;
            x.wrap = (al & 0x08) != 0;
            if (codec_.biff == 4) x.vAlign = (al >> 4) & 0x03;
            uint16_t fill = U16(p + 6);
            x.pattern = fill & 0x3F;
            x.patternColor = (fill >> 6) & 0x1F;
            break;
        }
        default: {
            need(r, codec_.biff == 8 ? 20 : 16, "XF");
            x.font = U16(p);
            x.format = U16(p + 2);
            x.hAlign = p[6] & 0x07;
            x.wrap = (p[6] & 0x08) != 0;
            x.vAlign = (p[6] >> 4) & 0x07;
            if (codec_.biff == 8) {
                x.pattern = static_cast<uint8_t>(U32(p + 14) >> 26);
                x.patternColor = U16(p + 18) & 0x7F;
            } else {
                uint32_t fill = U32(p + 8);
                x.pattern = (fill >> 16) & 0x3F;
                x.patternColor = fill & 0x7F;
            }
        }
    }
    xfs_.push_back(x);
    xfStyle_.push_back(-1);
}

void BookReader::onPalette(const Record& r) {
    need(r, 2, "PALETTE");
    size_t n = std::min<size_t>(U16(r.data), (r.size - 2) / 4);
    for (size_t i = 0; i < n && i < palette_.size(); ++i) {
        const uint8_t* p = r.data + 2 + i * 4;
        palette_[i] = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    }
}

void BookReader::onSheetEntry(const Record& r) {
    Cursor c(r.data, r.size);
    SheetEntry e;
    e.offset = c.u32();
    c.u8();  // visibility: hidden sheets are read like the others
    switch (c.u8()) {
        case 0:
            e.kind = SheetKind::Worksheet;
            break;
        case 1:
            e.kind = SheetKind::Macro;
            break;
        case 2:
            e.kind = SheetKind::Chart;
            break;
        default:
            return;  // a module of macro code: not a sheet
    }
    c.text(codec_, true, e.name);
    entries_.push_back(std::move(e));
}

void BookReader::onSst(Cursor& c) {
    c.u32();  // total references
    uint32_t unique = c.u32();
    // The claimed count only bounds the loop; memory follows the strings that are there (each
    // takes at least three bytes). A second SST record goes on numbering after the first.
    auto& pool = wb_.strings;
    pool.reserve(pool.size() + std::min<size_t>(unique, c.left() / 3));
    for (uint32_t i = 0; i < unique && !c.atEnd(); ++i) {
        std::string& s = pool.emplace_back();
        c.unicode(false, s);
        countText(s.size());
    }
    sstCount_ = static_cast<uint32_t>(pool.size());
    sstUsed_.resize(sstCount_);
}

bool BookReader::colour(uint16_t icv, uint32_t& out) const {
    if (icv >= 8 && icv - 8u < palette_.size()) {
        out = palette_[icv - 8u];
        return true;
    }
    return icv < 8 && IndexedColor(icv, out);
}

uint32_t BookReader::makeStyle(uint16_t ixfe) {
    if (ixfe >= xfs_.size()) return 0;
    const Xf& x = xfs_[ixfe];
    Style st;
    auto f = formats_.find(x.format);
    if (f != formats_.end())
        st.numFmt = f->second;
    else if (const char* code = BuiltinNumFmt(x.format))
        st.numFmt = code;
    if (x.font < fonts_.size()) {
        const Font& font = fonts_[x.font];
        st.fontName = font.name;
        st.fontSize = font.size;
        st.bold = font.bold;
        st.italic = font.italic;
    }
    st.hAlign = kHAligns[x.hAlign & 7];
    st.vAlign = x.vAlign < 5 ? kVAligns[x.vAlign] : kAlignBottom;
    st.wrap = x.wrap;
    st.hasFill = x.pattern == 1 && colour(x.patternColor, st.fillColor);
    // Equal styles are stored once, found by a key of all their fields.
    std::string key = st.numFmt + '\0' + st.fontName + '\0' + std::to_string(st.fontSize) + ' ' +
                      std::to_string(st.hAlign) + ' ' + std::to_string(st.vAlign) + ' ' +
                      std::to_string(st.fillColor) +
                      char('0' + (st.wrap | st.bold << 1 | st.italic << 2 | st.hasFill << 3));
    auto [it, added] = styleIndex_.try_emplace(key, static_cast<uint32_t>(wb_.styles.size()));
    if (added) wb_.styles.push_back(std::move(st));
    xfStyle_[ixfe] = it->second;
    return it->second;
}

}  // namespace tq::office::xls
