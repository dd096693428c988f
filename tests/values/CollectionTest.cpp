// Collection: keys that repeat and ignore case, the first match winning, 1-based indexes and
// what lies outside them, and the references elements hold.
#include <gtest/gtest.h>

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

}  // namespace
