// XMenuGTK: the menu tree node on GTK+ 2. A node shown somewhere has a GtkImageMenuItem (a
// GtkSeparatorMenuItem while its text is "-"), a GtkMenu for its children (made with the first
// child, or when the menu pops up) and, for a menu bar, a GtkMenuBar.
//
// Widgets are made when they are first shown: a menu bar when a window packs it, a menu when it
// pops up, and then the items of every menu inside a shown one, as they come. Until then a node
// is its attributes alone, so the masters and the copies that no window shows (a MenuBar
// object's own tree, say) cost no widgets.
//
// Masters and copies: a GTK widget sits in one parent only, while one MenuItem object may be
// shown in many places (each window's menu bar, several parent menus, a contextual menu). The
// node a MenuItem object owns is the master; wherever the item is added to a menu, a copy of
// its master (Clone) goes there, with copies of all its children, and the copy's widget goes
// into the parent's GtkMenu. Every change is made on the master and repeated on its copies,
// so all views of one item stay alike.
//
// Invariants:
//   - A copy holds a reference on the object that owns its master, so no copy ever points at
//     a freed master; only masters have copies, and a master's copies vector lists the copies
//     that follow it (a detached copy keeps its master but follows it no more).
//   - childNodes[i] is the copy shown for child i of the node's child list, its widget at
//     place i of the node's GtkMenu (or GtkMenuBar). The node owns those copies and deletes
//     them, each with its own child copies, when the child goes or the node does.
//   - A menu never holds itself, directly or through its submenus: such an append or insert
//     is refused with a report.
//   - The shortcut table (MenuShortcuts.h) holds at most one entry per node; separators and
//     deleted nodes have none.
//
// Accelerators: only the widgets of a tree that is a window's menu bar, or that is popped up,
// carry the GTK accelerator of their shortcut; nowhere else could one be seen or activated, and
// every
// accelerator added to or removed from the shared group is announced to each accelerator label
// of the group.
//
// Enabling: during a MenuWidgetBatch the widgets' sensitivity is brought in line with the
// flags once, when the outermost batch ends, instead of at every change.
#pragma once

#include <gtk/gtk.h>

#include "core/SimpleVector.h"
#include "windows/Menu.h"

class Window;
class XMenuGTK;

// Gets the node that was activated (a copy shown in a menu) instead of the menu dispatch.
using MenuActivateHandler = void (*)(XMenuGTK* activated);

class XMenuGTK : public Menu {
 public:
  explicit XMenuGTK(bool isMenuBar);
  ~XMenuGTK() override;

  // ---- attributes: the master, then each copy ----
  // Enabling a node that is no separator enables its parent too.
  void Enable() override;
  // A title of a menu bar stays sensitive.
  void Disable() override;
  void SetText(const string& text) override;
  void SetName(const string& name) override;
  void SetIndex(int32_t index) override;
  void SetTag(RuntimeObject* tag) override;
  // Checking reserves the image column with a transparent placeholder when there is no icon.
  void SetChecked(bool checked) override;
  void SetVisible(bool visible) override;
  void SetCommandKey(const string& key) override;
  void SetBold(bool bold) override;
  void SetItalic(bool italic) override;
  void SetUnderline(bool underline) override;
  // A picture without pixels changes nothing; nil removes the icon.
  void SetEnabledIcon(RuntimeObject* picture) override;

  // ---- children ----
  // The item's master is copied into this node's menu, then the same on every copy.
  void AppendChild(RuntimeObject* item) override;
  void InsertChild(RuntimeObject* item, int32_t position) override;
  // The first entry that is item, through RemoveChildAt.
  void RemoveChild(RuntimeObject* item) override;
  // RemoveChildAtIndex on the master.
  void RemoveChildAt(int32_t position) override;
  // The child at position leaves this node and every copy (out of range: OutOfBoundsException).
  void RemoveChildAtIndex(int32_t position);

  // ---- masters and copies ----
  // A new copy of this node's master, with copies of its children, following the master.
  XMenuGTK* Clone();
  // Appends each child of this node's master to target.
  void CopyChildrenTo(XMenuGTK* target);
  XMenuGTK* GetMaster();
  // Leaves the master's copies (and the shortcut table), and so do the child copies.
  void DetachFromMaster();
  // The MenuItem object that owns this master (not held).
  void SetOwner(RuntimeObject* owner) { mOwner = owner; }
  const SimpleVector<XMenuGTK*>& Copies() const { return mCopies; }
  const SimpleVector<XMenuGTK*>& ChildNodes() const { return mChildNodes; }

  // ---- the tree ----
  XMenuGTK* GetParent() const { return mParent; }
  // The node at the top of the parent links.
  XMenuGTK* TopNode();
  bool IsSeparator() const { return mIsSeparator; }
  bool HasSubmenu() const { return mHasSubmenu; }
  bool IsMenuBar() const { return mIsMenuBar; }
  bool ParentIsMenuBar() const { return mParent && mParent->mIsMenuBar; }
  // The child object (depth first, in child order) whose node is node's master, with a
  // reference for the caller; nil when there is none.
  RuntimeObject* FindItemForNode(XMenuGTK* node);

  // ---- activation and windows ----
  void SetActivateHandler(MenuActivateHandler handler) { mActivateHandler = handler; }
  MenuActivateHandler GetActivateHandler() const { return mActivateHandler; }
  // What the handler's owner keeps with the node (a plain pointer, no object).
  void SetActivateContext(void* context) { mActivateContext = context; }
  void* GetActivateContext() const { return mActivateContext; }
  // This tree is window's menu bar: its widgets take their accelerators, and the shared group
  // reaches the window.
  void AttachToWindow(Window* window);
  // The tree is no window's any more: its widgets give their accelerators back.
  void DetachFromWindow();
  // While the node's menu pops up, its tree shows its accelerators as a window's does.
  void SetPoppedUp(bool poppedUp);
  Window* GetWindow() const { return mWindow; }

