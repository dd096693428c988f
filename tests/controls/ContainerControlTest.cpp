// ContainerControls in real windows: embedded at run time and at design time, one inside
// another, in a control and on a panel page; clicks reaching their buttons, keys and menu
// handlers through the holder, moving them and their host, and closing them (from their own
// button's handler too) and their host.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "ControlFixtures.h"
#include "controls/Canvas.h"
#include "controls/ContainerControl.h"
#include "support/GuiDriver.h"
#include "support/RaisedExceptions.h"
#include "windows/EmbeddedWindows.h"
#include "windows/GtkPlacement.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowControls.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

using qvtest::Kit;
using Log = std::vector<std::string>;

// What the next ContainerControl made gets from its Layout and CreateControls.
struct Design {
  std::string title = "Box";
  QV::Rect bounds{0, 0, 60, 100};  // top, left, bottom, right
  std::string button = "Inner";
  bool acceptFocus = false;
  RuntimeObject* nested = nullptr;  // a ContainerControl placed on it at design time
};
Design gDesign;
// What the next host window places on itself at design time.
std::vector<RuntimeObject*> gHostDesigned;
std::string gHostTitle = "Host";
bool gKeyTaken = false;

// True once the log holds entry.
bool Heard(const std::string& entry) {
  const Log& log = Kit().log;
  return std::find(log.begin(), log.end(), entry) != log.end();
}

std::string TitleOf(RuntimeObject* window) {
  return stringStorage::CString(AsWindow(window)->title);
}

void Hear(RuntimeObject* window, const std::string& event) {
  Kit().log.push_back(TitleOf(window) + "." + event);
}

RuntimeObject* NewButton(const std::string& name, const QV::Rect& bounds) {
  RuntimeObject* button = RuntimeNewObject(Kit().buttonClass);
  AsControl(button)->bounds = bounds;
  AsControl(button)->visible = 1;
  AsControl(button)->enabled = 1;
  AsControl(button)->name = string(name.c_str()).ExtractStringStorage();
  return button;
}

void OnBoxLayout(RuntimeObject* window) {
  WindowObject* w = AsWindow(window);
  w->title = string(gDesign.title.c_str()).ExtractStringStorage();
  w->bounds = gDesign.bounds;
  w->visible = 1;
  AsCanvas(w->mEmbeddedWindowControl)->acceptFocus = gDesign.acceptFocus;
}

void OnBoxCreateControls(RuntimeObject* window) {
  RuntimeObject* button = NewButton(gDesign.button, {5, 5, 25, 65});
  WindowAddControl(window, AsControl(button)->name, button);
  RuntimeUnlockObject(button);
  if (RuntimeObject* nested = std::exchange(gDesign.nested, nullptr)) {
    WindowAddControl(window, string("Nested").Storage(), nested);
  }
}

void OnOpen(RuntimeObject* window) { Hear(window, "Open"); }
void OnClose(RuntimeObject* window) { Hear(window, "Close"); }
int32_t OnCancelClose(RuntimeObject* window, int32_t) {
  Hear(window, "CancelClose");
  return 0;
}
int32_t OnKeyDown(RuntimeObject* window, stringStorage* key) {
  Hear(window, std::string("KeyDown ") + stringStorage::CString(key));
  return gKeyTaken;
}
void OnAddMenuHandlers(RuntimeObject* window, RuntimeObject* source) {
  Hear(window, "AddMenuHandlers " + TitleOf(source));
}

void OnHostLayout(RuntimeObject* window) {
  WindowObject* w = AsWindow(window);
  w->title = string(gHostTitle.c_str()).ExtractStringStorage();
  RectSet(w->bounds, 0, 0, 320, 240);
  w->visible = 1;
}

void OnHostCreateControls(RuntimeObject* window) {
  for (size_t i = 0; i < gHostDesigned.size(); ++i) {
    const std::string name = "Designed" + std::to_string(i);
    WindowAddControl(window, string(name.c_str()).Storage(), gHostDesigned[i]);
  }
}

