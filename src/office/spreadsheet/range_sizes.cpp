// The spreadsheet engine's Range sizes: column widths, row heights and fitting them to the text.
#include "office/spreadsheet/range.h"
#include "tqtool/types.h"

namespace tq::office::sheet_engine {

namespace {

// Rows given a height one by one up to this many.
constexpr uint64_t kMaxRowsByRow = 10'000'000;

}  // namespace

Variant RangeObj::columnWidth() {
    Sheet& s = sheet(xl::Range_ColumnWidth);
    double w = ColumnWidth(s, r_.c1);
    // The same width for every column of the range, or Null.
    for (const ColInfo& ci : s.cols) {
        if (ci.last < r_.c1 || ci.first > r_.c2) continue;
        double cw = ci.width >= 0 ? ci.width : s.defaultColWidth;
        if (cw != w) return NullVariant();
        if ((ci.first > r_.c1 || ci.last < r_.c2) && w != s.defaultColWidth) return NullVariant();
    }
    return Variant::R8(w);
}

Variant RangeObj::rowHeight() {
    Sheet& s = sheet(xl::Range_RowHeight);
    const Row* row = FindRow(s, r_.r1);
    return Variant::R8(row && row->height >= 0 ? row->height : s.defaultRowHeight);
}

void RangeObj::putColumnWidth(const Variant& v) {
    const MemberRef who = member(xl::Range_ColumnWidth);
    double w = ToDouble(v, who);
    if (!(w >= 0 && w <= 255))
        Fail(hresult::E_INVALIDARG_, who, "a column width must be between 0 and 255");
    EditColumns(sheet(xl::Range_ColumnWidth), r_.c1, r_.c2, [w](ColInfo& ci) { ci.width = w; });
}

void RangeObj::putRowHeight(const Variant& v) {
    const MemberRef who = member(xl::Range_RowHeight);
    double h = ToDouble(v, who);
    if (!(h >= 0 && h <= 409))
        Fail(hresult::E_INVALIDARG_, who, "a row height must be between 0 and 409");
    Sheet& s = sheet(xl::Range_RowHeight);
    if (r_.rowCount() > kMaxRowsByRow) Fail(who, "too many rows");
    for (uint64_t r = r_.r1; r <= r_.r2; ++r) RowAt(s, static_cast<uint32_t>(r)).height = h;
}

void RangeObj::autoFit() {
    Sheet& s = sheet(xl::Range_AutoFit);
    bool rows = view_ == View::Rows || (view_ == View::Cells && r_.wholeRows());
    bool cols =
        view_ == View::Columns || (view_ == View::Cells && r_.wholeCols() && !r_.wholeRows());
    if (rows)
        AutoFitRows(b_->model, s, r_);
    else if (cols)
        AutoFitColumns(b_->model, s, r_);
    else
        Fail(member(xl::Range_AutoFit),
             "only whole rows or whole columns can be fitted (use Rows or Columns)");
}

}  // namespace tq::office::sheet_engine
