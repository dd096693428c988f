// Collection: keys that repeat and ignore case, the first match winning, 1-based indexes and
// what lies outside them, the references elements hold, and a value whose finalizer lets go of
// the collection.
#include <gtest/gtest.h>

#include <utility>

#include "core/TestClasses.h"
#include "values/VariantTestSupport.h"
#include "app/ExternalClasses.h"
#include "values/Collection.h"
#include "core/ObjectDefinitionConverter.h"

namespace {

TEST(Collection, KeysRepeatIgnoringCaseAndTheFirstMatchWins) {
  RuntimeInitExternalClasses();
  qvtest::RaisedExceptions raised;
  qvtest::HeldVariants v;
  RuntimeObject* c = NewObjectFromDefinition(CollectionClassDefinition());
  auto at = [&](int32_t index) { return qvtest::DescribeVariant(v(collectionIdxItem(c, index))); };
  auto keyed = [&](const char* key) {
    return qvtest::DescribeVariant(v(collectionItem(c, string(key).Storage())));
  };
  EXPECT_EQ(collectionCount(c), 0);
  EXPECT_EQ(at(1), "nil");
  EXPECT_EQ(raised.TakeOne(), "OutOfBoundsException");
  RuntimeObject* first = v.Text("first");
  collectionAdd(c, first, string("a").Storage());
  collectionAdd(c, v.Text("second"), string("A").Storage());
  collectionAdd(c, v.Text("third"), string("b").Storage());
  EXPECT_EQ(first->refCount, 2);
  EXPECT_EQ(keyed("A") + "," + keyed("absent"), "String first,nil");
  const int32_t held = first->refCount;
  collectionKeyRemove(c, string("a").Storage());
  EXPECT_EQ(first->refCount, held - 1);
  EXPECT_EQ(collectionCount(c), 2);
  EXPECT_EQ(keyed("a"), "String second");
  collectionKeyRemove(c, string("absent").Storage());
  EXPECT_EQ(raised.Take().size(), 0u);
  EXPECT_EQ(at(0) + at(3), "nilnil");
  collectionIdxRemove(c, 3);
  EXPECT_EQ(raised.Take(), std::vector<std::string>(3, "OutOfBoundsException"));
  collectionIdxRemove(c, 1);
  EXPECT_EQ(at(1), "String third") << "the former second element";
  collectionAdd(c, first, nullptr);
  EXPECT_EQ(RuntimeLookupCollectionClass(), c->classPtr);
  RuntimeUnlockObject(c);
  EXPECT_EQ(first->refCount, held - 1) << "the destructor lets the values go";
}

// A value whose finalizer (compiled code) reads the collection it leaves and then drops the
// program's last reference to it, while the removal that let the value go is still under way.
RuntimeObject* gCollection;
int32_t gCountSeen = -1;
void DropCollection(RuntimeObject*) {
  RuntimeObject* collection = std::exchange(gCollection, nullptr);
  gCountSeen = collectionCount(collection);
  RuntimeUnlockObject(collection);
}

// The element has left the list before its value goes, by index or by key, and nothing of the
// collection is touched after (run under the sanitizers too).
TEST(Collection, AValueMayReleaseTheCollectionItLeaves) {
  RuntimeInitExternalClasses();
  RuntimeClass* dropping = qvtest::MakeClass(nullptr, "DroppingValue");
  dropping->finalizer = DropCollection;
  const int32_t live = LiveObjectCount();
  for (int how = 0; how < 2; ++how) {
    gCollection = NewObjectFromDefinition(CollectionClassDefinition());
    RuntimeObject* value = RuntimeNewObject(dropping);
    collectionAdd(gCollection, value, string("k").Storage());
    collectionAdd(gCollection, value, string("other").Storage());
    RuntimeUnlockObject(value);
    RuntimeObject* collection = gCollection;
    if (how == 0) collectionIdxRemove(collection, 1);
    if (how == 1) collectionKeyRemove(collection, string("k").Storage());
    collectionIdxRemove(collection, 1);
    EXPECT_EQ(gCollection, nullptr) << how;
    EXPECT_EQ(gCountSeen, 0) << how;
    EXPECT_EQ(LiveObjectCount(), live) << how;
  }
}

}  // namespace
