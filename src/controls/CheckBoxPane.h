// The native check box, as the language layer sees it: a container pane with a caption that is
// checked or not, reports to a CheckBoxDelegate, and takes part in data binding as the
// DataAwareClass of its owner (the language object). CheckBoxGTK implements it over a
// GtkCheckButton.
//
// Every change of state reports Action, whatever made it: a click, the space key, the
// caption's mnemonic, or SetValue with the other value. A delegate call may close the pane;
// the delegate holds what it touches afterwards.
#pragma once

#include <cstdint>

#include "database/DataBinding.h"
#include "strings/RuntimeString.h"
#include "strings/TextStyle.h"
#include "windows/ContainerPane.h"

class CheckBoxDelegate {
 public:
  virtual ~CheckBoxDelegate() = default;
  // The box changed state.
  virtual void Action(SubPane* /*pane*/) {}
  // (x, y) relative to the box. True keeps the press from the box: it does not change, and
  // the release goes to MouseUp.
  virtual bool MouseDown(SubPane* /*pane*/, int32_t /*x*/, int32_t /*y*/) { return false; }
  virtual bool MouseUp(SubPane* /*pane*/, int32_t /*x*/, int32_t /*y*/) { return false; }
  virtual void GotFocus(SubPane* /*pane*/) {}
  virtual void LostFocus(SubPane* /*pane*/) {}
};

class CheckBox : public ContainerPane, public DataAwareClass {
 public:
  CheckBox(SubPane* owner, int32_t panelIndex, const QV::Rect& bounds)
      : ContainerPane(owner, panelIndex, bounds) {}
  // Destroying the pane lets go of the data control.
  ~CheckBox() override { Unbind(); }

  virtual void SetValue(bool value) = 0;
  virtual bool GetValue() = 0;
  // "&" marks the mnemonic; "&&" shows one "&".
  virtual void SetCaption(const string& caption) = 0;
  virtual void SetFont(const FontSpec& font) = 0;
  // The delegate is going away: the pane tells nobody from now on.
  virtual void ForgetDelegate() = 0;

  // ---- DataAwareClass ----
  // Lets go of the data control it is bound to, then binds to the one the data-source name
  // gives (none for an empty name).
  void Bind() override;
  void Unbind() override;

  void SetOwnerObject(RuntimeObject* owner) { mOwnerObject = owner; }
  void SetDataSource(const string& name) { mDataSource = name; }
  RuntimeObject* BoundDataControl() const { return mBoundControl; }

 private:
  string mDataSource;
  RuntimeObject* mBoundControl = nullptr;  // the binding holds the owner, not this
  RuntimeObject* mOwnerObject = nullptr;   // the language object; not held
};

// A new GtkCheckButton pane in owner's window at bounds, with its font, caption and value;
// making it raises nothing.
CheckBox* CreateCheckBox(CheckBoxDelegate* delegate, const FontSpec& font, SubPane* owner,
                         int32_t panelIndex, const QV::Rect& bounds, const string& caption,
                         bool value);
