// The EditField language class on a real display, typed into with real keys: its events
// through the router, the input mask on single- and multi-line fields, Format, AppendText, the
// edit menu's commands, data binding, the StyledText property, and handlers that close the
// window or drop the field while the router is on the stack (the sanitizer build runs these).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "SimpleControlFixtures.h"
#include "ToggleFixtures.h"
#include "controls/ControlAccessors.h"
#include "controls/EditControlGTK.h"
#include "controls/EditField.h"
#include "controls/StyledText.h"
#include "controls/RuntimeControl.h"
#include "core/ClassFieldAccessors.h"
#include "core/ExceptionClasses.h"
#include "core/Exceptions.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "database/DataBinding.h"
#include "support/GuiDriver.h"
#include "windows/MenuItemClass.h"
#include "windows/PaneFocus.h"
#include "windows/WindowControls.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

using Log = std::vector<std::string>;
using qvtest::Kit;

std::string Text(stringStorage* s) {
  return s ? std::string(stringStorage::CString(s), size_t(stringStorage::Length(s))) : "";
}
std::string Take(stringStorage* s) {
  std::string text = Text(s);
  stringStorage::RemoveReference(s);
  return text;
}
string Str(const std::string& s) { return string::FromBytes(s.data(), int64_t(s.size()), kEncodingUTF8); }

// What the handlers answer and do.
std::set<std::string> gTakenKeys;
int gBeeps = 0;
int gKeyReleases = 0;  // key releases the focused field's widget has handled

void Hear(RuntimeObject* field, const std::string& event) {
  const std::string entry = qvtest::ControlName(field) + "." + event;
  Kit().log.push_back(entry);
  if (Kit().script) Kit().script(entry, field);
}

int32_t OnKeyDown(RuntimeObject* field, stringStorage* key) {
  const std::string text = Text(key);
  Hear(field, "KeyDown " + (text == "\r" ? std::string("Return") : text));
  return gTakenKeys.count(text) ? 1 : 0;
}
void OnTextChange(RuntimeObject* field) {
  Hear(field, "TextChange " + Take(editTextGetter(field, 0)));
}
void OnSelChange(RuntimeObject* field) { Hear(field, "SelChange"); }
void OnGotFocus(RuntimeObject* field) { Hear(field, "GotFocus"); }
void OnLostFocus(RuntimeObject* field) { Hear(field, "LostFocus"); }
int32_t OnMouseDown(RuntimeObject* field, int32_t, int32_t) {
  Hear(field, "MouseDown");
  return Kit().mouseDownTakes ? 1 : 0;
}
void OnMouseUp(RuntimeObject* field, int32_t, int32_t) { Hear(field, "MouseUp"); }
void OnValidationError(RuntimeObject* field, stringStorage* invalid, int32_t start) {
  Hear(field, "ValidationError " + Text(invalid) + " " + std::to_string(start));
}
void OnEnableMenuItems(RuntimeObject* field) { Hear(field, "EnableMenuItems"); }

RuntimeClass* FieldClass(bool validationHandler) {
  static std::map<bool, RuntimeClass*> classes;
  RuntimeClass*& cls = classes[validationHandler];
  if (cls) return cls;
  cls = qvtest::Subclass("EditField", validationHandler ? "KitField" : "KitPlainField");
  qvtest::SetHandler(cls, "KeyDown", reinterpret_cast<void*>(&OnKeyDown));
  qvtest::SetHandler(cls, "TextChange", reinterpret_cast<void*>(&OnTextChange));
  qvtest::SetHandler(cls, "SelChange", reinterpret_cast<void*>(&OnSelChange));
  qvtest::SetHandler(cls, "GotFocus", reinterpret_cast<void*>(&OnGotFocus));
  qvtest::SetHandler(cls, "LostFocus", reinterpret_cast<void*>(&OnLostFocus));
  qvtest::SetHandler(cls, "MouseDown", reinterpret_cast<void*>(&OnMouseDown));
  qvtest::SetHandler(cls, "MouseUp", reinterpret_cast<void*>(&OnMouseUp));
  qvtest::SetHandler(cls, "EnableMenuItems", reinterpret_cast<void*>(&OnEnableMenuItems));
  if (validationHandler) {
    qvtest::SetHandler(cls, "ValidationError", reinterpret_cast<void*>(&OnValidationError));
  }
  return cls;
}

struct FieldPlan {
  bool multiLine = false;
  bool styled = false;
  bool validationHandler = true;
  std::string text;
  std::string format;
  int32_t limit = 0;
};

constexpr QV::Rect kFirstPlace{20, 20, 45, 220};
constexpr QV::Rect kSecondPlace{60, 20, 85, 220};
constexpr QV::Rect kBigPlace{20, 20, 120, 220};

class EditFieldClassTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = kit.OpenAndFocus(gui, "Edit fields", {}, &xid);
    gTakenKeys.clear();
    gBeeps = 0;
    SetEditFieldBeep([] { ++gBeeps; });
  }
  void TearDown() override { SetEditFieldBeep(nullptr); }

  RuntimeObject* Add(const std::string& name, const QV::Rect& place, const FieldPlan& plan) {
    RuntimeObject* field = qvtest::AddControl(
        window, FieldClass(plan.validationHandler), name, place, [&](RuntimeObject* object) {
          EditFieldObject* record = AsEditField(object);
          record->multiLine = plan.multiLine;
          record->styled = plan.styled;
          record->scrollBarVertical = plan.multiLine;
          record->border = 1;
          record->limitText = plan.limit;
          if (!plan.text.empty()) record->text = Str(plan.text).ExtractStringStorage();
          if (!plan.format.empty()) record->format = Str(plan.format).ExtractStringStorage();
        });
    EXPECT_NE(field, nullptr);
    gui.Settle();
    madeLog = kit.Take();
    return field;
  }
  EditControlGTK* Pane(RuntimeObject* field) {
    return static_cast<EditControlGTK*>(AsControl(field)->pane);
  }
  GtkWidget* Input(RuntimeObject* field) {
    EditControlGTK* pane = Pane(field);
    return pane->IsMultiLine() ? pane->TextView() : pane->GetWidget();
  }
  void Focus(RuntimeObject* field) {
    RuntimeSetFocus(field);
    GtkWidget* input = Input(field);
    if (!GTK_WIDGET_HAS_FOCUS(input)) gtk_widget_grab_focus(input);
    EXPECT_TRUE(gui.PumpUntil([&] { return GTK_WIDGET_HAS_FOCUS(input); }));
    gui.Settle();
    kit.Take();
  }
  // Types text, one key at a time, each waited for until KeyDown was heard.
  void Type(const std::string& text) {
    for (char c : text) {
      const size_t before = Count("KeyDown");
      gui.Type(std::string(1, c));
      EXPECT_TRUE(gui.PumpUntil([&] { return Count("KeyDown") > before; })) << c;
    }
    gui.Settle();
  }
  void Key(const std::string& chord) {
    const size_t before = Count("KeyDown");
    gui.Key(chord);
    EXPECT_TRUE(gui.PumpUntil([&] { return Count("KeyDown") > before; })) << chord;
    gui.Settle();
  }
  // From now on, where the selection starts at each SelChange, in selChangesAt.
  void HearSelChangesAt(RuntimeObject* field) {
    selChangesAt.clear();
    g_signal_connect(Input(field), "key-release-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*) {
                       ++gKeyReleases;
                       return FALSE;
                     }),
                     nullptr);
    kit.script = [this](const std::string& event, RuntimeObject* object) {
      if (event.ends_with(".SelChange")) selChangesAt.push_back(editSelStartGetter(object, 0));
    };
  }
  // A field holding text, focused, its caret at caret and that caret already seen; from now on
  // the SelChange events are heard with where the selection starts.
  RuntimeObject* FocusedFieldWithCaretAt(const std::string& text, int32_t caret) {
    FieldPlan plan;
    plan.text = text;
    RuntimeObject* field = Add("Field", kFirstPlace, plan);
    Focus(field);
    editSelStartSetter(field, 0, caret);
    Pane(field)->CheckSelectionChanged();
    kit.Take();
    HearSelChangesAt(field);
    return field;
  }
  // Presses and releases a key, then waits until the field has heard the release (after the
  // pane's own look) and the SelChange events expected.
  void KeyAndRelease(const std::string& chord, size_t selChanges) {
    const int releases = gKeyReleases;
    const size_t heard = selChangesAt.size();
    gui.Key(chord);
    EXPECT_TRUE(gui.PumpUntil([&] { return gKeyReleases > releases; })) << chord;
    EXPECT_TRUE(gui.PumpUntil([&] { return selChangesAt.size() >= heard + selChanges; }))
        << chord;
    gui.Settle();
  }
  // The log, emptied, without the SelChange and EnableMenuItems that key releases may add.
  Log Heard() {
    Log heard;
    for (const std::string& entry : kit.Take()) {
      if (entry.find(".SelChange") == std::string::npos &&
          entry.find(".EnableMenuItems") == std::string::npos) {
        heard.push_back(entry);
      }
    }
    return heard;
  }
  size_t Count(const std::string& event) {
    size_t n = 0;
    for (const std::string& entry : kit.log) n += entry.find("." + event) != std::string::npos;
    return n;
  }
  std::string FieldText(RuntimeObject* field) { return Take(editTextGetter(field, 0)); }
  void SetMask(RuntimeObject* field, const std::string& mask) {
    EditMaskSetter(field, 0, Str(mask).Storage());
  }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = nullptr;
  Log madeLog;  // what making the last field raised
  std::vector<int32_t> selChangesAt;
};

// ---- the mask, typed ----

TEST_F(EditFieldClassTest, MaskShowsItsLiteralsAndRefusesWhatDoesNotFit) {
  RuntimeObject* phone = Add("Phone", kFirstPlace, {});
  SetMask(phone, "(###)-###");
  EXPECT_EQ(FieldText(phone), "(");
  EXPECT_EQ(editSelStartGetter(phone, 0), 1);
  Focus(phone);
  editSelStartSetter(phone, 0, 1);
  kit.Take();
  gTakenKeys = {"x"};
  Type("5x5a5");
  EXPECT_EQ(Heard(), (Log{"Phone.KeyDown 5", "Phone.TextChange (5", "Phone.KeyDown x",
                             "Phone.KeyDown 5", "Phone.TextChange (55", "Phone.KeyDown a",
                             "Phone.ValidationError (55a 4", "Phone.KeyDown 5",
                             "Phone.TextChange (555)-"}));
  EXPECT_EQ(FieldText(phone), "(555)-");
  EXPECT_EQ(editSelStartGetter(phone, 0), 6);
  EXPECT_EQ(gBeeps, 0);
}

