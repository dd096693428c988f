#include "core/NumberText.h"

#include <locale.h>

#include <cstdio>

#include "core/CLocale.h"

namespace {

// Longest decimal text of a 64-bit value: 20 digits and a sign.
constexpr int kDecimalRoom = 24;

// Writes the digits of magnitude backwards from end; answers where they start. Below 2^32 in
// 32-bit arithmetic, which the compiler does by multiplication; a 64-bit division is a library
// call on i386.
char* DecimalDigits(uint64_t magnitude, char* end) {
  char* cursor = end;
  for (; magnitude > UINT32_MAX; magnitude /= 10)
    *--cursor = static_cast<char>('0' + magnitude % 10);
  auto small = static_cast<uint32_t>(magnitude);
  do {
    *--cursor = static_cast<char>('0' + small % 10);
    small /= 10;
  } while (small != 0);
  return cursor;
}

string DecimalText(uint64_t magnitude, bool negative) {
  char buffer[kDecimalRoom];
  char* end = buffer + sizeof buffer;
  char* start = DecimalDigits(magnitude, end);
  if (negative) *--start = '-';
  return string::FromBytes(start, end - start, kEncodingASCII);
}

// The C library's printf with the C locale current on this thread for the one call.
template <typename... Args>
string PrintedInCLocale(const char* format, Args... args) {
  char buffer[64];
  locale_t previous = uselocale(CLocale());
  int length = std::snprintf(buffer, sizeof buffer, format, args...);
  uselocale(previous);
  if (length < 0) return string();
  if (length >= static_cast<int>(sizeof buffer)) length = sizeof buffer - 1;
  return string::FromBytes(buffer, length, kEncodingASCII);
}

}  // namespace

// The digits "%ld" prints, without the call into the C library's printf.
string ultoa(int32_t value) { return ulltoa(value); }

string ulltoa(int64_t value) {
  uint64_t bits = static_cast<uint64_t>(value);
  return value < 0 ? DecimalText(0 - bits, true) : DecimalText(bits, false);
}

string uulltoa(uint64_t value) { return DecimalText(value, false); }

string udtoa(double value, bool exponent) {
  if (value == 0.0) value = 0.0;  // drops the sign of a negative zero
  return PrintedInCLocale(exponent ? "%e" : "%g", value);
}

string ultohexa(uint32_t value) {
  return PrintedInCLocale("%08lX", static_cast<unsigned long>(value));
}
