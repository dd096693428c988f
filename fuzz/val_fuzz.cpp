// Val and CDbl on any text, in the C locale and in a comma-decimal one. Val reads the C locale
// whatever the user's is, so both locales must give the same value, bit for bit.
#include "FuzzSupport.h"
#include "strings/StringNumbers.h"

namespace {

// The text's label comes from the first byte: single-byte, UTF-8, or 16- and 32-bit Unicode.
constexpr TextEncoding kLabels[] = {kEncodingASCII, kEncodingUTF8, kEncodingMacRoman,
                                    kEncodingUnicode16, kEncodingUTF32};

bool SameValue(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void Run(locale_t locale, const string& text, double* val, bool* notANumber) {
  qvfuzz::ThreadLocale inLocale(locale);
  *val = Val(text, notANumber);
  LocaleVal(text);
}

// LocaleVal must read the locale made current here, or the comparison would prove nothing.
bool LocaleValFollows(locale_t locale) {
  qvfuzz::ThreadLocale inLocale(locale);
  return LocaleVal(string("1,5")) == 1.5;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvfuzz::InputScope scope;
  qvfuzz::InputReader input(data, size);
  const TextEncoding label = kLabels[input.Byte() % (sizeof kLabels / sizeof kLabels[0])];
  const std::string bytes = input.Rest();
  const string text = string::FromBytes(bytes.data(), int64_t(bytes.size()), label);

  double inC = 0, inGerman = 0;
  bool nanC = false, nanGerman = false;
  Run(nullptr, text, &inC, &nanC);
  const locale_t german = qvfuzz::CommaDecimalLocale();
  if (!german) return 0;  // no such locale here: C was enough
  static const bool follows = LocaleValFollows(german);
  QV_FUZZ_EXPECT(follows);
  Run(german, text, &inGerman, &nanGerman);
  QV_FUZZ_EXPECT(SameValue(inC, inGerman));
  QV_FUZZ_EXPECT(nanC == nanGerman);
  return 0;
}
