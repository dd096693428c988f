// XMenuGTK: what the widgets show. Attributes are changed on the master and then on each copy;
// labels carry the mnemonic text, the style and the accelerator of the shortcut; enabling
// follows the flag (at the end of a batch while one runs); checked items draw a check mark
// over their image column; icons show the picture's pixels; activation leads to the menu
// command.
#include <cstring>

#include "core/RuntimeError.h"
#include "graphics/PictureClass.h"
#include "strings/TextStyle.h"
#include "windows/GtkLabels.h"
#include "windows/MenuDispatch.h"
#include "windows/MenuShortcuts.h"
#include "windows/PixbufAlpha.h"
#include "windows/WindowOrder.h"
#include "windows/XMenuGTK.h"

namespace {

int32_t gBatchDepth = 0;
SimpleVector<XMenuGTK*> gWaitingNodes;  // nodes whose widgets wait for the batch's end

constexpr int32_t kPlaceholderSize = 16;
constexpr int32_t kCheckWidth = 20;

// The fully transparent image that keeps the image column of a checked item free.
GdkPixbuf* CheckPlaceholder() {
  static GdkPixbuf* placeholder = [] {
    GdkPixbuf* pixbuf =
        gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, kPlaceholderSize, kPlaceholderSize);
    gdk_pixbuf_fill(pixbuf, 0);
    return pixbuf;
  }();
  return placeholder;
}

GtkWidget* ShownImage(GdkPixbuf* pixbuf) {
  GtkWidget* image = gtk_image_new_from_pixbuf(pixbuf);
  gtk_widget_show(image);
  return image;
}

GtkWidget* ItemLabel(GtkWidget* item) {
  GtkWidget* child = gtk_bin_get_child(GTK_BIN(item));
  return GTK_IS_LABEL(child) ? child : nullptr;
}

}  // namespace

// ---- signals ----

struct MenuNodeSignals {
  // Items with a submenu and disabled ones do nothing; an activation handler of the node or
  // an ancestor takes the choice; otherwise the item's menu command runs.
  static void OnMenuItemActivate(GtkWidget*, XMenuGTK* node) {
    if (!QV_CHECK_TEXT(node, "parent", nullptr)) return;
    if (node->HasSubmenu() || !node->IsEnabled()) return;
    for (XMenuGTK* n = node; n; n = n->GetParent()) {
      if (MenuActivateHandler handler = n->GetActivateHandler()) {
        handler(node);
        return;
      }
    }
    RuntimeObject* item = node->TopNode()->FindItemForNode(node);
    if (!item) return;
    DispatchMenuCommand(item, FrontNativeWindow());
    RuntimeUnlockObject(item);
  }

  // A checked item draws its check mark in the image column, over what GTK drew.
  static gboolean OnMenuItemExpose(GtkWidget* widget, GdkEventExpose* event, XMenuGTK* node) {
    if (!node->IsChecked() || node->HasSubmenu() || node->IsSeparator()) return FALSE;
    GTK_WIDGET_GET_CLASS(widget)->expose_event(widget, event);
    const GtkAllocation& place = widget->allocation;
    gtk_paint_check(widget->style, widget->window, GtkStateType(GTK_WIDGET_STATE(widget)),
                    GTK_SHADOW_IN, &event->area, widget, "check", place.x, place.y, kCheckWidth,
                    place.height);
    return TRUE;
  }
};

void XMenuGTK::ConnectItemSignals() {
  g_signal_connect(mItemWidget, "activate", G_CALLBACK(MenuNodeSignals::OnMenuItemActivate),
                   this);
  g_signal_connect(mItemWidget, "expose-event",
                   G_CALLBACK(MenuNodeSignals::OnMenuItemExpose), this);
}

// ---- attributes ----

void XMenuGTK::SetText(const string& text) {
  OnMasterAndCopies([&](XMenuGTK* n) {
    n->Menu::SetText(text);
    n->RefreshMenuLabel();
  });
}

