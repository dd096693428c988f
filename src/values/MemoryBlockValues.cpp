// MemoryBlock: the numeric, Boolean, pointer and colour accessors. Each goes through one load
// or store template, so the access rule and the byte-order step are written once: an owned
// block in the platform's order is served inline with its bounds alone, every other block by
// the full rule out of line. Built as a leaf accessor (see CMakeLists.txt): nothing here may
// call outside the framework.
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "core/Export.h"
#include "values/MemoryBlock.h"

namespace {

uint8_t ReversedBits(uint8_t bits) { return bits; }
uint16_t ReversedBits(uint16_t bits) { return __builtin_bswap16(bits); }
uint32_t ReversedBits(uint32_t bits) { return __builtin_bswap32(bits); }
uint64_t ReversedBits(uint64_t bits) { return __builtin_bswap64(bits); }

// The value with its bytes in the other order, through its bit pattern.
template <typename T>
T Reversed(T value) {
  using Bits = std::conditional_t<sizeof(T) == 1, uint8_t,
               std::conditional_t<sizeof(T) == 2, uint16_t,
               std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>>;
  return std::bit_cast<T>(ReversedBits(std::bit_cast<Bits>(value)));
}

// The platform's own order: values lie in memory as they are when the block agrees with it.
constexpr uint8_t kPlatformLittleEndian = std::endian::native == std::endian::little ? 1 : 0;

// The flag bytes of an owned block in the platform's order, read as one 16-bit word: the case
// that matters for speed is then told apart with one load and one comparison.
constexpr uint16_t kOwnedInPlatformOrder =
    std::bit_cast<uint16_t>(std::array<uint8_t, 2>{1, kPlatformLittleEndian});
static_assert(offsetof(MemoryBlockObject, littleEndian) == offsetof(MemoryBlockObject, owned) + 1);

inline bool OwnedInPlatformOrder(const MemoryBlockObject* block) {
  uint16_t flags;
  std::memcpy(&flags, &block->owned, sizeof flags);
  return flags == kOwnedInPlatformOrder;
}

// Narrow integers travel widened to a word; the whole load path answers in that type, so that
// an accessor reaches its slow path by a tail jump and stays free of a frame.
template <typename T>
using Widened = std::conditional_t<
    std::is_integral_v<T> && sizeof(T) < 4,
    std::conditional_t<std::is_signed_v<T>, int32_t, uint32_t>, T>;

template <typename T>
T LoadAt(const uint8_t* at) {
  T value;
  std::memcpy(&value, at, sizeof(T));
  return value;
}

// Everything but an owned block in the platform's order, and every refusal, lives in separate
// functions that the accessors reach by a tail jump, so that the accessors themselves call
// nothing and need no frame of their own.
template <typename T>
[[gnu::noinline, gnu::cold]] Widened<T> RefusedLoad(const MemoryBlockObject* block) {
  MemoryBlockRefusedAccess(block);
  return 0;
}

[[gnu::noinline, gnu::cold]] void RefusedStore(const MemoryBlockObject* block) {
  MemoryBlockRefusedAccess(block);
}

template <typename T>
[[gnu::noinline]] Widened<T> LoadByTheFullRule(MemoryBlockObject* block, int32_t offset) {
  if (!MemoryBlockAccessible<sizeof(T)>(block, offset)) [[unlikely]] return RefusedLoad<T>(block);
  const T value = LoadAt<T>(block->data + offset);
  return block->littleEndian == kPlatformLittleEndian ? value : Reversed(value);
}

template <typename T>
[[gnu::noinline]] void StoreByTheFullRule(MemoryBlockObject* block, int32_t offset, T value) {
  if (!MemoryBlockAccessible<sizeof(T)>(block, offset)) [[unlikely]] return RefusedStore(block);
  if (block->littleEndian != kPlatformLittleEndian) value = Reversed(value);
  std::memcpy(block->data + offset, &value, sizeof(T));
}

template <typename T>
inline Widened<T> Load(MemoryBlockObject* block, int32_t offset) {
  if (!block || !OwnedInPlatformOrder(block)) [[unlikely]] {
    return LoadByTheFullRule<T>(block, offset);
  }
  uint32_t end;
  if (!OwnedBlockHolds<sizeof(T)>(block, offset, end)) [[unlikely]] return RefusedLoad<T>(block);
  return LoadAt<T>(block->data + end - sizeof(T));
}

template <typename T>
inline void Store(MemoryBlockObject* block, int32_t offset, T value) {
  if (!block || !OwnedInPlatformOrder(block)) [[unlikely]] {
    return StoreByTheFullRule<T>(block, offset, value);
  }
  uint32_t end;
  if (!OwnedBlockHolds<sizeof(T)>(block, offset, end)) [[unlikely]] return RefusedStore(block);
  std::memcpy(block->data + end - sizeof(T), &value, sizeof(T));
}

// 5 bits of a 16-bit colour widened into the top of its byte, and back.
uint32_t Widen5(uint32_t field) { return (field & 0x1F) << 3; }
uint32_t Narrow5(uint32_t component) { return (component >> 3) & 0x1F; }

uint32_t Rgb(uint32_t red, uint32_t green, uint32_t blue) {
  return (red << 16) | (green << 8) | blue;
}

}  // namespace

