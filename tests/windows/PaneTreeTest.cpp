// The pane tree on a real window: where new panes go, lock layout when the window grows,
// enabling and visibility down the tree, tab-panel pages, and bounds that do not change.
#include <gtest/gtest.h>

#include "PaneFixtures.h"
#include "windows/DrawFocus.h"
#include "windows/WindowOrder.h"

namespace {

using qvtest::MakeRect;
using qvtest::PaneWidget;
using qvtest::RectText;
using qvtest::TestPane;

class PaneTreeTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = new qvtest::TestWindow();
  }
  void TearDown() override {
    if (window) window->Release();
  }
  qvtest::GuiDriver gui;
  qvtest::CountingDelegate delegate;  // outlives the panes, which the window closes
  qvtest::PaneLog log;
  qvtest::TestWindow* window = nullptr;
};

TEST_F(PaneTreeTest, AGroupBoxAdoptsANewPaneOnItsOwnPageOnly) {
  TestPane* group = new TestPane(window, MakeRect(10, 10, 110, 210));
  TestPane* inside = new TestPane(window, MakeRect(20, 20, 40, 60));
  TestPane* otherPage = new TestPane(window, MakeRect(20, 70, 40, 100), PaneWidget::kNone, 1);
  TestPane* outside = new TestPane(window, MakeRect(120, 10, 140, 60));
  EXPECT_EQ(inside->GetOwner(), group);
  EXPECT_EQ(otherPage->GetOwner(), window);
  EXPECT_EQ(outside->GetOwner(), window);
  EXPECT_EQ(inside->GetWindow(), window);
  EXPECT_EQ(window->PaneCount(), 4);  // every pane made on the window, in order
  EXPECT_EQ(window->PaneAt(1), inside);
  EXPECT_TRUE(window->ContainsPane(inside, true));
  EXPECT_FALSE(window->ContainsPane(inside, false));

  // Without the group box the pane goes back to the window; the box keeps its list place.
  group->ReparentChildren();
  EXPECT_EQ(inside->GetOwner(), window);
  EXPECT_EQ(group->ChildCount(), 0);
  EXPECT_EQ(window->IndexOfPane(group), 0);

  // A delegate's choice wins over geometry.
  delegate.container = group;
  outside->SetDelegate(&delegate);
  outside->AttachToContainer(false, true);
  EXPECT_EQ(outside->GetOwner(), group);
  EXPECT_EQ(WindowOrderAt(0), window);
}

TEST_F(PaneTreeTest, GrowingTheWindowMovesStretchesOrLeavesItsChildrenByTheirLocks) {
  qvtest::FakeControlAccess access;
  qvtest::FakeControl right, stretch, left;
  right.locks = kLockRight | kLockTop;
  stretch.locks = kLockLeft | kLockRight | kLockTop;
  left.locks = kLockLeft | kLockTop;
  TestPane* rightPane = new TestPane(window, MakeRect(10, 200, 30, 250), PaneWidget::kDrawsInWindow);
  TestPane* stretchPane = new TestPane(window, MakeRect(40, 10, 60, 250), PaneWidget::kDrawsInWindow);
  TestPane* leftPane = new TestPane(window, MakeRect(70, 10, 90, 50), PaneWidget::kDrawsInWindow);
  TestPane* inner = new TestPane(rightPane, MakeRect(12, 210, 28, 240));
  rightPane->SetRunControl(&right.header);
  stretchPane->SetRunControl(&stretch.header);
  leftPane->SetRunControl(&left.header);

  window->SetBoundsAndLayout(MakeRect(0, 0, 240, 360), false);
  EXPECT_EQ(RectText(rightPane->GetBounds()), "10,240,30,290");
  EXPECT_EQ(RectText(right.bounds), "10,240,30,290");
  EXPECT_EQ(RectText(inner->GetBounds()), "12,250,28,280");  // moved with its owner
  EXPECT_EQ(RectText(stretchPane->GetBounds()), "40,10,60,290");
  EXPECT_EQ(RectText(stretch.bounds), "40,10,60,290");
  EXPECT_EQ(RectText(leftPane->GetBounds()), "70,10,90,50");
  EXPECT_EQ(stretchPane->Width(), 280);
  EXPECT_EQ(qvtest::FixedPosition(rightPane->GetWidget()), "240,10");
  gint width = 0;
  gtk_widget_get_size_request(stretchPane->GetWidget(), &width, nullptr);
  EXPECT_EQ(width, 280);

  // The next layout measures from this one.
  window->SetBoundsAndLayout(MakeRect(0, 0, 240, 340), false);
  EXPECT_EQ(RectText(rightPane->GetBounds()), "10,220,30,270");
}

