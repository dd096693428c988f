#include "core/OrderSorter.h"
#include "core/OrderSorterInline.h"

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

// Rows with a key and an identity, compared by the key alone, so that where equal rows end up
// shows; the look-ahead's upcoming rows are recorded as they are offered.
struct KeyedRows {
  std::vector<std::pair<int, int>> rows;  // key, identity
  int32_t low = 0, high = 0;
  long compares = 0, swaps = 0;
  bool outOfRange = false;
  bool (*order)(int, int, std::mt19937&) = nullptr;  // an inconsistent one, when set
  std::mt19937 coin{5};
  static int32_t Compare(int32_t i, int32_t j, void* raw) {
    auto* self = static_cast<KeyedRows*>(raw);
    ++self->compares;
    const int a = self->rows[i].first, b = self->rows[j].first;
    if (self->order) return self->order(a, b, self->coin) ? -1 : 1;
    return (a > b) - (a < b);
  }
  static void Swap(int32_t i, int32_t j, void* raw) {
    auto* self = static_cast<KeyedRows*>(raw);
    ++self->swaps;
    std::swap(self->rows[i], self->rows[j]);
  }
  static void LookAhead(const int32_t* upcoming, int32_t count, void* raw) {
    auto* self = static_cast<KeyedRows*>(raw);
    for (int32_t k = 0; k < count; ++k) {
      self->outOfRange |= upcoming[k] < self->low || upcoming[k] >= self->high;
    }
  }
};

KeyedRows RandomKeyedRows(std::mt19937& rng, int n, int spread) {
  KeyedRows rows;
  for (int i = 0; i < n; ++i) rows.rows.push_back({static_cast<int>(rng() % spread), i});
  return rows;
}

// The ranked sort leaves every row where orderSorter leaves it, equal keys included, over
// ranges of every size and few or many distinct keys, with fewer swaps than rows; on random rows
// with distinct keys it makes at most three quarters of orderSorter's comparisons.
TEST(OrderSorterRanked, LeavesEveryRowWhereOrderSorterDoesWithFewerComparisons) {
  std::mt19937 rng(71);
  for (int round = 0; round < 400 && !HasFailure(); ++round) {
    const int n = static_cast<int>(rng() % 300);
    const int spread = 1 + static_cast<int>(rng() % (round % 2 ? 5 : 100000));
    KeyedRows plain = RandomKeyedRows(rng, n, spread);
    plain.low = n ? static_cast<int32_t>(rng() % n) : 0;
    plain.high = plain.low + (n ? static_cast<int32_t>(rng() % (n - plain.low + 1)) : 0);
    KeyedRows ranked = plain;
    orderSorter(plain.low, plain.high, KeyedRows::Compare, KeyedRows::Swap, &plain);
    orderSorterRanked(ranked.low, ranked.high, KeyedRows::Compare, KeyedRows::Swap,
                      KeyedRows::LookAhead, &ranked);
    ASSERT_EQ(ranked.rows, plain.rows) << "round " << round;
    EXPECT_FALSE(ranked.outOfRange);
    EXPECT_LE(ranked.swaps, std::max(0, ranked.high - ranked.low - 1));
  }
  KeyedRows plain = RandomKeyedRows(rng, 20000, 1 << 30);
  KeyedRows ranked = plain;
  orderSorter(0, 20000, KeyedRows::Compare, KeyedRows::Swap, &plain);
  orderSorterRanked(0, 20000, KeyedRows::Compare, KeyedRows::Swap, nullptr, &ranked);
  EXPECT_EQ(ranked.rows, plain.rows);
  EXPECT_LE(ranked.compares * 4, plain.compares * 3);
}

// The merge's comparisons are all the ranked sort makes: at most n log2 n - n + 1 for n a power
// of two, with distinct keys, a few repeated ones or a single one, and still orderSorter's order.
TEST(OrderSorterRanked, MakesNoComparisonBeyondTheMerge) {
  const int log2n = 12, n = 1 << log2n;
  std::mt19937 rng(17);
  for (const int spread : {1 << 30, 7, 1}) {
    KeyedRows plain = RandomKeyedRows(rng, n, spread);
    KeyedRows ranked = plain;
    orderSorter(0, n, KeyedRows::Compare, KeyedRows::Swap, &plain);
    orderSorterRanked(0, n, KeyedRows::Compare, KeyedRows::Swap, nullptr, &ranked);
    EXPECT_EQ(ranked.rows, plain.rows) << "spread " << spread;
    EXPECT_LE(ranked.compares, long{n} * log2n - n + 1) << "spread " << spread;
  }
}

// KeyedRows as an order type: its members call the callbacks.
struct KeyedOrder {
  KeyedRows& rows;
  int32_t Compare(int32_t i, int32_t j) { return KeyedRows::Compare(i, j, &rows); }
  void Swap(int32_t i, int32_t j) { KeyedRows::Swap(i, j, &rows); }
};

// The inline sort makes orderSorter's comparisons and exchanges, one for one, so every row,
// equal keys included, ends where orderSorter leaves it; rows before the range stay put.
TEST(OrderSorterInline, MakesOrderSortersComparisonsAndExchanges) {
  std::mt19937 rng(43);
  for (const int spread : {1, 5, 1000}) {
    for (const int n : {0, 1, 2, 3, 17, 64, 299}) {
      KeyedRows plain = RandomKeyedRows(rng, n, spread);
      KeyedRows inlined = plain;
      orderSorter(n / 5, n, KeyedRows::Compare, KeyedRows::Swap, &plain);
      KeyedOrder order{inlined};
      orderSorterInline(order, n / 5, n);
      EXPECT_EQ(inlined.rows, plain.rows) << spread << " " << n;
      EXPECT_EQ(inlined.compares, plain.compares);
      EXPECT_EQ(inlined.swaps, plain.swaps);
    }
  }
}

// A comparison that answers at random still leaves a permutation of the rows; a nil context or
// an empty range calls nothing, and a missing callback is a failed check.
TEST(OrderSorterRanked, AnInconsistentOrderStillPermutesAndNothingSortsNothing) {
  std::mt19937 rng(9);
  KeyedRows rows = RandomKeyedRows(rng, 500, 50);
  rows.order = [](int, int, std::mt19937& coin) { return coin() % 2 == 0; };
  orderSorterRanked(0, 500, KeyedRows::Compare, KeyedRows::Swap, nullptr, &rows);
  std::vector<int> identities;
  for (const auto& row : rows.rows) identities.push_back(row.second);
  std::sort(identities.begin(), identities.end());
  std::vector<int> expected(500);
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(identities, expected);

  KeyedRows untouched = RandomKeyedRows(rng, 10, 3);
  const auto before = untouched.rows;
  orderSorterRanked(0, 10, KeyedRows::Compare, KeyedRows::Swap, nullptr, nullptr);
  orderSorterRanked(6, 2, KeyedRows::Compare, KeyedRows::Swap, nullptr, &untouched);
  EXPECT_EQ(untouched.compares, 0);
  EXPECT_EQ(untouched.rows, before);
  qvtest::ReportCapture capture;
  orderSorterRanked(0, 3, KeyedRows::Compare, nullptr, nullptr, &untouched);
  EXPECT_EQ(capture.count(), 1u);
}

}  // namespace
