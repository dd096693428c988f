#include "controls/PopupMenuGTK.h"

#include <algorithm>

#include "graphics/PangoFonts.h"
#include "windows/GtkInput.h"
#include "windows/GtkLabels.h"
#include "windows/GtkPlacement.h"
#include "windows/GtkSymbols.h"
#include "windows/KeyTranslation.h"
#include "windows/PaneFocus.h"

namespace {

// GtkComboBox's text functions, looked up once for every pane of the process: a GTK without
// all six gives every list a GtkCombo.
struct WidgetMode {
  GtkWidget* (*newText)() = nullptr;
  void (*appendText)(GtkComboBox*, const gchar*) = nullptr;
  void (*insertText)(GtkComboBox*, gint, const gchar*) = nullptr;
  void (*removeText)(GtkComboBox*, gint) = nullptr;
  gint (*getActive)(GtkComboBox*) = nullptr;
  void (*setActive)(GtkComboBox*, gint) = nullptr;
  bool lookedUp = false;
  bool available = false;
};
WidgetMode gMode;

template <typename Function>
bool Find(Function& out, const char* name) {
  out = reinterpret_cast<Function>(LookupGtkSymbol(kGtkLibrary, name));
  return out != nullptr;
}

const WidgetMode& Mode() {
  if (gMode.lookedUp) return gMode;
  gMode.lookedUp = true;
  // Every lookup runs, so that the record is whole or plainly not available.
  bool all = Find(gMode.newText, "gtk_combo_box_new_text");
  all = Find(gMode.appendText, "gtk_combo_box_append_text") && all;
  all = Find(gMode.insertText, "gtk_combo_box_insert_text") && all;
  all = Find(gMode.removeText, "gtk_combo_box_remove_text") && all;
  all = Find(gMode.getActive, "gtk_combo_box_get_active") && all;
  all = Find(gMode.setActive, "gtk_combo_box_set_active") && all;
  gMode.available = all;
  return gMode;
}

bool gDrewOffscreen = false;

void FindToggle(GtkWidget* child, gpointer out) {
  if (GTK_IS_TOGGLE_BUTTON(child)) *static_cast<GtkWidget**>(out) = child;
}

// A non-editable list shows no mnemonics: "&&" is one "&", a single "&" goes.
std::string WithoutMnemonics(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    if (*p != '&') {
      out += *p;
    } else if (p[1] == '&') {
      out += '&';
      ++p;
    }
  }
  return out;
}

std::string Folded(const std::string& text) {
  gchar* folded = g_utf8_casefold(text.c_str(), gssize(text.size()));
  std::string out(folded);
  g_free(folded);
  return out;
}

bool IsAscii(const char* text) {
  for (; *text; ++text) {
    if (static_cast<unsigned char>(*text) >= 0x80) return false;
  }
  return true;
}

int32_t CharacterCount(GtkWidget* entry) {
  return int32_t(g_utf8_strlen(gtk_entry_get_text(GTK_ENTRY(entry)), -1));
}

}  // namespace

void ForgetPopupWidgetModeForTesting() { gMode = WidgetMode(); }
bool PopupMenuDrewOffscreenForTesting() { return gDrewOffscreen; }

PopupMenu* CreatePopupMenuPane(RuntimeObject* owner, ComboBoxEvents* events, const FontSpec& font,
                               SubPane* parent, int32_t panelIndex, const QV::Rect& bounds,
                               bool editable) {
  return new PopupMenu(owner, events, font, parent, panelIndex, bounds, editable);
}

