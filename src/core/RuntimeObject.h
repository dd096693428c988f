// Language objects and run-time classes: the two records that compiled code reads and writes
// at fixed positions, and the operations it calls on them by name.
//
// Every language object is one block that starts with a RuntimeObject header; the instance
// fields of each class follow from the root down. Every class is one RuntimeClass block: the
// seventeen header words, the interface entries, then the method, event, named-method and
// property tables, which the table pointers address inside the same block. Class records live
// until the process ends; objects live while their reference count is above zero.
//
// Destruction: when the count falls to zero the destructors run derived-first (one of them may
// keep the object alive), then the finalizers. Objects released while another object is being
// freed are queued and freed by the outermost destruction, last queued first, so a long chain
// of objects whose finalizers release the next one never deepens the stack.
#pragma once

#include <cstddef>
#include <cstdint>

struct stringStorage;
struct RuntimeClass;
struct RuntimeObject;

using ObjectFunction = void (*)(RuntimeObject* object);

// Entry of a class's method table: both words belong to the compiled code.
struct MethodTableEntry {
  void* function;
  void* word;
};

// Entry of an event-handler table, indexed by event number.
struct EventTableEntry {
  void* vector;         // the compiled handler, or nil when the application has none
  stringStorage* name;  // the event's name
};

// Entry of the named-method table and of an interface's method table.
struct NamedMethodEntry {
  void* function;
  stringStorage* key;  // signature key in link form, e.g. "Show%%o<Window>"
};

struct PropertyTableEntry {
  stringStorage* key;  // "Name%type%"
  uint32_t word;       // handed to the getter and setter
  void* getter;
  void* setter;
};

struct InterfaceTableEntry {
  RuntimeClass* interfaceClass;
  int32_t methodCount;
  NamedMethodEntry* methods;
};

struct RuntimeObject {
  MethodTableEntry* methodTable;  // copied from the class at creation
  RuntimeClass* classPtr;
  EventTableEntry* eventTable;    // the class's table or this object's private copy
  int32_t refCount;               // 1 at creation
  RuntimeObject* prevObject;      // next newer live object (nil for the newest)
  RuntimeObject* nextObject;      // next older live object (nil for the oldest)
};
static_assert(sizeof(RuntimeObject) == 24, "object header is read by compiled code");
static_assert(offsetof(RuntimeObject, methodTable) == 0, "RuntimeObject layout");
static_assert(offsetof(RuntimeObject, classPtr) == 4, "RuntimeObject layout");
static_assert(offsetof(RuntimeObject, eventTable) == 8, "RuntimeObject layout");
static_assert(offsetof(RuntimeObject, refCount) == 12, "RuntimeObject layout");
static_assert(offsetof(RuntimeObject, prevObject) == 16, "RuntimeObject layout");
static_assert(offsetof(RuntimeObject, nextObject) == 20, "RuntimeObject layout");

struct RuntimeClass {
  RuntimeClass* parentClass;
  stringStorage* className;
  RuntimeClass* nextClass;  // link of the process-wide class list
  int32_t instanceSize;     // header included
  int32_t isAnInterface;
  ObjectFunction constructor;  // run base-first at creation
  ObjectFunction destructor;   // run derived-first at count zero; may keep the object
  ObjectFunction finalizer;    // run derived-first before the memory is freed
  int32_t methodCount;
  MethodTableEntry* methodTable;
  int32_t eventCount;
  EventTableEntry* eventTable;
  int32_t namedMethodCount;
  NamedMethodEntry* namedMethodTable;
  int32_t propertyCount;
  PropertyTableEntry* propertyTable;
  int32_t interfaceCount;
  // interfaceCount InterfaceTableEntry records follow (see InterfaceEntries).
};
static_assert(sizeof(RuntimeClass) == 68, "class record is read by compiled code");
static_assert(offsetof(RuntimeClass, parentClass) == 0, "RuntimeClass layout");
static_assert(offsetof(RuntimeClass, className) == 4, "RuntimeClass layout");
static_assert(offsetof(RuntimeClass, nextClass) == 8, "RuntimeClass layout");
static_assert(offsetof(RuntimeClass, instanceSize) == 12, "RuntimeClass layout");
static_assert(offsetof(RuntimeClass, isAnInterface) == 16, "RuntimeClass layout");
static_assert(offsetof(RuntimeClass, constructor) == 20, "RuntimeClass layout");
static_assert(offsetof(RuntimeClass, destructor) == 24, "RuntimeClass layout");
static_assert(offsetof(RuntimeClass, finalizer) == 28, "RuntimeClass layout");
static_assert(offsetof(RuntimeClass, methodCount) == 32, "RuntimeClass layout");
static_assert(offsetof(RuntimeClass, methodTable) == 36, "RuntimeClass layout");
static_assert(offsetof(RuntimeClass, eventCount) == 40, "RuntimeClass layout");
static_assert(offsetof(RuntimeClass, eventTable) == 44, "RuntimeClass layout");
static_assert(offsetof(RuntimeClass, namedMethodCount) == 48, "RuntimeClass layout");
static_assert(offsetof(RuntimeClass, namedMethodTable) == 52, "RuntimeClass layout");
static_assert(offsetof(RuntimeClass, propertyCount) == 56, "RuntimeClass layout");
static_assert(offsetof(RuntimeClass, propertyTable) == 60, "RuntimeClass layout");
static_assert(offsetof(RuntimeClass, interfaceCount) == 64, "RuntimeClass layout");
static_assert(sizeof(MethodTableEntry) == 8 && sizeof(EventTableEntry) == 8 &&
                  sizeof(NamedMethodEntry) == 8 && sizeof(PropertyTableEntry) == 16 &&
                  sizeof(InterfaceTableEntry) == 12,
              "table entries are read by compiled code");

// The interface entries that follow the class header in the same block.
inline InterfaceTableEntry* InterfaceEntries(RuntimeClass* cls) {
  return reinterpret_cast<InterfaceTableEntry*>(cls + 1);
}
inline const InterfaceTableEntry* InterfaceEntries(const RuntimeClass* cls) {
  return reinterpret_cast<const InterfaceTableEntry*>(cls + 1);
}

extern "C" {
// Objects.
RuntimeObject* RuntimeNewObject(RuntimeClass* cls);
void RuntimeLockObject(RuntimeObject* object);
void RuntimeUnlockObject(RuntimeObject* object);
void RuntimeLockUnlockObjects(RuntimeObject* newObject, RuntimeObject* oldObject);
RuntimeClass* GetObjectClass(RuntimeObject* object);

// The process-wide list of live objects (newest first) and its counter.
RuntimeObject* FirstLiveObject();
int32_t LiveObjectCount();
// Called with every object after its finalizers and before its memory is freed (nil: none).
void SetObjectDestroyHook(ObjectFunction hook);
}

// The object model's own listeners, for framework caches that remember objects: each hears of
// every object being freed, at the same point as the destroy hook, which stays the debugger's.
// Adding a listener twice, or removing one never added, changes nothing.
void AddObjectDestroyListener(ObjectFunction listener);
void RemoveObjectDestroyListener(ObjectFunction listener);

// For a pool that keeps released objects of one class for reuse: RetireObject, called from the
// object's destructor, takes it out of the live list and count, and the listeners and the
// destroy hook hear of it as of a freed object, so that nothing tells a retired object from a
// freed one; its finalizers do not run. ReviveObject lists and counts it again, as
// RuntimeNewObject lists a new one.
void RetireObject(RuntimeObject* object);
void ReviveObject(RuntimeObject* object);
