// Menu commands and the enabling pass on a window's menu bar: who hears a command in which
// order, when the enabling pass runs and what it enables, the shortcut table's lookup, and
// handlers that close their window or change the menus while a command or a pass runs.
#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "MenuFixtures.h"
#include "core/ObjectDefinitionConverter.h"
#include "support/RaisedExceptions.h"
#include "support/TestSupport.h"
#include "windows/MenuDispatch.h"
#include "windows/MenuEnabling.h"
#include "windows/MenuItemClass.h"
#include "windows/MenuShortcuts.h"
#include "windows/PaneFocus.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowMenuBar.h"
#include "windows/WindowOrder.h"

namespace {

using qvtest::Node;
using Log = std::vector<std::string>;

constexpr int32_t kControl = 0x1000;
constexpr int32_t kShift = 0x200;

// A window "Menus" with a control "Field" and the menu bar File (Save Ctrl+S, Revert Ctrl+R
// without auto-enabling, Delete Shift+Delete) and Edit (Paste, a plain item).
class MenuCommands : public testing::Test {
 protected:
  void SetUp() override {
    if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs GTK";
    kit = std::make_unique<qvtest::MenuKit>();
    kit->windows.script.title = "Menus";
    kit->windows.script.controls = {{.name = "Field", .bounds = {10, 10, 40, 110}}};
    bar = kit->NewMenuBar();
    file = Add(bar, kit->NewItem("File"));
    save = Add(file, kit->NewItem("Save"), "Ctrl+S");
    revert = Add(file, kit->NewItem("Revert"), "Ctrl+R");
    Node(revert)->SetAutoEnable(false);
    del = Add(file, kit->NewItem("Delete"), "Shift+Delete");
    edit = Add(bar, kit->NewItem("Edit"));
    paste = Add(edit, Plain("Paste"));
    window = kit->windows.NewWindow();
    WindowMenuBarSetter(window, 0, bar);
    native = AsWindow(window)->mImp;
    ASSERT_NE(native, nullptr);
    kit->Take();
  }
  void TearDown() override {
    for (RuntimeObject* object : {window, bar}) RuntimeUnlockObject(object);
    kit.reset();
  }
  // child appended to parent, held by the menu only; with its shortcut.
  RuntimeObject* Add(RuntimeObject* parent, RuntimeObject* child, const char* key = "") {
    Node(child)->SetCommandKey(string(key));
    kit->Append(parent, child);
    RuntimeUnlockObject(child);
    return child;
  }
  // A MenuItem without handlers.
  RuntimeObject* Plain(const std::string& text) {
    return kit->NewItemOf(RuntimeClassForDefinition(MenuItemClassDefinition()), text);
  }
  RuntimeObject* Field() { return qvtest::ControlAt(window, "Field"); }
  bool Shortcut(const char* key, int32_t modifiers, bool* consumed) {
    return HandleMenuShortcut(string(key), modifiers, native, consumed);
  }
  std::unique_ptr<qvtest::MenuKit> kit;
  RuntimeObject* bar = nullptr;
  RuntimeObject *file = nullptr, *save = nullptr, *revert = nullptr, *del = nullptr;
  RuntimeObject *edit = nullptr, *paste = nullptr;
  RuntimeObject* window = nullptr;
  RuntimeViewWindow* native = nullptr;
  qvtest::RaisedExceptions raised;
};

// ---- dispatch ----

// The focused control's handler, the window's, the Application's and the item's Action, each
// tried only when the one before answered 0; a handled command runs the enabling pass.
TEST_F(MenuCommands, HandlersAreAskedInTheirOrderUntilOneTakesTheCommand) {
  Node(save)->SetIndex(2);
  SetFocusPane(AsControl(Field())->pane);
  kit->AddControlHandler(Field(), "Save");
  kit->AddWindowHandler(window, "Save");
  kit->AddAppHandler("Save");
  const Log stages = {"Field.Handler 2", "Window.Handler 2", "App.Handler 2", "Save.Action"};
  const std::vector<std::string> answerKeys = {"Field", "Window", "App", "Save.Action"};
  EXPECT_FALSE(DispatchMenuCommand(save, native));
  EXPECT_EQ(kit->Take(), stages) << "nobody handled it: no enabling pass";
  for (size_t taker = 0; taker < stages.size(); ++taker) {
    kit->answers.clear();
    kit->answers[answerKeys[taker]] = true;
    EXPECT_TRUE(DispatchMenuCommand(save, native));
    Log expected(stages.begin(), stages.begin() + long(taker) + 1);
    Log seen = kit->Take();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), "App.EnableMenuItems") << "the pass follows a handled command";
    seen.resize(expected.size());
    EXPECT_EQ(seen, expected);
  }
  SetFocusPane(nullptr);
}

