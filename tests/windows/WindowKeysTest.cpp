// Keys: translation to characters and compose sequences (every sequence of the table against
// GTK's own input method), the window's key pipeline with real key presses (text fields,
// default and cancel buttons, Tab order, Shift+F10, typed text in other scripts), and the keys
// held down.
#include <gtest/gtest.h>

#include <algorithm>

#include "WindowFixtures.h"
#include "app/ClassLibraryHooks.h"
#include "support/TestSupport.h"
#include "windows/ComposeTable.h"
#include "windows/GtkInput.h"
#include "windows/KeyTranslation.h"
#include "windows/PaneFocus.h"

namespace {

using qvtest::InputPane;
using qvtest::InputWidget;
using qvtest::MakeRect;

GdkEventKey KeyEvent(guint keyval, guint state = 0, GdkWindow* window = nullptr) {
  GdkEventKey event = {};
  event.type = GDK_KEY_PRESS;
  event.window = window;
  event.keyval = keyval;
  event.state = state;
  return event;
}

// What the keys give, one entry a key: the character, or -1 while none comes.
std::vector<int64_t> Translated(std::initializer_list<guint> keys) {
  std::vector<int64_t> results;
  for (guint key : keys) {
    const GdkEventKey event = KeyEvent(key);
    uint32_t character = 0;
    results.push_back(TranslateKeyEvent(&event, &character) ? int64_t(character) : -1);
  }
  return results;
}

TEST(KeyTranslation, SpecialKeysKeepTheirCodesAndOtherKeysGiveTheirCharacters) {
  EXPECT_EQ(KeysymToChar(GDK_KEY_Return), 13u);
  EXPECT_EQ(KeysymToChar(GDK_KEY_KP_Enter), 3u);
  EXPECT_EQ(KeysymToChar(GDK_KEY_ISO_Left_Tab), 9u);
  EXPECT_EQ(KeysymToChar(GDK_KEY_KP_5), uint32_t('5'));
  EXPECT_EQ(KeysymToChar(GDK_KEY_KP_Separator), uint32_t('|'));
  EXPECT_EQ(KeysymToChar(GDK_KEY_KP_Delete), 127u);
  EXPECT_EQ(KeysymToChar(GDK_KEY_Escape), 27u);
  EXPECT_EQ(KeysymToChar(GDK_KEY_eacute), 0xE9u);
  EXPECT_EQ(KeysymToChar(GDK_KEY_Cyrillic_zhe), 0x436u);
  EXPECT_EQ(KeysymToChar(0x1004E2D), 0x4E2Du);  // a Unicode keysym
  EXPECT_EQ(KeysymToChar(GDK_KEY_F1), 0xBEu);     // no character: the keysym's low byte
  EXPECT_STREQ(MenuShortcutKeyName(GDK_KEY_F12, 0xC9).CString(), "F12");
  EXPECT_STREQ(MenuShortcutKeyName(GDK_KEY_KP_Enter, 3).CString(), "Enter");
  EXPECT_STREQ(MenuShortcutKeyName(GDK_KEY_KP_Prior, 11).CString(), "Page Up");
  EXPECT_STREQ(MenuShortcutKeyName(GDK_KEY_eacute, 0xE9).CString(), "\xC3\xA9");
}

TEST(KeyTranslation, ComposeSequencesCompleteOrAreDropped) {
  ResetComposeState();
  EXPECT_EQ(Translated({GDK_KEY_dead_acute, GDK_KEY_e}), (std::vector<int64_t>{-1, 0xE9}));
  EXPECT_EQ(Translated({GDK_KEY_Multi_key, GDK_KEY_apostrophe, GDK_KEY_e}),
            (std::vector<int64_t>{-1, -1, 0xE9}));
  // The whole character, not its low byte.
  EXPECT_EQ(Translated({GDK_KEY_dead_acute, GDK_KEY_C}), (std::vector<int64_t>{-1, 0x106}));
  EXPECT_EQ(Translated({GDK_KEY_dead_circumflex, GDK_KEY_dead_acute, GDK_KEY_a}),
            (std::vector<int64_t>{-1, -1, 0x1EA5}));
  // No sequence goes on so: both keys are dropped, and the next key is a key again.
  EXPECT_EQ(Translated({GDK_KEY_dead_acute, GDK_KEY_q, GDK_KEY_a}),
            (std::vector<int64_t>{-1, -1, 'a'}));
  EXPECT_EQ(Translated({GDK_KEY_dead_acute, 0x1004E2D, GDK_KEY_a}),
            (std::vector<int64_t>{-1, -1, 'a'}));
}

// Feeds GTK's simple input method and the translation the same key presses, one sequence at a
// time, and compares at which key each produced what.
TEST(KeyTranslation, EveryTableSequenceComposesAsGtksOwnInputMethodDoes) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  GtkIMContext* im = gtk_im_context_simple_new();
  gunichar committed = 0;
  g_signal_connect(im, "commit", G_CALLBACK(+[](GtkIMContext*, gchar* text, gunichar* out) {
                     *out = g_utf8_get_char(text);
                   }),
                   &committed);
  int compared = 0;
  for (const ComposeTable* table : {&kDeadKeyCompose, &kMultiKeyCompose}) {
    ASSERT_GT(table->count, 0);
    for (int32_t i = 0; i < table->count; ++i) {
      const ComposeEntry& entry = table->entries[i];
      if (i > 0) {
        const uint16_t* before = table->entries[i - 1].keys;
        ASSERT_TRUE(std::lexicographical_compare(before, before + 5, entry.keys, entry.keys + 5))
            << "sorted, no two alike: " << i;
      }
      gtk_im_context_reset(im);
      ResetComposeState();
      int gtkAt = -1, ourAt = -1, last = -1;
      gunichar gtkCharacter = 0;
      uint32_t ourCharacter = 0;
      for (int k = 0; k < 5 && entry.keys[k] != 0; ++k) {
        GdkEventKey event = KeyEvent(entry.keys[k], 0, gdk_get_default_root_window());
        committed = 0;
        gtk_im_context_filter_keypress(im, &event);
        if (committed && gtkAt < 0) {
          gtkAt = k;
          gtkCharacter = committed;
        }
        uint32_t character = 0;
        if (TranslateKeyEvent(&event, &character) && ourAt < 0) {
          ourAt = k;
          ourCharacter = character;
        }
        last = k;
      }
      std::string keys;
      for (uint16_t key : entry.keys) keys += " " + std::to_string(key);
      // Both go on to the last key and make the entry's character of it.
      EXPECT_EQ(gtkAt, last) << keys;
      EXPECT_EQ(ourAt, last) << keys;
      EXPECT_EQ(gtkCharacter, entry.character) << keys;
      EXPECT_EQ(ourCharacter, entry.character) << keys;
      ++compared;
    }
  }
  EXPECT_EQ(compared, kDeadKeyCompose.count + kMultiKeyCompose.count);
  g_object_unref(im);
  ResetComposeState();
}

