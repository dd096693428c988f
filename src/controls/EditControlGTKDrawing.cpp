// The edit field on GTK drawn into a Graphics (a window's contents drawn off screen): the
// theme's entry background and frame, then the text laid out in the field's font, aligned as
// the field is, off screen first so that it stays inside the text area.
#include "controls/EditControlGTK.h"
#include "graphics/PangoFonts.h"
#include "windows/GtkPlacement.h"

namespace {

constexpr int32_t kScrollBarRoom = 20;

}  // namespace

void EditControlGTK::DrawInto(Graphics& g) {
  GtkWidget* widget = InputWidget();
  GdkWindow* drawable = g.TargetGdkDrawable();
  if (widget && drawable) {
    QV::Rect r = GraphicsRectToDrawable(g, GetBounds(), false);
    if (mMultiLine && mVerticalScrollBar) r.right -= kScrollBarRoom;
    if (mMultiLine && mHorizontalScrollBar) r.bottom -= kScrollBarRoom;
    const GtkStateType state = GtkStateType(GTK_WIDGET_STATE(widget));
    if (r.right > r.left && r.bottom > r.top) {
      if (widget->window) {
        gtk_paint_flat_box(widget->style, drawable, state, GTK_SHADOW_NONE, nullptr, widget,
                           "entry_bg", r.left, r.top, r.right - r.left, r.bottom - r.top);
      }
      if (mBorder) {
        if (!widget->window) gtk_widget_realize(widget);
        gtk_paint_shadow(widget->style, drawable, GTK_STATE_NORMAL,
                         mMultiLine ? GTK_SHADOW_ETCHED_IN : GTK_SHADOW_IN, nullptr, widget,
                         "entry", r.left, r.top, r.right - r.left, r.bottom - r.top);
        r = {int16_t(r.top + 2), int16_t(r.left + 2), int16_t(r.bottom - 2), int16_t(r.right - 2)};
      }
    }
    const gint width = r.right - r.left;
    const gint height = r.bottom - r.top;
    // A field too narrow or low for any text gets no off-screen surface.
    if (width > 0 && height > 0) {
      GdkPixmap* pixmap = gdk_pixmap_new(drawable, width, height, -1);
      GdkGC* gc = gdk_gc_new(pixmap);
      GdkColor back = mHasBackColor ? mBackColor : widget->style->base[state];
      gdk_gc_set_rgb_fg_color(gc, &back);
      gdk_draw_rectangle(pixmap, gc, TRUE, 0, 0, width, height);
      PangoLayout* layout = gtk_widget_create_pango_layout(widget, nullptr);
      PangoFontDescription* font = MakePangoFontDescription(mFont);
      pango_layout_set_font_description(layout, font);
      pango_font_description_free(font);
      const string text = GetText(kEncodingUTF8);
      pango_layout_set_text(layout, text.CString(), text.Length());
      GdkColor fore = mMultiLine ? widget->style->fg[state] : widget->style->text[state];
      gdk_gc_set_rgb_fg_color(gc, &fore);
      if (mMultiLine) {
        pango_layout_set_width(layout, (width > 6 ? width - 6 : 0) * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
        pango_layout_set_alignment(layout, mImplementationWord == kFieldAlignCenter ? PANGO_ALIGN_CENTER
                                           : mImplementationWord == kFieldAlignRight
                                               ? PANGO_ALIGN_RIGHT
                                               : PANGO_ALIGN_LEFT);
        gdk_draw_layout(pixmap, gc, 3, 4, layout);
      } else {
        // One line, its baseline 3 pixels below the font's ascent.
        gdk_draw_layout(pixmap, gc, 4, 3, layout);
      }
      GdkGC* target = gdk_gc_new(drawable);
      gdk_draw_drawable(drawable, target, pixmap, 0, 0, r.left, r.top, width, height);
      g_object_unref(target);
      g_object_unref(layout);
      g_object_unref(gc);
      g_object_unref(pixmap);
    }
  }
  SubPane::DrawInto(g);
}
