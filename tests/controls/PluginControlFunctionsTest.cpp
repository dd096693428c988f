// What plug-ins read and change of controls and windows: a control before it has a pane
// answers from its stored fields; placed in a real window, from its pane, including a control
// inside a group, one on a tab panel page that is not in front, and one in a window embedded
// in another window's control.
#include <gtest/gtest.h>

#include "ControlFixtures.h"
#include "controls/PluginControlFunctions.h"
#include "core/ObjectDefinitionConverter.h"
#include "graphics/GraphicsClass.h"
#include "support/GuiDriver.h"
#include "windows/PaneFocus.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/SubPane.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

using qvtest::ControlKind;
using qvtest::ControlPlan;

bool SameRect(const QV::Rect& a, const QV::Rect& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

// The kit's classes, without a window opened.
class PluginControlFunctions : public testing::Test {
 protected:
  // A window object whose native window is closed, as an embedded window's is.
  RuntimeObject* NewWindowObject() {
    static RuntimeClass* cls = qvtest::Subclass("Window", "PluginControlsWindow");
    RuntimeObject* window = RuntimeNewObject(cls);
    RuntimeCloseWindow(window);
    return window;
  }
  qvtest::ControlKit kit;
};

// Everything given nil, or an object of the wrong kind, answers neutrally.
TEST_F(PluginControlFunctions, NilAndWrongKindsAnswerNeutrally) {
  QV::Rect rect{1, 2, 3, 4};
  GetControlBounds(nullptr, &rect);
  EXPECT_TRUE(SameRect(rect, QV::Rect{1, 2, 3, 4}));
  RuntimeObject* window = NewWindowObject();
  ASSERT_EQ(AsWindow(window)->mImp, nullptr);
  GetControlBounds(window, &rect);  // a window is no control
  EXPECT_TRUE(SameRect(rect, QV::Rect{1, 2, 3, 4}));
  EXPECT_EQ(GetControlVisible(window), 0);
  SetControlVisible(nullptr, 1);
  EXPECT_EQ(GetTabPanelVisible(nullptr), 0);
  EXPECT_EQ(QUORGetControlEnabled(nullptr), 0);
  EXPECT_EQ(QUORGetControlFocus(nullptr), 0);
  QUORSetControlFocus(nullptr, 1);
  EXPECT_EQ(QUORGetControlGraphics(nullptr), nullptr);
  QUORInvalidateControl(nullptr);
  QUORInvalidateControlRect(window, 0, 0, 10, 10);
  EXPECT_EQ(QUORGetControlHandle(window), nullptr);
  EXPECT_EQ(QUORGetWindowHandle(nullptr), nullptr);
  EXPECT_EQ(QUORGetWindowHandle(window), nullptr);  // not built
  EXPECT_EQ(QUORIsHIViewWindow(window), 0);
  EXPECT_EQ(getControlWindow(window), nullptr);
  EXPECT_EQ(QUORGetControlParent(nullptr), nullptr);
  RuntimeUnlockObject(window);
}

// Before its pane is made the control's own fields answer; what needs a pane gives nothing.
TEST_F(PluginControlFunctions, WithoutAPaneTheStoredFieldsAnswer) {
  RuntimeObject* button = RuntimeNewObject(kit.buttonClass);
  ControlObject* record = AsControl(button);
  record->bounds = QV::Rect{5, 6, 25, 86};
  record->visible = 0;
  record->enabled = 1;
  QV::Rect rect{};
  GetControlBounds(button, &rect);
  EXPECT_TRUE(SameRect(rect, record->bounds));
  EXPECT_EQ(GetControlVisible(button), 0);
  EXPECT_EQ(QUORGetControlEnabled(button), 1);
  record->visible = 1;
  record->enabled = 0;
  EXPECT_EQ(GetControlVisible(button), 1);
  EXPECT_EQ(QUORGetControlEnabled(button), 0);
  SetControlVisible(button, 0);  // the property setter stores it
  EXPECT_EQ(record->visible, 0);
  EXPECT_EQ(GetTabPanelVisible(button), 0);
  EXPECT_EQ(QUORGetControlFocus(button), 0);
  EXPECT_EQ(QUORGetControlGraphics(button), nullptr);
  EXPECT_EQ(QUORGetControlHandle(button), nullptr);
  EXPECT_EQ(QUORGetControlParent(button), nullptr);
  EXPECT_EQ(getControlWindow(button), nullptr);
  RuntimeUnlockObject(button);
}

// A window embedded in a control of another window: the control window is the outer one.
TEST_F(PluginControlFunctions, TheControlWindowIsTheOutermost) {
  RuntimeObject* outer = NewWindowObject();
  RuntimeObject* inner = NewWindowObject();
  RuntimeObject* holder = RuntimeNewObject(kit.buttonClass);
  RuntimeObject* button = RuntimeNewObject(kit.buttonClass);
  AsControl(holder)->window = outer;
  AsControl(button)->window = inner;
  AsWindow(inner)->mEmbeddedWindowControl = holder;
  EXPECT_EQ(getControlWindow(button), outer);
  EXPECT_EQ(getControlWindow(holder), outer);
  AsWindow(inner)->mEmbeddedWindowControl = nullptr;
  EXPECT_EQ(getControlWindow(button), inner);
  AsControl(holder)->window = nullptr;
  AsControl(button)->window = nullptr;
  for (RuntimeObject* object : {button, holder, inner, outer}) RuntimeUnlockObject(object);
}

class PluginControlWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }
  RuntimeObject* Control(const std::string& key) { return kit.Control(window, key); }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  RuntimeObject* window = nullptr;
  qvtest::XWindow xid = 0;
};

