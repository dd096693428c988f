#include "files/BoundedRead.h"

#include <cerrno>
#include <cstring>

#include "strings/GrowingBytes.h"

namespace {

// First and largest steps of a result of unknown length.
constexpr int64_t kFirstStep = 64 * 1024;
constexpr int64_t kLargestStep = 8 * 1024 * 1024;
// What a read at the end by the length still asks for.
constexpr int64_t kEndProbe = 1024;

// Reads into bytes until count came or a Read gives nothing; the count that came.
int64_t ReadInto(RandomAccessMechanism& mechanism, unsigned char* bytes, int64_t count) {
  int64_t total = 0;
  while (total < count) {
    int32_t got = 0;
    mechanism.Read(bytes + total, static_cast<int32_t>(count - total), &got);
    if (got <= 0) break;
    total += got;
  }
  return total;
}

// The whole result allocated once: what is left is known.
string ReadKnown(RandomAccessMechanism& mechanism, const void* prefix, int32_t prefixLength,
                 int64_t count, TextEncoding encoding) {
  string text;
  if (!text.AllocateBuffer(prefixLength + count)) return string();
  auto* bytes = reinterpret_cast<unsigned char*>(static_cast<char*>(text));
  if (prefixLength > 0) std::memcpy(bytes, prefix, static_cast<size_t>(prefixLength));
  const int64_t got = ReadInto(mechanism, bytes + prefixLength, count);
  if (got < count) text = string::FromBytes(bytes, prefixLength + got, encoding);
  text.SetEncoding(encoding);
  return text;
}

// Grown step by step as the bytes arrive, until they end, count came, or memory is short
// (ENOMEM): the bytes not read then stay in the mechanism.
string ReadUnknown(RandomAccessMechanism& mechanism, const void* prefix, int32_t prefixLength,
                   int64_t count, TextEncoding encoding) {
  GrowingBytes bytes;
  bool going = bytes.Append(prefix, prefixLength);
  int64_t step = kFirstStep;
  for (int64_t wanted = count; going && wanted > 0;) {
    const int64_t now = wanted < step ? wanted : step;
    if (!bytes.Reserve(now)) break;
    const int64_t got = ReadInto(mechanism, bytes.End(), now);
    bytes.Grew(got);
    going = got == now;
    wanted -= got;
    if (step < kLargestStep) step *= 2;
  }
  if (bytes.OutOfMemory()) mechanism.lastError = ENOMEM;
  if (bytes.Size() < prefixLength) return string::FromBytes(prefix, prefixLength, encoding);
  return bytes.ToString(encoding);
}

}  // namespace

int64_t BytesLeft(RandomAccessMechanism& mechanism) {
  const int64_t length = mechanism.GetLength();
  if (length < 0) return -1;
  const int64_t position = mechanism.GetPosition();
  return position < length ? length - position : 0;
}

string ReadAtMost(RandomAccessMechanism& mechanism, const void* prefix, int32_t prefixLength,
                  int64_t count, TextEncoding encoding) {
  const int64_t left = BytesLeft(mechanism);
  if (left > 0 && count > left) count = left;
  // At the end by the length one read still asks the mechanism, so that a stream that cannot be
  // read at all (a write-only handle) leaves its error, and bytes written since are found.
  if (left == 0 && count > kEndProbe) count = kEndProbe;
  const int64_t room = int64_t{kMaxStringLength} - prefixLength;
  if (count > room) count = room;
  if (count <= 0) return string::FromBytes(prefix, prefixLength, encoding);
  if (left > 0) return ReadKnown(mechanism, prefix, prefixLength, count, encoding);
  return ReadUnknown(mechanism, prefix, prefixLength, count, encoding);
}
