// The list-box pane's rows and cells: the bounds Cell and List check and the rows a whole-row
// assignment adds, the three forms of the text setter, the texts read back, column types and
// cell borders with their neighbours, and deletions re-entered from their own notifications.
#include <gtest/gtest.h>

#include "ListPaneFixtures.h"
#include "support/TestSupport.h"

namespace {

using qvtest::ListPane;
using qvtest::ScriptedList;

std::string Text(ScriptedList* list, int32_t row, int32_t column) {
  return list->GetCellText(true, row, column).CString();
}

TEST_F(ListPane, CellNeedsAnExistingRowWhileListAddsRows) {
  ScriptedList* list = Make();
  list->Add("a");
  list->Add("b");
  list->SetCellText(2, 0, string("x"), false);
  EXPECT_EQ(raised.TakeOne(), "OutOfBoundsException");
  EXPECT_EQ(list->RowCount(), 2);
  list->SetCellText(2, -1, string("x"), false);
  EXPECT_EQ(list->RowCount(), 3);
  EXPECT_EQ(Text(list, 2, 0), "x");
  list->SetCellText(5, -1, string("y"), false);
  EXPECT_EQ(list->RowCount(), 6) << "empty rows fill the gap";
  EXPECT_EQ(Text(list, 5, 0), "y");
  EXPECT_EQ(raised.Take().size(), 0u);

  for (auto [row, column] : {std::pair{-2, 0}, {0, -2}, {0, 256}, {6, 0}}) {
    list->SetCellText(row, column, string("z"), false);
    EXPECT_EQ(raised.TakeOne(), "OutOfBoundsException") << row << "," << column;
    EXPECT_EQ(list->GetCellText(true, row, column).CString(), std::string());
    EXPECT_EQ(raised.TakeOne(), "OutOfBoundsException") << row << "," << column;
  }
  // Column 255 is a cell of its own, not column 255 & 0xFF of another.
  list->SetCellText(0, 255, string("far"), false);
  EXPECT_EQ(Text(list, 0, 255), "far");
  EXPECT_EQ(Text(list, 0, 0), "a");

  list->SetCellText(-1, -1, string(), false);
  EXPECT_EQ(list->RowCount(), 0);
}

TEST_F(ListPane, BadRowsAreReportedAndChangeNothing) {
  ScriptedList* list = Make();
  list->Add("a");
  qvtest::ReportCapture reports;
  EXPECT_EQ(list->RowEntryAt(1), nullptr);
  EXPECT_EQ(list->RowEntryAt(-1), nullptr);
  EXPECT_EQ(list->FindCell(0, 256, true), nullptr);
  EXPECT_EQ(list->RowDepth(7), 0);
  EXPECT_EQ(list->InsertRow(2, nullptr, 0, -1), -1);
  EXPECT_EQ(list->InsertRow(-1, nullptr, 0, -1), -1);
  EXPECT_EQ(list->RowCount(), 1) << "the engine's count is untouched";
  list->DeleteRow(3);
  list->SetRowPicture(4, nullptr);
  EXPECT_EQ(list->RowCount(), 1);
  EXPECT_GE(reports.count(), 7u);
}

TEST_F(ListPane, InitialValueTakesAHeadingLineAndLeavesTheColumnCount) {
  ScriptedList* list = Make();
  list->hasHeading = true;
  list->SetColumnCount(2);
  list->SetCellText(-1, -1, string("Name\tSize\none\t1\ntwo\t2\t9"), true);
  EXPECT_EQ(list->Heading(0).CString(), std::string("Name"));
  EXPECT_EQ(list->Heading(1).CString(), std::string("Size"));
  EXPECT_EQ(list->Column0(), "one two");
  EXPECT_EQ(Text(list, 1, 2), "9");
  EXPECT_EQ(list->ColumnCount(), 2) << "an initial value leaves the columns alone";

  list->SetCellText(-1, -1, string("p\tq\tr\ns"), false);
  EXPECT_EQ(list->Column0(), "p s") << "no heading line outside the initial value";
  EXPECT_EQ(list->ColumnCount(), 3);
}

TEST_F(ListPane, RowAndColumnTextsReadBack) {
  ScriptedList* list = Make();
  list->Add("a");
  list->SetCellText(0, 3, string("d"), false);
  EXPECT_EQ(Text(list, 0, -1), "a\td") << "a missing cell gives no Tab";

  list->SetCellText(-1, 1, string("\t\n\n\tb\n\tc"), false);
  EXPECT_EQ(list->RowCount(), 4) << "one row per line, an empty line too";
  EXPECT_EQ(Text(list, -1, 1), "b\nc") << "empty leading cells leave no line";
  EXPECT_EQ(list->ColumnCount(), 2);
  list->SetCellText(-1, 5, string("e"), false);
  EXPECT_EQ(list->ColumnCount(), 6);

  list->SetRowSelected(2, true);
  list->SetRowSelected(3, true);
  EXPECT_EQ(list->GetCellText(false, 0, 0).CString(), std::string("\tb\n\tc"));
}

TEST_F(ListPane, TypelessCellsTakeTheColumnType) {
  ScriptedList* list = Make();
  list->Add("a\tb\tc");
  list->SetColumnType(2, kTypeCheckbox);
  EXPECT_EQ(list->EffectiveCellType(0, 2), kTypeCheckbox);
  EXPECT_EQ(list->EffectiveCellType(0, 1), kTypeDefault);
  list->FindCell(0, 2, false)->type = kTypeEditable;
  EXPECT_EQ(list->EffectiveCellType(0, 2), kTypeEditable);
  EXPECT_EQ(list->EffectiveCellType(0, 100), 0) << "beyond the 64 columns";
  list->SetColumnAlignment(1, 3, 5);
  EXPECT_EQ(list->EffectiveAlignment(0, 1), 3);
  EXPECT_EQ(list->EffectiveAlignmentOffset(0, 1), 5);
  list->FindCell(0, 1, false)->alignment = 2;
  EXPECT_EQ(list->EffectiveAlignmentOffset(0, 1), 0) << "a cell alignment brings its offset";
}

TEST_F(ListPane, BordersTakeTheHeavierNeighbourCode) {
  ScriptedList* list = Make();
  for (int i = 0; i < 3; ++i) list->Add("a\tb");
  list->gridLinesHorizontal = kBorderThinDotted;
  list->SetCellBorder(kSideBottom, 0, 0, kBorderThickSolid);
  list->SetCellBorder(kSideTop, 1, 0, kBorderNone);
  EXPECT_EQ(list->CellBorder(kSideTop, 1, 0, false), kBorderNone);
  EXPECT_EQ(list->CellBorder(kSideTop, 1, 0, true), kBorderThickSolid);
  EXPECT_EQ(list->CellBorder(kSideBottom, 0, 0, true), kBorderThickSolid);
  EXPECT_EQ(list->CellBorder(kSideBottom, 1, 0, true), kBorderThinDotted) << "grid lines";
  list->SetCellBorder(kSideRight, 2, 63, kBorderDoubleThinSolid);
  EXPECT_EQ(list->CellBorder(kSideRight, 2, 63, true), kBorderDoubleThinSolid);
  EXPECT_EQ(list->CellBorder(kSideRight, 2, 64, true), 0) << "no 65th column is read";
  EXPECT_EQ(BorderLineWidth(kBorderThickSolid), 2);
  EXPECT_EQ(BorderLineWidth(kBorderNone), 0);
}

TEST_F(ListPane, ADeletionReenteredFromItsNotificationsDeletesOnce) {
  ScriptedList* list = Make();
  for (const char* text : {"a", "b", "c", "d"}) list->Add(text);
  list->SelectRow(1, false);
  int reentered = 0;
  list->onChanging = [&] {
    ++reentered;
    list->onChanging = nullptr;
    list->DeleteRow(1);
  };
  list->DeleteRow(1);
  EXPECT_EQ(reentered, 1);
  EXPECT_EQ(list->Column0(), "a c d");

  // A Change handler that empties the list takes the condemned row out with the others.
  list->SelectRow(2, false);
  list->onChanging = [&] {
    list->onChanging = nullptr;
    list->DeleteAllRows();
  };
  list->DeleteRow(2);
  EXPECT_EQ(list->RowCount(), 0);
  EXPECT_EQ(list->SelectedRowCount(), 0);
  list->Add("e");
  EXPECT_EQ(list->Column0(), "e");
}

TEST_F(ListPane, InsertingSplitsTheSelectionAndDeletingCloseIsSafe) {
  ScriptedList* list = Make();
  for (const char* text : {"a", "b", "c", "d"}) list->Add(text);
  list->SelectRange(1, 3);
  auto* cell = new CellEntry(0);
  cell->text = string("x");
  EXPECT_EQ(list->InsertRow(2, cell, 0, -1), 2);
  EXPECT_EQ(list->Column0(), "a b x c d");
  EXPECT_FALSE(list->IsRowSelected(2));
  EXPECT_TRUE(list->IsRowSelected(1) && list->IsRowSelected(3) && list->IsRowSelected(4));

  bool destroyed = false;
  list->destroyed = &destroyed;
  list->onChanging = [&] {
    window->window()->Close();
    window->closed = true;
  };
  list->DeleteRow(3);
  EXPECT_TRUE(destroyed) << "the list went with its window, the row with it";
}

}  // namespace
