// Str and Format "#,##0.00" of 1,000,000 doubles, as compiled code calls them, beside
// std::to_chars (general with 7 digits, and fixed with 2 decimals followed by the same grouping)
// into a stack buffer; prints the two ratios of their times (aim: at most 1.5 each).
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "core/Memory.h"
#include "strings/FormatPicture.h"
#include "strings/NumberFormat.h"
#include "strings/StringFoundation.h"

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
      stringStorage* text = StringStrDouble(x);
      total += stringStorage::Length(text);
      RuntimeUnlockString(text);
    }
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_Str)->Unit(benchmark::kMillisecond);

void BM_ToCharsGeneral(benchmark::State& state) {
  for (auto _ : state) {
    int64_t total = 0;
    char buffer[64];
    for (double x : Values()) {
      total += std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::general, 7).ptr -
               buffer;
    }
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_ToCharsGeneral)->Unit(benchmark::kMillisecond);

const char kGroupedPicture[] = "#,##0.00";

void BM_Format(benchmark::State& state) {
  string picture(kGroupedPicture);
  for (auto _ : state) {
    int64_t total = 0;
    for (double x : Values()) {
      stringStorage* text = StringFormat(x, picture.Storage());
      total += stringStorage::Length(text);
      RuntimeUnlockString(text);
    }
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_Format)->Unit(benchmark::kMillisecond);

// What the picture asks for, written by hand: the magnitude (the picture shows no sign) with two
// decimals, then a comma before every third integer digit from the point.
size_t GroupedFixed2(double x, char* out) {
  char digits[64];
  char* end = std::to_chars(digits, digits + sizeof digits, std::fabs(x),
                            std::chars_format::fixed, 2).ptr;
  size_t integers = static_cast<size_t>(end - digits) - 3;
  char* o = out;
  for (size_t i = 0; i < integers; ++i) {
    if (i > 0 && (integers - i) % 3 == 0) *o++ = ',';
    *o++ = digits[i];
  }
  std::memcpy(o, end - 3, 3);
  return static_cast<size_t>(o + 3 - out);
}

void BM_ToCharsFixed2Grouped(benchmark::State& state) {
  for (auto _ : state) {
    int64_t total = 0;
    char buffer[96];
    for (double x : Values()) total += static_cast<int64_t>(GroupedFixed2(x, buffer));
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_ToCharsFixed2Grouped)->Unit(benchmark::kMillisecond);

// Both sides of the Format pair print the same texts (in the C locale, whose separators are
// "," and "."); a difference would make the ratio compare unlike work.
bool FormatPairAgrees() {
  string picture(kGroupedPicture);
  char buffer[96];
  for (size_t i = 0; i < 10000; ++i) {
    double x = Values()[i];
    string text = FormatNumber(x, picture);
    size_t n = GroupedFixed2(x, buffer);
    if (text.Length() != static_cast<int32_t>(n) || std::memcmp(text.CString(), buffer, n) != 0) {
      std::fprintf(stderr, "Format %.17g: \"%s\" beside \"%.*s\"\n", x, text.CString(),
                   static_cast<int>(n), buffer);
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  initializeMemoryCriticalSection();
  Values();  // worked out before timing
  if (!FormatPairAgrees()) return 1;
  return qvbench::RunWithRatios(
      argc, argv, {{"BM_Str", "BM_ToCharsGeneral"}, {"BM_Format", "BM_ToCharsFixed2Grouped"}},
      1.5);
}
