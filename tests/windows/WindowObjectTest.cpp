// The Window language object in this process: its class tables, the events of opening and
// closing in their order, implicit instances, CancelClose through the close box and quitting,
// the window list's walks, frames and placements, position and size, and modal runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include <map>

#include "WindowFixtures.h"
#include "WindowObjectFixtures.h"
#include "app/ClassLibraryHooks.h"
#include "app/ExternalClasses.h"
#include "app/MainLoop.h"
#include "core/ClassRegistry.h"
#include "core/ObjectDefinitionConverter.h"
#include "net/IPCSocketClass.h"
#include "net/RuntimeSocketAccessors.h"
#include "support/TempFolder.h"
#include "values/VariantConversions.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowControls.h"

namespace {

using qvtest::ControlPlan;
using qvtest::MakeRect;
using Log = std::vector<std::string>;

class WindowObjects : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }
  // A window as the script says, the test's reference released at the end.
  RuntimeObject* Open(const std::string& title) {
    kit.script.title = title;
    RuntimeObject* window = kit.NewWindow();
    held.push_back(window);
    return window;
  }
  void TearDown() override {
    for (RuntimeObject* window : held) RuntimeUnlockObject(window);
  }
  qvtest::GuiDriver gui;
  qvtest::WindowObjectKit kit;
  std::vector<RuntimeObject*> held;
};

TEST(WindowClass, TheRowsNumberTheEventsAndShareTheFieldsOfOldNames) {
  ObjectDefinition* definition = WindowClassDefinition();
  EXPECT_EQ(definition->objectSize, 196);
  int properties = 0, methods = 0, events = 0;
  std::map<std::string, const InstanceVariable*> byName;
  for (const InstanceVariable* item = definition->items; item; item = item->next, ++properties) {
    byName[item->name.CString()] = item;
  }
  for (const ObjectMethod* m = definition->methods; m; m = m->next) ++methods;
  const char* kEvents[] = {"Layout", "CreateControls", "AddMenuHandlers", "SetupBindings",
                           "Open", "Close", "CancelClose", "KeyDown", "MouseMove", "MouseEnter",
                           "MouseExit", "Paint", "MouseDown", "MouseDrag", "MouseUp",
                           "EnableMenuItems", "Resized", "Resizing", "Moved", "DropObject",
                           "Activate", "Deactivate", "Minimize", "Maximize", "Restore",
                           "MouseWheel", "ConstructContextualMenu", "ContextualMenuAction",
                           "DragEnter", "DragExit", "DragOver"};
  for (const ObjectHook* hook = definition->hooks; hook; hook = hook->next, ++events) {
    ASSERT_LT(events, 31);
    EXPECT_STREQ(hook->name.CString(), kEvents[events]);
    EXPECT_EQ(hook->eventIndex, events);
  }
  EXPECT_EQ(properties, 47);
  EXPECT_EQ(methods, 28);
  EXPECT_EQ(events, 31);
  EXPECT_EQ(WindowHooks().dragOver->eventIndex, 30);
  for (auto [oldName, name] : {std::pair{"CloseBox", "CloseButton"}, {"GrowIcon", "Resizeable"},
                               {"ZoomIcon", "MaximizeButton"}}) {
    EXPECT_EQ(byName[oldName]->propertyWord, byName[name]->propertyWord) << oldName;
  }
  EXPECT_EQ(byName["CloseButton"]->propertyWord, offsetof(WindowObject, closeButton));
  EXPECT_EQ(byName["Left"]->propertyWord, 0u);
  EXPECT_EQ(byName["Height"]->propertyWord, 3u);
  EXPECT_EQ(byName["MaxWidth"]->propertyWord, 2u);
  EXPECT_EQ(byName["ControlCount"]->setter, nullptr);
  RuntimeInitExternalClasses();
  RuntimeClass* cls = RuntimeLookupClass(string("Window").Storage());
  ASSERT_NE(cls, nullptr);
  EXPECT_EQ(cls->eventCount, 31);
  EXPECT_EQ(cls->instanceSize, 196);
  // The conversion to a WindowPtr is a function of its own, not an abstract row.
  EXPECT_EQ(FindMethodWithSignature(cls, string("Operator_Convert%w")),
            reinterpret_cast<void*>(&WindowToWindowPtr));
}

