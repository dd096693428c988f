#include "image/ExternalFunctions.h"

#include <dlfcn.h>

#include <string>

#include "core/Export.h"
#include "core/IntMap.h"
#include "core/LibraryFinder.h"
#include "core/RuntimeError.h"

namespace {

int32_t Key(const stringStorage* record) {
  return static_cast<int32_t>(reinterpret_cast<uintptr_t>(record));
}

stringStorage* RecordOf(int32_t key) {
  return reinterpret_cast<stringStorage*>(static_cast<uintptr_t>(static_cast<uint32_t>(key)));
}

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

FunctionCache& Functions() {
  static FunctionCache cache;
  return cache;
}

void* ResolveDeclaredFunction(stringStorage* function, stringStorage* library) {
  if (!function || !library) return nullptr;  // nil is the empty name: nothing to find
  void* address = nullptr;
  if (Functions().Find(function, library, &address)) return address;
  void* handle = UnixHelper::LoadLibrary(string(library));
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

extern "C" int32_t IsFunctionAvailable(RuntimeObject*, stringStorage* function,
                                       stringStorage* library) {
  return LoadFunctionPointerFromLibrary(function, library) != nullptr ? 1 : 0;
}
QV_EXPORT(IsFunctionAvailable)
