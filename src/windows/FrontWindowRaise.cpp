// When the debugger lets a stopped program run on, the program's front window comes back to
// the front: the first window of the window order list, when it is shown on screen.
#include <gtk/gtk.h>

#include "app/ClassLibraryHooks.h"
#include "core/Startup.h"
#include "windows/WindowOrder.h"
#include "windows/WindowPane.h"

namespace {

void RaiseFrontWindow() {
  WindowPane* front = FrontNativeWindow();
  GtkWindow* window = front ? front->GetGtkWindow() : nullptr;
  if (window && gtk_widget_get_visible(GTK_WIDGET(window))) gtk_window_present(window);
}

// Adds its hook to those already installed.
void InstallFrontWindowRaise() {
  WindowSystemHooks hooks = WindowSystem();
  hooks.raiseFrontWindow = RaiseFrontWindow;
  SetWindowSystemHooks(hooks);
}

}  // namespace
QV_STARTUP(kStartupFrontWindowRaise, InstallFrontWindowRaise)
