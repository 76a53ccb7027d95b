// The spreadsheet server's members, by dispatch identifier: those the library calls and those the
// embedded engine answers besides, their one table (names, result types), and small helpers that
// build argument lists.
//
// Each constant is named Object_Member. Members that share an identifier across objects
// (Item, Add, Count, Name, Rows, Columns) have one constant per object so that call sites read
// as the object model does.
//
// Calls go through Holder::InvokeHelper with explicit variants, so a caller always decides the
// exact argument types (VT_I4, VT_I2, VT_BOOL, the missing value ...). The helpers at the end only
// spell out the long optional-argument lists of Open, SaveAs and Close.
#pragma once

#include <string_view>
#include <vector>

#include "automation/holder.h"
#include "automation/member_table.h"

namespace tq::automation::xl {

// ---- Application ----
inline constexpr DISPID Application_Workbooks = 0x23C;      // get -> Workbooks
inline constexpr DISPID Application_Visible = 0x22E;        // get, put bool
inline constexpr DISPID Application_DisplayAlerts = 0x157;  // get, put bool
inline constexpr DISPID Application_UserControl = 0x4BA;    // get, put bool
inline constexpr DISPID Application_Quit = 0x12E;           // method

// ---- Workbooks ----
inline constexpr DISPID Workbooks_Add = 0xB5;    // method (Template) -> Workbook
inline constexpr DISPID Workbooks_Open = 0x2AA;  // method (Filename, UpdateLinks, ReadOnly, 10 opt)
inline constexpr DISPID Workbooks_Count = 0x76;  // get -> int32
inline constexpr DISPID Workbooks_Item = 0xAA;   // get (Index or name) -> Workbook

// ---- Workbook ----
inline constexpr DISPID Workbook_Sheets = 0x1E5;       // get -> Sheets (every sheet)
inline constexpr DISPID Workbook_Worksheets = 0x1EE;   // get -> Sheets (worksheets only)
inline constexpr DISPID Workbook_ActiveSheet = 0x133;  // get -> Worksheet
inline constexpr DISPID Workbook_Name = 0x6E;          // get string
inline constexpr DISPID Workbook_FullName = 0x121;     // get string
inline constexpr DISPID Workbook_Save = 0x11B;         // method
inline constexpr DISPID Workbook_Close = 0x115;   // method (SaveChanges, Filename, RouteWorkbook)
inline constexpr DISPID Workbook_SaveAs = 0x11C;  // method (Filename, 5 opt, AccessMode, 4 opt)

// ---- Sheets ----
inline constexpr DISPID Sheets_Item = 0xAA;    // get (Index or name) -> Worksheet
inline constexpr DISPID Sheets_Add = 0xB5;     // method (Before, After, Count, Type) -> Worksheet
inline constexpr DISPID Sheets_Count = 0x76;   // get -> int32
inline constexpr DISPID Sheets_Select = 0xEB;  // method (Replace)

// ---- Worksheet ----
inline constexpr DISPID Worksheet_Name = 0x6E;        // get, put string
inline constexpr DISPID Worksheet_Index = 0x1E6;      // get -> int32
inline constexpr DISPID Worksheet_Cells = 0xEE;       // get -> Range
inline constexpr DISPID Worksheet_Rows = 0x102;       // get -> Range
inline constexpr DISPID Worksheet_Columns = 0xF1;     // get -> Range
inline constexpr DISPID Worksheet_UsedRange = 0x19C;  // get -> Range
inline constexpr DISPID Worksheet_Range = 0xC5;       // get (Cell1) -> Range
inline constexpr DISPID Worksheet_Delete = 0x75;      // method
inline constexpr DISPID Worksheet_Select = 0xEB;      // method
inline constexpr DISPID Worksheet_Activate = 0x130;   // method
inline constexpr DISPID Worksheet_Parent = 0x96;      // get -> Workbook

// ---- Range ----
inline constexpr DISPID Range_Item = 0xAA;       // get (RowIndex, ColumnIndex) / put (..., value)
inline constexpr DISPID Range_Value = 0x6;       // get, put
inline constexpr DISPID Range_Value2 = 0x56C;    // get, put
inline constexpr DISPID Range_Text = 0x8A;       // get string
inline constexpr DISPID Range_Cells = 0xEE;      // get -> Range
inline constexpr DISPID Range_Rows = 0x102;      // get -> Range
inline constexpr DISPID Range_Columns = 0xF1;    // get -> Range
inline constexpr DISPID Range_EntireRow = 0xF7;  // get -> Range
inline constexpr DISPID Range_EntireColumn = 0xF6;         // get -> Range
inline constexpr DISPID Range_MergeArea = 0x569;           // get -> Range
inline constexpr DISPID Range_Font = 0x92;                 // get -> Font
inline constexpr DISPID Range_Interior = 0x81;             // get -> Interior
inline constexpr DISPID Range_Resize = 0x100;              // get (RowSize, ColumnSize) -> Range
inline constexpr DISPID Range_Count = 0x76;                // get -> int32
inline constexpr DISPID Range_Row = 0x101;                 // get -> int32
inline constexpr DISPID Range_Column = 0xF0;               // get -> int32
inline constexpr DISPID Range_Address = 0xEC;              // get string
inline constexpr DISPID Range_MergeCells = 0xD0;           // get -> variant (bool), put bool
inline constexpr DISPID Range_Merge = 0x234;               // method (Across)
inline constexpr DISPID Range_UnMerge = 0x568;             // method
inline constexpr DISPID Range_Clear = 0x6F;                // method
inline constexpr DISPID Range_ClearContents = 0x71;        // method
inline constexpr DISPID Range_ClearFormats = 0x70;         // method
inline constexpr DISPID Range_AutoFit = 0xED;              // method
inline constexpr DISPID Range_NumberFormat = 0xC1;         // get, put
inline constexpr DISPID Range_NumberFormatLocal = 0x449;   // get, put
inline constexpr DISPID Range_HorizontalAlignment = 0x88;  // get, put
inline constexpr DISPID Range_VerticalAlignment = 0x89;    // get, put
inline constexpr DISPID Range_WrapText = 0x114;            // get, put
inline constexpr DISPID Range_ColumnWidth = 0xF2;          // get, put
inline constexpr DISPID Range_RowHeight = 0x110;           // get, put
inline constexpr DISPID Range_Worksheet = 0x15C;           // get -> Worksheet
inline constexpr DISPID Range_Parent = 0x96;               // get -> Worksheet
inline constexpr DISPID Range_Select = 0xEB;               // method
inline constexpr DISPID Range_Activate = 0x130;            // method

// ---- Font ----
inline constexpr DISPID Font_Name = 0x6E;    // get, put
inline constexpr DISPID Font_Size = 0x68;    // get, put
inline constexpr DISPID Font_Bold = 0x60;    // get, put
inline constexpr DISPID Font_Italic = 0x65;  // get, put

// ---- Interior ----
inline constexpr DISPID Interior_Color = 0x63;       // get, put
inline constexpr DISPID Interior_ColorIndex = 0x61;  // get, put (xlNone only)

// ---- Constants the server understands ----
inline constexpr int32_t xlCenter = -4108;  // HorizontalAlignment / VerticalAlignment
inline constexpr int32_t xlLeft = -4131;
inline constexpr int32_t xlRight = -4152;
inline constexpr int32_t xlTop = -4160;
inline constexpr int32_t xlBottom = -4107;
inline constexpr int32_t xlGeneral = 1;
inline constexpr int32_t xlNoChange = 1;  // SaveAs AccessMode
inline constexpr int32_t xlShared = 2;
inline constexpr int32_t xlExclusive = 3;
inline constexpr int32_t xlWorksheet = -4167;  // Sheets.Add Type
inline constexpr int32_t xlNone = -4142;       // Interior.ColorIndex: no fill

// ---- Argument lists ----

/// Workbooks.Open: Filename, UpdateLinks, ReadOnly, then the 10 optional arguments as missing.
/// The caller chooses the variants of the first three (pass Variant::Missing() to omit one).
std::vector<Variant> OpenArgs(const Variant& filename, const Variant& updateLinks,
                              const Variant& readOnly);
/// Workbook.SaveAs: Filename, 5 missing, AccessMode (the caller's variant, usually VT_I4),
/// 4 missing: 11 arguments.
std::vector<Variant> SaveAsArgs(const Variant& filename, const Variant& accessMode);
/// Workbook.Close: SaveChanges, Filename, RouteWorkbook.
std::vector<Variant> CloseArgs(const Variant& saveChanges,
                               const Variant& filename = Variant::Missing(),
                               const Variant& routeWorkbook = Variant::Missing());
/// Sheets.Add: Before, After, Count, Type.
std::vector<Variant> SheetsAddArgs(const Variant& before, const Variant& after,
                                   const Variant& count = Variant::Missing(),
                                   const Variant& type = Variant::Missing());

/// The spreadsheet server's member table (every member above, with the object type it returns).
const MemberTable& Members();

}  // namespace tq::automation::xl
