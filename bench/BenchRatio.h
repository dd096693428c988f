// Shared main for benchmark programs that measure a framework operation beside the best plain
// alternative: runs every benchmark, then prints time(framework) / time(plain) per pair.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qvbench {

// Console output as usual (colour only on a terminal), and the time per iteration of each
// benchmark remembered by name: the median of its repetitions when it is repeated, else its
// one run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0)
        mTimes[run.benchmark_name()] = run.GetAdjustedRealTime();
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        benchmark::BenchmarkName name = run.run_name;
        name.repetitions.clear();  // "BM_X/repeats:3" is looked up as "BM_X"
        mMedians[name.str()] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Time(const std::string& name) const {
    if (auto median = mMedians.find(name); median != mMedians.end()) return median->second;
    auto found = mTimes.find(name);
    return found == mTimes.end() ? 0 : found->second;
  }

 private:
  std::map<std::string, double> mTimes;
  std::map<std::string, double> mMedians;
};

// One ratio to print: time(framework) / time(plain), with the aim it should meet (at most aim;
// none is printed when aim <= 0).
struct RatioPair {
  std::string framework;
  std::string plain;
  double aim = 0;
};

// Runs every benchmark, then prints one ratio line per pair whose two times are known.
inline int RunWithRatios(int argc, char** argv, const std::vector<RatioPair>& pairs) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const RatioPair& pair : pairs) {
    double f = reporter.Time(pair.framework), p = reporter.Time(pair.plain);
    if (f <= 0 || p <= 0) continue;
    std::printf("ratio %s / %s = %.3g", pair.framework.c_str(), pair.plain.c_str(), f / p);
    if (pair.aim > 0) std::printf(" (aim <= %.3g)", pair.aim);
    std::printf("\n");
  }
  benchmark::Shutdown();
  return 0;
}

// The same with one aim for every pair.
inline int RunWithRatios(int argc, char** argv,
                         const std::vector<std::pair<std::string, std::string>>& pairs,
                         double aim) {
  std::vector<RatioPair> withAims;
  for (const auto& [framework, plain] : pairs) withAims.push_back({framework, plain, aim});
  return RunWithRatios(argc, argv, withAims);
}

}  // namespace qvbench
