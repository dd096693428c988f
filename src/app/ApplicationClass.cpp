#include "app/ApplicationClass.h"

#include <gtk/gtk.h>

#include "app/ApplicationPollables.h"
#include "app/ClassLibraryHooks.h"
#include "app/DockAndTrayItems.h"
#include "app/FolderItemImp.h"
#include "app/MainLoop.h"
#include "app/OtherPlatformClasses.h"
#include "app/RuntimeInit.h"
#include "app/ThreadClass.h"
#include "app/ThreadScheduler.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/CompiledCall.h"
#include "core/EventHandlers.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"

namespace {

using namespace lang;

constexpr uint32_t kMenuHandlerBuckets = 256;

ObjectHook* gOpenHook;
ObjectHook* gCloseHook;
ObjectHook* gEnableMenuItemsHook;
ObjectHook* gNewDocumentHook;
ObjectHook* gOpenDocumentHook;
ObjectHook* gHandleAppleEventHook;
ObjectHook* gActivateHook;
ObjectHook* gDeactivateHook;
ObjectHook* gUnhandledExceptionHook;
ObjectHook* gCancelCloseHook;

RuntimeObject* gApplication = nullptr;
bool gHoldsRegistrationReference = false;
ApplicationVersionSource gVersionSource = GetVersionResource;

const PropertyRow kApplicationProperties[] = {
    QV_PROPERTY("MouseCursor", Class<"MouseCursor">, objGetter, appMouseCursorSetter,
                offsetof(ApplicationFields, mouseCursor)),
    QV_READONLY("ResourceFork", Class<"ResourceFork">, appResourceForkGetter),
    QV_PROPERTY("MDIWindow", Class<"MDIWindow">, objGetter, objSetter,
                offsetof(ApplicationFields, mdiWindow)),
    QV_PROPERTY("BalloonHelpVisible", Boolean, AppBalloonHelpVisibleGetter,
                AppBalloonHelpVisibleSetter),
    QV_READONLY("MajorVersion", Integer, AppIntegerVersionStuffGetter, 0),
    QV_READONLY("MinorVersion", Integer, AppIntegerVersionStuffGetter, 1),
    QV_READONLY("BugVersion", Integer, AppIntegerVersionStuffGetter, 2),
    QV_READONLY("StageCode", Integer, AppIntegerVersionStuffGetter, 3),
    QV_READONLY("NonReleaseVersion", Integer, AppIntegerVersionStuffGetter, 4),
    QV_READONLY("RegionCode", Integer, AppIntegerVersionStuffGetter, 5),
    QV_READONLY("ShortVersion", String, AppStringVersionStuffGetter, 0),
    QV_READONLY("LongVersion", String, AppStringVersionStuffGetter, 1),
    QV_READONLY("PackageInfo", String, AppStringVersionStuffGetter, 2),
    QV_PROPERTY("MenuBar", Class<"MenuBar">, AppMenuBarGetter, AppMenuBarSetter),
    QV_READONLY("DockItem", Class<"DockItem">, AppDockItemGetter),
    QV_PROPERTY("AutoQuit", Boolean, AppAutoCloseGetter, AppAutoCloseSetter),
    QV_READONLY("ExecutableFile", Class<"FolderItem">, AppFolderItemGetter),
    QV_READONLY("CurrentThread", Class<"Thread">, QUORGetCurrentThread),
    QV_READONLY("_CurrentEventTime", Integer, AppGetCurrentEventTime),
    QV_VARIABLE("__qvf_mMenuBar", Integer),
    QV_VARIABLE("__qvf_mMenuHandlers", Integer),
};

const EventRow kApplicationEvents[] = {
    QV_EVENT("Open", &gOpenHook),
    QV_EVENT("Close", &gCloseHook),
    QV_EVENT("EnableMenuItems", &gEnableMenuItemsHook),
    QV_EVENT("NewDocument", &gNewDocumentHook),
    QV_EVENT("OpenDocument", &gOpenDocumentHook, "item As FolderItem"),
    QV_EVENT("HandleAppleEvent", &gHandleAppleEventHook,
             "theEvent As AppleEvent, eventClass As String, eventID As String", "Boolean"),
    QV_EVENT("Activate", &gActivateHook),
    QV_EVENT("Deactivate", &gDeactivateHook),
    QV_EVENT("UnhandledException", &gUnhandledExceptionHook, "error As RuntimeException",
             "Boolean"),
    QV_EVENT("CancelClose", &gCancelCloseHook, nullptr, "Boolean"),
};

const MethodRow kApplicationMethods[] = {
    QV_SUB("NewDocument", ApplicationNewDocument),
    QV_SUB("OpenDocument", ApplicationOpenDocument, Param("Item", Class<"FolderItem">)),
    QV_SUB("DoEvents", RuntimeDoEvents, Param("milliseconds", Integer).Default(uint32_t(-1))),
    QV_SUB("_AddMenuHandler", ApplicationAddMenuHandler, Param("name", String),
           Param("handler", Ptr)),
    QV_SUB("_AddPollableObject", ApplicationAddPollableObject,
           Param("item", Class<"_Pollable">)),
    QV_SUB("_RemovePollableObject", ApplicationRemovePollableObject,
           Param("item", Class<"_Pollable">)),
    QV_SUB("AddTrayItem", AddTrayItem, Param("item", Class<"TrayItem">)),
    QV_SUB("RemoveTrayItem", RemoveTrayItem, Param("item", Class<"TrayItem">)),
    QV_SUB("YieldToNextThread", YieldToNextThread),
    QV_SUB("SleepCurrentThread", AppSleepCurrentThread, Param("milliseconds", Integer)),
    QV_SUB("_DoSingleEvent", ApplicationDoSingleEvent, Param("block", Boolean)),
};

}  // namespace

