#include "values/Bitwise.h"

#include <cstdio>

#include "arrays/RuntimeArray.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/ExceptionClasses.h"
#include "core/Export.h"
#include "core/RaiseException.h"
#include "core/Startup.h"
#include "strings/RuntimeString.h"

namespace {

using namespace lang;

constexpr auto kMoreValues = Param("MoreValues", ArrayOf<UInt64>).ParamArray();
constexpr auto kNumBits = Param("numBits", Integer).Default(32);

const MethodRow kBitwiseMethods[] = {
    QV_MODULE_FUNCTION("BitAnd", UInt64, RuntimeBitwiseAnd, Param("Value1", UInt64),
                       Param("Value2", UInt64), kMoreValues),
    QV_MODULE_FUNCTION("BitOr", UInt64, RuntimeBitwiseOr, Param("Value1", UInt64),
                       Param("Value2", UInt64), kMoreValues),
    QV_MODULE_FUNCTION("BitXor", UInt64, RuntimeBitwiseXor, Param("Value1", UInt64),
                       Param("Value2", UInt64), kMoreValues),
    QV_MODULE_FUNCTION("ShiftLeft", UInt64, RuntimeBitwiseShiftLeft, Param("Value", UInt64),
                       Param("shift", Integer), kNumBits),
    QV_MODULE_FUNCTION("ShiftRight", UInt64, RuntimeBitwiseShiftRight, Param("Value", UInt64),
                       Param("shift", Integer), kNumBits),
    QV_MODULE_FUNCTION("OnesComplement", UInt64, RuntimeOnesCompliment, Param("Value", UInt64)),
};

// Folds each element of more (a UInt64 array, or nil) into result with combine.
template <typename Combine>
uint64_t FoldMore(uint64_t result, RuntimeArray* more, Combine combine) {
  ForEachArrayElement<uint64_t>(more, kArrayUInt64,
                                [&](uint64_t value) { result = combine(result, value); });
  return result;
}

// The bits at positions numBits .. 63, which a shift leaves alone; numBits is 1 .. 64.
uint64_t BitsAboveWidth(int32_t numBits) { return numBits == 64 ? 0 : ~uint64_t{0} << numBits; }

// False (after raising for an unsupported width) when the shift's result is simply 0.
bool ShiftApplies(int32_t shift, int32_t numBits) {
  if (numBits == 0) return false;
  if (static_cast<uint32_t>(numBits) > 64) {
    char message[80];
    std::snprintf(message, sizeof message,
                  "Specifying %d as the number of bits is not supported", numBits);
    RaiseNewExceptionWithMessage(UnsupportedFormatExceptionDefinition(),
                                 string(message).Storage(), 0);
    return false;
  }
  return static_cast<uint32_t>(shift) <= static_cast<uint32_t>(numBits - 1);
}

}  // namespace

QV_CLASS(BitwiseModuleDefinition,
         .name = "Bitwise",
         .objectSize = 0,
         .methods = kBitwiseMethods)
QV_STARTUP(kStartupBitwiseModule, +[] { RegisterModuleDefinition(BitwiseModuleDefinition()); })

extern "C" {

uint64_t BitwiseAnd(uint64_t a, uint64_t b) { return a & b; }
QV_EXPORT(BitwiseAnd)

uint64_t BitwiseOr(uint64_t a, uint64_t b) { return a | b; }
QV_EXPORT(BitwiseOr)

uint64_t BitwiseXor(uint64_t a, uint64_t b) { return a ^ b; }
QV_EXPORT(BitwiseXor)

uint64_t RuntimeBitwiseAnd(uint64_t value1, uint64_t value2, RuntimeArray* moreValues) {
  return FoldMore(value1 & value2, moreValues, BitwiseAnd);
}
QV_EXPORT(RuntimeBitwiseAnd)

uint64_t RuntimeBitwiseOr(uint64_t value1, uint64_t value2, RuntimeArray* moreValues) {
  return FoldMore(value1 | value2, moreValues, BitwiseOr);
}
QV_EXPORT(RuntimeBitwiseOr)

uint64_t RuntimeBitwiseXor(uint64_t value1, uint64_t value2, RuntimeArray* moreValues) {
  return FoldMore(value1 ^ value2, moreValues, BitwiseXor);
}
QV_EXPORT(RuntimeBitwiseXor)

uint64_t RuntimeBitwiseShiftLeft(uint64_t value, int32_t shift, int32_t numBits) {
  if (!ShiftApplies(shift, numBits)) return 0;
  const uint64_t kept = BitsAboveWidth(numBits);
  return (value & kept) | (((value & ~kept) << shift) & ~kept);
}
QV_EXPORT(RuntimeBitwiseShiftLeft)

uint64_t RuntimeBitwiseShiftRight(uint64_t value, int32_t shift, int32_t numBits) {
  if (!ShiftApplies(shift, numBits)) return 0;
  const uint64_t kept = BitsAboveWidth(numBits);
  return (value & kept) | ((value & ~kept) >> shift);
}
QV_EXPORT(RuntimeBitwiseShiftRight)

uint64_t RuntimeOnesCompliment(uint64_t value) { return ~value; }
QV_EXPORT(RuntimeOnesCompliment)

}  // extern "C"
