// Length, slices and codes against models over code-point lists, in byte and character forms,
// over random ASCII, UTF-8 and 16-bit texts and every interesting position; case and comparison
// by encoding.
#include <gtest/gtest.h>

#include <climits>

#include "StringFunctionsTestSupport.h"
#include "strings/StringCase.h"
#include "strings/StringCharacters.h"

using namespace strtest;

namespace {

// Elements first .. first + count - 1 that exist; bytes are code points below 256.
template <typename Sequence>
Sequence Slice(const Sequence& text, int64_t first, int64_t count) {
  if (first < 0) count += first, first = 0;
  const int64_t size = int64_t(text.size());
  if (count < 1 || first >= size) return {};
  return Sequence(text.begin() + first, text.begin() + std::min(size, first + count));
}

TEST(StringCharacters, SlicesMatchTheModelInEveryForm) {
  std::mt19937 rng(3);
  for (Form form : kAllForms) {
    for (int round = 0; round < 120; ++round) {
      // Now and then a long text, past the widths the length count takes in one step.
      const CodePoints text = RandomText(rng, int32_t(rng() % 12 + (round % 20 ? 0 : 1500)), form);
      const std::string bytes = Encode(text, form);
      string s = Make(text, form);
      stringStorage* r = s.Storage();
      const int32_t chars = int32_t(text.size()), length = int32_t(bytes.size());
      auto enc = [&](const CodePoints& c) { return Encode(c, form); };
      ASSERT_EQ(StringLen(r), length);
      ASSERT_EQ(StringDBCSLen(r), chars);
      ASSERT_EQ(StringAsc(r), bytes.empty() ? 0 : uint8_t(bytes[0]));
      ASSERT_EQ(StringDBCSAsc(r), text.empty() ? 0 : int32_t(text[0]));
      const int32_t end = std::max(chars, length);
      for (int32_t n : {INT_MIN, -3, -1, 0, 1, 2, end - 1, end, end + 1, end + 7, INT_MAX}) {
        SCOPED_TRACE(::testing::Message() << "form " << int(form) << " n " << n << " " << bytes);
        ASSERT_EQ(Take(StringDBCSLeft(r, n)), enc(Slice(text, 0, n)));
        ASSERT_EQ(Take(StringDBCSRight(r, n)), enc(Slice(text, chars - std::max(n, 0), n)));
        ASSERT_EQ(Take(StringDBCSMid2(r, n)), enc(Slice(text, std::max(n, 1) - 1, INT_MAX)));
        ASSERT_EQ(Take(StringLeft(r, n)), Slice(bytes, 0, n));
        ASSERT_EQ(Take(StringRight(r, n)), Slice(bytes, length - std::max(n, 0), n));
        ASSERT_EQ(Take(StringMid2(r, n)), Slice(bytes, std::max(n, 1) - 1, INT_MAX));
        for (int32_t count : {INT_MIN, -1, 0, 1, 2, end, INT_MAX}) {
          TextEncoding encoding = EncodingOf(form);
          std::string got = Take(StringDBCSMid3(r, n, count), &encoding);
          ASSERT_EQ(got, enc(Slice(text, int64_t{n} - 1, count))) << count;
          ASSERT_EQ(encoding, got.empty() ? encoding : EncodingOf(form));
          ASSERT_EQ(Take(StringMid3(r, n, count)), Slice(bytes, int64_t{n} - 1, count));
        }
      }
    }
  }
}

// Case and comparison of whole strings: the mapping itself is checked against a model in the
// case-mapping tests; here, the route each encoding takes.
TEST(StringCase, CaseAndComparisonTakeEachEncodingsRoute) {
  const CodePoints text = {'a', 0xDF, 0x3C3, 0x436, 'Z'}, upper = {'A', 0xDF, 0x3A3, 0x416, 'Z'};
  for (Form form : {Form::kUTF8, Form::kUTF16}) {
    TextEncoding encoding = kEncodingNone;
    EXPECT_EQ(Take(StringUCase(Make(text, form).Storage()), &encoding), Encode(upper, form));
    EXPECT_EQ(encoding, EncodingOf(form));
  }
  // The same text in UTF-8 and in 16-bit Unicode compares equal; mode 1 counts case.
  string utf8 = Make(text, Form::kUTF8), wide = Make(upper, Form::kUTF16);
  EXPECT_EQ(RuntimeStringCompare(utf8.Storage(), wide.Storage()), 0);
  EXPECT_EQ(StringStrCompare(utf8.Storage(), Make(text, Form::kUTF16).Storage(), 1), 0);
  EXPECT_EQ(StringStrCompare(utf8.Storage(), wide.Storage(), 1), 1);
  // Counted: a NUL inside the text does not end the comparison.
  string n1 = Make(std::string("a\0b", 3), kEncodingASCII),
         n2 = Make(std::string("a\0c", 3), kEncodingASCII);
  EXPECT_EQ(StringStrCompare(n1.Storage(), n2.Storage(), 1), -1);
  EXPECT_EQ(Take(StringTitleCase(Make("hello w\xC3\xB6rld", kEncodingUTF8).Storage())),
            "Hello W\xC3\xB6rld");
  EXPECT_EQ(Take(StringTitleCase(string("hello").Storage())), "hello") << "ASCII is left alone";
}

TEST(StringCharacters, ChrLabelsWhatItMakes) {
  TextEncoding encoding;
  EXPECT_EQ(Take(StringChr(65), &encoding) + Take(StringDBCSChr(0x8140)), "A\x81\x40");
  EXPECT_EQ(encoding, kEncodingASCII);
  EXPECT_EQ(Take(StringChr(-1), &encoding), "\xFF");
  EXPECT_EQ(encoding, kEncodingNone) << "a negative code is no ASCII character";
}

}  // namespace
