// The colour chooser: GTK's colour selection dialog, run modally.
#include <gtk/gtk.h>

#include "app/ModalLoop.h"
#include "core/Export.h"
#include "graphics/PangoFonts.h"
#include "windows/Colors.h"

namespace {

// A 16-bit GDK channel as a byte.
int32_t ByteOfChannel(guint16 channel) { return channel / 257; }

}  // namespace

extern "C" int32_t selectColor(uint32_t* value, stringStorage* prompt) {
  if (!gdk_display_get_default()) return 0;
  const string title = TextForPango(string(prompt));
  GtkWidget* dialog = gtk_color_selection_dialog_new(title.CString());
  const bool chosen = RunDialogModally(GTK_DIALOG(dialog)) == GTK_RESPONSE_OK;
  if (chosen && value) {
    GtkWidget* selection = gtk_color_selection_dialog_get_color_selection(
        GTK_COLOR_SELECTION_DIALOG(dialog));
    GdkColor color = {};
    gtk_color_selection_get_current_color(GTK_COLOR_SELECTION(selection), &color);
    *value = RuntimeRGB(ByteOfChannel(color.red), ByteOfChannel(color.green),
                        ByteOfChannel(color.blue));
  }
  gtk_widget_destroy(dialog);
  return chosen ? 1 : 0;
}
QV_EXPORT(selectColor)
