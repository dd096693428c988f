// The order in which the application's first call registers the framework's classes: the
// start-up classes in their list's order, then the control classes, then the global-function
// table (which names classes of both), then the plug-ins. Recorded as it happens.
#include <gtest/gtest.h>

#include <string>

#include "app/ExternalClasses.h"
#include "core/ClassRegistry.h"
#include "core/Startup.h"

namespace {

std::string gRegistered;

// The exception classes register as one step, RuntimeException first: they count as one here.
void Record(const ObjectDefinition* definition) {
  const std::string name = definition->className.CString();
  if (name.size() > 9 && name.ends_with("Exception") && name != "RuntimeException") return;
  gRegistered += name + " ";
}

TEST(StartupOrder, ClassesRegisterInTheirListsOrderBeforeTheGlobalFunctions) {
  RuntimeInitExternalClasses();
  const ClassRegistrationObserver previous = SetClassRegistrationObserver(Record);
  gRegistered.clear();
  RunStartupSteps(kStartupClassesBegin, kStartupGlobalFunctionTable);
  SetClassRegistrationObserver(previous);
  EXPECT_EQ(gRegistered,
            // The start-up classes.
            "Readable Writeable _Pollable ConsoleApplication StandardInputStream "
            "StandardOutputStream ServiceApplication MemoryBlock Variant Random EndOfLine "
            "FolderItem TextEncoding TextConverter _Encodings Runtime _Blowfish RuntimeException "
            "Application "
            // The control classes.
            "Object _PaneChild ");
}

}  // namespace
