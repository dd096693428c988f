// The MessageDialog class as compiled code uses it: its rows and button objects, and its
// window on a real display, answered with real clicks and keys; the layout is read back from
// the widgets and the screen, the texts and icon against Pango and GTK's own rendering.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>

#include "MessageDialogFixtures.h"
#include "WindowFixtures.h"
#include "WindowObjectFixtures.h"
#include "app/ExternalClasses.h"
#include "app/MainLoop.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "graphics/PangoFonts.h"
#include "support/RaisedExceptions.h"
#include "controls/MessageBox.h"
#include "controls/MessageDialog.h"

namespace {

using qvtest::ScreenArea;
using qvtest::XWindow;

constexpr int kButtonGap = 8;

MessageDialogRecord* Record(RuntimeObject* dialog) {
  return reinterpret_cast<MessageDialogRecord*>(dialog);
}

RuntimeObject* NewDialog() {
  RuntimeInitExternalClasses();
  RuntimeClass* cls = RuntimeLookupClass(string("MessageDialog").Storage());
  return cls ? RuntimeNewObject(cls) : nullptr;
}

std::string Text(stringStorage* text) {
  const std::string copy = text ? stringStorage::CString(text) : "";
  stringStorage::RemoveReference(text);
  return copy;
}

std::string Caption(RuntimeObject* button) { return Text(MDBCaptionGetter(button, 0)); }

// The width a caption's button needs in the dialog's button font.
int ButtonWidthFor(const char* caption) {
  FontSpec font;
  font.name = string("System");
  PangoFontDescription* description = MakePangoFontDescription(font);
  PangoContext* context = gdk_pango_context_get();
  PangoLayout* layout = pango_layout_new(context);
  pango_layout_set_font_description(layout, description);
  pango_layout_set_text(layout, caption, -1);
  int width = 0;
  pango_layout_get_pixel_size(layout, &width, nullptr);
  g_object_unref(layout);
  g_object_unref(context);
  pango_font_description_free(description);
  return std::max(69, width + 28);
}

TEST(MessageDialogClass, ButtonsReadAndWriteTheirDialog) {
  RuntimeObject* dialog = NewDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->classPtr->instanceSize, 704);
  MessageDialogRecord* record = Record(dialog);
  RuntimeObject* action = MDButtonGetter(dialog, 1);
  RuntimeObject* cancel = MDButtonGetter(dialog, 0);
  RuntimeObject* alternate = MDButtonGetter(dialog, 2);
  EXPECT_EQ(MDButtonGetter(dialog, 3), nullptr);
  ASSERT_TRUE(action && cancel && alternate);
  EXPECT_STREQ(stringStorage::CString(action->classPtr->className), "_ActionButton");
  EXPECT_STREQ(stringStorage::CString(alternate->classPtr->parentClass->className),
               "MessageDialogButton");
  EXPECT_EQ(action->classPtr->instanceSize, 32);
  // A new dialog: OK only, the default; Escape would answer the (hidden) cancel button.
  EXPECT_EQ(intGetter(dialog, offsetof(MessageDialogRecord, icon)), 0);
  EXPECT_EQ(MDBBooleanGetter(action, 0), 1);
  EXPECT_EQ(MDBBooleanGetter(cancel, 0), 0);
  EXPECT_EQ(MDBBooleanGetter(alternate, 0), 0);
  EXPECT_EQ(MDBBooleanGetter(action, 1), 1);
  EXPECT_EQ(MDBBooleanGetter(cancel, 2), 1);
  EXPECT_EQ(MDBBooleanGetter(action, 3), 0);
  EXPECT_EQ(Caption(action), "");

