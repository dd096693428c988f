// The framework's side of debugging a program built for it. The compiled code calls the
// statement hook before every statement; the first call connects to the IDE and stops, and
// later calls stop at breakpoints and while stepping. A stopped program waits in poll(2) on
// the debugger link while the IDE reads and writes its memory, walks its stack and sets
// breakpoints; `Break` statements, break requests and raised exceptions stop it too, and the
// destruction of watched objects and arrays is reported. Losing the link, or the IDE's QUIT,
// ends the process with status 1; no IDE within 300 ticks is reported (code 7) and ends it the
// same way.
//
// While stopped, switching between language threads, timers, serial-port polling and socket
// polling are suspended; only the link (and the other sockets without an owner), the poll list
// and due background tasks are served, and the toolkit's loop does not run, so no window event
// is dispatched. An entry guard keeps stops from nesting: whatever runs while the debugger
// works (property getters, the exceptions they raise, a break request) never stops again.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

extern "C" {
// Sets the debug-mode flag, then runs RuntimeInit.
void DebugRuntimeInit();
// The host of the IDE; nil (or never called) means the local socket.
void RemoteDebuggerStartup(stringStorage* host);
// The statement hook, with the compiled statement's index.
void RuntimeDebuggerEntry(int32_t statement);
// The `Break` statement; nothing without a link.
void RuntimeDebuggerBreak();
// Closes the link, when there is one; the process goes on, and a later statement hook opens a
// new link. Returns 0.
int32_t RuntimeDebuggerShutdown();
}

// Set while the debugger holds the program stopped: the thread scheduler does not switch, and
// the timers of the Timer class do not fire, while these answer true.
bool DebuggerPausedThreadSwitching();
bool DebuggerSuspendedTimers();
