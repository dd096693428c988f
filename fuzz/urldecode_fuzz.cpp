// Percent-decoding of path components: any text decodes without reading past its end, and
// decoding an encoded text gives the text back.
#include "FuzzSupport.h"
#include "strings/URLComponent.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvfuzz::InputScope scope;
  const string text = string::FromBytes(data, int64_t(size), kEncodingUTF8);
  const string decoded = DecodeURLComponent(text, kEncodingWindowsLatin1);
  QV_FUZZ_EXPECT(decoded.Length() <= text.Length());
  QV_FUZZ_EXPECT(decoded.IsEmpty() || decoded.Encoding() == kEncodingWindowsLatin1);
  const string again = DecodeURLComponent(EncodeURLComponent(text), kEncodingUTF8);
  QV_FUZZ_EXPECT(again.Length() == text.Length());
  QV_FUZZ_EXPECT(std::memcmp(again.Bytes(), text.Bytes(), size_t(text.Length())) == 0);
  return 0;
}
