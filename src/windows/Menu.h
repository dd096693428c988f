// Menu: the portable menu tree node behind every MenuItem object (its hidden field __qvf_mImp).
// A node keeps the item's attributes (text, name, array index, shortcut text, help texts, tag,
// flags, icons) and its ordered child items. Children are MenuItem objects, not nodes: the tree
// alternates object, node, child objects, their nodes, and so on.
//
// Ownership: the child list holds one reference on each child object (a child present twice
// holds two), the tag and both icons one each. A node lives exactly as long as its object.
//
// Here the setters only store; XMenuGTK mirrors every change into its widgets and keeps the
// values stored here as the source of truth.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "core/SimpleVector.h"
#include "strings/RuntimeString.h"

// The array index of an item that is no member of a menu item array.
constexpr int32_t kNoMenuIndex = int32_t(0x80000000u);

class Menu {
 public:
  Menu();
  virtual ~Menu();
  Menu(const Menu&) = delete;
  Menu& operator=(const Menu&) = delete;

  virtual void Enable() { mEnabled = true; }
  virtual void Disable() { mEnabled = false; }
  virtual void SetText(const string& text) { mText = text; }
  virtual void SetName(const string& name) { mName = name; }
  virtual void SetIndex(int32_t index) { mIndex = index; }
  // The new tag's reference is taken before the old one goes, so the same tag stays alive.
  virtual void SetTag(RuntimeObject* tag);
  virtual void SetBalloonHelp(const string& text) { mHelpText = text; }
  virtual void SetDisabledHelp(const string& text) { mDisabledHelpText = text; }
  virtual void SetChecked(bool checked) { mChecked = checked; }
  virtual void SetVisible(bool visible) { mVisible = visible; }
  virtual void SetCommandKey(const string& key) { mCommandKey = key; }
  virtual void SetBold(bool bold) { mBold = bold; }
  virtual void SetItalic(bool italic) { mItalic = italic; }
  virtual void SetUnderline(bool underline) { mUnderline = underline; }
  virtual void SetAutoEnable(bool autoEnable) { mAutoEnable = autoEnable; }
  virtual void SetDisabledIcon(RuntimeObject* picture);
  virtual void SetEnabledIcon(RuntimeObject* picture);

  // A nil item, or one without a node, is a failed check. The list takes a reference.
  virtual void AppendChild(RuntimeObject* item);
  // The caller keeps 0 <= position <= count.
  virtual void InsertChild(RuntimeObject* item, int32_t position);
  // Every entry that is item goes, each with its reference; an item that is no child changes
  // nothing.
  virtual void RemoveChild(RuntimeObject* item);
  // A position outside the list raises OutOfBoundsException and changes nothing.
  virtual void RemoveChildAt(int32_t position);

  // The first direct child whose name equals name ignoring case, with a reference for the
  // caller; nil when none does.
  RuntimeObject* FindChildByName(const string& name) const;
  // -1 when item is no child.
  int32_t IndexOfChild(RuntimeObject* item) const;

  int32_t ChildCount() const { return int32_t(mChildren.size()); }
  // Borrowed; the caller keeps 0 <= position < count.
  RuntimeObject* ChildAt(int32_t position) const { return mChildren[position]; }
  const string& Text() const { return mText; }
  const string& Name() const { return mName; }
  const string& CommandKey() const { return mCommandKey; }
  const string& HelpText() const { return mHelpText; }
  const string& DisabledHelpText() const { return mDisabledHelpText; }
  int32_t Index() const { return mIndex; }
  RuntimeObject* Tag() const { return mTag; }
  RuntimeObject* EnabledIcon() const { return mEnabledIcon; }
  RuntimeObject* DisabledIcon() const { return mDisabledIcon; }
  bool IsEnabled() const { return mEnabled; }
  bool IsChecked() const { return mChecked; }
  bool IsVisible() const { return mVisible; }
  bool IsBold() const { return mBold; }
  bool IsItalic() const { return mItalic; }
  bool IsUnderline() const { return mUnderline; }
  bool AutoEnables() const { return mAutoEnable; }

 protected:
  // False, after the failed check, for a nil item or one without a node.
  static bool CheckChild(RuntimeObject* item);

 private:
  SimpleVector<RuntimeObject*> mChildren;
  int32_t mIndex = kNoMenuIndex;
  string mText;
  string mName;
  string mCommandKey;
  RuntimeObject* mTag = nullptr;
  string mHelpText;
  string mDisabledHelpText;
  bool mEnabled = true;
  bool mChecked = false;
  bool mVisible = true;
  bool mBold = false;
  bool mItalic = false;
  bool mUnderline = false;
  bool mAutoEnable = true;
  RuntimeObject* mDisabledIcon = nullptr;
  RuntimeObject* mEnabledIcon = nullptr;
};

// The record of a MenuItem (and MenuBar) object: the header, then the hidden fields compiled
// code reserves; only the first, the node, is used.
struct MenuItemObject {
  RuntimeObject header;
  Menu* mImp;
  uint32_t reserved[5];  // __qvf_mName, __qvf_mTag, __qvf_mIndex, __qvf_mChildren, spare
};
static_assert(sizeof(MenuItemObject) == 48, "MenuItem instances are 48 bytes");

// The node of a MenuItem object; nil for nil.
inline Menu* MenuNodeOf(RuntimeObject* item) {
  return item ? reinterpret_cast<MenuItemObject*>(item)->mImp : nullptr;
}

// The child at position with one reference for the caller; outside the list it raises
// OutOfBoundsException and answers nil.
RuntimeObject* MenuItemChildAt(const Menu* node, int32_t position);
