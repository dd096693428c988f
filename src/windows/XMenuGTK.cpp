// XMenuGTK: the node's tree of copies: cloning, adding and removing children on the master and
// its copies, detaching, and the node's life. Labels, enabling, check marks, icons and
// activation are in XMenuGTKWidgets.cpp.
#include "windows/XMenuGTK.h"

#include "core/RuntimeError.h"
#include "windows/MenuShortcuts.h"
#include "windows/Window.h"

namespace {

// Whether item is node or holds it among its submenus, at any depth.
bool ItemHoldsNode(RuntimeObject* item, const Menu* node) {
  const Menu* itemNode = MenuNodeOf(item);
  if (!itemNode) return false;
  if (itemNode == node) return true;
  for (int32_t i = 0; i < itemNode->ChildCount(); ++i) {
    if (ItemHoldsNode(itemNode->ChildAt(i), node)) return true;
  }
  return false;
}

RuntimeObject* FindObjectOfNode(const Menu* parent, const Menu* target) {
  for (int32_t i = 0; i < parent->ChildCount(); ++i) {
    RuntimeObject* child = parent->ChildAt(i);
    const Menu* node = MenuNodeOf(child);
    if (!node) continue;
    if (node == target) {
      RuntimeLockObject(child);
      return child;
    }
    if (RuntimeObject* found = FindObjectOfNode(node, target)) return found;
  }
  return nullptr;
}

// A reference the node keeps on a widget for its whole life, whoever else holds it.
GtkWidget* Keep(GtkWidget* widget) {
  g_object_ref_sink(widget);
  return widget;
}

void DestroyKept(GtkWidget* widget) {
  if (!widget) return;
  gtk_widget_destroy(widget);
  g_object_unref(widget);
}

}  // namespace

GtkAccelGroup* XMenuGTK::AccelGroup() {
  static GtkAccelGroup* group = gtk_accel_group_new();
  return group;
}

XMenuGTK::XMenuGTK(bool isMenuBar) : mIsMenuBar(isMenuBar), mMaster(this) { AccelGroup(); }

XMenuGTK::~XMenuGTK() {
  if (mDirty) LeaveBatch();
  DetachFromMaster();
  // A master that goes while copies still follow it (one without an object) leaves them on
  // their own.
  for (uint32_t i = 0; i < mCopies.size(); ++i) {
    XMenuGTK* copy = mCopies[int32_t(i)];
    copy->mMaster = copy;
  }
  for (uint32_t i = 0; i < mChildNodes.size(); ++i) delete mChildNodes[int32_t(i)];
  if (GTK_IS_MENU_ITEM(mItemWidget) && mSubmenuWidget) {
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(mItemWidget), nullptr);
  }
  DestroyKept(mItemWidget);
  DestroyKept(mSubmenuWidget);
  DestroyKept(mMenuBarWidget);
  if (mIcon) g_object_unref(mIcon);
  RuntimeUnlockObject(mMasterHolder);
}

GtkWidget* XMenuGTK::SubmenuWidget() {
  ShowChildren();
  return Submenu();
}

GtkWidget* XMenuGTK::MenuBarWidget() {
  ShowChildren();
  return mMenuBarWidget;
}

GtkWidget* XMenuGTK::Submenu() {
  if (mSubmenuWidget) return mSubmenuWidget;
  mSubmenuWidget = Keep(gtk_menu_new());
  gtk_menu_set_accel_group(GTK_MENU(mSubmenuWidget), AccelGroup());
  return mSubmenuWidget;
}

void XMenuGTK::ShowChildren() {
  if (mShowsChildren) return;
  mShowsChildren = true;
  if (mIsMenuBar) mMenuBarWidget = Keep(gtk_menu_bar_new());
  for (uint32_t i = 0; i < mChildNodes.size(); ++i) PlaceChildWidget(mChildNodes[int32_t(i)], -1);
}

void XMenuGTK::PlaceChildWidget(XMenuGTK* c, int32_t position) {
  c->MakeItemWidget();
  GtkWidget* shell = mIsMenuBar ? mMenuBarWidget : Submenu();
  if (!mIsMenuBar && mItemWidget && !gtk_menu_item_get_submenu(GTK_MENU_ITEM(mItemWidget))) {
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(mItemWidget), shell);
  }
  if (position < 0) {
    gtk_menu_shell_append(GTK_MENU_SHELL(shell), c->mItemWidget);
  } else {
    gtk_menu_shell_insert(GTK_MENU_SHELL(shell), c->mItemWidget, position);
  }
  if (mIsMenuBar || c->IsVisible()) gtk_widget_show(c->mItemWidget);
  c->ApplySensitive();
}

// ---- masters and copies ----

XMenuGTK* XMenuGTK::GetMaster() {
  XMenuGTK* master = this;
  while (master->mMaster != master) master = master->mMaster;
  return master;
}

