#include "files/FileReplacement.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>

#include "core/NamedFile.h"
#include "files/DataFile.h"

namespace {

constexpr size_t kLongestStem = 200;  // of the name the file beside takes after the old one
constexpr off_t kCopyChunk = 64 * 1024;

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

// A folder that keeps every name it has (append-only or immutable): a file made there could
// never be renamed or removed again.
bool KeepsItsNames(const std::string& folder) {
  struct statx info;
  if (statx(AT_FDCWD, folder.c_str(), 0, STATX_BASIC_STATS, &info) != 0) return false;
  return (info.stx_attributes & info.stx_attributes_mask &
          (STATX_ATTR_APPEND | STATX_ATTR_IMMUTABLE)) != 0;
}

using Attributes = std::map<std::string, std::string>;

// The extended attributes of the file at path, or of the open descriptor when path is nil
// (ACL entries are among them); false where they cannot be read. A file system that keeps
// none has none.
bool ReadAttributes(const char* path, int descriptor, Attributes* attributes) {
  auto list = [&](char* names, size_t size) {
    return path ? listxattr(path, names, size) : flistxattr(descriptor, names, size);
  };
  auto get = [&](const char* name, void* value, size_t size) {
    return path ? getxattr(path, name, value, size) : fgetxattr(descriptor, name, value, size);
  };
  std::string names;
  for (;;) {
    const ssize_t size = list(nullptr, 0);
    if (size < 0) return errno == ENOTSUP;
    names.resize(size_t(size));
    const ssize_t got = list(names.data(), names.size());
    if (got >= 0) {
      names.resize(size_t(got));
      break;
    }
    if (errno != ERANGE) return false;  // a name came between the two calls: ask again
  }
  for (size_t at = 0; at < names.size(); at = names.find('\0', at) + 1) {
    const std::string name = names.c_str() + at;
    std::string value;
    for (;;) {
      const ssize_t size = get(name.c_str(), nullptr, 0);
      if (size < 0) return false;
      value.resize(size_t(size));
      const ssize_t got = get(name.c_str(), value.data(), value.size());
      if (got >= 0) {
        value.resize(size_t(got));
        break;
      }
      if (errno != ERANGE) return false;
    }
    (*attributes)[name] = value;
  }
  return true;
}

bool ReadAllAt(int descriptor, char* bytes, size_t count, off_t at) {
  while (count > 0) {
    const ssize_t got = pread(descriptor, bytes, count, at);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      if (got == 0) errno = EIO;  // the holder is ours: it cannot have shrunk
      return false;
    }
    bytes += got;
    count -= size_t(got);
    at += got;
  }
  return true;
}

bool WriteAllAt(int descriptor, const char* bytes, size_t count, off_t at) {
  while (count > 0) {
    const ssize_t written = pwrite(descriptor, bytes, count, at);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = ENOSPC;
      return false;
    }
    bytes += written;
    count -= size_t(written);
    at += written;
  }
  return true;
}

// Copies the bytes [start, end) of from to the same places of to, the last piece first, and
// cuts from back to each piece once it is written, so that the two together never take more
// than one piece of room beyond what from took. 0, or the error number of what failed.
int CopyDownward(int from, int to, off_t start, off_t end) {
  std::unique_ptr<char[]> chunk(new (std::nothrow) char[kCopyChunk]);
  if (!chunk) return ENOMEM;
  while (end > start) {
    const off_t piece = std::max(start, (end - 1) / kCopyChunk * kCopyChunk);
    const size_t count = size_t(end - piece);
    if (!ReadAllAt(from, chunk.get(), count, piece) ||
        !WriteAllAt(to, chunk.get(), count, piece) || ftruncate(from, piece) != 0)
      return errno ? errno : EIO;
    end = piece;
  }
  return 0;
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
  mBeside = false;
  mLanding = LandingOf(path);
  if (mLanding.empty()) return true;
  mExists = stat(mLanding.c_str(), &mOld) == 0;
  if (mExists && !S_ISREG(mOld.st_mode)) return true;
  // The rename needs only the folder's permission: the file's own is asked here, as cp's open
  // asks it (the superuser may write any file).
  if (mExists && faccessat(AT_FDCWD, mLanding.c_str(), W_OK, AT_EACCESS) != 0) return Fail(errno);
  return MakeHolder();
}

