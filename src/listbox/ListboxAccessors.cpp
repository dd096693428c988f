// The Listbox accessors of rows, selection and columns. Each works on the held fields until
// the pane exists and on the pane afterwards; index failures raise OutOfBoundsException.
#include "core/Export.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "listbox/ColumnWidthExpression.h"
#include "listbox/ListColumn.h"
#include "listbox/ListboxClass.h"

namespace {

bool IsBound(RuntimeObject* list) { return AsListbox(list)->boundList != nullptr; }

// A pane operation that may run handlers; nothing happens without a pane.
template <typename Call>
void OnHeldPane(RuntimeObject* list, Call call) {
  if (RuntimeListbox* pane = ListboxPaneOf(list)) WithListHeld(list, pane, [&] { call(pane); });
}

// Raises for an index outside first..last.
bool InRange(int32_t index, int32_t first, int32_t last) {
  if (index >= first && index <= last) return true;
  RaiseOutOfBoundsException();
  return false;
}

CellEntry* NewTextCell(stringStorage* text) {
  CellEntry* cell = new CellEntry(0);
  cell->text = string(text).GetUTF8String();
  return cell;
}

// AddRow and AddFolder: state -1 a plain row, 0 a collapsed folder.
void AddListRow(RuntimeObject* list, stringStorage* text, int32_t state) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || IsBound(list)) return;
  int32_t row = -1;
  if (WithListHeld(list, pane, [&] { row = pane->AddListRow(NewTextCell(text), state); })) {
    if (row >= 0) AsListbox(list)->lastIndex = row;
  }
}

void InsertListRow(RuntimeObject* list, int32_t row, stringStorage* text, int32_t indent,
                   int32_t state) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || IsBound(list)) return;
  const int32_t rows = pane->RowCount();
  const int32_t at = row < 0 ? 0 : row > rows ? rows : row;
  int32_t inserted = -1;
  if (WithListHeld(list, pane,
                   [&] { inserted = pane->InsertRow(at, NewTextCell(text), indent, state); })) {
    if (inserted >= 0) AsListbox(list)->lastIndex = at;
  }
}

// The first cell of row takes text (a row without cells keeps none); cell (row, 0) redrawn.
void SetFirstCellText(RuntimeListbox* pane, int32_t row, stringStorage* text) {
  if (CellEntry* cell = pane->FirstCellOfRow(row)) {
    cell->text = string(text).GetUTF8String();
    pane->InvalidateCell(row, 0);
  }
}

}  // namespace

// ---- rows ----

extern "C" void RuntimeListEmpty(RuntimeObject* list) {
  OnHeldPane(list, [](RuntimeListbox* pane) { pane->DeleteAllRows(); });
}
QV_EXPORT(RuntimeListEmpty)

extern "C" void RuntimeListAddRow(RuntimeObject* list, stringStorage* text) {
  AddListRow(list, text, -1);
}
QV_EXPORT(RuntimeListAddRow)

extern "C" void RuntimeListAddParent(RuntimeObject* list, stringStorage* text) {
  AddListRow(list, text, 0);
}
QV_EXPORT(RuntimeListAddParent)

extern "C" void RuntimeListInsertRow(RuntimeObject* list, int32_t row, stringStorage* text,
                                     int32_t indent) {
  InsertListRow(list, row, text, indent, -1);
}
QV_EXPORT(RuntimeListInsertRow)

extern "C" void RuntimeListInsertParent(RuntimeObject* list, int32_t row, stringStorage* text,
                                        int32_t indent) {
  InsertListRow(list, row, text, indent, 0);
}
QV_EXPORT(RuntimeListInsertParent)

extern "C" void RuntimeRemoveRow(RuntimeObject* list, int32_t index) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || !InRange(index, 0, pane->RowCount() - 1) || IsBound(list)) return;
  WithListHeld(list, pane, [&] { pane->DeleteRow(index); });
}
QV_EXPORT(RuntimeRemoveRow)

extern "C" stringStorage* RuntimeGetRow(RuntimeObject* list, int32_t index) {
  return ListboxPaneOf(list) ? listGetCell(list, index, 0) : nullptr;
}
QV_EXPORT(RuntimeGetRow)

extern "C" void RuntimeSetRow(RuntimeObject* list, int32_t index, stringStorage* text) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || IsBound(list) || !InRange(index, 0, pane->RowCount() - 1)) return;
  SetFirstCellText(pane, index, text);
}
QV_EXPORT(RuntimeSetRow)

