// SmartRef: an owning pointer whose handles share one representation {object, 16-bit count}.
//
// Copying a handle adds one to the count; releasing takes one away, and the last release
// destroys the object through its deleting destructor. A destruction can release further
// SmartRefs; destructions requested while another runs are queued and run one after the other,
// so a long chain of owners never nests destructors on the stack.
//
// The count saturates at its 16-bit top: an object with that many owners is kept for the rest
// of the process rather than have its count wrap and free it under its remaining owners.
#pragma once

#include <cstdint>
#include <new>

#include "core/Memory.h"
#include "core/RuntimeError.h"
#include "core/SimpleVector.h"

// The process-wide queue of pending SmartRef destructions.
class SmartRefDestructionQueue {
 public:
  using DestroyFunction = void (*)(void* object);

  // Destroys object now, or after the destruction already running (and those queued before).
  static void Destroy(void* object, DestroyFunction destroy) {
    Pending().Append(Entry{object, destroy});
    if (sRunning) return;
    sRunning = true;
    while (!Pending().empty()) {
      Entry next = Pending().At(0);
      Pending().RemoveAt(0);
      next.destroy(next.object);
    }
    sRunning = false;
  }

 private:
  struct Entry {
    void* object;
    DestroyFunction destroy;
  };
  // Never destroyed: SmartRefs held by static objects are released during exit too.
  static SimpleVector<Entry>& Pending() {
    static SimpleVector<Entry>* pending = new SimpleVector<Entry>();
    return *pending;
  }
  static inline bool sRunning = false;
};

template <typename T>
class SmartRef {
 public:
  SmartRef() = default;
  // Takes ownership of object (the first owner).
  explicit SmartRef(T* object) {
    if (!object) return;
    mRep = new (OSalloclen(sizeof(Rep), kMemFullQuit)) Rep{object, 1};
  }
  SmartRef(const SmartRef& other) : mRep(other.mRep) { AddOwner(); }
  SmartRef& operator=(const SmartRef& other) {
    if (mRep == other.mRep) return *this;
    Rep* old = mRep;
    mRep = other.mRep;
    AddOwner();
    ReleaseRep(old);
    return *this;
  }
  ~SmartRef() { ReleaseRep(mRep); }

  T* get() const { return mRep ? mRep->mObject : nullptr; }
  T* operator->() const { return get(); }
  T& operator*() const { return *get(); }
  explicit operator bool() const { return mRep != nullptr; }
  int16_t OwnerCount() const { return mRep ? mRep->mRefCount : 0; }

  // Drops this handle's ownership; the handle becomes nil.
  void reset() {
    Rep* old = mRep;
    mRep = nullptr;
    ReleaseRep(old);
  }

 private:
  static constexpr int16_t kSaturated = INT16_MAX;

  struct Rep {
    T* mObject;
    int16_t mRefCount;
  };

  void AddOwner() {
    if (!mRep || mRep->mRefCount == kSaturated) return;
    if (++mRep->mRefCount == kSaturated) Saturated().Append(mRep);
  }

  // The records whose count saturated, listed so that they and their objects count as kept
  // (as they are) rather than lost; never destroyed.
  static SimpleVector<Rep*>& Saturated() {
    static auto* saturated = new SimpleVector<Rep*>();
    return *saturated;
  }

  static void ReleaseRep(Rep* rep) {
    if (!rep || rep->mRefCount == kSaturated) return;
    --rep->mRefCount;
    if (!QV_CHECK_TEXT(rep->mRefCount >= 0, "mRep->mRefCount >= 0", nullptr)) return;
    if (rep->mRefCount > 0) return;
    T* object = rep->mObject;
    OSfreelen(rep, sizeof(Rep));
    SmartRefDestructionQueue::Destroy(object, &DeleteObject);
  }

  static void DeleteObject(void* object) { delete static_cast<T*>(object); }

  Rep* mRep = nullptr;
};
