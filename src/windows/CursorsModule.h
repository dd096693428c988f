// The module "_Cursors" (System.Cursors): sixteen standard cursors as read-only properties,
// each a MouseCursor made on first use and kept for the life of the process, and Show and
// Hide, which leave the pointer as it is on this platform. The one "_Cursors" object is made
// on the first call and shared.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

ObjectDefinition* CursorsClassDefinition();

extern "C" {
// The "_Cursors" object with a reference for the caller (System.Cursors: the getter's object
// and parameter are not read).
RuntimeObject* GetCursorsClass(RuntimeObject* system, uint32_t parameter);
// Each: the kept MouseCursor with a reference for the caller.
RuntimeObject* GetHandOpenCursor(RuntimeObject* cursors, uint32_t unused);
RuntimeObject* GetHandClosedCursor(RuntimeObject* cursors, uint32_t unused);
RuntimeObject* GetEastWestCursor(RuntimeObject* cursors, uint32_t unused);
RuntimeObject* GetNorthSouthCursor(RuntimeObject* cursors, uint32_t unused);
RuntimeObject* GetNorthEastSouthWestCursor(RuntimeObject* cursors, uint32_t unused);
RuntimeObject* GetNorthWestSouthEastCursor(RuntimeObject* cursors, uint32_t unused);
RuntimeObject* GetAllDirectionsCursor(RuntimeObject* cursors, uint32_t unused);
RuntimeObject* GetTheIBeamCursor(RuntimeObject* cursors, uint32_t unused);
RuntimeObject* GetStandardPointerCursor(RuntimeObject* cursors, uint32_t unused);
RuntimeObject* GetWaitCursor(RuntimeObject* cursors, uint32_t unused);
RuntimeObject* GetSplitterEastWestCursor(RuntimeObject* cursors, uint32_t unused);
RuntimeObject* GetSplitterNorthSouthCursor(RuntimeObject* cursors, uint32_t unused);
RuntimeObject* GetFingerPointerCursor(RuntimeObject* cursors, uint32_t unused);
RuntimeObject* GetMagLargeCursor(RuntimeObject* cursors, uint32_t unused);
RuntimeObject* GetMagSmallCursor(RuntimeObject* cursors, uint32_t unused);
RuntimeObject* GetInvisibleCursor(RuntimeObject* cursors, uint32_t unused);
void ShowMouseCursor(RuntimeObject* cursors);
void HideMouseCursor(RuntimeObject* cursors);
}
