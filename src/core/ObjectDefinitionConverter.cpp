#include "core/ObjectDefinitionConverter.h"

#include <string>
#include <string_view>

#include "core/ByteUtilities.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/IntMap.h"
#include "core/Memory.h"
#include "core/RuntimeClass.h"
#include "core/RuntimeError.h"
#include "core/StringMap.h"
#include "core/TypeNames.h"

namespace {

constexpr uint32_t kClassNameCacheBuckets = 256;

uint32_t gInterfaceGeneration = 1;

IntMap<RuntimeClass*>& DefinitionCache() {
  static IntMap<RuntimeClass*> cache;
  return cache;
}

StringMap<RuntimeClass*>& ClassNameCache() {
  static StringMap<RuntimeClass*> cache(kClassNameCacheBuckets);
  return cache;
}

int32_t CacheKey(const ObjectDefinition* definition) {
  return static_cast<int32_t>(reinterpret_cast<uintptr_t>(definition));
}

bool NamesEqual(const string& a, const string& b) { return a.Compare(b) == 0; }

std::string ManifestText(const ObjectDefinition* definition) {
  return std::string("Manifest file outdated? ") + definition->className.CString();
}

// --- Interface-method resolution ----------------------------------------------------------

int32_t CountMethods(const ObjectDefinition* definition) {
  int32_t count = 0;
  for (const ObjectMethod* m = definition->methods; m; m = m->next) ++count;
  return count;
}

const ObjectMethod* FindMethodInChain(const ObjectDefinition* definition, const string& name) {
  for (const ObjectDefinition* d = definition; d; d = d->super) {
    for (const ObjectMethod* m = d->methods; m; m = m->next) {
      if (NamesEqual(m->name, name)) return m;
    }
  }
  return nullptr;
}

void ReportUnresolvedInterfaceMethod(const ObjectDefinition* definition,
                                     const ObjectDefinition* interface, const string& name) {
  const std::string extra = std::string(definition->className.CString()) + " does not implement " +
                            interface->className.CString() + "." + name.CString();
  ReportRuntimeError(kReportKindFramework, kErrorInvalidClassDefinition, __FILE_NAME__, __LINE__,
                     "method", extra.c_str());
}

// A method that no definition of the chain provides gets a slot that reports when called
// rather than address 0, which compiled code would jump to.
void ResolveInterfaceLink(const ObjectDefinition* definition, InterfaceLink* link) {
  OSfree(link->methods);
  link->methods = nullptr;
  link->methodCount = 0;
  const ObjectDefinition* interface = link->interfaceDefinition;
  if (!interface) return;
  const int32_t count = CountMethods(interface) + 1;
  link->methods = static_cast<void**>(OSalloc(count * sizeof(void*), kMemFullQuit));
  link->methodCount = count;
  link->methods[0] = nullptr;
  int32_t slot = 1;
  for (const ObjectMethod* wanted = interface->methods; wanted; wanted = wanted->next) {
    const ObjectMethod* found = FindMethodInChain(definition, wanted->name);
    if (!found || !found->row.a.toc) {
      ReportUnresolvedInterfaceMethod(definition, interface, wanted->name);
      link->methods[slot++] = reinterpret_cast<void*>(&UnimplementedInterfaceMethod);
      continue;
    }
    link->methods[slot++] = found->row.a.toc;
  }
}

void ResolveInterfaceMethods(ObjectDefinition* definition) {
  if (definition->isInterface || definition->resolutionGeneration == gInterfaceGeneration) {
    return;
  }
  definition->resolutionGeneration = gInterfaceGeneration;
  for (InterfaceLink* link = definition->interfaces; link; link = link->next) {
    ResolveInterfaceLink(definition, link);
  }
  ObjectDefinition* super = definition->super;
  if (!definition->isStatic && super && super->resolutionGeneration != gInterfaceGeneration) {
    ResolveInterfaceMethods(super);
  }
}

// --- Counting and numbering ---------------------------------------------------------------

void NumberProperties(ObjectDefinition* definition) {
  int32_t next = 0;
  if (definition->super) {
    NumberProperties(definition->super);
    next = definition->super->mPropertyTableSize;
  }
  for (InstanceVariable* item = definition->items; item; item = item->next) {
    if (item->itemKind != kItemNotInPropertyTable) item->mPropertyTableIndex = next++;
  }
  definition->mPropertyTableSize = next;
}

struct OwnCounts {
  int32_t interfaces = 0;
  int32_t events = 0;
  int32_t namedMethods = 0;
  int32_t properties = 0;
};

// The counts below are false, after a report, for a definition the tables cannot be built
// from; the definition then gives no class.

bool CountNamedMethods(const ObjectDefinition* definition, int32_t* count) {
  for (const ObjectMethod* m = definition->methods; m; m = m->next) {
    if (!QV_CHECK_TEXT((m->userFlags & kItemSystemPropertyVirtual) == 0,
                       "0 == (item->userFlags & systemPropertyVirtual)", nullptr))
      return false;
    *count += (m->HasFunctionA() ? 1 : 0) + (m->HasFunctionB() ? 1 : 0);
  }
  return true;
}

bool CountProperties(const ObjectDefinition* definition, int32_t* count) {
  const std::string extra = ManifestText(definition);
  for (const InstanceVariable* item = definition->items; item; item = item->next) {
    if (item->itemKind == kItemNotInPropertyTable) continue;
    if (!QV_CHECK_TEXT(item->mPropertyTableIndex == *count,
                       "item->mPropertyTableIndex == propertyCount", extra.c_str()))
      return false;
    ++*count;
  }
  return QV_CHECK_TEXT(*count == definition->mPropertyTableSize,
                       "propertyCount == defn->mPropertyTableSize", extra.c_str());
}

bool CountTables(ObjectDefinition* definition, const RuntimeClass* superclass,
                 OwnCounts* out) {
  OwnCounts counts;
  counts.interfaces = superclass ? superclass->interfaceCount : 0;
  for (const InterfaceLink* link = definition->interfaces; link; link = link->next) {
    ++counts.interfaces;
  }
  counts.events = superclass ? superclass->eventCount : 0;
  for (ObjectHook* hook = definition->hooks; hook; hook = hook->next) {
    hook->eventIndex = counts.events++;
  }
  counts.namedMethods = superclass ? superclass->namedMethodCount : 0;
  counts.properties = superclass ? superclass->propertyCount : 0;
  if (!CountNamedMethods(definition, &counts.namedMethods) ||
      !CountProperties(definition, &counts.properties))
    return false;
  *out = counts;
  return true;
}

// --- Filling the tables -------------------------------------------------------------------

void SetShared(stringStorage** slot, const string& value) { *slot = value.ExtractStringStorage(); }

void FillEventTable(ObjectDefinition* definition, RuntimeClass* out) {
  for (const ObjectHook* hook = definition->hooks; hook; hook = hook->next) {
    if (!QV_CHECK(hook->eventIndex >= 0 && hook->eventIndex < out->eventCount)) continue;
    SetShared(&out->eventTable[hook->eventIndex].name, hook->name);
  }
  for (ObjectHookInstance* instance = definition->hookInstances; instance;
       instance = instance->next) {
    for (const ObjectDefinition* d = definition->super; d; d = d->super) {
      for (const ObjectHook* hook = d->hooks; hook; hook = hook->next) {
        if (!NamesEqual(hook->name, instance->name)) continue;
        if (!QV_CHECK(hook->eventIndex >= 0 && hook->eventIndex < out->eventCount)) continue;
        instance->eventIndex = hook->eventIndex;
        out->eventTable[hook->eventIndex].vector = instance->handler;
      }
    }
  }
}

// The key of the method that implements the interface's method name. Looked up by name, not
// by function: one function may serve two methods (RunQuery and PerformAction), and a key
// naming the other one hides the interface method from a lookup by name.
string KeyOfInterfaceMethod(const ObjectDefinition* definition, const string& name) {
  const ObjectMethod* found = FindMethodInChain(definition, name);
  if (!found || !found->row.a.toc) return string();
  return MethodSignatureKey(found, definition->AsType(), false);
}

// Slots follow the interface's methods in the order ResolveInterfaceLink filled them.
void FillInterfaceEntry(ObjectDefinition* definition, const InterfaceLink* link,
                        InterfaceTableEntry* entry) {
  entry->interfaceClass = RuntimeClassForDefinition(link->interfaceDefinition);
  const int32_t count = link->methodCount > 1 ? link->methodCount - 1 : 0;
  entry->methodCount = count;
  entry->methods = RuntimeNewVtable(count);
  if (!entry->methods) return;
  const ObjectMethod* wanted = link->interfaceDefinition ? link->interfaceDefinition->methods
                                                         : nullptr;
  for (int32_t j = 0; j < count; ++j, wanted = wanted ? wanted->next : nullptr) {
    entry->methods[j].function = link->methods[j + 1];
    SetShared(&entry->methods[j].key,
              wanted ? KeyOfInterfaceMethod(definition, wanted->name) : string());
  }
}

void FillInterfaceTable(ObjectDefinition* definition, const RuntimeClass* superclass,
                        RuntimeClass* out) {
  int32_t index = superclass ? superclass->interfaceCount : 0;
  for (const InterfaceLink* link = definition->interfaces; link; link = link->next, ++index) {
    if (!QV_CHECK_TEXT(index < out->interfaceCount, "itableCtr < out->interfaceCount", nullptr)) {
      return;
    }
    FillInterfaceEntry(definition, link, &InterfaceEntries(out)[index]);
  }
}

void FillNamedMethodTable(ObjectDefinition* definition, const RuntimeClass* superclass,
                          RuntimeClass* out) {
  int32_t index = superclass ? superclass->namedMethodCount : 0;
  const TypeDescriptor* owner = definition->AsType();
  for (const ObjectMethod* m = definition->methods; m; m = m->next) {
    if (m->HasFunctionA() && index < out->namedMethodCount) {
      out->namedMethodTable[index].function = m->row.a.toc;
      SetShared(&out->namedMethodTable[index++].key, MethodSignatureKey(m, owner, false));
    }
    if (m->HasFunctionB() && index < out->namedMethodCount) {
      out->namedMethodTable[index].function = m->row.b.toc;
      SetShared(&out->namedMethodTable[index++].key, MethodSignatureKey(m, owner, true));
    }
  }
}

void FillPropertyTable(ObjectDefinition* definition, const RuntimeClass* superclass,
                       RuntimeClass* out) {
  int32_t index = superclass ? superclass->propertyCount : 0;
  for (const InstanceVariable* item = definition->items; item; item = item->next) {
    if (item->itemKind == kItemNotInPropertyTable) continue;
    if (!QV_CHECK_TEXT(index < out->propertyCount, "propertyCtr < out->propertyCount", nullptr)) {
      return;
    }
    // The counting checked the numbering before the class was made; a disagreement here
    // leaves the rest of the table empty rather than filed under the wrong index.
    if (!QV_CHECK_TEXT(index == item->mPropertyTableIndex,
                       "propertyCtr == ivar->mPropertyTableIndex", nullptr))
      return;
    PropertyTableEntry& entry = out->propertyTable[index++];
    SetShared(&entry.key, PropertyKey(item));
    entry.word = item->propertyWord;
    entry.getter = item->getter;
    entry.setter = item->setter;
  }
}

RuntimeClass* ConvertDefinition(ObjectDefinition* definition) {
  RuntimeClass* superclass = nullptr;
  if (definition->super) {
    superclass = RuntimeClassForDefinition(definition->super);
    if (!QV_CHECK_TEXT(superclass, "super", nullptr)) return nullptr;
  }
  definition->ResolveClassNames();
  ResolveInterfaceMethods(definition);
  NumberProperties(definition);
  OwnCounts counts;
  if (!CountTables(definition, superclass, &counts)) return nullptr;
  RuntimeClass* out =
      RuntimeNewClass(superclass, superclass ? superclass->methodCount : 0, counts.interfaces,
                      counts.events, counts.namedMethods, counts.properties);
  if (!QV_CHECK_TEXT(out, "out", nullptr)) return nullptr;
  SetShared(&out->className, definition->className);
  out->constructor = reinterpret_cast<ObjectFunction>(definition->initializer.toc);
  out->finalizer = reinterpret_cast<ObjectFunction>(definition->finalizer.toc);
  out->instanceSize = definition->objectSize;
  out->isAnInterface = definition->isInterface ? 1 : 0;
  FillEventTable(definition, out);
  FillInterfaceTable(definition, superclass, out);
  FillNamedMethodTable(definition, superclass, out);
  FillPropertyTable(definition, superclass, out);
  return out;
}

RuntimeClass* FindRegisteredClassNamed(const string& name) {
  if (name.IsEmpty()) return nullptr;  // classes still being built have no name yet
  for (RuntimeClass* cls = FirstRegisteredClass(); cls; cls = cls->nextClass) {
    if (NamesEqual(string(cls->className), name)) return cls;
  }
  return nullptr;
}

}  // namespace

