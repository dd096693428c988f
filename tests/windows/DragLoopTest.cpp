// Two paths of the application's own drag loop, with real input: a drop over a control that has
// an X window of its own reaches it (the drop window is the top-level of the window under the
// pointer), and a release that a child widget consumes still ends the loop and drops. Then a
// window closed right after a drag between two windows, as a menu handler or a typed shortcut
// closes it: the toolkit reports nothing, whichever window goes and whenever.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "TextFixtures.h"
#include "ThreadTestSupport.h"
#include "WindowFixtures.h"
#include "support/TestSupport.h"
#include "support/ToolkitWarnings.h"
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

// ---- a window closed right after a drag ----

// Inside the handling of an event, as a menu handler closes its window: the window is released
// once GTK is done with the event.
void CloseAsHandler(qvtest::LoggingWindow* window) {
  SignalScope scope;
  window->Close();
}

// Each round opens the two windows, drags from one to the other, waits a while after the drop
// (up to 300 ms), closes the source or the destination, presses the pointer again where the
// drag let go and in the window that stays, and closes that one too. While it dispatches, GDK
// follows the windows a grab, the pointer and each press name: one gone too early, or a press
// outside its window with no grab GDK knows of, and it warns.
class CloseAfterDrag : public DragLoop {
 protected:
  enum class Closer { kHandler, kTypedShortcut };
  static constexpr int kRounds = 12;
  static int DelayOfRound(int round) { return round * 300 / (kRounds - 1); }

  void Round(int delayMs, bool closeSource, Closer closer, const std::function<void()>& drag) {
    const std::string what = std::string("closing the ") +
                             (closeSource ? "source " : "destination ") +
                             std::to_string(delayMs) + " ms after a drop";
    qvtest::HangWatchdog watchdog("a drag and " + what, 60);
    log.clear();
    ASSERT_NO_FATAL_FAILURE(
        Open(qvtest::PaneWidget::kDrawsInWindow, qvtest::PaneWidget::kDrawsInWindow));
    int destroyed = 0;
    left->destroyed = right->destroyed = &destroyed;
    ASSERT_NO_FATAL_FAILURE(drag());
    ASSERT_TRUE(gui.PumpUntil([&] { return !log.empty() && log.back().rfind("drop ", 0) == 0; }))
        << "no drop before " << what;
    const gint64 closeAt = g_get_monotonic_time() + gint64(delayMs) * 1000;
    gui.PumpUntil([&] { return g_get_monotonic_time() >= closeAt; });
    to->ClearDelegate();
    to = nullptr;
    from = nullptr;
    if (closer == Closer::kTypedShortcut) {
      ASSERT_TRUE(gui.WaitForFocus((closeSource ? left : right)->XId())) << what;
    }
    qvtest::LoggingWindow* closing = std::exchange(closeSource ? left : right, nullptr);
    qvtest::LoggingWindow* staying = std::exchange(closeSource ? right : left, nullptr);
    const qvtest::ScreenArea stays = closeSource ? rightArea : leftArea;
    if (closer == Closer::kTypedShortcut) {
      closing->closeOnChar = true;
      gui.Key("ctrl+w");
    } else {
      CloseAsHandler(closing);
    }
    gui.Click(dropX, dropY);
    gui.Click(stays.x + 250, stays.y + 180);
    staying->Close();
    EXPECT_TRUE(gui.PumpUntil([&] { return destroyed == 2; })) << what;
    ASSERT_EQ(warnings.Text(), "") << what;
  }

  // The application's own loop: from the source pane onto the target.
  void DragByTheLoop() {
    dropX = rightArea.x + 100;
    dropY = rightArea.y + 90;
    DragAcross();
  }

  qvtest::ToolkitWarnings warnings;
  int dropX = 0, dropY = 0;
};

TEST_F(CloseAfterDrag, AfterTheApplicationsOwnDragTheToolkitReportsNothing) {
  for (int round = 0; round < kRounds; ++round) {
    // The source by a typed shortcut, the destination from a handler, in turn.
    const bool source = round % 2 == 1;
    ASSERT_NO_FATAL_FAILURE(Round(DelayOfRound(round), source,
                                  source ? Closer::kTypedShortcut : Closer::kHandler,
                                  [&] { DragByTheLoop(); }));
    EXPECT_EQ(log.front(), "enter");
  }
}

}  // namespace
