// Runtime object inspection: the "Runtime" class, through which a program (or the debugger)
// counts the live language objects and reads, by index, each one's identifier, class name and
// reference count, and the text report that debugDumpObjects writes of the same.
//
// Indexes count the live-object list newest first, leaving out the inspecting object itself.
// A one-entry cache makes walking the indexes forward or backward one step a time cheap; it
// is dropped whenever an object is destroyed or made, so it never names a destroyed object
// nor an index that the list has shifted under it.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

// What ObjectID answers: the address combined with this, so it is stable but never the address.
constexpr uint32_t kObjectIDMask = 0x15C7A3;

ObjectDefinition* RuntimeInspectionClassDefinition();

extern "C" {
// The one "Runtime" object, made on first use; one reference for the caller.
RuntimeObject* RuntimeDebugInstance();
void RuntimeDebugDestructor(RuntimeObject* self);
int32_t RuntimeDebugObjectCount(RuntimeObject* self, uint32_t parameter);
int32_t RuntimeDebugMemoryUsed(RuntimeObject* self, uint32_t parameter);
// 0, nil or 0 when there is no object at index.
int32_t RuntimeDebugObjectID(RuntimeObject* self, int32_t index);
stringStorage* RuntimeDebugObjectClass(RuntimeObject* self, int32_t index);
int32_t RuntimeDebugObjectRefs(RuntimeObject* self, int32_t index);
// Writes the bytes in use, the object count and each object's class name, a line each.
void debugDumpObjects(stringStorage* path);
}
