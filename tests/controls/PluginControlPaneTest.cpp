// A plug-in control in a real window: its pane forwards drawing, the mouse (clicks, drags, the
// wheel, entering, moving and leaving), keys, focus, state changes and the idle entry to the
// behaviour table, with the control object first and control coordinates (window coordinates
// for moves). Controls are registered as a plug-in registers them, with behaviour entries
// that log what they hear; input comes from XTest on the display.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ControlFixtures.h"
#include "app/PluginRegistration.h"
#include "app/PluginRegistry.h"
#include "controls/ControlAccessors.h"
#include "controls/PluginControlFunctions.h"
#include "controls/RuntimeCustomControlPane.h"
#include "core/ObjectDefinitionConverter.h"
#include "graphics/GraphicsPluginFunctions.h"
#include "support/GuiDriver.h"
#include "support/Screenshot.h"
#include "support/TestSupport.h"
#include "windows/GtkInput.h"
#include "windows/PaneFocus.h"
#include "windows/WindowControls.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

std::vector<std::string> gLog;
int32_t gIdleRuns = 0;
int32_t gDraws = 0;
bool gTakeMouse = true;
RuntimeObject* gCloseOnDown = nullptr;  // a window entry 3 closes

void Log(const std::string& entry) { gLog.push_back(entry); }
std::string Join(int32_t a, int32_t b) { return std::to_string(a) + " " + std::to_string(b); }

extern "C" void ProbeDraw(RuntimeObject* control, RuntimeObject* graphics) {
  ++gDraws;
  auto* drawable = static_cast<GdkDrawable*>(QUORGraphicsGdkDrawable(graphics));
  auto* gc = static_cast<GdkGC*>(QUORGraphicsDC(graphics));
  QV::Rect b{};
  GetControlBounds(control, &b);
  if (!drawable || !gc) return;
  GdkColor red{0, 0xFFFF, 0, 0};
  gdk_gc_set_rgb_fg_color(gc, &red);
  gdk_draw_rectangle(drawable, gc, TRUE, b.left, b.top, b.right - b.left, b.bottom - b.top);
}
extern "C" int32_t ProbeMouseDown(RuntimeObject*, int32_t x, int32_t y, int32_t) {
  Log("3 " + Join(x, y));
  if (gCloseOnDown) RuntimeCloseWindow(gCloseOnDown);
  return gTakeMouse;
}
extern "C" void ProbeMouseDrag(RuntimeObject*, int32_t x, int32_t y) { Log("4 " + Join(x, y)); }
extern "C" void ProbeMouseUp(RuntimeObject*, int32_t x, int32_t y) { Log("5 " + Join(x, y)); }
extern "C" void ProbeGotFocus(RuntimeObject*) { Log("6"); }
extern "C" void ProbeLostFocus(RuntimeObject*) { Log("7"); }
extern "C" int32_t ProbeKey(RuntimeObject*, int32_t character, int32_t, int32_t) {
  if (character == '\t') return 0;
  Log("8 " + std::string(1, char(character)));
  return 1;
}
extern "C" void ProbeOpen(RuntimeObject*) { Log("9"); }
extern "C" void ProbeClose(RuntimeObject*) { Log("10"); }
extern "C" void ProbeIdle(RuntimeObject*) { ++gIdleRuns; }
extern "C" void ProbeEnter(RuntimeObject*) { Log("16"); }
extern "C" void ProbeExit(RuntimeObject*) { Log("17"); }
extern "C" void ProbeMove(RuntimeObject*, int32_t x, int32_t y) { Log("18 " + Join(x, y)); }
extern "C" void ProbeState(RuntimeObject*, int32_t code) { Log("19 " + std::to_string(code)); }
extern "C" int32_t ProbeWheel(RuntimeObject*, int32_t x, int32_t y, int32_t dy) {
  Log("22 " + Join(x, y) + " " + std::to_string(dy));
  return 1;
}
extern "C" int32_t ProbeTakesFocus(RuntimeObject*) { return 1; }

