// Structure arrays against a model of whole-element byte blocks, and cast wrappers: the class
// test on every store, pass-through of the other positions, and the inner array's lifetime.

#include <gtest/gtest.h>

#include <array>

#include "ArrayTestSupport.h"
#include "arrays/ArrayCastWrapper.h"
#include "arrays/StructureArray.h"

using namespace arraytest;

namespace {

using Block = std::array<uint8_t, 12>;
using GetElement = void* (*)(RuntimeArray*, ...);
using SetElement = void (*)(RuntimeArray*, const void*, ...);
using InsertElement = void (*)(RuntimeArray*, int32_t, const void*);

Block RandomBlock(std::mt19937& rng) {
  Block b;
  for (auto& byte : b) byte = uint8_t(rng());
  return b;
}

TEST(StructureArrayTest, RandomSequencesFollowABlockModel) {
  std::mt19937 rng(2024);
  RuntimeArray* a = RuntimeCreateStructureArray(1, 12, 9);
  auto* record = reinterpret_cast<StructureArray*>(a);
  EXPECT_EQ(a->table->ubound(a, -1), 1);
  EXPECT_EQ(a->table->elementSize(a), 12);
  std::vector<Block> model(10, Block{});
  int32_t bufferLength = 120, growthStep = 16;
  for (int step = 0; step < 600; ++step) {
    qvtest::ReportCapture capture;
    const int32_t n = int32_t(model.size());
    int raised = 0;
    Block value = RandomBlock(rng);
    const int32_t i = int32_t(rng() % (n + 3)) - 1;
    switch (rng() % 5) {
      case 0:
      case 1: {
        Block source[2] = {value, RandomBlock(rng)};  // only the first 12 bytes may be taken
        reinterpret_cast<InsertElement>(a->table->insert)(a, i, source);
        source[0].fill(0xEE);  // the array holds its own copy
        if ((raised = i < 0 || i > n)) break;
        model.insert(model.begin() + i, value);
        if ((n + 1) * 12 > bufferLength) {
          bufferLength += growthStep * 12;
          growthStep *= 2;
        }
        break;
      }
      case 2:
        a->table->remove(a, i);
        if ((raised = i < 0 || i >= n)) break;
        model.erase(model.begin() + i);
        bufferLength = int32_t(model.size()) * 12;
        growthStep = 16;
        break;
      case 3: {
        const int32_t bound = int32_t(rng() % (n + 4)) - 1;
        CallRedim(a, {bound});
        model.resize(size_t(bound + 1), Block{});
        bufferLength = (bound + 1) * 12;
        growthStep = 16;
        EXPECT_EQ(a->data == nullptr, bound == -1);
        break;
      }
      default: {
        auto* element = static_cast<uint8_t*>(reinterpret_cast<GetElement>(a->table->get)(a, i));
        reinterpret_cast<SetElement>(a->table->fastSet)(a, value.data(), i);
        if ((raised = i < 0 || i >= n)) {
          EXPECT_EQ(element, nullptr);
          raised *= 2;
          break;
        }
        EXPECT_EQ(element, static_cast<uint8_t*>(a->data) + i * 12);  // a pointer, not a copy
        model[i] = value;
      }
    }
    EXPECT_EQ(OutOfBounds(capture), raised);
    ASSERT_EQ(RuntimeUBound(a), int32_t(model.size()) - 1);
    EXPECT_EQ(record->bufferLength, bufferLength);
    EXPECT_EQ(record->growthStep, growthStep);
    if (!model.empty()) {
      EXPECT_EQ(0, std::memcmp(a->data, model.data(), model.size() * 12));
    }
  }
  RuntimeUnlockArray(a);
}

TEST(StructureArrayTest, ManyDimensionsUseTheElementSizeAsWidth) {
  RuntimeArray* a = RuntimeCreateStructureArray(3, 5, 1, 2, 0);
  const auto tuples = TuplesInFlatOrder({1, 2, 0});
  auto* record = reinterpret_cast<StructureArray*>(a);
  ASSERT_EQ(record->bufferLength, 30);
  for (size_t p = 0; p < tuples.size(); ++p) {
    const char value[5] = {char(p), char(p + 1), char(p + 2), char(p + 3), char(p + 4)};
    const auto& t = tuples[p];
    reinterpret_cast<SetElement>(a->table->set)(a, value, t[0], t[1], t[2]);
    EXPECT_EQ(reinterpret_cast<GetElement>(a->table->fastGet)(a, t[0], t[1], t[2]),
              static_cast<char*>(a->data) + p * 5);
    EXPECT_EQ(0, std::memcmp(static_cast<char*>(a->data) + p * 5, value, 5));
  }
  qvtest::ReportCapture capture;
  EXPECT_EQ(reinterpret_cast<GetElement>(a->table->get)(a, 0, 0, 1), nullptr);
  CallRedim(a, {0, 3, 1});  // keeps (0, 0..2, 0), zeroes the rest
  EXPECT_EQ(OutOfBounds(capture), 1);
  ASSERT_EQ(record->bufferLength, 40);
  for (int32_t j = 0; j <= 3; ++j) {
    for (int32_t k = 0; k <= 1; ++k) {
      const char* e = static_cast<char*>(a->data) + (j + 4 * k) * 5;
      const bool kept = j <= 2 && k == 0;
      EXPECT_EQ(e[0], kept ? char(2 * j) : 0);
      EXPECT_EQ(e[4], kept ? char(2 * j + 4) : 0);
    }
  }
  RuntimeUnlockArray(a);
}

struct WrapperFixture : ::testing::Test {
  RuntimeClass* base = TestClass("WrapBase");
  RuntimeClass* derived = TestClass("WrapDerived", base);
  RuntimeClass* other = TestClass("WrapOther");
  RuntimeObject* b = RuntimeNewObject(base);
  RuntimeObject* d = RuntimeNewObject(derived);
  RuntimeObject* o = RuntimeNewObject(other);
  RuntimeArray* inner = CreateArray(1, kArrayObject, 1);
  ~WrapperFixture() override {
    for (RuntimeObject* x : {b, d, o}) RuntimeUnlockObject(x);
  }
};

TEST_F(WrapperFixture, StoresAreTestedAgainstTheClassAndEverythingElsePassesOn) {
  RuntimeArray* w = RuntimeCreateArrayCastWrapper(inner, base);
  EXPECT_EQ(inner->refCount, 2);
  qvtest::ReportCapture capture;
  CallSet<ObjectModel>(w->table->set, w, d, {0});
  CallSet<ObjectModel>(w->table->fastSet, w, b, {1});
  CallSet<ObjectModel>(w->table->set, w, o, {1});
  Insert<ObjectModel>(w, 0, o);
  EXPECT_EQ(CountRaised(capture, "IllegalCastException"), 2);
  Insert<ObjectModel>(w, 2, nullptr);
  Insert<ObjectModel>(w, 0, d);
  EXPECT_EQ(capture.count(), 2u);
  const std::vector<RuntimeObject*> expected = {d, d, b, nullptr};
  ASSERT_EQ(w->table->ubound(w, 1), 3);
  for (int32_t k = 0; k < 4; ++k) EXPECT_EQ(StoredAt<ObjectModel>(inner, k), expected[k]);
  EXPECT_EQ(d->refCount, 3);
  EXPECT_EQ(o->refCount, 1);
  EXPECT_EQ(IndexOf<ObjectModel>(w, b, -1), 2);
  RuntimeObject* got = CallGet<ObjectModel>(w->table->get, w, {1});
  EXPECT_EQ(got, d);
  EXPECT_EQ(d->refCount, 4);
  RuntimeUnlockObject(got);
  w->table->remove(w, 0);
  CallRedim(w, {1});
  EXPECT_EQ(RuntimeUBound(inner), 1);
  EXPECT_EQ(w->table->elementSize(w), 4);
  EXPECT_EQ(d->refCount, 2);
  EXPECT_EQ(b->refCount, 2);
  // Wrapping again gives the same wrapper and its first class; nil class gives the array.
  EXPECT_EQ(RuntimeCreateArrayCastWrapper(w, other), w);
  CallSet<ObjectModel>(w->table->set, w, o, {0});
  EXPECT_EQ(CountRaised(capture, "IllegalCastException"), 3);
  EXPECT_EQ(RuntimeCreateArrayCastWrapper(inner, nullptr), inner);
  EXPECT_EQ(RuntimeCreateArrayCastWrapper(nullptr, base), nullptr);
  EXPECT_EQ(w->refCount, 2);
  EXPECT_EQ(inner->refCount, 3);
  RuntimeUnlockArray(w);
  RuntimeUnlockArray(w);
  EXPECT_EQ(inner->refCount, 2);
  RuntimeUnlockArray(inner);
  RuntimeUnlockArray(inner);
  EXPECT_EQ(b->refCount, 1);
  EXPECT_EQ(d->refCount, 1);
}

TEST_F(WrapperFixture, SortWithReordersTheInnerArrayEvenWhenTheWrappersDataIsStale) {
  RuntimeArray* w = RuntimeCreateArrayCastWrapper(inner, base);
  for (int k = 0; k < 40; ++k) Insert<ObjectModel>(w, 0, k % 2 ? b : d);  // the buffer moves
  ASSERT_NE(reinterpret_cast<ArrayCastWrapper*>(w)->data, inner->data);
  RuntimeArray* keys = CreateArray(1, kArrayInt32, 41);
  for (int32_t k = 0; k < 42; ++k) static_cast<int32_t*>(keys->data)[k] = 41 - k;
  std::vector<RuntimeObject*> before(static_cast<RuntimeObject**>(inner->data),
                                     static_cast<RuntimeObject**>(inner->data) + 42);
  reinterpret_cast<void (*)(RuntimeArray*, ...)>(keys->table->sortWith)(keys, w, nullptr);
  for (int32_t k = 0; k < 42; ++k) EXPECT_EQ(StoredAt<ObjectModel>(inner, k), before[41 - k]);
  RuntimeUnlockArray(keys);
  RuntimeUnlockArray(w);
  RuntimeUnlockArray(inner);
}

TEST_F(WrapperFixture, OnlyOneDimensionalObjectArraysCanBeWrapped) {
  qvtest::ReportCapture capture;
  std::vector<RuntimeArray*> others = {CreateArray(1, kArrayString, 3),
                                       CreateArray(2, kArrayObject, 3, 3),
                                       RuntimeCreateStructureArray(1, 4, 3)};
  for (RuntimeArray* a : others) {
    EXPECT_EQ(RuntimeCreateArrayCastWrapper(a, base), nullptr);
    EXPECT_EQ(a->refCount, 1);
    RuntimeUnlockArray(a);
  }
  EXPECT_EQ(capture.count(), others.size());
  RuntimeUnlockArray(inner);
}

}  // namespace
