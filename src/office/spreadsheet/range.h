// The spreadsheet engine's Range object (private to src/office/spreadsheet). Its members are
// spread over range.cpp (the dispatch and navigation: Item, Cells, Rows, Columns, Resize,
// Count, Address), range_values.cpp (Value, Value2, Text), range_formats.cpp (number formats,
// alignment, wrapping, clearing, Font and Interior), range_merges.cpp (MergeCells, MergeArea,
// Merge, UnMerge) and range_sizes.cpp (column widths, row heights, AutoFit).
#pragma once

#include <functional>

#include "office/spreadsheet/engine_state.h"

namespace tq::office::sheet_engine {

class RangeObj : public Object {
  public:
    RangeObj(BookPtr b, uint32_t id, int cache, const Rect& r, View v)
        : b_(std::move(b)), id_(id), cache_(cache), r_(r), view_(v) {}
    std::string TypeName() const override { return "Range"; }

    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override;

    /// Item(args) counted as this range's view counts: one cell, row or column.
    DispatchPtr item(std::span<const Variant> args, DISPID asMember);

  private:
    Sheet& sheet(DISPID id) { return b_->sheet(id_, cache_, member(id)); }
    DispatchPtr make(const Rect& r, View v = View::Cells) const {
        return MakeRange(b_, id_, cache_, r, v);
    }
    const Style& style(DISPID id);

    // range.cpp
    Variant get(DISPID id, std::span<const Variant> args);
    Variant put(DISPID id, std::span<const Variant> args);
    Variant view(View v, DISPID id, std::span<const Variant> args);
    int64_t indexArg(const Variant& v, const MemberRef& who, bool columns);
    DispatchPtr resize(std::span<const Variant> args);
    Variant count();
    std::string address() const;

    // range_values.cpp
    Variant cellValue(const Sheet& s, uint32_t r, uint32_t c, bool raw);
    Variant value(DISPID id, bool raw);
    Variant textOf();
    void putCell(Sheet& s, uint32_t r, uint32_t c, const Variant& v, const MemberRef& who,
                 int depth = 0);
    void putValue(const Variant& v, DISPID id);

    // range_formats.cpp
    Variant formatGet(DISPID id);
    void formatPut(DISPID id, const Variant& v);
    void format(DISPID id, const std::function<void(Style&)>& edit);
    void clear(DISPID id);

    // range_merges.cpp
    Variant mergeCells();
    DispatchPtr mergeArea();
    void merge(DISPID id, std::span<const Variant> args);
    void putMergeCells(const Variant& v);

    // range_sizes.cpp
    Variant columnWidth();
    Variant rowHeight();
    void putColumnWidth(const Variant& v);
    void putRowHeight(const Variant& v);
    void autoFit();

    BookPtr b_;
    uint32_t id_;
    int cache_;
    Rect r_;
    View view_;
};

}  // namespace tq::office::sheet_engine
