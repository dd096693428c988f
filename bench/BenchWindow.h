// For benchmarks that time a framework window beside plain GTK widgets: the start every one of
// them makes, and a window of their own opened as compiled code opens it.
#pragma once

#include <gtk/gtk.h>

#include <cstdio>
#include <functional>

#include "BenchClasses.h"
#include "BenchStart.h"
#include "app/ExternalClasses.h"
#include "app/MainLoop.h"
#include "controls/EditField.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowControls.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace qvbench {

// The framework and GTK started; false, after saying so, without a display.
inline bool StartWithDisplay(int* argc, char*** argv, const char* name) {
  if (!StartToolkit(argc, argv)) {
    std::fprintf(stderr, "%s needs a display (scripts/with-display)\n", name);
    return false;
  }
  RuntimeInitExternalClasses();
  return true;
}

// Runs the main loop until ready() holds; false when it still does not after some seconds.
inline bool PumpUntil(const std::function<bool()>& ready) {
  for (int pass = 0; pass < 5000; ++pass) {
    MainLoopDoEvents(false);
    if (ready()) return true;
    g_usleep(1000);
  }
  return false;
}

inline bool WindowMapped(RuntimeObject* window) {
  RuntimeViewWindow* native = window ? AsWindow(window)->mImp : nullptr;
  return native && GTK_WIDGET_MAPPED(native->GetGtkWindow());
}

// A shown window of a Window subclass with these Layout and CreateControls handlers.
inline RuntimeObject* ShowWindow(const char* className, void* layout, void* createControls) {
  RuntimeClass* windowClass = Subclass(WindowClassDefinition(), className);
  SetEvent(windowClass, "Layout", layout);
  SetEvent(windowClass, "CreateControls", createControls);
  RuntimeObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeShowWindow(window);
  return window;
}

// What a window's compiled Layout handler sets: its size at the screen's corner, its title and
// its visibility.
inline void LayOutWindow(RuntimeObject* window, int16_t width, int16_t height,
                         const char* title) {
  WindowObject* w = AsWindow(window);
  RectSet(w->bounds, 0, 0, width, height);
  w->title = string(title).ExtractStringStorage();
  w->visible = 1;
}

// A new control of cls (one reference for the caller) shown and enabled at these bounds, as a
// window's CreateControls handler makes it before adding it to the window.
inline RuntimeObject* NewPlacedControl(RuntimeClass* cls, int32_t left, int32_t top,
                                       int32_t right, int32_t bottom) {
  RuntimeObject* object = RuntimeNewObject(cls);
  ControlObject* control = AsControl(object);
  RectSet(control->bounds, left, top, right, bottom);
  control->visible = control->enabled = 1;
  return object;
}

// Edit fields are laid out one under another, each across the window and this tall.
constexpr int16_t kFieldWidth = 400;
constexpr int16_t kFieldHeight = 60;

// An EditField of fieldClass added to the window at top, as its CreateControls handler adds
// one; a multi-line field has a vertical scroll bar. The window holds the field.
inline RuntimeObject* AddEditField(RuntimeObject* window, RuntimeClass* fieldClass,
                                   const char* name, int16_t top, bool multiLine,
                                   bool styled = false) {
  RuntimeObject* field = RuntimeNewObject(fieldClass);
  ControlObject* control = AsControl(field);
  control->bounds = {top, 0, int16_t(top + kFieldHeight), kFieldWidth};
  control->visible = control->enabled = 1;
  AsEditField(field)->multiLine = multiLine;
  AsEditField(field)->scrollBarVertical = multiLine;
  AsEditField(field)->styled = styled;
  WindowAddControl(window, string(name).Storage(), field);
  RuntimeUnlockObject(field);
  return field;
}

// The plain counterpart of a multi-line field, packed into box: a GtkTextView wrapping as the
// field does, in a scrolled window of the field's size.
inline GtkWidget* PackPlainTextView(GtkWidget* box, gboolean expand = FALSE) {
  GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER,
                                 GTK_POLICY_AUTOMATIC);
  gtk_widget_set_size_request(scroller, kFieldWidth, kFieldHeight);
  GtkWidget* view = gtk_text_view_new();
  gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(view), GTK_WRAP_WORD_CHAR);
  gtk_container_add(GTK_CONTAINER(scroller), view);
  gtk_box_pack_start(GTK_BOX(box), scroller, expand, expand, 0);
  return view;
}

// The plain counterpart of a list box: a shown 400 x 300 window holding a GtkTreeView in
// fixed-height mode with columns of text columns of one width (model set later when nil).
inline GtkWidget* ShowFixedHeightTreeView(GtkWidget** window, int columns, int columnWidth,
                                          GtkTreeModel* model) {
  *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(*window), 400, 300);
  GtkWidget* view = model ? gtk_tree_view_new_with_model(model) : gtk_tree_view_new();
  for (int column = 0; column < columns; ++column) {
    GtkTreeViewColumn* c = gtk_tree_view_column_new_with_attributes(
        "", gtk_cell_renderer_text_new(), "text", column, nullptr);
    gtk_tree_view_column_set_sizing(c, GTK_TREE_VIEW_COLUMN_FIXED);
    gtk_tree_view_column_set_fixed_width(c, columnWidth);
    gtk_tree_view_append_column(GTK_TREE_VIEW(view), c);
  }
  gtk_tree_view_set_fixed_height_mode(GTK_TREE_VIEW(view), TRUE);
  GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_AUTOMATIC);
  gtk_container_add(GTK_CONTAINER(scrolled), view);
  gtk_container_add(GTK_CONTAINER(*window), scrolled);
  gtk_widget_show_all(*window);
  return view;
}

}  // namespace qvbench
