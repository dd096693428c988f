// Number formatting: the published examples as golden strings, the primitive against printf on
// random doubles, Format pictures against a grouping model, and the comma-decimal locale.
#include <gtest/gtest.h>
#include <locale.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "strings/FormatPicture.h"
#include "strings/NumberFormat.h"

namespace {

std::string Text(const string& s) { return std::string(s.CString(), s.Length()); }

std::string Printf(const char* format, int precision, double value) {
  locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
  locale_t previous = uselocale(c);
  int n = std::snprintf(nullptr, 0, format, precision, value);
  std::string out(static_cast<size_t>(n), '\0');
  std::snprintf(out.data(), out.size() + 1, format, precision, value);
  uselocale(previous);
  freelocale(c);
  return out;
}

// The primitive as its description reads, over printf's text.
std::string ModelDigits(double value, bool fixed, int precision) {
  if (value == 0) value = 0;
  std::string text = fixed ? Printf("%.*f", precision, value)
                           : Printf("%.*e", precision - 1, value);
  size_t e = text.find("e+0");
  if (!fixed && e != std::string::npos) text.erase(e + 2, 1);
  if (std::isnan(value)) return "NaN";
  if (text[0] == '-' && text.find_first_not_of("0.", 1) == std::string::npos) text.erase(0, 1);
  return text;
}

// "1234567.891" -> "1,234,567.891" with the given separators.
std::string Grouped(const std::string& plain, const std::string& thousands,
                    const std::string& point) {
  size_t dot = plain.find('.');
  std::string integer = plain.substr(0, dot);
  std::string out;
  for (size_t i = 0; i < integer.size(); ++i) {
    if (i > 0 && (integer.size() - i) % 3 == 0) out += thousands;
    out += integer[i];
  }
  return dot == std::string::npos ? out : out + point + plain.substr(dot + 1);
}

// Switches the process locale for one test; skips when the locale is not installed.
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

TEST(NumberFormatTest, PublishedExamples) {
  ScopedLocale c("C");
  struct Case {
    double value;
    const char* format;
    const char* expected;
  } cases[] = {
      {1234.5, "#,##0.00", "1,234.50"},     {1234567, "#,##0", "1,234,567"},
      {0.256, "0.0%", "25.6%"},             {-3, "#;(#)", "(3)"},
      {0, "#;-#;\\z\\e\\r\\o", "zero"},     {123456, "Scientific", "1.234560E+5"},
      {123456, "sCiEnTiFiC", "1.234560E+5"}, {5, "$#", "5"},
      {5, "\\$#", "$5"},                    {-5, "#", "5"},
      {-5, "-#", "-5"},                     {7, "()", "()"},
      {12.25, ".00", ".25"},                {1234567, "#,0", "1,234,567"},
      {0, "#;-#", "0"},                      {0, "0;-0", "0"},
      {0, "a;b;\\c", "c"},                  {-2, "0;\\n\\e\\g;\\z", "neg"},
      {-2, "0;\\n\\e\\g", "neg"},           {NAN, "0;\\n", "NaN"},
      {5, "+0", "+5"},                      {-5, "+0", "-5"},
      {0, "+0", "0"},                       {0.5, "#.##", "0.5"},
      {1.5e-7, "0.00e-00", "1.50e-07"},     {1.5e7, "0.0E-0", "1.5E7"},
      {1.5e7, "0.0e", "1.5e+7"},            {2, "0\\;0;x", "0;2"},
      {1234.5678, "#,##0.0##", "1,234.568"}, {42, "0000", "0042"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Text(FormatNumber(c.value, c.format)), c.expected) << c.format;
  }
  struct StrCase {
    double value;
    const char* expected;
  } strCases[] = {
      {123456.789, "123456.8"}, {1234567, "1.234567e+6"}, {0.00001, "0.00001"},
      {0.000001, "1.000000e-06"}, {0, "0"}, {-0.0, "0"}, {2.5, "2.5"}, {1e6, "1000000"},
      {NAN, "NaN"}, {-1e300, "-1.000000e+300"}, {INFINITY, "inf"}, {-2.5, "-2.5"},
  };
  for (const StrCase& c : strCases) {
    stringStorage* record = StringStrDouble(c.value);
    EXPECT_EQ(Text(string::Adopt(record)), c.expected) << c.value;
  }
  EXPECT_EQ(Text(string::Adopt(StringStrSingle(0.1f))), "0.1");
  EXPECT_EQ(Text(SelectFormatSection(0, "Scientific")), "-#.000000E+");
  EXPECT_EQ(Text(SelectFormatSection(-1, "a;b;c")), "b");
  EXPECT_EQ(Text(SelectFormatSection(0, "a;b")), "a");
  EXPECT_EQ(Text(SelectFormatSection(-1, "a\\;x;b")), "b");
  EXPECT_TRUE(FormatNumber(5, string()).IsEmpty());
}

TEST(NumberFormatTest, PrimitiveMatchesPrintfOnRandomDoubles) {
  std::mt19937_64 rng(2140);
  for (int i = 0; i < 20000; ++i) {
    double value;
    uint64_t bits = rng();
    std::memcpy(&value, &bits, sizeof value);
    if (i % 3 == 0) value = std::ldexp(static_cast<double>(rng() % 2000000) - 1e6, -(i % 40));
    bool fixed = rng() % 2;
    int precision = static_cast<int>(rng() % (fixed ? 20 : 18)) + (fixed ? 0 : 1);
    EXPECT_EQ(Text(FormatDoubleDigits(value, fixed, precision)),
              ModelDigits(value, fixed, precision))
        << value << (fixed ? " f " : " e ") << precision;
  }
  // Long texts are sized from the value.
  EXPECT_EQ(Text(FormatDoubleDigits(1e308, true, 2)), Printf("%.*f", 2, 1e308));
  EXPECT_EQ(Text(FormatDoubleDigits(-1e308, true, 400)), Printf("%.*f", 400, -1e308));
  EXPECT_EQ(Text(FormatDoubleDigits(1.5, false, 1)), "2e+0");
  EXPECT_EQ(Text(FormatDoubleDigits(1.5e-5, false, 2)), "1.5e-05");
}

TEST(NumberFormatTest, StrKeepsSevenSignificantDigits) {
  std::mt19937_64 rng(107);
  for (int i = 0; i < 20000; ++i) {
    double value = std::ldexp(static_cast<double>(rng() % 10000000) + 1, -60 + int(rng() % 110));
    if (rng() % 2) value = -value;
    std::string text = Text(DoubleToText(value, kDoubleTextByMagnitude, 7));
    double magnitude = std::fabs(value);
    bool exponent = magnitude > 1e6 || magnitude < 1e-5;
    EXPECT_EQ(text.find('e') != std::string::npos, exponent) << text;
    if (!exponent && text.find('.') != std::string::npos) {
      EXPECT_NE(text.back(), '0') << text;
      EXPECT_NE(text.back(), '.') << text;
    }
    // Half a unit of the last digit shown: the seventh significant one, or the seventh
    // decimal of a fixed-form value below 1.
    int integerDigits = magnitude < 1 ? 0 : static_cast<int>(std::floor(std::log10(magnitude))) + 1;
    double tolerance = exponent ? magnitude * 5.000001e-7
                                : 0.5000001 * std::pow(10.0, -std::max(7 - integerDigits, 0));
    EXPECT_NEAR(std::strtod(text.c_str(), nullptr), value, tolerance) << text;
  }
  // More integer digits than the precision: all of them, no decimals.
  EXPECT_EQ(Text(DoubleToText(123456789.25, kDoubleTextFixed, 7)), "123456789");
  EXPECT_EQ(Text(DoubleToText(1e7, kDoubleTextFixed, 7)), "10000000");
}

TEST(NumberFormatTest, PicturesMatchGroupedPrintf) {
  ScopedLocale c("C");
  std::mt19937_64 rng(3);
  for (int i = 0; i < 5000; ++i) {
    double value = std::ldexp(static_cast<double>(rng() % 100000000), -int(rng() % 30)) *
                   (rng() % 2 ? 1 : -1);
    std::string plain2 = Printf("%.*f", 2, std::fabs(value));
    EXPECT_EQ(Text(FormatNumber(value, "-0.00")), (value < 0 ? "-" : "") + plain2);
    EXPECT_EQ(Text(FormatNumber(value, "#,##0.00")), Grouped(plain2, ",", "."));
    std::string plain0 = Printf("%.*f", 0, std::fabs(value));
    EXPECT_EQ(Text(FormatNumber(value, "#,###")), Grouped(plain0, ",", "."));
  }
  // Long outputs: 309 digits and their separators, and a thousand decimals.
  EXPECT_EQ(Text(FormatNumber(-1e308, "#,##0.0")), Grouped(Printf("%.*f", 1, 1e308), ",", "."));
  EXPECT_EQ(Text(FormatNumber(1.0 / 3, string(("0." + std::string(1000, '0')).c_str()))),
            Printf("%.*f", 1000, 1.0 / 3));
}

TEST(NumberFormatTest, CommaDecimalLocale) {
  ScopedLocale german("de_DE.UTF-8");
  if (!german.active()) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  string thousands, point, date, time;
  GetLocaleSeparators(&thousands, &point, &date, &time);
  EXPECT_EQ(Text(thousands), ".");
  EXPECT_EQ(Text(point), ",");
  EXPECT_EQ(Text(date), "/");
  EXPECT_EQ(Text(time), ":");
  EXPECT_EQ(point.Encoding(), kEncodingUTF8);
  EXPECT_EQ(Text(FormatNumber(1234.5, "#,##0.00")), "1.234,50");
  EXPECT_EQ(Text(FormatNumber(12.25, ".00")), ",25");
  EXPECT_EQ(Text(string::Adopt(StringStrDouble(2.5))), "2.5");
  EXPECT_EQ(Text(FormatDoubleDigits(-0.001, true, 2)), "0.00");
  EXPECT_EQ(Text(FormatNumber(1234567.891, "#,##0.000")),
            Grouped(Printf("%.*f", 3, 1234567.891), ".", ","));
}

TEST(NumberFormatTest, WideAndEightBitFormatTexts) {
  ScopedLocale german("de_DE.UTF-8");
  if (!german.active()) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  string wide = FormatNumber(-1234.5, string("\\$#,##0.0;(#,##0.0)").GetUTF16String());
  EXPECT_EQ(wide.Encoding(), kEncodingUnicode16);
  EXPECT_EQ(Text(wide.GetUTF8String()), "(1.234,5)");
  const char macRoman[] = "0.0\\\xA5";  // an escaped yen sign in Mac OS Roman
  string eightBit = FormatNumber(2.25, string::FromBytes(macRoman, 5, kEncodingMacRoman));
  EXPECT_EQ(eightBit.Encoding(), kEncodingMacRoman);
  EXPECT_EQ(Text(eightBit), "2,2\xA5");
  string utf8 = FormatNumber(3, string::FromBytes("0\\\xE2\x82\xAC;x", 6, kEncodingUTF8));
  EXPECT_EQ(Text(utf8), "3\xE2\x82\xAC");
}

TEST(NumberFormatTest, FindByteFrom) {
  string text("a;b;c");
  EXPECT_EQ(FindByteFrom(0, text, ';'), 1);
  EXPECT_EQ(FindByteFrom(-5, text, ';'), 1);
  EXPECT_EQ(FindByteFrom(2, text, ';'), 3);
  EXPECT_EQ(FindByteFrom(4, text, ';'), -1);
  EXPECT_EQ(FindByteFrom(5, text, 'c'), -1);
  EXPECT_EQ(FindByteFrom(0, string(), 'a'), -1);
}

}  // namespace
