// The language's message boxes: MsgBox with an OK button, and the styled form that picks the
// buttons, the default button and the title, and answers the code of the button pressed.
// The message's first line is the dialog's message, the rest its explanation.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

// Codes VB_RuntimeMsgBox answers.
enum MessageBoxCode : int32_t {
  kMsgBoxOK = 1,
  kMsgBoxCancel = 2,
  kMsgBoxAbort = 3,
  kMsgBoxRetry = 4,
  kMsgBoxIgnore = 5,
  kMsgBoxYes = 6,
  kMsgBoxNo = 7,
};

extern "C" {
void RuntimeMsgBox(stringStorage* message);
// style & 15 picks the buttons (0 OK, 1 OK Cancel, 2 Retry Abort Ignore, 3 Yes Cancel No,
// 4 Yes No, 5 Retry Cancel; others OK); style & 0x300 the default: 0, 256 or 512 for the
// first, second or third button shown, counted action, cancel, alternate. A nil title leaves
// the dialog's own.
int32_t VB_RuntimeMsgBox(stringStorage* message, int32_t style, stringStorage* title);
}
