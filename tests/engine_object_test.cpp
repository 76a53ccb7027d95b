// The spreadsheet engine's object model, driven through holders and dispatch identifiers as the
// library drives it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "office/spreadsheet/engine_state.h"
#include "office/spreadsheet/excel_engine.h"
#include "support/engine_support.h"
#include "text/text.h"

using namespace tq::automation;
using namespace tqtest;
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

Holder usedRange(const Holder& sheet) {
    return sheet.GetObject(xl::Worksheet_UsedRange);
}
int32_t rowOf(const Holder& r) {
    return r.GetProperty(xl::Range_Row, VT_I4).lVal;
}
int32_t colOf(const Holder& r) {
    return r.GetProperty(xl::Range_Column, VT_I4).lVal;
}
int32_t rowsOf(const Holder& r) {
    return Count(r.GetObject(xl::Range_Rows));
}
int32_t colsOf(const Holder& r) {
    return Count(r.GetObject(xl::Range_Columns));
}

TEST(EngineObjects, NewWorkbookSheetsAddCountDelete) {
    Holder app = NewApplication();
    Holder book = AddBook(app);
    Holder sheets = Sheets(book);
    EXPECT_EQ(Count(sheets), 1);
    EXPECT_EQ(VariantToString(Sheet(book, 1).GetProperty(xl::Worksheet_Name, VT_BSTR)), "Sheet1");

    // Added after the last sheet, named SheetN in turn.
    for (int i = 0; i < 2; ++i) {
        Holder last = sheets.GetObject(xl::Sheets_Item, {Variant::I4(Count(sheets))});
        sheets.InvokeObject(xl::Sheets_Add, InvokeKind::Method,
                            xl::SheetsAddArgs(Variant::Missing(), Variant::Dispatch(last.get())));
    }
    ASSERT_EQ(Count(sheets), 3);
    EXPECT_EQ(VariantToString(Sheet(book, 2).GetProperty(xl::Worksheet_Name, VT_BSTR)), "Sheet2");
    EXPECT_EQ(VariantToString(Sheet(book, 3).GetProperty(xl::Worksheet_Name, VT_BSTR)), "Sheet3");

    // Without Before and After a sheet goes before the active sheet (the last one added).
    Holder s4 = sheets.InvokeObject(xl::Sheets_Add, InvokeKind::Method,
                                    xl::SheetsAddArgs(Variant::Missing(), Variant::Missing()));
    EXPECT_EQ(VariantToString(s4.GetProperty(xl::Worksheet_Name, VT_BSTR)), "Sheet4");
    EXPECT_EQ(VariantToString(Sheet(book, 3).GetProperty(xl::Worksheet_Name, VT_BSTR)), "Sheet4");

    // Deleting: a held worksheet object of a deleted sheet refuses further calls; the last sheet
    // stays.
    Holder second = Sheet(book, 2);
    second.InvokeHelper(xl::Worksheet_Delete, InvokeKind::Method, VT_EMPTY);
    EXPECT_EQ(Count(sheets), 3);
    EXPECT_NE(errorOf([&] { Cells(second); }).find("deleted"), std::string::npos);
    while (Count(sheets) > 1)
        Sheet(book, 2).InvokeHelper(xl::Worksheet_Delete, InvokeKind::Method, VT_EMPTY);
    tq::String err = errorOf(
        [&] { Sheet(book, 1).InvokeHelper(xl::Worksheet_Delete, InvokeKind::Method, VT_EMPTY); });
    EXPECT_NE(err.find("Worksheet.Delete"), std::string::npos) << err;
    EXPECT_EQ(Count(sheets), 1);

    // A sheet index out of range is refused, naming the member.
    err = errorOf([&] { Sheet(book, 5); });
    EXPECT_NE(err.find("Sheets.Item"), std::string::npos) << err;
}

