// Writing a 100,000-row × 10-column table of texts into a new workbook through the spreadsheet
// engine's automation calls (Range.Item on all cells, then Item put of each text on that cell;
// the sheet centred and text-formatted, one merged title row) and saving it as .xlsx, against
// libxlsxwriter in constant-memory mode writing the same cells and formats directly.
// Prints the ratio engine / reference of the best runs; the target is at most 1.5.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "automation/excel_ops.h"
#include "automation/holder.h"
#include "office/spreadsheet/excel_engine.h"
#include "text/text.h"

namespace {

using namespace tq::automation;

constexpr int kRows = 100000;
constexpr int kCols = 10;

struct Data {
    std::vector<std::vector<std::string>> gbk;   // what the library's callers hold
    std::vector<std::vector<std::string>> utf8;  // what the reference is given
};

const Data& data() {
    static Data d = [] {
        Data out;
        // 青衡测绘, 数据, 道路 in GBK.
        const char* zh[] = {"\xc7\xe0\xba\xe2\xb2\xe2\xbb\xe6", "\xca\xfd\xbe\xdd",
                            "\xb5\xc0\xc2\xb7"};
        uint32_t seed = 12345;
        auto rnd = [&] { return seed = seed * 1103515245u + 12345u; };
        out.gbk.resize(kRows);
        out.gbk[0] = {"\xb3\xc9\xb9\xfb\xb1\xed title"};
        for (int c = 0; c < kCols; ++c) out.gbk[1].push_back("col" + std::to_string(c + 1));
        for (int r = 2; r < kRows; ++r) {
            auto& row = out.gbk[r];
            for (int c = 0; c < kCols; ++c) {
                uint32_t k = rnd() >> 8;
                switch (k % 5) {
                    case 0:
                        row.push_back(std::to_string(k % 100000));
                        break;
                    case 1:
                        row.push_back(tq::text::format("%u.%02u", k % 1000, k % 100));
                        break;
                    case 2:
                        row.push_back("item-" + std::to_string(k % 997));
                        break;
                    case 3:
                        row.push_back(std::string(zh[k % 3]) + std::to_string(r));
                        break;
                    default:
                        row.push_back(k % 2 ? "" : "n/a");
                        break;
                }
            }
        }
        out.utf8.resize(kRows);
        for (int r = 0; r < kRows; ++r)
            for (auto& t : out.gbk[r]) out.utf8[r].push_back(tq::text::gbkToUtf8(t));
        return out;
    }();
    return d;
}

std::string tempPath(const char* name) {
    return (std::filesystem::temp_directory_path() /
            (std::string("tqbench-") + std::to_string(::getpid()) + name))
        .string();
}

double g_engine = 1e30, g_reference = 1e30;

void writeWithEngine(const std::string& path) {
    const Data& d = data();
    Holder app(tq::office::CreateExcelApplication());
    Holder book = app.GetObject(xl::Application_Workbooks)
                      .InvokeObject(xl::Workbooks_Add, InvokeKind::Method, {Variant::Missing()});
    Holder sheet = book.GetObject(xl::Workbook_Sheets).GetObject(xl::Sheets_Item, {Variant::I2(1)});
    Holder cells = sheet.GetObject(xl::Worksheet_Cells);
    cells.SetProperty(xl::Range_HorizontalAlignment, Variant::I2(-4108));
    cells.SetProperty(xl::Range_VerticalAlignment, Variant::I2(-4108));
    cells.SetProperty(xl::Range_NumberFormatLocal, StrVariant("@"));
    for (int r = 0; r < kRows; ++r) {
        const auto& row = d.gbk[r];
        for (size_t c = 0; c < row.size(); ++c) {
            Holder cell = cells.GetObject(
                xl::Range_Item, {Variant::I4(r + 1), Variant::I4(static_cast<int>(c) + 1)});
            cell.InvokeHelper(xl::Range_Item, InvokeKind::PropertyPut, VT_EMPTY,
                              {Variant::I2(1), Variant::I2(1), StrVariant(row[c])});
        }
    }
    Holder start = cells.GetObject(xl::Range_Item, {Variant::I4(1), Variant::I4(1)});
    Variant v = start.GetProperty(xl::Range_Value, VT_VARIANT);
    Holder area = start.GetObject(xl::Range_Resize, {Variant::I4(1), Variant::I4(kCols)});
    area.InvokeHelper(xl::Range_ClearContents, InvokeKind::Method, VT_EMPTY);
    area.InvokeHelper(xl::Range_Merge, InvokeKind::Method, VT_EMPTY, {Variant::I4(0)});
    area.SetProperty(xl::Range_Value, v);
    book.InvokeHelper(xl::Workbook_SaveAs, InvokeKind::Method, VT_EMPTY,
                      xl::SaveAsArgs(StrVariant(path), Variant::I4(0)));
    book.InvokeHelper(xl::Workbook_Close, InvokeKind::Method, VT_EMPTY,
                      xl::CloseArgs(Variant::Bool(false)));
}

void writeReference(const std::string& path) {
    const Data& d = data();
    lxw_workbook_options opt{};
    opt.constant_memory = LXW_TRUE;
    lxw_workbook* wb = workbook_new_opt(path.c_str(), &opt);
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Sheet1");
    lxw_format* f = workbook_add_format(wb);
    format_set_align(f, LXW_ALIGN_CENTER);
    format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
    format_set_num_format(f, "@");
    worksheet_set_column(ws, 0, 16383, LXW_DEF_COL_WIDTH, f);
    worksheet_merge_range(ws, 0, 0, 0, kCols - 1, d.utf8[0][0].c_str(), f);
    for (int r = 1; r < kRows; ++r) {
        const auto& row = d.utf8[r];
        for (size_t c = 0; c < row.size(); ++c)
            if (!row[c].empty())
                worksheet_write_string(ws, r, static_cast<lxw_col_t>(c), row[c].c_str(), f);
    }
    workbook_close(wb);
}

template <void (*Fn)(const std::string&)>
void run(benchmark::State& state, double& best, const char* name) {
    data();
    std::string path = tempPath(name);
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        Fn(path);
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        best = std::min(best, s);
        state.SetIterationTime(s);
    }
    std::filesystem::remove(path);
}

void BM_EngineWriteXlsx(benchmark::State& state) {
    run<writeWithEngine>(state, g_engine, "-engine.xlsx");
}
void BM_LibxlsxwriterConstantMemory(benchmark::State& state) {
    run<writeReference>(state, g_reference, "-reference.xlsx");
}

BENCHMARK(BM_LibxlsxwriterConstantMemory)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_EngineWriteXlsx)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_engine < 1e29 && g_reference < 1e29)
        std::printf(
            "engine %.3f s, libxlsxwriter constant-memory %.3f s, ratio %.2f (target <= 1.5)\n",
            g_engine, g_reference, g_engine / g_reference);
    return 0;
}
