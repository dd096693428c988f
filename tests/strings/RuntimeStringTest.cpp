// The string record and handle: layout, counts, copy on write, slices, joins and comparison.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "core/Memory.h"
#include "strings/RuntimeString.h"
#include "support/TestSupport.h"

namespace {

std::string Bytes(const string& s) { return std::string(s.CString(), s.Length()); }

string Make(const std::string& bytes, TextEncoding encoding) {
  return string::FromBytes(bytes.data(), static_cast<int64_t>(bytes.size()), encoding);
}

uint32_t Count(const string& s) { return s.Storage()->refCount; }

TEST(StringRecord, LayoutAndLengthByte) {
  for (int n : {1, 2, 254, 255, 256, 300, 1000}) {
    std::string text(n, 'x');
    text[n - 1] = 'y';
    string s = Make(text, kEncodingASCII);
    const stringStorage* r = s.Storage();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->refCount, 1u);
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(r) + 20, r->data) << "data follows header";
    EXPECT_EQ(r->length, static_cast<uint32_t>(n));
    EXPECT_EQ(r->capacity, static_cast<uint32_t>(n + 2));
    EXPECT_EQ(r->data[0], n > 255 ? 255 : n) << n;
    EXPECT_EQ(r->data[n], 'y') << "last text byte";
    EXPECT_EQ(r->data[n + 1], 0) << "NUL after the text";
    EXPECT_EQ(Bytes(s), text);
    EXPECT_EQ(s.PString(), r->data);
    EXPECT_EQ(s.CString(), reinterpret_cast<const char*>(r->data + 1));
  }
}

TEST(StringRecord, EmptyIsNilWithStaticViews) {
  string s = Make("", kEncodingUTF8);
  EXPECT_EQ(s.Storage(), nullptr);
  EXPECT_EQ(s.Length(), 0);
  EXPECT_STREQ(s.CString(), "");
  EXPECT_EQ(s.PString()[0], 0);
  EXPECT_EQ(s.Encoding(), kEncodingASCII);
  EXPECT_EQ(s.ExtractStringStorage(), nullptr);
  EXPECT_EQ(stringStorage::Length(nullptr), 0);
  stringStorage::RemoveReference(nullptr);  // ignored
  EXPECT_TRUE(s.AllocateBuffer(0));
  EXPECT_TRUE(s.IsEmpty());
}

TEST(StringRecord, BlocksReturnToAllocator) {
  int32_t before = SmallBlockBytesInUse();
  {
    string a("hello");
    EXPECT_EQ(SmallBlockBytesInUse(), before + 5 + 22);
    string b = a;
    EXPECT_EQ(SmallBlockBytesInUse(), before + 5 + 22) << "sharing allocates nothing";
  }
  EXPECT_EQ(SmallBlockBytesInUse(), before);
}

TEST(StringRecord, AllocateBufferRejectsSizesThatDoNotFit) {
  qvtest::ReportCapture capture;
  string s("keep");
  EXPECT_FALSE(s.AllocateBuffer(int64_t{1} << 32));
  EXPECT_FALSE(s.AllocateBuffer(-1));
  EXPECT_EQ(capture.count(), 2u);
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_FALSE(s.ConstructFromBuffer("x", int64_t{0x7FFFFFFF}));
}

TEST(StringHandle, ReferenceCounts) {
  string a("abc");
  EXPECT_EQ(Count(a), 1u);
  {
    string b = a;
    string c;
    c = b;
    EXPECT_EQ(Count(a), 3u);
    c = c;
    EXPECT_EQ(Count(a), 3u) << "self-assignment";
    string moved = std::move(c);
    EXPECT_EQ(Count(a), 3u);
    EXPECT_TRUE(c.IsEmpty());
  }
  EXPECT_EQ(Count(a), 1u);
  stringStorage* extracted = a.ExtractStringStorage();
  EXPECT_EQ(Count(a), 2u);
  string adopted = string::Adopt(extracted);
  EXPECT_EQ(Count(a), 2u);
  string shared(extracted);
  EXPECT_EQ(Count(a), 3u);
}

