// Reading workbooks written by openpyxl, XlsxWriter, xlwt and by hand, and refusing damaged or
// hostile ones with a message that names the file and the problem.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "office/common/xml_pull.h"
#include "office/spreadsheet/file_io.h"
#include "office/spreadsheet/xls/xls_reader.h"
#include "office/spreadsheet/xlsx/xlsx_reader.h"
#include "support/os_support.h"
#include "tqtool/types.h"

namespace fs = std::filesystem;
using namespace tq::office;

namespace {

class XlsxReader : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        char tmpl[] = "/tmp/tq_xlsxread_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        std::string cmd = std::string(TQTEST_PYTHON) + " " + TQTEST_SOURCE_DIR +
                          "/tests/fuzz/make_fixtures.py " + dir_;
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    static std::string file(const std::string& name) { return dir_ + "/" + name; }

    static Workbook read(const std::string& name) {
        Workbook wb;
        ReadXlsx(file(name), wb);
        return wb;
    }

    static const Sheet& sheet(const Workbook& wb, const std::string& name) {
        for (const Sheet& s : wb.sheets)
            if (s.name == name) return s;
        throw std::runtime_error("no sheet " + name);
    }

    // 1-based row and column, as in the fixture scripts.
    static const Cell* at(const Sheet& s, uint32_t row, uint32_t col) {
        for (const Row& r : s.rows)
            if (r.row == row - 1)
                for (const Cell& c : r.cells)
                    if (c.col == col - 1) return &c;
        return nullptr;
    }

    static std::string text(const Workbook& wb, const Sheet& s, uint32_t row, uint32_t col) {
        const Cell* c = at(s, row, col);
        if (!c) return "<none>";
        if (c->type != CellType::String) return "<not text>";
        return wb.strings.at(c->str);
    }

    static double number(const Sheet& s, uint32_t row, uint32_t col) {
        const Cell* c = at(s, row, col);
        if (!c || c->type != CellType::Number) return NAN;
        return c->num;
    }

    static void expectSortedUnique(const Workbook& wb) {
        for (const Sheet& s : wb.sheets) {
            for (size_t i = 1; i < s.rows.size(); ++i)
                EXPECT_LT(s.rows[i - 1].row, s.rows[i].row) << s.name;
            for (const Row& r : s.rows)
                for (size_t i = 1; i < r.cells.size(); ++i)
                    EXPECT_LT(r.cells[i - 1].col, r.cells[i].col);
        }
        for (const Sheet& s : wb.sheets)
            for (const Row& r : s.rows)
                for (const Cell& c : r.cells) {
                    if (c.type == CellType::String) {
                        EXPECT_LT(c.str, wb.strings.size());
                    }
                    EXPECT_LT(c.style, wb.styles.size());
                }
    }

    // The file must be refused with a tq::AutomationError naming it and the problem, and the
    // model handed in must stay as it was.
    static void expectRefused(const std::string& name, const std::string& problem,
                              tq::Limits limits = tq::GetLimits()) {
        SCOPED_TRACE(name);
        Workbook wb;
        wb.sheets.emplace_back().name = "keep";
        try {
            ReadXlsx(file(name), wb, limits);
            ADD_FAILURE() << name << " was read without complaint";
        } catch (const tq::AutomationError& e) {
            std::string msg = e.what();
            EXPECT_NE(msg.find(name), std::string::npos) << msg;
            EXPECT_NE(msg.find(problem), std::string::npos) << msg;
            EXPECT_NE(e.code(), 0);
        }
        ASSERT_EQ(wb.sheets.size(), 1u);
        EXPECT_EQ(wb.sheets[0].name, "keep");
    }

    static std::string dir_;
};

std::string XlsxReader::dir_;

