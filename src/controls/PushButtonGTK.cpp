#include "controls/PushButtonGTK.h"

#include "windows/GtkInput.h"
#include "windows/GtkLabels.h"
#include "windows/GtkPlacement.h"
#include "windows/PaneFocus.h"

PushButton* CreatePushButton(PushButtonDelegate* delegate, const FontSpec& font, SubPane* owner,
                             int32_t panelIndex, const QV::Rect& bounds, const string& caption) {
  return new PushButtonGTK(delegate, font, owner, panelIndex, bounds, caption);
}

PushButtonGTK::PushButtonGTK(PushButtonDelegate* delegate, const FontSpec& font, SubPane* owner,
                             int32_t panelIndex, const QV::Rect& bounds, const string& caption)
    : PushButton(owner, panelIndex, bounds), mDelegate(delegate) {
  GtkWidget* button = gtk_button_new_with_label("");
  SetWidget(button);
  PutPaneInFixed(this, true);
  SetFont(font);
  SetCaption(caption);
  g_signal_connect(button, "activate", G_CALLBACK(&PushButtonGTK::OnActivate), this);
  g_signal_connect(button, "button-press-event", G_CALLBACK(&OnPaneButtonPress), this);
  g_signal_connect(button, "button-release-event", G_CALLBACK(&DeliverMouseUp), this);
  g_signal_connect(button, "grab-focus", G_CALLBACK(&OnPaneGrabFocus), this);
}

GtkWidget* PushButtonGTK::Label() {
  GtkWidget* button = GetWidget();
  return button ? gtk_bin_get_child(GTK_BIN(button)) : nullptr;
}

// The keyboard's activation of the focused button.
void PushButtonGTK::OnActivate(GtkButton*, PushButtonGTK* pane) {
  HoldForSignal(pane, [pane] { pane->Push(); });
}

bool PushButtonGTK::MouseDown(int32_t x, int32_t y, int32_t) {
  if (!IsEnabled() || !mDelegate || !RetainChain()) return false;
  mMouseClaimed = mDelegate->MouseDown(this, x - GetBounds().left, y - GetBounds().top);
  const bool claimed = mMouseClaimed;
  if (ReleaseChain()) return true;
  SetMouseCapturePane(this);
  return claimed;
}

void PushButtonGTK::MouseUp(int32_t x, int32_t y) {
  if (!mDelegate || !RetainChain()) return;
  const QV::Rect& b = GetBounds();
  if (mMouseClaimed) {
    mDelegate->MouseUp(this, x - b.left, y - b.top);
  } else if (y >= b.top && y < b.bottom && x >= b.left && x < b.right) {
    mDelegate->Action(this);
  }
  if (!ReleaseChain()) mMouseClaimed = false;
}

void PushButtonGTK::FocusGained() {
  if (!mDelegate || !RetainChain()) return;
  mDelegate->GotFocus(this);
  ReleaseChain();
}

void PushButtonGTK::FocusLost() {
  if (!mDelegate || !RetainChain()) return;
  mDelegate->LostFocus(this);
  ReleaseChain();
}

bool PushButtonGTK::IsPressable() {
  return IsEnabled() && IsVisibleAndShown() && !IsClosing();
}

SubPane* PushButtonGTK::FindDefaultButton() { return mDefault && IsPressable() ? this : nullptr; }

SubPane* PushButtonGTK::FindCancelButton() { return mCancel && IsPressable() ? this : nullptr; }

void PushButtonGTK::Push() {
  if (!mDelegate || !RetainChain()) return;
  mDelegate->Action(this);
  ReleaseChain();
}

void PushButtonGTK::SetDefault(bool isDefault) {
  GtkWidget* button = GetWidget();
  if (isDefault) {
    GTK_WIDGET_SET_FLAGS(button, GTK_CAN_DEFAULT);
    gtk_widget_grab_default(button);
  } else {
    GTK_WIDGET_UNSET_FLAGS(button, GTK_CAN_DEFAULT);
  }
  mDefault = isDefault;
}

void PushButtonGTK::SetCancel(bool isCancel) { mCancel = isCancel; }

void PushButtonGTK::SetCaption(const string& caption) {
  if (GtkWidget* label = Label()) SetLabelTextWithMnemonic(label, caption, &mFont);
  mCaption = caption;
}

void PushButtonGTK::SetFont(const FontSpec& font) {
  mFont = font;
  if (GtkWidget* label = Label()) SetWidgetFont(label, font);
}

// The face as the theme paints it, then the caption's layout, then the children.
void PushButtonGTK::DrawInto(Graphics& g) {
  GtkWidget* button = GetWidget();
  GtkWidget* label = Label();
  GdkWindow* drawable = g.TargetGdkDrawable();
  if (button && label && drawable) {
    if (!button->window) gtk_widget_realize(button);
    if (!label->window) gtk_widget_realize(label);
    const QV::Rect r = GraphicsRectToDrawable(g, GetBounds(), false);
    const gint width = r.right - r.left;
    const gint height = r.bottom - r.top;
    if (width > 0 && height > 0) {
      gtk_paint_box(button->style, drawable, GTK_STATE_NORMAL, GTK_SHADOW_OUT, nullptr, button,
                    mDefault ? "buttondefault" : "button", r.left, r.top, width, height);
      PangoLayout* layout = gtk_label_get_layout(GTK_LABEL(label));
      gint textWidth = 0;
      gint textHeight = 0;
      pango_layout_get_pixel_size(layout, &textWidth, &textHeight);
      gtk_paint_layout(label->style, drawable, GTK_STATE_NORMAL, TRUE, nullptr, label, "label",
                       r.left + (width - textWidth) / 2, r.top + (height - textHeight) / 2,
                       layout);
    }
  }
  SubPane::DrawInto(g);
}