  MDBBooleanSetter(action, 0, 0);  // the action button is always shown
  EXPECT_EQ(MDBBooleanGetter(action, 0), 1);
  MDBBooleanSetter(alternate, 0, 1);
  EXPECT_EQ(record->alternateVisible, 1);
  MDBBooleanSetter(cancel, 1, 0);  // not the default: still leaves none
  EXPECT_EQ(MDBBooleanGetter(action, 1), 0);
  EXPECT_EQ(record->defaultCode, -1);
  MDBBooleanSetter(alternate, 2, 1);
  EXPECT_EQ(MDBBooleanGetter(alternate, 2), 1);
  EXPECT_EQ(MDBBooleanGetter(cancel, 2), 0);
  MDBCaptionSetter(cancel, 0, string("Don't Save").Storage());
  EXPECT_EQ(Caption(cancel), "Don't Save");
  EXPECT_STREQ(stringStorage::CString(record->cancelCaption), "Don't Save");

  qvtest::RaisedExceptions raised;
  MDIconSetter(dialog, 0, 3);
  for (int32_t bad : {4, -2}) {
    MDIconSetter(dialog, 0, bad);
    EXPECT_EQ(raised.TakeOne(),
              "OutOfBoundsException: The integer value " + std::to_string(bad) +
                  " is not in the range of enumerated icons for the MessageDialog class.");
    EXPECT_EQ(intGetter(dialog, offsetof(MessageDialogRecord, icon)), 3);
  }
  MDIconSetter(dialog, 0, -1);
  EXPECT_EQ(record->icon, -1);
  EXPECT_EQ(raised.TakeOne(), "");

  // Buttons kept after their dialog is gone act as buttons without dialog.
  RuntimeUnlockObject(cancel);
  RuntimeUnlockObject(alternate);
  RuntimeUnlockObject(dialog);
  EXPECT_EQ(action->refCount, 1);
  EXPECT_EQ(MDBBooleanGetter(action, 0), 0);
  EXPECT_EQ(MDBCaptionGetter(action, 0), nullptr);
  MDBBooleanSetter(action, 1, 1);
  MDBCaptionSetter(action, 0, string("Late").Storage());
  RuntimeUnlockObject(action);
  EXPECT_EQ(MDBBooleanGetter(nullptr, 0), 0);
}

class MessageDialogs : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    ASSERT_TRUE(screen.available.right > 0 || ReadScreenGeometry(&screen));
  }
  void TearDown() override {
    for (RuntimeObject* object : held) RuntimeUnlockObject(object);
  }
  // A dialog with a title of its own, held until the test ends.
  RuntimeObject* Dialog(const char* message, const char* explanation = "") {
    RuntimeObject* dialog = NewDialog();
    held.push_back(dialog);
    titles[dialog] = qvtest::UniqueWindowTitle("Dialog");
    SSToStringSetter(dialog, offsetof(MessageDialogRecord, title),
                     string(titles[dialog].c_str()).Storage());
    SSToStringSetter(dialog, offsetof(MessageDialogRecord, message), string(message).Storage());
    SSToStringSetter(dialog, offsetof(MessageDialogRecord, explanation),
                     string(explanation).Storage());
    return dialog;
  }
  RuntimeObject* Button(RuntimeObject* dialog, int32_t code) {
    RuntimeObject* button = MDButtonGetter(dialog, uint32_t(code));
    RuntimeUnlockObject(button);  // the dialog holds it
    return button;
  }
  void Show(RuntimeObject* dialog, int32_t code, bool shown) {
    MDBBooleanSetter(Button(dialog, code), 0, shown);
  }
  // Shows the dialog (within parent when given) and lets person answer it once it is on
  // screen with the focus; the button object it answered (the test's reference dropped).
  RuntimeObject* Answer(RuntimeObject* dialog,
                        const std::function<void(XWindow, MessageDialog::Imp*)>& person,
                        RuntimeObject* parent = nullptr) {
    XWindow box = 0;
    gui.Meanwhile([&] {
      box = gui.WaitForWindow(titles[dialog]);
      ASSERT_TRUE(box);
      ASSERT_TRUE(gui.WaitForFocus(box));
      MessageDialog::Imp* window = qvtest::ShownMessageDialog();
      ASSERT_NE(window, nullptr);
      person(box, window);
    });
    RuntimeObject* answer = parent ? MessageDialogShowModalWithin(dialog, parent)
                                   : MessageDialogShowModal(dialog);
    EXPECT_TRUE(gui.StepsDone());
    if (box) {
      EXPECT_TRUE(gui.WaitUntilClosed(box));
    }
    RuntimeUnlockObject(answer);
    return answer;
  }
  // The button panes' areas, left to right as shown, relative to the window.
  std::vector<ScreenArea> Row(XWindow box, MessageDialog::Imp* window) {
    const ScreenArea inside = gui.Area(box);
    std::vector<ScreenArea> row;
    for (::PushButton* pane :
         {window->ActionPane(), window->AlternatePane(), window->CancelPane()}) {
      if (!pane) continue;
      ScreenArea area = qvtest::ButtonArea(gui, pane);
      area.x -= inside.x;
      area.y -= inside.y;
      row.push_back(area);
    }
    return row;
  }
  void ExpectCentredRow(const std::vector<ScreenArea>& row, int windowWidth, int windowHeight) {
    ASSERT_FALSE(row.empty());
    for (size_t i = 1; i < row.size(); ++i) {
      EXPECT_EQ(row[i].x, row[i - 1].x + row[i - 1].width + kButtonGap) << i;
      EXPECT_EQ(row[i].y, row[0].y) << i;
    }
    const int total = row.back().x + row.back().width - row[0].x;
    EXPECT_EQ(row[0].x, windowWidth / 2 - total / 2);
    EXPECT_EQ(row[0].y, windowHeight - 41);
  }

  qvtest::GuiDriver gui;
  ScreenGeometry screen{};
  std::vector<RuntimeObject*> held;
  std::map<RuntimeObject*, std::string> titles;
};

