// Class definitions built from static rows, and their conversion into run-time classes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/FieldAccessors.h"
#include "app/IntrinsicTypes.h"
#include "controls/ClassDefinitionRows.h"
#include "controls/ControlClasses.h"
#include "core/ClassRegistry.h"
#include "core/EventHandlers.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "core/TypeNames.h"
#include "support/TestSupport.h"

namespace {

std::string Text(const string& s) { return std::string(s.CString(), s.Length()); }
std::string Text(stringStorage* s) { return Text(string(s)); }
void* Fn(uintptr_t n) { return reinterpret_cast<void*>(n); }

std::vector<std::string> gCalls;
void BaseInitializer(RuntimeObject*) { gCalls.push_back("init base"); }
void LeafInitializer(RuntimeObject*) { gCalls.push_back("init leaf"); }
void LeafFinalizer(RuntimeObject*) { gCalls.push_back("fin leaf"); }
void ClickImplementation() {}

// --- A three-level hierarchy from static rows ----------------------------------------------

ObjectHook* gBaseHooks[5];
ObjectHook* gMidHooks[2];

const EventRow kBaseEvents[] = {
    {0, "Open", nullptr, nullptr, &gBaseHooks[0], 0},
    {0, "Close", nullptr, nullptr, &gBaseHooks[1], 0},
    {0, "MouseDown", "X As Integer, Y As Integer", "Boolean", &gBaseHooks[2], 0},
    {0, "MouseUp", "X As Integer, Y As Integer", nullptr, &gBaseHooks[3], 0},
    {0, "KeyDown", "Key As String", "Boolean", &gBaseHooks[4], 0},
};
const EventRow kMidEvents[] = {
    {0, "Action", nullptr, nullptr, &gMidHooks[0], 0},
    {0, "Change", nullptr, nullptr, &gMidHooks[1], 0},
};
const EventImplementationRow kMidImplementations[] = {
    {"open", Fn(0x0BE1), "MidOpen", {}},
};
const EventImplementationRow kLeafImplementations[] = {
    {"Close", Fn(0xC1), "LeafClose", {}},
    {"Action", Fn(0xAC), "LeafAction", {}},
};

PropertyRow gBaseProperties[] = {
    {0, "Left", nullptr, reinterpret_cast<void*>(intGetter), "intGetter",
     reinterpret_cast<void*>(intSetter), "intSetter", 24, 0},
    {0, "Title", nullptr, reinterpret_cast<void*>(stringGetter), "stringGetter",
     reinterpret_cast<void*>(stringSetter), "stringSetter", 28, 0},
};
PropertyRow gMidProperties[] = {
    {0, "Width", nullptr, reinterpret_cast<void*>(intGetter), "intGetter", nullptr, nullptr, 32, 0},
};

MethodRow gBaseMethods[] = {
    {"Show", nullptr, nullptr, 0, {Fn(0x5A), "BaseShow", 0, {}}, {}, kMethodPlain, 0, 0},
    {"Value", nullptr, nullptr, 0, {Fn(0x7A), "BaseValue", 0, {}}, {Fn(0x7B), "BaseValueSet", 0, {}},
     kMethodPlain, 0, 0},
    {"Hidden", nullptr, nullptr, 0, {}, {}, kMethodPlain, 0, 0},
};
MethodRow gMidMethods[] = {
    {"Click", nullptr, nullptr, 0, {reinterpret_cast<void*>(ClickImplementation), "MidClick", 0, {}},
     {}, kMethodPlain, 0, 0},
};
MethodRow gInterfaceMethods[] = {
    {"Click", nullptr, nullptr, 0, {}, {}, kMethodPlain, 0, 0},
    {"Reset", nullptr, nullptr, 0, {}, {}, kMethodPlain, 0, 0},
};

ObjectDefinition* ClickerDefinition() {
  static ObjectDefinition definition;
  if (!definition.className.IsEmpty()) return &definition;
  definition.className = "Clicker";
  definition.isInterface = 1;
  AddClassMethods(&definition, gInterfaceMethods, 2);
  definition.isStatic = 1;
  return &definition;
}

ObjectDefinition* BaseDefinition() {
  static ObjectDefinition definition;
  if (!definition.className.IsEmpty()) return &definition;
  definition.className = "RowBase";
  definition.super = ObjectClassDefinition();
  definition.objectSize = 32;
  definition.initializer = {reinterpret_cast<void*>(BaseInitializer), "BaseInit", 0, {}};
  gBaseProperties[0].type = IntrinsicType(kIntrinsicInteger);
  gBaseProperties[1].type = IntrinsicType(kIntrinsicString);
  gBaseMethods[1].returnType = IntrinsicType(kIntrinsicInteger);
  AddClassHooks(&definition, kBaseEvents, 5);
  definition.SetItems(AddClassProperties(gBaseProperties, 2));
  AddClassMethods(&definition, gBaseMethods, 3);
  definition.isStatic = 1;
  return &definition;
}

ObjectDefinition* MidDefinition() {
  static ObjectDefinition definition;
  if (!definition.className.IsEmpty()) return &definition;
  definition.className = "RowMid";
  definition.super = BaseDefinition();
  definition.objectSize = 40;
  gMidProperties[0].type = IntrinsicType(kIntrinsicInteger);
  AddClassHooks(&definition, kMidEvents, 2);
  AddClassEvents(&definition, kMidImplementations, 1);
  definition.SetItems(AddClassProperties(gMidProperties, 1));
  AddClassMethods(&definition, gMidMethods, 1);
  definition.isStatic = 1;
  ObjectDefinition::AddInterface(&definition, ClickerDefinition());
  return &definition;
}

ObjectDefinition* LeafDefinition() {
  static ObjectDefinition definition;
  if (!definition.className.IsEmpty()) return &definition;
  definition.className = "RowLeaf";
  definition.super = MidDefinition();
  definition.objectSize = 40;
  definition.initializer = {reinterpret_cast<void*>(LeafInitializer), "LeafInit", 0, {}};
  definition.finalizer = {reinterpret_cast<void*>(LeafFinalizer), "LeafFin", 0, {}};
  AddClassEvents(&definition, kLeafImplementations, 2);
  definition.isStatic = 1;
  return &definition;
}

// Conversion reports Clicker's unimplemented Reset; whichever test converts first hears it.
class DefinitionHierarchyTest : public ::testing::Test {
 protected:
  qvtest::ReportCapture capture;
};

TEST_F(DefinitionHierarchyTest, EventsAreNumberedAfterTheParents) {
  LeafDefinition();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(gBaseHooks[i]->eventIndex, i);
  EXPECT_EQ(gMidHooks[0]->eventIndex, 5);
  EXPECT_EQ(gMidHooks[1]->eventIndex, 6);
  EXPECT_EQ(Text(gBaseHooks[2]->parameterText), "X As Integer, Y As Integer");
  EXPECT_EQ(Text(gBaseHooks[2]->returnTypeText), "Boolean");
  EXPECT_TRUE(gBaseHooks[0]->parameterText.IsEmpty());
  EXPECT_EQ(gBaseHooks[0]->flags, 33u);

  // RowLeaf declares no events and reserves no numbers: its subclass goes on from 7.
  // (Converted definitions live as long as the process, like every class getter's.)
  static ObjectDefinition below;
  below.className = "RowBelowLeaf";
  below.super = LeafDefinition();
  ObjectHook* hook = nullptr;
  const EventRow rows[] = {{0, "Extra", nullptr, nullptr, &hook, 0}};
  AddClassHooks(&below, rows, 1);
  ASSERT_NE(hook, nullptr);
  EXPECT_EQ(hook->eventIndex, 7);
  EXPECT_EQ(RuntimeClassForDefinition(&below)->eventCount, 8);
  EXPECT_EQ(hook->eventIndex, 7);
}

TEST_F(DefinitionHierarchyTest, ConvertingTheLeafConvertsItsSupersOnce) {
  RuntimeClass* leaf = RuntimeClassForDefinition(LeafDefinition());
  ASSERT_NE(leaf, nullptr);
  RuntimeClass* mid = RuntimeClassForDefinition(MidDefinition());
  RuntimeClass* base = RuntimeClassForDefinition(BaseDefinition());
  RuntimeClass* object = RuntimeClassForDefinition(ObjectClassDefinition());
  EXPECT_EQ(leaf->parentClass, mid);
  EXPECT_EQ(mid->parentClass, base);
  EXPECT_EQ(base->parentClass, object);
  EXPECT_EQ(object->parentClass, nullptr);
  EXPECT_EQ(RuntimeClassForDefinition(LeafDefinition()), leaf);
  EXPECT_EQ(Text(leaf->className), "RowLeaf");
  EXPECT_EQ(leaf->instanceSize, 40);
  EXPECT_EQ(object->instanceSize, 24);
  EXPECT_EQ(leaf->destructor, nullptr);
  EXPECT_EQ(leaf->isAnInterface, 0);
  EXPECT_EQ(RuntimeClassForDefinition(ClickerDefinition())->isAnInterface, 1);
}

TEST_F(DefinitionHierarchyTest, UnimplementedInterfaceMethodIsReportedOncePerConversion) {
  static ObjectDefinition iface;
  iface.className = "Resetter";
  iface.isInterface = 1;
  iface.isStatic = 1;
  AddClassMethods(&iface, gInterfaceMethods, 2);
  static ObjectDefinition implementer;
  implementer.className = "HalfResetter";
  implementer.super = MidDefinition();
  ObjectDefinition::AddInterface(&implementer, &iface);
  RuntimeClassForDefinition(MidDefinition());
  capture.clear();
  RuntimeClass* cls = RuntimeClassForDefinition(&implementer);
  ASSERT_NE(cls, nullptr);
  ASSERT_EQ(capture.count(), 1u);
  EXPECT_EQ(capture.reports()[0].code, kErrorInvalidClassDefinition);
  EXPECT_EQ(capture.reports()[0].extra, "HalfResetter does not implement Resetter.Reset");
  // Its own interface entry follows the one inherited from RowMid.
  ASSERT_EQ(cls->interfaceCount, 2);
  EXPECT_EQ(InterfaceEntries(cls)[1].methods[0].function,
            reinterpret_cast<void*>(ClickImplementation));
  RuntimeClassForDefinition(&implementer);
  EXPECT_EQ(capture.count(), 1u);
}

TEST_F(DefinitionHierarchyTest, EventTablesHoldNamesAndInstalledHandlers) {
  RuntimeClass* base = RuntimeClassForDefinition(BaseDefinition());
  RuntimeClass* mid = RuntimeClassForDefinition(MidDefinition());
  RuntimeClass* leaf = RuntimeClassForDefinition(LeafDefinition());
  EXPECT_EQ(base->eventCount, 5);
  EXPECT_EQ(mid->eventCount, 7);
  EXPECT_EQ(leaf->eventCount, 7);
  const char* names[] = {"Open", "Close", "MouseDown", "MouseUp", "KeyDown", "Action", "Change"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(Text(leaf->eventTable[i].name), names[i]);
  // Mid implements its parent's Open; the leaf inherits that and adds Close and Action.
  EXPECT_EQ(base->eventTable[0].vector, nullptr);
  EXPECT_EQ(mid->eventTable[0].vector, Fn(0x0BE1));
  EXPECT_EQ(leaf->eventTable[0].vector, Fn(0x0BE1));
  EXPECT_EQ(leaf->eventTable[1].vector, Fn(0xC1));
  EXPECT_EQ(leaf->eventTable[5].vector, Fn(0xAC));
  EXPECT_EQ(mid->eventTable[5].vector, nullptr);

  RuntimeObject* object = NewObjectFromDefinition(LeafDefinition());
  EXPECT_EQ(LookupEventHandler(object, gMidHooks[0]), Fn(0xAC));
  EXPECT_EQ(LookupEventHandler(object, gMidHooks[1]), nullptr);
  RuntimeUnlockObject(object);
}

TEST_F(DefinitionHierarchyTest, NamedMethodsAndProperties) {
  RuntimeClass* base = RuntimeClassForDefinition(BaseDefinition());
  RuntimeClass* leaf = RuntimeClassForDefinition(LeafDefinition());
  ASSERT_EQ(base->namedMethodCount, 3);  // Show, Value, =Value; Hidden has no function
  EXPECT_EQ(Text(base->namedMethodTable[0].key), "Show%%o<RowBase>");
  EXPECT_EQ(base->namedMethodTable[0].function, Fn(0x5A));
  EXPECT_EQ(Text(base->namedMethodTable[1].key), "Value%i4%o<RowBase>");
  EXPECT_EQ(Text(base->namedMethodTable[2].key), "=Value%%o<RowBase>i4");
  EXPECT_EQ(base->namedMethodTable[2].function, Fn(0x7B));
  ASSERT_EQ(leaf->namedMethodCount, 4);
  EXPECT_EQ(Text(leaf->namedMethodTable[3].key), "Click%%o<RowMid>");
  EXPECT_EQ(leaf->methodCount, 0);  // library classes add no method-table entries

  ASSERT_EQ(leaf->propertyCount, 3);
  EXPECT_EQ(Text(leaf->propertyTable[0].key), "Left%i4%");
  EXPECT_EQ(Text(leaf->propertyTable[1].key), "Title%s%");
  EXPECT_EQ(Text(leaf->propertyTable[2].key), "Width%i4%");
  EXPECT_EQ(leaf->propertyTable[2].word, 32u);
  EXPECT_EQ(leaf->propertyTable[2].setter, nullptr);
  EXPECT_EQ(MidDefinition()->mPropertyTableSize, 3);
  EXPECT_EQ(MidDefinition()->items->mPropertyTableIndex, 2);

  // The property table's accessors work on objects of the class.
  RuntimeObject* object = NewObjectFromDefinition(LeafDefinition());
  auto setter = reinterpret_cast<void (*)(RuntimeObject*, uint32_t, int32_t)>(
      leaf->propertyTable[0].setter);
  auto getter = reinterpret_cast<int32_t (*)(RuntimeObject*, uint32_t)>(
      leaf->propertyTable[0].getter);
  setter(object, leaf->propertyTable[0].word, 1234);
  EXPECT_EQ(getter(object, leaf->propertyTable[0].word), 1234);
  RuntimeUnlockObject(object);
}

TEST_F(DefinitionHierarchyTest, InterfacesGetTablesAndUnimplementedSlotsReport) {
  RuntimeClass* leaf = RuntimeClassForDefinition(LeafDefinition());
  RuntimeClass* clicker = RuntimeClassForDefinition(ClickerDefinition());
  ASSERT_EQ(leaf->interfaceCount, 1);
  const InterfaceTableEntry& entry = InterfaceEntries(leaf)[0];
  EXPECT_EQ(entry.interfaceClass, clicker);
  ASSERT_EQ(entry.methodCount, 2);
  EXPECT_EQ(entry.methods[0].function, reinterpret_cast<void*>(ClickImplementation));
  EXPECT_EQ(Text(entry.methods[0].key), "Click%%o<RowMid>");
  ASSERT_NE(entry.methods[1].function, nullptr);
  EXPECT_EQ(entry.methods[1].function, reinterpret_cast<void*>(UnimplementedInterfaceMethod));

  RuntimeObject* object = NewObjectFromDefinition(LeafDefinition());
  capture.clear();
  EXPECT_TRUE(ObjectIsaDefinition(object, ClickerDefinition()));
  EXPECT_TRUE(ObjectIsaDefinition(object, BaseDefinition()));
  EXPECT_FALSE(ObjectIsaDefinition(nullptr, BaseDefinition()));
  EXPECT_EQ(RuntimeLookupInterfaceVtable(object, clicker), entry.methods);
  reinterpret_cast<void (*)()>(entry.methods[1].function)();
  EXPECT_EQ(capture.count(), 1u);
  RuntimeUnlockObject(object);
}

TEST_F(DefinitionHierarchyTest, ObjectsRunInitializersAndFinalizers) {
  gCalls.clear();
  RuntimeObject* object = NewObjectFromDefinition(LeafDefinition());
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(gCalls, (std::vector<std::string>{"init base", "init leaf"}));
  gCalls.clear();
  RuntimeUnlockObject(object);
  EXPECT_EQ(gCalls, std::vector<std::string>{"fin leaf"});
  capture.clear();
  EXPECT_EQ(NewObjectFromDefinition(nullptr), nullptr);
  EXPECT_TRUE(capture.HasCondition("defn"));
}

// --- The builders on their own -------------------------------------------------------------

TEST(RowBuilderTest, PropertyRowFlags) {
  const PropertyRow rows[] = {
      {0x4, "Every", nullptr, Fn(1), "g", Fn(2), "s", 0, 0},
      {0x804, "NoGui", nullptr, Fn(1), "g", Fn(2), "s", 0, 0},
      {0x8, "Second", nullptr, Fn(1), "g", nullptr, nullptr, 0, 0},
      {0x4000, "Hidden", nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},
      {0x12000, nullptr, nullptr, Fn(1), "g", Fn(2), "s", 7, 9},
  };
  InstanceVariable* head = AddClassProperties(rows, 5);
  std::vector<InstanceVariable*> items;
  for (InstanceVariable* i = head; i; i = i->next) items.push_back(i);
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[0]->availability.everyTarget, 1);
  EXPECT_EQ(items[0]->availability.noGUI, 0);
  EXPECT_STREQ(AvailabilityConditionText(&items[0]->availability), "true");
  EXPECT_EQ(items[1]->availability.noGUI, 1);
  EXPECT_STREQ(AvailabilityConditionText(&items[1]->availability), "not TargetHasGUI");
  EXPECT_EQ(items[2]->availability.secondFlag, 1);
  EXPECT_STREQ(AvailabilityConditionText(&items[2]->availability), "TargetHasGUI");
  EXPECT_EQ(items[2]->userFlags, kItemReadOnly);
  EXPECT_EQ(items[0]->userFlags, 0u);
  EXPECT_EQ(items[3]->declarationFlags, kItemPrivate | kItemProtected);
  EXPECT_EQ(items[3]->getter, nullptr);  // a plain instance variable
  EXPECT_EQ(items[4]->declarationFlags, kItemPrivate | kItemProtected | kItemMarked);
  EXPECT_TRUE(items[4]->name.IsEmpty());
  EXPECT_EQ(items[4]->propertyWord, 7u);
  EXPECT_EQ(items[4]->word, 9u);
  EXPECT_EQ(items[4]->mPropertyTableIndex, -1);
  EXPECT_EQ(AddClassProperties(rows, 0), nullptr);
  ObjectDefinition holder;
  holder.SetItems(head);  // owns and frees them
}

TEST(RowBuilderTest, EventImplementationsEndUpInReverseOrder) {
  ObjectDefinition definition;
  const EventImplementationRow rows[] = {
      {"First", Fn(1), "F", {1, 2, 3, 4, 5}},
      {"Second", Fn(2), "S", {}},
  };
  AddClassEvents(&definition, rows, 2);
  ASSERT_NE(definition.hookInstances, nullptr);
  EXPECT_EQ(Text(definition.hookInstances->name), "Second");
  EXPECT_EQ(Text(definition.hookInstances->next->name), "First");
  EXPECT_EQ(definition.hookInstances->next->words[4], 5u);
  EXPECT_EQ(definition.hookInstances->next->next, nullptr);
}

TEST(RowBuilderTest, MethodItemsKeepTheRowAndTheirTexts) {
  ObjectDefinition definition;
  definition.isStatic = 1;  // the parameter rows below are not the definition's to free
  ParameterRow params[] = {{"caption", IntrinsicType(kIntrinsicString), 0, 0, 0, 0, {}}};
  const MethodRow rows[] = {
      {"Append", IntrinsicType(kIntrinsicInteger), params, 1, {Fn(1), "A", 0, {}}, {},
       kMethodPlain, 0x10004, 77},
      {"Clear", nullptr, nullptr, 0, {Fn(2), "C", 0, {}}, {}, kMethodPlain, 0, 0},
  };
  AddClassMethods(&definition, rows, 2);
  ObjectMethod* append = definition.methods;
  ASSERT_NE(append, nullptr);
  EXPECT_EQ(Text(append->declarationText),
            "Private Function Append(caption As String) As Integer");
  EXPECT_EQ(Text(append->returnTypeText), "Integer");
  EXPECT_EQ(append->row.word, 77u);
  EXPECT_EQ(append->availability.everyTarget, 1);
  EXPECT_EQ(Text(append->next->declarationText), "Sub Clear()");
  // A second build replaces the list rather than adding to it.
  AddClassMethods(&definition, rows, 1);
  EXPECT_EQ(definition.methods->next, nullptr);
}

// --- Object, _PaneChild and the registration -----------------------------------------------

TEST(ControlClassesTest, GettersBuildOnceAndRegister) {
  ObjectDefinition* object = ObjectClassDefinition();
  EXPECT_EQ(ObjectClassDefinition(), object);
  EXPECT_EQ(Text(object->className), "Object");
  EXPECT_EQ(object->objectSize, 24);
  EXPECT_EQ(object->super, nullptr);
  EXPECT_EQ(object->isStatic, 1);

  ObjectDefinition* paneChild = PaneChildClassDefinition();
  ObjectMethod* first = paneChild->methods;
  EXPECT_EQ(PaneChildClassDefinition(), paneChild);
  EXPECT_EQ(paneChild->methods, first);  // still the one set of items
  EXPECT_EQ(paneChild->isInterface, 1);
  std::vector<std::string> names;
  for (ObjectMethod* m = paneChild->methods; m; m = m->next) names.push_back(Text(m->name));
  EXPECT_EQ(names, (std::vector<std::string>{"_SetWindow", "Window", "_Index", "_SetIndex"}));
  EXPECT_EQ(Text(paneChild->methods->next->next->declarationText), "Function _Index() As Integer");
  EXPECT_EQ(Text(paneChild->methods->next->next->next->declarationText),
            "Sub _SetIndex(index As Integer)");

  RegisterControlClasses();
  EXPECT_EQ(LookupClassDefinition(string("OBJECT")), object);
  EXPECT_EQ(LookupClassDefinition(string("_panechild")), paneChild);
  const string name("_PaneChild");
  RuntimeClass* cls = RuntimeLookupClass(name.Storage());
  ASSERT_NE(cls, nullptr);
  EXPECT_EQ(cls->isAnInterface, 1);
  EXPECT_EQ(RuntimeLookupClass(name.Storage()), cls);
}

TEST(ControlClassesTest, NoOpCallbackDoesNothing) {
  qvtest::ReportCapture capture;
  NoOpCallback();
  EXPECT_TRUE(capture.empty());
}

}  // namespace
