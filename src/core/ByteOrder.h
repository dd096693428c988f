// Byte-order reversal and big-endian loads and stores, for file formats and resources.
//
// The platform is little-endian. Addresses may have any alignment: every load and store goes
// through memcpy. A double that comes back in a floating-point register passes through the
// x87 unit, which quiets a signalling NaN; code that must keep arbitrary eight-byte patterns
// intact reverses them in memory with swapBytes or CopyBytesReversed instead.
#pragma once

#include <cstdint>

void swapBytes(void* buffer, int32_t count);  // reverses count bytes in place
uint32_t SwapUInt32(uint32_t value);
uint32_t ByteSwap32(uint32_t value);
int32_t SwapInt16(uint16_t value);  // reversed, then sign-extended from 16 bits
int32_t ByteSwap16(uint16_t value);
double ByteSwapDouble(double value);
double uhtond(double value);
uint16_t GetSwapped16(const void* address);
uint32_t GetSwapped32(const void* address);
double GetSwappedDouble(const void* address);
void nstoreshort(void* address, uint16_t value);  // stores the value reversed
void nstorelong(void* address, uint32_t value);
// destination[i] = source[count - 1 - i] (the two areas may overlap).
void CopyBytesReversed(void* destination, const void* source, int32_t count);
// Stores the two words of a double, low word first.
void StoreDoubleValue(void* address, uint32_t lowWord, uint32_t highWord);

// Big-endian loads and stores without the null check, inline for the file-format parsers'
// inner loops (page and record walks), whose addresses are always inside a buffer they own.
inline uint16_t LoadBigEndian16(const void* address) {
  uint16_t value;
  __builtin_memcpy(&value, address, sizeof value);
  return __builtin_bswap16(value);
}
inline uint32_t LoadBigEndian32(const void* address) {
  uint32_t value;
  __builtin_memcpy(&value, address, sizeof value);
  return __builtin_bswap32(value);
}
inline void StoreBigEndian16(void* address, uint16_t value) {
  value = __builtin_bswap16(value);
  __builtin_memcpy(address, &value, sizeof value);
}
inline void StoreBigEndian32(void* address, uint32_t value) {
  value = __builtin_bswap32(value);
  __builtin_memcpy(address, &value, sizeof value);
}
