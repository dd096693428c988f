// Mutex: a CriticalSection that also excludes other processes, through an exclusive flock on a
// lock file of its name in /tmp. Processes meet at that name whatever their environment says:
// a TMPDIR of their own (pam_tmpdir, a sandbox, a service) must not put them at different files
// and let both in. The file of a Mutex without a name is the process's own, in its temporary
// folder.
//
// The file is opened without following a link and never truncated; a link or any other file
// that is not a regular one is never opened or deleted. A lock counts only while the locked
// descriptor is still the file at the path: another process may delete the file (only while it
// holds the lock) and make a new one, and a lock on the old one would exclude nobody. The
// finalizer deletes the file only while holding the lock, so two processes never hold one name
// at once. A thread waiting for a file another process holds sleeps and tries again every
// 10 ms.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "app/FolderItemImp.h"
#include "app/ThreadLocks.h"
#include "app/ThreadScheduler.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/NamedFile.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "core/TemporaryFile.h"
#include "strings/TextEncoding.h"

namespace {

using namespace lang;

// Where named lock files are met.
constexpr char kMeetingFolder[] = "/tmp";
constexpr int32_t kForeignLockRetryMs = 10;
// Tries at a file that keeps being replaced under us before giving up for now.
constexpr int kLockAttempts = 8;

void (*gLockSeam)(const char* path) = nullptr;

const MethodRow kMutexMethods[] = {
    QV_SUB("Constructor", MutexContructor, Param("name", String)),
    QV_SUB("Enter", MutexLock),
    QV_FUNCTION("TryEnter", Boolean, MutexTryLock),
    QV_SUB("Leave", MutexUnlock),
};

MutexObject* AsMutex(RuntimeObject* object) { return reinterpret_cast<MutexObject*>(object); }

std::string PathOf(const FolderItemImp* item) { return item->GetPath().CString(); }

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A descriptor of the regular file at path, made when nothing is there; -1 for a link, a
// folder, a device or a pipe, none of which is ever opened.
int OpenLockFile(const std::string& path) {
  NamedFile file;
  return file.Open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW, NamedFileUse::kContents, 0644)
             ? file.Release()
             : -1;
}

// True while the file locked through fd is the one at path.
bool IsFileAtPath(int fd, const std::string& path) {
  struct stat locked, atPath;
  return fstat(fd, &locked) == 0 && lstat(path.c_str(), &atPath) == 0 &&
         S_ISREG(atPath.st_mode) && SameFile(locked, atPath);
}

// Takes the flock on the lock file; false when another process holds it or the file cannot
// be had.
bool LockTheFile(MutexObject* mutex) {
  const std::string path = PathOf(mutex->lockFile);
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    const int fd = OpenLockFile(path);
    if (fd < 0) return false;
    if (gLockSeam) gLockSeam(path.c_str());
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      close(fd);
      return false;
    }
    if (IsFileAtPath(fd, path)) {
      mutex->lockDescriptor = fd;
      return true;
    }
    close(fd);  // replaced or deleted since we opened it: the lock would exclude nobody
  }
  return false;
}

// Closing drops the flock.
void UnlockTheFile(OwnedLockObject* lock) {
  MutexObject* mutex = reinterpret_cast<MutexObject*>(lock);
  if (mutex->lockDescriptor < 0) return;
  close(mutex->lockDescriptor);
  mutex->lockDescriptor = -1;
}

// The lock file is deleted only under our own lock: no other process holds the name then, and
// one that opened the old file before the deletion finds it replaced when it locks.
void DeleteLockFile(MutexObject* mutex) {
  if (mutex->lockDescriptor < 0 && !LockTheFile(mutex)) return;
  if (IsFileAtPath(mutex->lockDescriptor, PathOf(mutex->lockFile))) mutex->lockFile->Delete();
  UnlockTheFile(&mutex->lock);
}

// A new empty file with a unique name in folder; its path, or "" when none could be made.
std::string MakeUniqueLockFile(const std::string& folder) {
  TemporaryFile file;
  if (!file.Make(folder, std::string())) return std::string();
  const std::string path = file.Path();
  file.Keep();
  return path;
}

// The named lock file, made when it does not exist; false when what is there is no regular
// file.
bool CreateLockFile(const std::string& path) {
  const int fd = OpenLockFile(path);
  if (fd < 0) return false;
  close(fd);
  return true;
}

void DropLockFile(MutexObject* mutex) {
  if (!mutex->lockFile) return;
  DeleteLockFile(mutex);
  delete mutex->lockFile;
  mutex->lockFile = nullptr;
}

}  // namespace

