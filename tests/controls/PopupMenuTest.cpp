// Popup menus and combo boxes over their GTK widgets, in both widget modes (a GtkComboBox, and
// a GtkCombo when the combo box functions are hidden): rows and the widget kept in step, tag
// references, selection and Change, real clicks and keys, handlers that close the window,
// focus, the language classes before and after their panes, data binding, and drawing.
#include <gtest/gtest.h>

#include "SimpleControlFixtures.h"
#include "controls/PopupMenuControl.h"
#include "controls/PopupMenuGTK.h"
#include "controls/ControlAccessors.h"
#include "controls/RuntimeControl.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "graphics/GraphicsClass.h"
#include "support/RaisedExceptions.h"
#include "values/VariantConversions.h"
#include "values/VariantTypes.h"
#include "windows/GtkSymbols.h"
#include "windows/PaneFocus.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowControls.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

using qvtest::Kit;

std::string Text(stringStorage* s) {
  const std::string out = s ? stringStorage::CString(s) : "";
  stringStorage::RemoveReference(s);
  return out;
}

std::string NameOf(RuntimeObject* control) { return stringStorage::CString(AsControl(control)->name); }

void Hear(RuntimeObject* control, const std::string& what) {
  const std::string entry = NameOf(control) + "." + what;
  Kit().log.push_back(entry);
  if (Kit().script) Kit().script(entry, control);
}

void OnChange(RuntimeObject* o) {
  Hear(o, "Change(" + std::to_string(RuntimeComboBoxSelectionGetter(o, 0)) + "," +
              Text(RuntimeComboBoxTextGetter(o, 0)) + ")");
}
void OnTextChanged(RuntimeObject* o) {
  Hear(o, "TextChanged(" + Text(RuntimeComboBoxTextGetter(o, 0)) + ")");
}
int32_t OnKeyDown(RuntimeObject* o, stringStorage* key) {
  Hear(o, "KeyDown(" + std::string(stringStorage::CString(key)) + ")");
  return Kit().keyDownTakes ? 1 : 0;
}
int32_t OnMouseDown(RuntimeObject* o, int32_t x, int32_t y) {
  Hear(o, "MouseDown(" + std::to_string(x) + "," + std::to_string(y) + ")");
  return Kit().mouseDownTakes ? 1 : 0;
}
int32_t OnMouseUp(RuntimeObject* o, int32_t x, int32_t y) {
  Hear(o, "MouseUp(" + std::to_string(x) + "," + std::to_string(y) + ")");
  return 0;
}
void OnGotFocus(RuntimeObject* o) { Hear(o, "GotFocus"); }
void OnLostFocus(RuntimeObject* o) { Hear(o, "LostFocus"); }

RuntimeClass* LoggingClass(const char* parent, const char* name) {
  RuntimeClass* cls = qvtest::Subclass(parent, name);
  qvtest::SetHandler(cls, "Change", reinterpret_cast<void*>(&OnChange));
  qvtest::SetHandler(cls, "MouseDown", reinterpret_cast<void*>(&OnMouseDown));
  qvtest::SetHandler(cls, "MouseUp", reinterpret_cast<void*>(&OnMouseUp));
  qvtest::SetHandler(cls, "GotFocus", reinterpret_cast<void*>(&OnGotFocus));
  qvtest::SetHandler(cls, "LostFocus", reinterpret_cast<void*>(&OnLostFocus));
  if (std::string(parent) == "ComboBox") {
    qvtest::SetHandler(cls, "TextChanged", reinterpret_cast<void*>(&OnTextChanged));
    qvtest::SetHandler(cls, "KeyDown", reinterpret_cast<void*>(&OnKeyDown));
  }
  return cls;
}

void SetString(void (*setter)(RuntimeObject*, uint32_t, stringStorage*), RuntimeObject* o,
               const char* text) {
  setter(o, 0, string(text).Storage());
}

void RunPendingWork() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

// The rows the widget shows, read from the widget itself once the main loop has run.
std::vector<std::string> WidgetRows(PopupMenu* pane) {
  RunPendingWork();
  std::vector<std::string> rows;
  if (pane->IsComboBoxMode()) {
    GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(pane->GetWidget()));
    GtkTreeIter iter;
    for (bool ok = gtk_tree_model_get_iter_first(model, &iter); ok;
         ok = gtk_tree_model_iter_next(model, &iter)) {
      gchar* text = nullptr;
      gtk_tree_model_get(model, &iter, 0, &text, -1);
      rows.push_back(text ? text : "");
      g_free(text);
    }
  } else {
    for (GList* item = GTK_LIST(pane->List())->children; item; item = item->next) {
      rows.push_back(gtk_label_get_text(GTK_LABEL(gtk_bin_get_child(GTK_BIN(item->data)))));
    }
  }
  return rows;
}

// The entries of the log that name event, taken off it.
std::vector<std::string> Take(const std::string& event) {
  std::vector<std::string> seen;
  for (const std::string& entry : Kit().Take()) {
    if (entry.find("." + event) != std::string::npos) seen.push_back(entry);
  }
  return seen;
}

// Waits until the widget has its place on the screen, so that a click finds it.
bool Placed(qvtest::GuiDriver& gui, GtkWidget* widget) {
  return gui.PumpUntil([&] {
    return GTK_WIDGET_MAPPED(widget) && widget->allocation.width > 1 &&
           widget->allocation.height > 1;
  });
}

