#include "image/ImageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

ImageFile::~ImageFile() { Close(); }

// Opened without blocking: open() of a FIFO would wait for a writer for ever. Only a regular
// file has a size to trust; anything else is refused with errno EINVAL.
bool ImageFile::Open(const char* path) {
  Close();
  if (!path) {
    errno = ENOENT;
    return false;
  }
  mFd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (mFd < 0) return false;
  struct stat64 info;
  const bool regular = ::fstat64(mFd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0;
  if (!regular || ::fcntl(mFd, F_SETFL, ::fcntl(mFd, F_GETFL) & ~O_NONBLOCK) != 0) {
    Close();
    errno = EINVAL;
    return false;
  }
  mSize = static_cast<uint64_t>(info.st_size);
  return true;
}

void ImageFile::Close() {
  if (mFd >= 0) ::close(mFd);
  mFd = -1;
  mSize = 0;
}

bool ImageFile::Contains(uint64_t offset, uint64_t length) const {
  return offset <= mSize && length <= mSize - offset;
}

bool ImageFile::ReadAt(uint64_t offset, void* dest, uint32_t length) const {
  if (mFd < 0 || !Contains(offset, length)) return false;
  auto* out = static_cast<uint8_t*>(dest);
  uint32_t done = 0;
  while (done < length) {
    ssize_t got = ::pread64(mFd, out + done, length - done, static_cast<off64_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<uint32_t>(got);
  }
  return true;
}
