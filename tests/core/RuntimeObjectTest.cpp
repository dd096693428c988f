// Objects: creation, reference counting, destruction order and the pending queue, the
// live-object list.
#include <gtest/gtest.h>

#include <list>
#include <random>

#include "TestClasses.h"
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
  EXPECT_TRUE(object->classPtr == leaf && object->methodTable == leaf->methodTable &&
              object->refCount == 1);
  EXPECT_EQ(Field(object, 0) | Field(object, 1) | Field(object, 2), 0u);
  RuntimeUnlockObject(object);
  EXPECT_EQ(object->refCount, 1) << "a destructor that locks keeps the object";
  RuntimeUnlockObject(object);
  EXPECT_EQ(gLog, (Log{"ctor0", "ctor1", "ctor2", "resurrect", "dtor2", "dtor0", "fin2", "fin1",
                       "fin0"}));

  qvtest::ReportCapture capture;
  EXPECT_EQ(RuntimeNewObject(nullptr), nullptr);
  EXPECT_TRUE(capture.HasCondition("NilObjectException"));
  RuntimeUnlockObject(
      RuntimeNewObject(qvtest::MakeInterface("IFaceForNew")));  // made after the report
  EXPECT_TRUE(capture.HasCondition("!parent->isAnInterface"));
  RuntimeClass* tiny = MakeClass(nullptr, "Tiny");
  tiny->instanceSize = 8;
  EXPECT_EQ(RuntimeNewObject(tiny), nullptr);
  EXPECT_EQ(capture.count(), 3u);
}

// Nil is ignored, and a count of 0 or below is never touched and never destroys.
TEST_F(RuntimeObjectTest, LockingIgnoresNilAndDeadCounts) {
  RuntimeLockObject(nullptr);
  RuntimeUnlockObject(nullptr);
  RuntimeClass* cls = MakeClass(nullptr, "Counted");
  cls->finalizer = Record<'f', 0>;
  RuntimeObject* a = RuntimeNewObject(cls);
  RuntimeObject* b = RuntimeNewObject(cls);
  for (int32_t dead : {0, -3}) {
    a->refCount = dead;
    RuntimeLockObject(a);
    RuntimeUnlockObject(a);
    EXPECT_EQ(a->refCount, dead);
  }
  a->refCount = 1;
  RuntimeLockUnlockObjects(a, a);
  RuntimeLockUnlockObjects(a, b);
  EXPECT_EQ(a->refCount, 2);
  EXPECT_EQ(gLog, Log{"fin0"});
  RuntimeLockUnlockObjects(nullptr, a);
  RuntimeUnlockObject(a);
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

// The live-object list (newest first, linked both ways) against a model under random creation
// and release; the destroy hook hears every freed object.
TEST_F(RuntimeObjectTest, LiveListMatchesModelAndTheHookHearsEveryRelease) {
  static std::vector<RuntimeObject*> heard;
  RuntimeClass* cls = MakeClass(nullptr, "Live", 1);
  RuntimeObject* sentinel = RuntimeNewObject(cls);  // marks where this test's objects end
  SetObjectDestroyHook([](RuntimeObject* object) { heard.push_back(object); });
  std::list<RuntimeObject*> model;
  std::vector<RuntimeObject*> released;
  std::mt19937 random(1234);
  for (int step = 0; step < 5000; ++step) {
    if (model.empty() || random() % 3 != 0) {
      model.push_front(RuntimeNewObject(cls));
    } else {
      auto it = std::next(model.begin(), random() % model.size());
      RuntimeUnlockObject(*it);
      released.push_back(*it);
      model.erase(it);
    }
    std::vector<RuntimeObject*> live;
    for (RuntimeObject* o = FirstLiveObject(); step % 97 == 0 && o != sentinel; o = o->nextObject) {
      ASSERT_EQ(o->prevObject, live.empty() ? nullptr : live.back());
      live.push_back(o);
    }
    ASSERT_TRUE(step % 97 != 0 || live == std::vector<RuntimeObject*>(model.begin(), model.end()))
        << step;
  }
  SetObjectDestroyHook(nullptr);
  EXPECT_EQ(heard, released);
  for (RuntimeObject* o : model) RuntimeUnlockObject(o);
  RuntimeUnlockObject(sentinel);
}

}  // namespace
