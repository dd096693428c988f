// The FolderItem class: a language object that owns one FolderItemImp and answers for it. Only
// what the application layer hands out so far is here (the program's own file, command-line
// documents): the path and name, existence, folder entries, deleting.
#pragma once

#include <cstdint>

#include "app/FolderItemImp.h"
#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

struct FolderItemObject {
  RuntimeObject header;
  FolderItemImp* mImp;  // owned; nil when none
};
static_assert(sizeof(FolderItemObject) == 28, "FolderItem instances are read by code");

ObjectDefinition* FolderItemClassDefinition();

// A new FolderItem object (one reference for the caller) that owns item.
RuntimeObject* NewFolderItem(FolderItemImp* item);

extern "C" {
void FolderItemDestructor(RuntimeObject* item);
stringStorage* fileAbsolutePathGetter(RuntimeObject* item, uint32_t parameter);
stringStorage* fileNameGetter(RuntimeObject* item, uint32_t parameter);
int32_t fileCountGetter(RuntimeObject* item, uint32_t parameter);
int32_t fileExistsGetter(RuntimeObject* item, uint32_t parameter);
int32_t fileDirectoryGetter(RuntimeObject* item, uint32_t parameter);
// The index-th entry (1-based), links resolved; nil past the end.
RuntimeObject* FolderItemItem(RuntimeObject* item, int32_t index);
void FolderItemDelete(RuntimeObject* item);
}