TEST(EngineObjects, SheetNameRules) {
    Holder app = NewApplication();
    Holder book = AddBook(app);
    Holder sheets = Sheets(book);
    Holder s1 = Sheet(book, 1);
    Holder s2 =
        sheets.InvokeObject(xl::Sheets_Add, InvokeKind::Method,
                            xl::SheetsAddArgs(Variant::Missing(), Variant::Dispatch(s1.get())));
    SetName(s1, "A");
    EXPECT_EQ(errorOf([&] { SetName(s2, "A"); }),
              "Worksheet.Name: a sheet named 'A' already exists");
    EXPECT_NE(errorOf([&] { SetName(s2, "a"); }).find("already exists"), std::string::npos);
    SetName(s1, "a");  // its own name in another case
    EXPECT_EQ(VariantToString(s1.GetProperty(xl::Worksheet_Name, VT_BSTR)), "a");
    for (const char* bad : {"x:y", "x\\y", "x/y", "x?y", "x*y", "x[y", "x]y", "", "'quoted'"})
        EXPECT_NE(errorOf([&] { SetName(s2, bad); }).find("Worksheet.Name"), std::string::npos)
            << bad;
    EXPECT_NE(errorOf([&] { SetName(s2, std::string(32, 'x')); }).find("31"), std::string::npos);
    SetName(s2, std::string(31, 'x'));
    // 31 double-byte characters are 31 characters; a trail byte '\' is no backslash.
    tq::String wide;
    for (int i = 0; i < 10; ++i) wide += kTrailBytes;
    wide += kQingHeng.substr(0, 2);
    SetName(s2, wide);
    EXPECT_EQ(VariantToString(s2.GetProperty(xl::Worksheet_Name, VT_BSTR)), wide);
    EXPECT_NE(errorOf([&] { SetName(s2, wide + "x"); }).find("31"), std::string::npos);
}

TEST(EngineObjects, ItemCountsFromTopLeftAndResize) {
    Holder app = NewApplication();
    Holder sheet = Sheet(AddBook(app), 1);
    Holder c = Cell(sheet, 2, 3);
    EXPECT_EQ(rowOf(c), 2);
    EXPECT_EQ(colOf(c), 3);
    // Item on a cell counts from that cell.
    Holder d = c.GetObject(xl::Range_Item, {Variant::I4(2), Variant::I4(2)});
    EXPECT_EQ(rowOf(d), 3);
    EXPECT_EQ(colOf(d), 4);
    // One index on all cells counts along row 1.
    Holder e = Cells(sheet).GetObject(xl::Range_Item, {Variant::I4(5), Variant::Missing()});
    EXPECT_EQ(rowOf(e), 1);
    EXPECT_EQ(colOf(e), 5);
    // One index on B2:D3 counts row by row.
    Holder area = c.GetObject(xl::Range_Item, {Variant::I4(1), Variant::I4(0)})
                      .GetObject(xl::Range_Resize, {Variant::I4(2), Variant::I4(3)});
    EXPECT_EQ(Count(area), 6);
    Holder f = area.GetObject(xl::Range_Item, {Variant::I4(4)});
    EXPECT_EQ(rowOf(f), 3);
    EXPECT_EQ(colOf(f), 2);
    EXPECT_EQ(rowsOf(area), 2);
    EXPECT_EQ(colsOf(area), 3);
    // Outside the sheet.
    EXPECT_NE(errorOf([&] { Cell(sheet, 0, 1); }).find("Range.Item"), std::string::npos);
    EXPECT_NE(errorOf([&] {
                  c.GetObject(xl::Range_Resize, {Variant::I4(0), Variant::I4(1)});
              }).find("Range.Resize"),
              std::string::npos);
    // Item put with the value last.
    c.InvokeHelper(xl::Range_Item, InvokeKind::PropertyPut, VT_EMPTY,
                   {Variant::I4(1), Variant::I4(1), StrVariant(kQingHeng)});
    EXPECT_EQ(Text(Cell(sheet, 2, 3)), kQingHeng);
    // The default member with indices is Item; without, it is Value.
    Cells(sheet).InvokeHelper(DISPID_VALUE, InvokeKind::PropertyPut, VT_EMPTY,
                              {Variant::I4(4), Variant::I4(4), StrVariant("dv")});
    EXPECT_EQ(Text(Cell(sheet, 4, 4)), "dv");
    Cell(sheet, 4, 4)
        .InvokeHelper(DISPID_VALUE, InvokeKind::PropertyPut, VT_EMPTY, {Variant::R8(2.5)});
    EXPECT_EQ(Text(Cell(sheet, 4, 4)), "2.5");
}

