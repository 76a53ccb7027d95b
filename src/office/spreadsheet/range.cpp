// The spreadsheet engine's Range object: the dispatch of its members, and navigation (Item,
// Cells, Rows, Columns, EntireRow, EntireColumn, Resize, Count, Row, Column, Address).
#include "office/spreadsheet/range.h"

#include "office/common/recycled.h"

#include "text/text.h"
#include "tqtool/types.h"

namespace tq::office::sheet_engine {

namespace {

bool inSheet(int64_t r, int64_t c) {
    return r >= 0 && r < kMaxRows && c >= 0 && c < kMaxCols;
}

}  // namespace

DispatchPtr MakeRange(const BookPtr& b, uint32_t sheetId, int cache, const Rect& r, View v) {
    return std::allocate_shared<RangeObj>(RecyclingAllocator<RangeObj>(), b, sheetId, cache, r, v);
}

const Style& RangeObj::style(DISPID id) {
    Sheet& s = sheet(id);
    return b_->model.wb.styles[EffectiveStyle(s, r_.r1, r_.c1)];
}

Variant RangeObj::Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) {
    if (kind == InvokeKind::PropertyPut) return put(id, args);
    return get(id, args);
}

Variant RangeObj::get(DISPID id, std::span<const Variant> args) {
    switch (id) {
        case xl::Range_Item:
            return Variant::DispatchOf([&] { return item(args, id); });
        case automation::DISPID_VALUE:
            // The default member with indices is Item.
            if (!args.empty())
                return Variant::DispatchOf([&] { return item(args, xl::Range_Item); });
            return value(xl::Range_Value, false);
        case xl::Range_Value:
            return value(id, false);
        case xl::Range_Value2:
            return value(id, true);
        case xl::Range_Text:
            return textOf();
        case xl::Range_Cells:
            return view(View::Cells, id, args);
        case xl::Range_Rows:
            return view(View::Rows, id, args);
        case xl::Range_Columns:
            return view(View::Columns, id, args);
        case xl::Range_EntireRow:
            sheet(id);
            return Variant::Dispatch(make(Rect{r_.r1, 0, r_.r2, kMaxCols - 1}, View::Rows));
        case xl::Range_EntireColumn:
            sheet(id);
            return Variant::Dispatch(make(Rect{0, r_.c1, kMaxRows - 1, r_.c2}, View::Columns));
        case xl::Range_Count:
            return count();
        case xl::Range_Row:
            sheet(id);
            return Variant::I4(static_cast<int32_t>(r_.r1 + 1));
        case xl::Range_Column:
            sheet(id);
            return Variant::I4(static_cast<int32_t>(r_.c1 + 1));
        case xl::Range_Address:
            sheet(id);
            return Str(address());
        case xl::Range_Resize:
            return Variant::Dispatch(resize(args));
        case xl::Range_MergeCells:
            return mergeCells();
        case xl::Range_MergeArea:
            return Variant::Dispatch(mergeArea());
        case xl::Range_Merge:
        case xl::Range_UnMerge:
            merge(id, args);
            return Variant();
        case xl::Range_Clear:
        case xl::Range_ClearContents:
        case xl::Range_ClearFormats:
            clear(id);
            return Variant();
        case xl::Range_AutoFit:
            autoFit();
            return Variant();
        case xl::Range_ColumnWidth:
            return columnWidth();
        case xl::Range_RowHeight:
            return rowHeight();
        case xl::Range_Font:
        case xl::Range_Interior:
            sheet(id);
            return Variant::Dispatch(MakeFormatPart(b_, id_, cache_, r_, id == xl::Range_Font));
        case xl::Range_Worksheet:
        case xl::Range_Parent:
            sheet(id);
            return Variant::Dispatch(MakeWorksheet(b_, id_));
        case xl::Range_Select:
        case xl::Range_Activate:
            sheet(id);
            return Variant::Bool(true);
        default:
            return formatGet(id);
    }
}

Variant RangeObj::put(DISPID id, std::span<const Variant> args) {
    const Variant& v = PutValue(args, member(id));
    // The default member with indices is Item.
    if (id == automation::DISPID_VALUE && args.size() > 1) id = xl::Range_Item;
    switch (id) {
        case xl::Range_Item: {
            DispatchPtr target = item(args.first(args.size() - 1), id);
            static_cast<RangeObj&>(*target).putValue(v, id);
            return Variant();
        }
        case automation::DISPID_VALUE:
        case xl::Range_Value:
        case xl::Range_Value2:
            putValue(v, xl::Range_Value);
            return Variant();
        case xl::Range_ColumnWidth:
            putColumnWidth(v);
            return Variant();
        case xl::Range_RowHeight:
            putRowHeight(v);
            return Variant();
        case xl::Range_MergeCells:
            putMergeCells(v);
            return Variant();
        default:
            formatPut(id, v);
            return Variant();
    }
}

Variant RangeObj::view(View v, DISPID id, std::span<const Variant> args) {
    if (args.empty()) return Variant::Dispatch(make(r_, v));
    RangeObj viewed(b_, id_, cache_, r_, v);
    return Variant::Dispatch(viewed.item(args, id));
}

