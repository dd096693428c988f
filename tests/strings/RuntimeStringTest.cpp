// The string record and handle: layout, counts, copy on write, trims, joins and comparison.
#include <gtest/gtest.h>

#include <random>

#include "strings/RuntimeString.h"
#include "support/TestSupport.h"

namespace {

std::string Bytes(const string& s) { return std::string(s.CString(), s.Length()); }

string Make(const std::string& bytes, TextEncoding encoding = kEncodingMacRoman) {
  return string::FromBytes(bytes.data(), static_cast<int64_t>(bytes.size()), encoding);
}

TEST(StringRecord, LayoutLengthByteAndRefusedSizes) {
  for (int n : {1, 254, 255, 256, 1000}) {
    const std::string text = std::string(n - 1, 'x') + 'y';
    const string s = Make(text + text);
    const unsigned char* r = s.Storage()->data;
    EXPECT_TRUE(r[0] == std::min(2 * n, 255) && r[2 * n + 1] == 0) << "length byte and NUL, " << n;
    EXPECT_EQ(Bytes(Make(text) + Make(text)), text + text);
  }
  qvtest::ReportCapture capture;
  string s("keep");
  EXPECT_FALSE(s.AllocateBuffer(int64_t{1} << 32));
  EXPECT_FALSE(s.AllocateBuffer(-1));
  EXPECT_FALSE(s.ConstructFromBuffer("x", int64_t{0x7FFFFFFF}));
  EXPECT_EQ(char16_t(string("abc").WString()[0]), 0) << "not UTF-16: reported, nothing read";
  EXPECT_EQ(capture.count(), 4u);
}

TEST(StringHandle, CopyOnWriteAndRefusedWrites) {
  string a = Make("shared", kEncodingUTF8), b = a, c = b;
  EXPECT_EQ(a.Storage()->refCount, 3u);
  *b.MutableChar(0) = 'S';
  EXPECT_EQ(Bytes(a) + Bytes(b), "sharedShared");
  EXPECT_EQ(b.Encoding(), kEncodingUTF8);
  qvtest::ReportCapture capture;
  *a.MutableChar(6) = 'X';
  *a.MutableChar(-1) = 'Y';
  EXPECT_EQ(capture.count(), 2u);
  EXPECT_EQ(a.Storage(), c.Storage()) << "a refused write copies nothing";
  // A text taken from the record it replaces.
  ASSERT_TRUE(a.ConstructFromBuffer(a.CString() + 1, 4));
  EXPECT_EQ(Bytes(a), "hare");
  EXPECT_EQ(Bytes(trim(Make(" \ta b\t "))) + Bytes(ltrim(Make("\t x "))) + Bytes(rtrim(Make("\nx \t"))),
            "a bx \nx");
}

// Joins bring both sides to a common encoding; without one the original bytes are joined.
TEST(StringConcat, MixedEncodings) {
  const struct {
    std::string a, b, expected;
    TextEncoding ea, eb, joined;
  } cases[] = {
      {"abc", "\xC3\xA9", "abc\xC3\xA9", kEncodingASCII, kEncodingUTF8, kEncodingUTF8},
      {"caf\xE9", "\xC3\xA9", "caf\xC3\xA9\xC3\xA9", 1280, kEncodingUTF8, kEncodingUTF8},
      {"caf\xE9", "\xFF", "caf\xE9\xFF", 1280, kEncodingNone, kEncodingNone},
      {"\xE9", "\x80\x81", "\xE9\x80\x81", 1280, 40, kEncodingNone}};  // 40: no converter
  for (const auto& c : cases) {
    string a = Make(c.a, c.ea), joined = a + Make(c.b, c.eb);
    a += Make(c.b, c.eb);
    EXPECT_EQ(Bytes(joined) + Bytes(a), c.expected + c.expected) << c.ea << " + " << c.eb;
    EXPECT_EQ(joined.Encoding(), c.joined);
  }
}

// Independent model: bytes compared after the Mac Roman upper-case fold, then lengths.
int ModelCompare(const std::string& a, const std::string& b, bool fold) {
  static const std::string kLower = "abcdefghijklmnopqrstuvwxyz\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F\x90\x91\x92"
                                    "\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9D\x9E\x9F\xBE\xBF\xCF\xD8\xF5";
  static const std::string kUpper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ\xE7\xCB\xE5\x80\xCC\x81\x82\x83\xE9\xE6\xE8\xEA"
                                    "\xED\xEB\xEC\x84\xEE\xF1\xEF\x85\xCD\xF2\xF4\xF3\x86\xAE\xAF\xCE\xD9\x49";
  auto folded = [&](char c) { return uint8_t(fold && kLower.find(c) != std::string::npos ? kUpper[kLower.find(c)] : c); };
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
    if (folded(a[i]) != folded(b[i])) return folded(a[i]) < folded(b[i]) ? -1 : 1;
  return a.size() < b.size() ? -1 : a.size() > b.size();
}

TEST(StringCompare, RandomAgainstModel) {
  std::mt19937 rng(7);
  const char alphabet[] = "aAbBzZ\x8A\x80\x87\xE7\xF5I\x01\xFF";
  auto sign = [](int v) { return (v > 0) - (v < 0); };
  for (int round = 0; round < 5000; ++round) {
    std::string x(rng() % 6, ' '), y(rng() % 6, ' ');
    for (std::string* t : {&x, &y})
      for (char& c : *t) c = alphabet[rng() % (sizeof alphabet - 1)];
    EXPECT_EQ(sign(Make(x).CompareWithCase(Make(y))), ModelCompare(x, y, false)) << x << " " << y;
    EXPECT_EQ(sign(Make(x).Compare(Make(y))), ModelCompare(x, y, true)) << x << " " << y;
  }
  // The same record is equal without reading it: a corrupt length would read far out of bounds.
  string a = Make("abc", kEncodingUnicode16), b = a;
  const uint32_t saved = a.Storage()->length;
  a.Storage()->length = 0x7FFFFFF0;
  EXPECT_EQ(a.Compare(b) + a.CompareWithCase(b), 0);
  a.Storage()->length = saved;
}

}  // namespace
