// Pop-up menus of MenuItem: PopUp at a point or at the pointer.
#include "windows/MenuPopUp.h"

#include "app/ModalLoop.h"
#include "core/Export.h"
#include "core/RuntimeError.h"
#include "windows/MenuDispatch.h"
#include "windows/MenuEnabling.h"
#include "windows/PaneFocus.h"
#include "windows/SubPane.h"
#include "windows/XMenuGTK.h"

namespace {

RuntimeObject* gPopupChosen = nullptr;  // held; the item chosen while a PopUp runs

struct MenuPoint {
  gint x;
  gint y;
};

void PlaceAtPoint(GtkMenu*, gint* x, gint* y, gboolean* pushIn, gpointer data) {
  const MenuPoint* point = static_cast<const MenuPoint*>(data);
  *x = point->x;
  *y = point->y;
  *pushIn = FALSE;
}

void PopupMenuChose(XMenuGTK* activated) {
  XMenuGTK* parent = activated->GetParent();
  if (!parent) return;
  RuntimeObject* chosen = parent->FindItemForNode(activated);
  RuntimeUnlockObject(gPopupChosen);
  gPopupChosen = chosen;
}

}  // namespace

void RunPopUpMenu(XMenuGTK* node, bool atPoint, int32_t x, int32_t y, guint button,
                  guint32 time) {
  GtkWidget* menu = node->SubmenuWidget();
  MenuPoint point = {x, y};
  node->SetPoppedUp(true);
  gtk_menu_popup(GTK_MENU(menu), nullptr, nullptr, atPoint ? PlaceAtPoint : nullptr,
                 atPoint ? &point : nullptr, button, time);
  while (GTK_WIDGET_VISIBLE(menu) && !ModalLoopMustEnd()) gtk_main_iteration_do(TRUE);
  if (GTK_WIDGET_VISIBLE(menu)) gtk_menu_popdown(GTK_MENU(menu));
  node->SetPoppedUp(false);
}

extern "C" RuntimeObject* RuntimeMenuItemPopUp(RuntimeObject* item, int32_t x, int32_t y) {
  if (!QV_CHECK_TEXT(item, "mnuItem", nullptr)) return nullptr;
  XMenuGTK* node = XMenuNodeOf(item);
  if (!QV_CHECK_TEXT(node, "mnuItem->mImp", nullptr)) return nullptr;
  RuntimeLockObject(item);
  RuntimeObject* outerChosen = gPopupChosen;
  gPopupChosen = nullptr;
  enableMenuItems();
  SubPane* focus = GetFocusPane();
  if (focus) focus->Retain();
  const MenuActivateHandler kept = node->GetActivateHandler();
  node->SetActivateHandler(PopupMenuChose);
  RunPopUpMenu(node, true, x, y, 0, gtk_get_current_event_time());
  node->SetActivateHandler(kept);
  if (focus) {
    if (!focus->IsClosing()) SetFocusPane(focus);
    focus->Release();
  }
  RuntimeObject* chosen = gPopupChosen;
  gPopupChosen = outerChosen;
  RuntimeUnlockObject(item);
  if (chosen && DispatchMenuCommand(chosen, nullptr)) {
    RuntimeUnlockObject(chosen);
    return nullptr;
  }
  return chosen;
}
QV_EXPORT(RuntimeMenuItemPopUp)

extern "C" RuntimeObject* RuntimeMenuItemPopUpByCursor(RuntimeObject* item) {
  gint x = 0;
  gint y = 0;
  gdk_window_get_pointer(gdk_get_default_root_window(), &x, &y, nullptr);
  return RuntimeMenuItemPopUp(item, x, y);
}
QV_EXPORT(RuntimeMenuItemPopUpByCursor)
