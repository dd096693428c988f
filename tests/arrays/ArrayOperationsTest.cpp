// Redim, Insert, Remove, IndexOf and Shuffle against models: random operation sequences on a
// std::vector per element type (contents, upper bound, buffer length, growth step, references
// and raised exceptions after every step), tuple-keeping Redim of two and three dimensions, and
// Shuffle against an independent 64-bit model of the Rnd generator.

#include <gtest/gtest.h>

#include <map>

#include "ArrayTestSupport.h"
#include "arrays/StructureArray.h"
#include "core/Random.h"

using namespace arraytest;

namespace {

template <typename M>
class ArrayOperationsTest : public ::testing::Test {};

using AllModels =
    ::testing::Types<Int32Model, SingleModel, DoubleModel, StringModel, ObjectModel, UInt8Model,
                     Int8Model, UInt16Model, Int16Model, UInt32Model, UInt64Model, Int64Model>;
TYPED_TEST_SUITE(ArrayOperationsTest, AllModels);

// The array's bookkeeping as the operations define it, kept beside a vector of its elements.
template <typename M>
struct VectorModel {
  using V = typename M::Value;
  static constexpr int32_t kWidth = sizeof(typename M::Stored);
  std::vector<V> elements;
  int32_t bufferLength = 0;
  int32_t growthStep = 16;

  int32_t Count() const { return static_cast<int32_t>(elements.size()); }
  // Returns the number of exceptions the operation raises.
  int Insert(int32_t i, V v) {
    if (i < 0 || i > Count()) return 1;
    elements.insert(elements.begin() + i, M::Read(v));
    if (Count() * kWidth > bufferLength) {
      bufferLength += growthStep * kWidth;
      if (growthStep < 0x20000) growthStep *= 2;
    }
    return 0;
  }
  int Remove(int32_t i) {
    if (i < 0 || i >= Count()) return 1;
    elements.erase(elements.begin() + i);
    bufferLength = Count() * kWidth;
    growthStep = 16;
    return 0;
  }
  int Redim(int32_t bound) {
    if (bound < -1) return 1;
    if (bound == Count() - 1) return 0;
    elements.resize(static_cast<size_t>(bound + 1), V());
    bufferLength = Count() * kWidth;
    growthStep = 16;
    return 0;
  }
  int IndexOf(V v, int32_t start, int32_t* found) const {
    *found = -1;
    if (elements.empty()) return 0;
    if (start < -1 || start >= Count()) return 1;
    for (int32_t k = std::max(start, 0); k < Count() && *found < 0; ++k) {
      if (M::Equal(v, elements[k])) *found = k;
    }
    return 0;
  }
};

template <typename M>
void ExpectArrayMatches(RuntimeArray* a, const VectorModel<M>& model, const ValuePool<M>& pool) {
  ASSERT_EQ(RuntimeUBound(a), model.Count() - 1);
  EXPECT_EQ(a->bufferLength, model.bufferLength);
  EXPECT_EQ(a->growthStep, model.growthStep);
  for (int32_t k = 0; k < model.Count(); ++k) {
    EXPECT_TRUE(M::Same(FromStored<M>(StoredAt<M>(a, k)), model.elements[k])) << k;
  }
  ExpectReferences(pool, model.elements);
}

TYPED_TEST(ArrayOperationsTest, RandomSequencesFollowAVectorModel) {
  using M = TypeParam;
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    ValuePool<M> pool(seed);
    std::mt19937 rng(seed * 7919);
    RuntimeArray* a = CreateArray(1, M::kCode, -1);
    VectorModel<M> model;
    for (int step = 0; step < 400; ++step) {
      qvtest::ReportCapture capture;
      const int32_t n = model.Count();
      int raised = 0;
      const uint32_t op = rng() % 8;
      if (op < 4) {  // mostly inserts, so that the buffer grows through several steps
        const int32_t i = static_cast<int32_t>(rng() % (n + 3)) - 1;
        const auto v = pool.Any();
        Insert<M>(a, i, v);
        raised = model.Insert(i, v);
      } else if (op < 6) {
        const int32_t i = static_cast<int32_t>(rng() % (n + 2)) - 1;
        a->table->remove(a, i);
        raised = model.Remove(i);
      } else if (op == 6) {
        const int32_t bound = rng() % 4 ? static_cast<int32_t>(rng() % (n + 6)) - 2 : n - 1;
        CallRedim(a, {bound});
        raised = model.Redim(bound);
        if (bound == -1 && n > 0) {
          EXPECT_NE(a->data, nullptr);  // a zero-length buffer, not nil
        }
      } else {
        const auto v = pool.Any();
        const int32_t start = static_cast<int32_t>(rng() % (n + 3)) - 2;
        int32_t expected;
        raised = model.IndexOf(v, start, &expected);
        EXPECT_EQ(IndexOf<M>(a, v, start), expected);
      }
      EXPECT_EQ(OutOfBounds(capture), raised);
      EXPECT_EQ(capture.count(), static_cast<size_t>(raised));
      ExpectArrayMatches(a, model, pool);
    }
    RuntimeUnlockArray(a);
    ExpectReferences<M>(pool, {});
  }
}

