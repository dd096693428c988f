// Class definitions built from static rows, and their conversion into run-time classes.
#include <gtest/gtest.h>

#include "app/ExternalClasses.h"
#include "app/OtherPlatformClasses.h"
#include "controls/ControlClasses.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/EventHandlers.h"
#include "core/FieldAccessors.h"
#include "core/GlobalFunctions.h"
#include "core/IntrinsicTypes.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "core/TypeNames.h"
#include "graphics/PrinterSetupClass.h"
#include "strings/TextEncodingObjects.h"
#include "support/TestSupport.h"
#include "windows/KeyboardClass.h"
#include "windows/WindowObject.h"

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
PropertyRow gProperties[] = {{0, "Left", nullptr, Fn(uintptr_t(intGetter)), "intGetter",
                              Fn(uintptr_t(intSetter)), "intSetter", 24, 0}};
MethodRow gMethods[] = {
    {"Value", nullptr, nullptr, 0, {Fn(0x7A), "Value", 0, {}}, {Fn(0x7B), "SetValue", 0, {}},
     kMethodPlain, 0, 0},
    {"Click", nullptr, nullptr, 0, {Fn(uintptr_t(Click)), "Click", 0, {}}, {}, kMethodPlain, 0, 0},
    {"Hidden", nullptr, nullptr, 0, {}, {}, kMethodPlain, 0, 0}};
MethodRow gInterfaceMethods[] = {{"Click", nullptr, nullptr, 0, {}, {}, kMethodPlain, 0, 0},
                                 {"Reset", nullptr, nullptr, 0, {}, {}, kMethodPlain, 0, 0}};

// RowBase (two events, a property, methods, the interface Clicker of which it lacks Reset) <-
// RowLeaf (an event, an implementation of a parent's event) <- RowBelow (an implementation of
// its parent's event, no events of its own).
ObjectDefinition gClicker, gBase, gLeaf, gBelow;

void Declare(ObjectDefinition& d, const char* name, ObjectDefinition* super, int32_t size) {
  d.className = name;
  d.super = super;
  d.objectSize = size;
  d.isStatic = 1;  // the rows are static
}

ObjectDefinition* Below() {
  if (!gBelow.className.IsEmpty()) return &gBelow;
  Declare(gClicker, "Clicker", nullptr, 24);
  gClicker.isInterface = 1;
  AddClassMethods(&gClicker, gInterfaceMethods, 2);
  Declare(gBase, "RowBase", ObjectClassDefinition(), 32);
  gBase.initializer = {Fn(uintptr_t(+[](RuntimeObject*) { gCalls.push_back("init"); })), "Init",
                       0, {}};
  gProperties[0].type = IntrinsicType(kIntrinsicInteger);
  gMethods[0].returnType = IntrinsicType(kIntrinsicInteger);
  AddClassHooks(&gBase, kBaseEvents, 2);
  gBase.SetItems(AddClassProperties(gProperties, 1));
  AddClassMethods(&gBase, gMethods, 3);
  ObjectDefinition::AddInterface(&gBase, &gClicker);
  Declare(gLeaf, "RowLeaf", &gBase, 40);
  gLeaf.finalizer = {Fn(uintptr_t(+[](RuntimeObject*) { gCalls.push_back("fin"); })), "Fin", 0, {}};
  AddClassHooks(&gLeaf, kLeafEvents, 1);
  AddClassEvents(&gLeaf, kLeafImplementations, 1);
  Declare(gBelow, "RowBelow", &gLeaf, 40);
  AddClassEvents(&gBelow, kBelowImplementations, 1);
  return &gBelow;
}

// The hierarchy converted once, whichever test comes first, and what that conversion reported.
struct Conversion {
  RuntimeClass *below, *leaf, *base;
  std::vector<qvtest::CapturedReport> reports;
};
const Conversion& Converted() {
  static const Conversion conversion = [] {
    qvtest::ReportCapture capture;
    RuntimeClass* below = RuntimeClassForDefinition(Below());
    return Conversion{below, below->parentClass, below->parentClass->parentClass,
                      capture.reports()};
  }();
  return conversion;
}

