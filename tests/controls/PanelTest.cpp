// Page and tab panels on a real display: which page's controls are shown as Value changes and
// pages come and go, the tab captions a TabDefinition makes, the hit test of the tabs against
// the notebook's own layout, and a real click on a tab.
#include <gtest/gtest.h>

#include <string>

#include "ControlFixtures.h"
#include "controls/ControlAccessors.h"
#include "controls/PagePanel.h"
#include "controls/TabPanel.h"
#include "core/FieldAccessors.h"
#include "support/GuiDriver.h"
#include "support/RaisedExceptions.h"
#include "windows/PaneFocus.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

using qvtest::ControlKind;
using qvtest::ControlPlan;
using Log = std::vector<std::string>;

ControlPlan OnPage(const std::string& name, int32_t page, int16_t left) {
  return {.name = name, .bounds = {60, left, 90, int16_t(left + 60)}, .caption = name,
          .page = page};
}

const ControlPlan kPages{.name = "Pages", .bounds = {20, 10, 180, 290},
                         .kind = ControlKind::kPagePanel, .panelCount = 3};
const ControlPlan kTabs{.name = "Tabs", .bounds = {20, 10, 180, 290},
                        .kind = ControlKind::kTabPanel, .tabs = "One\rT&wo\rThree"};

class PanelTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }
  RuntimeObject* Open(const ControlPlan& panel) {
    const std::string title = "Panels " + std::to_string(++opened);
    window = kit.OpenAndFocus(gui, title, {panel, OnPage("A", 1, 20), OnPage("B", 2, 100),
                                           OnPage("C", 3, 180)}, &xid);
    kit.Take();
    return Control(panel.name);
  }
  RuntimeObject* Control(const std::string& key) { return kit.Control(window, key); }
  SubPane* Pane(const std::string& key) {
    RuntimeObject* control = Control(key);
    return control ? AsControl(control)->pane : nullptr;
  }
  // The names among A, B and C whose buttons are on screen, checked against the panes.
  std::string Shown() {
    std::string shown;
    for (const char* name : {"A", "B", "C"}) {
      SubPane* pane = Pane(name);
      if (!pane) continue;
      const bool visible = GTK_WIDGET_VISIBLE(pane->GetWidget());
      EXPECT_EQ(visible, pane->IsVisibleAndShown()) << name;
      if (visible) shown += name;
    }
    return shown;
  }
  static std::string Caption(RuntimeObject* tabs, int32_t index) {
    const string caption = string::Adopt(tabPanelCaptionGetter(tabs, index));
    return caption.CString() ? caption.CString() : "";
  }
  int32_t Page(const std::string& key) { return AsControl(Control(key))->tabPanelIndex; }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::RaisedExceptions raised;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = nullptr;
  int opened = 0;
};

// ---- PagePanel ----

TEST_F(PanelTest, PagePanelShowsTheCurrentPageAndClampsValueUnsigned) {
  RuntimeObject* pages = Open(kPages);
  ASSERT_NE(Pane("Pages"), nullptr);
  EXPECT_EQ(Shown(), "A");
  PagePanelValueSetter(pages, 0, 1);
  EXPECT_EQ(Shown(), "B");
  EXPECT_EQ(PagePanelValueGetter(pages, 0), 1);
  PagePanelValueSetter(pages, 0, 7);
  EXPECT_EQ(Shown(), "C");
  PagePanelValueSetter(pages, 0, -1);
  EXPECT_EQ(Shown(), "C");
  EXPECT_EQ(PagePanelValueGetter(pages, 0), 2);
  PagePanelValueSetter(pages, 0, 2);
  EXPECT_EQ(kit.Take(), (Log{"Pages.Change", "Pages.Change", "Pages.Change", "Pages.Change"}));
  EXPECT_EQ(raised.Take(), (std::vector<std::string>{}));
}

TEST_F(PanelTest, PagePanelWithoutPagesShowsNoPage) {
  ControlPlan empty = kPages;
  empty.panelCount = 0;
  RuntimeObject* pages = Open(empty);
  PagePanelValueSetter(pages, 0, 0);
  EXPECT_EQ(Shown(), "");
  EXPECT_EQ(PagePanelCountGetter(pages, 0), 0);
  PagePanelInsertPage(pages, 1);
  PagePanelRemovePage(pages, 0);
  EXPECT_EQ(raised.Take(), (std::vector<std::string>{"OutOfBoundsException",
                                                     "OutOfBoundsException"}));
}

