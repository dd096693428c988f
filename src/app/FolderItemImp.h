// FolderItemImp: one file-system item (a file, a folder, a link, or a name where nothing
// exists yet) behind every FolderItem of the language, with one virtual operation for every
// question or action the language class forwards. The base gives each operation a default, so
// a platform class overrides only what its platform can do.
//
// The application layer works with items through this interface alone (the command-line
// documents, the program's own file, the temporary items deleted at exit). The files layer
// implements it for host paths and installs, at start-up, the services below through which this
// layer makes items and FolderItem objects without depending on that layer. The operations that
// go through byte I/O mechanisms (the write probe behind IsWriteable, copying through streams)
// and the other shared algorithms are defined by the files layer too (files/FolderItemShared).
//
// Contract of every operation: failure is a false, 0, "" or nil result; a platform class that
// knows why leaves the host's code in lastError, which successes do not clear. Operations that
// return another item hand the caller a new item it owns, except ResolveAlias, which may return
// the receiver itself. An item holds no open handles between calls.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

class RandomAccessMechanism;

// Item flag: follow a link to its target.
constexpr int32_t kFolderItemResolveLinks = 64;
// The four-character code "????": any type, any creator.
constexpr uint32_t kUnknownFileCode = 0x3F3F3F3F;

class FolderItemImp {
 public:
  FolderItemImp() = default;
  virtual ~FolderItemImp() = default;
  FolderItemImp(const FolderItemImp&) = delete;
  FolderItemImp& operator=(const FolderItemImp&) = delete;

