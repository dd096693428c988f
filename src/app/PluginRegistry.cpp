#include "app/PluginRegistry.h"

#include <cstdio>

#include "core/ClassRegistry.h"
#include "core/RuntimeClass.h"

namespace {

constexpr uint32_t kPluginMapBuckets = 256;

// Made before main, in this order; destroyed at exit in the reverse order.
IntMap<PluginTask*> gPluginTasks;
StringMap<LoadedClass*> gClassMap(kPluginMapBuckets);
StringMap<LoadedModule*> gModuleMap(kPluginMapBuckets);
StringMap<LoadedControl*> gControlMap(kPluginMapBuckets);
StringMap<void*> gEntryPoints(kPluginMapBuckets);

PluginRecord* gFirstPlugin = nullptr;
PluginRecord* gCurrentPlugin = nullptr;
LoadedClass* gFirstClass = nullptr;
LoadedControl* gFirstControl = nullptr;
LoadedModule* gFirstModule = nullptr;
LoadedExtension* gFirstExtension = nullptr;
LoadedMethod* gFirstMethod = nullptr;
uint32_t gRegistrations = 0;
PluginClassLibrary gClassLibrary;

template <typename Record>
void Push(Record** head, Record* record) {
  record->next = *head;
  *head = record;
  ++gRegistrations;
}

template <typename Record>
Record* Find(const StringMap<Record*>& map, const string& name) {
  Record* record = nullptr;
  map.GetEntry(name, &record);
  return record;
}

string NameOf(const ObjectDefinition* definition) { return definition->className; }

}  // namespace

PluginClassLibrary SetPluginClassLibrary(const PluginClassLibrary& library) {
  const PluginClassLibrary previous = gClassLibrary;
  gClassLibrary = library;
  return previous;
}

const PluginClassLibrary& CurrentPluginClassLibrary() { return gClassLibrary; }

PluginRecord* FirstPluginRecord() { return gFirstPlugin; }

PluginRecord* NewPluginRecord() {
  auto* record = new PluginRecord;
  record->next = gFirstPlugin;
  gFirstPlugin = record;
  gCurrentPlugin = record;
  return record;
}

PluginRecord* CurrentPlugin() { return gCurrentPlugin; }
void SetCurrentPlugin(PluginRecord* plugin) { gCurrentPlugin = plugin; }

LoadedClass* FirstLoadedClass() { return gFirstClass; }
LoadedControl* FirstLoadedControl() { return gFirstControl; }
LoadedModule* FirstLoadedModule() { return gFirstModule; }
LoadedExtension* FirstLoadedExtension() { return gFirstExtension; }
LoadedMethod* FirstLoadedMethod() { return gFirstMethod; }

void AddLoadedClass(LoadedClass* record) {
  Push(&gFirstClass, record);
  gClassMap.AddEntry(NameOf(record->definition), record);
}

void AddLoadedControl(LoadedControl* record) {
  Push(&gFirstControl, record);
  gControlMap.AddEntry(NameOf(record->definition), record);
}

void AddLoadedModule(LoadedModule* record) {
  Push(&gFirstModule, record);
  gModuleMap.AddEntry(NameOf(record->definition), record);
}

void AddLoadedExtension(LoadedExtension* record) { Push(&gFirstExtension, record); }
void AddLoadedMethod(LoadedMethod* record) { Push(&gFirstMethod, record); }

LoadedClass* FindLoadedClass(const string& name) { return Find(gClassMap, name); }
LoadedControl* FindLoadedControl(const string& name) { return Find(gControlMap, name); }
LoadedModule* FindLoadedModule(const string& name) { return Find(gModuleMap, name); }
uint32_t PluginRegistrationCount() { return gRegistrations; }

IntMap<PluginTask*>& PluginTaskMap() { return gPluginTasks; }
StringMap<void*>& PluginEntryPointMap() { return gEntryPoints; }

string RenamedPluginClass(const string& name, bool withOffice) {
  static constexpr struct {
    const char* from;
    const char* to;
    bool office;
  } kRenames[] = {
      {"DatabaseCursor", "RecordSet", false},
      {"DatabaseCursorField", "DatabaseField", false},
      {"ExcelApplication", "OldExcelApplication", true},
      {"PowerPointApplication", "OldPowerPointApplication", true},
      {"WordApplication", "OldWordApplication", true},
  };
  for (const auto& rename : kRenames) {
    if ((withOffice || !rename.office) && name.Compare(string(rename.from)) == 0)
      return string(rename.to);
  }
  return name;
}

void ForgetPluginCode(PluginRecord* plugin) {
  if (!plugin) return;
  plugin->unloaded = true;
  for (LoadedClass* loaded = FirstLoadedClass(); loaded; loaded = loaded->next) {
    if (loaded->plugin != plugin || !loaded->definition) continue;
    const void* initializer = loaded->definition->initializer.toc;
    const void* finalizer = loaded->definition->finalizer.toc;
    loaded->definition->initializer.toc = nullptr;
    loaded->definition->finalizer.toc = nullptr;
    for (RuntimeClass* cls = FirstRegisteredClass(); cls; cls = cls->nextClass) {
      if (initializer && reinterpret_cast<const void*>(cls->constructor) == initializer)
        cls->constructor = nullptr;
      if (finalizer && reinterpret_cast<const void*>(cls->finalizer) == finalizer)
        cls->finalizer = nullptr;
    }
  }
}

ObjectDefinition* FindPluginVisibleClass(const string& name) {
  const string renamed = RenamedPluginClass(name, false);
  if (ObjectDefinition* definition = LookupClassDefinition(renamed)) return definition;
  if (LoadedControl* control = FindLoadedControl(renamed)) return control->definition;
  if (LoadedClass* loaded = FindLoadedClass(renamed)) return loaded->definition;
  return nullptr;
}

ObjectDefinition* FindClassForPlugin(const string& name) {
  const string renamed = RenamedPluginClass(name, true);
  if (ObjectDefinition* definition = LookupClassDefinition(renamed)) return definition;
  if (LoadedClass* loaded = FindLoadedClass(renamed)) return loaded->definition;
  if (LoadedControl* control = FindLoadedControl(renamed)) return control->definition;
  return nullptr;
}

string PluginErrorText(const string& text) {
  const PluginRecord* plugin = gCurrentPlugin;
  if (!plugin) return string(":\r\r") + text;
  const string& name = plugin->nameSet ? plugin->displayName : plugin->installedPath;
  return string(" in ") + name + string(":\r\r") + text;
}

extern "C" void FormatHex32(uint32_t value, char* text) {
  if (text) std::snprintf(text, 9, "%08X", static_cast<unsigned>(value));
}
