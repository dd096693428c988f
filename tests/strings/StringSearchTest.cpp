// InStr and its engines against plain models: the skip-table search against a naive scan
// around its thresholds, and the case-insensitive search over random ASCII, UTF-8 and 16-bit
// texts against a character-by-character model.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "StringFunctionsTestSupport.h"
#include "strings/CaseMapping.h"
#include "strings/StringSearch.h"

using namespace strtest;

namespace {

int32_t NaiveFind(const std::string& text, const std::string& pattern, int32_t from) {
  if (from >= static_cast<int32_t>(text.size())) return -1;
  size_t at = text.find(pattern, static_cast<size_t>(from));
  return at == std::string::npos ? -1 : static_cast<int32_t>(at);
}

// Characters of a text with the byte offset of each, and the offset past the last.
std::vector<int32_t> CharacterOffsets(const CodePoints& text, Form form) {
  std::vector<int32_t> offsets{0};
  for (uint32_t c : text) {
    int32_t width = form == Form::kUTF16 ? 2 : static_cast<int32_t>(EncodeUTF8({c}).size());
    offsets.push_back(offsets.back() + width);
  }
  return offsets;
}

// The engine's rule, one character at a time: 0-based character index or -1.
int32_t ModelInStr(const CodePoints& text, const CodePoints& find, int32_t start, Form form) {
  std::vector<int32_t> offsets = CharacterOffsets(text, form);
  int32_t length = offsets.back(), findLength = static_cast<int32_t>(Encode(find, form).size());
  int32_t b = std::min<int32_t>(std::max(start, 0), static_cast<int32_t>(text.size()));
  if (offsets[b] >= length || length - offsets[b] < findLength) return -1;
  for (size_t i = static_cast<size_t>(b); i + find.size() <= text.size(); ++i) {
    size_t j = 0;
    while (j < find.size() && UnicodeToUpper(text[i + j]) == UnicodeToUpper(find[j])) ++j;
    if (j == find.size()) return static_cast<int32_t>(i);
  }
  return -1;
}

TEST(ByteSearch, SkipTableSearchAgreesWithNaiveScanAroundItsThresholds) {
  std::mt19937 rng(7);
  for (int round = 0; round < 6000; ++round) {
    int32_t m = 1 + static_cast<int32_t>(rng() % 9);
    int32_t n = m + 70 + static_cast<int32_t>(rng() % 25);  // both sides of m + 80
    if (round % 50 == 0) {  // patterns longer than the largest step the table holds
      m = 250 + static_cast<int32_t>(rng() % 60);
      n = m + static_cast<int32_t>(rng() % 700);
    }
    const char* alphabet = round % 2 ? "ab" : "abcd";       // repeats and overlaps
    int32_t letters = round % 2 ? 2 : 4;
    std::string text, pattern;
    for (int32_t i = 0; i < n; ++i) text += alphabet[rng() % letters];
    for (int32_t i = 0; i < m; ++i) pattern += alphabet[rng() % letters];
    if (rng() % 3 == 0) text.replace(text.size() - m, m, pattern);  // a match at the very end
    std::string folded = pattern;
    for (char& c : folded) c = rng() % 2 ? static_cast<char>(c - 32) : c;  // ignoring case
    ASSERT_EQ(StringInStr(1, Make(text, kEncodingASCII).Storage(), Make(folded, kEncodingASCII).Storage()),
              NaiveFind(text, pattern, 0) + 1);
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const auto* p = reinterpret_cast<const unsigned char*>(pattern.data());
    int32_t expected = NaiveFind(text, pattern, 0);
    ASSERT_EQ(bmsearch(p, m, t, n), expected < 0 ? n : expected) << text << " / " << pattern;
    int32_t start = static_cast<int32_t>(rng() % (n + 3)) - 2;
    ASSERT_EQ(InternalInStrB(start, Make(text, kEncodingASCII), Make(pattern, kEncodingASCII)),
              NaiveFind(text, pattern, std::max(start, 0)))
        << "start " << start << " " << text << " / " << pattern;
  }
}

TEST(TextSearch, InStrMatchesTheCharacterModelInEveryForm) {
  std::mt19937 rng(11);
  for (Form form : kAllForms) {
    for (int round = 0; round < 1500; ++round) {
      CodePoints text = RandomText(rng, static_cast<int32_t>(rng() % 120), form);
      CodePoints find;
      if (!text.empty() && rng() % 4) {
        size_t at = rng() % text.size(), n = 1 + rng() % std::min<size_t>(24, text.size() - at);
        find = FlipSomeCase(rng, CodePoints(text.begin() + at, text.begin() + at + n));
      } else {
        find = RandomText(rng, 1 + static_cast<int32_t>(rng() % 3), form);
      }
      int32_t start = static_cast<int32_t>(rng() % (text.size() + 4)) - 2;
      string s = Make(text, form), f = Make(find, form);
      int32_t model = ModelInStr(text, find, start - 1, form);
      SCOPED_TRACE(::testing::Message() << "form " << static_cast<int>(form) << " round " << round);
      ASSERT_EQ(StringInStr(start, s.Storage(), f.Storage()), text.empty() ? 0 : model + 1);
      ASSERT_EQ(StringExtendsInStr(s.Storage(), start, f.Storage()), text.empty() ? 0 : model + 1);
      int32_t bytes = StringInStrFromZero(std::max(start - 1, 0), s, f, false);
      ASSERT_EQ(bytes, text.empty() ? -1 : model);
      if (model >= 0 && form != Form::kASCII) {
        int32_t byteStart = CharacterOffsets(text, form)[std::max(start - 1, 0)];
        ASSERT_EQ(StringInStrFromZero(byteStart, s, f, true), CharacterOffsets(text, form)[model]);
      }
    }
  }
}

TEST(TextSearch, InStrEdges) {
  string hello("Hello"), ll("LL");
  EXPECT_EQ(StringInStr(1, hello.Storage(), ll.Storage()), 3) << "case is ignored";
  EXPECT_EQ(StringDBCSInStr(1, hello.Storage(), ll.Storage()), 3);
  EXPECT_EQ(StringInStr(4, hello.Storage(), nullptr), 4);
  EXPECT_EQ(StringInStrB(1, hello.Storage(), ll.Storage()), 0) << "the byte form is exact";
  EXPECT_EQ(StringInStrB(4, hello.Storage(), nullptr), 4);
  EXPECT_EQ(StringInStrB(4, nullptr, ll.Storage()), 0);
  EXPECT_EQ(StringExtendsInStrB(hello.Storage(), -5, string("l").Storage()), 3);
  EXPECT_EQ(InternalInStrB(-3, hello, string()), -3);
  // After a two-byte character, the character position is one lower than the byte position.
  string text = Make(std::string("a\xC3\xA9xyz"), kEncodingUTF8), yz("yz");
  EXPECT_EQ(StringInStr(1, text.Storage(), yz.Storage()), 4);
  EXPECT_EQ(StringInStrB(1, text.Storage(), yz.Storage()), 5);
  // A pattern in another encoding is brought to the text's first.
  string wide = Make(EncodeUTF16({'a', 0xE9, 'x', 'Y'}), kEncodingUnicode16);
  string narrow = Make(std::string("\xC3\x89XY"), kEncodingUTF8);
  EXPECT_EQ(StringInStr(1, wide.Storage(), narrow.Storage()), 2);
  // An ASCII letter never matches a look-alike outside ASCII, and malformed bytes never match.
  string kelvin = Make(std::string("\xE2\x84\xAA k"), kEncodingUTF8);
  EXPECT_EQ(StringInStr(1, kelvin.Storage(), Make(std::string("K"), kEncodingUTF8).Storage()), 3);
  string overlong = Make(std::string("\xC1\x81"), kEncodingUTF8);
  EXPECT_EQ(StringInStr(1, overlong.Storage(), Make(std::string("a"), kEncodingUTF8).Storage()), 0);
}

}  // namespace
