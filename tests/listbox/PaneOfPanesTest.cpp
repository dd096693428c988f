// The list as a pane among panes, in real windows: a heading held with the real mouse looks
// pressed only while the pointer is over it and hovering presses none; a pane laid over the
// list stays with the window; a drag hovering near an edge scrolls and still reaches the
// pane's delegate, whose answer comes back; the state codes redraw the rows with the state's
// value; and a resize that lays out the window brings the header to the new width.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ListFixtures.h"
#include "windows/PaneFocus.h"

namespace {

using qvtest::Bounds;

// Logs the redraws of every row with the value they were asked with.
class StateList : public qvtest::TestList {
 public:
  using TestList::TestList;
  void InvalidateRows(int32_t first, int32_t last, int32_t value) override {
    rows.push_back(std::to_string(first) + "," + std::to_string(last) + "," +
                   std::to_string(value));
    TestList::InvalidateRows(first, last, value);
  }
  std::vector<std::string> rows;
};

class DragRecorder : public PaneDelegate {
 public:
  bool DragOver(int32_t x, int32_t y, RuntimeObject*, int32_t) override {
    seen.push_back(std::to_string(x) + "," + std::to_string(y));
    return reject;
  }
  std::vector<std::string> seen;
  bool reject = true;
};

class OverlayDelegate : public BevelButtonDelegate {};

class PaneOfPanes : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = std::make_unique<qvtest::ListWindow>(gui, 460, 300);
    list = new StateList(&recorder, window->window(), Bounds(20, 20, 220, 323), true);
    qvtest::GiveThreeHeadedColumns(list);
    gui.Settle();
  }
  int HeaderY() {
    const QV::Rect b = list->HeaderButton(0)->GetBounds();
    return (b.top + b.bottom) / 2;
  }
  // A point inside heading i, clear of its edges.
  int HeadingX(int i) { return list->ColumnLeft(i) + 30; }
  qvtest::ScreenArea HeadingArea(int i) {
    const QV::Rect b = list->HeaderButton(i)->GetBounds();
    return {window->ScreenX(b.left + 2), window->ScreenY(b.top + 2), b.right - b.left - 4,
            b.bottom - b.top - 4};
  }
  bool AnyHeadingPressed() {
    for (int i = 0; i < list->ColumnCount(); ++i) {
      if (list->HeaderButton(i)->IsPressed()) return true;
    }
    return false;
  }

  qvtest::GuiDriver gui;
  qvtest::ListRecorder recorder;  // outlive the window, whose panes they hear
  DragRecorder drags;
  OverlayDelegate overlayDelegate;
  std::unique_ptr<qvtest::ListWindow> window;
  StateList* list = nullptr;
};

TEST_F(PaneOfPanes, APointerPassingOverTheHeadingsPressesNone) {
  gui.MoveTo(window->ScreenX(HeadingX(0)), window->ScreenY(HeaderY()));
  gui.MoveTo(window->ScreenX(HeadingX(1)), window->ScreenY(HeaderY()));
  ASSERT_TRUE(gui.PumpUntil([&] { return list->HeaderButton(1)->IsHovered(); }));
  EXPECT_FALSE(AnyHeadingPressed());
  list->HeaderMouseMove(HeadingX(2), HeaderY());
  EXPECT_FALSE(AnyHeadingPressed());
  EXPECT_EQ(list->HeldHeading(), -1);
}

