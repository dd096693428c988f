// The export registry: every name through which compiled code and plug-ins reach a framework
// function.
//
// Index space: the static table's rows first (as the build collected them, see Export.h), then
// the entries registered at run time, in registration order. Names are found through a map
// built on first use, case ignored; the linker may also read the entries by index.
#pragma once

#include <cstdint>

#include "core/Export.h"
#include "core/StringMap.h"
#include "strings/RuntimeString.h"

extern "C" {
// Rows of the static table plus run-time entries.
uint32_t ExportEntryCount();
// The entry at index (below ExportEntryCount()), or null after a report.
const RelocEntry* ExportEntryByIndex(uint32_t index);
// Adds a run-time entry; name must live as long as the process. A null function does nothing;
// a name already bound to another function is reported and keeps its first function.
void RegisterExport(const char* name, void* function);
}

// Number of rows in the static table.
uint32_t StaticExportCount();

// The map of every named entry, built on first use: static rows in row order, then run-time
// entries in registration order (a later entry under the same name replaces an earlier).
StringMap<RelocEntry*>& GetExportRegistry();

// The entry for name, case ignored, or null.
const RelocEntry* LookupExportEntry(const string& name);
const RelocEntry* LookupExportEntry(const char* name);