TEST(StringHandle, ConstructFromBufferOverlappingItsOwnRecord) {
  string s = Make("0123456789", kEncodingASCII);
  ASSERT_TRUE(s.ConstructFromBuffer(s.CString() + 3, 5));
  EXPECT_EQ(Bytes(s), "34567");
  EXPECT_EQ(s.Encoding(), kEncodingNone);
  string t;
  ASSERT_TRUE(t.ConstructFromBuffer(s.Storage()));
  EXPECT_EQ(Bytes(t), "34567");
  EXPECT_NE(t.Storage(), s.Storage());
}

TEST(StringHandle, WideConstructors) {
  const uint32_t chars[] = {0x41, 0x20AC, 0x1F600};
  string w;
  ASSERT_TRUE(w.ConstructFromWString(chars, 3));
  EXPECT_EQ(w.Encoding(), kEncodingUnicode16);
  EXPECT_EQ(Bytes(w), std::string("\x41\x00\xAC\x20\x00\xF6", 6)) << "low 16 bits of each";
  char16_t second = w.WString()[1];  // copied out: the text lies at an odd address
  EXPECT_EQ(second, 0x20AC);
  const uint16_t units[] = {0x48, 0x69};
  string u;
  ASSERT_TRUE(u.ConstructFromUTF16String(units, 2));
  EXPECT_EQ(Bytes(u), std::string("H\0i\0", 4));
  EXPECT_TRUE(u.ConstructFromUTF16String(units, 0));
  EXPECT_TRUE(u.IsEmpty());
  EXPECT_TRUE(w.ConstructFromWString(chars, 0));
  EXPECT_TRUE(w.IsEmpty());
}

TEST(StringHandle, WStringOfOtherEncodingIsReported) {
  qvtest::ReportCapture capture;
  string s("abc");
  char16_t first = s.WString()[0];
  EXPECT_EQ(first, 0);
  ASSERT_EQ(capture.count(), 1u);
  EXPECT_EQ(capture.reports()[0].condition, "0");
  EXPECT_EQ(capture.reports()[0].code, 4);
}

TEST(StringHandle, CopyOnWriteLeavesOtherHandleIntact) {
  string a = Make("shared", kEncodingUTF8);
  string b = a;
  *b.MutableChar(0) = 'S';
  EXPECT_EQ(Bytes(a), "shared");
  EXPECT_EQ(Bytes(b), "Shared");
  EXPECT_EQ(a.Encoding(), kEncodingUTF8);
  EXPECT_EQ(b.Encoding(), kEncodingUTF8);
  EXPECT_EQ(Count(a), 1u);
  EXPECT_EQ(Count(b), 1u);
  stringStorage* before = b.Storage();
  *b.MutableChar(5) = 'D';
  EXPECT_EQ(b.Storage(), before) << "a private record is written in place";
  EXPECT_EQ(Bytes(b), "ShareD");
}

TEST(StringHandle, MutableCharChecksPosition) {
  qvtest::ReportCapture capture;
  string a("abc");
  string b = a;
  *a.MutableChar(3) = 'X';
  *a.MutableChar(-1) = 'Y';
  EXPECT_TRUE(capture.HasCondition("not (pos < 0 || pos >= Length())"));
  EXPECT_EQ(capture.count(), 2u);
  EXPECT_EQ(Bytes(a), "abc");
  EXPECT_EQ(a.Storage(), b.Storage()) << "a refused write copies nothing";
  capture.clear();
  string nil;
  *nil.MutableChar(0) = 'Z';
  EXPECT_TRUE(capture.empty());
  *nil.MutableChar(2) = 'Z';
  EXPECT_TRUE(capture.HasCondition("not pos"));
  EXPECT_STREQ(nil.CString(), "");
}

