// Trimming and title case share one white-space set: over every character of the Basic
// Multilingual Plane, Trim cuts a character exactly when title case starts a word after it.
#include <gtest/gtest.h>

#include "StringFunctionsTestSupport.h"
#include "strings/CaseMapping.h"
#include "strings/StringCase.h"
#include "strings/Trim.h"

using namespace strtest;

namespace {

TEST(WhiteSpaceTest, TrimCutsWhatTitleCaseTreatsAsWhiteSpace) {
  int whiteCount = 0;
  for (uint32_t code = 1; code < 0x10000; ++code) {
    if (code >= 0xD800 && code <= 0xDFFF) continue;
    const std::string c = EncodeUTF8({code});
    const string word = Make("a" + c + "b", kEncodingUTF8);
    const bool startsWord = Take(StringTitleCase(word.Storage())) == "A" + c + "B";
    const bool trimmed = Take(runTrim(Make(c + "x" + c, kEncodingUTF8).Storage())) == "x";
    ASSERT_EQ(trimmed, startsWord) << std::hex << code;
    ASSERT_EQ(trimmed, IsWhiteSpace(code)) << std::hex << code;
    whiteCount += trimmed;
  }
  EXPECT_EQ(whiteCount, 26);  // 6 ASCII, 4 in Latin-1 to Mongolian, 11 in 0x2000-0x200A, 5 more
}

}  // namespace
