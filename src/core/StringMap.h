// StringMap: hash map from case-insensitive string keys that also keeps insertion order, with
// attachable iterators (StringMapIterator).
//
// Keys hash with h = h * 31 + c over their bytes (ASCII letters folded to capitals, c taken as
// a signed byte) modulo the bucket count, and compare equal when their bytes are equal up to
// ASCII letter case: class names, export names and event names all look up so. The bucket
// array is made on the first insertion and doubles when the table becomes more than three
// quarters full (a 256-bucket map has 512 after its 193rd key). A later AddEntry with the same
// key in other letter case replaces the value and keeps the key as first added.
//
// Every iterator attached to a map is told when the entry it stands on (or is about to yield)
// goes, and moves to that entry's successor; Clear resets them. A map deletes the iterators
// still attached when it is destroyed, so iterators are made with new.
#pragma once

#include <cstdint>
#include <cstring>

#include "core/InsertionOrder.h"
#include "core/Memory.h"
#include "core/RuntimeError.h"
#include "strings/RuntimeString.h"

template <typename T>
class StringMapIterator;

template <typename T>
class StringMap {
 public:
  // Called with a copy of the key, the value and the context; any result other than 1 stops.
  using ForEachCallback = int32_t (*)(string key, T value, void* context);

  explicit StringMap(uint32_t bucketCount = 256) : mBucketCount(bucketCount) {
    if (!QV_CHECK_TEXT(bucketCount > 0, "bucketCount > 0", nullptr)) mBucketCount = 1;
  }

  virtual ~StringMap() {
    while (mIterators) delete mIterators;  // each unlinks itself
    OSfree(mBuckets);
  }

  StringMap(const StringMap&) = delete;
  StringMap& operator=(const StringMap&) = delete;

  uint32_t Count() const { return mCount; }
  uint32_t BucketCount() const { return mBucketCount; }

  // Bucket index of key: the folded 31-multiplier hash modulo the bucket count.
  virtual uint32_t hashString(const string& key) const {
    return BucketOf(HashBytes(key.Bytes(), key.Length()));
  }

  // Equal bytes up to ASCII letter case (the same folding as the hash, so that keys that
  // compare equal always share a bucket).
  virtual bool keysEqual(const string& a, const string& b) const {
    if (a.Storage() == b.Storage()) return true;
    return BytesEqualFolded(a.Bytes(), a.Length(), b.Bytes(), b.Length());
  }

  // GetEntry of the key spelled by length bytes, without making a string of them, for lookups
  // by C text on hot paths (the linker's names). It hashes and compares as the two functions
  // above do, so it serves maps that do not override them.
  bool GetEntryForBytes(const unsigned char* bytes, int32_t length, T* value) const {
    if (!mBuckets) return false;
    const Node* node = mBuckets[BucketOf(HashBytes(bytes, length))];
    while (node && !BytesEqualFolded(node->key.Bytes(), node->key.Length(), bytes, length))
      node = node->chainNext;
    if (!node) return false;
    if (value) *value = node->value;
    return true;
  }

  void AddEntry(const string& key, const T& value) {
    if (!mBuckets && !MakeBuckets()) return;
    const uint32_t bucket = hashString(key);
    if (Node* found = FindInChain(bucket, key)) {
      found->value = value;
      return;
    }
    mBuckets[bucket] = mOrder.Append(mBuckets[bucket], nullptr, nullptr, key, value);
    ++mCount;
    if (mCount > static_cast<uint64_t>(mBucketCount) * 3 / 4) {
      Rehash(mBucketCount * 2 > mBucketCount ? mBucketCount * 2 : mBucketCount);
    }
  }

  bool GetEntry(const string& key, T* value) const {
    const Node* found = Find(key);
    if (!found) return false;
    if (value) *value = found->value;
    return true;
  }

  bool Contains(const string& key) const { return Find(key) != nullptr; }

