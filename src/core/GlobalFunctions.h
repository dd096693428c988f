// The global-function table: the language's built-in functions ("MsgBox", "Mid", "Ticks", ...)
// as method rows, built once on first use, searched by name ignoring case and enumerated by the
// plug-in interface. Adding an entry enters the export names of its functions into the export
// registry; an entry whose function no linked subsystem exports carries none and registers
// nothing, so an image that needs it fails to link by name.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"
#include "strings/RuntimeString.h"

// Builds the table on its first call; later calls return at once.
void BuildGlobalFunctionTable();
uint32_t GlobalFunctionCount();
// The entry at index; callers keep the index below the count (a larger one is a failed check).
const MethodRow* GlobalFunctionAt(uint32_t index);
// The first entry in table order whose name equals name ignoring case, or nil.
const MethodRow* LookupGlobalFunction(const string& name);
// Appends the entry (which must outlive the table) and registers its exports.
void AddGlobalFunction(const MethodRow* entry);
