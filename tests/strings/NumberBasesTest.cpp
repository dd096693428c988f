// Bin, Oct and Hex against printf and std::bitset over random values of every width (their
// parsers are checked through Val's "&" prefixes), URL escaping against a reference with the
// safe set, and line endings.
#include <gtest/gtest.h>

#include <bitset>

#include "StringFunctionsTestSupport.h"
#include "strings/EndOfLine.h"
#include "strings/NumberBases.h"
#include "strings/URLComponent.h"

using namespace strtest;

namespace {

std::string Printed(const char* format, unsigned long long value) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

std::string BinaryReference(unsigned long long value) {
  std::string bits = std::bitset<64>(value).to_string();
  return bits.substr(std::min<size_t>(bits.find('1'), 63));
}

TEST(NumberBases, DigitsOfEveryWidthMatchPrintf) {
  std::mt19937_64 rng(17);
  for (int round = 0; round < 3000; ++round) {
    uint64_t raw = rng() >> (rng() % 64);
    if (round % 5 == 0) raw = ~raw;  // negative patterns
    for (int32_t code = kTypeInt8; code <= kTypeUInt64; ++code) {
      const int width = 8 << (code / 2);  // Int8, UInt8, Int16, ... UInt64
      uint64_t expected = width == 64 ? raw : raw & ((uint64_t{1} << width) - 1);
      ASSERT_EQ(Bytes(ValueToHexString(&raw, code)), Printed("%llX", expected));
      ASSERT_EQ(Bytes(ValueToOctalString(&raw, code)), Printed("%llo", expected));
      ASSERT_EQ(Bytes(ValueToBinaryString(&raw, code)), BinaryReference(expected));
    }
    ASSERT_EQ(Take(RuntimeBin(int32_t(raw))), BinaryReference(uint32_t(raw)));
    ASSERT_EQ(Take(RuntimeHexInt16(int16_t(raw))), Printed("%llX", raw & 0xFFFF));
  }
  EXPECT_EQ(Take(RuntimeHexSingle(2.9f)) + Take(RuntimeHexDouble(-2.9)), "2FFFFFFFE");
  int8_t byte = 1;
  EXPECT_EQ(ValueToHexString(&byte, 8).Storage(), nullptr) << "unknown type code";
  bool bad = true;
  EXPECT_EQ(HexVal("12", -1, &bad), 0u) << "a negative length reads nothing";
}

TEST(URLComponent, EncodingAndDecodingMatchTheReference) {
  std::mt19937 rng(23);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes, reference;
    for (size_t n = rng() % 20; n > 0; --n) bytes += char(rng() % 256);
    for (unsigned char c : bytes) {
      const bool safe = (isalnum(c) && c < 0x80) || c == '-' || c == '_' || c == '.';
      reference += safe ? std::string(1, char(c)) : Printed("%%%02llX", c);
    }
    string encoded = EncodeURLComponent(Make(bytes, kEncodingNone));
    ASSERT_EQ(Bytes(encoded), reference);
    ASSERT_EQ(Bytes(DecodeURLComponent(encoded, kEncodingUTF8)), bytes);
  }
  // Broken escapes never read past the end.
  EXPECT_EQ(Bytes(DecodeURLComponent(string("%zz%4"), kEncodingUTF8)), std::string("\0%4", 3));
  EXPECT_EQ(Bytes(DecodeURLComponent(string("ab%"), kEncodingUTF8)), "ab%");
}

// Each of CR LF, CR and LF becomes the new ending; 16-bit text is matched on whole units and
// keeps its encoding.
TEST(EndOfLine, ReplaceLineEndings) {
  EXPECT_EQ(Bytes(ReplaceLineEndings(string("a\r\n\r\rb\n\n\r"), string("<br>"))),
            "a<br><br><br>b<br><br><br>");
  TextEncoding encoding;
  string wide = Make(CodePoints{'a', '\r', '\n', 0x0D0A, 'b'}, Form::kUTF16);
  EXPECT_EQ(Take(RuntimeReplaceLineEndings(wide.Storage(), string("\r").Storage()), &encoding),
            EncodeUTF16({'a', '\r', 0x0D0A, 'b'}));
  EXPECT_EQ(encoding, kEncodingUnicode16);
}

}  // namespace
