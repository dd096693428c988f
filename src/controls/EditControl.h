// The native text-entry pane, as the language layer sees it: EditControl fixes what the
// EditField class and the styled-text model ask of a field and leaves the work to its platform
// class (EditControlGTK, over a GtkEntry or a GtkTextView).
//
// Two interfaces belong to it. EditControlDelegate receives the field's typing, focus, mouse,
// menu and text changes; a delegate call may close the pane, so the pane holds its owner chain
// for each call and touches nothing afterwards once it closed. StyledTextDelegate is what a
// StyledText object forwards to: a stand-alone model, or a styled field itself, whose styled
// operations it maps onto its own.
//
// Units: text positions and lengths count characters (not bytes) of UTF-8 text in which a line
// end is the one character "\n"; colours passed to the selection setters are three 16-bit
// channels (8-bit channel x 257), those of the range operations 0xRRGGBB.
#pragma once

#include <cstdint>

#include "database/DataBinding.h"
#include "graphics/Graphics.h"
#include "strings/RuntimeString.h"
#include "strings/TextStyle.h"
#include "windows/ContainerPane.h"

class EditControl;
class FolderItemImp;

// Colours of the selection operations are three 16-bit channels, of the range operations
// 0xRRGGBB; each 8-bit channel c is c x 257.

// One style run: a piece of text with one style. Two runs have the same style when the flags,
// size and colour are equal and the font names equal ignoring case (the text is not compared).
struct StyleRunInfo {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  uint32_t color = 0;  // 0xRRGGBB
  string font;
  int32_t size = 0;
  string text;  // UTF-8

  bool SameStyle(const StyleRunInfo& other) const;
};

// Characters of UTF-8 text (a multi-byte sequence counts once), as every position counts them.
int32_t CharacterCount(const string& utf8);

// Paragraph alignment values: 0 default, 1 left, 2 centre, 3 right.
enum FieldAlignment : int32_t {
  kFieldAlignDefault = 0,
  kFieldAlignLeft = 1,
  kFieldAlignCenter = 2,
  kFieldAlignRight = 3,
};

class EditControlDelegate {
 public:
  virtual ~EditControlDelegate() = default;
  // The hook of masked input, asked before a typed insertion or deletion: (start, deleted)
  // characters go and text is inserted at position. True when the delegate performed (or
  // refused) the edit itself, so the field leaves the key alone.
  virtual bool ValidationError(EditControl* /*field*/, int32_t /*start*/, int32_t /*deleted*/,
                               int32_t /*position*/, const string& /*text*/,
                               bool /*selectInserted*/, int32_t /*key*/) {
    return false;
  }
  virtual void TextChanged(EditControl* /*field*/) {}
  virtual void SelectionChanged(EditControl* /*field*/) {}
  virtual bool SelectAllOnFocus() { return false; }
  virtual void GotFocus(EditControl* /*field*/) {}
  virtual void LostFocus(EditControl* /*field*/) {}
  // A key up to 127; true when handled (the field then leaves the key alone).
  virtual bool KeyDownChar(EditControl* /*field*/, uint8_t /*key*/, int32_t /*modifiers*/,
                           int32_t /*extra*/) {
    return false;
  }
  // Any key as its text (UTF-8). The default hands the first byte of its text in the system's
  // 8-bit encoding to KeyDownChar (an empty key gives byte 0).
  virtual bool KeyDown(EditControl* field, const string& key, int32_t modifiers, int32_t extra);
  virtual bool KeyEndsEdit() { return false; }
  virtual void EnableMenuItems(EditControl* /*field*/) {}
  virtual bool ReservedQuery() { return false; }
  virtual bool HandleMenuCommand(EditControl* /*field*/, RuntimeObject* /*item*/) {
    return false;
  }
  virtual bool ControlEvent(EditControl* /*field*/, int32_t /*code*/) { return false; }
  // (x, y) relative to the field.
  virtual bool MouseDown(EditControl* /*field*/, int32_t /*x*/, int32_t /*y*/) { return false; }
  virtual bool MouseUp(EditControl* /*field*/, int32_t /*x*/, int32_t /*y*/) { return false; }
};

