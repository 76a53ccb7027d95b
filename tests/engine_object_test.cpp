// The spreadsheet engine's object model, driven through holders and dispatch identifiers as the
// library drives it.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "office/spreadsheet/engine_state.h"
#include "office/spreadsheet/excel_engine.h"
#include "support/engine_support.h"
#include "text/text.h"

using namespace tq::automation;
using namespace tqtest::xlh;

namespace {

// 青衡, and texts whose trail bytes are '\' (礬), '|' (磡) and '@' (矦).
const tq::String kQingHeng = "\xc7\xe0\xba\xe2";
const tq::String kTrailBytes = "\xb5\x5c\xb4\x7c\xb3\x40";

tq::String errorOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const tq::AutomationError& e) {
        return e.what();
    }
    return "(no error)";
}

tq::String nameOf(const Holder& sheet) {
    return VariantToString(sheet.GetProperty(xl::Worksheet_Name, VT_BSTR));
}
Holder addAfter(const Holder& sheets, const Holder& after) {
    return sheets.InvokeObject(
        xl::Sheets_Add, InvokeKind::Method,
        xl::SheetsAddArgs(Variant::Missing(), Variant::Dispatch(after.get())));
}
// Row, column, rows and columns of a range.
std::array<int32_t, 4> placeOf(const Holder& r) {
    return {r.GetProperty(xl::Range_Row, VT_I4).lVal, r.GetProperty(xl::Range_Column, VT_I4).lVal,
            Count(r.GetObject(xl::Range_Rows)), Count(r.GetObject(xl::Range_Columns))};
}
void method(const Holder& h, DISPID id, std::initializer_list<Variant> args = {}) {
    h.InvokeHelper(id, InvokeKind::Method, VT_EMPTY, args);
}

TEST(EngineObjects, DeletedSheetsRefuseCallsAndTheLastSheetStays) {
    Holder book = AddBook(NewApplication());
    Holder second = addAfter(Sheets(book), Sheet(book, 1));
    method(second, xl::Worksheet_Delete);
    EXPECT_NE(errorOf([&] { Cells(second); }).find("deleted"), std::string::npos);
    EXPECT_NE(
        errorOf([&] { method(Sheet(book, 1), xl::Worksheet_Delete); }).find("Worksheet.Delete"),
        std::string::npos);
    EXPECT_EQ(Count(Sheets(book)), 1);
    EXPECT_NE(errorOf([&] { Sheet(book, 5); }).find("Sheets.Item"), std::string::npos);
}

TEST(EngineObjects, SheetNamesAreUniqueShortAndFreeOfReservedCharacters) {
    Holder book = AddBook(NewApplication());
    Holder s1 = Sheet(book, 1), s2 = addAfter(Sheets(book), s1);
    SetName(s1, "A");
    EXPECT_EQ(errorOf([&] { SetName(s2, "a"); }),
              "Worksheet.Name: a sheet named 'a' already exists");
    SetName(s1, "a");  // its own name in another case
    for (const char* bad : {"x:y", "x\\y", "x/y", "x?y", "x*y", "x[y", "x]y", "", "'quoted'"})
        EXPECT_NE(errorOf([&] { SetName(s2, bad); }), "(no error)") << bad;
    // 31 characters at most; a double-byte character is one, and a trail byte '\' is no backslash.
    tq::String wide;
    for (int i = 0; i < 10; ++i) wide += kTrailBytes;
    SetName(s2, wide + "x");
    EXPECT_EQ(nameOf(s2), wide + "x");
    EXPECT_NE(errorOf([&] { SetName(s2, wide + "xy"); }).find("31"), std::string::npos);
}

TEST(EngineObjects, WrittenTextsBecomeNumbersOnlyWhenTheyArePlainDecimals) {
    Holder sheet = Sheet(AddBook(NewApplication()), 1);
    struct Case {
        tq::String written;
        uint16_t vt;
        tq::String text;
    };
    const Case cases[] = {{kQingHeng + kTrailBytes, VT_BSTR, kQingHeng + kTrailBytes},
                          {"12.5", VT_R8, "12.5"},
                          {"007", VT_BSTR, "007"},
                          {"123456789012345678", VT_BSTR, "123456789012345678"},
                          {"'42", VT_BSTR, "42"},
                          {"", VT_EMPTY, ""}};
    for (const Case& c : cases) {
        PutText(sheet, 1, 1, c.written);
        EXPECT_EQ(Value(Cell(sheet, 1, 1)).vt, c.vt) << c.written;
        EXPECT_EQ(Text(Cell(sheet, 1, 1)), c.text) << c.written;
    }
    // A text format, set on all cells, keeps number texts as texts.
    Cells(sheet).SetProperty(xl::Range_NumberFormat, StrVariant("@"));
    PutText(sheet, 3, 1, "12.5");
    EXPECT_EQ(Value(Cell(sheet, 3, 1)).vt, VT_BSTR);
}

