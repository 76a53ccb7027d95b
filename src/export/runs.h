// Splitting of an action's span into runs of equal cell texts (used by the document exporter,
// which merges each run).
#pragma once

#include <utility>
#include <vector>

#include "tqtool/table.h"

namespace tq {

/// The maximal runs of two or more byte-for-byte equal cell texts within the span of `act`, in
/// increasing order, as pairs (start, stop) of 0-based positions along the span, stop excluded:
/// column indices for unionRow, row indices for unionCol. Two empty cells are equal.
///
/// The span is cut at the table's edge: positions before 0, beyond the table, or beyond the end
/// of a short row hold no cell, and a missing cell belongs to no run (it ends the run before it).
/// A noAction (or unknown) type, or an `index` outside the table, gives no runs.
std::vector<std::pair<int, int>> findEqualRuns(const Table& table, const action& act);

}  // namespace tq
