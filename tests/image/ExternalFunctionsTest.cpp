// Declared shared-library functions: the search for the library, the caches keyed by string
// record (with a reference held on each key), and linker scripts.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "image/Export.h"
#include "image/ExternalFunctions.h"

namespace {

namespace fs = std::filesystem;

std::string LibmPath() {
  Dl_info info;
  double (*cosine)(double) = &std::cos;
  if (!dladdr(reinterpret_cast<void*>(cosine), &info)) return "";
  return info.dli_fname;
}

void* Libm() { return dlopen(LibmPath().c_str(), RTLD_LAZY); }

// A fresh record (count 1) that the test owns, like a constant string of an image.
string Record(const std::string& text) {
  return string::FromBytes(text.data(), static_cast<int64_t>(text.size()), kEncodingASCII);
}

class ExternalFunctionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qvexternXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    mFolder = pattern;
    ASSERT_NE(Libm(), nullptr);
  }
  void TearDown() override { fs::remove_all(mFolder); }
  std::string Path(const char* name) const { return (mFolder / name).string(); }
  fs::path mFolder;
};

TEST_F(ExternalFunctionsTest, ResolvesAFunctionOfALibraryByName) {
  const string cosName = Record("cos");
  const string libm = Record("libm.so.6");
  EXPECT_EQ(LoadFunctionPointerFromLibrary(cosName.Storage(), libm.Storage()),
            dlsym(Libm(), "cos"));
  EXPECT_EQ(IsFunctionAvailable(cosName.Storage(), libm.Storage()), 1);
  const string missing = Record("qv_no_such_function");
  EXPECT_EQ(LoadFunctionPointerFromLibrary(missing.Storage(), libm.Storage()), nullptr);
  EXPECT_EQ(IsFunctionAvailable(missing.Storage(), libm.Storage()), 0);
}

// After the first lookup the library goes away: the same records still give the cached answer,
// a new record with the same text searches again and finds nothing. (A linker script stands
// for the library: the dynamic linker remembers every name it once opened, but the script is
// read anew by each search.)
TEST_F(ExternalFunctionsTest, SameRecordIsResolvedOnceAndOtherRecordsSeparately) {
  std::ofstream(Path("libqvext.so")) << "GROUP ( " << LibmPath() << " )\n";
  const string sinName = Record("sin");
  const string library = Record(Path("libqvext"));
  void* const sine = dlsym(Libm(), "sin");
  EXPECT_EQ(LoadFunctionPointerFromLibrary(sinName.Storage(), library.Storage()), sine);
  std::ofstream(Path("libqvext.so")) << "GROUP ( " << Path("libqvgone.so") << " )\n";
  EXPECT_EQ(LoadFunctionPointerFromLibrary(sinName.Storage(), library.Storage()), sine);
  const string sameText = Record(Path("libqvext"));
  EXPECT_EQ(LoadFunctionPointerFromLibrary(sinName.Storage(), sameText.Storage()), nullptr);
  // The library record's handle is cached: another function of it still resolves.
  const string tanName = Record("tan");
  EXPECT_EQ(LoadFunctionPointerFromLibrary(tanName.Storage(), library.Storage()),
            dlsym(Libm(), "tan"));
}

TEST_F(ExternalFunctionsTest, MissingLibraryIsRememberedAsMissing) {
  const string function = Record("cos");
  const string library = Record(Path("libqvlate"));
  EXPECT_EQ(LoadFunctionPointerFromLibrary(function.Storage(), library.Storage()), nullptr);
  fs::create_symlink(LibmPath(), Path("libqvlate.so"));
  EXPECT_EQ(IsFunctionAvailable(function.Storage(), library.Storage()), 0);
  const string fresh = Record(Path("libqvlate"));
  EXPECT_EQ(IsFunctionAvailable(function.Storage(), fresh.Storage()), 1);
}

