#include "core/GenericArray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "support/TestSupport.h"

namespace {

std::vector<uint32_t> Contents(const GenericArray& array) {
  std::vector<uint32_t> values;
  for (int32_t i = 0; i < array.Count(); ++i) values.push_back(array.GetAt(i));
  return values;
}

// A GenericArray that disposes itself.
struct ScopedArray : GenericArray {
  explicit ScopedArray(bool doubles = false) { doubles ? InitDouble() : Init(); }
  ~ScopedArray() { Dispose(); }
};

// Capacity steps are 16, 32, ... 4096 and then stay; a removal resets the step.
TEST(GenericArray, GrowthSteps) {
  ScopedArray a;
  std::vector<int32_t> capacities;
  for (uint32_t i = 0; i < 20000; ++i) {
    a.Append(i);
    if (capacities.empty() || capacities.back() != a.capacity) capacities.push_back(a.capacity);
  }
  for (size_t i = 0; i < capacities.size(); ++i)
    EXPECT_EQ(capacities[i] - (i ? capacities[i - 1] : 0), std::min<int32_t>(16 << i, 4096)) << i;
  EXPECT_EQ(HandleGetSize(a.storage), a.capacity * 4);
  a.RemoveAt(0);
  for (int32_t full = a.capacity; a.Count() <= full;) a.Append(1);
  EXPECT_EQ(a.capacity - capacities.back(), 16) << "the removal reset the step";
}

// Random inserts, appends, removals, stores, SetCount (zero-filling) and range swaps against
// std::vector.
TEST(GenericArray, MatchesStdVector) {
  std::mt19937 rng(77);
  ScopedArray a;
  std::vector<uint32_t> model;
  for (int step = 0; step < 20000; ++step) {
    const uint32_t value = rng(), action = rng() % 11;
    const auto size = static_cast<int32_t>(model.size());
    const auto at = static_cast<int32_t>(rng() % (model.size() + 1));
    if (action < 3) {
      ASSERT_EQ(a.InsertAt(at, value), size + 1);
      model.insert(model.begin() + at, value);
    } else if (action < 5) {
      a.Append(value);
      model.push_back(value);
    } else if (action < 8 && size > 0) {
      a.RemoveAt(at % size);
      model.erase(model.begin() + at % size);
    } else if (action == 8 && size > 0) {
      a.SetAt(at % size, value);
      model[at % size] = value;
    } else if (action == 9 && rng() % 20 == 0) {
      const auto n = static_cast<int32_t>(rng() % 300);
      a.SetCount(n);
      model.resize(n, 0);
      ASSERT_EQ(a.capacity, n);
    } else if (action == 10) {  // A, between, B becomes B, between, A
      const int32_t s1 = at;
      const auto c1 = static_cast<int32_t>(rng() % (size - s1 + 1));
      const auto s2 = s1 + c1 + static_cast<int32_t>(rng() % (size - s1 - c1 + 1));
      const auto c2 = static_cast<int32_t>(rng() % (size - s2 + 1));
      rng() % 2 ? a.SwapRanges(s1, c1, s2, c2) : a.SwapRanges(s2, c2, s1, c1);
      std::rotate(model.begin() + s1, model.begin() + s2, model.begin() + s2 + c2);
      std::rotate(model.begin() + s1 + c2, model.begin() + s1 + c2 + c1, model.begin() + s2 + c2);
      ASSERT_EQ(Contents(a), model) << s1 << "," << c1 << " " << s2 << "," << c2;
    }
    ASSERT_EQ(a.Count(), static_cast<int32_t>(model.size()));
  }
  EXPECT_EQ(Contents(a), model);
}

// Index faults and element-size mismatches report and change nothing.
TEST(GenericArray, FaultsReportAndChangeNothing) {
  ScopedArray a, doubles(true);
  for (uint32_t i = 0; i < 3; ++i) a.Append(i + 1);
  qvtest::ReportCapture capture;
  EXPECT_EQ(a.GetAt(3), 0u);
  a.SetAt(-1, 9);
  EXPECT_EQ(a.InsertAt(4, 9), 3);
  a.RemoveAt(3);
  a.SwapRanges(0, 2, 1, 2);  // overlapping
  a.SwapRanges(1, 1, 2, 2);  // past the end
  doubles.Append(1);
  a.AppendDouble(1.5);
  EXPECT_EQ(doubles.GetAtDouble(0), 0.0);
  EXPECT_EQ(capture.count(), 9u);
  EXPECT_TRUE(capture.HasCondition("not (idx < 0 || idx >= lCount)"));
  EXPECT_EQ(Contents(a), (std::vector<uint32_t>{1, 2, 3}));
  EXPECT_EQ(doubles.Count(), 0);
}

}  // namespace