PopupMenu::PopupMenu(RuntimeObject* owner, ComboBoxEvents* events, const FontSpec& font,
                     SubPane* parent, int32_t panelIndex, const QV::Rect& bounds, bool editable)
    : ComboBox(owner, events, font),
      SubPane(parent, panelIndex, bounds, true),
      mEditable(editable),
      mComboBoxMode(!editable && Mode().available) {
  SubPane* self = this;  // the shared handlers take the SubPane part
  mItemFont = ComputeItemFont();
  if (mComboBoxMode) {
    GtkWidget* combo = Mode().newText();
    SetWidget(combo);
    g_signal_connect(combo, "destroy", G_CALLBACK(&PopupMenu::OnDestroy), this);
    PutPaneInFixed(this, true);
    SetWidgetFont(combo, mFont);
    mChangedHandler = g_signal_connect(combo, "changed", G_CALLBACK(&PopupMenu::OnChanged), this);
    // The combo box's button takes the clicks and the focus itself.
    gtk_container_forall(GTK_CONTAINER(combo), &FindToggle, &mToggle);
    GtkWidget* target = mToggle ? mToggle : combo;
    g_signal_connect(target, "event", G_CALLBACK(&PopupMenu::OnMouseEvent), self);
    g_signal_connect(target, "grab-focus", G_CALLBACK(&OnPaneGrabFocus), self);
    return;
  }
  GtkWidget* combo = gtk_combo_new();
  SetWidget(combo);
  g_signal_connect(combo, "destroy", G_CALLBACK(&PopupMenu::OnDestroy), this);
  PutPaneInFixed(this, true);
  // The combo itself matches typed text to its items only letter for letter, so that it never
  // rewrites what is typed; the pane's own match ignores case.
  gtk_combo_set_case_sensitive(GTK_COMBO(combo), TRUE);
  GtkWidget* entry = Entry();
  SetWidgetFont(entry, mFont);
  gtk_editable_set_editable(GTK_EDITABLE(entry), editable);
  mChangedHandler = g_signal_connect(entry, "changed", G_CALLBACK(&PopupMenu::OnChanged), this);
  g_signal_connect(entry, "grab-focus", G_CALLBACK(&OnPaneGrabFocus), self);
  g_signal_connect(entry, "event", G_CALLBACK(&PopupMenu::OnMouseEvent), self);
}

PopupMenu::~PopupMenu() {
  // A pane deleted without Close still owes its tags.
  std::vector<Row> rows;
  rows.swap(mRows);
  for (Row& row : rows) Drop(row.tag);
  DropDetachedRows();
}

// Presses and releases before GTK's own handlers, which the combo widgets connect first and
// which claim the press (the list opens).
gboolean PopupMenu::OnMouseEvent(GtkWidget* widget, GdkEvent* event, SubPane* pane) {
  // Whatever the event opens or moves to, the combo box shows every row first.
  static_cast<PopupMenu*>(pane)->AttachRows();
  if (event->type == GDK_BUTTON_PRESS) return OnPaneButtonPress(widget, &event->button, pane);
  if (event->type == GDK_BUTTON_RELEASE) return DeliverMouseUp(widget, &event->button, pane);
  return FALSE;
}

// Nil once GTK destroyed the widget (its window went first): the rows outlive it.
GtkWidget* PopupMenu::Live() { return mWidgetGone ? nullptr : GetWidget(); }

void PopupMenu::OnDestroy(GtkWidget*, PopupMenu* pane) {
  pane->mWidgetGone = true;
  pane->DropDetachedRows();
}

GtkWidget* PopupMenu::Entry() {
  GtkWidget* widget = Live();
  return widget && !mComboBoxMode ? GTK_COMBO(widget)->entry : nullptr;
}

GtkWidget* PopupMenu::List() {
  GtkWidget* widget = Live();
  return widget && !mComboBoxMode ? GTK_COMBO(widget)->list : nullptr;
}

GtkWidget* PopupMenu::ChangedWidget() { return mComboBoxMode ? Live() : Entry(); }

GtkWidget* PopupMenu::FocusWidget() {
  if (!mComboBoxMode) return Entry();
  return mToggle && Live() ? mToggle : Live();
}

// ---- events ----

template <typename Tell>
bool PopupMenu::TellOwner(Tell tell) {
  if (IsClosing() || !mOwnerObject || !mEvents) return false;
  RuntimeObject* owner = mOwnerObject;
  if (!RetainChain()) return false;
  RuntimeLockObject(owner);
  tell(mEvents);
  RuntimeUnlockObject(owner);  // may close the pane; the chain keeps it until released
  return !ReleaseChain();
}

void PopupMenu::Changed() {
  if (!TellOwner([](ComboBoxEvents* events) { events->Change(); })) return;
  if (mOwnerObject) mLastReported = GetListIndex();
}

