#include "core/RuntimeClass.h"

#include <algorithm>
#include <cstring>

#include "core/Export.h"
#include "core/Memory.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "strings/RuntimeString.h"

namespace {

RuntimeClass* gFirstClass = nullptr;

// Largest class block we agree to make; counts come from compiled code.
constexpr uint64_t kMaxClassBlock = 0x7FFFFFFFu;

struct ClassCounts {
  int32_t methods, interfaces, events, namedMethods, properties;

  bool AllNonNegative() const {
    return methods >= 0 && interfaces >= 0 && events >= 0 && namedMethods >= 0 &&
           properties >= 0;
  }
  uint64_t BlockSize() const {
    return sizeof(RuntimeClass) + uint64_t(interfaces) * sizeof(InterfaceTableEntry) +
           uint64_t(methods) * sizeof(MethodTableEntry) +
           uint64_t(events) * sizeof(EventTableEntry) +
           uint64_t(namedMethods) * sizeof(NamedMethodEntry) +
           uint64_t(properties) * sizeof(PropertyTableEntry);
  }
};

// Points the tables at their consecutive areas after the interface entries.
void LayOutTables(RuntimeClass* out, const ClassCounts& counts) {
  auto* cursor = reinterpret_cast<char*>(InterfaceEntries(out) + counts.interfaces);
  out->methodTable = reinterpret_cast<MethodTableEntry*>(cursor);
  cursor += counts.methods * sizeof(MethodTableEntry);
  out->eventTable = reinterpret_cast<EventTableEntry*>(cursor);
  cursor += counts.events * sizeof(EventTableEntry);
  out->namedMethodTable = reinterpret_cast<NamedMethodEntry*>(cursor);
  cursor += counts.namedMethods * sizeof(NamedMethodEntry);
  out->propertyTable = reinterpret_cast<PropertyTableEntry*>(cursor);
  out->methodCount = counts.methods;
  out->interfaceCount = counts.interfaces;
  out->eventCount = counts.events;
  out->namedMethodCount = counts.namedMethods;
  out->propertyCount = counts.properties;
}

// Copies the parent's entries into the first places. A smaller table than the parent's is
// reported (when checked) and receives only what fits.
template <typename Entry>
void CopyParentEntries(Entry* to, int32_t toCount, const Entry* from, int32_t fromCount,
                       const char* condition) {
  if (condition) (void)QV_CHECK_TEXT(toCount >= fromCount, condition, nullptr);
  const int32_t n = std::min(toCount, fromCount);
  if (n > 0) std::memcpy(to, from, n * sizeof(Entry));
}

void InheritTables(RuntimeClass* out, const RuntimeClass* base) {
  CopyParentEntries(out->methodTable, out->methodCount, base->methodTable, base->methodCount,
                    "out->methodCount >= base->methodCount");
  CopyParentEntries(InterfaceEntries(out), out->interfaceCount, InterfaceEntries(base),
                    base->interfaceCount, "out->interfaceCount >= base->interfaceCount");
  CopyParentEntries(out->eventTable, out->eventCount, base->eventTable, base->eventCount,
                    "out->eventCount >= base->eventCount");
  CopyParentEntries(out->namedMethodTable, out->namedMethodCount, base->namedMethodTable,
                    base->namedMethodCount, nullptr);
  CopyParentEntries(out->propertyTable, out->propertyCount, base->propertyTable,
                    base->propertyCount, "out->propertyCount >= base->propertyCount");
}

bool IsSelfOrAncestor(const RuntimeClass* cls, const RuntimeClass* candidate) {
  for (; cls; cls = cls->parentClass) {
    if (cls == candidate) return true;
  }
  return false;
}

bool ClassNameIs(const RuntimeClass* cls, const char* name) {
  return cls && string(cls->className).Compare(name) == 0;
}

// An object of class "OLEObject" stands for every direct subclass of "OLEObject".
bool IsOLEObjectCast(const RuntimeObject* object, const RuntimeClass* target) {
  return target->parentClass && ClassNameIs(object->classPtr, "OLEObject") &&
         ClassNameIs(target->parentClass, "OLEObject");
}

RuntimeObject* LockAndReturn(RuntimeObject* object) {
  RuntimeLockObject(object);
  return object;
}

}  // namespace

