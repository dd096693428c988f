#include "strings/FixedPointText.h"

#include <cstring>

#include "core/UInt128.h"

namespace {

constexpr int32_t kLargestPrecision = 19;
constexpr uint64_t kPowersOfTen[kLargestPrecision + 1] = {
    1ull,
    10ull,
    100ull,
    1000ull,
    10000ull,
    100000ull,
    1000000ull,
    10000000ull,
    100000000ull,
    1000000000ull,
    10000000000ull,
    100000000000ull,
    1000000000000ull,
    10000000000000ull,
    100000000000000ull,
    1000000000000000ull,
    10000000000000000ull,
    100000000000000000ull,
    1000000000000000000ull,
    10000000000000000000ull};

// Bits [0, s) of n compared with 2^(s - 1), for 0 < s < 128: below, equal or above half of
// the unit at bit s.
int CompareWithHalf(UInt128 n, int32_t s) {
  uint64_t high = s > 64 ? n.high & ((uint64_t{1} << (s - 64)) - 1) : 0;
  uint64_t low = s >= 64 ? n.low : n.low & ((uint64_t{1} << s) - 1);
  UInt128 half = s - 1 >= 64 ? UInt128{uint64_t{1} << (s - 65), 0}
                             : UInt128{0, uint64_t{1} << (s - 1)};
  if (high != half.high) return high < half.high ? -1 : 1;
  if (low != half.low) return low < half.low ? -1 : 1;
  return 0;
}

// n / 2^s rounded half to even, when it fits 64 bits.
bool ShiftRounded(UInt128 n, int32_t s, uint64_t* q) {
  if (s >= 128) {
    *q = 0;  // n is below 2^117, so less than half a unit
    return true;
  }
  uint64_t quotient;
  if (s >= 64) {
    quotient = s == 64 ? n.high : n.high >> (s - 64);
  } else {
    if (n.high >> s) return false;
    quotient = (n.high << (64 - s)) | (n.low >> s);
  }
  int half = CompareWithHalf(n, s);
  if (half > 0 || (half == 0 && (quotient & 1))) {
    if (quotient == UINT64_MAX) return false;
    ++quotient;
  }
  *q = quotient;
  return true;
}

// significand * 10^precision / 2^s rounded half to even. Up to three decimals the product fits
// 63 bits and plain 64-bit arithmetic does; beyond, the product is formed in 128 bits.
bool ScaleExactly(uint64_t significand, int32_t s, int32_t precision, uint64_t* q) {
  if (precision > 3) return ShiftRounded(MultiplyWide(significand, kPowersOfTen[precision]), s, q);
  uint64_t n = significand * kPowersOfTen[precision];
  if (s >= 64) {
    *q = 0;  // n is below 2^63, at most half a unit, and an exact half rounds to the even 0
    return true;
  }
  uint64_t quotient = n >> s, rest = n & ((uint64_t{1} << s) - 1), half = uint64_t{1} << (s - 1);
  *q = quotient + ((rest > half) | ((rest == half) & (quotient & 1)));  // no branch to mispredict
  return true;
}

// Counted without branches below 2^32, where nearly every value lies.
int32_t DecimalLength(uint64_t q) {
  if (q <= UINT32_MAX) {
    auto small = static_cast<uint32_t>(q);
    int32_t length = 1;
    for (int32_t k = 1; k < 10; ++k) length += small >= static_cast<uint32_t>(kPowersOfTen[k]);
    return length;
  }
  int32_t length = 10;
  while (length <= kLargestPrecision && q >= kPowersOfTen[length]) ++length;
  return length;
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The digits of v, at least minDigits of them (zeros in front), written backwards from end;
// answers where they start. Nine digits at a time through a 64-bit division while v is wide,
// then two at a time from a table in 32-bit arithmetic, which the compiler does by
// multiplication.
char* DigitsBackwards(uint64_t v, int32_t minDigits, char* end) {
  char* p = end;
  for (; v > UINT32_MAX; minDigits -= 9) {
    uint64_t high = v / 1000000000u;
    p = DigitsBackwards(static_cast<uint32_t>(v - high * 1000000000u), 9, p);
    v = high;
  }
  auto small = static_cast<uint32_t>(v);
  char* start = p;
  for (; small >= 100; small /= 100) {
    start -= 2;
    std::memcpy(start, kDigitPairs + 2 * (small % 100), 2);
  }
  if (small >= 10) {
    start -= 2;
    std::memcpy(start, kDigitPairs + 2 * small, 2);
  } else {
    *--start = static_cast<char>('0' + small);
  }
  while (p - start < minDigits) *--start = '0';
  return start;
}

}  // namespace

char* PrintFixedPoint(char* out, double value, int32_t precision) {
  if (precision < 0 || precision > kLargestPrecision) return nullptr;
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const bool negative = bits >> 63;
  const auto biased = static_cast<int32_t>((bits >> 52) & 0x7FF);
  if (biased == 0x7FF) return nullptr;  // infinity and NaN
  uint64_t significand = bits & ((uint64_t{1} << 52) - 1);
  int32_t exponent = -1074;  // value = significand * 2^exponent
  if (biased != 0) {
    significand |= uint64_t{1} << 52;
    exponent = biased - 1075;
  }
  // An integer is its digits and zeros for decimals; anything else is scaled by 10^precision.
  uint64_t integer, decimals = 0;
  if (exponent >= 0) {
    if (exponent > 10) return nullptr;
    integer = significand << exponent;
  } else {
    uint64_t scaled;
    if (!ScaleExactly(significand, -exponent, precision, &scaled)) return nullptr;
    // Below 2^32 the division is the processor's; above it a library routine.
    const uint64_t unit = kPowersOfTen[precision];
    if (scaled > UINT32_MAX) {
      integer = scaled / unit;
    } else {
      integer = unit > scaled ? 0 : static_cast<uint32_t>(scaled) / static_cast<uint32_t>(unit);
    }
    decimals = scaled - integer * unit;
  }
  char* end = out + negative + DecimalLength(integer) + (precision > 0 ? precision + 1 : 0);
  char* point = end;
  if (precision > 0) {
    point = DigitsBackwards(decimals, precision, end) - 1;
    *point = '.';
  }
  char* start = DigitsBackwards(integer, 1, point);
  if (negative) start[-1] = '-';
  return end;
}