TEST(StringHandle, SetEncodingOnSharedRecordCopies) {
  string a = Make("abc", kEncodingASCII);
  string b = a;
  b.SetEncoding(kEncodingUTF8);
  EXPECT_EQ(a.Encoding(), kEncodingASCII);
  EXPECT_EQ(b.Encoding(), kEncodingUTF8);
}

TEST(StringHandle, ContainsOnlyASCII) {
  EXPECT_TRUE(string().ContainsOnlyASCII());
  EXPECT_TRUE(Make("abc\x7F", kEncodingUTF8).ContainsOnlyASCII());
  EXPECT_FALSE(Make("abc\x80", kEncodingUTF8).ContainsOnlyASCII());
  EXPECT_FALSE(Make("a\0", kEncodingUnicode16).ContainsOnlyASCII());
  EXPECT_FALSE(Make(std::string("a\0\0\0", 4), kEncodingUTF32).ContainsOnlyASCII());
  EXPECT_TRUE(Make("abc", kEncodingNone).ContainsOnlyASCII());
}

// ---- slices against a model of byte slicing ----

std::string ModelLeft(const std::string& s, int n) {
  if (n < 1) return "";
  return s.substr(0, std::min<size_t>(n, s.size()));
}

std::string ModelRight(const std::string& s, int n) {
  if (n < 1) return "";
  size_t k = std::min<size_t>(n, s.size());
  return s.substr(s.size() - k);
}

std::string ModelMid(const std::string& s, int start, int count) {
  long first = start, n = count;
  if (first < 0) {
    n += first;
    first = 0;
  }
  if (first >= static_cast<long>(s.size()) || n < 1) return "";
  return s.substr(first, n);
}

TEST(StringSlices, RandomAgainstModel) {
  std::mt19937 rng(20261206);
  for (int round = 0; round < 3000; ++round) {
    int len = std::uniform_int_distribution<int>(0, 300)(rng);
    std::string text(len, '\0');
    for (char& c : text) c = static_cast<char>(rng());
    string s = Make(text, kEncodingMacRoman);
    std::uniform_int_distribution<int> pick(-20, len + 20);
    int a = pick(rng), b = pick(rng);
    string l = left(s, a), r = right(s, a), m1 = mid(s, a), m2 = mid(s, a, b);
    EXPECT_EQ(Bytes(l), ModelLeft(text, a));
    EXPECT_EQ(Bytes(r), ModelRight(text, a));
    EXPECT_EQ(Bytes(m1), a <= 0 ? text : ModelMid(text, a, len));
    EXPECT_EQ(Bytes(m2), ModelMid(text, a, b)) << a << " " << b;
    for (const string* part : {&l, &r, &m1, &m2}) {
      if (!part->IsEmpty()) {
        EXPECT_EQ(part->Encoding(), kEncodingMacRoman);
      }
    }
    // Slices equal to the source share it; mid with a count past the end copies.
    for (const string* part : {&l, &r, &m1}) {
      if (!part->IsEmpty()) {
        EXPECT_EQ(part->Storage() == s.Storage(), part->Length() == len);
      }
    }
    bool m2Whole = std::max(a, 0) == 0 && static_cast<long>(b) + std::min(a, 0) == len;
    if (!m2.IsEmpty()) {
      EXPECT_EQ(m2.Storage() == s.Storage(), m2Whole);
    }
  }
}

