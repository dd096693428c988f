// The typed arrays over all twelve element types and the three shapes: bounds, the flat position
// of every index tuple (first index fastest), widening of narrow integers, index tests, and the
// references that String and Object arrays hold.

#include <gtest/gtest.h>

#include "ArrayTestSupport.h"

using namespace arraytest;

namespace {

template <typename M>
class TypedArrayTest : public ::testing::Test {};

using AllModels =
    ::testing::Types<Int32Model, SingleModel, DoubleModel, StringModel, ObjectModel, UInt8Model,
                     Int8Model, UInt16Model, Int16Model, UInt32Model, UInt64Model, Int64Model>;
TYPED_TEST_SUITE(TypedArrayTest, AllModels);

const std::vector<std::vector<int32_t>> kShapes = {{4}, {2, 3}, {1, 2, 3}};

std::vector<void*> gDisposed;
void RecordDisposal(void* record) { gDisposed.push_back(record); }

TYPED_TEST(TypedArrayTest, EveryShapeStoresEachTupleAtItsFlatPosition) {
  using M = TypeParam;
  ValuePool<M> pool(7 + M::kCode);
  for (const auto& bounds : kShapes) {
    qvtest::ReportCapture capture;
    RuntimeArray* a = Create(M::kCode, bounds);
    const int32_t n = static_cast<int32_t>(bounds.size());
    ASSERT_EQ(a->table->ubound(a, -1), n);
    for (int32_t d = 1; d <= n; ++d) EXPECT_EQ(RuntimeUBound2Param(a, d), bounds[d - 1]);
    EXPECT_EQ(RuntimeUBound(a), bounds[0]);
    EXPECT_EQ(a->table->elementSize(a), static_cast<int32_t>(sizeof(typename M::Stored)));
    const auto tuples = TuplesInFlatOrder(bounds);
    EXPECT_EQ(a->bufferLength, static_cast<int32_t>(tuples.size() * sizeof(typename M::Stored)));
    std::vector<typename M::Value> model;
    for (size_t p = 0; p < tuples.size(); ++p) {
      EXPECT_TRUE(M::Same(CallGet<M>(a->table->get, a, tuples[p]), typename M::Value()));
      model.push_back(pool.Any());
      CallSet<M>(p % 2 ? a->table->set : a->table->fastSet, a, model[p], tuples[p]);
    }
    for (size_t p = 0; p < tuples.size(); ++p) {
      EXPECT_TRUE(M::Same(FromStored<M>(StoredAt<M>(a, int32_t(p))), M::Read(model[p])));
      auto got = CallGet<M>(p % 2 ? a->table->fastGet : a->table->get, a, tuples[p]);
      EXPECT_TRUE(M::Same(got, M::Read(model[p])));
      M::Release(got);  // Get handed the caller a reference
    }
    if constexpr (M::kCounted) {
      for (auto v : pool.values) {
        int32_t held = 0;
        for (auto m : model) held += m == v;
        EXPECT_EQ(M::References(v), v ? 1 + held : 0);
      }
    }
    EXPECT_TRUE(capture.empty());
    RuntimeUnlockArray(a);
    if constexpr (M::kCounted) {
      for (auto v : pool.values) EXPECT_EQ(M::References(v), v ? 1 : 0);
    }
  }
}

TYPED_TEST(TypedArrayTest, IndexOutsideAnyDimensionRaisesAndTouchesNothing) {
  using M = TypeParam;
  ValuePool<M> pool(11);
  for (const auto& bounds : kShapes) {
    RuntimeArray* a = Create(M::kCode, bounds);
    const auto tuples = TuplesInFlatOrder(bounds);
    for (size_t p = 0; p < tuples.size(); ++p)
      CallSet<M>(a->table->set, a, pool.values[1], tuples[p]);
    const std::vector<char> before(static_cast<char*>(a->data),
                                   static_cast<char*>(a->data) + a->bufferLength);
    for (size_t d = 0; d < bounds.size(); ++d) {
      for (int32_t bad : {-1, bounds[d] + 1, INT32_MIN}) {
        std::vector<int32_t> at(bounds.size(), 0);
        at[d] = bad;
        qvtest::ReportCapture capture;
        EXPECT_TRUE(M::Same(CallGet<M>(a->table->get, a, at), typename M::Value()));
        CallSet<M>(a->table->set, a, pool.values[2], at);
        EXPECT_EQ(OutOfBounds(capture), 2);
      }
    }
    EXPECT_EQ(0, std::memcmp(before.data(), a->data, before.size()));
    qvtest::ReportCapture capture;
    EXPECT_EQ(RuntimeUBound2Param(a, 0), -1);
    EXPECT_EQ(RuntimeUBound2Param(a, int32_t(bounds.size()) + 1), -1);
    EXPECT_EQ(OutOfBounds(capture), 2);
    RuntimeUnlockArray(a);
  }
}

TYPED_TEST(TypedArrayTest, StoringAnElementIntoItsOwnPlaceKeepsItAndDisposalIsReported) {
  using M = TypeParam;
  ValuePool<M> pool(3);
  const auto previousHook = SetArrayDisposeHook(&RecordDisposal);
  gDisposed.clear();
  RuntimeArray* a = Create(M::kCode, {2, 1});
  const auto v = pool.values[1];
  CallSet<M>(a->table->set, a, v, {2, 1});
  for (int k = 0; k < 3; ++k) {
    auto held = CallGet<M>(a->table->get, a, {2, 1});
    CallSet<M>(a->table->set, a, held, {2, 1});
    M::Release(held);
  }
  EXPECT_TRUE(M::Same(FromStored<M>(StoredAt<M>(a, 5)), M::Read(v)));
  if constexpr (M::kCounted) {
    EXPECT_EQ(M::References(v), 2);
  }
  RuntimeLockArray(a);
  RuntimeLockUnlockArrays(a, a);
  RuntimeUnlockArray(a);
  EXPECT_TRUE(gDisposed.empty());
  RuntimeLockUnlockArrays(nullptr, a);
  ASSERT_EQ(gDisposed.size(), 1u);
  EXPECT_EQ(gDisposed[0], static_cast<void*>(a));
  if constexpr (M::kCounted) {
    EXPECT_EQ(M::References(v), 1);
  }
  SetArrayDisposeHook(previousHook);
}

TEST(TypedArrayEdgeTest, NarrowIntegersWidenByTheirOwnSignedness) {
  for (int32_t code : {kArrayInt8, kArrayUInt8, kArrayInt16, kArrayUInt16}) {
    RuntimeArray* a = CreateArray(1, code, 0);
    std::memset(a->data, 0xFF, static_cast<size_t>(a->bufferLength));
    const int32_t got = reinterpret_cast<int32_t (*)(RuntimeArray*, int32_t)>(a->table->get)(a, 0);
    const bool isSigned = code == kArrayInt8 || code == kArrayInt16;
    EXPECT_EQ(got, isSigned ? -1 : (code == kArrayUInt8 ? 0xFF : 0xFFFF)) << code;
    RuntimeUnlockArray(a);
  }
}

TEST(TypedArrayEdgeTest, CreationRefusesWhatCannotBeHeld) {
  qvtest::ReportCapture capture;
  EXPECT_EQ(CreateArray(1, 12, 3), nullptr);
  EXPECT_EQ(CreateArray(0, kArrayInt32), nullptr);
  EXPECT_EQ(capture.count(), 2u);
  EXPECT_EQ(ArrayElementSize(-1), 0);
  EXPECT_EQ(CreateArray(1, kArrayInt32, -2), nullptr);
  EXPECT_EQ(CreateArray(2, kArrayDouble, 0x10000, 0x4000), nullptr);  // 8 GB
  EXPECT_EQ(CreateArray(1, kArrayInt64, 0x7FFFFFFF), nullptr);        // count overflows
  EXPECT_EQ(OutOfBounds(capture), 3);
  RuntimeArray* empty = CreateArray(3, kArrayInt64, 0x7FFFFFFF, -1, 0x7FFFFFFF);
  ASSERT_NE(empty, nullptr);  // a -1 bound empties it, whatever the others say
  EXPECT_EQ(empty->data, nullptr);
  EXPECT_EQ(empty->bufferLength, 0);
  RuntimeUnlockArray(empty);
  EXPECT_EQ(RuntimeUBound(nullptr), 0);
  EXPECT_EQ(RuntimeUBound2Param(nullptr, 1), -1);
  EXPECT_EQ(CountRaised(capture, "NilObjectException"), 2);
}

}  // namespace