  // Copies the location of another item of the same class.
  virtual FolderItemImp& Assign(const FolderItemImp&) { return *this; }
  // A new item at the same location (lastError not copied).
  virtual FolderItemImp* Clone() const;
  virtual bool Exists() const { return false; }
  // True for a symbolic link, whatever it points to.
  virtual bool IsAlias() const { return false; }
  // True for a folder, or a link to one.
  virtual bool IsDirectory() const { return false; }
  virtual bool IsVirtual() const { return false; }
  virtual string GetName() const { return string(); }
  virtual bool SetName(const string&) { return false; }
  virtual string GetPath() const { return GetName(); }
  virtual string GetDisplayName() const { return GetName(); }
  virtual bool SetDisplayName(const string& name) { return SetName(name); }
  virtual bool GetExtensionVisible() const { return true; }
  virtual void SetExtensionVisible(bool) {}
  virtual int32_t GetPermissions() const { return 0; }
  virtual bool SetPermissions(int32_t) { return false; }
  virtual bool SetOwner(const string&) { return false; }
  virtual string GetOwner() const { return string(); }
  virtual bool SetGroup(const string&) { return false; }
  virtual string GetGroup() const { return string(); }
  virtual bool IsVisible() const { return true; }
  virtual bool SetVisible(bool) { return false; }
  virtual bool IsLocked() const { return false; }
  virtual bool SetLocked(bool) { return false; }
  // The name of the registered file type that matches the item, or "".
  virtual string GetType() const { return string(); }
  // The SaveInfo bytes of the item, relative to relativeTo (nil: absolute only).
  virtual string GetSaveInfo(const FolderItemImp*, int32_t) const { return string(); }
  virtual string GetShellPath() const { return GetPath(); }
  // "file://" and the percent-encoded names from the root down; a folder's ends with "/".
  virtual string GetURLPath() const;
  virtual uint32_t GetMacType() const { return kUnknownFileCode; }
  virtual bool SetMacType(uint32_t) { return false; }
  virtual uint32_t GetMacCreator() const { return kUnknownFileCode; }
  virtual bool SetMacCreator(uint32_t) { return false; }
  // Dates in the language's unit: a Date's TotalSeconds.
  virtual double GetCreationDate() const { return 0.0; }
  virtual bool SetCreationDate(double) { return false; }
  virtual double GetModificationDate() const { return GetCreationDate(); }
  virtual bool SetModificationDate(double) { return false; }
  virtual int32_t GetMacVRefNum() const { return 0; }
  virtual int32_t GetMacDirID() const { return 0; }
  virtual bool IsReadable() const { return true; }
  // Whether the item can be written now: the write probe (a byte read and written back, or a
  // probe file made and deleted in the folder).
  virtual bool IsWriteable() const;
  virtual uint64_t GetLength() const { return 0; }
  virtual bool SetLength(uint64_t) { return false; }
  virtual int32_t GetResourceForkLength() const { return 0; }
  // The existing file opened for byte I/O (the caller's), or nil.
  virtual RandomAccessMechanism* OpenAsMechanism(bool, bool) const { return nullptr; }
  // True, with ENOTSUP kept, when the item stands for a FIFO, a device or a socket, which no
  // object is made of (a picture, a sound, a volume): reading one would wait or never end.
  virtual bool RefusesSpecialFile() const { return false; }
  // The existing file opened to add to, at its end (the caller's), or nil with lastError set.
  // The base opens it for reading and writing and moves to the end.
  virtual RandomAccessMechanism* OpenAsAppendMechanism() const;
  virtual FolderItemImp* GetParent() const { return nullptr; }
  virtual FolderItemImp* GetSpecialFolder(int32_t) const { return nullptr; }
  // The number of entries of a folder (0 for anything else).
  virtual int32_t Count() const { return 0; }
  // The entry at the 0-based index, or nil; with kFolderItemResolveLinks a link entry is
  // replaced by its target.
  virtual FolderItemImp* Item(int32_t, int32_t) const { return nullptr; }
  // The entry of a folder by name, whether it exists or not; nil for anything but a folder.
  virtual FolderItemImp* Child(const string&, int32_t) const { return nullptr; }
  // The target of a link (nil when the item is none); the base answers the receiver.
  virtual FolderItemImp* ResolveAlias(int32_t) { return this; }
  virtual void MakeExecutable() {}
  virtual bool CreateAsFolder() { return false; }
  // Creates or empties the file and opens it for byte I/O (the caller's), or nil.
  virtual RandomAccessMechanism* CreateMechanism(const string&) { return nullptr; }
  // Opens the file's new contents for byte I/O (the caller's), or nil: a save or a copy over
  // the file. They take its place whole when the stream is closed after every write went
  // through; a write or the close that fails, or a stream released unclosed, leaves the file
  // as it was. The base writes in place.
  virtual RandomAccessMechanism* ReplaceMechanism(const string& type) {
    return CreateMechanism(type);
  }
  // Deletes a file, a link or an empty folder; true on success.
  virtual bool Delete() { return false; }
  // Deletes a folder with its contents (links as files); false for anything but a folder.
  virtual bool DeleteTree();
  virtual bool CopyTo(FolderItemImp* destination);
  // The base copies, then deletes the receiver's file.
  virtual bool MoveTo(FolderItemImp* destination);
  virtual bool Launch(const string&, bool) { return false; }
  // Media and styled text: language objects, nil until their layers take files. A styled
  // edit field's plain text goes through the hooks its layer installs (false without them).
  virtual bool OpenStyledEditField(RuntimeObject* field);
  virtual RuntimeObject* OpenAsPicture(int32_t) { return nullptr; }
  virtual RuntimeObject* OpenAsMovie() { return nullptr; }
  virtual RuntimeObject* OpenAsSound() { return nullptr; }
  virtual RuntimeObject* OpenAsJPEGPicture() { return nullptr; }
  virtual RuntimeObject* OpenAsIcons() { return nullptr; }
  virtual RuntimeObject* OpenAsCursor() { return nullptr; }
  virtual bool SaveAsPicture(RuntimeObject*, int32_t) { return false; }
  virtual bool SaveAsJPEG(RuntimeObject*) { return false; }
  virtual bool SaveStyledEditField(RuntimeObject* field);
  // Opens the existing file for reading without following a link, for a lock test: a
  // descriptor the caller closes, or -1.
  virtual int OpenForReading() const { return -1; }

  void SetLastError(int32_t code) const { lastError = code; }

  // The failing call's error code (errno on the host); 0 after construction.
  mutable int32_t lastError = 0;
};

struct FolderItemServices {
  // A new item for path (UTF-8; a relative path is taken from the current folder).
  FolderItemImp* (*itemForPath)(const string& path);
  // A new FolderItem object (one reference for the caller) that owns item.
  RuntimeObject* (*newFolderItem)(FolderItemImp* item);
  // A new item for the temporary folder, or nil when there is none.
  FolderItemImp* (*temporaryFolder)();
};

// The edit fields' side of OpenStyledEditField and SaveStyledEditField: true on success.
struct StyledFieldFileHooks {
  bool (*open)(FolderItemImp* item, RuntimeObject* field) = nullptr;
  bool (*save)(FolderItemImp* item, RuntimeObject* field) = nullptr;
};
// Installs hooks; the ones installed before.
StyledFieldFileHooks SetStyledFieldFileHooks(const StyledFieldFileHooks& hooks);

// Installs services; the ones installed before.
FolderItemServices SetFolderItemServices(const FolderItemServices& services);

// A new item for path, or nil before the files layer installed its services.
FolderItemImp* FolderItemForPath(const string& path);
// A new FolderItem object for path (one reference for the caller), or nil as above.
RuntimeObject* NewFolderItemObject(const string& path);
// A new item for the temporary folder (the caller's), or nil as above or when there is none.
FolderItemImp* TemporaryFolderItem();
