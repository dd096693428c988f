#include "windows/GtkPlacement.h"

#include <gtk/gtk.h>

#include <algorithm>

#include "core/RuntimeError.h"
#include "windows/SubPane.h"
#include "windows/Window.h"

namespace {

int32_t gMenuBarHeight = 0;  // measured once, for every window

Window* WindowOfPane(SubPane* pane) {
  Window* window = pane->GetWindow();
  return QV_CHECK_TEXT(window, "window", "No window?  Blasphemy!") ? window : nullptr;
}

void RequestPaneSize(GtkWidget* widget, SubPane* pane) {
  gtk_widget_set_size_request(widget, std::max(pane->Width(), 0), std::max(pane->Height(), 0));
}

}  // namespace

// The widget reached through the GtkWindow's own fields: a checked cast on every drawing call
// cost more than the rest of the answer.
GdkWindow* WindowGdkWindow(Window* window) {
  GtkWindow* gtkWindow = window ? window->GetGtkWindow() : nullptr;
  return gtkWindow ? gtkWindow->bin.container.widget.window : nullptr;
}

void PutPaneInFixed(SubPane* pane, bool show) {
  GtkWidget* widget = pane->GetWidget();
  Window* window = WindowOfPane(pane);
  if (!window || !widget || !window->ContentFixed()) return;
  const QV::Rect& bounds = pane->GetBounds();
  gtk_fixed_put(window->ContentFixed(), widget, bounds.left, bounds.top);
  RequestPaneSize(widget, pane);
  if (show) gtk_widget_show(widget);
}

void MovePaneInFixed(SubPane* pane) {
  GtkWidget* widget = pane->GetWidget();
  if (!widget) return;
  Window* window = WindowOfPane(pane);
  // The window's own widget is the container itself; the window places itself.
  if (!window || window == pane) return;
  const QV::Rect& bounds = pane->GetBounds();
  if (gtk_widget_get_parent(widget) == GTK_WIDGET(window->ContentFixed())) {
    gtk_fixed_move(window->ContentFixed(), widget, bounds.left, bounds.top);
  }
  RequestPaneSize(widget, pane);
}

// As GtkFixed places a child: at its place plus the border, inside the fixed's own allocation
// when the fixed has no GDK window of its own.
void AllocatePaneNow(SubPane* pane) {
  GtkWidget* widget = pane->GetWidget();
  Window* window = pane->GetWindow();
  GtkWidget* fixed = window && window != pane ? GTK_WIDGET(window->ContentFixed()) : nullptr;
  if (!widget || !fixed || !GTK_WIDGET_REALIZED(fixed)) return;
  if (gtk_widget_get_parent(widget) != fixed) return;
  GtkRequisition requisition;
  gtk_widget_size_request(widget, &requisition);  // GTK asks before it allocates
  const QV::Rect& bounds = pane->GetBounds();
  const int32_t border = int32_t(gtk_container_get_border_width(GTK_CONTAINER(fixed)));
  GtkAllocation allocation = {bounds.left + border, bounds.top + border,
                              std::max(pane->Width(), 1), std::max(pane->Height(), 1)};
  if (GTK_WIDGET_NO_WINDOW(fixed)) {
    allocation.x += fixed->allocation.x;
    allocation.y += fixed->allocation.y;
  }
  gtk_widget_size_allocate(widget, &allocation);
}

int32_t MenuBarHeight(Window* window) {
  GtkWidget* menuBar = window->MenuBarWidget();
  if (!menuBar) return 0;
  if (gMenuBarHeight != 0) return GTK_WIDGET_VISIBLE(menuBar) ? gMenuBarHeight : 0;
  if (menuBar->allocation.x == -1 || menuBar->allocation.y == -1) return 0;
  gMenuBarHeight = menuBar->allocation.height;
  return gMenuBarHeight;
}