TEST(WindowClass, FramesMapToNativeKindsAndDefaultPlacements) {
  const int32_t kinds[] = {8, 3, 2, 1, 4, 5, 6, 9, 10, 11, 12, 13};
  const int32_t placements[] = {4, 2, 2, 0, 2, 2, 4, 0, 1, 4, 0, 1};
  for (int32_t frame = 0; frame < 12; ++frame) {
    EXPECT_EQ(NativeFrameOf(frame).kind, kinds[frame]) << frame;
    EXPECT_EQ(NativeFrameOf(frame).placement, placements[frame]) << frame;
  }
  for (int32_t frame : {12, -1, 1000}) {
    EXPECT_EQ(NativeFrameOf(frame).kind, kinds[0]) << frame;
    EXPECT_EQ(NativeFrameOf(frame).placement, placements[0]) << frame;
  }
  const int32_t modes[] = {-2, -1, -3, -2, -2, -2};
  for (int32_t placement = 0; placement < 6; ++placement) {
    EXPECT_EQ(NativePositionMode(placement), modes[placement]) << placement;
  }
}

TEST_F(WindowObjects, OpeningAndClosingRaiseTheEventsInOrder) {
  kit.script.controls = {{.name = "Button1", .bounds = MakeRect(10, 10, 40, 90)},
                         {.name = "Button2", .withPane = false}};
  RuntimeObject* window = Open("Order");
  EXPECT_EQ(kit.Take(), (Log{"Order.Layout", "Order.CreateControls", "Order.AddMenuHandlers self",
                             "Button1.CreatePane", "Button2.CreatePane", "Order.SetupBindings",
                             "Button1.Open", "Button2.Open", "Order.Open"}));
  ASSERT_TRUE(kit.ShowAndFocus(gui, window));
  EXPECT_EQ(kit.TakeOnly({"Activate"}), (Log{"Order.Activate"}));
  RuntimeViewWindow* native = AsWindow(window)->mImp;
  ASSERT_NE(native, nullptr);
  EXPECT_EQ(native->Kind(), kWindowKindDocument);
  EXPECT_TRUE(HasRuntimeWindows());
  RuntimeCloseWindow(window);
  EXPECT_EQ(kit.TakeOnly({"CancelClose", "Close"}),
            (Log{"Order.CancelClose", "Button1.Close", "Button2.Close", "Order.Close"}));
  EXPECT_EQ(AsWindow(window)->mImp, nullptr);
  EXPECT_FALSE(HasRuntimeWindows());
  EXPECT_TRUE(qvtest::ControlKeys(window).empty());
  EXPECT_EQ(kit.controlsFreed, 2);
  RuntimeCloseWindow(window);  // closed already: nothing is asked
  EXPECT_TRUE(kit.Take().empty());
  held.clear();
  RuntimeUnlockObject(window);
  EXPECT_EQ(kit.windowsFreed, 1);
}

TEST_F(WindowObjects, TheFirstInstanceOfAClassIsItsImplicitOne) {
  const string name("TestWindow");
  EXPECT_EQ(RuntimeGetImplicitWindow(name.Storage()), nullptr);
  EXPECT_EQ(RuntimeGetImplicitWindow(name.Storage()), nullptr);
  RuntimeObject* first = Open("First");
  RuntimeObject* second = Open("Second");
  RuntimeObject* implicit = RuntimeGetImplicitWindow(name.Storage());
  EXPECT_EQ(implicit, first);
  RuntimeUnlockObject(implicit);
  // Closing the implicit instance forgets it; the next one asked for and made takes its place.
  RuntimeCloseWindow(first);
  EXPECT_EQ(RuntimeGetImplicitWindow(name.Storage()), nullptr);
  RuntimeObject* third = Open("Third");
  implicit = RuntimeGetImplicitWindow(name.Storage());
  EXPECT_EQ(implicit, third);
  RuntimeUnlockObject(implicit);
  RuntimeCloseWindow(second);
  RuntimeCloseWindow(third);
  EXPECT_EQ(RuntimeGetImplicitWindow(name.Storage()), nullptr);
}