TEST_F(PaneTreeTest, EnablingAndVisibilityPassDownButNotPastAnOwnerThatSaysNo) {
  TestPane* owner = new TestPane(window, MakeRect(10, 10, 100, 100), PaneWidget::kDrawsInWindow);
  TestPane* child = new TestPane(owner, MakeRect(20, 20, 40, 40), PaneWidget::kDrawsInWindow, 0,
                                 "child", &log);
  ASSERT_TRUE(window->ShowAndSettle(gui));

  owner->SetEnabled(false, false);
  EXPECT_FALSE(child->IsEnabled());
  EXPECT_FALSE(GTK_WIDGET_SENSITIVE(child->GetWidget()));
  child->SetEnabled(true, false);  // the owner is still disabled
  EXPECT_FALSE(child->IsEnabled());
  owner->ApplyStateCode(1000);  // no state of its own: only passed down
  EXPECT_FALSE(child->IsEnabled());
  EXPECT_EQ(log.back(), "child:state 1000");
  owner->ApplyStateCode(5);
  EXPECT_TRUE(child->IsEnabled());
  EXPECT_TRUE(GTK_WIDGET_SENSITIVE(child->GetWidget()));

  owner->SetVisible(false);
  EXPECT_FALSE(child->IsVisible());
  EXPECT_FALSE(GTK_WIDGET_VISIBLE(child->GetWidget()));
  child->SetVisible(true);  // stores nothing while the owner is hidden
  EXPECT_FALSE(child->IsVisible());
  owner->ApplyStateCode(7);
  EXPECT_TRUE(child->IsVisibleAndShown());
  EXPECT_TRUE(GTK_WIDGET_VISIBLE(child->GetWidget()));

  // Not shown by its owners: on a panel page only its own flag is kept, off any page both go.
  owner->SetShownFromOwner(false);
  EXPECT_FALSE(child->IsShown());
  EXPECT_TRUE(child->IsVisible());
  child->SetVisible(false);
  EXPECT_TRUE(child->IsShown() == false && child->IsVisible() == false);
  TestPane* paged = new TestPane(owner, MakeRect(50, 20, 60, 40), PaneWidget::kNone, 2);
  EXPECT_FALSE(paged->IsShown());
  paged->SetVisible(false);
  EXPECT_FALSE(paged->IsVisible());
  EXPECT_FALSE(paged->IsShown());
}

TEST_F(PaneTreeTest, ATabPanelShowsTheChildrenOfItsCurrentPage) {
  auto* tab = new qvtest::TestTabPanel(window, MakeRect(10, 10, 200, 300), PaneWidget::kDrawsInWindow);
  TestPane* child = new TestPane(window, MakeRect(40, 20, 60, 80), PaneWidget::kDrawsInWindow);
  delegate.container = tab;
  child->SetDelegate(&delegate);
  ASSERT_TRUE(window->ShowAndSettle(gui));

  child->SetPanelIndex(2);
  EXPECT_EQ(child->GetOwner(), tab);
  EXPECT_TRUE(child->IsWithinTabPanel());
  EXPECT_FALSE(child->IsShown());
  EXPECT_FALSE(GTK_WIDGET_VISIBLE(child->GetWidget()));
  tab->currentTab = 2;
  child->SetPanelIndex(2);
  EXPECT_TRUE(child->IsShown());
  EXPECT_TRUE(GTK_WIDGET_VISIBLE(child->GetWidget()));
}

TEST_F(PaneTreeTest, UnchangedBoundsRefreshAndMoveNothing) {
  TestPane* pane = new TestPane(window, MakeRect(10, 10, 50, 90), PaneWidget::kDrawsInWindow);
  pane->SetDelegate(&delegate);
  ASSERT_TRUE(window->ShowAndSettle(gui));
  gtk_fixed_move(window->ContentFixed(), pane->GetWidget(), 3, 4);
  ClearDrawFocus();

  pane->SetBounds(MakeRect(10, 10, 50, 90), true);
  EXPECT_EQ(delegate.clips, 0);
  EXPECT_EQ(GetDrawFocusPane(), nullptr);
  EXPECT_EQ(qvtest::FixedPosition(pane->GetWidget()), "3,4");

  pane->SetBounds(MakeRect(20, 30, 60, 110), true);
  EXPECT_EQ(delegate.clips, 1);  // the old area
  EXPECT_EQ(GetDrawFocusPane(), pane);
  EXPECT_EQ(qvtest::FixedPosition(pane->GetWidget()), "30,20");
}

}  // namespace