TEST(StringSlices, EdgeCases) {
  string ten = Make("0123456789", kEncodingASCII);
  EXPECT_TRUE(left(ten, 0).IsEmpty());
  EXPECT_TRUE(right(ten, -1).IsEmpty());
  EXPECT_TRUE(mid(ten, 10).IsEmpty());
  EXPECT_TRUE(mid(ten, 3, 0).IsEmpty());
  string whole = left(ten, 1000);
  EXPECT_EQ(whole.Storage(), ten.Storage());
  EXPECT_EQ(Count(ten), 2u);
  EXPECT_EQ(Bytes(mid(ten, -2, 5)), "012");
  EXPECT_EQ(mid(ten, 0, 10).Storage(), ten.Storage());
  string copy = mid(ten, 0, 15);
  EXPECT_NE(copy.Storage(), ten.Storage()) << "a count past the end makes a new copy";
  EXPECT_EQ(Bytes(copy), "0123456789");
  EXPECT_EQ(Bytes(mid(ten, 2147483647, 2147483647)), "");
  EXPECT_EQ(Bytes(mid(ten, -2147483647 - 1, 2147483647)), "") << "no overflow";
}

TEST(StringTrim, BlanksAreSpaceAndTab) {
  EXPECT_TRUE(trim(Make(" \t \t", kEncodingASCII)).IsEmpty());
  EXPECT_EQ(Bytes(trim(Make(" \ta b\t ", kEncodingASCII))), "a b");
  EXPECT_EQ(Bytes(ltrim(Make("\t x ", kEncodingASCII))), "x ");
  EXPECT_EQ(Bytes(rtrim(Make("\t x \t", kEncodingASCII))), "\t x");
  EXPECT_EQ(Bytes(trim(Make("\nx\r", kEncodingASCII))), "\nx\r");
  string clean = Make("clean", kEncodingUTF8);
  EXPECT_EQ(trim(clean).Storage(), clean.Storage());
  EXPECT_EQ(trim(Make(" x", kEncodingUTF8)).Encoding(), kEncodingUTF8);
}

// ---- concatenation ----

TEST(StringConcat, SameEncodingJoinsBytes) {
  string a = Make("foo", kEncodingMacRoman), b = Make("bar\x8E", kEncodingMacRoman);
  string c = a + b;
  EXPECT_EQ(Bytes(c), "foobar\x8E");
  EXPECT_EQ(c.Encoding(), kEncodingMacRoman);
  EXPECT_EQ((a + string()).Storage(), a.Storage());
  EXPECT_EQ((string() + b).Storage(), b.Storage());
}

TEST(StringConcat, LongJoinsKeepLengthByte) {
  string a = Make(std::string(200, 'a'), kEncodingASCII);
  string c = a + a;
  EXPECT_EQ(c.Length(), 400);
  EXPECT_EQ(c.PString()[0], 255);
  EXPECT_EQ(c.CString()[400], 0);
}

TEST(StringConcat, MixedEncodings) {
  string ascii = Make("abc", kEncodingASCII);
  string utf8 = Make("\xC3\xA9", kEncodingUTF8);
  string joined = ascii + utf8;
  EXPECT_EQ(Bytes(joined), "abc\xC3\xA9");
  EXPECT_EQ(joined.Encoding(), kEncodingUTF8);

  string wide = Make(std::string("h\0i\0", 4), kEncodingUnicode16);
  string wideJoined = wide + ascii;
  EXPECT_EQ(wideJoined.Encoding(), kEncodingUnicode16);
  EXPECT_EQ(Bytes(wideJoined), std::string("h\0i\0a\0b\0c\0", 10));
  EXPECT_EQ(Bytes(ascii), "abc") << "operands are left alone";

  string latin = Make("caf\xE9", kEncodingWindowsLatin1);
  string mixed = latin + utf8;
  EXPECT_EQ(mixed.Encoding(), kEncodingUTF8);
  EXPECT_EQ(Bytes(mixed), "caf\xC3\xA9\xC3\xA9");

  string none = Make("\xFF", kEncodingNone);
  string unlabelled = latin + none;
  EXPECT_EQ(unlabelled.Encoding(), kEncodingNone);
  EXPECT_EQ(Bytes(unlabelled), "caf\xE9\xFF");
}

