// Str and Format of 1,000,000 doubles beside snprintf("%g") and snprintf("%.2f") into a stack
// buffer; prints the two ratios of their times (aim: at most 1.5 each).
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "BenchRatio.h"
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

}  // namespace

int main(int argc, char** argv) {
  initializeMemoryCriticalSection();
  Values();  // worked out before timing
  return qvbench::RunWithRatios(
      argc, argv, {{"BM_Str", "BM_SnprintfG"}, {"BM_Format", "BM_Snprintf2f"}}, 1.5);
}
