// Reading workbooks written by openpyxl, XlsxWriter, xlwt and by hand; refusing damaged, hostile
// and encrypted ones with a message that names the file and the problem; and a kit of hostile
// inputs that must be refused, or read, within the memory ceiling.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "office/common/xml_pull.h"
#include "office/spreadsheet/file_io.h"
#include "office/spreadsheet/xlsx/xlsx_reader.h"
#include "office/spreadsheet/xlsx/xlsx_writer.h"
#include "support/engine_support.h"
#include "support/os_support.h"
#include "support/require.h"
#include "text/text.h"
#include "tqtool/types.h"

namespace fs = std::filesystem;
using namespace tq::office;

namespace {

// Runs one of the generators of tests/fuzz/ with the given arguments.
void generate(const char* script, const std::vector<std::string>& args) {
    std::string argv = "sys.argv[1:2]";
    for (const std::string& a : args) argv += " + ['" + a + "']";
    tqtest::RunPython("import runpy, sys\nsys.argv = " + argv +
                          "\nrunpy.run_path(sys.argv[0], run_name='__main__')\n",
                      std::string(TQTEST_SOURCE_DIR) + "/tests/fuzz/" + script);
}

class Xlsx : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* m : {"openpyxl", "xlsxwriter", "xlwt"})
            TQ_REQUIRE(tqtest::HavePythonModule(m), std::string("python3-") + m);
        if (!dir_) {
            dir_ = std::make_unique<ostest::TempDir>();
            generate("make_fixtures.py", {dir_->path()});
        }
    }
    static std::string file(const std::string& name) { return dir_->path() + "/" + name; }

    static std::unique_ptr<BookModel> read(const std::string& name) {
        Workbook wb;
        LoadWorkbook(file(name), wb);
        return std::make_unique<BookModel>(std::move(wb));
    }
    // The text form of a cell ("B2"), or "<none>" when the sheet holds no cell there.
    static std::string text(BookModel& b, size_t sheet, const char* ref) {
        uint32_t r = 0, c = 0;
        EXPECT_EQ(ParseCellRef(ref, r, c), RefParse::Ok) << ref;
        const Cell* cell = FindCell(b.wb.sheets.at(sheet), r, c);
        return cell ? CellText(b, *cell) : "<none>";
    }
    static const Style& style(BookModel& b, size_t sheet, uint32_t r, uint32_t c) {
        return b.wb.styles.at(EffectiveStyle(b.wb.sheets.at(sheet), r, c));
    }

    static std::unique_ptr<ostest::TempDir> dir_;
};
std::unique_ptr<ostest::TempDir> Xlsx::dir_;

