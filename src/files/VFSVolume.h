// VFSVolume: the container of a virtual volume, a file system kept in one host file. It holds
// numbered files, each a chain of blocks; file 1 holds the volume's own metadata (the next file
// number to hand out and the serialised block map), the others are the directory layer's items.
//
//   0  "VFSv"  4  version (3 when made; 1, 2 and 3 open)  8  blocks, end to end
//   block: "BlkS", owner (0 = free), sequence, length (double, the whole block), next (double,
//          offset of the owner's next block, 0 at the end), data, "BlkE" in its last 4 bytes
//
// Values are big-endian; doubles too, except in version 1, which keeps them in host order.
//
// What the layer promises:
//   - Nothing read is trusted. A block counts only with its magic, a whole length >= 32 (>= 36
//     for the first) that ends inside the file, and a next link that is 0 or leads to a block of
//     the same owner. Every walk (file 1, chains, freeing, rebuilding) stops after file length
//     / 32 steps, so a cycle ends. A transfer inside a block stays between its header and its
//     end marker.
//   - The map is checked as it loads (its length is 8 + 12n and fits file 1; the next file
//     number is at least 2 and unused); a map that misses blocks (blocks past its last entry, or
//     a file's first block not in it: a crash before write-back) is rebuilt from the headers
//     once. The map is written back at Flush (only the entries that changed) and when the
//     volume goes, until what was written is what is held.
//   - A free block is handed out again only when its own header says free, and with its data
//     zeroed: a file never reads another's old bytes. Blocks end below 4 GiB (offsets are
//     32-bit in the format); an allocation past that fails.
//   - The file is read and written through a page cache, pushed out at Flush, FlushDisk and
//     when the volume goes; each push is whole or undone (VFSPageCache), even when the process
//     ends half way: a disk that fills or fails leaves the volume as it was at the last push
//     that went through, its file cut back to that length (a torn block at its end at most,
//     when the cut fails too). That block is left out when the map is rebuilt, and the next
//     block appended takes its place.
//   - A read the volume file fails is no answer about the volume: a block it could not read is
//     not taken for a damaged one (no map is rebuilt from it, no chain is cut or grown there),
//     and the caller fails, with the file's reason in TakeDiskError.
//   - A file is read and written at explicit positions through a handle; a position past the
//     end of its chain reads nothing and, when written, grows the chain with zeroed blocks.
//   - A change made of many writes (BeginChange .. EndChange) is on disk whole when EndChange
//     answers true; otherwise it is taken back, in memory and on disk, and the volume is what it
//     was at BeginChange. The framework's callers change the volume only that way or through a
//     file they Flush or Close, so each hears of its failure at its call; what is left to write
//     when the volume goes is what a caller of the core wrote without a Flush, and a failure to
//     write that is reported there (the runtime error report), since nobody else can be told;
//     so is a close of the volume file that fails (the disk may not hold what it took).
//
// A volume belongs to the thread that holds the run baton.
#pragma once

#include <cstdint>
#include <set>
#include <unordered_map>
#include <vector>

#include "core/SimpleVector.h"
#include "files/RandomAccessMechanism.h"
#include "files/VFSBlockMap.h"
#include "files/VFSPageCache.h"

class VFSVolume {
 public:
  static constexpr uint32_t kMagic = 0x56465376;        // "VFSv"
  static constexpr uint32_t kBlockMagic = 0x426C6B53;   // "BlkS"
  static constexpr uint32_t kBlockEndMagic = 0x426C6B45;  // "BlkE"
  static constexpr int32_t kCurrentVersion = 3;
  static constexpr uint32_t kBlockHeaderSize = 28;
  static constexpr uint32_t kFirstBlock = 8;
  static constexpr uint32_t kMetadataFile = 1;
  static constexpr int32_t kMaxOpenFiles = 32767;

  // A new, empty volume written over disk (emptied first). Nil after a report for a nil disk;
  // otherwise a volume whose IsValid tells whether every write went through.
  static VFSVolume* Create(RandomAccessMechanism* disk, bool ownsDisk);
  // The volume in disk; check IsValid. A read-only volume refuses every change.
  static VFSVolume* Open(RandomAccessMechanism* disk, bool ownsDisk, bool readOnly = false);
  // Writes back what no caller has flushed, then closes and deletes the disk when it owns it.
  virtual ~VFSVolume();
  VFSVolume(const VFSVolume&) = delete;
  VFSVolume& operator=(const VFSVolume&) = delete;

  bool IsValid() const { return mValid; }
  int32_t Version() const { return mVersion; }
  const VFSBlockMap& Map() const { return mMap; }
  uint64_t DiskLength() const { return mDiskLength; }
  // An upper bound of the files the volume can hold, for walks through its metadata.
  uint32_t FileBound() const { return mMap.Count() + 2; }