QV_CLASS(ApplicationClassDefinition,
         .name = "Application",
         .objectSize = sizeof(ApplicationFields),
         .properties = kApplicationProperties,
         .methods = kApplicationMethods,
         .events = kApplicationEvents,
         .initializer = QV_CODE(ApplicationInitializer),
         .finalizer = QV_CODE(ApplicationFinalizer))
QV_STARTUP_CLASS(kStartupApplicationClass, ApplicationClassDefinition)

// ---- The application object --------------------------------------------------------------

RuntimeObject* ApplicationObject() { return gApplication; }

void SetApplicationObject(RuntimeObject* object) {
  if (object == gApplication && gHoldsRegistrationReference) return;
  RuntimeLockObject(object);
  ReleaseApplicationObject();
  gApplication = object;
  gHoldsRegistrationReference = object != nullptr;
}

void ReleaseApplicationObject() {
  if (!gHoldsRegistrationReference) return;
  gHoldsRegistrationReference = false;
  RuntimeObject* application = gApplication;
  RuntimeUnlockObject(application);  // the finalizer clears gApplication when it runs
}

bool ApplicationAutoQuits(RuntimeObject* application) {
  return application && AsApplication(application)->autoQuit != 0;
}

void RaiseApplicationOpen(RuntimeObject* application) {
  RaiseObjectEvent<void>(application, gOpenHook);
}
void RaiseApplicationClose(RuntimeObject* application) {
  RaiseObjectEvent<void>(application, gCloseHook);
}
bool RaiseApplicationCancelClose(RuntimeObject* application) {
  return RaiseObjectEvent<bool>(application, gCancelCloseHook);
}
bool RaiseApplicationUnhandledException(RuntimeObject* application, RuntimeObject* exception) {
  return RaiseObjectEvent<bool>(application, gUnhandledExceptionHook, exception);
}
bool ApplicationHasOpenDocumentHandler(RuntimeObject* application) {
  return LookupEventHandler(application, gOpenDocumentHook) != nullptr;
}

extern "C" RuntimeObject* getAppObject() {
  RuntimeLockObject(gApplication);
  return gApplication;
}
QV_EXPORT(getAppObject)

// ---- Life ----------------------------------------------------------------------------------

