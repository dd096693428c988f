// Check boxes and radio buttons drawn into a Graphics (DrawInto): the theme's indicator, 18
// pixels wide and the pane's height tall, and the caption's layout 20 pixels to its right,
// centred by the Graphics' text height in the pane's font.
#pragma once

#include <gtk/gtk.h>

#include "core/Rect.h"
#include "graphics/Graphics.h"
#include "strings/TextStyle.h"

// gtk_paint_check or gtk_paint_option.
using ToggleIndicatorPainter = void (*)(GtkStyle*, GdkWindow*, GtkStateType, GtkShadowType,
                                        const GdkRectangle*, GtkWidget*, const gchar*, gint, gint,
                                        gint, gint);

// r is the pane's bounds on g's drawable; label may be nil (no caption drawn). g takes font.
void PaintToggleIndicator(GtkWidget* button, GtkWidget* label, Graphics& g, const QV::Rect& r,
                          bool enabled, bool checked, const FontSpec& font,
                          ToggleIndicatorPainter paint);
