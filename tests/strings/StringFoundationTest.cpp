// The exported string functions of compiled code: references, structure fields, counted and
// NUL-terminated texts, four-character codes and lock-counted wide buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "strings/StringFoundation.h"
#include "strings/TextEncoding.h"
#include "support/TestSupport.h"

namespace {

std::string Bytes(const stringStorage* s) {
  return std::string(stringStorage::CString(s), stringStorage::Length(s));
}

// Takes over a reference handed out by an exported function.
string Owned(stringStorage* s) { return string::Adopt(s); }

TEST(StringFoundation, LockAndUnlock) {
  string s("abc");
  stringStorage* r = s.Storage();
  EXPECT_EQ(RuntimeLockString(r), r);
  EXPECT_EQ(r->refCount, 2u);
  RuntimeUnlockString(r);
  EXPECT_EQ(r->refCount, 1u);
  EXPECT_EQ(RuntimeLockString(nullptr), nullptr);
  RuntimeUnlockString(nullptr);

  string t("def");
  RuntimeLockUnlockStrings(r, r);
  EXPECT_EQ(r->refCount, 1u) << "the same record twice changes no count";
  RuntimeLockString(t.Storage());
  RuntimeLockUnlockStrings(r, t.Storage());
  EXPECT_EQ(r->refCount, 2u);
  EXPECT_EQ(t.Storage()->refCount, 1u);
  RuntimeUnlockString(r);
}

TEST(StringFoundation, AddStringHandsOutOneReference) {
  string a = string::FromBytes("ab", 2, kEncodingASCII);
  string b = string::FromBytes("\xC3\xA9", 2, kEncodingUTF8);
  string sum = Owned(RuntimeAddString(a.Storage(), b.Storage()));
  EXPECT_EQ(Bytes(sum.Storage()), "ab\xC3\xA9");
  EXPECT_EQ(sum.Encoding(), kEncodingUTF8);
  EXPECT_EQ(sum.Storage()->refCount, 1u);
  string same = Owned(RuntimeAddString(a.Storage(), nullptr));
  EXPECT_EQ(same.Storage(), a.Storage());
  EXPECT_EQ(a.Storage()->refCount, 2u);
}

TEST(StringFoundation, StructureFields) {
  const unsigned char field[] = {'x', 'a', 'b', 0, 'c', 0, 'y'};
  string s = Owned(RuntimeGetStructureString(1, field, 5));
  EXPECT_EQ(Bytes(s.Storage()), std::string("ab\0c", 4)) << "only trailing zeros go";
  EXPECT_EQ(s.Encoding(), kEncodingNone);
  const unsigned char zeros[4] = {};
  EXPECT_EQ(RuntimeGetStructureString(0, zeros, 4), nullptr);
  string raw = Owned(RuntimeGetStructureContents(field, 6));
  EXPECT_EQ(Bytes(raw.Storage()), std::string("xab\0c\0", 6));

  unsigned char out[8];
  std::memset(out, '#', sizeof out);
  string abc("abc");
  RuntimeSetStructureString(out, 1, 5, abc.Storage());
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 8), std::string("#abc\0\0##", 8));
  std::memset(out, '#', sizeof out);
  string long7("abcdefg");
  RuntimeSetStructureString(out, 0, 5, long7.Storage());
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 8), "abcde###") << "no terminator";
  RuntimeSetStructureString(out, 0, 0, abc.Storage());
  EXPECT_EQ(out[0], 'a');
  RuntimeSetStructureString(out, 0, 3, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 4), std::string("\0\0\0d", 4));
}

TEST(StringFoundation, StructureFieldChecks) {
  qvtest::ReportCapture capture;
  unsigned char out[4] = {'k', 'k', 'k', 'k'};
  string abc("abc");
  RuntimeSetStructureString(out, -1, 2, abc.Storage());
  EXPECT_TRUE(capture.HasCondition("offset >= 0"));
  RuntimeSetStructureString(nullptr, 0, 2, abc.Storage());
  EXPECT_TRUE(capture.HasCondition("base"));
  RuntimeSetStructureString(out, 0, -3, abc.Storage());
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 4), "kkkk") << "nothing written";
  EXPECT_EQ(RuntimeGetStructureString(-1, out, 2), nullptr);
  EXPECT_EQ(RuntimeGetStructureString(0, nullptr, 2), nullptr);
  EXPECT_EQ(RuntimeGetStructureContents(nullptr, 2), nullptr);
  EXPECT_EQ(RuntimeGetStructureContents(out, -2), nullptr);
  EXPECT_EQ(capture.count(), 7u);
}

