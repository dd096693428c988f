// The language class "MDIWindow": the frame of a multiple-document interface, which this
// platform does not have. Its object only keeps its bounds, size limits and visibility for
// compiled code to read and write; its methods do nothing and its events are never raised.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/Rect.h"
#include "core/RuntimeObject.h"

struct MDIWindowObject {
  RuntimeObject header;
  QV::Rect bounds;
  int16_t minWidth;
  int16_t minHeight;
  int16_t maxWidth;
  int16_t maxHeight;
  uint8_t visible;
  uint8_t unused[3];
  int32_t handle;
  uint32_t words[2];
};
static_assert(sizeof(MDIWindowObject) == 56 && offsetof(MDIWindowObject, minWidth) == 32 &&
                  offsetof(MDIWindowObject, visible) == 40 &&
                  offsetof(MDIWindowObject, handle) == 44,
              "MDIWindow instances are 56 bytes");

ObjectDefinition* MDIWindowClassDefinition();

extern "C" {
void MDIWindowConstructor(RuntimeObject* window);
void MDIWindowDestructor(RuntimeObject* window);
// which: 0 left, 1 top, 2 width, 3 height; others read 0 and write nothing.
int32_t MDIWindowPosGetter(RuntimeObject* window, uint32_t which);
void MDIWindowPosSetter(RuntimeObject* window, uint32_t which, int32_t value);
stringStorage* MDIWindowTitleGetter(RuntimeObject* window, uint32_t unused);
void MDIWindowTitleSetter(RuntimeObject* window, uint32_t unused, stringStorage* value);
int32_t MDIWindowVisibleGetter(RuntimeObject* window, uint32_t unused);
void MDIWindowVisibleSetter(RuntimeObject* window, uint32_t unused, int32_t value);
int32_t MDIWindowHandleGetter(RuntimeObject* window, uint32_t unused);
void MDIWindowMaximize(RuntimeObject* window);
void MDIWindowMinimize(RuntimeObject* window);
void MDIWindowRestore(RuntimeObject* window);
}
