// What the application layer needs of the class library above it: windows, tray items and the
// cancel key (the windows layer), serial ports and sockets (the network layer), and language
// threads (the thread scheduler). Each layer installs its hooks at start-up; until it has, the
// defaults answer as a program with no windows, no ports or sockets and only the main thread.
// A hook left nil when a layer installs its set keeps its default.
#pragma once

#include <cstdint>

struct WindowSystemHooks {
  // The main loop's window pass: raises Moved and Resized for windows whose frame changed and
  // shows the windows waiting to be shown.
  void (*showPendingWindows)() = nullptr;
  // While the mouse button is held after a mouse-down, sends MouseDrag to the pane that took it
  // and answers true (the loop must not block then); false when no drag is in progress.
  bool (*dragMouseCapture)() = nullptr;
  // True while the runtime window list holds a window (auto-quit waits for it to empty).
  bool (*hasOpenWindows)() = nullptr;
  // Closes the windows front to back as part of quitting; false when one refused to close.
  bool (*closeWindowsForQuit)() = nullptr;
  // Closes every native window, asking none.
  void (*closeAllWindows)() = nullptr;
  void (*removeTrayItems)() = nullptr;
  // True while the cancel key (Escape) is held down.
  bool (*isCancelKeyDown)() = nullptr;
  // Brings the front window of the window order list to the front again when it is shown (the
  // debugger's RUN).
  void (*raiseFrontWindow)() = nullptr;
};

struct NetworkPollHooks {
  void (*pollSerialPorts)() = nullptr;  // every open serial port
  void (*pollSockets)() = nullptr;      // the registered sockets
  // The sockets without an owner (the debugger link among them), after waiting up to waitMs in
  // poll(2) for one of them; sleeps waitMs when none waits for anything.
  void (*pollUnownedSockets)(int32_t waitMs) = nullptr;
  // While the debugger holds the program: polling of serial ports, and delivery of socket
  // events to language objects, wait.
  void (*suspendSerialPolling)() = nullptr;
  void (*resumeSerialPolling)() = nullptr;
  void (*suspendSocketPolling)() = nullptr;
  void (*resumeSocketPolling)() = nullptr;
};

struct ThreadSchedulerHooks {
  bool (*onMainThread)() = nullptr;        // true on the thread that runs the main loop
  void (*yieldToNextThread)() = nullptr;
  void (*killAllThreads)() = nullptr;      // ends every language thread but the main one
  // Sleeps the current language thread; by default the main thread itself sleeps, woken early
  // only to end the process on a termination signal.
  void (*sleepCurrentThread)(int32_t milliseconds) = nullptr;
};

void SetWindowSystemHooks(const WindowSystemHooks& hooks);
void SetNetworkPollHooks(const NetworkPollHooks& hooks);
void SetThreadSchedulerHooks(const ThreadSchedulerHooks& hooks);

// The installed hooks; no member is ever nil.
const WindowSystemHooks& WindowSystem();
const NetworkPollHooks& NetworkPolling();
const ThreadSchedulerHooks& ThreadScheduler();
