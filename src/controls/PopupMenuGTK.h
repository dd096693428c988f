// The row list on GTK. Two widget modes, chosen per pane at construction:
//   - combo-box mode (a list that takes no typing, on a GTK that has GtkComboBox's text
//     functions, looked up once by name): a GtkComboBox of text rows;
//   - combo mode (every editable list, and any list on a GTK without them): a GtkCombo, its
//     GtkEntry showing the chosen row's text and its GtkList holding one item per row.
// The rows live in the pane, indexed, so reading a row, its tag or the count walks nothing; the
// widget is kept in step one item at a time. The pane's own operations block its "changed"
// handler, so only the person at the desktop (or the Text setter) reports changes.
//
// A GtkComboBox walks its rows for every row added to the store it shows, so a long fill would
// cost n^2: rows are added to the store while the combo box is not listening (its model unset),
// and the store is given back once, before the main loop handles anything else or an event
// reaches the widget. Meanwhile the pane keeps the chosen row itself.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "controls/ComboBoxPane.h"
#include "windows/SubPane.h"

// The state code that asks a list to report a selection made behind its back.
constexpr int32_t kComboReportChange = 2000;

class PopupMenu final : public ComboBox, public SubPane {
 public:
  PopupMenu(RuntimeObject* owner, ComboBoxEvents* events, const FontSpec& font, SubPane* parent,
            int32_t panelIndex, const QV::Rect& bounds, bool editable);
  ~PopupMenu() override;

  bool IsComboBoxMode() const { return mComboBoxMode; }
  bool IsEditable() const { return mEditable; }

  // ---- ComboBox ----
  bool IsNonEditable() override { return !mEditable; }
  void AddRow(const string& text, RuntimeObject* tag) override;
  void AddRows(const std::vector<string>& texts) override;
  int32_t GetListIndex() override;
  void SetListIndex(int32_t index, bool raiseChange) override;
  RuntimeObject* GetRowTag(int32_t row) override;
  void SetRowTag(int32_t row, RuntimeObject* tag) override;
  string GetRowText(int32_t row) override;
  void AddSeparator() override { AddRow("-", nullptr); }
  void SetRowText(int32_t row, const string& text) override;
  void DeleteAllRows() override;
  void RemoveRow(int32_t row) override;
  void InsertRow(int32_t row, const string& text, RuntimeObject* tag) override;
  int32_t RowCount() override { return int32_t(mRows.size()); }
  int32_t FindRowTag(RuntimeObject* tag) override;
  void ApplyFont() override;
  string GetDisplayText() override;
  void SetDisplayText(const string& text) override;
  int32_t GetSelStart() override;
  int32_t GetSelLength() override;
  void SetSelStart(int32_t start) override;
  void SetSelLength(int32_t length) override;

  // ---- the selection's report ----
  // Tells the owner of a change, then remembers the index it reported.
  void Changed();
  int32_t LastReportedIndex() const { return mLastReported; }

  // ---- text of the entry (combo mode) ----
  string GetText();
  void SetText(const string& text);
  // Ascent plus half the leading, of the pane's font.
  bool GetBaseline(int32_t* y);

  // ---- SubPane ----
  void Close() override;
  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  void MouseUp(int32_t x, int32_t y) override;
  bool HandleChar(int32_t character, int32_t keyCode, int32_t modifiers) override;
  // A list that takes no typing leaves every key to the window; an editable one only Tab.
  bool ComboKeyGoesToWindow(int32_t character, int32_t keyCode) override;
  bool CanTakeFocus() override;
  void FocusGained() override;
  void FocusLost() override;
  bool ApplyStateCode(int32_t code) override;
  void DrawInto(Graphics& g) override;

  // The widgets: the combo's entry and list (nil in combo-box mode).
  GtkWidget* Entry();
  GtkWidget* List();
  // The widget whose "changed" the pane hears.
  GtkWidget* ChangedWidget();
  // The widget that takes the keyboard focus and the mouse.
  GtkWidget* FocusWidget();

 private:
  struct Row {
    string text;          // UTF-8 or ASCII, shared with List's answers
    RuntimeObject* tag;   // held while the tag mode holds tags
    bool ascii;           // letter case folds byte by byte
  };
  static Row MakeRow(string text, RuntimeObject* tag);

  static void OnChanged(GtkWidget* widget, PopupMenu* pane);
  static void OnDestroy(GtkWidget* widget, PopupMenu* pane);
  static gboolean OnMouseEvent(GtkWidget* widget, GdkEvent* event, SubPane* pane);
  GtkWidget* Live();
  // Runs tell with the owner and the pane chain held; false when there is nobody to tell, or
  // the pane closed meanwhile (then nothing of it may be touched).
  template <typename Tell>
  bool TellOwner(Tell tell);
  bool RaiseMouseDown(int32_t x, int32_t y);
  bool RaiseMouseUp(int32_t x, int32_t y);
  bool RaiseKeyDown(int32_t character);
  void RaiseGotFocus();
  void RaiseLostFocus();
  void RaiseTextChanged();

  string RowTextOf(const string& text);
  void Hold(RuntimeObject* tag);
  void Drop(RuntimeObject* tag);
  void BlockChanged();
  void UnblockChanged();
  void AppendItem(const char* text);
  void InsertItem(int32_t row, const char* text);
  void RemoveItem(int32_t row);
  void EmptyWidget();
  void DropRows(bool emptyWidget);
  void SelectListItem(int32_t index);
  GtkWidget* NewListItem(const char* text);
  GtkListStore* DetachedRows();
  void AttachRows();
  void DropDetachedRows();
  static gboolean OnAttachRows(gpointer pane);
  GtkListStore* StoreForAnotherRow();
  static gboolean OnPassEnded(gpointer pane);
  bool ComputeItemFont() const;
  void ApplyItemFonts();

  bool mEditable;
  bool mComboBoxMode;
  int32_t mTagMode = 1;
  int32_t mLastReported = -1;
  std::vector<Row> mRows;
  gulong mChangedHandler = 0;
  bool mItemFont = false;
  bool mWidgetGone = false;
  GtkWidget* mToggle = nullptr;  // combo-box mode: the button inside that takes focus and clicks
  // Combo-box mode while rows are added: the store the combo box does not show yet, held, the
  // row it will choose when it does, and the idle source that gives the store back.
  GtkListStore* mDetached = nullptr;
  int32_t mDetachedActive = -1;
  guint mAttachSource = 0;
  // A row went through the widget since the main loop's last pass (see StoreForAnotherRow).
  bool mRowAddedThisPass = false;
  guint mPassSource = 0;
};

// Tests: forget the widget mode so that the next pane looks the functions up again.
void ForgetPopupWidgetModeForTesting();
// Whether the pane's last DrawInto made an off-screen surface for its text.
bool PopupMenuDrewOffscreenForTesting();
