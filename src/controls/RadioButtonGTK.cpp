#include "controls/RadioButtonGTK.h"

#include <utility>

#include "controls/DelegateForwarding.h"
#include "controls/ToggleIndicator.h"
#include "core/SimpleVector.h"
#include "windows/GtkInput.h"
#include "windows/GtkLabels.h"
#include "windows/GtkPlacement.h"

namespace {

constexpr uint32_t kGroupTableStep = 16;

SimpleVector<RadioGroup*>& Groups() {
  static SimpleVector<RadioGroup*> groups(kGroupTableStep);
  return groups;
}

RadioGroup* FindGroup(SubPane* owner, int32_t page) {
  SimpleVector<RadioGroup*>& groups = Groups();
  for (uint32_t i = 0; i < groups.size(); ++i) {
    RadioGroup* group = groups[int32_t(i)];
    if (group->owner == owner && group->page == page) return group;
  }
  return nullptr;
}

RadioGroup* NewGroup(SubPane* owner, int32_t page) {
  GtkWidget* anchor = gtk_radio_button_new_with_label(nullptr, "");
  g_object_ref_sink(anchor);  // never put into a container: the record owns it
  auto* group = new RadioGroup{anchor, owner, page, 0};
  Groups().Append(group);
  return group;
}

void DropGroup(RadioGroup* group) {
  Groups().RemoveLast(group);
  gtk_widget_destroy(group->anchor);
  g_object_unref(group->anchor);
  delete group;
}

}  // namespace

uint32_t RadioGroupCount() { return Groups().size(); }

RadioButton* CreateRadioButton(RadioButtonDelegate* delegate, const FontSpec& font,
                               SubPane* owner, int32_t panelIndex, const QV::Rect& bounds,
                               const string& caption, bool value) {
  return new RadioButtonGTK(delegate, font, owner, panelIndex, bounds, caption, value);
}

// "toggled" is connected after the first SetValue: a button made checked raises nothing.
RadioButtonGTK::RadioButtonGTK(RadioButtonDelegate* delegate, const FontSpec& font,
                               SubPane* owner, int32_t panelIndex, const QV::Rect& bounds,
                               const string& caption, bool value)
    : RadioButton(owner, panelIndex, bounds), mDelegate(delegate) {
  JoinGroup(GetOwner());
  GSList* members = mGroup ? gtk_radio_button_get_group(GTK_RADIO_BUTTON(mGroup->anchor))
                           : nullptr;
  GtkWidget* button = gtk_radio_button_new_with_label(members, "");
  SetWidget(button);
  PutPaneInFixed(this, true);
  SetFont(font);
  SetCaption(caption);
  SetValue(value);
  g_signal_connect(button, "toggled", G_CALLBACK(&RadioButtonGTK::OnToggled), this);
  g_signal_connect(button, "button-press-event", G_CALLBACK(&OnPaneButtonPress), this);
  g_signal_connect(button, "button-release-event", G_CALLBACK(&DeliverMouseUp), this);
  g_signal_connect(button, "grab-focus", G_CALLBACK(&OnPaneGrabFocus), this);
}

RadioButtonGTK::~RadioButtonGTK() {
  mDelegate = nullptr;
  if (GtkWidget* button = GetWidget()) {
    g_signal_handlers_disconnect_matched(button, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                         this);
  }
  LeaveGroup();
}

void RadioButtonGTK::LeaveGroup() {
  RadioGroup* group = std::exchange(mGroup, nullptr);
  mGroupKey = nullptr;
  if (group && --group->users == 0) DropGroup(group);
}

void RadioButtonGTK::JoinGroup(SubPane* owner) {
  LeaveGroup();
  if (!owner) return;
  RadioGroup* group = FindGroup(owner, PanelIndex());
  if (!group) group = NewGroup(owner, PanelIndex());
  ++group->users;
  mGroup = group;
  mGroupKey = owner;
  if (GtkWidget* button = GetWidget()) {
    gtk_radio_button_set_group(GTK_RADIO_BUTTON(button),
                               gtk_radio_button_get_group(GTK_RADIO_BUTTON(group->anchor)));
  }
}

GtkWidget* RadioButtonGTK::Label() {
  GtkWidget* button = GetWidget();
  return button ? gtk_bin_get_child(GTK_BIN(button)) : nullptr;
}

// Unchecking reports nothing: the button that became checked reports its own Action.
void RadioButtonGTK::OnToggled(GtkToggleButton*, RadioButtonGTK* pane) {
  if (pane->mDelegate && pane->GetValue()) {
    HoldForSignal(pane, [pane] { pane->mDelegate->Action(pane); });
  }
}

bool RadioButtonGTK::MouseDown(int32_t x, int32_t y, int32_t) {
  return ForwardMouseDown(this, mDelegate, x, y);
}

void RadioButtonGTK::MouseUp(int32_t x, int32_t y) { ForwardMouseUp(this, mDelegate, x, y); }

void RadioButtonGTK::FocusGained() { ForwardFocus(this, mDelegate, true); }

void RadioButtonGTK::FocusLost() { ForwardFocus(this, mDelegate, false); }

bool RadioButtonGTK::CanTakeFocus() {
  return !IsClosing() && SubPane::CanTakeFocus() && GetValue();
}

void RadioButtonGTK::SetParent(SubPane* newParent) {
  RadioButton::SetParent(newParent);
  SubPane* owner = GetOwner();
  if (owner != mGroupKey) JoinGroup(owner);
}

void RadioButtonGTK::SetValue(bool value) {
  GtkWidget* button = GetWidget();
  if (!button) return;
  if (value || !GetValue()) {
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), value);
  } else if (mGroup) {
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(mGroup->anchor), TRUE);
  } else {
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), FALSE);
  }
}

bool RadioButtonGTK::GetValue() {
  GtkWidget* button = GetWidget();
  return button && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button));
}

void RadioButtonGTK::SetCaption(const string& caption) {
  if (GtkWidget* label = Label()) SetLabelTextWithMnemonic(label, caption, &mFont);
  mCaption = caption;
}

void RadioButtonGTK::SetFont(const FontSpec& font) {
  mFont = font;
  if (GtkWidget* label = Label()) SetWidgetFont(label, font);
}

void RadioButtonGTK::DrawInto(Graphics& g) {
  GtkWidget* button = GetWidget();
  if (button && g.TargetGdkDrawable()) {
    PaintToggleIndicator(button, Label(), g, GraphicsRectToDrawable(g, GetBounds(), false),
                         IsEnabled(), GetValue(), mFont, &gtk_paint_option);
  }
  SubPane::DrawInto(g);
}