TEST_F(XlsxReader, OpenpyxlValuesFormatsAndLayout) {
    Workbook wb = read("openpyxl_basic.xlsx");
    expectSortedUnique(wb);
    ASSERT_EQ(wb.sheets.size(), 3u);
    // workbook order, not the order the sheets were created in
    EXPECT_EQ(wb.sheets[0].name, "Sheet3");
    EXPECT_EQ(wb.sheets[1].name, "\xe6\x95\xb0\xe6\x8d\xae\xe8\xa1\xa8");  // 数据表
    EXPECT_EQ(wb.sheets[2].name, "\xe7\xac\xac\xe4\xba\x8c\xe9\xa1\xb5");  // 第二页
    EXPECT_FALSE(wb.date1904);
    const Sheet& s = wb.sheets[1];

    EXPECT_EQ(text(wb, s, 1, 1), "\xe6\xa0\x87\xe9\xa2\x98");  // 标题
    EXPECT_EQ(number(s, 2, 1), 1.5);
    ASSERT_NE(at(s, 2, 2), nullptr);
    EXPECT_EQ(at(s, 2, 2)->type, CellType::Bool);
    EXPECT_TRUE(at(s, 2, 2)->boolean);
    EXPECT_EQ(at(s, 2, 6)->type, CellType::Bool);
    EXPECT_FALSE(at(s, 2, 6)->boolean);
    ASSERT_EQ(at(s, 2, 3)->type, CellType::Error);
    EXPECT_EQ(at(s, 2, 3)->error, static_cast<int32_t>(CellError::NA));
    EXPECT_EQ(number(s, 2, 4), -0.000123);
    EXPECT_EQ(number(s, 2, 5), 1e20);
    EXPECT_EQ(at(s, 2, 7), nullptr);  // a formula without a cached value holds nothing

    // dates are numbers whose format is a date format
    EXPECT_EQ(number(s, 3, 1), 45322.5);
    EXPECT_EQ(wb.styles[at(s, 3, 1)->style].numFmt, "yyyy-mm-dd h:mm:ss");
    EXPECT_EQ(number(s, 3, 2), 43890);  // 2020-02-29
    EXPECT_EQ(wb.styles[at(s, 3, 2)->style].numFmt,
              "yyyy\"\xe5\xb9\xb4\"m\"\xe6\x9c\x88\"d\"\xe6\x97\xa5\"");
    EXPECT_EQ(wb.styles[at(s, 3, 3)->style].numFmt, "#,##0.00");
    EXPECT_EQ(at(s, 2, 1)->style, 0u);

    // XML special characters and the characters whose GBK trail bytes are \ | @
    EXPECT_EQ(text(wb, s, 4, 4), "a & b <c> \"q\" 'x' \xe7\xa4\xac\xe7\xa3\xa1\xe7\x9f\xa6");
    const Style& st = wb.styles[at(s, 4, 4)->style];
    EXPECT_EQ(st.hAlign, kAlignCenter);
    EXPECT_EQ(st.vAlign, kAlignCenter);
    EXPECT_TRUE(st.wrap);
    EXPECT_EQ(st.fontName, "\xe5\xae\x8b\xe4\xbd\x93");  // 宋体
    EXPECT_EQ(st.fontSize, 14);
    EXPECT_TRUE(st.bold);
    EXPECT_TRUE(st.hasFill);
    EXPECT_EQ(st.fillColor, 0x332211u);  // RGB 112233 as 0x00BBGGRR

    ASSERT_EQ(s.merges.size(), 1u);
    EXPECT_EQ(s.merges[0], (MergeArea{0, 0, 0, 2}));
    ASSERT_EQ(s.cols.size(), 1u);
    EXPECT_EQ(s.cols[0].first, 1u);
    EXPECT_EQ(s.cols[0].last, 1u);
    EXPECT_NEAR(s.cols[0].width, 19.29, 0.005);  // a file width of 20 shows as 19.29
    bool found = false;
    for (const Row& r : s.rows)
        if (r.row == 3) {
            EXPECT_EQ(r.height, 30);
            found = true;
        }
    EXPECT_TRUE(found);

    // the far corner is one cell, not a grid
    EXPECT_EQ(text(wb, s, 1048576, 16384), "far");
    EXPECT_EQ(s.rows.size(), 5u);
    EXPECT_EQ(text(wb, wb.sheets[2], 2, 2), "x");
    EXPECT_TRUE(wb.sheets[0].rows.empty());
}

TEST_F(XlsxReader, DateSystem1904) {
    Workbook wb = read("openpyxl_1904.xlsx");
    EXPECT_TRUE(wb.date1904);
    EXPECT_EQ(number(wb.sheets[0], 1, 1), 45322 - 1462);  // 2024-01-31 counted from 1904-01-01
}

