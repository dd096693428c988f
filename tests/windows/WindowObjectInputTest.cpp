// Real input (XTest and xdotool) reaching the handlers of window objects and their controls:
// MouseDown that takes the mouse, the controls' crossings in order, the wheel, non-ASCII keys,
// and handlers that close their own window while the event that called them is still running.
#include <gtest/gtest.h>

#include <algorithm>

#include "WindowFixtures.h"
#include "WindowObjectFixtures.h"
#include "app/MainLoop.h"
#include "windows/WindowEntryPoints.h"

namespace {

using qvtest::MakeRect;
using Log = std::vector<std::string>;

class WindowObjectInput : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    kit.script.title = qvtest::UniqueWindowTitle("Input");
    kit.script.controls = {{.name = "Left", .bounds = MakeRect(20, 20, 80, 100)},
                           {.name = "Right", .bounds = MakeRect(20, 140, 80, 220)}};
    window = kit.NewWindow();
    ASSERT_TRUE(kit.ShowAndFocus(gui, window));
    content = AsWindow(window)->mImp->ScreenBounds();
    gui.Settle();
    kit.Take();
  }
  void TearDown() override {
    if (window) RuntimeUnlockObject(window);
  }
  void XDoTool(std::vector<std::string> argv) {
    argv.insert(argv.begin(), "xdotool");
    qvtest::RunXTool(gui, argv);
  }
  // The first motion into a control's own GDK window reaches nobody; people make more.
  void MoveTo(int x, int y) {
    gui.MoveTo(content.left + x - 1, content.top + y - 1);
    gui.MoveTo(content.left + x, content.top + y);
  }
  // Pumps until an entry of the log starts with prefix; the log so far (kept for Take).
  bool WaitFor(const std::string& prefix) {
    return gui.PumpUntil([&] {
      MainLoopDoEvents(false);  // a pass: the drag of the pane that holds the mouse
      const Log now = kit.Take();
      seen.insert(seen.end(), now.begin(), now.end());
      return std::any_of(seen.begin(), seen.end(),
                         [&](const std::string& entry) { return entry.rfind(prefix, 0) == 0; });
    });
  }
  // The entries seen, without those of events not named.
  Log Seen(const std::vector<std::string>& events) {
    const Log now = kit.Take();
    seen.insert(seen.end(), now.begin(), now.end());
    Log kept;
    for (const std::string& entry : seen) {
      for (const std::string& event : events) {
        if (entry.find("." + event) != std::string::npos) kept.push_back(entry);
      }
    }
    seen.clear();
    return kept;
  }
  std::string Title() const { return kit.script.title; }
  qvtest::GuiDriver gui;
  qvtest::WindowObjectKit kit;
  RuntimeObject* window = nullptr;
  QV::Rect content{};
  Log seen;
};

TEST_F(WindowObjectInput, AMouseDownThatTakesTheMouseGetsTheDragsAndTheRelease) {
  kit.script.mouseDownTakes = true;
  MoveTo(150, 150);
  XDoTool({"mousedown", "1"});
  ASSERT_TRUE(WaitFor(Title() + ".MouseDown"));
  MoveTo(160, 155);
  ASSERT_TRUE(WaitFor(Title() + ".MouseDrag 160,155"));
  XDoTool({"mouseup", "1"});
  ASSERT_TRUE(WaitFor(Title() + ".MouseUp"));
  const Log log = Seen({"MouseDown", "MouseUp"});
  EXPECT_EQ(log, (Log{Title() + ".MouseDown 150,150", Title() + ".MouseUp 160,155"}));

  // A MouseDown that does not take it hears nothing more of this press.
  kit.script.mouseDownTakes = false;
  XDoTool({"mousedown", "1"});
  ASSERT_TRUE(WaitFor(Title() + ".MouseDown"));
  MoveTo(170, 150);
  XDoTool({"mouseup", "1"});
  gui.Settle();
  EXPECT_EQ(Seen({"MouseDrag", "MouseUp"}), Log{});
}

TEST_F(WindowObjectInput, ControlsHearThePointerEnterMoveAndLeaveInOrder) {
  MoveTo(5, 5);
  ASSERT_TRUE(WaitFor(Title() + ".MouseMove"));
  Seen({});
  MoveTo(30, 40);
  ASSERT_TRUE(WaitFor("Left.MouseMove")) << testing::PrintToString(seen);
  MoveTo(150, 40);
  ASSERT_TRUE(WaitFor("Right.MouseMove"));
  MoveTo(150, 120);
  ASSERT_TRUE(WaitFor("Right.MouseExit"));
  EXPECT_EQ(Seen({"MouseEnter", "MouseExit", "MouseMove 10,20", "MouseMove 10,30"}),
            (Log{"Left.MouseEnter", "Left.MouseMove 10,20", "Left.MouseExit", "Right.MouseEnter",
                 "Right.MouseMove 10,20", "Right.MouseExit"}));
  // Leaving the window: the control under the pointer hears it first.
  MoveTo(60, 50);
  ASSERT_TRUE(WaitFor("Left.MouseMove"));
  Seen({});
  gui.MoveTo(content.right + 30, content.bottom + 30);
  ASSERT_TRUE(WaitFor(Title() + ".MouseExit"));
  EXPECT_EQ(Seen({"MouseExit"}), (Log{"Left.MouseExit", Title() + ".MouseExit"}));
}

