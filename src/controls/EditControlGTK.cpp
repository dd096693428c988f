// The edit field on GTK: construction, the signals and their delegate calls, keys, focus,
// mouse and menus.
#include "controls/EditControlGTK.h"

#include "strings/UTF8.h"
#include "windows/GtkInput.h"
#include "windows/GtkLabels.h"
#include "windows/GtkPlacement.h"
#include "windows/PaneFocus.h"
#include "windows/Window.h"

EditControl* CreateEditControl(EditControlDelegate* delegate, SubPane* owner, int32_t panelIndex,
                               const QV::Rect& bounds, bool border, const FontSpec& font) {
  return new EditControlGTK(delegate, owner, panelIndex, bounds, border, font, false, false,
                            false, false);
}

EditControl* CreateMultilineEditControl(EditControlDelegate* delegate, SubPane* owner,
                                        int32_t panelIndex, const QV::Rect& bounds, bool border,
                                        const FontSpec& font, bool verticalScrollBar,
                                        bool horizontalScrollBar) {
  return new EditControlGTK(delegate, owner, panelIndex, bounds, border, font, true, false,
                            verticalScrollBar, horizontalScrollBar);
}

EditControl* CreateStyledEditControl(EditControlDelegate* delegate, SubPane* owner,
                                     int32_t panelIndex, const QV::Rect& bounds, bool border,
                                     const FontSpec& font) {
  return new EditControlGTK(delegate, owner, panelIndex, bounds, border, font, false, true,
                            false, false);
}

EditControl* CreateStyledMultilineEditControl(EditControlDelegate* delegate, SubPane* owner,
                                              int32_t panelIndex, const QV::Rect& bounds,
                                              bool border, const FontSpec& font,
                                              bool verticalScrollBar, bool horizontalScrollBar) {
  return new EditControlGTK(delegate, owner, panelIndex, bounds, border, font, true, true,
                            verticalScrollBar, horizontalScrollBar);
}

EditControlGTK::EditControlGTK(EditControlDelegate* delegate, SubPane* owner, int32_t panelIndex,
                               const QV::Rect& bounds, bool border, const FontSpec& font,
                               bool multiLine, bool styled, bool verticalScrollBar,
                               bool horizontalScrollBar)
    : EditControl(owner, panelIndex, bounds),
      mFont(font),
      mBorder(border),
      mHorizontalScrollBar(horizontalScrollBar),
      mVerticalScrollBar(verticalScrollBar),
      mStyled(styled),
      mDelegate(delegate) {
  mMultiLine = multiLine;
  if (multiLine) {
    BuildTextView(border);
  } else {
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_has_frame(GTK_ENTRY(entry), border);
    SetWidget(entry);
  }
  PutPaneInFixed(this, true);
  GtkWidget* input = InputWidget();
  SetWidgetFont(input, mFont);
  GObject* changes = multiLine ? G_OBJECT(mBuffer) : G_OBJECT(input);
  g_signal_connect(changes, "changed", G_CALLBACK(&EditControlGTK::OnChanged), this);
  g_signal_connect(input, "grab-focus", G_CALLBACK(&OnPaneGrabFocus), this);
  g_signal_connect(input, "button-press-event", G_CALLBACK(&OnPaneButtonPress), this);
  g_signal_connect(input, "button-release-event", G_CALLBACK(&EditControlGTK::OnButtonRelease),
                   this);
  g_signal_connect(input, "key-release-event", G_CALLBACK(&EditControlGTK::OnKeyRelease), this);
}

