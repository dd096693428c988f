// MemoryBlock: every typed accessor against the layouts Python's struct gives, the access rule
// at its edges (offsets near 2^31 raise, never write), strings, colours, slices, the compare
// table and foreign blocks.
#include "values/MemoryBlock.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/ExceptionClasses.h"
#include "core/Memory.h"
#include "core/ObjectDefinitionConverter.h"
#include "strings/RuntimeString.h"
#include "support/RaisedExceptions.h"
#include "support/TestSupport.h"

namespace {

// One reference, released at the end of the scope.
struct Block {
  MemoryBlockObject* block;
  explicit Block(MemoryBlockObject* b) : block(b) {}
  explicit Block(int32_t size) : block(newMemoryBlock(size)) {}
  ~Block() { RuntimeUnlockObject(reinterpret_cast<RuntimeObject*>(block)); }
  MemoryBlockObject* operator->() const { return block; }
  operator MemoryBlockObject*() const { return block; }
  std::string Bytes() const { return std::string(reinterpret_cast<char*>(block->data), block->size); }
};

std::string Text(stringStorage* record) {
  string text = string::Adopt(record);
  return std::string(text.CString(), size_t(text.Length()));
}

// System requests of 1,000 bytes or more fail while it lives. The exception's class is made
// first: the framework's own tables may grow (a new chunk of small blocks) when it is first
// made, and that growth is not what these tests are about.
class LargeRequestsFail {
 public:
  LargeRequestsFail() {
    RuntimeClassForDefinition(OutOfMemoryExceptionDefinition());
    mPrevious = SetSystemAllocFunctionForTesting(
        [](size_t size) { return size >= 1000 ? nullptr : std::malloc(size); });
  }
  ~LargeRequestsFail() { SetSystemAllocFunctionForTesting(mPrevious); }

