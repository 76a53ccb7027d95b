// Reads an .xls workbook into the engine's model and takes every cell's value and text form
// (the text a reading member returns), timing the whole run; the engine's own part of the
// automation read that xlsx_read_bench measures end to end.
//
//   xls_read_bench FILE
#include <chrono>
#include <cstdio>
#include <string>

#include "office/spreadsheet/model/model_ops.h"
#include "office/spreadsheet/xls/xls_reader.h"
#include "text/text.h"

using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    auto t0 = Clock::now();
    size_t cells = 0, bytes = 0;
    try {
        tq::office::Workbook wb;
        tq::office::ReadXls(argv[1], wb);
        tq::office::BookModel b(std::move(wb));
        for (const auto& row : b.wb.sheets.at(0).rows)
            for (const auto& c : row.cells) {
                ++cells;
                bytes += tq::text::utf8ToGbk(tq::office::CellText(b, c)).size();
            }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
    double secs = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("mode=model cells=%zu text_bytes=%zu seconds=%.3f\n", cells, bytes, secs);
    return 0;
}
