// Trimming by encoding family, escapes round-tripped over all 256 byte values and checked
// against a printf model, and mnemonic markers.
#include <gtest/gtest.h>

#include "StringFunctionsTestSupport.h"
#include "strings/Escapes.h"
#include "strings/Mnemonic.h"
#include "strings/Trim.h"

using namespace strtest;

namespace {

TEST(TextCleanupTest, TrimByEncoding) {
  // ASCII text trims only ASCII white space; 0xA0 there is no space.
  string ascii = Make("\t\xA0 a \r\n", kEncodingASCII);
  EXPECT_EQ(Take(runLTrim(ascii.Storage())) + "|" + Take(runRTrim(ascii.Storage())),
            "\xA0 a \r\n|\t\xA0 a");
  // Windows Latin 1: 0xA0 is a no-break space there, trimmed through 16-bit Unicode.
  string latinTrimmed = TrimText(Make("\xA0 caf\xE9\xA0", kEncodingWindowsLatin1), true, true);
  EXPECT_EQ(Bytes(latinTrimmed), "caf\xE9");
  EXPECT_EQ(latinTrimmed.Encoding(), kEncodingWindowsLatin1);
  // 16-bit text trims whole characters.
  string wide = TrimText(Make(CodePoints{0x3000, 0x2028, 'a', 0x2000, 'b', 0x85}, Form::kUTF16),
                         true, true);
  EXPECT_EQ(Bytes(wide), EncodeUTF16({'a', 0x2000, 'b'}));
}

TEST(TextCleanupTest, EscapesMatchAPrintfModelAndRoundTripEveryByte) {
  std::string all, model;
  for (int b = 0; b < 256; ++b) {
    all += char(b);
    char text[8];
    if (b >= 7 && b <= 13) std::snprintf(text, sizeof text, "\\%c", "abtnvfr"[b - 7]);
    else if (strchr("\"'?\\", b) && b) std::snprintf(text, sizeof text, "\\%c", b);
    else if (b >= 0x20 && b < 0x7F) std::snprintf(text, sizeof text, "%c", b);
    else std::snprintf(text, sizeof text, "\\x%02X", b);
    model += text;
  }
  string encoded = EncodeBackslashEscapes(Make(all, kEncodingNone));
  EXPECT_EQ(encoded.Encoding(), kEncodingASCII);
  EXPECT_EQ(Bytes(encoded), model);
  EXPECT_EQ(Bytes(DecodeBackslashEscapes(encoded)), all);
  // Decoding keeps what it does not know, and never reads past the end of an exact-size record.
  const std::pair<std::string, std::string> kept[] = {
      {"\\x4", "\\x4"},     {"\\x", "\\x"},     {"\\", "\\"},
      {"a\\", "a\\"},       {"\\xg1", "\\xg1"}, {"\\q", "\\q"},
      {"\\x4a\\x4A", "JJ"}, {"\\\\n", "\\n"},   {std::string("\\\0", 2), std::string("\\\0", 2)}};
  for (const auto& [in, out] : kept)
    EXPECT_EQ(Bytes(DecodeBackslashEscapes(Make(in, kEncodingASCII))), out) << in;
}

// "&&" is a literal "&"; the last single "&" marks the mnemonic; 16-bit text is read in units,
// so "&" followed by a character whose low byte is "&" still works.
TEST(TextCleanupTest, Mnemonics) {
  string wide = Make(CodePoints{'&', '&', 'a', '&', 0x2626, 'x'}, Form::kUTF16);
  uint32_t mnemonic = 0;
  StripMnemonicInPlace(wide, &mnemonic);
  EXPECT_EQ(mnemonic, 0x2626u);
  EXPECT_EQ(Bytes(wide.GetUTF8String()), EncodeUTF8({'&', 'a', 0x2626, 'x'}));
}

}  // namespace