// A new dialog: one OK button, default and focused, beside the information icon; the content
// is as high as the icon, without a gap for the missing explanation.
TEST_F(MessageDialogs, ANewDialogShowsOneDefaultOKButtonBesideTheInformationIcon) {
  RuntimeObject* dialog = Dialog("Saved.");
  std::vector<ScreenArea> row;
  int width = 0, height = 0, iconDiff = -1, textDiff = -1;
  QV::Rect explanation{};
  bool focused = false, isDefault = false;
  RuntimeObject* answer = Answer(dialog, [&](XWindow box, MessageDialog::Imp* window) {
    row = Row(box, window);
    width = gui.Area(box).width;
    height = gui.Area(box).height;
    GtkWidget* ok = window->ActionPane()->GetWidget();
    focused = GTK_WIDGET_HAS_FOCUS(ok);
    isDefault = GTK_WIDGET_HAS_DEFAULT(ok);
    EXPECT_EQ(gui.ButtonCaptions(box), (std::vector<std::string>{"OK"}));
    iconDiff = qvtest::DifferingIconPixels(gui, box, 10, 12, GTK_STOCK_DIALOG_INFO);
    textDiff = qvtest::DifferingTextPixels(gui, box, window->MessageRect(), "Saved.",
                                           window->MessageFont());
    explanation = window->ExplanationRect();
    gui.Key("Return");
  });
  EXPECT_EQ(answer, Button(dialog, 1));
  EXPECT_TRUE(focused);
  EXPECT_TRUE(isDefault);
  EXPECT_EQ(iconDiff, 0);
  EXPECT_EQ(textDiff, 0);
  EXPECT_EQ(height, 32 + 68);
  ASSERT_EQ(row.size(), 1u);
  EXPECT_EQ(row[0].width, ButtonWidthFor("OK"));
  ExpectCentredRow(row, width, height);
  EXPECT_EQ(explanation.bottom - explanation.top, 0);
  // Empty captions were filled in when the window was built.
  EXPECT_EQ(Caption(Button(dialog, 1)), "OK");
  EXPECT_EQ(Caption(Button(dialog, 0)), "Cancel");
  EXPECT_EQ(Caption(Button(dialog, 2)), "Alternate Action");
}

