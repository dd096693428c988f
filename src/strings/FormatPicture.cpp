#include "strings/FormatPicture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "core/ByteUtilities.h"
#include "core/Export.h"
#include "strings/NumberFormat.h"
#include "strings/TextEncoding.h"
#include "strings/UTF8.h"

namespace {

constexpr char kScientific[] = "-#.000000E+";

struct Section {
  const char* begin;
  const char* end;
  bool utf8;  // an escape takes a whole UTF-8 character
};

// Bytes of the character that a backslash right before p escapes (0 at the end).
int32_t EscapedLength(const char* p, const char* end, bool utf8) {
  if (p >= end) return 0;
  if (!utf8) return 1;
  return std::min<int32_t>(UTF8SequenceLength(static_cast<unsigned char>(*p)),
                           static_cast<int32_t>(end - p));
}

Section FindSection(int32_t sign, const string& formatText) {
  const char* text = formatText.CString();
  const char* end = text + formatText.Length();
  bool utf8 = formatText.Encoding() == kEncodingUTF8;
  if (EqualIgnoringASCIICase(std::string_view(text, size_t(end - text)), "Scientific")) {
    return {kScientific, kScientific + sizeof kScientific - 1, false};
  }
  const char* separators[2] = {nullptr, nullptr};
  int found = 0;
  for (const char* p = text; p < end && found < 2; ++p) {
    if (*p == '\\') {
      p += EscapedLength(p + 1, end, utf8);
    } else if (*p == ';') {
      separators[found++] = p;
    }
  }
  if (!separators[0]) return {text, end, utf8};
  if (sign < 0) return {separators[0] + 1, separators[1] ? separators[1] : end, utf8};
  if (sign == 0 && separators[1]) return {separators[1] + 1, end, utf8};
  return {text, separators[0], utf8};
}

bool IsPlaceholder(char c) { return c == '#' || c == '0'; }

// What the section asks for, before any digit is laid out.
struct PictureScan {
  int32_t integers = 0;  // placeholders before the point
  int32_t decimals = 0;  // placeholders after it
  bool percent = false;
  bool grouping = false;
  bool exponent = false;
};

PictureScan ScanSection(const Section& section) {
  PictureScan scan;
  bool inDecimals = false;
  for (const char* p = section.begin; p < section.end; ++p) {
    char c = *p;
    if (c == '\\') {
      p += EscapedLength(p + 1, section.end, section.utf8);
    } else if (c == '%') {
      scan.percent = true;
    } else if (c == ',') {
      scan.grouping = true;
    } else if (c == 'E' || c == 'e') {
      scan.exponent = true;
    } else if (c == '.') {
      inDecimals = true;
    } else if (IsPlaceholder(c) && !scan.exponent) {
      ++(inDecimals ? scan.decimals : scan.integers);
    }
  }
  return scan;
}

// The output: inline while short, so that a typical Format allocates only its result.
class ByteSink {
 public:
  void Put(char c) {
    if (mUsed < static_cast<int32_t>(sizeof mInline) && mSpill.empty()) {
      mInline[mUsed++] = c;
    } else {
      Append(&c, 1);
    }
  }
  void Append(const char* bytes, int32_t n) {
    if (mSpill.empty() && mUsed + n <= static_cast<int32_t>(sizeof mInline)) {
      for (int32_t i = 0; i < n; ++i) mInline[mUsed++] = bytes[i];
      return;
    }
    if (mSpill.empty()) mSpill.assign(mInline, static_cast<size_t>(mUsed));
    mSpill.append(bytes, static_cast<size_t>(n));
  }
  string ToString(TextEncoding encoding) const {
    return mSpill.empty()
               ? string::FromBytes(mInline, mUsed, encoding)
               : string::FromBytes(mSpill.data(), static_cast<int64_t>(mSpill.size()), encoding);
  }

 private:
  char mInline[96];
  int32_t mUsed = 0;
  std::string mSpill;  // makes no allocation until used
};

// Walks a section once, laying the digits of T over its placeholders.
class PictureWriter {
 public:
  PictureWriter(double value, const PictureScan& scan, const DoubleDigits& digits,
                const char* thousands, const char* decimalPoint)
      : mValue(value), mScan(scan), mDigits(digits.Text()), mThousands(thousands),
        mThousandsLength(static_cast<int32_t>(std::strlen(thousands))),
        mDecimalPoint(decimalPoint),
        mDecimalPointLength(static_cast<int32_t>(std::strlen(decimalPoint))) {
    mExponentAt = digits.ExponentIndex();
    int32_t point = digits.Find('.');
    mPointAt = point < 0 || point > mExponentAt ? mExponentAt : point;
  }

