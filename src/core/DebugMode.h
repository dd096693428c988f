// The debug-mode flag: set once by a program built for debugging when it starts
// (DebugRuntimeInit) and read by what behaves differently under the remote debugger (the
// plug-in interface's query, the common runtime's background task). It lives here, below the
// loader and the application layer, so that both can read it.
#pragma once

void SetDebugMode();
bool InDebugMode();

extern "C" void lineTrace();