TEST_F(WindowObjects, CancelCloseKeepsAWindowThatTheCloseBoxWouldClose) {
  RuntimeObject* window = Open("Kept");
  ASSERT_TRUE(kit.ShowAndFocus(gui, window));
  kit.Take();
  kit.script.cancelClose = true;
  qvtest::RunXTool(gui, {"wmctrl", "-c", "Kept"});
  ASSERT_TRUE(gui.PumpUntil([&] { return !kit.TakeOnly({"CancelClose"}).empty(); }));
  gui.Settle();
  EXPECT_NE(AsWindow(window)->mImp, nullptr);
  EXPECT_NE(gui.FindWindow("Kept"), 0u);
  // A Close handler that closes the window again is not asked a second time.
  kit.script.cancelClose = false;
  kit.script.action = [](const std::string& event, RuntimeObject* object) {
    if (event == "Close") RuntimeCloseWindow(object);
  };
  qvtest::RunXTool(gui, {"wmctrl", "-c", "Kept"});
  ASSERT_TRUE(gui.PumpUntil([&] { return AsWindow(window)->mImp == nullptr; }));
  EXPECT_EQ(kit.TakeOnly({"CancelClose", "Close"}), (Log{"Kept.CancelClose", "Kept.Close"}));
  EXPECT_TRUE(gui.WaitUntilClosed(gui.FindWindow("Kept")));
}

TEST_F(WindowObjects, QuittingAsksEveryWindowAndStopsAtARefusal) {
  RuntimeObject* back = Open("Back");
  RuntimeObject* front = Open("Front");
  kit.Take();
  kit.script.cancelClose = true;
  EXPECT_FALSE(WindowSystem().closeWindowsForQuit());
  EXPECT_EQ(kit.Take(), (Log{"Front.CancelClose quitting"}));
  EXPECT_NE(AsWindow(back)->mImp, nullptr);
  EXPECT_NE(AsWindow(front)->mImp, nullptr);
  kit.script.cancelClose = false;
  EXPECT_TRUE(WindowSystem().closeWindowsForQuit());
  EXPECT_EQ(kit.TakeOnly({"CancelClose", "Close"}),
            (Log{"Front.CancelClose quitting", "Front.Close", "Back.CancelClose quitting",
                 "Back.Close"}));
  EXPECT_FALSE(WindowSystem().hasOpenWindows());
}

// Stands for a window whose close does not happen.
class RefusingWindow : public RuntimeViewWindow {
 public:
  using RuntimeViewWindow::RuntimeViewWindow;
  void Close() override {}
  void CloseForReal() { RuntimeViewWindow::Close(); }
};

TEST_F(WindowObjects, ClosingAllWindowsAsksNoneAndStopsAtOneThatStaysOpen) {
  Open("One");
  Open("Two");
  kit.Take();
  WindowSystem().closeAllWindows();
  EXPECT_EQ(kit.TakeOnly({"CancelClose", "Close"}), (Log{"Two.Close", "One.Close"}));
  EXPECT_FALSE(HasRuntimeWindows());

  RuntimeObject* open = Open("Open");
  RuntimeObject* stubborn = Open("Stubborn");
  RuntimeCloseWindow(stubborn);
  WindowSpec request;
  request.bounds = MakeRect(100, 100, 200, 200);
  auto* refusing = new RefusingWindow(stubborn, request);
  kit.Take();
  CloseAllNativeWindows();
  EXPECT_TRUE(kit.Take().empty());
  EXPECT_NE(AsWindow(open)->mImp, nullptr);
  refusing->CloseForReal();
  CloseAllNativeWindows();
  EXPECT_EQ(AsWindow(open)->mImp, nullptr);
  EXPECT_FALSE(HasRuntimeWindows());
}

// The window manager's and the program's changes of state reach the handlers, and the object's
// bounds follow the window.
TEST_F(WindowObjects, StateChangesReachTheHandlersAndTheBoundsFollow) {
  RuntimeObject* window = Open("States");
  ASSERT_TRUE(kit.ShowAndFocus(gui, window));
  RuntimeViewWindow* native = AsWindow(window)->mImp;
  const auto told = [&](const std::string& event) {
    Log seen;
    gui.PumpUntil([&] {
      MainLoopDoEvents(false);  // a pass notices moves and resizes
      const Log now = kit.Take();
      seen.insert(seen.end(), now.begin(), now.end());
      return std::find(seen.begin(), seen.end(), "States." + event) != seen.end();
    });
    return seen;
  };
  EXPECT_THAT(told("Paint g"), testing::Contains("States.Paint g"));
  const std::string id = std::to_string(gui.FindWindow("States"));
  qvtest::RunXTool(gui, {"xdotool", "windowminimize", id});
  EXPECT_THAT(told("Minimize"), testing::Contains("States.Minimize"));
  native->Restore();
  EXPECT_THAT(told("Restore"), testing::Contains("States.Restore"));
  ASSERT_TRUE(kit.ShowAndFocus(gui, window));
  windowPosSetter(window, 0, 77);
  EXPECT_THAT(told("Moved"), testing::Contains("States.Moved"));
  windowPosSetter(window, 2, 260);
  EXPECT_THAT(told("Resized"), testing::Contains("States.Resized"));
  // The passes that see the window at its new place and size leave the object's bounds so.
  EXPECT_TRUE(gui.PumpUntil([&] {
    MainLoopDoEvents(false);
    return windowPosGetter(window, 0) == 77 && windowPosGetter(window, 2) == 260;
  }));
  EXPECT_EQ(qvtest::RectText(AsWindow(window)->bounds),
            qvtest::RectText(native->ScreenBounds()));
}

