// The native radio button, as the language layer sees it: a container pane with a caption that
// is checked or not, in a group of the radio buttons that share its owner pane and its page
// (tab or page panel) index, reporting to a RadioButtonDelegate. Checking one button of a group
// clears the others; clearing the checked one leaves the whole group clear. RadioButtonGTK
// implements it over a GtkRadioButton.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"
#include "strings/TextStyle.h"
#include "windows/ContainerPane.h"

class RadioButtonDelegate {
 public:
  virtual ~RadioButtonDelegate() = default;
  // The button became checked (by a click, a key, its mnemonic or SetValue).
  virtual void Action(SubPane* /*pane*/) {}
  // The button became unchecked; the GTK pane does not report it.
  virtual void Unchecked(SubPane* /*pane*/) {}
  // (x, y) relative to the button. True keeps the press from the button, and the release
  // goes to MouseUp.
  virtual bool MouseDown(SubPane* /*pane*/, int32_t /*x*/, int32_t /*y*/) { return false; }
  virtual bool MouseUp(SubPane* /*pane*/, int32_t /*x*/, int32_t /*y*/) { return false; }
  virtual void GotFocus(SubPane* /*pane*/) {}
  virtual void LostFocus(SubPane* /*pane*/) {}
};

class RadioButton : public ContainerPane {
 public:
  RadioButton(SubPane* owner, int32_t panelIndex, const QV::Rect& bounds)
      : ContainerPane(owner, panelIndex, bounds) {}

  // True checks the button (clearing the rest of its group); false on the checked button
  // clears its whole group.
  virtual void SetValue(bool value) = 0;
  virtual bool GetValue() = 0;
  // "&" marks the mnemonic; "&&" shows one "&".
  virtual void SetCaption(const string& caption) = 0;
  virtual void SetFont(const FontSpec& font) = 0;
  // The delegate is going away: the pane tells nobody from now on.
  virtual void ForgetDelegate() = 0;
};

// A new GtkRadioButton pane in owner's window at bounds, in the group of its owner pane and
// page, with its font, caption and value; making it raises nothing.
RadioButton* CreateRadioButton(RadioButtonDelegate* delegate, const FontSpec& font,
                               SubPane* owner, int32_t panelIndex, const QV::Rect& bounds,
                               const string& caption, bool value);
