#include "core/Handles.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/Memory.h"
#include "core/RuntimeError.h"

namespace {

// One byte at least, so that nil always means the block could not be had.
void* AllocateData(int32_t size, bool clear) {
  size_t bytes = size > 0 ? static_cast<size_t>(size) : 1;
  return clear ? std::calloc(1, bytes) : std::malloc(bytes);
}

Handle MakeHandle(void* data, int32_t size) {
  auto* record = static_cast<Handle>(OSalloclen(sizeof(HandleRecord), kMemFullQuit));
  record->data = data;
  record->size = size;
  return record;
}

Handle NewHandleOfSize(int32_t size, bool clear) {
  if (!QV_CHECK(size >= 0)) return nullptr;
  void* data = AllocateData(size, clear);
  if (!data) return nullptr;
  return MakeHandle(data, size);
}

void* NewPtrOfSize(int32_t size, bool clear) {
  if (!QV_CHECK(size >= 0)) return nullptr;
  return clear ? std::calloc(1, static_cast<size_t>(size)) : std::malloc(static_cast<size_t>(size));
}

}  // namespace

void* NewPtr(int32_t size) { return NewPtrOfSize(size, false); }

void* NewPtrClear(int32_t size) { return NewPtrOfSize(size, true); }

void DisposePtr(void* pointer) { std::free(pointer); }

void BlockMove(const void* source, void* destination, int32_t count) {
  if (count == 0) return;
  if (!QV_CHECK(count > 0) || !QV_CHECK(source && destination)) return;
  std::memmove(destination, source, static_cast<size_t>(count));
}

Handle HandleNew(int32_t size) { return NewHandleOfSize(size, false); }

Handle HandleNewClear(int32_t size) { return NewHandleOfSize(size, true); }

int32_t HandleGetSize(Handle handle) { return handle ? handle->size : 0; }

void* HandleSetSize(Handle handle, int32_t size) {
  if (!handle) return nullptr;
  if (!QV_CHECK(size >= 0)) return nullptr;
  if (size == handle->size) return handle->data;
  void* data = AllocateData(size, false);
  if (!data) return nullptr;
  std::memcpy(data, handle->data, static_cast<size_t>(std::min(handle->size, size)));
  std::free(handle->data);
  handle->data = data;
  handle->size = size;
  return data;
}

bool HandleDuplicate(Handle* handle) {
  if (!QV_CHECK(handle)) return false;
  Handle original = *handle;
  if (!original) return false;
  void* data = AllocateData(original->size, false);
  if (!data) return false;
  std::memcpy(data, original->data, static_cast<size_t>(original->size));
  *handle = MakeHandle(data, original->size);
  return true;
}

void HandleDispose(Handle handle) {
  if (!handle) return;
  std::free(handle->data);
  OSfreelen(handle, sizeof(HandleRecord));
}

// Handles never move.
void HandleLock(Handle) {}
void HandleUnlock(Handle) {}
