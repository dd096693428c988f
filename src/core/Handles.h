// Pointers and handles: the toolbox-style blocks much of the native layer is written against.
//
// A handle is a small record {data, size} from the small-block allocator whose data block comes
// from malloc and never moves, so locking is nothing. Allocation is checked: a block that
// cannot be had gives nil, and a resize that cannot be done leaves the handle as it was.
// Sizes are signed 32-bit, as callers pass them; a negative one fails a check and gives nil.
#pragma once

#include <cstddef>
#include <cstdint>

struct HandleRecord {
  void* data;    // never nil while the handle lives, even for size 0
  int32_t size;  // bytes
};
static_assert(sizeof(HandleRecord) == 8, "handle records come from the 8-byte class");
static_assert(offsetof(HandleRecord, size) == 4, "HandleRecord layout");

using Handle = HandleRecord*;

void* NewPtr(int32_t size);
void* NewPtrClear(int32_t size);
void DisposePtr(void* pointer);
// Note the order: source first. Overlapping ranges are allowed.
void BlockMove(const void* source, void* destination, int32_t count);

Handle HandleNew(int32_t size);
Handle HandleNewClear(int32_t size);
int32_t HandleGetSize(Handle handle);
// The handle's new data pointer; nil, with the handle unchanged, when the block cannot be had.
void* HandleSetSize(Handle handle, int32_t size);
// Replaces *handle with a new handle holding a copy of its data. False, and nothing changed,
// for an empty handle or when the copy cannot be had.
bool HandleDuplicate(Handle* handle);
void HandleDispose(Handle handle);
void HandleLock(Handle handle);
void HandleUnlock(Handle handle);
