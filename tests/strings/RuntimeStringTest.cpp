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

// Every short length, where the bytes are copied by overlapping words or one at a time, from
// sources at every alignment: each byte lands once, in order, and the NUL follows.
TEST(StringRecord, ShortTextsFromBytesKeepEveryByte) {
  std::mt19937 rng(7);
  std::string source(64, '\0');
  for (char& c : source) c = char(rng() % 255 + 1);
  for (size_t from = 0; from < 8; ++from) {
    for (size_t n = 1; n <= 20; ++n) {
      const string s = string::FromBytes(source.data() + from, int64_t(n), kEncodingASCII);
      ASSERT_EQ(Bytes(s), source.substr(from, n)) << from << " " << n;
      ASSERT_EQ(s.CString()[n], '\0');
      ASSERT_EQ(s.PString()[0], n);
    }
  }
}

TEST(StringHandle, CopyOnWriteAndRefusedWrites) {
  string a = Make("shared", kEncodingUTF8), b = a, c = b;
  EXPECT_EQ(a.Storage()->refCount, 3u);
  *b.MutableChar(0) = 'S';
  EXPECT_EQ(Bytes(a) + Bytes(b), "sharedShared");
  qvtest::ReportCapture capture;
  *a.MutableChar(6) = 'X';
  *a.MutableChar(-1) = 'Y';
  EXPECT_EQ(capture.count(), 2u);
  EXPECT_EQ(a.Storage(), c.Storage()) << "a refused write copies nothing";
  // A text taken from the record it replaces.
  ASSERT_TRUE(a.ConstructFromBuffer(a.CString() + 1, 4));
  EXPECT_EQ(Bytes(a), "hare");
  EXPECT_EQ(Bytes(trim(Make(" \ta b\t "))), "a b");
}

// Joins bring both sides to a common encoding; without one the original bytes are joined.
TEST(StringConcat, MixedEncodings) {
  const struct {
    std::string a, b, expected;
    TextEncoding ea, eb, joined;
  } cases[] = {
      {"caf\xE9", "\xC3\xA9", "caf\xC3\xA9\xC3\xA9", 1280, kEncodingUTF8, kEncodingUTF8},
      {"\xE9", "\x80\x81", "\xE9\x80\x81", 1280, 40, kEncodingNone}};  // 40: no converter
  for (const auto& c : cases) {
    string a = Make(c.a, c.ea), joined = a + Make(c.b, c.eb);
    a += Make(c.b, c.eb);
    EXPECT_EQ(Bytes(joined) + Bytes(a), c.expected + c.expected) << c.ea << " + " << c.eb;
    EXPECT_EQ(joined.Encoding(), c.joined);
  }
}

// C text and single bytes join straight into one new record: a nil start takes the text as
// bytes of no encoding, a record keeps its own; a text taken from the record itself, and a
// record another handle shares, come out whole.
TEST(StringConcat, CTextAndBytes) {
  string s;
  s += "ab";
  EXPECT_EQ(Bytes(s) + "/" + std::to_string(s.Encoding()), "ab/" + std::to_string(kEncodingNone));
  string utf8 = Make("caf\xC3\xA9", kEncodingUTF8), kept = utf8;
  utf8 += "!";
  utf8 += utf8.CString();
  EXPECT_EQ(Bytes(utf8), "caf\xC3\xA9!caf\xC3\xA9!");
  EXPECT_EQ(utf8.Encoding(), kEncodingUTF8);
  EXPECT_EQ(Bytes(kept), "caf\xC3\xA9");
  utf8 += "";
  utf8 += static_cast<const char*>(nullptr);
  EXPECT_EQ(utf8.Length(), 12);
  EXPECT_EQ(Bytes(string() + 'x') + Bytes(kept + '?'), "xcaf\xC3\xA9?");
  EXPECT_EQ((string() + 'x').Encoding(), kEncodingASCII);
  EXPECT_EQ((kept + '?').Encoding(), kEncodingUTF8);
}

// Mac Roman text compares by bytes after the upper-case fold (accented letters too), then by
// length; with case, by bytes alone.
TEST(StringCompare, FoldThenLength) {
  const struct {
    std::string a, b;
    int folded, exact;
  } cases[] = {{"abc", "ABC", 0, 1},     {"\x8A", "\x80", 0, 1}, {"\x87x", "\xE7y", -1, -1},
               {"ab", "AbC", -1, 1},     {"\xF5", "I", 0, 1},     {"Z", "\x87", -1, -1}};
  auto sign = [](int v) { return (v > 0) - (v < 0); };
  for (const auto& c : cases) {
    EXPECT_EQ(sign(Make(c.a).Compare(Make(c.b))), c.folded) << c.a << " " << c.b;
    EXPECT_EQ(sign(Make(c.a).CompareWithCase(Make(c.b))), c.exact) << c.a << " " << c.b;
  }
  // The same record is equal without reading it: a corrupt length would read far out of bounds.
  string a = Make("abc", kEncodingUnicode16), b = a;
  const uint32_t saved = a.Storage()->length;
  a.Storage()->length = 0x7FFFFFF0;
  EXPECT_EQ(a.Compare(b) + a.CompareWithCase(b), 0);
  a.Storage()->length = saved;
}

}  // namespace
