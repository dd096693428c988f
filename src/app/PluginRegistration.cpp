// The registration callbacks a plug-in calls from its entry, and the resolution of plug-in
// superclasses and interfaces once every plug-in has run.
//
// Each callback reads the current plug-in's interface version (RegisterPluginVersion; 1 when
// the plug-in sets none) and ignores what that version does not offer: classes need a version
// above 2, extensions 3, interfaces and modules 4; global methods come in the old form of
// version 1 or from version 3; a control record's own version must be 1 or at least 3.
#include "app/PluginRegistration.h"

#include <algorithm>

#include "app/PluginDefinitionChecks.h"
#include "app/PluginMembers.h"
#include "app/PluginRegistry.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/RuntimeError.h"

namespace {

constexpr uint32_t kObjectHeaderSize = 24;
// Plug-in data beyond this is refused: no plug-in needs it, and the instance size must stay
// far from wrapping.
constexpr int64_t kLargestPluginData = 16 * 1024 * 1024;

PluginRecord* PluginOfVersion(int32_t least) {
  PluginRecord* plugin = CurrentPlugin();
  return plugin && plugin->version >= least ? plugin : nullptr;
}

bool DataSizeUsable(uint32_t dataSize, const char* name) {
  if (int64_t(dataSize) <= kLargestPluginData) return true;
  const string text =
      string("The plug-in data of a class is too large") + PluginErrorText(string(name));
  QV_FAIL(text.CString());
  return false;
}

string NameOf(const char* name) { return string(name); }

LoadedClass* RegisterLoadedClass(const PluginClassDefinition* source, PluginRecord* plugin) {
  const string name = NameOf(source->name);
  if (FindPluginVisibleClass(name) || !DataSizeUsable(source->dataSize, source->name))
    return nullptr;
  auto* definition = new ObjectDefinition;
  definition->className = name;
  definition->objectSize = int32_t(kObjectHeaderSize + source->dataSize);
  definition->initializer.toc = PluginFunction(source->constructor);
  definition->finalizer.toc = PluginFunction(source->destructor);
  auto* record = new LoadedClass{nullptr, definition, plugin, source, false};
  AddLoadedClass(record);
  RegisterClassDefinition(definition);
  return record;
}

// Each name of a list separated by ",", blanks around it ignored.
template <typename Visit>
void ForEachListedName(const char* list, Visit visit) {
  if (!list) return;
  const char* start = list;
  for (const char* at = list;; ++at) {
    if (*at != ',' && *at != '\0') continue;
    const char* first = start;
    const char* last = at;
    while (first < last && (*first == ' ' || *first == '\t')) ++first;
    while (last > first && (last[-1] == ' ' || last[-1] == '\t')) --last;
    if (last > first) visit(string::FromBytes(first, last - first, kEncodingUTF8));
    if (*at == '\0') return;
    start = at + 1;
  }
}

void ReportNotFound(const ObjectDefinition* definition, const char* what, const string& name) {
  const string text = string("Couldn't find ") + definition->className + string(what) + name;
  QV_FAIL(text.CString());
}

void AddInterfaces(ObjectDefinition* definition, const char* list) {
  ForEachListedName(list, [definition](const string& name) {
    ObjectDefinition* found = FindClassForPlugin(name);
    if (found && found->isInterface) {
      ObjectDefinition::AddInterface(definition, found);
    } else {
      ReportNotFound(definition, " interface : ", name);
    }
  });
}

PluginFieldLayout ClassLayout(const PluginClassDefinition* source) {
  return {kObjectHeaderSize, int64_t(source->dataSize), false};
}

void AddClassMembers(LoadedClass* loaded) {
  const PluginClassDefinition* source = loaded->source;
  ObjectDefinition* definition = loaded->definition;
  AddPluginProperties(definition, source->properties, source->propertyCount, ClassLayout(source));
  AddPluginMethods(definition, source->methods, source->methodCount, source->version);
  if (source->version >= kPluginMoreMembersFrom) {
    AddPluginProperties(definition, source->moreProperties, source->morePropertyCount,
                        ClassLayout(source));
    AddPluginMethods(definition, source->moreMethods, source->moreMethodCount, source->version);
  }
  AddPluginEvents(definition, source->events, source->eventCount);
  AddPluginEventHandlers(definition, source->eventHandlers, source->eventHandlerCount);
  AddInterfaces(definition, source->interfaces);
}

void ResolveLoadedClass(LoadedClass* loaded);

// A superclass that is a plug-in class is resolved first, under its own plug-in. One that
// would make the chain a loop is refused. The class's objects are at least as large as its
// superclass's, whose methods read the superclass's data in them.
void LinkSuperclass(LoadedClass* loaded) {
  const char* superName = loaded->source->superName;
  if (!superName || !*superName) return;
  ObjectDefinition* definition = loaded->definition;
  ObjectDefinition* super = FindClassForPlugin(string(superName));
  if (!super) {
    ReportNotFound(definition, " superclass: ", string(superName));
    return;
  }
  LoadedClass* superRecord = FindLoadedClass(super->className);
  if (superRecord && superRecord->definition == super && !superRecord->resolved) {
    PluginRecord* current = CurrentPlugin();
    SetCurrentPlugin(superRecord->plugin);
    ResolveLoadedClass(superRecord);
    SetCurrentPlugin(current);
  }
  const string loop = definition->className + string(" would inherit from itself");
  if (!QV_CHECK_TEXT(!super->InheritsFrom(definition), "!super->InheritsFrom( defn )",
                     loop.CString()))
    return;
  definition->super = super;
  definition->objectSize = std::max(definition->objectSize, super->objectSize);
}

void ResolveLoadedClass(LoadedClass* loaded) {
  if (loaded->resolved) return;
  loaded->resolved = true;
  AddClassMembers(loaded);
  LinkSuperclass(loaded);
}

// A version-1 control in today's layout: version 4, a default size of 100 by 100, its rows
// widened to ten words with generic accessors. Kept for the life of the process.
const PluginControlDefinition* WidenedControl(const PluginControlDefinitionV1* old) {
  PluginPropertyRow* rows = nullptr;
  if (old->properties && old->propertyCount > 0) {
    rows = new PluginPropertyRow[old->propertyCount]();
    for (int32_t i = 0; i < old->propertyCount; ++i) {
      const PluginPropertyRowV1& from = old->properties[i];
      rows[i].word0 = from.word0;
      rows[i].name = from.name;
      rows[i].typeName = from.typeName;
      rows[i].flags = from.flags;
      rows[i].getter = rows[i].setter = reinterpret_cast<void*>(kPluginDefaultAccessor);
      rows[i].parameter = from.parameter;
    }
  }
  return new PluginControlDefinition{.version = 4,
                                     .name = old->name,
                                     .dataSize = old->dataSize,
                                     .flags = old->flags,
                                     .word4 = old->word4,
                                     .word5 = old->word5,
                                     .defaultWidth = 100,
                                     .defaultHeight = 100,
                                     .properties = rows,
                                     .propertyCount = old->propertyCount,
                                     .methods = old->methods,
                                     .methodCount = old->methodCount,
                                     .events = old->events,
                                     .eventCount = old->eventCount,
                                     .behaviour = old->behaviour,
                                     .word15 = old->word13,
                                     .eventHandlers = old->eventHandlers,
                                     .eventHandlerCount = old->eventHandlerCount,
                                     .interfaces = old->interfaces};
}

ObjectDefinition* NewControlDefinition(const PluginControlDefinition* source) {
  const PluginClassLibrary& library = CurrentPluginClassLibrary();
  if (!QV_CHECK_TEXT(library.controlClass && library.rectControlClass,
                     "controlClass and rectControlClass", nullptr))
    return nullptr;
  auto* definition = new ObjectDefinition;
  definition->className = NameOf(source->name);
  definition->super = (source->flags & kPluginControlIsControl) ? library.controlClass()
                                                                : library.rectControlClass();
  definition->objectSize = int32_t(library.controlDataOffset + source->dataSize);
  definition->initializer.toc = reinterpret_cast<void*>(library.controlConstructor);
  definition->finalizer.toc = reinterpret_cast<void*>(library.controlDestructor);
  const PluginFieldLayout layout{uint32_t(library.controlDataOffset), int64_t(source->dataSize),
                                 true};
  AddPluginProperties(definition, source->properties, source->propertyCount, layout);
  AddPluginMethods(definition, source->methods, source->methodCount, source->version);
  AddPluginEvents(definition, source->events, source->eventCount);
  AddPluginEventHandlers(definition, source->eventHandlers, source->eventHandlerCount);
  if (library.controlCreatePane) {
    auto* createPane = new ObjectHookInstance;
    createPane->name = string("CreatePane");
    createPane->handler = reinterpret_cast<void*>(library.controlCreatePane);
    definition->PrependHookInstance(createPane);
  }
  AddInterfaces(definition, source->interfaces);
  return definition;
}

}  // namespace

