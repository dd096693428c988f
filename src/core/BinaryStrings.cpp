#include "core/BinaryStrings.h"

#include "core/RuntimeError.h"
#include "strings/TextEncoding.h"

namespace {

constexpr uint32_t kUnknownCode = 0x3F3F3F3F;  // '????'

uint32_t BigEndianValue(const unsigned char* bytes, int count) {
  uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = (value << 8) | bytes[i];
  return value;
}

string BigEndianBytes(uint32_t value, int count, TextEncoding encoding) {
  unsigned char bytes[4];
  for (int i = count - 1; i >= 0; --i, value >>= 8) bytes[i] = static_cast<unsigned char>(value);
  return string::FromBytes(bytes, count, encoding);
}

}  // namespace

string FourCharCodeToString(uint32_t code) { return BigEndianBytes(code, 4, kEncodingMacRoman); }

uint32_t StringToFourCharCode(const string& s) {
  string roman = ConvertEncoding(s, kEncodingMacRoman);
  if (roman.Length() != 4) return kUnknownCode;
  return BigEndianValue(roman.Bytes(), 4);
}

string WriteShortAsBits(uint16_t value) {
  const unsigned char bytes[2] = {static_cast<unsigned char>(value),
                                  static_cast<unsigned char>(value >> 8)};
  return string::FromBytes(bytes, 2, kEncodingASCII);
}

string WriteLongAsBits(uint32_t value) { return BigEndianBytes(value, 4, kEncodingASCII); }

uint16_t ReadShortAsBits(const string& bytes) {
  if (!QV_CHECK(bytes.Length() >= 2)) return 0;
  return static_cast<uint16_t>(bytes.Bytes()[0] | (bytes.Bytes()[1] << 8));
}

uint32_t ReadLongAsBits(const string& bytes) {
  if (!QV_CHECK(bytes.Length() >= 4)) return 0;
  return BigEndianValue(bytes.Bytes(), 4);
}
