#include "listbox/ListboxEvents.h"

#include <cstring>

#include "core/EventHandlers.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

namespace {

constinit ListboxHooks gListboxHooks = {};
constinit ListboxHooks gOldListboxHooks = {};

constexpr const char* kRowColumn = "row as Integer, column as Integer";
constexpr const char* kXY = "x As Integer, y As Integer";
// EnableMenuItems runs while the menu bar is being enabled.
constexpr uint32_t kMenuEnablingEvent = 0x20;

// The rows of one class; only DragReorderRows differs between the two.
constexpr void FillRows(EventRow (&rows)[kListEventCount], ListboxHooks& hooks,
                        const char* reorderParameters) {
  auto row = [&](ListboxEvent event, const char* name, const char* parameters = nullptr,
                 const char* result = nullptr) {
    rows[event] = MakeEventRow(name, &hooks.hooks[event], parameters, result);
  };
  row(kListChange, "Change");
  row(kListDoubleClick, "DoubleClick");
  row(kListKeyDown, "KeyDown", "key As String", "Boolean");
  row(kListEnableMenuItems, "EnableMenuItems");
  rows[kListEnableMenuItems] = rows[kListEnableMenuItems].Flags(kMenuEnablingEvent);
  row(kListExpandRow, "ExpandRow", "row As Integer");
  row(kListCollapseRow, "CollapseRow", "row As Integer");
  row(kListDragRow, "DragRow", "drag As DragItem, row As Integer", "Boolean");
  row(kListSortColumn, "SortColumn", "column As Integer", "Boolean");
  row(kListCellAction, "CellAction", "row As Integer, column As Integer");
  row(kListGotFocus, "GotFocus");
  row(kListLostFocus, "LostFocus");
  row(kListCellBackgroundPaint, "CellBackgroundPaint",
      "g As Graphics, row As Integer, column As Integer", "Boolean");
  row(kListCellTextPaint, "CellTextPaint",
      "g As Graphics, row As Integer, column As Integer, x as Integer, y as Integer", "Boolean");
  row(kListCellClick, "CellClick",
      "row as Integer, column as Integer, x as Integer, y as Integer", "Boolean");
  row(kListCellKeyDown, "CellKeyDown", "row as Integer, column as Integer, key as String",
      "Boolean");
  row(kListCellTextChange, "CellTextChange", kRowColumn);
  row(kListCellGotFocus, "CellGotFocus", kRowColumn);
  row(kListCellLostFocus, "CellLostFocus", kRowColumn);
  row(kListMouseDown, "MouseDown", kXY, "Boolean");
  row(kListMouseDrag, "MouseDrag", kXY);
  row(kListMouseUp, "MouseUp", kXY);
  row(kListCompareRows, "CompareRows",
      "row1 as Integer, row2 as Integer, column as Integer, ByRef result as Integer", "Boolean");
  row(kListDragReorderRows, "DragReorderRows", reorderParameters, "Boolean");
  row(kListHeaderPressed, "HeaderPressed", "column as Integer", "Boolean");
}

struct RowTable {
  EventRow rows[kListEventCount];
};

constexpr RowTable MakeRows(ListboxHooks& hooks, const char* reorderParameters) {
  RowTable table{};
  FillRows(table.rows, hooks, reorderParameters);
  return table;
}

constexpr RowTable kListboxTable =
    MakeRows(gListboxHooks, "newPosition as Integer, parentRow as Integer");
constexpr RowTable kOldListboxTable = MakeRows(gOldListboxHooks, "newPosition as Integer");

template <size_t N>
constexpr bool EveryRowNamed(const EventRow (&rows)[N]) {
  for (const EventRow& row : rows) {
    if (!row.name || !row.hookOut) return false;
  }
  return true;
}
static_assert(EveryRowNamed(kListboxTable.rows) && EveryRowNamed(kOldListboxTable.rows),
              "every list-box event has its row");

}  // namespace

constinit const EventRow kListboxEventRows[kListEventCount] = {
#define QV_LIST_ROW(i) kListboxTable.rows[i]
    QV_LIST_ROW(0),  QV_LIST_ROW(1),  QV_LIST_ROW(2),  QV_LIST_ROW(3),  QV_LIST_ROW(4),
    QV_LIST_ROW(5),  QV_LIST_ROW(6),  QV_LIST_ROW(7),  QV_LIST_ROW(8),  QV_LIST_ROW(9),
    QV_LIST_ROW(10), QV_LIST_ROW(11), QV_LIST_ROW(12), QV_LIST_ROW(13), QV_LIST_ROW(14),
    QV_LIST_ROW(15), QV_LIST_ROW(16), QV_LIST_ROW(17), QV_LIST_ROW(18), QV_LIST_ROW(19),
    QV_LIST_ROW(20), QV_LIST_ROW(21), QV_LIST_ROW(22), QV_LIST_ROW(23),
#undef QV_LIST_ROW
};

constinit const EventRow kOldListboxEventRows[kListEventCount] = {
#define QV_LIST_ROW(i) kOldListboxTable.rows[i]
    QV_LIST_ROW(0),  QV_LIST_ROW(1),  QV_LIST_ROW(2),  QV_LIST_ROW(3),  QV_LIST_ROW(4),
    QV_LIST_ROW(5),  QV_LIST_ROW(6),  QV_LIST_ROW(7),  QV_LIST_ROW(8),  QV_LIST_ROW(9),
    QV_LIST_ROW(10), QV_LIST_ROW(11), QV_LIST_ROW(12), QV_LIST_ROW(13), QV_LIST_ROW(14),
    QV_LIST_ROW(15), QV_LIST_ROW(16), QV_LIST_ROW(17), QV_LIST_ROW(18), QV_LIST_ROW(19),
    QV_LIST_ROW(20), QV_LIST_ROW(21), QV_LIST_ROW(22), QV_LIST_ROW(23),
#undef QV_LIST_ROW
};

ListboxHooks& ListboxHooksOf(bool old) { return old ? gOldListboxHooks : gListboxHooks; }

bool IsOldListboxObject(const RuntimeObject* owner) {
  if (!owner) return false;
  for (const RuntimeClass* cls = owner->classPtr; cls; cls = cls->parentClass) {
    if (string(cls->className).Compare(string("OldListbox")) == 0) return true;
  }
  return false;
}

ListboxHandlers CacheListboxHandlers(RuntimeObject* owner) {
  ListboxHandlers cached;
  if (!owner) return cached;
  const ListboxHooks& hooks = ListboxHooksOf(IsOldListboxObject(owner));
  for (int32_t i = 0; i < kListEventCount; ++i) {
    cached.handlers[i] = LookupEventHandler(owner, hooks.hooks[i]);
  }
  return cached;
}
