// The edit field on GTK: text, selection, clipboard, appearance, scrolling, line and point
// conversions, and plain files. Positions are characters: GtkEditable positions in an entry,
// GtkTextIter offsets in a text view.
#include <cerrno>
#include <cstdlib>
#include <memory>

#include "app/FolderItemImp.h"
#include "controls/EditControlGTK.h"
#include "core/RuntimeError.h"
#include "files/FolderItemShared.h"
#include "files/RandomAccessMechanism.h"
#include "graphics/PangoFonts.h"
#include "strings/TextEncoding.h"
#include "windows/GtkSymbols.h"

namespace {

// GTK's copy of some UTF-8 text as a string of the requested encoding; the copy is freed.
string AdoptGtkText(gchar* text, TextEncoding encoding) {
  string utf8 = string::FromBytes(text, text ? int64_t(strlen(text)) : 0, kEncodingUTF8);
  g_free(text);
  return encoding == kEncodingUTF8 ? utf8 : ConvertEncoding(utf8, encoding);
}

GdkColor ToGdkColor(const RGBColor16& color) {
  GdkColor c{};
  c.red = color.red;
  c.green = color.green;
  c.blue = color.blue;
  return c;
}

// Line numbers from compiled code times a line height stay within what a GTK coordinate holds.
int32_t LineTop(int32_t line, int32_t height) {
  const int64_t top = int64_t(line < 0 ? 0 : line) * height;
  return top > INT32_MAX ? INT32_MAX : int32_t(top);
}

}  // namespace

void EditControlGTK::IterAt(GtkTextIter* iter, int32_t offset) {
  gtk_text_buffer_get_iter_at_offset(mBuffer, iter, offset < 0 ? 0 : offset);
}

string EditControlGTK::GetText(TextEncoding encoding) {
  if (!mMultiLine) {
    const gchar* text = gtk_entry_get_text(GTK_ENTRY(GetWidget()));
    return AdoptGtkText(g_strdup(text), encoding);
  }
  GtkTextIter start;
  GtkTextIter end;
  gtk_text_buffer_get_bounds(mBuffer, &start, &end);
  return AdoptGtkText(gtk_text_buffer_get_text(mBuffer, &start, &end, FALSE), encoding);
}

void EditControlGTK::SetText(const string& text) {
  mRunsStale = true;
  const string utf8 = TextForPango(text);
  if (mMultiLine) {
    gtk_text_buffer_set_text(mBuffer, utf8.CString(), utf8.Length());
  } else {
    gtk_entry_set_text(GTK_ENTRY(GetWidget()), utf8.CString());
  }
}

void EditControlGTK::SetSelection(int32_t start, int32_t end) {
  if (!mMultiLine) {
    gtk_editable_select_region(GTK_EDITABLE(GetWidget()), start, end);
    return;
  }
  GtkTextIter iter;
  IterAt(&iter, start);
  gtk_text_buffer_place_cursor(mBuffer, &iter);
  IterAt(&iter, end);
  gtk_text_buffer_move_mark_by_name(mBuffer, "selection_bound", &iter);
}

bool EditControlGTK::GetSelectionBounds() {
  if (!mMultiLine) return gtk_editable_get_selection_bounds(GTK_EDITABLE(GetWidget()), nullptr, nullptr);
  return gtk_text_buffer_get_selection_bounds(mBuffer, nullptr, nullptr);
}

// The selection's lower and upper bounds; both the caret when nothing is selected.
void EditControlGTK::SelectionOffsets(int32_t* start, int32_t* end) {
  if (!mMultiLine) {
    gint from = 0;
    gint to = 0;
    GtkEditable* editable = GTK_EDITABLE(GetWidget());
    if (!gtk_editable_get_selection_bounds(editable, &from, &to)) {
      from = to = gtk_editable_get_position(editable);
    }
    *start = from;
    *end = to;
    return;
  }
  GtkTextIter from;
  GtkTextIter to;
  gtk_text_buffer_get_selection_bounds(mBuffer, &from, &to);
  *start = gtk_text_iter_get_offset(&from);
  *end = gtk_text_iter_get_offset(&to);
}

int32_t EditControlGTK::GetSelStart() {
  int32_t start = 0;
  int32_t end = 0;
  SelectionOffsets(&start, &end);
  return start;
}

