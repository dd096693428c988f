// The language classes "Listbox" and "OldListbox": one object layout, one constructor,
// destructor and CreatePane, and the accessors compiled code calls with the object first.
// Before CreatePane the object holds what the accessors are given; CreatePane hands it to the
// RuntimeListbox pane once, and from then on the accessors act on the pane.
//
// Promises:
// - Index failures toward compiled code raise OutOfBoundsException and change nothing; the
//   column index one past the last column names no column and raises too.
// - Texts stored as cells are UTF-8, whatever encoding they arrive in.
// - An accessor whose pane operation runs event handlers holds the object and the pane for the
//   call and touches neither afterwards when a handler closed the window or dropped the list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "controls/RuntimeControl.h"
#include "core/ObjectDefinition.h"
#include "database/DataBinding.h"
#include "listbox/RuntimeListbox.h"

struct ListboxObject {
  ControlObject control;
  stringStorage* dataSource;  // DataSource
  stringStorage* dataField;   // DataField
  uint8_t hierarchical;
  uint8_t enableDrag;
  uint8_t enableDragReorder;
  uint8_t hasHeading;
  uint8_t useFocusRing;
  uint8_t scrollBarHorizontal;
  uint8_t scrollBarVertical;
  uint8_t unused1;
  int32_t selectionType;        // 0 single, 1 multiple
  int32_t pendingHeadingIndex;  // the sorted column while there is no pane
  int32_t columnCount;
  int32_t scrollPosition;
  int32_t scrollPositionX;
  int32_t gridLinesHorizontal;
  int32_t gridLinesVertical;
  uint8_t requiresSelection;
  uint8_t autoHideScrollbars;
  uint8_t unused2[2];
  stringStorage* initialValue;  // rows, one a line, cells split by Tab
  stringStorage* columnWidths;  // the last text set or read
  uint8_t columnsResizable;
  uint8_t unused3[3];
  int32_t defaultRowHeight;
  int32_t scrollWidth;   // _ScrollWidth
  int32_t scrollOffset;  // _ScrollOffset
  ControlFontRecord font;
  uint8_t changeInProgress;  // the pane is raising Change
  uint8_t unused4[3];
  uint8_t columnTypes[kMaxListColumns];
  uint8_t columnAlignments[kMaxListColumns];  // held while there is no pane
  int16_t columnAlignmentOffsets[kMaxListColumns];
  int32_t lastIndex;
  RuntimeObject* boundList;  // held; the listDataProvider of BindList
  ReceiverNode* focusGainedReceivers;
  ReceiverNode* focusLostReceivers;
  uint8_t paneCreated;
  uint8_t unused5[3];
};
static_assert(sizeof(ListboxObject) == 488 && offsetof(ListboxObject, dataSource) == 124 &&
                  offsetof(ListboxObject, hierarchical) == 132 &&
                  offsetof(ListboxObject, selectionType) == 140 &&
                  offsetof(ListboxObject, columnCount) == 148 &&
                  offsetof(ListboxObject, requiresSelection) == 168 &&
                  offsetof(ListboxObject, initialValue) == 172 &&
                  offsetof(ListboxObject, columnsResizable) == 180 &&
                  offsetof(ListboxObject, defaultRowHeight) == 184 &&
                  offsetof(ListboxObject, font) == 196 &&
                  offsetof(ListboxObject, changeInProgress) == 208 &&
                  offsetof(ListboxObject, columnTypes) == 212 &&
                  offsetof(ListboxObject, columnAlignments) == 276 &&
                  offsetof(ListboxObject, columnAlignmentOffsets) == 340 &&
                  offsetof(ListboxObject, lastIndex) == 468 &&
                  offsetof(ListboxObject, boundList) == 472 &&
                  offsetof(ListboxObject, paneCreated) == 484,
              "Listbox instances are 488 bytes");

inline ListboxObject* AsListbox(RuntimeObject* object) {
  return reinterpret_cast<ListboxObject*>(object);
}

