#include "windows/GtkSymbols.h"

#include <dlfcn.h>

#include <cstring>

#include "core/LibraryFinder.h"

namespace {

struct GtkLibrary {
  const char* baseName;
  bool tried = false;
  void* handle = nullptr;
  int32_t opens = 0;
};

GtkLibrary gLibraries[] = {{"libgtk-x11-2.0.so"}, {"libgdk-x11-2.0.so"}};
const char* gHiddenName = nullptr;

GtkLibrary* LibraryOfKind(int32_t kind) {
  if (kind != kGtkLibrary && kind != kGdkLibrary) return nullptr;
  return &gLibraries[kind];
}

}  // namespace

void* LookupGtkSymbol(int32_t kind, const char* name) {
  GtkLibrary* library = LibraryOfKind(kind);
  if (!library || !name) return nullptr;
  if (!library->tried) {
    library->tried = true;
    ++library->opens;
    library->handle = UnixHelper::LoadLibrary(string(library->baseName));
  }
  if (!library->handle) return nullptr;
  if (gHiddenName && std::strcmp(gHiddenName, name) == 0) return nullptr;
  return dlsym(library->handle, name);
}

void* OptionalGtkFunction::Get() {
  if (!mLookedUp) {
    mLookedUp = true;
    mAddress = LookupGtkSymbol(mKind, mName);
  }
  return mAddress;
}

void HideGtkSymbolForTesting(const char* name) { gHiddenName = name; }

int32_t GtkLibraryOpenCountForTesting(int32_t kind) {
  const GtkLibrary* library = LibraryOfKind(kind);
  return library ? library->opens : 0;
}
