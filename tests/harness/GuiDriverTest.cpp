// The GUI driver against plain GTK windows: typed text and chords reach the focused entry,
// and only the window whose focus was confirmed; clicks and drags arrive where they were sent,
// screenshots hold the painted colours, and a failed step or an answer gone astray releases
// the modal loop it ran in.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "support/GuiDriver.h"
#include "support/TestSupport.h"
#include "support/Watchdog.h"

// After the driver and GTK: Xlib's None and Bool macros would break them.
#include <X11/Xlib.h>

namespace {

using qvtest::XWindow;

class GuiDriverTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }
  void TearDown() override {
    if (mWindow) gtk_widget_destroy(mWindow);
  }
  // A shown window titled title around child; its X window once it is on screen.
  XWindow Show(const char* title, GtkWidget* child) {
    mWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    g_object_add_weak_pointer(G_OBJECT(mWindow), reinterpret_cast<gpointer*>(&mWindow));
    gtk_window_set_title(GTK_WINDOW(mWindow), title);
    gtk_container_add(GTK_CONTAINER(mWindow), child);
    gtk_widget_show_all(mWindow);
    const XWindow shown = gui.WaitForWindow(title);
    EXPECT_EQ(gui.Gtk(shown), GTK_WINDOW(mWindow));
    return shown;
  }
  // A 200 x 120 drawing area, left half red, right half blue, that logs the pointer events.
  GtkWidget* Canvas() {
    GtkWidget* canvas = gtk_drawing_area_new();
    gtk_widget_set_size_request(canvas, 200, 120);
    gtk_widget_add_events(
        canvas, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK);
    g_signal_connect(canvas, "expose-event", G_CALLBACK(+[](GtkWidget* w, GdkEvent*, gpointer) {
                       GdkGC* gc = gdk_gc_new(w->window);
                       for (auto [x, colour] : {std::pair{0, GdkColor{0, 0xFFFF, 0, 0}},
                                                {100, GdkColor{0, 0, 0, 0xFFFF}}}) {
                         gdk_gc_set_rgb_fg_color(gc, &colour);
                         gdk_draw_rectangle(w->window, gc, TRUE, x, 0, 100, 120);
                       }
                       g_object_unref(gc);
                       return TRUE;
                     }),
                     nullptr);
    for (const char* signal : {"button-press-event", "button-release-event", "motion-notify-event"})
      g_signal_connect(canvas, signal, G_CALLBACK(&Log), &mEvents);
    return canvas;
  }
  // type x y button-or-held-mask, one line per event.
  static gboolean Log(GtkWidget*, GdkEvent* event, std::vector<std::string>* events) {
    const bool motion = event->type == GDK_MOTION_NOTIFY;
    const int x = int(motion ? event->motion.x : event->button.x);
    const int y = int(motion ? event->motion.y : event->button.y);
    const unsigned detail =
        motion ? (event->motion.state & GDK_BUTTON1_MASK ? 1 : 0) : event->button.button;
    events->push_back(std::to_string(event->type) + " " + std::to_string(x) + " " +
                      std::to_string(y) + " " + std::to_string(detail));
    return TRUE;
  }
  static std::string Event(GdkEventType type, int x, int y, unsigned detail) {
    return std::to_string(type) + " " + std::to_string(x) + " " + std::to_string(y) + " " +
           std::to_string(detail);
  }
  qvtest::GuiDriver gui;
  GtkWidget* mWindow = nullptr;
  std::vector<std::string> mEvents;
};

// Characters off the keyboard map and shifted ones; ctrl+a selects all, so typing replaces it;
// the window manager closes the window on request.
TEST_F(GuiDriverTest, TypedTextAndChordsReachTheFocusedEntry) {
  GtkWidget* entry = gtk_entry_new();
  const XWindow window = Show("Typing", entry);
  ASSERT_TRUE(window);
  ASSERT_TRUE(gui.WaitForFocus(window));
  gui.Type("first");
  gui.Key("ctrl+a");
  gui.Type("Caf\xC3\xA9 \xE2\x82\xAC A+b=!");
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(entry)), "Caf\xC3\xA9 \xE2\x82\xAC A+b=!");
  gui.Close(window);
  EXPECT_TRUE(gui.WaitUntilClosed(window));
  EXPECT_EQ(mWindow, nullptr) << "closing destroyed the window";
}