TEST(EngineObjects, ValueTypesAndTextRules) {
    Holder app = NewApplication();
    Holder sheet = Sheet(AddBook(app), 1);
    PutText(sheet, 1, 1, kQingHeng + kTrailBytes);
    PutText(sheet, 1, 2, "12.5");
    PutText(sheet, 1, 3, "007");
    PutText(sheet, 1, 4, "123456789012345678");
    PutText(sheet, 1, 5, "-3");
    PutText(sheet, 1, 6, "1 000");
    PutText(sheet, 1, 7, "'42");
    PutValue(sheet, 1, 8, Variant::Bool(true));
    PutValue(sheet, 1, 9, Variant::R8(1e20));
    PutValue(sheet, 1, 10, Variant::R8(1e-7));

    EXPECT_EQ(Value(Cell(sheet, 1, 1)).vt, VT_BSTR);
    EXPECT_EQ(Text(Cell(sheet, 1, 1)), kQingHeng + kTrailBytes);
    Variant v = Value(Cell(sheet, 1, 2));
    ASSERT_EQ(v.vt, VT_R8);
    EXPECT_EQ(v.dblVal, 12.5);
    EXPECT_EQ(Value(Cell(sheet, 1, 3)).vt, VT_BSTR);
    EXPECT_EQ(Text(Cell(sheet, 1, 3)), "007");
    EXPECT_EQ(Text(Cell(sheet, 1, 4)), "123456789012345678");
    EXPECT_EQ(Value(Cell(sheet, 1, 5)).vt, VT_R8);
    EXPECT_EQ(Value(Cell(sheet, 1, 6)).vt, VT_BSTR);
    EXPECT_EQ(Text(Cell(sheet, 1, 7)), "42");
    EXPECT_EQ(Value(Cell(sheet, 1, 7)).vt, VT_BSTR);
    EXPECT_EQ(Value(Cell(sheet, 1, 8)).vt, VT_BOOL);
    EXPECT_EQ(Text(Cell(sheet, 1, 9)), "1E+20");
    EXPECT_EQ(Text(Cell(sheet, 1, 10)), "1E-07");
    EXPECT_EQ(Value(Cell(sheet, 2, 1)).vt, VT_EMPTY);
    EXPECT_EQ(Text(Cell(sheet, 2, 1)), "");

    // A text-formatted cell keeps number texts as texts; the format applies to cells written later.
    Cells(sheet).SetProperty(xl::Range_NumberFormat, StrVariant("@"));
    PutText(sheet, 3, 1, "12.5");
    EXPECT_EQ(Value(Cell(sheet, 3, 1)).vt, VT_BSTR);
    EXPECT_EQ(Text(Cell(sheet, 3, 1)), "12.5");
    // Writing "" empties a cell.
    PutText(sheet, 3, 1, "");
    EXPECT_EQ(Value(Cell(sheet, 3, 1)).vt, VT_EMPTY);
}

