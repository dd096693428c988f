// Sort and SortWith against std::sort and std::stable_sort models, with duplicates, NaN, 64-bit
// values whose words disagree, and strings compared ignoring case; companions of every kind
// must follow the key's permutation bit for bit.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "ArrayTestSupport.h"
#include "arrays/ArrayCastWrapper.h"
#include "arrays/StructureArray.h"

using namespace arraytest;

namespace {

template <typename M>
class ArraySortTest : public ::testing::Test {};

using SortableModels =
    ::testing::Types<Int32Model, SingleModel, DoubleModel, StringModel, UInt8Model, Int8Model,
                     UInt16Model, Int16Model, UInt32Model, UInt64Model, Int64Model>;
TYPED_TEST_SUITE(ArraySortTest, SortableModels);

// The order the language gives: natural order of the stored type, strings ignoring case.
template <typename M>
bool Before(typename M::Value a, typename M::Value b) {
  if constexpr (std::is_same_v<M, StringModel>) {
    return strcasecmp(stringStorage::CString(a), stringStorage::CString(b)) < 0;
  } else {
    return static_cast<typename M::Stored>(a) < static_cast<typename M::Stored>(b);
  }
}

template <typename M>
bool IsNaN(typename M::Value v) {
  if constexpr (M::kFloating) {
    return std::isnan(v);
  } else {
    return false;
  }
}

template <typename M>
std::vector<typename M::Value> Contents(RuntimeArray* a) {
  std::vector<typename M::Value> out;
  for (int32_t k = 0; k <= RuntimeUBound(a); ++k) out.push_back(FromStored<M>(StoredAt<M>(a, k)));
  return out;
}

template <typename M>
RuntimeArray* ArrayOf(const std::vector<typename M::Value>& values) {
  RuntimeArray* a = CreateArray(1, M::kCode, int32_t(values.size()) - 1);
  for (size_t k = 0; k < values.size(); ++k) CallSet<M>(a->table->set, a, values[k], {int32_t(k)});
  return a;
}

// Values with many duplicates; NaN only when asked for.
template <typename M>
std::vector<typename M::Value> RandomKeys(ValuePool<M>& pool, size_t n, bool withNaN) {
  std::vector<typename M::Value> keys;
  while (keys.size() < n) {
    auto v = M::Read(pool.Any());
    if (withNaN || !IsNaN<M>(v)) keys.push_back(v);
  }
  return keys;
}

const size_t kSizes[] = {0, 1, 2, 5, 16, 17, 100, 3000};

TYPED_TEST(ArraySortTest, SortOrdersLikeTheModelAndShortRangesKeepEqualElementsInOrder) {
  using M = TypeParam;
  ValuePool<M> pool(21);
  for (bool withNaN : {false, true}) {
    if (withNaN && !M::kFloating) continue;
    for (size_t n : kSizes) {
      const auto keys = RandomKeys(pool, n, withNaN);
      RuntimeArray* a = ArrayOf<M>(keys);
      a->table->sort(a);
      const auto sorted = Contents<M>(a);
      EXPECT_TRUE(std::is_permutation(sorted.begin(), sorted.end(), keys.begin(), &M::Same));
      if (!withNaN) {
        EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end(), &Before<M>)) << n;
      }
      if (!withNaN && n <= 16) {  // one insertion sort: stable
        auto stable = keys;
        std::stable_sort(stable.begin(), stable.end(), &Before<M>);
        EXPECT_TRUE(std::equal(sorted.begin(), sorted.end(), stable.begin(), &M::Same)) << n;
      }
      ExpectReferences(pool, keys);
      RuntimeUnlockArray(a);
    }
  }
}

// Every companion holds the position its element had, in its own way, so that the
// permutation applied to each can be read back.
struct Companions {
  RuntimeArray* positions;   // Int32: 0 .. n - 1
  RuntimeArray* bits;        // Double: arbitrary bit patterns, signalling NaNs included
  RuntimeArray* bytes;       // Int8
  RuntimeArray* structures;  // 8-byte structures
  RuntimeArray* wrapper;     // a cast wrapper over an Object array
  RuntimeArray* objects;
  std::vector<RuntimeObject*> objectValues;

  explicit Companions(int32_t n) {
    static RuntimeClass* cls = TestClass("SortCompanion");
    positions = CreateArray(1, kArrayInt32, n - 1);
    bits = CreateArray(1, kArrayDouble, n - 1);
    bytes = CreateArray(1, kArrayInt8, n - 1);
    structures = RuntimeCreateStructureArray(1, 8, n - 1);
    objects = CreateArray(1, kArrayObject, n - 1);
    for (int32_t k = 0; k < n; ++k) {
      static_cast<int32_t*>(positions->data)[k] = k;
      static_cast<uint64_t*>(bits->data)[k] = BitsAt(k);
      static_cast<int8_t*>(bytes->data)[k] = int8_t(k * 37);
      static_cast<uint64_t*>(structures->data)[k] = ~BitsAt(k);
      objectValues.push_back(RuntimeNewObject(cls));
      static_cast<RuntimeObject**>(objects->data)[k] = objectValues.back();
    }
    wrapper = RuntimeCreateArrayCastWrapper(objects, cls);
  }
  ~Companions() {
    for (RuntimeArray* a : {positions, bits, bytes, structures, wrapper, objects}) {
      RuntimeUnlockArray(a);
    }
  }
  static uint64_t BitsAt(int32_t k) { return 0x7FF0000000000001ull + uint64_t(k) * 0x100000001ull; }

