// Structure arrays hold whole-element byte blocks; cast wrappers test the class on every store,
// pass the other positions on, and keep the inner array alive.

#include "ArrayTestSupport.h"
#include "arrays/ArrayCastWrapper.h"
#include "arrays/StructureArray.h"

using namespace arraytest;

namespace {

using GetElement = void* (*)(RuntimeArray*, ...);
using SetElement = void (*)(RuntimeArray*, const void*, ...);

TEST(StructureArrayTest, ElementsAreCopiedInWholeAndGetGivesTheirPlace) {
  RuntimeArray* a = RuntimeCreateStructureArray(3, 5, 1, 2, 0);
  EXPECT_EQ(a->table->elementSize(a), 5);
  const auto tuples = TuplesInFlatOrder({1, 2, 0});
  char value[5] = {};
  for (size_t p = 0; p < tuples.size(); ++p) {
    const auto& t = tuples[p];
    value[0] = char(p);
    value[4] = char(p + 4);
    reinterpret_cast<SetElement>(p % 2 ? a->table->set : a->table->fastSet)(a, value, t[0], t[1],
                                                                           t[2]);
    EXPECT_EQ(reinterpret_cast<GetElement>(a->table->fastGet)(a, t[0], t[1], t[2]),
              static_cast<char*>(a->data) + p * 5);
  }
  qvtest::ReportCapture capture;
  EXPECT_EQ(reinterpret_cast<GetElement>(a->table->get)(a, 0, 0, 1), nullptr);
  reinterpret_cast<SetElement>(a->table->set)(a, value, 2, 0, 0);
  CallRedim(a, {0, 3, 1});  // keeps (0, 0..2, 0), zeroes the rest
  EXPECT_EQ(OutOfBounds(capture), 2);
  ASSERT_EQ(reinterpret_cast<StructureArray*>(a)->bufferLength, 40);
  for (int32_t j = 0; j <= 3; ++j) {
    for (int32_t k = 0; k <= 1; ++k) {
      const char* e = static_cast<char*>(a->data) + (j + 4 * k) * 5;
      EXPECT_EQ(e[0] + e[4] * 256, j <= 2 && k == 0 ? 2 * j + (2 * j + 4) * 256 : 0);
    }
  }
  // Insert copies the whole block too (the growth it shares with the typed arrays).
  RuntimeArray* b = RuntimeCreateStructureArray(1, 12, -1);
  auto insert = reinterpret_cast<void (*)(RuntimeArray*, int32_t, const void*)>(b->table->insert);
  insert(b, 0, "abcdefghijkl");
  EXPECT_EQ(0, std::memcmp(b->data, "abcdefghijkl", 12));
  RuntimeUnlockArray(a);
  RuntimeUnlockArray(b);
}

TEST(ArrayCastWrapperTest, StoresAreTestedAgainstTheClassAndEverythingElsePassesOn) {
  RuntimeClass* base = TestClass("WrapBase");
  RuntimeObject* b = RuntimeNewObject(base);
  RuntimeObject* d = RuntimeNewObject(TestClass("WrapDerived", base));
  RuntimeObject* o = RuntimeNewObject(TestClass("WrapOther"));
  RuntimeArray* inner = CreateArray(1, kArrayObject, 1);
  RuntimeArray* w = RuntimeCreateArrayCastWrapper(inner, base);
  qvtest::ReportCapture capture;
  CallSet<ObjectModel>(w->table->set, w, d, {0});
  CallSet<ObjectModel>(w->table->fastSet, w, b, {1});
  CallSet<ObjectModel>(w->table->set, w, o, {1});
  Insert<ObjectModel>(w, 0, o);
  Insert<ObjectModel>(w, 2, nullptr);
  Insert<ObjectModel>(w, 0, d);
  EXPECT_EQ(CountRaised(capture, "IllegalCastException"), 2);
  EXPECT_EQ(Contents<ObjectModel>(inner), (std::vector<RuntimeObject*>{d, d, b, nullptr}));
  w->table->remove(w, 0);
  CallRedim(w, {1});
  EXPECT_EQ(RuntimeUBound(inner), 1);
  EXPECT_EQ(d->refCount, 2);
  EXPECT_EQ(b->refCount, 2);
  EXPECT_EQ(o->refCount, 1);
  // Object arrays have no Sort: through a wrapper that is reported, not a call to nil.
  w->table->sort(w);
  reinterpret_cast<void (*)(RuntimeArray*, ...)>(w->table->sortWith)(w, nullptr);
  EXPECT_EQ(CountRaised(capture, "fp"), 2);
  // Only one-dimensional Object arrays can be wrapped.
  RuntimeArray* square = CreateArray(2, kArrayObject, 1, 1);
  EXPECT_EQ(RuntimeCreateArrayCastWrapper(square, base), nullptr);
  EXPECT_TRUE(capture.HasCondition("one-dimensional Object array"));
  EXPECT_EQ(capture.count(), 5u);
  for (RuntimeArray* x : {square, w, inner}) RuntimeUnlockArray(x);
  EXPECT_EQ(d->refCount, 1);
  EXPECT_EQ(b->refCount, 1);
  for (RuntimeObject* x : {b, d, o}) RuntimeUnlockObject(x);
}

}  // namespace
