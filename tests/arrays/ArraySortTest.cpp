// Sort and SortWith against std::stable_sort models with duplicates, NaN, 64-bit values whose
// words disagree, and strings compared ignoring case; companions of every kind follow the key's
// permutation bit for bit.

#include <sys/wait.h>

#include <cstring>
#include <limits>
#include <numeric>
#include <random>

#include "ArrayTestSupport.h"
#include "arrays/ArrayCastWrapper.h"
#include "arrays/StructureArray.h"
#include "strings/StringCase.h"

using namespace arraytest;

namespace {

template <typename M>
class ArraySortTest : public ::testing::Test {};
TYPED_TEST_SUITE(ArraySortTest, SortableModels);

using SortWith = void (*)(RuntimeArray*, ...);

template <typename M>
RuntimeArray* ArrayOf(const std::vector<typename M::Value>& values) {
  RuntimeArray* a = CreateArray(1, M::kCode, int32_t(values.size()) - 1);
  for (size_t k = 0; k < values.size(); ++k) CallSet<M>(a->table->set, a, values[k], {int32_t(k)});
  return a;
}

// Companions that record where their elements came from: Int32 positions, Double signalling-NaN
// patterns (moved as bytes), and Objects sorted through a cast wrapper whose data word goes
// stale as Insert moves the inner buffer.
struct Companions {
  static uint64_t BitsAt(int32_t k) { return 0x7FF0000000000001ull + uint64_t(k) * 0x100000001ull; }
  RuntimeClass* cls = TestClass("SortCompanion");
  RuntimeArray *positions, *bits, *objects, *wrapper;
  std::vector<RuntimeObject*> original;
  explicit Companions(int32_t n)
      : positions(CreateArray(1, kArrayInt32, n - 1)),
        bits(CreateArray(1, kArrayDouble, n - 1)),
        objects(CreateArray(1, kArrayObject, -1)),
        wrapper(RuntimeCreateArrayCastWrapper(objects, cls)) {
    for (int32_t k = 0; k < n; ++k) {
      static_cast<int32_t*>(positions->data)[k] = k;
      static_cast<uint64_t*>(bits->data)[k] = BitsAt(k);
      original.push_back(RuntimeNewObject(cls));
      Insert<ObjectModel>(wrapper, k, original.back());
      RuntimeUnlockObject(original.back());
    }
  }
  ~Companions() {
    for (RuntimeArray* a : {positions, bits, wrapper, objects}) RuntimeUnlockArray(a);
  }
  void ExpectFollowed(const std::vector<int32_t>& p) const {
    for (size_t k = 0; k < p.size(); ++k) {
      EXPECT_EQ(static_cast<uint64_t*>(bits->data)[k], BitsAt(p[k]));
      EXPECT_EQ(At<ObjectModel>(objects, int32_t(k)), original[p[k]]);
      EXPECT_EQ(original[k]->refCount, 1);
    }
  }
};

template <typename M>
void ExpectSortsLikeTheModels() {
  ValuePool<M> pool(21);
  {  // an empty key array does nothing at all, whatever its companions are
    qvtest::ReportCapture capture;
    RuntimeArray *empty = CreateArray(1, M::kCode, -1), *square = CreateArray(2, kArrayInt32, 1, 1);
    reinterpret_cast<SortWith>(empty->table->sortWith)(empty, square, nullptr);
    EXPECT_TRUE(capture.empty());
    for (RuntimeArray* r : {empty, square}) RuntimeUnlockArray(r);
  }
  for (bool withNaN : {false, true}) {
    if (withNaN && !M::kFloating) continue;
    for (size_t n : {1, 16, 17, 100, 3000}) {
      std::vector<typename M::Value> keys;
      while (keys.size() < n) {
        auto v = M::Read(pool.Any());
        if (withNaN || v == v) keys.push_back(v);  // v != v only for NaN
      }
      RuntimeArray *sorted = ArrayOf<M>(keys), *a = ArrayOf<M>(keys);
      sorted->table->sort(sorted);
      Companions c{int32_t(n)};
      std::vector<int32_t> stable(n);
      std::iota(stable.begin(), stable.end(), 0);
      if (n == 100) {  // a mismatched companion is refused before anything moves
        qvtest::ReportCapture capture;
        RuntimeArray* square = CreateArray(2, kArrayInt32, 99, 0);  // right length, two dimensions
        RuntimeArray* shorter = CreateArray(1, kArrayInt32, 98);
        reinterpret_cast<SortWith>(a->table->sortWith)(a, c.positions, c.bits, square, nullptr);
        reinterpret_cast<SortWith>(a->table->sortWith)(a, c.positions, shorter, c.bits, nullptr);
        EXPECT_EQ(OutOfBounds(capture), 2);
        EXPECT_TRUE(std::equal(keys.begin(), keys.end(), Contents<M>(a).begin(), &M::Same));
        EXPECT_EQ(Contents<Int32Model>(c.positions), stable);
        c.ExpectFollowed(stable);
        RuntimeUnlockArray(square);
        RuntimeUnlockArray(shorter);
      }
      RuntimeArray* skipped = RuntimeCreateStructureArray(1, 12, int32_t(n) - 1);
      RuntimeArray* afterNil = CreateArray(1, kArrayInt32, int32_t(n) - 1);
      {
        // The key itself and a companion given twice move once; a 12-byte structure array
        // cannot move and is reported; companions after the nil are ignored.
        qvtest::ReportCapture capture;
        reinterpret_cast<SortWith>(a->table->sortWith)(a, c.positions, c.bits, a, c.wrapper,
                                                       skipped, c.bits, nullptr, afterNil);
        EXPECT_EQ(capture.count(), 1u);
      }
      const auto p = Contents<Int32Model>(c.positions);
      const auto bySort = Contents<M>(sorted), bySortWith = Contents<M>(a);
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
      pool.ExpectReferences(heldTwice);
      for (RuntimeArray* r : {sorted, a, skipped, afterNil}) RuntimeUnlockArray(r);
    }
  }
}

TYPED_TEST(ArraySortTest, SortAndSortWithOrderLikeTheModelsAndMoveEveryCompanion) {
  ExpectSortsLikeTheModels<TypeParam>();
}

// The sorting routine written out step by step from its description (median of three, the
// three-way partition, insertion sort of up to 16), on a vector: where equal elements, NaN and
// the two zeros end up is its own, and Sort and SortWith must give exactly that.
template <typename T, typename After>
void ReferenceSort(std::vector<T>& x, After after) {
  std::vector<std::pair<int32_t, int32_t>> pending = {{0, int32_t(x.size()) - 1}};
  while (!pending.empty()) {
    const auto [l, h] = pending.back();
    pending.pop_back();
    if (l >= h) continue;
    if (h - l < 16) {
      for (int32_t k = l + 1; k <= h; ++k) {
        const T v = x[k];
        int32_t j = k;
        for (; j > l && after(x[j - 1], v); --j) x[j] = x[j - 1];
        x[j] = v;
      }
      continue;
    }
    const int32_t m = (l + h) / 2;
    int32_t p = l, q = m;
    if (after(x[l], x[m])) std::swap(p, q);
    const int32_t r = after(x[p], x[h]) ? p : h;
    if (after(x[q], x[r])) q = r;
    const T v = x[q];
    int32_t lt = l, i = l, gt = h;
    while (i <= gt) {
      if (after(x[gt], v)) {
        --gt;
        continue;
      }
      std::swap(x[i], x[gt]);
      if (after(v, x[i])) std::swap(x[lt++], x[i]);
      ++i;
    }
    pending.push_back({gt + 1, h});
    pending.push_back({l, lt - 1});
  }
}

uint64_t BitsOf(double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  return bits;
}

TEST(ArraySort, EqualElementsNaNAndZerosEndWhereTheRoutineLeavesThem) {
  std::mt19937 random(404);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<double> doubles;
  for (int k = 0; k < 3000; ++k) {
    const uint32_t pick = random() % 8;
    doubles.push_back(pick == 0 ? nan : pick == 1 ? -0.0 : pick == 2 ? 0.0 : double(random() % 50));
  }
  std::vector<double> expected = doubles;
  ReferenceSort(expected, [](double a, double b) { return a > b; });
  RuntimeArray* a = ArrayOf<PlainModel<double, kArrayDouble>>(doubles);
  a->table->sort(a);
  const std::vector<double> sorted = Contents<PlainModel<double, kArrayDouble>>(a);
  for (size_t k = 0; k < expected.size(); ++k) {
    ASSERT_EQ(BitsOf(sorted[k]), BitsOf(expected[k])) << k;
  }
  RuntimeUnlockArray(a);

  // String keys equal but for case, told apart by their records; SortWith moves a companion of
  // positions by the same permutation.
  const char* spellings[] = {"ab", "AB", "Ab", "b", "B", "", "c", "aB"};
  std::vector<string> texts;
  std::vector<stringStorage*> records;
  for (int k = 0; k < 2000; ++k) {
    texts.push_back(string(spellings[random() % 8]));
    records.push_back(texts.back().Storage());
  }
  std::vector<stringStorage*> order = records;
  ReferenceSort(order, [](stringStorage* x, stringStorage* y) {
    return RuntimeStringCompare(x, y) > 0;
  });
  RuntimeArray* keys = ArrayOf<StringModel>(records);
  RuntimeArray* positions = CreateArray(1, kArrayInt32, int32_t(records.size()) - 1);
  std::iota(static_cast<int32_t*>(positions->data),
            static_cast<int32_t*>(positions->data) + records.size(), 0);
  reinterpret_cast<SortWith>(keys->table->sortWith)(keys, positions, nullptr);
  EXPECT_EQ(Contents<StringModel>(keys), order);
  for (size_t k = 0; k < order.size(); ++k) {
    ASSERT_EQ(records[static_cast<int32_t*>(positions->data)[k]], order[k]) << k;
  }
  RuntimeUnlockArray(keys);
  RuntimeUnlockArray(positions);
}

// Only one-dimensional arrays sort, and Object arrays not at all: their positions stay empty.
TEST(ArraySort, ObjectArraysAndManyDimensionsHaveNoSortOrSortWith) {
  for (int32_t code = 0; code < kArrayElementTypeCount; ++code) {
    for (int32_t dimensions : {1, 2, 3}) {
      const ArrayOperationTable* table = SelectArrayOperationTable(dimensions, code);
      ASSERT_NE(table, nullptr);
      const bool sorts = dimensions == 1 && code != kArrayObject;
      EXPECT_EQ(table->sort != nullptr, sorts) << code << " " << dimensions;
      EXPECT_EQ(table->sortWith != nullptr, sorts) << code << " " << dimensions;
    }
  }
}

// A byte array of 2^30 + 1 elements needs an index block of 2^32 + 4 bytes, which the 32-bit
// allocator cannot be asked for: SortWith reports it and leaves the array as it was, where a
// wrapped size would hand it four bytes to write a gigabyte into. The record claims the length
// over a small buffer (the check comes before any element is read), in a child in case it fails.
TEST(ArraySortWith, AnIndexBlockBeyondFourGigabytesIsRefused) {
  std::string output;
  const int status = qvtest::RunInChild(
      [] {
        RuntimeArray* a = CreateArray(1, kArrayInt8, 3);
        const uint8_t before[4] = {3, 1, 2, 0};
        std::memcpy(a->data, before, 4);
        a->bounds()[0] = 1 << 30;
        qvtest::ReportCapture capture;
        reinterpret_cast<SortWith>(a->table->sortWith)(a, nullptr);
        a->bounds()[0] = 3;
        std::printf("reported=%d unchanged=%d\n", int(capture.HasCondition("n * 4 fits")),
                    int(std::memcmp(a->data, before, 4) == 0));
        RuntimeUnlockArray(a);
      },
      &output);
  ASSERT_TRUE(WIFEXITED(status)) << output;
  EXPECT_EQ(output, "reported=1 unchanged=1\n");
}

}  // namespace
