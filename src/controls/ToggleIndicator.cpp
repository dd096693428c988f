#include "controls/ToggleIndicator.h"

namespace {

// The width the theme's indicator is painted in, and where the caption starts after it.
constexpr gint kIndicatorWidth = 18;
constexpr gint kCaptionOffset = 20;

}  // namespace

void PaintToggleIndicator(GtkWidget* button, GtkWidget* label, Graphics& g, const QV::Rect& r,
                          bool enabled, bool checked, const FontSpec& font,
                          ToggleIndicatorPainter paint) {
  const gint width = r.right - r.left;
  const gint height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return;
  GdkWindow* drawable = g.TargetGdkDrawable();
  const GtkStateType state = enabled ? GTK_STATE_NORMAL : GTK_STATE_INSENSITIVE;
  if (!button->window) gtk_widget_realize(button);
  GdkRectangle box = {r.left, r.top, kIndicatorWidth, height};
  paint(button->style, drawable, state, checked ? GTK_SHADOW_IN : GTK_SHADOW_OUT, &box, button,
        "checkbox", r.left, r.top, kIndicatorWidth, height);
  g.SetFont(font);
  if (!label) return;
  if (!label->window) gtk_widget_realize(label);
  PangoLayout* layout = gtk_label_get_layout(GTK_LABEL(label));
  gint textHeight = g.TextHeight();
  if (textHeight < 0) pango_layout_get_pixel_size(layout, nullptr, &textHeight);
  GdkRectangle whole = {r.left, r.top, width, height};
  gtk_paint_layout(label->style, drawable, state, FALSE, &whole, label, "label",
                   r.left + kCaptionOffset, r.top + (height - textHeight) / 2, layout);
}
