// The controls of a window: its control map, the panes of its controls, and the delegate that
// carries a control pane's drag, drop and focus notices to the control's handlers.
//
// The map (mControls of the window object) keeps insertion order; its key is the control's
// name, or for a member of a control array the name, "$" and the index ("Button$2"); names
// compare ignoring case. It holds Controls, and the other objects that live on a window (those
// implementing _PaneChild, such as timers and sockets), each with one reference, while the
// window is open. When the window closes, every entry loses that reference; a Control that
// something else still holds stays listed without it until it is destroyed: its finalizer calls
// RemoveControlFromWindow, which takes the entry out and clears its window field. A window
// whose controls were given up so takes no new entries until its native window is built again.
#pragma once

#include <cstdint>
#include <memory>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "core/StringMap.h"
#include "strings/RuntimeString.h"
#include "windows/Pane.h"

class SubPane;

// The key of name with index in the control map.
string ControlMapKey(const string& name, int32_t index);
// A walk over a control map in insertion order; it survives removals of entries.
using ControlMapWalk = std::unique_ptr<StringMapIterator<RuntimeObject*>>;
ControlMapWalk WalkControlMap(StringMap<RuntimeObject*>* map);

// Raises CreatePane and sets the new pane up from the control: its link, panel page, state
// (hidden or disabled by the control or by a control that holds it), help texts and delegate.
// Nil when the control made no pane.
SubPane* CreateControlPane(RuntimeObject* control);
// True while CreateControlPane runs for a control added to a running window.
bool IsCreatingControlAtRunTime();
// The control finalizer's part: takes control out of its window's map (without a release) and
// clears its window field. Nothing for a control on no window.
void RemoveControlFromWindow(RuntimeObject* control);

// Objects that live on a window without being Controls (timers, sockets) implement _PaneChild.
bool IsPaneChild(RuntimeObject* object);
// The function object's class binds to the _PaneChild method of that name ("_SetWindow",
// "_Index", "_SetIndex"); nil when it has none.
void* PaneChildMethod(RuntimeObject* object, const char* name);

// The delegate of every control pane: drag and drop notices raise the control's events; focus
// drawing and invalidation go to the pane's owner. It holds the control.
class RuntimePaneDelegate : public PaneDelegate {
 public:
  explicit RuntimePaneDelegate(RuntimeObject* control);
  ~RuntimePaneDelegate() override;

  // Clears the control's pane field and the pane's delegate, and deletes this delegate.
  void PaneClosing(Pane* pane) override;
  void DropObject(Pane* pane, RuntimeObject* dragItem, int32_t action) override;
  bool DrawFocusGained() override;
  bool DrawFocusLost() override;
  // Limits rect to the bounds of the pane's owner.
  void ClipRect(Pane* pane, QV::Rect& rect) override;
  bool DragEnter(RuntimeObject* dragItem, int32_t action) override;
  void DragExit(RuntimeObject* dragItem, int32_t action) override;
  bool DragOver(int32_t x, int32_t y, RuntimeObject* dragItem, int32_t action) override;

 private:
  RuntimeObject* mControl;
};

// ---- the events of controls ----
//
// Every event of a control (and every event of the window an embedded-window control stands
// for, raised by that control's pane) goes into compiled code through CallControlHandler. For
// the call it holds the control, its window object, the object the handler is called on, every
// object among the arguments, and the control's pane with the pane's owners (or, without a
// pane, the control's native window); afterwards it tells whether all of that is still open.
// A closed control gets no event: once its Close was raised nothing more is called for it until
// a new pane is made for it (ControlClose, or its window's close; see RaiseControlClose).

// True once control's Close was raised (until a new pane is made for it), or while its pane
// is closing. Nil counts as closed.
bool IsControlClosed(RuntimeObject* control);

