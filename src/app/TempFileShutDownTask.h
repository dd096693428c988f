// The shutdown task that deletes the temporary files and folders the framework made: each is
// remembered as a copy of its item and deleted at exit, folders with their contents. A file
// that some process holds locked (a running copy's plug-in library, a Mutex's lock file)
// stays, and so does the folder holding it; everything else goes.
#pragma once

#include "app/FolderItemImp.h"
#include "app/ShutdownTasks.h"
#include "core/SimpleVector.h"

class TempFileShutDownTask : public runShutdownTask {
 public:
  TempFileShutDownTask() = default;
  ~TempFileShutDownTask() override;  // deletes the items, in the order they were added

  // Remembers a copy of item; the caller keeps its own. Nil is ignored.
  void AddItem(const FolderItemImp* item);

 private:
  SimpleVector<FolderItemImp*> mItems;
};

// Deletes item: a folder's entries first (links themselves, never what they point to), then
// the folder; a file only when no process holds a lock on it. Failures are not reported.
void DeleteTempItem(FolderItemImp* item);

// The shutdown task that deletes what a development environment's plug-ins left behind (each
// item a copy, folders with their contents): the same deletion as the framework's own.
class IDEPluginShutDownTask : public TempFileShutDownTask {};
