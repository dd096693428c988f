#include "core/ByteUtilities.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "support/TestSupport.h"

namespace {

int Sign(int64_t value) { return (value > 0) - (value < 0); }

// The upper-case form of one Mac OS Roman byte as iconv and the C library's Unicode tables
// see it: the byte itself when its capital is not a single Mac OS Roman byte.
uint8_t ReferenceUpperMacRoman(uint8_t byte) {
  static const locale_t utf8 = newlocale(LC_ALL_MASK, "C.UTF-8", static_cast<locale_t>(0));
  iconv_t toWide = iconv_open("WCHAR_T", "MACINTOSH");
  iconv_t fromWide = iconv_open("MACINTOSH", "WCHAR_T");
  char in = static_cast<char>(byte);
  wchar_t wide = 0;
  char* inPtr = &in;
  size_t inLeft = 1;
  char* outPtr = reinterpret_cast<char*>(&wide);
  size_t outLeft = sizeof wide;
  iconv(toWide, &inPtr, &inLeft, &outPtr, &outLeft);
  wchar_t upper = static_cast<wchar_t>(towupper_l(static_cast<wint_t>(wide), utf8));
  char back[4] = {};
  inPtr = reinterpret_cast<char*>(&upper);
  inLeft = sizeof upper;
  outPtr = back;
  outLeft = sizeof back;
  size_t converted = iconv(fromWide, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(toWide);
  iconv_close(fromWide);
  bool single = converted != static_cast<size_t>(-1) && outPtr - back == 1;
  return single ? static_cast<uint8_t>(back[0]) : byte;
}

TEST(CaseFoldTable, MatchesMacRomanCapitalsFromIconv) {
  locale_t utf8 = newlocale(LC_ALL_MASK, "C.UTF-8", static_cast<locale_t>(0));
  ASSERT_NE(utf8, nullptr) << "the reference needs the C.UTF-8 locale";
  freelocale(utf8);
  for (int byte = 0; byte < 256; ++byte) {
    EXPECT_EQ(kCaseFoldTable[byte], ReferenceUpperMacRoman(static_cast<uint8_t>(byte)))
        << "byte 0x" << std::hex << byte;
  }
}

// Model of the counted comparisons: lexicographic over (folded) unsigned bytes.
int ModelCompare(const std::string& a, const std::string& b, bool fold) {
  auto key = [fold](const std::string& s) {
    std::basic_string<uint8_t> k;
    for (char c : s) k += fold ? kCaseFoldTable[uint8_t(c)] : uint8_t(c);
    return k;
  };
  return Sign(key(a).compare(key(b)));
}

std::string RandomText(std::mt19937& rng, bool smallAlphabet) {
  // A small alphabet with case pairs, NUL and high bytes makes equal prefixes common.
  static const char kSmall[] = {'a', 'A', 'b', 'B', '\0', '\x8a', '\x80', '_', 'z'};
  std::string text(rng() % 7, '\0');
  for (char& c : text)
    c = smallAlphabet ? kSmall[rng() % sizeof kSmall] : static_cast<char>(rng() % 256);
  return text;
}

TEST(CountedCompare, AgreesWithModelOnRandomTexts) {
  std::mt19937 rng(1127);
  for (int i = 0; i < 20000; ++i) {
    std::string a = RandomText(rng, i % 2 == 0);
    std::string b = RandomText(rng, i % 2 == 0);
    if (i % 5 == 0) b = a.substr(0, rng() % (a.size() + 1));
    SCOPED_TRACE(testing::PrintToString(a) + " vs " + testing::PrintToString(b));
    ASSERT_EQ(Sign(ustrcmp(a.data(), int32_t(a.size()), b.data(), int32_t(b.size()))),
              ModelCompare(a, b, false));
    ASSERT_EQ(Sign(ustrcmpi(a.data(), int32_t(a.size()), b.data(), int32_t(b.size()))),
              ModelCompare(a, b, true));
  }
}

TEST(CountedCompare, EdgeCases) {
  EXPECT_LT(ustrcmpi("abc", 3, "ABCD", 4), 0);
  EXPECT_GT(ustrcmpi("ABCD", 4, "abc", 3), 0);
  EXPECT_EQ(ustrcmpi("\x8a", 1, "\x80", 1), 0);
  EXPECT_NE(ustrcmp("\x8a", 1, "\x80", 1), 0);
  EXPECT_LT(ustrcmp("ab", 2, "abc", 3), 0);
  // Bytes past an embedded NUL still decide: 16-bit Unicode text is full of NULs.
  EXPECT_LT(ustrcmp("a\0b", 3, "a\0c", 3), 0);
  EXPECT_LT(ustrcmpi("a\0b", 3, "A\0C", 3), 0);
  EXPECT_EQ(ustrcmp(nullptr, 0, nullptr, 0), 0);
  EXPECT_LT(ustrcmp(nullptr, 0, "a", 1), 0);
  // High bytes are unsigned: 0xE9 sorts after 'z'.
  EXPECT_GT(ustrcmp("\xe9", 1, "z", 1), 0);
}

TEST(CountedCompare, RejectsNegativeLengthsWithAReport) {
  qvtest::ReportCapture capture;
  EXPECT_EQ(ustrcmp("abc", -1, "abd", 3), 0);
  EXPECT_EQ(ustrcmpi("abc", 3, "abd", -5), 0);
  EXPECT_EQ(capture.count(), 2u);
}

TEST(TextCompare, WrapsTheCLibraryAndOrdersNilFirst) {
  std::mt19937 rng(7);
  for (int i = 0; i < 5000; ++i) {
    std::string a = RandomText(rng, true), b = RandomText(rng, true);
    a = a.c_str();  // NUL-terminated views only see up to the first NUL
    b = b.c_str();
    ASSERT_EQ(Sign(ustrcmp(a.c_str(), b.c_str())), Sign(std::strcmp(a.c_str(), b.c_str())));
    std::string la = a, lb = b;
    for (char& c : la) c = (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
    for (char& c : lb) c = (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
    ASSERT_EQ(Sign(ustrcmpi(a.c_str(), b.c_str())), ModelCompare(la, lb, false))
        << testing::PrintToString(a) << " vs " << testing::PrintToString(b);
  }
  EXPECT_EQ(ustrcmpi(nullptr, nullptr), 0);
  EXPECT_LT(ustrcmpi(nullptr, ""), 0);
  EXPECT_GT(ustrcmpi("", nullptr), 0);
  EXPECT_EQ(ustrcmpi("SELECT", "select"), 0);
  EXPECT_EQ(ustrcmp(nullptr, nullptr), 0);
  EXPECT_LT(ustrcmp(nullptr, "x"), 0);
}

TEST(TextFunctions, WrapTheCLibrary) {
  char* copy = OSstrdup("hello");
  ASSERT_NE(copy, nullptr);
  EXPECT_STREQ(copy, "hello");
  std::free(copy);
  EXPECT_EQ(OSstrdup(nullptr), nullptr);
  EXPECT_EQ(ustrlen("hello"), 5u);
  EXPECT_EQ(ustrlen(nullptr), 0u);
  char buffer[16] = "ab";
  EXPECT_EQ(ustrcpy(buffer, "xyz"), buffer);
  EXPECT_STREQ(buffer, "xyz");
  char* cursor = buffer;
  ustrcat(&cursor, "12");
  EXPECT_STREQ(buffer, "xyz12");
}

TEST(MemoryFunctions, SetCopyAndMoveWithOverlap) {
  uint8_t bytes[10];
  umemset(bytes, 0xAB, sizeof bytes);
  EXPECT_EQ(std::count(bytes, bytes + 10, 0xAB), 10);
  umemzero(bytes + 2, 3);
  EXPECT_EQ(std::count(bytes, bytes + 10, 0), 3);
  for (int i = 0; i < 10; ++i) bytes[i] = uint8_t(i);
  umemcpy(bytes + 1, bytes, 5);  // overlapping forward copy
  const uint8_t expectCopy[] = {0, 0, 1, 2, 3, 4, 6, 7, 8, 9};
  EXPECT_EQ(0, std::memcmp(bytes, expectCopy, 10));
  umemmove(bytes, bytes + 2, 4);
  const uint8_t expectMove[] = {1, 2, 3, 4, 3, 4, 6, 7, 8, 9};
  EXPECT_EQ(0, std::memcmp(bytes, expectMove, 10));
}

TEST(MemoryFunctions, PStringCopyCopiesLengthByteAndText) {
  const unsigned char source[] = "\x03" "abcXYZ";
  unsigned char destination[8];
  std::memset(destination, '.', sizeof destination);
  PStringCopy(destination, source);
  EXPECT_EQ(0, std::memcmp(destination, "\x03" "abc....", 8));
}

TEST(Umemcmp, FindsTheFirstOccurrenceLikeStdSearch) {
  EXPECT_EQ(umemcmp("aaab", "aab", 3, 4), 1);
  EXPECT_EQ(umemcmp("abc", "abc", 3, 0), -1);
  EXPECT_EQ(umemcmp("abc", "abcd", 4, 3), -1);
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

// Reference for uatol: the decimal value modulo 2^32, summed in chunks of four digits.
int32_t ReferenceAtol(const std::string& text) {
  size_t i = text.find_first_not_of(" \t");
  if (i == std::string::npos) return 0;
  bool negative = text[i] == '-';
  if (text[i] == '-' || text[i] == '+') ++i;
  size_t end = text.find_first_not_of("0123456789", i);
  std::string digits = text.substr(i, end == std::string::npos ? std::string::npos : end - i);
  uint64_t value = 0;
  for (size_t pos = 0; pos < digits.size(); pos += 4) {
    std::string chunk = digits.substr(pos, 4);
    uint64_t scale = 1;
    for (size_t k = 0; k < chunk.size(); ++k) scale *= 10;
    value = (value * scale + std::stoull(chunk)) % 4294967296ull;
  }
  if (negative) value = (4294967296ull - value) % 4294967296ull;
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

TEST(Uatol, EdgeCases) {
  EXPECT_EQ(uatol("  -12x"), -12);
  EXPECT_EQ(uatol("+"), 0);
  EXPECT_EQ(uatol("\t+42"), 42);
  EXPECT_EQ(uatol("x12"), 0);
  EXPECT_EQ(uatol("- 5"), 0);
  EXPECT_EQ(uatol(nullptr), 0);
  EXPECT_EQ(uatol("2147483647"), 2147483647);
  EXPECT_EQ(uatol("-2147483648"), INT32_MIN);
  EXPECT_EQ(uatol("4294967297"), 1);  // wraps instead of overflowing
  EXPECT_EQ(uatol("12345", 3), 123);
  EXPECT_EQ(uatol("12345", 0), 0);
  EXPECT_EQ(uatol("12345", -1), 0);
}

TEST(Uatol, AgreesWithReferenceOnRandomTexts) {
  std::mt19937 rng(99);
  static const char kChars[] = " \t+-0123456789x";
  for (int i = 0; i < 5000; ++i) {
    std::string text(rng() % 30, ' ');
    for (char& c : text) c = kChars[rng() % (sizeof kChars - 1)];
    ASSERT_EQ(uatol(text.c_str()), ReferenceAtol(text)) << '"' << text << '"';
    int32_t cut = int32_t(rng() % (text.size() + 1));
    ASSERT_EQ(uatol(text.c_str(), cut), ReferenceAtol(text.substr(0, cut))) << text << " " << cut;
  }
}

TEST(Uatod, ParsesWithAPointInAnyLocale) {
  const char* previous = setlocale(LC_ALL, nullptr);
  std::string saved = previous ? previous : "C";
  if (!setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
  EXPECT_EQ(std::strtod("1.5", nullptr), 1.0);  // the locale really reads a comma
  EXPECT_EQ(uatod("1.5"), 1.5);
  EXPECT_EQ(uatod(" -2.25e3x"), -2250.0);
  setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(uatod(nullptr), 0.0);
  EXPECT_EQ(uatod("0x10"), 16.0);
}

}  // namespace

namespace {

TEST(UnicodeCharCompare, ComparesUnsignedAndFoldsOnRequest) {
  EXPECT_EQ(UnicodeCharCompare('a', 'A', false), 1);
  EXPECT_EQ(UnicodeCharCompare('a', 'A', true), 0);
  EXPECT_EQ(UnicodeCharCompare(0xE9, 0xC9, true), 0);  // e acute and its capital
  EXPECT_EQ(UnicodeCharCompare(0x3C9, 0x3A9, true), 0);  // Greek omega
  EXPECT_EQ(UnicodeCharCompare(0x80000000u, 1, false), 1);
  EXPECT_EQ(UnicodeCharCompare(5, 5, true), 0);
  std::mt19937 rng(12);
  for (int i = 0; i < 2000; ++i) {
    char a = static_cast<char>('A' + rng() % 58), b = static_cast<char>('A' + rng() % 58);
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : int(c); };
    ASSERT_EQ(UnicodeCharCompare(uint32_t(a), uint32_t(b), true), Sign(upper(a) - upper(b)));
    ASSERT_EQ(UnicodeCharCompare(uint32_t(a), uint32_t(b), false), Sign(a - b));
  }
}

}  // namespace