std::vector<std::string> PaneRows(PopupMenu* pane) {
  std::vector<std::string> rows;
  for (int32_t i = 0; i < pane->RowCount(); ++i) rows.push_back(pane->GetRowText(i).CString());
  return rows;
}

// Both widget modes: true for a GtkComboBox, false for a GtkCombo.
class PopupTest : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    if (!GetParam()) HideGtkSymbolForTesting("gtk_combo_box_set_active");
    ForgetPopupWidgetModeForTesting();
    window = kit.OpenAndFocus(gui, "Popups", {}, &xid);
    popupClass = LoggingClass("PopupMenu", "KitPopup");
    comboClass = LoggingClass("ComboBox", "KitCombo");
  }
  void TearDown() override {
    HideGtkSymbolForTesting(nullptr);
    ForgetPopupWidgetModeForTesting();
    kit.script = nullptr;
  }
  RuntimeObject* Add(RuntimeClass* cls, const std::string& name, const QV::Rect& r,
                     const char* initial = "Apple\rPear\rPlum\rFig\rLime") {
    return qvtest::AddControl(window, cls, name, r, [&](RuntimeObject* o) {
      AsPopupMenu(o)->storedListIndex = -1;
      stringSetter(o, offsetof(PopupMenuObject, initialValue), string(initial).Storage());
    });
  }
  static PopupMenu* Pane(RuntimeObject* o) { return PopupPaneOf(o); }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = nullptr;
  RuntimeClass* popupClass = nullptr;
  RuntimeClass* comboClass = nullptr;
};

TEST_P(PopupTest, RowsAndWidgetStayInStepWhateverTheIndex) {
  RuntimeObject* popup = Add(popupClass, "Popup", {10, 10, 34, 160});
  ASSERT_NE(popup, nullptr);
  PopupMenu* pane = Pane(popup);
  EXPECT_EQ(pane->IsComboBoxMode(), GetParam());
  EXPECT_TRUE(pane->IsNonEditable());
  const GLogLevelFlags fatal = g_log_set_always_fatal(
      GLogLevelFlags(G_LOG_FATAL_MASK | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING));
  RuntimeComboBoxInsertRow(popup, -1, string("Tail").Storage());  // appends
  RuntimeComboBoxInsertRow(popup, 6, string("End").Storage());    // at ListCount appends
  RuntimeComboBoxInsertRow(popup, 1, string("A&&B&c").Storage()); // mnemonics dropped
  pane->RemoveRow(-1);
  pane->RemoveRow(99);
  pane->SetRowText(99, "X");
  pane->SetRowText(-1, "X");
  pane->SetRowTag(99, nullptr);
  pane->SetListIndex(-7, false);
  pane->SetListIndex(1000, false);
  const std::vector<std::string> expected = {"Apple", "A&Bc", "Pear", "Plum", "Fig",
                                             "Lime",  "Tail", "End"};
  EXPECT_EQ(PaneRows(pane), expected);
  EXPECT_EQ(WidgetRows(pane), expected);
  pane->SetRowText(2, "Quince");
  RuntimeComboBoxRemoveRow(popup, 0);
  EXPECT_EQ(WidgetRows(pane), PaneRows(pane));
  EXPECT_EQ(PaneRows(pane)[1], "Quince");
  {
    qvtest::RaisedExceptions raised;
    RuntimeComboBoxRemoveRow(popup, RuntimeComboBoxCountGetter(popup, 0));
    EXPECT_EQ(Text(RuntimeComboBoxGetRow(popup, -1)), "");
    const std::vector<std::string> errors = raised.Take();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].rfind("OutOfBoundsException", 0), 0u);
  }
  EXPECT_EQ(WidgetRows(pane), PaneRows(pane));
  RuntimeComboBoxEmpty(popup);
  EXPECT_TRUE(WidgetRows(pane).empty());
  EXPECT_EQ(RuntimeComboBoxCountGetter(popup, 0), 0);
  // Rows keep what the widget shows: UTF-8, up to a NUL.
  const std::string greeting = "Grüße";
  RuntimeComboBoxAddRow(
      popup, string::FromBytes(greeting.data(), int64_t(greeting.size()), kEncodingUTF8)
                 .GetUTF16String()
                 .Storage());
  RuntimeComboBoxAddRow(popup, string::FromBytes("Fig\0Lime", 8, kEncodingUTF8).Storage());
  EXPECT_EQ(WidgetRows(pane), (std::vector<std::string>{"Grüße", "Fig"}));
  EXPECT_EQ(PaneRows(pane), WidgetRows(pane));
  EXPECT_EQ(string::Adopt(RuntimeComboBoxGetRow(popup, 0)).Encoding(), kEncodingUTF8);
  g_log_set_always_fatal(fatal);
}

void CountModelChange(GObject*, GParamSpec*, int* count) { ++*count; }

