#include "core/OrderSorter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "support/TestSupport.h"

namespace {

// The rows being sorted, as a list box would keep them; the sorter only sees indexes.
struct Rows {
  std::vector<int> values;
  int32_t low = 0, high = 0;
  long compares = 0, swaps = 0;
  bool outOfRange = false;
  void Check(int32_t i, int32_t j) { outOfRange |= i < low || i >= high || j < low || j >= high; }
  static int32_t Compare(int32_t i, int32_t j, void* context) {
    auto* rows = static_cast<Rows*>(context);
    rows->Check(i, j);
    ++rows->compares;
    return (rows->values[i] > rows->values[j]) - (rows->values[i] < rows->values[j]);
  }
  static void Swap(int32_t i, int32_t j, void* context) {
    auto* rows = static_cast<Rows*>(context);
    rows->Check(i, j);
    ++rows->swaps;
    std::swap(rows->values[i], rows->values[j]);
  }
};

Rows SortAndCompareWithStdSort(std::vector<int> values, int32_t low, int32_t high) {
  Rows rows{values, low, high};
  orderSorter(low, high, Rows::Compare, Rows::Swap, &rows);
  std::sort(values.begin() + low, values.begin() + high);
  EXPECT_FALSE(rows.outOfRange);
  EXPECT_EQ(rows.values, values);
  return rows;
}

// Random ranges of random rows (many duplicates), and a large adversarial input.
TEST(OrderSorter, MatchesStdSort) {
  std::mt19937 rng(127);
  for (int round = 0; round < 3000 && !HasFailure(); ++round) {
    const size_t size = rng() % 60;
    const int spread = 1 + static_cast<int>(rng() % (round % 3 == 0 ? 4 : 1000));
    std::vector<int> values(size);
    for (int& v : values) v = static_cast<int>(rng() % spread);
    const auto low = static_cast<int32_t>(rng() % (size + 1));
    SortAndCompareWithStdSort(values, low, low + static_cast<int32_t>(rng() % (size - low + 1)));
  }
  const int n = 4000;
  std::vector<int> organPipe(n);
  for (int i = 0; i < n; ++i) organPipe[i] = std::min(i, n - i);
  SortAndCompareWithStdSort(organPipe, 0, n);
}

// Operation counts, not time: sorted and random rows need about n log n of each, never n^2.
TEST(OrderSorter, WorkGrowsAsNLogNOnSortedAndRandomRows) {
  const int n = 1 << 14;
  std::vector<int> values(n);
  std::iota(values.begin(), values.end(), 0);
  Rows sorted = SortAndCompareWithStdSort(values, 0, n);
  EXPECT_LE(sorted.compares, 2L * n * 14);
  EXPECT_EQ(sorted.swaps, 0);
  std::mt19937 rng(3);
  for (int& v : values) v = static_cast<int>(rng());
  Rows random = SortAndCompareWithStdSort(values, 0, n);
  EXPECT_LE(random.compares, 2L * n * 14);
  EXPECT_LE(random.swaps, 2L * n * 14);
}

// A nil context (the callbacks would crash on it) or an empty range calls nothing.
TEST(OrderSorter, NilContextEmptyRangeOrMissingCallbackSortsNothing) {
  Rows rows;
  orderSorter(0, 10, Rows::Compare, Rows::Swap, nullptr);
  orderSorter(6, 2, Rows::Compare, Rows::Swap, &rows);
  EXPECT_EQ(rows.compares + rows.swaps, 0);
  qvtest::ReportCapture capture;
  orderSorter(0, 3, nullptr, Rows::Swap, &rows);
  EXPECT_EQ(capture.count(), 1u);
}

}  // namespace
