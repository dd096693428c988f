// The GUI driver: works the framework's windows as a person at the desk would, for every GUI
// test. Input is real (XTest, through the X server and the window manager), windows are found
// by title as the window manager lists them, screenshots are read back from the server, and
// the main loop is pumped until a condition holds or a deadline passes.
//
// Each process of a GUI test binary runs under scripts/with-display (CTest does that for the
// binaries that tests/CMakeLists.txt names GUI): an Xvfb display of its own with the openbox
// window manager, so focus and placement behave as on a desktop and no other test can reach in.
// Run one by hand with `scripts/with-display build/tests/windows/test_windows --gtest_filter=...`.
//
// A window the test opens and works:
//
//   qvtest::GuiDriver gui;                        // SetUp: GTEST_SKIP() unless gui.ready()
//   OpenTheEditor();                              // the code under test
//   const qvtest::XWindow editor = gui.WaitForWindow("Editor");
//   ASSERT_TRUE(editor);
//   ASSERT_TRUE(gui.WaitForFocus(editor));        // keys go to the focused window
//   gui.Type("Caf\xC3\xA9");
//   gui.Key("ctrl+s");
//   gui.Click(gui.FindButton(editor, "Save"));
//   ASSERT_TRUE(gui.PumpUntil([&] { return saved; }));
//   const qvtest::Screenshot shot = gui.Capture(gui.Area(editor));
//   EXPECT_EQ(shot.DifferingPixels(expected.Region({0, 0, 40, 20}), 8), 0);
//
// A call that waits in a modal loop (a message box, a modal dialog) returns only once the
// person answers, so the answer comes from inside that loop: Meanwhile hands the loop a step.
// Schedule it just before the call; the step may wait, pump and send input like a test.
//
//   gui.Meanwhile([&] {
//     const qvtest::XWindow box = gui.WaitForWindow("Editor");
//     ASSERT_TRUE(box);
//     EXPECT_EQ(gui.Texts(box), (std::vector<std::string>{"Save changes?"}));
//     gui.Click(gui.FindButton(box, "Don't Save"));
//   });
//   EXPECT_EQ(RunTheMessageBox(), kMsgBoxNo);
//   EXPECT_TRUE(gui.StepsDone());
//
// A step that fails closes every window of this process, so the waiting call returns and the
// test ends with the failure instead of hanging. So does an answer that goes astray: once the
// last step has run, the waiting call has kTimeoutMs to return (StepsDone, which the test asks
// right after it, ends that watch); past it the test fails naming the windows still open. So
// does a step that does not get to run within kTimeoutMs of being scheduled (or of the step
// before it). A thread blocked outside the loop is the test watchdog's (support/Watchdog.h).
//
// Keys go where the focus is, which a loaded window manager may not have moved yet: Key and
// Type send nothing (and fail the test, naming both windows) unless the focus is on the window
// that WaitForFocus last confirmed. Clicks need no focus.
//
// Windows of other processes (an application image run as a separate process) are found,
// measured, clicked, typed into, closed and captured the same way; only FindButton,
// ButtonCaptions, Texts and Gtk need this process's own.
#pragma once

#include <gtk/gtk.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "support/Screenshot.h"

struct _XDisplay;

namespace qvtest {

using XWindow = unsigned long;  // an X window id; 0 is none

class GuiDriver {
 public:
  // Every wait ends as soon as its condition holds, so only a failing wait costs this; a run of
  // twice as many test processes as cores, each with its own X server, can take seconds to map
  // a window. This and every other time given to the driver (a timeoutMs, answerTimeoutMs) is a
  // base that the slow-run factor stretches (support/Watchdog.h).
  static constexpr int kTimeoutMs = 30000;

  GuiDriver();
  ~GuiDriver();  // a step that never ran fails the test
  GuiDriver(const GuiDriver&) = delete;
  GuiDriver& operator=(const GuiDriver&) = delete;

  // True when GTK has a display to drive.
  bool ready() const { return mDisplay != nullptr; }

