// The .xls engine against independent programs: fixtures written by xlwt, LibreOffice, Gnumeric
// and a small BIFF builder (tests/xls_fixtures.py) are read and compared cell by cell with xlrd;
// workbooks the engine writes are read back by xlrd and LibreOffice; damaged, encrypted and
// hostile files are refused naming the file, and a file claiming a huge sheet costs no memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <sstream>

#include "office/spreadsheet/file_io.h"
#include "office/spreadsheet/xls/xls_reader.h"
#include "office/spreadsheet/xls/xls_writer.h"
#include "office/spreadsheet/xlsx/xlsx_reader.h"
#include "support/book_lines.h"
#include "support/child_run.h"
#include "support/os_support.h"
#include "support/require.h"
#include "text/text.h"
#include "tool/tool_api.h"
#include "tqtool/excel.h"
#include "tqtool/limits.h"

namespace fs = std::filesystem;
using namespace tq::office;
using Lines = std::vector<std::string>;

namespace {

const std::string kCn =
    "\xe9\x81\x93\xe8\xb7\xaf\xe6\xb5\x8b\xe9\x87\x8f\xe7\xa4\xac";  // 道路测量礬

std::string run(const std::string& cmd) {
    std::string out;
    if (FILE* p = ::popen(cmd.c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        EXPECT_EQ(::pclose(p), 0) << cmd;
    }
    return out;
}

std::string py(const std::string& script) {
    return std::string(TQTEST_PYTHON) + " " + TQTEST_SOURCE_DIR + "/tests/" + script;
}

// What xlrd (or openpyxl for .xlsx) sees, one line per value and merged area, grouped by file.
std::map<std::string, Lines> independentView(const std::vector<std::string>& files) {
    std::string cmd = py("xls_dump.py");
    for (const auto& f : files) cmd += " '" + f + "'";
    std::map<std::string, Lines> out;
    std::string all = run(cmd), line;
    for (std::istringstream in(all); std::getline(in, line);)
        out[line.substr(0, line.find('\t'))].push_back(line);
    for (auto& [f, lines] : out) std::sort(lines.begin(), lines.end());
    return out;
}

// The lines only one side has ("- " the engine's, "+ " the other reader's); empty when equal.
std::string difference(const Lines& engine, const Lines& other) {
    Lines only, extra;
    std::set_difference(engine.begin(), engine.end(), other.begin(), other.end(),
                        std::back_inserter(only));
    std::set_difference(other.begin(), other.end(), engine.begin(), engine.end(),
                        std::back_inserter(extra));
    std::string out;
    for (const auto& l : only) out += "- " + l + "\n";
    for (const auto& l : extra) out += "+ " + l + "\n";
    return out;
}

Workbook readXls(const std::string& path) {
    Workbook wb;
    ReadXls(path, wb);
    return wb;
}

const Cell& at(const Workbook& wb, size_t sheet, uint32_t r, uint32_t c) {
    const Cell* cell = FindCell(wb.sheets.at(sheet), r, c);
    if (!cell) throw std::runtime_error("no cell at " + CellName(r, c));
    return *cell;
}

class Xls : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<ostest::TempDir>();
        ASSERT_EQ(std::system((py("xls_fixtures.py") + " " + dir_->path()).c_str()), 0);
    }
    static void TearDownTestSuite() { dir_.reset(); }
    static std::string file(const std::string& name) { return dir_->path() + "/" + name; }
    static void requireWriters() {
        TQ_REQUIRE(tqtest::HavePythonModule("xlrd"), "python3-xlrd");
        TQ_REQUIRE(tqtest::HavePythonModule("xlwt"), "python3-xlwt");
        TQ_REQUIRE(tqtest::HaveProgram("soffice"), "libreoffice-calc-nogui");
        TQ_REQUIRE(tqtest::HaveProgram("ssconvert"), "gnumeric");
    }
    static inline std::unique_ptr<ostest::TempDir> dir_;
};

