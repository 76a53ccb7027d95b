// Saving one workbook as .xls and as .xlsx through the engine's save dispatch, timed in the same
// run; prints the best time of each and the ratio .xls / .xlsx.
//
//   xls_write_bench FILE [REPEATS]   (FILE: any workbook the engine reads)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "office/spreadsheet/file_io.h"

using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [REPEATS]\n", argv[0]);
        return 2;
    }
    int reps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    try {
        tq::office::Workbook wb;
        tq::office::LoadWorkbook(argv[1], wb);
        tq::office::BookModel b(std::move(wb));
        std::string base = "/tmp/tq-xls-write-bench-" + std::to_string(::getpid());
        double best[2] = {1e9, 1e9};
        for (int i = 0; i < reps; ++i)
            for (int k = 0; k < 2; ++k) {
                std::string out = base + (k ? ".xls" : ".xlsx");
                auto t0 = Clock::now();
                tq::office::SaveWorkbook(b, out, 0);
                best[k] =
                    std::min(best[k], std::chrono::duration<double>(Clock::now() - t0).count());
                std::remove(out.c_str());
            }
        std::printf("xlsx_save=%.3f xls_save=%.3f ratio=%.2f\n", best[0], best[1],
                    best[1] / best[0]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
