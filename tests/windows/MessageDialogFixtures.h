// What a shown message dialog puts on screen, read back independently of the dialog's own
// drawing: its native window and button panes, its drawn texts against the same texts laid out
// with Pango in the same fonts, and its icon against the stock icon GTK renders at 32 pixels.
#pragma once

#include <string>

#include "support/GuiDriver.h"
#include "controls/MessageDialogImp.h"

namespace qvtest {

// The newest open message-dialog window of this process, or nil.
MessageDialog::Imp* ShownMessageDialog();

// The dialog's background colour, read from the screen beside its icon column.
uint32_t DialogBackground(GuiDriver& gui, XWindow box);

// The pixels of rect (content coordinates of box) that differ from text drawn there, wrapped
// to the rectangle's width in font, black on the dialog's background; -1 when the rectangle
// shows nothing but background (so an empty match cannot pass).
int DifferingTextPixels(GuiDriver& gui, XWindow box, const QV::Rect& rect, const std::string& text,
                        const FontSpec& font);

// The pixels of the 32 x 32 square at (left, top) that differ from the stock icon stockId
// (nil: none) drawn there on the dialog's background.
int DifferingIconPixels(GuiDriver& gui, XWindow box, int left, int top, const char* stockId);

// The button pane's widget on screen.
ScreenArea ButtonArea(GuiDriver& gui, PushButton* pane);

}  // namespace qvtest