// Each sheet's cells as "ref=text" separated by '|'; "<none>" where the sheet holds no cell.
// openpyxl: G2 is a formula without a cached value. XlsxWriter: cached formula results, a hidden
// sheet, control characters through _xHHHH_ escapes. By hand (1904 date system): shared, rich
// (runs joined, phonetic guides left out) and inline strings, cells and rows without numbers
// following the ones before, an ISO date cell as a serial, a built-in Chinese date format, rows
// out of order and given twice (the later of two cells wins).
TEST_F(Xlsx, CellsReadAsTheirTextForms) {
    struct {
        const char* file;
        size_t sheet;
        const char* cells;
    } sheets[] = {
        {"openpyxl_basic.xlsx", 1,
         "A1=\xe6\xa0\x87\xe9\xa2\x98|A2=1.5|B2=TRUE|C2=#N/A|D2=-0.000123|E2=1E+20|F2=FALSE|"
         "G2=<none>|A3=2024/1/31 12:00:00|B3=2020/2/29|C3=1234.5|XFD1048576=far|"
         "D4=a & b <c> \"q\" 'x' \xe7\xa4\xac\xe7\xa3\xa1\xe7\x9f\xa6"},
        {"openpyxl_basic.xlsx", 2, "B2=x"},
        {"openpyxl_1904.xlsx", 0, "A1=2024/1/31"},
        {"xlsxwriter_rich.xlsx", 0,
         "A1=\xe7\xba\xa2\xe8\x89\xb2\xe6\x99\xae\xe9\x80\x9a\xe5\xb0\xbe|A2=2|A3=abc|A4=#DIV/0!|"
         "A5=TRUE|B1=FALSE|B2=2000/1/1 6:00:00|A6=tab\tcr\rlf\n"},
        {"xlsxwriter_rich.xlsx", 1, "A1=1"},
        {"hand_made.xlsx", 0,
         "A1=\xe5\x85\xb1\xe4\xba\xab|B1=\xe7\xb2\x97 \xe4\xbd\x93|C1=\xe5\x86\x85\xe8\x81\x94|"
         "D1=<none>|E1=TRUE|F1=#DIV/0!|A2=-0.0015|"
         "B2=\xe5\x85\xac\xe5\xbc\x8f\xe7\xbb\x93\xe6\x9e\x9c|D2=|E2=43860.5|F2=line\r\nbreak|"
         "G2=_x0041_ and A|H2=<&>\"'\xe4\xb8\xad\xe6\x96\x87|I2=a&b|J2=|K2=<raw & data>|"
         "L2=2028/2/1|A3=7|A5=11|B5=2|C5=33"},
        {"prefixed.xlsx", 0, "B2=p"},
        {"xlwt_basic.xls", 0, "A1=\xe6\xa0\x87\xe9\xa2\x98\xe7\xa4\xac|A3=2024/1/31"},  // .xls
        {"xlwt_basic.xls", 1, "D6=x"},
    };
    for (const auto& sh : sheets) {
        auto b = read(sh.file);
        std::string_view rest = sh.cells;
        while (!rest.empty()) {
            std::string_view item = rest.substr(0, rest.find('|'));
            rest.remove_prefix(std::min(rest.size(), item.size() + 1));
            std::string ref(item.substr(0, item.find('=')));
            EXPECT_EQ(text(*b, sh.sheet, ref.c_str()), item.substr(ref.size() + 1))
                << sh.file << " " << ref;
        }
    }
}

TEST_F(Xlsx, SheetsFormatsAndLayout) {
    auto op = read("openpyxl_basic.xlsx");
    std::vector<std::string> names;
    for (const Sheet& s : op->wb.sheets) names.push_back(s.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Sheet3", "\xe6\x95\xb0\xe6\x8d\xae\xe8\xa1\xa8",
                                               "\xe7\xac\xac\xe4\xba\x8c\xe9\xa1\xb5"}));
    const Sheet& s = op->wb.sheets[1];
    const Style& d4 = style(*op, 1, 3, 3);
    EXPECT_EQ(d4, (Style{"General", kAlignCenter, kAlignCenter, true, "\xe5\xae\x8b\xe4\xbd\x93",
                         14, true, false, true, 0x332211u}));
    EXPECT_EQ(style(*op, 1, 2, 1).numFmt, "yyyy\"\xe5\xb9\xb4\"m\"\xe6\x9c\x88\"d\"\xe6\x97\xa5\"");
    EXPECT_EQ(s.merges, (std::vector<MergeArea>{{0, 0, 0, 2}}));
    EXPECT_NEAR(ColumnWidth(s, 1), 19.29, 0.005);  // a file width of 20 shows as 19.29
    EXPECT_EQ(FindRow(s, 3)->height, 30);
    EXPECT_EQ(s.rows.size(), 5u);  // the far corner is one cell, not a grid

    auto xw = read("xlsxwriter_rich.xlsx");
    EXPECT_EQ(style(*xw, 0, 2, 1), (Style{"0.000", kAlignRight, kAlignTop, false, "Arial", 9, false,
                                          false, true, 0x00FF00u}));
    EXPECT_EQ(xw->wb.sheets[0].merges, (std::vector<MergeArea>{{0, 2, 1, 3}}));
    EXPECT_EQ(style(*xw, 0, 1, 3).hAlign, kAlignCenter);  // merged cells keep the format
    EXPECT_DOUBLE_EQ(ColumnWidth(xw->wb.sheets[0], 3), 15);

    auto hm = read("hand_made.xlsx");
    EXPECT_TRUE(hm->wb.date1904);
    EXPECT_EQ(hm->wb.sheets[0].name, "\xe5\x90\x8e");  // workbook order, not part order
    const Sheet& h = hm->wb.sheets[0];
    EXPECT_EQ(
        style(*hm, 0, 1, 11),
        (Style{"yyyy\"\xe5\xb9\xb4\"m\"\xe6\x9c\x88\"d\"\xe6\x97\xa5\"", kAlignRight, kAlignTop,
               false, "\xe9\xbb\x91\xe4\xbd\x93", 16, true, true, true, 0x0000FFu}));
    EXPECT_EQ(FindRow(h, 4)->height, 25);
    EXPECT_GE(FindRow(h, 6)->style, 1);  // a formatted, empty row is kept
    EXPECT_EQ(FindRow(h, 7), nullptr);   // an empty row is not
    // Overlapping and single-cell areas dropped, reversed corners put in order.
    EXPECT_EQ(h.merges, (std::vector<MergeArea>{{9, 0, 10, 1}, {18, 4, 19, 5}}));
    EXPECT_DOUBLE_EQ(ColumnWidth(h, 2), 12);
    EXPECT_GE(InheritedStyle(h, 100, 4), 1u);  // a column format
    EXPECT_DOUBLE_EQ(h.defaultRowHeight, 13.5);
}