TEST_F(GuiDriverTest, ClicksAndDragsArriveWhereTheyWereSent) {
  GtkWidget* canvas = Canvas();
  ASSERT_TRUE(Show("Pointer", canvas));
  const qvtest::ScreenArea area = gui.Area(canvas);
  ASSERT_EQ(std::pair(area.width, area.height), std::pair(200, 120));
  gui.Drag(area.x + 20, area.y + 30, area.x + 150, area.y + 90);
  const std::string release = std::to_string(GDK_BUTTON_RELEASE) + " ";
  ASSERT_TRUE(gui.PumpUntil([&] { return !mEvents.empty() && !mEvents.back().rfind(release, 0); }));
  ASSERT_GE(mEvents.size(), 4u);
  EXPECT_EQ(std::vector(mEvents.begin(), mEvents.begin() + 2),
            (std::vector{Event(GDK_MOTION_NOTIFY, 20, 30, 0), Event(GDK_BUTTON_PRESS, 20, 30, 1)}));
  EXPECT_EQ(
      std::vector(mEvents.end() - 2, mEvents.end()),
      (std::vector{Event(GDK_MOTION_NOTIFY, 150, 90, 1), Event(GDK_BUTTON_RELEASE, 150, 90, 1)}))
      << "moved there with button 1 held";
  mEvents.clear();
  gui.Click(area.x + 5, area.y + 6, 3, 2);
  ASSERT_TRUE(gui.PumpUntil([&] { return mEvents.size() >= 6; }));
  const std::vector<std::string> expected = {
      Event(GDK_MOTION_NOTIFY, 5, 6, 0),  Event(GDK_BUTTON_PRESS, 5, 6, 3),
      Event(GDK_BUTTON_RELEASE, 5, 6, 3), Event(GDK_BUTTON_PRESS, 5, 6, 3),
      Event(GDK_2BUTTON_PRESS, 5, 6, 3),  Event(GDK_BUTTON_RELEASE, 5, 6, 3)};
  EXPECT_EQ(mEvents, expected);
}

TEST_F(GuiDriverTest, ScreenshotsHoldThePaintedColours) {
  GtkWidget* canvas = Canvas();
  ASSERT_TRUE(Show("Colours", canvas));
  const qvtest::ScreenArea area = gui.Area(canvas);
  const qvtest::Screenshot shot = gui.Capture(area);
  ASSERT_EQ(std::pair(shot.width(), shot.height()), std::pair(200, 120));
  EXPECT_EQ(shot.CountPixels(0xFF0000), 100 * 120);
  EXPECT_EQ(shot.CountPixels(0x0000FF), 100 * 120);
  const qvtest::Screenshot left = shot.Region({0, 0, 100, 120});
  EXPECT_EQ(left.DifferingPixels(shot.Region({100, 0, 100, 120})), 100 * 120);
  EXPECT_EQ(left.DifferingPixels(gui.Capture({area.x, area.y, 100, 120})), 0);
  EXPECT_EQ(left.DifferingPixels(shot.Region({1, 0, 100, 120})), 120) << "one column of blue";
}

// A wait on the window manager wakes it each second with a property changed on the root
// window, which it watches: openbox can sleep with an event it has already read. Another
// client sees two in a wait of 2.5 s.
TEST_F(GuiDriverTest, AWaitOnTheWindowManagerWakesItEachSecond) {
  const XWindow window = Show("Staying", gtk_label_new("here"));
  ASSERT_TRUE(window);
  Display* other = XOpenDisplay(nullptr);
  ASSERT_TRUE(other);
  const Atom nudge = XInternAtom(other, "_QV_NUDGE", False);
  XSelectInput(other, DefaultRootWindow(other), PropertyChangeMask);
  XSync(other, False);
  EXPECT_FALSE(gui.WaitUntilClosed(window, 2500));
  XSync(other, False);
  int nudges = 0;
  while (XPending(other)) {
    XEvent event;
    XNextEvent(other, &event);
    nudges += event.type == PropertyNotify && event.xproperty.atom == nudge;
  }
  XCloseDisplay(other);
  EXPECT_GE(nudges, 2);
}

// Without the rescue the modal loop would wait for ever; the alarm ends the child then.
TEST(GuiDriverDeathTest, AFailedStepClosesTheWindowsSoTheModalLoopReturns) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        alarm(qvtest::TimeLimit(20));
        qvtest::GuiDriver gui;
        gui.Meanwhile([&] { gui.WaitForWindow("No such window", 200); });
        GtkWidget* dialog = gtk_dialog_new();
        gtk_window_set_title(GTK_WINDOW(dialog), "Waiting");
        const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
        std::_Exit(response == GTK_RESPONSE_DELETE_EVENT && gui.StepsDone() ? 7 : 8);
      },
      testing::ExitedWithCode(7), "");
}

