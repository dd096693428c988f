/* A stand-in for the window-manager theme library: the seven functions the framework looks up
 * (one left out when QV_STANDIN_LACKS_ONE is defined), each call recorded as a line in the file
 * QVTEST_METACITY_RECORD names. Borders are fixed; the frame is a plain blue fill. Loading the
 * theme "Missing" fails with an error. */
#include <gtk/gtk.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef struct {
  int left[4];
  int right[4];
} ButtonLayout;

static void Record(const char* format, ...) {
  const char* path = getenv("QVTEST_METACITY_RECORD");
  if (!path) return;
  FILE* file = fopen(path, "a");
  if (!file) return;
  va_list arguments;
  va_start(arguments, format);
  vfprintf(file, format, arguments);
  va_end(arguments);
  fputc('\n', file);
  fclose(file);
}

static int gTheme = 1;

void* meta_theme_get_current(void) {
  Record("get_current");
  return &gTheme;
}

void meta_theme_set_current(const char* name, gboolean force) {
  Record("set_current %s %d", name, force);
}

void* meta_theme_load(const char* name, GError** error) {
  Record("load %s", name);
  if (strcmp(name, "Missing") == 0) {
    if (error) *error = g_error_new(G_FILE_ERROR, G_FILE_ERROR_NOENT, "no theme %s", name);
    return NULL;
  }
  return &gTheme;
}

void meta_theme_get_frame_borders(void* theme, int type, int textHeight, int flags, int* top,
                                  int* bottom, int* left, int* right) {
  Record("borders type=%d text=%d flags=%#x", type, textHeight > 0, flags);
  (void)theme;
  *top = 20;
  *bottom = 5;
  *left = 3;
  *right = 4;
}

void meta_theme_draw_frame(void* theme, GtkWidget* widget, GdkDrawable* drawable,
                           const GdkRectangle* clip, int xOffset, int yOffset, int type,
                           int flags, int clientWidth, int clientHeight, PangoLayout* title,
                           int textHeight, const ButtonLayout* layout, int* states,
                           GdkPixbuf* miniIcon, GdkPixbuf* icon) {
  int width = 0, height = 0, sum = 0, i;
  for (i = 0; i < 10; ++i) sum += states[i];
  gdk_drawable_get_size(drawable, &width, &height);
  Record("draw type=%d flags=%#x client=%dx%d surface=%dx%d title=%s widget=%d clip=%d at=%d,%d "
         "left=%d,%d,%d,%d right=%d,%d,%d,%d states=%d",
         type, flags, clientWidth, clientHeight, width, height, pango_layout_get_text(title),
         GTK_IS_WINDOW(widget), clip != NULL, xOffset, yOffset, layout->left[0], layout->left[1],
         layout->left[2], layout->left[3], layout->right[0], layout->right[1], layout->right[2],
         layout->right[3], sum);
  (void)theme;
  (void)textHeight;
  (void)miniIcon;
  (void)icon;
  {
    GdkGC* gc = gdk_gc_new(drawable);
    GdkColor blue = {0, 0, 0, 0xFFFF};
    gdk_gc_set_rgb_fg_color(gc, &blue);
    gdk_draw_rectangle(drawable, gc, TRUE, 0, 0, width, height);
    g_object_unref(gc);
  }
}

GdkPixbuf* meta_preview_get_mini_icon(void) { return NULL; }

#ifndef QV_STANDIN_LACKS_ONE
GdkPixbuf* meta_preview_get_icon(void) { return NULL; }
#endif