// The moves go to the header as the list passes them on; the real pointer stays on the held
// heading, so the button's own tracking agrees whenever GTK runs.
TEST_F(PaneOfPanes, AHeldHeadingLooksPressedOnlyWhileThePointerIsOverIt) {
  BevelButton* size = list->HeaderButton(1);
  const int y = HeaderY();
  gui.MoveTo(window->ScreenX(HeadingX(1)), window->ScreenY(y));
  gui.Settle();
  const qvtest::Screenshot up = gui.Capture(HeadingArea(1));
  qvtest::FakeFirstButton(true);
  ASSERT_TRUE(gui.PumpUntil([&] { return size->IsPressed(); }));
  EXPECT_EQ(list->HeldHeading(), 1);
  const qvtest::Screenshot down = gui.Capture(HeadingArea(1));
  EXPECT_GT(down.DifferingPixels(up, 16), 20) << "the pressed face shows";

  list->HeaderMouseMove(HeadingX(2), y);
  EXPECT_FALSE(size->IsPressed()) << "over another heading";
  EXPECT_FALSE(list->HeaderButton(2)->IsPressed()) << "a heading not held never looks pressed";
  list->HeaderMouseMove(HeadingX(1), y);
  EXPECT_TRUE(size->IsPressed());
  list->HeaderMouseMove(list->ColumnRight(1) - 1, y);
  EXPECT_FALSE(size->IsPressed()) << "over its edge";
  list->HeaderMouseMove(HeadingX(1), y);
  EXPECT_TRUE(size->IsPressed());
  list->HeaderMouseExit();
  EXPECT_FALSE(size->IsPressed()) << "out of the header";
  list->HeaderMouseMove(HeadingX(1), y);
  EXPECT_TRUE(size->IsPressed()) << "back over it";
  EXPECT_EQ(gui.Capture(HeadingArea(1)).DifferingPixels(down, 16), 0);

  // Let go over another heading: no click.
  gui.MoveTo(window->ScreenX(HeadingX(2)), window->ScreenY(y));
  qvtest::FakeFirstButton(false);
  EXPECT_TRUE(gui.PumpUntil([&] { return GetMouseCapturePane() == nullptr; }));
  gui.Settle();
  EXPECT_FALSE(AnyHeadingPressed());
  EXPECT_EQ(list->HeldHeading(), -1);
  EXPECT_EQ(recorder.log, (std::vector<std::string>{"HeaderClick"}));
}

TEST_F(PaneOfPanes, APaneLaidOverTheListStaysWithTheWindow) {
  gui.MoveTo(window->ScreenX(440), window->ScreenY(280));  // hovering would change its face
  const QV::Rect place = Bounds(120, 60, 150, 160);
  auto* overlay = new BevelButton(&overlayDelegate, FontSpec(), window->window(), 0, place,
                                  string("Over"), 0);
  EXPECT_EQ(overlay->GetOwner(), window->window());
  EXPECT_FALSE(list->ContainsPane(overlay, true));
  gui.Settle();
  const qvtest::ScreenArea area = {window->ScreenX(62), window->ScreenY(122), 96, 26};
  const qvtest::Screenshot shown = gui.Capture(area);
  // The list's moves and states are its own parts' only.
  list->SetBounds(Bounds(30, 20, 230, 323), true);
  EXPECT_TRUE(RectEqual(overlay->GetBounds(), place));
  list->ApplyStateCode(8);
  EXPECT_TRUE(overlay->IsVisible());
  EXPECT_FALSE(list->HeaderButton(0)->IsVisible());
  list->ApplyStateCode(7);
  EXPECT_TRUE(gui.PumpUntil([&] { return gui.Capture(area).DifferingPixels(shown, 16) == 0; }))
      << "still on top, unmoved";
  // A new page index keeps the list's own parts with it.
  list->SetPanelIndex(1);
  EXPECT_EQ(list->HeaderButton(0)->GetOwner(), list);
  EXPECT_EQ(list->HeaderButton(3)->GetOwner(), list);
}