extern "C" {

int32_t memoryGetLong(MemoryBlockObject* block, int32_t offset) {
  return Load<int32_t>(block, offset);
}
QV_EXPORT(memoryGetLong)

void memorySetLong(MemoryBlockObject* block, int32_t offset, int32_t value) {
  Store<int32_t>(block, offset, value);
}
QV_EXPORT(memorySetLong)

uint32_t memoryGetUInt32(MemoryBlockObject* block, int32_t offset) {
  return Load<uint32_t>(block, offset);
}
QV_EXPORT(memoryGetUInt32)

void memorySetUInt32(MemoryBlockObject* block, int32_t offset, uint32_t value) {
  Store<uint32_t>(block, offset, value);
}
QV_EXPORT(memorySetUInt32)

int32_t memoryGetShort(MemoryBlockObject* block, int32_t offset) {
  return Load<int16_t>(block, offset);
}
QV_EXPORT(memoryGetShort)

int32_t memoryGetInt16(MemoryBlockObject* block, int32_t offset) {
  return Load<int16_t>(block, offset);
}
QV_EXPORT(memoryGetInt16)

void memorySetShort(MemoryBlockObject* block, int32_t offset, int32_t value) {
  Store<uint16_t>(block, offset, static_cast<uint16_t>(value));
}
QV_EXPORT(memorySetShort)

void memorySetInt16(MemoryBlockObject* block, int32_t offset, int32_t value) {
  Store<uint16_t>(block, offset, static_cast<uint16_t>(value));
}
QV_EXPORT(memorySetInt16)

uint32_t memoryGetUShort(MemoryBlockObject* block, int32_t offset) {
  return Load<uint16_t>(block, offset);
}
QV_EXPORT(memoryGetUShort)

uint32_t memoryGetUInt16(MemoryBlockObject* block, int32_t offset) {
  return Load<uint16_t>(block, offset);
}
QV_EXPORT(memoryGetUInt16)

void memorySetUInt16(MemoryBlockObject* block, int32_t offset, uint32_t value) {
  Store<uint16_t>(block, offset, static_cast<uint16_t>(value));
}
QV_EXPORT(memorySetUInt16)

uint32_t memoryGetByte(MemoryBlockObject* block, int32_t offset) {
  return Load<uint8_t>(block, offset);
}
QV_EXPORT(memoryGetByte)

uint32_t memoryGetUInt8(MemoryBlockObject* block, int32_t offset) {
  return Load<uint8_t>(block, offset);
}
QV_EXPORT(memoryGetUInt8)

void memorySetByte(MemoryBlockObject* block, int32_t offset, uint32_t value) {
  Store<uint8_t>(block, offset, static_cast<uint8_t>(value));
}
QV_EXPORT(memorySetByte)

void memorySetUInt8(MemoryBlockObject* block, int32_t offset, uint32_t value) {
  Store<uint8_t>(block, offset, static_cast<uint8_t>(value));
}
QV_EXPORT(memorySetUInt8)

int32_t memoryGetInt8(MemoryBlockObject* block, int32_t offset) {
  return Load<int8_t>(block, offset);
}
QV_EXPORT(memoryGetInt8)

void memorySetInt8(MemoryBlockObject* block, int32_t offset, int32_t value) {
  Store<uint8_t>(block, offset, static_cast<uint8_t>(value));
}
QV_EXPORT(memorySetInt8)

int64_t memoryGetInt64(MemoryBlockObject* block, int32_t offset) {
  return Load<int64_t>(block, offset);
}
QV_EXPORT(memoryGetInt64)

void memorySetInt64(MemoryBlockObject* block, int32_t offset, int64_t value) {
  Store<int64_t>(block, offset, value);
}
QV_EXPORT(memorySetInt64)

uint64_t memoryGetUInt64(MemoryBlockObject* block, int32_t offset) {
  return Load<uint64_t>(block, offset);
}
QV_EXPORT(memoryGetUInt64)

void memorySetUInt64(MemoryBlockObject* block, int32_t offset, uint64_t value) {
  Store<uint64_t>(block, offset, value);
}
QV_EXPORT(memorySetUInt64)

float memoryGetSingle(MemoryBlockObject* block, int32_t offset) {
  return Load<float>(block, offset);
}
QV_EXPORT(memoryGetSingle)

void memorySetSingle(MemoryBlockObject* block, int32_t offset, float value) {
  Store<float>(block, offset, value);
}
QV_EXPORT(memorySetSingle)

double memoryGetDouble(MemoryBlockObject* block, int32_t offset) {
  return Load<double>(block, offset);
}
QV_EXPORT(memoryGetDouble)

void memorySetDouble(MemoryBlockObject* block, int32_t offset, double value) {
  Store<double>(block, offset, value);
}
QV_EXPORT(memorySetDouble)

int32_t memoryGetBoolean(MemoryBlockObject* block, int32_t offset) {
  return Load<uint8_t>(block, offset) != 0 ? 1 : 0;
}
QV_EXPORT(memoryGetBoolean)

void memorySetBoolean(MemoryBlockObject* block, int32_t offset, int32_t value) {
  Store<uint8_t>(block, offset, value ? 1 : 0);
}
QV_EXPORT(memorySetBoolean)

MemoryBlockObject* memoryGetPtr(MemoryBlockObject* block, int32_t offset) {
  const uint32_t address = Load<uint32_t>(block, offset);
  if (address == 0) return nullptr;
  return PtrToMemoryBlock(reinterpret_cast<void*>(static_cast<uintptr_t>(address)));
}
QV_EXPORT(memoryGetPtr)

void memorySetPtr(MemoryBlockObject* block, int32_t offset, MemoryBlockObject* value) {
  const void* address = value ? value->data : nullptr;
  Store<uint32_t>(block, offset, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(address)));
}
QV_EXPORT(memorySetPtr)

