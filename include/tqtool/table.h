// Table model of the exporters: the merge records with which a caller plans which cells of a table
// are merged. Tables themselves are tq::TableSet / tq::Table / tq::CellRow (tqtool/types.h).
#pragma once

#include <cstdint>

#include "tqtool/types.h"

namespace tq {

/// A rectangular cell area: rows `row` to `row + rowExtent` and columns `col` to
/// `col + colExtent`, both ends included, 0-based.
struct TQTOOL_API STqFixedCellInfo {
    int32_t row;
    int32_t col;
    int32_t rowExtent;  ///< number of rows of the area minus 1
    int32_t colExtent;  ///< number of columns of the area minus 1

    /// All four fields 0.
    STqFixedCellInfo();
    /// Copies the four fields.
    STqFixedCellInfo(const STqFixedCellInfo& other) = default;

    /// Orders right to left, then bottom to top: true when `col` > other.col, or when the columns
    /// are equal and `row` > other.row. The extents take no part.
    bool operator<(const STqFixedCellInfo& other);
    /// Copies the four fields; always returns true (assignments do not chain).
    bool operator=(const STqFixedCellInfo& other);
};

/// Kind of merge of an action.
enum actionType : int32_t {
    noAction = 0,  ///< no merge
    unionRow = 1,  ///< the span is a range of columns in one row
    unionCol = 2,  ///< the span is a range of rows in one column
};

/// A merge along one row or column: cells `sp` (included) to `ep` (excluded) of row `index`
/// (unionRow) or column `index` (unionCol). An `ep` of -1 stands for the length of the table's
/// first row (unionRow) or the number of rows (unionCol).
struct TQTOOL_API action {
    actionType type;
    int32_t index;
    int32_t sp;
    int32_t ep;

    /// The four fields as given; by default noAction with every number 0.
    action(actionType type = noAction, int index = 0, int sp = 0, int ep = 0);
    /// Copies the four fields.
    action(const action& other) = default;
    /// Copies the four fields.
    action& operator=(const action& other);

    /// "unionRow, row=%d, sp=%d, ep=%d", "unionCol, col=%d, sp=%d, ep=%d", or "noAction||NULL"
    /// for any other type.
    String toStr() const;
};

}  // namespace tq