TEST_F(XlsxReader, XlsxwriterRichTextFormulasAndFormats) {
    Workbook wb = read("xlsxwriter_rich.xlsx");
    expectSortedUnique(wb);
    ASSERT_EQ(wb.sheets.size(), 2u);
    const Sheet& s = wb.sheets[0];
    EXPECT_EQ(s.name, "\xe6\xb1\x87\xe6\x80\xbb");  // 汇总
    EXPECT_EQ(wb.sheets[1].name, "Hidden");         // hidden sheets are sheets too
    EXPECT_EQ(text(wb, s, 1, 1),
              "\xe7\xba\xa2\xe8\x89\xb2\xe6\x99\xae\xe9\x80\x9a\xe5\xb0\xbe");  // 红色普通尾
    EXPECT_EQ(number(s, 2, 1), 2);        // cached numeric result
    EXPECT_EQ(text(wb, s, 3, 1), "abc");  // cached text result (t="str")
    ASSERT_NE(at(s, 4, 1), nullptr);
    EXPECT_EQ(at(s, 4, 1)->type, CellType::Error);
    EXPECT_EQ(at(s, 4, 1)->error, static_cast<int32_t>(CellError::Div0));
    EXPECT_EQ(at(s, 5, 1)->type, CellType::Bool);
    EXPECT_TRUE(at(s, 5, 1)->boolean);
    EXPECT_EQ(at(s, 1, 2)->type, CellType::Bool);
    EXPECT_FALSE(at(s, 1, 2)->boolean);
    EXPECT_DOUBLE_EQ(number(s, 2, 2), 36526.25);
    EXPECT_EQ(wb.styles[at(s, 2, 2)->style].numFmt, "yyyy-mm-dd hh:mm");
    const Style& f = wb.styles[at(s, 3, 2)->style];
    EXPECT_EQ(f.numFmt, "0.000");
    EXPECT_EQ(f.hAlign, kAlignRight);
    EXPECT_EQ(f.vAlign, kAlignTop);
    EXPECT_EQ(f.fontName, "Arial");
    EXPECT_EQ(f.fontSize, 9);
    EXPECT_TRUE(f.hasFill);
    EXPECT_EQ(f.fillColor, 0x00FF00u);
    EXPECT_EQ(text(wb, s, 6, 1), "tab\tcr\rlf\n");  // control characters survive the _xHHHH_ escape
    ASSERT_EQ(s.merges.size(), 1u);
    EXPECT_EQ(s.merges[0], (MergeArea{0, 2, 1, 3}));
    // the merged cells other than the first carry the format only
    ASSERT_NE(at(s, 2, 4), nullptr);
    EXPECT_EQ(at(s, 2, 4)->type, CellType::Empty);
    EXPECT_EQ(wb.styles[at(s, 2, 4)->style].hAlign, kAlignCenter);
    ASSERT_EQ(s.cols.size(), 1u);
    EXPECT_EQ(s.cols[0].first, 2u);
    EXPECT_EQ(s.cols[0].last, 3u);
    EXPECT_DOUBLE_EQ(s.cols[0].width, 15);
}

