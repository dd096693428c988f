#include "files/FolderListing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>

namespace {

bool IsDotEntry(const char* name) {
  return name[0] == '.' && (!name[1] || (name[1] == '.' && !name[2]));
}

// The clock the file system stamps its changes with (ticks, not nanoseconds).
timespec FileSystemNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME_COARSE, &now);
  return now;
}

// True when a change after now cannot carry the time modified: it lies a second or more
// before now.
bool Settled(const timespec& modified, const timespec& now) {
  return modified.tv_sec + 1 < now.tv_sec ||
         (modified.tv_sec + 1 == now.tv_sec && modified.tv_nsec <= now.tv_nsec);
}

}  // namespace

bool FolderListing::Stamp::operator==(const Stamp& other) const {
  return device == other.device && inode == other.inode && size == other.size &&
         modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

// The time is taken first, so that any change after the folder is looked at carries a later
// time than the one taken.
const std::vector<FolderListing::Entry>* FolderListing::Current(const std::string& folder,
                                                                int* error) {
  const timespec now = FileSystemNow();
  struct stat info;
  if (stat(folder.c_str(), &info) != 0) {
    *error = errno;
    mKept = false;
    mEntries.clear();
    return nullptr;
  }
  const Stamp stamp{info.st_dev, info.st_ino, info.st_size, info.st_mtim};
  if (mKept && folder == mFolder && stamp == mStamp) return &mEntries;
  if (Read(folder, stamp, now)) return &mEntries;
  *error = errno;
  return nullptr;
}

// readdir answers nil both at the end and on a failure; only a failure sets errno.
bool FolderListing::Read(const std::string& folder, const Stamp& stamp, const timespec& now) {
  mKept = false;
  mEntries.clear();
  DIR* directory = opendir(folder.c_str());
  if (!directory) return false;
  errno = 0;
  while (const dirent* entry = readdir(directory)) {
    if (!IsDotEntry(entry->d_name)) mEntries.push_back({entry->d_name, entry->d_type});
  }
  const int error = errno;
  closedir(directory);
  if (error != 0) {
    mEntries.clear();
    errno = error;
    return false;
  }
  mFolder = folder;
  mStamp = stamp;
  mKept = Settled(stamp.modified, now);
  return true;
}