// Rows added, inserted, renamed and removed in one go reach the widget with one change of its
// model, the chosen row followed meanwhile as the widget itself would. (A GtkCombo's choice is
// its entry's text, so only the rows are compared there.)
TEST_P(PopupTest, ABatchOfRowsReachesTheWidgetOnceAndKeepsTheChoice) {
  RuntimeObject* popup = Add(popupClass, "Popup", {10, 10, 34, 160});
  PopupMenu* pane = Pane(popup);
  const bool comboBox = GetParam();
  RunPendingWork();
  int modelChanges = 0;
  g_signal_connect(pane->GetWidget(), "notify::model", G_CALLBACK(&CountModelChange),
                   &modelChanges);
  pane->SetListIndex(3, false);  // Fig
  for (int i = 0; i < 2000; ++i) pane->AddRow(("Row " + std::to_string(i)).c_str(), nullptr);
  if (comboBox) {
    EXPECT_EQ(pane->GetListIndex(), 3);
  }
  pane->InsertRow(4, "Kiwi", nullptr);  // after the choice: it stays
  pane->SetRowText(3, "Date");
  if (comboBox) {
    EXPECT_EQ(pane->GetDisplayText().CString(), std::string("Date"));
  }
  pane->RemoveRow(0);
  const int32_t chosen = pane->GetListIndex();
  if (comboBox) {
    EXPECT_EQ(chosen, 2);
  }
  const std::vector<std::string> widgetRows = WidgetRows(pane);
  EXPECT_EQ(widgetRows, PaneRows(pane));
  ASSERT_EQ(widgetRows.size(), 2005u);
  EXPECT_EQ(widgetRows[2], "Date");
  EXPECT_EQ(widgetRows[5], "Row 0");
  EXPECT_EQ(pane->GetListIndex(), chosen);
  if (comboBox) {
    EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(pane->GetWidget())), 2);
    EXPECT_EQ(modelChanges, 2) << "the combo box let go of its rows once and got them back once";
    // The chosen row removed while the rows are away: nothing is chosen, as in the widget.
    pane->AddRow("Last", nullptr);
    pane->RemoveRow(2);
    EXPECT_EQ(pane->GetListIndex(), -1);
    RunPendingWork();
    EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(pane->GetWidget())), -1);
  }
  EXPECT_EQ(WidgetRows(pane), PaneRows(pane));
  // A window closed with rows still away from its widget leaves nothing behind.
  pane->AddRow("Gone", nullptr);
  RuntimeCloseWindow(window);
  EXPECT_TRUE(gui.PumpUntil([&] { return !AsWindow(window)->mImp; }));
}

// A program that runs the main loop after each row: every row goes straight to the widget, which
// never lets go of its rows (each time it took them back it would build all of them again).
TEST_P(PopupTest, RowsAddedBetweenPassesGoStraightToTheWidget) {
  RuntimeObject* popup = Add(popupClass, "Popup", {10, 10, 34, 160});
  PopupMenu* pane = Pane(popup);
  RunPendingWork();
  int modelChanges = 0;
  g_signal_connect(pane->GetWidget(), "notify::model", G_CALLBACK(&CountModelChange),
                   &modelChanges);
  for (int i = 0; i < 50; ++i) {
    pane->AddRow(("Row " + std::to_string(i)).c_str(), nullptr);
    RunPendingWork();
  }
  EXPECT_EQ(modelChanges, 0);
  EXPECT_EQ(WidgetRows(pane), PaneRows(pane));
  EXPECT_EQ(WidgetRows(pane).back(), "Row 49");
}

TEST_P(PopupTest, TagReferencesComeBackToWhereTheyStarted) {
  RuntimeObject* popup = Add(popupClass, "Popup", {10, 10, 34, 160}, "");
  PopupMenu* pane = Pane(popup);
  RuntimeObject* a = StringToVariant(string("a").Storage());
  RuntimeObject* b = StringToVariant(string("b").Storage());
  const int32_t a0 = a->refCount, b0 = b->refCount;
  pane->AddRow("one", a);
  pane->InsertRow(0, "zero", a);
  EXPECT_EQ(a->refCount, a0 + 2);
  EXPECT_EQ(pane->FindRowTag(a), 0);
  pane->SetRowTag(0, b);
  EXPECT_EQ(a->refCount, a0 + 1);
  EXPECT_EQ(b->refCount, b0 + 1);
  pane->RemoveRow(1);
  EXPECT_EQ(a->refCount, a0);
  pane->AddRow("two", a);
  pane->DeleteAllRows();
  EXPECT_EQ(a->refCount, a0);
  EXPECT_EQ(b->refCount, b0);
  pane->AddRow("three", a);
  setPopupRowTag(popup, 0, b);
  RuntimeObject* read = getPopupRowTag(popup, 0);
  EXPECT_EQ(read, b);
  RuntimeUnlockObject(read);
  EXPECT_EQ(a->refCount, a0);
  ControlClose(popup);
  EXPECT_EQ(b->refCount, b0);
  RuntimeUnlockObject(a);
  RuntimeUnlockObject(b);
}

