// Number formatting: the published examples as golden strings, the primitive against printf on
// random doubles, long Format pictures against a grouping model, and pictures of every encoding.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>

#include "StringFunctionsTestSupport.h"
#include "UTF8TestSupport.h"
#include "strings/FixedPointText.h"
#include "strings/FormatPicture.h"
#include "strings/NumberFormat.h"
#include "strings/StringNumbers.h"
#include "support/CLocaleText.h"

using namespace strtest;

namespace {

// The C library's digits with its "." (a model of the primitive, which never follows the locale).
std::string Printf(const char* format, int precision, double value) {
  return qvtest::CText(format, precision, value);
}

// "1234567.891" -> "1,234,567.891" with the given separators.
std::string Grouped(const std::string& plain, const std::string& thousands,
                    const std::string& point) {
  const size_t dot = std::min(plain.find('.'), plain.size());
  std::string out;
  for (size_t i = 0; i < dot; ++i) out += (i > 0 && (dot - i) % 3 == 0 ? thousands : "") + plain[i];
  return dot == plain.size() ? out : out + point + plain.substr(dot + 1);
}

TEST(NumberFormatTest, PublishedExamples) {
  const ScopedLocale c("C");  // Format's separators follow the locale
  const struct {
    double value;
    const char *format, *expected;
  } cases[] = {
      {0.256, "0.0%", "25.6%"}, {-3, "#;(#)", "(3)"}, {0, "#;-#;\\z\\e\\r\\o", "zero"},
      {123456, "sCiEnTiFiC", "1.234560E+5"}, {5, "$#", "5"}, {5, "\\$#", "$5"}, {-5, "#", "5"},
      {12.25, ".00", ".25"}, {1234567, "#,0", "1,234,567"}, {0, "a;b;\\c", "c"},
      {-2, "0;\\n\\e\\g", "neg"}, {NAN, "0;\\n", "NaN"}, {5, "+0", "+5"}, {0, "+0", "0"},
      {0.5, "#.##", "0.5"}, {1.5e-7, "0.00e-00", "1.50e-07"}, {1.5e7, "0.0E-0", "1.5E7"},
      {1.5e7, "0.0e", "1.5e+7"}, {2, "0\\;0;x", "0;2"}, {1234.5678, "#,##0.0##", "1,234.568"},
      {42, "0000", "0042"}, {5, "", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Bytes(FormatNumber(c.value, c.format)), c.expected) << c.format;
  const struct {
    double value;
    const char* expected;
  } strCases[] = {
      {123456.789, "123456.8"}, {1234567, "1.234567e+6"}, {0.000001, "1.000000e-06"}, {-0.0, "0"},
  };
  for (const auto& c : strCases) EXPECT_EQ(Take(StringStrDouble(c.value)), c.expected) << c.value;
  EXPECT_EQ(Take(StringStrSingle(0.1f)), "0.1");
  EXPECT_EQ(Bytes(SelectFormatSection(-1, "a\\;x;b")), "b");
}

TEST(NumberFormatTest, PrimitiveMatchesPrintfOnRandomDoubles) {
  std::mt19937_64 rng(2140);
  for (int i = 0; i < 20000; ++i) {
    double value;
    uint64_t bits = rng();
    std::memcpy(&value, &bits, sizeof value);
    if (i % 3 == 0) value = std::ldexp(double(rng() % 2000000) - 1e6, -(i % 40));
    const bool fixed = rng() % 2;
    const int precision = int(rng() % (fixed ? 20 : 18)) + (fixed ? 0 : 1);
    // printf's text with a one-digit exponent unpadded, no minus on an all-zero text, "NaN".
    std::string model =
        fixed ? Printf("%.*f", precision, value) : Printf("%.*e", precision - 1, value);
    if (!fixed && model.find("e+0") != std::string::npos) model.erase(model.find("e+0") + 2, 1);
    if (model[0] == '-' && model.find_first_not_of("0.", 1) == std::string::npos) model.erase(0, 1);
    EXPECT_EQ(Bytes(FormatDoubleDigits(value, fixed, precision)), std::isnan(value) ? "NaN" : model)
        << value << (fixed ? " f " : " e ") << precision;
  }
  // Long texts are sized from the value.
  EXPECT_EQ(Bytes(FormatDoubleDigits(-1e308, true, 400)), Printf("%.*f", 400, -1e308));
}

// The fixed-point printer writes exactly what std::to_chars writes wherever it answers: random
// bits, money-like amounts at every scale, integers up to 2^63, exact ties (odd multiples of
// 2^-(precision + 1), rounded to even), values around 2^32 and 2^64 once scaled, subnormals and
// zeros of both signs. Ordinary amounts must be covered, not left to the general printer.
TEST(NumberFormatTest, FixedPointPrinterMatchesToChars) {
  std::mt19937_64 rng(8014);
  int covered = 0;
  auto check = [&covered](double value, int precision) {
    char mine[kFixedPointTextRoom], reference[400];
    char* end = PrintFixedPoint(mine, value, precision);
    if (!end) return;
    ++covered;
    auto printed = std::to_chars(reference, reference + sizeof reference, value,
                                 std::chars_format::fixed, precision);
    ASSERT_EQ(std::string(mine, end), std::string(reference, printed.ptr))
        << std::hexfloat << value << " precision " << precision;
  };
  for (int i = 0; i < 200000 && !HasFailure(); ++i) {
    const int precision = int(rng() % 20);
    uint64_t bits = rng();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    switch (i % 6) {
      case 0: break;  // random bits: mostly not covered
      case 1: value = std::ldexp(double(rng() >> 11), -int(rng() % 90)); break;
      case 2: value = double(int64_t(rng() >> (1 + rng() % 63))); break;
      case 3: value = std::ldexp(double(2 * (rng() >> 13) + 1), -(precision + 1)); break;
      case 4: value = std::ldexp(1.0 + double(rng() % 1000) / 1e6, 32 + int(rng() % 33)) /
                      std::pow(10.0, precision); break;
      default: value = double(rng() % 100000000) / 100 * (rng() % 2 ? -1 : 1); break;
    }
    check(value, precision);
  }
  for (double value : {0.0, -0.0, 5e-324, -2.5e-310, 0.5, 1.5, 2.5, -0.125, 0x1p63, 0x1p62})
    for (int precision : {0, 1, 2, 19}) check(value, precision);
  EXPECT_GT(covered, 100000);
  char out[kFixedPointTextRoom];
  EXPECT_NE(PrintFixedPoint(out, 1234.5, 2), nullptr);
  EXPECT_EQ(PrintFixedPoint(out, 1e300, 2), nullptr);
  EXPECT_EQ(PrintFixedPoint(out, 1.5, 20), nullptr);
}

// A picture's sections are worked out once and kept while the same text comes again: pictures
// that share a length, that differ only in encoding, and values of every sign, formatted in a
// random order, give what each gives right after another picture.
TEST(NumberFormatTest, RepeatedPicturesGiveWhatAFreshOneGives) {
  const std::vector<string> pictures = {
      "#;(#);\\z", "#;[#];\\z", "#,##0.00", "0.0E+0", "Scientific", "",
      string("#;(#);\\z").GetUTF16String(), Make("#;(#)\xA5", kEncodingMacRoman),
      Make("#\\\xC3\xA9", kEncodingUTF8), Make("#\\\xC3\xA9", kEncodingMacRoman)};
  const double values[] = {-1234.5, 0, 7.25, 1e9};
  std::vector<std::vector<std::string>> fresh(pictures.size());
  for (size_t p = 0; p < pictures.size(); ++p) {
    for (double value : values) {
      FormatNumber(1, pictures[(p + 1) % pictures.size()]);
      fresh[p].push_back(Bytes(FormatNumber(value, pictures[p])));
    }
  }
  std::mt19937 rng(77);
  for (int i = 0; i < 400; ++i) {
    size_t p = rng() % pictures.size(), v = rng() % 4;
    ASSERT_EQ(Bytes(FormatNumber(values[v], pictures[p])), fresh[p][v]) << p << " " << v;
  }
  EXPECT_EQ(fresh[0][0], "(1234)") << "half to even";
  EXPECT_EQ(fresh[1][0], "1234") << "brackets are not printed";
  EXPECT_EQ(fresh[0][1], "z");
  EXPECT_EQ(fresh[8][2], "7\xC3\xA9") << "an escape takes the whole UTF-8 character";
  EXPECT_EQ(fresh[9][2], "7\xC3") << "and one Mac Roman byte";
}

// Long outputs: 309 digits and their separators, and a thousand decimals.
TEST(NumberFormatTest, LongPicturesAreNeverCut) {
  const ScopedLocale c("C");  // Format's separators follow the locale
  EXPECT_EQ(Bytes(FormatNumber(-1e308, "#,##0.0")), Grouped(Printf("%.*f", 1, 1e308), ",", "."));
  EXPECT_EQ(Bytes(FormatNumber(1.0 / 3, string(("0." + std::string(1000, '0')).c_str()))),
            Printf("%.*f", 1000, 1.0 / 3));
}

// A picture in 16-bit or 8-bit text gives text of its encoding.
TEST(NumberFormatTest, FormatTextsOfEveryEncoding) {
  const ScopedLocale c("C");  // Format's separators follow the locale
  string wide = FormatNumber(-1234.5, string("\\$#,##0.0;(#,##0.0)").GetUTF16String());
  EXPECT_EQ(wide.Encoding(), kEncodingUnicode16);
  EXPECT_EQ(Bytes(wide.GetUTF8String()), "(1,234.5)");
  string eightBit = FormatNumber(2.25, Make("0.0\\\xA5", kEncodingMacRoman));  // escaped yen
  EXPECT_EQ(eightBit.Encoding(), kEncodingMacRoman);
  EXPECT_EQ(Bytes(eightBit), "2.2\xA5");
}

// Format's separators and CDbl follow the user's locale; Str and Val keep "." whatever it says.
TEST(NumberFormatTest, CommaDecimalLocaleGovernsSeparatorsButNotVal) {
  ScopedLocale german("de_DE.UTF-8");
  if (!german.active()) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  EXPECT_EQ(Take(StringStrDouble(2.5)), "2.5");
  EXPECT_EQ(Bytes(FormatNumber(1234.5, "#,##0.00")), "1.234,50");
  EXPECT_EQ(StringVal(string("2.5").Storage()), 2.5);
  EXPECT_EQ(runCDbl(string("1.234,5").Storage()), 1234.5);
}

// Under a locale of a single-byte character set, the separators reach every reader in UTF-8,
// converted from the locale's bytes: Format's text, CDbl's reading and the separators the
// other readers take, as Python decodes the locale's own conventions.
TEST(NumberFormatTest, SingleByteLocaleSeparatorsAreUTF8) {
  ScopedLocale french("fr_FR.ISO-8859-1");
  if (!french.active())
    GTEST_SKIP() << "fr_FR.ISO-8859-1 is not installed (scripts/install-deps generates it)";
  const auto rows = utf8test::PythonRows(
      "import locale\n"
      "locale.setlocale(locale.LC_ALL, 'fr_FR.ISO-8859-1')\n"
      "c = locale.localeconv()\n"
      "print(locale.nl_langinfo(locale.CODESET), c['thousands_sep'].encode().hex(),"
      " c['decimal_point'].encode().hex())\n");
  ASSERT_EQ(rows.size(), 1u);
  ASSERT_EQ(rows[0].size(), 3u) << "a locale without a thousands separator proves nothing";
  ASSERT_EQ(rows[0][0], "ISO-8859-1");
  const std::string thousands = utf8test::Unhex(rows[0][1]), point = utf8test::Unhex(rows[0][2]);
  ASSERT_GE(static_cast<unsigned char>(thousands[0]), 0x80) << "an ASCII separator proves nothing";
  string formatted = FormatNumber(1234567.5, "#,##0.00");
  EXPECT_EQ(Bytes(formatted), "1" + thousands + "234" + thousands + "567" + point + "50");
  EXPECT_EQ(formatted.Encoding(), kEncodingUTF8);
  string t, d;
  GetLocaleSeparators(&t, &d, nullptr, nullptr);
  EXPECT_EQ(Bytes(t), thousands);
  EXPECT_EQ(Bytes(d), point);
  EXPECT_EQ(runCDbl(Make("1" + thousands + "234" + point + "5", kEncodingUTF8).Storage()), 1234.5);
}

// A picture of one byte a character takes the locale's separators where its encoding holds
// them, else the stand-ins "," and "." (the other one where the locale's point is the
// stand-in), never "?". The stand-ins are for display: CDbl reads the locale's own
// separators, so that the same characters give the same number in every encoding.
TEST(NumberFormatTest, SingleBytePicturesTakeStandInsForSeparatorsTheyLack) {
  const struct {
    const char* locale;
    const char* expected;  // in every single-byte encoding
    double read;           // CDbl of it, in that encoding and in UTF-8 alike
  } locales[] = {{"C", "1,234,567.50", 1234567.5},
                 {"de_DE.UTF-8", "1.234.567,50", 1234567.5},
                 {"fr_FR.UTF-8", "1.234.567,50", 1.234},  // a narrow no-break space is no Latin-1
                 {"ps_AF.UTF-8", "1,234,567.50", 1}};  // nor are the Arabic separators
  constexpr TextEncoding kLatin1 = 0x0201;
  for (const auto& l : locales) {
    const ScopedLocale locale(l.locale);
    ASSERT_TRUE(locale.active()) << l.locale << ": scripts/install-deps generates it";
    for (TextEncoding encoding : {kLatin1, kEncodingWindowsLatin1, kEncodingMacRoman}) {
      string text = FormatNumber(1234567.5, Make("#,##0.00", encoding));
      EXPECT_EQ(Bytes(text), l.expected) << l.locale << " " << encoding;
      EXPECT_EQ(text.Encoding(), encoding);
      EXPECT_EQ(runCDbl(text.Storage()), l.read) << l.locale << " " << encoding;
      EXPECT_EQ(runCDbl(Make(l.expected, kEncodingUTF8).Storage()), l.read) << l.locale;
    }
    const string utf8 = FormatNumber(-1234567.5, Make("-#,##0.00", kEncodingUTF8));
    EXPECT_EQ(runCDbl(utf8.Storage()), -1234567.5) << l.locale;
  }
  const ScopedLocale french("fr_FR.UTF-8");
  EXPECT_EQ(runCDbl(Make("1234,5", kLatin1).Storage()), 1234.5);
}

// CDbl of the same characters is the same number in every encoding: a "." under a locale whose
// grouping mark is no "." is no grouping mark in Latin-1 either.
TEST(NumberFormatTest, CDblReadsTheSameCharactersAlikeInEveryEncoding) {
  const struct {
    const char* locale;
    const char* text;
    double value;
  } rows[] = {{"fr_FR.UTF-8", "3.14", 3.14},      {"fr_FR.UTF-8", "1.234,5", 1.234},
              {"fr_FR.UTF-8", "-1234,5", -1234.5}, {"ps_AF.UTF-8", "1,5", 1},
              {"ps_AF.UTF-8", "2.5", 2.5},         {"de_DE.UTF-8", "1.234,5", 1234.5},
              {"C", "1,234.5", 1234.5}};
  for (const auto& row : rows) {
    const ScopedLocale locale(row.locale);
    ASSERT_TRUE(locale.active()) << row.locale << ": scripts/install-deps generates it";
    for (TextEncoding encoding : {kEncodingUTF8, kEncodingASCII, TextEncoding{0x0201},
                                  kEncodingWindowsLatin1, kEncodingMacRoman, kEncodingNone,
                                  TextEncoding{2561}, kEncodingUnicode16}) {
      const string text = encoding == kEncodingUnicode16
                              ? Make(row.text, kEncodingASCII).GetUTF16String()
                              : Make(row.text, encoding);
      EXPECT_EQ(runCDbl(text.Storage()), row.value) << row.locale << " " << row.text << " in "
                                                    << encoding;
    }
  }
}

}  // namespace