// Keys typed at the end of a masked text are matched alone, against what the mask step before
// left; a text or mask changed between keys by the program is matched afresh.
TEST_F(EditFieldClassTest, KeysAtTheEndFollowATextOrMaskChangedBetweenThem) {
  RuntimeObject* field = Add("Field", kFirstPlace, {});
  SetMask(field, "(###)-###");
  Focus(field);
  editSelStartSetter(field, 0, 1);
  Type("12");
  EXPECT_EQ(FieldText(field), "(12");
  // A text of the same length that the mask does not take: the next key is refused.
  editTextSetter(field, 0, Str("(ab").Storage());
  editSelStartSetter(field, 0, 3);
  Type("3");
  EXPECT_EQ(FieldText(field), "(ab");
  EXPECT_EQ(Count("ValidationError"), 1u);
  editTextSetter(field, 0, Str("(9").Storage());
  editSelStartSetter(field, 0, 2);
  Type("34");
  EXPECT_EQ(FieldText(field), "(934)-");
  EXPECT_EQ(editSelStartGetter(field, 0), 6);
  SetMask(field, "(###)-?##");
  Type("5a");
  EXPECT_EQ(FieldText(field), "(934)-a");
  EXPECT_EQ(Count("ValidationError"), 2u);  // the 5 where a letter goes
  SetMask(field, "(###)-?#.#");
  editSelStartSetter(field, 0, 7);
  Type("12");
  EXPECT_EQ(FieldText(field), "(934)-a1.2");
}

TEST_F(EditFieldClassTest, MaskOnAMultiLineFieldKeepsTheTextOfARefusedEdit) {
  FieldPlan plan;
  plan.multiLine = true;
  plan.validationHandler = false;
  plan.text = "abc";
  RuntimeObject* digits = Add("Digits", kBigPlace, plan);
  SetMask(digits, "###-###");
  EXPECT_EQ(FieldText(digits), "");  // the re-check keeps what fits: nothing
  EXPECT_EQ(gBeeps, 1);               // no ValidationError handler
  Focus(digits);
  Type("123456");
  EXPECT_EQ(FieldText(digits), "123-456");
  // A wrong character mid-text leaves the text as it was.
  editSelStartSetter(digits, 0, 1);
  Type("x");
  EXPECT_EQ(FieldText(digits), "123-456");
  EXPECT_EQ(gBeeps, 2);
  // Backspace mid-text would move the dash into a digit's place: refused too.
  editSelStartSetter(digits, 0, 2);
  Key("BackSpace");
  EXPECT_EQ(FieldText(digits), "123-456");
  EXPECT_EQ(gBeeps, 3);
  // A selection replaced by a digit.
  editSelStartSetter(digits, 0, 4);
  editSelLengthSetter(digits, 0, 2);
  Type("9");
  EXPECT_EQ(FieldText(digits), "123-96");
  EXPECT_EQ(editSelStartGetter(digits, 0), 5);
  EXPECT_EQ(gBeeps, 3);
}

TEST_F(EditFieldClassTest, ATildeRaisesAndLeavesTheTextAndNoMaskLeavesEditsToTheField) {
  RuntimeObject* field = Add("Field", kFirstPlace, {});
  Focus(field);
  Type("ab");
  EXPECT_EQ(FieldText(field), "ab");
  SetMask(field, "");
  Type("c");
  EXPECT_EQ(FieldText(field), "abc");
  editTextSetter(field, 0, Str("1").Storage());
  SetMask(field, "#~");
  editSelStartSetter(field, 0, 1);
  kit.Take();
  static int raised;
  raised = 0;
  SetUnhandledExceptionHook([](RuntimeObject* exception) {
    raised += ObjectIsaDefinition(exception, UnsupportedFormatExceptionDefinition());
  });
  Type("2");
  SetUnhandledExceptionHook(nullptr);
  EXPECT_EQ(raised, 1);
  EXPECT_EQ(FieldText(field), "1");
  EXPECT_EQ(Heard(), (Log{"Field.KeyDown 2"}));
}

// ---- router ----

TEST_F(EditFieldClassTest, CreationFormatAndFocusRaiseNoTextChangeAndHandlersDoNotReenter) {
  FieldPlan plan;
  plan.text = "12.5";
  plan.format = "#.00";
  RuntimeObject* amount = Add("Amount", kFirstPlace, plan);  // the log is emptied after Add
  RuntimeObject* other = Add("Other", kSecondPlace, {});
  EXPECT_EQ(Text(Pane(amount)->GetText(kEncodingUTF8).Storage()), "12.50");
  EXPECT_EQ(Take(stringGetter(amount, offsetof(EditFieldObject, formattedText))), "12.50");
  EXPECT_EQ(Text(AsEditField(amount)->text), "12.5");
  Focus(other);
  gui.Key("shift+Tab");  // to Amount: the raw text, everything selected as saved
  ASSERT_TRUE(gui.PumpUntil([&] { return GetFocusPane() == Pane(amount); }));
  gui.Settle();
  EXPECT_EQ(FieldText(amount), "12.5");
  // Tab reaches the focused field's KeyDown first.
  EXPECT_EQ(Heard(), (Log{"Other.KeyDown \t", "Other.LostFocus", "Amount.GotFocus"}));
  editSelStartSetter(amount, 0, 4);
  Type("7");
  gui.Key("Tab");
  ASSERT_TRUE(gui.PumpUntil([&] { return GetFocusPane() == Pane(other); }));
  gui.Settle();
  EXPECT_EQ(Text(Pane(amount)->GetText(kEncodingUTF8).Storage()), "12.57");
  EXPECT_EQ(Text(AsEditField(amount)->text), "12.57");
  // A TextChange handler that sets Text is not called again for its own change.
  kit.script = [](const std::string& event, RuntimeObject* field) {
    if (event.starts_with("Other.TextChange")) editTextSetter(field, 0, string("fixed").Storage());
  };
  kit.Take();
  Type("q");
  EXPECT_EQ(Count("TextChange"), 1u);
  EXPECT_EQ(Heard(), (Log{"Other.KeyDown q", "Other.TextChange q"}));
  EXPECT_EQ(FieldText(other), "fixed");
}

