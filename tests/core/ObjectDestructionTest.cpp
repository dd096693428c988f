// Destruction re-entered from inside destructors: an object whose count reaches zero while its
// own destructors run is destroyed once, and resurrection by locking still works.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestClasses.h"
#include "core/RuntimeClass.h"
#include "core/RuntimeObject.h"

using qvtest::Field;
using qvtest::MakeClass;

namespace {

using Log = std::vector<std::string>;

Log gLog;

template <int Level>
void RecordDestructor(RuntimeObject*) {
  gLog.push_back("dtor" + std::to_string(Level));
}
template <int Level>
void RecordFinalizer(RuntimeObject*) {
  gLog.push_back("fin" + std::to_string(Level));
}

class ObjectDestructionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gLog.clear();
    baseline = LiveObjectCount();
  }
  void TearDown() override { EXPECT_EQ(LiveObjectCount(), baseline); }
  int32_t baseline = 0;
};

void SelfReleasingDestructor(RuntimeObject* object) {
  gLog.push_back("release-self");
  RuntimeUnlockObject(object);
}

void LockUnlockUnlockDestructor(RuntimeObject* object) {
  gLog.push_back("juggle");
  RuntimeLockObject(object);
  RuntimeUnlockObject(object);
  RuntimeUnlockObject(object);
}

// Field 0 holds another object that this one releases in its destructor.
void ReleaseHeldDestructor(RuntimeObject* object) {
  gLog.push_back("release-held");
  RuntimeUnlockObject(reinterpret_cast<RuntimeObject*>(Field(object, 0)));
}

RuntimeClass* TwoLevelClass(const char* rootName, const char* leafName, ObjectFunction leafDtor) {
  RuntimeClass* root = MakeClass(nullptr, rootName, 1);
  root->destructor = RecordDestructor<0>;
  root->finalizer = RecordFinalizer<0>;
  RuntimeClass* leaf = MakeClass(root, leafName, 0);
  leaf->destructor = leafDtor;
  leaf->finalizer = RecordFinalizer<1>;
  return leaf;
}

TEST_F(ObjectDestructionTest, DestructorDroppingItsOwnObjectRunsEveryStepOnce) {
  struct Case {
    const char* name;
    ObjectFunction destructor;
    const char* logged;
  };
  const Case cases[] = {{"bare unlock", SelfReleasingDestructor, "release-self"},
                        {"lock, unlock, unlock", LockUnlockUnlockDestructor, "juggle"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RuntimeClass* cls = TwoLevelClass("SelfDropRoot", "SelfDropLeaf", c.destructor);
    RuntimeObject* object = RuntimeNewObject(cls);
    gLog.clear();
    RuntimeUnlockObject(object);
    EXPECT_EQ(gLog, (Log{c.logged, "dtor0", "fin1", "fin0"}));
    EXPECT_EQ(LiveObjectCount(), baseline);
  }
}

TEST_F(ObjectDestructionTest, OuterObjectDroppedByANestedDestructorIsFreedOnce) {
  // a's destructor releases b; b's destructor releases a, which is still being destroyed.
  RuntimeClass* cls = TwoLevelClass("CycleRoot", "CycleLeaf", ReleaseHeldDestructor);
  RuntimeObject* a = RuntimeNewObject(cls);
  RuntimeObject* b = RuntimeNewObject(cls);
  Field(a, 0) = reinterpret_cast<uintptr_t>(b);
  Field(b, 0) = reinterpret_cast<uintptr_t>(a);
  gLog.clear();
  RuntimeUnlockObject(a);
  // b is destroyed and freed inside a's leaf destructor; a's destruction then goes on.
  EXPECT_EQ(gLog, (Log{"release-held", "release-held", "dtor0", "fin1", "fin0", "dtor0",
                            "fin1", "fin0"}));
}

RuntimeObject* gKept = nullptr;
void KeepAfterJuggleDestructor(RuntimeObject* object) {
  RuntimeLockObject(object);
  RuntimeUnlockObject(object);
  RuntimeLockObject(object);
  gKept = object;
}

TEST_F(ObjectDestructionTest, ResurrectionByLockingStillKeepsTheObject) {
  RuntimeClass* cls = TwoLevelClass("KeepRoot", "KeepLeaf", KeepAfterJuggleDestructor);
  RuntimeObject* object = RuntimeNewObject(cls);
  gLog.clear();
  RuntimeUnlockObject(object);
  EXPECT_TRUE(gLog.empty());
  ASSERT_EQ(gKept, object);
  EXPECT_EQ(object->refCount, 1);
  EXPECT_EQ(LiveObjectCount(), baseline + 1);
  // A second release with a destructor that lets go frees it for good.
  cls->destructor = SelfReleasingDestructor;
  RuntimeUnlockObject(object);
  EXPECT_EQ(gLog, (Log{"release-self", "dtor0", "fin1", "fin0"}));
}

}  // namespace
