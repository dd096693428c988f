// The exported string functions of compiled code: references, structure fields, four-character
// codes and lock-counted wide buffers.
#include <gtest/gtest.h>

#include <cstring>

#include "strings/StringFoundation.h"
#include "support/TestSupport.h"

namespace {

TEST(StringFoundation, ResultsCarryOneReferenceAndWideBuffersFreeAtTheLastUnlock) {
  string a("ab"), sum = string::Adopt(RuntimeAddString(a.Storage(), a.Storage()));
  EXPECT_EQ(std::string(sum.CString()) + char('0' + sum.Storage()->refCount), "abab1");
  const string latin = string::FromBytes("caf\xE9", 4, kEncodingWindowsLatin1);
  uint16_t *buffer = StringToWString(latin.Storage()), *empty = StringToWString(nullptr);
  const uint16_t expected[] = {'c', 'a', 'f', 0xE9, 0};
  ASSERT_EQ(std::memcmp(buffer, expected, sizeof expected), 0);
  SwapWStringLocks(buffer, empty);
  EXPECT_EQ(WStringLockCount(buffer) * 10 + WStringLockCount(empty), 20);
  UnlockWString(buffer);
  UnlockWString(buffer);
  EXPECT_EQ(WStringLockCount(buffer), 0);
}

// A record claiming 2^31 bytes or more (damaged image data) passes as negative in a sum of
// int32 lengths (-4 + 10 = 6); each length is refused on its own, before anything is copied.
TEST(StringFoundation, JoiningRefusesARecordLengthOfTwoToTheThirtyFirstOrMore) {
  string shortText("abcdefghij");
  uint8_t forged[sizeof(stringStorage) + 8] = {};
  auto* record = reinterpret_cast<stringStorage*>(forged);
  *record = {0x40000000, forged + sizeof(stringStorage), 0x80000000u, 0xFFFFFFFCu,
             kEncodingASCII};
  qvtest::ReportCapture capture;
  EXPECT_EQ(RuntimeAddString(record, shortText.Storage()), nullptr);
  EXPECT_EQ(RuntimeAddString(shortText.Storage(), record), nullptr);
  EXPECT_EQ(capture.count(), 2u);
}

TEST(StringFoundation, StructureFieldsStayInsideTheirBounds) {
  const unsigned char field[] = {'x', 'a', 'b', 0, 'c', 0, 'y'};
  const string got = string::Adopt(RuntimeGetStructureString(1, field, 5));
  EXPECT_EQ(std::string(got.CString(), got.Length()), std::string("ab\0c", 4)) << "end NULs go";
  unsigned char out[8];
  std::memset(out, '#', sizeof out);
  string abc("abc"), long7("abcdefg");
  RuntimeSetStructureString(out, 1, 5, abc.Storage());
  RuntimeSetStructureString(out, 3, 2, long7.Storage());
  qvtest::ReportCapture capture;
  RuntimeSetStructureString(out, -1, 2, abc.Storage());
  RuntimeSetStructureString(nullptr, 0, 2, abc.Storage());
  RuntimeSetStructureString(out, 0, -3, abc.Storage());
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 8), std::string("#abab\0##", 8));
  EXPECT_EQ(RuntimeGetStructureContents(out, -2), nullptr);
  EXPECT_EQ(capture.count(), 4u);
}

}  // namespace