TEST_F(Xlsx, BuiltinNumberFormatsShowTheirKind) {
    // builtin_formats.xlsx: row k holds 45000.25 in the k-th of these ids.
    std::vector<int> ids;
    for (int i = 0; i < 60; ++i) ids.push_back(i);
    ids.insert(ids.end(), {163, 164});
    const char* kDate = "2023/3/15 6:00:00";
    struct {
        int first, last;
        const char* text;
    } kinds[] = {{0, 13, "45000.25"},  {14, 22, kDate},      {23, 26, "45000.25"},
                 {27, 36, kDate},      {37, 44, "45000.25"}, {45, 47, kDate},
                 {48, 49, "45000.25"}, {50, 58, kDate},      {59, 164, "45000.25"}};
    auto b = read("builtin_formats.xlsx");
    for (size_t k = 0; k < ids.size(); ++k) {
        for (const auto& kind : kinds) {
            if (ids[k] < kind.first || ids[k] > kind.last) continue;
            uint32_t row = static_cast<uint32_t>(k);
            EXPECT_EQ(CellText(*b, *FindCell(b->wb.sheets[0], row, 0)), kind.text)
                << "id " << ids[k] << " " << style(*b, 0, row, 0).numFmt;
        }
    }
    // Codes as the Chinese spreadsheet shows them for the East Asian ids.
    EXPECT_EQ(style(*b, 0, 31, 0).numFmt, "yyyy\"\xe5\xb9\xb4\"m\"\xe6\x9c\x88\"d\"\xe6\x97\xa5\"");
    EXPECT_EQ(
        style(*b, 0, 55, 0).numFmt,
        "\xe4\xb8\x8a\xe5\x8d\x88/\xe4\xb8\x8b\xe5\x8d\x88h\"\xe6\x97\xb6\"mm\"\xe5\x88\x86\"");
    EXPECT_EQ(style(*b, 0, 47, 0).numFmt, "mm:ss.0");
    EXPECT_EQ(style(*b, 0, 5, 0).numFmt, "\"$\"#,##0_);(\"$\"#,##0)");
}

TEST_F(Xlsx, SheetKindsAndByteOrderMarks) {
    auto b = read("kinds_bom.xlsx");
    std::vector<SheetKind> kinds;
    for (const Sheet& s : b->wb.sheets) kinds.push_back(s.kind);
    EXPECT_EQ(kinds,
              (std::vector<SheetKind>{SheetKind::Worksheet, SheetKind::Chart, SheetKind::Macro,
                                      SheetKind::Dialog, SheetKind::Chart}));
    EXPECT_EQ(b->wb.sheets[4].name, "Chart2");  // its kind known from its content type only
    EXPECT_EQ(text(*b, 0, "A1"), "bom");
    EXPECT_EQ(text(*b, 2, "B2"), "7");  // macro sheets hold cells
}

