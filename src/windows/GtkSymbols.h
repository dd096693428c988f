// GTK functions newer than the GTK the framework links against, found by name at run time, so
// the same program runs on an older GTK with fewer features. A caller keeps each address in an
// OptionalGtkFunction, which looks its name up once per process, and tests for nil before use.
#pragma once

#include <cstdint>

enum GtkLibraryKind : int32_t {
  kGtkLibrary = 0,  // libgtk-x11-2.0
  kGdkLibrary = 1,  // libgdk-x11-2.0
};

// The named function of the library of that kind, or nil. Each library is opened (through the
// library finder) at most once, on the first lookup of its kind; when it cannot be opened every
// later lookup of that kind answers nil without trying again. Other kinds answer nil at once.
void* LookupGtkSymbol(int32_t kind, const char* name);

// One optional GTK function: looked up on the first Get, kept (nil included) ever after.
class OptionalGtkFunction {
 public:
  constexpr explicit OptionalGtkFunction(const char* name, int32_t kind = kGtkLibrary)
      : mName(name), mKind(kind) {}
  void* Get();
  template <typename Function>
  Function As() {
    return reinterpret_cast<Function>(Get());
  }

 private:
  const char* mName;
  int32_t mKind;
  bool mLookedUp = false;
  void* mAddress = nullptr;
};

// Tests: lookups of name answer nil while hidden (nil name: hide nothing), and how many times a
// library of the kind was opened so far.
void HideGtkSymbolForTesting(const char* name);
int32_t GtkLibraryOpenCountForTesting(int32_t kind);
