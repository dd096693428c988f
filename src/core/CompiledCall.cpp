#include "core/CompiledCall.h"

#include "core/RuntimeError.h"

CompiledCall::~CompiledCall() {
  for (int32_t i = mHeldCount - 1; i >= 0; --i) RuntimeUnlockObject(mHeld[i].object);
}

CompiledCall& CompiledCall::Protect(RuntimeObject* object, const ObjectCloseState* closeState) {
  if (!object) return *this;
  for (int32_t i = 0; i < mHeldCount; ++i) {
    if (mHeld[i].object != object) continue;
    if (closeState) mHeld[i].closeState = closeState;
    return *this;
  }
  // A count of zero or below: the object is being freed and no reference can keep it.
  if (!QV_CHECK_TEXT(object->refCount > 0, "protected object is alive", nullptr) ||
      !QV_CHECK_TEXT(mHeldCount < kMaxProtected, "mHeldCount < kMaxProtected", nullptr)) {
    mRefused = true;
    return *this;
  }
  RuntimeLockObject(object);
  mHeld[mHeldCount++] = Held{object, closeState};
  return *this;
}

// The call's own reference keeps the memory; a count above it means someone else still holds
// the object.
bool CompiledCall::IsOpen(const Held& held) {
  if (held.object->refCount <= 1) return false;
  return !held.closeState || !held.closeState->IsClosing(held.object);
}

bool CompiledCall::StillOpen() const {
  if (mRefused) return false;
  for (int32_t i = 0; i < mHeldCount; ++i) {
    if (!IsOpen(mHeld[i])) return false;
  }
  return true;
}

bool CompiledCall::StillOpen(const RuntimeObject* object) const {
  if (mRefused) return false;
  for (int32_t i = 0; i < mHeldCount; ++i) {
    if (mHeld[i].object == object) return IsOpen(mHeld[i]);
  }
  return false;
}
