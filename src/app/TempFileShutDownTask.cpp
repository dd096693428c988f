#include "app/TempFileShutDownTask.h"

#include <errno.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// True when another process holds a lock on the file. A file that cannot be opened is not.
bool HeldByAnotherProcess(const FolderItemImp* item) {
  const int fd = item->OpenForReading();
  if (fd < 0) return false;
  const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  if (!held) flock(fd, LOCK_UN);
  close(fd);
  return held;
}

// The folder's entries as they are now: deleting one never changes which are visited, so a
// locked entry hides none of the others.
SimpleVector<FolderItemImp*> Entries(const FolderItemImp* folder) {
  SimpleVector<FolderItemImp*> entries;
  const int32_t count = folder->Count();
  for (int32_t i = 0; i < count; ++i) {
    if (FolderItemImp* entry = folder->Item(i, 0)) entries.Append(entry);
  }
  return entries;
}

}  // namespace

void DeleteTempItem(FolderItemImp* item) {
  if (!item) return;
  if (item->IsDirectory() && !item->IsAlias()) {
    SimpleVector<FolderItemImp*> entries = Entries(item);
    for (uint32_t i = 0; i < entries.size(); ++i) {
      DeleteTempItem(entries[int32_t(i)]);
      delete entries[int32_t(i)];
    }
  } else if (!item->IsAlias() && HeldByAnotherProcess(item)) {
    return;
  }
  item->Delete();
}

TempFileShutDownTask::~TempFileShutDownTask() {
  for (uint32_t i = 0; i < mItems.size(); ++i) {
    DeleteTempItem(mItems[int32_t(i)]);
    delete mItems[int32_t(i)];
  }
}

void TempFileShutDownTask::AddItem(const FolderItemImp* item) {
  if (item) mItems.Append(item->Clone());
}
