// The contextual-menu pass of a right click (or Shift+F10): ConstructContextualMenu up the
// control's parents and windows, the pop-up, then ContextualMenuAction the same way.
#include "controls/ContextualMenu.h"
#include "controls/ControlAccessors.h"
#include "core/RuntimeError.h"
#include "windows/MenuEnabling.h"
#include "windows/MenuItemClass.h"
#include "windows/MenuPopUp.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowControls.h"
#include "windows/WindowObject.h"
#include "windows/XMenuGTK.h"

namespace {

// Who hears the pass, in order: the control and its parent controls, then the window.
struct ContextualChain {
  LockedObjects controls;
  RuntimeObject* window = nullptr;  // held
};

void CollectChain(RuntimeObject* target, ContextualChain& chain) {
  if (IsWindowObject(target)) {
    chain.window = target;
    RuntimeLockObject(target);
    return;
  }
  chain.window = AsControl(target)->window;
  RuntimeLockObject(chain.window);
  chain.controls.Add(target);
  for (RuntimeObject* parent = ControlParentGetter(target, 0); parent;) {
    chain.controls.Add(parent);
    RuntimeObject* next = ControlParentGetter(parent, 0);
    RuntimeUnlockObject(parent);
    parent = next;
  }
}

bool ChainIsOpen(const ContextualChain& chain) {
  RuntimeViewWindow* native = WindowObjectNativePane(chain.window);
  return native && !native->IsClosing();
}

bool RaiseConstruct(const ContextualChain& chain, RuntimeObject* base, int32_t x, int32_t y) {
  for (uint32_t i = 0; i < chain.controls.size(); ++i) {
    RuntimeObject* control = chain.controls[i];
    const QV::Rect& bounds = AsControl(control)->bounds;
    if (RaiseControlEvent<bool>(control, ControlClasses().constructContextualMenu, nullptr, base,
                                x - bounds.left, y - bounds.top)) {
      return true;
    }
    if (!ChainIsOpen(chain)) return false;
  }
  return chain.window && WindowRaiseConstructContextualMenu(chain.window, base, x, y);
}

bool RaiseAction(const ContextualChain& chain, RuntimeObject* hitItem) {
  for (uint32_t i = 0; i < chain.controls.size(); ++i) {
    if (RaiseControlEvent<bool>(chain.controls[i], ControlClasses().contextualMenuAction,
                                nullptr, hitItem)) {
      return true;
    }
  }
  return chain.window && WindowRaiseContextualMenuAction(chain.window, hitItem);
}

// A trailing separator is dropped; true when rows remain.
bool TrimBase(RuntimeObject* base) {
  XMenuGTK* node = XMenuNodeOf(base);
  const int32_t count = node->ChildCount();
  if (count > 0 && XMenuNodeOf(node->ChildAt(count - 1))->Text().CompareWithCase("-") == 0) {
    node->RemoveChildAt(count - 1);
  }
  return node->ChildCount() > 0;
}

}  // namespace

bool DispatchConstructContextualMenu(RuntimeObject* target, int32_t x, int32_t y) {
  if (!target) return false;
  enableMenuItems();
  RuntimeObject* base = NewMenuItemObject();
  if (!QV_CHECK_TEXT(base, "sDisplay", nullptr)) return false;
  ContextualChain chain;
  CollectChain(target, chain);
  RaiseConstruct(chain, base, x, y);
  bool handled = false;
  if (ChainIsOpen(chain) && TrimBase(base)) {
    QV::Rect content;
    WindowObjectNativePane(chain.window)->GetGlobalBounds(content);
    RuntimeObject* chosen = RuntimeMenuItemPopUp(base, content.left + x, content.top + y);
    if (chosen) handled = RaiseAction(chain, chosen);
    RuntimeUnlockObject(chosen);
  }
  RuntimeUnlockObject(chain.window);
  RuntimeUnlockObject(base);
  return handled;
}