TEST_F(XlsxReader, HandMadePackage) {
    Workbook wb = read("hand_made.xlsx");
    expectSortedUnique(wb);
    ASSERT_EQ(wb.sheets.size(), 2u);
    EXPECT_EQ(wb.sheets[0].name, "\xe5\x90\x8e");  // 后: workbook order, second part
    EXPECT_EQ(wb.sheets[1].name, "\xe5\x89\x8d");  // 前
    EXPECT_TRUE(wb.sheets[1].rows.empty());
    EXPECT_TRUE(wb.date1904);
    const Sheet& s = wb.sheets[0];

    EXPECT_EQ(text(wb, s, 1, 1), "\xe5\x85\xb1\xe4\xba\xab");   // shared
    EXPECT_EQ(text(wb, s, 1, 2), "\xe7\xb2\x97 \xe4\xbd\x93");  // runs joined, phonetic left out
    EXPECT_EQ(text(wb, s, 1, 3), "\xe5\x86\x85\xe8\x81\x94");   // inline rich text, no r attribute
    EXPECT_EQ(at(s, 1, 4), nullptr);                            // skipped position
    EXPECT_EQ(at(s, 1, 5)->type, CellType::Bool);
    EXPECT_EQ(at(s, 1, 6)->type, CellType::Error);  // counted on from E1
    EXPECT_EQ(at(s, 1, 6)->error, static_cast<int32_t>(CellError::Div0));

    // a row without r follows the previous one
    EXPECT_EQ(number(s, 2, 1), -1.5e-3);
    EXPECT_EQ(text(wb, s, 2, 2), "\xe5\x85\xac\xe5\xbc\x8f\xe7\xbb\x93\xe6\x9e\x9c");
    ASSERT_NE(at(s, 2, 4), nullptr);  // format without a value
    EXPECT_EQ(at(s, 2, 4)->type, CellType::Empty);
    EXPECT_EQ(wb.styles[at(s, 2, 4)->style].numFmt, "yyyy/mm/dd hh:mm");
    EXPECT_EQ(number(s, 2, 5), 45322.5 - 1462);  // ISO date cell in the 1904 system
    EXPECT_EQ(text(wb, s, 2, 6), "line\r\nbreak");
    EXPECT_EQ(text(wb, s, 2, 7), "_x0041_ and A");
    EXPECT_EQ(text(wb, s, 2, 8), "<&>\"'\xe4\xb8\xad\xe6\x96\x87");
    EXPECT_EQ(text(wb, s, 2, 9), "a&b");
    EXPECT_EQ(text(wb, s, 2, 10), "");
    EXPECT_EQ(text(wb, s, 2, 11), "<raw & data>");
    const Style& zh = wb.styles[at(s, 2, 12)->style];
    EXPECT_NE(zh.numFmt.find("yyyy"), std::string::npos);  // built-in Chinese date format 31
    EXPECT_EQ(zh.fontName, "\xe9\xbb\x91\xe4\xbd\x93");
    EXPECT_EQ(zh.fontSize, 16);
    EXPECT_TRUE(zh.bold);
    EXPECT_TRUE(zh.italic);
    EXPECT_EQ(zh.fillColor, 0x0000FFu);  // indexed 10 = red
    EXPECT_EQ(zh.hAlign, kAlignRight);

    // rows out of order are sorted, a row given twice is one row, and the later of two cells
    // at one position wins
    EXPECT_EQ(number(s, 3, 1), 7);
    EXPECT_EQ(number(s, 5, 1), 11);
    EXPECT_EQ(number(s, 5, 2), 2);
    EXPECT_EQ(number(s, 5, 3), 33);
    for (const Row& r : s.rows) {
        if (r.row == 4) {
            EXPECT_EQ(r.height, 25);
        }
        if (r.row == 6) {
            EXPECT_GE(r.style, 1);  // a formatted, empty row is kept
        }
        EXPECT_NE(r.row, 7u);  // an empty row is not
    }

    // merged areas: overlapping and single-cell ones dropped, reversed corners put in order
    ASSERT_EQ(s.merges.size(), 2u);
    EXPECT_EQ(s.merges[0], (MergeArea{9, 0, 10, 1}));
    EXPECT_EQ(s.merges[1], (MergeArea{18, 4, 19, 5}));
    ASSERT_EQ(s.cols.size(), 2u);
    EXPECT_EQ(s.cols[0].first, 1u);
    EXPECT_EQ(s.cols[0].last, 2u);
    EXPECT_DOUBLE_EQ(s.cols[0].width, 12);
    EXPECT_GE(s.cols[1].style, 1);
    EXPECT_DOUBLE_EQ(s.defaultRowHeight, 13.5);
}

TEST_F(XlsxReader, PrefixedElementsAndRelocatedParts) {
    Workbook wb = read("prefixed.xlsx");
    ASSERT_EQ(wb.sheets.size(), 1u);
    EXPECT_EQ(wb.sheets[0].name, "P");
    EXPECT_EQ(text(wb, wb.sheets[0], 2, 2), "p");
}

