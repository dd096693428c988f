#include "files/VFSVolume.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/ByteOrder.h"
#include "core/RuntimeError.h"

namespace {

constexpr uint32_t kAnyOwner = ~0u;
constexpr uint32_t kBlockTrailerSize = 4;
constexpr uint32_t kMinBlockLength = 32;
constexpr uint32_t kMinFirstBlockLength = 36;
constexpr uint32_t kNewBlockLength = 1024;
constexpr uint32_t kSmallestReusedBlock = 256;
constexpr uint32_t kLargestReusedBlock = 16384;
constexpr uint64_t kOffsetLimit = uint64_t(1) << 32;
constexpr uint32_t kNewVolumeLength = 48;
constexpr int32_t kMapWriteRounds = 64;
constexpr int32_t kZeroChunk = 4096;

// Outcomes of moving a cursor to a position.
enum Reached { kFailed = -1, kChainEnd = 0, kInside = 1 };

// A caller's buffer and count: missing ones are failed checks.
bool CallerGave(const void* buffer, int32_t count) {
  return QV_CHECK_TEXT(buffer, "outBuffer", nullptr) &&
         QV_CHECK_TEXT(count >= 0, "ioBytes", nullptr);
}

// A whole number in [low, high).
bool WholeIn(double value, double low, double high) {
  return value >= low && value < high && value == std::floor(value);
}

}  // namespace

VFSVolume::VFSVolume(RandomAccessMechanism* disk, bool ownsDisk)
    : mDisk(disk), mOwnsDisk(ownsDisk), mCache(disk) {}

VFSVolume* VFSVolume::Create(RandomAccessMechanism* disk, bool ownsDisk) {
  if (!QV_CHECK_TEXT(disk, "diskFile", nullptr)) return nullptr;
  auto* volume = new VFSVolume(disk, ownsDisk);
  volume->mValid = volume->Initialize();
  return volume;
}

VFSVolume* VFSVolume::Open(RandomAccessMechanism* disk, bool ownsDisk, bool readOnly) {
  if (!QV_CHECK_TEXT(disk, "diskFile", nullptr)) return nullptr;
  auto* volume = new VFSVolume(disk, ownsDisk);
  volume->mReadOnly = readOnly;
  volume->mValid = volume->Load();
  return volume;
}

VFSVolume::~VFSVolume() {
  const bool unflushed = mUnflushed;
  const bool written = mReadOnly || ((!mValid || mMap.Changes() == mMapWritten || WriteBackMap()) &
                                     mCache.Flush());
  (void)QV_CHECK_TEXT(written || !unflushed, "a virtual volume closed with changes it could not write",
                      nullptr);
  if (!mReadOnly) mCache.Trim();  // what is left past the volume is no part of it
  if (mOwnsDisk) {
    // A close that fails (EIO on a network file system) may have lost what the disk took.
    const bool closed = mDisk->Close();
    (void)QV_CHECK_TEXT(closed || mReadOnly, "a virtual volume's file could not be closed",
                        nullptr);
    delete mDisk;
  }
}

// --- Bytes of the disk -------------------------------------------------------------------------

bool VFSVolume::ReadBytes(uint64_t offset, void* buffer, uint32_t count) {
  return mCache.Read(offset, buffer, count);
}

bool VFSVolume::WriteBytes(uint64_t offset, const void* buffer, uint32_t count) {
  if (mReadOnly) return false;
  mUnflushed = true;
  return mCache.Write(offset, buffer, count);
}

double VFSVolume::DecodeDouble(const uint8_t* bytes) const {
  double value;
  if (mVersion == 1) {
    std::memcpy(&value, bytes, sizeof value);
  } else {
    CopyBytesReversed(&value, bytes, sizeof value);
  }
  return value;
}

void VFSVolume::EncodeDouble(double value, uint8_t* bytes) const {
  if (mVersion == 1) {
    std::memcpy(bytes, &value, sizeof value);
  } else {
    CopyBytesReversed(bytes, &value, sizeof value);
  }
}

