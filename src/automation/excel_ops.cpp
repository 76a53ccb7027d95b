// Argument lists of the spreadsheet members with long optional lists, and the spreadsheet
// server's member table.
#include "automation/excel_ops.h"

namespace tq::automation::xl {

std::vector<Variant> OpenArgs(const Variant& filename, const Variant& updateLinks,
                              const Variant& readOnly) {
    std::vector<Variant> args{filename, updateLinks, readOnly};
    args.resize(13, Variant::Missing());
    return args;
}

std::vector<Variant> SaveAsArgs(const Variant& filename, const Variant& accessMode) {
    std::vector<Variant> args(11, Variant::Missing());
    args[0] = filename;
    args[6] = accessMode;
    return args;
}

std::vector<Variant> CloseArgs(const Variant& saveChanges, const Variant& filename,
                               const Variant& routeWorkbook) {
    return {saveChanges, filename, routeWorkbook};
}

std::vector<Variant> SheetsAddArgs(const Variant& before, const Variant& after,
                                   const Variant& count, const Variant& type) {
    return {before, after, count, type};
}

namespace {

constexpr Member kMembers[] = {
    {"Application", Application_Workbooks, "Workbooks", "Workbooks"},
    {"Application", Application_Visible, "Visible", ""},
    {"Application", Application_DisplayAlerts, "DisplayAlerts", ""},
    {"Application", Application_UserControl, "UserControl", ""},
    {"Application", Application_Quit, "Quit", ""},
    {"Workbooks", Workbooks_Add, "Add", "Workbook"},
    {"Workbooks", Workbooks_Open, "Open", "Workbook"},
    {"Workbooks", Workbooks_Count, "Count", ""},
    {"Workbooks", Workbooks_Item, "Item", "Workbook"},
    {"Workbook", Workbook_Sheets, "Sheets", "Sheets"},
    {"Workbook", Workbook_Worksheets, "Worksheets", "Sheets"},
    {"Workbook", Workbook_ActiveSheet, "ActiveSheet", "Worksheet"},
    {"Workbook", Workbook_Name, "Name", ""},
    {"Workbook", Workbook_FullName, "FullName", ""},
    {"Workbook", Workbook_Save, "Save", ""},
    {"Workbook", Workbook_Close, "Close", ""},
    {"Workbook", Workbook_SaveAs, "SaveAs", ""},
    {"Sheets", Sheets_Item, "Item", "Worksheet"},
    {"Sheets", Sheets_Add, "Add", "Worksheet"},
    {"Sheets", Sheets_Count, "Count", ""},
    {"Sheets", Sheets_Select, "Select", ""},
    {"Worksheet", Worksheet_Name, "Name", ""},
    {"Worksheet", Worksheet_Index, "Index", ""},
    {"Worksheet", Worksheet_Cells, "Cells", "Range"},
    {"Worksheet", Worksheet_Rows, "Rows", "Range"},
    {"Worksheet", Worksheet_Columns, "Columns", "Range"},
    {"Worksheet", Worksheet_UsedRange, "UsedRange", "Range"},
    {"Worksheet", Worksheet_Range, "Range", "Range"},
    {"Worksheet", Worksheet_Delete, "Delete", ""},
    {"Worksheet", Worksheet_Select, "Select", ""},
    {"Worksheet", Worksheet_Activate, "Activate", ""},
    {"Worksheet", Worksheet_Parent, "Parent", "Workbook"},
    {"Range", Range_Item, "Item", "Range"},
    {"Range", Range_Value, "Value", ""},
    {"Range", Range_Value2, "Value2", ""},
    {"Range", Range_Text, "Text", ""},
    {"Range", Range_Cells, "Cells", "Range"},
    {"Range", Range_Rows, "Rows", "Range"},
    {"Range", Range_Columns, "Columns", "Range"},
    {"Range", Range_EntireRow, "EntireRow", "Range"},
    {"Range", Range_EntireColumn, "EntireColumn", "Range"},
    {"Range", Range_MergeArea, "MergeArea", "Range"},
    {"Range", Range_Font, "Font", "Font"},
    {"Range", Range_Interior, "Interior", "Interior"},
    {"Range", Range_Resize, "Resize", "Range"},
    {"Range", Range_Count, "Count", ""},
    {"Range", Range_Row, "Row", ""},
    {"Range", Range_Column, "Column", ""},
    {"Range", Range_Address, "Address", ""},
    {"Range", Range_MergeCells, "MergeCells", ""},
    {"Range", Range_Merge, "Merge", ""},
    {"Range", Range_UnMerge, "UnMerge", ""},
    {"Range", Range_Clear, "Clear", ""},
    {"Range", Range_ClearContents, "ClearContents", ""},
    {"Range", Range_ClearFormats, "ClearFormats", ""},
    {"Range", Range_AutoFit, "AutoFit", ""},
    {"Range", Range_NumberFormat, "NumberFormat", ""},
    {"Range", Range_NumberFormatLocal, "NumberFormatLocal", ""},
    {"Range", Range_HorizontalAlignment, "HorizontalAlignment", ""},
    {"Range", Range_VerticalAlignment, "VerticalAlignment", ""},
    {"Range", Range_WrapText, "WrapText", ""},
    {"Range", Range_ColumnWidth, "ColumnWidth", ""},
    {"Range", Range_RowHeight, "RowHeight", ""},
    {"Range", Range_Worksheet, "Worksheet", "Worksheet"},
    {"Range", Range_Parent, "Parent", "Worksheet"},
    {"Range", Range_Select, "Select", ""},
    {"Range", Range_Activate, "Activate", ""},
    {"Font", Font_Name, "Name", ""},
    {"Font", Font_Size, "Size", ""},
    {"Font", Font_Bold, "Bold", ""},
    {"Font", Font_Italic, "Italic", ""},
    {"Interior", Interior_Color, "Color", ""},
    {"Interior", Interior_ColorIndex, "ColorIndex", ""},
};

constexpr MemberTable kTable{kMembers};

}  // namespace

const MemberTable& Members() {
    return kTable;
}

}  // namespace tq::automation::xl
