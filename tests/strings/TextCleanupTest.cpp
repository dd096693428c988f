// Trimming against a code-point model in every encoding family, escapes round-tripped over all
// 256 byte values and checked against a printf model, and mnemonic markers.
#include <gtest/gtest.h>

#include "StringFunctionsTestSupport.h"
#include "strings/Escapes.h"
#include "strings/Mnemonic.h"
#include "strings/Trim.h"

using namespace strtest;

namespace {

TEST(TextCleanupTest, TrimMatchesCodePointModel) {
  const CodePoints white = {0x09,   0x0A,   0x0B,   0x0C,   0x0D,   0x20,   0x85,   0xA0,   0x1680,
                            0x180E, 0x2000, 0x2005, 0x200A, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000};
  const CodePoints other = {'a', 'Z', '0', 0xE9, 0x200B, 0x4E2D, 0x1F600, 0x3001};
  auto isWhite = [&](uint32_t c) { return std::count(white.begin(), white.end(), c) > 0; };
  std::mt19937 rng(2104);
  for (int i = 0; i < 3000; ++i) {
    CodePoints codes;
    for (int j = int(rng() % 8); j > 0; --j) {
      codes.push_back(rng() % 2 ? white[rng() % white.size()] : other[rng() % other.size()]);
    }
    const auto first = std::find_if_not(codes.begin(), codes.end(), isWhite);
    const auto last = std::find_if_not(codes.rbegin(), codes.rend(), isWhite).base();
    string utf8 = Make(codes, Form::kUTF8);
    EXPECT_EQ(Bytes(TrimText(utf8, true, true)), EncodeUTF8({first, std::max(first, last)}));
    EXPECT_EQ(Bytes(TrimText(utf8, true, false)), EncodeUTF8({first, codes.end()}));
    EXPECT_EQ(Bytes(TrimText(utf8, false, true)), EncodeUTF8({codes.begin(), last}));
    string wide = TrimText(utf8.GetUTF16String(), true, true);
    EXPECT_EQ(Bytes(wide.GetUTF8String()), EncodeUTF8({first, std::max(first, last)}));
    EXPECT_EQ(wide.Encoding(), wide.IsEmpty() ? wide.Encoding() : kEncodingUnicode16);
  }
}

TEST(TextCleanupTest, TrimByEncoding) {
  // ASCII text trims only ASCII white space; 0xA0 there is no space.
  string ascii = Make("\t\xA0 a \r\n", kEncodingASCII);
  EXPECT_EQ(Take(runLTrim(ascii.Storage())) + "|" + Take(runRTrim(ascii.Storage())),
            "\xA0 a \r\n|\t\xA0 a");
  TextEncoding encoding;
  EXPECT_EQ(Take(runTrim(Make("  b ", kEncodingNone).Storage()), &encoding), "b");
  EXPECT_EQ(encoding, kEncodingNone);
  // Windows Latin 1: 0xA0 is a no-break space there, trimmed through 16-bit Unicode.
  string latinTrimmed = TrimText(Make("\xA0 caf\xE9\xA0", kEncodingWindowsLatin1), true, true);
  EXPECT_EQ(Bytes(latinTrimmed), "caf\xE9");
  EXPECT_EQ(latinTrimmed.Encoding(), kEncodingWindowsLatin1);
  string plain("abc");  // nothing to trim: the text itself comes back
  EXPECT_EQ(TrimText(plain, true, true).Storage(), plain.Storage());
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
  std::mt19937 rng(256);
  for (int i = 0; i < 2000; ++i) {
    std::string bytes;
    for (int j = int(rng() % 12); j > 0; --j) bytes += char(rng());
    string once = string::Adopt(EncodeBackslashEscapeString(Make(bytes, kEncodingNone).Storage()));
    EXPECT_EQ(Take(DecodeBackslashEscapeString(once.Storage())), bytes);
  }
  // Decoding keeps what it does not know, and never reads past the end of an exact-size record.
  const std::pair<std::string, std::string> kept[] = {
      {"\\x4", "\\x4"},     {"\\x", "\\x"},     {"\\", "\\"},
      {"a\\", "a\\"},       {"\\xg1", "\\xg1"}, {"\\q", "\\q"},
      {"\\x4a\\x4A", "JJ"}, {"\\\\n", "\\n"},   {std::string("\\\0", 2), std::string("\\\0", 2)}};
  for (const auto& [in, out] : kept)
    EXPECT_EQ(Bytes(DecodeBackslashEscapes(Make(in, kEncodingASCII))), out) << in;
}

TEST(TextCleanupTest, Mnemonics) {
  const struct {
    std::string caption;
    TextEncoding encoding;
    std::string stripped;
    uint32_t mnemonic;
  } cases[] = {
      {"&File", kEncodingASCII, "File", 'F'},
      {"Fish && Chips", kEncodingASCII, "Fish & Chips", 0},
      {"&a&b", kEncodingASCII, "ab", 'b'},
      {"&a&&", kEncodingASCII, "a&", 'a'},
      {"x&", kEncodingASCII, "x", 0},
      {"", kEncodingASCII, "", 0},
      {"&\xC3\xA9t\xC3\xA9", kEncodingUTF8, "\xC3\xA9t\xC3\xA9", 0xE9},
  };
  for (const auto& c : cases) {
    string caption = Make(c.caption, c.encoding);
    uint32_t mnemonic = 99;
    StripMnemonicInPlace(caption, &mnemonic);
    EXPECT_EQ(Bytes(caption), c.stripped) << c.caption;
    EXPECT_EQ(mnemonic, c.mnemonic) << c.caption;
  }
  // 16-bit text: units, so "&" followed by a character whose low byte is "&" still works.
  string wide = Make(CodePoints{'&', 0x2626, 'x'}, Form::kUTF16);
  uint32_t mnemonic = 0;
  StripMnemonicInPlace(wide, &mnemonic);
  EXPECT_EQ(mnemonic, 0x2626u);
  EXPECT_EQ(Bytes(wide.GetUTF8String()), EncodeUTF8({0x2626, 'x'}));
}

}  // namespace