TEST(StringFoundation, CountedAndTerminatedTexts) {
  const unsigned char counted[] = {3, 'a', 'b', 'c', 'z'};
  string p = Owned(StringFromPString(counted));
  EXPECT_EQ(Bytes(p.Storage()), "abc");
  EXPECT_EQ(p.Encoding(), kEncodingASCII);
  EXPECT_EQ(StringToPString(p.Storage())[0], 3);
  EXPECT_STREQ(StringToCString(p.Storage()), "abc");
  string c = Owned(StringFromCString("hello"));
  EXPECT_EQ(Bytes(c.Storage()), "hello");
  EXPECT_EQ(c.Encoding(), kEncodingASCII);
  EXPECT_EQ(StringFromCString(nullptr), nullptr);
  EXPECT_EQ(StringFromPString(nullptr), nullptr);
  EXPECT_EQ(StringFromCString(""), nullptr);
  EXPECT_STREQ(StringToCString(nullptr), "");
  EXPECT_EQ(StringToPString(nullptr)[0], 0);
}

TEST(StringFoundation, OSTypes) {
  string text("TEXT");
  EXPECT_EQ(StringToOSType(text.Storage()), static_cast<uint32_t>('T') << 24 | 'E' << 16 |
                                                 'X' << 8 | 'T');
  string ab("ab");
  EXPECT_EQ(StringToOSType(ab.Storage()), 0x61620000u);
  EXPECT_EQ(StringToOSType(nullptr), 0x3F3F3F3Fu);
  string longer("abcdef");
  EXPECT_EQ(StringToOSType(longer.Storage()), 0x61626364u);
  string euro = string::FromBytes("\xE2\x82\xAC", 3, kEncodingUTF8);
  EXPECT_EQ(StringToOSType(euro.Storage()), 0xDB000000u) << "read in Mac OS Roman";
  string back = Owned(StringFromOSType(0x54455854u));
  EXPECT_EQ(Bytes(back.Storage()), "TEXT");
  EXPECT_EQ(back.Encoding(), kEncodingMacRoman);
}

TEST(StringFoundation, WideStrings) {
  const uint32_t chars[] = {'h', 0x20AC, 0x1F600, 0};
  string w = Owned(StringFromWString(chars));
  EXPECT_EQ(w.Encoding(), kEncodingUnicode16);
  EXPECT_EQ(Bytes(w.Storage()), std::string("h\0\xAC\x20\x00\xF6", 6));
  EXPECT_EQ(StringFromWString(nullptr), nullptr);

  string latin = string::FromBytes("caf\xE9", 4, kEncodingWindowsLatin1);
  uint16_t* buffer = StringToWString(latin.Storage());
  ASSERT_NE(buffer, nullptr);
  const uint16_t expected[] = {'c', 'a', 'f', 0xE9, 0};
  EXPECT_EQ(std::memcmp(buffer, expected, sizeof expected), 0);
  EXPECT_EQ(WStringLockCount(buffer), 1);
  LockWString(buffer);
  EXPECT_EQ(WStringLockCount(buffer), 2);
  UnlockWString(buffer);
  EXPECT_EQ(WStringLockCount(buffer), 1);
  UnlockWString(buffer);
  EXPECT_EQ(WStringLockCount(buffer), 0) << "freed at the second unlock";

  uint16_t* empty = StringToWString(nullptr);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty[0], 0);
  uint16_t* other = StringToWString(latin.Storage());
  SwapWStringLocks(other, empty);
  EXPECT_EQ(WStringLockCount(other), 2);
  EXPECT_EQ(WStringLockCount(empty), 0);
  UnlockWString(other);
  UnlockWString(other);
  uint16_t stranger[2] = {};
  LockWString(stranger);
  UnlockWString(stranger);
  LockWString(nullptr);
  EXPECT_EQ(WStringLockCount(stranger), 0) << "buffers not from StringToWString are ignored";
}

TEST(StringFoundation, CoreFoundationStringsAreNil) {
  int dummy = 0;
  LockCFString(&dummy);
  UnlockCFString(&dummy);
  SwapCFStringLocks(&dummy, nullptr);
  string s("x");
  EXPECT_EQ(StringToCFString(s.Storage()), nullptr);
  EXPECT_EQ(StringFromCFString(&dummy), nullptr);
}

}  // namespace