  // The permutation applied, and whether every companion followed it.
  std::vector<int32_t> Permutation() const {
    const auto* p = static_cast<const int32_t*>(positions->data);
    return std::vector<int32_t>(p, p + RuntimeUBound(positions) + 1);
  }
  void ExpectFollowed(const std::vector<int32_t>& p) const {
    for (size_t k = 0; k < p.size(); ++k) {
      EXPECT_EQ(static_cast<uint64_t*>(bits->data)[k], BitsAt(p[k]));
      EXPECT_EQ(static_cast<int8_t*>(bytes->data)[k], int8_t(p[k] * 37));
      EXPECT_EQ(static_cast<uint64_t*>(structures->data)[k], ~BitsAt(p[k]));
      RuntimeObject* o = static_cast<RuntimeObject**>(objects->data)[k];
      EXPECT_EQ(o, objectValues[p[k]]);
      EXPECT_EQ(o->refCount, 1);
    }
  }
};

TYPED_TEST(ArraySortTest, SortWithMovesEveryCompanionByTheKeysPermutation) {
  using M = TypeParam;
  using SortWith = void (*)(RuntimeArray*, ...);
  ValuePool<M> pool(33);
  for (size_t n : kSizes) {
    if (n == 0) continue;
    const auto keys = RandomKeys(pool, n, M::kFloating);
    RuntimeArray* a = ArrayOf<M>(keys);
    Companions c{int32_t(n)};
    RuntimeArray* skipped = RuntimeCreateStructureArray(1, 12, int32_t(n) - 1);
    RuntimeArray* afterNil = CreateArray(1, kArrayInt32, int32_t(n) - 1);
    std::memset(afterNil->data, 0x5A, n * 4);
    {
      qvtest::ReportCapture capture;
      // The key itself and a companion given twice are reordered once; a 12-byte structure
      // array cannot be and is reported; companions after the nil are ignored.
      reinterpret_cast<SortWith>(a->table->sortWith)(a, c.positions, c.bits, a, c.bytes,
                                                     c.structures, c.wrapper, skipped, c.bits,
                                                     nullptr, afterNil);
      EXPECT_EQ(capture.count(), 1u);
    }
    const auto p = c.Permutation();
    std::vector<int32_t> sortedPositions(n);
    std::iota(sortedPositions.begin(), sortedPositions.end(), 0);
    EXPECT_TRUE(std::is_permutation(p.begin(), p.end(), sortedPositions.begin()));
    const auto sorted = Contents<M>(a);
    for (size_t k = 0; k < n; ++k) EXPECT_TRUE(M::Same(sorted[k], keys[p[k]]));
    if (n <= 16 && !M::kFloating) {
      std::stable_sort(sortedPositions.begin(), sortedPositions.end(),
                       [&](int32_t x, int32_t y) { return Before<M>(keys[x], keys[y]); });
      EXPECT_EQ(p, sortedPositions);
    }
    c.ExpectFollowed(p);
    for (size_t k = 0; k < n; ++k) EXPECT_EQ(static_cast<int8_t*>(skipped->data)[k], 0);
    for (size_t k = 0; k < n * 4; ++k) EXPECT_EQ(static_cast<uint8_t*>(afterNil->data)[k], 0x5A);
    ExpectReferences(pool, keys);
    RuntimeUnlockArray(skipped);
    RuntimeUnlockArray(afterNil);
    RuntimeUnlockArray(a);
  }
}

TYPED_TEST(ArraySortTest, SortWithRefusesAMismatchedCompanionBeforeMovingAnything) {
  using M = TypeParam;
  using SortWith = void (*)(RuntimeArray*, ...);
  ValuePool<M> pool(44);
  const auto keys = RandomKeys(pool, 40, false);
  RuntimeArray* a = ArrayOf<M>(keys);
  Companions c(40);
  RuntimeArray* shorter = CreateArray(1, kArrayInt32, 38);
  RuntimeArray* square = CreateArray(2, kArrayInt32, 39, 0);
  for (RuntimeArray* bad : {shorter, square}) {
    qvtest::ReportCapture capture;
    reinterpret_cast<SortWith>(a->table->sortWith)(a, c.positions, c.bits, bad, nullptr);
    EXPECT_EQ(OutOfBounds(capture), 1);
    EXPECT_TRUE(std::equal(keys.begin(), keys.end(), Contents<M>(a).begin(), &M::Same));
    std::vector<int32_t> identity(40);
    std::iota(identity.begin(), identity.end(), 0);
    EXPECT_EQ(c.Permutation(), identity);
    c.ExpectFollowed(identity);
  }
  // An empty key array does nothing at all, whatever its companions are.
  RuntimeArray* empty = CreateArray(1, M::kCode, -1);
  {
    qvtest::ReportCapture capture;
    reinterpret_cast<SortWith>(empty->table->sortWith)(empty, shorter, nullptr);
    empty->table->sort(empty);
    EXPECT_TRUE(capture.empty());
  }
  for (RuntimeArray* r : {a, shorter, square, empty}) RuntimeUnlockArray(r);
}

TEST(ArraySortEdgeTest, ObjectArraysHaveNoSortAndAWrapperReportsInsteadOfCallingNil) {
  RuntimeClass* cls = TestClass("Sortless");
  RuntimeArray* objects = CreateArray(1, kArrayObject, 3);
  EXPECT_EQ(objects->table->sort, nullptr);
  EXPECT_EQ(objects->table->sortWith, nullptr);
  RuntimeArray* wrapper = RuntimeCreateArrayCastWrapper(objects, cls);
  qvtest::ReportCapture capture;
  wrapper->table->sort(wrapper);
  reinterpret_cast<void (*)(RuntimeArray*, ...)>(wrapper->table->sortWith)(wrapper, nullptr);
  EXPECT_EQ(capture.count(), 2u);
  EXPECT_TRUE(capture.HasCondition("fp"));
  RuntimeUnlockArray(wrapper);
  RuntimeUnlockArray(objects);
}

}  // namespace
