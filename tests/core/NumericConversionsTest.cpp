#include "core/NumericConversions.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The documented cases; numeric_vectors.py covers the rest of the range.
TEST(RealToInteger, EdgeCases) {
  EXPECT_EQ(RuntimeCvtReal64ToSInt32(2.9), 2);
  EXPECT_EQ(RuntimeCvtReal64ToSInt32(-2.9), -2);
  EXPECT_EQ(RuntimeCvtReal64ToSInt32(3e9), INT32_MIN);
  EXPECT_EQ(RuntimeCvtReal64ToSInt32(kNaN), INT32_MIN);
  EXPECT_EQ(RuntimeCvtReal64ToUInt32(3e9), 3000000000u);
  EXPECT_EQ(RuntimeCvtReal64ToUInt32(-1.0), 4294967295u);
  EXPECT_EQ(RuntimeCvtReal64ToSInt64(-kInfinity), INT64_MIN);
  EXPECT_EQ(RuntimeCvtReal64ToUInt64(9223372036854775808.0), 9223372036854775808ull);
}

TEST(RealToInteger, TruncatesWhateverTheRoundingMode) {
  const int modes[] = {FE_UPWARD, FE_DOWNWARD, FE_TONEAREST, FE_TOWARDZERO};
  for (int mode : modes) {
    std::fesetround(mode);
    EXPECT_EQ(RuntimeCvtReal64ToSInt32(2.9), 2) << mode;
    EXPECT_EQ(RuntimeCvtReal64ToSInt32(-2.9), -2) << mode;
    EXPECT_EQ(RuntimeCvtReal64ToSInt64(-7.5), -7) << mode;
    EXPECT_EQ(RuntimeCvtReal64ToUInt64(1e19 + 4096.0), 10000000000000004096ull) << mode;
    EXPECT_EQ(RuntimeCvtReal64ToCurrency(-0.00019), -1) << mode;
  }
  std::fesetround(FE_TONEAREST);
}

TEST(RealToCurrency, EdgeCases) {
  EXPECT_EQ(RuntimeCvtReal64ToCurrency(0.00009), 0);
  EXPECT_EQ(RuntimeCvtReal64ToCurrency(-0.00019), -1);
  EXPECT_EQ(RuntimeCvtReal64ToCurrency(1.23456), 12345);
  // The double product of 0.29 and 10,000 is exactly 2,900: a 64-bit intermediate would
  // keep it just below and truncate to 2,899.
  EXPECT_EQ(RuntimeCvtReal64ToCurrency(0.29), 2900);
  EXPECT_EQ(RuntimeCvtReal64ToCurrency(1e300), INT64_MIN);
}

// The Single forms mean the Double forms applied to the Single's exact value.
TEST(SingleConversions, EqualTheDoubleFormsOfTheSameValue) {
  std::mt19937 rng(32);
  for (int i = 0; i < 20000; ++i) {
    uint32_t bits = rng();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    double wide = value;
    ASSERT_EQ(RuntimeCvtReal32ToSInt32(value), RuntimeCvtReal64ToSInt32(wide)) << value;
    ASSERT_EQ(RuntimeCvtReal32ToUInt32(value), RuntimeCvtReal64ToUInt32(wide)) << value;
    ASSERT_EQ(RuntimeCvtReal32ToSInt64(value), RuntimeCvtReal64ToSInt64(wide)) << value;
    ASSERT_EQ(RuntimeCvtReal32ToUInt64(value), RuntimeCvtReal64ToUInt64(wide)) << value;
    ASSERT_EQ(RuntimeCvtReal32ToCurrency(value), RuntimeCvtReal64ToCurrency(wide)) << value;
  }
  EXPECT_EQ(RuntimeCvtReal32ToSInt32(-2.9f), -2);
  EXPECT_EQ(RuntimeCvtReal32ToCurrency(1.5f), 15000);
}

