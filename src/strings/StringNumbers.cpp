#include "strings/StringNumbers.h"

#include <algorithm>
#include <cmath>

#include "core/ByteUtilities.h"
#include "core/Export.h"
#include "core/NumberText.h"
#include "strings/NumberBases.h"
#include "strings/NumberFormat.h"
#include "strings/StringReplace.h"
#include "strings/TextEncoding.h"

string AsByteText(const string& text) {
  return IsASCIITransparentEncoding(text.Encoding()) ? text : ConvertEncoding(text, kEncodingUTF8);
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

const char* SkipBlanks(const char* p, const char* end) {
  while (p < end && IsBlank(*p)) ++p;
  return p;
}

const char* SkipDigits(const char* p, const char* end, bool* any) {
  for (; p < end && IsDigit(*p); ++p) *any = true;
  return p;
}


bool IsValNumber(const char* p, const char* end) {
  p = SkipBlanks(p, end);
  if (p < end && (*p == '+' || *p == '-')) ++p;
  bool digits = false;
  for (; p < end && (IsDigit(*p) || (*p == ',' && digits)); ++p) digits |= IsDigit(*p);
  if (p < end && *p == '.') p = SkipDigits(p + 1, end, &digits);
  if (!digits) return false;
  if (p < end && (*p == 'e' || *p == 'E' || *p == 'd' || *p == 'D')) {
    ++p;
    if (p < end && (*p == '+' || *p == '-')) ++p;
    bool exponentDigits = false;
    p = SkipDigits(p, end, &exponentDigits);
    if (!exponentDigits) return false;
  }
  return SkipBlanks(p, end) == end;
}

// "&" and a base letter; digits read from the byte after the letter.
double PrefixedVal(const char* text, int32_t length, bool* notANumber) {
  const char* digits = text + 2;
  int32_t count = length - 2;
  switch (text[1] | 0x20) {
    case 'h':
      return HexVal(digits, count, notANumber);
    case 'o':
      return ParseOctalDigits(digits, count, notANumber);
    case 'b':
      return ParseBinaryDigits(digits, count, notANumber);
    default:
      if (notANumber) *notANumber = true;
      return 0;
  }
}

int32_t DigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') return (c | 0x20) - 'a' + 10;
  return 99;
}

// Wraps at 64 bits, as all 64-bit arithmetic does.
uint64_t ReadDigits(const char* p, const char* end, uint32_t base) {
  uint64_t value = 0;
  for (; p < end && static_cast<uint32_t>(DigitValue(*p)) < base; ++p) {
    value = value * base + static_cast<uint64_t>(DigitValue(*p));
  }
  return value;
}

uint32_t BaseOfLetter(char letter) {
  switch (letter | 0x20) {
    case 'b':
      return 2;
    case 'o':
      return 8;
    case 'h':
      return 16;
    default:
      return 0;
  }
}

// Exponents saturate here, long before 10 to the exponent stops being infinite or zero.
constexpr int32_t kExponentLimit = 100000;

int32_t ReadExponent(const char** p, const char* end) {
  bool negative = false;
  if (*p < end && (**p == '+' || **p == '-')) negative = *(*p)++ == '-';
  int32_t exponent = 0;
  for (; *p < end && IsDigit(**p); ++*p) {
    exponent = std::min(exponent * 10 + (**p - '0'), kExponentLimit);
  }
  return negative ? -exponent : exponent;
}

}  // namespace

int32_t NumericTextType(const string& text) {
  if (text.IsEmpty()) return kNotNumericText;
  const string bytes = AsByteText(text);
  const char* p = bytes.CString();
  const char* end = p + bytes.Length();
  if (*p == '&') {
    const uint32_t base = p + 1 < end ? BaseOfLetter(p[1]) : 0;
    if (!base) return kNotNumericText;
    for (p += 2; p < end && static_cast<uint32_t>(DigitValue(*p)) < base;) ++p;
    return p == end ? kIntegerText : kNotNumericText;
  }
  double value = 0;
  bool digits = false, floating = false;
  for (; p < end && IsDigit(*p); ++p, digits = true) value = value * 10 + (*p - '0');
  if (p < end && *p == '.') {
    floating = true;
    double scale = 0.1;
    for (++p; p < end && IsDigit(*p); ++p, scale /= 10, digits = true) value += (*p - '0') * scale;
  }
  if (!digits) return kNotNumericText;
  if (p < end && (*p == 'e' || *p == 'E')) {
    ++p;
    value *= std::pow(10.0, ReadExponent(&p, end));
    floating = true;
  }
  if (p != end) return kNotNumericText;
  if (value > 2147483647.0 || value < -2147483647.0) floating = true;
  return floating ? kFloatingText : kIntegerText;
}

