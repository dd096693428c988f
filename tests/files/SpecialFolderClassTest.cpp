// The SpecialFolder object, read through its class's property rows as compiled code reads them:
// HOME followed exactly (the XDG settings change nothing), the fixed paths, the folders of other
// platforms nil, the working directory while it exists, and GetFromCode's codes of one to four
// bytes. Cases that change HOME or the working directory run in a child of their own.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <set>

#include "FolderItemTestSupport.h"
#include "core/ObjectDefinition.h"
#include "files/FolderItemClass.h"
#include "files/SpecialFolderClass.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace itemtest;

// The special-folder object, as the global SpecialFolder gives it.
class SpecialFolderObject {
 public:
  SpecialFolderObject() : mObject(systemGetSpecialFoldersClass()) {}
  ~SpecialFolderObject() { RuntimeUnlockObject(mObject); }

  // The property named name through its row's getter and word: the FolderItem's path, or
  // "(nil)"; "(no property)" when the class has none of that name.
  std::string Read(const std::string& name) const {
    for (InstanceVariable* row = SpecialFolderClassDefinition()->FirstItem(); row;
         row = row->next) {
      if (row->name.CompareWithCase(name.c_str()) != 0) continue;
      auto getter = reinterpret_cast<RuntimeObject* (*)(RuntimeObject*, uint32_t)>(row->getter);
      return Path(getter(mObject, row->propertyWord));
    }
    return "(no property)";
  }
  std::string FromCode(const std::string& bytes) const {
    const string code = string::FromBytes(bytes.data(), int64_t(bytes.size()), kEncodingNone);
    return Path(GetSpecialFolderFromCode(mObject, code.Storage()));
  }

 private:
  static std::string Path(RuntimeObject* item) {
    const std::string path = item ? PathOf(FolderItemImpOf(item)) : "(nil)";
    RuntimeUnlockObject(item);
    return path;
  }
  RuntimeObject* mObject;
};

void InChild(const std::function<void()>& body) {
  const int status = qvtest::RunInChild(body);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(SpecialFolderClass, UserHomeFollowsHomeAloneAndIsNilWithoutIt) {
  InChild([] {
    qvtest::TempFolder home("qvhome");
    const std::string utf8Home = home / "Zo\xC3\xAB's h\xC3\xB4me";
    fs::create_directory(utf8Home);
    qvtest::TempFolder elsewhere("qvxdg");
    fs::create_directory(elsewhere / "Desktop");
    setenv("HOME", utf8Home.c_str(), 1);
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                             "XDG_DESKTOP_DIR", "XDG_DOCUMENTS_DIR", "XDG_MUSIC_DIR"}) {
      setenv(name, (elsewhere / "Desktop").c_str(), 1);
    }
    const SpecialFolderObject special;
    EXPECT_EQ(special.Read("UserHome"), utf8Home + "/");
    RuntimeObject* folder = GetSpecialFolder(nullptr, 1041);
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(FolderItemImpOf(folder)->GetPath().Encoding(), kEncodingUTF8);
    RuntimeUnlockObject(folder);
    for (const char* name : {"Desktop", "Documents", "Music", "Pictures", "Preferences",
                             "ApplicationData", "Trash"}) {
      EXPECT_EQ(special.Read(name), "(nil)") << name;
    }
    setenv("HOME", (home / "not there").c_str(), 1);
    EXPECT_EQ(special.Read("UserHome"), home / "not there");
    unsetenv("HOME");
    EXPECT_EQ(special.Read("UserHome"), "(nil)");
  });
}

