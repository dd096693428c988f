// What the Listbox class hands its pane and how the pane keeps its drawing current: the
// drag options, RequiresSelection's rule for clicks, Italic and Underline, hit tests of a list
// placed away from the window's corner, and the block of cells whose drawing is still valid.
#include <gtk/gtk.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <string>

#include "../controls/ControlFixtures.h"
#include "../controls/SimpleControlFixtures.h"
#include "core/RuntimeClass.h"
#include "listbox/ListboxClass.h"
#include "listbox/ValidCellBlock.h"
#include "support/RaisedExceptions.h"

namespace {

// Away from the window's corner, so that pane and window coordinates differ.
constexpr QV::Rect kPlace{40, 30, 240, 330};

stringStorage* Text(const char* s) {
  static std::deque<string> constants;
  return constants.emplace_back(s).Storage();
}

std::string Block(const ValidCellBlock& b) {
  if (b.IsEmpty()) return "empty";
  return std::to_string(b.firstRow) + "-" + std::to_string(b.lastRow) + " x " +
         std::to_string(b.firstColumn) + "-" + std::to_string(b.lastColumn);
}

// The changed cell's cut out of rows 0-9 by columns 0-3 (or the given block).
TEST(ValidCellBlockTest, ChangesCutTheBlockToARectangleWithoutThem) {
  struct Case {
    int32_t rows[2], columns[2];
    int32_t row, column;
    const char* after;
  } cases[] = {
      {{0, 9}, {0, 3}, 9, 1, "0-9 x 2-3"},   // far in rows, central in columns: columns go
      {{0, 9}, {0, 3}, 0, -1, "1-9 x 0-3"},  // a whole row at the top
      {{0, 9}, {0, 3}, 9, -1, "0-8 x 0-3"},  // ... at the bottom
      {{0, 9}, {0, 3}, -1, 3, "0-9 x 0-2"},  // a whole column at the right
      {{0, 9}, {0, 3}, -1, 0, "0-9 x 1-3"},
      {{0, 9}, {0, 3}, 4, 0, "5-9 x 0-3"},   // central in rows, off in columns: rows go
      {{0, 9}, {0, 3}, 1, 2, "0-9 x 0-1"},
      {{0, 9}, {0, 3}, -1, -1, "empty"},
      {{0, 9}, {0, 3}, 50, 0, "0-9 x 0-3"},  // outside: untouched
      {{0, 9}, {0, 3}, 2, 7, "0-9 x 0-3"},
      {{5, 5}, {2, 2}, 5, 2, "empty"},       // the only cell
      {{5, 5}, {2, 2}, -1, 2, "empty"},
      {{5, 5}, {2, 2}, 5, -1, "empty"},
      {{-1, -1}, {-1, -1}, 3, 3, "empty"},   // nothing valid stays so
      // Every row by 256 columns: the products need 64 bits.
      {{0, std::numeric_limits<int32_t>::max() - 1}, {0, 255}, 7, 200, "0-2147483646 x 0-199"},
      {{0, std::numeric_limits<int32_t>::max() - 1}, {0, 255}, 1073741822, 0,
       "1073741823-2147483646 x 0-255"},
  };
  for (const Case& c : cases) {
    ValidCellBlock block;
    block.Set(c.rows[0], c.rows[1], c.columns[0], c.columns[1]);
    block.Cut(c.row, c.column);
    EXPECT_EQ(Block(block), c.after) << "cut (" << c.row << ", " << c.column << ") of "
                                     << c.rows[0] << "-" << c.rows[1];
  }
  ValidCellBlock reversed;
  reversed.Set(4, 3, 0, 1);
  EXPECT_TRUE(reversed.IsEmpty());
  // Everything from a row (column) on: the block keeps what lies before it.
  ValidCellBlock from;
  from.Set(2, 9, 0, 3);
  from.CutRowsFrom(12);
  EXPECT_EQ(Block(from), "2-9 x 0-3");
  from.CutRowsFrom(5);
  from.CutColumnsFrom(3);
  EXPECT_EQ(Block(from), "2-4 x 0-2");
  from.CutRowsFrom(2);
  EXPECT_TRUE(from.IsEmpty());
}

class ListboxPaneState : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = kit.OpenAndFocus(gui, "List panes", {}, &xid);
  }
  RuntimeObject* Open(const std::function<void(RuntimeObject*)>& setup = nullptr) {
    static RuntimeClass* cls = qvtest::MouseLoggingSubclass("Listbox", "StateList");
    RuntimeObject* list = qvtest::AddControl(window, cls, "List", kPlace, setup);
    EXPECT_NE(list, nullptr);
    return list;
  }
  void AddRows(RuntimeObject* list, int count) {
    for (int i = 0; i < count; ++i) {
      RuntimeListAddRow(list, Text(("row " + std::to_string(i)).c_str()));
    }
  }
  // A click at (x, y) of the pane's own coordinates; returns once the list handled the press.
  void ClickInList(RuntimeListbox* pane, int x, int y, const std::string& modifier = "") {
    const QV::Rect& b = pane->GetBounds();
    const qvtest::ScreenPoint p = qvtest::ContentToScreen(gui, xid, window, b.left + x, b.top + y);
    kit.Take();
    if (!modifier.empty()) gui.HoldKey(modifier);
    gui.Click(p.x, p.y);
    if (!modifier.empty()) gui.ReleaseKey(modifier);
    EXPECT_TRUE(gui.PumpUntil([&] { return !kit.log.empty(); })) << "the press reached the list";
  }
  // Waits until the pane drew its rows since the last change.
  bool WaitForDrawing(RuntimeListbox* pane) {
    return gui.PumpUntil([&] { return !pane->NeedsRedraw(); });
  }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  qvtest::RaisedExceptions raised;
  RuntimeObject* window = nullptr;
};