extern "C" void UnimplementedInterfaceMethod() {
  ReportRuntimeError(kReportKindFramework, kErrorInvalidClassDefinition, __FILE_NAME__, __LINE__,
                     "method", "An interface method without an implementation was called");
}

RuntimeClass* RuntimeClassForDefinition(ObjectDefinition* definition) {
  if (!QV_CHECK_TEXT(definition, "defn", nullptr)) return nullptr;
  RuntimeClass* cls = nullptr;
  if (DefinitionCache().GetEntry(CacheKey(definition), &cls)) return cls;
  cls = FindRegisteredClassNamed(definition->className);
  if (!cls) cls = ConvertDefinition(definition);
  if (cls) DefinitionCache().AddEntry(CacheKey(definition), cls);
  return cls;
}

RuntimeObject* NewObjectFromDefinition(ObjectDefinition* definition) {
  if (!QV_CHECK_TEXT(definition, "defn", nullptr)) return nullptr;
  return RuntimeNewObject(RuntimeClassForDefinition(definition));
}

bool ObjectIsaDefinition(RuntimeObject* object, ObjectDefinition* definition) {
  if (!object || !definition) return false;
  return RuntimeObjectIsa(object, RuntimeClassForDefinition(definition)) != 0;
}

// The same test for compiled code and plug-ins, answering a full word.
extern "C" int32_t ObjectIsaDefinitionExport(RuntimeObject* object, ObjectDefinition* definition) {
  return ObjectIsaDefinition(object, definition) ? 1 : 0;
}
QV_EXPORT_AS("ObjectIsaDefinition", ObjectIsaDefinitionExport)

