// The entries of one folder as readdir lists them, kept while the folder is unchanged, so that
// walking a folder by index (Count, then Item(1) .. Item(Count)) reads it once instead of once
// per item.
//
// The folder is unchanged while stat gives the same device, inode, size and modification time
// to the nanosecond: adding, removing or renaming an entry sets the time. A time is only as
// fine as the file system's clock, though, so a change in the same tick as the one before it
// could keep the time; a listing is therefore kept only when the folder's time lies a second
// or more before the moment it was read. A folder changed within the last second is read
// afresh on every call.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

class FolderListing {
 public:
  struct Entry {
    std::string name;
    unsigned char type;  // readdir's DT_ code: DT_UNKNOWN when the file system does not say
  };

  // The entries of folder in readdir order, without "." and "..": the kept ones when folder is
  // the one they were read from and is unchanged since, else read now. Nil, with the errno of
  // the call that failed in *error, when the folder cannot be read. Valid until the next call.
  const std::vector<Entry>* Current(const std::string& folder, int* error);

 private:
  // What stat says of a folder, as far as a change shows in it.
  struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    bool operator==(const Stamp& other) const;
  };
  // False with errno when the folder cannot be opened or read.
  bool Read(const std::string& folder, const Stamp& stamp, const timespec& now);

  std::string mFolder;
  Stamp mStamp;
  bool mKept = false;
  std::vector<Entry> mEntries;
};