TEST_F(PluginControlWindowTest, PlacedControlsAnswerFromTheirPanes) {
  window = kit.OpenAndFocus(
      gui, "Plug-in controls",
      {{.name = "Group", .bounds = {10, 10, 110, 200}, .container = true},
       {.name = "Inner", .bounds = {30, 20, 60, 120}, .caption = "Inner"},
       {.name = "Outer", .bounds = {120, 10, 150, 120}, .caption = "Outer"},
       {.name = "Tabs", .bounds = {160, 10, 290, 290}, .kind = ControlKind::kTabPanel,
        .tabs = "One\rTwo"},
       {.name = "Front", .bounds = {200, 20, 230, 120}, .caption = "Front", .page = 1},
       {.name = "Back", .bounds = {200, 130, 230, 230}, .caption = "Back", .page = 2}},
      &xid);
  ASSERT_NE(window, nullptr);
  RuntimeObject* group = Control("Group");
  RuntimeObject* inner = Control("Inner");
  RuntimeObject* outer = Control("Outer");
  ASSERT_TRUE(group && inner && outer && AsControl(inner)->pane);
  SubPane* pane = AsControl(inner)->pane;

  // Parents: the group holds Inner; the window itself holds Outer and the group.
  EXPECT_EQ(QUORGetControlParent(inner), group);
  EXPECT_EQ(QUORGetControlParent(outer), nullptr);
  EXPECT_EQ(QUORGetControlParent(group), nullptr);
  EXPECT_EQ(QUORGetControlParent(Control("Back")), Control("Tabs"));

  // The pane's bounds, not a stale stored copy.
  QV::Rect rect{};
  AsControl(inner)->bounds = QV::Rect{0, 0, 1, 1};
  GetControlBounds(inner, &rect);
  EXPECT_TRUE(SameRect(rect, pane->GetBounds()));

  // The page that is not in front hides its control from its owner.
  EXPECT_EQ(GetTabPanelVisible(Control("Front")), 1);
  EXPECT_EQ(GetTabPanelVisible(Control("Back")), 0);
  EXPECT_EQ(GetControlVisible(Control("Back")), 1);

  SetControlVisible(inner, 0);
  EXPECT_EQ(GetControlVisible(inner), 0);
  EXPECT_FALSE(pane->IsVisible());
  SetControlVisible(inner, 1);
  EXPECT_EQ(GetControlVisible(inner), 1);
  EXPECT_EQ(QUORGetControlEnabled(inner), 1);

  QUORSetControlFocus(inner, 1);
  EXPECT_EQ(GetFocusPane(), pane);
  EXPECT_EQ(QUORGetControlFocus(inner), 1);
  EXPECT_EQ(QUORGetControlFocus(outer), 0);
  QUORSetControlFocus(outer, 0);  // not focused: nothing changes
  EXPECT_EQ(GetFocusPane(), pane);
  QUORSetControlFocus(inner, 0);
  EXPECT_EQ(QUORGetControlFocus(inner), 0);

  RuntimeObject* graphics = QUORGetControlGraphics(inner);
  ASSERT_NE(graphics, nullptr);
  EXPECT_TRUE(ObjectIsaDefinition(graphics, GraphicsClassDefinition()));
  EXPECT_NE(NativeGraphicsOf(graphics), nullptr);
  RuntimeUnlockObject(graphics);

  EXPECT_EQ(QUORGetControlHandle(inner), pane->GetWidget());
  RuntimeViewWindow* native = AsWindow(window)->mImp;
  ASSERT_NE(native, nullptr);
  EXPECT_EQ(QUORGetWindowHandle(window), GTK_WIDGET(native->GetGtkWindow()));
  EXPECT_EQ(QUORIsHIViewWindow(window), AsWindow(window)->composite);
  EXPECT_EQ(getControlWindow(inner), window);

  // Invalidation reaches the pane's GdkWindow as an update area of the rectangle's size.
  GdkWindow* gdkWindow = pane->GetGdkWindow();
  ASSERT_NE(gdkWindow, nullptr);
  if (GdkRegion* pending = gdk_window_get_update_area(gdkWindow)) gdk_region_destroy(pending);
  QUORInvalidateControlRect(inner, 25, 35, 45, 50);
  GdkRegion* area = gdk_window_get_update_area(gdkWindow);
  ASSERT_NE(area, nullptr);
  GdkRectangle box;
  gdk_region_get_clipbox(area, &box);
  EXPECT_EQ(box.width, 20);
  EXPECT_EQ(box.height, 15);
  gdk_region_destroy(area);
}

}  // namespace