  // ---- widgets ----
  // Nil while the node is shown nowhere.
  GtkWidget* ItemWidget() const { return mItemWidget; }
  // The menu bar and the GtkMenu of the children, with the children's items in them, made on
  // first use.
  GtkWidget* MenuBarWidget();
  GtkWidget* SubmenuWidget();

  // The one accelerator group of every menu.
  static GtkAccelGroup* AccelGroup();

 private:
  friend class MenuWidgetBatch;
  friend struct MenuNodeSignals;

  // Runs change on the master, then on each of its copies.
  template <typename Change>
  void OnMasterAndCopies(Change change);
  void EnableOne();
  void DisableOne();
  void SetCheckedOne(bool checked);
  void SetEnabledIconOne(RuntimeObject* picture, GdkPixbuf* icon);
  // Label, style, accelerator and shortcut entry after a change of the text or of the shortcut;
  // a change to or from "-" swaps the widget in place.
  void RefreshMenuLabel();
  // The item widget carries the accelerator of the shortcut while the tree is a window's menu
  // bar, else none; for the node and its child copies.
  void SyncAccelerators();
  void SyncAccelerator();
  void Unregister();
  void ApplyMenuLabelStyle();
  // The widget follows the enabled flag (a menu bar's titles stay sensitive); deferred while
  // a batch runs.
  void SyncSensitive();
  void ApplySensitive();
  // Leaves the batch's list of nodes waiting for their widgets.
  void LeaveBatch();
  // newWidget takes the item widget's place (in its menu too), with the submenu and signals.
  void ReplaceItemWidget(GtkWidget* newWidget);
  void ConnectItemSignals();
  // Gives c this node's attributes, as Clone does.
  void CopyAttributesTo(XMenuGTK* c);
  // c becomes this node's child copy; its widget goes in at position (-1: the end) when this
  // node shows its children.
  void AttachChildNode(XMenuGTK* c, int32_t position);
  // From now on the children's items are in this node's shell (the menu bar, or the GtkMenu).
  void ShowChildren();
  void PlaceChildWidget(XMenuGTK* c, int32_t position);
  GtkWidget* Submenu();
  // The item widget, made as the node is, with its children shown.
  void MakeItemWidget();
  // Label text, style and accelerator of the item widget; its image (icon, check placeholder).
  void ShowLabel();
  void ShowImage();
  // False, after a report, when item is this node's master or holds it in its submenus.
  bool CheckNotInsideItself(RuntimeObject* item);
  void AddChildAt(RuntimeObject* item, int32_t position);

  MenuActivateHandler mActivateHandler = nullptr;
  void* mActivateContext = nullptr;
  Window* mWindow = nullptr;
  XMenuGTK* mParent = nullptr;
  bool mHasSubmenu = false;
  bool mIsSeparator = false;
  bool mIsMenuBar;
  bool mDirty = false;  // waiting for the batch's end
  bool mStyled = false;
  bool mShowsChildren = false;
  bool mPoppedUp = false;
  bool mRegistered = false;  // the node has an entry in the shortcut table
  guint mAccelKey = 0;       // the accelerator the item widget carries (0: none)
  GdkModifierType mAccelModifiers{};
  XMenuGTK* mMaster;
  RuntimeObject* mOwner = nullptr;       // a master's object
  RuntimeObject* mMasterHolder = nullptr;  // a copy's reference on its master's object
  SimpleVector<XMenuGTK*> mCopies;
  SimpleVector<XMenuGTK*> mChildNodes;
  GtkWidget* mMenuBarWidget = nullptr;
  GtkWidget* mSubmenuWidget = nullptr;
  GtkWidget* mItemWidget = nullptr;
  GdkPixbuf* mIcon = nullptr;  // the shown icon's pixels, shared by the copies
};

// While one exists, menu widgets follow their enabled flags only when the outermost ends.
class MenuWidgetBatch {
 public:
  MenuWidgetBatch();
  ~MenuWidgetBatch();
  MenuWidgetBatch(const MenuWidgetBatch&) = delete;
  MenuWidgetBatch& operator=(const MenuWidgetBatch&) = delete;
};

// The node of a MenuItem object as the GTK node; nil for nil.
inline XMenuGTK* XMenuNodeOf(RuntimeObject* item) {
  return static_cast<XMenuGTK*>(MenuNodeOf(item));
}

// The RGBA pixels an icon shows: picture's pixels with their alpha from mask (read only where
// mask covers them) or, without a mask, with pure white transparent when whiteIsTransparent.
// One reference for the caller; nil for nil pixels.
GdkPixbuf* MenuIconPixels(GdkPixbuf* pixels, GdkPixbuf* mask, bool whiteIsTransparent);
// The icon a Picture gives a menu item or a tool button: its pixels through MenuIconPixels with
// its Mask and its Transparent flag. One reference for the caller; nil for a picture without
// pixels.
GdkPixbuf* PictureIconPixels(RuntimeObject* picture);

// ---- template definitions ----

template <typename Change>
void XMenuGTK::OnMasterAndCopies(Change change) {
  XMenuGTK* master = GetMaster();
  change(master);
  for (uint32_t i = 0; i < master->mCopies.size(); ++i) change(master->mCopies[int32_t(i)]);
}
