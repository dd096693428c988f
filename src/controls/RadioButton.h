// The language class "RadioButton": a RectControl whose pane is a native radio button in the
// group of its container and page, whose router turns the pane's reports into the object's
// events (Action, MouseDown, MouseUp, GotFocus, LostFocus), and which offers its checked and
// unchecked actions to bound objects through the hidden class "Sys$RadioButtonAction".
#pragma once

#include <cstddef>
#include <cstdint>

#include "controls/RadioButtonPane.h"
#include "controls/RuntimeControl.h"
#include "core/ObjectDefinition.h"
#include "database/DataBinding.h"

class RuntimeRadioRouter;

struct RadioButtonObject {
  ControlObject control;
  stringStorage* caption;      // Caption
  RuntimeRadioRouter* router;  // owned; made with the first pane
  ControlFontRecord font;
  uint8_t value;  // Value while there is no pane
  uint8_t actionInProgress;
  uint8_t unused[2];
  ReceiverNode* checkedReceivers;
  ReceiverNode* uncheckedReceivers;
};
static_assert(sizeof(RadioButtonObject) == 156 && offsetof(RadioButtonObject, caption) == 124 &&
                  offsetof(RadioButtonObject, router) == 128 &&
                  offsetof(RadioButtonObject, font) == 132 &&
                  offsetof(RadioButtonObject, value) == 144 &&
                  offsetof(RadioButtonObject, actionInProgress) == 145 &&
                  offsetof(RadioButtonObject, checkedReceivers) == 148 &&
                  offsetof(RadioButtonObject, uncheckedReceivers) == 152,
              "RadioButton instances are 156 bytes");

inline RadioButtonObject* AsRadioButton(RuntimeObject* object) {
  return reinterpret_cast<RadioButtonObject*>(object);
}

// The delegate of a radio button pane. Action holds the owner and the pane chain, and stops
// after a handler that closed the window or the button, or dropped it.
class RuntimeRadioRouter : public RadioButtonDelegate {
 public:
  explicit RuntimeRadioRouter(RuntimeObject* owner) : mOwner(owner) {}

  void Action(SubPane* pane) override;
  void Unchecked(SubPane* pane) override;
  bool MouseDown(SubPane* pane, int32_t x, int32_t y) override;
  bool MouseUp(SubPane* pane, int32_t x, int32_t y) override;
  void GotFocus(SubPane* pane) override;
  void LostFocus(SubPane* pane) override;

 private:
  bool StillActing(SubPane* pane) const;

  RuntimeObject* mOwner;  // not retained: the owner owns the router
};

ObjectDefinition* RadioButtonClassDefinition();
ObjectDefinition* RadioButtonActionClassDefinition();

extern "C" {
void RadioCreatePane(RuntimeObject* radio);
void radioDestructor(RuntimeObject* radio);
int32_t radioValueGetter(RuntimeObject* radio, uint32_t parameter);
void radioValueSetter(RuntimeObject* radio, uint32_t parameter, int32_t value);
void radioTitleSetter(RuntimeObject* radio, uint32_t parameter, stringStorage* caption);
// "getCheckedAction" or "getUncheckedAction" (letter case ignored): a new action source for
// the button; any other name nil.
RuntimeObject* radioGetBoundPart(RuntimeObject* radio, stringStorage* name);
void rbaAddActionNotificationReceiver(RuntimeObject* action, RuntimeObject* receiver);
void rbaRemoveActionNotificationReceiver(RuntimeObject* action, RuntimeObject* receiver);
void radioButtonActionDestructor(RuntimeObject* action);
}
// The font setters' second step: the pane, when there is one, takes the font record anew.
void RadioButtonFontChanged(RuntimeObject* radio);
