#include "database/PageStoreRewrites.h"

#include <cstring>

#include "database/RecordFormat.h"

namespace {

// A buffer kept between transactions up to this size; a larger one goes with its transaction.
constexpr size_t kKeptCapacity = 1u << 20;

}  // namespace

int64_t PageStoreRewrites::Find(const uint8_t* record) {
  if (!mIndexed) {
    mIndex.clear();
    for (uint32_t i = 0; i < mEntries.size(); ++i)
      if (!mEntries[i].restored) Index(i);
    mIndexed = true;
  }
  const uint32_t length = RecordLength(record);
  auto [first, last] = mIndex.equal_range(RecordId(record));
  for (auto it = first; it != last; ++it) {
    const Entry& entry = mEntries[it->second];
    if (entry.length == length &&
        std::memcmp(mBytes.data() + entry.at + length, record, length) == 0)
      return it->second;
  }
  return -1;
}

void PageStoreRewrites::Unindex(uint32_t entry) {
  auto [first, last] = mIndex.equal_range(mEntries[entry].id);
  for (auto it = first; it != last; ++it)
    if (it->second == entry) return void(mIndex.erase(it));
}

bool PageStoreRewrites::Note(const uint8_t* before, const uint8_t* after, uint32_t length,
                             uint32_t stamp) {
  if (RecordStamp(before) == stamp) {
    // Rewritten again: the entry follows the new record. Inserted by this transaction: a
    // rollback deletes the row whatever it holds.
    const int64_t found = Find(before);
    if (found < 0) return true;
    const uint32_t index = static_cast<uint32_t>(found);
    Unindex(index);
    Entry& entry = mEntries[index];
    entry.id = RecordId(after);
    std::memcpy(mBytes.data() + entry.at + length, after, length);
    Index(index);
    return true;
  }
  if (mBytes.size() + 2 * uint64_t{length} + sizeof(Entry) * (mEntries.size() + 1) > mBudget)
    return false;
  const size_t at = mBytes.size();
  mEntries.push_back({RecordId(after), length, at, false});
  mBytes.resize(at + 2 * size_t{length});
  std::memcpy(mBytes.data() + at, before, length);
  std::memcpy(mBytes.data() + at + length, after, length);
  if (mIndexed) Index(static_cast<uint32_t>(mEntries.size() - 1));
  return true;
}

bool PageStoreRewrites::Restore(uint8_t* record) {
  if (Empty()) return false;
  const int64_t found = Find(record);
  if (found < 0) return false;
  const uint32_t index = static_cast<uint32_t>(found);
  Unindex(index);
  Entry& entry = mEntries[index];
  entry.restored = true;
  std::memcpy(record, mBytes.data() + entry.at, entry.length);
  return true;
}

void PageStoreRewrites::Clear() {
  mIndex.clear();
  mIndexed = false;
  mEntries.clear();
  mBytes.clear();
  if (mBytes.capacity() > kKeptCapacity) std::vector<uint8_t>().swap(mBytes);
  if (mEntries.capacity() * sizeof(Entry) > kKeptCapacity) std::vector<Entry>().swap(mEntries);
}