std::string RangeObj::address() const {
    auto cell = [](uint32_t r, uint32_t c) {
        return "$" + ColumnName(c) + "$" + std::to_string(r + 1);
    };
    if (r_.wholeRows() && !r_.wholeCols())
        return "$" + std::to_string(r_.r1 + 1) + ":$" + std::to_string(r_.r2 + 1);
    if (r_.wholeCols() && !r_.wholeRows())
        return "$" + ColumnName(r_.c1) + ":$" + ColumnName(r_.c2);
    if (r_.wholeSheet()) return "$1:$" + std::to_string(kMaxRows);
    if (r_.single()) return cell(r_.r1, r_.c1);
    return cell(r_.r1, r_.c1) + ":" + cell(r_.r2, r_.c2);
}

int64_t RangeObj::indexArg(const Variant& v, const MemberRef& who, bool columns) {
    if (columns && v.vt == automation::VT_BSTR && !v.bstr.empty()) {
        // A column given by its letters ("B", "AA").
        uint32_t col = 0;
        if (ParseColumnLetters(text::utf16ToUtf8(v.bstr), col) == RefParse::Ok)
            return int64_t(col) + 1 - static_cast<int64_t>(r_.c1);
    }
    return ToIndex(v, who);
}

DispatchPtr RangeObj::item(std::span<const Variant> args, DISPID asMember) {
    const MemberRef who = member(asMember);
    b_->sheet(id_, cache_, who);
    const Variant& a = Arg(args, 0);
    const Variant& b = Arg(args, 1);
    if (args.size() >= 2 && Given(b)) {
        int64_t r = int64_t(r_.r1) + ToIndex(a, who) - 1;
        int64_t c = int64_t(r_.c1) + indexArg(b, who, true) - 1;
        if (!inSheet(r, c)) Fail(hresult::DISP_E_BADINDEX_, who, "the cell is outside the sheet");
        uint32_t rr = static_cast<uint32_t>(r), cc = static_cast<uint32_t>(c);
        return make(Rect{rr, cc, rr, cc});
    }
    if (!Given(a)) Fail(hresult::DISP_E_PARAMNOTFOUND_, who, "a row or cell index is required");
    if (view_ == View::Rows) {
        int64_t r = int64_t(r_.r1) + ToIndex(a, who) - 1;
        if (!inSheet(r, 0)) Fail(hresult::DISP_E_BADINDEX_, who, "the row is outside the sheet");
        uint32_t rr = static_cast<uint32_t>(r);
        return make(Rect{rr, r_.c1, rr, r_.c2}, View::Rows);
    }
    if (view_ == View::Columns) {
        int64_t c = int64_t(r_.c1) + indexArg(a, who, true) - 1;
        if (!inSheet(0, c)) Fail(hresult::DISP_E_BADINDEX_, who, "the column is outside the sheet");
        uint32_t cc = static_cast<uint32_t>(c);
        return make(Rect{r_.r1, cc, r_.r2, cc}, View::Columns);
    }
    // One index counts the cells row by row across the range's width.
    int64_t i = ToIndex(a, who) - 1;
    int64_t w = static_cast<int64_t>(r_.colCount());
    int64_t dr = i >= 0 ? i / w : -((-i + w - 1) / w);
    int64_t dc = i - dr * w;
    int64_t r = int64_t(r_.r1) + dr, c = int64_t(r_.c1) + dc;
    if (!inSheet(r, c)) Fail(hresult::DISP_E_BADINDEX_, who, "the cell is outside the sheet");
    uint32_t rr = static_cast<uint32_t>(r), cc = static_cast<uint32_t>(c);
    return make(Rect{rr, cc, rr, cc});
}

DispatchPtr RangeObj::resize(std::span<const Variant> args) {
    const MemberRef who = member(xl::Range_Resize);
    b_->sheet(id_, cache_, who);
    int64_t rows = Given(Arg(args, 0)) ? ToInteger(Arg(args, 0), who) : int64_t(r_.rowCount());
    int64_t cols = Given(Arg(args, 1)) ? ToInteger(Arg(args, 1), who) : int64_t(r_.colCount());
    // "the size must be at least 1 × 1" (GBK)
    if (rows < 1 || cols < 1)
        Fail(hresult::E_INVALIDARG_, who, "the size must be at least 1 \xa1\xc1 1");
    if (int64_t(r_.r1) + rows > kMaxRows || int64_t(r_.c1) + cols > kMaxCols)
        Fail(hresult::E_INVALIDARG_, who, "the resized range reaches beyond the sheet");
    return make(Rect{r_.r1, r_.c1, static_cast<uint32_t>(r_.r1 + rows - 1),
                     static_cast<uint32_t>(r_.c1 + cols - 1)},
                view_);
}

Variant RangeObj::count() {
    sheet(xl::Range_Count);
    uint64_t n = view_ == View::Rows      ? r_.rowCount()
                 : view_ == View::Columns ? r_.colCount()
                                          : r_.cellCount();
    if (n > INT32_MAX)
        Fail(hresult::DISP_E_OVERFLOW_, member(xl::Range_Count),
             "the range holds more cells than a count can hold");
    return Variant::I4(static_cast<int32_t>(n));
}

}  // namespace tq::office::sheet_engine