// EnableDrag and EnableDragReorder reach the pane whether set before or after it exists.
TEST_F(ListboxPaneState, DragOptionsReachThePane) {
  RuntimeObject* list = Open([](RuntimeObject* held) { listEnableDragSetter(held, 0, 1); });
  ASSERT_NE(list, nullptr);
  RuntimeListbox* pane = ListboxPaneOf(list);
  EXPECT_TRUE(pane->enableDrag);
  EXPECT_FALSE(pane->enableDragReorder);
  ListEnableDragReorderSetter(list, 0, 1);
  listEnableDragSetter(list, 0, 0);
  EXPECT_FALSE(pane->enableDrag);
  EXPECT_TRUE(pane->enableDragReorder);
  EXPECT_EQ(AsListbox(list)->enableDrag, 0);
  EXPECT_EQ(AsListbox(list)->enableDragReorder, 1);
}

// With RequiresSelection a click below the rows or a control-click on the only selected row
// leaves the row selected; without it both clear the selection.
TEST_F(ListboxPaneState, RequiresSelectionKeepsTheLastSelectedRowUnderClicks) {
  for (const bool required : {false, true}) {
    SCOPED_TRACE(required ? "required" : "not required");
    RuntimeObject* list = Open([&](RuntimeObject* held) {
      listSelectionTypeSetter(held, 0, 1);
      listRequiresSelectionSetter(held, 0, required);
    });
    ASSERT_NE(list, nullptr);
    RuntimeListbox* pane = ListboxPaneOf(list);
    AddRows(list, 3);
    EXPECT_EQ(pane->requiresSelection, required);
    listSelectionSetter(list, 0, 1);
    ASSERT_TRUE(WaitForDrawing(pane));
    const int32_t rowHeight = pane->RowHeight(-1);
    const int32_t top = pane->GetListRect().top - pane->GetBounds().top;
    ClickInList(pane, 20, top + 5 * rowHeight);  // empty space below the three rows
    EXPECT_EQ(listSelectionGetter(list, 0), required ? 1 : -1);

    listSelectionSetter(list, 0, 2);
    ClickInList(pane, 20, top + 2 * rowHeight + rowHeight / 2, "Control_L");
    EXPECT_EQ(pane->AnchorRow(), 2);
    EXPECT_EQ(listSelCountGetter(list, 0), required ? 1 : 0);
    // Code may still clear it.
    listSelectionSetter(list, 0, -1);
    EXPECT_EQ(listSelCountGetter(list, 0), 0);
    ControlClose(list);
  }
}

