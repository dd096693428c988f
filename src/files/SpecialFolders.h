// The language's well-known folders: flat functions that each answer a new FolderItem, or nil.
// User folders are looked up below HOME (nil when HOME is not set), system folders are fixed
// paths, and folders that exist only on other platforms are nil.
//
// Temporary items live in one private folder below /tmp, made (mode 0700) on first use and
// deleted with everything in it by a shutdown task, except a file another process holds locked:
// nothing exists at a new item's name until the application makes it, and no one else can.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"

extern "C" {
RuntimeObject* getVolume(int32_t index);
int32_t getVolumeCount();
RuntimeObject* getDesktopFolder();
RuntimeObject* getPreferencesFolder();
RuntimeObject* getApplicationSupportFolder();
RuntimeObject* GetDocumentsFolder();
RuntimeObject* getTrashFolder();
RuntimeObject* getSystemFolder();
RuntimeObject* getTemporaryItemsFolder();
RuntimeObject* getTemporaryFolderItem();
RuntimeObject* getAppleMenuFolder();
RuntimeObject* getControlPanelsFolder();
RuntimeObject* getExtensionsFolder();
RuntimeObject* getStartupItemsFolder();
RuntimeObject* getShutdownItemsFolder();
RuntimeObject* getFontsFolder();
}
