#include "windows/GtkClipboards.h"

#include <gdk/gdkx.h>

GtkClipboard* DefaultGtkClipboard() {
  static GtkClipboard* clipboard = gtk_clipboard_get(gdk_atom_intern("CLIPBOARD", FALSE));
  return clipboard;
}

// GDK makes every atom it is asked for, so whether the selection's atom exists is asked of the
// X server itself.
GtkClipboard* ClipboardForType(const string& type, bool create) {
  const string name = string("_") + type;
  if (create) return gtk_clipboard_get(gdk_atom_intern(name.CString(), FALSE));
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return nullptr;
  const Atom existing = XInternAtom(GDK_DISPLAY_XDISPLAY(display), name.CString(), True);
  return existing == None ? nullptr
                          : gtk_clipboard_get(gdk_x11_xatom_to_atom_for_display(display, existing));
}
