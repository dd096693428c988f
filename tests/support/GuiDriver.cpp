#include "support/GuiDriver.h"

#include "support/TestSupport.h"
#include "support/Watchdog.h"

// Before Xlib, whose None and Bool macros would break it.
#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <gdk/gdkx.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <tuple>

namespace qvtest {

namespace {

// Failures recorded so far by the running test.
int FailureCount() {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  if (!test) return 0;
  int failures = 0;
  for (int k = 0; k < test->result()->total_part_count(); ++k)
    failures += test->result()->GetTestPartResult(k).failed();
  return failures;
}

// Visits widget and everything inside it, internal children included, in the order held.
void Walk(GtkWidget* widget, const std::function<void(GtkWidget*)>& visit) {
  visit(widget);
  if (!GTK_IS_CONTAINER(widget)) return;
  gtk_container_forall(
      GTK_CONTAINER(widget),
      [](GtkWidget* child, gpointer data) {
        Walk(child, *static_cast<const std::function<void(GtkWidget*)>*>(data));
      },
      const_cast<std::function<void(GtkWidget*)>*>(&visit));
}

// The text of the shown labels inside widget, joined.
std::string ShownLabelText(GtkWidget* widget) {
  std::string text;
  Walk(widget, [&](GtkWidget* child) {
    if (GTK_IS_LABEL(child) && gtk_widget_get_mapped(child))
      text += gtk_label_get_text(GTK_LABEL(child));
  });
  return text;
}

// A channel of an X pixel, scaled to 0..255.
uint32_t Channel(unsigned long pixel, unsigned long mask) {
  if (!mask) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  return uint32_t(((pixel & mask) >> shift) * 255 / (mask >> shift));
}

// Modifier names of Key's chords.
const std::map<std::string, KeySym> kModifiers = {
    {"ctrl", XK_Control_L}, {"shift", XK_Shift_L}, {"alt", XK_Alt_L}, {"super", XK_Super_L}};

}  // namespace

GuiDriver::GuiDriver() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return;
  int event, error, major, minor;
  Display* x = GDK_DISPLAY_XDISPLAY(display);
  if (!XTestQueryExtension(x, &event, &error, &major, &minor)) {
    ADD_FAILURE() << "the display has no XTest extension";
    return;
  }
  mDisplay = x;
  gdk_window_add_filter(nullptr, &GuiDriver::CountPresses, this);
}

GdkFilterReturn GuiDriver::CountPresses(GdkXEvent* xevent, GdkEvent*, gpointer data) {
  if (static_cast<XEvent*>(xevent)->type == ButtonPress)
    ++static_cast<GuiDriver*>(data)->mPressesSeen;
  return GDK_FILTER_CONTINUE;
}

GuiDriver::~GuiDriver() {
  if (mDisplay) gdk_window_remove_filter(nullptr, &GuiDriver::CountPresses, this);
  if (mDisplay && !mHeldKeycodes.empty()) {
    for (unsigned code : mHeldKeycodes) XTestFakeKeyEvent(mDisplay, code, False, CurrentTime);
    XSync(mDisplay, False);
  }
  if (mStepSource) g_source_remove(mStepSource);
  if (mStartWatch) g_source_remove(mStartWatch);
  EndAnswerWatch();
  if (!mSteps.empty())
    ADD_FAILURE() << mSteps.size() << " Meanwhile step(s) never ran: no main loop ran after";
}

// ---- the main loop ----

bool GuiDriver::PumpUntil(const std::function<bool()>& condition, int timeoutMs) {
  const gint64 deadline = g_get_monotonic_time() + gint64(TimeLimit(timeoutMs)) * 1000;
  // A ticking source bounds each wait, so the condition is looked at even when nothing comes.
  // It ticks below GTK's resize and redraw idles: at the default priority, a condition slower
  // than the tick (a screenshot under load) found it ready on every turn, and widgets put into
  // a shown window never got their place or their paint.
  const guint tick = g_timeout_add_full(
      G_PRIORITY_LOW, 10, [](gpointer) -> gboolean { return TRUE; }, nullptr, nullptr);
  bool held = false;
  while (!(held = condition()) && g_get_monotonic_time() < deadline)
    g_main_context_iteration(nullptr, TRUE);
  g_source_remove(tick);
  return held;
}

void GuiDriver::Settle() {
  if (!mDisplay) return;
  // Twice: what GTK does with the first answers (paint, grab, map) sends requests of its own.
  for (int round = 0; round < 2; ++round) {
    XSync(mDisplay, False);
    for (int k = 0; k < 1000 && g_main_context_iteration(nullptr, FALSE); ++k) {
    }
    gdk_window_process_all_updates();
  }
}

