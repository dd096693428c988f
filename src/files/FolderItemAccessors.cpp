// The FolderItem class's properties: each asks the object's imp at the moment it is read.
#include <memory>

#include "values/DateClass.h"
#include "core/Export.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "files/FileTypes.h"
#include "files/FolderItemClass.h"
#include "strings/TextEncoding.h"

namespace {

FolderItemImp* ImpOf(RuntimeObject* item) { return FolderItemImpOf(item); }

// The imp a setter changes; its absence is a failed check.
FolderItemImp* SetterImp(RuntimeObject* item) {
  FolderItemImp* imp = ImpOf(item);
  return QV_CHECK_TEXT(imp, "entry->mImp", nullptr) ? imp : nullptr;
}

// The imp of ShellPath, URLPath: a nil object or imp is a failed check.
FolderItemImp* ReportedImp(RuntimeObject* item) {
  if (!QV_CHECK_TEXT(item, "obj", nullptr)) return nullptr;
  FolderItemImp* imp = ImpOf(item);
  return QV_CHECK_TEXT(imp, "obj->mImp", nullptr) ? imp : nullptr;
}

stringStorage* Text(const string& text) { return text.ExtractStringStorage(); }

// What the imp answers to a question, or the neutral answer for an object without one.
int32_t Flag(RuntimeObject* item, bool (FolderItemImp::*question)() const) {
  FolderItemImp* imp = ImpOf(item);
  return imp && (imp->*question)() ? 1 : 0;
}

stringStorage* Text(RuntimeObject* item, string (FolderItemImp::*question)() const) {
  FolderItemImp* imp = ImpOf(item);
  return imp ? Text((imp->*question)()) : nullptr;
}

int32_t Number(RuntimeObject* item, int32_t (FolderItemImp::*question)() const) {
  FolderItemImp* imp = ImpOf(item);
  return imp ? (imp->*question)() : 0;
}

// A new Date holding seconds (a TotalSeconds value), or nil.
RuntimeObject* NewDate(double seconds) {
  RuntimeObject* date = NewDateObject();
  if (date && !DateSetTotalSeconds(date, seconds)) {
    RuntimeUnlockObject(date);
    return nullptr;
  }
  return date;
}

// A four-character code as the language gives it: its first four bytes in Mac Roman, blanks
// where the text is shorter.
uint32_t CodeOfText(stringStorage* text) {
  const string code = ConvertEncoding(string(text), kEncodingMacRoman);
  return code.IsEmpty() ? 0x20202020 : FourCharCode(code);
}

}  // namespace

extern "C" stringStorage* fileAbsolutePathGetter(RuntimeObject* item, uint32_t) {
  return Text(item, &FolderItemImp::GetPath);
}
QV_EXPORT(fileAbsolutePathGetter)

extern "C" int32_t fileCountGetter(RuntimeObject* item, uint32_t) {
  return Number(item, &FolderItemImp::Count);
}
QV_EXPORT(fileCountGetter)

extern "C" stringStorage* fileNameGetter(RuntimeObject* item, uint32_t) {
  return Text(item, &FolderItemImp::GetName);
}
QV_EXPORT(fileNameGetter)

extern "C" void fileNameSetter(RuntimeObject* item, uint32_t, stringStorage* name) {
  if (FolderItemImp* imp = SetterImp(item)) imp->SetName(string(name));
}
QV_EXPORT(fileNameSetter)

extern "C" stringStorage* FileDisplayNameGetter(RuntimeObject* item, uint32_t) {
  return Text(item, &FolderItemImp::GetDisplayName);
}
QV_EXPORT(FileDisplayNameGetter)

extern "C" uint64_t fileSizeGetter(RuntimeObject* item, uint32_t) {
  FolderItemImp* imp = ImpOf(item);
  return imp ? imp->GetLength() : 0;
}
QV_EXPORT(fileSizeGetter)

extern "C" int32_t fileRFSizeGetter(RuntimeObject* item, uint32_t) {
  return Number(item, &FolderItemImp::GetResourceForkLength);
}
QV_EXPORT(fileRFSizeGetter)

extern "C" int32_t FileExtensionVisibleGetter(RuntimeObject* item, uint32_t) {
  return Flag(item, &FolderItemImp::GetExtensionVisible);
}
QV_EXPORT(FileExtensionVisibleGetter)

