// The packed check-box and radio-button application (tests/images/controls/togglesapp.c) run
// as a program of its own and worked with xdotool: clicks, the space key and mnemonics each
// run one compiled Action handler, one radio button is checked after each, Value False from
// code clears the group without an Action and Value True runs one, and a handler that closes
// the window ends the program cleanly.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "ImageAppTest.h"

namespace {

class ToggleImage : public qvtest::ImageAppTest {
 protected:
  void SetUp() override { Start({.program = TOGGLESAPP_EXE}, "Options"); }
  // Does the step, then waits until the output reads expected.
  void Expect(const std::function<void()>& step, const std::string& line) {
    expected += line + "\n";
    step();
    ASSERT_TRUE(app->WaitForOutput(expected)) << app->Output() << app->Errors();
  }
  std::string expected;
};

TEST_F(ToggleImage, ClicksKeysAndMnemonicsEachRunOneActionAndOneRadioButtonIsChecked) {
  EXPECT_EQ(app->Output(), "");
  Expect([&] { ClickAt(40, 32); }, "Wrap.Action Wrap=True Small=False Medium=True Large=False");
  Expect([&] { XDoTool({"key", "space"}); },
         "Wrap.Action Wrap=False Small=False Medium=True Large=False");
  Expect([&] { XDoTool({"key", "alt+w"}); },
         "Wrap.Action Wrap=True Small=False Medium=True Large=False");
  Expect([&] { ClickAt(40, 122); }, "Large.Action Wrap=True Small=False Medium=False Large=True");
  expected += "Small.Action Wrap=True Small=True Medium=False Large=False\n";
  expected += "Cleared Wrap=True Small=False Medium=False Large=False\n";
  Expect([&] { XDoTool({"key", "alt+s"}); },
         "Large.Action Wrap=True Small=False Medium=False Large=True");
  expected += "Wrap.Action Wrap=False Small=False Medium=False Large=True\n";
  ClickAt(40, 32);
  const int status = app->Finish();
  EXPECT_TRUE(qvtest::ExitedWith(status, 0)) << app->Errors();
  EXPECT_EQ(app->Output(), expected + "RuntimeRun returned\n");
  EXPECT_EQ(app->Errors().find("Runtime Error"), std::string::npos) << app->Errors();
}

}  // namespace