  // A new numbered file with one block; 0 when any step fails.
  uint32_t NewFileNumber();
  // Frees the blocks of a file; false while it is open, and for the metadata file.
  bool FreeFile(uint32_t file);
  // A handle for the file, or -1 (no first block, or every one of kMaxOpenFiles slots in use).
  int32_t OpenFile(uint32_t file);
  bool CloseFile(int32_t handle);
  bool IsFileOpen(uint32_t file) const;
  // Up to count bytes from position into buffer; *got tells how many came (fewer at the end of
  // the chain). False when the handle is not open or a block is damaged.
  bool ReadAt(int32_t handle, uint64_t position, void* buffer, int32_t count, int32_t* got);
  // count bytes at position, the chain grown as needed.
  bool WriteAt(int32_t handle, uint64_t position, const void* buffer, int32_t count);
  // Zeros the bytes of [from, to) that lie in the chain; none are added.
  bool ZeroRange(int32_t handle, uint64_t from, uint64_t to);
  // Writes the map back and pushes the volume file's buffers out.
  bool Flush();
  // Forgets every change not yet on disk: the caller gives the volume up, having answered for
  // its failure. Nothing is written when it goes.
  void Abandon();
  // Begins a change that callers see as one; false, with nothing begun, when the volume takes
  // no change (invalid, read-only, or what it holds already cannot be written: TakeDiskError
  // says why). Changes nest: only the outermost pair writes or takes back.
  bool BeginChange();
  // Ends the change: made, it is written through (true); not made, or not written, it is taken
  // back (false), and *undone tells whether anything had to be.
  bool EndChange(bool made, bool* undone);
  // Pushes the volume file's buffers out (every changed page, then the disk's own buffer).
  bool FlushDisk();
  // Why the volume file last failed (errno, such as ENOSPC), or 0; cleared once taken.
  int32_t TakeDiskError() { return mCache.TakeError(); }
  // How often the volume file failed so far: what was read while it did not move is whole.
  uint64_t DiskFailures() const { return mCache.Failures(); }
  // A double of the volume's byte order (host order in version 1, reversed in the others).
  double DecodeDouble(const uint8_t* bytes) const;
  void EncodeDouble(double value, uint8_t* bytes) const;

 private:
  struct BlockHeader {
    uint32_t magic = 0;
    uint32_t owner = 0;
    uint32_t sequence = 0;
    double length = 0;
    double next = 0;
  };
  // Where a walk through a chain stands: one checked block.
  struct Cursor {
    uint32_t start = 0;
    uint32_t length = 0;
    uint32_t next = 0;
    uint32_t sequence = 0;
    uint64_t dataOffset = 0;  // the file position of this block's first data byte
    uint32_t Capacity() const { return length - kBlockHeaderSize - 4; }
  };
  // One slot of the open-file table; file 0 (never opened) marks a free slot.
  struct OpenRecord {
    uint32_t file;
    Cursor first;
    Cursor current;
  };

  // Where a change began: what the file and the map were.
  struct ChangeStart {
    uint64_t diskLength = 0;
    uint64_t fileLength = 0;
    uint64_t mapChanges = 0;
  };

  VFSVolume(RandomAccessMechanism* disk, bool ownsDisk);
  bool Initialize();
  bool Load();
  bool LoadMap();
  void TakeBack();

  bool ReadBytes(uint64_t offset, void* buffer, uint32_t count);
  bool WriteBytes(uint64_t offset, const void* buffer, uint32_t count);
  bool ReadHeader(uint32_t offset, BlockHeader* header);
  bool WriteHeader(uint32_t offset, const BlockHeader& header);
  // The block at offset as a cursor when its header holds (owner checked unless ~0u).
  bool CheckedBlock(uint32_t offset, uint32_t owner, Cursor* cursor);
  uint64_t WalkLimit() const { return mDiskLength / 32 + 2; }

  bool DiskFailedSince(uint64_t failures) const { return mCache.Failures() != failures; }
  bool FirstBlock(uint32_t file, Cursor* cursor);
  void UseMetadataBlock(const Cursor& first);
  bool Rebuild();
  bool MapMissesBlocks();
  bool TornTail(uint64_t offset);
  // A block for owner at sequence (a free one reused, else one appended), its header written.
  bool AllocateBlock(uint32_t owner, uint32_t sequence, Cursor* cursor);
  bool ReusableBlock(Cursor* cursor);
  bool AppendBlock(Cursor* cursor);
  // Moves record's current block to the one holding position; with grow, the chain is made
  // long enough. kInside, kChainEnd when the chain ends first, or kFailed (damage, no room).
  int Reach(OpenRecord* record, uint64_t position, bool grow);
  bool Transfer(OpenRecord* record, uint64_t position, uint8_t* bytes, const uint8_t* source,
                int32_t count, bool grow, int32_t* done);
  OpenRecord* Record(int32_t handle);
  bool ReadMetadataWord(uint64_t position, uint32_t* value);
  bool WriteMetadataWord(uint64_t position, uint32_t value);
  bool WriteBackMap();
  bool WriteMapEntries(const std::set<uint32_t>& changed, bool all, uint32_t from);

  RandomAccessMechanism* mDisk;
  bool mOwnsDisk;
  bool mReadOnly = false;
  VFSPageCache mCache;
  bool mValid = false;
  bool mRebuilt = false;
  int32_t mVersion = kCurrentVersion;
  uint64_t mDiskLength = 0;
  VFSBlockMap mMap;
  uint64_t mMapWritten = 0;  // mMap.Changes() when last written back
  int32_t mChangeDepth = 0;
  ChangeStart mChangeStart;
  bool mUnflushed = false;  // written since the last flush a caller heard the outcome of
  OpenRecord mMetadata{};
  std::vector<Cursor> mMetadataChain;  // file 1's blocks in chain order, as far as walked
  SimpleVector<OpenRecord> mOpen;  // grows as the block map does
  std::set<int32_t> mFreeSlots;
  std::unordered_map<uint32_t, int32_t> mOpenCounts;
  // Where each file's last handle stood when closed, so that appending does not walk the chain.
  std::unordered_map<uint32_t, Cursor> mLastPlace;
};