QV_CLASS(MutexClassDefinition,
         .name = "Mutex",
         .objectSize = sizeof(MutexObject),
         .methods = kMutexMethods,
         .initializer = QV_CODE(MutexInitializer),
         .finalizer = QV_CODE(MutexFinalizer))
QV_STARTUP_CLASS(kStartupMutexClass, MutexClassDefinition)

std::string MutexLockFileName(const std::string& name) {
  if (name == ".") return "%2E";
  if (name == "..") return "%2E%2E";
  std::string escaped;
  for (char c : name) escaped += c == '/' ? std::string("%2F") : std::string(1, c);
  return escaped;
}

void SetMutexLockSeamForTesting(void (*seam)(const char* path)) { gLockSeam = seam; }

extern "C" void MutexInitializer(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "mutex", nullptr)) return;
  MutexObject* mutex = AsMutex(object);
  InitOwnedLock(&mutex->lock);
  mutex->lockFile = nullptr;
  mutex->lockDescriptor = -1;
}
QV_EXPORT(MutexInitializer)

extern "C" void MutexFinalizer(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "mutex", nullptr)) return;
  MutexObject* mutex = AsMutex(object);
  FinishOwnedLock(&mutex->lock);
  DropLockFile(mutex);
  UnlockTheFile(&mutex->lock);
}
QV_EXPORT(MutexFinalizer)

extern "C" void MutexContructor(RuntimeObject* object, stringStorage* name) {
  if (!QV_CHECK_TEXT(object, "mutex", nullptr)) return;
  MutexObject* mutex = AsMutex(object);
  if (!QV_CHECK_TEXT(!mutex->lockFile, "!mutex->mLockFile", "a Mutex is constructed once")) {
    return;
  }
  const std::string fileName = ConvertToSystemEncoding(string(name)).CString();
  std::string path;
  if (fileName.empty()) {
    FolderItemImp* folder = TemporaryFolderItem();
    if (!QV_CHECK_TEXT(folder, "tempFolder", nullptr)) return;
    path = MakeUniqueLockFile(PathOf(folder));
    delete folder;
  } else {
    path = std::string(kMeetingFolder) + "/" + MutexLockFileName(fileName);
    if (!CreateLockFile(path)) path.clear();
  }
  if (!path.empty()) {
    mutex->lockFile =
        FolderItemForPath(string::FromBytes(path.data(), int64_t(path.size()), kEncodingUTF8));
  }
  (void)QV_CHECK_TEXT(mutex->lockFile, "mutex->mLockFile",
                      path.empty() ? "no regular lock file could be made" : nullptr);
}
QV_EXPORT(MutexContructor)

extern "C" void MutexLock(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "mutex", nullptr)) return;
  MutexObject* mutex = AsMutex(object);
  RuntimeThreadImp* self = GetCurrentThreadRecord();
  RuntimeLockObject(object);
  for (;;) {
    if (mutex->lock.owner == self) {
      ++mutex->lock.lockCount;
      break;
    }
    if (mutex->lock.owner) {
      WaitForOwnership(&mutex->lock);  // handed over, or killed
      break;
    }
    if (!QV_CHECK_TEXT(mutex->lockFile, "mutex->mLockFile", nullptr)) break;
    if (LockTheFile(mutex)) {
      TakeOwnership(&mutex->lock, UnlockTheFile);
      break;
    }
    SleepThreadRecord(self, kForeignLockRetryMs, false);  // another process holds the file
    if (self->mKilled) break;
  }
  RuntimeUnlockObject(object);
}
QV_EXPORT(MutexLock)

extern "C" int32_t MutexTryLock(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "mutex", nullptr)) return 0;
  MutexObject* mutex = AsMutex(object);
  if (mutex->lock.owner == GetCurrentThreadRecord()) {
    ++mutex->lock.lockCount;
    return 1;
  }
  if (mutex->lock.owner || !mutex->lockFile || !LockTheFile(mutex)) return 0;
  TakeOwnership(&mutex->lock, UnlockTheFile);
  return 1;
}
QV_EXPORT(MutexTryLock)

extern "C" void MutexUnlock(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "mutex", nullptr)) return;
  MutexObject* mutex = AsMutex(object);
  if (mutex->lock.owner != GetCurrentThreadRecord()) {
    RaiseIllegalLocking("The thread which Signaled the Mutex must be the thread to Release the "
                        "Mutex",
                        3);
    return;
  }
  if (mutex->lock.lockCount > 1) {
    --mutex->lock.lockCount;
    return;
  }
  if (!QV_CHECK_TEXT(mutex->lock.lockCount == 1, "0", nullptr)) return;
  RuntimeThreadImp* next = GiveUpOwnership(&mutex->lock);
  if (next && next->mSuspendCount == 0) ThreadYield();
}
QV_EXPORT(MutexUnlock)