bool VFSVolume::ReadHeader(uint32_t offset, BlockHeader* header) {
  uint8_t bytes[kBlockHeaderSize];
  if (!ReadBytes(offset, bytes, sizeof bytes)) return false;
  header->magic = LoadBigEndian32(bytes);
  header->owner = LoadBigEndian32(bytes + 4);
  header->sequence = LoadBigEndian32(bytes + 8);
  header->length = DecodeDouble(bytes + 12);
  header->next = DecodeDouble(bytes + 20);
  return true;
}

bool VFSVolume::WriteHeader(uint32_t offset, const BlockHeader& header) {
  uint8_t bytes[kBlockHeaderSize];
  StoreBigEndian32(bytes, header.magic);
  StoreBigEndian32(bytes + 4, header.owner);
  StoreBigEndian32(bytes + 8, header.sequence);
  EncodeDouble(header.length, bytes + 12);
  EncodeDouble(header.next, bytes + 20);
  return WriteBytes(offset, bytes, sizeof bytes);
}

// A header counts only when everything in it could be true of this file.
bool VFSVolume::CheckedBlock(uint32_t offset, uint32_t owner, Cursor* cursor) {
  BlockHeader header;
  if (offset < kFirstBlock || uint64_t(offset) + kMinBlockLength > mDiskLength ||
      !ReadHeader(offset, &header) || header.magic != kBlockMagic)
    return false;
  if (owner != kAnyOwner && header.owner != owner) return false;
  if (!WholeIn(header.length, kMinBlockLength, double(mDiskLength - offset) + 1)) return false;
  if (!WholeIn(header.next, 0, double(mDiskLength)) || (header.next > 0 && header.next < 8))
    return false;
  cursor->start = offset;
  cursor->length = uint32_t(header.length);
  cursor->next = uint32_t(header.next);
  cursor->sequence = header.sequence;
  cursor->dataOffset = 0;
  return true;
}

// --- Making and loading ------------------------------------------------------------------------

bool VFSVolume::Initialize() {
  mDisk->swapDoubles = 1;
  uint8_t bytes[kNewVolumeLength] = {};
  StoreBigEndian32(bytes, kMagic);
  StoreBigEndian32(bytes + 4, uint32_t(kCurrentVersion));
  StoreBigEndian32(bytes + 8, kBlockMagic);
  StoreBigEndian32(bytes + 12, kMetadataFile);
  EncodeDouble(kNewVolumeLength - kFirstBlock, bytes + 20);
  StoreBigEndian32(bytes + 36, 2);  // the next file number; the map is empty
  StoreBigEndian32(bytes + 44, kBlockEndMagic);
  if (!mDisk->SetLength(0)) return false;
  mCache.Reset();
  if (!WriteBytes(0, bytes, sizeof bytes)) return false;
  mDiskLength = kNewVolumeLength;
  UseMetadataBlock({kFirstBlock, kNewVolumeLength - kFirstBlock, 0, 0, /*dataOffset=*/0});
  mMapWritten = mMap.Changes();
  return true;
}

bool VFSVolume::Load() {
  // A write-back the last process did not live to finish is undone before anything is read.
  if (!mCache.Recover(!mReadOnly)) return false;
  uint8_t start[8];
  if (!ReadBytes(0, start, sizeof start) || LoadBigEndian32(start) != kMagic) return false;
  const uint32_t version = LoadBigEndian32(start + 4);
  if (version < 1 || version > uint32_t(kCurrentVersion)) return false;
  mVersion = int32_t(version);
  mDisk->swapDoubles = mVersion != 1;
  // The volume's length as the cache holds it: the file may reach past it (a push's record).
  mDiskLength = mCache.FileLength();
  Cursor first;
  if (!CheckedBlock(kFirstBlock, kMetadataFile, &first) || first.length < kMinFirstBlockLength)
    return false;
  UseMetadataBlock(first);
  if (!LoadMap()) return false;
  // A map rebuilt as the volume opened is written at once: no caller is answerable for it, and
  // should it not reach the disk the next open builds it again.
  if (mRebuilt && !mReadOnly) FlushDisk();
  return true;
}

