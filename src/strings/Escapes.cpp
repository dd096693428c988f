#include "strings/Escapes.h"

#include <cstring>

#include "core/Export.h"
#include "strings/NumberBases.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
// The letters of the control characters 7-13, in byte order.
constexpr char kControlLetters[] = "abtnvfr";

bool IsControlWithLetter(unsigned char byte) { return byte >= 7 && byte <= 13; }
bool IsQuotedLiterally(unsigned char byte) {
  return byte == '"' || byte == '\'' || byte == '?' || byte == '\\';
}
bool IsPrintable(unsigned char byte) { return byte >= 0x20 && byte <= 0x7E; }

int32_t EscapedSize(unsigned char byte) {
  if (IsControlWithLetter(byte) || IsQuotedLiterally(byte)) return 2;
  return IsPrintable(byte) ? 1 : 4;
}

char* WriteEscaped(char* out, unsigned char byte) {
  if (IsControlWithLetter(byte)) {
    *out++ = '\\';
    *out++ = kControlLetters[byte - 7];
  } else if (IsQuotedLiterally(byte)) {
    *out++ = '\\';
    *out++ = static_cast<char>(byte);
  } else if (IsPrintable(byte)) {
    *out++ = static_cast<char>(byte);
  } else {
    *out++ = '\\';
    *out++ = 'x';
    *out++ = kHexDigits[byte >> 4];
    *out++ = kHexDigits[byte & 15];
  }
  return out;
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}

// Decodes the escape at p (a backslash, with at least one byte after it) into *out; answers
// the bytes it took, or 0 when it is no escape this decoder knows.
int32_t DecodeEscape(const char* p, const char* end, char* out) {
  char c = p[1];
  if (IsQuotedLiterally(static_cast<unsigned char>(c))) {
    *out = c;
    return 2;
  }
  if (const char* letter = c ? std::strchr(kControlLetters, c) : nullptr) {
    *out = static_cast<char>(7 + (letter - kControlLetters));
    return 2;
  }
  if (c == 'x' && end - p >= 4 && IsHexDigit(p[2]) && IsHexDigit(p[3])) {
    *out = static_cast<char>(HexVal(p + 2, 2));
    return 4;
  }
  return 0;
}

}  // namespace

string EncodeBackslashEscapes(const string& text) {
  const unsigned char* bytes = text.Bytes();
  int64_t size = 0;
  for (int32_t i = 0; i < text.Length(); ++i) size += EscapedSize(bytes[i]);
  string escaped;
  if (!escaped.AllocateBuffer(size)) return string();
  char* out = static_cast<char*>(escaped);
  for (int32_t i = 0; i < text.Length(); ++i) out = WriteEscaped(out, bytes[i]);
  escaped.SetEncoding(kEncodingASCII);
  return escaped;
}

string DecodeBackslashEscapes(const string& text) {
  const char* p = text.CString();
  const char* end = p + text.Length();
  string decoded;
  if (!decoded.AllocateBuffer(text.Length())) return string();  // decoding never grows
  decoded.SetEncoding(text.Encoding());
  char* out = static_cast<char*>(decoded);
  char* start = out;
  while (p < end) {
    int32_t taken = *p == '\\' && end - p >= 2 ? DecodeEscape(p, end, out) : 0;
    if (taken == 0) {
      *out = *p;
      taken = 1;
    }
    ++out;
    p += taken;
  }
  return left(decoded, static_cast<int32_t>(out - start));
}

extern "C" {

stringStorage* EncodeBackslashEscapeString(stringStorage* text) {
  return EncodeBackslashEscapes(string(text)).ExtractStringStorage();
}
QV_EXPORT(EncodeBackslashEscapeString)

stringStorage* DecodeBackslashEscapeString(stringStorage* text) {
  return DecodeBackslashEscapes(string(text)).ExtractStringStorage();
}
QV_EXPORT(DecodeBackslashEscapeString)

}  // extern "C"
