// The DragItem class on its own: entries bound to the item current when they were set, the
// drop rectangle, four-byte raw-data types, and a finalizer that lets go of everything held.
#include "windows/DragItem.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/FolderItemImp.h"
#include "graphics/PictureClass.h"
#include "TextFixtures.h"
#include "support/TestSupport.h"

namespace {

using qvtest::Bytes;
using qvtest::Text;

class DragItemTest : public testing::Test {
 protected:
  void SetUp() override {
    mItem = NewDragItem();
    ASSERT_NE(mItem, nullptr);
  }
  void TearDown() override { RuntimeUnlockObject(mItem); }
  DragItemObject* Fields() { return DragItemFields(mItem); }
  // DropLeft, DropTop, DropWidth, DropHeight.
  std::vector<int32_t> Drop() {
    return {dragItemDropLeft(mItem, 0), dragItemDropTop(mItem, 0), dragItemDropWidth(mItem, 0),
            dragItemDropHeight(mItem, 0)};
  }
  RuntimeObject* mItem = nullptr;
};

TEST_F(DragItemTest, ANewItemHoldsNothingAndHasOneEntry) {
  EXPECT_FALSE(DragItemTextAvailable(mItem));
  EXPECT_EQ(Bytes(dragItemTextGetter(mItem, 0)), "");
  EXPECT_FALSE(DragItemPictureAvailable(mItem));
  EXPECT_FALSE(DragItemFolderItemAvailable(mItem));
  EXPECT_EQ(dragItemPictureGetter(mItem, 0), nullptr);
  EXPECT_EQ(Fields()->itemCount, 1);
  EXPECT_FALSE(DragItemNextItem(mItem));
  EXPECT_EQ(dragItemGetHandle(mItem, 0), 0);
}

TEST_F(DragItemTest, TheDropRectangleReadsOnlyForADrop) {
  struct Case {
    const char* step;
    std::function<void()> action;
    bool dropped;
    std::vector<int32_t> expected;
  };
  const std::vector<Case> cases = {
      {"AddItem, no drop", [&] { DragItemAddItem(mItem, 10, 20, 30, 40); }, false, {0, 0, 0, 0}},
      {"a drop", [] {}, true, {10, 20, 30, 40}},
      {"DropLeft keeps the width", [&] { DragItemDropLeftSetter(mItem, 0, 50); }, true,
       {50, 20, 30, 40}},
      {"DropTop keeps the height", [&] { DragItemDropTopSetter(mItem, 0, -7); }, true,
       {50, -7, 30, 40}},
      {"a negative width reads 0", [&] { DragItemDropWidthSetter(mItem, 0, -5); }, true,
       {50, -7, 0, 40}},
      {"height", [&] { DragItemDropHeightSetter(mItem, 0, 3); }, true, {50, -7, 0, 3}},
      {"the origin moves what is read", [&] {
         Fields()->originLeft = -50;
         Fields()->originTop = 7;
       }, true, {0, 0, 0, 3}},
      {"and what is set", [&] { DragItemDropLeftSetter(mItem, 0, 5); }, true, {5, 0, 0, 3}},
  };
  for (const Case& c : cases) {
    c.action();
    Fields()->dropped = c.dropped;
    EXPECT_EQ(Drop(), c.expected) << c.step;
  }
  EXPECT_EQ(Fields()->currentItem, 1);
  EXPECT_EQ(Fields()->itemCount, 2);
  // Item 0 has no rectangle: a drop there reads 0.
  Fields()->currentItem = 0;
  EXPECT_EQ(Drop(), (std::vector<int32_t>{0, 0, 0, 0}));
}

TEST_F(DragItemTest, EntriesBelongToTheItemCurrentWhenTheyWereSet) {
  dragItemTextSetter(mItem, 0, Text("first").Storage());
  DragItemAddItem(mItem, 0, 0, 0, 0);
  EXPECT_FALSE(DragItemTextAvailable(mItem));
  dragItemTextSetter(mItem, 0, Text("second").Storage());
  DragItemSetMacData(mItem, Text("TEST").Storage(), Text("raw").Storage());
  DragItemAddItem(mItem, 0, 0, 0, 0);  // item 2 gets nothing
  Fields()->currentItem = 0;
  EXPECT_EQ(Bytes(dragItemTextGetter(mItem, 0)), "first");
  EXPECT_FALSE(DragItemMacDataAvailable(mItem, Text("TEST").Storage()));
  ASSERT_TRUE(DragItemNextItem(mItem));
  EXPECT_EQ(Bytes(dragItemTextGetter(mItem, 0)), "second");
  EXPECT_EQ(Bytes(DragItemGetMacData(mItem, Text("TEST").Storage())), "raw");
  ASSERT_TRUE(DragItemNextItem(mItem));
  EXPECT_FALSE(DragItemTextAvailable(mItem));
  EXPECT_FALSE(DragItemNextItem(mItem));
}

TEST_F(DragItemTest, RawDataTypesAreFourBytesIgnoringCase) {
  DragItemSetMacData(mItem, Text("TEST").Storage(), Text("data").Storage());
  EXPECT_TRUE(DragItemMacDataAvailable(mItem, Text("test").Storage()));
  EXPECT_EQ(Bytes(DragItemGetMacData(mItem, Text("tEsT").Storage())), "data");
  // A short type is padded, a long one cut, both when stored and when compared.
  DragItemSetMacData(mItem, Text("ab").Storage(), Text("short").Storage());
  EXPECT_EQ(Bytes(DragItemGetMacData(mItem, Text("AB").Storage())), "short");
  EXPECT_EQ(Bytes(DragItemGetMacData(mItem, Text("ab  ").Storage())), "short");
  EXPECT_FALSE(DragItemMacDataAvailable(mItem, Text("abc").Storage()));
  DragItemSetPrivateMacData(mItem, Text("LONGER").Storage(), Text("cut").Storage());
  EXPECT_EQ(Bytes(DragItemGetMacData(mItem, Text("LONG").Storage())), "cut");
  EXPECT_EQ(Bytes(DragItemGetMacData(mItem, Text("longest").Storage())), "cut");
  // Setting again replaces; an empty type reads nothing.
  DragItemSetMacData(mItem, Text("TEST").Storage(), Text("again").Storage());
  EXPECT_EQ(Bytes(DragItemGetMacData(mItem, Text("TEST").Storage())), "again");
  EXPECT_EQ(Bytes(DragItemGetMacData(mItem, nullptr)), "");
  EXPECT_FALSE(DragItemMacDataAvailable(mItem, Text("NONE").Storage()));
}

TEST_F(DragItemTest, PicturesWithoutAnImageAreNotStored) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "pictures need a display";
  RuntimeObject* picture = newPicture(4, 4, 32);
  dragItemPictureSetter(mItem, 0, picture);
  RuntimeObject* vector = newPicture(4, 4, 0);
  dragItemPictureSetter(mItem, 0, vector);
  dragItemPictureSetter(mItem, 0, nullptr);
  RuntimeObject* back = dragItemPictureGetter(mItem, 0);
  EXPECT_EQ(back, picture);
  RuntimeUnlockObject(back);
  RuntimeUnlockObject(vector);
  RuntimeUnlockObject(picture);
}

