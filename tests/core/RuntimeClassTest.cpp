// Classes: table inheritance, the class list, type tests, casts, interface tables and
// per-object event tables.
#include <gtest/gtest.h>

#include <malloc.h>

#include <cstdlib>
#include <cstring>

#include "TestClasses.h"
#include "core/EventHandlers.h"
#include "core/Memory.h"
#include "core/RuntimeClass.h"
#include "core/RuntimeObject.h"
#include "support/TestSupport.h"

using qvtest::MakeClass;
using qvtest::MakeInterface;
using qvtest::NewName;

namespace {

TEST(RuntimeClassTest, NewClassCopiesParentTablesIntoFirstPlaces) {
  RuntimeClass* parent = MakeClass(nullptr, "TableParent", 0, {2, 1, 2, 1, 1});
  RuntimeClass* iface = MakeInterface("TableIface");
  qvtest::ImplementInterface(parent, 0, iface, {reinterpret_cast<void*>(0x1234)});
  for (int i = 0; i < 2; ++i) {
    parent->methodTable[i] = {reinterpret_cast<void*>(0x100 + i), reinterpret_cast<void*>(i)};
    parent->eventTable[i] = {reinterpret_cast<void*>(0x200 + i), NewName("Ev")};
  }
  parent->namedMethodTable[0] = {reinterpret_cast<void*>(0x300), NewName("M%%")};
  parent->propertyTable[0] = {NewName("P%i4%"), 7, reinterpret_cast<void*>(0x400), nullptr};

  RuntimeClass* child = RuntimeNewClass(parent, 3, 2, 4, 2, 2);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->parentClass, parent);
  EXPECT_EQ(FirstRegisteredClass(), child);
  EXPECT_EQ(child->nextClass, iface);
  EXPECT_EQ(0, std::memcmp(child->methodTable, parent->methodTable, 2 * 8));
  EXPECT_EQ(child->methodTable[2].function, nullptr);
  EXPECT_EQ(0, std::memcmp(child->eventTable, parent->eventTable, 2 * 8));
  EXPECT_EQ(child->eventTable[3].vector, nullptr);
  EXPECT_EQ(child->namedMethodTable[0].key, parent->namedMethodTable[0].key);  // shared
  EXPECT_EQ(child->propertyTable[0].word, 7u);
  EXPECT_EQ(InterfaceEntries(child)[0].interfaceClass, iface);
  EXPECT_EQ(InterfaceEntries(child)[1].interfaceClass, nullptr);

  // The tables lie in the one block, in order, after the interface entries.
  auto* end = reinterpret_cast<char*>(InterfaceEntries(child) + 2);
  EXPECT_EQ(reinterpret_cast<char*>(child->methodTable), end);
  EXPECT_EQ(reinterpret_cast<char*>(child->eventTable), end + 3 * 8);
  EXPECT_EQ(reinterpret_cast<char*>(child->namedMethodTable), end + 3 * 8 + 4 * 8);
  EXPECT_EQ(reinterpret_cast<char*>(child->propertyTable), end + 3 * 8 + 4 * 8 + 2 * 8);
}

// Hands out blocks followed by a guard area, so that a write past the block can be seen.
constexpr size_t kGuardBytes = 256;
unsigned char* gGuardedBlock = nullptr;
size_t gGuardedSize = 0;
void* GuardedAlloc(size_t size) {
  auto* block = static_cast<unsigned char*>(std::malloc(size + kGuardBytes));
  std::memset(block + size, 0xA5, kGuardBytes);
  gGuardedBlock = block;
  gGuardedSize = size;
  return block;
}
bool GuardIntact() {
  for (size_t i = 0; i < kGuardBytes; ++i) {
    if (gGuardedBlock[gGuardedSize + i] != 0xA5) return false;
  }
  return true;
}

