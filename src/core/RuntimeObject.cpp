#include "core/RuntimeObject.h"

#include "core/Export.h"
#include "core/Memory.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "core/SimpleVector.h"

namespace {

RuntimeObject* gFirstLiveObject = nullptr;
int32_t gLiveObjectCount = 0;
ObjectFunction gDestroyHook = nullptr;

constexpr int32_t kMaxDestroyListeners = 4;
ObjectFunction gDestroyListeners[kMaxDestroyListeners] = {};

// Objects whose count reached zero while another destruction ran; freed by the outermost one.
struct PendingDestructions {
  SimpleVector<RuntimeObject*>* queue = nullptr;
  bool running = false;

  SimpleVector<RuntimeObject*>& Queue() {
    if (!queue) queue = new SimpleVector<RuntimeObject*>(0);
    return *queue;
  }
  ~PendingDestructions() { delete queue; }
};
PendingDestructions gPending;

void AddToLiveList(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "objToAdd", nullptr)) return;
  object->prevObject = nullptr;
  object->nextObject = gFirstLiveObject;
  if (gFirstLiveObject) gFirstLiveObject->prevObject = object;
  gFirstLiveObject = object;
}

void RemoveFromLiveList(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "objToRemove", nullptr)) return;
  if (object->nextObject) object->nextObject->prevObject = object->prevObject;
  if (object->prevObject) {
    object->prevObject->nextObject = object->nextObject;
  } else {
    gFirstLiveObject = object->nextObject;
  }
  object->prevObject = nullptr;
  object->nextObject = nullptr;
}

// Base-first: the root's constructor runs before any subclass's.
void RunConstructors(RuntimeClass* cls, RuntimeObject* object) {
  if (!cls) return;
  RunConstructors(cls->parentClass, object);
  if (cls->constructor) cls->constructor(object);
}

// Objects whose destructors are running, innermost first. Destructors nest (one may release
// another object), so this is a chain of frames on the stack.
struct DestructorFrame {
  RuntimeObject* object;
  DestructorFrame* outer;
};
DestructorFrame* gInnermostDestructor = nullptr;

bool DestructorsRunning(const RuntimeObject* object) {
  for (const DestructorFrame* frame = gInnermostDestructor; frame; frame = frame->outer) {
    if (frame->object == object) return true;
  }
  return false;
}

// Derived-first. False when a destructor kept the object alive. A destructor that drops the
// reference held for the destruction only gives up that hold: it cannot resurrect or free twice.
bool RunDestructors(RuntimeObject* object) {
  DestructorFrame frame{object, gInnermostDestructor};
  gInnermostDestructor = &frame;
  bool kept = false;
  object->refCount = 1;
  for (RuntimeClass* cls = object->classPtr; cls && !kept; cls = cls->parentClass) {
    if (!cls->destructor) continue;
    cls->destructor(object);
    kept = object->refCount > 1;
    object->refCount = kept ? object->refCount - 1 : 1;
  }
  gInnermostDestructor = frame.outer;
  if (!kept) object->refCount = 0;
  return !kept;
}

// Out of the live list and count, the listeners and the hook told. Inline here: every object
// freed goes through it.
inline void Retire(RuntimeObject* object) {
  for (ObjectFunction listener : gDestroyListeners) {
    if (listener) listener(object);
  }
  if (gDestroyHook) gDestroyHook(object);
  RemoveFromLiveList(object);
  --gLiveObjectCount;
}

void FreeObject(RuntimeObject* object) {
  for (RuntimeClass* cls = object->classPtr; cls; cls = cls->parentClass) {
    if (cls->finalizer) cls->finalizer(object);
  }
  Retire(object);
  RuntimeClass* cls = object->classPtr;
  if (object->eventTable && (!cls || object->eventTable != cls->eventTable)) {
    OSfree(object->eventTable);
  }
  // The size it was made with: an object's class never changes.
  FreeObjectBlock(object, cls ? static_cast<uint32_t>(cls->instanceSize) : UINT32_MAX);
}

