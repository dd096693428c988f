#include "core/NumberText.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace {

std::string Text(const string& s) {
  EXPECT_EQ(s.Encoding(), kEncodingASCII);
  return std::string(s.CString(), s.Length());
}

std::string Printed(const char* format, auto value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// The decimal forms are compared against printf through Str; here the hexadecimal one.
TEST(NumberText, HexMatchesPrintf) {
  std::mt19937 rng(1127);
  for (int i = 0; i < 5000; ++i) {
    const uint32_t value = rng() >> (rng() % 32);
    ASSERT_EQ(Text(ultohexa(value)), Printed("%08" PRIX32, value));
  }
  EXPECT_EQ(Text(udtoa(-0.0, false)), "0");
}

// The reference is printed in the C locale, before a comma-decimal user locale is switched in.
TEST(NumberText, DoublesMatchPrintfInTheCLocaleWhateverTheUserLocale) {
  std::mt19937 rng(1128);
  std::vector<std::pair<double, bool>> cases;
  std::vector<std::string> expected;
  for (int i = 0; i < 5000; ++i) {
    uint64_t bits = (uint64_t{rng()} << 32) | rng();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (i % 2) value = static_cast<double>(static_cast<int32_t>(rng())) / 1000.0;
    cases.emplace_back(value, rng() % 2 == 0);
    expected.push_back(Printed(cases.back().second ? "%e" : "%g", value));
  }
  const std::string saved = setlocale(LC_ALL, nullptr);
  if (!setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
  EXPECT_EQ(Printed("%g", 1.5), "1,5");  // the switch took effect
  for (size_t i = 0; i < cases.size() && !HasFailure(); ++i)
    EXPECT_EQ(Text(udtoa(cases[i].first, cases[i].second)), expected[i]) << cases[i].first;
  setlocale(LC_ALL, saved.c_str());
}

}  // namespace