// The object's pane, nil before CreatePane and after the pane closed. Inline: the Cell getter
// asks for it twice in every comparison of a sort through a handler.
inline RuntimeListbox* ListboxPaneOf(RuntimeObject* list) {
  return list ? static_cast<RuntimeListbox*>(AsControl(list)->pane) : nullptr;
}

// Whether pane is still the list's pane and not closing (a handler may have closed either).
inline bool ListStillOpen(RuntimeObject* list, RuntimeListbox* pane) {
  return ListboxPaneOf(list) == pane && !pane->IsClosing();
}

// Calls call with list and pane held; call runs only when the pane can be held. Afterwards
// the caller may touch neither unless the function answered true (both still open).
template <typename Call>
bool WithListHeld(RuntimeObject* list, RuntimeListbox* pane, Call call) {
  RuntimeLockObject(list);
  bool open = false;
  if (pane->RetainChain()) {
    call();
    open = !pane->ReleaseChain() && ListboxPaneOf(list) == pane;
  }
  // The caller's reference keeps the object; only a pane closed meanwhile ends the call.
  RuntimeUnlockObject(list);
  return open;
}

// The object's font fields made the pane's font; the list is redrawn.
void ApplyListFontRecord(RuntimeObject* list, RuntimeListbox* pane);
// One checked expression a column, then the widths resolved and the list redrawn.
void ApplyColumnWidths(RuntimeListbox* pane, const std::vector<string>& items);

ObjectDefinition* ListboxClassDefinition();
ObjectDefinition* OldListboxClassDefinition();

