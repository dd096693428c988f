#include "app/ExternalClasses.h"

#include "app/EndOfLineClass.h"
#include "controls/ControlClasses.h"
#include "core/ClassRegistry.h"
#include "core/ExceptionClasses.h"
#include "core/GlobalFunctions.h"
#include "image/Export.h"
#include "strings/Encodings.h"
#include "strings/TextEncodingObjects.h"

namespace {
bool gExternalClassesInitialized = false;
}

// The start-up order of the class library; each value class joins this list, in its place,
// when it lands.
void RegisterIntrinsicClasses() {
  RegisterClassDefinition(EndOfLineClassDefinition());
  RegisterClassDefinition(TextEncodingClassDefinition());
  RegisterClassDefinition(TextConverterClassDefinition());
  RegisterClassDefinition(EncodingsClassDefinition());
  RegisterExceptionClasses();
}

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