void GuiDriver::Meanwhile(std::function<void()> step, int priority) {
  EndAnswerWatch();
  mSteps.push_back(std::move(step));
  if (!mStepSource) {
    mStepSource = g_idle_add_full(priority, reinterpret_cast<GSourceFunc>(&RunSteps), this,
                                  nullptr);
  }
  WatchTheNextStepStart();
}

// Sources of a higher priority than the step's, ready on every turn of a loaded loop, could
// keep a step from ever running, and the call waiting on it would wait in a loop that turns:
// a watch of the highest priority sees the step start in time.
void GuiDriver::WatchTheNextStepStart() {
  if (mStartWatch) return;
  mStartWatch = g_timeout_add_full(G_PRIORITY_HIGH, guint(TimeLimit(answerTimeoutMs)),
                                   reinterpret_cast<GSourceFunc>(&StepOverdue), this, nullptr);
}

int GuiDriver::StepOverdue(void* data) {
  auto* self = static_cast<GuiDriver*>(data);
  self->mStartWatch = 0;
  ADD_FAILURE() << "the next Meanwhile step had not started " << TimeLimit(self->answerTimeoutMs)
                << " ms after it was scheduled (or the previous one ran): the loop turned, but "
                   "sources of a higher priority kept it from the step; this process shows "
                << ShownWindowTitles();
  self->CloseEveryWindowOfThisProcess();
  return FALSE;
}

int GuiDriver::RunSteps(void* data) {
  auto* self = static_cast<GuiDriver*>(data);
  if (self->mStartWatch) g_source_remove(self->mStartWatch);
  self->mStartWatch = 0;
  const std::function<void()> step = std::move(self->mSteps.front());
  const int failures = FailureCount();
  step();
  self->mSteps.pop_front();
  // The call waiting in its modal loop would wait for ever for the answer the step did not give.
  if (FailureCount() > failures) {
    self->CloseEveryWindowOfThisProcess();
  } else if (self->mSteps.empty()) {
    // The step answered; if the answer went to the wrong place (a key under load, a click on
    // a window still moving), the call would wait for ever.
    self->mStillOpen = ShownWindowTitles();
    self->mAnswerWatch =
        g_timeout_add(guint(TimeLimit(self->answerTimeoutMs)), &GuiDriver::AnswerOverdue, self);
  }
  if (!self->mSteps.empty()) {
    self->WatchTheNextStepStart();
    return TRUE;
  }
  self->mStepSource = 0;
  return FALSE;
}

std::string GuiDriver::ShownWindowTitles() {
  std::string titles;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* item = toplevels; item; item = item->next) {
    GtkWindow* window = GTK_WINDOW(item->data);
    if (!gtk_widget_get_visible(GTK_WIDGET(window))) continue;
    const char* title = gtk_window_get_title(window);
    titles += std::string(titles.empty() ? "" : ", ") + "\"" + (title ? title : "") + "\"";
  }
  g_list_free(toplevels);
  return titles.empty() ? "no window" : titles;
}

int GuiDriver::AnswerOverdue(void* data) {
  auto* self = static_cast<GuiDriver*>(data);
  self->mAnswerWatch = 0;
  ADD_FAILURE() << "the call waiting on the Meanwhile steps had not returned "
                << TimeLimit(self->answerTimeoutMs)
                << " ms after the last one ran, so its answer went astray; this process showed "
                << self->mStillOpen
                << " then (ask StepsDone once the call returns)";
  self->CloseEveryWindowOfThisProcess();
  return FALSE;
}

void GuiDriver::EndAnswerWatch() {
  if (mAnswerWatch) g_source_remove(mAnswerWatch);
  mAnswerWatch = 0;
}

bool GuiDriver::StepsDone() {
  EndAnswerWatch();
  if (mSteps.empty()) return true;
  // Steps that never ran (their call returned without them: a window closed for a failure)
  // refer to the caller's frame, which ends now: they go, or the next call's loop would run them.
  mSteps.clear();
  if (mStepSource) g_source_remove(mStepSource);
  if (mStartWatch) g_source_remove(mStartWatch);
  mStepSource = mStartWatch = 0;
  return false;
}

void GuiDriver::CloseEveryWindowOfThisProcess() {
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* item = toplevels; item; item = item->next) g_object_ref(item->data);
  for (GList* item = toplevels; item; item = item->next) {
    GtkWidget* window = GTK_WIDGET(item->data);
    if (!gtk_widget_get_visible(window) || !window->window) continue;
    // A menu's own window belongs to the menu: cancelling the menu ends the loop that waits on
    // it, where deleting the window would leave the menu without one.
    if (GTK_WINDOW(window)->type == GTK_WINDOW_POPUP) {
      GtkWidget* child = gtk_bin_get_child(GTK_BIN(window));
      if (child && GTK_IS_MENU_SHELL(child)) gtk_menu_shell_cancel(GTK_MENU_SHELL(child));
      continue;
    }
    GdkEvent* event = gdk_event_new(GDK_DELETE);
    event->any.window = GDK_WINDOW(g_object_ref(window->window));
    event->any.send_event = TRUE;
    gtk_main_do_event(event);
    gdk_event_free(event);
  }
  for (GList* item = toplevels; item; item = item->next) g_object_unref(item->data);
  g_list_free(toplevels);
}

