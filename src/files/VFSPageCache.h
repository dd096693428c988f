// VFSPageCache: the volume file seen through pages of 64 KB kept in memory. The container reads
// and writes headers and block data in small pieces all over the file; through the cache they
// cost a memory copy, and the file sees what changed, written back in file order at Flush (and
// when a changed page must leave the cache). At most 64 pages are held. A write of the bytes a
// page holds already changes nothing, so a volume that rewrites its metadata whole writes out
// only what differs.
//
// Bytes past the end of the file read as zeros until written. Nothing is written to the file
// before Flush or an eviction: whoever needs the bytes on disk (a closed VFile, a change of the
// volume's directories) flushes.
//
// A disk that fills never leaves the file's old bytes pointing at new ones that are not there:
// every write-back first appends what lies past the file's end and pushes it out, and only
// once the disk has taken all of it overwrites what the file held (which needs no new room).
// A write-back that fails leaves the file as it was, but for a torn tail past its old end, and
// every page still changed, to be written again.
//
// While held (Hold), nothing at all is written: a changed page never leaves, and the cache grows
// past its 64 pages if it must, so that DropChanges can still take back every change made since
// the last Flush.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "files/RandomAccessMechanism.h"

class VFSPageCache {
 public:
  explicit VFSPageCache(RandomAccessMechanism* disk);
  VFSPageCache(const VFSPageCache&) = delete;
  VFSPageCache& operator=(const VFSPageCache&) = delete;

  bool Read(uint64_t offset, void* buffer, uint32_t count);
  bool Write(uint64_t offset, const void* buffer, uint32_t count);
  // Writes every changed page back and flushes the disk; false when the disk failed.
  bool Flush();
  // Forgets every page, changed or not, and takes the file's length anew (after it was cut).
  void Reset();
  // True when pages hold changes the file has not taken.
  bool HasChanges() const;
  void Hold(bool held) { mHeld = held; }
  // Takes back every change since the last Flush that went through: the changed pages go, and
  // a file that grew past length (a write-back that failed half way) is cut back to it. False
  // when the file could not be cut.
  bool DropChanges(uint64_t length);
  uint64_t FileLength() const { return mFileLength; }
  // Why the disk last failed (its errno, EIO when it gave none), or 0; cleared once taken.
  int32_t TakeError();
  void SetError(int32_t error) { mError = error; }

 private:
  struct Page {
    std::vector<uint8_t> bytes;
    uint32_t extent = 0;  // bytes that exist: read from the file or written
    bool dirty = false;
    uint32_t changedFrom = 0, changedTo = 0;  // the bytes written since the last write-back
    uint64_t lastUse = 0;
  };
  Page* PageAt(uint64_t index);
  bool MakeRoom();
  bool WriteChanged();
  bool WriteRange(uint64_t offset, const uint8_t* bytes, uint64_t count);
  bool FlushDisk();
  bool DiskFailed();

  RandomAccessMechanism* mDisk;
  std::map<uint64_t, Page> mPages;
  uint64_t mClock = 0;
  uint64_t mFileLength = 0;  // what the file itself holds
  int32_t mError = 0;
  bool mHeld = false;
};