TEST(StringConcat, WithoutCommonEncodingJoinsOriginalBytes) {
  // 40 has no converter: neither side can be brought to UTF-8.
  string odd = Make("\x80\x81", 40);
  string latin = Make("\xE9", kEncodingWindowsLatin1);
  string joined = latin + odd;
  EXPECT_EQ(joined.Encoding(), kEncodingNone);
  EXPECT_EQ(Bytes(joined), "\xE9\x80\x81") << "no half-converted side";
}

TEST(StringConcat, AppendOperators) {
  string s;
  s += "abc";
  EXPECT_EQ(s.Encoding(), kEncodingNone);
  EXPECT_EQ(Bytes(s), "abc");
  s.SetEncoding(kEncodingUTF8);
  stringStorage* before = s.Storage();
  s += "";
  EXPECT_EQ(s.Storage(), before);
  string other = s;
  s += "de";
  EXPECT_EQ(Bytes(s), "abcde");
  EXPECT_EQ(s.Encoding(), kEncodingUTF8);
  EXPECT_EQ(Bytes(other), "abc");

  string t;
  t += s;
  EXPECT_EQ(Bytes(t), "abcde");
  EXPECT_EQ(t.Encoding(), kEncodingUTF8);
  t += Make("\xE9", kEncodingWindowsLatin1);
  EXPECT_EQ(Bytes(t), "abcde\xC3\xA9");
  t += t;
  EXPECT_EQ(Bytes(t), "abcde\xC3\xA9" "abcde\xC3\xA9");
}

TEST(StringConcat, AppendChar) {
  string ascii = Make("ab", kEncodingASCII);
  string plus = ascii + 'c';
  EXPECT_EQ(Bytes(plus), "abc");
  EXPECT_EQ(plus.Encoding(), kEncodingASCII);
  string high = ascii + static_cast<char>(0xE9);
  EXPECT_EQ(Bytes(high), "ab\xE9");
  EXPECT_EQ(high.Encoding(), kEncodingNone);
  EXPECT_EQ((string() + 'x').Encoding(), kEncodingASCII);
  EXPECT_EQ((Make("x", kEncodingMacRoman) + 'y').Encoding(), kEncodingMacRoman);
}

// ---- comparison ----

int Sign(int v) { return (v > 0) - (v < 0); }

// Independent model of the Mac Roman upper-case fold.
unsigned char ModelFold(unsigned char c) {
  static const char* kLower = "\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F\x90\x91\x92\x93\x94\x95\x96"
                              "\x97\x98\x99\x9A\x9B\x9C\x9D\x9E\x9F\xBE\xBF\xCF\xD8\xF5";
  static const char* kUpper = "\xE7\xCB\xE5\x80\xCC\x81\x82\x83\xE9\xE6\xE8\xEA\xED\xEB\xEC\x84"
                              "\xEE\xF1\xEF\x85\xCD\xF2\xF4\xF3\x86\xAE\xAF\xCE\xD9\x49";
  if (c >= 'a' && c <= 'z') return c - 32;
  const char* at = static_cast<const char*>(std::memchr(kLower, c, 30));
  return at ? static_cast<unsigned char>(kUpper[at - kLower]) : c;
}

int ModelCompare(const std::string& a, const std::string& b, bool fold) {
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    unsigned char x = a[i], y = b[i];
    if (fold) x = ModelFold(x), y = ModelFold(y);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size();
}

TEST(StringCompare, RandomAgainstModel) {
  std::mt19937 rng(7);
  const char alphabet[] = "aAbBzZ\x8A\x80\x87\xE7\xF5I\x01\xFF";
  for (int round = 0; round < 5000; ++round) {
    std::string x(rng() % 6, ' '), y(rng() % 6, ' ');
    for (char& c : x) c = alphabet[rng() % (sizeof alphabet - 1)];
    for (char& c : y) c = alphabet[rng() % (sizeof alphabet - 1)];
    string a = Make(x, kEncodingMacRoman), b = Make(y, kEncodingMacRoman);
    EXPECT_EQ(Sign(a.CompareWithCase(b)), ModelCompare(x, y, false));
    EXPECT_EQ(Sign(a.Compare(b)), ModelCompare(x, y, true));
  }
}

