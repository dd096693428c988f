// The list-box pane's cells under real input (XTest) and on screen: check boxes toggled only
// inside the box and not when CellClick takes the press, MouseDown taking the mouse, editing
// a cell by typing (Return, Esc, rows added and reads while typing), the slow second click
// that edits, selection colours, CellBackgroundPaint painted over on a selected row, kept
// Graphics cut off, check boxes as GTK paints them, both triangles, handlers closing the
// window (the sanitizer build runs these), and the control's compiled handlers reached
// through the event table.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ListPaneFixtures.h"
#include "controls/EditField.h"
#include "controls/ControlClasses.h"
#include "controls/EditControl.h"
#include "core/ClassDefinitionRows.h"
#include "core/EventHandlers.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "core/Ticks.h"
#include "graphics/GraphicsClass.h"
#include "listbox/ListboxEvents.h"
#include "support/TestSupport.h"
#include "windows/ControlRecord.h"
#include "windows/MenuItemClass.h"
#include "windows/PaneFocus.h"

namespace {

using qvtest::Bounds;

std::string S(const string& text) { return text.CString(); }

std::string Cell(int32_t row, int32_t column) {
  return "(" + std::to_string(row) + "," + std::to_string(column) + ")";
}

// A pane whose events are logged ("CellClick(r,c)", "CellAction(r,c)", "Change", ...) and
// answered by the test's scripts.
class EventList : public qvtest::ScriptedList {
 public:
  using ScriptedList::ScriptedList;

  std::vector<std::string> log;
  std::function<bool(int32_t, int32_t)> onCellClick;
  std::function<bool(int32_t, int32_t)> onMouseDown;
  std::function<void()> onChange;
  std::function<void(int32_t, int32_t)> onCellAction;
  std::function<bool(RuntimeObject*, int32_t, int32_t)> onBackground;
  std::function<bool(RuntimeObject*, int32_t, int32_t)> onTextPaint;
  // Told of CellTextChange and CellKeyDown (with the key) while a cell is edited.
  std::function<void(const std::string&)> onCellEvent;

  int Count(const std::string& entry) const {
    return int(std::count(log.begin(), log.end(), entry));
  }
  bool HasHandler(ListboxEvent event) const override {
    if (event == kListCellBackgroundPaint) return bool(onBackground);
    if (event == kListCellTextPaint) return bool(onTextPaint);
    return ScriptedList::HasHandler(event);
  }

