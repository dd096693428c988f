// Objects: creation, reference counting, destruction order (also re-entered from destructors)
// and the pending queue.
#include <gtest/gtest.h>


#include "TestClasses.h"
#include "support/RaisedExceptions.h"
#include "support/TestSupport.h"

namespace {

using qvtest::Field;
using qvtest::MakeClass;
using Log = std::vector<std::string>;

Log gLog;  // "<kind><level>": ctor0, dtor2, fin1...
template <char Kind, int Level>
void Record(RuntimeObject*) {
  gLog.push_back((Kind == 'c' ? "ctor" : Kind == 'd' ? "dtor" : "fin") + std::to_string(Level));
}

class RuntimeObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gLog.clear();
    baseline = LiveObjectCount();
  }
  void TearDown() override { EXPECT_EQ(LiveObjectCount(), baseline); }
  int32_t baseline = 0;
};

// The leaf's destructor keeps the object by locking it, the first time only.
void ResurrectingDestructor(RuntimeObject* object) {
  gLog.push_back("resurrect");
  RuntimeLockObject(object);
  object->classPtr->destructor = Record<'d', 2>;
}

// Constructors run base first, destructors (where given) and finalizers derived first.
TEST_F(RuntimeObjectTest, NewObjectsAndTheOrderOfConstructionAndDestruction) {
  RuntimeClass* root = MakeClass(nullptr, "RootR", 1);
  RuntimeClass* middle = MakeClass(root, "MiddleR", 1);
  RuntimeClass* leaf = MakeClass(middle, "LeafR", 1);
  root->constructor = Record<'c', 0>;
  root->destructor = Record<'d', 0>;
  root->finalizer = Record<'f', 0>;
  middle->constructor = Record<'c', 1>;
  middle->finalizer = Record<'f', 1>;
  leaf->constructor = Record<'c', 2>;
  leaf->destructor = ResurrectingDestructor;
  leaf->finalizer = Record<'f', 2>;
  RuntimeObject* object = RuntimeNewObject(leaf);
  EXPECT_EQ(object->methodTable, leaf->methodTable);
  EXPECT_EQ(object->refCount, 1);
  EXPECT_EQ(Field(object, 0) | Field(object, 1) | Field(object, 2), 0u);
  RuntimeUnlockObject(object);
  EXPECT_EQ(object->refCount, 1) << "a destructor that locks keeps the object";
  RuntimeUnlockObject(object);
  EXPECT_EQ(gLog, (Log{"ctor0", "ctor1", "ctor2", "resurrect", "dtor2", "dtor0", "fin2", "fin1",
                       "fin0"}));

  qvtest::ReportCapture capture;
  qvtest::RaisedExceptions raised;
  EXPECT_EQ(RuntimeNewObject(nullptr), nullptr);
  EXPECT_EQ(raised.TakeOne(), "NilObjectException");
  EXPECT_EQ(RuntimeNewObject(qvtest::MakeInterface("IFaceForNew")), nullptr);
  EXPECT_TRUE(capture.HasCondition("!parent->isAnInterface"));
  RuntimeClass* tiny = MakeClass(nullptr, "Tiny");
  tiny->instanceSize = 8;
  EXPECT_EQ(RuntimeNewObject(tiny), nullptr);
  EXPECT_EQ(capture.count(), 2u);
}

// A count of 0 or below is never touched and never destroys.
TEST_F(RuntimeObjectTest, DeadCountsAreNeverTouched) {
  RuntimeClass* cls = MakeClass(nullptr, "Counted");
  cls->finalizer = Record<'f', 0>;
  RuntimeObject* object = RuntimeNewObject(cls);
  object->refCount = 0;
  RuntimeLockObject(object);
  RuntimeUnlockObject(object);
  EXPECT_EQ(object->refCount, 0);
  EXPECT_TRUE(gLog.empty());
  object->refCount = 1;
  RuntimeUnlockObject(object);
  EXPECT_EQ(gLog, Log{"fin0"});
}

// Destructors that drop their own object, or an object whose destruction is under way: each
// object is destroyed once, every step in order.
void SelfReleasingDestructor(RuntimeObject* object) {
  gLog.push_back("release-self");
  RuntimeUnlockObject(object);
}

// Field 0 holds another object that this one releases in its destructor.
void ReleaseHeldDestructor(RuntimeObject* object) {
  gLog.push_back("release-held");
  RuntimeUnlockObject(reinterpret_cast<RuntimeObject*>(Field(object, 0)));
}

TEST_F(RuntimeObjectTest, DestructorsReenteringReleaseDestroyOnce) {
  RuntimeClass* root = MakeClass(nullptr, "ReenterRoot", 1);
  root->destructor = Record<'d', 0>;
  root->finalizer = Record<'f', 0>;
  RuntimeClass* leaf = MakeClass(root, "ReenterLeaf", 0);
  leaf->destructor = SelfReleasingDestructor;
  leaf->finalizer = Record<'f', 1>;
  RuntimeUnlockObject(RuntimeNewObject(leaf));
  EXPECT_EQ(gLog, (Log{"release-self", "dtor0", "fin1", "fin0"}));
  // a's destructor releases b; b's destructor releases a, which is still being destroyed.
  leaf->destructor = ReleaseHeldDestructor;
  RuntimeObject* a = RuntimeNewObject(leaf);
  RuntimeObject* b = RuntimeNewObject(leaf);
  Field(a, 0) = reinterpret_cast<uintptr_t>(b);
  Field(b, 0) = reinterpret_cast<uintptr_t>(a);
  gLog.clear();
  RuntimeUnlockObject(a);
  EXPECT_EQ(gLog, (Log{"release-held", "release-held", "dtor0", "fin1", "fin0", "dtor0", "fin1",
                       "fin0"}));
}