// Three buttons: action, alternate, cancel from left to right, centred, 8 apart, each as wide
// as its caption needs; the message and the explanation in their fonts, 8 apart.
TEST_F(MessageDialogs, ThreeButtonsReadActionAlternateCancelAndTheTextsStackUp) {
  const char* kMessage = "Do you want to save the changes you made to the document?";
  const char* kExplanation = "Your changes are lost if you don't save them.";
  RuntimeObject* dialog = Dialog(kMessage, kExplanation);
  Show(dialog, 0, true);
  Show(dialog, 2, true);
  MDBCaptionSetter(Button(dialog, 2), 0, string("Do&n't Save").Storage());
  std::vector<ScreenArea> row;
  std::vector<std::string> captions;
  int width = 0, height = 0, messageDiff = -1, explanationDiff = -1;
  QV::Rect message{}, explanation{};
  RuntimeObject* answer = Answer(dialog, [&](XWindow box, MessageDialog::Imp* window) {
    row = Row(box, window);
    captions = gui.ButtonCaptions(box);
    width = gui.Area(box).width;
    height = gui.Area(box).height;
    message = window->MessageRect();
    explanation = window->ExplanationRect();
    messageDiff =
        qvtest::DifferingTextPixels(gui, box, message, kMessage, window->MessageFont());
    explanationDiff = qvtest::DifferingTextPixels(gui, box, explanation, kExplanation,
                                                  window->ExplanationFont());
    gui.Click(gui.FindButton(box, "Don't Save"));
  });
  EXPECT_EQ(answer, Button(dialog, 2));
  EXPECT_EQ(captions, (std::vector<std::string>{"OK", "Don't Save", "Cancel"}));
  ASSERT_EQ(row.size(), 3u);
  EXPECT_EQ(row[0].width, ButtonWidthFor("OK"));
  EXPECT_EQ(row[1].width, ButtonWidthFor("Don't Save"));
  EXPECT_EQ(row[2].width, ButtonWidthFor("Cancel"));
  ExpectCentredRow(row, width, height);
  EXPECT_EQ(messageDiff, 0);
  EXPECT_EQ(explanationDiff, 0);
  EXPECT_EQ(message.left, 58);
  EXPECT_EQ(message.top, 12);
  EXPECT_EQ(message.right, width - 10);
  EXPECT_EQ(explanation.left, 58);
  EXPECT_EQ(explanation.top, message.bottom + 8);
  EXPECT_EQ(height, explanation.bottom - 12 + 68);
  EXPECT_EQ(Caption(Button(dialog, 2)), "Do&n't Save");
}

// The close box answers the cancel button, shown or not; Return the default button, Escape
// the cancel button, wherever those roles were moved.
TEST_F(MessageDialogs, TheCloseBoxReturnAndEscapeAnswerTheirButtons) {
  RuntimeObject* dialog = Dialog("Replace the file?");
  const auto close = [&](XWindow box, MessageDialog::Imp*) { gui.Close(box); };
  EXPECT_EQ(Answer(dialog, close), Button(dialog, 0));
  Show(dialog, 0, true);
  EXPECT_EQ(Answer(dialog, close), Button(dialog, 0));
  const auto escape = [&](XWindow, MessageDialog::Imp*) { gui.Key("Escape"); };
  EXPECT_EQ(Answer(dialog, escape), Button(dialog, 0));
  Show(dialog, 2, true);
  MDBBooleanSetter(Button(dialog, 2), 1, 1);
  MDBBooleanSetter(Button(dialog, 1), 2, 1);
  const auto enter = [&](XWindow, MessageDialog::Imp*) { gui.Key("Return"); };
  EXPECT_EQ(Answer(dialog, enter), Button(dialog, 2));
  EXPECT_EQ(Answer(dialog, escape), Button(dialog, 1));
}