uint8_t ObjectIsaDefinitionByte(RuntimeObject* object, ObjectDefinition* definition) {
  if (!object || !definition) return 0;
  return uint8_t(RuntimeObjectIsa(object, RuntimeClassForDefinition(definition)) & 0xFF);
}

void* LookupInterfaceMethod(RuntimeObject* object, ObjectDefinition* definition,
                            const char* name) {
  if (!object || !object->classPtr || !definition || !name) return nullptr;
  const RuntimeClass* interface = RuntimeClassForDefinition(definition);
  if (!interface) return nullptr;
  const InterfaceTableEntry* entries = InterfaceEntries(object->classPtr);
  const InterfaceTableEntry* found = nullptr;
  for (int32_t i = 0; i < object->classPtr->interfaceCount; ++i) {
    if (entries[i].interfaceClass == interface) found = &entries[i];
  }
  if (!found || !found->methods) return nullptr;
  const std::string_view wanted(name);
  for (int32_t i = 0; i < found->methodCount; ++i) {
    // The signature is cut first: an owner or parameter class in it may hold a '.' too.
    std::string_view key(stringStorage::CString(found->methods[i].key));
    key = key.substr(0, key.find('%'));
    if (const size_t dot = key.find('.'); dot != std::string_view::npos) key.remove_prefix(dot + 1);
    if (EqualIgnoringASCIICase(key, wanted)) return found->methods[i].function;
  }
  return nullptr;
}

