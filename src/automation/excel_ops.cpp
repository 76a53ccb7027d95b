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

struct Entry {
    std::string_view type;
    DISPID id;
    std::string_view name;
};

constexpr Entry kMembers[] = {
    {"Application", Application_Workbooks, "Workbooks"},
    {"Application", Application_Visible, "Visible"},
    {"Application", Application_DisplayAlerts, "DisplayAlerts"},
    {"Application", Application_UserControl, "UserControl"},
    {"Workbooks", Workbooks_Add, "Add"},
    {"Workbooks", Workbooks_Open, "Open"},
    {"Workbook", Workbook_Sheets, "Sheets"},
    {"Workbook", Workbook_Worksheets, "Worksheets"},
    {"Workbook", Workbook_Close, "Close"},
    {"Workbook", Workbook_SaveAs, "SaveAs"},
    {"Sheets", Sheets_Item, "Item"},
    {"Sheets", Sheets_Add, "Add"},
    {"Sheets", Sheets_Count, "Count"},
    {"Sheets", Sheets_Select, "Select"},
    {"Worksheet", Worksheet_Name, "Name"},
    {"Worksheet", Worksheet_Cells, "Cells"},
    {"Worksheet", Worksheet_Rows, "Rows"},
    {"Worksheet", Worksheet_Columns, "Columns"},
    {"Worksheet", Worksheet_UsedRange, "UsedRange"},
    {"Worksheet", Worksheet_Delete, "Delete"},
    {"Range", Range_Item, "Item"},
    {"Range", Range_Value, "Value"},
    {"Range", Range_Rows, "Rows"},
    {"Range", Range_Columns, "Columns"},
    {"Range", Range_MergeArea, "MergeArea"},
    {"Range", Range_Font, "Font"},
    {"Range", Range_Interior, "Interior"},
    {"Range", Range_Resize, "Resize"},
    {"Range", Range_Count, "Count"},
    {"Range", Range_Row, "Row"},
    {"Range", Range_Column, "Column"},
    {"Range", Range_MergeCells, "MergeCells"},
    {"Range", Range_Merge, "Merge"},
    {"Range", Range_Clear, "Clear"},
    {"Range", Range_ClearContents, "ClearContents"},
    {"Range", Range_AutoFit, "AutoFit"},
    {"Range", Range_NumberFormat, "NumberFormat"},
    {"Range", Range_NumberFormatLocal, "NumberFormatLocal"},
    {"Range", Range_HorizontalAlignment, "HorizontalAlignment"},
    {"Range", Range_VerticalAlignment, "VerticalAlignment"},
    {"Range", Range_ColumnWidth, "ColumnWidth"},
    {"Font", Font_Name, "Name"},
    {"Font", Font_Size, "Size"},
    {"Interior", Interior_Color, "Color"},
};

}  // namespace

std::string_view MemberNameOf(std::string_view typeName, DISPID id) {
    if (id == DISPID_VALUE) return "_Default";
    for (const Entry& e : kMembers)
        if (e.id == id && e.type == typeName) return e.name;
    return {};
}

}  // namespace tq::automation::xl
