#include "windows/MessageBox.h"

#include "core/ByteUtilities.h"
#include "core/Export.h"
#include "strings/EndOfLine.h"
#include "strings/TextEncoding.h"
#include "windows/MessageBoxDialog.h"

namespace {

// The buttons of one style: captions (nullptr for a hidden button) and the codes they answer,
// in the dialog's order action, cancel, alternate.
struct ButtonSet {
  const char* captions[3];
  int32_t codes[3];
};

constexpr ButtonSet kButtonSets[] = {
    {{"OK", nullptr, nullptr}, {kMsgBoxOK, 0, 0}},
    {{"OK", "Cancel", nullptr}, {kMsgBoxOK, kMsgBoxCancel, 0}},
    {{"Retry", "Abort", "Ignore"}, {kMsgBoxRetry, kMsgBoxAbort, kMsgBoxIgnore}},
    {{"Yes", "Cancel", "No"}, {kMsgBoxYes, kMsgBoxCancel, kMsgBoxNo}},
    {{"Yes", nullptr, "No"}, {kMsgBoxYes, 0, kMsgBoxNo}},
    {{"Retry", "Cancel", nullptr}, {kMsgBoxRetry, kMsgBoxCancel, 0}},
};

// Styles without a row of their own show the dialog's own OK button.
const ButtonSet& ButtonSetOfStyle(int32_t style) {
  uint32_t row = static_cast<uint32_t>(style) & 15;
  return kButtonSets[row < sizeof kButtonSets / sizeof kButtonSets[0] ? row : 0];
}

// The first line becomes the message, the rest the explanation.
void SetMessageText(MessageDialog& dialog, const string& text) {
  string utf8 = ConvertToSystemEncoding(text);
  string endOfLine = string::Adopt(RuntimeEndOfLine(nullptr));
  int32_t at = umemcmp(utf8.Bytes(), endOfLine.Bytes(), static_cast<uint32_t>(endOfLine.Length()),
                       static_cast<uint32_t>(utf8.Length()));
  if (at < 0) {
    dialog.message = utf8;
    return;
  }
  dialog.message = left(utf8, at);
  dialog.explanation = mid(utf8, at + endOfLine.Length());
}

// The index (action 0, cancel 1, alternate 2) of the position-th button shown, or the first
// shown when there are fewer.
int32_t NthShownButton(const ButtonSet& set, int32_t position) {
  int32_t first = kDefaultActionButton;
  for (int32_t index = 0, seen = 0; index < 3; ++index) {
    if (!set.captions[index]) continue;
    if (seen == 0) first = index;
    if (seen++ == position) return index;
  }
  return first;
}

int32_t PressedIndex(int32_t pressed) {
  if (pressed == kPressedCancelButton) return kDefaultCancelButton;
  if (pressed == kPressedAlternateButton) return kDefaultAlternateButton;
  return kDefaultActionButton;
}

}  // namespace

extern "C" void RuntimeMsgBox(stringStorage* message) {
  ScopedMessageDialog scoped;
  MessageDialog& dialog = *scoped.Get();
  SetMessageText(dialog, string(message));
  dialog.defaultButton = kDefaultActionButton;
  MessageDialogRunModal(&dialog);
}
QV_EXPORT(RuntimeMsgBox)

extern "C" int32_t VB_RuntimeMsgBox(stringStorage* message, int32_t style,
                                    stringStorage* title) {
  const ButtonSet& set = ButtonSetOfStyle(style);
  ScopedMessageDialog scoped;
  MessageDialog& dialog = *scoped.Get();
  SetMessageText(dialog, string(message));
  if (title) dialog.title = string(title);
  for (int32_t index = 0; index < 3; ++index) {
    MessageDialogButton& button = dialog.Button(index);
    button.visible = set.captions[index] != nullptr;
    if (button.visible) button.caption = string(set.captions[index]);
  }
  dialog.defaultButton = NthShownButton(set, (style >> 8) & 3);
  int32_t index = PressedIndex(MessageDialogRunModal(&dialog));
  // A dialog that shows nothing (the application quitting) answers the cancel button even
  // where the style has none.
  return set.codes[index] ? set.codes[index] : kMsgBoxCancel;
}
QV_EXPORT(VB_RuntimeMsgBox)