extern "C" {
void listboxConstructor(RuntimeObject* list);
void listboxDestructor(RuntimeObject* list);
void ListboxCreatePane(RuntimeObject* list);

// ---- rows ----
void RuntimeListEmpty(RuntimeObject* list);
void RuntimeListAddRow(RuntimeObject* list, stringStorage* text);
void RuntimeListAddParent(RuntimeObject* list, stringStorage* text);
void RuntimeListInsertRow(RuntimeObject* list, int32_t row, stringStorage* text, int32_t indent);
void RuntimeListInsertParent(RuntimeObject* list, int32_t row, stringStorage* text,
                             int32_t indent);
void RuntimeRemoveRow(RuntimeObject* list, int32_t index);
stringStorage* RuntimeGetRow(RuntimeObject* list, int32_t index);
void RuntimeSetRow(RuntimeObject* list, int32_t index, stringStorage* text);
void RuntimeListResort(RuntimeObject* list);
int32_t listLastIndexGetter(RuntimeObject* list, uint32_t parameter);
int32_t listCountGetter(RuntimeObject* list, uint32_t parameter);

// ---- selection ----
int32_t listSelectionGetter(RuntimeObject* list, uint32_t parameter);
void listSelectionSetter(RuntimeObject* list, uint32_t parameter, int32_t value);
int32_t listSelCountGetter(RuntimeObject* list, uint32_t parameter);
int32_t listGetSelected(RuntimeObject* list, int32_t row);
void listSetSelected(RuntimeObject* list, int32_t row, int32_t flag);
stringStorage* listTextGetter(RuntimeObject* list, uint32_t parameter);
void listTextSetter(RuntimeObject* list, uint32_t parameter, stringStorage* text);
void listSelectionTypeSetter(RuntimeObject* list, uint32_t parameter, int32_t value);
void listRequiresSelectionSetter(RuntimeObject* list, uint32_t parameter, int32_t flag);

// ---- columns ----
int32_t listColumnCountGetter(RuntimeObject* list, uint32_t parameter);
void listColumnCountSetter(RuntimeObject* list, uint32_t parameter, int32_t value);
stringStorage* listColumnWidthsGetter(RuntimeObject* list, uint32_t parameter);
void listColumnWidthsSetter(RuntimeObject* list, uint32_t parameter, stringStorage* text);
int32_t listColumnTypeGetter(RuntimeObject* list, int32_t column);
void listColumnTypeSetter(RuntimeObject* list, int32_t column, int32_t type);
int32_t listColumnAlignmentGetter(RuntimeObject* list, int32_t column);
void listColumnAlignmentSetter(RuntimeObject* list, int32_t column, int32_t value);
int32_t listColumnAlignmentOffsetGetter(RuntimeObject* list, int32_t column);
void listColumnAlignmentOffsetSetter(RuntimeObject* list, int32_t column, int32_t value);
stringStorage* listGetHeading(RuntimeObject* list, int32_t column);
void listSetHeading(RuntimeObject* list, int32_t column, stringStorage* text);
int32_t listSortedColumnGetter(RuntimeObject* list, uint32_t parameter);
void listSortedColumnSetter(RuntimeObject* list, uint32_t parameter, int32_t value);
void listHeadingIndexSetter(RuntimeObject* list, uint32_t parameter, int32_t value);
void listColumnPressHeader(RuntimeObject* list, int32_t column);
int32_t listColumnSortDirectionGetter(RuntimeObject* list, int32_t column);
void listColumnSortDirectionSetter(RuntimeObject* list, int32_t column, int32_t direction);

// ---- cells ----
stringStorage* listGetCell(RuntimeObject* list, int32_t row, int32_t column);
void listSetCell(RuntimeObject* list, int32_t row, int32_t column, stringStorage* text);
int32_t listCellCheckGetter(RuntimeObject* list, int32_t row, int32_t column);
void listCellCheckSetter(RuntimeObject* list, int32_t row, int32_t column, int32_t value);
int32_t listCellTypeGetter(RuntimeObject* list, int32_t row, int32_t column);
void listCellTypeSetter(RuntimeObject* list, int32_t row, int32_t column, int32_t value);
int32_t listCellAlignmentGetter(RuntimeObject* list, int32_t row, int32_t column);
void listCellAlignmentSetter(RuntimeObject* list, int32_t row, int32_t column, int32_t value);
int32_t listCellAlignmentOffsetGetter(RuntimeObject* list, int32_t row, int32_t column);
void listCellAlignmentOffsetSetter(RuntimeObject* list, int32_t row, int32_t column,
                                   int32_t value);
int32_t listGetCellBold(RuntimeObject* list, int32_t row, int32_t column);
void listSetCellBold(RuntimeObject* list, int32_t row, int32_t column, int32_t flag);
int32_t listGetCellItalic(RuntimeObject* list, int32_t row, int32_t column);
void listSetCellItalic(RuntimeObject* list, int32_t row, int32_t column, int32_t flag);
int32_t listGetCellUnderline(RuntimeObject* list, int32_t row, int32_t column);
void listSetCellUnderline(RuntimeObject* list, int32_t row, int32_t column, int32_t flag);
RuntimeObject* listGetCellTag(RuntimeObject* list, int32_t row, int32_t column);
void listSetCellTag(RuntimeObject* list, int32_t row, int32_t column, RuntimeObject* tag);
int32_t listGetCellBorderTop(RuntimeObject* list, int32_t row, int32_t column);
void listSetCellBorderTop(RuntimeObject* list, int32_t row, int32_t column, int32_t value);
int32_t listGetCellBorderLeft(RuntimeObject* list, int32_t row, int32_t column);
void listSetCellBorderLeft(RuntimeObject* list, int32_t row, int32_t column, int32_t value);
int32_t listGetCellBorderBottom(RuntimeObject* list, int32_t row, int32_t column);
void listSetCellBorderBottom(RuntimeObject* list, int32_t row, int32_t column, int32_t value);
int32_t listGetCellBorderRight(RuntimeObject* list, int32_t row, int32_t column);
void listSetCellBorderRight(RuntimeObject* list, int32_t row, int32_t column, int32_t value);
void listEditCell(RuntimeObject* list, int32_t row, int32_t column);
void listInvalidateCell(RuntimeObject* list, int32_t row, int32_t column);
RuntimeObject* listGetRowPicture(RuntimeObject* list, int32_t row);
void listSetRowPicture(RuntimeObject* list, int32_t row, RuntimeObject* picture);
int32_t listGetExpanded(RuntimeObject* list, int32_t row);
void listSetExpanded(RuntimeObject* list, int32_t row, int32_t flag);
int32_t listRowFromXY(RuntimeObject* list, int32_t x, int32_t y);
int32_t listColFromXY(RuntimeObject* list, int32_t x, int32_t y);

// ---- appearance and behaviour ----
stringStorage* listTextFontGetter(RuntimeObject* list, uint32_t parameter);
void listTextFontSetter(RuntimeObject* list, uint32_t parameter, stringStorage* name);
int32_t listTextSizeGetter(RuntimeObject* list, uint32_t parameter);
void listTextSizeSetter(RuntimeObject* list, uint32_t parameter, int32_t size);
int32_t listBoldGetter(RuntimeObject* list, uint32_t parameter);
void listBoldSetter(RuntimeObject* list, uint32_t parameter, int32_t flag);
int32_t listItalicGetter(RuntimeObject* list, uint32_t parameter);
void listItalicSetter(RuntimeObject* list, uint32_t parameter, int32_t flag);
int32_t listUnderlineGetter(RuntimeObject* list, uint32_t parameter);
void listUnderlineSetter(RuntimeObject* list, uint32_t parameter, int32_t flag);
int32_t listboxUseFocusRingGetter(RuntimeObject* list, uint32_t parameter);
void listboxUseFocusRingSetter(RuntimeObject* list, uint32_t parameter, int32_t flag);
void listHierarchicalSetter(RuntimeObject* list, uint32_t parameter, int32_t flag);
void listHasHeadingSetter(RuntimeObject* list, uint32_t parameter, int32_t flag);
void listEnableDragSetter(RuntimeObject* list, uint32_t parameter, int32_t flag);
void ListEnableDragReorderSetter(RuntimeObject* list, uint32_t parameter, int32_t flag);
void listHScrollBarSetter(RuntimeObject* list, uint32_t parameter, int32_t flag);
void listVScrollBarSetter(RuntimeObject* list, uint32_t parameter, int32_t flag);
void listAutoHideScrollbarSetter(RuntimeObject* list, uint32_t parameter, int32_t flag);
void listScrollbarWidthSetter(RuntimeObject* list, uint32_t parameter, int32_t width);
void listScrollbarOffsetSetter(RuntimeObject* list, uint32_t parameter, int32_t offset);
void listHGridLinesSetter(RuntimeObject* list, uint32_t parameter, int32_t code);
void listVGridLinesSetter(RuntimeObject* list, uint32_t parameter, int32_t code);
void listDefaultRowHeightSetter(RuntimeObject* list, uint32_t parameter, int32_t height);
int32_t listScrollPositionGetter(RuntimeObject* list, uint32_t parameter);
void listScrollPositionSetter(RuntimeObject* list, uint32_t parameter, int32_t row);
int32_t listScrollPositionXGetter(RuntimeObject* list, uint32_t parameter);
void listScrollPositionXSetter(RuntimeObject* list, uint32_t parameter, int32_t pixels);
void RuntimeListInitialValueSetter(RuntimeObject* list, uint32_t parameter, stringStorage* text);
stringStorage* ListboxDataSourceGetter(RuntimeObject* list, uint32_t parameter);
void ListboxDataSourceSetter(RuntimeObject* list, uint32_t parameter, stringStorage* name);
void ListboxDataFieldSetter(RuntimeObject* list, uint32_t parameter, stringStorage* name);
RuntimeObject* listActiveCellGetter(RuntimeObject* list, uint32_t parameter);

// ---- data binding (ListboxBinding.cpp) ----
void listAddLSNR(RuntimeObject* list, RuntimeObject* receiver);
void listRemoveLSNR(RuntimeObject* list, RuntimeObject* receiver);
void listBind(RuntimeObject* list, RuntimeObject* data);
void listListDataInsertedRow(RuntimeObject* list, int32_t row);
void listListDataRemovedRow(RuntimeObject* list, int32_t row);
void listListDataReload(RuntimeObject* list);
RuntimeObject* listGetBoundPart(RuntimeObject* list, stringStorage* name);
}