  // ---- the main loop ----
  // Pumps GTK's main loop until condition() holds (true) or timeoutMs has passed (false).
  bool PumpUntil(const std::function<bool()>& condition, int timeoutMs = kTimeoutMs);
  // Waits until the server has handled everything sent so far, then lets GTK handle and paint
  // what came back.
  void Settle();
  // Hands the next run of the main loop (a modal loop included) a step, run once, in order.
  // At the default idle priority, events waiting starve it; code that runs a fixed number of
  // passes that do not wait needs a priority above theirs (G_PRIORITY_HIGH) to meet it there.
  void Meanwhile(std::function<void()> step, int priority = G_PRIORITY_DEFAULT_IDLE);
  // True when every step has run. Asked once the waiting call has returned: ends the watch on
  // it, and drops the steps that did not run.
  bool StepsDone();
  // How long the waiting call may take to return after the last step.
  int answerTimeoutMs = kTimeoutMs;

  // ---- top-level windows, any process's ----
  // The windows the window manager manages, oldest first.
  std::vector<XWindow> Windows() const;
  // The newest managed window titled title, or 0.
  XWindow FindWindow(const std::string& title) const;
  // FindWindow once the window is on screen (and, when it is this process's, GTK knows it);
  // 0 and a test failure at the deadline.
  XWindow WaitForWindow(const std::string& title, int timeoutMs = kTimeoutMs);
  // Until the window manager gives window the focus (and GTK knows it, for this process's);
  // from then on keys are meant for window.
  bool WaitForFocus(XWindow window, int timeoutMs = kTimeoutMs);
  // Until window is gone from the screen.
  bool WaitUntilClosed(XWindow window, int timeoutMs = kTimeoutMs);
  std::string Title(XWindow window) const;
  XWindow ActiveWindow() const;
  // The window's inside (without the manager's frame), in screen coordinates.
  ScreenArea Area(XWindow window) const;
  // Asks the window manager to close window, as a task bar's Close does.
  void Close(XWindow window);

  // ---- this process's windows ----
  GtkWindow* Gtk(XWindow window) const;
  // The shown button whose caption (its labels' text, without mnemonic marks) is caption.
  GtkWidget* FindButton(XWindow window, const std::string& caption) const;
  // The captions of the shown buttons, left to right (then top to bottom).
  std::vector<std::string> ButtonCaptions(XWindow window) const;
  // The texts of the shown labels outside buttons, in the order the window holds them.
  std::vector<std::string> Texts(XWindow window) const;
  ScreenArea Area(GtkWidget* widget) const;

  // ---- menus ----
  // The open menu: the newest mapped override-redirect window on the screen, any process's; 0
  // for none.
  XWindow OpenMenu() const;
  // Until a menu is open (other than except) and its pixels stay put; 0 and a test failure at
  // the deadline.
  XWindow WaitForOpenMenu(XWindow except = 0, int timeoutMs = kTimeoutMs);
  // Until menu (its window, of any process) is no longer shown; false at the deadline.
  bool WaitForMenuClosed(XWindow menu, int timeoutMs = kTimeoutMs);
  // The rows of menu, top to bottom, as the screen shows them: each item and each separator is
  // a band of lines that differ from the menu's background.
  std::vector<ScreenArea> MenuRows(XWindow menu);
  // Clicks the centre of menu's row (0 is the top); a missing row fails the test.
  void ClickMenuRow(XWindow menu, int row);
  // The shown menu item of this process whose label is label (its windows' menu bars and
  // open menus), or nil.
  GtkWidget* FindMenuItem(const std::string& label) const;