TEST(RuntimeClassTest, SmallerTablesThanParentReportAndCopyOnlyWhatFits) {
  RuntimeClass* parent = MakeClass(nullptr, "WideParent", 0, {4, 0, 4, 3, 4});
  for (int i = 0; i < 4; ++i) {
    parent->methodTable[i].function = reinterpret_cast<void*>(0x10 + i);
    parent->eventTable[i].vector = reinterpret_cast<void*>(0x20 + i);
    parent->propertyTable[i].word = 0x40 + i;
  }
  qvtest::ReportCapture capture;
  const SystemAllocFunction previous = SetSystemAllocFunctionForTesting(GuardedAlloc);
  RuntimeClass* child = RuntimeNewClass(parent, 1, 0, 2, 1, 1);
  SetSystemAllocFunctionForTesting(previous);
  ASSERT_NE(child, nullptr);
  ASSERT_EQ(static_cast<void*>(child), static_cast<void*>(gGuardedBlock));
  EXPECT_TRUE(GuardIntact()) << "the parent's tables spilled past the class block";
  EXPECT_TRUE(capture.HasCondition("out->methodCount >= base->methodCount"));
  EXPECT_TRUE(capture.HasCondition("out->eventCount >= base->eventCount"));
  EXPECT_TRUE(capture.HasCondition("out->propertyCount >= base->propertyCount"));
  EXPECT_EQ(capture.count(), 3u);  // the named-method table is not checked
  EXPECT_EQ(child->methodTable[0].function, reinterpret_cast<void*>(0x10));
  EXPECT_EQ(child->eventTable[0].vector, reinterpret_cast<void*>(0x20));
  EXPECT_EQ(child->eventTable[1].vector, reinterpret_cast<void*>(0x21));
  EXPECT_EQ(child->namedMethodTable[0].function, nullptr);
  EXPECT_EQ(child->propertyTable[0].word, 0x40u);
}

TEST(RuntimeClassTest, BadCountsAndVtables) {
  qvtest::ReportCapture capture;
  EXPECT_EQ(RuntimeNewClass(nullptr, -1, 0, 0, 0, 0), nullptr);
  EXPECT_EQ(RuntimeNewClass(nullptr, 0x7FFFFFFF, 0, 0x7FFFFFFF, 0, 0), nullptr);
  EXPECT_EQ(capture.count(), 2u);
  EXPECT_EQ(RuntimeNewVtable(0), nullptr);
  EXPECT_EQ(RuntimeNewVtable(-5), nullptr);
  capture.clear();
  EXPECT_EQ(RuntimeNewVtable(0x20000000), nullptr);  // 2^32 bytes: must not wrap to 0
  EXPECT_EQ(capture.count(), 1u);
  NamedMethodEntry* table = RuntimeNewVtable(3);
  ASSERT_NE(table, nullptr);
  table[2].function = nullptr;  // writable to the last entry
  OSfree(table);
  capture.clear();
  RuntimeRegisterClass(nullptr);
  EXPECT_TRUE(capture.HasCondition("it"));
}

TEST(RuntimeClassTest, RegisterClassAndClassListHead) {
  RuntimeClass* before = FirstRegisteredClass();
  RuntimeClass own{};
  RuntimeRegisterClass(&own);
  EXPECT_EQ(FirstRegisteredClass(), &own);
  EXPECT_EQ(own.nextClass, before);
  SetFirstRegisteredClass(before);
  EXPECT_EQ(FirstRegisteredClass(), before);
}

struct CastWorld {
  RuntimeClass* animal = MakeClass(nullptr, "Animal");
  RuntimeClass* dog = MakeClass(animal, "Dog", 0, {0, 1, 0, 0, 0});
  RuntimeClass* puppy = MakeClass(dog, "Puppy", 0, {0, 1, 0, 0, 0});
  RuntimeClass* cat = MakeClass(animal, "Cat");
  RuntimeClass* barker = MakeInterface("Barker");
  RuntimeClass* purrer = MakeInterface("Purrer");
  CastWorld() {
    qvtest::ImplementInterface(dog, 0, barker, {reinterpret_cast<void*>(0xB0)});
    // Puppy was made before Dog implemented Barker: copy the entry as compiled code would.
    InterfaceEntries(puppy)[0] = InterfaceEntries(dog)[0];
  }
};

TEST(RuntimeClassTest, ObjectIsaWalksParentsAndInterfaceEntries) {
  CastWorld w;
  RuntimeObject* puppy = RuntimeNewObject(w.puppy);
  EXPECT_EQ(RuntimeObjectIsa(puppy, w.puppy), 1);
  EXPECT_EQ(RuntimeObjectIsa(puppy, w.dog), 1);
  EXPECT_EQ(RuntimeObjectIsa(puppy, w.animal), 1);
  EXPECT_EQ(RuntimeObjectIsa(puppy, w.cat), 0);
  EXPECT_EQ(RuntimeObjectIsa(puppy, w.barker), 1);
  EXPECT_EQ(RuntimeObjectIsa(puppy, w.purrer), 0);
  EXPECT_EQ(RuntimeObjectIsa(puppy, nullptr), 1);
  EXPECT_EQ(RuntimeObjectIsa(nullptr, w.dog), 0);
  RuntimeUnlockObject(puppy);
}