 private:
  SystemAllocFunction mPrevious = nullptr;
};

using B = MemoryBlockObject*;
using Get = std::function<uint64_t(B, int32_t)>;
using Set = std::function<void(B, int32_t, uint64_t)>;

// Getters widen to a word as compiled code receives them; setters get the value's bits with
// junk above its width where the accessor takes a word, which must not reach memory.
template <typename R>
Get Word(R (*get)(B, int32_t)) {
  return [get](B b, int32_t o) { return uint64_t(uint32_t(get(b, o))); };
}
template <typename V>
Set Junk(void (*set)(B, int32_t, V)) {
  return [set](B b, int32_t o, uint64_t v) { set(b, o, V(v | 0xABCD0000u)); };
}

struct Accessors {
  int width;
  std::vector<Get> getters;
  std::vector<Set> setters;
};

const std::map<char, Accessors>& Table() {
  static const std::map<char, Accessors> table = {
      {'b', {1, {Word(memoryGetInt8)}, {Junk(memorySetInt8)}}},
      {'B', {1, {Word(memoryGetByte), Word(memoryGetUInt8)}, {Junk(memorySetByte), Junk(memorySetUInt8)}}},
      {'h', {2, {Word(memoryGetShort), Word(memoryGetInt16)}, {Junk(memorySetShort), Junk(memorySetInt16)}}},
      {'H', {2, {Word(memoryGetUShort), Word(memoryGetUInt16)}, {Junk(memorySetUInt16)}}},
      {'i', {4, {Word(memoryGetLong)}, {[](B b, int32_t o, uint64_t v) { memorySetLong(b, o, int32_t(v)); }}}},
      {'I', {4, {Word(memoryGetUInt32)}, {[](B b, int32_t o, uint64_t v) { memorySetUInt32(b, o, uint32_t(v)); }}}},
      {'q', {8, {[](B b, int32_t o) { return uint64_t(memoryGetInt64(b, o)); }},
             {[](B b, int32_t o, uint64_t v) { memorySetInt64(b, o, int64_t(v)); }}}},
      {'Q', {8, {memoryGetUInt64}, {memorySetUInt64}}},
      {'f', {4, {[](B b, int32_t o) { return uint64_t(std::bit_cast<uint32_t>(memoryGetSingle(b, o))); }},
             {[](B b, int32_t o, uint64_t v) { memorySetSingle(b, o, std::bit_cast<float>(uint32_t(v))); }}}},
      {'d', {8, {[](B b, int32_t o) { return std::bit_cast<uint64_t>(memoryGetDouble(b, o)); }},
             {[](B b, int32_t o, uint64_t v) { memorySetDouble(b, o, std::bit_cast<double>(v)); }}}},
  };
  return table;
}

std::string Hex(const uint8_t* bytes, int n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (int i = 0; i < n; ++i) hex.append({kDigits[bytes[i] >> 4], kDigits[bytes[i] & 15]});
  return hex;
}

TEST(MemoryBlock, EveryWidthOffsetAndByteOrderMatchesPythonStruct) {
  const std::string script =
      (std::filesystem::path(__FILE__).parent_path() / "memoryblock_vectors.py").string();
  std::istringstream lines(qvtest::ProgramOutput({"python3", script, "17", "600"}));
  char code;
  int little, offset, checked = 0;
  std::string bitsHex, expected;
  while (lines >> code >> little >> offset >> bitsHex >> expected) {
    const Accessors& accessors = Table().at(code);
    const uint64_t bits = std::stoull(bitsHex, nullptr, 16);
    const int shift = 64 - 8 * accessors.width;
    const bool isSigned = std::islower(code) && code != 'f' && code != 'd';
    const uint64_t widened = isSigned ? uint64_t(int64_t(bits << shift) >> shift) : bits;
    const std::string where = std::string(1, code) + " at " + std::to_string(offset);
    for (const Set& set : accessors.setters) {
      Block block(16);
      block->littleEndian = uint8_t(little);
      set(block, offset, bits);
      ASSERT_EQ(Hex(block->data + offset, accessors.width), expected) << where;
      EXPECT_EQ(std::count(block->data, block->data + 16, 0),
                16 - accessors.width + std::count(block->data + offset, block->data + offset + accessors.width, 0))
          << where << ": a byte outside the value was written";
      for (const Get& get : accessors.getters) {
        EXPECT_EQ(get(block, offset), accessors.width == 8 ? bits : uint32_t(widened)) << where;
      }
    }
    ++checked;
  }
  EXPECT_EQ(checked, 600) << "python3 memoryblock_vectors.py printed too little";
}

TEST(MemoryBlock, AccessRuleAtTheEdgesRaisesAndWritesNothing) {
  qvtest::RaisedExceptions raises;
  Block four(4);
  memorySetLong(four, 0, 0x04030201);
  EXPECT_EQ(memoryGetByte(four, 3), 4u);
  EXPECT_EQ(raises.TakeOne(), "");
  EXPECT_EQ(memoryGetLong(four, 1), 0);
  EXPECT_EQ(raises.TakeOne(), "OutOfBoundsException");
  EXPECT_EQ(memoryGetByte(four, 4), 0u);
  EXPECT_EQ(raises.TakeOne(), "OutOfBoundsException");
  // Offsets whose sum with the width wraps in 32 bits: raised, never written.
  for (int32_t offset : {-1, 0x7FFFFFFC, 0x7FFFFFFF, INT32_MIN}) {
    memorySetLong(four, offset, -1);
    memorySetInt64(four, offset, -1);
    memorySetString(four, offset, 4, string("abcd").Storage());
    memorySetCString(four, offset, string("abc").Storage());
    memorySetPString(four, offset, string("ab").Storage());
    memorySetWString(four, offset, nullptr);
    memorySetColor(four, offset, 24, 0xFFFFFF);
    EXPECT_EQ(raises.Take(), std::vector<std::string>(7, "OutOfBoundsException")) << offset;
  }
  memorySetString(four, 0, -1, nullptr);
  EXPECT_EQ(Text(memoryGetString(four, 0, -1, nullptr)), "");
  EXPECT_EQ(raises.Take(), std::vector<std::string>(2, "OutOfBoundsException"));
  EXPECT_EQ(four.Bytes(), "\x01\x02\x03\x04");
  Block empty(0);
  EXPECT_EQ(memoryGetByte(empty, 0), 0u);
  EXPECT_EQ(raises.TakeOne(), "OutOfBoundsException");
  EXPECT_EQ(memoryGetLong(nullptr, 0), 0);
  EXPECT_EQ(raises.TakeOne(), "NilObjectException");
}

// Every width against a model of the access rule (0 <= offset, offset + width <= size, in 64
// bits), for sizes around the width and offsets around both ends and the 32-bit limits, on
// little- and big-endian blocks: an access the model allows writes its bytes where it says and
// reads them back, any other raises and leaves every byte as it was.
TEST(MemoryBlock, EveryWidthFollowsTheAccessRuleInBothByteOrders) {
  qvtest::RaisedExceptions raises;
  const std::vector<int32_t> farOffsets = {INT32_MIN, INT32_MIN + 1, -9, 0x7FFFFFF8, 0x7FFFFFFF};
  for (const auto& [code, accessors] : Table()) {
    const int width = accessors.width;
    for (int32_t size = 0; size <= width + 2; ++size) {
      std::vector<int32_t> offsets = farOffsets;
      for (int32_t o = -width - 1; o <= size + 1; ++o) offsets.push_back(o);
      for (uint8_t little : {1, 0}) {
        Block block(size);
        block->littleEndian = little;
        for (int32_t offset : offsets) {
          const bool allowed = offset >= 0 && int64_t{offset} + width <= size;
          const std::string where = std::string(1, code) + " size " + std::to_string(size) +
                                    " at " + std::to_string(offset) + " little " +
                                    std::to_string(little);
          if (size > 0) std::memset(block->data, 0x5A, size_t(size));
          const std::string before = block.Bytes();
          for (const Set& set : accessors.setters) set(block, offset, 0x0102030405060708u);
          for (const Get& get : accessors.getters) get(block, offset);
          const size_t calls = accessors.setters.size() + accessors.getters.size();
          EXPECT_EQ(raises.Take(), std::vector<std::string>(allowed ? 0 : calls,
                                                            "OutOfBoundsException"))
              << where;
          if (!allowed) {
            EXPECT_EQ(block.Bytes(), before) << where;
            continue;
          }
          const std::string after = block.Bytes();
          EXPECT_EQ(after.substr(0, size_t(offset)), before.substr(0, size_t(offset))) << where;
          EXPECT_EQ(after.substr(size_t(offset + width)), before.substr(size_t(offset + width)))
              << where;
          const uint8_t first = block->data[offset], last = block->data[offset + width - 1];
          EXPECT_EQ(little ? first : last, 0x08) << where << ": the low byte's place";
        }
      }
    }
  }
}

// A Boolean reads any non-zero byte as true and writes 1 or 0, also for a value whose low byte
// is zero. The constructor takes a negative size as 0 and replaces what the block held.
TEST(MemoryBlock, BooleansAndTheConstructor) {
  qvtest::RaisedExceptions raises;
  Block block(4);
  for (uint8_t byte : {0x00, 0x01, 0x80, 0xFF}) {
    memorySetByte(block, 1, byte);
    EXPECT_EQ(memoryGetBoolean(block, 1), byte ? 1 : 0) << int(byte);
  }
  std::memset(block->data, 0xEE, 4);
  memorySetBoolean(block, 0, 0x100);
  memorySetBoolean(block, 1, -1);
  memorySetBoolean(block, 2, 0);
  EXPECT_EQ(block.Bytes(), std::string("\x01\x01\x00\xEE", 4));
  EXPECT_EQ(raises.TakeOne(), "");
  memorySetBoolean(block, 4, 1);
  EXPECT_EQ(memoryGetBoolean(block, 4), 0);
  EXPECT_EQ(raises.Take(), std::vector<std::string>(2, "OutOfBoundsException"));
  EXPECT_EQ(block.Bytes(), std::string("\x01\x01\x00\xEE", 4));

  memoryBlockNewConstructor(block, -7);
  EXPECT_EQ(memoryBlockGetSize(block, 0), 0);
  EXPECT_EQ(block->data, nullptr);
  memoryBlockNewConstructor(block, 3);
  EXPECT_EQ(block.Bytes(), std::string(3, '\0'));
  uint8_t foreignBytes[2] = {7, 7};
  Block foreign(PtrToMemoryBlock(foreignBytes));
  memoryBlockNewConstructor(foreign, -1);  // now an owned, empty block; the memory untouched
  EXPECT_EQ(memoryBlockGetSize(foreign, 0), 0);
  EXPECT_EQ(foreignBytes[0], 7);
  memoryBlockNewConstructor(nullptr, 4);
  EXPECT_EQ(raises.TakeOne(), "");
}

TEST(MemoryBlock, ColoursAndStrings) {
  qvtest::RaisedExceptions raises;
  Block block(8);
  block->littleEndian = 0;
  memorySetLong(block, 0, 1);
  EXPECT_EQ(block.Bytes().substr(0, 4), std::string("\0\0\0\1", 4));
  std::memcpy(block->data, "\x01\x02\x03", 3);
  EXPECT_EQ(memoryGetColor(block, 0, 24), 0x010203u);
  block->littleEndian = 1;
  EXPECT_EQ(memoryGetColor(block, 0, 24), 0x030201u);
  memorySetColor(block, 0, 16, 0xFF8840);  // 5 bits a component, read back in the top bits
  EXPECT_EQ(memoryGetUInt16(block, 0), (31u << 10) | (17u << 5) | 8u);
  EXPECT_EQ(memoryGetColor(block, 0, 16), 0xF88840u);
  memorySetColor(block, 0, 32, 0xFF123456);
  EXPECT_EQ(memoryGetUInt32(block, 0), 0x123456u);
  memorySetColor(block, 0, 8, 0xFFFFFF);
  EXPECT_EQ(memoryGetColor(block, 0, 12), 0u);
  EXPECT_EQ(memoryGetUInt32(block, 0), 0x123456u);
  // PString: the length byte bounds the read; a long string keeps its first 255 bytes.
  std::memcpy(block->data, "\x03xyz\x09", 5);
  EXPECT_EQ(Text(memoryGetPString(block, 0)), "xyz");
  EXPECT_EQ(Text(memoryGetPString(block, 4)), "");
  EXPECT_EQ(raises.TakeOne(), "OutOfBoundsException");
  Block big(400);
  std::string long300;
  for (int i = 0; i < 300; ++i) long300 += char('a' + i % 26);
  memorySetPString(big, 10, string(long300.c_str()).Storage());
  EXPECT_EQ(big->data[10], 255);
  EXPECT_EQ(Text(memoryGetPString(big, 10)), long300.substr(0, 255));
  EXPECT_EQ(big->data[266], 0);
  // CString up to the NUL or the end; WString in 32-bit units in the block's order.
  memorySetCString(block, 0, string("ab").Storage());
  EXPECT_EQ(Text(memoryGetCString(block, 0)), "ab");
  EXPECT_EQ(Text(memoryGetCString(block, 4)), "\x09");
  Block wide(12);
  wide->littleEndian = 0;
  string text = string::FromBytes("h\0\xE9\0", 4, kEncodingUnicode16);
  memorySetWString(wide, 0, text.Storage());
  EXPECT_EQ(wide.Bytes(), std::string("\0\0\0h\0\0\0\xE9\0\0\0\0", 12));
  string read = string::Adopt(memoryGetWString(wide, 0));
  EXPECT_EQ(read.Encoding(), kEncodingUnicode16);
  EXPECT_EQ(std::string(read.CString(), 4), std::string("h\0\xE9\0", 4));
  memorySetWString(wide, 4, text.Storage());
  EXPECT_EQ(raises.TakeOne(), "OutOfBoundsException");
  // StringValue: exactly length bytes, zero-filled on write, no encoding unless given.
  std::memset(big->data, 0xFF, 7);
  memorySetString(big, 0, 6, string("abc").Storage());
  EXPECT_EQ(big.Bytes().substr(0, 7), std::string("abc\0\0\0\xFF", 7));
  string value = string::Adopt(memoryGetString(big, 1, 3, nullptr));
  EXPECT_EQ(std::string(value.CString(), 3), std::string("bc\0", 3));
  EXPECT_EQ(value.Encoding(), kEncodingNone);
  EXPECT_EQ(raises.TakeOne(), "");
}

TEST(MemoryBlock, SizeConversionsArithmeticAndSlices) {
  qvtest::RaisedExceptions raises;
  EXPECT_EQ(newMemoryBlock(-1), nullptr);
  Block ten(10);
  for (int i = 0; i < 10; ++i) ten->data[i] = uint8_t(i);
  memoryBlockSetSize(ten, 0, 12);
  EXPECT_EQ(ten.Bytes(), std::string("\0\1\2\3\4\5\6\7\x08\x09\0\0", 12));
  memoryBlockSetSize(ten, 0, 10);
  memoryBlockSetSize(ten, 0, -5);
  EXPECT_EQ(raises.TakeOne(), "OutOfBoundsException");
  {
    LargeRequestsFail shortage;
    memoryBlockSetSize(ten, 0, 1000);
    EXPECT_EQ(raises.TakeOne(), "OutOfMemoryException");
    EXPECT_EQ(newMemoryBlock(5000), nullptr);
  }
  EXPECT_EQ(ten.Bytes(), std::string("\0\1\2\3\4\5\6\7\x08\x09", 10));
  EXPECT_EQ(Block(MemoryBlockMidB3(ten, -2, 5)).Bytes(), std::string("\0\1\2", 3));
  EXPECT_EQ(MemoryBlockMidB3(ten, 10, 1), nullptr);
  EXPECT_EQ(MemoryBlockMidB3(ten, INT32_MIN, INT32_MAX), nullptr);
  Block rest(MemoryBlockMidB2(ten, 7)), right(MemoryBlockRightB(ten, 2));
  EXPECT_EQ(rest.Bytes(), "\x07\x08\x09");
  EXPECT_EQ(right.Bytes(), "\x08\x09");
  ten->littleEndian = 0;
  EXPECT_EQ(Block(MemoryBlockLeftB(ten, 100))->littleEndian, 0);
  EXPECT_EQ(Block(MemoryBlockAddOperator(rest, right)).Bytes(), "\x07\x08\x09\x08\x09");
  Block fromText(newMemoryBlock(0));
  MemoryBlockFromStringOperator(fromText, string("hello").Storage());
  EXPECT_EQ(Text(MemoryBlockToStringOperator(fromText)), "hello");
  memoryBlockSetSize(fromText, 0, 0);
  EXPECT_EQ(fromText->data, nullptr);
  memorySetPtr(ten, 0, rest);  // Ptr: the Data stored, a foreign block read back
  Block pointed(memoryGetPtr(ten, 0));
  EXPECT_EQ(pointed->data, rest->data);
  EXPECT_EQ(memoryBlockGetSize(pointed, 0), -1);
  memorySetPtr(ten, 0, nullptr);
  EXPECT_EQ(memoryGetPtr(ten, 0), nullptr);
  EXPECT_EQ(raises.TakeOne(), "");
}

TEST(MemoryBlock, CompareTable) {
  Block empty(0), a(3), b(3), shorter(2), zero(0);
  std::memcpy(a->data, "abc", 3);
  std::memcpy(b->data, "abd", 3);
  std::memcpy(shorter->data, "ab", 2);
  char bytes[] = "xy";
  Block foreign(PtrToMemoryBlock(bytes)), sameData(PtrToMemoryBlock(a->data));
  const struct {
    MemoryBlockObject *left, *right;
    int sign;
  } rows[] = {
      {a, a, 0},        {nullptr, nullptr, 0}, {foreign, nullptr, -1}, {nullptr, foreign, -1},
      {nullptr, a, -1}, {nullptr, empty, 0},   {empty, nullptr, 0},    {a, nullptr, 1},
      {a, sameData, 0}, {empty, a, -1},        {a, zero, 1},           {empty, zero, 0},
      {foreign, a, -1}, {a, b, -1},            {b, a, 1},              {shorter, a, -1},
  };
  for (const auto& row : rows) {
    const int32_t result = MemoryBlockCompareOperator(row.left, row.right);
    EXPECT_EQ((result > 0) - (result < 0), row.sign) << (&row - rows);
  }
}

// A foreign block has no size: nothing is checked, and -1 is its size.
TEST(MemoryBlock, ForeignBlocksAreUnchecked) {
  qvtest::RaisedExceptions raises;
  uint8_t buffer[64] = {};
  Block foreign(PtrToMemoryBlock(buffer + 32));
  EXPECT_EQ(memoryBlockGetSize(foreign, 0), -1);
  memorySetLong(foreign, 20, 0x11223344);
  memorySetByte(foreign, -32, 0x7F);
  EXPECT_EQ(memoryGetLong(foreign, 20), 0x11223344);
  EXPECT_EQ(buffer[0], 0x7F);
  EXPECT_EQ(raises.TakeOne(), "");
  EXPECT_EQ(memoryGetLong(Block(PtrToMemoryBlock(nullptr)), 0), 0);
  EXPECT_EQ(raises.TakeOne(), "OutOfBoundsException");
  memoryBlockSetSize(foreign, 0, 4);  // now owned and zero; the foreign memory untouched
  EXPECT_EQ(foreign.Bytes(), std::string(4, '\0'));
  EXPECT_EQ(buffer[52], 0x44);
}

// A CString takes its zero byte too; a 24-bit colour three bytes; a foreign block's CString
// reads to its zero. Under memory shortage the constructor raises and the block keeps its
// bytes.
TEST(MemoryBlock, WidthsAtTheEndAndTheConstructorWithoutMemory) {
  qvtest::RaisedExceptions raises;
  Block four(4);
  memorySetCString(four, 1, string("abc").Storage());
  EXPECT_EQ(raises.TakeOne(), "OutOfBoundsException") << "the zero would land past the end";
  EXPECT_EQ(four.Bytes(), std::string(4, '\0'));
  memorySetCString(four, 0, string("abc").Storage());
  EXPECT_EQ(four.Bytes(), std::string("abc\0", 4));
  Block eight(8);
  memorySetColor(eight, 5, 24, 0x010203);
  EXPECT_EQ(memoryGetColor(eight, 5, 24), 0x010203u);
  EXPECT_EQ(raises.TakeOne(), "");
  memorySetColor(eight, 6, 24, 0x040506);
  EXPECT_EQ(memoryGetColor(eight, 6, 24), 0u);
  EXPECT_EQ(raises.Take(), std::vector<std::string>(2, "OutOfBoundsException"));
  EXPECT_EQ(eight.Bytes(), std::string("\0\0\0\0\0\3\2\1", 8));
  char text[] = "hello\0xyz";
  EXPECT_EQ(Text(memoryGetCString(Block(PtrToMemoryBlock(text)), 0)), "hello");
  EXPECT_EQ(Text(memoryGetCString(Block(PtrToMemoryBlock(text)), 6)), "xyz");
  {
    LargeRequestsFail shortage;
    memoryBlockNewConstructor(eight, 1000);
  }
  EXPECT_EQ(raises.TakeOne(), "OutOfMemoryException");
  EXPECT_EQ(eight.Bytes(), std::string("\0\0\0\0\0\3\2\1", 8));
}

}  // namespace
