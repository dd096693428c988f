#include "app/PluginMembers.h"

#include <cstring>
#include <unordered_map>

#include "app/PluginDeclarations.h"
#include "app/PluginRegistry.h"
#include "core/FieldAccessors.h"
#include "core/IntrinsicTypes.h"
#include "core/RuntimeError.h"
#include "core/TypeNames.h"

namespace {

// Every event entry filled, with the event built for it; kept for the life of the process.
std::unordered_map<const PluginEventEntry*, ObjectHook*>& BuiltEvents() {
  static auto* built = new std::unordered_map<const PluginEventEntry*, ObjectHook*>;
  return *built;
}

// The generic accessors of one kind of field.
struct GenericAccessors {
  void* getter;
  void* setter;
  void* invalidatingSetter;  // for controls that redraw when the property changes
  uint32_t fieldSize;
};

bool IsIntrinsic(const TypeDescriptor* type, IntrinsicTypeIndex index) {
  return type == IntrinsicType(index);
}

// A Single or Double field gets the accessors of its own width: the integer pair would hand
// compiled code a word where it reads a real.
GenericAccessors AccessorsFor(const TypeDescriptor* type) {
  const PluginClassLibrary& library = CurrentPluginClassLibrary();
  if (IsIntrinsic(type, kIntrinsicString))
    return {reinterpret_cast<void*>(&stringGetter), reinterpret_cast<void*>(&stringSetter),
            library.stringInvalidateSetter, 4};
  if (IsIntrinsic(type, kIntrinsicBoolean))
    return {reinterpret_cast<void*>(&boolGetter), reinterpret_cast<void*>(&boolSetter),
            library.boolInvalidateSetter, 1};
  if (IsIntrinsic(type, kIntrinsicSingle))
    return {reinterpret_cast<void*>(&singleGetter), reinterpret_cast<void*>(&singleSetter), nullptr,
            4};
  if (IsIntrinsic(type, kIntrinsicDouble))
    return {reinterpret_cast<void*>(&doubleGetter), reinterpret_cast<void*>(&doubleSetter), nullptr,
            8};
  if (type->kind == kTypeKindClass)
    return {reinterpret_cast<void*>(&objGetter), reinterpret_cast<void*>(&objSetter),
            library.objInvalidateSetter, 4};
  return {reinterpret_cast<void*>(&intGetter), reinterpret_cast<void*>(&intSetter),
          library.intInvalidateSetter, 4};
}

// "Color", "Integer", "Boolean", "Single", "Double" and "String" are the intrinsic types; any
// other name is a class.
const TypeDescriptor* PropertyTypeByName(const char* name) {
  static constexpr struct {
    const char* name;
    IntrinsicTypeIndex type;
  } kNames[] = {{"Color", kIntrinsicColor},     {"Integer", kIntrinsicInteger},
                {"Boolean", kIntrinsicBoolean}, {"Single", kIntrinsicSingle},
                {"Double", kIntrinsicDouble},   {"String", kIntrinsicString}};
  if (!name) return nullptr;
  for (const auto& entry : kNames) {
    if (string(name).Compare(string(entry.name)) == 0) return IntrinsicType(entry.type);
  }
  ObjectDefinition* definition = FindClassForPlugin(string(name));
  return definition ? definition->AsType() : nullptr;
}

void ReportRow(const char* what, const char* name) {
  const string text = string(what) + PluginErrorText(string(name ? name : ""));
  QV_FAIL(text.CString());
}

bool IsDefaultAccessor(const void* word) {
  return reinterpret_cast<uintptr_t>(word) == kPluginDefaultAccessor;
}

InstanceVariable* PropertyFromRow(const PluginPropertyRow& row, const PluginFieldLayout& layout) {
  const TypeDescriptor* type = PropertyTypeByName(row.typeName);
  if (!type) {
    const char* typeName = row.typeName ? row.typeName : "";
    ReportRow((string("Unknown type \"") + string(typeName) + string("\"")).CString(), row.name);
    return nullptr;
  }
  const GenericAccessors generic = AccessorsFor(type);
  const bool defaultField = IsDefaultAccessor(row.getter) || IsDefaultAccessor(row.setter);
  // Checked in 64 bits: the offset a plug-in gives must not wrap into the object's header.
  const int64_t end = int64_t(row.parameter) + generic.fieldSize;
  if (int64_t(row.parameter) + layout.base > int64_t(INT32_MAX) ||
      (defaultField && layout.dataSize >= 0 && end > layout.dataSize)) {
    ReportRow("A property's field lies outside the plug-in's data", row.name);
    return nullptr;
  }
  auto* item = new InstanceVariable;
  item->name = string(row.name);
  item->varType = type;
  item->declarationFlags =
      kItemMarked | ((row.flags & kPluginPropertyProtected) ? kItemProtected : 0);
  item->getter = IsDefaultAccessor(row.getter) ? generic.getter : row.getter;
  void* setter = generic.setter;
  if (layout.control && (row.flags & kPluginPropertyInvalidates) && generic.invalidatingSetter)
    setter = generic.invalidatingSetter;
  item->setter = IsDefaultAccessor(row.setter) ? setter : row.setter;
  item->userFlags = item->setter ? 0 : kItemReadOnly;
  item->propertyWord = row.parameter + layout.base;
  return item;
}

// Appends item to the list whose head is *head.
template <typename Item>
void Append(Item** head, Item* item) {
  while (*head) head = &(*head)->next;
  *head = item;
}

ObjectMethod* MethodFromEntry(const PluginMethodEntry& entry) {
  PluginDeclaration declaration;
  string message;
  if (!ParsePluginMethodDeclaration(entry.declaration, &declaration, &message)) {
    QV_FAIL(message.CString());
    return nullptr;
  }
  auto* method = new ObjectMethod;
  method->name = declaration.name;
  method->row.name = PluginPooledText(declaration.name.CString());
  method->row.returnType = declaration.returnType;
  method->row.parameterCount = declaration.parameterCount;
  method->row.parameters = declaration.parameters.release();
  method->row.a.toc = PluginFunction(entry.function);
  method->row.b.toc = PluginFunction(entry.setter);
  method->row.methodKind = declaration.MethodKind();
  method->returnTypeText = MethodReturnTypeText(method);
  method->declarationText = MethodDeclarationText(method);
  return method;
}

bool HasEventNamed(const ObjectDefinition* definition, const string& name) {
  for (const ObjectHook* hook = definition->hooks; hook; hook = hook->next) {
    if (hook->name.Compare(name) == 0) return true;
  }
  return false;
}

bool ListGiven(const void* list, int32_t count, const char* condition) {
  return count <= 0 || QV_CHECK_TEXT(list, condition, nullptr);
}

}  // namespace

