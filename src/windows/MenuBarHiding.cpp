// Hiding the menu bar, and the shutdown task that shows it again.
#include "windows/MenuBarHiding.h"

#include <gtk/gtk.h>

#include "app/ShutdownTasks.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/Window.h"
#include "windows/WindowObject.h"
#include "windows/WindowOrder.h"

namespace {

class MenuShutdownTask;

bool gMenuBarHidden = false;
MenuShutdownTask* gMenuShutdown = nullptr;

// Shows or hides the front window's menu bar, and lays its content out again.
void SetFrontMenuBarShown(bool shown) {
  Window* window = FrontNativeWindow();
  GtkWidget* menuBar = window ? window->MenuBarWidget() : nullptr;
  if (!menuBar) return;
  if (shown) {
    gtk_widget_show(menuBar);
  } else {
    gtk_widget_hide(menuBar);
  }
  window->ResizeTo(window->Width(), window->Height(), false);
}

// "menuShutdown": exists exactly while a menu bar is hidden.
class MenuShutdownTask : public runShutdownTask {
 public:
  ~MenuShutdownTask() override {
    gMenuShutdown = nullptr;
    SetFrontMenuBarShown(true);
  }
};

}  // namespace

void HideMenuBar() {
  if (gMenuBarHidden) return;
  gMenuBarHidden = true;
  if (!gMenuShutdown) gMenuShutdown = new MenuShutdownTask;
  SetFrontMenuBarShown(false);
}

void ShowMenuBar() {
  if (!gMenuBarHidden) return;
  gMenuBarHidden = false;
  delete gMenuShutdown;
}

bool IsMenuBarHidden() { return gMenuBarHidden; }

void FollowFrontMenuBarVisibility() {
  RuntimeViewWindow* first = RuntimeViewWindow::FirstRuntimeWindow();
  RuntimeObject* object = first ? first->WindowObjectOf() : nullptr;
  if (object && !AsWindow(object)->menuBarVisible) {
    HideMenuBar();
  } else {
    ShowMenuBar();
  }
}