bool PopupMenu::RaiseMouseDown(int32_t x, int32_t y) {
  bool taken = false;
  const QV::Rect& b = GetBounds();
  TellOwner([&](ComboBoxEvents* events) { taken = events->MouseDown(x - b.left, y - b.top); });
  return taken;
}

bool PopupMenu::RaiseMouseUp(int32_t x, int32_t y) {
  bool taken = false;
  const QV::Rect& b = GetBounds();
  TellOwner([&](ComboBoxEvents* events) { taken = events->MouseUp(x - b.left, y - b.top); });
  return taken;
}

bool PopupMenu::RaiseKeyDown(int32_t character) {
  if (!mEditable || character < 0) return false;
  gchar text[8] = {};
  g_unichar_to_utf8(gunichar(character), text);
  const string key =
      character < 0x80 ? string(text) : string::FromBytes(text, int64_t(strlen(text)), kEncodingUTF8);
  bool taken = false;
  TellOwner([&](ComboBoxEvents* events) { taken = events->KeyDown(key); });
  return taken;
}

void PopupMenu::RaiseGotFocus() {
  TellOwner([](ComboBoxEvents* events) { events->GotFocus(); });
}

void PopupMenu::RaiseLostFocus() {
  TellOwner([](ComboBoxEvents* events) { events->LostFocus(); });
}

void PopupMenu::RaiseTextChanged() {
  TellOwner([](ComboBoxEvents* events) { events->TextChanged(); });
}

// Every edit that reaches the entry, and every choice of the combo box: Change when the text
// names a row, then TextChanged for an editable list.
// Change may close the popup or its window while GTK is still reporting the change.
void PopupMenu::OnChanged(GtkWidget*, PopupMenu* pane) {
  HoldForSignal(pane, [pane] {
    const int32_t index = pane->GetListIndex();
    if (index != -1) {
      pane->SelectListItem(index);
      pane->Changed();
    }
    if (pane->mEditable && !pane->IsChainClosing()) pane->RaiseTextChanged();
  });
}

bool PopupMenu::MouseDown(int32_t x, int32_t y, int32_t) {
  if (!IsEnabled() || !RetainChain()) return false;
  const bool taken = RaiseMouseDown(x, y);
  if (ReleaseChain()) return true;
  if (taken) SetMouseCapturePane(this);
  return taken;
}

void PopupMenu::MouseUp(int32_t x, int32_t y) { RaiseMouseUp(x, y); }

bool PopupMenu::HandleChar(int32_t character, int32_t, int32_t) { return RaiseKeyDown(character); }

bool PopupMenu::ComboKeyGoesToWindow(int32_t character, int32_t) {
  return IsNonEditable() || character == kKeyTab;
}

bool PopupMenu::CanTakeFocus() {
  GtkWidget* focus = FocusWidget();
  return focus && IsEnabled() && IsVisibleAndShown() && GTK_WIDGET_CAN_FOCUS(focus);
}

void PopupMenu::FocusGained() {
  if (IsClosing()) return;
  GtkWidget* entry = Entry();
  if (entry && !GTK_WIDGET_HAS_FOCUS(entry)) gtk_widget_grab_focus(entry);
  if (!IsClosing()) RaiseGotFocus();
}

void PopupMenu::FocusLost() {
  if (!IsClosing()) RaiseLostFocus();
}

bool PopupMenu::ApplyStateCode(int32_t code) {
  if (code != kComboReportChange) return SubPane::ApplyStateCode(code);
  if (GetListIndex() != mLastReported) Changed();
  return true;
}

// The rows go with the pane; the widget, which its window may be taking apart already, goes
// with its own widget tree and is not emptied row by row.
void PopupMenu::Close() {
  if (IsClosing()) return;
  DropRows(false);
  DropDetachedRows();
  SubPane::Close();
}

// ---- rows ----