TEST_F(MenuCommands, ANilItemRaisesNilObjectException) {
  EXPECT_FALSE(DispatchMenuCommand(nullptr, native));
  EXPECT_EQ(raised.TakeOne(), "NilObjectException");
}

// A handler that closes the window the command went to ends the dispatch cleanly (run under
// the sanitizer build too).
TEST_F(MenuCommands, AHandlerMayCloseTheWindowOfItsCommand) {
  kit->AddWindowHandler(window, "Save");
  kit->action = [&](const std::string& event, RuntimeObject*) {
    if (event == "Window.Handler") RuntimeCloseWindow(window);
  };
  EXPECT_FALSE(DispatchMenuCommand(save, native));
  EXPECT_EQ(AsWindow(window)->mImp, nullptr);
  const Log seen = kit->Take();
  EXPECT_EQ(seen.front(), "Window.Handler -2147483648");
  EXPECT_EQ(seen.back(), "Save.Action") << "the later stages still hear it";
}

// ---- the enabling pass ----

bool Enabled(RuntimeObject* item) { return Node(item)->IsEnabled(); }

TEST_F(MenuCommands, ThePassEnablesWhatSomeoneHandles) {
  EnableMenuItemsForWindow(false, native);
  EXPECT_TRUE(Enabled(file) && Enabled(edit)) << "menus are enabled";
  EXPECT_TRUE(Enabled(save)) << "its own Action";
  EXPECT_FALSE(Enabled(revert)) << "no auto-enabling";
  EXPECT_FALSE(Enabled(paste)) << "nobody handles it yet";
  kit->AddAppHandler("Paste");
  EnableMenuItemsForWindow(false, native);
  EXPECT_TRUE(Enabled(paste)) << "an Application handler added between passes";
}

TEST_F(MenuCommands, EventsComeItemsFirstThenTheWindowsThenTheApplication) {
  EnableMenuItemsForWindow(false, native);
  EXPECT_EQ(kit->Take(), (Log{"File.EnableMenu", "Save.EnableMenu", "Revert.EnableMenu",
                              "Delete.EnableMenu", "Edit.EnableMenu", "Menus.EnableMenuItems",
                              "App.EnableMenuItems"}));
  RuntimeMenuItemEnabledSetter(revert, 0, 1);
  EnableMenuItemsForWindow(true, native);
  EXPECT_EQ(kit->Take(), Log{"Menus.EnableMenuItems"}) << "skip: the windows' events only";
  EXPECT_FALSE(Enabled(revert)) << "the reset still runs";
  EXPECT_FALSE(Enabled(save)) << "but not the automatic part";
}

// An EnableMenu handler that removes an item and adds another: the walk reads the children
// after the handler, holding each item it visits.
TEST_F(MenuCommands, EnableMenuHandlersMayAddAndRemoveItems) {
  kit->action = [&](const std::string& event, RuntimeObject*) {
    if (event != "File.EnableMenu") return;
    RuntimeMenuItemRemoveItem(file, save);
    RuntimeObject* added = kit->NewItem("Added");
    kit->Append(file, added);
    RuntimeUnlockObject(added);
    save = nullptr;
  };
  EnableMenuItemsForWindow(false, native);
  EXPECT_EQ(kit->Take(), (Log{"File.EnableMenu", "Revert.EnableMenu", "Delete.EnableMenu",
                              "Added.EnableMenu", "Edit.EnableMenu", "Menus.EnableMenuItems",
                              "App.EnableMenuItems"}));
}

TEST_F(MenuCommands, RuntimeMenuReferenceFindsAnItemOfTheFrontWindowsMenuBar) {
  ASSERT_EQ(FrontNativeWindow(), native) << "the newest window is in front";
  RuntimeObject* found = RuntimeMenuReference(string("revert").Storage());
  EXPECT_EQ(found, revert);
  RuntimeUnlockObject(found);
  EXPECT_EQ(RuntimeMenuReference(string("Nothing").Storage()), nullptr);
}

// ---- shortcuts ----

TEST_F(MenuCommands, AShortcutRunsItsItemAfterTheEnablingPass) {
  bool consumed = false;
  EXPECT_FALSE(Shortcut("s", kControl, &consumed));
  EXPECT_TRUE(consumed) << "dispatched, though nobody handled it";
  Log seen = kit->Take();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), "Save.Action");
  EXPECT_EQ(seen.end()[-2], "App.EnableMenuItems") << "the pass comes first";
  kit->answers["Save.Action"] = true;
  EXPECT_TRUE(Shortcut("S", kControl, &consumed));
  EXPECT_EQ(kit->Take().back(), "App.EnableMenuItems") << "and again after a handled one";
}

