// Objects: creation, reference counting, destruction order and the pending queue, the
// live-object list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <list>
#include <random>

#include "TestClasses.h"
#include "core/RuntimeClass.h"
#include "core/RuntimeObject.h"
#include "support/TestSupport.h"

using qvtest::CallLog;
using qvtest::Field;
using qvtest::MakeClass;

namespace {

class RuntimeObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CallLog().clear();
    baseline = LiveObjectCount();
  }
  void TearDown() override { EXPECT_EQ(LiveObjectCount(), baseline); }
  int32_t baseline = 0;
};

// A three-level hierarchy with recording functions at every level.
struct Hierarchy {
  RuntimeClass* root;
  RuntimeClass* middle;
  RuntimeClass* leaf;
};
Hierarchy MakeRecordingHierarchy() {
  Hierarchy h{};
  h.root = MakeClass(nullptr, "RootR", 1);
  h.root->constructor = qvtest::RecordConstructor<0>;
  h.root->destructor = qvtest::RecordDestructor<0>;
  h.root->finalizer = qvtest::RecordFinalizer<0>;
  h.middle = MakeClass(h.root, "MiddleR", 1);
  h.middle->constructor = qvtest::RecordConstructor<1>;
  h.middle->finalizer = qvtest::RecordFinalizer<1>;
  h.leaf = MakeClass(h.middle, "LeafR", 1);
  h.leaf->constructor = qvtest::RecordConstructor<2>;
  h.leaf->destructor = qvtest::RecordDestructor<2>;
  h.leaf->finalizer = qvtest::RecordFinalizer<2>;
  return h;
}

TEST_F(RuntimeObjectTest, NewObjectIsZeroFilledWithHeaderFromClass) {
  RuntimeClass* cls = MakeClass(nullptr, "Plain", 8);
  RuntimeObject* object = RuntimeNewObject(cls);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->classPtr, cls);
  EXPECT_EQ(object->methodTable, cls->methodTable);
  EXPECT_EQ(object->eventTable, cls->eventTable);
  EXPECT_EQ(object->refCount, 1);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(Field(object, i), 0u) << i;
  EXPECT_EQ(GetObjectClass(object), cls);
  EXPECT_EQ(GetObjectClass(nullptr), nullptr);
  RuntimeUnlockObject(object);
}

TEST_F(RuntimeObjectTest, ConstructorsRunBaseFirstDestructorsAndFinalizersDerivedFirst) {
  const Hierarchy h = MakeRecordingHierarchy();
  RuntimeObject* object = RuntimeNewObject(h.leaf);
  EXPECT_EQ(CallLog(), (std::vector<std::string>{"ctor0", "ctor1", "ctor2"}));
  CallLog().clear();
  RuntimeUnlockObject(object);
  EXPECT_EQ(CallLog(), (std::vector<std::string>{"dtor2", "dtor0", "fin2", "fin1", "fin0"}));
}

TEST_F(RuntimeObjectTest, NilClassAndInterfaceAndUndersizedClass) {
  qvtest::ReportCapture capture;
  EXPECT_EQ(RuntimeNewObject(nullptr), nullptr);
  EXPECT_TRUE(capture.HasCondition("NilObjectException"));

  capture.clear();
  RuntimeClass* interface = qvtest::MakeInterface("IFaceForNew");
  RuntimeObject* object = RuntimeNewObject(interface);
  EXPECT_TRUE(capture.HasCondition("!parent->isAnInterface"));
  ASSERT_NE(object, nullptr);  // creation goes on after the report
  RuntimeUnlockObject(object);

  capture.clear();
  RuntimeClass* tiny = MakeClass(nullptr, "Tiny");
  tiny->instanceSize = 8;
  EXPECT_EQ(RuntimeNewObject(tiny), nullptr);
  EXPECT_EQ(capture.count(), 1u);
}

