// Language threads as the exception unwinder sees them: each has a record whose first virtual
// operation answers the highest address of its stack, recorded when the thread started. Every
// walk over saved frame pointers stops there, so a walk never leaves the thread's own stack.
//
// Only the main thread exists so far; its record is made before main runs.
#pragma once

#include <cstdint>

class RuntimeThreadImp {
 public:
  explicit RuntimeThreadImp(uintptr_t stackTop) : mStackTop(stackTop) {}
  virtual uintptr_t GetStackTop() const { return mStackTop; }
  virtual ~RuntimeThreadImp() = default;

 private:
  uintptr_t mStackTop;
};

// The record of the thread that holds the run baton.
RuntimeThreadImp* GetCurrentThreadRecord();