// The rows number events after the parents', before any conversion.
TEST(ClassDefinitionRows, EventRowsAreNumberedAfterTheParents) {
  Below();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(gHooks[i]->eventIndex, i);
  EXPECT_EQ(Text(gHooks[1]->parameterText.Storage()), "X As Integer, Y As Integer");
}

// Converting the leaf converted its supers, once; the unimplemented method is reported once.
TEST(ClassDefinitionRows, ConvertingAClassConvertsItsSupersOnce) {
  const Conversion& c = Converted();
  EXPECT_EQ(c.base->parentClass, RuntimeClassForDefinition(ObjectClassDefinition()));
  EXPECT_EQ(RuntimeClassForDefinition(Below()), c.below);
  ASSERT_EQ(c.reports.size(), 1u);
  EXPECT_EQ(c.reports[0].extra, "RowBase does not implement Clicker.Reset");
}

// A class that declares no events reserves no numbers; implementations, by name in any case,
// fill the event table and are inherited.
TEST(ClassDefinitionRows, EventTablesHoldTheImplementationsOfEveryLevel) {
  const Conversion& c = Converted();
  EXPECT_EQ(std::tuple(c.base->eventCount, c.leaf->eventCount, c.below->eventCount),
            std::tuple(2, 3, 3));
  EXPECT_EQ(c.below->eventTable[0].vector, Fn(0x0BE1));
  EXPECT_EQ(c.below->eventTable[2].vector, Fn(0xAC));
  EXPECT_EQ(c.leaf->eventTable[2].vector, nullptr);
}

// Named methods and properties, with keys of their signatures; a row without a function is none.
TEST(ClassDefinitionRows, MethodsAndPropertiesAreKeyedByTheirSignatures) {
  const Conversion& c = Converted();
  ASSERT_EQ(c.base->namedMethodCount, 3);
  EXPECT_EQ(Text(c.base->namedMethodTable[0].key), "Value%i4%o<RowBase>");
  EXPECT_EQ(Text(c.base->namedMethodTable[1].key), "=Value%%o<RowBase>i4");
  EXPECT_EQ(Text(c.base->namedMethodTable[2].key), "Click%%o<RowBase>");
  ASSERT_EQ(c.below->propertyCount, 1);
  EXPECT_EQ(Text(c.below->propertyTable[0].key), "Left%i4%");
}

TEST(ClassDefinitionRows, ObjectsRunInitializersFinalizersAndPropertyAccessors) {
  const Conversion& c = Converted();
  gCalls.clear();
  RuntimeObject* object = NewObjectFromDefinition(Below());
  ASSERT_NE(object, nullptr);
  using Setter = void (*)(RuntimeObject*, uint32_t, int32_t);
  using Getter = int32_t (*)(RuntimeObject*, uint32_t);
  reinterpret_cast<Setter>(c.below->propertyTable[0].setter)(object, 24, 1234);
  EXPECT_EQ(reinterpret_cast<Getter>(c.below->propertyTable[0].getter)(object, 24), 1234);
  RuntimeUnlockObject(object);
  EXPECT_EQ(gCalls, (std::vector<std::string>{"init", "fin"}));
}

// Objects are what they inherit, and their interface's missing method reports when called.
TEST(ClassDefinitionRows, ObjectsTakeInheritedHandlersAndInterfaces) {
  const Conversion& c = Converted();
  qvtest::ReportCapture capture;
  RuntimeObject* object = NewObjectFromDefinition(Below());
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(LookupEventHandler(object, gHooks[2]), Fn(0xAC));
  const InterfaceTableEntry& entry = InterfaceEntries(c.below)[0];
  EXPECT_TRUE(ObjectIsaDefinition(object, &gClicker));
  EXPECT_EQ(RuntimeLookupInterfaceVtable(object, entry.interfaceClass), entry.methods);
  EXPECT_EQ(entry.methods[0].function, Fn(uintptr_t(Click)));
  EXPECT_TRUE(capture.empty());
  reinterpret_cast<void (*)()>(entry.methods[1].function)();
  EXPECT_EQ(capture.count(), 1u) << "the missing method's call";
  RuntimeUnlockObject(object);
  EXPECT_EQ(NewObjectFromDefinition(nullptr), nullptr);
  EXPECT_EQ(capture.count(), 2u) << "the nil definition";
}

