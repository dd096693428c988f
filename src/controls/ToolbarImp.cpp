#include "controls/ToolbarImp.h"

#include "windows/WindowControls.h"

ToolbarImp::ToolbarImp(RuntimeObject* toolbar, const ObjectHook* actionHook,
                       SubPane* owner, int32_t panelIndex, const QV::Rect& bounds)
    : ContainerPane(owner, panelIndex, bounds), mToolbar(toolbar), mActionHook(actionHook) {}

ToolbarImp::~ToolbarImp() {
  for (uint32_t i = 0; i < mItems.size(); ++i) RuntimeUnlockObject(mItems[int32_t(i)]);
  mItems.Clear();
}

void ToolbarImp::AppendItem(RuntimeObject* item) { InsertItem(ItemCount(), item); }

int32_t ToolbarImp::ItemCount() { return int32_t(mItems.size()); }

void ToolbarImp::InsertItem(int32_t index, RuntimeObject* item) {
  if (!item || index < 0 || index > ItemCount()) return;
  RuntimeLockObject(item);
  mItems.InsertAt(index, item);
}

RuntimeObject* ToolbarImp::GetItem(int32_t index) {
  if (index < 0 || index >= ItemCount()) return nullptr;
  RuntimeObject* item = mItems[index];
  RuntimeLockObject(item);
  return item;
}

void ToolbarImp::RemoveItem(int32_t index) {
  if (index < 0 || index >= ItemCount()) return;
  RuntimeObject* item = mItems[index];
  mItems.RemoveAt(index);
  RuntimeUnlockObject(item);
}

void ToolbarImp::SetItemPushed(RuntimeObject*, bool, int32_t) {}

void ToolbarImp::RaiseAction(RuntimeObject* item) {
  RaiseControlEvent<void>(mToolbar, mActionHook, nullptr, item);
}
