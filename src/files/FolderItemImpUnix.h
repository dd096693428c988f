// A folder item on the host's file system, named by its absolute path (UTF-8 bytes, as the
// system takes them). The path need not exist.
#pragma once

#include "app/FolderItemImp.h"

class FolderItemImpUnix : public FolderItemImp {
 public:
  // A relative path is taken from the current folder.
  explicit FolderItemImpUnix(const string& path);

  FolderItemImp* Clone() const override;
  bool Exists() const override;
  bool IsAlias() const override;
  bool IsDirectory() const override;
  string GetName() const override;
  string GetPath() const override { return mPath; }
  int32_t Count() const override;
  FolderItemImp* Item(int32_t index, int32_t flags) const override;
  bool Delete() override;
  int OpenForReading() const override;

 private:
  string mPath;
};