// The row keeps the caller's string itself where nothing in it changes, so that neither adding
// nor reading a row copies its text.
string PopupMenu::RowTextOf(const string& text) {
  // ASCII is UTF-8 as it stands: relabelling it would copy it.
  string utf8 = text.Encoding() == kEncodingASCII && text.ContainsOnlyASCII()
                    ? text
                    : text.GetUTF8String();
  const char* bytes = utf8.CString();
  const size_t length = strlen(bytes);  // the widget shows the text up to a NUL, and so do rows
  if (length == size_t(utf8.Length()) && (mEditable || !memchr(bytes, '&', length))) {
    return TextForPango(utf8);
  }
  const std::string shown = mEditable ? std::string(bytes) : WithoutMnemonics(bytes);
  return TextForPango(string::FromBytes(shown.data(), int64_t(shown.size()), kEncodingUTF8));
}

PopupMenu::Row PopupMenu::MakeRow(string text, RuntimeObject* tag) {
  const bool ascii = IsAscii(text.CString());
  return {std::move(text), tag, ascii};
}

void PopupMenu::Hold(RuntimeObject* tag) {
  if (mTagMode == 1) RuntimeLockObject(tag);
}

void PopupMenu::Drop(RuntimeObject* tag) {
  if (mTagMode == 1) RuntimeUnlockObject(tag);
}

void PopupMenu::BlockChanged() {
  if (GtkWidget* widget = ChangedWidget()) g_signal_handler_block(widget, mChangedHandler);
}

void PopupMenu::UnblockChanged() {
  if (GtkWidget* widget = ChangedWidget()) g_signal_handler_unblock(widget, mChangedHandler);
}

GtkWidget* PopupMenu::NewListItem(const char* text) {
  GtkWidget* item = gtk_list_item_new_with_label(text);
  if (mItemFont) SetWidgetFont(gtk_bin_get_child(GTK_BIN(item)), mFont);
  gtk_widget_show(item);
  return item;
}

// ---- rows the combo box does not show yet ----

// The store with the combo box's model unset (unset here if it is not yet); nil where rows go
// through the widget: combo mode, no widget, or the combo box's list open on the screen.
GtkListStore* PopupMenu::DetachedRows() {
  if (mDetached) return mDetached;
  GtkWidget* widget = mComboBoxMode ? Live() : nullptr;
  if (!widget) return nullptr;
  gboolean shown = FALSE;
  g_object_get(widget, "popup-shown", &shown, nullptr);
  GtkComboBox* combo = GTK_COMBO_BOX(widget);
  GtkTreeModel* model = gtk_combo_box_get_model(combo);
  if (shown || !model || !GTK_IS_LIST_STORE(model)) return nullptr;
  mDetachedActive = Mode().getActive(combo);
  mDetached = GTK_LIST_STORE(g_object_ref(model));
  BlockChanged();
  gtk_combo_box_set_model(combo, nullptr);
  UnblockChanged();
  // Ahead of input, resizes and redraws: nothing of the main loop sees the combo box empty.
  mAttachSource = g_idle_add_full(G_PRIORITY_HIGH, &PopupMenu::OnAttachRows, this, nullptr);
  return mDetached;
}

// The combo box told once of every row added since DetachedRows, with its chosen row.
void PopupMenu::AttachRows() {
  if (!mDetached) return;
  if (mAttachSource) g_source_remove(std::exchange(mAttachSource, 0));
  GtkListStore* store = std::exchange(mDetached, nullptr);
  if (GtkWidget* widget = Live()) {
    BlockChanged();
    gtk_combo_box_set_model(GTK_COMBO_BOX(widget), GTK_TREE_MODEL(store));
    Mode().setActive(GTK_COMBO_BOX(widget), mDetachedActive);
    UnblockChanged();
  }
  g_object_unref(store);
}

gboolean PopupMenu::OnAttachRows(gpointer pane) {
  auto* self = static_cast<PopupMenu*>(pane);
  self->mAttachSource = 0;
  self->AttachRows();
  return G_SOURCE_REMOVE;
}

// The widget is going: its rows are not given back.
void PopupMenu::DropDetachedRows() {
  if (mAttachSource) g_source_remove(std::exchange(mAttachSource, 0));
  if (mPassSource) g_source_remove(std::exchange(mPassSource, 0));
  mRowAddedThisPass = false;
  if (GtkListStore* store = std::exchange(mDetached, nullptr)) g_object_unref(store);
}

