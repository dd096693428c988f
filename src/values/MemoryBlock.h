// MemoryBlock: raw memory as a language object. A block either owns its bytes (made with a
// size, from a string, or by arithmetic on blocks) or wraps a foreign pointer whose size nobody
// knows; only owned blocks are bounds-checked, the caller answers for foreign memory.
//
// Every typed read or write of width w at offset o:
//   - a block without bytes (owned or foreign) raises OutOfBoundsException;
//   - an owned block needs 0 <= o and o + w <= Size, computed in 64 bits, else it raises;
//   - multi-byte values are reversed when the block's LittleEndian differs from the platform's
//     order (little-endian).
// A raising accessor writes nothing and reads 0, nil or the empty string.
//
// Invariants: an owned block has Data exactly when Size > 0, and Size never exceeds 2^31 - 1;
// a foreign block has Size 0 and reports -1 as its size.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

struct stringStorage;
struct TextEncodingObject;

struct MemoryBlockObject {
  RuntimeObject header;
  int32_t size;          // bytes of an owned block; 0 for a foreign one
  uint8_t* data;         // nil for an empty owned block
  uint8_t owned;         // 1: Data is ours and Size is known
  uint8_t littleEndian;  // byte order of multi-byte values; 1 for every new block
};
static_assert(sizeof(MemoryBlockObject) == 36, "MemoryBlock instances are read by compiled code");
static_assert(offsetof(MemoryBlockObject, size) == 24, "MemoryBlockObject layout");
static_assert(offsetof(MemoryBlockObject, data) == 28, "MemoryBlockObject layout");
static_assert(offsetof(MemoryBlockObject, owned) == 32, "MemoryBlockObject layout");
static_assert(offsetof(MemoryBlockObject, littleEndian) == 33, "MemoryBlockObject layout");

constexpr int64_t kMaxMemoryBlockSize = 0x7FFFFFFF;

ObjectDefinition* MemoryBlockClassDefinition();

// Resizes as the Size property does (copying what fits, zero-filling the rest, a foreign block
// becoming owned), without raising: false, leaving the block unchanged, for a negative size or
// when memory is short.
bool ResizeMemoryBlock(MemoryBlockObject* block, int32_t size);

// True when width bytes at offset may be read or written under the access rule above. The
// sum is formed so that it cannot wrap: offset + width against Size in 64 bits.
inline bool MemoryBlockAccessible(const MemoryBlockObject* block, int32_t offset, int64_t width) {
  if (!block || !block->data) return false;
  return !block->owned || (offset >= 0 && width <= block->size - int64_t{offset});
}
// The same for a small fixed width. For an owned block the bounds alone decide, since it has
// its bytes whenever its size is not 0. The end of the range, offset + Width, is formed in 32
// bits unsigned, where a negative offset either wraps (caught by the carry) or lies beyond any
// size; it is set when the range lies within the block, and the bytes are at data + end - Width
// (addressing by the end keeps the offset's register free in the leaf accessors).
template <int32_t Width>
inline bool OwnedBlockHolds(const MemoryBlockObject* block, int32_t offset, uint32_t& end) {
  if (__builtin_add_overflow(static_cast<uint32_t>(offset), uint32_t{Width}, &end)) return false;
  return end <= static_cast<uint32_t>(block->size);
}
template <int32_t Width>
inline bool MemoryBlockAccessible(const MemoryBlockObject* block, int32_t offset) {
  if (!block) [[unlikely]] return false;
  if (!block->owned) [[unlikely]] return block->data != nullptr;
  uint32_t end;
  return OwnedBlockHolds<Width>(block, offset, end);
}
// Raises what the access rule raises for the block (NilObjectException for nil, else
// OutOfBoundsException) and answers nil.
[[gnu::visibility("hidden"), gnu::cold]] uint8_t* MemoryBlockRefusedAccess(
    const MemoryBlockObject* block);
// The address of width bytes at offset, or nil after raising.
inline uint8_t* MemoryBlockBytesAt(MemoryBlockObject* block, int32_t offset, int64_t width) {
  if (!MemoryBlockAccessible(block, offset, width)) return MemoryBlockRefusedAccess(block);
  return block->data + offset;
}

