// The numeric-text classifier behind _NumericType: the language's own examples, long exponents
// and digit runs, other encodings, and random texts against a Python model of its steps.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "strings/StringNumbers.h"
#include "strings/TextEncoding.h"
#include "support/TestSupport.h"

namespace {

int32_t TypeOf(const std::string& text, TextEncoding encoding = kEncodingASCII) {
  const string record = string::FromBytes(text.data(), int64_t(text.size()), encoding);
  return RuntimeTypeOfNumeric(record.Storage());
}

TEST(NumericTextType, ClassifiesIntegersFloatsAndOtherText) {
  EXPECT_EQ(RuntimeTypeOfNumeric(nullptr), kNotNumericText);
  EXPECT_EQ(TypeOf("12"), kIntegerText);
  EXPECT_EQ(TypeOf("2147483647"), kIntegerText);
  for (const char* floating : {"1.5", "1e3", "1e", "1E+", ".5", "5.", "2147483648", "9999999999",
                               "0.0", "1e-3"}) {
    EXPECT_EQ(TypeOf(floating), kFloatingText) << floating;
  }
  for (const char* other : {".", "-5", "+5", " 5", "5 ", "12abc", "", "e5", ".e5", "1e5x",
                            "1.2.3", "1,000", "1d5", "\xEF\xBC\x91"}) {
    EXPECT_EQ(TypeOf(other), kNotNumericText) << other;
  }
  // "&" with a base letter: only digits of that base, none at all being enough.
  for (const char* integer : {"&hFF", "&Hff", "&h", "&o17", "&O", "&b101", "&B"}) {
    EXPECT_EQ(TypeOf(integer), kIntegerText) << integer;
  }
  for (const char* other : {"&hG", "&b102", "&o8", "&", "&x1", "&h1.5", "&h 1"}) {
    EXPECT_EQ(TypeOf(other), kNotNumericText) << other;
  }
  // A NUL inside is text left over; 16-bit text reads as its characters, not its bytes.
  EXPECT_EQ(TypeOf(std::string("12\0", 3)), kNotNumericText);
  const string wide = ConvertEncoding(string("1.5"), kEncodingUnicode16);
  EXPECT_EQ(RuntimeTypeOfNumeric(wide.Storage()), kFloatingText);
}

// Exponents and digit runs far beyond any integer: the exponent saturates instead of
// overflowing, the value may become infinite or zero, and the kind stays floating-point.
TEST(NumericTextType, LongExponentsAndDigitRunsStayFloatingPoint) {
  const std::string nines(400, '9');
  EXPECT_EQ(TypeOf("1e" + nines), kFloatingText);
  EXPECT_EQ(TypeOf("1e-" + nines), kFloatingText);
  EXPECT_EQ(TypeOf("0e" + nines), kFloatingText);
  EXPECT_EQ(TypeOf("1e2147483648"), kFloatingText);
  EXPECT_EQ(TypeOf("1e4294967306"), kFloatingText);  // 2^32 + 10: wraps to 10 in 32 bits
  EXPECT_EQ(TypeOf(nines), kFloatingText);
  EXPECT_EQ(TypeOf(std::string(400, '0') + "7"), kIntegerText);
}

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return bytes;
}

TEST(NumericTextType, AgreesWithAModelOfItsSteps) {
  const std::string script =
      (std::filesystem::path(__FILE__).parent_path() / "numeric_type_model.py").string();
  std::istringstream lines(qvtest::ProgramOutput({"python3", script, "41", "20000"}));
  std::string hex;
  int32_t expected = 0, checked = 0;
  for (; lines >> hex >> expected; ++checked) {
    const std::string text = hex == "-" ? "" : FromHex(hex);
    ASSERT_EQ(TypeOf(text, kEncodingUTF8), expected) << hex;
  }
  EXPECT_EQ(checked, 20000) << "python3 numeric_type_model.py printed too little";
}

}  // namespace