XMenuGTK* XMenuGTK::Clone() {
  XMenuGTK* copy = new XMenuGTK(mIsMenuBar);
  CopyAttributesTo(copy);
  XMenuGTK* master = GetMaster();
  copy->mMaster = master;
  copy->mMasterHolder = master->mOwner;
  RuntimeLockObject(copy->mMasterHolder);
  CopyChildrenTo(copy);
  master->mCopies.Append(copy);
  return copy;
}

void XMenuGTK::CopyChildrenTo(XMenuGTK* target) {
  XMenuGTK* master = GetMaster();
  for (int32_t i = 0; i < master->ChildCount(); ++i) target->AppendChild(master->ChildAt(i));
}

void XMenuGTK::DetachFromMaster() {
  Unregister();
  if (mMaster != this) mMaster->mCopies.RemoveLast(this);
  for (uint32_t i = 0; i < mChildNodes.size(); ++i) mChildNodes[int32_t(i)]->DetachFromMaster();
}

// ---- the tree ----

XMenuGTK* XMenuGTK::TopNode() {
  XMenuGTK* top = this;
  while (top->mParent) top = top->mParent;
  return top;
}

RuntimeObject* XMenuGTK::FindItemForNode(XMenuGTK* node) {
  return node ? FindObjectOfNode(this, node->GetMaster()) : nullptr;
}

void XMenuGTK::AttachToWindow(Window* window) {
  mWindow = window;
  SyncAccelerators();
  if (!window) return;
  GObject* gtkWindow = G_OBJECT(window->GetGtkWindow());
  GSList* groups = gtk_accel_groups_from_object(gtkWindow);
  if (!g_slist_find(groups, AccelGroup())) {
    gtk_window_add_accel_group(window->GetGtkWindow(), AccelGroup());
  }
}

// ---- children ----

void XMenuGTK::DetachFromWindow() {
  mWindow = nullptr;
  SyncAccelerators();
}

void XMenuGTK::SetPoppedUp(bool poppedUp) {
  mPoppedUp = poppedUp;
  SyncAccelerators();
}

bool XMenuGTK::CheckNotInsideItself(RuntimeObject* item) {
  return QV_CHECK_TEXT(!ItemHoldsNode(item, GetMaster()), "the menu is not inside itself",
                       nullptr);
}

void XMenuGTK::AppendChild(RuntimeObject* item) { AddChildAt(item, -1); }

void XMenuGTK::InsertChild(RuntimeObject* item, int32_t position) {
  if (!QV_CHECK_TEXT(position >= 0 && position <= ChildCount(), "position", nullptr)) return;
  AddChildAt(item, position);
}

void XMenuGTK::AddChildAt(RuntimeObject* item, int32_t position) {
  if (!CheckChild(item) || !CheckNotInsideItself(item)) return;
  XMenuGTK* c = XMenuNodeOf(item)->Clone();
  if (position < 0) {
    Menu::AppendChild(item);
    mChildNodes.Append(c);
  } else {
    Menu::InsertChild(item, position);
    mChildNodes.InsertAt(position, c);
  }
  AttachChildNode(c, position);
  for (uint32_t i = 0; i < mCopies.size(); ++i) mCopies[int32_t(i)]->AddChildAt(item, position);
}

// An item with a submenu carries no shortcut.
void XMenuGTK::AttachChildNode(XMenuGTK* c, int32_t position) {
  c->mParent = this;
  if (!mIsMenuBar && !CommandKey().IsEmpty()) SetCommandKey(string());
  mHasSubmenu = true;
  if (mShowsChildren) PlaceChildWidget(c, position);
}

void XMenuGTK::RemoveChild(RuntimeObject* item) {
  const int32_t position = IndexOfChild(item);
  if (position >= 0) RemoveChildAt(position);
}

void XMenuGTK::RemoveChildAt(int32_t position) { GetMaster()->RemoveChildAtIndex(position); }

// Only the entry at position leaves the child list, so that the list and the child copies
// stay in step when one item is a child twice.
void XMenuGTK::RemoveChildAtIndex(int32_t position) {
  RuntimeObject* item = MenuItemChildAt(this, position);
  if (!item) return;
  XMenuGTK* removed = mChildNodes[position];
  if (mShowsChildren) {
    gtk_container_remove(GTK_CONTAINER(mIsMenuBar ? mMenuBarWidget : Submenu()),
                         removed->mItemWidget);
  }
  for (uint32_t i = 0; i < mCopies.size(); ++i) {
    mCopies[int32_t(i)]->RemoveChildAtIndex(position);
  }
  Menu::RemoveChildAt(position);
  mChildNodes.RemoveAt(position);
  delete removed;
  RuntimeUnlockObject(item);
}
