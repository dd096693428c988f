// Turning the member rows of a plug-in's records into the items of a class definition:
// properties, methods (through their declarations), the events the class raises and its
// handlers of events that a superclass declares. Each builder appends to the definition, in
// row order. A row that cannot be used (a declaration that does not parse, a type that names
// nothing, a field outside the plug-in's data) is reported and adds nothing; the rest go on.
#pragma once

#include <cstdint>

#include "app/PluginDefinitions.h"
#include "core/ObjectDefinition.h"

// Where a plug-in's data lies in its objects and how its generic setters behave.
struct PluginFieldLayout {
  uint32_t base;     // bytes before the plug-in's data: the header, or a control's own fields
  int64_t dataSize;  // bytes of plug-in data; negative when unknown (an extended class)
  bool control;      // setters of rows flagged kPluginPropertyInvalidates redraw the control
};

void AddPluginProperties(ObjectDefinition* definition, const PluginPropertyRow* rows, int32_t count,
                         const PluginFieldLayout& layout);
// entries: 12-byte rows for a record of version 6 or below, else 16-byte rows.
void AddPluginMethods(ObjectDefinition* definition, const void* entries, int32_t count,
                      int32_t recordVersion);
// Builds each event and stores it in the entry's event word; a name the class already has is
// reported and skipped.
void AddPluginEvents(ObjectDefinition* definition, PluginEventEntry* entries, int32_t count);
// The event built from entry, or nil when none was (its declaration did not parse). Read from
// here rather than from the entry's own word, which the plug-in may have left holding anything.
ObjectHook* PluginEventBuiltFor(const PluginEventEntry* entry);
void AddPluginEventHandlers(ObjectDefinition* definition, const PluginEventHandler* handlers,
                            int32_t count);

// Entry index of a method list read as 12- or 16-byte rows; a short row's last word reads 0.
PluginMethodEntry PluginMethodEntryAt(const void* entries, int32_t index, int32_t recordVersion);
// A function word as the plug-in wrote it: nil for 0 and for all ones.
void* PluginFunction(const void* word);
