// Array sorting beside std::sort of the same data (1,000,000 Int32 and Double elements,
// 100,000 strings under the same comparison), and element Get/Set through the operation table
// beside a plain loop over the buffer, and ten million appends beside std::vector's push_back.
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "arrays/ArrayElementAccess.h"
#include "arrays/ArrayElementTypes.h"
#include "arrays/RuntimeArray.h"
#include "strings/StringCase.h"

namespace {

constexpr int32_t kNumbers = 1000000;
constexpr int32_t kStrings = 100000;

template <typename T>
const std::vector<T>& RandomValues() {
  static const std::vector<T> values = [] {
    std::mt19937 rng(42);
    std::vector<T> v(kNumbers);
    for (auto& x : v) x = static_cast<T>(static_cast<int32_t>(rng())) / (sizeof(T) == 8 ? 3 : 1);
    return v;
  }();
  return values;
}

// Mixed-case words, so that the comparison's case folding has work to do.
const std::vector<stringStorage*>& RandomStrings() {
  static const std::vector<stringStorage*> values = [] {
    std::mt19937 rng(7);
    std::vector<stringStorage*> v(kStrings);
    for (auto& s : v) {
      std::string text(4 + rng() % 12, ' ');
      for (char& c : text) c = static_cast<char>((rng() % 2 ? 'a' : 'A') + rng() % 26);
      s = string(text.c_str()).ExtractStringStorage();
    }
    return v;
  }();
  return values;
}

template <typename T>
void SortThroughTable(benchmark::State& state, int32_t code, const std::vector<T>& source) {
  RuntimeArray* a = CreateArray(1, code, static_cast<int32_t>(source.size()) - 1);
  for (auto _ : state) {
    state.PauseTiming();
    std::copy(source.begin(), source.end(), static_cast<T*>(a->data));
    state.ResumeTiming();
    a->table->sort(a);
    benchmark::ClobberMemory();
  }
  std::fill_n(static_cast<T*>(a->data), source.size(), T());  // the strings are not the array's
  RuntimeUnlockArray(a);
}

template <typename T, typename Less>
void SortWithStd(benchmark::State& state, const std::vector<T>& source, Less less) {
  std::vector<T> v(source.size());
  for (auto _ : state) {
    state.PauseTiming();
    std::copy(source.begin(), source.end(), v.begin());
    state.ResumeTiming();
    std::sort(v.begin(), v.end(), less);
    benchmark::ClobberMemory();
  }
}

void BM_ArraySortInt32(benchmark::State& s) {
  SortThroughTable(s, kArrayInt32, RandomValues<int32_t>());
}
void BM_StdSortInt32(benchmark::State& s) {
  SortWithStd(s, RandomValues<int32_t>(), std::less<>());
}
void BM_ArraySortDouble(benchmark::State& s) {
  SortThroughTable(s, kArrayDouble, RandomValues<double>());
}
void BM_StdSortDouble(benchmark::State& s) {
  SortWithStd(s, RandomValues<double>(), std::less<>());
}
void BM_ArraySortString(benchmark::State& s) { SortThroughTable(s, kArrayString, RandomStrings()); }
void BM_StdSortString(benchmark::State& s) {
  SortWithStd(s, RandomStrings(),
              [](stringStorage* a, stringStorage* b) { return RuntimeStringCompare(a, b) < 0; });
}
BENCHMARK(BM_ArraySortInt32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdSortInt32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArraySortDouble)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdSortDouble)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArraySortString)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdSortString)->Unit(benchmark::kMillisecond);

// Each element read and written once, as a loop of compiled code over a(i) = a(i) + 1 does.
void BM_ArrayGetSetThroughTable(benchmark::State& state) {
  RuntimeArray* a = CreateArray(1, kArrayInt32, kNumbers - 1);
  for (auto _ : state) {
    auto get = reinterpret_cast<int32_t (*)(RuntimeArray*, int32_t)>(a->table->get);
    auto set = reinterpret_cast<void (*)(RuntimeArray*, int32_t, int32_t)>(a->table->set);
    for (int32_t i = 0; i < kNumbers; ++i) set(a, get(a, i) + 1, i);
    benchmark::ClobberMemory();
  }
  RuntimeUnlockArray(a);
}
BENCHMARK(BM_ArrayGetSetThroughTable)->Unit(benchmark::kMicrosecond);

void BM_RawLoopGetSet(benchmark::State& state) {
  std::vector<int32_t> v(kNumbers);
  for (auto _ : state) {
    int32_t* data = v.data();
    benchmark::DoNotOptimize(data);
    for (int32_t i = 0; i < kNumbers; ++i) data[i] = data[i] + 1;
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_RawLoopGetSet)->Unit(benchmark::kMicrosecond);

// Ten million Int32 appends to an empty array, as a loop of compiled code calling Append does,
// beside std::vector's push_back without a reserve: both grow geometrically.
constexpr int32_t kAppends = 10000000;

void BM_ArrayAppend10M(benchmark::State& state) {
  for (auto _ : state) {
    RuntimeArray* a = CreateArray(1, kArrayInt32, -1);
    for (int32_t i = 0; i < kAppends; ++i) ArrayAppend(a, uintptr_t(i));
    benchmark::DoNotOptimize(a->data);
    RuntimeUnlockArray(a);
  }
}
BENCHMARK(BM_ArrayAppend10M)->Unit(benchmark::kMillisecond);

void BM_VectorPushBack10M(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<int32_t> v;
    for (int32_t i = 0; i < kAppends; ++i) v.push_back(i);
    benchmark::DoNotOptimize(v.data());
  }
}
BENCHMARK(BM_VectorPushBack10M)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return qvbench::RunWithRatios(argc, argv,
                                {{"BM_ArraySortInt32", "BM_StdSortInt32", 1.3},
                                 {"BM_ArraySortDouble", "BM_StdSortDouble", 1.3},
                                 {"BM_ArraySortString", "BM_StdSortString", 1.3},
                                 {"BM_ArrayGetSetThroughTable", "BM_RawLoopGetSet"},
                                 {"BM_ArrayAppend10M", "BM_VectorPushBack10M", 2.0}});
}
