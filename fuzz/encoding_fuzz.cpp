// StringConvertEncoding between any two encodings of the Encodings module's table, on any
// bytes; and valid UTF-8 goes through UTF-16 and back unchanged.
#include "FuzzSupport.h"
#include "core/RuntimeObject.h"
#include "strings/Encodings.h"
#include "strings/TextEncodingObjects.h"

namespace {

// The module's encodings, held for the life of the process.
struct EncodingTable {
  TextEncodingObject* entries[kEncodingsPropertyCount] = {};
  TextEncodingObject* utf8 = nullptr;
  TextEncodingObject* utf16 = nullptr;

  EncodingTable() {
    RuntimeObject* module = GetEncodingsObject();
    for (int32_t i = 0; i < kEncodingsPropertyCount; ++i)
      entries[i] = EncodingsGetter(module, uint32_t(i + 1));
    RuntimeUnlockObject(module);
    utf8 = GetTextEncodingObject(kEncodingUTF8);
    utf16 = GetTextEncodingObject(kEncodingUnicode16);
  }
};

const EncodingTable& Table() {
  static const EncodingTable table;
  return table;
}

// Well-formed UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool IsValidUTF8(const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n;) {
    const uint8_t lead = p[i];
    size_t length = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3
                                                       : lead < 0xF5 ? 4 : 0;
    if (length == 0 || length > n - i) return false;
    uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      code = code << 6 | (p[i + k] & 0x3F);
    }
    const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))
      return false;
    i += length;
  }
  return true;
}

string Convert(const string& text, TextEncodingObject* target) {
  return string::Adopt(StringConvertEncoding(text.Storage(), target));
}

// U+E0000 to U+E007F in UTF-8: F3 A0 80..81 xx.
bool OnlyTagCharacters(const string& utf8) {
  const auto* p = reinterpret_cast<const uint8_t*>(utf8.Bytes());
  const int64_t n = utf8.Length();
  if (n == 0 || n % 4 != 0) return false;
  for (int64_t i = 0; i < n; i += 4)
    if (p[i] != 0xF3 || p[i + 1] != 0xA0 || (p[i + 2] & 0xFE) != 0x80) return false;
  return true;
}

}  // namespace

// Input: source and target indexes into the table, then the text's bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvfuzz::InputScope scope;
  const EncodingTable& table = Table();
  qvfuzz::InputReader input(data, size);
  TextEncodingObject* source = table.entries[input.Byte() % kEncodingsPropertyCount];
  TextEncodingObject* target = table.entries[input.Byte() % kEncodingsPropertyCount];
  const std::string bytes = input.Rest();
  const string text = string::FromBytes(bytes.data(), int64_t(bytes.size()),
                                        GetEncodingFromTEObject(source));
  const string converted = Convert(text, target);
  // Nothing is lost whole; only a 32-bit text that is a lone byte-order mark converts to nothing,
  // and a text of Unicode tag characters alone, which the C library's converters drop by design
  // (they are invisible and no legacy character set has them).
  if (text.Encoding() != kEncodingUTF32 && !OnlyTagCharacters(Convert(text, table.utf8)))
    QV_FUZZ_EXPECT(text.IsEmpty() == converted.IsEmpty());

  if (!IsValidUTF8(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())) return 0;
  const string utf8 = string::FromBytes(bytes.data(), int64_t(bytes.size()), kEncodingUTF8);
  const string utf16 = Convert(utf8, table.utf16);
  QV_FUZZ_EXPECT(utf16.IsEmpty() || utf16.Encoding() == kEncodingUnicode16);
  const string back = Convert(utf16, table.utf8);
  QV_FUZZ_EXPECT(back.Length() == utf8.Length());
  QV_FUZZ_EXPECT(std::memcmp(back.Bytes(), utf8.Bytes(), size_t(utf8.Length())) == 0);
  QV_FUZZ_EXPECT(back.IsEmpty() || back.Encoding() == kEncodingUTF8);
  return 0;
}
