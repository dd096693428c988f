// The language class Thread: Run starts a POSIX thread that raises the object's Run event under
// the run baton, one language thread at a time (ThreadScheduler.h). While it runs the object
// holds its thread record and the record holds a reference to the object.
//
// Run is called through the call helper on the new thread, so an exception its handler leaves
// stops at that call's barrier: a ThreadEndException (Kill) ends the thread quietly, any other
// goes to the Application's UnhandledException and then the report, as on the main thread.
// Either way the thread ends cleanly: the critical sections and mutexes it still owns are given
// up, its slots and its reference go, and its record is freed by the next yield.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeThread.h"

struct ThreadObject {
  RuntimeObject header;
  RuntimeThreadImp* imp;  // nil while not running
  int32_t stackSize;
  int32_t priority;
};
static_assert(sizeof(ThreadObject) == 36 && offsetof(ThreadObject, imp) == 24 &&
                  offsetof(ThreadObject, stackSize) == 28 &&
                  offsetof(ThreadObject, priority) == 32,
              "Thread objects are read by compiled code");

ObjectDefinition* ThreadClassDefinition();

// Kills every language thread but the calling one (Quit on a language thread goes on to end
// its own Run with one EndException).
void KillAllThreads();

// Extra stack a thread gets below its StackSize, for the framework and library calls made after
// the stack check's last word (a message box, the report).
constexpr int32_t kThreadStackReserve = 512 * 1024;

extern "C" {
void ThreadInitializer(RuntimeObject* thread);
void threadRun(RuntimeObject* thread);
void ThreadSuspend(RuntimeObject* thread);
void ThreadResume(RuntimeObject* thread);
void ThreadSleep(RuntimeObject* thread, int32_t milliseconds, int32_t wakeEarly);
void ThreadKill(RuntimeObject* thread);
int32_t ThreadGetStackSize(RuntimeObject* thread, uint32_t parameter);
void ThreadSetStackSize(RuntimeObject* thread, uint32_t parameter, int32_t value);
int32_t ThreadGetID(RuntimeObject* thread, uint32_t parameter);
int32_t ThreadGetPriority(RuntimeObject* thread, uint32_t parameter);
void ThreadSetPriority(RuntimeObject* thread, uint32_t parameter, int32_t value);
// 0 running, 1 waiting, 2 suspended, 3 sleeping, 4 not running.
int32_t ThreadGetState(RuntimeObject* thread, uint32_t parameter);
// The current thread's Thread object with a reference for the caller; nil on the main thread.
// The argument (the application, as a property getter) is not used.
RuntimeObject* QUORGetCurrentThread(RuntimeObject* application);
// For the remote debugger: running threads that have a Thread object, in thread-list order.
int32_t DebuggerThreadCount();
RuntimeObject* DebuggerThreadLookup(int32_t index);
}
