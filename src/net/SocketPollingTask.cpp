#include "net/SocketPollingTask.h"

#include "app/BackgroundTask.h"
#include "image/PollableList.h"
#include "net/SerialClass.h"
#include "net/SocketPolling.h"

namespace {

class SocketPollingTask : public BackgroundTask {
 public:
  SocketPollingTask() : BackgroundTask(kSocketPollingPeriod) {}
  // May delete this task (its handlers may release the last socket): nothing follows.
  void Run() override { RunSocketPollingTask(); }
};

SocketPollingTask* gTask = nullptr;

}  // namespace

void ArmSocketPollingTask() {
  if (!gTask) gTask = new SocketPollingTask;
}

// Deleted, not left without its timer: a task without one is run by every pass and would keep
// the loop from sleeping.
void StopSocketPollingTask() {
  SocketPollingTask* task = gTask;
  gTask = nullptr;
  delete task;
}

bool SocketPollingTaskArmed() { return gTask != nullptr; }

// Plug-in pollables, the sockets, then the serial ports.
void RunSocketPollingTask() {
  PollableListPollAll();
  SocketsPoll(false);
  SerialPollAll();
}
