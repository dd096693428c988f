// SimpleVector: the framework's growable array of values.
//
// Four words: growth step (0 = grow by the current capacity), storage, count, capacity. The
// storage grows by at least 16 slots and shrinks after a removal once the free slots exceed
// twice the step (twice the count when the step is 0). Those growth points are observable (the
// array module sizes its work vectors by them), so they follow one rule each, here only.
//
// Slots past the count are kept zero-filled. For plain element types (integers, pointers,
// records) At reaches up to the capacity, so a vector sized with resize can be filled by index;
// for elements with a constructor (string) At reaches only the live elements.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "core/Memory.h"
#include "core/RuntimeError.h"

template <typename T>
class SimpleVector {
 public:
  explicit SimpleVector(uint32_t chunk = 0) : mChunk(chunk) {}
  ~SimpleVector() { FreeStorage(); }

  SimpleVector(const SimpleVector& other) : mChunk(other.mChunk) { CopyElementsFrom(other); }
  // Frees the target's storage, then takes the other's step, count and capacity.
  SimpleVector& operator=(const SimpleVector& other) {
    if (this == &other) return *this;
    FreeStorage();
    mChunk = other.mChunk;
    CopyElementsFrom(other);
    return *this;
  }

  uint32_t size() const { return mQtyItems; }
  uint32_t capacity() const { return mBufItems; }
  uint32_t chunk() const { return mChunk; }
  // A new growth step for the growths and shrinks that follow.
  void set_chunk(uint32_t chunk) { mChunk = chunk; }
  bool empty() const { return mQtyItems == 0; }
  T* data() { return mBuf; }
  const T* data() const { return mBuf; }

  void Append(const T& element) {
    T copy(element);  // element may live in our own storage, which growing frees
    if (!MakeRoomForOneMore()) return;
    new (mBuf + mQtyItems) T(std::move(copy));
    ++mQtyItems;
  }

  // Inserts before index (0 .. count); later elements move up one place.
  void InsertAt(int32_t index, const T& element) {
    if (!QV_CHECK_TEXT(index >= 0 && static_cast<uint32_t>(index) <= mQtyItems,
                       "not (index < 0 || index > mQtyItems)", nullptr)) {
      return;
    }
    T copy(element);
    if (!MakeRoomForOneMore()) return;
    for (uint32_t i = mQtyItems; i > static_cast<uint32_t>(index); --i) {
      RelocateElement(i - 1, i);
    }
    new (mBuf + index) T(std::move(copy));
    ++mQtyItems;
  }

  // Removes the element at index (0 .. count - 1); later elements move down one place and the
  // storage shrinks when much of it is free.
  void RemoveAt(int32_t index) {
    if (!QV_CHECK_TEXT(index >= 0 && static_cast<uint32_t>(index) < mQtyItems,
                       "not (index < 0 || index >= mQtyItems)", nullptr)) {
      return;
    }
    mBuf[index].~T();
    for (uint32_t i = static_cast<uint32_t>(index) + 1; i < mQtyItems; ++i) {
      RelocateElement(i, i - 1);
    }
    --mQtyItems;
    std::memset(static_cast<void*>(mBuf + mQtyItems), 0, sizeof(T));
    ShrinkAfterRemoval();
  }

  // Removes the last element equal to value; false when there is none.
  bool RemoveLast(const T& value) {
    for (uint32_t i = mQtyItems; i > 0; --i) {
      if (mBuf[i - 1] == value) {
        RemoveAt(static_cast<int32_t>(i - 1));
        return true;
      }
    }
    return false;
  }

  // Removes every element equal to value; returns how many went.
  uint32_t RemoveAll(const T& value) {
    uint32_t removed = 0;
    for (uint32_t i = mQtyItems; i > 0; --i) {
      if (mBuf[i - 1] == value) {
        RemoveAt(static_cast<int32_t>(i - 1));
        ++removed;
      }
    }
    return removed;
  }

  // Removes and returns the last element; an empty vector reports and yields a neutral value.
  T Pop() {
    if (!QV_CHECK_TEXT(mQtyItems > 0 && mQtyItems <= mBufItems,
                       "mQtyItems <= mBufItems and mQtyItems > 0", nullptr)) {
      return T();
    }
    T last(std::move(mBuf[mQtyItems - 1]));
    mBuf[mQtyItems - 1].~T();
    --mQtyItems;
    std::memset(static_cast<void*>(mBuf + mQtyItems), 0, sizeof(T));
    return last;
  }

  // The last element (a neutral value when empty, after the report).
  T peek_back() const {
    if (!QV_CHECK_TEXT(mQtyItems > 0 && mQtyItems <= mBufItems,
                       "mQtyItems <= mBufItems and mQtyItems > 0", nullptr)) {
      return T();
    }
    return mBuf[mQtyItems - 1];
  }

