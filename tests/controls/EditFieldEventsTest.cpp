// Edit panes over real GtkEntry and GtkTextView widgets, typed into with XTest: what each key,
// click and focus change reports to the delegate, in which order, and what reaches the text;
// handlers that close the window while the pane is on the stack (the sanitizer build runs
// these too).
#include <gtest/gtest.h>

#include <algorithm>

#include "EditFieldFixtures.h"
#include "windows/WindowObject.h"

namespace qvtest {
namespace {

using Log = std::vector<std::string>;

std::string TextOf(EditControl* field) {
  const string text = field->GetText(kEncodingUTF8);
  return std::string(text.CString(), size_t(text.Length()));
}

class EditFieldEventsTest : public EditFieldTest {};

// A letter: KeyDown, the mask check, the text change, and on the key's release the moved
// caret; a letter above 127 reaches KeyDown and the mask check as its UTF-8 text.
TEST_F(EditFieldEventsTest, ALetterRaisesKeyDownMaskTextChangeAndSelChangeInBothKinds) {
  for (bool multiLine : {false, true}) {
    SCOPED_TRACE(multiLine ? "multi-line" : "single-line");
    EditControlGTK* field = Make(multiLine, false, {int16_t(20 + 60 * multiLine), 20, int16_t(70 + 60 * multiLine), 180});
    ASSERT_NE(field, nullptr);
    Focus(field);
    TypeAndWait("a", 4);
    EXPECT_EQ(delegate.Take(), (Log{"KeyDown:a", "Mask:0,0,0,a", "TextChange:a", "SelChange:1,0"}));
    TypeAndWait("\xC3\xA9", 4);
    EXPECT_EQ(delegate.Take(), (Log{"KeyDown:\xC3\xA9", "Mask:1,0,1,\xC3\xA9",
                                    "TextChange:a\xC3\xA9", "SelChange:2,0"}));
    EXPECT_EQ(field->TextLength(), 2);
  }
}

TEST_F(EditFieldEventsTest, AKeyDownAnsweringTrueKeepsTheKeyFromTheText) {
  EditControlGTK* field = Make(false, false);
  ASSERT_NE(field, nullptr);
  Focus(field);
  delegate.takenKeys = {"x"};
  TypeAndWait("xy", 5);
  EXPECT_EQ(delegate.Take(),
            (Log{"KeyDown:x", "KeyDown:y", "Mask:0,0,0,y", "TextChange:y", "SelChange:1,0"}));
  EXPECT_EQ(TextOf(field), "y");
}

TEST_F(EditFieldEventsTest, RefusedEditsLeaveTheTextAlone) {
  EditControlGTK* field = Make(false, false);
  ASSERT_NE(field, nullptr);
  Focus(field);
  delegate.refuseEdits = true;
  TypeAndWait("q", 2);
  EXPECT_EQ(delegate.Take(), (Log{"KeyDown:q", "Mask:0,0,0,q"}));
  EXPECT_EQ(TextOf(field), "");
}

// Tab is no edit: without accept tabs it goes unchecked to GTK, with them it replaces the
// selection by a tab character in either kind.
TEST_F(EditFieldEventsTest, TabIsInsertedOnlyWithAcceptTabs) {
  EditControlGTK* single = Make(false, false);
  EditControlGTK* multi = Make(true, false, {60, 20, 120, 180});
  ASSERT_TRUE(single && multi);
  Focus(single);
  KeyAndWait("Tab", 1);
  EXPECT_EQ(delegate.Take().front(), "KeyDown:9");
  EXPECT_EQ(TextOf(single), "");
  for (EditControlGTK* field : {single, multi}) {
    field->SetText("abc");
    field->SetAcceptTabs(true);
    Focus(field);
    field->SetSelection(1, 2);
    KeyAndWait("Tab", 3);
    EXPECT_EQ(TextOf(field), "a\tc");
    const Log log = delegate.Take();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "KeyDown:9");
    EXPECT_EQ(std::count(log.begin(), log.end(), "Mask:1,1,1,\t"), 0);
  }
}

TEST_F(EditFieldEventsTest, ReturnBreaksTheLineOnlyInAMultiLineField) {
  EditControlGTK* single = Make(false, false);
  EditControlGTK* multi = Make(true, false, {60, 20, 120, 180});
  ASSERT_TRUE(single && multi);
  for (EditControlGTK* field : {single, multi}) {
    field->SetText("abc");
    Focus(field);
    field->SetSelection(1, 2);
    KeyAndWait("Return", 1);
    gui.PumpUntil([&] { return TextOf(field) != "abc"; }, 300);
  }
  EXPECT_EQ(TextOf(single), "abc");
  EXPECT_EQ(TextOf(multi), "a\nc");
  EXPECT_EQ(multi->GetSelStart(), 2);
}

// Nothing to delete: the key goes to GTK without a mask check of a start before the text or a
// range past it (the moved caret is reported first, as for any key).
TEST_F(EditFieldEventsTest, BackspaceAtTheStartAndDeleteAtTheEndAreNotChecked) {
  for (bool multiLine : {false, true}) {
    SCOPED_TRACE(multiLine ? "multi-line" : "single-line");
    EditControlGTK* field =
        Make(multiLine, false, {int16_t(20 + 60 * multiLine), 20, int16_t(70 + 60 * multiLine), 180});
    ASSERT_NE(field, nullptr);
    field->SetText("ab");
    Focus(field);
    field->SetSelStart(0);
    field->CheckSelectionChanged();
    delegate.Take();
    KeyAndWait("BackSpace", 1);
    field->SetSelStart(2);
    KeyAndWait("Delete", 2);
    EXPECT_EQ(delegate.Take(), (Log{"KeyDown:8", "KeyDown:127", "SelChange:2,0"}));
    EXPECT_EQ(TextOf(field), "ab");
    KeyAndWait("BackSpace", 3);
    const Log log = delegate.Take();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0], "KeyDown:8");
    EXPECT_EQ(log[1], "Mask:1,1,1,");
    EXPECT_EQ(log[2], "TextChange:a");
  }
}

