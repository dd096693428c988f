// Trimming and title case share one white-space set: over every character of the Basic
// Multilingual Plane, Trim cuts a character exactly when title case starts a word after it.
#include <gtest/gtest.h>

#include <string>

#include "strings/CaseMapping.h"
#include "strings/RuntimeString.h"
#include "strings/StringCase.h"
#include "strings/TextEncoding.h"
#include "strings/Trim.h"

namespace {

std::string UTF8Of(uint32_t code) {
  std::string out;
  if (code < 0x80) return std::string(1, char(code));
  if (code < 0x800) {
    out += char(0xC0 | (code >> 6));
  } else {
    out += char(0xE0 | (code >> 12));
    out += char(0x80 | ((code >> 6) & 0x3F));
  }
  out += char(0x80 | (code & 0x3F));
  return out;
}

std::string Call(stringStorage* (*function)(stringStorage*), const std::string& utf8,
                 TextEncoding encoding) {
  string text = string::FromBytes(utf8.data(), int64_t(utf8.size()), encoding);
  string result = string::Adopt(function(text.Storage()));
  return std::string(result.Bytes(), result.Bytes() + result.Length());
}

TEST(WhiteSpaceTest, TrimCutsWhatTitleCaseTreatsAsWhiteSpace) {
  int whiteCount = 0;
  for (uint32_t code = 1; code < 0x10000; ++code) {
    if (code >= 0xD800 && code <= 0xDFFF) continue;
    const std::string c = UTF8Of(code);
    const bool startsWord = Call(StringTitleCase, "a" + c + "b", kEncodingUTF8) == "A" + c + "B";
    const bool trimmed = Call(runTrim, c + "x" + c, kEncodingUTF8) == "x";
    ASSERT_EQ(trimmed, startsWord) << std::hex << code;
    ASSERT_EQ(trimmed, IsWhiteSpace(code)) << std::hex << code;
    whiteCount += trimmed;
  }
  EXPECT_EQ(whiteCount, 26);  // 6 ASCII, 4 in Latin-1 to Mongolian, 11 in 0x2000-0x200A, 5 more
}

TEST(WhiteSpaceTest, SingleByteTextTrimsOnlyASCIIWhiteSpace) {
  for (TextEncoding encoding : {kEncodingASCII, kEncodingNone}) {
    for (int byte = 1; byte < 0x100; ++byte) {
      const std::string c(1, char(byte));
      const bool ascii = byte == ' ' || (byte >= '\t' && byte <= '\r');
      EXPECT_EQ(Call(runLTrim, c + "x", encoding) == "x", ascii) << byte;
      EXPECT_EQ(Call(runRTrim, "x" + c, encoding) == "x", ascii) << byte;
    }
  }
}

}  // namespace
