// The controls of a window: keys of control arrays with run-time indexes, the count and the
// indexed access, what a window makes, the panes' starting state, menu handlers, and controls
// that outlive the window or the window object.
#include <gtest/gtest.h>

#include "WindowObjectFixtures.h"
#include "controls/ControlClasses.h"
#include "core/ClassDefinitionRows.h"
#include "core/ObjectDefinitionConverter.h"
#include "support/RaisedExceptions.h"
#include "support/TestSupport.h"
#include "windows/WindowControls.h"
#include "windows/WindowEntryPoints.h"

namespace {

using qvtest::ControlKeys;
using qvtest::ControlPlan;
using qvtest::MakeRect;
using Keys = std::vector<std::string>;

class WindowControls : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }
  void TearDown() override {
    if (window) RuntimeUnlockObject(window);
  }
  void Add(const ControlPlan& plan) {
    RuntimeObject* control = kit.NewControl(plan);
    WindowAddControl(window, string(plan.name.c_str()).Storage(), control);
    RuntimeUnlockObject(control);
  }
  qvtest::GuiDriver gui;
  qvtest::WindowObjectKit kit;
  RuntimeObject* window = nullptr;
};

// An object that lives on a window without being a Control, as a timer does: it implements
// _PaneChild, through which the window tells it its window and index and asks for its index.
struct PaneChildObject {
  RuntimeObject header;
  RuntimeObject* window;  // not held
  int32_t index;
};
PaneChildObject* Child(RuntimeObject* object) {
  return reinterpret_cast<PaneChildObject*>(object);
}
void ChildSetWindow(RuntimeObject* object, RuntimeObject* window) {
  Child(object)->window = window;
}
RuntimeObject* ChildWindow(RuntimeObject* object) {
  RuntimeLockObject(Child(object)->window);
  return Child(object)->window;
}
int32_t ChildIndex(RuntimeObject* object) { return Child(object)->index; }
void ChildSetIndex(RuntimeObject* object, int32_t index) { Child(object)->index = index; }

using namespace lang;
const MethodRow kPaneChildMethods[] = {
    QV_SUB("_SetWindow", ChildSetWindow, Param("w", Class<"Window">)),
    QV_FUNCTION("Window", Class<"Window">, ChildWindow),
    QV_FUNCTION("_Index", Integer, ChildIndex),
    QV_SUB("_SetIndex", ChildSetIndex, Param("index", Integer)),
};
const ClassGetter kPaneChildInterfaces[] = {PaneChildClassDefinition};
QV_CLASS(TestPaneChildDefinition,
         .name = "TestPaneChild",
         .objectSize = sizeof(PaneChildObject),
         .methods = kPaneChildMethods,
         .interfaces = kPaneChildInterfaces)

TEST_F(WindowControls, ObjectsThatLiveOnAWindowKeepTheirIndexThroughTheirInterface) {
  window = kit.NewWindow();
  RuntimeClass* cls = RuntimeClassForDefinition(TestPaneChildDefinition());
  RuntimeObject* first = WindowAllocateObject(window, cls);
  RuntimeObject* second = WindowAllocateObject(window, cls);
  ASSERT_TRUE(first && second);
  EXPECT_TRUE(IsPaneChild(first));
  EXPECT_EQ(Child(first)->window, window);
  // While the window runs, each takes the first free index.
  WindowAddControl(window, string("Ticker").Storage(), first);
  WindowAddControl(window, string("Ticker").Storage(), second);
  EXPECT_EQ(Child(first)->index, 0);
  EXPECT_EQ(Child(second)->index, 1);
  // Before its controls are created, an object's own index names it; no index, its name alone.
  AsWindow(window)->mInitialControlsCreated = 0;
  RuntimeObject* member = NewObjectFromDefinition(TestPaneChildDefinition());
  RuntimeObject* single = NewObjectFromDefinition(TestPaneChildDefinition());
  Child(member)->index = 5;
  Child(single)->index = kNoControlIndex;
  WindowAddControl(window, string("Member").Storage(), member);
  WindowAddControl(window, string("Single").Storage(), single);
  AsWindow(window)->mInitialControlsCreated = 1;
  EXPECT_EQ(ControlKeys(window), (Keys{"Ticker$0", "Ticker$1", "Member$5", "Single"}));
  EXPECT_EQ(windowControlCountGetter(window, 0), 0);
  for (RuntimeObject* object : {first, second, member, single}) {
    EXPECT_EQ(object->refCount, 2);  // the caller's and the map's
    RuntimeUnlockObject(object);
  }
}

