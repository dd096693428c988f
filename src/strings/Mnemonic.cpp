#include "strings/Mnemonic.h"

#include "strings/UTF8.h"

namespace {

// One character of the caption: where it starts, its size in bytes and its code.
struct Character {
  int32_t size;
  uint32_t code;
};

Character CharacterAt(const unsigned char* p, const unsigned char* end, TextEncoding encoding) {
  if (IsUnicode16Encoding(encoding)) {
    if (end - p < 2) return {static_cast<int32_t>(end - p), *p};
    return {2, static_cast<uint32_t>(p[0] | p[1] << 8)};
  }
  if (encoding == kEncodingUTF8) {
    const char* cursor = reinterpret_cast<const char*>(p);
    uint32_t code = UTF8DecodeAndAdvance(cursor, reinterpret_cast<const char*>(end));
    return {static_cast<int32_t>(reinterpret_cast<const unsigned char*>(cursor) - p), code};
  }
  return {1, *p};
}

}  // namespace

void StripMnemonicInPlace(string& caption, uint32_t* mnemonic) {
  if (mnemonic) *mnemonic = 0;
  TextEncoding encoding = caption.Encoding();
  const unsigned char* p = caption.Bytes();
  const unsigned char* end = p + caption.Length();
  string stripped;
  if (!stripped.AllocateBuffer(caption.Length())) return;
  unsigned char* out = static_cast<unsigned char*>(stripped) + 1;
  unsigned char* start = out;
  while (p < end) {
    Character c = CharacterAt(p, end, encoding);
    if (c.code == '&') {
      p += c.size;
      if (p == end) {
        if (mnemonic) *mnemonic = 0;
        break;
      }
      c = CharacterAt(p, end, encoding);
      if (c.code != '&' && mnemonic) *mnemonic = c.code;
    }
    for (int32_t i = 0; i < c.size; ++i) *out++ = *p++;
  }
  stripped.SetEncoding(encoding);
  caption = left(stripped, static_cast<int32_t>(out - start));
}

string StripMnemonic(const string& caption) {
  string copy = caption;
  StripMnemonicInPlace(copy, nullptr);
  return copy;
}