 protected:
  bool RaiseMouseDown(int32_t x, int32_t y) override {
    log.push_back("MouseDown");
    return onMouseDown && onMouseDown(x, y);
  }
  void RaiseMouseDrag(int32_t, int32_t) override { log.push_back("MouseDrag"); }
  void RaiseMouseUp(int32_t, int32_t) override { log.push_back("MouseUp"); }
  bool RaiseCellClick(int32_t row, int32_t column, int32_t, int32_t) override {
    log.push_back("CellClick" + Cell(row, column));
    return onCellClick && onCellClick(row, column);
  }
  void RaiseCellAction(int32_t row, int32_t column) override {
    log.push_back("CellAction" + Cell(row, column));
    if (onCellAction) onCellAction(row, column);
  }
  void RaiseChange() override {
    log.push_back("Change");
    if (onChange) onChange();
  }
  void RaiseCellEvent(ListboxEvent event, int32_t row, int32_t column) override {
    const char* names[kListEventCount] = {};
    names[kListCellLostFocus] = "CellLostFocus";
    names[kListCellGotFocus] = "CellGotFocus";
    names[kListCellTextChange] = "CellTextChange";
    if (names[event]) log.push_back(names[event] + Cell(row, column));
    if (names[event] && onCellEvent) onCellEvent(names[event]);
  }
  bool RaiseCellKeyDown(int32_t, int32_t, const string& key) override {
    if (onCellEvent) onCellEvent("CellKeyDown " + S(key));
    return false;
  }
  bool RaiseCellBackgroundPaint(RuntimeObject* g, int32_t row, int32_t column) override {
    return onBackground && onBackground(g, row, column);
  }
  bool RaiseCellTextPaint(RuntimeObject* g, int32_t row, int32_t column, int32_t,
                          int32_t) override {
    return onTextPaint && onTextPaint(g, row, column);
  }
};

uint32_t Rgb(const GdkColor& c) {
  return uint32_t(c.red >> 8) << 16 | uint32_t(c.green >> 8) << 8 | uint32_t(c.blue >> 8);
}

class Cells : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = std::make_unique<qvtest::ListWindow>(gui, 400, 300);
  }
  // Three rows of two columns, column 1 of the given type.
  EventList* Make(int32_t type = kTypeDefault, bool hierarchical = false) {
    list = new EventList(window->window(), Bounds(20, 20, 220, 323), true);
    list->hierarchical = hierarchical;
    list->InvalidateTextHeight();
    for (const char* row : {"a\tA", "b\tB", "c\tC"}) list->Add(row);
    if (type != kTypeDefault) list->SetColumnType(1, type);
    gui.Settle();
    return list;
  }
  // Screen points of (x, y) within the cell.
  int X(int32_t column, int32_t x) {
    return window->ScreenX(list->ColumnLeft(column) + x);
  }
  int Y(int32_t row) {
    const int32_t h = list->RowHeight(row);
    return window->ScreenY(list->GetListRect().top + h * row + h / 2);
  }
  void Redraw() {
    list->InvalidateCell(-1, -1);
    gui.Settle();
  }
  uint32_t ScreenPixel(int x, int y) {
    return gui.Capture({x, y, 1, 1}).Pixel(0, 0);
  }
  uint32_t SelectedColour(GtkStateType state) {
    return Rgb(list->GetWidget()->style->bg[state]);
  }
  void Press(bool down) { qvtest::FakeFirstButton(down); }
  bool WaitForEditFocus() {
    return gui.PumpUntil([&] { return list->EditField() && GetFocusPane() == list->EditField(); });
  }

  qvtest::GuiDriver gui;
  std::unique_ptr<qvtest::ListWindow> window;
  EventList* list = nullptr;
};

TEST_F(Cells, CheckBoxesToggleInsideTheBoxOnlyAndCellClickCanTakeThePress) {
  Make(kTypeCheckbox);
  gui.Click(X(1, 4 + 6), Y(1));
  ASSERT_TRUE(gui.PumpUntil([&] { return list->Count("CellAction" + Cell(1, 1)) == 1; }));
  EXPECT_EQ(list->FindCell(1, 1, false)->checked, 1);
  EXPECT_FALSE(list->IsRowSelected(1)) << "the toggle takes the press";

  gui.Click(X(1, 60), Y(1));
  ASSERT_TRUE(gui.PumpUntil([&] { return list->IsRowSelected(1); }));
  EXPECT_EQ(list->FindCell(1, 1, false)->checked, 1) << "beside the box: no toggle";
  EXPECT_EQ(list->Count("CellAction" + Cell(1, 1)), 1);

  list->onCellClick = [](int32_t, int32_t) { return true; };
  gui.Click(X(1, 4 + 6), Y(2));
  ASSERT_TRUE(gui.PumpUntil([&] { return list->Count("CellClick" + Cell(2, 1)) == 1; }));
  gui.Settle();
  EXPECT_EQ(list->FindCell(2, 1, true)->checked, 0);
  EXPECT_TRUE(list->IsRowSelected(1) && !list->IsRowSelected(2));
  EXPECT_EQ(list->Count("CellAction" + Cell(2, 1)), 0);
}

TEST_F(Cells, MouseDownTakingThePressGetsTheDragAndTheRelease) {
  Make();
  list->onMouseDown = [](int32_t, int32_t) { return true; };
  gui.MoveTo(X(0, 10), Y(0));
  Press(true);
  const bool captured = gui.PumpUntil([&] { return GetMouseCapturePane() == list; });
  EXPECT_TRUE(captured);
  if (captured) {
    gui.MoveTo(X(0, 10), Y(2));
    EXPECT_TRUE(gui.PumpUntil([&] { return list->Count("MouseDrag") > 0; }));
  }
  Press(false);
  ASSERT_TRUE(gui.PumpUntil([&] { return list->Count("MouseUp") == 1; }));
  EXPECT_EQ(list->SelectedRowCount(), 0) << "the list saw nothing of the click";
  EXPECT_EQ(list->Count("Change"), 0);
}

