// Message boxes under a real display with a responder pressing each button, the dialog read
// back from the toolkit, and the console path without a display.
#include <gtest/gtest.h>

#include "support/ScopedNoDisplay.h"
#include "support/TestSupport.h"
#include "windows/MessageBox.h"
#include "windows/MessageBoxDialog.h"

namespace {

// What the person saw, and which button (0 action, 1 cancel, 2 alternate, -1 the window's
// close box) they press.
struct Person {
  int32_t press = 0;
  int32_t defaultButton = -2;
  std::string text, captions;  // message|explanation|title and action|cancel|alternate

  static int32_t Respond(const MessageDialogView& view, void* context) {
    auto& p = *static_cast<Person*>(context);
    p.text = std::string(view.message) + "|" + view.explanation + "|" + view.title;
    p.captions.clear();
    for (const char* c : view.captions) p.captions += std::string(c ? c : "") + "|";
    p.defaultButton = view.defaultButton;
    return p.press;
  }
};

struct MessageBoxTest : testing::Test {
  void SetUp() override {
    if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
    SetMessageDialogResponder(Person::Respond, &mPerson);
  }
  void TearDown() override { SetMessageDialogResponder(nullptr, nullptr); }
  Person mPerson;
};

// The buttons each style shows and their codes, in the order action, cancel, alternate; code 0
// is a hidden button. Styles 6 and 7 have no buttons of their own and show OK.
const struct {
  const char* captions;
  int32_t codes[3];
} kStyles[] = {
    {"OK|||", {1, 0, 0}},      {"OK|Cancel||", {1, 2, 0}}, {"Retry|Abort|Ignore|", {4, 3, 5}},
    {"Yes|Cancel|No|", {6, 2, 7}}, {"Yes||No|", {6, 0, 7}}, {"Retry|Cancel||", {4, 2, 0}},
    {"OK|||", {1, 0, 0}},      {"OK|||", {1, 0, 0}},
};

TEST_F(MessageBoxTest, EveryStyleEveryButtonEveryDefault) {
  string message("Save changes?\nYour edits are lost otherwise.");
  string title("Editor");
  for (int32_t style = 0; style < 8; ++style) {
    std::vector<int32_t> shown;
    for (int32_t i = 0; i < 3; ++i) {
      if (kStyles[style].codes[i]) shown.push_back(i);
    }
    for (int32_t position = 0; position < 3; ++position) {
      for (int32_t press : shown) {
        mPerson.press = press;
        SCOPED_TRACE(testing::Message() << style << " " << position << " " << press);
        EXPECT_EQ(VB_RuntimeMsgBox(message.Storage(), style + 256 * position, title.Storage()),
                  kStyles[style].codes[press]);
        EXPECT_EQ(mPerson.text, "Save changes?|Your edits are lost otherwise.|Editor");
        EXPECT_EQ(mPerson.defaultButton, shown[size_t(position) < shown.size() ? position : 0]);
        EXPECT_EQ(mPerson.captions, kStyles[style].captions);
      }
    }
  }
}

TEST_F(MessageBoxTest, ClosingTheWindowCancelsOrTakesTheDefaultAndWideTextShows) {
  mPerson.press = -1;
  for (auto [style, code] : {std::pair{3, kMsgBoxCancel}, {4 + 256, kMsgBoxNo}, {0, kMsgBoxOK}}) {
    EXPECT_EQ(VB_RuntimeMsgBox(string("Close me").Storage(), style, nullptr), code);
  }
  string utf8 = string::FromBytes("Caf\xC3\xA9 closed\n\xE2\x82\xAC", 16, kEncodingUTF8);
  RuntimeMsgBox(utf8.Storage());
  EXPECT_EQ(mPerson.text, "Caf\xC3\xA9 closed|\xE2\x82\xAC|");
  EXPECT_EQ(mPerson.captions, "OK|||");
  EXPECT_EQ(mPerson.defaultButton, kDefaultActionButton);
  mPerson.press = kDefaultActionButton;
  EXPECT_EQ(VB_RuntimeMsgBox(left(utf8, 12).GetUTF16String().Storage(), 1, nullptr), kMsgBoxOK);
  EXPECT_EQ(mPerson.text, "Caf\xC3\xA9 closed||");
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
