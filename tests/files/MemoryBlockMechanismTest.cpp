// The byte I/O base's typed operations and the MemoryBlock back end: growth and trimming,
// reads at the end, the limit a block never passes, byte order, strings and variable-length
// integers.
#include "files/MemoryBlockMechanism.h"

#include <gtest/gtest.h>

#include "core/Memory.h"
#include "values/MemoryBlock.h"
#include "support/RaisedExceptions.h"

namespace {

std::string Bytes(const MemoryBlockObject* block, int64_t n = -1) {
  return std::string(reinterpret_cast<const char*>(block->data), size_t(n < 0 ? block->size : n));
}

// A mechanism on a new owned block; the test's own reference goes at the end.
struct OnBlock {
  MemoryBlockObject* block;
  MemoryBlockMechanism stream;
  explicit OnBlock(int32_t size = 0) : block(newMemoryBlock(size)) { stream.AttachBlock(block); }
  ~OnBlock() {
    stream.Close();
    RuntimeUnlockObject(&block->header);
  }
};

TEST(MemoryBlockMechanism, GrowsInStepsAndCloseTrimsToWhatWasWritten) {
  OnBlock on;
  EXPECT_TRUE(on.stream.Write("0123456789", 10));
  EXPECT_EQ(on.block->size, 32);
  EXPECT_EQ(on.block->header.refCount, 2);
  EXPECT_TRUE(on.stream.Close());
  EXPECT_EQ(Bytes(on.block), "0123456789");
  EXPECT_EQ(on.block->header.refCount, 1);
  on.stream.AttachBlock(on.block);  // 100 bytes grow by 100; a larger write by step + count
  ASSERT_TRUE(on.stream.SetLength(100) && on.stream.SetPosition(100));
  EXPECT_TRUE(on.stream.Write("x", 1));
  EXPECT_EQ(on.block->size, 200);
  EXPECT_TRUE(on.stream.Write(std::string(500, 'b').data(), 500));
  EXPECT_EQ(on.block->size, 900);
  EXPECT_EQ(on.stream.GetLength(), 601);
}

TEST(MemoryBlockMechanism, ReadsPositionsAndLimits) {
  qvtest::RaisedExceptions raises;
  OnBlock on(20);
  char buffer[16];
  int32_t got = -1;
  EXPECT_TRUE(on.stream.SetPosition(16));
  EXPECT_TRUE(on.stream.Read(buffer, 10, &got));
  EXPECT_EQ(got, 4);
  EXPECT_TRUE(on.stream.IsEOF());
  EXPECT_FALSE(on.stream.Read(buffer, 10, &got));
  EXPECT_TRUE(on.stream.Read(buffer, 0, &got));  // a count of 0 succeeds, at the end too
  EXPECT_EQ(got, 0);
  EXPECT_TRUE(on.stream.SetPosition(~uint64_t{0}));
  EXPECT_EQ(on.stream.GetPosition(), 20);
  EXPECT_EQ(on.stream.GetHandle(kHandleTypeFileNumber), -1);
  memoryBlockSetSize(on.block, 0, 8);  // resized under the stream: never read past its bytes
  EXPECT_TRUE(on.stream.SetPosition(6) && on.stream.Read(buffer, 10, &got));
  EXPECT_EQ(got, 2);
  // Past 2^31 - 1 bytes: refused before anything is read, and nothing changes.
  EXPECT_FALSE(on.stream.SetLength(uint64_t{1} << 31));
  EXPECT_FALSE(on.stream.Write(reinterpret_cast<const void*>(16), 0x7FFFFFFA));
  auto previous = SetSystemAllocFunctionForTesting([](size_t) -> void* { return nullptr; });
  const bool wrote = on.stream.Write(buffer, 16);
  SetSystemAllocFunctionForTesting(previous);
  EXPECT_FALSE(wrote);
  EXPECT_EQ(on.block->size, 8);
  EXPECT_EQ(on.stream.GetPosition(), 8);
  EXPECT_EQ(raises.TakeOne(), "");
  on.stream.AttachBlock(nullptr);
  EXPECT_EQ(raises.TakeOne(), "NilObjectException");
}

// A foreign block: no bounds, no growth, and Close leaves the memory as written.
TEST(MemoryBlockMechanism, ForeignBlocksAreWrittenInPlace) {
  char memory[16] = "...............";
  MemoryBlockObject* foreign = PtrToMemoryBlock(memory);
  {
    MemoryBlockMechanism stream;
    stream.AttachBlock(foreign);
    EXPECT_EQ(stream.GetLength(), -1);
    EXPECT_TRUE(stream.Write("hello", 5));
  }
  EXPECT_EQ(std::string(memory), "hello..........");
  EXPECT_EQ(memoryBlockGetSize(foreign, 0), -1);
  EXPECT_EQ(foreign->header.refCount, 1);
  RuntimeUnlockObject(&foreign->header);
}

// Without a block, or on a foreign block of no memory, Read and Write refuse; a count of 0
// still succeeds.
TEST(MemoryBlockMechanism, NoBlockRefusesReadAndWrite) {
  char buffer[4] = "abc";
  int32_t got = -1;
  MemoryBlockMechanism none;
  EXPECT_FALSE(none.Read(buffer, 3, &got));
  EXPECT_EQ(got, 0);
  EXPECT_FALSE(none.Write(buffer, 3));
  EXPECT_TRUE(none.Read(buffer, 0, &got) && none.Write(buffer, 0));
  MemoryBlockMechanism nowhere;
  nowhere.AttachBlock(PtrToMemoryBlock(nullptr));
  RuntimeUnlockObject(&nowhere.Block()->header);  // the stream's reference keeps it
  EXPECT_FALSE(nowhere.Read(buffer, 3, &got));
  EXPECT_FALSE(nowhere.Write(buffer, 3));
  EXPECT_EQ(nowhere.GetPosition(), 0);
}

TEST(RandomAccessMechanism, TypedValuesWithAndWithoutByteSwap) {
  OnBlock on;
  RandomAccessMechanism& s = on.stream;
  const double value = 1.0 + 1.0 / 1024;  // 00 00 00 00 00 04 F0 3F in memory
  const std::string host("\0\0\0\0\0\x04\xF0\x3F", 8);
  EXPECT_TRUE(s.WriteUInt32(0x01020304) && s.WriteUInt16(0x0506));
  s.EnableByteSwap();
  EXPECT_TRUE(s.WriteUInt32(0x01020304) && s.WriteUInt16(0x0506) && s.WriteDouble(value));
  s.swapDoubles = 1;
  EXPECT_TRUE(s.WriteDouble(value) && s.WriteByte(0xAB));
  EXPECT_EQ(Bytes(on.block, 29), std::string("\4\3\2\1\6\5\1\2\3\4\5\6", 12) + host +
                                     std::string(host.rbegin(), host.rend()) + "\xAB");
  ASSERT_TRUE(s.SetPosition(0));
  uint32_t u32[2] = {};
  uint16_t u16[2] = {};
  double d[2] = {};
  uint8_t byte = 0;
  s.DisableByteSwap();
  EXPECT_TRUE(s.ReadUInt32(&u32[0]) && s.ReadUInt16(&u16[0]));
  s.EnableByteSwap();
  s.swapDoubles = 0;
  EXPECT_TRUE(s.ReadUInt32(&u32[1]) && s.ReadUInt16(&u16[1]) && s.ReadDouble(&d[0]));
  s.swapDoubles = 1;
  EXPECT_TRUE(s.ReadDouble(&d[1]) && s.ReadByte(&byte));
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(u32[i], 0x01020304u);
    EXPECT_EQ(u16[i], 0x0506u);
    EXPECT_EQ(d[i], value);
  }
  EXPECT_EQ(byte, 0xAB);
  EXPECT_FALSE(s.ReadUInt32(&u32[0]));  // at the end: a short read fails
}

