// What every kind of folder item shares, written once on top of the FolderItemImp operations
// (app/FolderItemImp.h declares the base class whose defaults are defined here): copying
// through byte streams, deleting a folder tree, the write probe behind IsWriteable, the
// "file://" URL of an item, and the reverse, a URL's path.
#pragma once

#include "app/BackgroundTask.h"
#include "app/FolderItemImp.h"
#include "strings/RuntimeString.h"

// Finishes deleting a probe file whose first deletion failed: tries again every 10 ticks until
// the file is gone, then deletes the item and itself.
class TempFileDeleter : public BackgroundTask {
 public:
  explicit TempFileDeleter(FolderItemImp* item);  // takes item over
  ~TempFileDeleter() override;
  void Run() override;

 private:
  FolderItemImp* mItem;
};

// The path of a "file://" URL (the prefix in any letter case): the text after "file://" and its
// slash, every "/" turned into separator, %XX sequences decoded (UTF-8). False for any other
// text.
bool URLToPath(const string& url, char separator, string* path);

// True when the two items name the same place (same kind, same path).
bool SameItem(const FolderItemImp& a, const FolderItemImp& b);

// True when copying source to destination would copy the file onto itself: the destination is
// the file, or the folder that holds it.
bool IsOwnTarget(const FolderItemImp& source, const FolderItemImp& destination);
