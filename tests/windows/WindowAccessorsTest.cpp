// The Window class's accessors on window objects of this process, read back from GTK and the
// X server: title, back colour and backdrop, help tag, cursor, mouse position, handles, the
// cached Graphics, focus, the window states, drop types, and the calls an embedded window
// passes to its control.
#include <gtest/gtest.h>

#include <cstring>

#include "WindowFixtures.h"
#include "WindowObjectFixtures.h"
#include "app/ExternalClasses.h"
#include "controls/ControlAccessors.h"
#include "core/ClassFieldAccessors.h"
#include "core/ExportRegistry.h"
#include "graphics/GraphicsClass.h"
#include "graphics/PictureClass.h"
#include "support/TestSupport.h"
#include "windows/MouseCursorClass.h"
#include "windows/PaneFocus.h"
#include "windows/WindowAccessors.h"
#include "windows/WindowEntryPoints.h"

// Xlib's macros (None, Bool, Status) after everything else; its Window goes by another name.
#define Window XlibWindow
#include <X11/extensions/Xfixes.h>
#include <gdk/gdkx.h>
#undef Window

namespace {

using qvtest::ControlPlan;
using qvtest::MakeRect;
using qvtest::XWindow;

// What GTK paints a window with where nothing else is drawn.
uint32_t ThemeBackground(RuntimeObject* window) {
  const GdkColor& bg = GTK_WIDGET(AsWindow(window)->mImp->GetGtkWindow())->style->bg[0];
  return uint32_t(bg.red >> 8) << 16 | uint32_t(bg.green >> 8) << 8 | uint32_t(bg.blue >> 8);
}

stringStorage* Text(const char* utf8) {
  return string::FromBytes(utf8, int64_t(strlen(utf8)), kEncodingUTF8).ExtractStringStorage();
}

class WindowAccessors : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }
  void TearDown() override {
    for (RuntimeObject* window : held) RuntimeUnlockObject(window);
  }
  // A window as the kit's script says, shown and focused; its X window in xid.
  RuntimeObject* Open(const std::string& title) {
    kit.script.title = title;
    RuntimeObject* window = kit.NewWindow();
    held.push_back(window);
    EXPECT_TRUE(kit.ShowAndFocus(gui, window));
    xid = gui.WaitForWindow(title);
    return window;
  }
  uint32_t ContentPixel(int x, int y) {
    const qvtest::ScreenArea area = gui.Area(xid);
    return gui.Capture({area.x + x, area.y + y, 1, 1}).Pixel(0, 0);
  }
  bool Shows(int x, int y, uint32_t rgb) {
    return gui.PumpUntil([&] { return ContentPixel(x, y) == rgb; });
  }

  qvtest::GuiDriver gui;
  qvtest::WindowObjectKit kit;
  std::vector<RuntimeObject*> held;
  XWindow xid = 0;
};

TEST_F(WindowAccessors, TheTitleReachesTheWindowManagerAndAClosedWindowOnlyStoresIt) {
  RuntimeObject* window = Open("Untitled");
  stringStorage* title = Text("Gr\xC3\xBC\xC3\x9F" "e \xE6\xA8\x99\xE9\xA1\x8C");
  windowTitleSetter(window, 0, title);
  EXPECT_TRUE(gui.PumpUntil([&] { return gui.Title(xid) == "Grüße 標題"; })) << gui.Title(xid);
  stringStorage* read = windowTitleGetter(window, 0);
  EXPECT_EQ(read, title);
  stringStorage::RemoveReference(read);
  stringStorage::RemoveReference(title);

  RuntimeCloseWindow(window);
  stringStorage* later = Text("Later");
  windowTitleSetter(window, 0, later);
  EXPECT_EQ(qvtest::TitleOf(window), "Later");
  stringStorage::RemoveReference(later);

  qvtest::ReportCapture reports;
  windowTitleSetter(nullptr, 0, nullptr);
  ASSERT_EQ(reports.count(), 1u);
  EXPECT_EQ(reports.reports()[0].extra,
            "Trying to set the window's title, but there was no window");
  windowFullScreenSetter(nullptr, 0, 1);
  EXPECT_EQ(WindowDockItemGetter(nullptr, 0), nullptr);
  EXPECT_EQ(reports.count(), 3u);
}

