// The "Runtime" class: counts and indexes that leave the inspector out, index walks in every
// order against a walk of the live list, a cache that never outlives its object nor a shift of
// the list, the singleton, and the dump file.
#include "core/RuntimeInspection.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <vector>

#include "TestClasses.h"
#include "core/Memory.h"
#include "strings/RuntimeString.h"
#include "support/TestSupport.h"

namespace {

std::string ClassAt(RuntimeObject* self, int32_t index) {
  string name = string::Adopt(RuntimeDebugObjectClass(self, index));
  return name.CString();
}

// The live objects newest first, the inspector left out.
std::vector<RuntimeObject*> LiveObjectsWithout(RuntimeObject* self) {
  std::vector<RuntimeObject*> objects;
  for (RuntimeObject* o = FirstLiveObject(); o; o = o->nextObject) {
    if (o != self) objects.push_back(o);
  }
  return objects;
}

int32_t IdOf(RuntimeObject* object) {
  return int32_t(reinterpret_cast<uintptr_t>(object) ^ kObjectIDMask);
}

class RuntimeInspection : public ::testing::Test {
 protected:
  void SetUp() override {
    cls = qvtest::MakeClass(nullptr, "Inspected", 1);
    self = RuntimeDebugInstance();
    for (int i = 0; i < 12; ++i) {
      made.push_back(RuntimeNewObject(cls));
      for (int k = 0; k < i % 3; ++k) RuntimeLockObject(made.back());
    }
  }
  void TearDown() override {
    for (RuntimeObject* object : made) {
      while (object && object->refCount > 1) RuntimeUnlockObject(object);
      RuntimeUnlockObject(object);
    }
    RuntimeUnlockObject(self);
  }
  void Release(size_t i) {
    while (made[i]->refCount > 1) RuntimeUnlockObject(made[i]);
    RuntimeUnlockObject(made[i]);
    made[i] = nullptr;
  }
  RuntimeClass* cls = nullptr;
  RuntimeObject* self = nullptr;
  std::vector<RuntimeObject*> made;
};

TEST_F(RuntimeInspection, CountsAndIndexesLeaveTheInspectorOut) {
  const std::vector<RuntimeObject*> live = LiveObjectsWithout(self);
  const int32_t count = RuntimeDebugObjectCount(self, 0);
  EXPECT_EQ(count, LiveObjectCount() - 1);
  EXPECT_EQ(size_t(count), live.size());
  EXPECT_EQ(RuntimeDebugObjectID(self, count), 0);
  EXPECT_EQ(RuntimeDebugObjectClass(self, count), nullptr);
  EXPECT_EQ(RuntimeDebugObjectRefs(self, -1), 0);
  EXPECT_EQ(ClassAt(self, 0), "Inspected");  // newest first
  EXPECT_EQ(RuntimeDebugObjectRefs(self, 0), 1 + 11 % 3);
  EXPECT_NE(RuntimeDebugObjectID(self, 0), int32_t(reinterpret_cast<uintptr_t>(made.back())));
  EXPECT_EQ(RuntimeDebugMemoryUsed(self, 0), SmallBlockBytesInUse());
  // The singleton: one object, a reference per call, a new one after the last goes.
  RuntimeObject* again = RuntimeDebugInstance();
  EXPECT_EQ(again, self);
  EXPECT_EQ(self->refCount, 2);
  RuntimeUnlockObject(again);
}

TEST_F(RuntimeInspection, WalksInAnyOrderMatchAWalkFromTheHead) {
  const std::vector<RuntimeObject*> live = LiveObjectsWithout(self);
  const int32_t n = int32_t(live.size());
  for (int32_t i = 0; i < n; ++i) ASSERT_EQ(RuntimeDebugObjectID(self, i), IdOf(live[size_t(i)]));
  for (int32_t i = n - 1; i >= 0; --i) {
    ASSERT_EQ(RuntimeDebugObjectID(self, i), IdOf(live[size_t(i)]));
    ASSERT_EQ(RuntimeDebugObjectRefs(self, i), live[size_t(i)]->refCount);
  }
  std::mt19937 rng(7);
  for (int k = 0; k < 200; ++k) {
    const int32_t i = int32_t(rng() % uint32_t(n + 2)) - 1;
    ASSERT_EQ(RuntimeDebugObjectID(self, i), i >= 0 && i < n ? IdOf(live[size_t(i)]) : 0) << i;
  }
}

// The cache follows the list: a destroyed object is never named, and objects made or destroyed
// elsewhere shift the indexes under it.
TEST_F(RuntimeInspection, CacheNeverOutlivesItsObjectOrAShift) {
  EXPECT_EQ(RuntimeDebugObjectID(self, 3), IdOf(made[8]));
  Release(8);
  EXPECT_EQ(RuntimeDebugObjectID(self, 3), IdOf(made[7]));
  EXPECT_EQ(RuntimeDebugObjectID(self, 2), IdOf(made[9]));
  Release(11);  // not the cached one: everything after it moves up
  EXPECT_EQ(RuntimeDebugObjectID(self, 2), IdOf(made[7]));
  EXPECT_EQ(RuntimeDebugObjectID(self, 3), IdOf(made[6]));
  made.push_back(RuntimeNewObject(cls));  // a new head moves everything down
  EXPECT_EQ(RuntimeDebugObjectID(self, 3), IdOf(made[7]));
  EXPECT_EQ(RuntimeDebugObjectID(self, 2), IdOf(made[9]));
  // One made and the cached one destroyed: the count is as before, the cache still goes.
  made.push_back(RuntimeNewObject(cls));
  Release(9);
  EXPECT_EQ(RuntimeDebugObjectID(self, 2), IdOf(made[10]));
  EXPECT_EQ(RuntimeDebugObjectRefs(self, 2), made[10]->refCount);
}

TEST_F(RuntimeInspection, DumpWritesTheCountsAndEveryClassName) {
  char folder[] = "/tmp/qvdumpXXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string path = std::string(folder) + "/objects.txt";
  string pathText(path.c_str());
  const int32_t used = SmallBlockBytesInUse();
  debugDumpObjects(pathText.Storage());
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  const std::vector<RuntimeObject*> live = LiveObjectsWithout(self);
  ASSERT_EQ(lines.size(), live.size() + 2);
  EXPECT_EQ(lines[0], std::to_string(used) + " used in heap1");
  EXPECT_EQ(lines[1], std::to_string(live.size()) + " objects");
  for (size_t i = 0; i < live.size(); ++i) {
    EXPECT_EQ(lines[i + 2], stringStorage::CString(live[i]->classPtr->className)) << i;
  }
  EXPECT_EQ(self->refCount, 1);
  unlink(path.c_str());
  rmdir(folder);
}

}  // namespace