TEST_F(Cells, EditingByTypingCommitsWithReturnAndCancelsWithEscape) {
  Make(kTypeEditable);
  list->EditCell(0, 1);
  ASSERT_TRUE(WaitForEditFocus());
  list->EditField()->SetText(string(""));
  gui.Type("xyz");
  ASSERT_TRUE(gui.PumpUntil([&] { return S(list->GetCellText(true, 0, 1)) == "xyz"; }))
      << "a cell reads as what is typed so far";
  EXPECT_EQ(S(list->FindCell(0, 1, false)->text), "A") << "nothing stored yet";
  list->log.clear();
  gui.Key("Return");
  ASSERT_TRUE(gui.PumpUntil([&] { return !list->IsEditing(); }));
  EXPECT_EQ(S(list->FindCell(0, 1, false)->text), "xyz");
  EXPECT_EQ(list->log, (std::vector<std::string>{"CellAction(0,1)", "CellLostFocus(0,1)"}));
  EXPECT_TRUE(gui.PumpUntil([&] { return GetFocusPane() == list; })) << "the focus returns";

  list->EditCell(1, 1);
  ASSERT_TRUE(WaitForEditFocus());
  list->EditField()->SetText(string(""));
  gui.Type("q");
  ASSERT_TRUE(gui.PumpUntil([&] { return S(list->GetCellText(true, 1, 1)) == "q"; }));
  list->log.clear();
  gui.Key("Escape");
  ASSERT_TRUE(gui.PumpUntil([&] { return !list->IsEditing(); }));
  EXPECT_EQ(S(list->FindCell(1, 1, false)->text), "B");
  EXPECT_EQ(list->log, std::vector<std::string>{"CellLostFocus(1,1)"});
}

TEST_F(Cells, AddingARowCommitsAndACheckBoxCellGetsItsTypeBack) {
  Make();
  list->FindCell(2, 1, true)->type = kTypeCheckbox;
  list->EditCell(2, 1);
  ASSERT_TRUE(list->IsEditing());
  EXPECT_EQ(list->EffectiveCellType(2, 1), kTypeEditable);
  list->EditField()->SetText(string("typed"));
  list->Add("d\tD");
  EXPECT_FALSE(list->IsEditing());
  EXPECT_EQ(S(list->GetCellText(true, 2, 1)), "typed");
  EXPECT_EQ(list->EffectiveCellType(2, 1), kTypeCheckbox);
  EXPECT_EQ(list->Count("CellAction(2,1)"), 1);
  EXPECT_EQ(list->RowCount(), 4);

  list->EditCell(0, 0);
  list->DeleteRow(0);
  EXPECT_FALSE(list->IsEditing()) << "deleting the edited row cancels";
  EXPECT_EQ(list->Count("CellAction(0,0)"), 0);
}

TEST_F(Cells, ASlowSecondClickOnAnEditableCellEditsADoubleClickDoesNot) {
  Make(kTypeEditable);
  gui.Click(X(1, 20), Y(0));
  ASSERT_TRUE(gui.PumpUntil([&] { return list->IsRowSelected(0); }));
  const int32_t start = RuntimeTicks();
  ASSERT_TRUE(gui.PumpUntil([&] { return RuntimeTicks() - start > DoubleClickTicks() + 6; }));
  gui.Click(X(1, 20), Y(0));
  ASSERT_TRUE(gui.PumpUntil([&] { return list->IsEditing(); }));
  EXPECT_EQ(list->EditedRow(), 0);
  EXPECT_EQ(list->EditedColumn(), 1);
  ASSERT_TRUE(WaitForEditFocus());
  list->CancelEdit();

  gui.Click(X(1, 20), Y(2), 1, 2);
  ASSERT_TRUE(gui.PumpUntil([&] { return list->Count("CellClick(2,1)") == 2; }));
  gui.Settle();
  EXPECT_FALSE(list->IsEditing()) << "a double click does not edit";
  EXPECT_TRUE(list->IsRowSelected(2));
}