// The first row added since the main loop's last pass goes through the widget; a second one
// sets the rows aside. A program that runs the main loop between rows (DoEvents in its loop)
// would otherwise have the combo box let go of every row and take them all back for each.
GtkListStore* PopupMenu::StoreForAnotherRow() {
  if (mDetached) return mDetached;
  if (mRowAddedThisPass) return DetachedRows();
  if (mComboBoxMode && Live()) {
    mRowAddedThisPass = true;
    mPassSource = g_idle_add_full(G_PRIORITY_HIGH, &PopupMenu::OnPassEnded, this, nullptr);
  }
  return nullptr;
}

gboolean PopupMenu::OnPassEnded(gpointer pane) {
  auto* self = static_cast<PopupMenu*>(pane);
  self->mPassSource = 0;
  self->mRowAddedThisPass = false;
  return G_SOURCE_REMOVE;
}

void PopupMenu::AppendItem(const char* text) {
  if (!Live()) return;
  if (GtkListStore* store = StoreForAnotherRow()) {
    gtk_list_store_insert_with_values(store, nullptr, -1, 0, text, -1);
  } else if (mComboBoxMode) {
    Mode().appendText(GTK_COMBO_BOX(GetWidget()), text);
  } else {
    gtk_container_add(GTK_CONTAINER(List()), NewListItem(text));
  }
}

void PopupMenu::InsertItem(int32_t row, const char* text) {
  if (!Live()) return;
  if (mDetached) {
    gtk_list_store_insert_with_values(mDetached, nullptr, row, 0, text, -1);
    if (mDetachedActive >= row) ++mDetachedActive;  // the chosen row moves down, as in the widget
  } else if (mComboBoxMode) {
    Mode().insertText(GTK_COMBO_BOX(GetWidget()), row, text);
  } else {
    gtk_list_insert_items(GTK_LIST(List()), g_list_append(nullptr, NewListItem(text)), row);
  }
}

void PopupMenu::RemoveItem(int32_t row) {
  if (!Live()) return;
  if (mDetached) {
    GtkTreeIter iter;
    if (gtk_tree_model_iter_nth_child(GTK_TREE_MODEL(mDetached), &iter, nullptr, row)) {
      gtk_list_store_remove(mDetached, &iter);
    }
    // As the widget does: the chosen row gone, nothing is chosen.
    if (mDetachedActive == row) {
      mDetachedActive = -1;
    } else if (mDetachedActive > row) {
      --mDetachedActive;
    }
  } else if (mComboBoxMode) {
    Mode().removeText(GTK_COMBO_BOX(GetWidget()), row);
  } else {
    gtk_list_clear_items(GTK_LIST(List()), row, row + 1);
  }
}

void PopupMenu::EmptyWidget() {
  if (!Live()) return;
  if (GtkListStore* store = DetachedRows()) {
    // Unset, the combo box is not told of each row that goes.
    gtk_list_store_clear(store);
    mDetachedActive = -1;
  } else if (mComboBoxMode) {
    GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(GetWidget()));
    if (model && GTK_IS_LIST_STORE(model)) gtk_list_store_clear(GTK_LIST_STORE(model));
  } else {
    gtk_list_clear_items(GTK_LIST(List()), 0, -1);
  }
}

void PopupMenu::AddRow(const string& text, RuntimeObject* tag) {
  string row = RowTextOf(text);
  Hold(tag);
  BlockChanged();
  AppendItem(row.CString());
  UnblockChanged();
  mRows.push_back(MakeRow(std::move(row), tag));
}

void PopupMenu::AddRows(const std::vector<string>& texts) {
  BlockChanged();
  for (const string& text : texts) {
    string row = RowTextOf(text);
    AppendItem(row.CString());
    mRows.push_back(MakeRow(std::move(row), nullptr));
  }
  UnblockChanged();
}

void PopupMenu::InsertRow(int32_t row, const string& text, RuntimeObject* tag) {
  const int32_t remembered = GetListIndex();
  // An index naming no place appends, in the widget as in the rows.
  const int32_t count = RowCount();
  const int32_t at = row < 0 || row > count ? count : row;
  string line = RowTextOf(text);
  Hold(tag);
  BlockChanged();
  InsertItem(at, line.CString());
  UnblockChanged();
  mRows.insert(mRows.begin() + at, MakeRow(std::move(line), tag));
  SetListIndex(remembered, true);
}

