#include "office/spreadsheet/xlsx/xlsx_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <new>
#include <queue>
#include <unordered_map>

#include "office/common/xml_pull.h"
#include "office/spreadsheet/model/cell_ref.h"
#include "office/spreadsheet/model/model_ops.h"
#include "tqtool/types.h"
#include "text/dates.h"
#include "text/text.h"

namespace tq::office {
namespace {

// ---------------------------------------------------------------------------------------------
// Small helpers

inline bool eq(std::string_view a, const char* b) {
    return a == b;
}

bool parseUInt(std::string_view s, uint64_t& v) {
    while (!s.empty() && (s.front() == ' ')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ')) s.remove_suffix(1);
    if (s.empty()) return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool parseInt(std::string_view s, int64_t& v) {
    while (!s.empty() && (s.front() == ' ')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ')) s.remove_suffix(1);
    if (s.empty()) return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool parseDouble(std::string_view s, double& v) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\n'))
        s.remove_suffix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec == std::errc::result_out_of_range) {
        // Underflow to zero or overflow: keep the sign and give the limit Excel would show.
        v = 0;
        return r.ptr == s.data() + s.size();
    }
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(v);
}

bool attrBool(std::string_view v, bool dflt) {
    if (v.empty()) return dflt;
    return v == "1" || v == "true" || v == "on";
}

// ISO 8601 date/time text (t="d" cells) -> serial day number; false when not understood.
}  // namespace

bool IsoDateToSerial(std::string_view s, bool date1904, double& out) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    double sec = 0;
    auto num = [&](size_t& i, size_t n, int& v) {
        if (i + n > s.size()) return false;
        v = 0;
        for (size_t k = 0; k < n; ++k) {
            char c = s[i + k];
            if (c < '0' || c > '9') return false;
            v = v * 10 + (c - '0');
        }
        i += n;
        return true;
    };
    size_t i = 0;
    bool hasDate = false;
    if (s.size() >= 10 && s[4] == '-') {
        if (!num(i, 4, y) || s[i++] != '-' || !num(i, 2, mo) || s[i++] != '-' || !num(i, 2, d))
            return false;
        if (mo < 1 || mo > 12 || d < 1 || d > 31) return false;
        hasDate = true;
        if (i < s.size() && (s[i] == 'T' || s[i] == ' ')) ++i;
    }
    if (i < s.size()) {
        if (!num(i, 2, h) || i >= s.size() || s[i++] != ':' || !num(i, 2, mi)) return false;
        if (i < s.size() && s[i] == ':') {
            ++i;
            size_t j = i;
            while (j < s.size() && ((s[j] >= '0' && s[j] <= '9') || s[j] == '.')) ++j;
            if (!parseDouble(s.substr(i, j - i), sec)) return false;
            i = j;
        }
        if (i < s.size() && s[i] == 'Z') ++i;
        if (i != s.size() || h > 24 || mi > 59 || sec >= 61) return false;
    }
    double days = 0;
    if (hasDate) {
        int64_t dd = text::DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) -
                     text::DaysFromCivil(1899, 12, 30);
        if (dd < 61) dd -= 1;  // before 1900-03-01 Excel counts the non-existent 1900-02-29
        if (date1904) dd -= 1462;
        days = static_cast<double>(dd);
    }
    out = days + (h * 3600.0 + mi * 60.0 + sec) / 86400.0;
    return true;
}

namespace {

// Excel's built-in number formats by id (those a file may use without defining them). The ids of
// the Chinese (simplified) locale's date formats are included so such cells read as dates.
const char* builtinFormat(int64_t id) {
    switch (id) {
        case 0:
            return "General";
        case 1:
            return "0";
        case 2:
            return "0.00";
        case 3:
            return "#,##0";
        case 4:
            return "#,##0.00";
        case 5:
            return "\"$\"#,##0_);(\"$\"#,##0)";
        case 6:
            return "\"$\"#,##0_);[Red](\"$\"#,##0)";
        case 7:
            return "\"$\"#,##0.00_);(\"$\"#,##0.00)";
        case 8:
            return "\"$\"#,##0.00_);[Red](\"$\"#,##0.00)";
        case 9:
            return "0%";
        case 10:
            return "0.00%";
        case 11:
            return "0.00E+00";
        case 12:
            return "# ?/?";
        case 13:
            return "# ?\?/??";
        case 14:
            return "m/d/yyyy";
        case 15:
            return "d-mmm-yy";
        case 16:
            return "d-mmm";
        case 17:
            return "mmm-yy";
        case 18:
            return "h:mm AM/PM";
        case 19:
            return "h:mm:ss AM/PM";
        case 20:
            return "h:mm";
        case 21:
            return "h:mm:ss";
        case 22:
            return "m/d/yyyy h:mm";
        case 27:
        case 36:
        case 50:
        case 52:
        case 57:
            return "yyyy\"\xe5\xb9\xb4\"m\"\xe6\x9c\x88\"";  // yyyy"年"m"月"
        case 28:
        case 29:
        case 51:
        case 53:
        case 54:
        case 58:
            return "m\"\xe6\x9c\x88\"d\"\xe6\x97\xa5\"";  // m"月"d"日"
        case 30:
            return "m-d-yy";
        case 31:
            return "yyyy\"\xe5\xb9\xb4\"m\"\xe6\x9c\x88\"d\"\xe6\x97\xa5\"";  // yyyy"年"m"月"d"日"
        case 32:
            return "h\"\xe6\x97\xb6\"mm\"\xe5\x88\x86\"";  // h"时"mm"分"
        case 33:
            return "h\"\xe6\x97\xb6\"mm\"\xe5\x88\x86\"ss\"\xe7\xa7\x92\"";  // h"时"mm"分"ss"秒"
        case 34:
        case 55:
            return "AM/PM h\"\xe6\x97\xb6\"mm\"\xe5\x88\x86\"";
        case 35:
        case 56:
            return "AM/PM h\"\xe6\x97\xb6\"mm\"\xe5\x88\x86\"ss\"\xe7\xa7\x92\"";
        case 37:
            return "#,##0 ;(#,##0)";
        case 38:
            return "#,##0 ;[Red](#,##0)";
        case 39:
            return "#,##0.00;(#,##0.00)";
        case 40:
            return "#,##0.00;[Red](#,##0.00)";
        case 41:
            return "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)";
        case 42:
            return "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)";
        case 43:
            return "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)";
        case 44:
            return "_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"??_);_(@_)";
        case 45:
            return "mm:ss";
        case 46:
            return "[h]:mm:ss";
        case 47:
            return "mm:ss.0";
        case 48:
            return "##0.0E+0";
        case 49:
            return "@";
        default:
            return nullptr;
    }
}

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
    if (f && parseUInt(v, n)) {
        return n < 64 && IndexedColor(static_cast<uint32_t>(n), out);  // 64+: system colours
    }
    v = x.attr("theme", &f);
    if (f && parseUInt(v, n) && n < 10) {
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

bool errorCode(std::string_view v, int32_t& code) {
    while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
    if (int32_t c = automation::ErrorValueFromText(v)) {
        code = c;
        return true;
    }
    if (!v.empty() && v.front() == '#') {  // newer error kinds (#SPILL!, #CALC! ...)
        code = static_cast<int32_t>(CellError::Value);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Package structure

struct Relationship {
    std::string type;    // the last segment of the type URI ("worksheet", "sharedStrings" ...)
    std::string target;  // absolute part name without the leading '/'
};

std::string dirOf(const std::string& part) {
    size_t p = part.rfind('/');
    return p == std::string::npos ? std::string() : part.substr(0, p + 1);
}

std::string relsOf(const std::string& part) {
    return dirOf(part) + "_rels/" + part.substr(dirOf(part).size()) + ".rels";
}

// Resolves a relationship target against the folder of its source part.
std::string resolve(const std::string& baseDir, std::string_view target) {
    std::string path;
    if (!target.empty() && target.front() == '/')
        path = std::string(target.substr(1));
    else
        path = baseDir + std::string(target);
    std::vector<std::string> segs;
    size_t i = 0;
    while (i <= path.size()) {
        size_t j = path.find('/', i);
        if (j == std::string::npos) j = path.size();
        std::string seg = path.substr(i, j - i);
        if (seg == "..") {
            if (!segs.empty()) segs.pop_back();
        } else if (!seg.empty() && seg != ".") {
            segs.push_back(std::move(seg));
        }
        i = j + 1;
    }
    std::string out;
    for (size_t k = 0; k < segs.size(); ++k) {
        if (k) out += '/';
        out += segs[k];
    }
    return out;
}

class Reader {
  public:
    Reader(ZipArchive& zip, Workbook& wb) : zip_(zip), wb_(wb) {}
    void run();

  private:
    std::map<std::string, Relationship> readRels(const std::string& sourcePart);
    void readSharedStrings(const std::string& part);
    void readStyles(const std::string& part);
    void readSheet(const std::string& part, Sheet& sh);
    void readSheetData(XmlPull& x, Sheet& sh, const std::string& part);
    void finishSheet(Sheet& sh);
    void collectText(XmlPull& x, std::string& out);
    void collectRichText(XmlPull& x, std::string& out);

    ZipArchive& zip_;
    Workbook& wb_;
    std::vector<uint32_t> xfMap_;  // cell format index in the file -> model style
    uint32_t defaultStyle_ = 0;
    size_t sharedCount_ = 0;
    std::string scratch_;
    std::vector<Cell> rowCells_;
};

std::map<std::string, Relationship> Reader::readRels(const std::string& sourcePart) {
    std::map<std::string, Relationship> rels;
    std::string part = sourcePart.empty() ? std::string("_rels/.rels") : relsOf(sourcePart);
    if (!zip_.has(part)) return rels;
    auto s = zip_.open(part);
    XmlPull x(*s, part, s->claimedSize());
    std::string base = dirOf(sourcePart);
    for (;;) {
        XmlPull::Event ev = x.next();
        if (ev == XmlPull::Eof) break;
        if (ev != XmlPull::Start || x.name() != "Relationship") continue;
        if (x.attr("TargetMode") == "External") continue;
        std::string id(x.attr("Id"));
        std::string_view type = x.attr("Type");
        size_t slash = type.rfind('/');
        Relationship r;
        r.type = std::string(slash == std::string_view::npos ? type : type.substr(slash + 1));
        r.target = resolve(base, x.attr("Target"));
        rels.emplace(std::move(id), std::move(r));
    }
    return rels;
}

void Reader::collectText(XmlPull& x, std::string& out) {
    if (x.selfClosing()) {
        x.next();
        return;
    }
    for (;;) {
        XmlPull::Event ev = x.next();
        if (ev == XmlPull::Text)
            x.appendText(out);
        else if (ev == XmlPull::Start)
            x.skipElement();
        else
            return;  // End (or Eof, which the parser only gives when complete)
    }
}

// <si> or <is>: the texts of <t> and of the runs' <t>; phonetic guides (<rPh>) are left out.
void Reader::collectRichText(XmlPull& x, std::string& out) {
    if (x.selfClosing()) {
        x.next();
        return;
    }
    size_t base = x.depth();
    for (;;) {
        XmlPull::Event ev = x.next();
        if (ev == XmlPull::End) {
            if (x.depth() < base) break;
            continue;
        }
        if (ev != XmlPull::Start) {
            if (ev == XmlPull::Eof) break;
            continue;
        }
        std::string_view n = x.name();
        if (n == "t") {
            collectText(x, out);
        } else if (n == "r") {
            continue;  // the run's <t> follows
        } else {
            x.skipElement();  // rPh, phoneticPr, rPr ...
        }
    }
    DecodeXEscapes(out);
}

void Reader::readSharedStrings(const std::string& part) {
    auto s = zip_.open(part);
    XmlPull x(*s, part, s->claimedSize());
    std::string text;
    for (;;) {
        XmlPull::Event ev = x.next();
        if (ev == XmlPull::Eof) break;
        if (ev != XmlPull::Start || x.name() != "si") continue;
        text.clear();
        collectRichText(x, text);
        wb_.strings.push_back(text);
    }
    sharedCount_ = wb_.strings.size();
}

void Reader::readStyles(const std::string& part) {
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
    std::unordered_map<int64_t, std::string> numFmts;
    std::vector<Font> fonts;
    std::vector<Fill> fills;
    std::vector<Xf> xfs;
    enum Section { None, NumFmts, Fonts, Fills, CellXfs } section = None;
    size_t sectionDepth = 0;

    auto s = zip_.open(part);
    XmlPull x(*s, part, s->claimedSize());
    bool f = false;
    for (;;) {
        XmlPull::Event ev = x.next();
        if (ev == XmlPull::Eof) break;
        if (ev == XmlPull::End) {
            if (section != None && x.depth() < sectionDepth) section = None;
            continue;
        }
        if (ev != XmlPull::Start) continue;
        std::string_view n = x.name();
        if (x.depth() == 2) {
            section = n == "numFmts"   ? NumFmts
                      : n == "fonts"   ? Fonts
                      : n == "fills"   ? Fills
                      : n == "cellXfs" ? CellXfs
                                       : None;
            sectionDepth = 2;
            if (section == None) x.skipElement();
            continue;
        }
        switch (section) {
            case NumFmts:
                if (n == "numFmt") {
                    int64_t id = 0;
                    if (parseInt(x.attr("numFmtId"), id))
                        numFmts[id] = std::string(x.attr("formatCode"));
                }
                break;
            case Fonts:
                if (x.depth() == 3 && n == "font") {
                    fonts.emplace_back();
                } else if (!fonts.empty()) {
                    Font& ft = fonts.back();
                    if (n == "b")
                        ft.bold = attrBool(x.attr("val"), true);
                    else if (n == "i")
                        ft.italic = attrBool(x.attr("val"), true);
                    else if (n == "sz") {
                        double v = 0;
                        if (parseDouble(x.attr("val"), v) && v > 0 && v < 1000) ft.size = v;
                    } else if (n == "name") {
                        std::string_view v = x.attr("val", &f);
                        if (f) ft.name = std::string(v);
                    }
                }
                break;
            case Fills:
                if (x.depth() == 3 && n == "fill") {
                    fills.emplace_back();
                } else if (!fills.empty()) {
                    Fill& fl = fills.back();
                    if (n == "patternFill") {
                        std::string_view pt = x.attr("patternType", &f);
                        fl.has = f && !pt.empty() && pt != "none";
                    } else if (n == "fgColor" && fl.has) {
                        uint32_t c = 0;
                        if (colourOf(x, c)) fl.colour = c;
                    }
                }
                break;
            case CellXfs:
                if (x.depth() == 3 && n == "xf") {
                    Xf xf;
                    parseInt(x.attr("numFmtId"), xf.numFmt);
                    parseInt(x.attr("fontId"), xf.font);
                    parseInt(x.attr("fillId"), xf.fill);
                    xfs.push_back(xf);
                } else if (n == "alignment" && !xfs.empty()) {
                    Xf& xf = xfs.back();
                    xf.h = hAlignOf(x.attr("horizontal"));
                    xf.v = vAlignOf(x.attr("vertical"));
                    xf.wrap = attrBool(x.attr("wrapText"), false);
                }
                break;
            case None:
                break;
        }
    }

    xfMap_.assign(xfs.size(), 0);
    std::unordered_map<std::string, uint32_t> known;
    for (size_t i = 0; i < xfs.size(); ++i) {
        const Xf& xf = xfs[i];
        Style st;
        auto it = numFmts.find(xf.numFmt);
        if (it != numFmts.end())
            st.numFmt = it->second;
        else if (const char* b = builtinFormat(xf.numFmt))
            st.numFmt = b;
        if (xf.font >= 0 && static_cast<size_t>(xf.font) < fonts.size()) {
            const Font& ft = fonts[static_cast<size_t>(xf.font)];
            st.fontName = ft.name;
            st.fontSize = ft.size;
            st.bold = ft.bold;
            st.italic = ft.italic;
        }
        if (xf.fill >= 0 && static_cast<size_t>(xf.fill) < fills.size() &&
            fills[static_cast<size_t>(xf.fill)].has) {
            st.hasFill = true;
            st.fillColor = fills[static_cast<size_t>(xf.fill)].colour;
        }
        st.hAlign = xf.h;
        st.vAlign = xf.v;
        st.wrap = xf.wrap;
        if (st == Style{}) continue;  // the default format stays style 0
        // Formats that differ only in what the model does not keep (borders, protection ...)
        // share one style.
        std::string key = st.numFmt + '\x1f' + st.fontName + '\x1f' + std::to_string(st.hAlign) +
                          ',' + std::to_string(st.vAlign) + ',' + std::to_string(st.fontSize) +
                          ',' + std::to_string(st.fillColor) + ',' + char('0' + st.wrap) +
                          char('0' + st.bold) + char('0' + st.italic) + char('0' + st.hasFill);
        auto [pos, added] = known.emplace(std::move(key), static_cast<uint32_t>(wb_.styles.size()));
        if (added) wb_.styles.push_back(std::move(st));
        xfMap_[i] = pos->second;
    }
    defaultStyle_ = xfMap_.empty() ? 0 : xfMap_[0];
}


// Sorts cells by column; of cells at the same column the last one (in file order) is kept, as
// Excel does.
void sortCells(std::vector<Cell>& cells) {
    std::stable_sort(cells.begin(), cells.end(),
                     [](const Cell& a, const Cell& b) { return a.col < b.col; });
    size_t out = 0;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (out > 0 && cells[out - 1].col == cells[i].col)
            cells[out - 1] = cells[i];
        else
            cells[out++] = cells[i];
    }
    cells.resize(out);
}

[[noreturn]] void sheetFail(const std::string& part, const std::string& what) {
    throw ZipError(part + ": " + what);
}

void Reader::readSheetData(XmlPull& x, Sheet& sh, const std::string& part) {
    if (x.selfClosing()) {
        x.next();
        return;
    }
    const size_t sdDepth = x.depth();
    int64_t nextRow = 0;
    bool rowsSorted = true;
    std::string& v = scratch_;
    for (;;) {
        XmlPull::Event ev = x.next();
        if (ev == XmlPull::End) {
            if (x.depth() < sdDepth) break;
            continue;
        }
        if (ev == XmlPull::Eof) break;
        if (ev != XmlPull::Start) continue;
        if (x.name() != "row") {
            x.skipElement();
            continue;
        }
        // <row r=".." ht=".." customHeight="1" s=".." customFormat="1">
        bool hasR = false;
        std::string_view rv = x.attr("r", &hasR);
        int64_t rowNum = nextRow;
        if (hasR) {
            uint64_t r = 0;
            if (!parseUInt(rv, r) || r == 0)
                sheetFail(part, "invalid row number '" + std::string(rv) + "'");
            if (r > kMaxRows)
                sheetFail(part,
                          "row " + std::string(rv) + " is beyond the sheet's last row 1048576");
            rowNum = static_cast<int64_t>(r - 1);
        }
        if (rowNum >= static_cast<int64_t>(kMaxRows))
            sheetFail(part, "more rows than a sheet can hold");
        Row row;
        row.row = static_cast<uint32_t>(rowNum);
        bool f = false;
        std::string_view hv = x.attr("ht", &f);
        double ht = 0;
        if (f && attrBool(x.attr("customHeight"), false) && parseDouble(hv, ht) && ht >= 0 &&
            ht <= 409.5)
            row.height = ht;
        std::string_view sv = x.attr("s", &f);
        uint64_t sidx = 0;
        if (f && attrBool(x.attr("customFormat"), false) && parseUInt(sv, sidx) &&
            sidx < xfMap_.size() && xfMap_[sidx] != 0)
            row.style = static_cast<int32_t>(xfMap_[sidx]);

        rowCells_.clear();
        bool cellsSorted = true;
        int64_t nextCol = 0;
        bool firstCell = true;
        if (x.selfClosing()) {
            x.next();
        } else {
            const size_t rowDepth = x.depth();
            for (;;) {
                ev = x.next();
                if (ev == XmlPull::End) {
                    if (x.depth() < rowDepth) break;
                    continue;
                }
                if (ev == XmlPull::Eof) break;
                if (ev != XmlPull::Start) continue;
                if (x.name() != "c") {
                    x.skipElement();
                    continue;
                }
                // <c r="B2" s="3" t="s"><v>..</v></c>
                std::string_view ref = x.attr("r", &f);
                int64_t col = nextCol;
                if (f && !ref.empty()) {
                    uint32_t rr = 0, cc = 0;
                    RefParse parsed = ParseCellRef(ref, rr, cc);
                    if (parsed == RefParse::Invalid)
                        sheetFail(part, "invalid cell reference '" +
                                            std::string(ref.substr(0, 20)) + "'");
                    if (parsed == RefParse::Beyond)
                        sheetFail(part, "cell " + std::string(ref.substr(0, 20)) +
                                            " is beyond the sheet's limits (XFD1048576)");
                    col = cc;
                    if (firstCell && !hasR) row.row = rr;
                }
                if (col >= static_cast<int64_t>(kMaxCols))
                    sheetFail(part, "more columns than a sheet can hold");
                firstCell = false;
                nextCol = col + 1;
                uint32_t style = defaultStyle_;
                std::string_view s = x.attr("s", &f);
                if (f) {
                    uint64_t si = 0;
                    if (parseUInt(s, si) && si < xfMap_.size()) style = xfMap_[si];
                }
                std::string_view t = x.attr("t");
                char kind = 'n';
                if (!t.empty()) {
                    if (t == "s")
                        kind = 's';
                    else if (t == "str")
                        kind = 'f';
                    else if (t == "inlineStr")
                        kind = 'i';
                    else if (t == "b")
                        kind = 'b';
                    else if (t == "e")
                        kind = 'e';
                    else if (t == "d")
                        kind = 'd';
                    else if (t != "n")
                        sheetFail(part, "unknown cell type '" + std::string(t.substr(0, 20)) + "'");
                }
                bool hasV = false, hasIs = false;
                v.clear();
                if (x.selfClosing()) {
                    x.next();
                } else {
                    const size_t cDepth = x.depth();
                    for (;;) {
                        ev = x.next();
                        if (ev == XmlPull::End) {
                            if (x.depth() < cDepth) break;
                            continue;
                        }
                        if (ev == XmlPull::Eof) break;
                        if (ev != XmlPull::Start) continue;
                        std::string_view n = x.name();
                        if (n == "v") {
                            hasV = true;
                            v.clear();
                            collectText(x, v);
                        } else if (n == "is" && kind == 'i') {
                            hasIs = true;
                            v.clear();
                            collectRichText(x, v);
                        } else {
                            x.skipElement();  // <f>, <extLst> ...
                        }
                    }
                }
                // An empty <v> (a formula never calculated) holds no value.
                if (hasV && kind != 'f' && kind != 'i' &&
                    v.find_first_not_of(" \t\r\n") == std::string::npos)
                    hasV = false;
                Cell c;
                c.col = static_cast<uint32_t>(col);
                c.style = style;
                switch (kind) {
                    case 'n':
                        if (hasV) {
                            if (!parseDouble(v, c.num))
                                sheetFail(part, "cell " + CellName(row.row, c.col) + ": '" +
                                                    v.substr(0, 40) + "' is not a number");
                            c.type = CellType::Number;
                        }
                        break;
                    case 'd':
                        if (hasV) {
                            if (!IsoDateToSerial(v, wb_.date1904, c.num))
                                sheetFail(part, "cell " + CellName(row.row, c.col) + ": '" +
                                                    v.substr(0, 40) + "' is not a date");
                            c.type = CellType::Number;
                        }
                        break;
                    case 's':
                        if (hasV) {
                            uint64_t idx = 0;
                            if (!parseUInt(v, idx))
                                sheetFail(part,
                                          "invalid shared-string index '" + v.substr(0, 40) + "'");
                            if (idx >= sharedCount_)
                                sheetFail(part, "shared-string index " + std::to_string(idx) +
                                                    " is out of range (the workbook has " +
                                                    std::to_string(sharedCount_) +
                                                    " shared strings)");
                            c.type = CellType::String;
                            c.str = static_cast<uint32_t>(idx);
                        }
                        break;
                    case 'f':
                    case 'i':
                        if (hasV || hasIs) {
                            if (!hasIs) DecodeXEscapes(v);
                            if (wb_.strings.size() >= 0xFFFFFFFFu)
                                sheetFail(part, "too many strings");
                            c.type = CellType::String;
                            c.str = static_cast<uint32_t>(wb_.strings.size());
                            wb_.strings.push_back(v);
                        }
                        break;
                    case 'b':
                        if (hasV) {
                            std::string_view b = v;
                            while (!b.empty() && b.back() == ' ') b.remove_suffix(1);
                            c.type = CellType::Bool;
                            if (b == "1" || b == "true")
                                c.boolean = true;
                            else if (b == "0" || b == "false")
                                c.boolean = false;
                            else
                                sheetFail(part, "invalid boolean '" + v.substr(0, 40) + "'");
                        }
                        break;
                    case 'e':
                        if (hasV) {
                            int32_t code = 0;
                            if (!errorCode(v, code))
                                sheetFail(part, "invalid error value '" + v.substr(0, 40) + "'");
                            c.type = CellType::Error;
                            c.error = code;
                        }
                        break;
                    default:
                        break;
                }
                if (c.type == CellType::Empty && c.style == 0) continue;  // nothing to keep
                if (!rowCells_.empty() && rowCells_.back().col >= c.col) cellsSorted = false;
                rowCells_.push_back(c);
            }
        }
        nextRow = static_cast<int64_t>(row.row) + 1;
        if (rowCells_.empty() && row.style < 0 && row.height < 0) continue;
        if (!cellsSorted) sortCells(rowCells_);
        row.cells.assign(rowCells_.begin(), rowCells_.end());
        if (!sh.rows.empty() && sh.rows.back().row >= row.row) rowsSorted = false;
        sh.rows.push_back(std::move(row));
    }
    if (!rowsSorted) {
        std::stable_sort(sh.rows.begin(), sh.rows.end(),
                         [](const Row& a, const Row& b) { return a.row < b.row; });
        std::vector<Row> merged;
        std::vector<size_t> needSort;
        merged.reserve(sh.rows.size());
        for (Row& r : sh.rows) {
            if (merged.empty() || merged.back().row != r.row) {
                merged.push_back(std::move(r));
                continue;
            }
            // The same row twice: its cells join, in file order, and the later of two cells at
            // one column wins.
            Row& m = merged.back();
            if (r.height >= 0) m.height = r.height;
            if (r.style >= 0) m.style = r.style;
            m.cells.insert(m.cells.end(), r.cells.begin(), r.cells.end());
            if (needSort.empty() || needSort.back() != merged.size() - 1)
                needSort.push_back(merged.size() - 1);
        }
        for (size_t i : needSort) sortCells(merged[i].cells);
        sh.rows.swap(merged);
    }
}

// Keeps column runs sorted and disjoint, and merged areas disjoint (a later area overlapping an
// earlier one is dropped, as Excel's repair does).
void Reader::finishSheet(Sheet& sh) {
    std::stable_sort(sh.cols.begin(), sh.cols.end(),
                     [](const ColInfo& a, const ColInfo& b) { return a.first < b.first; });
    std::vector<ColInfo> cols;
    for (ColInfo c : sh.cols) {
        if (!cols.empty() && c.first <= cols.back().last) c.first = cols.back().last + 1;
        if (c.first > c.last) continue;
        cols.push_back(c);
    }
    sh.cols.swap(cols);

    std::vector<MergeArea> in;
    in.swap(sh.merges);
    std::stable_sort(in.begin(), in.end(), [](const MergeArea& a, const MergeArea& b) {
        return a.r1 != b.r1 ? a.r1 < b.r1 : a.c1 < b.c1;
    });
    // Sweep down the rows; the accepted areas that reach the current row have disjoint column
    // spans, kept in a map by first column.
    std::map<uint32_t, MergeArea> active;          // c1 -> area
    using Expiry = std::pair<uint32_t, uint32_t>;  // (r2, c1)
    std::priority_queue<Expiry, std::vector<Expiry>, std::greater<Expiry>> expiry;
    for (const MergeArea& m : in) {
        while (!expiry.empty() && expiry.top().first < m.r1) {
            auto it = active.find(expiry.top().second);
            if (it != active.end() && it->second.r2 == expiry.top().first) active.erase(it);
            expiry.pop();
        }
        auto it = active.upper_bound(m.c2);
        bool overlaps = false;
        if (it != active.begin()) {
            --it;
            if (it->second.c2 >= m.c1) overlaps = true;
        }
        if (overlaps) continue;
        active[m.c1] = m;
        expiry.push({m.r2, m.c1});
        sh.merges.push_back(m);
    }
}

void Reader::readSheet(const std::string& part, Sheet& sh) {
    auto s = zip_.open(part);
    XmlPull x(*s, part, s->claimedSize());
    bool f = false;
    for (;;) {
        XmlPull::Event ev = x.next();
        if (ev == XmlPull::Eof) break;
        if (ev != XmlPull::Start) continue;
        std::string_view n = x.name();
        if (x.depth() == 1) continue;  // <worksheet>
        if (n == "sheetData") {
            readSheetData(x, sh, part);
        } else if (n == "sheetFormatPr") {
            double w = 0;
            std::string_view v = x.attr("defaultColWidth", &f);
            if (f && parseDouble(v, w) && w >= 0 && w <= 255) {
                sh.defaultColWidth = ColumnWidthFromFile(w);
            } else {
                v = x.attr("baseColWidth", &f);
                if (f && parseDouble(v, w) && w >= 0 && w <= 255) sh.defaultColWidth = w + 0.43;
            }
            v = x.attr("defaultRowHeight", &f);
            if (f && parseDouble(v, w) && w >= 0 && w <= 409.5) sh.defaultRowHeight = w;
        } else if (n == "col") {
            uint64_t mn = 0, mx = 0;
            if (!parseUInt(x.attr("min"), mn) || !parseUInt(x.attr("max"), mx)) continue;
            if (mn < 1 || mn > kMaxCols) continue;
            if (mx > kMaxCols) mx = kMaxCols;
            if (mx < mn) continue;
            ColInfo ci;
            ci.first = static_cast<uint32_t>(mn - 1);
            ci.last = static_cast<uint32_t>(mx - 1);
            double w = 0;
            std::string_view wv = x.attr("width", &f);
            if (f && parseDouble(wv, w) && w >= 0 && w <= 255 &&
                (attrBool(x.attr("customWidth"), false) || !attrBool(x.attr("bestFit"), false)))
                ci.width = ColumnWidthFromFile(w);
            if (attrBool(x.attr("hidden"), false)) ci.width = 0;
            uint64_t si = 0;
            std::string_view sv = x.attr("style", &f);
            if (f && parseUInt(sv, si) && si < xfMap_.size() && xfMap_[si] != 0)
                ci.style = static_cast<int32_t>(xfMap_[si]);
            if (ci.width < 0 && ci.style < 0) continue;
            sh.cols.push_back(ci);
        } else if (n == "mergeCell") {
            std::string_view ref = x.attr("ref");
            size_t colon = ref.find(':');
            if (colon == std::string_view::npos) continue;
            Rect area;
            RefParse parsed = ParseRectRef(ref, area);
            if (parsed == RefParse::Invalid)
                sheetFail(part, "invalid merged area '" + std::string(ref.substr(0, 40)) + "'");
            if (parsed == RefParse::Beyond)
                sheetFail(part, "merged area " + std::string(ref.substr(0, 40)) +
                                    " is beyond the sheet's limits");
            MergeArea m = ToMerge(area);
            if (m.r1 == m.r2 && m.c1 == m.c2) continue;
            sh.merges.push_back(m);
        } else if (n == "sheetPr" || n == "mergeCells" || n == "cols") {
            continue;  // children handled above
        } else {
            x.skipElement();  // dimension, views, conditional formats, drawings ...
        }
    }
    finishSheet(sh);
}

void Reader::run() {
    // The package's main part.
    std::string wbPart = "xl/workbook.xml";
    for (const auto& [id, r] : readRels(std::string())) {
        if (r.type == "officeDocument") {
            wbPart = r.target;
            break;
        }
    }
    if (!zip_.has(wbPart)) throw ZipError("not a workbook (the part " + wbPart + " is missing)");

    struct SheetRef {
        std::string name, rid;
    };
    std::vector<SheetRef> sheets;
    {
        auto s = zip_.open(wbPart);
        XmlPull x(*s, wbPart, s->claimedSize());
        for (;;) {
            XmlPull::Event ev = x.next();
            if (ev == XmlPull::Eof) break;
            if (ev != XmlPull::Start) continue;
            std::string_view n = x.name();
            if (n == "sheet") {
                SheetRef r;
                r.name = std::string(x.attr("name"));
                r.rid = std::string(x.attr("id"));  // r:id
                sheets.push_back(std::move(r));
            } else if (n == "workbookPr") {
                wb_.date1904 = attrBool(x.attr("date1904"), false);
            }
        }
    }
    if (sheets.empty()) throw ZipError("the workbook has no sheets");

    auto rels = readRels(wbPart);
    std::string sst, styles;
    for (const auto& [id, r] : rels) {
        if (r.type == "sharedStrings" && sst.empty())
            sst = r.target;
        else if (r.type == "styles" && styles.empty())
            styles = r.target;
    }
    if (!styles.empty() && zip_.has(styles)) readStyles(styles);
    if (!sst.empty() && zip_.has(sst)) readSharedStrings(sst);

    wb_.sheets.reserve(sheets.size());
    for (const SheetRef& ref : sheets) {
        Sheet& sh = wb_.sheets.emplace_back();
        sh.name = ref.name;
        auto it = rels.find(ref.rid);
        if (it == rels.end())
            throw ZipError("sheet '" + text::utf8ToGbk(ref.name) + "' has no part in the package");
        if (it->second.type != "worksheet") continue;  // chart and dialog sheets hold no cells
        readSheet(it->second.target, sh);
    }
}

std::string messageFor(const std::string& name, const std::string& what) {
    return "cannot read workbook '" + text::utf8ToGbk(name) + "': " + what;
}

template <typename Open>
void readWith(const std::string& name, Workbook& out, Open open) {
    Workbook wb;
    wb.styles.assign(1, Style{});
    try {
        std::unique_ptr<ZipArchive> zip = open();
        Reader r(*zip, wb);
        r.run();
    } catch (const ZipError& e) {
        throw AutomationError(hresult::E_FAIL_, messageFor(name, e.what()));
    } catch (const std::bad_alloc&) {
        throw AutomationError(hresult::E_FAIL_, messageFor(name, "out of memory"));
    } catch (const std::length_error&) {
        throw AutomationError(hresult::E_FAIL_, messageFor(name, "out of memory"));
    }
    out = std::move(wb);
}

}  // namespace

double ColumnWidthFromFile(double fileWidth) {
    // Excel lays columns out in whole pixels of the default font's digit (7 px for Calibri 11):
    // a file width w covers round(w * 7) pixels, 5 of them padding.
    double px = std::floor(fileWidth * 7 + 0.5);
    double chars = px <= 12 ? px / 12 : (px - 5) / 7;
    return std::floor(chars * 100 + 0.5) / 100;
}

void ReadXlsx(const std::string& utf8Path, Workbook& out, ZipLimits limits) {
    readWith(utf8Path, out, [&] { return std::make_unique<ZipArchive>(utf8Path, limits); });
}

void ReadXlsx(const std::string& utf8Path, Workbook& out) {
    ReadXlsx(utf8Path, out, ZipLimits{});
}

void ReadXlsxMemory(const void* data, size_t size, const std::string& displayName, Workbook& out,
                    ZipLimits limits) {
    readWith(displayName, out, [&] { return std::make_unique<ZipArchive>(data, size, limits); });
}

}  // namespace tq::office
