#include "files/VFSPageCache.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "core/ByteOrder.h"

namespace {

constexpr uint32_t kPageSize = 64 * 1024;
constexpr size_t kMaxPages = 64;
// The old bytes of a changed page are kept in pieces (one bit each in a 64-bit mask): a change
// costs a copy of the pieces it writes, not of the whole page.
constexpr uint32_t kOldPieces = 64;
constexpr uint32_t kOldPiece = kPageSize / kOldPieces;

// The undo record, big-endian: "VFSu", the file's length before and after the write-back
// (u64 each), the number of ranges (u32), each range {offset (u64), length (u32), FNV-1a hash of
// the bytes the write-back puts there (u32), the old bytes}; then its trailer, which ends the
// file: where the record starts (u64), the hash of the record (u32), "VFSU".
constexpr uint32_t kUndoMark = 0x56465355;  // "VFSU"
constexpr uint32_t kUndoHead = 24;
constexpr uint32_t kUndoRange = 16;
constexpr uint32_t kUndoTrailer = 16;
constexpr uint32_t kHashBasis = 2166136261u;

uint32_t Hash(uint32_t hash, const uint8_t* bytes, uint64_t count) {
  for (uint64_t i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * 16777619u;
  return hash;
}

uint64_t LoadBigEndian64(const uint8_t* bytes) {
  return uint64_t(LoadBigEndian32(bytes)) << 32 | LoadBigEndian32(bytes + 4);
}

void AppendBigEndian(std::string* out, uint64_t value, int bytes) {
  for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) out->push_back(char(value >> shift));
}

const uint8_t* BytesOf(const std::string& text) {
  return reinterpret_cast<const uint8_t*>(text.data());
}

}  // namespace

VFSPageCache::VFSPageCache(RandomAccessMechanism* disk) : mDisk(disk) { Reset(); }

void VFSPageCache::Reset() {
  mPages.clear();
  const int64_t length = mDisk->GetLength();
  mFileLength = mDiskEnd = length > 0 ? uint64_t(length) : 0;
  mTailToCut = false;
  mOwed = UndoPlace{};
}

int32_t VFSPageCache::TakeError() { return std::exchange(mError, 0); }

bool VFSPageCache::DiskFailed() {
  mError = mDisk->lastError ? mDisk->lastError : EIO;
  ++mFailures;
  return false;
}

bool VFSPageCache::CutTo(uint64_t length) {
  const int32_t error = mError;
  mDisk->lastError = 0;
  const bool cut = mDisk->SetLength(length) || DiskFailed();
  if (cut) mDiskEnd = length;
  if (error) mError = error;
  return cut;
}

// Where a failed write left the file is asked of the disk: it may have taken part of it.
bool VFSPageCache::CutTail() {
  if (!mTailToCut || mOwed.end != 0) return true;  // an owed undo cuts once the old bytes are back
  const int64_t now = mDisk->GetLength();
  if (now > int64_t(mDiskEnd)) mDiskEnd = uint64_t(now);
  if (now >= 0 && uint64_t(now) <= mFileLength) {
    mDiskEnd = uint64_t(now);
    mTailToCut = false;
  } else {
    mTailToCut = !CutTo(mFileLength);
  }
  return !mTailToCut;
}

bool VFSPageCache::Trim() { return mOwed.end != 0 || mDiskEnd <= mFileLength || CutTo(mFileLength); }

bool VFSPageCache::WriteRange(uint64_t offset, const uint8_t* bytes, uint64_t count) {
  mDisk->lastError = 0;
  return (mDisk->SetPosition(offset) && mDisk->Write(bytes, int32_t(count))) || DiskFailed();
}

bool VFSPageCache::ReadRange(uint64_t offset, uint8_t* bytes, uint64_t count) {
  int32_t got = 0;
  mDisk->lastError = 0;
  return (mDisk->SetPosition(offset) && mDisk->Read(bytes, int32_t(count), &got) &&
          uint64_t(got) == count) ||
         DiskFailed();
}

// The disk's Flush answers nothing: its error code tells.
bool VFSPageCache::FlushDisk() {
  mDisk->lastError = 0;
  mDisk->Flush();
  return mDisk->lastError == 0 || DiskFailed();
}

