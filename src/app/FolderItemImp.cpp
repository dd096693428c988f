#include "app/FolderItemImp.h"

namespace {
FolderItemServices gServices = {};
}

void SetFolderItemServices(const FolderItemServices& services) { gServices = services; }

FolderItemImp* FolderItemForPath(const string& path) {
  return gServices.itemForPath ? gServices.itemForPath(path) : nullptr;
}

RuntimeObject* NewFolderItemObject(const string& path) {
  FolderItemImp* item = FolderItemForPath(path);
  if (!item) return nullptr;
  if (!gServices.newFolderItem) {
    delete item;
    return nullptr;
  }
  return gServices.newFolderItem(item);
}
