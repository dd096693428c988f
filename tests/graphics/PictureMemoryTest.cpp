// Pictures larger than the memory there is: a picture whose pixels the X server has no room for
// is nil (newPicture) or raises OutOfMemoryException (the constructor), and one whose pixels
// the server holds but whose copy this process cannot make still reads back what was set,
// while the operations that need the copy raise instead of doing nothing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "GraphicsFixtures.h"
#include "arrays/ArrayElementAccess.h"
#include "core/ObjectDefinitionConverter.h"
#include "graphics/PictureClass.h"
#include "graphics/RGBSurface.h"
#include "support/ChildLimits.h"
#include "support/RaisedExceptions.h"
#include "support/TestSupport.h"
#include "support/Watchdog.h"

namespace {

// An Xvfb of its own whose address space is capped, so that a large pixmap finds no room there.
class SmallXServer {
 public:
  explicit SmallXServer(rlim_t bytes) {
    int number[2];
    if (pipe(number) != 0) return;
    // Capped by prlimit, not here: an emulator running this process ignores the limit.
    const std::string cap = "--as=" + std::to_string(bytes);
    const std::string fd = std::to_string(number[1]);
    // vfork, as this process may run other threads: the child only closes and execs; but not
    // in the moment one ends (support/TestSupport.h says why).
    qvtest::SettleBeforeVfork();
    mPid = vfork();
    if (mPid == 0) {
      const int quiet = open("/dev/null", O_WRONLY);  // it tells of every display it tries
      dup2(quiet, STDOUT_FILENO);
      dup2(quiet, STDERR_FILENO);
      for (int other = 3; other < 1024; ++other)
        if (other != number[1]) close(other);  // nothing of the test's, its X connection included
      execlp("prlimit", "prlimit", cap.c_str(), "--", "Xvfb", "-displayfd", fd.c_str(), "-screen",
             "0", "640x480x24", "-nolisten", "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(number[1]);
    // Written once it listens, the number and then its newline: the pipe stays open until the
    // line is whole, as the server ends when its second write finds no reader (and another
    // server may then take its number). One that has not started within 30 s (times the slow-run
    // factor) fails the test.
    std::string line;
    pollfd ready = {number[0], POLLIN, 0};
    while (mPid > 0 && line.find('\n') == std::string::npos &&
           poll(&ready, 1, qvtest::TimeLimit(30000)) == 1) {
      char digits[16];
      const ssize_t got = read(number[0], digits, sizeof digits);
      if (got <= 0) break;
      line.append(digits, size_t(got));
    }
    close(number[0]);
    if (line.find('\n') != std::string::npos) {
      mDisplay = ":" + std::to_string(std::atoi(line.c_str()));
    }
  }
  // "running", or how it ended.
  std::string State() {
    int status = 0;
    if (mPid <= 0 || waitpid(mPid, &status, WNOHANG) == 0) return "running";
    mPid = -1;
    return WIFSIGNALED(status) ? "killed by signal " + std::to_string(WTERMSIG(status))
                               : "ended with status " + std::to_string(WEXITSTATUS(status));
  }
  ~SmallXServer() {
    if (mPid <= 0) return;
    kill(mPid, SIGTERM);
    waitpid(mPid, nullptr, 0);
  }
  // ":N", or "" when the server did not start.
  const std::string& display() const { return mDisplay; }

 private:
  pid_t mPid = -1;
  std::string mDisplay;
};

RuntimeArray* IdentityMap() {
  RuntimeArray* map = CreateArray(1, kArrayInt32, 255);
  for (int32_t i = 0; i <= 255; ++i) ArraySetElement(map, i, uint32_t(i));
  return map;
}

// What the death test's child checks, on the small server and with its own address space
// capped; each failure is named on stderr and fails the exit status.
[[noreturn]] void CheckPicturesBeyondTheMemory() {
  alarm(qvtest::TimeLimit(60));
  // The small server's screen is 640 pixels wide, a test display's 1280: a child that reached
  // another server (the small one gone and its number taken) would test nothing here.
  if (gdk_screen_width() != 640) {
    std::fprintf(stderr, "the child reached an X server %d pixels wide, not the small one\n",
                 gdk_screen_width());
    std::_Exit(2);
  }
  qvtest::RaisedExceptions raised;
  std::string problems;
  auto expect = [&](bool holds, const char* what) {
    if (!holds) problems += std::string(what) + "\n";
  };
  // 256 MB of pixels, where the server has 128 MB in all.
  RuntimeObject* refused = newPicture(8000, 8000, 32);
  expect(refused == nullptr, "newPicture made a picture whose pixmap the server refused");
  RuntimeUnlockObject(refused);
  RuntimeObject* constructed = NewObjectFromDefinition(PictureClassDefinition());
  PictureConstructor(constructed, 8000, 8000, 32);
  expect(raised.TakeOne() == "OutOfMemoryException", "the constructor did not raise");
  RuntimeUnlockObject(constructed);
  // 36 MB: the server holds them, but this process has no room left for their copy.
  expect(qvtest::LimitAddressSpace(24 << 20), "no address-space limit");
  RuntimeObject* picture = newPicture(3000, 3000, 32);
  RuntimeObject* surface = picture ? pictureRGBSurfaceGetter(picture, 0) : nullptr;
  expect(surface != nullptr, "no surface for a picture the server holds");
  if (surface) {
    rgbSurfaceSetPixel(surface, 10, 20, 0x123456);
    expect(rgbSurfaceGetPixel(surface, 10, 20) == 0x123456, "the pixel set did not read back");
    expect(rgbSurfaceGetPixel(surface, 11, 20) == 0xFFFFFF, "a white pixel did not read back");
    expect(raised.TakeOne().empty(), "reading and setting pixels raised");
    rgbSurfaceSeedFill(surface, 0, 0, 0xFF0000);
    expect(raised.TakeOne() == "OutOfMemoryException", "FloodFill did not raise");
    RuntimeArray* map = IdentityMap();
    rgbSurfaceTransform(surface, map);
    expect(raised.TakeOne() == "OutOfMemoryException", "Transform did not raise");
    RuntimeUnlockArray(map);
    RuntimeUnlockObject(surface);
  }
  RuntimeUnlockObject(picture);
  std::fputs(problems.c_str(), stderr);
  std::_Exit(problems.empty() ? 0 : 1);
}

// A side no surface can hold: nil and the exception, as for a pixmap the server refuses; vector
// pictures of that size, and pictures that fit, are made as before.
TEST(PictureMemory, APictureWhosePixelsCannotBeHadIsNilOrRaises) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  qvtest::RaisedExceptions raised;
  EXPECT_EQ(newPicture(40000, 10, 32), nullptr);
  EXPECT_EQ(newPicture(10, 32768, 24), nullptr);
  RuntimeObject* object = NewObjectFromDefinition(PictureClassDefinition());
  PictureConstructor(object, 40000, 10, 32);
  EXPECT_EQ(raised.TakeOne(), "OutOfMemoryException");
  RuntimeUnlockObject(object);
  for (RuntimeObject* made : {newPicture(40000, 10, 0), newPicture(32767, 1, 32)}) {
    EXPECT_NE(made, nullptr);
    RuntimeUnlockObject(made);
  }
  EXPECT_EQ(raised.TakeOne(), "");
}

// The child runs this test again from the start, connected to the small server through the
// DISPLAY it was given: it must not start a server of its own (which would hold the pipe that
// the parent reads until the child's end).
TEST(PictureMemoryDeathTest, PixelsBeyondTheMemoryAreNeverTakenForThere) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  constexpr const char* kMarker = "QVTEST_SMALL_X_SERVER";
  std::unique_ptr<SmallXServer> server;
  const std::string display = getenv("DISPLAY") ? getenv("DISPLAY") : "";
  if (!getenv(kMarker)) {
    server = std::make_unique<SmallXServer>(128 << 20);
    ASSERT_NE(server->display(), "") << "Xvfb did not start";
    setenv("DISPLAY", server->display().c_str(), 1);
    setenv(kMarker, "1", 1);
  }
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(CheckPicturesBeyondTheMemory(), testing::ExitedWithCode(0), "");
  if (server) {
    EXPECT_EQ(server->State(), "running") << "the small server on " << server->display();
  }
  setenv("DISPLAY", display.c_str(), 1);
  unsetenv(kMarker);
}

}  // namespace
