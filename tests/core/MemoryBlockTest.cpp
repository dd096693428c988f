// MemoryBlock: every typed accessor against the layouts Python's struct gives, the access rule
// at its edges (offsets near 2^31 must raise, never write), strings, colours, slices, the
// compare table and foreign blocks.
#include "core/MemoryBlock.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "core/Memory.h"
#include "strings/RuntimeString.h"
#include "support/RaiseCapture.h"
#include "support/TestSupport.h"

namespace {

using qvtest::RaiseCapture;

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

std::string Hex(const uint8_t* bytes, size_t n) {
  std::string hex;
  char digits[3];
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
    hex += digits;
  }
  return hex;
}

// Each struct letter's accessors, as bit patterns of the value's width; aliases all listed.
struct Accessors {
  int width;
  bool isSigned;
  std::vector<std::function<uint64_t(MemoryBlockObject*, int32_t)>> getters;
  std::vector<std::function<void(MemoryBlockObject*, int32_t, uint64_t)>> setters;
};

std::map<char, Accessors> AccessorTable() {
  using B = MemoryBlockObject*;
  auto i32 = [](int32_t (*get)(B, int32_t)) {
    return [get](B b, int32_t o) { return uint64_t(uint32_t(get(b, o))); };
  };
  auto u32 = [](uint32_t (*get)(B, int32_t)) {
    return [get](B b, int32_t o) { return uint64_t(get(b, o)); };
  };
  return {
      {'b', {1, true, {i32(memoryGetInt8)}, {[](B b, int32_t o, uint64_t v) { memorySetInt8(b, o, int8_t(v)); }}}},
      {'B', {1, false, {u32(memoryGetByte), u32(memoryGetUInt8)},
             {[](B b, int32_t o, uint64_t v) { memorySetByte(b, o, uint32_t(v) | 0xFF00); },
              [](B b, int32_t o, uint64_t v) { memorySetUInt8(b, o, uint32_t(v)); }}}},
      {'h', {2, true, {i32(memoryGetShort), i32(memoryGetInt16)},
             {[](B b, int32_t o, uint64_t v) { memorySetShort(b, o, int16_t(v)); },
              [](B b, int32_t o, uint64_t v) { memorySetInt16(b, o, int32_t(v) | 0x70000); }}}},
      {'H', {2, false, {u32(memoryGetUShort), u32(memoryGetUInt16)},
             {[](B b, int32_t o, uint64_t v) { memorySetUInt16(b, o, uint32_t(v)); }}}},
      {'i', {4, true, {i32(memoryGetLong)}, {[](B b, int32_t o, uint64_t v) { memorySetLong(b, o, int32_t(v)); }}}},
      {'I', {4, false, {u32(memoryGetUInt32)}, {[](B b, int32_t o, uint64_t v) { memorySetUInt32(b, o, uint32_t(v)); }}}},
      {'q', {8, true, {[](B b, int32_t o) { return uint64_t(memoryGetInt64(b, o)); }},
             {[](B b, int32_t o, uint64_t v) { memorySetInt64(b, o, int64_t(v)); }}}},
      {'Q', {8, false, {memoryGetUInt64}, {memorySetUInt64}}},
      {'f', {4, false, {[](B b, int32_t o) { return uint64_t(std::bit_cast<uint32_t>(memoryGetSingle(b, o))); }},
             {[](B b, int32_t o, uint64_t v) { memorySetSingle(b, o, std::bit_cast<float>(uint32_t(v))); }}}},
      {'d', {8, false, {[](B b, int32_t o) { return std::bit_cast<uint64_t>(memoryGetDouble(b, o)); }},
             {[](B b, int32_t o, uint64_t v) { memorySetDouble(b, o, std::bit_cast<double>(v)); }}}},
  };
}

TEST(MemoryBlock, EveryWidthOffsetAndByteOrderMatchesPythonStruct) {
  const std::string script =
      (std::filesystem::path(__FILE__).parent_path() / "memoryblock_vectors.py").string();
  std::istringstream lines(qvtest::ProgramOutput({"python3", script, "17", "600"}));
  const std::map<char, Accessors> table = AccessorTable();
  char code;
  int little, offset, checked = 0;
  std::string bitsHex, expected;
  while (lines >> code >> little >> offset >> bitsHex >> expected) {
    const Accessors& accessors = table.at(code);
    const uint64_t bits = std::stoull(bitsHex, nullptr, 16);
    const int shift = 64 - 8 * accessors.width;
    const uint64_t widened =
        accessors.isSigned && accessors.width < 8 ? uint64_t(int64_t(bits << shift) >> shift) : bits;
    for (const auto& set : accessors.setters) {
      Block block(16);
      block->littleEndian = uint8_t(little);
      set(block, offset, bits);
      const std::string where = std::string(1, code) + " at " + std::to_string(offset);
      ASSERT_EQ(Hex(block->data + offset, size_t(accessors.width)), expected) << where;
      for (int i = 0; i < 16; ++i) {
        if (i < offset || i >= offset + accessors.width) {
          EXPECT_EQ(block->data[i], 0) << where;
        }
      }
      // Narrow values come back widened to a word: signed ones sign-extended.
      for (const auto& get : accessors.getters) {
        if (accessors.width == 8) {
          EXPECT_EQ(get(block, offset), bits) << where;
        } else {
          EXPECT_EQ(uint32_t(get(block, offset)), uint32_t(widened)) << where;
        }
      }
    }
    ++checked;
  }
  EXPECT_EQ(checked, 600) << "python3 memoryblock_vectors.py printed too little";
}

