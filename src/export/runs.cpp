// Runs of equal cell texts along a row or column of a table: what an action merges.
#include "export/runs.h"

#include <algorithm>
#include <cstdint>

namespace tq {

std::vector<std::pair<int, int>> findEqualRuns(const Table& table, const action& act) {
    std::vector<std::pair<int, int>> runs;
    if (act.type != unionRow && act.type != unionCol) return runs;
    if (act.index < 0) return runs;
    const auto index = static_cast<size_t>(act.index);

    // The cell at position k along the span, or null where the table has no such cell.
    auto cell = [&](int64_t k) -> const String* {
        if (k < 0) return nullptr;
        const auto pos = static_cast<size_t>(k);
        if (act.type == unionRow) {
            if (index >= table.size() || pos >= table[index].size()) return nullptr;
            return &table[index][pos];
        }
        if (pos >= table.size() || index >= table[pos].size()) return nullptr;
        return &table[pos][index];
    };

    // -1 stands for the width of the first row (row span) or the number of rows (column span).
    int64_t end = act.ep;
    if (act.ep == -1) {
        if (act.type == unionRow)
            end = table.empty() ? 0 : static_cast<int64_t>(table.front().size());
        else
            end = static_cast<int64_t>(table.size());
    }
    // Cut the span at the table's edge.
    int64_t limit = 0;
    if (act.type == unionRow)
        limit = index < table.size() ? static_cast<int64_t>(table[index].size()) : 0;
    else
        limit = static_cast<int64_t>(table.size());
    end = std::min(end, limit);

    int64_t start = std::max<int64_t>(act.sp, 0);
    while (start < end) {
        const String* first = cell(start);
        int64_t j = start + 1;
        if (first) {
            for (const String* c; j < end && (c = cell(j)) != nullptr && *c == *first;) ++j;
        }
        if (j - start >= 2) runs.emplace_back(static_cast<int>(start), static_cast<int>(j));
        start = j;
    }
    return runs;
}

}  // namespace tq
