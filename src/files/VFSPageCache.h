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
// A write-back is whole or undone, whatever fails and wherever the process ends:
//   1. what lies past the file's end is appended, followed by an undo record (the bytes the
//      overwrite will replace, a hash of the bytes that replace them, and the file's lengths
//      before and after), which ends the file, and all of it is pushed out; a failure cuts it
//      off again, so that a disk that filled has its room back;
//   2. only then are the changed bytes the file holds overwritten, and pushed out.
// A write-back that fails in 2 puts the old bytes back from the record and cuts the file to its
// old length; until that went through, nothing else is written. A process that ends before
// leaves the record at the file's end, and Recover, as the volume opens, finds there either
// every byte the write-back meant to write (it is kept) or not (the old bytes go back): the
// file is as it was before the write-back or as the write-back made it. The record of a
// write-back that went through stays past the file's length, where the next record goes, until
// Trim cuts it off as the volume goes. A write-back that failed leaves every page still
// changed, to be written again.
//
// While held (Hold), nothing at all is written: a changed page never leaves, and the cache grows
// past its 64 pages if it must, so that DropChanges can still take back every change made since
// the last Flush.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "files/RandomAccessMechanism.h"

// The first word of an undo record ("VFSu"): a volume's walk that meets it past its last block
// has met a record that a process ending mid-write left cut short.
inline constexpr uint32_t kVFSUndoTag = 0x56465375;

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
  // Finishes what a process left at the file's end: a write-back it did not live to finish is
  // undone (on disk when writable, else in the pages, which then stay), the record of one that
  // went through cut off. False when the disk failed doing it.
  bool Recover(bool writable);
  // Cuts off the record of the last write-back (the volume goes); false when the disk failed.
  bool Trim();
  // True when pages hold changes the file has not taken.
  bool HasChanges() const;
  void Hold(bool held) { mHeld = held; }
  // Takes back every change since the last Flush that went through: the changed pages go and
  // the file is cut back to length. False when the file could not be put back as it was; the
  // pages then hold the old bytes, changed, so that the volume reads as before, and the next
  // write-back puts the file back first.
  bool DropChanges(uint64_t length);
  uint64_t FileLength() const { return mFileLength; }
  // Why the disk last failed (its errno, EIO when it gave none), or 0; cleared once taken.
  int32_t TakeError();
  void SetError(int32_t error) { mError = error; }
  // How often the disk failed so far: a caller that compares it before and after knows whether
  // what it read is whole.
  uint64_t Failures() const { return mFailures; }

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
  // Where an undo record lies in the file: from start to the end of its trailer.
  struct UndoPlace {
    uint64_t start = 0;
    uint64_t end = 0;
  };
  // What an undo record says of the whole: the file's length before and after the write-back.
  struct UndoHead {
    uint64_t before = 0;
    uint64_t after = 0;
  };
  using RangeVisit = bool (VFSPageCache::*)(uint64_t offset, uint32_t size, uint32_t newHash,
                                            uint64_t oldAt);
  Page* PageAt(uint64_t index);
  bool MakeRoom();
  bool WriteChanged();
  // The undo record of the pages' overwrite of the file's first end bytes, the file then
  // grown to grown ("" when nothing the file holds changes).
  std::string UndoRecord(uint64_t end, uint64_t grown) const;
  // Appends the tail run (bytes that end where the record starts, sent with it in one write)
  // and the record, sealed for the place it takes: at the file's true end.
  bool AppendRecord(const uint8_t* run, uint64_t runAt, uint64_t runSize, std::string* record,
                    UndoPlace* place);
  // True when the record at place holds together and its hash is right; its head in *head.
  bool ValidUndo(const UndoPlace& place, UndoHead* head);
  // Calls visit for each range of the (valid) record at place; false when one answers false.
  bool EachRange(const UndoPlace& place, RangeVisit visit);
  // Reads size bytes from from a chunk at a time, each handed to take (done so far, bytes,
  // count); false when a read fails or take answers false.
  template <typename Take>
  bool EachChunk(uint64_t from, uint64_t size, Take take);
  bool HoldsNewBytes(uint64_t offset, uint32_t size, uint32_t newHash, uint64_t oldAt);
  bool PutOldBytesOnDisk(uint64_t offset, uint32_t size, uint32_t newHash, uint64_t oldAt);
  bool PutOldBytesInPages(uint64_t offset, uint32_t size, uint32_t newHash, uint64_t oldAt);
  // The record at place put back on disk and the file cut to its old length; false (still
  // owed) when the disk failed.
  bool Undo(const UndoPlace& place);
  bool FindUndo(UndoPlace* place);
  bool ReadRange(uint64_t offset, uint8_t* bytes, uint64_t count);
  // Keeps the bytes of [from, to) of a page about to change there, that starts at start.
  void KeepOld(Page* page, uint64_t start, uint32_t from, uint32_t to) const;
  // The page as the file held it before its changes; still changed where those lay in the file.
  void Restore(Page* page);
  bool WriteRange(uint64_t offset, const uint8_t* bytes, uint64_t count);
  bool FlushDisk();
  bool DiskFailed();
  // Cuts the file to length (mDiskEnd follows); the failure already met stays the one told.
  bool CutTo(uint64_t length);
  // Cuts off what lies past mFileLength after a failure, unless an undo is owed.
  bool CutTail();

  RandomAccessMechanism* mDisk;
  std::map<uint64_t, Page> mPages;
  uint64_t mClock = 0;
  uint64_t mFileLength = 0;  // what the file holds of the volume
  uint64_t mDiskEnd = 0;     // where the file ends: past mFileLength, a record or torn bytes
  int32_t mError = 0;
  uint64_t mFailures = 0;
  bool mHeld = false;
  bool mTailToCut = false;  // a failed write may have left bytes past mFileLength: cut them
  UndoPlace mOwed;          // an undo the disk refused: done before anything else is written
};
