#include "app/ExternalClasses.h"

#include "controls/ControlClasses.h"
#include "core/ExceptionClasses.h"
#include "core/GlobalFunctions.h"
#include "image/Export.h"

namespace {
bool gExternalClassesInitialized = false;
}

// Each value class joins this list, in its place, when it lands.
void RegisterIntrinsicClasses() { RegisterExceptionClasses(); }

// Plug-ins install between the global-function table and the control classes once their
// loader lands. A second call changes nothing.
extern "C" void RuntimeInitExternalClasses() {
  if (gExternalClassesInitialized) return;
  gExternalClassesInitialized = true;
  RegisterIntrinsicClasses();
  BuildGlobalFunctionTable();
  RegisterControlClasses();
}
QV_EXPORT(RuntimeInitExternalClasses)