TEST_F(RuntimeObjectTest, LockAndUnlockIgnoreNilAndDeadCounts) {
  RuntimeLockObject(nullptr);
  RuntimeUnlockObject(nullptr);
  RuntimeClass* cls = MakeClass(nullptr, "Counted");
  cls->finalizer = qvtest::RecordFinalizer<0>;
  RuntimeObject* object = RuntimeNewObject(cls);
  RuntimeLockObject(object);
  EXPECT_EQ(object->refCount, 2);
  RuntimeUnlockObject(object);
  EXPECT_EQ(object->refCount, 1);

  // A count of 0 or below is never touched and never destroys.
  object->refCount = 0;
  RuntimeLockObject(object);
  RuntimeUnlockObject(object);
  EXPECT_EQ(object->refCount, 0);
  object->refCount = -3;
  RuntimeLockObject(object);
  RuntimeUnlockObject(object);
  EXPECT_EQ(object->refCount, -3);
  EXPECT_TRUE(CallLog().empty());
  object->refCount = 1;
  RuntimeUnlockObject(object);
  EXPECT_EQ(CallLog(), std::vector<std::string>{"fin0"});
}

TEST_F(RuntimeObjectTest, LockUnlockObjectsAssignsReferences) {
  RuntimeClass* cls = MakeClass(nullptr, "Assigned");
  RuntimeObject* a = RuntimeNewObject(cls);
  RuntimeObject* b = RuntimeNewObject(cls);
  RuntimeLockUnlockObjects(a, a);
  EXPECT_EQ(a->refCount, 1);
  RuntimeLockObject(b);
  RuntimeLockUnlockObjects(a, b);
  EXPECT_EQ(a->refCount, 2);
  EXPECT_EQ(b->refCount, 1);
  RuntimeLockUnlockObjects(nullptr, a);
  EXPECT_EQ(a->refCount, 1);
  RuntimeUnlockObject(a);
  RuntimeUnlockObject(b);
}

// The leaf's destructor keeps the object by locking it.
RuntimeObject* gResurrected = nullptr;
void ResurrectingDestructor(RuntimeObject* object) {
  CallLog().push_back("resurrect");
  RuntimeLockObject(object);
  gResurrected = object;
}

TEST_F(RuntimeObjectTest, DestructorThatLocksKeepsObjectAndStopsTheChain) {
  const Hierarchy h = MakeRecordingHierarchy();
  h.leaf->destructor = ResurrectingDestructor;
  RuntimeObject* object = RuntimeNewObject(h.leaf);
  CallLog().clear();
  RuntimeUnlockObject(object);
  EXPECT_EQ(CallLog(), std::vector<std::string>{"resurrect"});
  EXPECT_EQ(object->refCount, 1);
  EXPECT_EQ(gResurrected, object);

  // Released again, with a destructor that lets go.
  h.leaf->destructor = qvtest::RecordDestructor<2>;
  CallLog().clear();
  RuntimeUnlockObject(object);
  EXPECT_EQ(CallLog(), (std::vector<std::string>{"dtor2", "dtor0", "fin2", "fin1", "fin0"}));
}

// Objects released inside a finalizer: freed after the current object, last queued first.
void LogFreeingFinalizer(RuntimeObject* object) {
  CallLog().push_back("free" + std::to_string(Field(object, 0)));
}
void ReleaseChildrenFinalizer(RuntimeObject* object) {
  for (int i = 1; i <= 3; ++i) {
    RuntimeUnlockObject(reinterpret_cast<RuntimeObject*>(Field(object, i)));
  }
}

TEST_F(RuntimeObjectTest, ObjectsReleasedInFinalizersAreFreedLastQueuedFirst) {
  RuntimeClass* base = MakeClass(nullptr, "Tagged", 4);
  base->finalizer = LogFreeingFinalizer;
  RuntimeClass* parentClass = MakeClass(base, "Parent", 0);
  parentClass->finalizer = ReleaseChildrenFinalizer;
  RuntimeObject* parent = RuntimeNewObject(parentClass);
  Field(parent, 0) = 100;
  for (uint32_t i = 1; i <= 3; ++i) {
    RuntimeObject* child = RuntimeNewObject(base);
    Field(child, 0) = i;
    Field(parent, i) = reinterpret_cast<uintptr_t>(child);
  }
  RuntimeUnlockObject(parent);
  EXPECT_EQ(CallLog(), (std::vector<std::string>{"free100", "free3", "free2", "free1"}));
}