TEST_F(Xls, EveryFixtureReadsAsXlrdReadsIt) {
    requireWriters();
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(dir_->path()))
        if (e.path().filename().string().rfind("bad_", 0) != 0) files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    for (const char* writer : {"xlwt_", "lo_", "gnm8_", "gnm5_", "hb_"})
        EXPECT_TRUE(std::any_of(files.begin(), files.end(),
                                [&](const std::string& f) {
                                    return fs::path(f).filename().string().rfind(writer, 0) == 0;
                                }))
            << "no fixture from " << writer;
    auto theirs = independentView(files);
    for (const auto& f : files) {
        std::string name = fs::path(f).filename().string();
        SCOPED_TRACE(name);
        EXPECT_FALSE(theirs[name].empty());
        EXPECT_EQ(difference(tqtest::BookLines(name, readXls(f)), theirs[name]), "");
    }
}

TEST_F(Xls, ValuesKeepTheirKindAndFormatsTheirParts) {
    requireWriters();
    Workbook hb = readXls(file("hb_records.xls"));
    EXPECT_EQ(at(hb, 0, 2, 1).type, CellType::Bool);  // formula results: boolean, error, text
    EXPECT_EQ(at(hb, 0, 2, 2).type, CellType::Error);
    EXPECT_EQ(at(hb, 0, 2, 2).error, 2042);
    EXPECT_EQ(hb.strings[at(hb, 0, 2, 0).str], "\xe5\x85\xac\xe5\xbc\x8f\xe7\xbb\x93\xe6\x9e\x9c");
    EXPECT_EQ(at(hb, 0, 3, 1).type, CellType::Error);  // BOOLERR
    EXPECT_EQ(at(hb, 0, 3, 2).type, CellType::Empty);  // MULBLANK: formatted empty cells
    ASSERT_EQ(hb.sheets.size(), 3u);
    EXPECT_EQ(hb.sheets[1].kind, SheetKind::Chart);
    EXPECT_EQ(hb.sheets[2].kind, SheetKind::Dialog);

    Workbook xw = readXls(file("xlwt_survey.xls"));
    const Style& title = xw.styles[at(xw, 0, 0, 0).style];
    EXPECT_EQ(title.fontName, "SimSun");
    EXPECT_EQ(title.fontSize, 14);
    EXPECT_TRUE(title.bold && title.italic && title.wrap && title.hasFill);
    EXPECT_EQ(title.fillColor, 0x00FFFFu);  // yellow, as 0x00BBGGRR
    EXPECT_EQ(title.hAlign, kAlignCenter);
    EXPECT_EQ(title.vAlign, kAlignTop);
    EXPECT_EQ(ColumnWidth(xw.sheets[0], 0), ColumnWidthFromFile(20));
    EXPECT_EQ(FindRow(xw.sheets[0], 1)->height, 30);
    EXPECT_EQ(xw.sheets[1].name, "Hidden");

    Workbook lo = readXls(file("lo_formats.xls"));
    EXPECT_TRUE(lo.date1904);
    EXPECT_EQ(lo.styles[at(lo, 0, 3, 1).style].numFmt, "@");
    EXPECT_EQ(lo.strings[at(lo, 0, 3, 1).str], "0012");
}

TEST_F(Xls, ASheetClaimingAllRowsAndColumnsCostsOnlyItsCells) {
    Workbook wb = readXls(file("hb_dimensions.xls"));
    EXPECT_EQ(RectName(UsedRange(wb.sheets[0])), "A1:IV65536");
    size_t cells = 0;
    for (const Row& r : wb.sheets[0].rows) cells += r.cells.size();
    EXPECT_EQ(cells, 4u);
    tqtest::ChildRun o = tqtest::RunInChild([] {
        readXls(file("hb_dimensions.xls"));
        return std::string();
    });
    EXPECT_LT(o.peakGrowthKb, tqtest::kSanitizerFactor * 20 * 1024) << o.message;
}

