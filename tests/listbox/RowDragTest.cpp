// Reordering rows by a drag, driven through the pane's drag-over and drop entries (the drag
// loop itself is the drag-and-drop layer's): non-adjacent rows dropped below the last, a
// hierarchical list leaving the move to DragReorderRows, a handler that takes the drop, a
// folder over its own subtree (grey line, no move), and a list changed between the drag's
// start and its drop; and real drags by XTest: rows dropped below the last, and EnableDrag with
// a DragRow handler that declines.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ListPaneFixtures.h"
#include "windows/DragAndDropGTK.h"

namespace {

using qvtest::Bounds;

class DragList : public qvtest::ScriptedList {
 public:
  using ScriptedList::ScriptedList;
  std::vector<std::string> reorders;
  bool takes = false;
  // DragRow: the rows it was raised for, what it answers, and what it does first.
  std::vector<int32_t> dragRows;
  bool dragRowAnswer = false;
  std::function<void()> onDragRow;

 protected:
  bool RaiseDragRow(RuntimeObject*, int32_t row) override {
    dragRows.push_back(row);
    if (onDragRow) onDragRow();
    return dragRowAnswer;
  }
  bool RaiseDragReorderRows(int32_t position, int32_t parent) override {
    reorders.push_back(std::to_string(position) + "," + std::to_string(parent));
    return takes;
  }
};

class RowDrag : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = std::make_unique<qvtest::ListWindow>(gui, 400, 300);
    list = new DragList(window->window(), Bounds(20, 20, 220, 323), true);
    list->enableDragReorder = true;
  }
  // Over row at depth (pane-relative), in its lower half when below.
  void Over(int32_t row, bool below, int32_t depth = 0) {
    const int32_t h = list->RowHeight(-1);
    const int32_t top = list->GetListRect().top - list->GetBounds().top;
    const int32_t y = top + h * row + (below ? h * 3 / 4 : h / 4);
    const int32_t left = list->GetListRect().left - list->GetBounds().left;
    const int32_t x = left + (list->hierarchical ? 20 + 12 * depth : 4) + 2;
    list->DragOver(x, y, nullptr, 0);
  }
  void Drop() {
    list->DropObject(nullptr, 0);
    list->EndReorder();
  }

  qvtest::GuiDriver gui;
  std::unique_ptr<qvtest::ListWindow> window;
  DragList* list = nullptr;
};

TEST_F(RowDrag, NonAdjacentRowsDroppedBelowTheLastMoveThereInOrderAndStaySelected) {
  for (const char* text : {"a", "b", "c", "d", "e", "f"}) list->Add(text);
  list->SelectRow(1, false);
  list->SetRowSelected(3, true);
  list->SetRowSelected(4, true);
  list->BeginReorder();
  Over(5, true);
  EXPECT_EQ(list->DropRow(), 6);
  EXPECT_TRUE(list->DropAllowed());
  Drop();
  EXPECT_EQ(list->Column0(), "a c f b d e");
  EXPECT_EQ(list->reorders, std::vector<std::string>{"3,-1"});
  for (int32_t row = 0; row < 6; ++row) EXPECT_EQ(list->IsRowSelected(row), row >= 3) << row;

  list->takes = true;  // DragReorderRows taking the drop: the rows stay
  list->SelectRow(0, false);
  list->BeginReorder();
  Over(2, false);
  EXPECT_EQ(list->DropRow(), 2);
  Drop();
  EXPECT_EQ(list->Column0(), "a c f b d e");
  EXPECT_EQ(list->reorders.back(), "1,-1");
}

TEST_F(RowDrag, AHierarchicalListLeavesTheMoveToItsHandlerAndRefusesAFolderIntoItself) {
  list->hierarchical = true;
  list->InvalidateTextHeight();
  list->Add("f", 0, 1);
  list->Add("c1", 1, -1);
  list->Add("c2", 1, -1);
  list->Add("g", 0, -1);
  list->SelectRow(3, false);
  list->BeginReorder();
  Over(1, false, 1);  // between f and c1, one level in: under f
  EXPECT_EQ(list->DropRow(), 1);
  EXPECT_EQ(list->DropDepth(), 1);
  EXPECT_TRUE(list->DropAllowed());
  Drop();
  EXPECT_EQ(list->reorders, std::vector<std::string>{"1,0"});
  EXPECT_EQ(list->Tree(), "f c1:1 c2:1 g") << "a hierarchical list moves nothing itself";

  list->SelectRow(0, false);
  list->BeginReorder();
  Over(1, true, 1);  // between c1 and c2: inside the dragged folder's own subtree
  EXPECT_EQ(list->DropRow(), 2);
  EXPECT_FALSE(list->DropAllowed());
  list->InvalidateCell(-1, -1);
  gui.Settle();
  const int32_t lineY = list->GetListRect().top + 2 * list->RowHeight(-1);
  const int x = window->ScreenX(list->GetListRect().left + 20 + 12 + 20);
  EXPECT_EQ(gui.Capture({x, window->ScreenY(lineY), 1, 1}).Pixel(0, 0), 0x888888u)
      << "the grey drop line";
  Drop();
  EXPECT_EQ(list->reorders.size(), 1u) << "no drop into its own subtree";
  EXPECT_EQ(list->Tree(), "f c1:1 c2:1 g");
}

