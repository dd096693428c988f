// Class definitions built from static rows, and their conversion into run-time classes.
#include <gtest/gtest.h>

#include "app/FieldAccessors.h"
#include "app/IntrinsicTypes.h"
#include "controls/ClassDefinitionRows.h"
#include "controls/ControlClasses.h"
#include "core/ClassRegistry.h"
#include "core/EventHandlers.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "support/TestSupport.h"

namespace {

std::string Text(stringStorage* s) { return stringStorage::CString(s); }
void* Fn(uintptr_t n) { return reinterpret_cast<void*>(n); }

std::vector<std::string> gCalls;
void Click() {}
ObjectHook* gHooks[3];
const EventRow kBaseEvents[] = {{0, "Open", nullptr, nullptr, &gHooks[0], 0},
                                {0, "MouseDown", "X As Integer, Y As Integer", "Boolean", &gHooks[1], 0}};
const EventRow kLeafEvents[] = {{0, "Action", nullptr, nullptr, &gHooks[2], 0}};
const EventImplementationRow kLeafImplementations[] = {{"open", Fn(0x0BE1), "LeafOpen", {}}};
const EventImplementationRow kBelowImplementations[] = {{"Action", Fn(0xAC), "BelowAction", {}}};
PropertyRow gProperties[] = {{0, "Left", nullptr, Fn(uintptr_t(intGetter)), "intGetter", Fn(uintptr_t(intSetter)), "intSetter", 24, 0}};
MethodRow gMethods[] = {
    {"Value", nullptr, nullptr, 0, {Fn(0x7A), "Value", 0, {}}, {Fn(0x7B), "SetValue", 0, {}}, kMethodPlain, 0, 0},
    {"Click", nullptr, nullptr, 0, {Fn(uintptr_t(Click)), "Click", 0, {}}, {}, kMethodPlain, 0, 0},
    {"Hidden", nullptr, nullptr, 0, {}, {}, kMethodPlain, 0, 0}};
MethodRow gInterfaceMethods[] = {{"Click", nullptr, nullptr, 0, {}, {}, kMethodPlain, 0, 0},
                                 {"Reset", nullptr, nullptr, 0, {}, {}, kMethodPlain, 0, 0}};

// RowBase (two events, a property, methods, the interface Clicker of which it lacks Reset) <-
// RowLeaf (an event, an implementation of a parent's event) <- RowBelow (an implementation of
// its parent's event, no events of its own).
ObjectDefinition gClicker, gBase, gLeaf, gBelow;

ObjectDefinition* Below() {
  if (!gBelow.className.IsEmpty()) return &gBelow;
  gClicker.className = "Clicker", gClicker.isInterface = 1, gClicker.isStatic = 1;
  AddClassMethods(&gClicker, gInterfaceMethods, 2);
  gBase.className = "RowBase", gBase.super = ObjectClassDefinition(), gBase.objectSize = 32, gBase.isStatic = 1;
  gBase.initializer = {Fn(uintptr_t(+[](RuntimeObject*) { gCalls.push_back("init"); })), "Init", 0, {}};
  gProperties[0].type = IntrinsicType(kIntrinsicInteger), gMethods[0].returnType = IntrinsicType(kIntrinsicInteger);
  AddClassHooks(&gBase, kBaseEvents, 2);
  gBase.SetItems(AddClassProperties(gProperties, 1));
  AddClassMethods(&gBase, gMethods, 3);
  ObjectDefinition::AddInterface(&gBase, &gClicker);
  gLeaf.className = "RowLeaf", gLeaf.super = &gBase, gLeaf.objectSize = 40, gLeaf.isStatic = 1;
  gLeaf.finalizer = {Fn(uintptr_t(+[](RuntimeObject*) { gCalls.push_back("fin"); })), "Fin", 0, {}};
  AddClassHooks(&gLeaf, kLeafEvents, 1);
  AddClassEvents(&gLeaf, kLeafImplementations, 1);
  gBelow.className = "RowBelow", gBelow.super = &gLeaf, gBelow.objectSize = 40;
  AddClassEvents(&gBelow, kBelowImplementations, 1);
  return &gBelow;
}

TEST(ClassDefinitionRows, AHierarchyConvertsIntoRunTimeClasses) {
  qvtest::ReportCapture capture;
  Below();  // the rows number events after the parents', before any conversion
  for (int i = 0; i < 3; ++i) EXPECT_EQ(gHooks[i]->eventIndex, i);
  RuntimeClass* below = RuntimeClassForDefinition(Below());
  ASSERT_NE(below, nullptr);
  RuntimeClass *leaf = below->parentClass, *base = leaf->parentClass;
  // Converting the leaf converted its supers, once; the unimplemented method is reported once.
  EXPECT_TRUE(base->parentClass == RuntimeClassForDefinition(ObjectClassDefinition()) &&
              RuntimeClassForDefinition(Below()) == below);
  ASSERT_TRUE(capture.count() == 1 && capture.reports()[0].extra == "RowBase does not implement Clicker.Reset");
  EXPECT_EQ(Text(below->className) + std::to_string(below->instanceSize), "RowBelow40");
  // Events are numbered after the parents'; a class that declares none reserves no numbers.
  EXPECT_EQ(Text(gHooks[1]->parameterText.Storage()) + " " + Text(gHooks[1]->returnTypeText.Storage()), "X As Integer, Y As Integer Boolean");
  EXPECT_EQ(base->eventCount * 100 + leaf->eventCount * 10 + below->eventCount, 233);
  // Implementations, by name in any case, fill the event table and are inherited.
  EXPECT_TRUE(below->eventTable[0].vector == Fn(0x0BE1) && below->eventTable[2].vector == Fn(0xAC) &&
              leaf->eventTable[2].vector == nullptr && base->eventTable[0].vector == nullptr &&
              Text(below->eventTable[1].name) == "MouseDown");
  // Named methods and properties, with keys of their signatures; a row without a function is none.
  ASSERT_EQ(base->namedMethodCount, 3);
  EXPECT_EQ(Text(base->namedMethodTable[0].key) + " " + Text(base->namedMethodTable[1].key) + " " +
                Text(base->namedMethodTable[2].key), "Value%i4%o<RowBase> =Value%%o<RowBase>i4 Click%%o<RowBase>");
  ASSERT_TRUE(below->propertyCount == 1 && Text(below->propertyTable[0].key) == "Left%i4%");
  // Objects run initializers and finalizers, their property accessors work, they are what they
  // inherit, and their interface's missing method reports when called.
  RuntimeObject* object = NewObjectFromDefinition(Below());
  reinterpret_cast<void (*)(RuntimeObject*, uint32_t, int32_t)>(below->propertyTable[0].setter)(object, 24, 1234);
  EXPECT_EQ(reinterpret_cast<int32_t (*)(RuntimeObject*, uint32_t)>(below->propertyTable[0].getter)(object, 24), 1234);
  EXPECT_EQ(LookupEventHandler(object, gHooks[2]), Fn(0xAC));
  const InterfaceTableEntry& entry = InterfaceEntries(below)[0];
  EXPECT_TRUE(ObjectIsaDefinition(object, &gClicker) && ObjectIsaDefinition(object, &gBase) &&
              RuntimeLookupInterfaceVtable(object, entry.interfaceClass) == entry.methods);
  EXPECT_TRUE(entry.methods[0].function == Fn(uintptr_t(Click)) && Text(entry.methods[0].key) == "Click%%o<RowBase>");
  reinterpret_cast<void (*)()>(entry.methods[1].function)();
  RuntimeUnlockObject(object);
  EXPECT_EQ(gCalls, (std::vector<std::string>{"init", "fin"}));
  EXPECT_EQ(NewObjectFromDefinition(nullptr), nullptr);
  EXPECT_EQ(capture.count(), 3u) << "the missing method's call and the nil definition";
}

TEST(ClassDefinitionRows, RowsBuildItemsWithTheirFlagsAndTexts) {
  const PropertyRow rows[] = {{0x804, "NoGui", nullptr, Fn(1), "g", Fn(2), "s", 0, 0},
                              {0x8, "Second", nullptr, Fn(1), "g", nullptr, nullptr, 0, 0},
                              {0x12000, nullptr, nullptr, Fn(1), "g", Fn(2), "s", 7, 9}};
  ObjectDefinition holder;  // owns and frees the items
  holder.SetItems(AddClassProperties(rows, 3));
  InstanceVariable* items[] = {holder.items, holder.items->next, holder.items->next->next};
  EXPECT_EQ(std::string(AvailabilityConditionText(&items[0]->availability)) + "|" +
                AvailabilityConditionText(&items[1]->availability), "not TargetHasGUI|TargetHasGUI");
  EXPECT_TRUE(items[1]->userFlags == kItemReadOnly && items[0]->userFlags == 0u && items[2]->name.IsEmpty());
  EXPECT_TRUE(items[2]->declarationFlags == (kItemPrivate | kItemProtected | kItemMarked) && items[2]->word == 9u);
  ObjectDefinition definition;
  definition.isStatic = 1;  // the parameter rows below are not the definition's to free
  ParameterRow params[] = {{"caption", IntrinsicType(kIntrinsicString), 0, 0, 0, 0, {}}};
  const MethodRow methods[] = {{"Append", IntrinsicType(kIntrinsicInteger), params, 1, {Fn(1), "A", 0, {}}, {}, kMethodPlain, 0x10004, 77},
                               {"Clear", nullptr, nullptr, 0, {Fn(2), "C", 0, {}}, {}, kMethodPlain, 0, 0}};
  AddClassMethods(&definition, methods, 2);
  EXPECT_EQ(Text(definition.methods->declarationText.Storage()) + "|" + Text(definition.methods->next->declarationText.Storage()),
            "Private Function Append(caption As String) As Integer|Sub Clear()");
  const EventImplementationRow events[] = {{"First", Fn(1), "F", {1, 2, 3, 4, 5}}, {"Second", Fn(2), "S", {}}};
  AddClassEvents(&definition, events, 2);
  EXPECT_EQ(Text(definition.hookInstances->name.Storage()) + Text(definition.hookInstances->next->name.Storage()), "SecondFirst");
}

TEST(ControlClasses, GettersBuildOnceAndRegister) {
  ObjectDefinition *object = ObjectClassDefinition(), *paneChild = PaneChildClassDefinition();
  EXPECT_TRUE(ObjectClassDefinition() == object && PaneChildClassDefinition() == paneChild);
  EXPECT_TRUE(Text(object->className.Storage()) == "Object" && object->objectSize == 24 && paneChild->isInterface == 1);
  std::string names;
  for (ObjectMethod* m = paneChild->methods; m; m = m->next) names += Text(m->name.Storage()) + "|";
  EXPECT_EQ(names, "_SetWindow|Window|_Index|_SetIndex|");
  const ObjectMethod* index = paneChild->methods->next->next;
  EXPECT_EQ(Text(index->declarationText.Storage()) + "|" + Text(index->next->declarationText.Storage()),
            "Function _Index() As Integer|Sub _SetIndex(index As Integer)");
  RegisterControlClasses();
  EXPECT_TRUE(LookupClassDefinition(string("OBJECT")) == object && LookupClassDefinition(string("_panechild")) == paneChild);
  EXPECT_EQ(RuntimeLookupClass(string("_PaneChild").Storage())->isAnInterface, 1);
}

}  // namespace