TEST_F(EditFieldClassTest, KeyDownTrueSwallowsTheKeyAndMouseEventsReachTheField) {
  RuntimeObject* field = Add("Field", kFirstPlace, {});
  Focus(field);
  gTakenKeys = {"b"};
  Type("abc");
  EXPECT_EQ(FieldText(field), "ac");
  kit.Take();
  kit.mouseDownTakes = true;  // a taken press: the release comes to the field
  gui.Click(Input(field));
  EXPECT_TRUE(gui.PumpUntil([&] { return Count("MouseUp") > 0; }));
  gui.Settle();
  const Log heard = kit.Take();
  ASSERT_GE(heard.size(), 2u);
  EXPECT_EQ(heard.front(), "Field.MouseDown");
  EXPECT_NE(std::find(heard.begin(), heard.end(), "Field.MouseUp"), heard.end());
  // Selecting from code raises SelChange at the next look, once.
  editSelStartSetter(field, 0, 0);
  Type("z");
  EXPECT_EQ(FieldText(field), "zac");
}

TEST_F(EditFieldClassTest, SelChangeFollowsTheCaretButNotTheFieldsMaking) {
  FieldPlan plan;
  plan.text = "made with text";
  plan.format = "0";
  RuntimeObject* field = Add("Field", kFirstPlace, plan);
  EXPECT_EQ(madeLog, Log{});  // neither the text nor the Format raised anything
  editTextSetter(field, 0, Str("ab").Storage());
  EXPECT_EQ(Heard(), (Log{"Field.TextChange ab"}));
  Focus(field);
  editSelStartSetter(field, 0, 2);
  Pane(field)->CheckSelectionChanged();  // the caret set from code is seen before the key
  kit.Take();
  HearSelChangesAt(field);
  KeyAndRelease("Left", 1);
  Log heard = kit.Take();
  EXPECT_EQ(std::count(heard.begin(), heard.end(), "Field.SelChange"), 1) << heard.size();
  EXPECT_EQ(editSelStartGetter(field, 0), 1);
  EXPECT_EQ(selChangesAt, std::vector<int32_t>{1});  // heard on the release, at the moved caret
}

// One SelChange for each change of the selection, whether the press or the release notices
// it: a caret moved from code is reported before the key acts, the key's own move after it.
TEST_F(EditFieldClassTest, EachSelectionChangeIsReportedOnceOnPressOrRelease) {
  RuntimeObject* field = FocusedFieldWithCaretAt("abcd", 1);
  editSelStartSetter(field, 0, 3);
  KeyAndRelease("Right", 2);
  EXPECT_EQ(selChangesAt, (std::vector<int32_t>{3, 4}));
  // A key that leaves the selection where it was raises none.
  selChangesAt.clear();
  KeyAndRelease("End", 0);
  EXPECT_EQ(selChangesAt, std::vector<int32_t>{});
  // A letter typed at the caret: once, past the letter.
  Type("e");
  EXPECT_TRUE(gui.PumpUntil([&] { return !selChangesAt.empty(); }));
  gui.Settle();
  EXPECT_EQ(selChangesAt, std::vector<int32_t>{5});
  EXPECT_EQ(FieldText(field), "abcde");
}

// A KeyDown handler that runs a main loop of its own (as a query of the clipboard does) lets
// the key's release through before GTK has moved the caret: the move is still reported, once.
TEST_F(EditFieldClassTest, AKeysMoveIsReportedWhenItsReleaseCameDuringThePress) {
  RuntimeObject* field = FocusedFieldWithCaretAt("abcd", 2);
  kit.script = [this](const std::string& event, RuntimeObject* object) {
    if (event.starts_with("Field.KeyDown")) {
      const int before = gKeyReleases;
      EXPECT_TRUE(gui.PumpUntil([&] { return gKeyReleases > before; }));
    }
    if (event == "Field.SelChange") selChangesAt.push_back(editSelStartGetter(object, 0));
  };
  KeyAndRelease("Left", 1);
  EXPECT_EQ(selChangesAt, std::vector<int32_t>{1});
  EXPECT_EQ(editSelStartGetter(field, 0), 1);
  kit.script = nullptr;
}

// Each event's handler closes the window; nothing is touched afterwards.
TEST_F(EditFieldClassTest, HandlersThatCloseTheWindowStopTheRouter) {
  for (const char* event : {"KeyDown", "TextChange", "ValidationError"}) {
    SCOPED_TRACE(event);
    if (!window) window = kit.OpenAndFocus(gui, "Edit fields", {}, &xid);
    RuntimeObject* field = Add("Field", kFirstPlace, {});
    SetMask(field, "##");
    Focus(field);
    const std::string closing = std::string("Field.") + event;
    RuntimeObject* closingWindow = window;
    kit.script = [&](const std::string& heard, RuntimeObject*) {
      if (heard.starts_with(closing)) RuntimeCloseWindow(closingWindow);
    };
    gui.Type(std::string(event) == "ValidationError" ? "x" : "1");
    EXPECT_TRUE(gui.WaitUntilClosed(xid));
    gui.Settle();
    kit.script = nullptr;
    window = nullptr;
  }
}

