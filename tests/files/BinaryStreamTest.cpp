// BinaryStream: every typed value in both byte orders against Python's struct, short reads,
// strings, streams over a string, a MemoryBlock, a file and a pipe, and closed streams.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "StreamTestSupport.h"
#include "values/MemoryBlock.h"
#include "core/ObjectDefinitionConverter.h"
#include "files/BinaryStream.h"
#include "strings/TextEncodingObjects.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

using namespace streamtest;
using Stream = Held<BinaryStreamObject>;

RuntimeObject* NewStream() { return NewObjectFromDefinition(BinaryStreamClassDefinition()); }

RuntimeObject* OnString(const std::string& bytes) {
  RuntimeObject* stream = NewStream();
  const string text = string::FromBytes(bytes.data(), int64_t(bytes.size()), kEncodingNone);
  BinaryStringStringCtor(reinterpret_cast<BinaryStreamObject*>(stream), text.Storage());
  return stream;
}

std::string Python(const std::string& code) {
  return qvtest::ProgramOutput({"python3", "-c", "import struct, sys\n" + code});
}

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) hex += std::string{digits[c >> 4], digits[c & 15]};
  return hex;
}

// One value of each width and kind, as Python packs them with order + kFormat.
constexpr const char* kFormat = "BhibhqBHIQfd?";
constexpr const char* kValues =
    "200, -2, -70000, -1, -300, -(1 << 40), 255, 65534, 4000000000, 2**64 - 2, 3.25, -0.1, True";

void WriteEveryKind(BinaryStreamObject* s) {
  BinaryStreamWriteByte(s, 200);
  BinaryStreamWriteShort(s, -2);
  BinaryStreamWriteLong(s, -70000);
  BinaryStreamWriteInt8(s, -1);
  BinaryStreamWriteInt16(s, -300);
  BinaryStreamWriteInt64(s, -(int64_t{1} << 40));
  BinaryStreamWriteUInt8(s, 255);
  BinaryStreamWriteUInt16(s, 65534);
  BinaryStreamWriteUInt32(s, 4000000000u);
  BinaryStreamWriteUInt64(s, UINT64_MAX - 1);
  BinaryStreamWriteFloat(s, 3.25);
  BinaryStreamWriteDouble(s, -0.1);
  BinaryStreamWriteBoolean(s, 7);
}

void ExpectEveryKind(BinaryStreamObject* s) {
  EXPECT_EQ(BinaryStreamReadByte(s), 200);
  EXPECT_EQ(BinaryStreamReadShort(s), -2);
  EXPECT_EQ(BinaryStreamReadLong(s), -70000);
  EXPECT_EQ(BinaryStreamReadInt8(s), -1);
  EXPECT_EQ(BinaryStreamReadInt16(s), -300);
  EXPECT_EQ(BinaryStreamReadInt64(s), -(int64_t{1} << 40));
  EXPECT_EQ(BinaryStreamReadUInt8(s), 255u);
  EXPECT_EQ(BinaryStreamReadUInt16(s), 65534u);
  EXPECT_EQ(BinaryStreamReadUInt32(s), 4000000000u);
  EXPECT_EQ(BinaryStreamReadUInt64(s), UINT64_MAX - 1);
  EXPECT_EQ(BinaryStreamReadFloat(s), 3.25);
  EXPECT_EQ(BinaryStreamReadDouble(s), -0.1);
  EXPECT_EQ(BinaryStreamReadBoolean(s), 1);
  EXPECT_TRUE(BinaryStreamEOF(s));
}

TEST(BinaryStream, TypedValuesInBothByteOrdersAgreeWithPythonStruct) {
  qvtest::TempFolder folder;
  for (const char* order : {">", "<"}) {
    const bool little = order[0] == '<';
    const std::string path = folder / (little ? "little" : "big");
    {
      Stream out(NewBinaryStream(OpenData(path, 0)));
      out->littleEndian = little;
      WriteEveryKind(out);
    }
    const std::string pack = std::string("struct.pack('") + order + kFormat + "', " + kValues + ")";
    EXPECT_EQ(Hex(ReadFile(path)), Python("print(" + pack + ".hex(), end='')")) << order;
    WriteFile(path, "");
    ASSERT_EQ(Python("open('" + path + "', 'wb').write(" + pack + ")"), "");
    Stream in(NewBinaryStream(OpenData(path)));
    in->littleEndian = little;
    ExpectEveryKind(in);
  }
}

