// Saving and opening files with the spreadsheet engine: every saved feature read back by the
// engine and by openpyxl, comma-separated files in both encodings, sparse sheets, replacing saves.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "support/engine_support.h"
#include "support/os_support.h"
#include "text/text.h"

using namespace tq::automation;
using namespace tqtest;
using namespace tqtest::xlh;
using nlohmann::json;

namespace {

const tq::String kShuJu = "\xca\xfd\xbe\xdd";          // 数据
const tq::String kSongTi = "\xcb\xce\xcc\xe5";         // 宋体
const tq::String kQingHeng = "\xc7\xe0\xba\xe2";       // 青衡
const tq::String kTrail = "\xb5\x5c\xb4\x7c\xb3\x40";  // 礬磡矦

std::string utf8(const tq::String& gbk) {
    return tq::text::gbkToUtf8(gbk);
}

Holder range(const Holder& sheet, int r, int c, int rows, int cols) {
    return Cell(sheet, r, c).GetObject(xl::Range_Resize, {Variant::I4(rows), Variant::I4(cols)});
}
void merge(const Holder& r) {
    r.InvokeHelper(xl::Range_Merge, InvokeKind::Method, VT_EMPTY, {Variant::I4(0)});
}

// Builds the workbook every round trip below saves.
Holder buildWorkbook(const Holder& app) {
    Holder book = AddBook(app);
    Holder s1 = Sheet(book, 1);
    Holder cells = Cells(s1);
    cells.SetProperty(xl::Range_HorizontalAlignment, Variant::I2(-4108));
    cells.SetProperty(xl::Range_VerticalAlignment, Variant::I2(-4108));
    PutText(s1, 1, 1, kQingHeng + " title");
    merge(range(s1, 1, 1, 1, 3));
    PutText(s1, 2, 1, "name");
    PutText(s1, 2, 2, "value");
    PutText(s1, 2, 3, "date");
    PutText(s1, 3, 1, kTrail);
    PutText(s1, 3, 2, "1234.5");
    PutValue(s1, 3, 3, Variant::R8(45000));
    Cell(s1, 3, 3).SetProperty(xl::Range_NumberFormat, StrVariant("yyyy-mm-dd"));
    Cell(s1, 3, 2).SetProperty(xl::Range_NumberFormat, StrVariant("0.00"));
    Holder font = Cell(s1, 1, 1).GetObject(xl::Range_Font);
    font.SetProperty(xl::Font_Name, StrVariant(kSongTi));
    font.SetProperty(xl::Font_Size, Variant::I2(14));
    range(s1, 3, 1, 1, 3)
        .GetObject(xl::Range_Interior)
        .SetProperty(xl::Interior_Color, Variant::UI4(65535));
    Cells(s1)
        .GetObject(xl::Range_Item, {Variant::I4(2)})
        .SetProperty(xl::Range_ColumnWidth, Variant::Int(20));
    PutText(s1, 5, 1, "a\nb");
    s1.GetObject(xl::Worksheet_Rows).InvokeHelper(xl::Range_AutoFit, InvokeKind::Method, VT_EMPTY);
    // A merged area over several rows with a cell beside its middle row.
    PutText(s1, 6, 1, "tall");
    merge(range(s1, 6, 1, 3, 1));
    PutText(s1, 7, 2, "beside");
    PutValue(s1, 8, 3, Variant::Bool(true));
    SetName(s1, kShuJu);

    Holder s2 = Sheets(book).InvokeObject(
        xl::Sheets_Add, InvokeKind::Method,
        xl::SheetsAddArgs(Variant::Missing(), Variant::Dispatch(s1.get())));
    SetName(s2, "Second");
    PutText(s2, 4, 2, "x");
    return book;
}

const char* kOpenpyxlDump = R"PY(
import json, sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.worksheets[0]
print(json.dumps({
    "sheets": wb.sheetnames, "merged": sorted(str(r) for r in ws.merged_cells.ranges),
    "values": {c.coordinate: (c.value.isoformat() if hasattr(c.value, "isoformat") else c.value)
               for row in ws.iter_rows() for c in row if c.value is not None},
    "formats": [ws["B3"].number_format, ws["C3"].number_format, ws["A2"].alignment.horizontal,
                ws["A2"].alignment.vertical, ws["A1"].font.name, ws["A1"].font.sz,
                ws["B3"].fill.fgColor.rgb],
    "sizes": [round(ws.column_dimensions["B"].width, 1), ws.row_dimensions[5].height >= 29],
    "second": {c.coordinate: c.value for row in wb.worksheets[1].iter_rows() for c in row
               if c.value is not None}}))
)PY";