TEST_F(RowDrag, ADropMovesNothingWhenTheDraggedRowsHoldOtherRecordsNow) {
  for (const char* text : {"a", "b", "c", "d"}) list->Add(text);
  list->SelectRow(1, false);
  list->BeginReorder();
  Over(3, true);
  list->DeleteRow(0);  // a Timer, say, while the drag runs
  Drop();
  EXPECT_EQ(list->Column0(), "b c d");
  EXPECT_TRUE(list->reorders.empty());
}

// Real input: the pointer pressed on a row, moved and released by XTest; the drag loop runs
// the steps handed to it from DragRow.
class RealRowDrag : public RowDrag {
 protected:
  int X() { return window->ScreenX(list->GetListRect().left + 30); }
  int Y(double row) {
    return window->ScreenY(list->GetListRect().top + int(list->RowHeight(-1) * row));
  }
  // Presses on row and moves the pointer 12 pixels along it, which starts the drag; returns
  // once the press has been handled and the button is up again. (A press that drags nothing
  // goes on selecting, so the pointer stays on the row.)
  void PressAndMove(int32_t row) {
    gui.MoveTo(X(), Y(row + 0.5));
    qvtest::FakeFirstButton(true);
    gui.MoveTo(X() + 12, Y(row + 0.5));
    EXPECT_TRUE(gui.PumpUntil([&] { return released && !list->IsReordering(); }));
    EXPECT_TRUE(gui.StepsDone());
  }
  // Inside the drag loop: to y in steps, until the list's drop row is dropRow, then the release.
  void DragTo(int y, int32_t dropRow) {
    const int from = Y(1.5);
    for (int k = 1; k <= 6; ++k) {
      gui.Meanwhile([this, from, y, k] { gui.MoveTo(X() + 12, from + (y - from) * k / 6); });
    }
    gui.Meanwhile([this, dropRow] {
      sawLoop = IsInternalDragActive();
      EXPECT_TRUE(gui.PumpUntil([&] { return list->DropRow() == dropRow; }));
    });
    Release();
  }
  void Release() {
    gui.Meanwhile([this] {
      qvtest::FakeFirstButton(false);
      released = true;
    });
  }

  bool released = false;
  bool sawLoop = false;
};

TEST_F(RealRowDrag, ThreeRowsDraggedBelowTheLastMoveThereInOrder) {
  for (const char* text : {"a", "b", "c", "d", "e", "f"}) list->Add(text);
  list->SelectRow(1, false);
  list->SetRowSelected(3, true);
  list->SetRowSelected(4, true);
  gui.Settle();
  list->onDragRow = [&] { DragTo(Y(7), 6); };
  PressAndMove(1);
  EXPECT_TRUE(sawLoop) << "the drag loop ran";
  EXPECT_EQ(list->dragRows, std::vector<int32_t>{1});
  EXPECT_EQ(list->reorders, std::vector<std::string>{"3,-1"});
  EXPECT_EQ(list->Column0(), "a c f b d e");
  for (int32_t row = 0; row < 6; ++row) EXPECT_EQ(list->IsRowSelected(row), row >= 3) << row;
}

TEST_F(RealRowDrag, EnableDragRunsTheDragOnlyWhenDragRowSaysSo) {
  list->enableDragReorder = false;
  list->enableDrag = true;
  for (const char* text : {"a", "b", "c", "d"}) list->Add(text);
  gui.Settle();
  // DragRow true: the loop runs (and the release inside it ends it).
  list->dragRowAnswer = true;
  list->onDragRow = [&] {
    gui.Meanwhile([&] { sawLoop = IsInternalDragActive(); });
    Release();
  };
  PressAndMove(1);
  EXPECT_TRUE(sawLoop);
  EXPECT_TRUE(list->IsRowSelected(1)) << "the pressed row became the selection";

  // DragRow false: nothing is dragged; the press goes on as a click.
  released = sawLoop = false;
  list->dragRowAnswer = false;
  list->onDragRow = [&] {
    gui.Meanwhile([&] { sawLoop = IsInternalDragActive(); });
    Release();
  };
  PressAndMove(2);
  EXPECT_FALSE(sawLoop) << "no drag loop";
  EXPECT_EQ(list->dragRows, (std::vector<int32_t>{1, 2}));
  EXPECT_TRUE(list->IsRowSelected(2) && list->SelectedRowCount() == 1);
  EXPECT_TRUE(list->reorders.empty());
  EXPECT_EQ(list->Column0(), "a b c d");
}

}  // namespace