TEST(BinaryStream, ShortReadsGiveZeroAndAdvance) {
  Stream s(OnString("\xFF\xFE\xFF\xFE\x01\x02\x03"));
  EXPECT_EQ(BinaryStreamReadInt16(s), -2);
  EXPECT_EQ(BinaryStreamReadUInt16(s), 65534u);
  EXPECT_EQ(BinaryStreamReadLong(s), 0);  // 3 bytes left
  EXPECT_EQ(BinaryStreamGetPosition(s, 0), 7u);
  EXPECT_EQ(BinaryStreamReadByte(s), 0);
  BinaryStreamSetPosition(s, 0, 3);
  EXPECT_EQ(Text(BinaryStreamRead(s, 10, nullptr)), "\xFE\x01\x02\x03");
  BinaryStreamSetPosition(s, 0, 0);
  EXPECT_EQ(Text(BinaryStreamRead(s, INT32_MAX, nullptr)).size(), 7u);
  EXPECT_EQ(Text(BinaryStreamRead(s, 0, nullptr)), "");
}

TEST(BinaryStream, StringStreamsAreReadOnly) {
  Stream s(OnString("\x05" "ab"));
  TextEncodingObject* utf8 = GetTextEncodingObject(kEncodingUTF8);
  TextEncoding encoding = 0;
  EXPECT_EQ(Text(BinaryStreamReadPString(s, utf8), &encoding), "ab");  // cut to what came
  EXPECT_EQ(encoding, kEncodingUTF8);
  RuntimeUnlockObject(&utf8->header);
  BinaryStreamWriteByte(s, 1);
  EXPECT_EQ(BinaryStreamLastErrorGetter(s), 100);
  EXPECT_EQ(BinaryStreamGetLength(s, 0), 3u);
  BinaryStreamClose(s);
  EXPECT_TRUE(BinaryStreamEOF(s));
  EXPECT_EQ(BinaryStreamLastErrorGetter(s), 100);
  EXPECT_EQ(BinaryStreamReadLong(s), 0);
  EXPECT_EQ(BinaryStreamGetLength(s, 0), 0u);
  EXPECT_EQ(BinaryStreamHandleGetter(s, kHandleTypeFilePointer), -1);
  BinaryStreamFlush(s);
  qvtest::ReportCapture reports;
  BinaryStreamWriteByte(nullptr, 1);
  EXPECT_TRUE(reports.HasCondition("stream"));
}

TEST(BinaryStream, MemoryBlocksLendTheirByteOrder) {
  for (uint8_t little : {0, 1}) {
    MemoryBlockObject* block = newMemoryBlock(0);
    block->littleEndian = little;
    {
      Stream s(NewStream());
      BinaryStringMemoryBlockCtor(s, block);
      EXPECT_EQ(s->littleEndian, little);
      BinaryStreamWriteLong(s, 1);
      std::string text300(300, 'p');
      BinaryStreamWritePString(s, string(text300.c_str()).Storage());
      BinaryStreamWritePString(s, nullptr);
      BinaryStreamClose(s);
    }
    ASSERT_EQ(block->size, 4 + 256 + 1);
    const std::string bytes(reinterpret_cast<char*>(block->data), size_t(block->size));
    EXPECT_EQ(bytes.substr(0, 4), little ? std::string("\1\0\0\0", 4) : std::string("\0\0\0\1", 4));
    EXPECT_EQ(bytes.substr(4), "\xFF" + std::string(255, 'p') + std::string(1, '\0'));
    RuntimeUnlockObject(&block->header);
  }
}

// A Position or Length the stream's bytes cannot take is refused with a code in LastErrorCode,
// and the stream stays where it was, on a file and on a MemoryBlock alike.
TEST(BinaryStream, RefusedPositionsAndLengthsLeaveACode) {
  qvtest::TempFolder folder;
  WriteFile(folder / "f", "HEADDATA");
  MemoryBlockObject* block = newMemoryBlock(8);
  Stream onBlock(NewStream());
  BinaryStringMemoryBlockCtor(onBlock, block);
  RuntimeUnlockObject(&block->header);
  Stream onFile(NewBinaryStream(OpenData(folder / "f", kDataFileReadWrite)));
  const uint64_t kPast = (uint64_t{1} << 63) + 8;
  const struct {
    const char* what;
    BinaryStreamObject* stream;
    void (*set)(BinaryStreamObject*, uint32_t, uint64_t);
    uint64_t (*get)(BinaryStreamObject*, uint32_t);
    uint64_t refused;
  } kRows[] = {
      {"file Position", onFile, BinaryStreamSetPosition, BinaryStreamGetPosition, kPast},
      {"file Length", onFile, BinaryStreamSetLength, BinaryStreamGetLength, kPast},
      {"MemoryBlock Length", onBlock, BinaryStreamSetLength, BinaryStreamGetLength, 3ull << 30},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.what);
    BinaryStreamSetPosition(row.stream, 0, 4);
    const uint64_t before = row.get(row.stream, 0);
    row.set(row.stream, 0, row.refused);
    EXPECT_EQ(BinaryStreamLastErrorGetter(row.stream), EINVAL);
    EXPECT_EQ(row.get(row.stream, 0), before);
  }
}

