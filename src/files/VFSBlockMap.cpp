#include "files/VFSBlockMap.h"

#include "core/ByteOrder.h"

namespace {

void PutWord(std::string* out, uint32_t value) {
  const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
  out->append(bytes, 4);
}

}  // namespace

void VFSBlockMap::Index(uint32_t index) {
  const VFSBlockEntry& entry = mEntries[index];
  mByBlock.emplace(entry.block, index);
  if (entry.owner == 0) {
    mFree.insert(index);
    return;
  }
  mByOwner.emplace(Key(entry.owner, entry.sequence), index);
  ++mOwners[entry.owner];
}

// Forgets the index's keys where they point at it (an earlier twin keeps its own).
void VFSBlockMap::Unindex(uint32_t index) {
  const VFSBlockEntry& entry = mEntries[index];
  if (entry.owner == 0) {
    mFree.erase(index);
    return;
  }
  auto found = mByOwner.find(Key(entry.owner, entry.sequence));
  if (found != mByOwner.end() && found->second == index) mByOwner.erase(found);
  auto owner = mOwners.find(entry.owner);
  if (owner != mOwners.end() && --owner->second == 0) mOwners.erase(owner);
}

void VFSBlockMap::Add(uint32_t owner, uint32_t block, uint32_t sequence) {
  mEntries.push_back({block, owner, sequence});
  Index(uint32_t(mEntries.size() - 1));
  ++mChanges;
}

bool VFSBlockMap::SetOwnerOfBlock(uint32_t block, uint32_t owner, uint32_t sequence) {
  auto found = mByBlock.find(block);
  if (found == mByBlock.end()) return false;
  const uint32_t index = found->second;
  Unindex(index);
  mEntries[index].owner = owner;
  mEntries[index].sequence = owner == 0 ? 0 : sequence;
  Index(index);
  ++mChanges;
  return true;
}

bool VFSBlockMap::FindBlock(uint32_t owner, uint32_t sequence, uint32_t* block) const {
  auto found = mByOwner.find(Key(owner, sequence));
  if (found == mByOwner.end()) return false;
  *block = mEntries[found->second].block;
  return true;
}

bool VFSBlockMap::OwnerOfBlock(uint32_t block, uint32_t* owner) const {
  auto found = mByBlock.find(block);
  if (found == mByBlock.end()) return false;
  *owner = mEntries[found->second].owner;
  return true;
}

uint32_t VFSBlockMap::HighestOwner() const {
  uint32_t highest = 0;
  for (const auto& owner : mOwners) highest = owner.first > highest ? owner.first : highest;
  return highest;
}

bool VFSBlockMap::LastBlock(uint32_t* block) const {
  if (mEntries.empty()) return false;
  uint32_t last = 0;
  for (const VFSBlockEntry& entry : mEntries) last = entry.block > last ? entry.block : last;
  *block = last;
  return true;
}

void VFSBlockMap::Clear() {
  mEntries.clear();
  mByOwner.clear();
  mByBlock.clear();
  mOwners.clear();
  mFree.clear();
  ++mChanges;
}

std::string VFSBlockMap::Serialize() const {
  std::string out;
  out.reserve(kHeaderSize + kEntrySize * mEntries.size());
  PutWord(&out, kTag);
  PutWord(&out, Count());
  for (const VFSBlockEntry& entry : mEntries) {
    PutWord(&out, entry.block);
    PutWord(&out, entry.owner);
    PutWord(&out, entry.sequence);
  }
  return out;
}

bool VFSBlockMap::Load(const uint8_t* bytes, size_t length) {
  Clear();
  if (length < kHeaderSize || LoadBigEndian32(bytes) != kTag) return false;
  const uint64_t count = LoadBigEndian32(bytes + 4);
  if (uint64_t(length) != kHeaderSize + kEntrySize * count) return false;
  mEntries.reserve(size_t(count));
  for (const uint8_t* at = bytes + kHeaderSize; at < bytes + length; at += kEntrySize)
    Add(LoadBigEndian32(at + 4), LoadBigEndian32(at), LoadBigEndian32(at + 8));
  return true;
}