extern "C" void RuntimeListResort(RuntimeObject* list) {
  OnHeldPane(list, [](RuntimeListbox* pane) { pane->SortColumn(pane->SortedColumn()); });
}
QV_EXPORT(RuntimeListResort)

extern "C" int32_t listLastIndexGetter(RuntimeObject* list, uint32_t) {
  return list ? AsListbox(list)->lastIndex : -1;
}
QV_EXPORT(listLastIndexGetter)

extern "C" int32_t listCountGetter(RuntimeObject* list, uint32_t) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  return pane ? pane->RowCount() : 0;
}
QV_EXPORT(listCountGetter)

// ---- selection ----

// During a cell edit, the edited row, whatever else is selected.
extern "C" int32_t listSelectionGetter(RuntimeObject* list, uint32_t) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane) return -1;
  return pane->IsEditing() ? pane->EditedRow() : pane->FirstSelectedRow();
}
QV_EXPORT(listSelectionGetter)

extern "C" void listSelectionSetter(RuntimeObject* list, uint32_t, int32_t value) {
  OnHeldPane(list, [value](RuntimeListbox* pane) {
    if (value >= 0 && value < pane->RowCount()) {
      pane->SelectRow(value, true);
    } else {
      pane->ClearSelection();
    }
  });
}
QV_EXPORT(listSelectionSetter)

extern "C" int32_t listSelCountGetter(RuntimeObject* list, uint32_t) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  return pane ? pane->SelectedRowCount() : 0;
}
QV_EXPORT(listSelCountGetter)

extern "C" int32_t listGetSelected(RuntimeObject* list, int32_t row) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  return pane && pane->IsRowSelected(row) ? 1 : 0;
}
QV_EXPORT(listGetSelected)

extern "C" void listSetSelected(RuntimeObject* list, int32_t row, int32_t flag) {
  OnHeldPane(list, [=](RuntimeListbox* pane) { pane->SetRowSelected(row, flag != 0); });
}
QV_EXPORT(listSetSelected)

extern "C" stringStorage* listTextGetter(RuntimeObject* list, uint32_t) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  const int32_t row = pane ? pane->FirstSelectedRow() : -1;
  if (row < 0) return nullptr;
  return pane->GetCellText(true, row, 0).ExtractStringStorage();
}
QV_EXPORT(listTextGetter)

extern "C" void listTextSetter(RuntimeObject* list, uint32_t, stringStorage* text) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || IsBound(list)) return;
  const int32_t row = pane->FirstSelectedRow();
  if (row >= 0) SetFirstCellText(pane, row, text);
}
QV_EXPORT(listTextSetter)

extern "C" void listSelectionTypeSetter(RuntimeObject* list, uint32_t, int32_t value) {
  if (!list) return;
  AsListbox(list)->selectionType = value;
  if (RuntimeListbox* pane = ListboxPaneOf(list)) pane->SetMultipleSelection(value != 0);
}
QV_EXPORT(listSelectionTypeSetter)

extern "C" void listRequiresSelectionSetter(RuntimeObject* list, uint32_t, int32_t flag) {
  if (!list) return;
  AsListbox(list)->requiresSelection = flag != 0;
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane) return;
  pane->requiresSelection = flag != 0;
  if (flag && pane->FirstSelectedRow() < 0) listSelectionSetter(list, 0, 0);
}
QV_EXPORT(listRequiresSelectionSetter)

// ---- columns ----

extern "C" int32_t listColumnCountGetter(RuntimeObject* list, uint32_t) {
  if (!list) return 0;
  RuntimeListbox* pane = ListboxPaneOf(list);
  return pane ? pane->ColumnCount() : AsListbox(list)->columnCount;
}
QV_EXPORT(listColumnCountGetter)

extern "C" void listColumnCountSetter(RuntimeObject* list, uint32_t, int32_t value) {
  if (!list) return;
  if (value == 0) value = 1;
  if (uint32_t(value) > uint32_t(kMaxListColumns)) value = kMaxListColumns;
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane) {
    AsListbox(list)->columnCount = value;
    return;
  }
  pane->SetColumnCount(value);
  pane->ResolveColumnWidths();
  pane->InvalidateCell(-1, -1);
}
QV_EXPORT(listColumnCountSetter)

void ApplyColumnWidths(RuntimeListbox* pane, const std::vector<string>& items) {
  for (size_t i = 0; i < items.size() && int32_t(i) < pane->ColumnCount(); ++i) {
    pane->SetWidthExpression(int32_t(i), items[i]);
  }
  pane->ResolveColumnWidths();
  pane->InvalidateCell(-1, -1);
}