extern "C" void PluginRegisterClass(const PluginClassDefinition* definition) {
  PluginRecord* plugin = PluginOfVersion(3);
  if (!plugin || !ClassDefinitionUsable(definition)) return;
  RegisterLoadedClass(definition, plugin);
}
QV_EXPORT(PluginRegisterClass)

extern "C" void PluginRegisterInterface(const PluginInterfaceDefinition* definition) {
  PluginRecord* plugin = PluginOfVersion(4);
  if (!plugin || !InterfaceDefinitionUsable(definition)) return;
  auto* widened = new PluginClassDefinition{};
  widened->version = definition->version;
  widened->name = definition->name;
  widened->methods = definition->methods;
  widened->methodCount = definition->methodCount;
  LoadedClass* loaded = RegisterLoadedClass(widened, plugin);
  if (loaded && FirstLoadedClass() == loaded) loaded->definition->isInterface = 1;
  if (!loaded) delete widened;
}
QV_EXPORT(PluginRegisterInterface)

extern "C" void PluginRegisterClassExtension(const PluginExtensionDefinition* extension) {
  PluginRecord* plugin = PluginOfVersion(3);
  if (!plugin || !ExtensionDefinitionUsable(extension)) return;
  string name = RenamedPluginClass(NameOf(extension->className), true);
  if (name.Compare(string("SystemClass")) == 0) name = string("_SystemClass");
  if (ObjectDefinition* definition = FindClassForPlugin(name)) {
    const PluginClassLibrary& library = CurrentPluginClassLibrary();
    ObjectDefinition* control = library.controlClass ? library.controlClass() : nullptr;
    const bool isControl = control && definition->InheritsFrom(control);
    const PluginFieldLayout layout{
        isControl ? uint32_t(library.controlDataOffset) : kObjectHeaderSize, -1, isControl};
    AddPluginProperties(definition, extension->properties, extension->propertyCount, layout);
    AddPluginMethods(definition, extension->methods, extension->methodCount, extension->version);
    AddPluginEvents(definition, extension->events, extension->eventCount);
  }
  AddLoadedExtension(new LoadedExtension{nullptr, plugin, extension});
}
QV_EXPORT(PluginRegisterClassExtension)

