// CTqExcel reading the 100,000 x 10 benchmark workbook, against the engine's own per-cell read of
// the same cells through the automation calls, in the same run.
//
//   excel_read_bench [--rows=N] [benchmark options]
//
// The workbook (a title row, a header row, numbers, ASCII and Chinese texts, some empty cells) is
// generated with python3-xlsxwriter into bench/.work/read_<N>.xlsx when missing (the same file the
// engine's reading benchmark uses). Measured, each including opening and closing the workbook:
//   EnginePerCell    Workbooks.Open, then Cells.Item(r, c) and the coercion to text of every cell
//                    of the used range (the calls CTqExcel must make, without CTqExcel)
//   GetAllData       CTqExcel::open(true) + getAllData + exit
//   GetDataByNames   CTqExcel::open(true) + getData(3 names) + exit
// At the end the ratios GetAllData / EnginePerCell (target <= 1.3) and GetDataByNames /
// GetAllData (target <= 1) are printed.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "automation/excel_ops.h"
#include "automation/holder.h"
#include "automation/servers.h"
#include "excel/connect.h"
#include "os/process.h"
#include "text/text.h"
#include "tqtool/excel.h"

namespace {

using namespace tq::automation;

std::string g_book;  // file-system path (UTF-8)
int g_rows = 100000;

const char* kGenerator = R"PY(
import sys, xlsxwriter
path, rows = sys.argv[1], int(sys.argv[2])
wb = xlsxwriter.Workbook(path)
ws = wb.add_worksheet("数据")
ws.write(0, 0, "基准测试表 Benchmark table")
for c, h in enumerate(["编号", "Name", "名称", "Value", "Ratio", "Code", "地区", "Count", "Note", "备注"]):
    ws.write(1, c, h)
cities = ["北京", "上海", "广州", "深圳", "成都", "杭州", "武汉", "西安"]
for r in range(rows):
    R = r + 2
    ws.write_number(R, 0, r + 1)
    ws.write_string(R, 1, "item-%d" % (r % 5000))
    ws.write_string(R, 2, "测试名称%d" % (r % 3000))
    ws.write_number(R, 3, r * 1.25 + 0.1)
    if r % 7:
        ws.write_number(R, 4, (r % 1000) / 37.0)
    ws.write_string(R, 5, "C%06d" % r)
    ws.write_string(R, 6, cities[r % len(cities)])
    ws.write_number(R, 7, r % 97)
    if r % 3 == 0:
        ws.write_string(R, 8, "note %d" % r)
    if r % 5 == 0:
        ws.write_string(R, 9, "备注第%d行" % r)
wb.close()
)PY";

bool ensureWorkbook() {
    std::string here = __FILE__;  // .../bench/excel_read_bench.cpp
    here.resize(here.rfind('/'));
    const std::string work = here + "/.work";
    ::mkdir(work.c_str(), 0755);
    g_book = work + "/read_" + std::to_string(g_rows) + ".xlsx";
    struct stat st {};
    if (::stat(g_book.c_str(), &st) == 0) return true;
    const std::string script = work + "/make_read_book.py";
    if (FILE* f = std::fopen(script.c_str(), "w")) {
        std::fputs(kGenerator, f);
        std::fclose(f);
    }
    std::fprintf(stderr, "generating %s\n", g_book.c_str());
    int status = 0;
    return tq::os::RunAndWait({"/usr/bin/python3", script, g_book, std::to_string(g_rows)},
                              &status) &&
           status == 0;
}