extern "C" stringStorage* listColumnWidthsGetter(RuntimeObject* list, uint32_t) {
  if (!QV_CHECK_TEXT(list, "list", nullptr)) return nullptr;
  ListboxObject* record = AsListbox(list);
  if (RuntimeListbox* pane = ListboxPaneOf(list)) {
    std::vector<string> items;
    for (int32_t i = 0; i < pane->ColumnCount(); ++i) items.push_back(pane->GetWidthExpression(i));
    const string joined = JoinColumnWidths(items);
    stringStorage::AddReference(joined.Storage());
    stringStorage::RemoveReference(record->columnWidths);
    record->columnWidths = joined.Storage();
  }
  stringStorage::AddReference(record->columnWidths);
  return record->columnWidths;
}
QV_EXPORT(listColumnWidthsGetter)

// Every item is checked before any column changes: a text stored with a bad item would raise
// again from every later width resolution, window resizes included.
extern "C" void listColumnWidthsSetter(RuntimeObject* list, uint32_t, stringStorage* text) {
  if (!list) return;
  ListboxObject* record = AsListbox(list);
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane) {
    stringStorage::AddReference(text);
    stringStorage::RemoveReference(record->columnWidths);
    record->columnWidths = text;
    return;
  }
  std::vector<string> items;
  string refused;
  if (!SplitColumnWidths(string(text), pane->ColumnCount(), items, &refused)) {
    RaiseUnrecognizedExpression(refused);
    return;
  }
  ApplyColumnWidths(pane, items);
}
QV_EXPORT(listColumnWidthsSetter)

namespace {

// The columns the type and held-alignment accessors reach: the pane's, or the held count.
int32_t KnownColumnCount(RuntimeObject* list) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  const int32_t count = pane ? pane->ColumnCount() : AsListbox(list)->columnCount;
  return count < 0 ? 0 : count > kMaxListColumns ? kMaxListColumns : count;
}

// The alignment pair's rule: the pane's columns with a pane, else the held values.
enum class AlignmentSite { kRefused, kPane, kHeld };
AlignmentSite FindAlignmentSite(RuntimeObject* list, int32_t column) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (pane && column >= 0 && column < pane->ColumnCount()) return AlignmentSite::kPane;
  const int32_t held = AsListbox(list)->columnCount;
  if (column >= 0 && column < held && column < kMaxListColumns) return AlignmentSite::kHeld;
  RaiseOutOfBoundsException();
  return AlignmentSite::kRefused;
}

}  // namespace

extern "C" int32_t listColumnTypeGetter(RuntimeObject* list, int32_t column) {
  if (!list || !InRange(column, 0, KnownColumnCount(list) - 1)) return 0;
  return AsListbox(list)->columnTypes[column];
}
QV_EXPORT(listColumnTypeGetter)

extern "C" void listColumnTypeSetter(RuntimeObject* list, int32_t column, int32_t type) {
  if (!list || !InRange(column, 0, KnownColumnCount(list) - 1)) return;
  AsListbox(list)->columnTypes[column] = uint8_t(type);
  if (RuntimeListbox* pane = ListboxPaneOf(list)) {
    pane->SetColumnType(column, uint8_t(type));
    pane->InvalidateColumn(column);
  }
}
QV_EXPORT(listColumnTypeSetter)

extern "C" int32_t listColumnAlignmentGetter(RuntimeObject* list, int32_t column) {
  if (!list) return 0;
  switch (FindAlignmentSite(list, column)) {
    case AlignmentSite::kPane:
      return ListboxPaneOf(list)->ColumnAlignment(column);
    case AlignmentSite::kHeld:
      return AsListbox(list)->columnAlignments[column];
    case AlignmentSite::kRefused:
      break;
  }
  return 0;
}
QV_EXPORT(listColumnAlignmentGetter)

extern "C" void listColumnAlignmentSetter(RuntimeObject* list, int32_t column, int32_t value) {
  if (!list) return;
  switch (FindAlignmentSite(list, column)) {
    case AlignmentSite::kPane:
      ListboxPaneOf(list)->SetColumnAlignmentOnly(column, value);
      break;
    case AlignmentSite::kHeld:
      AsListbox(list)->columnAlignments[column] = uint8_t(value);
      break;
    case AlignmentSite::kRefused:
      break;
  }
}
QV_EXPORT(listColumnAlignmentSetter)

