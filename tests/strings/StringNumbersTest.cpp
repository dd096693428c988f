// Str of the integer types at their extremes, Val against a regular-expression model of its
// grammar and strtod, and the "&" prefixes, CDbl and CLong.
#include <gtest/gtest.h>
#include <locale.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <regex>

#include "StringFunctionsTestSupport.h"
#include "strings/StringNumbers.h"

using namespace strtest;

namespace {

std::string Text(stringStorage* record) {
  TextEncoding encoding = kEncodingASCII;
  std::string text = Take(record, &encoding);
  EXPECT_EQ(encoding, kEncodingASCII);
  return text;
}

// Str of the integer types at their extremes, where a sign or a width would show.
TEST(StringNumbersTest, IntegerStrAtTheExtremes) {
  EXPECT_EQ(Text(StringStrInt8(-128)), "-128");
  EXPECT_EQ(Text(StringStrUInt32(UINT32_MAX)), "4294967295");
  EXPECT_EQ(Text(StringStrInt64(INT64_MIN)), "-9223372036854775808");
  EXPECT_EQ(Text(StringStrUInt64(UINT64_MAX)), "18446744073709551615");
}

// Str of 32- and 64-bit integers against printf at every magnitude, on both sides of 2^32.
TEST(StringNumbersTest, IntegerStrMatchesPrintf) {
  std::mt19937_64 rng(3264);
  char expected[32];
  for (int i = 0; i < 20000; ++i) {
    const uint64_t bits = rng() >> (rng() % 64), signed_ = i % 2 ? bits : ~bits;
    const auto narrow = static_cast<int32_t>(signed_);
    const auto wide = static_cast<int64_t>(signed_);
    std::snprintf(expected, sizeof expected, "%" PRId32, narrow);
    ASSERT_EQ(Text(StringStrInt32(narrow)), expected);
    std::snprintf(expected, sizeof expected, "%" PRId64, wide);
    ASSERT_EQ(Text(StringStrInt64(wide)), expected);
    std::snprintf(expected, sizeof expected, "%" PRIu64, bits);
    ASSERT_EQ(Text(StringStrUInt64(bits)), expected);
  }
}

TEST(StringNumbersTest, ValMatchesGrammarModelAndStrtod) {
  ScopedLocale german("de_DE.UTF-8");  // Val reads "." whatever the locale says
  // The grammar Val accepts without setting its not-a-number flag, written independently.
  static const std::regex grammar(
      "[ \\t\\n\\r]*[+-]?([0-9][0-9,]*(\\.[0-9]*)?|\\.[0-9]+)([eEdD][+-]?[0-9]+)?[ \\t\\n\\r]*");
  locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
  const char alphabet[] = " \t\n\r+-.,0123456789eEdDx";
  std::mt19937 rng(2107);
  for (int i = 0; i < 30000; ++i) {
    std::string text;
    for (int j = int(rng() % 9); j > 0; --j) text += alphabet[rng() % (sizeof alphabet - 1)];
    bool notANumber = false;
    const double value = Val(string::FromBytes(text.data(), int64_t(text.size()), kEncodingASCII),
                             &notANumber);
    EXPECT_EQ(notANumber, !std::regex_match(text, grammar)) << "[" << text << "]";
    const double expected = strtod_l(text.c_str(), nullptr, c);
    EXPECT_TRUE(value == expected || (std::isnan(value) && std::isnan(expected)))
        << "[" << text << "]";
  }
  freelocale(c);
  bool flag = true;
  EXPECT_EQ(Val(string(" -7.25 ").GetUTF16String(), &flag), -7.25);
  EXPECT_FALSE(flag);
}

// The "&" prefixes in Val (flagging what is no number) and in CLong, and CDbl's separators.
TEST(StringNumbersTest, PrefixesAndLocaleNumbers) {
  const struct {
    const char* text;
    double value;
    bool notANumber;
  } cases[] = {
      {"&HfF", 255, false}, {"&B101", 5, false}, {"&o17", 15, false}, {"&z1", 0, true},
      {"&h1-2", 0x12, true}, {"&b102", 2, true}, {"&h", 0, false},
      {"&hFFFFFFFF", 4294967295.0, false}, {"&", 0, true},  // "&" alone is no number
  };
  for (const auto& c : cases) {
    bool flag = !c.notANumber;
    EXPECT_EQ(Val(string(c.text), &flag), c.value) << c.text;
    EXPECT_EQ(flag, c.notANumber) << c.text;
  }
  // CLong reads 64 bits and wraps beyond them.
  const struct {
    const char* text;
    int64_t value;
  } longs[] = {
      {"&H1F", 31}, {"&q1", 0}, {"12x3", 12}, {"4294967297", 4294967297}, {"&", 0},
      {"&hFFFFFFFF", 4294967295}, {"&hFFFFFFFFFFFFFFFF", -1}, {"-9223372036854775808", INT64_MIN},
      {"18446744073709551617", 1}, {"&o1777777777777777777777", -1},
  };
  for (const auto& c : longs) EXPECT_EQ(runCLong(string(c.text).Storage()), c.value) << c.text;
  const ScopedLocale c("C");  // CDbl reads the locale's separators
  EXPECT_EQ(runCDbl(string("1,234.5").Storage()), 1234.5);
}

}  // namespace