TEST(EngineObjects, DatesAndErrors) {
    Holder app = NewApplication();
    Holder sheet = Sheet(AddBook(app), 1);
    PutValue(sheet, 1, 1, Variant::R8(45000));
    Cell(sheet, 1, 1).SetProperty(xl::Range_NumberFormat, StrVariant("yyyy-mm-dd"));
    Variant v = Value(Cell(sheet, 1, 1));
    ASSERT_EQ(v.vt, VT_DATE);
    EXPECT_EQ(v.date, 45000);
    EXPECT_EQ(Text(Cell(sheet, 1, 1)), "2023/3/15");
    // Time of day.
    PutValue(sheet, 2, 1, Variant::R8(45000.5));
    Cell(sheet, 2, 1)
        .SetProperty(xl::Range_NumberFormat,
                     StrVariant("[$-804]yyyy\"\xc4\xea\"m\"\xd4\xc2\" h:mm"));
    EXPECT_EQ(Text(Cell(sheet, 2, 1)), "2023/3/15 12:00:00");
    // Letters inside quotes or brackets are no date tokens.
    PutValue(sheet, 3, 1, Variant::R8(2));
    Cell(sheet, 3, 1).SetProperty(xl::Range_NumberFormat, StrVariant("0.0\"d\"[Red]"));
    EXPECT_EQ(Value(Cell(sheet, 3, 1)).vt, VT_R8);
    // A date variant written into a General cell becomes a date.
    PutValue(sheet, 4, 1, Variant::Date(45000));
    EXPECT_EQ(Value(Cell(sheet, 4, 1)).vt, VT_DATE);
    // The early 1900 days: serial 59 is 1900/2/28.
    PutValue(sheet, 5, 1, Variant::Date(60));
    EXPECT_EQ(Text(Cell(sheet, 5, 1)), "1900/2/28");
    // An error value reads as VT_ERROR and has no text form.
    PutValue(sheet, 6, 1, Variant::Error(static_cast<int32_t>(0x800A07D7u)));
    EXPECT_EQ(Value(Cell(sheet, 6, 1)).vt, VT_ERROR);
    EXPECT_THROW(Text(Cell(sheet, 6, 1)), tq::AutomationError);
}

TEST(EngineObjects, UsedRangeNeedNotStartAtA1) {
    Holder app = NewApplication();
    Holder sheet = Sheet(AddBook(app), 1);
    Holder u = usedRange(sheet);
    EXPECT_EQ(rowOf(u), 1);
    EXPECT_EQ(Count(u), 1);

    PutText(sheet, 3, 3, "a");
    PutText(sheet, 7, 5, "b");
    u = usedRange(sheet);
    EXPECT_EQ(rowOf(u), 3);
    EXPECT_EQ(colOf(u), 3);
    EXPECT_EQ(rowsOf(u), 5);
    EXPECT_EQ(colsOf(u), 3);
    // Item(1,1) of the used range is its top-left cell.
    EXPECT_EQ(Text(u.GetObject(xl::Range_Item, {Variant::I4(1), Variant::I4(1)})), "a");
    // A cell with a format of its own counts; clearing its contents keeps it, Clear removes it.
    Cell(sheet, 9, 2).SetProperty(xl::Range_NumberFormat, StrVariant("0.00"));
    u = usedRange(sheet);
    EXPECT_EQ(colOf(u), 2);
    EXPECT_EQ(rowsOf(u), 7);
    Cell(sheet, 9, 2).InvokeHelper(xl::Range_ClearContents, InvokeKind::Method, VT_EMPTY);
    EXPECT_EQ(rowsOf(usedRange(sheet)), 7);
    Cell(sheet, 9, 2).InvokeHelper(xl::Range_Clear, InvokeKind::Method, VT_EMPTY);
    EXPECT_EQ(rowsOf(usedRange(sheet)), 5);
    // ClearContents on a valued cell empties it.
    Cell(sheet, 7, 5).InvokeHelper(xl::Range_ClearContents, InvokeKind::Method, VT_EMPTY);
    EXPECT_EQ(Count(usedRange(sheet)), 1);
    // A whole-sheet format does not make the whole sheet used.
    Cells(sheet).SetProperty(xl::Range_HorizontalAlignment, Variant::I2(-4108));
    EXPECT_EQ(Count(usedRange(sheet)), 1);
    // Clearing a cell of a formatted sheet gives it the default format: it differs from the
    // sheet's, so the cell counts as used (as in the spreadsheet).
    Cell(sheet, 9, 2).InvokeHelper(xl::Range_Clear, InvokeKind::Method, VT_EMPTY);
    EXPECT_EQ(rowsOf(usedRange(sheet)), 7);
}

