#include "listbox/ListboxClass.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassFieldAccessors.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "controls/ControlClasses.h"
#include "listbox/ColumnWidthExpression.h"
#include "listbox/ListColumn.h"
#include "listbox/ListboxEvents.h"
#include "windows/WindowControls.h"

namespace {

using namespace lang;

// Flags the rows carry unchanged for the compiler.
constexpr uint32_t kReadOnlyAtRunTime = 1;
constexpr uint32_t kDesignOnly = 2;
constexpr uint32_t kCompilerFlag = 128;

#define QV_LISTBOX_COMMON_PROPERTIES                                                              \
  QV_PROPERTY("TextFont", String, listTextFontGetter, listTextFontSetter),                         \
      QV_PROPERTY("TextSize", Integer, listTextSizeGetter, listTextSizeSetter),                    \
      QV_PROPERTY("Bold", Boolean, listBoldGetter, listBoldSetter),                                \
      QV_PROPERTY("Italic", Boolean, listItalicGetter, listItalicSetter),                          \
      QV_PROPERTY("Underline", Boolean, listUnderlineGetter, listUnderlineSetter),                 \
      QV_READONLY("ListCount", Integer, listCountGetter),                                          \
      QV_PROPERTY("ListIndex", Integer, listSelectionGetter, listSelectionSetter),                 \
      QV_PROPERTY("Text", String, listTextGetter, listTextSetter),                                 \
      QV_PROPERTY("ColumnCount", Integer, listColumnCountGetter, listColumnCountSetter),           \
      QV_PROPERTY("ColumnWidths", String, listColumnWidthsGetter, listColumnWidthsSetter),         \
      QV_PROPERTY("Hierarchical", Boolean, boolGetter, listHierarchicalSetter,                     \
                  offsetof(ListboxObject, hierarchical)),                                          \
      QV_READONLY("LastIndex", Integer, listLastIndexGetter),                                      \
      QV_PROPERTY("EnableDrag", Boolean, boolGetter, listEnableDragSetter,                         \
                  offsetof(ListboxObject, enableDrag)),                                            \
      QV_PROPERTY("EnableDragReorder", Boolean, boolGetter, ListEnableDragReorderSetter,           \
                  offsetof(ListboxObject, enableDragReorder))

#define QV_LISTBOX_MIDDLE_PROPERTIES                                                           \
  QV_READONLY("SelCount", Integer, listSelCountGetter).Flags(kReadOnlyAtRunTime),              \
      QV_PROPERTY("InitialValue", String, stringGetter, RuntimeListInitialValueSetter,         \
                  offsetof(ListboxObject, initialValue))                                       \
          .Flags(kCompilerFlag),                                                               \
      QV_PROPERTY("HasHeading", Boolean, boolGetter, listHasHeadingSetter,                     \
                  offsetof(ListboxObject, hasHeading))

#define QV_LISTBOX_LATER_PROPERTIES                                                              \
  QV_PROPERTY("HeadingIndex", Integer, listSortedColumnGetter, listHeadingIndexSetter),          \
      QV_PROPERTY("ScrollPosition", Integer, listScrollPositionGetter,                           \
                  listScrollPositionSetter),                                                     \
      QV_PROPERTY("ScrollPositionX", Integer, listScrollPositionXGetter,                         \
                  listScrollPositionXSetter),                                                    \
      QV_PROPERTY("ScrollBarHorizontal", Boolean, boolGetter, listHScrollBarSetter,              \
                  offsetof(ListboxObject, scrollBarHorizontal)),                                 \
      QV_PROPERTY("ScrollBarVertical", Boolean, boolGetter, listVScrollBarSetter,                \
                  offsetof(ListboxObject, scrollBarVertical)),                                   \
      QV_PROPERTY("DataSource", String, ListboxDataSourceGetter, ListboxDataSourceSetter),       \
      QV_PROPERTY("DataField", String, stringGetter, ListboxDataFieldSetter,                     \
                  offsetof(ListboxObject, dataField)),                                           \
      QV_PROPERTY("GridLinesHorizontal", Integer, intGetter, listHGridLinesSetter,               \
                  offsetof(ListboxObject, gridLinesHorizontal)),                                 \
      QV_PROPERTY("GridLinesVertical", Integer, intGetter, listVGridLinesSetter,                 \
                  offsetof(ListboxObject, gridLinesVertical)),                                   \
      QV_PROPERTY("DefaultRowHeight", Integer, intGetter, listDefaultRowHeightSetter,            \
                  offsetof(ListboxObject, defaultRowHeight)),                                    \
      QV_READONLY("ActiveCell", Class<"EditField">, listActiveCellGetter)                        \
          .Flags(kReadOnlyAtRunTime),                                                            \
      QV_PROPERTY("SortedColumn", Integer, listSortedColumnGetter, listSortedColumnSetter)       \
          .Flags(kReadOnlyAtRunTime),                                                            \
      QV_PROPERTY("ColumnsResizable", Boolean, boolGetter, boolSetter,                           \
                  offsetof(ListboxObject, columnsResizable))                                     \
          .Flags(kDesignOnly),                                                                   \
      QV_PROPERTY("RequiresSelection", Boolean, boolGetter, listRequiresSelectionSetter,         \
                  offsetof(ListboxObject, requiresSelection))

const PropertyRow kListboxProperties[] = {
    QV_LISTBOX_COMMON_PROPERTIES,
    QV_PROPERTY("SelectionType", Integer, intGetter, listSelectionTypeSetter,
                offsetof(ListboxObject, selectionType)),
    QV_LISTBOX_MIDDLE_PROPERTIES,
    QV_PROPERTY("UseFocusRing", Boolean, listboxUseFocusRingGetter, listboxUseFocusRingSetter),
    QV_LISTBOX_LATER_PROPERTIES,
    QV_PROPERTY("AutoHideScrollbars", Boolean, boolGetter, listAutoHideScrollbarSetter,
                offsetof(ListboxObject, autoHideScrollbars)),
    QV_PROPERTY("_ScrollWidth", Integer, intGetter, listScrollbarWidthSetter,
                offsetof(ListboxObject, scrollWidth)),
    QV_PROPERTY("_ScrollOffset", Integer, intGetter, listScrollbarOffsetSetter,
                offsetof(ListboxObject, scrollOffset)),
};

// The older class: UseFocusRing a plain field, no scroll-bar tuning.
const PropertyRow kOldListboxProperties[] = {
    QV_LISTBOX_COMMON_PROPERTIES,
    QV_PROPERTY("SelectionType", Integer, intGetter, listSelectionTypeSetter,
                offsetof(ListboxObject, selectionType))
        .Flags(kCompilerFlag),
    QV_LISTBOX_MIDDLE_PROPERTIES,
    QV_PROPERTY("UseFocusRing", Boolean, boolGetter, boolSetter,
                offsetof(ListboxObject, useFocusRing))
        .Flags(kCompilerFlag),
    QV_LISTBOX_LATER_PROPERTIES,
};
#undef QV_LISTBOX_LATER_PROPERTIES
#undef QV_LISTBOX_MIDDLE_PROPERTIES
#undef QV_LISTBOX_COMMON_PROPERTIES

#define QV_ROW_COLUMN Param("row", Integer), Param("column", Integer)

#define QV_LISTBOX_METHODS                                                                        \
  QV_SUB("DeleteAllRows", RuntimeListEmpty), QV_SUB("AddRow", RuntimeListAddRow,                  \
                                                    Param("Text", String)),                       \
      QV_SUB("InsertRow", RuntimeListInsertRow, Param("row", Integer), Param("text", String),     \
             Param("_indent", Integer).Default(0)),                                               \
      QV_SUB("AddFolder", RuntimeListAddParent, Param("Text", String)),                           \
      QV_SUB("InsertFolder", RuntimeListInsertParent, Param("row", Integer),                      \
             Param("text", String), Param("_indent", Integer).Default(0)),                        \
      QV_SUB("RemoveRow", RuntimeRemoveRow, Param("Index", Integer)),                             \
      QV_FUNCTION_ASSIGNS("List", String, RuntimeGetRow, RuntimeSetRow, Param("Index", Integer)), \
      QV_FUNCTION_ASSIGNS("Cell", String, listGetCell, listSetCell, QV_ROW_COLUMN),               \
      QV_FUNCTION_ASSIGNS("CellBold", Boolean, listGetCellBold, listSetCellBold, QV_ROW_COLUMN),  \
      QV_FUNCTION_ASSIGNS("CellItalic", Boolean, listGetCellItalic, listSetCellItalic,            \
                          QV_ROW_COLUMN),                                                         \
      QV_FUNCTION_ASSIGNS("CellUnderline", Boolean, listGetCellUnderline, listSetCellUnderline,   \
                          QV_ROW_COLUMN),                                                         \
      QV_SUB("InvalidateCell", listInvalidateCell, QV_ROW_COLUMN),                                \
      QV_FUNCTION_ASSIGNS("RowPicture", Class<"Picture">, listGetRowPicture, listSetRowPicture,   \
                          Param("Index", Integer)),                                               \
      QV_FUNCTION_ASSIGNS("Selected", Boolean, listGetSelected, listSetSelected,                  \
                          Param("v", Integer)),                                                   \
      QV_FUNCTION_ASSIGNS("Expanded", Boolean, listGetExpanded, listSetExpanded,                  \
                          Param("v", Integer)),                                                   \
      QV_FUNCTION_ASSIGNS("Heading", String, listGetHeading, listSetHeading,                      \
                          Param("Index", Integer)),                                               \
      QV_SUB("addListSelectionNotificationReceiver", listAddLSNR,                                 \
             Param("receiver", Class<"listSelectionNotificationReceiver">)),                      \
      QV_SUB("removeListSelectionNotificationReceiver", listRemoveLSNR,                           \
             Param("receiver", Class<"listSelectionNotificationReceiver">)),                      \
      QV_SUB("BindList", listBind, Param("data", Class<"listDataProvider">)),                     \
      QV_SUB("listDataInsertedRow", listListDataInsertedRow, Param("v", Integer)),                \
      QV_SUB("listDataRemovedRow", listListDataRemovedRow, Param("v", Integer)),                  \
      QV_SUB("listDataReload", listListDataReload),                                               \
      QV_FUNCTION_ASSIGNS("CellCheck", Boolean, listCellCheckGetter, listCellCheckSetter,         \
                          QV_ROW_COLUMN),                                                         \
      QV_FUNCTION_ASSIGNS("CellType", Integer, listCellTypeGetter, listCellTypeSetter,            \
                          QV_ROW_COLUMN),                                                         \
      QV_FUNCTION_ASSIGNS("ColumnType", Integer, listColumnTypeGetter, listColumnTypeSetter,      \
                          Param("Index", Integer)),                                               \
      QV_FUNCTION_ASSIGNS("CellAlignment", Integer, listCellAlignmentGetter,                      \
                          listCellAlignmentSetter, QV_ROW_COLUMN),                                \
      QV_FUNCTION_ASSIGNS("ColumnAlignment", Integer, listColumnAlignmentGetter,                  \
                          listColumnAlignmentSetter, Param("Index", Integer)),                    \
      QV_FUNCTION_ASSIGNS("CellAlignmentOffset", Integer, listCellAlignmentOffsetGetter,          \
                          listCellAlignmentOffsetSetter, QV_ROW_COLUMN),                          \
      QV_FUNCTION_ASSIGNS("ColumnAlignmentOffset", Integer, listColumnAlignmentOffsetGetter,      \
                          listColumnAlignmentOffsetSetter, Param("Index", Integer)),              \
      QV_FUNCTION("getBoundPart", Class<"Object">, listGetBoundPart, Param("Str", String)),       \
      QV_FUNCTION_ASSIGNS("CellBorderTop", Integer, listGetCellBorderTop, listSetCellBorderTop,   \
                          QV_ROW_COLUMN),                                                         \
      QV_FUNCTION_ASSIGNS("CellBorderLeft", Integer, listGetCellBorderLeft,                       \
                          listSetCellBorderLeft, QV_ROW_COLUMN),                                  \
      QV_FUNCTION_ASSIGNS("CellBorderBottom", Integer, listGetCellBorderBottom,                   \
                          listSetCellBorderBottom, QV_ROW_COLUMN),                                \
      QV_FUNCTION_ASSIGNS("CellBorderRight", Integer, listGetCellBorderRight,                     \
                          listSetCellBorderRight, QV_ROW_COLUMN),                                 \
      QV_SUB("EditCell", listEditCell, QV_ROW_COLUMN),                                            \
      QV_FUNCTION_ASSIGNS("ColumnSortDirection", Integer, listColumnSortDirectionGetter,          \
                          listColumnSortDirectionSetter, Param("Index", Integer)),                \
      QV_SUB("Sort", RuntimeListResort),                                                          \
      QV_FUNCTION_ASSIGNS("Column", Class<"ListColumn">, listColumnGetter, listColumnSetter,      \
                          Param("Index", Integer)),                                               \
      QV_SUB("PressHeader", listColumnPressHeader, Param("v", Integer)),                          \
      QV_FUNCTION_ASSIGNS("CellTag", Class<"Variant">, listGetCellTag, listSetCellTag,            \
                          QV_ROW_COLUMN)

const MethodRow kListboxMethods[] = {
    QV_LISTBOX_METHODS,
    QV_FUNCTION("RowFromXY", Integer, listRowFromXY, Param("X", Integer), Param("Y", Integer)),
    QV_FUNCTION("ColumnFromXY", Integer, listColFromXY, Param("X", Integer), Param("Y", Integer)),
};

const MethodRow kOldListboxMethods[] = {QV_LISTBOX_METHODS};
#undef QV_LISTBOX_METHODS
#undef QV_ROW_COLUMN

const EventImplementationRow kListboxImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", ListboxCreatePane),
};

