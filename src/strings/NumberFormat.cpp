#include "strings/NumberFormat.h"

#include <langinfo.h>

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/ByteUtilities.h"
#include "core/Export.h"
#include "strings/FixedPointText.h"
#include "strings/TextEncoding.h"

DoubleDigits::DoubleDigits(double value, bool fixed, int32_t precision) : mFixed(fixed) {
  if (value == 0.0) value = 0.0;  // a negative zero prints as zero
  if (precision < 0) precision = 0;
  static_assert(sizeof mInline > kFixedPointTextRoom, "fixed-point text fits inline");
  char* end = fixed ? PrintFixedPoint(mInline, value, precision) : nullptr;
  if (end) {
    Finish({end, std::errc()});  // neither NaN nor infinity
    if (value < 0 && IsNegativeZero()) {
      ++mText;
      --mLength;
    }
    return;
  }
  if (fixed) {
    Print(true, precision, value);
  } else {
    Print(false, precision > 0 ? precision - 1 : 0, value);
    DropExponentZero();
  }
  if (EndsWithNaN()) {
    std::memcpy(mText, "NaN", 4);
    mLength = 3;
  } else if (IsNegativeZero()) {
    ++mText;
    --mLength;
  }
}

DoubleDigits::~DoubleDigits() {
  if (mHeap) std::free(mHeap);
}

// The C library's "%.*f" and "%.*e" digits for the double's exact value, without its locale:
// the text always has a ".". Most fixed-form texts come from PrintFixedPoint before this.
void DoubleDigits::Print(bool fixed, int32_t precision, double value) {
  std::chars_format form = fixed ? std::chars_format::fixed : std::chars_format::scientific;
  std::to_chars_result printed =
      std::to_chars(mInline, mInline + sizeof mInline - 1, value, form, precision);
  if (printed.ec == std::errc::value_too_large) {
    PrintLong(fixed, precision, value);
    return;
  }
  Finish(printed);
}

// A text too long for the inline buffer goes into a heap buffer sized for the longest text a
// double can print with this precision (309 integer digits, or a three-digit exponent).
void DoubleDigits::PrintLong(bool fixed, int32_t precision, double value) {
  uint64_t room = static_cast<uint64_t>(precision) + (fixed ? 313 : 10);
  mHeap = room < INT32_MAX ? static_cast<char*>(std::malloc(room + 1)) : nullptr;
  if (!mHeap) return Finish({mText, std::errc::not_enough_memory});  // the empty text
  mText = mHeap;
  std::chars_format form = fixed ? std::chars_format::fixed : std::chars_format::scientific;
  Finish(std::to_chars(mHeap, mHeap + room, value, form, precision));
}

void DoubleDigits::Finish(std::to_chars_result printed) {
  mLength = printed.ec == std::errc() ? static_cast<int32_t>(printed.ptr - mText) : 0;
  mText[mLength] = '\0';
}

// "e+0" -> "e+": the exponent keeps no leading zero unless it is negative.
void DoubleDigits::DropExponentZero() {
  char* found = std::strstr(mText, "e+0");
  if (!found) return;
  char* zero = found + 2;
  std::memmove(zero, zero + 1, static_cast<size_t>(mText + mLength - zero));  // with the NUL
  --mLength;
}

bool DoubleDigits::EndsWithNaN() const {
  return mLength >= 3 && EqualIgnoringASCIICase(std::string_view(mText + mLength - 3, 3), "nan");
}

// "-" followed only by zeros and points: a negative value too small to show.
bool DoubleDigits::IsNegativeZero() const {
  return mText[0] == '-' && mText[1 + std::strspn(mText + 1, "0.")] == '\0';
}

int32_t DoubleDigits::ExponentIndexOfScientific() const {
  int32_t e = Find('e');
  return e < 0 ? mLength : e;
}

// The texts are mostly a dozen bytes, for which a call to memchr costs more than the loop.
int32_t DoubleDigits::Find(char byte) const {
  for (int32_t i = 0; i < mLength; ++i) {
    if (mText[i] == byte) return i;
  }
  return -1;
}

void DoubleDigits::Truncate(int32_t length) {
  mLength = length;
  mText[length] = '\0';
}

void DoubleDigits::DropTrailingZeros() {
  int32_t n = mLength;
  while (n > 0 && mText[n - 1] == '0') --n;
  Truncate(n);
}

void DoubleDigits::DropTrailingPoint() {
  if (mLength > 0 && mText[mLength - 1] == '.') Truncate(mLength - 1);
}

void DoubleDigits::DropZerosBefore(int32_t index) {
  int32_t start = index;
  while (start > 0 && mText[start - 1] == '0') --start;
  std::memmove(mText + start, mText + index, static_cast<size_t>(mLength - index) + 1);
  mLength -= index - start;
}

string DoubleDigits::ToString() const {
  return string::FromBytes(mText, mLength, kEncodingASCII);
}

