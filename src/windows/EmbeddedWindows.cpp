// The window side of embedded windows: which objects are embedded windows and the controls
// standing for them, and the chain of holders up to the top native window.
#include "windows/EmbeddedWindows.h"

#include "core/ObjectDefinitionConverter.h"
#include "windows/ControlRecord.h"
#include "windows/RuntimeViewWindow.h"

WindowEmbeddingLink& WindowEmbedding() {
  static WindowEmbeddingLink link;
  return link;
}

bool IsContainerControl(RuntimeObject* object) {
  ObjectDefinition* (*containerClass)() = WindowEmbedding().containerControlClass;
  return object && containerClass && ObjectIsaDefinition(object, containerClass());
}

RuntimeObject* WindowStoodFor(RuntimeObject* control) {
  RuntimeObject* (*stoodFor)(RuntimeObject*) = WindowEmbedding().windowStoodFor;
  return control && stoodFor ? stoodFor(control) : nullptr;
}

RuntimeObject* StandingControlOf(RuntimeObject* window) {
  if (!window || AsWindow(window)->mImp) return nullptr;
  RuntimeObject* control = AsWindow(window)->mEmbeddedWindowControl;
  return control && AsControl(control)->window ? control : nullptr;
}

RuntimeObject* HolderOf(RuntimeObject* window) {
  return StandingControlOf(window) ? AsWindow(window)->embeddedWithin : nullptr;
}

// Embedding refuses cycles, so the walk ends.
RuntimeObject* TopWindowOf(RuntimeObject* window) {
  while (RuntimeObject* holder = HolderOf(window)) window = holder;
  return window;
}

RuntimeViewWindow* TopNativeWindowOf(RuntimeObject* window) {
  RuntimeObject* top = TopWindowOf(window);
  return top ? AsWindow(top)->mImp : nullptr;
}

QV::Point ContentOriginOf(RuntimeObject* window) {
  RuntimeObject* control = StandingControlOf(window);
  if (!control) return {0, 0};
  return {AsControl(control)->bounds.top, AsControl(control)->bounds.left};
}

SubPane* CreateEmbeddedControlPane(RuntimeObject* window, RuntimeObject* control) {
  RuntimeObject* standing = StandingControlOf(window);
  RuntimeObject* top = TopWindowOf(window);
  ControlObject* record = AsControl(control);
  if (!record->initialParent) {
    record->initialParent = standing;
    record->tabPanelIndex = AsControl(standing)->tabPanelIndex;
  }
  const QV::Rect& origin = AsControl(standing)->bounds;
  RectOffset(record->bounds, origin.left, origin.top);
  record->window = top;
  record->ownerPane = AsWindow(top)->mImp;
  SubPane* pane = CreateControlPane(control);
  record->window = window;
  return pane;
}

void ShowEmbeddedWindow(RuntimeObject* window, bool visible) {
  RuntimeObject* control = StandingControlOf(window);
  if (control && WindowEmbedding().setVisible) {
    WindowEmbedding().setVisible(control, 0, visible ? 1 : 0);
  }
}
