// The GTK clipboards of the Clipboard class: the desktop's "CLIPBOARD" selection for text (and
// pictures), and one selection per data type, named "_" and the type, for typed data that only
// this process reads.
#pragma once

#include <gtk/gtk.h>

#include "strings/RuntimeString.h"

GtkClipboard* DefaultGtkClipboard();
// The clipboard of the selection "_" + type; unless create is set, only when that selection's
// atom exists already (nil otherwise).
GtkClipboard* ClipboardForType(const string& type, bool create);

// Whether the desktop clipboard holds text, asked as the language's Clipboard asks (to enable
// Paste).
bool ClipboardHasText();
// The same answer, asked of the X server only after the clipboard's owner changed: asking is a
// round trip with a main loop of its own, too slow for every caret move that refreshes the
// menus.
bool ClipboardOffersText();
// Puts text on the desktop clipboard through a Clipboard object. With convertLineEnds every
// "\r\n", then every remaining "\r", becomes "\n" first; empty lines stay.
void CopyTextToClipboard(const string& text, bool convertLineEnds);
