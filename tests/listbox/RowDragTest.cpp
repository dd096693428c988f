// Reordering rows by a drag, driven through the pane's drag-over and drop entries (the drag
// loop itself is the drag-and-drop layer's): non-adjacent rows dropped below the last, a
// hierarchical list leaving the move to DragReorderRows, a handler that takes the drop, a
// folder over its own subtree (grey line, no move), and a list changed between the drag's
// start and its drop.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ListPaneFixtures.h"

namespace {

using qvtest::Bounds;

class DragList : public qvtest::ScriptedList {
 public:
  using ScriptedList::ScriptedList;
  std::vector<std::string> reorders;
  bool takes = false;

 protected:
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

}  // namespace
