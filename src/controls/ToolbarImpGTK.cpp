#include "controls/ToolItems.h"
#include "controls/ToolbarImp.h"
#include "core/RuntimeError.h"
#include "graphics/PangoFonts.h"
#include "strings/Mnemonic.h"
#include "windows/GtkSymbols.h"
#include "windows/Window.h"
#include "windows/XMenuGTK.h"

namespace {

using NewToolItemFunction = GtkToolItem* (*)();
using NewToolButtonFunction = GtkToolItem* (*)(GtkWidget* icon, const gchar* label);
using ToolbarInsertFunction = void (*)(GtkToolbar* toolbar, GtkToolItem* item, gint index);
using SetIconFunction = void (*)(GtkToolButton* button, GtkWidget* icon);
using SetLabelFunction = void (*)(GtkToolButton* button, const gchar* label);
using SetTooltipFunction = void (*)(GtkToolItem* item, GtkTooltips* tooltips, const gchar* text,
                                    const gchar* privateText);
using SetActiveFunction = void (*)(GtkToggleToolButton* button, gboolean active);
using GetActiveFunction = gboolean (*)(GtkToggleToolButton* button);

// The tool-item functions, present only when all eight are (decided on first use).
struct ToolItemApi {
  NewToolButtonFunction newButton = nullptr;
  NewToolItemFunction newToggle = nullptr;
  NewToolItemFunction newSeparator = nullptr;
  ToolbarInsertFunction insert = nullptr;
  SetIconFunction setIcon = nullptr;
  SetLabelFunction setLabel = nullptr;
  SetTooltipFunction setTooltip = nullptr;
  SetActiveFunction setActive = nullptr;
  bool present = false;
};

OptionalGtkFunction gToolButtonNew("gtk_tool_button_new");
OptionalGtkFunction gToggleToolButtonNew("gtk_toggle_tool_button_new");
OptionalGtkFunction gSeparatorToolItemNew("gtk_separator_tool_item_new");
OptionalGtkFunction gToolbarInsert("gtk_toolbar_insert");
OptionalGtkFunction gToolButtonSetIconWidget("gtk_tool_button_set_icon_widget");
OptionalGtkFunction gToolButtonSetLabel("gtk_tool_button_set_label");
OptionalGtkFunction gToolItemSetTooltip("gtk_tool_item_set_tooltip");
OptionalGtkFunction gToggleToolButtonSetActive("gtk_toggle_tool_button_set_active");
OptionalGtkFunction gToggleToolButtonGetActive("gtk_toggle_tool_button_get_active");

const ToolItemApi& ToolItems() {
  static const ToolItemApi api = [] {
    ToolItemApi a;
    a.newButton = gToolButtonNew.As<NewToolButtonFunction>();
    a.newToggle = gToggleToolButtonNew.As<NewToolItemFunction>();
    a.newSeparator = gSeparatorToolItemNew.As<NewToolItemFunction>();
    a.insert = gToolbarInsert.As<ToolbarInsertFunction>();
    a.setIcon = gToolButtonSetIconWidget.As<SetIconFunction>();
    a.setLabel = gToolButtonSetLabel.As<SetLabelFunction>();
    a.setTooltip = gToolItemSetTooltip.As<SetTooltipFunction>();
    a.setActive = gToggleToolButtonSetActive.As<SetActiveFunction>();
    a.present = a.newButton && a.newToggle && a.newSeparator && a.insert && a.setIcon &&
                a.setLabel && a.setTooltip && a.setActive;
    return a;
  }();
  return api;
}

// Valid UTF-8 text of a string field; empty stays empty (GTK gets nil for it).
std::string TextOf(stringStorage* text) {
  if (!text) return {};
  return TextForPango(string(text)).CString();
}
const char* OrNil(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

// The button's icon as a shown GtkImage, or nil: the picture's pixels with alpha from its Mask,
// or white transparent when the picture is Transparent.
GtkWidget* IconImage(const ToolButtonObject* button) {
  GdkPixbuf* icon = PictureIconPixels(button->icon);
  if (!icon) return nullptr;
  GtkWidget* image = gtk_image_new_from_pixbuf(icon);
  g_object_unref(icon);
  gtk_widget_show(image);
  return image;
}

int32_t WidgetKey(GtkWidget* widget) { return int32_t(reinterpret_cast<uintptr_t>(widget)); }

}  // namespace

ToolbarImpGTK::ToolbarImpGTK(RuntimeObject* toolbar, const ObjectHook* actionHook,
                             SubPane* owner, int32_t panelIndex, const QV::Rect& bounds)
    : ToolbarImp(toolbar, actionHook, owner, panelIndex, bounds) {
  GtkWidget* widget = gtk_toolbar_new();
  SetWidget(widget);
  Window* window = GetWindow();
  if (!QV_CHECK_TEXT(window, "window", nullptr)) return;
  gtk_box_pack_start(window->BarBox(), widget, FALSE, FALSE, 0);
  gtk_widget_show(widget);
  window->AddToolbar(widget);
}

ToolbarImpGTK::~ToolbarImpGTK() {
  GtkWidget* widget = GetWidget();
  if (Window* window = GetWindow(); window && widget) {
    window->RemoveToolbar(widget);
    if (GtkWidget* parent = gtk_widget_get_parent(widget)) {
      gtk_container_remove(GTK_CONTAINER(parent), widget);
    }
  }
  mWidgets.Clear();
}

void ToolbarImpGTK::SetBounds(const QV::Rect&, bool) {}

void ToolbarImpGTK::ShowWidget(bool show) {
  SubPane::ShowWidget(show);
  RelayoutWindow();
}

void ToolbarImpGTK::RelayoutWindow() {
  if (Window* window = GetWindow()) window->ResizeTo(window->Width(), window->Height(), true);
}

void ToolbarImpGTK::AppendItem(RuntimeObject* item) { InsertItem(ItemCount(), item); }

GtkWidget* ToolbarImpGTK::ItemWidget(int32_t index) {
  if (index < 0 || index >= int32_t(mWidgets.size())) return nullptr;
  return mWidgets[index];
}

int32_t ToolbarImpGTK::IndexOfWidget(GtkWidget* widget) {
  for (uint32_t i = 0; i < mWidgets.size(); ++i) {
    if (mWidgets[int32_t(i)] == widget) return int32_t(i);
  }
  return -1;
}

void ToolbarImpGTK::InsertItem(int32_t index, RuntimeObject* item) {
  const ToolButtonObject* button = AsToolButton(item);
  GtkToolbar* toolbar = GTK_TOOLBAR(GetWidget());
  if (!button || !toolbar || index < 0 || index > ItemCount()) return;
  ToolbarImp::InsertItem(index, item);
  const ToolItemApi& api = ToolItems();
  if (button->style == kToolButtonSeparator) {
    GtkWidget* separator = nullptr;
    if (api.present) {
      separator = GTK_WIDGET(api.newSeparator());
      gtk_widget_show(separator);
      api.insert(toolbar, GTK_TOOL_ITEM(separator), index);
    } else {
      gtk_toolbar_insert_space(toolbar, index);
    }
    mWidgets.InsertAt(index, separator);
    return;
  }
  GtkWidget* image = IconImage(button);
  if (!api.present) {
    InsertOlderItem(index, item, image);
    return;
  }
  GtkWidget* widget = NewToolItem(item, image);
  gtk_widget_set_sensitive(widget, button->item.enabled != 0);
  gtk_widget_show(widget);
  api.insert(toolbar, GTK_TOOL_ITEM(widget), index);
  const std::string tip = TextOf(button->item.helpTag);
  api.setTooltip(GTK_TOOL_ITEM(widget), GetTooltips(), OrNil(tip), nullptr);
  if (GTK_WIDGET(toolbar)->window) {
    const gulong id =
        g_signal_connect(widget, "expose-event", G_CALLBACK(&ToolbarImpGTK::OnFirstExpose), this);
    mExposeHandlers.AddEntry(WidgetKey(widget), id);
  }
  mWidgets.InsertAt(index, widget);
}

GtkWidget* ToolbarImpGTK::NewToolItem(RuntimeObject* item, GtkWidget* image) {
  const ToolItemApi& api = ToolItems();
  const ToolButtonObject* button = AsToolButton(item);
  const std::string caption = TextOf(StripMnemonic(string(button->caption)).Storage());
  if (button->style != kToolButtonToggle) {
    GtkWidget* widget = GTK_WIDGET(api.newButton(image, OrNil(caption)));
    g_signal_connect(widget, "clicked", G_CALLBACK(&ToolbarImpGTK::OnClicked), this);
    return widget;
  }
  GtkWidget* widget = GTK_WIDGET(api.newToggle());
  if (!caption.empty()) api.setLabel(GTK_TOOL_BUTTON(widget), caption.c_str());
  if (image) api.setIcon(GTK_TOOL_BUTTON(widget), image);
  if (button->pushed) api.setActive(GTK_TOGGLE_TOOL_BUTTON(widget), TRUE);
  g_signal_connect(widget, "toggled", G_CALLBACK(&ToolbarImpGTK::OnToggled), this);
  return widget;
}

// Every button is a plain button here.
void ToolbarImpGTK::InsertOlderItem(int32_t index, RuntimeObject* item, GtkWidget* image) {
  const ToolButtonObject* button = AsToolButton(item);
  const std::string caption = TextOf(button->caption);
  const std::string tip = TextOf(button->item.helpTag);
  GtkWidget* widget = gtk_toolbar_insert_item(
      GTK_TOOLBAR(GetWidget()), OrNil(caption), OrNil(tip), nullptr, image,
      G_CALLBACK(&ToolbarImpGTK::OnClicked), this, index);
  gtk_widget_set_sensitive(widget, button->item.enabled != 0);
  gtk_widget_show(widget);
  mWidgets.InsertAt(index, widget);
}

void ToolbarImpGTK::RemoveItem(int32_t index) {
  if (index < 0 || index >= ItemCount()) return;
  ToolbarImp::RemoveItem(index);
  if (index >= int32_t(mWidgets.size())) return;
  GtkWidget* widget = mWidgets[index];
  mWidgets.RemoveAt(index);
  GtkContainer* toolbar = GTK_CONTAINER(GetWidget());
  if (!widget) {  // a space of the older API
    gtk_toolbar_remove_space(GTK_TOOLBAR(toolbar), index);
    return;
  }
  // A widget that never drew keeps no handler of ours behind it.
  gulong id = 0;
  if (mExposeHandlers.GetEntry(WidgetKey(widget), &id)) {
    g_signal_handler_disconnect(widget, id);
    mExposeHandlers.RemoveEntry(WidgetKey(widget));
  }
  gtk_container_remove(toolbar, widget);
}

void ToolbarImpGTK::SetItemPushed(RuntimeObject*, bool pushed, int32_t index) {
  GtkWidget* widget = ItemWidget(index);
  const ToolItemApi& api = ToolItems();
  if (!widget || !api.present || !GTK_IS_TOGGLE_TOOL_BUTTON(widget)) return;
  g_signal_handlers_block_by_func(widget, reinterpret_cast<gpointer>(&ToolbarImpGTK::OnToggled),
                                  this);
  api.setActive(GTK_TOGGLE_TOOL_BUTTON(widget), pushed);
  g_signal_handlers_unblock_by_func(widget,
                                    reinterpret_cast<gpointer>(&ToolbarImpGTK::OnToggled), this);
}

// The pane, the toolbar and the item are held across Action: the handler may close the window,
// remove the item or rebuild it.
// From the tool button's "clicked" or "toggled": Action may close the toolbar's window while
// GTK is still reporting the click.
void ToolbarImpGTK::RaiseActionAt(int32_t index) {
  HoldForSignal(this, [this, index] {
    RuntimeObject* toolbar = Toolbar();
    RuntimeLockObject(toolbar);
    RuntimeObject* item = GetItem(index);
    RaiseAction(item);
    if (item) RuntimeUnlockObject(item);
    RuntimeUnlockObject(toolbar);
  });
}

void ToolbarImpGTK::OnClicked(GtkWidget* widget, ToolbarImpGTK* pane) {
  const int32_t index = pane->IndexOfWidget(widget);
  if (!QV_CHECK_TEXT(index != -1, "index != -1", nullptr)) return;
  pane->RaiseActionAt(index);
}

void ToolbarImpGTK::OnToggled(GtkWidget* widget, ToolbarImpGTK* pane) {
  const int32_t index = pane->IndexOfWidget(widget);
  if (!QV_CHECK_TEXT(index != -1, "index != -1", nullptr)) return;
  auto getActive = gToggleToolButtonGetActive.As<GetActiveFunction>();
  RuntimeObject* item = pane->GetItem(index);
  if (ToolButtonObject* button = AsToolButton(item); button && getActive) {
    button->pushed = getActive(GTK_TOGGLE_TOOL_BUTTON(widget)) ? 1 : 0;
  }
  if (item) RuntimeUnlockObject(item);
  pane->RaiseActionAt(index);
}

// A tool item added to a toolbar on screen may have made it taller: one re-layout when the
// item first draws.
gboolean ToolbarImpGTK::OnFirstExpose(GtkWidget* widget, GdkEventExpose*, ToolbarImpGTK* pane) {
  gulong id = 0;
  if (pane->mExposeHandlers.GetEntry(WidgetKey(widget), &id)) {
    g_signal_handler_disconnect(widget, id);
    pane->mExposeHandlers.RemoveEntry(WidgetKey(widget));
  }
  pane->RelayoutWindow();
  return FALSE;
}
