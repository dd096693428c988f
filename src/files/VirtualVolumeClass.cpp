#include "files/VirtualVolumeClass.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "files/FolderItemClass.h"
#include "files/FolderItemImpVirtual.h"
#include "files/RandomAccessMechanism.h"
#include "files/VHFSVolume.h"

namespace {

using namespace lang;

const PropertyRow kVirtualVolumeProperties[] = {
    QV_READONLY("Root", Class<"FolderItem">, VirtVolRootGetter),
};

VirtualVolumeObject* Fields(RuntimeObject* volume) {
  return reinterpret_cast<VirtualVolumeObject*>(volume);
}

// The volume file's values are big-endian, doubles included.
RandomAccessMechanism* BigEndian(RandomAccessMechanism* disk) {
  if (disk) {
    disk->EnableByteSwap();
    disk->swapDoubles = 1;
  }
  return disk;
}

// A new VirtualVolume owning layer, or nil (layer deleted) when there is none.
RuntimeObject* Holding(VHFSVolume* layer) {
  if (!layer) return nullptr;
  RuntimeObject* object = NewObjectFromDefinition(VirtualVolumeClassDefinition());
  if (!object) {
    delete layer;
    return nullptr;
  }
  Fields(object)->volume = layer;
  return object;
}

}  // namespace

QV_CLASS(VirtualVolumeClassDefinition,
         .name = "VirtualVolume",
         .objectSize = sizeof(VirtualVolumeObject),
         .properties = kVirtualVolumeProperties,
         .finalizer = QV_CODE(VirtVolDestructor),
         .flags = kRowEveryTarget)
QV_STARTUP_CLASS(kStartupVirtualVolumeClass, VirtualVolumeClassDefinition)

VHFSVolume* VirtualVolumeLayer(RuntimeObject* volume) {
  return volume ? Fields(volume)->volume : nullptr;
}

extern "C" void VirtVolDestructor(RuntimeObject* volume) {
  if (!volume) return;
  delete Fields(volume)->volume;
  Fields(volume)->volume = nullptr;
}
QV_EXPORT(VirtVolDestructor)

extern "C" RuntimeObject* VirtVolRootGetter(RuntimeObject* volume, uint32_t) {
  VHFSVolume* layer = VirtualVolumeLayer(volume);
  if (!layer) return nullptr;
  return NewFolderItem(new FolderItemImpVirtual(volume, layer->RootEntry()));
}
QV_EXPORT(VirtVolRootGetter)

extern "C" RuntimeObject* FolderItemCreateVirtualVolume(RuntimeObject* item) {
  FolderItemImp* imp = RequiredFolderItemImp(item, "entry->mImp");
  if (!imp || imp->Exists()) return nullptr;
  RandomAccessMechanism* disk = BigEndian(imp->CreateMechanism(""));
  if (!disk) return nullptr;
  RuntimeObject* volume = Holding(VHFSVolume::Create(disk, true));
  // The item did not exist: a volume that could not be made (a full disk) leaves no file.
  if (!volume) imp->Delete();
  return volume;
}
QV_EXPORT(FolderItemCreateVirtualVolume)

// A file the disk could not read says why (EIO), so that no program takes it for one that holds
// no volume and makes a new one over it.
extern "C" RuntimeObject* FolderItemOpenAsVirtualVolume(RuntimeObject* item) {
  FolderItemImp* imp = RequiredFolderItemImp(item, "entry->mImp");
  if (!imp || imp->RefusesSpecialFile()) return nullptr;
  RandomAccessMechanism* disk = imp->OpenAsMechanism(true, true);
  const bool readOnly = !disk;
  if (readOnly) disk = imp->OpenAsMechanism(true, false);
  if (!disk) return nullptr;
  int32_t error = 0;
  VHFSVolume* layer = VHFSVolume::Open(BigEndian(disk), true, readOnly, &error);
  if (error) imp->SetLastError(error);
  return Holding(layer);
}
QV_EXPORT(FolderItemOpenAsVirtualVolume)

extern "C" RuntimeObject* folderVirtVolGetter(RuntimeObject* item, uint32_t) {
  const auto* imp = dynamic_cast<const FolderItemImpVirtual*>(FolderItemImpOf(item));
  RuntimeObject* volume = imp ? imp->Volume() : nullptr;
  if (volume) RuntimeLockObject(volume);
  return volume;
}
QV_EXPORT(folderVirtVolGetter)
