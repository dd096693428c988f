// The push button on GTK: a GtkButton in its window's GtkFixed, with a GtkLabel for its caption.
// Mouse presses and releases reach it through the window (GtkInput.h) so that the window's
// controls see them in order; GTK keeps drawing the button's pressed look while no delegate
// claimed the press.
#pragma once

#include <gtk/gtk.h>

#include "controls/PushButtonPane.h"

class PushButtonGTK : public PushButton {
 public:
  PushButtonGTK(PushButtonDelegate* delegate, const FontSpec& font, SubPane* owner,
                int32_t panelIndex, const QV::Rect& bounds, const string& caption);

  // ---- SubPane ----
  // Not handled when disabled or without delegate; else the delegate's answer, and the pane
  // takes the mouse capture until the release.
  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  // The delegate's MouseUp when it claimed the press; else Action when the release lies inside.
  void MouseUp(int32_t x, int32_t y) override;
  void FocusGained() override;
  void FocusLost() override;
  // The pane itself when it is that button and enabled, visible, shown and open.
  SubPane* FindDefaultButton() override;
  SubPane* FindCancelButton() override;
  // The delegate's Action.
  void Push() override;
  void DrawInto(Graphics& g) override;

  // ---- PushButton ----
  void SetDefault(bool isDefault) override;
  void SetCancel(bool isCancel) override;
  void SetCaption(const string& caption) override;
  void SetFont(const FontSpec& font) override;
  void ForgetDelegate() override { mDelegate = nullptr; }

  GtkWidget* Label();
  bool IsDefault() const { return mDefault; }
  bool IsCancel() const { return mCancel; }

 private:
  static void OnActivate(GtkButton* button, PushButtonGTK* pane);
  bool IsPressable();

  PushButtonDelegate* mDelegate;
  FontSpec mFont;
  string mCaption;
  bool mDefault = false;
  bool mCancel = false;
  bool mMouseClaimed = false;  // the delegate's MouseDown answer for the press in progress
};
