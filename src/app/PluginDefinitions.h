// The records a plug-in library hands to the registration callbacks: static tables in the
// plug-in's own memory, read in place and never written, except the one word per event entry
// that receives the event built from it (the plug-in later names the event by that word).
// Their layouts are the plug-in interface and never change.
//
// Methods, events and property accessors are described by declaration texts in the language's
// syntax ("Find(name As String) As Window"; see PluginDeclarations.h).
#pragma once

#include <cstddef>
#include <cstdint>

class ObjectHook;

// A getter, setter or method word of all ones: for an accessor, the generic accessor of the
// property's type; for a method, no function.
inline constexpr uintptr_t kPluginDefaultAccessor = 0xFFFFFFFF;

// A property: its name and type name, flags, accessors and the field it lives in.
struct PluginPropertyRow {
  uint32_t word0 = 0;
  const char* name = nullptr;
  // "Integer", "String", "Boolean", "Color", "Single", "Double", or the name of a class
  const char* typeName = nullptr;
  uint32_t flags = 0;      // kPluginPropertyInvalidates, kPluginPropertyProtected
  void* getter = nullptr;  // nil: none; all ones: the generic getter of the type
  void* setter = nullptr;  // the same for the setter
  uint32_t parameter = 0;  // handed to the accessors: the field's offset in the plug-in's data
  uint32_t words[3] = {};
};
static_assert(sizeof(PluginPropertyRow) == 40 && offsetof(PluginPropertyRow, parameter) == 24);

constexpr uint32_t kPluginPropertyInvalidates = 0x1;  // a control's generic setter redraws it
constexpr uint32_t kPluginPropertyProtected = 0x2;

// The rows of a version-1 control: name, type name, flags, field offset; generic accessors.
struct PluginPropertyRowV1 {
  uint32_t word0 = 0;
  const char* name = nullptr;
  const char* typeName = nullptr;
  uint32_t flags = 0;
  uint32_t parameter = 0;
};
static_assert(sizeof(PluginPropertyRowV1) == 20);

// A method: its function, its assigning form (nil or all ones: none) and its declaration.
// Records of version 6 and below list 12-byte entries, later ones 16-byte entries.
struct PluginMethodEntry {
  void* function = nullptr;
  void* setter = nullptr;
  const char* declaration = nullptr;
  uint32_t word = 0;  // 16-byte entries only
};
static_assert(sizeof(PluginMethodEntry) == 16 && offsetof(PluginMethodEntry, declaration) == 8);
constexpr uint32_t kPluginShortMethodEntry = 12;
constexpr int32_t kPluginLongMethodEntriesFrom = 7;

// An event the class raises: its declaration, and the word that receives the event built.
struct PluginEventEntry {
  const char* declaration = nullptr;
  ObjectHook* event = nullptr;
};
static_assert(sizeof(PluginEventEntry) == 8);

// The plug-in's own handler of an event that a superclass declares.
struct PluginEventHandler {
  const char* eventName = nullptr;
  void* function = nullptr;
};
static_assert(sizeof(PluginEventHandler) == 8);

struct PluginClassDefinition {
  int32_t version = 0;
  const char* name = nullptr;
  const char* superName = nullptr;  // empty or nil: none
  uint32_t dataSize = 0;            // bytes of plug-in data after the object header
  uint32_t word4 = 0;
  void* constructor = nullptr;
  void* destructor = nullptr;
  const PluginPropertyRow* properties = nullptr;
  int32_t propertyCount = 0;
  const void* methods = nullptr;  // PluginMethodEntry rows of 12 or 16 bytes
  int32_t methodCount = 0;
  PluginEventEntry* events = nullptr;
  int32_t eventCount = 0;
  const PluginEventHandler* eventHandlers = nullptr;
  int32_t eventHandlerCount = 0;
  const char* interfaces = nullptr;  // names separated by ","; nil or empty: none
  uint32_t words16to20[5] = {};
  // Read from version 9 on.
  const PluginPropertyRow* moreProperties = nullptr;
  int32_t morePropertyCount = 0;
  const void* moreMethods = nullptr;
  int32_t moreMethodCount = 0;
};
static_assert(sizeof(PluginClassDefinition) == 25 * 4 &&
              offsetof(PluginClassDefinition, interfaces) == 60 &&
              offsetof(PluginClassDefinition, moreProperties) == 84);