TEST(EngineObjects, MergeGrowsToBoundingRectangle) {
    Holder app = NewApplication();
    Holder sheet = Sheet(AddBook(app), 1);
    PutText(sheet, 1, 1, "keep");
    PutText(sheet, 2, 2, "drop");
    Holder a = Cell(sheet, 1, 1).GetObject(xl::Range_Resize, {Variant::I4(2), Variant::I4(2)});
    a.InvokeHelper(xl::Range_Merge, InvokeKind::Method, VT_EMPTY, {Variant::I4(0)});
    EXPECT_EQ(Text(Cell(sheet, 1, 1)), "keep");
    EXPECT_EQ(Text(Cell(sheet, 2, 2)), "");
    // B2:C3 overlaps A1:B2: the result is A1:C3.
    Holder b = Cell(sheet, 2, 2).GetObject(xl::Range_Resize, {Variant::I4(2), Variant::I4(2)});
    b.InvokeHelper(xl::Range_Merge, InvokeKind::Method, VT_EMPTY, {Variant::I4(0)});
    Holder area = Cell(sheet, 3, 3).GetObject(xl::Range_MergeArea);
    EXPECT_EQ(rowOf(area), 1);
    EXPECT_EQ(colOf(area), 1);
    EXPECT_EQ(rowsOf(area), 3);
    EXPECT_EQ(colsOf(area), 3);
    Variant mc = Cell(sheet, 2, 3).GetProperty(xl::Range_MergeCells, VT_VARIANT);
    ASSERT_EQ(mc.vt, VT_BOOL);
    EXPECT_EQ(mc.boolVal, VARIANT_TRUE);
    EXPECT_EQ(Cell(sheet, 4, 1).GetProperty(xl::Range_MergeCells, VT_VARIANT).boolVal,
              VARIANT_FALSE);
    // An unmerged cell's merge area is the cell itself.
    Holder own = Cell(sheet, 5, 5).GetObject(xl::Range_MergeArea);
    EXPECT_EQ(Count(own), 1);
    // Across merges each row on its own.
    Holder c = Cell(sheet, 6, 1).GetObject(xl::Range_Resize, {Variant::I4(2), Variant::I4(3)});
    c.InvokeHelper(xl::Range_Merge, InvokeKind::Method, VT_EMPTY, {Variant::Bool(true)});
    EXPECT_EQ(Count(Cell(sheet, 7, 2).GetObject(xl::Range_MergeArea)), 3);
    EXPECT_EQ(rowOf(Cell(sheet, 7, 2).GetObject(xl::Range_MergeArea)), 7);
    // Value put on a merged area stores the value in its top-left cell only.
    area.SetProperty(xl::Range_Value, StrVariant(kQingHeng));
    EXPECT_EQ(Text(Cell(sheet, 1, 1)), kQingHeng);
    EXPECT_EQ(Text(Cell(sheet, 2, 2)), "");
    // Clear removes merged areas.
    Cells(sheet).InvokeHelper(xl::Range_Clear, InvokeKind::Method, VT_EMPTY);
    EXPECT_EQ(Cell(sheet, 1, 1).GetProperty(xl::Range_MergeCells, VT_VARIANT).boolVal,
              VARIANT_FALSE);
    EXPECT_EQ(Value(Cell(sheet, 1, 1)).vt, VT_EMPTY);
}

