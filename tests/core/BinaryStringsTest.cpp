#include "core/BinaryStrings.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <string>

#include "support/TestSupport.h"

namespace {

std::string Text(const string& s) { return std::string(s.CString(), s.Length()); }

// Mac OS Roman bytes of a UTF-8 text, by iconv.
std::string MacRomanOf(const std::string& utf8) {
  iconv_t converter = iconv_open("MACINTOSH", "UTF-8");
  std::string in = utf8, out(utf8.size(), '\0');
  char* inPtr = in.data();
  size_t inLeft = in.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(converter);
  out.resize(out.size() - outLeft);
  return out;
}

TEST(FourCharCode, RoundTripsEveryCodeMostSignificantFirst) {
  std::mt19937 rng(4);
  for (int i = 0; i < 5000; ++i) {
    uint32_t code = rng();
    string s = FourCharCodeToString(code);
    ASSERT_EQ(s.Length(), 4);
    EXPECT_EQ(s.Encoding(), kEncodingMacRoman);
    EXPECT_EQ(s.Bytes()[0], code >> 24);
    EXPECT_EQ(s.Bytes()[3], code & 0xFF);
    ASSERT_EQ(StringToFourCharCode(s), code);
  }
  EXPECT_EQ(Text(FourCharCodeToString(0x54455854)), "TEXT");
}

TEST(FourCharCode, ConvertsToMacRomanAndRejectsOtherLengths) {
  const uint32_t unknown = 0x3F3F3F3F;
  EXPECT_EQ(StringToFourCharCode(string("abc")), unknown);
  EXPECT_EQ(StringToFourCharCode(string("abcde")), unknown);
  EXPECT_EQ(StringToFourCharCode(string()), unknown);
  // Five UTF-8 bytes that are four Mac OS Roman characters.
  std::string utf8 = "\xc3\x84" "bcd";
  string text = string::FromBytes(utf8.data(), int64_t(utf8.size()), kEncodingUTF8);
  std::string roman = MacRomanOf(utf8);
  ASSERT_EQ(roman.size(), 4u);
  uint32_t expected = 0;
  for (unsigned char c : roman) expected = (expected << 8) | c;
  EXPECT_EQ(StringToFourCharCode(text), expected);
}

TEST(Bits, WriteAndReadInTheirByteOrders) {
  EXPECT_EQ(Text(WriteShortAsBits(0x1234)), std::string("\x34\x12", 2));
  EXPECT_EQ(ReadShortAsBits(string::FromBytes("\x34\x12", 2, kEncodingASCII)), 0x1234);
  EXPECT_EQ(Text(WriteLongAsBits(0x11223344)), "\x11\x22\x33\x44");
  std::mt19937 rng(5);
  for (int i = 0; i < 5000; ++i) {
    uint32_t value = rng();
    uint16_t half = static_cast<uint16_t>(value);
    ASSERT_EQ(ReadShortAsBits(WriteShortAsBits(half)), half);
    ASSERT_EQ(ReadLongAsBits(WriteLongAsBits(value)), value);
  }
  // Zero bytes count: the strings are bytes, not text.
  EXPECT_EQ(WriteLongAsBits(0).Length(), 4);
  EXPECT_EQ(WriteShortAsBits(0).Encoding(), kEncodingASCII);
}

TEST(Bits, ShortStringsAreReportedAndReadAsZero) {
  qvtest::ReportCapture capture;
  EXPECT_EQ(ReadShortAsBits(string("a")), 0);
  EXPECT_EQ(ReadLongAsBits(string("abc")), 0u);
  EXPECT_EQ(ReadLongAsBits(string()), 0u);
  EXPECT_EQ(capture.count(), 3u);
}

}  // namespace
