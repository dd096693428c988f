// Panes for the window-layer tests: a native window with a title of its own (optionally with a
// menu bar), panes with or without a GDK window of their own that log what happens to them, a
// tab panel, and language controls reduced to their lock flags and bounds copy.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/GuiDriver.h"
#include "windows/Window.h"

namespace qvtest {

class TestWindow : public Window {
 public:
  explicit TestWindow(int width = 320, int height = 240, bool withMenuBar = false);
  // A window as request asks; an empty title becomes one of its own.
  explicit TestWindow(WindowSpec request);
  // Shows the window and waits until its widgets have their GDK windows and places.
  bool ShowAndSettle(GuiDriver& gui);
  GdkWindow* TopGdkWindow() const { return GTK_WIDGET(GetGtkWindow())->window; }
  // The title, one per window, for finding it on screen.
  std::string TitleText() const { return Title().CString(); }
};

// A title no other window of the process has.
std::string UniqueWindowTitle(const char* stem);

enum class PaneWidget { kNone, kDrawsInWindow, kOwnWindow };

// What a test pane saw, in order, as "name:event" entries.
using PaneLog = std::vector<std::string>;

class TestPane : public ContainerPane {
 public:
  TestPane(SubPane* parent, const QV::Rect& bounds, PaneWidget widget = PaneWidget::kNone,
           int32_t panelIndex = 0, const char* name = "pane", PaneLog* log = nullptr);
  ~TestPane() override;

  void Draw(Graphics& g) override;
  void DrawFocusGained() override;
  void DrawFocusLost() override;
  void DrawFocusSetUp() override;
  void FocusLost() override;
  bool ApplyStateCode(int32_t code) override;

  // Filled with this colour (0xRRGGBB) when drawn, unless it is negative.
  int32_t fill = -1;
  bool* destroyed = nullptr;

 private:
  void Note(const std::string& event);
  std::string mName;
  PaneLog* mLog;
};

class TestTabPanel : public TestPane {
 public:
  using TestPane::TestPane;
  bool IsTabPanel() override { return true; }
  int32_t GetCurrentTab() override { return currentTab; }
  int32_t currentTab = 1;
};

// A language control as layout sees it; its header is never read.
struct FakeControl {
  RuntimeObject header{};
  uint32_t locks = 0;
  QV::Rect bounds{};
};

// Installs the accessors for FakeControl while alive.
class FakeControlAccess {
 public:
  FakeControlAccess();
  ~FakeControlAccess();

 private:
  RunControlAccess mPrevious;
};

// A pane whose delegate counts the refreshes that reach it (ClipRect) and may choose its
// container.
class CountingDelegate : public PaneDelegate {
 public:
  void ClipRect(Pane*, QV::Rect& rect) override {
    ++clips;
    if (narrowTo) RectIntersect(rect, *narrowTo, rect);
  }
  SubPane* ChooseContainer(Pane*) override { return container; }
  void PaneClosing(Pane*) override { ++closings; }
  int clips = 0;
  int closings = 0;
  const QV::Rect* narrowTo = nullptr;
  SubPane* container = nullptr;
};

QV::Rect MakeRect(int top, int left, int bottom, int right);
std::string RectText(const QV::Rect& rect);

// The place GTK has given widget in its GtkFixed, as "x,y".
std::string FixedPosition(GtkWidget* widget);

}  // namespace qvtest