TEST_F(Cells, SelectedRowsTakeTheStylesColoursAndHierarchicalOnesOnlyABox) {
  Make();
  list->SelectRow(1, false);
  Redraw();
  const int right = window->ScreenX(list->GetListRect().right - 8);
  EXPECT_EQ(ScreenPixel(right, Y(1)), SelectedColour(GTK_STATE_SELECTED));
  EXPECT_EQ(ScreenPixel(right, Y(0)), 0xFFFFFFu);
  list->SetEnabled(false, true);
  Redraw();
  EXPECT_EQ(ScreenPixel(right, Y(1)), SelectedColour(GTK_STATE_INSENSITIVE));
  list->SetEnabled(true, true);

  // CellBackgroundPaint's drawing stays on plain rows and is painted over on selected ones
  // unless it answers true.
  bool answer = false;
  list->onBackground = [&](RuntimeObject* g, int32_t, int32_t column) {
    if (column != 1) return false;
    Graphics* native = NativeGraphicsOf(g);
    native->SetForeColor({0xFFFF, 0, 0});
    native->FillRect({0, 0, 200, 400});
    return answer;
  };
  Redraw();
  const int inColumn1 = X(1, 30);
  EXPECT_EQ(ScreenPixel(inColumn1, Y(0)), 0xFF0000u);
  EXPECT_EQ(ScreenPixel(inColumn1, Y(1)), SelectedColour(GTK_STATE_SELECTED));
  answer = true;
  Redraw();
  EXPECT_EQ(ScreenPixel(inColumn1, Y(1)), 0xFF0000u);
  EXPECT_EQ(ScreenPixel(X(0, 1), Y(1)), SelectedColour(GTK_STATE_SELECTED)) << "column 0";

  // A Graphics kept past the event is cut off from the surface.
  RuntimeObject* kept = nullptr;
  list->onBackground = [&](RuntimeObject* g, int32_t, int32_t) {
    if (!kept) {
      kept = g;
      RuntimeLockObject(kept);
    }
    return false;
  };
  Redraw();
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(NativeGraphicsOf(kept), nullptr);
  RuntimeUnlockObject(kept);
  list->onBackground = nullptr;

  list->hierarchical = true;
  list->InvalidateTextHeight();
  Redraw();
  EXPECT_EQ(ScreenPixel(right, Y(1)), 0xFFFFFFu) << "no full-row selection";
  EXPECT_EQ(ScreenPixel(X(0, 20 - 2), Y(1)), SelectedColour(GTK_STATE_SELECTED))
      << "the box behind the column-0 text";
}

