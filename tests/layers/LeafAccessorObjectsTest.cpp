// The leaf accessors (QV_LEAF_ACCESSOR_SOURCES in CMakeLists.txt) are built to call with the
// stack as compiled code left it, 4-byte aligned: they may call framework functions, which
// realign where they need to, and nothing else. A shared library's function (the C library,
// the C++ runtime, GTK) may assume 16 bytes, so no object of theirs may name one. The
// framework's own functions are hidden, so the dynamic loader finds exactly the names that a
// shared library provides.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "ElfObject.h"

namespace {

std::vector<std::string> LeafAccessorObjects() {
  std::vector<std::string> paths;
  std::ifstream list(QV_LEAF_ACCESSOR_OBJECT_LIST);
  for (std::string line; std::getline(list, line);) {
    if (!line.empty()) paths.push_back(line);
  }
  return paths;
}

// The names the object leaves undefined that a loaded shared library defines.
std::vector<std::string> SharedLibraryNames(const ElfObject& object) {
  std::vector<std::string> names;
  for (const ElfSymbol& symbol : object.symbols()) {
    if (symbol.section != SHN_UNDEF || symbol.name.empty()) continue;
    if (dlsym(RTLD_DEFAULT, symbol.name.c_str())) names.push_back(symbol.name);
  }
  return names;
}

TEST(LeafAccessorObjects, CallNothingOutsideTheFramework) {
  if (!QV_LEAF_ACCESSORS) GTEST_SKIP() << "this build compiles no leaf accessors";
  // The premise: the loader finds a shared library's function, and no framework function.
  ASSERT_NE(dlsym(RTLD_DEFAULT, "memcpy"), nullptr);
  ASSERT_EQ(dlsym(RTLD_DEFAULT, "RaiseOutOfBoundsException"), nullptr);
  const std::vector<std::string> paths = LeafAccessorObjects();
  ASSERT_EQ(paths.size(), size_t(QV_LEAF_ACCESSOR_COUNT));
  for (const std::string& path : paths) {
    const ElfObject object = ElfObject::ReadFile(path);
    EXPECT_EQ(SharedLibraryNames(object), std::vector<std::string>{}) << path;
    // Each object's refusals call a framework raiser, or its rare way the framework's general
    // one: the check sees its calls.
    bool callsFramework = false;
    for (const ElfSymbol& symbol : object.symbols()) {
      callsFramework |= symbol.section == SHN_UNDEF &&
                        (symbol.name == "RaiseOutOfBoundsException" ||
                         symbol.name.find("MemoryBlockRefusedAccess") != std::string::npos ||
                         symbol.name.find("ReleaseStringRecord") != std::string::npos ||
                         symbol.name.find("ArrayAppendByTheFullRule") != std::string::npos ||
                         symbol.name == "RGBSurfaceReadPixel" ||
                         symbol.name == "RGBSurfaceWritePixel");
    }
    EXPECT_TRUE(callsFramework) << path;
  }
}

}  // namespace