  void Write(const Section& section) {
    for (const char* p = section.begin; p < section.end; ++p) {
      char c = *p;
      if (c == '\\') {
        int32_t n = EscapedLength(p + 1, section.end, section.utf8);
        Append(p + 1, n);
        p += n;
      } else if (IsPlaceholder(c)) {
        mInDecimals ? DecimalPlaceholder(c) : IntegerPlaceholder(c);
        ++mSeen;
      } else if (c == 'E' || c == 'e') {
        Exponent(c, p, section.end);
      } else {
        Literal(c);
      }
    }
  }

  string Result(TextEncoding encoding) const {
    return mOut.ToString(encoding);
  }

 private:
  void IntegerPlaceholder(char c) {
    if (mSeen == 0 && mPointAt > mScan.integers) return LeadingDigits();
    int32_t r = mScan.integers - mSeen;
    bool separatorDue = mScan.grouping && mDigitWritten && r % 3 == 0;
    Digit(c, mPointAt - r, separatorDue);
  }

  void DecimalPlaceholder(char c) { Digit(c, mPointAt + 1 + mSeen, false); }

  // The digits that have no placeholder of their own go with the first one.
  void LeadingDigits() {
    if (mExponentWritten) return;
    for (int32_t u = 0; u <= mPointAt - mScan.integers; ++u) {
      if (u > 0 && mScan.grouping && (mPointAt - u) % 3 == 0)
        Append(mThousands, mThousandsLength);
      mOut.Put(mDigits[u]);
    }
    mDigitWritten = true;
  }

  // Placeholders after the exponent count for nothing; "0" shows a zero where T has no digit.
  void Digit(char placeholder, int32_t i, bool separatorDue) {
    if (mExponentWritten) return;
    bool haveDigit = i >= 0 && i < mExponentAt;
    if (!haveDigit && placeholder != '0') return;
    if (separatorDue) Append(mThousands, mThousandsLength);
    mOut.Put(haveDigit ? mDigits[i] : '0');
    mDigitWritten = true;
  }

  void Exponent(char letter, const char*& p, const char* end) {
    mExponentWritten = true;
    bool signFollows = p + 1 < end && (p[1] == '+' || p[1] == '-');
    char signRule = signFollows ? *++p : '\0';
    if (mDigits[mExponentAt] != 'e') return;  // NaN and infinity have no exponent to show
    Append(&letter, 1);
    const char* exponent = mDigits + mExponentAt + 1;
    bool hasSign = *exponent == '+' || *exponent == '-';
    if (signRule == '+' && !hasSign) Append("+", 1);
    if (signRule == '-' && *exponent == '+') ++exponent;
    Append(exponent, static_cast<int32_t>(std::strlen(exponent)));
  }

  void Literal(char c) {
    switch (c) {
      case '.':
        if (mInDecimals) return;
        Append(mDecimalPoint, mDecimalPointLength);
        mInDecimals = true;
        mSeen = 0;
        return;
      case '+':
        if (mValue > 0) Append("+", 1);
        [[fallthrough]];
      case '-':
        if (mValue < 0) Append("-", 1);
        return;
      case '%':
      case '(':
      case ')':
        Append(&c, 1);
        return;
      default:
        return;
    }
  }

  void Append(const char* bytes, int32_t n) { mOut.Append(bytes, n); }