// Only the pieces a change touched hold bytes that differ: one range for each run of them.
std::string VFSPageCache::UndoRecord(uint64_t end, uint64_t grown) const {
  std::string ranges;
  uint32_t count = 0;
  for (const auto& [index, page] : mPages) {
    const uint64_t start = index * kPageSize;
    if (!page.dirty || start + page.changedFrom >= end) continue;
    const uint32_t to = uint32_t(std::min<uint64_t>(start + page.changedTo, end) - start);
    for (uint32_t at = page.changedFrom; at < to;) {
      if (!(page.oldPieces >> (at / kOldPiece) & 1)) {
        at = (at / kOldPiece + 1) * kOldPiece;
        continue;
      }
      uint32_t next = at;
      while (next < to && page.oldPieces >> (next / kOldPiece) & 1)
        next = std::min((next / kOldPiece + 1) * kOldPiece, to);
      AppendBigEndian(&ranges, start + at, 8);
      AppendBigEndian(&ranges, next - at, 4);
      AppendBigEndian(&ranges, Hash(kHashBasis, page.bytes.data() + at, next - at), 4);
      ranges.append(reinterpret_cast<const char*>(page.old.get() + at), next - at);
      ++count;
      at = next;
    }
  }
  if (count == 0) return std::string();
  std::string record;
  AppendBigEndian(&record, kVFSUndoTag, 4);
  AppendBigEndian(&record, end, 8);
  AppendBigEndian(&record, grown, 8);
  AppendBigEndian(&record, count, 4);
  return record + ranges;
}

// The record ends the file: on the last bytes of what earlier records or torn writes left past
// the volume, or past them, so that its trailer is what the file's end holds. Where it follows
// the run, both go in one write.
bool VFSPageCache::AppendRecord(const uint8_t* run, uint64_t runAt, uint64_t runSize,
                                std::string* record, UndoPlace* place) {
  if (record->empty()) return runSize == 0 || WriteRange(runAt, run, runSize);
  const uint64_t size = record->size() + kUndoTrailer;
  const uint64_t at = std::max(runAt + runSize, mDiskEnd > size ? mDiskEnd - size : 0);
  const uint32_t hash = Hash(kHashBasis, BytesOf(*record), record->size());
  AppendBigEndian(record, at, 8);
  AppendBigEndian(record, hash, 4);
  AppendBigEndian(record, kUndoMark, 4);
  *place = {at, at + size};
  if (runSize > 0 && runAt + runSize == at) {
    std::string both(reinterpret_cast<const char*>(run), runSize);
    both += *record;
    return WriteRange(runAt, BytesOf(both), both.size());
  }
  return (runSize == 0 || WriteRange(runAt, run, runSize)) &&
         WriteRange(at, BytesOf(*record), record->size());
}

bool VFSPageCache::FindUndo(UndoPlace* place) {
  const int64_t length = mDisk->GetLength();
  uint8_t trailer[kUndoTrailer];
  if (length < int64_t(8 + kUndoHead + kUndoTrailer) ||
      !ReadRange(uint64_t(length) - kUndoTrailer, trailer, kUndoTrailer) ||
      LoadBigEndian32(trailer + 12) != kUndoMark)
    return false;
  *place = {LoadBigEndian64(trailer), uint64_t(length)};
  return true;
}

// Nothing in a record is believed before its hash holds (read a chunk at a time: its length
// comes from the file), and then only ranges that fill it exactly and lie inside the file as it
// was before.
bool VFSPageCache::ValidUndo(const UndoPlace& place, UndoHead* head) {
  if (place.start < 8 || place.end < place.start + kUndoHead + kUndoTrailer) return false;
  uint8_t trailer[kUndoTrailer];
  if (!ReadRange(place.end - kUndoTrailer, trailer, kUndoTrailer) ||
      LoadBigEndian64(trailer) != place.start || LoadBigEndian32(trailer + 12) != kUndoMark)
    return false;
  const uint64_t body = place.end - kUndoTrailer;
  uint32_t hash = kHashBasis;
  uint8_t bytes[kUndoHead];
  if (!EachChunk(place.start, body - place.start,
                 [&](uint64_t, const uint8_t* chunk, uint32_t step) {
                   hash = Hash(hash, chunk, step);
                   return true;
                 }) ||
      hash != LoadBigEndian32(trailer + 8) || !ReadRange(place.start, bytes, kUndoHead) ||
      LoadBigEndian32(bytes) != kVFSUndoTag)
    return false;
  *head = {LoadBigEndian64(bytes + 4), LoadBigEndian64(bytes + 12)};
  if (head->before > head->after || head->after > place.start) return false;
  uint64_t at = place.start + kUndoHead;
  for (uint32_t left = LoadBigEndian32(bytes + 20); left > 0; --left) {
    uint8_t range[kUndoRange];
    if (kUndoRange > body - at || !ReadRange(at, range, kUndoRange)) return false;
    const uint64_t offset = LoadBigEndian64(range);
    const uint32_t size = LoadBigEndian32(range + 8);
    at += kUndoRange;
    if (offset > head->before || size > head->before - offset || size > body - at) return false;
    at += size;
  }
  return at == body;
}