void SetWindowHandlers(RuntimeClass* cls) {
  qvtest::SetHandler(cls, "Open", reinterpret_cast<void*>(&OnOpen));
  qvtest::SetHandler(cls, "Close", reinterpret_cast<void*>(&OnClose));
  qvtest::SetHandler(cls, "CancelClose", reinterpret_cast<void*>(&OnCancelClose));
  qvtest::SetHandler(cls, "KeyDown", reinterpret_cast<void*>(&OnKeyDown));
  qvtest::SetHandler(cls, "AddMenuHandlers", reinterpret_cast<void*>(&OnAddMenuHandlers));
}

class ContainerControlTest : public testing::Test {
 protected:
  void SetUp() override {
    gDesign = Design{};
    gHostDesigned.clear();
    gHostTitle = "Host";
    gKeyTaken = false;
    boxClass = qvtest::Subclass("ContainerControl", "KitBox");
    qvtest::SetHandler(boxClass, "Layout", reinterpret_cast<void*>(&OnBoxLayout));
    qvtest::SetHandler(boxClass, "CreateControls", reinterpret_cast<void*>(&OnBoxCreateControls));
    SetWindowHandlers(boxClass);
    hostClass = qvtest::Subclass("Window", "KitHost");
    qvtest::SetHandler(hostClass, "Layout", reinterpret_cast<void*>(&OnHostLayout));
    qvtest::SetHandler(hostClass, "CreateControls",
                       reinterpret_cast<void*>(&OnHostCreateControls));
    SetWindowHandlers(hostClass);
  }
  void TearDown() override {
    for (RuntimeObject* box : boxes) RuntimeUnlockObject(box);
    for (RuntimeObject* host : hosts) {
      if (AsWindow(host)->mImp) RuntimeCloseWindow(host);
      RuntimeUnlockObject(host);
    }
  }

  RuntimeObject* NewBox(const std::string& title, const std::string& button,
                        QV::Rect bounds = {0, 0, 60, 100}) {
    gDesign.title = title;
    gDesign.button = button;
    gDesign.bounds = bounds;
    RuntimeObject* box = RuntimeNewObject(boxClass);
    boxes.push_back(box);
    return box;
  }

  // A host window, shown, with the focus; the boxes given are placed on it at design time.
  RuntimeObject* OpenHost(const std::string& title, std::vector<RuntimeObject*> designed = {}) {
    gHostTitle = title;
    gHostDesigned = designed;
    RuntimeObject* host = RuntimeNewObject(hostClass);
    hosts.push_back(host);
    WindowDefaultConstructor(host);
    RuntimeShowWindow(host);
    xid = gui.WaitForWindow(title);
    EXPECT_NE(xid, 0u);
    if (xid) {
      gtk_window_present(AsWindow(host)->mImp->GetGtkWindow());
      EXPECT_TRUE(gui.WaitForFocus(xid));
    }
    gui.Settle();
    return host;
  }

  static RuntimeObject* ButtonOf(RuntimeObject* window, const std::string& name) {
    return qvtest::ControlKit::Control(window, name);
  }
  static QV::Rect PaneBounds(RuntimeObject* control) {
    SubPane* pane = control ? AsControl(control)->pane : nullptr;
    return pane ? pane->GetBounds() : QV::Rect{-1, -1, -1, -1};
  }
  // Clicks the button's widget where the X server shows it; false when it has none.
  bool ClickButton(RuntimeObject* window, const std::string& name) {
    RuntimeObject* button = ButtonOf(window, name);
    SubPane* pane = button ? AsControl(button)->pane : nullptr;
    if (!pane || !pane->GetWidget()) return false;
    gui.Click(pane->GetWidget());
    return true;
  }
  // Where the button's widget is shown, relative to the host window's inside.
  qvtest::ScreenArea ShownOffset(RuntimeObject* window, const std::string& name) {
    qvtest::ScreenArea at = gui.Area(AsControl(ButtonOf(window, name))->pane->GetWidget());
    const qvtest::ScreenArea inside = gui.Area(xid);
    at.x -= inside.x;
    at.y -= inside.y;
    return at;
  }
  Log TakeOnly(const std::string& suffix) {
    Log picked;
    for (const std::string& entry : Kit().Take()) {
      if (entry.size() >= suffix.size() &&
          entry.compare(entry.size() - suffix.size(), suffix.size(), suffix) == 0) {
        picked.push_back(entry);
      }
    }
    return picked;
  }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  RuntimeClass* boxClass = nullptr;
  RuntimeClass* hostClass = nullptr;
  std::vector<RuntimeObject*> boxes;
  std::vector<RuntimeObject*> hosts;
  qvtest::XWindow xid = 0;
};