TEST(IsoDates, FollowTheSerialRulesOfBothDateSystems) {
    struct {
        const char* iso;
        bool date1904;
        double serial;
    } dates[] = {
        {"1900-01-01", false, 1},
        {"1900-02-28", false, 59},
        {"1900-03-01", false, 61},
        {"2024-01-31T12:00:00Z", false, 45322.5},
        {"06:00:00", false, 0.25},
        {"06:00:00", true, 0.25},
        {"1904-01-01", true, 0},
        {"1900-01-01", true, -1460},  // no phantom day in 1904
        {"2024-01-31 06:00:30.5", true, 43860.25 + 30.5 / 86400},
    };
    for (const auto& d : dates) {
        double serial = -1;
        ASSERT_TRUE(IsoDateToSerial(d.iso, d.date1904, serial)) << d.iso;
        EXPECT_DOUBLE_EQ(serial, d.serial) << d.iso << " 1904: " << d.date1904;
    }
    for (const char* bad : {"2024-13-01", "2023-02-29", "24:61", "2024-01-31T", "noon"}) {
        double serial = 0;
        EXPECT_FALSE(IsoDateToSerial(bad, false, serial)) << bad;
    }
}

TEST_F(Xlsx, DamagedHostileAndEncryptedFilesAreRefused) {
    struct {
        const char* file;
        const char* problem;
    } refused[] = {
        {"empty.xlsx", "the file is empty"},
        {"not_a_zip.xlsx", "not a zip archive"},
        {"truncated.xlsx", "zip archive"},
        {"compound.xlsx", "not an .xlsx package"},
        {"encrypted.xlsx", "password-protected"},
        {"encrypted_named.xls", "password-protected"},
        {"fake.xls", ""},  // the .xls reader's own words
        {"mismatched_tags.xlsx", "</row> closes <c>"},
        {"truncated_xml.xlsx", "truncated"},
        {"unquoted_attr.xlsx", "not quoted"},
        {"deep_nesting.xlsx", "deeper than 1000 (limit maxXmlDepth)"},
        {"bad_number.xlsx", "cell A1: '12abc' is not a number"},
        {"no_sheets.xlsx", "the workbook has no sheets"},
        {"missing_part.xlsx", "the part xl/worksheets/gone.xml is missing"},
        {"no_workbook.xlsx", "not a workbook"},
        {"does_not_exist.xlsx", "No such file"},
        {"entity_expansion.xlsx", "DOCTYPE"},
        {"unknown_entity.xlsx", "unknown entity &nbsp;"},
        {"external_entity.xlsx", "invalid character reference"},
        {"absurd_sst_index.xlsx", "shared-string index 4000000000 is out of range"},
        {"row_beyond.xlsx", "row 1048577"},
        {"column_beyond.xlsx", "cell XFE1 is beyond"},
        {"too_many_columns.xlsx", "more columns"},
        {"\xe5\x9d\x8f\xe5\x8f\x82.xlsx",
         "'\xbb\xb5\xb2\xce"
         "1'"},  // 坏参1: converted once, to GBK
    };
    for (const auto& r : refused) {
        std::string path = file(r.file);
        Workbook wb;
        wb.sheets.emplace_back().name = "keep";
        try {
            if (path.ends_with(".xls"))
                LoadWorkbook(path, wb);  // the dispatch by content
            else
                ReadXlsx(path, wb);
            ADD_FAILURE() << r.file << " was read";
        } catch (const tq::AutomationError& e) {
            std::string shown = "cannot read workbook '" + tq::text::utf8ToGbk(path) + "': ";
            EXPECT_EQ(std::string(e.what()).rfind(shown, 0), 0u) << e.what();
            EXPECT_NE(std::string(e.what()).find(r.problem), std::string::npos) << e.what();
        }
        EXPECT_EQ(wb.sheets.at(0).name, "keep");  // the workbook being filled is left unchanged
    }
}