const ClassGetter kListboxInterfaces[] = {
    ListSelectionNotifierInterfaceDefinition, ListDataNotificationReceiverInterfaceDefinition,
    BindingPartInterfaceDefinition, ListInterfaceDefinition};

}  // namespace

QV_CLASS(ListboxClassDefinition,
         .name = "Listbox",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(ListboxObject),
         .properties = kListboxProperties,
         .methods = kListboxMethods,
         .events = kListboxEventRows,
         .eventImplementations = kListboxImplementations,
         .initializer = QV_CODE(listboxConstructor),
         .finalizer = QV_CODE(listboxDestructor),
         .interfaces = kListboxInterfaces)
QV_STARTUP_CLASS(kStartupListboxClass, ListboxClassDefinition)

QV_CLASS(OldListboxClassDefinition,
         .name = "OldListbox",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(ListboxObject),
         .properties = kOldListboxProperties,
         .methods = kOldListboxMethods,
         .events = kOldListboxEventRows,
         .eventImplementations = kListboxImplementations,
         .initializer = QV_CODE(listboxConstructor),
         .finalizer = QV_CODE(listboxDestructor),
         .interfaces = kListboxInterfaces)
QV_STARTUP_CLASS(kStartupOldListboxClass, OldListboxClassDefinition)

