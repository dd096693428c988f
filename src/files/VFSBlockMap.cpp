#include "files/VFSBlockMap.h"

#include <algorithm>

#include "core/ByteOrder.h"

namespace {

void PutWord(std::string* out, uint32_t value) {
  const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
  out->append(bytes, 4);
}

// Of two entries with one key, the earlier answers.
template <typename Index, typename Key>
void KeepEarlier(Index* byKey, Key key, uint32_t index) {
  auto [found, added] = byKey->emplace(key, index);
  if (!added && index < found->second) found->second = index;
}

}  // namespace

void VFSBlockMap::Index(uint32_t index) {
  const VFSBlockEntry& entry = mEntries[int32_t(index)];
  KeepEarlier(&mByBlock, entry.block, index);
  if (entry.owner == 0) {
    mFree.insert(index);
    return;
  }
  KeepEarlier(&mByOwner, Key(entry.owner, entry.sequence), index);
  ++mOwners[entry.owner];
}

// Forgets the index's keys where they point at it (an earlier twin keeps its own).
void VFSBlockMap::Unindex(uint32_t index) {
  const VFSBlockEntry& entry = mEntries[int32_t(index)];
  if (entry.owner == 0) {
    mFree.erase(index);
    return;
  }
  auto found = mByOwner.find(Key(entry.owner, entry.sequence));
  if (found != mByOwner.end() && found->second == index) mByOwner.erase(found);
  auto owner = mOwners.find(entry.owner);
  if (owner != mOwners.end() && --owner->second == 0) mOwners.erase(owner);
}

void VFSBlockMap::Changed(uint32_t index) {
  if (!mAllChanged && index < mChangedFrom) mChanged.insert(index);
  ++mChanges;
}

void VFSBlockMap::AllChanged() {
  mAllChanged = true;
  mChanged.clear();
  mChangedFrom = UINT32_MAX;
  ++mChanges;
}

void VFSBlockMap::Add(uint32_t owner, uint32_t block, uint32_t sequence) {
  const uint32_t count = mEntries.size();
  mEntries.Append({block, owner, sequence});
  if (mEntries.size() == count) return;  // no room: reported
  Index(count);
  mChangedFrom = std::min(mChangedFrom, count);
  Changed(count);
}

// Later entries move down one place, so every index is built again.
void VFSBlockMap::RemoveEntry(uint32_t index) {
  mEntries.RemoveAt(int32_t(index));
  mByOwner.clear();
  mByBlock.clear();
  mOwners.clear();
  mFree.clear();
  for (uint32_t i = 0; i < mEntries.size(); ++i) Index(i);
  AllChanged();
}

int64_t VFSBlockMap::FirstOfOwner(uint32_t owner) const {
  if (owner == 0) return mFree.empty() ? -1 : int64_t(*mFree.begin());
  if (!HasOwner(owner)) return -1;
  for (uint32_t i = 0; i < mEntries.size(); ++i) {
    if (mEntries[int32_t(i)].owner == owner) return i;
  }
  return -1;
}

bool VFSBlockMap::RemoveOwner(uint32_t owner) {
  const int64_t index = FirstOfOwner(owner);
  if (index < 0) return false;
  RemoveEntry(uint32_t(index));
  return true;
}

bool VFSBlockMap::RemoveBlock(uint32_t block) {
  auto found = mByBlock.find(block);
  if (found == mByBlock.end()) return false;
  RemoveEntry(found->second);
  return true;
}

bool VFSBlockMap::SetBlockOfOwner(uint32_t owner, uint32_t block, uint32_t sequence) {
  const int64_t index = FirstOfOwner(owner);
  if (index < 0) return false;
  Unindex(uint32_t(index));
  auto byBlock = mByBlock.find(mEntries[int32_t(index)].block);
  if (byBlock != mByBlock.end() && byBlock->second == uint32_t(index)) mByBlock.erase(byBlock);
  mEntries[int32_t(index)].block = block;
  mEntries[int32_t(index)].sequence = owner == 0 ? 0 : sequence;
  Index(uint32_t(index));
  Changed(uint32_t(index));
  return true;
}

bool VFSBlockMap::SetOwnerOfBlock(uint32_t block, uint32_t owner, uint32_t sequence) {
  auto found = mByBlock.find(block);
  if (found == mByBlock.end()) return false;
  const uint32_t index = found->second;
  Unindex(index);
  mEntries[int32_t(index)].owner = owner;
  mEntries[int32_t(index)].sequence = owner == 0 ? 0 : sequence;
  Index(index);
  Changed(index);
  return true;
}

bool VFSBlockMap::FindBlock(uint32_t owner, uint32_t sequence, uint32_t* block) const {
  auto found = mByOwner.find(Key(owner, sequence));
  if (found == mByOwner.end()) return false;
  *block = mEntries[int32_t(found->second)].block;
  return true;
}

int64_t VFSBlockMap::FindBlockFrom(uint32_t owner, uint32_t sequence, uint32_t from,
                                   uint32_t* block) const {
  uint32_t index;
  if (owner == 0) {
    auto free = mFree.lower_bound(from);
    if (sequence != 0 || free == mFree.end()) return -1;
    index = *free;
  } else {
    auto found = mByOwner.find(Key(owner, sequence));
    if (found == mByOwner.end()) return -1;
    index = found->second;
    // The index holds the key's first entry; a later twin exists only in a damaged map.
    for (index = index < from ? from : index; index < mEntries.size(); ++index) {
      const VFSBlockEntry& entry = mEntries[int32_t(index)];
      if (entry.owner == owner && entry.sequence == sequence) break;
    }
    if (index >= mEntries.size()) return -1;
  }
  *block = mEntries[int32_t(index)].block;
  return index;
}

bool VFSBlockMap::OwnerOfBlock(uint32_t block, uint32_t* owner) const {
  auto found = mByBlock.find(block);
  if (found == mByBlock.end()) return false;
  *owner = mEntries[int32_t(found->second)].owner;
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
  for (uint32_t i = 0; i < mEntries.size(); ++i) {
    const uint32_t block = mEntries[int32_t(i)].block;
    last = block > last ? block : last;
  }
  *block = last;
  return true;
}

void VFSBlockMap::Clear() {
  mEntries.Clear();
  mByOwner.clear();
  mByBlock.clear();
  mOwners.clear();
  mFree.clear();
  AllChanged();
}

std::set<uint32_t> VFSBlockMap::TakeChangedEntries(bool* all, uint32_t* from) {
  *all = mAllChanged;
  *from = mAllChanged ? UINT32_MAX : mChangedFrom;
  mAllChanged = false;
  mChangedFrom = UINT32_MAX;
  std::set<uint32_t> changed;
  changed.swap(mChanged);
  return changed;
}

std::string VFSBlockMap::Serialize() const {
  std::string out;
  out.reserve(kHeaderSize + kEntrySize * mEntries.size());
  PutWord(&out, kTag);
  PutWord(&out, Count());
  for (uint32_t i = 0; i < mEntries.size(); ++i) {
    const VFSBlockEntry& entry = mEntries[int32_t(i)];
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
  mEntries.resize(uint32_t(count));  // one allocation; what Add appends fills it
  for (const uint8_t* at = bytes + kHeaderSize; at < bytes + length; at += kEntrySize)
    Add(LoadBigEndian32(at + 4), LoadBigEndian32(at), LoadBigEndian32(at + 8));
  return true;
}