void PopupMenu::RemoveRow(int32_t row) {
  if (row < 0 || row >= RowCount()) return;
  const int32_t remembered = GetListIndex();
  RuntimeObject* tag = mRows[size_t(row)].tag;
  mRows.erase(mRows.begin() + row);
  BlockChanged();
  RemoveItem(row);
  UnblockChanged();
  Drop(tag);
  // The combo keeps the remembered number selected, whichever row went.
  if (!mComboBoxMode && remembered < RowCount()) SetListIndex(remembered, true);
}

void PopupMenu::DeleteAllRows() { DropRows(true); }

void PopupMenu::DropRows(bool emptyWidget) {
  if (mRows.empty()) return;
  std::vector<Row> rows;
  rows.swap(mRows);
  if (emptyWidget) {
    BlockChanged();
    EmptyWidget();
    UnblockChanged();
  }
  for (Row& row : rows) Drop(row.tag);
}

void PopupMenu::SetRowText(int32_t row, const string& text) {
  if (row < 0 || row >= RowCount()) return;
  string line = RowTextOf(text);
  BlockChanged();
  GtkTreeIter iter;
  if (!Live()) {
  } else if (mDetached) {
    if (gtk_tree_model_iter_nth_child(GTK_TREE_MODEL(mDetached), &iter, nullptr, row)) {
      gtk_list_store_set(mDetached, &iter, 0, line.CString(), -1);
    }
  } else if (mComboBoxMode) {
    const gint active = Mode().getActive(GTK_COMBO_BOX(GetWidget()));
    Mode().removeText(GTK_COMBO_BOX(GetWidget()), row);
    Mode().insertText(GTK_COMBO_BOX(GetWidget()), row, line.CString());
    Mode().setActive(GTK_COMBO_BOX(GetWidget()), active);
  } else {
    GList* item = g_list_nth(GTK_LIST(List())->children, guint(row));
    if (item) gtk_label_set_text(GTK_LABEL(gtk_bin_get_child(GTK_BIN(item->data))), line.CString());
  }
  UnblockChanged();
  mRows[size_t(row)] = MakeRow(std::move(line), mRows[size_t(row)].tag);
}

RuntimeObject* PopupMenu::GetRowTag(int32_t row) {
  return row >= 0 && row < RowCount() ? mRows[size_t(row)].tag : nullptr;
}

void PopupMenu::SetRowTag(int32_t row, RuntimeObject* tag) {
  if (row < 0 || row >= RowCount()) return;
  Hold(tag);
  RuntimeObject* old = mRows[size_t(row)].tag;
  mRows[size_t(row)].tag = tag;
  Drop(old);
}

string PopupMenu::GetRowText(int32_t row) {
  if (row < 0 || row >= RowCount()) return string();
  return mRows[size_t(row)].text;
}

int32_t PopupMenu::FindRowTag(RuntimeObject* tag) {
  for (size_t i = 0; i < mRows.size(); ++i) {
    if (mRows[i].tag == tag) return int32_t(i);
  }
  return -1;
}

// ---- selection ----

int32_t PopupMenu::GetListIndex() {
  if (mDetached) return mDetachedActive;
  if (mComboBoxMode) return Live() ? Mode().getActive(GTK_COMBO_BOX(GetWidget())) : -1;
  GtkWidget* entry = Entry();
  if (!entry) return -1;
  const char* text = gtk_entry_get_text(GTK_ENTRY(entry));
  const bool ascii = IsAscii(text);
  const size_t length = strlen(text);
  const std::string folded = Folded(text);
  for (size_t i = 0; i < mRows.size(); ++i) {
    const Row& row = mRows[i];
    if (ascii && row.ascii) {
      if (size_t(row.text.Length()) == length &&
          g_ascii_strcasecmp(row.text.CString(), text) == 0) {
        return int32_t(i);
      }
    } else if (Folded(row.text.CString()) == folded) {
      return int32_t(i);
    }
  }
  return -1;
}

