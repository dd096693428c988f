#include "app/MainLoop.h"

#include <gtk/gtk.h>

#include "app/ApplicationClass.h"
#include "app/ApplicationQuit.h"
#include "app/BackgroundTask.h"
#include "app/ClassLibraryHooks.h"
#include "core/Export.h"
#include "core/Memory.h"
#include "core/RuntimeError.h"
#include "core/ToolkitContext.h"
#include "image/PollableList.h"

namespace {

bool gQuitRequested = false;
bool gDoEventsBlocks = true;
bool gMainLoopRunning = false;
// Auto-quit raised EndException and a compiled handler above the loop took it: the loop's
// caller is being unwound and the loop must stop without its closing work.
bool gLoopUnwound = false;
// CancelClose (or a window) declined the last auto-quit: the next try waits for an event, so
// that a program that keeps declining does not spin.
bool gAutoQuitDeclined = false;
int32_t gAutoQuitHolds = 0;

bool ShouldAutoQuit() {
  if (gQuitRequested || !gMainLoopRunning || gAutoQuitHolds > 0) return false;
  RuntimeObject* application = ApplicationObject();
  return application && ApplicationAutoQuits(application) && !WindowSystem().hasOpenWindows();
}

}  // namespace

void RunToolkitIteration(bool block) {
  ScopedToolkitContext context;
  if (gdk_display_get_default()) {
    gtk_main_iteration_do(block);
  } else {
    g_main_context_iteration(nullptr, block);
  }
}

void RunMainLoopIteration() {
  const WindowSystemHooks& windows = WindowSystem();
  windows.showPendingWindows();
  bool block = gDoEventsBlocks;
  // A pass that will auto-quit does not wait for an event first: a program that never opens
  // a window ends at once.
  const bool autoQuitDue = ShouldAutoQuit() && !gAutoQuitDeclined;
  if (windows.dragMouseCapture() || HasUntimedBackgroundTask() || autoQuitDue) block = false;
  // The program is about to wait: the large blocks kept for reuse go back to the system.
  if (block) ReleaseLargeBlockCache();
  RunToolkitIteration(block);
  PollableListPollAll();
  NetworkPolling().pollSerialPorts();
  NetworkPolling().pollSockets();
  ClearUserCancel();
  RunDueBackgroundTasks(true);
  if (!ShouldAutoQuit()) return;
  const bool raised = ApplicationQuit(nullptr, true);
  if (raised && !gQuitRequested) gLoopUnwound = true;
  gAutoQuitDeclined = !raised && !gQuitRequested;
}

void RunMainLoopPass(MainLoopPassFunction fp) {
  if (!QV_CHECK_TEXT(fp, "fp", nullptr)) return;
  fp();
}

void RunMainLoopUntilQuit() {
  gLoopUnwound = false;
  while (!gQuitRequested) {
    RunMainLoopPass(RunMainLoopIteration);
    if (gLoopUnwound) return;
  }
  WindowSystem().closeAllWindows();
  ReleaseApplicationObject();
}

void MainLoopDoEvents(bool block) {
  const ThreadSchedulerHooks& threads = ThreadScheduler();
  if (!threads.onMainThread()) {
    threads.yieldToNextThread();
    return;
  }
  gDoEventsBlocks = block;
  RunMainLoopPass(RunMainLoopIteration);
  gDoEventsBlocks = true;
}

bool MainLoopQuitRequested() { return gQuitRequested; }
void MainLoopSetQuit() { gQuitRequested = true; }
void ClearQuitRequestForTesting() { gQuitRequested = false; }

AutoQuitHold::AutoQuitHold() { ++gAutoQuitHolds; }
AutoQuitHold::~AutoQuitHold() { --gAutoQuitHolds; }

bool MainLoopRunning() { return gMainLoopRunning; }
void SetMainLoopRunning(bool running) { gMainLoopRunning = running; }

bool IsCancelKeyChord(int32_t, int32_t, int32_t) { return false; }
void RefreshMouseCursor() {}

extern "C" void RuntimeDoEvents(RuntimeObject*, int32_t milliseconds) {
  MainLoopDoEvents(false);
  if (milliseconds >= 0) ThreadScheduler().sleepCurrentThread(milliseconds);
}
QV_EXPORT(RuntimeDoEvents)
