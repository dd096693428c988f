#include "controls/CheckBoxGTK.h"

#include "controls/DelegateForwarding.h"
#include "controls/ToggleIndicator.h"
#include "windows/GtkInput.h"
#include "windows/GtkLabels.h"
#include "windows/GtkPlacement.h"

CheckBox* CreateCheckBox(CheckBoxDelegate* delegate, const FontSpec& font, SubPane* owner,
                         int32_t panelIndex, const QV::Rect& bounds, const string& caption,
                         bool value) {
  return new CheckBoxGTK(delegate, font, owner, panelIndex, bounds, caption, value);
}

// "toggled" is connected after the first SetValue: a box made checked raises nothing.
CheckBoxGTK::CheckBoxGTK(CheckBoxDelegate* delegate, const FontSpec& font, SubPane* owner,
                         int32_t panelIndex, const QV::Rect& bounds, const string& caption,
                         bool value)
    : CheckBox(owner, panelIndex, bounds), mDelegate(delegate) {
  GtkWidget* button = gtk_check_button_new_with_label("");
  SetWidget(button);
  PutPaneInFixed(this, true);
  SetFont(font);
  SetCaption(caption);
  SetValue(value);
  g_signal_connect(button, "button-press-event", G_CALLBACK(&OnPaneButtonPress), this);
  g_signal_connect(button, "button-release-event", G_CALLBACK(&DeliverMouseUp), this);
  g_signal_connect(button, "grab-focus", G_CALLBACK(&OnPaneGrabFocus), this);
  g_signal_connect(button, "toggled", G_CALLBACK(&CheckBoxGTK::OnToggled), this);
}

CheckBoxGTK::~CheckBoxGTK() {
  mDelegate = nullptr;
  if (GtkWidget* button = GetWidget()) {
    g_signal_handlers_disconnect_matched(button, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                         this);
  }
}

GtkWidget* CheckBoxGTK::Label() {
  GtkWidget* button = GetWidget();
  return button ? gtk_bin_get_child(GTK_BIN(button)) : nullptr;
}

void CheckBoxGTK::OnToggled(GtkToggleButton*, CheckBoxGTK* pane) {
  if (pane->mDelegate) HoldForSignal(pane, [pane] { pane->mDelegate->Action(pane); });
}

bool CheckBoxGTK::MouseDown(int32_t x, int32_t y, int32_t) {
  return ForwardMouseDown(this, mDelegate, x, y);
}

void CheckBoxGTK::MouseUp(int32_t x, int32_t y) { ForwardMouseUp(this, mDelegate, x, y); }

void CheckBoxGTK::FocusGained() { ForwardFocus(this, mDelegate, true); }

void CheckBoxGTK::FocusLost() { ForwardFocus(this, mDelegate, false); }

void CheckBoxGTK::SetValue(bool value) {
  if (GtkWidget* button = GetWidget()) {
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), value);
  }
}

bool CheckBoxGTK::GetValue() {
  GtkWidget* button = GetWidget();
  return button && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button));
}

void CheckBoxGTK::SetCaption(const string& caption) {
  if (GtkWidget* label = Label()) SetLabelTextWithMnemonic(label, caption, &mFont);
  mCaption = caption;
}

void CheckBoxGTK::SetFont(const FontSpec& font) {
  mFont = font;
  if (GtkWidget* label = Label()) SetWidgetFont(label, font);
}

// The theme's indicator, then the caption's layout beside it, then the children.
void CheckBoxGTK::DrawInto(Graphics& g) {
  GtkWidget* button = GetWidget();
  GdkWindow* drawable = g.TargetGdkDrawable();
  if (button && drawable) {
    PaintToggleIndicator(button, Label(), g, GraphicsRectToDrawable(g, GetBounds(), false),
                         IsEnabled(), GetValue(), mFont, &gtk_paint_check);
  }
  SubPane::DrawInto(g);
}
