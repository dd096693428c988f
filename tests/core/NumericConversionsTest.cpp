// The cases numeric_vectors.py cannot reach: rounding modes, Single sources, 32-bit sources
// and the house's worked Currency examples.
#include "core/NumericConversions.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cstring>
#include <random>

#include "core/Int64Arithmetic.h"

namespace {

TEST(NumericConversions, TruncateWhateverTheRoundingMode) {
  for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TONEAREST, FE_TOWARDZERO}) {
    std::fesetround(mode);
    EXPECT_EQ(RuntimeCvtReal64ToSInt32(-2.9), -2) << mode;
    EXPECT_EQ(RuntimeCvtReal64ToSInt64(-7.5), -7) << mode;
    EXPECT_EQ(RuntimeCvtReal64ToUInt64(1e19 + 4096.0), 10000000000000004096ull) << mode;
    EXPECT_EQ(RuntimeCvtReal64ToCurrency(-0.00019), -1) << mode;
  }
  std::fesetround(FE_TONEAREST);
  EXPECT_EQ(RuntimeCvtReal64ToCurrency(0.29), 2900);  // not 2,899 via 64-bit mantissas
}

// The Single forms mean the Double forms applied to the Single's exact value; 32-bit sources
// convert exactly.
TEST(NumericConversions, SingleAndThirtyTwoBitSources) {
  std::mt19937 rng(32);
  for (int i = 0; i < 20000; ++i) {
    const uint32_t bits = rng();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    const double wide = value;
    ASSERT_EQ(RuntimeCvtReal32ToSInt32(value), RuntimeCvtReal64ToSInt32(wide)) << value;
    ASSERT_EQ(RuntimeCvtReal32ToUInt32(value), RuntimeCvtReal64ToUInt32(wide)) << value;
    ASSERT_EQ(RuntimeCvtReal32ToSInt64(value), RuntimeCvtReal64ToSInt64(wide)) << value;
    ASSERT_EQ(RuntimeCvtReal32ToUInt64(value), RuntimeCvtReal64ToUInt64(wide)) << value;
    ASSERT_EQ(RuntimeCvtReal32ToCurrency(value), RuntimeCvtReal64ToCurrency(wide)) << value;
    const auto word = static_cast<int32_t>(rng());
    ASSERT_EQ(RuntimeCvtSInt32ToReal64(word), double(word));
    ASSERT_EQ(RuntimeCvtUInt32ToReal64(uint32_t(word)), double(uint32_t(word)));
    ASSERT_EQ(RuntimeCvtSInt32ToCurrency(word), int64_t{word} * 10000);
    ASSERT_EQ(RuntimeCvtUInt32ToCurrency(uint32_t(word)), int64_t{uint32_t(word)} * 10000);
  }
  EXPECT_EQ(RuntimeCvtCurrencyToUInt32(-20000), 4294967294u);
}

// The house's worked examples, and the one quotient that does not fit, which random pairs of
// numeric_vectors.py seldom draw: it wraps, as every 64-bit result does.
TEST(Int64Arithmetic, CurrencyIntermediatesAreExactAndTheQuotientThatDoesNotFitWraps) {
  EXPECT_EQ(RuntimeDivSInt64(INT64_MIN, -1), INT64_MIN);
  EXPECT_EQ(RuntimeModSInt64(INT64_MIN, -1), 0);
  EXPECT_EQ(RuntimeDivCurrency(75000, 20000), 37500);          // 7.5 / 2 = 3.75
  EXPECT_EQ(RuntimeDivCurrency(123456789, 10000), 123456789);  // 12,345.6789 / 1
  EXPECT_EQ(RuntimeMulCurrency(10000000000LL, 10000000000LL), 10000000000000000LL);  // 1e6 x 1e6
}

}  // namespace
