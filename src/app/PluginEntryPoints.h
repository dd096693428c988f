// How compiled code finds the members of plug-in classes: by entry-point key.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

extern "C" {
// The function (or event) registered under name; "_" gives nil at once, a name no plug-in
// registered gives nil after a report.
void* RuntimeLookupPluginEntrypoint(stringStorage* name);
// A new zero-filled array of count pointers, or nil for count 0; never freed.
void** RuntimeAllocatePluginEntrypointsTable(int32_t count);
}
