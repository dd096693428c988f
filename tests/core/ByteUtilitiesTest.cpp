#include "core/ByteUtilities.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <locale.h>
#include <strings.h>
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

// The counted forms are compared against a model through the string class's tests; here the
// C-string forms against the C library, nil first, and refused lengths.
TEST(Compare, CStringFormsAgreeWithTheCLibrary) {
  static const char kSmall[] = {'a', 'A', 'b', 'B', '_', 'z', '\xe9', '\x8a'};
  std::mt19937 rng(1127);
  for (int i = 0; i < 20000; ++i) {
    std::string a(rng() % 7, '\0'), b(rng() % 7, '\0');
    for (char& c : a) c = i % 2 ? kSmall[rng() % sizeof kSmall] : char(1 + rng() % 255);
    for (char& c : b) c = i % 2 ? kSmall[rng() % sizeof kSmall] : char(1 + rng() % 255);
    if (i % 5 == 0) b = a.substr(0, rng() % (a.size() + 1));
    SCOPED_TRACE(testing::PrintToString(a) + " vs " + testing::PrintToString(b));
    ASSERT_EQ(Sign(ustrcmp(a.c_str(), b.c_str())), Sign(std::strcmp(a.c_str(), b.c_str())));
    ASSERT_EQ(Sign(ustrcmpi(a.c_str(), b.c_str())), Sign(strcasecmp(a.c_str(), b.c_str())));
    ASSERT_EQ(EqualIgnoringASCIICase(a, b), strcasecmp(a.c_str(), b.c_str()) == 0);
    ASSERT_EQ(StartsWithIgnoringASCIICase(a, b),
              a.size() >= b.size() && strncasecmp(a.c_str(), b.c_str(), b.size()) == 0);
  }
  EXPECT_LT(ustrcmp(nullptr, 0, "a", 1), 0);
  EXPECT_LT(ustrcmpi(nullptr, ""), 0);
  qvtest::ReportCapture capture;
  EXPECT_EQ(ustrcmp("abc", -1, "abd", 3), 0);
  EXPECT_EQ(ustrcmpi("abc", 3, "abd", -5), 0);
  EXPECT_EQ(capture.count(), 2u);
}

// An overlapping umemcpy, PStringCopy copying its count only, and umemcmp finding the
// pattern's first place as std::search does.
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
  EXPECT_EQ(uatol(nullptr), 0);
  EXPECT_EQ(uatol("12345", -1), 0);
}

// Code points compare unsigned; e acute folds to its capital.
TEST(UnicodeCharCompare, ComparesUnsignedAndFoldsOnRequest) {
  EXPECT_EQ(UnicodeCharCompare(0xE9, 0xC9, true), 0);
  EXPECT_EQ(UnicodeCharCompare(0x80000000u, 1, false), 1);
}

}  // namespace