extern "C" int32_t listColumnAlignmentOffsetGetter(RuntimeObject* list, int32_t column) {
  if (!list) return 0;
  switch (FindAlignmentSite(list, column)) {
    case AlignmentSite::kPane:
      return ListboxPaneOf(list)->ColumnAlignmentOffset(column);
    case AlignmentSite::kHeld:
      return AsListbox(list)->columnAlignmentOffsets[column];
    case AlignmentSite::kRefused:
      break;
  }
  return 0;
}
QV_EXPORT(listColumnAlignmentOffsetGetter)

extern "C" void listColumnAlignmentOffsetSetter(RuntimeObject* list, int32_t column,
                                                int32_t value) {
  if (!list) return;
  switch (FindAlignmentSite(list, column)) {
    case AlignmentSite::kPane:
      ListboxPaneOf(list)->SetColumnAlignmentOffset(column, value);
      break;
    case AlignmentSite::kHeld:
      AsListbox(list)->columnAlignmentOffsets[column] = int16_t(value);
      break;
    case AlignmentSite::kRefused:
      break;
  }
}
QV_EXPORT(listColumnAlignmentOffsetSetter)

// Column -1 reads every heading joined by Tab, as the setter takes them.
extern "C" stringStorage* listGetHeading(RuntimeObject* list, int32_t column) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || !InRange(column, -1, pane->ColumnCount() - 1)) return nullptr;
  if (column >= 0) return pane->Heading(column).ExtractStringStorage();
  string all;
  for (int32_t i = 0; i < pane->ColumnCount(); ++i) {
    if (i > 0) all += "\t";
    all += pane->Heading(i);
  }
  return all.ExtractStringStorage();
}
QV_EXPORT(listGetHeading)

extern "C" void listSetHeading(RuntimeObject* list, int32_t column, stringStorage* text) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || !InRange(column, -1, pane->ColumnCount() - 1)) return;
  pane->SetHeading(column, string(text));
}
QV_EXPORT(listSetHeading)

extern "C" int32_t listSortedColumnGetter(RuntimeObject* list, uint32_t) {
  if (!list) return 0;
  RuntimeListbox* pane = ListboxPaneOf(list);
  return pane ? pane->SortedColumn() : AsListbox(list)->pendingHeadingIndex;
}
QV_EXPORT(listSortedColumnGetter)

extern "C" void listSortedColumnSetter(RuntimeObject* list, uint32_t, int32_t value) {
  if (!list) return;
  if (RuntimeListbox* pane = ListboxPaneOf(list)) {
    pane->StoreSortedColumn(value);
  } else {
    AsListbox(list)->pendingHeadingIndex = value;
  }
}
QV_EXPORT(listSortedColumnSetter)

extern "C" void listHeadingIndexSetter(RuntimeObject* list, uint32_t, int32_t value) {
  if (!list) return;
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane) {
    AsListbox(list)->pendingHeadingIndex = value;
    return;
  }
  if (!InRange(value, -1, pane->ColumnCount() - 1)) return;
  WithListHeld(list, pane, [&] { pane->SetSortedColumn(value); });
}
QV_EXPORT(listHeadingIndexSetter)

extern "C" void listColumnPressHeader(RuntimeObject* list, int32_t column) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane) {
    RaiseOutOfBoundsException();
    return;
  }
  if (!InRange(column, 0, pane->ColumnCount() - 1)) return;
  WithListHeld(list, pane, [&] { pane->SetSortedColumn(column); });
}
QV_EXPORT(listColumnPressHeader)

extern "C" int32_t listColumnSortDirectionGetter(RuntimeObject* list, int32_t column) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane) {
    RaiseOutOfBoundsException();
    return 0;
  }
  return InRange(column, 0, pane->ColumnCount() - 1) ? pane->SortDirection(column) : 0;
}
QV_EXPORT(listColumnSortDirectionGetter)

extern "C" void listColumnSortDirectionSetter(RuntimeObject* list, int32_t column,
                                              int32_t direction) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane) {
    RaiseOutOfBoundsException();
    return;
  }
  if (!InRange(column, -1, pane->ColumnCount() - 1)) return;
  const int32_t first = column < 0 ? 0 : column;
  const int32_t last = column < 0 ? pane->ColumnCount() - 1 : column;
  for (int32_t i = first; i <= last; ++i) pane->SetSortDirection(i, direction, false);
}
QV_EXPORT(listColumnSortDirectionSetter)
