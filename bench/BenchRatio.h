// Shared main for benchmark programs that measure a framework operation beside the best plain
// alternative: runs every benchmark several times, then prints per pair the ratio of the median
// times, time(framework) / time(plain), with the spread of each side's repetitions.
//
// One repetition decides nothing on a shared machine, so kMinimumRepetitions run unless the
// command line says otherwise, interleaved at random so that a change in the machine's load
// falls on both sides of a pair alike.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qvbench {

constexpr int kMinimumRepetitions = 5;

// The median and spread of one benchmark's repetitions (time per iteration).
struct TimeSummary {
  double median = 0;
  double spread = 0;  // (slowest - fastest) / median
  size_t repetitions = 0;
};

inline TimeSummary Summarize(std::vector<double> times) {
  TimeSummary summary;
  if (times.empty()) return summary;
  std::sort(times.begin(), times.end());
  size_t n = times.size();
  summary.median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
  summary.spread = summary.median > 0 ? (times.back() - times.front()) / summary.median : 0;
  summary.repetitions = n;
  return summary;
}

// Console output as usual (colour only on a terminal; only the aggregates when repeated), and
// the time per iteration of every repetition remembered by name.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    std::vector<Run> shown;
    for (const Run& run : runs) {
      bool repetition = run.run_type == Run::RT_Iteration;
      if (repetition && run.iterations > 0 && !run.error_occurred)
        mTimes[run.benchmark_name()].push_back(TimeOf(run));
      if (!repetition || run.repetitions <= 1 || run.error_occurred) shown.push_back(run);
    }
    if (!shown.empty()) ConsoleReporter::ReportRuns(shown);
  }
  TimeSummary Summary(const std::string& name) const {
    auto found = mTimes.find(name);
    return found == mTimes.end() ? TimeSummary{} : Summarize(found->second);
  }

 private:
  // Processor time, unless the benchmark asked for real time (a child process, a wait): on a
  // shared machine real time also counts what other processes took.
  static double TimeOf(const Run& run) {
    return run.run_name.time_type.empty() ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
  }

  std::map<std::string, std::vector<double>> mTimes;
};

// One ratio to print: time(framework) / time(plain), with the aim it should meet (at most aim;
// none is printed when aim <= 0).
struct RatioPair {
  std::string framework;
  std::string plain;
  double aim = 0;
};

inline bool HasFlag(int argc, char** argv, const char* flag) {
  size_t n = std::strlen(flag);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], flag, n) == 0 && (argv[i][n] == '=' || argv[i][n] == '\0'))
      return true;
  }
  return false;
}

// The command line with the repetition defaults added where it sets none.
inline std::vector<char*> WithRepetitionDefaults(int argc, char** argv) {
  static std::string repetitions =
      "--benchmark_repetitions=" + std::to_string(kMinimumRepetitions);
  static std::string interleaving = "--benchmark_enable_random_interleaving=true";
  std::vector<char*> args(argv, argv + argc);
  if (!HasFlag(argc, argv, "--benchmark_repetitions")) args.push_back(repetitions.data());
  if (!HasFlag(argc, argv, "--benchmark_enable_random_interleaving"))
    args.push_back(interleaving.data());
  args.push_back(nullptr);
  return args;
}

inline void PrintRatio(const RatioPair& pair, const TimeSummary& f, const TimeSummary& p) {
  std::printf("ratio %s / %s = %.3g", pair.framework.c_str(), pair.plain.c_str(),
              f.median / p.median);
  if (pair.aim > 0) std::printf(" (aim <= %.3g)", pair.aim);
  std::printf(" [medians of %zu and %zu; spread %.0f%% and %.0f%%]\n", f.repetitions,
              p.repetitions, 100 * f.spread, 100 * p.spread);
}

// Runs every benchmark, then prints one ratio line per pair whose two times are known.
inline int RunWithRatios(int argc, char** argv, const std::vector<RatioPair>& pairs) {
  std::vector<char*> args = WithRepetitionDefaults(argc, argv);
  int count = static_cast<int>(args.size()) - 1;
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const RatioPair& pair : pairs) {
    TimeSummary f = reporter.Summary(pair.framework), p = reporter.Summary(pair.plain);
    if (f.median <= 0 || p.median <= 0) continue;
    PrintRatio(pair, f, p);
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