TEST_P(PopupTest, ChangeFollowsTheSelectionOnceAndNotForNestedSelections) {
  RuntimeObject* popup = Add(popupClass, "Popup", {10, 10, 34, 160});
  kit.Take();
  RuntimeComboBoxSelectionSetter(popup, 0, 2);
  EXPECT_EQ(kit.Take(), (std::vector<std::string>{"Popup.Change(2,Plum)"}));
  // A Change handler that selects another row raises no second Change.
  kit.script = [](const std::string&, RuntimeObject* o) { RuntimeComboBoxSelectionSetter(o, 0, 4); };
  RuntimeComboBoxSelectionSetter(popup, 0, 1);
  kit.script = nullptr;
  EXPECT_EQ(kit.Take(), (std::vector<std::string>{"Popup.Change(1,Pear)"}));
  EXPECT_EQ(RuntimeComboBoxSelectionGetter(popup, 0), 4);
  // Inserting before the selected row selects the old number again, with a Change.
  RuntimeComboBoxInsertRow(popup, 0, string("Kiwi").Storage());
  EXPECT_EQ(kit.Take(), (std::vector<std::string>{"Popup.Change(4,Fig)"}));
  // An index naming no row is kept from GTK and still raises Change when asked.
  RuntimeComboBoxSelectionSetter(popup, 0, -1);
  ASSERT_EQ(kit.log.size(), 1u);
  kit.Take();
  // A selection made behind the list's back is reported by state code 2000, once.
  Pane(popup)->SetListIndex(0, false);
  EXPECT_TRUE(Pane(popup)->ApplyStateCode(kComboReportChange));
  EXPECT_TRUE(Pane(popup)->ApplyStateCode(kComboReportChange));
  EXPECT_EQ(kit.Take(), (std::vector<std::string>{"Popup.Change(0,Kiwi)"}));
}

TEST_P(PopupTest, AClickOpensTheListAndAClickOnARowChoosesIt) {
  RuntimeObject* popup = Add(popupClass, "Popup", {10, 10, 34, 160});
  kit.Take();
  PopupMenu* pane = Pane(popup);
  std::vector<std::string> changes;
  const auto changed = [&] {
    for (const std::string& entry : Take("Change")) changes.push_back(entry);
    return !changes.empty();
  };
  ASSERT_TRUE(Placed(gui, pane->FocusWidget()));
  if (pane->IsComboBoxMode()) {
    gui.Click(pane->GetWidget());
    const qvtest::XWindow menu = gui.WaitForOpenMenu();
    ASSERT_NE(menu, 0u);
    gui.ClickMenuRow(menu, 3);
    ASSERT_TRUE(gui.PumpUntil(changed));
    EXPECT_EQ(changes, (std::vector<std::string>{"Popup.Change(3,Fig)"}));
    gui.Click(pane->GetWidget());
    ASSERT_NE(gui.WaitForOpenMenu(), 0u);
    gui.Key("Down");
    gui.Key("Return");
  } else {
    GtkCombo* combo = GTK_COMBO(pane->GetWidget());
    gui.Click(combo->button);
    ASSERT_TRUE(gui.PumpUntil([&] { return GTK_WIDGET_VISIBLE(combo->popwin); }));
    GtkWidget* fig = GTK_WIDGET(g_list_nth_data(GTK_LIST(combo->list)->children, 3));
    gui.PumpUntil([&] { return fig->allocation.width > 1; });
    gui.Click(fig);
    ASSERT_TRUE(gui.PumpUntil(changed));
    EXPECT_EQ(changes, (std::vector<std::string>{"Popup.Change(3,Fig)"}));
    gui.Click(combo->button);
    ASSERT_TRUE(gui.PumpUntil([&] { return GTK_WIDGET_VISIBLE(combo->popwin); }));
    gui.Key("Down");
    gui.Key("Return");
  }
  changes.clear();
  ASSERT_TRUE(gui.PumpUntil(changed));
  EXPECT_EQ(changes, (std::vector<std::string>{"Popup.Change(4,Lime)"}));
}

TEST_P(PopupTest, MouseDownTrueKeepsThePressAndCapturesTheMouse) {
  RuntimeObject* popup = Add(popupClass, "Popup", {10, 10, 34, 160});
  kit.Take();
  kit.mouseDownTakes = true;
  PopupMenu* pane = Pane(popup);
  ASSERT_TRUE(Placed(gui, pane->FocusWidget()));
  gui.Click(pane->FocusWidget());
  std::vector<std::string> mouse;
  // The release reaches the pane only through the mouse capture its press took.
  const bool heard = gui.PumpUntil([&] {
    for (const std::string& entry : Take("Mouse")) mouse.push_back(entry);
    return mouse.size() >= 2;
  });
  kit.mouseDownTakes = false;
  ASSERT_TRUE(heard);
  EXPECT_EQ(mouse[0].rfind("Popup.MouseDown(", 0), 0u);
  EXPECT_EQ(mouse[1].rfind("Popup.MouseUp(", 0), 0u);
  gui.Settle();
  EXPECT_EQ(gui.OpenMenu(), 0u) << "the press never reached the widget";
}

