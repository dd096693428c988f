// Cursors from the image's 'CURS' resources: 68-byte cursor records whose hot spot is stored
// high byte first. The resource manager's GetCursor finds the record; this file installs the
// maker it calls at start-up.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"

// A new MouseCursor drawn from a 'CURS' record; data must outlive it. A record shorter than 68
// bytes, a hot spot outside the 16 x 16 picture, or a cursor the X server refuses is a failed
// check and gives nil.
RuntimeObject* NewMouseCursorFromResource(const uint8_t* data, uint32_t length);

extern "C" {
// The MouseCursor of resource 'CURS' id (the caller's reference), or nil when there is none.
RuntimeObject* RuntimeGetCursorFromResourceManager(uint32_t id);
}
