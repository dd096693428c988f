// The edit field on GTK. A single-line field is one GtkEntry; a multi-line field is a
// GtkTextView in a GtkScrolledWindow (the pane's widget), its text in the view's buffer. Every
// operation asks IsMultiLine and works on the entry through GtkEditable or on the buffer.
//
// Events: the buffer's or entry's "changed" is TextChanged; presses and releases reach the pane
// through the window's shared handlers, a release and a key release first compare the
// selection with the last one seen (CheckSelectionChanged). Keys come from the window's key
// pipeline as whole code points (HandleChar): the delegate's KeyDown first, then the
// input-mask check before GTK applies the key. Every delegate call holds the owner chain and
// nothing is touched after it once the pane began closing.
//
// Styles live in a styled multi-line field as text tags: three fixed ones ("bold", "italic",
// "underline"), three justification tags, and value tags named by a prefix and the value
// ("fontName", "fontSize", "foregroundColor"), at most one per prefix on a character.
#pragma once

#include <gtk/gtk.h>

#include <vector>

#include "controls/EditControl.h"

class EditControlGTK : public EditControl {
 public:
  EditControlGTK(EditControlDelegate* delegate, SubPane* owner, int32_t panelIndex,
                 const QV::Rect& bounds, bool border, const FontSpec& font, bool multiLine,
                 bool styled, bool verticalScrollBar, bool horizontalScrollBar);
  ~EditControlGTK() override;

  // ---- SubPane ----
  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  void MouseUp(int32_t x, int32_t y) override;
  void FocusLost() override;
  void FocusGained() override;
  bool HandleChar(int32_t character, int32_t keyCode, int32_t modifiers) override;
  void EnableMenuItems() override;
  bool HandleMenuCommand(RuntimeObject* item) override;
  void DrawInto(Graphics& g) override;

  // ---- EditControl: events and appearance (EditControlGTK.cpp) ----
  void SetDelegate(EditControlDelegate* delegate) override { mDelegate = delegate; }
  EditControlDelegate* GetDelegate() override { return mDelegate; }
  FontSpec GetFieldFont() override { return mFont; }
  void SetFieldFont(const FontSpec& font) override;
  void SetAcceptTabs(bool acceptTabs) override { mAcceptTabs = acceptTabs; }
  bool GetAcceptTabs() override { return mAcceptTabs; }
  // When the selection differs from the last one seen: the delegate's EnableMenuItems, then
  // SelectionChanged, and the new one is remembered. Nothing without a delegate.
  void CheckSelectionChanged();

  // ---- text, selection, clipboard, appearance (EditControlGTKText.cpp) ----
  string GetText(TextEncoding encoding) override;
  // Read from the widget's own count: the text is not copied.
  int32_t TextLength() override;
  void SetText(const string& text) override;
  void SetSelection(int32_t start, int32_t end) override;
  bool GetSelectionBounds() override;
  void Cut() override;
  void Copy() override;
  void Paste() override;
  void Clear() override;
  int32_t GetSelStart() override;
  void SetSelStart(int32_t position) override;
  int32_t GetSelEnd() override;
  int32_t GetSelLength() override;
  void SetSelLength(int32_t length) override;
  string GetSelText(TextEncoding encoding) override;
  void SetSelText(const string& text) override;
  void AppendText(const string& text, int32_t excess) override;
  bool GetReadOnly() override;
  void SetReadOnly(bool readOnly) override;
  void SetPassword(bool password) override;
  void SetLimitText(int32_t limit) override;
  void SetTextColor(const RGBColor16& color) override;
  void SetBackColor(const RGBColor16& color) override;
  void SetAlignment(int32_t alignment) override;
  int32_t GetScrollPosition() override;
  void SetScrollPosition(int32_t line) override;
  int32_t GetScrollPositionX() override;
  void SetScrollPositionX(int32_t x) override;
  int32_t LineNumAtCharPos(int32_t position) override;
  int32_t CharPosAtLineNum(int32_t line) override;
  int32_t CharPosAtXY(int32_t x, int32_t y) override;
  int32_t InsertionPosAtXY(int32_t x, int32_t y) override { return CharPosAtXY(x, y); }
  bool IsEndVisible();
  bool OpenStyledFile(FolderItemImp* item) override;
  bool SaveStyledFile(FolderItemImp* item) override;

