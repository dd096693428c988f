// The events of the list-box classes "Listbox" and "OldListbox", and the handlers a list-box
// pane caches from its control.
//
// The language classes declare their events with the rows below (kListboxEventRows,
// kOldListboxEventRows: the same 24 events in the same order, but for the parameter text of
// DragReorderRows); building a class stores its hooks in ListboxHooksOf(old). The pane looks
// the 24 handlers up once, at construction (CacheListboxHandlers), and raises an event only
// when its handler is there.
//
// Promises:
// - The rows are constant-initialised: a class getter may read them at any time.
// - A pane without an owner, or an owner whose class declares none of these events, caches
//   no handlers: every event then is "not handled".
#pragma once

#include <cstdint>

#include "core/ClassDefinitionRows.h"
#include "core/CompiledCall.h"

struct RuntimeObject;

// The events in the order of their rows.
enum ListboxEvent : int32_t {
  kListChange,
  kListDoubleClick,
  kListKeyDown,
  kListEnableMenuItems,
  kListExpandRow,
  kListCollapseRow,
  kListDragRow,
  kListSortColumn,
  kListCellAction,
  kListGotFocus,
  kListLostFocus,
  kListCellBackgroundPaint,
  kListCellTextPaint,
  kListCellClick,
  kListCellKeyDown,
  kListCellTextChange,
  kListCellGotFocus,
  kListCellLostFocus,
  kListMouseDown,
  kListMouseDrag,
  kListMouseUp,
  kListCompareRows,
  kListDragReorderRows,
  kListHeaderPressed,
  kListEventCount
};

// The hooks one class's event declarations fill, indexed by ListboxEvent.
struct ListboxHooks {
  ObjectHook* hooks[kListEventCount];
};
// The hooks of "OldListbox" when old is true, else those of "Listbox".
ListboxHooks& ListboxHooksOf(bool old);

// The event declarations, for the classes' definitions.
extern const EventRow kListboxEventRows[kListEventCount];
extern const EventRow kOldListboxEventRows[kListEventCount];

// True when owner's class is "OldListbox" or derives from it.
bool IsOldListboxObject(const RuntimeObject* owner);

// The compiled handlers of one list box, nil where the control has none.
struct ListboxHandlers {
  void* handlers[kListEventCount] = {};

  void* operator[](ListboxEvent event) const { return handlers[event]; }
  bool Has(ListboxEvent event) const { return handlers[event] != nullptr; }
};

// Looks up the 24 handlers of owner (the table of "OldListbox" for one of that class, else
// that of "Listbox"); none for a nil owner.
ListboxHandlers CacheListboxHandlers(RuntimeObject* owner);

// Calls one cached handler with owner first through calls, for a caller that holds owner, its
// pane and its window across a whole run of calls (a sort's comparisons): only the barrier, no
// reference taken and dropped per call. Every other event goes through CallControlHandler.
template <typename R = void, typename... Args>
R CallHeldListboxHandler(HeldCompiledCalls& calls, void* handler, RuntimeObject* owner,
                         Args... args) {
  if (!handler || !owner) return R();
  return calls.Invoke<R>(handler, owner, args...);
}
