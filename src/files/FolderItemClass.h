// The FolderItem class: the language object through which compiled code names files and folders.
// Each object owns one FolderItemImp and forwards nearly everything to it; the class adds the
// path kinds of its constructor, the choice between resolving links and not, the wrapping of
// results into new language objects (FolderItems of the receiver's own class, so subclasses
// survive navigation; Dates; streams that own the mechanism they are given), and exceptions.
//
// Getters on an object without an imp answer 0, false, "" or nil. Setters and methods that need
// the imp report its absence ("entry->mImp", or "obj->mImp") and do nothing; nil object
// arguments raise NilObjectException. Failures leave a code in LastErrorCode.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/FolderItemImp.h"
#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

struct FolderItemObject {
  RuntimeObject header;
  FolderItemImp* mImp;  // owned; nil when none
};
static_assert(sizeof(FolderItemObject) == 28, "FolderItem instances are read by code");
static_assert(offsetof(FolderItemObject, mImp) == 24, "FolderItem layout");

ObjectDefinition* FolderItemClassDefinition();

// Path kinds of the constructor and of GetFolderItem.
constexpr int32_t kPathNative = 0;  // a path, or a SaveInfo string
constexpr int32_t kPathShell = 1;   // absolute, as a shell command line writes it
constexpr int32_t kPathURL = 2;     // a "file://" URL

// A new FolderItem object (one reference for the caller) that owns item; nil, with item
// deleted, when it cannot be made. NewFolderItemLike makes it of model's class (FolderItem for
// a nil model); a nil item gives nil.
RuntimeObject* NewFolderItem(FolderItemImp* item);
RuntimeObject* NewFolderItemLike(RuntimeObject* model, FolderItemImp* item);

// The object's imp, or nil (also for a nil object).
FolderItemImp* FolderItemImpOf(RuntimeObject* item);
// The imp a method works on: a nil object raises NilObjectException, an object without an imp
// is a failed check with the condition text; nil in both cases.
FolderItemImp* RequiredFolderItemImp(RuntimeObject* item, const char* condition);

// The FolderItem a path of kind names (one reference for the caller), links resolved or not;
// nil for a path that is not valid (a NUL in it, a refused folder on the way), or after raising
// for a relative shell path (*raised tells which).
RuntimeObject* GetFolderItemFromPath(const string& path, bool resolve, int32_t kind,
                                     bool* raised = nullptr);

// Gives item a new imp on path (links resolved when asked); false when the path is not valid.
bool FolderItemSetPath(RuntimeObject* item, const string& path, bool resolve);

