// VFSBlockMap: where the blocks of a virtual volume lie and whom they belong to. One entry per
// block {offset of the block in the volume file, owner file number (0 = free), sequence of the
// block in its owner's chain}, kept in the order entries were added: that order is the order of
// the serialised map and of the search for a free block.
//
// Entries live in the framework's growable array (growth step, count, capacity; it grows by
// the step, or by its capacity when the step is 0, and shrinks after removals). Lookups by
// (owner, sequence) and by block go through hash indexes beside it, so a volume of 100,000
// blocks costs no more per lookup than one of ten. When two entries claim the same key (a
// damaged map) the earlier one answers. Removing an entry closes the gap and renumbers the
// indexes (a whole pass: the volume itself only adds entries and changes their owners). Every
// change counts, so that whoever writes the map back can tell whether writing it changed it
// again, and the entries changed since the last write-back are kept, so that it writes only
// those.
//
// Serialised (big-endian): "BMap", the entry count n, then n entries of three u32 each: exactly
// 8 + 12n bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>

#include "core/SimpleVector.h"

struct VFSBlockEntry {
  uint32_t block;
  uint32_t owner;
  uint32_t sequence;
};

class VFSBlockMap {
 public:
  static constexpr uint32_t kTag = 0x424D6170;  // "BMap"
  static constexpr size_t kHeaderSize = 8;
  static constexpr size_t kEntrySize = 12;

  explicit VFSBlockMap(uint32_t growthStep = 0) : mEntries(growthStep) {}

  uint32_t Count() const { return mEntries.size(); }
  uint32_t Capacity() const { return mEntries.capacity(); }
  uint32_t GrowthStep() const { return mEntries.chunk(); }
  const VFSBlockEntry& At(uint32_t index) const { return mEntries[int32_t(index)]; }
  // The indexes of the free entries, in map order.
  const std::set<uint32_t>& FreeEntries() const { return mFree; }
  uint32_t FreeCount() const { return uint32_t(mFree.size()); }
  uint64_t Changes() const { return mChanges; }
  // The entries changed since the last TakeChangedEntries: those in the set, and every one from
  // *from on (the entries added since); *all is set instead when their places moved (a map
  // cleared, loaded or closed up, or never written). Taking forgets them.
  std::set<uint32_t> TakeChangedEntries(bool* all, uint32_t* from);
  // Every entry counts as changed again (a write-back of them failed).
  void MarkAllChanged() { AllChanged(); }

  void Add(uint32_t owner, uint32_t block, uint32_t sequence);
  // Removes the owner's first entry in map order; false when it has none.
  bool RemoveOwner(uint32_t owner);
  // Removes the entry of block; false when no entry has that block.
  bool RemoveBlock(uint32_t block);
  // Gives the owner's first entry in map order a new block and sequence; false when it has
  // none.
  bool SetBlockOfOwner(uint32_t owner, uint32_t block, uint32_t sequence);
  // Gives the entry of block a new owner and sequence; false when no entry has that block.
  bool SetOwnerOfBlock(uint32_t block, uint32_t owner, uint32_t sequence);
  bool FindBlock(uint32_t owner, uint32_t sequence, uint32_t* block) const;
  // The first entry of (owner, sequence) at or after index from: its index, with its block in
  // *block, or -1.
  int64_t FindBlockFrom(uint32_t owner, uint32_t sequence, uint32_t from, uint32_t* block) const;
  bool OwnerOfBlock(uint32_t block, uint32_t* owner) const;
  bool HasOwner(uint32_t owner) const { return mOwners.count(owner) != 0; }
  // The largest owner number of any entry (0 for an empty map).
  uint32_t HighestOwner() const;
  // The entry whose block lies furthest into the file, or false for an empty map.
  bool LastBlock(uint32_t* block) const;
  void Clear();

  std::string Serialize() const;
  // Replaces the entries by those of a serialised map; false (the map left empty) when the
  // bytes are not one: no tag, or a length other than 8 + 12n for the count they give.
  bool Load(const uint8_t* bytes, size_t length);

 private:
  static uint64_t Key(uint32_t owner, uint32_t sequence) {
    return uint64_t(owner) << 32 | sequence;
  }
  // Both halves of a key count: the library's hash of a 64-bit value on this 32-bit target is
  // its low half, the sequence alone, which would put every first block in one bucket.
  struct KeyHash {
    size_t operator()(uint64_t key) const {
      key ^= key >> 33;
      key *= 0xFF51AFD7ED558CCDull;
      key ^= key >> 33;
      return size_t(key);
    }
  };
  void Index(uint32_t index);
  void Unindex(uint32_t index);
  void RemoveEntry(uint32_t index);
  void Changed(uint32_t index);
  void AllChanged();
  // The owner's first entry in map order, or -1.
  int64_t FirstOfOwner(uint32_t owner) const;

  SimpleVector<VFSBlockEntry> mEntries;
  std::unordered_map<uint64_t, uint32_t, KeyHash> mByOwner;  // (owner, sequence), live
  std::unordered_map<uint32_t, uint32_t> mByBlock;
  std::unordered_map<uint32_t, uint32_t> mOwners;   // live owner -> number of its entries
  std::set<uint32_t> mFree;
  uint64_t mChanges = 0;
  std::set<uint32_t> mChanged;  // below mChangedFrom
  uint32_t mChangedFrom = UINT32_MAX;
  bool mAllChanged = true;
};
