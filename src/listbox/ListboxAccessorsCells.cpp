// The Listbox accessors of cells, folders, hit tests and appearance. Cell accessors reach 256
// cells a row; the border and edit accessors reach the list's columns.
#include "core/Export.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "listbox/ListboxClass.h"

namespace {

bool IsBound(RuntimeObject* list) { return AsListbox(list)->boundList != nullptr; }

// Raises for a cell outside the rows or the 256 cells of a row.
bool CellInRange(RuntimeListbox* pane, int32_t row, int32_t column) {
  if (row >= 0 && row < pane->RowCount() && column >= 0 && column <= kMaxCellColumn) return true;
  RaiseOutOfBoundsException();
  return false;
}

bool RowInRange(RuntimeListbox* pane, int32_t row) {
  if (row >= 0 && row < pane->RowCount()) return true;
  RaiseOutOfBoundsException();
  return false;
}

// Raises for a row outside the rows or a column outside the list's columns.
bool ColumnCellInRange(RuntimeListbox* pane, int32_t row, int32_t column) {
  if (row >= 0 && row < pane->RowCount() && column >= 0 && column < pane->ColumnCount()) {
    return true;
  }
  RaiseOutOfBoundsException();
  return false;
}

// A field of the cell's record, 0 without a pane or a record.
template <typename Field>
int32_t ReadCellField(RuntimeObject* list, int32_t row, int32_t column, Field CellEntry::*field) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || !CellInRange(pane, row, column)) return 0;
  const CellEntry* cell = pane->FindCell(row, column, false);
  return cell ? int32_t(cell->*field) : 0;
}

template <typename Field>
void WriteCellField(RuntimeObject* list, int32_t row, int32_t column, Field CellEntry::*field,
                    int32_t value) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || IsBound(list) || !CellInRange(pane, row, column)) return;
  if (CellEntry* cell = pane->FindCell(row, column, true)) {
    cell->*field = Field(value);
    pane->InvalidateCell(row, column);
  }
}

int32_t ReadStyle(RuntimeObject* list, int32_t row, int32_t column, uint8_t bit) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || !CellInRange(pane, row, column) || IsBound(list)) return 0;
  const CellEntry* cell = pane->FindCell(row, column, false);
  return cell && (cell->style & bit) ? 1 : 0;
}

// Redraws only when the bits change (a new record always counts as a change).
void WriteStyle(RuntimeObject* list, int32_t row, int32_t column, uint8_t bit, int32_t flag) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || !CellInRange(pane, row, column) || IsBound(list)) return;
  CellEntry* cell = pane->FindCell(row, column, false);
  const bool fresh = cell == nullptr;
  if (fresh) cell = pane->FindCell(row, column, true);
  if (!cell) return;
  const uint8_t style = flag ? uint8_t(cell->style | bit) : uint8_t(cell->style & ~bit);
  if (!fresh && style == cell->style) return;
  cell->style = style;
  pane->InvalidateCell(row, column);
}

int32_t ReadBorder(RuntimeObject* list, int32_t side, int32_t row, int32_t column) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || !ColumnCellInRange(pane, row, column)) return -1;
  return pane->CellBorder(side, row, column, false);
}

void WriteBorder(RuntimeObject* list, int32_t side, int32_t row, int32_t column, int32_t value) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || !ColumnCellInRange(pane, row, column)) return;
  pane->SetCellBorder(side, row, column, value);
}

}  // namespace

// ---- cell text ----

extern "C" stringStorage* listGetCell(RuntimeObject* list, int32_t row, int32_t column) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  return pane ? pane->CellTextRecord(row, column) : nullptr;
}
QV_EXPORT(listGetCell)

extern "C" void listSetCell(RuntimeObject* list, int32_t row, int32_t column,
                            stringStorage* text) {
  if (RuntimeListbox* pane = ListboxPaneOf(list)) {
    if (!IsBound(list)) pane->SetCellText(row, column, string(text), false);
  }
}
QV_EXPORT(listSetCell)

