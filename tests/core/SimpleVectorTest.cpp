#include "core/SimpleVector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

// Counts its live instances, so that copies, moves and releases can be checked for leaks and
// double releases.
struct Tracked {
  static int live;
  std::string text;
  explicit Tracked(std::string t = "") : text(std::move(t)) { ++live; }
  Tracked(const Tracked& other) : text(other.text) { ++live; }
  Tracked& operator=(const Tracked&) = default;
  ~Tracked() { --live; }
  bool operator==(const Tracked& other) const { return text == other.text; }
};
int Tracked::live = 0;

template <typename T>
std::vector<T> Contents(const SimpleVector<T>& v) {
  return std::vector<T>(v.data(), v.data() + v.size());
}

// Capacity after each operation against a model of the growth rule (16 from empty, then the
// chunk or doubling) and the shrink rule; contents against std::vector.
TEST(SimpleVector, MatchesStdVectorAndTheCapacityRules) {
  std::mt19937 rng(1234);
  for (uint32_t chunk : {0u, 1u, 7u, 16u, 33u}) {
    SimpleVector<int> v(chunk);
    std::vector<int> model;
    uint32_t capacity = 0;
    for (int step = 0; step < 4000; ++step) {
      bool grow = static_cast<int>(rng() % 100) < (step < 2000 ? 65 : 35);
      if (grow || model.empty()) {
        auto at = static_cast<int32_t>(rng() % 2 ? model.size() : rng() % (model.size() + 1));
        if (model.size() >= capacity) capacity += std::max<uint32_t>(chunk ? chunk : capacity, 16);
        int value = static_cast<int>(rng());
        at == int32_t(model.size()) ? v.Append(value) : v.InsertAt(at, value);
        model.insert(model.begin() + at, value);
      } else {
        auto at = static_cast<int32_t>(rng() % model.size());
        v.RemoveAt(at);
        model.erase(model.begin() + at);
        const auto n = static_cast<uint32_t>(model.size());
        if (chunk && capacity - n > 2 * chunk) capacity = (n / chunk + 1) * chunk;
        if (!chunk && capacity - n > 2 * n) capacity = n - n % 16 + 16;
      }
      ASSERT_EQ(v.capacity(), capacity) << "chunk " << chunk << " step " << step;
    }
    EXPECT_EQ(Contents(v), model) << "chunk " << chunk;
    SimpleVector<int> copy(99);
    copy = v;  // takes the chunk and capacity too
    EXPECT_EQ(copy.capacity(), v.capacity());
    EXPECT_EQ(Contents(copy), model);
  }
}

TEST(SimpleVector, ConstructedElementsAreNeitherLeakedNorReleasedTwice) {
  Tracked::live = 0;
  {
    std::mt19937 rng(99);
    SimpleVector<Tracked> v;
    std::vector<std::string> model;
    for (int step = 0; step < 2000; ++step) {
      std::string text = "t" + std::to_string(rng() % 50);
      int action = static_cast<int>(rng() % 4);
      if (action < 2) {
        v.Append(Tracked(text));
        model.push_back(text);
      } else if (action == 2 && !model.empty()) {
        auto at = static_cast<int32_t>(rng() % model.size());
        v.RemoveAt(at);
        model.erase(model.begin() + at);
      } else if (action == 3 && v.RemoveLast(Tracked(text))) {
        model.erase(std::find(model.rbegin(), model.rend(), text).base() - 1);
      }
      ASSERT_EQ(Tracked::live, static_cast<int>(model.size()));
    }
    for (size_t i = 0; i < model.size(); ++i) EXPECT_EQ(v[static_cast<int32_t>(i)].text, model[i]);
    SimpleVector<Tracked> copy(v);
    copy = v;
    EXPECT_EQ(Tracked::live, static_cast<int>(2 * model.size()));
    v.Append(v[3]);  // an own element, while growing or not
    EXPECT_EQ(v[static_cast<int32_t>(model.size())].text, model[3]);
  }
  EXPECT_EQ(Tracked::live, 0);
}

// Index faults report and change nothing.
TEST(SimpleVector, IndexFaultsReportAndChangeNothing) {
  SimpleVector<int> v;
  for (int i = 0; i < 5; ++i) v.Append(i);
  SimpleVector<Tracked> constructed;
  constructed.Append(Tracked("only"));
  SimpleVector<int> empty;
  qvtest::ReportCapture capture;
  v.RemoveAt(5);
  v.InsertAt(-1, 9);
  v.At(16) = 99;  // capacity is 16
  constructed.At(1).text = "x";  // past the count of a constructed vector
  EXPECT_EQ(empty.Pop(), 0);
  EXPECT_EQ(capture.count(), 5u);
  EXPECT_TRUE(capture.HasCondition("not (index < 0 || index >= mQtyItems)"));
  EXPECT_TRUE(capture.HasCondition("mQtyItems <= mBufItems and mQtyItems > 0"));
  EXPECT_EQ(Contents(v), (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(Contents(constructed), std::vector<Tracked>{Tracked("only")});
}

}  // namespace
