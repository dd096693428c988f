#include "core/ByteUtilities.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "support/TestSupport.h"

namespace {

int Sign(int64_t value) { return (value > 0) - (value < 0); }

// The capital of each Mac OS Roman byte as iconv and the C library's Unicode tables see it: the
// byte itself when its capital is not a single Mac OS Roman byte.
TEST(CaseFoldTable, MatchesMacRomanCapitalsFromIconv) {
  locale_t utf8 = newlocale(LC_ALL_MASK, "C.UTF-8", static_cast<locale_t>(0));
  ASSERT_NE(utf8, nullptr) << "the reference needs the C.UTF-8 locale";
  iconv_t toWide = iconv_open("WCHAR_T", "MACINTOSH"),
          fromWide = iconv_open("MACINTOSH", "WCHAR_T");
  for (int byte = 0; byte < 256; ++byte) {
    char in = static_cast<char>(byte), back[4] = {};
    wchar_t wide = 0;
    char *inPtr = &in, *outPtr = reinterpret_cast<char*>(&wide);
    size_t inLeft = 1, outLeft = sizeof wide;
    iconv(toWide, &inPtr, &inLeft, &outPtr, &outLeft);
    wchar_t upper = static_cast<wchar_t>(towupper_l(static_cast<wint_t>(wide), utf8));
    inPtr = reinterpret_cast<char*>(&upper);
    inLeft = sizeof upper;
    outPtr = back;
    outLeft = sizeof back;
    bool single =
        iconv(fromWide, &inPtr, &inLeft, &outPtr, &outLeft) != size_t(-1) && outPtr - back == 1;
    EXPECT_EQ(kCaseFoldTable[byte], single ? uint8_t(back[0]) : byte)
        << "byte 0x" << std::hex << byte;
  }
  iconv_close(toWide);
  iconv_close(fromWide);
  freelocale(utf8);
}

// Lexicographic over (folded) unsigned bytes, embedded NULs included; the C-string forms stop at
// the NUL and order nil first.
TEST(Compare, CountedAndCStringFormsAgreeWithAModel) {
  auto model = [](const std::string& a, const std::string& b, const uint8_t* fold) {
    std::basic_string<uint8_t> x, y;
    for (char c : a) x += fold ? fold[uint8_t(c)] : uint8_t(c);
    for (char c : b) y += fold ? fold[uint8_t(c)] : uint8_t(c);
    return Sign(x.compare(y));
  };
  static const char kSmall[] = {'a', 'A', 'b', 'B', '\0', '\x8a', '\x80', '_', 'z', '\xe9'};
  std::mt19937 rng(1127);
  for (int i = 0; i < 20000; ++i) {
    std::string a(rng() % 7, '\0'), b(rng() % 7, '\0');
    for (char& c : a) c = i % 2 ? kSmall[rng() % sizeof kSmall] : char(rng());
    for (char& c : b) c = i % 2 ? kSmall[rng() % sizeof kSmall] : char(rng());
    if (i % 5 == 0) b = a.substr(0, rng() % (a.size() + 1));
    SCOPED_TRACE(testing::PrintToString(a) + " vs " + testing::PrintToString(b));
    ASSERT_EQ(Sign(ustrcmp(a.data(), int32_t(a.size()), b.data(), int32_t(b.size()))),
              model(a, b, nullptr));
    ASSERT_EQ(Sign(ustrcmpi(a.data(), int32_t(a.size()), b.data(), int32_t(b.size()))),
              model(a, b, kCaseFoldTable));
    ASSERT_EQ(Sign(ustrcmp(a.c_str(), b.c_str())), Sign(std::strcmp(a.c_str(), b.c_str())));
    ASSERT_EQ(Sign(ustrcmpi(a.c_str(), b.c_str())), Sign(strcasecmp(a.c_str(), b.c_str())));
  }
  EXPECT_TRUE(ustrcmp(nullptr, 0, nullptr, 0) == 0 && ustrcmp(nullptr, 0, "a", 1) < 0);
  EXPECT_TRUE(ustrcmpi(nullptr, "") < 0 && ustrcmpi("", nullptr) > 0);
  qvtest::ReportCapture capture;
  EXPECT_TRUE(ustrcmp("abc", -1, "abd", 3) == 0 && ustrcmpi("abc", 3, "abd", -5) == 0);
  EXPECT_EQ(capture.count(), 2u);
}

TEST(MemoryFunctions, CopiesOverlapAndSearchesAgreeWithStdSearch) {
  uint8_t bytes[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  umemcpy(bytes + 1, bytes, 5);  // overlapping forward copy
  const uint8_t expectCopy[] = {0, 0, 1, 2, 3, 4, 6, 7, 8, 9};
  EXPECT_EQ(0, std::memcmp(bytes, expectCopy, 10));
  unsigned char destination[8] = {'.', '.', '.', '.', '.', '.', '.', '.'};
  PStringCopy(destination, reinterpret_cast<const unsigned char*>("\x03" "abcXYZ"));
  EXPECT_EQ(0, std::memcmp(destination, "\x03" "abc....", 8));
  std::mt19937 rng(42);
  for (int i = 0; i < 5000; ++i) {
    std::string buffer(rng() % 20, 'a'), pattern(1 + rng() % 4, 'a');
    for (char& c : buffer) c = char('a' + rng() % 2);
    for (char& c : pattern) c = char('a' + rng() % 2);
    auto it = std::search(buffer.begin(), buffer.end(), pattern.begin(), pattern.end());
    int expected = it == buffer.end() ? -1 : int(it - buffer.begin());
    ASSERT_EQ(umemcmp(buffer.data(), pattern.data(), pattern.size(), buffer.size()), expected)
        << buffer << " / " << pattern;
  }
}

// Reference: the decimal value modulo 2^32 after blanks and one sign.
TEST(Uatol, AgreesWithAModuloReferenceOnRandomTexts) {
  auto reference = [](const std::string& text) {
    size_t i = text.find_first_not_of(" \t");
    if (i == std::string::npos) return int32_t(0);
    bool negative = text[i] == '-';
    if (text[i] == '-' || text[i] == '+') ++i;
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
      value = value * 10 + uint32_t(text[i] - '0');
    return static_cast<int32_t>(negative ? 0u - value : value);
  };
  std::mt19937 rng(99);
  static const char kChars[] = " \t+-0123456789x";
  for (int i = 0; i < 5000; ++i) {
    std::string text(rng() % 30, ' ');
    for (char& c : text) c = kChars[rng() % (sizeof kChars - 1)];
    ASSERT_EQ(uatol(text.c_str()), reference(text)) << '"' << text << '"';
    int32_t cut = int32_t(rng() % (text.size() + 1));
    ASSERT_EQ(uatol(text.c_str(), cut), reference(text.substr(0, cut))) << text << " " << cut;
  }
  EXPECT_TRUE(uatol(nullptr) == 0 && uatol("-2147483648") == INT32_MIN && uatol("12345", -1) == 0);
}

TEST(Uatod, ParsesWithAPointInAnyLocale) {
  const char* previous = setlocale(LC_ALL, nullptr);
  std::string saved = previous ? previous : "C";
  if (!setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
  EXPECT_EQ(std::strtod("1.5", nullptr), 1.0);  // the locale really reads a comma
  EXPECT_EQ(uatod(" -2.25e3x"), -2250.0);
  setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(uatod(nullptr), 0.0);
}

TEST(UnicodeCharCompare, ComparesUnsignedAndFoldsOnRequest) {
  // e acute, Greek omega and their capitals; code points compare unsigned.
  EXPECT_EQ(UnicodeCharCompare(0xE9, 0xC9, true) + UnicodeCharCompare(0x3C9, 0x3A9, true), 0);
  EXPECT_EQ(UnicodeCharCompare(0x80000000u, 1, false), 1);
  std::mt19937 rng(12);
  for (int i = 0; i < 2000; ++i) {
    char a = static_cast<char>('A' + rng() % 58), b = static_cast<char>('A' + rng() % 58);
    ASSERT_EQ(UnicodeCharCompare(uint32_t(a), uint32_t(b), true), Sign(toupper(a) - toupper(b)));
    ASSERT_EQ(UnicodeCharCompare(uint32_t(a), uint32_t(b), false), Sign(a - b));
  }
}

}  // namespace