TEST(EngineObjects, ColumnWidthAutoFitAndUnknownMembers) {
    Holder app = NewApplication();
    Holder sheet = Sheet(AddBook(app), 1);
    auto width = [&](int col) {
        return Cells(sheet)
            .GetObject(xl::Range_Item, {Variant::I4(col)})
            .GetProperty(xl::Range_ColumnWidth, VT_R8)
            .dblVal;
    };
    EXPECT_DOUBLE_EQ(width(3), 8.43);
    Cells(sheet)
        .GetObject(xl::Range_Item, {Variant::I4(3)})
        .SetProperty(xl::Range_ColumnWidth, Variant::Int(20));
    EXPECT_DOUBLE_EQ(width(3), 20);
    EXPECT_DOUBLE_EQ(width(4), 8.43);
    EXPECT_NE(errorOf([&] {
                  Cell(sheet, 1, 1).SetProperty(xl::Range_ColumnWidth, Variant::Int(300));
              }).find("Range.ColumnWidth"),
              std::string::npos);

    // Eight Chinese characters are about as wide as sixteen ASCII ones; a long merged title does
    // not widen its column; line breaks make the row taller.
    tq::String zh;
    for (int i = 0; i < 4; ++i) zh += kQingHeng;
    PutText(sheet, 2, 1, zh);
    PutText(sheet, 2, 2, std::string(16, 'x'));
    PutText(sheet, 2, 5, "short");
    PutText(sheet, 1, 5, std::string(60, 'T'));
    Cell(sheet, 1, 5)
        .GetObject(xl::Range_Resize, {Variant::I4(1), Variant::I4(2)})
        .InvokeHelper(xl::Range_Merge, InvokeKind::Method, VT_EMPTY, {Variant::I4(0)});
    PutText(sheet, 3, 2, "a\nb\nc");
    sheet.GetObject(xl::Worksheet_Rows)
        .InvokeHelper(xl::Range_AutoFit, InvokeKind::Method, VT_EMPTY);
    sheet.GetObject(xl::Worksheet_Columns)
        .InvokeHelper(xl::Range_AutoFit, InvokeKind::Method, VT_EMPTY);
    EXPECT_NEAR(width(1), width(2), 0.01);
    EXPECT_GT(width(1), 15);
    EXPECT_LT(width(5), 10);
    double h2 = Cell(sheet, 2, 1).GetProperty(0x110, VT_R8).dblVal;
    double h3 = Cell(sheet, 3, 1).GetProperty(0x110, VT_R8).dblVal;
    EXPECT_GE(h3, 3 * h2 - 0.5);
    // A part of a sheet cannot be fitted as Cells.
    EXPECT_THROW(Cell(sheet, 1, 1).InvokeHelper(xl::Range_AutoFit, InvokeKind::Method, VT_EMPTY),
                 tq::AutomationError);
    // A member the engine does not know is refused with DISP_E_MEMBERNOTFOUND.
    try {
        Cell(sheet, 1, 1).InvokeHelper(0x7777, InvokeKind::Method, VT_EMPTY);
        FAIL();
    } catch (const tq::AutomationError& e) {
        EXPECT_EQ(e.code(), tq::hresult::DISP_E_MEMBERNOTFOUND_);
    }
}

