#include "listbox/ReceiverSnapshot.h"

ReceiverSnapshot::ReceiverSnapshot(RuntimeObject* const* objects, uint32_t count) {
  mObjects.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    if (!objects[i]) continue;
    RuntimeLockObject(objects[i]);
    mObjects.push_back(objects[i]);
  }
}

ReceiverSnapshot::ReceiverSnapshot(const ReceiverNode* list) {
  for (const ReceiverNode* node = list; node; node = node->next) {
    if (!node->object) continue;
    RuntimeLockObject(node->object);
    mObjects.push_back(node->object);
  }
}

ReceiverSnapshot::~ReceiverSnapshot() {
  for (RuntimeObject* receiver : mObjects) RuntimeUnlockObject(receiver);
}

bool ReceiverListHas(const ReceiverNode* list, const RuntimeObject* object) {
  for (const ReceiverNode* node = list; node; node = node->next) {
    if (node->object == object) return true;
  }
  return false;
}
