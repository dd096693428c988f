// Activation and the keyboard focus: the focus order of a window's panes, a focus given while
// the window is inactive, floating windows, the front window, and the close box and window
// states as the window manager works them (wmctrl, xdotool).
#include <gtest/gtest.h>

#include <algorithm>

#include "WindowFixtures.h"
#include "windows/PaneFocus.h"
#include "windows/WindowOrder.h"

namespace {

using qvtest::InputPane;
using qvtest::InputWidget;
using qvtest::MakeRect;
using qvtest::PaneLog;

class WindowFocus : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }
  void TearDown() override {
    for (Window* window : windows) window->Release();
  }
  qvtest::LoggingWindow* NewWindow(int32_t kind = kWindowKindDocument) {
    WindowSpec request;
    request.kind = kind;
    windows.push_back(new qvtest::LoggingWindow(&log, request));
    return static_cast<qvtest::LoggingWindow*>(windows.back());
  }
  InputPane* Focusable(Window* window, const char* name, int top) {
    return new InputPane(window, MakeRect(top, 10, top + 30, 100), name, &log,
                         InputWidget::kFocusable);
  }
  bool Logged(const std::string& entry) const {
    return std::find(log.begin(), log.end(), entry) != log.end();
  }
  qvtest::GuiDriver gui;
  PaneLog log;
  std::vector<Window*> windows;
};

TEST_F(WindowFocus, TheFocusOrderSkipsPanesThatCannotTakeItAndWrapsAround) {
  qvtest::LoggingWindow* window = NewWindow();
  InputPane* first = Focusable(window, "first", 10);
  new InputPane(window, MakeRect(50, 10, 80, 100), "plain", &log);
  InputPane* last = Focusable(window, "last", 90);
  ASSERT_TRUE(window->ShowAndSettle(gui));
  EXPECT_EQ(window->NextFocusPane(nullptr), first);
  EXPECT_EQ(window->NextFocusPane(window), first);
  EXPECT_EQ(window->NextFocusPane(first), last);
  EXPECT_EQ(window->NextFocusPane(last), first);
  EXPECT_EQ(window->PrevFocusPane(last), first);
  EXPECT_EQ(window->PrevFocusPane(first), last);
  last->SetEnabled(false, false);
  EXPECT_EQ(window->NextFocusPane(first), first);
  // A remembered focus control that is hidden is forgotten.
  EXPECT_EQ(window->GetFocusCandidate(), first);
  first->SetVisible(false);
  EXPECT_EQ(window->GetFocusCandidate(), window);
  EXPECT_EQ(window->FocusControl(), nullptr);
}

TEST_F(WindowFocus, AFocusGivenInAnInactiveWindowWaitsForItsActivation) {
  qvtest::LoggingWindow* a = NewWindow();
  Focusable(a, "a1", 10);
  InputPane* a2 = Focusable(a, "a2", 50);
  InputPane* disabled = Focusable(a, "disabled", 90);
  disabled->SetEnabled(false, false);
  qvtest::LoggingWindow* b = NewWindow();
  InputPane* b1 = Focusable(b, "b1", 10);
  ASSERT_TRUE(a->OpenAndFocus(gui));
  ASSERT_TRUE(b->OpenAndFocus(gui));
  ASSERT_EQ(GetFocusPane(), b1);
  ASSERT_FALSE(a->IsActive());

  a2->SetKeyboardFocus();
  EXPECT_EQ(a->FocusControl(), a2);
  EXPECT_EQ(GetFocusPane(), b1);
  disabled->SetKeyboardFocus();  // cannot take it: not even remembered
  EXPECT_EQ(a->FocusControl(), a2);
  gtk_window_present(a->GetGtkWindow());
  ASSERT_TRUE(gui.WaitForFocus(a->XId()));
  EXPECT_TRUE(gui.PumpUntil([&] { return GetFocusPane() == a2; }));
  EXPECT_TRUE(gtk_widget_has_focus(a2->GetWidget()));
  EXPECT_FALSE(b->IsActive());
}

