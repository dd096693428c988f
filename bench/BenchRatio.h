// Shared main for benchmark programs that measure a framework operation beside the best plain
// alternative: runs every benchmark, then prints time(framework) / time(plain) per pair.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qvbench {

// Console output as usual, and the time per iteration of each benchmark remembered by name.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.iterations > 0) mTimes[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Time(const std::string& name) const {
    auto found = mTimes.find(name);
    return found == mTimes.end() ? 0 : found->second;
  }

 private:
  std::map<std::string, double> mTimes;
};

// pairs: (framework benchmark, plain benchmark, aim); prints one ratio line per pair.
inline int RunWithRatios(int argc, char** argv,
                         const std::vector<std::pair<std::string, std::string>>& pairs,
                         double aim) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const auto& [framework, plain] : pairs) {
    double f = reporter.Time(framework), p = reporter.Time(plain);
    if (f <= 0 || p <= 0) continue;
    std::printf("ratio %s / %s = %.2f (aim <= %.2f)\n", framework.c_str(), plain.c_str(), f / p,
                aim);
  }
  benchmark::Shutdown();
  return 0;
}

}  // namespace qvbench
