#include "database/qvdbRecordTracking.h"

#include <algorithm>

#include "core/RuntimeError.h"
#include "database/PageStore.h"

bool qvdbRecordTracking::Purge() { return mStore && mStore->PurgePage(this); }

const std::vector<uint16_t>& qvdbRecordTracking::RecordOffsets() {
  if (mOffsetsOf == mChangeCount) return mOffsets;
  mOffsets.clear();
  uint32_t used = Used();
  for (uint32_t offset = 0; offset < used; offset += RecordLength(RecordAt(offset)))
    mOffsets.push_back(static_cast<uint16_t>(offset));
  mOffsetsOf = mChangeCount;
  return mOffsets;
}

const std::vector<qvdbRecordTracking::KeyPrefix>* qvdbRecordTracking::KeyPrefixes(
    const std::vector<uint8_t>& columns) {
  if (mPrefixesOf == mChangeCount && mPrefixColumns == columns && !mPrefixes.empty())
    return &mPrefixes;
  if (mPrefixesOf != mChangeCount || mPrefixColumns != columns) {
    mPrefixes.clear();
    mPrefixColumns = columns;
    mPrefixesOf = mChangeCount;
    mSearches = 0;
  }
  ++mSearches;
  return nullptr;
}

void qvdbRecordTracking::SetKeyPrefixes(const std::vector<uint8_t>& columns,
                                        std::vector<KeyPrefix> prefixes) {
  mPrefixes = std::move(prefixes);
  mPrefixColumns = columns;
  mPrefixesOf = mChangeCount;
}

void qvdbRecordTracking::NoteInsert(uint32_t offset, uint32_t length,
                                    uint64_t previousChangeCount) {
  if (mOffsetsOf != previousChangeCount) return;
  auto at = std::lower_bound(mOffsets.begin(), mOffsets.end(), offset);
  for (auto later = at; later != mOffsets.end(); ++later)
    *later = static_cast<uint16_t>(*later + length);
  mOffsets.insert(at, static_cast<uint16_t>(offset));
  mOffsetsOf = mChangeCount;
}

PageRef::PageRef(const PageRef& other) : mEntry(other.mEntry) {
  if (mEntry) ++mEntry->mPins;
}

PageRef& PageRef::operator=(const PageRef& other) {
  if (other.mEntry) ++other.mEntry->mPins;
  Reset();
  mEntry = other.mEntry;
  return *this;
}

PageRef& PageRef::operator=(PageRef&& other) noexcept {
  if (this != &other) {
    Reset();
    mEntry = other.mEntry;
    other.mEntry = nullptr;
  }
  return *this;
}

void PageRef::Reset() {
  qvdbRecordTracking* entry = mEntry;
  mEntry = nullptr;
  if (!entry || !QV_CHECK(entry->mPins > 0)) return;
  // A page its store left behind (closed while held) goes with its last holder.
  if (--entry->mPins == 0 && !entry->mStore) delete entry;
}
