// Language threads as the exception unwinder sees them: each has a record whose first virtual
// operation answers the highest address of its stack, recorded when the thread started. Every
// walk over saved frame pointers stops there, so a walk never leaves the thread's own stack.
//
// The record also keeps the thread's call barriers: one for each call from the framework into
// compiled code that has not returned yet, innermost first. A walk never goes past the innermost
// barrier either; what lies above it (GTK, a plug-in, an outer compiled call) is not its to
// unwind.
//
// Only the main thread exists so far; its record is made before main runs.
#pragma once

#include <cstdint>

// One call from the framework into compiled code, recorded on the calling frame's stack.
struct CallBarrier {
  uintptr_t frame;         // the framework frame that made the call; the callee's link
  CallBarrier* outer;      // the barrier of the enclosing call, or nil
  int32_t unhandledCount;  // exceptions that took the unhandled path during the call
};

class RuntimeThreadImp {
 public:
  explicit RuntimeThreadImp(uintptr_t stackTop) : mStackTop(stackTop) {}
  virtual uintptr_t GetStackTop() const { return mStackTop; }
  virtual ~RuntimeThreadImp() = default;

  // The barrier of the innermost call into compiled code still running, or nil.
  CallBarrier* InnermostBarrier() const { return mInnermostBarrier; }
  // Barriers nest with the calls: the one pushed last is popped first.
  void PushBarrier(CallBarrier* barrier);
  void PopBarrier(CallBarrier* barrier);

 private:
  uintptr_t mStackTop;
  CallBarrier* mInnermostBarrier = nullptr;
};

// The record of the thread that holds the run baton.
RuntimeThreadImp* GetCurrentThreadRecord();
