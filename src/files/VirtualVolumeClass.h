// The VirtualVolume class: what the application holds of a virtual volume. The object owns the
// directory layer (and through it the container and its host file); every FolderItem inside
// the volume and every open VFile holds a reference, so the volume file closes when the last
// of them lets go. FolderItem's CreateVirtualVolume and OpenAsVirtualVolume make one; its Root
// is the FolderItem of the root folder.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

class VHFSVolume;

struct VirtualVolumeObject {
  RuntimeObject header;
  VHFSVolume* volume;  // owned; nil when none
};
static_assert(sizeof(VirtualVolumeObject) == 28, "VirtualVolume instances are read by code");
static_assert(offsetof(VirtualVolumeObject, volume) == 24, "VirtualVolume layout");

ObjectDefinition* VirtualVolumeClassDefinition();

// The object's directory layer, or nil.
VHFSVolume* VirtualVolumeLayer(RuntimeObject* volume);

extern "C" {
void VirtVolDestructor(RuntimeObject* volume);
RuntimeObject* VirtVolRootGetter(RuntimeObject* volume, uint32_t parameter);
// A new volume in the item's file, which must not exist yet; nil, with no file left, when any
// step fails.
RuntimeObject* FolderItemCreateVirtualVolume(RuntimeObject* item);
// The volume in the item's file (read and write, else read only); nil when it does not hold,
// with the errno of a read that failed in the item's LastErrorCode.
RuntimeObject* FolderItemOpenAsVirtualVolume(RuntimeObject* item);
// The volume an item lies in (one reference for the caller), or nil.
RuntimeObject* folderVirtVolGetter(RuntimeObject* item, uint32_t parameter);
}
