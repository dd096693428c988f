// The "Runtime" class: indexes that leave the inspector out, walks in any order against a walk
// of the live list, a cache that never outlives its object or a shift of the list, the dump.
#include "values/RuntimeInspection.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <vector>

#include "core/TestClasses.h"
#include "core/Memory.h"
#include "strings/RuntimeString.h"
#include "support/TempFolder.h"

namespace {

int32_t IdOf(RuntimeObject* object) {
  return object ? int32_t(reinterpret_cast<uintptr_t>(object) ^ kObjectIDMask) : 0;
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
    for (size_t i = 0; i < made.size(); ++i) Release(i);
    RuntimeUnlockObject(self);
  }
  void Release(size_t i) {
    while (made[i] && made[i]->refCount > 1) RuntimeUnlockObject(made[i]);
    RuntimeUnlockObject(made[i]);
    made[i] = nullptr;
  }
  // The live objects newest first, the inspector left out.
  std::vector<RuntimeObject*> Live() const {
    std::vector<RuntimeObject*> objects;
    for (RuntimeObject* o = FirstLiveObject(); o; o = o->nextObject) {
      if (o != self) objects.push_back(o);
    }
    return objects;
  }
  RuntimeClass* cls = nullptr;
  RuntimeObject* self = nullptr;
  std::vector<RuntimeObject*> made;
};

TEST_F(RuntimeInspection, IndexesInAnyOrderMatchAWalkOfTheLiveList) {
  const std::vector<RuntimeObject*> live = Live();
  const int32_t n = int32_t(live.size());
  EXPECT_EQ(RuntimeDebugObjectCount(self, 0), n);
  EXPECT_EQ(RuntimeDebugObjectClass(self, n), nullptr);
  EXPECT_EQ(string::Adopt(RuntimeDebugObjectClass(self, 0)).Compare("Inspected"), 0);
  EXPECT_NE(RuntimeDebugObjectID(self, 0), int32_t(reinterpret_cast<uintptr_t>(made.back())));
  for (int32_t i = 0; i < n; ++i) ASSERT_EQ(RuntimeDebugObjectID(self, i), IdOf(live[size_t(i)]));
  for (int32_t i = n - 1; i >= 0; --i) {
    ASSERT_EQ(RuntimeDebugObjectRefs(self, i), live[size_t(i)]->refCount);
  }
  std::mt19937 rng(7);
  for (int k = 0; k < 200; ++k) {
    const int32_t i = int32_t(rng() % uint32_t(n + 2)) - 1;
    ASSERT_EQ(RuntimeDebugObjectID(self, i), IdOf(i >= 0 && i < n ? live[size_t(i)] : nullptr));
  }
  RuntimeObject* again = RuntimeDebugInstance();  // the singleton, a reference per call
  EXPECT_EQ(again, self);
  RuntimeUnlockObject(again);
}

// Objects made or destroyed elsewhere shift the indexes under the cache; a destroyed object
// is never named, even when one was made in its place and the count is as before.
TEST_F(RuntimeInspection, CacheNeverOutlivesItsObjectOrAShift) {
  EXPECT_EQ(RuntimeDebugObjectID(self, 3), IdOf(made[8]));
  Release(8);
  EXPECT_EQ(RuntimeDebugObjectID(self, 3), IdOf(made[7]));
  EXPECT_EQ(RuntimeDebugObjectID(self, 2), IdOf(made[9]));
  Release(11);
  EXPECT_EQ(RuntimeDebugObjectID(self, 2), IdOf(made[7]));
  made.push_back(RuntimeNewObject(cls));
  EXPECT_EQ(RuntimeDebugObjectID(self, 3), IdOf(made[7]));
  made.push_back(RuntimeNewObject(cls));
  Release(7);
  EXPECT_EQ(RuntimeDebugObjectID(self, 3), IdOf(made[9]));
  EXPECT_EQ(RuntimeDebugObjectRefs(self, 3), made[9]->refCount);
}

TEST_F(RuntimeInspection, DumpWritesTheCountsAndEveryClassName) {
  qvtest::TempFolder folder("qvdump");
  const std::string path = folder / "objects.txt";
  const string pathText(path.c_str());
  const int32_t used = SmallBlockBytesInUse();
  debugDumpObjects(pathText.Storage());
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  const std::vector<RuntimeObject*> live = Live();
  ASSERT_EQ(lines.size(), live.size() + 2);
  EXPECT_EQ(lines[0], std::to_string(used) + " used in heap1");
  EXPECT_EQ(lines[1], std::to_string(live.size()) + " objects");
  for (size_t i = 0; i < live.size(); ++i) {
    EXPECT_EQ(lines[i + 2], stringStorage::CString(live[i]->classPtr->className)) << i;
  }
  EXPECT_EQ(self->refCount, 1);
}

}  // namespace