TEST_P(PopupTest, TabGivesBothModesGotFocusAndLostFocus) {
  RuntimeObject* first = Add(popupClass, "First", {10, 10, 34, 160});
  RuntimeObject* second = Add(comboClass, "Second", {50, 10, 74, 160});
  RuntimeSetFocus(first);
  ASSERT_TRUE(gui.PumpUntil([&] { return GetFocusPane() == Pane(first); }));
  kit.Take();
  const auto focusEvents = [&] {
    std::vector<std::string> seen;
    for (const std::string& entry : kit.Take()) {
      if (entry.find("Focus") != std::string::npos) seen.push_back(entry);
    }
    return seen;
  };
  gui.Key("Tab");
  ASSERT_TRUE(gui.PumpUntil([&] { return GetFocusPane() == Pane(second); }));
  EXPECT_EQ(focusEvents(), (std::vector<std::string>{"First.LostFocus", "Second.GotFocus"}));
  gui.Key("shift+Tab");
  ASSERT_TRUE(gui.PumpUntil([&] { return GetFocusPane() == Pane(first); }));
  EXPECT_EQ(focusEvents(), (std::vector<std::string>{"Second.LostFocus", "First.GotFocus"}));
}

TEST_P(PopupTest, HandlersThatCloseTheWindowLeaveNothingBehind) {
  for (const char* event : {"Change", "TextChanged", "KeyDown"}) {
    qvtest::XWindow closingXid = 0;
    RuntimeObject* w = kit.OpenAndFocus(gui, std::string("Closing ") + event, {}, &closingXid);
    RuntimeObject* combo = qvtest::AddControl(w, comboClass, "Combo", {10, 10, 34, 160},
                                              [](RuntimeObject* o) {
      stringSetter(o, offsetof(PopupMenuObject, initialValue), string("p\rPear").Storage());
    });
    ASSERT_NE(combo, nullptr);
    RuntimeSetFocus(combo);
    const std::string wanted = std::string("Combo.") + event;
    kit.script = [&](const std::string& entry, RuntimeObject*) {
      if (entry.rfind(wanted, 0) == 0) RuntimeCloseWindow(w);
    };
    gui.Key("p");
    ASSERT_TRUE(gui.PumpUntil([&] { return !AsWindow(w)->mImp; })) << event;
    kit.script = nullptr;
  }
}

TEST_P(PopupTest, TypingIntoAComboBoxRaisesKeyDownTextChangedAndChange) {
  RuntimeObject* combo = Add(comboClass, "Combo", {10, 10, 34, 160});
  PopupMenu* pane = Pane(combo);
  EXPECT_FALSE(pane->IsComboBoxMode()) << "an editable list is always a GtkCombo";
  RuntimeSetFocus(combo);
  SetString(&RuntimeComboBoxTextSetter, combo, "");
  kit.Take();
  gui.Type("pear");
  ASSERT_TRUE(gui.PumpUntil([&] { return kit.log.size() >= 9; }));
  const std::vector<std::string> expected = {
      "Combo.KeyDown(p)", "Combo.TextChanged(p)",   "Combo.KeyDown(e)",
      "Combo.TextChanged(pe)", "Combo.KeyDown(a)", "Combo.TextChanged(pea)",
      "Combo.KeyDown(r)", "Combo.Change(1,pear)", "Combo.TextChanged(pear)"};
  EXPECT_EQ(kit.Take(), expected);
  // True from KeyDown keeps the key out of the text; a key above 127 arrives as UTF-8.
  kit.keyDownTakes = true;
  gui.Type("x");
  gui.Type("\xC3\xA9");
  ASSERT_TRUE(gui.PumpUntil([&] { return kit.log.size() >= 2; }));
  kit.keyDownTakes = false;
  EXPECT_EQ(kit.Take(), (std::vector<std::string>{"Combo.KeyDown(x)", "Combo.KeyDown(\xC3\xA9)"}));
  EXPECT_EQ(Text(RuntimeComboBoxTextGetter(combo, 0)), "pear");
  // Down in the entry takes the next row.
  SetString(&RuntimeComboBoxTextSetter, combo, "Plum");
  gui.Key("Down");
  ASSERT_TRUE(gui.PumpUntil([&] { return RuntimeComboBoxSelectionGetter(combo, 0) == 3; }));
  // The Text setter reaches the "changed" handler: Change only for a row's text.
  kit.Take();
  SetString(&RuntimeComboBoxTextSetter, combo, "apple");
  SetString(&RuntimeComboBoxTextSetter, combo, "Quince");
  EXPECT_EQ(kit.Take(), (std::vector<std::string>{"Combo.Change(0,apple)",
                                                  "Combo.TextChanged(apple)",
                                                  "Combo.TextChanged(Quince)"}));
  // A PopupMenu hears no KeyDown.
  RuntimeObject* popup = Add(popupClass, "Popup", {50, 10, 74, 160});
  EXPECT_FALSE(Pane(popup)->HandleChar('a', 0, 0));
}

TEST_P(PopupTest, SelStartAndSelLengthAreClampedToTheText) {
  RuntimeObject* combo = Add(comboClass, "Combo", {10, 10, 34, 160});
  SetString(&RuntimeComboBoxTextSetter, combo, "abcdef");
  RuntimeComboBoxSelStartSetter(combo, 0, 2);
  RuntimeComboBoxSelLengthSetter(combo, 0, 3);
  EXPECT_EQ(RuntimeComboBoxSelStartGetter(combo, 0), 2);
  EXPECT_EQ(RuntimeComboBoxSelLengthGetter(combo, 0), 3);
  RuntimeComboBoxSelLengthSetter(combo, 0, INT32_MAX);  // the end formed in 64 bits
  EXPECT_EQ(RuntimeComboBoxSelLengthGetter(combo, 0), 4);
  RuntimeComboBoxSelStartSetter(combo, 0, -5);
  EXPECT_EQ(RuntimeComboBoxSelStartGetter(combo, 0), 0);
  RuntimeComboBoxSelLengthSetter(combo, 0, -1);  // selects nothing, not to the end
  EXPECT_EQ(RuntimeComboBoxSelLengthGetter(combo, 0), 0);
  RuntimeComboBoxSelStartSetter(combo, 0, 99);
  EXPECT_EQ(RuntimeComboBoxSelStartGetter(combo, 0), 6);
}