// ---- top-level windows ----

std::string GuiDriver::Property(XWindow window, const char* name, int format) const {
  std::string bytes;
  if (!mDisplay) return bytes;
  Atom type = None;
  int got = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  gdk_error_trap_push();  // the window may be gone
  const int status =
      XGetWindowProperty(mDisplay, window, XInternAtom(mDisplay, name, False), 0, 65536, False,
                         AnyPropertyType, &type, &got, &count, &after, &data);
  gdk_error_trap_pop();
  // Xlib hands items of format 32 over as longs.
  if (status == Success && data && got == format)
    bytes.assign(reinterpret_cast<const char*>(data), count * (format == 32 ? sizeof(long) : 1));
  if (data) XFree(data);
  return bytes;
}

std::vector<unsigned long> GuiDriver::WindowList(XWindow window, const char* name) const {
  const std::string bytes = Property(window, name, 32);
  std::vector<unsigned long> windows(bytes.size() / sizeof(long));
  if (!windows.empty()) std::memcpy(windows.data(), bytes.data(), windows.size() * sizeof(long));
  return windows;
}

std::vector<XWindow> GuiDriver::Windows() const {
  if (!mDisplay) return {};
  return WindowList(DefaultRootWindow(mDisplay), "_NET_CLIENT_LIST");
}

std::string GuiDriver::Title(XWindow window) const {
  const std::string title = Property(window, "_NET_WM_NAME", 8);
  return title.empty() ? Property(window, "WM_NAME", 8) : title;
}

XWindow GuiDriver::FindWindow(const std::string& title) const {
  const std::vector<XWindow> windows = Windows();
  for (auto window = windows.rbegin(); window != windows.rend(); ++window)
    if (Title(*window) == title) return *window;
  return 0;
}

bool GuiDriver::OnScreen(XWindow window) const {
  XWindowAttributes attributes{};
  gdk_error_trap_push();
  const Status got = XGetWindowAttributes(mDisplay, window, &attributes);
  gdk_error_trap_pop();
  return got && attributes.map_state == IsViewable;
}

void GuiDriver::NudgeTheWindowManager() {
  if (!mDisplay) return;
  const long value = ++mNudges;
  XChangeProperty(mDisplay, DefaultRootWindow(mDisplay), XInternAtom(mDisplay, "_QV_NUDGE", False),
                  XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&value),
                  1);
  XFlush(mDisplay);
}

bool GuiDriver::PumpUntilTheManagerHas(const std::function<bool()>& condition, int timeoutMs) {
  constexpr gint64 kNudgeEvery = 1000000;  // microseconds
  gint64 nextNudge = g_get_monotonic_time() + kNudgeEvery;
  return PumpUntil(
      [&] {
        if (condition()) return true;
        if (g_get_monotonic_time() >= nextNudge) {
          NudgeTheWindowManager();
          nextNudge = g_get_monotonic_time() + kNudgeEvery;
        }
        return false;
      },
      timeoutMs);
}

XWindow GuiDriver::WaitForWindow(const std::string& title, int timeoutMs) {
  XWindow found = 0;
  const long nudges = mNudges;
  const bool shown =
      ready() && PumpUntilTheManagerHas(
                     [&] {
                       found = FindWindow(title);
                       if (!found || !OnScreen(found)) return false;
                       GtkWindow* own = Gtk(found);
                       return !own || !(gdk_window_get_state(GTK_WIDGET(own)->window) &
                                        GDK_WINDOW_STATE_WITHDRAWN);
                     },
                     timeoutMs);
  if (!shown) {
    std::string listed;
    for (XWindow window : Windows()) listed += " \"" + Title(window) + "\"";
    ADD_FAILURE() << "no window titled \"" << title << "\" came up within " << TimeLimit(timeoutMs)
                  << " ms; "
                  << (listed.empty() ? "the window manager lists none"
                                     : "the window manager lists" + listed)
                  << "; " << OwnWindowsTitled(title) << "; " << WindowManagerEvidence() << "; "
                  << WindowManagerStacks() << NudgeEvidence(title);
    return 0;
  }
  // Said in the log, so that a run shows how often the manager needed waking.
  if (mNudges > nudges) {
    std::fprintf(stderr, "GuiDriver: \"%s\" came up once the window manager had been woken %ld "
                 "time(s)\n", title.c_str(), mNudges - nudges);
  }
  Settle();
  return found;
}

