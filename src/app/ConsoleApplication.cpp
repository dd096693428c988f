#include "app/ConsoleApplication.h"

#include "app/ApplicationClass.h"
#include "app/MainLoop.h"
#include "app/RuntimeInit.h"
#include "app/ThreadClass.h"
#include "app/ThreadScheduler.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"

namespace {

using namespace lang;

RuntimeObject* gConsoleApplication = nullptr;

ObjectHook* gRunHook;
ObjectHook* gConsoleUnhandledExceptionHook;
ObjectHook* gStopHook;
ObjectHook* gPauseHook;
ObjectHook* gResumeHook;
ObjectHook* gDontDaemonizeHook;

const PropertyRow kConsoleApplicationProperties[] = {
    QV_READONLY("ExecutableFile", Class<"FolderItem">, AppFolderItemGetter),
    QV_READONLY("CurrentThread", Class<"Thread">, QUORGetCurrentThread),
};
const MethodRow kConsoleApplicationMethods[] = {
    QV_SUB("DoEvents", RuntimeDoEvents, Param("milliseconds", Integer).Default(10)),
    QV_FUNCTION("Daemonize", Boolean, DaemonizeApp),
    QV_SUB("_AddPollableObject", ApplicationAddPollableObject,
           Param("item", Class<"_Pollable">)),
    QV_SUB("_RemovePollableObject", ApplicationRemovePollableObject,
           Param("item", Class<"_Pollable">)),
    QV_SUB("YieldToNextThread", YieldToNextThread),
    QV_SUB("SleepCurrentThread", AppSleepCurrentThread, Param("milliseconds", Integer)),
};
const EventRow kConsoleApplicationEvents[] = {
    QV_EVENT("Run", &gRunHook, "args() as String", "Integer"),
    QV_EVENT("UnhandledException", &gConsoleUnhandledExceptionHook, "error As RuntimeException"),
};
const EventRow kServiceApplicationEvents[] = {
    QV_EVENT("Stop", &gStopHook, "shuttingDown as Boolean"),
    QV_EVENT("Pause", &gPauseHook),
    QV_EVENT("Resume", &gResumeHook),
    QV_EVENT("DontDaemonize", &gDontDaemonizeHook, nullptr, "Boolean"),
};

constexpr uint32_t kConsoleOnly = kRowEveryTarget | kRowNoGUI;

// Replacing the object moves the registration's reference to the new one.
void SetConsoleApplicationObject(RuntimeObject* object) {
  RuntimeLockUnlockObjects(object, gConsoleApplication);
  gConsoleApplication = object;
}

}  // namespace

QV_CLASS(ConsoleApplicationClassDefinition,
         .name = "ConsoleApplication",
         .objectSize = sizeof(ConsoleApplicationFields),
         .properties = kConsoleApplicationProperties,
         .methods = kConsoleApplicationMethods,
         .events = kConsoleApplicationEvents,
         .initializer = QV_CODE(ConsoleApplicationInitializer),
         .flags = kConsoleOnly)
QV_CLASS(ServiceApplicationClassDefinition,
         .name = "ServiceApplication",
         .super = ConsoleApplicationClassDefinition,
         .objectSize = kServiceApplicationSize,
         .events = kServiceApplicationEvents,
         .flags = kConsoleOnly)
QV_STARTUP_CLASS(kStartupConsoleApplicationClass, ConsoleApplicationClassDefinition)
QV_STARTUP_CLASS(kStartupServiceApplicationClass, ServiceApplicationClassDefinition)

RuntimeObject* ConsoleApplicationObject() { return gConsoleApplication; }

extern "C" void ConsoleApplicationInitializer(RuntimeObject* application) {
  if (!QV_CHECK_TEXT(application, "obj", nullptr)) return;
  reinterpret_cast<ConsoleApplicationFields*>(application)->word = 0;
  SetConsoleApplicationObject(application);
}
QV_EXPORT(ConsoleApplicationInitializer)

extern "C" void RuntimeRegisterConsoleAppObject(RuntimeObject* object, int32_t service) {
  if (object) {
    SetConsoleApplicationObject(object);
  } else {
    // The initializer registers the new object; the maker's own reference is not needed.
    RuntimeUnlockObject(NewObjectFromDefinition(service ? ServiceApplicationClassDefinition()
                                                        : ConsoleApplicationClassDefinition()));
  }
  RaiseStartupEvents();
}
QV_EXPORT(RuntimeRegisterConsoleAppObject)

extern "C" int32_t DaemonizeApp(RuntimeObject*) { return 1; }
QV_EXPORT(DaemonizeApp)