bool VFSPageCache::EachRange(const UndoPlace& place, RangeVisit visit) {
  uint8_t head[kUndoHead];
  if (!ReadRange(place.start, head, kUndoHead)) return false;
  uint64_t at = place.start + kUndoHead;
  for (uint32_t left = LoadBigEndian32(head + 20); left > 0; --left) {
    uint8_t range[kUndoRange];
    if (!ReadRange(at, range, kUndoRange)) return false;
    const uint32_t size = LoadBigEndian32(range + 8);
    if (!(this->*visit)(LoadBigEndian64(range), size, LoadBigEndian32(range + 12),
                        at + kUndoRange))
      return false;
    at += kUndoRange + size;
  }
  return true;
}

template <typename Take>
bool VFSPageCache::EachChunk(uint64_t from, uint64_t size, Take take) {
  std::vector<uint8_t> chunk(size_t(std::min<uint64_t>(size, kPageSize)));
  for (uint64_t done = 0; done < size;) {
    const uint32_t step = uint32_t(std::min<uint64_t>(size - done, kPageSize));
    if (!ReadRange(from + done, chunk.data(), step) || !take(done, chunk.data(), step))
      return false;
    done += step;
  }
  return true;
}

bool VFSPageCache::HoldsNewBytes(uint64_t offset, uint32_t size, uint32_t newHash, uint64_t) {
  uint32_t hash = kHashBasis;
  return EachChunk(offset, size,
                   [&](uint64_t, const uint8_t* bytes, uint32_t step) {
                     hash = Hash(hash, bytes, step);
                     return true;
                   }) &&
         hash == newHash;
}

bool VFSPageCache::PutOldBytesOnDisk(uint64_t offset, uint32_t size, uint32_t, uint64_t oldAt) {
  return EachChunk(oldAt, size, [&](uint64_t done, const uint8_t* bytes, uint32_t step) {
    return WriteRange(offset + done, bytes, step);
  });
}

bool VFSPageCache::PutOldBytesInPages(uint64_t offset, uint32_t size, uint32_t, uint64_t oldAt) {
  return EachChunk(oldAt, size, [&](uint64_t done, const uint8_t* bytes, uint32_t step) {
    return Write(offset + done, bytes, step);
  });
}

bool VFSPageCache::Undo(const UndoPlace& place) {
  UndoHead head;
  const bool undone = ValidUndo(place, &head) &&
                      EachRange(place, &VFSPageCache::PutOldBytesOnDisk) && FlushDisk() &&
                      CutTo(head.before);
  mOwed = undone ? UndoPlace{} : place;
  if (undone) {
    mFileLength = head.before;
    mTailToCut = false;
  }
  return undone;
}

bool VFSPageCache::Recover(bool writable) {
  const uint64_t failures = mFailures;
  UndoPlace place;
  UndoHead head;
  if (!FindUndo(&place) || !ValidUndo(place, &head)) return mFailures == failures;
  const bool whole = EachRange(place, &VFSPageCache::HoldsNewBytes);
  if (mFailures != failures) return false;
  if (writable) {
    if (!whole) return Undo(place);
    mFileLength = head.after;
    CutTo(head.after);  // left longer, the file is no less sound
    return true;
  }
  // Read only: the old bytes are laid over the pages, which then never leave.
  mFileLength = whole ? head.after : head.before;
  if (whole) return true;
  mHeld = true;
  return EachRange(place, &VFSPageCache::PutOldBytesInPages);
}

