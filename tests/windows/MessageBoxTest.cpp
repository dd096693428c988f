// Message boxes under a real display with a responder pressing each button, the dialog read
// back from the toolkit, and the console path without a display.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ScopedNoDisplay.h"
#include "support/TestSupport.h"
#include "windows/MessageBox.h"
#include "windows/MessageBoxDialog.h"

namespace {

// What the person saw, and which button (0 action, 1 cancel, 2 alternate, -1 the window's
// close box) they press.
struct Person {
  int32_t press = 0;
  int calls = 0;
  std::string message, explanation, title;
  std::string captions[3];
  int32_t defaultButton = -2;

  static int32_t Respond(const MessageDialogView& view, void* context) {
    auto* person = static_cast<Person*>(context);
    ++person->calls;
    person->message = view.message;
    person->explanation = view.explanation;
    person->title = view.title;
    for (int i = 0; i < 3; ++i) person->captions[i] = view.captions[i] ? view.captions[i] : "";
    person->defaultButton = view.defaultButton;
    return person->press;
  }
};

class MessageBoxTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
    SetMessageDialogResponder(Person::Respond, &mPerson);
  }
  void TearDown() override { SetMessageDialogResponder(nullptr, nullptr); }
  Person mPerson;
};

// The buttons each style shows, as (caption, code) in the order action, cancel, alternate;
// an empty caption is a hidden button.
struct StyleButtons {
  const char* captions[3];
  int32_t codes[3];
};
const StyleButtons kStyles[] = {
    {{"OK", "", ""}, {1, 0, 0}},
    {{"OK", "Cancel", ""}, {1, 2, 0}},
    {{"Retry", "Abort", "Ignore"}, {4, 3, 5}},
    {{"Yes", "Cancel", "No"}, {6, 2, 7}},
    {{"Yes", "", "No"}, {6, 0, 7}},
    {{"Retry", "Cancel", ""}, {4, 2, 0}},
};

TEST_F(MessageBoxTest, EveryStyleEveryButtonEveryDefault) {
  string message("Save changes?\nYour edits are lost otherwise.");
  string title("Editor");
  for (int style = 0; style < 6; ++style) {
    std::vector<int32_t> shown;
    for (int32_t i = 0; i < 3; ++i) {
      if (*kStyles[style].captions[i]) shown.push_back(i);
    }
    for (int position = 0; position < 3; ++position) {
      int32_t expectedDefault = position < static_cast<int>(shown.size()) ? shown[position]
                                                                           : shown[0];
      for (int32_t press : shown) {
        mPerson.press = press;
        int32_t code = VB_RuntimeMsgBox(message.Storage(), style + 256 * position,
                                        title.Storage());
        SCOPED_TRACE(testing::Message() << "style " << style << " default " << position
                                        << " press " << press);
        EXPECT_EQ(code, kStyles[style].codes[press]);
        EXPECT_EQ(mPerson.message, "Save changes?");
        EXPECT_EQ(mPerson.explanation, "Your edits are lost otherwise.");
        EXPECT_EQ(mPerson.title, "Editor");
        EXPECT_EQ(mPerson.defaultButton, expectedDefault);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(mPerson.captions[i], kStyles[style].captions[i]);
      }
    }
  }
}

TEST_F(MessageBoxTest, YesNoWithNoAsDefault) {
  string message("Continue?");
  mPerson.press = kDefaultAlternateButton;
  EXPECT_EQ(VB_RuntimeMsgBox(message.Storage(), 4 + 256, nullptr), kMsgBoxNo);
  EXPECT_EQ(mPerson.defaultButton, kDefaultAlternateButton);
  EXPECT_EQ(mPerson.explanation, "");
  mPerson.press = kDefaultActionButton;
  EXPECT_EQ(VB_RuntimeMsgBox(message.Storage(), 4 + 256, nullptr), kMsgBoxYes);
  // Styles without buttons of their own show OK.
  EXPECT_EQ(VB_RuntimeMsgBox(message.Storage(), 9, nullptr), kMsgBoxOK);
  EXPECT_EQ(mPerson.captions[0], "OK");
  EXPECT_EQ(mPerson.captions[1], "");
}

TEST_F(MessageBoxTest, ClosingTheWindowCancelsOrTakesTheDefault) {
  mPerson.press = -1;
  string message("Close me");
  EXPECT_EQ(VB_RuntimeMsgBox(message.Storage(), 3, nullptr), kMsgBoxCancel);
  EXPECT_EQ(VB_RuntimeMsgBox(message.Storage(), 4 + 256, nullptr), kMsgBoxNo);
  EXPECT_EQ(VB_RuntimeMsgBox(message.Storage(), 0, nullptr), kMsgBoxOK);
}

TEST_F(MessageBoxTest, PlainMsgBoxAndWideText) {
  const char text[] = "Caf\xC3\xA9 closed\n\xE2\x82\xAC";
  string utf8 = string::FromBytes(text, sizeof text - 1, kEncodingUTF8);
  string message = left(utf8, 12).GetUTF16String();
  RuntimeMsgBox(utf8.Storage());
  EXPECT_EQ(mPerson.calls, 1);
  EXPECT_EQ(mPerson.message, "Caf\xC3\xA9 closed");
  EXPECT_EQ(mPerson.explanation, "\xE2\x82\xAC");
  EXPECT_EQ(mPerson.captions[0], "OK");
  EXPECT_EQ(mPerson.defaultButton, kDefaultActionButton);
  mPerson.press = kDefaultActionButton;
  EXPECT_EQ(VB_RuntimeMsgBox(message.Storage(), 1, nullptr), kMsgBoxOK);
  EXPECT_EQ(mPerson.message, "Caf\xC3\xA9 closed");
}

TEST(MessageBoxConsoleTest, WritesTheTextAndAnswersTheDefault) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process, started without a display
  ScopedNoDisplay noDisplay;
  EXPECT_EXIT(
      {
        string message("Disk full\nFree some space");
        int32_t code = VB_RuntimeMsgBox(message.Storage(), 4 + 256, nullptr);
        RuntimeMsgBox(string("Done").Storage());
        std::exit(code);
      },
      testing::ExitedWithCode(kMsgBoxNo), "Disk full\nFree some space\nDone\n");
  EXPECT_EXIT(std::exit(VB_RuntimeMsgBox(string("x").Storage(), 3 + 512, nullptr)),
              testing::ExitedWithCode(kMsgBoxNo), "x");
  EXPECT_EXIT(std::exit(VB_RuntimeMsgBox(string("x").Storage(), 2, nullptr)),
              testing::ExitedWithCode(kMsgBoxRetry), "x");
}

}  // namespace
