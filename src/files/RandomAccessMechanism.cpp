#include "files/RandomAccessMechanism.h"

#include <cstring>

#include "core/ByteOrder.h"

namespace {

constexpr int32_t kMaxPStringLength = 255;
constexpr int32_t kMaxVarIntBytes = 5;
constexpr uint8_t kVarIntMore = 0x80;
constexpr uint8_t kVarIntNegative = 0x40;
constexpr uint32_t kVarIntFirstBits = 6;
constexpr uint32_t kVarIntLaterBits = 7;

}  // namespace

intptr_t RandomAccessMechanism::GetHandle(int32_t) { return -1; }

bool RandomAccessMechanism::SetScrambled(bool on) {
  const bool was = scrambled != 0;
  if (on && !was) scrambleKey = 0xFF;
  scrambled = on ? 1 : 0;
  return was;
}

void RandomAccessMechanism::ScrambleStored(uint8_t* bytes, int32_t count) {
  if (!scrambled) return;
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t plain = bytes[i];
    bytes[i] = static_cast<uint8_t>(plain ^ scrambleKey);
    scrambleKey ^= plain;
  }
}

void RandomAccessMechanism::UnscrambleRead(uint8_t* bytes, int32_t count) {
  if (!scrambled) return;
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t plain = static_cast<uint8_t>(bytes[i] ^ scrambleKey);
    bytes[i] = plain;
    scrambleKey ^= plain;
  }
}

bool RandomAccessMechanism::ReadExactly(void* buffer, int32_t count) {
  int32_t got = 0;
  return Read(buffer, count, &got) && got == count;
}

bool RandomAccessMechanism::WriteByte(uint8_t value) { return Write(&value, 1); }

bool RandomAccessMechanism::WriteUInt16(uint16_t value) {
  if (byteSwap) value = static_cast<uint16_t>(ByteSwap16(value));
  return Write(&value, sizeof value);
}

bool RandomAccessMechanism::WriteUInt32(uint32_t value) {
  if (byteSwap) value = ByteSwap32(value);
  return Write(&value, sizeof value);
}

// Reversed in memory, never through a floating-point register, so every bit pattern survives.
bool RandomAccessMechanism::WriteDouble(double value) {
  unsigned char bytes[sizeof value];
  std::memcpy(bytes, &value, sizeof value);
  if (byteSwap && swapDoubles) swapBytes(bytes, sizeof bytes);
  return Write(bytes, sizeof bytes);
}

bool RandomAccessMechanism::WritePString(const string& text) {
  const int32_t n = text.Length() < kMaxPStringLength ? text.Length() : kMaxPStringLength;
  unsigned char bytes[1 + kMaxPStringLength];
  bytes[0] = static_cast<unsigned char>(n);
  std::memcpy(bytes + 1, text.Bytes(), static_cast<size_t>(n));
  return Write(bytes, 1 + n);
}

bool RandomAccessMechanism::WriteLine(const string& text) {
  string line = text + '\n';
  return Write(line.Bytes(), line.Length());
}

bool RandomAccessMechanism::WriteVarInt(int32_t value) {
  const bool negative = value < 0 && value != INT32_MIN;
  // 64 bits, so that the last shift (34) is defined.
  const uint64_t magnitude = negative ? static_cast<uint32_t>(-int64_t{value})
                                      : static_cast<uint32_t>(value);
  uint8_t bytes[kMaxVarIntBytes];
  int32_t n = 0;
  bytes[n++] = static_cast<uint8_t>((magnitude & 0x3F) | (negative ? kVarIntNegative : 0));
  for (uint32_t shift = kVarIntFirstBits; magnitude >> shift; shift += kVarIntLaterBits) {
    bytes[n - 1] |= kVarIntMore;
    bytes[n++] = static_cast<uint8_t>((magnitude >> shift) & 0x7F);
  }
  return Write(bytes, n);
}

bool RandomAccessMechanism::ReadByte(uint8_t* value) { return ReadExactly(value, 1); }

bool RandomAccessMechanism::ReadUInt16(uint16_t* value) {
  if (!ReadExactly(value, sizeof *value)) return false;
  if (byteSwap) *value = static_cast<uint16_t>(ByteSwap16(*value));
  return true;
}

bool RandomAccessMechanism::ReadUInt32(uint32_t* value) {
  if (!ReadExactly(value, sizeof *value)) return false;
  if (byteSwap) *value = ByteSwap32(*value);
  return true;
}

bool RandomAccessMechanism::ReadDouble(double* value) {
  unsigned char bytes[sizeof *value];
  if (!ReadExactly(bytes, sizeof bytes)) return false;
  if (byteSwap && swapDoubles) swapBytes(bytes, sizeof bytes);
  std::memcpy(value, bytes, sizeof bytes);
  return true;
}

bool RandomAccessMechanism::ReadPString(string* text) {
  text->Release();
  uint8_t n = 0;
  if (!ReadByte(&n)) return false;
  // Only the bytes that came: a short stream never leaves stale buffer bytes in the text.
  unsigned char bytes[kMaxPStringLength];
  int32_t got = 0;
  const bool read = Read(bytes, n, &got);
  *text = string::FromBytes(bytes, got, kEncodingNone);
  return read;
}

// At most five bytes: a stream whose fifth byte still says "more" is corrupt and refused.
bool RandomAccessMechanism::ReadVarInt(int32_t* value) {
  uint8_t byte = 0;
  if (!ReadByte(&byte)) return false;
  const bool negative = (byte & kVarIntNegative) != 0;
  uint64_t magnitude = byte & 0x3F;
  uint32_t shift = kVarIntFirstBits;
  for (int32_t count = 1; byte & kVarIntMore; ++count, shift += kVarIntLaterBits) {
    if (count == kMaxVarIntBytes || !ReadByte(&byte)) return false;
    magnitude |= uint64_t{byte & 0x7Fu} << shift;
  }
  const uint32_t bits = static_cast<uint32_t>(magnitude);
  *value = bits == 0x80000000u ? INT32_MIN
                               : static_cast<int32_t>(negative ? 0u - bits : bits);
  return true;
}