constexpr int32_t kPluginMoreMembersFrom = 9;

struct PluginInterfaceDefinition {
  int32_t version = 0;
  const char* name = nullptr;
  const void* methods = nullptr;
  int32_t methodCount = 0;
};

struct PluginModuleDefinition {
  int32_t version = 0;
  const char* name = nullptr;
  const void* methods = nullptr;
  int32_t methodCount = 0;
};

struct PluginExtensionDefinition {
  int32_t version = 0;
  const char* className = nullptr;
  uint32_t words2to6[5] = {};
  const PluginPropertyRow* properties = nullptr;
  int32_t propertyCount = 0;
  const void* methods = nullptr;
  int32_t methodCount = 0;
  PluginEventEntry* events = nullptr;
  int32_t eventCount = 0;
};
static_assert(sizeof(PluginExtensionDefinition) == 13 * 4 &&
              offsetof(PluginExtensionDefinition, properties) == 28);

// A control, version 3 and later. Words 4, 5 and 15 are not read; 6 and 7 are its default
// size.
struct PluginControlDefinition {
  int32_t version = 0;
  const char* name = nullptr;
  uint32_t dataSize = 0;  // bytes of plug-in data after the control's own fields
  uint32_t flags = 0;     // kPluginControlIsControl; pane options (0x80, 0x100) and the like
  uint32_t word4 = 0;
  uint32_t word5 = 0;
  int32_t defaultWidth = 0;
  int32_t defaultHeight = 0;
  const PluginPropertyRow* properties = nullptr;
  int32_t propertyCount = 0;
  const void* methods = nullptr;
  int32_t methodCount = 0;
  PluginEventEntry* events = nullptr;
  int32_t eventCount = 0;
  void* const* behaviour = nullptr;  // entry 0 constructor, 1 destructor, the others the pane's
  uint32_t word15 = 0;
  const PluginEventHandler* eventHandlers = nullptr;
  int32_t eventHandlerCount = 0;
  const char* interfaces = nullptr;  // names separated by ","
};
static_assert(sizeof(PluginControlDefinition) == 19 * 4 &&
              offsetof(PluginControlDefinition, properties) == 32 &&
              offsetof(PluginControlDefinition, behaviour) == 56 &&
              offsetof(PluginControlDefinition, eventHandlers) == 64);
constexpr uint32_t kPluginControlIsControl = 0x4;  // superclass Control, else RectControl
constexpr int32_t kPluginBehaviourConstructor = 0;
constexpr int32_t kPluginBehaviourDestructor = 1;

// A version-1 control: the layout above without the default size (words 6 and 7), its
// property rows of five words.
struct PluginControlDefinitionV1 {
  int32_t version = 0;
  const char* name = nullptr;
  uint32_t dataSize = 0;
  uint32_t flags = 0;
  uint32_t word4 = 0;
  uint32_t word5 = 0;
  const PluginPropertyRowV1* properties = nullptr;
  int32_t propertyCount = 0;
  const void* methods = nullptr;
  int32_t methodCount = 0;
  PluginEventEntry* events = nullptr;
  int32_t eventCount = 0;
  void* const* behaviour = nullptr;
  uint32_t word13 = 0;
  const PluginEventHandler* eventHandlers = nullptr;
  int32_t eventHandlerCount = 0;
  const char* interfaces = nullptr;
};
static_assert(sizeof(PluginControlDefinitionV1) == 17 * 4);

// A global method. A plug-in of version 1 names its function by index into its export table
// (RegisterPluginExports: rows of three words, the function in the second).
struct PluginMethodDefinition {
  void* function = nullptr;  // version 1: the index of the export row
  void* setter = nullptr;
  const char* declaration = nullptr;
};
static_assert(sizeof(PluginMethodDefinition) == 12);

struct PluginExportRow {
  const char* name = nullptr;
  void* function = nullptr;
  uint32_t word = 0;
};
static_assert(sizeof(PluginExportRow) == 12);
