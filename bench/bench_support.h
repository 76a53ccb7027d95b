// What the Google-benchmark programs of bench/ share: a reporter that keeps each benchmark's
// fastest times for the ratios printed at the end, and the --rows=N option.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace benchsupport {

/// Keeps the fastest real and CPU time of each benchmark function.
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
    std::map<std::string, double> best;     // fastest wall time
    std::map<std::string, double> bestCpu;  // fastest CPU time (steadier on a busy machine)

  private:
    static void keepMin(std::map<std::string, double>& m, const std::string& k, double t) {
        auto it = m.find(k);
        if (it == m.end() || t < it->second) m[k] = t;
    }
};

/// Takes --rows=N out of the arguments (into `rows`) and initializes the benchmark library with
/// the rest.
inline void Initialize(int argc, char** argv, int& rows) {
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::string(argv[i]).rfind("--rows=", 0) == 0)
            rows = std::atoi(argv[i] + 7);
        else
            args.push_back(argv[i]);
    }
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
}

}  // namespace benchsupport
