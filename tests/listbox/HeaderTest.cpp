// The header by real input: a column edge dragged with the mouse follows the pointer and stops
// at the column's bounds, the edge of a collapsed column pulls it open, the cursor over an edge
// tells which way it can move, a click on a heading asks for a sort once and a second turns
// the triangle, headings come from one Tab text, and handlers of HeaderPressed that close the
// window (the sanitizer build runs these).
#include <gtest/gtest.h>

#include <memory>

#include "ListFixtures.h"
#include "windows/CursorHandle.h"

namespace {

using qvtest::Bounds;

class Header : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = std::make_unique<qvtest::ListWindow>(gui, 400, 300);
    list = new qvtest::TestList(&recorder, window->window(), Bounds(20, 20, 220, 323), true);
    qvtest::GiveThreeHeadedColumns(list);
    gui.Settle();
  }
  // The middle of the header strip, in window content coordinates.
  int HeaderY() {
    const QV::Rect b = list->HeaderButton(0)->GetBounds();
    return (b.top + b.bottom) / 2;
  }
  // Drags column i's right edge to x (window content coordinates).
  void DragEdge(int i, int x) {
    const int edge = list->ColumnRight(i) - 1;
    gui.MoveTo(window->ScreenX(edge), window->ScreenY(HeaderY()));
    qvtest::FakeFirstButton(true);
    // The button is let go whatever happens, so that no later test starts with it held.
    if (gui.PumpUntil([&] { return list->ResizeColumn() >= 0; })) {
      gui.MoveTo(window->ScreenX(x), window->ScreenY(HeaderY()));
      window->WaitForDragPasses(gui);
    } else {
      ADD_FAILURE() << "the edge of column " << i << " was not taken";
    }
    qvtest::FakeFirstButton(false);
    EXPECT_TRUE(gui.PumpUntil([&] { return !list->headerTracking; }));
    gui.Settle();
  }
  int CursorShape() {
    const CursorHandle* current = GetCurrentCursor();
    return current && current->cursor ? int(gdk_cursor_get_cursor_type(current->cursor)) : -1;
  }

  qvtest::GuiDriver gui;
  qvtest::ListRecorder recorder;  // outlives the window, whose lists it hears
  std::unique_ptr<qvtest::ListWindow> window;
  qvtest::TestList* list = nullptr;
};

TEST_F(Header, TheTrailingFillerOfAFullListStartsWhereTheLastColumnEnds) {
  list->SetColumnCount(64);
  for (int i = 0; i < 64; ++i) list->SetWidthExpression(i, string("4"));
  list->ResolveColumnWidths();
  list->BuildHeader();
  ASSERT_NE(list->HeaderButton(64), nullptr);
  EXPECT_EQ(list->HeaderButton(64)->GetBounds().left, list->ColumnRight(63) - 1);
  EXPECT_EQ(list->HeaderButton(64)->GetBounds().right, list->GetListRect().right);
  EXPECT_EQ(list->HeaderButton(64)->Caption().Length(), 0);
}

TEST_F(Header, DraggingAnEdgeFollowsThePointerAndStopsAtTheBounds) {
  list->SetMinWidthExpression(0, string("50"));
  list->SetMaxWidthExpression(0, string("150"));
  DragEdge(0, list->ColumnRight(0) - 1 + 20);
  EXPECT_EQ(list->ColumnWidth(0), 120);
  EXPECT_EQ(list->ColumnLeft(1), list->ColumnLeft(0) + 120);
  EXPECT_EQ(list->HeaderButton(1)->GetBounds().left, list->ColumnLeft(1) - 1) << "rebuilt";
  DragEdge(0, list->ColumnRight(0) + 80);
  EXPECT_EQ(list->ColumnWidth(0), 150) << "held at the maximum";
  DragEdge(0, list->ColumnLeft(0) + 5);
  EXPECT_EQ(list->ColumnWidth(0), 50) << "held at the minimum";
  EXPECT_FALSE(list->headerTracking);
  EXPECT_STREQ(list->GetWidthExpression(0).CString(), "50");
  EXPECT_EQ(recorder.log.front(), "HeaderClick");
  EXPECT_EQ(recorder.log.back(), "Width(0)");
}

TEST_F(Header, TheEdgeOfACollapsedResizableColumnPullsItOpen) {
  list->SetWidthExpression(1, string("0"));
  list->ResolveColumnWidths();
  ASSERT_EQ(list->ColumnRight(0), list->ColumnRight(1));
  EXPECT_EQ(list->HitTestHeader(list->ColumnRight(0) - 1, HeaderY()).column, 1);
  DragEdge(0, list->ColumnRight(0) - 1 + 30);
  EXPECT_EQ(list->ColumnWidth(0), 100);
  EXPECT_EQ(list->ColumnWidth(1), 30);
  // A column that cannot be resized leaves the edge to the one before it.
  list->SetWidthExpression(1, string("0"));
  list->ResolveColumnWidths();
  list->SetColumnsResizable(false);
  EXPECT_EQ(list->HitTestHeader(list->ColumnRight(0) - 1, HeaderY()).column, 0);
  EXPECT_FALSE(list->HitTestHeader(list->ColumnRight(0) - 1, HeaderY()).edge);
}