uint32_t memoryGetColor(MemoryBlockObject* block, int32_t offset, int32_t bits) {
  switch (bits) {
    case 16: {
      const uint32_t v = Load<uint16_t>(block, offset);
      return Rgb(Widen5(v >> 10), Widen5(v >> 5), Widen5(v));
    }
    case 24: {
      const uint8_t* at = MemoryBlockBytesAt(block, offset, 3);
      if (!at) return 0;
      return block->littleEndian ? Rgb(at[2], at[1], at[0]) : Rgb(at[0], at[1], at[2]);
    }
    case 32:
      return Load<uint32_t>(block, offset) & 0xFFFFFF;
    default:
      return 0;
  }
}
QV_EXPORT(memoryGetColor)

void memorySetColor(MemoryBlockObject* block, int32_t offset, int32_t bits, uint32_t color) {
  const uint32_t red = (color >> 16) & 0xFF, green = (color >> 8) & 0xFF, blue = color & 0xFF;
  switch (bits) {
    case 16:
      Store<uint16_t>(block, offset, static_cast<uint16_t>((Narrow5(red) << 10) |
                                                           (Narrow5(green) << 5) | Narrow5(blue)));
      return;
    case 24: {
      uint8_t* at = MemoryBlockBytesAt(block, offset, 3);
      if (!at) return;
      at[1] = static_cast<uint8_t>(green);
      at[0] = static_cast<uint8_t>(block->littleEndian ? blue : red);
      at[2] = static_cast<uint8_t>(block->littleEndian ? red : blue);
      return;
    }
    case 32:
      Store<uint32_t>(block, offset, color & 0xFFFFFF);
      return;
    default:
      return;
  }
}
QV_EXPORT(memorySetColor)

}  // extern "C"
