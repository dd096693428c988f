// What the framework reads from GTK once, on first use after GTK is initialised: the desktop's
// default font (the "gtk-font-name" setting) and seven theme colours of the plain widget style;
// and the colour depth of the main screen. Later changes of the theme are not seen. The start-up
// step that allows the reading also starts watching the keyboard for the keys held down.
#pragma once

#include <cstdint>

#include "graphics/Graphics.h"

// Theme colour indexes of GetGtkStyleColor.
enum GtkStyleColor : uint32_t {
  kStyleSelectedBackground = 0,
  kStyleDark = 1,
  kStyleBackground = 2,
  kStyleText = 3,
  kStyleBase = 4,
  kStyleActiveBackground = 5,
  kStyleInsensitiveForeground = 6,
};

// Installs the key snooper that keeps the held keys (GtkInput.h), and has the settings read
// when the desktop font or a theme colour is first asked for: the default font family and size
// into the drawing layer's desktop font (family: the setting's first blank-separated field,
// "Sans" when empty; size: the second field read as a decimal integer, 10 when that reads as 0)
// and the theme colours. Without a display nothing changes. Runs as a start-up step after GTK
// is initialised.
void InitGtkDefaults();
// Black for an index above 6, and before InitGtkDefaults.
RGBColor16 GetGtkStyleColor(uint32_t index);
// The depth of screen 0, cached after the first call.
int32_t GetMainScreenDepth();