// A long message wraps within 80 % of the work area; captions that need more widen the window
// to the button row.
TEST_F(MessageDialogs, LongTextsWrapWithinTheScreenUnlessTheButtonsNeedMore) {
  std::string words;
  for (int i = 0; i < 60; ++i) words += "The quick brown fox jumps. ";
  const int available = screen.available.right - screen.available.left;
  RuntimeObject* dialog = Dialog(words.c_str());
  int width = 0, height = 0, messageDiff = -1;
  RuntimeObject* answer = Answer(dialog, [&](XWindow box, MessageDialog::Imp* window) {
    width = gui.Area(box).width;
    height = gui.Area(box).height;
    messageDiff = qvtest::DifferingTextPixels(gui, box, window->MessageRect(), words,
                                              window->MessageFont());
    gui.Key("Return");
  });
  EXPECT_EQ(answer, Button(dialog, 1));
  EXPECT_EQ(width, int(float(available) * 0.8f));
  EXPECT_GT(height, 32 + 68 + 20);  // several lines
  EXPECT_EQ(messageDiff, 0);

  std::string caption(70, 'W');
  for (int code : {0, 1, 2}) {
    MDBCaptionSetter(Button(dialog, code), 0, string(caption.c_str()).Storage());
  }
  Show(dialog, 0, true);
  Show(dialog, 2, true);
  std::vector<ScreenArea> row;
  Answer(dialog, [&](XWindow box, MessageDialog::Imp* window) {
    row = Row(box, window);
    width = gui.Area(box).width;
    height = gui.Area(box).height;
    gui.Key("Return");
  });
  ASSERT_EQ(row.size(), 3u);
  const int total = 3 * ButtonWidthFor(caption.c_str()) + 2 * kButtonGap;
  EXPECT_GT(total, available * 8 / 10);
  EXPECT_EQ(width, 32 + 36 + total);
  ExpectCentredRow(row, width, height);
}

// Each icon value draws its stock icon; -1 none, with the icon column kept.
TEST_F(MessageDialogs, EachIconDrawsItsStockIconAndMinusOneNone) {
  const std::pair<int32_t, const char*> kIcons[] = {{1, GTK_STOCK_DIALOG_WARNING},
                                                   {2, GTK_STOCK_DIALOG_ERROR},
                                                   {3, GTK_STOCK_DIALOG_QUESTION},
                                                   {-1, nullptr}};
  RuntimeObject* dialog = Dialog("Disk almost full");
  for (auto [icon, stockId] : kIcons) {
    SCOPED_TRACE(icon);
    MDIconSetter(dialog, 0, icon);
    int diff = -1, otherDiff = -1;
    QV::Rect message{};
    Answer(dialog, [&, stockId = stockId](XWindow box, MessageDialog::Imp* window) {
      diff = qvtest::DifferingIconPixels(gui, box, 10, 12, stockId);
      otherDiff = qvtest::DifferingIconPixels(gui, box, 10, 12, GTK_STOCK_DIALOG_INFO);
      message = window->MessageRect();
      gui.Key("Return");
    });
    EXPECT_EQ(diff, 0);
    EXPECT_GT(otherDiff, 32);  // the comparison tells the icons apart
    EXPECT_EQ(message.left, 58);
  }
}

