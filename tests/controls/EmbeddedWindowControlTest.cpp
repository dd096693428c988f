// An EmbeddedWindowControl given its template window directly: every event it implements
// reaches the template window's handler once, with the same arguments; moves and size changes
// of its pane raise the window's Moved, Resizing and Resized; without a template window each
// forwarder reports and passes nothing on.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <utility>

#include "ControlFixtures.h"
#include "controls/Canvas.h"
#include "controls/RuntimeControl.h"
#include "core/EventHandlers.h"
#include "support/GuiDriver.h"
#include "support/TestSupport.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

using qvtest::ControlKind;
using Log = std::vector<std::string>;

Log gHeard;
int32_t gAnswer = 0;

void Plain(const char* event) { gHeard.push_back(event); }
template <int N>
void Args(const char* event, int32_t (&values)[N]) {
  std::string entry = event;
  for (int32_t v : values) entry += " " + std::to_string(v);
  gHeard.push_back(entry);
}

// The template window's handlers.
void OnClose(RuntimeObject*) { Plain("Close"); }
void OnMouseMove(RuntimeObject*, int32_t x, int32_t y) {
  int32_t v[] = {x, y};
  Args("MouseMove", v);
}
void OnMouseEnter(RuntimeObject*) { Plain("MouseEnter"); }
void OnMouseExit(RuntimeObject*) { Plain("MouseExit"); }
void OnDropObject(RuntimeObject*, RuntimeObject* item, int32_t action) {
  int32_t v[] = {item ? 1 : 0, action};
  Args("DropObject", v);
}
int32_t OnMouseWheel(RuntimeObject*, int32_t x, int32_t y, int32_t dx, int32_t dy) {
  int32_t v[] = {x, y, dx, dy};
  Args("MouseWheel", v);
  return gAnswer;
}
void OnPaint(RuntimeObject*, RuntimeObject* g) {
  int32_t v[] = {g ? 1 : 0};
  Args("Paint", v);
}
int32_t OnMouseDown(RuntimeObject*, int32_t x, int32_t y) {
  int32_t v[] = {x, y};
  Args("MouseDown", v);
  return gAnswer;
}
void OnMouseDrag(RuntimeObject*, int32_t x, int32_t y) {
  int32_t v[] = {x, y};
  Args("MouseDrag", v);
}
void OnMouseUp(RuntimeObject*, int32_t x, int32_t y) {
  int32_t v[] = {x, y};
  Args("MouseUp", v);
}
int32_t OnKeyDown(RuntimeObject*, stringStorage* key) {
  gHeard.push_back(std::string("KeyDown ") + stringStorage::CString(key));
  return gAnswer;
}
void OnEnableMenuItems(RuntimeObject*) { Plain("EnableMenuItems"); }
void OnMoved(RuntimeObject*) { Plain("Moved"); }
void OnResizing(RuntimeObject*) { Plain("Resizing"); }
void OnResized(RuntimeObject*) { Plain("Resized"); }
std::function<void()> gOnDeactivate;
void OnDeactivate(RuntimeObject*) {
  Plain("Deactivate");
  if (gOnDeactivate) std::exchange(gOnDeactivate, nullptr)();
}