TEST_F(WindowAccessors, ABackColourShowsAtOnceAndRemovingItBringsTheThemeBack) {
  RuntimeObject* window = Open("Coloured");
  const uint32_t theme = ThemeBackground(window);
  ASSERT_TRUE(Shows(100, 80, theme));
  const qvtest::Screenshot before = gui.Capture(gui.Area(xid));
  windowBackColorSetter(window, 0, 0xFF8000);  // HasBackColor is False: stored only
  gui.Settle();
  EXPECT_EQ(gui.Capture(gui.Area(xid)).DifferingPixels(before), 0);
  EXPECT_EQ(windowBackColorGetter(window, 0), 0xFF8000u);

  windowHasBackColorSetter(window, 0, 1);
  EXPECT_TRUE(Shows(100, 80, 0xFF8000));
  windowBackColorSetter(window, 0, 0x2060A0);
  EXPECT_TRUE(Shows(100, 80, 0x2060A0));
  const qvtest::Screenshot coloured = gui.Capture(gui.Area(xid));
  EXPECT_EQ(coloured.CountPixels(0x2060A0), coloured.width() * coloured.height());
  windowHasBackColorSetter(window, 0, 0);
  EXPECT_TRUE(Shows(100, 80, theme));
}

TEST_F(WindowAccessors, OnePictureSetTwiceAsBackdropStaysAliveAndShows) {
  RuntimeObject* window = Open("Backdrop");
  const uint32_t theme = ThemeBackground(window);
  GdkPixbuf* pixels = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 40, 30);
  gdk_pixbuf_fill(pixels, 0x00C040FF);
  RuntimeObject* picture = NewPictureWithImage(pixels);
  windowBackdropSetter(window, 0, picture);
  windowBackdropSetter(window, 0, picture);
  EXPECT_EQ(picture->refCount, 2);
  RuntimeUnlockObject(picture);
  EXPECT_TRUE(Shows(20, 15, 0x00C040));
  EXPECT_TRUE(Shows(60, 50, theme));
  RuntimeObject* read = windowBackdropGetter(window, 0);
  EXPECT_EQ(read, picture);
  RuntimeUnlockObject(read);
  windowBackdropSetter(window, 0, nullptr);
  EXPECT_TRUE(Shows(20, 15, theme));
}

TEST_F(WindowAccessors, HelpHandlesAndMouseActOnTheNativeWindowUntilItCloses) {
  RuntimeObject* window = Open("Handles");
  RuntimeViewWindow* native = AsWindow(window)->mImp;
  stringStorage* help = Text("Some help");
  windowBalloonHelpSetter(window, 0, help);
  GtkTooltipsData* tip = gtk_tooltips_data_get(native->GetWidget());
  ASSERT_NE(tip, nullptr);
  EXPECT_STREQ(tip->tip_text, "Some help");
  EXPECT_EQ(AsWindow(window)->balloonHelp, help);
  stringStorage::RemoveReference(help);

  EXPECT_EQ(WindowHandleGetter(window, 0), int32_t(reinterpret_cast<uintptr_t>(
                                               native->GetGtkWindow())));
  EXPECT_EQ(windowWindowPtrGetter(window, 0), 0);
  EXPECT_EQ(windowHWNDGetter(window, 0), 0);
  const RelocEntry* alias = LookupExportEntry("getterWinHWND");
  ASSERT_NE(alias, nullptr);
  EXPECT_EQ(alias->code, reinterpret_cast<void*>(&windowHWNDGetter));
  EXPECT_EQ(WindowDockItemGetter(window, 0), nullptr);

  const qvtest::ScreenArea area = gui.Area(xid);
  qvtest::RunXTool(gui, {"xdotool", "mousemove", std::to_string(area.x + 37),
                         std::to_string(area.y + 21)});
  EXPECT_EQ(windowMouseXGetter(window, 0), 37);
  EXPECT_EQ(windowMouseYGetter(window, 0), 21);

  RuntimeCloseWindow(window);
  EXPECT_EQ(WindowHandleGetter(window, 0), 0);
  EXPECT_EQ(windowMouseXGetter(window, 0), 0);
  EXPECT_EQ(windowMouseYGetter(window, 0), 0);
}

