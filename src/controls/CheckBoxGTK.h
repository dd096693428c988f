// The check box on GTK: a GtkCheckButton in its window's GtkFixed, with a GtkLabel for its
// caption. Presses and releases reach it through the window (GtkInput.h); GTK toggles the box
// for a press that no delegate claimed, and every toggle ("toggled") reports Action.
#pragma once

#include <gtk/gtk.h>

#include "controls/CheckBoxPane.h"

class CheckBoxGTK : public CheckBox {
 public:
  CheckBoxGTK(CheckBoxDelegate* delegate, const FontSpec& font, SubPane* owner,
              int32_t panelIndex, const QV::Rect& bounds, const string& caption, bool value);
  ~CheckBoxGTK() override;

  // ---- SubPane ----
  // Not handled when disabled or without delegate; else the delegate's answer, and the pane
  // takes the mouse capture until the release when it claimed the press.
  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  void MouseUp(int32_t x, int32_t y) override;
  void FocusGained() override;
  void FocusLost() override;
  void DrawInto(Graphics& g) override;

  // ---- CheckBox ----
  void SetValue(bool value) override;
  bool GetValue() override;
  void SetCaption(const string& caption) override;
  void SetFont(const FontSpec& font) override;
  void ForgetDelegate() override { mDelegate = nullptr; }

  GtkWidget* Label();

 private:
  static void OnToggled(GtkToggleButton* button, CheckBoxGTK* pane);

  string mCaption;
  CheckBoxDelegate* mDelegate;  // not owned
  FontSpec mFont;
};