TEST_F(XlsxReader, MemoryFollowsContentNotClaims) {
    // A1 and XFD1048576 are two cells; a dimension claiming the whole sheet changes nothing;
    // a directory claiming a 4 GB part is not believed.
    struct rusage before {};
    getrusage(RUSAGE_SELF, &before);
    Workbook wb = read("two_cells.xlsx");
    ASSERT_EQ(wb.sheets[0].rows.size(), 2u);
    EXPECT_EQ(wb.sheets[0].rows[0].cells.size(), 1u);
    EXPECT_EQ(wb.sheets[0].rows[1].row, 1048575u);
    EXPECT_EQ(wb.sheets[0].rows[1].cells[0].col, 16383u);

    Workbook lying = read("lying_dimension.xlsx");
    ASSERT_EQ(lying.sheets[0].rows.size(), 1u);
    EXPECT_EQ(lying.sheets[0].rows[0].cells.size(), 1u);

    Workbook claims = read("claims_gigabytes.xlsx");
    EXPECT_EQ(number(claims.sheets[0], 1, 1), 1);
    struct rusage after {};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "kB";
}

TEST_F(XlsxReader, DamagedFilesAreRefused) {
    expectRefused("empty.xlsx", "empty");
    expectRefused("not_a_zip.xlsx", "not a zip");
    expectRefused("truncated.xlsx", "zip");
    expectRefused("compound.xlsx", "not an .xlsx package");
    expectRefused("mismatched_tags.xlsx", "</row> closes <c>");
    expectRefused("truncated_xml.xlsx", "truncated");
    expectRefused("unquoted_attr.xlsx", "not quoted");
    expectRefused("deep_nesting.xlsx", "limit maxXmlDepth");
    expectRefused("bad_number.xlsx", "not a number");
    expectRefused("no_sheets.xlsx", "no sheets");
    expectRefused("missing_part.xlsx", "xl/worksheets/gone.xml is missing");
    expectRefused("no_workbook.xlsx", "not a workbook");
    expectRefused("does_not_exist.xlsx", "No such file");
}

TEST_F(XlsxReader, HostileFilesAreRefused) {
    expectRefused("entity_expansion.xlsx", "DOCTYPE");
    expectRefused("unknown_entity.xlsx", "unknown entity &nbsp;");
    expectRefused("external_entity.xlsx", "invalid character reference");
    expectRefused("absurd_sst_index.xlsx", "shared-string index 4000000000 is out of range");
    expectRefused("row_beyond.xlsx", "row 1048577");
    expectRefused("column_beyond.xlsx", "XFE1");
    expectRefused("too_many_columns.xlsx", "more columns");
    // 8 MB of padding read under a 1 MB limit per part
    tq::Limits small = tq::GetLimits();
    small.maxPartBytes = 1 << 20;
    small.maxInflateRatio = 100000;
    expectRefused("compression_bomb.xlsx", "limit maxPartBytes", small);
    tq::Limits total = tq::GetLimits();
    total.maxPackageBytes = 4 << 20;
    total.maxInflateRatio = 100000;
    expectRefused("compression_bomb.xlsx", "limit maxPackageBytes", total);
    // within the default limits the padding inflates too far beyond its compressed size
    expectRefused("compression_bomb.xlsx", "limit maxInflateRatio");
}

