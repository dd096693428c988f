// Captions and fonts on GTK widgets: the language's "&" mnemonics rewritten for GTK, labels set
// with them, whole-label underlining, and a FontSpec applied to a widget.
#pragma once

#include <gtk/gtk.h>

#include "strings/RuntimeString.h"
#include "strings/TextStyle.h"

// text in UTF-8 with GTK's mnemonic marks: "&&" becomes "&", a single "&" becomes "_" (the
// next character is the mnemonic), "_" becomes "__". Empty text gives nil.
string MnemonicText(const string& text);
// The label's text with mnemonics; underlined whole when font (may be nil) asks for underline.
void SetLabelTextWithMnemonic(GtkWidget* label, const string& text, const FontSpec* font);
// Underlines every character of a GtkLabel; other widgets are left alone.
void UnderlineLabel(GtkWidget* widget);
// The widget's font from font (see MakePangoFontDescription), underlined when it asks.
void SetWidgetFont(GtkWidget* widget, const FontSpec& font);
