#include "ListFixtures.h"

#include <gtest/gtest.h>

#include <utility>

#include "controls/ControlClasses.h"
#include "core/ClassDefinitionRows.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "listbox/ListboxEvents.h"
#include "windows/ControlRecord.h"
#include "windows/GtkInput.h"
#include "windows/PaneFocus.h"

namespace qvtest {

QV::Rect Bounds(int top, int left, int bottom, int right) {
  QV::Rect r;
  RectSet(r, left, top, right, bottom);
  return r;
}

void GiveThreeHeadedColumns(TestList* list) {
  list->SetColumnCount(3);
  for (int i = 0; i < 3; ++i) list->SetWidthExpression(i, string("100"));
  list->SetColumnsResizable(true);
  list->SetHeading(-1, string("Name\tSize\tDate"));
  list->ResolveColumnWidths();
  list->BuildHeader();
}

// ---- the recorder ----

void ListRecorder::Note(const std::string& entry, const std::function<void()>& then) {
  log.push_back(entry);
  if (then) then();
}

void ListRecorder::DoubleClick(NuListbox*) { Note("DoubleClick", onDoubleClick); }

void ListRecorder::ListScrolled(NuListbox*, int32_t pixels) {
  log.push_back("Scrolled(" + std::to_string(pixels) + ")");
  if (list) list->InvalidateCell(-1, -1);
  if (onScrolled) onScrolled();
}

void ListRecorder::HeaderClick(int32_t x, int32_t y, int32_t modifiers) {
  log.push_back("HeaderClick");
  if (list) list->headerTracking = list->HeaderMouseDown(x, y, modifiers);
}

bool ListRecorder::RowClick(int32_t row, int32_t, int32_t, int32_t) {
  log.push_back("RowClick(" + std::to_string(row) + ")");
  return rowClickTakes;
}

std::vector<std::string> ListRecorder::Take() { return std::exchange(log, {}); }

int ListRecorder::Pairs() const {
  int changing = 0, changed = 0;
  for (const std::string& entry : log) {
    changing += entry == "Changing";
    changed += entry == "Changed";
  }
  EXPECT_EQ(changing, changed) << "every Changing has its Changed";
  return changed;
}

// ---- the list ----

TestList::TestList(ListRecorder* recorder, SubPane* owner, const QV::Rect& bounds, bool multiple,
                   bool constantHeight)
    : NuListbox(recorder, recorder, owner, 0, bounds, constantHeight, multiple),
      mRecorder(recorder) {
  recorder->list = this;
}

TestList::~TestList() {
  if (mRecorder->list == this) mRecorder->list = nullptr;
  if (destroyed) *destroyed = true;
}

void TestList::InvalidateCell(int32_t, int32_t) { InvalidateRect(GetBounds()); }

void TestList::InvalidateRow(int32_t row) {
  const QV::Rect r = RowRangeRect(row, 1);
  if (r.bottom > r.top) InvalidateRect(r);
}

void TestList::InvalidateColumn(int32_t) { InvalidateRect(GetBounds()); }

void TestList::RowCountChanged(int32_t row, int32_t value) {
  mRecorder->log.push_back("RowCount(" + std::to_string(row) + "," + std::to_string(value) + ")");
}

void TestList::ColumnWidthChanged(int32_t column) {
  mRecorder->log.push_back("Width(" + std::to_string(column) + ")");
}

void TestList::HeaderPressed(int32_t column) {
  mRecorder->log.push_back("HeaderPressed(" + std::to_string(column) + ")");
  if (mRecorder->onHeaderPressed) mRecorder->onHeaderPressed();
}

int32_t TestList::RowHeight(int32_t row) {
  return fixedRowHeight > 0 ? fixedRowHeight : NuListbox::RowHeight(row);
}

// White rows, selected ones black, each with its number.
void TestList::Draw(Graphics& g) {
  const QV::Rect area = GetListRect();
  g.SetForeColor({0xFFFF, 0xFFFF, 0xFFFF});
  g.FillRect(area);
  const int32_t h = RowHeight(-1);
  for (int32_t row = TopRow(); row < RowCount() && h > 0; ++row) {
    const int32_t top = area.top + (row - TopRow()) * h;
    if (top >= area.bottom) break;
    QV::Rect r = Bounds(top, area.left, top + h, area.right);
    if (IsRowSelected(row)) {
      g.SetForeColor({0, 0, 0});
      g.FillRect(r);
      g.SetForeColor({0xFFFF, 0xFFFF, 0xFFFF});
    } else {
      g.SetForeColor({0, 0, 0});
    }
    g.DrawString(string(std::to_string(row).c_str()), area.left + 4, top + h - 4);
  }
}

void TestList::MouseDrag(int32_t x, int32_t y) {
  if (headerTracking) {
    HeaderMouseDrag(x, y);
  } else {
    NuListbox::MouseDrag(x, y);
  }
}

void TestList::MouseUp(int32_t x, int32_t y) {
  if (headerTracking) {
    HeaderMouseDrag(x, y);  // the release point is the drag's last
    headerTracking = false;
    return;
  }
  NuListbox::MouseUp(x, y);
}

std::string TestList::Ranges() const {
  std::string text;
  for (const SelectionRange* r = SelectionRanges(); r; r = r->next) {
    if (!text.empty()) text += " ";
    text += std::to_string(r->first) + "+" + std::to_string(r->count);
  }
  return text;
}

std::vector<int32_t> TestList::Selected() const {
  std::vector<int32_t> rows;
  for (int32_t row = -1; NextSelectedRow(row);) rows.push_back(row);
  return rows;
}

// ---- the window ----

namespace {

int gDragPasses = 0;

std::string NextTitle() {
  static int made = 0;
  return "List " + std::to_string(++made);
}

}  // namespace

ListWindow::ListWindow(GuiDriver& gui, int width, int height) {
  // The double-click time every list test runs with (read once by the framework), as a gtkrc
  // would set it.
  gtk_settings_set_long_property(gtk_settings_get_default(), "gtk-double-click-time", 800,
                                 "test gtkrc");
  const std::string title = NextTitle();
  WindowSpec request;
  request.title = string(title.c_str());
  request.bounds = Bounds(60, 60, 60 + height, 60 + width);
  // The application's main loop drags the mouse-capture pane on each pass; the tests pump GTK
  // alone, so a timer stands in for it.
  mDragPass = g_timeout_add(
      10,
      [](gpointer) -> gboolean {
        ++gDragPasses;
        DragMouseCapture();
        return TRUE;
      },
      nullptr);
  mWindow = new Window(request);
  mWindow->Show();
  Window::ShowPendingWindows();
  mXid = gui.WaitForWindow(title);
  if (!mXid) return;
  gtk_window_present(mWindow->GetGtkWindow());
  EXPECT_TRUE(gui.WaitForFocus(mXid));
  const GtkAllocation& content = GTK_WIDGET(mWindow->ContentFixed())->allocation;
  EXPECT_TRUE(gui.PumpUntil([&] { return content.width == width && content.height == height; }));
  gui.Settle();
  mArea = gui.Area(mXid);
}

void ListWindow::WaitForDragPasses(GuiDriver& gui) {
  const int start = gDragPasses;
  EXPECT_TRUE(gui.PumpUntil([&] { return gDragPasses >= start + 2; }));
}

ListWindow::~ListWindow() {
  g_source_remove(mDragPass);
  if (!closed && mWindow) mWindow->Close();
}

namespace {

QV_CLASS(TestListOwnerDefinition,
         .name = "TestListOwner",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(ControlObject),
         .events = kListboxEventRows)

}  // namespace

RuntimeObject* NewListOwner() { return NewObjectFromDefinition(TestListOwnerDefinition()); }

void SetOwnerHandler(RuntimeObject* owner, const char* event, void* handler) {
  RuntimeClass* cls = owner->classPtr;
  for (int32_t i = 0; i < cls->eventCount; ++i) {
    if (string(cls->eventTable[i].name).Compare(string(event)) == 0) {
      cls->eventTable[i].vector = handler;
    }
  }
}

}  // namespace qvtest
