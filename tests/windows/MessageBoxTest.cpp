// Message boxes on a real display, answered as a person would (buttons clicked, keys pressed,
// the window closed through the window manager) and read back as shown; and the console path
// without a display.
#include <gtest/gtest.h>

#include "MessageDialogFixtures.h"
#include "support/GuiDriver.h"
#include "support/ScopedNoDisplay.h"
#include "controls/MessageBox.h"
#include "controls/UnhandledExceptionDialog.h"

namespace {

using qvtest::XWindow;
using Texts = std::vector<std::string>;

// The buttons each style shows, left to right (action, alternate, cancel), and the code of each. Styles 6 and 7 have no
// buttons of their own and show OK.
struct Style {
  Texts captions;
  std::vector<int32_t> codes;
  std::vector<int32_t> defaults;  // the code of the default for positions 0, 1 and 2
};
const Style kStyles[] = {
    {{"OK"}, {1}, {1, 1, 1}},
    {{"OK", "Cancel"}, {1, 2}, {1, 2, 1}},
    {{"Retry", "Ignore", "Abort"}, {4, 5, 3}, {4, 3, 5}},
    {{"Yes", "No", "Cancel"}, {6, 7, 2}, {6, 2, 7}},
    {{"Yes", "No"}, {6, 7}, {6, 7, 6}},
    {{"Retry", "Cancel"}, {4, 2}, {4, 2, 4}},
    {{"OK"}, {1}, {1, 1, 1}},
    {{"OK"}, {1}, {1, 1, 1}},
};

class MessageBoxTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }
  // Shows a message box and answers it, once it is on screen and has the focus, with person;
  // the code the box gives. The box is gone when the call returns.
  int32_t Answer(const string& message, int32_t style, const char* title,
                 const std::function<void(XWindow)>& person) {
    XWindow box = 0;
    gui.Meanwhile([&] {
      box = gui.WaitForWindow(title ? title : "");
      ASSERT_TRUE(box);
      ASSERT_TRUE(gui.WaitForFocus(box));
      person(box);
    });
    const int32_t code =
        VB_RuntimeMsgBox(message.Storage(), style, title ? string(title).Storage() : nullptr);
    EXPECT_TRUE(gui.StepsDone());
    EXPECT_TRUE(gui.WaitUntilClosed(box));
    return code;
  }
  qvtest::GuiDriver gui;
  const string kMessage{"Save changes?\nYour edits are lost otherwise."};
};

TEST_F(MessageBoxTest, EveryStyleShowsItsButtonsAndEachAnswersItsCode) {
  for (int32_t style = 0; style < 8; ++style) {
    const Style& expected = kStyles[style];
    for (size_t button = 0; button < expected.captions.size(); ++button) {
      SCOPED_TRACE(testing::Message() << "style " << style << " button " << button);
      const int32_t code = Answer(kMessage, style, "Editor", [&](XWindow box) {
        EXPECT_EQ(gui.ButtonCaptions(box), expected.captions);
        gui.Click(gui.FindButton(box, expected.captions[button]));
      });
      EXPECT_EQ(code, expected.codes[button]);
    }
  }
}

// Return presses the default button: the first, second or third shown (action, cancel,
// alternate), the first when there are fewer.
TEST_F(MessageBoxTest, ReturnPressesTheDefaultButtonOfEachPosition) {
  for (int32_t style = 0; style < 8; ++style) {
    for (int32_t position = 0; position < 3; ++position) {
      SCOPED_TRACE(testing::Message() << "style " << style << " position " << position);
      const int32_t code =
          Answer(kMessage, style + 256 * position, "Editor", [&](XWindow) { gui.Key("Return"); });
      EXPECT_EQ(code, kStyles[style].defaults[position]);
    }
  }
}

// Closing the window (through the window manager, or Escape) counts as Cancel when the box
// shows one, else as its default button.
TEST_F(MessageBoxTest, ClosingTheWindowCancelsOrTakesTheDefault) {
  const auto close = [&](XWindow box) { gui.Close(box); };
  EXPECT_EQ(Answer(kMessage, 3, "Editor", close), kMsgBoxCancel);
  EXPECT_EQ(Answer(kMessage, 4 + 256, "Editor", close), kMsgBoxNo);
  EXPECT_EQ(Answer(kMessage, 0, "Editor", close), kMsgBoxOK);
  EXPECT_EQ(Answer(kMessage, 1, "Editor", [&](XWindow) { gui.Key("Escape"); }), kMsgBoxCancel);
}

