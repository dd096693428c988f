#include "files/FilePtr.h"

#include "core/RuntimeError.h"
#include "files/MemoryRange.h"

bool FilePtr::Read(void* buffer, int32_t count, int32_t* bytesRead) {
  int32_t got = 0;
  const bool read = ReadMemoryRange(pointer, length, &position, buffer, count, &got);
  if (bytesRead) *bytesRead = got;
  UnscrambleRead(static_cast<uint8_t*>(buffer), got);
  return read;
}

bool FilePtr::Write(const void*, int32_t) {
  QV_FAIL(nullptr);
  return false;
}

bool FilePtr::SetPosition(uint64_t newPosition) {
  position = PositionInRange(newPosition, length);
  return true;
}

bool FilePtr::SetLength(uint64_t) {
  QV_FAIL(nullptr);
  return false;
}

void FilePtr::Attach(const void* start, int32_t byteCount) {
  if (!QV_CHECK(byteCount >= 0)) byteCount = 0;
  pointer = static_cast<const uint8_t*>(start);
  position = 0;
  length = start ? byteCount : 0;
}

bool StringStorageMechanism::Write(const void*, int32_t) {
  lastError = kReadOnlyStreamError;
  return false;
}

bool StringStorageMechanism::SetLength(uint64_t) {
  lastError = kReadOnlyStreamError;
  return false;
}

bool StringStorageMechanism::Close() {
  stringStorage::RemoveReference(record);
  record = nullptr;
  FilePtr::Attach(nullptr, 0);
  return true;
}

void StringStorageMechanism::Attach(stringStorage* newRecord) {
  stringStorage::AddReference(newRecord);
  Close();
  record = newRecord;
  FilePtr::Attach(stringStorage::PString(newRecord) + 1, stringStorage::Length(newRecord));
}
