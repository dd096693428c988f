// What the memory back ends (FileHandle, FilePtr and its string form) share: a range of bytes
// read from a 32-bit position that never passes the range's length. Lengths and positions
// stay below 2^31; every sum that could pass that is formed in 64 bits first.
#pragma once

#include <cstdint>

// The most bytes a memory back end holds.
constexpr int64_t kMaxMemoryMechanismLength = 0x7FFFFFFF;

// Copies up to count bytes from data + *position (the range holds length bytes) into buffer,
// advances *position and stores the count in *bytesRead (0 first; the pointer may be nil).
// A count of 0 succeeds; a read at or past the end, or a negative count, fails.
bool ReadMemoryRange(const uint8_t* data, int32_t length, int32_t* position, void* buffer,
                     int32_t count, int32_t* bytesRead);

// The position SetPosition gives: requested, or length when requested lies beyond it (a
// "negative" position, seen as unsigned, lies beyond it too).
inline int32_t PositionInRange(uint64_t requested, int32_t length) {
  return requested > static_cast<uint64_t>(length) ? length : static_cast<int32_t>(requested);
}