void* PluginFunction(const void* word) {
  const uintptr_t value = reinterpret_cast<uintptr_t>(word);
  return value == 0 || value == kPluginDefaultAccessor ? nullptr : const_cast<void*>(word);
}

PluginMethodEntry PluginMethodEntryAt(const void* entries, int32_t index, int32_t recordVersion) {
  const bool wide = recordVersion >= kPluginLongMethodEntriesFrom;
  const uint32_t stride = wide ? sizeof(PluginMethodEntry) : kPluginShortMethodEntry;
  PluginMethodEntry entry{};
  std::memcpy(&entry, static_cast<const uint8_t*>(entries) + uint32_t(index) * stride, stride);
  return entry;
}

void AddPluginProperties(ObjectDefinition* definition, const PluginPropertyRow* rows, int32_t count,
                         const PluginFieldLayout& layout) {
  if (!definition || !ListGiven(rows, count, "properties || propertyCount == 0")) return;
  for (int32_t i = 0; i < count; ++i) {
    if (InstanceVariable* item = PropertyFromRow(rows[i], layout)) Append(&definition->items, item);
  }
}

void AddPluginMethods(ObjectDefinition* definition, const void* entries, int32_t count,
                      int32_t recordVersion) {
  if (!definition || !ListGiven(entries, count, "methods || methodCount == 0")) return;
  for (int32_t i = 0; i < count; ++i) {
    const PluginMethodEntry entry = PluginMethodEntryAt(entries, i, recordVersion);
    if (!QV_CHECK_TEXT(entry.declaration, "plugin and defn and meth", nullptr)) continue;
    if (ObjectMethod* method = MethodFromEntry(entry)) Append(&definition->methods, method);
  }
}

void AddPluginEvents(ObjectDefinition* definition, PluginEventEntry* entries, int32_t count) {
  if (!definition || !ListGiven(entries, count, "events || eventCount == 0")) return;
  for (int32_t i = 0; i < count; ++i) {
    PluginDeclaration declaration;
    string message;
    if (!ParsePluginMethodDeclaration(entries[i].declaration, &declaration, &message)) {
      QV_FAIL(message.CString());
      continue;
    }
    const string duplicate =
        string("Duplicate name found while trying to build class events.  Matched names are: ") +
        declaration.name;
    if (!QV_CHECK_TEXT(!HasEventNamed(definition, declaration.name), "tail->name != h->name",
                       duplicate.CString()))
      continue;
    auto* hook = new ObjectHook;
    hook->name = declaration.name;
    hook->parameterText = declaration.parameterText;
    hook->returnTypeText = declaration.returnTypeText;
    Append(&definition->hooks, hook);
    entries[i].event = hook;
    BuiltEvents()[&entries[i]] = hook;
  }
}

ObjectHook* PluginEventBuiltFor(const PluginEventEntry* entry) {
  const auto found = BuiltEvents().find(entry);
  return found == BuiltEvents().end() ? nullptr : found->second;
}

void AddPluginEventHandlers(ObjectDefinition* definition, const PluginEventHandler* handlers,
                            int32_t count) {
  if (!definition || !ListGiven(handlers, count, "eventHandlers || eventHandlerCount == 0")) return;
  for (int32_t i = 0; i < count; ++i) {
    auto* instance = new ObjectHookInstance;
    instance->name = string(handlers[i].eventName);
    instance->handler = PluginFunction(handlers[i].function);
    definition->PrependHookInstance(instance);
  }
}