TEST_P(PopupTest, DrawIntoPaintsTheFaceAndSkipsTheEntryWithoutRoom) {
  RuntimeObject* popup = Add(comboClass, "Combo", {10, 10, 34, 160});
  SetString(&RuntimeComboBoxTextSetter, popup, "Pear");
  qvtest::ContentPixels pixels(window);
  const QV::Rect area = {110, 10, 134, 160};
  const qvtest::Screenshot before = pixels.Read(area);
  RuntimeObject* g = NewGraphicsObject(AsWindow(window)->mImp->NewGraphics());
  RuntimeControlDrawInto(popup, g, 10, 110);
  EXPECT_TRUE(PopupMenuDrewOffscreenForTesting());
  const qvtest::Screenshot drawn = pixels.Read(area);
  EXPECT_GT(drawn.DifferingPixels(before), 100) << "the face was painted";
  EXPECT_GT(drawn.Region({4, 2, 40, 18}).CountPixels(0x000000, 96), 5) << "the text's ink";
  // 15 pixels wide: no entry, no off-screen surface, nothing outside the pane.
  ctlPosSetter(popup, 2, 15);
  const QV::Rect narrow = {150, 10, 174, 160};
  const qvtest::Screenshot clear = pixels.Read(narrow);
  RuntimeControlDrawInto(popup, g, 10, 150);
  EXPECT_FALSE(PopupMenuDrewOffscreenForTesting());
  const qvtest::Screenshot after = pixels.Read(narrow);
  EXPECT_EQ(after.Region({15, 0, 135, 24}).DifferingPixels(clear.Region({15, 0, 135, 24})), 0);
  RuntimeUnlockObject(g);
}

INSTANTIATE_TEST_SUITE_P(BothModes, PopupTest, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "ComboBoxMode" : "ComboMode";
                         });

// ---- the classes before their panes, and binding ----

class PopupClassTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = kit.OpenAndFocus(gui, "Classes", {}, &xid);
  }
  RuntimeObject* NewObject(const char* cls) {
    return RuntimeNewObject(RuntimeLookupClass(string(cls).Storage()));
  }
  RuntimeObject* Open(RuntimeObject* o, const std::string& name, int top) {
    AsControl(o)->bounds = {int16_t(top), 10, int16_t(top + 24), 160};
    AsControl(o)->visible = AsControl(o)->enabled = 1;
    WindowAddControl(window, string(name.c_str()).Storage(), o);
    RuntimeUnlockObject(o);
    return o;
  }
  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = nullptr;
};

TEST_F(PopupClassTest, BeforeThePaneRowsAreInitialValueTextAndListIndexIsStored) {
  RuntimeObject* popup = NewObject("PopupMenu");
  stringSetter(popup, offsetof(PopupMenuObject, initialValue), string("A\r\n\nB\nC").Storage());
  RuntimeComboBoxAddRow(popup, string("D").Storage());
  RuntimeComboBoxInsertRow(popup, 0, string("dropped").Storage());
  RuntimeComboBoxSelectionSetter(popup, 0, 2);
  EXPECT_EQ(RuntimeComboBoxSelectionGetter(popup, 0), -1);
  EXPECT_EQ(RuntimeComboBoxCountGetter(popup, 0), 0);
  EXPECT_EQ(Text(RuntimeComboBoxGetRow(popup, 0)), "");
  EXPECT_EQ(getPopupRowTag(popup, 0), nullptr);
  EXPECT_EQ(popupDataAvailable(popup), 0);
  Open(popup, "Popup", 10);
  // CR LF and LF are line endings; an empty piece between two is a row; none after the last.
  EXPECT_EQ(RuntimeComboBoxCountGetter(popup, 0), 5);
  EXPECT_EQ(Text(RuntimeComboBoxGetRow(popup, 1)), "");
  EXPECT_EQ(Text(RuntimeComboBoxGetRow(popup, 4)), "D");
  EXPECT_EQ(RuntimeComboBoxSelectionGetter(popup, 0), 2);
  EXPECT_EQ(Text(RuntimeComboBoxTextGetter(popup, 0)), "B");
  EXPECT_EQ(Text(stringGetter(popup, offsetof(PopupMenuObject, initialValue))), "");
  // Never set: the stored 0 selects the first row.
  RuntimeObject* combo = NewObject("ComboBox");
  stringSetter(combo, offsetof(PopupMenuObject, initialValue), string("X\rY\r").Storage());
  EXPECT_EQ(RuntimeComboBoxSelStartGetter(combo, 0), 0);
  EXPECT_EQ(RuntimeComboBoxSelLengthGetter(combo, 0), 0);
  RuntimeComboBoxAutoCompleteSetter(combo, 0, 1);  // stored only
  RuntimeComboBoxSelStartSetter(combo, 0, 3);
  SetString(&RuntimeComboBoxTextSetter, combo, "ignored");
  EXPECT_EQ(AsPopupMenu(combo)->autoComplete, 1);
  Open(combo, "Combo", 50);
  EXPECT_EQ(RuntimeComboBoxSelectionGetter(combo, 0), 0);
  EXPECT_EQ(Text(RuntimeComboBoxTextGetter(combo, 0)), "X");
  EXPECT_EQ(RuntimeComboBoxCountGetter(combo, 0), 2) << "nothing after a final line ending";
  EXPECT_TRUE(popupGetBoundPart(combo, string("other").Storage()) == nullptr);
}

