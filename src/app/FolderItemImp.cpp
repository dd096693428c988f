#include "app/FolderItemImp.h"

namespace {
FolderItemServices gServices = {};
StyledFieldFileHooks gStyledFieldFiles;
}

StyledFieldFileHooks SetStyledFieldFileHooks(const StyledFieldFileHooks& hooks) {
  const StyledFieldFileHooks previous = gStyledFieldFiles;
  gStyledFieldFiles = hooks;
  return previous;
}

bool FolderItemImp::OpenStyledEditField(RuntimeObject* field) {
  return gStyledFieldFiles.open && gStyledFieldFiles.open(this, field);
}

bool FolderItemImp::SaveStyledEditField(RuntimeObject* field) {
  return gStyledFieldFiles.save && gStyledFieldFiles.save(this, field);
}

FolderItemServices SetFolderItemServices(const FolderItemServices& services) {
  const FolderItemServices previous = gServices;
  gServices = services;
  return previous;
}

FolderItemImp* TemporaryFolderItem() {
  return gServices.temporaryFolder ? gServices.temporaryFolder() : nullptr;
}

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
