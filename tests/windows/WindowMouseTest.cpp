// The mouse: clicks offered to the panes under the pointer front to back (real clicks), the
// right button, modifiers and repeated presses, crossings, wheel turns, pointer tracking and
// cursors, and the press-or-drag decision with the capture pane's drag.
#include <gtest/gtest.h>

#include <algorithm>

#include "WindowFixtures.h"
#include "app/ClassLibraryHooks.h"
#include "support/TestSupport.h"
#include "windows/GtkInput.h"
#include "windows/PaneFocus.h"

namespace {

using qvtest::InputPane;
using qvtest::MakeRect;
using qvtest::PaneLog;

class WindowMouse : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = new qvtest::LoggingWindow(&log);
    // The front pane lies inside the back one, which becomes its owner.
    back = new InputPane(window, MakeRect(20, 20, 120, 220), "back", &log);
    front = new InputPane(window, MakeRect(40, 40, 100, 200), "front", &log);
    ASSERT_TRUE(window->OpenAndFocus(gui));
    window->GetGlobalBounds(content);
  }
  void TearDown() override {
    if (window) window->Release();
  }
  // Content coordinates to the screen's.
  int ScreenX(int x) const { return content.left + x; }
  int ScreenY(int y) const { return content.top + y; }
  // Clicks and waits for the press to reach a pane (the window manager sees it first).
  void ClickAt(int x, int y, int button = 1) {
    log.clear();
    gui.Click(ScreenX(x), ScreenY(y), button);
    gui.PumpUntil([&] {
      return std::any_of(log.begin(), log.end(), [](const std::string& entry) {
        return entry.find(":down") != std::string::npos ||
               entry.find(":click") != std::string::npos ||
               entry.find(":wheel") != std::string::npos;
      });
    }, 2000);
  }
  void XDoTool(std::vector<std::string> argv) {
    argv.insert(argv.begin(), "xdotool");
    qvtest::RunXTool(gui, argv);
  }
  PaneLog Only(const std::string& prefix) const {
    PaneLog kept;
    std::copy_if(log.begin(), log.end(), std::back_inserter(kept),
                 [&](const std::string& entry) { return entry.rfind(prefix, 0) == 0; });
    return kept;
  }
  qvtest::GuiDriver gui;
  PaneLog log;
  qvtest::LoggingWindow* window = nullptr;
  InputPane* back = nullptr;
  InputPane* front = nullptr;
  QV::Rect content{};
};

TEST_F(WindowMouse, AClickGoesFrontToBackOnlyThroughPanesThatPassIt) {
  front->passesClicks = true;
  back->takesClicks = true;
  ClickAt(60, 50);
  EXPECT_EQ(Only("front:down"), (PaneLog{"front:down 60,50"}));
  EXPECT_EQ(Only("back:down"), (PaneLog{"back:down 60,50"}));
  EXPECT_EQ(window->ClickedPane(), nullptr);
  // A pane that neither takes nor passes the click stops it, and is remembered.
  front->passesClicks = false;
  ClickAt(60, 50);
  EXPECT_EQ(Only("front:down"), (PaneLog{"front:down 60,50"}));
  EXPECT_TRUE(Only("back:down").empty());
  EXPECT_EQ(window->ClickedPane(), front);
}

TEST_F(WindowMouse, TheRightButtonGoesToClickChildrenAndNeverToMouseDown) {
  ClickAt(60, 50, 3);
  EXPECT_EQ(Only("back:click"), (PaneLog{"back:click children 60,50"}));
  EXPECT_EQ(Only("front:click"), (PaneLog{"front:click children 60,50"}));
  EXPECT_TRUE(Only("front:down").empty() && Only("back:down").empty());
}

// A press GTK gives a widget of its own, through GTK's own delivery: up from the widget to
// the window, whose handler sees the same press again.
GdkEventButton PressOn(GtkWidget* widget, int x, int y, guint32 time,
                       GdkEventType type = GDK_BUTTON_PRESS) {
  GdkEventButton press = {};
  press.type = type;
  press.window = widget->window;
  press.button = 1;
  press.time = time;
  press.x = x;
  press.y = y;
  press.state = GDK_SHIFT_MASK | GDK_MOD1_MASK;
  press.device = gdk_device_get_core_pointer();
  return press;
}

