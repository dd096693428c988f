// The application's first call: registers the start-up classes, the control classes, builds
// the global-function table and loads the image's plug-ins, in that order (StartupOrder.h),
// so that every class a plug-in or a global function names resolves before compiled code uses
// it.
#pragma once

extern "C" void RuntimeInitExternalClasses();