extern "C" RuntimeClass* RuntimeLookupClass(stringStorage* name) {
  const string key(name);
  RuntimeClass* cls = nullptr;
  if (ClassNameCache().GetEntry(key, &cls)) return cls;
  ObjectDefinition* definition = LookupClassDefinition(key);
  if (!definition) return nullptr;
  cls = RuntimeClassForDefinition(definition);
  if (cls) ClassNameCache().AddEntry(key, cls);
  return cls;
}
QV_EXPORT(RuntimeLookupClass)

ObjectHookInstance* FindHookInstance(const HookHolder* holder, const ObjectHook* hook,
                                     bool* ownedByStart) {
  if (ownedByStart) *ownedByStart = false;
  if (!holder) return nullptr;
  if (!QV_CHECK(hook)) return nullptr;
  ObjectHookInstance* result = nullptr;
  const ObjectDefinition* start = holder->definition;
  for (const ObjectDefinition* d = start; d; d = d->super) {
    for (const ObjectHook* h = d->hooks; h; h = h->next) {
      if (h == hook) return result;
      if (!NamesEqual(h->name, hook->name)) continue;
      result = nullptr;
      if (ownedByStart) *ownedByStart = false;
    }
    for (ObjectHookInstance* instance = d->hookInstances; instance; instance = instance->next) {
      if (!NamesEqual(instance->name, hook->name)) continue;
      result = instance;
      if (ownedByStart) *ownedByStart = d == start;
    }
  }
  return result;
}
