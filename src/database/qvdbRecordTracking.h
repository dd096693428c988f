// A page in the page store's cache: its image, whether the image differs from the file, how
// many users hold it, and its change count. A held (pinned) page is never dropped or purged;
// the change count moves whenever the page's records move, so that a cursor standing on the
// page knows to find its place again.
#pragma once

#include <cstdint>
#include <vector>

#include "core/Memory.h"
#include "database/qvdbRecordBlock.h"

class PageStore;

class qvdbRecordTracking : public qvdbRecordBlock, public purgableObject {
 public:
  qvdbRecordTracking(PageStore* store, uint32_t number) : mStore(store), mNumber(number) {}

  // Memory pressure: a held page refuses; a changed one is first written through the journal.
  bool Purge() override;

  uint32_t Number() const { return mNumber; }
  uint32_t Pins() const { return mPins; }
  bool Dirty() const { return mDirty; }
  uint64_t ChangeCount() const { return mChangeCount; }

  // Payload offsets of the records in order, rebuilt after the records moved.
  const std::vector<uint16_t>& RecordOffsets();

  // The start of each record's key (for one set of key columns), in record order: its first
  // eight bytes big-endian (zeros past its end) and its length (9 for any longer), so that a
  // search compares numbers instead of records. Worked out only for a page searched again
  // with the same columns while its records stayed where they were.
  struct KeyPrefix {
    uint64_t bytes;
    uint32_t length;
  };
  // The prefixes when they are current for columns; nil, counting the search, when not: after
  // the second such search the caller makes them (SetKeyPrefixes).
  const std::vector<KeyPrefix>* KeyPrefixes(const std::vector<uint8_t>& columns);
  bool WantsKeyPrefixes() const { return mSearches >= 2; }
  void SetKeyPrefixes(const std::vector<uint8_t>& columns, std::vector<KeyPrefix> prefixes);
  // A record of length bytes was just inserted at offset (and the change count moved): the
  // offsets, when they were current before, are brought up to date in place.
  void NoteInsert(uint32_t offset, uint32_t length, uint64_t previousChangeCount);

 private:
  friend class PageStore;
  friend class PageRef;

  PageStore* mStore;  // nullptr once the store closed while the page was still held
  uint32_t mNumber;
  uint32_t mPins = 0;
  bool mDirty = false;
  uint64_t mChangeCount = 0;
  qvdbRecordTracking* mOlder = nullptr;  // the store's recency list
  qvdbRecordTracking* mNewer = nullptr;
  std::vector<uint16_t> mOffsets;
  uint64_t mOffsetsOf = ~uint64_t{0};  // the change count mOffsets describes
  std::vector<KeyPrefix> mPrefixes;
  std::vector<uint8_t> mPrefixColumns;
  uint64_t mPrefixesOf = ~uint64_t{0};  // the change count mPrefixes and mSearches describe
  uint32_t mSearches = 0;
};

// Holds one pin on a cached page for as long as it lives.
class PageRef {
 public:
  PageRef() = default;
  explicit PageRef(qvdbRecordTracking* pinned) : mEntry(pinned) {}  // takes over a pin
  PageRef(const PageRef& other);
  PageRef(PageRef&& other) noexcept : mEntry(other.mEntry) { other.mEntry = nullptr; }
  PageRef& operator=(const PageRef& other);
  PageRef& operator=(PageRef&& other) noexcept;
  ~PageRef() { Reset(); }

  void Reset();
  explicit operator bool() const { return mEntry != nullptr; }
  qvdbRecordTracking* Entry() const { return mEntry; }
  qvdbRecordTracking* operator->() const { return mEntry; }
  uint32_t Number() const { return mEntry->Number(); }

 private:
  qvdbRecordTracking* mEntry = nullptr;
};
