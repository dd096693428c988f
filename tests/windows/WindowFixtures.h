// The native window's test kit: a window that logs its notices and answers the close box as
// told, a pane that logs its input and can carry a text field or a focusable widget, and the
// X tools that read what the window manager sees.
#pragma once

#include <string>

#include "PaneFixtures.h"

namespace qvtest {

class LoggingWindow : public TestWindow {
 public:
  explicit LoggingWindow(PaneLog* log, WindowSpec request = {});
  ~LoggingWindow() override;
  // Shown, on screen at its size, and given the focus by the window manager.
  bool OpenAndFocus(GuiDriver& gui);
  // The X window, once OpenAndFocus found it.
  XWindow XId() const { return mXId; }

  bool CloseBoxClicked() override;
  bool ContextualClick(int32_t x, int32_t y) override;
  bool HandleChar(int32_t character, int32_t keyCode, int32_t modifiers) override;
  void MouseEnter() override { Note("enter"); }
  void MouseExit() override { Note("exit"); }
  void Minimized() override;
  void Maximized() override;
  void Restored() override;
  void GetSizeLimits(QV::Rect& limits) override { limits = sizeLimits; }

  bool keepOnClose = false;
  bool closeOnChar = false;  // a key closes the window, as a language handler may
  QV::Rect sizeLimits{};
  int* destroyed = nullptr;

 private:
  void Note(const std::string& event);
  PaneLog* mLog;
  XWindow mXId = 0;
};

enum class InputWidget { kNone, kEntry, kTextView, kFocusable };

class InputPane : public ContainerPane {
 public:
  InputPane(SubPane* parent, const QV::Rect& bounds, const char* name, PaneLog* log,
            InputWidget widget = InputWidget::kNone);

  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  bool ClickChildren(int32_t x, int32_t y, int32_t modifiers) override;
  void MouseEnter() override { Note("enter"); }
  void MouseExit() override { Note("exit"); }
  void MouseMove(int32_t x, int32_t y) override;
  void MouseDrag(int32_t x, int32_t y) override;
  void MouseUp(int32_t x, int32_t y) override;
  bool ForwardToEventTarget(int32_t x, int32_t y, int32_t deltaX, int32_t deltaY) override;
  bool HandleChar(int32_t character, int32_t keyCode, int32_t modifiers) override;
  void FocusedByTab() override { Note("tab"); }
  void Push() override { Note("push"); }
  SubPane* FindDefaultButton() override {
    return isDefault ? this : ContainerPane::FindDefaultButton();
  }
  SubPane* FindCancelButton() override {
    return isCancel ? this : ContainerPane::FindCancelButton();
  }
  bool PassesClickThrough() override { return passesClicks; }
  TextFieldTraits GetTextFieldTraits() override { return traits; }
  // The entry or text view inside the pane's widget.
  GtkWidget* Editable();

  bool takesClicks = false;
  bool passesClicks = false;
  bool takesWheel = false;
  bool takesKeys = false;
  bool isDefault = false;
  bool isCancel = false;
  TextFieldTraits traits;
  int32_t lastModifiers = -1;

 private:
  void Note(const std::string& event);
  std::string mName;
  PaneLog* mLog;
};

// The property as xprop prints it for window ("" when unset or xprop failed).
std::string XProperty(XWindow window, const char* name);
// Runs an X tool (xdotool, wmctrl) and lets GTK handle what it caused.
void RunXTool(GuiDriver& gui, const std::vector<std::string>& argv);

// ---- raw drawing, to compare with what a Graphics draws ----
// The foreground of gc as 0xRRGGBB, allocated on drawable's colormap.
void SetRawColor(GdkGC* gc, GdkDrawable* drawable, uint32_t rgb);
// One line of text with Pango in DejaVu Sans 12 (as a Graphics counts the size), its baseline at
// y.
void DrawRawText(GdkDrawable* drawable, GdkGC* gc, const char* text, int x, int y, bool bold);

}  // namespace qvtest
