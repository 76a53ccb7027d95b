// WordTable writing 50 tables of 200 rows x 8 columns, each with one run merged along a row and
// one down a column, into a new document that is saved (as showing the document does).
// bench/word_bench.sh compares it with python-docx building the same document.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "automation/servers.h"
#include "tqtool/export.h"
#include "tqtool/messagebox.h"

namespace {

constexpr int kTables = 50, kRows = 200, kCols = 8;

/// Cell texts that are all different except the two planned runs: columns 1-3 of row 0 and rows
/// 2-5 of column 0.
tq::Table makeTable(int k) {
    tq::Table t(kRows, tq::CellRow(kCols));
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c)
            t[r][c] = "T" + std::to_string(k) + "R" + std::to_string(r) + "C" + std::to_string(c);
    for (int c = 1; c <= 3; ++c) t[0][c] = "\xba\xcf\xb2\xa2";  // 合并
    for (int r = 2; r <= 5; ++r) t[r][0] = "\xd7\xdd";          // 纵
    return t;
}

void BM_WordTable50x200x8(benchmark::State& state) {
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tqbench-word-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ::setenv("TQTOOL_OFFICE_DIR", dir.c_str(), 1);
    ::setenv("TQTOOL_OFFICE_OPEN", "0", 1);
    std::vector<tq::String> titles;
    tq::TableSet tables;
    std::vector<std::vector<tq::action>> actions;
    for (int k = 0; k < kTables; ++k) {
        titles.push_back("\xb1\xed" + std::to_string(k + 1));  // 表N
        tables.push_back(makeTable(k));
        actions.push_back({tq::action(tq::unionRow, 0, 0, -1), tq::action(tq::unionCol, 0, 0, -1)});
    }
    for (auto _ : state) {
        if (!tq::WordTable(titles, tables, actions, true)) state.SkipWithError("WordTable failed");
        state.PauseTiming();
        // A new document server for the next round, so documents do not pile up in one.
        tq::automation::ForgetRunningServer("Word.Application");
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        state.ResumeTiming();
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_WordTable50x200x8)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
