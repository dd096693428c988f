// The common runtime's window functions: the open windows counted and found front to back,
// controls looked up by name and by control-array member, the keyboard focus given to a window
// and cleared (read back from GTK), a window's native handle, and the contextual-click test
// inside a real mouse-down.
#include <gtest/gtest.h>

#include "WindowFixtures.h"
#include "WindowObjectFixtures.h"
#include "app/MainLoop.h"
#include "windows/GtkInput.h"
#include "windows/PaneFocus.h"
#include "windows/WindowControls.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowOrder.h"

namespace {

using qvtest::MakeRect;

class WindowGlobals : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }
  void TearDown() override {
    for (RuntimeObject* window : windows) RuntimeUnlockObject(window);
  }
  RuntimeObject* NewWindow(const char* title) {
    kit.script.title = qvtest::UniqueWindowTitle(title);
    windows.push_back(kit.NewWindow());
    return windows.back();
  }
  qvtest::GuiDriver gui;
  qvtest::WindowObjectKit kit;
  std::vector<RuntimeObject*> windows;
};

// As getWindow gives them, each with a reference for the caller.
std::vector<RuntimeObject*> OpenWindows() {
  std::vector<RuntimeObject*> found;
  for (int32_t i = 0; i < getWindowCount(); ++i) {
    found.push_back(getWindow(i));
    EXPECT_EQ(found.back()->refCount, 3) << "the test's, the native window's, the caller's";
    RuntimeUnlockObject(found.back());
  }
  EXPECT_EQ(getWindow(getWindowCount()), nullptr);
  EXPECT_EQ(getWindow(-1), nullptr);
  return found;
}

TEST_F(WindowGlobals, OpenWindowsAreCountedFrontToBackWithoutClosedOnes) {
  RuntimeObject* first = NewWindow("First");
  RuntimeObject* second = NewWindow("Second");
  std::vector<RuntimeObject*> order;
  for (uint32_t i = 0; Window* native = WindowOrderAt(i); ++i) {
    for (RuntimeObject* window : {first, second}) {
      if (native == AsWindow(window)->mImp) order.push_back(window);
    }
  }
  ASSERT_EQ(order.size(), 2u);
  EXPECT_EQ(OpenWindows(), order);
  RuntimeCloseWindow(second);
  EXPECT_EQ(OpenWindows(), std::vector<RuntimeObject*>{first});
}

TEST_F(WindowGlobals, ControlsAreFoundByNameAndArrayMembersOnlyByTheirKey) {
  kit.script.controls = {{.name = "Button", .bounds = MakeRect(10, 10, 30, 60), .index = 3},
                         {.name = "Label", .bounds = MakeRect(40, 10, 60, 60)}};
  RuntimeObject* window = NewWindow("Controls");
  const string button("button"), label("Label");
  RuntimeObject* member = qvtest::ControlAt(window, "Button$3");
  RuntimeObject* single = qvtest::ControlAt(window, "Label");
  const int32_t held = member->refCount;
  EXPECT_EQ(RuntimeControlArrayItemReference(window, button.Storage(), 3), member);
  EXPECT_EQ(RuntimeControlReference(window, string("LABEL").Storage()), single);
  EXPECT_EQ(member->refCount, held + 1) << "a reference for the caller";
  RuntimeUnlockObject(member);
  RuntimeUnlockObject(single);
  EXPECT_EQ(RuntimeControlFetch(window, string("Button$3").Storage()), member);
  EXPECT_EQ(RuntimeControlFetch(window, label.Storage()), single);
  EXPECT_EQ(member->refCount, held) << "Fetch adds none";
  // A member has no plain key; a plain control is no member.
  EXPECT_EQ(RuntimeControlFetch(window, button.Storage()), nullptr);
  EXPECT_EQ(RuntimeControlArrayItemReference(window, button.Storage(), 2), nullptr);
  EXPECT_EQ(RuntimeControlArrayItemReference(window, label.Storage(), -1), nullptr);
  EXPECT_EQ(RuntimeControlReference(window, string("Missing").Storage()), nullptr);
  EXPECT_EQ(RuntimeControlReference(nullptr, label.Storage()), nullptr);
}