class WindowKeys : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = new qvtest::LoggingWindow(&log);
    ResetComposeState();
  }
  void TearDown() override {
    if (window) window->Release();
  }
  InputPane* Pane(const char* name, int top, InputWidget widget = InputWidget::kNone) {
    return new InputPane(window, MakeRect(top, 10, top + 30, 200), name, &log, widget);
  }
  bool Logged(const std::string& entry) {
    return std::find(log.begin(), log.end(), entry) != log.end();
  }
  void Press(const char* chord) {
    log.clear();
    gui.Key(chord);
  }
  qvtest::GuiDriver gui;
  qvtest::PaneLog log;
  qvtest::LoggingWindow* window = nullptr;
};

TEST_F(WindowKeys, ReturnAndEnterPushTheDefaultButtonButReturnInAMultiLineFieldIsANewLine) {
  InputPane* entry = Pane("entry", 10, InputWidget::kEntry);
  InputPane* text = Pane("text", 50, InputWidget::kTextView);
  text->traits.multiLine = true;
  Pane("ok", 90)->isDefault = true;
  ASSERT_TRUE(window->OpenAndFocus(gui));
  entry->SetKeyboardFocus();
  ASSERT_EQ(GetFocusPane(), entry);
  Press("Return");
  EXPECT_TRUE(Logged("ok:push"));
  Press("KP_Enter");
  EXPECT_TRUE(Logged("ok:push"));

  // The focus goes to the text view inside the field's scrolled window, as an edit field gives it.
  gtk_widget_grab_focus(text->Editable());
  SetFocusPane(text);
  ASSERT_TRUE(gui.PumpUntil([&] { return gtk_widget_has_focus(text->Editable()); }));
  Press("Return");
  EXPECT_FALSE(Logged("ok:push"));
  GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(text->Editable()));
  EXPECT_EQ(gtk_text_buffer_get_char_count(buffer), 1);  // the new line
  Press("KP_Enter");
  EXPECT_TRUE(Logged("ok:push"));
  // A read-only field leaves every key to the window.
  text->traits.readOnly = true;
  Press("Return");
  EXPECT_TRUE(Logged("ok:push"));
}

TEST_F(WindowKeys, EscapeInATextFieldGoesToGtkUnlessTheWindowHasACancelButton) {
  InputPane* entry = Pane("entry", 10, InputWidget::kEntry);
  InputPane* cancel = Pane("cancel", 50);
  ASSERT_TRUE(window->OpenAndFocus(gui));
  entry->SetKeyboardFocus();
  Press("Escape");
  EXPECT_TRUE(Logged("entry:char 27"));
  EXPECT_FALSE(Logged("window:char 27"));
  cancel->isCancel = true;
  Press("Escape");
  EXPECT_TRUE(Logged("window:char 27"));
  EXPECT_TRUE(Logged("cancel:push"));
  // A hidden cancel button is none.
  cancel->SetVisible(false);
  Press("Escape");
  EXPECT_FALSE(Logged("cancel:push"));
}