  // ---- input (each waits until GTK has handled it, when it goes to this process) ----
  void MoveTo(int x, int y);
  // Presses and releases button count times at (x, y).
  void Click(int x, int y, int button = 1, int count = 1);
  // Clicks the widget's centre; a missing or hidden widget fails the test.
  void Click(GtkWidget* widget, int button = 1, int count = 1);
  // Presses at from, moves there in steps that each reach the application, releases at to.
  void Drag(int fromX, int fromY, int toX, int toY, int button = 1);
  // Presses at from and releases at to with nothing waited for in between: the program reads
  // the press only after the pointer has left, as a busy one does.
  void QuickDrag(int fromX, int fromY, int toX, int toY, int button = 1);
  // Presses (releases) button where the pointer is: for a press whose handler runs a loop of
  // its own (a drag), whose steps (Meanwhile) move the pointer and release it.
  void PressButton(int button = 1);
  void ReleaseButton(int button = 1);
  // A key with modifiers, by X key names: "Return", "Escape", "ctrl+s", "shift+Tab", "alt+F4".
  // Only into the window WaitForFocus confirmed, while it has the focus.
  void Key(const std::string& chord);
  // Types UTF-8 text, any characters (keys missing from the keyboard map are mapped first).
  // Only into the window WaitForFocus confirmed, while it has the focus.
  void Type(const std::string& text);
  // Holds down the key X names name ("Shift_R", "Super_L", "a") until ReleaseKey; a key still
  // held when the driver goes is released then, so no later test starts with it down.
  void HoldKey(const std::string& name);
  void ReleaseKey(const std::string& name);
  // Runs xdotool with arguments (its exit status checked), then Settle; commands that press
  // keys ("key", "type", "keydown") go only into the window WaitForFocus confirmed.
  void XDoTool(const std::vector<std::string>& arguments);

  // ---- the screen ----
  // The pixels of area as shown, after Settle.
  Screenshot Capture(const ScreenArea& area);

 private:
  static GdkFilterReturn CountPresses(GdkXEvent* xevent, GdkEvent*, gpointer data);
  static int RunSteps(void* self);
  static int StepOverdue(void* self);
  static int AnswerOverdue(void* self);
  void WatchTheNextStepStart();
  // This process's shown windows, by title: "\"A\", \"B\"", or "no window".
  static std::string ShownWindowTitles();
  void EndAnswerWatch();
  // True when keys may go: the confirmed window has the focus (waited for a moment, as a
  // window manager hands it back after a menu or a dialog); else a failure and false.
  bool FocusIsOnTheConfirmedWindow();
  bool HasFocus(XWindow window) const;
  // A property's bytes when it has the format (8, or 32 for Xlib's longs); "" otherwise.
  std::string Property(XWindow window, const char* name, int format) const;
  std::vector<XWindow> WindowList(XWindow window, const char* name) const;
  bool OnScreen(XWindow window) const;
  // For a window that did not come up: what became of this process's windows titled title,
  // and whether a window manager runs and manages the display.
  std::string OwnWindowsTitled(const std::string& title) const;
  std::string WindowManagerEvidence() const;
  // The manager's threads' stacks ("" outside with-display); then whether an event sent to it
  // makes it take the window up, telling one waiting for an event it already has from one
  // that is busy or stuck.
  std::string WindowManagerStacks() const;
  std::string NudgeEvidence(const std::string& title);
  // Openbox can sleep in its loop with an event it has already read (under load, the map
  // request of a new window: it took the window up only once another event came, 30 s and
  // more later). Any event wakes it; a property changed on the root window, which it watches,
  // is one that no program minds. Waits on the manager send one each second.
  void NudgeTheWindowManager();
  bool PumpUntilTheManagerHas(const std::function<bool()>& condition, int timeoutMs);
  void PressKeysym(unsigned long keysym, const std::vector<std::string>& modifiers);
  void SendNamedKey(const std::string& name, bool press);
  unsigned KeycodeFor(unsigned long keysym, bool* shifted);
  void SendButton(int button, bool press);
  void CloseEveryWindowOfThisProcess();

  ::_XDisplay* mDisplay = nullptr;
  std::deque<std::function<void()>> mSteps;
  unsigned mStepSource = 0;
  unsigned mStartWatch = 0;      // armed while a step waits to run
  unsigned mAnswerWatch = 0;     // armed once the last step has run, until StepsDone
  std::string mStillOpen;        // this process's windows shown when it was armed
  XWindow mFocusConfirmed = 0;   // the window WaitForFocus last saw take the focus
  int mPressesSeen = 0;  // button presses that reached this process (CountPresses)
  long mNudges = 0;      // sent to the window manager
  std::vector<unsigned> mSpareKeycodes;  // keys without symbols, for characters Type maps
  size_t mNextSpare = 0;
  std::vector<unsigned> mHeldKeycodes;  // by HoldKey, not yet released
};

}  // namespace qvtest
