#include "core/ByteOrder.h"

#include <cstring>

#include "core/RuntimeError.h"

namespace {

template <typename T>
T Load(const void* address) {
  T value;
  std::memcpy(&value, address, sizeof value);
  return value;
}

template <typename T>
void Store(void* address, T value) {
  std::memcpy(address, &value, sizeof value);
}

double Reversed(double value) {
  return __builtin_bit_cast(double, __builtin_bswap64(__builtin_bit_cast(uint64_t, value)));
}

}  // namespace

void swapBytes(void* buffer, int32_t count) {
  if (count < 2) return;
  if (!QV_CHECK(buffer)) return;
  auto* bytes = static_cast<uint8_t*>(buffer);
  for (int32_t front = 0, back = count - 1; front < back; ++front, --back) {
    uint8_t held = bytes[front];
    bytes[front] = bytes[back];
    bytes[back] = held;
  }
}

uint32_t SwapUInt32(uint32_t value) { return __builtin_bswap32(value); }
uint32_t ByteSwap32(uint32_t value) { return __builtin_bswap32(value); }

int32_t SwapInt16(uint16_t value) { return static_cast<int16_t>(__builtin_bswap16(value)); }
int32_t ByteSwap16(uint16_t value) { return SwapInt16(value); }

double ByteSwapDouble(double value) { return Reversed(value); }
double uhtond(double value) { return Reversed(value); }

uint16_t GetSwapped16(const void* address) {
  if (!QV_CHECK(address)) return 0;
  return __builtin_bswap16(Load<uint16_t>(address));
}

uint32_t GetSwapped32(const void* address) {
  if (!QV_CHECK(address)) return 0;
  return __builtin_bswap32(Load<uint32_t>(address));
}

double GetSwappedDouble(const void* address) {
  if (!QV_CHECK(address)) return 0.0;
  return Reversed(Load<double>(address));
}

void nstoreshort(void* address, uint16_t value) {
  if (!QV_CHECK(address)) return;
  Store(address, __builtin_bswap16(value));
}

void nstorelong(void* address, uint32_t value) {
  if (!QV_CHECK(address)) return;
  Store(address, __builtin_bswap32(value));
}

void CopyBytesReversed(void* destination, const void* source, int32_t count) {
  if (count <= 0) return;
  if (!QV_CHECK(destination && source)) return;
  // Copy first, then reverse in place: right even when the two areas overlap.
  std::memmove(destination, source, static_cast<size_t>(count));
  swapBytes(destination, count);
}

void StoreDoubleValue(void* address, uint32_t lowWord, uint32_t highWord) {
  if (!QV_CHECK(address)) return;
  const uint32_t words[2] = {lowWord, highWord};
  std::memcpy(address, words, sizeof words);
}
