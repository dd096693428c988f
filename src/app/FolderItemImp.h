// FolderItemImp: one file-system item (a file, a folder, a link, or a name where nothing
// exists yet) as the application layer works with it: the command-line documents, the
// program's own file and the temporary items deleted at exit. The files layer implements it
// for host paths and installs, at start-up, the services below through which this layer makes
// items and FolderItem objects without depending on that layer.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// Item flag: follow a link to its target.
constexpr int32_t kFolderItemResolveLinks = 64;

class FolderItemImp {
 public:
  virtual ~FolderItemImp() = default;

  // A new item for the same location, owned by the caller.
  virtual FolderItemImp* Clone() const = 0;
  virtual bool Exists() const = 0;
  // True for a symbolic link, whatever it points to.
  virtual bool IsAlias() const = 0;
  // True for a folder, or a link to one.
  virtual bool IsDirectory() const = 0;
  virtual string GetName() const = 0;  // UTF-8
  virtual string GetPath() const = 0;  // absolute, UTF-8
  // The number of entries of a folder (0 for anything else).
  virtual int32_t Count() const = 0;
  // The entry at the 0-based index, owned by the caller, or nil; with kFolderItemResolveLinks a
  // link entry is replaced by its target.
  virtual FolderItemImp* Item(int32_t index, int32_t flags) const = 0;
  // Deletes a file, a link or an empty folder; true on success.
  virtual bool Delete() = 0;
  // Opens the existing file for reading, for a lock test; a descriptor the caller closes, or -1.
  virtual int OpenForReading() const = 0;
};

struct FolderItemServices {
  // A new item for path (UTF-8; a relative path is taken from the current folder).
  FolderItemImp* (*itemForPath)(const string& path);
  // A new FolderItem object (one reference for the caller) that owns item.
  RuntimeObject* (*newFolderItem)(FolderItemImp* item);
};

void SetFolderItemServices(const FolderItemServices& services);

// A new item for path, or nil before the files layer installed its services.
FolderItemImp* FolderItemForPath(const string& path);
// A new FolderItem object for path (one reference for the caller), or nil as above.
RuntimeObject* NewFolderItemObject(const string& path);
