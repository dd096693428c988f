// Rows a cursor parks while it scans: an anonymous temporary file of {u32 length, bytes}
// records, written as they come and read back in order when the cursor puts them in place.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "database/StorageError.h"
#include "database/StorageFile.h"

class SpillFile {
 public:
  static std::unique_ptr<SpillFile> Create(StorageFileSystem& fs, StorageError* error);

  bool Append(const uint8_t* bytes, uint32_t length, StorageError* error);
  // Hands each row to take in the order written; stops at the first false it answers.
  bool ForEach(const std::function<bool(const uint8_t*, uint32_t)>& take, StorageError* error);
  uint32_t Count() const { return mCount; }

 private:
  explicit SpillFile(std::unique_ptr<StorageFile> file) : mFile(std::move(file)) {}

  std::unique_ptr<StorageFile> mFile;
  uint64_t mEnd = 0;
  uint32_t mCount = 0;
};
