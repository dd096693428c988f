// The numeric values that plug-in property access moves between a property's type and the
// accessor's, and the calls that read and write them: a getter called (object, parameter) or
// a method called (object) for a value, a setter (object, parameter, value) or a method
// (object, value) with one, each value in the words its type travels in.
//
// The framework's own accessors are called directly; any other code (compiled code, a
// plug-in) through a CompiledCall, whose barrier keeps an exception the code leaves unhandled
// from unwinding into the plug-in that called us.
#pragma once

#include <cstdint>
#include <type_traits>

#include "core/CompiledCall.h"
#include "core/Exceptions.h"
#include "core/RuntimeObject.h"

enum class NumericType : uint8_t {
  kInt8,
  kUInt8,
  kInt16,
  kUInt16,
  kInt32,
  kUInt32,
  kInt64,  // also Currency: its stored integer, never rescaled
  kUInt64,
  kSingle,
  kDouble,
  kBoolean,  // 0 or 1
};

// An integer, held extended to 64 bits by its own signedness, or a floating value.
struct NumericValue {
  bool floating = false;
  bool isUnsigned = false;
  uint64_t bits = 0;
  double real = 0;
};

// The low bits of bits that type holds, extended by its signedness (a Boolean: bits != 0).
NumericValue IntegerValue(uint64_t bits, NumericType type);
NumericValue RealValue(double real);

// The value as an integer of the target type, extended to 64 bits by the target's signedness.
// A floating value is truncated toward zero through the target's intermediate first: signed
// 32 bits for Int32 and the 8- and 16-bit types, signed 64 bits for UInt32 and Int64,
// unsigned 64 bits for UInt64. A Boolean target is 1 for any value other than zero.
uint64_t IntegerFor(const NumericValue& value, NumericType target);
// The nearest Double or Single; an integer read by its own signedness.
double DoubleFor(const NumericValue& value);
float SingleFor(const NumericValue& value);

// function (object, parameter...) called as its code must be; the neutral result when the
// call could not be made or its code left an exception unhandled. A Boolean result is read
// from the low byte alone.
template <typename R, typename... Args>
R CallAccessor(const void* function, Args... args) {
  if (IsFrameworkCode(function)) {
    if constexpr (std::is_same_v<R, bool>) {
      using Word = uint32_t (*)(Args...);
      return uint8_t(reinterpret_cast<Word>(const_cast<void*>(function))(args...)) != 0;
    } else {
      return reinterpret_cast<R (*)(Args...)>(const_cast<void*>(function))(args...);
    }
  }
  CompiledCall call;
  return call.Invoke<R>(function, args...);
}

// Reads a value of type from a getter (parameter given) or a method (parameter nil).
NumericValue CallForNumber(const void* function, RuntimeObject* object, const uint32_t* parameter,
                           NumericType type);
// Hands value, as type, to a setter (parameter given) or a method (parameter nil).
void CallWithNumber(const void* function, RuntimeObject* object, const uint32_t* parameter,
                    const NumericValue& value, NumericType type);
