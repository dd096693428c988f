#include "core/NamedFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

namespace {

// What a regular-file-only use refuses a kind with.
int ErrorForKind(mode_t mode) {
  if (S_ISDIR(mode)) return EISDIR;
  return S_ISREG(mode) ? 0 : ENOTSUP;
}

bool IsSpecialFileMode(mode_t mode) {
  return S_ISFIFO(mode) || S_ISCHR(mode) || S_ISBLK(mode) || S_ISSOCK(mode);
}

}  // namespace

int SpecialFileError(const char* path) {
  struct stat info;
  return path && stat(path, &info) == 0 && IsSpecialFileMode(info.st_mode) ? ENOTSUP : 0;
}

bool NamedFile::Fail(int error) {
  Close();
  mError = error ? error : EIO;
  return false;
}

// A folder is refused for either use: it opens for reading here and fails only at the first read.
bool NamedFile::Open(const char* path, int flags, NamedFileUse use, mode_t mode,
                     bool keepNonBlocking) {
  Close();
  mError = 0;
  if (!path) return Fail(ENOENT);
  struct stat before;
  if (use == NamedFileUse::kContents && stat(path, &before) == 0 && ErrorForKind(before.st_mode))
    return Fail(ErrorForKind(before.st_mode));
  mDescriptor = open(path, flags | O_NONBLOCK | O_CLOEXEC, mode);
  if (mDescriptor < 0) return Fail(errno);
  if (fstat(mDescriptor, &mInfo) != 0) return Fail(errno);
  if (S_ISDIR(mInfo.st_mode)) return Fail(EISDIR);
  if (use == NamedFileUse::kContents && ErrorForKind(mInfo.st_mode))
    return Fail(ErrorForKind(mInfo.st_mode));
  if (keepNonBlocking) return true;
  const int status = fcntl(mDescriptor, F_GETFL);
  if (status < 0 || fcntl(mDescriptor, F_SETFL, status & ~O_NONBLOCK) != 0) return Fail(errno);
  return true;
}

void NamedFile::Close() {
  if (mDescriptor >= 0) close(mDescriptor);
  mDescriptor = -1;
}

int NamedFile::Release() {
  const int descriptor = mDescriptor;
  mDescriptor = -1;
  return descriptor;
}

int64_t NamedFile::ReadSome(void* buffer, size_t count) {
  if (mDescriptor < 0) {
    mError = EBADF;
    return -1;
  }
  for (;;) {
    const ssize_t got = read(mDescriptor, buffer, count);
    if (got >= 0) return got;
    if (errno != EINTR) {
      mError = errno;
      return -1;
    }
  }
}

bool NamedFile::Read(size_t most, std::string* bytes) {
  constexpr size_t kStep = 64 * 1024;
  try {
    // A size that is the length (the usual case) is had in one allocation: growing by steps
    // would need twice a large picture's size at the last step, in a 32-bit address space.
    if (S_ISREG(mInfo.st_mode) && mInfo.st_size > 0) {
      const uint64_t expected = uint64_t(mInfo.st_size) + 1;  // the read that finds the end
      bytes->reserve(bytes->size() + size_t(std::min<uint64_t>(most, expected)));
    }
    while (most > 0) {
      const size_t start = bytes->size();
      const size_t want = most < kStep ? most : kStep;
      bytes->resize(start + want);
      const int64_t got = ReadSome(bytes->data() + start, want);
      bytes->resize(start + size_t(got > 0 ? got : 0));
      if (got <= 0) return got == 0;
      most -= size_t(got);
    }
  } catch (const std::bad_alloc&) {
    mError = ENOMEM;
    return false;
  }
  return true;
}