// A MouseDown handler that takes the click and moves the caret: the release reports the moved
// selection before MouseUp. A click the handler leaves to GTK moves the caret itself.
TEST_F(EditFieldEventsTest, AClickGivesMouseDownThenSelChangeBeforeMouseUp) {
  EditControlGTK* field = Make(true, false, {20, 20, 120, 180});
  ASSERT_NE(field, nullptr);
  field->SetText("hello world, and more words");
  Focus(field);
  field->SetSelStart(0);
  field->CheckSelectionChanged();
  delegate.Take();
  const ScreenArea area = gui.Area(Input(field));
  delegate.selectOnMouseDown = 5;
  gui.Click(area.x + 60, area.y + 8);
  ASSERT_TRUE(gui.PumpUntil([&] { return delegate.log.size() >= 3; }));
  gui.Settle();
  EXPECT_EQ(delegate.Take(), (Log{"MouseDown:", "SelChange:5,0", "MouseUp:"}));
  delegate.selectOnMouseDown = -1;
  delegate.takeMouse = false;
  gui.Click(area.x + 4, area.y + 8);
  ASSERT_TRUE(gui.PumpUntil([&] { return delegate.log.size() >= 2; }));
  gui.Settle();
  EXPECT_EQ(delegate.Take(), (Log{"MouseDown:", "SelChange:0,0"}));
}

TEST_F(EditFieldEventsTest, GainingTheFocusRaisesNoSelChange) {
  EditControlGTK* first = Make(false, false);
  EditControlGTK* second = Make(true, false, {60, 20, 120, 180});
  ASSERT_TRUE(first && second);
  second->SetText("some text");
  second->SetSelection(2, 5);
  Focus(first);
  second->SetKeyboardFocus();
  ASSERT_TRUE(gui.PumpUntil([&] { return GTK_WIDGET_HAS_FOCUS(second->TextView()); }));
  gui.Settle();
  EXPECT_EQ(delegate.Take(), (Log{"LostFocus:", "GotFocus:"}));
  EXPECT_EQ(second->GetSelStart(), 2);
}

// Each handler closes the window while the pane is still on the stack: no later event, and
// nothing touched in freed memory.
TEST_F(EditFieldEventsTest, HandlersClosingTheWindowEndTheKey) {
  for (const char* event : {"KeyDown", "TextChange", "SelChange"}) {
    SCOPED_TRACE(event);
    kit.log.clear();
    window = nullptr;
    EditControlGTK* field = Make(false, false);
    ASSERT_NE(field, nullptr);
    Focus(field);
    delegate.closeOn = event;
    gui.Type("a");
    ASSERT_TRUE(gui.PumpUntil([&] { return AsWindow(window)->mImp == nullptr; }));
    gui.Settle();
    const Log log = delegate.Take();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().substr(0, log.back().find(':')), event);
  }
}

}  // namespace
}  // namespace qvtest