  void RemoveEntry(const string& key) {
    if (!mBuckets) return;
    Node** link = &mBuckets[hashString(key)];
    while (*link && !keysEqual((*link)->key, key)) link = &(*link)->chainNext;
    Node* node = *link;
    if (!node) return;
    *link = node->chainNext;
    MoveIteratorsOffNode(node);
    mOrder.Remove(node);
    --mCount;
  }

  // Removes every entry; the bucket array and its size stay. Attached iterators are reset
  // (their next Next finds nothing), never left on freed entries.
  void Clear() {
    (void)QV_CHECK_TEXT(mIterators == nullptr, "NULL == mIterators", nullptr);
    for (StringMapIterator<T>* it = mIterators; it; it = it->mNextIterator) it->Reset();
    mOrder.FreeAll();
    if (mBuckets) std::memset(mBuckets, 0, sizeof(Node*) * mBucketCount);
    mCount = 0;
  }

  // Visits the entries in bucket order (not insertion order); false when the callback stopped
  // the walk.
  bool ForEach(ForEachCallback callback, void* context) const {
    if (!mBuckets) return true;
    for (uint32_t bucket = 0; bucket < mBucketCount; ++bucket) {
      Node* node = mBuckets[bucket];
      while (node) {
        Node* next = node->chainNext;  // the callback may remove the entry it is given
        if (callback(node->key, node->value, context) != 1) return false;
        node = next;
      }
    }
    return true;
  }

  void Rehash(uint32_t newSize) {
    if (newSize == mBucketCount) return;
    if (!QV_CHECK_TEXT(newSize > 0, "newSize > 0", nullptr)) return;
    const uint32_t oldSize = mBucketCount;
    Node** oldBuckets = mBuckets;
    mBucketCount = newSize;
    if (!MakeBuckets()) {
      mBucketCount = oldSize;
      return;
    }
    OSfree(oldBuckets);
    for (Node* node = mOrder.First(); node; node = node->orderNext) {
      const uint32_t bucket = hashString(node->key);
      node->chainNext = mBuckets[bucket];
      mBuckets[bucket] = node;
    }
  }

 private:
  friend class StringMapIterator<T>;

  struct Node {
    Node* chainNext;
    Node* orderNext;
    Node* orderPrevious;
    string key;
    T value;
  };

  static unsigned char FoldASCII(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
  }

