// Reading workbooks written by openpyxl, XlsxWriter, xlwt and by hand; refusing damaged, hostile
// and encrypted ones with a message that names the file and the problem; and a kit of hostile
// inputs that must be refused, or read, within the memory ceiling.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "office/common/xml_pull.h"
#include "office/spreadsheet/file_io.h"
#include "office/spreadsheet/xlsx/xlsx_reader.h"
#include "office/spreadsheet/xlsx/xlsx_writer.h"
#include "support/book_lines.h"
#include "support/child_run.h"
#include "support/engine_support.h"
#include "support/golden.h"
#include "support/os_support.h"
#include "support/require.h"
#include "text/text.h"
#include "tqtool/types.h"

using namespace tq::office;

namespace {

// Runs one of the generators of tests/fuzz/ with the given arguments.
void generate(const std::string& scriptAndArguments) {
    const std::string command =
        TQTEST_PYTHON " " TQTEST_SOURCE_DIR "/tests/fuzz/" + scriptAndArguments;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

class Xlsx : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* m : {"openpyxl", "xlsxwriter", "xlwt"})
            TQ_REQUIRE(tqtest::HavePythonModule(m), std::string("python3-") + m);
        if (!dir_) {
            dir_ = std::make_unique<ostest::TempDir>();
            generate("make_fixtures.py " + dir_->path());
        }
    }
    static std::string file(const std::string& name) { return dir_->path() + "/" + name; }

    static std::unique_ptr<BookModel> read(const std::string& name) {
        Workbook wb;
        LoadWorkbook(file(name), wb);
        return std::make_unique<BookModel>(std::move(wb));
    }
    static const Style& style(BookModel& b, size_t sheet, uint32_t r, uint32_t c) {
        return b.wb.styles.at(EffectiveStyle(b.wb.sheets.at(sheet), r, c));
    }

    static std::unique_ptr<ostest::TempDir> dir_;
};
std::unique_ptr<ostest::TempDir> Xlsx::dir_;