// Sockets dropped on a window close with it; the objects live on where they are held.
TEST_F(WindowObjects, ClosingAWindowClosesTheSocketsOnIt) {
  RuntimeObject* window = Open("Sockets");
  auto make = [](const char* name) {
    return RuntimeNewObject(RuntimeLookupClass(string(name).Storage()));
  };
  RuntimeObject* tcp = make("TCPSocket");
  RuntimeObject* ipc = make("IPCSocket");
  ASSERT_TRUE(tcp && ipc);
  qvtest::TempFolder folder("qvwinsock");
  auto* ipcFields = reinterpret_cast<IPCSocketObject*>(ipc);
  stringStorage::RemoveReference(ipcFields->path);
  ipcFields->path = qvtest::NewStringRecord(folder / "ipc");
  SocketListen(tcp);
  IPCSocketListen(ipc);
  ASSERT_GE(SocketGetHandle(tcp, 0), 0);
  ASSERT_GE(IPCSocketGetHandle(ipc, 0), 0);
  WindowAddControl(window, string("Listener").Storage(), tcp);
  WindowAddControl(window, string("Local").Storage(), ipc);
  RuntimeCloseWindow(window);
  EXPECT_EQ(SocketGetHandle(tcp, 0), -1);
  EXPECT_EQ(IPCSocketGetHandle(ipc, 0), -1);
  EXPECT_EQ(tcp->refCount, 1);
  EXPECT_EQ(ipc->refCount, 1);
  RuntimeUnlockObject(tcp);
  RuntimeUnlockObject(ipc);
}

TEST_F(WindowObjects, FramesAndPlacementsReachTheNativeWindow) {
  const int32_t storedKinds[] = {8, 3, 2, 1, 4, 5, 6, 9, 10, 8, 1, 13};
  for (int32_t frame = -1; frame <= 12; ++frame) {
    kit.script.frame = frame;
    kit.script.placement = (frame + 1) % 5;
    kit.script.visible = false;
    RuntimeObject* window = Open("Frame " + std::to_string(frame));
    RuntimeViewWindow* native = AsWindow(window)->mImp;
    ASSERT_NE(native, nullptr);
    const int32_t kind = frame >= 0 && frame < 12 ? storedKinds[frame] : storedKinds[0];
    EXPECT_EQ(native->Kind(), kind) << frame;
    EXPECT_EQ(native->PositionMode(), NativePositionMode(kit.script.placement)) << frame;
    EXPECT_FALSE(native->IsWindowVisible());
    EXPECT_TRUE(RectEqual(AsWindow(window)->initialBounds, AsWindow(window)->bounds));
    RuntimeCloseWindow(window);
  }
}

TEST_F(WindowObjects, PositionAndSizeFollowTheSettersUnlessFullScreen) {
  RuntimeObject* window = Open("Placed");
  RuntimeViewWindow* native = AsWindow(window)->mImp;
  windowPosSetter(window, 0, 120);
  windowPosSetter(window, 1, 140);
  windowPosSetter(window, 2, 250);
  windowPosSetter(window, 3, 90);
  const std::string placed = qvtest::RectText(MakeRect(140, 120, 230, 370));
  EXPECT_EQ(qvtest::RectText(AsWindow(window)->bounds), placed);
  EXPECT_EQ(qvtest::RectText(native->ScreenBounds()), placed);
  EXPECT_EQ(native->Width(), 250);
  const int32_t expected[] = {120, 140, 250, 90, 0};
  for (uint32_t which = 0; which < 5; ++which) {
    EXPECT_EQ(windowPosGetter(window, which), expected[which]) << which;
  }
  AsWindow(window)->fullScreen = 1;
  windowPosSetter(window, 2, 500);
  WindowMove(window, 1, 2, 3, 4);
  EXPECT_EQ(windowPosGetter(window, 2), 250);
  AsWindow(window)->fullScreen = 0;
  WindowMove(window, 30, 40, 200, 100);
  EXPECT_EQ(qvtest::RectText(native->ScreenBounds()), qvtest::RectText(MakeRect(40, 30, 140, 230)));
  // Closed: the setters keep the bounds, _Move does nothing.
  RuntimeCloseWindow(window);
  windowPosSetter(window, 0, 10);
  EXPECT_EQ(windowPosGetter(window, 0), 10);
  WindowMove(window, 60, 60, 60, 60);
  EXPECT_EQ(windowPosGetter(window, 0), 10);
  EXPECT_EQ(windowPosGetter(window, 2), 200);
}