TEST_F(PaneOfPanes, ADragNearAnEdgeScrollsAndStillReachesThePanesDelegate) {
  list->RowsInserted(0, 100);
  list->ShowVerticalScrollBar();
  list->VerticalBar()->SetValue(10);
  list->SetDelegate(&drags);
  SubPane* pane = list;  // as the drag loop calls it
  EXPECT_TRUE(pane->DragOver(40, list->Height() - 3, nullptr, 0)) << "the delegate's answer";
  EXPECT_EQ(list->TopRow(), 11);
  drags.reject = false;
  EXPECT_FALSE(pane->DragOver(40, 2, nullptr, 0));
  EXPECT_EQ(list->TopRow(), 10);
  EXPECT_FALSE(pane->DragOver(40, 100, nullptr, 0));
  EXPECT_EQ(list->TopRow(), 10);
  EXPECT_EQ(drags.seen,
            (std::vector<std::string>{"40," + std::to_string(list->Height() - 3), "40,2",
                                      "40,100"}));
}

TEST_F(PaneOfPanes, AHandlerThatClosesTheWindowWhileADragScrollsEndsTheDragOver) {
  list->RowsInserted(0, 100);
  list->ShowVerticalScrollBar();
  list->VerticalBar()->SetValue(10);
  list->SetDelegate(&drags);
  bool destroyed = false;
  list->destroyed = &destroyed;
  recorder.onScrolled = [&] { window->window()->Close(); };
  window->closed = true;
  SubPane* pane = list;
  pane->Retain();  // the drag loop holds its target
  EXPECT_FALSE(pane->DragOver(40, 2, nullptr, 0));
  EXPECT_EQ(recorder.log.back(), "Scrolled(16)");
  EXPECT_TRUE(drags.seen.empty()) << "a closed list asks nobody";
  // The bar lets go of the window once GTK is done with it.
  pane->Release();
  EXPECT_TRUE(gui.PumpUntil([&] { return destroyed; }));
}

TEST_F(PaneOfPanes, StateCodesRedrawEveryRowWithTheStatesValue) {
  list->headerDirty = true;
  list->ApplyStateCode(NuListbox::kStateCodeOff);
  EXPECT_FALSE(list->headerDirty);
  list->ApplyStateCode(NuListbox::kStateCodeOn);
  list->ApplyStateCode(6);
  EXPECT_FALSE(list->IsEnabled());
  EXPECT_FALSE(list->HeaderButton(1)->IsEnabled()) << "the parts follow";
  list->ApplyStateCode(5);
  list->ApplyStateCode(8);
  list->ApplyStateCode(7);
  EXPECT_EQ(list->rows, (std::vector<std::string>{"-1,-1,0", "-1,-1,1", "-1,-1,0", "-1,-1,1"}));
  EXPECT_TRUE(list->IsVisible());
}

TEST_F(PaneOfPanes, LayingOutTheWindowBringsTheHeaderToTheNewWidth) {
  BevelButton* trailing = list->HeaderButton(3);
  ASSERT_NE(trailing, nullptr);
  EXPECT_EQ(trailing->GetBounds().right, list->GetListRect().right);
  // The header's rows only: the list fills its row area whatever becomes of the header.
  const QV::Rect heading = list->HeaderButton(0)->GetBounds();
  const qvtest::ScreenArea strip = {window->ScreenX(340), window->ScreenY(heading.top), 60,
                                    heading.bottom - heading.top};
  const qvtest::Screenshot outside = gui.Capture(strip);
  list->SetBoundsAndLayout(Bounds(20, 20, 220, 423), true);
  EXPECT_EQ(list->GetListRect().right, 421);
  EXPECT_EQ(trailing->GetBounds().right, 421) << "the filler reaches the new right";
  EXPECT_TRUE(gui.PumpUntil([&] { return gui.Capture(strip).DifferingPixels(outside, 16) > 20; }))
      << "the header is drawn there";
  list->SetBoundsAndLayout(Bounds(20, 20, 220, 223), true);
  EXPECT_EQ(list->HeaderButton(2)->GetBounds().right, 221) << "the last heading clipped";
  EXPECT_EQ(list->HeaderButton(1)->GetBounds().right, list->ColumnRight(1) - 1);
}

}  // namespace
