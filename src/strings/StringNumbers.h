// Numbers to text and text to numbers for compiled code: Str of every integer type, Val (which
// always reads in the C locale, so "2.5" is 2.5 under any locale), CDbl (which reads the user's
// separators) and CLong. Str of Double and Single, and Format, live in NumberFormat.h and
// FormatPicture.h.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// The bytes number parsers read: text whose digits are single bytes as it is, 16- and 32-bit
// Unicode as UTF-8.
string AsByteText(const string& text);

// Val: the leading number of text as strtod reads it in the C locale; "&h", "&o" and "&b"
// read hexadecimal, octal and binary digits from the third byte on. *notANumber (when given)
// is set for empty text, an unknown "&" prefix, a bad digit after one, or text outside the
// grammar: blanks (space, tab, LF, CR), an optional sign, digits with commas among those before
// the point, an optional point and decimals (at least one digit in all), an optional exponent
// ("e", "E", "d" or "D", optional sign, digits), then blanks only.
double Val(const string& text, bool* notANumber);

// CDbl: Val after dropping the locale's thousands separator and turning its decimal separator
// into ".", both matched as characters, so that the same characters read as the same number in
// every encoding.
double LocaleVal(const string& text);

// CLong: "&" with "b", "h" or "o" (either case) and digits of that base, or an optional "-" and
// decimal digits. Reading stops at the first byte that is no digit of the base; the value wraps
// at 64 bits. Empty text and an unknown prefix give 0.
int64_t ParseLong(const string& text);

// What numeric text is: not a number, an integer, or floating-point. "&" with "h", "o" or "b"
// (either case) and only digits of that base is an integer (the digits may be none); otherwise
// the text must be decimal digits with an optional point and decimals (at least one digit in
// all, the first byte a digit or the point), then an optional exponent ("e" or "E", an optional
// sign, digits: none reads as 0), and nothing else. A point, an exponent or a value beyond
// 2147483647 make it floating-point. No sign and no blank is accepted.
enum NumericTextTypes : int32_t { kNotNumericText = 0, kIntegerText = 1, kFloatingText = 2 };
int32_t NumericTextType(const string& text);

extern "C" {
int32_t RuntimeTypeOfNumeric(stringStorage* text);
stringStorage* StringStrInt8(int8_t value);
stringStorage* StringStrUInt8(uint8_t value);
stringStorage* StringStrInt16(int16_t value);
stringStorage* StringStrUInt16(uint16_t value);
stringStorage* StringStrInt32(int32_t value);
stringStorage* StringStrUInt32(uint32_t value);
stringStorage* StringStrInt64(int64_t value);
stringStorage* StringStrUInt64(uint64_t value);
double StringVal(stringStorage* text);
double runCDbl(stringStorage* text);
int64_t runCLong(stringStorage* text);
}
