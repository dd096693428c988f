// The Screen class against the display: its size and depth from GDK, and the usable area from
// the window manager's _NET_WORKAREA property, set and removed with xprop.
#include "windows/ScreenClass.h"

#include <gdk/gdk.h>
#include <gtest/gtest.h>

#include "core/FieldAccessors.h"
#include "support/TestSupport.h"

namespace {

constexpr const char* kWorkArea = "_NET_WORKAREA";

class ScreenTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
    const std::string shown = qvtest::ProgramOutput({"xprop", "-root", "-notype", kWorkArea});
    const size_t equals = shown.find(" = ");
    if (equals != std::string::npos) mSaved = shown.substr(equals + 3);
  }
  // The window manager's own value goes back.
  void TearDown() override {
    if (!mSaved.empty()) SetWorkArea(mSaved);
  }
  void SetWorkArea(const std::string& values) {
    ASSERT_EQ(qvtest::RunProgram({"xprop", "-root", "-f", kWorkArea, "32c", "-set", kWorkArea,
                                  values}),
              0);
  }
  // Left, top, width, height, then the same of the usable area, through the class's getters.
  static std::vector<int32_t> Measure() {
    RuntimeObject* screen = getScreen(0);
    if (!screen) return {};
    std::vector<int32_t> values = {screenLeftGetter(screen, 0), screenTopGetter(screen, 0),
                                   screenWidthGetter(screen, 0), screenHeightGetter(screen, 0)};
    for (uint32_t at = offsetof(ScreenObject, availableLeft); at < 64; at += 4) {
      values.push_back(intGetter(screen, at));
    }
    EXPECT_EQ(screenDepthGetter(screen, 0), 24);
    RuntimeUnlockObject(screen);
    return values;
  }
  std::string mSaved;
};

TEST_F(ScreenTest, TheUsableAreaIsTheFirstDesktopsWorkArea) {
  // scripts/with-display runs a 1280 x 1024 screen.
  SetWorkArea("10, 20, 1000, 900, 0, 0, 1280, 1024, 5, 5, 50, 50");  // three desktops
  EXPECT_EQ(Measure(), (std::vector<int32_t>{0, 0, 1280, 1024, 10, 20, 1000, 900}));
}

TEST_F(ScreenTest, WithoutAWorkAreaTheWholeScreenIsUsable) {
  ASSERT_EQ(qvtest::RunProgram({"xprop", "-root", "-remove", kWorkArea}), 0);
  EXPECT_EQ(Measure(), (std::vector<int32_t>{0, 0, 1280, 1024, 0, 0, 1280, 1024}));
  SetWorkArea("1, 2, 3");  // too short to use
  EXPECT_EQ(Measure(), (std::vector<int32_t>{0, 0, 1280, 1024, 0, 0, 1280, 1024}));
}

TEST_F(ScreenTest, ThereIsOneScreenAndEachCallMakesANewObject) {
  EXPECT_EQ(getScreenCount(), 1);
  EXPECT_EQ(getScreen(1), nullptr);
  EXPECT_EQ(getScreen(-1), nullptr);
  RuntimeObject* first = getScreen(0);
  RuntimeObject* second = getScreen(0);
  EXPECT_NE(first, second);
  EXPECT_EQ(first->refCount, 1);
  RuntimeUnlockObject(first);
  RuntimeUnlockObject(second);
}

}  // namespace
