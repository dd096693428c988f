#include "windows/GtkDefaults.h"

#include <gtk/gtk.h>

#include <cstdlib>
#include <utility>

#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "graphics/PangoFonts.h"
#include "strings/StringFields.h"
#include "windows/GtkInput.h"
#include "windows/ScreenClass.h"

namespace {

constexpr uint32_t kStyleColorCount = 7;
RGBColor16 gStyleColors[kStyleColorCount];
int32_t gMainScreenDepth = 0;

RGBColor16 FromGdk(const GdkColor& color) { return {color.red, color.green, color.blue}; }

// Leading blanks, an optional sign, digits; anything else ends the number, nothing gives 0.
int32_t DecimalPrefix(const string& text) {
  const long value = std::strtol(text.CString(), nullptr, 10);
  return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : int32_t(value);
}

void ReadDefaultFont(GtkSettings* settings) {
  gchar* value = nullptr;
  g_object_get(settings, "gtk-font-name", &value, nullptr);
  if (!value) return;
  const string setting(value);
  g_free(value);
  string family = StringNthFieldCore(setting, " ", 1);
  int32_t size = DecimalPrefix(StringNthFieldCore(setting, " ", 2));
  if (family.IsEmpty()) family = "Sans";
  if (size == 0) size = 10;
  SetDesktopFont(family, size);
}

void ReadStyleColors(GtkSettings* settings) {
  GtkStyle* style = gtk_rc_get_style_by_paths(settings, "GtkWidget", "GtkWidget", GTK_TYPE_WIDGET);
  if (!style) return;
  gStyleColors[kStyleSelectedBackground] = FromGdk(style->bg[GTK_STATE_SELECTED]);
  gStyleColors[kStyleDark] = FromGdk(style->dark[GTK_STATE_NORMAL]);
  gStyleColors[kStyleBackground] = FromGdk(style->bg[GTK_STATE_NORMAL]);
  gStyleColors[kStyleText] = FromGdk(style->text[GTK_STATE_NORMAL]);
  gStyleColors[kStyleBase] = FromGdk(style->base[GTK_STATE_NORMAL]);
  gStyleColors[kStyleActiveBackground] = FromGdk(style->bg[GTK_STATE_ACTIVE]);
  gStyleColors[kStyleInsensitiveForeground] = FromGdk(style->fg[GTK_STATE_INSENSITIVE]);
}

// The settings are read on first use: the default GtkSettings parses the rc files and the
// theme's, and asks the X server for its resources, some milliseconds that a program which
// shows no window, or not yet, need not wait for.
bool gDefaultsPending = false;

void ReadGtkDefaults() {
  if (!std::exchange(gDefaultsPending, false)) return;
  GtkSettings* settings = gtk_settings_get_default();
  if (!settings) return;
  ReadDefaultFont(settings);
  ReadStyleColors(settings);
}

}  // namespace

void InitGtkDefaults() {
  if (!gdk_display_get_default()) return;
  InstallKeySnooper();
  gDefaultsPending = true;
  SetDesktopFontReader(&ReadGtkDefaults);
}
QV_STARTUP(kStartupGtkDefaults, InitGtkDefaults)

RGBColor16 GetGtkStyleColor(uint32_t index) {
  ReadGtkDefaults();
  return index < kStyleColorCount ? gStyleColors[index] : RGBColor16{0, 0, 0};
}

int32_t GetMainScreenDepth() {
  if (gMainScreenDepth != 0) return gMainScreenDepth;
  RuntimeObject* screen = getScreen(0);
  if (!QV_CHECK_TEXT(screen, "screen", nullptr)) return 0;
  gMainScreenDepth = reinterpret_cast<ScreenObject*>(screen)->depth;
  RuntimeUnlockObject(screen);
  return gMainScreenDepth;
}
