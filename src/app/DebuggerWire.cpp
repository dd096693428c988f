#include "app/DebuggerWire.h"

#include <cstring>

#include "core/RuntimeClass.h"
#include "values/VariantConversions.h"
#include "values/VariantTypes.h"

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";
constexpr uint32_t kWordDigits = 8;

int32_t DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void WriteHex(char* out, uint64_t value, int32_t byteCount) {
  for (int32_t i = 2 * byteCount; i-- > 0; value >>= 4) out[i] = kDigits[value & 15];
}

// A fresh ASCII record of n bytes for the caller to fill; nil for 0.
string AsciiBuffer(int64_t n) {
  string text;
  if (n <= 0 || !text.AllocateBuffer(n)) return string();
  text.SetEncoding(kEncodingASCII);
  return text;
}

bool IsTrailingBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

string EncodeHex(uint64_t value, int32_t byteCount) {
  char digits[16];
  WriteHex(digits, value, byteCount);
  return string::FromBytes(digits, 2 * byteCount, kEncodingASCII);
}

bool DecodeHex(const char* text, int32_t length, int32_t byteCount, uint64_t* value) {
  uint64_t result = 0;
  const int32_t keep = 2 * byteCount;
  for (int32_t i = 0; i < length; ++i) {
    const int32_t digit = DigitValue(text[i]);
    if (digit < 0) return false;
    // Only the last 2n digits count; those before them shift out of the kept width.
    if (i >= length - keep) result = (result << 4) | uint64_t(digit);
  }
  *value = result;
  return true;
}

bool DecodeHex(const string& field, int32_t byteCount, uint64_t* value) {
  return DecodeHex(field.CString(), field.Length(), byteCount, value);
}

bool DecodeWord(const string& field, uint32_t* value) {
  uint64_t wide = 0;
  if (!DecodeHex(field, 4, &wide)) return false;
  *value = uint32_t(wide);
  return true;
}

string EncodeWireString(const void* bytes, uint32_t length, TextEncoding encoding) {
  string text = AsciiBuffer(kWordDigits + 1 + 2 * int64_t(length));
  if (text.IsEmpty()) return text;
  char* out = static_cast<char*>(text);
  WriteHex(out, encoding, 4);
  out[kWordDigits] = ':';
  const auto* in = static_cast<const uint8_t*>(bytes);
  for (uint32_t i = 0; i < length; ++i) WriteHex(out + kWordDigits + 1 + 2 * i, in[i], 1);
  return text;
}

string EncodeWireString(const string& text) {
  return EncodeWireString(text.Bytes(), uint32_t(text.Length()), text.Encoding());
}

bool DecodeWireString(const string& field, string* text) {
  const char* all = field.CString();
  const int32_t length = field.Length();
  const char* colon = static_cast<const char*>(std::memchr(all, ':', size_t(length)));
  const int32_t encodingLength = colon ? int32_t(colon - all) : length;
  uint64_t encoding = 0;
  if (!DecodeHex(all, encodingLength, 4, &encoding)) return false;
  const char* digits = colon ? colon + 1 : all + length;
  const char* end = all + length;
  if (const void* second = std::memchr(digits, ':', size_t(end - digits))) {
    end = static_cast<const char*>(second);
  }
  while (end > digits && IsTrailingBlank(end[-1])) --end;
  const int32_t digitCount = int32_t(end - digits);
  string bytes;
  if (digitCount > 0 && !bytes.AllocateBuffer((int64_t(digitCount) + 1) / 2)) return false;
  auto* out = reinterpret_cast<uint8_t*>(static_cast<char*>(bytes));
  for (int32_t i = 0; i < digitCount; ++i) {
    const int32_t digit = DigitValue(digits[i]);
    if (digit < 0) return false;
    if (i % 2 == 0) {
      out[i / 2] = uint8_t(digit << 4);  // an odd final digit is the last byte's high half
    } else {
      out[i / 2] |= uint8_t(digit);
    }
  }
  if (!bytes.IsEmpty()) bytes.SetEncoding(TextEncoding(encoding));
  *text = bytes;
  return true;
}

string EncodeObjectReference(RuntimeObject* object) {
  const string address = EncodeHex(reinterpret_cast<uintptr_t>(object), 4);
  if (!object) return address;
  return address + ' ' + string(object->classPtr->className);
}

string EncodeVariant(RuntimeObject* variant) {
  const int32_t type = VarType(variant);
  const string code = EncodeHex(uint32_t(type), 4);
  if (type == kVarTypeNil) return code;
  if (type == kVarTypeObject) return code + ' ' + EncodeObjectReference(variant);
  return code + ' ' + EncodeWireString(string::Adopt(VariantToString(variant)));
}

WireLine SplitWireLine(const char* bytes, int32_t length) {
  const char* blank = static_cast<const char*>(std::memchr(bytes, ' ', size_t(length)));
  if (!blank) return {string::FromBytes(bytes, length, kEncodingUTF8), string()};
  const int32_t tagLength = int32_t(blank - bytes);
  return {string::FromBytes(bytes, tagLength, kEncodingUTF8),
          string::FromBytes(blank + 1, length - tagLength - 1, kEncodingUTF8)};
}

string WireField(const string& payload, int32_t index, bool rest) {
  const char* at = payload.CString();
  const char* end = at + payload.Length();
  for (int32_t i = 0; i < index; ++i) {
    const char* blank = static_cast<const char*>(std::memchr(at, ' ', size_t(end - at)));
    if (!blank) return string();
    at = blank + 1;
  }
  const char* stop = end;
  if (!rest) {
    if (const void* blank = std::memchr(at, ' ', size_t(end - at))) {
      stop = static_cast<const char*>(blank);
    }
  }
  return string::FromBytes(at, stop - at, payload.Encoding());
}

string FrameWireLine(const string& tag, const string& payload) {
  // ASCII is UTF-8 already; anything else is converted.
  auto utf8 = [](const string& s) {
    const TextEncoding e = s.Encoding();
    return e == kEncodingUTF8 || e == kEncodingASCII ? s : s.GetUTF8String();
  };
  const string head = utf8(tag);
  const string body = utf8(payload);
  string line = AsciiBuffer(int64_t(head.Length()) + body.Length() + 2);
  char* out = static_cast<char*>(line);
  std::memcpy(out, head.Bytes(), size_t(head.Length()));
  out[head.Length()] = ' ';
  std::memcpy(out + head.Length() + 1, body.Bytes(), size_t(body.Length()));
  out[head.Length() + 1 + body.Length()] = kWireLineEnd;
  line.SetEncoding(kEncodingUTF8);
  return line;
}
