// Format with a fuzzed value and picture, in the C locale and in a comma-decimal one.
#include "FuzzSupport.h"
#include "strings/FormatPicture.h"

namespace {

constexpr TextEncoding kLabels[] = {kEncodingASCII, kEncodingUTF8, kEncodingMacRoman,
                                    kEncodingUnicode16, kEncodingUTF32};

// Format must read the locale made current here, or the comma-decimal runs would prove nothing.
bool FormatFollows(locale_t locale) {
  qvfuzz::ThreadLocale inLocale(locale);
  const string text = FormatNumber(1.5, string("0.0"));
  return text.Length() == 3 && text.Bytes()[1] == ',';
}

}  // namespace

// Input: a selector byte (label and locale), the value's eight bytes, then the picture.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvfuzz::InputScope scope;
  qvfuzz::InputReader input(data, size);
  const uint8_t selector = input.Byte();
  const TextEncoding label = kLabels[(selector & 0x7F) % (sizeof kLabels / sizeof kLabels[0])];
  const uint64_t bits = input.Word64();
  double value;
  std::memcpy(&value, &bits, sizeof value);
  const std::string bytes = input.Rest();
  const string picture = string::FromBytes(bytes.data(), int64_t(bytes.size()), label);

  static const bool follows = !qvfuzz::CommaDecimalLocale() ||
                              FormatFollows(qvfuzz::CommaDecimalLocale());
  QV_FUZZ_EXPECT(follows);
  string result;
  {
    qvfuzz::ThreadLocale locale((selector & 0x80) ? qvfuzz::CommaDecimalLocale() : nullptr);
    result = FormatNumber(value, picture);
  }
  // The result keeps the picture's label; an ASCII picture may take a UTF-8 separator.
  QV_FUZZ_EXPECT(result.IsEmpty() || result.Encoding() == picture.Encoding() ||
                 (picture.Encoding() == kEncodingASCII && result.Encoding() == kEncodingUTF8));
  return 0;
}