// Italic and Underline reach the pane's style and change the drawn text.
TEST_F(ListboxPaneState, ItalicAndUnderlineChangeTheDrawnText) {
  RuntimeObject* list = Open([](RuntimeObject* held) { listItalicSetter(held, 0, 1); });
  ASSERT_NE(list, nullptr);
  RuntimeListbox* pane = ListboxPaneOf(list);
  EXPECT_EQ(pane->listStyle, 2u);
  AddRows(list, 3);
  listItalicSetter(list, 0, 0);
  ASSERT_TRUE(WaitForDrawing(pane));
  gui.Settle();
  qvtest::ContentPixels content(window);
  const QV::Rect rows = {int16_t(kPlace.top + 2), int16_t(kPlace.left + 2),
                         int16_t(kPlace.top + 2 + 3 * pane->RowHeight(-1)),
                         int16_t(kPlace.right - 2)};
  const qvtest::Screenshot plain = content.Read(rows);
  listUnderlineSetter(list, 0, 1);
  EXPECT_EQ(pane->listStyle, 4u);
  ASSERT_TRUE(gui.PumpUntil([&] { return content.Read(rows).DifferingPixels(plain) > 20; }))
      << "underlined rows are drawn anew";
  listUnderlineSetter(list, 0, 0);
  listItalicSetter(list, 0, 1);
  EXPECT_EQ(pane->listStyle, 2u);
  ASSERT_TRUE(gui.PumpUntil([&] { return content.Read(rows).DifferingPixels(plain) > 20; }))
      << "italic rows are drawn anew";
  EXPECT_EQ(listUnderlineGetter(list, 0), 0);
  EXPECT_EQ(listItalicGetter(list, 0), 1);
}

// RowFromXY and ColumnFromXY take points of the list; its first pixels name the first cell,
// with a heading too, a click there selects that row, and one on the header's first pixels
// presses column 0.
TEST_F(ListboxPaneState, HitTestsOfAListAwayFromTheWindowsCorner) {
  for (const bool heading : {false, true}) {
    SCOPED_TRACE(heading ? "with heading" : "without heading");
    RuntimeObject* list = Open([&](RuntimeObject* held) {
      listColumnCountSetter(held, 0, 2);
      listHasHeadingSetter(held, 0, heading);
      listColumnWidthsSetter(held, 0, Text("60, *"));
    });
    ASSERT_NE(list, nullptr);
    RuntimeListbox* pane = ListboxPaneOf(list);
    AddRows(list, 20);
    const QV::Rect area = pane->GetListRect();
    const QV::Rect& b = pane->GetBounds();
    const int32_t left = area.left - b.left;  // the row area in the list's coordinates
    const int32_t top = area.top - b.top;
    EXPECT_EQ(listRowFromXY(list, left, top), 0);
    EXPECT_EQ(listColFromXY(list, left, top), 0);
    EXPECT_EQ(listRowFromXY(list, left, top - 1), -1);
    EXPECT_EQ(listRowFromXY(list, left - 1, top), -1);
    EXPECT_EQ(listColFromXY(list, left + 59, top), 0);
    EXPECT_EQ(listColFromXY(list, left + 60, top), 1);
    EXPECT_EQ(listRowFromXY(list, left + 1, top + pane->RowHeight(-1)), 1);
    ASSERT_TRUE(WaitForDrawing(pane));
    ClickInList(pane, left + 1, top + 1);
    EXPECT_EQ(listSelectionGetter(list, 0), 0) << "a click on the first pixels selects row 0";
    if (heading) {
      // The header's first pixels press column 0's button, which sorts by it.
      listHeadingIndexSetter(list, 0, -1);
      ASSERT_EQ(listSortedColumnGetter(list, 0), -1);
      ASSERT_NE(pane->HeaderButton(0), nullptr) << "a heading held before the pane is shown";
      const QV::Rect button = pane->HeaderButton(0)->GetBounds();
      EXPECT_EQ(button.left, area.left);
      const qvtest::ScreenPoint p = qvtest::ContentToScreen(gui, xid, window, area.left + 1,
                                                            (button.top + button.bottom) / 2);
      gui.Click(p.x, p.y);
      EXPECT_TRUE(gui.PumpUntil([&] { return listSortedColumnGetter(list, 0) == 0; }));
    }
    ControlClose(list);
  }
}