std::string GuiDriver::OwnWindowsTitled(const std::string& title) const {
  std::string found;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* item = toplevels; item; item = item->next) {
    GtkWidget* window = GTK_WIDGET(item->data);
    const char* own = gtk_window_get_title(GTK_WINDOW(window));
    if (!own || title != own) continue;
    XWindowAttributes attributes{};
    gdk_error_trap_push();
    const bool known =
        window->window &&
        XGetWindowAttributes(mDisplay, GDK_WINDOW_XID(window->window), &attributes);
    gdk_error_trap_pop();
    found += std::string(found.empty() ? "" : ", ") + "one " +
             (gtk_widget_get_mapped(window)    ? "shown and mapped"
              : gtk_widget_get_visible(window) ? "shown, not mapped"
                                               : "not shown") +
             " by GTK, " +
             (!known                                   ? "with no X window"
              : attributes.map_state == IsViewable     ? "mapped by the X server"
              : attributes.map_state == IsUnmapped     ? "not mapped by the X server"
                                                       : "mapped under an unmapped parent");
  }
  g_list_free(toplevels);
  return found.empty() ? "this process has no window of that title"
                       : "this process has " + found;
}

std::string GuiDriver::WindowManagerEvidence() const {
  std::string evidence = WindowManagerProcessState();
  // A running manager names a window of its own on the root, which names itself.
  const std::vector<XWindow> check =
      WindowList(DefaultRootWindow(mDisplay), "_NET_SUPPORTING_WM_CHECK");
  const std::vector<XWindow> itself =
      check.empty() ? std::vector<XWindow>{} : WindowList(check[0], "_NET_SUPPORTING_WM_CHECK");
  const std::string answer =
      check.empty() ? "no window manager has announced itself on this display (run the test "
                      "under scripts/with-display)"
      : itself.empty() || itself[0] != check[0]
          ? "the window manager's check window is gone: nothing manages this display"
          : "the window manager " + Title(check[0]) + " announces itself";
  return evidence.empty() ? answer : evidence + ", " + answer;
}

std::string GuiDriver::WindowManagerStacks() const {
  if (WindowManagerPid() <= 0) return "";
  std::string why;
  const std::string stacks = ProcessStacks(WindowManagerPid(), 30, &why);
  return "its stacks:\n" + (stacks.empty() ? why : stacks) + "\n";
}

std::string GuiDriver::NudgeEvidence(const std::string& title) {
  NudgeTheWindowManager();
  const gint64 start = g_get_monotonic_time();
  const std::string nudged = "another event sent to the root window (which the manager watches) ";
  if (PumpUntil([&] { return FindWindow(title) != 0; }, 5000)) {
    return nudged + "made it take the window up " +
           std::to_string((g_get_monotonic_time() - start) / 1000) + " ms later";
  }
  return nudged + "did not make it take the window up within 5 s";
}

XWindow GuiDriver::ActiveWindow() const {
  if (!mDisplay) return 0;
  const std::vector<XWindow> active = WindowList(DefaultRootWindow(mDisplay), "_NET_ACTIVE_WINDOW");
  return active.empty() ? 0 : active[0];
}

bool GuiDriver::HasFocus(XWindow window) const {
  GtkWindow* own = Gtk(window);
  return window && ActiveWindow() == window && (!own || gtk_window_is_active(own));
}

bool GuiDriver::WaitForFocus(XWindow window, int timeoutMs) {
  if (!PumpUntilTheManagerHas([&] { return HasFocus(window); }, timeoutMs)) return false;
  mFocusConfirmed = window;
  return true;
}

bool GuiDriver::FocusIsOnTheConfirmedWindow() {
  if (!mFocusConfirmed) {
    ADD_FAILURE() << "keys sent before WaitForFocus confirmed which window they are for";
    return false;
  }
  // A window manager may take a moment to hand the focus back after a menu or a dialog. An
  // open menu or popup list grabs the keyboard for its window, whose toolkit then counts
  // itself inactive.
  const auto ready = [&] {
    GdkWindow* grab = nullptr;
    gboolean ownerEvents = FALSE;
    return HasFocus(mFocusConfirmed) ||
           (ActiveWindow() == mFocusConfirmed &&
            gdk_keyboard_grab_info_libgtk_only(gdk_display_get_default(), &grab, &ownerEvents));
  };
  if (PumpUntil(ready, 5000)) return true;
  const XWindow active = ActiveWindow();
  ADD_FAILURE() << "keys meant for \"" << Title(mFocusConfirmed) << "\" not sent: the focus is on "
                << (active ? "\"" + Title(active) + "\"" : std::string("no window"));
  return false;
}

