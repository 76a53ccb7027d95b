// The spreadsheet engine's Range merges: MergeCells (whether the range is merged), MergeArea (the
// merged area of its top-left cell), Merge and UnMerge. Both are answered from the sheet's
// merged-area index (MergeAt for a cell, MergesMeeting for a range) without scanning the areas.
#include <algorithm>

#include "office/spreadsheet/range.h"

namespace tq::office::sheet_engine {

Variant RangeObj::mergeCells() {
    Sheet& s = sheet(xl::Range_MergeCells);
    if (r_.single()) return Variant::Bool(MergeAt(s, r_.r1, r_.c1) != nullptr);
    // Several cells: merged when merged areas cover all of them, Null when they cover some.
    uint64_t covered = 0;
    for (uint32_t pos : MergesMeeting(s, r_)) {
        Rect mr = ToRect(s.merges[pos]);
        Rect x{std::max(mr.r1, r_.r1), std::max(mr.c1, r_.c1), std::min(mr.r2, r_.r2),
               std::min(mr.c2, r_.c2)};
        covered += x.cellCount();
    }
    if (covered == 0) return Variant::Bool(false);
    if (covered == r_.cellCount()) return Variant::Bool(true);
    return NullVariant();
}

DispatchPtr RangeObj::mergeArea() {
    Sheet& s = sheet(xl::Range_MergeArea);
    const MergeArea* m = MergeAt(s, r_.r1, r_.c1);
    return make(m ? ToRect(*m) : Rect{r_.r1, r_.c1, r_.r1, r_.c1});
}

void RangeObj::merge(DISPID id, std::span<const Variant> args) {
    Sheet& s = sheet(id);
    if (id == xl::Range_UnMerge) {
        Unmerge(s, r_);
        return;
    }
    bool across = Given(Arg(args, 0)) && ToBool(Arg(args, 0), member(id));
    Merge(b_->model, s, r_, across);
}

void RangeObj::putMergeCells(const Variant& v) {
    Sheet& s = sheet(xl::Range_MergeCells);
    if (ToBool(v, member(xl::Range_MergeCells)))
        Merge(b_->model, s, r_, false);
    else
        Unmerge(s, r_);
}

}  // namespace tq::office::sheet_engine