// What lies past the file's end first, in file order (a failure leaves no hole), then the undo
// record of the overwrite, all pushed out together; then the changed bytes the file holds
// already, pushed out too. Pages stay changed, and the file counts as no longer, until all of
// it went through. A failure before the overwrite cuts off what was appended (a disk that
// filled gets its room back); one in it puts the old bytes back.
bool VFSPageCache::WriteChanged() {
  if (mOwed.end != 0 && !Undo(mOwed)) return false;
  const uint64_t end = mFileLength;
  uint64_t grown = end;
  bool any = false;
  auto appendFailed = [this] {
    mTailToCut = true;
    CutTail();
    return false;
  };
  // Each appended run is written as the next begins; the last goes with the record.
  const uint8_t* run = nullptr;
  uint64_t runAt = end, runSize = 0;
  for (auto& [index, page] : mPages) {
    if (!page.dirty) continue;
    any = true;
    const uint64_t start = index * kPageSize;
    const uint64_t from = std::max(start, end);
    if (start + page.extent <= from) continue;
    if (runSize > 0 && !WriteRange(runAt, run, runSize)) return appendFailed();
    run = page.bytes.data() + (from - start);
    runAt = from;
    runSize = start + page.extent - from;
    grown = start + page.extent;
  }
  if (!any) {
    CutTail();
    return true;
  }
  std::string record = UndoRecord(end, grown);
  // A write-back that overwrites nothing has no record: the last one, past the file's length,
  // goes first, or it would still end the file and, after a crash, be taken for this one's and
  // cut off what this one appended.
  if (record.empty() && !Trim()) return false;
  UndoPlace place;
  if (!AppendRecord(run, runAt, runSize, &record, &place) || !FlushDisk()) return appendFailed();
  mDiskEnd = std::max(mDiskEnd, record.empty() ? grown : place.end);
  if (!record.empty()) {
    bool overwritten = true;
    for (auto& [index, page] : mPages) {
      const uint64_t start = index * kPageSize;
      const uint64_t to = std::min(start + page.changedTo, end);
      overwritten = overwritten &&
                    (!page.dirty || to <= start + page.changedFrom ||
                     WriteRange(start + page.changedFrom, page.bytes.data() + page.changedFrom,
                                to - start - page.changedFrom));
    }
    if (!overwritten || !FlushDisk()) {
      const int32_t why = mError;
      Undo(place);
      mError = why;
      return false;
    }
  }
  mFileLength = grown;
  for (auto& [index, page] : mPages) {
    page.dirty = false;
    page.old.reset();
  }
  CutTail();  // one that failed before is tried again
  return true;
}

bool VFSPageCache::HasChanges() const {
  for (const auto& [index, page] : mPages)
    if (page.dirty) return true;
  return false;
}

void VFSPageCache::Restore(Page* page) {
  for (uint32_t piece = 0; piece < kOldPieces; ++piece) {
    const uint32_t at = piece * kOldPiece;
    if (page->oldPieces >> piece & 1)
      std::memcpy(page->bytes.data() + at, page->old.get() + at, kOldPiece);
  }
  const uint32_t held = page->oldExtent;
  std::memset(page->bytes.data() + held, 0, kPageSize - held);
  page->extent = held;
  page->changedTo = std::min(page->changedTo, held);
  page->dirty = page->changedFrom < page->changedTo;
}

// The file first holds again what it held before a write-back that failed (the undo it may
// still owe); the changed pages then go, to be read again, with those that reach past length,
// and the file is cut to length. While the undo cannot be done, the changed pages stay with
// their old bytes, so that the volume reads as before.
bool VFSPageCache::DropChanges(uint64_t length) {
  const int32_t why = mError;
  const bool undone = mOwed.end == 0 || Undo(mOwed);
  if (why) mError = why;
  for (auto it = mPages.begin(); it != mPages.end();) {
    Page& page = it->second;
    const uint64_t start = it->first * kPageSize;
    bool keep = !page.dirty && start + page.extent <= length;
    if (!undone && page.dirty && start < length) {
      Restore(&page);
      keep = page.dirty;  // a page no longer changed is read from the file again
    }
    it = keep ? std::next(it) : mPages.erase(it);
  }
  mFileLength = length;
  mTailToCut = true;
  return undone && CutTail();
}

