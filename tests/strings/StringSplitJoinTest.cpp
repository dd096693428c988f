// Split into String arrays against the split model, Join against a std::string join, and the
// round trip between them, over random texts; then the edge cases.
#include <gtest/gtest.h>

#include <random>

#include "StringFunctionsTestSupport.h"
#include "strings/StringSplitJoin.h"
#include "strings/TextEncoding.h"

using namespace strtest;

namespace {

using StringGet = stringStorage* (*)(RuntimeArray*, int32_t);
using StringSet = void (*)(RuntimeArray*, stringStorage*, int32_t);

std::vector<std::string> Elements(RuntimeArray* array) {
  std::vector<std::string> out;
  auto get = reinterpret_cast<StringGet>(array->table->get);
  for (int32_t i = 0; i <= RuntimeUBound(array); ++i) out.push_back(Take(get(array, i)));
  return out;
}

RuntimeArray* MakeArray(const std::vector<string>& elements) {
  RuntimeArray* array = CreateArray(1, kArrayString, static_cast<int32_t>(elements.size()) - 1);
  auto set = reinterpret_cast<StringSet>(array->table->set);
  for (size_t i = 0; i < elements.size(); ++i) set(array, elements[i].Storage(), static_cast<int32_t>(i));
  return array;
}

TEST(StringSplitJoin, SplitMatchesTheModelAndJoinRestoresTheSource) {
  std::mt19937 rng(31);
  for (Form form : kAllForms) {
    for (int round = 0; round < 300; ++round) {
      CodePoints text = RandomText(rng, static_cast<int32_t>(rng() % 30), form);
      CodePoints delimiter = RandomText(rng, 1 + static_cast<int32_t>(rng() % 2), form);
      string s = Make(text, form), d = Make(delimiter, form);
      SCOPED_TRACE(::testing::Message() << "form " << int(form) << " " << Encode(text, form));
      RuntimeArray* split = StringSplit(s.Storage(), d.Storage());
      std::vector<std::string> expected;
      for (const CodePoints& piece : text.empty() ? std::vector<CodePoints>{} : ModelSplit(text, delimiter, true))
        expected.push_back(Encode(piece, form));
      ASSERT_EQ(Elements(split), expected);
      RuntimeUnlockArray(split);
      RuntimeArray* bytes = StringSplitB(s.Storage(), d.Storage());
      TextEncoding encoding;
      std::string joined = Take(StringJoin(bytes, d.Storage()), &encoding);
      ASSERT_EQ(joined, Encode(text, form)) << "Join undoes SplitB";
      if (!text.empty()) {
        ASSERT_EQ(encoding, EncodingOf(form));
      }
      RuntimeUnlockArray(bytes);
    }
  }
}

TEST(StringSplitJoin, Edges) {
  RuntimeArray* array = StringSplit(string("a,b,").Storage(), string(",").Storage());
  EXPECT_EQ(Elements(array), (std::vector<std::string>{"a", "b", ""}));
  EXPECT_EQ(reinterpret_cast<StringGet>(array->table->get)(array, 2), nullptr) << "the last is nil";
  RuntimeUnlockArray(array);
  array = StringSplit(string("abc").Storage(), nullptr);
  EXPECT_EQ(Elements(array), (std::vector<std::string>{"a", "b", "c"}));
  RuntimeUnlockArray(array);
  array = StringSplit(nullptr, string(",").Storage());
  EXPECT_EQ(RuntimeUBound(array), -1);
  EXPECT_EQ(StringJoin(array, string(",").Storage()), nullptr) << "no elements join to nil";
  RuntimeUnlockArray(array);
  EXPECT_EQ(StringJoin(nullptr, string(",").Storage()), nullptr);
  array = MakeArray({string("only")});
  EXPECT_EQ(Take(StringJoin(array, string(", ").Storage())), "only");
  RuntimeUnlockArray(array);
  // Elements in different encodings meet in one that holds them all.
  array = MakeArray({Make(std::string("\xC3\xA9"), kEncodingUTF8), Make(EncodeUTF16({0x4E2D}), kEncodingUnicode16)});
  string joined = string::Adopt(StringJoin(array, string("+").Storage()));
  EXPECT_EQ(Bytes(joined.GetUTF8String()), "\xC3\xA9+\xE4\xB8\xAD");
  RuntimeUnlockArray(array);
}

}  // namespace
