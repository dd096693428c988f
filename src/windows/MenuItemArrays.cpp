// Menu item arrays (several items sharing one name, told apart by their index): the search
// by name and index, the replacement of an item in its place, the installation of a new
// member after the last one, and the breadth-first walk over a menu tree.
#include "core/Export.h"
#include "core/RuntimeError.h"
#include "windows/MenuItemClass.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/XMenuGTK.h"

namespace {

RuntimeObject* FindNamedItem(const Menu* menu, const string& name, int32_t index) {
  const int32_t count = menu->ChildCount();
  for (int32_t i = 0; i < count; ++i) {
    RuntimeObject* child = menu->ChildAt(i);
    const Menu* node = MenuNodeOf(child);
    if (!QV_CHECK_TEXT(node, "item", nullptr)) continue;
    if (node->Index() == index && node->Name().Compare(name) == 0) {
      RuntimeLockObject(child);
      return child;
    }
    if (RuntimeObject* found = FindNamedItem(node, name, index)) return found;
  }
  return nullptr;
}

// The children of item, each held by the list.
void CollectChildren(RuntimeObject* item, LockedObjects& children) {
  const Menu* node = MenuNodeOf(item);
  if (!node) return;
  for (int32_t i = 0; i < node->ChildCount(); ++i) children.Add(node->ChildAt(i));
}

bool HasChildren(RuntimeObject* item) {
  const Menu* node = MenuNodeOf(item);
  return node && node->ChildCount() > 0;
}

}  // namespace

extern "C" RuntimeObject* RuntimeMenuItemLookupArray(RuntimeObject* menu, stringStorage* name,
                                                     int32_t index) {
  const Menu* node = MenuNodeOf(menu);
  const string wanted(name);
  if (!node || wanted.IsEmpty()) return nullptr;
  return FindNamedItem(node, wanted, index);
}
QV_EXPORT(RuntimeMenuItemLookupArray)

extern "C" RuntimeObject* RuntimeMenuItemLookup(RuntimeObject* menu, stringStorage* name) {
  return RuntimeMenuItemLookupArray(menu, name, kNoMenuIndex);
}
QV_EXPORT(RuntimeMenuItemLookup)

// The replacement is held across the swap: it may be the item that leaves.
extern "C" void RuntimeMenuItemSwap(RuntimeObject* item, stringStorage* name,
                                    RuntimeObject* swapWith) {
  XMenuGTK* node = XMenuNodeOf(item);
  if (!QV_CHECK_TEXT(node, "self->mImp", nullptr) || !swapWith) return;
  const string wanted(name);
  for (int32_t i = 0; i < node->ChildCount(); ++i) {
    if (MenuNodeOf(node->ChildAt(i))->Name().Compare(wanted) != 0) continue;
    RuntimeLockObject(swapWith);
    node->RemoveChildAt(i);
    node->InsertChild(swapWith, i);
    RuntimeUnlockObject(swapWith);
    return;
  }
}
QV_EXPORT(RuntimeMenuItemSwap)

extern "C" void MenuBarInstallClone(RuntimeObject* menuBar, RuntimeObject* installThis) {
  if (!QV_CHECK_TEXT(menuBar, "menuBar", nullptr)) return;
  if (!QV_CHECK_TEXT(installThis, "installThis", nullptr)) return;
  XMenuGTK* installed = XMenuNodeOf(installThis);
  if (!installed || !MenuNodeOf(menuBar)) return;
  const string name = installed->Name();
  LockedObjects queue;
  queue.Add(menuBar);
  int32_t next = 0;
  bool found = false;
  for (uint32_t entry = 0; entry < queue.size(); ++entry) {
    XMenuGTK* node = XMenuNodeOf(queue[entry]);
    for (int32_t i = 0; i < node->ChildCount(); ++i) {
      RuntimeObject* child = node->ChildAt(i);
      const Menu* childNode = MenuNodeOf(child);
      if (childNode->Name().Compare(name) == 0) {
        if (childNode->Index() >= next) next = childNode->Index() + 1;
        found = true;
      } else if (found) {
        installed->SetIndex(next);
        node->InsertChild(installThis, i);
        return;
      }
      if (HasChildren(child)) queue.Add(child);
    }
    if (found) {
      installed->SetIndex(next);
      node->AppendChild(installThis);
      return;
    }
  }
}
QV_EXPORT(MenuBarInstallClone)

void ForEachMenuItem(RuntimeObject* root, MenuItemCallback callback, void* context) {
  if (!root) return;
  if (!QV_CHECK_TEXT(callback, "callback",
                     "You didn't specify a callback to call for iterating over menu items")) {
    return;
  }
  LockedObjects queue;
  queue.Add(root);
  for (uint32_t entry = 0; entry < queue.size(); ++entry) {
    LockedObjects children;
    CollectChildren(queue[entry], children);
    for (uint32_t i = 0; i < children.size(); ++i) {
      if (HasChildren(children[i])) queue.Add(children[i]);
      if (!callback(children[i], context)) return;
    }
  }
}
