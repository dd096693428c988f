// FolderItemImpUnix: a folder item of the host file system. An item is an absolute path, and
// every question is answered by a system call on that path at the moment it is asked; nothing
// stays open between calls. Only a folder's listing is kept, while the folder is unchanged
// (FolderListing), so that walking it by index reads it once.
//
// The path is held as UTF-8 bytes and handed out tagged ASCII when every byte is below 0x80,
// else UTF-8. It is absolute; a folder's path ends with "/" when the folder existed at
// construction or was made by CreateAsFolder; the root is "/". A relative path given to the
// constructor lies below the application folder. A failed call leaves its errno in lastError.
//
// Links: the operations on the item itself (IsAlias, Delete, renaming, the lock test) act on a
// link, never on what it points to; the others follow it, as the system does.
#pragma once

#include <cstdint>
#include <string>

#include "app/FolderItemImp.h"
#include "files/FolderListing.h"
#include "strings/RuntimeString.h"

class FolderItemImpUnix : public FolderItemImp {
 public:
  // What construction saw of the path.
  struct PathStatus {
    bool statFailed = false;  // stat failed for another reason than a missing item
    bool isLink = false;      // the path names a symbolic link
  };

  // path in any encoding; a relative one is taken below the application folder, and an
  // existing folder's path gets its final "/".
  explicit FolderItemImpUnix(const string& path, PathStatus* status = nullptr);

  static FolderItemImpUnix* FromPath(const string& path);
  // The constructor's work on a path's bytes (which hold no NUL).
  static FolderItemImpUnix* FromBytes(const std::string& path, PathStatus* status = nullptr);
  // The item a "file://" URL names, or nil for any other text or a path holding a NUL.
  static FolderItemImpUnix* FromURL(const string& url);
  // The item a SaveInfo string names (relative records taken from base), or nil.
  static FolderItemImpUnix* FromSaveInfo(const string& text, const FolderItemImp* base);
  // The running program's own file.
  static FolderItemImpUnix* CreateForExecutable();

  FolderItemImp& Assign(const FolderItemImp& other) override;
  FolderItemImp* Clone() const override;
  bool Exists() const override;
  bool IsAlias() const override;
  bool IsDirectory() const override;
  string GetName() const override;
  // Refuses "", ".", "..", a "/" or a NUL (EINVAL), and never replaces another item (EEXIST).
  bool SetName(const string& name) override;
  string GetPath() const override;
  int32_t GetPermissions() const override;
  bool SetPermissions(int32_t bits) override;
  bool SetOwner(const string& name) override;
  string GetOwner() const override;
  bool SetGroup(const string& name) override;
  string GetGroup() const override;
  bool IsVisible() const override;
  bool SetVisible(bool visible) override;
  bool IsLocked() const override { return !IsWriteable(); }
  string GetType() const override;
  string GetSaveInfo(const FolderItemImp* relativeTo, int32_t kind) const override;
  string GetShellPath() const override;
  double GetCreationDate() const override;
  double GetModificationDate() const override;
  bool SetModificationDate(double date) override;
  bool IsReadable() const override;
  // The host's answer for the item, or for its folder when the item does not exist: no probe
  // file is ever written.
  bool IsWriteable() const override;
  uint64_t GetLength() const override;
  bool SetLength(uint64_t length) override;
  RandomAccessMechanism* OpenAsMechanism(bool read, bool write) const override;
  RandomAccessMechanism* OpenAsAppendMechanism() const override;
  bool RefusesSpecialFile() const override;
  FolderItemImp* GetParent() const override;
  FolderItemImp* GetSpecialFolder(int32_t code) const override;
  int32_t Count() const override;
  FolderItemImp* Item(int32_t index, int32_t flags) const override;
  FolderItemImp* Child(const string& name, int32_t flags) const override;
  // The end of the link's chain (a relative link read against its folder), or nil when the
  // item is no link or the chain loops (ELOOP).
  FolderItemImp* ResolveAlias(int32_t flags) override;
  void MakeExecutable() override;
  bool CreateAsFolder() override;
  RandomAccessMechanism* CreateMechanism(const string& fileType) override;
  RandomAccessMechanism* ReplaceMechanism(const string& fileType) override;
  bool Delete() override;
  bool CopyTo(FolderItemImp* destination) override;
  bool MoveTo(FolderItemImp* destination) override;
  bool Launch(const string& parameters, bool activate) override;
  RuntimeObject* OpenAsPicture(int32_t format) override;
  bool SaveAsPicture(RuntimeObject* picture, int32_t format) override;
  RuntimeObject* OpenAsMovie() override;
  RuntimeObject* OpenAsSound() override;
  int OpenForReading() const override;

  // The receiver's path relative to other's folder, as a SaveInfo's relative record holds it.
  virtual string RelativePathTo(const FolderItemImp& other) const;

  // The path's bytes.
  const std::string& PathBytes() const { return mPath; }

 private:
  struct Exact {};
  // An item on path exactly as given (already absolute and complete).
  FolderItemImpUnix(std::string path, Exact) : mPath(std::move(path)) {}
  static FolderItemImpUnix* OnPath(std::string path) {
    return new FolderItemImpUnix(std::move(path), Exact{});
  }

  // The path without the final "/" of a folder: the link itself for lstat, unlink, rename.
  std::string ItemPath() const;
  // False with errno kept when the call failed.
  bool Succeeded(int result) const;
  // The folder's entries; nil, with the failing call's errno kept, when it cannot be listed.
  const std::vector<FolderListing::Entry>* Listing() const;
  // False with ENOTSUP when a copy to destination would read or write a FIFO, a device or a
  // socket.
  bool CopiesOnlyFiles(const FolderItemImp& destination) const;
  // Runs a program on the item's behalf; false with a defined code when it failed.
  // bytes: what the result needs on its disk (0 when unknown).
  bool RunCommand(const char* const* argv, const FolderItemImp* destination, uint64_t bytes);
  // Copies the item to file (destination's path, or a file in that folder) so that a copy that
  // fails leaves what was there as it was.
  bool CopyWhole(const std::string& file, const FolderItemImp& destination);

  std::string mPath;
  mutable FolderListing mListing;  // the entries Count and Item answer from
};

// The application's folder (folder true: the path RuntimeSetApplicationPath set, else the
// executable's folder, with its final "/") or the executable's own path; computed once.
std::string GetApplicationPath(bool folder);

// The text with a backslash before every byte /bin/sh treats specially, and each newline in
// single quotes, so that the shell reads it back as one word of exactly these bytes.
string ShellEscape(const string& text);
// The text without its last character when that is "/" (the root stays "/").
std::string StripTrailingSlash(const std::string& path);

// Picture format codes: how OpenAsPicture reads a file.
enum PictureFormat : int32_t {
  kPictureFormatUnknown = 0,
  kPictureFormatPNG = 150,
  kPictureFormatJPEG = 151,
  kPictureFormatPICT = 200,
  kPictureFormatBMP = 350,
  kPictureFormatXPM = 400,
  kPictureFormatXBM = 401,
  kPictureFormatGIF = 402,
  kPictureFormatTIFF = 403,
};
// The format of the item's file, by its name's extension, else by "BM" at its start.
int32_t DetectPictureFormat(const FolderItemImp& item);