// A move answered by the window manager before a pending resize used to be taken as the
// resize's answer; a size set back before the real answer was read then never left the program.
TEST_F(WindowObjects, ASizeSetBackRightAfterAMoveReachesTheXServer) {
  RuntimeObject* window = Open("Sized back");
  ASSERT_TRUE(kit.ShowAndFocus(gui, window));
  const qvtest::XWindow xid = gui.WaitForWindow("Sized back");
  for (int round = 0; round < 8; ++round) {
    windowPosSetter(window, 2, 600);
    windowPosSetter(window, 0, 20 + round * 10);
    ASSERT_TRUE(gui.PumpUntil([&] { return gui.Area(xid).width == 600; })) << round;
    windowPosSetter(window, 2, 300);
    ASSERT_TRUE(gui.PumpUntil([&] { return gui.Area(xid).width == 300; })) << round;
  }
}

TEST_F(WindowObjects, SizeLimitsLiveResizeAndVisibility) {
  RuntimeObject* window = Open("Limits");
  RuntimeViewWindow* native = AsWindow(window)->mImp;
  windowMinMaxWidthHeightSetter(window, 0, 150);
  windowMinMaxWidthHeightSetter(window, 3, 400);
  QV::Rect limits = MakeRect(1, 2, 3, 4);
  native->GetSizeLimits(limits);
  EXPECT_EQ(qvtest::RectText(limits), qvtest::RectText(MakeRect(1, 150, 400, 4)));
  EXPECT_EQ(windowMinMaxWidthHeightGetter(window, 3), 400);
  EXPECT_EQ(windowMinMaxWidthHeightGetter(window, 4), 0);

  windowLiveResizeSetter(window, 0, 1);
  EXPECT_TRUE(native->LiveResize());
  EXPECT_EQ(windowLiveResizeGetter(window, 0), 1);
  WindowVisibleSetter(window, 0, 0);
  EXPECT_FALSE(native->IsWindowVisible());
  EXPECT_EQ(WindowVisibleGetter(window, 0), 0);
  RuntimeShowWindow(window);
  EXPECT_EQ(WindowVisibleGetter(window, 0), 1);
  RuntimeCloseWindow(window);
  windowLiveResizeSetter(window, 0, 0);
  EXPECT_EQ(windowLiveResizeGetter(window, 0), 0);
  EXPECT_EQ(WindowVisibleGetter(window, 0), 1);
}

TEST_F(WindowObjects, AModalRunEndsWhenItsWindowHidesItself) {
  kit.script.visible = false;
  RuntimeObject* window = Open("Modal");
  RuntimeObject* parent = Open("Parent");
  kit.script.action = [](const std::string& event, RuntimeObject* object) {
    if (event == "Activate") RuntimeHideWindow(object);
  };
  kit.Take();
  RuntimeShowModal(window);
  EXPECT_EQ(kit.TakeOnly({"Activate"}), (Log{"Modal.Activate"}));
  EXPECT_FALSE(AsWindow(window)->mImp->IsWindowVisible());
  RuntimeShowModalWithinWindow(window, parent);
  EXPECT_EQ(AsWindow(window)->mImp->ShownWithin(), AsWindow(parent)->mImp);
  EXPECT_FALSE(AsWindow(window)->mImp->IsWindowVisible());
  // Closed from its own handler, the run ends too.
  kit.script.action = [](const std::string& event, RuntimeObject* object) {
    if (event == "Activate") RuntimeCloseWindow(object);
  };
  RuntimeShowModal(window);
  EXPECT_EQ(AsWindow(window)->mImp, nullptr);
}

}  // namespace