TEST_F(MenuCommands, ADisabledItemsShortcutRunsNothing) {
  bool consumed = true;
  EXPECT_FALSE(Shortcut("r", kControl, &consumed));
  EXPECT_FALSE(consumed);
  for (const std::string& entry : kit->Take()) EXPECT_EQ(entry.find(".Action"), entry.npos);
  EXPECT_FALSE(Shortcut("s", kControl | kShift, &consumed)) << "the modifiers must match";
  EXPECT_FALSE(consumed);
}

TEST_F(MenuCommands, ShiftDeleteMatchesAPressedDeleteKey) {
  bool consumed = false;
  Shortcut("del", kShift, &consumed);
  EXPECT_TRUE(consumed);
  EXPECT_EQ(kit->Take().back(), "Delete.Action");
}

// The pass before the lookup may change the table: the walk starts afresh after it.
TEST_F(MenuCommands, AShortcutsPassMayReplaceTheItemItFound) {
  kit->action = [&](const std::string& event, RuntimeObject*) {
    if (event != "File.EnableMenu" || !save) return;
    RuntimeMenuItemRemoveItem(file, save);
    save = nullptr;
    RuntimeObject* again = kit->NewItem("SaveAgain");
    Node(again)->SetCommandKey(string("Ctrl+S"));
    kit->Append(file, again);
    RuntimeUnlockObject(again);
  };
  bool consumed = false;
  Shortcut("s", kControl, &consumed);
  EXPECT_TRUE(consumed);
  EXPECT_EQ(kit->Take().back(), "SaveAgain.Action");
}

TEST_F(MenuCommands, AShortcutsHandlerMayCloseItsWindow) {
  kit->action = [&](const std::string& event, RuntimeObject*) {
    if (event == "Save.Action") RuntimeCloseWindow(window);
  };
  bool consumed = false;
  Shortcut("s", kControl, &consumed);
  EXPECT_TRUE(consumed);
  EXPECT_EQ(AsWindow(window)->mImp, nullptr);
}

// The window's copy carries the accelerators, which follow the shortcut; the master's own
// widget, shown nowhere, carries none, and a separator none either.
TEST_F(MenuCommands, TheWindowsCopyCarriesTheAcceleratorsAndFollowsTheShortcut) {
  XMenuGTK* shownFile = Node(AsWindow(window)->menuBar)->ChildNodes()[0];
  XMenuGTK* shownDelete = shownFile->ChildNodes()[2];
  qvtest::AcceleratorSeen seen = qvtest::AcceleratorOf(shownDelete->ItemWidget());
  EXPECT_EQ(seen.count, 1);
  EXPECT_EQ(seen.key, guint(GDK_KEY_Delete));
  EXPECT_EQ(seen.modifiers, GDK_SHIFT_MASK);
  EXPECT_EQ(Node(del)->ItemWidget(), nullptr) << "the master is shown nowhere";
  Node(del)->SetCommandKey(string("Ctrl+Q"));
  seen = qvtest::AcceleratorOf(shownDelete->ItemWidget());
  EXPECT_EQ(seen.count, 1) << "the old accelerator went";
  EXPECT_EQ(seen.key, guint(GDK_KEY_q)) << "GTK keeps letters in lower case";
  EXPECT_EQ(seen.modifiers, GDK_CONTROL_MASK);
  string key;
  uint32_t modifiers = 0;
  ASSERT_TRUE(FindMenuShortcut(shownDelete, &key, &modifiers));
  EXPECT_STREQ(key.CString(), "Q");
  Node(del)->SetText(string("-"));
  EXPECT_EQ(qvtest::AcceleratorOf(shownDelete->ItemWidget()).count, 0);
  EXPECT_FALSE(FindMenuShortcut(shownDelete, &key, &modifiers));
  RuntimeCloseWindow(window);
  EXPECT_EQ(qvtest::AcceleratorOf(shownFile->ChildNodes()[0]->ItemWidget()).count, 0)
      << "a closed window's copy gives its accelerators back";
}

// The window's only reference to its menu bar goes while the bar is shown: the window's copy
// keeps it, and the menus keep working.
TEST_F(MenuCommands, TheWindowKeepsAMenuBarNobodyElseHolds) {
  RuntimeObject* given = kit->NewMenuBar();
  RuntimeObject* tools = kit->NewItem("Tools");
  kit->Append(given, tools);
  WindowMenuBarSetter(window, 0, given);
  RuntimeUnlockObject(given);
  Node(tools)->SetText(string("Tools!"));
  RuntimeObject* shown = WindowMenuBarGetter(window, 0);
  EXPECT_NE(shown, given) << "the window shows its own copy";
  EXPECT_EQ(qvtest::ChildTexts(shown), std::vector<std::string>{"Tools!"});
  RuntimeUnlockObject(shown);
  RuntimeUnlockObject(tools);
  RuntimeCloseWindow(window);
  EXPECT_EQ(AsWindow(window)->mImp, nullptr);
}

}  // namespace
