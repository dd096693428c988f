#include "controls/MessageBox.h"

#include "controls/MessageDialog.h"
#include "core/ByteUtilities.h"
#include "core/Export.h"
#include "strings/EndOfLine.h"
#include "strings/TextEncoding.h"

namespace {

// The buttons of one style: captions (nullptr for a hidden button) and the codes they answer,
// indexed by the dialog's button code (cancel 0, action 1, alternate 2).
struct ButtonSet {
  const char* captions[3];
  int32_t codes[3];
};

constexpr ButtonSet kButtonSets[] = {
    {{nullptr, "OK", nullptr}, {0, kMsgBoxOK, 0}},
    {{"Cancel", "OK", nullptr}, {kMsgBoxCancel, kMsgBoxOK, 0}},
    {{"Abort", "Retry", "Ignore"}, {kMsgBoxAbort, kMsgBoxRetry, kMsgBoxIgnore}},
    {{"Cancel", "Yes", "No"}, {kMsgBoxCancel, kMsgBoxYes, kMsgBoxNo}},
    {{nullptr, "Yes", "No"}, {0, kMsgBoxYes, kMsgBoxNo}},
    {{"Cancel", "Retry", nullptr}, {kMsgBoxCancel, kMsgBoxRetry, 0}},
};

// Styles without a row of their own show the dialog's own OK button.
const ButtonSet& ButtonSetOfStyle(int32_t style) {
  uint32_t row = static_cast<uint32_t>(style) & 15;
  return kButtonSets[row < sizeof kButtonSets / sizeof kButtonSets[0] ? row : 0];
}

// The first line becomes the message, the rest the explanation.
void SetMessageText(MessageDialogRecord& dialog, const string& text) {
  string utf8 = ConvertToSystemEncoding(text);
  string endOfLine = string::Adopt(RuntimeEndOfLine(nullptr));
  int32_t at = umemcmp(utf8.Bytes(), endOfLine.Bytes(), static_cast<uint32_t>(endOfLine.Length()),
                       static_cast<uint32_t>(utf8.Length()));
  if (at < 0) {
    SetMessageDialogText(dialog.message, utf8);
    return;
  }
  SetMessageDialogText(dialog.message, left(utf8, at));
  SetMessageDialogText(dialog.explanation, mid(utf8, at + endOfLine.Length()));
}

// The button code of the position-th button shown, counted action, cancel, alternate; the
// first shown when there are fewer.
int32_t NthShownButton(const ButtonSet& set, int32_t position) {
  static constexpr int32_t kCountingOrder[] = {kMessageDialogActionButton,
                                               kMessageDialogCancelButton,
                                               kMessageDialogAlternateButton};
  int32_t first = kMessageDialogActionButton;
  int32_t seen = 0;
  for (int32_t code : kCountingOrder) {
    if (!set.captions[code]) continue;
    if (seen == 0) first = code;
    if (seen++ == position) return code;
  }
  return first;
}

}  // namespace

extern "C" void RuntimeMsgBox(stringStorage* message) {
  ScopedMessageDialog scoped;
  MessageDialogRecord& dialog = *scoped.Get();
  SetMessageText(dialog, string(message));
  MessageDialogRunModal(&dialog);
}
QV_EXPORT(RuntimeMsgBox)

extern "C" int32_t VB_RuntimeMsgBox(stringStorage* message, int32_t style,
                                    stringStorage* title) {
  const ButtonSet& set = ButtonSetOfStyle(style);
  ScopedMessageDialog scoped;
  MessageDialogRecord& dialog = *scoped.Get();
  SetMessageText(dialog, string(message));
  if (title) SetMessageDialogText(dialog.title, string(title));
  SetMessageDialogText(dialog.actionCaption, string(set.captions[kMessageDialogActionButton]));
  for (int32_t code : {kMessageDialogCancelButton, kMessageDialogAlternateButton}) {
    if (!set.captions[code]) continue;
    uint8_t& visible = code == kMessageDialogCancelButton ? dialog.cancelVisible
                                                          : dialog.alternateVisible;
    visible = 1;
    SetMessageDialogText(code == kMessageDialogCancelButton ? dialog.cancelCaption
                                                            : dialog.alternateCaption,
                         string(set.captions[code]));
  }
  dialog.defaultCode = NthShownButton(set, (style >> 8) & 3);
  dialog.cancelCode = set.captions[kMessageDialogCancelButton] ? kMessageDialogCancelButton
                                                               : kMessageDialogNoButton;
  int32_t pressed = MessageDialogRunModal(&dialog);
  // A dialog ended without a button (the application quitting) answers Cancel, even where
  // the style has none.
  if (pressed == kMessageDialogNoButton) return kMsgBoxCancel;
  // The close box of a box without a cancel button counts as its default button.
  if (pressed == kMessageDialogCancelButton && !dialog.cancelVisible) pressed = dialog.defaultCode;
  if (pressed < 0 || pressed > 2 || !set.captions[pressed]) pressed = kMessageDialogActionButton;
  return set.codes[pressed];
}
QV_EXPORT(VB_RuntimeMsgBox)
