// The styles part of an .xlsx package: number formats, fonts, fills and the cell formats (xf)
// built from them. Formats that differ only in what the model does not keep (borders,
// protection ...) become one model style.
#include <unordered_map>

#include "office/spreadsheet/model/model_ops.h"
#include "office/spreadsheet/model/number_formats.h"
#include "office/spreadsheet/xlsx/read_parts.h"

namespace tq::office::xlsx {

namespace {

// The default theme's colours (lt1, dk1, lt2, dk2, accent1..6), as 0xRRGGBB.
const uint32_t kTheme[10] = {0xFFFFFF, 0x000000, 0xE7E6E6, 0x44546A, 0x4472C4,
                             0xED7D31, 0xA5A5A5, 0xFFC000, 0x5B9BD5, 0x70AD47};

inline uint32_t rgbToModel(uint32_t rgb) {
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

// <fgColor rgb=".." | indexed=".." | theme=".."/> -> 0x00BBGGRR; false when none is usable.
bool colourOf(XmlPull& x, uint32_t& out) {
    bool f = false;
    std::string_view v = x.attr("rgb", &f);
    if (f) {
        if (v.size() == 8) v.remove_prefix(2);  // alpha
        if (v.size() != 6) return false;
        uint32_t rgb = 0;
        auto r = std::from_chars(v.data(), v.data() + 6, rgb, 16);
        if (r.ec != std::errc() || r.ptr != v.data() + 6) return false;
        out = rgbToModel(rgb);
        return true;
    }
    uint64_t n = 0;
    v = x.attr("indexed", &f);
    if (f && parseInteger(v, n)) return n < 64 && IndexedColor(static_cast<uint32_t>(n), out);
    v = x.attr("theme", &f);
    if (f && parseInteger(v, n) && n < 10) {
        out = rgbToModel(kTheme[n]);
        return true;
    }
    return false;
}

int32_t hAlignOf(std::string_view v) {
    if (v == "left") return kAlignLeft;
    if (v == "center") return kAlignCenter;
    if (v == "right") return kAlignRight;
    if (v == "justify") return kAlignJustify;
    if (v == "distributed") return kAlignDistributed;
    if (v == "fill") return kAlignFill;
    if (v == "centerContinuous") return kAlignCenterAcross;
    return kAlignGeneral;
}

int32_t vAlignOf(std::string_view v) {
    if (v == "top") return kAlignTop;
    if (v == "center") return kAlignCenter;
    if (v == "justify") return kAlignJustify;
    if (v == "distributed") return kAlignDistributed;
    return kAlignBottom;
}

// What the part lists, before it becomes model styles.
class StylesReader {
  public:
    explicit StylesReader(ReadContext& ctx) : ctx_(ctx) {}
    void read(XmlPull& x);
    void build();

  private:
    struct Font {
        std::string name = "Calibri";
        double size = 11;
        bool bold = false, italic = false;
    };
    struct Fill {
        bool has = false;
        uint32_t colour = 0;
    };
    struct Xf {
        int64_t numFmt = 0, font = 0, fill = 0;
        int32_t h = kAlignGeneral, v = kAlignBottom;
        bool wrap = false;
    };
    enum Section { None, NumFmts, Fonts, Fills, CellXfs };

    void numFmt(XmlPull& x);
    void font(XmlPull& x, size_t depth);
    void fill(XmlPull& x, size_t depth);
    void xf(XmlPull& x, size_t depth);
    Style styleOf(const Xf& xf) const;

    ReadContext& ctx_;
    std::unordered_map<int64_t, std::string> numFmts_;
    std::vector<Font> fonts_;
    std::vector<Fill> fills_;
    std::vector<Xf> xfs_;
};

void StylesReader::read(XmlPull& x) {
    Section section = None;
    for (XmlPull::Event ev; (ev = x.next()) != XmlPull::Eof;) {
        if (ev == XmlPull::End) {
            if (x.depth() < 2) section = None;
            continue;
        }
        if (ev != XmlPull::Start) continue;
        std::string_view n = x.name();
        if (x.depth() == 2) {  // the sections of <styleSheet>
            section = n == "numFmts"   ? NumFmts
                      : n == "fonts"   ? Fonts
                      : n == "fills"   ? Fills
                      : n == "cellXfs" ? CellXfs
                                       : None;
            if (section == None) x.skipElement();
            continue;
        }
        switch (section) {
            case NumFmts:
                if (n == "numFmt") numFmt(x);
                break;
            case Fonts:
                font(x, x.depth());
                break;
            case Fills:
                fill(x, x.depth());
                break;
            case CellXfs:
                xf(x, x.depth());
                break;
            case None:
                break;
        }
    }
}

void StylesReader::numFmt(XmlPull& x) {
    int64_t id = 0;
    if (!parseInteger(x.attr("numFmtId"), id)) return;
    std::string code(x.attr("formatCode"));
    ctx_.budget.text(code.size());
    numFmts_[id] = std::move(code);
}

void StylesReader::font(XmlPull& x, size_t depth) {
    std::string_view n = x.name();
    if (depth == 3 && n == "font") {
        ctx_.budget.records();
        fonts_.emplace_back();
        return;
    }
    if (fonts_.empty()) return;
    Font& ft = fonts_.back();
    if (n == "b") {
        ft.bold = attrBool(x.attr("val"), true);
    } else if (n == "i") {
        ft.italic = attrBool(x.attr("val"), true);
    } else if (n == "sz") {
        double v = 0;
        if (parseDouble(x.attr("val"), v) && v > 0 && v < 1000) ft.size = v;
    } else if (n == "name") {
        bool f = false;
        std::string_view v = x.attr("val", &f);
        if (!f) return;
        ctx_.budget.text(v.size());
        ft.name = std::string(v);
    }
}

void StylesReader::fill(XmlPull& x, size_t depth) {
    std::string_view n = x.name();
    if (depth == 3 && n == "fill") {
        ctx_.budget.records();
        fills_.emplace_back();
        return;
    }
    if (fills_.empty()) return;
    Fill& fl = fills_.back();
    if (n == "patternFill") {
        bool f = false;
        std::string_view pt = x.attr("patternType", &f);
        fl.has = f && !pt.empty() && pt != "none";
    } else if (n == "fgColor" && fl.has) {
        uint32_t c = 0;
        if (colourOf(x, c)) fl.colour = c;
    }
}

void StylesReader::xf(XmlPull& x, size_t depth) {
    if (depth == 3 && x.name() == "xf") {
        ctx_.budget.records();
        Xf xf;
        parseInteger(x.attr("numFmtId"), xf.numFmt);
        parseInteger(x.attr("fontId"), xf.font);
        parseInteger(x.attr("fillId"), xf.fill);
        xfs_.push_back(xf);
    } else if (x.name() == "alignment" && !xfs_.empty()) {
        Xf& xf = xfs_.back();
        xf.h = hAlignOf(x.attr("horizontal"));
        xf.v = vAlignOf(x.attr("vertical"));
        xf.wrap = attrBool(x.attr("wrapText"), false);
    }
}

Style StylesReader::styleOf(const Xf& xf) const {
    Style st;
    auto it = numFmts_.find(xf.numFmt);
    if (it != numFmts_.end()) {
        st.numFmt = it->second;
    } else if (xf.numFmt >= 0 && xf.numFmt <= INT32_MAX) {
        if (const char* b = BuiltinNumFmt(static_cast<int>(xf.numFmt))) st.numFmt = b;
    }
    if (xf.font >= 0 && static_cast<size_t>(xf.font) < fonts_.size()) {
        const Font& ft = fonts_[static_cast<size_t>(xf.font)];
        st.fontName = ft.name;
        st.fontSize = ft.size;
        st.bold = ft.bold;
        st.italic = ft.italic;
    }
    if (xf.fill >= 0 && static_cast<size_t>(xf.fill) < fills_.size() &&
        fills_[static_cast<size_t>(xf.fill)].has) {
        st.hasFill = true;
        st.fillColor = fills_[static_cast<size_t>(xf.fill)].colour;
    }
    st.hAlign = xf.h;
    st.vAlign = xf.v;
    st.wrap = xf.wrap;
    return st;
}

void StylesReader::build() {
    ctx_.xfMap.assign(xfs_.size(), 0);
    std::unordered_map<std::string, uint32_t> known;
    for (size_t i = 0; i < xfs_.size(); ++i) {
        Style st = styleOf(xfs_[i]);
        if (st == Style{}) continue;  // the default format stays style 0
        std::string key = st.numFmt + '\x1f' + st.fontName + '\x1f' + std::to_string(st.hAlign) +
                          ',' + std::to_string(st.vAlign) + ',' + std::to_string(st.fontSize) +
                          ',' + std::to_string(st.fillColor) + ',' + char('0' + st.wrap) +
                          char('0' + st.bold) + char('0' + st.italic) + char('0' + st.hasFill);
        auto [pos, added] =
            known.emplace(std::move(key), static_cast<uint32_t>(ctx_.wb.styles.size()));
        if (added) ctx_.wb.styles.push_back(std::move(st));
        ctx_.xfMap[i] = pos->second;
    }
    ctx_.defaultStyle = ctx_.xfMap.empty() ? 0 : ctx_.xfMap[0];
}

}  // namespace

void ReadStylesPart(ReadContext& ctx, const std::string& part) {
    StylesReader reader(ctx);
    {
        XmlPart p(ctx, part);
        reader.read(p.x);
    }
    reader.build();
}

}  // namespace tq::office::xlsx
