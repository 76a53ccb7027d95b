// Saves a document as a WordprocessingML package (.docx) through libzip. Each package part has
// its own writer; the document part holds the body (paragraphs, tables) and the one section. The
// package is written to a temporary file beside the target and replaces it only when complete.
#include <zip.h>

#include <string>
#include <utility>
#include <vector>

#include "office/document/word_document.h"
#include "os/replace_file.h"
#include "text/text.h"
#include "tqtool/types.h"

namespace tq::office::word {

namespace {

constexpr const char* kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr const char* kNsW = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr const char* kNsR = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

void appendInt(std::string& out, long long v) {
    out += std::to_string(v);
}

/// Font size in half points, as the package stores it.
int halfPoints(float size) {
    int hp = static_cast<int>(size * 2.0f + 0.5f);
    return hp < 2 ? 2 : (hp > 3276 ? 3276 : hp);
}
const int kDefaultHalfPoints = halfPoints(kDefaultFontSize);

const char* jcValue(int32_t align) {
    switch (align) {
        case kParaCenter:
            return "center";
        case kParaRight:
            return "right";
        case kParaJustify:
            return "both";
        case kParaDistribute:
            return "distribute";
        case kParaJustifyMed:
            return "mediumKashida";
        case kParaJustifyHi:
            return "highKashida";
        case kParaJustifyLow:
            return "lowKashida";
        case kParaThaiJustify:
            return "thaiDistribute";
        default:
            return nullptr;  // left: the default
    }
}

void appendEscaped(std::string& out, std::string_view utf8) {
    for (char ch : utf8) {
        switch (ch) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += ch;
        }
    }
}

void appendSize(std::string& out, int hp) {
    out += "<w:sz w:val=\"";
    appendInt(out, hp);
    out += "\"/><w:szCs w:val=\"";
    appendInt(out, hp);
    out += "\"/>";
}

/// One run; tabs and line breaks become their own elements, other control characters (which XML
/// cannot carry) are left out.
void writeRun(std::string& out, const Run& run) {
    if (run.text.empty()) return;
    out += "<w:r>";
    int hp = halfPoints(run.size);
    if (hp != kDefaultHalfPoints) {
        out += "<w:rPr>";
        appendSize(out, hp);
        out += "</w:rPr>";
    }
    std::u16string piece;
    auto flush = [&] {
        if (piece.empty()) return;
        out += "<w:t xml:space=\"preserve\">";
        appendEscaped(out, text::utf16ToUtf8(piece));
        out += "</w:t>";
        piece.clear();
    };
    for (char16_t ch : run.text) {
        if (ch == u'\t') {
            flush();
            out += "<w:tab/>";
        } else if (ch == u'\v') {
            flush();
            out += "<w:br/>";
        } else if (ch < 0x20 || ch == 0xFFFE || ch == 0xFFFF) {
            continue;
        } else {
            piece += ch;
        }
    }
    flush();
    out += "</w:r>";
}

void writeParagraph(std::string& out, const Paragraph& p) {
    out += "<w:p>";
    const char* jc = jcValue(p.align);
    int markHp = halfPoints(p.markSize);
    if (jc || markHp != kDefaultHalfPoints) {
        out += "<w:pPr>";
        if (jc) {
            out += "<w:jc w:val=\"";
            out += jc;
            out += "\"/>";
        }
        if (markHp != kDefaultHalfPoints) {
            out += "<w:rPr>";
            appendSize(out, markHp);
            out += "</w:rPr>";
        }
        out += "</w:pPr>";
    }
    for (const auto& r : p.runs) writeRun(out, r);
    out += "</w:p>";
}

const char* vAlignValue(int32_t v) {
    switch (v) {
        case kVCenter:
            return "center";
        case kVBottom:
            return "bottom";
        default:
            return nullptr;
    }
}

void writeTable(std::string& out, const TableData& t, int32_t textWidth) {
    const int32_t colWidth = static_cast<int32_t>(textWidth / static_cast<int32_t>(t.cols));
    out += "<w:tbl><w:tblPr>";
    if (t.autoFit == 2) {
        out += "<w:tblW w:w=\"5000\" w:type=\"pct\"/>";
    } else if (t.autoFit == 0) {
        out += "<w:tblW w:w=\"";
        appendInt(out, static_cast<long long>(colWidth) * t.cols);
        out += "\" w:type=\"dxa\"/>";
    } else {
        out += "<w:tblW w:w=\"0\" w:type=\"auto\"/>";
    }
    if (t.rowAlign == 1)
        out += "<w:jc w:val=\"center\"/>";
    else if (t.rowAlign == 2)
        out += "<w:jc w:val=\"right\"/>";
    out +=
        "<w:tblBorders><w:top w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"auto\"/>"
        "<w:left w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"auto\"/>"
        "<w:bottom w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"auto\"/>"
        "<w:right w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"auto\"/>"
        "<w:insideH w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"auto\"/>"
        "<w:insideV w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"auto\"/></w:tblBorders>";
    out += t.autoFit == 0 ? "<w:tblLayout w:type=\"fixed\"/>" : "<w:tblLayout w:type=\"autofit\"/>";
    out +=
        "<w:tblCellMar><w:left w:w=\"108\" w:type=\"dxa\"/><w:right w:w=\"108\" "
        "w:type=\"dxa\"/></w:tblCellMar><w:tblLook w:val=\"04A0\" w:firstRow=\"1\" "
        "w:lastRow=\"0\" w:firstColumn=\"1\" w:lastColumn=\"0\" w:noHBand=\"0\" "
        "w:noVBand=\"1\"/></w:tblPr><w:tblGrid>";
    for (uint32_t c = 0; c < t.cols; ++c) {
        out += "<w:gridCol w:w=\"";
        appendInt(out, colWidth);
        out += "\"/>";
    }
    out += "</w:tblGrid>";
    for (uint32_t r = 0; r < t.rows; ++r) {
        out += "<w:tr>";
        for (uint32_t c = 0; c < t.cols;) {
            const CellArea& a = t.areas[t.areaAt(r, c)];
            const uint32_t span = a.c2 - a.c1 + 1;
            out += "<w:tc><w:tcPr><w:tcW w:w=\"";
            appendInt(out, static_cast<long long>(colWidth) * span);
            out += "\" w:type=\"dxa\"/>";
            if (span > 1) {
                out += "<w:gridSpan w:val=\"";
                appendInt(out, span);
                out += "\"/>";
            }
            if (a.r2 > a.r1) out += r == a.r1 ? "<w:vMerge w:val=\"restart\"/>" : "<w:vMerge/>";
            if (const char* v = vAlignValue(a.vAlign)) {
                out += "<w:vAlign w:val=\"";
                out += v;
                out += "\"/>";
            }
            out += "</w:tcPr>";
            if (r == a.r1) {
                for (const auto& p : a.paras) writeParagraph(out, p);
            } else {
                // A continued cell of a vertical merge: an empty paragraph formatted as the area's.
                Paragraph empty;
                empty.align = a.paras.front().align;
                empty.markSize = a.paras.front().markSize;
                writeParagraph(out, empty);
            }
            out += "</w:tc>";
            c += span;
        }
        out += "</w:tr>";
    }
    out += "</w:tbl>";
}

std::string writeDocumentPart(const Document& doc) {
    const PageGeometry g = pageGeometry(doc);
    const int32_t textWidth = g.width - g.left - g.right;
    // Reserve about what the body takes, so the text is not copied while it grows.
    size_t estimate = 4096;
    for (const auto& b : doc.body) {
        if (!b.table) {
            estimate += 128 + b.para.length() * 3;
            continue;
        }
        estimate += 1024 + size_t{b.table->rows} * 16;
        for (const auto& a : b.table->areas)
            for (const auto& p : a.paras) estimate += 200 + p.length() * 3;
    }
    std::string out;
    out.reserve(estimate);
    out += kXmlHead;
    out += "<w:document xmlns:w=\"";
    out += kNsW;
    out += "\" xmlns:r=\"";
    out += kNsR;
    out += "\"><w:body>";
    for (const auto& b : doc.body) {
        if (b.table)
            writeTable(out, *b.table, textWidth);
        else
            writeParagraph(out, b.para);
    }
    if (doc.body.empty() || doc.body.back().table) out += "<w:p/>";  // a table never ends the body
    out += "<w:sectPr><w:pgSz w:w=\"";
    appendInt(out, g.width);
    out += "\" w:h=\"";
    appendInt(out, g.height);
    out += doc.orientation == 1 ? "\" w:orient=\"landscape\"/>" : "\"/>";
    out += "<w:pgMar w:top=\"";
    appendInt(out, g.top);
    out += "\" w:right=\"";
    appendInt(out, g.right);
    out += "\" w:bottom=\"";
    appendInt(out, g.bottom);
    out += "\" w:left=\"";
    appendInt(out, g.left);
    out +=
        "\" w:header=\"851\" w:footer=\"992\" w:gutter=\"0\"/><w:cols w:space=\"425\"/>"
        "<w:docGrid w:type=\"lines\" w:linePitch=\"312\"/></w:sectPr></w:body></w:document>";
    return out;
}

std::string writeContentTypes() {
    return std::string(kXmlHead) +
           "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
           "<Default Extension=\"rels\" "
           "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
           "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
           "<Override PartName=\"/word/document.xml\" "
           "ContentType=\"application/"
           "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
           "<Override PartName=\"/word/styles.xml\" "
           "ContentType=\"application/"
           "vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
           "<Override PartName=\"/word/settings.xml\" "
           "ContentType=\"application/"
           "vnd.openxmlformats-officedocument.wordprocessingml.settings+xml\"/>"
           "</Types>";
}

std::string writePackageRels() {
    return std::string(kXmlHead) +
           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
           "officeDocument\" Target=\"word/document.xml\"/></Relationships>";
}

std::string writeDocumentRels() {
    return std::string(kXmlHead) +
           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
           "Target=\"styles.xml\"/><Relationship Id=\"rId2\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/settings\" "
           "Target=\"settings.xml\"/></Relationships>";
}

/// Default fonts (a Chinese face for East Asian text, so that it renders everywhere), the default
/// size and the built-in styles every document has.
std::string writeStyles() {
    std::string out = kXmlHead;
    out += "<w:styles xmlns:w=\"";
    out += kNsW;
    out +=
        "\"><w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii=\"Times New Roman\" "
        "w:eastAsia=\"SimSun\" w:hAnsi=\"Times New Roman\" w:cs=\"Times New Roman\"/>";
    appendSize(out, kDefaultHalfPoints);
    out +=
        "<w:lang w:val=\"en-US\" w:eastAsia=\"zh-CN\" w:bidi=\"ar-SA\"/></w:rPr></w:rPrDefault>"
        "<w:pPrDefault/></w:docDefaults>"
        "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name "
        "w:val=\"Normal\"/><w:qFormat/><w:pPr><w:widowControl w:val=\"0\"/></w:pPr></w:style>"
        "<w:style w:type=\"character\" w:default=\"1\" w:styleId=\"DefaultParagraphFont\">"
        "<w:name w:val=\"Default Paragraph Font\"/><w:uiPriority w:val=\"1\"/><w:semiHidden/>"
        "<w:unhideWhenUsed/></w:style>"
        "<w:style w:type=\"table\" w:default=\"1\" w:styleId=\"TableNormal\"><w:name "
        "w:val=\"Normal Table\"/><w:uiPriority w:val=\"99\"/><w:semiHidden/><w:unhideWhenUsed/>"
        "<w:tblPr><w:tblInd w:w=\"0\" w:type=\"dxa\"/><w:tblCellMar><w:top w:w=\"0\" "
        "w:type=\"dxa\"/><w:left w:w=\"108\" w:type=\"dxa\"/><w:bottom w:w=\"0\" w:type=\"dxa\"/>"
        "<w:right w:w=\"108\" w:type=\"dxa\"/></w:tblCellMar></w:tblPr></w:style>"
        "<w:style w:type=\"numbering\" w:default=\"1\" w:styleId=\"NoList\"><w:name "
        "w:val=\"No List\"/><w:uiPriority w:val=\"99\"/><w:semiHidden/><w:unhideWhenUsed/>"
        "</w:style></w:styles>";
    return out;
}

const char* viewValue(int32_t type) {
    switch (type) {
        case 1:
            return "normal";
        case 2:
            return "outline";
        case 3:
            return "print";
        case 5:
            return "masterPages";
        case 6:
            return "web";
        default:
            return nullptr;
    }
}

std::string writeSettings(const Document& doc) {
    std::string out = kXmlHead;
    out += "<w:settings xmlns:w=\"";
    out += kNsW;
    out += "\">";
    if (const char* v = viewValue(doc.viewType)) {
        out += "<w:view w:val=\"";
        out += v;
        out += "\"/>";
    }
    out +=
        "<w:zoom w:percent=\"100\"/><w:defaultTabStop w:val=\"420\"/>"
        "<w:characterSpacingControl w:val=\"compressPunctuation\"/><w:compat>"
        "<w:compatSetting w:name=\"compatibilityMode\" "
        "w:uri=\"http://schemas.microsoft.com/office/word\" w:val=\"15\"/></w:compat>"
        "</w:settings>";
    return out;
}

[[noreturn]] void fail(const std::string& what, const std::string& path) {
    throw AutomationError(hresult::E_FAIL_,
                          "Document.Save: " + what + " (" + text::pathFromOs(path) + ")");
}

/// Writes the parts as a zip package at `path`.
void writePackage(std::vector<std::pair<const char*, std::string>>& parts, const std::string& path,
                  const std::string& target) {
    int err = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, err);
        std::string msg = zip_error_strerror(&ze);
        zip_error_fini(&ze);
        fail("cannot create the file: " + msg, target);
    }
    for (auto& [name, data] : parts) {
        zip_source_t* src = zip_source_buffer(z, data.data(), data.size(), 0);
        if (!src) {
            zip_discard(z);
            fail("out of memory", target);
        }
        zip_int64_t idx = zip_file_add(z, name, src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (idx < 0) {
            zip_source_free(src);
            std::string msg = zip_strerror(z);
            zip_discard(z);
            fail("cannot add " + std::string(name) + ": " + msg, target);
        }
        zip_set_file_compression(z, static_cast<zip_uint64_t>(idx), ZIP_CM_DEFLATE, 1);
    }
    if (zip_close(z) != 0) {
        std::string msg = zip_strerror(z);
        zip_discard(z);
        fail("cannot write the file: " + msg, target);
    }
}

}  // namespace

void saveDocx(const Document& doc, const std::string& osPath) {
    // The parts first, so that a failure to build them leaves no file behind.
    std::vector<std::pair<const char*, std::string>> parts;
    parts.emplace_back("[Content_Types].xml", writeContentTypes());
    parts.emplace_back("_rels/.rels", writePackageRels());
    parts.emplace_back("word/document.xml", writeDocumentPart(doc));
    parts.emplace_back("word/_rels/document.xml.rels", writeDocumentRels());
    parts.emplace_back("word/styles.xml", writeStyles());
    parts.emplace_back("word/settings.xml", writeSettings(doc));

    os::FileReplacement replacement;
    std::string why;
    if (!replacement.begin(osPath, why)) fail("cannot write the file: " + why, osPath);
    replacement.closeFd();
    writePackage(parts, replacement.tempPath(), osPath);
    if (!replacement.commit(why)) fail("cannot write the file: " + why, osPath);
}

}  // namespace tq::office::word