// A definition whose tables cannot be built gives no class, and neither do its subclasses.
TEST(ClassDefinitionRows, ADefinitionThatFailsItsChecksGivesNoClass) {
  static ObjectDefinition flagged, below;
  Declare(flagged, "RowFlagged", nullptr, 24);
  static MethodRow rows[] = {{"Width", nullptr, nullptr, 0, {Fn(0x3D), "W", 0, {}}, {}, kMethodPlain,
                              0, 0}};
  AddClassMethods(&flagged, rows, 1);
  flagged.methods->userFlags |= kItemSystemPropertyVirtual;
  Declare(below, "RowBelowFlagged", &flagged, 24);
  qvtest::ReportCapture capture;
  EXPECT_EQ(RuntimeClassForDefinition(&flagged), nullptr);
  EXPECT_TRUE(capture.HasCondition("0 == (item->userFlags & systemPropertyVirtual)"));
  EXPECT_EQ(NewObjectFromDefinition(&below), nullptr);
  EXPECT_TRUE(capture.HasCondition("super"));
}

TEST(ClassDefinitionRows, RowsBuildItemsAndMethodsWithTheirFlagsAndTexts) {
  const PropertyRow rows[] = {{0x804, "NoGui", nullptr, Fn(1), "g", Fn(2), "s", 0, 0},
                              {0x8, "Second", nullptr, Fn(1), "g", nullptr, nullptr, 0, 0},
                              {0x12000, nullptr, nullptr, Fn(1), "g", Fn(2), "s", 7, 9}};
  ObjectDefinition holder;  // owns and frees the items
  holder.SetItems(AddClassProperties(rows, 3));
  InstanceVariable* items[] = {holder.items, holder.items->next, holder.items->next->next};
  EXPECT_STREQ(AvailabilityConditionText(&items[0]->availability), "not TargetHasGUI");
  EXPECT_STREQ(AvailabilityConditionText(&items[1]->availability), "TargetHasGUI");
  EXPECT_EQ(items[1]->userFlags, kItemReadOnly);
  EXPECT_EQ(items[2]->declarationFlags, kItemPrivate | kItemProtected | kItemMarked);
  EXPECT_EQ(items[2]->word, 9u);
  ObjectDefinition definition;
  definition.isStatic = 1;  // the parameter rows below are not the definition's to free
  ParameterRow params[] = {{"caption", IntrinsicType(kIntrinsicString), 0, 0, 0, 0, {}}};
  const MethodRow methods[] = {
      {"Append", IntrinsicType(kIntrinsicInteger), params, 1, {Fn(1), "A", 0, {}}, {},
       kMethodPlain, 0x10004, 77},
      {"Clear", nullptr, nullptr, 0, {Fn(2), "C", 0, {}}, {}, kMethodPlain, 0, 0}};
  AddClassMethods(&definition, methods, 2);
  EXPECT_EQ(Text(definition.methods->declarationText.Storage()),
            "Private Function Append(caption As String) As Integer");
  EXPECT_EQ(Text(definition.methods->next->declarationText.Storage()), "Sub Clear()");
}

// A class declared as a table: its rows name their functions once, its types by intrinsic
// record or by class name, resolved when the definition is converted.
extern "C" RuntimeObject* DeclaredPeer(RuntimeObject*, RuntimeObject* other, int32_t) {
  return other;
}
extern "C" void DeclaredInit(RuntimeObject* object) { RuntimeLockObject(object); }
ObjectHook* gDeclaredHook;

using namespace lang;
const PropertyRow kDeclaredProperties[] = {
    QV_PROPERTY("Count", Integer, intGetter, intSetter, 24).Flags(kRowPrivate),
    QV_READONLY("Partner", Class<"DeclaredRow">, objGetter, 28),
    QV_VARIABLE("__qvf_mImp", Ptr),
};
const MethodRow kDeclaredMethods[] = {
    QV_FUNCTION("Peer", Class<"DeclaredRow">, DeclaredPeer, Param("other", Class<"DeclaredRow">),
                Param(Integer).Default(3)),
    QV_ABSTRACT("Later", Class<"NotYetAClass">, Param(Class<"NotYetAClass">).ByRef()),
};
const EventRow kDeclaredEvents[] = {QV_EVENT("Changed", &gDeclaredHook, "by As Integer")};