// What a StyledText object works through. Ranges are (start, length) in characters; colours
// are 0xRRGGBB. Run indexes outside 0 .. StyleRunCount() - 1 are the caller's to refuse.
class StyledTextDelegate {
 public:
  virtual ~StyledTextDelegate() = default;
  virtual void SetBold(int32_t start, int32_t length, bool value) = 0;
  virtual void SetItalic(int32_t start, int32_t length, bool value) = 0;
  virtual void SetUnderline(int32_t start, int32_t length, bool value) = 0;
  virtual void SetFont(int32_t start, int32_t length, const string& font) = 0;
  virtual void SetSize(int32_t start, int32_t length, int32_t size) = 0;
  virtual void SetColor(int32_t start, int32_t length, uint32_t color) = 0;
  virtual bool GetBold(int32_t start, int32_t length) = 0;
  virtual bool GetItalic(int32_t start, int32_t length) = 0;
  virtual bool GetUnderline(int32_t start, int32_t length) = 0;
  virtual string GetFont(int32_t start, int32_t length) = 0;
  virtual int32_t GetSize(int32_t start, int32_t length) = 0;
  virtual uint32_t GetColor(int32_t start, int32_t length) = 0;
  virtual int32_t StyleRunCount() = 0;
  // Run index's style and text into run; false when there is no such run.
  virtual bool GetStyleRun(int32_t index, StyleRunInfo* run) = 0;
  virtual void InsertStyleRun(const StyleRunInfo& run, int32_t index) = 0;
  virtual void AppendStyleRun(const StyleRunInfo& run) = 0;
  virtual void RemoveStyleRun(int32_t index) = 0;
  // Run index's start and length in characters; false when there is no such run.
  virtual bool GetStyleRunRange(int32_t index, int32_t* start, int32_t* length) = 0;
  virtual int32_t GetParagraphAlignment(int32_t start, int32_t length) = 0;
  virtual void SetParagraphAlignment(int32_t start, int32_t length, int32_t alignment) = 0;
  virtual void RunsChanged() {}
};

class EditControl : public ContainerPane, public DataAwareClass, public StyledTextDelegate {
 public:
  EditControl(SubPane* owner, int32_t panelIndex, const QV::Rect& bounds);
  ~EditControl() override;

  // ---- SubPane ----
  // Only while the refuse-focus flag is clear and the pane is enabled, visible and shown.
  bool CanTakeFocus() override;
  // Leaves the data control, unlinks the owner's StyledText object from this pane and forgets
  // the owner, then closes.
  void Close() override;
  TextFieldTraits GetTextFieldTraits() override;

  // ---- text and selection ----
  virtual string GetText(TextEncoding encoding) = 0;
  // Characters of the text (a multi-byte sequence counts once).
  virtual int32_t TextLength();
  virtual string GetTextStyleData() = 0;
  virtual void SetText(const string& text) = 0;
  virtual void SetTextAndStyle(const string& text, const string& styleData) = 0;
  virtual void SetSelection(int32_t start, int32_t end) = 0;
  virtual bool GetSelectionBounds() = 0;
  virtual void Cut() = 0;
  virtual void Copy() = 0;
  virtual void Paste() = 0;
  virtual void Clear() = 0;
  virtual int32_t GetSelStart() = 0;
  virtual void SetSelStart(int32_t position) = 0;
  virtual int32_t GetSelEnd() = 0;
  virtual int32_t GetSelLength() = 0;
  virtual bool IsMultiLine() { return mMultiLine; }
  virtual void SetSelLength(int32_t length) = 0;
  virtual string GetSelText(TextEncoding encoding) = 0;
  virtual void SetSelText(const string& text) = 0;
  // Removes the first `excess` characters (what would go over the limit), then adds the text at
  // the end. A caret at the end follows the text; a caret or selection elsewhere keeps its
  // characters. A multi-line view follows the end when the end was in view, else keeps its place.
  virtual void AppendText(const string& text, int32_t excess) = 0;
  virtual void SetDelegate(EditControlDelegate* delegate) = 0;
  virtual EditControlDelegate* GetDelegate() = 0;
  virtual bool GetReadOnly() = 0;
  virtual void SetReadOnly(bool readOnly) = 0;
  virtual FontSpec GetFieldFont() = 0;
  virtual void SetFieldFont(const FontSpec& font) = 0;
  virtual void SetMultiLine(bool multiLine) { mMultiLine = multiLine; }
  virtual void SetPassword(bool password) = 0;
  virtual void SetLimitText(int32_t limit) = 0;
  virtual void SetAcceptTabs(bool acceptTabs) = 0;
  virtual bool GetAcceptTabs() = 0;
  virtual void SetTextColor(const RGBColor16& color) = 0;
  virtual void SetBackColor(const RGBColor16& color) = 0;