void EnginePerCell(benchmark::State& state) {
    size_t bytes = 0;
    for (auto _ : state) {
        DispatchPtr app = tq::ConnectServer("Excel.Application");
        Holder xlapp(app);
        Holder books = xlapp.GetObject(xl::Application_Workbooks);
        auto args = xl::OpenArgs(StrVariant(tq::text::pathFromOs(g_book)), Variant::Missing(),
                                 Variant::Bool(true));
        Holder book = books.InvokeObject(xl::Workbooks_Open, InvokeKind::Method, args);
        Holder sheet =
            book.GetObject(xl::Workbook_Worksheets).GetObject(xl::Sheets_Item, {Variant::I4(1)});
        Holder used = sheet.GetObject(xl::Worksheet_UsedRange);
        const int32_t rows =
            used.GetObject(xl::Range_Rows).GetProperty(xl::Range_Count, VT_I4).lVal;
        const int32_t cols =
            used.GetObject(xl::Range_Columns).GetProperty(xl::Range_Count, VT_I4).lVal;
        Holder cells = sheet.GetObject(xl::Worksheet_Cells);
        for (int32_t r = 1; r <= rows; ++r)
            for (int32_t c = 1; c <= cols; ++c) {
                Variant cell = cells.InvokeHelper(xl::Range_Item, InvokeKind::PropertyGet,
                                                  VT_VARIANT, {Variant::I4(r), Variant::I4(c)});
                bytes += VariantToString(cell).size();
            }
        auto close = xl::CloseArgs(Variant::Missing());
        book.InvokeHelper(xl::Workbook_Close, InvokeKind::Method, VT_EMPTY, close);
    }
    benchmark::DoNotOptimize(bytes);
}

void GetAllData(benchmark::State& state) {
    size_t n = 0;
    for (auto _ : state) {
        tq::CTqExcel x(tq::text::pathFromOs(g_book));
        if (!x.open(true)) state.SkipWithError("cannot open the workbook");
        tq::Table data;
        x.getAllData(data);
        n += data.size();
        x.exit();
    }
    benchmark::DoNotOptimize(n);
}

void GetDataByNames(benchmark::State& state) {
    size_t n = 0;
    // 编号, 名称, 备注 (GBK)
    const tq::StringArray names = {"\xb1\xe0\xba\xc5", "\xc3\xfb\xb3\xc6", "\xb1\xb8\xd7\xa2"};
    for (auto _ : state) {
        tq::CTqExcel x(tq::text::pathFromOs(g_book));
        if (!x.open(true)) state.SkipWithError("cannot open the workbook");
        tq::Table data;
        x.getData(names, data);
        n += data.size();
        x.exit();
    }
    benchmark::DoNotOptimize(n);
}

// Keeps the fastest real time of each benchmark to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& r : runs) {
            if (r.run_type != Run::RT_Iteration) continue;
            keepMin(best, r.run_name.function_name, r.GetAdjustedRealTime());
            keepMin(bestCpu, r.run_name.function_name, r.GetAdjustedCPUTime());
        }
    }
    static void keepMin(std::map<std::string, double>& m, const std::string& k, double t) {
        auto it = m.find(k);
        if (it == m.end() || t < it->second) m[k] = t;
    }
    std::map<std::string, double> best;     // fastest wall time
    std::map<std::string, double> bestCpu;  // fastest CPU time (steadier on a busy machine)
};

}  // namespace

BENCHMARK(EnginePerCell)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(GetAllData)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(GetDataByNames)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

int main(int argc, char** argv) {
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::string(argv[i]).rfind("--rows=", 0) == 0)
            g_rows = std::atoi(argv[i] + 7);
        else
            args.push_back(argv[i]);
    }
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    if (!ensureWorkbook()) {
        std::fprintf(stderr, "cannot generate the benchmark workbook (python3-xlsxwriter)\n");
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& b = reporter.best;
    if (b.count("EnginePerCell") && b.count("GetAllData") && b.count("GetDataByNames")) {
        auto& c = reporter.bestCpu;
        std::printf("ratio GetAllData / EnginePerCell = %.2f wall, %.2f CPU (target <= 1.30)\n",
                    b["GetAllData"] / b["EnginePerCell"], c["GetAllData"] / c["EnginePerCell"]);
        std::printf("ratio GetDataByNames / GetAllData = %.2f wall, %.2f CPU (target <= 1.00)\n",
                    b["GetDataByNames"] / b["GetAllData"], c["GetDataByNames"] / c["GetAllData"]);
    }
    benchmark::Shutdown();
    return 0;
}