TEST(StringCompare, EdgeCases) {
  string two = Make("ab", kEncodingASCII), three = Make("abc", kEncodingASCII);
  EXPECT_LT(two.CompareWithCase(three), 0);
  EXPECT_GT(three.Compare(two), 0);
  EXPECT_EQ(string().Compare(string()), 0);
  EXPECT_LT(string().Compare(two), 0);
  EXPECT_EQ(Make("\x8A", kEncodingMacRoman).Compare(Make("\x80", kEncodingMacRoman)), 0);
  EXPECT_EQ(two.CompareWithCase("ab"), 0);
  EXPECT_LT(two.CompareWithCase("b"), 0);
  EXPECT_GT(two.CompareWithCase(nullptr), 0);
}

TEST(StringCompare, SameRecordIsEqualWithoutReading) {
  string a = Make("abc", kEncodingUnicode16);
  string b = a;
  // A corrupt length would make any byte comparison read far out of bounds.
  uint32_t saved = a.Storage()->length;
  a.Storage()->length = 0x7FFFFFF0;
  EXPECT_EQ(a.Compare(b), 0);
  EXPECT_EQ(a.CompareWithCase(b), 0);
  a.Storage()->length = saved;
}

TEST(StringCompare, MixedEncodingsConvertFirst) {
  string latin = Make("caf\xE9", kEncodingWindowsLatin1);
  string utf8 = Make("caf\xC3\xA9", kEncodingUTF8);
  EXPECT_EQ(latin.CompareWithCase(utf8), 0);
  EXPECT_EQ(Make("CAF\xC3\x89", kEncodingUTF8).Compare(utf8) != 0, true)
      << "folding is byte-wise Mac Roman, not Unicode";
  string wide = Make(std::string("c\0a\0f\0\xE9\0", 8), kEncodingUnicode16);
  EXPECT_EQ(wide.CompareWithCase(latin), 0);
  EXPECT_NE(Make("caf\xE9", kEncodingNone).CompareWithCase(utf8), 0) << "no encoding: raw bytes";
}

}  // namespace

namespace {

TEST(UnicodeChar, OneCharacterInEachEncoding) {
  string euro = UnicodeChar(0x20AC, kEncodingUTF8);
  EXPECT_EQ(Bytes(euro), "\xE2\x82\xAC");
  EXPECT_EQ(euro.Encoding(), kEncodingUTF8);
  string a = UnicodeChar(0x41, kEncodingUnicode16);
  EXPECT_EQ(Bytes(a), std::string("A\0", 2));
  EXPECT_EQ(a.Encoding(), kEncodingUnicode16);
  EXPECT_EQ(Bytes(UnicodeChar(0x1F600, kEncodingUnicode16)), std::string("\x00\xF6", 2))
      << "the low 16 bits";
  string latin = UnicodeChar(0xE9, kEncodingWindowsLatin1);
  EXPECT_EQ(Bytes(latin), "\xE9");
  EXPECT_EQ(latin.Encoding(), kEncodingWindowsLatin1);
  EXPECT_EQ(Bytes(UnicodeChar(0x20AC, kEncodingMacRoman)), "\xDB");
  string noConverter = UnicodeChar(0xE9, 40);
  EXPECT_EQ(Bytes(noConverter), "\xC3\xA9");
  EXPECT_EQ(noConverter.Encoding(), kEncodingUTF8) << "UTF-8 bytes and label stay";
  for (uint32_t code : {0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xFFFFu, 0x10000u, 0x10FFFFu}) {
    EXPECT_EQ(UnicodeChar(code, kEncodingUTF8).Length(),
              code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4);
  }
}

}  // namespace
