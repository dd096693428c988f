// Rows, scroll bars and the selection without the mouse: bars that hide and show with the row
// count, the row area and header they narrow, a bar value kept beyond a shrunken range, the
// horizontal steps, scrolling while a drag hovers near an edge; the selection's range
// arithmetic for selecting, inserting and removing rows, the notices each operation sends,
// and the distance the delegate is told when the list scrolls.
#include <gtest/gtest.h>

#include <memory>

#include "ListFixtures.h"

namespace {

using qvtest::Bounds;

// Adds the sum of the columns as its content width, as the derived lists do.
class WideList : public qvtest::TestList {
 public:
  using TestList::TestList;
  int32_t TotalColumnWidth() override { return ScrollingListbox::TotalColumnWidth(); }
};

class RowsAndBars : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = std::make_unique<qvtest::ListWindow>(gui, 400, 300);
  }
  // 200 high: 197 pixels of rows, 12 rows of 16.
  WideList* Make(int rows, bool multiple = true) {
    auto* list = new WideList(&recorder, window->window(), Bounds(20, 20, 220, 323), multiple);
    list->RowsInserted(0, rows);
    recorder.Take();
    return list;
  }

  qvtest::GuiDriver gui;
  qvtest::ListRecorder recorder;  // outlives the window, whose lists it hears
  std::unique_ptr<qvtest::ListWindow> window;
};

TEST_F(RowsAndBars, AVerticalBarHidesWithFewRowsUnlessAutoHideIsOff) {
  WideList* list = Make(3);
  EXPECT_EQ(list->VisibleRowCount(), 12);
  const QV::Rect wide = list->GetListRect();
  list->ShowVerticalScrollBar();
  ASSERT_NE(list->VerticalBar(), nullptr);
  EXPECT_FALSE(list->VerticalBar()->IsVisible());
  EXPECT_FALSE(list->HasVerticalScrollBar());
  EXPECT_EQ(list->GetListRect().right, wide.right);
  list->SetAutoHide(false);
  list->UpdateScrollBarsAndLayout();
  EXPECT_TRUE(list->VerticalBar()->IsVisible());
  EXPECT_TRUE(list->HasVerticalScrollBar());
  EXPECT_EQ(list->VerticalBar()->GetMaximum(), 0);
  list->SetAutoHide(true);
  list->RowsInserted(3, 40);
  list->UpdateScrollBars();
  EXPECT_TRUE(list->VerticalBar()->IsVisible());
  EXPECT_EQ(list->VerticalBar()->GetMaximum(), 43 - 12);
  EXPECT_EQ(list->VerticalBar()->GetPageStep(), 11);
}

TEST_F(RowsAndBars, TheVerticalBarNarrowsRowsAndHeaderByEighteenPixels) {
  WideList* list = Make(50);
  list->BuildHeader();
  const QV::Rect rows = list->GetListRect();
  const QV::Rect header = list->GetHeaderRect();
  list->ShowVerticalScrollBar();
  ASSERT_TRUE(list->HasVerticalScrollBar());
  EXPECT_EQ(list->GetListRect().right, rows.right - 18);
  EXPECT_EQ(list->GetHeaderRect().right, header.right - 18);
  EXPECT_EQ(list->VerticalBar()->GetBounds().top, 20) << "beside the header";
  EXPECT_EQ(list->VerticalBar()->GetBounds().left, 323 - 16);
}

TEST_F(RowsAndBars, ResizingTheListResolvesItsStarsAndMovesItsBar) {
  WideList* list = Make(50);
  list->ShowVerticalScrollBar();
  list->ResolveColumnWidths();
  list->SetBounds(Bounds(20, 20, 220, 383), true);
  EXPECT_EQ(list->VerticalBar()->GetBounds().left, 383 - 16);
  EXPECT_EQ(list->ColumnWidth(0), 363 - 3 - 18);
  EXPECT_EQ(list->GetListRect().right, 383 - 2 - 18);
}

TEST_F(RowsAndBars, ABarValueBeyondAShrunkenRangeIsKept) {
  WideList* list = Make(100);
  list->ShowVerticalScrollBar();
  list->VerticalBar()->SetValue(85);
  EXPECT_EQ(list->TopRow(), 85);
  list->RowsRemoved(90, 10);
  list->UpdateScrollBars();
  EXPECT_EQ(list->VerticalBar()->GetMaximum(), 85);
  EXPECT_EQ(list->VerticalBar()->GetValue(), 85);
  list->VerticalBar()->SetValue(10);
  list->UpdateScrollBars();
  EXPECT_EQ(list->VerticalBar()->GetMaximum(), 90 - 12);
}

