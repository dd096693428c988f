// The language class "MouseCursor", whose objects each carry one cursor handle, and the global
// functions ArrowCursor, WatchCursor and IBeamCursor, each of which makes a new one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "windows/CursorHandle.h"

struct MouseCursorObject {
  RuntimeObject header;
  CursorHandle* handle;  // owned; nil allowed
  uint32_t reserved;
};
static_assert(sizeof(MouseCursorObject) == 32, "MouseCursor objects are 32 bytes");
static_assert(offsetof(MouseCursorObject, handle) == 24, "MouseCursorObject layout");

ObjectDefinition* MouseCursorClassDefinition();

// A new MouseCursor (the caller's reference) that owns handle.
RuntimeObject* NewMouseCursorObject(CursorHandle* handle);
RuntimeObject* NewMouseCursorForShape(int32_t shape);
// The object's handle, or nil (also for nil).
CursorHandle* MouseCursorHandle(RuntimeObject* cursor);

extern "C" {
RuntimeObject* getArrowCursor();
RuntimeObject* getWatchCursor();
RuntimeObject* getIBeamCursor();
void mouseCursorDestructor(RuntimeObject* cursor);
}