TEST(RandomAccessMechanism, StringsAndLines) {
  OnBlock on;
  std::string text300(300, 'p');
  text300[0] = 'A';
  EXPECT_TRUE(on.stream.WritePString(string(text300.c_str())));
  EXPECT_TRUE(on.stream.WriteLine(string("line one")) && on.stream.WritePString(string("tail")));
  EXPECT_EQ(Bytes(on.block, 270), "\xFF" + text300.substr(0, 255) + "line one\n\x04tail");
  ASSERT_TRUE(on.stream.SetPosition(0));
  string read("junk");
  EXPECT_TRUE(on.stream.ReadPString(&read));
  EXPECT_EQ(std::string(read.CString()), text300.substr(0, 255));
  EXPECT_EQ(read.Encoding(), kEncodingNone);
  // A length byte that promises more than the stream holds gives only what is there.
  ASSERT_TRUE(on.stream.SetPosition(265) && on.stream.SetLength(268));
  EXPECT_TRUE(on.stream.ReadPString(&read));
  EXPECT_EQ(std::string(read.CString()), "ta");
}

TEST(RandomAccessMechanism, VariableLengthIntegers) {
  const std::pair<int32_t, std::string> examples[] = {
      {0, std::string(1, '\0')}, {-1, "\x41"}, {63, "\x3F"}, {64, "\x80\x01"}, {-64, "\xC0\x01"},
      {8192, "\x80\x80\x01"}, {1 << 27, "\x80\x80\x80\x80\x01"},
      {2147483647, "\xBF\xFF\xFF\xFF\x0F"}, {INT32_MIN, "\x80\x80\x80\x80\x10"},
  };
  for (const auto& [value, bytes] : examples) {
    OnBlock on;
    int32_t back = 12345;
    EXPECT_TRUE(on.stream.WriteVarInt(value));
    EXPECT_EQ(Bytes(on.block, on.stream.GetLength()), bytes) << value;
    EXPECT_TRUE(on.stream.SetPosition(0) && on.stream.ReadVarInt(&back));
    EXPECT_EQ(back, value);
  }
  // Corrupt or cut short: a sixth byte, or none after a continuation.
  OnBlock corrupt;
  int32_t ignored = 0;
  corrupt.stream.Write("\x80\x80\x80\x80\x80\x01", 6);
  EXPECT_FALSE(corrupt.stream.SetPosition(0) && corrupt.stream.ReadVarInt(&ignored));
  EXPECT_FALSE(corrupt.stream.SetPosition(4) && corrupt.stream.SetLength(5) &&
               corrupt.stream.ReadVarInt(&ignored));
}

}  // namespace