  // ---- selection styles ----
  virtual void SetSelBold(bool value) = 0;
  virtual void SetSelUnderline(bool value) = 0;
  virtual void SetSelItalic(bool value) = 0;
  virtual void SetSelOutline(bool) {}
  virtual void SetSelShadow(bool) {}
  virtual void SetSelCondense(bool) {}
  virtual void SetSelExtend(bool) {}
  virtual void SetSelPlain(bool value) = 0;
  // font receives the desktop name the field used.
  virtual void SetSelFont(string& font) = 0;
  virtual void SetSelTextSize(int32_t size) = 0;
  virtual void SetSelTextColor(const RGBColor16& color) = 0;
  virtual bool GetSelBold() = 0;
  virtual bool GetSelUnderline() = 0;
  virtual bool GetSelItalic() = 0;
  virtual bool GetSelOutline() { return false; }
  virtual bool GetSelShadow() { return false; }
  virtual bool GetSelCondense() { return false; }
  virtual bool GetSelExtend() { return false; }
  virtual bool GetSelPlain() { return false; }
  virtual string GetSelTextFont() = 0;
  virtual int32_t GetSelTextSize() = 0;
  virtual RGBColor16 GetSelTextColor() = 0;
  void ToggleSelBold() { SetSelBold(!GetSelBold()); }
  void ToggleSelUnderline() { SetSelUnderline(!GetSelUnderline()); }
  void ToggleSelItalic() { SetSelItalic(!GetSelItalic()); }

  // ---- scrolling, lines and points ----
  virtual int32_t GetScrollPosition() { return 0; }
  virtual void SetScrollPosition(int32_t) {}
  virtual int32_t GetScrollPositionX() { return 0; }
  virtual void SetScrollPositionX(int32_t) {}
  virtual int32_t LineNumAtCharPos(int32_t) { return 0; }
  virtual int32_t CharPosAtLineNum(int32_t) { return 0; }
  virtual int32_t CharPosAtXY(int32_t, int32_t) { return 0; }
  virtual int32_t InsertionPosAtXY(int32_t, int32_t) { return 0; }

  // ---- alignment and range styles ----
  virtual void SetAlignment(int32_t) {}
  virtual void SetSelAlignment(int32_t) {}
  virtual int32_t GetSelAlignment() { return 0; }
  virtual void SetStyleBold(int32_t, int32_t, bool) {}
  virtual void SetStyleItalic(int32_t, int32_t, bool) {}
  virtual void SetStyleUnderline(int32_t, int32_t, bool) {}
  virtual void SetStyleFont(int32_t, int32_t, const string&) {}
  virtual void SetStyleSize(int32_t, int32_t, int32_t) {}
  virtual void SetStyleColor(int32_t, int32_t, uint32_t) {}
  virtual bool GetStyleBold(int32_t, int32_t) { return false; }
  virtual bool GetStyleItalic(int32_t, int32_t) { return false; }
  virtual bool GetStyleUnderline(int32_t, int32_t) { return false; }
  virtual string GetStyleFont(int32_t, int32_t) { return string(); }
  virtual int32_t GetStyleSize(int32_t, int32_t) { return 0; }
  virtual uint32_t GetStyleColor(int32_t, int32_t) { return 0; }
  // The run and paragraph operations are the StyledTextDelegate's own (below): the base has
  // no runs, one paragraph alignment 0, and changes nothing.
  int32_t StyleRunCount() override { return 0; }
  bool GetStyleRun(int32_t, StyleRunInfo*) override { return false; }
  void InsertStyleRun(const StyleRunInfo&, int32_t) override {}
  void AppendStyleRun(const StyleRunInfo&) override {}
  void RemoveStyleRun(int32_t) override {}
  bool GetStyleRunRange(int32_t, int32_t*, int32_t*) override { return false; }
  int32_t GetParagraphAlignment(int32_t, int32_t) override { return 0; }
  void SetParagraphAlignment(int32_t, int32_t, int32_t) override {}