TEST(RuntimeClassTest, CheckCastLocksOnSuccessAndRaisesOnFailure) {
  CastWorld w;
  qvtest::ReportCapture capture;
  RuntimeObject* dog = RuntimeNewObject(w.dog);
  EXPECT_EQ(RuntimeCheckCast(dog, w.animal), dog);
  EXPECT_EQ(dog->refCount, 2);
  EXPECT_EQ(RuntimeCheckCast(dog, w.barker), dog);
  EXPECT_EQ(dog->refCount, 3);
  EXPECT_EQ(RuntimeCheckCast(dog, nullptr), dog);  // unchanged, no reference
  EXPECT_EQ(dog->refCount, 3);
  EXPECT_TRUE(capture.empty());
  EXPECT_EQ(RuntimeCheckCast(nullptr, w.dog), nullptr);
  EXPECT_TRUE(capture.empty());  // nil casts without an exception

  EXPECT_EQ(RuntimeCheckCast(dog, w.cat), nullptr);
  EXPECT_TRUE(capture.HasCondition("IllegalCastException"));
  capture.clear();
  EXPECT_EQ(RuntimeCheckCast(dog, w.purrer), nullptr);
  EXPECT_TRUE(capture.HasCondition("IllegalCastException"));
  EXPECT_EQ(dog->refCount, 3);
  for (int i = 0; i < 3; ++i) RuntimeUnlockObject(dog);
}

TEST(RuntimeClassTest, OLEObjectCastsToItsDirectSubclassesOnly) {
  RuntimeClass* ole = MakeClass(nullptr, "OLEObject");
  RuntimeClass* excel = MakeClass(ole, "ExcelApplication");
  RuntimeClass* other = MakeClass(nullptr, "oleobject");  // same name in other case
  RuntimeClass* word = MakeClass(other, "WordApplication");
  RuntimeClass* deeper = MakeClass(excel, "ExcelSheet");
  RuntimeObject* object = RuntimeNewObject(ole);
  qvtest::ReportCapture capture;
  EXPECT_EQ(RuntimeObjectIsa(object, excel), 0);
  EXPECT_EQ(RuntimeCheckCast(object, excel), object);
  EXPECT_EQ(RuntimeCheckCast(object, word), object);
  EXPECT_TRUE(capture.empty());
  EXPECT_EQ(RuntimeCheckCast(object, deeper), nullptr);
  EXPECT_TRUE(capture.HasCondition("IllegalCastException"));
  EXPECT_EQ(object->refCount, 3);
  for (int i = 0; i < 3; ++i) RuntimeUnlockObject(object);

  // Only an object whose own class is named OLEObject gets the rule.
  RuntimeObject* sheet = RuntimeNewObject(excel);
  capture.clear();
  EXPECT_EQ(RuntimeCheckCast(sheet, word), nullptr);
  EXPECT_EQ(capture.count(), 1u);
  RuntimeUnlockObject(sheet);
}

TEST(RuntimeClassTest, InterfaceVtableLookup) {
  CastWorld w;
  qvtest::ReportCapture capture;
  RuntimeObject* puppy = RuntimeNewObject(w.puppy);
  NamedMethodEntry* table = RuntimeLookupInterfaceVtable(puppy, w.barker);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table[0].function, reinterpret_cast<void*>(0xB0));
  EXPECT_TRUE(capture.empty());
  EXPECT_EQ(RuntimeLookupInterfaceVtable(puppy, w.purrer), nullptr);
  EXPECT_TRUE(capture.HasCondition("IllegalCastException"));
  capture.clear();
  EXPECT_EQ(RuntimeLookupInterfaceVtable(puppy, w.dog), nullptr);  // not an interface
  EXPECT_TRUE(capture.HasCondition("IllegalCastException"));
  capture.clear();
  EXPECT_EQ(RuntimeLookupInterfaceVtable(nullptr, w.barker), nullptr);
  EXPECT_EQ(RuntimeLookupInterfaceVtable(puppy, nullptr), nullptr);
  EXPECT_EQ(capture.count(), 2u);
  EXPECT_TRUE(capture.HasCondition("NilObjectException"));
  RuntimeUnlockObject(puppy);
}

// --- Event tables -------------------------------------------------------------------------

RuntimeClass* MakeEventClass(const char* name) {
  RuntimeClass* cls = MakeClass(nullptr, name, 0, {0, 0, 3, 0, 0});
  cls->eventTable[0].name = NewName("Open");
  cls->eventTable[1].name = NewName("Action");
  cls->eventTable[2].name = NewName("Close");
  cls->eventTable[2].vector = reinterpret_cast<void*>(0xC105E);
  return cls;
}

