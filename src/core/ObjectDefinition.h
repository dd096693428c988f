// Object definitions: the static description of one class of the class library or of a
// plug-in (name, superclass, instance size, properties, methods, events, event
// implementations, interfaces, initializer and finalizer). A class getter fills one definition
// on its first call; the definition becomes a run-time class only when something first needs
// it (ObjectDefinitionConverter.h).
//
// A definition owns its items. The items of a definition built from static rows share those
// rows' parameter arrays, which the definition then leaves alone when it is destroyed.
#pragma once

#include <cstdint>
#include <memory>

#include "core/TypeDescriptor.h"
#include "strings/RuntimeString.h"

// Under which compile targets a class or member exists; see AvailabilityConditionText.
struct AvailabilityRecord {
  uint8_t everyTarget = 0;
  uint8_t secondFlag = 0;
  uint8_t noGUI = 0;
  uint32_t word = 0;
  uint8_t flag = 0;
};

// A function with its export name: {function, export name, flag byte, four words}.
struct CodeRecord {
  void* toc;
  const char* exportName;
  uint8_t flag;
  uint32_t words[4];
};
static_assert(sizeof(CodeRecord) == 28, "code records are part of static rows");

// One parameter of a method (the same eight words as a parameter row of a class file).
struct ParameterRecord {
  const char* name;
  const TypeDescriptor* parameterType;
  uint8_t byRef;
  uint8_t hasDefault;
  uint32_t defaultValue;  // string record for String, 0/1 for Boolean, 0 with a class is Nil
  uint8_t paramArray;
  uint32_t words[3];
};
static_assert(sizeof(ParameterRecord) == 32, "parameter records are part of static rows");
static_assert(offsetof(ParameterRecord, defaultValue) == 12, "ParameterRecord layout");
static_assert(offsetof(ParameterRecord, paramArray) == 16, "ParameterRecord layout");

// A method row (21 words) as class files and the global-function table write them.
struct MethodRow {
  const char* name;
  const TypeDescriptor* returnType;  // nil for a Sub
  const ParameterRecord* parameters;
  int32_t parameterCount;
  CodeRecord a;  // the method
  CodeRecord b;  // its assigning form
  int32_t methodKind;  // 0 plain, 1 Extends, 2 Assigns, 3 both
  uint32_t flags;
  uint32_t word;

  // Copies with these row flags, or this kind (MethodKind).
  MethodRow Flags(uint32_t rowFlags) const {
    MethodRow row = *this;
    row.flags = rowFlags;
    return row;
  }
  MethodRow Kind(int32_t kind) const {
    MethodRow row = *this;
    row.methodKind = kind;
    return row;
  }
};
static_assert(sizeof(MethodRow) == 84, "method rows are 21 words");
static_assert(offsetof(MethodRow, a) == 16 && offsetof(MethodRow, b) == 44 &&
                  offsetof(MethodRow, methodKind) == 72,
              "MethodRow layout");

enum MethodKind : int32_t {
  kMethodPlain = 0,
  kMethodExtends = 1,
  kMethodAssigns = 2,
  kMethodExtendsAssigns = 3,
};

// userFlags and declaration flags of items.
constexpr uint32_t kItemProtected = 0x1;
constexpr uint32_t kItemReadOnly = 0x1;  // userFlags of a property without setter
constexpr uint32_t kItemSystemPropertyVirtual = 0x8;
constexpr uint32_t kItemMarked = 0x10;
constexpr uint32_t kItemPrivate = 0x20;

// Item kind of an InstanceVariable that takes no place in the property table.
constexpr int32_t kItemNotInPropertyTable = 3;

class ObjectMethod {
 public:
  AvailabilityRecord availability;
  ObjectMethod* next = nullptr;
  string name;
  string parameterText;   // stored text, used when the method has no parameter records
  string returnTypeText;  // used when there is no return type descriptor
  string declarationText;
  string alias;  // replaces the name in signature keys when not empty
  uint32_t userFlags = 0;
  MethodRow row{};  // return type, parameters, code records A and B, kind, flags, word

  bool HasFunctionA() const { return row.a.toc != nullptr; }
  bool HasFunctionB() const { return row.b.toc != nullptr; }
  // The parameter array the row came with (a definition that is not static owns it).
  const ParameterRecord* RowParameters() const {
    return resolvedParameters ? rowParameters : row.parameters;
  }
  // Puts the registered definitions in place of class names in the return and parameter types;
  // parameters are resolved in a copy of their own, since the row's array is shared.
  void ResolveClassNames();