TEST_F(PopupClassTest, FontsGoToThePaneOnceThereIsOne) {
  RuntimeObject* popup = NewObject("PopupMenu");
  RuntimeComboBoxTextSizeSetter(popup, 0, 14);
  RuntimeComboBoxBoldSetter(popup, 0, 1);
  Open(popup, "Popup", 10);
  EXPECT_EQ(PopupPaneOf(popup)->Font().size, 14);
  EXPECT_EQ(RuntimeComboBoxBoldGetter(popup, 0), 1);
  RuntimeComboBoxItalicSetter(popup, 0, 1);
  SetString(&RuntimeComboBoxTextFontSetter, popup, "Monospace");
  EXPECT_EQ(Text(RuntimeComboBoxTextFontGetter(popup, 0)), "Monospace");
  EXPECT_EQ(PopupPaneOf(popup)->Font().italic, 1);
  EXPECT_EQ(RuntimeComboBoxTextSizeGetter(popup, 0), 14);
}

// A list data provider and its rows, as compiled code would implement the interfaces.
struct ProviderData {
  int32_t count = 0;
  int32_t fields = 1;
  bool indString = true;
};
ProviderData gProvider;
RuntimeClass* gRowClass = nullptr;
RuntimeClass* gRowNoStringClass = nullptr;

int32_t ProviderCount(RuntimeObject*) { return gProvider.count; }
int32_t RowFieldCount(RuntimeObject*) { return gProvider.fields; }
// A row keeps its number in the word after the object header.
int32_t& RowNumber(RuntimeObject* row) { return reinterpret_cast<int32_t*>(row + 1)[0]; }
stringStorage* RowIndString(RuntimeObject* row, int32_t field) {
  const std::string text = "r" + std::to_string(RowNumber(row)) + "f" + std::to_string(field);
  return string(text.c_str()).ExtractStringStorage();
}
RuntimeObject* ProviderRow(RuntimeObject*, int32_t i) {
  RuntimeObject* row = RuntimeNewObject(gProvider.indString ? gRowClass : gRowNoStringClass);
  RowNumber(row) = i;
  return row;
}

void AddInterface(RuntimeClass* cls, int32_t slot, ObjectDefinition* iface,
                  std::vector<std::pair<const char*, void*>> methods) {
  InterfaceTableEntry& entry = InterfaceEntries(cls)[slot];
  entry.interfaceClass = RuntimeClassForDefinition(iface);
  entry.methodCount = int32_t(methods.size());
  entry.methods = RuntimeNewVtable(int32_t(methods.size()));
  for (size_t i = 0; i < methods.size(); ++i) {
    entry.methods[i] = {methods[i].second, string(methods[i].first).ExtractStringStorage()};
  }
}

RuntimeObject* NewProvider() {
  static RuntimeClass* cls = nullptr;
  if (!cls) {
    cls = qvtest::Subclass("Object", "KitListProvider", 1);
    AddInterface(cls, cls->interfaceCount - 1, ListDataProviderInterfaceDefinition(),
                 {{"GetCount%%", reinterpret_cast<void*>(&ProviderCount)},
                  {"GetRow%%", reinterpret_cast<void*>(&ProviderRow)}});
    gRowClass = qvtest::Subclass("Object", "KitProvidedRow", 1);
    gRowClass->instanceSize = 28;
    AddInterface(gRowClass, gRowClass->interfaceCount - 1, TupleInterfaceDefinition(),
                 {{"FieldCount%%", reinterpret_cast<void*>(&RowFieldCount)},
                  {"getIndString%%", reinterpret_cast<void*>(&RowIndString)}});
    gRowNoStringClass = qvtest::Subclass("Object", "KitBareRow", 1);
    gRowNoStringClass->instanceSize = 28;
    AddInterface(gRowNoStringClass, gRowNoStringClass->interfaceCount - 1,
                 TupleInterfaceDefinition(),
                 {{"FieldCount%%", reinterpret_cast<void*>(&RowFieldCount)}});
  }
  return RuntimeNewObject(cls);
}

std::string TagText(RuntimeObject* popup, int32_t row) {
  RuntimeObject* tag = getPopupRowTag(popup, row);
  string text;
  if (tag) TryVariantToString(tag, &text);
  RuntimeUnlockObject(tag);
  return tag ? text.CString() : "(nil)";
}