// Controls added while their windows show have their place and size at once: one on the host,
// and one cloned into the embedded box, which lands at the box's offset inside its control.
TEST_F(ContainerControlTest, ControlsAddedWhileShownAppearAtTheirPlaceAndSize) {
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  RuntimeObject* host = OpenHost("Adding host");
  RuntimeObject* box = NewBox("Box", "Inner", {0, 0, 60, 100});
  EmbedWithin(box, host, 40, 30, -1, -1);
  gui.Settle();
  std::vector<RuntimeObject*> added;  // the windows' maps hold them
  for (auto [window, name, bounds] : {std::tuple{host, "Added", QV::Rect{150, 10, 172, 90}},
                                      std::tuple{box, "Clone", QV::Rect{30, 5, 50, 65}}}) {
    RuntimeObject* button = WindowAllocateObject(window, Kit().buttonClass);
    AsControl(button)->bounds = bounds;
    AsControl(button)->visible = AsControl(button)->enabled = 1;
    WindowAddControl(window, string(name).Storage(), button);
    RuntimeUnlockObject(button);
    ASSERT_NE(AsControl(button)->pane, nullptr) << name;
    added.push_back(button);
    // Its place and size at once, before GTK's next resize pass.
    const GtkAllocation& now = AsControl(button)->pane->GetWidget()->allocation;
    EXPECT_EQ(now.width, bounds.right - bounds.left) << name;
    EXPECT_EQ(now.height, bounds.bottom - bounds.top) << name;
  }
  SubPane* clone = AsControl(added[1])->pane;
  EXPECT_EQ(clone->GetBounds().left, 45);
  EXPECT_EQ(clone->GetBounds().top, 60);
  EXPECT_EQ(clone->GetOwner(), AsControl(AsWindow(box)->mEmbeddedWindowControl)->pane);
  gui.Settle();
  const int32_t below = WindowContentTopOffset(AsWindow(host)->mImp);
  const qvtest::ScreenArea inside = gui.Area(xid);
  const std::tuple<int, int, int, int> expected[] = {{10, 150 + below, 80, 22},
                                                     {45, 60 + below, 60, 20}};
  for (size_t i = 0; i < added.size(); ++i) {
    const qvtest::ScreenArea shown = gui.Area(AsControl(added[i])->pane->GetWidget());
    EXPECT_EQ(std::tuple(shown.x - inside.x, shown.y - inside.y, shown.width, shown.height),
              expected[i]) << i;
  }
  Kit().Take();
  gui.Click(clone->GetWidget());
  EXPECT_TRUE(gui.PumpUntil([] { return Heard("Clone.Action"); }));
}