void XMenuGTK::SetCommandKey(const string& key) {
  OnMasterAndCopies([&](XMenuGTK* n) {
    n->Menu::SetCommandKey(key);
    n->RefreshMenuLabel();
  });
}

void XMenuGTK::SetName(const string& name) {
  OnMasterAndCopies([&](XMenuGTK* n) { n->Menu::SetName(name); });
}

void XMenuGTK::SetIndex(int32_t index) {
  OnMasterAndCopies([&](XMenuGTK* n) { n->Menu::SetIndex(index); });
}

void XMenuGTK::SetTag(RuntimeObject* tag) {
  OnMasterAndCopies([&](XMenuGTK* n) { n->Menu::SetTag(tag); });
}

void XMenuGTK::SetVisible(bool visible) {
  OnMasterAndCopies([&](XMenuGTK* n) {
    n->Menu::SetVisible(visible);
    if (!n->mItemWidget) return;
    if (visible) {
      gtk_widget_show(n->mItemWidget);
    } else {
      gtk_widget_hide(n->mItemWidget);
    }
  });
}

void XMenuGTK::SetBold(bool bold) {
  OnMasterAndCopies([&](XMenuGTK* n) {
    n->Menu::SetBold(bold);
    n->ApplyMenuLabelStyle();
  });
}

void XMenuGTK::SetItalic(bool italic) {
  OnMasterAndCopies([&](XMenuGTK* n) {
    n->Menu::SetItalic(italic);
    n->ApplyMenuLabelStyle();
  });
}

void XMenuGTK::SetUnderline(bool underline) {
  OnMasterAndCopies([&](XMenuGTK* n) {
    n->Menu::SetUnderline(underline);
    n->ApplyMenuLabelStyle();
  });
}

// The setters' work without their repeats: the copy is new, and follows nobody yet.
void XMenuGTK::CopyAttributesTo(XMenuGTK* c) {
  c->Menu::SetIndex(Index());
  c->Menu::SetName(Name());
  c->Menu::SetText(Text());
  c->Menu::SetBold(IsBold());
  c->Menu::SetItalic(IsItalic());
  c->Menu::SetUnderline(IsUnderline());
  c->Menu::SetAutoEnable(AutoEnables());
  c->Menu::SetCommandKey(CommandKey());
  c->Menu::SetVisible(IsVisible());
  c->Menu::SetTag(Tag());
  c->Menu::SetEnabledIcon(EnabledIcon());
  c->Menu::SetChecked(IsChecked());
  if (IsEnabled()) {
    c->Menu::Enable();
  } else {
    c->Menu::Disable();
  }
  if (mIcon) c->mIcon = GDK_PIXBUF(g_object_ref(mIcon));
  c->RefreshMenuLabel();
}

// ---- widgets ----

void XMenuGTK::MakeItemWidget() {
  if (mItemWidget) return;
  mItemWidget = mIsSeparator ? gtk_separator_menu_item_new()
                             : gtk_image_menu_item_new_with_label("");
  g_object_ref_sink(mItemWidget);
  if (!mIsSeparator) {
    ConnectItemSignals();
    ShowLabel();
    if (mIcon || IsChecked()) ShowImage();
  }
  ShowChildren();
}

void XMenuGTK::ShowLabel() {
  if (!mItemWidget || mIsSeparator) return;
  if (GtkWidget* label = ItemLabel(mItemWidget)) {
    gtk_label_set_text_with_mnemonic(GTK_LABEL(label), MnemonicText(Text()).CString());
  }
  ApplyMenuLabelStyle();
  SyncAccelerator();
}

// The icon, else while checked the placeholder that keeps the image column.
void XMenuGTK::ShowImage() {
  if (!mItemWidget || mIsSeparator) return;
  GtkWidget* image = mIcon ? ShownImage(mIcon)
                           : IsChecked() ? ShownImage(CheckPlaceholder()) : nullptr;
  gtk_image_menu_item_set_image(GTK_IMAGE_MENU_ITEM(mItemWidget), image);
}

