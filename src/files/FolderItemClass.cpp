#include "files/FolderItemClass.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/ExceptionClasses.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "core/TemporaryFile.h"
#include "files/FolderItemImpUnix.h"
#include "files/SaveInfo.h"
#include "files/VirtualVolumeClass.h"
#include "strings/TextEncoding.h"

namespace {

using namespace lang;

constexpr uint32_t kCodeDesktop = 0x6465736B;    // 'desk'
constexpr uint32_t kCodeTrash = 0x74727368;      // 'trsh'
constexpr uint32_t kCodeSharedTrash = 0x656D7074;  // 'empt'
constexpr uint32_t kCodeTemporary = 0x74656D70;  // 'temp'
constexpr int32_t kPathBufferSize = 4096;

const PropertyRow kFolderItemProperties[] = {
    QV_READONLY("AbsolutePath", String, fileAbsolutePathGetter),
    QV_READONLY("Count", Integer, fileCountGetter),
    QV_PROPERTY("Name", String, fileNameGetter, fileNameSetter),
    QV_READONLY("DisplayName", String, FileDisplayNameGetter),
    QV_READONLY("Length", UInt64, fileSizeGetter),
    QV_READONLY("ResourceForkLength", Integer, fileRFSizeGetter),
    QV_PROPERTY("ExtensionVisible", Boolean, FileExtensionVisibleGetter,
                FileExtensionVisibleSetter),
    QV_PROPERTY("Locked", Boolean, fileLockedGetter, fileLockedSetter),
    QV_READONLY("Exists", Boolean, fileExistsGetter),
    QV_READONLY("Alias", Boolean, fileAliasGetter),
    QV_PROPERTY("Visible", Boolean, fileVisibleGetter, fileVisibleSetter),
    QV_READONLY("Directory", Boolean, fileDirectoryGetter),
    QV_READONLY("Type", String, fileTypeGetter),
    QV_READONLY("Parent", Class<"FolderItem">, folderParentGetter),
    QV_PROPERTY("CreationDate", Class<"Date">, folderGetCreation, folderSetCreation),
    QV_PROPERTY("ModificationDate", Class<"Date">, folderGetModified, folderSetModified),
    QV_PROPERTY("MacType", String, fileMacTypeGetter, fileMacTypeSetter),
    QV_PROPERTY("MacCreator", String, fileMacCreatorGetter, fileMacCreatorSetter),
    QV_READONLY("DesktopFolder", Class<"FolderItem">, folderFindFolder, kCodeDesktop),
    QV_READONLY("TrashFolder", Class<"FolderItem">, folderFindFolder, kCodeTrash),
    QV_READONLY("SharedTrashFolder", Class<"FolderItem">, folderFindFolder, kCodeSharedTrash),
    QV_READONLY("TemporaryFolder", Class<"FolderItem">, folderFindFolder, kCodeTemporary),
    QV_READONLY("VirtualVolume", Class<"VirtualVolume">, folderVirtVolGetter),
    QV_READONLY("IsReadable", Boolean, FolderItemIsCurrentlyReadable),
    QV_READONLY("IsWriteable", Boolean, FolderItemIsCurrentlyWriteable),
    QV_PROPERTY("LastErrorCode", Integer, FolderItemGetLastError, FolderItemSetLastError),
    QV_READONLY("MacVRefNum", Integer, fileVRefNumGetter),
    QV_READONLY("MacDirID", Integer, fileDirIDGetter),
    QV_READONLY("ShellPath", String, FileShellPathGetter),
    QV_READONLY("URLPath", String, FileURLGetter),
    QV_PROPERTY("Group", String, FolderItemGroupGetter, FolderItemGroupSetter),
    QV_PROPERTY("Owner", String, FolderItemOwnerGetter, FolderItemOwnerSetter),
};

const MethodRow kFolderItemMethods[] = {
    QV_SUB("FolderItem", FolderItemPathCtorNoParams),
    QV_SUB("FolderItem", FolderItemPathCtor, Param("Path", String),
           Param("pathMode", Integer).Default(0)),
    QV_SUB("FolderItem", FolderItemCopyCtor, Param("Source", Class<"FolderItem">)),
    QV_FUNCTION("Item", Class<"FolderItem">, FolderItemItem, Param("index", Integer)),
    QV_FUNCTION("TrueItem", Class<"FolderItem">, FolderItemTrueItem, Param("index", Integer)),
    QV_FUNCTION("Child", Class<"FolderItem">, FolderChild, Param("Name", String)),
    QV_FUNCTION("TrueChild", Class<"FolderItem">, FolderTrueChild, Param("Name", String)),
    QV_FUNCTION("OpenAsTextFile", Class<"TextInputStream">, FolderItemOpenTextFile),
    QV_FUNCTION("AppendToTextFile", Class<"TextOutputStream">, FolderItemAppendTextFile),
    QV_FUNCTION("CreateTextFile", Class<"TextOutputStream">, FolderItemCreateTextFile),
    QV_FUNCTION("OpenAsBinaryFile", Class<"BinaryStream">, FolderItemOpenBinaryFile,
                Param("write", Boolean).Default(0)),
    QV_FUNCTION("CreateBinaryFile", Class<"BinaryStream">, FolderItemCreateBinaryFile,
                Param("fileType", String)),
    QV_FUNCTION("CreateVirtualVolume", Class<"VirtualVolume">, FolderItemCreateVirtualVolume),
    QV_FUNCTION("OpenAsVirtualVolume", Class<"VirtualVolume">, FolderItemOpenAsVirtualVolume),
    QV_FUNCTION("OpenResourceFork", Class<"ResourceFork">, folderOpenResourceFork),
    QV_FUNCTION("CreateResourceFork", Class<"ResourceFork">, folderCreateResourceFork,
                Param("Type", String)),
    QV_FUNCTION("_OpenAsCursor", Class<"MouseCursor">, FolderItemOpenAsCursor),
    QV_SUB("_OpenAsIcons", FolderItemOpenAsIcons),
    QV_FUNCTION("OpenAsPicture", Class<"Picture">, FolderItemOpenImage),
    QV_FUNCTION("OpenAsVectorPicture", Class<"Picture">, FolderItemOpenVectorImage),
    QV_FUNCTION("OpenAsSound", Class<"Sound">, FolderItemOpenSound),
    QV_FUNCTION("OpenAsMovie", Class<"Movie">, FolderItemOpenMovie),
    QV_FUNCTION("OpenResourceMovie", Class<"Movie">, FolderItemOpenResourceMovie),
    QV_FUNCTION("OpenStyledEditField", Boolean, FolderItemOpenStyledEditField,
           Param("field", Class<"EditField">)),
    QV_FUNCTION("SaveStyledEditField", Boolean, FolderItemSaveStyledEditField,
           Param("field", Class<"EditField">)),
    QV_SUB("SaveAsPicture", FolderItemSaveAsPicture, Param("picture", Class<"Picture">),
           Param("format", Integer).Default(0)),
    QV_SUB("SaveAsJPEG", FolderItemSaveAsJPEG, Param("picture", Class<"Picture">)),
    QV_SUB("Delete", FolderItemDelete),
    QV_SUB("CreateAsFolder", FolderItemCreateAsFolder),
    QV_SUB("Launch", FolderItemLaunch, Param("Activate", Boolean).Default(1)),
    QV_SUB("Launch", FolderItemLaunchWithParameters, Param("parameters", String),
           Param("activate", Boolean).Default(1)),
    QV_SUB("CopyFileTo", FolderItemCopyFileTo, Param("Destination", Class<"FolderItem">)),
    QV_SUB("MoveFileTo", FolderItemMoveFileTo, Param("Destination", Class<"FolderItem">)),
    QV_FUNCTION("GetSaveInfo", String, FolderItemGetSaveInfo,
                Param("RelativeTo", Class<"FolderItem">), Param("Mode", Integer).Default(0)),
    QV_FUNCTION("GetRelative", Class<"FolderItem">, FolderItemGetRelative,
                Param("SaveInfo", String)),
    QV_SUB("_MakeFileExecutable", FolderItemImpMakeFileExecutable),
    QV_FUNCTION("Permissions", Integer, FolderItemGetPermissions),
    QV_SUB("Permissions", FolderItemSetPermissionsInteger, Param("bits", Integer))
        .Kind(kMethodAssigns),
    QV_SUB("Permissions", FolderItemSetPermissionsClass, Param("p", Class<"Permissions">))
        .Kind(kMethodAssigns),
};

// A new item on path; a relative path is taken from the current folder, as the application
// layer's items (command-line documents) are.
FolderItemImp* ItemForPath(const string& path) {
  string absolute = ConvertEncoding(path, kEncodingUTF8);
  if (absolute.IsEmpty() || absolute.Bytes()[0] != '/') {
    if (char* folder = get_current_dir_name()) {
      absolute = string::FromBytes(folder, int64_t(std::strlen(folder)), kEncodingUTF8) + "/" +
                 absolute;
      std::free(folder);
    }
  }
  return new FolderItemImpUnix(absolute);
}

// The folder of every temporary file: $TMPDIR, else "/tmp".
FolderItemImp* TemporaryFolder() {
  auto* folder = FolderItemImpUnix::FromBytes(TemporaryFolderPath());
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

// The path as UTF-8 has no NUL before its end.
bool IsValidPathText(const string& path) {
  const string bytes = ConvertEncoding(path, kEncodingUTF8);
  return std::memchr(bytes.Bytes(), 0, size_t(bytes.Length())) == nullptr;
}

void ReplaceImp(RuntimeObject* item, FolderItemImp* imp) {
  auto* object = reinterpret_cast<FolderItemObject*>(item);
  delete object->mImp;
  object->mImp = imp;
}

// A new FolderItem holding imp, or nil (imp deleted) when there is none to hold.
RuntimeObject* Holding(FolderItemImp* imp) { return imp ? NewFolderItem(imp) : nullptr; }

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

RuntimeObject* NewFolderItem(FolderItemImp* item) { return NewFolderItemLike(nullptr, item); }

RuntimeObject* NewFolderItemLike(RuntimeObject* model, FolderItemImp* item) {
  if (!item) return nullptr;
  RuntimeObject* object = model && model->classPtr
                              ? RuntimeNewObject(model->classPtr)
                              : NewObjectFromDefinition(FolderItemClassDefinition());
  if (!object) {
    delete item;
    return nullptr;
  }
  ReplaceImp(object, item);
  return object;
}

FolderItemImp* FolderItemImpOf(RuntimeObject* item) {
  return item ? reinterpret_cast<FolderItemObject*>(item)->mImp : nullptr;
}

FolderItemImp* RequiredFolderItemImp(RuntimeObject* item, const char* condition) {
  if (!item) {
    RaiseNilObjectException();
    return nullptr;
  }
  FolderItemImp* imp = FolderItemImpOf(item);
  return QV_CHECK_TEXT(imp, condition, nullptr) ? imp : nullptr;
}

bool FolderItemSetPath(RuntimeObject* item, const string& path, bool resolve) {
  if (!QV_CHECK_TEXT(item, "entry", nullptr)) return false;
  FolderItemImpUnix::PathStatus status;
  auto* imp = new FolderItemImpUnix(path, &status);
  ReplaceImp(item, imp);
  if (status.statFailed) return false;
  if (resolve && status.isLink) {
    FolderItemImp* target = imp->ResolveAlias(kFolderItemResolveLinks);
    if (target && target != imp) ReplaceImp(item, target);
  }
  return true;
}

RuntimeObject* GetFolderItemFromPath(const string& path, bool resolve, int32_t kind,
                                     bool* raised) {
  if (raised) *raised = false;
  switch (kind) {
    case kPathNative: {
      if (IsSaveInfo(path)) return Holding(FolderItemImpUnix::FromSaveInfo(path, nullptr));
      if (!IsValidPathText(path)) return nullptr;
      RuntimeObject* item = NewObjectFromDefinition(FolderItemClassDefinition());
      if (item && !FolderItemSetPath(item, path, resolve)) {
        RuntimeUnlockObject(item);
        return nullptr;
      }
      return item;
    }
    case kPathShell:
      if (path.IsEmpty() || path.Bytes()[0] != '/') {
        RaiseNewExceptionWithMessage(
            UnsupportedFormatExceptionDefinition(),
            string("Passing non-absolute shell paths is not currently supported").Storage(), 0);
        if (raised) *raised = true;
        return nullptr;
      }
      if (!IsValidPathText(path)) return nullptr;
      return Holding(FolderItemImpUnix::FromPath(path));
    case kPathURL:
      return Holding(FolderItemImpUnix::FromURL(path));
    default:
      return nullptr;
  }
}

// --- Constructors and the destructor ----------------------------------------------------------

extern "C" void FolderItemDestructor(RuntimeObject* item) {
  if (item) ReplaceImp(item, nullptr);
}
QV_EXPORT(FolderItemDestructor)

extern "C" void FolderItemPathCtorNoParams(RuntimeObject* item) {
  FolderItemSetPath(item, string(), true);
}
QV_EXPORT(FolderItemPathCtorNoParams)

extern "C" void FolderItemPathCtor(RuntimeObject* item, stringStorage* path, int32_t pathMode) {
  if (!QV_CHECK_TEXT(item, "entry", nullptr)) return;
  bool raised = false;
  RuntimeObject* made = GetFolderItemFromPath(string(path), true, pathMode, &raised);
  if (!made && !raised) {
    RaiseNewExceptionWithMessage(UnsupportedFormatExceptionDefinition(),
                                 string("The path passed into new FolderItem was invalid")
                                     .Storage(),
                                 0);
  }
  if (!made) return;
  auto* source = reinterpret_cast<FolderItemObject*>(made);
  ReplaceImp(item, source->mImp);
  source->mImp = nullptr;
  RuntimeUnlockObject(made);
}
QV_EXPORT(FolderItemPathCtor)

extern "C" void FolderItemCopyCtor(RuntimeObject* item, RuntimeObject* source) {
  FolderItemImp* imp = FolderItemImpOf(source);
  if (!item || !imp) {
    RaiseNilObjectException();
    return;
  }
  ReplaceImp(item, imp->Clone());
}
QV_EXPORT(FolderItemCopyCtor)

// --- Paths and items for compiled code and plug-ins --------------------------------------------

extern "C" RuntimeObject* RuntimeGetFolderItem(stringStorage* path, int32_t kind) {
  return GetFolderItemFromPath(string(path), true, kind);
}
QV_EXPORT(RuntimeGetFolderItem)

extern "C" RuntimeObject* RuntimeGetTrueFolderItem(stringStorage* path, int32_t kind) {
  return GetFolderItemFromPath(string(path), false, kind);
}
QV_EXPORT(RuntimeGetTrueFolderItem)

extern "C" RuntimeObject* FolderItemFromPath(const char* path) {
  return GetFolderItemFromPath(string(path ? path : ""), true, kPathNative);
}
QV_EXPORT(FolderItemFromPath)

extern "C" stringStorage* QUORpathFromFolderItem(RuntimeObject* item) {
  return fileAbsolutePathGetter(item, 0);
}
QV_EXPORT(QUORpathFromFolderItem)

extern "C" int32_t FolderItemCopyPathToBuffer(char* buffer, RuntimeObject* item) {
  if (!QV_CHECK_TEXT(buffer, "buffer", nullptr)) return 0;
  FolderItemImp* imp = FolderItemImpOf(item);
  const string path = imp ? imp->GetPath() : string();
  if (path.Length() >= kPathBufferSize) {
    buffer[0] = '\0';
    return 0;
  }
  std::memcpy(buffer, path.CString(), size_t(path.Length()) + 1);
  return 1;
}
QV_EXPORT(FolderItemCopyPathToBuffer)

extern "C" FolderItemImp* FolderItemGetImp(RuntimeObject* item) { return FolderItemImpOf(item); }
QV_EXPORT(FolderItemGetImp)

extern "C" RuntimeObject* FolderItemOpenAsJPEGPicture(RuntimeObject* item) {
  FolderItemImp* imp = FolderItemImpOf(item);
  return imp ? imp->OpenAsJPEGPicture() : nullptr;
}
QV_EXPORT(FolderItemOpenAsJPEGPicture)
