// The menu command's dispatch through the handlers of the focus, the windows, the Application
// and the item itself.
#include "windows/MenuDispatch.h"

#include "app/ApplicationClass.h"
#include "core/CompiledCall.h"
#include "core/RaiseException.h"
#include "windows/ControlRecord.h"
#include "windows/MenuEnabling.h"
#include "windows/MenuItemClass.h"
#include "windows/PaneFocus.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowObject.h"
#include "windows/WindowOrder.h"
#include "windows/XMenuGTK.h"

namespace {

// A menu handler is called with the object that owns its map and the item's index; nonzero
// means handled.
bool CallMenuHandler(void* handler, RuntimeObject* owner, int32_t index) {
  if (!handler) return false;
  CompiledCall call;
  call.Protect(owner);
  return call.Invoke<int32_t>(handler, owner, index) != 0;
}

void* MapHandler(StringMap<void*>* map, const string& name) {
  void* handler = nullptr;
  if (map) map->GetEntry(name, &handler);
  return handler;
}

// The windows from the innermost embedded one out to the window itself.
bool OfferToWindows(const LockedObjects& windows, const string& name, int32_t index) {
  for (uint32_t i = windows.size(); i-- > 0;) {
    RuntimeObject* window = windows[i];
    if (CallMenuHandler(MapHandler(AsWindow(window)->mMenuHandlers, name), window, index)) {
      return true;
    }
  }
  return false;
}

bool OfferToFocus(SubPane* focus, RuntimeObject* item, const string& name, int32_t index) {
  if (!focus) return false;
  RuntimeObject* control = focus->GetRunControl();
  if (control && IsControlObject(control) &&
      CallMenuHandler(MapHandler(AsControl(control)->menuHandlers, name), control, index)) {
    return true;
  }
  return focus->HandleMenuCommand(item);
}

bool OfferToWindowAndFocus(RuntimeViewWindow* native, RuntimeObject* item) {
  RuntimeObject* windowObject = native->WindowObjectOf();
  if (!windowObject) return false;
  const XMenuGTK* node = XMenuNodeOf(item);
  const string name = node->Name();
  const int32_t index = node->Index();
  LockedObjects windows;
  CollectEventWindows(windowObject, windows);
  SubPane* focus = GetFocusPane();
  if (focus) focus->Retain();
  bool handled = OfferToFocus(focus, item, name, index);
  if (focus) focus->Release();
  return handled || OfferToWindows(windows, name, index);
}

bool OfferToApplication(RuntimeObject* item) {
  RuntimeObject* application = ApplicationObject();
  if (!application) return false;
  const XMenuGTK* node = XMenuNodeOf(item);
  return CallMenuHandler(ApplicationMenuHandler(application, node->Name()), application,
                         node->Index());
}

}  // namespace

RuntimeViewWindow* LanguageWindowOf(Window* window) {
  return dynamic_cast<RuntimeViewWindow*>(window);
}

bool DispatchMenuCommand(RuntimeObject* item, Window* window) {
  if (!item) {
    RaiseNilObjectException();
    return false;
  }
  if (!QV_CHECK_TEXT(XMenuNodeOf(item), "self->mImp", nullptr)) return false;
  if (!window) window = FrontNativeWindow();
  RuntimeLockObject(item);
  if (window) window->Retain();
  bool handled = false;
  if (RuntimeViewWindow* native = LanguageWindowOf(window)) {
    handled = OfferToWindowAndFocus(native, item);
  }
  if (!handled) handled = OfferToApplication(item);
  if (!handled) handled = RaiseObjectEvent<bool>(item, MenuItemEvents().action);
  if (window) window->Release();
  RuntimeUnlockObject(item);
  if (handled) enableMenuItems();
  return handled;
}
