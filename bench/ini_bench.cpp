// INI store against two common INI readers, on one 1 MB file of 5,000 sections x 10 keys:
//   inih       ini_parse of the whole file (the unit the targets are measured in)
//   SimpleIni  LoadFile + GetValue
//   GetKeyValue of the last key                  target <= 0.5 x one inih parse
//   GetItemValue of a key in the last section    target <= 1 x
//   SetValue of an existing key (tmpfs)          target <= 1.5 x
// After the run a summary prints each time as a ratio to the inih parse of the same run.
// Bytes are taken as they are (as the INI store does): no wide-character conversion.
#define SI_NO_CONVERSION
#include <SimpleIni.h>
#include <benchmark/benchmark.h>
#include <ini.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "tqtool/inifile.h"

namespace {

const int kSections = 5000, kKeys = 10;

std::string benchDir() {
    static std::string dir = [] {
        std::string base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string tmpl = base + "/tqini-bench-XXXXXX";
        if (!::mkdtemp(tmpl.data())) std::abort();
        return tmpl;
    }();
    return dir;
}

std::string sectionName(int s) {
    char b[32];
    std::snprintf(b, sizeof b, "section_%05d", s);
    return b;
}
std::string keyName(int k) {
    return "key_" + std::to_string(k);
}

// Writes the test file once: about 1 MB.
const std::string& benchFile() {
    static std::string path = [] {
        std::string p = benchDir() + "/bench.ini";
        std::ofstream out(p, std::ios::binary);
        for (int s = 0; s < kSections; ++s) {
            out << "[" << sectionName(s) << "]\r\n";
            for (int k = 0; k < kKeys; ++k)
                out << keyName(k) << "=value " << s * kKeys + k << "\r\n";
        }
        return p;
    }();
    return path;
}

int inihHandler(void* user, const char*, const char*, const char*) {
    ++*static_cast<long*>(user);
    return 1;
}

void BM_InihParse(benchmark::State& state) {
    const std::string& f = benchFile();
    for (auto _ : state) {
        long n = 0;
        ini_parse(f.c_str(), inihHandler, &n);
        benchmark::DoNotOptimize(n);
    }
}

void BM_SimpleIniLoadGet(benchmark::State& state) {
    const std::string& f = benchFile();
    const std::string last = sectionName(kSections - 1), key = keyName(kKeys - 1);
    for (auto _ : state) {
        CSimpleIniA ini;
        ini.LoadFile(f.c_str());
        benchmark::DoNotOptimize(ini.GetValue(last.c_str(), key.c_str(), ""));
    }
}

void BM_GetKeyValue(benchmark::State& state) {
    tq::CIniFileNew ini(benchFile(), false);
    const std::string last = sectionName(kSections - 1), key = keyName(kKeys - 1);
    for (auto _ : state) benchmark::DoNotOptimize(ini.GetKeyValue(last, key));
    if (ini.GetKeyValue(last, key) != "value " + std::to_string(kSections * kKeys - 1))
        state.SkipWithError("wrong value");
}

void BM_GetItemValue(benchmark::State& state) {
    // A key that only the last section holds.
    std::string f = benchDir() + "/item.ini";
    std::filesystem::copy_file(benchFile(), f, std::filesystem::copy_options::overwrite_existing);
    tq::CIniFileNew ini(f, false);
    ini.SetKeyValue(sectionName(kSections - 1), "only_here", "found");
    tq::String v;
    for (auto _ : state) benchmark::DoNotOptimize(ini.GetItemValue("ONLY_HERE", v));
    if (v != "found") state.SkipWithError("not found");
}

void BM_SetValue(benchmark::State& state) {
    std::string f = benchDir() + "/set.ini";
    std::filesystem::copy_file(benchFile(), f, std::filesystem::copy_options::overwrite_existing);
    tq::CIniFileNew ini(f, false);
    const std::string sec = sectionName(kSections / 2), key = keyName(5);
    bool flip = false;
    for (auto _ : state) {
        ini.SetValue(sec, key, flip ? "value A" : "value B", true);
        flip = !flip;
    }
    if (ini.GetKeyValue(sec, key).rfind("value ", 0) != 0) state.SkipWithError("not written");
}

BENCHMARK(BM_InihParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimpleIniLoadGet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetKeyValue)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetItemValue)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetValue)->Unit(benchmark::kMillisecond);

// Keeps the mean real time of every benchmark for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.iterations > 0 && r.run_type == Run::RT_Iteration)
                times[r.benchmark_name()] = {
                    r.real_accumulated_time / static_cast<double>(r.iterations),
                    r.cpu_accumulated_time / static_cast<double>(r.iterations)};
    }
    std::map<std::string, std::pair<double, double>> times;  // real, CPU seconds per iteration
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    auto it = reporter.times.find("BM_InihParse");
    if (it != reporter.times.end() && it->second.first > 0 && it->second.second > 0) {
        const auto [baseReal, baseCpu] = it->second;
        std::printf("\nRatio to one inih parse (%.3f ms real, %.3f ms CPU; file of %ld bytes):\n",
                    baseReal * 1e3, baseCpu * 1e3,
                    static_cast<long>(std::filesystem::file_size(benchFile())));
        const std::pair<const char*, double> targets[] = {{"BM_SimpleIniLoadGet", 0},
                                                          {"BM_GetKeyValue", 0.5},
                                                          {"BM_GetItemValue", 1.0},
                                                          {"BM_SetValue", 1.5}};
        for (const auto& [name, target] : targets) {
            auto t = reporter.times.find(name);
            if (t == reporter.times.end()) continue;
            const double real = t->second.first / baseReal, cpu = t->second.second / baseCpu;
            std::printf("  %-20s real %5.2fx  CPU %5.2fx", name, real, cpu);
            if (target > 0)
                std::printf("  (target <= %.1fx: %s)", target,
                            std::max(real, cpu) <= target ? "met" : "MISSED");
            std::printf("\n");
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(benchDir(), ec);
    return 0;
}
