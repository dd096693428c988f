// Menus at the pointer: the ContextualMenu control's rows and its Action, MenuItem's PopUp and
// what it answers, and the contextual-menu pass of a right click (and of Shift+F10) from
// ConstructContextualMenu to ContextualMenuAction. The menus are worked with real clicks while
// the nested loop that waits for them runs.
#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "MenuFixtures.h"
#include "ThreadTestSupport.h"
#include "app/MainLoop.h"
#include "controls/ContextualMenu.h"
#include "core/ObjectDefinitionConverter.h"
#include "support/TestSupport.h"
#include "windows/MenuItemClass.h"
#include "windows/MenuPopUp.h"
#include "windows/PaneFocus.h"

namespace {

using qvtest::Node;
using Log = std::vector<std::string>;

Log gActions;

// The entries of log that hold part.
Log Only(const Log& log, const std::string& part = "ContextualMenu") {
  Log kept;
  for (const std::string& entry : log) {
    if (entry.find(part) != entry.npos) kept.push_back(entry);
  }
  return kept;
}

void OnContextualAction(RuntimeObject*, stringStorage* item) {
  gActions.push_back(std::string("Action ") + stringStorage::CString(item));
}

class ContextualMenus : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    kit = std::make_unique<qvtest::MenuKit>();
    kit->windows.script.title = qvtest::UniqueWindowTitle("Contextual");
    kit->windows.script.controls = {{.name = "Field", .bounds = {10, 10, 40, 110}}};
    window = kit->windows.NewWindow();
    ASSERT_TRUE(kit->windows.ShowAndFocus(gui, window));
    content = AsWindow(window)->mImp->ScreenBounds();
    gActions.clear();
  }
  void TearDown() override {
    RuntimeUnlockObject(window);
    kit.reset();
  }
  static RuntimeObject* NewContextualMenu() {
    static RuntimeClass* cls = [] {
      RuntimeClass* made = qvtest::Subclass("ContextualMenu", "TestContextualMenu", 0);
      qvtest::SetHandler(made, "Action", reinterpret_cast<void*>(&OnContextualAction));
      return made;
    }();
    return RuntimeNewObject(cls);
  }
  // Clicks row of the menu that opens next, from inside the loop that waits for it (the step
  // comes back at each pass until a menu is open); a negative row presses Escape instead.
  void ThenChoose(int row) {
    gui.Meanwhile([this, row] {
      const qvtest::XWindow menu = gui.OpenMenu();
      if (!menu) {
        ThenChoose(row);
        return;
      }
      gui.WaitForOpenMenu();  // settled
      if (whileOpen) std::exchange(whileOpen, nullptr)();
      if (row < 0) {
        gui.Key("Escape");
        return;
      }
      gui.ClickMenuRow(menu, row);
      if (gui.OpenMenu() == menu) gui.Key("Escape");  // a row that does not close it
    });
  }
  RuntimeObject* Field() { return qvtest::ControlAt(window, "Field"); }
  // The contextual-menu entries logged from now on, once there are count of them.
  Log Await(size_t count) {
    Log seen;
    gui.PumpUntil([&] {
      const Log now = Only(kit->Take());
      seen.insert(seen.end(), now.begin(), now.end());
      return seen.size() >= count;
    });
    return seen;
  }
  qvtest::GuiDriver gui;
  std::unique_ptr<qvtest::MenuKit> kit;
  RuntimeObject* window = nullptr;
  QV::Rect content{};
  std::function<void()> whileOpen;  // run once by the next ThenChoose, with the menu open
};

TEST_F(ContextualMenus, TheChosenRowsTextGoesToAction) {
  RuntimeObject* menu = NewContextualMenu();
  contextualMenuAddRow(menu, string("Copy").Storage());
  contextualMenuAddSeparator(menu);
  contextualMenuAddRow(menu, string("Paste").Storage());
  ThenChoose(2);
  contextualMenuOpen(menu);
  EXPECT_TRUE(gui.StepsDone());
  EXPECT_EQ(gActions, Log{"Action Paste"});
  for (int row : {1, -1}) {  // the separator, then dismissed: nothing
    ThenChoose(row);
    contextualMenuOpen(menu);
    EXPECT_TRUE(gui.StepsDone());
  }
  EXPECT_EQ(gActions, Log{"Action Paste"});
  contextualMenuResetContent(menu);
  EXPECT_EQ(reinterpret_cast<ContextualMenuObject*>(menu)->imp, nullptr);
  gui.Meanwhile([this] { gui.Key("Escape"); });
  contextualMenuOpen(menu);  // an empty menu
  gui.PumpUntil([this] { return gui.StepsDone(); });
  EXPECT_EQ(gActions, Log{"Action Paste"});
  RuntimeUnlockObject(menu);
}