bool GuiDriver::WaitUntilClosed(XWindow window, int timeoutMs) {
  return PumpUntilTheManagerHas(
      [&] {
        const std::vector<XWindow> windows = Windows();
        return !OnScreen(window) &&
               std::find(windows.begin(), windows.end(), window) == windows.end();
      },
      timeoutMs);
}

ScreenArea GuiDriver::Area(XWindow window) const {
  if (!mDisplay || !window) return {};
  XWindowAttributes attributes{};
  Window child = None;
  int x = 0, y = 0;
  gdk_error_trap_push();
  const bool found =
      XGetWindowAttributes(mDisplay, window, &attributes) &&
      XTranslateCoordinates(mDisplay, window, DefaultRootWindow(mDisplay), 0, 0, &x, &y, &child);
  gdk_error_trap_pop();
  if (!found) return {};
  return {x, y, attributes.width, attributes.height};
}

void GuiDriver::Close(XWindow window) {
  if (!mDisplay) return;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(mDisplay, "_NET_CLOSE_WINDOW", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = CurrentTime;
  event.xclient.data.l[1] = 2;  // from a pager or task bar: a person's request
  XSendEvent(mDisplay, DefaultRootWindow(mDisplay), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &event);
  Settle();
}

// ---- this process's windows ----

GtkWindow* GuiDriver::Gtk(XWindow window) const {
  if (!mDisplay || !window) return nullptr;
  GdkWindow* gdkWindow = gdk_window_lookup(window);
  gpointer widget = nullptr;
  if (gdkWindow) gdk_window_get_user_data(gdkWindow, &widget);
  return widget && GTK_IS_WINDOW(widget) ? GTK_WINDOW(widget) : nullptr;
}

std::vector<std::string> GuiDriver::ButtonCaptions(XWindow window) const {
  std::vector<std::pair<ScreenArea, std::string>> buttons;
  if (GtkWindow* own = Gtk(window)) {
    Walk(GTK_WIDGET(own), [&](GtkWidget* widget) {
      if (GTK_IS_BUTTON(widget) && gtk_widget_get_mapped(widget))
        buttons.push_back({Area(widget), ShownLabelText(widget)});
    });
  }
  std::stable_sort(buttons.begin(), buttons.end(), [](const auto& a, const auto& b) {
    return std::pair(a.first.y, a.first.x) < std::pair(b.first.y, b.first.x);
  });
  std::vector<std::string> captions;
  for (const auto& button : buttons) captions.push_back(button.second);
  return captions;
}

GtkWidget* GuiDriver::FindButton(XWindow window, const std::string& caption) const {
  GtkWidget* found = nullptr;
  if (GtkWindow* own = Gtk(window)) {
    Walk(GTK_WIDGET(own), [&](GtkWidget* widget) {
      if (!found && GTK_IS_BUTTON(widget) && gtk_widget_get_mapped(widget) &&
          ShownLabelText(widget) == caption)
        found = widget;
    });
  }
  return found;
}

std::vector<std::string> GuiDriver::Texts(XWindow window) const {
  std::vector<std::string> texts;
  if (GtkWindow* own = Gtk(window)) {
    Walk(GTK_WIDGET(own), [&](GtkWidget* widget) {
      if (GTK_IS_LABEL(widget) && gtk_widget_get_mapped(widget) &&
          !gtk_widget_get_ancestor(widget, GTK_TYPE_BUTTON))
        texts.push_back(gtk_label_get_text(GTK_LABEL(widget)));
    });
  }
  return texts;
}

ScreenArea GuiDriver::Area(GtkWidget* widget) const {
  if (!widget || !widget->window) return {};
  gint x = 0, y = 0;
  gdk_window_get_origin(widget->window, &x, &y);
  GtkAllocation allocation;
  gtk_widget_get_allocation(widget, &allocation);
  // A widget without a window of its own is placed within its parent's.
  if (!gtk_widget_get_has_window(widget)) {
    x += allocation.x;
    y += allocation.y;
  }
  return {x, y, allocation.width, allocation.height};
}

// ---- menus ----

XWindow GuiDriver::OpenMenu() const {
  if (!mDisplay) return 0;
  Window root = None, parent = None;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(mDisplay, DefaultRootWindow(mDisplay), &root, &parent, &children, &count)) {
    return 0;
  }
  XWindow found = 0;
  gdk_error_trap_push();
  for (unsigned k = count; k-- > 0 && !found;) {  // top of the stack first
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(mDisplay, children[k], &attributes) &&
        attributes.override_redirect && attributes.map_state == IsViewable &&
        attributes.width > 1 && attributes.height > 1 &&
        // GTK keeps override-redirect windows of its own off the screen (at -100, -100).
        attributes.x + attributes.width > 0 && attributes.y + attributes.height > 0 &&
        attributes.x < DisplayWidth(mDisplay, DefaultScreen(mDisplay)) &&
        attributes.y < DisplayHeight(mDisplay, DefaultScreen(mDisplay))) {
      found = children[k];
    }
  }
  gdk_error_trap_pop();
  if (children) XFree(children);
  return found;
}