// ---- cell records ----

extern "C" int32_t listCellCheckGetter(RuntimeObject* list, int32_t row, int32_t column) {
  return ReadCellField(list, row, column, &CellEntry::checked) ? 1 : 0;
}
QV_EXPORT(listCellCheckGetter)

extern "C" void listCellCheckSetter(RuntimeObject* list, int32_t row, int32_t column,
                                    int32_t value) {
  WriteCellField(list, row, column, &CellEntry::checked, value != 0);
}
QV_EXPORT(listCellCheckSetter)

extern "C" int32_t listCellTypeGetter(RuntimeObject* list, int32_t row, int32_t column) {
  return ReadCellField(list, row, column, &CellEntry::type);
}
QV_EXPORT(listCellTypeGetter)

extern "C" void listCellTypeSetter(RuntimeObject* list, int32_t row, int32_t column,
                                   int32_t value) {
  WriteCellField(list, row, column, &CellEntry::type, value);
}
QV_EXPORT(listCellTypeSetter)

extern "C" int32_t listCellAlignmentGetter(RuntimeObject* list, int32_t row, int32_t column) {
  return ReadCellField(list, row, column, &CellEntry::alignment);
}
QV_EXPORT(listCellAlignmentGetter)

extern "C" void listCellAlignmentSetter(RuntimeObject* list, int32_t row, int32_t column,
                                        int32_t value) {
  WriteCellField(list, row, column, &CellEntry::alignment, value);
}
QV_EXPORT(listCellAlignmentSetter)

extern "C" int32_t listCellAlignmentOffsetGetter(RuntimeObject* list, int32_t row,
                                                 int32_t column) {
  return ReadCellField(list, row, column, &CellEntry::alignmentOffset);
}
QV_EXPORT(listCellAlignmentOffsetGetter)

extern "C" void listCellAlignmentOffsetSetter(RuntimeObject* list, int32_t row, int32_t column,
                                              int32_t value) {
  WriteCellField(list, row, column, &CellEntry::alignmentOffset, value);
}
QV_EXPORT(listCellAlignmentOffsetSetter)

#define QV_LIST_STYLE_PAIR(Name, bit)                                                          \
  extern "C" int32_t listGetCell##Name(RuntimeObject* list, int32_t row, int32_t column) {    \
    return ReadStyle(list, row, column, bit);                                                 \
  }                                                                                           \
  QV_EXPORT(listGetCell##Name)                                                                \
  extern "C" void listSetCell##Name(RuntimeObject* list, int32_t row, int32_t column,         \
                                    int32_t flag) {                                           \
    WriteStyle(list, row, column, bit, flag);                                                 \
  }                                                                                           \
  QV_EXPORT(listSetCell##Name)

QV_LIST_STYLE_PAIR(Bold, 1)
QV_LIST_STYLE_PAIR(Italic, 2)
QV_LIST_STYLE_PAIR(Underline, 4)
#undef QV_LIST_STYLE_PAIR

extern "C" RuntimeObject* listGetCellTag(RuntimeObject* list, int32_t row, int32_t column) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || !CellInRange(pane, row, column) || IsBound(list)) return nullptr;
  const CellEntry* cell = pane->FindCell(row, column, false);
  if (!cell || !cell->tag) return nullptr;
  RuntimeLockObject(cell->tag);
  return cell->tag;
}
QV_EXPORT(listGetCellTag)

extern "C" void listSetCellTag(RuntimeObject* list, int32_t row, int32_t column,
                               RuntimeObject* tag) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || !CellInRange(pane, row, column) || IsBound(list)) return;
  CellEntry* cell = pane->FindCell(row, column, true);
  if (!cell) return;
  if (tag) RuntimeLockObject(tag);
  if (RuntimeObject* old = std::exchange(cell->tag, tag)) RuntimeUnlockObject(old);
  pane->InvalidateCell(row, column);
}
QV_EXPORT(listSetCellTag)