  static uint32_t FoldedSigned(unsigned char c) {
    return static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(FoldASCII(c))));
  }

  // h = h * 31 + c over the folded bytes, four at a time (h * 31^4 plus the four terms), so
  // that the chain of multiplications is a quarter as long.
  static uint32_t HashBytes(const unsigned char* bytes, int32_t length) {
    uint32_t h = 0;
    int32_t i = 0;
    for (; i + 4 <= length; i += 4) {
      h = h * (31u * 31u * 31u * 31u) +
          (FoldedSigned(bytes[i]) * (31u * 31u * 31u) + FoldedSigned(bytes[i + 1]) * (31u * 31u) +
           FoldedSigned(bytes[i + 2]) * 31u + FoldedSigned(bytes[i + 3]));
    }
    for (; i < length; ++i) h = h * 31u + FoldedSigned(bytes[i]);
    return h;
  }

  // h modulo the bucket count, without a division for the usual power of two.
  uint32_t BucketOf(uint32_t h) const {
    return (mBucketCount & (mBucketCount - 1)) == 0 ? h & (mBucketCount - 1) : h % mBucketCount;
  }

  // The four bytes of word with 'a'..'z' turned to capitals: a byte below 0x80 whose low seven
  // bits lie in the range gets its 0x20 bit taken away.
  static uint32_t FoldWord(uint32_t word) {
    constexpr uint32_t kOnes = 0x01010101u, kHigh = 0x80808080u;
    uint32_t low = word & ~kHigh;
    uint32_t fromA = low + (0x80u - 'a') * kOnes;      // high bit: at least 'a'
    uint32_t pastZ = low + (0x80u - 'z' - 1) * kOnes;  // high bit: above 'z'
    uint32_t lower = fromA & ~pastZ & ~word & kHigh;
    return word - (lower >> 2);
  }

  // Four bytes at a time: most keys that share a bucket differ at once, and equal ones are
  // often spelled alike.
  static bool BytesEqualFolded(const unsigned char* x, int32_t lx, const unsigned char* y,
                               int32_t ly) {
    if (lx != ly) return false;
    int32_t i = 0;
    for (; i + 4 <= lx; i += 4) {
      uint32_t a, b;
      std::memcpy(&a, x + i, 4);
      std::memcpy(&b, y + i, 4);
      if (a != b && FoldWord(a) != FoldWord(b)) return false;
    }
    for (; i < lx; ++i) {
      if (x[i] != y[i] && FoldASCII(x[i]) != FoldASCII(y[i])) return false;
    }
    return true;
  }

  bool MakeBuckets() {
    const uint64_t bytes = static_cast<uint64_t>(mBucketCount) * sizeof(Node*);
    if (!QV_CHECK_TEXT(bytes <= 0x7FFFFFFFu, "bucket array fits", nullptr)) return false;
    mBuckets = static_cast<Node**>(OSalloc(static_cast<uint32_t>(bytes), kMemFullQuit));
    std::memset(mBuckets, 0, static_cast<size_t>(bytes));
    return true;
  }

  Node* FindInChain(uint32_t bucket, const string& key) const {
    Node* node = mBuckets[bucket];
    while (node && !keysEqual(node->key, key)) node = node->chainNext;
    return node;
  }

  Node* Find(const string& key) const {
    return mBuckets ? FindInChain(hashString(key), key) : nullptr;
  }

  void MoveIteratorsOffNode(Node* node) {
    for (StringMapIterator<T>* it = mIterators; it; it = it->mNextIterator) {
      if (it->mCurrent == node) it->StandBefore(node->orderNext);
    }
  }

  uint32_t mBucketCount;
  uint32_t mCount = 0;
  Node** mBuckets = nullptr;
  InsertionOrder<Node> mOrder;
  StringMapIterator<T>* mIterators = nullptr;
};

// Walks a map in insertion order. It starts before the first entry: the first Next stands on
// it. Entries added at the end during the walk are visited.
template <typename T>
class StringMapIterator {
 public:
  explicit StringMapIterator(StringMap<T>* map) : mMap(map) {
    if (!QV_CHECK_TEXT(map != nullptr, "map", nullptr)) return;
    mCurrent = map->mOrder.First();
    mNextIterator = map->mIterators;
    map->mIterators = this;
  }

  virtual ~StringMapIterator() {
    if (!QV_CHECK_TEXT(mMap != nullptr, "map", nullptr)) return;
    StringMapIterator** link = &mMap->mIterators;
    while (*link && *link != this) link = &(*link)->mNextIterator;
    if (*link) *link = mNextIterator;
  }

  StringMapIterator(const StringMapIterator&) = delete;
  StringMapIterator& operator=(const StringMapIterator&) = delete;

  // Moves to the next entry; true when one is current.
  bool Next() {
    if (!mStarted) {
      mStarted = true;
    } else if (mCurrent) {
      mCurrent = mCurrent->orderNext;
    }
    return mCurrent != nullptr;
  }

  bool GetValue(T* value) const {
    if (!OnEntry()) return false;
    if (value) *value = mCurrent->value;
    return true;
  }

  // The current key, or the empty string when not on an entry.
  string GetKey() const { return OnEntry() ? mCurrent->key : string(); }

  // Removes the current entry; the following Next yields the entry after it.
  void RemoveCurrent() {
    if (!OnEntry()) return;
    const string key = mCurrent->key;  // the entry, and the key it holds, are about to go
    mMap->RemoveEntry(key);
  }

 private:
  friend class StringMap<T>;
  using Node = typename StringMap<T>::Node;

  bool OnEntry() const { return mStarted && mCurrent != nullptr; }

  void StandBefore(Node* node) {
    mCurrent = node;
    mStarted = false;
  }

  void Reset() { StandBefore(nullptr); }

  StringMap<T>* mMap;
  bool mStarted = false;
  Node* mCurrent = nullptr;
  StringMapIterator* mNextIterator = nullptr;
};
