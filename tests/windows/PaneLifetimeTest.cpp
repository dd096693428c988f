// Pane lifetime: extra references, closing, the death receivers and the drawing focus.
#include <gtest/gtest.h>

#include "PaneFixtures.h"
#include "windows/DrawFocus.h"
#include "windows/PaneFocus.h"

namespace {

using qvtest::MakeRect;
using qvtest::PaneLog;
using qvtest::TestPane;

class CountingReceiver : public PaneDeathNotificationReceiver {
 public:
  // Addresses only: the panes are gone when they are compared.
  void PaneDied(Pane* pane) override { died.push_back(reinterpret_cast<uintptr_t>(pane)); }
  std::vector<uintptr_t> died;
};

class PaneLifetimeTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }
  qvtest::GuiDriver gui;
  qvtest::CountingDelegate delegate;
  PaneLog log;
};

TEST_F(PaneLifetimeTest, ThePaneGoesAtTheReleaseThatTakesItsCountBelowZero) {
  auto* window = new qvtest::TestWindow();
  bool destroyed = false;
  TestPane* pane = new TestPane(window, MakeRect(0, 0, 10, 10));
  pane->destroyed = &destroyed;
  EXPECT_TRUE(pane->RetainChain());  // the pane and every owner up to the top
  EXPECT_EQ(window->LockCount(), 1);
  pane->Retain();
  EXPECT_FALSE(pane->ReleaseChain());
  EXPECT_EQ(window->LockCount(), 0);
  EXPECT_FALSE(pane->Release());
  EXPECT_FALSE(destroyed);
  EXPECT_TRUE(pane->Release());
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(window->ChildCount(), 0);
  window->Release();
}

TEST_F(PaneLifetimeTest, ReleasingAWindowClosesItsPanesAndEmptiesItsLists) {
  auto* window = new qvtest::TestWindow();
  bool childGone = false;
  bool grandchildGone = false;
  TestPane* child = new TestPane(window, MakeRect(10, 10, 100, 100));
  TestPane* grandchild = new TestPane(child, MakeRect(20, 20, 30, 30));
  child->destroyed = &childGone;
  grandchild->destroyed = &grandchildGone;
  grandchild->Retain();  // kept by someone: closed, but not deleted with its owner
  window->Release();
  EXPECT_TRUE(childGone);
  EXPECT_FALSE(grandchildGone);
  EXPECT_TRUE(grandchild->IsClosing());
  EXPECT_EQ(grandchild->GetOwner(), nullptr);  // no pointer to the deleted owner
  EXPECT_TRUE(grandchild->Release());
  EXPECT_TRUE(grandchildGone);
}

TEST_F(PaneLifetimeTest, AReceiverRegisteredTwiceIsToldTwiceAndLeavesCompletely) {
  uintptr_t seen = 0;
  {
    CountingReceiver receiver;
    RegisterPaneDeathReceiver(&receiver);
    RegisterPaneDeathReceiver(&receiver);
    {
      Pane pane(MakeRect(10, 20, 110, 220));
      seen = reinterpret_cast<uintptr_t>(&pane);
      EXPECT_EQ(pane.Width(), 200);
      EXPECT_EQ(pane.Height(), 100);
      EXPECT_EQ(qvtest::RectText(pane.GetLayoutBounds()), "10,20,110,220");
    }
    EXPECT_EQ(receiver.died, (std::vector<uintptr_t>{seen, seen}));
    UnregisterPaneDeathReceiver(&receiver, false);  // the newest registration only
    { Pane pane(MakeRect(0, 0, 1, 1)); }
    EXPECT_EQ(receiver.died.size(), 3u);
    RegisterPaneDeathReceiver(&receiver);
  }
  CountingReceiver later;
  RegisterPaneDeathReceiver(&later);
  { Pane pane(MakeRect(0, 0, 1, 1)); }  // the destroyed receiver is no longer told
  EXPECT_EQ(later.died.size(), 1u);
  UnregisterPaneDeathReceiver(&later, true);
}

TEST_F(PaneLifetimeTest, ClosingThePaneThatHoldsFocusCaptureAndDrawingFocusClearsAll) {
  auto* window = new qvtest::TestWindow();
  TestPane* pane = new TestPane(window, MakeRect(10, 10, 50, 50), qvtest::PaneWidget::kNone, 0,
                                "p", &log);
  pane->SetDelegate(&delegate);
  SetFocusPane(pane);
  SetMouseCapturePane(pane);
  SetDrawFocus(pane);
  window->SetFocusControl(pane);
  CountingReceiver receiver;
  RegisterPaneDeathReceiver(&receiver);
  log.clear();

  pane->Close();
  EXPECT_EQ(GetFocusPane(), nullptr);
  EXPECT_EQ(GetMouseCapturePane(), nullptr);
  EXPECT_EQ(GetDrawFocusPane(), nullptr);
  EXPECT_EQ(window->FocusControl(), nullptr);
  EXPECT_EQ(delegate.closings, 1);
  EXPECT_EQ(log, (PaneLog{"p:focus lost", "p:lost"}));
  EXPECT_EQ(receiver.died.size(), 2u);  // closing, then the deletion it led to
  EXPECT_EQ(window->PaneCount(), 0);
  EXPECT_EQ(window->ChildCount(), 0);
  window->Release();
}

TEST_F(PaneLifetimeTest, TheDrawingFocusTellsOnlyThePanesThatChange) {
  TestPane a(nullptr, MakeRect(0, 0, 1, 1), qvtest::PaneWidget::kNone, 0, "a", &log);
  ClearDrawFocus();
  SetDrawFocus(&a);
  SetDrawFocus(&a);
  EXPECT_EQ(log, (PaneLog{"a:gained", "a:setup"}));
  {
    TestPane b(nullptr, MakeRect(0, 0, 1, 1), qvtest::PaneWidget::kNone, 0, "b", &log);
    log.clear();
    SetDrawFocus(&b);
    EXPECT_EQ(log, (PaneLog{"a:lost", "b:gained", "b:setup"}));
    SetDrawFocus(&a);
  }
  EXPECT_EQ(GetDrawFocusPane(), &a);  // another pane's death leaves the focus
  log.clear();
  {
    TestPane c(nullptr, MakeRect(0, 0, 1, 1));
    SetDrawFocus(&c);
  }
  EXPECT_EQ(GetDrawFocusPane(), nullptr);
  EXPECT_EQ(log, (PaneLog{"a:lost"}));
}

}  // namespace
