// Quitting and unhandled exceptions.
//
// ApplicationQuit asks the Application's CancelClose (a True answer vetoes), closes the windows
// front to back (any may refuse), removes the tray items and raises Close; then, when asked
// to, it ends the language threads and raises EndException to unwind the compiled caller, and
// sets the main loop's quit flag. A quit already being prepared (Quit called from a window's
// CancelClose) returns at once.
//
// An exception no compiled handler took goes to UnhandledExceptionHook: the Application's
// UnhandledException event may handle it; otherwise the program reports it and shuts down (an
// EndException only closes the windows). The report is a modal message dialog that the windows
// layer supplies; without it the text goes to standard error.
#pragma once

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// True when it raised EndException (which returns, as every raise does).
bool ApplicationQuit(RuntimeObject* application, bool raiseEnd);
// True when the quit may go on: no application, or nobody vetoed and every window closed.
bool ApplicationPrepareQuit();
bool ApplicationHandleUnhandledException(RuntimeObject* exception);
void ShowUnhandledExceptionReport(RuntimeObject* exception);
// Installed at start-up as the unhandled-exception hook.
void UnhandledExceptionHook(RuntimeObject* exception);

// The report's two texts for exception.
string UnhandledExceptionMessage(RuntimeObject* exception);
string UnhandledExceptionExplanation(RuntimeObject* exception);

// Shows the report and returns once it is dismissed. Returns the previous dialog; nil restores
// the text on standard error.
using ExceptionReportDialog = void (*)(const string& message, const string& explanation);
ExceptionReportDialog SetExceptionReportDialog(ExceptionReportDialog dialog);

extern "C" {
// The language's Quit; its argument is not used.
void QV_ApplicationQuit(int32_t unused);
// ApplicationQuit for compiled code, exported under that name: raiseEnd as a Boolean word.
void ApplicationQuitRaising(RuntimeObject* application, int32_t raiseEnd);
}
