#include "core/NumberText.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace {

std::string Text(const string& s) { return std::string(s.CString(), s.Length()); }

std::string Printed(const char* format, auto value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// Switches the whole process to a comma-decimal locale for the test's life.
class CommaLocale {
 public:
  CommaLocale() : mSaved(setlocale(LC_ALL, nullptr)) {
    mActive = setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  }
  ~CommaLocale() { setlocale(LC_ALL, mSaved.c_str()); }
  bool active() const { return mActive; }

 private:
  std::string mSaved;
  bool mActive;
};

TEST(NumberText, IntegersMatchPrintf) {
  std::mt19937 rng(1127);
  for (int i = 0; i < 5000; ++i) {
    int bits = static_cast<int>(rng() % 65);
    uint64_t raw = (uint64_t{rng()} << 32) | rng();
    uint64_t value = bits == 64 ? raw : raw & ((uint64_t{1} << bits) - 1);
    int32_t small = static_cast<int32_t>(value);
    ASSERT_EQ(Text(ultoa(small)), Printed("%" PRId32, small));
    ASSERT_EQ(Text(ulltoa(static_cast<int64_t>(value))),
              Printed("%" PRId64, static_cast<int64_t>(value)));
    ASSERT_EQ(Text(ulltoa(-static_cast<int64_t>(value >> 1))),
              Printed("%" PRId64, -static_cast<int64_t>(value >> 1)));
    ASSERT_EQ(Text(uulltoa(value)), Printed("%" PRIu64, value));
    ASSERT_EQ(Text(ultohexa(static_cast<uint32_t>(value))),
              Printed("%08" PRIX32, static_cast<uint32_t>(value)));
  }
}

TEST(NumberText, EdgeCases) {
  EXPECT_EQ(Text(ulltoa(INT64_MIN)), "-9223372036854775808");
  EXPECT_EQ(Text(ulltoa(0)), "0");
  EXPECT_EQ(Text(uulltoa(UINT64_MAX)), "18446744073709551615");
  EXPECT_EQ(Text(ultoa(INT32_MIN)), "-2147483648");
  EXPECT_EQ(Text(ultohexa(255)), "000000FF");
  EXPECT_EQ(Text(udtoa(-0.0, false)), "0");
  EXPECT_EQ(Text(udtoa(-0.0, true)), "0.000000e+00");
  EXPECT_EQ(ultoa(5).Encoding(), kEncodingASCII);
  EXPECT_EQ(udtoa(1.5, false).Encoding(), kEncodingASCII);
  EXPECT_EQ(uulltoa(7).Encoding(), kEncodingASCII);
}

TEST(NumberText, DoublesMatchPrintfInTheCLocaleWhateverTheUserLocale) {
  std::mt19937 rng(1128);
  std::vector<std::pair<double, bool>> cases;
  for (int i = 0; i < 5000; ++i) {
    uint64_t bits = (uint64_t{rng()} << 32) | rng();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (i % 2) value = static_cast<double>(static_cast<int32_t>(rng())) / 1000.0;
    cases.emplace_back(value, rng() % 2 == 0);
  }
  // The reference is printed in the C locale, before the user locale is switched in.
  std::vector<std::string> expected;
  for (auto [value, exponent] : cases) expected.push_back(Printed(exponent ? "%e" : "%g", value));
  CommaLocale comma;
  if (!comma.active()) GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
  ASSERT_EQ(Printed("%g", 1.5), "1,5");  // the switch took effect
  for (size_t i = 0; i < cases.size(); ++i)
    ASSERT_EQ(Text(udtoa(cases[i].first, cases[i].second)), expected[i]) << cases[i].first;
}

}  // namespace