// A saved workbook read back by openpyxl (the engine's own reading is the reader tests').
TEST(EngineFiles, XlsxRoundTrip) {
    ostest::TempDir dir;
    Holder app = NewApplication();
    std::string path = dir.path() + "/round.xlsx";
    SaveAs(buildWorkbook(app), path);
    json expected = {
        {"sheets", {utf8(kShuJu), "Second"}},
        {"merged", {"A1:C1", "A6:A8"}},
        {"values",
         {{"A1", utf8(kQingHeng) + " title"},
          {"A2", "name"},
          {"B2", "value"},
          {"C2", "date"},
          {"A3", utf8(kTrail)},
          {"B3", 1234.5},
          {"C3", "2023-03-15T00:00:00"},
          {"A5", "a\nb"},
          {"A6", "tall"},
          {"B7", "beside"},
          {"C8", true}}},
        {"formats", {"0.00", "yyyy-mm-dd", "center", "center", utf8(kSongTi), 14, "FFFFFF00"}},
        {"sizes", {20.7, true}},  // the file stores the width with padding
        {"second", {{"B4", "x"}}}};
    EXPECT_EQ(json::parse(RunPython(kOpenpyxlDump, path)), expected);
}

TEST(EngineFiles, CsvInBothEncodings) {
    ostest::TempDir dir;
    Holder app = NewApplication();
    std::string u = utf8(kQingHeng + kTrail);
    std::string body = u + ",1.5,\"a,b\"\r\n\"multi\nline\",007,TRUE\r\n";
    ostest::writeFile(dir.path() + "/bom.csv", "\xEF\xBB\xBF" + body);
    ostest::writeFile(dir.path() + "/plain.csv", body);
    tq::String gbkBody = kQingHeng + kTrail + ",1.5,\"a,b\"\n\"multi\nline\",007,TRUE\n";
    ostest::writeFile(dir.path() + "/gbk.csv", gbkBody);
    for (const char* name : {"bom.csv", "plain.csv", "gbk.csv"}) {
        SCOPED_TRACE(name);
        Holder book = OpenBook(app, (dir.path() + "/" + name), true);
        Holder s = Sheet(book, 1);
        EXPECT_EQ(Text(Cell(s, 1, 1)), kQingHeng + kTrail);
        EXPECT_EQ(Value(Cell(s, 1, 2)).vt, VT_R8);
        EXPECT_EQ(Text(Cell(s, 1, 3)), "a,b");
        EXPECT_EQ(Text(Cell(s, 2, 1)), "multi\nline");
        EXPECT_EQ(Text(Cell(s, 2, 2)), "007");
        EXPECT_EQ(Value(Cell(s, 2, 3)).vt, VT_BOOL);
        EXPECT_EQ(Count(s.GetObject(xl::Worksheet_UsedRange)), 6);
        std::string sheetName = name;
        sheetName.resize(sheetName.size() - 4);
        EXPECT_EQ(VariantToString(s.GetProperty(xl::Worksheet_Name, VT_BSTR)), sheetName);
        Close(book, Variant::Bool(false));
    }
    // Saving as .csv: UTF-8 with a byte-order mark, CRLF, quotes where needed.
    Holder book = OpenBook(app, dir.path() + "/gbk.csv", true);
    std::string out = dir.path() + "/out.csv";
    SaveAs(book, out);
    EXPECT_EQ(ostest::readFile(out).value_or(""), "\xEF\xBB\xBF" + body);
}

TEST(EngineFiles, SparseSheetStaysSmall) {
    ostest::TempDir dir;
    Holder app = NewApplication();
    Holder book = AddBook(app);
    Holder s = Sheet(book, 1);
    PutText(s, 1, 1, "first");
    PutText(s, 1048576, 16384, "last");
    std::string path = dir.path() + "/sparse.xlsx";
    SaveAs(book, path);
    EXPECT_LT(ostest::readFile(path).value_or("").size(), 20000u);
    std::string py = RunPython(
        "import sys, openpyxl\nws = openpyxl.load_workbook(sys.argv[1], read_only=True).active\n"
        "print(ws['A1'].value, ws['XFD1048576'].value)",
        path);
    EXPECT_EQ(py, "first last\n");
}

// Saves write a temporary file beside the target and rename it over the target when complete:
// a link keeps pointing at the replaced file, and a target that cannot be replaced is refused with
// a message naming it (in GBK) while nothing else changes.
TEST(EngineFiles, SavesReplaceTheTargetOnlyWhenComplete) {
    ostest::TempDir dir;
    Holder app = NewApplication();
    Holder book = AddBook(app);
    PutText(Sheet(book, 1), 1, 1, kShuJu);
    for (const char* ext : {".xlsx", ".csv"}) {
        SCOPED_TRACE(ext);
        std::string real = dir.path() + "/real" + ext, link = dir.path() + "/link" + ext;
        ostest::writeFile(real, "old");
        ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
        SaveAs(book, link);
        EXPECT_NE(ostest::readFile(real).value_or(""), "old");
        EXPECT_TRUE(std::filesystem::is_symlink(link));
        std::string folder = dir.path() + "/" + utf8(kShuJu) + ext;
        std::filesystem::create_directory(folder);
        try {
            SaveAs(book, folder);
            ADD_FAILURE() << "saved over a folder";
        } catch (const tq::AutomationError& e) {
            EXPECT_NE(std::string(e.what()).find("cannot write '" + dir.path() + "/" + kShuJu +
                                                 ext + "'"),
                      std::string::npos)
                << e.what();
        }
        EXPECT_TRUE(std::filesystem::is_directory(folder));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}),
                  ext[1] == 'x' ? 3 : 6);
    }
}

}  // namespace
