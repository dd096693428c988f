// StorageFile and StorageFileSystem on POSIX descriptors.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "core/NamedFile.h"
#include "core/TemporaryFile.h"
#include "database/StorageFile.h"

namespace {

class StorageFilePosix final : public StorageFile {
 public:
  explicit StorageFilePosix(int fd) : mFd(fd) {}
  ~StorageFilePosix() override { close(mFd); }  // closing also drops the lock

  bool ReadAt(uint64_t offset, void* buffer, uint32_t count, uint32_t* got) override {
    uint32_t done = 0;
    while (done < count) {
      ssize_t n = pread64(mFd, static_cast<char*>(buffer) + done, count - done,
                          static_cast<off64_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return Fail(got, done);
      if (n == 0) break;
      done += static_cast<uint32_t>(n);
    }
    *got = done;
    return true;
  }

  bool WriteAt(uint64_t offset, const void* bytes, uint32_t count) override {
    uint32_t done = 0;
    while (done < count) {
      ssize_t n = pwrite64(mFd, static_cast<const char*>(bytes) + done, count - done,
                           static_cast<off64_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return Fail(n == 0 ? ENOSPC : errno);
      done += static_cast<uint32_t>(n);
    }
    return true;
  }

  // The data and what reading it back needs (the length); the times may wait.
  bool Sync() override { return fdatasync(mFd) == 0 || Fail(errno); }

  bool SetLength(uint64_t length) override {
    return ftruncate64(mFd, static_cast<off64_t>(length)) == 0 || Fail(errno);
  }

  bool GetLength(uint64_t* length) override {
    struct stat64 info;
    if (fstat64(mFd, &info) != 0) return Fail(errno);
    *length = static_cast<uint64_t>(info.st_size);
    return true;
  }

 private:
  bool Fail(int error) {
    mLastError = error;
    return false;
  }
  bool Fail(uint32_t* got, uint32_t done) {
    *got = done;
    return Fail(errno);
  }

  int mFd;
};

std::string FolderOf(const char* path) {
  std::string text(path);
  size_t slash = text.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : text.substr(0, slash);
}

class StorageFileSystemPosix final : public StorageFileSystem {
 public:
  std::unique_ptr<StorageFile> Open(const char* path, StorageOpenMode mode, bool lock,
                                    int* error) override {
    // Only a regular file holds a database: a FIFO or a device is refused before it is opened
    // (a FIFO opened for reading would wait for a writer).
    int flags = mode == StorageOpenMode::kReadOnly ? O_RDONLY : O_RDWR;
    if (mode == StorageOpenMode::kCreate) flags |= O_CREAT;
    NamedFile file;
    if (!file.Open(path, flags, NamedFileUse::kContents, 0644))
      return Failed(error, file.Error(), -1);
    // The superuser may write any file; a file whose mode grants nobody write access is still
    // opened for reading only, as its owner asked.
    if (mode == StorageOpenMode::kReadWrite && (file.Info().st_mode & 0222) == 0)
      return Failed(error, EACCES, -1);
    const int fd = file.Release();
    if (lock && flock(fd, (mode == StorageOpenMode::kReadOnly ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0)
      return Failed(error, errno, fd);
    // Emptied only under the lock, so that a file someone else has open is never cut short.
    if (mode == StorageOpenMode::kCreate && ftruncate64(fd, 0) != 0)
      return Failed(error, errno, fd);
    return std::make_unique<StorageFilePosix>(fd);
  }

  bool Exists(const char* path) override { return access(path, F_OK) == 0; }

  bool Remove(const char* path, int* error) override {
    if (unlink(path) == 0 || errno == ENOENT) return true;
    *error = errno;
    return false;
  }

  // The folder is opened only to be synced, past the opener (which opens files, and refuses
  // folders): O_DIRECTORY refuses anything else without opening it, so nothing here can wait.
  bool SyncFolder(const char* path, int* error) override {
    int fd = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      *error = errno;
      return false;
    }
    bool synced = fsync(fd) == 0;
    if (!synced) *error = errno;
    close(fd);
    return synced;
  }

  std::unique_ptr<StorageFile> OpenTemporary(int* error) override {
    const int fd = TemporaryFile::Anonymous(error);
    return fd < 0 ? nullptr : std::make_unique<StorageFilePosix>(fd);
  }

 private:
  static std::unique_ptr<StorageFile> Failed(int* error, int code, int fd) {
    if (fd >= 0) close(fd);
    *error = code;
    return nullptr;
  }
};

}  // namespace

StorageFileSystem& StorageFileSystem::Posix() {
  static StorageFileSystemPosix posix;
  return posix;
}