extern "C" void FileExtensionVisibleSetter(RuntimeObject* item, uint32_t, int32_t visible) {
  if (FolderItemImp* imp = SetterImp(item)) imp->SetExtensionVisible(visible != 0);
}
QV_EXPORT(FileExtensionVisibleSetter)

extern "C" int32_t fileLockedGetter(RuntimeObject* item, uint32_t) {
  return Flag(item, &FolderItemImp::IsLocked);
}
QV_EXPORT(fileLockedGetter)

extern "C" void fileLockedSetter(RuntimeObject* item, uint32_t, int32_t locked) {
  if (FolderItemImp* imp = SetterImp(item)) imp->SetLocked(locked != 0);
}
QV_EXPORT(fileLockedSetter)

extern "C" int32_t fileExistsGetter(RuntimeObject* item, uint32_t) {
  return Flag(item, &FolderItemImp::Exists);
}
QV_EXPORT(fileExistsGetter)

extern "C" int32_t fileAliasGetter(RuntimeObject* item, uint32_t) {
  return Flag(item, &FolderItemImp::IsAlias);
}
QV_EXPORT(fileAliasGetter)

extern "C" int32_t fileVisibleGetter(RuntimeObject* item, uint32_t) {
  return Flag(item, &FolderItemImp::IsVisible);
}
QV_EXPORT(fileVisibleGetter)

extern "C" void fileVisibleSetter(RuntimeObject* item, uint32_t, int32_t visible) {
  if (FolderItemImp* imp = ImpOf(item)) imp->SetVisible(visible != 0);
}
QV_EXPORT(fileVisibleSetter)

extern "C" int32_t fileDirectoryGetter(RuntimeObject* item, uint32_t) {
  return Flag(item, &FolderItemImp::IsDirectory);
}
QV_EXPORT(fileDirectoryGetter)

extern "C" stringStorage* fileTypeGetter(RuntimeObject* item, uint32_t) {
  return Text(item, &FolderItemImp::GetType);
}
QV_EXPORT(fileTypeGetter)

extern "C" RuntimeObject* folderParentGetter(RuntimeObject* item, uint32_t) {
  FolderItemImp* imp = ImpOf(item);
  return imp ? NewFolderItemLike(item, imp->GetParent()) : nullptr;
}
QV_EXPORT(folderParentGetter)

extern "C" RuntimeObject* folderGetCreation(RuntimeObject* item, uint32_t) {
  FolderItemImp* imp = ImpOf(item);
  return imp ? NewDate(imp->GetCreationDate()) : nullptr;
}
QV_EXPORT(folderGetCreation)

extern "C" void folderSetCreation(RuntimeObject* item, uint32_t, RuntimeObject* date) {
  FolderItemImp* imp = ImpOf(item);
  if (imp && date) imp->SetCreationDate(dateTotalSecondsGetter(date));
}
QV_EXPORT(folderSetCreation)

extern "C" RuntimeObject* folderGetModified(RuntimeObject* item, uint32_t) {
  FolderItemImp* imp = ImpOf(item);
  return imp ? NewDate(imp->GetModificationDate()) : nullptr;
}
QV_EXPORT(folderGetModified)

extern "C" void folderSetModified(RuntimeObject* item, uint32_t, RuntimeObject* date) {
  FolderItemImp* imp = SetterImp(item);
  if (imp && date) imp->SetModificationDate(dateTotalSecondsGetter(date));
}
QV_EXPORT(folderSetModified)

extern "C" stringStorage* fileMacTypeGetter(RuntimeObject* item, uint32_t) {
  FolderItemImp* imp = ImpOf(item);
  return imp ? Text(FourCharCodeText(imp->GetMacType(), kEncodingMacRoman)) : nullptr;
}
QV_EXPORT(fileMacTypeGetter)

extern "C" void fileMacTypeSetter(RuntimeObject* item, uint32_t, stringStorage* code) {
  if (FolderItemImp* imp = ImpOf(item)) imp->SetMacType(CodeOfText(code));
}
QV_EXPORT(fileMacTypeSetter)