QV_CLASS(DeclaredRowDefinition,
         .name = "DeclaredRow",
         .super = ObjectClassDefinition,
         .objectSize = 32,
         .properties = kDeclaredProperties,
         .methods = kDeclaredMethods,
         .events = kDeclaredEvents,
         .initializer = QV_CODE(DeclaredInit))

TEST(ClassDefinitionRows, DeclaredClassesResolveClassNamesWhenConverted) {
  ObjectDefinition* definition = DeclaredRowDefinition();
  ASSERT_EQ(DeclaredRowDefinition(), definition);  // built once
  EXPECT_EQ(definition->super, ObjectClassDefinition());
  EXPECT_EQ(definition->initializer.toc, reinterpret_cast<void*>(&DeclaredInit));
  EXPECT_STREQ(definition->initializer.exportName, "DeclaredInit");
  const ObjectMethod* peer = definition->methods;
  EXPECT_EQ(Text(peer->declarationText.Storage()),
            "Function Peer(other As DeclaredRow, p2 As Integer=3) As DeclaredRow");
  EXPECT_STREQ(peer->row.a.exportName, "DeclaredPeer");
  RegisterClassDefinition(definition);
  RuntimeClass* cls = RuntimeClassForDefinition(definition);
  ASSERT_NE(cls, nullptr);
  // Registered names became the definition; the rows themselves still name the class.
  EXPECT_EQ(peer->row.returnType, definition->AsType());
  EXPECT_EQ(peer->row.parameters[0].parameterType, definition->AsType());
  EXPECT_EQ(kDeclaredMethods[0].parameters[0].parameterType->kind, kTypeKindClassName);
  EXPECT_EQ(definition->items->next->varType, definition->AsType());
  // A name not registered stays a name and prints as one.
  const ObjectMethod* later = peer->next;
  EXPECT_EQ(later->row.returnType->kind, kTypeKindClassName);
  EXPECT_EQ(Text(MethodSignatureKey(later, nullptr, false).Storage()),
            "Later%o<NotYetAClass>%&o<NotYetAClass>");
  EXPECT_EQ(Text(cls->namedMethodTable[0].key),
            "Peer%o<DeclaredRow>%o<DeclaredRow>o<DeclaredRow>i4");
  ASSERT_EQ(cls->propertyCount, 3);  // the plain variable too
  EXPECT_EQ(Text(cls->propertyTable[1].key), "Partner%o<DeclaredRow>%");
  EXPECT_EQ(definition->items->declarationFlags, kItemPrivate | kItemProtected);
  EXPECT_EQ(definition->items->next->userFlags, kItemReadOnly);
  EXPECT_EQ(gDeclaredHook->eventIndex, 0);
}

// The global-function table names classes that register after it is built; they resolve
// when the table is next read.
TEST(ClassDefinitionRows, GlobalFunctionsResolveClassesRegisteredLater) {
  RuntimeInitExternalClasses();
  const MethodRow* isNull = LookupGlobalFunction("IsNull");
  ASSERT_NE(isNull, nullptr);
  EXPECT_EQ(isNull->parameters[0].parameterType, ObjectClassDefinition()->AsType());
  EXPECT_EQ(LookupGlobalFunction("Encoding")->returnType, TextEncodingClassDefinition()->AsType());
  EXPECT_EQ(LookupGlobalFunction("Window")->returnType, WindowClassDefinition()->AsType());
  EXPECT_EQ(LookupGlobalFunction("GetNamedObjectDescriptor")->returnType,
            AppleEventObjectSpecifierClassDefinition()->AsType());
  EXPECT_EQ(LookupGlobalFunction("Keyboard")->returnType, KeyboardClassDefinition()->AsType());
  EXPECT_EQ(LookupGlobalFunction("OpenPrinter")->parameters[0].parameterType,
            PrinterSetupClassDefinition()->AsType());
  // No global function names a class still to come any more; a name never registered stays
  // a name, as DeclaredClassesResolveClassNamesWhenConverted shows with its own row.
}

}  // namespace
