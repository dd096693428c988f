// UTF-8 encoding, decoding and character walking over raw bytes (see UTF8.h for the rules).
#include "strings/UTF8.h"

namespace {

constexpr int32_t kLargestEncodableCode = 0x1FFFFF;

unsigned char ContinuationByte(int32_t code, int shift) {
  return static_cast<unsigned char>(0x80 | ((code >> shift) & 0x3F));
}

// Payload bits of the lead byte of a sequence of the given length.
uint32_t LeadBits(unsigned char lead, int32_t length) {
  switch (length) {
    case 1:
      return lead;
    case 2:
      return lead & 0x1F;
    case 3:
      return lead & 0x0F;
    default:
      return lead & 0x07;
  }
}

}  // namespace

int32_t UTF8Encode(int32_t code, char* buffer) {
  auto* out = reinterpret_cast<unsigned char*>(buffer);
  int32_t count = 0;
  if (code < 0 || code > kLargestEncodableCode) {
    out[0] = 0;
    return 0;
  }
  if (code < 0x80) {
    out[count++] = static_cast<unsigned char>(code);
  } else if (code < 0x800) {
    out[count++] = static_cast<unsigned char>(0xC0 | (code >> 6));
    out[count++] = ContinuationByte(code, 0);
  } else if (code < 0x10000) {
    out[count++] = static_cast<unsigned char>(0xE0 | (code >> 12));
    out[count++] = ContinuationByte(code, 6);
    out[count++] = ContinuationByte(code, 0);
  } else {
    out[count++] = static_cast<unsigned char>(0xF0 | (code >> 18));
    out[count++] = ContinuationByte(code, 12);
    out[count++] = ContinuationByte(code, 6);
    out[count++] = ContinuationByte(code, 0);
  }
  out[count] = 0;
  return count;
}

int32_t UTF8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  return 4;
}

uint32_t UTF8Decode(const char* p, const char* end) {
  if (p >= end) return 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(p);
  const int32_t length = UTF8SequenceLength(bytes[0]);
  if (length > end - p) return kUnicodeReplacementCharacter;
  uint32_t code = LeadBits(bytes[0], length);
  for (int32_t i = 1; i < length; ++i) code = (code << 6) | (bytes[i] & 0x3F);
  return code;
}

uint32_t UTF8DecodeAndAdvance(const char*& p, const char* end) {
  if (p >= end) return 0;
  const uint32_t code = UTF8Decode(p, end);
  const int32_t length = UTF8SequenceLength(static_cast<unsigned char>(*p));
  p = length > end - p ? end : p + length;
  return code;
}

uint32_t NextUTF8Character(const char*& p, const char* end) {
  if (p >= end) return 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(p);
  const int32_t length = UTF8SequenceLength(bytes[0]);
  bool complete = !IsUTF8Continuation(bytes[0]) && length <= end - p;
  for (int32_t i = 1; complete && i < length; ++i) complete = IsUTF8Continuation(bytes[i]);
  if (!complete) {
    ++p;
    return kUTF8StrayByteBase + bytes[0];
  }
  const uint32_t code = UTF8Decode(p, end);
  p += length;
  return code;
}

void AdvanceUTF8(const char*& p, const char* end, int32_t n) {
  for (int32_t i = 0; i < n && p < end; ++i) {
    ++p;
    while (p < end && IsUTF8Continuation(static_cast<unsigned char>(*p))) ++p;
  }
}

void BackupUTF8(const char*& p, const char* start, int32_t n) {
  for (int32_t i = 0; i < n && p > start; ++i) {
    --p;
    while (p > start && IsUTF8Continuation(static_cast<unsigned char>(*p))) --p;
  }
}