// ---- labels ----

void XMenuGTK::RefreshMenuLabel() {
  if (Text().CompareWithCase("-") == 0) {
    if (mIsSeparator) return;
    mIsSeparator = true;
    Unregister();  // a separator never runs a command
    if (mItemWidget) ReplaceItemWidget(gtk_separator_menu_item_new());
    return;
  }
  if (mIsSeparator) {
    mIsSeparator = false;
    if (mItemWidget) ReplaceItemWidget(gtk_image_menu_item_new_with_label(""));
  }
  ShowLabel();
  Unregister();
  const string keyPart = KeyPartOfShortcut(CommandKey());
  if (keyPart.IsEmpty()) return;
  RegisterMenuShortcut(this, keyPart, ShortcutModifiers(CommandKey()));
  mRegistered = true;
}

void XMenuGTK::Unregister() {
  if (!mRegistered) return;
  UnregisterMenuShortcut(this);
  mRegistered = false;
}

void XMenuGTK::SyncAccelerators() {
  SyncAccelerator();
  for (uint32_t i = 0; i < mChildNodes.size(); ++i) mChildNodes[int32_t(i)]->SyncAccelerators();
}

void XMenuGTK::SyncAccelerator() {
  const XMenuGTK* top = TopNode();
  const bool shown = mItemWidget && !mIsSeparator && (top->mWindow || top->mPoppedUp);
  const guint key = shown ? ShortcutKeyval(CommandKey()) : 0;
  const auto modifiers = GdkModifierType(key ? ShortcutModifiers(CommandKey()) : 0);
  if (key == mAccelKey && modifiers == mAccelModifiers) return;
  if (mAccelKey) {
    gtk_widget_remove_accelerator(mItemWidget, AccelGroup(), mAccelKey, mAccelModifiers);
  }
  mAccelKey = key;
  mAccelModifiers = modifiers;
  if (key) {
    gtk_widget_add_accelerator(mItemWidget, "activate", AccelGroup(), key, modifiers,
                               GTK_ACCEL_VISIBLE);
  }
}

// A label never styled keeps the theme's font as it is.
void XMenuGTK::ApplyMenuLabelStyle() {
  if (mIsSeparator || !mItemWidget) return;
  if (!mStyled && !IsBold() && !IsItalic() && !IsUnderline()) return;
  GtkWidget* label = ItemLabel(mItemWidget);
  if (!label) return;
  mStyled = true;
  FontSpec font;
  font.bold = IsBold();
  font.italic = IsItalic();
  font.underline = IsUnderline();
  SetWidgetFont(label, font);
}

void XMenuGTK::ReplaceItemWidget(GtkWidget* newWidget) {
  GtkWidget* old = mItemWidget;
  g_object_ref_sink(newWidget);
  mItemWidget = newWidget;
  mAccelKey = 0;  // the old widget takes its accelerator with it
  mAccelModifiers = GdkModifierType(0);
  if (GTK_IS_MENU_ITEM(old) && mSubmenuWidget && mHasSubmenu) {
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(old), nullptr);
  }
  if (!mIsSeparator) {
    ConnectItemSignals();
    ShowImage();
    if (mSubmenuWidget && mHasSubmenu) {
      gtk_menu_item_set_submenu(GTK_MENU_ITEM(newWidget), mSubmenuWidget);
    }
  }
  if (GtkWidget* shell = gtk_widget_get_parent(old)) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(shell));
    const gint position = g_list_index(children, old);
    g_list_free(children);
    gtk_container_remove(GTK_CONTAINER(shell), old);
    gtk_menu_shell_insert(GTK_MENU_SHELL(shell), newWidget, position);
    if (IsVisible()) gtk_widget_show(newWidget);
  }
  gtk_widget_destroy(old);
  g_object_unref(old);
  ApplySensitive();
}

// ---- enabling ----

void XMenuGTK::Enable() {
  OnMasterAndCopies([](XMenuGTK* n) { n->EnableOne(); });
}