TEST_F(WindowFocus, HidingTheFrontWindowMakesTheNextOneTheFront) {
  qvtest::LoggingWindow* a = NewWindow();
  qvtest::LoggingWindow* b = NewWindow();
  ASSERT_TRUE(a->OpenAndFocus(gui));
  ASSERT_TRUE(b->OpenAndFocus(gui));
  EXPECT_EQ(FrontNativeWindow(), b);
  b->Hide();
  EXPECT_EQ(FrontNativeWindow(), a);
  EXPECT_FALSE(b->IsWindowVisible());
  b->Show();
  Window::ShowPendingWindows();
  ASSERT_TRUE(gui.WaitForFocus(b->XId()));
  EXPECT_TRUE(gui.PumpUntil([&] { return FrontNativeWindow() == b; }));
}

TEST_F(WindowFocus, AFloatingWindowTakesNoKeyboardFocusWhenActivated) {
  qvtest::LoggingWindow* floating = NewWindow(kWindowKindFloating);
  Focusable(floating, "floating pane", 10);
  qvtest::LoggingWindow* document = NewWindow();
  InputPane* pane = Focusable(document, "document pane", 10);
  ASSERT_TRUE(floating->ShowAndSettle(gui));
  ASSERT_TRUE(document->ShowAndSettle(gui));
  SetFocusPane(nullptr);
  floating->Activate();
  EXPECT_TRUE(floating->IsActive());
  EXPECT_EQ(GetFocusPane(), nullptr);
  document->Activate();
  EXPECT_EQ(GetFocusPane(), pane);
}

TEST_F(WindowFocus, ACloseBoxVetoKeepsTheWindowAndAnAcceptedCloseDestroysItOnce) {
  // A critical message of GTK (destroying what was destroyed) ends the test process.
  const GLogLevelFlags fatal = g_log_set_always_fatal(GLogLevelFlags(G_LOG_FATAL_MASK));
  g_log_set_always_fatal(GLogLevelFlags(fatal | G_LOG_LEVEL_CRITICAL));
  qvtest::LoggingWindow* window = NewWindow();
  window->keepOnClose = true;
  int destroyed = 0;
  window->destroyed = &destroyed;
  Focusable(window, "pane", 10);
  ASSERT_TRUE(window->OpenAndFocus(gui));
  const qvtest::XWindow x = window->XId();
  int gtkDestroyed = 0;
  g_signal_connect_swapped(window->GetGtkWindow(), "destroy",
                           G_CALLBACK(+[](int* count) { ++*count; }), &gtkDestroyed);

  qvtest::RunXTool(gui, {"wmctrl", "-F", "-c", window->TitleText()});
  ASSERT_TRUE(gui.PumpUntil([&] { return Logged("window:close box"); }));
  EXPECT_FALSE(window->IsClosing());
  EXPECT_TRUE(gui.WaitForFocus(x));

  window->keepOnClose = false;
  log.clear();
  windows.clear();  // the close releases it
  gui.Close(x);
  EXPECT_TRUE(gui.PumpUntil([&] { return destroyed == 1; }));
  EXPECT_TRUE(gui.WaitUntilClosed(x));
  EXPECT_EQ(std::count(log.begin(), log.end(), "window:close box"), 1);
  EXPECT_EQ(gtkDestroyed, 1);
  g_log_set_always_fatal(fatal);
}

TEST_F(WindowFocus, MinimizingAndMaximizingByTheWindowManagerReachTheWindow) {
  qvtest::LoggingWindow* window = NewWindow();
  ASSERT_TRUE(window->OpenAndFocus(gui));
  const std::string id = std::to_string(window->XId());
  // Each state change is told once, amid the pointer's crossings.
  const auto told = [&](const std::string& event) {
    const bool once = gui.PumpUntil([&] { return Logged(event); }) &&
                      std::count(log.begin(), log.end(), event) == 1;
    log.clear();
    return once;
  };
  qvtest::RunXTool(gui, {"xdotool", "windowminimize", id});
  EXPECT_TRUE(told("window:minimized"));
  EXPECT_TRUE(window->IsMinimized());
  window->Restore();
  EXPECT_TRUE(told("window:restored"));
  EXPECT_FALSE(window->IsMinimized());
  qvtest::RunXTool(gui, {"wmctrl", "-i", "-r", id, "-b", "add,maximized_vert,maximized_horz"});
  EXPECT_TRUE(told("window:maximized"));
  EXPECT_TRUE(window->IsMaximized());
  window->Restore();
  EXPECT_FALSE(window->IsMaximized());
  EXPECT_TRUE(told("window:restored"));
}

}  // namespace
