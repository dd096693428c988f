// The edit field on GTK drawn into a Graphics (a window's contents drawn off screen): the
// theme's entry background and frame, then the text laid out in the field's font, aligned as
// the field is, off screen first so that it stays inside the text area; then the scroll bars
// of a multi-line field, as the scroll-bar pane paints itself.
#include "controls/EditControlGTK.h"
#include "controls/ScrollerPane.h"
#include "graphics/PangoFonts.h"
#include "windows/GtkPlacement.h"

namespace {

constexpr int32_t kScrollBarRoom = 20;
constexpr int32_t kScrollBarBreadth = 16;

// Where the scroll bar shows its adjustment, from 0 (top or left) to 100 (bottom or right).
int32_t ScrollPercent(GtkWidget* bar) {
  GtkAdjustment* a = gtk_range_get_adjustment(GTK_RANGE(bar));
  const double travel = a->upper - a->page_size - a->lower;
  if (travel <= 0) return 0;
  const double percent = (a->value - a->lower) * 100 / travel;
  return percent <= 0 ? 0 : percent >= 100 ? 100 : int32_t(percent + 0.5);
}

// A 16-pixel strip along the right edge (vertical) or the bottom edge (horizontal) of the
// field, the vertical one stopping short of the corner when both exist.
void PaintFieldScrollBar(GtkWidget* bar, GdkWindow* drawable, const QV::Rect& field,
                         bool vertical, bool both, GtkStateType state) {
  if (!bar) return;
  if (!bar->window) gtk_widget_realize(bar);
  const QV::Rect strip =
      vertical ? QV::Rect{field.top, int16_t(field.right - kScrollBarBreadth),
                          int16_t(field.bottom - (both ? kScrollBarRoom : 0)), field.right}
               : QV::Rect{int16_t(field.bottom - kScrollBarBreadth), field.left, field.bottom,
                          field.right};
  PaintScrollBar(bar, drawable, strip, state, vertical, ScrollPercent(bar), 0, 100);
}

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
  DrawScrollBarsInto(g);
}

void EditControlGTK::DrawScrollBarsInto(Graphics& g) {
  GdkWindow* drawable = g.TargetGdkDrawable();
  if (!mMultiLine || !drawable || !GTK_IS_SCROLLED_WINDOW(GetWidget())) return;
  GtkScrolledWindow* scroller = GTK_SCROLLED_WINDOW(GetWidget());
  const QV::Rect field = GraphicsRectToDrawable(g, GetBounds(), false);
  const GtkStateType state = IsEnabled() ? GTK_STATE_NORMAL : GTK_STATE_INSENSITIVE;
  const bool both = mVerticalScrollBar && mHorizontalScrollBar;
  if (mVerticalScrollBar) {
    PaintFieldScrollBar(gtk_scrolled_window_get_vscrollbar(scroller), drawable, field, true,
                        both, state);
  }
  if (mHorizontalScrollBar) {
    PaintFieldScrollBar(gtk_scrolled_window_get_hscrollbar(scroller), drawable, field, false,
                        both, state);
  }
}
