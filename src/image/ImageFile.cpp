#include "image/ImageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/NamedFile.h"

static_assert(sizeof(off_t) == 8, "files past 2 GB need 64-bit offsets");

ImageFile::~ImageFile() { Close(); }

// Only a regular file has a size to trust: anything else is refused by the opener (a FIFO would
// wait for a writer for ever), with its errno.
bool ImageFile::Open(const char* path) {
  Close();
  NamedFile file;
  if (!file.Open(path, O_RDONLY, NamedFileUse::kContents)) {
    errno = file.Error();
    return false;
  }
  mSize = static_cast<uint64_t>(file.Info().st_size);
  mFd = file.Release();
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
    const uint64_t at = offset + done;
    if (at > uint64_t(INT64_MAX)) return false;
    ssize_t got = ::pread(mFd, out + done, length - done, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<uint32_t>(got);
  }
  return true;
}
