// InStr and its engines against plain models: the skip-table search against std::string::find
// around its thresholds, the byte scans against plain loops, and the case-insensitive search
// over random ASCII, UTF-8 and 16-bit texts against a character-by-character model.
#include <gtest/gtest.h>

#include "StringFunctionsTestSupport.h"
#include "strings/StringSearch.h"

using namespace strtest;

namespace {

int32_t NaiveFind(const std::string& text, const std::string& pattern, int32_t from) {
  size_t at = from >= int32_t(text.size()) ? std::string::npos : text.find(pattern, size_t(from));
  return at == std::string::npos ? -1 : int32_t(at);
}

TEST(ByteSearch, SkipTableSearchAgreesWithNaiveScanAroundItsThresholds) {
  std::mt19937 rng(7);
  for (int round = 0; round < 6000; ++round) {
    int32_t m = 1 + int32_t(rng() % 9);
    int32_t n = m + 70 + int32_t(rng() % 25);  // both sides of m + 80
    if (round % 50 == 0) {  // patterns longer than the largest step the table holds
      m = 250 + int32_t(rng() % 60);
      n = m + int32_t(rng() % 700);
    }
    const uint32_t letters = round % 2 ? 2 : 4;  // few letters: repeats and overlaps
    std::string text, pattern;
    for (int32_t i = 0; i < n; ++i) text += "abcd"[rng() % letters];
    for (int32_t i = 0; i < m; ++i) pattern += "abcd"[rng() % letters];
    if (rng() % 3 == 0) text.replace(text.size() - m, m, pattern);  // a match at the very end
    std::string folded = pattern;
    for (char& c : folded) c = rng() % 2 ? char(c - 32) : c;  // ignoring case
    const int32_t expected = NaiveFind(text, pattern, 0);
    ASSERT_EQ(StringInStr(1, Make(text, kEncodingASCII).Storage(),
                          Make(folded, kEncodingASCII).Storage()), expected + 1);
    ASSERT_EQ(bmsearch(reinterpret_cast<const unsigned char*>(pattern.data()), m,
                       reinterpret_cast<const unsigned char*>(text.data()), n),
              expected < 0 ? n : expected) << text << " / " << pattern;
    int32_t start = int32_t(rng() % (n + 3)) - 2;
    ASSERT_EQ(InternalInStrB(start, Make(text, kEncodingASCII), Make(pattern, kEncodingASCII)),
              NaiveFind(text, pattern, std::max(start, 0))) << start;
  }
}

// The scans for one byte or either of two, alone and at both ends of a short pattern, against
// plain loops: every length around the sixteen-byte steps, the hits at every place.
TEST(ByteSearch, BytePairScansAgreeWithPlainLoops) {
  std::mt19937 rng(16);
  for (int round = 0; round < 4000; ++round) {
    const int32_t n = int32_t(rng() % 70);
    std::vector<unsigned char> text(size_t(n) + 1);  // one more, so that data() is never nil
    for (int32_t i = 0; i < n; ++i) text[size_t(i)] = "aAbB\x80\xff"[rng() % 6];
    auto pick = [&rng] {
      uint8_t a = uint8_t("aAbB\x80\xff"[rng() % 6]), b = uint8_t("aAbB\x80\xff"[rng() % 6]);
      return BytePair{a, rng() % 2 ? a : b};
    };
    const BytePair first = pick(), last = pick();
    const int32_t distance = int32_t(rng() % 5);
    int32_t count = 0, found = -1, apart = -1;
    std::vector<int32_t> places, visited;
    for (int32_t i = 0; i < n; ++i) {
      if (!first.Holds(text[size_t(i)])) continue;
      ++count;
      places.push_back(i);
      if (found < 0) found = i;
      if (apart < 0 && i + distance < n && last.Holds(text[size_t(i + distance)])) apart = i;
    }
    const unsigned char* bytes = text.data();
    ASSERT_EQ(CountBytePair(bytes, n, first), count) << round;
    ASSERT_EQ(FindBytePair(bytes, n, first), found) << round;
    ASSERT_EQ(FindBytePairsApart(bytes, n, first, last, distance), apart) << round;
    ForEachBytePair(bytes, n, first, [&visited](int32_t at) { visited.push_back(at); });
    ASSERT_EQ(visited, places) << round;
  }
}

TEST(TextSearch, InStrMatchesTheCharacterModelInEveryForm) {
  std::mt19937 rng(11);
  for (Form form : kAllForms) {
    for (int round = 0; round < 1500; ++round) {
      CodePoints text = RandomText(rng, int32_t(rng() % 120), form), find;
      if (!text.empty() && rng() % 4) {
        size_t at = rng() % text.size(), n = 1 + rng() % std::min<size_t>(24, text.size() - at);
        find = FlipSomeCase(rng, CodePoints(text.begin() + at, text.begin() + at + n));
      } else {
        find = RandomText(rng, 1 + int32_t(rng() % 3), form);
      }
      // Byte offset of each character, and past the last; the search starts at a character
      // and gives up when fewer bytes than the pattern's remain.
      std::vector<int32_t> offsets{0};
      for (uint32_t c : text) offsets.push_back(offsets.back() + int32_t(Encode({c}, form).size()));
      const int32_t start = int32_t(rng() % (text.size() + 4)) - 2;
      const size_t from = std::min<size_t>(std::max(start - 1, 0), text.size());
      const int32_t room = offsets.back() - offsets[from];
      const bool fits = room > 0 && room >= int32_t(Encode(find, form).size());
      const int32_t model = fits ? ModelFind(text, find, from, true) : -1;
      string s = Make(text, form), f = Make(find, form);
      SCOPED_TRACE(::testing::Message() << "form " << int(form) << " round " << round);
      ASSERT_EQ(StringInStr(start, s.Storage(), f.Storage()), text.empty() ? 0 : model + 1);
      ASSERT_EQ(StringExtendsInStr(s.Storage(), start, f.Storage()), text.empty() ? 0 : model + 1);
      ASSERT_EQ(StringInStrFromZero(std::max(start - 1, 0), s, f, false),
                text.empty() ? -1 : model);
      if (model >= 0 && form != Form::kASCII) {
        ASSERT_EQ(StringInStrFromZero(offsets[from], s, f, true), offsets[model]);
      }
    }
  }
}

// Long UTF-8 texts, so that patterns whose case partners differ only in the case bit of their
// bytes go through the skip table; the alphabet adds look-alikes that differ in that bit alone
// ('@' and '`', a three-byte character sharing the bytes of an accented letter).
TEST(TextSearch, InStrOverLongUTF8TextsMatchesTheCharacterModel) {
  const CodePoints kCaseBitAlphabet = {'a', 'A', 'k', 'K', '@', '`', ' ', 0xE9, 0xC9, 0x416,
                                       0x436, 0x30E9, 0x212A, 0x10400, 0x3A3, 0x3C3};
  std::mt19937 rng(29);
  for (int round = 0; round < 400; ++round) {
    CodePoints text;
    const int32_t n = 100 + int32_t(rng() % 700);
    if (round % 2) {
      text = RandomText(rng, n, Form::kUTF8);
    } else {
      // Sigmas (whose cases differ in more than the case bit) only now and then.
      for (int32_t i = 0; i < n; ++i)
        text.push_back(kCaseBitAlphabet[rng() % 14 + (i % 97 == 0) * 2]);
    }
    const size_t at = rng() % text.size();
    const size_t length = 1 + rng() % std::min<size_t>(30, text.size() - at);
    CodePoints find = FlipSomeCase(rng, CodePoints(text.begin() + at, text.begin() + at + length));
    if (rng() % 3 == 0) find.back() = kCaseBitAlphabet[rng() % kCaseBitAlphabet.size()];
    const size_t from = rng() % 2 ? 0 : rng() % text.size();
    SCOPED_TRACE(::testing::Message() << "round " << round);
    string s = Make(text, Form::kUTF8), f = Make(find, Form::kUTF8);
    ASSERT_EQ(StringInStrFromZero(int32_t(from), s, f, false), ModelFind(text, find, from, true));
  }
}

// UTF-8 texts of a few pieces (InStr searches 16 KB at a time and counts the characters behind
// the search): a match starting just before, at and after each piece border, straddling it,
// right after a multi-byte character the border cuts, and searches that start inside pieces
// and past a match. The patterns take each path: characters screened by the skip table, folded
// ASCII bytes, exact bytes, and (ß, whose partner is longer) the anchored walk, never cut.
TEST(TextSearch, InStrAcrossPieceBordersMatchesTheCharacterModel) {
  constexpr int32_t kPiece = 16384;
  const std::vector<CodePoints> patterns = {{'n', 0xE9, 'E', 'd', 'l', 'e'},
                                            {'N', 'e', 'e', 'd', 'l', 'e', ' ', 'i', 'n'},
                                            {'1', '2', '-', 0x4E2D, '3'},
                                            {'s', 0xDF, 'e', 0x3C3}};
  const CodePoints kWidths = {'x', 0xC9, 0x4E2D, 0x10400};  // 1 to 4 bytes
  std::mt19937 rng(41);
  auto width = [](uint32_t c) { return EncodeUTF8({c}).size(); };
  // Characters of the alphabet, then dots up to the given UTF-8 size of text.
  auto fill = [&rng, &width](CodePoints& text, const CodePoints& alphabet, size_t bytes) {
    size_t size = EncodeUTF8(text).size();
    for (; size + 4 < bytes; size += width(text.back()))
      text.push_back(alphabet[rng() % alphabet.size()]);
    text.insert(text.end(), bytes - size, '.');
  };
  for (const CodePoints& find : patterns) {
    // Filler made of the pattern's own characters, in both cases, gives near misses.
    CodePoints alphabet = {' ', 0xE9, 0x4E2D, 0x10400, 'a'};
    for (uint32_t c : find) alphabet.push_back(c);
    for (uint32_t c : FlipSomeCase(rng, find)) alphabet.push_back(c);
    const int32_t m = int32_t(EncodeUTF8(find).size());
    for (int32_t border : {kPiece, 2 * kPiece}) {
      for (int32_t shift = -m - 1; shift <= 4; ++shift) {
        // Up to the match: filler, then a character of some width right before it.
        const uint32_t before = kWidths[rng() % kWidths.size()];
        CodePoints text;
        fill(text, alphabet, size_t(border + shift) - width(before));
        text.push_back(before);
        const size_t at = text.size();
        for (uint32_t c : FlipSomeCase(rng, find)) text.push_back(c);
        fill(text, alphabet, 3 * kPiece + 700);
        for (uint32_t c : FlipSomeCase(rng, find)) text.push_back(c);
        fill(text, alphabet, 3 * kPiece + 900);
        string s = Make(text, Form::kUTF8), f = Make(find, Form::kUTF8);
        const size_t inside = at - 1 - rng() % 5000, anywhere = rng() % text.size();
        for (size_t from : {size_t(0), inside, at, at + 1, anywhere}) {
          SCOPED_TRACE(::testing::Message() << "pattern " << m << " bytes, border " << border
                                            << ", shift " << shift << ", from " << from);
          ASSERT_EQ(StringInStrFromZero(int32_t(from), s, f, false),
                    ModelFind(text, find, from, true));
        }
      }
    }
  }
}

TEST(TextSearch, InStrEdges) {
  string hello("Hello"), ll("LL");
  EXPECT_EQ(StringDBCSInStr(1, hello.Storage(), ll.Storage()), 3);
  EXPECT_EQ(StringInStrB(1, hello.Storage(), ll.Storage()), 0) << "the byte form is exact";
  EXPECT_EQ(StringExtendsInStrB(hello.Storage(), -5, string("l").Storage()), 3);
  // A pattern in another encoding is brought to the text's first.
  string wide = Make(EncodeUTF16({'a', 0xE9, 'x', 'Y'}), kEncodingUnicode16);
  EXPECT_EQ(StringInStr(1, wide.Storage(), Make("\xC3\x89XY", kEncodingUTF8).Storage()), 2);
  // An ASCII letter never matches a look-alike outside ASCII, and malformed bytes never match.
  string kelvin = Make("\xE2\x84\xAA k", kEncodingUTF8), overlong = Make("\xC1\x81", kEncodingUTF8);
  EXPECT_EQ(StringInStr(1, kelvin.Storage(), Make("K", kEncodingUTF8).Storage()), 3);
  EXPECT_EQ(StringInStr(1, overlong.Storage(), Make("a", kEncodingUTF8).Storage()), 0);
}

}  // namespace
