// The framework executable with packed images that carry the test plug-ins (tests/plugins/
// registration, tests/images/plugins/pluginapp.c), run as a child process with a home folder
// of its own: what every interface version registers, where and how the libraries are
// installed, that they are locked while the image runs and gone after it, that a library of a
// carried name in the current folder is never loaded, and that a library without an entry
// ends start-up with status 1 and leaves nothing behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "SpawnedProcess.h"
#include "app/PluginLoader.h"
#include "app/ShutdownTasks.h"
#include "image/ResourceTable.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

class PluginImage : public ::testing::Test {
 protected:
  qvtest::SpawnOptions Options(const std::string& program, const std::string& mode = "") {
    return {.program = program,
            .folder = mCurrent.path(),
            .environment = {"HOME=" + mHome.path(), "QVTEST_MODE=" + mode},
            .unset = {"DISPLAY", "QVPLUGINPATH"}};
  }
  std::string PluginFolder() const { return mHome / ".tmpAppData"; }

  // The output with each installed file's unique part as "XXXXXXX".
  std::string Masked(const std::string& output) const {
    const std::regex unique(PluginFolder() + "/X[A-Za-z0-9]{6}_");
    return std::regex_replace(output, unique, "FOLDER/XXXXXXX_");
  }

  qvtest::TempFolder mHome{"qvplughome"};
  qvtest::TempFolder mCurrent{"qvplugcwd"};
};

constexpr const char* kExpectedRun =
    "v1 entry QVPLUGINPATH=FOLDER/XXXXXXX_v1plugin.so\n"
    "v2 entry QVPLUGINPATH=FOLDER/XXXXXXX_v2plugin.so\n"
    "v3 entry QVPLUGINPATH=FOLDER/XXXXXXX_v3plugin.so\n"
    "v3 tasks 1 2\n"
    "v4 entry QVPLUGINPATH=FOLDER/XXXXXXX_v4plugin.so\n"
    "v7 entry QVPLUGINPATH=FOLDER/XXXXXXX_v7plugin.so\n"
    "v9 entry QVPLUGINPATH=FOLDER/XXXXXXX_v9plugin.so\n"
    "after entries QVPLUGINPATH=(unset)\n"
    // Version 1 registers an old-layout control but no class; version 2 nothing; version 3
    // no interface; a superclass registered by a later plug-in is linked. Event counts take in
    // the superclass's: Control has 3 events, RectControl 13.
    "class V1Knob super RectControl interfaces 0 properties 34 events 13\n"
    "class V1Class missing\n"
    "class V2Class missing\n"
    "class V2Face missing\n"
    "class V2Knob missing\n"
    "class V3Gadget super none interfaces 0 properties 1 events 1\n"
    "class V3Dial super Control interfaces 0 properties 15 events 3\n"
    "class V3Face missing\n"
    "class V4Child super V7Base interfaces 2 properties 0 events 0\n"
    "class V4Spinner super none interfaces 0 properties 0 events 0\n"
    "class V7Base super none interfaces 0 properties 0 events 0\n"
    "class V7Bell super none interfaces 0 properties 0 events 1\n"
    "class V9Wide super none interfaces 0 properties 2 events 0\n"
    // Methods, an extension's method, an inherited method, a version-9 record's second lists.
    "V1Knob.CurrentTurns() As Integer = 7\n"
    "V3Gadget.Fold(times As Integer) As Integer = 30\n"
    "V3Gadget.Unfold() As Integer = -10\n"
    "V4Child.Spin() As Integer = 360\n"
    "V7Base.Again() As Integer = 7\n"
    "V9Wide.First() As Integer = 1\n"
    "V9Wide.Second() As Integer = 2\n"
    "V9Wide B%i4% = 2\n"
    // Global methods old and new, a module's method; version 2's is not there.
    "V1Triple(x As Integer) As Integer = 15\n"
    "V3Quadruple(x As Integer) As Integer = 20\n"
    "V4Module.Twice(x As Integer) As Integer = 42\n"
    "V2Double(x As Integer) As Integer missing\n";

TEST_F(PluginImage, EveryInterfaceVersionRegistersWhatItMayAndNothingIsLeftBehind) {
  qvtest::SpawnedProcess app(Options(PLUGINAPP_EXE));
  ASSERT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << app.Errors();
  EXPECT_EQ(Masked(app.Output()), std::string(kExpectedRun) + "done\n");
  EXPECT_NE(app.Errors().find("Failure Condition: tail->name != h->name\n"
                              "Duplicate name found while trying to build class events.  "
                              "Matched names are: RANG\n"),
            std::string::npos)
      << app.Errors();
  EXPECT_NE(app.Errors().find("can't find plugin method V2Double(x As Integer) As Integer"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(PluginFolder()));
}

// While the image runs, each installed library is a file of its own in the private folder,
// locked: flock(1) cannot take it from another process.
TEST_F(PluginImage, InstalledLibrariesAreLockedWhileTheImageRuns) {
  qvtest::SpawnedProcess app(Options(PLUGINAPP_EXE, "wait"));
  ASSERT_TRUE(app.WaitForOutput("waiting\n")) << app.Errors();
  struct stat folder;
  ASSERT_EQ(stat(PluginFolder().c_str(), &folder), 0);
  EXPECT_EQ(folder.st_mode & 0777, 0700u);
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(PluginFolder())) files.push_back(entry.path());
  EXPECT_EQ(files.size(), 6u);
  for (const std::string& file : files) {
    EXPECT_EQ(qvtest::RunProgram({"flock", "-n", file, "true"}), 1) << file;
    struct stat status;
    ASSERT_EQ(stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u) << file;
  }
  app.Write("x");
  EXPECT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << app.Errors();
  for (const std::string& file : files) EXPECT_FALSE(fs::exists(file)) << file;
  EXPECT_FALSE(fs::exists(PluginFolder()));
}

