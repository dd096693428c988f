#include "core/UInt128.h"

#include "core/RuntimeError.h"

namespace {

constexpr uint64_t kLow32 = 0xFFFFFFFFull;

// value * 2 + bit, in place.
void ShiftInBit(UInt128& value, uint64_t bit) {
  value.high = (value.high << 1) | (value.low >> 63);
  value.low = (value.low << 1) | bit;
}

bool AtLeast(const UInt128& a, const UInt128& b) {
  return a.high != b.high ? a.high > b.high : a.low >= b.low;
}

void Subtract(UInt128& a, const UInt128& b) {
  uint64_t borrow = a.low < b.low ? 1 : 0;
  a.low -= b.low;
  a.high -= b.high + borrow;
}

// Schoolbook division one 32-bit limb at a time: each step divides a remainder below the
// divisor, shifted up by 32 bits, which fits in 64 bits because the divisor does in 32.
UInt128 DivideByLimb(UInt128 value, uint32_t divisor) {
  const uint32_t limbs[4] = {uint32_t(value.high >> 32), uint32_t(value.high),
                             uint32_t(value.low >> 32), uint32_t(value.low)};
  uint32_t quotient[4];
  uint64_t remainder = 0;
  for (int k = 0; k < 4; ++k) {
    uint64_t part = (remainder << 32) | limbs[k];
    quotient[k] = uint32_t(part / divisor);
    remainder = part % divisor;
  }
  return {(uint64_t{quotient[0]} << 32) | quotient[1], (uint64_t{quotient[2]} << 32) | quotient[3]};
}

// Restoring binary long division, for divisors wider than 32 bits.
UInt128 DivideByBits(UInt128 value, uint64_t divisor) {
  UInt128 quotient = {0, 0};
  UInt128 remainder = {0, 0};
  const UInt128 wideDivisor = {0, divisor};
  int top = value.high ? 127 - __builtin_clzll(value.high) : 63 - __builtin_clzll(value.low);
  for (int bit = top; bit >= 0; --bit) {
    uint64_t next = bit >= 64 ? (value.high >> (bit - 64)) & 1 : (value.low >> bit) & 1;
    ShiftInBit(remainder, next);
    bool fits = AtLeast(remainder, wideDivisor);
    if (fits) Subtract(remainder, wideDivisor);
    ShiftInBit(quotient, fits ? 1 : 0);
  }
  return quotient;
}

}  // namespace

UInt128 MultiplyWide(uint64_t a, uint64_t b) {
  uint64_t aLow = a & kLow32, aHigh = a >> 32;
  uint64_t bLow = b & kLow32, bHigh = b >> 32;
  uint64_t lowLow = aLow * bLow;
  uint64_t highLow = aHigh * bLow;
  uint64_t lowHigh = aLow * bHigh;
  uint64_t highHigh = aHigh * bHigh;
  // The middle column gathers both cross products and the carry out of the low column.
  uint64_t middle = (lowLow >> 32) + (highLow & kLow32) + (lowHigh & kLow32);
  return {highHigh + (highLow >> 32) + (lowHigh >> 32) + (middle >> 32),
          (middle << 32) | (lowLow & kLow32)};
}

UInt128 DivideWide(UInt128 value, uint64_t divisor) {
  if (!QV_CHECK(divisor != 0)) return {0, 0};
  if (value.high == 0) return {0, value.low / divisor};
  if (divisor <= kLow32) return DivideByLimb(value, uint32_t(divisor));
  return DivideByBits(value, divisor);
}
