// libFuzzer target for the .xls reader.
//
// The first byte of an input chooses what the rest is: a whole file (the compound document and
// everything behind it), or a BIFF workbook stream that is put into a valid compound document
// first, so that mutations reach the record readers instead of dying in the container.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "office/spreadsheet/xls/compound_file.h"
#include "office/spreadsheet/xls/xls_reader.h"
#include "tqtool/limits.h"
#include "tqtool/types.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static bool limited = [] {
        tq::Limits l = tq::GetLimits();
        l.maxCells = 200'000;
        l.maxTextBytes = 16u << 20;
        tq::SetLimits(l);
        return true;
    }();
    (void)limited;
    std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string file;
    if (data[0] % 2 == 1) {
        tq::office::cfb::WriteSingleStream(data[0] % 4 == 1 ? "Workbook" : "BOOK", body,
                                           [&](const void* p, size_t n) {
                                               file.append(static_cast<const char*>(p), n);
                                               return true;
                                           });
        body = file;
    }
    tq::office::Workbook wb;
    try {
        tq::office::ReadXlsMemory(body.data(), body.size(), "fuzz.xls", wb);
    } catch (const tq::AutomationError&) {
        return 0;
    }
    // What was read must hold together.
    for (const auto& sh : wb.sheets) {
        for (size_t i = 0; i < sh.rows.size(); ++i) {
            const auto& r = sh.rows[i];
            if (i && r.row <= sh.rows[i - 1].row) __builtin_trap();
            for (size_t k = 0; k < r.cells.size(); ++k) {
                const auto& c = r.cells[k];
                if (c.col >= tq::office::kMaxCols || (k && c.col <= r.cells[k - 1].col))
                    __builtin_trap();
                if (c.type == tq::office::CellType::String && c.str >= wb.strings.size())
                    __builtin_trap();
                if (c.style >= wb.styles.size()) __builtin_trap();
            }
        }
        for (const auto& ci : sh.cols)
            if (ci.style >= 0 && static_cast<size_t>(ci.style) >= wb.styles.size())
                __builtin_trap();
    }
    return 0;
}
