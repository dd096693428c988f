// The edit-field tests' kit: a window of the control kit with edit panes made straight through
// the factories, and a delegate that records what each pane reports as "Event:detail" lines.
// The delegate can take keys, and close the window from any event.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "ControlFixtures.h"
#include "controls/EditControl.h"
#include "controls/EditControlGTK.h"
#include "support/GuiDriver.h"

namespace qvtest {

class RecordingDelegate : public EditControlDelegate {
 public:
  bool ValidationError(EditControl* field, int32_t start, int32_t deleted, int32_t position,
                       const string& text, bool selectInserted, int32_t key) override;
  void TextChanged(EditControl* field) override;
  void SelectionChanged(EditControl* field) override;
  void GotFocus(EditControl* field) override;
  void LostFocus(EditControl* field) override;
  bool KeyDownChar(EditControl* field, uint8_t key, int32_t modifiers, int32_t extra) override;
  bool KeyDown(EditControl* field, const string& key, int32_t modifiers, int32_t extra) override;
  bool MouseDown(EditControl* field, int32_t x, int32_t y) override;
  bool MouseUp(EditControl* field, int32_t x, int32_t y) override;

  std::vector<std::string> Take();

  std::vector<std::string> log;
  std::set<std::string> takenKeys;  // KeyDown answers true for these
  bool takeMouse = true;
  int32_t selectOnMouseDown = -1;  // MouseDown moves the caret there
  bool refuseEdits = false;  // the mask check answers true
  std::string closeOn;       // the event after which the window closes ("KeyDown", ...)
  RuntimeObject* window = nullptr;

 private:
  void Note(const std::string& event, const std::string& detail);
};

class EditFieldTest : public testing::Test {
 protected:
  void SetUp() override;
  // Opens the window (once) and makes a field of the kind in it at bounds.
  EditControlGTK* Make(bool multiLine, bool styled, QV::Rect bounds = {20, 20, 50, 180},
                       bool verticalScrollBar = true, bool horizontalScrollBar = false);
  // Gives field the keyboard focus and waits until GTK agrees; the log is emptied.
  void Focus(EditControlGTK* field);
  GtkWidget* Input(EditControlGTK* field);
  // Types text and waits until the log has grown by at least entries.
  void TypeAndWait(const std::string& text, size_t entries);
  void KeyAndWait(const std::string& chord, size_t entries);

  GuiDriver gui;
  ControlKit kit;
  RecordingDelegate delegate;
  RuntimeObject* window = nullptr;
  XWindow xid = 0;
};

}  // namespace qvtest