void EditControlGTK::BuildTextView(bool border) {
  GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller),
                                 mHorizontalScrollBar ? GTK_POLICY_AUTOMATIC : GTK_POLICY_NEVER,
                                 mVerticalScrollBar ? GTK_POLICY_AUTOMATIC : GTK_POLICY_NEVER);
  mTextView = gtk_text_view_new();
  gtk_widget_show(mTextView);
  mBuffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(mTextView));
  gtk_container_add(GTK_CONTAINER(scroller), mTextView);
  gtk_text_view_set_left_margin(GTK_TEXT_VIEW(mTextView), 2);
  gtk_text_view_set_right_margin(GTK_TEXT_VIEW(mTextView), 2);
  if (!mHorizontalScrollBar) {
    mWraps = true;
    const bool wordChar = gtk_major_version > 2 || (gtk_major_version == 2 && gtk_minor_version > 3);
    gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(mTextView),
                                wordChar ? GTK_WRAP_WORD_CHAR : GTK_WRAP_WORD);
  }
  // Created in rising priority: right over left over centre.
  gtk_text_buffer_create_tag(mBuffer, "center", "justification", GTK_JUSTIFY_CENTER, nullptr);
  gtk_text_buffer_create_tag(mBuffer, "left justify", "justification", GTK_JUSTIFY_LEFT, nullptr);
  gtk_text_buffer_create_tag(mBuffer, "right justify", "justification", GTK_JUSTIFY_RIGHT,
                             nullptr);
  if (mStyled) {
    mBoldTag = gtk_text_buffer_create_tag(mBuffer, "bold", "weight", 700, nullptr);
    mItalicTag =
        gtk_text_buffer_create_tag(mBuffer, "italic", "style", PANGO_STYLE_ITALIC, nullptr);
    mUnderlineTag = gtk_text_buffer_create_tag(mBuffer, "underline", "underline",
                                               PANGO_UNDERLINE_SINGLE, nullptr);
  }
  if (border) gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_ETCHED_IN);
  SetWidget(scroller);
}

EditControlGTK::~EditControlGTK() = default;

// ---- signals ----

void EditControlGTK::OnChanged(GObject*, EditControlGTK* field) {
  if (field->mDelegate) HoldForSignal(field, [field] { field->mDelegate->TextChanged(field); });
}

gboolean EditControlGTK::OnButtonRelease(GtkWidget* widget, GdkEventButton* event,
                                         EditControlGTK* field) {
  HoldForSignal(field, [&] {
    field->CheckSelectionChanged();
    if (!field->IsChainClosing()) DeliverMouseUp(widget, event, field);
  });
  return FALSE;
}

gboolean EditControlGTK::OnKeyRelease(GtkWidget*, GdkEventKey*, EditControlGTK* field) {
  // A release dispatched by a main loop that a handler of the press runs comes before GTK has
  // applied the press: the key's own move is looked for once the press is done.
  if (field->mKeyPressDepth > 0) field->mLookAfterKeyPress = true;
  HoldForSignal(field, [field] { field->CheckSelectionChanged(); });
  return FALSE;
}

gboolean EditControlGTK::LookAfterKeyPress(gpointer data) {
  auto* field = static_cast<EditControlGTK*>(data);
  if (!field->IsClosing()) field->CheckSelectionChanged();
  field->ReleaseChain();
  return FALSE;
}

void EditControlGTK::CheckSelectionChanged() {
  if (!mDelegate || IsClosing()) return;
  const int32_t start = GetSelStart();
  const int32_t length = GetSelLength();
  if (start == mLastSelStart && length == mLastSelLength) return;
  // Remembered first: a handler that moves the selection again is seen at the next look.
  mLastSelStart = start;
  mLastSelLength = length;
  if (!RetainChain()) return;
  mDelegate->EnableMenuItems(this);
  if (!IsClosing()) mDelegate->SelectionChanged(this);
  ReleaseChain();
}

// ---- focus, mouse, menus ----

void EditControlGTK::FocusGained() {
  if (mMultiLine && mTextView && !GTK_WIDGET_HAS_FOCUS(mTextView)) {
    gtk_widget_grab_focus(mTextView);
  }
  // Gaining the focus raises no SelChange.
  mLastSelStart = GetSelStart();
  mLastSelLength = GetSelLength();
  if (!mDelegate || !RetainChain()) return;
  mDelegate->GotFocus(this);
  ReleaseChain();
}

void EditControlGTK::FocusLost() {
  if (!mDelegate || !RetainChain()) return;
  mDelegate->LostFocus(this);
  ReleaseChain();
}

bool EditControlGTK::MouseDown(int32_t x, int32_t y, int32_t) {
  if (!mDelegate || !RetainChain()) return false;
  const QV::Rect& b = GetBounds();
  const bool taken = mDelegate->MouseDown(this, x - b.left, y - b.top);
  if (ReleaseChain()) return true;
  if (taken) SetMouseCapturePane(this);
  return taken;
}

void EditControlGTK::MouseUp(int32_t x, int32_t y) {
  if (!mDelegate || !RetainChain()) return;
  const QV::Rect& b = GetBounds();
  mDelegate->MouseUp(this, x - b.left, y - b.top);
  ReleaseChain();
}

void EditControlGTK::EnableMenuItems() {
  if (mDelegate) {
    if (!RetainChain()) return;
    mDelegate->EnableMenuItems(this);
    if (ReleaseChain()) return;
  }
  SubPane::EnableMenuItems();
}

