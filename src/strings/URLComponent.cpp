#include "strings/URLComponent.h"

namespace {

constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

bool IsSafe(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
         (byte >= '0' && byte <= '9') || byte == '-' || byte == '_' || byte == '.';
}

unsigned char Nibble(unsigned char digit) {
  if (digit >= '0' && digit <= '9') return static_cast<unsigned char>(digit - '0');
  if (digit >= 'A' && digit <= 'F') return static_cast<unsigned char>(digit - 'A' + 10);
  if (digit >= 'a' && digit <= 'f') return static_cast<unsigned char>(digit - 'a' + 10);
  return 0;
}

}  // namespace

string EncodeURLComponent(const string& s) {
  const unsigned char* in = s.Bytes();
  int64_t length = s.Length();
  for (int32_t i = 0; i < s.Length(); ++i) length += IsSafe(in[i]) ? 0 : 2;
  string result;
  if (length == 0 || !result.AllocateBuffer(length)) return string();
  char* out = static_cast<char*>(result);
  for (int32_t i = 0; i < s.Length(); ++i) {
    if (IsSafe(in[i])) {
      *out++ = static_cast<char>(in[i]);
      continue;
    }
    *out++ = '%';
    *out++ = kUpperHexDigits[in[i] >> 4];
    *out++ = kUpperHexDigits[in[i] & 15];
  }
  result.SetEncoding(kEncodingASCII);
  return result;
}

string DecodeURLComponent(const string& s, TextEncoding encoding) {
  const unsigned char* in = s.Bytes();
  const int32_t n = s.Length();
  int32_t length = 0;
  for (int32_t i = 0; i < n; ++length) i += in[i] == '%' && n - i > 2 ? 3 : 1;
  string result;
  if (length == 0 || !result.AllocateBuffer(length)) return string();
  unsigned char* out = reinterpret_cast<unsigned char*>(static_cast<char*>(result));
  for (int32_t i = 0; i < n;) {
    if (in[i] == '%' && n - i > 2) {
      *out++ = static_cast<unsigned char>(Nibble(in[i + 1]) << 4 | Nibble(in[i + 2]));
      i += 3;
    } else {
      *out++ = in[i++];
    }
  }
  result.SetEncoding(encoding);
  return result;
}
