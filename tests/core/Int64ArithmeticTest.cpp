#include "core/Int64Arithmetic.h"

#include <gtest/gtest.h>

#include "core/UInt128.h"

namespace {

TEST(Int64Arithmetic, ImpossibleQuotientsGiveZeroWithoutTrapping) {
  EXPECT_EQ(RuntimeDivSInt64(42, 0), 0);
  EXPECT_EQ(RuntimeModSInt64(42, 0), 0);
  EXPECT_EQ(RuntimeDivUInt64(42, 0), 0u);
  EXPECT_EQ(RuntimeModUInt64(42, 0), 0u);
  EXPECT_EQ(RuntimeDivSInt64(INT64_MIN, -1), 0);
  EXPECT_EQ(RuntimeModSInt64(INT64_MIN, -1), 0);
  EXPECT_EQ(RuntimeDivCurrency(15000, 0), 0);
}

TEST(CurrencyArithmetic, ExactIntermediates) {
  EXPECT_EQ(RuntimeMulCurrency(15000, 25000), 37500);          // 1.5 x 2.5 = 3.75
  EXPECT_EQ(RuntimeDivCurrency(75000, 20000), 37500);          // 7.5 / 2 = 3.75
  EXPECT_EQ(RuntimeDivCurrency(123456789, 10000), 123456789);  // 12,345.6789 / 1
  const int64_t million = 1000000LL * 10000;
  EXPECT_EQ(RuntimeMulCurrency(million, million), 1000000000000LL * 10000);
  EXPECT_EQ(RuntimeDivCurrency(INT64_MIN, -10000), INT64_MIN);  // 2^63 does not fit: wraps
}

TEST(UInt128, MultiplyAndDivideEdges) {
  UInt128 product = MultiplyWide(~0ull, ~0ull);  // (2^64 - 1)^2 = 2^128 - 2^65 + 1
  EXPECT_EQ(product.high, 0xFFFFFFFFFFFFFFFEull);
  EXPECT_EQ(product.low, 1u);
  UInt128 back = DivideWide(product, ~0ull);
  EXPECT_EQ(back.high, 0u);
  EXPECT_EQ(back.low, ~0ull);
  UInt128 byLimb = DivideWide({1, 0}, 3);  // 2^64 / 3
  EXPECT_EQ(byLimb.high, 0u);
  EXPECT_EQ(byLimb.low, 6148914691236517205ull);
  UInt128 byOne = DivideWide({5, 7}, 1);
  EXPECT_EQ(byOne.high, 5u);
  EXPECT_EQ(byOne.low, 7u);
}

}  // namespace
