#include "MessageDialogFixtures.h"

#include "WindowFixtures.h"
#include "graphics/PangoFonts.h"

namespace qvtest {

namespace {

constexpr int kIconSize = 32;
constexpr int kTolerance = 24;  // per channel: the same renderer, allowing for dithering

// A pixmap of the screen's depth filled with background; g_object_unref it.
GdkPixmap* BackgroundPixmap(int width, int height, uint32_t background, GdkGC** gc) {
  GdkPixmap* pixmap = gdk_pixmap_new(gdk_get_default_root_window(), width, height, -1);
  *gc = gdk_gc_new(pixmap);
  SetRawColor(*gc, pixmap, background);
  gdk_draw_rectangle(pixmap, *gc, TRUE, 0, 0, width, height);
  return pixmap;
}

Screenshot ShownRegion(GuiDriver& gui, XWindow box, int left, int top, int width, int height) {
  const ScreenArea window = gui.Area(box);
  return gui.Capture({window.x + left, window.y + top, width, height});
}

}  // namespace

MessageDialog::Imp* ShownMessageDialog() {
  for (Window* window = Window::FirstWindow(); window; window = window->NextWindow()) {
    auto* dialog = dynamic_cast<MessageDialog::Imp*>(window);
    if (dialog && !dialog->IsClosing()) return dialog;
  }
  return nullptr;
}

uint32_t DialogBackground(GuiDriver& gui, XWindow box) {
  return ShownRegion(gui, box, 2, 2, 1, 1).Pixel(0, 0);
}

int DifferingTextPixels(GuiDriver& gui, XWindow box, const QV::Rect& rect, const std::string& text,
                        const FontSpec& font) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width < 1 || height < 1) return -1;
  const uint32_t background = DialogBackground(gui, box);
  const Screenshot shown = ShownRegion(gui, box, rect.left, rect.top, width, height);
  if (shown.CountPixels(background) == width * height) return -1;
  GdkGC* gc = nullptr;
  GdkPixmap* pixmap = BackgroundPixmap(width, height, background, &gc);
  SetRawColor(gc, pixmap, 0x000000);
  PangoContext* context = gdk_pango_context_get();
  PangoLayout* layout = pango_layout_new(context);
  PangoFontDescription* description = MakePangoFontDescription(font);
  pango_layout_set_font_description(layout, description);
  pango_layout_set_text(layout, text.c_str(), -1);
  pango_layout_set_width(layout, width * PANGO_SCALE);
  pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
  gdk_draw_layout(pixmap, gc, 0, 0, layout);
  const Screenshot expected = PixelsOf(pixmap, width, height);
  pango_font_description_free(description);
  g_object_unref(layout);
  g_object_unref(context);
  g_object_unref(gc);
  g_object_unref(pixmap);
  return shown.DifferingPixels(expected, kTolerance);
}

int DifferingIconPixels(GuiDriver& gui, XWindow box, int left, int top, const char* stockId) {
  const uint32_t background = DialogBackground(gui, box);
  GdkGC* gc = nullptr;
  GdkPixmap* pixmap = BackgroundPixmap(kIconSize, kIconSize, background, &gc);
  if (stockId) {
    GdkPixbuf* icon = gtk_widget_render_icon(GTK_WIDGET(gui.Gtk(box)), stockId,
                                             GTK_ICON_SIZE_DIALOG, nullptr);
    GdkPixbuf* scaled =
        gdk_pixbuf_scale_simple(icon, kIconSize, kIconSize, GDK_INTERP_BILINEAR);
    gdk_draw_pixbuf(pixmap, gc, scaled, 0, 0, 0, 0, kIconSize, kIconSize, GDK_RGB_DITHER_NONE,
                    0, 0);
    g_object_unref(scaled);
    g_object_unref(icon);
  }
  const Screenshot expected = PixelsOf(pixmap, kIconSize, kIconSize);
  g_object_unref(gc);
  g_object_unref(pixmap);
  return ShownRegion(gui, box, left, top, kIconSize, kIconSize)
      .DifferingPixels(expected, kTolerance);
}

ScreenArea ButtonArea(GuiDriver& gui, PushButton* pane) {
  return pane ? gui.Area(pane->GetWidget()) : ScreenArea{};
}

}  // namespace qvtest
