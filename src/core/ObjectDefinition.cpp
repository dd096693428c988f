#include "core/ObjectDefinition.h"

#include <cstring>

#include "core/ClassRegistry.h"
#include "core/Memory.h"
#include "core/RuntimeError.h"

namespace {

ObjectDefinition* gFirstDefinition = nullptr;

template <typename Item>
void DeleteList(Item* head) {
  while (head) {
    Item* next = head->next;
    delete head;
    head = next;
  }
}

void DeleteMethods(ObjectMethod* head, bool rowsAreStatic) {
  while (head) {
    ObjectMethod* next = head->next;
    if (!rowsAreStatic) delete[] head->RowParameters();
    delete head;
    head = next;
  }
}

void DeleteInterfaceLinks(InterfaceLink* head) {
  while (head) {
    InterfaceLink* next = head->next;
    OSfree(head->methods);
    delete head;
    head = next;
  }
}

}  // namespace

ObjectDefinition::ObjectDefinition() {
  FunctionRecordClear(&initializer);
  FunctionRecordClear(&finalizer);
  nextDefinition = gFirstDefinition;
  gFirstDefinition = this;
}

ObjectDefinition::~ObjectDefinition() {
  DeleteList(items);
  DeleteMethods(methods, isStatic != 0);
  DeleteList(hooks);
  DeleteList(hookInstances);
  DeleteInterfaceLinks(interfaces);
  ObjectDefinition** link = &gFirstDefinition;
  while (*link && *link != this) link = &(*link)->nextDefinition;
  if (*link) *link = nextDefinition;
}

ObjectDefinition* ObjectDefinition::FirstDefinition() { return gFirstDefinition; }

InstanceVariable* ObjectDefinition::LastItem() const {
  InstanceVariable* item = items;
  while (item && item->next) item = item->next;
  return item;
}

ObjectDefinition* ObjectDefinition::SetItems(InstanceVariable* head) {
  if (head != items) DeleteList(items);
  items = head;
  return this;
}

void ObjectDefinition::AddInterface(ObjectDefinition* definition,
                                    ObjectDefinition* interfaceDefinition) {
  if (!QV_CHECK_TEXT(definition, "defn", nullptr)) return;
  definition->interfaces = new InterfaceLink{definition->interfaces, interfaceDefinition,
                                             nullptr, 0};
}

bool ObjectDefinition::InheritsFrom(const ObjectDefinition* other) const {
  for (const ObjectDefinition* d = this; d; d = d->super) {
    if (d == other) return true;
  }
  return false;
}

void ObjectMethod::ResolveClassNames() {
  row.returnType = ResolvedType(row.returnType);
  bool named = false;
  for (int32_t i = 0; row.parameters && i < row.parameterCount; ++i) {
    named = named || IsClassNameType(row.parameters[i].parameterType);
  }
  if (!named) return;
  if (!resolvedParameters) {
    resolvedParameters = std::make_unique<ParameterRecord[]>(row.parameterCount);
    for (int32_t i = 0; i < row.parameterCount; ++i) resolvedParameters[i] = row.parameters[i];
    rowParameters = row.parameters;
    row.parameters = resolvedParameters.get();
  }
  ResolveParameterTypes(resolvedParameters.get(), row.parameterCount);
}

void ObjectDefinition::ResolveClassNames() {
  for (InstanceVariable* item = items; item; item = item->next) {
    item->varType = ResolvedType(item->varType);
  }
  for (ObjectMethod* method = methods; method; method = method->next) method->ResolveClassNames();
}

void ObjectDefinition::ReplaceMethods(ObjectMethod* head) {
  if (head != methods) DeleteMethods(methods, isStatic != 0);
  methods = head;
}

void ObjectDefinition::ReplaceHooks(ObjectHook* head) {
  if (head != hooks) DeleteList(hooks);
  hooks = head;
}

void ObjectDefinition::PrependHookInstance(ObjectHookInstance* instance) {
  instance->next = hookInstances;
  hookInstances = instance;
}

void FunctionRecordClear(CodeRecord* record) { std::memset(record, 0, sizeof(*record)); }

const char* AvailabilityConditionText(const AvailabilityRecord* record) {
  if (!QV_CHECK_TEXT(record, "obj", nullptr)) return "";
  if (record->noGUI) return "not TargetHasGUI";
  if (record->everyTarget) return "true";
  return "TargetHasGUI";
}

const char* DefinitionConditionText(const ObjectDefinition* definition) {
  if (!QV_CHECK_TEXT(definition, "obj", nullptr)) return "";
  for (const ObjectDefinition* d = definition; d; d = d->super) {
    if (d->availability.noGUI) return "not TargetHasGUI";
  }
  for (const ObjectDefinition* d = definition; d; d = d->super) {
    if (d->availability.everyTarget) return "true";
  }
  return "TargetHasGUI";
}
