#include "image/ExternalFunctions.h"

#include <dlfcn.h>

#include <fstream>
#include <sstream>
#include <string>

#include "core/Export.h"
#include "core/IntMap.h"
#include "core/LibraryFinder.h"
#include "core/RuntimeError.h"

namespace {

const char* const kLibraryFolders[] = {"", "/usr/local/lib/", "/usr/lib/"};
const char* const kScriptFolders[] = {"", "/usr/local/lib/", "/usr/lib/", "/lib/"};

int32_t Key(const stringStorage* record) {
  return static_cast<int32_t>(reinterpret_cast<uintptr_t>(record));
}

stringStorage* RecordOf(int32_t key) {
  return reinterpret_cast<stringStorage*>(static_cast<uintptr_t>(static_cast<uint32_t>(key)));
}

// Library record -> handle (nil when the library was not found).
class LibraryCache {
 public:
  LibraryCache() = default;
  LibraryCache(const LibraryCache&) = delete;
  LibraryCache& operator=(const LibraryCache&) = delete;
  ~LibraryCache() {
    mHandles.ForEachInOrder(
        [](int32_t key, void*) { stringStorage::RemoveReference(RecordOf(key)); });
  }
  bool Find(const stringStorage* library, void** handle) const {
    return mHandles.GetEntry(Key(library), handle);
  }
  void Add(stringStorage* library, void* handle) {
    stringStorage::AddReference(library);
    mHandles.AddEntry(Key(library), handle);
  }

 private:
  IntMap<void*> mHandles;
};

// Function record and library record -> address (0 when not found). One name record may be
// declared against several libraries, so the library is part of the key.
class FunctionCache {
 public:
  FunctionCache() = default;
  FunctionCache(const FunctionCache&) = delete;
  FunctionCache& operator=(const FunctionCache&) = delete;
  ~FunctionCache() {
    mEntries.ForEachInOrder([](int32_t key, Entry* entry) {
      stringStorage::RemoveReference(RecordOf(key));
      while (entry) {
        Entry* next = entry->next;
        stringStorage::RemoveReference(entry->library);
        delete entry;
        entry = next;
      }
    });
  }
  bool Find(const stringStorage* function, const stringStorage* library, void** address) const {
    Entry* entry = nullptr;
    mEntries.GetEntry(Key(function), &entry);
    for (; entry; entry = entry->next) {
      if (entry->library != library) continue;
      *address = entry->address;
      return true;
    }
    return false;
  }
  void Add(stringStorage* function, stringStorage* library, void* address) {
    Entry* first = nullptr;
    if (!mEntries.GetEntry(Key(function), &first)) stringStorage::AddReference(function);
    stringStorage::AddReference(library);
    mEntries.AddEntry(Key(function), new Entry{first, library, address});
  }

 private:
  struct Entry {
    Entry* next;
    stringStorage* library;
    void* address;
  };
  IntMap<Entry*> mEntries;
};

LibraryCache& Libraries() {
  static LibraryCache cache;
  return cache;
}

FunctionCache& Functions() {
  static FunctionCache cache;
  return cache;
}

void* OpenInFolders(const std::string& name) {
  for (const char* folder : kLibraryFolders) {
    if (void* handle = dlopen((folder + name).c_str(), RTLD_LAZY)) return handle;
  }
  return nullptr;
}

// The words between "(" and ")" of a GROUP line, opened in order.
void* OpenGroupLine(const std::string& line) {
  const size_t open = line.find('(');
  if (open == std::string::npos) return nullptr;
  const size_t close = line.find(')', open);
  std::istringstream words(
      line.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1));
  for (std::string word; words >> word;) {
    if (void* handle = dlopen(word.c_str(), RTLD_LAZY)) return handle;
  }
  return nullptr;
}

// A linker script ("libc.so" is one) names the real library in a GROUP line.
void* OpenThroughLinkerScript(const std::string& name) {
  for (const char* suffix : {"", ".so"}) {
    for (const char* folder : kScriptFolders) {
      std::ifstream script(folder + name + suffix);
      if (!script) continue;
      for (std::string line; std::getline(script, line);) {
        if (line.find("GROUP") == std::string::npos) continue;
        if (void* handle = OpenGroupLine(line)) return handle;
      }
      return nullptr;  // only the first file that exists is read
    }
  }
  return nullptr;
}

}  // namespace

void* OpenSharedLibraryByName(const string& name) {
  const std::string text(name.CString(), static_cast<size_t>(name.Length()));
  if (text.empty()) return nullptr;  // dlopen("") would hand out the program itself
  if (void* handle = OpenInFolders(text)) return handle;
  if (void* handle = OpenInFolders(text + ".so")) return handle;
  if (void* handle = OpenThroughSymbolicLinks(text)) return handle;
  return OpenThroughLinkerScript(text);
}

namespace {

void* ResolveDeclaredFunction(stringStorage* function, stringStorage* library) {
  if (!function || !library) return nullptr;  // nil is the empty name: nothing to find
  void* address = nullptr;
  if (Functions().Find(function, library, &address)) return address;
  void* handle = nullptr;
  if (!Libraries().Find(library, &handle)) {
    handle = OpenSharedLibraryByName(string(library));
    Libraries().Add(library, handle);
  }
  if (!handle) return nullptr;
  address = dlsym(handle, stringStorage::CString(function));
  Functions().Add(function, library, address);
  return address;
}

}  // namespace

extern "C" void* LoadFunctionPointerFromLibrary(stringStorage* function, stringStorage* library) {
  try {
    return ResolveDeclaredFunction(function, library);
  } catch (const std::exception& error) {  // no exception may reach compiled code
    QV_FAIL(error.what());
    return nullptr;
  }
}
QV_EXPORT(LoadFunctionPointerFromLibrary)

extern "C" int32_t IsFunctionAvailable(stringStorage* function, stringStorage* library) {
  return LoadFunctionPointerFromLibrary(function, library) != nullptr ? 1 : 0;
}
QV_EXPORT(IsFunctionAvailable)
