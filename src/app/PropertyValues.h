// The numeric values that plug-in property access moves between a property's type and the
// accessor's, and the calls that read and write them: a getter called (object, parameter) or
// a method called (object) for a value, a setter (object, parameter, value) or a method
// (object, value) with one, each value in the words its type travels in.
//
// The framework's own accessors are called directly; any other code (compiled code, a
// plug-in) through a CompiledCall, whose barrier keeps an exception the code leaves unhandled
// from unwinding into the plug-in that called us.
//
// Everything here is small and on the path of every property read, so it is inline; the calls
// are forced inline, where the type's switch folds away for the common word-sized property.
#pragma once

#include <cstdint>
#include <type_traits>

#include "core/CompiledCall.h"
#include "core/Exceptions.h"
#include "core/NumericConversions.h"
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

inline int32_t WidthOf(NumericType type) {
  switch (type) {
    case NumericType::kInt8:
    case NumericType::kUInt8:
      return 8;
    case NumericType::kInt16:
    case NumericType::kUInt16:
      return 16;
    case NumericType::kInt32:
    case NumericType::kUInt32:
      return 32;
    default:
      return 64;
  }
}

inline bool IsSignedType(NumericType type) {
  return type == NumericType::kInt8 || type == NumericType::kInt16 || type == NumericType::kInt32 ||
         type == NumericType::kInt64;
}

// bits cut to the type's width and extended by its signedness.
inline uint64_t ExtendedFor(uint64_t bits, NumericType type) {
  const int32_t width = WidthOf(type);
  if (width == 64) return bits;
  const uint64_t mask = (uint64_t(1) << width) - 1;
  bits &= mask;
  if (IsSignedType(type) && (bits >> (width - 1)) != 0) bits |= ~mask;
  return bits;
}

// The low bits of bits that type holds, extended by its signedness (a Boolean: bits != 0).
inline NumericValue IntegerValue(uint64_t bits, NumericType type) {
  NumericValue value;
  value.isUnsigned = !IsSignedType(type);
  value.bits = type == NumericType::kBoolean ? (bits != 0 ? 1 : 0) : ExtendedFor(bits, type);
  return value;
}

inline NumericValue RealValue(double real) {
  NumericValue value;
  value.floating = true;
  value.real = real;
  return value;
}

// Truncation toward zero into the intermediate the target names: signed 32 bits for Int32 and
// the 8- and 16-bit types, signed 64 bits for UInt32 and Int64, unsigned 64 bits for UInt64.
inline uint64_t TruncatedFor(double real, NumericType target) {
  switch (target) {
    case NumericType::kUInt32:
    case NumericType::kInt64:
      return uint64_t(RuntimeCvtReal64ToSInt64(real));
    case NumericType::kUInt64:
      return RuntimeCvtReal64ToUInt64(real);
    default:
      return uint64_t(int64_t(RuntimeCvtReal64ToSInt32(real)));
  }
}

// The value as an integer of the target type, extended to 64 bits by the target's signedness;
// a floating value truncated first. A Boolean target is 1 for any value other than zero.
inline uint64_t IntegerFor(const NumericValue& value, NumericType target) {
  if (target == NumericType::kBoolean)
    return (value.floating ? value.real != 0 : value.bits != 0) ? 1 : 0;
  return ExtendedFor(value.floating ? TruncatedFor(value.real, target) : value.bits, target);
}

// The nearest Double or Single; an integer read by its own signedness.
inline double DoubleFor(const NumericValue& value) {
  if (value.floating) return value.real;
  return value.isUnsigned ? double(value.bits) : double(int64_t(value.bits));
}
inline float SingleFor(const NumericValue& value) {
  if (value.floating) return float(value.real);
  return value.isUnsigned ? float(value.bits) : float(int64_t(value.bits));
}

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

// A getter (object, parameter) when a parameter is given, else a method (object).
template <typename R>
[[gnu::always_inline]] inline R CallForResult(const void* function, RuntimeObject* object,
                                              const uint32_t* parameter) {
  return parameter ? CallAccessor<R>(function, object, *parameter)
                   : CallAccessor<R>(function, object);
}

// Reads a value of type from a getter (parameter given) or a method (parameter nil).
[[gnu::always_inline]] inline NumericValue CallForNumber(const void* function,
                                                         RuntimeObject* object,
                                                         const uint32_t* parameter,
                                                         NumericType type) {
  switch (type) {
    case NumericType::kSingle:
      return RealValue(CallForResult<float>(function, object, parameter));
    case NumericType::kDouble:
      return RealValue(CallForResult<double>(function, object, parameter));
    case NumericType::kInt64:
    case NumericType::kUInt64:
      return IntegerValue(CallForResult<uint64_t>(function, object, parameter), type);
    case NumericType::kBoolean:
      return IntegerValue(CallForResult<bool>(function, object, parameter) ? 1 : 0, type);
    default:
      return IntegerValue(CallForResult<uint32_t>(function, object, parameter), type);
  }
}

// A setter (object, parameter, value) when a parameter is given, else a method (object, value).
template <typename T>
void CallWithValue(const void* function, RuntimeObject* object, const uint32_t* parameter,
                   T value) {
  if (parameter) {
    CallAccessor<void>(function, object, *parameter, value);
  } else {
    CallAccessor<void>(function, object, value);
  }
}

// Hands value, as type, to a setter (parameter given) or a method (parameter nil).
inline void CallWithNumber(const void* function, RuntimeObject* object, const uint32_t* parameter,
                           const NumericValue& value, NumericType type) {
  switch (type) {
    case NumericType::kSingle:
      return CallWithValue(function, object, parameter, SingleFor(value));
    case NumericType::kDouble:
      return CallWithValue(function, object, parameter, DoubleFor(value));
    case NumericType::kInt64:
    case NumericType::kUInt64:
      return CallWithValue(function, object, parameter, IntegerFor(value, type));
    default:
      return CallWithValue(function, object, parameter, uint32_t(IntegerFor(value, type)));
  }
}
