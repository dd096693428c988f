#include "strings/NumberBases.h"

#include <cstring>

#include "core/Export.h"
#include "core/NumericConversions.h"

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

// Digits of the low widthBits bits of value, bitsPerDigit (1, 3 or 4) at a time.
string Digits(uint64_t value, int32_t widthBits, int32_t bitsPerDigit) {
  if (widthBits < 64) value &= (uint64_t{1} << widthBits) - 1;
  char buffer[64];
  char* p = buffer + sizeof buffer;
  const uint64_t mask = (uint64_t{1} << bitsPerDigit) - 1;
  do {
    *--p = kDigits[value & mask];
    value >>= bitsPerDigit;
  } while (value != 0);
  return string::FromBytes(p, buffer + sizeof buffer - p, kEncodingASCII);
}

string TypedDigits(const void* value, int32_t typeCode, int32_t bitsPerDigit) {
  static constexpr int32_t kWidthBytes[] = {1, 1, 2, 2, 4, 4, 8, 8};
  if (!value || typeCode < kTypeInt8 || typeCode > kTypeUInt64) return string();
  uint64_t bits = 0;
  std::memcpy(&bits, value, static_cast<size_t>(kWidthBytes[typeCode]));  // little-endian
  return Digits(bits, 8 * kWidthBytes[typeCode], bitsPerDigit);
}

// The value of byte as a digit of a base up to 36, or -1.
int32_t DigitValue(unsigned char byte, bool lettersAreDigits) {
  if (byte >= '0' && byte <= '9') return byte - '0';
  if (!lettersAreDigits) return -1;
  if (byte >= 'A' && byte <= 'Z') return byte - 'A' + 10;
  if (byte >= 'a' && byte <= 'z') return byte - 'a' + 10;
  return -1;
}

uint32_t ParseDigits(const char* text, int32_t length, bool* badDigit, int32_t shift,
                     int32_t base, bool lettersAreDigits) {
  if (badDigit) *badDigit = false;
  uint32_t value = 0;
  for (int32_t i = 0; text && i < length; ++i) {
    int32_t digit = DigitValue(static_cast<unsigned char>(text[i]), lettersAreDigits);
    if (digit < 0 || (!lettersAreDigits && digit >= base)) {
      if (badDigit) *badDigit = true;
      continue;
    }
    value = (value << shift) + static_cast<uint32_t>(digit);
  }
  return value;
}

template <typename T>
stringStorage* Typed(T value, int32_t typeCode, int32_t bitsPerDigit) {
  return TypedDigits(&value, typeCode, bitsPerDigit).ExtractStringStorage();
}

constexpr int32_t kBin = 1, kOct = 3, kHex = 4;

}  // namespace

string BinToString(int32_t value) { return Digits(static_cast<uint32_t>(value), 32, kBin); }
string OctToString(int32_t value) { return Digits(static_cast<uint32_t>(value), 32, kOct); }
string HexToString(uint32_t value) { return Digits(value, 32, kHex); }

string ValueToBinaryString(const void* value, int32_t typeCode) {
  return TypedDigits(value, typeCode, kBin);
}
string ValueToOctalString(const void* value, int32_t typeCode) {
  return TypedDigits(value, typeCode, kOct);
}
string ValueToHexString(const void* value, int32_t typeCode) {
  return TypedDigits(value, typeCode, kHex);
}

uint32_t HexVal(const char* text, int32_t length, bool* badDigit) {
  return ParseDigits(text, length, badDigit, 4, 16, true);
}
uint32_t ParseOctalDigits(const char* text, int32_t length, bool* badDigit) {
  return ParseDigits(text, length, badDigit, 3, 8, false);
}
uint32_t ParseBinaryDigits(const char* text, int32_t length, bool* badDigit) {
  return ParseDigits(text, length, badDigit, 1, 2, false);
}

extern "C" stringStorage* RuntimeBin(int32_t value) { return BinToString(value).ExtractStringStorage(); }
QV_EXPORT(RuntimeBin)
extern "C" stringStorage* RuntimeOct(int32_t value) { return OctToString(value).ExtractStringStorage(); }
QV_EXPORT(RuntimeOct)
extern "C" stringStorage* RuntimeHex(int32_t value) {
  return HexToString(static_cast<uint32_t>(value)).ExtractStringStorage();
}
QV_EXPORT(RuntimeHex)

// The typed and floating-point forms of one base, all through the same digit maker.
#define QV_BASE_FAMILY(Base, bits, Plain)                                                        \
  extern "C" stringStorage* Runtime##Base##Int8(int8_t v) { return Typed(v, kTypeInt8, bits); } \
  QV_EXPORT(Runtime##Base##Int8)                                                                \
  extern "C" stringStorage* Runtime##Base##UInt8(uint8_t v) { return Typed(v, kTypeUInt8, bits); } \
  QV_EXPORT(Runtime##Base##UInt8)                                                               \
  extern "C" stringStorage* Runtime##Base##Int16(int16_t v) { return Typed(v, kTypeInt16, bits); } \
  QV_EXPORT(Runtime##Base##Int16)                                                               \
  extern "C" stringStorage* Runtime##Base##UInt16(uint16_t v) {                                 \
    return Typed(v, kTypeUInt16, bits);                                                         \
  }                                                                                             \
  QV_EXPORT(Runtime##Base##UInt16)                                                              \
  extern "C" stringStorage* Runtime##Base##UInt32(uint32_t v) {                                 \
    return Typed(v, kTypeUInt32, bits);                                                         \
  }                                                                                             \
  QV_EXPORT(Runtime##Base##UInt32)                                                              \
  extern "C" stringStorage* Runtime##Base##Int64(int64_t v) { return Typed(v, kTypeInt64, bits); } \
  QV_EXPORT(Runtime##Base##Int64)                                                               \
  extern "C" stringStorage* Runtime##Base##UInt64(uint64_t v) {                                 \
    return Typed(v, kTypeUInt64, bits);                                                         \
  }                                                                                             \
  QV_EXPORT(Runtime##Base##UInt64)                                                              \
  extern "C" stringStorage* Runtime##Base##Single(float v) {                                    \
    return Plain(RuntimeCvtReal32ToSInt32(v));                                                  \
  }                                                                                             \
  QV_EXPORT(Runtime##Base##Single)                                                              \
  extern "C" stringStorage* Runtime##Base##Double(double v) {                                   \
    return Plain(RuntimeCvtReal64ToSInt32(v));                                                  \
  }                                                                                             \
  QV_EXPORT(Runtime##Base##Double)

QV_BASE_FAMILY(Bin, kBin, RuntimeBin)
QV_BASE_FAMILY(Oct, kOct, RuntimeOct)
QV_BASE_FAMILY(Hex, kHex, RuntimeHex)
