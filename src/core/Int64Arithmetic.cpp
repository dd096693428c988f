#include "core/Int64Arithmetic.h"

#include "core/Export.h"
#include "core/UInt128.h"

namespace {

uint64_t Magnitude(int64_t value) {
  return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

// The low 64 bits of a signed quotient whose magnitude is given, as two's complement.
int64_t WithSign(const UInt128& magnitude, bool negative) {
  uint64_t low = negative ? 0 - magnitude.low : magnitude.low;
  return static_cast<int64_t>(low);
}


}  // namespace

extern "C" int64_t RuntimeMulSInt64(int64_t a, int64_t b) {
  return static_cast<int64_t>(RuntimeMulUInt64(static_cast<uint64_t>(a), static_cast<uint64_t>(b)));
}
QV_EXPORT(RuntimeMulSInt64)

extern "C" uint64_t RuntimeMulUInt64(uint64_t a, uint64_t b) { return a * b; }
QV_EXPORT(RuntimeMulUInt64)

// The most negative value divided by -1 wraps to itself, as all 64-bit arithmetic wraps; the
// hardware division would trap on it.
extern "C" int64_t RuntimeDivSInt64(int64_t a, int64_t b) {
  if (b == 0) return 0;
  if (b == -1) return static_cast<int64_t>(0 - static_cast<uint64_t>(a));
  return a / b;
}
QV_EXPORT(RuntimeDivSInt64)

extern "C" uint64_t RuntimeDivUInt64(uint64_t a, uint64_t b) {
  if (b == 0) return 0;
  return a / b;
}
QV_EXPORT(RuntimeDivUInt64)

extern "C" int64_t RuntimeModSInt64(int64_t a, int64_t b) {
  // Every remainder by -1 is 0; computing the most negative value's could trap.
  if (b == 0 || b == -1) return 0;
  return a % b;
}
QV_EXPORT(RuntimeModSInt64)

extern "C" uint64_t RuntimeModUInt64(uint64_t a, uint64_t b) {
  if (b == 0) return 0;
  return a % b;
}
QV_EXPORT(RuntimeModUInt64)

extern "C" Currency RuntimeMulCurrency(Currency a, Currency b) {
  UInt128 product = MultiplyWide(Magnitude(a), Magnitude(b));
  return WithSign(DivideWide(product, kCurrencyScale), (a < 0) != (b < 0));
}
QV_EXPORT(RuntimeMulCurrency)

extern "C" Currency RuntimeDivCurrency(Currency a, Currency b) {
  if (b == 0) return 0;
  UInt128 scaled = MultiplyWide(Magnitude(a), kCurrencyScale);
  return WithSign(DivideWide(scaled, Magnitude(b)), (a < 0) != (b < 0));
}
QV_EXPORT(RuntimeDivCurrency)
