#include "app/PropertyValues.h"

#include "core/NumericConversions.h"

namespace {

int32_t WidthOf(NumericType type) {
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

bool IsSigned(NumericType type) {
  return type == NumericType::kInt8 || type == NumericType::kInt16 ||
         type == NumericType::kInt32 || type == NumericType::kInt64;
}

// bits cut to the type's width and extended by its signedness.
uint64_t Extended(uint64_t bits, NumericType type) {
  const int32_t width = WidthOf(type);
  if (width == 64) return bits;
  const uint64_t mask = (uint64_t(1) << width) - 1;
  bits &= mask;
  if (IsSigned(type) && (bits >> (width - 1)) != 0) bits |= ~mask;
  return bits;
}

// Truncation toward zero into the intermediate the target names.
uint64_t TruncatedFor(double real, NumericType target) {
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

bool IsNonZero(const NumericValue& value) {
  return value.floating ? value.real != 0 : value.bits != 0;
}

// The word in which a value of 32 bits or fewer travels.
uint32_t WordFor(const NumericValue& value, NumericType type) {
  return uint32_t(IntegerFor(value, type));
}

}  // namespace

NumericValue IntegerValue(uint64_t bits, NumericType type) {
  NumericValue value;
  if (type == NumericType::kBoolean) {
    value.bits = bits != 0 ? 1 : 0;
    value.isUnsigned = true;
    return value;
  }
  value.bits = Extended(bits, type);
  value.isUnsigned = !IsSigned(type);
  return value;
}

NumericValue RealValue(double real) {
  NumericValue value;
  value.floating = true;
  value.real = real;
  return value;
}

uint64_t IntegerFor(const NumericValue& value, NumericType target) {
  if (target == NumericType::kBoolean) return IsNonZero(value) ? 1 : 0;
  const uint64_t bits = value.floating ? TruncatedFor(value.real, target) : value.bits;
  return Extended(bits, target);
}

double DoubleFor(const NumericValue& value) {
  if (value.floating) return value.real;
  return value.isUnsigned ? double(value.bits) : double(int64_t(value.bits));
}

float SingleFor(const NumericValue& value) {
  if (value.floating) return float(value.real);
  return value.isUnsigned ? float(value.bits) : float(int64_t(value.bits));
}

NumericValue CallForNumber(const void* function, RuntimeObject* object, const uint32_t* parameter,
                           NumericType type) {
  // Each result type, called with the parameter word or without.
  auto call = [&]<typename R>() -> R {
    return parameter ? CallAccessor<R>(function, object, *parameter)
                     : CallAccessor<R>(function, object);
  };
  switch (type) {
    case NumericType::kSingle:
      return RealValue(call.operator()<float>());
    case NumericType::kDouble:
      return RealValue(call.operator()<double>());
    case NumericType::kInt64:
    case NumericType::kUInt64:
      return IntegerValue(call.operator()<uint64_t>(), type);
    case NumericType::kBoolean:
      return IntegerValue(call.operator()<bool>() ? 1 : 0, type);
    default:
      return IntegerValue(call.operator()<uint32_t>(), type);
  }
}

void CallWithNumber(const void* function, RuntimeObject* object, const uint32_t* parameter,
                    const NumericValue& value, NumericType type) {
  auto call = [&](auto word) {
    if (parameter) {
      CallAccessor<void>(function, object, *parameter, word);
    } else {
      CallAccessor<void>(function, object, word);
    }
  };
  switch (type) {
    case NumericType::kSingle:
      return call(SingleFor(value));
    case NumericType::kDouble:
      return call(DoubleFor(value));
    case NumericType::kInt64:
    case NumericType::kUInt64:
      return call(IntegerFor(value, type));
    default:
      return call(WordFor(value, type));
  }
}
