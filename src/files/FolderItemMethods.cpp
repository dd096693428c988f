// The FolderItem class's methods: navigation, streams, copying and moving, launching, SaveInfo
// and permissions. Items found are FolderItems of the receiver's own class.
#include <cerrno>

#include "core/Export.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "files/BinaryStream.h"
#include "files/FolderItemClass.h"
#include "files/FolderItemImpUnix.h"
#include "files/PermissionsClass.h"
#include "files/RandomAccessMechanism.h"
#include "files/TextInputStream.h"
#include "files/TextOutputStream.h"

namespace {

constexpr int32_t kVectorPicture = 1;

FolderItemImp* RequiredImp(RuntimeObject* item, const char* condition = "entry->mImp") {
  return RequiredFolderItemImp(item, condition);
}

// The entry at a 1-based index.
RuntimeObject* ItemAt(RuntimeObject* item, int32_t index, int32_t flags) {
  FolderItemImp* imp = RequiredImp(item);
  if (!imp || index < 1) return nullptr;
  return NewFolderItemLike(item, imp->Item(index - 1, flags));
}

RuntimeObject* ChildNamed(RuntimeObject* item, stringStorage* name, int32_t flags) {
  FolderItemImp* imp = RequiredImp(item);
  return imp ? NewFolderItemLike(item, imp->Child(string(name), flags)) : nullptr;
}

// The writable item the create and append methods start from: nil when it is locked.
FolderItemImp* UnlockedImp(RuntimeObject* item) {
  FolderItemImp* imp = RequiredImp(item);
  return imp && !imp->IsLocked() ? imp : nullptr;
}

// The destination of a copy or move.
FolderItemImp* DestinationImp(RuntimeObject* destination) {
  return RequiredFolderItemImp(destination, "destination->mImp");
}

}  // namespace

// --- Navigation --------------------------------------------------------------------------------

extern "C" RuntimeObject* FolderItemItem(RuntimeObject* item, int32_t index) {
  return ItemAt(item, index, kFolderItemResolveLinks);
}
QV_EXPORT(FolderItemItem)

extern "C" RuntimeObject* FolderItemTrueItem(RuntimeObject* item, int32_t index) {
  return ItemAt(item, index, 0);
}
QV_EXPORT(FolderItemTrueItem)

extern "C" RuntimeObject* FolderChild(RuntimeObject* item, stringStorage* name) {
  return ChildNamed(item, name, kFolderItemResolveLinks);
}
QV_EXPORT(FolderChild)

extern "C" RuntimeObject* FolderTrueChild(RuntimeObject* item, stringStorage* name) {
  return ChildNamed(item, name, 0);
}
QV_EXPORT(FolderTrueChild)

// --- Streams -----------------------------------------------------------------------------------

extern "C" RuntimeObject* FolderItemOpenTextFile(RuntimeObject* item) {
  FolderItemImp* imp = RequiredImp(item);
  RandomAccessMechanism* file = imp ? imp->OpenAsMechanism(true, false) : nullptr;
  return file ? NewTextInputStream(file) : nullptr;
}
QV_EXPORT(FolderItemOpenTextFile)

extern "C" RuntimeObject* FolderItemCreateTextFile(RuntimeObject* item) {
  FolderItemImp* imp = UnlockedImp(item);
  RandomAccessMechanism* file = imp ? imp->CreateMechanism("text") : nullptr;
  return file ? NewTextOutputStream(file) : nullptr;
}
QV_EXPORT(FolderItemCreateTextFile)

// Only a missing file is made: any other failure to open leaves the file as it is.
extern "C" RuntimeObject* FolderItemAppendTextFile(RuntimeObject* item) {
  FolderItemImp* imp = UnlockedImp(item);
  if (!imp) return nullptr;
  RandomAccessMechanism* file = imp->OpenAsAppendMechanism();
  if (!file) return imp->lastError == ENOENT ? FolderItemCreateTextFile(item) : nullptr;
  return NewTextOutputStream(file);
}
QV_EXPORT(FolderItemAppendTextFile)

extern "C" RuntimeObject* FolderItemOpenBinaryFile(RuntimeObject* item, int32_t write) {
  FolderItemImp* imp = RequiredImp(item);
  RandomAccessMechanism* file = imp ? imp->OpenAsMechanism(true, write != 0) : nullptr;
  return file ? NewBinaryStream(file) : nullptr;
}
QV_EXPORT(FolderItemOpenBinaryFile)

