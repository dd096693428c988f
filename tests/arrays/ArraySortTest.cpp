// Sort and SortWith against std::sort and std::stable_sort models with duplicates, NaN, 64-bit
// values whose words disagree, and strings compared ignoring case; companions of every kind
// follow the key's permutation bit for bit.

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

using SortWith = void (*)(RuntimeArray*, ...);

template <typename M>
std::vector<typename M::Value> Contents(RuntimeArray* a) {
  std::vector<typename M::Value> out;
  for (int32_t k = 0; k <= RuntimeUBound(a); ++k) out.push_back(At<M>(a, k));
  return out;
}

template <typename M>
RuntimeArray* ArrayOf(const std::vector<typename M::Value>& values) {
  RuntimeArray* a = CreateArray(1, M::kCode, int32_t(values.size()) - 1);
  for (size_t k = 0; k < values.size(); ++k) CallSet<M>(a->table->set, a, values[k], {int32_t(k)});
  return a;
}

template <typename M>
std::vector<typename M::Value> RandomKeys(ValuePool<M>& pool, size_t n, bool withNaN) {
  std::vector<typename M::Value> keys;
  while (keys.size() < n) {
    auto v = M::Read(pool.Any());
    if (withNaN || v == v) keys.push_back(v);  // v != v only for NaN
  }
  return keys;
}

// Companions that record, each in its own way, where their elements came from.
struct Companions {
  static uint64_t BitsAt(int32_t k) { return 0x7FF0000000000001ull + uint64_t(k) * 0x100000001ull; }
  RuntimeClass* cls = TestClass("SortCompanion");
  RuntimeArray* positions;   // Int32 0 .. n - 1
  RuntimeArray* bits;        // Double: signalling NaN patterns, moved as bytes
  RuntimeArray* bytes;       // Int8
  RuntimeArray* structures;  // 8-byte structures
  RuntimeArray* objects;     // Object, sorted through a cast wrapper whose data word is stale
  RuntimeArray* wrapper;
  explicit Companions(int32_t n)
      : positions(CreateArray(1, kArrayInt32, n - 1)),
        bits(CreateArray(1, kArrayDouble, n - 1)),
        bytes(CreateArray(1, kArrayInt8, n - 1)),
        structures(RuntimeCreateStructureArray(1, 8, n - 1)),
        objects(CreateArray(1, kArrayObject, -1)),
        wrapper(RuntimeCreateArrayCastWrapper(objects, cls)) {
    for (int32_t k = 0; k < n; ++k) {
      static_cast<int32_t*>(positions->data)[k] = k;
      static_cast<uint64_t*>(bits->data)[k] = BitsAt(k);
      static_cast<int8_t*>(bytes->data)[k] = int8_t(k * 37);
      static_cast<uint64_t*>(structures->data)[k] = ~BitsAt(k);
      RuntimeObject* object = RuntimeNewObject(cls);
      Insert<ObjectModel>(wrapper, k, object);  // moves the inner buffer
      RuntimeUnlockObject(object);
    }
    original = Contents<ObjectModel>(objects);
  }
  ~Companions() {
    for (RuntimeArray* a : {positions, bits, bytes, structures, wrapper, objects}) {
      RuntimeUnlockArray(a);
    }
  }
  std::vector<RuntimeObject*> original;
  std::vector<int32_t> Permutation() const { return Contents<Int32Model>(positions); }
  void ExpectFollowed(const std::vector<int32_t>& p) const {
    for (size_t k = 0; k < p.size(); ++k) {
      EXPECT_EQ(static_cast<uint64_t*>(bits->data)[k], BitsAt(p[k]));
      EXPECT_EQ(static_cast<int8_t*>(bytes->data)[k], int8_t(p[k] * 37));
      EXPECT_EQ(static_cast<uint64_t*>(structures->data)[k], ~BitsAt(p[k]));
      EXPECT_EQ(At<ObjectModel>(objects, int32_t(k)), original[p[k]]);
      EXPECT_EQ(original[k]->refCount, 1);
    }
  }
};