const InterfaceTableEntry* FindInterfaceEntry(const RuntimeClass* cls,
                                              const RuntimeClass* interface) {
  if (!cls) return nullptr;
  const InterfaceTableEntry* entries = InterfaceEntries(cls);
  for (int32_t i = 0; i < cls->interfaceCount; ++i) {
    if (entries[i].interfaceClass == interface) return &entries[i];
  }
  return nullptr;
}

extern "C" RuntimeClass* RuntimeNewClass(RuntimeClass* parent, int32_t methodCount,
                                         int32_t interfaceCount, int32_t eventCount,
                                         int32_t namedMethodCount, int32_t propertyCount) {
  const ClassCounts counts{methodCount, interfaceCount, eventCount, namedMethodCount,
                           propertyCount};
  if (!QV_CHECK_TEXT(counts.AllNonNegative() && counts.BlockSize() <= kMaxClassBlock,
                     "class table counts fit", nullptr)) {
    return nullptr;
  }
  const auto size = static_cast<uint32_t>(counts.BlockSize());
  auto* out = static_cast<RuntimeClass*>(OSalloc(size, kMemFullReturnNil));
  if (!out) {
    RaiseNilObjectException();
    return nullptr;
  }
  std::memset(out, 0, size);
  LayOutTables(out, counts);
  if (parent) InheritTables(out, parent);
  out->parentClass = parent;
  RuntimeRegisterClass(out);
  return out;
}
QV_EXPORT(RuntimeNewClass)

extern "C" NamedMethodEntry* RuntimeNewVtable(int32_t count) {
  if (count < 1) return nullptr;
  const uint64_t bytes = uint64_t(count) * sizeof(NamedMethodEntry);
  if (!QV_CHECK_TEXT(bytes <= kMaxClassBlock, "count * 8 fits", nullptr)) return nullptr;
  auto* table = static_cast<NamedMethodEntry*>(OSalloc(uint32_t(bytes), kMemFullReturnNil));
  if (!table) RaiseNilObjectException();
  return table;
}
QV_EXPORT(RuntimeNewVtable)

extern "C" void RuntimeRegisterClass(RuntimeClass* cls) {
  if (!QV_CHECK_TEXT(cls, "it", nullptr)) return;
  cls->nextClass = gFirstClass;
  gFirstClass = cls;
}
QV_EXPORT(RuntimeRegisterClass)

extern "C" RuntimeClass* FirstRegisteredClass() { return gFirstClass; }

extern "C" void SetFirstRegisteredClass(RuntimeClass* cls) { gFirstClass = cls; }

extern "C" int32_t RuntimeObjectIsa(RuntimeObject* object, RuntimeClass* cls) {
  if (!object) return 0;
  if (!cls) return 1;
  if (cls->isAnInterface) return FindInterfaceEntry(object->classPtr, cls) ? 1 : 0;
  return IsSelfOrAncestor(object->classPtr, cls) ? 1 : 0;
}
QV_EXPORT(RuntimeObjectIsa)

extern "C" RuntimeObject* RuntimeCheckCast(RuntimeObject* object, RuntimeClass* cls) {
  if (!object) return nullptr;
  if (!cls) return object;
  if (cls->isAnInterface) {
    if (FindInterfaceEntry(object->classPtr, cls)) return LockAndReturn(object);
  } else if (IsSelfOrAncestor(object->classPtr, cls) || IsOLEObjectCast(object, cls)) {
    return LockAndReturn(object);
  }
  RaiseIllegalCastException();
  return nullptr;
}
QV_EXPORT(RuntimeCheckCast)

extern "C" NamedMethodEntry* RuntimeLookupInterfaceVtable(RuntimeObject* object,
                                                          RuntimeClass* interface) {
  if (!object || !interface) {
    RaiseNilObjectException();
    return nullptr;
  }
  const InterfaceTableEntry* entry =
      interface->isAnInterface ? FindInterfaceEntry(object->classPtr, interface) : nullptr;
  if (!entry) {
    RaiseIllegalCastException();
    return nullptr;
  }
  return entry->methods;
}
QV_EXPORT(RuntimeLookupInterfaceVtable)