TEST_F(ContainerControlTest, EmbeddedAtRunTimeItsButtonSitsAtTheOffsetAndHearsClicks) {
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  RuntimeObject* host = OpenHost("Run-time host");
  RuntimeObject* box = NewBox("Box", "Inner", {0, 0, 60, 100});
  Kit().Take();
  EmbedWithin(box, host, 40, 30, -1, -1);
  RuntimeObject* standing = AsWindow(box)->mEmbeddedWindowControl;
  ASSERT_NE(standing, nullptr);
  EXPECT_EQ(ButtonOf(host, "_KitBox"), standing);
  // -1 keeps the designed size; the button lies at the box's place plus its own.
  const QV::Rect placed = PaneBounds(standing);
  EXPECT_EQ(placed.left, 40);
  EXPECT_EQ(placed.top, 30);
  EXPECT_EQ(placed.right - placed.left, 100);
  EXPECT_EQ(placed.bottom - placed.top, 60);
  EXPECT_EQ(windowPosGetter(box, 0), 40);
  EXPECT_EQ(windowPosGetter(box, 2), 100);
  const QV::Rect inner = PaneBounds(ButtonOf(box, "Inner"));
  EXPECT_EQ(inner.left, 45);
  EXPECT_EQ(inner.top, 35);
  EXPECT_EQ(Kit().Take(), (Log{"Box.AddMenuHandlers Run-time host", "Box.Open"}));
  gui.Settle();
  const qvtest::ScreenArea shown = ShownOffset(box, "Inner");
  EXPECT_EQ(shown.x, 45);
  EXPECT_EQ(shown.y, 35 + WindowContentTopOffset(AsWindow(host)->mImp));
  ASSERT_TRUE(ClickButton(box, "Inner"));
  EXPECT_TRUE(gui.PumpUntil([] { return Heard("Inner.Action"); }));

  // Moving the box moves its button; moving the host keeps clicks arriving.
  windowPosSetter(box, 0, 60);
  EXPECT_EQ(PaneBounds(ButtonOf(box, "Inner")).left, 65);
  gui.Settle();
  EXPECT_EQ(ShownOffset(box, "Inner").x, 65);
  Kit().Take();
  ASSERT_TRUE(ClickButton(box, "Inner"));
  EXPECT_TRUE(gui.PumpUntil([] { return Heard("Inner.Action"); }));
  // Both moves shown, not only the first, before the click.
  const qvtest::ScreenArea before = gui.Area(xid);
  windowPosSetter(host, 0, windowPosGetter(host, 0) + 40);
  windowPosSetter(host, 1, windowPosGetter(host, 1) + 30);
  EXPECT_TRUE(gui.PumpUntil([&] {
    const qvtest::ScreenArea now = gui.Area(xid);
    return now.x == before.x + 40 && now.y == before.y + 30;
  }));
  gui.Settle();
  EXPECT_EQ(ShownOffset(box, "Inner").x, 65);
  Kit().Take();
  ASSERT_TRUE(ClickButton(box, "Inner"));
  EXPECT_TRUE(gui.PumpUntil([] { return Heard("Inner.Action"); }));

  // Closing the host closes the box with it, without asking the box.
  Kit().Take();
  RuntimeCloseWindow(host);
  const Log closing = Kit().Take();
  EXPECT_EQ(std::count(closing.begin(), closing.end(), "Inner.Close"), 1);
  EXPECT_EQ(std::count(closing.begin(), closing.end(), "Box.Close"), 1);
  EXPECT_EQ(std::count(closing.begin(), closing.end(), "Box.CancelClose"), 0);
  EXPECT_EQ(std::count(closing.begin(), closing.end(), "Run-time host.CancelClose"), 1);
  EXPECT_EQ(closing.back(), "Run-time host.Close");
  EXPECT_TRUE(gui.PumpUntil([&] { return !AsWindow(box)->mEmbeddedWindowControl; }));
}

TEST_F(ContainerControlTest, OneInsideAnotherSitsAtOffsetsInTheTopWindow) {
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  RuntimeObject* inner = NewBox("Inside", "Deep", {40, 5, 80, 85});
  gDesign.nested = inner;
  RuntimeObject* outer = NewBox("Outside", "Shallow", {0, 0, 100, 150});
  RuntimeObject* host = OpenHost("Nesting host");
  Kit().Take();
  EmbedWithin(outer, host, 20, 10, -1, -1);
  ASSERT_EQ(AsWindow(inner)->embeddedWithin, outer);
  EXPECT_EQ(TopWindowOf(inner), host);
  const QV::Rect inside = PaneBounds(AsWindow(inner)->mEmbeddedWindowControl);
  EXPECT_EQ(inside.left, 25);
  EXPECT_EQ(inside.top, 50);
  EXPECT_EQ(PaneBounds(ButtonOf(inner, "Deep")).left, 30);
  EXPECT_EQ(PaneBounds(ButtonOf(inner, "Deep")).top, 55);
  // The inner window opens in its place among the outer one's controls, before the outer.
  EXPECT_EQ(TakeOnly(".Open"), (Log{"Inside.Open", "Outside.Open"}));
  gui.Settle();
  EXPECT_EQ(ShownOffset(inner, "Deep").x, 30);
  ASSERT_TRUE(ClickButton(inner, "Deep"));
  EXPECT_TRUE(gui.PumpUntil([] { return Heard("Deep.Action"); }));
  ASSERT_TRUE(ClickButton(outer, "Shallow"));
  EXPECT_TRUE(gui.PumpUntil([] { return Heard("Shallow.Action"); }));
  // Keys go to the innermost window first, then out to the host.
  Kit().Take();
  gKeyTaken = false;
  gui.Key("x");
  EXPECT_TRUE(gui.PumpUntil([] { return Heard("Nesting host.KeyDown x"); }));
  EXPECT_EQ(TakeOnly("KeyDown x"),
            (Log{"Inside.KeyDown x", "Outside.KeyDown x", "Nesting host.KeyDown x"}));

  // The refused embeddings: into itself, and into a window embedded in it.
  qvtest::RaisedExceptions raised;
  EmbedWithin(outer, outer, 0, 0, -1, -1);
  EmbedWithin(outer, inner, 0, 0, -1, -1);
  EXPECT_EQ(raised.Take(), (Log{"InvalidParentException", "InvalidParentException"}));
  EXPECT_EQ(AsWindow(outer)->embeddedWithin, host);
  EXPECT_EQ(PaneBounds(AsWindow(outer)->mEmbeddedWindowControl).left, 20);
}

