#include "app/ExternalClasses.h"

#include "core/Export.h"
#include "core/Startup.h"

namespace {
bool gExternalClassesInitialized = false;
}

// Each layer declares its classes' steps beside them.
void RegisterStartupClasses() {
  RunStartupSteps(kStartupStartupClassesBegin, kStartupControlClassesBegin);
}

// A second call changes nothing.
extern "C" void RuntimeInitExternalClasses() {
  if (gExternalClassesInitialized) return;
  gExternalClassesInitialized = true;
  RegisterStartupClasses();
  RunStartupSteps(kStartupControlClassesBegin, kStartupClassesEnd);
}
QV_EXPORT(RuntimeInitExternalClasses)