// Keys before any focus was confirmed, or while another window has it, are not sent.
TEST_F(GuiDriverTest, KeysGoOnlyToTheWindowWhoseFocusWasConfirmed) {
  GtkWidget* entry = gtk_entry_new();
  const XWindow window = Show("Meant", entry);
  ASSERT_TRUE(window);
  testing::TestPartResultArray failures;
  {
    testing::ScopedFakeTestPartResultReporter reporter(
        testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
    gui.Type("early");
  }
  ASSERT_EQ(failures.size(), 1);
  EXPECT_TRUE(std::string(failures.GetTestPartResult(0).message()).find("before WaitForFocus") !=
              std::string::npos);
  ASSERT_TRUE(gui.WaitForFocus(window));

  GtkWidget* other = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(other), "Other");
  GtkWidget* otherEntry = gtk_entry_new();
  gtk_container_add(GTK_CONTAINER(other), otherEntry);
  gtk_widget_show_all(other);
  const XWindow second = gui.WaitForWindow("Other");
  ASSERT_TRUE(second);
  gtk_window_present(GTK_WINDOW(other));
  ASSERT_TRUE(gui.PumpUntil([&] { return gui.ActiveWindow() == second; }));
  {
    testing::ScopedFakeTestPartResultReporter reporter(
        testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
    gui.Type("astray");
  }
  ASSERT_EQ(failures.size(), 2);
  EXPECT_TRUE(std::string(failures.GetTestPartResult(1).message())
                  .find("keys meant for \"Meant\" not sent: the focus is on \"Other\"") !=
              std::string::npos)
      << failures.GetTestPartResult(1).message();
  gui.Settle();
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(entry)), "");
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(otherEntry)), "");
  gtk_widget_destroy(other);
}

// In a death test's child: runs a dialog titled "Waiting" under a driver whose watches wait a
// second (stretched by the slow-run factor, as every wait of the driver), once arrange has
// scheduled its steps; exits with 7 when the dialog ended closed by the driver, its one failure
// says each of expected, and done holds then, else with 8.
[[noreturn]] void RunAReleasedDialog(const std::function<void(qvtest::GuiDriver&)>& arrange,
                                     const std::vector<std::string>& expected,
                                     const std::function<bool(qvtest::GuiDriver&)>& done) {
  alarm(qvtest::TimeLimit(20));
  testing::TestPartResultArray failures;
  testing::ScopedFakeTestPartResultReporter reporter(
      testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
  qvtest::GuiDriver gui;
  gui.answerTimeoutMs = 1000;
  arrange(gui);
  GtkWidget* dialog = gtk_dialog_new();
  gtk_window_set_title(GTK_WINDOW(dialog), "Waiting");
  const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
  bool named = failures.size() == 1;
  for (const std::string& text : expected)
    named = named && std::string(failures.GetTestPartResult(0).message()).find(text) !=
                         std::string::npos;
  std::_Exit(response == GTK_RESPONSE_DELETE_EVENT && done(gui) && named ? 7 : 8);
}

// An answer that reaches nothing (here: none is given) fails the test once the call has waited
// its time, naming the windows still up, and closes them so that the call returns.
TEST(GuiDriverDeathTest, AnAnswerGoneAstrayFailsTheTestAndReleasesTheModalLoop) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(RunAReleasedDialog(
                  [](qvtest::GuiDriver& gui) {
                    gui.Meanwhile([&gui] { gui.WaitForWindow("Waiting"); });
                  },
                  {"went astray; this process showed \"Waiting\""},
                  [](qvtest::GuiDriver& gui) { return gui.StepsDone(); }),
              testing::ExitedWithCode(7), "");
}

// A step starved by a source that is ready on every turn (here: an idle of default priority)
// fails the test once it has waited its time, and the windows close so that the call returns.
TEST(GuiDriverDeathTest, AStarvedStepFailsTheTestAndReleasesTheModalLoop) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  static bool ran = false;
  EXPECT_EXIT(RunAReleasedDialog(
                  [](qvtest::GuiDriver& gui) {
                    g_idle_add_full(
                        G_PRIORITY_DEFAULT, [](gpointer) -> gboolean { return TRUE; }, nullptr,
                        nullptr);
                    gui.Meanwhile([] { ran = true; });
                  },
                  {"step had not started " + std::to_string(qvtest::TimeLimit(1000)) +
                       " ms after it was scheduled",
                   "this process shows \"Waiting\""},
                  [](qvtest::GuiDriver& gui) { return !ran && !gui.StepsDone(); }),
              testing::ExitedWithCode(7), "");
}

}  // namespace
