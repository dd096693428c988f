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
// A write-back that fails leaves every page still changed, to be written again, and the file as
// it was but for a torn tail past its old end and, when the disk failed in the middle of the
// overwrite (a write that lands in part), some of the changed bytes it held. For those each
// changed page keeps the bytes the file held of it until they are written over whole.
//
// While held (Hold), nothing at all is written: a changed page never leaves, and the cache grows
// past its 64 pages if it must, so that DropChanges can still take back every change made since
// the last Flush, and put back what a failed overwrite tore.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
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
  // Takes back every change since the last Flush that went through: the changed pages go, a
  // file that grew past length (a write-back that failed half way) is cut back to it, and the
  // old bytes are written again where an overwrite failed part-way. False when the file could
  // not be cut or mended; the pages then hold the old bytes, changed, so that the volume reads
  // as before and the next write-back puts them back.
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
    // While changed: the bytes the page held before, kept a piece at a time as each piece is
    // first written (bit i of oldPieces: piece i), and how many of them the file held.
    std::unique_ptr<uint8_t[]> old;
    uint64_t oldPieces = 0;
    uint32_t oldExtent = 0;
  };
  Page* PageAt(uint64_t index);
  bool MakeRoom();
  bool WriteChanged();
  // Keeps the bytes of [from, to) of a page about to change there, that starts at start.
  void KeepOld(Page* page, uint64_t start, uint32_t from, uint32_t to) const;
  // The page as the file held it before its changes; still changed where those lay in the file.
  void Restore(Page* page);
  bool WriteRange(uint64_t offset, const uint8_t* bytes, uint64_t count);
  bool FlushDisk();
  bool DiskFailed();

  RandomAccessMechanism* mDisk;
  std::map<uint64_t, Page> mPages;
  uint64_t mClock = 0;
  uint64_t mFileLength = 0;  // what the file itself holds
  int32_t mError = 0;
  bool mHeld = false;
  bool mOverwriting = false;  // changed bytes were being written over the file's and did not all go
};
