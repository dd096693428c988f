// The language classes "MenuItem", its subclass "MenuBar" and "_MenuBarInstaller": every menu,
// menu item and menu bar is a MenuItem object whose hidden field holds its XMenuGTK node,
// made by the initializer and deleted by the finalizer; every property and method works on that
// node. A MenuBar's node is a menu bar node; each window that shows it works on a copy.
//
// Also here: the searches and replacements of menu item arrays (_Lookup, _Swap,
// MenuBarInstallClone) and the breadth-first walk over a menu tree.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

// The events of MenuItem (filled in when its definition is built).
struct MenuItemEventHooks {
  ObjectHook* action = nullptr;
  ObjectHook* enableMenu = nullptr;
};
MenuItemEventHooks& MenuItemEvents();

ObjectDefinition* MenuItemClassDefinition();
ObjectDefinition* MenuBarClassDefinition();
ObjectDefinition* MenuBarInstallerClassDefinition();
// The standard items: QuitMenuItem, PrefsMenuItem, AppleMenuItem (StandardMenuItems.cpp).
ObjectDefinition* QuitMenuItemClassDefinition();
ObjectDefinition* PrefsMenuItemClassDefinition();
ObjectDefinition* AppleMenuItemClassDefinition();
// _MenuBarInstaller, MenuBar and MenuItem, in that order.
void RegisterMenuClasses();

// A new MenuItem (one reference for the caller).
RuntimeObject* NewMenuItemObject();

// Calls callback (child, context) for every item below root, breadth first, each parent's
// children in order; a false answer ends the walk. The root is not passed. Items stay held
// while the walk runs. A nil callback is a failed check.
using MenuItemCallback = bool (*)(RuntimeObject* item, void* context);
void ForEachMenuItem(RuntimeObject* root, MenuItemCallback callback, void* context);

extern "C" {
void MenuItemInitializer(RuntimeObject* item);
void MenuBarInitializer(RuntimeObject* menuBar);
void MenuItemFinalizer(RuntimeObject* item);

// ---- properties: (object, parameter[, value]) ----
stringStorage* RuntimeMenuItemNameGetter(RuntimeObject* item, uint32_t parameter);
void RuntimeMenuItemNameSetter(RuntimeObject* item, uint32_t parameter, stringStorage* name);
int32_t RuntimeMenuItemIndexGetter(RuntimeObject* item, uint32_t parameter);
void RuntimeMenuItemIndexSetter(RuntimeObject* item, uint32_t parameter, int32_t index);
RuntimeObject* RuntimeMenuItemTagGetter(RuntimeObject* item, uint32_t parameter);
void RuntimeMenuItemTagSetter(RuntimeObject* item, uint32_t parameter, RuntimeObject* tag);
stringStorage* RuntimeMenuItemBalloonHelpGetter(RuntimeObject* item, uint32_t parameter);
void RuntimeMenuItemBalloonHelpSetter(RuntimeObject* item, uint32_t parameter,
                                      stringStorage* text);
stringStorage* RuntimeMenuItemDisabledHelpGetter(RuntimeObject* item, uint32_t parameter);
void RuntimeMenuItemDisabledHelpSetter(RuntimeObject* item, uint32_t parameter,
                                       stringStorage* text);
stringStorage* RuntimeMenuItemTextGetter(RuntimeObject* item, uint32_t parameter);
void RuntimeMenuItemTextSetter(RuntimeObject* item, uint32_t parameter, stringStorage* text);
int32_t RuntimeMenuItemCheckedGetter(RuntimeObject* item, uint32_t parameter);
void RuntimeMenuItemCheckedSetter(RuntimeObject* item, uint32_t parameter, int32_t checked);
int32_t RuntimeMenuItemEnabledGetter(RuntimeObject* item, uint32_t parameter);
void RuntimeMenuItemEnabledSetter(RuntimeObject* item, uint32_t parameter, int32_t enabled);
int32_t RuntimeMenuItemVisibleGetter(RuntimeObject* item, uint32_t parameter);
void RuntimeMenuItemVisibleSetter(RuntimeObject* item, uint32_t parameter, int32_t visible);
stringStorage* RuntimeMenuItemCommandKeyGetter(RuntimeObject* item, uint32_t parameter);
void RuntimeMenuItemCommandKeySetter(RuntimeObject* item, uint32_t parameter,
                                     stringStorage* key);
int32_t RuntimeMenuItemBoldGetter(RuntimeObject* item, uint32_t parameter);
void RuntimeMenuItemBoldSetter(RuntimeObject* item, uint32_t parameter, int32_t bold);
int32_t RuntimeMenuItemItalicsGetter(RuntimeObject* item, uint32_t parameter);
void RuntimeMenuItemItalicsSetter(RuntimeObject* item, uint32_t parameter, int32_t italic);
int32_t RuntimeMenuItemUnderlineGetter(RuntimeObject* item, uint32_t parameter);
void RuntimeMenuItemUnderlineSetter(RuntimeObject* item, uint32_t parameter, int32_t underline);
int32_t RuntimeMenuItemAutoEnableGetter(RuntimeObject* item, uint32_t parameter);
void RuntimeMenuItemAutoEnableSetter(RuntimeObject* item, uint32_t parameter, int32_t on);
RuntimeObject* RuntimeMenuItemEnabledIconGetter(RuntimeObject* item, uint32_t parameter);
void RuntimeMenuItemEnabledIconSetter(RuntimeObject* item, uint32_t parameter,
                                      RuntimeObject* picture);
RuntimeObject* RuntimeMenuItemDisabledIconGetter(RuntimeObject* item, uint32_t parameter);
void RuntimeMenuItemDisabledIconSetter(RuntimeObject* item, uint32_t parameter,
                                       RuntimeObject* picture);

// ---- methods ----
void RuntimeEnableMenu(RuntimeObject* item);
void RuntimeCloseMenuItem(RuntimeObject* item);
// The child at index with a reference for the caller; outside: OutOfBoundsException.
RuntimeObject* RuntimeMenuItemItem(RuntimeObject* item, int32_t index);
int32_t RuntimeMenuItemCount(RuntimeObject* item);
RuntimeObject* RuntimeMenuItemChild(RuntimeObject* item, stringStorage* name);
void RuntimeMenuItemAppend(RuntimeObject* item, RuntimeObject* child);
void RuntimeMenuItemInsert(RuntimeObject* item, int32_t index, RuntimeObject* child);
void RuntimeMenuItemRemoveIndex(RuntimeObject* item, int32_t index);
void RuntimeMenuItemRemoveItem(RuntimeObject* item, RuntimeObject* child);
void RuntimeMenuItemRemoveByName(RuntimeObject* item, stringStorage* name);
void RuntimeMenuItemDefaultConstructor(RuntimeObject* item);
void MenuItemConstructor(RuntimeObject* item, stringStorage* text, RuntimeObject* tag);

// ---- menu item arrays ----
// The item named name (ignoring case) whose index is index, searched depth first below menu,
// with a reference for the caller; nil for an empty name or none.
RuntimeObject* RuntimeMenuItemLookupArray(RuntimeObject* menu, stringStorage* name,
                                          int32_t index);
RuntimeObject* RuntimeMenuItemLookup(RuntimeObject* menu, stringStorage* name);
// The first direct child named name is replaced by swapWith in its place; a nil swapWith
// changes nothing.
void RuntimeMenuItemSwap(RuntimeObject* item, stringStorage* name, RuntimeObject* swapWith);
// installThis joins the array of its name after its last member, with the next index.
void MenuBarInstallClone(RuntimeObject* menuBar, RuntimeObject* installThis);
}