TEST_F(Xlsx, CorruptCompressedDataIsRefusedAndPrefixesNeverCrash) {
    std::string bytes = *ostest::readFile(file("openpyxl_basic.xlsx"));
    size_t at = bytes.find("xl/worksheets/sheet1.xml");  // damage the first sheet's data
    ASSERT_NE(at, std::string::npos);
    std::string damaged = bytes;
    for (size_t i = at + 40; i < at + 140 && i < damaged.size(); ++i) damaged[i] ^= 0x5A;
    Workbook wb;
    EXPECT_THROW(ReadXlsxMemory(damaged.data(), damaged.size(), "damaged.xlsx", wb),
                 tq::AutomationError);
    for (size_t n = 0; n < bytes.size(); n += 97) {
        try {
            ReadXlsxMemory(bytes.data(), n, "prefix.xlsx", wb);
        } catch (const tq::AutomationError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("cannot read workbook 'prefix.xlsx': ", 0), 0u);
        }
    }
}

TEST(XmlPull, EntitiesEscapesAndLineEnds) {
    std::string out;
    XmlPull::decode("a&amp;b&#x41;&#66;\r\nc\rd&#x1F600;", out, "p");
    EXPECT_EQ(out, "a&bAB\nc\nd\xf0\x9f\x98\x80");
    for (const char* bad : {"&", "&amp", "&#xD800;", "&#x110000;", "&#;", "&#xZZ;", "&foo;"}) {
        out.clear();
        EXPECT_THROW(XmlPull::decode(bad, out, "p"), ZipError) << bad;
    }
    std::string s = "_xD83D__xDE00_|_x0041|_x00e9_|_xDE00_";
    DecodeXEscapes(s);
    EXPECT_EQ(s, "\xf0\x9f\x98\x80|_x0041|\xc3\xa9|\xef\xbf\xbd");
    EXPECT_DOUBLE_EQ(ColumnWidthFromFile(9.140625), 8.43);
    EXPECT_DOUBLE_EQ(ColumnWidthFromFile(20.7109375), 20);
}

// ---- Hostile inputs ----

// What a forked child reports about one read.
struct Outcome {
    bool refused = false;
    char message[512] = {};
    char content[128] = {};  // a summary of what was read
    long peakGrowthKb = 0;
    double seconds = 0;
};

// Runs `work` in a forked child; a tq::AutomationError it raises is the outcome's message, what
// it returns its content.
Outcome inChild(const std::function<std::string()>& work) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe");
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        ::alarm(300);  // work that never ends fails the test instead of hanging it
        Outcome o;
        struct rusage before {};
        ::getrusage(RUSAGE_SELF, &before);
        try {
            std::snprintf(o.content, sizeof o.content, "%s", work().c_str());
        } catch (const tq::AutomationError& e) {
            o.refused = true;
            std::snprintf(o.message, sizeof o.message, "%s", e.what());
        }
        struct rusage after {};
        ::getrusage(RUSAGE_SELF, &after);
        o.peakGrowthKb = after.ru_maxrss - before.ru_maxrss;
        auto cpu = [](const rusage& u) {
            return u.ru_utime.tv_sec + u.ru_stime.tv_sec +
                   (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
        };
        o.seconds = cpu(after) - cpu(before);
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
        throw std::runtime_error("the child died (status " + std::to_string(status) + ")");
    return o;
}

std::string summary(const std::string& path) {
    Workbook wb;
    LoadWorkbook(path, wb);
    const Sheet& s = wb.sheets.at(0);
    const MergeArea* m = MergeAt(s, 99999, 1);
    return "rows=" + std::to_string(s.rows.size()) + " merges=" + std::to_string(s.merges.size()) +
           " last=" + CellName(s.rows.back().row, s.rows.back().cells.back().col) +
           " merge=" + (m ? RectName(ToRect(*m)) : "-");
}

// AddressSanitizer's shadow memory, red zones and quarantine of freed blocks (gcc names it with
// __SANITIZE_ADDRESS__, clang with __has_feature).
#if defined(__SANITIZE_ADDRESS__)
constexpr long kSanitizerFactor = 4;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr long kSanitizerFactor = 4;
#else
constexpr long kSanitizerFactor = 1;
#endif
#else
constexpr long kSanitizerFactor = 1;
#endif
constexpr long kCeilingKb = kSanitizerFactor * 256 * 1024;