TEST_F(WindowAccessors, TheCursorShowsOverTheWindowAndNilGivesTheDefault) {
  Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
  int event = 0, error = 0;
  if (!XFixesQueryExtension(display, &event, &error)) GTEST_SKIP() << "no XFixes";
  RuntimeObject* window = Open("Cursor");
  const auto shownSerial = [&] {
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    const unsigned long serial = image ? image->cursor_serial : 0;
    if (image) XFree(image);
    return serial;
  };
  const qvtest::ScreenArea area = gui.Area(xid);
  const auto moveOver = [&](int dx) {
    qvtest::RunXTool(gui, {"xdotool", "mousemove", std::to_string(area.x + 50 + dx),
                           std::to_string(area.y + 40)});
  };
  moveOver(0);
  gui.Settle();
  const unsigned long standard = shownSerial();
  RuntimeObject* watch = getWatchCursor();
  formMouseCursorSetter(window, 0, watch);
  moveOver(3);
  EXPECT_TRUE(gui.PumpUntil([&] { return shownSerial() != standard; }));
  const unsigned long watchSerial = shownSerial();
  EXPECT_EQ(AsWindow(window)->mouseCursor, watch);
  RuntimeUnlockObject(watch);
  formMouseCursorSetter(window, 0, nullptr);
  moveOver(6);
  EXPECT_TRUE(gui.PumpUntil([&] { return shownSerial() != watchSerial; }));
  EXPECT_EQ(AsWindow(window)->mouseCursor, nullptr);
}

TEST_F(WindowAccessors, TheCachedGraphicsIsOneObjectThatLosesItsTargetWithTheWindow) {
  RuntimeObject* window = Open("Cached");
  RuntimeObject* first = windowGraphicsGetter(window, 0);
  ASSERT_NE(first, nullptr);
  RuntimeObject* second = windowGraphicsGetter(window, 0);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first->refCount, 3);  // the window's and two callers'
  RuntimeUnlockObject(second);
  ASSERT_NE(NativeGraphicsOf(first), nullptr);
  EXPECT_EQ(NativeGraphicsOf(first)->Target(), AsWindow(window)->mImp);

  RuntimeCloseWindow(window);
  EXPECT_EQ(first->refCount, 1);
  EXPECT_EQ(NativeGraphicsOf(first)->Target(), nullptr);
  {
    qvtest::ReportCapture reports;
    RuntimeGraphicsFillRect(first, 0, 0, 20, 20);
    EXPECT_TRUE(reports.HasCondition("thePane"));
  }
  EXPECT_EQ(windowGraphicsGetter(window, 0), nullptr);  // no native window, no Graphics
  RuntimeUnlockObject(first);
}

TEST_F(WindowAccessors, FocusAnswersOnlyAControlOfThisWindow) {
  kit.script.controls = {{.name = "First", .bounds = MakeRect(10, 10, 40, 100)},
                         {.name = "Second", .bounds = MakeRect(50, 10, 80, 100)},
                         {.name = "Paneless", .bounds = MakeRect(90, 10, 120, 100),
                          .withPane = false}};
  RuntimeObject* window = Open("Focused");
  RuntimeObject* first = qvtest::ControlAt(window, "First");
  RuntimeObject* second = qvtest::ControlAt(window, "Second");
  for (RuntimeObject* control : {first, second}) {
    GTK_WIDGET_SET_FLAGS(AsControl(control)->pane->GetWidget(), GTK_CAN_FOCUS);
  }
  WindowFocusSetter(window, 0, second);
  EXPECT_EQ(GetFocusPane(), AsControl(second)->pane);
  RuntimeObject* focus = WindowFocusGetter(window, 0);
  EXPECT_EQ(focus, second);
  RuntimeUnlockObject(focus);
  WindowFocusSetter(window, 0, qvtest::ControlAt(window, "Paneless"));
  EXPECT_EQ(GetFocusPane(), AsControl(second)->pane);

  // SetFocus, and Focus set to Nil: the window itself holds the focus, no GTK widget does.
  GtkWindow* gtkWindow = AsWindow(window)->mImp->GetGtkWindow();
  formSetFocus(window);
  EXPECT_EQ(GetFocusPane(), AsWindow(window)->mImp);
  EXPECT_EQ(gtk_window_get_focus(gtkWindow), nullptr);
  EXPECT_EQ(WindowFocusGetter(window, 0), nullptr);
  WindowFocusSetter(window, 0, first);
  EXPECT_EQ(GetFocusPane(), AsControl(first)->pane);
  WindowFocusSetter(window, 0, nullptr);
  EXPECT_EQ(GetFocusPane(), AsWindow(window)->mImp);
  EXPECT_EQ(gtk_window_get_focus(gtkWindow), nullptr);
  EXPECT_EQ(WindowFocusGetter(window, 0), nullptr);

  // A pane without a control, another window's control.
  auto* bare = new qvtest::TestPane(AsWindow(window)->mImp, MakeRect(130, 10, 150, 60),
                                    qvtest::PaneWidget::kOwnWindow);
  SetFocusPane(bare);
  EXPECT_EQ(WindowFocusGetter(window, 0), nullptr);
  kit.script.controls = {{.name = "Elsewhere", .bounds = MakeRect(10, 10, 40, 100)}};
  RuntimeObject* other = Open("Other");
  SetFocusPane(AsControl(qvtest::ControlAt(other, "Elsewhere"))->pane);
  EXPECT_EQ(WindowFocusGetter(window, 0), nullptr);
  RuntimeObject* otherFocus = WindowFocusGetter(other, 0);
  EXPECT_NE(otherFocus, nullptr);
  RuntimeUnlockObject(otherFocus);
  ClearKeyboardFocus();
}