extern "C" {
void MemoryBlockInitializer(MemoryBlockObject* block);
void MemoryBlockFinalizer(MemoryBlockObject* block);

// An owned, zero-filled block; nil for a negative size or when memory is short.
MemoryBlockObject* newMemoryBlock(int32_t size);
// A foreign block on pointer.
MemoryBlockObject* PtrToMemoryBlock(void* pointer);
void* memoryBlockGetPtr(MemoryBlockObject* block);
// Size of an owned block, -1 for a foreign one.
int32_t memoryBlockGetSize(MemoryBlockObject* block, uint32_t parameter);
void memoryBlockSetSize(MemoryBlockObject* block, uint32_t parameter, int32_t size);

// Constructor and conversions.
void memoryBlockNewConstructor(MemoryBlockObject* block, int32_t size);
stringStorage* MemoryBlockToStringOperator(MemoryBlockObject* block);
void MemoryBlockFromStringOperator(MemoryBlockObject* block, stringStorage* text);
void ConvertPtrToMemoryBlock(MemoryBlockObject* block, void* pointer);
MemoryBlockObject* MemoryBlockAddOperator(MemoryBlockObject* a, MemoryBlockObject* b);
int32_t MemoryBlockCompareOperator(MemoryBlockObject* a, MemoryBlockObject* b);
MemoryBlockObject* MemoryBlockLeftB(MemoryBlockObject* block, int32_t count);
MemoryBlockObject* MemoryBlockMidB2(MemoryBlockObject* block, int32_t start);
MemoryBlockObject* MemoryBlockMidB3(MemoryBlockObject* block, int32_t start, int32_t count);
MemoryBlockObject* MemoryBlockRightB(MemoryBlockObject* block, int32_t count);

// Numbers; narrow values travel widened to a word.
int32_t memoryGetLong(MemoryBlockObject* block, int32_t offset);
void memorySetLong(MemoryBlockObject* block, int32_t offset, int32_t value);
uint32_t memoryGetUInt32(MemoryBlockObject* block, int32_t offset);
void memorySetUInt32(MemoryBlockObject* block, int32_t offset, uint32_t value);
int32_t memoryGetShort(MemoryBlockObject* block, int32_t offset);
int32_t memoryGetInt16(MemoryBlockObject* block, int32_t offset);
void memorySetShort(MemoryBlockObject* block, int32_t offset, int32_t value);
void memorySetInt16(MemoryBlockObject* block, int32_t offset, int32_t value);
uint32_t memoryGetUShort(MemoryBlockObject* block, int32_t offset);
uint32_t memoryGetUInt16(MemoryBlockObject* block, int32_t offset);
void memorySetUInt16(MemoryBlockObject* block, int32_t offset, uint32_t value);
uint32_t memoryGetByte(MemoryBlockObject* block, int32_t offset);
uint32_t memoryGetUInt8(MemoryBlockObject* block, int32_t offset);
void memorySetByte(MemoryBlockObject* block, int32_t offset, uint32_t value);
void memorySetUInt8(MemoryBlockObject* block, int32_t offset, uint32_t value);
int32_t memoryGetInt8(MemoryBlockObject* block, int32_t offset);
void memorySetInt8(MemoryBlockObject* block, int32_t offset, int32_t value);
int64_t memoryGetInt64(MemoryBlockObject* block, int32_t offset);
void memorySetInt64(MemoryBlockObject* block, int32_t offset, int64_t value);
uint64_t memoryGetUInt64(MemoryBlockObject* block, int32_t offset);
void memorySetUInt64(MemoryBlockObject* block, int32_t offset, uint64_t value);
float memoryGetSingle(MemoryBlockObject* block, int32_t offset);
void memorySetSingle(MemoryBlockObject* block, int32_t offset, float value);
double memoryGetDouble(MemoryBlockObject* block, int32_t offset);
void memorySetDouble(MemoryBlockObject* block, int32_t offset, double value);
int32_t memoryGetBoolean(MemoryBlockObject* block, int32_t offset);
void memorySetBoolean(MemoryBlockObject* block, int32_t offset, int32_t value);
// A foreign block on the stored pointer (nil for 0); stores the Data of value (0 for nil).
MemoryBlockObject* memoryGetPtr(MemoryBlockObject* block, int32_t offset);
void memorySetPtr(MemoryBlockObject* block, int32_t offset, MemoryBlockObject* value);
// 0xRRGGBB in 16 (5-5-5), 24 or 32 bits; any other bits value reads 0 and writes nothing.
uint32_t memoryGetColor(MemoryBlockObject* block, int32_t offset, int32_t bits);
void memorySetColor(MemoryBlockObject* block, int32_t offset, int32_t bits, uint32_t color);

// Strings (read ones carry no encoding unless one is given).
stringStorage* memoryGetPString(MemoryBlockObject* block, int32_t offset);
void memorySetPString(MemoryBlockObject* block, int32_t offset, stringStorage* text);
stringStorage* memoryGetCString(MemoryBlockObject* block, int32_t offset);
void memorySetCString(MemoryBlockObject* block, int32_t offset, stringStorage* text);
stringStorage* memoryGetWString(MemoryBlockObject* block, int32_t offset);
void memorySetWString(MemoryBlockObject* block, int32_t offset, stringStorage* text);
stringStorage* memoryGetString(MemoryBlockObject* block, int32_t offset, int32_t length,
                               TextEncodingObject* encoding);
void memorySetString(MemoryBlockObject* block, int32_t offset, int32_t length,
                     stringStorage* text);
}
