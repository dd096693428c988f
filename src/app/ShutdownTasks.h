// Work that must happen once at exit, after the application's entry has returned: closing
// plug-in libraries, deleting temporary files, showing hidden menu bars again.
//
// A task is an object whose destructor does its work. Constructing one puts it at the front of
// the process-wide list; RunShutdownTasks deletes the tasks front to back until the list is
// empty, so the newest runs first and a task made while the list runs still runs. Deleting a
// task directly runs it at once and takes it out of the list.
#pragma once

class runShutdownTask {
 public:
  runShutdownTask();
  virtual ~runShutdownTask();

  runShutdownTask(const runShutdownTask&) = delete;
  runShutdownTask& operator=(const runShutdownTask&) = delete;

 private:
  friend int ShutdownTaskCount();
  runShutdownTask* mNext = nullptr;
  runShutdownTask* mPrevious = nullptr;
};

extern "C" void RunShutdownTasks();

// Number of tasks waiting in the list.
int ShutdownTaskCount();
