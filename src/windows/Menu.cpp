// Menu: the portable node's child list and the attributes that hold references.
#include "windows/Menu.h"

#include "core/RaiseException.h"
#include "core/RuntimeError.h"

Menu::Menu() : mText(""), mName("") {}

Menu::~Menu() {
  for (uint32_t i = 0; i < mChildren.size(); ++i) RuntimeUnlockObject(mChildren[int32_t(i)]);
  RuntimeUnlockObject(mTag);
  RuntimeUnlockObject(mDisabledIcon);
  RuntimeUnlockObject(mEnabledIcon);
}

void Menu::SetTag(RuntimeObject* tag) {
  RuntimeLockUnlockObjects(tag, mTag);
  mTag = tag;
}

void Menu::SetDisabledIcon(RuntimeObject* picture) {
  RuntimeLockUnlockObjects(picture, mDisabledIcon);
  mDisabledIcon = picture;
}

void Menu::SetEnabledIcon(RuntimeObject* picture) {
  RuntimeLockUnlockObjects(picture, mEnabledIcon);
  mEnabledIcon = picture;
}

bool Menu::CheckChild(RuntimeObject* item) {
  if (!QV_CHECK_TEXT(item, "kid", nullptr)) return false;
  return QV_CHECK_TEXT(MenuNodeOf(item), "kid->mImp", nullptr);
}

void Menu::AppendChild(RuntimeObject* item) {
  if (!CheckChild(item)) return;
  RuntimeLockObject(item);
  mChildren.Append(item);
}

void Menu::InsertChild(RuntimeObject* item, int32_t position) {
  if (!CheckChild(item)) return;
  RuntimeLockObject(item);
  mChildren.InsertAt(position, item);
}

void Menu::RemoveChild(RuntimeObject* item) {
  for (uint32_t i = mChildren.size(); i-- > 0;) {
    if (mChildren[int32_t(i)] != item) continue;
    mChildren.RemoveAt(int32_t(i));
    RuntimeUnlockObject(item);
  }
}

void Menu::RemoveChildAt(int32_t position) {
  if (position < 0 || position >= ChildCount()) {
    RaiseOutOfBoundsException();
    return;
  }
  RuntimeObject* item = mChildren[position];
  mChildren.RemoveAt(position);
  RuntimeUnlockObject(item);
}

RuntimeObject* Menu::FindChildByName(const string& name) const {
  for (uint32_t i = 0; i < mChildren.size(); ++i) {
    RuntimeObject* child = mChildren[int32_t(i)];
    const Menu* node = MenuNodeOf(child);
    if (!QV_CHECK_TEXT(node, "m", nullptr)) continue;
    if (node->Name().Compare(name) != 0) continue;
    RuntimeLockObject(child);
    return child;
  }
  return nullptr;
}

int32_t Menu::IndexOfChild(RuntimeObject* item) const {
  for (uint32_t i = 0; i < mChildren.size(); ++i) {
    if (mChildren[int32_t(i)] == item) return int32_t(i);
  }
  return -1;
}

RuntimeObject* MenuItemChildAt(const Menu* node, int32_t position) {
  if (!node || position < 0 || position >= node->ChildCount()) {
    RaiseOutOfBoundsException();
    return nullptr;
  }
  RuntimeObject* child = node->ChildAt(position);
  RuntimeLockObject(child);
  return child;
}
