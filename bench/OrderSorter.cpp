// orderSorter over 10,000 random rows (compared and exchanged through its index callbacks)
// beside std::sort of the same values; prints the ratio of their times.
#include <algorithm>
#include <random>
#include <vector>

#include "BenchRatio.h"
#include "core/OrderSorter.h"

namespace {

constexpr int kRowCount = 10000;

const std::vector<int>& RandomRows() {
  static const std::vector<int> rows = [] {
    std::vector<int> values(kRowCount);
    std::mt19937 rng(1127);
    for (int& v : values) v = static_cast<int>(rng() % 5000);  // duplicates, as list rows have
    return values;
  }();
  return rows;
}

int32_t CompareRows(int32_t i, int32_t j, void* context) {
  const auto& rows = *static_cast<std::vector<int>*>(context);
  return (rows[i] > rows[j]) - (rows[i] < rows[j]);
}

void SwapRows(int32_t i, int32_t j, void* context) {
  auto& rows = *static_cast<std::vector<int>*>(context);
  std::swap(rows[i], rows[j]);
}

void BM_OrderSorter(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<int> rows = RandomRows();
    orderSorter(0, kRowCount, CompareRows, SwapRows, &rows);
    benchmark::DoNotOptimize(rows.data());
  }
  state.SetItemsProcessed(state.iterations() * kRowCount);
}
BENCHMARK(BM_OrderSorter);

void BM_StdSort(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<int> rows = RandomRows();
    std::sort(rows.begin(), rows.end());
    benchmark::DoNotOptimize(rows.data());
  }
  state.SetItemsProcessed(state.iterations() * kRowCount);
}
BENCHMARK(BM_StdSort);

}  // namespace

int main(int argc, char** argv) {
  // The callbacks cost an indirect call per comparison and exchange that std::sort inlines.
  return qvbench::RunWithRatios(argc, argv, {{"BM_OrderSorter", "BM_StdSort"}}, 0);
}