TEST(EngineObjects, DateFormatsMakeDatesAndErrorValuesHaveNoText) {
    Holder sheet = Sheet(AddBook(NewApplication()), 1);
    PutValue(sheet, 1, 1, Variant::R8(45000.5));
    Cell(sheet, 1, 1)
        .SetProperty(xl::Range_NumberFormat,
                     StrVariant("[$-804]yyyy\"\xc4\xea\"m\"\xd4\xc2\" h:mm"));
    EXPECT_EQ(Value(Cell(sheet, 1, 1)).vt, VT_DATE);
    EXPECT_EQ(Text(Cell(sheet, 1, 1)), "2023/3/15 12:00:00");
    PutValue(sheet, 2, 1, Variant::Date(60));  // a date into a General cell stays a date
    EXPECT_EQ(Text(Cell(sheet, 2, 1)), "1900/2/28");
    PutValue(sheet, 3, 1, Variant::Error(static_cast<int32_t>(0x800A07D7u)));
    EXPECT_EQ(Value(Cell(sheet, 3, 1)).vt, VT_ERROR);
    EXPECT_THROW(Text(Cell(sheet, 3, 1)), tq::AutomationError);
}

TEST(EngineObjects, TheUsedRangeSpansValuesAndCellsWithFormatsOfTheirOwn) {
    Holder sheet = Sheet(AddBook(NewApplication()), 1);
    auto used = [&] { return placeOf(sheet.GetObject(xl::Worksheet_UsedRange)); };
    EXPECT_EQ(used(), (std::array{1, 1, 1, 1}));
    PutText(sheet, 3, 3, "a");
    PutText(sheet, 7, 5, "b");
    EXPECT_EQ(used(), (std::array{3, 3, 5, 3}));
    EXPECT_EQ(Text(sheet.GetObject(xl::Worksheet_UsedRange)
                       .GetObject(xl::Range_Item, {Variant::I4(1), Variant::I4(1)})),
              "a");
    // ClearContents keeps a cell's own format, Clear removes it; a whole-sheet format counts not.
    Cell(sheet, 9, 2).SetProperty(xl::Range_NumberFormat, StrVariant("0.00"));
    method(Cell(sheet, 9, 2), xl::Range_ClearContents);
    EXPECT_EQ(used(), (std::array{3, 2, 7, 4}));
    method(Cell(sheet, 9, 2), xl::Range_Clear);
    method(Cell(sheet, 7, 5), xl::Range_ClearContents);
    Cells(sheet).SetProperty(xl::Range_HorizontalAlignment, Variant::I2(-4108));
    EXPECT_EQ(used(), (std::array{3, 3, 1, 1}));
}

TEST(EngineObjects, MergingKeepsTheTopLeftValueAndGrowsToTheBoundingRectangle) {
    Holder sheet = Sheet(AddBook(NewApplication()), 1);
    auto merge = [&](int r, int c, int rows, int cols, const Variant& across) {
        method(
            Cell(sheet, r, c).GetObject(xl::Range_Resize, {Variant::I4(rows), Variant::I4(cols)}),
            xl::Range_Merge, {across});
    };
    PutText(sheet, 1, 1, "keep");
    PutText(sheet, 2, 2, "drop");
    merge(1, 1, 2, 2, Variant::I4(0));
    EXPECT_EQ(Text(Cell(sheet, 1, 1)), "keep");
    EXPECT_EQ(Text(Cell(sheet, 2, 2)), "");
    merge(2, 2, 2, 2, Variant::I4(0));  // overlaps A1:B2: A1:C3
    Holder area = Cell(sheet, 3, 3).GetObject(xl::Range_MergeArea);
    EXPECT_EQ(placeOf(area), (std::array{1, 1, 3, 3}));
    EXPECT_EQ(Cell(sheet, 2, 3).GetProperty(xl::Range_MergeCells, VT_VARIANT).boolVal,
              VARIANT_TRUE);
    EXPECT_EQ(placeOf(Cell(sheet, 5, 5).GetObject(xl::Range_MergeArea)), (std::array{5, 5, 1, 1}));
    merge(6, 1, 2, 3, Variant::Bool(true));  // across: each row on its own
    EXPECT_EQ(placeOf(Cell(sheet, 7, 2).GetObject(xl::Range_MergeArea)), (std::array{7, 1, 1, 3}));
    // A value put on a merged area goes to its top-left cell; Clear removes merged areas.
    area.SetProperty(xl::Range_Value, StrVariant(kQingHeng));
    EXPECT_EQ(Text(Cell(sheet, 1, 1)), kQingHeng);
    method(Cells(sheet), xl::Range_Clear);
    EXPECT_EQ(Cell(sheet, 1, 1).GetProperty(xl::Range_MergeCells, VT_VARIANT).boolVal,
              VARIANT_FALSE);
}