// Validate on leaving a field, close on failure: the click that took the focus lands on a
// field of the closed window, which gets no GotFocus (nor anything else) afterwards.
TEST_F(EditFieldClassTest, ALostFocusThatClosesTheWindowWhileAnotherFieldIsClickedEndsThere) {
  RuntimeObject* field = Add("Field", kFirstPlace, {});
  RuntimeObject* other = Add("Other", kSecondPlace, {});
  Focus(field);
  RuntimeObject* closing = window;
  kit.script = [&](const std::string& heard, RuntimeObject*) {
    if (heard == "Field.LostFocus") RuntimeCloseWindow(closing);
  };
  gui.Click(Input(other));
  EXPECT_TRUE(gui.WaitUntilClosed(xid));
  gui.Settle();
  kit.script = nullptr;
  window = nullptr;
  EXPECT_EQ(Heard(), (Log{"Other.MouseDown", "Field.LostFocus"}));
}

// The same handler closing the field being clicked: it gets no GotFocus after its close.
TEST_F(EditFieldClassTest, AFieldClosedByAnotherFieldsLostFocusGetsNoGotFocusFromTheClick) {
  RuntimeObject* field = Add("Field", kFirstPlace, {});
  RuntimeObject* other = Add("Other", kSecondPlace, {});
  Focus(field);
  RuntimeLockObject(other);  // looked at after the close
  kit.script = [&](const std::string& heard, RuntimeObject*) {
    if (heard == "Field.LostFocus") ControlClose(other);
  };
  gui.Click(Input(other));
  EXPECT_TRUE(gui.PumpUntil([&] { return AsControl(other)->pane == nullptr; }));
  gui.Settle();
  kit.script = nullptr;
  EXPECT_EQ(Heard(), (Log{"Other.MouseDown", "Field.LostFocus"}));
  RuntimeUnlockObject(other);
}

TEST_F(EditFieldClassTest, ALostFocusHandlerThatDropsTheFieldLeavesNothingBehind) {
  RuntimeObject* field = Add("Field", kFirstPlace, {});
  RuntimeObject* other = Add("Other", kSecondPlace, {});
  Focus(field);
  RuntimeLockObject(field);  // looked at after the close, which drops the window's reference
  kit.script = [&](const std::string& heard, RuntimeObject* object) {
    if (heard == "Field.LostFocus") ControlClose(object);
  };
  // The pane focus moves at once, whether or not the window manager has made the window
  // active yet.
  SetFocusPane(AsControl(other)->pane);
  EXPECT_TRUE(gui.PumpUntil([&] { return AsControl(field)->pane == nullptr; }));
  gui.Settle();
  EXPECT_EQ(FieldText(field), "");
  RuntimeUnlockObject(field);
}

// ---- properties ----

TEST_F(EditFieldClassTest, PropertiesReadTheSameBeforeAndAfterThePane) {
  RuntimeClass* cls = FieldClass(true);
  RuntimeObject* field = RuntimeNewObject(cls);
  AsControl(field)->bounds = kFirstPlace;
  AsControl(field)->visible = AsControl(field)->enabled = 1;
  AsEditField(field)->styled = 1;
  AsEditField(field)->multiLine = 1;
  editTextSetter(field, 0, Str("héllo").Storage());
  editReadOnlySetter(field, 0, 1);
  editLimitTextSetter(field, 0, 40);
  editTextColorSetter(field, 0, 0x102030);
  editTextSizeSetter(field, 0, 14);
  EditAlignmentSetter(field, 0, 2);
  editSelStartSetter(field, 0, 3);  // ignored without a pane
  auto read = [&] {
    return std::vector<std::string>{
        Take(editTextGetter(field, 0)), std::to_string(editReadOnlyGetter(field, 0)),
        std::to_string(editLimitTextGetter(field, 0)),
        std::to_string(intGetter(field, offsetof(EditFieldObject, textColor))),
        std::to_string(editTextSizeGetter(field, 0)),
        std::to_string(intGetter(field, offsetof(EditFieldObject, alignment)))};
  };
  const std::vector<std::string> before = read();
  EXPECT_EQ(editSelStartGetter(field, 0), 0);
  EXPECT_EQ(StyledTextObjectGetter(field, 0), nullptr);
  WindowAddControl(window, string("Late").Storage(), field);
  RuntimeUnlockObject(field);
  ASSERT_NE(Pane(field), nullptr);
  EXPECT_EQ(read(), before);
  EXPECT_TRUE(Pane(field)->GetReadOnly());
  editReadOnlySetter(field, 0, 0);
  EXPECT_FALSE(Pane(field)->GetReadOnly());
  editSelectAll(field);
  EXPECT_EQ(editSelLengthGetter(field, 0), 5);  // characters, not bytes
  editSelTextColorSetter(field, 0, 0x808080);
  EXPECT_EQ(editSelTextColorGetter(field, 0), 0x808080u);
  RuntimeObject* styled = StyledTextObjectGetter(field, 0);
  ASSERT_NE(styled, nullptr);
  RuntimeUnlockObject(styled);
}

