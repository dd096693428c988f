#include "core/NumericConversions.h"

#include "core/Export.h"

namespace {

constexpr double kTwoTo31 = 2147483648.0;
constexpr double kTwoTo63 = 9223372036854775808.0;
constexpr double kTwoTo64 = 18446744073709551616.0;
constexpr double kScale = 10000.0;

// The x87 unit computes with 64-bit mantissas. Passing a value through memory as a double
// rounds it once to double precision.
double RoundedToDouble(double value) {
  asm("" : "+m"(value));
  return value;
}

// Precision-control field of the x87 control word, and its setting for 53-bit mantissas.
constexpr uint16_t kPrecisionMask = 0x0300;
constexpr uint16_t kPrecisionDouble = 0x0200;

uint16_t X87ControlWord() {
  uint16_t word;
  asm volatile("fnstcw %0" : "=m"(word));
  return word;
}

// A product or quotient rounded the way double arithmetic rounds it. Rounding the x87 unit's
// 64-bit result to a double afterwards would round twice, and in rare halfway cases land one
// unit away: 0.29 x 10,000 must be 2,900.0, not something just below it.
double DoubleProduct(double a, double b) {
  const uint16_t saved = X87ControlWord();
  const uint16_t precise = uint16_t((saved & ~kPrecisionMask) | kPrecisionDouble);
  double product;
  asm volatile("fldcw %[precise]\n\tfmull %[b]\n\tfldcw %[saved]"
               : "=t"(product)
               : "0"(a), [b] "m"(b), [precise] "m"(precise), [saved] "m"(saved));
  return RoundedToDouble(product);
}

double DoubleQuotient(double a, double b) {
  const uint16_t saved = X87ControlWord();
  const uint16_t precise = uint16_t((saved & ~kPrecisionMask) | kPrecisionDouble);
  double quotient;
  asm volatile("fldcw %[precise]\n\tfdivl %[b]\n\tfldcw %[saved]"
               : "=t"(quotient)
               : "0"(a), [b] "m"(b), [precise] "m"(precise), [saved] "m"(saved));
  return RoundedToDouble(quotient);
}

// The range tests come first: converting an out-of-range value is undefined in C++. The casts
// themselves truncate, and the compiler sets the x87 rounding mode for just that instruction.
int32_t TruncateToSInt32(double value) {
  if (!(value > -kTwoTo31 - 1.0 && value < kTwoTo31)) return INT32_MIN;
  return static_cast<int32_t>(value);
}

int64_t TruncateToSInt64(double value) {
  if (!(value >= -kTwoTo63 && value < kTwoTo63)) return INT64_MIN;
  return static_cast<int64_t>(value);
}

uint64_t TruncateToUInt64(double value) {
  if (value >= kTwoTo63 && value < kTwoTo64)
    return static_cast<uint64_t>(static_cast<int64_t>(value - kTwoTo63)) + (uint64_t{1} << 63);
  return static_cast<uint64_t>(TruncateToSInt64(value));
}

Currency ScaledToCurrency(uint64_t value) {
  return static_cast<Currency>(value * static_cast<uint64_t>(kCurrencyScale));
}

}  // namespace

extern "C" double RuntimeCvtSInt32ToReal64(int32_t value) { return value; }
QV_EXPORT(RuntimeCvtSInt32ToReal64)

extern "C" double RuntimeCvtUInt32ToReal64(uint32_t value) { return value; }
QV_EXPORT(RuntimeCvtUInt32ToReal64)

extern "C" double RuntimeCvtSInt64ToReal64(int64_t value) {
  return RoundedToDouble(static_cast<double>(value));
}
QV_EXPORT(RuntimeCvtSInt64ToReal64)

extern "C" double RuntimeCvtUInt64ToReal64(uint64_t value) {
  // Loaded exactly, with 2^64 added exactly for the top half; the one rounding is the store.
  return RoundedToDouble(static_cast<double>(value));
}
QV_EXPORT(RuntimeCvtUInt64ToReal64)

extern "C" Currency RuntimeCvtSInt32ToCurrency(int32_t value) { return Currency{value} * 10000; }
QV_EXPORT(RuntimeCvtSInt32ToCurrency)

extern "C" Currency RuntimeCvtUInt32ToCurrency(uint32_t value) { return Currency{value} * 10000; }
QV_EXPORT(RuntimeCvtUInt32ToCurrency)

extern "C" Currency RuntimeCvtSInt64ToCurrency(int64_t value) {
  return ScaledToCurrency(static_cast<uint64_t>(value));
}
QV_EXPORT(RuntimeCvtSInt64ToCurrency)

extern "C" Currency RuntimeCvtUInt64ToCurrency(uint64_t value) { return ScaledToCurrency(value); }
QV_EXPORT(RuntimeCvtUInt64ToCurrency)

// Each conversion from a real has a Single and a Double entry point with one body (a Single
// widens to double exactly): defines and exports RuntimeCvtReal32To<Target> and
// RuntimeCvtReal64To<Target>.
#define QV_REAL_CONVERSION(Target, Result, body)                                \
  extern "C" Result RuntimeCvtReal32To##Target(float value) { return body; }  \
  QV_EXPORT(RuntimeCvtReal32To##Target)                                       \
  extern "C" Result RuntimeCvtReal64To##Target(double value) { return body; } \
  QV_EXPORT(RuntimeCvtReal64To##Target)

QV_REAL_CONVERSION(SInt32, int32_t, TruncateToSInt32(value))
QV_REAL_CONVERSION(UInt32, uint32_t, static_cast<uint32_t>(TruncateToSInt64(value)))
QV_REAL_CONVERSION(SInt64, int64_t, TruncateToSInt64(value))
QV_REAL_CONVERSION(UInt64, uint64_t, TruncateToUInt64(value))
QV_REAL_CONVERSION(Currency, Currency, TruncateToSInt64(DoubleProduct(value, kScale)))

extern "C" int32_t RuntimeCvtCurrencyToSInt32(Currency amount) {
  return static_cast<int32_t>(amount / kCurrencyScale);
}
QV_EXPORT(RuntimeCvtCurrencyToSInt32)

extern "C" uint32_t RuntimeCvtCurrencyToUInt32(Currency amount) {
  return static_cast<uint32_t>(amount / kCurrencyScale);
}
QV_EXPORT(RuntimeCvtCurrencyToUInt32)

extern "C" int64_t RuntimeCvtCurrencyToSInt64(Currency amount) { return amount / kCurrencyScale; }
QV_EXPORT(RuntimeCvtCurrencyToSInt64)

extern "C" uint64_t RuntimeCvtCurrencyToUInt64(Currency amount) {
  return static_cast<uint64_t>(amount / kCurrencyScale);
}
QV_EXPORT(RuntimeCvtCurrencyToUInt64)

extern "C" double RuntimeCvtCurrencyToReal64(Currency amount) {
  return DoubleQuotient(RoundedToDouble(static_cast<double>(amount)), kScale);
}
QV_EXPORT(RuntimeCvtCurrencyToReal64)

// The older names compiled code also links: the same conversions.
QV_EXPORT_AS("FPToInt", RuntimeCvtReal64ToSInt32)
QV_EXPORT_AS("SingleToInt", RuntimeCvtReal32ToSInt32)
QV_EXPORT_AS("IntToFP", RuntimeCvtSInt32ToReal64)
