// DockItem and TrayItem, which this platform keeps inert: no dock item, tray items that keep
// their properties and are never shown, and the one check AddTrayItem makes.
#include "app/DockAndTrayItems.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/ObjectDefinitionConverter.h"
#include "support/TestSupport.h"

namespace {

TEST(DockItem, TheApplicationHasNoneAndItsMembersDoNothing) {
  RuntimeObject* dock = NewObjectFromDefinition(DockItemClassDefinition());
  ASSERT_NE(dock, nullptr);
  {
    qvtest::ReportCapture reports;
    EXPECT_EQ(AppDockItemGetter(dock, 0), nullptr);  // any application object
    EXPECT_EQ(DockItemIconGraphicsGetter(dock, 0), nullptr);
    DockItemResetIcon(dock);
    DockItemIconUpdate(dock);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(AppDockItemGetter(nullptr, 0), nullptr);
    EXPECT_EQ(DockItemIconGraphicsGetter(nullptr, 0), nullptr);
    EXPECT_TRUE(reports.HasCondition("app"));
    EXPECT_TRUE(reports.HasCondition("dockItem"));
  }
  // The finalizer lets go of the one object a dock item may hold.
  RuntimeObject* held = NewObjectFromDefinition(DockItemClassDefinition());
  reinterpret_cast<DockItemObject*>(dock)->graphics = held;
  RuntimeLockObject(held);
  RuntimeUnlockObject(dock);
  EXPECT_EQ(held->refCount, 1);
  RuntimeUnlockObject(held);
}

TEST(TrayItem, AddingTwiceReportsNothingAndAnAddedItemIsRefused) {
  RuntimeObject* item = NewObjectFromDefinition(TrayItemClassDefinition());
  ASSERT_NE(item, nullptr);
  qvtest::ReportCapture reports;
  AddTrayItem(nullptr, item);
  AddTrayItem(nullptr, item);
  AddTrayItem(nullptr, nullptr);
  RemoveTrayItem(nullptr, item);
  RemoveAllTrayItems();
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(reinterpret_cast<TrayItemObject*>(item)->id, 0);
  // An item that a tray had numbered would be refused.
  reinterpret_cast<TrayItemObject*>(item)->id = 7;
  AddTrayItem(nullptr, item);
  ASSERT_EQ(reports.count(), 1u);
  EXPECT_EQ(reports.reports()[0].condition, "item->mID == 0");
  EXPECT_NE(reports.reports()[0].extra.find("Make a new TrayItem please."), std::string::npos);
  RuntimeUnlockObject(item);
}

TEST(TrayItem, IconAndHelpTagAreHeldUntilReplacedOrFinalized) {
  RuntimeObject* item = NewObjectFromDefinition(TrayItemClassDefinition());
  RuntimeObject* icon = NewObjectFromDefinition(DockItemClassDefinition());  // any object
  TrayItemObject* tray = reinterpret_cast<TrayItemObject*>(item);
  TrayItemSetPicture(item, 0, icon);
  EXPECT_EQ(icon->refCount, 2);
  EXPECT_EQ(tray->icon, icon);
  TrayItemSetPicture(item, 0, nullptr);
  EXPECT_EQ(icon->refCount, 1);
  EXPECT_EQ(tray->icon, nullptr);
  TrayItemSetPicture(item, 0, icon);

  const string tag = string::FromBytes("tip", 3, kEncodingUTF8);
  TrayItemSetHelpTag(item, 0, tag.Storage());
  EXPECT_EQ(tag.Storage()->refCount, 2);
  EXPECT_EQ(tray->helpTag, tag.Storage());
  RuntimeUnlockObject(item);
  EXPECT_EQ(tag.Storage()->refCount, 1);
  EXPECT_EQ(icon->refCount, 1);
  RuntimeUnlockObject(icon);
}

}  // namespace
