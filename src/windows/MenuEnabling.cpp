// The enabling pass and RuntimeMenuReference.
#include "windows/MenuEnabling.h"

#include "app/ApplicationClass.h"
#include "core/CompiledCall.h"
#include "core/Export.h"
#include "windows/ControlRecord.h"
#include "windows/MenuDispatch.h"
#include "windows/MenuItemClass.h"
#include "windows/PaneFocus.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowObject.h"
#include "windows/WindowOrder.h"
#include "windows/XMenuGTK.h"

namespace {

// Menus are enabled, leaf items disabled, all the way down.
void ResetMenuTree(RuntimeObject* item) {
  XMenuGTK* node = XMenuNodeOf(item);
  if (!node) return;
  if (node->ChildCount() == 0) {
    node->Disable();
    return;
  }
  node->Enable();
  for (int32_t i = 0; i < node->ChildCount(); ++i) ResetMenuTree(node->ChildAt(i));
}

// The handler maps the automatic part reads: the focused control's, the window's and the
// Application's.
struct HandlerMaps {
  StringMap<void*>* control = nullptr;
  StringMap<void*>* window = nullptr;
  RuntimeObject* application = nullptr;
};

bool MapHolds(const StringMap<void*>* map, const string& name) {
  return map && map->Contains(name);
}

bool SomeoneHandles(const HandlerMaps& maps, RuntimeObject* item, const Menu* node) {
  const string& name = node->Name();
  if (MapHolds(maps.control, name) || MapHolds(maps.window, name)) return true;
  if (ApplicationMenuHandler(maps.application, name)) return true;
  return LookupEventHandler(item, MenuItemEvents().action) != nullptr;
}

HandlerMaps MapsFor(RuntimeViewWindow* native) {
  HandlerMaps maps;
  maps.application = ApplicationObject();
  RuntimeObject* windowObject = native ? native->WindowObjectOf() : nullptr;
  if (!windowObject) return maps;
  maps.window = AsWindow(windowObject)->mMenuHandlers;
  SubPane* focus = GetFocusPane();
  RuntimeObject* control = focus ? focus->GetRunControl() : nullptr;
  if (control && IsControlObject(control)) maps.control = AsControl(control)->menuHandlers;
  return maps;
}

// Breadth first from the menu bar; every item visited stays held until the pass ends.
void EnableHandledItems(RuntimeObject* menuBar, const HandlerMaps& maps) {
  LockedObjects queue;
  queue.Add(menuBar);
  for (uint32_t next = 0; next < queue.size(); ++next) {
    RuntimeObject* item = queue[next];
    XMenuGTK* node = XMenuNodeOf(item);
    if (!node) continue;
    if (node->AutoEnables()) {
      if (node->ChildCount() > 0) {
        node->Enable();
      } else if (SomeoneHandles(maps, item, node)) {
        node->Enable();
      }
    }
    for (int32_t i = 0; i < node->ChildCount(); ++i) queue.Add(node->ChildAt(i));
  }
}

// Depth first, each item before its children, which are read once its handler returned.
void RaiseEnableMenu(RuntimeObject* item) {
  if (!QV_CHECK_TEXT(item, "item", nullptr)) return;
  if (!QV_CHECK_TEXT(XMenuNodeOf(item), "item->mImp", nullptr)) return;
  RuntimeLockObject(item);
  RaiseObjectEvent<void>(item, MenuItemEvents().enableMenu);
  LockedObjects children;
  if (const Menu* node = MenuNodeOf(item)) {
    for (int32_t i = 0; i < node->ChildCount(); ++i) children.Add(node->ChildAt(i));
  }
  for (uint32_t i = 0; i < children.size(); ++i) RaiseEnableMenu(children[i]);
  RuntimeUnlockObject(item);
}

void RaiseWindowsEnableMenuItems(RuntimeObject* windowObject) {
  LockedObjects windows;
  CollectEventWindows(windowObject, windows);
  for (uint32_t i = windows.size(); i-- > 0;) {
    WindowObject* w = AsWindow(windows[i]);
    if (!w->windowEvents || !w->visible) continue;
    RaiseObjectEvent<void>(windows[i], WindowHooks().enableMenuItems);
  }
}

}  // namespace

void EnableMenuItemsForWindow(bool skip, Window* window) {
  if (!window) window = LanguageWindowOf(FrontNativeWindow());
  RuntimeViewWindow* native = LanguageWindowOf(window);
  if (window) window->Retain();
  MenuWidgetBatch batch;
  RuntimeObject* windowObject = native ? native->WindowObjectOf() : nullptr;
  RuntimeObject* application = ApplicationObject();
  RuntimeObject* menuBar = nullptr;
  if (native) {
    menuBar = windowObject ? AsWindow(windowObject)->menuBar : nullptr;
  } else if (application) {
    menuBar = AsApplication(application)->menuBar;
  }
  RuntimeLockObject(windowObject);
  RuntimeLockObject(menuBar);
  if (menuBar) {
    ResetMenuTree(menuBar);
    if (!skip) {
      EnableHandledItems(menuBar, MapsFor(native));
      RaiseEnableMenu(menuBar);
    }
  }
  RuntimeUnlockObject(menuBar);
  if (SubPane* focus = GetFocusPane()) {
    focus->Retain();
    focus->EnableMenuItems();
    focus->Release();
  }
  if (windowObject) RaiseWindowsEnableMenuItems(windowObject);
  RuntimeUnlockObject(windowObject);
  if (!skip) RaiseApplicationEnableMenuItems(ApplicationObject());
  if (window) window->Release();
}

extern "C" void enableMenuItems() { EnableMenuItemsForWindow(false, nullptr); }
QV_EXPORT(enableMenuItems)

extern "C" RuntimeObject* RuntimeMenuReference(stringStorage* name) {
  RuntimeViewWindow* native = LanguageWindowOf(FrontNativeWindow());
  RuntimeObject* windowObject = native ? native->WindowObjectOf() : nullptr;
  RuntimeObject* menuBar = windowObject ? AsWindow(windowObject)->menuBar : nullptr;
  if (!menuBar) return nullptr;
  return RuntimeMenuItemLookupArray(menuBar, name, kNoMenuIndex);
}
QV_EXPORT(RuntimeMenuReference)