int32_t ToolbarsHeight(Window* window) {
  int32_t height = 0;
  const SimpleVector<GtkWidget*>& toolbars = window->Toolbars();
  for (uint32_t i = 0; i < toolbars.size(); ++i) {
    GtkWidget* toolbar = toolbars[int32_t(i)];
    if (GTK_WIDGET_VISIBLE(toolbar)) height += toolbar->allocation.height;
  }
  return height;
}

int32_t WindowContentTopOffset(Window* window) {
  return MenuBarHeight(window) + ToolbarsHeight(window);
}

// The widget's flags read directly: every drawing call asks, and the checked cast of
// GTK_WIDGET_NO_WINDOW costs more than the rest of the answer.
bool DrawsInWindowGdkWindow(SubPane* pane) {
  GtkWidget* widget = pane->GetWidget();
  GdkWindow* windowGdk = WindowGdkWindow(pane->GetWindow());
  return widget && windowGdk && (widget->object.flags & GTK_NO_WINDOW) &&
         widget->window == windowGdk;
}

QV::Rect GraphicsRectToDrawable(const Graphics& g, QV::Rect rect, bool clip) {
  return PaneRectToDrawable(g, dynamic_cast<Pane*>(g.Target()), rect, clip);
}

QV::Rect PaneRectToDrawable(const Graphics& g, Pane* target, QV::Rect rect, bool clip) {
  if (target && target->IsSubPane()) {
    RectOffset(rect, -g.OriginX(), -g.OriginY());
    SubPane* pane = static_cast<SubPane*>(target);
    Window* window = pane->GetWindow();
    const QV::Rect& bounds = pane->GetBounds();
    if (window && (window == pane || DrawsInWindowGdkWindow(pane))) {
      const int32_t offset = WindowContentTopOffset(window);
      RectOffset(rect, 0, offset);
      if (clip && window != pane) {
        rect.right = int16_t(std::min<int32_t>(rect.right, bounds.right));
        rect.bottom = int16_t(std::min<int32_t>(rect.bottom, bounds.bottom + offset));
      }
    } else {
      RectOffset(rect, -bounds.left, -bounds.top);
    }
    return rect;
  }
  return OffscreenRectToDrawable(g, rect, clip);
}

QV::Point GetPointerInWindow(Window* window) {
  GdkWindow* windowGdk = WindowGdkWindow(window);
  if (!windowGdk) return {0, 0};
  gint x = 0, y = 0;
  gdk_window_get_pointer(windowGdk, &x, &y, nullptr);
  return {y - WindowContentTopOffset(window), x};
}

namespace {

QV::Point EventPointInWindow(Window* window, GdkWindow* eventWindow, gdouble eventX,
                             gdouble eventY, gdouble rootX, gdouble rootY) {
  GdkWindow* windowGdk = WindowGdkWindow(window);
  if (!windowGdk) return {0, 0};
  gint x = gint(eventX), y = gint(eventY);
  // Child windows' places are known here, so the walk asks the server nothing.
  GdkWindow* step = eventWindow;
  for (; step && step != windowGdk; step = gdk_window_get_parent(step)) {
    gint left = 0, top = 0;
    gdk_window_get_position(step, &left, &top);
    x += left;
    y += top;
  }
  if (!step) {
    // Another top level's window (a grab sent the event here): by the screen instead.
    gdk_window_get_origin(windowGdk, &x, &y);
    x = gint(rootX) - x;
    y = gint(rootY) - y;
  }
  return {y - WindowContentTopOffset(window), x};
}

}  // namespace

QV::Point GetEventPointInWindow(Window* window, const GdkEventButton* event) {
  return EventPointInWindow(window, event->window, event->x, event->y, event->x_root,
                            event->y_root);
}

QV::Point GetEventPointInWindow(Window* window, const GdkEventScroll* event) {
  return EventPointInWindow(window, event->window, event->x, event->y, event->x_root,
                            event->y_root);
}
