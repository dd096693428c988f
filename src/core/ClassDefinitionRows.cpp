#include "core/ClassDefinitionRows.h"

#include "core/TypeNames.h"

namespace {

string RowText(const char* text) { return string(text); }

AvailabilityRecord AvailabilityFromFlags(uint32_t flags) {
  AvailabilityRecord record;
  record.everyTarget = (flags & kRowEveryTarget) ? 1 : 0;
  record.secondFlag = (flags & kRowSecondFlag) ? 1 : 0;
  record.noGUI = ((flags & (kRowNoGUI | kRowEveryTarget)) == (kRowNoGUI | kRowEveryTarget)) ? 1 : 0;
  return record;
}

uint32_t AttributesFromFlags(uint32_t flags) {
  return (flags & (kRowPrivate | kRowPrivateToo)) ? (kItemPrivate | kItemProtected) : 0;
}

InstanceVariable* PropertyFromRow(const PropertyRow& row) {
  auto* item = new InstanceVariable;
  item->availability = AvailabilityFromFlags(row.flags);
  item->name = RowText(row.name);
  item->varType = row.type;
  item->declarationFlags =
      AttributesFromFlags(row.flags) | ((row.flags & kRowMarked) ? kItemMarked : 0);
  item->userFlags = row.setter ? 0 : kItemReadOnly;
  item->getter = row.getter;
  item->getterExportName = row.getterExportName;
  item->setter = row.setter;
  item->setterExportName = row.setterExportName;
  item->propertyWord = row.parameterWord;
  item->word = row.word;
  return item;
}

int32_t EventsOfSuperChain(const ObjectDefinition* definition) {
  int32_t count = 0;
  for (const ObjectDefinition* d = definition->super; d; d = d->super) {
    for (const ObjectHook* hook = d->hooks; hook; hook = hook->next) ++count;
  }
  return count;
}

ObjectHook* HookFromRow(const EventRow& row, int32_t eventIndex) {
  auto* hook = new ObjectHook;
  hook->availability = AvailabilityFromFlags(row.flags);
  hook->name = RowText(row.name);
  hook->parameterText = RowText(row.parameterText);
  hook->returnTypeText = RowText(row.returnTypeText);
  hook->eventIndex = eventIndex;
  hook->word = row.word;
  return hook;
}

ObjectMethod* MethodFromRow(const MethodRow& row) {
  auto* method = new ObjectMethod;
  method->availability = AvailabilityFromFlags(row.flags);
  method->userFlags = AttributesFromFlags(row.flags);
  method->row = row;
  method->name = RowText(row.name);
  method->returnTypeText = MethodReturnTypeText(method);
  method->declarationText = MethodDeclarationText(method);
  return method;
}

// Links items made by make from rows in row order; returns the head.
template <typename Item, typename Row, typename Make>
Item* BuildList(const Row* rows, int32_t count, Make make) {
  Item* head = nullptr;
  Item** tail = &head;
  for (int32_t i = 0; rows && i < count; ++i) {
    *tail = make(rows[i], i);
    tail = &(*tail)->next;
  }
  return head;
}

}  // namespace

InstanceVariable* AddClassProperties(const PropertyRow* rows, int32_t count) {
  return BuildList<InstanceVariable>(
      rows, count, [](const PropertyRow& row, int32_t) { return PropertyFromRow(row); });
}

void AddClassHooks(ObjectDefinition* definition, const EventRow* rows, int32_t count) {
  if (!definition) return;
  const int32_t first = EventsOfSuperChain(definition);
  ObjectHook* head = BuildList<ObjectHook>(rows, count, [first](const EventRow& row, int32_t i) {
    ObjectHook* hook = HookFromRow(row, first + i);
    if (row.hookOut) *row.hookOut = hook;
    return hook;
  });
  definition->ReplaceHooks(head);
}

void AddClassMethods(ObjectDefinition* definition, const MethodRow* rows, int32_t count) {
  if (!definition) return;
  definition->ReplaceMethods(BuildList<ObjectMethod>(
      rows, count, [](const MethodRow& row, int32_t) { return MethodFromRow(row); }));
}

void AddClassEvents(ObjectDefinition* definition, const EventImplementationRow* rows,
                    int32_t count) {
  if (!definition) return;
  for (int32_t i = 0; rows && i < count; ++i) {
    auto* instance = new ObjectHookInstance;
    instance->name = RowText(rows[i].name);
    instance->handler = rows[i].function;
    instance->exportName = rows[i].exportName;
    for (int w = 0; w < 5; ++w) instance->words[w] = rows[i].words[w];
    definition->PrependHookInstance(instance);
  }
}

PropertyRow MakePropertyRow(const char* name, const TypeDescriptor* type, void* getter,
                            const char* getterName, void* setter, const char* setterName,
                            uint32_t parameterWord) {
  return {0, name, type, getter, getterName, setter, setterName, parameterWord, 0};
}

MethodRow MakeMethodRow(const char* name, const TypeDescriptor* returnType,
                        const ParameterRecord* parameters, int32_t count, CodeRecord a,
                        CodeRecord b) {
  return {name, returnType, parameters, count, a, b, kMethodPlain, 0, 0};
}

ObjectDefinition* BuildClassDefinition(ObjectDefinition* definition,
                                       const ClassDeclaration& declaration) {
  if (!definition->className.IsEmpty()) return definition;
  definition->className = declaration.name;
  definition->isStatic = 1;  // the items share the rows' parameter arrays
  definition->super = declaration.super ? declaration.super() : nullptr;
  definition->objectSize = declaration.objectSize;
  definition->isInterface = declaration.isInterface ? 1 : 0;
  definition->availability = AvailabilityFromFlags(declaration.flags);
  definition->initializer = declaration.initializer;
  definition->finalizer = declaration.finalizer;
  AddClassHooks(definition, declaration.events.rows, declaration.events.count);
  AddClassEvents(definition, declaration.eventImplementations.rows,
                 declaration.eventImplementations.count);
  definition->SetItems(AddClassProperties(declaration.properties.rows,
                                          declaration.properties.count));
  AddClassMethods(definition, declaration.methods.rows, declaration.methods.count);
  for (int32_t i = 0; i < declaration.interfaces.count; ++i) {
    ObjectDefinition::AddInterface(definition, declaration.interfaces.rows[i]());
  }
  return definition;
}

extern "C" void NoOpCallback() {}
