// The plug-in entry-point table: compiled code finds each member of a plug-in class, control,
// module or extension, and each global method, by a key of the member's owner and its
// declaration ("Gadget.Fold(times As Integer) As Boolean", "Gadget.Size.Get",
// "Gadget.Events.Folded", "Gadget.__init"). Built on the first lookup, and built again when
// plug-ins registered more since.
#include "app/PluginEntryPoints.h"

#include <cstring>

#include "app/PluginDeclarations.h"
#include "app/PluginMembers.h"
#include "app/PluginRegistry.h"
#include "core/Export.h"
#include "core/ExportRegistry.h"
#include "core/Memory.h"
#include "core/RuntimeError.h"

namespace {

constexpr uint32_t kNotBuilt = 0xFFFFFFFF;
uint32_t gBuiltAtRegistration = kNotBuilt;

// The members of one owner, as its records list them.
struct OwnerMembers {
  const char* owner;
  void* constructor;
  void* destructor;
  const PluginPropertyRow* properties;
  int32_t propertyCount;
  const void* methods;
  int32_t methodCount;
  int32_t recordVersion;
  const PluginEventEntry* events;
  int32_t eventCount;
};

void Add(const string& key, void* value, bool exported) {
  if (!value) return;
  PluginEntryPointMap().AddEntry(key, value);
  if (exported) RegisterExport(PluginPooledText(key.CString()), value);
}

void AddProperties(const string& prefix, const OwnerMembers& m) {
  if (!QV_CHECK_TEXT(m.properties || m.propertyCount <= 0, "properties || propertyCount == 0",
                     m.owner))
    return;
  for (int32_t i = 0; i < m.propertyCount; ++i) {
    const string name = prefix + string(m.properties[i].name) + string(".");
    Add(name + string("Get"), PluginFunction(m.properties[i].getter), true);
    Add(name + string("Set"), PluginFunction(m.properties[i].setter), true);
  }
}

void AddMethods(const string& prefix, const OwnerMembers& m) {
  if (!QV_CHECK_TEXT(m.methods || m.methodCount <= 0, "methods || methodCount == 0", m.owner))
    return;
  for (int32_t i = 0; i < m.methodCount; ++i) {
    const PluginMethodEntry entry = PluginMethodEntryAt(m.methods, i, m.recordVersion);
    if (!entry.declaration) continue;
    const string key = prefix + string(entry.declaration);
    Add(key, PluginFunction(entry.function), false);
    Add(key + string(".Set"), PluginFunction(entry.setter), false);
  }
}

void AddEvents(const string& prefix, const OwnerMembers& m) {
  if (!QV_CHECK_TEXT(m.events || m.eventCount <= 0, "events || eventCount == 0", m.owner)) return;
  for (int32_t i = 0; i < m.eventCount; ++i) {
    ObjectHook* event = PluginEventBuiltFor(&m.events[i]);
    if (!event) continue;  // its declaration did not parse
    Add(prefix + string("Events.") + event->name, event, true);
  }
}

void AddOwner(const OwnerMembers& m) {
  const string prefix = string(m.owner) + string(".");
  Add(prefix + string("__init"), PluginFunction(m.constructor), false);
  Add(prefix + string("__exit"), PluginFunction(m.destructor), false);
  AddProperties(prefix, m);
  AddMethods(prefix, m);
  AddEvents(prefix, m);
}

void AddClasses() {
  for (const LoadedClass* c = FirstLoadedClass(); c; c = c->next) {
    const PluginClassDefinition* s = c->source;
    AddOwner({s->name, s->constructor, s->destructor, s->properties, s->propertyCount, s->methods,
              s->methodCount, s->version, s->events, s->eventCount});
    if (s->version >= kPluginMoreMembersFrom) {
      AddOwner({s->name, nullptr, nullptr, s->moreProperties, s->morePropertyCount, s->moreMethods,
                s->moreMethodCount, s->version, nullptr, 0});
    }
  }
}

void AddControls() {
  for (const LoadedControl* c = FirstLoadedControl(); c; c = c->next) {
    const PluginControlDefinition* s = c->source;
    void* constructor = c->behaviour ? c->behaviour[kPluginBehaviourConstructor] : nullptr;
    void* destructor = c->behaviour ? c->behaviour[kPluginBehaviourDestructor] : nullptr;
    AddOwner({s->name, constructor, destructor, s->properties, s->propertyCount, s->methods,
              s->methodCount, s->version, s->events, s->eventCount});
  }
}

void AddGlobalMethods() {
  for (const LoadedMethod* m = FirstLoadedMethod(); m; m = m->next) {
    if (m->entry.declaration)
      Add(string(m->entry.declaration), PluginFunction(m->entry.function), false);
  }
}

void AddExtensions() {
  for (const LoadedExtension* e = FirstLoadedExtension(); e; e = e->next) {
    const PluginExtensionDefinition* s = e->source;
    AddOwner({s->className, nullptr, nullptr, s->properties, s->propertyCount, s->methods,
              s->methodCount, s->version, s->events, s->eventCount});
  }
}

void AddModules() {
  for (const LoadedModule* m = FirstLoadedModule(); m; m = m->next) {
    const PluginModuleDefinition* s = m->source;
    AddOwner({s->name, nullptr, nullptr, nullptr, 0, s->methods, s->methodCount, s->version,
              nullptr, 0});
  }
}

void BuildEntryPointTable() {
  PluginEntryPointMap().Clear();
  AddClasses();
  AddControls();
  AddGlobalMethods();
  AddExtensions();
  AddModules();
  gBuiltAtRegistration = PluginRegistrationCount();
}

}  // namespace

extern "C" void* RuntimeLookupPluginEntrypoint(stringStorage* name) {
  const string key(name);  // holds a reference for the lookup
  if (key.Compare(string("_")) == 0) return nullptr;
  if (gBuiltAtRegistration != PluginRegistrationCount()) BuildEntryPointTable();
  void* function = nullptr;
  const string missing = string("can't find plugin method ") + key;
  if (!QV_CHECK_TEXT(PluginEntryPointMap().GetEntry(key, &function),
                     "pluginEntryTable.GetEntry( entrypointName, out )", missing.CString()))
    return nullptr;
  return function;
}
QV_EXPORT(RuntimeLookupPluginEntrypoint)

extern "C" void** RuntimeAllocatePluginEntrypointsTable(int32_t count) {
  if (!QV_CHECK(count >= 0) || count == 0) return nullptr;
  const int64_t bytes = int64_t(count) * int64_t(sizeof(void*));
  if (!QV_CHECK(bytes <= int64_t(UINT32_MAX))) return nullptr;
  auto** table = static_cast<void**>(OSalloc(uint32_t(bytes), kMemFullQuit));
  std::memset(table, 0, size_t(bytes));
  return table;
}
QV_EXPORT(RuntimeAllocatePluginEntrypointsTable)