// The map as file 1 holds it, or, when it misses blocks, as the blocks' headers say.
bool VFSVolume::LoadMap() {
  uint32_t mapBytes = 0;
  if (!ReadMetadataWord(4, &mapBytes)) return false;
  bool loaded = false;
  if (mapBytes != 0) {
    // Bounded by the file before anything is allocated for it; read from file 1's data.
    if (mapBytes < VFSBlockMap::kHeaderSize || mapBytes > mDiskLength ||
        (mapBytes - VFSBlockMap::kHeaderSize) % VFSBlockMap::kEntrySize != 0)
      return false;
    std::vector<uint8_t> bytes(mapBytes);
    int32_t got = 0;
    if (!Transfer(&mMetadata, 8, bytes.data(), nullptr, int32_t(mapBytes), false, &got) ||
        uint32_t(got) != mapBytes)
      return false;
    loaded = mMap.Load(bytes.data(), mapBytes);
    // A tag with a count that disagrees with the length is damage, not an old empty map.
    if (!loaded && LoadBigEndian32(bytes.data()) == VFSBlockMap::kTag) return false;
  }
  if (loaded && !MapMissesBlocks()) {
    bool all;
    uint32_t from;
    mMap.TakeChangedEntries(&all, &from);  // the file holds them
    mMapWritten = mMap.Changes();
  } else if (!Rebuild()) {
    return false;
  }
  uint32_t next = 0;
  return ReadMetadataWord(0, &next) && next >= 2 && !mMap.HasOwner(next);
}

// The map ends before the file does, or holds nothing: blocks were added after it was written.
bool VFSVolume::MapMissesBlocks() {
  uint32_t last = 0;
  Cursor cursor;
  if (!mMap.LastBlock(&last) || !CheckedBlock(last, kAnyOwner, &cursor)) return true;
  return uint64_t(last) + cursor.length < mDiskLength;
}

// Every block from the first one on gives an entry of its header's owner and sequence. The
// next file number moves past every owner found. A walk the disk broke off changes nothing: the
// blocks past it are no less there.
bool VFSVolume::Rebuild() {
  const uint64_t failures = mCache.Failures();
  std::vector<VFSBlockEntry> found;
  uint64_t at = kFirstBlock;
  for (uint64_t steps = 0; at < mDiskLength && steps < WalkLimit(); ++steps) {
    Cursor cursor;
    BlockHeader header;
    if (at >= kOffsetLimit || !CheckedBlock(uint32_t(at), kAnyOwner, &cursor) ||
        !ReadHeader(uint32_t(at), &header))
      break;
    found.push_back({uint32_t(at), header.owner, header.owner == 0 ? 0 : header.sequence});
    at += cursor.length;
  }
  const bool torn = at < mDiskLength && at < kOffsetLimit && TornTail(at);
  if (DiskFailedSince(failures)) return false;
  mRebuilt = true;
  const bool unflushed = mUnflushed;  // a repair: built again whenever it is lost
  mMap.Clear();
  mLastPlace.clear();
  for (const VFSBlockEntry& entry : found) mMap.Add(entry.owner, entry.block, entry.sequence);
  if (torn) mDiskLength = at;
  uint32_t next = 0;
  if (!ReadMetadataWord(0, &next)) return false;
  const uint32_t highest = mMap.HighestOwner();
  if (next <= highest) {
    if (highest == ~0u) return false;
    // A volume opened for reading only keeps the number in memory until it is needed.
    WriteMetadataWord(0, highest + 1);
  }
  mValid = true;  // write-back checks it
  WriteBackMap();
  mUnflushed = unflushed;
  return true;
}

// From offset to the end lies a block the disk had no room to take whole (too few bytes for
// one, or a header that claims more bytes than are left), or an undo record cut short.
bool VFSVolume::TornTail(uint64_t offset) {
  const uint64_t left = mDiskLength - offset;
  BlockHeader header;
  return left < kMinBlockLength ||
         (ReadHeader(uint32_t(offset), &header) &&
          ((header.magic == kBlockMagic && header.length > double(left)) ||
           header.magic == kVFSUndoTag));
}

// --- Blocks ------------------------------------------------------------------------------------

