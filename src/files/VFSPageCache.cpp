#include "files/VFSPageCache.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kPageSize = 64 * 1024;
constexpr size_t kMaxPages = 64;

}  // namespace

VFSPageCache::VFSPageCache(RandomAccessMechanism* disk) : mDisk(disk) { Reset(); }

void VFSPageCache::Reset() {
  mPages.clear();
  const int64_t length = mDisk->GetLength();
  mFileLength = length > 0 ? uint64_t(length) : 0;
}

bool VFSPageCache::WriteBack(uint64_t index, Page* page) {
  if (!page->dirty) return true;
  const uint64_t start = index * kPageSize;
  if (!mDisk->SetPosition(start) || !mDisk->Write(page->bytes.data(), int32_t(page->extent)))
    return false;
  page->dirty = false;
  mFileLength = std::max(mFileLength, start + page->extent);
  return true;
}

VFSPageCache::Page* VFSPageCache::PageAt(uint64_t index) {
  auto found = mPages.find(index);
  if (found != mPages.end()) {
    found->second.lastUse = ++mClock;
    return &found->second;
  }
  if (mPages.size() >= kMaxPages) {
    auto oldest = std::min_element(mPages.begin(), mPages.end(), [](const auto& a, const auto& b) {
      return a.second.lastUse < b.second.lastUse;
    });
    if (!WriteBack(oldest->first, &oldest->second)) return nullptr;
    mPages.erase(oldest);
  }
  Page page;
  page.bytes.assign(kPageSize, 0);
  const uint64_t start = index * kPageSize;
  if (start < mFileLength) {
    const uint32_t wanted = uint32_t(std::min<uint64_t>(kPageSize, mFileLength - start));
    int32_t got = 0;
    if (!mDisk->SetPosition(start) || !mDisk->Read(page.bytes.data(), int32_t(wanted), &got) ||
        uint32_t(got) != wanted)
      return nullptr;
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

bool VFSPageCache::Write(uint64_t offset, const void* buffer, uint32_t count) {
  const auto* in = static_cast<const uint8_t*>(buffer);
  while (count > 0) {
    Page* page = PageAt(offset / kPageSize);
    if (!page) return false;
    const uint32_t within = uint32_t(offset % kPageSize);
    const uint32_t step = std::min(count, kPageSize - within);
    std::memcpy(page->bytes.data() + within, in, step);
    page->extent = std::max(page->extent, within + step);
    page->dirty = true;
    in += step;
    offset += step;
    count -= step;
  }
  return true;
}

bool VFSPageCache::Flush() {
  bool written = true;
  for (auto& [index, page] : mPages) written = WriteBack(index, &page) && written;
  mDisk->Flush();
  return written;
}