// Within a parent window: the same layout and answers, as a sheet of the parent.
TEST_F(MessageDialogs, WithinAParentTheLayoutIsTheSameAndTheDialogIsItsSheet) {
  qvtest::WindowObjectKit kit;
  kit.script.title = qvtest::UniqueWindowTitle("Parent");
  RuntimeObject* parent = kit.NewWindow();
  held.push_back(parent);
  ASSERT_TRUE(kit.ShowAndFocus(gui, parent));
  const XWindow parentBox = gui.WaitForWindow(kit.script.title);
  RuntimeObject* dialog = Dialog("Close the document?", "Unsaved changes are lost.");
  Show(dialog, 0, true);
  struct Seen {
    std::vector<ScreenArea> row;
    int width = 0, height = 0, kind = 0;
    std::string transientFor, state;
  };
  const auto look = [&](Seen& seen) {
    return [&](XWindow box, MessageDialog::Imp* window) {
      seen.row = Row(box, window);
      seen.width = gui.Area(box).width;
      seen.height = gui.Area(box).height;
      seen.kind = window->Kind();
      seen.transientFor = qvtest::XProperty(box, "WM_TRANSIENT_FOR");
      seen.state = qvtest::XProperty(box, "_NET_WM_STATE");
      gui.Click(gui.FindButton(box, "Cancel"));
    };
  };
  Seen alone, within;
  EXPECT_EQ(Answer(dialog, look(alone)), Button(dialog, 0));
  EXPECT_EQ(Answer(dialog, look(within), parent), Button(dialog, 0));
  EXPECT_EQ(within.row, alone.row);
  EXPECT_EQ(within.width, alone.width);
  EXPECT_EQ(within.height, alone.height);
  EXPECT_EQ(alone.kind, kWindowKindMovableModal);
  EXPECT_EQ(within.kind, kWindowKindSheet);
  char parentId[32];
  std::snprintf(parentId, sizeof parentId, "0x%lx", parentBox);
  EXPECT_NE(within.transientFor.find(parentId), std::string::npos) << within.transientFor;
  EXPECT_NE(within.state.find("_NET_WM_STATE_MODAL"), std::string::npos) << within.state;
  EXPECT_EQ(Record(dialog)->parentWindow, nullptr);  // not kept past the run
}

// A timer shows a dialog while another runs, and code pushes the first dialog's button before
// the second is answered: each run still answers its own button.
TEST_F(MessageDialogs, ADialogFromATimerInsideAnotherKeepsEachAnswer) {
  RuntimeObject* first = Dialog("First");
  Show(first, 2, true);
  RuntimeObject* second = Dialog("Second");
  RuntimeObject* secondAnswer = nullptr;
  MessageDialog::Imp* firstWindow = nullptr;
  std::function<void()> timer = [&] {
    secondAnswer = Answer(second, [&](XWindow, MessageDialog::Imp*) {
      firstWindow->AlternatePane()->Push();
      gui.Key("Return");
    });
  };
  const auto fire = [](gpointer action) -> gboolean {
    (*static_cast<std::function<void()>*>(action))();
    return FALSE;
  };
  RuntimeObject* firstAnswer = Answer(first, [&](XWindow, MessageDialog::Imp* window) {
    firstWindow = window;
    g_timeout_add(0, fire, &timer);
  });
  EXPECT_EQ(secondAnswer, Button(second, 1));
  EXPECT_EQ(firstAnswer, Button(first, 2));
}

// The run holds the dialog: compiled code that drops its last reference while the dialog is
// shown (a handler of another window) leaves the run and its answer intact.
TEST_F(MessageDialogs, TheRunHoldsTheDialogAndItsButtons) {
  RuntimeObject* dialog = Dialog("Still here");
  held.pop_back();  // the run's reference is the last one once the step drops ours
  RuntimeObject* kept = MDButtonGetter(dialog, 1);
  RuntimeObject* answer = Answer(dialog, [&](XWindow, MessageDialog::Imp*) {
    RuntimeUnlockObject(dialog);
    gui.Key("Return");
  });
  EXPECT_EQ(answer, kept);
  EXPECT_EQ(kept->refCount, 1);  // ours: the dialog is gone and let its button go
  EXPECT_EQ(MDBBooleanGetter(kept, 0), 0);
  RuntimeUnlockObject(kept);
}

// Once quitting was requested a run builds and closes its window without a pass: the dialog
// answers nil and a message box Cancel, even one without a cancel button.
TEST_F(MessageDialogs, AfterQuittingWasRequestedARunAnswersNoButton) {
  RuntimeObject* dialog = Dialog("Goodbye");
  MainLoopSetQuit();
  RuntimeObject* answer = MessageDialogShowModal(dialog);
  const int32_t code = VB_RuntimeMsgBox(string("Goodbye").Storage(), 4, nullptr);
  ClearQuitRequestForTesting();
  EXPECT_EQ(answer, nullptr);
  EXPECT_EQ(code, kMsgBoxCancel);
  EXPECT_EQ(qvtest::ShownMessageDialog(), nullptr);
}

}  // namespace