void XMenuGTK::Disable() {
  OnMasterAndCopies([](XMenuGTK* n) { n->DisableOne(); });
}

// Every disabled menu above is enabled (an enabled one needs nothing more).
void XMenuGTK::EnableOne() {
  Menu::Enable();
  if (mIsSeparator) return;
  for (XMenuGTK* above = mParent; above; above = above->mParent) {
    if (!above->IsEnabled()) above->Enable();
  }
  SyncSensitive();
}

void XMenuGTK::DisableOne() {
  Menu::Disable();
  if (ParentIsMenuBar() || mIsSeparator) return;
  SyncSensitive();
}

void XMenuGTK::SyncSensitive() {
  if (!mItemWidget) return;
  if (gBatchDepth == 0) {
    ApplySensitive();
    return;
  }
  if (mDirty) return;
  mDirty = true;
  gWaitingNodes.Append(this);
}

void XMenuGTK::ApplySensitive() {
  if (!mItemWidget || mIsSeparator) return;
  gtk_widget_set_sensitive(mItemWidget, IsEnabled() || ParentIsMenuBar());
}

void XMenuGTK::LeaveBatch() {
  gWaitingNodes.RemoveAll(this);
  mDirty = false;
}

MenuWidgetBatch::MenuWidgetBatch() { ++gBatchDepth; }

MenuWidgetBatch::~MenuWidgetBatch() {
  if (--gBatchDepth > 0) return;
  SimpleVector<XMenuGTK*> waiting;
  std::swap(waiting, gWaitingNodes);
  for (uint32_t i = 0; i < waiting.size(); ++i) {
    XMenuGTK* node = waiting[int32_t(i)];
    node->mDirty = false;
    node->ApplySensitive();
  }
}

// ---- check marks ----

void XMenuGTK::SetChecked(bool checked) {
  OnMasterAndCopies([&](XMenuGTK* n) { n->SetCheckedOne(checked); });
}

void XMenuGTK::SetCheckedOne(bool checked) {
  Menu::SetChecked(checked);
  if (!mItemWidget || mIsSeparator) return;
  if (!mIcon) ShowImage();
  gtk_widget_queue_draw(mItemWidget);
}

// ---- icons ----

GdkPixbuf* MenuIconPixels(GdkPixbuf* pixels, GdkPixbuf* mask, bool whiteIsTransparent) {
  if (!pixels) return nullptr;
  GdkPixbuf* icon = gdk_pixbuf_add_alpha(pixels, FALSE, 0, 0, 0);
  if (!icon) return nullptr;
  if (mask) {
    AlphaFromMask(icon, mask);
  } else if (whiteIsTransparent) {
    WhiteToTransparent(icon);
  }
  return icon;
}

GdkPixbuf* PictureIconPixels(RuntimeObject* picture) {
  GdkPixbuf* pixels = picture ? PictureImage(picture) : nullptr;
  if (!pixels) return nullptr;
  const auto* fields = reinterpret_cast<const PictureObject*>(picture);
  GdkPixbuf* mask = fields->mask ? PictureImage(fields->mask) : nullptr;
  return MenuIconPixels(pixels, mask, fields->transparent != 0);
}

// A picture without pixels changes nothing, not even the icon kept.
void XMenuGTK::SetEnabledIcon(RuntimeObject* picture) {
  if (picture && !PictureImage(picture)) return;
  GdkPixbuf* icon = PictureIconPixels(picture);
  OnMasterAndCopies([&](XMenuGTK* n) { n->SetEnabledIconOne(picture, icon); });
  if (icon) g_object_unref(icon);
}

void XMenuGTK::SetEnabledIconOne(RuntimeObject* picture, GdkPixbuf* icon) {
  Menu::SetEnabledIcon(picture);
  if (icon) g_object_ref(icon);
  if (mIcon) g_object_unref(mIcon);
  mIcon = icon;
  ShowImage();
}
