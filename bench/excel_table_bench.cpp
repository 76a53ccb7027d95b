// ExcelTable into an open workbook against libxlsxwriter, in the same run.
//
//   excel_table_bench [--rows=N] [benchmark options]
//
// One table of N rows (default 100,000) x 10 columns: a title row merged across the 10 columns, a
// header row, then ASCII and Chinese texts and numbers as text. Measured:
//   OpenWorkbookForm     CTqExcel(path).open(false) + ExcelTable(tables, fixedCells) + save + exit
//                        (every cell centred and text-formatted, the merged title, rows and
//                        columns fitted, the sheet named)
//   XlsxWriterConstMem   libxlsxwriter in constant-memory mode writing the same cells as strings
//                        with a centred text format, the same merged title and the sheet name
// At the end the ratio OpenWorkbookForm / XlsxWriterConstMem is printed (target <= 2).
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "bench_support.h"
#include "text/text.h"
#include "tqtool/excel.h"

namespace {

int g_rows = 100000;
constexpr int kCols = 10;
tq::TableSet g_tables;  // GBK, as the library takes it
tq::Table g_utf8;       // the same texts in UTF-8, as libxlsxwriter takes them
std::string g_dir;

void makeTables() {
    // 基准表 / 编号 名称 地区 ...
    const std::string title = "\xbb\xf9\xd7\xbc\xb1\xed";
    const char* cities[] = {"\xb1\xb1\xbe\xa9", "\xc9\xcf\xba\xa3", "\xb9\xe3\xd6\xdd",
                            "\xc9\xee\xdb\xda"};
    tq::Table t;
    t.push_back(tq::CellRow(kCols));
    t[0][0] = title;
    tq::CellRow header;
    for (int c = 0; c < kCols; ++c) header.push_back("\xc1\xd0" + std::to_string(c + 1));  // 列n
    t.push_back(header);
    for (int r = 2; r < g_rows; ++r) {
        tq::CellRow row;
        row.push_back(std::to_string(r - 1));
        row.push_back("item-" + std::to_string(r % 5000));
        row.push_back("\xb2\xe2\xca\xd4" + std::to_string(r % 3000));  // 测试n
        row.push_back(tq::text::format("%.2f", r * 1.25));
        row.push_back(cities[r % 4]);
        row.push_back(tq::text::format("C%06d", r));
        row.push_back(std::to_string(r % 97));
        row.push_back(r % 3 ? "" : "note " + std::to_string(r));
        row.push_back(tq::text::format("%.3f", (r % 1000) / 37.0));
        row.push_back(r % 5 ? "" : "\xb1\xb8\xd7\xa2" + std::to_string(r));  // 备注n
        t.push_back(std::move(row));
    }
    for (const auto& row : t) {
        tq::CellRow u;
        for (const auto& cell : row) u.push_back(tq::text::gbkToUtf8(cell));
        g_utf8.push_back(std::move(u));
    }
    g_tables.push_back(std::move(t));
}

void OpenWorkbookForm(benchmark::State& state) {
    const std::string path = g_dir + "/ours.xlsx";
    tq::STqFixedCellInfo title;
    title.colExtent = kCols - 1;
    const std::vector<std::vector<tq::STqFixedCellInfo>> fixed{{title}};
    for (auto _ : state) {
        ::unlink(path.c_str());
        tq::CTqExcel x(path);
        if (!x.open(false)) state.SkipWithError("no spreadsheet server");
        x.ExcelTable(g_tables, fixed);
        x.save();
        x.exit();
    }
}

void XlsxWriterConstMem(benchmark::State& state) {
    const std::string path = g_dir + "/reference.xlsx";
    for (auto _ : state) {
        lxw_workbook_options options = {};
        options.constant_memory = LXW_TRUE;
        lxw_workbook* wb = workbook_new_opt(path.c_str(), &options);
        const tq::Table& t = g_utf8;
        lxw_worksheet* ws = workbook_add_worksheet(wb, t[0][0].c_str());
        lxw_format* f = workbook_add_format(wb);
        format_set_align(f, LXW_ALIGN_CENTER);
        format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
        format_set_num_format(f, "@");
        // Row 0: the merged title (in constant-memory mode rows go strictly in order).
        worksheet_merge_range(ws, 0, 0, 0, kCols - 1, t[0][0].c_str(), f);
        for (size_t r = 1; r < t.size(); ++r)
            for (size_t c = 0; c < t[r].size(); ++c)
                worksheet_write_string(ws, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c),
                                       t[r][c].c_str(), f);
        if (workbook_close(wb) != LXW_NO_ERROR) state.SkipWithError("libxlsxwriter failed");
    }
}

}  // namespace

BENCHMARK(XlsxWriterConstMem)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(OpenWorkbookForm)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

int main(int argc, char** argv) {
    benchsupport::Initialize(argc, argv, g_rows);
    char tmpl[] = "/tmp/tq-excel-table-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) return 1;
    g_dir = tmpl;
    makeTables();
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& b = reporter.best;
    if (b.count("OpenWorkbookForm") && b.count("XlsxWriterConstMem")) {
        auto& c = reporter.bestCpu;
        std::printf(
            "ratio OpenWorkbookForm / XlsxWriterConstMem = %.2f wall, %.2f CPU (target <= 2.00)\n",
            b["OpenWorkbookForm"] / b["XlsxWriterConstMem"],
            c["OpenWorkbookForm"] / c["XlsxWriterConstMem"]);
    }
    ::unlink((g_dir + "/ours.xlsx").c_str());
    ::unlink((g_dir + "/reference.xlsx").c_str());
    ::rmdir(g_dir.c_str());
    benchmark::Shutdown();
    return 0;
}
