// The shared-library finder: each step of the search, the listing read once, and the link walk.
#include <dlfcn.h>
#include <elf.h>
#include <gtest/gtest.h>
#include <link.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/LibraryFinder.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

// The i386 libm this process already has: every successful search below must end at it.
std::string LibmPath() {
  return qvtest::LibraryFileOf(qvtest::FunctionInLibrary("libm.so.6", "cos"));
}

class LibraryFinderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    libm = dlopen(LibmPath().c_str(), RTLD_LAZY | RTLD_NOLOAD);
    ASSERT_NE(libm, nullptr);
    dlclose(libm);  // NOLOAD added a reference
    UseListing("");
  }
  void TearDown() override {
    SetLibraryListingProgramForTesting({"/sbin/ldconfig", "-p"});
  }
  // A listing program that counts its runs and prints lines (and forgets every answer kept).
  void UseListing(const std::string& lines) {
    std::ofstream(folder / "listing.sh")
        << "echo run >> " << Path("runs") << "\nprintf '%s' '" << lines << "'\n";
    SetLibraryListingProgramForTesting({"/bin/sh", Path("listing.sh")});
  }
  int ListingRuns() const {
    std::ifstream in(folder / "runs");
    int runs = 0;
    for (std::string line; std::getline(in, line);) ++runs;
    return runs;
  }
  std::string Path(const char* name) const { return folder / name; }
  void* Load(const std::string& name) { return UnixHelper::LoadLibrary(string(name.c_str())); }

  qvtest::TempFolder folder{"qvfinder"};
  void* libm = nullptr;
};

// Names that open directly, with ".so" appended, or through a chain of links never run the
// listing: a -> b -> "libm.so.6", b's relative target missing in the folder, so the walk ends
// at b's target, which the library path finds. Other names run the listing once for all
// lookups; a line that fails to open moves the search on; the path is trimmed. A link loop
// ends the walk.
TEST_F(LibraryFinderTest, DirectNamesLinkWalksAndTheListingRunOnce) {
  fs::create_symlink(LibmPath(), Path("libqvfinder.so"));
  fs::create_symlink("libm.so.6", Path("b"));
  fs::create_symlink(Path("b"), Path("a"));
  ASSERT_EQ(dlopen(Path("a").c_str(), RTLD_LAZY), nullptr);
  EXPECT_EQ(Load("libm.so.6"), libm);
  EXPECT_EQ(Load(Path("libqvfinder")), libm);
  EXPECT_EQ(Load(Path("a")), libm);
  fs::create_symlink(Path("loop2"), Path("loop1"));
  fs::create_symlink(Path("loop1"), Path("loop2"));
  EXPECT_EQ(OpenThroughSymbolicLinks(Path("loop1")), nullptr);
  EXPECT_EQ(ListingRuns(), 0);
  UseListing("\tlibqvfake.so.1 (libc6) => /nonexistent/libqvfake.so.1\n"
             "\tlibqvfake.so.1 (libc6) =>  \t" + LibmPath() + " \t\r\n");
  EXPECT_EQ(Load("libqvfake"), libm);
  EXPECT_EQ(Load("libqvabsent"), nullptr);
  EXPECT_EQ(Load(""), nullptr);
  EXPECT_EQ(ListingRuns(), 1);
  // Each name is searched once, case ignored; a name not found stays not found.
  bool searched = true;
  EXPECT_EQ(FindLibrary(string("LIBQVFAKE"), &searched), libm);
  EXPECT_FALSE(searched);
  fs::create_symlink(LibmPath(), Path("libqvabsent.so"));
  EXPECT_EQ(FindLibrary(string("libqvabsent"), &searched), nullptr);
  EXPECT_FALSE(searched);
  EXPECT_EQ(FindLibrary(string(Path("libqvabsent").c_str()), &searched), libm);
  EXPECT_TRUE(searched);
}

// The real listing, read from /sbin/ldconfig without a shell, names the library for every
// architecture the machine carries; only the i386 one opens, and the search goes on to it.
// In a child: a second copy of the C++ library may load.
TEST(LibraryFinderListing, TheSystemListingLeadsToTheI386Library) {
  std::string output;
  qvtest::RunInChild(
      [] {
        void* handle = UnixHelper::LoadLibrary(string("libstdc++"));
        link_map* map = nullptr;
        if (!handle || dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map) _exit(1);
        unsigned char header[20] = {};
        std::ifstream(map->l_name, std::ios::binary).read(reinterpret_cast<char*>(header), 20);
        std::printf("class=%d machine=%d\n", header[EI_CLASS], header[18] | header[19] << 8);
      },
      &output);
  EXPECT_EQ(output, "class=1 machine=3\n");  // ELFCLASS32, EM_386
}

}  // namespace