TEST(EventHandlerTest, LookupUsesTheHookNumber) {
  RuntimeClass* cls = MakeEventClass("EventLookup");
  RuntimeObject* object = RuntimeNewObject(cls);
  ObjectHook close;
  close.eventIndex = 2;
  ObjectHook open;
  open.eventIndex = 0;
  ObjectHook outside;
  outside.eventIndex = 3;
  EXPECT_EQ(LookupEventHandler(object, &close), reinterpret_cast<void*>(0xC105E));
  EXPECT_EQ(LookupEventHandler(object, &open), nullptr);
  EXPECT_EQ(LookupEventHandler(object, &outside), nullptr);
  EXPECT_EQ(LookupEventHandler(nullptr, &close), nullptr);
  RuntimeUnlockObject(object);
}

TEST(EventHandlerTest, InstanceHandlerGoesIntoAPrivateCopy) {
  RuntimeClass* cls = MakeEventClass("EventInstall");
  RuntimeObject* a = RuntimeNewObject(cls);
  RuntimeObject* b = RuntimeNewObject(cls);
  qvtest::ReportCapture capture;
  const string action("ACTION");
  RuntimeInstallInstanceEventHandler(a, action.Storage(), reinterpret_cast<void*>(0xAC));
  EXPECT_TRUE(capture.empty());
  EXPECT_NE(a->eventTable, cls->eventTable);
  EXPECT_EQ(a->eventTable[1].vector, reinterpret_cast<void*>(0xAC));
  EXPECT_EQ(a->eventTable[2].vector, reinterpret_cast<void*>(0xC105E));  // copied
  EXPECT_EQ(cls->eventTable[1].vector, nullptr);
  EXPECT_EQ(b->eventTable, cls->eventTable);

  // An unknown name stores nothing.
  const string missing("Missing");
  RuntimeInstallInstanceEventHandler(a, missing.Storage(), reinterpret_cast<void*>(0xEE));
  for (int i = 0; i < 3; ++i) EXPECT_NE(a->eventTable[i].vector, reinterpret_cast<void*>(0xEE));

  // Implementing it again reports, and the second handler replaces the first.
  RuntimeInstallInstanceEventHandler(a, action.Storage(), reinterpret_cast<void*>(0xAD));
  ASSERT_EQ(capture.count(), 1u);
  EXPECT_EQ(capture.reports()[0].condition, "NULL == target->eventTable[ctr].vector");
  EXPECT_EQ(capture.reports()[0].extra,
            "Attempting to implement an event that was already implemented. Class "
            "EventInstall, Event ACTION");
  EXPECT_EQ(a->eventTable[1].vector, reinterpret_cast<void*>(0xAD));
  RuntimeUnlockObject(a);
  RuntimeUnlockObject(b);
  EXPECT_EQ(cls->eventTable[2].vector, reinterpret_cast<void*>(0xC105E));
}

TEST(EventHandlerTest, NilTargetsReport) {
  qvtest::ReportCapture capture;
  const string name("Open");
  RuntimeInstallInstanceEventHandler(nullptr, name.Storage(), nullptr);
  EXPECT_TRUE(capture.HasCondition("target"));
  RuntimeObject classless{};
  RuntimeInstallInstanceEventHandler(&classless, name.Storage(), nullptr);
  EXPECT_TRUE(capture.HasCondition("target->classPtr"));
}

TEST(EventHandlerTest, PrivateTablesAreFreedWithTheirObjects) {
  RuntimeClass* cls = MakeClass(nullptr, "ManyEvents", 0, {0, 0, 512, 0, 0});
  cls->eventTable[511].name = NewName("Last");
  const string last("Last");
  auto installAndRelease = [&] {
    RuntimeObject* object = RuntimeNewObject(cls);
    RuntimeInstallInstanceEventHandler(object, last.Storage(), reinterpret_cast<void*>(1));
    RuntimeUnlockObject(object);
  };
  installAndRelease();  // warm up the heap
  const size_t before = mallinfo2().uordblks;
  for (int i = 0; i < 2000; ++i) installAndRelease();
  // 2,000 leaked 4 KB copies would be 8 MB.
  EXPECT_LT(mallinfo2().uordblks, before + 64 * 1024);
  EXPECT_EQ(cls->eventTable[511].vector, nullptr);
}

}  // namespace