 private:
  const ParameterRecord* rowParameters = nullptr;
  std::unique_ptr<ParameterRecord[]> resolvedParameters;
};

class InstanceVariable {
 public:
  AvailabilityRecord availability;
  InstanceVariable* next = nullptr;
  string declarationText;  // used unchanged when not empty
  string name;
  const TypeDescriptor* varType = nullptr;
  uint32_t declarationFlags = 0;
  uint32_t userFlags = 0;  // 1 when the property has no setter
  void* getter = nullptr;
  const char* getterExportName = nullptr;
  void* setter = nullptr;
  const char* setterExportName = nullptr;
  uint32_t propertyWord = 0;
  int32_t mPropertyTableIndex = -1;
  int32_t itemKind = 0;
  uint32_t word = 0;
};

class ObjectHook {
 public:
  AvailabilityRecord availability;
  ObjectHook* next = nullptr;
  string name;
  string parameterText;  // e.g. "item As FolderItem"
  string returnTypeText;
  int32_t eventIndex = 0;
  uint32_t flags = 33;
  uint32_t word = 0;
};

class ObjectHookInstance {
 public:
  ObjectHookInstance* next = nullptr;
  string name;  // of an event declared by an ancestor
  int32_t eventIndex = 0;
  void* handler = nullptr;
  const char* exportName = nullptr;
  uint32_t words[5] = {};
};

// An interface the class implements: methods[0] is unused, methods[1..count-1] hold the
// functions that implement the interface's methods in the interface's order.
struct InterfaceLink {
  InterfaceLink* next;
  ObjectDefinition* interfaceDefinition;
  void** methods;
  int32_t methodCount;
};

class ObjectDefinition {
 public:
  ObjectDefinition();
  ~ObjectDefinition();
  ObjectDefinition(const ObjectDefinition&) = delete;
  ObjectDefinition& operator=(const ObjectDefinition&) = delete;

  int32_t typeKind = kTypeKindClass;  // first word: a definition is its class's type descriptor
  AvailabilityRecord availability;
  InstanceVariable* items = nullptr;
  ObjectDefinition* super = nullptr;
  uint32_t resolutionGeneration = 0;  // interface methods resolved in this generation
  string className;
  uint8_t isStatic = 0;  // items point into static rows
  uint8_t isRoot = 0;
  int32_t mPropertyTableSize = 0;
  ObjectDefinition* nextDefinition = nullptr;
  int32_t objectSize = 24;
  int32_t index = -1;
  ObjectMethod* methods = nullptr;
  ObjectHook* hooks = nullptr;
  ObjectHookInstance* hookInstances = nullptr;
  InterfaceLink* interfaces = nullptr;
  uint8_t isInterface = 0;
  CodeRecord initializer{};
  CodeRecord finalizer{};

  const TypeDescriptor* AsType() const { return reinterpret_cast<const TypeDescriptor*>(this); }

  InstanceVariable* FirstItem() const { return items; }
  InstanceVariable* LastItem() const;
  // Replaces the item list (the definition owns the new one) and returns the definition.
  ObjectDefinition* SetItems(InstanceVariable* head);
  // Prepends a link to interfaceDefinition.
  static void AddInterface(ObjectDefinition* definition, ObjectDefinition* interfaceDefinition);
  // True when other is this definition or one of its supers.
  bool InheritsFrom(const ObjectDefinition* other) const;

  // Puts the registered definitions in place of the class names that the items' types give
  // (kTypeKindClassName); a name not registered stays as it is, still printing its name.
  void ResolveClassNames();

  // Replace the lists, deleting the old items.
  void ReplaceMethods(ObjectMethod* head);
  void ReplaceHooks(ObjectHook* head);
  void PrependHookInstance(ObjectHookInstance* instance);

  // Newest first.
  static ObjectDefinition* FirstDefinition();
};
static_assert(offsetof(ObjectDefinition, typeKind) == 0, "a definition is a type descriptor");

inline const ObjectDefinition* AsClassDefinition(const TypeDescriptor* type) {
  return reinterpret_cast<const ObjectDefinition*>(type);
}

// Clears a code record to {nil, nil, 0, 0, 0, 0, 0}.
void FunctionRecordClear(CodeRecord* record);

// The compile-target condition: "not TargetHasGUI", "true" or "TargetHasGUI".
const char* AvailabilityConditionText(const AvailabilityRecord* record);
// For a whole class: the no-GUI flag decides first up the chain, then the every-target flag.
const char* DefinitionConditionText(const ObjectDefinition* definition);
