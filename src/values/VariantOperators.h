// Operators on variants. A binary operator first finds its operating type from the two
// operands' type codes (the result-type table: Single with an integer works in Double, a String
// with anything but an object in String, ...), then reads both operands in that type through
// the conversion entry points and boxes the result in a new variant.
//
// Integer division and modulo never trap: a zero divisor raises a RuntimeException saying so,
// and so does the one quotient that does not exist (the most negative value divided by -1);
// the most negative value modulo -1 is 0. Every operator answers nil after a raise.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"

// The operating type of a binary operator: 0 when either operand is nil, else the result-type
// table's entry for the two type codes, -1 where the table has no common type. A code outside
// the table is a failed check and gives kNoOperatingType.
constexpr int32_t kNoCommonType = -1;
constexpr int32_t kNoOperatingType = -2;
int32_t OperatingType(RuntimeObject* a, RuntimeObject* b);
// The table alone, for two type codes.
int32_t ResultTypeOfCodes(int32_t a, int32_t b);

extern "C" {
RuntimeObject* VariantAdd(RuntimeObject* a, RuntimeObject* b);
RuntimeObject* VariantSubtract(RuntimeObject* a, RuntimeObject* b);
RuntimeObject* VariantMultiply(RuntimeObject* a, RuntimeObject* b);
RuntimeObject* VariantDivide(RuntimeObject* a, RuntimeObject* b);
RuntimeObject* VariantIntegerDivide(RuntimeObject* a, RuntimeObject* b);
RuntimeObject* VariantModulo(RuntimeObject* a, RuntimeObject* b);
RuntimeObject* VariantPower(RuntimeObject* a, RuntimeObject* b);
// The Right forms: the plain operator with the operands swapped (b op a).
RuntimeObject* VariantAddRight(RuntimeObject* a, RuntimeObject* b);
RuntimeObject* VariantSubtractRight(RuntimeObject* a, RuntimeObject* b);
RuntimeObject* VariantDivideRight(RuntimeObject* a, RuntimeObject* b);
RuntimeObject* VariantIntegerDivideRight(RuntimeObject* a, RuntimeObject* b);
RuntimeObject* VariantModuloRight(RuntimeObject* a, RuntimeObject* b);
RuntimeObject* VariantPowerRight(RuntimeObject* a, RuntimeObject* b);
// Boolean logic; a nil operand reads as false. And does not read b when a is false.
RuntimeObject* VariantAnd(RuntimeObject* a, RuntimeObject* b);
RuntimeObject* VariantOr(RuntimeObject* a, RuntimeObject* b);
RuntimeObject* VariantNot(RuntimeObject* a);
// Int64 and Currency negate in their own type, everything else as a Double (nil is 0).
RuntimeObject* VariantNegate(RuntimeObject* a);

// Negative, zero or positive as a orders before, with or after b; nil orders after every
// object. 0 after a raise (TypeMismatchException where the types do not compare).
int32_t VariantCompare(RuntimeObject* a, RuntimeObject* b);
// True when the two compare equal; false when they do not compare.
int32_t VariantEqual(RuntimeObject* a, RuntimeObject* b);
// The class's "Operator_Hash" applied to the variant; without one, a Date's word hash of its
// TotalSeconds, any other object's of its reference. Nil hashes to 0.
int32_t VariantHash(RuntimeObject* variant);
}

// VariantEqual without the raise: two variants of types that do not compare are unequal (a
// Dictionary looks keys of any types up beside each other).
bool VariantsCompareEqual(RuntimeObject* a, RuntimeObject* b);
