#include "app/PluginLoader.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/PluginRegistration.h"
#include "app/PluginRegistry.h"
#include "app/ShutdownTasks.h"
#include "app/TempFileShutDownTask.h"
#include "app/TemporaryFiles.h"
#include "core/CLocale.h"
#include "core/CompiledCall.h"
#include "core/ExportRegistry.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "core/TemporaryFile.h"
#include "image/ImageFormat.h"
#include "image/ResourceTable.h"

namespace {

constexpr uint32_t kPluginResourceType = qvimage::FourCharCode("QVPl");
constexpr char kPluginFolderName[] = "/.tmpAppData";
constexpr char kTemporaryPathFailure[] = "Failed to construct a temporary path.";

// Unloads the libraries at quit; forgets itself when it has run, so that a later installation
// makes a new one.
class PluginShutDownTask : public runShutdownTask {
 public:
  ~PluginShutDownTask() override {
    UnloadPlugins();
    if (sTask == this) sTask = nullptr;
  }
  static void Ensure() {
    if (!sTask) sTask = new PluginShutDownTask;
  }

 private:
  static PluginShutDownTask* sTask;
};
PluginShutDownTask* PluginShutDownTask::sTask = nullptr;

// The folder in the home folder, made when missing; empty when HOME names no usable folder.
std::string HomePluginFolder() {
  const char* home = std::getenv("HOME");
  if (!home || home[0] != '/') return std::string();
  const std::string folder = std::string(home) + kPluginFolderName;
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return std::string();
  struct stat status;
  if (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return std::string();
  return folder;
}

// One plug-in resource: the library's file name and bytes.
struct PluginResource {
  std::string name;
  const uint8_t* library = nullptr;
  uint32_t length = 0;
};

bool ReadPluginResource(const ResourceEntry& row, PluginResource* out, std::string* failure) {
  const std::string which = "The plug-in resource " + std::to_string(row.id);
  if (!row.data || row.length < 1) {
    *failure = which + " is empty.";
    return false;
  }
  const uint32_t nameLength = row.data[0];
  if (uint64_t(nameLength) + 1 > row.length) {
    *failure = which + " has a name that runs past its data.";
    return false;
  }
  const char* name = reinterpret_cast<const char*>(row.data + 1);
  if (nameLength == 0 || std::memchr(name, '/', nameLength) ||
      std::memchr(name, '\0', nameLength)) {
    *failure = which + " has no usable file name (empty, or holding \"/\" or a NUL).";
    return false;
  }
  out->name.assign(name, nameLength);
  out->library = row.data + 1 + nameLength;
  out->length = row.length - 1 - nameLength;
  return true;
}

// A library's file, written and locked through the descriptor that made it. Removed again
// when it goes unless its record took it over.
class InstalledFile {
 public:
  bool Write(const PluginResource& resource, std::string* failure) {
    if (!mFile.Make(PluginFolderPath(), "X", "_" + resource.name)) {
      if (mFile.Error() == EEXIST)
        std::printf("Could not generate a unique filename for plugin.\n");
      *failure = kTemporaryPathFailure;
      return false;
    }
    mPath = mFile.Path();
    if (!WriteAllToDescriptor(mFile.Descriptor(), resource.library, resource.length)) {
      *failure = "Failed to write the plug-in file " + mPath + ": " + ErrorText(errno);
      return false;
    }
    // Another running copy deletes no file that this one holds locked.
    if (::flock(mFile.Descriptor(), LOCK_EX | LOCK_NB) != 0) QV_FAIL(nullptr);
    return true;
  }

  const std::string& Path() const { return mPath; }
  // Hands the descriptor to the caller, which now owns the file.
  int Release() {
    mFile.Keep();
    return mFile.Release();
  }

 private:
  TemporaryFile mFile;
  std::string mPath;
};

// In the C locale, as the rest of the message: a translation would come in the locale's set.
std::string LoaderError(const char* fallback) {
  const locale_t previous = uselocale(CLocale());
  const char* text = dlerror();
  std::string error = text ? text : fallback;
  uselocale(previous);
  return error;
}

// Calls the entry with the lookup callback, QVPLUGINPATH naming the library's file only
// while it runs.
void EnterPlugin(void* entry, const std::string& path) {
  setenv(kPluginPathVariable, path.c_str(), 1);
  CompiledCall call;
  call.Invoke<void>(entry, &PluginLookupCallback);
  unsetenv(kPluginPathVariable);
  SetCurrentPlugin(nullptr);
}

}  // namespace

extern "C" void* PluginLookupCallback(const char* name) {
  if (!name) return nullptr;
  const RelocEntry* entry = LookupExportEntry(name);
  return entry ? entry->code : nullptr;
}

const std::string& PluginFolderPath() {
  static std::string folder;
  if (!folder.empty()) return folder;
  folder = HomePluginFolder();
  if (folder.empty()) {
    folder = TemporaryFolderPath();
    return folder;
  }
  // Emptied and removed at quit; a file another running copy holds locked stays.
  if (FolderItemImp* item = FolderItemForPath(
          string::FromBytes(folder.data(), int64_t(folder.size()), kEncodingUTF8))) {
    (new TempFileShutDownTask)->AddItem(item);
    delete item;
  }
  return folder;
}

bool InstallPlugin(const ResourceEntry& row, std::string* failure) {
  PluginResource resource;
  if (!ReadPluginResource(row, &resource, failure)) return false;
  InstalledFile file;
  if (!file.Write(resource, failure)) return false;
  PluginShutDownTask::Ensure();
  dlerror();
  // Past the opener: the file is the one just written, through the descriptor that made it.
  void* handle = dlopen(file.Path().c_str(), RTLD_LAZY);
  if (!handle) {
    *failure = LoaderError("The dynamic loader could not open the plug-in.");
    return false;
  }
  void* entry = dlsym(handle, kPluginEntryName);
  if (!entry) {
    *failure = LoaderError("The plug-in has no QUORPluginMain.");
    dlclose(handle);
    return false;
  }
  PluginRecord* record = NewPluginRecord();
  record->handle = handle;
  record->installedPath =
      string::FromBytes(file.Path().data(), int64_t(file.Path().size()), kEncodingUTF8);
  record->lockDescriptor = file.Release();
  EnterPlugin(entry, file.Path());
  return true;
}

bool InstallImagePlugins(std::string* failure) {
  for (uint32_t i = 0; i < ResourceCount(); ++i) {
    const ResourceEntry row = ResourceAt(i);
    if (row.type == kPluginResourceType && !InstallPlugin(row, failure)) return false;
  }
  return true;
}

void LoadImagePlugins() {
  std::string failure;
  if (!InstallImagePlugins(&failure)) {
    const std::string text =
        "The application cannot continue because a needed file cannot be installed. " + failure +
        "\n";
    QV_FAIL(text.c_str());
    RunShutdownTasks();
    std::exit(1);
  }
  ResolvePluginClasses(nullptr);
}
QV_STARTUP(kStartupImagePlugins, LoadImagePlugins)

void UnloadPlugins() {
  for (PluginRecord* record = FirstPluginRecord(); record; record = record->next) {
    if (!record->handle) continue;
    ForgetPluginCode(record);
    dlclose(record->handle);
    record->handle = nullptr;
    if (record->lockDescriptor >= 0) {
      flock(record->lockDescriptor, LOCK_UN);
      ::close(record->lockDescriptor);
      record->lockDescriptor = -1;
    }
    if (!record->installedPath.IsEmpty()) ::unlink(record->installedPath.CString());
  }
}