TEST_F(WindowControls, ControlsAddedWhileTheWindowRunsTakeTheFirstFreeIndex) {
  kit.script.controls = {{.name = "Button", .bounds = MakeRect(10, 10, 30, 60), .index = 0},
                         {.name = "Button", .bounds = MakeRect(40, 10, 60, 60), .index = 1},
                         {.name = "Label"}};
  window = kit.NewWindow();
  EXPECT_EQ(ControlKeys(window), (Keys{"Button$0", "Button$1", "Label"}));
  kit.Take();
  Add({.name = "Button", .bounds = MakeRect(70, 10, 90, 60)});
  EXPECT_EQ(ControlKeys(window), (Keys{"Button$0", "Button$1", "Label", "Button$2"}));
  EXPECT_EQ(kit.Take(), (std::vector<std::string>{"Button.CreatePane", "Button.Open"}));
  RuntimeObject* added = qvtest::ControlAt(window, "button$2");
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(AsControl(added)->index, 2);
  EXPECT_EQ(AsControl(added)->window, window);
  ASSERT_NE(AsControl(added)->pane, nullptr);
  EXPECT_EQ(AsControl(added)->pane->GetRunControl(), added);
  EXPECT_NE(AsControl(added)->pane->GetDelegate(), nullptr);

  // Button$1 leaves (as a control's Close takes it off its window); the next one fills the gap.
  RuntimeObject* second = qvtest::ControlAt(window, "Button$1");
  AsWindow(window)->mControls->RemoveEntry(string("Button$1"));
  AsControl(second)->window = nullptr;
  RuntimeUnlockObject(second);
  Add({.name = "Button", .bounds = MakeRect(100, 10, 120, 60)});
  EXPECT_EQ(ControlKeys(window), (Keys{"Button$0", "Label", "Button$2", "Button$1"}));
  // Before CreateControls is over a control keeps its own index; a negative one is no index.
  EXPECT_EQ(ControlMapKey(string("X"), kNoControlIndex).CString(), std::string("X"));
  EXPECT_EQ(ControlMapKey(string("X"), 0).CString(), std::string("X$0"));
}

TEST_F(WindowControls, TheCountAndTheIndexedAccessSeeControlsOnly) {
  kit.script.controls = {{.name = "First"}, {.name = "Second", .withPane = false}};
  window = kit.NewWindow();
  RuntimeObject* plain = RuntimeNewObject(kit.plainClass);
  WindowAddControl(window, string("Timer1").Storage(), plain);
  RuntimeUnlockObject(plain);
  Add({.name = "Third"});
  EXPECT_EQ(ControlKeys(window), (Keys{"First", "Second", "Timer1$0", "Third$0"}));
  EXPECT_EQ(windowControlCountGetter(window, 0), 3);
  qvtest::RaisedExceptions raised;
  const char* names[] = {"First", "Second", "Third"};
  for (int32_t i = 0; i < 3; ++i) {
    const int32_t before = qvtest::ControlAt(window, i == 2 ? "Third$0" : names[i])->refCount;
    RuntimeObject* control = windowControl(window, i);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(qvtest::NameOf(control), names[i]);
    EXPECT_EQ(control->refCount, before + 1);  // one for the caller
    RuntimeUnlockObject(control);
  }
  EXPECT_TRUE(raised.Take().empty());
  EXPECT_EQ(windowControl(window, 3), nullptr);
  EXPECT_EQ(raised.TakeOne(), "OutOfBoundsException");
  EXPECT_EQ(windowControl(window, -1), nullptr);
  EXPECT_EQ(raised.TakeOne(), "OutOfBoundsException");
}

TEST_F(WindowControls, AControlInsideAHiddenOrDisabledContainerStartsSo) {
  kit.script.controls = {
      {.name = "Box", .bounds = MakeRect(10, 10, 100, 140), .visible = false},
      {.name = "Inner", .bounds = MakeRect(20, 20, 40, 80)},
      {.name = "Deeper", .bounds = MakeRect(25, 25, 35, 70)},
      {.name = "Panel", .bounds = MakeRect(110, 10, 190, 140), .enabled = false},
      {.name = "Field", .bounds = MakeRect(120, 20, 140, 80)},
      {.name = "Free", .bounds = MakeRect(10, 150, 40, 200), .visible = false, .enabled = false},
  };
  window = kit.NewWindow();
  auto pane = [&](const char* key) { return AsControl(qvtest::ControlAt(window, key))->pane; };
  ASSERT_TRUE(pane("Box") && pane("Inner") && pane("Panel") && pane("Field") && pane("Free"));
  EXPECT_EQ(pane("Inner")->GetOwner(), pane("Box"));
  EXPECT_FALSE(pane("Inner")->IsVisible());
  EXPECT_TRUE(pane("Inner")->IsEnabled());
  EXPECT_EQ(pane("Deeper")->GetOwner(), pane("Inner"));
  EXPECT_FALSE(pane("Deeper")->IsVisible());
  EXPECT_FALSE(pane("Field")->IsEnabled());
  EXPECT_TRUE(pane("Field")->IsVisible());
  EXPECT_FALSE(pane("Free")->IsVisible());
  EXPECT_FALSE(pane("Free")->IsEnabled());
  EXPECT_EQ(pane("Free")->GetOwner(), AsWindow(window)->mImp);
}

