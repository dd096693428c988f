// Cursors from the image's 'CURS' resources (GetCursor of the resource manager): 68-byte cursor
// records whose hot spot is stored high byte first.
//
// The lookup of the resource itself is a seam: the image's resource table installs it with
// SetCursorResourceLookup. Until it does, no cursor resource is found.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"

// The data of resource 'CURS' id and its length, or nil when the image has none.
using CursorResourceLookup = const uint8_t* (*)(uint16_t id, uint32_t* length);
// Returns the lookup installed before (nil for none).
CursorResourceLookup SetCursorResourceLookup(CursorResourceLookup lookup);

// A new MouseCursor drawn from a 'CURS' record; data must outlive it. A record shorter than 68
// bytes is a failed check and gives nil.
RuntimeObject* NewMouseCursorFromResource(const uint8_t* data, uint32_t length);

extern "C" {
// The MouseCursor of resource 'CURS' id (the caller's reference), or nil when there is none.
RuntimeObject* RuntimeGetCursorFromResourceManager(uint32_t id);
}
