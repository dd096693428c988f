#include "app/ClassLibraryHooks.h"

#include <glib.h>

#include "app/TerminationSignals.h"

namespace {

void Nothing() {}
bool No() { return false; }
void SleepMilliseconds(int32_t waitMs) {
  if (waitMs > 0) g_usleep(gulong(waitMs) * 1000);
}
bool Yes() { return true; }

const WindowSystemHooks kNoWindows = {
    .showPendingWindows = Nothing,
    .dragMouseCapture = No,
    .hasOpenWindows = No,
    .closeWindowsForQuit = Yes,
    .closeAllWindows = Nothing,
    .removeTrayItems = Nothing,
    .isCancelKeyDown = No,
    .raiseFrontWindow = Nothing,
};

const NetworkPollHooks kNoNetwork = {
    .pollSerialPorts = Nothing,
    .pollSockets = Nothing,
    .pollUnownedSockets = SleepMilliseconds,
    .suspendSerialPolling = Nothing,
    .resumeSerialPolling = Nothing,
    .suspendSocketPolling = Nothing,
    .resumeSocketPolling = Nothing,
};

const ThreadSchedulerHooks kMainThreadOnly = {
    .onMainThread = Yes,
    .yieldToNextThread = Nothing,
    .killAllThreads = Nothing,
    .sleepCurrentThread = SleepUnlessTerminated,
};

WindowSystemHooks gWindows = kNoWindows;
NetworkPollHooks gNetwork = kNoNetwork;
ThreadSchedulerHooks gThreads = kMainThreadOnly;

template <typename T>
T Or(T hook, T fallback) {
  return hook ? hook : fallback;
}

}  // namespace

void SetWindowSystemHooks(const WindowSystemHooks& hooks) {
  gWindows = {
      .showPendingWindows = Or(hooks.showPendingWindows, kNoWindows.showPendingWindows),
      .dragMouseCapture = Or(hooks.dragMouseCapture, kNoWindows.dragMouseCapture),
      .hasOpenWindows = Or(hooks.hasOpenWindows, kNoWindows.hasOpenWindows),
      .closeWindowsForQuit = Or(hooks.closeWindowsForQuit, kNoWindows.closeWindowsForQuit),
      .closeAllWindows = Or(hooks.closeAllWindows, kNoWindows.closeAllWindows),
      .removeTrayItems = Or(hooks.removeTrayItems, kNoWindows.removeTrayItems),
      .isCancelKeyDown = Or(hooks.isCancelKeyDown, kNoWindows.isCancelKeyDown),
      .raiseFrontWindow = Or(hooks.raiseFrontWindow, kNoWindows.raiseFrontWindow),
  };
}

void SetNetworkPollHooks(const NetworkPollHooks& hooks) {
  gNetwork = {
      .pollSerialPorts = Or(hooks.pollSerialPorts, kNoNetwork.pollSerialPorts),
      .pollSockets = Or(hooks.pollSockets, kNoNetwork.pollSockets),
      .pollUnownedSockets = Or(hooks.pollUnownedSockets, kNoNetwork.pollUnownedSockets),
      .suspendSerialPolling = Or(hooks.suspendSerialPolling, kNoNetwork.suspendSerialPolling),
      .resumeSerialPolling = Or(hooks.resumeSerialPolling, kNoNetwork.resumeSerialPolling),
      .suspendSocketPolling = Or(hooks.suspendSocketPolling, kNoNetwork.suspendSocketPolling),
      .resumeSocketPolling = Or(hooks.resumeSocketPolling, kNoNetwork.resumeSocketPolling),
  };
}

void SetThreadSchedulerHooks(const ThreadSchedulerHooks& hooks) {
  gThreads = {
      .onMainThread = Or(hooks.onMainThread, kMainThreadOnly.onMainThread),
      .yieldToNextThread = Or(hooks.yieldToNextThread, kMainThreadOnly.yieldToNextThread),
      .killAllThreads = Or(hooks.killAllThreads, kMainThreadOnly.killAllThreads),
      .sleepCurrentThread = Or(hooks.sleepCurrentThread, kMainThreadOnly.sleepCurrentThread),
  };
}

const WindowSystemHooks& WindowSystem() { return gWindows; }
const NetworkPollHooks& NetworkPolling() { return gNetwork; }
const ThreadSchedulerHooks& ThreadScheduler() { return gThreads; }