// ---- borders, editing, redrawing ----

#define QV_LIST_BORDER_PAIR(Side, side)                                                        \
  extern "C" int32_t listGetCellBorder##Side(RuntimeObject* list, int32_t row,                 \
                                             int32_t column) {                                 \
    return ReadBorder(list, side, row, column);                                                \
  }                                                                                            \
  QV_EXPORT(listGetCellBorder##Side)                                                           \
  extern "C" void listSetCellBorder##Side(RuntimeObject* list, int32_t row, int32_t column,    \
                                          int32_t value) {                                     \
    WriteBorder(list, side, row, column, value);                                               \
  }                                                                                            \
  QV_EXPORT(listSetCellBorder##Side)

QV_LIST_BORDER_PAIR(Top, kSideTop)
QV_LIST_BORDER_PAIR(Left, kSideLeft)
QV_LIST_BORDER_PAIR(Bottom, kSideBottom)
QV_LIST_BORDER_PAIR(Right, kSideRight)
#undef QV_LIST_BORDER_PAIR

extern "C" void listEditCell(RuntimeObject* list, int32_t row, int32_t column) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || IsBound(list) || !ColumnCellInRange(pane, row, column)) return;
  WithListHeld(list, pane, [&] { pane->EditCell(row, column); });
}
QV_EXPORT(listEditCell)

extern "C" void listInvalidateCell(RuntimeObject* list, int32_t row, int32_t column) {
  if (RuntimeListbox* pane = ListboxPaneOf(list)) pane->InvalidateCell(row, column);
}
QV_EXPORT(listInvalidateCell)

// ---- rows: pictures and folders ----

extern "C" RuntimeObject* listGetRowPicture(RuntimeObject* list, int32_t row) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || IsBound(list) || !RowInRange(pane, row)) return nullptr;
  RuntimeObject* picture = pane->GetRowPicture(row);
  if (picture) RuntimeLockObject(picture);
  return picture;
}
QV_EXPORT(listGetRowPicture)

extern "C" void listSetRowPicture(RuntimeObject* list, int32_t row, RuntimeObject* picture) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || IsBound(list) || !RowInRange(pane, row)) return;
  pane->SetRowPicture(row, picture);
}
QV_EXPORT(listSetRowPicture)

extern "C" int32_t listGetExpanded(RuntimeObject* list, int32_t row) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || !RowInRange(pane, row)) return 0;
  return pane->IsExpanded(row) ? 1 : 0;
}
QV_EXPORT(listGetExpanded)

extern "C" void listSetExpanded(RuntimeObject* list, int32_t row, int32_t flag) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || !RowInRange(pane, row)) return;
  WithListHeld(list, pane, [&] {
    if (flag) {
      pane->ExpandFolder(row);
    } else {
      pane->CollapseFolder(row);
    }
  });
}
QV_EXPORT(listSetExpanded)

// ---- hit tests: (x, y) relative to the list ----

namespace {

struct CellHit {
  int32_t row = -1;
  int32_t column = -1;
};

CellHit HitTestCell(RuntimeObject* list, int32_t x, int32_t y) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!QV_CHECK_TEXT(pane, "lb", nullptr)) return {};
  CellHit hit;
  if (!pane->RowAndColumnAt(x, y, &hit.row, &hit.column)) return {};
  return hit;
}

}  // namespace

extern "C" int32_t listRowFromXY(RuntimeObject* list, int32_t x, int32_t y) {
  return HitTestCell(list, x, y).row;
}
QV_EXPORT(listRowFromXY)

extern "C" int32_t listColFromXY(RuntimeObject* list, int32_t x, int32_t y) {
  return HitTestCell(list, x, y).column;
}
QV_EXPORT(listColFromXY)
