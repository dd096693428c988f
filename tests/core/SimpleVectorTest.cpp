#include "core/SimpleVector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

// An element with a constructor and destructor that counts its live instances, so that the
// vector's copies, moves and releases can be checked for leaks and double releases.
struct Tracked {
  static int live;
  std::string text;
  Tracked() { ++live; }
  explicit Tracked(std::string t) : text(std::move(t)) { ++live; }
  Tracked(const Tracked& other) : text(other.text) { ++live; }
  Tracked(Tracked&& other) noexcept : text(std::move(other.text)) { ++live; }
  Tracked& operator=(const Tracked&) = default;
  ~Tracked() { --live; }
  bool operator==(const Tracked& other) const { return text == other.text; }
};
int Tracked::live = 0;

template <typename T>
std::vector<T> Contents(const SimpleVector<T>& v) {
  return std::vector<T>(v.data(), v.data() + v.size());
}

// The capacities a chunk-0 vector passes through while growing, as the container rules state
// them: 16 from empty, then doubling.
TEST(SimpleVectorGrowth, ChunkZeroStartsAtSixteenAndDoubles) {
  SimpleVector<int> v;
  std::vector<uint32_t> capacities;
  for (int i = 0; i < 130; ++i) {
    v.Append(i);
    if (capacities.empty() || capacities.back() != v.capacity()) {
      capacities.push_back(v.capacity());
    }
  }
  EXPECT_EQ(capacities, (std::vector<uint32_t>{16, 32, 64, 128, 256}));
}

TEST(SimpleVectorGrowth, ChunkZeroShrinksToSixteenWhenTenOfThirtyTwoRemain) {
  SimpleVector<int> v;
  for (int i = 0; i < 32; ++i) v.Append(i);
  ASSERT_EQ(v.capacity(), 32u);
  while (v.size() > 11) v.RemoveAt(0);
  EXPECT_EQ(v.capacity(), 32u);  // 21 free is not more than 22
  v.RemoveAt(0);
  EXPECT_EQ(v.size(), 10u);
  EXPECT_EQ(v.capacity(), 16u);
  EXPECT_EQ(Contents(v), (std::vector<int>{22, 23, 24, 25, 26, 27, 28, 29, 30, 31}));
}

// Capacity after each operation of a randomized run, checked against a model of the stated
// growth and shrink rules, and contents against std::vector.
class SimpleVectorModel {
 public:
  explicit SimpleVectorModel(uint32_t chunk) : chunk_(chunk) {}
  void BeforeInsert(size_t count) {
    if (count < capacity_) return;
    capacity_ += std::max<uint32_t>(chunk_ ? chunk_ : capacity_, 16);
  }
  void AfterRemove(size_t count) {
    uint32_t freeSlots = capacity_ - static_cast<uint32_t>(count);
    uint32_t n = static_cast<uint32_t>(count);
    if (chunk_ && freeSlots > 2 * chunk_) capacity_ = (n / chunk_ + 1) * chunk_;
    if (!chunk_ && freeSlots > 2 * n) capacity_ = n - n % 16 + 16;
  }
  uint32_t capacity() const { return capacity_; }

 private:
  uint32_t chunk_;
  uint32_t capacity_ = 0;
};

TEST(SimpleVectorRandomized, MatchesStdVectorAndTheCapacityRules) {
  std::mt19937 rng(1234);
  for (uint32_t chunk : {0u, 1u, 7u, 16u, 33u}) {
    SimpleVector<int> v(chunk);
    SimpleVectorModel capacityModel(chunk);
    std::vector<int> model;
    for (int step = 0; step < 4000; ++step) {
      // Bias toward growth in the first half and shrinking in the second.
      int roll = static_cast<int>(rng() % 100);
      bool grow = step < 2000 ? roll < 65 : roll < 35;
      int value = static_cast<int>(rng());
      if (grow || model.empty()) {
        if (rng() % 2) {
          capacityModel.BeforeInsert(model.size());
          v.Append(value);
          model.push_back(value);
        } else {
          int32_t at = static_cast<int32_t>(rng() % (model.size() + 1));
          capacityModel.BeforeInsert(model.size());
          v.InsertAt(at, value);
          model.insert(model.begin() + at, value);
        }
      } else {
        int32_t at = static_cast<int32_t>(rng() % model.size());
        v.RemoveAt(at);
        model.erase(model.begin() + at);
        capacityModel.AfterRemove(model.size());
      }
      ASSERT_EQ(v.capacity(), capacityModel.capacity()) << "chunk " << chunk << " step " << step;
    }
    EXPECT_EQ(Contents(v), model) << "chunk " << chunk;
  }
}

TEST(SimpleVectorElements, ConstructedElementsAreNeitherLeakedNorReleasedTwice) {
  Tracked::live = 0;
  {
    std::mt19937 rng(99);
    SimpleVector<Tracked> v;
    std::vector<std::string> model;
    for (int step = 0; step < 2000; ++step) {
      std::string text = "t" + std::to_string(rng() % 50);
      switch (rng() % 4) {
        case 0:
        case 1:
          v.Append(Tracked(text));
          model.push_back(text);
          break;
        case 2:
          if (!model.empty()) {
            int32_t at = static_cast<int32_t>(rng() % model.size());
            v.RemoveAt(at);
            model.erase(model.begin() + at);
          }
          break;
        default:
          if (v.RemoveLast(Tracked(text))) {
            model.erase(std::find(model.rbegin(), model.rend(), text).base() - 1);
          }
      }
      ASSERT_EQ(v.size(), model.size());
      ASSERT_EQ(Tracked::live, static_cast<int>(model.size()));
    }
    for (size_t i = 0; i < model.size(); ++i) EXPECT_EQ(v[static_cast<int32_t>(i)].text, model[i]);
    SimpleVector<Tracked> copy(v);
    copy = v;
    EXPECT_EQ(Tracked::live, static_cast<int>(2 * model.size()));
  }
  EXPECT_EQ(Tracked::live, 0);
}