// A first block the map does not lead to sends the map to be rebuilt once; one the disk could
// not read does not.
bool VFSVolume::FirstBlock(uint32_t file, Cursor* cursor) {
  if (file == kMetadataFile) {
    *cursor = mMetadata.first;
    return true;
  }
  const uint64_t failures = mCache.Failures();
  for (int attempt = 0; attempt < 2; ++attempt) {
    uint32_t block = 0;
    if (mMap.FindBlock(file, 0, &block) && CheckedBlock(block, file, cursor) &&
        cursor->sequence == 0)
      return true;
    if (file == 0 || mRebuilt || DiskFailedSince(failures) || !Rebuild()) return false;
  }
  return false;
}

// A free block of the map whose own header agrees, with a length worth reusing, its data zeroed.
bool VFSVolume::ReusableBlock(Cursor* cursor) {
  for (const uint32_t index : mMap.FreeEntries()) {
    const uint32_t block = mMap.At(index).block;
    BlockHeader header;
    if (!CheckedBlock(block, 0, cursor) || !ReadHeader(block, &header)) continue;
    if (cursor->length < kSmallestReusedBlock || cursor->length > kLargestReusedBlock) continue;
    const std::vector<uint8_t> zeros(cursor->length - kBlockHeaderSize - kBlockTrailerSize);
    if (!WriteBytes(uint64_t(block) + kBlockHeaderSize, zeros.data(), uint32_t(zeros.size())))
      return false;
    return true;
  }
  return false;
}

bool VFSVolume::AppendBlock(Cursor* cursor) {
  const uint64_t start = mDiskLength;
  if (start < kFirstBlock || start + kNewBlockLength > kOffsetLimit) return false;
  uint8_t bytes[kNewBlockLength] = {};
  StoreBigEndian32(bytes, kBlockMagic);
  EncodeDouble(kNewBlockLength, bytes + 12);
  StoreBigEndian32(bytes + kNewBlockLength - kBlockTrailerSize, kBlockEndMagic);
  if (!WriteBytes(start, bytes, sizeof bytes)) return false;
  mDiskLength = start + kNewBlockLength;
  mMap.Add(0, uint32_t(start), 0);
  *cursor = {uint32_t(start), kNewBlockLength, 0, 0, 0};
  return true;
}

bool VFSVolume::AllocateBlock(uint32_t owner, uint32_t sequence, Cursor* cursor) {
  if (!ReusableBlock(cursor) && !AppendBlock(cursor)) return false;
  const BlockHeader header{kBlockMagic, owner, sequence, double(cursor->length), 0};
  if (!WriteHeader(cursor->start, header)) return false;
  mMap.SetOwnerOfBlock(cursor->start, owner, sequence);
  cursor->next = 0;
  cursor->sequence = sequence;
  return true;
}

// --- Numbered files ----------------------------------------------------------------------------

uint32_t VFSVolume::NewFileNumber() {
  if (!mValid) return 0;
  uint32_t next = 0;
  if (!ReadMetadataWord(0, &next) || next < 2 || next == ~0u || mMap.HasOwner(next)) return 0;
  Cursor cursor;
  if (!WriteMetadataWord(0, next + 1) || !AllocateBlock(next, 0, &cursor)) return 0;
  return next;
}

bool VFSVolume::FreeFile(uint32_t file) {
  Cursor cursor;
  if (!mValid || file == kMetadataFile || IsFileOpen(file) || !FirstBlock(file, &cursor))
    return false;
  mLastPlace.erase(file);
  for (uint64_t steps = 0; steps < WalkLimit(); ++steps) {
    const uint32_t next = cursor.next;
    const BlockHeader freed{kBlockMagic, 0, 0, double(cursor.length), 0};
    if (!WriteHeader(cursor.start, freed)) return false;
    mMap.SetOwnerOfBlock(cursor.start, 0, 0);
    // A link that leads nowhere sound ends the chain: nothing beyond it is this file's. One
    // the disk could not read fails the call: the rest of the chain would stay taken.
    const uint64_t failures = mCache.Failures();
    if (next == 0 || !CheckedBlock(next, file, &cursor)) return !DiskFailedSince(failures);
  }
  return true;
}