  double mValue;
  const PictureScan& mScan;
  const char* mDigits;
  const char* mThousands;
  int32_t mThousandsLength;
  const char* mDecimalPoint;
  int32_t mDecimalPointLength;
  int32_t mExponentAt;
  int32_t mPointAt;
  int32_t mSeen = 0;  // placeholders so far in the current part (integer or decimals)
  bool mInDecimals = false;
  bool mDigitWritten = false;
  bool mExponentWritten = false;
  ByteSink mOut;
};

bool IsASCII(const char* text) {
  for (; *text; ++text) {
    if (static_cast<unsigned char>(*text) >= 0x80) return false;
  }
  return true;
}

int32_t SignOf(double value) { return value < 0 ? -1 : value == 0 ? 0 : 1; }

// The section and scan of each sign for the last format text seen: a program formats many
// numbers with one picture, and finding and scanning its section cost as much as laying out
// the digits. A text with the same bytes and encoding reuses them.
class PictureCache {
 public:
  void Find(int32_t sign, const string& formatText, Section* section, PictureScan* scan) {
    const char* text = formatText.CString();
    const auto length = static_cast<size_t>(formatText.Length());
    if (formatText.Encoding() != mEncoding || length != mText.size() ||
        std::memcmp(text, mText.data(), length) != 0) {
      mText.assign(text, length);
      mEncoding = formatText.Encoding();
      for (Entry& entry : mEntries) entry.known = false;
    }
    Entry& entry = mEntries[sign + 1];
    if (!entry.known) {
      Section found = FindSection(sign, formatText);
      bool scientific = found.begin == kScientific;
      entry = {true, scientific, scientific ? 0 : static_cast<int32_t>(found.begin - text),
               static_cast<int32_t>(found.end - found.begin), found.utf8, ScanSection(found)};
    }
    const char* base = entry.scientific ? kScientific : text;
    *section = {base + entry.offset, base + entry.offset + entry.length, entry.utf8};
    *scan = entry.scan;
  }

 private:
  struct Entry {
    bool known;
    bool scientific;  // offsets count in kScientific
    int32_t offset;
    int32_t length;
    bool utf8;
    PictureScan scan;
  };
  std::string mText;
  TextEncoding mEncoding = kEncodingNone;
  Entry mEntries[3] = {};
};

PictureCache& LastPicture() {
  static PictureCache cache;
  return cache;
}

}  // namespace

string SelectFormatSection(int32_t sign, const string& formatText) {
  Section section = FindSection(sign, formatText);
  if (section.begin == kScientific) return string(kScientific);
  return string::FromBytes(section.begin, section.end - section.begin, formatText.Encoding());
}

string FormatNumber(double value, const string& formatText) {
  TextEncoding encoding = formatText.Encoding();
  if (!IsASCIITransparentEncoding(encoding)) {
    string utf8 = ConvertEncoding(formatText, kEncodingUTF8);
    if (utf8.Encoding() == kEncodingUTF8) {
      return ConvertEncoding(FormatNumber(value, utf8), encoding);
    }
  }
  const char* thousands;
  const char* decimalPoint;
  LocaleSeparatorBytes(&thousands, &decimalPoint);
  if (encoding == kEncodingASCII && !(IsASCII(thousands) && IsASCII(decimalPoint))) {
    encoding = kEncodingUTF8;  // ASCII text stays valid under the wider label
  }
  LocaleSeparatorBytesIn(encoding, &thousands, &decimalPoint);

  Section section;
  PictureScan scan;
  LastPicture().Find(SignOf(value), formatText, &section, &scan);
  double magnitude = std::fabs(value);
  if (scan.percent) magnitude *= 100;
  DoubleDigits digits(magnitude, !scan.exponent,
                      scan.exponent ? scan.decimals + 1 : scan.decimals);
  if (scan.decimals > 0 && scan.exponent) {
    int32_t e = digits.Find('e');
    if (e >= 0) digits.DropZerosBefore(e);
  } else if (scan.decimals > 0) {
    digits.DropTrailingZeros();  // the "0" placeholders print them again
  }

  PictureWriter writer(value, scan, digits, thousands, decimalPoint);
  writer.Write(section);
  return writer.Result(encoding);
}

int32_t FindByteFrom(int32_t start, const string& text, uint8_t byte) {
  int32_t length = text.Length();
  int32_t from = std::max(start, 0);
  if (length == 0 || from >= length) return -1;
  const void* found = std::memchr(text.Bytes() + from, byte, static_cast<size_t>(length - from));
  return found ? static_cast<int32_t>(static_cast<const unsigned char*>(found) - text.Bytes())
               : -1;
}

extern "C" stringStorage* StringFormat(double value, stringStorage* formatText) {
  return FormatNumber(value, string(formatText)).ExtractStringStorage();
}
QV_EXPORT(StringFormat)
