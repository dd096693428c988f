// Declared shared-library functions: the search for the library, linker scripts, and the caches
// keyed by string record with a reference held on each key.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "image/ExternalFunctions.h"

namespace {

namespace fs = std::filesystem;

std::string LibmPath() {
  Dl_info info;
  return dladdr(reinterpret_cast<void*>(static_cast<double (*)(double)>(&std::cos)), &info) ? info.dli_fname : "";
}

// A fresh record (count 1) that the test owns, like a constant string of an image.
string Record(const std::string& text) { return string::FromBytes(text.data(), int64_t(text.size()), kEncodingASCII); }

// The first lookup through a record is remembered with the record: once the library is gone,
// the same records still resolve, a new record with the same text searches again and finds
// nothing. (Linker scripts stand for the library: the dynamic linker remembers every name it
// once opened, but a script is read anew by each search.)
TEST(ExternalFunctions, LookupsAreCachedPerRecordWhichTheCacheHolds) {
  char pattern[] = "/tmp/qvexternXXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string script = std::string(pattern) + "/libqvext.so", libm = LibmPath();
  void* const libmHandle = dlopen(libm.c_str(), RTLD_LAZY);
  std::ofstream(script) << "/* a linker script */\nGROUP ( " << pattern << "/libqvmissing.so.1  " << libm << " )\n";
  const string sinName = Record("sin"), tanName = Record("tan"), library = Record(std::string(pattern) + "/libqvext");
  EXPECT_EQ(LoadFunctionPointerFromLibrary(sinName.Storage(), library.Storage()), dlsym(libmHandle, "sin"));
  EXPECT_EQ(sinName.Storage()->refCount * 10 + library.Storage()->refCount, 23u)
      << "the library's record is a key of both caches, the library's and the function's";
  std::ofstream(script) << "INPUT ( " << libm << " )\n";  // no GROUP: no library
  EXPECT_EQ(LoadFunctionPointerFromLibrary(sinName.Storage(), library.Storage()), dlsym(libmHandle, "sin"));
  EXPECT_EQ(IsFunctionAvailable(tanName.Storage(), library.Storage()), 1) << "the library's handle is cached";
  EXPECT_EQ(IsFunctionAvailable(sinName.Storage(), Record(std::string(pattern) + "/libqvext").Storage()), 0);
  EXPECT_EQ(IsFunctionAvailable(nullptr, library.Storage()), 0);
  fs::remove_all(pattern);
}

}  // namespace
