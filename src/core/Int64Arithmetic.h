// 64-bit integer and Currency arithmetic for compiled code, which calls these instead of
// inlining them. Results wrap modulo 2^64; nothing here detects overflow.
//
// A zero divisor, and the one signed quotient that does not exist (the most negative value
// divided by -1), give 0 instead of trapping; the language raises its own error around them.
#pragma once

#include <cstdint>

#include "core/Currency.h"

extern "C" {
int64_t RuntimeMulSInt64(int64_t a, int64_t b);
uint64_t RuntimeMulUInt64(uint64_t a, uint64_t b);
int64_t RuntimeDivSInt64(int64_t a, int64_t b);  // truncates toward zero
uint64_t RuntimeDivUInt64(uint64_t a, uint64_t b);
int64_t RuntimeModSInt64(int64_t a, int64_t b);  // the remainder has the sign of a
uint64_t RuntimeModUInt64(uint64_t a, uint64_t b);

// Both form the exact 128-bit intermediate before scaling and truncate toward zero, so every
// result that fits in 64 bits is right (7.5 / 2 is 3.75); only a result that does not fit wraps.
Currency RuntimeMulCurrency(Currency a, Currency b);
Currency RuntimeDivCurrency(Currency a, Currency b);
}
