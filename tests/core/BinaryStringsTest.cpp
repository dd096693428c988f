#include "core/BinaryStrings.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <string>

#include "support/TestSupport.h"

namespace {

std::string Text(const string& s) { return std::string(s.CString(), s.Length()); }

// Codes round-trip most significant byte first; a UTF-8 text is converted to Mac OS Roman
// (by iconv here) first; other lengths give '????'.
TEST(FourCharCode, RoundTripsAndConvertsToMacRoman) {
  std::mt19937 rng(4);
  for (int i = 0; i < 5000; ++i) {
    const uint32_t code = rng();
    string s = FourCharCodeToString(code);
    ASSERT_EQ(s.Encoding(), kEncodingMacRoman);
    ASSERT_EQ(s.Length(), 4);
    ASSERT_EQ(s.Bytes()[0], code >> 24);
    ASSERT_EQ(StringToFourCharCode(s), code);
  }
  for (const char* other : {"abc", "abcde", ""})
    EXPECT_EQ(StringToFourCharCode(string(other)), 0x3F3F3F3Fu);
  std::string utf8 = "\xc3\x84" "bcd", roman(4, '\0');
  iconv_t converter = iconv_open("MACINTOSH", "UTF-8");
  char *in = utf8.data(), *out = roman.data();
  size_t inLeft = utf8.size(), outLeft = roman.size();
  ASSERT_EQ(iconv(converter, &in, &inLeft, &out, &outLeft), 0u);
  iconv_close(converter);
  uint32_t expected = 0;
  for (unsigned char c : roman) expected = (expected << 8) | c;
  EXPECT_EQ(StringToFourCharCode(string::FromBytes(utf8.data(), 5, kEncodingUTF8)), expected);
}

// Shorts are little-endian, longs big-endian; zero bytes count; short strings report.
TEST(Bits, WriteAndReadInTheirByteOrders) {
  EXPECT_EQ(Text(WriteShortAsBits(0x1234)), std::string("\x34\x12", 2));
  EXPECT_EQ(Text(WriteLongAsBits(0x11223344)), "\x11\x22\x33\x44");
  EXPECT_EQ(WriteLongAsBits(0).Length(), 4);
  std::mt19937 rng(5);
  for (int i = 0; i < 5000; ++i) {
    const uint32_t value = rng();
    ASSERT_EQ(ReadShortAsBits(WriteShortAsBits(static_cast<uint16_t>(value))),
              static_cast<uint16_t>(value));
    ASSERT_EQ(ReadLongAsBits(WriteLongAsBits(value)), value);
  }
  qvtest::ReportCapture capture;
  EXPECT_EQ(ReadShortAsBits(string("a")), 0);
  EXPECT_EQ(ReadLongAsBits(string("abc")), 0u);
  EXPECT_EQ(capture.count(), 2u);
}

}  // namespace
