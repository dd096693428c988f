// Classes: table inheritance, the class list, type tests, casts, interface tables and
// per-object event tables.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstring>

#include "TestClasses.h"
#include "core/EventHandlers.h"
#include "core/Memory.h"
#include "support/RaisedExceptions.h"
#include "support/TestSupport.h"

using qvtest::MakeClass;
using qvtest::MakeInterface;
using qvtest::NewName;

namespace {

void* Word(uintptr_t value) { return reinterpret_cast<void*>(value); }

// Fills cls's interface entry with interface and a one-function vtable, as compiled code does.
void ImplementInterface(RuntimeClass* cls, RuntimeClass* interface, void* function) {
  InterfaceTableEntry& slot = InterfaceEntries(cls)[0];
  slot.interfaceClass = interface;
  slot.methodCount = 1;
  slot.methods = RuntimeNewVtable(1);
  slot.methods[0] = {function, nullptr};
}

// Hands out blocks followed by a guard area, so that a write past the block can be seen.
unsigned char* gGuardedEnd = nullptr;
void* GuardedAlloc(size_t size) {
  auto* block = static_cast<unsigned char*>(std::malloc(size + 256));
  std::memset(block + size, 0xA5, 256);
  gGuardedEnd = block + size;
  return block;
}

// The child's tables start with copies of the parent's; tables smaller than the parent's
// report and copy only what fits.
TEST(RuntimeClassTest, NewClassCopiesParentTablesIntoFirstPlaces) {
  RuntimeClass* parent = MakeClass(nullptr, "TableParent", 0, {4, 1, 4, 1, 4});
  RuntimeClass* iface = MakeInterface("TableIface");
  ImplementInterface(parent, iface, Word(0x1234));
  for (int i = 0; i < 4; ++i) {
    parent->methodTable[i] = {Word(0x100 + i), Word(i)};
    parent->eventTable[i] = {Word(0x200 + i), NewName("Ev")};
    parent->propertyTable[i].word = 0x40 + i;
  }
  parent->namedMethodTable[0] = {Word(0x300), NewName("M%%")};
  RuntimeClass* child = RuntimeNewClass(parent, 5, 2, 6, 2, 4);
  EXPECT_EQ(FirstRegisteredClass(), child);
  EXPECT_EQ(0, std::memcmp(child->methodTable, parent->methodTable, 4 * 8));
  EXPECT_EQ(child->methodTable[4].function, nullptr);
  EXPECT_EQ(0, std::memcmp(child->eventTable, parent->eventTable, 4 * 8));
  EXPECT_EQ(child->namedMethodTable[0].key, parent->namedMethodTable[0].key);  // shared
  EXPECT_EQ(InterfaceEntries(child)[0].interfaceClass, iface);
  EXPECT_EQ(InterfaceEntries(child)[1].interfaceClass, nullptr);

  qvtest::ReportCapture capture;
  const SystemAllocFunction previous = SetSystemAllocFunctionForTesting(GuardedAlloc);
  RuntimeClass* narrow = RuntimeNewClass(parent, 1, 1, 2, 1, 1);
  SetSystemAllocFunctionForTesting(previous);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(gGuardedEnd[i], 0xA5) << "tables spilled past the block";
  for (const char* table : {"method", "event", "property"})
    EXPECT_TRUE(
        capture.HasCondition(std::string("out->") + table + "Count >= base->" + table + "Count"));
  EXPECT_EQ(capture.count(), 3u);
  EXPECT_EQ(narrow->eventTable[1].vector, Word(0x201));
  EXPECT_EQ(narrow->propertyTable[0].word, 0x40u);
}

TEST(RuntimeClassTest, BadCountsAndVtablesReport) {
  qvtest::ReportCapture capture;
  EXPECT_EQ(RuntimeNewClass(nullptr, -1, 0, 0, 0, 0), nullptr);
  EXPECT_EQ(RuntimeNewClass(nullptr, 0x7FFFFFFF, 0, 0x7FFFFFFF, 0, 0), nullptr);
  EXPECT_EQ(RuntimeNewVtable(0), nullptr);
  EXPECT_EQ(RuntimeNewVtable(0x20000000), nullptr);  // 2^32 bytes: must not wrap to 0
  EXPECT_EQ(capture.count(), 3u);
  NamedMethodEntry* table = RuntimeNewVtable(3);
  table[2].function = nullptr;  // writable to the last entry
  OSfree(table);
  RuntimeRegisterClass(nullptr);
  EXPECT_TRUE(capture.HasCondition("it"));
}

// Isa and casts walk parents and interface entries; a cast locks on success and raises on
// failure; an OLEObject casts to its direct subclasses only.
TEST(RuntimeClassTest, IsaCastsAndInterfaceLookup) {
  RuntimeClass* animal = MakeClass(nullptr, "Animal");
  RuntimeClass* dog = MakeClass(animal, "Dog", 0, {0, 1, 0, 0, 0});
  RuntimeClass* puppyClass = MakeClass(dog, "Puppy", 0, {0, 1, 0, 0, 0});
  RuntimeClass* cat = MakeClass(animal, "Cat");
  RuntimeClass* barker = MakeInterface("Barker");
  RuntimeClass* purrer = MakeInterface("Purrer");
  ImplementInterface(dog, barker, Word(0xB0));
  InterfaceEntries(puppyClass)[0] = InterfaceEntries(dog)[0];  // as compiled code copies it
  RuntimeObject* puppy = RuntimeNewObject(puppyClass);
  for (RuntimeClass* c :
       {puppyClass, dog, animal, barker, cat, purrer, static_cast<RuntimeClass*>(nullptr)})
    EXPECT_EQ(RuntimeObjectIsa(puppy, c), c != cat && c != purrer)
        << (c ? string(c->className).CString() : "nil");
  EXPECT_EQ(RuntimeObjectIsa(nullptr, dog), 0);
  qvtest::ReportCapture capture;
  qvtest::RaisedExceptions raised;
  EXPECT_EQ(RuntimeCheckCast(puppy, barker), puppy);
  EXPECT_EQ(RuntimeCheckCast(puppy, nullptr), puppy);  // unchanged, no reference
  EXPECT_EQ(RuntimeLookupInterfaceVtable(puppy, barker)[0].function, Word(0xB0));
  EXPECT_TRUE(capture.empty());
  EXPECT_TRUE(raised.Take().empty());
  EXPECT_EQ(RuntimeCheckCast(puppy, cat), nullptr);
  EXPECT_EQ(RuntimeLookupInterfaceVtable(puppy, dog), nullptr);
  EXPECT_EQ(RuntimeLookupInterfaceVtable(nullptr, barker), nullptr);
  EXPECT_EQ(raised.Take(), (std::vector<std::string>{"IllegalCastException",
                                                     "IllegalCastException", "NilObjectException"}));
  EXPECT_EQ(puppy->refCount, 2);
  RuntimeUnlockObject(puppy);
  RuntimeUnlockObject(puppy);
  RuntimeClass* ole = MakeClass(nullptr, "OLEObject");
  RuntimeClass* excel = MakeClass(ole, "ExcelApplication");
  RuntimeObject* object = RuntimeNewObject(ole);
  EXPECT_EQ(RuntimeCheckCast(object, excel), object);
  EXPECT_EQ(RuntimeCheckCast(object, MakeClass(excel, "ExcelSheet")), nullptr);
  EXPECT_EQ(raised.TakeOne(), "IllegalCastException");
  EXPECT_TRUE(capture.empty());
  RuntimeUnlockObject(object);
  RuntimeUnlockObject(object);
}

// Handlers are looked up by hook number; an instance handler goes into a private copy of the
// table (freed with the object), and a second one reports and replaces the first.
TEST(EventHandlerTest, InstanceHandlersGoIntoAPrivateCopy) {
  RuntimeClass* cls = MakeClass(nullptr, "EventInstall", 0, {0, 0, 512, 0, 0});
  cls->eventTable[0].name = NewName("Open");
  cls->eventTable[1].name = NewName("Action");
  cls->eventTable[2].name = NewName("Close");
  cls->eventTable[2].vector = Word(0xC105E);
  RuntimeObject* a = RuntimeNewObject(cls);
  RuntimeObject* b = RuntimeNewObject(cls);
  ObjectHook hook;
  auto lookup = [&hook, a](int32_t index) {
    hook.eventIndex = index;
    return LookupEventHandler(a, &hook);
  };
  EXPECT_EQ(lookup(2), Word(0xC105E));
  EXPECT_EQ(lookup(512), nullptr);
  qvtest::ReportCapture capture;
  const string action("ACTION");
  RuntimeInstallInstanceEventHandler(a, action.Storage(), Word(0xAC));
  EXPECT_TRUE(capture.empty());
  EXPECT_EQ(a->eventTable[1].vector, Word(0xAC));
  EXPECT_EQ(a->eventTable[2].vector, Word(0xC105E));
  EXPECT_EQ(cls->eventTable[1].vector, nullptr);
  EXPECT_EQ(b->eventTable, cls->eventTable);
  RuntimeInstallInstanceEventHandler(a, action.Storage(), Word(0xAD));
  ASSERT_EQ(capture.count(), 1u);
  EXPECT_EQ(capture.reports()[0].extra,
            "Attempting to implement an event that was already implemented. Class "
            "EventInstall, Event ACTION");
  EXPECT_EQ(a->eventTable[1].vector, Word(0xAC)) << "the first handler stays";
  RuntimeUnlockObject(a);
  RuntimeUnlockObject(b);
  auto installAndRelease = [&] {
    RuntimeObject* object = RuntimeNewObject(cls);
    RuntimeInstallInstanceEventHandler(object, action.Storage(), Word(1));
    RuntimeUnlockObject(object);
  };
  installAndRelease();  // warm up the heap
  const size_t before = mallinfo2().uordblks;
  for (int i = 0; i < 2000; ++i) installAndRelease();
  EXPECT_LT(mallinfo2().uordblks, before + 64 * 1024) << "2,000 leaked 4 KB copies: 8 MB";
}

// A class's own code for an event is found up the parent chain; handlers installed for the
// object alone are not the class's.
TEST(EventHandlerTest, FindHookCodeReadsTheClassChain) {
  RuntimeClass* parent = MakeClass(nullptr, "HookParent", 0, {0, 0, 3, 0, 0});
  parent->eventTable[1].vector = Word(0x7001);
  RuntimeClass* child = MakeClass(parent, "HookChild", 0, {0, 0, 3, 0, 0});
  child->eventTable[1].vector = nullptr;
  child->eventTable[2].name = NewName("Own");
  RuntimeObject* object = RuntimeNewObject(child);
  RuntimeInstallInstanceEventHandler(object, string("Own").Storage(), Word(0x7002));
  ObjectHook hook;
  hook.eventIndex = 1;
  EXPECT_EQ(RuntimeFindHookCode(object, &hook), Word(0x7001));
  hook.eventIndex = 2;
  EXPECT_EQ(RuntimeFindHookCode(object, &hook), nullptr);
  EXPECT_EQ(LookupEventHandler(object, &hook), Word(0x7002));
  hook.eventIndex = 3;
  EXPECT_EQ(RuntimeFindHookCode(object, &hook), nullptr);
  EXPECT_EQ(RuntimeFindHookCode(nullptr, &hook), nullptr);
  RuntimeUnlockObject(object);
}

}  // namespace