TEST_F(WindowAccessors, MaximizeAndRestoreShowInTheWindowStateAndMinimizeIsTold) {
  RuntimeObject* window = Open("States");
  const auto state = [&] { return qvtest::XProperty(xid, "_NET_WM_STATE"); };
  WindowMaximize(window);
  EXPECT_TRUE(gui.PumpUntil([&] {
    return state().find("_NET_WM_STATE_MAXIMIZED_VERT") != std::string::npos;
  })) << state();
  WindowRestore(window);
  EXPECT_TRUE(gui.PumpUntil([&] {
    return state().find("_NET_WM_STATE_MAXIMIZED") == std::string::npos;
  })) << state();
  kit.Take();
  WindowMinimize(window);
  EXPECT_TRUE(gui.PumpUntil([&] {
    const std::vector<std::string> told = kit.TakeOnly({"Minimize"});
    return !told.empty() && told[0] == "States.Minimize";
  }));
  WindowRestore(window);
  RuntimeCloseWindow(window);
  WindowMaximize(window);  // no native window: nothing
  WindowRestore(window);
}

TEST_F(WindowAccessors, DropMethodsRegisterTheirTypesOnceWithTheNativeWindow) {
  RuntimeObject* window = Open("Drops");
  RuntimeViewWindow* native = AsWindow(window)->mImp;
  const auto names = [](const SimpleVector<string>& list) {
    std::vector<std::string> out;
    for (uint32_t i = 0; i < list.size(); ++i) out.push_back(list[int32_t(i)].CString());
    return out;
  };
  formAcceptTextDrop(window);
  formAcceptTextDrop(window);
  EXPECT_EQ(names(native->AcceptedDragTypes()), (std::vector<std::string>{"TEXT", "utxt"}));
  formAcceptPictureDrop(window);
  stringStorage* raw = Text("text");  // "TEXT" already, ignoring case
  formAcceptMacDataDrop(window, raw);
  stringStorage::RemoveReference(raw);
  raw = Text("abcd");
  formAcceptMacDataDrop(window, raw);
  stringStorage::RemoveReference(raw);
  EXPECT_EQ(names(native->AcceptedDragTypes()),
            (std::vector<std::string>{"abcd", "PICT", "TEXT", "utxt"}));
  stringStorage* type = Text("special/any");
  formAcceptFileDrop(window, type);
  formAcceptFileDrop(window, type);
  stringStorage::RemoveReference(type);
  EXPECT_EQ(names(native->AcceptedFileTypes()), (std::vector<std::string>{"special/any"}));
  qvtest::ReportCapture reports;
  formAcceptTextDrop(nullptr);
  EXPECT_EQ(reports.count(), 2u);  // one for each type
}

// A window that stands embedded in another has no native window; each call reaches the
// control that stands for it, through the accessors installed for the test.
struct Recorded {
  static inline std::vector<std::string> calls;
  static inline RuntimeObject* graphics = nullptr;
};

