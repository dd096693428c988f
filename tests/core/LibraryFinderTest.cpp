// The shared-library finder: each step of the search, the listing read once, and the link walk.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "core/LibraryFinder.h"

namespace {

namespace fs = std::filesystem;

// The i386 libm this process already has: every successful search below must end at it.
std::string LibmPath() {
  Dl_info info;
  double (*cosine)(double) = &std::cos;
  if (!dladdr(reinterpret_cast<void*>(cosine), &info)) return "";
  return info.dli_fname;
}

void* LibmHandle() {
  void* handle = dlopen(LibmPath().c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (handle) dlclose(handle);  // NOLOAD added a reference
  return handle;
}

class LibraryFinderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qvfinderXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    mFolder = pattern;
    ASSERT_FALSE(LibmPath().empty());
    ASSERT_NE(LibmHandle(), nullptr);
    UseListing("");
  }
  void TearDown() override {
    SetLibraryListingCommandForTesting("/sbin/ldconfig -p");
    fs::remove_all(mFolder);
  }

  // A listing command that counts its runs and prints lines.
  void UseListing(const std::string& lines) {
    const fs::path script = mFolder / "listing.sh";
    std::ofstream(script) << "echo run >> " << (mFolder / "runs").string() << "\nprintf '%s' '"
                          << lines << "'\n";
    mCommand = "/bin/sh " + script.string();
    SetLibraryListingCommandForTesting(mCommand.c_str());
  }
  int ListingRuns() const {
    std::ifstream in(mFolder / "runs");
    int runs = 0;
    for (std::string line; std::getline(in, line);) ++runs;
    return runs;
  }
  std::string Path(const char* name) const { return (mFolder / name).string(); }

  fs::path mFolder;
  std::string mCommand;
};

TEST_F(LibraryFinderTest, NameThatOpensDirectlyNeverRunsTheListing) {
  EXPECT_EQ(UnixHelper::LoadLibrary("libm.so.6"), LibmHandle());
  EXPECT_EQ(UnixHelper::LoadLibrary(string(LibmPath().c_str())), LibmHandle());
  EXPECT_EQ(ListingRuns(), 0);
}

TEST_F(LibraryFinderTest, NameWithoutSoOpensWithSoAppended) {
  fs::create_symlink(LibmPath(), Path("libqvfinder.so"));
  EXPECT_EQ(UnixHelper::LoadLibrary(string(Path("libqvfinder").c_str())), LibmHandle());
  EXPECT_EQ(ListingRuns(), 0);
}

// a -> b -> "libm.so.6": dlopen of a fails (b's relative target is missing in the folder), the
// walk opens a's target b (fails again) and then b's target, which the library path finds.
TEST_F(LibraryFinderTest, LinkChainIsWalkedUntilATargetOpens) {
  fs::create_symlink("libm.so.6", Path("b"));
  fs::create_symlink(Path("b"), Path("a"));
  ASSERT_EQ(dlopen(Path("a").c_str(), RTLD_LAZY), nullptr);
  EXPECT_EQ(UnixHelper::LoadLibrary(string(Path("a").c_str())), LibmHandle());
  EXPECT_EQ(ListingRuns(), 0);
}

TEST_F(LibraryFinderTest, LinkLoopEndsTheWalk) {
  fs::create_symlink(Path("loop2"), Path("loop1"));
  fs::create_symlink(Path("loop1"), Path("loop2"));
  EXPECT_EQ(OpenThroughSymbolicLinks(Path("loop1")), nullptr);
  EXPECT_EQ(UnixHelper::LoadLibrary(string(Path("loop1").c_str())), nullptr);
}

TEST_F(LibraryFinderTest, ListingRunsOnceForAllLookups) {
  EXPECT_EQ(UnixHelper::LoadLibrary("libqvnosuchthing"), nullptr);
  EXPECT_EQ(UnixHelper::LoadLibrary("libqvnorthisone"), nullptr);
  EXPECT_EQ(ListingRuns(), 1);
}

TEST_F(LibraryFinderTest, ListingLineThatFailsToOpenMovesTheSearchOn) {
  UseListing(
      "\tlibqvfake.so.1 (libc6) => /nonexistent/libqvfake.so.1\n"
      "\tlibqvfake.so.1 (libc6) => " +
      LibmPath() + "\n");
  EXPECT_EQ(UnixHelper::LoadLibrary("libqvfake"), LibmHandle());
  EXPECT_EQ(ListingRuns(), 1);
}

TEST_F(LibraryFinderTest, ListingPathIsTrimmedAndReachedThroughLinks) {
  fs::create_symlink(LibmPath(), Path("libqvlinked.so.2"));
  UseListing("libqvlinked without a path\n\tlibqvlinked.so.2 (libc6) =>  \t" +
             Path("libqvlinked.so.2") + " \t\r\n");
  EXPECT_EQ(UnixHelper::LoadLibrary("libqvlinked"), LibmHandle());
}

TEST_F(LibraryFinderTest, NameFoundNowhereGivesNil) {
  UseListing("\tlibother.so (libc6) => /nonexistent/libother.so\n");
  EXPECT_EQ(UnixHelper::LoadLibrary("libqvabsent"), nullptr);
  EXPECT_EQ(UnixHelper::LoadLibrary(string()), nullptr);
}

TEST_F(LibraryFinderTest, RealLinkerCacheFindsTheI386Library) {
  if (access("/sbin/ldconfig", X_OK) != 0) GTEST_SKIP() << "no /sbin/ldconfig";
  SetLibraryListingCommandForTesting("/sbin/ldconfig -p");
  // "libm.so" on its own is a linker script or missing; the listing has libm.so.6 lines for
  // other architectures too, which fail to open before the i386 one does.
  void* handle = UnixHelper::LoadLibrary("libm.so");
  ASSERT_NE(handle, nullptr);
  EXPECT_NE(dlsym(handle, "cos"), nullptr);
}

}  // namespace
