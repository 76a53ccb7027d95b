// ExcelTable: writes a table set into a workbook, one sheet per table, through the spreadsheet
// server's automation objects. Three free forms and two member forms add a new workbook to the
// server and leave it visible; the member form with tables and fixed cells alone writes into the
// workbook its CTqExcel object opened.
//
// Per table: the whole sheet centred both ways (and text-formatted where the form says so), every
// cell written through its own range object, row marks filled, the planned merges executed in list
// order (each keeps the value its top-left cell had), rows and columns fitted, the sheet named
// after the table's first cell.
#include <algorithm>

#include "automation/excel_ops.h"
#include "excel/connect.h"
#include "excel/excel_access.h"
#include "os/msgbox.h"
#include "tqtool/excel.h"
#include "tqtool/export.h"

namespace tq {

using automation::DispatchPtr;
using automation::GetObjectOf;
using automation::Holder;
using automation::InvokeKind;
using automation::ObjectOf;
using automation::Variant;
namespace xl = automation::xl;
using excel_detail::add32;
using excel_detail::sub32;

namespace {

using FixedLists = std::vector<std::vector<STqFixedCellInfo>>;
using ActionLists = std::vector<std::vector<action>>;
using RowMarks = std::vector<std::pair<int32_t, int32_t>>;

// Yellow as the server's colour value 0x00BBGGRR.
constexpr uint32_t kYellow = 65535;

void method(const DispatchPtr& obj, automation::DISPID id,
            std::initializer_list<Variant> args = {}) {
    automation::Invoke(obj, id, InvokeKind::Method, automation::VT_EMPTY,
                       std::span<const Variant>(args.begin(), args.size()));
}

// Range.Item(row, col) on a sheet's cells: the range object of one cell.
DispatchPtr cellAt(const DispatchPtr& cells, int32_t row, int32_t col) {
    const Variant args[] = {Variant::I4(row), Variant::I4(col)};
    return ObjectOf(automation::Invoke(cells, xl::Range_Item, InvokeKind::PropertyGet,
                                       automation::VT_VARIANT, args));
}

// What one call writes and where its working objects are kept. The open-workbook form keeps them
// in its CTqExcel object's holders; the other forms in locals released on return.
struct Plan {
    bool textFormat = false;               // "@" on every sheet before writing
    const RowMarks* marks = nullptr;       // row marks, or none
    bool fillMarks = false;                // whether marked cells are filled yellow
    const FixedLists* fixed = nullptr;     // merges from fixed cells, or
    const ActionLists* actions = nullptr;  // merges from actions
};

struct Slots {
    DispatchPtr& sheet;      // the table's worksheet
    DispatchPtr& cells;      // its Cells
    DispatchPtr& workRange;  // the cell being written, then the rows and columns being fitted
};

// Sheets are added after the last one until there is one per table.
void provideSheets(const DispatchPtr& sheets, size_t tableCount) {
    Holder collection(sheets);
    int64_t n = collection.GetProperty(xl::Sheets_Count, automation::VT_I4).lVal;
    while (n < static_cast<int64_t>(tableCount)) {
        const int32_t count = collection.GetProperty(xl::Sheets_Count, automation::VT_I4).lVal;
        DispatchPtr last = GetObjectOf(sheets, xl::Sheets_Item, {Variant::I4(count)});
        auto args = xl::SheetsAddArgs(Variant::Missing(), Variant::Dispatch(last));
        collection.InvokeHelper(xl::Sheets_Add, InvokeKind::Method, automation::VT_DISPATCH,
                                std::span<const Variant>(args));
        ++n;
    }
}

// Merges the area of `rows` x `cols` cells whose top-left cell is (row, col) (1-based), keeping the
// value the top-left cell had.
void mergeArea(const DispatchPtr& cells, int32_t row, int32_t col, int32_t rows, int32_t cols) {
    DispatchPtr start = cellAt(cells, row, col);
    const Variant value = Holder(start).GetProperty(xl::Range_Value, automation::VT_VARIANT);
    DispatchPtr area = GetObjectOf(start, xl::Range_Resize, {Variant::I4(rows), Variant::I4(cols)});
    Holder a(area);
    a.InvokeHelper(xl::Range_ClearContents, InvokeKind::Method, automation::VT_EMPTY);
    a.InvokeHelper(xl::Range_Merge, InvokeKind::Method, automation::VT_EMPTY, {Variant::I4(0)});
    a.SetProperty(xl::Range_Value, value);
}

void applyMerges(const DispatchPtr& cells, const Table& table,
                 const std::vector<STqFixedCellInfo>& list) {
    for (const STqFixedCellInfo& f : list)
        mergeArea(cells, add32(f.row, 1), add32(f.col, 1), add32(f.rowExtent, 1),
                  add32(f.colExtent, 1));
    (void)table;
}

void applyMerges(const DispatchPtr& cells, const Table& table, const std::vector<action>& list) {
    const int32_t rows = static_cast<int32_t>(table.size());
    const int32_t width = table.empty() ? 0 : static_cast<int32_t>(table.front().size());
    for (const action& a : list) {
        // An action whose row or column lies outside its table merges nothing.
        if (a.index < 0 || a.index >= (a.type == unionRow ? rows : width)) continue;
        if (a.type == unionRow) {
            int32_t end = a.ep;
            if (end == -1) end = table.empty() ? 0 : static_cast<int32_t>(table.front().size());
            mergeArea(cells, add32(a.index, 1), add32(a.sp, 1), 1, sub32(end, a.sp));
        } else if (a.type == unionCol) {
            int32_t end = a.ep;
            if (end == -1) end = static_cast<int32_t>(table.size());
            mergeArea(cells, add32(a.sp, 1), add32(a.index, 1), sub32(end, a.sp), 1);
        }
        // noAction and unknown types merge nothing; later actions still apply.
    }
}

void writeTable(const DispatchPtr& sheets, size_t k, const Table& table, const Plan& plan,
                Slots slots) {
    slots.sheet = GetObjectOf(sheets, xl::Sheets_Item, {Variant::I2(static_cast<int16_t>(k + 1))});
    slots.cells = GetObjectOf(slots.sheet, xl::Worksheet_Cells);
    Holder cells(slots.cells);
    cells.SetProperty(xl::Range_HorizontalAlignment, Variant::I2(xl::xlCenter));
    cells.SetProperty(xl::Range_VerticalAlignment, Variant::I2(xl::xlCenter));
    if (plan.textFormat)
        cells.SetProperty(xl::Range_NumberFormatLocal, automation::StrVariant("@"));

    for (size_t r = 0; r < table.size(); ++r) {
        const CellRow& row = table[r];
        const auto r1 = static_cast<int32_t>(r + 1);
        for (size_t c = 0; c < row.size(); ++c) {
            const auto c1 = static_cast<int32_t>(c + 1);
            slots.workRange = cellAt(slots.cells, r1, c1);
            Holder(slots.workRange)
                .InvokeHelper(xl::Range_Item, InvokeKind::PropertyPut, automation::VT_EMPTY,
                              {Variant::I2(1), Variant::I2(1), automation::StrVariant(row[c])});
            if (!plan.marks) continue;
            for (const auto& mark : *plan.marks) {
                if (static_cast<int64_t>(r1) != static_cast<int64_t>(mark.first) + 1) continue;
                DispatchPtr target = cellAt(slots.cells, add32(r1, 2), c1);
                Holder interior(GetObjectOf(target, xl::Range_Interior));
                if (plan.fillMarks) interior.SetProperty(xl::Interior_Color, Variant::UI4(kYellow));
            }
        }
    }

    if (plan.fixed && !plan.fixed->empty() && k < plan.fixed->size())
        applyMerges(slots.cells, table, (*plan.fixed)[k]);
    if (plan.actions && !plan.actions->empty() && k < plan.actions->size())
        applyMerges(slots.cells, table, (*plan.actions)[k]);

    slots.workRange = GetObjectOf(slots.sheet, xl::Worksheet_Rows);
    method(slots.workRange, xl::Range_AutoFit);
    slots.workRange = GetObjectOf(slots.sheet, xl::Worksheet_Columns);
    method(slots.workRange, xl::Range_AutoFit);

    // A table without a first cell leaves the sheet with the name the server gave it.
    if (!table.empty() && !table.front().empty())
        Holder(slots.sheet)
            .SetProperty(xl::Worksheet_Name, automation::StrVariant(table.front().front()));
}

// The forms that add a new workbook to their own server instance.
bool exportToNewWorkbook(const TableSet& tables, const Plan& plan) {
    DispatchPtr app = ConnectServer(excel_detail::kProgId);
    if (!app) {
        os::AfxMessageBox(excel_detail::kNoOffice, 0);
        return false;
    }
    DispatchPtr books = GetObjectOf(app, xl::Application_Workbooks);
    DispatchPtr book = ObjectOf(Holder(books).InvokeHelper(
        xl::Workbooks_Add, InvokeKind::Method, automation::VT_DISPATCH, {Variant::Missing()}));
    DispatchPtr sheets = GetObjectOf(book, xl::Workbook_Sheets);

    provideSheets(sheets, tables.size());
    DispatchPtr sheet, cells, workRange;
    for (size_t k = 0; k < tables.size(); ++k)
        writeTable(sheets, k, tables[k], plan, Slots{sheet, cells, workRange});

    method(sheets, xl::Sheets_Select, {Variant::I2(1)});
    workRange.reset();
    cells.reset();
    sheet.reset();
    sheets.reset();
    book.reset();
    books.reset();
    Holder(app).SetProperty(xl::Application_Visible, Variant::Bool(true));
    return true;
}

}  // namespace

// ---- Free forms ----

bool ExcelTable(TableSet tables, std::vector<std::vector<STqFixedCellInfo>> fixedCells) {
    Plan plan;
    plan.textFormat = true;
    plan.fixed = &fixedCells;
    return exportToNewWorkbook(tables, plan);
}

bool ExcelTable(TableSet tables, std::vector<std::vector<STqFixedCellInfo>> fixedCells,
                std::vector<std::pair<int32_t, int32_t>> rowMarks) {
    Plan plan;
    plan.fixed = &fixedCells;
    plan.marks = &rowMarks;
    plan.fillMarks = true;
    return exportToNewWorkbook(tables, plan);
}

bool ExcelTable(TableSet tables, std::vector<std::vector<action>> actions) {
    Plan plan;
    plan.actions = &actions;
    return exportToNewWorkbook(tables, plan);
}

// ---- Member forms ----

bool CTqExcel::ExcelTable(const TableSet& tables,
                          const std::vector<std::vector<STqFixedCellInfo>>& fixedCells) {
    // Only an object with an open workbook has sheets to write into.
    if (!sheets) return false;
    clear();
    Plan plan;
    plan.textFormat = true;
    plan.fixed = &fixedCells;
    provideSheets(sheets, tables.size());
    for (size_t k = 0; k < tables.size(); ++k)
        writeTable(sheets, k, tables[k], plan, Slots{sheet, range, workRange});
    method(sheets, xl::Sheets_Select, {Variant::I2(1)});
    range = GetObjectOf(sheet, xl::Worksheet_Cells);
    return true;
}

bool CTqExcel::ExcelTable(const TableSet& tables,
                          const std::vector<std::vector<STqFixedCellInfo>>& fixedCells,
                          const std::vector<std::pair<int32_t, int32_t>>& rowMarks) {
    Plan plan;
    plan.textFormat = true;
    plan.fixed = &fixedCells;
    plan.marks = &rowMarks;
    plan.fillMarks = true;
    return exportToNewWorkbook(tables, plan);
}

bool CTqExcel::ExcelTable(const TableSet& tables, const std::vector<std::vector<action>>& actions) {
    Plan plan;
    plan.textFormat = true;
    plan.actions = &actions;
    return exportToNewWorkbook(tables, plan);
}

}  // namespace tq
