// The list under real input (XTest): plain, Shift, Control and Shift+Control clicks, a Control
// click that turns rows off for the drag that follows, a drag past the bottom that moves the
// bar, a click below the rows, double clicks against the double-click time the test sets
// (within it, after it, apart, with other modifiers, with a drag between), the navigation
// keys, and delegates that close the window from a click's notices (the sanitizer build runs
// these).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "ListFixtures.h"
#include "core/Ticks.h"
#include "windows/PaneFocus.h"

namespace {

using qvtest::Bounds;

class Input : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = std::make_unique<qvtest::ListWindow>(gui, 400, 300);
  }
  qvtest::TestList* Make(int rows, bool multiple = true) {
    list = new qvtest::TestList(&recorder, window->window(), Bounds(20, 20, 220, 323), multiple);
    list->RowsInserted(0, rows);
    recorder.Take();
    return list;
  }
  int X() { return window->ScreenX(list->GetListRect().left + 30); }
  int Y(int row) {
    return window->ScreenY(list->GetListRect().top + 16 * (row - list->TopRow()) + 8);
  }
  int Count(const std::string& entry) {
    return int(std::count(recorder.log.begin(), recorder.log.end(), entry));
  }
  // A click with modifiers held ("Control_L", "Shift_L"), waited for until its notices end.
  void ClickRow(int row, std::initializer_list<const char*> keys = {}, int dx = 0) {
    const int clicks = Count("RowClick(" + std::to_string(row) + ")");
    for (const char* key : keys) gui.HoldKey(key);
    gui.Click(X() + dx, Y(row));
    ASSERT_TRUE(gui.PumpUntil([&] {
      return Count("RowClick(" + std::to_string(row) + ")") > clicks &&
             GetMouseCapturePane() != list;
    }));
    for (const char* key : keys) gui.ReleaseKey(key);
    gui.Settle();
  }
  void Press(bool down) { qvtest::FakeFirstButton(down); }
  // Presses on row, moves the pointer through the steps (screen points), each until its
  // condition holds, and releases. Each step waits for the list: GuiDriver::Drag may release
  // before the press is read.
  struct Step {
    int x;
    int y;
    std::function<bool()> reached;
  };
  void DragThrough(int row, const std::vector<Step>& steps) {
    gui.MoveTo(X(), Y(row));
    Press(true);
    // The button is let go whatever happens, so that no later test starts with it held.
    const bool captured = gui.PumpUntil([&] { return GetMouseCapturePane() == list; });
    EXPECT_TRUE(captured);
    for (const Step& step : steps) {
      if (!captured) break;
      gui.MoveTo(step.x, step.y);
      EXPECT_TRUE(gui.PumpUntil(step.reached));
    }
    Press(false);
    EXPECT_TRUE(gui.PumpUntil([&] { return GetMouseCapturePane() != list; }));
    gui.Settle();
  }

  qvtest::GuiDriver gui;
  qvtest::ListRecorder recorder;  // outlives the window, whose lists it hears
  std::unique_ptr<qvtest::ListWindow> window;
  qvtest::TestList* list = nullptr;
};

TEST_F(Input, ClicksWithAndWithoutModifiersSelectAndSendOnePairEach) {
  Make(20);
  ClickRow(2);
  EXPECT_EQ(recorder.Take(), (std::vector<std::string>{"RowClick(2)", "Changing", "Changed"}));
  ClickRow(5, {"Control_L"});
  EXPECT_EQ(list->Selected(), (std::vector<int32_t>{2, 5}));
  ClickRow(4, {"Shift_L"});
  EXPECT_EQ(list->Selected(), (std::vector<int32_t>{2, 3, 4})) << "from the last plain click";
  ClickRow(7, {"Shift_L", "Control_L"});
  EXPECT_EQ(list->Selected(), (std::vector<int32_t>{2, 3, 4, 5, 6, 7})) << "added from row 4";
  EXPECT_EQ(recorder.Pairs(), 3);
  EXPECT_EQ(list->FocusRow(), 4);
  EXPECT_EQ(list->AnchorRow(), 7);
}

TEST_F(Input, AControlClickTurnsTheOnlyRowOffAndTheDragThatFollowsTurnsRowsOff) {
  Make(20);
  ClickRow(3);
  ClickRow(3, {"Control_L"});
  EXPECT_TRUE(list->Selected().empty());
  list->SelectRange(3, 8);
  recorder.Take();
  // From another row than the last click's, which would make a double click.
  gui.HoldKey("Control_L");
  DragThrough(4, {{X(), Y(6), [&] { return list->AnchorRow() == 6; }}});
  gui.ReleaseKey("Control_L");
  EXPECT_EQ(list->Selected(), (std::vector<int32_t>{3, 7, 8}));
  EXPECT_EQ(recorder.Pairs(), 1) << "one pair for the press and its drag";
}

