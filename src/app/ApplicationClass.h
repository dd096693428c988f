// The Application class: the one object that stands for the running windowed program. The
// compiled application subclasses it; start-up adopts or makes one instance (the application
// object) and raises its events; the quit sequence and the unhandled-exception report
// (ApplicationQuit.h) ask it. This file holds the class, its accessors, its menu-handler
// table, the pollable objects it keeps on the poll list, and the application object itself.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "core/StringMap.h"
#include "image/VersionResource.h"
#include "strings/RuntimeString.h"

struct ApplicationFields {
  RuntimeObject header;
  RuntimeObject* mouseCursor;
  RuntimeObject* mdiWindow;
  uint8_t balloonHelpVisible;
  uint8_t quitting;  // a quit is being prepared
  uint8_t unused1[2];
  RuntimeObject* menuBar;
  StringMap<void*>* menuHandlers;  // item name -> compiled handler; made on first use
  RuntimeObject* dockItem;
  uint8_t autoQuit;
  uint8_t unused2[11];
};
static_assert(sizeof(ApplicationFields) == 60, "Application instances are read by code");
static_assert(offsetof(ApplicationFields, mouseCursor) == 24 &&
                  offsetof(ApplicationFields, mdiWindow) == 28 &&
                  offsetof(ApplicationFields, balloonHelpVisible) == 32 &&
                  offsetof(ApplicationFields, quitting) == 33 &&
                  offsetof(ApplicationFields, menuBar) == 36 &&
                  offsetof(ApplicationFields, menuHandlers) == 40 &&
                  offsetof(ApplicationFields, dockItem) == 44 &&
                  offsetof(ApplicationFields, autoQuit) == 48,
              "Application layout");

inline ApplicationFields* AsApplication(RuntimeObject* object) {
  return reinterpret_cast<ApplicationFields*>(object);
}

ObjectDefinition* ApplicationClassDefinition();

// The application object, borrowed (nil until registered and after it went away).
RuntimeObject* ApplicationObject();
// Makes object the application object, taking one reference for the registration; a previous
// one loses its registration reference.
void SetApplicationObject(RuntimeObject* object);
// Drops the registration's reference, once; the object's finalizer clears the pointer when the
// object goes away.
void ReleaseApplicationObject();
bool ApplicationAutoQuits(RuntimeObject* application);

// The Application's events, raised on application (nil raises nothing). Boolean events answer
// false without a handler.
void RaiseApplicationOpen(RuntimeObject* application);
void RaiseApplicationClose(RuntimeObject* application);
bool RaiseApplicationCancelClose(RuntimeObject* application);
bool RaiseApplicationUnhandledException(RuntimeObject* application, RuntimeObject* exception);
bool ApplicationHasOpenDocumentHandler(RuntimeObject* application);

// What the version getters read: the image's version record (GetVersionResource). Another
// source may stand in for it (nil restores the record); without a record the getters answer -1
// and "".
using ApplicationVersion = ImageVersion;
using ApplicationVersionSource = const ApplicationVersion* (*)();
void SetApplicationVersionSource(ApplicationVersionSource source);

extern "C" {
void ApplicationInitializer(RuntimeObject* application);
void ApplicationFinalizer(RuntimeObject* application);
void ApplicationNewDocument(RuntimeObject* application);
void ApplicationOpenDocument(RuntimeObject* application, RuntimeObject* item);
void ApplicationAddMenuHandler(RuntimeObject* application, stringStorage* name, void* handler);
void ApplicationAddPollableObject(RuntimeObject* application, RuntimeObject* object);
void ApplicationRemovePollableObject(RuntimeObject* application, RuntimeObject* object);
void ApplicationDoSingleEvent(RuntimeObject* application, int32_t block);
void AppSleepCurrentThread(RuntimeObject* application, int32_t milliseconds);

int32_t AppAutoCloseGetter(RuntimeObject* application, uint32_t parameter);
void AppAutoCloseSetter(RuntimeObject* application, uint32_t parameter, int32_t value);
int32_t AppBalloonHelpVisibleGetter(RuntimeObject* application, uint32_t parameter);
void AppBalloonHelpVisibleSetter(RuntimeObject* application, uint32_t parameter, int32_t value);
RuntimeObject* AppMenuBarGetter(RuntimeObject* application, uint32_t parameter);
void AppMenuBarSetter(RuntimeObject* application, uint32_t parameter, RuntimeObject* value);
void appMouseCursorSetter(RuntimeObject* application, uint32_t parameter, RuntimeObject* value);
RuntimeObject* appResourceForkGetter(RuntimeObject* application, uint32_t parameter);
RuntimeObject* AppFolderItemGetter(RuntimeObject* application, uint32_t parameter);
int32_t AppGetCurrentEventTime(RuntimeObject* application, uint32_t parameter);
int32_t AppIntegerVersionStuffGetter(RuntimeObject* application, uint32_t which);
stringStorage* AppStringVersionStuffGetter(RuntimeObject* application, uint32_t which);
RuntimeObject* getAppObject();
}

// The EnableMenuItems event of the enabling pass; nothing for nil.
void RaiseApplicationEnableMenuItems(RuntimeObject* application);
// The compiled handler registered for a menu item's name, or nil.
void* ApplicationMenuHandler(RuntimeObject* application, const string& name);
