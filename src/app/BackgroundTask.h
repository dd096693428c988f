// Background tasks: native work that runs periodically while the application runs (sockets,
// shell children, plug-in tasks, players, the language-thread switcher). A task either has a
// GTK timeout that runs it every period, or, with its timeout stopped, is run by the main
// loop's pass over due untimed tasks; an untimed task keeps the loop from blocking.
//
// The owner of a task deletes it; the task list never owns tasks. Tasks may be made and
// deleted from within any task's Run.
//
// The same family holds the user-cancel test (the Escape key held), the counter of the automatic
// wait cursor, which on this platform shows nothing, and the periodic call of compiled loops.
#pragma once

#include <cstdint>

class BackgroundTask {
 public:
  // period in ticks (1/60 s); the timeout starts at once.
  explicit BackgroundTask(int32_t period);
  virtual ~BackgroundTask();
  BackgroundTask(const BackgroundTask&) = delete;
  BackgroundTask& operator=(const BackgroundTask&) = delete;

  virtual void Run() = 0;

  // A timeout of period x 1000 / 60 ms (truncated); a running one is stopped first.
  void StartTimer();
  // The same with an interval of its own, for a task that knows when it is next due.
  void StartTimer(uint32_t milliseconds);
  // From then on the main loop runs the task when due.
  void StopTimer();

  uint32_t TimerId() const { return mTimerId; }
  int32_t Period() const { return mPeriod; }
  int32_t LastRun() const { return mLastRun; }

 private:
  friend void RunDueBackgroundTasks(bool untimedOnly);
  uint32_t mTimerId = 0;
  int32_t mLastRun = 0;
  int32_t mPeriod;
  uint32_t mSerial;  // order of construction, so a walk can tell tasks made during it
};

// Runs, last made first, every task whose period has passed since its last run here (only
// those without a timeout when untimedOnly). A task made during the walk waits for the next
// one; a task deleted during it is not run.
void RunDueBackgroundTasks(bool untimedOnly);
bool HasBackgroundTasks();
bool HasUntimedBackgroundTask();

// The user-cancel flag: set from the Escape key's state, cleared by every main-loop pass.
void CheckUserCancelKey();
void ClearUserCancel();
// One non-blocking toolkit iteration, then the Escape key's state.
bool UserCancelled();

int32_t AutoWaitCursorCount();

// The clock RuntimeBackgroundTask reads in ticks (nil: its own, the coarse monotonic clock);
// its counts start again.
void SetBackgroundTaskClockForTesting(int32_t (*clock)());

extern "C" {
// Called by compiled loops: every 50th call of a thread, when the tick count changed since the
// last look, runs the due untimed tasks, samples the cancel key once a second and, under the
// remote debugger, polls the sockets and the pollable objects.
void RuntimeBackgroundTask();
int32_t getUserCancelled();
void DisableAutoWaitCursor();
void EnableAutoWaitCursor();
}
