// The byte I/O base's typed operations and the MemoryBlock back end: growth and trimming,
// reads at the end, byte order, strings, variable-length integers, and the limits a block
// never passes.
#include "files/MemoryBlockMechanism.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "core/Memory.h"
#include "core/MemoryBlock.h"
#include "support/RaiseCapture.h"

namespace {

std::string Bytes(const MemoryBlockObject* block) {
  return std::string(reinterpret_cast<const char*>(block->data), size_t(block->size));
}

// A mechanism on a new owned block of size bytes; the test's own reference is dropped at the end.
struct OnBlock {
  MemoryBlockObject* block;
  MemoryBlockMechanism stream;
  explicit OnBlock(int32_t size) : block(newMemoryBlock(size)) { stream.AttachBlock(block); }
  ~OnBlock() {
    stream.Close();
    RuntimeUnlockObject(&block->header);
  }
};

TEST(MemoryBlockMechanism, GrowsInStepsAndCloseTrimsToWhatWasWritten) {
  OnBlock on(0);
  EXPECT_TRUE(on.stream.Write("0123456789", 10));
  EXPECT_EQ(on.block->size, 32);
  EXPECT_EQ(on.stream.GetLength(), 10);
  EXPECT_EQ(on.block->header.refCount, 2);
  EXPECT_TRUE(on.stream.Close());
  EXPECT_EQ(Bytes(on.block), "0123456789");
  EXPECT_EQ(on.block->header.refCount, 1);
  // A block of 100 grows by its own size; a write larger than the step by step + count.
  on.stream.AttachBlock(on.block);
  ASSERT_TRUE(on.stream.SetLength(100));
  ASSERT_TRUE(on.stream.SetPosition(100));
  EXPECT_TRUE(on.stream.Write("x", 1));
  EXPECT_EQ(on.block->size, 200);
  std::string big(500, 'b');
  EXPECT_TRUE(on.stream.Write(big.data(), 500));
  EXPECT_EQ(on.block->size, 200 + 200 + 500);
  EXPECT_EQ(on.stream.GetLength(), 601);
}

TEST(MemoryBlockMechanism, ReadsAtTheEndPositionsAndLengths) {
  OnBlock on(20);
  char buffer[16];
  int32_t got = -1;
  EXPECT_TRUE(on.stream.Read(buffer, 0, &got));
  EXPECT_EQ(got, 0);
  EXPECT_TRUE(on.stream.SetPosition(16));
  EXPECT_TRUE(on.stream.Read(buffer, 10, &got));
  EXPECT_EQ(got, 4);
  EXPECT_TRUE(on.stream.IsEOF());
  EXPECT_FALSE(on.stream.Read(buffer, 10, &got));
  EXPECT_EQ(got, 0);
  EXPECT_TRUE(on.stream.Read(buffer, 0, &got));  // a count of 0 succeeds at the end too
  EXPECT_TRUE(on.stream.SetPosition(120));
  EXPECT_EQ(on.stream.GetPosition(), 20);
  EXPECT_TRUE(on.stream.SetPosition(~uint64_t{0}));
  EXPECT_EQ(on.stream.GetPosition(), 20);
  EXPECT_EQ(on.stream.GetHandle(kHandleTypeFileNumber), -1);
  // A block resized under the stream is never read past its bytes.
  memoryBlockSetSize(on.block, 0, 8);
  EXPECT_TRUE(on.stream.SetPosition(6));
  EXPECT_TRUE(on.stream.Read(buffer, 10, &got));
  EXPECT_EQ(got, 2);
  EXPECT_FALSE(on.stream.SetLength(uint64_t{1} << 31));
  EXPECT_EQ(on.block->size, 8);
  // Without a block: lengths 0, nothing to read, moves succeed.
  MemoryBlockMechanism bare;
  EXPECT_TRUE(bare.IsEOF());
  EXPECT_EQ(bare.GetLength(), 0);
  EXPECT_TRUE(bare.SetPosition(5));
  EXPECT_FALSE(bare.Read(buffer, 1, &got));
  EXPECT_FALSE(bare.Write("a", 1));
  EXPECT_TRUE(bare.Write("a", 0));
}

TEST(MemoryBlockMechanism, NeverGrowsPastTheLimitAndFailsWithoutChange) {
  qvtest::RaiseCapture raises;
  OnBlock on(0);
  ASSERT_TRUE(on.stream.Write("abcdef", 6));
  // 2^31 - 1 - 6 + 1 bytes more would pass the limit: refused before anything is read.
  EXPECT_FALSE(on.stream.Write(reinterpret_cast<const void*>(16), 0x7FFFFFFA));
  EXPECT_EQ(on.block->size, 32);
  EXPECT_EQ(on.stream.GetPosition(), 6);
  auto previous = SetSystemAllocFunctionForTesting([](size_t) -> void* { return nullptr; });
  std::string more(100, 'm');
  const bool wrote = on.stream.Write(more.data(), 100);
  SetSystemAllocFunctionForTesting(previous);
  EXPECT_FALSE(wrote);
  EXPECT_EQ(on.stream.GetLength(), 6);
  EXPECT_EQ(Bytes(on.block).substr(0, 6), "abcdef");
  EXPECT_EQ(raises.Take(), "");
  on.stream.AttachBlock(nullptr);
  EXPECT_EQ(raises.Take(), "NilObjectException");
  EXPECT_EQ(on.stream.Block(), on.block);  // still attached
}

// A foreign block: no bounds, no growth, and Close leaves the memory as written.
TEST(MemoryBlockMechanism, ForeignBlocksAreWrittenInPlace) {
  char memory[16] = "...............";
  MemoryBlockObject* foreign = PtrToMemoryBlock(memory);
  {
    MemoryBlockMechanism stream;
    stream.AttachBlock(foreign);
    EXPECT_EQ(stream.GetLength(), -1);
    EXPECT_FALSE(stream.IsEOF());
    EXPECT_TRUE(stream.Write("hello", 5));
  }
  EXPECT_EQ(std::string(memory), "hello..........");
  EXPECT_EQ(memoryBlockGetSize(foreign, 0), -1);
  EXPECT_EQ(foreign->header.refCount, 1);
  RuntimeUnlockObject(&foreign->header);
}

TEST(RandomAccessMechanism, TypedValuesWithAndWithoutByteSwap) {
  OnBlock on(0);
  RandomAccessMechanism& s = on.stream;
  EXPECT_TRUE(s.WriteUInt32(0x01020304));
  EXPECT_TRUE(s.WriteUInt16(0x0506));
  s.EnableByteSwap();
  EXPECT_TRUE(s.WriteUInt32(0x01020304));
  EXPECT_TRUE(s.WriteUInt16(0x0506));
  const double value = 1.0 + 1.0 / 1024;  // bytes 00 00 00 00 00 04 F0 3F
  EXPECT_TRUE(s.WriteDouble(value));  // swapDoubles off: host order still
  s.swapDoubles = 1;
  EXPECT_TRUE(s.WriteDouble(value));
  EXPECT_TRUE(s.WriteByte(0xAB));
  const std::string host("\0\0\0\0\0\x04\xF0\x3F", 8);
  const std::string written = Bytes(on.block).substr(0, 29);
  EXPECT_EQ(written, std::string("\4\3\2\1\6\5\1\2\3\4\5\6", 12) + host +
                         std::string(host.rbegin(), host.rend()) + "\xAB");
  ASSERT_TRUE(s.SetPosition(0));
  s.DisableByteSwap();
  uint32_t u32 = 0;
  uint16_t u16 = 0;
  double d = 0;
  uint8_t byte = 0;
  EXPECT_TRUE(s.ReadUInt32(&u32));
  EXPECT_TRUE(s.ReadUInt16(&u16));
  EXPECT_EQ(u32, 0x01020304u);
  EXPECT_EQ(u16, 0x0506u);
  s.EnableByteSwap();
  EXPECT_TRUE(s.ReadUInt32(&u32));
  EXPECT_TRUE(s.ReadUInt16(&u16));
  EXPECT_EQ(u32, 0x01020304u);
  EXPECT_EQ(u16, 0x0506u);
  s.swapDoubles = 0;
  EXPECT_TRUE(s.ReadDouble(&d));
  EXPECT_EQ(d, value);
  s.swapDoubles = 1;
  EXPECT_TRUE(s.ReadDouble(&d));
  EXPECT_EQ(d, value);
  EXPECT_TRUE(s.ReadByte(&byte));
  EXPECT_EQ(byte, 0xAB);
  EXPECT_FALSE(s.ReadUInt32(&u32));  // at the end: short reads are failures
}

TEST(RandomAccessMechanism, StringsAndLines) {
  OnBlock on(0);
  std::string text300(300, 'p');
  text300[0] = 'A';
  EXPECT_TRUE(on.stream.WritePString(string(text300.c_str())));
  EXPECT_TRUE(on.stream.WriteLine(string("line one")));
  EXPECT_TRUE(on.stream.WritePString(string()));
  EXPECT_TRUE(on.stream.WritePString(string("tail")));
  EXPECT_EQ(Bytes(on.block).substr(0, 256), "\xFF" + text300.substr(0, 255));
  EXPECT_EQ(Bytes(on.block).substr(256, 9), "line one\n");
  ASSERT_TRUE(on.stream.SetPosition(0));
  string read("junk");
  EXPECT_TRUE(on.stream.ReadPString(&read));
  EXPECT_EQ(std::string(read.CString()), text300.substr(0, 255));
  EXPECT_EQ(read.Encoding(), kEncodingNone);
  ASSERT_TRUE(on.stream.SetPosition(265));
  EXPECT_TRUE(on.stream.ReadPString(&read));
  EXPECT_TRUE(read.IsEmpty());
  // A length byte that promises more than the stream holds gives only what is there.
  ASSERT_TRUE(on.stream.SetLength(269));
  EXPECT_TRUE(on.stream.ReadPString(&read));
  EXPECT_EQ(std::string(read.CString()), "ta");
}

TEST(RandomAccessMechanism, VariableLengthIntegers) {
  const std::pair<int32_t, std::string> examples[] = {
      {0, "\x00"}, {-1, "\x41"}, {63, "\x3F"}, {64, "\x80\x01"}, {-64, "\xC0\x01"},
      {8192, "\x80\x80\x01"}, {1 << 27, "\x80\x80\x80\x80\x01"},
      {2147483647, "\xBF\xFF\xFF\xFF\x0F"}, {INT32_MIN, "\x80\x80\x80\x80\x10"},
  };
  for (const auto& [value, bytes] : examples) {
    OnBlock on(0);
    const std::string expected = value == 0 ? std::string(1, '\0') : bytes;
    EXPECT_TRUE(on.stream.WriteVarInt(value));
    EXPECT_EQ(Bytes(on.block).substr(0, size_t(on.stream.GetLength())), expected) << value;
    int32_t back = 12345;
    ASSERT_TRUE(on.stream.SetPosition(0));
    EXPECT_TRUE(on.stream.ReadVarInt(&back));
    EXPECT_EQ(back, value);
  }
  OnBlock on(0);
  std::mt19937 rng(3);
  std::vector<int32_t> values;
  for (int i = 0; i < 500; ++i) values.push_back(int32_t(rng()) >> (rng() % 32));
  for (int32_t v : values) ASSERT_TRUE(on.stream.WriteVarInt(v));
  ASSERT_TRUE(on.stream.SetPosition(0));
  for (int32_t v : values) {
    int32_t back = 0;
    ASSERT_TRUE(on.stream.ReadVarInt(&back));
    ASSERT_EQ(back, v);
  }
  // Corrupt or cut short: a sixth byte, or no byte after a continuation.
  OnBlock corrupt(0);
  corrupt.stream.Write("\x80\x80\x80\x80\x80\x01", 6);
  corrupt.stream.SetPosition(0);
  int32_t ignored = 0;
  EXPECT_FALSE(corrupt.stream.ReadVarInt(&ignored));
  corrupt.stream.SetPosition(5);
  EXPECT_TRUE(corrupt.stream.ReadVarInt(&ignored));
  EXPECT_EQ(ignored, 1);
  corrupt.stream.SetPosition(4);
  corrupt.stream.SetLength(5);
  EXPECT_FALSE(corrupt.stream.ReadVarInt(&ignored));
}

}  // namespace