class EmbeddedWindowControlTest : public testing::Test {
 protected:
  void SetUp() override {
    gHeard.clear();
    gAnswer = 0;
    templateClass = qvtest::Subclass("Window", "KitTemplate");
    qvtest::SetHandler(templateClass, "Close", reinterpret_cast<void*>(&OnClose));
    qvtest::SetHandler(templateClass, "MouseMove", reinterpret_cast<void*>(&OnMouseMove));
    qvtest::SetHandler(templateClass, "MouseEnter", reinterpret_cast<void*>(&OnMouseEnter));
    qvtest::SetHandler(templateClass, "MouseExit", reinterpret_cast<void*>(&OnMouseExit));
    qvtest::SetHandler(templateClass, "DropObject", reinterpret_cast<void*>(&OnDropObject));
    qvtest::SetHandler(templateClass, "MouseWheel", reinterpret_cast<void*>(&OnMouseWheel));
    qvtest::SetHandler(templateClass, "Paint", reinterpret_cast<void*>(&OnPaint));
    qvtest::SetHandler(templateClass, "MouseDown", reinterpret_cast<void*>(&OnMouseDown));
    qvtest::SetHandler(templateClass, "MouseDrag", reinterpret_cast<void*>(&OnMouseDrag));
    qvtest::SetHandler(templateClass, "MouseUp", reinterpret_cast<void*>(&OnMouseUp));
    qvtest::SetHandler(templateClass, "KeyDown", reinterpret_cast<void*>(&OnKeyDown));
    qvtest::SetHandler(templateClass, "EnableMenuItems", reinterpret_cast<void*>(&OnEnableMenuItems));
    qvtest::SetHandler(templateClass, "Moved", reinterpret_cast<void*>(&OnMoved));
    qvtest::SetHandler(templateClass, "Resizing", reinterpret_cast<void*>(&OnResizing));
    qvtest::SetHandler(templateClass, "Resized", reinterpret_cast<void*>(&OnResized));
    templateWindow = RuntimeNewObject(templateClass);
    AsWindow(templateWindow)->visible = 1;
    RectSet(AsWindow(templateWindow)->bounds, 0, 0, 60, 40);
  }
  void TearDown() override {
    RuntimeUnlockObject(templateWindow);
  }
  RuntimeObject* NewControl(RuntimeObject* window) {
    RuntimeObject* control = RuntimeNewObject(kit.embeddedClass);
    RuntimeLockObject(window);
    reinterpret_cast<EmbeddedWindowControlObject*>(control)->mTemplateWindow = window;
    return control;
  }

  qvtest::ControlKit kit;
  RuntimeClass* templateClass = nullptr;
  RuntimeObject* templateWindow = nullptr;
};

TEST_F(EmbeddedWindowControlTest, EachEventReachesTheTemplateWindowOnce) {
  RuntimeObject* control = NewControl(templateWindow);
  EXPECT_TRUE(AsControl(control)->enabled && AsControl(control)->autoDeactivate);
  EXPECT_EQ(LookupEventHandler(control, CanvasEvents().paint),
            reinterpret_cast<void*>(&ewcPaint));
  RuntimeObject* item = RuntimeNewObject(kit.receiverClass);
  ewcOpen(control);
  ewcClose(control);
  ewcMouseMove(control, 3, 4);
  ewcMouseEnter(control);
  ewcMouseExit(control);
  ewcDropObject(control, item, 2);
  EXPECT_EQ(ewcMouseWheel(control, 5, 6, 0, -1), 0);
  ewcPaint(control, item);
  EXPECT_EQ(ewcMouseDown(control, 7, 8), 0);
  ewcMouseDrag(control, 9, 10);
  ewcMouseUp(control, 11, 12);
  EXPECT_EQ(ewcKeyDown(control, string("k").Storage()), 0);
  ewcEnableMenuItems(control);
  EXPECT_EQ(gHeard, (Log{"Close", "MouseMove 3 4", "MouseEnter", "MouseExit", "DropObject 1 2",
                         "MouseWheel 5 6 0 -1", "Paint 1", "MouseDown 7 8", "MouseDrag 9 10",
                         "MouseUp 11 12", "KeyDown k", "EnableMenuItems"}));
  gHeard.clear();
  gAnswer = 1;
  EXPECT_EQ(ewcMouseDown(control, 1, 1), 1);
  EXPECT_EQ(ewcKeyDown(control, string("x").Storage()), 1);
  EXPECT_EQ(ewcMouseWheel(control, 1, 1, 1, 1), 1);
  EXPECT_EQ(gHeard.size(), 3u);
  RuntimeUnlockObject(item);
  RuntimeUnlockObject(control);
}

TEST_F(EmbeddedWindowControlTest, WithoutATemplateWindowEachForwarderReportsAndAnswersFalse) {
  RuntimeObject* control = RuntimeNewObject(kit.embeddedClass);
  qvtest::ReportCapture reports;
  EXPECT_EQ(ewcMouseDown(control, 1, 1), 0);
  EXPECT_EQ(ewcKeyDown(control, string("k").Storage()), 0);
  ewcPaint(control, nullptr);
  ewcEnableMenuItems(control);
  ASSERT_EQ(reports.count(), 4u);
  for (const qvtest::CapturedReport& report : reports.reports()) {
    EXPECT_EQ(report.condition, "embeddedWindowControl->mTemplateWindow");
  }
  EXPECT_EQ(gHeard, (Log{}));
  RuntimeUnlockObject(control);
}