// The new object is locked before the old one goes: replacing an object by the one it alone
// held keeps that one.
TEST_F(RuntimeObjectTest, LockUnlockKeepsTheObjectTheOldOneHeld) {
  RuntimeClass* holderClass = MakeClass(nullptr, "Holder", 1);
  holderClass->destructor = ReleaseHeldDestructor;
  RuntimeClass* heldClass = MakeClass(nullptr, "Held");
  heldClass->finalizer = Record<'f', 0>;
  RuntimeObject* holder = RuntimeNewObject(holderClass);
  RuntimeObject* held = RuntimeNewObject(heldClass);
  Field(holder, 0) = reinterpret_cast<uintptr_t>(held);
  RuntimeLockUnlockObjects(held, holder);
  EXPECT_EQ(gLog, Log{"release-held"});
  EXPECT_EQ(held->refCount, 1);
  RuntimeUnlockObject(held);
  EXPECT_EQ(gLog, (Log{"release-held", "fin0"}));
}

// Objects released inside a finalizer are freed after the current one, last queued first, and
// a long chain of them runs in constant stack.
uintptr_t gLowestStack = UINTPTR_MAX;
void ReleaseFieldsFinalizer(RuntimeObject* object) {
  volatile char marker = 0;
  gLowestStack = std::min(gLowestStack, reinterpret_cast<uintptr_t>(&marker));
  gLog.push_back("free" + std::to_string(Field(object, 0)));
  for (int i = 1; i <= 3; ++i)
    RuntimeUnlockObject(reinterpret_cast<RuntimeObject*>(Field(object, i)));
}

TEST_F(RuntimeObjectTest, ObjectsReleasedInFinalizersAreQueued) {
  RuntimeClass* cls = MakeClass(nullptr, "Tagged", 4);
  cls->finalizer = ReleaseFieldsFinalizer;
  auto make = [cls](uint32_t tag, RuntimeObject* parent, int slot) {
    RuntimeObject* object = RuntimeNewObject(cls);
    Field(object, 0) = tag;
    if (parent) Field(parent, slot) = reinterpret_cast<uintptr_t>(object);
    return object;
  };
  RuntimeObject* parent = make(100, nullptr, 0);
  for (int i = 1; i <= 3; ++i) make(uint32_t(i), parent, i);
  RuntimeUnlockObject(parent);
  EXPECT_EQ(gLog, (Log{"free100", "free3", "free2", "free1"}));
  constexpr int kChain = 100000;
  RuntimeObject* head = make(0, nullptr, 0);
  for (RuntimeObject* tail = head; LiveObjectCount() < baseline + kChain;) tail = make(0, tail, 1);
  gLog.clear();
  volatile char here = 0;
  gLowestStack = UINTPTR_MAX;
  RuntimeUnlockObject(head);
  EXPECT_EQ(gLog.size(), size_t(kChain));
  EXPECT_LT(reinterpret_cast<uintptr_t>(&here) - gLowestStack, 16u * 1024u) << "stack grew";
}

// A one-object pool as a class's destructor keeps it: retired, the object is neither listed
// nor counted and the listeners heard of it, but its finalizer has not run; revived, it is
// listed first and counted again.
RuntimeObject* gRetired = nullptr;
void RetireIntoPool(RuntimeObject* object) {
  if (gRetired) return;
  RuntimeLockObject(object);
  RetireObject(object);
  gRetired = object;
}
void HeardFreed(RuntimeObject*) { gLog.push_back("freed"); }

TEST_F(RuntimeObjectTest, RetiredObjectsLeaveTheLiveListUntilRevived) {
  RuntimeClass* cls = MakeClass(nullptr, "Pooled");
  cls->destructor = RetireIntoPool;
  cls->finalizer = Record<'f', 0>;
  AddObjectDestroyListener(HeardFreed);
  RuntimeObject* object = RuntimeNewObject(cls);
  RuntimeUnlockObject(object);
  EXPECT_EQ(object->refCount, 1) << "the pool's reference";
  EXPECT_EQ(LiveObjectCount(), baseline);
  EXPECT_NE(FirstLiveObject(), object);
  ReviveObject(object);
  EXPECT_EQ(LiveObjectCount(), baseline + 1);
  EXPECT_EQ(FirstLiveObject(), object);
  cls->destructor = nullptr;
  RuntimeUnlockObject(object);
  gRetired = nullptr;
  RemoveObjectDestroyListener(HeardFreed);
  EXPECT_EQ(gLog, (Log{"freed", "fin0", "freed"}));
}

}  // namespace