// ---- construction and destruction ----

extern "C" void listboxConstructor(RuntimeObject* list) {
  if (!list) return;
  AsListbox(list)->columnCount = 1;
  AsListbox(list)->lastIndex = -1;
}
QV_EXPORT(listboxConstructor)

extern "C" void listboxDestructor(RuntimeObject* list) {
  if (!list) return;
  ListboxObject* record = AsListbox(list);
  ReceiverListClear(&record->focusGainedReceivers);
  ReceiverListClear(&record->focusLostReceivers);
  for (stringStorage** text : {&record->font.name, &record->initialValue, &record->columnWidths,
                               &record->dataSource, &record->dataField}) {
    stringStorage::RemoveReference(*text);
    *text = nullptr;
  }
  if (RuntimeObject* bound = std::exchange(record->boundList, nullptr)) {
    RuntimeUnlockObject(bound);
  }
}
QV_EXPORT(listboxDestructor)

namespace {

// The held values the pane takes once, in the order a list is built up. A ColumnWidths text
// the pane refuses leaves every column "1*"; its exception is raised after the last step.
void HandHeldValuesToPane(RuntimeObject* list, RuntimeListbox* pane) {
  ListboxObject* record = AsListbox(list);
  const ControlObject& control = record->control;
  if (record->scrollWidth > 0) {
    pane->SetScrollBarWidth(record->scrollWidth);
    pane->ComputeColumnEdges();
  }
  pane->SetBarShortening(record->scrollOffset);
  pane->SetHorizontalOffset(record->scrollPositionX);
  ApplyListFontRecord(list, pane);
  pane->hierarchical = record->hierarchical == 1;
  pane->InvalidateTextHeight();
  pane->hasHeading = record->hasHeading != 0;
  // 0 is a height never set: rows keep the text's height.
  pane->defaultRowHeight = record->defaultRowHeight > 0 ? record->defaultRowHeight : -1;
  pane->SetFocusRing(record->useFocusRing != 0);
  pane->SetColumnsResizable(record->columnsResizable != 0);
  pane->SetColumnCount(record->columnCount < 1 ? 1 : record->columnCount);
  // The buttons follow the widths once they are resolved; the list lays out below them.
  if (pane->hasHeading) pane->BuildHeader();
  if (record->scrollBarVertical) pane->ShowVerticalScrollBar();
  if (!control.enabled) pane->ApplyStateCode(kControlDisable);
  if (!control.visible) pane->ApplyStateCode(kControlHide);
  pane->enableDrag = record->enableDrag != 0;
  pane->enableDragReorder = record->enableDragReorder != 0;
  pane->ApplyInitialValue();
}

// The rest, in order: widths, sorting, scrolling, data source, alignments, the required
// selection. Answers the refused ColumnWidths item, empty when there was none.
string FinishListboxPane(RuntimeObject* list, RuntimeListbox* pane) {
  ListboxObject* record = AsListbox(list);
  std::vector<string> items;
  string refused;
  if (!SplitColumnWidths(string(record->columnWidths), pane->ColumnCount(), items, &refused)) {
    items.assign(size_t(pane->ColumnCount()), string("1*"));
  }
  ApplyColumnWidths(pane, items);
  if (record->pendingHeadingIndex >= -1 && record->pendingHeadingIndex < pane->ColumnCount()) {
    pane->SetSortedColumn(record->pendingHeadingIndex);
  }
  pane->ScrollToRow(record->scrollPosition);
  if (record->scrollBarHorizontal) {
    pane->ShowHorizontalScrollBar();
    pane->ScrollHorizontallyTo(record->scrollPositionX);
  }
  pane->SetAutoHide(record->autoHideScrollbars != 0);
  pane->UpdateScrollBarsAndLayout();
  pane->SetDataSource(string(record->dataSource));
  pane->Bind();
  for (int32_t i = 0; i < kMaxListColumns; ++i) {
    pane->SetColumnAlignment(i, record->columnAlignments[i], record->columnAlignmentOffsets[i]);
    pane->SetColumnType(i, record->columnTypes[i]);
  }
  pane->requiresSelection = record->requiresSelection != 0;
  if (record->requiresSelection && pane->FirstSelectedRow() < 0 && pane->RowCount() > 0) {
    pane->SelectRow(0, false);
  }
  return refused;
}

}  // namespace

extern "C" void ListboxCreatePane(RuntimeObject* list) {
  if (!QV_CHECK_TEXT(list, "self", nullptr)) return;
  ListboxObject* record = AsListbox(list);
  ControlObject& control = record->control;
  if (!QV_CHECK_TEXT(control.ownerPane, "self->mOwnerPane", nullptr)) return;
  record->paneCreated = 1;
  RuntimeListbox* pane =
      new RuntimeListbox(list, control.ownerPane, control.bounds, record->selectionType != 0);
  AdoptControlPane(list, pane);
  RuntimeLockObject(list);
  if (pane->RetainChain()) {
    HandHeldValuesToPane(list, pane);
    const string refused = FinishListboxPane(list, pane);
    if (!pane->ReleaseChain() && !refused.IsEmpty()) RaiseUnrecognizedExpression(refused);
  }
  RuntimeUnlockObject(list);
}
QV_EXPORT(ListboxCreatePane)
