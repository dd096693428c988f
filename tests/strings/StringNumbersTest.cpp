// Str of the integer types against printf, Val against a regular-expression model of its
// grammar and strtod, the "&" prefixes, and CDbl and CLong in the C and a comma-decimal locale.
#include <gtest/gtest.h>
#include <inttypes.h>
#include <locale.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <regex>
#include <string>

#include "strings/StringNumbers.h"

namespace {

std::string Text(stringStorage* record) {
  string s = string::Adopt(record);
  EXPECT_EQ(s.Encoding(), kEncodingASCII);
  return std::string(s.CString(), s.Length());
}

template <typename... Args>
std::string Printf(const char* format, Args... args) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, args...);
  return buffer;
}

string Ascii(const std::string& text) {
  return string::FromBytes(text.data(), static_cast<int64_t>(text.size()), kEncodingASCII);
}

// The grammar Val accepts without setting its not-a-number flag, written independently.
const std::regex& ValGrammar() {
  static const std::regex grammar(
      "[ \\t\\n\\r]*[+-]?([0-9][0-9,]*(\\.[0-9]*)?|\\.[0-9]+)([eEdD][+-]?[0-9]+)?[ \\t\\n\\r]*");
  return grammar;
}

double CLocaleStrtod(const std::string& text) {
  locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
  double value = strtod_l(text.c_str(), nullptr, c);
  freelocale(c);
  return value;
}

class ScopedLocale {
 public:
  explicit ScopedLocale(const char* name) : mSaved(setlocale(LC_ALL, nullptr)) {
    mActive = setlocale(LC_ALL, name) != nullptr;
  }
  ~ScopedLocale() { setlocale(LC_ALL, mSaved.c_str()); }
  bool active() const { return mActive; }

 private:
  std::string mSaved;
  bool mActive;
};

TEST(StringNumbersTest, IntegerStrMatchesPrintf) {
  std::mt19937_64 rng(107);
  for (int i = 0; i < 2000; ++i) {
    uint64_t bits = rng() >> (rng() % 64);
    EXPECT_EQ(Text(StringStrInt8(static_cast<int8_t>(bits))), Printf("%d", int8_t(bits)));
    EXPECT_EQ(Text(StringStrUInt8(static_cast<uint8_t>(bits))), Printf("%u", uint8_t(bits)));
    EXPECT_EQ(Text(StringStrInt16(static_cast<int16_t>(bits))), Printf("%d", int16_t(bits)));
    EXPECT_EQ(Text(StringStrUInt16(static_cast<uint16_t>(bits))), Printf("%u", uint16_t(bits)));
    EXPECT_EQ(Text(StringStrInt32(static_cast<int32_t>(bits))), Printf("%d", int32_t(bits)));
    EXPECT_EQ(Text(StringStrUInt32(static_cast<uint32_t>(bits))), Printf("%u", uint32_t(bits)));
    EXPECT_EQ(Text(StringStrInt64(static_cast<int64_t>(bits))),
              Printf("%" PRId64, int64_t(bits)));
    EXPECT_EQ(Text(StringStrUInt64(bits)), Printf("%" PRIu64, bits));
  }
  EXPECT_EQ(Text(StringStrInt64(INT64_MIN)), "-9223372036854775808");
  EXPECT_EQ(Text(StringStrInt32(INT32_MIN)), "-2147483648");
}

TEST(StringNumbersTest, ValMatchesGrammarModelAndStrtod) {
  ScopedLocale german("de_DE.UTF-8");  // Val reads "." whatever the locale says
  const char alphabet[] = " \t\n\r+-.,0123456789eEdDx";
  std::mt19937 rng(2107);
  for (int i = 0; i < 30000; ++i) {
    std::string text;
    int length = static_cast<int>(rng() % 9);
    for (int j = 0; j < length; ++j) text += alphabet[rng() % (sizeof alphabet - 1)];
    if (text.size() >= 2 && text[0] == '&') continue;
    bool notANumber = false;
    double value = Val(Ascii(text), &notANumber);
    EXPECT_EQ(notANumber, !std::regex_match(text, ValGrammar())) << "[" << text << "]";
    double expected = CLocaleStrtod(text);
    if (std::isnan(expected)) {
      EXPECT_TRUE(std::isnan(value)) << text;
    } else {
      EXPECT_EQ(value, expected) << "[" << text << "]";
    }
  }
  bool flag = false;
  EXPECT_EQ(Val(string("2.5"), &flag), 2.5);
  EXPECT_FALSE(flag);
  EXPECT_EQ(Val(string("12abc"), &flag), 12);
  EXPECT_TRUE(flag);
  EXPECT_EQ(Val(string(), &flag), 0);
  EXPECT_TRUE(flag);
  EXPECT_EQ(Val(string("1,234.5e+2"), &flag), 1);  // strtod stops at the comma
  EXPECT_FALSE(flag);
  string wide = string(" -7.25 ").GetUTF16String();
  EXPECT_EQ(Val(wide, &flag), -7.25);
  EXPECT_FALSE(flag);
  EXPECT_EQ(StringVal(string("3.5").Storage()), 3.5);
}

TEST(StringNumbersTest, ValPrefixes) {
  struct Case {
    const char* text;
    double value;
    bool notANumber;
  } cases[] = {
      {"&hFF", 255, false}, {"&HfF", 255, false}, {"&b101", 5, false}, {"&B1", 1, false},
      {"&o17", 15, false},  {"&O7", 7, false},    {"&z1", 0, true},    {"&h1-2", 0x12, true},
      {"&b102", 2, true},  {"&h", 0, false},     {"&hFFFFFFFF", 4294967295.0, false},
      {"&", 0, true},  // one byte: no prefix, and "&" is no number
  };
  for (const Case& c : cases) {
    bool flag = !c.notANumber;
    EXPECT_EQ(Val(string(c.text), &flag), c.value) << c.text;
    EXPECT_EQ(flag, c.notANumber) << c.text;
  }
}

TEST(StringNumbersTest, LocaleValAndParseLong) {
  {
    ScopedLocale c("C");
    EXPECT_EQ(runCDbl(string("1,234.5").Storage()), 1234.5);
    EXPECT_EQ(runCDbl(nullptr), 0);
  }
  {
    ScopedLocale german("de_DE.UTF-8");
    if (german.active()) {
      EXPECT_EQ(runCDbl(string("1.234,5").Storage()), 1234.5);
      EXPECT_EQ(runCDbl(string("-0,25").GetUTF16String().Storage()), -0.25);
      EXPECT_EQ(StringVal(string("2.5").Storage()), 2.5);
    }
  }
  struct Case {
    const char* text;
    int32_t value;
  } cases[] = {
      {"-42", -42},         {"&H1F", 31},          {"&hff", 255},      {"&b101", 5},
      {"&O17", 15},         {"&q1", 0},            {"", 0},            {"12x3", 12},
      {"&h1G", 1},          {"4294967297", 1},     {"-2147483648", INT32_MIN},
      {"&hFFFFFFFF", -1},   {"&", 0},              {"-", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(runCLong(string(c.text).Storage()), c.value) << c.text;
  EXPECT_EQ(ParseLong(string("123").GetUTF16String()), 123);
}

}  // namespace
