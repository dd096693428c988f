// Bitwise: the language's "Bitwise" module (AND, OR and XOR over two or more 64-bit values,
// shifts inside a chosen bit width, the ones' complement) and the plain two-operand AND, OR and
// XOR that compiled code calls for its operators.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"

struct RuntimeArray;

ObjectDefinition* BitwiseModuleDefinition();

extern "C" {
uint64_t BitwiseAnd(uint64_t a, uint64_t b);
uint64_t BitwiseOr(uint64_t a, uint64_t b);
uint64_t BitwiseXor(uint64_t a, uint64_t b);

// value1 op value2, then op each element of moreValues (a UInt64 array, or nil) in order.
uint64_t RuntimeBitwiseAnd(uint64_t value1, uint64_t value2, RuntimeArray* moreValues);
uint64_t RuntimeBitwiseOr(uint64_t value1, uint64_t value2, RuntimeArray* moreValues);
uint64_t RuntimeBitwiseXor(uint64_t value1, uint64_t value2, RuntimeArray* moreValues);

// Shifts the low numBits bits of value; the bits above pass through, bits shifted past the
// width are lost. numBits 0 gives 0; above 64 (or negative) raises UnsupportedFormatException;
// a shift outside 0 .. numBits - 1 gives 0.
uint64_t RuntimeBitwiseShiftLeft(uint64_t value, int32_t shift, int32_t numBits);
uint64_t RuntimeBitwiseShiftRight(uint64_t value, int32_t shift, int32_t numBits);
uint64_t RuntimeOnesCompliment(uint64_t value);
}
