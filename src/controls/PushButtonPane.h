// The native push button, as the language layer sees it: a container pane that reports to a
// PushButtonDelegate, and can be the window's default button (Return and Enter press it) and its
// cancel button (Escape presses it). PushButtonGTK implements it over a GtkButton.
//
// The pane knows nothing of the language; the delegate it is made with (the language object's
// router) is not owned, and is told every push, whatever pushed it: a click released inside
// the button, the keyboard's activation of the focused button, the window's Return or Escape,
// or Push from code. A delegate call may close the pane; the pane holds its owner chain for
// each call and touches nothing afterwards once it closed.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"
#include "strings/TextStyle.h"
#include "windows/ContainerPane.h"

class PushButtonDelegate {
 public:
  virtual ~PushButtonDelegate() = default;
  // The button was pushed.
  virtual void Action(SubPane* /*pane*/) {}
  // (x, y) relative to the button. True keeps the press from the button: the release then
  // goes to MouseUp and no Action follows.
  virtual bool MouseDown(SubPane* /*pane*/, int32_t /*x*/, int32_t /*y*/) { return false; }
  virtual bool MouseUp(SubPane* /*pane*/, int32_t /*x*/, int32_t /*y*/) { return false; }
  virtual void GotFocus(SubPane* /*pane*/) {}
  virtual void LostFocus(SubPane* /*pane*/) {}
};

class PushButton : public ContainerPane {
 public:
  PushButton(SubPane* owner, int32_t panelIndex, const QV::Rect& bounds)
      : ContainerPane(owner, panelIndex, bounds) {}

  virtual void SetDefault(bool isDefault) = 0;
  virtual void SetCancel(bool isCancel) = 0;
  // "&" marks the mnemonic; "&&" shows one "&".
  virtual void SetCaption(const string& caption) = 0;
  virtual void SetFont(const FontSpec& font) = 0;
  // The delegate is going away: the pane tells nobody from now on.
  virtual void ForgetDelegate() = 0;
};

// A new GtkButton pane in owner's window at bounds, with its font, then its caption.
PushButton* CreatePushButton(PushButtonDelegate* delegate, const FontSpec& font, SubPane* owner,
                             int32_t panelIndex, const QV::Rect& bounds, const string& caption);