int32_t EditControlGTK::GetSelEnd() {
  int32_t start = 0;
  int32_t end = 0;
  SelectionOffsets(&start, &end);
  return end;
}

int32_t EditControlGTK::GetSelLength() {
  int32_t start = 0;
  int32_t end = 0;
  SelectionOffsets(&start, &end);
  return end - start;
}

void EditControlGTK::SetSelStart(int32_t position) {
  if (!mMultiLine) {
    gtk_editable_set_position(GTK_EDITABLE(GetWidget()), position);
    return;
  }
  GtkTextIter iter;
  IterAt(&iter, position);
  gtk_text_buffer_place_cursor(mBuffer, &iter);
}

void EditControlGTK::SetSelLength(int32_t length) {
  const int32_t start = GetSelStart();
  SetSelection(start, int32_t(std::min<int64_t>(int64_t(start) + length, INT32_MAX)));
}

string EditControlGTK::GetSelText(TextEncoding encoding) {
  if (!mMultiLine) {
    gint start = 0;
    gint end = 0;
    GtkEditable* editable = GTK_EDITABLE(GetWidget());
    if (!gtk_editable_get_selection_bounds(editable, &start, &end)) return string();
    return AdoptGtkText(gtk_editable_get_chars(editable, start, end), encoding);
  }
  GtkTextIter start;
  GtkTextIter end;
  gtk_text_buffer_get_selection_bounds(mBuffer, &start, &end);
  return AdoptGtkText(gtk_text_buffer_get_text(mBuffer, &start, &end, FALSE), encoding);
}

void EditControlGTK::SetSelText(const string& text) {
  Clear();
  if (IsClosing()) return;
  const string utf8 = TextForPango(text);
  InsertAtCursor(utf8.CString(), utf8.Length());
  if (!IsClosing()) ScrollToCursor();
}

// Text goes in at the end iterator, so a caret or selection inside the text is not moved (no
// mark to set, no cursor to lay out) and a caret at the end is carried along by the insertion.
void EditControlGTK::AppendText(const string& text, int32_t excess) {
  mRunsStale = true;
  const string utf8 = TextForPango(text);
  if (mMultiLine) {
    AppendToBuffer(utf8, excess);
  } else {
    AppendToEntry(utf8, excess);
  }
}

// Deleting moves the caret and selection back with their characters; those inside the deleted
// head end at its start.
void EditControlGTK::AppendToEntry(const string& utf8, int32_t excess) {
  GtkEditable* editable = GTK_EDITABLE(GetWidget());
  if (excess > 0) {
    gtk_editable_delete_text(editable, 0, excess);
    if (PaneOrWindowClosing()) return;
  }
  const int32_t length = TextLength();
  int32_t start = 0;
  int32_t end = 0;
  SelectionOffsets(&start, &end);
  gint position = length;
  gtk_editable_insert_text(editable, utf8.CString(), utf8.Length(), &position);
  // The entry leaves a caret at the insertion point where it was.
  if (start == length && end == length && !PaneOrWindowClosing()) {
    gtk_editable_set_position(editable, -1);
  }
}

void EditControlGTK::AppendToBuffer(const string& utf8, int32_t excess) {
  const bool followEnd = EndLineInView();
  const int32_t scroll = excess > 0 && !followEnd ? GetScrollPosition() : 0;
  if (excess > 0) {
    GtkTextIter from;
    GtkTextIter to;
    IterAt(&from, 0);
    IterAt(&to, excess);
    gtk_text_buffer_delete(mBuffer, &from, &to);
    if (PaneOrWindowClosing()) return;
  }
  int32_t start = 0;
  int32_t end = 0;
  SelectionOffsets(&start, &end);
  GtkTextIter last;
  gtk_text_buffer_get_end_iter(mBuffer, &last);
  const int32_t length = gtk_text_iter_get_offset(&last);
  gtk_text_buffer_insert(mBuffer, &last, utf8.CString(), utf8.Length());
  if (PaneOrWindowClosing()) return;
  if (followEnd) {
    // A log whose end was in view keeps following it, the caret with it.
    if (start != length) {
      gtk_text_buffer_get_end_iter(mBuffer, &last);
      gtk_text_buffer_place_cursor(mBuffer, &last);
    }
    FollowEndOnceIdle();
    return;
  }
  // A selection that reached the end was stretched by the insertion: its end goes back.
  if (start < end && end == length) SetSelection(start, end);
  // Deleting the head moved the lines up under the view: the same line number comes back.
  if (excess > 0) SetScrollPosition(scroll);
}