// The 32-bit sources are exact; the 64-bit ones are in numeric_vectors.py.
TEST(ThirtyTwoBitSources, ConvertExactly) {
  EXPECT_EQ(RuntimeCvtSInt32ToReal64(INT32_MIN), -2147483648.0);
  EXPECT_EQ(RuntimeCvtUInt32ToReal64(4294967295u), 4294967295.0);
  EXPECT_EQ(RuntimeCvtSInt32ToCurrency(INT32_MIN), int64_t{INT32_MIN} * 10000);
  EXPECT_EQ(RuntimeCvtUInt32ToCurrency(4294967295u), int64_t{4294967295} * 10000);
  EXPECT_EQ(RuntimeCvtCurrencyToSInt64(-19999), -1);
  EXPECT_EQ(RuntimeCvtCurrencyToUInt32(-20000), 4294967294u);
}

}  // namespace

#include "core/Int64Arithmetic.h"
#include "image/Export.h"

namespace {

// Compiled code binds these by name: each name must lead to the function it stands for.
TEST(NumericExports, EveryNameIsBoundToItsFunction) {
  struct Expected {
    const char* name;
    void* code;
  };
#define QV_EXPECTED(function) {#function, reinterpret_cast<void*>(&function)}
  const Expected expected[] = {
      QV_EXPECTED(RuntimeCvtSInt32ToReal64),   QV_EXPECTED(RuntimeCvtUInt32ToReal64),
      QV_EXPECTED(RuntimeCvtSInt64ToReal64),   QV_EXPECTED(RuntimeCvtUInt64ToReal64),
      QV_EXPECTED(RuntimeCvtSInt32ToCurrency), QV_EXPECTED(RuntimeCvtUInt32ToCurrency),
      QV_EXPECTED(RuntimeCvtSInt64ToCurrency), QV_EXPECTED(RuntimeCvtUInt64ToCurrency),
      QV_EXPECTED(RuntimeCvtReal32ToSInt32),   QV_EXPECTED(RuntimeCvtReal64ToSInt32),
      QV_EXPECTED(RuntimeCvtReal32ToUInt32),   QV_EXPECTED(RuntimeCvtReal64ToUInt32),
      QV_EXPECTED(RuntimeCvtReal32ToSInt64),   QV_EXPECTED(RuntimeCvtReal64ToSInt64),
      QV_EXPECTED(RuntimeCvtReal32ToUInt64),   QV_EXPECTED(RuntimeCvtReal64ToUInt64),
      QV_EXPECTED(RuntimeCvtReal32ToCurrency), QV_EXPECTED(RuntimeCvtReal64ToCurrency),
      QV_EXPECTED(RuntimeCvtCurrencyToSInt32), QV_EXPECTED(RuntimeCvtCurrencyToUInt32),
      QV_EXPECTED(RuntimeCvtCurrencyToSInt64), QV_EXPECTED(RuntimeCvtCurrencyToUInt64),
      QV_EXPECTED(RuntimeCvtCurrencyToReal64), QV_EXPECTED(RuntimeMulSInt64),
      QV_EXPECTED(RuntimeMulUInt64),           QV_EXPECTED(RuntimeDivSInt64),
      QV_EXPECTED(RuntimeDivUInt64),           QV_EXPECTED(RuntimeModSInt64),
      QV_EXPECTED(RuntimeModUInt64),           QV_EXPECTED(RuntimeMulCurrency),
      QV_EXPECTED(RuntimeDivCurrency),
  };
#undef QV_EXPECTED
  for (const Expected& want : expected) {
    const RelocEntry* found = nullptr;
    for (const RelocEntry* entry = StaticExportTableBegin(); entry != StaticExportTableEnd();
         ++entry) {
      if (entry->name && std::strcmp(entry->name, want.name) == 0) found = entry;
    }
    ASSERT_NE(found, nullptr) << want.name;
    EXPECT_EQ(found->code, want.code) << want.name;
  }
}

}  // namespace