// A chain whose finalizers each release the next object: the stack must not grow with it.
uintptr_t gLowestStack = UINTPTR_MAX;
int gChainFreed = 0;
void ReleaseNextFinalizer(RuntimeObject* object) {
  volatile char marker = 0;
  gLowestStack = std::min(gLowestStack, reinterpret_cast<uintptr_t>(&marker));
  ++gChainFreed;
  RuntimeUnlockObject(reinterpret_cast<RuntimeObject*>(Field(object, 0)));
}

TEST_F(RuntimeObjectTest, LongFinalizerChainRunsInConstantStack) {
  constexpr int kChain = 100000;
  RuntimeClass* link = MakeClass(nullptr, "ChainLink", 1);
  link->finalizer = ReleaseNextFinalizer;
  RuntimeObject* head = RuntimeNewObject(link);
  RuntimeObject* tail = head;
  for (int i = 1; i < kChain; ++i) {
    RuntimeObject* next = RuntimeNewObject(link);
    Field(tail, 0) = reinterpret_cast<uintptr_t>(next);
    tail = next;
  }
  EXPECT_EQ(LiveObjectCount(), baseline + kChain);
  volatile char here = 0;
  const uintptr_t top = reinterpret_cast<uintptr_t>(&here);
  gLowestStack = UINTPTR_MAX;
  gChainFreed = 0;
  RuntimeUnlockObject(head);
  EXPECT_EQ(gChainFreed, kChain);
  EXPECT_LT(top - gLowestStack, 16u * 1024u) << "stack grew with the chain";
}

TEST_F(RuntimeObjectTest, DestroyHookHearsEveryFreedObject) {
  static std::vector<RuntimeObject*> heard;
  heard.clear();
  SetObjectDestroyHook([](RuntimeObject* object) { heard.push_back(object); });
  RuntimeClass* cls = MakeClass(nullptr, "Hooked");
  RuntimeObject* a = RuntimeNewObject(cls);
  RuntimeObject* b = RuntimeNewObject(cls);
  RuntimeUnlockObject(b);
  RuntimeUnlockObject(a);
  SetObjectDestroyHook(nullptr);
  EXPECT_EQ(heard, (std::vector<RuntimeObject*>{b, a}));
}

// The live-object list against a model under random creation and release.
std::vector<RuntimeObject*> LiveListNewestFirst(RuntimeObject* stopAt) {
  std::vector<RuntimeObject*> out;
  RuntimeObject* newer = nullptr;
  for (RuntimeObject* o = FirstLiveObject(); o && o != stopAt; o = o->nextObject) {
    EXPECT_EQ(o->prevObject, newer);
    out.push_back(o);
    newer = o;
  }
  return out;
}

TEST_F(RuntimeObjectTest, LiveListMatchesModelUnderRandomCreateAndRelease) {
  RuntimeClass* cls = MakeClass(nullptr, "Live", 1);
  RuntimeObject* sentinel = RuntimeNewObject(cls);  // marks where this test's objects end
  std::list<RuntimeObject*> model;                  // newest first
  std::mt19937 random(1234);
  for (int step = 0; step < 5000; ++step) {
    if (model.empty() || random() % 3 != 0) {
      model.push_front(RuntimeNewObject(cls));
    } else {
      auto it = model.begin();
      std::advance(it, random() % model.size());
      RuntimeUnlockObject(*it);
      model.erase(it);
    }
    if (step % 97 == 0) {
      ASSERT_EQ(LiveListNewestFirst(sentinel),
                std::vector<RuntimeObject*>(model.begin(), model.end()));
    }
  }
  EXPECT_EQ(LiveObjectCount(), baseline + 1 + static_cast<int32_t>(model.size()));
  for (RuntimeObject* o : model) RuntimeUnlockObject(o);
  RuntimeUnlockObject(sentinel);
}

}  // namespace