// Drawing the whole row area makes its cells valid; changes cut them out and repaint only
// their own area; an index below -1 raises and changes nothing.
TEST_F(ListboxPaneState, InvalidatedCellsLeaveTheValidBlockAndAreRepainted) {
  RuntimeObject* list = Open([](RuntimeObject* held) { listColumnCountSetter(held, 0, 4); });
  ASSERT_NE(list, nullptr);
  RuntimeListbox* pane = ListboxPaneOf(list);
  listColumnWidthsSetter(list, 0, Text("50, 50, 50, *"));
  AddRows(list, 40);
  pane->InvalidateCell(-1, -1);
  ASSERT_TRUE(WaitForDrawing(pane));
  const ValidCellBlock drawn = pane->ValidBlock();
  ASSERT_FALSE(drawn.IsEmpty());
  EXPECT_EQ(drawn.firstRow, 0);
  EXPECT_EQ(drawn.firstColumn, 0);
  EXPECT_EQ(drawn.lastColumn, 3);
  const QV::Rect area = pane->GetListRect();
  const int32_t rowHeight = pane->RowHeight(-1);
  EXPECT_EQ(drawn.lastRow, (area.bottom - area.top + rowHeight - 1) / rowHeight - 1);

  GdkWindow* gdkWindow = pane->GetGdkWindow();
  ASSERT_NE(gdkWindow, nullptr);
  gui.Settle();
  if (GdkRegion* pending = gdk_window_get_update_area(gdkWindow)) gdk_region_destroy(pending);
  pane->InvalidateCell(2, 1);
  EXPECT_TRUE(pane->NeedsRedraw());
  EXPECT_EQ(Block(pane->ValidBlock()), "0-" + std::to_string(drawn.lastRow) + " x 2-3");
  GdkRegion* update = gdk_window_get_update_area(gdkWindow);
  ASSERT_NE(update, nullptr) << "an open, visible list asks to be drawn";
  GdkRectangle box;
  gdk_region_get_clipbox(update, &box);
  gdk_region_destroy(update);
  // Column 1 of row 2, give or take the border pixels, in window coordinates.
  EXPECT_EQ(box.x, pane->ColumnLeft(1) - 2);
  EXPECT_EQ(box.width, pane->ColumnRight(1) - pane->ColumnLeft(1) + 4);
  EXPECT_GT(box.height, 0);
  EXPECT_LE(box.height, rowHeight);

  const std::string before = Block(pane->ValidBlock());
  pane->InvalidateCell(-2, 0);
  EXPECT_EQ(raised.Take(), (std::vector<std::string>{"OutOfBoundsException"}));
  EXPECT_EQ(Block(pane->ValidBlock()), before);
  pane->InvalidateRow(0);
  EXPECT_EQ(pane->ValidBlock().firstRow, 1);
  pane->InvalidateCell(-1, -1);
  EXPECT_TRUE(pane->ValidBlock().IsEmpty());
  ASSERT_TRUE(WaitForDrawing(pane));
  EXPECT_EQ(Block(pane->ValidBlock()), Block(drawn));
}

}  // namespace
