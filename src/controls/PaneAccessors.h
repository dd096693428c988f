// Pane accessors: properties kept both in the language object and in its pane. The getter reads
// the pane's copy while there is a pane, else the object's; the setter writes the pane's copy
// (and redraws it) when there is one, and always the object's.
//
// A row's parameter word packs three 10-bit numbers: bits 0-9 the field's byte position in the
// language object; bits 20-29 (bits 10-19 where the alternate appearance is off) the index of
// the pane field in the table that the object's class registered. Panes are reached only
// through their class's table, never by a position inside a C++ object.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

class SubPane;

// One pane field, as words: 0/1 for a Boolean, the value for Integer and Short, the record for
// a String (get answers it with a reference for the caller; set makes the pane keep its own)
// and the object for an object (likewise).
struct PaneField {
  uintptr_t (*get)(SubPane* pane);
  void (*set)(SubPane* pane, uintptr_t value);
};

// The pane fields of the panes of cls's objects (and of its subclasses', unless they register
// their own). The table must outlive the process's use of it (static storage).
void RegisterPaneFields(ObjectDefinition* cls, const PaneField* fields, int32_t count);

constexpr uint32_t PaneAccessorWord(uint32_t objectOffset, uint32_t paneField) {
  return objectOffset | paneField << 10 | paneField << 20;
}

extern "C" {
stringStorage* paneStringGetter(RuntimeObject* object, uint32_t word);
void paneStringSetter(RuntimeObject* object, uint32_t word, stringStorage* value);
int32_t paneBoolGetter(RuntimeObject* object, uint32_t word);
void paneBoolSetter(RuntimeObject* object, uint32_t word, int32_t value);
int32_t paneIntGetter(RuntimeObject* object, uint32_t word);
void paneIntSetter(RuntimeObject* object, uint32_t word, int32_t value);
int32_t paneShortGetter(RuntimeObject* object, uint32_t word);
void paneShortSetter(RuntimeObject* object, uint32_t word, int32_t value);
RuntimeObject* paneObjGetter(RuntimeObject* object, uint32_t word);
void paneObjSetter(RuntimeObject* object, uint32_t word, RuntimeObject* value);
}