TEST_F(Input, ADragBelowTheRowsMovesTheBar) {
  Make(60);
  list->ShowVerticalScrollBar();
  gui.Settle();
  DragThrough(1, {{X(), window->ScreenY(260), [&] { return list->TopRow() > 2; }}});
  EXPECT_EQ(list->VerticalBar()->GetValue(), list->TopRow());
  EXPECT_TRUE(list->IsRowSelected(1));
  EXPECT_EQ(list->Selected(), (std::vector<int32_t>{1})) << "no row under the pointer";
}

TEST_F(Input, AClickBelowTheRowsClearsWithOnePair) {
  Make(5);
  ClickRow(2);
  recorder.Take();
  gui.Click(X(), Y(8));
  ASSERT_TRUE(gui.PumpUntil([&] { return Count("Changed") > 0; }));
  gui.Settle();
  EXPECT_EQ(recorder.Take(), (std::vector<std::string>{"Changing", "Changed"}));
  EXPECT_TRUE(list->Selected().empty());
}

TEST_F(Input, DoubleClicksKeepToTheTimeThePlaceAndTheModifiers) {
  Make(20);
  ASSERT_EQ(DoubleClickTicks(), 48) << "the test's double-click time, 800 ms";
  gui.Click(X(), Y(2), 1, 2);
  ASSERT_TRUE(gui.PumpUntil([&] { return Count("DoubleClick") == 1; }));
  // After the time: two single clicks.
  ClickRow(4);
  const int32_t start = TickCount();
  ASSERT_TRUE(gui.PumpUntil([&] { return TickCount() - start > DoubleClickTicks() + 6; }));
  ClickRow(4);
  // Five pixels apart, then with other modifiers.
  ClickRow(6);
  ClickRow(6, {}, 5);
  ClickRow(8);
  ClickRow(8, {"Shift_L"});
  EXPECT_EQ(Count("DoubleClick"), 1);
  // A press dragged to another row and back before the release, then a click on its row.
  DragThrough(10, {{X(), Y(11), [&] { return list->AnchorRow() == 11; }},
                   {X(), Y(10), [&] { return list->AnchorRow() == 10; }}});
  ClickRow(10);
  EXPECT_EQ(Count("DoubleClick"), 1);
}

TEST_F(Input, TheNavigationKeysMoveTheSelection) {
  Make(20);
  ClickRow(0);
  auto key = [&](const char* chord, std::vector<int32_t> expected) {
    recorder.Take();
    gui.Key(chord);
    EXPECT_TRUE(gui.PumpUntil([&] { return list->Selected() == expected; }))
        << chord << " gave " << list->Ranges();
  };
  key("End", {19});
  EXPECT_EQ(list->TopRow(), 8);
  key("Home", {0});
  EXPECT_EQ(list->TopRow(), 0);
  key("Page_Down", {11});
  EXPECT_EQ(list->TopRow(), 0) << "the first moves to the last visible row";
  key("Page_Down", {19});
  EXPECT_EQ(list->TopRow(), 8);
  key("Page_Up", {8});
  list->SelectRow(3, false);
  list->SelectRange(3, 6);
  key("Up", {3});
  list->SelectRange(3, 6);
  key("Down", {6});
  key("shift+Down", {6, 7});
  EXPECT_EQ(list->FocusRow(), 7);
}

TEST_F(Input, EndOnAShortListWithoutABarKeepsTheTopRow) {
  Make(3);
  ClickRow(0);
  gui.Key("End");
  ASSERT_TRUE(gui.PumpUntil([&] { return list->IsRowSelected(2); }));
  EXPECT_EQ(list->TopRow(), 0);
  ClickRow(1);
  EXPECT_EQ(list->Selected(), (std::vector<int32_t>{1}));
}

TEST_F(Input, ADelegateMayCloseTheWindowFromAClicksSelectionChanged) {
  Make(10);
  bool destroyed = false;
  list->destroyed = &destroyed;
  recorder.onChanged = [&] { window->window()->Close(); };
  window->closed = true;
  gui.Click(X(), Y(3));
  ASSERT_TRUE(gui.PumpUntil([&] { return destroyed; }));
  EXPECT_EQ(recorder.log.back(), "Changed");
}

TEST_F(Input, ADelegateMayCloseTheWindowFromDoubleClick) {
  Make(10);
  bool destroyed = false;
  list->destroyed = &destroyed;
  recorder.onDoubleClick = [&] { window->window()->Close(); };
  window->closed = true;
  gui.Click(X(), Y(3), 1, 2);
  ASSERT_TRUE(gui.PumpUntil([&] { return destroyed; }));
  EXPECT_EQ(recorder.log.back(), "DoubleClick");
}

}  // namespace
