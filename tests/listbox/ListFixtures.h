// The list-engine tests' kit: a small list derived from the engine that draws each row's
// number and logs every delegate and provider call ("Changing", "Changed", "DoubleClick",
// "Scrolled(px)", "RowClick(r)", "HeaderClick", "HeaderPressed(c)", "RowCount(r,v)",
// "Width(c)"), in a real window of its own. Handlers may be given a script (closing the
// window, say) through the hooks.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "listbox/NuListbox.h"
#include "support/GuiDriver.h"
#include "windows/Window.h"

namespace qvtest {

class TestList;

class ListRecorder : public NuListboxDelegate, public NuListboxProvider {
 public:
  void DoubleClick(NuListbox*) override;
  void SelectionChanging(NuListbox*) override { Note("Changing", onChanging); }
  void SelectionChanged(NuListbox*) override { Note("Changed", onChanged); }
  void ListScrolled(NuListbox* list, int32_t pixels) override;
  void HeaderClick(int32_t x, int32_t y, int32_t modifiers) override;
  bool RowClick(int32_t row, int32_t xInRow, int32_t yInRow, int32_t modifiers) override;

  std::vector<std::string> Take();
  // Changing/Changed pairs in the log.
  int Pairs() const;

  TestList* list = nullptr;
  std::vector<std::string> log;
  bool rowClickTakes = false;
  std::function<void()> onChanging;
  std::function<void()> onChanged;
  std::function<void()> onDoubleClick;
  std::function<void()> onHeaderPressed;
  std::function<void()> onScrolled;

 private:
  void Note(const std::string& entry, const std::function<void()>& then);
};

class TestList : public NuListbox {
 public:
  TestList(ListRecorder* recorder, SubPane* owner, const QV::Rect& bounds, bool multiple,
           bool constantHeight = true);
  ~TestList() override;

  void InvalidateCell(int32_t row, int32_t column) override;
  void InvalidateRow(int32_t row) override;
  void InvalidateColumn(int32_t column) override;
  void RowCountChanged(int32_t row, int32_t value) override;
  void ColumnWidthChanged(int32_t column) override;
  void HeaderPressed(int32_t column) override;
  int32_t RowHeight(int32_t row) override;
  void Draw(Graphics& g) override;
  // Drags and the release go to the header while a press there is tracked.
  void MouseDrag(int32_t x, int32_t y) override;
  void MouseUp(int32_t x, int32_t y) override;

  // The selection as "first+count" ranges in list order.
  std::string Ranges() const;
  // The rows selected, in order.
  std::vector<int32_t> Selected() const;

  int32_t fixedRowHeight = 16;  // 0: the text height
  bool* destroyed = nullptr;

 private:
  ListRecorder* mRecorder;
};

// A window of its own for each test, titled uniquely.
class ListWindow {
 public:
  ListWindow(GuiDriver& gui, int width = 320, int height = 240);
  ~ListWindow();
  Window* window() const { return mWindow; }
  XWindow xid() const { return mXid; }
  // The screen point of (x, y) in the window's content coordinates.
  int ScreenX(int x) const { return mArea.x + x; }
  int ScreenY(int y) const { return mArea.y + y; }
  // Pumps until the stand-in for the main loop has dragged the capture pane twice more, so
  // that the pointer's last move has been seen.
  void WaitForDragPasses(GuiDriver& gui);
  // The window was closed by the code under test: nothing is left to release.
  bool closed = false;

 private:
  Window* mWindow = nullptr;
  XWindow mXid = 0;
  ScreenArea mArea{};
  guint mDragPass = 0;
};

QV::Rect Bounds(int top, int left, int bottom, int right);
// Three resizable columns of 100 pixels headed Name, Size and Date, with their header built.
void GiveThreeHeadedColumns(TestList* list);
// A control of the class "TestListOwner", whose event table has the list's events: owners of
// panes whose handlers are C functions given by SetOwnerHandler, for every such owner.
RuntimeObject* NewListOwner();
void SetOwnerHandler(RuntimeObject* owner, const char* event, void* handler);
// Presses (down) or releases the first mouse button where the pointer is (XServer.cpp).
void FakeFirstButton(bool down);
// The cursor the X server shows now: width, height, hot spot, then its pixels.
std::vector<uint32_t> ShownCursorImage();

}  // namespace qvtest