  // Element access. Out of range reports and yields a scratch slot that nothing else reads,
  // so a write through it changes no element.
  T& At(int32_t index) {
    if (!QV_CHECK_TEXT(index >= 0 && static_cast<uint32_t>(index) < AccessLimit(), "0",
                       nullptr)) {
      return Scratch();
    }
    return mBuf[index];
  }
  const T& At(int32_t index) const { return const_cast<SimpleVector*>(this)->At(index); }
  T& operator[](int32_t index) { return At(index); }
  const T& operator[](int32_t index) const { return At(index); }

  // Storage of exactly n slots; the first min(count, n) elements stay.
  void resize(uint32_t n) {
    if (n == mBufItems) return;
    T* fresh = AllocateSlots(n);
    if (n != 0 && !fresh) return;
    const uint32_t kept = mQtyItems < n ? mQtyItems : n;
    for (uint32_t i = 0; i < kept; ++i) MoveElement(mBuf + i, fresh + i);
    for (uint32_t i = kept; i < mQtyItems; ++i) mBuf[i].~T();
    OSfree(mBuf);
    mBuf = fresh;
    mBufItems = n;
    mQtyItems = kept;
  }

  // Drops every element and the storage.
  void Clear() {
    FreeStorage();
    mBuf = nullptr;
    mQtyItems = 0;
    mBufItems = 0;
  }

 private:
  static constexpr bool kPlain = std::is_trivially_copyable_v<T>;

  uint32_t AccessLimit() const { return kPlain ? mBufItems : mQtyItems; }

  static T& Scratch() {
    static T scratch;
    scratch = T();
    return scratch;
  }

  // Zero-filled storage for n slots (nil for 0, or after a reported size overflow).
  static T* AllocateSlots(uint32_t n) {
    if (n == 0) return nullptr;
    const uint64_t bytes = static_cast<uint64_t>(n) * sizeof(T);
    if (!QV_CHECK_TEXT(bytes <= 0xFFFFFFFFu, "n * sizeof(T) <= 0xFFFFFFFF", nullptr)) {
      return nullptr;
    }
    void* block = OSalloc(static_cast<uint32_t>(bytes), kMemFullQuit);
    std::memset(block, 0, static_cast<size_t>(bytes));
    return static_cast<T*>(block);
  }

  bool MakeRoomForOneMore() {
    if (mQtyItems < mBufItems) return true;
    uint32_t step = mChunk != 0 ? mChunk : mBufItems;
    if (step < 16) step = 16;
    const uint64_t wanted = static_cast<uint64_t>(mBufItems) + step;
    if (!QV_CHECK_TEXT(wanted <= 0xFFFFFFFFu, "mBufItems + step <= 0xFFFFFFFF", nullptr)) {
      return false;
    }
    resize(static_cast<uint32_t>(wanted));
    return mQtyItems < mBufItems;
  }

  void ShrinkAfterRemoval() {
    const uint32_t freeSlots = mBufItems - mQtyItems;
    if (mChunk > 0 && freeSlots > 2 * static_cast<uint64_t>(mChunk)) {
      resize((mQtyItems / mChunk + 1) * mChunk);
    } else if (mChunk == 0 && freeSlots > 2 * static_cast<uint64_t>(mQtyItems)) {
      resize((mQtyItems & ~15u) + 16);
    }
  }

  static void MoveElement(T* from, T* to) {
    if constexpr (kPlain) {
      std::memcpy(static_cast<void*>(to), static_cast<const void*>(from), sizeof(T));
    } else {
      new (to) T(std::move(*from));
      from->~T();
    }
  }

  // Moves the live element at slot from into the free slot to.
  void RelocateElement(uint32_t from, uint32_t to) { MoveElement(mBuf + from, mBuf + to); }

  void CopyElementsFrom(const SimpleVector& other) {
    mBuf = AllocateSlots(other.mBufItems);
    mBufItems = mBuf ? other.mBufItems : 0;
    mQtyItems = mBuf ? other.mQtyItems : 0;
    for (uint32_t i = 0; i < mQtyItems; ++i) new (mBuf + i) T(other.mBuf[i]);
  }

  void FreeStorage() {
    for (uint32_t i = 0; i < mQtyItems; ++i) mBuf[i].~T();
    OSfree(mBuf);
  }

  uint32_t mChunk;
  T* mBuf = nullptr;
  uint32_t mQtyItems = 0;
  uint32_t mBufItems = 0;
};

static_assert(sizeof(SimpleVector<int>) == 16, "SimpleVector is four words");
