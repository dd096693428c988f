#include "app/ImageEntry.h"

#include <cstdint>

#include "app/ShutdownTasks.h"
#include "image/ApplicationImage.h"

namespace {

void* gEntryStackMark = nullptr;

[[gnu::noinline]] void CallImageEntry(uint8_t* entry) {
  void* stackPointer;
  asm volatile("mov %%esp, %0" : "=r"(stackPointer));
  gEntryStackMark = stackPointer;
  reinterpret_cast<void (*)()>(entry)();
}

}  // namespace

bool RunApplicationImage(const char* executablePath) {
  if (!LoadApplicationImage(executablePath)) return false;
  CallImageEntry(GetImageCodeBase());
  RunShutdownTasks();
  return true;
}

void* GetImageEntryStackMark() { return gEntryStackMark; }
