// Structure arrays against a model of whole-element byte blocks, and cast wrappers: the class
// test on every store, pass-through of the other positions, and the inner array's lifetime.

#include <array>

#include "ArrayTestSupport.h"
#include "arrays/ArrayCastWrapper.h"
#include "arrays/StructureArray.h"

using namespace arraytest;

namespace {

using Block = std::array<uint8_t, 12>;
using GetElement = void* (*)(RuntimeArray*, ...);
using SetElement = void (*)(RuntimeArray*, const void*, ...);

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
    const auto n = int32_t(model.size()), i = int32_t(rng() % (n + 3)) - 1;
    Block value[2];  // only the first element's 12 bytes may be taken
    for (auto& byte : value[0]) byte = uint8_t(rng());
    int raised = 0;
    switch (rng() % 5) {
      case 0:
      case 1:
        reinterpret_cast<void (*)(RuntimeArray*, int32_t, const void*)>(a->table->insert)(a, i,
                                                                                          value);
        if ((raised = i < 0 || i > n)) break;
        model.insert(model.begin() + i, value[0]);
        if ((n + 1) * 12 > bufferLength) bufferLength += 12 * growthStep, growthStep *= 2;
        break;
      case 2:
        a->table->remove(a, i);
        if ((raised = i < 0 || i >= n)) break;
        model.erase(model.begin() + i);
        bufferLength = int32_t(model.size()) * 12, growthStep = 16;
        break;
      case 3:
        CallRedim(a, {i});
        model.resize(size_t(i + 1), Block{});
        bufferLength = (i + 1) * 12, growthStep = 16;
        EXPECT_EQ(a->data == nullptr, i == -1);
        break;
      default:
        auto* element = reinterpret_cast<GetElement>(a->table->get)(a, i);
        reinterpret_cast<SetElement>(a->table->fastSet)(a, value, i);
        if ((raised = 2 * (i < 0 || i >= n))) {
          EXPECT_EQ(element, nullptr);
          break;
        }
        EXPECT_EQ(element, static_cast<uint8_t*>(a->data) + i * 12);  // a pointer, not a copy
        model[i] = value[0];
    }
    value[0].fill(0xEE);  // the array holds its own copy
    EXPECT_EQ(OutOfBounds(capture), raised);
    ASSERT_EQ(RuntimeUBound(a), int32_t(model.size()) - 1);
    EXPECT_EQ(record->bufferLength, bufferLength);
    EXPECT_EQ(record->growthStep, growthStep);
    EXPECT_TRUE(model.empty() || !std::memcmp(a->data, model.data(), model.size() * 12));
  }
  RuntimeUnlockArray(a);
}

TEST(StructureArrayTest, ManyDimensionsUseTheElementSizeAsWidth) {
  RuntimeArray* a = RuntimeCreateStructureArray(3, 5, 1, 2, 0);
  const auto tuples = TuplesInFlatOrder({1, 2, 0});
  for (size_t p = 0; p < tuples.size(); ++p) {
    const char value[5] = {char(p), 1, 2, 3, char(p + 4)};
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
  ASSERT_EQ(reinterpret_cast<StructureArray*>(a)->bufferLength, 40);
  for (int32_t j = 0; j <= 3; ++j) {
    for (int32_t k = 0; k <= 1; ++k) {
      const char* e = static_cast<char*>(a->data) + (j + 4 * k) * 5;
      EXPECT_EQ(e[4], j <= 2 && k == 0 ? char(2 * j + 4) : 0);
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
  qvtest::ReportCapture capture;
  CallSet<ObjectModel>(w->table->set, w, d, {0});
  CallSet<ObjectModel>(w->table->fastSet, w, b, {1});
  CallSet<ObjectModel>(w->table->set, w, o, {1});
  Insert<ObjectModel>(w, 0, o);
  Insert<ObjectModel>(w, 2, nullptr);
  Insert<ObjectModel>(w, 0, d);
  EXPECT_EQ(CountRaised(capture, "IllegalCastException"), 2);
  EXPECT_EQ(capture.count(), 2u);
  const std::vector<RuntimeObject*> expected = {d, d, b, nullptr};
  ASSERT_EQ(w->table->ubound(w, 1), 3);
  for (int32_t k = 0; k < 4; ++k) EXPECT_EQ(At<ObjectModel>(inner, k), expected[k]);
  EXPECT_EQ(IndexOf<ObjectModel>(w, b, -1), 2);
  RuntimeObject* got = CallGet<ObjectModel>(w->table->get, w, {1});
  EXPECT_EQ(got, d);
  EXPECT_EQ(d->refCount, 4);
  RuntimeUnlockObject(got);
  w->table->remove(w, 0);
  CallRedim(w, {1});
  EXPECT_EQ(RuntimeUBound(inner), 1);
  EXPECT_EQ(w->table->elementSize(w), 4);
  EXPECT_EQ(d->refCount + b->refCount + o->refCount, 5);
  // Object arrays have no Sort: through a wrapper that is reported, not a call to nil.
  w->table->sort(w);
  reinterpret_cast<void (*)(RuntimeArray*, ...)>(w->table->sortWith)(w, nullptr);
  EXPECT_EQ(CountRaised(capture, "fp"), 2);
  // Wrapping again gives the same wrapper and its first class; a nil class gives the array.
  EXPECT_EQ(RuntimeCreateArrayCastWrapper(w, other), w);
  CallSet<ObjectModel>(w->table->set, w, o, {0});
  EXPECT_EQ(CountRaised(capture, "IllegalCastException"), 3);
  EXPECT_EQ(RuntimeCreateArrayCastWrapper(inner, nullptr), inner);
  EXPECT_EQ(RuntimeCreateArrayCastWrapper(nullptr, base), nullptr);
  RuntimeArray* square = CreateArray(2, kArrayObject, 1, 1);  // only 1-D Object arrays fit
  EXPECT_EQ(RuntimeCreateArrayCastWrapper(square, base), nullptr);
  EXPECT_TRUE(capture.HasCondition("one-dimensional Object array"));
  RuntimeUnlockArray(square);
  EXPECT_EQ(w->refCount * 10 + inner->refCount, 23);
  RuntimeUnlockArray(w);
  RuntimeUnlockArray(w);
  EXPECT_EQ(inner->refCount, 2);
  RuntimeUnlockArray(inner);
  RuntimeUnlockArray(inner);
  EXPECT_EQ(d->refCount + b->refCount, 2);
}

}  // namespace