TEST_F(EditFieldClassTest, AppendTextRemovesTheExcessOverTheLimitFromTheStart) {
  FieldPlan plan;
  plan.text = "12345678";
  plan.limit = 10;
  RuntimeObject* field = Add("Field", kFirstPlace, plan);
  editAppendText(field, Str("abcde").Storage());
  EXPECT_EQ(FieldText(field), "45678abcde");
  // More than the whole text over the limit: the whole text goes, nothing past its end.
  editAppendText(field, Str("0123456789").Storage());
  EXPECT_EQ(FieldText(field), "0123456789");
  editLimitTextSetter(field, 0, 0);
  editSelStartSetter(field, 0, 2);
  editSelLengthSetter(field, 0, 3);
  FieldPlan multi;
  multi.multiLine = true;
  RuntimeObject* log = Add("Log", kBigPlace, multi);
  for (int i = 0; i < 40; ++i) editAppendText(log, Str("line " + std::to_string(i) + "\n").Storage());
  gui.Settle();
  EXPECT_TRUE(Pane(log)->IsEndVisible());  // the end stayed in view
  EXPECT_EQ(editSelStartGetter(log, 0), Pane(log)->TextLength());
  editScrollPositionSetter(log, 0);
  gui.Settle();
  editAppendText(log, Str("more\n").Storage());
  gui.Settle();
  EXPECT_EQ(editScrollPositionGetter(log), 0);  // scrolled up: it stays
  // Emptied and appended to at once, before GTK has laid the text out again: no failed
  // check, and the lines land in order.
  editTextSetter(log, 0, Str("").Storage());
  for (int i = 0; i < 3; ++i) editAppendText(log, Str("again " + std::to_string(i) + "\n").Storage());
  EXPECT_EQ(FieldText(log), "again 0\nagain 1\nagain 2\n");
  editTextSetter(log, 0, Str("x\ny\n").Storage());
  editAppendText(log, Str("z").Storage());
  EXPECT_EQ(FieldText(log), "x\ny\nz");
}

// Where a single-line field's selection is after AppendText: (start, length).
std::pair<int32_t, int32_t> Selection(RuntimeObject* field) {
  return {editSelStartGetter(field, 0), editSelLengthGetter(field, 0)};
}

// A selection inside the text keeps its characters, one reaching the end is not stretched by
// the new text, a caret at the end follows it; each append is one TextChange and no SelChange.
TEST_F(EditFieldClassTest, AppendTextToASingleLineFieldKeepsTheSelectionOrFollowsTheEnd) {
  FieldPlan plan;
  plan.text = "abcdef";
  RuntimeObject* field = Add("Field", kFirstPlace, plan);
  kit.Take();
  Pane(field)->SetSelection(1, 3);
  editAppendText(field, Str("gh").Storage());
  EXPECT_EQ(FieldText(field), "abcdefgh");
  EXPECT_EQ(Selection(field), std::make_pair(1, 2));
  Pane(field)->SetSelection(6, 8);
  editAppendText(field, Str("ij").Storage());
  EXPECT_EQ(Selection(field), std::make_pair(6, 2));
  editSelStartSetter(field, 0, 10);
  editAppendText(field, Str("k\xC3\xA9").Storage());
  EXPECT_EQ(FieldText(field), "abcdefghijk\xC3\xA9");
  EXPECT_EQ(Selection(field), std::make_pair(12, 0));  // characters, not bytes
  EXPECT_EQ(Heard(), (Log{"Field.TextChange abcdefgh", "Field.TextChange abcdefghij",
                          "Field.TextChange abcdefghijk\xC3\xA9"}));
  // Over the limit: a selection partly in the removed head keeps what is left of it.
  editLimitTextSetter(field, 0, 12);
  Pane(field)->SetSelection(1, 4);
  editAppendText(field, Str("XY").Storage());
  EXPECT_EQ(FieldText(field), "cdefghijk\xC3\xA9XY");
  EXPECT_EQ(Selection(field), std::make_pair(0, 2));
  EXPECT_EQ(Take(editSelTextGetter(field, 0)), "cd");
  // A caret at the end stays at the end when the head goes.
  editSelStartSetter(field, 0, 12);
  editAppendText(field, Str("Z").Storage());
  EXPECT_EQ(FieldText(field), "defghijk\xC3\xA9XYZ");
  EXPECT_EQ(Selection(field), std::make_pair(12, 0));
}

TEST_F(EditFieldClassTest, AppendTextToALogKeepsItsPlaceOrFollowsTheEndInView) {
  FieldPlan plan;
  plan.multiLine = true;
  RuntimeObject* log = Add("Log", kBigPlace, plan);
  std::string expected;
  for (int i = 0; i < 40; ++i) {
    const std::string line = "line " + std::to_string(i) + "\n";
    editAppendText(log, Str(line).Storage());
    expected += line;
  }
  gui.Settle();
  kit.Take();
  // Scrolled up with a selection in the middle: both stay.
  editScrollPositionSetter(log, 0);
  Pane(log)->SetSelection(5, 8);
  gui.Settle();
  ASSERT_FALSE(Pane(log)->IsEndVisible());
  editAppendText(log, Str("more\n").Storage());
  expected += "more\n";
  gui.Settle();
  EXPECT_EQ(FieldText(log), expected);
  EXPECT_EQ(editScrollPositionGetter(log), 0);
  EXPECT_EQ(Selection(log), std::make_pair(5, 3));
  EXPECT_FALSE(Pane(log)->IsEndVisible());
  // A selection up to the end is not stretched over the new line.
  const int32_t length = Pane(log)->TextLength();
  Pane(log)->SetSelection(length - 5, length);
  editAppendText(log, Str("again\n").Storage());
  gui.Settle();
  EXPECT_EQ(Selection(log), std::make_pair(length - 5, 5));
  EXPECT_EQ(editScrollPositionGetter(log), 0);
  EXPECT_EQ(Count("TextChange"), 2u);
  EXPECT_EQ(Count("SelChange"), 0u);
  // The end in view: the view and the caret follow the new lines.
  Pane(log)->SetSelection(5, 8);
  editScrollPositionSetter(log, 1000);
  ASSERT_TRUE(gui.PumpUntil([&] { return Pane(log)->IsEndVisible(); }));
  for (int i = 0; i < 10; ++i) editAppendText(log, Str("tail\n").Storage());
  gui.Settle();
  EXPECT_TRUE(Pane(log)->IsEndVisible());
  EXPECT_EQ(Selection(log), std::make_pair(Pane(log)->TextLength(), 0));
  EXPECT_GT(editScrollPositionGetter(log), 0);
}