TEST_F(RowsAndBars, TheHorizontalBarStepsByThePageLessTwentyAndSixteenPixels) {
  WideList* list = Make(5);
  list->SetColumnCount(3);
  for (int i = 0; i < 3; ++i) list->SetWidthExpression(i, string("200"));
  list->ResolveColumnWidths();
  list->ShowHorizontalScrollBar();
  ASSERT_TRUE(list->HasHorizontalScrollBar());
  const int visible = 303 - 1 - 2;
  EXPECT_EQ(list->HorizontalBar()->GetPageStep(), visible - 20);
  EXPECT_EQ(list->HorizontalBar()->GetLineStep(), 16);
  EXPECT_EQ(list->HorizontalBar()->GetMaximum(), 600 - visible);
  EXPECT_EQ(list->GetListRect().bottom, 220 - 2 - 18);
  for (int i = 0; i < 3; ++i) list->SetWidthExpression(i, string("50"));
  list->ResolveColumnWidths();
  list->LayoutParts();
  EXPECT_FALSE(list->HasHorizontalScrollBar()) << "hidden once the columns fit";
}

TEST_F(RowsAndBars, ADragNearTheTopOrBottomEdgeScrollsOneLine) {
  WideList* list = Make(100);
  list->ShowVerticalScrollBar();
  list->VerticalBar()->SetValue(10);
  list->DragOver(40, 3);
  EXPECT_EQ(list->TopRow(), 9);
  list->DragOver(40, 100);
  EXPECT_EQ(list->TopRow(), 9);
  list->DragOver(40, list->Height() - 3);
  EXPECT_EQ(list->TopRow(), 10);
}

TEST_F(RowsAndBars, SelectingAdjacentRowsGrowsARangeAndOthersStaySeparate) {
  WideList* list = Make(10);
  list->SetRowSelected(3, true);
  list->SetRowSelected(4, true);
  EXPECT_EQ(list->Ranges(), "3+2");
  EXPECT_EQ(recorder.Pairs(), 2);
  list->SelectRow(-1, false);
  list->SetRowSelected(5, true);
  list->SetRowSelected(3, true);
  list->SetRowSelected(4, true);
  EXPECT_EQ(list->Ranges(), "3+2 5+1");
  EXPECT_EQ(list->Selected(), (std::vector<int32_t>{3, 4, 5}));
  EXPECT_EQ(list->SelectedRowCount(), 3);
  list->SetRowSelected(4, false);
  EXPECT_EQ(list->Selected(), (std::vector<int32_t>{3, 5}));
  list->SetRowSelected(99, true);
  list->SetRowSelected(3, true);
  EXPECT_EQ(list->Ranges(), "3+1 5+1") << "out of range and unchanged rows are ignored";
}

TEST_F(RowsAndBars, RemovingAndInsertingRowsFixesTheSelection) {
  WideList* list = Make(10);
  list->SelectRange(2, 7);
  EXPECT_EQ(recorder.Take(), (std::vector<std::string>{"Changing", "Changed"}));
  list->RowsRemoved(4, 2);
  EXPECT_EQ(list->Ranges(), "2+2 4+2");
  EXPECT_EQ(recorder.Take(), (std::vector<std::string>{"Changing", "Changed", "RowCount(4,8)"}));
  list->RowsRemoved(0, 1);
  EXPECT_EQ(list->Ranges(), "1+2 3+2");
  EXPECT_EQ(recorder.Take(), (std::vector<std::string>{"RowCount(0,7)"})) << "nothing touched";
  list->RowsRemoved(2, 0);
  EXPECT_TRUE(recorder.Take().empty());
  list->RowsInserted(7, 3);
  list->SelectRow(2, false);
  list->SelectRange(2, 7);
  recorder.Take();
  list->RowsInserted(4, 2);
  EXPECT_EQ(list->Ranges(), "2+2 6+4");
  EXPECT_EQ(list->RowCount(), 12);
  EXPECT_EQ(recorder.Take(), (std::vector<std::string>{"RowCount(4,0)"}));
  list->RowsRemoved(0, 12);
  EXPECT_EQ(list->Ranges(), "");
}

TEST_F(RowsAndBars, SelectAllSelectsNothingInASingleSelectionOrEmptyList) {
  WideList* single = Make(5, false);
  single->SelectAll();
  EXPECT_EQ(single->FirstSelectedRow(), -1);
  WideList* empty = Make(0);
  empty->SelectAll();
  EXPECT_EQ(empty->FirstSelectedRow(), -1);
  EXPECT_TRUE(recorder.Take().empty());
  WideList* list = Make(5);
  list->SelectAll();
  list->SelectAll();
  EXPECT_EQ(list->Ranges(), "0+5");
  EXPECT_EQ(recorder.Take(), (std::vector<std::string>{"Changing", "Changed"}));
  list->SelectRow(-1, false);
  EXPECT_EQ(recorder.Take(), (std::vector<std::string>{"Changing", "Changed"}));
  int32_t row = 2;
  EXPECT_FALSE(list->NextSelectedRow(row));
}