XWindow GuiDriver::WaitForOpenMenu(XWindow except, int timeoutMs) {
  XWindow menu = 0;
  const bool open = PumpUntil(
      [&] {
        XSync(mDisplay, False);
        menu = OpenMenu();
        return menu != 0 && menu != except;
      },
      timeoutMs);
  if (!open) {
    ADD_FAILURE() << "no menu opened";
    return 0;
  }
  // Another process paints when it will: the menu is open once it shows more than its
  // background (a mapped window waiting for its first paint is one colour) and its pixels stay
  // put.
  const auto painted = [](const Screenshot& shot) {
    return shot.CountPixels(shot.Pixel(0, 0)) < shot.width() * shot.height();
  };
  // The wait is bounded by time, not by a count of looks: a starved process may take seconds
  // to paint its first frame.
  Screenshot before = Capture(Area(menu));
  const bool settled = PumpUntil(
      [&] {
        PumpUntil([] { return false; }, 50);
        Screenshot now = Capture(Area(menu));
        const bool still = !now.empty() && painted(now) && now.DifferingPixels(before) == 0;
        before = std::move(now);
        return still;
      },
      timeoutMs);
  if (!settled) {
    const ScreenArea area = Area(menu);
    ADD_FAILURE() << "the menu was not painted, or its pixels kept changing: window " << menu
                  << " at " << area.x << "," << area.y << " " << area.width << "x"
                  << area.height << ", " << before.CountPixels(before.Pixel(0, 0))
                  << " pixels of its first one's colour";
  }
  return settled ? menu : 0;
}

bool GuiDriver::WaitForMenuClosed(XWindow menu, int timeoutMs) {
  return PumpUntil(
      [&] {
        XSync(mDisplay, False);
        XWindowAttributes attributes{};
        gdk_error_trap_push();
        const bool shown = XGetWindowAttributes(mDisplay, menu, &attributes) &&
                           attributes.map_state == IsViewable;
        gdk_error_trap_pop();
        return !shown;
      },
      timeoutMs);
}

std::vector<ScreenArea> GuiDriver::MenuRows(XWindow menu) {
  const ScreenArea area = Area(menu);
  const Screenshot shot = Capture(area);
  std::map<uint32_t, int> counts;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) ++counts[shot.Pixel(x, y)];
  uint32_t background = 0;
  int most = 0;
  for (const auto& [colour, count] : counts) {
    if (count > most) std::tie(background, most) = std::tie(colour, count);
  }
  const auto differs = [&](int y) {
    for (int x = 3; x < shot.width() - 3; ++x) {
      const uint32_t pixel = shot.Pixel(x, y);
      for (int shift : {0, 8, 16}) {
        const int a = int(pixel >> shift & 0xFF), b = int(background >> shift & 0xFF);
        if (std::abs(a - b) > 16) return true;
      }
    }
    return false;
  };
  constexpr int kFrame = 3;  // the menu's frame lines are no row
  std::vector<ScreenArea> rows;
  int start = -1;
  for (int y = kFrame; y <= shot.height() - kFrame; ++y) {
    const bool inRow = y < shot.height() - kFrame && differs(y);
    if (inRow && start < 0) start = y;
    if (!inRow && start >= 0) {
      rows.push_back({area.x, area.y + start, area.width, y - start});
      start = -1;
    }
  }
  return rows;
}

void GuiDriver::ClickMenuRow(XWindow menu, int row) {
  // A starved program may pause between painting one item and the next.
  std::vector<ScreenArea> rows = MenuRows(menu);
  if (row >= int(rows.size()) && row >= 0)
    PumpUntil([&] { return row < int((rows = MenuRows(menu)).size()); }, 5000);
  if (row < 0 || row >= int(rows.size())) {
    ADD_FAILURE() << "the menu has " << rows.size() << " rows, no row " << row;
    return;
  }
  Click(rows[size_t(row)].CenterX(), rows[size_t(row)].CenterY());
}

GtkWidget* GuiDriver::FindMenuItem(const std::string& label) const {
  GtkWidget* found = nullptr;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* link = toplevels; link && !found; link = link->next) {
    GtkWidget* toplevel = GTK_WIDGET(link->data);
    if (!gtk_widget_get_mapped(toplevel)) continue;
    Walk(toplevel, [&](GtkWidget* widget) {
      if (!found && GTK_IS_MENU_ITEM(widget) && gtk_widget_get_mapped(widget) &&
          ShownLabelText(widget) == label)
        found = widget;
    });
  }
  g_list_free(toplevels);
  return found;
}