extern "C" RuntimeObject* FolderItemCreateBinaryFile(RuntimeObject* item, stringStorage* type) {
  FolderItemImp* imp = UnlockedImp(item);
  RandomAccessMechanism* file = imp ? imp->CreateMechanism(string(type)) : nullptr;
  return file ? NewBinaryStream(file) : nullptr;
}
QV_EXPORT(FolderItemCreateBinaryFile)

// This platform's files have no resource forks.
extern "C" RuntimeObject* folderOpenResourceFork(RuntimeObject* item) {
  RequiredImp(item);
  return nullptr;
}
QV_EXPORT(folderOpenResourceFork)

extern "C" RuntimeObject* folderCreateResourceFork(RuntimeObject* item, stringStorage*) {
  RequiredImp(item);
  return nullptr;
}
QV_EXPORT(folderCreateResourceFork)

// --- Media and styled text: what the imp's layers make of the file ------------------------------

extern "C" RuntimeObject* FolderItemOpenAsCursor(RuntimeObject* item) {
  FolderItemImp* imp = RequiredImp(item);
  return imp ? imp->OpenAsCursor() : nullptr;
}
QV_EXPORT(FolderItemOpenAsCursor)

extern "C" void FolderItemOpenAsIcons(RuntimeObject* item) {
  FolderItemImp* imp = RequiredImp(item);
  if (RuntimeObject* icons = imp ? imp->OpenAsIcons() : nullptr) RuntimeUnlockObject(icons);
}
QV_EXPORT(FolderItemOpenAsIcons)

extern "C" RuntimeObject* FolderItemOpenImage(RuntimeObject* item) {
  FolderItemImp* imp = RequiredImp(item);
  return imp ? imp->OpenAsPicture(kPictureFormatUnknown) : nullptr;
}
QV_EXPORT(FolderItemOpenImage)

extern "C" RuntimeObject* FolderItemOpenVectorImage(RuntimeObject* item) {
  FolderItemImp* imp = RequiredImp(item);
  return imp ? imp->OpenAsPicture(kVectorPicture) : nullptr;
}
QV_EXPORT(FolderItemOpenVectorImage)

extern "C" RuntimeObject* FolderItemOpenSound(RuntimeObject* item) {
  FolderItemImp* imp = RequiredImp(item);
  return imp ? imp->OpenAsSound() : nullptr;
}
QV_EXPORT(FolderItemOpenSound)

extern "C" RuntimeObject* FolderItemOpenMovie(RuntimeObject* item) {
  FolderItemImp* imp = RequiredImp(item);
  return imp ? imp->OpenAsMovie() : nullptr;
}
QV_EXPORT(FolderItemOpenMovie)

// Movies kept in resource forks exist on no file system of this platform.
extern "C" RuntimeObject* FolderItemOpenResourceMovie(RuntimeObject* item) {
  if (FolderItemImp* imp = RequiredImp(item)) imp->IsVirtual();
  return nullptr;
}
QV_EXPORT(FolderItemOpenResourceMovie)

extern "C" int32_t FolderItemOpenStyledEditField(RuntimeObject* item, RuntimeObject* field) {
  FolderItemImp* imp = RequiredImp(item);
  return imp && imp->OpenStyledEditField(field);
}
QV_EXPORT(FolderItemOpenStyledEditField)

extern "C" int32_t FolderItemSaveStyledEditField(RuntimeObject* item, RuntimeObject* field) {
  FolderItemImp* imp = RequiredImp(item);
  return imp && imp->SaveStyledEditField(field);
}
QV_EXPORT(FolderItemSaveStyledEditField)

extern "C" void FolderItemSaveAsPicture(RuntimeObject* item, RuntimeObject* picture,
                                        int32_t format) {
  if (FolderItemImp* imp = RequiredImp(item)) imp->SaveAsPicture(picture, format);
}
QV_EXPORT(FolderItemSaveAsPicture)

extern "C" void FolderItemSaveAsJPEG(RuntimeObject* item, RuntimeObject* picture) {
  FolderItemImp* imp = RequiredImp(item);
  if (!imp) return;
  if (!picture) {
    RaiseNilObjectException();
    return;
  }
  imp->SaveAsJPEG(picture);
}
QV_EXPORT(FolderItemSaveAsJPEG)

