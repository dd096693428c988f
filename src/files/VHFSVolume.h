// VHFSVolume: the directory layer of a virtual volume. Every item is one numbered file of the
// container (VFSVolume) that starts with a 256-byte header; a folder's data is the list of its
// children's numbers. The root folder is file 2.
//
//   0 data length (double)   8 type ("fold", "????", ...; 0 = no item)   12 containing folder
//   16 creation date   24 modification date (doubles, a Date's TotalSeconds)
//   32 name: UTF-8, at most 223 bytes, NUL-padded to 224   256 data
//   folder data: child count (u32), then that many child numbers (u32)
//
// What the layer promises:
//   - Names are kept as UTF-8 cut at 223 bytes on a character boundary; an empty name or one
//     holding a NUL is refused. No folder ever holds two entries of one name (ignoring case):
//     creating, renaming and moving onto a taken name fail.
//   - A folder is never moved into itself or one of its descendants; an item a VFile holds open
//     is not deleted; the root is never deleted; a folder is deleted only when empty.
//   - Each folder's listing is read once and kept (names folded for case-free lookup), and
//     changed in step with every change the layer makes to that folder, so a lookup reads no
//     sibling's header. A listing whose child count exceeds a quarter of the folder's data
//     length is reported (condition "0") and holds nothing. A listing the volume file failed
//     to read whole is no listing: nothing of it is kept, and the call fails (the file's reason
//     in Core().TakeDiskError()), so that no name goes unseen and is made a second time.
//   - Every walk up the tree is bounded by the number of files: a cycle in damaged metadata
//     fails the call.
//   - Every change (create, delete, rename, type, move, information) is on disk when it answers
//     done; one that cannot be written all answers failure and leaves nothing of itself, in
//     memory or on disk (Core().TakeDiskError() says why: ENOSPC on a full disk).
//   - An item its maker could not delete (DeleteLater: the file a failed replacement wrote) is
//     deleted before the next change, or when the volume goes, unless it was renamed or moved.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/RuntimeObject.h"
#include "files/VFSVolume.h"
#include "strings/RuntimeString.h"

class VFile;

// A directory entry: type 0 says there is no such item.
struct VEntry {
  uint32_t number = 0;
  std::string name;  // UTF-8
  uint32_t type = 0;
};

// The dates and length an item's header holds.
struct VItemInfo {
  double length = 0;
  double created = 0;
  double modified = 0;
};

class VHFSVolume {
 public:
  static constexpr uint32_t kFolderType = 0x666F6C64;  // "fold"
  static constexpr uint32_t kTemporaryType = 0x74656D70;  // "temp"
  static constexpr uint32_t kRootNumber = 2;
  static constexpr uint32_t kItemHeaderSize = 256;
  static constexpr int32_t kMaxNameBytes = 223;

  // A new volume over disk with an empty root; nil when it could not be made.
  static VHFSVolume* Create(RandomAccessMechanism* disk, bool ownsDisk);
  // The volume in disk; nil when the container or its root folder does not hold, with the
  // volume file's errno in *error when reading it failed (else 0). A read-only volume refuses
  // every change.
  static VHFSVolume* Open(RandomAccessMechanism* disk, bool ownsDisk, bool readOnly = false,
                          int32_t* error = nullptr);
  virtual ~VHFSVolume();
  VHFSVolume(const VHFSVolume&) = delete;
  VHFSVolume& operator=(const VHFSVolume&) = delete;

  VFSVolume& Core() { return *mCore; }
  // The name as stored: UTF-8 cut at kMaxNameBytes on a character boundary; false for an empty
  // name or one holding a NUL.
  static bool StoredName(const string& name, std::string* stored);
  // The case-free key of a stored name.
  static std::string Folded(const std::string& name);

  VEntry RootEntry() { return EntryOf(kRootNumber); }
  VEntry EntryOf(uint32_t number);
  // The number of the item's containing folder; 0 for the root and for an unreadable item.
  uint32_t ParentOf(uint32_t number);
  // The folder's entries in list order, or nil when it is no folder. Valid until the next
  // change through this layer.
  const std::vector<VEntry>* List(uint32_t folder);
  // The folder's entry of that name (ignoring case), or an entry of type 0.
  VEntry FindChild(uint32_t folder, const string& name);

