// Calls through the operation tables from an assembly shim that passes values exactly as
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
// Values go in as their bytes, so that the shim, not the C compiler, places them.
void QVShimSet1Wide(void* fn, RuntimeArray* array, uint64_t bits, int32_t i);
int32_t QVShimIndexOfWide(void* fn, RuntimeArray* array, uint64_t bits, int32_t start);
void QVShimSet1Single(void* fn, RuntimeArray* array, uint32_t bits, int32_t i);
int32_t QVShimIndexOfSingle(void* fn, RuntimeArray* array, uint32_t bits, int32_t start);
void QVShimSet3Wide(void* fn, RuntimeArray* array, uint64_t bits, int32_t i, int32_t j, int32_t k);
}

namespace {

template <typename Bits, typename T>
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

TEST(TableCallShimTest, ValuesAndIndexListsTravelAsCompiledCodePassesThem) {
  // Element (i, j, k) of the three-dimensional arrays sits at i + 2 j + 6 k.
  const int32_t tuples[4][3] = {{0, 0, 0}, {1, 2, 1}, {1, 0, 1}, {0, 2, 0}};
  RuntimeArray* d1 = CreateArray(1, kArrayDouble, 3);
  RuntimeArray* l1 = CreateArray(1, kArrayInt64, 3);
  RuntimeArray* s1 = CreateArray(1, kArraySingle, 3);
  RuntimeArray* d3 = CreateArray(3, kArrayDouble, 1, 2, 1);
  RuntimeArray* l3 = CreateArray(3, kArrayInt64, 1, 2, 1);
  RuntimeArray* s3 = CreateArray(3, kArraySingle, 1, 2, 1);
  for (int32_t n = 0; n < 4; ++n) {
    const int32_t i = tuples[n][0], j = tuples[n][1], k = tuples[n][2], at = i + 2 * j + 6 * k;
    QVShimSet1Wide(d1->table->set, d1, BitsOf<uint64_t>(kDoubles[n]), n);
    QVShimSet1Wide(l1->table->fastSet, l1, BitsOf<uint64_t>(kInt64s[n]), n);
    QVShimSet1Single(s1->table->set, s1, BitsOf<uint32_t>(kSingles[n]), n);
    QVShimSet3Wide(d3->table->set, d3, BitsOf<uint64_t>(kDoubles[n]), i, j, k);
    QVShimSet3Wide(l3->table->fastSet, l3, BitsOf<uint64_t>(kInt64s[n]), i, j, k);
    reinterpret_cast<void (*)(RuntimeArray*, float, ...)>(s3->table->set)(s3, kSingles[n], i, j, k);
    EXPECT_EQ(StoredAt<double>(d1, n), kDoubles[n]);
    EXPECT_EQ(StoredAt<int64_t>(l1, n), kInt64s[n]);
    EXPECT_EQ(StoredAt<float>(s1, n), kSingles[n]);
    EXPECT_EQ(StoredAt<double>(d3, at), kDoubles[n]);
    EXPECT_EQ(StoredAt<int64_t>(l3, at), kInt64s[n]);
    EXPECT_EQ(StoredAt<float>(s3, at), kSingles[n]);
    EXPECT_EQ(QVShimGet1Double(d1->table->get, d1, n), kDoubles[n]);
    EXPECT_EQ(QVShimGet1Int64(l1->table->fastGet, l1, n), kInt64s[n]);
    EXPECT_EQ(QVShimGet1Single(s1->table->get, s1, n), kSingles[n]);
    EXPECT_EQ(QVShimGet3Double(d3->table->get, d3, i, j, k), kDoubles[n]);
    EXPECT_EQ(QVShimGet3Int64(l3->table->get, l3, i, j, k), kInt64s[n]);
    EXPECT_EQ(QVShimGet3Single(s3->table->fastGet, s3, i, j, k), kSingles[n]);
    EXPECT_EQ(QVShimIndexOfWide(d1->table->indexOf, d1, BitsOf<uint64_t>(kDoubles[n]), -1), n);
    EXPECT_EQ(QVShimIndexOfWide(l1->table->indexOf, l1, BitsOf<uint64_t>(kInt64s[n]), n), n);
    EXPECT_EQ(QVShimIndexOfSingle(s1->table->indexOf, s1, BitsOf<uint32_t>(kSingles[n]), 0), n);
  }
  for (RuntimeArray* a : {d1, l1, s1, d3, l3, s3}) RuntimeUnlockArray(a);
}

}  // namespace
