// Collection: keys that repeat and ignore case, the first match winning, 1-based indexes and
// what lies outside them.
#include <gtest/gtest.h>

#include "VariantTestSupport.h"
#include "app/ExternalClasses.h"
#include "core/Collection.h"
#include "core/ObjectDefinitionConverter.h"

namespace {

class CollectionTest : public ::testing::Test {
 protected:
  CollectionTest() {
    RuntimeInitExternalClasses();
    c = NewObjectFromDefinition(CollectionClassDefinition());
  }
  ~CollectionTest() override { RuntimeUnlockObject(c); }
  void Add(const char* value, const char* key) {
    collectionAdd(c, v.Text(value), string(key).Storage());
  }
  std::string At(int32_t index) { return qvtest::DescribeVariant(v(collectionIdxItem(c, index))); }
  std::string Keyed(const char* key) {
    return qvtest::DescribeVariant(v(collectionItem(c, string(key).Storage())));
  }

  qvtest::RaisedExceptions raised;
  qvtest::HeldVariants v;
  RuntimeObject* c;
};

TEST_F(CollectionTest, KeysRepeatIgnoringCaseAndTheFirstMatchWins) {
  EXPECT_EQ(collectionCount(c), 0);
  EXPECT_EQ(At(1), "nil");
  EXPECT_EQ(raised.TakeOne(), "OutOfBoundsException");
  Add("first", "a");
  Add("second", "A");
  Add("third", "b");
  EXPECT_EQ(Keyed("A"), "String first");
  EXPECT_EQ(Keyed("absent"), "nil");
  collectionKeyRemove(c, string("a").Storage());
  EXPECT_EQ(collectionCount(c), 2);
  EXPECT_EQ(Keyed("a"), "String second");
  collectionKeyRemove(c, string("absent").Storage());
  EXPECT_EQ(raised.Take().size(), 0u);
  EXPECT_EQ(At(0) + At(3), "nilnil");
  collectionIdxRemove(c, 3);
  EXPECT_EQ(raised.Take(), std::vector<std::string>(3, "OutOfBoundsException"));
  collectionIdxRemove(c, 1);
  EXPECT_EQ(At(1), "String third") << "the former second element";
  EXPECT_EQ(collectionCount(c), 1);
}

TEST_F(CollectionTest, ElementsHoldTheirValuesUntilRemovedOrDestroyed) {
  RuntimeObject* value = v.Text("held");
  collectionAdd(c, value, string("k").Storage());
  collectionAdd(c, value, string("k").Storage());
  EXPECT_EQ(value->refCount, 3);
  collectionIdxRemove(c, 2);
  EXPECT_EQ(value->refCount, 2);
  RuntimeUnlockObject(c);
  c = NewObjectFromDefinition(CollectionClassDefinition());
  EXPECT_EQ(value->refCount, 1);
  EXPECT_EQ(RuntimeLookupCollectionClass(), c->classPtr);
}

}  // namespace
