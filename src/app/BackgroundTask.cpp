#include "app/BackgroundTask.h"

#include <glib.h>

#include "app/ClassLibraryHooks.h"
#include "app/MainLoop.h"
#include "core/Export.h"
#include "core/SimpleVector.h"
#include "core/Ticks.h"

namespace {

SimpleVector<BackgroundTask*>& Tasks() {
  static SimpleVector<BackgroundTask*> tasks(0);
  return tasks;
}

uint32_t gNextSerial = 0;
bool gUserCancelled = false;
int32_t gAutoWaitCursorCount = 0;

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