TEST(EngineObjects, ColumnWidthsAreSetAndFittedToTheirTexts) {
    Holder sheet = Sheet(AddBook(NewApplication()), 1);
    auto column = [&](int col) {
        return Cells(sheet).GetObject(xl::Range_Item, {Variant::I4(col)});
    };
    auto width = [&](int col) {
        return column(col).GetProperty(xl::Range_ColumnWidth, VT_R8).dblVal;
    };
    EXPECT_DOUBLE_EQ(width(3), 8.43);
    column(3).SetProperty(xl::Range_ColumnWidth, Variant::Int(20));
    EXPECT_DOUBLE_EQ(width(3), 20);
    EXPECT_THROW(column(3).SetProperty(xl::Range_ColumnWidth, Variant::Int(300)),
                 tq::AutomationError);
    // Eight Chinese characters are about as wide as sixteen ASCII ones; a long merged title does
    // not widen its column; line breaks make the row taller.
    PutText(sheet, 2, 1, kQingHeng + kQingHeng + kQingHeng + kQingHeng);
    PutText(sheet, 2, 2, std::string(16, 'x'));
    PutText(sheet, 1, 5, std::string(60, 'T'));
    method(Cell(sheet, 1, 5).GetObject(xl::Range_Resize, {Variant::I4(1), Variant::I4(2)}),
           xl::Range_Merge, {Variant::I4(0)});
    PutText(sheet, 3, 2, "a\nb\nc");
    method(sheet.GetObject(xl::Worksheet_Rows), xl::Range_AutoFit);
    method(sheet.GetObject(xl::Worksheet_Columns), xl::Range_AutoFit);
    EXPECT_NEAR(width(1), width(2), 0.01);
    EXPECT_GT(width(1), 15);
    EXPECT_LT(width(5), 10);
    auto height = [&](int row) {
        return Cell(sheet, row, 1).GetProperty(xl::Range_RowHeight, VT_R8).dblVal;
    };
    EXPECT_GE(height(3), 3 * height(2) - 0.5);
}

TEST(EngineObjects, UnknownMembersAreRefused) {
    Holder cell = Cell(Sheet(AddBook(NewApplication()), 1), 1, 1);
    EXPECT_EQ(errorOf([&] { method(cell, 0x7777); }), "Range.#0x7777: no such member");
}

TEST(EngineObjects, AWorkbookOpenedReadOnlyCannotReplaceItsFile) {
    ostest::TempDir dir;
    Holder app = NewApplication();
    Holder book = AddBook(app);
    PutText(Sheet(book, 1), 1, 1, kQingHeng);
    const std::string path = dir.file("\xe9\x9d\x92\xe8\xa1\xa1.xlsx");  // 青衡.xlsx
    SaveAs(book, path);
    PutText(Sheet(book, 1), 1, 1, "changed");
    Close(book);  // SaveChanges omitted: nothing saved
    Holder again = OpenBook(app, path, true);
    EXPECT_EQ(Text(Cell(Sheet(again, 1), 1, 1)), kQingHeng);
    const tq::String err = errorOf([&] { SaveAs(again, path); });
    EXPECT_NE(err.find("read-only"), std::string::npos) << err;
    SaveAs(again, dir.file("copy.xls"));
    EXPECT_TRUE(std::filesystem::exists(dir.file("copy.xls")));
}

TEST(EngineObjects, MissingAndDamagedFilesAreRefusedNamingTheFile) {
    ostest::TempDir dir;
    Holder app = NewApplication();
    EXPECT_NE(errorOf([&] { OpenBook(app, dir.file("none.xlsx"), true); }).find("none.xlsx"),
              std::string::npos);
    ostest::writeFile(dir.file("bad.xlsx"), "not a zip");
    EXPECT_NE(errorOf([&] { OpenBook(app, dir.file("bad.xlsx"), true); }).find("bad.xlsx"),
              std::string::npos);
}

// A workbook whose first sheet is a chart sheet: Worksheets lists the worksheets only, Sheets
// every sheet in order.
TEST(EngineObjects, WorksheetsLeaveOutChartSheetsThatSheetsList) {
    using namespace tq::office;
    Workbook wb;
    for (auto [name, kind] :
         {std::pair{"Chart1", SheetKind::Chart}, std::pair{"Data", SheetKind::Worksheet}}) {
        wb.sheets.emplace_back().name = name;
        wb.sheets.back().kind = kind;
    }
    auto book = std::make_shared<sheet_engine::BookState>(std::move(wb));
    Holder worksheets(sheet_engine::MakeSheets(book, true));
    Holder sheets(sheet_engine::MakeSheets(book, false));
    EXPECT_EQ(Count(worksheets), 1);
    EXPECT_EQ(sheets.GetProperty(xl::Sheets_Count, VT_I4).lVal, 2);
    EXPECT_EQ(nameOf(worksheets.GetObject(xl::Sheets_Item, {Variant::I4(1)})), "Data");
    EXPECT_EQ(nameOf(sheets.GetObject(xl::Sheets_Item, {Variant::Str(u"chart1")})), "Chart1");
    // Added after the last worksheet: the third sheet of the workbook.
    addAfter(worksheets, worksheets.GetObject(xl::Sheets_Item, {Variant::I4(1)}));
    EXPECT_EQ(book->model.wb.sheets[2].kind, SheetKind::Worksheet);
}

}  // namespace