TEST_F(Xls, DamagedEncryptedAndHostileFilesAreRefusedNamingTheFile) {
    struct Case {
        std::string file, problem;
        tq::Limits limits;
    };
    tq::Limits few = tq::GetLimits(), little = few;
    few.maxCells = 5;
    little.maxTextBytes = 10;
    std::vector<Case> cases = {{"bad_encrypted.xls", "password-protected", tq::GetLimits()},
                               {"bad_loop.xls", "a sector chain loops", tq::GetLimits()},
                               {"bad_truncated.xls", "runs past the stream's end", tq::GetLimits()},
                               {"bad_text.xls", "not an .xls workbook", tq::GetLimits()},
                               {"missing.xls", "No such file", tq::GetLimits()},
                               {"hb_records.xls", "limit maxCells", few},
                               {"hb_records.xls", "limit maxTextBytes", little}};
    tq::Limits saved = tq::GetLimits();
    for (const Case& c : cases) {
        tq::SetLimits(c.limits);
        Workbook keep;
        keep.sheets.emplace_back().name = "keep";
        try {
            ReadXls(file(c.file), keep);
            ADD_FAILURE() << c.file << " was read";
        } catch (const tq::AutomationError& e) {
            std::string msg = e.what();
            EXPECT_NE(msg.find("cannot read workbook '" + file(c.file) + "': "), std::string::npos)
                << msg;
            EXPECT_NE(msg.find(c.problem), std::string::npos) << msg;
        }
        EXPECT_EQ(keep.sheets.size(), 1u);
    }
    tq::SetLimits(saved);
}

// A workbook with every kind of value and format, merges, sizes and more shared strings than fit
// one record.
void sample(BookModel& b) {
    b.wb.sheets.resize(2);
    b.wb.sheets[0].name = "\xe6\x95\xb0\xe6\x8d\xae";  // 数据
    b.wb.sheets[1].name = "Second";
    b.assignIds();
    Sheet& s = b.wb.sheets[0];
    SetString(b, s, 0, 0, kCn);
    Merge(b, s, {0, 0, 0, 3}, false);
    ApplyFormat(
        b, s, {0, 0, 0, 0},
        [](Style& st) {
            st.fontName = "\xe5\xae\x8b\xe4\xbd\x93";  // 宋体
            st.fontSize = 16;
            st.bold = st.italic = st.wrap = st.hasFill = true;
            st.fillColor = 0x3399CC;
            st.hAlign = kAlignCenter;
            st.vAlign = kAlignTop;
        },
        "test");
    SetNumber(b, s, 1, 0, -1.5);
    SetNumber(b, s, 1, 1, 0.1 + 0.2);
    SetNumber(b, s, 1, 2, 1e20);
    SetBool(b, s, 1, 3, true);
    SetError(b, s, 1, 4, 2042);
    SetNumber(b, s, 2, 0, 45322.25);
    ApplyFormat(
        b, s, {2, 0, 2, 0}, [](Style& st) { st.numFmt = "yyyy/m/d"; }, "test");
    ApplyFormat(
        b, s, {2, 1, 2, 1}, [](Style& st) { st.numFmt = "@"; }, "test");
    SetString(b, s, 2, 1, "007");
    for (uint32_t r = 3; r < 400; ++r)
        SetString(b, s, r, 5, "line " + std::to_string(r) + " " + kCn + std::string(r % 50, 'x'));
    EditColumns(s, 0, 0, [](ColInfo& c) { c.width = 25; });
    RowAt(s, 1).height = 30;
    Merge(b, b.wb.sheets[1], {1, 1, 3, 2}, false);
    SetString(b, b.wb.sheets[1], 1, 1, "merged");
}