TEST(EngineObjects, OpenReadOnlyCloseAndTemplate) {
    EngineTempDir dir;
    Holder app = NewApplication();
    Holder book = AddBook(app);
    Holder s1 = Sheet(book, 1);
    PutText(s1, 1, 1, kQingHeng);
    Holder sheets = Sheets(book);
    Holder s2 =
        sheets.InvokeObject(xl::Sheets_Add, InvokeKind::Method,
                            xl::SheetsAddArgs(Variant::Missing(), Variant::Dispatch(s1.get())));
    PutText(s2, 2, 2, "second");
    std::string path = dir.file("\xe9\x9d\x92\xe8\xa1\xa1.xlsx");  // 青衡.xlsx
    SaveAs(book, path);
    ASSERT_TRUE(FileExists(path));

    // Closing with SaveChanges omitted saves nothing.
    PutText(s1, 1, 1, "changed");
    Close(book);
    EXPECT_NE(errorOf([&] { Cells(s1); }).find("closed"), std::string::npos);
    Holder again = OpenBook(app, path, true);
    EXPECT_EQ(Text(Cell(Sheet(again, 1), 1, 1)), kQingHeng);
    EXPECT_EQ(Count(Sheets(again)), 2);
    // Read-only: SaveAs to its own path is refused, to another path allowed.
    std::string before = ReadFileBytes(path);
    tq::String err = errorOf([&] { SaveAs(again, path); });
    EXPECT_NE(err.find("Workbook.SaveAs"), std::string::npos) << err;
    EXPECT_NE(err.find("read-only"), std::string::npos) << err;
    EXPECT_EQ(ReadFileBytes(path), before);
    SaveAs(again, dir.file("copy.xlsx"));
    EXPECT_TRUE(FileExists(dir.file("copy.xlsx")));
    Close(again, Variant::Bool(false));

    // A template gives a new, unsaved workbook with a copy of the file's sheets.
    Holder fromTemplate = AddBook(app, StrVariant(tq::text::utf8ToGbk(path)));
    EXPECT_EQ(Count(Sheets(fromTemplate)), 2);
    EXPECT_EQ(Text(Cell(Sheet(fromTemplate, 2), 2, 2)), "second");
    PutText(Sheet(fromTemplate, 1), 1, 1, "x");
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_THROW(fromTemplate.InvokeHelper(0x11B, InvokeKind::Method, VT_EMPTY),
                 tq::AutomationError);

    // Missing and damaged files are refused naming the file.
    err = errorOf([&] { OpenBook(app, dir.file("none.xlsx"), true); });
    EXPECT_NE(err.find("Workbooks.Open"), std::string::npos) << err;
    EXPECT_NE(err.find("none.xlsx"), std::string::npos) << err;
    WriteFileBytes(dir.file("bad.xlsx"), "not a zip");
    EXPECT_THROW(OpenBook(app, dir.file("bad.xlsx"), true), tq::AutomationError);
    // .xls is written as well.
    SaveAs(fromTemplate, dir.file("out.xls"));
    EXPECT_TRUE(FileExists(dir.file("out.xls")));
}

TEST(EngineObjects, VisibleSavesEveryUnshownWorkbookWithoutOverwriting) {
    EngineTempDir dir;
    std::string show = dir.file("show");
    ::setenv("TQTOOL_OFFICE_DIR", show.c_str(), 1);
    ::setenv("TQTOOL_OFFICE_OPEN", "0", 1);
    EXPECT_EQ(tq::office::ShowFolder(), show);
    std::filesystem::create_directories(show);
    WriteFileBytes(show + "/Book1.xlsx", "precious");

    Holder app = NewApplication();
    Holder b1 = AddBook(app);
    Holder b2 = AddBook(app);
    PutText(Sheet(b1, 1), 1, 1, "one");
    PutText(Sheet(b2, 1), 1, 1, "two");
    app.SetProperty(xl::Application_Visible, Variant::Bool(true));
    EXPECT_EQ(ReadFileBytes(show + "/Book1.xlsx"), "precious");
    ASSERT_TRUE(FileExists(show + "/Book2.xlsx"));
    ASSERT_TRUE(FileExists(show + "/Book3.xlsx"));
    EXPECT_EQ(Text(Cell(Sheet(OpenBook(app, show + "/Book2.xlsx", true), 1), 1, 1)), "one");
    EXPECT_EQ(Text(Cell(Sheet(OpenBook(app, show + "/Book3.xlsx", true), 1), 1, 1)), "two");

    // Shown workbooks are not saved again; the others get the next free names (the two opened
    // above are shown too: their names Book2/Book3 are taken, so they become Book4 and Book5).
    Holder b3 = AddBook(app);
    app.SetProperty(xl::Application_Visible, Variant::Bool(true));
    EXPECT_TRUE(FileExists(show + "/Book4.xlsx"));
    EXPECT_TRUE(FileExists(show + "/Book5.xlsx"));
    EXPECT_TRUE(FileExists(show + "/Book6.xlsx"));
    size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(show)) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 6u);
    ::unsetenv("TQTOOL_OFFICE_DIR");
    // Default folder.
    ::setenv("XDG_RUNTIME_DIR", "/run/user/4242", 1);
    EXPECT_EQ(tq::office::ShowFolder(), "/run/user/4242/tqtool-office");
    ::setenv("XDG_RUNTIME_DIR", "", 1);
    EXPECT_EQ(tq::office::ShowFolder(), "/tmp/tqtool-office");
}

}  // namespace