void EditControlGTK::Clear() {
  mRunsStale = true;
  if (mMultiLine) {
    gtk_text_buffer_delete_selection(mBuffer, FALSE, TRUE);
  } else {
    gtk_editable_delete_selection(GTK_EDITABLE(GetWidget()));
  }
}

void EditControlGTK::Cut() {
  mRunsStale = true;
  if (mMultiLine) {
    gtk_text_buffer_cut_clipboard(mBuffer, gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), TRUE);
  } else {
    gtk_editable_cut_clipboard(GTK_EDITABLE(GetWidget()));
  }
}

void EditControlGTK::Copy() {
  if (mMultiLine) {
    gtk_text_buffer_copy_clipboard(mBuffer, gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
  } else {
    gtk_editable_copy_clipboard(GTK_EDITABLE(GetWidget()));
  }
}

void EditControlGTK::Paste() {
  mRunsStale = true;
  if (mMultiLine) {
    gtk_text_buffer_paste_clipboard(mBuffer, gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), nullptr,
                                    TRUE);
  } else {
    gtk_editable_paste_clipboard(GTK_EDITABLE(GetWidget()));
  }
}

bool EditControlGTK::GetReadOnly() {
  if (mMultiLine) return !gtk_text_view_get_editable(GTK_TEXT_VIEW(mTextView));
  return !gtk_editable_get_editable(GTK_EDITABLE(GetWidget()));
}

void EditControlGTK::SetReadOnly(bool readOnly) {
  if (mMultiLine) {
    gtk_text_view_set_editable(GTK_TEXT_VIEW(mTextView), !readOnly);
  } else {
    gtk_editable_set_editable(GTK_EDITABLE(GetWidget()), !readOnly);
  }
}

void EditControlGTK::SetPassword(bool password) {
  if (!mMultiLine) gtk_entry_set_visibility(GTK_ENTRY(GetWidget()), !password);
}

void EditControlGTK::SetLimitText(int32_t limit) {
  if (!mMultiLine) gtk_entry_set_max_length(GTK_ENTRY(GetWidget()), limit < 0 ? 0 : limit);
}

void EditControlGTK::SetTextColor(const RGBColor16& color) {
  mRunsStale = true;
  const GdkColor c = ToGdkColor(color);
  gtk_widget_modify_text(InputWidget(), GTK_STATE_NORMAL, &c);
}

void EditControlGTK::SetBackColor(const RGBColor16& color) {
  mBackColor = ToGdkColor(color);
  mHasBackColor = true;
  gtk_widget_modify_base(InputWidget(), GTK_STATE_NORMAL, &mBackColor);
}

void EditControlGTK::SetAlignment(int32_t alignment) {
  if (uint32_t(alignment) == mImplementationWord) return;
  mRunsStale = true;
  mImplementationWord = uint32_t(alignment);
  if (alignment < kFieldAlignDefault || alignment > kFieldAlignRight) return;
  const int index = alignment == kFieldAlignCenter ? 1 : alignment == kFieldAlignRight ? 2 : 0;
  if (mMultiLine) {
    static const GtkJustification kJustify[] = {GTK_JUSTIFY_LEFT, GTK_JUSTIFY_CENTER,
                                                GTK_JUSTIFY_RIGHT};
    gtk_text_view_set_justification(GTK_TEXT_VIEW(mTextView), kJustify[index]);
    return;
  }
  // Missing before GTK 2.4: single-line alignment is then not shown.
  static OptionalGtkFunction setAlignment("gtk_entry_set_alignment");
  using SetAlignmentFunction = void (*)(GtkEntry*, gfloat);
  static const gfloat kXAlign[] = {0.0f, 0.5f, 1.0f};
  if (auto function = setAlignment.As<SetAlignmentFunction>()) {
    function(GTK_ENTRY(GetWidget()), kXAlign[index]);
  }
}