// PopUp answers nil when a handler took the chosen item and the item otherwise; the focus
// control has the focus again afterwards.
TEST_F(ContextualMenus, PopUpAnswersTheItemNobodyTook) {
  RuntimeObject* menu = kit->NewItem("Menu");
  RuntimeObject* taken = kit->NewItem("Taken");
  RuntimeObject* free =
      kit->NewItemOf(RuntimeClassForDefinition(MenuItemClassDefinition()), "Free");
  kit->Append(menu, taken);
  kit->Append(menu, free);
  kit->AddWindowHandler(window, "Taken");
  kit->answers["Window"] = true;
  Node(taken)->SetCommandKey(string("Ctrl+T"));
  int acceleratorsShown = -1;
  whileOpen = [&] {
    acceleratorsShown = qvtest::AcceleratorOf(Node(menu)->ChildNodes()[0]->ItemWidget()).count;
  };
  SubPane* focus = AsControl(Field())->pane;
  SetFocusPane(focus);
  ThenChoose(0);
  EXPECT_EQ(RuntimeMenuItemPopUp(menu, content.left + 20, content.top + 20), nullptr);
  EXPECT_EQ(Only(kit->Take(), "Handler"), Log{"Window.Handler -2147483648"});
  EXPECT_EQ(acceleratorsShown, 1) << "a popped-up menu shows its shortcuts";
  EXPECT_EQ(qvtest::AcceleratorOf(Node(menu)->ChildNodes()[0]->ItemWidget()).count, 0);
  ThenChoose(1);
  RuntimeObject* answer = RuntimeMenuItemPopUp(menu, content.left + 20, content.top + 20);
  EXPECT_EQ(answer, free);
  RuntimeUnlockObject(answer);
  kit->answers["Window"] = false;
  kit->answers["Taken.Action"] = true;
  ThenChoose(0);
  EXPECT_EQ(RuntimeMenuItemPopUpByCursor(menu), nullptr) << "its Action took it";
  EXPECT_EQ(GetFocusPane(), focus);
  EXPECT_EQ(Node(menu)->GetActivateHandler(), nullptr) << "the node's own handler is back";
  for (RuntimeObject* item : {menu, taken, free}) RuntimeUnlockObject(item);
}

// A Timer's Action that quits while a pop-up menu waits for a choice: the menu goes and PopUp
// answers nil.
TEST_F(ContextualMenus, APopUpEndsWhenTheProgramQuits) {
  RuntimeObject* menu = kit->NewItem("Menu");
  RuntimeObject* item = kit->NewItem("Item");
  kit->Append(menu, item);
  {
    qvtest::HangWatchdog watchdog("PopUp");
    qvtest::QuitOnceWhen quit([&] { return gui.OpenMenu() != 0; });
    EXPECT_EQ(RuntimeMenuItemPopUp(menu, content.left + 20, content.top + 20), nullptr);
  }
  EXPECT_TRUE(MainLoopQuitRequested());
  ClearQuitRequestForTesting();
  EXPECT_FALSE(GTK_WIDGET_VISIBLE(Node(menu)->SubmenuWidget()));
  for (RuntimeObject* object : {menu, item}) RuntimeUnlockObject(object);
}

// A right click on a control: its ConstructContextualMenu fills the base item (a trailing
// separator is dropped), and the chosen row reaches its ContextualMenuAction.
TEST_F(ContextualMenus, ARightClickBuildsTheMenuFromTheHandlers) {
  kit->action = [this](const std::string& event, RuntimeObject* base) {
    if (event != "Field.ConstructContextualMenu") return;
    for (const char* text : {"Alpha", "Beta", "-"}) {
      RuntimeObject* row = kit->NewItem(text);
      kit->Append(base, row);
      RuntimeUnlockObject(row);
    }
  };
  kit->answers["Field.ConstructContextualMenu"] = true;  // the window is not asked
  kit->answers["Field.ContextualMenuAction"] = true;
  kit->Take();
  ThenChoose(1);
  gui.Click(content.left + 50, content.top + 20, 3);
  gui.PumpUntil([this] { return gui.StepsDone(); });
  EXPECT_EQ(Only(kit->Take()),
            (Log{"Field.ConstructContextualMenu 40,10", "Field.ContextualMenuAction Beta"}));
}

// Without rows nothing pops up; the window hears the pass when the control lets it go on, and
// Shift+F10 asks for the focus control's menu at its corner.
TEST_F(ContextualMenus, TheWindowHearsWhatTheControlLeaves) {
  kit->Take();
  gui.Click(content.left + 200, content.top + 150, 3);
  EXPECT_EQ(Await(1), Log{kit->windows.script.title + ".ConstructContextualMenu 200,150"});
  SetFocusPane(AsControl(Field())->pane);
  gui.Key("shift+F10");
  EXPECT_EQ(Await(2), (Log{"Field.ConstructContextualMenu 0,0",
                           kit->windows.script.title + ".ConstructContextualMenu 10,10"}));
}

}  // namespace