TEST_F(WindowKeys, TabGoesRoundThePanesAndTheWindowAndShiftTabGoesBack) {
  InputPane* first = Pane("first", 10, InputWidget::kFocusable);
  Pane("plain", 50);
  InputPane* last = Pane("last", 90, InputWidget::kFocusable);
  ASSERT_TRUE(window->OpenAndFocus(gui));
  ASSERT_EQ(GetFocusPane(), first);  // the window gave its first focusable pane the focus
  Press("Tab");
  EXPECT_EQ(GetFocusPane(), last);
  EXPECT_TRUE(Logged("last:tab"));
  Press("Tab");
  EXPECT_EQ(GetFocusPane(), window);  // the window stands before the first pane
  Press("Tab");
  EXPECT_EQ(GetFocusPane(), first);
  Press("shift+Tab");  // ISO_Left_Tab
  EXPECT_EQ(GetFocusPane(), last);
  Press("shift+Tab");
  EXPECT_EQ(GetFocusPane(), first);
  // With Control the key is GTK's, which moves its own focus.
  Press("ctrl+Tab");
  EXPECT_FALSE(Logged("last:tab") || Logged("first:tab"));
}

TEST_F(WindowKeys, ModifierKeysAloneAreNotHandledAndShiftF10AsksForAContextualMenu) {
  ASSERT_TRUE(window->OpenAndFocus(gui));
  GdkEventKey shift = KeyEvent(GDK_KEY_Shift_L);
  EXPECT_FALSE(window->HandleKeyPress(&shift));
  EXPECT_EQ(CurrentModifiers(), kModifierShift);
  GdkEventKey alt = KeyEvent(GDK_KEY_Alt_R, GDK_SHIFT_MASK);
  EXPECT_FALSE(window->HandleKeyPress(&alt));
  EXPECT_EQ(CurrentModifiers(), kModifierShift | kModifierOption);
  EXPECT_TRUE(log.empty());
  Press("shift+F10");
  EXPECT_TRUE(Logged("window:contextual 0,0"));
}

TEST_F(WindowKeys, DeadKeysAndTypedTextReachTheFocusPaneAsCodePoints) {
  InputPane* canvas = Pane("canvas", 10, InputWidget::kFocusable);
  canvas->takesKeys = true;
  ASSERT_TRUE(window->OpenAndFocus(gui));
  ASSERT_EQ(GetFocusPane(), canvas);
  Press("dead_acute");
  EXPECT_TRUE(log.empty());
  gui.Key("e");
  EXPECT_EQ(log, (qvtest::PaneLog{"canvas:char 233"}));
  log.clear();
  // Characters the keyboard map lacks are put on spare keys first, as a second layout would.
  gui.Type("жё中文");
  ASSERT_TRUE(gui.PumpUntil([&] { return log.size() >= 4; }));
  EXPECT_EQ(log, (qvtest::PaneLog{"canvas:char 1078", "canvas:char 1105", "canvas:char 20013",
                                  "canvas:char 25991"}));
}

TEST_F(WindowKeys, AHeldKeyIsDownWhateverShiftDidMeanwhile) {
  ASSERT_TRUE(window->OpenAndFocus(gui));
  const auto xdotool = [&](std::vector<std::string> argv) {
    argv.insert(argv.begin(), "xdotool");
    qvtest::RunXTool(gui, argv);
  };
  xdotool({"keydown", "a"});
  EXPECT_TRUE(gui.PumpUntil([] { return IsMacKeyCodeDown(0); }));
  xdotool({"keydown", "shift"});
  EXPECT_TRUE(IsMacKeyCodeDown(56));
  xdotool({"keyup", "shift"});
  EXPECT_TRUE(IsMacKeyCodeDown(0));
  xdotool({"keydown", "shift"});
  xdotool({"keyup", "a"});  // released as "A"
  EXPECT_TRUE(gui.PumpUntil([] { return !IsMacKeyCodeDown(0); }));
  xdotool({"keyup", "shift"});
  EXPECT_FALSE(IsMacKeyCodeDown(56));
  EXPECT_FALSE(IsMacKeyCodeDown(10));  // no key has that code here
  for (const auto& [key, code] : {std::pair{"equal", 24u}, {"minus", 27u}, {"backslash", 42u}}) {
    xdotool({"keydown", key});
    EXPECT_TRUE(gui.PumpUntil([code = code] { return IsMacKeyCodeDown(code); })) << key;
    xdotool({"keyup", key});
  }

  xdotool({"keydown", "Escape"});
  EXPECT_TRUE(gui.PumpUntil([] { return WindowSystem().isCancelKeyDown(); }));
  xdotool({"keyup", "Escape"});
  EXPECT_TRUE(gui.PumpUntil([] { return !WindowSystem().isCancelKeyDown(); }));
}

}  // namespace
