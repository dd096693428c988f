// The byte layer's stream wrappers: records through a memory file, counts from corrupt data,
// the small line reader, and wrappers without a mechanism.
#include <gtest/gtest.h>

#include "StreamTestSupport.h"
#include "files/ByteStreams.h"
#include "files/FileHandle.h"
#include "support/TestSupport.h"

namespace {

TEST(ByteStreams, RecordsRoundTripScrambled) {
  FileHandle file;
  ByteOutputStream out(&file);
  EXPECT_TRUE(out.WriteString(string("record")) && out.WriteString(string()));
  EXPECT_FALSE(out.SetScrambled(true));
  EXPECT_TRUE(out.WriteVarInt(70000) && out.WriteByte(9) && out.WriteUInt16(0x1234));
  EXPECT_TRUE(out.SetScrambled(false));
  EXPECT_TRUE(out.WriteUInt32(0xDEADBEEF) && out.WriteLine(string("line")));
  ASSERT_TRUE(file.SetPosition(0));
  ByteInputStream in(&file);
  string text, empty("x");
  int16_t cut = 0;
  uint8_t byte = 0;
  uint16_t u16 = 0;
  uint32_t u32 = 0;
  char line[5];
  EXPECT_TRUE(in.ReadString(&text) && in.ReadString(&empty));
  in.SetScrambled(true);
  EXPECT_TRUE(in.ReadVarInt(&cut) && in.ReadByte(&byte) && in.ReadUInt16(&u16));
  in.SetScrambled(false);
  EXPECT_TRUE(in.ReadUInt32(&u32) && in.ReadBytes(line, 5));
  EXPECT_STREQ(text.CString(), "record");
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_EQ(cut, int16_t(70000));
  EXPECT_EQ(byte, 9);
  EXPECT_EQ(u16, 0x1234);
  EXPECT_EQ(u32, 0xDEADBEEFu);
  EXPECT_EQ(std::string(line, 5), "line\n");
}

// A count read from corrupt data is trusted no further than the bytes left.
TEST(ByteStreams, CorruptCountsFailWithoutHugeAllocations) {
  FileHandle file;
  ByteOutputStream(&file).WriteVarInt(INT32_MAX);
  file.Write("abc", 3);
  ASSERT_TRUE(file.SetPosition(0));
  string text;
  EXPECT_FALSE(ByteInputStream(&file).ReadString(&text));
  EXPECT_STREQ(text.CString(), "abc");
  ASSERT_TRUE(file.SetLength(0));
  ByteOutputStream(&file).WriteVarInt(-5);
  ASSERT_TRUE(file.SetPosition(0));
  EXPECT_TRUE(ByteInputStream(&file).ReadString(&text));
  EXPECT_TRUE(text.IsEmpty());
}

// Lines longer than the reader's buffer, and a CR LF across a refill.
TEST(ByteStreams, LineReader) {
  const std::string bytes = std::string(127, 'a') + "\r\n" + std::string(300, 'b') + "\nc";
  streamtest::TrickleMechanism source(bytes, 1000);
  ByteLineReader reader(&source, kEncodingASCII);
  EXPECT_EQ(std::string(reader.ReadLine().CString()), std::string(127, 'a'));
  const string second = reader.ReadLine();
  EXPECT_EQ(std::string(second.CString()), std::string(300, 'b'));
  EXPECT_EQ(second.Encoding(), kEncodingASCII);
  EXPECT_FALSE(reader.IsEOF());
  EXPECT_STREQ(reader.ReadLine().CString(), "c");
  EXPECT_TRUE(reader.IsEOF());
}

TEST(ByteStreams, WithoutAMechanismEachCallIsReported) {
  qvtest::ReportCapture reports;
  uint8_t byte = 0;
  EXPECT_FALSE(ByteOutputStream(nullptr).WriteByte(1));
  EXPECT_FALSE(ByteInputStream(nullptr).ReadByte(&byte));
  EXPECT_TRUE(ByteLineReader(nullptr, kEncodingUTF8).IsEOF());
  EXPECT_EQ(reports.count(), 3u);
  EXPECT_TRUE(reports.HasCondition("mechanism"));
}

}  // namespace
