// CTqExcel: construction, copying, the workbook lifecycle (open, exit, save, clear), reading a
// sheet as text, merged-cell discovery and formatting.
//
// Every server call is made through a holder with explicit argument variants, so the server sees
// exactly the types it is meant to (VT_I4 indices, VT_BOOL flags, VT_INT widths, VT_I2 sizes).
#include <algorithm>

#include "automation/excel_ops.h"
#include "automation/servers.h"
#include "excel/connect.h"
#include "excel/excel_access.h"
#include "excel/path_exists.h"
#include "office/spreadsheet/model/cell_ref.h"
#include "os/msgbox.h"
#include "tqtool/limits.h"

namespace tq {

using automation::DispatchPtr;
using automation::GetObjectOf;
using automation::Holder;
using automation::InvokeKind;
using automation::ObjectOf;
using automation::Variant;
namespace xl = automation::xl;
using excel_detail::add32;

namespace {

int32_t getInt(const DispatchPtr& obj, automation::DISPID id) {
    if (!obj) return 0;
    Variant v = automation::Invoke(obj, id, InvokeKind::PropertyGet, automation::VT_I4);
    return v.vt == automation::VT_I4 ? v.lVal : 0;
}

// "66,650,112".
std::string grouped(uint64_t n) {
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

// Refuses, before any cell is read, a reading member whose area (rows x cols cells from the
// 0-based offset (row, col) of the current range) is larger than the limit on cells walked.
void checkReadArea(const char* member, const String& path, int64_t row, int64_t col, int64_t rows,
                   int64_t cols) {
    if (rows <= 0 || cols <= 0) return;
    const uint64_t cells = static_cast<uint64_t>(rows) * static_cast<uint64_t>(cols);
    const uint64_t limit = GetLimits().maxReadCells;
    if (cells <= limit) return;
    auto clamp = [](int64_t v, uint32_t most) {
        return static_cast<uint32_t>(std::clamp<int64_t>(v, 0, most));
    };
    const office::Rect area{clamp(row, office::kMaxRows - 1), clamp(col, office::kMaxCols - 1),
                            clamp(row + rows - 1, office::kMaxRows - 1),
                            clamp(col + cols - 1, office::kMaxCols - 1)};
    throw AutomationError(hresult::E_FAIL_, std::string(member) + ": " + office::RectName(area) +
                                                " of '" + path + "' holds " + grouped(cells) +
                                                " cells, more than the limit of " + grouped(limit) +
                                                " a reading member walks (maxReadCells)");
}

// Offset rows `first` ... count - 1 of the used range, every column, as text (getAllData from
// row 0, getData from row 2); `member` names the reading member in a refusal.
void readRows(CTqExcel& x, Table& data, const char* member, int32_t first) {
    data.clear();
    const int32_t nRows = x.getNumRow();
    if (nRows < std::max(first, 1)) return;
    const int32_t nCols = x.getNumCol();
    checkReadArea(member, CTqExcelAccess::path(x), int64_t(CTqExcelAccess::startRow(x)) - 1 + first,
                  int64_t(CTqExcelAccess::startCol(x)) - 1, nRows - first, nCols);
    data.reserve(static_cast<size_t>(nRows - first));
    for (int32_t r = first; r < nRows; ++r) {
        CellRow row;
        row.reserve(static_cast<size_t>(std::max(nCols, 0)));
        for (int32_t c = 0; c < nCols; ++c) {
            String text;
            x.read(r, c, text);
            row.push_back(std::move(text));
        }
        data.push_back(std::move(row));
    }
}

// The text of a cell object: its default member formatted as the coercion to text does.
String cellText(const Variant& cell) {
    return automation::VariantToString(cell);
}

}  // namespace

// ---- Construction, copying, destruction ----

CTqExcel::CTqExcel() = default;

CTqExcel::CTqExcel(String p) : path(std::move(p)) {}

CTqExcel::CTqExcel(const CTqExcel& other)
    : app(other.app),
      range(other.range),
      workRange(other.workRange),
      sheet(other.sheet),
      sheets(other.sheets),
      book(other.book),
      books(other.books),
      startRow(other.startRow),
      startCol(other.startCol),
      path(other.path),
      colIndex(other.colIndex) {}

CTqExcel& CTqExcel::operator=(const CTqExcel& other) {
    // Each holder takes a new reference to the other's object (the old one is released); on
    // self-assignment the same objects stay held.
    app = other.app;
    range = other.range;
    workRange = other.workRange;
    sheet = other.sheet;
    sheets = other.sheets;
    book = other.book;
    books = other.books;
    startRow = other.startRow;
    startCol = other.startCol;
    path = other.path;
    if (this != &other) colIndex = other.colIndex;
    return *this;
}

CTqExcel::~CTqExcel() {
    // Releases only; the workbook stays open in the server (exit closes it).
    workRange.reset();
    range.reset();
    sheet.reset();
    sheets.reset();
    books.reset();
    app.reset();
    book.reset();
}

// ---- Lifecycle ----

bool CTqExcel::open(bool openExisting) {
    exit();
    if (automation::CoInitialize() == hresult::E_INVALIDARG_) return false;

    DispatchPtr server = ConnectServer(excel_detail::kProgId);
    if (!server) {
        os::AfxMessageBox(excel_detail::kNoOffice, 0);
        return false;
    }
    app = std::move(server);
    Holder application(app);
    application.SetProperty(xl::Application_UserControl, Variant::Bool(false));
    application.SetProperty(xl::Application_DisplayAlerts, Variant::Bool(false));
    books = GetObjectOf(app, xl::Application_Workbooks);

    const bool exists = excel_detail::pathExists(path);
    Holder workbooks(books);
    if (openExisting) {
        if (!exists) return false;
        auto args =
            xl::OpenArgs(automation::StrVariant(path), Variant::Missing(), Variant::Bool(true));
        book = ObjectOf(workbooks.InvokeHelper(xl::Workbooks_Open, InvokeKind::Method,
                                               automation::VT_DISPATCH,
                                               std::span<const Variant>(args)));
    } else if (exists) {
        book = ObjectOf(workbooks.InvokeHelper(xl::Workbooks_Add, InvokeKind::Method,
                                               automation::VT_DISPATCH,
                                               {automation::StrVariant(path)}));
    } else {
        book = ObjectOf(workbooks.InvokeHelper(xl::Workbooks_Add, InvokeKind::Method,
                                               automation::VT_DISPATCH, {Variant::Missing()}));
    }
    sheets = GetObjectOf(book, xl::Workbook_Worksheets);

    if (openExisting) {
        sheet = GetObjectOf(sheets, xl::Sheets_Item, {Variant::I4(1)});
        range = GetObjectOf(sheet, xl::Worksheet_UsedRange);
        return true;
    }

    const int32_t n = getInt(sheets, xl::Sheets_Count);
    for (int32_t i = 1; i < n; ++i) {
        sheet = GetObjectOf(sheets, xl::Sheets_Item, {Variant::I4(2)});
        Holder(sheet).InvokeHelper(xl::Worksheet_Delete, InvokeKind::Method, automation::VT_EMPTY);
    }
    sheet = GetObjectOf(sheets, xl::Sheets_Item, {Variant::I4(1)});
    range = GetObjectOf(sheet, xl::Worksheet_Cells);
    Holder(range).SetProperty(xl::Range_NumberFormat, automation::StrVariant("@"));
    return true;
}

void CTqExcel::exit() {
    workRange.reset();
    range.reset();
    sheet.reset();
    sheets.reset();
    books.reset();
    app.reset();
    if (book) {
        // The workbook is let go before it is closed: a closed workbook answers no further call,
        // so a second exit, or the exit at the start of the next open, must not send Close to it
        // again, even when this Close is refused (a copy of this object closed it already).
        const DispatchPtr closing = std::move(book);
        book.reset();
        auto args =
            xl::CloseArgs(Variant::Missing(), automation::StrVariant(path), Variant::Missing());
        Holder(closing).InvokeHelper(xl::Workbook_Close, InvokeKind::Method, automation::VT_EMPTY,
                                     std::span<const Variant>(args));
    }
}

bool CTqExcel::save() {
    if (!app || !book) return true;
    auto args = xl::SaveAsArgs(automation::StrVariant(path), Variant::I4(0));
    Holder(book).InvokeHelper(xl::Workbook_SaveAs, InvokeKind::Method, automation::VT_EMPTY,
                              std::span<const Variant>(args));
    return true;
}

bool CTqExcel::clear() {
    if (!range) return true;
    Holder(range).InvokeHelper(xl::Range_Clear, InvokeKind::Method, automation::VT_EMPTY);
    return true;
}

// ---- Reading ----

void CTqExcel::read(int32_t row, int32_t col, String& value) {
    if (!range) {
        value.clear();
        return;
    }
    Variant cell = Holder(range).InvokeHelper(
        xl::Range_Item, InvokeKind::PropertyGet, automation::VT_VARIANT,
        {Variant::I4(add32(row, startRow)), Variant::I4(add32(col, startCol))});
    value = cellText(cell);
}

void CTqExcel::getTableName(String& name) {
    read(0, 0, name);
}

// The count of the used range's rows or columns (`part`), taken through the current range,
// which is left at all cells of the sheet.
static int32_t usedCount(const DispatchPtr& sheet, DispatchPtr& range, automation::DISPID part) {
    if (!sheet) return 0;
    range = GetObjectOf(sheet, xl::Worksheet_UsedRange);
    range = GetObjectOf(range, part);
    const int32_t n = getInt(range, xl::Range_Count);
    range = GetObjectOf(sheet, xl::Worksheet_Cells);
    return n;
}

int32_t CTqExcel::getNumRow() {
    return usedCount(sheet, range, xl::Range_Rows);
}

int32_t CTqExcel::getNumCol() {
    return usedCount(sheet, range, xl::Range_Columns);
}

void CTqExcel::setStartRowAndCol(int32_t row, int32_t col) {
    if (row < 1 || col < 1) return;
    startRow = row;
    startCol = col;
}

bool CTqExcel::IsRowEmpty(StringArray row) {
    return std::all_of(row.begin(), row.end(), [](const String& s) { return s.empty(); });
}

void CTqExcel::getHeader(StringArray& header) {
    header.clear();
    // The column count is asked again before every column, as the sheet is read column by
    // column through the current range that the count resets.
    for (int32_t c = 0; c < getNumCol(); ++c) {
        String text;
        read(1, c, text);
        header.push_back(std::move(text));
    }
}

void CTqExcel::getHeader(ColumnMap& header) {
    header.clear();
    for (int32_t c = 0; c < getNumCol(); ++c) {
        String text;
        read(1, c, text);
        header.emplace(std::move(text), c);
    }
}

bool CTqExcel::initColIndex() {
    const int32_t n = getNumCol();
    auto indexRow = [&](int32_t r) {
        for (int32_t c = 0; c < n; ++c) {
            String text;
            read(r, c, text);
            if (!text.empty()) colIndex.emplace(std::move(text), c);
        }
    };
    indexRow(0);
    if (colIndex.size() < 2 && n >= 1) indexRow(1);
    return true;
}

void CTqExcel::getAllData(Table& data) {
    readRows(*this, data, "getAllData", 0);
}

void CTqExcel::getData(Table& data) {
    readRows(*this, data, "getData", 2);
}

void CTqExcel::getData(StringArray names, Table& data) {
    data.clear();
    initColIndex();
    if (colIndex.empty()) return;
    const int32_t nRows = getNumRow();
    checkReadArea("getData", path, int64_t(startRow) + 1, int64_t(startCol) - 1, nRows - 2,
                  static_cast<int64_t>(names.size()));
    // Columns looked up once: the map does not change while the rows are read.
    std::vector<int32_t> cols;
    cols.reserve(names.size());
    for (const String& name : names) {
        auto it = colIndex.find(name);
        cols.push_back(it == colIndex.end() ? -1 : it->second);
    }
    for (int32_t r = 2; r < nRows; ++r) {
        CellRow row;
        row.reserve(names.size());
        for (int32_t c : cols) {
            String text;
            if (c >= 0) read(r, c, text);
            row.push_back(std::move(text));
        }
        if (!IsRowEmpty(row)) data.push_back(std::move(row));
    }
}

// ---- Merged cells ----

void CTqExcel::getMegeCell(Table& table, std::vector<STqFixedCellInfo>& mergedCells) {
    const size_t n = table.size();
    if (n == 0 || !sheet) return;
    size_t m = 0;
    for (const CellRow& row : table) m = std::max(m, row.size());
    const auto lastRow = static_cast<int64_t>(n) + 1;
    const auto lastCol = static_cast<int64_t>(m) + 1;
    checkReadArea("getMegeCell", path, 0, 0, lastRow, lastCol);
    for (int64_t r = 1; r <= lastRow; ++r) {
        for (int64_t c = 1; c <= lastCol; ++c) {
            range = GetObjectOf(sheet, xl::Worksheet_Cells);
            DispatchPtr cell = ObjectOf(Holder(range).InvokeHelper(
                xl::Range_Item, InvokeKind::PropertyGet, automation::VT_VARIANT,
                {Variant::I4(static_cast<int32_t>(r)), Variant::I4(static_cast<int32_t>(c))}));
            if (!cell) continue;
            Holder cellHolder(cell);
            const Variant merged =
                cellHolder.GetProperty(xl::Range_MergeCells, automation::VT_VARIANT);
            const Variant& flag = merged.deref();
            if (flag.vt != automation::VT_BOOL || flag.boolVal != automation::VARIANT_TRUE)
                continue;
            DispatchPtr area = GetObjectOf(cell, xl::Range_MergeArea);
            const int32_t rows = getInt(GetObjectOf(area, xl::Range_Rows), xl::Range_Count);
            const int32_t cols = getInt(GetObjectOf(area, xl::Range_Columns), xl::Range_Count);
            STqFixedCellInfo info;
            info.row = static_cast<int32_t>(r);
            info.col = static_cast<int32_t>(c);
            info.rowExtent = rows;
            info.colExtent = cols;
            mergedCells.push_back(info);
        }
    }
}

// ---- Formatting ----

void CTqExcel::setColWidth(int32_t col, int32_t width) {
    if (!range || !sheet) return;
    range = ObjectOf(Holder(range).InvokeHelper(xl::Range_Item, InvokeKind::PropertyGet,
                                                automation::VT_VARIANT,
                                                {Variant::I4(col), Variant::Missing()}));
    Holder(range).SetProperty(xl::Range_ColumnWidth, Variant::Int(width));
    range = GetObjectOf(sheet, xl::Worksheet_Cells);
}

void CTqExcel::setFontSize(int32_t size) {
    if (!range) return;
    Holder font(GetObjectOf(range, xl::Range_Font));
    font.SetProperty(xl::Font_Size, Variant::I2(static_cast<int16_t>(size)));
}

void CTqExcel::setFont(const std::string& fontName) {
    if (!range) return;
    Holder font(GetObjectOf(range, xl::Range_Font));
    const String name(fontName.c_str());
    font.SetProperty(xl::Font_Name, automation::StrVariant(name));
}

}  // namespace tq