TEST_F(Cells, CheckBoxesAreThoseGtkPaintsAndTrianglesPointTheirWay) {
  Make(kTypeCheckbox);
  list->FindCell(0, 1, true)->checked = 1;
  Redraw();
  // The reference: the same style's check on a white pixmap.
  GtkWidget* widget = list->GetWidget();
  GdkPixmap* pixmap = gdk_pixmap_new(widget->window, 12, 12, -1);
  GdkGC* gc = gdk_gc_new(pixmap);
  GdkColor white = {0, 0xFFFF, 0xFFFF, 0xFFFF};
  gdk_gc_set_rgb_fg_color(gc, &white);
  gdk_draw_rectangle(pixmap, gc, TRUE, 0, 0, 12, 12);
  gtk_paint_check(widget->style, pixmap, GTK_STATE_NORMAL, GTK_SHADOW_IN, nullptr, widget,
                  "cellcheck", 0, 0, 12, 12);
  GdkPixbuf* reference =
      gdk_pixbuf_get_from_drawable(nullptr, pixmap, nullptr, 0, 0, 0, 0, 12, 12);
  const int32_t h = list->RowHeight(0);
  const int32_t side = std::min(20, h);
  const int boxTop =
      window->ScreenY(list->GetListRect().top + (h - side) / 2 + side / 2 - 6);
  const qvtest::Screenshot shot = gui.Capture({X(1, 4), boxTop, 12, 12});
  int differing = 0;
  const guchar* pixels = gdk_pixbuf_get_pixels(reference);
  const int stride = gdk_pixbuf_get_rowstride(reference);
  const int channels = gdk_pixbuf_get_n_channels(reference);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      const guchar* p = pixels + y * stride + x * channels;
      const uint32_t rgb = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
      if (rgb != shot.Pixel(x, y)) ++differing;
    }
  }
  EXPECT_EQ(differing, 0);
  g_object_unref(reference);
  g_object_unref(gc);
  g_object_unref(pixmap);

  // Triangles: collapsed points right, expanded points down.
  list->SetColumnType(1, kTypeNormal);
  list->hierarchical = true;
  list->InvalidateTextHeight();
  list->RowEntryAt(0)->state = 0;
  list->RowEntryAt(1)->state = 1;
  Redraw();
  const int32_t rh = list->RowHeight(0);
  auto corner = [&](int32_t row) {
    return std::make_pair(X(0, 4), window->ScreenY(list->GetListRect().top + rh * row +
                                                   (rh - 12) / 2));
  };
  auto [cx, cy] = corner(0);
  EXPECT_EQ(ScreenPixel(cx + 2, cy + 5), 0u) << "collapsed: the middle of the left edge";
  EXPECT_EQ(ScreenPixel(cx + 8, cy + 1), 0xFFFFFFu);
  EXPECT_EQ(ScreenPixel(cx + 5, cy + 1), 0xFFFFFFu);
  auto [ex, ey] = corner(1);
  EXPECT_EQ(ScreenPixel(ex + 5, ey + 4), 0u) << "expanded: the middle of the top edge";
  EXPECT_EQ(ScreenPixel(ex + 1, ey + 8), 0xFFFFFFu);
  EXPECT_EQ(ScreenPixel(ex + 2, ey + 1), 0xFFFFFFu);
}

TEST_F(Cells, HandlersMayCloseTheWindowFromChangeCellActionExpandRowCompareRowsAndPaint) {
  for (const char* from : {"Change", "CellAction", "ExpandRow", "CompareRows", "CellTextPaint"}) {
    SCOPED_TRACE(from);
    if (!window) window = std::make_unique<qvtest::ListWindow>(gui, 400, 300);
    Make(kTypeCheckbox);
    bool destroyed = false;
    list->destroyed = &destroyed;
    auto close = [&] {
      window->closed = true;
      window->window()->Close();
    };
    const std::string event = from;
    if (event == "Change") {
      list->onChange = close;
      gui.Click(X(0, 20), Y(2));
    } else if (event == "CellAction") {
      list->onCellAction = [&](int32_t, int32_t) { close(); };
      gui.Click(X(1, 4 + 6), Y(2));
    } else if (event == "ExpandRow") {
      list->hierarchical = true;
      list->RowEntryAt(0)->state = 0;
      list->onExpandRow = [&](int32_t) { close(); };
      const int32_t h = list->RowHeight(0);
      gui.Click(X(0, 4 + 3), window->ScreenY(list->GetListRect().top + h / 2));
    } else if (event == "CompareRows") {
      list->onCompareRows = [&](int32_t, int32_t, int32_t, int32_t&) {
        if (!window->closed) close();
        return false;
      };
      list->SetSortDirection(0, 1, true);
      list->SortColumn(0);
    } else {
      list->onTextPaint = [&](RuntimeObject*, int32_t, int32_t) {
        if (!window->closed) close();
        return false;
      };
      list->InvalidateCell(-1, -1);
    }
    ASSERT_TRUE(gui.PumpUntil([&] { return destroyed; }));
    window.reset();
  }
}