// A library under a carried library's name in the current folder is neither loaded nor
// touched.
TEST_F(PluginImage, ALibraryOfACarriedNameInTheCurrentFolderIsNotLoaded) {
  const std::string planted = mCurrent / "v3plugin.so";
  fs::copy_file(IMPOSTOR_PLUGIN, planted);
  qvtest::SpawnedProcess app(Options(PLUGINAPP_EXE));
  ASSERT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << app.Errors();
  EXPECT_EQ(app.Output().find("impostor"), std::string::npos);
  EXPECT_NE(Masked(app.Output()).find("v3 entry QVPLUGINPATH=FOLDER/XXXXXXX_v3plugin.so\n"),
            std::string::npos);
  EXPECT_EQ(qvtest::RunProgram({"cmp", "-s", IMPOSTOR_PLUGIN, planted}), 0);
}

// A library without QUORPluginMain ends start-up: status 1 after the report, the library
// before it unloaded and deleted, the one after it never installed.
TEST_F(PluginImage, ALibraryWithoutAnEntryEndsStartUpAndLeavesNothing) {
  qvtest::SpawnedProcess app(Options(NOMAINAPP_EXE));
  EXPECT_TRUE(qvtest::ExitedWith(app.Finish(), 1)) << app.Errors();
  EXPECT_EQ(Masked(app.Output()),
            "v3 entry QVPLUGINPATH=FOLDER/XXXXXXX_v3plugin.so\nv3 tasks 1 2\n");
  const std::regex report(
      "The application cannot continue because a needed file cannot be installed. \\S*"
      "X[A-Za-z0-9]{6}_nomainplugin.so: undefined symbol: QUORPluginMain\n");
  EXPECT_TRUE(std::regex_search(app.Errors(), report)) << app.Errors();
  EXPECT_FALSE(fs::exists(PluginFolder()));
}

// Without a usable home folder the libraries go to /tmp, and are deleted from there.
TEST_F(PluginImage, WithoutAHomeFolderTheLibrariesGoToTmp) {
  qvtest::SpawnOptions options = Options(PLUGINAPP_EXE);
  options.environment[0] = "HOME=" + (mHome / "missing/folder");
  qvtest::SpawnedProcess app(options);
  ASSERT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << app.Errors();
  std::smatch found;
  const std::string output = app.Output();
  ASSERT_TRUE(std::regex_search(output, found, std::regex("v9 entry QVPLUGINPATH=(\\S+)\n")));
  EXPECT_EQ(found[1].str().rfind("/tmp/X", 0), 0u) << found[1];
  EXPECT_FALSE(fs::exists(found[1].str()));
}

// An image without plug-in resources installs nothing and leaves no task for quit.
TEST(PluginResources, WithoutPlugInResourcesNothingIsInstalled) {
  const int tasks = ShutdownTaskCount();
  std::string failure;
  EXPECT_TRUE(InstallImagePlugins(&failure));
  EXPECT_EQ(ShutdownTaskCount(), tasks);
  EXPECT_EQ(failure, "");
}

// Resources that do not describe a library, or whose library cannot be given a file: nothing
// is written and the failure says why.
TEST(PluginResources, ResourcesThatCannotBeInstalledLeaveNothing) {
  qvtest::TempFolder home("qvplugbad");
  const int status = qvtest::RunInChild([&] {
    setenv("HOME", home.path().c_str(), 1);
    using namespace std::string_literals;
    const std::string cases[] = {
        ""s,                    // no bytes at all
        "\011abc"s,             // a name that runs past the data
        "\007../x.so\177ELF"s,  // a name that is a path
        "\004a\0bc\177"s,       // a name holding a NUL
        "\000\177ELF"s,         // no name
    };
    for (const std::string& bytes : cases) {
      const ResourceEntry row{qvimage::FourCharCode("QVPl"), 7,
                              reinterpret_cast<const uint8_t*>(bytes.data()),
                              uint32_t(bytes.size()), 0};
      std::string failure;
      EXPECT_FALSE(InstallPlugin(row, &failure));
      EXPECT_EQ(failure.rfind("The plug-in resource 7 ", 0), 0u) << failure;
    }
    // A name too long for a file beside the unique part: no file can be made for it.
    const std::string longName = std::string(1, char(250)) + std::string(250, 'n') + "\177ELF";
    const ResourceEntry row{qvimage::FourCharCode("QVPl"), 8,
                            reinterpret_cast<const uint8_t*>(longName.data()),
                            uint32_t(longName.size()), 0};
    std::string failure;
    EXPECT_FALSE(InstallPlugin(row, &failure));
    EXPECT_EQ(failure, "Failed to construct a temporary path.");
    EXPECT_TRUE(fs::is_empty(PluginFolderPath()));
  });
  EXPECT_TRUE(qvtest::ExitedWith(status, 0));
}

}  // namespace
