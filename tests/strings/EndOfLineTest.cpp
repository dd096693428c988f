// Line endings against a model over random texts, and the EndOfLine members.
#include <gtest/gtest.h>

#include <random>

#include "StringFunctionsTestSupport.h"
#include "strings/EndOfLine.h"

using namespace strtest;

namespace {

std::string ModelLineEndings(const std::string& text, const std::string& ending) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    out += text[i] == '\r' || text[i] == '\n' ? ending : std::string(1, text[i]);
  }
  return out;
}

TEST(EndOfLine, ReplaceLineEndingsMatchesTheModel) {
  std::mt19937 rng(29);
  const char alphabet[] = "ab\r\n\r\n";
  const char* endings[] = {"", "\n", "\r\n", "\r", "<br>"};
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    for (size_t n = rng() % 16; n > 0; --n) text += alphabet[rng() % 6];
    std::string ending = endings[rng() % 5];
    ASSERT_EQ(Bytes(ReplaceLineEndings(string(text.c_str()), string(ending.c_str()))),
              ModelLineEndings(text, ending));
  }
  EXPECT_EQ(Take(RuntimeReplaceLineEndings(string("a\r\nb\rc\nd").Storage(), getWin32EndOfLine(nullptr))),
            "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(Take(RuntimeReplaceLineEndings(string("\n\r").Storage(), string("|").Storage())), "||");
  EXPECT_EQ(RuntimeReplaceLineEndings(nullptr, string("|").Storage()), nullptr);
  // 16-bit text is matched on whole units, and keeps its encoding.
  CodePoints wide = {'a', '\r', '\n', 0x0D0A, 'b'};
  TextEncoding encoding;
  EXPECT_EQ(Take(RuntimeReplaceLineEndings(Make(wide, Form::kUTF16).Storage(), string("\r").Storage()), &encoding),
            EncodeUTF16({'a', '\r', 0x0D0A, 'b'}));
  EXPECT_EQ(encoding, kEncodingUnicode16);
  EXPECT_EQ(Take(RuntimeEndOfLine(nullptr)), "\n");
  EXPECT_EQ(Take(RuntimeEndOfLineAdd(nullptr, string("x").Storage())), "\nx");
  EXPECT_EQ(Take(RuntimeEndOfLineAddRight(nullptr, string("x").Storage())), "x\n");
  EXPECT_EQ(RuntimeEndOfLineCompare(nullptr, string("\n").Storage()), 0);
  EXPECT_GT(RuntimeEndOfLineCompare(nullptr, nullptr), 0);
  EXPECT_EQ(Take(getMacEndOfLine(nullptr), &encoding), "\r");
  EXPECT_EQ(encoding, kEncodingASCII);
  EXPECT_EQ(Take(getUNIXEndOfLine(nullptr)), "\n");
}

}  // namespace
