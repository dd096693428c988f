// The run-time half of the plug-in interface driven from a real plug-in (tests/plugins/runtime)
// loaded from the image that carries it (tests/images/plugins/runtimeapp.c), in a child
// process: what it saw on standard output, the malformed records it registered reported one
// each on standard error naming the plug-in, every object it was handed released, and its
// library closed at exit with the installed files gone.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "SpawnedProcess.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

constexpr char kChecks[] =
    "runtime plug-in registered, 0 missing\n"
    "runtime 1 debug 0 nil encoding 600 font encoding 8000100\n"
    "stripped \"&Save As\" converted 4 bytes encoding 500\n"
    "gadget 1 type 1 same class 1\n"
    "cursor is a RecordSet 1\n"
    "unknown 1 interface 1\n"
    "interface routine 1 gives 360\n"
    "task runs 2 then 3, the yielding task ran 1\n"
    "after unregistering 3 1\n";

TEST(PluginRuntimeImage, APlugInDrivesObjectsTasksAndPicturesAndIsUnloadedLast) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) GTEST_SKIP() << "needs a display";
  qvtest::TempFolder home("qvrthome");
  qvtest::SpawnedProcess app({.program = RUNTIMEAPP_EXE,
                              .argv = {RUNTIMEAPP_EXE},
                              .environment = {"HOME=" + home.path()},
                              .unset = {"QVPLUGINPATH"}});
  ASSERT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << app.Errors();
  EXPECT_EQ(app.Output(), std::string(kChecks) +
                              "rowBytes 7 0, 8 1, wrapping 0, too tall 0\n"
                              "locked kind 6 2x1 depth 24\n"
                              "lock kind 0 1, kind 99 0\n"
                              "picture count 1\n"
                              "objects left 0\n"
                              "done\n"
                              "library closed\n");
  EXPECT_EQ(app.Errors(), "");
  EXPECT_FALSE(fs::exists(home / ".tmpAppData")) << "the installed library went at exit";
}

TEST(PluginRuntimeImage, WithoutADisplayTheBadRecordsAreReportedOnStandardErrorAndItRuns) {
  qvtest::TempFolder home("qvrthome");
  qvtest::SpawnedProcess app({.program = RUNTIMEAPP_EXE,
                              .argv = {RUNTIMEAPP_EXE},
                              .environment = {"HOME=" + home.path(),
                                              "RUNTIMEPLUGIN_BAD_RECORDS=1"},
                              .unset = {"DISPLAY", "QVPLUGINPATH"}});
  ASSERT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << app.Errors();
  const std::string errors = app.Errors();
  EXPECT_EQ(Count(errors, "A plug-in definition was refused"), 7) << errors;
  EXPECT_EQ(Count(errors, "runtimeplugin.so"), 7) << "each names the plug-in: " << errors;
  for (const char* name : {"(no name)", "RtBadList", "RtBadRow", "RtBadFace", "RtGadget",
                           "RtBadControl"}) {
    EXPECT_NE(errors.find(name), std::string::npos) << name;
  }
  EXPECT_EQ(app.Output().rfind(kChecks, 0), 0u) << app.Output();
  EXPECT_NE(app.Output().find("objects left 0\ndone\nlibrary closed\n"), std::string::npos)
      << app.Output();
}

}  // namespace