TEST_F(WindowMouse, APressSetsTheModifiersAndTheSamePressReachingAParentCountsOnce) {
  auto* area = new InputPane(window, MakeRect(150, 20, 200, 120), "area", &log,
                             qvtest::InputWidget::kFocusable);
  gui.Settle();
  gui.MoveTo(ScreenX(300), ScreenY(230));  // far from where the press happened
  GdkEventButton press = PressOn(area->GetWidget(), 10, 5, 4242);
  log.clear();
  gtk_main_do_event(reinterpret_cast<GdkEvent*>(&press));
  EXPECT_EQ(log, (PaneLog{"area:down 30,155"}));
  EXPECT_EQ(area->lastModifiers, 0x0A00);
  EXPECT_EQ(CurrentModifiers(), 0x0A00);
  // Another press in the same millisecond is another press; GDK's double press repeats one.
  GdkEventButton again = PressOn(area->GetWidget(), 12, 6, 4242);
  GdkEventButton twice = PressOn(area->GetWidget(), 12, 6, 4242, GDK_2BUTTON_PRESS);
  log.clear();
  gtk_main_do_event(reinterpret_cast<GdkEvent*>(&again));
  gtk_main_do_event(reinterpret_cast<GdkEvent*>(&twice));
  EXPECT_EQ(log, (PaneLog{"area:down 32,156"}));
}

TEST_F(WindowMouse, CrossingsOfAPointerUngrabAreNotEnterOrExit) {
  GdkEventCrossing crossing = {};
  crossing.type = GDK_ENTER_NOTIFY;
  crossing.window = window->TopGdkWindow();
  crossing.mode = GDK_CROSSING_UNGRAB;
  gboolean answer = TRUE;
  log.clear();
  g_signal_emit_by_name(window->GetGtkWindow(), "enter-notify-event", &crossing, &answer);
  crossing.type = GDK_LEAVE_NOTIFY;
  g_signal_emit_by_name(window->GetGtkWindow(), "leave-notify-event", &crossing, &answer);
  EXPECT_TRUE(Only("window").empty());
  crossing.mode = GDK_CROSSING_NORMAL;
  g_signal_emit_by_name(window->GetGtkWindow(), "leave-notify-event", &crossing, &answer);
  EXPECT_EQ(Only("window"), (PaneLog{"window:exit"}));
}

// The pointer moving onto a child widget's own GDK window, and back, stays in the window.
TEST_F(WindowMouse, CrossingsIntoAChildWindowAreNotEnterOrExit) {
  GdkEventCrossing crossing = {};
  crossing.type = GDK_LEAVE_NOTIFY;
  crossing.window = window->TopGdkWindow();
  crossing.mode = GDK_CROSSING_NORMAL;
  crossing.detail = GDK_NOTIFY_INFERIOR;
  gboolean answer = TRUE;
  log.clear();
  g_signal_emit_by_name(window->GetGtkWindow(), "leave-notify-event", &crossing, &answer);
  crossing.type = GDK_ENTER_NOTIFY;
  g_signal_emit_by_name(window->GetGtkWindow(), "enter-notify-event", &crossing, &answer);
  EXPECT_TRUE(Only("window").empty());
  crossing.detail = GDK_NOTIFY_NONLINEAR;
  g_signal_emit_by_name(window->GetGtkWindow(), "enter-notify-event", &crossing, &answer);
  EXPECT_EQ(Only("window"), (PaneLog{"window:enter"}));
}

TEST_F(WindowMouse, WheelTurnsAreThreeLinesForThePanesUnderThePointer) {
  ClickAt(60, 50, 4);
  EXPECT_EQ(Only("front:wheel"), (PaneLog{"front:wheel 60,50 0,-3"}));
  EXPECT_EQ(Only("back:wheel"), (PaneLog{"back:wheel 60,50 0,-3"}));
  front->takesWheel = true;
  for (int button : {5, 6, 7}) ClickAt(60, 50, button);
  EXPECT_TRUE(Only("back:wheel").empty());
  ClickAt(60, 50, 7);
  EXPECT_EQ(Only("front:wheel"), (PaneLog{"front:wheel 60,50 3,0"}));
  ClickAt(60, 50, 6);
  EXPECT_EQ(Only("front:wheel"), (PaneLog{"front:wheel 60,50 -3,0"}));
}