void* const kProbeBehaviour[26] = {
    nullptr,
    nullptr,
    reinterpret_cast<void*>(&ProbeDraw),
    reinterpret_cast<void*>(&ProbeMouseDown),
    reinterpret_cast<void*>(&ProbeMouseDrag),
    reinterpret_cast<void*>(&ProbeMouseUp),
    reinterpret_cast<void*>(&ProbeGotFocus),
    reinterpret_cast<void*>(&ProbeLostFocus),
    reinterpret_cast<void*>(&ProbeKey),
    reinterpret_cast<void*>(&ProbeOpen),
    reinterpret_cast<void*>(&ProbeClose),
    reinterpret_cast<void*>(&ProbeIdle),
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    reinterpret_cast<void*>(&ProbeEnter),
    reinterpret_cast<void*>(&ProbeExit),
    reinterpret_cast<void*>(&ProbeMove),
    reinterpret_cast<void*>(&ProbeState),
    nullptr,
    nullptr,
    reinterpret_cast<void*>(&ProbeWheel),
    nullptr,
    nullptr,
    reinterpret_cast<void*>(&ProbeTakesFocus),
};
// Version 7, focus flag clear: entry 25 is never asked; no entry 3, so clicks pass on.
void* const kQuietBehaviour[26] = {
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, reinterpret_cast<void*>(&ProbeClose), nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, reinterpret_cast<void*>(&ProbeTakesFocus),
};

const PluginControlDefinition kProbe = {
    .version = 8, .name = "PaneProbe", .dataSize = 8, .behaviour = kProbeBehaviour};
const PluginControlDefinition kQuiet = {
    .version = 7, .name = "PaneQuiet", .dataSize = 0, .behaviour = kQuietBehaviour};
// Says through flag 8 that it paints all of its bounds.
const PluginControlDefinition kOpaque = {.version = 8,
                                         .name = "PaneOpaque",
                                         .dataSize = 0,
                                         .flags = kPluginControlOpaque,
                                         .behaviour = kQuietBehaviour};

RuntimeClass* Registered(const PluginControlDefinition& definition) {
  static bool done = false;
  if (!done) {
    done = true;
    PluginRecord* plugin = NewPluginRecord();
    RegisterPluginVersion(8);
    plugin->installedPath = string("/plug-ins/pane_test.so");
    PluginRegisterControl(&kProbe);
    PluginRegisterControl(&kQuiet);
    PluginRegisterControl(&kOpaque);
    SetCurrentPlugin(nullptr);
  }
  return RuntimeClassForDefinition(FindPluginVisibleClass(string(definition.name)));
}

class PluginControlPane : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    gLog.clear();
    gIdleRuns = gDraws = 0;
    gTakeMouse = true;
    gCloseOnDown = nullptr;
    window = kit.OpenAndFocus(gui, "Plug-in pane " + std::to_string(++opened),
                              {{.name = "Button", .bounds = {200, 10, 230, 110},
                                .caption = "Button"}},
                              &xid);
  }
  // A plug-in control placed on the open window at bounds, held by the window's map.
  RuntimeObject* Place(const PluginControlDefinition& definition, const char* name,
                       QV::Rect bounds) {
    RuntimeClass* cls = Registered(definition);
    EXPECT_NE(cls, nullptr);
    if (!cls) return nullptr;
    RuntimeObject* control = RuntimeNewObject(cls);
    AsControl(control)->bounds = bounds;
    AsControl(control)->visible = 1;
    AsControl(control)->enabled = 1;
    WindowAddControl(window, string(name).Storage(), control);
    RuntimeUnlockObject(control);
    return control;
  }
  void XDoTool(const std::vector<std::string>& arguments) { gui.XDoTool(arguments); }
  RuntimeCustomControlPane* PaneOf(RuntimeObject* control) {
    return static_cast<RuntimeCustomControlPane*>(AsControl(control)->pane);
  }

  static inline int opened = 0;
  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  RuntimeObject* window = nullptr;
  qvtest::XWindow xid = 0;
};

