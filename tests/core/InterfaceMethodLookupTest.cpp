// Finding an object's interface method by name, and the one-byte class test.
#include <gtest/gtest.h>

#include "TestClasses.h"
#include "core/ClassDefinitionRows.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "support/TestSupport.h"

using qvtest::MakeClass;
using qvtest::NewName;
using namespace lang;

namespace {

const MethodRow kProviderMethods[] = {QV_ABSTRACT("GetString", String)};
QV_CLASS(LookupProviderDefinition, .name = "LookupStringProvider", .methods = kProviderMethods,
         .isInterface = true)
QV_CLASS(LookupOtherDefinition, .name = "LookupOtherInterface", .isInterface = true)

stringStorage* LookupBaseGetString(RuntimeObject*) { return nullptr; }
const MethodRow kBaseMethods[] = {QV_FUNCTION("GetString", String, LookupBaseGetString)};
const ClassGetter kBaseInterfaces[] = {LookupProviderDefinition};
QV_CLASS(LookupBaseDefinition, .name = "LookupBase", .methods = kBaseMethods,
         .interfaces = kBaseInterfaces)
QV_CLASS(LookupSubDefinition, .name = "LookupSub", .super = LookupBaseDefinition)

// One function behind two methods, the interface naming the second.
const MethodRow kActingMethods[] = {QV_ABSTRACT("Act", nullptr)};
QV_CLASS(LookupActingDefinition, .name = "LookupActing", .methods = kActingMethods,
         .isInterface = true)
void LookupSharedRun(RuntimeObject*) {}
const MethodRow kSharedMethods[] = {QV_SUB("Run", LookupSharedRun),
                                    QV_SUB("Act", LookupSharedRun)};
const ClassGetter kSharedInterfaces[] = {LookupActingDefinition};
QV_CLASS(LookupSharedDefinition, .name = "LookupShared", .methods = kSharedMethods,
         .interfaces = kSharedInterfaces)

void* Word(uintptr_t value) { return reinterpret_cast<void*>(value); }

// Fills cls's interface entry index with interface and one function per key, as compiled
// code lays them out.
void Implement(RuntimeClass* cls, int32_t index, RuntimeClass* interface,
               std::initializer_list<std::pair<uintptr_t, const char*>> methods) {
  InterfaceTableEntry& slot = InterfaceEntries(cls)[index];
  slot.interfaceClass = interface;
  slot.methodCount = int32_t(methods.size());
  slot.methods = RuntimeNewVtable(slot.methodCount);
  int32_t i = 0;
  for (const auto& [function, key] : methods) slot.methods[i++] = {Word(function), NewName(key)};
}

RuntimeObject* NewInstance(RuntimeClass* cls) { return RuntimeNewObject(cls); }

void* Lookup(RuntimeObject* object, const char* name) {
  return LookupInterfaceMethod(object, LookupProviderDefinition(), name);
}

// Names are compared after the first '.', before the first '%', ignoring case.
TEST(InterfaceMethodLookupTest, NamesAreComparedWithoutPrefixAndSignature) {
  RuntimeClass* provider = RuntimeClassForDefinition(LookupProviderDefinition());
  ASSERT_NE(provider, nullptr);
  RuntimeClass* cls = MakeClass(nullptr, "LookupNames", 0, {0, 1, 0, 0, 0});
  Implement(cls, 0, provider,
            {{0x100, "StringProvider.GetString%s"},
             {0x200, "Plain"},
             {0x300, "X.Y.Z"},
             {0x400, "Prov.Owned%%o<Mod.Owner>"}});
  RuntimeObject* object = NewInstance(cls);
  EXPECT_EQ(Lookup(object, "GetString"), Word(0x100));
  EXPECT_EQ(Lookup(object, "getstring"), Word(0x100));
  EXPECT_EQ(Lookup(object, "GetStr"), nullptr);
  EXPECT_EQ(Lookup(object, "plain"), Word(0x200));
  EXPECT_EQ(Lookup(object, "Y.Z"), Word(0x300));
  EXPECT_EQ(Lookup(object, "Z"), nullptr);
  EXPECT_EQ(Lookup(object, "Owned"), Word(0x400));  // the '.' in the signature is not a prefix
  RuntimeUnlockObject(object);
}

// A class that lists the interface twice (its own entry after an inherited one) uses the last.
TEST(InterfaceMethodLookupTest, LastEntryOfTheInterfaceWins) {
  RuntimeClass* provider = RuntimeClassForDefinition(LookupProviderDefinition());
  RuntimeClass* other = RuntimeClassForDefinition(LookupOtherDefinition());
  RuntimeClass* cls = MakeClass(nullptr, "LookupTwice", 0, {0, 3, 0, 0, 0});
  Implement(cls, 0, provider, {{0x10, "P.GetString%s"}});
  Implement(cls, 1, provider, {{0x20, "P.GetString%s"}});
  Implement(cls, 2, other, {{0x30, "P.GetString%s"}});
  RuntimeObject* object = NewInstance(cls);
  EXPECT_EQ(Lookup(object, "GetString"), Word(0x20));
  EXPECT_EQ(LookupInterfaceMethod(object, LookupOtherDefinition(), "GetString"), Word(0x30));
  RuntimeUnlockObject(object);
}

TEST(InterfaceMethodLookupTest, NothingForOtherClassesOrNil) {
  RuntimeClass* other = RuntimeClassForDefinition(LookupOtherDefinition());
  RuntimeClass* cls = MakeClass(nullptr, "LookupWithout", 0, {0, 1, 0, 0, 0});
  Implement(cls, 0, other, {{0x40, "GetString"}});
  RuntimeObject* object = NewInstance(cls);
  EXPECT_EQ(Lookup(object, "GetString"), nullptr);
  EXPECT_EQ(Lookup(nullptr, "GetString"), nullptr);
  RuntimeUnlockObject(object);
}

// The byte form answers for the class, its subclasses and the interfaces they implement.
TEST(InterfaceMethodLookupTest, ClassTestAnswersOneByte) {
  RuntimeObject* base = NewObjectFromDefinition(LookupBaseDefinition());
  RuntimeObject* sub = NewObjectFromDefinition(LookupSubDefinition());
  ASSERT_NE(base, nullptr);
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(ObjectIsaDefinitionByte(base, LookupBaseDefinition()), 1);
  EXPECT_EQ(ObjectIsaDefinitionByte(base, LookupSubDefinition()), 0);
  EXPECT_EQ(ObjectIsaDefinitionByte(sub, LookupBaseDefinition()), 1);
  EXPECT_EQ(ObjectIsaDefinitionByte(sub, LookupProviderDefinition()), 1);
  EXPECT_EQ(ObjectIsaDefinitionByte(base, LookupOtherDefinition()), 0);
  EXPECT_EQ(ObjectIsaDefinitionByte(nullptr, LookupBaseDefinition()), 0);
  EXPECT_EQ(ObjectIsaDefinitionByte(base, nullptr), 0);  // no class: no instance of it
  // A converted class's table is found the same way, inherited by the subclass.
  EXPECT_EQ(Lookup(sub, "getString"), reinterpret_cast<void*>(&LookupBaseGetString));
  RuntimeUnlockObject(sub);
  RuntimeUnlockObject(base);
}

// A converted class's interface entry is keyed by the interface method's own name, even when
// the function also serves a method listed before it.
TEST(InterfaceMethodLookupTest, AFunctionServingTwoMethodsIsFoundByTheInterfaceName) {
  RuntimeObject* object = NewObjectFromDefinition(LookupSharedDefinition());
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(LookupInterfaceMethod(object, LookupActingDefinition(), "Act"),
            reinterpret_cast<void*>(&LookupSharedRun));
  EXPECT_EQ(LookupInterfaceMethod(object, LookupActingDefinition(), "Run"), nullptr);
  RuntimeUnlockObject(object);
}

}  // namespace