int32_t VFSVolume::OpenFile(uint32_t file) {
  if (!mValid || file == 0 || (mFreeSlots.empty() && mOpen.size() >= uint32_t(kMaxOpenFiles)))
    return -1;
  Cursor first;
  if (!FirstBlock(file, &first)) return -1;
  OpenRecord record{file, first, first};
  auto place = mLastPlace.find(file);
  Cursor last;
  if (place != mLastPlace.end() && CheckedBlock(place->second.start, file, &last) &&
      last.sequence == place->second.sequence) {
    last.dataOffset = place->second.dataOffset;
    record.current = last;
  }
  int32_t handle;
  if (!mFreeSlots.empty()) {
    handle = *mFreeSlots.rbegin();
    mFreeSlots.erase(handle);
    mOpen[handle] = record;
  } else {
    handle = int32_t(mOpen.size());
    mOpen.Append(record);
    if (mOpen.size() == uint32_t(handle)) return -1;  // no room: reported
  }
  ++mOpenCounts[file];
  return handle;
}

VFSVolume::OpenRecord* VFSVolume::Record(int32_t handle) {
  if (handle < 0 || uint32_t(handle) >= mOpen.size() || mOpen[handle].file == 0) return nullptr;
  return &mOpen[handle];
}

bool VFSVolume::CloseFile(int32_t handle) {
  OpenRecord* record = Record(handle);
  if (!record) return false;
  // Chains only grow, so the furthest place reached stays true until the file is freed.
  auto place = mLastPlace.find(record->file);
  if (record->current.start != record->first.start &&
      (place == mLastPlace.end() || place->second.dataOffset < record->current.dataOffset))
    mLastPlace[record->file] = record->current;
  auto count = mOpenCounts.find(record->file);
  if (count != mOpenCounts.end() && --count->second == 0) mOpenCounts.erase(count);
  record->file = 0;
  mFreeSlots.insert(handle);
  return true;
}

bool VFSVolume::IsFileOpen(uint32_t file) const { return mOpenCounts.count(file) != 0; }

// --- Transfers ---------------------------------------------------------------------------------

void VFSVolume::UseMetadataBlock(const Cursor& first) {
  mMetadata = {kMetadataFile, first, first};
  mMetadataChain.assign(1, first);
}

int VFSVolume::Reach(OpenRecord* record, uint64_t position, bool grow) {
  Cursor& current = record->current;
  if (record == &mMetadata) {
    // File 1 is written at its start and far into it at each write-back: straight to the block.
    auto known = std::upper_bound(
        mMetadataChain.begin(), mMetadataChain.end(), position,
        [](uint64_t at, const Cursor& block) { return at < block.dataOffset; });
    const Cursor& nearest = *(known - 1);
    if (position < current.dataOffset || nearest.dataOffset > current.dataOffset) current = nearest;
  } else if (position < current.dataOffset) {
    current = record->first;
  }
  for (uint64_t steps = 0; position - current.dataOffset >= current.Capacity(); ++steps) {
    if (steps > WalkLimit()) return kFailed;
    Cursor fresh;
    // Another handle of the file may have grown the chain since this one read the header; a
    // header the disk could not read may say so too, and the chain is not grown past it.
    const uint64_t failures = mCache.Failures();
    if (current.next == 0 && CheckedBlock(current.start, record->file, &fresh))
      current.next = fresh.next;
    if (DiskFailedSince(failures)) return kFailed;
    Cursor following;
    if (current.next == 0) {
      if (!grow) return kChainEnd;
      if (!AllocateBlock(record->file, current.sequence + 1, &following)) return kFailed;
      const BlockHeader linked{kBlockMagic, record->file, current.sequence,
                               double(current.length), double(following.start)};
      if (!WriteHeader(current.start, linked)) return kFailed;
    } else if (!CheckedBlock(current.next, record->file, &following)) {
      return kFailed;
    }
    following.dataOffset = current.dataOffset + current.Capacity();
    if (record == &mMetadata && mMetadataChain.back().start == current.start) {
      mMetadataChain.back().next = following.start;
      mMetadataChain.push_back(following);
    }
    current = following;
  }
  return kInside;
}

