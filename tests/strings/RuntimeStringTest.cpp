// The string record and handle: layout, counts, copy on write, slices, joins and comparison.
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
}

TEST(StringSlices, RandomAgainstModel) {
  std::mt19937 rng(20261206);
  for (int round = 0; round < 3000; ++round) {
    const int len = std::uniform_int_distribution<int>(0, 300)(rng);
    std::string text(len, '\0');
    for (char& c : text) c = static_cast<char>(rng());
    string s = Make(text);
    std::uniform_int_distribution<int> pick(-20, len + 20);
    const int a = pick(rng), b = pick(rng), kept = std::clamp(a, 0, len);
    const int first = std::max(a, 0), count = b + std::min(a, 0);
    string l = left(s, a), r = right(s, a), m1 = mid(s, a), m2 = mid(s, a, b);
    EXPECT_EQ(Bytes(l), text.substr(0, kept));
    EXPECT_EQ(Bytes(r), text.substr(len - kept));
    EXPECT_EQ(Bytes(m1), text.substr(std::min(first, len)));
    EXPECT_EQ(Bytes(m2), first >= len || count < 1 ? "" : text.substr(first, count)) << a << " " << b;
    // Slices equal to the source share it; mid with a count past the end copies.
    for (const string* part : {&l, &r, &m1, &m2}) {
      if (part->IsEmpty()) continue;
      EXPECT_EQ(part->Encoding(), kEncodingMacRoman);
      const bool whole = part != &m2 ? part->Length() == len : first == 0 && count == len;
      EXPECT_EQ(part->Storage() == s.Storage(), whole) << a << " " << b;
    }
  }
  EXPECT_EQ(Bytes(mid(Make("0123"), -2147483647 - 1, 2147483647)), "") << "no overflow";
  EXPECT_EQ(Bytes(trim(Make(" \ta b\t "))) + Bytes(ltrim(Make("\t x "))) + Bytes(rtrim(Make("\nx \t"))),
            "a bx \nx");
}

// Joins bring both sides to a common encoding; without one the original bytes are joined.
TEST(StringConcat, MixedEncodings) {
  const struct { std::string a; TextEncoding ea; std::string b; TextEncoding eb, joined; std::string expected; } cases[] = {
      {"foo", kEncodingMacRoman, "bar\x8E", kEncodingMacRoman, kEncodingMacRoman, "foobar\x8E"},
      {"abc", kEncodingASCII, "\xC3\xA9", kEncodingUTF8, kEncodingUTF8, "abc\xC3\xA9"},
      {std::string("h\0", 2), kEncodingUnicode16, "ab", kEncodingASCII, kEncodingUnicode16, std::string("h\0a\0b\0", 6)},
      {"caf\xE9", kEncodingWindowsLatin1, "\xC3\xA9", kEncodingUTF8, kEncodingUTF8, "caf\xC3\xA9\xC3\xA9"},
      {"caf\xE9", kEncodingWindowsLatin1, "\xFF", kEncodingNone, kEncodingNone, "caf\xE9\xFF"},
      {"\xE9", kEncodingWindowsLatin1, "\x80\x81", 40, kEncodingNone, "\xE9\x80\x81"}};
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
