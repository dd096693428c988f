// The three mouse events of the controls that draw themselves or sit over a plain GTK widget
// (shapes, lines, group boxes, progress bars): "MouseDown"(X, Y) As Boolean, "MouseDrag"(X, Y)
// and "MouseUp"(X, Y), raised on the pane's control with the point relative to the pane.
//
// Each call holds the control, its window and the pane with its owners for the handler
// (RaiseControlEvent), and nothing touches the pane once the handler closed it.
#pragma once

#include <cstdint>

#include "core/ClassDefinitionRows.h"
#include "core/ObjectDefinition.h"

class SubPane;

// Filled in as a class's event rows are built; each class has its own.
struct MouseEventHooks {
  ObjectHook* mouseDown = nullptr;
  ObjectHook* mouseDrag = nullptr;
  ObjectHook* mouseUp = nullptr;
};

inline constexpr const char* kMouseEventParameters = "X As Integer, Y As Integer";

// The class's three event rows, which fill hooks.
#define QV_MOUSE_EVENT_ROWS(hooks)                                                  \
  QV_EVENT("MouseDown", &(hooks).mouseDown, kMouseEventParameters, "Boolean"),       \
      QV_EVENT("MouseDrag", &(hooks).mouseDrag, kMouseEventParameters),              \
      QV_EVENT("MouseUp", &(hooks).mouseUp, kMouseEventParameters)

// (x, y) in window content coordinates. False without a handler, or when it answers False:
// the click goes on to the panes behind. True when it answers True (the pane then holds the
// mouse capture until the release) or when the pane closed meanwhile.
bool RaiseMouseDownEvent(SubPane* pane, const MouseEventHooks& hooks, int32_t x, int32_t y);
void RaiseMouseDragEvent(SubPane* pane, const MouseEventHooks& hooks, int32_t x, int32_t y);
void RaiseMouseUpEvent(SubPane* pane, const MouseEventHooks& hooks, int32_t x, int32_t y);