TEST_F(PanelTest, InsertingBeforeTheCurrentFirstPageShowsTheNewEmptyPage) {
  RuntimeObject* pages = Open(kPages);
  PagePanelInsertPage(pages, 0);
  EXPECT_EQ(PagePanelCountGetter(pages, 0), 4);
  EXPECT_EQ(Page("A"), 2);
  EXPECT_EQ(Page("C"), 4);
  EXPECT_EQ(Shown(), "");
  PagePanelValueSetter(pages, 0, 1);
  EXPECT_EQ(Shown(), "A");
}

TEST_F(PanelTest, RemovingPagesClosesTheirControlsAndKeepsACurrentPage) {
  RuntimeObject* pages = Open(kPages);
  // After the current page.
  PagePanelValueSetter(pages, 0, 1);
  kit.Take();
  PagePanelRemovePage(pages, 2);
  EXPECT_EQ(kit.Take(), (Log{"C.Close"}));
  EXPECT_EQ(Shown(), "B");
  // Before it: the pages after move down and the current page number stays.
  PagePanelInsertPage(pages, 2);
  PagePanelRemovePage(pages, 0);
  EXPECT_EQ(kit.Take(), (Log{"A.Close"}));
  EXPECT_EQ(Page("B"), 1);
  EXPECT_EQ(PagePanelValueGetter(pages, 0), 1);
  EXPECT_EQ(Shown(), "");
  // The current page while it is the last: the new last page becomes current, silently.
  PagePanelRemovePage(pages, 1);
  EXPECT_EQ(PagePanelCountGetter(pages, 0), 1);
  EXPECT_EQ(PagePanelValueGetter(pages, 0), 0);
  EXPECT_EQ(AsPagePanel(pages)->value, 0);
  EXPECT_EQ(Shown(), "B");
  EXPECT_EQ(kit.Take(), (Log{}));
  PagePanelRemovePage(pages, 1);
  EXPECT_EQ(raised.TakeOne(), "OutOfBoundsException");
}

TEST_F(PanelTest, RemovingTheCurrentMiddlePageShowsTheNextOne) {
  RuntimeObject* pages = Open(kPages);
  PagePanelValueSetter(pages, 0, 1);
  kit.Take();
  PagePanelRemovePage(pages, 1);
  EXPECT_EQ(kit.Take(), (Log{"B.Close"}));
  EXPECT_EQ(Page("C"), 2);
  EXPECT_EQ(Shown(), "C");
}

TEST_F(PanelTest, HidingThePanelTakesTheFocusFromItsControl) {
  RuntimeObject* pages = Open(kPages);
  SubPane* a = Pane("A");
  a->SetKeyboardFocus();
  ASSERT_TRUE(gui.PumpUntil([&] { return GetFocusPane() == a; }));
  ControlVisibleSetter(pages, 0, 0);
  EXPECT_NE(GetFocusPane(), a);
  EXPECT_EQ(Shown(), "");
  ControlVisibleSetter(pages, 0, 1);
  EXPECT_EQ(Shown(), "A");
}

// ---- TabPanel ----

TEST_F(PanelTest, TabDefinitionsSplitAtEveryLineEnding) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"One\rTwo", {"One", "Two"}},
      {"One\r\nTwo", {"One", "Two"}},
      {"One\r", {"One"}},
      {"One\r\rThree", {"One", "", "Three"}},
      {"", {}},
  };
  for (const auto& [definition, captions] : cases) {
    ControlPlan plan = kTabs;
    plan.tabs = definition;
    RuntimeObject* tabs = Open(plan);
    std::vector<std::string> read;
    for (int32_t i = 0; i < PagePanelCountGetter(tabs, 0); ++i) {
      read.push_back(Caption(tabs, i));
    }
    EXPECT_EQ(read, captions) << definition;
    RuntimeCloseWindow(window);
  }
}

TEST_F(PanelTest, TabValueUpToTabCountRaisesChangeAndBeyondRaisesOutOfBounds) {
  RuntimeObject* tabs = Open(kTabs);
  EXPECT_EQ(Shown(), "A");
  tabPanelValueSetter(tabs, 0, 1);
  EXPECT_EQ(kit.Take(), (Log{"Tabs.Change"}));
  EXPECT_EQ(Shown(), "B");
  tabPanelValueSetter(tabs, 0, 3);
  EXPECT_EQ(kit.Take(), (Log{"Tabs.Change"}));
  EXPECT_EQ(tabPanelValueGetter(tabs, 0), 1);
  EXPECT_EQ(raised.Take(), (std::vector<std::string>{}));
  tabPanelValueSetter(tabs, 0, 4);
  EXPECT_EQ(raised.TakeOne(), "OutOfBoundsException");
  EXPECT_EQ(kit.Take(), (Log{}));
  EXPECT_EQ(Shown(), "B");
}

