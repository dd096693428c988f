#include "windows/GtkClipboards.h"

GtkClipboard* DefaultGtkClipboard() {
  static GtkClipboard* clipboard = gtk_clipboard_get(gdk_atom_intern("CLIPBOARD", FALSE));
  return clipboard;
}

GtkClipboard* ClipboardForType(const string& type, bool create) {
  const string name = string("_") + type;
  const GdkAtom selection = gdk_atom_intern(name.CString(), create ? FALSE : TRUE);
  return selection == GDK_NONE ? nullptr : gtk_clipboard_get(selection);
}