// A TextChange handler that closes the window stops AppendText there: the removal of the head
// over the limit raises it, and nothing is appended afterwards.
TEST_F(EditFieldClassTest, ATextChangeHandlerClosingTheWindowStopsAppendText) {
  for (bool multiLine : {false, true}) {
    SCOPED_TRACE(multiLine ? "multi-line" : "single-line");
    if (!window) window = kit.OpenAndFocus(gui, "Edit fields", {}, &xid);
    FieldPlan plan;
    plan.multiLine = multiLine;
    plan.text = "12345678";
    plan.limit = 10;
    RuntimeObject* field = Add("Field", multiLine ? kBigPlace : kFirstPlace, plan);
    kit.Take();
    RuntimeObject* closingWindow = window;
    kit.script = [&](const std::string& heard, RuntimeObject*) {
      if (heard.starts_with("Field.TextChange")) RuntimeCloseWindow(closingWindow);
    };
    editAppendText(field, Str("abcde").Storage());
    EXPECT_EQ(Count("TextChange"), 1u);
    EXPECT_TRUE(gui.WaitUntilClosed(xid));
    gui.Settle();
    kit.script = nullptr;
    window = nullptr;
  }
}

// ---- edit menu ----

RuntimeObject* MenuItemNamed(const char* name) {
  RuntimeObject* item = NewMenuItemObject();
  RuntimeMenuItemNameSetter(item, 0, string(name).Storage());
  return item;
}

