#include "files/FileReplacement.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include "app/TemporaryFiles.h"
#include "core/NamedFile.h"
#include "files/DataFile.h"

namespace {

constexpr size_t kLongestStem = 200;  // of the name the file beside takes after the old one
constexpr size_t kCopyChunk = 64 * 1024;

// Where a replacement of path lands: the file a link there leads to, so that the link goes on
// leading to the new contents; "" for a link that leads nowhere.
std::string LandingOf(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char* resolved = realpath(path.c_str(), nullptr);
  const std::string landing = resolved ? resolved : "";
  free(resolved);
  return landing;
}

}  // namespace

// Read without setting it: umask() alone would change it for a moment under every other thread
// that makes a file. The process's own status, past the opener: a file of /proc never waits.
// Kernels before 4.7 do not show it.
mode_t ProcessUmask() {
  if (FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[128];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, status))
      found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(status);
    if (found) return mode_t(mask);
  }
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

bool FileReplacement::Fail(int error) {
  mError = error ? error : EIO;
  return false;
}

bool FileReplacement::Begin(const std::string& path) {
  mError = 0;
  mInPlace = true;
  mLanding = LandingOf(path);
  if (mLanding.empty()) return true;
  mExists = stat(mLanding.c_str(), &mOld) == 0;
  if (mExists && !S_ISREG(mOld.st_mode)) return true;
  // The rename needs only the folder's permission: the file's own is asked here, as cp's open
  // asks it (the superuser may write any file).
  if (mExists && faccessat(AT_FDCWD, mLanding.c_str(), W_OK, AT_EACCESS) != 0) return Fail(errno);
  const size_t slash = mLanding.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : mLanding.substr(0, slash);
  const std::string name = mLanding.substr(slash == std::string::npos ? 0 : slash + 1);
  if (mBeside.Make(folder, "." + name.substr(0, kLongestStem) + ".")) {
    mInPlace = false;
    return true;
  }
  const int error = mBeside.Error();
  return error == EACCES || error == EPERM || Fail(error);
}

bool FileReplacement::Commit(mode_t newFileMode) {
  if (mInPlace || mBeside.Descriptor() < 0) return Fail(EINVAL);
  const int descriptor = mBeside.Descriptor();
  if (mExists && mOld.st_nlink > 1) return WriteInPlace();
  const bool owned = !mExists || (mOld.st_uid == geteuid() && mOld.st_gid == getegid()) ||
                     fchown(descriptor, mOld.st_uid, mOld.st_gid) == 0;
  if (!owned) return WriteInPlace();
  // After the owner: a change of owner clears the set-id bits.
  if (fchmod(descriptor, mExists ? mOld.st_mode & 07777 : newFileMode) != 0) return Fail(errno);
  if (rename(Beside().c_str(), mLanding.c_str()) != 0) return Fail(errno);
  mBeside.Keep();
  mBeside.Close();
  return true;
}

// The file beside is whole, so there was room for it: it is copied over the old file, which
// keeps its names, owner and mode.
bool FileReplacement::WriteInPlace() {
  NamedFile target;
  if (!target.Open(mLanding.c_str(), O_WRONLY | O_TRUNC, NamedFileUse::kContents))
    return Fail(target.Error());
  std::unique_ptr<char[]> chunk(new (std::nothrow) char[kCopyChunk]);
  if (!chunk) return Fail(ENOMEM);
  for (off_t at = 0;;) {
    const ssize_t got = pread(mBeside.Descriptor(), chunk.get(), kCopyChunk, at);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Fail(errno);
    if (got == 0) break;
    errno = 0;
    if (!WriteAllToDescriptor(target.Descriptor(), reinterpret_cast<const uint8_t*>(chunk.get()),
                              uint32_t(got)))
      return Fail(errno ? errno : ENOSPC);
    at += got;
  }
  if (close(target.Release()) != 0) return Fail(errno);
  return true;
}

namespace {

// Every operation passes to the new contents; Close puts them in the old file's place once every
// write went through, and a stream that failed on the way, or that goes unclosed, leaves the old
// file as it was.
class ReplacingMechanism final : public RandomAccessMechanism {
 public:
  ReplacingMechanism(RandomAccessMechanism* file, std::function<int()> commit,
                     std::function<void()> drop)
      : mFile(file), mCommit(std::move(commit)), mDrop(std::move(drop)) {}
  ~ReplacingMechanism() override {
    if (mClosed) return;
    mFile->Close();
    mDrop();
  }

  bool Read(void* buffer, int32_t count, int32_t* bytesRead) override {
    return Pass(mFile->Read(buffer, count, bytesRead), false);
  }
  bool Write(const void* buffer, int32_t count) override {
    return Pass(mFile->Write(buffer, count), true);
  }
  bool Close() override {
    if (mClosed) return false;
    mClosed = true;
    const bool closed = Pass(mFile->Close(), true);
    const int error = closed && !mFailed ? mCommit() : 0;
    if (!closed || mFailed) mDrop();
    if (error) lastError = error;
    return closed && !mFailed && !error;
  }
  bool IsEOF() override { return mFile->IsEOF(); }
  bool SetPosition(uint64_t position) override {
    return Pass(mFile->SetPosition(position), false);
  }
  int64_t GetLength() override { return mFile->GetLength(); }
  bool SetLength(uint64_t length) override { return Pass(mFile->SetLength(length), true); }
  int64_t GetPosition() override { return mFile->GetPosition(); }
  void Flush() override {
    mFile->Flush();
    if (mFile->lastError) lastError = mFile->lastError;
  }
  intptr_t GetHandle(int32_t kind) override { return mFile->GetHandle(kind); }

 private:
  // A result of the file's, its error taken over; a write that failed keeps the old file.
  bool Pass(bool done, bool writes) {
    if (done) return true;
    if (mFile->lastError) lastError = mFile->lastError;
    if (writes) mFailed = true;
    return false;
  }

  std::unique_ptr<RandomAccessMechanism> mFile;
  std::function<int()> mCommit;
  std::function<void()> mDrop;
  bool mClosed = false;
  bool mFailed = false;
};

}  // namespace

RandomAccessMechanism* NewReplacingMechanism(RandomAccessMechanism* file,
                                             std::function<int()> commit,
                                             std::function<void()> drop) {
  return new ReplacingMechanism(file, std::move(commit), std::move(drop));
}

RandomAccessMechanism* NewHostReplacingMechanism(const std::string& path, int* error) {
  auto replacement = std::make_shared<FileReplacement>();
  std::unique_ptr<DataFile> file(DataFile::Create());
  if (!file) {
    *error = ENOMEM;
    return nullptr;
  }
  if (!replacement->Begin(path)) {
    *error = replacement->Error();
    return nullptr;
  }
  const string name = string::FromBytes(path.data(), int64_t(path.size()), kEncodingUTF8);
  if (replacement->InPlace()) {
    if (file->OpenForWriting(name)) return file.release();
    *error = file->lastError;
    return nullptr;
  }
  const int descriptor = fcntl(replacement->Descriptor(), F_DUPFD_CLOEXEC, 0);
  if (descriptor < 0 || !file->OpenDescriptor(descriptor, kHandleTypeFileNumber)) {
    *error = descriptor < 0 ? errno : file->lastError ? file->lastError : EIO;
    if (descriptor >= 0) close(descriptor);  // a descriptor the file did not take stays ours
    return nullptr;
  }
  const mode_t mode = 0666 & ~ProcessUmask();
  return NewReplacingMechanism(
      file.release(),
      [replacement, mode] { return replacement->Commit(mode) ? 0 : replacement->Error(); },
      [replacement] { replacement->Abandon(); });
}