  // ---- files and printing ----
  // The whole text from or to the item's file, plain; true on success.
  virtual bool OpenStyledFile(FolderItemImp* item) = 0;
  virtual bool SaveStyledFile(FolderItemImp* item) = 0;
  // Printing of styled text is not provided here: nil.
  virtual RuntimeObject* NewStyledTextPrinter(RuntimeObject* /*graphics*/, int32_t /*width*/) {
    return nullptr;
  }

  // ---- StyledTextDelegate: each the field's operation of that role ----
  void SetBold(int32_t s, int32_t n, bool v) override { SetStyleBold(s, n, v); }
  void SetItalic(int32_t s, int32_t n, bool v) override { SetStyleItalic(s, n, v); }
  void SetUnderline(int32_t s, int32_t n, bool v) override { SetStyleUnderline(s, n, v); }
  void SetFont(int32_t s, int32_t n, const string& v) override { SetStyleFont(s, n, v); }
  void SetSize(int32_t s, int32_t n, int32_t v) override { SetStyleSize(s, n, v); }
  void SetColor(int32_t s, int32_t n, uint32_t v) override { SetStyleColor(s, n, v); }
  bool GetBold(int32_t s, int32_t n) override { return GetStyleBold(s, n); }
  bool GetItalic(int32_t s, int32_t n) override { return GetStyleItalic(s, n); }
  bool GetUnderline(int32_t s, int32_t n) override { return GetStyleUnderline(s, n); }
  string GetFont(int32_t s, int32_t n) override { return GetStyleFont(s, n); }
  int32_t GetSize(int32_t s, int32_t n) override { return GetStyleSize(s, n); }
  uint32_t GetColor(int32_t s, int32_t n) override { return GetStyleColor(s, n); }

  // ---- data binding: the owner's edit field joins the data control its source names ----
  // Lets go of the data control it is bound to, then binds to the one the data-source name
  // gives (none for an empty name or without an owner).
  void Bind() override;
  void Unbind() override;
  void SetDataSource(const string& name) { mDataSource = name; }
  RuntimeObject* BoundDataControl() const { return mBoundControl; }

  // ---- state ----
  void SetRefuseFocus(bool refuse) { mRefuseFocus = refuse; }
  void SetFocusRing(bool ring) { mFocusRing = ring; }
  RuntimeObject* Owner() const { return mOwner; }
  void SetOwner(RuntimeObject* owner) { mOwner = owner; }

 protected:
  bool mMultiLine = false;
  uint32_t mImplementationWord = 0;  // EditControlGTK: the whole-field alignment

 private:
  string mDataSource;
  RuntimeObject* mBoundControl = nullptr;  // the binding holds the owner, not this
  bool mFocusRing = false;
  bool mRefuseFocus = false;
  RuntimeObject* mOwner = nullptr;  // the EditField that made the pane; not retained
};

// The four kinds of field. Each makes the pane, puts its widget into owner's window and shows
// it; the pane tree owns the result.
EditControl* CreateEditControl(EditControlDelegate* delegate, SubPane* owner, int32_t panelIndex,
                               const QV::Rect& bounds, bool border, const FontSpec& font);
EditControl* CreateMultilineEditControl(EditControlDelegate* delegate, SubPane* owner,
                                        int32_t panelIndex, const QV::Rect& bounds, bool border,
                                        const FontSpec& font, bool verticalScrollBar,
                                        bool horizontalScrollBar);
EditControl* CreateStyledEditControl(EditControlDelegate* delegate, SubPane* owner,
                                     int32_t panelIndex, const QV::Rect& bounds, bool border,
                                     const FontSpec& font);
EditControl* CreateStyledMultilineEditControl(EditControlDelegate* delegate, SubPane* owner,
                                              int32_t panelIndex, const QV::Rect& bounds,
                                              bool border, const FontSpec& font,
                                              bool verticalScrollBar, bool horizontalScrollBar);