// The MDI window joins when its class exists; until then the property reads nil.
extern "C" void ApplicationInitializer(RuntimeObject* application) {
  if (!QV_CHECK_TEXT(application, "self", nullptr)) return;
  ApplicationFields* app = AsApplication(application);
  if (ObjectDefinition* mdi = LookupClassDefinition("MDIWindow")) {
    app->mdiWindow = NewObjectFromDefinition(mdi);
  }
  app->autoQuit = 1;
}
QV_EXPORT(ApplicationInitializer)

extern "C" void ApplicationFinalizer(RuntimeObject* application) {
  if (!QV_CHECK_TEXT(application, "self", nullptr)) return;
  ApplicationFields* app = AsApplication(application);
  // The poll list is the registered application's; another Application object leaves it.
  if (application == gApplication) RemoveAllPollableObjects();
  RuntimeUnlockObject(app->mdiWindow);
  RuntimeUnlockObject(app->dockItem);
  RuntimeUnlockObject(app->menuBar);
  RuntimeUnlockObject(app->mouseCursor);
  app->mdiWindow = app->dockItem = app->menuBar = app->mouseCursor = nullptr;
  delete app->menuHandlers;
  app->menuHandlers = nullptr;
  if (gApplication == application) {
    gApplication = nullptr;
    gHoldsRegistrationReference = false;
  }
}
QV_EXPORT(ApplicationFinalizer)

// ---- Methods -------------------------------------------------------------------------------

extern "C" void ApplicationNewDocument(RuntimeObject* application) {
  RaiseObjectEvent<void>(application, gNewDocumentHook);
}
QV_EXPORT(ApplicationNewDocument)

extern "C" void ApplicationOpenDocument(RuntimeObject* application, RuntimeObject* item) {
  RaiseObjectEvent(application, gOpenDocumentHook, item);
}
QV_EXPORT(ApplicationOpenDocument)

extern "C" void ApplicationAddMenuHandler(RuntimeObject* application, stringStorage* name,
                                          void* handler) {
  if (!QV_CHECK_TEXT(application, "self", nullptr) || !QV_CHECK_TEXT(name, "name", nullptr)) {
    return;
  }
  if (!handler) return;
  ApplicationFields* app = AsApplication(application);
  if (!app->menuHandlers) app->menuHandlers = new StringMap<void*>(kMenuHandlerBuckets);
  app->menuHandlers->AddEntry(string(name), handler);
}
QV_EXPORT(ApplicationAddMenuHandler)

void RaiseApplicationEnableMenuItems(RuntimeObject* application) {
  RaiseObjectEvent<void>(application, gEnableMenuItemsHook);
}

void* ApplicationMenuHandler(RuntimeObject* application, const string& name) {
  void* handler = nullptr;
  if (application && AsApplication(application)->menuHandlers) {
    AsApplication(application)->menuHandlers->GetEntry(name, &handler);
  }
  return handler;
}

extern "C" void ApplicationDoSingleEvent(RuntimeObject*, int32_t block) {
  RunToolkitIteration(block != 0);
}
QV_EXPORT(ApplicationDoSingleEvent)

extern "C" void AppSleepCurrentThread(RuntimeObject* application, int32_t milliseconds) {
  if (!QV_CHECK_TEXT(application, "self", nullptr)) return;
  ThreadScheduler().sleepCurrentThread(milliseconds);
}
QV_EXPORT(AppSleepCurrentThread)

// ---- Accessors -----------------------------------------------------------------------------

extern "C" int32_t AppAutoCloseGetter(RuntimeObject* application, uint32_t) {
  if (!QV_CHECK_TEXT(application, "self", nullptr)) return 0;
  return AsApplication(application)->autoQuit ? 1 : 0;
}
QV_EXPORT(AppAutoCloseGetter)

extern "C" void AppAutoCloseSetter(RuntimeObject* application, uint32_t, int32_t value) {
  if (!QV_CHECK_TEXT(application, "self", nullptr)) return;
  AsApplication(application)->autoQuit = value ? 1 : 0;
}
QV_EXPORT(AppAutoCloseSetter)