TEST_F(WindowObjectInput, TheWheelGoesToTheControlUnderThePointerFirst) {
  MoveTo(60, 50);
  gui.Click(content.left + 60, content.top + 50, 5);
  ASSERT_TRUE(WaitFor(Title() + ".MouseWheel"));
  EXPECT_EQ(Seen({"MouseWheel"}),
            (Log{"Left.MouseWheel 40,30 0,3", Title() + ".MouseWheel 60,50 0,3"}));
  kit.script.controlWheelTakes = true;
  gui.Click(content.left + 60, content.top + 50, 4);
  ASSERT_TRUE(WaitFor("Left.MouseWheel"));
  gui.Settle();
  EXPECT_EQ(Seen({"MouseWheel"}), (Log{"Left.MouseWheel 40,30 0,-3"}));
}

TEST_F(WindowObjectInput, KeyDownHearsNonAsciiCharactersAsUtf8) {
  gui.Type("\xC3\xA9");
  ASSERT_TRUE(WaitFor(Title() + ".KeyDown"));
  gui.Type("q");
  ASSERT_TRUE(WaitFor(Title() + ".KeyDown q"));
  EXPECT_EQ(Seen({"KeyDown"}), (Log{Title() + ".KeyDown \xC3\xA9", Title() + ".KeyDown q"}));
}

// The event, the handler of which closes the window: the window is destroyed once, after the
// event is over, and nothing reaches it afterwards.
class ClosingHandlers : public WindowObjectInput,
                        public testing::WithParamInterface<std::string> {
 protected:
  // Notes, as the window's widget is destroyed, the kind of the event GTK was delivering then
  // (GDK_NOTHING when none).
  static void NoteDestroy(GtkWidget*, gpointer kind) {
    GdkEvent* event = gtk_get_current_event();
    *static_cast<GdkEventType*>(kind) = event ? event->type : GDK_NOTHING;
    if (event) gdk_event_free(event);
  }
  void SetUp() override {
    WindowObjectInput::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    g_signal_connect(AsWindow(window)->mImp->GetGtkWindow(), "destroy", G_CALLBACK(&NoteDestroy),
                     &destroyedIn);
  }
  // Sets the handler of the parameter's event to close the window, and makes the event.
  void CloseInTheHandler() {
    const std::string closingEvent = GetParam();
    kit.script.action = [closingEvent](const std::string& event, RuntimeObject* object) {
      if (event != closingEvent) return;
      const bool ofControl = event.find('.') != std::string::npos;
      RuntimeCloseWindow(ofControl ? AsControl(object)->window : object);
    };
    if (closingEvent == "KeyDown") {
      gui.Type("x");
    } else if (closingEvent == "MouseDown") {
      gui.Click(content.left + 150, content.top + 150);
    } else if (closingEvent == "Paint") {
      // An expose with no input: GTK sends it on to the window's widgets after the handler.
      RuntimeViewWindow::FirstRuntimeWindow()->Refresh(true);
    } else {
      MoveTo(150, 150);
      MoveTo(40, 40);
    }
  }
  // The window's widgets go once GTK is done with the event: GTK goes on delivering it to
  // them (an expose to the children) after the handler has returned.
  void ExpectDestroyedAfterTheEvent() {
    EXPECT_EQ(destroyedIn, GDK_NOTHING) << "destroyed while GTK delivered an event of kind "
                                        << destroyedIn;
  }
  GdkEventType destroyedIn = GDK_DELETE;  // not destroyed yet
};

TEST_P(ClosingHandlers, AHandlerThatClosesItsWindowLeavesNothingBehind) {
  CloseInTheHandler();
  ASSERT_TRUE(gui.PumpUntil([&] { return AsWindow(window)->mImp == nullptr; }));
  gui.Settle();
  EXPECT_FALSE(HasRuntimeWindows());
  EXPECT_EQ(kit.TakeOnly({"Close"}), (Log{"Left.Close", "Right.Close", Title() + ".Close"}));
  EXPECT_EQ(kit.controlsFreed, 2);
  ExpectDestroyedAfterTheEvent();
  RuntimeUnlockObject(window);
  window = nullptr;
  EXPECT_EQ(kit.windowsFreed, 1);
}

// The window held by nothing but its open native window: the handler's close lets go of the
// last reference, and the window object is freed once, when the event that called it is over.
TEST_P(ClosingHandlers, AHandlerThatClosesItsOtherwiseUnheldWindowFreesItOnceAfterTheEvent) {
  RuntimeUnlockObject(window);
  window = nullptr;
  EXPECT_EQ(kit.windowsFreed, 0) << "the open window holds it";
  CloseInTheHandler();
  ASSERT_TRUE(gui.PumpUntil([&] { return kit.windowsFreed > 0; }));
  gui.Settle();
  EXPECT_FALSE(HasRuntimeWindows());
  EXPECT_EQ(kit.TakeOnly({"Close"}), (Log{"Left.Close", "Right.Close", Title() + ".Close"}));
  EXPECT_EQ(kit.controlsFreed, 2);
  EXPECT_EQ(kit.windowsFreed, 1);
  ExpectDestroyedAfterTheEvent();
}

INSTANTIATE_TEST_SUITE_P(Events, ClosingHandlers,
                         testing::Values("MouseDown", "KeyDown", "MouseMove", "Left.MouseMove",
                                         "Paint"));

}  // namespace
