// The application's first call: registers the start-up classes, the control classes, builds
// the global-function table and loads the image's plug-ins, in that order (StartupOrder.h),
// so that every class a plug-in or a global function names resolves before compiled code uses
// it.
#pragma once

// The start-up classes alone, in their list's order: the first part of the first call.
void RegisterStartupClasses();

extern "C" void RuntimeInitExternalClasses();