// Calls handler with self (control, or the window control stands for) and then args, holding
// what is said above. The handler's answer, or R() without a handler or for a closed control;
// *open (when given) tells whether the control is still open afterwards: not closed, its pane
// and window open, and alive through a reference other than the call's own. When it is false,
// the caller touches nothing of the control, its pane or its window.
template <typename R = void, typename... Args>
R CallControlHandler(RuntimeObject* control, RuntimeObject* self, const void* handler, bool* open,
                     Args... args);

// CallControlHandler of the handler that control's event table holds for hook's event.
template <typename R = void, typename... Args>
R RaiseControlEvent(RuntimeObject* control, const ObjectHook* hook, bool* open, Args... args);

// Raises control's Close, once: from then on the control counts as closed.
void RaiseControlClose(RuntimeObject* control);

extern "C" {
void WindowAddControl(RuntimeObject* window, stringStorage* name, RuntimeObject* object);
int32_t windowControlCountGetter(RuntimeObject* window, uint32_t parameter);
// The index-th Control (locked); an index with none raises OutOfBoundsException.
RuntimeObject* windowControl(RuntimeObject* window, int32_t index);
// The object registered under name in the window's control map, or for a control array under
// name, "$" and index; nil when the window, its map or the key is missing. Fetch adds no
// reference, the others one for the caller.
RuntimeObject* RuntimeControlFetch(RuntimeObject* window, stringStorage* name);
RuntimeObject* RuntimeControlReference(RuntimeObject* window, stringStorage* name);
RuntimeObject* RuntimeControlArrayItemReference(RuntimeObject* window, stringStorage* name,
                                                int32_t index);
// A new object of cls that belongs to window: a control clone, a timer, a socket.
RuntimeObject* WindowAllocateObject(RuntimeObject* window, RuntimeClass* cls);
void WindowAddMenuHandler(RuntimeObject* window, stringStorage* name, void* handler);
}

// ---- template definitions ----

#include "core/CompiledCall.h"
#include "core/EventHandlers.h"
#include "windows/ControlRecord.h"
#include "windows/SubPane.h"

// Holds what a control event may close: the pane with its owners, or without a pane the
// control's native window; tells afterwards whether they are still open.
class ControlEventHold {
 public:
  explicit ControlEventHold(RuntimeObject* control);
  ~ControlEventHold();
  ControlEventHold(const ControlEventHold&) = delete;
  ControlEventHold& operator=(const ControlEventHold&) = delete;
  // Releases what is held; true when all of it is still there and not closing.
  bool Finish();

 private:
  SubPane* mHeld = nullptr;  // the pane (chain) or the native window
  bool mChain = false;
  bool mFinished = false;
};

namespace control_events {

// Tells a protected call that a control was closed (its Close raised).
const ObjectCloseState& ControlCloseState();

// The call itself, for a control that may be raised to.
template <typename R, typename... Args>
R CallHeld(RuntimeObject* control, RuntimeObject* self, const void* handler, bool* open,
           Args... args) {
  ControlEventHold hold(control);
  CompiledCall call;
  call.Protect(control, &ControlCloseState()).Protect(AsControl(control)->window).Protect(self);
  call.ProtectObjects(args...);
  if constexpr (std::is_void_v<R>) {
    call.Invoke<void>(handler, self, args...);
    const bool stillOpen = hold.Finish() && call.StillOpen(control);
    if (open) *open = stillOpen;
  } else {
    const R result = call.Invoke<R>(handler, self, args...);
    const bool stillOpen = hold.Finish() && call.StillOpen(control);
    if (open) *open = stillOpen;
    return result;
  }
}

}  // namespace control_events

template <typename R, typename... Args>
R CallControlHandler(RuntimeObject* control, RuntimeObject* self, const void* handler, bool* open,
                     Args... args) {
  if (IsControlClosed(control) || !self) {
    if (open) *open = false;
    return R();
  }
  return control_events::CallHeld<R>(control, self, handler, open, args...);
}

template <typename R, typename... Args>
R RaiseControlEvent(RuntimeObject* control, const ObjectHook* hook, bool* open, Args... args) {
  return CallControlHandler<R>(control, control, LookupEventHandler(control, hook), open,
                               args...);
}