// --- Changing the file system ------------------------------------------------------------------

extern "C" void FolderItemDelete(RuntimeObject* item) {
  if (FolderItemImp* imp = RequiredImp(item)) imp->Delete();
}
QV_EXPORT(FolderItemDelete)

extern "C" void FolderItemCreateAsFolder(RuntimeObject* item) {
  if (FolderItemImp* imp = RequiredImp(item)) imp->CreateAsFolder();
}
QV_EXPORT(FolderItemCreateAsFolder)

extern "C" void FolderItemLaunch(RuntimeObject* item, int32_t activate) {
  if (FolderItemImp* imp = RequiredImp(item)) imp->Launch(string(), activate != 0);
}
QV_EXPORT(FolderItemLaunch)

extern "C" void FolderItemLaunchWithParameters(RuntimeObject* item, stringStorage* parameters,
                                               int32_t activate) {
  if (FolderItemImp* imp = RequiredImp(item)) imp->Launch(string(parameters), activate != 0);
}
QV_EXPORT(FolderItemLaunchWithParameters)

extern "C" void FolderItemCopyFileTo(RuntimeObject* item, RuntimeObject* destination) {
  FolderItemImp* imp = RequiredImp(item);
  FolderItemImp* target = imp ? DestinationImp(destination) : nullptr;
  if (target) imp->CopyTo(target);
}
QV_EXPORT(FolderItemCopyFileTo)

extern "C" void FolderItemMoveFileTo(RuntimeObject* item, RuntimeObject* destination) {
  FolderItemImp* imp = RequiredImp(item);
  FolderItemImp* target = imp ? DestinationImp(destination) : nullptr;
  if (target) imp->MoveTo(target);
}
QV_EXPORT(FolderItemMoveFileTo)

extern "C" void FolderItemImpMakeFileExecutable(RuntimeObject* item) {
  if (!QV_CHECK_TEXT(item, "obj", nullptr)) return;
  if (FolderItemImp* imp = RequiredImp(item, "obj->mImp")) imp->MakeExecutable();
}
QV_EXPORT(FolderItemImpMakeFileExecutable)

// --- SaveInfo ----------------------------------------------------------------------------------

extern "C" stringStorage* FolderItemGetSaveInfo(RuntimeObject* item, RuntimeObject* relativeTo,
                                                int32_t mode) {
  FolderItemImp* imp = RequiredImp(item);
  if (!imp) return nullptr;
  string info = imp->GetSaveInfo(FolderItemImpOf(relativeTo), mode);
  info.SetEncoding(kEncodingNone);  // raw bytes, never converted
  return info.ExtractStringStorage();
}
QV_EXPORT(FolderItemGetSaveInfo)

extern "C" RuntimeObject* FolderItemGetRelative(RuntimeObject* item, stringStorage* saveInfo) {
  FolderItemImp* base = FolderItemImpOf(item);
  if (!base) {
    RaiseNilObjectException();
    return nullptr;
  }
  return NewFolderItemLike(item, FolderItemImpUnix::FromSaveInfo(string(saveInfo), base));
}
QV_EXPORT(FolderItemGetRelative)

// --- Permissions -------------------------------------------------------------------------------

extern "C" int32_t FolderItemGetPermissions(RuntimeObject* item) {
  FolderItemImp* imp = RequiredImp(item);
  return imp ? imp->GetPermissions() : 0;
}
QV_EXPORT(FolderItemGetPermissions)

extern "C" void FolderItemSetPermissionsInteger(RuntimeObject* item, int32_t bits) {
  if (FolderItemImp* imp = RequiredImp(item)) imp->SetPermissions(bits);
}
QV_EXPORT(FolderItemSetPermissionsInteger)

extern "C" void FolderItemSetPermissionsClass(RuntimeObject* item, RuntimeObject* permissions) {
  FolderItemImp* imp = RequiredImp(item);
  if (!imp) return;
  if (!permissions) {
    RaiseNilObjectException();
    return;
  }
  imp->SetPermissions(PermissionsMode(permissions));
}
QV_EXPORT(FolderItemSetPermissionsClass)