TEST_F(ContainerControlTest, PlacedAtDesignTimeTwiceBothOpenAndCloseUnderTheirOwnKeys) {
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  RuntimeObject* first = NewBox("First", "One", {10, 10, 50, 110});
  RuntimeObject* second = NewBox("Second", "Two", {70, 10, 110, 110});
  RuntimeObject* host = OpenHost("Design host", {first, second});
  EXPECT_EQ(AsWindow(first)->embeddedWithin, host);
  EXPECT_EQ(AsWindow(second)->embeddedWithin, host);
  RuntimeObject* firstStanding = AsWindow(first)->mEmbeddedWindowControl;
  RuntimeObject* secondStanding = AsWindow(second)->mEmbeddedWindowControl;
  EXPECT_EQ(ButtonOf(host, "_KitBox"), firstStanding);
  EXPECT_EQ(ButtonOf(host, "_KitBox$1"), secondStanding);
  EXPECT_EQ(PaneBounds(ButtonOf(second, "Two")).top, 75);
  EXPECT_EQ(TakeOnly(".Open"), (Log{"First.Open", "Second.Open", "Design host.Open"}));
  ASSERT_TRUE(ClickButton(second, "Two"));
  EXPECT_TRUE(gui.PumpUntil([] { return Heard("Two.Action"); }));
  Kit().Take();
  RuntimeCloseWindow(host);
  const Log closes = TakeOnly(".Close");
  for (const char* closed : {"One.Close", "Two.Close", "First.Close", "Second.Close"}) {
    EXPECT_EQ(std::count(closes.begin(), closes.end(), closed), 1) << closed;
  }
  EXPECT_EQ(closes.back(), "Design host.Close");
}

TEST_F(ContainerControlTest, ClosingFromItsOwnButtonTakesItsPanesAndLeavesTheHost) {
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  RuntimeObject* host = OpenHost("Closing host");
  RuntimeObject* box = NewBox("Closer", "Shut", {0, 0, 60, 100});
  EmbedWithin(box, host, 10, 10, 120, -1);
  RuntimeObject* standing = AsWindow(box)->mEmbeddedWindowControl;
  ASSERT_NE(standing, nullptr);
  EXPECT_EQ(PaneBounds(standing).right - PaneBounds(standing).left, 120);
  RuntimeObject* button = ButtonOf(box, "Shut");
  RuntimeLockObject(button);
  Kit().script = [&](const std::string& entry, RuntimeObject*) {
    if (entry == "Shut.Action") RuntimeCloseWindow(box);
  };
  Kit().Take();
  gui.Settle();
  ASSERT_TRUE(ClickButton(box, "Shut"));
  EXPECT_TRUE(gui.PumpUntil([] { return Heard("Closer.Close"); }));
  Kit().script = nullptr;
  EXPECT_EQ(TakeOnly(".Close"), (Log{"Shut.Close", "Closer.Close"}));
  EXPECT_EQ(AsControl(button)->pane, nullptr);
  EXPECT_EQ(AsWindow(box)->mEmbeddedWindowControl, nullptr);
  EXPECT_EQ(ButtonOf(host, "_KitBox"), nullptr);
  RuntimeUnlockObject(button);
  ASSERT_NE(AsWindow(host)->mImp, nullptr);
  EXPECT_TRUE(gui.PumpUntil([&] { return AsWindow(host)->mImp->ChildCount() == 0; }));
  gui.Settle();
}