TEST_F(WindowControls, AControlHeldElsewhereLeavesTheMapWhenItIsDestroyed) {
  kit.script.controls = {{.name = "Kept"}, {.name = "Dropped"}};
  window = kit.NewWindow();
  RuntimeObject* kept = qvtest::ControlAt(window, "Kept");
  RuntimeLockObject(kept);
  RuntimeCloseWindow(window);
  EXPECT_EQ(ControlKeys(window), (Keys{"Kept"}));
  EXPECT_EQ(kit.controlsFreed, 1);
  EXPECT_EQ(AsControl(kept)->window, window);
  EXPECT_EQ(AsControl(kept)->pane, nullptr);  // its pane closed with the window
  EXPECT_EQ(kept->refCount, 1);               // the map gave up its reference
  // A closed window lists nothing new.
  RuntimeObject* late = kit.NewControl({.name = "Late"});
  WindowAddControl(window, string("Late").Storage(), late);
  RuntimeUnlockObject(late);
  EXPECT_EQ(ControlKeys(window), (Keys{"Kept"}));
  RuntimeUnlockObject(kept);
  EXPECT_TRUE(ControlKeys(window).empty());
  EXPECT_EQ(kit.controlsFreed, 3);

  // The other way round: the window object goes first and lets go of the control.
  kit.script.controls = {{.name = "Survivor"}};
  RuntimeObject* second = kit.NewWindow();
  RuntimeObject* survivor = qvtest::ControlAt(second, "Survivor");
  RuntimeLockObject(survivor);
  RuntimeCloseWindow(second);
  RuntimeUnlockObject(second);
  EXPECT_EQ(AsControl(survivor)->window, nullptr);
  RuntimeUnlockObject(survivor);
  EXPECT_EQ(kit.controlsFreed, 4);
}

// A control that another one of the same key puts out of the map forgets the window, which may
// go before it does.
TEST_F(WindowControls, AControlReplacedUnderItsKeyForgetsTheWindow) {
  window = kit.NewWindow();
  AsWindow(window)->mInitialControlsCreated = 0;  // as while CreateControls runs
  RuntimeObject* first = kit.NewControl({.name = "Same"});
  WindowAddControl(window, string("Same").Storage(), first);
  Add({.name = "Same"});
  AsWindow(window)->mInitialControlsCreated = 1;
  EXPECT_EQ(ControlKeys(window), (Keys{"Same"}));
  EXPECT_NE(qvtest::ControlAt(window, "Same"), first);
  EXPECT_EQ(AsControl(first)->window, nullptr);
  EXPECT_EQ(first->refCount, 1);
  RuntimeCloseWindow(window);
  RuntimeUnlockObject(window);
  window = nullptr;
  EXPECT_EQ(kit.windowsFreed, 1);
  RuntimeUnlockObject(first);  // its finalizer finds no window to leave
  EXPECT_EQ(kit.controlsFreed, 2);
}

TEST_F(WindowControls, AWindowBuiltAgainTakesBackTheControlsItStillLists) {
  kit.script.controls = {{.name = "Kept", .bounds = MakeRect(10, 10, 40, 60)}};
  window = kit.NewWindow();
  RuntimeObject* kept = qvtest::ControlAt(window, "Kept");
  RuntimeLockObject(kept);
  RuntimeCloseWindow(window);
  kit.Take();
  RuntimeShowAsWindow(window);
  ASSERT_NE(AsWindow(window)->mImp, nullptr);
  EXPECT_NE(AsControl(kept)->pane, nullptr);
  EXPECT_EQ(kit.Take(), (std::vector<std::string>{"Window.AddMenuHandlers self",
                                                  "Kept.CreatePane", "Window.SetupBindings"}));
  RuntimeUnlockObject(kept);
  EXPECT_EQ(ControlKeys(window), (Keys{"Kept"}));
  RuntimeCloseWindow(window);
  EXPECT_TRUE(ControlKeys(window).empty());
  EXPECT_EQ(kit.controlsFreed, 1);
}