TEST_F(PanelTest, TabsInsertAndRemoveMoveCaptionsAndPages) {
  RuntimeObject* tabs = Open(kTabs);
  TabPanelInsertTab(tabs, 0, string("New").Storage());
  EXPECT_EQ(PagePanelCountGetter(tabs, 0), 4);
  EXPECT_EQ(Caption(tabs, 0), "New");
  EXPECT_EQ(Caption(tabs, 1), "One");
  EXPECT_EQ(Caption(tabs, 3), "Three");
  EXPECT_EQ(Page("A"), 2);
  EXPECT_EQ(Shown(), "");
  TabPanelRemoveTab(tabs, -1);
  TabPanelRemoveTab(tabs, 4);
  EXPECT_EQ(Caption(tabs, 4), "");
  EXPECT_EQ(raised.Take(), (std::vector<std::string>(3, "OutOfBoundsException")));
  tabPanelValueSetter(tabs, 0, 2);
  kit.Take();
  TabPanelRemoveTab(tabs, 2);  // the current one: B's page
  EXPECT_EQ(kit.Take(), (Log{"B.Close", "Tabs.Change"}));
  EXPECT_EQ(Page("C"), 3);
  EXPECT_EQ(tabPanelValueGetter(tabs, 0), 2);
  EXPECT_EQ(Shown(), "C");
}

// The hit test's tab widths come from the caption's text; it must agree with where the
// notebook put its tabs.
TEST_F(PanelTest, TabClickedOnFindsTheNotebooksTabs) {
  RuntimeObject* tabs = Open(kTabs);
  TabPanel* pane = TabPaneOf(tabs);
  ASSERT_NE(pane, nullptr);
  GtkWidget* notebook = pane->GetWidget();
  GtkNotebook* book = GTK_NOTEBOOK(notebook);
  for (int32_t i = 0; i < 3; ++i) {
    GtkWidget* label = gtk_notebook_get_tab_label(book, gtk_notebook_get_nth_page(book, i));
    const int32_t x = label->allocation.x + label->allocation.width / 2 - notebook->allocation.x;
    const int32_t y = label->allocation.y + label->allocation.height / 2 - notebook->allocation.y;
    EXPECT_EQ(TabPanelTabClickedOn(tabs, x, y), i);
    EXPECT_EQ(TabPanelTabClickedOn(tabs, x, pane->Height() - 5), -1);
  }
}

TEST_F(PanelTest, FacingPlacesTheTabsAndIsReadBack) {
  const GtkPositionType positions[] = {GTK_POS_TOP, GTK_POS_BOTTOM, GTK_POS_RIGHT, GTK_POS_LEFT};
  for (int32_t facing = 0; facing < 4; ++facing) {
    ControlPlan plan = kTabs;
    plan.facing = facing;
    RuntimeObject* tabs = Open(plan);
    TabPanel* pane = TabPaneOf(tabs);
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(gtk_notebook_get_tab_pos(GTK_NOTEBOOK(pane->GetWidget())), positions[facing]);
    EXPECT_EQ(intGetter(tabs, offsetof(TabPanelObject, facing)), facing);
    if (facing >= 2) {
      EXPECT_EQ(TabPanelTabClickedOn(tabs, 10, 10), -1);
    }
    RuntimeCloseWindow(window);
  }
}

TEST_F(PanelTest, AClickOnATabRaisesChangeOnceAndShowsItsPage) {
  RuntimeObject* tabs = Open(kTabs);
  GtkNotebook* book = GTK_NOTEBOOK(TabPaneOf(tabs)->GetWidget());
  GtkWidget* two = gtk_notebook_get_tab_label(book, gtk_notebook_get_nth_page(book, 1));
  gui.Click(two);
  ASSERT_TRUE(gui.PumpUntil([&] { return !kit.log.empty(); }));
  gui.Settle();
  EXPECT_EQ(kit.Take(), (Log{"Tabs.Change"}));
  EXPECT_EQ(tabPanelValueGetter(tabs, 0), 1);
  EXPECT_EQ(Shown(), "B");
}

}  // namespace