TEST_F(EmbeddedWindowControlTest, MovesAndSizeChangesReachTheTemplateWindow) {
  qvtest::GuiDriver gui;
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  kit.templateWindow = templateWindow;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = kit.OpenAndFocus(
      gui, "Embedding", {{.name = "Embedded", .bounds = {10, 10, 20, 20},
                          .kind = ControlKind::kEmbedded}}, &xid);
  SubPane* pane = AsControl(kit.Control(window, "Embedded"))->pane;
  ASSERT_NE(pane, nullptr);
  // The pane takes the template window's size.
  EXPECT_EQ(pane->Width(), 60);
  EXPECT_EQ(pane->Height(), 40);
  gHeard.clear();
  QV::Rect bounds = pane->GetBounds();
  RectOffset(bounds, 5, 0);
  pane->SetBounds(bounds, true);
  EXPECT_EQ(gHeard, (Log{"Moved"}));
  bounds.right += 10;
  pane->SetBoundsAndLayout(bounds, true);
  bounds.bottom += 10;
  pane->SetBoundsAndLayout(bounds, false);
  EXPECT_EQ(gHeard, (Log{"Moved", "Resizing", "Resized"}));
  const QV::Rect& stored = AsWindow(templateWindow)->bounds;
  EXPECT_EQ(stored.right - stored.left, 70);
  EXPECT_EQ(stored.bottom - stored.top, 50);
}

// The template window's Deactivate runs while the window the control is on loses the focus to
// another; a handler that closes the control or that window ends it there: the control's pane,
// gone with it, is not deactivated afterwards and the control hears only its Close.
TEST_F(EmbeddedWindowControlTest, ADeactivateThatClosesTheControlOrItsWindowEndsThere) {
  qvtest::GuiDriver gui;
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  kit.templateWindow = templateWindow;
  qvtest::SetHandler(templateClass, "Deactivate", reinterpret_cast<void*>(&OnDeactivate));
  for (const bool closeWindow : {false, true}) {
    SCOPED_TRACE(closeWindow ? "the window" : "the control");
    qvtest::XWindow xid = 0;
    RuntimeObject* window = kit.OpenAndFocus(
        gui, closeWindow ? "Embedding 2" : "Embedding 1",
        {{.name = "Embedded", .bounds = {10, 10, 20, 20}, .kind = ControlKind::kEmbedded}}, &xid);
    RuntimeObject* control = kit.Control(window, "Embedded");
    ASSERT_NE(control, nullptr);
    RuntimeLockObject(control);  // looked at after the close
    gHeard.clear();
    gOnDeactivate = [&] {
      if (closeWindow) {
        RuntimeCloseWindow(window);
      } else {
        ControlClose(control);
      }
    };
    qvtest::XWindow elsewhere = 0;
    RuntimeObject* other = kit.OpenAndFocus(gui, closeWindow ? "Elsewhere 2" : "Elsewhere 1", {}, &elsewhere);
    EXPECT_TRUE(gui.PumpUntil([&] { return AsControl(control)->pane == nullptr; }));
    if (closeWindow) {
      EXPECT_TRUE(gui.WaitUntilClosed(xid));
    }
    gui.Settle();
    gOnDeactivate = nullptr;
    const auto from = std::find(gHeard.begin(), gHeard.end(), "Deactivate");
    EXPECT_EQ(Log(from, gHeard.end()), (Log{"Deactivate", "Close"}));
    RuntimeUnlockObject(control);
    for (RuntimeObject* opened : {other, window}) {
      if (AsWindow(opened)->mImp) RuntimeCloseWindow(opened);
      kit.Forget(opened);
      RuntimeUnlockObject(opened);
    }
    gui.Settle();
  }
}

}  // namespace
