// The DockItem and TrayItem classes as tables of rows, with their inert members.
#include "app/DockAndTrayItems.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/RuntimeError.h"
#include "core/SimpleVector.h"
#include "core/Startup.h"

namespace {

using namespace lang;

const PropertyRow kDockItemProperties[] = {
    QV_READONLY("Graphics", Class<"Graphics">, DockItemIconGraphicsGetter),
};

const MethodRow kDockItemMethods[] = {
    QV_SUB("ResetIcon", DockItemResetIcon),
    QV_SUB("UpdateNow", DockItemIconUpdate),
};

ObjectHook* gTrayActionHook;  // never raised: no icon is shown to act on

const PropertyRow kTrayItemProperties[] = {
    QV_PROPERTY("Icon", Class<"Picture">, objGetter, TrayItemSetPicture,
                offsetof(TrayItemObject, icon)),
    QV_PROPERTY("HelpTag", String, stringGetter, TrayItemSetHelpTag,
                offsetof(TrayItemObject, helpTag)),
};

const EventRow kTrayItemEvents[] = {
    QV_EVENT("Action", &gTrayActionHook, "cause as Integer"),
};

TrayItemObject* Tray(RuntimeObject* item) { return reinterpret_cast<TrayItemObject*>(item); }

// The tray items shown, each locked. Nothing adds to it on this platform.
SimpleVector<RuntimeObject*>& AddedTrayItems() {
  static SimpleVector<RuntimeObject*> items;
  return items;
}

}  // namespace

QV_CLASS(DockItemClassDefinition,
         .name = "DockItem",
         .objectSize = sizeof(DockItemObject),
         .properties = kDockItemProperties,
         .methods = kDockItemMethods,
         .initializer = QV_CODE(DockItemInitializer),
         .finalizer = QV_CODE(DockItemFinalizer))
QV_STARTUP_CLASS(kStartupDockItemClass, DockItemClassDefinition)

QV_CLASS(TrayItemClassDefinition,
         .name = "TrayItem",
         .objectSize = sizeof(TrayItemObject),
         .properties = kTrayItemProperties,
         .events = kTrayItemEvents,
         .initializer = QV_CODE(TrayItemInitializer),
         .finalizer = QV_CODE(TrayItemFinalizer))
QV_STARTUP_CLASS(kStartupTrayItemClass, TrayItemClassDefinition)

// ---- DockItem ----

extern "C" void DockItemInitializer(RuntimeObject* item) {
  if (!item) return;
  DockItemObject* dock = reinterpret_cast<DockItemObject*>(item);
  dock->words[0] = 0;
  dock->graphics = nullptr;
}
QV_EXPORT(DockItemInitializer)

extern "C" void DockItemFinalizer(RuntimeObject* item) {
  if (!item) return;
  DockItemObject* dock = reinterpret_cast<DockItemObject*>(item);
  RuntimeUnlockObject(dock->graphics);
  dock->graphics = nullptr;
}
QV_EXPORT(DockItemFinalizer)

extern "C" RuntimeObject* DockItemIconGraphicsGetter(RuntimeObject* item, uint32_t) {
  if (!QV_CHECK_TEXT(item, "dockItem", nullptr)) return nullptr;
  return nullptr;  // no dock icon to draw into
}
QV_EXPORT(DockItemIconGraphicsGetter)

extern "C" void DockItemResetIcon(RuntimeObject*) {}
QV_EXPORT(DockItemResetIcon)

extern "C" void DockItemIconUpdate(RuntimeObject*) {}
QV_EXPORT(DockItemIconUpdate)

extern "C" RuntimeObject* AppDockItemGetter(RuntimeObject* application, uint32_t) {
  if (!QV_CHECK_TEXT(application, "app", nullptr)) return nullptr;
  return nullptr;  // no dock
}
QV_EXPORT(AppDockItemGetter)

// ---- TrayItem ----

extern "C" void TrayItemInitializer(RuntimeObject* item) {
  if (!item) return;
  Tray(item)->icon = nullptr;
  Tray(item)->helpTag = nullptr;
  Tray(item)->id = 0;
}
QV_EXPORT(TrayItemInitializer)

extern "C" void TrayItemFinalizer(RuntimeObject* item) {
  if (!item) return;
  stringStorage::RemoveReference(Tray(item)->helpTag);
  RuntimeUnlockObject(Tray(item)->icon);
  Tray(item)->helpTag = nullptr;
  Tray(item)->icon = nullptr;
}
QV_EXPORT(TrayItemFinalizer)

extern "C" void TrayItemSetPicture(RuntimeObject* item, uint32_t, RuntimeObject* picture) {
  if (!QV_CHECK_TEXT(item, "item", nullptr)) return;
  RuntimeLockObject(picture);
  RuntimeUnlockObject(Tray(item)->icon);
  Tray(item)->icon = picture;
}
QV_EXPORT(TrayItemSetPicture)

extern "C" void TrayItemSetHelpTag(RuntimeObject* item, uint32_t, stringStorage* text) {
  if (!QV_CHECK_TEXT(item, "item", nullptr)) return;
  stringStorage::AddReference(text);
  stringStorage::RemoveReference(Tray(item)->helpTag);
  Tray(item)->helpTag = text;
}
QV_EXPORT(TrayItemSetHelpTag)

extern "C" void AddTrayItem(RuntimeObject*, RuntimeObject* item) {
  if (!item) return;
  if (!QV_CHECK_TEXT(Tray(item)->id == 0, "item->mID == 0",
                     "You are trying to add an icon with the same ID, which will wreak havoc "
                     "with the system!  Make a new TrayItem please.")) {
    return;
  }
  // No icon is shown on this platform, so nothing is added.
}
QV_EXPORT(AddTrayItem)

extern "C" void RemoveTrayItem(RuntimeObject*, RuntimeObject*) {}
QV_EXPORT(RemoveTrayItem)

void RemoveAllTrayItems() {
  SimpleVector<RuntimeObject*>& items = AddedTrayItems();
  for (int32_t i = int32_t(items.size()) - 1; i >= 0; --i) RemoveTrayItem(nullptr, items[i]);
  for (int32_t i = 0; i < int32_t(items.size()); ++i) RuntimeUnlockObject(items[i]);
  items.Clear();
}
