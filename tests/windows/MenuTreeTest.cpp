// The menu tree: a node's child list and references, copies that follow their master (adding,
// changing, removing, separators swapped in place), the refusal of a menu inside itself,
// enabling up the parents, and the shortcut grammar with the accelerators and table entries it
// gives.
#include <gtest/gtest.h>

#include <cstring>

#include "MenuFixtures.h"
#include "core/ObjectDefinitionConverter.h"
#include "support/RaisedExceptions.h"
#include "support/TestSupport.h"
#include "windows/MenuItemClass.h"
#include "windows/MenuShortcuts.h"

namespace {

using qvtest::ChildTexts;
using qvtest::Node;
using qvtest::ShellLabels;
using Texts = std::vector<std::string>;

class MenuTree : public testing::Test {
 protected:
  void SetUp() override {
    if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs GTK";
    kit = std::make_unique<qvtest::MenuKit>();
  }
  void TearDown() override {
    for (RuntimeObject* object : held) RuntimeUnlockObject(object);
    kit.reset();
  }
  // An item the test keeps until its end.
  RuntimeObject* Item(const std::string& text) { return Keep(kit->NewItem(text)); }
  RuntimeObject* Bar() { return Keep(kit->NewMenuBar()); }
  RuntimeObject* Keep(RuntimeObject* object) {
    held.push_back(object);
    return object;
  }
  std::unique_ptr<qvtest::MenuKit> kit;
  std::vector<RuntimeObject*> held;
  qvtest::RaisedExceptions raised;
};

TEST_F(MenuTree, ANewNodeStartsWithNoIndexEnabledVisibleAndAutoEnabledAndNoChildren) {
  const XMenuGTK* node = Node(Item(""));
  EXPECT_EQ(node->Index(), int32_t(0x80000000u));
  EXPECT_TRUE(node->IsEnabled() && node->IsVisible() && node->AutoEnables());
  EXPECT_FALSE(node->IsChecked() || node->IsBold() || node->IsItalic() || node->IsUnderline());
  EXPECT_EQ(node->ChildCount(), 0);
  EXPECT_FALSE(node->IsSeparator() || node->HasSubmenu());
}

// A child present twice holds two references and goes with both.
TEST_F(MenuTree, ChildListsHoldAReferenceForEveryEntry) {
  Menu plain;
  RuntimeObject* child = Item("Twice");
  const int32_t before = child->refCount;
  plain.AppendChild(child);
  plain.InsertChild(child, 0);
  EXPECT_EQ(child->refCount, before + 2);
  plain.RemoveChild(child);
  EXPECT_EQ(plain.ChildCount(), 0);
  EXPECT_EQ(child->refCount, before);
  plain.RemoveChildAt(0);
  EXPECT_EQ(raised.TakeOne(), "OutOfBoundsException");
  EXPECT_EQ(MenuItemChildAt(&plain, -1), nullptr);
  EXPECT_EQ(raised.TakeOne(), "OutOfBoundsException");
}

TEST_F(MenuTree, FindChildByNameIgnoresCaseAndStaysAmongTheDirectChildren) {
  RuntimeObject* bar = Bar();
  RuntimeObject* file = Item("File");
  kit->Append(bar, file);
  kit->Append(file, Item("Open"));
  RuntimeObject* found = Node(bar)->FindChildByName(string("FILE"));
  EXPECT_EQ(found, file);
  RuntimeUnlockObject(found);
  EXPECT_EQ(Node(bar)->FindChildByName(string("Open")), nullptr);
}

// The tag's new reference is taken before the old one goes.
TEST_F(MenuTree, ReplacingTheTagWithItselfKeepsItAlive) {
  RuntimeObject* item = Item("Tagged");
  RuntimeObject* tag = kit->NewItem("Tag");
  Node(item)->SetTag(tag);
  RuntimeUnlockObject(tag);
  Node(item)->SetTag(tag);
  ASSERT_EQ(Node(item)->Tag(), tag);
  EXPECT_EQ(tag->refCount, 1);
  EXPECT_STREQ(Node(tag)->Text().CString(), "Tag");
}

// One menu in two menu bars: each has a copy of it; what is added to the menu appears in both,
// a change of text shows in both, and a removal leaves no copy and no shortcut behind.
TEST_F(MenuTree, CopiesFollowTheirMasterEverywhere) {
  RuntimeObject* file = Item("File");
  RuntimeObject* first = Bar();
  RuntimeObject* second = Bar();
  kit->Append(first, file);
  kit->Append(second, file);
  XMenuGTK* master = Node(file);
  ASSERT_EQ(master->Copies().size(), 2u);
  RuntimeObject* save = Item("Save");
  Node(save)->SetCommandKey(string("Ctrl+S"));
  const int32_t shortcuts = MenuShortcutCount();
  kit->Append(file, save);
  for (XMenuGTK* copy : {master->Copies()[0], master->Copies()[1]}) {
    EXPECT_EQ(ShellLabels(copy->SubmenuWidget()), Texts{"Save"});
    EXPECT_EQ(copy->ChildNodes()[0]->GetMaster(), Node(save));
  }
  EXPECT_EQ(MenuShortcutCount(), shortcuts + 3) << "its copy in File and one in each bar's";
  Node(save)->SetText(string("Save As"));
  for (XMenuGTK* copy : {master->Copies()[0], master->Copies()[1]}) {
    EXPECT_EQ(ShellLabels(copy->SubmenuWidget()), Texts{"Save As"});
  }
  RuntimeMenuItemRemoveItem(file, save);
  EXPECT_EQ(Node(save)->Copies().size(), 0u);
  EXPECT_EQ(MenuShortcutCount(), shortcuts) << "only the item's own node keeps its entry";
  EXPECT_TRUE(ShellLabels(master->Copies()[1]->SubmenuWidget()).empty());
}

TEST_F(MenuTree, InsertingPlacesTheWidgetAtThePositionInEveryCopy) {
  RuntimeObject* edit = Item("Edit");
  kit->Append(Bar(), edit);
  kit->Append(edit, Item("Cut"));
  kit->Append(edit, Item("Paste"));
  RuntimeMenuItemInsert(edit, 1, Item("Copy"));
  EXPECT_EQ(ChildTexts(edit), (Texts{"Cut", "Copy", "Paste"}));
  EXPECT_EQ(ShellLabels(Node(edit)->Copies()[0]->SubmenuWidget()),
            (Texts{"Cut", "Copy", "Paste"}));
  RuntimeMenuItemInsert(edit, 3, Item("Delete"));
  EXPECT_EQ(ChildTexts(edit).back(), "Delete") << "at the count: appended";
  RuntimeMenuItemInsert(edit, 5, Item("Beyond"));
  EXPECT_EQ(raised.TakeOne(), "OutOfBoundsException");
  EXPECT_EQ(ChildTexts(edit).size(), 4u);
}

// A caption changed to or from "-" remakes the widget in the same place of its menu.
TEST_F(MenuTree, ASeparatorTakesTheOldWidgetsPlaceAndBack) {
  RuntimeObject* menu = Item("Menu");
  kit->Append(Bar(), menu);
  RuntimeObject* middle = Item("Middle");
  Node(middle)->SetCommandKey(string("Ctrl+M"));
  for (RuntimeObject* child : {Item("Top"), middle, Item("Bottom")}) kit->Append(menu, child);
  GtkWidget* shown = Node(menu)->Copies()[0]->SubmenuWidget();
  const int32_t shortcuts = MenuShortcutCount();
  Node(middle)->SetText(string("-"));
  EXPECT_EQ(ShellLabels(shown), (Texts{"Top", "-", "Bottom"}));
  EXPECT_EQ(MenuShortcutCount(), shortcuts - 3) << "a separator has no shortcut";
  Node(middle)->SetText(string("Middle again"));
  EXPECT_EQ(ShellLabels(shown), (Texts{"Top", "Middle again", "Bottom"}));
  EXPECT_EQ(MenuShortcutCount(), shortcuts);
}

// Copies of a menu appended into itself would clone without end.
TEST_F(MenuTree, AMenuIsNeverAppendedIntoItselfOrItsSubmenus) {
  qvtest::ReportCapture reports;
  RuntimeObject* outer = Item("Outer");
  RuntimeObject* inner = Item("Inner");
  kit->Append(outer, inner);
  kit->Append(outer, outer);
  kit->Append(inner, outer);
  RuntimeMenuItemInsert(inner, 0, outer);
  EXPECT_EQ(reports.count(), 3u);
  EXPECT_EQ(ChildTexts(outer), Texts{"Inner"});
  EXPECT_TRUE(ChildTexts(inner).empty());
}

// Enabling a nested item enables the menus above it; a disabled title of a menu bar stays
// sensitive, while a disabled item inside a menu does not.
TEST_F(MenuTree, EnablingClimbsAndMenuBarTitlesStaySensitive) {
  RuntimeObject* bar = Bar();
  RuntimeObject* file = Item("File");
  RuntimeObject* recent = Item("Recent");
  RuntimeObject* last = Item("Last");
  kit->Append(bar, file);
  kit->Append(file, recent);
  kit->Append(recent, last);
  Node(bar)->MenuBarWidget();  // the bar's widgets, as a window shows them
  XMenuGTK* title = Node(bar)->ChildNodes()[0];
  RuntimeMenuItemEnabledSetter(file, 0, 0);
  RuntimeMenuItemEnabledSetter(recent, 0, 0);
  EXPECT_FALSE(Node(file)->IsEnabled());
  EXPECT_TRUE(GTK_WIDGET_SENSITIVE(title->ItemWidget()));
  XMenuGTK* shownRecent = title->ChildNodes()[0];
  EXPECT_FALSE(GTK_WIDGET_SENSITIVE(shownRecent->ItemWidget()));
  RuntimeMenuItemEnabledSetter(last, 0, 1);
  EXPECT_TRUE(Node(file)->IsEnabled() && Node(recent)->IsEnabled());
  EXPECT_TRUE(GTK_WIDGET_SENSITIVE(shownRecent->ItemWidget()));
}

TEST_F(MenuTree, AnItemWithASubmenuLosesItsShortcut) {
  RuntimeObject* menu = Item("Menu");
  Node(menu)->SetCommandKey(string("Ctrl+M"));
  kit->Append(menu, Item("Inside"));
  EXPECT_STREQ(Node(menu)->CommandKey().CString(), "");
  string key;
  uint32_t modifiers = 0;
  EXPECT_FALSE(FindMenuShortcut(Node(menu), &key, &modifiers));
}

// ---- the shortcut grammar ----

struct ShortcutCase {
  const char* text;
  const char* keyPart;
  uint32_t modifiers;
  guint keyval;
};

// The keys the grammar's table gives, with the two changes: the words apply without a
// separator, and a non-ASCII key is its character's key value.
const ShortcutCase kShortcuts[] = {
    {"Ctrl+S", "S", kShortcutControl, 0x53},
    {"Cmd+S", "S", kShortcutControl, 0x53},
    {"S", "S", kShortcutControl, 0x53},
    {"ctrl-s", "s", kShortcutControl, 0x73},
    {"Shift+Ctrl+Page Up", "Page Up", kShortcutShift | kShortcutControl, 0xFF55},
    {"Alt+F4", "F4", kShortcutAlt, 0xFFC1},
    {"F5", "F5", 0, 0xFFC2},
    {"Escape", "Esc", 0, 0xFF1B},
    {"Ctrl+-", "-", kShortcutControl, '-'},
    {"Ctrl++", "+", kShortcutControl, '+'},
    {"-", "-", kShortcutControl, '-'},
    {"Option+Shft+PgDn", "Page Down", kShortcutShift | kShortcutAlt, 0xFF56},
    {"Command-Return", "Enter", kShortcutControl, 0xFF0D},
    {"Shift+Delete", "Del", kShortcutShift, 0xFFFF},
    {"Control+LeftArrow", "Left Arrow", kShortcutControl, 0xFF51},
    {"Ctrl+Bsp", "Bksp", kShortcutControl, 0xFF08},
    {"Ctrl+\xC3\xA9", "\xC3\xA9", kShortcutControl, 0xE9},
    {"\xE2\x82\xAC", "\xE2\x82\xAC", kShortcutControl, 0x20AC},
    {"", "", 0, 0},
};

TEST(MenuShortcutGrammar, TextsGiveTheirKeyPartModifiersAndKeyValue) {
  for (const ShortcutCase& c : kShortcuts) {
    const string text = string::FromBytes(c.text, int64_t(std::strlen(c.text)), kEncodingUTF8);
    EXPECT_STREQ(KeyPartOfShortcut(text).GetUTF8String().CString(), c.keyPart) << c.text;
    EXPECT_EQ(ShortcutModifiers(text), c.modifiers) << c.text;
    EXPECT_EQ(ShortcutKeyval(text), c.keyval) << c.text;
  }
}

}  // namespace
