// What a reader's result must hold to, whatever the input: rows and cells in order and inside a
// sheet, and every shared string and style they name present. A fuzz target traps when it does
// not.
#pragma once

#include <cstddef>

#include "office/spreadsheet/model/workbook_model.h"

namespace tqfuzz {

inline void CheckWorkbook(const tq::office::Workbook& wb) {
    for (const auto& sh : wb.sheets) {
        for (size_t i = 0; i < sh.rows.size(); ++i) {
            const auto& r = sh.rows[i];
            if (r.row >= tq::office::kMaxRows || (i && r.row <= sh.rows[i - 1].row))
                __builtin_trap();
            for (size_t k = 0; k < r.cells.size(); ++k) {
                const auto& c = r.cells[k];
                if (c.col >= tq::office::kMaxCols || (k && c.col <= r.cells[k - 1].col) ||
                    (c.type == tq::office::CellType::String && c.str >= wb.strings.size()) ||
                    c.style >= wb.styles.size())
                    __builtin_trap();
            }
        }
        for (const auto& ci : sh.cols)
            if (ci.style >= 0 && static_cast<size_t>(ci.style) >= wb.styles.size())
                __builtin_trap();
    }
}

}  // namespace tqfuzz
