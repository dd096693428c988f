#include "windows/GtkClipboards.h"

#include <string>

#include <gdk/gdkx.h>

#include "core/ObjectDefinitionConverter.h"
#include "strings/TextEncoding.h"
#include "windows/ClipboardClass.h"

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

bool ClipboardHasText() {
  RuntimeObject* clipboard = NewObjectFromDefinition(ClipboardClassDefinition());
  if (!clipboard) return false;
  const bool available = clipboardTextAvailable(clipboard) != 0;
  RuntimeUnlockObject(clipboard);
  return available;
}

namespace {

// What ClipboardOffersText last learnt, until the clipboard's owner changes.
struct TextOffer {
  bool known = false;
  bool text = false;
};
TextOffer gTextOffer;

void ForgetTextOffer(GtkClipboard*, GdkEvent*, gpointer) { gTextOffer.known = false; }

}  // namespace

bool ClipboardOffersText() {
  // Without the X server's selection notices there is nothing to follow: ask every time.
  static const bool followed = [] {
    GdkDisplay* display = gdk_display_get_default();
    if (!display || !gdk_display_supports_selection_notification(display)) return false;
    g_signal_connect(DefaultGtkClipboard(), "owner-change", G_CALLBACK(ForgetTextOffer),
                     nullptr);
    return true;
  }();
  if (!followed) return ClipboardHasText();
  if (!gTextOffer.known) {
    gTextOffer.text = ClipboardHasText();
    gTextOffer.known = true;
  }
  return gTextOffer.text;
}

namespace {

// "\r\n" and a lone "\r" each become "\n"; the text is UTF-8 by then.
string UnixLineEnds(const string& text) {
  const string utf8 = ConvertEncoding(text, kEncodingUTF8);
  std::string bytes;
  bytes.reserve(size_t(utf8.Length()));
  const unsigned char* from = utf8.IsEmpty() ? nullptr : utf8.Bytes();
  for (int32_t i = 0; i < utf8.Length(); ++i) {
    if (from[i] != '\r') {
      bytes.push_back(char(from[i]));
      continue;
    }
    bytes.push_back('\n');
    if (i + 1 < utf8.Length() && from[i + 1] == '\n') ++i;
  }
  return string::FromBytes(bytes.data(), int64_t(bytes.size()), kEncodingUTF8);
}

}  // namespace

void CopyTextToClipboard(const string& text, bool convertLineEnds) {
  RuntimeObject* clipboard = NewObjectFromDefinition(ClipboardClassDefinition());
  if (!clipboard) return;
  const string copied = convertLineEnds ? UnixLineEnds(text) : text;
  clipboardSetText(clipboard, copied.Storage());
  RuntimeUnlockObject(clipboard);
}
