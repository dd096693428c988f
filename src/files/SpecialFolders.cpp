#include "files/SpecialFolders.h"

#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/TempFileShutDownTask.h"
#include "core/Export.h"
#include "core/TemporaryFile.h"
#include "files/FolderItemClass.h"
#include "files/FolderItemImpUnix.h"

namespace {

using ItemPointer = std::unique_ptr<FolderItemImp>;

// The home folder's item, or nil when HOME is not set.
FolderItemImp* HomeItem() {
  const char* home = std::getenv("HOME");
  if (!home || !*home) return nullptr;
  return FolderItemImpUnix::FromBytes(home);
}

// home's child name when it is an existing folder, else nil.
FolderItemImp* HomeFolderNamed(const FolderItemImp& home, const char* name) {
  ItemPointer child(home.Child(name, kFolderItemResolveLinks));
  return child && child->Exists() && child->IsDirectory() ? child.release() : nullptr;
}

// The first of names that is a folder in home, else home itself (fallBackToHome) or nil.
RuntimeObject* HomeFolder(std::initializer_list<const char*> names, bool fallBackToHome) {
  ItemPointer home(HomeItem());
  if (!home) return nullptr;
  for (const char* name : names) {
    if (FolderItemImp* found = HomeFolderNamed(*home, name)) return NewFolderItem(found);
  }
  return fallBackToHome ? NewFolderItem(home.release()) : nullptr;
}

RuntimeObject* FolderAt(const char* path) {
  return NewFolderItem(FolderItemImpUnix::FromBytes(path));
}

// The private folder of temporary items and the task that deletes it; both are made again
// should an item be asked for after the task has run.
class TemporaryItemsTask : public TempFileShutDownTask {
 public:
  static TemporaryItemsTask* sTask;
  static std::string sFolder;
  ~TemporaryItemsTask() override {
    sTask = nullptr;
    sFolder.clear();
  }
};
TemporaryItemsTask* TemporaryItemsTask::sTask = nullptr;
std::string TemporaryItemsTask::sFolder;

// The private folder ("" when it cannot be made), made on first use.
const std::string& TemporaryItemsFolder() {
  if (!TemporaryItemsTask::sFolder.empty()) return TemporaryItemsTask::sFolder;
  // A folder, past the opener and the maker of temporary files, which make files only.
  std::string path = TemporaryFolderPath() + "/XXXXXX";
  if (!mkdtemp(path.data())) return TemporaryItemsTask::sFolder;
  TemporaryItemsTask::sFolder = path + "/";
  ItemPointer folder(FolderItemImpUnix::FromBytes(TemporaryItemsTask::sFolder));
  if (!TemporaryItemsTask::sTask) TemporaryItemsTask::sTask = new TemporaryItemsTask;
  TemporaryItemsTask::sTask->AddItem(folder.get());
  return TemporaryItemsTask::sFolder;
}

// A name no item of the folder has: a counter makes it unique in this process, random letters
// keep it from being guessed.
std::string FreshName(const std::string& folder) {
  static uint32_t counter = 0;
  for (;;) {
    uint32_t noise = 0;
    if (getrandom(&noise, sizeof noise, 0) != sizeof noise) noise = uint32_t(getpid());
    char name[32];
    std::snprintf(name, sizeof name, "%08x%x", noise, ++counter);
    struct stat info;
    if (lstat((folder + name).c_str(), &info) != 0) return name;
  }
}

}  // namespace

extern "C" RuntimeObject* getVolume(int32_t index) { return index == 0 ? FolderAt("/") : nullptr; }
QV_EXPORT(getVolume)

extern "C" int32_t getVolumeCount() { return 1; }
QV_EXPORT(getVolumeCount)

extern "C" RuntimeObject* getDesktopFolder() {
  return HomeFolder({"Desktop", ".gnome-desktop"}, true);
}
QV_EXPORT(getDesktopFolder)

extern "C" RuntimeObject* getPreferencesFolder() { return HomeFolder({}, true); }
QV_EXPORT(getPreferencesFolder)

extern "C" RuntimeObject* getApplicationSupportFolder() { return HomeFolder({}, true); }
QV_EXPORT(getApplicationSupportFolder)

extern "C" RuntimeObject* GetDocumentsFolder() { return HomeFolder({"Documents"}, true); }
QV_EXPORT(GetDocumentsFolder)

extern "C" RuntimeObject* getTrashFolder() { return HomeFolder({".Trash"}, false); }
QV_EXPORT(getTrashFolder)

extern "C" RuntimeObject* getSystemFolder() { return FolderAt("/usr/"); }
QV_EXPORT(getSystemFolder)

extern "C" RuntimeObject* getTemporaryItemsFolder() { return FolderAt("/tmp/"); }
QV_EXPORT(getTemporaryItemsFolder)

extern "C" RuntimeObject* getTemporaryFolderItem() {
  const std::string& folder = TemporaryItemsFolder();
  if (folder.empty()) return nullptr;
  return NewFolderItem(FolderItemImpUnix::FromBytes(folder + FreshName(folder)));
}
QV_EXPORT(getTemporaryFolderItem)

// Folders of other platforms.
extern "C" RuntimeObject* getAppleMenuFolder() { return nullptr; }
QV_EXPORT(getAppleMenuFolder)

extern "C" RuntimeObject* getControlPanelsFolder() { return nullptr; }
QV_EXPORT(getControlPanelsFolder)

extern "C" RuntimeObject* getExtensionsFolder() { return nullptr; }
QV_EXPORT(getExtensionsFolder)

extern "C" RuntimeObject* getStartupItemsFolder() { return nullptr; }
QV_EXPORT(getStartupItemsFolder)

extern "C" RuntimeObject* getShutdownItemsFolder() { return nullptr; }
QV_EXPORT(getShutdownItemsFolder)

extern "C" RuntimeObject* getFontsFolder() { return nullptr; }
QV_EXPORT(getFontsFolder)
