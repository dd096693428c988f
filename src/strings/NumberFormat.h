// Number formatting: doubles as text, through one primitive (FormatDoubleDigits) that prints in
// fixed or exponent form with a chosen precision, and the plain conversion of Str and CStr on
// top of it (DoubleToText). The Format picture language sits on the same primitive
// (FormatPicture.h).
//
// Digits are those of the C library's "%f" and "%e" for the double's exact value, and the text
// always carries a "." whatever the user's locale: only the Format pictures print the locale's
// separators. Results are ASCII-tagged (0x0600).
#pragma once

#include <charconv>
#include <cstdint>

#include "strings/RuntimeString.h"

// The primitive's work area: the printed text in an inline buffer (or a heap one for long
// texts), edited in place by the formatters before it becomes a string.
class DoubleDigits {
 public:
  // value printed as FormatDoubleDigits describes.
  DoubleDigits(double value, bool fixed, int32_t precision);
  ~DoubleDigits();
  DoubleDigits(const DoubleDigits&) = delete;
  DoubleDigits& operator=(const DoubleDigits&) = delete;

  const char* Text() const { return mText; }  // NUL-terminated
  int32_t Length() const { return mLength; }
  int32_t Find(char byte) const;  // first index of byte, or -1
  // Index of the exponent's "e", or the length when the text has none (fixed form).
  int32_t ExponentIndex() const { return mFixed ? mLength : ExponentIndexOfScientific(); }
  void Truncate(int32_t length);
  void DropTrailingZeros();
  void DropTrailingPoint();  // one "." at the end
  // The run of "0" characters right before index.
  void DropZerosBefore(int32_t index);
  string ToString() const;  // ASCII-tagged

 private:
  void Print(bool fixed, int32_t precision, double value);
  void PrintLong(bool fixed, int32_t precision, double value);
  void Finish(std::to_chars_result printed);
  void DropExponentZero();
  bool EndsWithNaN() const;
  bool IsNegativeZero() const;
  int32_t ExponentIndexOfScientific() const;

  char mInline[48];
  char* mHeap = nullptr;
  char* mText = mInline;
  int32_t mLength = 0;
  bool mFixed;
};

// The locale's thousands separator and decimal point as bytes, for the formatters' inner loops:
// converted to UTF-8 from the locale's character set, and never empty ("," and "." stand in for
// a separator the locale lacks or that cannot be converted). Every reader of the locale's
// separators comes here. The bytes stay valid until the thread's next call.
void LocaleSeparatorBytes(const char** thousands, const char** decimalPoint);

// The same separators as bytes of text in an encoding in which ASCII keeps its bytes, for the
// pictures Format lays out in it: UTF-8, ASCII and none take them as they are; another encoding
// takes them converted where it holds them. One that it lacks gives way to its stand-in, ","
// for the thousands and "." for the point, or to the other stand-in where the other separator
// is already its own: no "?" reaches the text and no mark means both things. The stand-ins are
// for display alone; parsing reads the locale's own separators. The bytes stay valid until the
// thread's next call.
void LocaleSeparatorBytesIn(TextEncoding encoding, const char** thousands,
                            const char** decimalPoint);

// The process locale's separators, read afresh on every call and tagged UTF-8. Each out-string
// is filled only when given: thousands ("," when the locale has none), decimal point ("." when
// none), date "/" and time ":".
void GetLocaleSeparators(string* thousands, string* decimalPoint, string* dateSeparator,
                         string* timeSeparator);

// value printed with "%.<precision>f" (fixed) or "%.<precision - 1>e", the exponent's leading
// zero dropped ("1.5e+5", but "1.5e-05"); a negative zero, and a negative value that prints as
// all zeros, lose their sign; any NaN is "NaN". A negative precision counts as 0. The text is
// as long as the value needs ("%.2f" of 1e308 is over 300 characters).
string FormatDoubleDigits(double value, bool fixed, int32_t precision);

// Modes of DoubleToText.
constexpr int32_t kDoubleTextExponent = 0;
constexpr int32_t kDoubleTextFixed = 1;
constexpr int32_t kDoubleTextByMagnitude = -1;  // exponent above 1e6 and below 1e-5, else fixed

// value with precision significant digits; in fixed form trailing zeros (and then a trailing
// point) are dropped. Fixed form of a value with more integer digits than the precision prints
// them all with no decimals.
string DoubleToText(double value, int32_t mode, int32_t precision);

extern "C" {
// Str and CStr of a Double or Single: DoubleToText by magnitude with 7 significant digits.
stringStorage* StringStrDouble(double value);
stringStorage* StringStrSingle(float value);
}