// Closing the window while a cell is edited: the list's close ends the edit, hiding the field
// that has the focus, inside the window's own teardown.
TEST_F(Cells, CellTextChangeOrCellKeyDownMayCloseTheWindowWhileTheCellIsEdited) {
  for (const char* from : {"CellTextChange", "CellKeyDown"}) {
    SCOPED_TRACE(from);
    if (!window) window = std::make_unique<qvtest::ListWindow>(gui, 400, 300);
    Make(kTypeEditable);
    bool destroyed = false;
    list->destroyed = &destroyed;
    list->EditCell(0, 1);
    ASSERT_TRUE(WaitForEditFocus());
    const std::string event = from;
    list->onCellEvent = [&](const std::string& heard) {
      if (!heard.starts_with(event) || window->closed) return;
      window->closed = true;
      window->window()->Close();
    };
    gui.Type("k");
    ASSERT_TRUE(gui.PumpUntil([&] { return destroyed; }));
    window.reset();
  }
}

// A CellClick that empties the list and leaves the press to the list: the row it was about is
// gone, and nothing more is done with it.
TEST_F(Cells, ACellClickThatDeletesEveryRowAndDeclinesThePressEndsTheClick) {
  Make();
  list->hierarchical = true;
  list->onCellClick = [&](int32_t, int32_t) {
    list->DeleteAllRows();
    return false;
  };
  qvtest::ReportCapture reports;
  gui.Click(X(0, 20), Y(1));
  ASSERT_TRUE(gui.PumpUntil([&] { return list->Count("CellClick" + Cell(1, 0)) == 1; }));
  gui.Settle();
  EXPECT_TRUE(reports.empty()) << reports.reports()[0].condition;
  EXPECT_EQ(list->RowCount(), 0);
  EXPECT_EQ(list->Count("Change"), 0);
}

TEST_F(Cells, CopyPutsTheSelectedRowsOnTheClipboardOneLineEachCellsByTab) {
  Make();
  list->Add("d\tD");
  list->SelectRow(0, false);
  list->SetRowSelected(2, true);
  list->SetRowSelected(3, true);
  RuntimeObject* item = NewObjectFromDefinition(MenuItemClassDefinition());
  RuntimeMenuItemNameSetter(item, 0, string("EditCopy").Storage());
  EXPECT_TRUE(list->HandleMenuCommand(item));
  gchar* text = gtk_clipboard_wait_for_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::string(text), "a\tA\nc\tC\nd\tD");
  g_free(text);
  RuntimeMenuItemNameSetter(item, 0, string("EditSelectAll").Storage());
  EXPECT_TRUE(list->HandleMenuCommand(item));
  EXPECT_EQ(list->SelectedRowCount(), 4);
  RuntimeUnlockObject(item);
}

// ---- the control's handlers, through its event table ----

std::vector<std::string> gHeard;
RuntimeListbox* gSorted = nullptr;

extern "C" void HeardCellAction(RuntimeObject* owner, int32_t row, int32_t column) {
  gHeard.push_back(std::string(stringStorage::CString(owner->classPtr->className)) +
                   ".CellAction" + Cell(row, column));
}
// The texts in reverse order.
extern "C" uint8_t HeardCompareRows(RuntimeObject*, int32_t row1, int32_t row2, int32_t column,
                                    int32_t* result) {
  *result = gSorted->GetCellText(true, row2, column).Compare(
      gSorted->GetCellText(true, row1, column));
  return 1;
}

