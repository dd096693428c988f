#include "app/ShutdownTasks.h"

namespace {
runShutdownTask* gFirstShutdownTask = nullptr;
}

runShutdownTask::runShutdownTask() : mNext(gFirstShutdownTask) {
  if (mNext) mNext->mPrevious = this;
  gFirstShutdownTask = this;
}

runShutdownTask::~runShutdownTask() {
  if (mPrevious) mPrevious->mNext = mNext;
  else gFirstShutdownTask = mNext;
  if (mNext) mNext->mPrevious = mPrevious;
}

extern "C" void RunShutdownTasks() {
  // The derived destructor does the work first; the base destructor then unlinks the task.
  while (gFirstShutdownTask) delete gFirstShutdownTask;
}

int ShutdownTaskCount() {
  int count = 0;
  for (const runShutdownTask* task = gFirstShutdownTask; task; task = task->mNext) ++count;
  return count;
}
