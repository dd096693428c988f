// The files under a page store: positioned reads and writes with 64-bit offsets, sync and
// length changes on one open file, and the few folder operations the rollback journal needs.
// Every call says whether it succeeded; a failure leaves the host's error number in
// LastError. The real file system is StorageFileSystem::Posix(); tests put a file system
// that loses power, or one that fails on cue, in its place.
#pragma once

#include <cstdint>
#include <memory>

class StorageFile {
 public:
  virtual ~StorageFile() = default;
  // Reads up to count bytes at offset; *got tells how many arrived (fewer only at the end).
  virtual bool ReadAt(uint64_t offset, void* buffer, uint32_t count, uint32_t* got) = 0;
  // Writes all count bytes at offset, or fails.
  virtual bool WriteAt(uint64_t offset, const void* bytes, uint32_t count) = 0;
  // Returns once everything written so far is on the storage device.
  virtual bool Sync() = 0;
  virtual bool SetLength(uint64_t length) = 0;
  virtual bool GetLength(uint64_t* length) = 0;
  int LastError() const { return mLastError; }

 protected:
  int mLastError = 0;
};

enum class StorageOpenMode {
  kCreate,     // created, or emptied when it exists (after the lock is taken)
  kReadWrite,  // must exist; fails with EACCES when the file grants no write permission
  kReadOnly,   // must exist
};

class StorageFileSystem {
 public:
  static StorageFileSystem& Posix();

  virtual ~StorageFileSystem() = default;
  // Opens path. With lock, the file is locked for as long as it stays open (shared when
  // read-only, else exclusive) without waiting: a file locked elsewhere fails with
  // EWOULDBLOCK. nullptr on failure, with the error number in *error.
  virtual std::unique_ptr<StorageFile> Open(const char* path, StorageOpenMode mode, bool lock,
                                            int* error) = 0;
  virtual bool Exists(const char* path) = 0;
  // Removes path; an absent file counts as removed.
  virtual bool Remove(const char* path, int* error) = 0;
  // Makes the creation and removal of files in the folder holding path durable.
  virtual bool SyncFolder(const char* path, int* error) = 0;
  // An anonymous temporary file, gone when closed.
  virtual std::unique_ptr<StorageFile> OpenTemporary(int* error) = 0;
};