TEST(HostileInputs, AreRefusedOrReadWithinTheMemoryCeiling) {
    ostest::TempDir dir;
    tq::Limits lim = tq::GetLimits();
    generate("make_hostile.py",
             {dir.path(), std::to_string(lim.maxCells), std::to_string(lim.maxTextBytes)});
    auto noRatio = [](tq::Limits& l, uint64_t part, uint64_t package) {
        l.maxInflateRatio = 1u << 30;
        l.maxPartBytes = part;
        l.maxPackageBytes = package;
    };
    struct {
        const char* file;
        const char* refusal;  // nullptr: read, and `content` is what it holds
        const char* content;
        std::function<void(tq::Limits&)> limits = nullptr;
    } cases[] = {
        {"bomb_cells.xlsx", "limit maxInflateRatio", nullptr},
        {"bomb_cells.xlsx", "limit maxPartBytes", nullptr,
         [&](tq::Limits& l) { noRatio(l, 16 << 20, 1 << 30); }},
        {"bomb_cells.xlsx", "limit maxPackageBytes", nullptr,
         [&](tq::Limits& l) { noRatio(l, 1 << 30, 16 << 20); }},
        {"bomb_strings.xlsx", "limit maxInflateRatio", nullptr},
        {"text_over_budget.xlsx", "limit maxTextBytes", nullptr},
        {"cells_over_budget.xlsx", "limit maxCells", nullptr},
        {"fifo.xlsx", "not a regular file", nullptr},
        {"zero.csv", "not a regular file", nullptr},
        {"folder.xlsx", "it is a folder", nullptr},
        {"far_cells.xlsx", nullptr, "rows=2 merges=0 last=XFD1048576 merge=-"},
        {"claims_4gb.xlsx", nullptr, "rows=1 merges=0 last=A1 merge=-"},
        {"merges_1e6.xlsx", nullptr, "rows=1 merges=1000000 last=A1 merge=A100000:B100000"},
    };
    for (const auto& c : cases) {
        std::string path = dir.path() + "/" + c.file;
        Outcome o = inChild([&] {
            tq::Limits l = tq::GetLimits();
            if (c.limits) c.limits(l);
            tq::SetLimits(l);  // in the child only
            return summary(path);
        });
        std::printf("%-24s %-8s peak +%6.1f MB %6.2f s cpu  %s\n", c.file,
                    o.refused ? "refused" : "read", o.peakGrowthKb / 1024.0, o.seconds,
                    o.refused ? o.message : o.content);
        EXPECT_LT(o.peakGrowthKb, kCeilingKb) << c.file;
        if (c.refusal) {
            EXPECT_EQ(std::string(o.message).rfind("cannot read workbook '" + path + "': ", 0), 0u)
                << o.message;
            EXPECT_NE(std::string(o.message).find(c.refusal), std::string::npos) << o.message;
        } else {
            EXPECT_STREQ(o.content, c.content) << o.message;
        }
    }
}

// Small sheets are written without the constant-memory mode's tables of 128 KB per sheet.
TEST(XlsxWriter, ManySmallSheetsCostKilobytesEach) {
    ostest::TempDir dir;
    std::string path = dir.path() + "/many.xlsx";
    Outcome o = inChild([&] {
        BookModel b;
        for (int i = 0; i < 5000; ++i) {
            Sheet& s = b.wb.sheets.emplace_back();
            s.name = "S" + std::to_string(i);
            SetString(b, s, 0, 0, "name");
            SetNumber(b, s, 0, 1, i);
        }
        WriteXlsx(b, path);
        return std::string("written");
    });
    EXPECT_STREQ(o.content, "written") << o.message;
    std::printf("5000 two-cell sheets: peak +%.1f MB, %.2f s cpu\n", o.peakGrowthKb / 1024.0,
                o.seconds);
    EXPECT_LT(o.peakGrowthKb, kSanitizerFactor * 5000 * 32);
    EXPECT_EQ(tqtest::RunPython(
                  "import sys, openpyxl\nwb = openpyxl.load_workbook(sys.argv[1], read_only=True)\n"
                  "print(len(wb.sheetnames), wb['S4999']['A1'].value, wb['S4999']['B1'].value)",
                  path),
              "5000 name 4999\n");
}

}  // namespace
