// Files the framework writes for other code to read, such as the movies and sounds an image
// carries: each gets a unique name in the temporary folder and is deleted at quit.
#pragma once

#include <cstdint>

#include "app/FolderItemImp.h"
#include "core/IntMap.h"

// A set of such files with a shutdown task of its own (a TempFileShutDownTask), made on the
// first file. One set per kind of file, kept for the life of the process.
class TemporaryFileSet {
 public:
  TemporaryFileSet() = default;
  TemporaryFileSet(const TemporaryFileSet&) = delete;
  TemporaryFileSet& operator=(const TemporaryFileSet&) = delete;

  // Writes length bytes into a new file of folder, named by six random characters followed by
  // extension (".mov"), and adds it to the set. The new item (the caller's), or nil after a
  // report when the file cannot be made or written whole (nothing is left behind then).
  FolderItemImp* Write(const FolderItemImp& folder, const uint8_t* data, uint32_t length,
                       const char* extension);
  // One file for each key: the file Written for key before (a new item for it) while it
  // still exists, else a new one as Write makes it.
  FolderItemImp* WriteOnce(int32_t key, const FolderItemImp& folder, const uint8_t* data,
                           uint32_t length, const char* extension);

 private:
  class Task;
  Task* mTask = nullptr;  // nil until the first file, and again once the task has run
  IntMap<FolderItemImp*> mOnce;  // an item of its own for each key's file
};

// Writes all length bytes to the descriptor, going on after interruptions; false when a write
// fails or writes nothing.
bool WriteAllToDescriptor(int fd, const uint8_t* data, uint32_t length);