TEST_F(RowsAndBars, ScrollingTellsTheDelegateTheDistanceWithItsSign) {
  WideList* list = Make(100);
  list->ScrollToRow(5);
  EXPECT_EQ(recorder.Take(), (std::vector<std::string>{"Scrolled(-80)"}));
  list->ScrollToRow(2);
  EXPECT_EQ(recorder.Take(), (std::vector<std::string>{"Scrolled(48)"}));
  list->ScrollToRow(500);
  EXPECT_EQ(list->TopRow(), 100 - 12) << "without a bar the top row stays in range";
  list->ScrollToRow(0);
  list->ShowVerticalScrollBar();
  recorder.Take();
  list->VerticalBar()->SetValue(80);
  list->VerticalBar()->SetValue(72);
  EXPECT_EQ(recorder.Take(), (std::vector<std::string>{"Scrolled(-1280)", "Scrolled(128)"}));
  list->ScrollRowIntoView(95);
  EXPECT_EQ(list->TopRow(), 95 - 12 + 1);
  list->ScrollRowIntoView(3);
  EXPECT_EQ(list->TopRow(), 3);
  EXPECT_EQ(list->LastVisibleRow(), 3 + 12 - 1);
}

TEST_F(RowsAndBars, TheWheelScrollsWithinTheRows) {
  WideList* list = Make(30);
  EXPECT_TRUE(list->MouseWheel(0, 5));
  EXPECT_EQ(list->TopRow(), 5);
  list->MouseWheel(0, -9);
  EXPECT_EQ(list->TopRow(), 0);
  list->MouseWheel(0, 100);
  EXPECT_EQ(list->TopRow(), 30 - 12);
}

TEST_F(RowsAndBars, RowsAreHitFromTheTopRow) {
  WideList* list = Make(20);
  const QV::Rect area = list->GetListRect();
  RowHit hit = list->RowAtPoint(area.left + 5, area.top + 16 * 3 + 2);
  EXPECT_TRUE(hit.found);
  EXPECT_EQ(hit.row, 3);
  EXPECT_EQ(hit.yInRow, 2);
  list->ScrollToRow(4);
  EXPECT_EQ(list->RowAtPoint(area.left + 5, area.top + 1).row, 4);
  EXPECT_FALSE(list->RowAtPoint(area.left + 5, area.top - 1).found);
  const QV::Rect r = list->RowRangeRect(5, 2);
  EXPECT_EQ(r.top, area.top + 16);
  EXPECT_EQ(r.bottom, area.top + 48);
  list->RowsRemoved(6, 14);
  EXPECT_FALSE(list->RowAtPoint(area.left + 5, area.top + 16 * 3).found) << "past the last row";
}

// Rows of 16 whose heights are asked row by row, counting the questions.
class VariableHeightList : public WideList {
 public:
  VariableHeightList(qvtest::ListRecorder* recorder, SubPane* owner, const QV::Rect& bounds)
      : WideList(recorder, owner, bounds, true, false) {}
  int32_t RowHeight(int32_t row) override {
    ++asked;
    return WideList::RowHeight(row);
  }
  int64_t asked = 0;
};

// Invalidating a row of a long list walks the rows in view, not every row above it: filling
// a list row by row must not grow with the square of its length.
TEST_F(RowsAndBars, ARowFarBelowTheViewIsPlacedWithoutWalkingTheRowsAboveIt) {
  auto* list = new VariableHeightList(&recorder, window->window(), Bounds(20, 20, 220, 323));
  list->RowsInserted(0, 100000);
  const QV::Rect area = list->GetListRect();
  list->asked = 0;
  const QV::Rect far = list->RowRangeRect(99999, 1);
  const QV::Rect below = list->RowRangeRect(50000, 50000);
  EXPECT_LE(far.bottom, far.top);
  EXPECT_LE(below.bottom, below.top);
  EXPECT_LE(list->asked, 2 * 14) << "heights asked for rows out of view";
  // Rows in view still add up their heights, from the top row.
  list->ScrollToRow(99980);
  ASSERT_EQ(list->TopRow(), 99980);
  list->asked = 0;
  const QV::Rect r = list->RowRangeRect(99983, 2);
  EXPECT_EQ(r.top, area.top + 16 * 3);
  EXPECT_EQ(r.bottom, area.top + 16 * 5);
  EXPECT_LE(list->asked, 2 * 14);
  const QV::Rect rest = list->RowRangeRect(99985, 100);
  EXPECT_EQ(rest.top, area.top + 16 * 5);
  EXPECT_EQ(rest.bottom, area.bottom) << "cut at the view's bottom";
}

}  // namespace