bool VFSVolume::Transfer(OpenRecord* record, uint64_t position, uint8_t* bytes,
                         const uint8_t* source, int32_t count, bool grow, int32_t* done) {
  *done = 0;
  while (*done < count) {
    const int reached = Reach(record, position + uint64_t(*done), grow);
    if (reached == kFailed) return false;
    if (reached == kChainEnd) return true;
    const Cursor& block = record->current;
    const uint64_t within = position + uint64_t(*done) - block.dataOffset;
    if (!QV_CHECK_TEXT(within < block.Capacity(),
                       "finfo->mPosWithinBlock >= kBlockHeaderSize and finfo->mPosWithinBlock "
                       "< finfo->mBlockStart + finfo->mBlockHeader.mBlockLength - 4",
                       nullptr))
      return false;
    const uint64_t room = block.Capacity() - within;
    const uint32_t step = uint32_t(uint64_t(count - *done) < room ? count - *done : room);
    const uint64_t at = uint64_t(block.start) + kBlockHeaderSize + within;
    const bool moved = source ? WriteBytes(at, source + *done, step)
                              : ReadBytes(at, bytes + *done, step);
    if (!moved) return false;
    *done += int32_t(step);
  }
  return true;
}

bool VFSVolume::ReadAt(int32_t handle, uint64_t position, void* buffer, int32_t count,
                       int32_t* got) {
  *got = 0;
  if (!CallerGave(buffer, count)) return false;
  OpenRecord* record = Record(handle);
  return record &&
         Transfer(record, position, static_cast<uint8_t*>(buffer), nullptr, count, false, got);
}

bool VFSVolume::WriteAt(int32_t handle, uint64_t position, const void* buffer, int32_t count) {
  if (!CallerGave(buffer, count)) return false;
  OpenRecord* record = Record(handle);
  int32_t done = 0;
  return record &&
         Transfer(record, position, nullptr, static_cast<const uint8_t*>(buffer), count, true,
                  &done) &&
         done == count;
}

bool VFSVolume::ZeroRange(int32_t handle, uint64_t from, uint64_t to) {
  OpenRecord* record = Record(handle);
  if (!record) return false;
  static const uint8_t kZeros[kZeroChunk] = {};
  while (from < to) {
    const int32_t step = int32_t(to - from < uint64_t(kZeroChunk) ? to - from : kZeroChunk);
    int32_t done = 0;
    if (!Transfer(record, from, nullptr, kZeros, step, false, &done)) return false;
    if (done < step) return true;  // the chain ends: nothing beyond it to clear
    from += uint64_t(step);
  }
  return true;
}

// --- The metadata file -------------------------------------------------------------------------

bool VFSVolume::ReadMetadataWord(uint64_t position, uint32_t* value) {
  uint8_t bytes[4];
  int32_t got = 0;
  if (!Transfer(&mMetadata, position, bytes, nullptr, 4, false, &got) || got != 4) return false;
  *value = LoadBigEndian32(bytes);
  return true;
}

bool VFSVolume::WriteMetadataWord(uint64_t position, uint32_t value) {
  uint8_t bytes[4];
  StoreBigEndian32(bytes, value);
  int32_t done = 0;
  return Transfer(&mMetadata, position, nullptr, bytes, 4, true, &done) && done == 4;
}

// Growing file 1 to hold the map adds blocks to the map: written again until it holds still.
bool VFSVolume::WriteBackMap() {
  if (!mValid) return false;
  for (int32_t round = 0; round < kMapWriteRounds; ++round) {
    const uint64_t before = mMap.Changes();
    bool all = false;
    uint32_t from = 0;
    const std::set<uint32_t> changed = mMap.TakeChangedEntries(&all, &from);
    if (!WriteMapEntries(changed, all, from)) {
      mMap.MarkAllChanged();
      return false;
    }
    if (mMap.Changes() == before) {
      mMapWritten = before;
      return true;
    }
  }
  return false;
}

