// Fonts as the toolkit sees them: the desktop's default family and size, the language's font
// list, the mapping of the language's "System" font and point sizes onto the desktop's, and the
// Pango font descriptions built from a FontSpec for widgets and Graphics.
#pragma once

#include <pango/pango.h>

#include <cstdint>

#include "strings/RuntimeString.h"
#include "strings/TextStyle.h"

// The desktop's default font family and size (from the toolkit's "gtk-font-name" setting);
// empty and 0 until the window layer sets them. The window layer may hand over a reader instead,
// at start-up: it runs once, when either is first asked for or set, so that reading the
// toolkit's settings (its rc files and the X resources) costs nothing until it is needed.
void SetDesktopFont(const string& family, int32_t size);
void SetDesktopFontReader(void (*reader)());
// Runs the pending reader, if any: the toolkit's settings also give the screen the font options
// and resolution that a Pango context takes when it is made, so text laid out before them would
// differ from the same text laid out after.
void ReadPendingDesktopSettings();
const string& DesktopFontFamily();
int32_t DesktopFontSize();

// The language's font list: "System" at index 0, then the toolkit's families in the order of
// FontFamilies (strings/TextStyle.h).
int32_t PangoFontFamilyCount();
// Nil (the empty string) outside 0 .. count - 1.
string PangoFontFamilyName(int32_t index);

// text as UTF-8 for Pango and GTK, which refuse or misdraw invalid sequences: UTF-8 and plain
// ASCII go as they are, bytes of no encoding are taken to be UTF-8, other encodings are
// converted, and whatever does not decode becomes U+FFFD.
string TextForPango(const string& text);

// Toward the desktop an empty name or "System" (case ignored) becomes the desktop's family;
// back from it, the desktop's family (case ignored) becomes "System". Other names stay. The
// result is also stored in name.
string MapSystemFontName(string& name, bool toDesktop);
// Toward the desktop a size below 1 becomes the desktop's size and any other loses 2 points;
// back, it gains 2.
int32_t MapSystemFontSize(int32_t size, bool toDesktop);

// A description of font the toolkit can load, which the caller frees with
// pango_font_description_free: the family named (else the desktop's) at the mapped size, with
// the record's italic and bold.
PangoFontDescription* MakePangoFontDescription(const FontSpec& font);