TEST_F(ContainerControlTest, TakingFocusItKeepsItsOwnKeysAndMenuHandlers) {
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  RuntimeObject* host = OpenHost("Focus host");
  gDesign.acceptFocus = true;
  RuntimeObject* box = NewBox("Focused", "Plain");
  Kit().Take();
  EmbedWithin(box, host, 0, 0, -1, -1);
  EXPECT_FALSE(AsWindow(box)->windowEvents);
  EXPECT_EQ(TakeOnly("Focused"), (Log{"Focused.AddMenuHandlers Focused"}));
  gui.Key("y");
  EXPECT_TRUE(gui.PumpUntil([] { return Heard("Focus host.KeyDown y"); }));
  EXPECT_EQ(TakeOnly("KeyDown y"), (Log{"Focus host.KeyDown y"}));
}

TEST_F(ContainerControlTest, EmbeddingInAControlOrOnAPanelPage) {
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  qvtest::XWindow panelXid = 0;
  RuntimeObject* panelHost = kit.OpenAndFocus(
      gui, "Panel host",
      {{.name = "Pages", .bounds = {20, 20, 200, 280}, .kind = qvtest::ControlKind::kPagePanel,
        .panelCount = 3}},
      &panelXid);
  RuntimeObject* pages = qvtest::ControlKit::Control(panelHost, "Pages");
  ASSERT_NE(pages, nullptr);
  RuntimeObject* box = NewBox("Paged", "OnPage");
  EmbedWithinPanel(box, pages, 2, 5, 5, -1, -1);
  RuntimeObject* standing = AsWindow(box)->mEmbeddedWindowControl;
  ASSERT_NE(standing, nullptr);
  EXPECT_EQ(AsControl(standing)->tabPanelIndex, 3);
  EXPECT_EQ(AsWindow(box)->embeddedWithin, panelHost);
  EXPECT_EQ(PaneBounds(standing).left, 25);
  EXPECT_EQ(PaneBounds(standing).top, 25);
  // Inside the panel's pane, on a page not shown.
  SubPane* pagesPane = AsControl(pages)->pane;
  EXPECT_TRUE(pagesPane->ContainsPane(AsControl(standing)->pane, false));
  EXPECT_FALSE(AsControl(ButtonOf(box, "OnPage"))->pane->IsVisibleAndShown());

  qvtest::RaisedExceptions raised;
  RuntimeObject* loose = NewBox("Loose", "Nowhere");
  RuntimeObject* orphan = RuntimeNewObject(Kit().buttonClass);
  EmbedWithinControl(loose, orphan, 0, 0, -1, -1);
  EmbedWithinControl(loose, nullptr, 0, 0, -1, -1);
  EmbedWithin(loose, nullptr, 0, 0, -1, -1);
  EXPECT_EQ(raised.Take(),
            (Log{"InvalidParentException", "NilObjectException", "NilObjectException"}));
  EXPECT_EQ(AsWindow(loose)->embeddedWithin, nullptr);
  RuntimeUnlockObject(orphan);
}

// Before it is embedded a box has only its designed bounds; its first Width and Height are
// recorded as the size asked for. A box never embedded lets its standing control go (the
// sanitizer build sees a leak otherwise).
TEST_F(ContainerControlTest, BeforeEmbeddingMovesChangeTheDesignedBounds) {
  RuntimeObject* box = NewBox("Early", "Soon", {0, 0, 60, 100});
  ASSERT_NE(AsWindow(box)->mEmbeddedWindowControl, nullptr);
  EXPECT_EQ(AsWindow(box)->mImp, nullptr);
  WindowMove(box, 5, 6, 70, 40);
  windowPosSetter(box, 2, 90);
  EXPECT_EQ(windowPosGetter(box, 0), 5);
  EXPECT_EQ(windowPosGetter(box, 1), 6);
  EXPECT_EQ(windowPosGetter(box, 2), 90);
  EXPECT_EQ(windowPosGetter(box, 3), 40);
  EXPECT_TRUE(AsWindow(box)->widthRequested && AsWindow(box)->heightRequested);
  EXPECT_EQ(AsWindow(box)->requestedWidth, 70);
  EXPECT_EQ(AsWindow(box)->requestedHeight, 40);
  // No native window of its own, whatever asks for one.
  RuntimeShowModal(box);
  EXPECT_EQ(AsWindow(box)->mImp, nullptr);
}

}  // namespace
