// Read-only memory back ends: FilePtr reads a fixed range it does not own; StringStorageMechanism
// reads the bytes of a string record, holding one reference to it. Writing to a bare FilePtr is
// a caller's mistake and is reported; writing to a string is an ordinary refusal (lastError
// 100), since a stream over a string is read-only by design.
#pragma once

#include <cstdint>

#include "files/RandomAccessMechanism.h"

class FilePtr : public RandomAccessMechanism {
 public:
  FilePtr() = default;

  bool Read(void* buffer, int32_t count, int32_t* bytesRead) override;
  bool Write(const void* buffer, int32_t count) override;
  bool Close() override { return true; }
  bool IsEOF() override { return position >= length; }
  bool SetPosition(uint64_t newPosition) override;
  int64_t GetLength() override { return length; }
  bool SetLength(uint64_t newLength) override;
  int64_t GetPosition() override { return position; }

  // The range to read, from position 0; a negative length is a failed check.
  void Attach(const void* start, int32_t byteCount);

 protected:
  const uint8_t* pointer = nullptr;
  int32_t position = 0;
  int32_t length = 0;
};

// The error code of a write to a read-only string stream.
constexpr int32_t kReadOnlyStreamError = 100;

class StringStorageMechanism : public FilePtr {
 public:
  StringStorageMechanism() = default;
  ~StringStorageMechanism() override { Close(); }

  bool Write(const void* buffer, int32_t count) override;
  bool SetLength(uint64_t newLength) override;
  // Lets go of the string.
  bool Close() override;

  // Reads record's bytes (one reference held) from position 0; nil leaves it empty.
  void Attach(stringStorage* newRecord);

 private:
  stringStorage* record = nullptr;
};