TEST_F(Xls, WrittenWorkbooksReadBackTheSameInXlrdLibreOfficeAndTheEngine) {
    requireWriters();
    ostest::TempDir out;
    BookModel b;
    sample(b);
    std::string path = out.path() + "/written.xls";
    WriteXls(b, path, 1);
    Lines expected = tqtest::BookLines("written.xls", std::move(b.wb));
    EXPECT_EQ(difference(expected, independentView({path})["written.xls"]), "");
    std::string home = out.path() + "/lo";
    run("HOME=" + home + " soffice -env:UserInstallation=file://" + home +
        " --headless --convert-to xlsx --outdir " + out.path() + " " + path + " 2>&1");
    Lines lo = independentView({out.path() + "/written.xlsx"})["written.xlsx"];
    for (std::string& l : lo) l.replace(0, l.find('\t'), "written.xls");
    std::sort(lo.begin(), lo.end());
    EXPECT_EQ(difference(expected, lo), "");
    EXPECT_EQ(
        run(std::string(TQTEST_PYTHON) + " -c \"import xlrd; b = xlrd.open_workbook('" + path +
            "', formatting_info=True); print([s.sheet_selected for s in b.sheets()])\""),
        "[0, 1]\n");

    Workbook back = readXls(path);
    const Style& title = back.styles[at(back, 0, 0, 0).style];
    EXPECT_EQ(title.fontName, "\xe5\xae\x8b\xe4\xbd\x93");
    EXPECT_EQ(title.fontSize, 16);
    EXPECT_TRUE(title.bold && title.italic && title.wrap && title.hasFill);
    EXPECT_EQ(title.fillColor, 0x3399CCu);
    EXPECT_EQ(title.hAlign, kAlignCenter);
    EXPECT_EQ(title.vAlign, kAlignTop);
    EXPECT_EQ(back.styles[at(back, 0, 2, 1).style].numFmt, "@");
    EXPECT_EQ(back.styles[at(back, 0, 2, 0).style].numFmt, "yyyy/m/d");
    EXPECT_EQ(ColumnWidth(back.sheets[0], 0), 25);
    EXPECT_EQ(FindRow(back.sheets[0], 1)->height, 30);
}

TEST_F(Xls, SheetsBeyondTheFormatAreRefusedAndTheOldFileStays) {
    ostest::TempDir out;
    std::string path = out.path() + "/old.xls";
    ostest::writeFile(path, "old contents");
    auto refused = [&](const std::function<void(BookModel&, Sheet&)>& make, const char* why) {
        BookModel b;
        sample(b);
        make(b, b.wb.sheets[0]);
        try {
            WriteXls(b, path);
            ADD_FAILURE() << why;
        } catch (const tq::AutomationError& e) {
            EXPECT_NE(std::string(e.what()).find("cannot write '" + path + "'"), std::string::npos);
            EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
        }
    };
    refused([&](BookModel& b, Sheet& s) { SetNumber(b, s, 65536, 0, 1); }, "at most 65,536 rows");
    refused([&](BookModel& b, Sheet& s) { SetNumber(b, s, 0, 256, 1); }, "at most 256 columns");
    refused([&](BookModel& b, Sheet& s) { SetString(b, s, 5, 0, std::string(32768, 'a')); },
            "at most 32,767");
    refused([&](BookModel&, Sheet& s) { s.name = std::string(32, 'n'); }, "1 to 31 characters");
    EXPECT_EQ(ostest::readFile(path), "old contents");
    EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), fs::directory_iterator()), 1);
}

TEST_F(Xls, TemplatesSavesAndConversionGoThroughTheXlsWriter) {
    requireWriters();
    ostest::TempDir out;
    ostest::ScopedEnv noDesktop("TQTOOL_OFFICE_OPEN", "0");
    // open(false) takes the .xls as template; save() writes the same path as .xls.
    std::string path = out.path() + "/book.xls";
    fs::copy_file(file("xlwt_survey.xls"), path);
    tq::CTqExcel excel(path);
    ASSERT_TRUE(excel.open(false));
    tq::TableSet tables{{{"a", "b"}, {"1", "2"}}};
    ASSERT_TRUE(excel.ExcelTable(tables, std::vector<std::vector<tq::STqFixedCellInfo>>{{}}));
    ASSERT_TRUE(excel.save());
    excel.exit();
    Workbook saved = readXls(path);
    ASSERT_EQ(saved.sheets.size(), 1u);
    EXPECT_EQ(saved.strings[at(saved, 0, 1, 1).str], "2");

    // tqtool workbook convert a.xlsx b.xls (the program's conversion)
    std::string xlsx = out.path() + "/in.xlsx", xls = out.path() + "/out.xls";
    BookModel b;
    sample(b);
    SaveWorkbook(b, xlsx, 0);
    tq::tool::WorkbookFile(xlsx).saveAs(xls);
    Workbook viaXlsx;
    ReadXlsx(xlsx, viaXlsx);
    EXPECT_EQ(difference(tqtest::BookLines("out.xls", std::move(viaXlsx)),
                         independentView({xls})["out.xls"]),
              "");
}

}  // namespace