void PopupMenu::SetListIndex(int32_t index, bool raiseChange) {
  const bool isRow = index >= 0 && index < RowCount();
  BlockChanged();
  if (!Live()) {
  } else if (mDetached) {
    mDetachedActive = isRow ? index : -1;
  } else if (mComboBoxMode) {
    Mode().setActive(GTK_COMBO_BOX(GetWidget()), isRow ? index : -1);
  } else if (isRow) {
    gtk_list_select_item(GTK_LIST(List()), index);
  }
  UnblockChanged();
  if (raiseChange) Changed();
}

// The combo's list follows a typed row, so that Down goes on from it; the combo leaves the
// typed text as it is.
void PopupMenu::SelectListItem(int32_t index) {
  GtkWidget* list = List();
  if (!list) return;
  GtkCombo* combo = GTK_COMBO(GetWidget());
  g_signal_handler_block(list, combo->list_change_id);
  gtk_list_select_item(GTK_LIST(list), index);
  g_signal_handler_unblock(list, combo->list_change_id);
}

// ---- entry ----

string PopupMenu::GetText() {
  GtkWidget* entry = Entry();
  if (!entry) return string();
  const char* text = gtk_entry_get_text(GTK_ENTRY(entry));
  return string::FromBytes(text, int64_t(strlen(text)), kEncodingUTF8);
}

void PopupMenu::SetText(const string& text) {
  if (GtkWidget* entry = Entry()) {
    gtk_entry_set_text(GTK_ENTRY(entry), TextForPango(text).CString());
  }
}

string PopupMenu::GetDisplayText() { return mEditable ? GetText() : GetRowText(GetListIndex()); }

void PopupMenu::SetDisplayText(const string& text) {
  if (mEditable) SetText(text);
}

int32_t PopupMenu::GetSelStart() {
  GtkWidget* entry = Entry();
  if (!entry) return 0;
  gint start = 0, end = 0;
  if (gtk_editable_get_selection_bounds(GTK_EDITABLE(entry), &start, &end)) {
    return std::min(start, end);
  }
  return gtk_editable_get_position(GTK_EDITABLE(entry));
}

int32_t PopupMenu::GetSelLength() {
  GtkWidget* entry = Entry();
  if (!entry) return 0;
  gint start = 0, end = 0;
  if (!gtk_editable_get_selection_bounds(GTK_EDITABLE(entry), &start, &end)) return 0;
  return std::abs(end - start);
}

// Positions are clamped to the text: GTK reads -1 as its end.
void PopupMenu::SetSelStart(int32_t start) {
  GtkWidget* entry = Entry();
  if (!entry) return;
  const int32_t at = std::clamp(start, 0, CharacterCount(entry));
  gtk_editable_set_position(GTK_EDITABLE(entry), at);
}

void PopupMenu::SetSelLength(int32_t length) {
  GtkWidget* entry = Entry();
  if (!entry) return;
  const int64_t start = GetSelStart();
  const int64_t end = std::clamp<int64_t>(start + std::max(length, 0), start, CharacterCount(entry));
  gtk_editable_select_region(GTK_EDITABLE(entry), gint(start), gint(end));
}

// ---- font and drawing ----

bool PopupMenu::ComputeItemFont() const {
  const bool systemName = mFont.name.IsEmpty() || mFont.name.Compare(string("System")) == 0;
  const bool defaultSize = mFont.size == 0 || mFont.size == 12;
  return !(systemName && defaultSize && !mFont.bold && !mFont.italic && !mFont.underline);
}

void PopupMenu::ApplyItemFonts() {
  GtkWidget* list = List();
  if (!list) return;
  for (GList* item = GTK_LIST(list)->children; item; item = item->next) {
    SetWidgetFont(gtk_bin_get_child(GTK_BIN(item->data)), mFont);
  }
}

void PopupMenu::ApplyFont() {
  mItemFont = ComputeItemFont();
  if (!Live()) return;
  if (mComboBoxMode) {
    SetWidgetFont(GetWidget(), mFont);
    return;
  }
  ApplyItemFonts();
  SetWidgetFont(Entry(), mFont);
}

bool PopupMenu::GetBaseline(int32_t* y) {
  Graphics* g = NewGraphics();
  if (!g) return false;
  g->SetFont(mFont);
  const int32_t ascent = g->TextAscent();
  const int32_t height = g->TextHeight();
  *y = ascent + (height - (ascent + g->TextDescent())) / 2;
  Graphics::Destroy(g);
  return true;
}

