// Str and Format of 1,000,000 doubles beside snprintf("%g") and snprintf("%.2f") into a stack
// buffer; prints the two ratios of their times (aim: at most 1.5 each).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/Memory.h"
#include "strings/FormatPicture.h"
#include "strings/NumberFormat.h"

namespace {

constexpr int kValueCount = 1000000;

// Values across the magnitudes a program prints: money amounts, measurements, counters.
const std::vector<double>& Values() {
  static const std::vector<double> values = [] {
    std::mt19937_64 rng(2140);
    std::vector<double> v(kValueCount);
    for (double& x : v) {
      x = std::ldexp(static_cast<double>(rng() % 100000000), -static_cast<int>(rng() % 24));
      if (rng() % 4 == 0) x = -x;
    }
    return v;
  }();
  return values;
}

void BM_Str(benchmark::State& state) {
  for (auto _ : state) {
    int64_t total = 0;
    for (double x : Values()) {
      string text = DoubleToText(x, kDoubleTextByMagnitude, 7);
      total += text.Length();
    }
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_Str)->Unit(benchmark::kMillisecond);

void BM_SnprintfG(benchmark::State& state) {
  for (auto _ : state) {
    int64_t total = 0;
    char buffer[64];
    for (double x : Values()) total += std::snprintf(buffer, sizeof buffer, "%g", x);
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_SnprintfG)->Unit(benchmark::kMillisecond);

void BM_Format(benchmark::State& state) {
  string picture("-0.00");
  for (auto _ : state) {
    int64_t total = 0;
    for (double x : Values()) total += FormatNumber(x, picture).Length();
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_Format)->Unit(benchmark::kMillisecond);

void BM_Snprintf2f(benchmark::State& state) {
  for (auto _ : state) {
    int64_t total = 0;
    char buffer[64];
    for (double x : Values()) total += std::snprintf(buffer, sizeof buffer, "%.2f", x);
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_Snprintf2f)->Unit(benchmark::kMillisecond);

// Prints the runs as usual and remembers each benchmark's time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> times;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) times[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
};

void PrintRatio(RatioReporter& reporter, const char* label, const char* framework,
                const char* plain) {
  double a = reporter.times[framework];
  double b = reporter.times[plain];
  if (a > 0 && b > 0) std::printf("ratio %s: %.2f (aim <= 1.5)\n", label, a / b);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  initializeMemoryCriticalSection();
  Values();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintRatio(reporter, "Str/snprintf(\"%g\")", "BM_Str", "BM_SnprintfG");
  PrintRatio(reporter, "Format/snprintf(\"%.2f\")", "BM_Format", "BM_Snprintf2f");
  benchmark::Shutdown();
  return 0;
}
