// The MDIWindow of a platform without a multiple-document frame: stored bounds, limits and
// visibility, an empty title, and the Application's own MDIWindow.
#include <gtest/gtest.h>

#include "app/ApplicationClass.h"
#include "core/ClassRegistry.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "strings/RuntimeString.h"
#include "windows/MDIWindow.h"

namespace {

enum { kLeft, kTop, kWidth, kHeight };

TEST(MDIWindow, BoundsKeepTheirSizeWhenMoved) {
  RuntimeObject* mdi = NewObjectFromDefinition(MDIWindowClassDefinition());
  ASSERT_NE(mdi, nullptr);
  MDIWindowPosSetter(mdi, kWidth, 100);
  MDIWindowPosSetter(mdi, kLeft, 10);
  MDIWindowPosSetter(mdi, kHeight, 50);
  MDIWindowPosSetter(mdi, kTop, -20);
  MDIWindowPosSetter(mdi, 7, 999);  // no such part
  EXPECT_EQ(MDIWindowPosGetter(mdi, kLeft), 10);
  EXPECT_EQ(MDIWindowPosGetter(mdi, kWidth), 100);
  EXPECT_EQ(MDIWindowPosGetter(mdi, kTop), -20);
  EXPECT_EQ(MDIWindowPosGetter(mdi, kHeight), 50);
  EXPECT_EQ(MDIWindowPosGetter(mdi, 7), 0);
  RuntimeUnlockObject(mdi);
}

TEST(MDIWindow, NewWindowsAreVisibleWithDefaultLimitsAndNoTitle) {
  RuntimeObject* mdi = NewObjectFromDefinition(MDIWindowClassDefinition());
  ASSERT_NE(mdi, nullptr);
  EXPECT_EQ(MDIWindowVisibleGetter(mdi, 0), 1);
  EXPECT_EQ(shortGetter(mdi, offsetof(MDIWindowObject, minWidth)), 64);
  EXPECT_EQ(shortGetter(mdi, offsetof(MDIWindowObject, maxHeight)), 32000);
  EXPECT_EQ(MDIWindowHandleGetter(mdi, 0), 0);
  MDIWindowTitleSetter(mdi, 0, string("Frame").Storage());
  EXPECT_EQ(MDIWindowTitleGetter(mdi, 0), nullptr);
  MDIWindowVisibleSetter(mdi, 0, 0);
  EXPECT_EQ(MDIWindowVisibleGetter(mdi, 0), 0);
  MDIWindowMaximize(mdi);  // inert
  EXPECT_EQ(MDIWindowPosGetter(mdi, kWidth), 0);
  RuntimeUnlockObject(mdi);
}

// The Application makes its MDIWindow once the class is registered, as start-up does.
TEST(MDIWindow, TheApplicationHasOne) {
  RegisterClassDefinition(MDIWindowClassDefinition());
  RuntimeObject* app = NewObjectFromDefinition(ApplicationClassDefinition());
  ASSERT_NE(app, nullptr);
  RuntimeObject* mdi = AsApplication(app)->mdiWindow;
  ASSERT_NE(mdi, nullptr);
  EXPECT_TRUE(ObjectIsaDefinition(mdi, MDIWindowClassDefinition()));
  RuntimeUnlockObject(app);
}

}  // namespace