// The least recently used page leaves; a changed one only with every other changed page
// written first, and, while held, none: the cache grows instead.
bool VFSPageCache::MakeRoom() {
  if (mPages.size() < kMaxPages) return true;
  auto oldest = mPages.end();
  for (auto it = mPages.begin(); it != mPages.end(); ++it) {
    if (mHeld && it->second.dirty) continue;
    if (oldest == mPages.end() || it->second.lastUse < oldest->second.lastUse) oldest = it;
  }
  if (oldest == mPages.end()) return true;
  if (oldest->second.dirty && !WriteChanged()) return false;
  mPages.erase(oldest);
  return true;
}

// A changed page leaves the cache only with every other changed page: written one by one, the
// file could hold a page that names blocks of another not written yet.
VFSPageCache::Page* VFSPageCache::PageAt(uint64_t index) {
  auto found = mPages.find(index);
  if (found != mPages.end()) {
    found->second.lastUse = ++mClock;
    return &found->second;
  }
  if (!MakeRoom()) return nullptr;
  Page page;
  page.bytes.assign(kPageSize, 0);
  const uint64_t start = index * kPageSize;
  if (start < mFileLength) {
    const uint32_t wanted = uint32_t(std::min<uint64_t>(kPageSize, mFileLength - start));
    if (!ReadRange(start, page.bytes.data(), wanted)) return nullptr;
    page.extent = wanted;
  }
  page.lastUse = ++mClock;
  return &mPages.emplace(index, std::move(page)).first->second;
}

bool VFSPageCache::Read(uint64_t offset, void* buffer, uint32_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    Page* page = PageAt(offset / kPageSize);
    if (!page) return false;
    const uint32_t within = uint32_t(offset % kPageSize);
    const uint32_t step = std::min(count, kPageSize - within);
    std::memcpy(out, page->bytes.data() + within, step);
    out += step;
    offset += step;
    count -= step;
  }
  return true;
}

void VFSPageCache::KeepOld(Page* page, uint64_t start, uint32_t from, uint32_t to) const {
  if (!page->dirty) {
    const uint64_t inFile = mFileLength > start ? mFileLength - start : 0;
    page->oldExtent = uint32_t(std::min<uint64_t>(page->extent, inFile));
    page->oldPieces = 0;
    if (!page->old) page->old.reset(new uint8_t[kPageSize]);
  }
  for (uint32_t piece = from / kOldPiece; piece * kOldPiece < to; ++piece) {
    if (page->oldPieces >> piece & 1) continue;
    std::memcpy(page->old.get() + piece * kOldPiece, page->bytes.data() + piece * kOldPiece,
                kOldPiece);
    page->oldPieces |= uint64_t{1} << piece;
  }
}

// Only the bytes that differ from what the page holds, and those past its extent, change it.
bool VFSPageCache::Write(uint64_t offset, const void* buffer, uint32_t count) {
  const auto* in = static_cast<const uint8_t*>(buffer);
  while (count > 0) {
    Page* page = PageAt(offset / kPageSize);
    if (!page) return false;
    const uint32_t within = uint32_t(offset % kPageSize);
    const uint32_t step = std::min(count, kPageSize - within);
    uint8_t* at = page->bytes.data() + within;
    const uint32_t held = page->extent > within ? std::min(page->extent - within, step) : 0;
    uint32_t first = 0, last = step;
    while (first < held && at[first] == in[first]) ++first;
    if (held == step) {
      while (last > first && at[last - 1] == in[last - 1]) --last;
    }
    if (first < last) {
      const uint32_t from = within + first, to = within + last;
      KeepOld(page, offset - within, from, to);
      std::memcpy(at + first, in + first, last - first);
      page->changedFrom = page->dirty ? std::min(page->changedFrom, from) : from;
      page->changedTo = page->dirty ? std::max(page->changedTo, to) : to;
      page->dirty = true;
    }
    page->extent = std::max(page->extent, within + step);
    in += step;
    offset += step;
    count -= step;
  }
  return true;
}

bool VFSPageCache::Flush() { return WriteChanged(); }
