// Declared shared-library functions: the library found through a linker script, the function
// cache keyed by string record with a reference held on each key, the library kept by name.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <fstream>

#include "image/ExternalFunctions.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

std::string LibmPath() {
  return qvtest::LibraryFileOf(qvtest::FunctionInLibrary("libm.so.6", "cos"));
}

// A fresh record (count 1) that the test owns, like a constant string of an image.
string Record(const std::string& text) {
  return string::FromBytes(text.data(), int64_t(text.size()), kEncodingASCII);
}

// The first lookup through a record is remembered with the record, and the library under its
// name: once the script no longer names it, the same records still resolve, and so does a new
// record with the same text, without a second search. (Linker scripts stand for the library:
// the dynamic linker remembers every name it once opened, but a script would be read anew.)
TEST(ExternalFunctions, LookupsAreCachedPerRecordWhichTheCacheHolds) {
  const qvtest::TempFolder folder("qvextern");
  const std::string script = folder / "libqvext.so", libm = LibmPath();
  void* const sine = dlsym(dlopen(libm.c_str(), RTLD_LAZY), "sin");
  std::ofstream(script) << "/* a linker script */\nGROUP ( " << folder / "libqvmissing.so.1" << "  "
                        << libm << " )\n";
  const string sinName = Record("sin"), tanName = Record("tan");
  const string library = Record(folder / "libqvext");
  EXPECT_EQ(LoadFunctionPointerFromLibrary(sinName.Storage(), library.Storage()), sine);
  EXPECT_EQ(sinName.Storage()->refCount, 2u);
  EXPECT_EQ(library.Storage()->refCount, 2u) << "a key of the function cache";
  std::ofstream(script) << "INPUT ( " << libm << " )\n";  // no GROUP: no library
  EXPECT_EQ(LoadFunctionPointerFromLibrary(sinName.Storage(), library.Storage()), sine);
  EXPECT_EQ(IsFunctionAvailable(nullptr, tanName.Storage(), library.Storage()), 1)
      << "the handle is cached";
  EXPECT_EQ(
      IsFunctionAvailable(nullptr, sinName.Storage(), Record(library.CString()).Storage()), 1);
  EXPECT_EQ(IsFunctionAvailable(nullptr, sinName.Storage(), Record(folder / "x").Storage()), 0);
  EXPECT_EQ(IsFunctionAvailable(nullptr, nullptr, library.Storage()), 0);
}

}  // namespace