extern "C" void PluginRegisterModule(const PluginModuleDefinition* module) {
  PluginRecord* plugin = PluginOfVersion(4);
  if (!plugin || !ModuleDefinitionUsable(module)) return;
  const string name = NameOf(module->name);
  if (LookupModuleDefinition(name)) return;
  auto* definition = new ObjectDefinition;
  definition->className = name;
  definition->objectSize = 0;  // a module has no instances
  AddPluginMethods(definition, module->methods, module->methodCount, module->version);
  AddLoadedModule(new LoadedModule{nullptr, definition, plugin, module});
  RegisterModuleDefinition(definition);
}
QV_EXPORT(PluginRegisterModule)

extern "C" void PluginRegisterMethod(const PluginMethodDefinition* method) {
  PluginRecord* plugin = CurrentPlugin();
  if (!plugin || !method || plugin->version == 2) return;
  PluginMethodEntry entry{method->function, method->setter, method->declaration, 0};
  if (plugin->version == 1) {
    const string missing = string("No export table for an old global method") +
                           PluginErrorText(string(method->declaration));
    if (!QV_CHECK_TEXT(plugin->exportTable, "plugin->exportTable", missing.CString())) return;
    entry.function = plugin->exportTable[reinterpret_cast<uintptr_t>(method->function)].function;
  }
  AddLoadedMethod(new LoadedMethod{nullptr, plugin, entry});
}
QV_EXPORT(PluginRegisterMethod)

extern "C" void PluginRegisterControl(const void* record) {
  PluginRecord* plugin = CurrentPlugin();
  if (!plugin || !record) return;
  // Version, name and data size stand in the same words in the old layout and today's.
  const auto* control = static_cast<const PluginControlDefinition*>(record);
  if (control->version == 2 || control->version < 1 || !ControlDefinitionUsable(record) ||
      FindPluginVisibleClass(NameOf(control->name)) ||
      !DataSizeUsable(control->dataSize, control->name))
    return;
  if (control->version == 1)
    control = WidenedControl(static_cast<const PluginControlDefinitionV1*>(record));
  ObjectDefinition* definition = NewControlDefinition(control);
  if (!definition) return;
  AddLoadedControl(new LoadedControl{nullptr, definition, control, control->behaviour, plugin});
  RegisterClassDefinition(definition);
}
QV_EXPORT(PluginRegisterControl)

extern "C" void RegisterPluginExports(const PluginExportRow* table) {
  if (PluginRecord* plugin = CurrentPlugin()) plugin->exportTable = table;
}
QV_EXPORT(RegisterPluginExports)

extern "C" void RegisterPluginVersion(int32_t version) {
  if (PluginRecord* plugin = CurrentPlugin()) plugin->version = version;
}
QV_EXPORT(RegisterPluginVersion)

// Plug-ins of this platform are installed by the loader at start-up.
extern "C" void Win32InstallPlugins() {}
QV_EXPORT(Win32InstallPlugins)

void ResolvePluginClasses(LoadedClass* stop) {
  for (LoadedClass* loaded = FirstLoadedClass(); loaded && loaded != stop; loaded = loaded->next) {
    if (loaded->resolved) continue;
    if (!QV_CHECK_TEXT(!CurrentPlugin(), "!loadingPlugin", nullptr)) return;
    SetCurrentPlugin(loaded->plugin);
    ResolveLoadedClass(loaded);
    SetCurrentPlugin(nullptr);
  }
}