void DestroyObject(RuntimeObject* object) {
  // The count fell to zero inside the object's own destructors: the running destruction goes on.
  if (DestructorsRunning(object)) return;
  if (!RunDestructors(object)) return;
  if (gPending.running) {
    gPending.Queue().Append(object);
    return;
  }
  gPending.running = true;
  FreeObject(object);
  while (gPending.queue && !gPending.queue->empty()) FreeObject(gPending.queue->Pop());
  gPending.running = false;
}

}  // namespace

extern "C" RuntimeObject* RuntimeNewObject(RuntimeClass* cls) {
  if (!cls) {
    RaiseNilObjectException();
    return nullptr;
  }
  // An interface has no instance layout of its own: no object is made of it.
  if (!QV_CHECK_TEXT(!cls->isAnInterface, "!parent->isAnInterface", nullptr)) return nullptr;
  // A size below the header would let the header overwrite memory that is not ours.
  if (!QV_CHECK_TEXT(cls->instanceSize >= static_cast<int32_t>(sizeof(RuntimeObject)),
                     "parent->instanceSize >= sizeof(RuntimeObject)", nullptr)) {
    return nullptr;
  }
  const uint32_t size = static_cast<uint32_t>(cls->instanceSize);
  auto* object = static_cast<RuntimeObject*>(AllocateObjectBlock(size));
  if (!object) {
    RaiseNilObjectException();
    return nullptr;
  }
  ++gLiveObjectCount;
  AddToLiveList(object);
  object->classPtr = cls;
  object->methodTable = cls->methodTable;
  object->eventTable = cls->eventTable;
  object->refCount = 1;
  RunConstructors(cls, object);
  return object;
}
QV_EXPORT(RuntimeNewObject)
QV_EXPORT_AS("CreateInstance", RuntimeNewObject)

extern "C" void RuntimeLockObject(RuntimeObject* object) {
  if (!object || object->refCount <= 0) return;
  ++object->refCount;
}
QV_EXPORT(RuntimeLockObject)

extern "C" void RuntimeUnlockObject(RuntimeObject* object) {
  if (!object || object->refCount <= 0) return;
  if (--object->refCount == 0) DestroyObject(object);
}
QV_EXPORT(RuntimeUnlockObject)

extern "C" void RuntimeLockUnlockObjects(RuntimeObject* newObject, RuntimeObject* oldObject) {
  if (newObject == oldObject) return;
  RuntimeLockObject(newObject);
  RuntimeUnlockObject(oldObject);
}
QV_EXPORT(RuntimeLockUnlockObjects)

extern "C" RuntimeClass* GetObjectClass(RuntimeObject* object) {
  return object ? object->classPtr : nullptr;
}

extern "C" RuntimeObject* FirstLiveObject() { return gFirstLiveObject; }

extern "C" int32_t LiveObjectCount() { return gLiveObjectCount; }

extern "C" void SetObjectDestroyHook(ObjectFunction hook) { gDestroyHook = hook; }

void AddObjectDestroyListener(ObjectFunction listener) {
  ObjectFunction* freeSlot = nullptr;
  for (ObjectFunction& slot : gDestroyListeners) {
    if (slot == listener) return;
    if (!slot && !freeSlot) freeSlot = &slot;
  }
  if (!QV_CHECK_TEXT(freeSlot, "a free destroy listener slot", nullptr)) return;
  *freeSlot = listener;
}

void RemoveObjectDestroyListener(ObjectFunction listener) {
  for (ObjectFunction& slot : gDestroyListeners) {
    if (slot == listener) slot = nullptr;
  }
}

void RetireObject(RuntimeObject* object) { Retire(object); }

void ReviveObject(RuntimeObject* object) {
  ++gLiveObjectCount;
  AddToLiveList(object);
}