extern "C" {
void FolderItemDestructor(RuntimeObject* item);
void FolderItemPathCtorNoParams(RuntimeObject* item);
void FolderItemPathCtor(RuntimeObject* item, stringStorage* path, int32_t pathMode);
void FolderItemCopyCtor(RuntimeObject* item, RuntimeObject* source);

RuntimeObject* RuntimeGetFolderItem(stringStorage* path, int32_t kind);
RuntimeObject* RuntimeGetTrueFolderItem(stringStorage* path, int32_t kind);
RuntimeObject* FolderItemFromPath(const char* path);
stringStorage* QUORpathFromFolderItem(RuntimeObject* item);
// Copies the path and a NUL into buffer, at most 4,096 bytes; a longer path leaves "" and false.
int32_t FolderItemCopyPathToBuffer(char* buffer, RuntimeObject* item);
FolderItemImp* FolderItemGetImp(RuntimeObject* item);
RuntimeObject* FolderItemOpenAsJPEGPicture(RuntimeObject* item);

// Properties.
stringStorage* fileAbsolutePathGetter(RuntimeObject* item, uint32_t parameter);
int32_t fileCountGetter(RuntimeObject* item, uint32_t parameter);
stringStorage* fileNameGetter(RuntimeObject* item, uint32_t parameter);
void fileNameSetter(RuntimeObject* item, uint32_t parameter, stringStorage* name);
stringStorage* FileDisplayNameGetter(RuntimeObject* item, uint32_t parameter);
uint64_t fileSizeGetter(RuntimeObject* item, uint32_t parameter);
int32_t fileRFSizeGetter(RuntimeObject* item, uint32_t parameter);
int32_t FileExtensionVisibleGetter(RuntimeObject* item, uint32_t parameter);
void FileExtensionVisibleSetter(RuntimeObject* item, uint32_t parameter, int32_t visible);
int32_t fileLockedGetter(RuntimeObject* item, uint32_t parameter);
void fileLockedSetter(RuntimeObject* item, uint32_t parameter, int32_t locked);
int32_t fileExistsGetter(RuntimeObject* item, uint32_t parameter);
int32_t fileAliasGetter(RuntimeObject* item, uint32_t parameter);
int32_t fileVisibleGetter(RuntimeObject* item, uint32_t parameter);
void fileVisibleSetter(RuntimeObject* item, uint32_t parameter, int32_t visible);
int32_t fileDirectoryGetter(RuntimeObject* item, uint32_t parameter);
stringStorage* fileTypeGetter(RuntimeObject* item, uint32_t parameter);
RuntimeObject* folderParentGetter(RuntimeObject* item, uint32_t parameter);
RuntimeObject* folderGetCreation(RuntimeObject* item, uint32_t parameter);
void folderSetCreation(RuntimeObject* item, uint32_t parameter, RuntimeObject* date);
RuntimeObject* folderGetModified(RuntimeObject* item, uint32_t parameter);
void folderSetModified(RuntimeObject* item, uint32_t parameter, RuntimeObject* date);
stringStorage* fileMacTypeGetter(RuntimeObject* item, uint32_t parameter);
void fileMacTypeSetter(RuntimeObject* item, uint32_t parameter, stringStorage* code);
stringStorage* fileMacCreatorGetter(RuntimeObject* item, uint32_t parameter);
void fileMacCreatorSetter(RuntimeObject* item, uint32_t parameter, stringStorage* code);
RuntimeObject* folderFindFolder(RuntimeObject* item, uint32_t code);
int32_t FolderItemIsCurrentlyReadable(RuntimeObject* item, uint32_t parameter);
int32_t FolderItemIsCurrentlyWriteable(RuntimeObject* item, uint32_t parameter);
int32_t FolderItemGetLastError(RuntimeObject* item, uint32_t parameter);
void FolderItemSetLastError(RuntimeObject* item, uint32_t parameter, int32_t code);
int32_t fileVRefNumGetter(RuntimeObject* item, uint32_t parameter);
int32_t fileDirIDGetter(RuntimeObject* item, uint32_t parameter);
stringStorage* FileShellPathGetter(RuntimeObject* item, uint32_t parameter);
stringStorage* FileURLGetter(RuntimeObject* item, uint32_t parameter);
stringStorage* FolderItemGroupGetter(RuntimeObject* item, uint32_t parameter);
void FolderItemGroupSetter(RuntimeObject* item, uint32_t parameter, stringStorage* name);
stringStorage* FolderItemOwnerGetter(RuntimeObject* item, uint32_t parameter);
void FolderItemOwnerSetter(RuntimeObject* item, uint32_t parameter, stringStorage* name);

// Methods.
RuntimeObject* FolderItemItem(RuntimeObject* item, int32_t index);
RuntimeObject* FolderItemTrueItem(RuntimeObject* item, int32_t index);
RuntimeObject* FolderChild(RuntimeObject* item, stringStorage* name);
RuntimeObject* FolderTrueChild(RuntimeObject* item, stringStorage* name);
RuntimeObject* FolderItemOpenTextFile(RuntimeObject* item);
RuntimeObject* FolderItemAppendTextFile(RuntimeObject* item);
RuntimeObject* FolderItemCreateTextFile(RuntimeObject* item);
RuntimeObject* FolderItemOpenBinaryFile(RuntimeObject* item, int32_t write);
RuntimeObject* FolderItemCreateBinaryFile(RuntimeObject* item, stringStorage* fileType);
RuntimeObject* folderOpenResourceFork(RuntimeObject* item);
RuntimeObject* folderCreateResourceFork(RuntimeObject* item, stringStorage* type);
RuntimeObject* FolderItemOpenAsCursor(RuntimeObject* item);
void FolderItemOpenAsIcons(RuntimeObject* item);
RuntimeObject* FolderItemOpenImage(RuntimeObject* item);
RuntimeObject* FolderItemOpenVectorImage(RuntimeObject* item);
RuntimeObject* FolderItemOpenSound(RuntimeObject* item);
RuntimeObject* FolderItemOpenMovie(RuntimeObject* item);
RuntimeObject* FolderItemOpenResourceMovie(RuntimeObject* item);
int32_t FolderItemOpenStyledEditField(RuntimeObject* item, RuntimeObject* field);
int32_t FolderItemSaveStyledEditField(RuntimeObject* item, RuntimeObject* field);
void FolderItemSaveAsPicture(RuntimeObject* item, RuntimeObject* picture, int32_t format);
void FolderItemSaveAsJPEG(RuntimeObject* item, RuntimeObject* picture);
void FolderItemDelete(RuntimeObject* item);
void FolderItemCreateAsFolder(RuntimeObject* item);
void FolderItemLaunch(RuntimeObject* item, int32_t activate);
void FolderItemLaunchWithParameters(RuntimeObject* item, stringStorage* parameters,
                                    int32_t activate);
void FolderItemCopyFileTo(RuntimeObject* item, RuntimeObject* destination);
void FolderItemMoveFileTo(RuntimeObject* item, RuntimeObject* destination);
stringStorage* FolderItemGetSaveInfo(RuntimeObject* item, RuntimeObject* relativeTo, int32_t mode);
RuntimeObject* FolderItemGetRelative(RuntimeObject* item, stringStorage* saveInfo);
void FolderItemImpMakeFileExecutable(RuntimeObject* item);
int32_t FolderItemGetPermissions(RuntimeObject* item);
void FolderItemSetPermissionsInteger(RuntimeObject* item, int32_t bits);
void FolderItemSetPermissionsClass(RuntimeObject* item, RuntimeObject* permissions);
}
