// Format with a fuzzed value and picture, in the C locale and in a comma-decimal one.
#include <clocale>

#include "FuzzSupport.h"
#include "strings/FormatPicture.h"

namespace {

constexpr TextEncoding kLabels[] = {kEncodingASCII, kEncodingUTF8, kEncodingMacRoman,
                                    kEncodingUnicode16, kEncodingUTF32};

}  // namespace

// Input: a selector byte (label and locale), the value's eight bytes, then the picture.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvfuzz::InitializeOnce();
  qvfuzz::InputReader input(data, size);
  const uint8_t selector = input.Byte();
  const TextEncoding label = kLabels[(selector & 0x7F) % (sizeof kLabels / sizeof kLabels[0])];
  const uint64_t bits = input.Word64();
  double value;
  std::memcpy(&value, &bits, sizeof value);
  const std::string bytes = input.Rest();
  const string picture = string::FromBytes(bytes.data(), int64_t(bytes.size()), label);

  std::setlocale(LC_ALL, (selector & 0x80) ? "de_DE.UTF-8" : "C");
  const string result = FormatNumber(value, picture);
  std::setlocale(LC_ALL, "C");
  // The result keeps the picture's label; an ASCII picture may take a UTF-8 separator.
  QV_FUZZ_EXPECT(result.IsEmpty() || result.Encoding() == picture.Encoding() ||
                 (picture.Encoding() == kEncodingASCII && result.Encoding() == kEncodingUTF8));
  return 0;
}
