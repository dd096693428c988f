#include "core/Int64Arithmetic.h"

#include <gtest/gtest.h>

#include "core/UInt128.h"

namespace {

// The house's worked examples; numeric_vectors.py covers the range.
TEST(Int64Arithmetic, ImpossibleQuotientsGiveZeroAndCurrencyIntermediatesAreExact) {
  EXPECT_EQ(RuntimeDivSInt64(INT64_MIN, -1) + RuntimeModSInt64(42, 0), 0);
  EXPECT_EQ(RuntimeDivUInt64(42, 0) + RuntimeModUInt64(42, 0), 0u);
  EXPECT_EQ(RuntimeDivCurrency(75000, 20000), 37500);          // 7.5 / 2 = 3.75
  EXPECT_EQ(RuntimeDivCurrency(123456789, 10000), 123456789);  // 12,345.6789 / 1
  const int64_t million = 1000000LL * 10000;
  EXPECT_EQ(RuntimeMulCurrency(million, million), 1000000000000LL * 10000);
}

TEST(UInt128, MultiplyAndDivideEdges) {
  UInt128 product = MultiplyWide(~0ull, ~0ull);  // (2^64 - 1)^2 = 2^128 - 2^65 + 1
  EXPECT_EQ(product.high, 0xFFFFFFFFFFFFFFFEull);
  EXPECT_EQ(product.low, 1u);
  UInt128 back = DivideWide(product, ~0ull);
  EXPECT_EQ(back.high, 0u);
  EXPECT_EQ(back.low, ~0ull);
  UInt128 byLimb = DivideWide({1, 0}, 3);  // 2^64 / 3
  EXPECT_EQ(byLimb.high * 3 + byLimb.low, 6148914691236517205ull);
}

}  // namespace
