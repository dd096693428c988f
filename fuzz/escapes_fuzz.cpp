// Backslash escapes: decoding any text stays inside it and loses nothing it does not
// understand, and decoding an encoded text gives the text back.
#include "FuzzSupport.h"
#include "strings/Escapes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvfuzz::InputScope scope;
  const string text = string::FromBytes(data, int64_t(size), kEncodingUTF8);
  const string decoded = string::Adopt(DecodeBackslashEscapeString(text.Storage()));
  QV_FUZZ_EXPECT(decoded.Length() <= text.Length());
  QV_FUZZ_EXPECT(decoded.Encoding() == text.Encoding());
  const string encoded = string::Adopt(EncodeBackslashEscapeString(text.Storage()));
  const string again = string::Adopt(DecodeBackslashEscapeString(encoded.Storage()));
  QV_FUZZ_EXPECT(again.Length() == text.Length());
  QV_FUZZ_EXPECT(std::memcmp(again.Bytes(), text.Bytes(), size_t(text.Length())) == 0);
  return 0;
}