TEST(ListboxEventTable, TheRowsNameTheEventsAndThePaneCallsTheControlsHandlers) {
  EXPECT_STREQ(kListboxEventRows[kListCompareRows].parameterText,
               "row1 as Integer, row2 as Integer, column as Integer, ByRef result as Integer");
  EXPECT_STREQ(kListboxEventRows[kListDragReorderRows].parameterText,
               "newPosition as Integer, parentRow as Integer");
  EXPECT_STREQ(kOldListboxEventRows[kListDragReorderRows].parameterText,
               "newPosition as Integer");
  EXPECT_EQ(kListboxEventRows[kListEnableMenuItems].flags, 0x20u);
  EXPECT_STREQ(kListboxEventRows[kListHeaderPressed].name, "HeaderPressed");
  EXPECT_EQ(CacheListboxHandlers(nullptr)[kListChange], nullptr);

  qvtest::GuiDriver gui;
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  RuntimeObject* owner = qvtest::NewListOwner();
  ASSERT_NE(owner, nullptr);
  EXPECT_FALSE(IsOldListboxObject(owner));
  qvtest::SetOwnerHandler(owner, "CellAction", reinterpret_cast<void*>(&HeardCellAction));
  qvtest::SetOwnerHandler(owner, "CompareRows", reinterpret_cast<void*>(&HeardCompareRows));
  {
    qvtest::ListWindow window(gui, 400, 300);
    auto* list = new RuntimeListbox(owner, window.window(), Bounds(20, 20, 220, 323), false);
    for (const char* text : {"a", "b", "c"}) {
      const int32_t row = list->AddRow(nullptr, 0, -1);
      list->SetCellText(row, 0, string(text), false);
    }
    list->SetColumnType(0, kTypeCheckbox);
    gHeard.clear();
    list->ClickCell(1, 0, 4 + 6, list->RowHeight(1) / 2);
    EXPECT_EQ(gHeard, std::vector<std::string>{"TestListOwner.CellAction(1,0)"});
    gSorted = list;
    list->SetSortDirection(0, 1, true);
    list->SortColumn(0);
    EXPECT_EQ(S(list->GetCellText(true, 0, 0)), "c");
    EXPECT_EQ(S(list->GetCellText(true, 2, 0)), "a");
  }
  RuntimeUnlockObject(owner);
}

// The edit field's own language events, heard by a class given to the list's EditField.
std::vector<std::string>* gFieldLog = nullptr;
std::string FieldText(RuntimeObject* field) {
  stringStorage* text = editTextGetter(field, 0);
  const std::string result = text ? stringStorage::CString(text) : "";
  stringStorage::RemoveReference(text);
  return result;
}
int32_t FieldKeyDown(RuntimeObject*, stringStorage* key) {
  const std::string text = key ? stringStorage::CString(key) : "";
  gFieldLog->push_back("Field.KeyDown " + (text == "\r" ? std::string("Return") : text));
  return text == "x" ? 1 : 0;
}
void FieldTextChange(RuntimeObject* field) {
  gFieldLog->push_back("Field.TextChange " + FieldText(field));
}
void FieldGotFocus(RuntimeObject*) { gFieldLog->push_back("Field.GotFocus"); }
void FieldLostFocus(RuntimeObject*) { gFieldLog->push_back("Field.LostFocus"); }

// Handlers added to the field object itself, as AddHandler does.
void HearField(RuntimeObject* field) {
  const std::pair<const char*, void*> handlers[] = {
      {"KeyDown", reinterpret_cast<void*>(&FieldKeyDown)},
      {"TextChange", reinterpret_cast<void*>(&FieldTextChange)},
      {"GotFocus", reinterpret_cast<void*>(&FieldGotFocus)},
      {"LostFocus", reinterpret_cast<void*>(&FieldLostFocus)}};
  for (const auto& [event, handler] : handlers) {
    RuntimeInstallInstanceEventHandler(field, string(event).Storage(), handler);
  }
}