TEST(SpecialFolderClass, FixedPathsAndOtherPlatformsFolders) {
  const SpecialFolderObject special;
  const std::pair<const char*, const char*> fixed[] = {
      {"Temporary", "/tmp"}, {"Etc", "/etc"},         {"Bin", "/bin"},
      {"UserBin", "/usr/bin"}, {"SBin", "/sbin"},     {"UserSBin", "/usr/sbin"},
      {"Var", "/var"},         {"VarLog", "/var/log"}, {"Home", "/home"},
      {"Mount", "/mnt"},       {"Library", "/lib"},   {"UserLibrary", "/usr/lib"},
  };
  for (const auto& [name, path] : fixed) {
    // A folder that exists gets its final "/"; one this machine lacks is named all the same.
    const std::string expected = fs::is_directory(path) ? std::string(path) + "/" : path;
    EXPECT_EQ(special.Read(name), expected) << name;
  }
  for (const char* name :
       {"Trash", "Fonts", "ShutdownItems", "StartupItems", "Extensions", "ControlPanels",
        "Desktop", "AppleMenu", "System", "SharedApplicationData", "SharedDesktop", "Favorites",
        "SharedFavorites", "SharedDocuments", "Cookies", "History", "InternetCache",
        "Applications", "SharedApplications", "RecentItems", "SendTo", "Windows",
        "SharedStartupItems", "Templates", "SharedTemplates", "NetworkPlaces", "Printers",
        "SharedPreferences"}) {
    EXPECT_EQ(special.Read(name), "(nil)") << name;
  }
}

TEST(SpecialFolderClass, EveryReadIsANewObject) {
  const SpecialFolderObject special;
  RuntimeObject* first = GetSpecialFolder(nullptr, 1001);
  RuntimeObject* second = GetSpecialFolder(nullptr, 1001);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_NE(FolderItemImpOf(first), FolderItemImpOf(second));
  EXPECT_EQ(first->refCount, 1);
  RuntimeUnlockObject(first);
  EXPECT_EQ(PathOf(FolderItemImpOf(second)), "/tmp/");
  RuntimeUnlockObject(second);
  RuntimeObject* a = systemGetSpecialFoldersClass();
  RuntimeObject* b = systemGetSpecialFoldersClass();
  EXPECT_NE(a, b);
  RuntimeUnlockObject(a);
  RuntimeUnlockObject(b);
}

TEST(SpecialFolderClass, CurrentWorkingDirectoryUntilItIsRemoved) {
  InChild([] {
    qvtest::TempFolder parent("qvcwd");
    const std::string folder = parent / "w\xC3\xB6rk";
    fs::create_directory(folder);
    ASSERT_EQ(chdir(folder.c_str()), 0);
    const SpecialFolderObject special;
    EXPECT_EQ(special.Read("CurrentWorkingDirectory"), folder + "/");
    fs::remove(folder);
    EXPECT_EQ(special.Read("CurrentWorkingDirectory"), "(nil)");
    EXPECT_EQ(chdir("/"), 0);
  });
}

TEST(SpecialFolderClass, GetFromCodeReadsAtMostFourBytesOfTheText) {
  const SpecialFolderObject special;
  EXPECT_EQ(special.FromCode(""), "(nil)");
  EXPECT_EQ(special.FromCode("temp"), "(nil)");  // a four-letter code is no folder number
  // 1001 (0x3E9) in memory order, first byte least significant.
  EXPECT_EQ(special.FromCode(std::string("\xE9\x03\0\0", 4)), "/tmp/");
  EXPECT_EQ(special.FromCode(std::string("\xE9\x03\0\0 and more", 13)), "/tmp/");
  EXPECT_EQ(special.FromCode(std::string("\xE9\x03\0\x01", 4)), "(nil)");
  // Shorter texts: the missing bytes count as zero.
  EXPECT_EQ(special.FromCode("\xE9\x03"), "/tmp/");
  EXPECT_EQ(special.FromCode(std::string("\xE9\x03\0", 3)), "/tmp/");
  EXPECT_EQ(special.FromCode("\xE9\x03\x01"), "(nil)");
  EXPECT_EQ(special.FromCode("\xE9"), "(nil)");
  EXPECT_EQ(special.FromCode("\x0A\x04"), "/etc/");  // 1034
}

}  // namespace
