// MemoryBlock: strings in four layouts (length-prefixed, NUL-terminated, 32-bit units, fixed
// length). Every length that decides a bound is added to the offset in 64 bits. Strings read
// from a block carry no encoding unless the caller names one.
#include <cstring>
#include <vector>

#include "core/Export.h"
#include "values/MemoryBlock.h"
#include "core/RaiseException.h"
#include "strings/RuntimeString.h"
#include "strings/TextEncodingObjects.h"

namespace {

constexpr int32_t kMaxPStringLength = 255;

// The bytes from at up to the first NUL, and for an owned block at most up to its end.
int64_t CStringLength(const MemoryBlockObject* block, const uint8_t* at) {
  if (!block->owned) return static_cast<int64_t>(std::strlen(reinterpret_cast<const char*>(at)));
  const size_t room = static_cast<size_t>(block->data + block->size - at);
  const void* nul = std::memchr(at, 0, room);
  return nul ? static_cast<const uint8_t*>(nul) - at : static_cast<int64_t>(room);
}

uint32_t UnitAt(const MemoryBlockObject* block, const uint8_t* at) {
  uint32_t unit;
  std::memcpy(&unit, at, sizeof unit);
  return block->littleEndian ? unit : __builtin_bswap32(unit);
}

void StoreUnit(const MemoryBlockObject* block, uint8_t* at, uint32_t unit) {
  if (!block->littleEndian) unit = __builtin_bswap32(unit);
  std::memcpy(at, &unit, sizeof unit);
}

stringStorage* Bytes(const uint8_t* at, int64_t count, TextEncoding encoding) {
  return string::FromBytes(at, count, encoding).ExtractStringStorage();
}

}  // namespace

extern "C" {

stringStorage* memoryGetPString(MemoryBlockObject* block, int32_t offset) {
  const uint8_t* at = MemoryBlockBytesAt(block, offset, 1);
  if (!at) return nullptr;
  if (!MemoryBlockBytesAt(block, offset, 1 + int64_t{at[0]})) return nullptr;
  return Bytes(at + 1, at[0], kEncodingNone);
}
QV_EXPORT(memoryGetPString)

// At most 255 bytes, with a length byte that says how many: a longer string keeps its head.
void memorySetPString(MemoryBlockObject* block, int32_t offset, stringStorage* text) {
  const int32_t length = stringStorage::Length(text);
  const int32_t stored = length < kMaxPStringLength ? length : kMaxPStringLength;
  uint8_t* at = MemoryBlockBytesAt(block, offset, 1 + int64_t{stored});
  if (!at) return;
  at[0] = static_cast<uint8_t>(stored);
  std::memcpy(at + 1, stringStorage::CString(text), static_cast<size_t>(stored));
}
QV_EXPORT(memorySetPString)

stringStorage* memoryGetCString(MemoryBlockObject* block, int32_t offset) {
  const uint8_t* at = MemoryBlockBytesAt(block, offset, 1);
  if (!at) return nullptr;
  return Bytes(at, CStringLength(block, at), kEncodingNone);
}
QV_EXPORT(memoryGetCString)

void memorySetCString(MemoryBlockObject* block, int32_t offset, stringStorage* text) {
  const int64_t length = stringStorage::Length(text);
  uint8_t* at = MemoryBlockBytesAt(block, offset, length + 1);
  if (!at) return;
  std::memcpy(at, stringStorage::CString(text), static_cast<size_t>(length));
  at[length] = 0;
}
QV_EXPORT(memorySetCString)

// 32-bit units up to a zero unit (for an owned block, up to its last whole unit); the low 16
// bits of each are one character of a 16-bit Unicode string.
stringStorage* memoryGetWString(MemoryBlockObject* block, int32_t offset) {
  const uint8_t* at = MemoryBlockBytesAt(block, offset, 1);
  if (!at) return nullptr;
  const int64_t units = block->owned ? (block->size - int64_t{offset}) / 4 : INT64_MAX;
  std::vector<uint32_t> characters;
  for (int64_t i = 0; i < units; ++i) {
    const uint32_t unit = UnitAt(block, at + 4 * i);
    if (unit == 0) break;
    characters.push_back(unit);
  }
  string text;
  if (!text.ConstructFromWString(characters.data(), static_cast<int64_t>(characters.size()))) {
    return nullptr;
  }
  return text.ExtractStringStorage();
}
QV_EXPORT(memoryGetWString)

void memorySetWString(MemoryBlockObject* block, int32_t offset, stringStorage* text) {
  const string unicode = string(text).GetUTF16String();
  const int64_t characters = unicode.Length() / 2;
  uint8_t* at = MemoryBlockBytesAt(block, offset, 4 * characters + 4);
  if (!at) return;
  const UTF16Unit* units = characters > 0 ? unicode.WString() : nullptr;
  for (int64_t i = 0; i < characters; ++i) StoreUnit(block, at + 4 * i, units[i]);
  StoreUnit(block, at + 4 * characters, 0);
}
QV_EXPORT(memorySetWString)

stringStorage* memoryGetString(MemoryBlockObject* block, int32_t offset, int32_t length,
                               TextEncodingObject* encoding) {
  if (length < 0) {
    RaiseOutOfBoundsException();
    return nullptr;
  }
  const uint8_t* at = MemoryBlockBytesAt(block, offset, length);
  if (!at) return nullptr;
  return Bytes(at, length, GetEncodingFromTEObject(encoding));
}
QV_EXPORT(memoryGetString)

// The string's bytes, at most length of them, then zero bytes up to length.
void memorySetString(MemoryBlockObject* block, int32_t offset, int32_t length,
                     stringStorage* text) {
  if (length < 0) {
    RaiseOutOfBoundsException();
    return;
  }
  uint8_t* at = MemoryBlockBytesAt(block, offset, length);
  if (!at) return;
  const int32_t copied = stringStorage::Length(text) < length ? stringStorage::Length(text) : length;
  std::memcpy(at, stringStorage::CString(text), static_cast<size_t>(copied));
  std::memset(at + copied, 0, static_cast<size_t>(length - copied));
}
QV_EXPORT(memorySetString)

}  // extern "C"