// The map's byte count, tag and entry count, then the entries given (runs of neighbours in one
// write), or the whole map.
bool VFSVolume::WriteMapEntries(const std::set<uint32_t>& changed, bool all, uint32_t from) {
  const uint32_t count = mMap.Count();
  int32_t done = 0;
  if (all) {
    const std::string bytes = mMap.Serialize();
    return WriteMetadataWord(4, uint32_t(bytes.size())) &&
           Transfer(&mMetadata, 8, nullptr, reinterpret_cast<const uint8_t*>(bytes.data()),
                    int32_t(bytes.size()), true, &done);
  }
  uint8_t head[12];
  StoreBigEndian32(head, uint32_t(VFSBlockMap::kHeaderSize + VFSBlockMap::kEntrySize * count));
  StoreBigEndian32(head + 4, VFSBlockMap::kTag);
  StoreBigEndian32(head + 8, count);
  if (!Transfer(&mMetadata, 4, nullptr, head, sizeof head, true, &done)) return false;
  std::vector<uint8_t> run;
  auto write = [&](uint32_t first, uint32_t end) {
    run.resize(size_t(end - first) * VFSBlockMap::kEntrySize);
    for (uint32_t i = first; i < end; ++i) {
      const VFSBlockEntry& entry = mMap.At(i);
      uint8_t* at = run.data() + size_t(i - first) * VFSBlockMap::kEntrySize;
      StoreBigEndian32(at, entry.block);
      StoreBigEndian32(at + 4, entry.owner);
      StoreBigEndian32(at + 8, entry.sequence);
    }
    const uint64_t at = 8 + VFSBlockMap::kHeaderSize + uint64_t(VFSBlockMap::kEntrySize) * first;
    return Transfer(&mMetadata, at, nullptr, run.data(), int32_t(run.size()), true, &done);
  };
  for (auto it = changed.begin(); it != changed.end() && *it < std::min(from, count);) {
    const uint32_t first = *it;
    uint32_t end = first;
    while (it != changed.end() && *it == end && end < std::min(from, count)) ++it, ++end;
    if (!write(first, end)) return false;
  }
  return from >= count || write(from, count);
}

bool VFSVolume::Flush() {
  mUnflushed = false;  // the caller hears how it went
  const bool written = !mValid || mMap.Changes() == mMapWritten || WriteBackMap();
  return FlushDisk() && mValid && written;
}

bool VFSVolume::FlushDisk() {
  mUnflushed = false;
  return mReadOnly || mCache.Flush();
}

void VFSVolume::Abandon() {
  mCache.Hold(false);
  mCache.DropChanges(mCache.FileLength());
  mValid = false;
  mUnflushed = false;
}

// --- Changes taken whole -----------------------------------------------------------------------

// What came before is pushed out first, so that taking the change back takes back nothing else.
bool VFSVolume::BeginChange() {
  if (mChangeDepth > 0) {
    ++mChangeDepth;
    return true;
  }
  mCache.TakeError();  // what went wrong before is no reason for this change to fail
  if (!mValid || mReadOnly || !Flush()) return false;
  mChangeStart = {mDiskLength, mCache.FileLength(), mMap.Changes()};
  mCache.Hold(true);
  mChangeDepth = 1;
  return true;
}

bool VFSVolume::EndChange(bool made, bool* undone) {
  *undone = false;
  if (mChangeDepth == 0 || --mChangeDepth > 0) return made;
  mCache.Hold(false);
  if (made && Flush()) return true;
  if (!mCache.HasChanges() && mMap.Changes() == mChangeStart.mapChanges &&
      mDiskLength == mChangeStart.diskLength)
    return false;
  *undone = true;
  TakeBack();
  return false;
}

// The file as it was at the change's start (every byte of it on disk then), and the map read
// from it again. Places remembered in chains may lie in blocks that are gone: forgotten.
void VFSVolume::TakeBack() {
  const int32_t error = mCache.TakeError();
  mCache.DropChanges(mChangeStart.fileLength);
  mDiskLength = mChangeStart.diskLength;
  mLastPlace.clear();
  // File 1's links may lead into blocks that are gone: its chain is read again from the disk.
  Cursor first;
  mValid = CheckedBlock(kFirstBlock, kMetadataFile, &first);
  if (mValid) UseMetadataBlock(first);
  mValid = mValid && LoadMap();
  mUnflushed = false;
  mCache.TakeError();
  mCache.SetError(error);  // why the change could not be written, not what reloading met
}
