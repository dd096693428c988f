// The main loop. The framework drives the toolkit one iteration at a time and does its own
// periodic work between iterations; one pass (RunMainLoopIteration) is:
//
//   1. the window pass (windows that moved, resized or wait to be shown);
//   2. MouseDrag to the capture pane while the button is held;
//   3. one toolkit iteration, blocking only when no drag is in progress, no background task
//      waits for the loop, the pass will not auto-quit and the DoEvents blocking flag is set;
//   4. the poll list, the serial ports and the sockets;
//   5. the user-cancel flag cleared, the due untimed background tasks;
//   6. auto-quit, when RuntimeRun runs the loop, no window is left, the Application's AutoQuit
//      is set and no AutoQuitHold is alive.
//
// Without a display (a console application) the toolkit iteration is one of GLib's default
// main context, which holds the same timeouts and watches.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"

using MainLoopPassFunction = void (*)();

void RunMainLoopIteration();
// Runs one pass through fp, which every caller gives as RunMainLoopIteration; nil is a failed
// check and runs nothing.
void RunMainLoopPass(MainLoopPassFunction fp);
// Passes until the quit flag is set, then closes every window and releases the application
// object.
void RunMainLoopUntilQuit();
// One pass with the given blocking on the main thread; another language thread only yields.
void MainLoopDoEvents(bool block);

// Set once quit is decided; never cleared.
bool MainLoopQuitRequested();
void MainLoopSetQuit();
// Tests that quit more than once in one process start over with this.
void ClearQuitRequestForTesting();

// While one is alive, passes do not auto-quit: the unhandled-exception report's modal passes
// must not ask CancelClose, whose veto would keep alive a program that is to end.
class AutoQuitHold {
 public:
  AutoQuitHold();
  ~AutoQuitHold();
  AutoQuitHold(const AutoQuitHold&) = delete;
  AutoQuitHold& operator=(const AutoQuitHold&) = delete;
};

// True while RuntimeRun runs the loop (auto-quit needs it).
bool MainLoopRunning();
void SetMainLoopRunning(bool running);

// One toolkit iteration: GTK's when it has a display, else GLib's default main context.
void RunToolkitIteration(bool block);

// The cancel chord of the window and list-box key handlers; this platform has none.
bool IsCancelKeyChord(int32_t character, int32_t keyCode, int32_t modifiers);
// Called after a MouseCursor was given to the Application or a pane; the toolkit shows cursors
// itself, so there is nothing to refresh.
void RefreshMouseCursor();

extern "C" {
// One pass without blocking; then, for milliseconds >= 0, the current thread sleeps that long.
void RuntimeDoEvents(RuntimeObject* application, int32_t milliseconds);
}
