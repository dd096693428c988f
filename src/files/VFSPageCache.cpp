#include "files/VFSPageCache.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace {

constexpr uint32_t kPageSize = 64 * 1024;
constexpr size_t kMaxPages = 64;
// The old bytes of a changed page are kept in pieces (one bit each in a 64-bit mask): a change
// costs a copy of the pieces it writes, not of the whole page.
constexpr uint32_t kOldPieces = 64;
constexpr uint32_t kOldPiece = kPageSize / kOldPieces;

}  // namespace

VFSPageCache::VFSPageCache(RandomAccessMechanism* disk) : mDisk(disk) { Reset(); }

void VFSPageCache::Reset() {
  mPages.clear();
  const int64_t length = mDisk->GetLength();
  mFileLength = length > 0 ? uint64_t(length) : 0;
}

int32_t VFSPageCache::TakeError() { return std::exchange(mError, 0); }

bool VFSPageCache::DiskFailed() {
  mError = mDisk->lastError ? mDisk->lastError : EIO;
  return false;
}

bool VFSPageCache::WriteRange(uint64_t offset, const uint8_t* bytes, uint64_t count) {
  mDisk->lastError = 0;
  return (mDisk->SetPosition(offset) && mDisk->Write(bytes, int32_t(count))) || DiskFailed();
}

// The disk's Flush answers nothing: its error code tells.
bool VFSPageCache::FlushDisk() {
  mDisk->lastError = 0;
  mDisk->Flush();
  return mDisk->lastError == 0 || DiskFailed();
}

// The bytes past the file's end first, in file order (a failure leaves no hole), and pushed out;
// then the changed bytes the file holds already, pushed out too. Pages stay changed until both
// went through. The file counts as longer only once the push went through: a write the disk's
// buffer took may still find no room.
bool VFSPageCache::WriteChanged() {
  const uint64_t end = mFileLength;
  uint64_t grown = end;
  bool any = false;
  for (auto& [index, page] : mPages) {
    if (!page.dirty) continue;
    any = true;
    const uint64_t start = index * kPageSize;
    const uint64_t from = std::max(start, end);
    if (start + page.extent <= from) continue;
    if (!WriteRange(from, page.bytes.data() + (from - start), start + page.extent - from))
      return false;
    grown = start + page.extent;
  }
  if (!any) return true;
  if (!FlushDisk()) return false;
  mFileLength = grown;
  mOverwriting = true;
  for (auto& [index, page] : mPages) {
    const uint64_t start = index * kPageSize;
    const uint64_t to = std::min(start + page.changedTo, end);
    if (page.dirty && to > start + page.changedFrom &&
        !WriteRange(start + page.changedFrom, page.bytes.data() + page.changedFrom,
                    to - start - page.changedFrom))
      return false;
  }
  if (!FlushDisk()) return false;
  mOverwriting = false;
  for (auto& [index, page] : mPages) {
    page.dirty = false;
    page.old.reset();
  }
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

// Pages that reach past length go too: they may hold bytes of the half-done write-back. After
// an overwrite that failed part-way, the changed pages inside length stay, with their old
// bytes, until those are written again.
bool VFSPageCache::DropChanges(uint64_t length) {
  const bool torn = mOverwriting;
  for (auto it = mPages.begin(); it != mPages.end();) {
    Page& page = it->second;
    const uint64_t start = it->first * kPageSize;
    bool keep = !page.dirty && start + page.extent <= length;
    if (torn && page.dirty && start < length) {
      Restore(&page);
      keep = page.dirty;  // a page no longer changed is read from the file again
    }
    it = keep ? std::next(it) : mPages.erase(it);
  }
  mFileLength = length;
  const int64_t now = mDisk->GetLength();
  mDisk->lastError = 0;
  const bool cut = now <= int64_t(length) || mDisk->SetLength(length) || DiskFailed();
  return (torn ? WriteChanged() : true) && cut;
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
    int32_t got = 0;
    mDisk->lastError = 0;
    if (!mDisk->SetPosition(start) || !mDisk->Read(page.bytes.data(), int32_t(wanted), &got) ||
        uint32_t(got) != wanted) {
      DiskFailed();
      return nullptr;
    }
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