TEST_F(DragItemTest, TheFinalizerReleasesEverythingItHolds) {
  const string text = Text("held text");
  const string data = Text("held data");
  RuntimeObject* folder = NewFolderItemObject(Text("/tmp"));
  ASSERT_NE(folder, nullptr);
  RuntimeObject* picture = qvtest::HaveDisplay() ? newPicture(2, 2, 32) : nullptr;
  const int32_t textRefs = text.Storage()->refCount, dataRefs = data.Storage()->refCount;
  dragItemTextSetter(mItem, 0, text.Storage());
  DragItemAddItem(mItem, 1, 2, 3, 4);
  dragItemFolderItemSetter(mItem, 0, folder);
  dragItemPictureSetter(mItem, 0, picture);
  DragItemSetMacData(mItem, Text("TEST").Storage(), data.Storage());
  EXPECT_EQ(text.Storage()->refCount, textRefs + 1);
  EXPECT_EQ(folder->refCount, 2);
  if (picture) {
    EXPECT_EQ(picture->refCount, 2);
  }
  RuntimeObject* back = dragItemFolderItemGetter(mItem, 0);
  EXPECT_EQ(back, folder);
  RuntimeUnlockObject(back);

  RuntimeUnlockObject(std::exchange(mItem, nullptr));
  EXPECT_EQ(text.Storage()->refCount, textRefs);
  EXPECT_EQ(data.Storage()->refCount, dataRefs);
  EXPECT_EQ(folder->refCount, 1);
  if (picture) {
    EXPECT_EQ(picture->refCount, 1);
  }
  RuntimeUnlockObject(folder);
  RuntimeUnlockObject(picture);
}

TEST(DragItemChecks, ANilItemIsAFailedCheckForHandle) {
  qvtest::ReportCapture reports;
  EXPECT_EQ(dragItemGetHandle(nullptr, 0), 0);
  EXPECT_TRUE(reports.HasCondition("obj"));
}

}  // namespace
