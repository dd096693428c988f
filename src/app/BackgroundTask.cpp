#include "app/BackgroundTask.h"

#include <glib.h>
#include <time.h>

#include "app/ClassLibraryHooks.h"
#include "app/MainLoop.h"
#include "core/DebugMode.h"
#include "core/Export.h"
#include "core/SimpleVector.h"
#include "core/Ticks.h"
#include "image/PollableList.h"

namespace {

SimpleVector<BackgroundTask*>& Tasks() {
  static SimpleVector<BackgroundTask*> tasks(0);
  return tasks;
}

// Compiled loops call RuntimeBackgroundTask often: all but one call in this many only count.
constexpr int32_t kBackgroundCallsPerLook = 50;
constexpr int64_t kCancelKeySamplePeriod = 60;
constexpr int64_t kTicksPerSecond = 60;
constexpr int64_t kNanosecondsPerTick = 16666667;  // 10^9 / 60 rounded up: 0 to 59 a second

uint32_t gNextSerial = 0;
bool gUserCancelled = false;
int32_t gAutoWaitCursorCount = 0;

// Ticks from the coarse monotonic clock, which the C library reads without a system call:
// RuntimeBackgroundTask only compares its own readings, and TickCount's times() costs the loops
// that call it more than everything else it does.
int32_t LoopTicks() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  const int64_t ticks = int64_t(now.tv_sec) * kTicksPerSecond + now.tv_nsec / kNanosecondsPerTick;
  return int32_t(uint32_t(ticks));
}

// RuntimeBackgroundTask's state: its call count, the tick of its last look, the tick of its last
// sample of the cancel key, and its clock. The count is the calling thread's own: a position-
// independent executable reaches a thread's variable through its segment register, where a
// global needs the program counter fetched by a call on every one of the calls that only count
// (twice their cost). Each language thread counts its own calls; the ticks are shared.
constinit thread_local int32_t tBackgroundCalls = 0;
int32_t gLastLookTick = 0;
int32_t gLastCancelSampleTick = 0;
int32_t (*gBackgroundClock)() = &LoopTicks;

gboolean RunFromTimeout(gpointer task) {
  static_cast<BackgroundTask*>(task)->Run();
  return G_SOURCE_CONTINUE;  // a task that deleted itself removed its timeout already
}

bool Listed(const BackgroundTask* task) {
  const SimpleVector<BackgroundTask*>& tasks = Tasks();
  for (uint32_t i = 0; i < tasks.size(); ++i) {
    if (tasks[int32_t(i)] == task) return true;
  }
  return false;
}

}  // namespace

BackgroundTask::BackgroundTask(int32_t period) : mPeriod(period), mSerial(gNextSerial++) {
  StartTimer();
  Tasks().Append(this);
}

BackgroundTask::~BackgroundTask() {
  StopTimer();
  SimpleVector<BackgroundTask*>& tasks = Tasks();
  for (uint32_t i = tasks.size(); i-- > 0;) {
    if (tasks[int32_t(i)] == this) tasks.RemoveAt(int32_t(i));
  }
}

void BackgroundTask::StartTimer() {
  StartTimer(mPeriod > 0 ? uint32_t(int64_t(mPeriod) * 1000 / 60) : 0);
}

void BackgroundTask::StartTimer(uint32_t milliseconds) {
  StopTimer();
  mTimerId = g_timeout_add(milliseconds, RunFromTimeout, this);
}

void BackgroundTask::StopTimer() {
  if (mTimerId == 0) return;
  g_source_remove(mTimerId);
  mTimerId = 0;
}

void RunDueBackgroundTasks(bool untimedOnly) {
  if (Tasks().empty()) return;
  if (untimedOnly && !HasUntimedBackgroundTask()) return;
  const int32_t now = TickCount();
  // Run may make or delete tasks (itself included): walk a copy, and run only tasks still
  // listed that were made before the walk began.
  const SimpleVector<BackgroundTask*> walk = Tasks();
  const uint32_t walkSerial = gNextSerial;
  for (uint32_t i = walk.size(); i-- > 0;) {
    BackgroundTask* task = walk[int32_t(i)];
    if (!Listed(task) || task->mSerial >= walkSerial) continue;
    if (untimedOnly && task->mTimerId != 0) continue;
    if (int64_t(now) < int64_t(task->mLastRun) + task->mPeriod) continue;
    task->mLastRun = TickCount();
    task->Run();
  }
}

bool HasBackgroundTasks() { return !Tasks().empty(); }

bool HasUntimedBackgroundTask() {
  const SimpleVector<BackgroundTask*>& tasks = Tasks();
  for (uint32_t i = 0; i < tasks.size(); ++i) {
    if (tasks[int32_t(i)]->TimerId() == 0) return true;
  }
  return false;
}

void CheckUserCancelKey() { gUserCancelled = WindowSystem().isCancelKeyDown(); }
void ClearUserCancel() { gUserCancelled = false; }

bool UserCancelled() {
  RunToolkitIteration(false);
  CheckUserCancelKey();
  return gUserCancelled;
}

int32_t AutoWaitCursorCount() { return gAutoWaitCursorCount; }

extern "C" int32_t getUserCancelled() { return UserCancelled() ? 1 : 0; }
QV_EXPORT(getUserCancelled)

extern "C" void DisableAutoWaitCursor() { ++gAutoWaitCursorCount; }
QV_EXPORT(DisableAutoWaitCursor)

extern "C" void EnableAutoWaitCursor() { --gAutoWaitCursorCount; }
QV_EXPORT(EnableAutoWaitCursor)

namespace {

// Once a tick at most: the due untimed tasks, the cancel key once a second, and under the remote
// debugger (whose loop may be stopped) the sockets and pollable objects. Out of line, so that
// the calls that only count need no frame.
[[gnu::noinline]] void LookAtTheClock() {
  tBackgroundCalls = 0;
  const int32_t now = gBackgroundClock();
  if (now == gLastLookTick) return;
  gLastLookTick = now;
  RunDueBackgroundTasks(true);
  if (now < gLastCancelSampleTick ||
      int64_t(now) > int64_t(gLastCancelSampleTick) + kCancelKeySamplePeriod) {
    CheckUserCancelKey();
    gLastCancelSampleTick = now;
  }
  if (InDebugMode()) {
    NetworkPolling().pollSockets();
    PollableListPollAll();
  }
}

}  // namespace

extern "C" void RuntimeBackgroundTask() {
  if (++tBackgroundCalls >= kBackgroundCallsPerLook) LookAtTheClock();
}
QV_EXPORT(RuntimeBackgroundTask)

void SetBackgroundTaskClockForTesting(int32_t (*clock)()) {
  gBackgroundClock = clock ? clock : &LoopTicks;
  tBackgroundCalls = 0;
  gLastLookTick = 0;
  gLastCancelSampleTick = 0;
}
