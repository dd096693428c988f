// Windows embedded in other windows (ContainerControl). An embedded window never has a native
// window of its own: a control of the control classes (an EmbeddedWindowControl) stands for it
// in the window that holds it, and its own controls' panes lie inside that control's pane, in
// the topmost native window. The window keeps a weak link to the window it is embedded in; the
// link holds while the standing control is on that window.
//
// The control classes stand above this layer: they install what the window code needs of them
// (WindowEmbeddingLink) when they are defined. Before that no window is embedded.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/Rect.h"
#include "core/RuntimeObject.h"

class RuntimeViewWindow;

struct WindowEmbeddingLink {
  ObjectDefinition* (*containerControlClass)() = nullptr;
  // A new control standing for window (one reference for the caller).
  RuntimeObject* (*newStandingControl)(RuntimeObject* window) = nullptr;
  // The window an EmbeddedWindowControl stands for; nil for any other object.
  RuntimeObject* (*windowStoodFor)(RuntimeObject* control) = nullptr;
  // Embeds window (not yet embedded) into holder at its own designed place, leaving its
  // Open events to the holder's.
  void (*embedAsDesigned)(RuntimeObject* window, RuntimeObject* holder) = nullptr;
  // Lets go of the standing control of a window that was never embedded (its destruction).
  void (*dropStandingControl)(RuntimeObject* window) = nullptr;
  // Closes the standing control with the embedded window's controls.
  void (*closeEmbedded)(RuntimeObject* window) = nullptr;
  // The standing control's accessors.
  void (*setVisible)(RuntimeObject* control, uint32_t parameter, int32_t visible) = nullptr;
  int32_t (*position)(RuntimeObject* control, uint32_t which) = nullptr;
  void (*setPosition)(RuntimeObject* control, uint32_t which, int32_t value) = nullptr;
};
WindowEmbeddingLink& WindowEmbedding();

// True for an object of "ContainerControl" or a subclass.
bool IsContainerControl(RuntimeObject* object);
// The window embedded through control when control is an EmbeddedWindowControl, else nil.
RuntimeObject* WindowStoodFor(RuntimeObject* control);
// The control standing for window while window is embedded in another, else nil.
RuntimeObject* StandingControlOf(RuntimeObject* window);
// The window that window is embedded in, or nil.
RuntimeObject* HolderOf(RuntimeObject* window);
// The window at the top of window's chain of holders (window itself when it is not embedded).
RuntimeObject* TopWindowOf(RuntimeObject* window);
// The native window of TopWindowOf(window), or nil.
RuntimeViewWindow* TopNativeWindowOf(RuntimeObject* window);
// Where window's content starts in its top window's content: the top left corner of the
// control standing for it, (0, 0) for a window that is not embedded.
QV::Point ContentOriginOf(RuntimeObject* window);
// Makes the pane of control, one of the embedded window's controls, in the top native window:
// inside the standing control's pane unless it has a parent control of its own, its rectangle
// moved from the window's coordinates to the top window's. The standing control must exist.
class SubPane;
SubPane* CreateEmbeddedControlPane(RuntimeObject* window, RuntimeObject* control);
// Shows or hides the control standing for an embedded window; nothing for another window.
void ShowEmbeddedWindow(RuntimeObject* window, bool visible);
// Calls visit with each window embedded directly in window (through the standing controls of
// its control map), in insertion order. visit must not change the map.
template <typename Visit>
void ForEachEmbeddedWindow(RuntimeObject* window, Visit visit);

// ---- template definitions ----

#include "windows/WindowControls.h"
#include "windows/WindowObject.h"

template <typename Visit>
void ForEachEmbeddedWindow(RuntimeObject* window, Visit visit) {
  StringMap<RuntimeObject*>* map = window ? AsWindow(window)->mControls : nullptr;
  if (!map) return;
  ControlMapWalk walk = WalkControlMap(map);
  RuntimeObject* object = nullptr;
  while (walk->Next() && walk->GetValue(&object)) {
    if (RuntimeObject* inner = WindowStoodFor(object)) visit(inner);
  }
}