// ---- scrolling, lines and points ----

int32_t EditControlGTK::FirstLineHeight() {
  if (!GTK_WIDGET_REALIZED(mTextView)) gtk_widget_realize(mTextView);
  GtkTextIter iter;
  IterAt(&iter, 0);
  GdkRectangle location;
  gtk_text_view_get_iter_location(GTK_TEXT_VIEW(mTextView), &iter, &location);
  // Text set a moment ago is not laid out until the main loop runs again (an AppendText
  // straight after emptying the field): no height yet, which the callers take as the top.
  return location.height > 0 ? location.height : 0;
}

int32_t EditControlGTK::GetScrollPosition() {
  if (!mMultiLine) return 0;
  GdkRectangle visible;
  gtk_text_view_get_visible_rect(GTK_TEXT_VIEW(mTextView), &visible);
  if (!mWraps) {
    GtkTextIter iter;
    gtk_text_view_get_line_at_y(GTK_TEXT_VIEW(mTextView), &iter, visible.y, nullptr);
    return gtk_text_iter_get_line(&iter);
  }
  const int32_t height = FirstLineHeight();
  return height > 0 ? visible.y / height : 0;
}

void EditControlGTK::SetScrollPosition(int32_t line) {
  if (!mMultiLine) return;
  GtkTextIter iter;
  IterAt(&iter, 0);
  if (!mWraps) {
    gtk_text_iter_set_line(&iter, line < 0 ? 0 : line);
  } else {
    const int32_t height = FirstLineHeight();
    if (height <= 0) return;
    gtk_text_view_get_iter_at_location(GTK_TEXT_VIEW(mTextView), &iter, 0,
                                       LineTop(line, height));
  }
  ScrollToIter(&iter);
}

int32_t EditControlGTK::GetScrollPositionX() {
  if (!mMultiLine) return 0;
  GtkAdjustment* adjustment = gtk_scrolled_window_get_hadjustment(GTK_SCROLLED_WINDOW(GetWidget()));
  return adjustment ? int32_t(gtk_adjustment_get_value(adjustment)) : 0;
}

void EditControlGTK::SetScrollPositionX(int32_t x) {
  if (!mMultiLine) return;
  GtkAdjustment* adjustment = gtk_scrolled_window_get_hadjustment(GTK_SCROLLED_WINDOW(GetWidget()));
  if (adjustment) gtk_adjustment_set_value(adjustment, x);
}

int32_t EditControlGTK::LineNumAtCharPos(int32_t position) {
  if (!mMultiLine) return 0;
  GtkTextIter iter;
  IterAt(&iter, position);
  if (!mWraps) return gtk_text_iter_get_line(&iter);
  if (!GTK_WIDGET_REALIZED(mTextView)) gtk_widget_realize(mTextView);
  GdkRectangle location;
  gtk_text_view_get_iter_location(GTK_TEXT_VIEW(mTextView), &iter, &location);
  if (!QV_CHECK_TEXT(location.height > 0, "iterLocation.height > 0", nullptr)) return 0;
  return location.y / location.height;
}

int32_t EditControlGTK::CharPosAtLineNum(int32_t line) {
  if (!mMultiLine) return 1;
  if (line < 0) line = 0;
  if (!mWraps) {
    if (int64_t(line) + 1 > gtk_text_buffer_get_line_count(mBuffer)) {
      return gtk_text_buffer_get_char_count(mBuffer) + 1;
    }
    GtkTextIter iter;
    gtk_text_buffer_get_iter_at_line(mBuffer, &iter, line);
    return gtk_text_iter_get_offset(&iter) + 1;
  }
  const int32_t height = FirstLineHeight();
  if (height <= 0) return 1;
  GtkTextIter iter;
  gtk_text_view_get_iter_at_location(GTK_TEXT_VIEW(mTextView), &iter, 0, LineTop(line, height));
  return gtk_text_iter_get_offset(&iter) + 1;
}

int32_t EditControlGTK::CharPosAtXY(int32_t x, int32_t y) {
  if (!mMultiLine) return 1;
  GdkRectangle visible;
  gtk_text_view_get_visible_rect(GTK_TEXT_VIEW(mTextView), &visible);
  GtkTextIter iter;
  gtk_text_view_get_iter_at_location(GTK_TEXT_VIEW(mTextView), &iter, visible.x + x,
                                     visible.y + y);
  return gtk_text_iter_get_offset(&iter);
}

