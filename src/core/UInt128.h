// Unsigned 128-bit intermediates for 64-bit arithmetic that must be exact before it is scaled
// or truncated. The compiler offers no 128-bit integer on i386, so the few operations needed are
// written out over 32- and 64-bit halves.
#pragma once

#include <cstdint>

struct UInt128 {
  uint64_t high;
  uint64_t low;
};

// The full product of two 64-bit magnitudes.
UInt128 MultiplyWide(uint64_t a, uint64_t b);

// The quotient of value by a non-zero divisor, truncated.
UInt128 DivideWide(UInt128 value, uint64_t divisor);