bool EditControlGTK::HandleMenuCommand(RuntimeObject* item) {
  if (mDelegate) {
    if (!RetainChain()) return true;
    const bool handled = mDelegate->HandleMenuCommand(this, item);
    if (ReleaseChain() || handled) return true;
  }
  return SubPane::HandleMenuCommand(item);
}

void EditControlGTK::SetFieldFont(const FontSpec& font) {
  mRunsStale = true;
  mFont = font;
  SetWidgetFont(InputWidget(), mFont);
}

// ---- keys ----

namespace {

constexpr int32_t kBackspace = 8;
constexpr int32_t kTab = 9;
constexpr int32_t kReturn = 13;
constexpr int32_t kDelete = 127;

string CharacterText(int32_t character) {
  char bytes[kUTF8EncodeBufferSize];
  const int32_t n = UTF8Encode(character, bytes);
  return string::FromBytes(bytes, n, kEncodingUTF8);
}

}  // namespace

bool EditControlGTK::HandleChar(int32_t character, int32_t keyCode, int32_t modifiers) {
  if (mKeyPressDepth == 0) mLookAfterKeyPress = false;
  ++mKeyPressDepth;
  const bool handled = HandleKeyPress(character, keyCode, modifiers);
  --mKeyPressDepth;
  // GTK applies a key left to it after this returns (the mask step may have edited already):
  // the idle look sees where the caret ended.
  if (mKeyPressDepth == 0 && mLookAfterKeyPress && RetainChain()) {
    mLookAfterKeyPress = false;
    g_idle_add(&EditControlGTK::LookAfterKeyPress, this);
  }
  return handled;
}

bool EditControlGTK::HandleKeyPress(int32_t character, int32_t, int32_t modifiers) {
  mRunsStale = true;
  if (!RetainChain()) return true;
  bool handled = false;
  if (mDelegate) {
    handled = character <= 127 ? mDelegate->KeyDownChar(this, uint8_t(character), modifiers, 0)
                               : mDelegate->KeyDown(this, CharacterText(character), modifiers, 0);
    // A moved caret raises SelChange before the key acts.
    if (!handled && !PaneOrWindowClosing()) CheckSelectionChanged();
  }
  if (!handled && !PaneOrWindowClosing()) {
    if (character == kTab && mAcceptTabs) {
      Clear();
      if (!IsClosing()) InsertAtCursor("\t", 1);
      handled = true;
    } else if (character == kReturn && mMultiLine) {
      Clear();
      if (!IsClosing()) {
        InsertAtCursor("\n", 1);
        if (!IsClosing()) ScrollToCursor();
      }
      handled = true;
    } else if (mDelegate) {
      int32_t start = GetSelStart();
      int32_t length = GetSelLength();
      string inserted;
      bool validate = true;
      if (character == kBackspace) {
        // At the very start, nothing to delete: GTK's to ignore.
        if (length == 0 && start == 0) validate = false;
        if (length == 0) start -= 1, length = 1;
      } else if (character == kDelete) {
        if (length == 0 && start >= TextLength()) validate = false;
        if (length == 0) length = 1;
      } else if (character > 31) {
        inserted = CharacterText(character);
      } else {
        validate = false;
      }
      if (validate) {
        handled = mDelegate->ValidationError(this, start, length, start, inserted, false,
                                             character);
      }
    }
  }
  const bool closed = ReleaseChain();
  return handled || closed || PaneOrWindowClosing();
}

bool EditControlGTK::PaneOrWindowClosing() {
  Window* window = GetWindow();
  return IsClosing() || !window || window->IsClosing();
}

void EditControlGTK::InsertAtCursor(const char* utf8, int32_t bytes) {
  if (mMultiLine) {
    gtk_text_buffer_insert_at_cursor(mBuffer, utf8, bytes);
    return;
  }
  GtkEditable* editable = GTK_EDITABLE(GetWidget());
  gint position = gtk_editable_get_position(editable);
  gtk_editable_insert_text(editable, utf8, bytes, &position);
  if (!IsClosing()) gtk_editable_set_position(editable, position);
}

void EditControlGTK::ScrollToCursor() {
  if (!mMultiLine) return;
  GtkTextIter start;
  GtkTextIter end;
  gtk_text_buffer_get_selection_bounds(mBuffer, &start, &end);
  ScrollToIter(&start);
}
