// Trimming against a code-point model in every encoding family, escapes round-tripped over all
// 256 byte values and checked against a printf model, and mnemonic markers.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "strings/Escapes.h"
#include "strings/Mnemonic.h"
#include "strings/TextEncoding.h"
#include "strings/Trim.h"
#include "support/TestSupport.h"

namespace {

std::string Bytes(const string& s) { return std::string(s.CString(), s.Length()); }

string Make(const std::string& bytes, TextEncoding encoding) {
  return string::FromBytes(bytes.data(), static_cast<int64_t>(bytes.size()), encoding);
}

const std::vector<uint32_t> kWhite = {0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x20, 0x85, 0xA0,
                                      0x1680, 0x180E, 0x2000, 0x2005, 0x200A, 0x2028,
                                      0x2029, 0x202F, 0x205F, 0x3000};
const std::vector<uint32_t> kOther = {'a', 'Z', '0', 0xE9, 0x200B, 0x4E2D, 0x1F600, 0x3001};

std::string UTF8(const std::vector<uint32_t>& codes) {
  std::string out;
  for (uint32_t c : codes) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

TEST(TextCleanupTest, TrimMatchesCodePointModel) {
  std::mt19937 rng(2104);
  for (int i = 0; i < 3000; ++i) {
    std::vector<uint32_t> codes;
    int length = static_cast<int>(rng() % 8);
    for (int j = 0; j < length; ++j) {
      codes.push_back(rng() % 2 ? kWhite[rng() % kWhite.size()] : kOther[rng() % kOther.size()]);
    }
    size_t first = 0, last = codes.size();
    auto white = [](uint32_t c) {
      for (uint32_t w : kWhite) {
        if (w == c) return true;
      }
      return false;
    };
    while (first < last && white(codes[first])) ++first;
    while (last > first && white(codes[last - 1])) --last;
    std::vector<uint32_t> both(codes.begin() + first, codes.begin() + last);
    std::vector<uint32_t> leftOnly(codes.begin() + first, codes.end());
    size_t lastOnly = codes.size();
    while (lastOnly > 0 && white(codes[lastOnly - 1])) --lastOnly;
    std::vector<uint32_t> rightOnly(codes.begin(), codes.begin() + lastOnly);

    string utf8 = Make(UTF8(codes), kEncodingUTF8);
    EXPECT_EQ(Bytes(TrimText(utf8, true, true)), UTF8(both));
    EXPECT_EQ(Bytes(TrimText(utf8, true, false)), UTF8(leftOnly));
    EXPECT_EQ(Bytes(TrimText(utf8, false, true)), UTF8(rightOnly));
    string wide = TrimText(utf8.GetUTF16String(), true, true);
    EXPECT_EQ(Bytes(wide.GetUTF8String()), UTF8(both));
    if (!wide.IsEmpty()) {
      EXPECT_EQ(wide.Encoding(), kEncodingUnicode16);
    }
  }
}

TEST(TextCleanupTest, TrimByEncoding) {
  string framed = Make("\xC2\xA0\xE3\x80\x80 x \xE3\x80\x80\xC2\xA0", kEncodingUTF8);
  EXPECT_EQ(Bytes(string::Adopt(runTrim(framed.Storage()))), "x");
  // ASCII text trims only ASCII white space; 0xA0 there is no space.
  string ascii = Make("\t\xA0 a \r\n", kEncodingASCII);
  EXPECT_EQ(Bytes(string::Adopt(runLTrim(ascii.Storage()))), "\xA0 a \r\n");
  EXPECT_EQ(Bytes(string::Adopt(runRTrim(ascii.Storage()))), "\t\xA0 a");
  string unlabelled = Make("  b ", kEncodingNone);
  string trimmed = string::Adopt(runTrim(unlabelled.Storage()));
  EXPECT_EQ(Bytes(trimmed), "b");
  EXPECT_EQ(trimmed.Encoding(), kEncodingNone);
  // Windows Latin 1: 0xA0 is a no-break space there, trimmed through 16-bit Unicode.
  string latin = Make("\xA0 caf\xE9\xA0", kEncodingWindowsLatin1);
  string latinTrimmed = TrimText(latin, true, true);
  EXPECT_EQ(Bytes(latinTrimmed), "caf\xE9");
  EXPECT_EQ(latinTrimmed.Encoding(), kEncodingWindowsLatin1);
  EXPECT_EQ(runTrim(nullptr), nullptr);
  EXPECT_TRUE(TrimText(Make(" \t ", kEncodingASCII), true, true).IsEmpty());
  // Nothing to trim: the text itself comes back.
  string plain("abc");
  EXPECT_EQ(TrimText(plain, true, true).Storage(), plain.Storage());
}

// What C's printf("%s") of an escaped literal would need, built byte by byte.
std::string ModelEscape(const std::string& bytes) {
  std::string out;
  for (unsigned char b : bytes) {
    const char* letters = "abtnvfr";
    if (b >= 7 && b <= 13) {
      out += '\\';
      out += letters[b - 7];
    } else if (b == '"' || b == '\'' || b == '?' || b == '\\') {
      out += '\\';
      out += static_cast<char>(b);
    } else if (b >= 0x20 && b < 0x7F) {
      out += static_cast<char>(b);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", b);
      out += hex;
    }
  }
  return out;
}

TEST(TextCleanupTest, EscapesRoundTripEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  string encoded = EncodeBackslashEscapes(Make(all, kEncodingNone));
  EXPECT_EQ(encoded.Encoding(), kEncodingASCII);
  EXPECT_EQ(Bytes(encoded), ModelEscape(all));
  EXPECT_EQ(Bytes(DecodeBackslashEscapes(encoded)), all);
  std::mt19937 rng(256);
  for (int i = 0; i < 2000; ++i) {
    std::string bytes;
    for (int j = static_cast<int>(rng() % 12); j > 0; --j) bytes += static_cast<char>(rng());
    string record = Make(bytes, kEncodingNone);
    string once = string::Adopt(EncodeBackslashEscapeString(record.Storage()));
    EXPECT_EQ(Bytes(string::Adopt(DecodeBackslashEscapeString(once.Storage()))), bytes);
  }
  EXPECT_EQ(EncodeBackslashEscapeString(nullptr), nullptr);
}

TEST(TextCleanupTest, DecodingKeepsWhatItDoesNotKnow) {
  struct Case {
    std::string in;
    std::string out;
  } cases[] = {
      {"\\x4", "\\x4"},     {"\\x", "\\x"},         {"\\", "\\"},          {"a\\", "a\\"},
      {"\\xg1", "\\xg1"},   {"\\q", "\\q"},         {"\\x4a\\x4A", "JJ"},  {"\\\\n", "\\n"},
      {"\\?\\'\\\"", "?'\""}, {std::string("\\\0", 2), std::string("\\\0", 2)},
  };
  for (const Case& c : cases) {
    // Exact-size records, so that a read past the end would run off the text.
    string in = Make(c.in, kEncodingASCII);
    EXPECT_EQ(Bytes(DecodeBackslashEscapes(in)), c.out) << c.in;
  }
  EXPECT_EQ(DecodeBackslashEscapes(Make("\\x41", kEncodingUTF8)).Encoding(), kEncodingUTF8);
}

TEST(TextCleanupTest, Mnemonics) {
  struct Case {
    std::string caption;
    TextEncoding encoding;
    std::string stripped;
    uint32_t mnemonic;
  } cases[] = {
      {"&File", kEncodingASCII, "File", 'F'},
      {"Save &As", kEncodingASCII, "Save As", 'A'},
      {"Fish && Chips", kEncodingASCII, "Fish & Chips", 0},
      {"&a&b", kEncodingASCII, "ab", 'b'},
      {"&a&&", kEncodingASCII, "a&", 'a'},
      {"x&", kEncodingASCII, "x", 0},
      {"&\xC3\xA9t\xC3\xA9", kEncodingUTF8, "\xC3\xA9t\xC3\xA9", 0xE9},
      {"", kEncodingASCII, "", 0},
  };
  for (const Case& c : cases) {
    string caption = Make(c.caption, c.encoding);
    uint32_t mnemonic = 99;
    StripMnemonicInPlace(caption, &mnemonic);
    EXPECT_EQ(Bytes(caption), c.stripped) << c.caption;
    EXPECT_EQ(mnemonic, c.mnemonic) << c.caption;
  }
  // 16-bit text: units, so "&" followed by a character whose low byte is "&" still works.
  string wide = Make(UTF8({'&', 0x2626, 'x'}), kEncodingUTF8).GetUTF16String();
  uint32_t mnemonic = 0;
  StripMnemonicInPlace(wide, &mnemonic);
  EXPECT_EQ(mnemonic, 0x2626u);
  EXPECT_EQ(Bytes(wide.GetUTF8String()), UTF8({0x2626, 'x'}));
  EXPECT_EQ(Bytes(StripMnemonic(string("&OK"))), "OK");
}

}  // namespace
