// Calls through the operation tables from the assembly shim, which passes values exactly as
// compiled code does: pins where Single, Double and Int64 values travel in and out.

#include <gtest/gtest.h>

#include <cstring>

#include "arrays/RuntimeArray.h"

extern "C" {
double QVShimGet1Double(void* fn, RuntimeArray* array, int32_t i);
float QVShimGet1Single(void* fn, RuntimeArray* array, int32_t i);
int64_t QVShimGet1Int64(void* fn, RuntimeArray* array, int32_t i);
double QVShimGet3Double(void* fn, RuntimeArray* array, int32_t i, int32_t j, int32_t k);
float QVShimGet3Single(void* fn, RuntimeArray* array, int32_t i, int32_t j, int32_t k);
int64_t QVShimGet3Int64(void* fn, RuntimeArray* array, int32_t i, int32_t j, int32_t k);
// Values go in as their bytes, so that the shim, not the C compiler, decides where they sit.
void QVShimSet1Wide(void* fn, RuntimeArray* array, uint64_t bits, int32_t i);
int32_t QVShimIndexOfWide(void* fn, RuntimeArray* array, uint64_t bits, int32_t start);
void QVShimSet1Single(void* fn, RuntimeArray* array, uint32_t bits, int32_t i);
int32_t QVShimIndexOfSingle(void* fn, RuntimeArray* array, uint32_t bits, int32_t start);
void QVShimSet3Wide(void* fn, RuntimeArray* array, uint64_t bits, int32_t i, int32_t j, int32_t k);
void QVShimInsertWide(void* fn, RuntimeArray* array, int32_t i, uint64_t bits);
void QVShimInsertSingle(void* fn, RuntimeArray* array, int32_t i, uint32_t bits);
}

namespace {

template <typename T, typename Bits>
Bits BitsOf(T value) {
  Bits bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

template <typename T>
T StoredAt(RuntimeArray* array, int32_t position) {
  T value;
  std::memcpy(&value, static_cast<char*>(array->data) + position * sizeof(T), sizeof(T));
  return value;
}

// Values whose two words differ, so that a swapped or shifted word shows.
const double kDoubles[] = {3.25, -1.0e300, 2.5e-310, 123456789.125};
const int64_t kInt64s[] = {INT64_C(0x123456789ABCDEF0), INT64_MIN + 1, -2, INT64_C(1) << 32};
const float kSingles[] = {1.5f, -3.0e38f, 1.0e-40f, 7.0f};

TEST(TableCallShimTest, OneDimensionValuesTravelAsCompiledCodePassesThem) {
  RuntimeArray* d = CreateArray(1, kArrayDouble, 3);
  RuntimeArray* l = CreateArray(1, kArrayInt64, 3);
  RuntimeArray* s = CreateArray(1, kArraySingle, 3);
  for (int32_t i = 0; i < 4; ++i) {
    QVShimSet1Wide(d->table->set, d, BitsOf<double, uint64_t>(kDoubles[i]), i);
    QVShimSet1Wide(l->table->fastSet, l, BitsOf<int64_t, uint64_t>(kInt64s[i]), i);
    QVShimSet1Single(s->table->set, s, BitsOf<float, uint32_t>(kSingles[i]), i);
  }
  for (int32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(StoredAt<double>(d, i), kDoubles[i]);
    EXPECT_EQ(StoredAt<int64_t>(l, i), kInt64s[i]);
    EXPECT_EQ(StoredAt<float>(s, i), kSingles[i]);
    EXPECT_EQ(QVShimGet1Double(d->table->get, d, i), kDoubles[i]);
    EXPECT_EQ(QVShimGet1Int64(l->table->fastGet, l, i), kInt64s[i]);
    EXPECT_EQ(QVShimGet1Single(s->table->get, s, i), kSingles[i]);
    EXPECT_EQ(QVShimIndexOfWide(d->table->indexOf, d, BitsOf<double, uint64_t>(kDoubles[i]), -1),
              i);
    EXPECT_EQ(QVShimIndexOfWide(l->table->indexOf, l, BitsOf<int64_t, uint64_t>(kInt64s[i]), 0), i);
    EXPECT_EQ(QVShimIndexOfSingle(s->table->indexOf, s, BitsOf<float, uint32_t>(kSingles[i]), i),
              i);
  }
  QVShimInsertWide(d->table->insert, d, 1, BitsOf<double, uint64_t>(-0.5));
  QVShimInsertWide(l->table->insert, l, 4, BitsOf<int64_t, uint64_t>(INT64_MAX));
  QVShimInsertSingle(s->table->insert, s, 0, BitsOf<float, uint32_t>(0.25f));
  EXPECT_EQ(RuntimeUBound(d), 4);
  EXPECT_EQ(StoredAt<double>(d, 1), -0.5);
  EXPECT_EQ(StoredAt<double>(d, 2), kDoubles[1]);
  EXPECT_EQ(StoredAt<int64_t>(l, 4), INT64_MAX);
  EXPECT_EQ(StoredAt<float>(s, 0), 0.25f);
  EXPECT_EQ(StoredAt<float>(s, 1), kSingles[0]);
  RuntimeUnlockArray(d);
  RuntimeUnlockArray(l);
  RuntimeUnlockArray(s);
}

TEST(TableCallShimTest, ManyDimensionValuesAndIndexListsTravelAsCompiledCodePassesThem) {
  RuntimeArray* d = CreateArray(3, kArrayDouble, 1, 2, 1);
  RuntimeArray* l = CreateArray(3, kArrayInt64, 1, 2, 1);
  RuntimeArray* s = CreateArray(3, kArraySingle, 1, 2, 1);
  // Element (i, j, k) sits at i + 2 j + 6 k.
  const int32_t tuples[4][3] = {{0, 0, 0}, {1, 2, 1}, {1, 0, 1}, {0, 2, 0}};
  for (int32_t n = 0; n < 4; ++n) {
    const int32_t i = tuples[n][0], j = tuples[n][1], k = tuples[n][2];
    const int32_t position = i + 2 * j + 6 * k;
    QVShimSet3Wide(d->table->set, d, BitsOf<double, uint64_t>(kDoubles[n]), i, j, k);
    QVShimSet3Wide(l->table->fastSet, l, BitsOf<int64_t, uint64_t>(kInt64s[n]), i, j, k);
    reinterpret_cast<void (*)(RuntimeArray*, float, ...)>(s->table->set)(s, kSingles[n], i, j, k);
    EXPECT_EQ(StoredAt<double>(d, position), kDoubles[n]);
    EXPECT_EQ(StoredAt<int64_t>(l, position), kInt64s[n]);
    EXPECT_EQ(StoredAt<float>(s, position), kSingles[n]);
    EXPECT_EQ(QVShimGet3Double(d->table->get, d, i, j, k), kDoubles[n]);
    EXPECT_EQ(QVShimGet3Int64(l->table->get, l, i, j, k), kInt64s[n]);
    EXPECT_EQ(QVShimGet3Single(s->table->fastGet, s, i, j, k), kSingles[n]);
  }
  RuntimeUnlockArray(d);
  RuntimeUnlockArray(l);
  RuntimeUnlockArray(s);
}

}  // namespace
