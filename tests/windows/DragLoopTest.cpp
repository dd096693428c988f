// Two paths of the application's own drag loop, with real input: a drop over a control that has
// an X window of its own reaches it (the drop window is the top-level of the window under the
// pointer), and a release that a child widget consumes still ends the loop and drops.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "TextFixtures.h"
#include "WindowFixtures.h"
#include "support/TestSupport.h"
#include "windows/DragAndDropGTK.h"
#include "windows/DragItem.h"
#include "windows/PaneDrops.h"

namespace {

using qvtest::Bytes;
using qvtest::MakeRect;
using qvtest::PaneLog;
using qvtest::Text;

// Writes down the notices a target gets.
class TargetLog : public PaneDelegate {
 public:
  explicit TargetLog(PaneLog* log) : mLog(log) {}
  void DropObject(Pane*, RuntimeObject* item, int32_t) override {
    mLog->push_back("drop " + Bytes(dragItemTextGetter(item, 0)) + " " +
                    std::to_string(dragItemDropLeft(item, 0)) + "," +
                    std::to_string(dragItemDropTop(item, 0)));
  }
  bool DragEnter(RuntimeObject*, int32_t) override {
    mLog->push_back("enter");
    return false;
  }
  bool DragOver(int32_t, int32_t, RuntimeObject*, int32_t) override {
    if (mLog->back() != "over") mLog->push_back("over");
    return false;
  }
  void DragExit(RuntimeObject*, int32_t) override { mLog->push_back("exit"); }

 private:
  PaneLog* mLog;
};

// Its press starts a drag of its bounds carrying "moved"; the moves run inside the drag loop.
class Source : public qvtest::TestPane {
 public:
  using TestPane::TestPane;
  bool MouseDown(int32_t, int32_t, int32_t) override {
    const QV::Rect& b = GetBounds();
    RuntimeObject* item = formNewDragItem(nullptr, b.left, b.top, b.right - b.left,
                                          b.bottom - b.top);
    dragItemTextSetter(item, 0, Text("moved").Storage());
    if (inLoop) inLoop();
    DragItemDrag(item);
    RuntimeUnlockObject(item);
    ++drags;
    return true;
  }
  std::function<void()> inLoop;
  int drags = 0;
};

class DragLoop : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }
  void TearDown() override {
    if (to) to->ClearDelegate();
    if (right) right->Release();
    if (left) left->Release();
  }
  // Two windows side by side; the source and target panes have X windows of their own or not.
  void Open(qvtest::PaneWidget sourceWidget, qvtest::PaneWidget targetWidget) {
    WindowSpec request;
    request.bounds = MakeRect(100, 40, 300, 340);
    left = new qvtest::LoggingWindow(&windowLog, request);
    from = new Source(left, MakeRect(40, 40, 80, 120), sourceWidget);
    from->fill = 0xC00000;
    request.bounds = MakeRect(100, 420, 300, 720);
    right = new qvtest::LoggingWindow(&windowLog, request);
    to = new qvtest::TestPane(right, MakeRect(50, 60, 150, 220), targetWidget);
    to->fill = 0x3060C0;
    to->AddAcceptedDragType(Text("TEXT"));
    to->SetDelegate(&recorder);
    ASSERT_TRUE(left->OpenAndFocus(gui));
    ASSERT_TRUE(right->OpenAndFocus(gui));
    // Positions from the server, once the window manager has stopped moving the windows.
    ASSERT_TRUE(Settled(left->XId(), &leftArea));
    ASSERT_TRUE(Settled(right->XId(), &rightArea));
    ASSERT_LT(leftArea.x + leftArea.width, rightArea.x);
  }
  bool Settled(qvtest::XWindow window, qvtest::ScreenArea* area) {
    qvtest::ScreenArea before{-1, -1, -1, -1};
    return gui.PumpUntil([&] {
      *area = gui.Area(window);
      const bool still = *area == before;
      before = *area;
      return still;
    });
  }
  // Presses on the source; once the loop runs, moves in steps onto the target and releases
  // (through XTest, or xdotool), then waits for the drag to return.
  void DragAcross() {
    const int startX = leftArea.x + 60, startY = leftArea.y + 60;
    const int endX = rightArea.x + 100, endY = rightArea.y + 90;
    from->inLoop = [&, startX, startY, endX, endY] {
      gui.Meanwhile([&] { ASSERT_TRUE(IsInternalDragActive()); });
      for (int k = 1; k <= 8; ++k) {
        gui.Meanwhile([&, k, startX, startY, endX, endY] {
          gui.MoveTo(startX + (endX - startX) * k / 8, startY + (endY - startY) * k / 8);
        });
      }
      // The release only once the loop has seen the pointer over the target.
      gui.Meanwhile([&] { EXPECT_TRUE(gui.PumpUntil([&] { return !log.empty(); })); });
      gui.Meanwhile([&] { qvtest::RunXTool(gui, {"xdotool", "mouseup", "1"}); });
    };
    gui.MoveTo(startX, startY);
    qvtest::RunXTool(gui, {"xdotool", "mousedown", "1"});
    EXPECT_TRUE(gui.PumpUntil([&] { return from->drags == 1; }));
    EXPECT_TRUE(gui.StepsDone());
    EXPECT_FALSE(IsInternalDragActive());
  }

  qvtest::GuiDriver gui;
  PaneLog windowLog, log;
  TargetLog recorder{&log};
  qvtest::LoggingWindow* left = nullptr;
  qvtest::LoggingWindow* right = nullptr;
  Source* from = nullptr;
  qvtest::TestPane* to = nullptr;
  qvtest::ScreenArea leftArea, rightArea;
};

// Dropped where the pointer let go, 20 right of and below the source's top left relative to the
// pointer, in the target's coordinates.
const std::string kDropped = "drop moved " + std::to_string(100 - 20 - 60) + "," +
                             std::to_string(90 - 20 - 50);

TEST_F(DragLoop, ATargetWithAnXWindowOfItsOwnGetsTheDrop) {
  ASSERT_NO_FATAL_FAILURE(Open(qvtest::PaneWidget::kDrawsInWindow, qvtest::PaneWidget::kOwnWindow));
  ASSERT_TRUE(to->GetWidget()->window != right->TopGdkWindow());
  DragAcross();
  EXPECT_EQ(log, (PaneLog{"enter", "over", kDropped}));
}

TEST_F(DragLoop, AReleaseAChildWidgetConsumesStillEndsTheDrag) {
  ASSERT_NO_FATAL_FAILURE(Open(qvtest::PaneWidget::kOwnWindow, qvtest::PaneWidget::kDrawsInWindow));
  // The source's own X window takes the press, so the release goes to it, and goes no further.
  GtkWidget* child = from->GetWidget();
  gtk_widget_add_events(child, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
  int swallowed = 0;
  g_signal_connect(child, "button-release-event",
                   G_CALLBACK(+[](GtkWidget*, GdkEventButton*, int* count) -> gboolean {
                     ++*count;
                     return TRUE;
                   }),
                   &swallowed);
  DragAcross();
  EXPECT_EQ(swallowed, 1);
  EXPECT_EQ(log, (PaneLog{"enter", "over", kDropped}));
}

}  // namespace
