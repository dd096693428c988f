#include "database/SpillFile.h"

#include <vector>

#include "database/DatabaseFormat.h"

std::unique_ptr<SpillFile> SpillFile::Create(StorageFileSystem& fs, StorageError* error) {
  int host = 0;
  std::unique_ptr<StorageFile> file = fs.OpenTemporary(&host);
  if (!file) {
    error->Set(StorageErrorCode::kIO, "cannot make a temporary file", host);
    return nullptr;
  }
  return std::unique_ptr<SpillFile>(new SpillFile(std::move(file)));
}

bool SpillFile::Append(const uint8_t* bytes, uint32_t length, StorageError* error) {
  uint8_t prefix[4];
  StoreBigEndian32(prefix, length);
  if (!mFile->WriteAt(mEnd, prefix, sizeof prefix) || !mFile->WriteAt(mEnd + 4, bytes, length)) {
    error->Set(StorageErrorCode::kIO, "cannot write a temporary file", mFile->LastError());
    return false;
  }
  mEnd += 4 + uint64_t{length};
  ++mCount;
  return true;
}

bool SpillFile::ForEach(const std::function<bool(const uint8_t*, uint32_t)>& take,
                        StorageError* error) {
  std::vector<uint8_t> row;
  for (uint64_t at = 0; at < mEnd; at += 4 + uint64_t{row.size()}) {
    uint8_t prefix[4];
    uint32_t got = 0;
    bool read = mFile->ReadAt(at, prefix, sizeof prefix, &got) && got == sizeof prefix;
    if (read) {
      row.resize(LoadBigEndian32(prefix));
      read = mFile->ReadAt(at + 4, row.data(), static_cast<uint32_t>(row.size()), &got) &&
             got == row.size();
    }
    if (!read) {
      error->Set(StorageErrorCode::kIO, "cannot read a temporary file", mFile->LastError());
      return false;
    }
    if (!take(row.data(), static_cast<uint32_t>(row.size()))) return false;
  }
  return true;
}
