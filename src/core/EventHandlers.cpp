#include "core/EventHandlers.h"

#include <cstring>
#include <string>

#include "core/Export.h"
#include "core/Memory.h"
#include "core/RuntimeError.h"
#include "strings/RuntimeString.h"

namespace {

// Gives object a private copy of its class's event table, once. False when it cannot have one.
bool EnsurePrivateEventTable(RuntimeObject* object) {
  const RuntimeClass* cls = object->classPtr;
  if (object->eventTable != cls->eventTable) return true;
  if (cls->eventCount < 1 || !cls->eventTable) return false;
  const uint64_t bytes = uint64_t(cls->eventCount) * sizeof(EventTableEntry);
  if (!QV_CHECK_TEXT(bytes <= 0x7FFFFFFFu, "eventCount * 8 fits", nullptr)) return false;
  auto* copy = static_cast<EventTableEntry*>(OSalloc(uint32_t(bytes), kMemFullQuit));
  std::memcpy(copy, cls->eventTable, bytes);
  object->eventTable = copy;
  return true;
}

void ReportEventAlreadyImplemented(const RuntimeObject* object, const string& eventName) {
  const std::string extra =
      std::string("Attempting to implement an event that was already implemented. Class ") +
      string(object->classPtr->className).CString() + ", Event " + eventName.CString();
  QV_FAIL_TEXT("NULL == target->eventTable[ctr].vector", extra.c_str());
}

}  // namespace

extern "C" void* LookupEventHandler(RuntimeObject* object, const ObjectHook* hook) {
  if (!object || !object->eventTable || !object->classPtr || !hook) return nullptr;
  const int32_t count = object->classPtr->eventCount;
  if (count < 1 || hook->eventIndex < 0 || hook->eventIndex >= count) return nullptr;
  return object->eventTable[hook->eventIndex].vector;
}

extern "C" void RuntimeInstallInstanceEventHandler(RuntimeObject* object,
                                                   stringStorage* eventName, void* handler) {
  if (!QV_CHECK_TEXT(object, "target", nullptr)) return;
  if (!QV_CHECK_TEXT(object->classPtr, "target->classPtr", nullptr)) return;
  if (!EnsurePrivateEventTable(object)) return;
  const string name(eventName);
  for (int32_t i = object->classPtr->eventCount - 1; i >= 0; --i) {
    EventTableEntry& entry = object->eventTable[i];
    if (string(entry.name).Compare(name) != 0) continue;
    // The handler already there stays: the object's own code installed it first.
    if (entry.vector) {
      ReportEventAlreadyImplemented(object, name);
      return;
    }
    entry.vector = handler;
    return;
  }
}
QV_EXPORT(RuntimeInstallInstanceEventHandler)

// A class's hook list is its event table: the framework's own implementations of events sit
// there from the conversion on, before any object may replace one with a handler of its own.
extern "C" void* RuntimeFindHookCode(RuntimeObject* object, const ObjectHook* hook) {
  if (!object || !hook || hook->eventIndex < 0) return nullptr;
  for (const RuntimeClass* cls = object->classPtr; cls; cls = cls->parentClass) {
    if (!cls->eventTable || hook->eventIndex >= cls->eventCount) continue;
    if (void* code = cls->eventTable[hook->eventIndex].vector) return code;
  }
  return nullptr;
}
QV_EXPORT(RuntimeFindHookCode)
