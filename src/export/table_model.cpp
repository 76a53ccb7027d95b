// The table model's merge records: action and STqFixedCellInfo, their text forms and ordering.
#include "tqtool/table.h"

#include "text/text.h"

namespace tq {

STqFixedCellInfo::STqFixedCellInfo() : row(0), col(0), rowExtent(0), colExtent(0) {}

bool STqFixedCellInfo::operator<(const STqFixedCellInfo& other) {
    if (col != other.col) return col > other.col;
    return row > other.row;
}

bool STqFixedCellInfo::operator=(const STqFixedCellInfo& other) {
    row = other.row;
    col = other.col;
    rowExtent = other.rowExtent;
    colExtent = other.colExtent;
    return true;
}

action::action(actionType type, int index, int sp, int ep)
    : type(type), index(index), sp(sp), ep(ep) {}

action& action::operator=(const action& other) {
    type = other.type;
    index = other.index;
    sp = other.sp;
    ep = other.ep;
    return *this;
}

String action::toStr() const {
    switch (type) {
        case unionRow:
            return text::format("unionRow, row=%d, sp=%d, ep=%d", index, sp, ep);
        case unionCol:
            return text::format("unionCol, col=%d, sp=%d, ep=%d", index, sp, ep);
        default:
            return "noAction||NULL";
    }
}

}  // namespace tq