extern "C" int32_t AppBalloonHelpVisibleGetter(RuntimeObject* application, uint32_t) {
  if (!QV_CHECK_TEXT(application, "self", nullptr)) return 0;
  return AsApplication(application)->balloonHelpVisible ? 1 : 0;
}
QV_EXPORT(AppBalloonHelpVisibleGetter)

extern "C" void AppBalloonHelpVisibleSetter(RuntimeObject* application, uint32_t,
                                            int32_t value) {
  if (!QV_CHECK_TEXT(application, "self", nullptr)) return;
  AsApplication(application)->balloonHelpVisible = value ? 1 : 0;
}
QV_EXPORT(AppBalloonHelpVisibleSetter)

extern "C" RuntimeObject* AppMenuBarGetter(RuntimeObject* application, uint32_t) {
  if (!QV_CHECK_TEXT(application, "app", nullptr)) return nullptr;
  RuntimeLockObject(AsApplication(application)->menuBar);
  return AsApplication(application)->menuBar;
}
QV_EXPORT(AppMenuBarGetter)

extern "C" void AppMenuBarSetter(RuntimeObject* application, uint32_t, RuntimeObject* value) {
  if (!QV_CHECK_TEXT(application, "app", nullptr)) return;
  ApplicationFields* app = AsApplication(application);
  RuntimeLockUnlockObjects(value, app->menuBar);
  app->menuBar = value;
}
QV_EXPORT(AppMenuBarSetter)

extern "C" void appMouseCursorSetter(RuntimeObject* application, uint32_t,
                                     RuntimeObject* value) {
  if (!QV_CHECK_TEXT(application, "self", nullptr)) return;
  ApplicationFields* app = AsApplication(application);
  RuntimeLockUnlockObjects(value, app->mouseCursor);
  app->mouseCursor = value;
  RefreshMouseCursor();
}
QV_EXPORT(appMouseCursorSetter)

// The program's own resources are the image's (the resource manager); its ResourceFork is an
// empty one, as every file's is here.
extern "C" RuntimeObject* appResourceForkGetter(RuntimeObject*, uint32_t) {
  return NewObjectFromDefinition(ResourceForkClassDefinition());
}
QV_EXPORT(appResourceForkGetter)

extern "C" RuntimeObject* AppFolderItemGetter(RuntimeObject*, uint32_t) {
  RuntimeObject* item = NewFolderItemObject(ExecutableFilePath());
  return QV_CHECK_TEXT(item, "ret", nullptr) ? item : nullptr;
}
QV_EXPORT(AppFolderItemGetter)

// GTK's time stamp is an unsigned count of milliseconds that wraps after 49 days; read as such
// it gives ticks that never turn negative.
extern "C" int32_t AppGetCurrentEventTime(RuntimeObject* application, uint32_t) {
  if (!QV_CHECK_TEXT(application, "self", nullptr)) return 0;
  if (!gdk_display_get_default()) return 0;
  const uint64_t milliseconds = gtk_get_current_event_time();
  return int32_t(milliseconds * 60 / 1000);
}
QV_EXPORT(AppGetCurrentEventTime)

void SetApplicationVersionSource(ApplicationVersionSource source) {
  gVersionSource = source ? source : GetVersionResource;
}

// which 0-2 read the first three words, 3 the fifth (stage), 4 the fourth (non-release), 5 the
// sixth.
extern "C" int32_t AppIntegerVersionStuffGetter(RuntimeObject*, uint32_t which) {
  static constexpr int32_t kWordOf[] = {0, 1, 2, 4, 3, 5};
  const ApplicationVersion* version = gVersionSource();
  if (!version || which > 5) return -1;
  return version->words[kWordOf[which]];
}
QV_EXPORT(AppIntegerVersionStuffGetter)

extern "C" stringStorage* AppStringVersionStuffGetter(RuntimeObject*, uint32_t which) {
  const ApplicationVersion* version = gVersionSource();
  if (!version || which > 2) return nullptr;
  return version->texts[which].ExtractStringStorage();
}
QV_EXPORT(AppStringVersionStuffGetter)