// ---- input ----

void GuiDriver::MoveTo(int x, int y) {
  if (!mDisplay) return;
  XTestFakeMotionEvent(mDisplay, -1, x, y, CurrentTime);
  Settle();
}

void GuiDriver::SendButton(int button, bool press) {
  XTestFakeButtonEvent(mDisplay, unsigned(button), press, CurrentTime);
}

void GuiDriver::Click(int x, int y, int button, int count) {
  if (!mDisplay) return;
  MoveTo(x, y);
  for (int k = 0; k < count; ++k) {
    SendButton(button, true);
    SendButton(button, false);
  }
  Settle();
}

void GuiDriver::Click(GtkWidget* widget, int button, int count) {
  if (!widget || !gtk_widget_get_mapped(widget)) {
    ADD_FAILURE() << "no shown widget to click";
    return;
  }
  const ScreenArea area = Area(widget);
  Click(area.CenterX(), area.CenterY(), button, count);
}

void GuiDriver::Drag(int fromX, int fromY, int toX, int toY, int button) {
  if (!mDisplay) return;
  MoveTo(fromX, fromY);
  const int presses = mPressesSeen;
  SendButton(button, true);
  // A window manager that takes the press first (click to focus) may pass it on late on a
  // loaded machine; moving on before it came would hand the program press and release
  // together, and no drag.
  PumpUntil([&] { return mPressesSeen > presses; }, 2000);
  Settle();
  constexpr int kSteps = 8;
  for (int k = 1; k <= kSteps; ++k) {
    XTestFakeMotionEvent(mDisplay, -1, fromX + (toX - fromX) * k / kSteps,
                         fromY + (toY - fromY) * k / kSteps, CurrentTime);
    Settle();
  }
  SendButton(button, false);
  Settle();
}

void GuiDriver::PressButton(int button) {
  if (!mDisplay) return;
  SendButton(button, true);
  Settle();
}

void GuiDriver::ReleaseButton(int button) {
  if (!mDisplay) return;
  SendButton(button, false);
  Settle();
}

void GuiDriver::QuickDrag(int fromX, int fromY, int toX, int toY, int button) {
  if (!mDisplay) return;
  MoveTo(fromX, fromY);
  SendButton(button, true);
  XTestFakeMotionEvent(mDisplay, -1, toX, toY, CurrentTime);
  SendButton(button, false);
  Settle();
}

unsigned GuiDriver::KeycodeFor(unsigned long keysym, bool* shifted) {
  *shifted = false;
  if (KeyCode code = XKeysymToKeycode(mDisplay, keysym)) {
    *shifted = XkbKeycodeToKeysym(mDisplay, code, 0, 0) != keysym &&
               XkbKeycodeToKeysym(mDisplay, code, 0, 1) == keysym;
    return code;
  }
  // Not on the keyboard: put it on a key that has no symbols (the display is this test's own),
  // going round the spare keys when they run out.
  if (mSpareKeycodes.empty()) {
    int low = 0, high = 0, perCode = 0;
    XDisplayKeycodes(mDisplay, &low, &high);
    KeySym* map = XGetKeyboardMapping(mDisplay, KeyCode(low), high - low + 1, &perCode);
    for (int code = high; code >= low && map; --code) {
      const KeySym* symbols = map + (code - low) * perCode;
      if (std::all_of(symbols, symbols + perCode, [](KeySym s) { return s == NoSymbol; }))
        mSpareKeycodes.push_back(unsigned(code));
    }
    if (map) XFree(map);
    if (mSpareKeycodes.empty()) return 0;
  }
  const unsigned code = mSpareKeycodes[mNextSpare++ % mSpareKeycodes.size()];
  KeySym symbol = keysym;
  XChangeKeyboardMapping(mDisplay, int(code), 1, &symbol, 1);
  XSync(mDisplay, False);
  return code;
}

void GuiDriver::PressKeysym(unsigned long keysym, const std::vector<std::string>& modifiers) {
  bool shifted = false;
  const unsigned code = KeycodeFor(keysym, &shifted);
  if (!code) {
    ADD_FAILURE() << "no key can send keysym 0x" << std::hex << keysym;
    return;
  }
  std::vector<unsigned> held;
  for (const std::string& name : modifiers) {
    const auto modifier = kModifiers.find(name);
    if (modifier == kModifiers.end()) {
      ADD_FAILURE() << "unknown modifier \"" << name << "\" (ctrl, shift, alt or super)";
      return;
    }
    held.push_back(XKeysymToKeycode(mDisplay, modifier->second));
  }
  if (shifted) held.push_back(XKeysymToKeycode(mDisplay, XK_Shift_L));
  for (unsigned modifier : held) XTestFakeKeyEvent(mDisplay, modifier, True, CurrentTime);
  XTestFakeKeyEvent(mDisplay, code, True, CurrentTime);
  XTestFakeKeyEvent(mDisplay, code, False, CurrentTime);
  for (auto modifier = held.rbegin(); modifier != held.rend(); ++modifier)
    XTestFakeKeyEvent(mDisplay, *modifier, False, CurrentTime);
  Settle();
}

