// The committed rows that the open transaction rewrote in place, kept in memory so that a
// rollback can put them back. A row replaced by one of the same length keeps its place in its
// leaf instead of leaving a deleted copy beside the new record, so that updating a full leaf
// neither splits it nor journals the pages a split makes.
//
// An entry is found by the record that stands for the row now: its id and its whole bytes, so
// that records of equal ids (a file whose ids repeat) are never taken for one another; two
// records equal in every byte restore to the same rows whichever is taken.
//
// The log holds at most its budget of bytes: past it, callers replace rows the way that needs
// no memory (a deleted copy in the page).
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

class PageStoreRewrites {
 public:
  static constexpr uint64_t kDefaultBudget = 16u << 20;

  // Before `before` is overwritten by `after` (both `length` bytes, `after` stamped with the
  // open transaction's `stamp`): keeps what a rollback needs. A committed row is kept; a row
  // the transaction rewrote already keeps its first committed bytes; a row it inserted needs
  // nothing. False, keeping nothing, when a committed row would pass the budget.
  bool Note(const uint8_t* before, const uint8_t* after, uint32_t length, uint32_t stamp);
  // When record stands for a rewritten committed row: puts the committed bytes back over it
  // (same length) and forgets the entry. False, changing nothing, for any other record.
  bool Restore(uint8_t* record);
  // The transaction ended: nothing is kept.
  void Clear();

  bool Empty() const { return mIndexed ? mIndex.empty() : mEntries.empty(); }
  void SetBudget(uint64_t bytes) { mBudget = bytes; }

 private:
  // Kept bytes live in one buffer: an entry's committed record, then the record now.
  struct Entry {
    uint32_t id;  // of the record now
    uint32_t length;
    uint64_t at;
    bool restored;
  };

  // The entry whose record now is this one, or -1. The index by id is made when first asked:
  // a transaction that only rewrites committed rows never needs it.
  int64_t Find(const uint8_t* record);
  void Index(uint32_t entry) { mIndex.emplace(mEntries[entry].id, entry); }
  void Unindex(uint32_t entry);

  std::vector<Entry> mEntries;
  std::vector<uint8_t> mBytes;
  std::unordered_multimap<uint32_t, uint32_t> mIndex;
  bool mIndexed = false;
  uint64_t mBudget = kDefaultBudget;
};