TEST(MemoryBlock, AccessRuleAtTheEdgesRaisesAndWritesNothing) {
  RaiseCapture raises;
  Block four(4);
  memorySetLong(four, 0, 0x04030201);
  EXPECT_EQ(memoryGetLong(four, 0), 0x04030201);
  EXPECT_EQ(memoryGetByte(four, 3), 4u);
  EXPECT_EQ(raises.Take(), "");
  EXPECT_EQ(memoryGetLong(four, 1), 0);
  EXPECT_EQ(raises.Take(), "OutOfBoundsException");
  EXPECT_EQ(memoryGetByte(four, 4), 0u);
  EXPECT_EQ(raises.Take(), "OutOfBoundsException");
  // Offsets whose sum with the width wraps in 32 bits: raised, never written.
  for (int32_t offset : {-1, 0x7FFFFFFC, 0x7FFFFFFF, INT32_MIN}) {
    memorySetLong(four, offset, -1);
    memorySetInt64(four, offset, -1);
    memorySetByte(four, offset, 0xFF);
    memorySetString(four, offset, 4, string("abcd").Storage());
    memorySetCString(four, offset, string("abc").Storage());
    memorySetPString(four, offset, string("ab").Storage());
    memorySetWString(four, offset, nullptr);
    memorySetColor(four, offset, 24, 0xFFFFFF);
    EXPECT_EQ(raises.Count("OutOfBoundsException"), 8) << offset;
    raises.Take();
  }
  memorySetString(four, 0, -1, nullptr);
  EXPECT_EQ(Text(memoryGetString(four, 0, -1, nullptr)), "");
  EXPECT_EQ(raises.Count("OutOfBoundsException"), 2);
  raises.Take();
  EXPECT_EQ(four.Bytes(), std::string("\x01\x02\x03\x04", 4));
  // No bytes at all, and no block.
  Block empty(0);
  EXPECT_EQ(memoryGetByte(empty, 0), 0u);
  EXPECT_EQ(raises.Take(), "OutOfBoundsException");
  EXPECT_EQ(memoryGetLong(nullptr, 0), 0);
  EXPECT_EQ(raises.Take(), "NilObjectException");
}

TEST(MemoryBlock, ByteOrderAndColourLayouts) {
  RaiseCapture raises;
  Block block(8);
  block->littleEndian = 0;
  memorySetLong(block, 0, 1);
  EXPECT_EQ(block.Bytes().substr(0, 4), std::string("\0\0\0\1", 4));
  std::memcpy(block->data, "\x01\x02\x03", 3);
  EXPECT_EQ(memoryGetColor(block, 0, 24), 0x010203u);
  block->littleEndian = 1;
  EXPECT_EQ(memoryGetColor(block, 0, 24), 0x030201u);
  memorySetColor(block, 4, 24, 0x0A0B0C);
  EXPECT_EQ(block.Bytes().substr(4, 3), "\x0C\x0B\x0A");
  // 16 bits: 5 per component, read back in the top of each byte.
  memorySetColor(block, 0, 16, 0xFF8840);
  EXPECT_EQ(memoryGetUInt16(block, 0), (31u << 10) | (17u << 5) | 8u);
  EXPECT_EQ(memoryGetColor(block, 0, 16), 0xF88840u);
  // 32 bits: the top byte is written 0 and ignored when read.
  memorySetColor(block, 0, 32, 0xFF123456);
  EXPECT_EQ(memoryGetUInt32(block, 0), 0x123456u);
  memorySetUInt32(block, 0, 0xAB654321);
  EXPECT_EQ(memoryGetColor(block, 0, 32), 0x654321u);
  memorySetColor(block, 0, 8, 0xFFFFFF);
  EXPECT_EQ(memoryGetColor(block, 0, 12), 0u);
  EXPECT_EQ(memoryGetUInt32(block, 0), 0xAB654321u);
  EXPECT_EQ(memoryGetColor(block, 6, 24), 0u);  // 3 bytes from 6 do not fit in 8
  EXPECT_EQ(raises.Take(), "OutOfBoundsException");
}