namespace {

// A workbook whose first sheet is a chart sheet: Worksheets lists the worksheets only, Sheets
// every sheet in order.
TEST(EngineObjects, WorksheetsLeaveOutChartSheetsThatSheetsList) {
    using namespace tq::office;
    Workbook wb;
    for (auto [name, kind] :
         {std::pair{"Chart1", SheetKind::Chart}, std::pair{"Data", SheetKind::Worksheet},
          std::pair{"More", SheetKind::Worksheet}}) {
        wb.sheets.emplace_back().name = name;
        wb.sheets.back().kind = kind;
    }
    auto book = std::make_shared<sheet_engine::BookState>(std::move(wb));
    Holder worksheets(sheet_engine::MakeSheets(book, true));
    Holder sheets(sheet_engine::MakeSheets(book, false));
    auto nameOf = [](const Holder& coll, const Variant& index) {
        return VariantToString(
            coll.GetObject(xl::Sheets_Item, {index}).GetProperty(xl::Worksheet_Name, VT_BSTR));
    };
    EXPECT_EQ(Count(worksheets), 2);
    EXPECT_EQ(sheets.GetProperty(xl::Sheets_Count, VT_I4).lVal, 3);
    EXPECT_EQ(nameOf(worksheets, Variant::I4(1)), "Data");
    EXPECT_EQ(nameOf(sheets, Variant::I4(1)), "Chart1");
    EXPECT_EQ(nameOf(sheets, Variant::Str(u"chart1")), "Chart1");
    EXPECT_NE(errorOf([&] { nameOf(worksheets, Variant::Str(u"Chart1")); }).find("no sheet named"),
              std::string::npos);
    // Added after the last worksheet: the fourth sheet of the workbook.
    auto args = xl::SheetsAddArgs(
        Variant::Missing(),
        Variant::Dispatch(worksheets.GetObject(xl::Sheets_Item, {Variant::I4(2)}).get()));
    worksheets.InvokeObject(xl::Sheets_Add, InvokeKind::Method, std::span<const Variant>(args));
    EXPECT_EQ(Count(worksheets), 3);
    EXPECT_EQ(book->model.wb.sheets[3].kind, SheetKind::Worksheet);
}

}  // namespace

namespace {

// Engine messages are GBK library text, converted once: names from the caller and the engine's
// own non-ASCII text alike.
TEST(EngineObjects, MessagesCarryNonAsciiTextAsGbk) {
    Holder book = AddBook(NewApplication());
    Holder sheet = Sheet(book, 1);
    SetName(sheet, kQingHeng);
    Holder added = Sheets(book).InvokeObject(xl::Sheets_Add, InvokeKind::Method);
    EXPECT_EQ(errorOf([&] { SetName(added, kQingHeng); }),
              "Worksheet.Name: a sheet named '" + kQingHeng + "' already exists");
    EXPECT_EQ(errorOf([&] {
                  Cell(sheet, 1, 1).GetObject(xl::Range_Resize, {Variant::I4(0), Variant::I4(1)});
              }),
              "Range.Resize: the size must be at least 1 \xa1\xc1 1");
    EXPECT_EQ(errorOf([&] { sheet.GetObject(xl::Worksheet_Range, {StrVariant(kQingHeng + "1")}); }),
              "Worksheet.Range: '" + kQingHeng + "1' is not a cell reference");
}

}  // namespace
