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
  int32_t low = 0;
  int32_t high = 0;
  long compares = 0;
  long swaps = 0;
  bool outOfRange = false;

  void Check(int32_t i, int32_t j) {
    if (i < low || i >= high || j < low || j >= high) outOfRange = true;
  }
  static int32_t Compare(int32_t i, int32_t j, void* context) {
    auto* rows = static_cast<Rows*>(context);
    rows->Check(i, j);
    ++rows->compares;
    int a = rows->values[i], b = rows->values[j];
    return (a > b) - (a < b);
  }
  static void Swap(int32_t i, int32_t j, void* context) {
    auto* rows = static_cast<Rows*>(context);
    rows->Check(i, j);
    ++rows->swaps;
    std::swap(rows->values[i], rows->values[j]);
  }
};

void SortAndCompareWithStdSort(std::vector<int> values, int32_t low, int32_t high) {
  Rows rows{values, low, high};
  orderSorter(low, high, Rows::Compare, Rows::Swap, &rows);
  std::sort(values.begin() + low, values.begin() + high);
  ASSERT_FALSE(rows.outOfRange);
  ASSERT_EQ(rows.values, values);
}

TEST(OrderSorter, MatchesStdSortOnRandomDataWithDuplicates) {
  std::mt19937 rng(127);
  for (int round = 0; round < 3000; ++round) {
    size_t size = rng() % 60;
    int spread = 1 + static_cast<int>(rng() % (round % 3 == 0 ? 4 : 1000));
    std::vector<int> values(size);
    for (int& v : values) v = static_cast<int>(rng() % spread);
    int32_t low = size ? static_cast<int32_t>(rng() % (size + 1)) : 0;
    int32_t high = low + static_cast<int32_t>(rng() % (size - low + 1));
    SortAndCompareWithStdSort(values, low, high);
  }
}

TEST(OrderSorter, SortsLargeOrderedAndAdversarialInputs) {
  const int n = 4000;
  std::vector<int> ascending(n), descending(n), equal(n, 7), organPipe(n), sawtooth(n);
  std::iota(ascending.begin(), ascending.end(), 0);
  std::iota(descending.rbegin(), descending.rend(), 0);
  for (int i = 0; i < n; ++i) organPipe[i] = std::min(i, n - i);
  for (int i = 0; i < n; ++i) sawtooth[i] = i % 17;
  for (const auto* input : {&ascending, &descending, &equal, &organPipe, &sawtooth})
    SortAndCompareWithStdSort(*input, 0, n);
}

// Operation counts, not time: an element on the wrong side of the pivot costs a constant number
// of exchanges, so random rows need about n log n of each, never n squared.
TEST(OrderSorter, WorkGrowsAsNLogNOnSortedAndRandomRows) {
  const int n = 1 << 14;
  std::vector<int> values(n);
  std::iota(values.begin(), values.end(), 0);
  Rows sorted{values, 0, n};
  orderSorter(0, n, Rows::Compare, Rows::Swap, &sorted);
  EXPECT_EQ(sorted.values, values);
  EXPECT_LE(sorted.compares, 2L * n * 14);
  EXPECT_EQ(sorted.swaps, 0);

  std::mt19937 rng(3);
  for (int& v : values) v = static_cast<int>(rng());
  Rows random{values, 0, n};
  orderSorter(0, n, Rows::Compare, Rows::Swap, &random);
  EXPECT_TRUE(std::is_sorted(random.values.begin(), random.values.end()));
  EXPECT_LE(random.compares, 2L * n * 14);
  EXPECT_LE(random.swaps, 2L * n * 14);
}

TEST(OrderSorter, NilContextOrEmptyRangeSortsNothing) {
  static int calls = 0;
  auto compare = [](int32_t, int32_t, void*) -> int32_t { return ++calls, 0; };
  auto swap = [](int32_t, int32_t, void*) { ++calls; };
  orderSorter(0, 10, compare, swap, nullptr);
  int dummy = 0;
  orderSorter(5, 5, compare, swap, &dummy);
  orderSorter(6, 2, compare, swap, &dummy);
  EXPECT_EQ(calls, 0);
}

TEST(OrderSorter, MissingCallbackIsReported) {
  qvtest::ReportCapture capture;
  int dummy = 0;
  orderSorter(0, 3, nullptr, Rows::Swap, &dummy);
  EXPECT_EQ(capture.count(), 1u);
}

}  // namespace
