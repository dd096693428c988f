#include "app/ImageEntry.h"

#include <cstdint>

#include "app/ShutdownTasks.h"
#include "core/CompiledCall.h"
#include "image/ApplicationImage.h"

namespace {

void* gEntryStackMark = nullptr;

// An exception the application leaves unhandled stops at the entry's barrier, never in the
// frames of main and the C library above it.
[[gnu::noinline]] void CallImageEntry(uint8_t* entry) {
  void* stackPointer;
  asm volatile("mov %%esp, %0" : "=r"(stackPointer));
  gEntryStackMark = stackPointer;
  CompiledCall().Invoke(entry);
}

}  // namespace

bool RunApplicationImage(const char* executablePath) {
  if (!LoadApplicationImage(executablePath)) return false;
  CallImageEntry(GetImageCodeBase());
  RunShutdownTasks();
  return true;
}

void* GetImageEntryStackMark() { return gEntryStackMark; }
