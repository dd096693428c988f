// Replace, ReplaceAll, CountFields, NthField and the split engine against models built on a
// character-by-character search, over random ASCII, UTF-8 and 16-bit texts, in text and byte
// forms; then the edge cases of each function.
#include <gtest/gtest.h>

#include <random>

#include "StringFunctionsTestSupport.h"
#include "strings/StringFields.h"
#include "strings/StringReplace.h"
#include "support/TestSupport.h"

using namespace strtest;

namespace {

CodePoints ModelReplace(const CodePoints& text, const CodePoints& find, const CodePoints& with,
                        bool all, bool ignoreCase) {
  CodePoints out;
  size_t from = 0;
  for (int32_t at; (at = ModelFind(text, find, from, ignoreCase)) >= 0;) {
    out.insert(out.end(), text.begin() + static_cast<long>(from), text.begin() + at);
    out.insert(out.end(), with.begin(), with.end());
    from = static_cast<size_t>(at) + find.size();
    if (!all) break;
  }
  out.insert(out.end(), text.begin() + static_cast<long>(from), text.end());
  return out;
}

std::vector<std::string> Pieces(const SimpleVector<string>& vector) {
  std::vector<std::string> out;
  for (uint32_t i = 0; i < vector.size(); ++i) out.push_back(Bytes(vector[static_cast<int32_t>(i)]));
  return out;
}

TEST(StringFields, ReplaceFieldsAndSplitMatchTheModelsInEveryForm) {
  std::mt19937 rng(13);
  for (Form form : kAllForms) {
    for (int round = 0; round < 700; ++round) {
      CodePoints text = RandomText(rng, static_cast<int32_t>(rng() % 40), form);
      CodePoints find = RandomText(rng, 1 + static_cast<int32_t>(rng() % 2), form);
      if (rng() % 2 && text.size() > 2) find = FlipSomeCase(rng, CodePoints(text.begin() + 1, text.begin() + 3));
      CodePoints with = RandomText(rng, static_cast<int32_t>(rng() % 3), form);
      bool exact = rng() % 3 == 0;
      string s = Make(text, form), f = Make(find, form), w = Make(with, form);
      SCOPED_TRACE(::testing::Message() << "form " << int(form) << " exact " << exact << " text "
                                        << Encode(text, form) << " find " << Encode(find, form));
      for (bool all : {false, true}) {
        string got = ReplaceText(s, f, w, all, exact);
        ASSERT_EQ(Bytes(got), Encode(ModelReplace(text, find, with, all, !exact), form));
        if (!text.empty()) {
          ASSERT_EQ(got.Encoding(), s.Encoding());
        }
      }
      std::vector<CodePoints> fields = ModelSplit(text, find, !exact);
      int32_t count = text.empty() ? 0 : static_cast<int32_t>(fields.size());
      ASSERT_EQ(StringCountFieldsCore(s, f, exact), count);
      for (int32_t n = -1; n <= count + 1; ++n) {
        std::string expected = n >= 1 && n <= count ? Encode(fields[n - 1], form) : "";
        ASSERT_EQ(Bytes(StringNthFieldCore(s, f, n, exact)), expected) << "field " << n;
      }
      SimpleVector<string> pieces;
      StringSplitToVector(s, f, exact, pieces);
      std::vector<std::string> expected;
      for (const CodePoints& piece : text.empty() ? std::vector<CodePoints>{} : fields)
        expected.push_back(Encode(piece, form));
      ASSERT_EQ(Pieces(pieces), expected);
    }
  }
}

TEST(StringFields, ReplaceEdges) {
  string hello("Hello World"), world("world"), there("there");
  EXPECT_EQ(Take(StringReplace(hello.Storage(), world.Storage(), there.Storage())), "Hello there");
  EXPECT_EQ(Take(StringReplaceB(hello.Storage(), world.Storage(), there.Storage())), "Hello World");
  EXPECT_EQ(Take(StringReplaceAll(string("aaaa").Storage(), string("aa").Storage(), string("a").Storage())), "aa");
  EXPECT_EQ(Take(StringReplaceAllB(string("abab").Storage(), string("ab").Storage(), nullptr)), "");
  EXPECT_EQ(Take(StringReplace(hello.Storage(), nullptr, there.Storage())), "Hello World");
  EXPECT_EQ(StringReplaceAll(nullptr, world.Storage(), there.Storage()), nullptr);
  // Find and replacement are brought to the source's encoding first.
  string wide = Make(EncodeUTF16({'c', 0xE9, 'x'}), kEncodingUnicode16);
  string accented = Make(std::string("\xC3\x89"), kEncodingUTF8);
  TextEncoding encoding;
  EXPECT_EQ(Take(StringReplaceAll(wide.Storage(), accented.Storage(), string("e").Storage()), &encoding),
            EncodeUTF16({'c', 'e', 'x'}));
  EXPECT_EQ(encoding, kEncodingUnicode16);
}

TEST(StringFields, FieldAndSplitEdges) {
  string comma(","), abb("a,,b");
  EXPECT_EQ(StringCountFields(abb.Storage(), comma.Storage()), 3);
  EXPECT_EQ(StringNthField(abb.Storage(), comma.Storage(), 2), nullptr);
  EXPECT_EQ(StringCountFields(nullptr, comma.Storage()), 0);
  EXPECT_EQ(StringCountFields(abb.Storage(), nullptr), 1);
  EXPECT_EQ(StringCountFieldsB(abb.Storage(), nullptr), 1);
  EXPECT_EQ(Take(StringNthField(abb.Storage(), nullptr, 1)), "a,,b") << "the one field is the text";
  EXPECT_EQ(Take(StringNthFieldB(abb.Storage(), nullptr, 1)), "a,,b");
  EXPECT_EQ(StringNthFieldB(abb.Storage(), nullptr, 2), nullptr);
  // A separator converted to the source's encoding is kept for the whole scan.
  string wide = Make(EncodeUTF16({'x', 0xE9, 'y', 0xC9, 'z'}), kEncodingUnicode16);
  string accent = Make(std::string("\xC3\xA9"), kEncodingUTF8);
  EXPECT_EQ(StringCountFields(wide.Storage(), accent.Storage()), 3);
  EXPECT_EQ(Take(StringNthField(wide.Storage(), accent.Storage(), 3)), EncodeUTF16({'z'}));
  string ab("a,b");
  EXPECT_EQ(StringNthField(ab.Storage(), comma.Storage(), 3), nullptr);
  EXPECT_EQ(StringNthField(ab.Storage(), comma.Storage(), 0), nullptr);
  EXPECT_EQ(Take(StringNthField(string("aXbxc").Storage(), string("x").Storage(), 3)), "c");
  EXPECT_EQ(Take(StringNthFieldB(string("aXbxc").Storage(), string("x").Storage(), 2)), "c");

  SimpleVector<string> pieces;
  StringSplitToVector(string("a,b,"), comma, false, pieces);
  EXPECT_EQ(Pieces(pieces), (std::vector<std::string>{"a", "b", ""}));
  pieces.Clear();
  StringSplitToVector(Make(std::string("a\xC3\xA9" "c"), kEncodingUTF8), string(), true, pieces);
  EXPECT_EQ(Pieces(pieces), (std::vector<std::string>{"a", "\xC3\xA9", "c"}));
  pieces.Clear();
  StringSplitToVector(Make(EncodeUTF16({'a', 0x4E2D}), kEncodingUnicode16), string(), false, pieces);
  EXPECT_EQ(Pieces(pieces), (std::vector<std::string>{EncodeUTF16({'a'}), EncodeUTF16({0x4E2D})}))
      << "16-bit text splits into whole units";

  SimpleVector<string> keys, values;
  EXPECT_EQ(StringSplitPairs(string("a=1&b=2&c&d=4=5"), string("="), string("&"), keys, values), 3);
  EXPECT_EQ(Pieces(keys), (std::vector<std::string>{"a", "b", "d"}));
  EXPECT_EQ(Pieces(values), (std::vector<std::string>{"1", "2", "4"}));
  SimpleVector<string> k2, v2;
  EXPECT_EQ(StringSplitPairs(string("a=1"), string("="), string("&"), k2, v2), 0);
  EXPECT_EQ(k2.size(), 0u);
}

TEST(StringFields, SplitAtCharacter) {
  SimpleVector<string> pieces;
  string text("a,,b");
  SplitStringAtChar(text, ',', pieces);
  EXPECT_EQ(Pieces(pieces), (std::vector<std::string>{"a", "", "b"}));
  text = ",a,b,";
  SplitStringAtChar(text, ',', pieces);
  EXPECT_EQ(Pieces(pieces), (std::vector<std::string>{"", "a", "b"}));
  text = Make(EncodeUTF16({'x', 0xE9, 'y'}), kEncodingUnicode16);
  SplitStringAtChar(text, 0xE9, pieces);
  EXPECT_EQ(text.Encoding(), kEncodingUTF8) << "converted in place";
  EXPECT_EQ(Pieces(pieces), (std::vector<std::string>{"x", "y"}));
  text = string();
  SplitStringAtChar(text, '/', pieces);
  EXPECT_EQ(pieces.size(), 0u);
  qvtest::ReportCapture capture;
  text = "a/b";
  SplitStringAtChar(text, 0x2F2F, pieces);
  EXPECT_TRUE(capture.HasCondition("(unsigned long)sepChar <= 255"));
  EXPECT_EQ(pieces.size(), 0u);
}

}  // namespace