  // The new item's number, or 0.
  uint32_t CreateItem(uint32_t folder, const string& name, uint32_t type);
  uint32_t CreateFolder(uint32_t folder, const string& name);
  bool Delete(uint32_t folder, uint32_t number);
  // The item's new name in folder (the root's: folder is not asked); false when another entry
  // of the folder has it.
  bool Rename(uint32_t folder, uint32_t number, const string& name);
  bool SetType(uint32_t folder, uint32_t number, uint32_t type);
  // Moves the item from one folder into another, keeping its name; false when the name is
  // taken there or the item is a folder that would land inside itself.
  bool Move(uint32_t number, uint32_t from, uint32_t to);
  // Moves the item into folder to under name. A file already there under that name is deleted
  // first (not a folder, not a file held open); nothing changes when any step would refuse.
  bool MoveReplacing(uint32_t number, uint32_t from, uint32_t to, const string& name);
  bool GetInfo(uint32_t number, VItemInfo* info);
  // Writes the three values back; a shorter length clears the bytes it cuts off.
  bool SetInfo(uint32_t number, const VItemInfo& info);
  // The file item opened for byte I/O, holding volumeObject while open; nil for a folder, for an
  // item whose stored length is not a whole number >= 0, or when the container refuses.
  VFile* OpenFile(uint32_t number, RuntimeObject* volumeObject);
  // Writes a file's data length into its header through an open handle.
  bool WriteLength(int32_t handle, uint64_t length);
  // Deletes the item of folder at the next change, or when the volume goes, if the folder
  // still lists it under the name it has now.
  void DeleteLater(uint32_t folder, const VEntry& item);

 private:
  struct Header {
    double length = 0;
    uint32_t type = 0;
    uint32_t parent = 0;
    double created = 0;
    double modified = 0;
    std::string name;
  };
  struct Listing {
    std::vector<VEntry> entries;
    std::unordered_map<std::string, uint32_t> byName;  // folded name -> first index
  };
  struct Stray {
    uint32_t folder;
    uint32_t number;
    std::string name;
  };

  explicit VHFSVolume(VFSVolume* core) : mCore(core) {}
  template <typename Change>
  bool Changed(Change change);
  bool ReadItem(uint32_t number, uint64_t position, void* buffer, int32_t count);
  bool WriteItem(uint32_t number, uint64_t position, const void* buffer, int32_t count);
  bool ReadHeader(uint32_t number, Header* header);
  std::string EncodeHeader(const Header& header) const;
  bool WriteWord(uint32_t number, uint64_t position, uint32_t value);
  bool WriteDouble(uint32_t number, uint64_t position, double value);
  Listing* Listed(uint32_t folder);
  // False when folder is no folder, or when the disk failed after its count stood at failures;
  // a list the volume cut short lists what came.
  bool ReadListing(uint32_t folder, uint64_t failures, Listing* listing);
  void DeleteStrays();
  void IndexName(Listing* listing, uint32_t index);
  void UnindexName(Listing* listing, uint32_t index);
  bool AppendChild(uint32_t folder, uint32_t number);
  bool RemoveChild(uint32_t folder, uint32_t number);
  int64_t IndexOf(const Listing& listing, uint32_t number) const;
  // True when folder is item or lies below it (or the walk up cannot tell: a cycle).
  bool IsWithin(uint32_t folder, uint32_t item);
  uint32_t MakeItem(uint32_t folder, const string& name, uint32_t type);
  bool WriteName(uint32_t number, const std::string& stored);
  bool RenameListed(Listing* listing, uint32_t index, const std::string& stored);
  uint32_t TakenByOther(const Listing& listing, const std::string& stored,
                        uint32_t number) const;
  bool Relocate(uint32_t number, uint32_t from, uint32_t to, const std::string& stored,
                bool replacing);

  VFSVolume* mCore;
  std::unordered_map<uint32_t, Listing> mListings;
  std::vector<Stray> mStrays;
};