// What a box draws: whether its message and explanation regions show the given texts (an
// empty explanation: no region at all), and whether its icon is the stock icon given.
struct Drawn {
  bool message = false;
  bool explanation = false;
  bool icon = false;
};
Drawn ReadDrawn(qvtest::GuiDriver& gui, XWindow box, const std::string& message,
                const std::string& explanation, const char* stockId) {
  Drawn drawn;
  MessageDialog::Imp* window = qvtest::ShownMessageDialog();
  if (!window) return drawn;
  drawn.message = qvtest::DifferingTextPixels(gui, box, window->MessageRect(), message,
                                              window->MessageFont()) == 0;
  const QV::Rect& rect = window->ExplanationRect();
  drawn.explanation = explanation.empty()
                          ? rect.bottom == rect.top
                          : qvtest::DifferingTextPixels(gui, box, rect, explanation,
                                                        window->ExplanationFont()) == 0;
  drawn.icon = qvtest::DifferingIconPixels(gui, box, window->IconLeft(), window->IconTop(),
                                           stockId) == 0;
  return drawn;
}

// The first line is the message, the rest the explanation; a nil title leaves the box
// untitled; UTF-8 and 16-bit text show as the same characters.
TEST_F(MessageBoxTest, TheTextsShowAsGivenInAnyEncoding) {
  Drawn shown;
  std::string message, explanation;
  const auto read = [&](XWindow box) {
    shown = ReadDrawn(gui, box, message, explanation, GTK_STOCK_DIALOG_INFO);
    gui.Key("Return");
  };
  message = "Save changes?";
  explanation = "Your edits are lost otherwise.";
  EXPECT_EQ(Answer(kMessage, 0, "Editor", read), kMsgBoxOK);
  EXPECT_TRUE(shown.message && shown.explanation);
  const string utf8 = string::FromBytes("Caf\xC3\xA9 closed\n\xE2\x82\xAC", 16, kEncodingUTF8);
  message = "Caf\xC3\xA9 closed";
  explanation = "\xE2\x82\xAC";
  EXPECT_EQ(Answer(utf8, 0, nullptr, read), kMsgBoxOK);
  EXPECT_TRUE(shown.message && shown.explanation);
  explanation = "";
  EXPECT_EQ(Answer(left(utf8, 12).GetUTF16String(), 0, nullptr, read), kMsgBoxOK);
  EXPECT_TRUE(shown.message && shown.explanation);
}

// The unhandled-exception report shows the error icon beside its texts; a message box the
// information icon.
TEST_F(MessageBoxTest, TheExceptionReportShowsTheErrorIcon) {
  Drawn shown, other;
  const auto read = [&](const char* stockId, const char* otherId, const std::string& message,
                        const std::string& explanation) {
    return [&, stockId, otherId, message, explanation](XWindow box) {
      shown = ReadDrawn(gui, box, message, explanation, stockId);
      other = ReadDrawn(gui, box, message, explanation, otherId);
      gui.Key("Return");
    };
  };
  const auto report = read(GTK_STOCK_DIALOG_ERROR, GTK_STOCK_DIALOG_INFO, "Not handled",
                           "Exception Message: why");
  gui.Meanwhile([&] {
    const XWindow box = gui.WaitForWindow("");
    ASSERT_TRUE(box);
    ASSERT_TRUE(gui.WaitForFocus(box));
    report(box);
  });
  ShowUnhandledExceptionDialog(string("Not handled"), string("Exception Message: why"));
  EXPECT_TRUE(gui.StepsDone());
  EXPECT_TRUE(shown.icon && shown.message && shown.explanation);
  EXPECT_FALSE(other.icon);
  EXPECT_EQ(Answer(kMessage, 0, "Editor",
                   read(GTK_STOCK_DIALOG_INFO, GTK_STOCK_DIALOG_ERROR, "Save changes?",
                        "Your edits are lost otherwise.")),
            kMsgBoxOK);
  EXPECT_TRUE(shown.icon && shown.message && shown.explanation);
  EXPECT_FALSE(other.icon);
}

TEST(MessageBoxConsoleTest, WritesTheTextAndAnswersTheDefault) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process, started without a display
  ScopedNoDisplay noDisplay;
  for (auto [style, code] :
       {std::pair{4 + 256, kMsgBoxNo}, {3 + 512, kMsgBoxNo}, {2, kMsgBoxRetry}}) {
    EXPECT_EXIT(
        {
          RuntimeMsgBox(string("Done").Storage());
          std::exit(VB_RuntimeMsgBox(string("Disk full\nFree").Storage(), style, nullptr));
        },
        testing::ExitedWithCode(code), "Done\nDisk full\nFree\n");
  }
}

}  // namespace