bool FileReplacement::MakeHolder() {
  const size_t slash = mLanding.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : mLanding.substr(0, slash);
  const std::string name = mLanding.substr(slash == std::string::npos ? 0 : slash + 1);
  if (!KeepsItsNames(folder)) {
    mBeside = mHolder.Make(folder, "." + name.substr(0, kLongestStem) + ".");
    const int error = mHolder.Error();
    if (!mBeside && error != EACCES && error != EPERM) return Fail(error);
  }
  // Where nothing can stand beside the file, a new one is written in place (it holds nothing
  // to keep), an old one from a temporary file of ours.
  if (!mBeside && !mExists) return true;
  if (!mBeside && !mHolder.Make(std::string(), "qvnew")) return Fail(mHolder.Error());
  mInPlace = false;
  return true;
}

bool FileReplacement::Commit(mode_t newFileMode) {
  if (mInPlace || mHolder.Descriptor() < 0) return Fail(EINVAL);
  if (!mBeside || (mExists && (mOld.st_nlink > 1 || !TakeOldAttributes())))
    return WriteInPlace(newFileMode);
  if (!mExists && fchmod(mHolder.Descriptor(), newFileMode) != 0) return Fail(errno);
  // A rename the system refuses (over a file bind-mounted there, EBUSY; one this process may not
  // replace) leaves writing in place; any other failure (EIO, ENOSPC) fails the copy, which
  // leaves the old file as it was.
  if (rename(Holder().c_str(), mLanding.c_str()) != 0) {
    if (errno != EBUSY && errno != EPERM && errno != EACCES) return Fail(errno);
    return WriteInPlace(newFileMode);
  }
  mHolder.Keep();
  mHolder.Close();
  return true;
}

// The owner and group first (the folder may have given the new file its own group, setgid,
// whatever this process's is; a change of owner clears the set-id bits), then the extended
// attributes, those the new file came with (a folder's default ACL) that the old one lacks
// removed, and the mode last, which is the ACL's mask.
bool FileReplacement::TakeOldAttributes() {
  const int descriptor = mHolder.Descriptor();
  struct stat made;
  if (fstat(descriptor, &made) != 0) return false;
  if ((made.st_uid != mOld.st_uid || made.st_gid != mOld.st_gid) &&
      fchown(descriptor, made.st_uid == mOld.st_uid ? uid_t(-1) : mOld.st_uid,
             made.st_gid == mOld.st_gid ? gid_t(-1) : mOld.st_gid) != 0)
    return false;
  Attributes old, come;
  if (!ReadAttributes(mLanding.c_str(), -1, &old) || !ReadAttributes(nullptr, descriptor, &come))
    return false;
  for (const auto& [name, value] : come) {
    if (!old.count(name) && fremovexattr(descriptor, name.c_str()) != 0) return false;
  }
  for (const auto& [name, value] : old) {
    const auto there = come.find(name);
    if ((there == come.end() || there->second != value) &&
        fsetxattr(descriptor, name.c_str(), value.data(), value.size(), 0) != 0)
      return false;
  }
  return fchmod(descriptor, mOld.st_mode & 07777) == 0;
}

// The new contents go over the old file from its end down: first the tail past the old length,
// which is cut off again when it finds no room (the old contents stay as they were), then the
// old length, whose blocks the file has. A file made here that could not be written whole goes.
bool FileReplacement::WriteInPlace(mode_t newFileMode) {
  NamedFile target;
  const int flags = mExists ? O_WRONLY : O_WRONLY | O_CREAT | O_EXCL;
  if (!target.Open(mLanding.c_str(), flags, NamedFileUse::kContents, newFileMode))
    return Fail(target.Error());
  const int from = mHolder.Descriptor(), to = target.Descriptor();
  struct stat held;
  if (fstat(from, &held) != 0) return Fail(errno);
  const off_t oldLength = target.Info().st_size, newLength = held.st_size;
  if (const int error = CopyDownward(from, to, oldLength, newLength)) {
    if (!mExists) unlink(mLanding.c_str());
    (void)!ftruncate(to, oldLength);
    return Fail(error);
  }
  int error = CopyDownward(from, to, 0, std::min(oldLength, newLength));
  if (!error && newLength < oldLength && ftruncate(to, newLength) != 0) error = errno;
  if (!error && close(target.Release()) != 0) error = errno;
  if (error) return Fail(error);
  mHolder.Remove();
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
