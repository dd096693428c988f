// DockItem and TrayItem: the application's dock icon and its icons in the desktop's
// notification area. This platform shows neither, so both classes exist for programs written
// for others: the dock item is never made (the Application's DockItem is nil), and a tray item
// keeps its properties but is never shown and raises no Action.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

struct DockItemObject {
  RuntimeObject header;
  uint32_t words[3];
  RuntimeObject* graphics;  // released by the finalizer; nothing sets it here
};
static_assert(sizeof(DockItemObject) == 40, "DockItem objects are 40 bytes");

struct TrayItemObject {
  RuntimeObject header;
  RuntimeObject* icon;     // Picture, locked
  stringStorage* helpTag;  // one reference
  int32_t id;              // 0 while not added; nothing sets it here
  uint32_t reserved[7];
};
static_assert(sizeof(TrayItemObject) == 64 && offsetof(TrayItemObject, icon) == 24 &&
                  offsetof(TrayItemObject, helpTag) == 28 && offsetof(TrayItemObject, id) == 32,
              "TrayItem layout");

ObjectDefinition* DockItemClassDefinition();
ObjectDefinition* TrayItemClassDefinition();

// Takes every tray item the application added off the desktop (the application's quit).
void RemoveAllTrayItems();

extern "C" {
void DockItemInitializer(RuntimeObject* item);
void DockItemFinalizer(RuntimeObject* item);
RuntimeObject* DockItemIconGraphicsGetter(RuntimeObject* item, uint32_t unused);
void DockItemResetIcon(RuntimeObject* item);
void DockItemIconUpdate(RuntimeObject* item);
RuntimeObject* AppDockItemGetter(RuntimeObject* application, uint32_t unused);

void TrayItemInitializer(RuntimeObject* item);
void TrayItemFinalizer(RuntimeObject* item);
void TrayItemSetPicture(RuntimeObject* item, uint32_t unused, RuntimeObject* picture);
void TrayItemSetHelpTag(RuntimeObject* item, uint32_t unused, stringStorage* text);
void AddTrayItem(RuntimeObject* application, RuntimeObject* item);
void RemoveTrayItem(RuntimeObject* application, RuntimeObject* item);
}