bool Logged(const std::string& entry) {
  for (const std::string& e : gLog) {
    if (e == entry) return true;
  }
  return false;
}
bool LoggedPrefix(const std::string& prefix) {
  for (const std::string& e : gLog) {
    if (e.compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

TEST_F(PluginControlPane, DrawsAndHearsTheMouseKeysAndFocus) {
  RuntimeObject* probe = Place(kProbe, "Probe", {20, 30, 80, 130});
  ASSERT_TRUE(probe && PaneOf(probe));
  EXPECT_TRUE(Logged("9")) << "entry 9 when the pane is made";
  ASSERT_TRUE(gui.PumpUntil([] { return gIdleRuns > 0 && gDraws > 0; })) << gIdleRuns << " " << gDraws;

  const qvtest::ScreenArea area = gui.Area(PaneOf(probe)->GetWidget());
  ASSERT_EQ(area.width, 100);
  ASSERT_EQ(area.height, 60);
  const qvtest::Screenshot shot = gui.Capture(area);
  EXPECT_EQ(shot.CountPixels(0xFF0000), 100 * 60) << "entry 2 filled the bounds";

  gui.MoveTo(area.x + 5, area.y + 6);
  ASSERT_TRUE(gui.PumpUntil([] { return Logged("16") && LoggedPrefix("18 "); }));
  EXPECT_TRUE(Logged("18 35 26")) << "moves in window coordinates";
  gui.Click(area.x + 10, area.y + 20);
  ASSERT_TRUE(gui.PumpUntil([] { return Logged("5 10 20"); }));
  EXPECT_TRUE(Logged("3 10 20"));
  gLog.clear();
  XDoTool({"mousemove", std::to_string(area.x + 10), std::to_string(area.y + 10), "mousedown",
           "1"});
  ASSERT_TRUE(gui.PumpUntil([] { return Logged("3 10 10"); }));
  XDoTool({"mousemove", std::to_string(area.x + 40), std::to_string(area.y + 30)});
  // The application's main loop drags the capturing pane; here the test runs that step.
  ASSERT_TRUE(gui.PumpUntil([] {
    DragMouseCapture();
    return Logged("4 40 30");
  }));
  XDoTool({"mouseup", "1"});
  ASSERT_TRUE(gui.PumpUntil([] { return Logged("5 40 30"); }));
  gui.Click(area.x + 12, area.y + 14, 5);  // wheel down
  ASSERT_TRUE(gui.PumpUntil([] { return LoggedPrefix("22 12 14 "); }));

  // Keys reach entry 8 once the pane has the focus (entry 25 accepts it).
  QUORSetControlFocus(probe, 1);
  ASSERT_TRUE(gui.PumpUntil([] { return Logged("6"); }));
  gui.Type("k");
  ASSERT_TRUE(gui.PumpUntil([] { return Logged("8 k"); }));
  gui.Key("Tab");
  ASSERT_TRUE(gui.PumpUntil([] { return Logged("7"); })) << "Tab moves the focus on";

  gui.MoveTo(area.x + area.width + 40, area.y + area.height + 40);
  ASSERT_TRUE(gui.PumpUntil([] { return Logged("17"); }));

  // State changes: enabled 2, shown 4, bounds 8.
  gLog.clear();
  controlEnabledSetter(probe, 0, 0);
  ControlVisibleSetter(probe, 0, 0);
  ControlVisibleSetter(probe, 0, 1);
  controlEnabledSetter(probe, 0, 1);
  ctlPosSetter(probe, 0, 40);
  EXPECT_TRUE(Logged("19 2"));
  EXPECT_TRUE(Logged("19 4"));
  EXPECT_TRUE(Logged("19 8"));
}

TEST_F(PluginControlPane, RefreshInvalidatesFourPixelsAroundAndCloseRunsEntry10Once) {
  RuntimeObject* probe = Place(kProbe, "Probe", {20, 30, 80, 130});
  ASSERT_TRUE(probe && PaneOf(probe));
  RuntimeCustomControlPane* pane = PaneOf(probe);
  QV::Rect refresh{};
  EXPECT_TRUE(pane->GetRefreshBounds(refresh));
  EXPECT_EQ(refresh.left, 26);
  EXPECT_EQ(refresh.bottom, 84);
  GdkWindow* gdkWindow = pane->GetGdkWindow();
  ASSERT_NE(gdkWindow, nullptr);
  gui.Settle();
  if (GdkRegion* pending = gdk_window_get_update_area(gdkWindow)) gdk_region_destroy(pending);
  pane->Refresh(true);
  GdkRegion* area = gdk_window_get_update_area(gdkWindow);
  ASSERT_NE(area, nullptr);
  GdkRectangle box;
  gdk_region_get_clipbox(area, &box);
  EXPECT_EQ(box.width, 100 + 8);
  EXPECT_EQ(box.height, 60 + 8);
  gdk_region_destroy(area);

  gLog.clear();
  pane->Retain();
  pane->Close();
  pane->Close();
  EXPECT_EQ(gLog, std::vector<std::string>{"10"});
  EXPECT_FALSE(pane->BeginCallout()) << "every later callout is refused";
  pane->Release();
}

TEST_F(PluginControlPane, AVersion7ControlWithoutFocusFlagOrMouseEntryStaysOutOfTheWay) {
  RuntimeObject* quiet = Place(kQuiet, "Quiet", {20, 30, 80, 130});
  ASSERT_TRUE(quiet && PaneOf(quiet));
  RuntimeCustomControlPane* pane = PaneOf(quiet);
  EXPECT_FALSE(pane->CanTakeFocus()) << "entry 25 is not asked below version 8";
  EXPECT_FALSE(pane->MouseDown(40, 30, 0)) << "the click goes on to the window";
  QUORSetControlFocus(quiet, 1);
  EXPECT_NE(GetFocusPane(), pane);
}

TEST_F(PluginControlPane, OnlyAControlFlaggedOpaqueAnswersWithItsBounds) {
  RuntimeObject* opaque = Place(kOpaque, "Opaque", {20, 30, 80, 130});
  RuntimeObject* quiet = Place(kQuiet, "Quiet", {90, 30, 150, 130});
  ASSERT_TRUE(opaque && PaneOf(opaque) && quiet && PaneOf(quiet));
  const QV::Rect untouched{-1, -1, -1, -1};
  QV::Rect rect = untouched;
  EXPECT_FALSE(PaneOf(quiet)->GetOpaqueBounds(rect));
  EXPECT_EQ(std::vector<int>({rect.top, rect.left, rect.bottom, rect.right}),
            std::vector<int>({-1, -1, -1, -1}));
  ASSERT_TRUE(PaneOf(opaque)->GetOpaqueBounds(rect));
  EXPECT_EQ(std::vector<int>({rect.top, rect.left, rect.bottom, rect.right}),
            std::vector<int>({20, 30, 80, 130}));
  // The answer follows the pane when it moves, and is not the grown refresh area.
  ctlPosSetter(opaque, 0, 40);
  ASSERT_TRUE(PaneOf(opaque)->GetOpaqueBounds(rect));
  EXPECT_EQ(std::vector<int>({rect.top, rect.left, rect.bottom, rect.right}),
            std::vector<int>({20, 40, 80, 140}));
}

TEST_F(PluginControlPane, AMouseDownThatClosesTheWindowLeavesNothingBehind) {
  RuntimeObject* probe = Place(kProbe, "Probe", {20, 30, 80, 130});
  ASSERT_TRUE(probe && PaneOf(probe));
  ASSERT_TRUE(gui.PumpUntil([] { return gDraws > 0; }));
  const qvtest::ScreenArea area = gui.Area(PaneOf(probe)->GetWidget());
  gCloseOnDown = window;
  RuntimeLockObject(probe);  // ours, to look at it after its window let it go
  gui.Click(area.x + 10, area.y + 10);
  ASSERT_TRUE(gui.WaitUntilClosed(xid));
  EXPECT_TRUE(Logged("3 10 10"));
  EXPECT_TRUE(Logged("10")) << "closing the window closed the pane";
  EXPECT_EQ(AsControl(probe)->pane, nullptr);
  RuntimeUnlockObject(probe);
}

}  // namespace