namespace {

constexpr gint kArrowWidth = 21;

// The text at (4, 1) of an off-screen copy of the area, then the copy back: the text never
// draws past the entry.
void DrawEntryText(GdkDrawable* drawable, GtkWidget* widget, const FontSpec& font,
                   const string& text, GtkStateType state, gint x, gint y, gint w, gint h) {
  gDrewOffscreen = true;
  GdkPixmap* pixmap = gdk_pixmap_new(drawable, w, h, -1);
  GdkGC* gc = gdk_gc_new(pixmap);
  gdk_draw_drawable(pixmap, gc, drawable, x, y, 0, 0, w, h);
  PangoLayout* layout = gtk_widget_create_pango_layout(widget, TextForPango(text).CString());
  PangoFontDescription* description = MakePangoFontDescription(font);
  pango_layout_set_font_description(layout, description);
  gdk_gc_set_rgb_fg_color(gc, &widget->style->text[state]);
  gdk_draw_layout(pixmap, gc, 4, 1, layout);
  gdk_draw_drawable(drawable, gc, pixmap, 0, 0, x, y, w, h);
  pango_font_description_free(description);
  g_object_unref(layout);
  g_object_unref(gc);
  g_object_unref(pixmap);
}

}  // namespace

// The face as GTK paints an entry with its arrow button, with the shown text; then the children.
void PopupMenu::DrawInto(Graphics& g) {
  gDrewOffscreen = false;
  GtkWidget* widget = Live();
  GdkWindow* drawable = g.TargetGdkDrawable();
  if (widget && drawable) {
    if (!widget->window) gtk_widget_realize(widget);
    const QV::Rect r = GraphicsRectToDrawable(g, GetBounds(), false);
    const gint width = r.right - r.left;
    const gint h = r.bottom - r.top;
    const gint w = width - kArrowWidth;
    const GtkStateType state = IsEnabled() ? GTK_STATE_NORMAL : GTK_STATE_INSENSITIVE;
    // GTK reads a size of -1 as the whole drawable: nothing is painted without room.
    if (w > 0 && h > 0) {
      GdkRectangle area = {r.left, r.top, w, h};
      gtk_paint_flat_box(widget->style, drawable, state, GTK_SHADOW_NONE, &area, widget,
                         "entry_bg", r.left, r.top, w, h);
      DrawEntryText(drawable, widget, mFont, GetDisplayText(), state, r.left, r.top, w, h);
      gtk_paint_shadow(widget->style, drawable, state, GTK_SHADOW_IN, &area, widget, "entry",
                       r.left, r.top, w, h);
    }
    const gint buttonLeft = r.left + std::max(w, 0);
    const gint buttonWidth = width - std::max(w, 0);
    if (buttonWidth > 0 && h > 2) {
      gtk_paint_box(widget->style, drawable, state, GTK_SHADOW_OUT, nullptr, widget, "button",
                    buttonLeft, r.top + 1, buttonWidth, h - 2);
      if (buttonWidth >= 16 && h >= 12) {
        gtk_paint_arrow(widget->style, drawable, state, GTK_SHADOW_OUT, nullptr, widget, "arrow",
                        GTK_ARROW_DOWN, TRUE, buttonLeft + 6, r.top + 7, 10, 5);
      }
    }
  }
  SubPane::DrawInto(g);
}

// ---- binding ----

namespace {
PopupBindingRoutines gBinding;
}

PopupBindingRoutines SetPopupBindingRoutines(const PopupBindingRoutines& routines) {
  return std::exchange(gBinding, routines);
}

void ComboBox::Bind() {
  // Bound already (DataField set again, or a new DataSource): one binding at a time.
  Unbind();
  if (mDataSource.IsEmpty() || !mOwnerObject || !gBinding.bind) return;
  mBoundControl = gBinding.bind(mOwnerObject, mDataSource, kPopupBindingKind);
}

void ComboBox::Unbind() {
  RuntimeObject* bound = std::exchange(mBoundControl, nullptr);
  if (bound && gBinding.unbind) gBinding.unbind(bound, mOwnerObject, kPopupBindingKind);
}