namespace {

// No bytes at all read as none: a fuzz run once met a null here without a cause found yet.
string TextOf(const char* bytes, TextEncoding encoding) {
  if (!bytes) return string();
  return string::FromBytes(bytes, static_cast<int64_t>(std::strlen(bytes)), encoding);
}

const char* OrFallback(const char* text, const char* fallback) {
  return text && *text ? text : fallback;
}

int32_t IntegerDigitCount(double magnitude) {
  if (!std::isfinite(magnitude)) return 0;  // NaN and infinity never fall below 1
  int32_t n = 0;
  for (; magnitude >= 1.0; magnitude /= 10.0) ++n;
  return n;
}

int32_t ModeByMagnitude(double magnitude) {
  if (magnitude > 1e6) return kDoubleTextExponent;
  if (magnitude >= 1e-5 || std::isnan(magnitude) || magnitude == 0.0) return kDoubleTextFixed;
  return kDoubleTextExponent;
}

// bytes of the locale's character set in UTF-8; empty when they cannot be converted.
std::string LocaleBytesInUTF8(const char* bytes, const char* codeset) {
  std::string converted;
  return ConvertCharset(bytes, codeset, "UTF-8", &converted) ? converted : std::string();
}

// The locale's separators as it gives them (in its own character set) and in UTF-8, which the
// framework's strings are in: a single-byte locale writes a no-break space as A0 alone. Kept
// until the locale gives other bytes, since Format asks on every call; one per thread, as any
// thread may format.
struct LocaleSeparatorCache {
  std::string codeset, thousandsAsGiven, decimalPointAsGiven;
  std::string thousands = ",", decimalPoint = ".";

  void Refresh(const char* givenCodeset, const char* givenThousands, const char* givenPoint) {
    if (codeset == givenCodeset && thousandsAsGiven == givenThousands &&
        decimalPointAsGiven == givenPoint)
      return;
    codeset = givenCodeset;
    thousandsAsGiven = givenThousands;
    decimalPointAsGiven = givenPoint;
    thousands = OrFallback(LocaleBytesInUTF8(givenThousands, givenCodeset).c_str(), ",");
    decimalPoint = OrFallback(LocaleBytesInUTF8(givenPoint, givenCodeset).c_str(), ".");
  }
};

// The separator (UTF-8) in the encoding, or "" when the encoding lacks one of its characters.
std::string HeldIn(const std::string& separator, TextEncoding encoding) {
  const char* name = EncodingToIconvName(encoding);
  std::string converted;
  // Without a converter only ASCII, whose bytes the encoding keeps, is known to be held.
  return ConvertCharset(separator, "UTF-8", name ? name : "US-ASCII", &converted) ? converted
                                                                                  : std::string();
}

// The separators in the last encoding asked for, kept until the encoding or the locale's bytes
// change: Format converts them on every call otherwise.
struct EncodedSeparatorCache {
  TextEncoding encoding = kEncodingNone;
  std::string givenThousands, givenPoint;
  std::string thousands, decimalPoint;

  void Refresh(TextEncoding wanted, const char* localeThousands, const char* localePoint) {
    if (encoding == wanted && givenThousands == localeThousands && givenPoint == localePoint)
      return;
    encoding = wanted;
    givenThousands = localeThousands;
    givenPoint = localePoint;
    thousands = HeldIn(givenThousands, wanted);
    decimalPoint = HeldIn(givenPoint, wanted);
    if (thousands.empty()) thousands = decimalPoint == "," ? "." : ",";
    if (decimalPoint.empty()) decimalPoint = thousands == "." ? "," : ".";
  }
};

}  // namespace

void LocaleSeparatorBytes(const char** thousands, const char** decimalPoint) {
  thread_local LocaleSeparatorCache cache;
  cache.Refresh(nl_langinfo(CODESET), nl_langinfo(THOUSEP), nl_langinfo(RADIXCHAR));
  *thousands = cache.thousands.c_str();
  *decimalPoint = cache.decimalPoint.c_str();
}

void LocaleSeparatorBytesIn(TextEncoding encoding, const char** thousands,
                            const char** decimalPoint) {
  LocaleSeparatorBytes(thousands, decimalPoint);
  if (encoding == kEncodingUTF8 || encoding == kEncodingASCII || encoding == kEncodingNone) return;
  thread_local EncodedSeparatorCache cache;
  cache.Refresh(encoding, *thousands, *decimalPoint);
  *thousands = cache.thousands.c_str();
  *decimalPoint = cache.decimalPoint.c_str();
}

void GetLocaleSeparators(string* thousands, string* decimalPoint, string* dateSeparator,
                         string* timeSeparator) {
  const char* thousandsBytes;
  const char* decimalPointBytes;
  LocaleSeparatorBytes(&thousandsBytes, &decimalPointBytes);
  if (thousands) *thousands = TextOf(thousandsBytes, kEncodingUTF8);
  if (decimalPoint) *decimalPoint = TextOf(decimalPointBytes, kEncodingUTF8);
  if (dateSeparator) *dateSeparator = TextOf("/", kEncodingUTF8);
  if (timeSeparator) *timeSeparator = TextOf(":", kEncodingUTF8);
}

string FormatDoubleDigits(double value, bool fixed, int32_t precision) {
  return DoubleDigits(value, fixed, precision).ToString();
}

string DoubleToText(double value, int32_t mode, int32_t precision) {
  double magnitude = std::fabs(value);
  if (mode == kDoubleTextByMagnitude) mode = ModeByMagnitude(magnitude);
  if (mode != kDoubleTextFixed) return FormatDoubleDigits(value, false, precision);
  precision -= IntegerDigitCount(magnitude);
  DoubleDigits digits(value, true, precision);
  if (precision > 0) {
    digits.DropTrailingZeros();
    digits.DropTrailingPoint();
  }
  return digits.ToString();
}

extern "C" stringStorage* StringStrDouble(double value) {
  return DoubleToText(value, kDoubleTextByMagnitude, 7).ExtractStringStorage();
}
QV_EXPORT(StringStrDouble)

extern "C" stringStorage* StringStrSingle(float value) {
  return DoubleToText(value, kDoubleTextByMagnitude, 7).ExtractStringStorage();
}
QV_EXPORT(StringStrSingle)
