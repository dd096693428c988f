#include "core/GenericArray.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/TestSupport.h"

namespace {

std::vector<uint32_t> Contents(const GenericArray& array) {
  std::vector<uint32_t> values;
  for (int32_t i = 0; i < array.Count(); ++i) values.push_back(array.GetAt(i));
  return values;
}

// A GenericArray that disposes itself, for tests.
struct ScopedArray {
  GenericArray array;
  explicit ScopedArray(bool doubles = false) {
    if (doubles) {
      array.InitDouble();
    } else {
      array.Init();
    }
  }
  ~ScopedArray() { array.Dispose(); }
};

TEST(GenericArrayGrowth, CapacitiesFollowTheDoublingStepUpTo4096) {
  ScopedArray scoped;
  GenericArray& a = scoped.array;
  EXPECT_EQ(a.storage, nullptr);
  std::vector<int32_t> capacities;
  for (uint32_t i = 0; i < 20000; ++i) {
    a.Append(i);
    if (capacities.empty() || capacities.back() != a.capacity) capacities.push_back(a.capacity);
  }
  ASSERT_GE(capacities.size(), 9u);
  EXPECT_EQ(std::vector<int32_t>(capacities.begin(), capacities.begin() + 5),
            (std::vector<int32_t>{16, 48, 112, 240, 496}));
  // Steps: 16, 32, ..., 2048, then 4096 for every later growth.
  for (size_t i = 1; i < capacities.size(); ++i) {
    int32_t step = capacities[i] - capacities[i - 1];
    EXPECT_EQ(step, std::min<int32_t>(16 << i, 4096)) << "growth " << i;
  }
  EXPECT_EQ(HandleGetSize(a.storage), a.capacity * 4);
}

TEST(GenericArrayGrowth, RemovalResetsTheStepAndKeepsTheStorage) {
  ScopedArray scoped;
  GenericArray& a = scoped.array;
  for (uint32_t i = 0; i < 48; ++i) a.Append(i);
  ASSERT_EQ(a.capacity, 48);
  ASSERT_EQ(a.growthStep, 64);
  a.RemoveAt(0);
  EXPECT_EQ(a.capacity, 48);
  a.Append(1);
  a.Append(2);  // full again: grows by 16, not 64
  EXPECT_EQ(a.capacity, 64);
}

TEST(GenericArrayGrowth, SetCountZeroFillsAndSetsTheCapacity) {
  ScopedArray scoped;
  GenericArray& a = scoped.array;
  a.Append(7);
  a.SetCount(5);
  EXPECT_EQ(Contents(a), (std::vector<uint32_t>{7, 0, 0, 0, 0}));
  EXPECT_EQ(a.capacity, 5);
  a.SetCount(2);
  EXPECT_EQ(Contents(a), (std::vector<uint32_t>{7, 0}));
  EXPECT_EQ(HandleGetSize(a.storage), 8);
}

TEST(GenericArrayRandomized, MatchesStdVector) {
  std::mt19937 rng(77);
  ScopedArray scoped;
  GenericArray& a = scoped.array;
  std::vector<uint32_t> model;
  for (int step = 0; step < 20000; ++step) {
    uint32_t value = rng();
    int32_t size = static_cast<int32_t>(model.size());
    switch (rng() % 10) {
      case 0:
      case 1:
      case 2: {
        int32_t at = static_cast<int32_t>(rng() % (model.size() + 1));
        ASSERT_EQ(a.InsertAt(at, value), size + 1);
        model.insert(model.begin() + at, value);
        break;
      }
      case 3:
      case 4:
        a.Append(value);
        model.push_back(value);
        break;
      case 5:
      case 6:
      case 7:
        if (size > 0) {
          int32_t at = static_cast<int32_t>(rng() % model.size());
          a.RemoveAt(at);
          model.erase(model.begin() + at);
        }
        break;
      case 8:
        if (size > 0) {
          int32_t at = static_cast<int32_t>(rng() % model.size());
          a.SetAt(at, value);
          model[at] = value;
        }
        break;
      default:
        if (rng() % 20 == 0) {
          int32_t n = static_cast<int32_t>(rng() % 300);
          a.SetCount(n);
          model.resize(n, 0);
        }
    }
    ASSERT_EQ(a.Count(), static_cast<int32_t>(model.size()));
    ASSERT_GE(a.capacity, a.count);
  }
  EXPECT_EQ(Contents(a), model);
}

// SwapRanges against a reference built from the pieces: before, B, between, A, after.
TEST(GenericArraySwap, RandomRunsMatchAReassembledModel) {
  std::mt19937 rng(5);
  for (int round = 0; round < 2000; ++round) {
    ScopedArray scoped;
    GenericArray& a = scoped.array;
    std::vector<uint32_t> model;
    int32_t n = 1 + static_cast<int32_t>(rng() % 60);
    for (int32_t i = 0; i < n; ++i) {
      a.Append(static_cast<uint32_t>(i));
      model.push_back(static_cast<uint32_t>(i));
    }
    int32_t s1 = static_cast<int32_t>(rng() % (n + 1));
    int32_t c1 = static_cast<int32_t>(rng() % (n - s1 + 1));
    int32_t s2 = s1 + c1 + static_cast<int32_t>(rng() % (n - s1 - c1 + 1));
    int32_t c2 = static_cast<int32_t>(rng() % (n - s2 + 1));
    std::vector<uint32_t> expected(model.begin(), model.begin() + s1);
    expected.insert(expected.end(), model.begin() + s2, model.begin() + s2 + c2);
    expected.insert(expected.end(), model.begin() + s1 + c1, model.begin() + s2);
    expected.insert(expected.end(), model.begin() + s1, model.begin() + s1 + c1);
    expected.insert(expected.end(), model.begin() + s2 + c2, model.end());
    if (rng() % 2) {
      a.SwapRanges(s1, c1, s2, c2);
    } else {
      a.SwapRanges(s2, c2, s1, c1);  // the later run given first
    }
    ASSERT_EQ(Contents(a), expected) << s1 << "," << c1 << " " << s2 << "," << c2;
  }
}

TEST(GenericArrayDouble, EightByteElementsRoundTrip) {
  ScopedArray scoped(true);
  GenericArray& a = scoped.array;
  std::vector<double> model;
  for (int i = 0; i < 100; ++i) {
    double value = i * 0.25 - 3;
    if (i % 3 == 0) {
      EXPECT_EQ(a.InsertAtDouble(0, value), i + 1);
      model.insert(model.begin(), value);
    } else {
      a.AppendDouble(value);
      model.push_back(value);
    }
  }
  a.SetAtDouble(10, 1e300);
  model[10] = 1e300;
  a.RemoveAt(5);
  model.erase(model.begin() + 5);
  ASSERT_EQ(a.Count(), static_cast<int32_t>(model.size()));
  for (size_t i = 0; i < model.size(); ++i) EXPECT_EQ(a.GetAtDouble(static_cast<int32_t>(i)), model[i]);
  EXPECT_EQ(HandleGetSize(a.storage), a.capacity * 8);
}

// Index faults report with the array's condition texts and change nothing.
TEST(GenericArrayChecks, IndexFaultsReportAndChangeNothing) {
  ScopedArray scoped;
  GenericArray& a = scoped.array;
  for (uint32_t i = 0; i < 3; ++i) a.Append(i + 1);
  qvtest::ReportCapture capture;
  EXPECT_EQ(a.GetAt(3), 0u);
  EXPECT_EQ(a.GetAt(-1), 0u);
  a.SetAt(3, 9);
  EXPECT_EQ(a.InsertAt(4, 9), 3);
  EXPECT_EQ(a.InsertAt(-1, 9), 3);
  EXPECT_EQ(capture.count(), 5u);
  for (const auto& report : capture.reports()) EXPECT_EQ(report.condition, "0");
  capture.clear();
  a.RemoveAt(3);
  a.RemoveAt(-1);
  ASSERT_EQ(capture.count(), 2u);
  EXPECT_EQ(capture.reports()[0].condition, "not (idx < 0 || idx >= lCount)");
  a.SwapRanges(0, 2, 1, 2);  // overlapping
  a.SwapRanges(1, 1, 2, 2);  // past the end
  EXPECT_EQ(capture.count(), 4u);
  EXPECT_EQ(Contents(a), (std::vector<uint32_t>{1, 2, 3}));
}

TEST(GenericArrayChecks, ElementSizeMismatchReports) {
  ScopedArray doubles(true);
  ScopedArray words;
  qvtest::ReportCapture capture;
  doubles.array.Append(1);
  words.array.AppendDouble(1.5);
  EXPECT_EQ(capture.count(), 2u);
  EXPECT_EQ(doubles.array.Count(), 0);
  EXPECT_EQ(words.array.Count(), 0);
}

}  // namespace