extern "C" stringStorage* fileMacCreatorGetter(RuntimeObject* item, uint32_t) {
  FolderItemImp* imp = ImpOf(item);
  return imp ? Text(FourCharCodeText(imp->GetMacCreator(), kEncodingMacRoman)) : nullptr;
}
QV_EXPORT(fileMacCreatorGetter)

extern "C" void fileMacCreatorSetter(RuntimeObject* item, uint32_t, stringStorage* code) {
  if (FolderItemImp* imp = ImpOf(item)) imp->SetMacCreator(CodeOfText(code));
}
QV_EXPORT(fileMacCreatorSetter)

extern "C" RuntimeObject* folderFindFolder(RuntimeObject* item, uint32_t code) {
  FolderItemImp* imp = ImpOf(item);
  return imp ? NewFolderItemLike(item, imp->GetSpecialFolder(int32_t(code))) : nullptr;
}
QV_EXPORT(folderFindFolder)

extern "C" int32_t FolderItemIsCurrentlyReadable(RuntimeObject* item, uint32_t) {
  return Flag(item, &FolderItemImp::IsReadable);
}
QV_EXPORT(FolderItemIsCurrentlyReadable)

extern "C" int32_t FolderItemIsCurrentlyWriteable(RuntimeObject* item, uint32_t) {
  return Flag(item, &FolderItemImp::IsWriteable);
}
QV_EXPORT(FolderItemIsCurrentlyWriteable)

extern "C" int32_t FolderItemGetLastError(RuntimeObject* item, uint32_t) {
  FolderItemImp* imp = ImpOf(item);
  return imp ? imp->lastError : 0;
}
QV_EXPORT(FolderItemGetLastError)

extern "C" void FolderItemSetLastError(RuntimeObject* item, uint32_t, int32_t code) {
  FolderItemImp* imp = ImpOf(item);
  if (!imp) {
    RaiseNilObjectException();
    return;
  }
  imp->SetLastError(code);
}
QV_EXPORT(FolderItemSetLastError)

extern "C" int32_t fileVRefNumGetter(RuntimeObject* item, uint32_t) {
  return Number(item, &FolderItemImp::GetMacVRefNum);
}
QV_EXPORT(fileVRefNumGetter)

extern "C" int32_t fileDirIDGetter(RuntimeObject* item, uint32_t) {
  return Number(item, &FolderItemImp::GetMacDirID);
}
QV_EXPORT(fileDirIDGetter)

extern "C" stringStorage* FileShellPathGetter(RuntimeObject* item, uint32_t) {
  FolderItemImp* imp = ReportedImp(item);
  return imp ? Text(imp->GetShellPath()) : nullptr;
}
QV_EXPORT(FileShellPathGetter)

extern "C" stringStorage* FileURLGetter(RuntimeObject* item, uint32_t) {
  FolderItemImp* imp = ReportedImp(item);
  return imp ? Text(imp->GetURLPath()) : nullptr;
}
QV_EXPORT(FileURLGetter)

extern "C" stringStorage* FolderItemGroupGetter(RuntimeObject* item, uint32_t) {
  if (!QV_CHECK_TEXT(item, "obj", nullptr)) return nullptr;
  return Text(item, &FolderItemImp::GetGroup);
}
QV_EXPORT(FolderItemGroupGetter)

extern "C" void FolderItemGroupSetter(RuntimeObject* item, uint32_t, stringStorage* name) {
  if (!QV_CHECK_TEXT(item, "obj", nullptr)) return;
  FolderItemImp* imp = ImpOf(item);
  if (imp && name) imp->SetGroup(string(name));
}
QV_EXPORT(FolderItemGroupSetter)

extern "C" stringStorage* FolderItemOwnerGetter(RuntimeObject* item, uint32_t) {
  if (!QV_CHECK_TEXT(item, "obj", nullptr)) return nullptr;
  return Text(item, &FolderItemImp::GetOwner);
}
QV_EXPORT(FolderItemOwnerGetter)

extern "C" void FolderItemOwnerSetter(RuntimeObject* item, uint32_t, stringStorage* name) {
  if (!QV_CHECK_TEXT(item, "obj", nullptr)) return;
  FolderItemImp* imp = ImpOf(item);
  if (imp && name) imp->SetOwner(string(name));
}
QV_EXPORT(FolderItemOwnerSetter)
