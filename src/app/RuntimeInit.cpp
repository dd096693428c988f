#include "app/RuntimeInit.h"

#include "core/Export.h"

namespace {
bool gRuntimeRunEntered = false;
}

// Nothing to prepare before the classes are registered; kept as the application's first call.
extern "C" void RuntimeInit() {}
QV_EXPORT(RuntimeInit)

// Runs the main loop until quit. Until the event loop exists there is nothing to run: the
// call only records that the application reached it. A second call returns at once.
extern "C" void RuntimeRun() {
  if (gRuntimeRunEntered) return;
  gRuntimeRunEntered = true;
}
QV_EXPORT(RuntimeRun)

bool RuntimeRunWasCalled() { return gRuntimeRunEntered; }