TEST_F(Header, TheCursorOverAnEdgeShowsWhichWayTheColumnCanMove) {
  list->SetMinWidthExpression(1, string("100"));
  list->SetMaxWidthExpression(2, string("100"));
  const int y = HeaderY();
  // The pointer moved there for real: the window shows the cursor the header chose on the
  // move before, so it moves twice within each place, and the server's cursor is read back.
  auto shownAt = [&](int x) {
    gui.MoveTo(window->ScreenX(x - 1), window->ScreenY(y));
    gui.MoveTo(window->ScreenX(x), window->ScreenY(y));
    gui.Settle();
    return qvtest::ShownCursorImage();
  };
  const std::vector<uint32_t> arrow = shownAt(list->ColumnLeft(1) + 40);
  EXPECT_EQ(CursorShape(), -1) << "inside a heading: the list's own cursor";
  const std::vector<uint32_t> both = shownAt(list->ColumnRight(0) - 1);
  EXPECT_EQ(CursorShape(), GDK_SB_H_DOUBLE_ARROW);
  const std::vector<uint32_t> grow = shownAt(list->ColumnRight(1) - 1);
  EXPECT_EQ(CursorShape(), GDK_RIGHT_SIDE) << "at its minimum: it can only grow";
  const std::vector<uint32_t> shrink = shownAt(list->ColumnRight(2) - 1);
  EXPECT_EQ(CursorShape(), GDK_LEFT_SIDE) << "at its maximum: it can only shrink";
  ASSERT_FALSE(arrow.empty());
  EXPECT_NE(both, arrow);
  EXPECT_NE(grow, both);
  EXPECT_NE(shrink, grow);
  EXPECT_NE(shrink, both);
  list->HeaderMouseExit();
  EXPECT_EQ(CursorShape(), -1);
}

TEST_F(Header, AClickOnAHeadingAsksOnceAndASecondTurnsTheTriangle) {
  BevelButton* size = list->HeaderButton(1);
  const QV::Rect b = size->GetBounds();
  const int x = window->ScreenX(b.left + 20);
  const int y = window->ScreenY(HeaderY());
  const qvtest::ScreenArea triangle = {window->ScreenX(b.right - 16), window->ScreenY(b.top + 2),
                                       12, b.bottom - b.top - 4};
  const qvtest::Screenshot before = gui.Capture(triangle);
  gui.Click(x, y);
  ASSERT_TRUE(gui.PumpUntil([&] { return recorder.log.size() >= 2; }));
  gui.Settle();
  EXPECT_EQ(recorder.Take(), (std::vector<std::string>{"HeaderClick", "HeaderPressed(1)"}));
  EXPECT_EQ(list->SortDirection(1), 1);
  qvtest::Screenshot up;
  ASSERT_TRUE(gui.PumpUntil([&] {
    up = gui.Capture(triangle);
    return up.DifferingPixels(before, 16) > 10;
  })) << "a triangle appears";
  gui.Click(x, y);
  ASSERT_TRUE(gui.PumpUntil([&] { return recorder.log.size() >= 2; }));
  EXPECT_EQ(list->SortDirection(1), -1);
  EXPECT_TRUE(gui.PumpUntil([&] { return gui.Capture(triangle).DifferingPixels(up, 16) > 10; }))
      << "the triangle turned";
  // Another column: the first button lets go of its triangle.
  list->SetSortedColumn(2);
  EXPECT_EQ(size->GetValue(), 0);
  EXPECT_EQ(list->HeaderButton(2)->GetValue(), 1);
}

TEST_F(Header, HeadingsComeFromOneTabTextAndEmptyOnesShowTheirNumber) {
  list->SetColumnCount(4);
  list->SetHeading(-1, string("Name\tsize\t\tDate\rignored"));
  EXPECT_STREQ(list->Heading(0).CString(), "Name");
  EXPECT_STREQ(list->Heading(1).CString(), "size");
  EXPECT_STREQ(list->Heading(2).CString(), "2");
  EXPECT_STREQ(list->Heading(3).CString(), "Date");
  EXPECT_STREQ(list->HeaderButton(2)->Caption().CString(), "2");
  EXPECT_STREQ(list->HeaderButton(1)->Caption().CString(), "Size")
      << "a change of letter case leaves the caption";
  list->SetHeading(0, string());
  EXPECT_STREQ(list->HeaderButton(0)->Caption().CString(), "0");
  list->SetColumnCount(1);
  list->SetHeading(-1, string("One\tTwo"));
  EXPECT_STREQ(list->Heading(0).CString(), "One\tTwo");
}

TEST_F(Header, AHandlerMayCloseTheWindowFromAClickOnAHeading) {
  bool destroyed = false;
  list->destroyed = &destroyed;
  recorder.onHeaderPressed = [&] { window->window()->Close(); };
  window->closed = true;
  const QV::Rect b = list->HeaderButton(0)->GetBounds();
  gui.Click(window->ScreenX(b.left + 20), window->ScreenY(HeaderY()));
  ASSERT_TRUE(gui.PumpUntil([&] { return destroyed; }));
  EXPECT_EQ(recorder.log.back(), "HeaderPressed(0)");
}

TEST_F(Header, AHandlerMayCloseTheWindowFromSetSortedColumn) {
  bool destroyed = false;
  list->destroyed = &destroyed;
  recorder.onHeaderPressed = [&] { window->window()->Close(); };
  window->closed = true;
  list->headerDirty = true;
  list->SetSortedColumn(2);
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(recorder.log, (std::vector<std::string>{"HeaderPressed(2)"}));
}

}  // namespace