TEST_F(Cells, TheEditorIsAnEditFieldWhoseOwnEventsRunBeforeTheCellEvents) {
  Make(kTypeEditable);
  EXPECT_EQ(list->ActiveCell(), nullptr) << "no field before the first edit";
  list->EditCell(0, 1);
  ASSERT_TRUE(WaitForEditFocus());
  RuntimeObject* field = list->ActiveCell();
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(AsControl(field)->pane, list->EditField());
  EXPECT_EQ(FieldText(field), "A");
  list->CommitEdit();
  // From here the field's events are heard, in one log with the list's.
  HearField(field);
  struct StopHearing {
    ~StopHearing() { gFieldLog = nullptr; }
  } stopHearing;
  gFieldLog = &list->log;
  list->log.clear();

  list->EditCell(1, 1);
  ASSERT_TRUE(WaitForEditFocus());
  ASSERT_TRUE(gui.PumpUntil([&] { return list->Count("CellGotFocus(1,1)") == 1; }));
  const auto at = [&](const char* entry) {
    return std::find(list->log.begin(), list->log.end(), entry) - list->log.begin();
  };
  EXPECT_LT(at("Field.GotFocus"), at("CellGotFocus(1,1)")) << testing::PrintToString(list->log);
  list->EditField()->SetText(string(""));
  list->log.clear();
  gui.Type("ax");
  ASSERT_TRUE(gui.PumpUntil([&] { return list->Count("Field.KeyDown x") == 1; }))
      << testing::PrintToString(list->log);
  gui.Key("Return");
  ASSERT_TRUE(gui.PumpUntil([&] { return list->Count("Field.LostFocus") == 1; }));
  EXPECT_EQ(list->log, (std::vector<std::string>{
                           "Field.KeyDown a", "Field.TextChange a", "CellTextChange(1,1)",
                           "Field.KeyDown x",  // taken: not typed, no cell key
                           "Field.KeyDown Return", "CellAction(1,1)",
                           "Field.LostFocus",  // hiding the field took its focus
                           "CellLostFocus(1,1)"}));
  EXPECT_EQ(S(list->GetCellText(true, 1, 1)), "a");

  // The field outlives the list it edited for: it reads and answers without reaching it.
  gFieldLog = nullptr;
  window.reset();
  list = nullptr;
  EXPECT_EQ(AsControl(field)->pane, nullptr);
  EXPECT_EQ(FieldText(field), "");
  RuntimeUnlockObject(field);
}

// What the person sees of the list's edges: the frame's dark lines are the control's own
// outermost pixels, the rows begin right inside them, and the control takes a click on any
// pixel of its bounds (on the frame a plain mouse-down, on a row's first or last pixel row
// that row).
TEST_F(Cells, TheFrameIsTheControlsOuterEdgeAndRowsBeginRightInsideIt) {
  Make();
  const QV::Rect b = Bounds(20, 20, 220, 323);  // where Make places it
  const uint32_t dark = Rgb(list->GetWidget()->style->fg[GTK_STATE_INSENSITIVE]);
  const uint32_t background = Rgb(list->GetWidget()->style->bg[GTK_STATE_NORMAL]);
  ASSERT_NE(dark, background);
  const qvtest::Screenshot shot =
      gui.Capture({window->ScreenX(b.left - 1), window->ScreenY(b.top - 1), 40, 40});
  for (int k = 2; k < 40; ++k) {
    EXPECT_EQ(shot.Pixel(k, 1), dark) << "top edge, x " << b.left - 1 + k;
    EXPECT_EQ(shot.Pixel(1, k), dark) << "left edge, y " << b.top - 1 + k;
    EXPECT_EQ(shot.Pixel(k, 0), background) << "above the control";
    EXPECT_EQ(shot.Pixel(0, k), background) << "left of the control";
  }
  EXPECT_EQ(shot.Pixel(2, 2), 0xFFFFFFu) << "row 0 begins right inside the frame";

  const int32_t h = list->RowHeight(0);
  const auto clickAt = [&](int y) {
    const size_t before = list->log.size();
    gui.Click(window->ScreenX(b.left + 40), window->ScreenY(y));
    EXPECT_TRUE(gui.PumpUntil([&] {
      return list->Count("MouseDown") > 0 && list->log.size() > before &&
             GetMouseCapturePane() != list;
    })) << "the list heard no click on y " << y;
    list->log.clear();
  };
  clickAt(b.top);
  EXPECT_EQ(list->SelectedRowCount(), 0) << "the frame selects nothing";
  for (const auto& [y, row] : {std::pair{b.top + 1, 0}, {b.top + h, 0}, {b.top + h + 1, 1},
                               {b.top + 2 * h, 1}}) {
    clickAt(y);
    EXPECT_TRUE(list->IsRowSelected(row) && list->SelectedRowCount() == 1) << "y " << y;
    gui.Settle();
    gui.PumpUntil([] { return false; }, 900);  // no double click with the next
  }
  clickAt(b.bottom - 1);
}

}  // namespace