  // ---- styles (EditControlGTKStyles.cpp) ----
  string GetTextStyleData() override;
  void SetTextAndStyle(const string& text, const string& styleData) override;
  void SetSelBold(bool value) override;
  void SetSelUnderline(bool value) override;
  void SetSelItalic(bool value) override;
  void SetSelPlain(bool value) override;
  void SetSelFont(string& font) override;
  void SetSelTextSize(int32_t size) override;
  void SetSelTextColor(const RGBColor16& color) override;
  bool GetSelBold() override;
  bool GetSelUnderline() override;
  bool GetSelItalic() override;
  string GetSelTextFont() override;
  int32_t GetSelTextSize() override;
  RGBColor16 GetSelTextColor() override;
  void SetRangeBold(int32_t start, int32_t length, bool value);
  void SetRangeItalic(int32_t start, int32_t length, bool value);
  void SetRangeUnderline(int32_t start, int32_t length, bool value);
  bool RangeIsBold(int32_t start, int32_t length);
  bool RangeIsItalic(int32_t start, int32_t length);
  bool RangeIsUnderline(int32_t start, int32_t length);
  string GetRangeFont(int32_t start, int32_t length);
  int32_t GetRangeSize(int32_t start, int32_t length);
  uint32_t GetRangeColor(int32_t start, int32_t length);
  // The StyledText object of a styled field reads and writes the text's own styles.
  void SetStyleBold(int32_t start, int32_t length, bool value) override {
    SetRangeBold(start, length, value);
  }
  void SetStyleItalic(int32_t start, int32_t length, bool value) override {
    SetRangeItalic(start, length, value);
  }
  void SetStyleUnderline(int32_t start, int32_t length, bool value) override {
    SetRangeUnderline(start, length, value);
  }
  bool GetStyleBold(int32_t start, int32_t length) override { return RangeIsBold(start, length); }
  bool GetStyleItalic(int32_t start, int32_t length) override {
    return RangeIsItalic(start, length);
  }
  bool GetStyleUnderline(int32_t start, int32_t length) override {
    return RangeIsUnderline(start, length);
  }
  string GetStyleFont(int32_t start, int32_t length) override {
    return GetRangeFont(start, length);
  }
  int32_t GetStyleSize(int32_t start, int32_t length) override {
    return GetRangeSize(start, length);
  }
  uint32_t GetStyleColor(int32_t start, int32_t length) override {
    return GetRangeColor(start, length);
  }
  void SetStyleFont(int32_t start, int32_t length, const string& font) override;
  void SetStyleSize(int32_t start, int32_t length, int32_t size) override;
  void SetStyleColor(int32_t start, int32_t length, uint32_t color) override;
  int32_t StyleRunCount() override;
  bool GetStyleRun(int32_t index, StyleRunInfo* run) override;
  void InsertStyleRun(const StyleRunInfo& run, int32_t index) override;
  void AppendStyleRun(const StyleRunInfo& run) override;
  void RemoveStyleRun(int32_t index) override;
  bool GetStyleRunRange(int32_t index, int32_t* start, int32_t* length) override;
  void SetParagraphAlignment(int32_t start, int32_t length, int32_t alignment) override;

  bool IsStyled() const { return mStyled; }
  GtkWidget* TextView() const { return mTextView; }
  GtkWidget* Entry() { return mMultiLine ? nullptr : GetWidget(); }
  GtkTextBuffer* Buffer() const { return mBuffer; }

