// ScrollableCursor: every row of a RecordSet copied once, as text, into a row store, then
// served by number (a listDataProvider for list-bound controls); and ObjectCursor: the objects
// an application produces one by one through its NextObject event, kept so that the n-th can
// be handed out and all of them counted.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/GenericArray.h"
#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "database/RowStore.h"

struct ScrollableKeyName {
  ScrollableKeyName* next;
  stringStorage* name;
};

struct ScrollableCursorObject {
  RuntimeObject header;
  RowStore* store;  // nil when the temporary files could not be made
  int32_t columnCount;
  ScrollableKeyName* firstKeyName;  // the write-back key names met, in order
  ScrollableKeyName* lastKeyName;
};
static_assert(sizeof(ScrollableCursorObject) == 40, "ScrollableCursor instances");

struct ObjectCursorObject {
  RuntimeObject header;
  GenericArray* objects;  // each held
  uint8_t exhausted;      // NextObject answered nil once: never asked again
};
static_assert(sizeof(ObjectCursorObject) == 32 && offsetof(ObjectCursorObject, exhausted) == 28,
              "ObjectCursor instances");

ObjectDefinition* ScrollableCursorClassDefinition();
ObjectDefinition* ObjectCursorClassDefinition();

extern "C" {
void scrollableCursorConstructor(RuntimeObject* self, RuntimeObject* source);
void scrollableCursorDestructor(RuntimeObject* self);
int32_t scrollableCursorGetCount(RuntimeObject* self);
// Row index (from 1) as a DatabaseRecord whose unnamed columns hold the texts, first column
// first; nil when there is no such row.
RuntimeObject* scrollableCursorGetRow(RuntimeObject* self, int32_t index);

void objectCursorConstructor(RuntimeObject* self);
void objectCursorDestructor(RuntimeObject* self);
RuntimeObject* objectCursorNextObject(RuntimeObject* self);
RuntimeObject* objectCursorGetItem(RuntimeObject* self, int32_t index);
int32_t objectCursorCountGetter(RuntimeObject* self);
}
