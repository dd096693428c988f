// What the loaded plug-ins registered: one PluginRecord per library, and the classes,
// interfaces, controls, modules, class extensions and global methods that each registered
// while its entry ran. Records are never freed; every list is newest first.
//
// The maps that find records by name (classes, controls, modules), the plug-in task map and
// the entry-point table are made before main runs and destroyed at exit, in reverse order.
// Names compare ignoring case.
//
// The "current" plug-in is the one whose entry (or whose classes' resolution) is running: the
// registration callbacks file what they are given under it, and messages about a declaration
// name its library.
#pragma once

#include <cstdint>

#include "app/PluginDefinitions.h"
#include "core/IntMap.h"
#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "core/StringMap.h"
#include "strings/RuntimeString.h"

struct PluginRecord {
  PluginRecord* next = nullptr;
  const PluginExportRow* exportTable = nullptr;  // RegisterPluginExports
  int32_t version = 1;                           // RegisterPluginVersion
  uint8_t socketUsage = 0;
  string installedPath;  // the file written for the library
  string displayName;    // used in messages once nameSet
  bool nameSet = false;
  void* handle = nullptr;   // the dynamic loader's
  int lockDescriptor = -1;  // open on the installed file, holding its lock
  bool unloaded = false;    // its library is closed: none of its code may run again
};

struct LoadedClass {  // a class or an interface
  LoadedClass* next;
  ObjectDefinition* definition;
  PluginRecord* plugin;
  const PluginClassDefinition* source;
  bool resolved;  // superclass, interfaces and members added
};

struct LoadedControl {
  LoadedControl* next;
  ObjectDefinition* definition;
  const PluginControlDefinition* source;  // a version-1 record's converted copy
  void* const* behaviour;
  PluginRecord* plugin;
};

struct LoadedModule {
  LoadedModule* next;
  ObjectDefinition* definition;
  PluginRecord* plugin;
  const PluginModuleDefinition* source;
};

struct LoadedExtension {
  LoadedExtension* next;
  PluginRecord* plugin;
  const PluginExtensionDefinition* source;
};

struct LoadedMethod {  // a global method
  LoadedMethod* next;
  PluginRecord* plugin;
  PluginMethodEntry entry;  // with the function found (a version-1 index resolved)
};

class PluginTask;

// Hooks of the class library that declarations and plug-in controls need: the root class, the
// two control classes plug-in controls derive from, and their construction hooks. Installed at
// start-up by the controls layer; until then "Object" is looked up by name and controls
// cannot be registered.
struct PluginClassLibrary {
  ObjectDefinition* (*objectClass)() = nullptr;
  ObjectDefinition* (*controlClass)() = nullptr;
  ObjectDefinition* (*rectControlClass)() = nullptr;
  void (*controlConstructor)(RuntimeObject* control) = nullptr;
  void (*controlDestructor)(RuntimeObject* control) = nullptr;
  // The CreatePane every plug-in control class implements.
  void (*controlCreatePane)(RuntimeObject* control) = nullptr;
  // The setters of a control property whose row asks for a redraw: Integer (and every other
  // word type), Boolean, String, object.
  void* intInvalidateSetter = nullptr;
  void* boolInvalidateSetter = nullptr;
  void* stringInvalidateSetter = nullptr;
  void* objInvalidateSetter = nullptr;
  // Bytes of a control object before a plug-in control's own data.
  int32_t controlDataOffset = 0;
};
// Returns the hooks installed before.
PluginClassLibrary SetPluginClassLibrary(const PluginClassLibrary& library);
const PluginClassLibrary& CurrentPluginClassLibrary();

// --- Libraries ----------------------------------------------------------------------------

PluginRecord* FirstPluginRecord();
// A new record at the head of the list, made current.
PluginRecord* NewPluginRecord();
// Before its library closes: marks the plug-in unloaded and takes its classes' constructors
// and destructors out of their definitions and run-time classes, so that an object finalised
// later is freed without calling into the closed library.
void ForgetPluginCode(PluginRecord* plugin);
PluginRecord* CurrentPlugin();
void SetCurrentPlugin(PluginRecord* plugin);

// --- What they registered -----------------------------------------------------------------

LoadedClass* FirstLoadedClass();
LoadedControl* FirstLoadedControl();
LoadedModule* FirstLoadedModule();
LoadedExtension* FirstLoadedExtension();
LoadedMethod* FirstLoadedMethod();
void AddLoadedClass(LoadedClass* record);  // also into the class map
void AddLoadedControl(LoadedControl* record);
void AddLoadedModule(LoadedModule* record);
void AddLoadedExtension(LoadedExtension* record);
void AddLoadedMethod(LoadedMethod* record);
LoadedClass* FindLoadedClass(const string& name);
LoadedControl* FindLoadedControl(const string& name);
LoadedModule* FindLoadedModule(const string& name);
// Counts additions to the lists above, so that a table built from them can tell it is stale.
uint32_t PluginRegistrationCount();

IntMap<PluginTask*>& PluginTaskMap();
StringMap<void*>& PluginEntryPointMap();

// --- Lookups by name ----------------------------------------------------------------------

// The name a plug-in's old class name stands for: "DatabaseCursor" is "RecordSet" and
// "DatabaseCursorField" "DatabaseField"; withOffice adds the three office classes' old names.
string RenamedPluginClass(const string& name, bool withOffice);
// A class as registration sees it, to refuse a second class of a name: the framework's
// classes, then the plug-ins' controls and classes.
ObjectDefinition* FindPluginVisibleClass(const string& name);
// A class that a declaration, superclass or interface names: the framework's classes, then the
// plug-ins' classes and controls; nil when none has the name.
ObjectDefinition* FindClassForPlugin(const string& name);

// " in " + the current plug-in's file (or display name) + ":\r\r" + text; without a current
// plug-in ":\r\r" + text.
string PluginErrorText(const string& text);

extern "C" {
// The eight upper-case hexadecimal digits of value and a NUL, into text (9 bytes).
void FormatHex32(uint32_t value, char* text);
}
