// The numeric-text classifier on any text: it answers 0, 1 or 2; an integer is decimal digits
// whose value Val and CLong agree on and that fits 31 bits, or "&" and digits of a base; a
// number without a bare exponent is one that Val accepts; anything appended that is no digit
// makes it no number.
#include <cstring>

#include "FuzzSupport.h"
#include "strings/StringNumbers.h"

namespace {

// An "e" or "E" with no exponent digits after its optional sign: Val refuses that, the
// classifier takes it as exponent 0.
bool HasBareExponent(const std::string& text) {
  const size_t e = text.find_first_of("eE");
  if (e == std::string::npos) return false;
  size_t digit = e + 1;
  if (digit < text.size() && (text[digit] == '+' || text[digit] == '-')) ++digit;
  return digit >= text.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvfuzz::InitializeOnce();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const string text = string::FromBytes(bytes.data(), int64_t(bytes.size()), kEncodingUTF8);
  const int32_t type = NumericTextType(text);
  QV_FUZZ_EXPECT(type == kNotNumericText || type == kIntegerText || type == kFloatingText);
  if (type == kNotNumericText) return 0;
  QV_FUZZ_EXPECT(NumericTextType(text + string("x")) == kNotNumericText);
  if (bytes[0] == '&') return 0;
  if (type == kIntegerText) {
    QV_FUZZ_EXPECT(bytes.find_first_not_of("0123456789") == std::string::npos);
    const int64_t value = ParseLong(text);
    QV_FUZZ_EXPECT(value >= 0 && value <= 2147483647);
    QV_FUZZ_EXPECT(Val(text, nullptr) == double(value));
  }
  if (!HasBareExponent(bytes)) {
    bool notANumber = true;
    Val(text, &notANumber);
    QV_FUZZ_EXPECT(!notANumber);
  }
  return 0;
}
