// Length, slices, codes, case and comparison against models over code-point lists, in byte and
// character forms, over random ASCII, UTF-8 and 16-bit texts and every interesting position.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>

#include "StringFunctionsTestSupport.h"
#include "strings/CaseMapping.h"
#include "strings/StringCase.h"
#include "strings/StringCharacters.h"

using namespace strtest;

namespace {

CodePoints Slice(const CodePoints& text, int64_t first, int64_t count) {
  if (first < 0) {
    count += first;
    first = 0;
  }
  int64_t size = static_cast<int64_t>(text.size());
  if (count < 1 || first >= size) return {};
  return CodePoints(text.begin() + first, text.begin() + std::min(size, first + count));
}

std::string SliceBytes(const std::string& text, int64_t first, int64_t count) {
  CodePoints bytes(text.begin(), text.end());
  for (uint32_t& b : bytes) b &= 0xFF;
  CodePoints cut = Slice(bytes, first, count);
  return std::string(cut.begin(), cut.end());
}

std::vector<int32_t> Positions(int32_t length) {
  return {INT_MIN, -3, -1, 0, 1, 2, length - 1, length, length + 1, length + 7, INT_MAX};
}

TEST(StringCharacters, SlicesMatchTheModelInEveryForm) {
  std::mt19937 rng(3);
  for (Form form : kAllForms) {
    for (int round = 0; round < 120; ++round) {
      CodePoints text = RandomText(rng, static_cast<int32_t>(rng() % 12), form);
      std::string bytes = Encode(text, form);
      string s = Make(text, form);
      stringStorage* r = s.Storage();
      int32_t chars = static_cast<int32_t>(text.size()), length = static_cast<int32_t>(bytes.size());
      auto chars_of = [&](const CodePoints& c) { return Encode(c, form); };
      ASSERT_EQ(StringLen(r), length);
      ASSERT_EQ(StringDBCSLen(r), chars);
      ASSERT_EQ(StringAsc(r), bytes.empty() ? 0 : static_cast<uint8_t>(bytes[0]));
      ASSERT_EQ(StringDBCSAsc(r), text.empty() ? 0 : static_cast<int32_t>(text[0]));
      for (int32_t n : Positions(std::max(chars, length))) {
        SCOPED_TRACE(::testing::Message() << "form " << int(form) << " n " << n << " text " << bytes);
        ASSERT_EQ(Take(StringDBCSLeft(r, n)), chars_of(Slice(text, 0, n)));
        ASSERT_EQ(Take(StringDBCSRight(r, n)), chars_of(Slice(text, chars - std::max(n, 0), n)));
        ASSERT_EQ(Take(StringDBCSMid2(r, n)), chars_of(Slice(text, std::max(n, 1) - 1, INT_MAX)));
        ASSERT_EQ(Take(StringLeft(r, n)), SliceBytes(bytes, 0, n));
        ASSERT_EQ(Take(StringRight(r, n)), SliceBytes(bytes, length - std::max(n, 0), n));
        ASSERT_EQ(Take(StringMid2(r, n)), SliceBytes(bytes, std::max(n, 1) - 1, INT_MAX));
        for (int32_t count : Positions(std::max(chars, length))) {
          TextEncoding encoding;
          std::string got = Take(StringDBCSMid3(r, n, count), &encoding);
          ASSERT_EQ(got, count < 1 ? "" : chars_of(Slice(text, int64_t{n} - 1, count))) << count;
          if (!got.empty()) {
            ASSERT_EQ(encoding, EncodingOf(form));
          }
          ASSERT_EQ(Take(StringMid3(r, n, count)), SliceBytes(bytes, int64_t{n} - 1, count));
        }
      }
    }
  }
}

TEST(StringCharacters, LengthOfLongTextsMatchesTheModel) {
  std::mt19937 rng(41);
  for (int32_t n : {15, 16, 17, 100, 1021, 1500, 4100}) {
    CodePoints text = RandomText(rng, n, Form::kUTF8);
    string s = Make(text, Form::kUTF8);
    EXPECT_EQ(StringDBCSLen(s.Storage()), n);
    EXPECT_EQ(Take(StringDBCSMid3(s.Storage(), n - 1, 5)), Encode(Slice(text, n - 2, 5), Form::kUTF8));
  }
}

TEST(StringCharacters, PartEdges) {
  string word = Make(std::string("h\xC3\xA9llo"), kEncodingUTF8);
  EXPECT_EQ(StringLen(word.Storage()), 6);
  EXPECT_EQ(StringDBCSLen(word.Storage()), 5);
  EXPECT_EQ(Take(StringDBCSMid3(word.Storage(), 2, 2)), "\xC3\xA9l");
  EXPECT_EQ(Take(StringMid3(word.Storage(), 2, 2)), "\xC3\xA9");
  EXPECT_EQ(Take(StringDBCSMid3(word.Storage(), 0, 2)), "h");
  EXPECT_EQ(StringDBCSLeft(word.Storage(), 0), nullptr);
  EXPECT_EQ(StringDBCSLen(nullptr), 0);
  TextEncoding encoding;
  EXPECT_EQ(Take(StringChr(65), &encoding), "A");
  EXPECT_EQ(encoding, kEncodingASCII);
  EXPECT_EQ(Take(StringChr(200), &encoding), "\xC8");
  EXPECT_EQ(encoding, kEncodingNone);
  EXPECT_EQ(Take(StringChr(-1), &encoding), "\xFF");
  EXPECT_EQ(encoding, kEncodingNone) << "a negative code is no ASCII character";
  EXPECT_EQ(Take(StringDBCSChr(0x8140), &encoding), "\x81\x40");
  EXPECT_EQ(Take(StringDBCSChr(0), &encoding), std::string(1, '\0'));
  EXPECT_EQ(encoding, kEncodingASCII);
}

CodePoints MapEach(const CodePoints& text, uint32_t (*map)(uint32_t)) {
  CodePoints out;
  for (uint32_t c : text) out.push_back(map(c));
  return out;
}

// The language's ordering: upper-case forms (or the characters) in order, then the shorter.
int32_t ModelOrder(const CodePoints& a, const CodePoints& b, bool ignoreCase) {
  CodePoints x = ignoreCase ? MapEach(a, UnicodeToUpper) : a;
  CodePoints y = ignoreCase ? MapEach(b, UnicodeToUpper) : b;
  return x < y ? -1 : (y < x ? 1 : 0);
}

TEST(StringCase, CaseAndComparisonMatchTheModelInEveryForm) {
  std::mt19937 rng(5);
  for (Form form : kAllForms) {
    for (int round = 0; round < 400; ++round) {
      CodePoints a = RandomText(rng, static_cast<int32_t>(rng() % 10), form);
      CodePoints b = rng() % 2 ? FlipSomeCase(rng, a) : RandomText(rng, static_cast<int32_t>(rng() % 10), form);
      string sa = Make(a, form), sb = Make(b, form);
      SCOPED_TRACE(::testing::Message() << "form " << int(form) << " " << Encode(a, form));
      TextEncoding encoding;
      ASSERT_EQ(Take(StringUCase(sa.Storage()), &encoding), Encode(MapEach(a, UnicodeToUpper), form));
      if (!a.empty()) {
        ASSERT_EQ(encoding, EncodingOf(form));
      }
      ASSERT_EQ(Take(StringLCase(sa.Storage())), Encode(MapEach(a, UnicodeToLower), form));
      ASSERT_EQ(RuntimeStringCompare(sa.Storage(), sb.Storage()), ModelOrder(a, b, true));
      ASSERT_EQ(StringStrCompare(sa.Storage(), sb.Storage(), 1), ModelOrder(a, b, false));
      std::string x = Encode(a, form), y = Encode(b, form);
      ASSERT_EQ(StringStrCompare(sa.Storage(), sb.Storage(), 0), x < y ? -1 : (y < x ? 1 : 0));
      // The same text in UTF-8 and in 16-bit Unicode compares equal.
      if (form != Form::kASCII && std::all_of(a.begin(), a.end(), [](uint32_t c) { return c < 0x10000; })) {
        string other = Make(a, form == Form::kUTF8 ? Form::kUTF16 : Form::kUTF8);
        ASSERT_EQ(RuntimeStringCompare(sa.Storage(), other.Storage()), 0);
        ASSERT_EQ(StringStrCompare(sa.Storage(), other.Storage(), 1), 0);
      }
    }
  }
}

TEST(StringCase, PartEdges) {
  string a("a"), B("B"), abc("ABC"), lower("abc");
  EXPECT_EQ(StringStrCompare(a.Storage(), B.Storage(), 0), 1);
  EXPECT_EQ(RuntimeStringCompare(a.Storage(), B.Storage()), -1);
  EXPECT_EQ(RuntimeStringCompare(abc.Storage(), lower.Storage()), 0);
  EXPECT_EQ(RuntimeStringCompare(nullptr, a.Storage()), -1);
  EXPECT_EQ(StringStrCompare(a.Storage(), nullptr, 1), 1);
  EXPECT_EQ(StringStrCompare(nullptr, nullptr, 1), 0);
  // Counted: a NUL inside the text does not end the comparison.
  string n1 = Make(std::string("a\0b", 3), kEncodingASCII), n2 = Make(std::string("a\0c", 3), kEncodingASCII);
  EXPECT_EQ(StringStrCompare(n1.Storage(), n2.Storage(), 1), -1);
  EXPECT_EQ(Take(StringTitleCase(Make(std::string("hello w\xC3\xB6rld"), kEncodingUTF8).Storage())),
            "Hello W\xC3\xB6rld");
  EXPECT_EQ(Take(StringTitleCase(string("hello").Storage())), "hello") << "ASCII is left alone";
  EXPECT_EQ(StringUCase(nullptr), nullptr);
}

}  // namespace