// A pipe's length is unknown: Read(Count) gives what comes, up to Count.
TEST(BinaryStream, ReadsAPipeUpToTheCount) {
  pid_t child = 0;
  const int fd = OutputOf({"printf", "abcdef"}, &child);
  ASSERT_GE(fd, 0);
  Stream s(NewStream());
  BinaryStreamHandleCtor(s, fd, kHandleTypeFileNumber);
  EXPECT_EQ(Text(BinaryStreamRead(s, 4, nullptr)), "abcd");
  EXPECT_EQ(Text(BinaryStreamRead(s, 100, nullptr)), "ef");
  EXPECT_TRUE(BinaryStreamEOF(s));
  EXPECT_EQ(BinaryStreamLastErrorGetter(s), 0);
  EXPECT_EQ(WaitFor(child), 0);
}

// A file whose size says 0 but that yields bytes (/proc) is read to the end of its data, NUL
// bytes included; its length is known once that end is reached. An empty file stays empty.
TEST(BinaryStream, FilesOfSizeZeroReadToTheEndOfTheirData) {
  const std::string own = ReadFile("/proc/self/cmdline");
  ASSERT_NE(own.find('\0'), std::string::npos);
  Stream s(NewBinaryStream(OpenData("/proc/self/cmdline")));
  EXPECT_FALSE(BinaryStreamEOF(s));
  EXPECT_EQ(Text(BinaryStreamRead(s, 1000000, nullptr)), own);
  EXPECT_TRUE(BinaryStreamEOF(s));
  EXPECT_EQ(BinaryStreamGetLength(s, 0), own.size());
  EXPECT_EQ(BinaryStreamLastErrorGetter(s), 0);
  qvtest::TempFolder folder;
  WriteFile(folder / "empty", "");
  Stream empty(NewBinaryStream(OpenData(folder / "empty")));
  EXPECT_TRUE(BinaryStreamEOF(empty));
  EXPECT_EQ(BinaryStreamGetLength(empty, 0), 0u);
  EXPECT_EQ(Text(BinaryStreamRead(empty, 10, nullptr)), "");
}

// A file cut short under the reader while stdio holds bytes read ahead: Read gives the bytes up
// to the new end, then nothing; Position and Length agree with the file.
TEST(BinaryStream, BytesPastATruncatedEndAreNeverReturned) {
  qvtest::TempFolder folder;
  std::string data;
  for (int i = 0; i < 300000; ++i) data += char(i * 7 % 251);
  WriteFile(folder / "f", data);
  Stream s(NewBinaryStream(OpenData(folder / "f")));
  EXPECT_EQ(Text(BinaryStreamRead(s, 10, nullptr)), data.substr(0, 10));
  ASSERT_EQ(truncate((folder / "f").c_str(), 100), 0);
  EXPECT_EQ(Text(BinaryStreamRead(s, 200000, nullptr)), data.substr(10, 90));
  EXPECT_EQ(Text(BinaryStreamRead(s, 200000, nullptr)), "");
  EXPECT_EQ(BinaryStreamGetPosition(s, 0), 100u);
  EXPECT_EQ(BinaryStreamGetLength(s, 0), 100u);
  EXPECT_TRUE(BinaryStreamEOF(s));
}

// A file of /sys says 4,096 bytes and holds a few: a ReadByte loop ends at the end of its data,
// where Length is what was read. Before any read a length that is not known yet is answered as
// what is known (0), never as -1 taken for a UInt64 (/proc).
TEST(BinaryStream, ReadLoopsEndWhereTheDataEndsWhateverTheSizeSaid) {
  const std::string path = "/sys/devices/system/cpu/online";
  const std::string data = ReadFile(path);
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  ASSERT_GT(uint64_t(info.st_size), data.size()) << "the size of " << path << " is its length";
  Stream s(NewBinaryStream(OpenData(path)));
  std::string read;
  for (int i = 0; !BinaryStreamEOF(s) && i < 10000; ++i) read += char(BinaryStreamReadByte(s));
  EXPECT_EQ(read, data);
  EXPECT_EQ(BinaryStreamGetLength(s, 0), data.size());
  EXPECT_EQ(BinaryStreamGetPosition(s, 0), data.size());
  Stream status(NewBinaryStream(OpenData("/proc/self/status")));
  EXPECT_EQ(BinaryStreamGetLength(status, 0), 0u);
  EXPECT_EQ(BinaryStreamGetPosition(status, 0), 0u);
  EXPECT_EQ(Text(BinaryStreamRead(status, 5, nullptr)).size(), 5u);
  EXPECT_EQ(BinaryStreamGetLength(status, 0), 5u);
}

}  // namespace
