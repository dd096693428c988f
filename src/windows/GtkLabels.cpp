#include "windows/GtkLabels.h"

#include <string>

#include "graphics/PangoFonts.h"
#include "strings/TextEncoding.h"

string MnemonicText(const string& text) {
  const string utf8 = TextForPango(text);
  const unsigned char* bytes = utf8.Bytes();
  const int32_t length = utf8.Length();
  std::string rewritten;
  rewritten.reserve(size_t(length) + 8);
  for (int32_t i = 0; i < length; ++i) {
    const char c = char(bytes[i]);
    if (c == '&') {
      const bool doubled = i + 1 < length && bytes[i + 1] == '&';
      rewritten += doubled ? '&' : '_';
      if (doubled) ++i;
    } else if (c == '_') {
      rewritten += "__";
    } else {
      rewritten += c;
    }
  }
  return string::FromBytes(rewritten.data(), int64_t(rewritten.size()), utf8.Encoding());
}

void SetLabelTextWithMnemonic(GtkWidget* label, const string& text, const FontSpec* font) {
  gtk_label_set_text_with_mnemonic(GTK_LABEL(label), MnemonicText(text).CString());
  if (font && font->underline) UnderlineLabel(label);
}

// The pattern runs over characters, so it is as long as the text in characters: a longer one
// would walk past the end of a text that is not ASCII.
void UnderlineLabel(GtkWidget* widget) {
  if (!GTK_IS_LABEL(widget)) return;
  const gchar* text = gtk_label_get_text(GTK_LABEL(widget));
  const std::string pattern(size_t(g_utf8_strlen(text, -1)), '_');
  gtk_label_set_pattern(GTK_LABEL(widget), pattern.c_str());
}

// A widget already in a window whose style has the font (every control in the desktop's own
// font) keeps the style it shares with its kind: a font of its own gives it a style of its own,
// which costs each widget a realization of its own.
void SetWidgetFont(GtkWidget* widget, const FontSpec& font) {
  PangoFontDescription* description = MakePangoFontDescription(font);
  const GtkStyle* style = gtk_widget_get_style(widget);
  const bool anchored = GTK_IS_WINDOW(gtk_widget_get_toplevel(widget));
  if (!anchored || !style || !style->font_desc ||
      !pango_font_description_equal(style->font_desc, description)) {
    gtk_widget_modify_font(widget, description);
  }
  pango_font_description_free(description);
  if (font.underline) UnderlineLabel(widget);
}