TEST_F(WindowMouse, PanesLearnOfThePointerLeavingBeforeAnotherOneEntered) {
  // Overlapping siblings, neither inside the other: the pointer over both moves both.
  InputPane* left = new InputPane(window, MakeRect(130, 10, 200, 110), "left", &log);
  InputPane* right = new InputPane(window, MakeRect(150, 80, 220, 180), "right", &log);
  ASSERT_EQ(left->GetOwner(), right->GetOwner());
  log.clear();
  window->MouseMove(30, 140);
  EXPECT_EQ(log, (PaneLog{"left:enter", "left:move 20,10"}));
  log.clear();
  window->MouseMove(90, 160);
  EXPECT_EQ(log, (PaneLog{"left:move 80,30", "right:enter", "right:move 10,10"}));
  log.clear();
  window->MouseMove(150, 160);
  EXPECT_EQ(log, (PaneLog{"left:exit", "right:move 70,10"}));
  // A pane inside another hears through its owner; real motion reaches them the same way.
  log.clear();
  gui.MoveTo(ScreenX(60), ScreenY(50));
  EXPECT_TRUE(gui.PumpUntil([&] { return !Only("front:enter").empty(); }));
  EXPECT_EQ(Only("right:exit"), (PaneLog{"right:exit"}));
}

TEST_F(WindowMouse, ThePointerShowsTheCursorOfThePaneUnderIt) {
  CursorHandle* ibeam = NewCursorHandleForShape(kCursorShapeXterm);
  front->SetMouseCursor(ibeam);
  SetCurrentCursor(nullptr);
  EXPECT_FALSE(window->AdjustCursor(25, 25));  // the back pane has no cursor of its own
  EXPECT_EQ(GetCurrentCursor(), nullptr);
  EXPECT_TRUE(window->AdjustCursor(60, 50));
  ASSERT_NE(GetCurrentCursor(), nullptr);
  EXPECT_EQ(GetCurrentCursor()->cursor, ibeam->cursor);
  SetCurrentCursor(nullptr);

  GdkWindow* content = GTK_WIDGET(window->ContentFixed())->window;
  gui.MoveTo(ScreenX(60), ScreenY(50));
  EXPECT_TRUE(gui.PumpUntil([&] { return gdk_window_get_cursor(content) == ibeam->cursor; }));
  gui.MoveTo(ScreenX(25), ScreenY(25));
  EXPECT_TRUE(gui.PumpUntil([&] { return gdk_window_get_cursor(content) == nullptr; }));
  DeleteCursorHandle(ibeam);
}

TEST_F(WindowMouse, APressBecomesADragWhenThePointerMovesWithTheButtonHeld) {
  gui.MoveTo(ScreenX(60), ScreenY(50));
  XDoTool({"mousedown", "1"});
  gui.Meanwhile([&] { gui.MoveTo(ScreenX(70), ScreenY(50)); });
  EXPECT_TRUE(front->WaitForDrag());
  // While the button stays down, every pass drags the pane that holds the mouse.
  SetMouseCapturePane(front);
  log.clear();
  EXPECT_TRUE(WindowSystem().dragMouseCapture());
  EXPECT_EQ(log, (PaneLog{"front:drag 70,50"}));
  XDoTool({"mouseup", "1"});
  EXPECT_TRUE(gui.PumpUntil([&] { return GetMouseCapturePane() == nullptr; }));
  EXPECT_EQ(Only("front:up"), (PaneLog{"front:up 70,50"}));
  EXPECT_FALSE(WindowSystem().dragMouseCapture());

  // Released before the pointer moved: a press.
  XDoTool({"mousedown", "1"});
  gui.Meanwhile([&] { XDoTool({"mouseup", "1"}); });
  EXPECT_FALSE(front->WaitForDrag());
  EXPECT_TRUE(gui.StepsDone());
}

}  // namespace
