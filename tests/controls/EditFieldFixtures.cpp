#include "EditFieldFixtures.h"

#include <gtest/gtest.h>

#include "strings/TextStyle.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace qvtest {

namespace {

std::string Text(const string& s) { return std::string(s.CString(), size_t(s.Length())); }

std::string Selection(EditControl* field) {
  return std::to_string(field->GetSelStart()) + "," + std::to_string(field->GetSelLength());
}

}  // namespace

void RecordingDelegate::Note(const std::string& event, const std::string& detail) {
  log.push_back(event + ":" + detail);
  if (event == closeOn && window) {
    closeOn.clear();
    RuntimeCloseWindow(window);
  }
}

std::vector<std::string> RecordingDelegate::Take() {
  std::vector<std::string> taken;
  taken.swap(log);
  return taken;
}

bool RecordingDelegate::ValidationError(EditControl*, int32_t start, int32_t deleted,
                                        int32_t position, const string& text, bool,
                                        int32_t) {
  Note("Mask", std::to_string(start) + "," + std::to_string(deleted) + "," +
                   std::to_string(position) + "," + Text(text));
  return refuseEdits;
}

void RecordingDelegate::TextChanged(EditControl* field) {
  Note("TextChange", Text(field->GetText(kEncodingUTF8)));
}

void RecordingDelegate::SelectionChanged(EditControl* field) {
  Note("SelChange", Selection(field));
}

void RecordingDelegate::GotFocus(EditControl*) { Note("GotFocus", ""); }
void RecordingDelegate::LostFocus(EditControl*) { Note("LostFocus", ""); }

bool RecordingDelegate::KeyDownChar(EditControl* field, uint8_t key, int32_t modifiers,
                                    int32_t extra) {
  return KeyDown(field, string::FromBytes(&key, 1, kEncodingUTF8), modifiers, extra);
}

bool RecordingDelegate::KeyDown(EditControl*, const string& key, int32_t, int32_t) {
  const std::string text = Text(key);
  const bool printable =
      text.size() > 1 || (!text.empty() && uint8_t(text[0]) > 31 && uint8_t(text[0]) < 127);
  Note("KeyDown", printable ? text : std::to_string(text.empty() ? 0 : uint8_t(text[0])));
  return takenKeys.count(text) != 0;
}

bool RecordingDelegate::MouseDown(EditControl* field, int32_t, int32_t) {
  Note("MouseDown", "");
  if (selectOnMouseDown >= 0) field->SetSelStart(selectOnMouseDown);
  return takeMouse;
}

bool RecordingDelegate::MouseUp(EditControl*, int32_t, int32_t) {
  Note("MouseUp", "");
  return true;
}

void EditFieldTest::SetUp() {
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
}

EditControlGTK* EditFieldTest::Make(bool multiLine, bool styled, QV::Rect bounds,
                                    bool verticalScrollBar, bool horizontalScrollBar) {
  if (!window) {
    window = kit.OpenAndFocus(gui, "Fields", {}, &xid);
    delegate.window = window;
  }
  RuntimeViewWindow* owner = AsWindow(window)->mImp;
  EXPECT_NE(owner, nullptr);
  if (!owner) return nullptr;
  const FontSpec& font = DefaultFontSpec();
  EditControl* field;
  if (multiLine) {
    field = styled ? CreateStyledMultilineEditControl(&delegate, owner, 0, bounds, true, font,
                                                      verticalScrollBar, horizontalScrollBar)
                   : CreateMultilineEditControl(&delegate, owner, 0, bounds, true, font,
                                                verticalScrollBar, horizontalScrollBar);
  } else {
    field = styled ? CreateStyledEditControl(&delegate, owner, 0, bounds, true, font)
                   : CreateEditControl(&delegate, owner, 0, bounds, true, font);
  }
  gui.Settle();
  return static_cast<EditControlGTK*>(field);
}

GtkWidget* EditFieldTest::Input(EditControlGTK* field) {
  return field->IsMultiLine() ? field->TextView() : field->GetWidget();
}

void EditFieldTest::Focus(EditControlGTK* field) {
  field->SetKeyboardFocus();
  GtkWidget* input = Input(field);
  if (!GTK_WIDGET_HAS_FOCUS(input)) gtk_widget_grab_focus(input);
  EXPECT_TRUE(gui.PumpUntil([&] { return GTK_WIDGET_HAS_FOCUS(input); }));
  gui.Settle();
  delegate.Take();
}

void EditFieldTest::TypeAndWait(const std::string& text, size_t entries) {
  const size_t before = delegate.log.size();
  gui.Type(text);
  EXPECT_TRUE(gui.PumpUntil([&] { return delegate.log.size() >= before + entries; }));
  gui.Settle();
}

void EditFieldTest::KeyAndWait(const std::string& chord, size_t entries) {
  const size_t before = delegate.log.size();
  gui.Key(chord);
  EXPECT_TRUE(gui.PumpUntil([&] { return delegate.log.size() >= before + entries; }));
  gui.Settle();
}

}  // namespace qvtest