TYPED_TEST(ArrayOperationsTest, RedimOfManyDimensionsKeepsEachTupleInsideBothBounds) {
  using M = TypeParam;
  using V = typename M::Value;
  ValuePool<M> pool(5);
  std::mt19937 rng(17);
  for (size_t dims : {2u, 3u}) {
    std::vector<int32_t> bounds(dims, 2);
    RuntimeArray* a = Create(M::kCode, bounds);
    std::map<std::vector<int32_t>, V> model;
    for (const auto& t : TuplesInFlatOrder(bounds)) {
      model[t] = pool.Any();
      CallSet<M>(a->table->set, a, model[t], t);
    }
    for (int round = 0; round < 30; ++round) {
      std::vector<int32_t> next(dims);
      for (auto& b : next) b = static_cast<int32_t>(rng() % 5) - 1;
      CallRedim(a, next);
      std::map<std::vector<int32_t>, V> kept;
      std::vector<V> held;
      const auto tuples = TuplesInFlatOrder(next);
      for (size_t p = 0; p < tuples.size(); ++p) {
        auto old = model.find(tuples[p]);
        kept[tuples[p]] = old == model.end() ? V() : M::Read(old->second);
        held.push_back(kept[tuples[p]]);
        EXPECT_TRUE(M::Same(FromStored<M>(StoredAt<M>(a, int32_t(p))), kept[tuples[p]]));
      }
      model.swap(kept);
      EXPECT_EQ(a->bufferLength, int32_t(tuples.size() * sizeof(typename M::Stored)));
      EXPECT_EQ(a->data == nullptr, tuples.empty());
      for (size_t d = 0; d < dims; ++d) EXPECT_EQ(RuntimeUBound2Param(a, int32_t(d + 1)), next[d]);
      ExpectReferences(pool, held);
    }
    RuntimeUnlockArray(a);
  }
}

// The Rnd generator computed directly in 64 bits, beside the 32-bit Schrage form under test.
struct RndModel {
  int64_t state;
  double Next() {
    state = state * 16807 % 2147483647;
    return static_cast<double>(state & 0xFFFFF) / 1048576.0;
  }
};

template <typename T>
void ModelShuffle(std::vector<T>& v, RndModel& rnd) {
  for (int32_t k = int32_t(v.size()) - 1; k >= 1; --k) {
    const auto j = static_cast<int32_t>(static_cast<long double>(rnd.Next()) * (k + 1));
    std::swap(v[k], v[j]);
  }
}

TEST(ArrayShuffleTest, RndMatchesTheDirectRecurrenceAndSeedsItselfOnce) {
  SetRndState(1);
  EXPECT_EQ(rnd(), 16807.0 / 1048576.0);
  EXPECT_EQ(RndState(), 16807);
  RndModel model{16807};
  for (int k = 0; k < 100000; ++k) ASSERT_EQ(rnd(), model.Next()) << k;
  SetRndState(0);
  const double first = rnd();
  EXPECT_GE(first, 0.0);
  EXPECT_LT(first, 1.0);
  EXPECT_NE(RndState(), 0);
}

TEST(ArrayShuffleTest, EveryShapeAndRecordKindShufflesItsFlatSequenceLikeTheModel) {
  const std::vector<std::vector<int32_t>> shapes = {{0}, {1}, {40}, {3, 4}, {2, 0, 3}, {0, 5}};
  for (const auto& bounds : shapes) {
    RuntimeArray* a = Create(kArrayInt64, bounds);
    const auto tuples = TuplesInFlatOrder(bounds);
    std::vector<int64_t> model;
    for (size_t p = 0; p < tuples.size(); ++p) {
      model.push_back(int64_t(p) << 33 | int64_t(p));
      CallSet<Int64Model>(a->table->set, a, model.back(), tuples[p]);
    }
    SetRndState(12345);
    RndModel rnd{12345};
    a->table->shuffle(a);
    if (bounds[0] > 0) ModelShuffle(model, rnd);  // else nothing moves and nothing is drawn
    EXPECT_EQ(RndState(), rnd.state);
    for (size_t p = 0; p < model.size(); ++p)
      EXPECT_EQ(StoredAt<Int64Model>(a, int32_t(p)), model[p]);
    RuntimeUnlockArray(a);
  }
  // Structure elements move whole, through a spare element as large as they are.
  RuntimeArray* s = RuntimeCreateStructureArray(1, 12, 9);
  std::vector<std::array<uint8_t, 12>> model(10);
  for (int32_t k = 0; k < 10; ++k) {
    for (int b = 0; b < 12; ++b) model[k][b] = uint8_t(k * 16 + b);
    std::memcpy(static_cast<char*>(s->data) + k * 12, model[k].data(), 12);
  }
  SetRndState(99);
  RndModel rnd{99};
  s->table->shuffle(s);
  ModelShuffle(model, rnd);
  EXPECT_EQ(0, std::memcmp(s->data, model.data(), 120));
  RuntimeUnlockArray(s);
}

TEST(ArrayShuffleTest, ShuffledStringsKeepTheirReferences) {
  ValuePool<StringModel> pool(3);
  RuntimeArray* a = CreateArray(1, kArrayString, int32_t(pool.values.size()) - 1);
  for (size_t k = 0; k < pool.values.size(); ++k) {
    CallSet<StringModel>(a->table->set, a, pool.values[k], {int32_t(k)});
  }
  a->table->shuffle(a);
  std::vector<stringStorage*> after(static_cast<stringStorage**>(a->data),
                                    static_cast<stringStorage**>(a->data) + pool.values.size());
  EXPECT_TRUE(std::is_permutation(after.begin(), after.end(), pool.values.begin()));
  ExpectReferences(pool, pool.values);
  RuntimeUnlockArray(a);
}

}  // namespace
