// VFSBlockMap: where the blocks of a virtual volume lie and whom they belong to. One entry per
// block {offset of the block in the volume file, owner file number (0 = free), sequence of the
// block in its owner's chain}, kept in the order entries were added: that order is the order of
// the serialised map and of the search for a free block.
//
// Lookups by (owner, sequence) and by block go through hash indexes beside the entry array, so
// a volume of 100,000 blocks costs no more per lookup than one of ten. When two entries claim
// the same key (a damaged map) the earlier one answers. Every change counts, so that whoever
// writes the map back can tell whether writing it changed it again.
//
// Serialised (big-endian): "BMap", the entry count n, then n entries of three u32 each: exactly
// 8 + 12n bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

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

  uint32_t Count() const { return uint32_t(mEntries.size()); }
  const VFSBlockEntry& At(uint32_t index) const { return mEntries[index]; }
  // The indexes of the free entries, in map order.
  const std::set<uint32_t>& FreeEntries() const { return mFree; }
  uint64_t Changes() const { return mChanges; }

  void Add(uint32_t owner, uint32_t block, uint32_t sequence);
  // Gives the entry of block a new owner and sequence; false when no entry has that block.
  bool SetOwnerOfBlock(uint32_t block, uint32_t owner, uint32_t sequence);
  bool FindBlock(uint32_t owner, uint32_t sequence, uint32_t* block) const;
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

  std::vector<VFSBlockEntry> mEntries;
  std::unordered_map<uint64_t, uint32_t, KeyHash> mByOwner;  // (owner, sequence), live
  std::unordered_map<uint32_t, uint32_t> mByBlock;
  std::unordered_map<uint32_t, uint32_t> mOwners;   // live owner -> number of its entries
  std::set<uint32_t> mFree;
  uint64_t mChanges = 0;
};