// The window's SetFocus leaves no widget focused and makes the window the focus pane;
// ClearFocus leaves no focus pane at all. Read back from GTK. The handle is the GtkWindow while
// the window is open.
TEST_F(WindowGlobals, SetFocusAndClearFocusAreSeenByGtk) {
  kit.script.controls = {{.name = "Field", .bounds = MakeRect(10, 10, 40, 120)}};
  RuntimeObject* window = NewWindow("Focus");
  ASSERT_TRUE(kit.ShowAndFocus(gui, window));
  RuntimeViewWindow* native = AsWindow(window)->mImp;
  GtkWindow* gtkWindow = native->GetGtkWindow();
  SubPane* field = AsControl(qvtest::ControlAt(window, "Field"))->pane;
  GTK_WIDGET_SET_FLAGS(field->GetWidget(), GTK_CAN_FOCUS);
  for (void (*unfocus)(RuntimeObject*) : {&formSetFocus, +[](RuntimeObject*) { clearFocus(); }}) {
    field->SetKeyboardFocus();
    gui.Settle();
    ASSERT_EQ(gtk_window_get_focus(gtkWindow), field->GetWidget());
    unfocus(window);
    gui.Settle();
    EXPECT_EQ(gtk_window_get_focus(gtkWindow), nullptr);
    EXPECT_EQ(GetFocusPane(), unfocus == &formSetFocus ? native : nullptr);
  }
  EXPECT_EQ(WindowToWindowPtr(window), static_cast<void*>(gtkWindow));
  RuntimeCloseWindow(window);
  EXPECT_EQ(WindowToWindowPtr(window), nullptr);
  EXPECT_EQ(WindowToWindowPtr(nullptr), nullptr);
}

// IsCMMClick answers for the event GTK is handling: true in a MouseDown of the third button
// only.
TEST_F(WindowGlobals, ContextualClickIsTrueInsideAThirdButtonPressOnly) {
  std::vector<int32_t> answers;
  kit.script.action = [&](const std::string& event, RuntimeObject*) {
    if (event == "MouseDown") answers.push_back(IsCMMClick());
  };
  RuntimeObject* window = NewWindow("Click");
  ASSERT_TRUE(kit.ShowAndFocus(gui, window));
  const QV::Rect content = AsWindow(window)->mImp->ScreenBounds();
  for (const char* button : {"3", "1"}) {
    const size_t expected = answers.size() + 1;
    gui.MoveTo(content.left + 100, content.top + 100);
    qvtest::RunXTool(gui, {"xdotool", "click", button});
    ASSERT_TRUE(gui.PumpUntil([&] { return answers.size() >= expected; })) << button;
  }
  EXPECT_EQ(answers, (std::vector<int32_t>{1, 0}));
  EXPECT_EQ(IsCMMClick(), 0) << "no event";
}

// A shown window moved by the program has its new place and unchanged size in its bounds at
// once, and the server finds it there once the window manager has moved it.
TEST_F(WindowGlobals, AMovedWindowsBoundsAreItsNewPlaceWithItsSize) {
  RuntimeObject* window = NewWindow("Moved");
  ASSERT_TRUE(kit.ShowAndFocus(gui, window));
  Window* native = AsWindow(window)->mImp;
  QV::Rect expected;
  native->GetGlobalBounds(expected);
  RectOffset(expected, 30, 20);
  native->MoveTo(expected.left, expected.top, false);
  EXPECT_EQ(qvtest::RectText(native->ScreenBounds()), qvtest::RectText(expected));
  QV::Rect measured = {};
  EXPECT_TRUE(gui.PumpUntil([&] {
    MainLoopDoEvents(false);
    native->GetGlobalBounds(measured);
    return qvtest::RectText(measured) == qvtest::RectText(expected);
  })) << qvtest::RectText(measured) << " for " << qvtest::RectText(expected);
}

}  // namespace