double Val(const string& text, bool* notANumber) {
  if (notANumber) *notANumber = false;
  if (text.IsEmpty()) {
    if (notANumber) *notANumber = true;
    return 0;
  }
  string bytes = AsByteText(text);
  const char* p = bytes.CString();
  int32_t length = bytes.Length();
  if (length >= 2 && p[0] == '&') return PrefixedVal(p, length, notANumber);
  if (notANumber) *notANumber = !IsValNumber(p, p + length);
  return uatod(p);
}

double LocaleVal(const string& text) {
  if (text.IsEmpty()) return 0;
  // Read as characters, against the locale's own separators: the stand-ins that Format writes
  // into an encoding that lacks them are no separators of the locale, and taken as such they
  // read "3.14" as 314 in Latin-1 and as 3.14 in UTF-8.
  const string characters = ConvertEncoding(text, kEncodingUTF8);
  string thousands, decimalPoint;
  GetLocaleSeparators(&thousands, &decimalPoint, nullptr, nullptr);
  string plain = ReplaceText(characters, thousands, string(), true, false);
  return Val(ReplaceText(plain, decimalPoint, string("."), true, false), nullptr);
}

int64_t ParseLong(const string& text) {
  string ascii = ConvertEncoding(text, kEncodingASCII);
  const char* p = ascii.CString();
  const char* end = p + ascii.Length();
  if (p == end) return 0;
  if (*p == '&') {
    uint32_t base = p + 1 < end ? BaseOfLetter(p[1]) : 0;
    return base ? static_cast<int64_t>(ReadDigits(p + 2, end, base)) : 0;
  }
  bool negative = *p == '-';
  uint64_t magnitude = ReadDigits(p + (negative ? 1 : 0), end, 10);
  return static_cast<int64_t>(negative ? 0 - magnitude : magnitude);
}

extern "C" {

stringStorage* StringStrInt8(int8_t value) { return ultoa(value).ExtractStringStorage(); }
QV_EXPORT(StringStrInt8)

stringStorage* StringStrUInt8(uint8_t value) { return ultoa(value).ExtractStringStorage(); }
QV_EXPORT(StringStrUInt8)

stringStorage* StringStrInt16(int16_t value) { return ultoa(value).ExtractStringStorage(); }
QV_EXPORT(StringStrInt16)

stringStorage* StringStrUInt16(uint16_t value) { return ultoa(value).ExtractStringStorage(); }
QV_EXPORT(StringStrUInt16)

stringStorage* StringStrInt32(int32_t value) { return ultoa(value).ExtractStringStorage(); }
QV_EXPORT(StringStrInt32)

stringStorage* StringStrUInt32(uint32_t value) { return uulltoa(value).ExtractStringStorage(); }
QV_EXPORT(StringStrUInt32)

stringStorage* StringStrInt64(int64_t value) { return ulltoa(value).ExtractStringStorage(); }
QV_EXPORT(StringStrInt64)

stringStorage* StringStrUInt64(uint64_t value) { return uulltoa(value).ExtractStringStorage(); }
QV_EXPORT(StringStrUInt64)

double StringVal(stringStorage* text) { return Val(string(text), nullptr); }
QV_EXPORT(StringVal)

double runCDbl(stringStorage* text) { return LocaleVal(string(text)); }
QV_EXPORT(runCDbl)

int64_t runCLong(stringStorage* text) { return ParseLong(string(text)); }
QV_EXPORT(runCLong)

int32_t RuntimeTypeOfNumeric(stringStorage* text) { return NumericTextType(string(text)); }
QV_EXPORT(RuntimeTypeOfNumeric)

}  // extern "C"
