// libFuzzer target for the .xlsx reader.
//
// The first byte of an input chooses what the rest of it is: a whole package (the zip layer and
// everything behind it), or one XML part (sheet, shared strings, styles, workbook, relationships)
// that is stored uncompressed into an otherwise valid package, so that mutations reach the XML
// parser and the readers of each part instead of dying at the checksum.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "office/spreadsheet/xlsx/xlsx_reader.h"
#include "tqtool/types.h"

namespace {

const char kContentTypes[] =
    "<?xml version=\"1.0\"?><Types "
    "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>";
const char kRootRels[] =
    "<?xml version=\"1.0\"?><Relationships "
    "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"xl/workbook.xml\"/></Relationships>";
const char kWorkbook[] =
    "<?xml version=\"1.0\"?><workbook "
    "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><workbookPr "
    "date1904=\"0\"/>"
    "<sheets><sheet name=\"A\" sheetId=\"1\" r:id=\"rId1\"/><sheet name=\"B\" sheetId=\"2\" "
    "r:id=\"rId2\"/></sheets></workbook>";
const char kWorkbookRels[] =
    "<?xml version=\"1.0\"?><Relationships "
    "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
    "Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"rId2\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
    "Target=\"/xl/worksheets/sheet2.xml\"/>"
    "<Relationship Id=\"rId3\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
    "Target=\"sharedStrings.xml\"/>"
    "<Relationship Id=\"rId4\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
    "Target=\"styles.xml\"/>"
    "</Relationships>";
const char kSheet[] =
    "<?xml version=\"1.0\"?><worksheet "
    "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" s=\"1\"><v>45322.5</v></c>"
    "<c r=\"C1\" t=\"inlineStr\"><is><t>x</t></is></c></row></sheetData>"
    "<mergeCells><mergeCell ref=\"A2:B3\"/></mergeCells></worksheet>";
const char kStrings[] =
    "<?xml version=\"1.0\"?><sst "
    "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<si><t>a</t></si><si><r><t>b</t></r><rPh><t>c</t></rPh></si></sst>";
const char kStyles[] =
    "<?xml version=\"1.0\"?><styleSheet "
    "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<numFmts><numFmt numFmtId=\"164\" formatCode=\"yyyy/m/d\"/></numFmts><fonts><font><sz "
    "val=\"11\"/></font></fonts>"
    "<fills><fill><patternFill patternType=\"none\"/></fill></fills>"
    "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\" fontId=\"0\" "
    "fillId=\"0\"/></cellXfs></styleSheet>";

void put16(std::string& s, uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

// A zip with stored (uncompressed) entries.
std::string storedZip(const std::vector<std::pair<std::string, std::string_view>>& parts) {
    std::string out, dir;
    for (const auto& [name, data] : parts) {
        uint32_t crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
        uint32_t offset = static_cast<uint32_t>(out.size());
        put32(out, 0x04034b50);
        put16(out, 20);
        put16(out, 0);
        put16(out, 0);  // stored
        put16(out, 0);
        put16(out, 0x21);
        put32(out, crc);
        put32(out, static_cast<uint32_t>(data.size()));
        put32(out, static_cast<uint32_t>(data.size()));
        put16(out, static_cast<uint32_t>(name.size()));
        put16(out, 0);
        out += name;
        out.append(data.data(), data.size());

        put32(dir, 0x02014b50);
        put16(dir, 20);
        put16(dir, 20);
        put16(dir, 0);
        put16(dir, 0);
        put16(dir, 0);
        put16(dir, 0x21);
        put32(dir, crc);
        put32(dir, static_cast<uint32_t>(data.size()));
        put32(dir, static_cast<uint32_t>(data.size()));
        put16(dir, static_cast<uint32_t>(name.size()));
        put16(dir, 0);
        put16(dir, 0);
        put16(dir, 0);
        put16(dir, 0);
        put32(dir, 0);
        put32(dir, offset);
        dir += name;
    }
    uint32_t dirOffset = static_cast<uint32_t>(out.size());
    out += dir;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<uint32_t>(parts.size()));
    put16(out, static_cast<uint32_t>(parts.size()));
    put32(out, static_cast<uint32_t>(dir.size()));
    put32(out, dirOffset);
    put16(out, 0);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    tq::Limits limits = tq::GetLimits();
    limits.maxPartBytes = 32u << 20;
    limits.maxPackageBytes = 64u << 20;
    std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string package;
    const void* bytes = body.data();
    size_t length = body.size();
    unsigned mode = data[0] % 7;
    if (mode != 0) {
        std::string_view sheet = kSheet, strings = kStrings, styles = kStyles, workbook = kWorkbook,
                         rels = kWorkbookRels, sheet2 = kSheet;
        switch (mode) {
            case 1:
                sheet = body;
                break;
            case 2:
                strings = body;
                break;
            case 3:
                styles = body;
                break;
            case 4:
                workbook = body;
                break;
            case 5:
                rels = body;
                break;
            case 6:
                sheet2 = body;
                break;
        }
        package = storedZip({{"[Content_Types].xml", kContentTypes},
                             {"_rels/.rels", kRootRels},
                             {"xl/workbook.xml", workbook},
                             {"xl/_rels/workbook.xml.rels", rels},
                             {"xl/worksheets/sheet1.xml", sheet},
                             {"xl/worksheets/sheet2.xml", sheet2},
                             {"xl/sharedStrings.xml", strings},
                             {"xl/styles.xml", styles}});
        bytes = package.data();
        length = package.size();
    }
    tq::office::Workbook wb;
    try {
        tq::office::ReadXlsxMemory(bytes, length, "fuzz.xlsx", wb, limits);
    } catch (const tq::AutomationError&) {
        return 0;
    }
    // What was read must hold together.
    for (const auto& sh : wb.sheets) {
        uint32_t lastRow = 0;
        bool first = true;
        for (const auto& r : sh.rows) {
            if (!first && r.row <= lastRow) __builtin_trap();
            if (r.row >= tq::office::kMaxRows) __builtin_trap();
            first = false;
            lastRow = r.row;
            for (size_t i = 0; i < r.cells.size(); ++i) {
                const auto& c = r.cells[i];
                if (c.col >= tq::office::kMaxCols || (i && c.col <= r.cells[i - 1].col))
                    __builtin_trap();
                if (c.type == tq::office::CellType::String && c.str >= wb.strings.size())
                    __builtin_trap();
                if (c.style >= wb.styles.size()) __builtin_trap();
            }
        }
    }
    return 0;
}