TYPED_TEST(ArraySortTest, SortAndSortWithOrderLikeTheModelsAndMoveEveryCompanion) {
  using M = TypeParam;
  ValuePool<M> pool(21);
  for (bool withNaN : {false, true}) {
    if (withNaN && !M::kFloating) continue;
    for (size_t n : {1, 2, 5, 16, 17, 100, 3000}) {
      const auto keys = RandomKeys(pool, n, withNaN);
      RuntimeArray* sorted = ArrayOf<M>(keys);
      RuntimeArray* a = ArrayOf<M>(keys);
      sorted->table->sort(sorted);
      Companions c{int32_t(n)};
      RuntimeArray* skipped = RuntimeCreateStructureArray(1, 12, int32_t(n) - 1);
      RuntimeArray* afterNil = CreateArray(1, kArrayInt32, int32_t(n) - 1);
      {
        // The key itself and a companion given twice move once; a 12-byte structure array
        // cannot move and is reported; companions after the nil are ignored.
        qvtest::ReportCapture capture;
        reinterpret_cast<SortWith>(a->table->sortWith)(a, c.positions, c.bits, a, c.bytes,
                                                       c.structures, c.wrapper, skipped, c.bits,
                                                       nullptr, afterNil);
        EXPECT_EQ(capture.count(), 1u);
      }
      const auto p = c.Permutation();
      const auto bySort = Contents<M>(sorted), bySortWith = Contents<M>(a);
      std::vector<int32_t> stable(n);
      std::iota(stable.begin(), stable.end(), 0);
      EXPECT_TRUE(std::is_permutation(p.begin(), p.end(), stable.begin()));
      EXPECT_TRUE(std::is_permutation(bySort.begin(), bySort.end(), keys.begin(), &M::Same));
      for (size_t k = 0; k < n; ++k) EXPECT_TRUE(M::Same(bySortWith[k], keys[p[k]]));
      if (!withNaN) {
        EXPECT_TRUE(std::is_sorted(bySort.begin(), bySort.end(), &M::Before)) << n;
        EXPECT_TRUE(std::is_sorted(bySortWith.begin(), bySortWith.end(), &M::Before)) << n;
      }
      std::stable_sort(stable.begin(), stable.end(),
                       [&](int32_t x, int32_t y) { return M::Before(keys[x], keys[y]); });
      if (!withNaN && n <= 16) {  // a single insertion sort: stable
        EXPECT_EQ(p, stable);
        for (size_t k = 0; k < n; ++k) EXPECT_TRUE(M::Same(bySort[k], keys[stable[k]]));
      }
      c.ExpectFollowed(p);
      const char* skippedBytes = static_cast<char*>(skipped->data);
      EXPECT_TRUE(std::all_of(skippedBytes, skippedBytes + n * 12, [](char b) { return !b; }));
      EXPECT_EQ(Contents<Int32Model>(afterNil), std::vector<int32_t>(n, 0));
      auto heldTwice = keys;
      heldTwice.insert(heldTwice.end(), keys.begin(), keys.end());
      ExpectReferences(pool, heldTwice);
      for (RuntimeArray* r : {sorted, a, skipped, afterNil}) RuntimeUnlockArray(r);
    }
  }
}

TYPED_TEST(ArraySortTest, SortWithRefusesAMismatchedCompanionBeforeMovingAnything) {
  using M = TypeParam;
  ValuePool<M> pool(44);
  const auto keys = RandomKeys(pool, 40, false);
  RuntimeArray* a = ArrayOf<M>(keys);
  Companions c{40};
  RuntimeArray* square = CreateArray(2, kArrayInt32, 39, 0);  // right length, two dimensions
  RuntimeArray* shorter = CreateArray(1, kArrayInt32, 38);
  RuntimeArray* empty = CreateArray(1, M::kCode, -1);
  qvtest::ReportCapture capture;
  reinterpret_cast<SortWith>(a->table->sortWith)(a, c.positions, c.bits, square, nullptr);
  reinterpret_cast<SortWith>(a->table->sortWith)(a, c.positions, shorter, c.bits, nullptr);
  EXPECT_EQ(OutOfBounds(capture), 2);
  EXPECT_TRUE(std::equal(keys.begin(), keys.end(), Contents<M>(a).begin(), &M::Same));
  std::vector<int32_t> identity(40);
  std::iota(identity.begin(), identity.end(), 0);
  c.ExpectFollowed(identity);
  // An empty key array does nothing at all, whatever its companions are.
  reinterpret_cast<SortWith>(empty->table->sortWith)(empty, square, nullptr);
  EXPECT_EQ(capture.count(), 2u);
  for (RuntimeArray* r : {a, square, shorter, empty}) RuntimeUnlockArray(r);
}

}  // namespace
