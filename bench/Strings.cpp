// Concatenating and comparing framework strings beside std::string.
#include <string>

#include "BenchRatio.h"
#include "strings/RuntimeString.h"

namespace {

const char kLeft[] = "The quick brown fox jumps over the lazy dog";
const char kRight[] = "Pack my box with five dozen liquor jugs!!";

void BM_ConcatFramework(benchmark::State& state) {
  string a(kLeft), b(kRight);
  for (auto _ : state) {
    string c = a + b;
    benchmark::DoNotOptimize(c.Storage());
  }
}
BENCHMARK(BM_ConcatFramework);

void BM_ConcatStd(benchmark::State& state) {
  std::string a(kLeft), b(kRight);
  for (auto _ : state) {
    std::string c = a + b;
    benchmark::DoNotOptimize(c.data());
  }
}
BENCHMARK(BM_ConcatStd);

void BM_AppendFramework(benchmark::State& state) {
  string piece(kLeft);
  for (auto _ : state) {
    string s;
    for (int i = 0; i < 4; ++i) s += piece;
    benchmark::DoNotOptimize(s.Storage());
  }
}
BENCHMARK(BM_AppendFramework);

void BM_AppendStd(benchmark::State& state) {
  std::string piece(kLeft);
  for (auto _ : state) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += piece;
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_AppendStd);

// Two distinct records with a long common prefix, so the bytes are really compared.
void BM_CompareFramework(benchmark::State& state) {
  string a = string(kLeft) + string(kRight), b = string(kLeft) + string(kLeft);
  for (auto _ : state) {
    benchmark::DoNotOptimize(a.CompareWithCase(b));
    benchmark::ClobberMemory();  // the bytes may have changed: compare again
  }
}
BENCHMARK(BM_CompareFramework);

void BM_CompareStd(benchmark::State& state) {
  std::string a = std::string(kLeft) + kRight, b = std::string(kLeft) + kLeft;
  for (auto _ : state) {
    benchmark::DoNotOptimize(a.compare(b));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CompareStd);

}  // namespace

int main(int argc, char** argv) {
  return qvbench::RunWithRatios(argc, argv,
                                {{"BM_ConcatFramework", "BM_ConcatStd"},
                                 {"BM_AppendFramework", "BM_AppendStd"},
                                 {"BM_CompareFramework", "BM_CompareStd"}},
                                1.5);
}
