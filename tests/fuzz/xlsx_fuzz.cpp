// libFuzzer target for the .xlsx reader.
//
// The first byte of an input chooses what the rest of it is: a whole package (the zip layer and
// everything behind it), or one XML part (sheet, shared strings, styles, workbook, relationships)
// that is stored uncompressed into an otherwise valid package, so that mutations reach the XML
// parser and the readers of each part instead of dying at the checksum. Reading is bounded by
// small limits, and what was read must hold together.
#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check_workbook.h"
#include "office/spreadsheet/xlsx/xlsx_reader.h"
#include "tqtool/types.h"

namespace {

// The parts of the package that an input completes (the reader goes by local names and by the
// last segment of relationship types, so namespaces are left out).
const char kContentTypes[] =
    R"(<Types><Default Extension="xml" ContentType="application/xml"/></Types>)";
const char kRootRels[] =
    R"(<Relationships><Relationship Id="rId1" Type="x/officeDocument" Target="xl/workbook.xml"/>)"
    R"(</Relationships>)";
const char kWorkbook[] =
    R"(<workbook><workbookPr date1904="0"/><sheets><sheet name="A" r:id="rId1"/>)"
    R"(<sheet name="B" r:id="rId2"/></sheets></workbook>)";
const char kWorkbookRels[] =
    R"(<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="worksheets/sheet1.xml"/>)"
    R"(<Relationship Id="rId2" Type="x/worksheet" Target="/xl/worksheets/sheet2.xml"/>)"
    R"(<Relationship Id="rId3" Type="x/sharedStrings" Target="sharedStrings.xml"/>)"
    R"(<Relationship Id="rId4" Type="x/styles" Target="styles.xml"/></Relationships>)";
const char kSheet[] =
    R"(<worksheet><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" s="1"><v>4.5</v></c>)"
    R"(<c r="C1" t="inlineStr"><is><t>x</t></is></c></row></sheetData>)"
    R"(<mergeCells><mergeCell ref="A2:B3"/></mergeCells></worksheet>)";
const char kStrings[] =
    R"(<sst><si><t>a</t></si><si><r><t>b</t></r><rPh><t>c</t></rPh></si></sst>)";
const char kStyles[] =
    R"(<styleSheet><numFmts><numFmt numFmtId="164" formatCode="yyyy/m/d"/></numFmts><fonts><font>)"
    R"(<sz val="11"/></font></fonts><fills><fill><patternFill patternType="none"/></fill></fills>)"
    R"(<cellXfs><xf numFmtId="0"/><xf numFmtId="164" fontId="0" fillId="0"/></cellXfs></styleSheet>)";

using Parts = std::vector<std::pair<const char*, std::string_view>>;

// A zip of stored (uncompressed) parts, so that mutations reach the parts' parsers.
std::string storedZip(const Parts& parts) {
    zip_source_t* buf = zip_source_buffer_create(nullptr, 0, 0, nullptr);
    zip_source_keep(buf);
    zip_t* z = zip_open_from_source(buf, ZIP_TRUNCATE, nullptr);
    for (const auto& [name, data] : parts) {
        zip_source_t* s = zip_source_buffer(z, data.data(), data.size(), 0);
        zip_int64_t i = zip_file_add(z, name, s, ZIP_FL_OVERWRITE);
        zip_set_file_compression(z, static_cast<zip_uint64_t>(i), ZIP_CM_STORE, 0);
    }
    zip_close(z);
    std::string out;
    zip_stat_t st;
    if (zip_source_stat(buf, &st) == 0 && zip_source_open(buf) == 0) {
        out.resize(st.size);
        zip_source_read(buf, out.data(), st.size);
        zip_source_close(buf);
    }
    zip_source_free(buf);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    tq::Limits limits = tq::GetLimits();
    limits.maxPartBytes = 32u << 20;
    limits.maxPackageBytes = 64u << 20;
    limits.maxCells = 1'000'000;
    limits.maxTextBytes = 16u << 20;
    std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string package(body);
    if (const unsigned mode = data[0] % 7; mode != 0) {
        // Modes 1 to 6: the input is the sheet, the shared strings, the styles, the workbook, its
        // relationships or the second sheet.
        Parts parts = {{"xl/worksheets/sheet1.xml", kSheet},
                       {"xl/sharedStrings.xml", kStrings},
                       {"xl/styles.xml", kStyles},
                       {"xl/workbook.xml", kWorkbook},
                       {"xl/_rels/workbook.xml.rels", kWorkbookRels},
                       {"xl/worksheets/sheet2.xml", kSheet},
                       {"[Content_Types].xml", kContentTypes},
                       {"_rels/.rels", kRootRels}};
        parts[mode - 1].second = body;
        package = storedZip(parts);
    }
    tq::office::Workbook wb;
    try {
        tq::office::ReadXlsxMemory(package.data(), package.size(), "fuzz.xlsx", wb, limits);
    } catch (const tq::AutomationError&) {
        return 0;
    }
    tqfuzz::CheckWorkbook(wb);
    return 0;
}
