// The standard menu items: QuitMenuItem quits when chosen, PrefsMenuItem stands for the
// preferences command, AppleMenuItem marks an item for other platforms' application menu.
// Quit and Prefs implement MenuItem's Action themselves and declare an Action of the same form
// for their own subclasses, which their implementations call.
#include "app/ApplicationClass.h"
#include "app/ApplicationQuit.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/CompiledCall.h"
#include "core/Export.h"
#include "core/Startup.h"
#include "windows/Menu.h"
#include "windows/MenuItemClass.h"

extern "C" {
// True: a subclass's Action answering True keeps the program running; anything else quits it.
int32_t QuitMenuAction(RuntimeObject* item);
// True, whatever the subclass's Action answers.
int32_t PrefsMenuAction(RuntimeObject* item);
}

namespace {

ObjectHook* gQuitActionHook = nullptr;
ObjectHook* gPrefsActionHook = nullptr;

const EventRow kQuitEvents[] = {QV_EVENT("Action", &gQuitActionHook, nullptr, "Boolean")};
const EventRow kPrefsEvents[] = {QV_EVENT("Action", &gPrefsActionHook, nullptr, "Boolean")};

const EventImplementationRow kQuitImplementations[] = {
    QV_EVENT_IMPLEMENTATION("Action", QuitMenuAction),
};
const EventImplementationRow kPrefsImplementations[] = {
    QV_EVENT_IMPLEMENTATION("Action", PrefsMenuAction),
};

}  // namespace

QV_CLASS(QuitMenuItemClassDefinition,
         .name = "QuitMenuItem",
         .super = MenuItemClassDefinition,
         .objectSize = sizeof(MenuItemObject),
         .events = kQuitEvents,
         .eventImplementations = kQuitImplementations)

QV_CLASS(PrefsMenuItemClassDefinition,
         .name = "PrefsMenuItem",
         .super = MenuItemClassDefinition,
         .objectSize = sizeof(MenuItemObject),
         .events = kPrefsEvents,
         .eventImplementations = kPrefsImplementations)

QV_CLASS(AppleMenuItemClassDefinition,
         .name = "AppleMenuItem",
         .super = MenuItemClassDefinition,
         .objectSize = sizeof(MenuItemObject))

QV_STARTUP(kStartupStandardMenuItemClasses, +[] {
  RegisterClassDefinition(QuitMenuItemClassDefinition());
  RegisterClassDefinition(PrefsMenuItemClassDefinition());
  RegisterClassDefinition(AppleMenuItemClassDefinition());
})
QV_STARTUP(kStartupMenuClasses, RegisterMenuClasses)

extern "C" int32_t QuitMenuAction(RuntimeObject* item) {
  if (RaiseObjectEvent<bool>(item, gQuitActionHook)) return 1;
  ApplicationQuit(ApplicationObject(), true);
  return 1;
}
QV_EXPORT(QuitMenuAction)

extern "C" int32_t PrefsMenuAction(RuntimeObject* item) {
  RaiseObjectEvent<bool>(item, gPrefsActionHook);
  return 1;
}
QV_EXPORT(PrefsMenuAction)
