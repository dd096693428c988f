// The thread scheduler: which language thread holds the run baton next.
//
// Threads are POSIX threads, but only the one named by the current record runs; the others wait
// on their records' turn conditions and use no processor. A thread gives the baton away only at
// a yield (ThreadYield): the main loop's pass (through the ThreadBackgroundTask), DoEvents on
// a language thread, Run of a Thread, Sleep, Suspend and Kill of the current thread, waiting on
// a lock, and the end of a thread's Run.
//
// Each record holds as many slots in the slot table as its priority; a cycle gives every ready
// record's slots one turn each, newest thread first. A record is ready when it is neither
// suspended nor waiting and its sleep has ended (a wake-early sleeper may be chosen before its
// time). When nobody is ready the process sleeps until the earliest wake time. When nobody can
// ever be ready again (every thread suspended or waiting, the main thread too), the program is
// deadlocked: the runtime error report says so, the shutdown tasks run and the process ends
// with exit status 1.
//
// The main thread's loop blocks in the toolkit while every other thread sleeps or waits: the
// ThreadBackgroundTask then has a timeout at the earliest wake time instead of running on every
// pass, and goes back to every pass as soon as the main thread makes a thread ready.
//
// Everything here runs on the thread that holds the baton.
#pragma once

#include <cstdint>

#include "core/RuntimeThread.h"

// The millisecond clock of sleeps: (TickCount x 50 / 3 + 2^31) modulo 2^32.
uint32_t ThreadClockNow();
// Tests move the clock by offset milliseconds (to just below its wrap); 0 restores it.
void SetThreadClockOffsetForTesting(uint32_t offset);

// Puts a new record on the front of the thread list.
void AddThreadRecord(RuntimeThreadImp* record);
// Takes a record whose Run has ended off the thread list onto the dead list (freed by the next
// yield) and marks it finished. Deletes the ThreadBackgroundTask when only the main thread's
// record is left.
void RetireThreadRecord(RuntimeThreadImp* record);
// Records in the thread list, the main thread's included.
int32_t ThreadRecordCount();
// The first record of the thread list (newest first), or nil; walk on through mNext.
RuntimeThreadImp* FirstThreadRecord();

// Slots: added at the front of the table one by one; removed (up to n) from the back.
void SchedulerAddSlots(RuntimeThreadImp* record, int32_t n);
void SchedulerRemoveSlots(RuntimeThreadImp* record, int32_t n);
// Adds or removes slots to match priority, then stores it.
void SetThreadRecordPriority(RuntimeThreadImp* record, int32_t priority);

// The record to run next (its slot marked as run, its state ready). Sleeps the process while
// nobody is ready; ends the program when nobody ever can be.
RuntimeThreadImp* ThreadScheduleNext();
// Gives the baton to the scheduled thread and waits for it to come back; then raises
// ThreadEndException in a thread that was killed meanwhile, and frees the dead records.
void ThreadYield();
// Passes the baton from a thread whose Run has ended to the scheduled thread, which is woken.
// The caller gives the mutex up afterwards and ends.
void HandBatonOnFromEndingThread();
// The milliseconds until the earliest wake time of a sleeping record; 0 when a record is ready
// now or none sleeps.
uint32_t MillisecondsUntilNextWake();

// A record becomes ready: its sleep ends at once (its wake time lies just behind the clock).
void WakeThreadRecord(RuntimeThreadImp* record);
// A sleep of milliseconds (negative counts as 0), ended early when another thread is to run
// and the record is the next ready one in the table; the current record yields at once.
void SleepThreadRecord(RuntimeThreadImp* record, int32_t milliseconds, bool wakeEarly);
// Suspend: one more suspension; the current record yields at once.
void SuspendThreadRecord(RuntimeThreadImp* record);
// Resume: one suspension less (a lock's wait is not a suspension Resume can end); a sleeping
// record wakes too.
void ResumeThreadRecord(RuntimeThreadImp* record);
// A lock lets a waiting record go on (or ends its wait for a kill): one suspension less.
void ReleaseWaitingRecord(RuntimeThreadImp* record);
// The main thread's loop must not block: a record became ready.
void NoteThreadReady();

bool IsMainThread();

// The task through which the main loop's passes yield to the other threads, made when the
// first Thread runs its Run event.
void EnsureThreadBackgroundTask();

extern "C" {
// The method of Application and ConsoleApplication; the object is not used.
void YieldToNextThread(RuntimeObject* application);
// Raises StackOverflowException when the stack is within 8,192 bytes of the current thread's
// limit.
void RuntimeStackCheck();
// The current thread's stack limit becomes top - size (top 0: the calling frame); a language
// thread's stack top becomes top. The main thread also gets its five slots.
void QUORInitStackChecker(int32_t size, uintptr_t top);
uintptr_t StackCheckerGetLimit();
void StackCheckerSetLimit(uintptr_t limit);
}
