// The typed arrays over all twelve element types and the three shapes: bounds, the flat position
// of every index tuple (first index fastest), widening of narrow integers, index tests that
// raise and touch nothing, Redim that keeps each tuple inside both bounds, and the references
// that String and Object arrays hold.

#include <map>

#include "ArrayTestSupport.h"
#include "core/RuntimeObject.h"

using namespace arraytest;

namespace {

template <typename M>
class TypedArrayTest : public ::testing::Test {};
TYPED_TEST_SUITE(TypedArrayTest, AllModels);

std::vector<void*> gDisposed;

TYPED_TEST(TypedArrayTest, EveryShapeStoresEachTupleAtItsFlatPositionAndRedimKeepsIt) {
  using M = TypeParam;
  using V = typename M::Value;
  ValuePool<M> pool(7 + M::kCode);
  const auto previousHook = SetArrayDisposeHook([](void* record) { gDisposed.push_back(record); });
  for (const Tuple& bounds : {Tuple{4}, Tuple{2, 3}, Tuple{1, 2, 3}}) {
    qvtest::ReportCapture capture;
    RuntimeArray* a = Create(M::kCode, bounds);
    const auto n = int32_t(bounds.size());
    ASSERT_EQ(RuntimeUBound2Param(a, -1), n);
    for (int32_t d = 1; d <= n; ++d) EXPECT_EQ(RuntimeUBound2Param(a, d), bounds[d - 1]);
    auto tuples = TuplesInFlatOrder(bounds);
    EXPECT_EQ(a->bufferLength, int32_t(tuples.size() * a->table->elementSize(a)));
    std::map<Tuple, V> model;
    for (size_t p = 0; p < tuples.size(); ++p) {
      EXPECT_TRUE(M::Same(CallGet<M>(a->table->get, a, tuples[p]), V()));
      CallSet<M>(p % 2 ? a->table->set : a->table->fastSet, a, model[tuples[p]] = pool.Any(),
                 tuples[p]);
    }
    std::vector<V> held;
    for (size_t p = 0; p < tuples.size(); ++p) {
      held.push_back(M::Read(model[tuples[p]]));
      EXPECT_TRUE(M::Same(At<M>(a, int32_t(p)), held[p]));
      auto got = CallGet<M>(p % 2 ? a->table->fastGet : a->table->get, a, tuples[p]);
      EXPECT_TRUE(M::Same(got, held[p]));
      M::Release(got);  // Get handed the caller a reference
    }
    pool.ExpectReferences(held);
    EXPECT_TRUE(capture.empty());
    const std::vector<char> before((char*)a->data, (char*)a->data + a->bufferLength);
    for (int32_t d = 0; d < n; ++d) {
      for (int32_t bad : {-1, bounds[d] + 1, INT32_MIN}) {
        Tuple at(bounds.size(), 0);
        at[d] = bad;
        EXPECT_TRUE(M::Same(CallGet<M>(a->table->get, a, at), V()));
        CallSet<M>(a->table->set, a, pool.values[2], at);
      }
    }
    EXPECT_EQ(RuntimeUBound2Param(a, 0), -1);
    EXPECT_EQ(RuntimeUBound2Param(a, n + 1), -1);
    EXPECT_EQ(OutOfBounds(capture), 6 * n + 2);
    EXPECT_EQ(0, std::memcmp(before.data(), a->data, before.size()));
    // Many dimensions (one is the vector model's): bounds -1 .. 3 empty, shrink and grow it.
    for (int round = 0; n > 1 && round < 12; ++round) {
      Tuple next(bounds.size());
      for (auto& b : next) b = int32_t(pool.rng() % 5) - 1;
      CallRedim(a, next);
      tuples = TuplesInFlatOrder(next);
      held.clear();
      for (size_t p = 0; p < tuples.size(); ++p) {
        held.push_back(model.count(tuples[p]) ? M::Read(model[tuples[p]]) : V());
        EXPECT_TRUE(M::Same(At<M>(a, int32_t(p)), held.back()));
      }
      model.clear();
      for (size_t p = 0; p < tuples.size(); ++p) model[tuples[p]] = held[p];
      EXPECT_EQ(a->bufferLength, int32_t(tuples.size() * sizeof(typename M::Stored)));
      EXPECT_EQ(a->data == nullptr, tuples.empty());
      for (int32_t d = 1; d <= n; ++d) EXPECT_EQ(RuntimeUBound2Param(a, d), next[d - 1]);
      pool.ExpectReferences(held);
    }
    gDisposed.clear();
    RuntimeLockUnlockArrays(a, a);
    RuntimeLockUnlockArrays(nullptr, a);
    EXPECT_EQ(gDisposed, std::vector<void*>{a});
    pool.ExpectReferences();
  }
  SetArrayDisposeHook(previousHook);
}

TEST(TypedArrayEdgeTest, CreationRefusesWhatCannotBeHeldAndSelfStoresSurvive) {
  qvtest::ReportCapture capture;
  EXPECT_EQ(CreateArray(1, 12, 3), nullptr);
  EXPECT_EQ(CreateArray(0, kArrayInt32), nullptr);
  EXPECT_EQ(capture.count(), 2u);
  EXPECT_EQ(CreateArray(1, kArrayInt32, -2), nullptr);
  EXPECT_EQ(CreateArray(2, kArrayDouble, 0x10000, 0x4000), nullptr);  // 8 GB
  EXPECT_EQ(CreateArray(1, kArrayInt64, 0x7FFFFFFF), nullptr);        // the count overflows
  EXPECT_EQ(OutOfBounds(capture), 3);
  RuntimeArray* empty = CreateArray(3, kArrayInt64, 0x7FFFFFFF, -1, 0x7FFFFFFF);
  ASSERT_NE(empty, nullptr);  // a -1 bound empties it, whatever the others say
  EXPECT_EQ(empty->data, nullptr);
  RuntimeUnlockArray(empty);
  EXPECT_EQ(RuntimeUBound(nullptr), 0);
  EXPECT_EQ(RuntimeUBound2Param(nullptr, 1), -1);
  EXPECT_EQ(CountRaised(capture, "NilObjectException"), 2);
  // An element stored into its own place survives when the array alone holds it.
  RuntimeArray* a = CreateArray(1, kArrayString, 0);
  stringStorage* s = string("only").ExtractStringStorage();
  CallSet<StringModel>(a->table->set, a, s, {0});
  StringModel::Release(s);
  CallSet<StringModel>(a->table->set, a, At<StringModel>(a, 0), {0});
  EXPECT_EQ(s->refCount, 1u);
  EXPECT_STREQ(stringStorage::CString(s), "only");
  RuntimeUnlockArray(a);
  // A freed object leaves the live count at once, where a freed string may still read well.
  RuntimeArray* objects = CreateArray(1, kArrayObject, 0);
  RuntimeObject* object = RuntimeNewObject(TestClass("SelfStored"));
  CallSet<ObjectModel>(objects->table->set, objects, object, {0});
  RuntimeUnlockObject(object);
  const int32_t live = LiveObjectCount();
  CallSet<ObjectModel>(objects->table->set, objects, At<ObjectModel>(objects, 0), {0});
  EXPECT_EQ(LiveObjectCount(), live);
  EXPECT_EQ(object->refCount, 1);
  RuntimeUnlockArray(objects);
  EXPECT_EQ(LiveObjectCount(), live - 1);
}

}  // namespace
