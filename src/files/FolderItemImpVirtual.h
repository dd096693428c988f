// FolderItemImpVirtual: a folder item inside a virtual volume. Every operation goes to the
// volume's directory layer (VHFSVolume); the item holds the VirtualVolume object for as long as
// it lives, and answers false, 0 or nil once the volume has no layer. Items have no links,
// permissions, owners or groups: those keep the defaults.
//
// The item is its containing folder's entry and its own name (found again by name, ignoring
// case, on every call, so that it may name something that does not exist yet), or, for the
// root, its own entry. Paths begin with the root's name and have no leading "/".
//
// A change is on the volume's disk when it answers done; one that cannot be written leaves
// nothing of itself and the volume file's reason (ENOSPC on a full disk) in lastError. So does
// a question the volume file failed to answer (EIO): an item that could not be read is not
// thereby missing, nor a folder that could not be listed empty. A replacement that fails
// leaves no file beside the one it replaced: one the disk would not let go goes at the
// volume's next change.
//
// Walks up (the path, the parent, the URL) and down (DeleteTree) are bounded by the number of
// files in the volume: a cycle in damaged metadata fails the call. Copying or moving between
// volumes, or to or from the host, goes through the shared stream copy.
#pragma once

#include <cstdint>

#include "app/FolderItemImp.h"
#include "core/RuntimeObject.h"
#include "files/VHFSVolume.h"

class FolderItemImpVirtual : public FolderItemImp {
 public:
  // The root item of volume; rootEntry must be the root's (number 2).
  FolderItemImpVirtual(RuntimeObject* volume, const VEntry& rootEntry);
  ~FolderItemImpVirtual() override;

  RuntimeObject* Volume() const { return mVolume; }
  // True when both name one place of one volume (names compared ignoring case).
  bool IsSameItem(const FolderItemImpVirtual& other) const;

  FolderItemImp& Assign(const FolderItemImp& other) override;
  FolderItemImp* Clone() const override;
  bool Exists() const override { return Found().type != 0; }
  bool IsDirectory() const override { return Found().type == VHFSVolume::kFolderType; }
  bool IsVirtual() const override { return true; }
  string GetName() const override { return mName; }
  bool SetName(const string& name) override;
  string GetPath() const override;
  // "" when the item has no path (a cycle above it).
  string GetURLPath() const override;
  string GetType() const override;
  uint32_t GetMacType() const override;
  bool SetMacType(uint32_t code) override;
  double GetCreationDate() const override;
  bool SetCreationDate(double date) override;
  double GetModificationDate() const override;
  bool SetModificationDate(double date) override;
  int32_t GetMacDirID() const override;
  uint64_t GetLength() const override;
  bool SetLength(uint64_t length) override;
  RandomAccessMechanism* OpenAsMechanism(bool read, bool write) const override;
  FolderItemImp* GetParent() const override;
  int32_t Count() const override;
  FolderItemImp* Item(int32_t index, int32_t flags) const override;
  FolderItemImp* Child(const string& name, int32_t flags) const override;
  bool CreateAsFolder() override;
  RandomAccessMechanism* CreateMechanism(const string& fileType) override;
  RandomAccessMechanism* ReplaceMechanism(const string& fileType) override;
  bool Delete() override;
  bool DeleteTree() override;
  bool MoveTo(FolderItemImp* destination) override;

 private:
  FolderItemImpVirtual(RuntimeObject* volume, const string& name, const VEntry& entry,
                       bool isSelf);
  VHFSVolume* Layer() const;
  // A new item of the item's folder, named after it, that does not exist yet; nil when none.
  FolderItemImpVirtual* UnusedSibling() const;
  // Deletes the item, which is made, now or at the volume's next change.
  void DeleteNowOrLater(const VEntry& made);
  // ask(layer)'s answer; a read the volume file failed on the way leaves its reason.
  template <typename Ask>
  auto Asked(VHFSVolume* layer, Ask ask) const;
  // The item's own entry (type 0 when it does not exist).
  VEntry Found() const;
  // The info of found, an entry of this volume (false for none).
  bool Info(const VEntry& found, VItemInfo* info) const;
  // The number of the folder the item is, or 0.
  uint32_t FolderNumber() const;
  // The item's number, its containing folder's and the info of a file (not a folder); false
  // otherwise.
  bool FileInfo(VEntry* found, VItemInfo* info) const;
  bool ChangeInfo(void (*change)(VItemInfo*, double), double value);
  bool Answer(bool done) const;

  RuntimeObject* mVolume;  // one reference held
  string mName;
  VEntry mEntry;  // the containing folder's; the item's own when mIsSelf
  bool mIsSelf;
};
