// A window's menu bar: its copy in the native window, and the MenuBar and MenuBarVisible
// accessors.
#include "windows/WindowMenuBar.h"

#include <gtk/gtk.h>

#include "app/ApplicationClass.h"
#include "core/Export.h"
#include "core/RuntimeError.h"
#include "windows/MenuBarHiding.h"
#include "windows/MenuEnabling.h"
#include "windows/MenuItemClass.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowAccessors.h"
#include "windows/WindowObject.h"
#include "windows/WindowOrder.h"
#include "windows/XMenuGTK.h"

namespace {

void ResizeToContent(Window* native) {
  native->ResizeTo(native->Width(), native->Height(), false);
}

struct MenuBarSignals {
  // A click on the menu bar brings the menus' enabling up to date before one opens.
  static gboolean Press(GtkWidget*, GdkEventButton*, Window* native) {
    EnableMenuItemsForWindow(native->IsModalKind(), nullptr);
    return FALSE;
  }
  // The window makes room for the bar once the bar has its place, whose height the content
  // offset then measures (before it, the bar counts as 0 high).
  static void Placed(GtkWidget* widget, GtkAllocation* place, Window* native) {
    if (place->x == -1 || place->y == -1) return;
    g_signal_handlers_disconnect_by_func(widget, reinterpret_cast<gpointer>(Placed), native);
    ResizeToContent(native);
  }
};

// The shown copy leaves the native window (and resizes it when asked).
void RemoveShownCopy(RuntimeViewWindow* native, bool resize) {
  GtkWidget* widget = native->MenuBarWidget();
  if (!widget) return;
  g_signal_handlers_disconnect_matched(widget, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                       static_cast<Window*>(native));
  const bool attached = native->MenuBarAttached();
  native->SetMenuBarAttached(false);
  gtk_container_remove(GTK_CONTAINER(native->BarBox()), widget);
  native->SetMenuBarWidget(nullptr);
  if (attached && resize) ResizeToContent(native);
}

// The window's own copy stops being the window's and following its master.
void ForgetOwnCopy(WindowObject* w) {
  if (!w->ownsMenuBar) return;
  XMenuGTK* copy = XMenuNodeOf(w->menuBar);
  if (!copy) return;
  copy->DetachFromWindow();
  copy->DetachFromMaster();
}

// A MenuItem holding a copy of the given bar's node becomes the window's MenuBar, its widget at
// the top of the native window.
void ShowCopy(RuntimeViewWindow* native, WindowObject* w, RuntimeObject* given) {
  XMenuGTK* master = XMenuNodeOf(given);
  if (!master || !master->IsMenuBar()) return;
  RuntimeObject* own = NewMenuItemObject();
  if (!own) return;
  MenuItemObject* record = reinterpret_cast<MenuItemObject*>(own);
  delete record->mImp;
  XMenuGTK* copy = master->Clone();
  record->mImp = copy;
  copy->AttachToWindow(native);
  GtkWidget* widget = copy->MenuBarWidget();
  gtk_box_pack_start(GTK_BOX(native->BarBox()), widget, FALSE, FALSE, 0);
  gtk_box_reorder_child(GTK_BOX(native->BarBox()), widget, 0);
  gtk_widget_show(widget);
  if (IsMenuBarHidden() && FrontNativeWindow() == native) gtk_widget_hide(widget);
  native->SetMenuBarWidget(widget);
  Window* asWindow = native;
  g_signal_connect(widget, "button-press-event", G_CALLBACK(MenuBarSignals::Press), asWindow);
  if (widget->allocation.x == -1 || widget->allocation.y == -1) {
    g_signal_connect(widget, "size-allocate", G_CALLBACK(MenuBarSignals::Placed), asWindow);
  } else if (GTK_WIDGET_VISIBLE(native->GetGtkWindow()) && !native->MenuBarAttached()) {
    ResizeToContent(native);
  }
  native->SetMenuBarAttached(true);
  RuntimeObject* old = w->menuBar;
  w->menuBar = own;
  w->ownsMenuBar = 1;
  RuntimeUnlockObject(old);
}

}  // namespace

void InstallWindowMenuBar(RuntimeObject* window, RuntimeObject* menuBar) {
  WindowObject* w = AsWindow(window);
  RuntimeViewWindow* native = OpenNativeWindow(w);
  RuntimeLockObject(menuBar);  // it may be the copy about to be replaced
  if (native) {
    RemoveShownCopy(native, !menuBar);
    ForgetOwnCopy(w);
  }
  RuntimeLockUnlockObjects(menuBar, w->menuBar);
  w->menuBar = menuBar;
  w->ownsMenuBar = 0;
  if (native && menuBar) ShowCopy(native, w, menuBar);
  RuntimeUnlockObject(menuBar);
}

void DetachWindowMenuBar(RuntimeViewWindow* native) {
  RemoveShownCopy(native, false);
  if (RuntimeObject* object = native->WindowObjectOf()) ForgetOwnCopy(AsWindow(object));
}

extern "C" RuntimeObject* WindowMenuBarGetter(RuntimeObject* window, uint32_t) {
  WindowObject* w = CheckedWindow(window);
  if (!w) return nullptr;
  RuntimeLockObject(w->menuBar);
  return w->menuBar;
}
QV_EXPORT(WindowMenuBarGetter)

extern "C" void WindowMenuBarSetter(RuntimeObject* window, uint32_t, RuntimeObject* menuBar) {
  if (!CheckedWindow(window)) return;
  if (!QV_CHECK_TEXT(ApplicationObject(), "app",
                     "You don't have an application object and we're expecting one")) {
    return;
  }
  InstallWindowMenuBar(window, menuBar);
}
QV_EXPORT(WindowMenuBarSetter)

extern "C" int32_t windowMenusVisibleGetter(RuntimeObject* window, uint32_t) {
  const WindowObject* w = CheckedWindow(window);
  return w && w->menuBarVisible;
}
QV_EXPORT(windowMenusVisibleGetter)

extern "C" void windowMenusVisibleSetter(RuntimeObject* window, uint32_t, int32_t visible) {
  WindowObject* w = CheckedWindow(window);
  if (!w || (w->menuBarVisible != 0) == (visible != 0)) return;
  w->menuBarVisible = visible != 0;
  if (!w->mImp || FrontNativeWindow() != w->mImp) return;
  if (visible) {
    ShowMenuBar();
  } else {
    HideMenuBar();
  }
}
QV_EXPORT(windowMenusVisibleSetter)
