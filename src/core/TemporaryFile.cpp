#include "core/TemporaryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

constexpr char kRandomPart[] = "XXXXXX";
constexpr char kFallbackFolder[] = "/tmp";

}  // namespace

std::string TemporaryFolderPath() {
  const char* folder = std::getenv("TMPDIR");
  struct stat info;
  if (!folder || folder[0] != '/' || stat(folder, &info) != 0 || !S_ISDIR(info.st_mode))
    return kFallbackFolder;
  std::string path = folder;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

TemporaryFile::~TemporaryFile() {
  Close();
  Remove();
}

bool TemporaryFile::Make(const std::string& folder, const std::string& prefix,
                         const std::string& suffix) {
  Close();
  Remove();
  std::string path = folder.empty() ? TemporaryFolderPath() : folder;
  if (path.back() != '/') path += '/';
  path += prefix + kRandomPart + suffix;
  mDescriptor = mkostemps(path.data(), int(suffix.size()), O_CLOEXEC);
  if (mDescriptor < 0) {
    mError = errno;
    return false;
  }
  mError = 0;
  mPath = path;
  return true;
}

int TemporaryFile::Anonymous(int* error) {
  TemporaryFile file;
  if (!file.Make(std::string(), "qv")) {
    *error = file.Error();
    return -1;
  }
  file.Remove();
  return file.Release();
}

int TemporaryFile::Release() {
  const int descriptor = mDescriptor;
  mDescriptor = -1;
  return descriptor;
}

bool TemporaryFile::Close() {
  if (mDescriptor < 0) return true;
  const bool closed = close(mDescriptor) == 0;
  if (!closed) mError = errno;
  mDescriptor = -1;
  return closed;
}

void TemporaryFile::Remove() {
  if (mPath.empty()) return;
  unlink(mPath.c_str());
  mPath.clear();
}