// Every fixture read: its cells and merged areas as lines (support/book_lines.h), or the part of
// its refusal after "cannot read workbook 'PATH': ", as tests/golden/xlsx_fixtures.txt lists
// them (support/golden.h). A refused read leaves the workbook being
// filled as it was. .xlsx files go to the .xlsx reader itself, others through the dispatch by
// content.
TEST_F(Xlsx, EveryFixtureReadsOrIsRefusedAsExpected) {
    std::vector<std::string> names{"does_not_exist.xlsx"};
    for (const auto& e : std::filesystem::directory_iterator(dir_->path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string all;
    for (const std::string& name : names) {
        Workbook wb;
        wb.sheets.emplace_back().name = "keep";
        try {
            name.ends_with(".xlsx") ? ReadXlsx(file(name), wb) : LoadWorkbook(file(name), wb);
            for (const std::string& line : tqtest::BookLines(name, std::move(wb)))
                all += line + "\n";
        } catch (const tq::AutomationError& e) {
            const std::string shown =
                "cannot read workbook '" + tq::text::utf8ToGbk(file(name)) + "': ";
            EXPECT_EQ(std::string(e.what()).rfind(shown, 0), 0u) << e.what();
            EXPECT_EQ(wb.sheets.size(), 1u) << name;
            all += name + "\trefused\t" +
                   tq::text::gbkToUtf8(std::string(e.what()).substr(shown.size())) + "\n";
        }
    }
    tqtest::ExpectGolden("xlsx_fixtures.txt", all);
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
    EXPECT_NE(FindCell(h, 1, 3), nullptr);  // D2: formatted, empty
    EXPECT_GE(FindRow(h, 6)->style, 1);     // a formatted, empty row is kept
    EXPECT_EQ(FindRow(h, 7), nullptr);      // an empty row is not
    // Overlapping and single-cell areas dropped, reversed corners put in order.
    EXPECT_EQ(h.merges, (std::vector<MergeArea>{{9, 0, 10, 1}, {18, 4, 19, 5}}));
    EXPECT_DOUBLE_EQ(ColumnWidth(h, 2), 12);
    EXPECT_GE(InheritedStyle(h, 100, 4), 1u);  // a column format
    EXPECT_DOUBLE_EQ(h.defaultRowHeight, 13.5);
}

// The text each built-in format gives is in tests/golden/xlsx_fixtures.txt; row k of
// builtin_formats.xlsx has format id k.
TEST_F(Xlsx, BuiltinNumberFormatCodes) {
    auto b = read("builtin_formats.xlsx");
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
    EXPECT_EQ(CellText(*b, *FindCell(b->wb.sheets[2], 1, 1)), "7");  // macro sheets hold cells
}

TEST(IsoDates, FollowTheSerialRulesOfBothDateSystems) {
    struct {
        const char* iso;
        bool date1904;
        double serial;
    } dates[] = {{"1900-01-01", false, 1},
                 {"1900-02-28", false, 59},
                 {"1900-03-01", false, 61},
                 {"2024-01-31T12:00:00Z", false, 45322.5},
                 {"06:00:00", false, 0.25},
                 {"06:00:00", true, 0.25},
                 {"1904-01-01", true, 0},
                 {"1900-01-01", true, -1460},  // no phantom day in 1904
                 {"2024-01-31 06:00:30.5", true, 43860.25 + 30.5 / 86400}};
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

TEST_F(Xlsx, CorruptCompressedDataIsRefused) {
    std::string bytes = *ostest::readFile(file("openpyxl_basic.xlsx"));
    const size_t at = bytes.find("xl/worksheets/sheet1.xml");  // the first sheet's data follows
    ASSERT_NE(at, std::string::npos);
    for (size_t i = at + 40; i < at + 140 && i < bytes.size(); ++i) bytes[i] ^= 0x5A;
    Workbook wb;
    EXPECT_THROW(ReadXlsxMemory(bytes.data(), bytes.size(), "damaged.xlsx", wb),
                 tq::AutomationError);
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
}

// ---- Hostile inputs ----

std::string summary(const std::string& path) {
    Workbook wb;
    LoadWorkbook(path, wb);
    const Sheet& s = wb.sheets.at(0);
    const MergeArea* m = MergeAt(s, 99999, 1);
    return "rows=" + std::to_string(s.rows.size()) + " merges=" + std::to_string(s.merges.size()) +
           " last=" + CellName(s.rows.back().row, s.rows.back().cells.back().col) +
           " merge=" + (m ? RectName(ToRect(*m)) : "-");
}

constexpr long kCeilingKb = tqtest::kSanitizerFactor * 256 * 1024;

TEST(HostileInputs, AreRefusedOrReadWithinTheMemoryCeiling) {
    ostest::TempDir dir;
    tq::Limits lim = tq::GetLimits();
    generate("make_hostile.py " + dir.path() + " " + std::to_string(lim.maxCells) + " " +
             std::to_string(lim.maxTextBytes));
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
        {"merges_1e6.xlsx", nullptr, "rows=1 merges=1000000 last=A1 merge=A100000:B100000"}};
    for (const auto& c : cases) {
        std::string path = dir.path() + "/" + c.file;
        tqtest::ChildRun o = tqtest::RunInChild([&] {
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
    tqtest::ChildRun o = tqtest::RunInChild([&] {
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
    EXPECT_LT(o.peakGrowthKb, tqtest::kSanitizerFactor * 5000 * 32);
    EXPECT_EQ(tqtest::RunPython(
                  "import sys, openpyxl\nwb = openpyxl.load_workbook(sys.argv[1], read_only=True)\n"
                  "print(len(wb.sheetnames), wb['S4999']['A1'].value, wb['S4999']['B1'].value)",
                  path),
              "5000 name 4999\n");
}

}  // namespace