TEST(MemoryBlock, StringLayouts) {
  RaiseCapture raises;
  Block four(4);
  std::memcpy(four->data, "\x03xyz", 4);
  EXPECT_EQ(Text(memoryGetPString(four, 0)), "xyz");
  four->data[0] = 4;
  EXPECT_EQ(Text(memoryGetPString(four, 0)), "");
  EXPECT_EQ(raises.Take(), "OutOfBoundsException");
  // A PString keeps at most 255 bytes and says so in its length byte.
  Block big(400);
  std::string long300(300, 'a');
  for (int i = 0; i < 300; ++i) long300[size_t(i)] = char('a' + i % 26);
  memorySetPString(big, 10, string(long300.c_str()).Storage());
  EXPECT_EQ(big->data[10], 255);
  EXPECT_EQ(Text(memoryGetPString(big, 10)), long300.substr(0, 255));
  EXPECT_EQ(big->data[10 + 256], 0);
  // CString: up to the NUL, or the block's end.
  memorySetCString(four, 0, string("ab").Storage());
  EXPECT_EQ(four.Bytes(), std::string("ab\0z", 4));
  memorySetCString(four, 1, string("abc").Storage());
  EXPECT_EQ(raises.Take(), "OutOfBoundsException");
  std::memcpy(four->data, "wxyz", 4);
  EXPECT_EQ(Text(memoryGetCString(four, 1)), "xyz");
  // WString: one 32-bit unit per character and a zero unit, in the block's order.
  Block wide(16);
  wide->littleEndian = 0;
  string text = string::FromBytes("h\0\xE9\0", 4, kEncodingUnicode16);
  memorySetWString(wide, 0, text.Storage());
  EXPECT_EQ(wide.Bytes().substr(0, 12), std::string("\0\0\0h\0\0\0\xE9\0\0\0\0", 12));
  string read = string::Adopt(memoryGetWString(wide, 0));
  EXPECT_EQ(read.Encoding(), kEncodingUnicode16);
  EXPECT_EQ(std::string(read.CString(), 4), std::string("h\0\xE9\0", 4));
  memorySetWString(wide, 4, text.Storage());  // needs 12 bytes from 4: fits
  memorySetWString(wide, 8, text.Storage());
  EXPECT_EQ(raises.Take(), "OutOfBoundsException");
  // StringValue: exactly length bytes, zero-filled on write, no encoding unless given.
  std::memset(big->data, 0xFF, 7);
  memorySetString(big, 0, 6, string("abc").Storage());
  EXPECT_EQ(big.Bytes().substr(0, 7), std::string("abc\0\0\0\xFF", 7));
  memorySetString(big, 0, 2, string("xyz").Storage());
  string value = string::Adopt(memoryGetString(big, 0, 4, nullptr));
  EXPECT_EQ(std::string(value.CString(), 4), std::string("xyc\0", 4));
  EXPECT_EQ(value.Encoding(), kEncodingNone);
  EXPECT_EQ(raises.Take(), "");
}