TEST_F(WindowAccessors, AnEmbeddedWindowPassesEachCallToItsControl) {
  RuntimeObject* window = Open("Embedding");
  RuntimeCloseWindow(window);
  RuntimeObject* control = kit.NewControl({.name = "Stand-in"});
  AsWindow(window)->mEmbeddedWindowControl = control;
  EmbeddedControlAccess access;
  access.setBalloonHelp = [](RuntimeObject*, uint32_t, stringStorage* text) {
    Recorded::calls.push_back(std::string("help ") + stringStorage::CString(text));
  };
  access.setMouseCursor = [](RuntimeObject*, uint32_t, RuntimeObject* cursor) {
    Recorded::calls.push_back(cursor ? "cursor" : "cursor nil");
  };
  access.mouseX = [](RuntimeObject*, uint32_t) { return int32_t(11); };
  access.mouseY = [](RuntimeObject*, uint32_t) { return int32_t(12); };
  access.refresh = [](RuntimeObject*, int32_t erase) {
    Recorded::calls.push_back("refresh " + std::to_string(erase));
  };
  access.refreshRect = [](RuntimeObject*, int32_t x, int32_t y, int32_t w, int32_t h, int32_t) {
    Recorded::calls.push_back("refreshRect " + std::to_string(x) + "," + std::to_string(y) +
                              "," + std::to_string(w) + "," + std::to_string(h));
  };
  access.drawInto = [](RuntimeObject*, RuntimeObject*, int32_t x, int32_t y) {
    Recorded::calls.push_back("drawInto " + std::to_string(x) + "," + std::to_string(y));
  };
  access.setBackdrop = [](RuntimeObject*, uint32_t, RuntimeObject*) {
    Recorded::calls.push_back("backdrop");
  };
  access.graphics = [](RuntimeObject*, uint32_t) {
    RuntimeLockObject(Recorded::graphics);
    return Recorded::graphics;
  };
  access.acceptTextDrop = [](RuntimeObject*) { Recorded::calls.push_back("text"); };
  access.acceptPictureDrop = [](RuntimeObject*) { Recorded::calls.push_back("picture"); };
  access.acceptFileDrop = [](RuntimeObject*, stringStorage*) {
    Recorded::calls.push_back("file");
  };
  access.acceptRawDataDrop = [](RuntimeObject*, stringStorage*) {
    Recorded::calls.push_back("raw");
  };
  const EmbeddedControlAccess installed = SetEmbeddedControlAccess(access);
  Recorded::calls.clear();
  Recorded::graphics = NewGraphicsObject(nullptr);

  stringStorage* help = Text("Tip");
  windowBalloonHelpSetter(window, 0, help);
  stringStorage::RemoveReference(help);
  formMouseCursorSetter(window, 0, nullptr);
  EXPECT_EQ(windowMouseXGetter(window, 0), 11);
  EXPECT_EQ(windowMouseYGetter(window, 0), 12);
  formRefresh(window, 1);
  formRefreshRect(window, 1, 2, 3, 4, 0);
  formDrawInto(window, Recorded::graphics, 5, 6, 0);
  windowBackdropSetter(window, 0, nullptr);
  RuntimeObject* graphics = windowGraphicsGetter(window, 0);
  EXPECT_EQ(graphics, Recorded::graphics);
  RuntimeUnlockObject(graphics);
  formAcceptTextDrop(window);
  formAcceptPictureDrop(window);
  formAcceptFileDrop(window, nullptr);
  formAcceptMacDataDrop(window, nullptr);
  EXPECT_EQ(Recorded::calls,
            (std::vector<std::string>{"help Tip", "cursor nil", "refresh 1", "refreshRect 1,2,3,4",
                                      "drawInto 5,6", "backdrop", "text", "picture", "file",
                                      "raw"}));
  // Title and FullScreen are stored for the window.
  stringStorage* title = Text("Inside");
  windowTitleSetter(window, 0, title);
  stringStorage::RemoveReference(title);
  EXPECT_EQ(qvtest::TitleOf(window), "Inside");
  windowFullScreenSetter(window, 0, 1);
  EXPECT_EQ(windowFullScreenGetter(window, 0), 1);

  SetEmbeddedControlAccess(installed);
  AsWindow(window)->mEmbeddedWindowControl = nullptr;
  RuntimeUnlockObject(Recorded::graphics);
  RuntimeUnlockObject(control);
}

TEST(WindowAccessorsInstalled, TheControlClassesGiveEmbeddedWindowsTheirAccessors) {
  RuntimeInitExternalClasses();
  const EmbeddedControlAccess& access = CurrentEmbeddedControlAccess();
  EXPECT_EQ(access.setBalloonHelp, &controlBalloonHelpSetter);
  EXPECT_EQ(access.setMouseCursor, &controlMouseCursorSetter);
  EXPECT_EQ(access.mouseX, &controlMouseXGetter);
  EXPECT_EQ(access.refreshRect, &RuntimeControlRefreshRect);
  EXPECT_EQ(access.drawInto, &RuntimeControlDrawInto);
}

}  // namespace