void GuiDriver::Key(const std::string& chord) {
  if (!mDisplay) return;
  std::vector<std::string> parts;
  for (size_t start = 0;;) {
    const size_t plus = chord.find('+', start + 1);  // "+" and "ctrl++" name the plus key
    parts.push_back(chord.substr(start, plus - start));
    if (plus == std::string::npos) break;
    start = plus + 1;
  }
  const std::string name = parts.back();
  parts.pop_back();
  if (!FocusIsOnTheConfirmedWindow()) return;
  const KeySym keysym = XStringToKeysym(name.c_str());
  if (keysym == NoSymbol) {
    ADD_FAILURE() << "no key is named \"" << name << "\"";
    return;
  }
  PressKeysym(keysym, parts);
}

void GuiDriver::Type(const std::string& text) {
  if (!mDisplay) return;
  if (!g_utf8_validate(text.data(), gssize(text.size()), nullptr)) {
    ADD_FAILURE() << "Type needs UTF-8 text";
    return;
  }
  if (!FocusIsOnTheConfirmedWindow()) return;
  for (const char* p = text.data(); p < text.data() + text.size(); p = g_utf8_next_char(p)) {
    const gunichar character = g_utf8_get_char(p);
    const KeySym keysym = character == '\n'   ? XK_Return
                          : character == '\t' ? XK_Tab
                                              : gdk_unicode_to_keyval(character);
    PressKeysym(keysym, {});
  }
}

void GuiDriver::XDoTool(const std::vector<std::string>& arguments) {
  const bool presses = std::any_of(arguments.begin(), arguments.end(), [](const std::string& a) {
    return a == "key" || a == "type" || a == "keydown";
  });
  if (presses && !FocusIsOnTheConfirmedWindow()) return;
  std::vector<std::string> argv = {"xdotool"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::string output;
  EXPECT_EQ(RunProgram(argv, &output), 0) << output;
  Settle();
}

void GuiDriver::HoldKey(const std::string& name) { SendNamedKey(name, true); }

void GuiDriver::ReleaseKey(const std::string& name) { SendNamedKey(name, false); }

void GuiDriver::SendNamedKey(const std::string& name, bool press) {
  if (!mDisplay) return;
  const KeySym keysym = XStringToKeysym(name.c_str());
  bool shifted = false;
  const unsigned code = keysym == NoSymbol ? 0 : KeycodeFor(keysym, &shifted);
  if (!code) {
    ADD_FAILURE() << "no key is named \"" << name << "\"";
    return;
  }
  const auto held = std::find(mHeldKeycodes.begin(), mHeldKeycodes.end(), code);
  if (press && held == mHeldKeycodes.end()) mHeldKeycodes.push_back(code);
  if (!press && held != mHeldKeycodes.end()) mHeldKeycodes.erase(held);
  XTestFakeKeyEvent(mDisplay, code, press ? True : False, CurrentTime);
  Settle();
}

// ---- the screen ----

Screenshot GuiDriver::Capture(const ScreenArea& area) {
  if (!mDisplay) return {};
  Settle();
  const int screenWidth = DisplayWidth(mDisplay, DefaultScreen(mDisplay));
  const int screenHeight = DisplayHeight(mDisplay, DefaultScreen(mDisplay));
  const int left = std::max(area.x, 0), top = std::max(area.y, 0);
  const int width = std::min(area.x + area.width, screenWidth) - left;
  const int height = std::min(area.y + area.height, screenHeight) - top;
  if (width <= 0 || height <= 0) return {};
  gdk_error_trap_push();
  XImage* image = XGetImage(mDisplay, DefaultRootWindow(mDisplay), left, top, unsigned(width),
                            unsigned(height), AllPlanes, ZPixmap);
  gdk_error_trap_pop();
  if (!image) return {};
  std::vector<uint32_t> pixels;
  pixels.reserve(size_t(width) * size_t(height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      pixels.push_back(Channel(pixel, image->red_mask) << 16 |
                       Channel(pixel, image->green_mask) << 8 | Channel(pixel, image->blue_mask));
    }
  }
  XDestroyImage(image);
  return Screenshot(width, height, std::move(pixels));
}

}  // namespace qvtest