TEST(SimpleVectorElements, AppendingAnOwnElementWhileGrowingCopiesIt) {
  SimpleVector<Tracked> v;
  for (int i = 0; i < 16; ++i) v.Append(Tracked("e" + std::to_string(i)));
  ASSERT_EQ(v.capacity(), 16u);
  v.Append(v[3]);
  EXPECT_EQ(v[16].text, "e3");
}

TEST(SimpleVectorElements, RemoveAllRemovesEveryOccurrence) {
  SimpleVector<int> v;
  std::vector<int> model;
  for (int i = 0; i < 200; ++i) {
    v.Append(i % 7);
    model.push_back(i % 7);
  }
  EXPECT_EQ(v.RemoveAll(3), static_cast<uint32_t>(std::count(model.begin(), model.end(), 3)));
  model.erase(std::remove(model.begin(), model.end(), 3), model.end());
  EXPECT_EQ(Contents(v), model);
  EXPECT_EQ(v.RemoveAll(3), 0u);
  EXPECT_FALSE(v.RemoveLast(3));
}

TEST(SimpleVectorElements, CopyAssignmentTakesStepCountAndCapacity) {
  SimpleVector<int> source(24);
  for (int i = 0; i < 30; ++i) source.Append(i * 3);
  SimpleVector<int> target;
  target.Append(-1);
  target = source;
  EXPECT_EQ(target.chunk(), 24u);
  EXPECT_EQ(target.capacity(), source.capacity());
  EXPECT_EQ(Contents(target), Contents(source));
  target.At(0) = 1000;
  EXPECT_EQ(source.At(0), 0);
}

TEST(SimpleVectorElements, PopAndPeekBackWorkAsAStack) {
  SimpleVector<int> v;
  for (int i = 1; i <= 40; ++i) v.Append(i);
  EXPECT_EQ(v.peek_back(), 40);
  int sum = 0;
  while (!v.empty()) sum += v.Pop();
  EXPECT_EQ(sum, 40 * 41 / 2);
}

TEST(SimpleVectorElements, ResizeKeepsThePrefixAndPlainSlotsReachTheCapacity) {
  SimpleVector<int> v;
  for (int i = 0; i < 10; ++i) v.Append(i);
  v.resize(4);
  EXPECT_EQ(Contents(v), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(v.capacity(), 4u);
  v.resize(8);
  EXPECT_EQ(v.size(), 4u);
  // Past the count the slots of a plain vector are zero and writable, as Redim fills them.
  EXPECT_EQ(v.At(7), 0);
  v.At(7) = 5;
  EXPECT_EQ(v.At(7), 5);
  v.resize(0);
  EXPECT_EQ(v.size(), 0u);
  EXPECT_EQ(v.data(), nullptr);
}

// Index faults report and change nothing.
TEST(SimpleVectorChecks, RemoveAtOutOfRangeReportsAndRemovesNothing) {
  SimpleVector<int> v;
  for (int i = 0; i < 5; ++i) v.Append(i);
  qvtest::ReportCapture capture;
  v.RemoveAt(5);
  v.RemoveAt(-1);
  v.RemoveAt(0x7FFFFFFF);
  EXPECT_EQ(capture.count(), 3u);
  EXPECT_TRUE(capture.HasCondition("not (index < 0 || index >= mQtyItems)"));
  EXPECT_EQ(Contents(v), (std::vector<int>{0, 1, 2, 3, 4}));
  SimpleVector<int> empty;
  empty.RemoveAt(0);
  EXPECT_EQ(capture.count(), 4u);
}

TEST(SimpleVectorChecks, InsertAtOutOfRangeReportsAndInsertsNothing) {
  SimpleVector<int> v;
  v.Append(1);
  qvtest::ReportCapture capture;
  v.InsertAt(2, 9);
  v.InsertAt(-1, 9);
  EXPECT_EQ(capture.count(), 2u);
  EXPECT_EQ(Contents(v), (std::vector<int>{1}));
}

TEST(SimpleVectorChecks, PopOfAnEmptyVectorReportsAndYieldsZero) {
  SimpleVector<int> v;
  qvtest::ReportCapture capture;
  EXPECT_EQ(v.Pop(), 0);
  EXPECT_EQ(v.peek_back(), 0);
  EXPECT_EQ(capture.count(), 2u);
  EXPECT_TRUE(capture.HasCondition("mQtyItems <= mBufItems and mQtyItems > 0"));
}

TEST(SimpleVectorChecks, AtOutsideTheStorageReportsAndWritesNoElement) {
  SimpleVector<int> plain;
  plain.Append(7);
  SimpleVector<Tracked> constructed;
  constructed.Append(Tracked("only"));
  qvtest::ReportCapture capture;
  plain.At(16) = 99;     // capacity is 16
  plain.At(-1) = 99;
  constructed.At(1).text = "x";  // past the count of a constructed vector
  EXPECT_EQ(capture.count(), 3u);
  EXPECT_EQ(plain.At(0), 7);
  EXPECT_EQ(constructed.At(0).text, "only");
  EXPECT_EQ(constructed.size(), 1u);
}

}  // namespace