TEST_F(EditFieldClassTest, EditMenuCommandsFollowSelectionReadOnlyAndPassword) {
  FieldPlan plan;
  plan.text = "hello world";
  RuntimeObject* field = Add("Field", kFirstPlace, plan);
  EditControl* pane = Pane(field);
  RuntimeObject* cut = MenuItemNamed("editcut");
  RuntimeObject* paste = MenuItemNamed("EditPaste");
  RuntimeObject* selectAll = MenuItemNamed("EditSelectAll");
  RuntimeObject* other = MenuItemNamed("FileQuit");
  EXPECT_EQ(Take(RuntimeMenuItemNameGetter(cut, 0)), "editcut");
  EXPECT_FALSE(HandleEditMenuCommand(field, pane, other));
  editSelStartSetter(field, 0, 0);
  editSelLengthSetter(field, 0, 6);
  editReadOnlySetter(field, 0, 1);
  EXPECT_TRUE(HandleEditMenuCommand(field, pane, cut));
  EXPECT_EQ(FieldText(field), "hello world");  // read-only: nothing cut
  editReadOnlySetter(field, 0, 0);
  editPasswordSetter(field, 0, 1);
  EXPECT_TRUE(HandleEditMenuCommand(field, pane, cut));
  EXPECT_EQ(FieldText(field), "hello world");  // a password is never cut
  editPasswordSetter(field, 0, 0);
  EXPECT_TRUE(HandleEditMenuCommand(field, pane, cut));
  EXPECT_EQ(FieldText(field), "world");
  ASSERT_TRUE(gui.PumpUntil([] {
    return gtk_clipboard_wait_is_text_available(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
  }));
  editSelStartSetter(field, 0, 5);
  EXPECT_TRUE(HandleEditMenuCommand(field, pane, paste));
  EXPECT_TRUE(gui.PumpUntil([&] { return FieldText(field) == "worldhello "; }))
      << FieldText(field);
  editReadOnlySetter(field, 0, 1);
  EXPECT_FALSE(HandleEditMenuCommand(field, pane, paste));
  EXPECT_TRUE(HandleEditMenuCommand(field, pane, selectAll));
  EXPECT_EQ(editSelLengthGetter(field, 0), 11);
  for (RuntimeObject* item : {cut, paste, selectAll, other}) RuntimeUnlockObject(item);
}

// ---- binding ----

std::string gSourceText;
bool gSourceAvailable = true;
Log gSourceCalls;

stringStorage* SourceGetString(RuntimeObject*) { return Str(gSourceText).ExtractStringStorage(); }
int32_t SourceDataAvailable(RuntimeObject*) { return gSourceAvailable ? 1 : 0; }
void SourceSetString(RuntimeObject*, stringStorage* text) {
  gSourceCalls.push_back("setString " + Text(text));
}
void SourceAdd(RuntimeObject*, RuntimeObject*) { gSourceCalls.push_back("add"); }
void SourceRemove(RuntimeObject*, RuntimeObject*) { gSourceCalls.push_back("remove"); }

void Implement(RuntimeClass* cls, int32_t slot, ObjectDefinition* interface,
               std::vector<std::pair<const char*, void*>> methods) {
  InterfaceTableEntry& entry = InterfaceEntries(cls)[slot];
  entry.interfaceClass = RuntimeClassForDefinition(interface);
  entry.methodCount = int32_t(methods.size());
  entry.methods = RuntimeNewVtable(int32_t(methods.size()));
  for (size_t i = 0; i < methods.size(); ++i) {
    entry.methods[i] = {methods[i].second, string(methods[i].first).ExtractStringStorage()};
  }
}

RuntimeClass* SourceClass() {
  static RuntimeClass* cls = nullptr;
  if (cls) return cls;
  cls = qvtest::Subclass("Object", "KitStringSource", 4);
  const int32_t first = cls->interfaceCount - 4;
  Implement(cls, first, StringProviderInterfaceDefinition(),
            {{"getString%s%", reinterpret_cast<void*>(&SourceGetString)}});
  Implement(cls, first + 1, DataAvailableProviderInterfaceDefinition(),
            {{"DataAvailable%b%", reinterpret_cast<void*>(&SourceDataAvailable)}});
  Implement(cls, first + 2, StringInterfaceDefinition(),
            {{"setString%%s", reinterpret_cast<void*>(&SourceSetString)}});
  Implement(cls, first + 3, DataNotifierInterfaceDefinition(),
            {{"addDataNotificationReceiver%%o", reinterpret_cast<void*>(&SourceAdd)},
             {"removeDataNotificationReceiver%%o", reinterpret_cast<void*>(&SourceRemove)}});
  return cls;
}

TEST_F(EditFieldClassTest, ABoundSourceLoadsDisablesAndTakesTheTextBack) {
  qvtest::RecordingBinder binder(nullptr);
  RuntimeObject* field = Add("Field", kFirstPlace, {});
  RuntimeObject* other = Add("Other", kSecondPlace, {});
  EditDataSourceSetter(field, 0, string("Nowhere").Storage());
  EditDataSourceSetter(field, 0, nullptr);
  EXPECT_EQ(binder.calls, (Log{"bind Nowhere kind 0"}));  // nothing bound, nothing to unbind
  gSourceCalls.clear();
  gSourceText = "loaded";
  gSourceAvailable = false;
  RuntimeObject* source = RuntimeNewObject(SourceClass());
  EditFieldSetDataSource(field, source);
  EXPECT_EQ(FieldText(field), "loaded");
  EXPECT_EQ(controlEnabledGetter(field, 0), 0);
  EXPECT_EQ(gSourceCalls, (Log{"add"}));
  gSourceAvailable = true;
  EditFieldSetDataSource(field, source);  // the same source again: still held
  EXPECT_EQ(controlEnabledGetter(field, 0), 1);
  gSourceCalls.clear();
  Focus(field);
  editSelStartSetter(field, 0, 6);
  Type("!");
  EXPECT_EQ(gSourceCalls, Log{});  // no LiveUpdate
  RuntimeSetFocus(other);
  ASSERT_TRUE(gui.PumpUntil([&] { return !gSourceCalls.empty(); }));
  EXPECT_EQ(gSourceCalls, (Log{"setString loaded!"}));
  boolSetter(field, offsetof(EditFieldObject, liveUpdate), 1);
  gSourceCalls.clear();
  editTextSetter(field, 0, Str("live").Storage());
  EXPECT_EQ(gSourceCalls, (Log{"setString live"}));
  const int32_t held = source->refCount;
  EditFieldSetDataSource(field, nullptr);
  EXPECT_EQ(source->refCount, held - 1);
  RuntimeUnlockObject(source);
}

// ---- StyledText ----

TEST_F(EditFieldClassTest, StyledTextIsCopiedIntoAStyledFieldAndUnlinkedWhenTheWindowCloses) {
  FieldPlan styledPlan;
  styledPlan.multiLine = styledPlan.styled = true;
  styledPlan.text = "old";
  RuntimeObject* styledField = Add("Styled", kBigPlace, styledPlan);
  RuntimeObject* plain = Add("Plain", {130, 20, 155, 220}, {});
  RuntimeObject* value = NewObjectFromDefinition(StyledTextClassDefinition());
  StyledTextSetter(value, Str("ab\ncd").Storage());
  StyledTextSetBold(value, 0, 2, 1);
  StyledTextSetAlignment(value, 1, 3);
  StyledTextObjectSetter(plain, 0, value);
  EXPECT_EQ(StyledTextObjectGetter(plain, 0), nullptr);  // a plain field has none
  StyledTextObjectSetter(styledField, 0, value);
  EXPECT_EQ(FieldText(styledField), "ab\ncd");
  RuntimeObject* held = StyledTextObjectGetter(styledField, 0);
  ASSERT_NE(held, nullptr);
  EXPECT_NE(held, value);
  EXPECT_EQ(StyledTextGetBold(held, 0, 2), 1);
  EXPECT_EQ(StyledTextGetBold(held, 3, 2), 0);
  // The second paragraph is right-justified, the first not.
  GtkTextBuffer* buffer = Pane(styledField)->Buffer();
  GtkTextTag* right = gtk_text_tag_table_lookup(gtk_text_buffer_get_tag_table(buffer),
                                                "right justify");
  GtkTextIter at;
  gtk_text_buffer_get_iter_at_offset(buffer, &at, 4);
  EXPECT_TRUE(gtk_text_iter_has_tag(&at, right));
  gtk_text_buffer_get_iter_at_offset(buffer, &at, 0);
  EXPECT_FALSE(gtk_text_iter_has_tag(&at, right));
  RuntimeCloseWindow(window);
  gui.Settle();
  window = nullptr;
  EXPECT_EQ(reinterpret_cast<StyledTextObject*>(held)->delegate, nullptr);
  EXPECT_EQ(StyledTextGetBold(held, 0, 2), 0);
  RuntimeUnlockObject(held);
  RuntimeUnlockObject(value);
}

}  // namespace
