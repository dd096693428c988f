// What every kind of folder item shares, written once on top of the FolderItemImp operations
// (app/FolderItemImp.h declares the base class whose defaults are defined here): copying
// through byte streams, a save over a file, deleting a folder tree, the write probe behind
// IsWriteable, the "file://" URL of an item, and the reverse, a URL's path.
#pragma once

#include <functional>

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

class RandomAccessMechanism;

// A save: writes new contents at item, over any file there, through write (false when it
// failed). They take the file's place once write and the close went through; otherwise the
// file stays as it was and item's LastErrorCode says why: the stream's error, else its own
// (the stream could not be had), else writerError (the writer failed by itself).
bool SaveReplacing(FolderItemImp& item, const string& type,
                   const std::function<bool(RandomAccessMechanism&)>& write, int32_t writerError);

// True when the two items name the same place (same kind, same path).
bool SameItem(const FolderItemImp& a, const FolderItemImp& b);

// True when copying source to destination would copy the file onto itself: the destination is
// the file, or the folder that holds it.
bool IsOwnTarget(const FolderItemImp& source, const FolderItemImp& destination);
