#include "files/FolderItemClass.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "files/FolderItemImpUnix.h"

namespace {

using namespace lang;

const PropertyRow kFolderItemProperties[] = {
    QV_READONLY("AbsolutePath", String, fileAbsolutePathGetter),
    QV_READONLY("Count", Integer, fileCountGetter),
    QV_READONLY("Name", String, fileNameGetter),
    QV_READONLY("Exists", Boolean, fileExistsGetter),
    QV_READONLY("Directory", Boolean, fileDirectoryGetter),
};
const MethodRow kFolderItemMethods[] = {
    QV_FUNCTION("Item", Class<"FolderItem">, FolderItemItem, Param("index", Integer)),
    QV_SUB("Delete", FolderItemDelete),
};

FolderItemImp* ImpOf(RuntimeObject* item) {
  return item ? reinterpret_cast<FolderItemObject*>(item)->mImp : nullptr;
}

// The imp a method works on: a nil object raises, an object without one is a failed check.
FolderItemImp* RequiredImp(RuntimeObject* item) {
  if (!item) {
    RaiseNilObjectException();
    return nullptr;
  }
  FolderItemImp* imp = ImpOf(item);
  return QV_CHECK_TEXT(imp, "entry->mImp", nullptr) ? imp : nullptr;
}

FolderItemImp* ItemForPath(const string& path) { return new FolderItemImpUnix(path); }

// The temporary folder of this platform is "/tmp".
FolderItemImp* TemporaryFolder() {
  auto* folder = new FolderItemImpUnix("/tmp");
  if (folder->IsDirectory()) return folder;
  delete folder;
  return nullptr;
}

// The application layer makes FolderItems through these.
void InstallFolderItemServices() {
  SetFolderItemServices({.itemForPath = ItemForPath,
                         .newFolderItem = NewFolderItem,
                         .temporaryFolder = TemporaryFolder});
}

}  // namespace

QV_CLASS(FolderItemClassDefinition,
         .name = "FolderItem",
         .objectSize = sizeof(FolderItemObject),
         .properties = kFolderItemProperties,
         .methods = kFolderItemMethods,
         .finalizer = QV_CODE(FolderItemDestructor),
         .flags = kRowEveryTarget)
QV_STARTUP_CLASS(kStartupFolderItemClass, FolderItemClassDefinition)
QV_STARTUP(kStartupFolderItemServices, InstallFolderItemServices)

RuntimeObject* NewFolderItem(FolderItemImp* item) {
  RuntimeObject* object = NewObjectFromDefinition(FolderItemClassDefinition());
  if (!object) {
    delete item;
    return nullptr;
  }
  reinterpret_cast<FolderItemObject*>(object)->mImp = item;
  return object;
}

extern "C" void FolderItemDestructor(RuntimeObject* item) {
  if (!item) return;
  delete ImpOf(item);
  reinterpret_cast<FolderItemObject*>(item)->mImp = nullptr;
}
QV_EXPORT(FolderItemDestructor)

extern "C" stringStorage* fileAbsolutePathGetter(RuntimeObject* item, uint32_t) {
  FolderItemImp* imp = ImpOf(item);
  return imp ? imp->GetPath().ExtractStringStorage() : nullptr;
}
QV_EXPORT(fileAbsolutePathGetter)

extern "C" stringStorage* fileNameGetter(RuntimeObject* item, uint32_t) {
  FolderItemImp* imp = ImpOf(item);
  return imp ? imp->GetName().ExtractStringStorage() : nullptr;
}
QV_EXPORT(fileNameGetter)

extern "C" int32_t fileCountGetter(RuntimeObject* item, uint32_t) {
  FolderItemImp* imp = ImpOf(item);
  return imp ? imp->Count() : 0;
}
QV_EXPORT(fileCountGetter)

extern "C" int32_t fileExistsGetter(RuntimeObject* item, uint32_t) {
  FolderItemImp* imp = ImpOf(item);
  return imp && imp->Exists() ? 1 : 0;
}
QV_EXPORT(fileExistsGetter)

extern "C" int32_t fileDirectoryGetter(RuntimeObject* item, uint32_t) {
  FolderItemImp* imp = ImpOf(item);
  return imp && imp->IsDirectory() ? 1 : 0;
}
QV_EXPORT(fileDirectoryGetter)

extern "C" RuntimeObject* FolderItemItem(RuntimeObject* item, int32_t index) {
  FolderItemImp* imp = RequiredImp(item);
  if (!imp) return nullptr;
  FolderItemImp* entry = imp->Item(index - 1, kFolderItemResolveLinks);
  return entry ? NewFolderItem(entry) : nullptr;
}
QV_EXPORT(FolderItemItem)

extern "C" void FolderItemDelete(RuntimeObject* item) {
  if (FolderItemImp* imp = RequiredImp(item)) imp->Delete();
}
QV_EXPORT(FolderItemDelete)