 private:
  static void OnChanged(GObject* source, EditControlGTK* field);
  static gboolean OnButtonRelease(GtkWidget* widget, GdkEventButton* event,
                                  EditControlGTK* field);
  static gboolean OnKeyRelease(GtkWidget* widget, GdkEventKey* event, EditControlGTK* field);
  static gboolean LookAfterKeyPress(gpointer data);
  bool HandleKeyPress(int32_t character, int32_t keyCode, int32_t modifiers);
  // The widget that takes the text, focus and input: the text view or the entry.
  GtkWidget* InputWidget() { return mMultiLine ? mTextView : GetWidget(); }
  // The scroll bars a multi-line field has, painted over its right and bottom edges.
  void DrawScrollBarsInto(Graphics& g);
  void BuildTextView(bool border);
  void InsertAtCursor(const char* utf8, int32_t bytes);
  // A handler run by the last change closed the pane or began closing its window.
  bool PaneOrWindowClosing();
  void AppendToEntry(const string& utf8, int32_t excess);
  void AppendToBuffer(const string& utf8, int32_t excess);
  // Whether the end's line reaches no lower than the visible area.
  bool EndLineInView();
  void FollowEndOnceIdle();
  static gboolean FollowEnd(gpointer data);
  // Scrolls the least that shows the iterator, once GTK has laid out the text.
  void ScrollToIter(const GtkTextIter* iter);
  void ScrollToCursor();
  // The line height of the first character, for display-line arithmetic on a wrapping field;
  // 0 after the failed check is reported.
  int32_t FirstLineHeight();
  void IterAt(GtkTextIter* iter, int32_t offset);
  void SelectionOffsets(int32_t* start, int32_t* end);
  bool StyledMultiLine() const { return mStyled && mMultiLine; }
  // (start, length) from compiled code limited to the text: a negative length is none.
  void ClampRange(int32_t* start, int32_t* length);
  std::vector<GtkTextTag*>* ValueTags(const char* prefix);
  static bool TagTouches(GtkTextTag* tag, const GtkTextIter* from, const GtkTextIter* to);
  void RemoveTagsByPrefix(int32_t start, int32_t end, const char* const* prefixes, int count,
                          GtkTextTag* keep = nullptr);
  string CommonTagValue(int32_t start, int32_t end, const char* prefix, const string& fallback);
  void ApplyValueTag(int32_t start, int32_t end, const char* prefix, const string& value);
  void ApplyFixedTag(GtkTextTag* tag, int32_t start, int32_t end, bool value);
  bool TagCovers(GtkTextTag* tag, int32_t start, int32_t end);
  bool SelectionOrCaret(int32_t* start, int32_t* end);
  StyleRunInfo StyleAt(const GtkTextIter* iter);
  template <typename Segment>
  void ForEachStyleStretch(Segment segment);
  void RebuildRuns();
  int32_t RunStart(int32_t index);
  void ApplyRunStyle(const StyleRunInfo& run, int32_t start, int32_t length);

  GdkColor mBackColor{};
  GtkTextBuffer* mBuffer = nullptr;
  FontSpec mFont;
  bool mHasBackColor = false;
  bool mBorder = false;
  bool mHorizontalScrollBar = false;
  bool mVerticalScrollBar = false;
  int32_t mLastSelLength = 0;
  int32_t mLastSelStart = 0;
  int32_t mKeyPressDepth = 0;       // HandleChar calls on the stack
  bool mLookAfterKeyPress = false;  // a key release came while a press was being handled
  bool mFollowEnd = false;          // a scroll to the end waits for the idle moment
  bool mStyled = false;
  bool mRunsStale = true;
  bool mWraps = false;
  GtkTextTag* mBoldTag = nullptr;
  GtkTextTag* mItalicTag = nullptr;
  GtkTextTag* mUnderlineTag = nullptr;
  GtkWidget* mTextView = nullptr;
  std::vector<StyleRunInfo> mRuns;
  std::vector<GtkTextTag*> mValueTags[3];  // font, size, colour tags made so far
  EditControlDelegate* mDelegate = nullptr;
  bool mAcceptTabs = false;
};