// Both widgets keep their length in characters: nothing is counted.
int32_t EditControlGTK::TextLength() {
  if (mMultiLine) return gtk_text_buffer_get_char_count(mBuffer);
  return int32_t(gtk_entry_get_text_length(GTK_ENTRY(GetWidget())));
}

bool EditControlGTK::IsEndVisible() {
  if (!mMultiLine) return false;
  GdkRectangle visible;
  gtk_text_view_get_visible_rect(GTK_TEXT_VIEW(mTextView), &visible);
  GtkTextIter end;
  gtk_text_buffer_get_end_iter(mBuffer, &end);
  GdkRectangle location;
  gtk_text_view_get_iter_location(GTK_TEXT_VIEW(mTextView), &end, &location);
  return int64_t(location.y) + location.height <= int64_t(visible.y) + visible.height;
}

// Lines appended in a row ask for one scroll, made when the main loop is next idle, before GTK
// lays out and draws the text: the view moves exactly as if each append had asked for it.
void EditControlGTK::FollowEndOnceIdle() {
  if (mFollowEnd) return;
  if (!RetainChain()) return;
  mFollowEnd = true;
  g_idle_add_full(G_PRIORITY_HIGH_IDLE, &EditControlGTK::FollowEnd, this, nullptr);
}

gboolean EditControlGTK::FollowEnd(gpointer data) {
  auto* field = static_cast<EditControlGTK*>(data);
  if (field->mFollowEnd && !field->IsClosing()) {
    GtkTextIter end;
    gtk_text_buffer_get_end_iter(field->mBuffer, &end);
    field->ScrollToIter(&end);
  }
  field->mFollowEnd = false;
  field->ReleaseChain();
  return FALSE;
}

void EditControlGTK::ScrollToIter(const GtkTextIter* iter) {
  // A later scroll asked for replaces one still waiting for the idle moment.
  mFollowEnd = false;
  GtkTextMark* mark = gtk_text_buffer_create_mark(mBuffer, nullptr, iter, FALSE);
  gtk_text_view_scroll_to_mark(GTK_TEXT_VIEW(mTextView), mark, 0, FALSE, 0, 0);
  gtk_text_buffer_delete_mark(mBuffer, mark);
}

// Measured on the last line's laid-out height (none yet for one just added) rather than on the
// end character's place, which would lay that line out again after every append.
bool EditControlGTK::EndLineInView() {
  GdkRectangle visible;
  gtk_text_view_get_visible_rect(GTK_TEXT_VIEW(mTextView), &visible);
  GtkTextIter end;
  gtk_text_buffer_get_end_iter(mBuffer, &end);
  gint top = 0;
  gint height = 0;
  gtk_text_view_get_line_yrange(GTK_TEXT_VIEW(mTextView), &end, &top, &height);
  return int64_t(top) + height <= int64_t(visible.y) + visible.height;
}

// ---- plain files ----

bool EditControlGTK::OpenStyledFile(FolderItemImp* item) {
  if (!item) return false;
  std::unique_ptr<RandomAccessMechanism> file(item->OpenAsMechanism(true, false));
  if (!file) return false;
  const int64_t length = file->GetLength();
  // The text is one string: a longer file is refused, not read by the low bits of its length.
  if (length < 0 || length > int64_t(kMaxStringLength)) return false;
  string bytes;
  if (length > 0) {
    if (!bytes.AllocateBuffer(length)) return false;
    int32_t read = 0;
    if (!file->Read(static_cast<char*>(bytes), int32_t(length), &read) || read != length) {
      return false;
    }
  }
  file->Close();
  SetText(bytes);
  return true;
}

bool EditControlGTK::SaveStyledFile(FolderItemImp* item) {
  if (!item) return false;
  // An older document at the item stays unless the new one is written whole.
  const string text = GetText(kEncodingUTF8);
  return SaveReplacing(
      *item, string("text"),
      [&text](RandomAccessMechanism& file) {
        return text.Length() == 0 || file.Write(text.CString(), text.Length());
      },
      EIO);
}
