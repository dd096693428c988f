// Bin, Oct and Hex against printf and a bit-by-bit reference over random values of every
// width, their parsers against a model, and URL escaping against a reference with the safe set.
#include <gtest/gtest.h>

#include <bitset>
#include <cstdio>
#include <random>

#include "StringFunctionsTestSupport.h"
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
  size_t first = bits.find('1');
  return first == std::string::npos ? "0" : bits.substr(first);
}

TEST(NumberBases, DigitsOfEveryWidthMatchPrintf) {
  std::mt19937_64 rng(17);
  static const int kWidth[] = {8, 8, 16, 16, 32, 32, 64, 64};
  for (int round = 0; round < 3000; ++round) {
    uint64_t raw = rng() >> (rng() % 64);
    if (round % 5 == 0) raw = ~raw;  // negative patterns
    for (int32_t code = kTypeInt8; code <= kTypeUInt64; ++code) {
      uint64_t expected = kWidth[code] == 64 ? raw : raw & ((uint64_t{1} << kWidth[code]) - 1);
      ASSERT_EQ(Bytes(ValueToHexString(&raw, code)), Printed("%llX", expected));
      ASSERT_EQ(Bytes(ValueToOctalString(&raw, code)), Printed("%llo", expected));
      ASSERT_EQ(Bytes(ValueToBinaryString(&raw, code)), BinaryReference(expected));
    }
    int32_t value = static_cast<int32_t>(raw);
    ASSERT_EQ(Take(RuntimeHex(value)), Printed("%llX", static_cast<uint32_t>(value)));
    ASSERT_EQ(Take(RuntimeOct(value)), Printed("%llo", static_cast<uint32_t>(value)));
    ASSERT_EQ(Take(RuntimeBin(value)), BinaryReference(static_cast<uint32_t>(value)));
    ASSERT_EQ(Take(RuntimeHexInt16(static_cast<int16_t>(raw))), Printed("%llX", raw & 0xFFFF));
    ASSERT_EQ(Take(RuntimeOctInt64(static_cast<int64_t>(raw))), Printed("%llo", raw));
  }
  EXPECT_EQ(Take(RuntimeBin(0)), "0");
  EXPECT_EQ(Take(RuntimeHex(0)), "0");
  EXPECT_EQ(Take(RuntimeBinInt8(-5)), "11111011");
  EXPECT_EQ(Take(RuntimeHex(-1)), "FFFFFFFF");
  EXPECT_EQ(Take(RuntimeHexSingle(2.9f)), "2");
  EXPECT_EQ(Take(RuntimeHexDouble(-2.9)), "FFFFFFFE");
  int8_t byte = 1;
  EXPECT_EQ(ValueToHexString(&byte, 8).Storage(), nullptr) << "unknown type code";
}

uint32_t ModelParse(const std::string& text, uint32_t base, bool* bad) {
  uint32_t value = 0;
  *bad = false;
  for (char c : text) {
    int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                : std::isalpha(static_cast<unsigned char>(c)) && base == 16 ? std::toupper(c) - 'A' + 10
                                                                            : -1;
    if (digit < 0 || (base != 16 && digit >= static_cast<int>(base))) {
      *bad = true;
      continue;
    }
    value = value * base + static_cast<uint32_t>(digit);
  }
  return value;
}

TEST(NumberBases, ParsersMatchTheModel) {
  std::mt19937 rng(19);
  const char alphabet[] = "0123456789abcdefxyzABCXYZ-. 01";
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    for (size_t n = rng() % 14; n > 0; --n) text += alphabet[rng() % (sizeof alphabet - 1)];
    bool bad, expectedBad;
    int32_t length = static_cast<int32_t>(text.size());
    ASSERT_EQ(HexVal(text.data(), length, &bad), ModelParse(text, 16, &expectedBad)) << text;
    ASSERT_EQ(bad, expectedBad);
    ASSERT_EQ(ParseOctalDigits(text.data(), length, &bad), ModelParse(text, 8, &expectedBad)) << text;
    ASSERT_EQ(bad, expectedBad);
    ASSERT_EQ(ParseBinaryDigits(text.data(), length, &bad), ModelParse(text, 2, &expectedBad)) << text;
    ASSERT_EQ(bad, expectedBad);
  }
  bool bad = true;
  EXPECT_EQ(HexVal("1G", 2, &bad), 0x20u);
  EXPECT_FALSE(bad);
  EXPECT_EQ(HexVal("1-2", 3, &bad), 0x12u);
  EXPECT_TRUE(bad);
  EXPECT_EQ(HexVal("12", -1, &bad), 0u);
}

std::string EncodeReference(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (std::isalnum(c) && c < 0x80) out += static_cast<char>(c);
    else if (c == '-' || c == '_' || c == '.') out += static_cast<char>(c);
    else out += Printed("%%%02llX", c);
  }
  return out;
}

TEST(URLComponent, EncodingAndDecodingMatchTheReference) {
  std::mt19937 rng(23);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    for (size_t n = rng() % 20; n > 0; --n) bytes += static_cast<char>(rng() % 256);
    string encoded = EncodeURLComponent(Make(bytes, kEncodingNone));
    ASSERT_EQ(Bytes(encoded), EncodeReference(bytes));
    if (!bytes.empty()) {
      ASSERT_EQ(encoded.Encoding(), kEncodingASCII);
    }
    string decoded = DecodeURLComponent(encoded, kEncodingUTF8);
    ASSERT_EQ(Bytes(decoded), bytes);
  }
  EXPECT_EQ(Bytes(EncodeURLComponent(string("a b/c"))), "a%20b%2Fc");
  EXPECT_EQ(Bytes(DecodeURLComponent(string("a%2fb"), kEncodingUTF8)), "a/b");
  EXPECT_EQ(Bytes(DecodeURLComponent(string("%zz%4"), kEncodingUTF8)), std::string("\0%4", 3));
  EXPECT_EQ(Bytes(DecodeURLComponent(string("ab%"), kEncodingUTF8)), "ab%");
  EXPECT_EQ(Bytes(DecodeURLComponent(string("%"), kEncodingUTF8)), "%");
}

}  // namespace