TEST_F(ExternalFunctionsTest, CachedKeysHoldAReferenceSoTheirRecordsStayAlive) {
  const string function = Record("exp");
  const string library = Record("libm.so.6");
  ASSERT_EQ(function.Storage()->refCount, 1u);
  LoadFunctionPointerFromLibrary(function.Storage(), library.Storage());
  // The library record is a key of both caches: the library's and the function's.
  EXPECT_EQ(function.Storage()->refCount, 2u);
  EXPECT_EQ(library.Storage()->refCount, 3u);
  LoadFunctionPointerFromLibrary(function.Storage(), library.Storage());
  EXPECT_EQ(function.Storage()->refCount, 2u);
  EXPECT_EQ(library.Storage()->refCount, 3u);
}

// One name record declared against two libraries resolves in each library on its own.
TEST_F(ExternalFunctionsTest, OneFunctionRecordWithTwoLibrariesKeepsThemApart) {
  const string function = Record("log");
  const string libm = Record("libm.so.6");
  const string libc = Record("libc.so.6");
  EXPECT_EQ(LoadFunctionPointerFromLibrary(function.Storage(), libm.Storage()),
            dlsym(Libm(), "log"));
  EXPECT_EQ(LoadFunctionPointerFromLibrary(function.Storage(), libc.Storage()),
            dlsym(dlopen("libc.so.6", RTLD_LAZY), "log"));
}

TEST_F(ExternalFunctionsTest, LinkerScriptGroupLoadsTheFirstLibraryThatOpens) {
  std::ofstream(Path("libqvscript.so"))
      << "/* a linker script */\nOUTPUT_FORMAT(elf32-i386)\nGROUP ( " << Path("libqvmissing.so.1")
      << "  " << LibmPath() << " )\n";
  EXPECT_EQ(OpenSharedLibraryByName(Record(Path("libqvscript"))), Libm());
  std::ofstream(Path("libqvnogroup.so")) << "INPUT ( " << LibmPath() << " )\n";
  EXPECT_EQ(OpenSharedLibraryByName(Record(Path("libqvnogroup"))), nullptr);
}

TEST_F(ExternalFunctionsTest, LinksAreFollowed) {
  fs::create_symlink("libm.so.6", Path("libqvrelative.so"));  // broken here, found by dlopen
  EXPECT_EQ(OpenSharedLibraryByName(Record(Path("libqvrelative.so"))), Libm());
}

TEST_F(ExternalFunctionsTest, LibraryOnlyInUsrLibWithSoAppendedOpens) {
  const std::string name = "libqvonlyhere" + std::to_string(getpid());
  const std::string installed = "/usr/lib/" + name + ".so";
  std::error_code error;
  fs::create_symlink(LibmPath(), installed, error);
  if (error) GTEST_SKIP() << "cannot write /usr/lib: " << error.message();
  void* handle = OpenSharedLibraryByName(Record(name));
  fs::remove(installed);
  EXPECT_EQ(handle, Libm());
}

TEST_F(ExternalFunctionsTest, NilAndEmptyNamesFindNothing) {
  const string cosName = Record("cos");
  const string libm = Record("libm.so.6");
  EXPECT_EQ(LoadFunctionPointerFromLibrary(nullptr, libm.Storage()), nullptr);
  EXPECT_EQ(LoadFunctionPointerFromLibrary(cosName.Storage(), nullptr), nullptr);
  EXPECT_EQ(IsFunctionAvailable(nullptr, nullptr), 0);
  EXPECT_EQ(OpenSharedLibraryByName(string()), nullptr);
}

TEST(ExternalFunctionsExports, EntryPointsAreExportedUnderTheirNames) {
  const std::pair<const char*, void*> expected[] = {
      {"LoadFunctionPointerFromLibrary", reinterpret_cast<void*>(&LoadFunctionPointerFromLibrary)},
      {"IsFunctionAvailable", reinterpret_cast<void*>(&IsFunctionAvailable)}};
  for (const auto& [name, function] : expected) {
    int found = 0;
    for (const RelocEntry* entry = StaticExportTableBegin(); entry != StaticExportTableEnd();
         ++entry)
      if (entry->name && std::string(entry->name) == name && entry->code == function) ++found;
    EXPECT_EQ(found, 1) << name;
  }
}

}  // namespace
