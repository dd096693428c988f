// The text "%.<precision>f" gives for a double (the digits of its exact binary value, rounded
// half to even), written straight from the double's bits with integer arithmetic. Str and
// Format print most of their values so; the general printer (std::to_chars) spends most of its
// time on 64-bit divisions, which i386 does in a library routine.
//
// Only values whose digits fit a 64-bit integer are covered: precisions 0 to 19, integers below
// 2^63, and other values whose scaled magnitude (value * 10^precision) stays below 2^64. The
// rest are left to the general printer.
#pragma once

#include <cstdint>

// Room PrintFixedPoint may use: a sign, 20 digits, a point and 19 decimals.
constexpr int32_t kFixedPointTextRoom = 42;

// Writes the text at out and answers its end, or nil (nothing written) when value is not covered.
char* PrintFixedPoint(char* out, double value, int32_t precision);
