#include "files/MemoryRange.h"

#include <cstring>

#include "core/RuntimeError.h"

bool ReadMemoryRange(const uint8_t* data, int32_t length, int32_t* position, void* buffer,
                     int32_t count, int32_t* bytesRead) {
  if (bytesRead) *bytesRead = 0;
  if (count == 0) return true;
  if (!QV_CHECK_TEXT(buffer, "data", nullptr)) return false;
  const int32_t left = length - *position;
  if (count < 0 || left <= 0) return false;
  if (count > left) count = left;
  std::memmove(buffer, data + *position, static_cast<size_t>(count));
  *position += count;
  if (bytesRead) *bytesRead = count;
  return true;
}
