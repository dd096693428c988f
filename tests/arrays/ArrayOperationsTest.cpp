// Insert, Remove, Redim and IndexOf in random sequences against a std::vector model per element
// type (contents, bounds, buffer length, growth step, references and exceptions after every
// step), and Shuffle against a 64-bit model of the Rnd generator.

#include <array>

#include "ArrayTestSupport.h"
#include "arrays/StructureArray.h"
#include "values/Random.h"

using namespace arraytest;

namespace {

template <typename M>
class ArrayOperationsTest : public ::testing::Test {};
TYPED_TEST_SUITE(ArrayOperationsTest, AllModels);

// The array's bookkeeping as the operations define it; each step returns the exceptions due.
template <typename M>
struct VectorModel {
  using V = typename M::Value;
  static constexpr int32_t kWidth = sizeof(typename M::Stored);
  std::vector<V> elements;
  int32_t bufferLength = 0, growthStep = 16;

  int32_t Count() const { return int32_t(elements.size()); }
  int Insert(int32_t i, V v) {
    if (i < 0 || i > Count()) return 1;
    elements.insert(elements.begin() + i, M::Read(v));
    if (Count() * kWidth > bufferLength) {
      bufferLength += growthStep * kWidth;
      growthStep = std::min(growthStep * 2, 0x10000000);
    }
    return 0;
  }
  int Resize(int32_t bound, int32_t at = -1) {
    if (at >= 0) elements.erase(elements.begin() + at);
    if (bound >= -1) elements.resize(size_t(bound + 1), V());
    bufferLength = Count() * kWidth;
    growthStep = 16;
    return 0;
  }
  int Remove(int32_t i) { return i < 0 || i >= Count() ? 1 : Resize(-2, i); }
  int Redim(int32_t bound) { return bound < -1 ? 1 : bound == Count() - 1 ? 0 : Resize(bound); }
  int32_t IndexOf(V v, int32_t start, int* raised) const {
    *raised = !elements.empty() && (start < -1 || start >= Count());
    for (int32_t k = std::max(start, 0); !*raised && k < Count(); ++k) {
      if (M::Equal(v, elements[k])) return k;
    }
    return -1;
  }
};

TYPED_TEST(ArrayOperationsTest, RandomSequencesFollowAVectorModel) {
  using M = TypeParam;
  using IndexOf = int32_t (*)(RuntimeArray*, typename M::Value, int32_t);
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    ValuePool<M> pool(seed);
    std::mt19937 rng(seed * 7919);
    RuntimeArray* a = CreateArray(1, M::kCode, -1);
    VectorModel<M> model;
    for (int step = 0; step < 400; ++step) {
      qvtest::ReportCapture capture;
      const int32_t n = model.Count(), op = int32_t(rng() % 8);
      const int32_t i = int32_t(rng() % (n + 3)) - 1;  // -1 .. n + 1
      const auto v = pool.Any();
      int raised = 0;
      if (op < 4) {  // now and then a run of inserts, so that the growth step doubles
        for (int run = rng() % 16 ? 1 : 100; run > 0; --run) {
          Insert<M>(a, i, v);
          raised += model.Insert(i, v);
        }
      } else if (op < 6) {
        a->table->remove(a, i);
        raised = model.Remove(i);
      } else if (op == 6) {
        const int32_t bound = rng() % 4 ? i + int32_t(rng() % 5) - 2 : n - 1;
        CallRedim(a, {bound});
        raised = model.Redim(bound);
        EXPECT_TRUE(bound != -1 || n == 0 || a->data);  // length 0, not nil
      } else {
        EXPECT_EQ(reinterpret_cast<IndexOf>(a->table->indexOf)(a, v, i - 1),
                  model.IndexOf(v, i - 1, &raised));
      }
      EXPECT_EQ(OutOfBounds(capture), raised);
      EXPECT_EQ(capture.count(), size_t(raised));
      ASSERT_EQ(RuntimeUBound(a), model.Count() - 1);
      EXPECT_EQ(a->bufferLength, model.bufferLength);
      EXPECT_EQ(a->growthStep, model.growthStep);
      for (int32_t k = 0; k < model.Count(); ++k) {
        EXPECT_TRUE(M::Same(At<M>(a, k), model.elements[k])) << k;
      }
      pool.ExpectReferences(model.elements);
    }
    RuntimeUnlockArray(a);
    pool.ExpectReferences();
  }
}

// The Rnd generator computed directly in 64 bits, beside the 32-bit Schrage form under test.
struct RndModel {
  int64_t state;
  double Next() {
    state = state * 16807 % 2147483647;
    return double(state & 0xFFFFF) / 1048576.0;
  }
  template <typename T>
  void Shuffle(std::vector<T>& v) {
    for (int32_t k = int32_t(v.size()) - 1; k >= 1; --k) {
      std::swap(v[k], v[int32_t(static_cast<long double>(Next()) * (k + 1))]);
    }
  }
};

TEST(ArrayShuffleTest, RndAndEveryShapeAndRecordKindShuffleLikeTheModel) {
  SetRndState(1);
  RndModel direct{1};
  for (int k = 0; k < 100000; ++k) ASSERT_EQ(rnd(), direct.Next()) << k;
  SetRndState(0);  // seeds itself once
  const double first = rnd();
  EXPECT_GE(first, 0.0);
  EXPECT_LT(first, 1.0);
  EXPECT_NE(RndState(), 0);
  for (const Tuple& bounds : {Tuple{0}, Tuple{40}, Tuple{3, 4}, Tuple{2, 0, 3}, Tuple{0, 5}}) {
    RuntimeArray* a = Create(kArrayInt64, bounds);
    std::vector<int64_t> model;
    for (const auto& t : TuplesInFlatOrder(bounds)) {
      model.push_back(int64_t(model.size()) * 0x200000001);
      CallSet<Int64Model>(a->table->set, a, model.back(), t);
    }
    SetRndState(12345);
    RndModel rnd{12345};
    a->table->shuffle(a);
    if (bounds[0] > 0) rnd.Shuffle(model);  // else nothing moves and nothing is drawn
    EXPECT_EQ(RndState(), rnd.state);
    EXPECT_EQ(0, std::memcmp(a->data, model.data(), model.size() * 8));
    RuntimeUnlockArray(a);
  }
  // Structure elements move whole, through a spare element as large as they are.
  RuntimeArray* s = RuntimeCreateStructureArray(1, 12, 9);
  std::vector<std::array<char, 12>> blocks(10);
  for (int32_t k = 0; k < 120; ++k) {
    blocks[k / 12][k % 12] = char(k);
    static_cast<char*>(s->data)[k] = char(k);
  }
  SetRndState(99);
  RndModel{99}.Shuffle(blocks);
  s->table->shuffle(s);
  EXPECT_EQ(0, std::memcmp(s->data, blocks.data(), 120));
  RuntimeUnlockArray(s);
}

}  // namespace
