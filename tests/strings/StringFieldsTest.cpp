// Replace, ReplaceAll, CountFields, NthField, Split, Join and the split engine against models
// built on a character-by-character search, over random ASCII, UTF-8 and 16-bit texts, in text
// and byte forms; then the edge cases.
#include <gtest/gtest.h>

#include "StringFunctionsTestSupport.h"
#include "core/Memory.h"
#include "strings/StringFields.h"
#include "strings/StringReplace.h"
#include "strings/StringSearch.h"
#include "strings/StringSplitJoin.h"
#include "support/TestSupport.h"

using namespace strtest;

namespace {

CodePoints ModelReplace(const CodePoints& text, const CodePoints& find, const CodePoints& with,
                        bool all, bool ignoreCase) {
  CodePoints out;
  size_t from = 0;
  for (int32_t at; (at = ModelFind(text, find, from, ignoreCase)) >= 0 && (all || !from);) {
    out.insert(out.end(), text.begin() + long(from), text.begin() + at);
    out.insert(out.end(), with.begin(), with.end());
    from = size_t(at) + find.size();
  }
  out.insert(out.end(), text.begin() + long(from), text.end());
  return out;
}

template <typename Vector>
std::vector<std::string> Pieces(const Vector& v) {
  std::vector<std::string> out;
  for (uint32_t i = 0; i < v.size(); ++i) out.push_back(Bytes(v[int32_t(i)]));
  return out;
}

std::vector<std::string> Elements(RuntimeArray* array) {
  std::vector<std::string> out;
  auto get = reinterpret_cast<stringStorage* (*)(RuntimeArray*, int32_t)>(array->table->get);
  for (int32_t i = 0; i <= RuntimeUBound(array); ++i) out.push_back(Take(get(array, i)));
  return out;
}

TEST(StringFields, ReplaceFieldsSplitAndJoinMatchTheModelsInEveryForm) {
  std::mt19937 rng(13);
  for (Form form : kAllForms) {
    for (int round = 0; round < 700; ++round) {
      CodePoints text = RandomText(rng, int32_t(rng() % 40), form);
      CodePoints find = RandomText(rng, 1 + int32_t(rng() % 2), form);
      if (rng() % 2 && text.size() > 2)
        find = FlipSomeCase(rng, CodePoints(text.begin() + 1, text.begin() + 3));
      CodePoints with = RandomText(rng, int32_t(rng() % 3), form);
      const bool exact = rng() % 3 == 0;
      string s = Make(text, form), f = Make(find, form), w = Make(with, form);
      SCOPED_TRACE(::testing::Message() << "form " << int(form) << " exact " << exact << " text "
                                        << Encode(text, form) << " find " << Encode(find, form));
      for (bool all : {false, true}) {
        string got = ReplaceText(s, f, w, all, exact);
        ASSERT_EQ(Bytes(got), Encode(ModelReplace(text, find, with, all, !exact), form));
        ASSERT_EQ(got.Encoding(), text.empty() ? got.Encoding() : s.Encoding());
      }
      const std::vector<CodePoints> fields = ModelSplit(text, find, !exact);
      const int32_t count = text.empty() ? 0 : int32_t(fields.size());
      ASSERT_EQ(StringCountFieldsCore(s, f, exact), count);
      std::vector<std::string> expected;
      for (int32_t n = -1; n <= count + 1; ++n) {
        if (n >= 1 && n <= count) expected.push_back(Encode(fields[n - 1], form));
        ASSERT_EQ(Bytes(StringNthFieldCore(s, f, n, exact)),
                  n >= 1 && n <= count ? expected.back() : "");
      }
      SimpleVector<string> pieces;
      StringSplitToVector(s, f, exact, pieces);
      ASSERT_EQ(Pieces(pieces), expected);
      RuntimeArray* split = (exact ? StringSplitB : StringSplit)(s.Storage(), f.Storage());
      ASSERT_EQ(Elements(split), expected);
      TextEncoding encoding = EncodingOf(form);
      std::string joined = Take(StringJoin(split, f.Storage()), &encoding);
      ASSERT_TRUE(!exact || joined == Encode(text, form)) << "Join undoes SplitB";
      ASSERT_EQ(encoding, text.empty() ? encoding : EncodingOf(form));
      RuntimeUnlockArray(split);
    }
  }
}

// Patterns of 1, 2, 4, 5 and 80 characters over texts of a five-letter alphabet, each text
// with a match at its start and at its end, and between them a run where matches overlap (one
// letter repeated, or two letters alternating) or abut; the texts are long enough for the scans
// that step sixteen bytes and for the skip table. Every Replace form against the model.
TEST(StringFields, ReplaceFormsAtEveryPatternLengthMatchTheModel) {
  using Exported = stringStorage* (*)(stringStorage*, stringStorage*, stringStorage*);
  const Exported forms[2][2] = {{StringReplace, StringReplaceAll},
                                {StringReplaceB, StringReplaceAllB}};  // [exact][all]
  std::mt19937 rng(1414);
  for (Form form : kAllForms) {
    const CodePoints alphabet = form == Form::kASCII ? CodePoints{'a', 'b', 'A', 'B', '-'}
                                                     : CodePoints{'a', 0xE9, 0xC9, 'b', 0x3B1};
    auto randomText = [&](size_t n) {
      CodePoints text;
      for (size_t i = 0; i < n; ++i) text.push_back(alphabet[rng() % alphabet.size()]);
      return text;
    };
    auto append = [](CodePoints* text, const CodePoints& more) {
      text->insert(text->end(), more.begin(), more.end());
    };
    for (size_t length : {1u, 2u, 4u, 5u, 80u}) {
      for (int round = 0; round < 60; ++round) {
        const int kind = round % 3;  // 0: one letter, 1: two alternating, 2: random
        CodePoints unit = randomText(kind == 0 ? 1 : 2), find, run;
        for (size_t i = 0; i < length; ++i) find.push_back(kind < 2 ? unit[i % unit.size()]
                                                                    : alphabet[rng() % 5]);
        if (kind < 2) {
          for (size_t i = 0; i < 2 * length + 1; ++i) run.push_back(unit[i % unit.size()]);
        } else {
          run = find;
          append(&run, find);
        }
        CodePoints text = FlipSomeCase(rng, find);
        append(&text, randomText(rng() % 200));
        append(&text, FlipSomeCase(rng, run));
        append(&text, randomText(rng() % 30));
        append(&text, FlipSomeCase(rng, find));
        const CodePoints with = randomText(rng() % 4);
        string s = Make(text, form), f = Make(find, form), w = Make(with, form);
        SCOPED_TRACE(::testing::Message() << "form " << int(form) << " length " << length
                                          << " text " << Encode(text, form));
        for (bool exact : {false, true}) {
          for (bool all : {false, true}) {
            TextEncoding encoding = kEncodingNone;
            std::string got = Take(forms[exact][all](s.Storage(), f.Storage(), w.Storage()),
                                   &encoding);
            ASSERT_EQ(got, Encode(ModelReplace(text, find, with, all, !exact), form))
                << "exact " << exact << " all " << all;
            ASSERT_EQ(encoding, got.empty() ? encoding : EncodingOf(form));
          }
        }
      }
    }
  }
}

// A one-byte separator over a text longer than one scanning step: separators at both ends,
// next to each other and on either side of a step's edge; a letter matches both of its cases
// in the text form and only itself in the byte form.
TEST(StringFields, SplitAtOneByteCutsAtEveryPlace) {
  std::string text;
  for (int k = 0; k < 70; ++k)
    text += k % 7 == 0 ? "x" : k % 5 == 0 ? "X" : k % 3 ? "ab" : "\xC3\xA9";
  text = "x" + text + "xx";
  auto model = [&](bool ignoreCase) {
    std::vector<std::string> pieces{""};
    for (char c : text) {
      if (c == 'x' || (ignoreCase && c == 'X')) pieces.emplace_back();
      else pieces.back() += c;
    }
    return pieces;
  };
  string s = Make(text, kEncodingUTF8), x("x");
  for (bool bytes : {false, true}) {
    RuntimeArray* array = bytes ? StringSplitB(s.Storage(), x.Storage())
                                : StringSplit(s.Storage(), x.Storage());
    EXPECT_EQ(Elements(array), model(!bytes)) << bytes;
    RuntimeUnlockArray(array);
  }
}

// Whichever way Split cuts (one byte, a longer delimiter, characters, 16-bit text through
// UTF-8), each piece the array holds has the source's encoding, and the array holds the only
// reference the split made: unlocking it gives back every byte (after a first split has filled
// the caches of converted delimiters and one-character texts).
TEST(StringFields, SplitPiecesBelongToTheArrayAlone) {
  const string utf8 = Make("ab,\xC3\xA9,,cd,", kEncodingUTF8);
  const string wide = Make(EncodeUTF16({'a', ',', 0xE9, ',', ',', 'c'}), kEncodingUnicode16);
  const struct {
    const string& source;
    string delimiter;
    size_t pieces;
  } cases[] = {{utf8, string(","), 5}, {utf8, string(",,"), 2}, {utf8, string(), 9},
               {wide, string(","), 4}, {wide, string(), 6}};
  for (const auto& c : cases) {
    for (bool bytes : {false, true}) {
      SCOPED_TRACE(::testing::Message() << Bytes(c.delimiter) << " bytes " << bytes);
      auto split = [&] {
        return (bytes ? StringSplitB : StringSplit)(c.source.Storage(), c.delimiter.Storage());
      };
      RuntimeUnlockArray(split());
      const int32_t inUse = SmallBlockBytesInUse();
      RuntimeArray* array = split();
      ASSERT_EQ(size_t(RuntimeUBound(array) + 1), c.pieces);
      for (size_t k = 0; k < c.pieces; ++k) {
        const stringStorage* piece = static_cast<stringStorage**>(array->data)[k];
        if (piece) {
          EXPECT_EQ(piece->encoding, c.source.Encoding()) << k;
        }
      }
      RuntimeUnlockArray(array);
      EXPECT_EQ(SmallBlockBytesInUse(), inUse);
    }
  }
}

std::string Latin1(const CodePoints& text) { return std::string(text.begin(), text.end()); }

// An ASCII source meeting text that ASCII cannot hold (UTF-8, Windows Latin-1, 16-bit) takes on
// that text's encoding, as concatenation does: the other text keeps its characters instead of
// turning into substitutes, which could even match the source's own "?". Beside text that holds
// ASCII only, the source keeps its encoding.
TEST(StringFields, AnASCIISourceWidensToTextItCannotHold) {
  const struct {
    TextEncoding encoding;
    std::string (*encode)(const CodePoints&);
  } partners[] = {{kEncodingUTF8, EncodeUTF8}, {1280, Latin1}, {kEncodingUnicode16, EncodeUTF16}};
  const std::string text = "Hello NAME, Jos?? or Jos?";
  const string source(text.c_str()), name("NAME");
  const CodePoints jose{'J', 'o', 's', 0xE9}, dot{' ', 0xB7, ' '};
  for (const auto& p : partners) {
    SCOPED_TRACE(p.encoding);
    auto other = [&](const CodePoints& t) { return Make(p.encode(t), p.encoding); };
    auto ascii = [&](const std::string& t) { return p.encode(CodePoints(t.begin(), t.end())); };
    TextEncoding encoding = kEncodingNone;
    EXPECT_EQ(Take(StringReplaceAll(source.Storage(), name.Storage(), other(jose).Storage()),
                   &encoding),
              ascii("Hello ") + p.encode(jose) + ascii(", Jos?? or Jos?"));
    EXPECT_EQ(encoding, p.encoding);
    EXPECT_EQ(Take(StringReplace(source.Storage(), other(jose).Storage(), name.Storage())), text);
    EXPECT_EQ(StringInStr(1, source.Storage(), other(jose).Storage()), 0);
    const string accent = other({0xE9});
    EXPECT_EQ(StringCountFields(source.Storage(), accent.Storage()), 1);
    EXPECT_EQ(StringNthField(source.Storage(), accent.Storage(), 2), nullptr);
    RuntimeArray* split = StringSplit(source.Storage(), accent.Storage());
    EXPECT_EQ(Elements(split), std::vector<std::string>{ascii(text)});
    RuntimeUnlockArray(split);
    split = StringSplit(string("a,b").Storage(), string(",").Storage());
    EXPECT_EQ(Take(StringJoin(split, other(dot).Storage()), &encoding),
              ascii("a") + p.encode(dot) + ascii("b"));
    EXPECT_EQ(encoding, p.encoding);
    RuntimeUnlockArray(split);
  }
  TextEncoding encoding = kEncodingNone;
  const string bob = Make("Bob", kEncodingUTF8);
  EXPECT_EQ(Take(StringReplaceAll(source.Storage(), name.Storage(), bob.Storage()), &encoding),
            "Hello Bob, Jos?? or Jos?");
  EXPECT_EQ(encoding, kEncodingASCII);
}

TEST(StringFields, Edges) {
  string hello("Hello World"), world("world");
  EXPECT_EQ(Take(StringReplaceB(hello.Storage(), world.Storage(), nullptr)), "Hello World");
  // Find, replacement and separator are brought to the source's encoding, once for the scan.
  string wide = Make(EncodeUTF16({'x', 0xE9, 'y', 0xC9, 'z'}), kEncodingUnicode16);
  string accent = Make("\xC3\xA9", kEncodingUTF8);
  EXPECT_EQ(Take(StringReplaceAll(wide.Storage(), accent.Storage(), string("-").Storage())),
            EncodeUTF16({'x', '-', 'y', '-', 'z'}));
  // An empty separator: one field, which the byte form does not give; Split cuts characters.
  EXPECT_EQ(StringCountFieldsB(hello.Storage(), nullptr), 1);
  EXPECT_EQ(StringNthFieldB(hello.Storage(), nullptr, 1), nullptr);
  EXPECT_EQ(Take(StringNthField(hello.Storage(), nullptr, 1)), "Hello World");
  RuntimeArray* array = StringSplit(Make("a\xC3\xA9", kEncodingUTF8).Storage(), nullptr);
  EXPECT_EQ(Elements(array), (std::vector<std::string>{"a", "\xC3\xA9"}));
  RuntimeUnlockArray(array);
  SimpleVector<string> keys, values, pieces;
  EXPECT_EQ(StringSplitPairs(string("a=1&b=2&c&d=4=5"), string("="), string("&"), keys, values), 3);
  EXPECT_EQ(Pieces(keys), (std::vector<std::string>{"a", "b", "d"}));
  EXPECT_EQ(Pieces(values), (std::vector<std::string>{"1", "2", "4"}));
  string slash("a/b");
  qvtest::ReportCapture capture;
  SplitStringAtChar(slash, 0x2F2F, pieces);
  EXPECT_TRUE(capture.HasCondition("(unsigned long)sepChar <= 255"));
  EXPECT_EQ(pieces.size(), 0u);
}

}  // namespace