TEST(MemoryBlock, SizeConversionsArithmeticAndSlices) {
  RaiseCapture raises;
  EXPECT_EQ(newMemoryBlock(-1), nullptr);
  Block ten(10);
  for (int i = 0; i < 10; ++i) ten->data[i] = uint8_t(i);
  memoryBlockSetSize(ten, 0, 12);
  EXPECT_EQ(ten.Bytes(), std::string("\0\1\2\3\4\5\6\7\x08\x09\0\0", 12));
  memoryBlockSetSize(ten, 0, 10);
  memoryBlockSetSize(ten, 0, -5);
  EXPECT_EQ(raises.Take(), "OutOfBoundsException");
  // Memory short for large requests: the block keeps its bytes.
  auto previous = SetSystemAllocFunctionForTesting(
      [](size_t size) { return size >= 1000 ? nullptr : std::malloc(size); });
  memoryBlockSetSize(ten, 0, 1000);
  EXPECT_EQ(raises.Take(), "OutOfMemoryException");
  EXPECT_EQ(newMemoryBlock(5000), nullptr);
  memoryBlockNewConstructor(ten, 1000);
  SetSystemAllocFunctionForTesting(previous);
  EXPECT_EQ(raises.Take(), "OutOfMemoryException");
  EXPECT_EQ(ten->size, 10);
  Block mid(MemoryBlockMidB3(ten, -2, 5));
  EXPECT_EQ(mid.Bytes(), std::string("\0\1\2", 3));
  EXPECT_EQ(MemoryBlockMidB3(ten, 10, 1), nullptr);
  EXPECT_EQ(MemoryBlockMidB3(ten, INT32_MIN, INT32_MAX), nullptr);
  Block rest(MemoryBlockMidB2(ten, 7));
  EXPECT_EQ(rest.Bytes(), "\x07\x08\x09");
  Block right(MemoryBlockRightB(ten, 2));
  EXPECT_EQ(right.Bytes(), "\x08\x09");
  ten->littleEndian = 0;
  Block left(MemoryBlockLeftB(ten, 100));
  EXPECT_EQ(left->size, 10);
  EXPECT_EQ(left->littleEndian, 0);
  Block sum(MemoryBlockAddOperator(rest, right));
  EXPECT_EQ(sum.Bytes(), "\x07\x08\x09\x08\x09");
  Block fromText(newMemoryBlock(0));
  MemoryBlockFromStringOperator(fromText, string("hello").Storage());
  EXPECT_EQ(Text(MemoryBlockToStringOperator(fromText)), "hello");
  memoryBlockSetSize(fromText, 0, 0);
  EXPECT_EQ(fromText->data, nullptr);
  EXPECT_EQ(memoryBlockGetSize(fromText, 0), 0);
  // Ptr: a foreign block on the stored address, and the Data of a block stored.
  memorySetPtr(ten, 0, sum);
  Block pointed(memoryGetPtr(ten, 0));
  EXPECT_EQ(pointed->data, sum->data);
  EXPECT_EQ(memoryBlockGetSize(pointed, 0), -1);
  memorySetPtr(ten, 0, nullptr);
  EXPECT_EQ(memoryGetPtr(ten, 0), nullptr);
  EXPECT_EQ(raises.Take(), "");
}

TEST(MemoryBlock, CompareTable) {
  Block empty(0), a(3), b(3), shorter(2), zero(0);
  std::memcpy(a->data, "abc", 3);
  std::memcpy(b->data, "abd", 3);
  std::memcpy(shorter->data, "ab", 2);
  char bytes[] = "xy";
  Block foreign(PtrToMemoryBlock(bytes));
  Block sameData(PtrToMemoryBlock(a->data));
  const struct {
    MemoryBlockObject *left, *right;
    int sign;
  } rows[] = {
      {a, a, 0},          {nullptr, nullptr, 0}, {foreign, nullptr, -1}, {nullptr, foreign, -1},
      {nullptr, a, -1},   {nullptr, empty, 0},   {empty, nullptr, 0},    {a, nullptr, 1},
      {a, sameData, 0},   {empty, a, -1},        {a, zero, 1},           {empty, zero, 0},
      {foreign, a, -1},   {a, b, -1},            {b, a, 1},              {shorter, a, -1},
      {a, shorter, 1},
  };
  for (const auto& row : rows) {
    const int32_t result = MemoryBlockCompareOperator(row.left, row.right);
    EXPECT_EQ((result > 0) - (result < 0), row.sign) << (&row - rows);
  }
  EXPECT_EQ(MemoryBlockCompareOperator(a, b), 'c' - 'd');
}

// A foreign block has no size: nothing is checked, and -1 is its size.
TEST(MemoryBlock, ForeignBlocksAreUnchecked) {
  RaiseCapture raises;
  uint8_t buffer[64] = {};
  Block foreign(PtrToMemoryBlock(buffer + 32));
  EXPECT_EQ(memoryBlockGetSize(foreign, 0), -1);
  memorySetLong(foreign, 20, 0x11223344);
  memorySetByte(foreign, -32, 0x7F);
  EXPECT_EQ(memoryGetLong(foreign, 20), 0x11223344);
  EXPECT_EQ(buffer[0], 0x7F);
  std::memcpy(buffer + 40, "text", 5);
  EXPECT_EQ(Text(memoryGetCString(foreign, 8)), "text");
  EXPECT_EQ(Text(MemoryBlockToStringOperator(foreign)), "");
  EXPECT_EQ(raises.Take(), "");
  Block noData(PtrToMemoryBlock(nullptr));
  EXPECT_EQ(memoryGetLong(noData, 0), 0);
  EXPECT_EQ(raises.Take(), "OutOfBoundsException");
  // Sizing a foreign block makes it an owned block of zero bytes, the foreign memory untouched.
  memoryBlockSetSize(foreign, 0, 4);
  EXPECT_EQ(memoryBlockGetSize(foreign, 0), 4);
  EXPECT_EQ(foreign.Bytes(), std::string(4, '\0'));
  Block again(PtrToMemoryBlock(buffer + 32));
  EXPECT_EQ(memoryGetLong(again, 20), 0x11223344);
}

}  // namespace