TEST_F(PopupClassTest, BindListFillsRowsAndTagsFromAProvider) {
  RuntimeObject* popup = Open(NewObject("PopupMenu"), "Popup", 10);
  RuntimeObject* provider = NewProvider();
  gProvider = {3, 1, true};
  popupBindList(popup, provider);
  ASSERT_EQ(RuntimeComboBoxCountGetter(popup, 0), 3);
  EXPECT_EQ(Text(RuntimeComboBoxGetRow(popup, 2)), "r3f1");
  EXPECT_EQ(TagText(popup, 0), "(nil)");
  gProvider = {2, 2, true};
  popupBindList(popup, provider);
  ASSERT_EQ(RuntimeComboBoxCountGetter(popup, 0), 2);
  EXPECT_EQ(Text(RuntimeComboBoxGetRow(popup, 0)), "r1f1");
  EXPECT_EQ(TagText(popup, 1), "r2f2");
  gProvider = {2, 2, false};  // rows without getIndString add nothing
  popupBindList(popup, provider);
  EXPECT_EQ(RuntimeComboBoxCountGetter(popup, 0), 0);
  EXPECT_EQ(AsPopupMenu(popup)->listSource, provider);
  const int32_t held = provider->refCount;
  popupBindList(popup, nullptr);  // drops the source, empties the rows
  EXPECT_EQ(provider->refCount, held - 1);
  EXPECT_EQ(AsPopupMenu(popup)->listSource, nullptr);
  RuntimeUnlockObject(provider);
}

int gDataChanged = 0;
void OnDataChanged(RuntimeObject*) { ++gDataChanged; }

TEST_F(PopupClassTest, RowTagProvidersFollowTheSelectionAndOutliveTheirPopup) {
  // Released string variants wait in a pool for reuse: one is there before counting starts.
  RuntimeUnlockObject(StringToVariant(string("pooled").Storage()));
  const int32_t liveAtStart = LiveObjectCount();
  RuntimeObject* popup = NewObject("PopupMenu");
  RuntimeLockObject(popup);
  Open(popup, "Popup", 10);
  RuntimeObject* provider = popupGetBoundPart(popup, string("rowtagPROVIDER").Storage());
  ASSERT_NE(provider, nullptr);
  static RuntimeClass* receiverClass = nullptr;
  if (!receiverClass) {
    receiverClass = qvtest::Subclass("Object", "KitDataReceiver", 1);
    AddInterface(receiverClass, receiverClass->interfaceCount - 1,
                 DataNotificationReceiverInterfaceDefinition(),
                 {{"DataChanged%%", reinterpret_cast<void*>(&OnDataChanged)}});
  }
  RuntimeObject* receiver = RuntimeNewObject(receiverClass);
  popupRowTagAddDNR(provider, receiver);
  RuntimeUnlockObject(receiver);
  RuntimeComboBoxAddRow(popup, string("a").Storage());
  RuntimeComboBoxAddRow(popup, string("b").Storage());
  RuntimeObject* tag = StringToVariant(string("tag b").Storage());
  setPopupRowTag(popup, 1, tag);
  RuntimeUnlockObject(tag);
  RuntimeObject* source = NewProvider();
  AsPopupMenu(popup)->listSource = source;  // as BindList leaves it
  gDataChanged = 0;
  RuntimeComboBoxSelectionSetter(popup, 0, 1);
  EXPECT_EQ(gDataChanged, 1) << "DataChanged after Change, through the provider";
  EXPECT_EQ(Text(popupRowTagGetString(provider)), "tag b");
  EXPECT_EQ(popupRowTagDataAvailable(provider), 1);
  RuntimeComboBoxSelectionSetter(popup, 0, 0);
  EXPECT_EQ(Text(popupRowTagGetString(provider)), "");
  // The provider is kept after its popup is gone: empty text, no data.
  RuntimeCloseWindow(window);
  RuntimeUnlockObject(popup);
  EXPECT_EQ(reinterpret_cast<PopupRowTagObject*>(provider)->popup, nullptr);
  EXPECT_EQ(Text(popupRowTagGetString(provider)), "");
  EXPECT_EQ(popupRowTagDataAvailable(provider), 0);
  RuntimeUnlockObject(provider);
  EXPECT_EQ(LiveObjectCount(), liveAtStart);
}

// The data-control layer's binding routines, recorded.
std::vector<std::string> gBindings;
RuntimeObject* RecordBind(RuntimeObject* control, const string& name, int32_t kind) {
  gBindings.push_back("bind " + std::string(name.CString()) + " " + std::to_string(kind));
  return control;  // stands for the data control
}
void RecordUnbind(RuntimeObject*, RuntimeObject*, int32_t kind) {
  gBindings.push_back("unbind " + std::to_string(kind));
}

TEST_F(PopupClassTest, TheDataFieldSetterUnbindsBeforeItBinds) {
  const PopupBindingRoutines old = SetPopupBindingRoutines({&RecordBind, &RecordUnbind});
  gBindings.clear();
  RuntimeObject* popup = NewObject("PopupMenu");
  SetString(&PopupDataSourceSetter, popup, "Data1");
  Open(popup, "Popup", 10);
  SetString(&PopupDataFieldSetter, popup, "Name");
  SetString(&PopupDataSourceSetter, popup, "");
  EXPECT_EQ(gBindings, (std::vector<std::string>{"bind Data1 3", "unbind 3", "bind Data1 3",
                                                 "unbind 3"}));
  SetPopupBindingRoutines(old);
}

}  // namespace
