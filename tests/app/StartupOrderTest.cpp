// The order in which the application's first call registers the framework's classes: the
// start-up classes in their list's order, then the control classes, then the global-function
// table (which names classes of both), then the plug-ins. Recorded as it happens.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ExternalClasses.h"
#include "core/ClassRegistry.h"
#include "core/Startup.h"

namespace {

std::vector<std::string> gRegistered;

void Record(const ObjectDefinition* definition) {
  gRegistered.push_back(definition->className.CString());
}

TEST(StartupOrder, ClassesRegisterInTheirListsOrderBeforeTheGlobalFunctions) {
  RuntimeInitExternalClasses();
  const ClassRegistrationObserver previous = SetClassRegistrationObserver(Record);
  gRegistered.clear();
  RunStartupSteps(kStartupClassesBegin, kStartupGlobalFunctionTable);
  SetClassRegistrationObserver(previous);
  const std::vector<std::string> expected = {
      // The start-up classes.
      "Readable", "Writeable", "_Pollable", "ConsoleApplication", "StandardInputStream",
      "StandardOutputStream", "ServiceApplication", "Variant", "EndOfLine", "FolderItem",
      "TextEncoding", "TextConverter", "_Encodings", "RuntimeException", "NilObjectException",
      "NoOpenTransportException", "RegistryAccessErrorException",
      "ServiceNotAvailableException", "IllegalCastException", "InvalidParentException",
      "StackOverflowException", "TypeMismatchException", "OutOfBoundsException",
      "OutOfMemoryException", "KeyNotFoundException", "EndException",
      "UnsupportedFormatException", "KeyChainException", "OLEException",
      "FunctionNotFoundException", "IllegalLockingException", "ThreadAlreadyRunningException",
      "ThreadEndException", "Application",
      // The control classes.
      "Object", "_PaneChild"};
  EXPECT_EQ(gRegistered, expected);
}

}  // namespace
