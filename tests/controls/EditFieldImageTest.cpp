// The packed edit-field application (tests/images/controls/editfieldapp.c) run as a program of
// its own and typed into with xdotool: the compiled KeyDown, TextChange and ValidationError
// handlers print what they hear, the mask shows its literals and refuses what does not fit,
// Return quits; the label shows "Phone:" with only its mnemonic underlined.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <memory>

#include "ImageAppTest.h"

namespace {

class EditFieldImage : public qvtest::ImageAppTest {
 protected:
  void SetUp() override { Start({.program = EDITFIELDAPP_EXE}, "Entry"); }
  // Types key, then waits until the output reads expected.
  void Expect(const std::string& key, const std::string& lines) {
    expected += lines;
    XDoTool({"key", key});
    ASSERT_TRUE(app->WaitForOutput(expected)) << app->Output() << app->Errors();
  }
  std::string expected;
};

TEST_F(EditFieldImage, TypingRunsTheCompiledHandlersAndTheMaskRefusesWhatDoesNotFit) {
  // The Open handler's Mask shows its "(" at once, which changes the text.
  expected = "TextChange (\n";
  ASSERT_TRUE(app->WaitForOutput(expected)) << app->Output() << app->Errors();
  const qvtest::ScreenArea area = gui.Area(xid);
  // The label: "Phone:" with only the P underlined. The underline is the lowest row of ink
  // ("Phone:" has no descenders); it spans no more than the P.
  ASSERT_TRUE(gui.PumpUntil([&] {
    const qvtest::Screenshot label = gui.Capture({area.x + 20, area.y + 20, 70, 25});
    return label.width() == 70 && label.CountPixels(0x000000, 0x60) > 20;
  }));
  const qvtest::Screenshot label = gui.Capture({area.x + 20, area.y + 20, 70, 25});
  int inkLeft = 70, inkRight = -1, lowest = -1;
  auto dark = [&](int x, int y) {
    const uint32_t p = label.Pixel(x, y);
    return ((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF)) < 3 * 0xB0;  // the line is grey
  };
  for (int y = 0; y < label.height(); ++y) {
    for (int x = 0; x < label.width(); ++x) {
      if (!dark(x, y)) continue;
      inkLeft = std::min(inkLeft, x);
      inkRight = std::max(inkRight, x);
      lowest = y;
    }
  }
  ASSERT_GE(lowest, 0);
  int underlined = 0;
  for (int x = 0; x < label.width(); ++x) underlined += dark(x, lowest);
  EXPECT_GT(underlined, 3);
  EXPECT_LT(underlined * 3, inkRight - inkLeft) << "more than the P underlined";

  // Right of the "(" the Open handler's mask shows.
  XDoTool({"mousemove", std::to_string(area.x + 260), std::to_string(area.y + 32), "click", "1"});
  Expect("5", "KeyDown 5\nTextChange (5\n");
  Expect("x", "KeyDown x\n");  // swallowed
  Expect("5", "KeyDown 5\nTextChange (55\n");
  Expect("a", "KeyDown a\nValidationError (55a 4\n");
  Expect("5", "KeyDown 5\nTextChange (555)-\n");
  Expect("Return", "Return (555)- 6\n");
  const int status = app->Finish();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << app->Errors();
  EXPECT_EQ(app->Output(), expected);
}

}  // namespace