TEST_F(XlsxReader, CorruptCompressedDataIsRefused) {
    std::ifstream in(file("openpyxl_basic.xlsx"), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Damage the compressed bytes of the first sheet, leaving the directory intact.
    size_t at = bytes.find("xl/worksheets/sheet1.xml");
    ASSERT_NE(at, std::string::npos);
    for (size_t i = at + 40; i < at + 140 && i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    Workbook wb;
    try {
        ReadXlsxMemory(bytes.data(), bytes.size(), "damaged.xlsx", wb);
        ADD_FAILURE() << "damaged data was read";
    } catch (const tq::AutomationError& e) {
        EXPECT_NE(std::string(e.what()).find("damaged.xlsx"), std::string::npos) << e.what();
    }
    // every prefix of a valid package is refused or read, never a crash
    for (size_t n = 0; n < bytes.size(); n += 97) {
        Workbook w;
        try {
            ReadXlsxMemory(bytes.data(), n, "prefix.xlsx", w);
        } catch (const tq::AutomationError&) {
        }
    }
}

TEST_F(XlsxReader, NamesInMessagesAreGbk) {
    std::string utf8 = file("\xe5\x9d\x8f.xlsx");  // 坏.xlsx
    fs::copy_file(file("not_a_zip.xlsx"), utf8);
    Workbook wb;
    try {
        ReadXlsx(utf8, wb);
        ADD_FAILURE();
    } catch (const tq::AutomationError& e) {
        EXPECT_NE(std::string(e.what()).find("\xbb\xb5.xlsx"), std::string::npos) << e.what();
    }
}

TEST(XmlPullDecode, EntitiesEscapesAndLineEnds) {
    std::string out;
    XmlPull::decode("a&amp;b&#x41;&#66;\r\nc\rd", out, "p");
    EXPECT_EQ(out, "a&bAB\nc\nd");
    out.clear();
    XmlPull::decode("&#x1F600;", out, "p");
    EXPECT_EQ(out, "\xf0\x9f\x98\x80");
    for (const char* bad : {"&", "&amp", "&#xD800;", "&#x110000;", "&#;", "&#xZZ;", "&foo;"}) {
        out.clear();
        EXPECT_THROW(XmlPull::decode(bad, out, "p"), ZipError) << bad;
    }
    std::string s = "_xD83D__xDE00_|_x0041|_x00e9_|_xDE00_";
    DecodeXEscapes(s);
    EXPECT_EQ(s, "\xf0\x9f\x98\x80|_x0041|\xc3\xa9|\xef\xbf\xbd");
    EXPECT_DOUBLE_EQ(ColumnWidthFromFile(9.140625), 8.43);
    EXPECT_DOUBLE_EQ(ColumnWidthFromFile(20.7109375), 20);
    double serial = 0;
    ASSERT_TRUE(IsoDateToSerial("1900-01-01", false, serial));
    EXPECT_EQ(serial, 1);
    ASSERT_TRUE(IsoDateToSerial("1900-03-01", false, serial));
    EXPECT_EQ(serial, 61);
    ASSERT_TRUE(IsoDateToSerial("06:00:00", false, serial));
    EXPECT_EQ(serial, 0.25);
    EXPECT_FALSE(IsoDateToSerial("2024-13-01", false, serial));
}

TEST_F(XlsxReader, LegacyXlsThroughFreexl) {
    if (!fs::exists(file("xlwt_basic.xls"))) GTEST_SKIP() << "python3-xlwt is not installed";
    Workbook wb;
    ReadXls(file("xlwt_basic.xls"), wb);
    expectSortedUnique(wb);
    ASSERT_EQ(wb.sheets.size(), 2u);
    EXPECT_EQ(wb.sheets[0].name, "\xe8\xa1\xa8\xe4\xb8\x80");  // 表一
    EXPECT_EQ(wb.sheets[1].name, "Second");
    const Sheet& s = wb.sheets[0];
    EXPECT_EQ(text(wb, s, 1, 1), "\xe6\xa0\x87\xe9\xa2\x98\xe7\xa4\xac");
    EXPECT_EQ(number(s, 2, 1), 1.5);
    EXPECT_EQ(number(s, 2, 2), 42);
    EXPECT_EQ(number(s, 3, 1), 45322);
    EXPECT_NE(wb.styles[at(s, 3, 1)->style].numFmt.find("yyyy"), std::string::npos);
    EXPECT_DOUBLE_EQ(number(s, 3, 2), 45322.25 + 1.0 / 48);
    EXPECT_EQ(text(wb, wb.sheets[1], 6, 4), "x");

    for (const char* bad : {"fake.xls", "empty.xlsx", "missing.xls"}) {
        Workbook keep;
        keep.sheets.emplace_back().name = "keep";
        try {
            ReadXls(file(bad), keep);
            ADD_FAILURE() << bad;
        } catch (const tq::AutomationError& e) {
            EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
        }
        EXPECT_EQ(keep.sheets.size(), 1u);
    }
}

// ---- Hostile inputs ----

namespace hostile {

// What a forked child reports about one read.
struct Outcome {
    bool refused = false;
    char message[512] = {};
    char content[128] = {};  // a summary of what was read
    long peakGrowthKb = 0;
    double seconds = 0;
};

Outcome readInChild(const std::string& path) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe");
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        ::alarm(120);  // a read that never ends fails the test instead of hanging it
        Outcome o;
        struct rusage before {};
        ::getrusage(RUSAGE_SELF, &before);
        auto t0 = std::chrono::steady_clock::now();
        try {
            Workbook wb;
            LoadWorkbook(path, wb);
            const Sheet& s = wb.sheets.at(0);
            const MergeArea* m = MergeAt(s, 99999, 1);
            std::snprintf(o.content, sizeof o.content, "rows=%zu merges=%zu last=%s merge=%s",
                          s.rows.size(), s.merges.size(),
                          s.rows.empty()
                              ? "-"
                              : CellName(s.rows.back().row, s.rows.back().cells.back().col).c_str(),
                          m ? RectName(ToRect(*m)).c_str() : "-");
        } catch (const tq::AutomationError& e) {
            o.refused = true;
            std::snprintf(o.message, sizeof o.message, "%s", e.what());
        }
        o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        struct rusage after {};
        ::getrusage(RUSAGE_SELF, &after);
        o.peakGrowthKb = after.ru_maxrss - before.ru_maxrss;
        ssize_t n = ::write(fds[1], &o, sizeof o);
        ::_exit(n == sizeof o ? 0 : 1);
    }
    ::close(fds[1]);
    Outcome o;
    ssize_t got = ::read(fds[0], &o, sizeof o);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (got != sizeof o)
        throw std::runtime_error(path + ": the child died (status " + std::to_string(status) + ")");
    return o;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr long kCeilingKb = 3 * 256 * 1024;  // the sanitizer's shadow memory and quarantine
#else
constexpr long kCeilingKb = 256 * 1024;
#endif

TEST(HostileInputs, AreRefusedOrReadWithinTheMemoryCeiling) {
    ostest::TempDir dir;
    tq::Limits lim = tq::GetLimits();
    std::string cmd = std::string(TQTEST_PYTHON) + " " + TQTEST_SOURCE_DIR +
                      "/tests/fuzz/make_hostile.py " + dir.path() + " " +
                      std::to_string(lim.maxCells) + " " + std::to_string(lim.maxTextBytes);
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    struct Case {
        const char* file;
        const char* refusal;  // nullptr: read, and `content` is what it holds
        const char* content;
    } cases[] = {
        {"bomb_cells.xlsx", "limit maxInflateRatio", nullptr},
        {"bomb_strings.xlsx", "limit maxInflateRatio", nullptr},
        {"text_over_budget.xlsx", "limit maxTextBytes", nullptr},
        {"cells_over_budget.xlsx", "limit maxCells", nullptr},
        {"fifo.xlsx", "not a regular file", nullptr},
        {"zero.csv", "not a regular file", nullptr},
        {"folder.xlsx", "it is a folder", nullptr},
        {"far_cells.xlsx", nullptr, "rows=2 merges=0 last=XFD1048576 merge=-"},
        {"merges_1e6.xlsx", nullptr, "rows=1 merges=1000000 last=A1 merge=A100000:B100000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Outcome o = readInChild(dir.path() + "/" + c.file);
        std::printf("%-24s %-8s peak +%6.1f MB %6.2f s  %s\n", c.file,
                    o.refused ? "refused" : "read", o.peakGrowthKb / 1024.0, o.seconds,
                    o.refused ? o.message : o.content);
        EXPECT_LT(o.peakGrowthKb, kCeilingKb);
        if (c.refusal) {
            ASSERT_TRUE(o.refused) << o.content;
            EXPECT_NE(std::string(o.message).find("cannot read workbook '" + dir.path() + "/" +
                                                  c.file + "': "),
                      std::string::npos)
                << o.message;
            EXPECT_NE(std::string(o.message).find(c.refusal), std::string::npos) << o.message;
        } else {
            ASSERT_FALSE(o.refused) << o.message;
            EXPECT_STREQ(o.content, c.content);
        }
    }
}

}  // namespace hostile

}  // namespace