TEST_F(WindowControls, TheWindowMakesItsObjectsAndKeepsItsMenuHandlers) {
  window = kit.NewWindow();
  RuntimeObject* clone = WindowAllocateObject(window, kit.controlClass);
  ASSERT_NE(clone, nullptr);
  EXPECT_EQ(AsControl(clone)->window, window);
  EXPECT_EQ(AsControl(clone)->createdAtRunTime, 1);
  RuntimeUnlockObject(clone);
  RuntimeObject* plain = WindowAllocateObject(window, kit.plainClass);
  ASSERT_NE(plain, nullptr);
  RuntimeUnlockObject(plain);

  int first = 0, second = 0;
  WindowAddMenuHandler(window, string("FileQuit").Storage(), &first);
  WindowAddMenuHandler(window, string("filequit").Storage(), &second);
  WindowAddMenuHandler(window, string("EditCopy").Storage(), nullptr);
  void* handler = nullptr;
  ASSERT_TRUE(AsWindow(window)->mMenuHandlers->GetEntry(string("FILEQUIT"), &handler));
  EXPECT_EQ(handler, &second);
  EXPECT_FALSE(AsWindow(window)->mMenuHandlers->Contains(string("EditCopy")));
  qvtest::ReportCapture reports;
  WindowAddMenuHandler(window, nullptr, &first);
  WindowAddMenuHandler(nullptr, string("X").Storage(), &first);
  EXPECT_TRUE(reports.HasCondition("name"));
  EXPECT_TRUE(reports.HasCondition("self"));
}

// The delegate carries drags to the control's handlers and gives up the control with the pane.
TEST_F(WindowControls, ThePaneDelegateLetsGoOfItsControlWhenThePaneCloses) {
  kit.script.controls = {{.name = "Target", .bounds = MakeRect(10, 10, 50, 50)}};
  window = kit.NewWindow();
  RuntimeObject* target = qvtest::ControlAt(window, "Target");
  SubPane* pane = AsControl(target)->pane;
  ASSERT_NE(pane, nullptr);
  const int32_t references = target->refCount;
  PaneDelegate* delegate = pane->GetDelegate();
  ASSERT_NE(delegate, nullptr);
  EXPECT_FALSE(delegate->DragEnter(nullptr, 1));  // the handler answers False: accepted
  QV::Rect wide = MakeRect(-50, -50, 500, 500);
  delegate->ClipRect(pane, wide);
  EXPECT_EQ(qvtest::RectText(wide), qvtest::RectText(MakeRect(0, 0, 200, 300)));
  pane->Close();
  EXPECT_EQ(AsControl(target)->pane, nullptr);
  EXPECT_EQ(target->refCount, references - 1);
}

}  // namespace

// Drag answers mean one thing from the handlers up, for windows and controls alike: True
// rejects the drag; False, or no handler, accepts it.
TEST_F(WindowControls, DragAnswersOfWindowsAndControlsMeanTheSame) {
  kit.script.title = "Drags";
  kit.script.controls = {{.name = "Target", .bounds = MakeRect(10, 10, 50, 50)}};
  window = kit.NewWindow();
  RuntimeViewWindow* native = AsWindow(window)->mImp;
  SubPane* pane = AsControl(qvtest::ControlAt(window, "Target"))->pane;
  ASSERT_TRUE(native && pane);
  PaneDelegate* delegate = pane->GetDelegate();
  RuntimeObject* item = RuntimeNewObject(kit.plainClass);
  kit.Take();
  for (bool rejects : {false, true}) {
    kit.script.dragRejects = rejects;
    EXPECT_EQ(native->DragEnter(item, 1), rejects);
    EXPECT_EQ(native->DragOver(5, 6, item, 2), rejects);
    EXPECT_EQ(delegate->DragEnter(item, 1), rejects);
    EXPECT_EQ(delegate->DragOver(7, 8, item, 2), rejects);
  }
  native->DropObject(item, 2);
  native->DropObject(nullptr, 2);  // no drag item: nothing to drop
  delegate->DropObject(pane, item, 1);
  using Log = std::vector<std::string>;
  const Log round = {"Drags.DragEnter item 1", "Drags.DragOver 5,6 item 2",
                     "Target.DragEnter item 1", "Target.DragOver 7,8 item 2"};
  Log expected = round;
  expected.insert(expected.end(), round.begin(), round.end());
  expected.insert(expected.end(), {"Drags.DropObject item 2", "Target.DropObject item 1"});
  EXPECT_EQ(kit.Take(), expected);

  // Without handlers: accepted.
  RuntimeObject* bare = RuntimeNewObject(RuntimeLookupClass(string("RectControl").Storage()));
  ASSERT_NE(bare, nullptr);
  {
    RuntimePaneDelegate plain(bare);
    EXPECT_FALSE(plain.DragEnter(item, 1));
    EXPECT_FALSE(plain.DragOver(1, 1, item, 1));
  }
  RuntimeUnlockObject(bare);
  RuntimeUnlockObject(item);
}
