// The radio button on GTK: a GtkRadioButton in its window's GtkFixed, with a GtkLabel for its
// caption, in the GTK group of a RadioGroup record.
//
// Radio groups: one record per (owner pane, page index), kept in one process-wide table while
// at least one pane belongs to it. Its anchor is a hidden GtkRadioButton, never shown, that
// holds the GTK group together: activating it clears every visible button of the group, which
// GTK will not do by unchecking the checked one. A joining button takes the group's list from
// the anchor (GTK's list changes head whenever a member comes or goes). A pane keeps the record
// it joined until it joins another (SetParent) or is destroyed, whatever its page index has
// become meanwhile.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>

#include "controls/RadioButtonPane.h"

struct RadioGroup {
  GtkWidget* anchor;  // held by the record
  SubPane* owner;
  int32_t page;
  int32_t users;  // the panes in the group
};

// The number of groups alive.
uint32_t RadioGroupCount();

class RadioButtonGTK : public RadioButton {
 public:
  RadioButtonGTK(RadioButtonDelegate* delegate, const FontSpec& font, SubPane* owner,
                 int32_t panelIndex, const QV::Rect& bounds, const string& caption, bool value);
  ~RadioButtonGTK() override;

  // ---- SubPane ----
  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  void MouseUp(int32_t x, int32_t y) override;
  void FocusGained() override;
  void FocusLost() override;
  // Only the checked button of a group is a keyboard stop.
  bool CanTakeFocus() override;
  // Moves the pane, then joins the group of its new owner.
  void SetParent(SubPane* newParent) override;
  void DrawInto(Graphics& g) override;

  // ---- RadioButton ----
  void SetValue(bool value) override;
  bool GetValue() override;
  void SetCaption(const string& caption) override;
  void SetFont(const FontSpec& font) override;
  void ForgetDelegate() override { mDelegate = nullptr; }

  GtkWidget* Label();
  const RadioGroup* Group() const { return mGroup; }

 private:
  static void OnToggled(GtkToggleButton* button, RadioButtonGTK* pane);
  // Leaves the group it is in, then joins (owner, page index).
  void JoinGroup(SubPane* owner);
  void LeaveGroup();

  string mCaption;
  RadioButtonDelegate* mDelegate;  // not owned
  FontSpec mFont;
  SubPane* mGroupKey = nullptr;  // the owner under which the pane joined its group
  RadioGroup* mGroup = nullptr;
};
